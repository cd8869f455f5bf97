# Shared steps of the script tests: a private X server, the utility started
# with the tests' fake xrandr, its window found by title, its buttons found
# where they are drawn. `sh SCRIPT CASE [WM]`, or `sh lib.sh SCRIPT CASE [WM]`
# as CTest runs it, runs SCRIPT's function case_CASE, with the window manager
# WM if given; it passes (0), fails (1) or is skipped (77, saying why).
# What steers a case besides WM, where the case does not set it, all of it:
#   BUILD_DIR: the build to test, build/ by default; CTest sets it;
#   TESSALUX: the program to test, BUILD_DIR/tessalux by default;
#   SUPPORT_DIR: this folder, found from $0 by default;
#   APP_WRAPPER: a command line that runs the utility (valgrind, env, ...);
#   APP_WAIT_SECONDS: how long it may take to show its window and to end.

set -eu
SUPPORT_DIR=${SUPPORT_DIR:-$(cd "$(dirname "$0")" && pwd)}
SOURCE_DIR=$(cd "$SUPPORT_DIR/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$SOURCE_DIR/build}
TESSALUX=${TESSALUX:-$BUILD_DIR/tessalux}
WINDOW_TOOL=$BUILD_DIR/tests/window_tool
. "$SUPPORT_DIR/xserver.sh"

WORK=$(mktemp -d /tmp/tessalux-test-XXXXXX)
export WORK
APP_PID="" WINDOW="" SETTINGS_PID=""

# Every program the case starts has its WORK, and ends with it however it
# ends, even killed outright (TERM, then KILL a moment later); WORK goes too.
end_case() {
  pids=$(grep -lszxF "WORK=$WORK" /proc/[0-9]*/environ | cut -d/ -f3)
  { kill $pids; wait_for '[ -z "$(for pid in $pids; do is_running "$pid" && echo; done)" ]' 2; } 2>/dev/null ||
    kill -9 $pids 2>/dev/null || true
  rm -rf "$WORK"
}
(tail --pid=$$ -f /dev/null && end_case) >/dev/null 2>&1 &
trap 'exit 1' HUP INT TERM
trap 'stop_xserver; end_case' EXIT

fail() {
  # A server that ended under the test, its memory cap reached, say, says
  # nothing about the utility. Its clients can see it go a moment earlier.
  ! wait_for xserver_gone 2 || skip "the X server ended during the test on $(debian_release): $(xserver_complaint)"
  echo "FAIL: $*" >&2
  for f in stdout stderr; do [ ! -s "$WORK/$f" ] || { echo "--- tessalux $f:"; cat "$WORK/$f"; } >&2; done
  exit 1
}

# The report the fake `xrandr -q` prints.
set_report() { printf '%s' "$1" > "$WORK/report"; }
NOTHING_CONNECTED="HDMI-1 disconnected (normal left inverted right x axis y axis)
"
# What the utility says when it found no output.
NO_OUTPUT_FOUND="Call to xrandr failed
"

# Starts the utility with the fake xrandr first on PATH, the default theme
# and an empty HOME, on a private Xvfb unless the case started a server.
launch_app() {
  [ -x "$TESSALUX" ] || { echo "no $TESSALUX: build first (sh scripts/test does)" >&2; exit 1; }
  [ -n "$XSERVER_PID" ] || start_xserver
  mkdir -p "$WORK/home" "$WORK/calls"
  [ -e "$WORK/report" ] || set_report "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 194mm
$NOTHING_CONNECTED"
  env HOME="$WORK/home" GTK2_RC_FILES="" PATH="$SUPPORT_DIR/fake-bin:$PATH" FAKE_XRANDR_DIR="$WORK" \
    ${APP_WRAPPER:-} "$TESSALUX" "$@" >"$WORK/stdout" 2>"$WORK/stderr" & APP_PID=$!
}

# launch_app, then waits until the window titled TESSALUX has the keyboard
# focus (a window manager gives it; without one, we do) and shows its four
# buttons (look start), where the server lets them be read back.
start_app() {
  launch_app "$@"
  WINDOW=$(timeout "${APP_WAIT_SECONDS:-10}" xdotool search --sync --onlyvisible --name '^TESSALUX$' | head -n 1)
  [ -n "$WINDOW" ] && [ "$(xdotool getwindowname "$WINDOW")" = TESSALUX ] ||
    fail "no visible window titled TESSALUX"
  [ -z "${XSERVER_WM:-}" ] || wait_for '[ "$(xdotool getactivewindow)" = "$WINDOW" ]' || fail "the window has no focus"
  [ -n "${XSERVER_WM:-}" ] || xdotool windowfocus --sync "$WINDOW" || fail "could not focus the window"
  xserver_hides_pixels || wait_for 'look start' "${APP_WAIT_SECONDS:-10}" ||
    fail "the window's buttons: $(cat "$WORK/buttons")"
}

# Starts the X server and `window_tool "$@"` on it, waiting until it watches.
start_window_tool() {
  start_xserver
  "$WINDOW_TOOL" "$@" >"$WORK/window_tool" 2>&1 &
  wait_for '[ -s "$WORK/window_tool" ]' || fail "window_tool $* did not start"
}

window_size() { xwininfo -id "$WINDOW" | sed -n 's/^ *Width: //p; s/^ *Height: //p' | tr '\n' ' '; }

# The desktop's settings daemon, which names an icon theme, sets the text
# resolution to $1 dpi; a running utility's window has its new size on return.
set_dpi() {
  printf 'Xft/DPI %s\nNet/IconThemeName "Adwaita"\n' $(($1 * 1024)) >"$WORK/xsettings"
  if [ -z "$SETTINGS_PID" ]; then
    [ -n "$XSERVER_PID" ] || start_xserver
    xsettingsd -c "$WORK/xsettings" >/dev/null 2>&1 & SETTINGS_PID=$!
    return
  fi
  size_before=$(window_size)
  kill -HUP "$SETTINGS_PID"
  wait_for '[ "$(window_size)" != "$size_before" ]' || fail "the window stayed $size_before at $1 dpi"
}

# Saves the window's look as $WORK/look.$1: its width and height, then
# window_tool's line for each of its four buttons, which press clicks from
# then on. Fails unless all four are drawn.
look() {
  "$WINDOW_TOOL" buttons "$WINDOW" >"$WORK/buttons" 2>&1 &&
    { window_size; echo; cat "$WORK/buttons"; } >"$WORK/look.$1"
}

# True when look $3 compares with look $2 as $1 says:
#   scaled BY: each size, the window's and its icons', is BY times as large,
#     give or take a fifth (padding does not grow);
#   alike: the same pictures, and sharp (ten hard edges or more);
#   in both, the first icon is left out: the keyboard focus draws a ring
#     around it, as soon as the window has the focus or a moment later;
#   mirrored: its buttons in the other order, as far from the other side.
compare_looks() {
  awk -v check="$1" -v by="${4:-1}" '
    function off(now, was) { return now < was * by * 0.8 || now > was * by * 1.2 }
    function apart(a, b,   d, c) { for (c = 1; c <= 16; c++) d += (substr(a, c, 1) - substr(b, c, 1)) ^ 2; return d }
    FNR == 1 { i = FILENAME == ARGV[2]; w[i] = $1; h[i] = $2; next }
    { x[i, FNR - 1] = $1; iw[i, FNR - 1] = $3; ih[i, FNR - 1] = $4; edges[i, FNR - 1] = $5; pic[i, FNR - 1] = $6 }
    END {
      bad = check == "scaled" && (off(w[1], w[0]) || off(h[1], h[0]))
      for (b = 1; b <= 4; b++) {
        if (check == "scaled" && b > 1) bad = bad || off(iw[1, b], iw[0, b]) || off(ih[1, b], ih[0, b])
        if (check == "alike" && b > 1) bad = bad || apart(pic[0, b], pic[1, b]) > 8 || edges[1, b] < 10
        if (check == "mirrored") bad = bad || (x[1, b] + x[0, 5 - b] - w[0] + 1) ^ 2 > 1 || iw[1, b] != iw[0, 5 - b]
      }
      exit bad
    }' "$WORK/look.$2" "$WORK/look.$3"
}

# Presses $1: a button by its place as drawn, left to right (1 = zoom out,
# 2 = zoom 1:1, 3 = zoom in, 4 = quit), clicked in the middle of its icon, or
# else the key $1 (ctrl+minus, KP_Add, ...), $2 times in a row if given. A
# keypad key goes by its key code, with Num Lock on: by its name, xdotool may
# pick a level that needs Alt (Debian 14 lists KP_Subtract at every level).
press() {
  case $1 in
    # shellcheck disable=SC2046
    [1-4]) xdotool mousemove --window "$WINDOW" $(sed -n "$1p" "$WORK/buttons" | cut -d" " -f1,2) \
             click --repeat "${2:-1}" --delay 10 1 ;;
    *KP_*) xdotool key --repeat "${2:-1}" --delay 10 Num_Lock "${1%KP_*}$(xmodmap -pke |
             awk -v sym="KP_${1#*KP_}" '{ for (i = 4; i <= NF; i++) if ($i == sym) { print $2; exit } }')" Num_Lock ;;
    *) xdotool key --repeat "${2:-1}" --delay 10 "$1" ;;
  esac
}

