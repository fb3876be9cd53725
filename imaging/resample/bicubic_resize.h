#pragma once
// Mode 17: bicubic resize, cubic convolution with a = -1 over 4 x 4 source
// samples, no half-pixel offset, kernel not widened when shrinking.
// Bands of rows on the pool (each sums the few source rows above its first
// row again).

#include "resample/resize_base.h"

namespace Pictura {

struct ResampleKernels;

// The four weights of fraction t (taps at distances 1 + t, t, 1 - t, 2 - t),
// all signed.
inline void CubicWeights(double t, double w[4]) {
  w[0] = -t * (1 - t) * (1 - t);
  w[1] = 1 - 2 * t * t + t * t * t;
  w[2] = t * (1 + t - t * t);
  w[3] = -t * t * (1 - t);
}
// The four source indices around position pos (0 <= pos), kept within
// [0, size - 1].
void CubicTaps(double pos, uint32_t size, uint32_t taps[4]);
// Row weights and source rows of destination row r.
void CubicRow(uint32_t r, uint32_t srcHeight, uint32_t dstHeight, double wy[4], uint32_t rows[4]);

// Column table: sample offsets of the four source columns and their weights,
// the fourth as a magnitude (the row sum subtracts it).
struct BicubicCoefficients {
  PicArray<uint32_t> c0, c1, c2, c3;
  PicArray<double> w0, w1, w2, w3;
};

template <class T>
class CPicBicubicResizeT : public CPicResizeBaseT<T> {
 public:
  struct bicubicThreadData : CPicThreadData {
    const CPicImgBufBase<T>* src = nullptr;
    CPicImgBufBase<T>* dst = nullptr;
    uint32_t flags = 0;
    const BicubicCoefficients* coefficients = nullptr;
    ThreadBand band;
    void Run(CPicBicubicResizeT& m) { m.ResizeRows(*src, *dst, *coefficients, &band); }
  };

  uint32_t Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) override;
  // 0, or 1 when a table cannot be allocated.
  static uint32_t BuildCoefficients(uint32_t srcWidth, uint32_t srcHeight, uint32_t dstWidth,
                                    uint32_t dstHeight, uint32_t channels, BicubicCoefficients& table);
  // Null band: the whole destination. True on success.
  bool ResizeRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, const BicubicCoefficients& table,
                  const ThreadBand* band);
  static uint32_t ThreadProc(CPicThreadData* record);

 private:
  bool RowsDirect(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, const BicubicCoefficients& table,
                  const ThreadBand& b);
  bool RowsSeparable(const ResampleKernels* k, const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                     const BicubicCoefficients& table, const ThreadBand& b);
};

extern template class CPicBicubicResizeT<uint8_t>;
extern template class CPicBicubicResizeT<uint16_t>;
extern template class CPicBicubicResizeT<double>;

}  // namespace Pictura
