#!/bin/sh
# Fetches and unpacks the Debian source package PACKAGE into the cache and
# prints the folder of its source tree. Used to build libraries that Debian
# ships only for Linux (SDL2) for Windows and for the browser.
#
#   scripts/debian-source.sh PACKAGE      -> $cache/src/PACKAGE-VERSION
#
# The cache is ~/.cache/zorbly (ZORBLY_CACHE to move it; scripts/lib.sh),
# outside the work tree. A second call for the same version fetches nothing.
# On first use it installs dpkg-dev (scripts/install-deps.sh sources), adds a
# deb-src entry for the machine's own suites (not the security suite, whose
# source files are not always served) and runs apt-get update. Messages go to
# standard error, one line each; standard output holds only the folder.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh

[ $# -eq 1 ] || { say "usage: scripts/debian-source.sh PACKAGE"; exit 2; }
package=$1

scripts/install-deps.sh sources

# The source version apt would fetch, or "" when apt knows no such source.
source_version() {
  apt-cache showsrc "$package" 2>/dev/null | awk '/^Version:/ { print $2; exit }'
}

version=$(source_version)
if [ -z "$version" ]; then
  list=/etc/apt/sources.list.d/zorbly-deb-src.sources
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:?}")
  say "adding $list (deb-src for $codename, $codename-updates)"
  printf '%s\n' \
    "# Added by Zorbly's scripts/debian-source.sh: source packages to cross-build." \
    "Types: deb-src" \
    "URIs: http://deb.debian.org/debian" \
    "Suites: $codename $codename-updates" \
    "Components: main" \
    "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | as_root tee "$list" >/dev/null
  quietly as_root apt-get update || fail "apt-get update failed"
  version=$(source_version)
  [ -n "$version" ] || fail "no source package $package"
fi

upstream=${version#*:}
upstream=${upstream%-*}
tree="$cache/src/$package-$upstream"
stamp="$cache/src/$package-$version.unpacked"
if [ ! -f "$stamp" ]; then
  say "fetching the source of $package $version"
  mkdir -p "$cache/src"
  work=$(mktemp -d "$cache/src/.fetch.XXXXXX")
  (cd "$work" && quietly apt-get source -qq "$package=$version") || fail "apt-get source $package=$version failed"
  rm -rf "$tree"
  found=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$found" ] || fail "apt-get source left no tree"
  mv "$found" "$tree"
  rm -rf "$work"
  touch "$stamp"
fi
printf '%s\n' "$tree"
