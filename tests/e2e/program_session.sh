# Sourced by the screenshot end-to-end scripts, after setting build, src and
# values (the settings they write): run() runs a Windows program in the build's
# Wine prefix, set_value() writes a setting, start_program() starts the real
# program in the background. On exit the program is told EXIT, the settings
# are removed and a display started here is stopped.
prefix="$build/wineprefix"
key='HKCU\Software\Kestrima\Desktop\DesktopWaylune'
run() { "$src/tools/wine-run.sh" --prefix "$prefix" "$@"; }
set_value() { run reg add "$key" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }

xvfb_pid=""
program=""
session_cleanup() {
  if [ -n "$program" ]; then
    run "$build/bin/WayluneDesktop.exe" EXIT >/dev/null 2>&1
    wait "$program" 2>/dev/null
  fi
  for value in $values; do run reg delete "$key" /v "$value" /f >/dev/null 2>&1; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap session_cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  source "$src/tools/xvfb.sh"
  xvfb_start || exit 1
fi

start_program() {
  run "$build/bin/WayluneDesktop.exe" >/dev/null 2>&1 &
  program=$!
}
