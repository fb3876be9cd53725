#!/usr/bin/env bash
# Starts the program many times in ways that race, with Wine's heap checks
# on, and keeps the logs of every start that went wrong.
#   race-starts.sh [--rounds N] [--jobs J] [--modes "new-prefix exit-cold two-at-once"] [--out DIR]
#                  [--exe PROGRAM]
# Modes, one start each round:
#   new-prefix   the first start in a new Wine prefix, as wine-run.sh makes it
#   exit-cold    a start on a cold Wine server, EXIT 0.5 s later
#   two-at-once  two starts at the same moment on a cold server, then EXIT
#   exit-scene   a start that runs until its first scene begins (every object
#                relayouts then), EXIT up to 3 s into the scene
# A start goes wrong when its clock is not drawn within 15 s, when it does
# not end within 20 s of EXIT, or when its console shows a heap complaint;
# its console, debug log and a screenshot stay in DIR/fail-*. With
# RACE_SOUND=1 the program plays on a null ALSA device instead of having none.
# However it ends (Ctrl+C, SIGTERM), each round ends its starts, its Wine
# server and its display, every wait bounded.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=tools/xvfb.sh
source "$here/xvfb.sh"  # xvfb_start, xvfb_stop
repo="$(cd "$here/.." && pwd)"
rounds=20 jobs=2 modes="new-prefix exit-cold two-at-once exit-scene" out="$repo/build/race-starts"
exe="$repo/build/win32/bin/WayluneDesktop.exe"
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --modes) modes=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    *) echo "usage: race-starts.sh [--rounds N] [--jobs J] [--modes LIST] [--out DIR] [--exe PROGRAM]" >&2; exit 2 ;;
  esac
done
base_prefix="$repo/build/win32/wineprefix"
[ -f "$exe" ] || { echo "build the win32 preset first" >&2; exit 2; }
mkdir -p "$out"
out="$(cd "$out" && pwd)"  # Wine takes only an absolute prefix
export WINEDEBUG="${WINEDEBUG:-warn+heap,err+all}"
if [ -n "${RACE_SOUND:-}" ]; then
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winepulse.drv,wineoss.drv=d}"
  export ALSA_CONFIG_PATH="$repo/soundlib/output/win32/alsa-null.conf"
else
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winealsa.drv,winepulse.drv,wineoss.drv=d}"
fi

# The program's windows with their sizes; the clock is the window of its face.
program_windows() {
  xwininfo -root -tree 2>/dev/null | grep -i 'waylunedesktop.exe' |
    sed -nE 's/.*(0x[0-9a-f]+).* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+) .*/\1 \2 \3 \4 \5/p'
}
# True when a viewable program window other than the billboard shows
# something that is not black (the clock's face).
clock_drawn() {
  local id w h x y
  while read -r id w h x y; do
    [ "$w$h" = 168149 ] && continue
    [ "$w" -lt 40 ] || [ "$h" -lt 40 ] && continue
    xwininfo -id "$id" 2>/dev/null | grep -q IsViewable || continue
    [ "$x" -lt 0 ] || [ "$y" -lt 0 ] && continue
    local mean
    mean=$(import -window root -crop "${w}x${h}+${x}+${y}" +repage -format '%[fx:mean]' info: 2>/dev/null)
    [ -n "$mean" ] && awk -v m="$mean" 'BEGIN{exit !(m > 0.05)}' && return 0
  done < <(program_windows)
  return 1
}

