#!/bin/sh
# Installs what is missing, builds, and runs every test with CTest: first the
# release build, then the browser build (its headless program under node, its
# page in headless Chromium), then the Windows build under Wine, then the same
# suites under AddressSanitizer and UBSan, then the fuzzer for a minute. Any
# failure, sanitizer report or finding fails it.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh release
ctest --test-dir build --output-on-failure -j "$(nproc)"

NATIVE_BUILD_DIR=build scripts/test-web.sh
NATIVE_BUILD_DIR=build scripts/test-windows.sh

# A sanitizer report ends the program with an error, which fails its test.
# Leaks inside system libraries are suppressed by tests/lsan.supp, which needs
# whole stacks of the allocations (the slow unwinder).
ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
scripts/setup.sh asan
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

scripts/setup.sh fuzz
ctest --test-dir build-fuzz --output-on-failure
