#!/usr/bin/env bash
# The clock and the countdown of the real program under Wine show the local
# time and the time left to their target, read from X screenshots (Wine's own
# screen reads leave layered windows out).
#   clock_screen_e2e.sh BUILD_FOLDER SOURCE_FOLDER
set -uo pipefail
build=$1 src=$2
prefix="$build/wineprefix"
run() { "$src/tools/wine-run.sh" --prefix "$prefix" "$@"; }

xvfb_pid=""
program=""
key='HKCU\Software\Kestrima\Desktop\DesktopWaylune'
values="Clock ClockPos ClockOnTop Countdown CountdownPos CountdownDate CountdownShowMsg CountdownPlaySound Billboard Pause"
cleanup() {
  if [ -n "$program" ]; then
    run "$build/bin/WayluneDesktop.exe" EXIT >/dev/null 2>&1
    wait "$program" 2>/dev/null
  fi
  for value in $values; do run reg delete "$key" /v "$value" /f >/dev/null 2>&1; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  source "$src/tools/xvfb.sh"
  xvfb_start || exit 1
fi

# The regional formats the program reads for its faces.
regional() {
  run reg query 'HKCU\Control Panel\International' /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v v="$1" '$1 == v { print $3 }'
}
itime=$(regional iTime)
idate=$(regional iDate)

# A target 3 days, 4 hours and 6 minutes from this minute.
now=$(date +%s)
target=$(( now / 60 * 60 + ((3 * 24 + 4) * 60 + 6) * 60 ))
date_list=$(date -d "@$target" +%Y,%-m,%-d,%-H,%-M)

add() { run reg add "$key" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }
add Clock REG_DWORD 4
add ClockPos REG_SZ "50,15,50,15,50,15,300,200"
add ClockOnTop REG_DWORD 1
add Countdown REG_DWORD 3
add CountdownPos REG_SZ "50,400,50,400,500,200,50,400"
add CountdownDate REG_SZ "$date_list"
add CountdownShowMsg REG_DWORD 0
add CountdownPlaySound REG_DWORD 0
add Billboard REG_DWORD 0
add Pause REG_DWORD 3000

run "$build/bin/WayluneDesktop.exe" >/dev/null 2>&1 &
program=$!
/usr/bin/python3 "$src/tests/e2e/clock_screen_check.py" "$build/resources/art" "$src/objects/clock_faces.h" \
  "${itime:-1}" "${idate:-1}" "$target"