call_count() { ls "$WORK/calls" | wc -l; }

# A build with the sanitizers: AddressSanitizer holds freed memory back on
# purpose, and LeakSanitizer's check at exit runs in a child of its own.
sanitized() { grep -qs '^TESSALUX_SANITIZE:BOOL=ON' "$BUILD_DIR/CMakeCache.txt"; }

# Starts the utility, which finds no output and prints $1 (default: that it
# found none), having waited for the child that asked, if any. Then neither
# the zoom buttons nor their keys start a child, and Quit still ends it with 0.
expect_zoom_does_nothing() {
  start_app
  wait_for '[ -s "$WORK/stdout" ] || [ "$(reaped_child_faults)" != 0 ]' && faults=$(reaped_child_faults) ||
    fail "detection never ended"
  for key in 1 2 3 1 ctrl+minus KP_Subtract ctrl+0 KP_0 ctrl+plus ctrl+equal KP_Add; do press "$key"; done
  quit_cleanly "${1:-$NO_OUTPUT_FOUND}"
  sanitized || [ "$EXIT_FAULTS" = "$faults" ] || fail "a zoom button or key started a child without an output"
}

# Presses $1 (see press) and waits for xrandr call number $2 (1 = first),
# which must scale output $3 by $4 on both axes where they are given.
press_and_wait_call() {
  press "$1"
  wait_for '[ "$(call_count)" -ge '"$2"' ]' 30 || fail "$1 ran no xrandr (call $2)"
  [ -z "${4:-}" ] || expect_scale_call "$2" "$3" "$4"
}

