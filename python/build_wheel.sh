#!/bin/sh
# Builds the zorbly wheel offline, with Debian's Python and its packages
# (python3-build, python3-wheel, python3-setuptools; cmake, g++, pybind11-dev,
# python3-dev, python3-numpy for the extension), into DIR (default dist/):
#
#   python/build_wheel.sh [DIR]
#
# Install it into a virtual environment that sees Debian's NumPy:
#
#   /usr/bin/python3 -m venv --system-site-packages venv
#   venv/bin/pip install --no-deps dist/zorbly-*.whl
#
# With ZORBLY_BUILD_DIR set to a build folder that has built the
# zorbly_python target, that module is packed instead of building one.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/dist}" && cd "${1:-$root/dist}" && pwd)
# setuptools works inside the folder it packs: pack a copy, so that the tree
# stays clean.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/python/pyproject.toml" "$root/python/setup.py" "$root/python/zorbly" "$work/"
rm -rf "$work/zorbly/__pycache__"
ZORBLY_SOURCE_DIR=$root /usr/bin/python3 -m build --no-isolation --wheel --outdir "$out" "$work"
