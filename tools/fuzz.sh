#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on its seed corpus, up to
# --jobs targets at once (each fuzzer uses one core).
#   fuzz.sh [--seconds N] [--jobs N] [target...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
seconds=10
jobs=1
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    *) break ;;
  esac
done
dir="$repo/build/fuzz/fuzz"
shopt -s nullglob
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$dir"/*_fuzz; do targets+=("$(basename "$t")"); done
fi

failed="$(mktemp)"
trap 'rm -f "$failed"' EXIT
run_one() {
  local t=$1
  local corpus="$repo/build/fuzz/corpus/$t" seeds="$repo/build/fuzz/seeds/$t" log="$repo/build/fuzz/$t.log"
  mkdir -p "$corpus"
  local args=("$corpus")
  [ -d "$seeds" ] && args+=("$seeds")
  if "$dir/$t" -max_total_time="$seconds" -print_final_stats=1 "${args[@]}" 2>"$log"; then
    echo "fuzz: $t for ${seconds}s, $(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' || echo '?') runs"
  else
    { echo "fuzz: $t FAILED"; tail -60 "$log"; } >&2
    echo "$t" >>"$failed"
  fi
}
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do sleep 0.2; done
  run_one "$t" &
done
wait
if [ -s "$failed" ]; then
  echo "fuzz: failed: $(tr '\n' ' ' <"$failed")" >&2
  exit 1
fi
