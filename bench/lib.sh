# Shared steps of the benchmark: the packages and the build, the X server,
# the environment the measured programs run in, and the statistics. Sourced
# from the top of the repository.

BUILD=${BENCH_BUILD_DIR:-$(pwd)/build-bench}
# shellcheck disable=SC2034 # used by the scripts that source this file
TESSALUX=$BUILD/program/tessalux
# shellcheck disable=SC2034
FLOOR=$BUILD/floor
# shellcheck disable=SC2034
PROBE=$BUILD/probe
FAKE_BIN=$BUILD/fake-bin

WORK=$(mktemp -d /tmp/tessalux-bench-XXXXXX)
mkdir -p "$WORK/home"
# The project's X server starter: start_xserver gives a private Xvfb of
# 1024x768 and exports DISPLAY; no window manager runs.
. tests/support/xserver.sh
cleanup() {
  stop_xserver
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "bench: $*" >&2
  [ ! -s "$WORK/programs.log" ] || { echo "--- programs' messages:" >&2; tail -n 20 "$WORK/programs.log" >&2; }
  exit 1
}

# Runs "$@" with its output kept, showing it only when it fails.
quietly() {
  "$@" >"$WORK/step.log" 2>&1 || { cat "$WORK/step.log" >&2; fail "failed: $*"; }
}

# Installs what the benchmark needs, then builds tessalux as users get it
# (RelWithDebInfo) and the benchmark's helpers, in one build from bench/.
install_and_build() {
  sh scripts/install-packages build-essential cmake pkg-config gettext libgtk2.0-dev \
    libx11-dev libxtst-dev xvfb x11-xserver-utils xdotool
  echo "Building in $BUILD ..." >&2
  # A build folder configured from another source folder is configured anew.
  grep -qsx "CMAKE_HOME_DIRECTORY:INTERNAL=$(pwd)/bench" "$BUILD/CMakeCache.txt" ||
    rm -f "$BUILD/CMakeCache.txt"
  quietly cmake -S bench -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  quietly cmake --build "$BUILD" --target tessalux floor probe fake_xrandr -j"$(nproc)"
}

# Every measured program sees the same plain environment: an empty HOME and
# no theme or settings of the user. Their messages go to programs.log.
in_plain_env() {
  env HOME="$WORK/home" GTK2_RC_FILES="" "$@" 2>>"$WORK/programs.log"
}

# The same with the benchmark's fake xrandr first on PATH.
with_fake() {
  in_plain_env PATH="$FAKE_BIN:$PATH" BENCH_STAMPS="$WORK/stamps" "$@"
}

# "count median min max" of column $2 of file $1.
stats() {
  awk -v c="$2" '{ print $c }' "$1" | sort -g | awk '
    { v[NR] = $1 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%d %.3f %.3f %.3f\n", NR, m, v[1], v[NR]
    }'
}
median_of() { stats "$1" "$2" | cut -d" " -f2; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
verdict() { awk "BEGIN { print ($1) ? \"met\" : \"MISSED\" }"; }

# One Markdown table row: label, file, column, unit, divisor for the unit,
# and the median the ratio is taken to ("-" for none).
row() {
  # shellcheck disable=SC2046
  set -- "$1" $(stats "$2" "$3") "$4" "$5" "$6"
  ratio="-"
  [ "$8" = "-" ] || ratio=$(calc "$3 / $8")
  printf '| %s | %s | %s %s | %s | %s | %s |\n' "$1" "$2" "$(calc "$3 / $7")" "$6" \
    "$(calc "$4 / $7")" "$(calc "$5 / $7")" "$ratio"
}

machine() {
  echo "Machine: $(nproc) CPUs, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)," \
    "$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) memory," \
    "Linux $(uname -r), Xvfb $(dpkg-query -W -f='${Version}' xvfb)," \
    "GTK+ $(pkg-config --modversion gtk+-2.0); load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
}
