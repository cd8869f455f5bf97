// What the fuzz targets share: a property check that ends the run with a
// failure naming the property unless it holds.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void check(bool holds, const char *property) {
  if (holds) return;
  std::fprintf(stderr, "broken property: %s\n", property);
  std::abort();
}
