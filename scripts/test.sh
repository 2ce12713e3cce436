#!/bin/sh
# Installs what is missing, builds, and runs every test with CTest.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh release
ctest --test-dir build --output-on-failure -j "$(nproc)"
