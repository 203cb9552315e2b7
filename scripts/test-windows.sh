#!/usr/bin/env bash
# Runs the Windows tests under Wine on a virtual X screen, then opens
# Ostrevin.exe there and takes a picture of the screen:
# build/windows/tests/ostrevin-window-wine.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/windows
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
mkdir -p "$build/tests"

if [ "${1:-}" != --inside-x ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-x
fi

# The prefix is made once (10 to 15 s the first time).
[ -d "$WINEPREFIX/drive_c" ] || "$wine" wineboot --init >/dev/null 2>&1
ctest --preset windows
# In a Wine desktop of its own, so that Wine draws the caption and frame
# (the virtual screen has no window manager to do it).
"$wine" explorer /desktop=Ostrevin,760x420 "$build/app/Ostrevin.exe" &
program=$!
sleep 5
import -window root "$build/tests/ostrevin-window-wine-screen.png"
# The Wine desktop alone: the screen cropped to what is not the background.
convert "$build/tests/ostrevin-window-wine-screen.png" -trim +repage \
  "$build/tests/ostrevin-window-wine.png"
kill "$program" 2>/dev/null || true
"${wine%/*}/wineserver" -k 2>/dev/null || true
echo "test-windows: screenshot in $build/tests/ostrevin-window-wine.png"
