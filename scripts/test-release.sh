#!/bin/sh
# Tests a release (under 2 minutes the first time, when it builds the
# release in build-release*/; some 15 s when those builds are up to date):
#
#   1. makes it (scripts/release.sh -> dist/release/), keeping its build
#      folders from the last time (incremental) and taking the work tree as
#      it is, committed or not;
#   2. checks the package with Debian's tools: lintian (no error, no
#      warning), appstreamcli validate --no-net on its metainfo,
#      desktop-file-validate on its desktop entry;
#   3. checks that every version agrees (tests/release/versions.sh);
#   4. installs the package, plays a golden game with it, finds its files
#      where desktops and man look, and purges it (tests/release/install_test.sh);
#   5. serves the page's zip, plays it once, stops the server, and plays it
#      again offline in headless Chromium (tests/release/offline_page_test.mjs),
#      against the native headless program of NATIVE_BUILD_DIR (default
#      build-release). The screenshot goes to build-release/shots/.
#
# scripts/test.sh runs it after the Windows stage. Any failure fails it.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

ZORBLY_RELEASE_KEEP_BUILDS=1 ZORBLY_RELEASE_DIRTY=1 scripts/release.sh
out=dist/release
version=$(cat build-release/version.txt)
deb="$out/zorbly_${version}_amd64.deb"
native=${NATIVE_BUILD_DIR:-build-release}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

say "lintian $deb"
lintian --display-level '>=pedantic' "$deb" >"$tmp/lintian" 2>"$tmp/lintian.err" || true
cat "$tmp/lintian" >&2
! grep -q '^[EW]: ' "$tmp/lintian" || fail "lintian reports errors or warnings"
grep -v 'running with root privileges' "$tmp/lintian.err" >&2 || true

dpkg-deb -x "$deb" "$tmp/deb"
say "appstreamcli validate --no-net, desktop-file-validate"
quietly appstreamcli validate --no-net "$tmp/deb/usr/share/metainfo/io.github.zorbly.Zorbly.metainfo.xml" ||
  fail "the metainfo does not validate"
desktop-file-validate "$tmp/deb/usr/share/applications/zorbly.desktop" || fail "the desktop entry does not validate"

say "the versions: tests/release/versions.sh"
tests/release/versions.sh build-release "$out"

say "installing for real: tests/release/install_test.sh"
tests/release/install_test.sh "$deb"

say "the page offline: node --test tests/release/"
eval "$(scripts/web-tools.sh)"
mkdir -p "$tmp/site" build-release/shots
quietly unzip -q "$out/zorbly-$version-web.zip" -d "$tmp/site" || fail "unzip failed"
ZORBLY_SITE="$tmp/site" ZORBLY_NATIVE_HEADLESS="$PWD/$native/headless/zorbly-headless" \
  ZORBLY_SHOTS=build-release/shots node --test --test-reporter=spec tests/release/
say "the release in $out/ passes; the offline page's screenshot is build-release/shots/offline.png"
