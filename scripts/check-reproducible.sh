#!/bin/sh
# Checks that a release is reproducible: runs scripts/release.sh in two fresh
# clones of the commit checked out, at different paths, one after the other
# (so at different times), with different time zones, umasks and locales,
# and compares every file of their dist/release/ byte for byte. Where two
# files differ, diffoscope says how (scripts/install-deps.sh reproducible).
#
#   scripts/check-reproducible.sh        # about twice as long as release.sh
#
# The clones are made in a temporary folder (ZORBLY_REPRODUCIBLE_DIR to
# choose it; it is kept when they differ, to look at). Exits 1 when any file
# differs.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib.sh
root=$PWD

scripts/install-deps.sh reproducible
commit=$(git rev-parse --verify -q HEAD) || fail "not a git work tree with a commit"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  say "the work tree has changes that are not committed: the clones build $commit without them"

work=${ZORBLY_REPRODUCIBLE_DIR:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
first="$work/one/zorbly"
second="$work/two/a-longer-path/zorbly-again"
for clone in "$first" "$second"; do
  rm -rf "$clone"
  mkdir -p "$(dirname "$clone")"
  quietly git clone --no-hardlinks "$root" "$clone" || fail "git clone failed"
  git -C "$clone" checkout -q --detach "$commit"
  # The page's test tools as they are here: no network needed for them.
  [ ! -d web/node_modules ] || cp -a web/node_modules "$clone/web/node_modules"
done

say "the first release, in $first"
(cd "$first" && TZ=UTC LC_ALL=C.UTF-8 sh -c 'umask 022; exec scripts/release.sh') ||
  fail "release.sh failed in $first"
say "the second release, in $second"
(cd "$second" && TZ=Asia/Tokyo LC_ALL=C sh -c 'umask 002; exec scripts/release.sh') ||
  fail "release.sh failed in $second"

a="$first/dist/release"
b="$second/dist/release"
(cd "$a" && ls) >"$work/one.list"
(cd "$b" && ls) >"$work/two.list"
cmp -s "$work/one.list" "$work/two.list" || { diff "$work/one.list" "$work/two.list" >&2 || true; fail "the releases hold other files"; }
same=0
differ=0
while read -r f; do
  if cmp -s "$a/$f" "$b/$f"; then
    say "same: $f ($(stat -c %s "$a/$f") bytes, sha256 $(sha256sum <"$a/$f" | cut -c 1-16))"
    same=$((same + 1))
  else
    say "DIFFERS: $f"
    differ=$((differ + 1))
    diffoscope --text "$work/$f.diffoscope.txt" "$a/$f" "$b/$f" >/dev/null 2>&1 || true
    head -n 60 "$work/$f.diffoscope.txt" >&2 || true
  fi
done <"$work/one.list"
if [ "$differ" -gt 0 ]; then
  fail "$differ of $((same + differ)) files differ; diffoscope's reports are in $work/"
fi
[ -n "${ZORBLY_REPRODUCIBLE_DIR:-}" ] || rm -rf "$work"
say "all $same files are the same, byte for byte"
