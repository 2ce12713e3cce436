#!/bin/sh
# Makes a release of Zorbly from the commit checked out, every platform's
# package from fresh build folders, and leaves in dist/release/:
#
#   zorbly_VERSION_amd64.deb          the Debian package (scripts/package-deb.sh)
#   zorbly-VERSION-windows-x64.zip    the Windows program (scripts/build-windows.sh)
#   zorbly-VERSION-web.zip            the page, installable and offline (scripts/build-web.sh)
#   zorbly-VERSION.tar.gz             the sources, from git
#   SHA256SUMS                        over the four
#
#   scripts/release.sh
#
# VERSION is project(VERSION) of CMakeLists.txt as players see it ("1.00").
# Installs what is missing (scripts/install-deps.sh release). The builds are
# build-release/, build-release-web/ and build-release-windows/, made anew each
# time. Times come from the last commit (SOURCE_DATE_EPOCH) and the source
# folder's path is left out of what is built: the same commit gives the same
# bytes wherever and whenever it is built (scripts/check-reproducible.sh).
# The work tree must be as committed (ZORBLY_RELEASE_DIRTY=1 builds it anyway,
# for trying things: its files then are not the tarball's).
# ZORBLY_RELEASE_KEEP_BUILDS=1 keeps the build folders of the last time and
# builds in them again, which takes less time (scripts/test-release.sh).
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh
root=$PWD
started=$(date +%s)
# Files made with the usual modes, whatever the caller's umask.
umask 022

scripts/install-deps.sh release
git rev-parse --verify -q HEAD >/dev/null 2>&1 || fail "not a git work tree with a commit: a release is made from one"
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  [ "${ZORBLY_RELEASE_DIRTY:-}" = 1 ] || fail "the work tree has changes that are not committed (ZORBLY_RELEASE_DIRTY=1 to build anyway)"
  say "the work tree has changes that are not committed: this is not a release"
fi

# The compilers take the folder's path in a flag (below), which CMake splits
# at spaces.
case "$root" in *[[:space:]]*) fail "the path of this folder has a space in it ($root): a release is built from one without" ;; esac

SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
# The same flags for every build, the folder's own path mapped to ".".
export CXXFLAGS="-ffile-prefix-map=$root=."
unset CFLAGS LDFLAGS CPPFLAGS
out=dist/release
[ "${ZORBLY_RELEASE_KEEP_BUILDS:-}" = 1 ] || rm -rf build-release build-release-web build-release-windows
rm -rf "$out"
mkdir -p "$out"

# Linux: Debian's hardening flags (dpkg-buildflags), without debugging information.
say "building the game for Linux in build-release"
hardening=$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS)
hardening="$hardening $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS | sed 's/-g //; s/-ffile-prefix-map=[^ ]*//')"
linker=$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)
mkdir -p build-release
CXXFLAGS="$CXXFLAGS $hardening" LDFLAGS="$linker" logged build-release/configure.log \
  cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZORBLY_TESTS=OFF -DZORBLY_BENCH=OFF ||
  fail "configuring build-release failed"
logged build-release/build.log cmake --build build-release -j "$(nproc)" --target zorbly zorbly-headless ||
  fail "building in build-release failed"
version=$(cat build-release/version.txt)
scripts/package-deb.sh build-release "$out"

say "building the game for Windows in build-release-windows"
BUILD_DIR=build-release-windows scripts/build-windows.sh
mv "dist/zorbly-$version-windows-x64.zip" "$out/"

say "building the page in build-release-web"
BUILD_DIR=build-release-web scripts/build-web.sh
# The page's files at the top of the zip (zorbly-headless for node is not the page's).
web=$(mktemp -d)
trap 'rm -rf "$web"' EXIT
for f in index.html page.js runs.js zorbly.js zorbly.wasm favicon.png manifest.webmanifest icon-192.png icon-512.png \
         service-worker.js; do
  cp "dist/web/$f" "$web/$f"
done
chmod -R u=rw,go=r "$web"/*  # whatever the umask (the linker makes zorbly.wasm executable)
find "$web" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$web" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | TZ=UTC zip -q -X -D -9 "$root/$out/zorbly-$version-web.zip" -@) ||
  fail "zip failed"

say "packing the sources"
git archive --format=tar --prefix="zorbly-$version/" HEAD | gzip -9n >"$out/zorbly-$version.tar.gz"

(cd "$out" && LC_ALL=C sha256sum zorbly* >SHA256SUMS)
say "in $out/, made in $(($(date +%s) - started)) s:"
# shellcheck disable=SC2012 # names of our own making
(cd "$out" && LC_ALL=C ls -l zorbly* SHA256SUMS | awk '{ printf "  %-34s %9d bytes\n", $9, $5 }') >&2
