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
relay=""
cleanup() {
  [ -n "$child" ] && kill "$child" 2>/dev/null
  [ -n "$relay" ] && kill "$relay" 2>/dev/null
  [ -n "$xvfb_pid" ] && xvfb_stop "$xvfb_pid"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Made with no display, before one starts here.
"$here/wine-prefix.sh" "$prefix" || exit 1

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

# The first Wine program of a server session starts the server and the
# session's helpers (services, explorer, device drivers), and they keep its
# standard error open until the session ends, 3 s after its last program.
# CTest waits for a test's output to end, so a test whose program started the
# session did not end while other tests kept the session going (until its
# timeout). The program's standard error goes to a pipe of this script's
# instead, copied on until a mark written after the program has ended:
# whatever the program wrote lies before it.
err_pipe="$(mktemp -u "${TMPDIR:-/tmp}/wine-run-err.XXXXXX")"
mkfifo "$err_pipe" || exit 1
exec 8<>"$err_pipe"  # both ends: opening never waits, and a write never fails
rm -f "$err_pipe"
mark="wine-run-end-$$-$RANDOM$RANDOM"
# A blank line before the mark is the script's (it ends a last line the
# program left open): only the blank lines before it are copied.
{
  blank=0
  while IFS= read -r line; do
    [ "$line" = "$mark" ] && break
    if [ -z "$line" ]; then blank=$((blank + 1)); continue; fi
    for ((; blank > 0; blank--)); do echo; done
    printf '%s\n' "$line"
  done
  for ((; blank > 1; blank--)); do echo; done
} <&8 >&2 &
relay=$!
wine "$@" 2>&8 &
child=$!
wait "$child"
rc=$?
child=""
printf '\n%s\n' "$mark" >&8
wait "$relay"
relay=""
exit $rc
