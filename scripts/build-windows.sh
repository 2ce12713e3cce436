#!/bin/sh
# Cross-builds Zorbly for 64-bit Windows with Debian's mingw-w64 and packs it:
#
#   dist/windows/zorbly.exe                one file: the game, its pictures, font,
#                                          icon and version record, statically linked
#   dist/zorbly-VERSION-windows-x64.zip    zorbly-VERSION/ with zorbly.exe,
#                                          README.txt and licences/
#
#   scripts/build-windows.sh
#
# Installs what is missing and builds SDL2 and GoogleTest for Windows once
# (scripts/deps-windows.sh; cached outside the work tree). The build folder is
# build-windows/ (BUILD_DIR to change it); this builds the program only, and
# scripts/test-windows.sh its tests. Runs zorbly.exe --version under Wine once,
# to see that it starts and to name the zip.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh
root=$PWD

build=$(absolute "${BUILD_DIR:-build-windows}")
limit=4000000  # bytes zorbly.exe may take

deps=$(scripts/deps-windows.sh) || fail "the Windows build's tools and libraries could not be made ready"
eval "$deps"

say "building zorbly.exe in $build"
mkdir -p "$build"
logged "$build/configure.log" cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$ZORBLY_SDL2_WINDOWS;$ZORBLY_GTEST_WINDOWS;$ZORBLY_HEADERS_WINDOWS" ||
  fail "configuring failed"
logged "$build/build.log" cmake --build "$build" -j "$(nproc)" --target zorbly || fail "building failed"
exe="$build/app/zorbly.exe"
size=$(stat -c %s "$exe")
[ "$size" -le "$limit" ] || fail "zorbly.exe is $size bytes, more than the $limit it may take"

# "Zorbly 1.00": the exe starts, and names its version.
version=$(sh cmake/wine-run.sh "$exe" --version </dev/null 2>"$build/version.log") ||
  { cat "$build/version.log" >&2; fail "zorbly.exe --version failed under Wine"; }
version=${version#Zorbly }
case "$version" in '' | *[!0-9.]*) fail "zorbly.exe --version said '$version'" ;; esac

mkdir -p dist/windows
cp "$exe" dist/windows/zorbly.exe

# The zip. Text files with CR LF line ends, for Notepad; the same bytes for
# the same files (times of the last commit, fixed modes, no extra fields, a
# fixed order).
for f in "$ZORBLY_SDL2_WINDOWS/share/licenses/SDL2/LICENSE.txt" /usr/share/doc/libcli11-dev/copyright \
         /usr/share/doc/mingw-w64-x86-64-dev/copyright; do
  [ -f "$f" ] || fail "no $f: its licence must go with the program"
done
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top="zorbly-$version"
mkdir -p "$stage/$top/licences"
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
cp "$exe" "$stage/$top/zorbly.exe"
sed "s/@VERSION@/$version/" packaging/windows/README.txt | sed 's/\r*$/\r/' >"$stage/$top/README.txt"
crlf assets/VL-Gothic-LICENSE.txt "$stage/$top/licences/VL-Gothic.txt"
crlf "$ZORBLY_SDL2_WINDOWS/share/licenses/SDL2/LICENSE.txt" "$stage/$top/licences/SDL2.txt"
crlf /usr/share/doc/libcli11-dev/copyright "$stage/$top/licences/CLI11.txt"
crlf /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/$top/licences/mingw-w64.txt"
stamp=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
chmod -R u=rwX,go=rX "$stage/$top"  # whatever the umask: 755 for the exe and folders, 644 for the rest
find "$stage/$top" -exec touch -d "@$stamp" {} +
zip="$root/dist/zorbly-$version-windows-x64.zip"
rm -f "$zip"
(cd "$stage" && find "$top" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D "$zip" -@) || fail "zip failed"

say "dist/windows/zorbly.exe ($size bytes)"
say "dist/zorbly-$version-windows-x64.zip ($(stat -c %s "$zip") bytes)"
