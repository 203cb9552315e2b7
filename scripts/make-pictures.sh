#!/usr/bin/env bash
# Remakes the README's pictures in docs/ from the project's own tests and
# programs: the Linux window (the Qt window test's picture), the Windows
# program under Wine (make test-windows), the page on a phone (make
# test-web), a command-line session, and the survey chart of the README's
# example, the first page of its job's report, the solar farm's map. Each is reduced to a palette PNG of a few tens of KB.
#   scripts/make-pictures.sh          all of them (builds what is missing)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh imagemagick fonts-dejavu-core poppler-utils

make build
ctest --test-dir build/dev -R 'QtCalculatorWindow.SizedByTheTemplateAndRendersToAPicture' --output-on-failure >/dev/null
make test-windows
make test-web

calc=build/dev/cli/ostrevin-calc
shrink() {  # shrink SOURCE NAME WIDTH [HEIGHT [TOP]: a band of a tall page only]
  convert "$1" -strip -crop "x${4:-100000}+0+${5:-0}" +repage -resize "$3x>" -colors 64 "PNG8:docs/$2.png.new"
  mv "docs/$2.png.new" "docs/$2.png"
}
shrink build/dev/tests/ostrevin-window.png window-linux 640
shrink build/windows/tests/ostrevin-window-wine.png window-windows 640
shrink build/web/tests/ostrevin-390x844.png page-phone 390 844
# The check's first screen: its answer and verdict above its fields.
shrink build/web/tests/ostrevin-check-390x844.png page-check 390 844

# A command-line session, drawn as a terminal shows it.
session=$(
  for command in "resistance --rho 10000 --diameter 0.625 --length 8" \
                 "length --rho 10000 --diameter 0.625 --target 25" \
                 "check --rho 10000 --diameter 0.625 --length 8"; do
    echo "\$ ostrevin-calc $command"
    # shellcheck disable=SC2086 # the words are the options
    "$calc" $command 2>&1
  done
)
# (ImageMagick reads % as its escape: a margin's "%" is written %%.)
convert -background '#1d2327' -fill '#e6e6e6' -font DejaVu-Sans-Mono -pointsize 13 \
  -bordercolor '#1d2327' -border 12 label:"${session//%/%%}" -colors 16 PNG8:docs/command-line.png.new
mv docs/command-line.png.new docs/command-line.png

# The report of the README's job: its first page.
"$calc" report docs/substation.ostrevin.json --pdf build/report.pdf >/dev/null 2>&1
pdftoppm -r 80 -png -f 1 -l 1 build/report.pdf build/report
shrink build/report-1.png report 560

# The survey of the README's example and its chart.
"$calc" soil docs/survey.csv --units metric --png build/survey.png >/dev/null
shrink build/survey.png survey 900
"$calc" soil docs/survey-three-layers.csv --units si --png build/survey-three-layers.png >/dev/null 2>&1
shrink build/survey-three-layers.png survey-three-layers 900

# The solar farm read from its drawing, and its surface potential.
"$calc" electrodes docs/solar-farm.dxf --conductor 10mm --rod-diameter 16mm --rho 100ohm-m --units metric \
  --grid-current 5000 --potential-png build/solar-farm-potential.png >/dev/null 2>&1
shrink build/solar-farm-potential.png solar-farm-potential 760

ls -l docs/*.png
