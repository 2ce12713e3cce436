#!/bin/sh
# Builds Zorbly for the browser with Debian's emscripten and leaves a static
# site in dist/web/:
#
#   index.html, page.js, runs.js, zorbly.js, zorbly.wasm,
#   favicon.png                                                the page
#   manifest.webmanifest, icon-192.png, icon-512.png,
#   service-worker.js                                          installing it, playing offline
#   zorbly-headless.js, zorbly-headless.wasm                   the headless program for node
#
#   scripts/build-web.sh          # then scripts/serve-web.sh, and open the address it prints
#
# Installs what is missing first (scripts/web-tools.sh). The build folder is
# build-web/ (BUILD_DIR to change it). Nothing the page loads comes from
# anywhere but dist/web/.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

build=$(absolute "${BUILD_DIR:-build-web}")
dist=dist/web

tools=$(scripts/web-tools.sh) || fail "the tools could not be installed"
eval "$tools"

# The core's header-only libraries live with the machine's own headers. Under
# emscripten they are named one by one: the folder that holds them also holds
# the machine's C library, which must not stand in for emscripten's.
stb=/usr/include/stb
[ -f "$stb/stb_image.h" ] || fail "no $stb/stb_image.h (package libstb-dev)"
[ -f /usr/include/CLI/CLI.hpp ] || fail "no /usr/include/CLI/CLI.hpp (package libcli11-dev)"
mkdir -p "$build/host-include"
ln -sfn /usr/include/CLI "$build/host-include/CLI"

if [ ! -f "$build/CMakeCache.txt" ]; then
  say "configuring $build"
  logged "$build/configure.log" emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DSTB_INCLUDE_DIR="$stb" -DCLI11_INCLUDE_DIR="$build/host-include" || fail "configuring failed"
fi
say "building in $build"
cmake --build "$build" -j "$(nproc)" --target zorbly-page zorbly-headless

rm -rf "$dist"
mkdir -p "$dist"
site="$build/web/site"
page="index.html page.js runs.js favicon.png zorbly.js zorbly.wasm manifest.webmanifest icon-192.png icon-512.png"
for f in $page zorbly-headless.js zorbly-headless.wasm; do
  cp "$site/$f" "$dist/$f"
done
# The worker's cache is named after the page's files: other files, another
# cache, which replaces the old one in the browsers that kept it.
# shellcheck disable=SC2086 # the files are separate words
content=$(cd "$dist" && cat $page | sha256sum | cut -c 1-16)
sed "s/__CONTENT__/$content/" "$site/service-worker.js" >"$dist/service-worker.js"
say "the page is in $dist/ (scripts/serve-web.sh serves it)"
