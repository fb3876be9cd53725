#pragma once
// Overlay of one image onto another at (x, y) of the destination, clipped to
// it: every covered sample D of the destination is combined with the source
// sample S through one of 40 blend modes, weighted by an opacity:
//   D' = f                       at opacity exactly 1.0,
//   D' = A[f] + B[D]             otherwise (A[v] = trunc(v * o),
//                                B[v] = trunc(v * (1 - o)), o clamped to 0..1);
// mode 1 takes trunc(S * o + D * (1 - o)) with one truncation, modes 9 and
// 10 write only the samples that pass their test. 8 and 16 bits per sample,
// any number of interleaved channels (the same in both images).
//
// Flags: bit 2 reads the source bottom row first in the plain copy (modes 0
// and 1 at opacity 1.0); bit 20 keeps the work off the thread pool.
// Errors: 5 for null, shared or too-short buffers, different channel counts
// or a mode above 39 (only when some row is covered); 14 when the progress
// callback says stop (rows done stay done); the pool's codes.

#include <cstdint>

#include "core/image_buffers.h"
#include "core/operation.h"
#include "core/thread_pool.h"  // ThreadBand
#include "core/wintypes.h"

namespace Pictura {

enum OverlayMode : uint32_t {
  kOverlayCopy = 0,
  kOverlayMix = 1,
  kOverlayAnd = 2,
  kOverlayOr = 3,
  kOverlayXor = 4,
  kOverlayLighten = 5,
  kOverlayDarken = 6,
  kOverlayAdd = 7,
  kOverlaySubtract = 8,
  kOverlayAboveThreshold = 9,
  kOverlayBelowThreshold = 10,
  kOverlayDifference = 11,
  kOverlayMultiply = 12,
  kOverlayScaledMultiply = 13,
  kOverlayScreen = 14,
  kOverlayAddOffset = 15,
  kOverlaySubtractOffset = 16,
  kOverlayNand = 17,
  kOverlayNor = 18,
  kOverlayXnor = 19,
  kOverlayColorDodge = 20,
  kOverlayColorBurn = 21,
  kOverlaySoftDodge = 22,
  kOverlaySoftBurn = 23,
  kOverlayOverlay = 24,
  kOverlaySoftLight = 25,
  kOverlayHardLight = 26,
  kOverlayReflect = 27,
  kOverlayGlow = 28,
  kOverlayFreeze = 29,
  kOverlayHeat = 30,
  kOverlayVividLight = 31,
  kOverlayLinearLight = 32,
  kOverlayPinLight = 33,
  kOverlayNegation = 34,
  kOverlayGrainExtract = 35,
  kOverlayGrainMerge = 36,
  kOverlayExclusion = 37,
  kOverlayLinearBurn = 38,
  kOverlayReverseSubtract = 39,
  kOverlayModeCount = 40,
};

inline constexpr uint32_t kOverlaySourceBottomUp = 4;

// The covered destination rectangle (signed arithmetic; empty when left ==
// right or top == bottom).
RECT ClipPlacementRECT(int32_t dstWidth, int32_t dstHeight, int32_t srcWidth, int32_t srcHeight, int32_t x,
                       int32_t y);

template <class T>
class CPicImgOverlayT : public CPicErrorHolder {
 public:
  static constexpr T maxValue = static_cast<T>(~T{0});

  // Splits into row bands on the pool when allowed and tall enough.
  bool OverlayCore(CPicImgBufBase<T>& dst, const CPicImgBufBase<T>& src, int32_t x, int32_t y, double opacity,
                   double k, uint32_t mode, uint32_t flags);
  // The row kernel over the whole clip (band null) or one band of it.
  bool OverlayRows(CPicImgBufBase<T>& dst, const CPicImgBufBase<T>& src, int32_t x, int32_t y, double opacity,
                   double k, uint32_t mode, uint32_t flags, const ThreadBand* band);
};

class CPicSIMDLogicalBufBlend;
// The fast path for the byte-wise modes at opacity 1.0 (0, 2-8, 11, 39):
// every row through the blend object, source rows bottom-up under flag bit
// 2 for mode 0 as in the general path, so both paths give the same bytes.
bool OverlayImageSIMD(uint32_t* error, CPicImgBufBase<uint8_t>& dst, const CPicImgBufBase<uint8_t>& src,
                      int32_t x, int32_t y, CPicSIMDLogicalBufBlend* blend, double opacity, uint32_t mode,
                      uint32_t flags);

bool OverlayImage8bpc(uint32_t* error, CPicImgBufBase<uint8_t>& dst, const CPicImgBufBase<uint8_t>& src,
                      int32_t x, int32_t y, double opacity, double k, uint32_t mode, uint32_t flags);
bool OverlayImage16bpc(uint32_t* error, CPicImgBufBase<uint16_t>& dst, const CPicImgBufBase<uint16_t>& src,
                       int32_t x, int32_t y, double opacity, double k, uint32_t mode, uint32_t flags);

}  // namespace Pictura
