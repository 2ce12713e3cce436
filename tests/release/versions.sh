#!/bin/sh
# Every place a version shows agrees with project(VERSION) in CMakeLists.txt:
#
#   tests/release/versions.sh BUILD [RELEASE]
#
# BUILD is a native build folder: its version.txt, zorbly --version,
# zorbly-headless --version and the Windows resource script it configured.
# RELEASE (dist/release/ of scripts/release.sh), when given: the file names,
# the package's Version, its man pages and AppStream release, the web
# manifest and service worker, the Windows zip's folder, README.txt and the
# exe's version record, the source tarball's folder, SHA256SUMS.
# Says each disagreement on one line; exits 1 when there is any.
set -eu
cd "$(dirname "$0")/../.."
. scripts/lib.sh

if [ $# -lt 1 ] || [ $# -gt 2 ]; then say "usage: tests/release/versions.sh BUILD [RELEASE]"; exit 2; fi
build=$1
release=${2:-}
bad=0
differs() { say "$*"; bad=1; }

numbers=$(sed -n 's/^project(zorbly VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)
[ -n "$numbers" ] || fail "no project(zorbly VERSION x.y.z) in CMakeLists.txt"
major=${numbers%%.*}
rest=${numbers#*.}
minor=${rest%%.*}
patch=${rest#*.}
v="$major.$minor$patch"
say "project(VERSION $numbers): the version is $v"

[ "$(cat "$build/version.txt")" = "$v" ] || differs "$build/version.txt says $(cat "$build/version.txt")"
for program in "$build/app/zorbly" "$build/headless/zorbly-headless"; do
  [ -x "$program" ] || continue
  said=$("$program" --version) || differs "$program --version failed"
  [ "$said" = "Zorbly $v" ] || differs "$program --version says '$said'"
done
rc="$build/packaging/windows/zorbly.rc"
grep -q "^FILEVERSION $major,$minor,$patch,0\$" "$rc" || differs "$rc: FILEVERSION is not $major,$minor,$patch,0"
grep -q "^PRODUCTVERSION $major,$minor,$patch,0\$" "$rc" || differs "$rc: PRODUCTVERSION is not $major,$minor,$patch,0"
[ "$(grep -c "Version\", \"$v\"" "$rc")" -eq 2 ] || differs "$rc: FileVersion and ProductVersion are not \"$v\""

if [ -n "$release" ]; then
  deb="$release/zorbly_${v}_amd64.deb"
  win="$release/zorbly-$v-windows-x64.zip"
  web="$release/zorbly-$v-web.zip"
  src="$release/zorbly-$v.tar.gz"
  for f in "$deb" "$win" "$web" "$src" "$release/SHA256SUMS"; do
    [ -f "$f" ] || differs "no $f"
  done
  for f in "$release"/*; do
    case "${f##*/}" in
      "${deb##*/}" | "${win##*/}" | "${web##*/}" | "${src##*/}" | SHA256SUMS) ;;
      *) differs "$f: a file of another version, or not of a release" ;;
    esac
  done
  [ "$bad" -eq 0 ] || exit 1
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT

  [ "$(dpkg-deb -f "$deb" Version)" = "$v" ] || differs "$deb: Version is $(dpkg-deb -f "$deb" Version)"
  dpkg-deb -x "$deb" "$tmp/deb"
  for page in zorbly zorbly-headless; do
    th=$(gzip -dc "$tmp/deb/usr/share/man/man6/$page.6.gz" | grep '^\.TH')
    case "$th" in *"\"Zorbly $v\""*) ;; *) differs "$page.6: $th" ;; esac
  done
  grep -q "<release version=\"$v\"" "$tmp/deb/usr/share/metainfo/"*.metainfo.xml ||
    differs "the metainfo has no release $v"
  gzip -dc "$tmp/deb/usr/share/doc/zorbly/changelog.gz" | head -n 1 | grep -q "^zorbly ($v)" ||
    differs "changelog.gz does not begin with $v"

  mkdir "$tmp/web" "$tmp/win"
  quietly unzip -q "$web" -d "$tmp/web" || differs "$web: unzip failed"
  grep -q "\"version\": \"$v\"" "$tmp/web/manifest.webmanifest" || differs "manifest.webmanifest: not version $v"
  grep -q "'zorbly-$v-" "$tmp/web/service-worker.js" || differs "service-worker.js: its cache is not zorbly-$v"

  quietly unzip -q "$win" -d "$tmp/win" || differs "$win: unzip failed"
  [ -d "$tmp/win/zorbly-$v" ] || differs "$win: no folder zorbly-$v"
  grep -q "Zorbly $v" "$tmp/win/zorbly-$v/README.txt" || differs "$win: README.txt does not say Zorbly $v"
  if command -v wrestool >/dev/null 2>&1; then
    wrestool -x --raw --type=16 "$tmp/win/zorbly-$v/zorbly.exe" | iconv -f UTF-16LE -t UTF-8 2>/dev/null |
      tr -c '[:print:]' '\n' | grep -qx "$v" || differs "zorbly.exe: its version record does not say $v"
  fi

  tar -tzf "$src" | grep -v "^zorbly-$v/" | head -n 1 | grep -q . && differs "$src: not all in zorbly-$v/"
  (cd "$release" && sha256sum --quiet -c SHA256SUMS) || differs "SHA256SUMS does not match"
  [ "$(wc -l <"$release/SHA256SUMS")" -eq 4 ] || differs "SHA256SUMS does not name the four files"
fi
[ "$bad" -eq 0 ] || exit 1
say "every version is $v"
