# Sourced: xvfb_start starts a private virtual display and exports DISPLAY,
# leaving its pid in xvfb_pid. Composite stays off so Wine draws the content
# of layered windows (colour key shown black).
xvfb_start() {
  local n i
  # One chooser at a time: two runs must never pick the same free number.
  exec 8>/tmp/.waylune-xvfb.lock
  flock 8
  for n in $(seq 90 189); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -extension Composite -nolisten tcp >/dev/null 2>&1 8>&- &
    xvfb_pid=$!
    for i in $(seq 1 100); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        flock -u 8
        exec 8>&-
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  done
  flock -u 8
  exec 8>&-
  echo "xvfb: no free display" >&2
  return 1
}
