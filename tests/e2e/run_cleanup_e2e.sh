#!/usr/bin/env bash
# tools/run.sh ends everything it started, however it ends: Ctrl+C at a
# terminal (SIGINT to its process group), SIGINT or SIGTERM to it alone, its
# program killed, its program ending on EXIT. It runs the real program on a
# virtual display of its own, in a copy of the build's Wine prefix (so the
# server it starts and ends is its own), and keeps the last screenshots.
#   run_cleanup_e2e.sh BUILD_FOLDER SOURCE_FOLDER
set -uo pipefail
build=$1 src=$2
exe="$build/bin/WayluneDesktop.exe"
work="$(mktemp -d /tmp/waylune-run-test.XXXXXX)"
tag_base="waylune-run-test-$$"

# Processes whose environment carries a tag matching $1: everything run.sh
# started (the display, wine-run.sh, the program, the Wine server and its
# helpers).
tagged() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}; pid=${pid%/environ}
    [ "$pid" = $$ ] && continue
    tr '\0' '\n' 2>/dev/null <"$environ" | grep -qx "WAYLUNE_RUN_TEST_TAG=$1" && echo "$pid"
  done
}
finish() {
  local pid
  for pid in $(tagged "$tag_base\..*"); do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap finish EXIT

# One prefix copy for all cases; the test display's programs do not touch it.
if [ -d "$build/wineprefix" ]; then
  cp -a "$build/wineprefix" "$work/prefix" 2>/dev/null || true
fi

failed=0
# Job control: each run.sh gets a process group of its own, as at a terminal,
# and SIGINT reaches it (a script's background jobs otherwise ignore it).
set -m
# case NAME HOW EXPECTED_RC
run_case() {
  local name=$1 how=$2 want=$3 tag="$tag_base.$1" run program="" display="" i
  mkdir -p "$work/shots-$name"
  env -u DISPLAY WAYLUNE_RUN_TEST_TAG="$tag" WAYLUNE_RUN_EXE="$exe" WAYLUNE_RUN_PREFIX="$work/prefix" \
    WAYLUNE_RUN_SHOTS=3 WAYLUNE_RUN_SHOT_SECONDS=1 WAYLUNE_RUN_SHOT_DIR="$work/shots-$name" \
    "$src/tools/run.sh" >"$work/$name.log" 2>&1 &
  run=$!
  # The program is up once its windows are on the display (then screenshots follow).
  for i in $(seq 600); do
    for pid in $(tagged "$tag"); do
      grep -qa WayluneDesktop.exe "/proc/$pid/cmdline" 2>/dev/null && ! grep -qa wine-run.sh "/proc/$pid/cmdline" &&
        program=$pid
    done
    [ -n "$program" ] && [ "$(ls "$work/shots-$name"/desktop-*.png 2>/dev/null | wc -l)" -ge 3 ] && break
    sleep 0.1
  done
  if [ -z "$program" ]; then
    echo "$name: the program did not start"; cat "$work/$name.log"; failed=$((failed + 1)); return
  fi
  sleep 1
  display=$(tr '\0' '\n' <"/proc/$program/environ" | sed -n 's/^DISPLAY=//p')
  case $how in
    ctrl-c) kill -INT -- "-$run" ;;
    int) kill -INT "$run" ;;
    term) kill -TERM "$run" ;;
    kill-program) kill -KILL "$program" ;;
    exit-word) env DISPLAY="$display" WINEPREFIX="$work/prefix" WINEDEBUG=-all wine "$exe" EXIT >/dev/null 2>&1 ;;
  esac
  local rc=124
  for i in $(seq 600); do
    if ! kill -0 "$run" 2>/dev/null; then wait "$run"; rc=$?; break; fi
    sleep 0.1
  done
  local left
  left=$(tagged "$tag")
  local shots
  shots=$(ls "$work/shots-$name"/desktop-*.png 2>/dev/null | wc -l)
  if [ -n "$left" ] || [ "$rc" != "$want" ] || [ "$shots" != 3 ] || [ ! -s "$work/shots-$name/desktop.png" ]; then
    echo "$name: run.sh gave $rc (wanted $want), $shots timed screenshots kept (wanted 3), left running:"
    for pid in $left; do echo "  $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"; done
    sed 's/^/  log: /' "$work/$name.log"
    failed=$((failed + 1))
    for pid in $left; do kill -9 "$pid" 2>/dev/null; done
  else
    echo "$name: run.sh gave $rc, nothing it started is left, the last 3 screenshots kept"
  fi
}

run_case ctrl-c ctrl-c 130
run_case int int 130
run_case term term 143
run_case program-killed kill-program 137
run_case program-ended exit-word 0
echo "$failed case(s) failed"
[ "$failed" = 0 ]
