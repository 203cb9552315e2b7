#!/usr/bin/env bash
# Opens the calculator window, or says in one line why it cannot.
# With --check, only whether it could: `make run` asks before it installs and builds.
set -euo pipefail
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  install="apt-get install xvfb xauth"
  [ "$(id -u)" -eq 0 ] || install="sudo $install"
  echo "ostrevin: no display here: run 'make run' in a desktop session, or under Xvfb" \
    "($install, then xvfb-run make run)" >&2
  exit 1
fi
[ "$1" = --check ] && exit 0
exec "$1"
