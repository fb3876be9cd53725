#!/usr/bin/env bash
# A figure walks along the bottom of the screen: the real program under Wine,
# seen from the X side (Wine's own screen reads leave layered windows out).
#   scene_walk_e2e.sh BUILD_FOLDER SOURCE_FOLDER
set -uo pipefail
build=$1 src=$2
values="Pause Speed Billboard FigDeactive HG"
source "$src/tests/e2e/program_session.sh"

# Only Ravi Quenn (figure 2), the shortest pause, a quick pace.
off=$(seq 1 91 | grep -vx 2 | paste -sd,)
set_value Pause REG_DWORD 100
set_value Speed REG_DWORD 30
set_value Billboard REG_DWORD 0
set_value FigDeactive REG_SZ "$off"
set_value HG REG_DWORD 0  # the scenery strip is screen-wide at the bottom too

start_program
/usr/bin/python3 "$src/tests/e2e/scene_walk_check.py" --timeout 150
