# End-to-end tests of the utility's window on a private X server, bare or
# with a window manager: `sh window_test.sh CASE` runs case_CASE (see lib.sh).
[ -n "${HERE:-}" ] || exec sh "$(dirname "$0")/../support/lib.sh" "$0" "$@"

case_buttons() { expect_each_press_scales eDP-1; }

# Closing the window by the command "$@" ends the utility with status 0, like
# Quit: the window manager's close (WM_DELETE_WINDOW), or its destruction by
# another client at any moment, here while a slow report is read and the
# pointer rests on a button, whose tooltip then asks about the window gone.
expect_closed_by() { start_app; "$@"; expect_exit_zero; expect_stdout ""; }
case_window_manager_close() { XSERVER_WM=openbox; expect_closed_by wmctrl -c TESSALUX; }
case_window_destroyed() { echo 1.5 >"$WORK/delay"; expect_closed_by eval 'xdotool mousemove --window \
  "$WINDOW" $(head -n 1 "$WORK/buttons" | cut -d" " -f1,2) sleep 0.2 windowclose "$WINDOW"'; }

# Another client destroys the window the moment it is named: while start-up
# waits for the frame's size under a window manager, for the drawing without.
# Or the moment it is mapped, as the toolkit starts drawing in it.
expect_destroyed_when() { start_window_tool destroy "$1"; launch_app; expect_exit_zero; expect_stdout ""; }
# Also under openbox
case_window_destroyed_when_named() { expect_destroyed_when named; }
case_window_destroyed_when_mapped() { expect_destroyed_when mapped; }

