#!/bin/sh
# Installs what Zorbly needs on Debian (12 or later) and builds it.
#   scripts/setup.sh [release|debug]  -> build/ (or build-debug/)
#   scripts/setup.sh asan             -> build-asan/: Debug, AddressSanitizer + UBSan
#   scripts/setup.sh fuzz             -> build-fuzz/: the libFuzzer target, with clang
set -eu
cd "$(dirname "$0")/.."

kind="${1:-release}"
case "$kind" in
  release) dir=build; options="-DCMAKE_BUILD_TYPE=Release" ;;
  debug) dir=build-debug; options="-DCMAKE_BUILD_TYPE=Debug" ;;
  asan) dir=build-asan; options="-DCMAKE_BUILD_TYPE=Debug -DZORBLY_SANITIZE=ON -DZORBLY_BENCH=OFF" ;;
  fuzz) dir=build-fuzz
        options="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DZORBLY_FUZZ=ON
                 -DZORBLY_TESTS=OFF -DZORBLY_BENCH=OFF" ;;
  *) echo "usage: scripts/setup.sh [release|debug|asan|fuzz]" >&2; exit 2 ;;
esac

# xfonts-base: the message box of SDL under X draws with core X fonts, which a
# bare Xvfb lacks. openbox: a window manager for the fullscreen test.
# desktop-file-utils: checks the desktop entry. time: scripts/measure.sh.
packages="cmake g++ make pkg-config
  libsdl2-dev libstb-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool xfonts-base libx11-dev libxtst-dev openbox desktop-file-utils time"
# The fuzzer needs clang and its runtimes (libFuzzer, the sanitizers).
[ "$kind" != fuzz ] || packages="$packages clang libclang-rt-dev"

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

# shellcheck disable=SC2086 # options are separate words
cmake -S . -B "$dir" $options >/dev/null
cmake --build "$dir" -j "$(nproc)"
