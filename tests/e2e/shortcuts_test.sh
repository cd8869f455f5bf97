# End-to-end tests of the keyboard shortcuts: real key presses, checked
# through the arguments the fake xrandr receives: `sh shortcuts_test.sh CASE`
# runs case_CASE (see support/lib.sh).
[ -n "${HERE:-}" ] || exec sh "$(dirname "$0")/../support/lib.sh" "$0" "$@"

# Each key, in this order, and the scale it must ask for: zoom out goes up
# by 1.1, zoom 1:1 back to 1.0, zoom in down by 1.1, as the buttons do. Under
# a window manager the new window gets the keyboard focus (start_app waits
# for it), and the keys work without anything else done to it.
# Also under openbox
case_every_key() {
  start_app
  call=0
  while read -r key scale; do
    call=$((call + 1))
    press_and_wait_call "$key" "$call" eDP-1 "$scale"
  done <<EOF
ctrl+minus 1.1
KP_Subtract 1.21
ctrl+KP_Subtract 1.331
ctrl+0 1.0
KP_0 1.0
ctrl+KP_0 1.0
ctrl+plus 0.9090909090909091
ctrl+equal 0.8264462809917354
KP_Add 0.7513148009015777
ctrl+KP_Add 0.6830134553650705
ctrl+shift+equal 0.6209213230591549
EOF
  quit_cleanly "" ctrl+q
  [ "$(call_count)" = "$call" ] || fail "Ctrl+Q ran xrandr"
}

# Keys without their Ctrl, or with other modifiers, do nothing. Keys are
# handled in order, so had any of them zoomed or quit, the first xrandr call
# would not be the one of the closing Ctrl+minus.
case_other_keys_do_nothing() {
  start_app
  xdotool key minus equal plus 0 q Escape \
    ctrl+shift+minus ctrl+shift+0 ctrl+alt+minus alt+KP_Add alt+q ctrl+shift+q
  press_and_wait_call ctrl+minus 1 eDP-1 1.1
  quit_cleanly
}

# A zoom key held down while each zoom takes 0.3 s: the repeats sent while a
# zoom ran are dropped, so zooming stops when the key is released.
case_held_key() {
  echo 0.3 >"$WORK/delay"
  start_app
  xdotool keydown ctrl+minus sleep 1.5 keyup ctrl+minus
  released=$(call_count)
  sleep 1
  [ "$(call_count)" -le $((released + 1)) ] && [ "$(call_count)" -le 6 ] || fail "$released zooms, then $(call_count)"
  quit_cleanly "" ctrl+q
}
