#!/bin/sh
# Tests the browser build (about a minute when the builds are there):
#
#   1. builds it (scripts/build-web.sh -> dist/web/) and, natively, the test
#      suites and programs the browser build is held to (build-web-native/,
#      the tools preset of CMakePresets.json);
#   2. runs the script-level suite, golden games included, against the
#      headless program under node (tests/program_test.cpp with
#      ZORBLY_HEADLESS="node dist/web/zorbly-headless.js");
#   3. runs the page in headless Chromium (tests/web/page_test.mjs): scaling,
#      the first frame, keys, touch, gamepads, game over against the native
#      program's picture, Play again, a bad seed, a hidden tab; and
#      (tests/web/embed_test.mjs) every screen pixel of the field at seven
#      zooms, full screen, and the page in another page's frame. Screenshots
#      go to build-web/shots/ (ZORBLY_SHOTS to change it).
#
# NATIVE_BUILD_DIR names another native build to use (scripts/test.sh's
# build/, say). Any failure fails it.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

native=${NATIVE_BUILD_DIR:-build-web-native}
shots=${ZORBLY_SHOTS:-build-web/shots}

scripts/build-web.sh
eval "$(scripts/web-tools.sh)"

say "building the native programs in $native"
if [ ! -f "$native/CMakeCache.txt" ]; then
  quietly cmake --preset tools -B "$native" || fail "configuring $native failed"
else
  quietly cmake "$native" || fail "configuring $native failed"  # so that it knows every target
fi
quietly cmake --build "$native" -j "$(nproc)" --target program_tests zorbly-headless last_picture ||
  fail "building the native programs failed"

say "the headless program under node: program_tests"
ZORBLY_HEADLESS="node $PWD/dist/web/zorbly-headless.js" "$native/tests/program_tests" --gtest_brief=1

say "the page in headless Chromium: node --test tests/web/"
mkdir -p "$shots"
ZORBLY_SITE=dist/web ZORBLY_NATIVE_HEADLESS="$native/headless/zorbly-headless" \
  ZORBLY_LAST_PICTURE="$native/tests/last_picture" ZORBLY_SHOTS="$shots" \
  node --test --test-reporter=spec tests/web/
say "screenshots in $shots/"
