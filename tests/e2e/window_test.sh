# End-to-end tests of the utility's window on a private X server, bare or
# with a window manager; run by support/lib.sh.

case_buttons() { presses_reach_xrandr eDP-1; }

# Closing the window by the command "$@" ends the utility with status 0, like
# Quit: the window manager's close (WM_DELETE_WINDOW), or its destruction.
closed_by() {
  start_app
  "$@"
  expect_exit_zero
  expect_stdout ""
}
case_window_manager_close() { XSERVER_WM=openbox; closed_by wmctrl -c TESSALUX; }
case_window_destroyed() { closed_by xdotool search --onlyvisible --name '^TESSALUX$' windowclose; }

case_no_xrandr() {
  mkdir -p "$WORK/empty-path"
  APP_WRAPPER="env PATH=$WORK/empty-path"
  start_app
  zoom_buttons_then_quit
  expect_stdout "$NO_OUTPUT_FOUND"
}

# The report's command cannot start at all: both messages, a usable window.
case_xrandr_cannot_start() {
  APP_WRAPPER="env LD_PRELOAD=$NO_POPEN ASAN_OPTIONS=${ASAN_OPTIONS:-}:verify_asan_link_order=0"
  start_app
  zoom_buttons_then_quit
  expect_stdout "couldn't run xrandr
$NO_OUTPUT_FOUND"
}

case_nothing_connected() {
  set_report "Screen 0: minimum 320 x 200, current 1024 x 768, maximum 8192 x 8192
HDMI-1 disconnected (normal left inverted right x axis y axis)
"
  start_app
  zoom_buttons_then_quit
  expect_stdout "$NO_OUTPUT_FOUND"
}

case_arguments_change_nothing() {
  start_app --display=:999 --name=other --class=Other --sync --gtk-debug=all \
    --g-fatal-warnings -q --help --version "--output x"
  press_and_wait_call 1 1 eDP-1 1.1
  quit_cleanly
}

# The report takes three seconds, as where outputs are slow to probe. Before
# it has come, the window is on the screen with its buttons drawn, and a
# press made then acts once it has come.
# Also under openbox
case_shown_before_slow_report() {
  echo 3 >"$WORK/delay"
  start_app
  click_button 1
  [ ! -e "$WORK/answered" ] || fail "the window was drawn, or the press made, only after the report"
  wait_for '[ "$(call_count)" -ge 1 ]' || fail "the press made meanwhile was lost"
  expect_scale_call 1 eDP-1 1.1
  quit_cleanly
}

# A window manager that never maps the window holds start-up back for a
# moment only: the report is read and what it found is said.
case_window_never_mapped() {
  start_xserver
  "$WINDOW_TOOL" withhold >"$WORK/withholding" &
  wait_for '[ -s "$WORK/withholding" ]' || fail "the withholding window manager did not start"
  set_report "$NOTHING_CONNECTED"
  launch_app
  wait_for '[ -s "$WORK/stdout" ]' 5 || fail "start-up is still waiting for its window"
  expect_stdout "$NO_OUTPUT_FOUND"
}

# The window cannot be resized. Whenever the screen changes size, it moves to
# where start-up puts it on the new screen, wholly on it.
# Also under openbox
case_centred_on_every_screen_size() {
  start_app
  hints=$(xprop -id "$WINDOW" WM_NORMAL_HINTS)
  min=$(echo "$hints" | sed -n 's/.*minimum size: //p')
  [ -n "$min" ] && [ "$min" = "$(echo "$hints" | sed -n 's/.*maximum size: //p')" ] ||
    fail "resizable: $hints"
  expect_centred "at start"
  for size in 800x600 640x480 300x200 1024x768; do
    resize_xvfb "$size"
    expect_centred "on a $size screen"
  done
  quit_cleanly
}

# Two monitors side by side, the pointer on the right one: the window is
# centred on that one, at start and after another program grew the screen.
case_centred_on_the_monitor_under_the_pointer() {
  start_xserver "$SUPPORT_DIR/dummy.conf"
  xrandr --addmode DUMMY1 1024x768
  xrandr --output DUMMY1 --mode 1024x768 --pos 1024x0
  xdotool mousemove 1100 10
  start_app
  expect_centred "at start" "1024 0 1024 768"
  xrandr --fb 2448x968
  expect_centred "once the screen grew" "1024 0 1024 768"
  quit_cleanly
}

# A screen reader finds the tooltips in the user's language, in GTK's own
# words without the mnemonic, and in English in C; standard output stays
# English.
case_tooltips_in_the_users_language() {
  set_report "$NOTHING_CONNECTED"
  while read -r language tooltips; do
    APP_WRAPPER="dbus-run-session -- env LANG=$language GTK_MODULES=gail:atk-bridge"
    start_app
    wait_for '/usr/bin/python3 "$HERE/accessible_buttons.py" >"$WORK/tooltips" 2>&1 &&
      [ "$(wc -l <"$WORK/tooltips")" = 4 ]' || fail "no buttons in the accessibility tree: $(cat "$WORK/tooltips")"
    [ "$(tr '\n' , <"$WORK/tooltips")" = "$tooltips" ] || fail "in $language: $(cat "$WORK/tooltips")"
    quit_cleanly "$NO_OUTPUT_FOUND"
  done <<EOF
de_DE.UTF-8 Wegzoomen,Normale Größe,Heranzoomen,Beenden,
ja_JP.UTF-8 縮小,標準サイズ,拡大,終了,
C Zoom out,Zoom 1:1,Zoom in,Quit,
EOF
}

# The window's size and its icons' on one line; click_button's too, anew.
drawn_sizes() {
  "$WINDOW_TOOL" buttons "$WINDOW" >"$WORK/buttons" 2>&1 || true
  { xwininfo -id "$WINDOW" | sed -n 's/^ *Width: //p; s/^ *Height: //p'
    cut -d" " -f3,4 "$WORK/buttons"; } | tr '\n' ' '
}

# True when each of drawn_sizes is $2 times the one in $1, give or take a
# fifth: padding does not grow, and the icons are the toolkit's at scale 1,
# elsewhere the theme's.
scaled_by() {
  SIZES=$(drawn_sizes)
  echo "$1|$SIZES" | awk -F"|" -v by="$2" '{ n = split($1, was, " "); split($2, now, " ")
    for (i = 1; i <= n; i++) if (now[i] < was[i] * by * 0.8 || now[i] > was[i] * by * 1.2) exit 1 }'
}

# The window follows GDK_SCALE and the desktop's text resolution (Xft/DPI,
# from its settings daemon), also as that changes; it is centred again then.
case_follows_the_desktops_scale() {
  start_xserver
  echo "Xft/DPI 98304" >"$WORK/xsettings"
  xsettingsd -c "$WORK/xsettings" >/dev/null 2>&1 &
  settings_daemon=$!
  start_app
  at_96=$(drawn_sizes)
  [ "$(echo "$at_96" | cut -d" " -f1,2)" = "180 78" ] || fail "not 180x78 at 96 dpi: $at_96"
  echo "Xft/DPI 196608" >"$WORK/xsettings"
  kill -HUP "$settings_daemon"
  wait_for 'scaled_by "$at_96" 2' || fail "192 dpi from xsettingsd while running: $SIZES, not twice $at_96"
  expect_centred "once the text grew"
  quit_cleanly
  kill "$settings_daemon"
  APP_WRAPPER="env GDK_SCALE=2"
  start_app
  scaled_by "$at_96" 2 || fail "with GDK_SCALE=2: $SIZES, not twice $at_96"
  quit_cleanly
}
