#!/usr/bin/env bash
# Asks for every object's bubble again and again while the figures speak and
# are lifted and dropped (tests/e2e/bubble_stress.cpp drives it), with Wine's
# heap checks on, each run in its own Wine prefix and virtual display, and
# counts what went wrong.
#   bubble-stress.sh [--runs N] [--jobs J] [--seconds S] [--out DIR] [--exe PROGRAM] [--build DIR] [--keep]
# --exe runs another build of the program (the driver and the stand-in player
# come from --build, by default build/win32). Per run and in total it prints:
# heap complaints (Wine's heap checks, glibc's), crashes (an unhandled
# exception, or the program gone before EXIT), hangs (the main thread not
# answering for 20 s, or no end within 30 s of EXIT), draws of the overlay
# refused to a thread that does not own it ("+++ Overlay" in the program's
# log), and what the run did: bubbles shown and killed, figures lifted and
# dropped. A run that went wrong, or did too little (no bubble shown or
# killed, no figure lifted), keeps its console, log, the driver's notes and
# a screenshot in DIR/fail-N (with --keep every run stays, in DIR/run-N).
# Exit code 0 when every run was clean and did the work, else 1. However it
# ends (Ctrl+C, SIGTERM), each run ends its Wine processes, its server and
# its display, every wait bounded.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=tools/xvfb.sh
source "$here/xvfb.sh"  # xvfb_start, xvfb_stop
repo="$(cd "$here/.." && pwd)"
runs=2 jobs=1 seconds=20 out="" exe="" build="$repo/build/win32" keep=""
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --exe) exe=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "usage: bubble-stress.sh [--runs N] [--jobs J] [--seconds S] [--out DIR] [--exe PROGRAM] [--build DIR]" >&2
       exit 2 ;;
  esac
done
build="$(cd "$build" && pwd)"
[ -n "$exe" ] || exe="$build/bin/WayluneDesktop.exe"
[ -n "$out" ] || out="$build/bubble-stress"
driver="$build/tests/e2e/bubble_stress.exe"
player="$build/bin/winamp_standin.exe"
for file in "$exe" "$driver"; do [ -f "$file" ] || { echo "missing $file: build the win32 preset first" >&2; exit 2; }; done
mkdir -p "$out"
out="$(cd "$out" && pwd)"  # Wine takes only an absolute prefix
rm -rf "$out"/run-* "$out"/fail-* "$out"/result-*
base_prefix="$build/wineprefix"
# Made once for the build, as the Windows tests make it.
[ -f "$base_prefix/system.reg" ] || "$here/wine-run.sh" --prefix "$base_prefix" cmd /c exit >/dev/null 2>&1
export WINEDEBUG="${WINEDEBUG:-warn+heap,err+all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winealsa.drv,winepulse.drv,wineoss.drv=d}"

# Wine's heap checks and glibc's complaints; crashes and their backtraces.
heap_pattern=':heap:|corrupted|double free|free\(\): |malloc\(\)|realloc\(\)'
crash_pattern='Unhandled exception|Unhandled page fault|Backtrace:|assertion .* failed'

