#pragma once
// Takes the fuzzer's bytes two at a time as numbers below a limit; an empty
// input reads as zeros, so every target gets its whole set of choices.
#include <cstddef>
#include <cstdint>

struct FuzzReader {
  const uint8_t* p;
  size_t n;
  uint32_t Take(uint32_t limit) {
    uint32_t v = 0;
    for (int i = 0; i < 2 && n; ++i, ++p, --n) v = v << 8 | *p;
    return limit ? v % limit : v;
  }
};
