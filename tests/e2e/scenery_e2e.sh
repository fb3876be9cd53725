#!/usr/bin/env bash
# The scenery strip stands behind the figures on the bottom of the screen and
# the plane crosses the top with the user's banner: the real program under
# Wine, seen in screenshots of the X display.
#   scenery_e2e.sh BUILD_FOLDER SOURCE_FOLDER
set -uo pipefail
build=$1 src=$2
source "$src/tests/e2e/program_session.sh"

# Strip 1 shifted by 300 pixels, only the plane flies, with a banner.
off=$(seq 1 90 | paste -sd,)
set_value Pause REG_DWORD 12
set_value Speed REG_DWORD 30
set_value Billboard REG_DWORD 0
set_value Clock REG_DWORD 0
set_value KeinFlugzeug REG_DWORD 0
set_value FigDeactive REG_SZ "$off"
set_value HG REG_DWORD 1
set_value HGversatz REG_SZ "0,300,0,0,0,0,0"
set_value Banner REG_SZ "WAYLUNE BANNER"

start_program
/usr/bin/python3 "$src/tests/e2e/scenery_check.py" "$build/resources/art/fig201_00.bmp" 300
