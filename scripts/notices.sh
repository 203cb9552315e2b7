#!/usr/bin/env bash
# Writes the notices of what ships inside one build of Ostrevin to standard
# output: its own licence, then each third-party part with its licence text,
# taken from the Debian packages the build used.
# Usage: scripts/notices.sh linux|windows|web|debian
#   debian: the package's machine-readable copyright file
set -euo pipefail
cd "$(dirname "$0")/.."
face=${1:?usage: scripts/notices.sh linux|windows|web|debian}

version_of() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "unknown"; }
rule() { printf '\n%s\n%s\n\n' "$1" "$(printf '%*s' "${#1}" '' | tr ' ' '=')"; }

eigen() {
  rule "Eigen $(version_of libeigen3-dev) (MPL-2.0)"
  echo "Ostrevin is compiled with Eigen's headers: its linear algebra and, for the"
  echo "soil-survey fit, its Levenberg-Marquardt solver, which comes from MINPACK."
  echo "Eigen's source: https://eigen.tuxfamily.org/"
  echo
  cat /usr/share/common-licenses/MPL-2.0
  rule "MINPACK (the Levenberg-Marquardt solver in Eigen)"
  cat res/notices/minpack.txt
}

filter() {
  rule "Key's digital filter for the Hankel transform (2012)"
  cat res/notices/hankel-filter.txt
}

case "$face" in
  linux)
    echo "Ostrevin for Linux: the notices of what it is made of."
    rule "Ostrevin (MIT)"
    cat LICENSE
    eigen
    filter
    rule "Qt $(version_of libqt6core6) (LGPL-3.0)"
    echo "The window and the PNG rasteriser of ostrevin-calc link Qt 6 dynamically, from"
    echo "the system's own Qt packages: you may replace them with any compatible Qt."
    echo "Qt's source: https://download.qt.io/ (or apt-get source qt6-base qt6-svg)."
    echo
    cat /usr/share/common-licenses/LGPL-3
    echo
    cat /usr/share/common-licenses/GPL-3
    ;;
  windows)
    echo "Ostrevin for Windows (Ostrevin.exe): the notices of what it is made of."
    rule "Ostrevin (MIT)"
    cat LICENSE
    eigen
    filter
    rule "The mingw-w64 runtime $(version_of mingw-w64-common) (linked in)"
    echo "Ostrevin.exe is linked statically with the mingw-w64 C runtime and GCC's C++"
    echo "runtime (libstdc++, libgcc, winpthreads), under the GCC Runtime Library"
    echo "Exception and the licences below."
    echo
    cat /usr/share/doc/mingw-w64-common/copyright
    echo
    cat /usr/share/doc/gcc-mingw-w64-base/copyright
    ;;
  web)
    echo "The Ostrevin page: the notices of what its WebAssembly is made of."
    rule "Ostrevin (MIT)"
    cat LICENSE
    eigen
    filter
    rule "{fmt} $(version_of libfmt-dev) (MIT)"
    cat /usr/share/doc/libfmt-dev/copyright
    rule "fast_float $(version_of libfast-float-dev) (MIT, Apache-2.0 or BSL-1.0)"
    cat /usr/share/doc/libfast-float-dev/copyright
    rule "Emscripten $(version_of emscripten): its C and C++ libraries and loader"
    echo "The page's ostrevin.wasm and ostrevin.js include parts of Emscripten's system"
    echo "libraries (musl, libc++, libc++abi, compiler-rt, dlmalloc) and its JavaScript"
    echo "runtime, under the licences listed here."
    echo
    cat /usr/share/doc/emscripten/copyright
    ;;
  debian)
    cat <<EOF
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Ostrevin
Upstream-Contact: The Ostrevin developers <developers@ostrevin.org>
Comment: ostrevin-calc is compiled with Eigen's headers (MPL-2.0), including its
 Levenberg-Marquardt solver, which comes from MINPACK (see below). The window and
 the PNG rasteriser link Qt 6 dynamically, from Debian's own packages.

Files: *
Copyright: 2026 The Ostrevin developers
License: Expat
EOF
    sed -n '3,$p' LICENSE | sed -e 's/^$/./' -e 's/^/ /'
    cat <<EOF

Files: eigen3/*
Copyright: 2008-2021 The Eigen authors
License: MPL-2.0
 On Debian systems, the full text of the Mozilla Public License 2.0 can be
 found in /usr/share/common-licenses/MPL-2.0.

Files: eigen3/unsupported/Eigen/src/LevenbergMarquardt/*
Copyright: 1999 University of Chicago
License: Minpack
EOF
    sed -n '3,$p' res/notices/minpack.txt | sed -e 's/^$/./' -e 's/^/ /'
    cat <<EOF

Files: core/hankel_filter.cpp
Copyright: 2012 Kerry Key
License: Key-Hankel-filter
EOF
    sed -e 's/^$/./' -e 's/^/ /' res/notices/hankel-filter.txt
    ;;
  *)
    echo "notices: unknown face '$face' (linux, windows, web or debian)" >&2
    exit 2
    ;;
esac
