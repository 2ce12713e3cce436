#!/bin/sh
# Installs what a kind of build needs (scripts/install-deps.sh) and builds it
# through its preset in CMakePresets.json (cmake --preset KIND, then
# cmake --build --preset KIND):
#
#   scripts/setup.sh [release]   build/: Release, the tests and benchmarks too
#   scripts/setup.sh play        build/: Release, the game alone (scripts/play.sh)
#   scripts/setup.sh debug       build-debug/: Debug, everything
#   scripts/setup.sh asan        build-asan/: Debug, AddressSanitizer + UBSan
#   scripts/setup.sh fuzz        build-fuzz/: the libFuzzer target, with clang
#
# Then `ctest --preset release` (or asan, or fuzz) runs the tests. Runs on
# Debian 12 or later.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

kind=${1:-release}
case "$kind" in
  play) purposes=game ;;
  release | debug | asan) purposes=tests ;;
  fuzz) purposes=fuzz ;;
  *) say "usage: scripts/setup.sh [release|play|debug|asan|fuzz]"; exit 2 ;;
esac

scripts/install-deps.sh "$purposes"
say "configuring the $kind build"
quietly cmake --preset "$kind" || fail "configuring the $kind build failed"
cmake --build --preset "$kind" -j "$(nproc)"
