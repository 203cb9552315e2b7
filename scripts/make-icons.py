#!/usr/bin/env python3
"""Draws the program's icon, a copper rod driven into the ground with its
clamp and earth wire, as an SVG, as PNGs of the usual sizes and as a Windows icon in res/icons/.
Only the standard library: the shapes are rectangles and one triangle on a
32-unit grid, rasterised with 8 x 8 samples per pixel."""
import os
import struct
import zlib

# (kind, colour, geometry) in drawing order, on a 32 x 32 grid.
SHAPES = [
    ("rect", "#6d4322", (0, 15, 32, 6)),      # topsoil
    ("rect", "#9c6b3c", (0, 21, 32, 11)),     # subsoil
    ("rect", "#b98550", (3, 25, 6, 1.5)),     # stones
    ("rect", "#b98550", (23, 27, 6, 1.5)),
    ("rect", "#3f9d3f", (0, 13.5, 32, 2)),    # grass
    ("rect", "#c46f2c", (14.5, 3, 3, 26)),    # rod
    ("tri", "#c46f2c", ((14.5, 29), (17.5, 29), (16, 31.5))),
    ("rect", "#f0a868", (15.1, 3, 0.9, 26)),  # highlight
    ("rect", "#d9c21f", (17.5, 7.7, 12, 1.8)),  # earth wire
    ("rect", "#3a9a3a", (17.5, 8.2, 12, 0.8)),
    ("rect", "#5b6770", (12.5, 6.5, 7, 4)),   # clamp
    ("rect", "#8e9aa3", (13, 7, 6, 1)),
]


def rgb(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def inside(kind, geometry, x, y):
    if kind == "rect":
        left, top, width, height = geometry
        return left <= x < left + width and top <= y < top + height
    (ax, ay), (bx, by), (cx, cy) = geometry
    d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by)
    d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy)
    d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay)
    return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))


def render(size, samples=8):
    rows = []
    scale = 32 / size
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    colour = None
                    for kind, fill, geometry in SHAPES:
                        if inside(kind, geometry, x, y):
                            colour = fill
                    if colour:
                        r, g, b = rgb(colour)
                        acc[0] += r
                        acc[1] += g
                        acc[2] += b
                        acc[3] += 1
            n = acc[3]
            if n:
                row += bytes([acc[0] // n, acc[1] // n, acc[2] // n, 255 * n // samples**2])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data +
                struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def svg():
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
             'viewBox="0 0 32 32">']
    for kind, fill, geometry in SHAPES:
        if kind == "rect":
            parts.append('  <rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>'
                         % (*geometry, fill))
        else:
            points = " ".join("%g,%g" % point for point in geometry)
            parts.append('  <polygon points="%s" fill="%s"/>' % (points, fill))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def ico(images):
    """A Windows icon holding the given (size, PNG bytes) images."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        side = size if size < 256 else 0
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    return header + entries + data


def main():
    folder = os.path.join(os.path.dirname(__file__), "..", "res", "icons")
    images = []
    for size in (16, 32, 48, 64, 128, 256):
        images.append((size, png(size, render(size))))
        with open(os.path.join(folder, "ostrevin-%d.png" % size), "wb") as out:
            out.write(images[-1][1])
    with open(os.path.join(folder, "ostrevin.ico"), "wb") as out:
        out.write(ico([image for image in images if image[0] in (16, 32, 48, 256)]))
    with open(os.path.join(folder, "ostrevin.svg"), "w") as out:
        out.write(svg())


if __name__ == "__main__":
    main()
