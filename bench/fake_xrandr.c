/* Stand-in for xrandr in the benchmark, built static so that starting it
 * costs as little as a program can. `xrandr -q` prints a report with one
 * connected output, BENCH-1, after BENCH_REPORT_DELAY_MS milliseconds if set,
 * as outputs slow to probe; anything else prints the CLOCK_MONOTONIC time of
 * its start in nanoseconds. Exits with 0, or 1 when it cannot write. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);

  char line[64] = "BENCH-1 connected 1024x768+0+0\n";
  if (argc == 2 && strcmp(argv[1], "-q") == 0) {
    const char *delay = getenv("BENCH_REPORT_DELAY_MS");
    const long ms = delay != NULL ? atol(delay) : 0;
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    if (ms > 0) nanosleep(&pause, NULL);
  } else {
    snprintf(line, sizeof line, "%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
  }
  /* One write, so that a reader gets the line whole. */
  const size_t length = strlen(line);
  return write(1, line, length) == (ssize_t)length ? 0 : 1;
}