# The last connected line names no output, an earlier one did: detection
# says it failed, yet the zooms act on that earlier output, none greyed out.
case_output_named_before_a_nameless_one() { set_report "eDP-1 connected
 connected 800x600+0+0"; expect_each_press_scales eDP-1 "$NO_OUTPUT_FOUND"; }

case_no_xrandr() { mkdir "$WORK/empty"; APP_WRAPPER="env PATH=$WORK/empty"; expect_zoom_does_nothing; }

# The report's command cannot start at all: both messages, a usable window.
case_xrandr_cannot_start() {
  APP_WRAPPER="env LD_PRELOAD=$BUILD_DIR/tests/libno_popen.so ASAN_OPTIONS=${ASAN_OPTIONS:-}:verify_asan_link_order=0"
  expect_zoom_does_nothing "couldn't run xrandr
$NO_OUTPUT_FOUND"
}

case_nothing_connected() {
  set_report "Screen 0: minimum 320 x 200, current 1024 x 768, maximum 8192 x 8192
$NOTHING_CONNECTED"
  expect_zoom_does_nothing
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
  press 1
  [ ! -e "$WORK/answered" ] || fail "the window was drawn, or the press made, only after the report"
  wait_for '[ "$(call_count)" -ge 1 ]' || fail "the press made meanwhile was lost"
  expect_scale_call 1 eDP-1 1.1
  quit_cleanly
}

# A window manager that never maps the window holds start-up back for a
# moment only: the report is read and what it found is said.
case_window_never_mapped() {
  start_window_tool withhold
  set_report "$NOTHING_CONNECTED"
  launch_app
  wait_for '[ -s "$WORK/stdout" ]' 5 || fail "start-up is still waiting for its window"
  expect_stdout "$NO_OUTPUT_FOUND"
}

# The window cannot be resized. Whenever the screen changes size, or the
# frame does, it moves to where start-up puts it on the new screen, wholly on
# it, or where the screen is smaller, with its top left corner on it.
# Also under openbox
case_centred_on_every_screen_size() {
  start_app
  hints=$(xprop -id "$WINDOW" WM_NORMAL_HINTS)
  min=$(echo "$hints" | sed -n 's/.*minimum size: //p')
  [ -n "$min" ] && [ "$min" = "$(echo "$hints" | sed -n 's/.*maximum size: //p')" ] ||
    fail "resizable: $hints"
  expect_centred "at start"
  for size in 800x600 640x480 300x200 300x110 160x60 1024x768; do
    resize_xvfb "$size"
    expect_centred "on a $size screen"
  done
  [ -z "$XSERVER_WM" ] || grow_title_bar
  quit_cleanly
}

# The title bar grows after the map, as with a new theme: centred again.
grow_title_bar() {
  frame=$(xprop -id "$WINDOW" _NET_FRAME_EXTENTS)
  mkdir -p "$WORK/wm-home/.config/openbox"
  sed 's|<size>8</size>|<size>30</size>|' /etc/xdg/openbox/rc.xml >"$WORK/wm-home/.config/openbox/rc.xml"
  HOME="$WORK/wm-home" openbox --reconfigure
  wait_for '[ "$(xprop -id "$WINDOW" _NET_FRAME_EXTENTS)" != "$frame" ]' || fail "the title bar stayed"
  expect_centred "once the title bar grew"
}

# Under openbox the frame, watched from before the start, does not move once
# mapped: it is in the middle from the first. Moved aside, it stays there at
# presses that change nothing: Zoom 1:1 at 1:1, a zoom that xrandr refuses.
case_frame_stays_put() {
  XSERVER_WM=openbox
  start_window_tool watch
  start_app
  sleep 0.5
  ! grep moved "$WORK/window_tool" || fail "the frame jumped after its first map"
  wmctrl -r TESSALUX -e 0,40,50,-1,-1
  wait_for 'grep -q moved "$WORK/window_tool"' || fail "the window manager did not move it"
  echo 1 >"$WORK/exit-status"
  press_and_wait_call 2 1 eDP-1 1.0
  press_and_wait_call 1 2 eDP-1 1.1
  sleep 0.5
  [ "$(grep -c moved "$WORK/window_tool")" = 1 ] || fail "moved back: $(cat "$WORK/window_tool")"
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
# English. Where no output was found, the zoom buttons are greyed out.
case_tooltips_in_the_users_language() {
  while read -r language state tooltips; do
    set_report "eDP-1 $state
"
    APP_WRAPPER="dbus-run-session -- env LANG=$language GTK_MODULES=gail:atk-bridge"
    start_app
    wait_for '/usr/bin/python3 "$HERE/accessible_buttons.py" >"$WORK/tooltips" 2>&1 &&
      [ "$(wc -l <"$WORK/tooltips")" = 4 ]' || fail "no buttons in the accessibility tree: $(cat "$WORK/tooltips")"
    [ "$(tr '\n' , <"$WORK/tooltips")" = "$tooltips" ] || fail "in $language: $(cat "$WORK/tooltips")"
    [ "$state" = connected ] && quit_cleanly || quit_cleanly "$NO_OUTPUT_FOUND"
  done <<EOF
de_DE.UTF-8 disconnected Wegzoomen (greyed out),Normale Größe (greyed out),Heranzoomen (greyed out),Beenden,
ja_JP.UTF-8 connected 縮小,標準サイズ,拡大,終了,
C disconnected Zoom out (greyed out),Zoom 1:1 (greyed out),Zoom in (greyed out),Quit,
EOF
}

# The window follows the desktop's text resolution (Xft/DPI, from its
# settings daemon) as it changes, and GDK_SCALE: twice as large, centred
# again, its icons the same pictures, sharp (the theme's, not 24-pixel images
# enlarged), its margins twice as wide (the toolkit's padding stays). At 100
# dpi it is what it is at 96, the theme's 24-pixel icons.
# Absurd scales are bounded: the window stays on the screen, with every
# button drawn.
# Also under openbox
case_follows_the_desktops_scale() {
  set_dpi 100
  start_app
  [ "$(window_size)" = "180 78 " ] || fail "not 180x78 at 100 dpi: $(window_size)"
  set_dpi 192
  wait_for 'look 192 && compare_looks scaled start 192 2 && compare_looks alike start 192' ||
    fail "at 192 dpi not twice the size, the same pictures, sharp: $(cat "$WORK/look.start" "$WORK/look.192")"
  [ "$(window_size)" = "316 142 " ] || fail "not 316x142 at 192 dpi: $(window_size)"
  expect_centred "once the text grew"
  # Under openbox with a large title bar on a low screen, the frame still fits.
  [ -z "$XSERVER_WM" ] || { grow_title_bar; resize_xvfb 1024x300; }
  for dpi in 2000 10; do
    set_dpi "$dpi"
    expect_fitted "at $dpi dpi"
    wait_for 'look "$dpi"' || fail "at $dpi dpi: $(cat "$WORK/buttons")"
  done
  quit_cleanly
  mv "$WORK/look.start" "$WORK/look.96"
  # GDK_SCALE counts only as a whole number: 1.5 leaves the desktop's 10 dpi.
  for scale in "2 96 2" "1.5 10 1" 40; do
    set -- $scale
    APP_WRAPPER="env GDK_SCALE=$1"
    start_app
    [ $# = 1 ] || compare_looks scaled "$2" start "$3" || fail "with GDK_SCALE=$1: $(cat "$WORK/look.start")"
    expect_fitted "with GDK_SCALE=$1"
    quit_cleanly
  done
}

# Centred, and wholly on the screen at any scale.
expect_fitted() { expect_centred "$1"; [ "$frame_h" -le $((${screen#* })) ] || fail "too tall: $PLACEMENT"; }

# In a right-to-left language the window is its left-to-right self mirrored,
# at scale 1 and 2: the buttons in the other order, each as far from the
# toolbar's other side. Quit is the leftmost button there.
case_mirrored_in_right_to_left_languages() {
  for scale in 1 2; do
    for language in C he_IL.UTF-8; do
      APP_WRAPPER="env GDK_SCALE=$scale LANG=$language"
      start_app
      cp "$WORK/look.start" "$WORK/look.$language"
      quit_cleanly "" ctrl+q
    done
    compare_looks mirrored C he_IL.UTF-8 ||
      fail "at scale $scale, not mirrored: $(cat "$WORK/look.C" "$WORK/look.he_IL.UTF-8")"
  done
}