# Call $1 asked xrandr to scale output $2 by $3 on both axes.
expect_scale_call() {
  actual=$(tr '\0' '\n' <"$WORK/calls/$(printf 'call-%04d' $(($1 - 1)))")
  [ "$actual" = "$(printf '%s\n' --output "$2" --scale "$3x$3")" ] ||
    fail "call $1 was [$actual], expected $2 and $3"
}

expect_exit_zero() {
  wait_for '! is_running "$APP_PID"' "${APP_WAIT_SECONDS:-10}" || fail "tessalux did not end"
  status=0 && wait "$APP_PID" || status=$?
  APP_PID="" && [ "$status" = 0 ] || fail "exit status $status, expected 0"
}

# The utility's standard output was $1, byte for byte (a pipe's reader has
# it). The accessibility bus's registry, where started, announces itself too.
expect_stdout() {
  [ ! -p "$WORK/stdout" ] || return 0
  actual=$(sed '/^SpiRegistry daemon is running/d' "$WORK/stdout"; printf .)
  [ "$actual" = "$1." ] || fail "standard output was [$(cat "$WORK/stdout")], expected [$1]"
}

# Starts the utility and clicks zoom out, zoom in twice, zoom 1:1, then
# Quit: each press must ask xrandr to scale output $1 by the factor that
# follows from the press before, whatever became of it. It printed $2.
expect_each_press_scales() {
  start_app
  for press in "1 1.1" "3 1" "3 0.9090909090909091" "2 1.0"; do
    press_and_wait_call "${press% *}" $(($(call_count) + 1)) "$1" "${press#* }"
  done
  quit_cleanly "${2:-}"
  [ "$(call_count)" = 4 ] || fail "$(call_count) xrandr calls, expected 4"
}

