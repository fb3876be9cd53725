#!/usr/bin/env bash
# The shipped program carries no COFF symbol table (one entry symbol), its debug file and debug
# link are there, and a crash of a probe split the same way still names the
# function it died in.
#   check-symbols.sh PROGRAM.exe PROBE.exe
# $OBJDUMP (i686-w64-mingw32-objdump by default), $WINE_RUN (tools/wine-run.sh).
set -uo pipefail
objdump="${OBJDUMP:-i686-w64-mingw32-objdump}"
here="$(cd "$(dirname "$0")" && pwd)"
wine_run="${WINE_RUN:-$here/wine-run.sh}"
program=$1 probe=$2
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

for exe in "$program" "$probe"; do
  name=$(basename "$exe")
  # The runtime's entry alone stays (Wine reads long section names, the
  # debug link's among them, only when there is a symbol).
  symbols=$("$objdump" -t "$exe" 2>&1 | grep -c '^\[ *[0-9]*\]')
  [ "$symbols" -le 1 ] || fail "$name carries $symbols symbols"
  "$objdump" -h "$exe" | grep -q '\.gnu_debuglink' || fail "$name has no debug link"
  [ -s "$exe.debug" ] || fail "$name.debug is missing"
  "$objdump" -h "$exe.debug" 2>/dev/null | grep -q '\.debug_info' || fail "$name.debug has no DWARF"
  "$objdump" -h "$exe" | grep -q '\.debug_' && fail "$name still carries debug sections"
done

trace=$("$wine_run" "$probe" 2>&1)
if ! grep -q 'DeliberateCrashInProbe' <<<"$trace"; then
  fail "the probe's crash backtrace does not name its function:"
  sed 's/^/  /' <<<"$trace" | head -40
fi
echo "$((failed == 0 ? 1 : 0)) passed, $((failed == 0 ? 0 : 1)) failed"
[ "$failed" = 0 ]
