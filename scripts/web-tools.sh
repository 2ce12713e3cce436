#!/bin/sh
# Installs what the browser build and the browser tests need, then prints the
# environment they need as lines for the caller to eval:
#
#   eval "$(scripts/web-tools.sh)"
#
# Installs with apt-get, only what is missing: Debian's emscripten (em++),
# nodejs, npm (only when there is no `npm` at all) and chromium, and what the
# browser build and its tests need beside them: cmake, make and g++ (the
# native programs the tests compare with), the header-only libraries of the
# core (libstb-dev, libcli11-dev) and GoogleTest (libgtest-dev). Then runs
# `npm ci` in web/ when web/node_modules is missing or was installed from
# another web/package-lock.json; nothing downloads a browser (the tests drive
# /usr/bin/chromium).
#
# What it may print (nothing at all when nothing is needed):
#   export NODE_PATH=/usr/share/nodejs...  when the `node` on PATH is not
#       Debian's and so cannot find the acorn parser emscripten's tools use;
#   export EM_CACHE=DIR EM_FROZEN_CACHE=  when em++ cannot compile and link a
#       C++ program with -fwasm-exceptions (what the build uses) from Debian's
#       (read-only, frozen) cache
#       as this user; DIR is a writable copy in
#       ${ZORBLY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorbly}/emscripten that
#       em++ may add the libraries it lacks to.
# The em++ check runs once per emscripten version and user; its outcome is
# kept in that cache folder. Messages go to standard error, one line each.
set -eu
cd "$(dirname "$0")/.."

cache=${ZORBLY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorbly}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

say() { printf 'web-tools: %s\n' "$*" >&2; }
fail() { say "$*"; exit 1; }

# Runs a command with its output kept in a log, shown only when it fails.
quietly() {
  log=$(mktemp)
  if "$@" >"$log" 2>&1; then
    rm -f "$log"
  else
    status=$?
    cat "$log" >&2
    rm -f "$log"
    return "$status"
  fi
}

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# --- Debian packages ---------------------------------------------------------
missing=""
for p in emscripten nodejs chromium cmake make g++ libstb-dev libcli11-dev libgtest-dev; do
  installed "$p" || missing="$missing $p"
done
# npm comes with some nodejs builds (NodeSource's); Debian's is a package of
# its own, and it would conflict with those.
command -v npm >/dev/null 2>&1 || missing="$missing npm"
if [ -n "$missing" ]; then
  say "installing$missing"
  quietly $sudo apt-get update || fail "apt-get update failed"
  # shellcheck disable=SC2086 # separate words
  quietly $sudo env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends $missing || fail "apt-get install$missing failed"
fi
for tool in em++ node npm chromium; do
  command -v "$tool" >/dev/null 2>&1 || fail "$tool is not on PATH after the install"
done

# --- node modules for emscripten's tools -------------------------------------
# Debian's node looks in /usr/share/nodejs by itself; another node (NodeSource,
# nvm) needs NODE_PATH, or emscripten's JavaScript optimizer cannot find acorn.
node_path=""
if ! node -e 'require.resolve("acorn", { paths: ["/usr/share/emscripten/tools"] })' >/dev/null 2>&1; then
  [ -d /usr/share/nodejs/acorn ] || fail "no acorn in /usr/share/nodejs (package node-acorn)"
  node_path="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
  echo "export NODE_PATH='$node_path'"
fi

# --- emscripten's cache -------------------------------------------------------
# Compiles and links a C++ program that throws, with the environment given.
em_works() {
  dir=$(mktemp -d)
  printf '%s\n' '#include <stdexcept>' '#include <string>' \
    'int main(int argc, char**) { try { if (argc > 5) throw std::runtime_error("x"); }' \
    '  catch (const std::exception& e) { return int(std::string(e.what()).size()); } return 0; }' \
    >"$dir/t.cpp"
  ok=0
  (cd "$dir" && env ${node_path:+NODE_PATH="$node_path"} "$@" \
     em++ -std=c++20 -O2 -fwasm-exceptions t.cpp -o t.js >log 2>&1) || ok=1
  [ "$ok" -eq 0 ] || cp "$dir/log" "$cache/em-check.log" 2>/dev/null || true
  rm -rf "$dir"
  return "$ok"
}

version=$(dpkg-query -W -f='${Version}' emscripten)
stamp="$cache/web-tools/em-$version-$(id -u)-wasm-exceptions"
mkdir -p "$cache/web-tools"
if [ ! -f "$stamp" ]; then
  if em_works; then
    echo none >"$stamp"
  else
    # Debian's cache is frozen and not writable: a copy of it (symbolic links
    # to its files) that emscripten may add whatever library is missing to.
    say "em++ fails with Debian's cache; making a writable copy in $cache/emscripten"
    debian_cache=$(env ${node_path:+NODE_PATH="$node_path"} em-config CACHE 2>/dev/null) \
      || fail "em-config CACHE failed"
    rm -rf "$cache/emscripten"
    cp -Rs "$debian_cache" "$cache/emscripten"
    em_works EM_CACHE="$cache/emscripten" EM_FROZEN_CACHE= \
      || fail "em++ cannot build a C++ program even with a writable cache; see $cache/em-check.log"
    echo copy >"$stamp"
  fi
fi
if [ "$(cat "$stamp")" = copy ]; then
  echo "export EM_CACHE='$cache/emscripten' EM_FROZEN_CACHE="
fi

# --- the browser tests' node modules ------------------------------------------
# After each install a copy of the lockfile goes into node_modules; npm ci runs
# again when there is none, or when web/package-lock.json has changed since.
# (npm's own node_modules/.package-lock.json is no guide: `npm install
# --package-lock-only` rewrites it without installing anything.)
installed_lock=web/node_modules/.zorbly-installed-lock.json
if ! cmp -s web/package-lock.json "$installed_lock"; then
  say "npm ci in web/"
  (cd web && quietly env PUPPETEER_SKIP_DOWNLOAD=1 PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 \
     npm ci --no-audit --no-fund) || fail "npm ci in web/ failed"
  cp web/package-lock.json "$installed_lock"
fi
