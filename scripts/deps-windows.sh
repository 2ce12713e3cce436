#!/bin/sh
# Installs what the Windows build and its tests under Wine need, builds SDL2
# for Windows, and prints the environment the build needs as lines to eval:
#
#   eval "$(scripts/deps-windows.sh)"
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#     -DCMAKE_PREFIX_PATH="$ZORBLY_SDL2_WINDOWS;$ZORBLY_GTEST_WINDOWS;$ZORBLY_HEADERS_WINDOWS"
#
# (scripts/build-windows.sh does this.)
#
# 1. Installs what is missing with scripts/install-deps.sh windows: the
#    mingw-w64 toolchain (the posix thread model), CMake, Wine, Xvfb,
#    icoutils, googletest (its sources), stb, CLI11, zip, and what the native
#    programs that test the Windows build need.
# 2. Builds SDL2 as a static library for x86_64-w64-mingw32 from Debian's
#    libsdl2 source package (scripts/debian-source.sh), with CMake and
#    cmake/mingw-w64.cmake, into $cache/windows/sdl2-VERSION-KEY, VERSION being
#    the source package's and KEY a hash of the build options. Done once per
#    version and options; a later run builds nothing.
# 3. Builds GoogleTest for the same target from Debian's googletest (its
#    sources) into $cache/windows/googletest-VERSION, once per version.
# 4. Makes $cache/windows/headers: the header-only libraries of the build
#    machine (CLI11 with its CMake package file, stb) in a prefix of their
#    own, so that the cross build finds them without seeing /usr/include.
# 5. Creates a Wine prefix in $cache/windows/wine, so that no test pays the
#    slow first start of Wine (cmake/wine-run.sh uses it by default).
#
# The cache is ~/.cache/zorbly (ZORBLY_CACHE to move it; scripts/lib.sh),
# outside the work tree. Messages go to standard error, one line each; the
# output of each step (the builds, wineboot) is appended to
# $cache/windows/deps-windows.log, and its last lines are shown when the step
# fails.
# Standard output holds only the lines to eval:
#   export ZORBLY_SDL2_WINDOWS='...'     the SDL2 prefix (SDL2Config.cmake)
#   export ZORBLY_GTEST_WINDOWS='...'    the GoogleTest prefix (GTestConfig.cmake)
#   export ZORBLY_HEADERS_WINDOWS='...'  the prefix of CLI11 and stb
#   export WINEPREFIX='...'              the Wine prefix
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh
root=$PWD

windows="$cache/windows"
mkdir -p "$windows"
log="$windows/deps-windows.log"
: >"$log"

# A line that sh reads back as: export NAME='VALUE'.
emit() {
  printf "export %s='%s'\n" "$1" "$(printf '%s' "$2" | sed "s/'/'\\\\''/g")"
}

# --- Debian packages ---------------------------------------------------------
scripts/install-deps.sh windows
need x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres cmake make wine wineboot \
  wineserver Xvfb wrestool zip
[ -f /usr/src/googletest/CMakeLists.txt ] || fail "no /usr/src/googletest (package googletest)"

# --- SDL2 for Windows ----------------------------------------------------------
tree=$(scripts/debian-source.sh libsdl2) || fail "could not fetch the source package libsdl2"
tree=$(printf '%s\n' "$tree" | tail -n 1)
[ -f "$tree/debian/changelog" ] || fail "no Debian source tree at $tree"
# The first line of the changelog: "libsdl2 (2.26.5+dfsg-1) unstable; ...".
version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' "$tree/debian/changelog")
[ -n "$version" ] || fail "no version in $tree/debian/changelog"
# Only what the game uses: video (a window surface, no renderer, no GL), events,
# timers, threads, joysticks and game controllers (XInput and DirectInput);
# no audio, haptics, sensors, HIDAPI, power or locale. This keeps zorbly.exe
# well under 4 MB. The options are part of the cache key: a change builds anew.
sdl_options="-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
  -DSDL_AUDIO=OFF -DSDL_RENDER=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_POWER=OFF
  -DSDL_SENSOR=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_OPENGL=OFF -DSDL_OPENGLES=OFF
  -DSDL_VULKAN=OFF -DSDL_RENDER_D3D=OFF -DSDL_WASAPI=OFF"
key=$(printf '%s' "$sdl_options" | tr -s ' \n' ' ' | md5sum | cut -c1-8)
sdl2="$windows/sdl2-$version-$key"

