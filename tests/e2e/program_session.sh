# Sourced by the screenshot end-to-end scripts, after setting build and src:
# run() runs a Windows program in the session's Wine prefix, set_value()
# writes a setting, start_program() starts the real program in the
# background; $work is a folder of the session's own.
# Each session has a display and a Wine prefix of its own, so these tests run
# beside each other and beside the rest: the display with the Composite
# extension when WAYLUNE_E2E_COMPOSITE=1 (as most users' desktops have it),
# else without; the prefix a copy of the build's template prefix, which no
# program runs in. On exit the program is told EXIT, the prefix's Wine server
# ended, the display stopped and the folder removed.
source "$src/tools/xvfb.sh"  # xvfb_start, xvfb_stop
template="$build/wineprefix-e2e"
key='HKCU\Software\Kestrima\Desktop\DesktopWaylune'
"$src/tools/wine-prefix.sh" "$template" || exit 1
work="$(mktemp -d "${TMPDIR:-/tmp}/waylune-e2e.XXXXXX")"
prefix="$work/prefix"
run() { "$src/tools/wine-run.sh" --prefix "$prefix" "$@"; }
set_value() { run reg add "$key" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }

xvfb_pid=""
program=""
session_cleanup() {
  if [ -n "$program" ]; then
    run "$build/bin/WayluneDesktop.exe" EXIT >/dev/null 2>&1
    wait "$program" 2>/dev/null
  fi
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null
  WINEPREFIX="$prefix" timeout 10 wineserver -w 2>/dev/null
  xvfb_stop "$xvfb_pid"
  rm -rf "$work"
  return 0
}
trap session_cleanup EXIT
trap 'exit 130' INT TERM

# Wine only reads the system's libraries (most of the prefix's 600 MB): they
# are linked, the rest copied, as programs write it in place.
mkdir "$prefix" &&
  tar -C "$template" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$prefix" -xf - &&
  cp -al "$template/drive_c/windows/system32" "$prefix/drive_c/windows/" ||
  { echo "program_session: could not copy the Wine prefix" >&2; exit 1; }

composite=() state=off
[ "${WAYLUNE_E2E_COMPOSITE:-}" = 1 ] && composite=(--composite) state=on
xvfb_start "${composite[@]}" --fbdir "$work" || exit 1
export WAYLUNE_SCREEN_FILE="$work/Xvfb_screen0"
echo "program_session: display $DISPLAY, Composite extension $state"

start_program() {
  run "$build/bin/WayluneDesktop.exe" >/dev/null 2>&1 &
  program=$!
}
