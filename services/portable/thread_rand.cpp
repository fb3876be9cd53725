#include "services/portable/thread_rand.h"

#include <chrono>
#include <functional>
#include <thread>

#include "services/portable/runtime_rand.h"

namespace {

struct ThreadGenerator {
  RuntimeRand rand;
  bool seeded = false;
};
thread_local ThreadGenerator generator;

uint32_t Mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDull;
  x ^= x >> 33;
  return static_cast<uint32_t>(x);
}

}  // namespace

void SeedThreadRand(uint32_t seed) {
  generator.rand = RuntimeRand(seed);
  generator.seeded = true;
}

int ThreadRand() {
  if (!generator.seeded) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto id = std::hash<std::thread::id>{}(std::this_thread::get_id());
    SeedThreadRand(Mix(static_cast<uint64_t>(now)) ^ Mix(static_cast<uint64_t>(id) + 0x9E3779B97F4A7C15ull));
  }
  return generator.rand.Next();
}
