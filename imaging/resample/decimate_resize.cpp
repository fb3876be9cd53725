#include "resample/decimate_resize.h"

#include <algorithm>

#include "resample/resample_simd.h"

namespace Pictura {

namespace {

template <class T>
bool ViewsUsable(const CPicImgBufBase<T>& src, const CPicImgBufBase<T>& dst) {
  return src.ConstPixels() && dst.ConstPixels() && src.channels && src.channels == dst.channels &&
         StrideHoldsRow(src) && StrideHoldsRow(dst);
}

constexpr double kAlmostOne = 0.99999999999;

// Where a span ends: i x scale + scale can round past the source's size
// (9 / 7 x 6 + 9 / 7 gives 9 and a hair), which would reach a cell past
// the last one and leave the last cell a weight of almost nothing. The
// span ends at the source's edge, with its last cell whole.
inline double SpanEnd(double p, double scale, uint32_t size) {
  return std::min(p + scale, static_cast<double>(size));
}

}  // namespace

bool AreaSpans::Allocate(uint32_t count) {
  return first.Resize(count) && end.Resize(count) && firstWeight.Resize(count) && lastWeight.Resize(count) &&
         total.Resize(count);
}

void BuildAreaSpans(uint32_t count, double scale, uint32_t srcSize, AreaSpans& spans) {
  for (uint32_t i = 0; i < count; ++i) {
    const double p = i * scale;
    const double q = SpanEnd(p, scale, srcSize);
    auto first = static_cast<uint32_t>(p);
    auto end = static_cast<uint32_t>(q + kAlmostOne);
    // Rounding of very large sizes must not reach past the source.
    if (first >= srcSize) first = srcSize - 1;
    end = std::clamp(end, first + 1, srcSize);
    const double fw = 1 - (p - first);
    const double tail = q - static_cast<uint32_t>(q);
    const double lw = tail == 0 ? 1.0 : tail;
    spans.first[i] = first;
    spans.end[i] = end;
    spans.firstWeight[i] = fw;
    spans.lastWeight[i] = lw;
    spans.total[i] = fw + (static_cast<double>(end) - static_cast<double>(first) - 2) + lw;
  }
}

void BuildBitCountTable(uint32_t weight, uint32_t table[256]) {
  for (uint32_t b = 0; b < 256; ++b) table[b] = static_cast<uint32_t>(__builtin_popcount(b)) * weight;
}

// ---------------------------------------------------------------- block decimation

// Both decimators: row bands on the pool, or every row here.
template <class Method, class T>
uint32_t DecimateBands(Method& m, const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) {
  using Job = CPicImgResizeDecimate::decimateThreadData<T>;
  if (WantBands(flags, dst.height)) {
    m.error = RunBandJobs<Job>(RunBandJob<Method, Job>, false, dst.width, dst.height,
                               [&](Job& job, const ThreadBand& band) {
                                 job.src = &src;
                                 job.dst = &dst;
                                 job.flags = flags;
                                 job.band = band;
                               });
    return m.error == 0 ? 1 : 0;
  }
  return m.ResizeRows(src, dst, flags, nullptr);
}

template <class T>
uint32_t CPicImgDecimateT<T>::Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) {
  return DecimateBands(*this, src, dst, flags);
}

template <class T>
uint32_t CPicImgDecimateT<T>::ThreadProc(CPicThreadData* record) {
  return RunBandJob<CPicImgDecimateT<T>, CPicImgResizeDecimate::decimateThreadData<T>>(record);
}

