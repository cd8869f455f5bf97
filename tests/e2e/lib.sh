# Shared steps of the end-to-end tests: a private Xvfb, the utility started
# with the tests' fake xrandr, its window found by title and clicked.
# Needs TESSALUX (the binary) and SUPPORT_DIR (tests/support) in the environment.

set -eu

WORK=$(mktemp -d /tmp/tessalux-e2e-XXXXXX)
XVFB_PID=""
APP_PID=""
APP_STATUS=""
WINDOW=""

cleanup() {
  [ -z "$APP_PID" ] || kill -9 "$APP_PID" 2>/dev/null || true
  [ -z "$XVFB_PID" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; } || true
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in stdout stderr; do
    [ -s "$WORK/$f" ] && { echo "--- tessalux $f:" >&2; cat "$WORK/$f" >&2; }
  done
  exit 1
}

# Waits up to $2 seconds (default 10) for the shell condition $1.
wait_for() {
  tries=$(( ${2:-10} * 20 ))
  while ! eval "$1"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.05
  done
}

# Every X server a test starts runs under a cap on its address space, set by
# prlimit, which then execs the server, so that $! stays the server's PID. A
# server that swells fails its allocations and ends within seconds instead of
# taking the machine's memory. Peaks seen on Debian 12 and 13: Xvfb 224 MiB,
# Xorg with the dummy driver 363 MiB, with spiceqxl 712 MiB.
XVFB_AS_CAP=$((1024 * 1024 * 1024))
XORG_AS_CAP=$((2048 * 1024 * 1024))

start_xvfb() {
  # Xvfb picks a free display itself and writes its number once it is ready.
  prlimit --as="$XVFB_AS_CAP" Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 \
    3>"$WORK/display" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  wait_for '[ -s "$WORK/display" ]' || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
  DISPLAY=":$(cat "$WORK/display")"
  export DISPLAY
  # Keep the pointer away from the window, or tooltips pop up.
  xdotool mousemove 0 0
}

# The report the fake `xrandr -q` prints.
set_report() { printf '%s' "$1" > "$WORK/report"; }

# Starts the utility with the fake xrandr first on PATH (unless PATH_FOR_APP
# is set), a fixed theme and an empty HOME, and waits for its window.
# APP_WRAPPER, if set, is a command line that runs the utility (valgrind, say);
# APP_WAIT_SECONDS is how long it may take to show its window or to end
# (default 10).
# APP_STDOUT, if set, is where its standard output goes instead of $WORK/stdout.
start_app() {
  mkdir -p "$WORK/home" "$WORK/calls"
  [ -e "$WORK/report" ] || set_report "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 194mm
HDMI-1 disconnected (normal left inverted right x axis y axis)
"
  env HOME="$WORK/home" GTK2_RC_FILES="" \
    PATH="${PATH_FOR_APP:-$SUPPORT_DIR/fake-bin:$PATH}" \
    FAKE_XRANDR_LOG="$WORK/calls" FAKE_XRANDR_REPORT="$WORK/report" \
    ${APP_WRAPPER:-} "$TESSALUX" "$@" >"${APP_STDOUT:-$WORK/stdout}" 2>"$WORK/stderr" &
  APP_PID=$!
  WINDOW=$(timeout "${APP_WAIT_SECONDS:-10}" xdotool search --sync --onlyvisible --name '^TESSALUX$' | head -n 1)
  # The pipeline's status is head's, so a search that timed out shows here.
  [ -n "$WINDOW" ] || fail "no visible window titled TESSALUX"
}

