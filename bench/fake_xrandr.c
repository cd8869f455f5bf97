/* Stand-in for xrandr in the benchmark, built static so that starting it
 * costs as little as a program can.
 *   xrandr -q    prints a one-line report with one connected output,
 *                BENCH-1, after sleeping BENCH_REPORT_DELAY_MS milliseconds
 *                when that is set: a slow report, as of outputs slow to probe.
 *   otherwise    appends the CLOCK_MONOTONIC time at which it started, in
 *                nanoseconds, as one line to the file named by BENCH_STAMPS.
 * Exits with status 0 either way. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char **argv) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);

  if (argc == 2 && strcmp(argv[1], "-q") == 0) {
    const char *delay = getenv("BENCH_REPORT_DELAY_MS");
    const long ms = delay != NULL ? atol(delay) : 0;
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    if (ms > 0) nanosleep(&pause, NULL);
    static const char report[] = "BENCH-1 connected 1024x768+0+0\n";
    return write(1, report, sizeof report - 1) == (ssize_t)(sizeof report - 1) ? 0 : 1;
  }

  const char *stamps = getenv("BENCH_STAMPS");
  if (stamps == NULL) return 0;
  char line[32];
  const int length = snprintf(line, sizeof line, "%lld\n",
                              (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
  const int fd = open(stamps, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return 1;
  const int written = (int)write(fd, line, (size_t)length);
  close(fd);
  return written == length ? 0 : 1;
}
