#!/bin/sh
# End-to-end tests of the utility's window on a private Xvfb.
#   window_test.sh CASE    with TESSALUX, SUPPORT_DIR and WM_DELETE set.
. "$(dirname "$0")/lib.sh"

case_buttons() {
  start_xvfb
  start_app
  [ "$(xdotool getwindowname "$WINDOW")" = TESSALUX ] || fail "title"
  click_and_wait_call 1 1
  expect_scale 1 1.1
  click_and_wait_call 3 2
  expect_scale 2 1
  click_and_wait_call 3 3
  expect_scale 3 0.9090909090909091
  click_and_wait_call 2 4
  expect_scale 4 1.0
  click_button 4
  expect_exit_zero
  [ "$(call_count)" = 4 ] || fail "Quit ran xrandr"
  expect_stdout ""
}

case_window_manager_close() {
  start_xvfb
  start_app
  "$WM_DELETE" "$WINDOW"
  expect_exit_zero
  expect_stdout ""
}

case_window_destroyed() {
  start_xvfb
  start_app
  xdotool windowclose "$WINDOW"
  expect_exit_zero
}

case_no_xrandr() {
  start_xvfb
  mkdir -p "$WORK/empty-path"
  PATH_FOR_APP="$WORK/empty-path"
  start_app
  zoom_buttons_then_quit
  expect_stdout "Call to xrandr failed
"
}

case_nothing_connected() {
  start_xvfb
  set_report "Screen 0: minimum 320 x 200, current 1024 x 768, maximum 8192 x 8192
HDMI-1 disconnected (normal left inverted right x axis y axis)
"
  start_app
  zoom_buttons_then_quit
  [ "$(call_count)" = 0 ] || fail "a zoom button ran xrandr without an output"
  expect_stdout "Call to xrandr failed
"
}

case_arguments_change_nothing() {
  start_xvfb
  start_app --display=:999 --name=other --class=Other --sync --gtk-debug=all \
    --g-fatal-warnings -q --help --version "--output x"
  [ "$(xdotool getwindowname "$WINDOW")" = TESSALUX ] || fail "title"
  click_and_wait_call 1 1
  expect_scale 1 1.1
  click_button 4
  expect_exit_zero
  expect_stdout ""
}

case_fixed_size_and_centred() {
  start_xvfb
  start_app
  hints=$(xprop -id "$WINDOW" WM_NORMAL_HINTS)
  min=$(echo "$hints" | sed -n 's/.*minimum size: \(.*\)/\1/p')
  max=$(echo "$hints" | sed -n 's/.*maximum size: \(.*\)/\1/p')
  [ -n "$min" ] && [ "$min" = "$max" ] || fail "resizable: $hints"
  geometry=$(xdotool getwindowgeometry --shell "$WINDOW")
  eval "$geometry"
  [ $((X * 2 + WIDTH)) -ge 1022 ] && [ $((X * 2 + WIDTH)) -le 1026 ] &&
    [ $((Y * 2 + HEIGHT)) -ge 766 ] && [ $((Y * 2 + HEIGHT)) -le 770 ] ||
    fail "not centred: $geometry"
  click_button 4
  expect_exit_zero
}

"case_$1"
echo "$1: passed"
