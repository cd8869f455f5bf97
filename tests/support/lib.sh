# Shared steps of the script tests: a private X server, the utility started
# with the tests' fake xrandr, its window found by title and its buttons
# found where they are drawn. CTest runs each case as `sh lib.sh SCRIPT CASE
# [WM]`: SCRIPT's function case_CASE, with the window manager WM if given; it
# passes (0), fails (1) or is skipped (77: its X server cannot run here, and
# it says why).
#
# What steers the harness, all of it:
#   TESSALUX, SUPPORT_DIR (tests/support), WINDOW_TOOL, NO_POPEN (a library
#     whose popen fails), BUILD_DIR, SOURCE_DIR: set by CTest;
#   XSERVER_WM: openbox for a window manager (CTest's "_under_openbox" twins);
#   APP_WRAPPER: a command line that runs the utility (valgrind, env, ...);
#   APP_WAIT_SECONDS: how long it may take to show its window and to end;
#   FAKE_XRANDR_DIR: the fake xrandr's folder of files, set to $WORK by
#     launch_app; support/fake-bin/xrandr says what they do.

set -eu
. "$SUPPORT_DIR/xserver.sh"

WORK=$(mktemp -d /tmp/tessalux-test-XXXXXX)
APP_PID=""
WINDOW=""

cleanup() {
  [ -z "$APP_PID" ] || kill -9 "$APP_PID" 2>/dev/null || true
  stop_xserver
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  # A server that ended under the test, its memory cap reached, say, says
  # nothing about the utility. Its clients can see it go a moment earlier.
  ! wait_for xserver_gone 2 || skip "the X server ended during the test on $(debian_release): $(xserver_complaint)"
  echo "FAIL: $*" >&2
  for f in stdout stderr; do
    [ -s "$WORK/$f" ] && { echo "--- tessalux $f:" >&2; cat "$WORK/$f" >&2; }
  done
  exit 1
}

# The report the fake `xrandr -q` prints.
set_report() { printf '%s' "$1" > "$WORK/report"; }
NOTHING_CONNECTED="HDMI-1 disconnected (normal left inverted right x axis y axis)
"
# What the utility says when it found no output.
NO_OUTPUT_FOUND="Call to xrandr failed
"

# Starts the utility with the fake xrandr first on PATH, a fixed theme and an
# empty HOME, on a private Xvfb unless the case started a server; standard
# output goes to $WORK/stdout, which may be a pipe.
launch_app() {
  [ -n "$XSERVER_PID" ] || start_xserver
  mkdir -p "$WORK/home" "$WORK/calls"
  [ -e "$WORK/report" ] || set_report "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 194mm
HDMI-1 disconnected (normal left inverted right x axis y axis)
"
  env HOME="$WORK/home" GTK2_RC_FILES="" PATH="$SUPPORT_DIR/fake-bin:$PATH" FAKE_XRANDR_DIR="$WORK" \
    ${APP_WRAPPER:-} "$TESSALUX" "$@" >"$WORK/stdout" 2>"$WORK/stderr" &
  APP_PID=$!
}

# launch_app, then waits until the window titled TESSALUX shows its four
# buttons and has the keyboard focus. XGetImage cannot read back what the
# Xorg drivers of the tests draw: there click_button presses shortcuts.
start_app() {
  launch_app "$@"
  WINDOW=$(timeout "${APP_WAIT_SECONDS:-10}" xdotool search --sync --onlyvisible --name '^TESSALUX$' | head -n 1)
  # The pipeline's status is head's, so a search that timed out shows here.
  [ -n "$WINDOW" ] && [ "$(xdotool getwindowname "$WINDOW")" = TESSALUX ] ||
    fail "no visible window titled TESSALUX"
  # A window manager gives a new window the focus; without one, we do.
  if [ -n "${XSERVER_WM:-}" ]; then
    wait_for '[ "$(xdotool getactivewindow)" = "$WINDOW" ]' || fail "the window has no focus"
  else
    xdotool windowfocus --sync "$WINDOW" || fail "could not focus the window"
  fi
  xserver_is_xorg ||
    wait_for '"$WINDOW_TOOL" buttons "$WINDOW" >"$WORK/buttons" 2>&1' "${APP_WAIT_SECONDS:-10}" ||
    fail "the window's buttons: $(cat "$WORK/buttons")"
}

# Clicks toolbar button $1 (1 = zoom out, 2 = zoom 1:1, 3 = zoom in, 4 = quit)
# in the middle of where it is drawn, $2 times in a row if given (default once).
click_button() {
  if xserver_is_xorg; then
    xdotool key --repeat "${2:-1}" --delay 10 "$(echo ctrl+minus ctrl+0 ctrl+plus ctrl+q | cut -d" " -f"$1")"
    return
  fi
  # shellcheck disable=SC2046
  xdotool mousemove --window "$WINDOW" $(sed -n "$1p" "$WORK/buttons" | cut -d" " -f1,2) \
    click --repeat "${2:-1}" --delay 10 1
}

