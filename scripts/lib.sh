# shellcheck shell=sh
# What the scripts in scripts/ share. Each one goes to the repository's root
# and sources it first:
#
#   cd "$(dirname "$0")/.."
#   . scripts/lib.sh
#
# and then has:
#
#   say MESSAGE...          one line on standard error, after the script's
#                           name ("build-web: building in build-web")
#   fail MESSAGE...         says it and exits with status 1
#   logged LOG COMMAND...   runs COMMAND with its output appended to the file
#                           LOG and returns its status; when it fails, shows
#                           the last 40 lines it wrote there
#   quietly COMMAND...      the same with a log of its own, thrown away: the
#                           output is seen only when the command fails
#   need COMMAND...         fails unless every COMMAND is on PATH
#   as_root COMMAND...      runs COMMAND as root: through sudo when not root
#   install_packages PACKAGE...
#                           installs with apt-get those of the Debian packages
#                           named that are missing (scripts/install-deps.sh
#                           knows which ones each build needs)
#   absolute PATH           prints PATH made absolute from the current folder
#   $cache                  where what is made once is kept, outside the work
#                           tree: $ZORBLY_CACHE, else $XDG_CACHE_HOME/zorbly,
#                           else ~/.cache/zorbly
#
# POSIX sh (measure.sh, a bash script, sources it too). Sourcing it sets no
# shell option and changes no folder.

script_name=$(basename "$0" .sh)
# shellcheck disable=SC2034 # for the scripts that source this
cache=${ZORBLY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zorbly}

say() { printf '%s: %s\n' "$script_name" "$*" >&2; }

fail() {
  say "$@"
  exit 1
}

# A subshell each, so that a command run by one of them may run the other.
logged() (
  log=$1
  shift
  : >>"$log" || exit 1
  from=$(($(wc -c <"$log") + 1))
  status=0
  "$@" >>"$log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || tail -c "+$from" "$log" | tail -n 40 >&2
  exit "$status"
)

quietly() (
  log=$(mktemp) || exit 1
  status=0
  logged "$log" "$@" || status=$?
  rm -f "$log"
  exit "$status"
)

need() {
  for need_command in "$@"; do
    command -v "$need_command" >/dev/null 2>&1 || fail "$need_command is not on PATH"
  done
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

install_packages() {
  command -v dpkg-query >/dev/null 2>&1 ||
    fail "no dpkg-query: these scripts install what Zorbly needs on Debian 12 or later only"
  install_missing=""
  for install_package in "$@"; do
    case " $install_missing " in *" $install_package "*) continue ;; esac
    # shellcheck disable=SC2016 # ${Status} is dpkg-query's
    [ "$(dpkg-query -W -f='${Status}' "$install_package" 2>/dev/null)" = "install ok installed" ] ||
      install_missing="$install_missing $install_package"
  done
  [ -n "$install_missing" ] || return 0
  [ "$(id -u)" -eq 0 ] || command -v sudo >/dev/null 2>&1 ||
    fail "installing$install_missing needs root: run this as root (there is no sudo)"
  say "installing$install_missing"
  quietly as_root apt-get update || fail "apt-get update failed"
  # shellcheck disable=SC2086 # the packages are separate words
  quietly as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends $install_missing ||
    fail "apt-get install$install_missing failed"
}

absolute() {
  case "$1" in
    /*) printf '%s\n' "$1" ;;
    *) printf '%s\n' "$PWD/$1" ;;
  esac
}