# One round in its own display and its own prefix (a copy, or a new one).
one_round() {
  local mode=$1 n=$2 dir="$out/run-$mode-$n" ok=1 reason=""
  rm -rf "$dir"; mkdir -p "$dir"
  (
    echo "$BASHPID" >"$dir/round.pid"  # for the script's end on a signal
    local first="" second="" xvfb_pid=""
    # Either of two starts at once may become the instance.
    running() { kill -0 "$first" 2>/dev/null || { [ -n "$second" ] && kill -0 "$second" 2>/dev/null; }; }
    # However the round ends: its starts first (one still making the prefix
    # would start a new server after the kill), then the prefix's server,
    # then the display.
    end_round() {
      trap '' INT TERM HUP
      kill $first $second 2>/dev/null
      for _ in $(seq 300); do running || break; sleep 0.1; done
      WINEPREFIX="$dir/prefix" timeout 10 wineserver -k 2>/dev/null
      WINEPREFIX="$dir/prefix" timeout 20 wineserver -w 2>/dev/null
      xvfb_stop "$xvfb_pid"
      rm -f "$dir/round.pid"
      return 0
    }
    trap end_round EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    xvfb_start || exit 3
    export WINEPREFIX="$dir/prefix" WINEARCH=win32
    if [ "$mode" != new-prefix ]; then cp -a "$base_prefix" "$WINEPREFIX"; fi
    local log="$dir/waylune.log"
    local key='HKCU\Software\Kestrima\Desktop\DesktopWaylune'
    start() { "$here/wine-run.sh" --prefix "$WINEPREFIX" "$exe" "$@" >>"$dir/console.txt" 2>&1 & }
    if [ "$mode" = new-prefix ]; then
      # wine-run.sh makes the prefix (wineboot) and starts the program at once.
      start; first=$!
    else
      # The program's defaults, whatever a test left in the copied prefix.
      timeout 60 wine reg delete "$key" /f >/dev/null 2>&1
      timeout 60 wine reg add "$key" /v DebugOn /t REG_DWORD /d 1 /f >/dev/null 2>&1
      timeout 60 wine reg add "$key" /v DebugFileName /t REG_SZ /d "$(printf 'Z:%s' "$log" | tr / '\\')" /f >/dev/null 2>&1
      [ -n "${RACE_SOUND:-}" ] && timeout 60 wine reg add "$key" /v Sound /t REG_DWORD /d 1 /f >/dev/null 2>&1
      timeout 10 wineserver -k 2>/dev/null; timeout 20 wineserver -w
      start; first=$!
      [ "$mode" = two-at-once ] && { start; second=$!; }
      if [ "$mode" = exit-cold ]; then sleep 0.5; start EXIT; fi
    fi
    local drawn="" t0=$SECONDS limit=15
    [ "$mode" = new-prefix ] && limit=90  # the prefix is made first
    while [ $((SECONDS - t0)) -lt $limit ]; do
      if clock_drawn; then drawn=1; break; fi
      sleep 0.2
      running || [ "$mode" = exit-cold ] || break
    done
    if [ "$mode" = exit-scene ] && [ -n "$drawn" ]; then
      # The first scene comes about 9 s after the start (a shortest pause).
      local scene=""
      for _ in $(seq 400); do grep -qa "START:" "$log" 2>/dev/null && { scene=1; break; }; running || break; sleep 0.1; done
      [ -z "$scene" ] && echo "no scene began" >"$dir/verdict"
      sleep "$(awk -v s=$RANDOM 'BEGIN{srand(s); printf "%.2f", rand() * 3}')"
    fi
    import -window root -depth 8 "$dir/screen.png" 2>/dev/null
    if [ "$mode" = exit-cold ]; then
      # The instance must have ended (or never drawn a clock and ended).
      for _ in $(seq 200); do running || break; sleep 0.1; done
      running && echo "EXIT lost" >"$dir/verdict"
    else
      [ -z "$drawn" ] && echo "no clock drawn" >"$dir/verdict"
      timeout 60 "$here/wine-run.sh" --prefix "$WINEPREFIX" "$exe" EXIT >/dev/null 2>&1
      for _ in $(seq 200); do running || break; sleep 0.1; done
      running && echo "did not end on EXIT" >>"$dir/verdict"
    fi
    # A crash's debugger writes its backtrace while the server lives.
    if grep -qa "starting debugger" "$dir/console.txt" 2>/dev/null; then
      local size=-1 now
      for _ in $(seq 40); do
        now=$(stat -c %s "$dir/console.txt"); [ "$now" = "$size" ] && break; size=$now; sleep 1
      done
    fi
    # glibc's and Wine's heap complaints, crashes and their backtraces.
    local bad='corrupted|double free|free\(\): |malloc\(\)|:heap:|Unhandled exception|Unhandled page fault|Backtrace:'
    grep -qaE "$bad" "$dir/console.txt" 2>/dev/null &&
      echo "console: $(grep -aE "$bad" "$dir/console.txt" | head -3 | tr '\n' ' ')" >>"$dir/verdict"
  )
  local rc=$?
  if [ $rc = 130 ] || [ $rc = 143 ]; then
    echo "round $n $mode: cut short"
    rm -rf "$dir"
  elif [ -s "$dir/verdict" ]; then
    echo "round $n $mode: $(cat "$dir/verdict" | tr '\n' ' ')"
    rm -rf "$dir/prefix"; mv "$dir" "$out/fail-$mode-$n"
  else
    echo "round $n $mode: fine"
    rm -rf "$dir"
  fi
}

# A signal ends every round still running (each ends what it started) and
# then the script.
end_rounds() {
  trap '' INT TERM HUP
  local f
  for f in "$out"/run-*/round.pid; do [ -f "$f" ] && kill -TERM "$(cat "$f")" 2>/dev/null; done
  wait
  echo "race-starts: cut short; $(ls -d "$out"/fail-* 2>/dev/null | wc -l) went wrong before (logs in $out)"
  exit "$1"
}
trap 'end_rounds 130' INT
trap 'end_rounds 143' TERM HUP

n=0
for round in $(seq "$rounds"); do
  for mode in $modes; do
    n=$((n + 1))
    one_round "$mode" "$n" &
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  done
done
wait
fails=$(ls -d "$out"/fail-* 2>/dev/null | wc -l)
echo "$n starts, $fails went wrong (logs in $out)"
