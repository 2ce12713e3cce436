#!/bin/sh
# Installs what Zorbly needs on Debian (12 or later) and builds it.
#   scripts/setup.sh [release|debug]  -> build/ (or build-debug/)
set -eu
cd "$(dirname "$0")/.."

# xfonts-base: the message box of SDL under X draws with core X fonts, which a
# bare Xvfb lacks.
packages="cmake g++ make pkg-config
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libfontconfig-dev fonts-vlgothic
  libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool xfonts-base libx11-dev libxtst-dev"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing:$missing"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
fi

kind="${1:-release}"
case "$kind" in
  release) dir=build; type=Release ;;
  debug) dir=build-debug; type=Debug ;;
  *) echo "usage: scripts/setup.sh [release|debug]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" >/dev/null
cmake --build "$dir" -j "$(nproc)"
