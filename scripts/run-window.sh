#!/usr/bin/env bash
# Opens the calculator window, or says in one line why it cannot.
set -euo pipefail
program=$1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "ostrevin: no display here: run 'make run' in a desktop session, or under Xvfb" \
    "(sudo apt install xvfb xauth, then xvfb-run make run)" >&2
  exit 1
fi
exec "$program"
