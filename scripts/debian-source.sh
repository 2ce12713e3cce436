#!/bin/sh
# Fetches and unpacks the Debian source package PACKAGE into the cache and
# prints the folder of its source tree. Used to build libraries that Debian
# ships only for Linux (SDL2) for Windows and for the browser.
#
#   scripts/debian-source.sh PACKAGE      -> $cache/src/PACKAGE-VERSION
#
# The cache is ${ZORBLY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorbly}, outside
# the work tree. A second call for the same version fetches nothing. On first
# use it adds a deb-src entry for the machine's own suites (not the security
# suite, whose source files are not always served) and runs apt-get update.
set -eu

package=${1:?usage: scripts/debian-source.sh PACKAGE}
cache=${ZORBLY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorbly}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

say() { printf 'debian-source: %s\n' "$*" >&2; }

# dpkg-dev unpacks source packages.
if ! command -v dpkg-source >/dev/null; then
  say "installing dpkg-dev"
  $sudo apt-get update >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends dpkg-dev >&2
fi

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
    "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | $sudo tee "$list" >/dev/null
  $sudo apt-get update >&2
  version=$(source_version)
  [ -n "$version" ] || { say "no source package $package"; exit 1; }
fi

upstream=${version#*:}
upstream=${upstream%-*}
tree="$cache/src/$package-$upstream"
stamp="$cache/src/$package-$version.unpacked"
if [ ! -f "$stamp" ]; then
  say "fetching the source of $package $version"
  mkdir -p "$cache/src"
  work=$(mktemp -d "$cache/src/.fetch.XXXXXX")
  (cd "$work" && apt-get source -qq "$package=$version" >&2)
  rm -rf "$tree"
  found=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$found" ] || { say "apt-get source left no tree"; exit 1; }
  mv "$found" "$tree"
  rm -rf "$work"
  touch "$stamp"
fi
printf '%s\n' "$tree"
