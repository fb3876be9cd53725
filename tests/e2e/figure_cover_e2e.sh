#!/usr/bin/env bash
# A figure walks in front of the fence, the bin and the billboard: they show
# in their own colours, so does he, the screen stays painted around him and he
# leaves no trace where he was. The real program under Wine,
# seen in X screenshots.
#   figure_cover_e2e.sh BUILD_FOLDER SOURCE_FOLDER [FIGURE [CHECK OPTIONS]]
# FIGURE defaults to Ravi Quenn (2), who crosses the whole screen.
set -uo pipefail
build=$1 src=$2 figure=${3:-2}
shift $(($# < 3 ? $# : 3))
source "$src/tests/e2e/program_session.sh"

# Only this figure; the clock with its bin, the billboard and the first strip
# (shown from its right end) on the bottom; about 9 s before the first scene,
# for the screen without him; scenes alternate direction.
set_value Pause REG_DWORD 100
set_value Speed REG_DWORD 30
set_value Billboard REG_DWORD 1
set_value Clock REG_DWORD 1
set_value FigDeactive REG_SZ "$(seq 1 91 | grep -vx "$figure" | paste -sd,)"
set_value HG REG_DWORD 1
set_value HGversatz REG_SZ "0,0,0,0,0,0,0"

art="$build/resources/art"
sheets=()
for sheet in "$art"/fig$(printf %03d "$figure")_0[0-2].bmp; do sheets+=(--sheet "$sheet"); done
# The clock's first face (the bin with its digits) and the wall; the face's
# time digits (objects/portable/clock_faces.h) change with the minute.
objects=(--object "$art/uhr_01.bmp" --object "$art/uhr_z1.bmp" --object "$art/plakatwand.bmp"
  --clock-time 8,8,26,11)
start_program
/usr/bin/python3 "$src/tests/e2e/figure_cover_check.py" "${sheets[@]}" "${objects[@]}" --strip "$art/fig201_00.bmp" "$@"
