# Run by the fake xrandr before it answers `xrandr -q`: notes the buttons
# drawn in the window at that moment, clicks the first one, then lets the
# report wait half a second, as where outputs are slow to probe.
window=$(xdotool search --onlyvisible --name '^TESSALUX$' | head -n 1)
"$WINDOW_TOOL" buttons "$window" >"$FAKE_XRANDR_DIR/drawing" 2>&1 &&
  xdotool mousemove --window "$window" $(head -n 1 "$FAKE_XRANDR_DIR/drawing" | cut -d" " -f1,2) click 1
mv "$FAKE_XRANDR_DIR/drawing" "$FAKE_XRANDR_DIR/drawn"
sleep 0.5