template <class T>
uint32_t CPicImgDecimateT<T>::ResizeRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t,
                                         const ThreadBand* band) {
  if (!dst.height || !dst.width || !ViewsUsable(src, dst) || dst.width > src.width || dst.height > src.height)
    return this->Fail(kPicErrBadArgument);
  const double rx = RatioOf(src.width, dst.width);
  const double ry = RatioOf(src.height, dst.height);
  // Block sums are held in 32 bits.
  if (SampleTraits<T>::kInteger && 4294967295.0 / static_cast<double>(this->maxValue) < rx * ry)
    return this->Fail(kPicErrBadArgument);
  this->error = 0;
  const uint32_t n = std::min(static_cast<uint32_t>(rx), static_cast<uint32_t>(ry));
  const uint32_t area = n * n;
  const uint32_t ch = src.channels;
  const ThreadBand rows = BandOrAll(dst, band);
  const T* in = src.ConstPixels();
  T* out = dst.Pixels();
  using Sum = std::conditional_t<SampleTraits<T>::kInteger, uint32_t, double>;

  // Integer sums do not depend on their order: the block's rows are added
  // column by column first (whole rows at a time), then each block's columns.
  PicArray<uint32_t> columnSums;
  const size_t rowSamples = size_t{src.width} * ch;
  const bool byColumns = SampleTraits<T>::kInteger && ActiveResampleKernels() && rowSamples <= 0xFFFFFFFFu &&
                         columnSums.Resize(static_cast<uint32_t>(rowSamples));

  double fy = ry * rows.top;
  for (uint32_t y = rows.top; y < rows.bottom; ++y) {
    const uint32_t sy = std::min(static_cast<uint32_t>(fy), src.height - n);
    T* o = out + size_t{y} * dst.stride;
    if (byColumns) {
      uint32_t* sums = columnSums.Data();
      const T* r = in + size_t{sy} * src.stride;
      for (size_t i = 0; i < rowSamples; ++i) sums[i] = r[i];
      for (uint32_t j = 1; j < n; ++j) {
        r = in + size_t{sy + j} * src.stride;
        for (size_t i = 0; i < rowSamples; ++i) sums[i] += r[i];
      }
      double fx = 0.0;
      for (uint32_t x = 0; x < dst.width; ++x) {
        const uint32_t* b = sums + size_t{std::min(static_cast<uint32_t>(fx), src.width - n)} * ch;
        for (uint32_t c = 0; c < ch; ++c) {
          uint32_t sum = 0;
          for (uint32_t i = 0; i < n; ++i) sum += b[size_t{i} * ch + c];
          o[size_t{x} * ch + c] = static_cast<T>(sum / area);
        }
        fx += rx;
      }
      if (!this->StepDone(y - rows.top, rows.bottom - rows.top)) return 0;
      fy += ry;
      continue;
    }
    double fx = 0.0;
    for (uint32_t x = 0; x < dst.width; ++x) {
      const uint32_t sx = std::min(static_cast<uint32_t>(fx), src.width - n);
      for (uint32_t c = 0; c < ch; ++c) {
        Sum sum = 0;
        for (uint32_t j = 0; j < n; ++j) {
          const T* s = in + size_t{sy + j} * src.stride + size_t{sx} * ch + c;
          for (uint32_t i = 0; i < n; ++i) sum += s[size_t{i} * ch];
        }
        if constexpr (SampleTraits<T>::kInteger)
          o[size_t{x} * ch + c] = static_cast<T>(sum / area);
        else
          o[size_t{x} * ch + c] = sum / static_cast<double>(area);
      }
      fx += rx;
    }
    if (!this->StepDone(y - rows.top, rows.bottom - rows.top)) return 0;
    fy += ry;
  }
  return 1;
}

// ---------------------------------------------------------------- area decimation

template <class T>
uint32_t CPicImgDecimateExT<T>::Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) {
  return DecimateBands(*this, src, dst, flags);
}

template <class T>
uint32_t CPicImgDecimateExT<T>::ThreadProc(CPicThreadData* record) {
  return RunBandJob<CPicImgDecimateExT<T>, CPicImgResizeDecimate::decimateThreadData<T>>(record);
}

