#!/usr/bin/env bash
# Runs every benchmark program once with a tiny time budget, as many at once
# as there are cores: they must start and finish. Timings come from the
# programs run by hand and from the peer scripts (tools/bench-*-peers.py),
# not from here.
set -euo pipefail
dir="$1"
shopt -s nullglob
jobs=$(nproc)
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
programs=("$dir"/bench/*_bench)
for b in "${programs[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  name=$(basename "$b")
  { "$b" --benchmark_min_time=0.001 --benchmark_filter="${WAYLUNE_BENCH_FILTER:-.}" >/dev/null 2>"$out/$name" \
      && echo 0 >"$out/$name.rc" || echo $? >"$out/$name.rc"; } &
done
wait
failed=""
debug_library=""
for b in "${programs[@]}"; do
  name=$(basename "$b")
  echo "bench-smoke: $name"
  grep -q 'Library was built as DEBUG' "$out/$name" && debug_library=1
  if [ "$(cat "$out/$name.rc")" != 0 ]; then
    cat "$out/$name" >&2
    echo "bench-smoke: $name FAILED (exit code $(cat "$out/$name.rc"))" >&2
    failed=1
    continue
  fi
  # Each program describes the machine (time, cores, caches, load) on its
  # standard error; here only what else it said is shown.
  grep -vE '^([0-9]{4}-[0-9]{2}-[0-9]{2}T|Running |Run on |CPU Caches:|  L[0-9] |Load Average:|\*\*\*WARNING\*\*\* Library was built as DEBUG)' \
    "$out/$name" >&2 || true
done
if [ -n "$debug_library" ]; then
  echo "bench-smoke: Debian's Google Benchmark library is built without NDEBUG, so each program warns" \
    "\"Library was built as DEBUG\"; only the library's own bookkeeping carries its checks, the code timed is optimised"
fi
[ -z "$failed" ]
