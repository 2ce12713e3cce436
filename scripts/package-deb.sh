#!/bin/sh
# Makes the Debian package of Zorbly from a native Release build with Debian's
# own tools (dpkg-shlibdeps for the dependencies, dpkg-deb for the archive):
#
#   scripts/package-deb.sh BUILD OUT     # leaves OUT/zorbly_VERSION_amd64.deb
#
# BUILD holds app/zorbly and headless/zorbly-headless (ZORBLY_TESTS and
# ZORBLY_BENCH may be off) and version.txt. What goes in, from packaging/:
#
#   /usr/games/zorbly, zorbly-headless                   stripped
#   /usr/share/man/man6/zorbly.6.gz, zorbly-headless.6.gz
#   /usr/share/applications/zorbly.desktop               Exec in /usr/games
#   /usr/share/icons/hicolor/NxN/apps/zorbly.png         packaging/icons/
#   /usr/share/metainfo/io.github.zorbly.Zorbly.metainfo.xml
#   /usr/share/zorbly/screenshot.png                     the metainfo's screenshot
#   /usr/share/doc/zorbly/copyright, changelog.gz
#
# The version comes from the build, the dates from SOURCE_DATE_EPOCH (else
# the last commit): the same build gives the same bytes (sorted members,
# root's ownership, file times no later than that date, gzip -n).
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

[ $# -eq 2 ] || { say "usage: scripts/package-deb.sh BUILD OUT"; exit 2; }
build=$1
out=$2
need dpkg-deb dpkg-shlibdeps strip gzip
for f in "$build/version.txt" "$build/app/zorbly" "$build/headless/zorbly-headless"; do
  [ -f "$f" ] || fail "no $f: build the game there first"
done
version=$(cat "$build/version.txt")
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
day=$(date -u -d "@$epoch" +%Y-%m-%d)
stamp=$(LC_ALL=C date -u -d "@$epoch" -R)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/zorbly"
umask 022
mkdir -p "$root/DEBIAN" "$root/usr/games" "$root/usr/share/man/man6" "$root/usr/share/applications" \
  "$root/usr/share/metainfo" "$root/usr/share/zorbly" "$root/usr/share/doc/zorbly"

for program in app/zorbly headless/zorbly-headless; do
  name=${program#*/}
  install -m 755 "$build/$program" "$root/usr/games/$name"
  strip --strip-unneeded --remove-section=.comment --remove-section=.note "$root/usr/games/$name"
done
fill() { sed "s/@VERSION@/$version/g; s/@DATE@/$2/g" "$1"; }
for page in zorbly zorbly-headless; do
  fill "packaging/debian/$page.6" "$day" | gzip -9n >"$root/usr/share/man/man6/$page.6.gz"
done
# Desktops started without /usr/games on PATH still find the game.
sed 's|^Exec=zorbly |Exec=/usr/games/zorbly |' packaging/zorbly.desktop >"$root/usr/share/applications/zorbly.desktop"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$root/usr/share/icons/hicolor/${size}x$size/apps"
  cp packaging/icons/zorbly-$size.png "$root/usr/share/icons/hicolor/${size}x$size/apps/zorbly.png"
done
fill packaging/debian/io.github.zorbly.Zorbly.metainfo.xml.in "$day" \
  >"$root/usr/share/metainfo/io.github.zorbly.Zorbly.metainfo.xml"
cp packaging/debian/screenshot.png "$root/usr/share/zorbly/screenshot.png"
cp packaging/debian/copyright "$root/usr/share/doc/zorbly/copyright"
fill packaging/debian/changelog.in "$stamp" | gzip -9n >"$root/usr/share/doc/zorbly/changelog.gz"

# The dependencies: the libraries the programs link, as Debian names them.
mkdir -p "$work/shlibs/debian"
printf 'Source: zorbly\n\nPackage: zorbly\nArchitecture: amd64\n' >"$work/shlibs/debian/control"
depends=$(cd "$work/shlibs" && dpkg-shlibdeps -O "$root/usr/games/zorbly" "$root/usr/games/zorbly-headless" 2>"$work/shlibdeps.log") ||
  { cat "$work/shlibdeps.log" >&2; fail "dpkg-shlibdeps failed"; }
depends=${depends#shlibs:Depends=}
[ -n "$depends" ] || fail "dpkg-shlibdeps found no dependencies"

(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"
size=$(du -k -s --apparent-size --exclude=DEBIAN "$root" | cut -f 1)
sed "s/@VERSION@/$version/; s/@SIZE@/$size/; s/@DEPENDS@/$depends/" packaging/debian/control.in >"$root/DEBIAN/control"
chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -exec touch -h -d "@$epoch" {} +

mkdir -p "$out"
deb="$out/zorbly_${version}_amd64.deb"
rm -f "$deb"
SOURCE_DATE_EPOCH=$epoch quietly dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" || fail "dpkg-deb failed"
say "$deb ($(stat -c %s "$deb") bytes; depends on $depends)"
