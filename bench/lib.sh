# Shared steps of the benchmark, sourced by bench/run from the top of the
# repository: the packages and the build, the X server, the statistics.
# shellcheck disable=SC2034 # the programs' paths are for bench/run

BUILD=${BENCH_BUILD_DIR:-$(pwd)/build-bench}
TESSALUX=$BUILD/program/tessalux
FLOOR=$BUILD/floor
PROBE=$BUILD/probe
FAKE_PATH=$BUILD/fake-bin:$PATH  # the benchmark's fake xrandr first

WORK=$(mktemp -d /tmp/tessalux-bench-XXXXXX)
mkdir -p "$WORK/home"
# start_xserver: a private Xvfb of 1024x768, no window manager; exports DISPLAY.
. tests/support/xserver.sh
trap 'stop_xserver; rm -rf "$WORK"' EXIT
trap 'exit 1' INT TERM

fail() {
  echo "bench: $*" >&2
  [ ! -s "$WORK/programs.log" ] || { echo "--- programs' messages:" >&2; tail -n 20 "$WORK/programs.log" >&2; }
  exit 1
}

# Restarts the server, bare (none) or with the window manager $1, and waits
# until that manages windows. openbox is start_xserver's own; xfwm4 reads its
# settings through xfconf, so it gets a D-Bus session bus of its own.
# Compositing stays off: Xvfb would only do it in software, on our CPUs.
start_desktop() {
  stop_xserver
  wm=$1
  XSERVER_WM=$([ "$wm" != openbox ] || echo openbox) start_xserver
  case $wm in
    xfwm4) set -- dbus-run-session -- xfwm4 --compositor=off --sm-client-disable ;;
    metacity) set -- metacity --no-composite --sm-disable ;;
    *) return 0 ;;
  esac
  mkdir -p "$WORK/wm-home"
  HOME="$WORK/wm-home" "$@" >"$WORK/wm.log" 2>&1 &
  wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' 30 ||
    fail "$wm did not start: $(cat "$WORK/wm.log")"
}

# Installs what the benchmark needs, then builds tessalux as users get it
# (RelWithDebInfo) and the benchmark's helpers, in one build from bench/,
# quietly unless it fails.
install_and_build() {
  sh scripts/install-packages build run bench
  echo "Building in $BUILD ..." >&2
  # A build folder configured from another source folder is configured anew.
  grep -qsx "CMAKE_HOME_DIRECTORY:INTERNAL=$(pwd)/bench" "$BUILD/CMakeCache.txt" ||
    rm -f "$BUILD/CMakeCache.txt"
  { cmake -S bench -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
    cmake --build "$BUILD" --target tessalux floor probe fake_xrandr -j"$(nproc)"
  } >"$WORK/build.log" 2>&1 || { cat "$WORK/build.log" >&2; fail "the build failed"; }
}

# Runs "$@" ([VAR=value...] COMMAND [ARGS...]) with an empty HOME and no
# theme or settings of the user unless given, appending its output to the
# file $1 of WORK and its messages to programs.log.
measure() {
  into=$1
  shift
  env HOME="$WORK/home" GTK2_RC_FILES="" "$@" >>"$WORK/$into" 2>>"$WORK/programs.log" ||
    fail "could not measure $into"
}

# "count median min max" of column $2 of the file $1 of WORK; the median is
# the middle value, or the mean of the middle two.
stats() {
  cut -d" " -f"$2" "$WORK/$1" | sort -g | awk '{ v[NR] = $1 } END {
    printf "%d %.3f %.3f %.3f\n", NR, (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2, v[1], v[NR] }'
}
median_of() { stats "$1" "$2" | cut -d" " -f2; }

# One row of the table: label, file, unit, column, and for a measure with a
# target, the file it is set against and the most its median may exceed
# that file's median by.
row() {
  over="" verdict=""
  if [ $# -gt 4 ]; then
    over=$(awk "BEGIN { printf \"%+.3f\", $(median_of "$2" "$4") - $(median_of "$5" "$4") }")
    verdict="at most $6 $3: $(awk "BEGIN { print ($over <= $6) ? \"met\" : \"MISSED\" }")"
    over="$over $3 over $5"
  fi
  stats "$2" "$4" | awk -v label="$1" -v unit="$3" -v over="$over" -v verdict="$verdict" \
    '{ printf "| %s | %d | %s %s | %s | %s | %s | %s |\n", label, $1, $2, unit, $3, $4, over, verdict }'
}

machine() {
  echo "Machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
    "$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) memory," \
    "Linux $(uname -r), Xvfb $(dpkg-query -W -f='${Version}' xvfb)," \
    "GTK+ $(pkg-config --modversion gtk+-2.0), gdk-pixbuf $(pkg-config --modversion gdk-pixbuf-2.0)$(
      dpkg-query -W -f=', ${Package} ${Version}' openbox xfwm4 metacity)" \
    "on $(. /etc/os-release && echo "$PRETTY_NAME"); load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
}
