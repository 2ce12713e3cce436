#!/bin/sh
# Tests the Windows build under Wine (a few minutes once SDL2 and GoogleTest
# for Windows are cached):
#
#   1. builds it (scripts/build-windows.sh -> dist/windows/zorbly.exe and the
#      zip) with its test suites (build-windows/), and natively the programs
#      that test it from outside (build-windows-native/, the tools preset of
#      CMakePresets.json);
#   2. the core suites (game_tests, core_tests, golden_tests: the game, the
#      script language, the golden games frame by frame), cross-built and run
#      by CTest under Wine;
#   3. the script-level suite (tests/program_test.cpp, the golden games'
#      pictures and states included) against `zorbly.exe --headless` under
#      Wine, output compared byte for byte;
#   4. tests/windows: zorbly.exe in a real window on a private Xvfb (the
#      window, keys, the game-over box, recordings between Linux and Windows),
#      where its messages go, and its version record, icon and imports.
#      Screenshots go to build-windows-native/tests/windows/output/.
#
# BUILD_DIR and NATIVE_BUILD_DIR name other build folders. Any failure fails it.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh
root=$PWD

build=$(absolute "${BUILD_DIR:-build-windows}")
native=$(absolute "${NATIVE_BUILD_DIR:-build-windows-native}")
exe="$root/dist/windows/zorbly.exe"

BUILD_DIR=$build scripts/build-windows.sh
eval "$(scripts/deps-windows.sh)"

say "building the test suites for Windows in $build"
logged "$build/build.log" cmake --build "$build" -j "$(nproc)" || fail "building the test suites failed"

say "building the native programs in $native"
if [ ! -f "$native/CMakeCache.txt" ]; then
  quietly cmake --preset tools -B "$native" || fail "configuring $native failed"
fi
logged "$native/build.log" cmake --build "$native" -j "$(nproc)" --target program_tests windows_tests zorbly-headless ||
  fail "building the native programs failed"

# Wine's first start in a session takes seconds; no test's time limit pays it.
say "starting Wine"
sh cmake/wine-run.sh cmd /c exit </dev/null >/dev/null 2>&1

say "the core suites under Wine: ctest --test-dir $build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

say "the headless program under Wine: program_tests"
ZORBLY_HEADLESS="sh '$root/cmake/wine-run.sh' '$exe' --headless" \
  ctest --test-dir "$native" -R '^Program\.' --output-on-failure -j "$(nproc)"

say "zorbly.exe in a window under Wine, its messages and its file: windows_tests"
ZORBLY_WINDOWS_EXE=$exe ctest --test-dir "$native" -L windows --output-on-failure
say "screenshots in $native/tests/windows/output/"
