#!/usr/bin/env bash
# Builds everything and runs every test: native (AddressSanitizer, UBSan),
# the optimised benchmarks and fuzzers (built, run briefly) and the Windows
# build under Wine. Exit code 0 only when all passed.
# The optimised build with its benchmarks and the fuzzers share nothing with
# the rest but the processor: they run beside it (test.sh --extras-lane) at
# the lowest priority, on what the rest leaves idle (Wine's tests spend much
# of their time waiting on the program they drive, the end-to-end ones one
# at a time), and their output follows the rest's.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
cd "$repo"
lane=""
[ "${1:-}" = --extras-lane ] && lane=1

# Each step says how long the one before it took and the processor time its
# programs used (Wine's server and helpers, which are not waited for, aside),
# and the run its total.
run_start=$SECONDS
step_name=""
step_start=$SECONDS
step_cpu=0
times_file="$(mktemp)"
trap 'rm -f "$times_file"' EXIT
# cpu: processor seconds of the programs ended so far (user and system;
# times runs in this shell, the only one that knows them).
children_cpu() {
  local user sys
  times >"$times_file"
  { read -r _ _; read -r user sys; } <"$times_file"
  cpu=$(awk -v u="$user" -v s="$sys" 'function sec(t, m) { m = t; sub(/m.*/, "", m); sub(/^[0-9]+m/, "", t)
    sub(/s$/, "", t); return m * 60 + t } BEGIN { printf "%d", sec(u) + sec(s) }')
}
step_done() {
  [ -n "$step_name" ] || return 0
  children_cpu
  printf '== %s: %ds, %ds of processor time\n' "$step_name" $((SECONDS - step_start)) $((cpu - step_cpu))
}
step() {
  step_done
  step_name="$*"
  step_start=$SECONDS
  children_cpu
  step_cpu=$cpu
  printf '\n== %s\n' "$*"
}

if [ -z "$lane" ]; then
  step "setup"
  "$here/setup.sh"
fi
source "$here/env.sh"
export CCACHE_BASEDIR="$repo" CCACHE_NOHASHDIR=1
# Setup installed every outside tool: a cross-check that misses one fails.
export WAYLUNE_REQUIRE_TOOLS=1
jobs=$(nproc)
# Compilers wait on the disk now and then: two more than the cores keep them
# busy (Ninja's own default); tests run one per core.
build_jobs=$((jobs + 2))

extras() {
  step "native release build (benchmarks)"
  cmake --preset native-release >/dev/null
  cmake --build --preset native-release -j "$build_jobs"
  "$here/bench-smoke.sh" "$repo/build/native-release"

  step "fuzzers (short bounded runs)"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$build_jobs"
  "$here/fuzz.sh" --seconds "${WAYLUNE_FUZZ_SECONDS:-10}" --jobs "$jobs"
  step_done
}
if [ -n "$lane" ]; then
  # The session's scheduling group (Linux's autogroup) weighs against the
  # others' whatever its processes' niceness: the group is niced too.
  echo 19 2>/dev/null >/proc/self/autogroup || true
  extras
  exit 0
fi

# A session of its own, so that an early end takes all of it along.
mkdir -p "$repo/build"
extras_log="$repo/build/test-extras.log"
setsid nice -n 19 "$here/test.sh" --extras-lane </dev/null >"$extras_log" 2>&1 &
extras_pid=$!
echo "test.sh: the release build, benchmarks and fuzzers run beside the rest at low priority ($extras_log)"

xvfb_pid=""
started_wine=""
screens_pid=""
cleanup() {
  rm -f "$times_file"
  [ -n "$extras_pid" ] && { kill -- -"$extras_pid" 2>/dev/null || true; }
  [ -n "$screens_pid" ] && { kill -- -"$screens_pid" 2>/dev/null || true; }
  # wineserver -k fails when the server has already gone; that is no test failure.
  [ -n "$started_wine" ] && { WINEPREFIX="$repo/build/win32/wineprefix" wineserver -k 2>/dev/null || true; }
  [ -n "$xvfb_pid" ] && xvfb_stop "$xvfb_pid"
  return 0
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  source "$here/xvfb.sh"
  xvfb_start
fi

step "native build (AddressSanitizer, UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$build_jobs"
step "native tests"
ctest --preset native -j "$jobs"

step "win32 build"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$build_jobs"
step "win32 tests under Wine"
started_wine=1
# The screenshot tests each bring their own display and Wine prefix and
# mostly wait on the program they watch: they run in a CTest run of their
# own beside the rest, a few at a time, their output printed after it.
screens_log="$repo/build/test-screens.log"
screens_jobs=$(( jobs / 2 > 2 ? jobs / 2 : 2 ))
setsid ctest --preset win32 -L screen -j "$screens_jobs" >"$screens_log" 2>&1 &
screens_pid=$!
rest_rc=0
ctest --preset win32 -LE screen -j "$jobs" || rest_rc=$?
screens_rc=0
wait "$screens_pid" || screens_rc=$?
screens_pid=""
printf '\n== the screenshot tests (beside the rest)\n'
cat "$screens_log"
[ "$rest_rc" = 0 ] && [ "$screens_rc" = 0 ] || exit 1

step "waiting for the release build, benchmarks and fuzzers"
extras_rc=0
wait "$extras_pid" || extras_rc=$?
extras_pid=""
step_done
printf '\n== release build, benchmarks and fuzzers (beside the rest)\n'
cat "$extras_log"
if [ "$extras_rc" != 0 ]; then
  printf '\n== the release build, a benchmark or a fuzzer failed\n' >&2
  exit 1
fi
printf '\n== all tests passed (%dm %02ds)\n' $(((SECONDS - run_start) / 60)) $(((SECONDS - run_start) % 60))
