#!/usr/bin/env bash
# The birthday figure brings today's birthdays: the real program under Wine
# with a birthday file holding one entry due today, clicked in X.
#   birthday_e2e.sh BUILD_FOLDER SOURCE_FOLDER
set -uo pipefail
build=$1 src=$2
source "$src/tests/e2e/program_session.sh"

file="$work/birthday.dat"
/usr/bin/python3 "$src/tests/e2e/birthday_check.py" --write "$file" || exit 1
# Only the birthday figure (35), the shortest pause.
off=$(seq 1 91 | grep -vx 35 | paste -sd,)
set_value Pause REG_DWORD 100
set_value Speed REG_DWORD 30
set_value Billboard REG_DWORD 0
set_value Clock REG_DWORD 0  # the bin would stand in his window, its pixels taken for his
set_value HG REG_DWORD 0  # a click through his see-through pixels would reach the strip
set_value FigDeactive REG_SZ "$off"
set_value FabianDat REG_SZ "Z:${file//\//\\}"

start_program
/usr/bin/python3 "$src/tests/e2e/birthday_check.py"
status=$?
rm -f "$file"
exit $status
