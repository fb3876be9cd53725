#pragma once
// Byte-buffer blends for the overlay's fast path: dst op= src over count
// bytes, 64 bytes per vector step and a scalar tail with the same rule.
// The SSE class needs SSE2 (else 71 in its own error word and false); the
// MMX class is the do-nothing fallback.

#include <cstdint>

namespace Pictura {

class CPicSIMDLogicalBufBlend {
 public:
  virtual ~CPicSIMDLogicalBufBlend() = default;
  virtual bool And(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  virtual bool Or(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  virtual bool Xor(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  virtual bool Max(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  virtual bool Min(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  virtual bool AddSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  virtual bool SubSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  virtual bool SubReverseSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  virtual bool AbsDifference(uint8_t* dst, const uint8_t* src, uint32_t count) = 0;
  // opacity 1.0 copies, 0.0 leaves dst; else w = trunc(opacity * 256) and
  // dst = (src * w + dst * (256 - w)) / 256.
  virtual bool AlphaBlend(uint8_t* dst, const uint8_t* src, uint32_t count, double opacity) = 0;

  uint32_t error = 0;
};

class CPicSIMDLogicalBufBlendSSE final : public CPicSIMDLogicalBufBlend {
 public:
  bool And(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool Or(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool Xor(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool Max(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool Min(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool AddSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool SubSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool SubReverseSaturate(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool AbsDifference(uint8_t* dst, const uint8_t* src, uint32_t count) override;
  bool AlphaBlend(uint8_t* dst, const uint8_t* src, uint32_t count, double opacity) override;
};

class CPicSIMDLogicalBufBlendMMX final : public CPicSIMDLogicalBufBlend {
 public:
  bool And(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool Or(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool Xor(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool Max(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool Min(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool AddSaturate(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool SubSaturate(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool SubReverseSaturate(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool AbsDifference(uint8_t*, const uint8_t*, uint32_t) override { return false; }
  bool AlphaBlend(uint8_t*, const uint8_t*, uint32_t, double) override;
};

// SSE2 present and the mode one the blend class does: 0 (any opacity) or
// 2-8, 11, 39 at opacity exactly 1.0. k is not used.
bool SIMDBlendSupported(uint32_t mode, double opacity, double k);
bool MMXBlendAvailable(uint32_t mode, double opacity, double k);

// The power of two above n, at least 4 (2^31 for n of 2^31 and more).
uint32_t NextPowerOfTwoAbove(uint32_t n);

}  // namespace Pictura
