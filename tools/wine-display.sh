#!/usr/bin/env bash
# One virtual X display for all Wine programs of a prefix during a test run.
#   wine-display.sh start|stop PREFIX
# The programs of a prefix share one wineserver, and with it X window ids:
# a program on another display than the one that made a window fails on it
# (BadWindow) and dies. start leaves the display's number and pid in
# PREFIX.display, which wine-run.sh uses when DISPLAY is unset; stop ends the
# prefix's Wine processes, then the display. With DISPLAY set both do
# nothing: every program already shares that display.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
action=${1:-} prefix=${2:-}
[ -n "$prefix" ] && { [ "$action" = start ] || [ "$action" = stop ]; } ||
  { echo "usage: wine-display.sh start|stop PREFIX" >&2; exit 2; }
file="$prefix.display"

stop_recorded() {
  [ -f "$file" ] || return 0
  local number pid
  read -r number pid <"$file"
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null
  WINEPREFIX="$prefix" timeout 10 wineserver -w 2>/dev/null
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -f "$file"
}

if [ "$action" = stop ]; then
  stop_recorded
  exit 0
fi
[ -n "${DISPLAY:-}" ] && exit 0
if [ -f "$file" ]; then
  read -r number pid <"$file"
  kill -0 "$pid" 2>/dev/null && exit 0  # still there: shared
  rm -f "$file"  # left by a run that was cut short
fi
mkdir -p "$(dirname "$prefix")"
source "$here/xvfb.sh"
# Its own session: it outlives this script, until stop.
xvfb_start --own-session || exit 1
echo "${DISPLAY#:} $xvfb_pid" >"$file"
echo "wine-display: $DISPLAY for $prefix"
