#include "resample/bicubic_calc.h"

#include <cstdlib>
#include <new>

#include "core/library_globals.h"
#include "resample/bicubic_resize.h"

#if defined(__i386__) || defined(__x86_64__)
#include <pmmintrin.h>
#define PIC_HAVE_SSE3_CALC 1
#endif

namespace Pictura {

namespace {

// Row sums s0 wx0 + s1 wx1 + s2 wx2 - s3 |wx3|, weighted by the rows' wy.
template <class S>
double CubicBlock(const S* s, const double wx[4], const double wy[4]) {
  double sum = 0;
  for (int j = 0; j < 4; ++j) {
    const S* r = s + 4 * j;
    const double row = r[0] * wx[0] + r[1] * wx[1] + r[2] * wx[2] - r[3] * wx[3];
    sum += row * wy[j];
  }
  return sum;
}

void XWeights(double t, double wx[4]) {
  CubicWeights(t, wx);
  wx[3] = t * t * (1 - t);
}

template <class S, uint32_t kMax>
S Limited(double v) {
  v += 1e-9;
  if (!(v > 0)) return 0;
  if (v >= kMax) return static_cast<S>(kMax);
  return static_cast<S>(v);
}

void* AlignedFloats4() {
#ifdef _WIN32
  return _aligned_malloc(4 * sizeof(float), 16);
#else
  void* p = nullptr;
  return posix_memalign(&p, 16, 4 * sizeof(float)) == 0 ? p : nullptr;
#endif
}

void AlignedFree(void* p) {
#ifdef _WIN32
  _aligned_free(p);
#else
  std::free(p);
#endif
}

}  // namespace

int32_t CPicBiCubicCalc::SetPosition(float x, float y) {
  const float tx = x - static_cast<float>(static_cast<int32_t>(x));
  const float ty = y - static_cast<float>(static_cast<int32_t>(y));
  XWeights(tx, wx_);
  CubicWeights(ty, wy_);
  return static_cast<int32_t>(y);
}

float CPicBiCubicCalc::InterpolateFloat(const float samples[16]) {
  double sum = 0;
  for (int j = 0; j < 4; ++j) {
    const float* r = samples + 4 * j;
    const auto row = static_cast<float>(r[0] * wx_[0] + r[1] * wx_[1] + r[2] * wx_[2] - r[3] * wx_[3]);
    sum += row * wy_[j];
  }
  return static_cast<float>(sum);
}

uint8_t CPicBiCubicCalc::Interpolate8(const uint8_t samples[16]) {
  float f[16];
  for (int i = 0; i < 16; ++i) f[i] = samples[i];
  return Limited<uint8_t, 255>(InterpolateFloat(f));
}

double CPicBiCubicCalc::InterpolateDouble(const double samples[16]) {
  return CubicBlock(samples, wx_, wy_);
}

CPicBiCubicCalcSSE::CPicBiCubicCalcSSE()
    : wx_(static_cast<float*>(AlignedFloats4())), wy_(static_cast<float*>(AlignedFloats4())) {
  if (Valid())
    for (int i = 0; i < 4; ++i) wx_[i] = wy_[i] = i == 1 ? 1.0f : 0.0f;
}

CPicBiCubicCalcSSE::~CPicBiCubicCalcSSE() {
  AlignedFree(wx_);
  AlignedFree(wy_);
}

int32_t CPicBiCubicCalcSSE::SetPosition(float x, float y) {
  if (!Valid()) return 0;
  const float tx = x - static_cast<float>(static_cast<int32_t>(x));
  const float ty = y - static_cast<float>(static_cast<int32_t>(y));
  double w[4];
  CubicWeights(tx, w);
  for (int i = 0; i < 4; ++i) wx_[i] = static_cast<float>(w[i]);
  CubicWeights(ty, w);
  for (int i = 0; i < 4; ++i) wy_[i] = static_cast<float>(w[i]);
  return 0;
}

#ifdef PIC_HAVE_SSE3_CALC
namespace {
// Each row's four products summed pairwise, then the rows likewise.
__attribute__((target("sse3"))) __m128 PackedValue(const __m128 rows[4], const float* wx, const float* wy) {
  const __m128 x = _mm_load_ps(wx);
  const __m128 a = _mm_hadd_ps(_mm_mul_ps(rows[0], x), _mm_mul_ps(rows[1], x));
  const __m128 b = _mm_hadd_ps(_mm_mul_ps(rows[2], x), _mm_mul_ps(rows[3], x));
  const __m128 r = _mm_mul_ps(_mm_hadd_ps(a, b), _mm_load_ps(wy));
  const __m128 h = _mm_hadd_ps(r, r);
  return _mm_hadd_ps(h, h);
}
}  // namespace

__attribute__((target("sse3"))) float CPicBiCubicCalcSSE::InterpolateFloat(const float samples[16]) {
  if (!Valid()) return 0;
  const __m128 rows[4] = {_mm_loadu_ps(samples), _mm_loadu_ps(samples + 4), _mm_loadu_ps(samples + 8),
                          _mm_loadu_ps(samples + 12)};
  return _mm_cvtss_f32(PackedValue(rows, wx_, wy_));
}

__attribute__((target("sse3"))) uint8_t CPicBiCubicCalcSSE::Interpolate8(const uint8_t samples[16]) {
  if (!Valid()) return 0;
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples));
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = _mm_unpacklo_epi8(bytes, zero), hi = _mm_unpackhi_epi8(bytes, zero);
  const __m128 rows[4] = {
      _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)), _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)),
      _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)), _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero))};
  const float v = _mm_cvtss_f32(PackedValue(rows, wx_, wy_));
  if (!(v > 0)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(v);
}
#else
float CPicBiCubicCalcSSE::InterpolateFloat(const float*) {
  return 0;
}
uint8_t CPicBiCubicCalcSSE::Interpolate8(const uint8_t*) {
  return 0;
}
#endif

CPicBiCubicCalcBase* CreateBiCubicCalc() {
#ifdef PIC_HAVE_SSE3_CALC
  if (HasCpuFeature(kCpuSSE3)) {
    auto* packed = new (std::nothrow) CPicBiCubicCalcSSE;
    if (packed && packed->Valid()) return packed;
    delete packed;
    return nullptr;
  }
#endif
  return new (std::nothrow) CPicBiCubicCalc;
}

double BicubicSampleDouble(double x, double y, const double samples[16]) {
  double wx[4], wy[4];
  XWeights(x - static_cast<int64_t>(x), wx);
  CubicWeights(y - static_cast<int64_t>(y), wy);
  return CubicBlock(samples, wx, wy);
}

uint8_t BicubicSample8(double x, double y, const uint8_t samples[16]) {
  double wx[4], wy[4];
  XWeights(x - static_cast<int64_t>(x), wx);
  CubicWeights(y - static_cast<int64_t>(y), wy);
  return Limited<uint8_t, 255>(CubicBlock(samples, wx, wy));
}

uint16_t BicubicSample16(double x, double y, const uint16_t samples[16]) {
  double wx[4], wy[4];
  XWeights(x - static_cast<int64_t>(x), wx);
  CubicWeights(y - static_cast<int64_t>(y), wy);
  return Limited<uint16_t, 65535>(CubicBlock(samples, wx, wy));
}

}  // namespace Pictura
