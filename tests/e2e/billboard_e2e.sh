#!/usr/bin/env bash
# The billboard of the real program under Wine: a picture folder with BMP,
# JPEG and PNG files (and broken ones) made by Pillow, set through the
# registry; the paster pastes them one after another and the billboard's
# pixels (seen from the X side) are compared with the expected pictures.
#   billboard_e2e.sh BUILD_FOLDER SOURCE_FOLDER
set -uo pipefail
build=$1 src=$2
prefix="$build/wineprefix"
run() { "$src/tools/wine-run.sh" --prefix "$prefix" "$@"; }
work="$build/tests/e2e/billboard"
rm -rf "$work"
mkdir -p "$work/pictures"

xvfb_pid=""
program=""
key='HKCU\Software\Kestrima\Desktop\DesktopWaylune'
values="Pause Speed Billboard BillboardX BillboardNotDA Calendar Clock HG FigDeactive BMPpath TXTpath DebugOn DebugFileName"
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

/usr/bin/python3 "$src/tests/e2e/billboard_check.py" make "$work/pictures" || exit 1
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
off=$(seq 1 91 | grep -vx 27 | paste -sd,)
set_dword() { run reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
set_text() { run reg add "$key" /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1; }
set_dword Pause 100
set_dword Speed 20
set_dword Billboard 1
set_dword BillboardX 10
set_dword BillboardNotDA 1
set_dword Calendar 0
set_dword Clock 0
set_dword HG 0
set_dword DebugOn 1
set_text DebugFileName "$(winpath "$work/billboard.log")"
set_text FigDeactive "$off"
set_text BMPpath "$(winpath "$work/pictures")\\*.*"
set_text TXTpath " "

run "$build/bin/WayluneDesktop.exe" >/dev/null 2>&1 &
program=$!
/usr/bin/python3 "$src/tests/e2e/billboard_check.py" check "$work/pictures" "$work/billboard.log" "$program"
