#pragma once
// A generator with the runtime's rand() arithmetic: the same linear
// congruence and 0..32767 range, so a seed gives the same sequence natively
// and in the program. One per thread that draws, each seeded by its owner.

#include <cstdint>

class RuntimeRand {
 public:
  explicit RuntimeRand(uint32_t seed = 1) : state_(seed) {}
  int Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

 private:
  uint32_t state_;
};
