# Sourced: xvfb_start [--own-session] [--composite] [--fbdir DIR] starts a
# private virtual display and exports DISPLAY, leaving its pid in xvfb_pid;
# xvfb_stop PID ends one (bounded: 5 s, then killed).
# Xvfb picks a free display number itself.
# Without --composite the Composite extension is off: an X display as without
# a compositor, where Wine shapes its see-through windows. --composite keeps
# it on, as Xorg and Xwayland have it (most users' desktops): Wine then shows
# a pushed window by its picture's alpha. --fbdir: the screen is also kept in
# DIR/Xvfb_screen0 (an XWD file), which reads without asking the server, and
# the pointer is not drawn.
xvfb_start() {
  local fifo number="" session=() extension=(-extension Composite) fbdir=()
  while [ $# -gt 0 ]; do
    case $1 in
      # Ctrl-C at a terminal reaches the programs on the display but not the
      # display, which the caller's cleanup ends after them (else they report
      # a broken X connection). Tests keep it in their process group so a
      # timeout's kill ends it too.
      --own-session) session=(setsid) ;;
      --composite) extension=() ;;
      # The framebuffer's readers want what the windows show: no pointer.
      --fbdir) fbdir=(-fbdir "$2" -nocursor); shift ;;
    esac
    shift
  done
  fifo="$(mktemp -u /tmp/waylune-xvfb.XXXXXX)"
  mkfifo "$fifo"
  "${session[@]}" Xvfb -displayfd 9 -screen 0 1280x800x24 "${extension[@]}" "${fbdir[@]}" -nolisten tcp \
    9>"$fifo" >/dev/null 2>&1 &
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

# Safe under set -e: the display may be gone before any of the kills.
xvfb_stop() {
  local pid=${1:-}
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  return 0
}
