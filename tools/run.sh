#!/usr/bin/env bash
# Builds Waylune Desktop and starts it under Wine. On a machine without an X
# display it starts a virtual one and keeps screenshots of the desktop until
# interrupted. However it ends (Ctrl+C, the program ending or dying), it ends
# what it started: the program, the Wine server it started, the display.
#   WAYLUNE_RUN_EXE=program   run this Windows program instead, unbuilt
#   WAYLUNE_RUN_PREFIX=dir    Wine prefix (default build/win32/wineprefix)
#   WAYLUNE_RUN_SHOTS=n       screenshots kept (default 12)
#   WAYLUNE_RUN_SHOT_SECONDS=n  seconds between them (default 5)
#   WAYLUNE_RUN_SHOT_DIR=dir  where they go (default build/screenshots)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=tools/xvfb.sh
source "$here/xvfb.sh"  # xvfb_start, xvfb_stop
repo="$(cd "$here/.." && pwd)"
cd "$repo"

if [ -z "${WAYLUNE_RUN_EXE:-}" ]; then
  "$here/setup.sh"
  source "$here/env.sh"
  export CCACHE_BASEDIR="$repo" CCACHE_NOHASHDIR=1
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j "$(nproc)" --target WayluneDesktop
fi
exe="${WAYLUNE_RUN_EXE:-$repo/build/win32/bin/WayluneDesktop.exe}"
prefix="${WAYLUNE_RUN_PREFIX:-$repo/build/win32/wineprefix}"
keep_shots="${WAYLUNE_RUN_SHOTS:-12}"
shot_seconds="${WAYLUNE_RUN_SHOT_SECONDS:-5}"

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

# A new prefix is made before the display starts, with nothing on any screen.
"$here/wine-prefix.sh" "$prefix"

# A Wine server already serving the prefix (another program of the user's)
# is left alone; one this run starts is ended with it.
server_running() { WINEPREFIX="$prefix" timeout 1 wineserver -w >/dev/null 2>&1; [ $? = 124 ]; }
own_server=1
[ -d "$prefix" ] && server_running && own_server=""

xvfb_pid=""
program_pid=""
sleep_pid=""
shots=""
# Every step runs whatever the one before gave: under set -e a failed kill
# of a program that had already ended stopped the rest.
cleanup() {
  set +e
  trap '' INT TERM
  [ -n "$sleep_pid" ] && kill "$sleep_pid" 2>/dev/null
  if [ -n "$program_pid" ]; then
    # wine-run.sh ends its Wine program when it is told to end; what is left
    # after 5 s is killed, the program itself included.
    local program
    program=$(ps -o pid= --ppid "$program_pid" 2>/dev/null)
    kill "$program_pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$program_pid" $program 2>/dev/null
    wait "$program_pid" 2>/dev/null
  fi
  # Wine goes before the display: its processes report a broken X
  # connection when the display ends under them.
  if [ -n "$own_server" ]; then
    WINEPREFIX="$prefix" timeout 10 wineserver -k 2>/dev/null
    WINEPREFIX="$prefix" timeout 10 wineserver -w 2>/dev/null
  fi
  xvfb_stop "$xvfb_pid"
  # A screenshot cut short by the signal, or taken just before it.
  [ -n "$shots" ] && { rm -f "$shots"/*.tmp.png; prune_shots; }
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -z "${DISPLAY:-}" ]; then
  xvfb_start --own-session
  shots="${WAYLUNE_RUN_SHOT_DIR:-$repo/build/screenshots}"
  mkdir -p "$shots"
  echo "run: no display; started virtual display $DISPLAY (1280x800)"
  echo "run: every $shot_seconds s a screenshot of the desktop goes to $shots/desktop-TIME.png;" \
    "the last $keep_shots are kept, desktop.png is the newest"
fi

prune_shots() { ls -1 "$shots"/desktop-*.png 2>/dev/null | sort | head -n "-$keep_shots" | xargs -r rm -f; }
# The newest screenshot, named by its time; the oldest beyond the count go.
# The screen is read whole from the root window, as the display shows it:
# xwd -root reads Wine's windows one by one (they carry a colormap of their
# own), each as its whole rectangle, and shows figures and see-through parts
# black where the screen does not.
take_shot() {
  local name
  name="$shots/desktop-$(date +%Y%m%d-%H%M%S).png"
  import -window root -depth 8 "$name.tmp.png" 2>/dev/null || { rm -f "$name.tmp.png"; return 0; }
  mv "$name.tmp.png" "$name"
  cp "$name" "$shots/desktop.png.tmp.png" && mv "$shots/desktop.png.tmp.png" "$shots/desktop.png"
  prune_shots
}

"$here/wine-run.sh" --prefix "$prefix" "$exe" "$@" &
program_pid=$!
# Waits in the background, so Ctrl+C is taken at once rather than after a sleep.
while kill -0 "$program_pid" 2>/dev/null; do
  sleep "$shot_seconds" &
  sleep_pid=$!
  wait -n "$sleep_pid" "$program_pid" || true
  kill "$sleep_pid" 2>/dev/null || true
  sleep_pid=""
  [ -n "$shots" ] && kill -0 "$program_pid" 2>/dev/null && take_shot
done
rc=0
wait "$program_pid" || rc=$?
program_pid=""
exit "$rc"
