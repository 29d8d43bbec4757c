// A broken expectation inside a fuzz target: printed and ended with abort(), which libFuzzer
// reports as a crash and keeps the input of.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

#include <cstdint>

// Where a target puts bytes it reads only so that the sanitizers see them read.
inline volatile uint8_t g_fuzzSink;
