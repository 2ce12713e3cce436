#!/bin/sh
# Installs with apt-get the Debian packages that what is named needs and that
# are missing; one or more of:
#
#   scripts/install-deps.sh game       building and playing the window game (scripts/play.sh)
#   scripts/install-deps.sh tests      the native test suites and benchmarks, the Python
#                                      module and its tests, and the game
#   scripts/install-deps.sh python     the Python module, its wheel and its tests
#   scripts/install-deps.sh fuzz       the fuzzer build (clang and its runtimes), and the game
#   scripts/install-deps.sh web        the browser build and its tests (scripts/web-tools.sh)
#   scripts/install-deps.sh windows    the Windows build and its tests (scripts/deps-windows.sh)
#   scripts/install-deps.sh sources    Debian source packages (scripts/debian-source.sh)
#   scripts/install-deps.sh release    making and checking a release (scripts/release.sh),
#                                      and the game; the web and windows purposes too
#   scripts/install-deps.sh reproducible
#                                      diffoscope, which shows how two releases differ
#                                      (scripts/check-reproducible.sh)
#   scripts/install-deps.sh all        all of the above but reproducible (scripts/test.sh)
#
# Every list of packages the scripts install is here. apt-get update runs
# first, with sudo when not root; its output and apt-get install's are shown
# only when they fail. Messages go to standard error, one line each, and
# nothing to standard output (web-tools.sh and deps-windows.sh print lines
# that their callers eval).
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

# The window game: the compiler and build tools, SDL2 (with X11 for what the
# window does beyond SDL), and the header-only libraries of the core.
game="cmake g++ make pkg-config libsdl2-dev libx11-dev libstb-dev libcli11-dev"

# xvfb, xauth, xdotool, libxtst-dev: the real-window tests. xfonts-base: the
# message box of SDL under X draws with core X fonts, which a bare Xvfb
# lacks. openbox: a window manager for the fullscreen test.
# desktop-file-utils: checks the desktop entry. time: scripts/measure.sh.
# python3-pil: the scripts in assets/ that made the pictures and the font.
# The Python module: Debian's interpreter with its development files, NumPy
# and pybind11; pytest for its tests; build, wheel, setuptools and venv for
# its wheel and the test that installs it.
python="pybind11-dev python3-dev python3-numpy python3-pytest python3-build python3-wheel
  python3-setuptools python3-venv"

tests="$game libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool xfonts-base libxtst-dev openbox desktop-file-utils time python3-pil $python"

# The fuzzer needs clang and its runtimes (libFuzzer, the sanitizers).
fuzz="$game clang libclang-rt-dev"

# Debian's emscripten, node and chromium (the tests drive /usr/bin/chromium),
# and the native programs the browser build's tests compare with. npm comes
# with some nodejs builds (NodeSource's); Debian's is a package of its own,
# which would conflict with those: only when there is no npm at all.
web="emscripten nodejs chromium cmake make g++ libstb-dev libcli11-dev libgtest-dev"
command -v npm >/dev/null 2>&1 || web="$web npm"

sources="dpkg-dev"

# The mingw-w64 toolchain (the posix thread model), Wine, googletest (its
# sources, built for Windows), icoutils (the tests read the exe's resources)
# and zip (the package). fonts-wine: the fonts Wine draws its own dialogs
# (the message box) with. libx*: optional parts of Wine's X11 driver
# (cursors, input, screens). g++ ... openbox: the native programs that test
# the Windows build from outside (tests/windows: Xvfb, XTest, a window
# manager).
windows="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake make
  wine wine64 fonts-wine libxcursor1 libxi6 libxrandr2 libxrender1 libxinerama1
  xvfb icoutils googletest libstb-dev libcli11-dev zip $sources
  g++ pkg-config libgtest-dev libx11-dev libxtst-dev openbox"

# A release: the package's tools (dpkg-deb and dpkg-shlibdeps in dpkg-dev,
# strip in binutils), its checkers (lintian, appstreamcli, desktop-file-validate),
# man for reading the man pages (man -l), zip and unzip, and git for the
# source tarball. The web and Windows builds install what they need themselves.
release="$game dpkg-dev binutils lintian appstream desktop-file-utils man-db zip unzip git"

# diffoscope (its minimal form: the comparators it needs here are built in).
reproducible="diffoscope-minimal"

usage="usage: scripts/install-deps.sh game|tests|python|fuzz|web|windows|sources|release|reproducible|all ..."
[ $# -gt 0 ] || { say "$usage"; exit 2; }
packages=""
for purpose in "$@"; do
  case "$purpose" in
    game) packages="$packages $game" ;;
    tests) packages="$packages $tests" ;;
    python) packages="$packages $python" ;;
    fuzz) packages="$packages $fuzz" ;;
    web) packages="$packages $web" ;;
    windows) packages="$packages $windows" ;;
    sources) packages="$packages $sources" ;;
    release) packages="$packages $release $web $windows" ;;
    reproducible) packages="$packages $reproducible" ;;
    all) packages="$packages $tests $fuzz $web $windows $release" ;;
    *) say "no such purpose '$purpose'; $usage"; exit 2 ;;
  esac
done
# shellcheck disable=SC2086 # the packages are separate words
install_packages $packages
