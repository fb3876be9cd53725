#!/usr/bin/env bash
# Each figure of the later cast, alone in the chooser, walks along the bottom
# of the screen in his own colours, in front of the scenery strip, which
# shows its picture again wherever he stood: the real program under Wine,
# seen in X screenshots.
#   cast_walk_e2e.sh BUILD_FOLDER SOURCE_FOLDER [FIGURE...]
set -uo pipefail
build=$1 src=$2
shift 2
figures=${*:-3 5 11 20 22 24 31 34 36 40 43 47 49 54}
source "$src/tests/e2e/program_session.sh"

set_value Pause REG_DWORD 100
set_value Speed REG_DWORD 30
set_value Billboard REG_DWORD 0
set_value HG REG_DWORD 1
set_value HGversatz REG_SZ "0,0,0,0,0,0,0"
# The program's own log of each run, shown when a figure fails.
log="$work/cast_walk.log"
set_value DebugOn REG_DWORD 1
set_value DebugFileName REG_SZ "$(run winepath -w "$log" 2>/dev/null)"
failed=0
for figure in $figures; do
  # Only this figure: a choice that draws none of its slot falls back on the
  # empty scene and tries again after the pause.
  set_value FigDeactive REG_SZ "$(seq 1 91 | grep -vx "$figure" | paste -sd,)"
  window=()
  # The runner's painted window: his 128 x 74 picture and 128 columns more, in
  # whole steps (stage/portable/painted_place.h).
  [ "$figure" = 11 ] && window=(--window 256x96)
  sheets=()
  for sheet in "$build"/resources/art/fig$(printf %03d "$figure")_0[0-2].bmp; do sheets+=(--sheet "$sheet"); done
  rm -f "$log"
  started=$SECONDS
  start_program
  echo "figure $figure"
  if ! /usr/bin/python3 "$src/tests/e2e/scene_walk_check.py" --timeout 150 "${window[@]}" \
      --strip "$build/resources/art/fig201_00.bmp" "${sheets[@]}"; then
    failed=$((failed + 1))
    echo "-- the program's log:"
    tail -n 60 "$log" 2>/dev/null
  fi
  echo "($((SECONDS - started)) s)"
  run "$build/bin/WayluneDesktop.exe" EXIT >/dev/null 2>&1
  wait "$program" 2>/dev/null
  program=""
done
echo "$failed of $(echo $figures | wc -w) figures failed"
[ "$failed" = 0 ]
