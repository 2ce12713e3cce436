#!/bin/sh
# Installs what is missing (scripts/install-deps.sh all), builds, and runs
# every test with CTest: first the release build, then the browser build (its
# headless program under node, its page in headless Chromium), then the
# Windows build under Wine, then a release (the Debian package checked by
# lintian, installed, played and purged; the page played offline; every
# version in agreement), then the same suites under AddressSanitizer and
# UBSan, then the fuzzer for a minute. The builds and test runs are the
# presets of CMakePresets.json. Any failure, sanitizer report or finding
# fails it.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

scripts/install-deps.sh all

say "the release build: ctest --preset release"
scripts/setup.sh release
ctest --preset release -j "$(nproc)"

NATIVE_BUILD_DIR=build scripts/test-web.sh
NATIVE_BUILD_DIR=build scripts/test-windows.sh
NATIVE_BUILD_DIR=build scripts/test-release.sh

say "the sanitizer build: ctest --preset asan"
scripts/setup.sh asan
ctest --preset asan -j "$(nproc)"

say "the fuzzer: ctest --preset fuzz"
scripts/setup.sh fuzz
ctest --preset fuzz
