#!/bin/sh
# Runs a Windows program under Wine, quietly, and passes its exit status
# through: the emulator through which CTest runs the Windows build's tests
# (cmake/mingw-w64.cmake), and a way to run zorbly.exe by hand.
#
#   cmake/wine-run.sh PROGRAM.exe [ARGUMENT...]
#   cmake/wine-run.sh wineserver -w     waits until the prefix's session has ended
#
# WINEPREFIX defaults to the one scripts/deps-windows.sh creates in the cache
# (scripts/lib.sh's $cache), so that no run pays Wine's slow first start.
# WINEDLLOVERRIDES keeps Wine from offering to install Mono and Gecko;
# WINEDEBUG=-all silences its debug output.
# shellcheck source=SCRIPTDIR/../scripts/lib.sh
. "$(dirname "$0")/../scripts/lib.sh"
WINEPREFIX=${WINEPREFIX:-$cache/windows/wine}
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if [ "${1:-}" = wineserver ]; then
  shift
  exec wineserver "$@"
fi

# The first program of a Wine session starts Wine's helpers (wineserver,
# services, the desktop) and they inherit its standard output and error; they
# keep them open until the session ends, seconds after the program exits, and
# whoever reads the program's output through a pipe (CTest) waits that long.
# So when no session runs, start one with a throwaway program that has no
# standard streams, under a lock so that tests run in parallel start one only.
# The session ends by itself 3 seconds after its last program.
if [ -f "$WINEPREFIX/system.reg" ] && command -v flock >/dev/null 2>&1; then
  (
    flock 9
    # wineserver exits with status 2 when a session runs already. Neither it
    # nor the helpers may inherit the lock (descriptor 9).
    if wineserver -p3 </dev/null >/dev/null 2>&1 9>&-; then
      wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
    fi
  ) 9>"$WINEPREFIX/.wine-run.lock" || true
fi
exec wine "$@"
