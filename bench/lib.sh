# Shared steps of the benchmark scripts: the packages and the build, a
# private Xvfb, the environment the measured programs run in, and the
# statistics. Sourced from the top of the repository.

BUILD=${BENCH_BUILD_DIR:-$(pwd)/build-bench}
# shellcheck disable=SC2034 # used by the scripts that source this file
TESSALUX=$BUILD/tessalux
# shellcheck disable=SC2034
FLOOR=$BUILD/bench/floor
# shellcheck disable=SC2034
PROBE=$BUILD/bench/probe
FAKE_BIN=$BUILD/bench/fake-bin

WORK=$(mktemp -d /tmp/tessalux-bench-XXXXXX)
XVFB_PID=""
cleanup() {
  [ -z "$XVFB_PID" ] || { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; } || true
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
# (RelWithDebInfo) and the benchmark's own helpers.
install_and_build() {
  sh scripts/install-packages build-essential cmake pkg-config libgtk2.0-dev \
    libx11-dev libxtst-dev xvfb x11-xserver-utils
  echo "Building in $BUILD ..." >&2
  quietly cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
  quietly cmake --build "$BUILD" --target tessalux -j"$(nproc)"
  quietly cmake -S bench -B "$BUILD/bench" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  quietly cmake --build "$BUILD/bench" -j"$(nproc)"
}

start_xvfb() {
  # Xvfb picks a free display itself and writes its number once it is ready.
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 \
    3>"$WORK/display" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  tries=200
  while [ ! -s "$WORK/display" ]; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    sleep 0.05
  done
  DISPLAY=":$(cat "$WORK/display")"
  export DISPLAY
  mkdir -p "$WORK/home"
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
