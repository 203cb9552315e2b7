#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Runs apt-get directly as root, through sudo otherwise.
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail

packages=(
  build-essential cmake make
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev libgl-dev fonts-dejavu-core
  appstream desktop-file-utils libfmt-dev libfast-float-dev libeigen3-dev nlohmann-json3-dev
  poppler-utils python3-ezdxf
  "$@"
)

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and no root or sudo to install them" >&2
  exit 1
fi

# Another package manager at work (an unattended upgrade on a fresh machine)
# holds apt's locks: wait for it, up to ten minutes, then say so and stop.
lock_wait=600
apt_get() {
  local waited=0 log status
  log=$(mktemp)
  while :; do
    status=0
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=60 "$@" \
      2> "$log" || status=$?
    cat "$log" >&2
    if [ "$status" -eq 0 ] || ! grep -qi 'could not get lock\|unable to acquire\|is held by' "$log"; then
      rm -f "$log"
      return "$status"
    fi
    if [ "$waited" -ge "$lock_wait" ]; then
      echo "install-deps: apt is still busy after ${lock_wait} s (another package manager holds its lock)" >&2
      rm -f "$log"
      return "$status"
    fi
    echo "install-deps: another package manager is at work; waiting for it" >&2
    sleep 10
    waited=$((waited + 70))
  done
}

echo "install-deps: installing ${missing[*]}"
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