# Minor faults of the utility's children waited for (each reaped child adds
# some, even one that cannot exec); its children not waited for, zombies too.
reaped_child_faults() { cut -d" " -f11 "/proc/$APP_PID/stat"; }
app_children() { cat /proc/"$(xdotool getwindowpid "$WINDOW")"/task/*/children; }

# Quit, by press $2 (default: clicking button 4), ends the utility with
# status 0, and it printed $1 (default nothing). Before, it has no child: no
# xrandr not waited for, no image loader. A subshell, which waits for its own
# children only, reads EXIT_FAULTS, its last reaped_child_faults, from the
# zombie. The pointer goes away, lest it light up a button of the next window.
quit_cleanly() {
  wait_for '[ -z "$(app_children)" ]' || fail "children left behind: $(app_children)"
  EXIT_FAULTS=$(press "${2:-4}"; wait_for '! is_running "$APP_PID"' "${APP_WAIT_SECONDS:-10}" || :; reaped_child_faults)
  expect_exit_zero
  expect_stdout "${1:-}"
  xdotool mousemove 0 0
}

# True when the window is where start-up puts it: its frame (under a window
# manager, title bar and all) centred on the area "X Y WIDTH HEIGHT" $1
# (default: the whole screen) within 2 pixels, moved the least that keeps it
# on the screen, or if larger, its top left corner on it. PLACEMENT says where.
is_centred() {
  eval "$(xwininfo -id "$WINDOW" | sed -n 's/.*Absolute upper-left X: */x=/p
    s/.*Absolute upper-left Y: */y=/p; s/^ *Width: */w=/p; s/^ *Height: */h=/p')"
  # The area, the screen's width and height, and the frame's sizes left,
  # right, top and bottom (none without a window manager).
  screen=$(xwininfo -root | sed -n 's/^ *Width: //p; s/^ *Height: //p' | tr '\n' ' ')
  # shellcheck disable=SC2046,SC2086
  set -- ${1:-0 0 $screen} $screen \
    $(xprop -id "$WINDOW" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ,) 0 0 0 0
  frame_x=$((x - $7)) frame_y=$((y - $9)) frame_w=$((w + $7 + $8)) frame_h=$((h + $9 + ${10}))
  PLACEMENT="frame ${frame_w}x${frame_h}+${frame_x}+${frame_y} on a ${5}x${6} screen"
  x=$(($1 + ($3 - frame_w) / 2)) y=$(($2 + ($4 - frame_h) / 2))
  [ $((x + frame_w)) -le "$5" ] || x=$(($5 - frame_w))
  [ $((y + frame_h)) -le "$6" ] || y=$(($6 - frame_h))
  dx=$((frame_x - (x > 0 ? x : 0))) dy=$((frame_y - (y > 0 ? y : 0)))
  [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ]
}

# Waits for is_centred on area $2 (a real driver's mode set takes seconds).
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
