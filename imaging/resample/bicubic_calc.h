#pragma once
// The bicubic calculator: the resize's cubic kernel (a = -1) at one
// arbitrary position at a time, for rotation with bicubic quality. The
// scalar class works in doubles; the packed one in four-wide single
// precision (SSE3), so their results may differ in the last places.
// Samples: the 4 x 4 neighbourhood in row order, the row above the
// position's first, the column left of it first within a row.

#include <cstdint>

namespace Pictura {

class CPicBiCubicCalcBase {
 public:
  virtual ~CPicBiCubicCalcBase() = default;
  // Weights for the fractional parts of x and y; the scalar class returns
  // trunc(y), the packed one 0.
  virtual int32_t SetPosition(float x, float y) = 0;
  virtual float InterpolateFloat(const float samples[16]) = 0;
  virtual uint8_t Interpolate8(const uint8_t samples[16]) = 0;
};

class CPicBiCubicCalc : public CPicBiCubicCalcBase {
 public:
  int32_t SetPosition(float x, float y) override;
  float InterpolateFloat(const float samples[16]) override;
  uint8_t Interpolate8(const uint8_t samples[16]) override;
  virtual double InterpolateDouble(const double samples[16]);

 private:
  double wx_[4] = {0, 1, 0, 0};  // wx_[3] the magnitude of the negative fourth weight
  double wy_[4] = {0, 1, 0, 0};
};

class CPicBiCubicCalcSSE : public CPicBiCubicCalcBase {
 public:
  CPicBiCubicCalcSSE();
  ~CPicBiCubicCalcSSE() override;
  CPicBiCubicCalcSSE(const CPicBiCubicCalcSSE&) = delete;
  CPicBiCubicCalcSSE& operator=(const CPicBiCubicCalcSSE&) = delete;
  int32_t SetPosition(float x, float y) override;
  float InterpolateFloat(const float samples[16]) override;
  uint8_t Interpolate8(const uint8_t samples[16]) override;
  bool Valid() const { return wx_ && wy_; }

 private:
  float* wx_ = nullptr;  // 16-byte aligned, all four signed
  float* wy_ = nullptr;
};

// The packed calculator when the processor has SSE3, else the scalar one;
// null when it cannot be made. Delete it through the base.
CPicBiCubicCalcBase* CreateBiCubicCalc();

// The calculator's value at (x, y) over a 4 x 4 block, in doubles; the 8-
// and 16-bit forms add 1e-9, truncate and limit to their range.
double BicubicSampleDouble(double x, double y, const double samples[16]);
uint8_t BicubicSample8(double x, double y, const uint8_t samples[16]);
uint16_t BicubicSample16(double x, double y, const uint16_t samples[16]);

}  // namespace Pictura
