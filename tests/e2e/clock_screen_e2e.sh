#!/usr/bin/env bash
# The clock and the countdown of the real program under Wine show the local
# time and the time left to their target, read from X screenshots (Wine's own
# screen reads leave layered windows out).
#   clock_screen_e2e.sh BUILD_FOLDER SOURCE_FOLDER
set -uo pipefail
build=$1 src=$2
source "$src/tests/e2e/program_session.sh"

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

set_value Clock REG_DWORD 4
set_value ClockPos REG_SZ "50,15,50,15,50,15,300,200"
set_value ClockOnTop REG_DWORD 1
set_value Countdown REG_DWORD 3
set_value CountdownPos REG_SZ "50,400,50,400,500,200,50,400"
set_value CountdownDate REG_SZ "$(date -d "@$target" +%Y,%-m,%-d,%-H,%-M)"
set_value CountdownShowMsg REG_DWORD 0
set_value CountdownPlaySound REG_DWORD 0
set_value Billboard REG_DWORD 0
set_value Pause REG_DWORD 3000

start_program
/usr/bin/python3 "$src/tests/e2e/clock_screen_check.py" "$build/resources/art" "$src/objects/portable/clock_faces.h" \
  "${itime:-1}" "${idate:-1}" "$target" 300,200 500,200
