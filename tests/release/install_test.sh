#!/bin/sh
# Installs the release's Debian package on this machine for real, plays it,
# and purges it:
#
#   tests/release/install_test.sh DEB
#
# apt-get install ./DEB (which brings SDL2), /usr/games/zorbly --version,
# the golden game tests/golden/ending.script through /usr/games/zorbly-headless
# to tests/golden/ending.state, the desktop entry, the icons, the man pages and
# the metainfo where desktops and man look for them; then apt-get purge, and
# nothing of the package left. Needs root (or sudo). Refuses to run where a
# package named zorbly is installed already.
set -eu
cd "$(dirname "$0")/../.."
. scripts/lib.sh

[ $# -eq 1 ] || { say "usage: tests/release/install_test.sh DEB"; exit 2; }
deb=$(absolute "$1")
[ -f "$deb" ] || fail "no $deb"
# shellcheck disable=SC2016 # ${Status} is dpkg-query's
case "$(dpkg-query -W -f='${Status}' zorbly 2>/dev/null || true)" in
  *installed*) fail "a package zorbly is installed already: this test would remove it" ;;
esac
version=$(dpkg-deb -f "$deb" Version)
files=$(dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | grep -v '/$')
tmp=$(mktemp -d)
installed=0
cleanup() {
  [ "$installed" -eq 0 ] || quietly as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y zorbly || true
  rm -rf "$tmp"
}
trap cleanup EXIT

say "installing $deb"
installed=1
quietly as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb" ||
  fail "apt-get install $deb failed"

said=$(/usr/games/zorbly --version) || fail "/usr/games/zorbly --version failed"
[ "$said" = "Zorbly $version" ] || fail "/usr/games/zorbly --version says '$said', the package is $version"

/usr/games/zorbly-headless --script tests/golden/ending.script >"$tmp/out" || fail "zorbly-headless failed the golden game"
printf 'state\n' | cat tests/golden/ending.script - | /usr/games/zorbly-headless | grep '"op":"state"' | tail -n 1 >"$tmp/state"
cmp -s "$tmp/state" tests/golden/ending.state || {
  diff "$tmp/state" tests/golden/ending.state >&2 || true
  fail "/usr/games/zorbly-headless did not end the golden game in tests/golden/ending.state"
}

# Where a desktop looks: the entry (its Exec found), every icon size, the metainfo.
entry=/usr/share/applications/zorbly.desktop
[ -f "$entry" ] || fail "no $entry"
desktop-file-validate "$entry" || fail "$entry does not validate"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -x "${exec_line%% *}" ] || fail "$entry runs ${exec_line%% *}, which is not there"
for size in 16 22 24 32 48 64 128 256; do
  icon=/usr/share/icons/hicolor/${size}x$size/apps/zorbly.png
  [ -f "$icon" ] || fail "no $icon"
  [ "$(file -b "$icon" | sed 's/.*data, \([0-9]*\) x \([0-9]*\),.*/\1x\2/')" = "${size}x$size" ] || fail "$icon is not $size px"
done
appstreamcli validate --no-net /usr/share/metainfo/io.github.zorbly.Zorbly.metainfo.xml >"$tmp/as" 2>&1 ||
  { cat "$tmp/as" >&2; fail "the installed metainfo does not validate"; }
# Where man looks: by name and section.
for page in zorbly zorbly-headless; do
  [ "$(man -w 6 "$page")" = "/usr/share/man/man6/$page.6.gz" ] || fail "man does not find $page(6)"
  MANWIDTH=80 man 6 "$page" 2>"$tmp/man.err" | grep -q "Zorbly $version" || fail "man 6 $page does not show Zorbly $version"
  [ ! -s "$tmp/man.err" ] || { cat "$tmp/man.err" >&2; fail "man 6 $page warned"; }
done

say "purging zorbly"
quietly as_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y zorbly || fail "apt-get purge zorbly failed"
installed=0
[ -z "$(dpkg-query -W -f='${Status}' zorbly 2>/dev/null || true)" ] || fail "dpkg still knows zorbly after the purge"
for f in $files; do
  [ ! -e "$f" ] || fail "$f is left after the purge"
done
for d in /usr/share/doc/zorbly /usr/share/zorbly; do
  [ ! -e "$d" ] || fail "$d is left after the purge"
done
say "installed, played ($version), found where desktops and man look, purged: nothing left"
