#!/usr/bin/env bash
# Makes a Wine prefix ready once; returns at once when it is.
#   wine-prefix.sh PREFIX
# Wine's first start in a new prefix (about 15 s) shows a "configuration is
# being updated" box: it is made here with no X display, so no screen shows
# it, and the console says what is going on. Parallel callers wait for the
# first one.
set -uo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX="$prefix" WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"

[ -f "$prefix/system.reg" ] && [ -f "$prefix/.no-crash-dialog" ] && [ ! -f "$prefix/.unmanaged-windows" ] && exit 0
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    echo "wine-prefix: making the Wine prefix $prefix (once, about 15 s)" >&2
    # No network here: keep Wine from offering to download its add-ons.
    env -u DISPLAY WINEDLLOVERRIDES="mscoree=d;mshtml=d" wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # A crash prints its backtrace and ends the program instead of waiting on
  # a dialog nobody will close (a test would hang until its timeout).
  if [ ! -f "$prefix/.no-crash-dialog" ]; then
    env -u DISPLAY wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 &&
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
