#!/usr/bin/env bash
# A figure walks along the bottom of the screen in his own colours, in front
# of the scenery strip, which shows its picture again wherever he stood: the
# real program under Wine, seen from the X side (Wine's own screen reads
# leave layered windows out).
#   scene_walk_e2e.sh BUILD_FOLDER SOURCE_FOLDER [FIGURE [CHECK OPTIONS]]
# FIGURE defaults to Ravi Quenn (2); --lift lifts him too (he must be one
# who can be lifted).
set -uo pipefail
build=$1 src=$2 figure=${3:-2}
shift $(($# < 3 ? $# : 3))
source "$src/tests/e2e/program_session.sh"

# Only this figure, the shortest pause, a quick pace; the first strip, shown
# from its right end, alone on the bottom.
off=$(seq 1 91 | grep -vx "$figure" | paste -sd,)
set_value Pause REG_DWORD 100
set_value Speed REG_DWORD 30
set_value Billboard REG_DWORD 0
set_value Clock REG_DWORD 0
set_value FigDeactive REG_SZ "$off"
set_value HG REG_DWORD 1
set_value HGversatz REG_SZ "0,0,0,0,0,0,0"

sheets=()
for sheet in "$build"/resources/art/fig$(printf %03d "$figure")_0[0-2].bmp; do sheets+=(--sheet "$sheet"); done
start_program
/usr/bin/python3 "$src/tests/e2e/scene_walk_check.py" --timeout 150 --strip "$build/resources/art/fig201_00.bmp" \
  "${sheets[@]}" "$@"