# Clicks toolbar button $1 (1 = zoom out, 2 = zoom 1:1, 3 = zoom in, 4 = quit),
# $2 times in a row if given (default once).
# The four buttons share the toolbar, which sits 30 pixels in from each side.
click_button() {
  width=$(xdotool getwindowgeometry "$WINDOW" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  x=$(( 30 + (width - 60) * (2 * $1 - 1) / 8 ))
  xdotool mousemove --window "$WINDOW" "$x" 39 click --repeat "${2:-1}" --delay 10 1
}

call_count() { ls "$WORK/calls" | wc -l; }

# Presses every zoom button, then Quit, and expects the utility to end with
# status 0: what must still work when no output is known.
zoom_buttons_then_quit() {
  for button in 1 2 3 1; do click_button "$button"; done
  click_button 4
  expect_exit_zero
}

# Clicks button $1 and waits for xrandr call number $2 (1 = first).
click_and_wait_call() {
  click_button "$1"
  wait_for '[ "$(call_count)" -ge '"$2"' ]' || fail "button $1 ran no xrandr (call $2)"
}

# The arguments of call $1 (1 = first), one per line.
call_args() {
  tr '\0' '\n' < "$WORK/calls/$(printf 'call-%04d' $(($1 - 1)))"
}

expect_call() {
  actual=$(call_args "$1")
  [ "$actual" = "$2" ] || fail "call $1: expected
$2
got
$actual"
}

# Waits for the utility to end and keeps its exit status in APP_STATUS.
wait_app_exit() {
  wait_for '[ "$(cut -d" " -f3 "/proc/$APP_PID/stat" 2>/dev/null)" != S ] &&
            [ "$(cut -d" " -f3 "/proc/$APP_PID/stat" 2>/dev/null)" != R ]' "${APP_WAIT_SECONDS:-10}" ||
    fail "tessalux did not end"
  APP_STATUS=0
  wait "$APP_PID" || APP_STATUS=$?
  APP_PID=""
}

# Checks that call $1 asked to scale the default report's output by $2.
expect_scale() { expect_scale_call "$1" eDP-1 "$2"; }

expect_exit_zero() {
  wait_app_exit
  [ "$APP_STATUS" = 0 ] || fail "exit status $APP_STATUS, expected 0"
}

expect_stdout() {
  actual=$(cat "$WORK/stdout"; printf .)
  [ "$actual" = "$1." ] || fail "standard output was [$(cat "$WORK/stdout")], expected [$1]"
}

# --- Other X servers, the real xrandr, and the utility's use of resources.

# Ends the test as skipped (CTest SKIP_RETURN_CODE 77), saying why.
skip() {
  echo "SKIPPED: $*"
  exit 77
}

# True while process $1 exists and is not a zombie.
is_running() {
  state=$(cut -d" " -f3 "/proc/$1/stat" 2>/dev/null) && [ "$state" != Z ]
}

# A TCP port that no socket on this machine uses right now.
free_tcp_port() {
  while :; do
    port=$(( 20000 + $(od -An -N2 -tu2 /dev/urandom) % 20000 ))
    grep -q ":$(printf '%04X' "$port") " /proc/net/tcp /proc/net/tcp6 2>/dev/null ||
      { echo "$port"; return; }
  done
}

# Starts Xorg with configuration file $1 (in which @SPICE_PORT@ becomes a free
# loopback port) on a free display and waits until it answers. Its PID goes
# to XVFB_PID, so cleanup stops it like Xvfb. Skips the test, with the
# server's own complaint, where no such server can be started here.
start_xorg() {
  command -v Xorg >/dev/null || skip "Xorg is not installed"
  display=20
  for attempt in 1 2 3; do
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
      display=$((display + 1))
    done
    sed "s/@SPICE_PORT@/$(free_tcp_port)/" "$1" > "$WORK/xorg.conf"
    prlimit --as="$XORG_AS_CAP" Xorg ":$display" -config "$WORK/xorg.conf" -noreset -nolisten tcp \
      -logfile "$WORK/xorg.log" >"$WORK/xorg.out" 2>&1 &
    XVFB_PID=$!
    # A server that swells at the first RandR query (spiceqxl's does on
    # Debian 13) meets its cap and ends here, and the test is skipped.
    wait_for '! is_running "$XVFB_PID" || DISPLAY=":$display" xrandr -q >/dev/null 2>&1' 20 || true
    if is_running "$XVFB_PID" && DISPLAY=":$display" xrandr -q >/dev/null 2>&1; then
      DISPLAY=":$display"
      export DISPLAY
      xdotool mousemove 0 0
      return
    fi
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
    # Someone else took the display (or port) meanwhile: try the next one.
    grep -q 'already active\|binding socket' "$WORK/xorg.out" "$WORK/xorg.log" 2>/dev/null ||
      break
    display=$((display + 1))
  done
  reason="did not start"
  ! grep -qs 'Out of memory' "$WORK/xorg.out" "$WORK/xorg.log" ||
    reason="swelled past its address-space cap of $((XORG_AS_CAP >> 20)) MiB and ended"
  skip "Xorg with $(basename "$1") $reason on $(. /etc/os-release && echo "$PRETTY_NAME"):" \
    "$(xorg_complaint)"
}

# The lines of the last Xorg run that say why it failed, on one line.
xorg_complaint() {
  { grep -A1 'Fatal server error' "$WORK/xorg.out" | tail -n 1
    grep -h '(EE)' "$WORK/xorg.log" | sed 's/^\[[^]]*\] //' |
      grep -v 'dbus\|Please also check\|Server terminated\|(WW) warning\|^(EE) *$' | head -n 3
  } 2>/dev/null | tr '\n' ' '
}

# Makes the utility run the real xrandr behind the recording wrapper, which
# records each scale call (call_args) and its exit status (xrandr_status).
use_real_xrandr() {
  REAL_XRANDR=$(command -v xrandr) || fail "xrandr is not installed"
  XRANDR_STATUS_LOG="$WORK/statuses"
  export REAL_XRANDR XRANDR_STATUS_LOG
  PATH_FOR_APP="$SUPPORT_DIR/recording-bin:$PATH"
}

# Exit status of recorded call $1 (1 = first).
xrandr_status() { sed -n "$1p" "$XRANDR_STATUS_LOG"; }

# The name of the output the server reports (last) as connected.
connected_output() { xrandr -q | sed -n 's/^\([^ ]*\) connected.*/\1/p' | tail -n 1; }

# The current size of screen 0 as WIDTHxHEIGHT.
screen_size() { xrandr -q | sed -n 's/^Screen 0:.* current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'; }

expect_screen() {
  expected_size=$1
  wait_for '[ "$(screen_size)" = "$expected_size" ]' 5 ||
    fail "screen is $(screen_size), expected $1"
}

# Call $1 asked xrandr to scale output $2 by $3 on both axes.
expect_scale_call() {
  expect_call "$1" "--output
$2
--scale
$3x$3"
}

# The utility's children, zombies included, one "PID STATE" per line.
app_children() {
  for stat in /proc/[0-9]*/stat; do
    read -r line 2>/dev/null <"$stat" || continue
    # Fields after the command name, which may hold blanks: state, parent, ...
    set -- ${line##*) }
    pid=${stat#/proc/}
    [ "${2:-}" != "$APP_PID" ] || echo "${pid%/stat} $1"
  done
}

app_fd_count() { ls "/proc/$APP_PID/fd" | wc -l; }

app_rss_kb() { awk '$1 == "VmRSS:" { print $2 }' "/proc/$APP_PID/status"; }

# Minor page faults of the children the utility has waited for (field 11 of
# /proc/PID/stat). Every child touches memory, so this grows with each child
# reaped, also one whose program never started and left no other trace.
reaped_child_faults() { cut -d" " -f11 "/proc/$APP_PID/stat"; }

# Clicks button $1 and waits until the utility has waited for one more child.
click_and_wait_reaped() {
  faults_before=$(reaped_child_faults)
  click_button "$1"
  wait_for '[ "$(reaped_child_faults)" != "$faults_before" ]' ||
    fail "button $1 started no child"
}