one_run() {
  local n=$1 dir="$out/run-$n"
  rm -rf "$dir"; mkdir -p "$dir"
  (
    echo "$BASHPID" >"$dir/run.pid"  # for the script's end on a signal
    local xvfb_pid="" driver_pid=""
    # However the run ends: the driver, the prefix's server with every Wine
    # process in it (the program, the player), then the display.
    end_run() {
      trap '' INT TERM HUP
      [ -n "$driver_pid" ] && kill "$driver_pid" 2>/dev/null
      WINEPREFIX="$dir/prefix" timeout 10 wineserver -k 2>/dev/null
      WINEPREFIX="$dir/prefix" timeout 20 wineserver -w 2>/dev/null
      xvfb_stop "$xvfb_pid"
      rm -f "$dir/run.pid"
      rm -rf "$dir/prefix"
      return 0
    }
    trap end_run EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM HUP
    xvfb_start || exit 3
    export WINEPREFIX="$dir/prefix" WINEARCH=win32
    cp -a "$base_prefix" "$WINEPREFIX"
    rm -f "$WINEPREFIX.display"
    winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
    local log="$dir/waylune.log" key='HKCU\Software\Kestrima\Desktop\DesktopWaylune'
    local birthdays="$dir/birthdays.dat"
    /usr/bin/python3 "$repo/tests/e2e/birthday_check.py" --write "$birthdays" || exit 3
    # Only the birthday figure and the musician: both speak in bubbles and
    # both can be lifted. The shortest pause brings them often.
    local off
    off=$(seq 1 91 | grep -vxE '35|42' | paste -sd,)
    timeout 60 wine reg delete "$key" /f >/dev/null 2>&1
    # A crash's backtrace into the run's folder: the debugger the program
    # starts has no output of its own (a window program has none to hand on).
    timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ \
      /d "C:\\windows\\system32\\cmd.exe /c C:\\windows\\system32\\winedbg.exe --auto %ld %ld >>$(winpath "$dir/backtrace.txt")" \
      /f >/dev/null 2>&1
    while read -r name type data; do
      timeout 60 wine reg add "$key" /v "$name" /t "$type" /d "$data" /f >/dev/null 2>&1
    done <<EOF
DebugOn REG_DWORD 1
DebugFileName REG_SZ $(winpath "$log")
Pause REG_DWORD 12
Speed REG_DWORD 30
Clock REG_DWORD 1
Countdown REG_DWORD 1
CountdownDate REG_SZ 2030,1,1,12,0
Weather REG_SZ 1,60,0,0,0,0
WeatherCountry REG_SZ Testland
WeatherStation REG_SZ Teststation
FigDeactive REG_SZ $off
FabianDat REG_SZ $(winpath "$birthdays")
EOF
    [ -f "$player" ] && { wine "$player" playing >/dev/null 2>&1 & }
    wine "$exe" >"$dir/console.txt" 2>&1 &
    local program=$!
    # Waited for in the background, so that a signal is taken at once.
    timeout $((seconds + 120)) wine "$driver" "$seconds" "$n" >"$dir/driver.txt" 2>"$dir/driver-console.txt" &
    driver_pid=$!
    wait "$driver_pid"
    local driven=$?
    driver_pid=""
    echo "$driven" >"$dir/driver-code"
    import -window root -depth 8 "$dir/screen.png" 2>/dev/null  # as the display shows it (not xwd)
    local alive=1
    kill -0 "$program" 2>/dev/null || alive=0
    echo "$alive" >"$dir/alive-at-exit"
    timeout 60 "$here/wine-run.sh" --prefix "$WINEPREFIX" "$exe" EXIT >/dev/null 2>&1
    local ended=0
    for _ in $(seq 300); do kill -0 "$program" 2>/dev/null || { ended=1; break; }; sleep 0.1; done
    echo "$ended" >"$dir/ended"
    # A crash's debugger writes its backtrace while the server lives, and
    # ends the program when it is done (slowly on a busy machine).
    if grep -qa "starting debugger" "$dir/console.txt" 2>/dev/null; then
      for _ in $(seq 900); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
    fi
  )
  local rc=$?
  if [ $rc = 130 ] || [ $rc = 143 ]; then
    echo "run $n: cut short"
    rm -rf "$dir"
    return
  fi
  local count
  count() { local c; c=$(grep -caE "$1" "$2" 2>/dev/null); echo "${c:-0}"; }
  local heap crash hang=0 refused bubbles kills lifts drops code alive ended
  heap=$(count "$heap_pattern" "$dir/console.txt")
  crash=$(count "$crash_pattern" "$dir/console.txt")
  code=$(cat "$dir/driver-code" 2>/dev/null || echo 9)
  alive=$(cat "$dir/alive-at-exit" 2>/dev/null || echo 0)
  ended=$(cat "$dir/ended" 2>/dev/null || echo 0)
  # Gone before EXIT without a backtrace is a crash too.
  [ "$crash" = 0 ] && [ "$alive" = 0 ] && crash=1
  # A crash's debugger stops the program too: a hang counts only without one.
  [ "$crash" = 0 ] && { [ "$code" = 3 ] || [ "$code" = 124 ] || { [ "$alive" = 1 ] && [ "$ended" = 0 ]; }; } && hang=1
  refused=$(count '\+\+\+ Overlay' "$dir/waylune.log")
  bubbles=$(count 'CREATE SPRECHBLASE' "$dir/waylune.log")
  kills=$(count 'KILL SPRECHBLASE' "$dir/waylune.log")
  lifts=$(count 'Hochheben' "$dir/waylune.log")
  drops=$(count 'Fallen lassen' "$dir/waylune.log")
  local line="run $n: heap $heap crash $crash hang $hang refused $refused bubbles $bubbles kills $kills lifts $lifts drops $drops"
  local verdict=""
  if [ "$heap" != 0 ] || [ "$crash" != 0 ] || [ "$hang" != 0 ] || [ "$refused" != 0 ] || [ "$code" != 0 ]; then
    verdict=fault
    [ "$code" = 4 ] && line="$line (the program never came up)"
  elif [ "$bubbles" = 0 ] || [ "$kills" = 0 ] || [ "$lifts" = 0 ]; then
    verdict=idle
    line="$line (too little done)"
  fi
  echo "$line" | tee "$out/result-$n"
  if [ -n "$verdict" ]; then
    echo "$verdict" >"$dir/verdict"
    mv "$dir" "$out/fail-$n"
  elif [ -z "$keep" ]; then
    rm -rf "$dir"
  fi
}

# A signal ends every run still going (each ends what it started) and then
# the script.
end_runs() {
  trap '' INT TERM HUP
  local f
  for f in "$out"/run-*/run.pid; do [ -f "$f" ] && kill -TERM "$(cat "$f")" 2>/dev/null; done
  wait
  echo "bubble-stress: cut short (kept in $out)"
  exit "$1"
}
trap 'end_runs 130' INT
trap 'end_runs 143' TERM HUP

for n in $(seq "$runs"); do
  one_run "$n" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
done
wait
cat "$out"/result-* 2>/dev/null | awk -v runs="$runs" '
  { for (i = 3; i < NF; i += 2) if ($(i + 1) ~ /^[0-9]+$/) sum[$i] += $(i + 1) }
  END {
    printf "%d runs: heap complaints %d, crashes %d, hangs %d, foreign draws refused %d; bubbles shown %d, killed %d, lifts %d, drops %d\n",
      runs, sum["heap"], sum["crash"], sum["hang"], sum["refused"], sum["bubbles"], sum["kills"], sum["lifts"], sum["drops"]
  }'
faults=$(cat "$out"/fail-*/verdict 2>/dev/null | grep -c fault)
idle=$(cat "$out"/fail-*/verdict 2>/dev/null | grep -c idle)
echo "$faults of $runs runs went wrong, $idle did too little (kept in $out)"
[ "$faults" = 0 ] && [ "$idle" = 0 ]
