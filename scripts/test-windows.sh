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
screen="$build/tests/ostrevin-window-wine-screen.png"
picture="$build/tests/ostrevin-window-wine.png"
rm -f "$screen" "$picture"
# The picture is taken once the window is there: an X window named after the
# desktop, and a screen that is neither black nor empty (the desktop and its
# dialog drawn), the same twice in a row. A bound, then a failure.
shown() {
  xwininfo -root -tree 2>/dev/null | grep -q '"Ostrevin' || return 1
  import -window root "$screen" 2>/dev/null || return 1
  convert "$screen" -trim +repage "$picture" 2>/dev/null || return 1
  local size mean
  size=$(identify -format '%w %h' "$picture")
  mean=$(convert "$picture" -colorspace Gray -format '%[fx:mean]' info:)
  [ "${size% *}" -ge 400 ] && [ "${size#* }" -ge 200 ] &&
    awk -v m="$mean" 'BEGIN { exit !(m > 0.3) }' || return 1
  [ "$size" = "${previous:-}" ] && return 0
  previous=$size
  return 1
}
deadline=$((SECONDS + 90))
until shown; do
  if [ "$SECONDS" -ge "$deadline" ]; then
    kill "$program" 2>/dev/null || true
    echo "test-windows: the window did not appear within 90 s: no screenshot" >&2
    exit 1
  fi
  sleep 0.5
done
kill "$program" 2>/dev/null || true
"${wine%/*}/wineserver" -k 2>/dev/null || true
echo "test-windows: screenshot in $build/tests/ostrevin-window-wine.png"
