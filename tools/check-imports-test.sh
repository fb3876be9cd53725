#!/usr/bin/env bash
# Checks check-imports.sh on made-up objdump listings: what must pass passes
# and every planted import it must refuse makes it fail, naming the import.
#   check-imports-test.sh path/to/check-imports.sh
set -uo pipefail
check="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT

listing() { # name, then "DLL entry..." per imported DLL
  local name=$1; shift
  {
    printf 'x.exe:     file format pei-i386\n\nThe Import Tables (interpreted .idata section contents)\n\n'
    local line i=0
    for line in "$@"; do
      set -- $line
      printf '\tDLL Name: %s\n\tvma:  Hint/Ord Member-Name Bound-To\n' "$1"
      shift
      for e in "$@"; do printf '\t%x\t  %d  %s\n' $((0x1000 + i)) $i "$e"; i=$((i + 1)); done
      printf '\n'
    done
  } >"$dir/$name"
}

listing system "KERNEL32.dll CloseHandle GetTickCount" "msvcrt.dll malloc" "WINMM.DLL waveOutOpen"
listing none
listing zlib "KERNEL32.dll CloseHandle" "zlib1.dll inflate"
listing vista "USER32.dll GetDC" "KERNEL32.dll GetTickCount64"
listing runtime "libwinpthread-1.dll pthread_create"
printf 'not an objdump listing\n' >"$dir/text"

fails=0
while read -r name want expect; do
  out="$("$check" --listing "$dir/$name" 2>&1)"
  rc=$?
  if [ "$want" = pass ]; then ok=$([ $rc = 0 ] && echo 1)
  else ok=$([ $rc = 1 ] && grep -qF "$expect" <<<"$out" && echo 1); fi
  if [ -z "$ok" ]; then
    echo "FAIL: $name should $want${expect:+ naming $expect}; got rc=$rc: $out"
    fails=$((fails + 1))
  fi
done <<'ROWS'
system pass
none pass
zlib fail zlib1.dll
vista fail kernel32.dll!GetTickCount64
runtime fail libwinpthread-1.dll
text fail not a 32-bit Windows
ROWS
[ $fails = 0 ] && echo "check-imports-test: all cases as expected"
exit $fails
