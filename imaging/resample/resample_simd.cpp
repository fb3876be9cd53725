#include "resample/resample_simd.h"

#include <atomic>

#include "core/library_globals.h"

namespace Pictura {

namespace {
std::atomic<int> g_vectorCap{kResampleTopLevel};

// 0 none, 2 AVX, 3 AVX2 with FMA as far as the processor and the system go: the
// processor bit alone is not enough, the system must save the wide
// registers too (which the compiler's check includes).
int WideLevel() {
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("avx")) return 0;
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? 3 : 2;
#else
  return 0;
#endif
}
}  // namespace

int ResampleVectorLevel() {
  int level = 0;
  if (HasCpuFeature(kCpuSSE2)) level = 1;
  static const int wide = WideLevel();
  if (level && HasCpuFeature(kCpuAVX) && wide) level = wide;
  const int cap = g_vectorCap.load(std::memory_order_relaxed);
  return level < cap ? level : cap;
}

const ResampleKernels* ActiveResampleKernels() {
  switch (ResampleVectorLevel()) {
    case 3:
      return &ResampleKernelsAVX2();
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