template <class T>
uint32_t CPicImgDecimateExT<T>::ResizeRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t,
                                           const ThreadBand* band) {
  // A zero output size is refused here too: every sample type, every caller.
  if (!dst.width || !dst.height || !ViewsUsable(src, dst) || dst.width > src.width || dst.height > src.height)
    return this->Fail(kPicErrBadArgument);
  const double rx = RatioOf(src.width, dst.width);
  const double ry = RatioOf(src.height, dst.height);
  // Room for the rows of one span; a count past 32 bits is past any table.
  if (!(ry + 2 < 4294967295.0)) return this->Fail(kPicErrNoMemory);
  const auto rowCap = static_cast<uint32_t>(ry + 2) + 1;
  PicArray<double> rowWeight, rowSum;
  PicArray<const T*> rowPtr;
  AreaSpans cols;
  if (!rowWeight.Resize(rowCap) || !rowSum.Resize(rowCap) || !rowPtr.Resize(rowCap) ||
      !cols.Allocate(dst.width))
    return this->Fail(kPicErrNoMemory);
  BuildAreaSpans(dst.width, rx, src.width, cols);
  this->error = 0;

  const uint32_t ch = src.channels;
  const ThreadBand rows = BandOrAll(dst, band);
  const T* in = src.ConstPixels();
  T* out = dst.Pixels();
  const ResampleKernels* kernels = nullptr;
  uint32_t safeEnd = dst.width;
  if constexpr (std::is_same_v<T, uint8_t>) {
    if (ch == 3 || ch == 4) kernels = ActiveResampleKernels();
    if (ch == 3)
      for (uint32_t x = 0; x < dst.width && safeEnd == dst.width; ++x)
        if (cols.end[x] >= src.width) safeEnd = x;
  }

  for (uint32_t y = rows.top; y < rows.bottom; ++y) {
    const double p = y * ry;
    const double q = SpanEnd(p, ry, src.height);
    auto rowFirst = std::min(static_cast<uint32_t>(p), src.height - 1);
    auto rowEnd = std::clamp(static_cast<uint32_t>(q + kAlmostOne), rowFirst + 1, src.height);
    const uint32_t count = std::min(rowEnd - rowFirst, rowCap);
    const double tail = q - static_cast<uint32_t>(q);
    rowWeight[0] = 1 - (p - rowFirst);
    for (uint32_t i = 1; i + 1 < count; ++i) rowWeight[i] = 1.0;
    rowWeight[count <= 2 ? 1 : count - 1] = tail == 0 ? 1.0 : tail;
    rowSum[0] = rowWeight[0];
    for (uint32_t i = 1; i < count; ++i) rowSum[i] = rowSum[i - 1] + rowWeight[i];
    const double rowTotal = rowSum[count - 1];
    for (uint32_t r = 0; r < count; ++r) rowPtr[r] = in + size_t{rowFirst + r} * src.stride;
    T* o = out + size_t{y} * dst.stride;

    if constexpr (std::is_same_v<T, uint8_t>) {
      if (kernels) {
        kernels->areaRowU8(rowPtr.Data(), rowWeight.Data(), count, o, ch, cols.first.Data(), cols.end.Data(),
                           cols.firstWeight.Data(), cols.lastWeight.Data(), cols.total.Data(), rowTotal,
                           dst.width, safeEnd);
        if (!this->StepDone(y - rows.top, rows.bottom - rows.top)) return 0;
        continue;
      }
    }
    for (uint32_t x = 0; x < dst.width; ++x) {
      const uint32_t first = cols.first[x];
      const uint32_t end = cols.end[x];
      const double area = rowTotal * cols.total[x];
      for (uint32_t c = 0; c < ch; ++c) {
        double sum = 0;
        for (uint32_t r = 0; r < count; ++r) {
          const double wr = rowWeight[r];
          const T* s = rowPtr[r] + c;
          for (uint32_t i = first; i < end; ++i) {
            const double wc = i == first ? cols.firstWeight[x] : i + 1 == end ? cols.lastWeight[x] : 1.0;
            sum += wr * wc * s[size_t{i} * ch];
          }
        }
        o[size_t{x} * ch + c] = StoreTruncated<T>(sum / area);
      }
    }
    if (!this->StepDone(y - rows.top, rows.bottom - rows.top)) return 0;
  }
  return 1;
}

// ---------------------------------------------------------------- nearest neighbour

