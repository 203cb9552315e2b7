#!/usr/bin/env bash
# Writes the manual page of ostrevin-calc from its own help: help2man reads
# --help and --version, and each command's help becomes a section of its own.
# Usage: scripts/make-manual.sh PATH/TO/ostrevin-calc OUTPUT.1
set -euo pipefail
program=$1
output=$2
extra=$(mktemp)
trap 'rm -f "$extra"' EXIT
{
  echo "[COMMANDS]"
  # The commands are the lines under "Commands:" in the program's own usage.
  "$program" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }' |
    while read -r command; do
      echo ".SS $command"
      echo ".nf"
      echo ".in 0"
      "$program" help "$command" | sed -e 's/\\/\\e/g' -e 's/^\./\\\&./' -e "s/^'/\\\\\\&'/"
      echo ".in"
      echo ".fi"
    done
  echo "[SEE ALSO]"
  echo ".BR ostrevin (1)"
} > "$extra"
help2man --no-info --section=1 --name="resistance to earth of driven ground rods, from the command line" \
  --include="$extra" --output="$output" "$program"
