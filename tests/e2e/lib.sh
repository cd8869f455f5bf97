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

start_xvfb() {
  # Xvfb picks a free display itself and writes its number once it is ready.
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 \
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
start_app() {
  mkdir -p "$WORK/home" "$WORK/calls"
  [ -e "$WORK/report" ] || set_report "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 194mm
HDMI-1 disconnected (normal left inverted right x axis y axis)
"
  env HOME="$WORK/home" GTK2_RC_FILES="" \
    PATH="${PATH_FOR_APP:-$SUPPORT_DIR/fake-bin:$PATH}" \
    FAKE_XRANDR_LOG="$WORK/calls" FAKE_XRANDR_REPORT="$WORK/report" \
    "$TESSALUX" "$@" >"$WORK/stdout" 2>"$WORK/stderr" &
  APP_PID=$!
  WINDOW=$(timeout 10 xdotool search --sync --onlyvisible --name '^TESSALUX$' | head -n 1) ||
    fail "no visible window titled TESSALUX"
}

# Clicks toolbar button $1 (1 = zoom out, 2 = zoom 1:1, 3 = zoom in, 4 = quit).
# The four buttons share the toolbar, which sits 30 pixels in from each side.
click_button() {
  width=$(xdotool getwindowgeometry "$WINDOW" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  x=$(( 30 + (width - 60) * (2 * $1 - 1) / 8 ))
  xdotool mousemove --window "$WINDOW" "$x" 39 click 1
}

call_count() { ls "$WORK/calls" | wc -l; }

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
            [ "$(cut -d" " -f3 "/proc/$APP_PID/stat" 2>/dev/null)" != R ]' ||
    fail "tessalux did not end"
  APP_STATUS=0
  wait "$APP_PID" || APP_STATUS=$?
  APP_PID=""
}

# Checks that call $1 asked to scale the default report's output by $2.
expect_scale() {
  expect_call "$1" "--output
eDP-1
--scale
$2x$2"
}

expect_exit_zero() {
  wait_app_exit
  [ "$APP_STATUS" = 0 ] || fail "exit status $APP_STATUS, expected 0"
}

expect_stdout() {
  actual=$(cat "$WORK/stdout"; printf .)
  [ "$actual" = "$1." ] || fail "standard output was [$(cat "$WORK/stdout")], expected [$1]"
}
