#!/usr/bin/env bash
# Installs the Debian packages the project needs; does nothing for those present.
#   scripts/install-deps.sh        everything the project builds, tests and packages with
#   scripts/install-deps.sh demo   only what building and running the demo needs
# Says in one line what it installs; apt's own output goes to a log, named if apt fails.
set -euo pipefail

demo=(build-essential cmake ninja-build pkg-config libplist-dev libcups2-dev)
packages=(
  "${demo[@]}"
  libgtest-dev libgmock-dev libbenchmark-dev
  cups cups-client cups-filters
  clang libclang-rt-14-dev valgrind
  libgtk-3-dev libxtst-dev xvfb xauth dbus-x11 at-spi2-core
  xdg-desktop-portal xdg-desktop-portal-gtk libgtk-4-dev
  firefox-esr chromium
  fonts-vlgothic
  scdoc man-db file lintian
)
case "${1:-}" in
  "") ;;
  demo) packages=("${demo[@]}") ;;
  *) echo "usage: $0 [demo]" >&2; exit 2 ;;
esac

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
log=$(mktemp "${TMPDIR:-/tmp}/pdekit-apt.XXXXXX.log")
echo "Installing ${#missing[@]} Debian packages${1:+ for the $1}: ${missing[*]}"
if ! { "${sudo_cmd[@]}" apt-get update &&
       DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends \
         "${missing[@]}"; } >"$log" 2>&1; then
  echo "$0: apt-get failed; its output is in $log" >&2
  exit 1
fi
rm -f "$log"
