#!/usr/bin/env bash
# EXIT sent 0.5 s after a cold start (the first after the Wine server ended,
# when both processes reach the program's start together) ends the instance,
# every time; so does EXIT started at the same moment as the instance.
#   cold_exit_e2e.sh BUILD_FOLDER SOURCE_FOLDER [ROUNDS]
set -uo pipefail
build=$(cd "$1" && pwd) src=$(cd "$2" && pwd) rounds=${3:-10}
source "$src/tests/e2e/program_session.sh"
exe="$build/bin/WayluneDesktop.exe"
export WINEPREFIX="$prefix"

# Waits up to $2 seconds for process $1 to end; its exit code, or 124.
wait_for() {
  local pid=$1 until=$((SECONDS + $2))
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -ge $until ] && return 124
    sleep 0.1
  done
  wait "$pid"
}

failed=0
round() {
  local delay=$1 label=$2
  wineserver -k 2>/dev/null
  timeout 20 wineserver -w
  run "$exe" >/dev/null 2>&1 &
  local first=$!
  program=$first  # the session's cleanup sends EXIT should this be cut short
  sleep "$delay"
  local sent=$EPOCHREALTIME
  run "$exe" EXIT >/dev/null 2>&1 &
  local exiting=$!
  wait_for "$exiting" 30
  local exit_rc=$?
  wait_for "$first" 30
  local rc=$?
  local took=$(((${EPOCHREALTIME/./} - ${sent/./}) / 1000))
  if [ "$rc" = 124 ] || [ "$exit_rc" != 0 ]; then
    echo "$label: instance still running ${took} ms after EXIT (EXIT gave $exit_rc)"
    failed=$((failed + 1))
    kill "$first" 2>/dev/null
    wait "$first" 2>/dev/null
  else
    echo "$label: instance ended ${took} ms after EXIT"
  fi
  program=""
}

for i in $(seq 1 "$rounds"); do round 0.5 "cold start, EXIT after 0.5 s, round $i"; done
for i in 1 2 3; do round 0 "cold start, EXIT at once, round $i"; done
wineserver -k 2>/dev/null
echo "$failed of $((rounds + 3)) EXITs lost"
[ "$failed" = 0 ]
