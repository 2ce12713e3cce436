#!/bin/sh
# Installs what is missing, builds a release build and starts the game.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh release
exec build/app/zorbly "$@"