# build_for_windows NAME SOURCE PREFIX [CMAKE OPTION...]: configures, builds
# and installs the CMake project in SOURCE for Windows into PREFIX, once:
# installed into a staging folder with the final prefix inside, then moved
# into place, so a prefix that exists is a complete one.
build_for_windows() {
  name=$1 source=$2 prefix=$3
  shift 3
  build="$windows/build/$(basename "$prefix")"
  stage="$build.stage"
  rm -rf "$build" "$stage" "$prefix"
  logged "$log" cmake -S "$source" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    "$@" \
    || fail "configuring $name failed"
  logged "$log" cmake --build "$build" -j "$(nproc)" || fail "building $name failed"
  logged "$log" env DESTDIR="$stage" cmake --install "$build" || fail "installing $name failed"
  [ -d "$stage$prefix" ] || fail "$name's install left nothing in $stage$prefix"
  mv "$stage$prefix" "$prefix"
  rm -rf "$build" "$stage"
  rmdir "$windows/build" 2>/dev/null || true
}

if [ ! -f "$sdl2/lib/cmake/SDL2/SDL2Config.cmake" ]; then
  say "building SDL2 $version for Windows (a few minutes; log: $log)"
  # shellcheck disable=SC2086 # the options are separate words
  build_for_windows SDL2 "$tree" "$sdl2" $sdl_options
  [ -f "$sdl2/lib/libSDL2.a" ] || fail "SDL2's install has no lib/libSDL2.a"
fi

# --- GoogleTest for Windows ----------------------------------------------------
# From Debian's googletest (its sources in /usr/src/googletest), built once per
# version: the Windows build's test suites link it.
gtest_version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null) || fail "googletest is not installed"
gtest="$windows/googletest-$gtest_version"
if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  say "building GoogleTest $gtest_version for Windows (a minute; log: $log)"
  build_for_windows GoogleTest /usr/src/googletest "$gtest" -DBUILD_GMOCK=OFF -DBUILD_SHARED_LIBS=OFF
  [ -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ] || fail "GoogleTest's install has no GTestConfig.cmake"
fi

# --- header-only libraries ----------------------------------------------------
# CLI11's package file names /usr/include, which the cross compiler must not
# search (glibc's headers); a copy of it here names this prefix instead.
headers="$windows/headers"
mkdir -p "$headers/include" "$headers/share/cmake/CLI11"
for dir in CLI stb; do
  [ -d "/usr/include/$dir" ] || fail "no /usr/include/$dir"
  [ "$(readlink "$headers/include/$dir" 2>/dev/null)" = "/usr/include/$dir" ] ||
    ln -sfn "/usr/include/$dir" "$headers/include/$dir"
done
for f in /usr/share/cmake/CLI11/*.cmake; do
  [ -f "$f" ] || fail "no CMake package file of CLI11 in /usr/share/cmake/CLI11"
  cmp -s "$f" "$headers/share/cmake/CLI11/${f##*/}" || cp "$f" "$headers/share/cmake/CLI11/"
done

# --- Wine prefix -------------------------------------------------------------
# Wine brings a prefix up to date with its own files when the time of its
# wine.inf differs from the one in the prefix's stamp (another Wine); do that
# here too, not in a test.
wineprefix="$windows/wine"
inf=/usr/share/wine/wine.inf
winestep=""
if [ ! -f "$wineprefix/system.reg" ]; then
  winestep="-i"
  say "creating the Wine prefix $wineprefix (a minute or less)"
elif [ -f "$inf" ] &&
     stamp=$(tr -dc '0-9a-z' 2>/dev/null <"$wineprefix/.update-timestamp" || true) &&
     [ "$stamp" != disable ] && [ "$stamp" != "$(stat -c %Y "$inf")" ]; then
  winestep="-u"
  say "updating the Wine prefix $wineprefix for this Wine"
fi
if [ -n "$winestep" ]; then
  # Without a display: nothing to show. wineserver -w waits until Wine has
  # written the prefix out and quit.
  # shellcheck disable=SC2016 # $1 is the inner shell's
  logged "$log" env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$wineprefix" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" sh -c 'wineboot "$1" && wineserver -w' sh "$winestep" \
    || fail "wineboot $winestep failed"
  [ -f "$wineprefix/system.reg" ] || fail "wineboot made no prefix in $wineprefix"
fi

emit ZORBLY_SDL2_WINDOWS "$sdl2"
emit ZORBLY_GTEST_WINDOWS "$gtest"
emit ZORBLY_HEADERS_WINDOWS "$headers"
emit WINEPREFIX "$wineprefix"
