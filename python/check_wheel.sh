#!/bin/sh
# Checks the wheel as a user installs it: builds it (build_wheel.sh), makes a
# virtual environment of Debian's Python that sees its NumPy, installs the
# wheel there with pip (offline: --no-deps, --no-index) and plays a game with
# it. CTest runs it with ZORBLY_BUILD_DIR set, packing the module it built.
#
#   python/check_wheel.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/build_wheel.sh" "$work/dist" >"$work/build.log" 2>&1 || {
  cat "$work/build.log" >&2
  echo "check_wheel: the wheel did not build" >&2
  exit 1
}
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --quiet --no-deps --no-index "$work"/dist/zorbly-*.whl
cd "$work"  # away from the source tree
"$work/venv/bin/python" - <<'PY'
import zorbly, sys
assert zorbly.__file__.startswith(sys.prefix), zorbly.__file__
env = zorbly.Env()
obs, info = env.reset(seed=1)
obs, reward, terminated, truncated, info = env.step(4)
print(f"check_wheel: zorbly from {zorbly.__file__}: a step played, {info['frames']} frames")
PY
