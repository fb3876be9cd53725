#!/usr/bin/env bash
# Runs every benchmark program once with a tiny time budget: they must start
# and finish. Timings come from the programs run by hand and from the peer
# scripts (tools/bench-*-peers.py), not from here.
set -euo pipefail
dir="$1"
shopt -s nullglob
err="$(mktemp)"
trap 'rm -f "$err"' EXIT
debug_library=""
for b in "$dir"/bench/*_bench; do
  echo "bench-smoke: $(basename "$b")"
  if ! "$b" --benchmark_min_time=0.001 --benchmark_filter="${WAYLUNE_BENCH_FILTER:-.}" >/dev/null 2>"$err"; then
    cat "$err" >&2
    echo "bench-smoke: $(basename "$b") FAILED" >&2
    exit 1
  fi
  grep -q 'Library was built as DEBUG' "$err" && debug_library=1
  # Each program describes the machine (time, cores, caches, load) on its
  # standard error; here only what else it said is shown.
  grep -vE '^([0-9]{4}-[0-9]{2}-[0-9]{2}T|Running |Run on |CPU Caches:|  L[0-9] |Load Average:|\*\*\*WARNING\*\*\* Library was built as DEBUG)' \
    "$err" >&2 || true
done
if [ -n "$debug_library" ]; then
  echo "bench-smoke: Debian's Google Benchmark library is built without NDEBUG, so each program warns" \
    "\"Library was built as DEBUG\"; only the library's own bookkeeping carries its checks, the code timed is optimised"
fi
