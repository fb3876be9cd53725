# Sourced: xvfb_start [--own-session] starts a private virtual display and
# exports DISPLAY, leaving its pid in xvfb_pid. Xvfb picks a free display
# number itself.
# Composite stays off so Wine draws the content of layered windows (colour
# key shown black).
xvfb_start() {
  local fifo i number=""
  fifo="$(mktemp -u /tmp/waylune-xvfb.XXXXXX)"
  mkfifo "$fifo"
  # --own-session: Ctrl-C at a terminal reaches the programs on the display
  # but not the display, which the caller's cleanup ends after them (else
  # they report a broken X connection). Tests keep it in their process group
  # so a timeout's kill ends it too.
  local session=()
  [ "${1:-}" = --own-session ] && session=(setsid)
  "${session[@]}" Xvfb -displayfd 9 -screen 0 1280x800x24 -extension Composite -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  # The number arrives on the pipe once the server listens.
  read -r -t 20 number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
    echo "xvfb: could not start a virtual display" >&2
    return 1
  fi
  export DISPLAY=":$number"
  return 0
}
