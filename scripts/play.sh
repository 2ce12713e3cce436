#!/bin/sh
# Installs what the game needs (scripts/install-deps.sh game), builds the game
# alone in build/ and starts it with the options given:
#
#   scripts/play.sh [--seed N] [--scale N] ...     (zorbly --help lists them)
#
# build/ is configured with the play preset (Release, without the tests and
# benchmarks), unless it holds a release build with its tests
# (scripts/setup.sh release): that one is kept as it is, tests and all. The
# two differ only in what they build, so switching rebuilds nothing.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

scripts/install-deps.sh game
if ! grep -qx 'ZORBLY_TESTS:BOOL=ON' build/CMakeCache.txt 2>/dev/null; then
  quietly cmake --preset play || fail "configuring build/ failed"
fi
say "building the game in build/"
quietly cmake --build --preset play -j "$(nproc)" || fail "building the game failed"
exec build/app/zorbly "$@"
