// What the fuzz targets share: a property check that ends the run.
#pragma once

#include <cstdio>
#include <cstdlib>

// Ends the run with a failure naming the property unless it holds.
inline void check(bool holds, const char *property) {
  if (holds) return;
  std::fprintf(stderr, "broken property: %s\n", property);
  std::abort();
}
