#include "resample/resample_simd.h"

#include <atomic>

#include "core/library_globals.h"

namespace Pictura {

namespace {
std::atomic<int> g_vectorCap{2};

bool OsKeepsAvxState() {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
  // The processor bit alone is not enough: the system must save the wide
  // registers too.
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx");
#else
  return false;
#endif
}
}  // namespace

int ResampleVectorLevel() {
  int level = 0;
  if (HasCpuFeature(kCpuSSE2)) level = 1;
  static const bool avx = OsKeepsAvxState();
  if (level && HasCpuFeature(kCpuAVX) && avx) level = 2;
  const int cap = g_vectorCap.load(std::memory_order_relaxed);
  return level < cap ? level : cap;
}

const ResampleKernels* ActiveResampleKernels() {
  switch (ResampleVectorLevel()) {
    case 2:
      return &ResampleKernelsAVX();
    case 1:
      return &ResampleKernelsSSE2();
    default:
      return nullptr;
  }
}

void SetResampleVectorCap(int level) {
  g_vectorCap.store(level < 0 ? 0 : level, std::memory_order_relaxed);
}

}  // namespace Pictura
