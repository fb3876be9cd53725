#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on its seed corpus.
#   fuzz.sh [--seconds N] [target...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
seconds=10
if [ "${1:-}" = --seconds ]; then seconds=$2; shift 2; fi
dir="$repo/build/fuzz/fuzz"
shopt -s nullglob
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$dir"/*_fuzz; do targets+=("$(basename "$t")"); done
fi
for t in "${targets[@]}"; do
  corpus="$repo/build/fuzz/corpus/$t"
  mkdir -p "$corpus"
  seeds="$repo/build/fuzz/seeds/$t"
  args=("$corpus")
  [ -d "$seeds" ] && args+=("$seeds")
  echo "fuzz: $t for ${seconds}s"
  "$dir/$t" -max_total_time="$seconds" -print_final_stats=1 "${args[@]}" 2>"$repo/build/fuzz/$t.log" \
    || { tail -60 "$repo/build/fuzz/$t.log" >&2; exit 1; }
  grep -E 'stat::number_of_executed_units' "$repo/build/fuzz/$t.log" || true
done
