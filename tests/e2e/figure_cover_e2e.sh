#!/usr/bin/env bash
# A figure walks in front of the fence, the bin and the billboard on a display
# without a compositor: the screen stays painted around him and he leaves no
# trace where he was. The real program under Wine, seen in X screenshots.
#   figure_cover_e2e.sh BUILD_FOLDER SOURCE_FOLDER [CHECK OPTIONS]
set -uo pipefail
build=$1 src=$2
shift 2
values="Pause Speed Billboard Clock FigDeactive HG"
source "$src/tests/e2e/program_session.sh"

# Only Ravi Quenn (figure 2), who crosses the whole screen; the clock with its
# bin, the billboard and the first strip on the bottom; about 9 s before the
# first scene, for the screen without him; scenes alternate direction.
set_value Pause REG_DWORD 100
set_value Speed REG_DWORD 30
set_value Billboard REG_DWORD 1
set_value Clock REG_DWORD 1
set_value FigDeactive REG_SZ "$(seq 1 91 | grep -vx 2 | paste -sd,)"
set_value HG REG_DWORD 1

start_program
/usr/bin/python3 "$src/tests/e2e/figure_cover_check.py" "$@"
