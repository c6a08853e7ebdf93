// Property checks for the fuzz targets. A broken property must stop the run
// loudly, whatever the build type, so that libFuzzer keeps the input and the
// replay test fails on it.
#pragma once

#include <cstdio>

#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
      __builtin_trap();                                                                     \
    }                                                                                       \
  } while (false)
