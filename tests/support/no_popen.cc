// Test helper, preloaded into the utility: popen fails as it does when the
// system has no process or memory left to give, so `xrandr -q` cannot start.
#include <cerrno>
#include <cstdio>

extern "C" FILE *popen(const char *, const char *) {
  errno = EAGAIN;
  return nullptr;
}
