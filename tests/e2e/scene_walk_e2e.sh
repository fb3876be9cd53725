#!/usr/bin/env bash
# A figure walks along the bottom of the screen: the real program under Wine,
# seen from the X side (Wine's own screen reads leave layered windows out).
#   scene_walk_e2e.sh BUILD_FOLDER SOURCE_FOLDER
set -uo pipefail
build=$1 src=$2
prefix="$build/wineprefix"
run() { "$src/tools/wine-run.sh" --prefix "$prefix" "$@"; }

xvfb_pid=""
program=""
key='HKCU\Software\Kestrima\Desktop\DesktopWaylune'
cleanup() {
  if [ -n "$program" ]; then
    run "$build/bin/WayluneDesktop.exe" EXIT >/dev/null 2>&1
    wait "$program" 2>/dev/null
  fi
  for value in Pause Speed Billboard FigDeactive; do run reg delete "$key" /v $value /f >/dev/null 2>&1; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  source "$src/tools/xvfb.sh"
  xvfb_start || exit 1
fi

# Only Ravi Quenn (figure 2), the shortest pause, a quick pace.
off=$(seq 1 91 | grep -vx 2 | paste -sd,)
run reg add "$key" /v Pause /t REG_DWORD /d 100 /f >/dev/null 2>&1
run reg add "$key" /v Speed /t REG_DWORD /d 30 /f >/dev/null 2>&1
run reg add "$key" /v Billboard /t REG_DWORD /d 0 /f >/dev/null 2>&1
run reg add "$key" /v FigDeactive /t REG_SZ /d "$off" /f >/dev/null 2>&1

run "$build/bin/WayluneDesktop.exe" >/dev/null 2>&1 &
program=$!
/usr/bin/python3 "$src/tests/e2e/scene_walk_check.py"
