#pragma once
// Mode 16: bilinear resize. Column positions and weights are computed once
// per call; row positions per destination row. No half-pixel offset.

#include "resample/resize_base.h"

namespace Pictura {

struct ResampleKernels;

// s / d when shrinking, (s - s / d) / d when enlarging.
double BilinearScale(uint32_t srcSize, uint32_t dstSize);

// Blends in whole numbers. The positions i x BilinearScale(s, d) lie, but
// for the doubles' rounding, on multiples of 1 / BilinearDenominator(s, d):
// d / gcd(s, d) when shrinking, d^2 / gcd(s (d - 1), d^2) when enlarging.
uint64_t BilinearDenominator(uint32_t srcSize, uint32_t dstSize);
// Weights t[0 .. n) (in [0, 1)) rounded to multiples of 1 / denominator:
// the numerators into w (unless null) and the largest distance.
double FixedWeights(const double* t, uint32_t n, uint64_t denominator, uint32_t* w);
// With weights rounded to multiples of 1 / dx across and 1 / dy down, at
// most ex and ey from the walk's own: the factor by which the whole-number
// rows multiply a blend q to truncate it to floor(q / (dx dy)), or 0 where
// their bytes could differ from the walk's (bilinear_resize.cpp has the
// proof), dx is above 127 or dy above 32767.
float FixedBilinearInverse(uint64_t dx, uint64_t dy, double ex, double ey);

template <class T>
class CPicImgResizeBilinearT : public CPicResizeBaseT<T> {
 public:
  struct bilinThreadData : CPicThreadData {
    const CPicImgBufBase<T>* src = nullptr;
    CPicImgBufBase<T>* dst = nullptr;
    ThreadBand band;
    const PicArray<double>* weights = nullptr;
    const PicArray<unsigned int>* indices = nullptr;
    void Run(CPicImgResizeBilinearT& m) { m.ResizeRows(*src, *dst, &band, *weights, *indices); }
  };

  CPicImgResizeBilinearT() = default;
  uint32_t Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) override;

  static void BuildCoefficients(uint32_t dstSize, uint32_t srcSize, PicArray<double>& weights,
                                PicArray<unsigned int>& indices);
  // Null band: every destination row.
  uint32_t ResizeRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, const ThreadBand* band,
                      const PicArray<double>& weights, const PicArray<unsigned int>& indices);
  static uint32_t ThreadProc(CPicThreadData* record);

  // One-bit images (most significant bit first; width and height in pixels,
  // strides in bytes, channels not read): eight-bit fixed-point weights, the
  // blend thresholded back to one bit.
  struct bilinOneBitThreadData : CPicThreadData {
    const CPicImgBufBase<T>* src = nullptr;
    CPicImgBufBase<T>* dst = nullptr;
    ThreadBand band;
    const PicArray<unsigned int>* weights = nullptr;
    const PicArray<unsigned int>* indices = nullptr;
    void Run(CPicImgResizeBilinearT& m) { m.ResizeRows1Bit(*src, *dst, &band, *weights, *indices); }
  };
  uint32_t Resize1Bit(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                      uint32_t flags) requires std::is_same_v<T, uint8_t>;
  static void BuildCoefficients1Bit(uint32_t dstSize, uint32_t srcSize, PicArray<unsigned int>& weights,
                                    PicArray<unsigned int>& indices);
  uint32_t ResizeRows1Bit(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, const ThreadBand* band,
                          const PicArray<unsigned int>& weights, const PicArray<unsigned int>& indices);
  static uint32_t ThreadProc1Bit(CPicThreadData* record);

 private:
  bool RowsVector(const ResampleKernels& k, const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                  uint32_t top, uint32_t bottom, const PicArray<double>& weights,
                  const PicArray<unsigned int>& indices);
  template <class EachRow>
  bool RowsFixed(const ResampleKernels& k, const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t top,
                 uint32_t bottom, const PicArray<double>& weights, const PicArray<unsigned int>& indices,
                 const PicArray<uint32_t>& x0, const PicArray<uint32_t>& x1, EachRow& eachRow, bool* done);
  template <class EachRow>
  bool RowsSingle(const ResampleKernels& k, const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                  const PicArray<double>& weights, const PicArray<unsigned int>& indices,
                  const PicArray<uint32_t>& x0, const PicArray<uint32_t>& x1, EachRow& eachRow);
  bool NoMemory() {
    this->error = kPicErrNoMemory;
    return false;
  }
};

extern template class CPicImgResizeBilinearT<uint8_t>;
extern template class CPicImgResizeBilinearT<uint16_t>;
extern template class CPicImgResizeBilinearT<double>;

}  // namespace Pictura
