# The whole utility under valgrind's memcheck: any invalid read or write, use
# of an uninitialised value, or block definitely lost that the toolkit
# suppressions do not cover makes valgrind end with status 99.
# `sh memcheck_test.sh CASE` runs case_CASE (see support/lib.sh).
[ -n "${HERE:-}" ] || exec sh "$(dirname "$0")/../support/lib.sh" "$0" "$@"

# Runs the end-to-end case $1 under memcheck.
memcheck() {
  valgrind=$(command -v valgrind) || fail "valgrind is not installed"
  APP_WRAPPER="$valgrind --tool=memcheck --error-exitcode=99 --leak-check=full
    --show-leak-kinds=definite --errors-for-leak-kinds=definite --num-callers=40
    --suppressions=$HERE/toolkit.supp --gen-suppressions=all"
  # Under valgrind start-up takes seconds and the leak check at exit more.
  APP_WAIT_SECONDS=120
  # Let GLib allocate with plain malloc and clear what it frees, so valgrind
  # sees every block as it is.
  G_SLICE=always-malloc G_DEBUG=gc-friendly
  export G_SLICE G_DEBUG
  . "$HERE/../e2e/window_test.sh"
  "case_$1"
  # Status 0 alone could also mean valgrind never ran.
  grep -q "ERROR SUMMARY: 0 errors" "$WORK/stderr" || fail "no clean valgrind summary"
}

case_memcheck() { memcheck buttons; }
# Also under openbox
case_destroyed_when_named() { memcheck window_destroyed_when_named; }
