#!/usr/bin/env bash
# The billboard of the real program under Wine: a picture folder with BMP,
# JPEG and PNG files (and broken ones) made by Pillow, set through the
# registry; the paster pastes them one after another and the billboard's
# pixels (seen from the X side) are compared with the expected pictures.
#   billboard_e2e.sh BUILD_FOLDER SOURCE_FOLDER [cut]
# With "cut": two good pictures and a JPEG cut off halfway (check-cut).
set -uo pipefail
build=$1 src=$2 mode=${3:-}
source "$src/tests/e2e/program_session.sh"
out="$build/tests/e2e/billboard$mode${WAYLUNE_E2E_COMPOSITE:+-composite}"
rm -rf "$out"
mkdir -p "$out/pictures"

/usr/bin/python3 "$src/tests/e2e/billboard_check.py" make${mode:+-$mode} "$out/pictures" || exit 1
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
off=$(seq 1 91 | grep -vx 27 | paste -sd,)
set_dword() { set_value "$1" REG_DWORD "$2"; }
set_text() { set_value "$1" REG_SZ "$2"; }
set_dword Pause 100
set_dword Speed 20
set_dword Billboard 1
set_dword BillboardX 10
set_dword BillboardNotDA 1
set_dword Calendar 0
set_dword Clock 0
set_dword HG 0
set_dword DebugOn 1
set_text DebugFileName "$(winpath "$out/billboard.log")"
set_text FigDeactive "$off"
set_text BMPpath "$(winpath "$out/pictures")\\*.*"
set_text TXTpath " "

start_program
/usr/bin/python3 "$src/tests/e2e/billboard_check.py" check${mode:+-$mode} "$out/pictures" "$out/billboard.log" "$program"
