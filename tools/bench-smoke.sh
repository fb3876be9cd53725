#!/usr/bin/env bash
# Runs every benchmark program once with a tiny time budget: they must start
# and finish; numbers come from tools/bench.sh, not from here.
set -euo pipefail
dir="$1"
shopt -s nullglob
for b in "$dir"/bench/*_bench; do
  echo "bench-smoke: $(basename "$b")"
  "$b" --benchmark_min_time=0.001 --benchmark_filter="${WAYLUNE_BENCH_FILTER:-.}" >/dev/null
done
