#pragma once
// Modes 14, 15 and 18: block decimation, area decimation with fractional
// edge coverage, and nearest-neighbour sampling. The decimators only shrink.

#include "resample/resize_base.h"

namespace Pictura {

struct ResampleKernels;

// Span tables of the area methods, one entry per destination index:
// first source cell, one past the last, the covered parts of the first and
// the last cell, and the covered length.
struct AreaSpans {
  PicArray<uint32_t> first;
  PicArray<uint32_t> end;
  PicArray<double> firstWeight;
  PicArray<double> lastWeight;
  PicArray<double> total;
  bool Allocate(uint32_t count);
};

// Fills the tables for count destination indices at scale (source cells per
// destination cell, at least 1). Ends are kept within srcSize.
void BuildAreaSpans(uint32_t count, double scale, uint32_t srcSize, AreaSpans& spans);

// Entry b: (set bits of b) x weight.
void BuildBitCountTable(uint32_t weight, uint32_t table[256]);

namespace CPicImgResizeDecimate {
template <class T>
struct decimateThreadData : CPicThreadData {
  const CPicImgBufBase<T>* src = nullptr;
  CPicImgBufBase<T>* dst = nullptr;
  uint32_t flags = 0;
  ThreadBand band;
  template <class M>
  void Run(M& m) {
    m.ResizeRows(*src, *dst, flags, &band);
  }
};
}  // namespace CPicImgResizeDecimate

template <class T>
class CPicImgDecimateT : public CPicResizeBaseT<T> {
 public:
  uint32_t Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) override;
  uint32_t ResizeRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags,
                      const ThreadBand* band);
  static uint32_t ThreadProc(CPicThreadData* record);
};

template <class T>
class CPicImgDecimateExT : public CPicResizeBaseT<T> {
 public:
  uint32_t Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) override;
  uint32_t ResizeRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags,
                      const ThreadBand* band);
  static uint32_t ThreadProc(CPicThreadData* record);
};

template <class T>
class CPicSimpleResize : public CPicResizeBaseT<T> {
 public:
  // Rows of the destination by whole pixels: the source offsets of every
  // column and row, shared by the bands.
  struct simpleThreadData : CPicThreadData {
    const CPicImgBufBase<T>* src = nullptr;
    CPicImgBufBase<T>* dst = nullptr;
    const size_t* colOffset = nullptr;
    const size_t* rowOffset = nullptr;
    ThreadBand band;
    void Run(CPicSimpleResize&) { PixelRows(*src, *dst, colOffset, rowOffset, band.top, band.bottom); }
  };
  uint32_t Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) override;
  static void PixelRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, const size_t* colOffset,
                        const size_t* rowOffset, uint32_t top, uint32_t bottom);
  static uint32_t ThreadProc(CPicThreadData* record);
};

extern template class CPicImgDecimateT<uint8_t>;
extern template class CPicImgDecimateT<uint16_t>;
extern template class CPicImgDecimateT<double>;
extern template class CPicImgDecimateExT<uint8_t>;
extern template class CPicImgDecimateExT<uint16_t>;
extern template class CPicImgDecimateExT<double>;
extern template class CPicSimpleResize<uint8_t>;
extern template class CPicSimpleResize<uint16_t>;
extern template class CPicSimpleResize<double>;

}  // namespace Pictura
