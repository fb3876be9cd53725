#pragma once
// One random generator per thread, with the runtime's rand() arithmetic
// (RuntimeRand), in place of rand(): the runtime keeps its seed per thread,
// so a thread that never seeded it drew the same numbers on every start.
// A thread seeds its own generator at its start; one that never does is
// seeded from the clock and its thread id at its first draw.

#include <cstdint>

void SeedThreadRand(uint32_t seed);
// 0 to 32767.
int ThreadRand();
