#pragma once
// Modes 0-13: separable filter resize with one of fourteen kernels, the
// kernel widened by the reduction factor when shrinking, 8-bit
// intermediate precision, mirrored edges. Column strips on the pool.

#include "core/wintypes.h"
#include "resample/filter_kernels.h"
#include "resample/resize_base.h"

namespace Pictura {

struct ResampleKernels;

// Contribution lists of every destination index along one axis, one after
// the other: list i is entries [first[i], first[i + 1]).
struct FilterContributions {
  PicArray<uint32_t> first;
  PicArray<uint32_t> index;  // source index
  PicArray<double> weight;
  uint32_t Count(uint32_t i) const { return first[i + 1] - first[i]; }
};

// Lists for destination indices [begin, end) of an axis (source size srcSize,
// scale dstSize / srcSize); false when they cannot be allocated.
bool BuildFilterContributions(const PicFilterKernel& kernel, uint32_t srcSize, uint32_t dstSize,
                              uint32_t begin, uint32_t end, FilterContributions& out);

class CPicFilterResize {
 public:
  // Source kinds: 0 samples of `channels` bytes, 1 one bit a pixel (most
  // significant first, out 1 grey channel), 2 palette indices (out 3).
  enum SourceKind : uint32_t { kSamples = 0, kOneBit = 1, kPaletted = 2 };

  struct filterResizeThreadStruct : CPicThreadData {
    PicFilterKernel kernel;
    const FilterContributions* rows = nullptr;
    const uint8_t* src = nullptr;
    uint32_t srcWidth = 0, srcHeight = 0;
    uint8_t* dst = nullptr;
    uint32_t dstWidth = 0, dstHeight = 0, channels = 0, srcStride = 0, dstStride = 0;
    const RGBQUAD* palette = nullptr;
    uint32_t flags = 0, type = 0;
    ThreadBand band;
  };

  CPicFilterResize();
  ~CPicFilterResize();
  CPicFilterResize(const CPicFilterResize&) = delete;
  CPicFilterResize& operator=(const CPicFilterResize&) = delete;

  // Returns 1 or 0; the code stays in error.
  uint32_t Resize(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst, uint32_t dstWidth,
                  uint32_t dstHeight, uint32_t channels, uint32_t filterIndex, uint32_t srcStride,
                  uint32_t dstStride, const RGBQUAD* palette, uint32_t flags, uint32_t type);
  void SetImages(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst, uint32_t dstWidth,
                 uint32_t dstHeight, uint32_t channels, uint32_t srcStride, uint32_t dstStride,
                 const RGBQUAD* palette, uint32_t flags, uint32_t type);
  static uint32_t ThreadProc(CPicThreadData* record);

  uint32_t error = 0;

 private:
  uint32_t OutChannels() const;
  uint8_t Sample(const uint8_t* row, uint32_t index, uint32_t channel) const;
  // Destination columns [first, last): the column-at-a-time walk (the
  // reference), or the row-wise one where vector kernels serve.
  uint32_t FilterColumns(uint32_t first, uint32_t last, const PicFilterKernel& kernel,
                         const FilterContributions& rows);
  uint32_t FilterRowWise(const ResampleKernels* k, uint32_t first, uint32_t last,
                         const PicFilterKernel& kernel, const FilterContributions& rows);
  bool StepDone(uint32_t done, uint32_t total);

  const uint8_t* src_ = nullptr;
  uint32_t srcWidth_ = 0, srcHeight_ = 0;
  uint8_t* dst_ = nullptr;
  uint32_t dstWidth_ = 0, dstHeight_ = 0, channels_ = 0, srcStride_ = 0, dstStride_ = 0;
  const RGBQUAD* palette_ = nullptr;
  uint32_t flags_ = 0, type_ = 0;
  uint8_t cancelCheck_ = 0;
  uint8_t bitValue_[256] = {};
};

// The resize-method face of the filter resize (8-bit samples).
class CPicImgFilterResizeT : public CPicResizeBaseT<uint8_t> {
 public:
  // No guard of its own: the worker raises the nesting depth, and one
  // operation must stay at depth 1 for its progress to be reported.
  explicit CPicImgFilterResizeT(uint32_t index) : CPicResizeBaseT<uint8_t>(true), filterIndex(index) {}
  uint32_t Resize(const CPicImgBufBase<uint8_t>& src, CPicImgBufBase<uint8_t>& dst, uint32_t flags) override;
  uint32_t filterIndex;
};

}  // namespace Pictura
