#!/usr/bin/env bash
# Fails when a Windows program or DLL we ship needs something a plain 32-bit
# Windows XP does not have: a DLL outside the system's own, or one of the
# newer kernel entries that toolchain runtimes pull in unasked (the program
# would then not start there).
#   check-imports.sh [--listing] FILE...
# FILE is a PE file, read with $OBJDUMP -p (i686-w64-mingw32-objdump by
# default), or with --listing a saved `objdump -p` output.
set -uo pipefail

objdump="${OBJDUMP:-i686-w64-mingw32-objdump}"
listing=""
if [ "${1:-}" = --listing ]; then listing=1; shift; fi
[ $# -ge 1 ] || { echo "usage: check-imports.sh [--listing] FILE..." >&2; exit 2; }

# DLLs every Windows from XP on has. The program loads its own sound library
# by name at run time, so that is no import.
system_dlls="advapi32.dll comctl32.dll comdlg32.dll crypt32.dll gdi32.dll imm32.dll kernel32.dll
  msimg32.dll msvcrt.dll ntdll.dll ole32.dll oleaut32.dll rpcrt4.dll shell32.dll
  shlwapi.dll user32.dll uxtheme.dll version.dll wininet.dll winmm.dll winspool.drv
  ws2_32.dll wsock32.dll"
# Entries those DLLs gained after XP that mingw-w64's runtimes may import.
newer_entries="GetTickCount64 InitializeConditionVariable SleepConditionVariableCS
  SleepConditionVariableSRW WakeConditionVariable WakeAllConditionVariable
  InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared
  ReleaseSRWLockExclusive ReleaseSRWLockShared TryAcquireSRWLockExclusive
  TryAcquireSRWLockShared InitOnceExecuteOnce InitOnceBeginInitialize
  InitOnceComplete FlsAlloc FlsFree FlsGetValue FlsSetValue
  GetSystemTimePreciseAsFileTime InitializeCriticalSectionEx CreateEventExA
  CreateEventExW CreateMutexExA CreateMutexExW CreateSemaphoreExW
  GetFileInformationByHandleEx SetFileInformationByHandle
  GetFinalPathNameByHandleA GetFinalPathNameByHandleW CreateSymbolicLinkA
  CreateSymbolicLinkW LocaleNameToLCID LCIDToLocaleName GetLocaleInfoEx
  CompareStringEx GetCurrentProcessorNumber QueryFullProcessImageNameA
  QueryFullProcessImageNameW GetErrorMode _fseeki64 _ftelli64"
declare -A is_system is_newer
for d in $system_dlls; do is_system[$d]=1; done
for e in $newer_entries; do is_newer[$e]=1; done

bad=0
for f in "$@"; do
  if [ -n "$listing" ]; then
    dump="$(cat -- "$f")" || { echo "check-imports: cannot read $f" >&2; bad=1; continue; }
  else
    dump="$("$objdump" -p -- "$f")" || { echo "check-imports: cannot read $f" >&2; bad=1; continue; }
  fi
  # "dll entry" per imported entry, "dll" alone for a DLL with none listed.
  pairs="$(awk '
    /^\tDLL Name: / { dll = tolower($3); print dll; next }
    dll != "" && /^$/ { dll = ""; next }
    dll != "" && /^\t[0-9a-f]+\t/ && NF >= 3 { print dll, $3 }' <<<"$dump")"
  if ! grep -q 'file format pei-i386' <<<"$dump"; then
    echo "check-imports: $f: not a 32-bit Windows program or DLL" >&2
    bad=1
    continue
  fi
  [ -n "$pairs" ] || continue  # imports nothing at all
  while read -r dll entry; do
    if [ -z "${is_system[$dll]:-}" ]; then
      [ -z "$entry" ] && { echo "$f: imports $dll, which Windows does not have"; bad=1; }
    elif [ -n "$entry" ] && [ -n "${is_newer[$entry]:-}" ]; then
      echo "$f: imports $dll!$entry, which Windows XP does not have"
      bad=1
    fi
  done <<<"$pairs"
done
[ $bad = 0 ] && echo "check-imports: $# files need only system DLLs"
exit $bad