call_count() { ls "$WORK/calls" | wc -l; }

# With no output known, no zoom button runs xrandr, and Quit ends with 0.
zoom_buttons_then_quit() {
  for button in 1 2 3 1; do click_button "$button"; done
  click_button 4
  expect_exit_zero
  [ "$(call_count)" = 0 ] || fail "a zoom button ran xrandr without an output"
}

# Presses $1, a button's number (see click_button) or a key (ctrl+minus,
# KP_Add, ...), and waits for xrandr call number $2 (1 = first), which must
# scale output $3 by $4 on both axes where they are given.
press_and_wait_call() {
  case $1 in [1-4]) click_button "$1" ;; *) xdotool key "$1" ;; esac
  wait_for '[ "$(call_count)" -ge '"$2"' ]' 30 || fail "$1 ran no xrandr (call $2)"
  [ -z "${4:-}" ] || expect_scale_call "$2" "$3" "$4"
}

# Call $1 (1 = first) asked xrandr to scale output $2 by $3 on both axes.
expect_scale_call() {
  actual=$(tr '\0' '\n' <"$WORK/calls/$(printf 'call-%04d' $(($1 - 1)))")
  [ "$actual" = "$(printf '%s\n' --output "$2" --scale "$3x$3")" ] ||
    fail "call $1 was [$actual], expected $2 and $3"
}

expect_exit_zero() {
  wait_for '! is_running "$APP_PID"' "${APP_WAIT_SECONDS:-10}" || fail "tessalux did not end"
  status=0
  wait "$APP_PID" || status=$?
  APP_PID=""
  [ "$status" = 0 ] || fail "exit status $status, expected 0"
}

# The utility's standard output was $1, byte for byte. The accessibility
# bus's registry, where a case starts one, announces itself there too.
expect_stdout() {
  actual=$(sed '/^SpiRegistry daemon is running/d' "$WORK/stdout"; printf .)
  [ "$actual" = "$1." ] || fail "standard output was [$(cat "$WORK/stdout")], expected [$1]"
}

# Starts the utility and presses zoom out, zoom in twice, zoom 1:1, then
# Quit: each press must ask xrandr to scale output $1 by the factor that
# follows from the press before, whatever became of it.
presses_reach_xrandr() {
  start_app
  for press in "1 1.1" "3 1" "3 0.9090909090909091" "2 1.0"; do
    call=$(( $(call_count) + 1 ))
    press_and_wait_call "${press% *}" "$call" "$1" "${press#* }"
  done
  quit_cleanly
  [ "$(call_count)" = 4 ] || fail "$(call_count) xrandr calls, expected 4"
}

# Quit ends the utility with status 0, and it printed $1 (default nothing).
# The pointer is taken away, lest it light up a button of the next window.
quit_cleanly() {
  click_button 4
  expect_exit_zero
  expect_stdout "${1:-}"
  xdotool mousemove 0 0
}

# True when the window, with its frame under a window manager, lies wholly on
# the screen with its corner where start-up puts it: the window's own size
# centred on the area "X Y WIDTH HEIGHT" $1 (default: the whole screen).
# PLACEMENT says where it was found.
is_centred() {
  screen=$(xwininfo -root | sed -n 's/^ *Width: //p; s/^ *Height: //p' | tr '\n' ' ')
  set -- "${1:-0 0 $screen}" $screen
  read -r area_x area_y area_w area_h <<AREA
$1
AREA
  eval "$(xwininfo -id "$WINDOW" | sed -n 's/.*Absolute upper-left X: */x=/p
    s/.*Absolute upper-left Y: */y=/p; s/^ *Width: */w=/p; s/^ *Height: */h=/p')"
  # Frame sizes left, right, top, bottom; none without a window manager.
  set -- "$2" "$3" $(xprop -id "$WINDOW" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ,) 0 0 0 0
  frame_x=$((x - $3)) frame_y=$((y - $5)) frame_w=$((w + $3 + $4)) frame_h=$((h + $5 + $6))
  PLACEMENT="frame ${frame_w}x${frame_h}+${frame_x}+${frame_y} on a ${1}x${2} screen"
  dx=$((frame_x - area_x - (area_w - w) / 2)) dy=$((frame_y - area_y - (area_h - h) / 2))
  [ "$frame_x" -ge 0 ] && [ "$frame_y" -ge 0 ] && [ $((frame_x + frame_w)) -le "$1" ] &&
    [ $((frame_y + frame_h)) -le "$2" ] && [ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ]
}

# Waits for is_centred on area $2 (a real driver's mode set can take
# seconds); $1 says when, for the message.
expect_centred() {
  wait_for "is_centred '${2:-}'" 20 || fail "not centred $1: $PLACEMENT"
}

if [ $# -ge 2 ]; then
  HERE=$(cd "$(dirname "$1")" && pwd)
  XSERVER_WM=${3:-}
  . "$1"
  "case_$2"
  echo "$2: passed"
fi
