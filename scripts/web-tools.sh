#!/bin/sh
# Installs what the browser build and the browser tests need, then prints the
# environment they need as lines for the caller to eval:
#
#   eval "$(scripts/web-tools.sh)"
#
# Installs what is missing with scripts/install-deps.sh web: Debian's
# emscripten (em++), nodejs, npm (only when there is no `npm` at all) and
# chromium, and what the browser build and its tests need beside them: cmake,
# make and g++ (the native programs the tests compare with), the header-only
# libraries of the core (libstb-dev, libcli11-dev) and GoogleTest
# (libgtest-dev). Then runs `npm ci` in web/ when web/node_modules is missing
# or was installed from another web/package-lock.json; nothing downloads a
# browser (the tests drive /usr/bin/chromium).
#
# What it may print (nothing at all when nothing is needed):
#   export NODE_PATH=/usr/share/nodejs...  when the `node` on PATH is not
#       Debian's and so cannot find the acorn parser emscripten's tools use;
#   export EM_CACHE=DIR EM_FROZEN_CACHE=  when em++ cannot compile and link a
#       C++ program with -fwasm-exceptions (what the build uses) from Debian's
#       (read-only, frozen) cache as this user; DIR is a writable copy in
#       $cache/emscripten that em++ may add the libraries it lacks to ($cache
#       is ~/.cache/zorbly, or ZORBLY_CACHE: scripts/lib.sh).
# The em++ check runs once per emscripten version and user; its outcome is
# kept in that cache folder. Messages go to standard error, one line each.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

# --- Debian packages ---------------------------------------------------------
scripts/install-deps.sh web
need em++ node npm chromium

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
