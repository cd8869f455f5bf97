# The X servers of the tests and the benchmark: each on a display it picks
# itself, under a memory cap of its own, optionally with a window manager.
# Sourced, with WORK set to a private folder:
#   start_xserver [CONF]  Xvfb of 1024x768, or Xorg with configuration file
#                         CONF (@SPICE_PORT@ becomes a free loopback port),
#                         with openbox if XSERVER_WM says so; exports DISPLAY.
#   stop_xserver          stops the server, and with it the window manager.
#   xserver_gone          whether the server ended.
#   xserver_hides_pixels  whether what is drawn cannot be read back.
#   resize_xvfb WxH       makes Xvfb's screen WxH, at most 1024x768.

XSERVER_PID=""

# Ends the calling test as skipped (CTest SKIP_RETURN_CODE 77), saying why.
skip() { echo "SKIPPED: $*"; exit 77; }

# Waits up to $2 seconds (default 10) for the shell condition $1.
wait_for() {
  deadline=$(( $(date +%s) + ${2:-10} ))
  while ! eval "$1"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# True while process $1 exists and is not a zombie.
is_running() { state=$(cut -d" " -f3 "/proc/$1/stat" 2>/dev/null) && [ "$state" != Z ]; }

# XGetImage reads only black from the spiceqxl driver's screen.
xserver_hides_pixels() { grep -qs spiceqxl "$WORK/xorg.conf"; }

xserver_gone() { [ -n "$XSERVER_PID" ] && ! is_running "$XSERVER_PID"; }

# The release this runs on, for the reasons of skipped tests.
debian_release() { (. /etc/os-release && echo "$PRETTY_NAME"); }

# The lines of the server's log that say why it failed, on one line.
xserver_complaint() {
  ! grep -qs 'Out of memory' "$WORK/xserver.out" "$WORK/xserver.log" ||
    printf 'it swelled past its address space cap of %s; ' "$XSERVER_CAP"
  { grep -h -A1 'Fatal server error' "$WORK/xserver.out" | tail -n 1
    grep -h '(EE)' "$WORK/xserver.log" | sed 's/^\[[^]]*\] //' |
      grep -v 'dbus\|Please also check\|Server terminated\|(WW) warning\|^(EE) *$' | head -n 3
  } 2>/dev/null | tr '\n' ' '
}

# Starts the server command "$@" under a cap $1 on its address space, set by
# prlimit, so $! is the server's PID: a server that swells ends within
# seconds instead of taking the machine's memory (peaks seen: Xvfb 224 MiB,
# Xorg 363 MiB with the dummy driver, 712 MiB with spiceqxl). It writes its
# display number to descriptor 3 once it accepts connections.
launch_xserver() {
  XSERVER_CAP=$1
  shift
  : >"$WORK/xserver.display"
  prlimit --as="$(numfmt --from=iec "$XSERVER_CAP")" -- "$@" -displayfd 3 -noreset \
    -nolisten tcp 3>"$WORK/xserver.display" >"$WORK/xserver.out" 2>&1 & XSERVER_PID=$!
  wait_for '[ -s "$WORK/xserver.display" ] || ! is_running "$XSERVER_PID"' 20 || true
  [ -s "$WORK/xserver.display" ] && is_running "$XSERVER_PID"
}

start_xserver() {
  if [ -z "${1:-}" ]; then
    # At 96 dpi, as Xorg says and desktops set: the window's scale is 1.
    launch_xserver 1G Xvfb -screen 0 1024x768x24 -dpi 96 ||
      { echo "Xvfb did not start: $(cat "$WORK/xserver.out")" >&2; exit 1; }
  else
    command -v Xorg >/dev/null || skip "Xorg is not installed"
    # A port taken by another server already: then another one.
    for attempt in 1 2 3; do
      port=$(( 20000 + $(od -An -N2 -tu2 /dev/urandom) % 20000 ))
      sed "s/@SPICE_PORT@/$port/" "$1" >"$WORK/xorg.conf"
      ! launch_xserver 2G Xorg -config "$WORK/xorg.conf" -logfile "$WORK/xserver.log" || break
      stop_xserver
      grep -q 'binding socket\|Address already in use' "$WORK/xserver.out" "$WORK/xserver.log" \
        2>/dev/null && [ "$attempt" -lt 3 ] ||
        skip "Xorg with $(basename "$1") did not start on $(debian_release): $(xserver_complaint)"
    done
  fi
  export DISPLAY=":$(cat "$WORK/xserver.display")"
  # Keep the pointer away from the window, or tooltips pop up.
  xdotool mousemove 0 0
  [ -n "${XSERVER_WM:-}" ] || return 0
  mkdir -p "$WORK/wm-home"
  # A window mapped before openbox has fully started is never managed, so
  # never shown; its --startup command runs once it handles map requests.
  HOME="$WORK/wm-home" openbox --sm-disable --startup "touch '$WORK/wm.ready'" \
    >"$WORK/wm.log" 2>&1 &
  wait_for '[ -e "$WORK/wm.ready" ]' 30 ||
    { echo "openbox did not start: $(cat "$WORK/wm.log")" >&2; exit 1; }
}

# Xvfb's screen cannot be smaller than the mode of its monitor, of which it
# has one, its size at start: each size gets a mode of its own.
resize_xvfb() {
  w=${1%x*} h=${1#*x}
  xrandr --newmode "$1" 60 "$w" $((w + 1)) $((w + 2)) $((w + 3)) "$h" $((h + 1)) $((h + 2)) $((h + 3)) 2>/dev/null &&
    xrandr --addmode screen "$1"
  xrandr --output screen --mode "$1" --fb "$1"
}

stop_xserver() { { kill "$XSERVER_PID" && wait "$XSERVER_PID"; } 2>/dev/null || true; XSERVER_PID=""; }
