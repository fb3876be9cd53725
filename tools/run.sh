#!/usr/bin/env bash
# Builds Waylune Desktop and starts it under Wine. On a machine without an X
# display it starts a virtual one and saves a screenshot of the desktop every
# few seconds until interrupted.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
cd "$repo"
"$here/setup.sh"
source "$here/env.sh"
export CCACHE_BASEDIR="$repo" CCACHE_NOHASHDIR=1

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)" --target WayluneDesktop

exe="$repo/build/win32/bin/WayluneDesktop.exe"

# Wine's debug channels stay off; without a sound card its ALSA and Pulse
# drivers would fill the console with their failed probes, so they are
# switched off and the program runs without a sound device.
export WINEDEBUG="${WINEDEBUG:--all}"
have_sound_card() {
  grep -q '^ *[0-9]' /proc/asound/cards 2>/dev/null && return 0
  [ -n "${PULSE_SERVER:-}" ] || [ -S "${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/pulse/native" ]
}
if [ -z "${WINEDLLOVERRIDES:-}" ] && ! have_sound_card; then
  export WINEDLLOVERRIDES="winealsa.drv,winepulse.drv,wineoss.drv=d"
  echo "run: no sound card found; the program runs without a sound device"
fi
prefix="$repo/build/win32/wineprefix"
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  # Wine goes first: its processes report a broken X connection when the
  # display ends under them.
  [ -n "$xvfb_pid" ] && {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    WINEPREFIX="$prefix" timeout 10 wineserver -w 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
  }
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
  source "$here/xvfb.sh"
  xvfb_start --own-session
  shots="$repo/build/screenshots"
  mkdir -p "$shots"
  echo "run: no display; started virtual display $DISPLAY (1280x800)"
  echo "run: a screenshot of the desktop is saved every 5 s to $shots/desktop.png"
  "$here/wine-run.sh" --prefix "$prefix" "$exe" "$@" &
  program_pid=$!
  while kill -0 "$program_pid" 2>/dev/null; do
    sleep 5
    xwd -root -silent 2>/dev/null | convert xwd:- "$shots/desktop.png.tmp.png" 2>/dev/null \
      && mv "$shots/desktop.png.tmp.png" "$shots/desktop.png"
  done
  wait "$program_pid" || true
  program_pid=""
else
  exec "$here/wine-run.sh" --prefix "$prefix" "$exe" "$@"
fi
