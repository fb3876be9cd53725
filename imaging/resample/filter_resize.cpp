#include "resample/filter_resize.h"

#include <algorithm>
#include <cmath>

#include "resample/resample_simd.h"

namespace Pictura {

namespace {

constexpr uint32_t kErrTooSmallForFilter = 68;

struct AxisSpan {
  double centre;
  int64_t left;
  int64_t right;
};

AxisSpan SpanOf(uint32_t i, double scale, double support) {
  const double centre = i / scale;
  const double width = scale < 1 ? support / scale : support;
  return AxisSpan{centre, static_cast<int64_t>(std::ceil(centre - width)),
                  static_cast<int64_t>(std::floor(centre + width))};
}

// Mirrored at both edges, then kept within the image.
uint32_t MirrorIndex(int64_t j, uint32_t size) {
  if (j < 0)
    j = -j;
  else if (j >= size)
    j = 2 * int64_t{size} - j - 1;
  return static_cast<uint32_t>(std::clamp<int64_t>(j, 0, int64_t{size} - 1));
}

// The weighted sum of one output sample, in list order; a list whose samples
// all equal the first gives that sample untouched.
template <class Fetch>
uint8_t WeightedSample(const uint32_t* index, const double* weight, uint32_t count, Fetch fetch) {
  const uint8_t first = fetch(index[0]);
  bool same = true;
  double sum = 0;
  for (uint32_t k = 0; k < count; ++k) {
    const uint8_t s = fetch(index[k]);
    sum += weight[k] * s;
    same = same && s == first;
  }
  return same ? first : StoreTruncated<uint8_t>(sum);
}

}  // namespace

bool BuildFilterContributions(const PicFilterKernel& kernel, uint32_t srcSize, uint32_t dstSize,
                              uint32_t begin, uint32_t end, FilterContributions& out) {
  const double scale = static_cast<double>(dstSize) / static_cast<double>(srcSize);
  if (end < begin || !out.first.Resize(end - begin + 1)) return false;
  uint64_t total = 0;
  for (uint32_t i = begin; i < end; ++i) {
    const AxisSpan s = SpanOf(i, scale, kernel.support);
    total += static_cast<uint64_t>(std::max<int64_t>(s.right - s.left + 1, 0));
  }
  if (!PicSizeWithinCap(total, sizeof(double)) || !out.index.Resize(static_cast<uint32_t>(total)) ||
      !out.weight.Resize(static_cast<uint32_t>(total)))
    return false;
  uint32_t n = 0;
  for (uint32_t i = begin; i < end; ++i) {
    out.first[i - begin] = n;
    const AxisSpan s = SpanOf(i, scale, kernel.support);
    const uint32_t start = n;
    double sum = 0;
    for (int64_t j = s.left; j <= s.right; ++j) {
      const double w =
          scale < 1 ? kernel.function((s.centre - j) * scale) * scale : kernel.function(s.centre - j);
      out.index[n] = MirrorIndex(j, srcSize);
      out.weight[n] = w;
      sum += w;
      ++n;
    }
    if (sum != 0)
      for (uint32_t k = start; k < n; ++k) out.weight[k] = out.weight[k] / sum;
  }
  out.first[end - begin] = n;
  return true;
}

CPicFilterResize::CPicFilterResize() : cancelCheck_(HasProgressCallback() ? 1 : 0) {
  PicNestingEnter();
}

CPicFilterResize::~CPicFilterResize() {
  PicNestingExit();
}

void CPicFilterResize::SetImages(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst,
                                 uint32_t dstWidth, uint32_t dstHeight, uint32_t channels, uint32_t srcStride,
                                 uint32_t dstStride, const RGBQUAD* palette, uint32_t flags, uint32_t type) {
  src_ = src;
  srcWidth_ = srcWidth;
  srcHeight_ = srcHeight;
  dst_ = dst;
  dstWidth_ = dstWidth;
  dstHeight_ = dstHeight;
  channels_ = channels;
  srcStride_ = srcStride;
  dstStride_ = dstStride;
  palette_ = palette;
  flags_ = flags;
  type_ = type;
  if (type == kOneBit) {
    // Flags bit 0 clear: set bits black, clear bits white.
    const uint8_t clear = (flags & 1) ? 0 : 255;
    for (int b = 0; b < 256; ++b) bitValue_[b] = b ? static_cast<uint8_t>(255 - clear) : clear;
  }
}

uint32_t CPicFilterResize::OutChannels() const {
  return type_ == kSamples ? channels_ : type_ == kOneBit ? 1 : 3;
}

uint8_t CPicFilterResize::Sample(const uint8_t* row, uint32_t index, uint32_t channel) const {
  switch (type_) {
    case kSamples:
      return row[size_t{index} * channels_ + channel];
    case kOneBit:
      return bitValue_[row[index >> 3] & (0x80u >> (index & 7))];
    default: {
      const RGBQUAD& q = palette_[row[index]];
      const uint8_t rgb[3] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
      const uint8_t bgr[3] = {q.rgbBlue, q.rgbGreen, q.rgbRed};
      return (flags_ & 1) ? bgr[channel] : rgb[channel];
    }
  }
}

bool CPicFilterResize::StepDone(uint32_t done, uint32_t total) {
  if (cancelCheck_ && PicProgress(done, total) <= 0) {
    error = kPicErrCancelled;
    return false;
  }
  return true;
}

uint32_t CPicFilterResize::Resize(const uint8_t* src, uint32_t srcWidth, uint32_t srcHeight, uint8_t* dst,
                                  uint32_t dstWidth, uint32_t dstHeight, uint32_t channels,
                                  uint32_t filterIndex, uint32_t srcStride, uint32_t dstStride,
                                  const RGBQUAD* palette, uint32_t flags, uint32_t type) {
  error = 0;
  PicFilterKernel kernel;
  if (!src || !dst || !channels || !srcWidth || !srcHeight || !dstWidth || !dstHeight ||
      !GetFilterKernel(filterIndex, &kernel)) {
    error = kPicErrBadArgument;
    return 0;
  }
  const auto least = static_cast<uint32_t>(kernel.support + 0.999999999);
  if (dstWidth < least || dstHeight < least) {
    error = kErrTooSmallForFilter;
    return 0;
  }
  if (type > kPaletted) {
    error = kPicErrUnexpected;
    return 0;
  }
  SetImages(src, srcWidth, srcHeight, dst, dstWidth, dstHeight, channels, srcStride, dstStride, palette,
            flags, type);
  // Rows must hold their pixels; a paletted source needs its palette.
  const uint64_t srcRow = type == kSamples  ? uint64_t{srcWidth} * channels
                          : type == kOneBit ? (uint64_t{srcWidth} + 7) / 8
                                            : srcWidth;
  if (srcStride < srcRow || dstStride < uint64_t{dstWidth} * OutChannels() ||
      (type == kPaletted && !palette)) {
    error = kPicErrBadArgument;
    return 0;
  }
  // Whole contribution lists of either axis must be within reach before any
  // band starts building its share.
  auto listsFit = [&](uint32_t srcSize, uint32_t dstSize) {
    const double scale = static_cast<double>(dstSize) / static_cast<double>(srcSize);
    const double reach = 2 * (scale < 1 ? kernel.support / scale : kernel.support) + 2;
    return reach < 4294967295.0 && PicSizeWithinCap(dstSize, static_cast<uint64_t>(reach), sizeof(double));
  };
  FilterContributions rows;
  if (!listsFit(srcWidth, dstWidth) || !listsFit(srcHeight, dstHeight) ||
      !BuildFilterContributions(kernel, srcHeight, dstHeight, 0, dstHeight, rows)) {
    error = kPicErrNoMemory;
    return 0;
  }
  const ResampleKernels* k = ActiveResampleKernels();
  if (WantBands(flags, dstWidth)) {
    error = RunBandJobs<filterResizeThreadStruct>(ThreadProc, true, dstWidth, dstHeight,
                                                  [&](filterResizeThreadStruct& job, const ThreadBand& band) {
                                                    job.kernel = kernel;
                                                    job.rows = &rows;
                                                    job.src = src;
                                                    job.srcWidth = srcWidth;
                                                    job.srcHeight = srcHeight;
                                                    job.dst = dst;
                                                    job.dstWidth = dstWidth;
                                                    job.dstHeight = dstHeight;
                                                    job.channels = channels;
                                                    job.srcStride = srcStride;
                                                    job.dstStride = dstStride;
                                                    job.palette = palette;
                                                    job.flags = flags;
                                                    job.type = type;
                                                    job.band = band;
                                                  });
  } else if (k && type == kSamples) {
    FilterRowWise(k, 0, dstWidth, kernel, rows);
  } else {
    FilterColumns(0, dstWidth, kernel, rows);
  }
  return error == 0 ? 1 : 0;
}

uint32_t CPicFilterResize::ThreadProc(CPicThreadData* record) {
  auto* job = static_cast<filterResizeThreadStruct*>(record);
  if (!job) return 0;
  if (job->progressWanted) SetProgressCallback(JobProgressCallback, reinterpret_cast<PIC_USERDATA>(job));
  {
    CPicFilterResize worker;
    worker.SetImages(job->src, job->srcWidth, job->srcHeight, job->dst, job->dstWidth, job->dstHeight,
                     job->channels, job->srcStride, job->dstStride, job->palette, job->flags, job->type);
    const ResampleKernels* k = ActiveResampleKernels();
    if (k && job->type == kSamples)
      worker.FilterRowWise(k, job->band.left, job->band.right, job->kernel, *job->rows);
    else
      worker.FilterColumns(job->band.left, job->band.right, job->kernel, *job->rows);
    job->error = worker.error;
  }
  SetProgressCallback(nullptr, 0);
  return 0;
}

// The reference: one destination column at a time through an intermediate
// column of 8-bit samples.
uint32_t CPicFilterResize::FilterColumns(uint32_t first, uint32_t last, const PicFilterKernel& kernel,
                                         const FilterContributions& rows) {
  if (type_ > kPaletted) {
    error = kPicErrUnexpected;
    return 0;
  }
  const uint32_t outCh = OutChannels();
  PicArray<uint8_t> column;
  FilterContributions cols;
  if (!PicSizeWithinCap(srcHeight_, outCh) || !column.Resize(srcHeight_ * outCh) ||
      !BuildFilterContributions(kernel, srcWidth_, dstWidth_, first, last, cols)) {
    error = kPicErrNoMemory;
    return 0;
  }
  for (uint32_t x = first; x < last; ++x) {
    const uint32_t c0 = cols.first[x - first];
    const uint32_t cn = cols.Count(x - first);
    for (uint32_t y = 0; y < srcHeight_; ++y) {
      const uint8_t* row = src_ + size_t{y} * srcStride_;
      for (uint32_t c = 0; c < outCh; ++c)
        column[y * outCh + c] = WeightedSample(&cols.index[c0], &cols.weight[c0], cn,
                                               [&](uint32_t i) { return Sample(row, i, c); });
    }
    for (uint32_t y = 0; y < dstHeight_; ++y) {
      const uint32_t r0 = rows.first[y];
      for (uint32_t c = 0; c < outCh; ++c)
        dst_[size_t{y} * dstStride_ + size_t{x} * outCh + c] =
            WeightedSample(&rows.index[r0], &rows.weight[r0], rows.Count(y),
                           [&](uint32_t i) { return column[i * outCh + c]; });
    }
    if (!StepDone(x - first, last - first)) return 0;
  }
  return 1;
}

// The same sums in another walk: every source row's horizontal pass for the
// band's columns into an 8-bit intermediate image, then the destination row
// by row. Progress counts the intermediate rows, then the destination rows.
uint32_t CPicFilterResize::FilterRowWise(const ResampleKernels* k, uint32_t first, uint32_t last,
                                         const PicFilterKernel& kernel, const FilterContributions& rows) {
  const uint32_t ch = channels_;
  const uint32_t cols = last - first;
  if (cols == 0) return 1;
  FilterContributions colList;
  PicArray<uint32_t> offsets;
  PicArray<uint8_t> inter, lastRow;
  uint64_t interBytes = 0;
  const size_t interStride = size_t{cols} * ch;
  if (!BuildFilterContributions(kernel, srcWidth_, dstWidth_, first, last, colList) ||
      !offsets.Resize(colList.index.Count()) || !PicSizeWithinCap(srcHeight_, interStride, 1, &interBytes) ||
      interBytes + 16 >= kPicAllocCap || !inter.Resize(static_cast<uint32_t>(interBytes + 16)) ||
      !lastRow.Resize(static_cast<uint32_t>(size_t{srcWidth_} * ch + 16))) {
    // Too big to hold whole: the column walk needs only one column.
    return FilterColumns(first, last, kernel, rows);
  }
  for (uint32_t i = 0; i < colList.index.Count(); ++i) offsets[i] = colList.index[i] * ch;
  const bool vectorRows = ch == 3 || ch == 4;
  const uint32_t steps = srcHeight_ + dstHeight_;

  for (uint32_t y = 0; y < srcHeight_; ++y) {
    const uint8_t* row = src_ + size_t{y} * srcStride_;
    uint8_t* out = inter.Data() + y * interStride;
    if (vectorRows) {
      if (ch == 3 && y + 1 == srcHeight_) {
        std::memcpy(lastRow.Data(), row, size_t{srcWidth_} * ch);
        row = lastRow.Data();
      }
      k->filterRowU8(row, out, ch, colList.first.Data(), offsets.Data(), colList.weight.Data(), cols);
    } else {
      for (uint32_t x = 0; x < cols; ++x) {
        const uint32_t c0 = colList.first[x];
        for (uint32_t c = 0; c < ch; ++c)
          out[size_t{x} * ch + c] = WeightedSample(&offsets[c0], &colList.weight[c0], colList.Count(x),
                                                   [&](uint32_t o) { return row[o + c]; });
      }
    }
    if (!StepDone(y, steps)) return 0;
  }

  uint32_t maxTaps = 0;
  for (uint32_t y = 0; y < dstHeight_; ++y) maxTaps = std::max(maxTaps, rows.Count(y));
  PicArray<const uint8_t*> tapRows(maxTaps);
  if (tapRows.Count() != maxTaps) {
    error = kPicErrNoMemory;
    return 0;
  }
  for (uint32_t y = 0; y < dstHeight_; ++y) {
    const uint32_t r0 = rows.first[y];
    const uint32_t n = rows.Count(y);
    for (uint32_t t = 0; t < n; ++t) tapRows[t] = inter.Data() + rows.index[r0 + t] * interStride;
    k->filterColU8(tapRows.Data(), &rows.weight[r0], n, dst_ + size_t{y} * dstStride_ + size_t{first} * ch,
                   interStride);
    if (!StepDone(srcHeight_ + y, steps)) return 0;
  }
  return 1;
}

uint32_t CPicImgFilterResizeT::Resize(const CPicImgBufBase<uint8_t>& src, CPicImgBufBase<uint8_t>& dst,
                                      uint32_t flags) {
  if (src.channels != dst.channels) return Fail(kPicErrUnexpected);
  CPicFilterResize worker;
  const uint32_t result = worker.Resize(src.ConstPixels(), src.width, src.height, dst.Pixels(), dst.width,
                                        dst.height, src.channels, filterIndex, src.stride, dst.stride,
                                        nullptr, flags, CPicFilterResize::kSamples);
  error = worker.error;
  return result;
}

}  // namespace Pictura
