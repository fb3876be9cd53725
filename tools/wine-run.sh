#!/usr/bin/env bash
# Runs a Windows program under Wine and returns its exit code.
#   wine-run.sh [--prefix DIR] program.exe [args...]
# One Wine prefix per build folder, made once. Starts a virtual X display when
# there is none and ends only what it started.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

prefix="${WINEPREFIX:-}"
if [ "${1:-}" = --prefix ]; then prefix=$2; shift 2; fi
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--prefix DIR] program.exe [args...]" >&2; exit 2; }
[ -n "$prefix" ] || prefix="$PWD/wineprefix"
mkdir -p "$(dirname "$prefix")"
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"
export WINEPREFIX="$prefix" WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"

xvfb_pid=""
child=""
cleanup() {
  [ -n "$child" ] && kill "$child" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The display a test run made for this prefix (wine-display.sh), if it is
# still there: every program of a prefix must draw on the same one.
if [ -z "${DISPLAY:-}" ] && [ -f "$prefix.display" ]; then
  read -r number pid <"$prefix.display"
  kill -0 "$pid" 2>/dev/null && export DISPLAY=":$number"
fi
if [ -z "${DISPLAY:-}" ]; then
  source "$here/xvfb.sh"
  xvfb_start || exit 1
fi

# Make the prefix once; parallel test runs wait for the first one.
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    # No network here: keep Wine from offering to download its add-ons.
    WINEDLLOVERRIDES="mscoree=d;mshtml=d" wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # A crash prints its backtrace and ends the program instead of waiting on
  # a dialog nobody will close (a test would hang until its timeout).
  if [ ! -f "$prefix/.no-crash-dialog" ]; then
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
      wineserver -w && touch "$prefix/.no-crash-dialog"
  fi
  # Prefixes that were briefly set to manage no window get Wine's default
  # back: unmanaged windows met X errors (BadWindow on unmap) under load.
  if [ -f "$prefix/.unmanaged-windows" ]; then
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
    wineserver -w
    rm -f "$prefix/.unmanaged-windows"
  fi
) 9>"$prefix.lock"

wine "$@" &
child=$!
wait "$child"
rc=$?
child=""
exit $rc