template <class T>
uint32_t CPicSimpleResize<T>::Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) {
  if (!src.width || !src.height || !dst.width || !dst.height || !ViewsUsable(src, dst))
    return this->Fail(kPicErrBadArgument);
  this->error = 0;
  if (src.width == dst.width && src.height == dst.height && src.stride == dst.stride) {
    CopyImageBand(src, dst, ThreadBand{0, 0, dst.width, dst.height});
    return 1;
  }
  const uint32_t ch = src.channels;
  PicArray<size_t> colOffset, rowOffset;
  if (!colOffset.Resize(dst.width) || !rowOffset.Resize(dst.height)) return this->Fail(kPicErrNoMemory);
  // 64-bit products: a 32-bit one wraps on large images and reads astray.
  for (uint32_t x = 0; x < dst.width; ++x)
    colOffset[x] = static_cast<size_t>(uint64_t{src.width} * x / dst.width) * ch;
  for (uint32_t y = 0; y < dst.height; ++y)
    rowOffset[y] = static_cast<size_t>(uint64_t{src.height} * y / dst.height) * src.stride;
  const T* in = src.ConstPixels();
  T* out = dst.Pixels();

  if (!this->cancelCheck && ActiveResampleKernels()) {
    // No one watches the channels go by: whole pixels at a time, in row
    // bands on the pool when the picture is big enough to pay for it (below
    // a quarter megabyte a thread, handing bands out costs more than sharing
    // saves).
    const uint64_t bytes = uint64_t{dst.width} * dst.height * ch * sizeof(T);
    if (WantBands(flags, dst.height, bytes, 1u << 18)) {
      this->error = RunBandJobs<simpleThreadData>(
          ThreadProc, false, dst.width, dst.height,
          [&](simpleThreadData& job, const ThreadBand& band) {
            job.src = &src;
            job.dst = &dst;
            job.colOffset = colOffset.Data();
            job.rowOffset = rowOffset.Data();
            job.band = band;
          },
          WorkThreads(bytes, 1u << 18));
      return this->error == 0 ? 1 : 0;
    }
    PixelRows(src, dst, colOffset.Data(), rowOffset.Data(), 0, dst.height);
    return 1;
  }
  for (uint32_t c = 0; c < ch; ++c) {
    for (uint32_t y = 0; y < dst.height; ++y) {
      const T* s = in + rowOffset[y] + c;
      T* o = out + size_t{y} * dst.stride + c;
      for (uint32_t x = 0; x < dst.width; ++x) o[size_t{x} * ch] = s[colOffset[x]];
    }
    if (!this->StepDone(c, ch)) return 0;
  }
  return 1;
}

template <class T>
uint32_t CPicSimpleResize<T>::ThreadProc(CPicThreadData* record) {
  return RunBandJob<CPicSimpleResize<T>, simpleThreadData>(record);
}

// A row that repeats the one above is copied from it.
template <class T>
void CPicSimpleResize<T>::PixelRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                                    const size_t* colOffset, const size_t* rowOffset, uint32_t top,
                                    uint32_t bottom) {
  const uint32_t ch = src.channels;
  const T* in = src.ConstPixels();
  T* out = dst.Pixels();
  const size_t rowBytes = size_t{dst.width} * ch * sizeof(T);
  // 3-byte pixels move as 4 bytes while the byte after them is still in
  // the source row and the destination's next pixel rewrites the extra one.
  uint32_t wide = 0;
  if (std::is_same_v<T, uint8_t> && ch == 3)
    while (wide + 1 < dst.width && colOffset[wide] + 3 < size_t{src.width} * 3) ++wide;
  for (uint32_t y = top; y < bottom; ++y) {
    T* o = out + size_t{y} * dst.stride;
    if (y > top && rowOffset[y] == rowOffset[y - 1]) {
      std::memcpy(o, o - dst.stride, rowBytes);
      continue;
    }
    const T* s = in + rowOffset[y];
    uint32_t x = 0;
    if constexpr (std::is_same_v<T, uint8_t>) {
      for (; x < wide; ++x) std::memcpy(o + size_t{x} * 3, s + colOffset[x], 4);
    }
    for (; x < dst.width; ++x) std::memcpy(o + size_t{x} * ch, s + colOffset[x], ch * sizeof(T));
  }
}

template class CPicImgDecimateT<uint8_t>;
template class CPicImgDecimateT<uint16_t>;
template class CPicImgDecimateT<double>;
template class CPicImgDecimateExT<uint8_t>;
template class CPicImgDecimateExT<uint16_t>;
template class CPicImgDecimateExT<double>;
template class CPicSimpleResize<uint8_t>;
template class CPicSimpleResize<uint16_t>;
template class CPicSimpleResize<double>;

}  // namespace Pictura
