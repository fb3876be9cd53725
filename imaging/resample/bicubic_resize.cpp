#include "resample/bicubic_resize.h"

#include <algorithm>

#include "core/numeric.h"
#include "resample/resample_simd.h"

namespace Pictura {

void CubicTaps(double pos, uint32_t size, uint32_t taps[4]) {
  const auto f = static_cast<uint32_t>(pos);
  const double s = size;
  taps[0] = pos < 1.0 ? 0 : f - 1;
  taps[1] = pos >= s - 1 ? size - 1 : f;
  taps[2] = pos >= s - 2 ? taps[1] : f + 1;
  taps[3] = pos >= s - 3 ? taps[2] : f + 2;
  for (int j = 0; j < 4; ++j) taps[j] = std::min(taps[j], size - 1);
}

// Weights and source rows of destination row r (rows are not clamped
// before their taps are chosen).
void CubicRow(uint32_t r, uint32_t srcHeight, uint32_t dstHeight, double wy[4], uint32_t rows[4]) {
  const double y = r * (static_cast<double>(srcHeight) / static_cast<double>(dstHeight));
  CubicWeights(y - static_cast<uint32_t>(y), wy);
  CubicTaps(y, srcHeight, rows);
}

template <class T>
uint32_t CPicBicubicResizeT<T>::BuildCoefficients(uint32_t srcWidth, uint32_t, uint32_t dstWidth, uint32_t,
                                                  uint32_t channels, BicubicCoefficients& table) {
  BicubicCoefficients& c = table;
  if (!c.c0.Resize(dstWidth) || !c.c1.Resize(dstWidth) || !c.c2.Resize(dstWidth) || !c.c3.Resize(dstWidth) ||
      !c.w0.Resize(dstWidth) || !c.w1.Resize(dstWidth) || !c.w2.Resize(dstWidth) || !c.w3.Resize(dstWidth))
    return 1;
  if (srcWidth == 0 || dstWidth == 0) return 0;
  const double scale = static_cast<double>(srcWidth) / static_cast<double>(dstWidth);
  const double low = 0.0;
  const double high = static_cast<double>(srcWidth) - 1;
  for (uint32_t i = 0; i < dstWidth; ++i) {
    const double x = ClampDouble(i * scale, &low, &high);
    const double t = x - static_cast<uint32_t>(x);
    double w[4];
    CubicWeights(t, w);
    c.w0[i] = w[0];
    c.w1[i] = w[1];
    c.w2[i] = w[2];
    c.w3[i] = t * t * (1 - t);  // the magnitude of w[3]
    uint32_t taps[4];
    CubicTaps(x, srcWidth, taps);
    c.c0[i] = taps[0] * channels;
    c.c1[i] = taps[1] * channels;
    c.c2[i] = taps[2] * channels;
    c.c3[i] = taps[3] * channels;
  }
  return 0;
}

template <class T>
uint32_t CPicBicubicResizeT<T>::Resize(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst, uint32_t flags) {
  if (src.channels != dst.channels || !src.ConstPixels() || !dst.Pixels())
    return this->Fail(kPicErrBadArgument);
  BicubicCoefficients table;
  if (BuildCoefficients(src.width, src.height, dst.width, dst.height, src.channels, table) != 0)
    return this->Fail(kPicErrNoMemory);
  // Bands of rows, not of columns: a column strip reads a short piece of
  // every source row and writes one of every destination row, and eight
  // such strips ran 2.5 times slower than eight bands of whole rows, whose
  // only extra work is up to three source rows summed again per band.
  if (WantBands(flags, dst.height)) {
    this->error = RunBandJobs<bicubicThreadData>(ThreadProc, false, dst.width, dst.height,
                                                 [&](bicubicThreadData& job, const ThreadBand& band) {
                                                   job.src = &src;
                                                   job.dst = &dst;
                                                   job.flags = flags;
                                                   job.coefficients = &table;
                                                   job.band = band;
                                                 });
    return this->error == 0 ? 1 : 0;
  }
  return ResizeRows(src, dst, table, nullptr) ? 1 : 0;
}

template <class T>
uint32_t CPicBicubicResizeT<T>::ThreadProc(CPicThreadData* record) {
  return RunBandJob<CPicBicubicResizeT<T>, bicubicThreadData>(record);
}

template <class T>
bool CPicBicubicResizeT<T>::ResizeRows(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                                       const BicubicCoefficients& table, const ThreadBand* band) {
  const T* in = src.ConstPixels();
  T* out = dst.Pixels();
  if (!in || !out || !dst.width || !dst.height || !src.width || !src.height || in == out ||
      table.w0.Empty() || table.w0.Count() != dst.width || !src.channels || src.channels != dst.channels ||
      !StrideHoldsRow(src) || !StrideHoldsRow(dst)) {
    this->error = kPicErrBadArgument;
    return false;
  }
  this->error = 0;
  const ThreadBand b = BandOrAll(dst, band);
  if (dst.width == src.width && dst.height == src.height && src.stride == dst.stride) {
    CopyImageBand(src, dst, b);
    return true;
  }
  if (b.left >= b.right || b.top >= b.bottom) return true;
  if (const ResampleKernels* k = ActiveResampleKernels()) return RowsSeparable(k, src, dst, table, b);
  return RowsDirect(src, dst, table, b);
}

// The reference: every destination sample from its 16 source samples.
template <class T>
bool CPicBicubicResizeT<T>::RowsDirect(const CPicImgBufBase<T>& src, CPicImgBufBase<T>& dst,
                                       const BicubicCoefficients& c, const ThreadBand& b) {
  const uint32_t ch = src.channels;
  for (uint32_t r = b.top; r < b.bottom; ++r) {
    double wy[4];
    uint32_t rows[4];
    CubicRow(r, src.height, dst.height, wy, rows);
    const T* s[4];
    for (int j = 0; j < 4; ++j) s[j] = src.ConstPixels() + size_t{rows[j]} * src.stride;
    T* o = dst.Pixels() + size_t{r} * dst.stride;
    for (uint32_t i = b.left; i < b.right; ++i) {
      for (uint32_t k = 0; k < ch; ++k) {
        double h[4];
        for (int j = 0; j < 4; ++j)
          h[j] = s[j][c.c0[i] + k] * c.w0[i] + s[j][c.c1[i] + k] * c.w1[i] + s[j][c.c2[i] + k] * c.w2[i] -
                 s[j][c.c3[i] + k] * c.w3[i];
        const double v = h[0] * wy[0] + h[1] * wy[1] + h[2] * wy[2] + h[3] * wy[3];
        o[size_t{i} * ch + k] = StoreTruncated<T>(v);
      }
    }
    if (!this->StepDone(r - b.top, b.bottom - b.top)) return false;
  }
  return true;
}

// Same sums, taken apart: the horizontal sum of a source row and a
// destination column does not depend on the destination row, so each
// source row is summed once and kept while rows need it.
template <class T>
bool CPicBicubicResizeT<T>::RowsSeparable(const ResampleKernels* k, const CPicImgBufBase<T>& src,
                                          CPicImgBufBase<T>& dst, const BicubicCoefficients& c,
                                          const ThreadBand& b) {
  const uint32_t ch = src.channels;
  const uint32_t cols = b.right - b.left;
  const size_t n = size_t{cols} * ch;
  const bool vectorRows = std::is_same_v<T, uint8_t> && (ch == 3 || ch == 4);
  // Four kept rows of horizontal sums (one spare sample each for the vector
  // stores) and a padded copy of the last source row.
  PicArray<double> kept;
  PicArray<uint8_t> lastRow;
  uint64_t keptCount = 0;
  if (!PicSizeWithinCap(n + 1, 4, sizeof(double), &keptCount) ||
      !kept.Resize(static_cast<uint32_t>(keptCount / sizeof(double)))) {
    this->error = kPicErrNoMemory;
    return false;
  }
  uint64_t lastRowBytes = 0;
  if (vectorRows && (!PicSizeWithinCap(uint64_t{src.width} * ch + 16, 1, 1, &lastRowBytes) ||
                     !lastRow.Resize(static_cast<uint32_t>(lastRowBytes)))) {
    this->error = kPicErrNoMemory;
    return false;
  }
  double* slot[4];
  int64_t slotRow[4];
  for (int j = 0; j < 4; ++j) {
    slot[j] = kept.Data() + j * (n + 1);
    slotRow[j] = -1;
  }
  const uint32_t* offsets[4] = {c.c0.Data() + b.left, c.c1.Data() + b.left, c.c2.Data() + b.left,
                                c.c3.Data() + b.left};
  const double* weights[4] = {c.w0.Data() + b.left, c.w1.Data() + b.left, c.w2.Data() + b.left,
                              c.w3.Data() + b.left};

  auto sumRow = [&](uint32_t row, double* h) {
    const T* s = src.ConstPixels() + size_t{row} * src.stride;
    if constexpr (std::is_same_v<T, uint8_t>) {
      if (vectorRows) {
        // 3-channel loads read one byte past a pixel: past the last row's
        // end only for the last row, which is read from a padded copy.
        if (ch == 3 && row + 1 == src.height) {
          std::memcpy(lastRow.Data(), s, size_t{src.width} * ch);
          s = lastRow.Data();
        }
        k->cubicRowU8(s, h, ch, offsets, weights, cols);
        return;
      }
    }
    for (uint32_t i = 0; i < cols; ++i) {
      const uint32_t o0 = offsets[0][i], o1 = offsets[1][i], o2 = offsets[2][i], o3 = offsets[3][i];
      const double w0 = weights[0][i], w1 = weights[1][i], w2 = weights[2][i], w3 = weights[3][i];
      for (uint32_t kk = 0; kk < ch; ++kk)
        h[size_t{i} * ch + kk] = s[o0 + kk] * w0 + s[o1 + kk] * w1 + s[o2 + kk] * w2 - s[o3 + kk] * w3;
    }
  };

  for (uint32_t r = b.top; r < b.bottom; ++r) {
    double wy[4];
    uint32_t rows[4];
    CubicRow(r, src.height, dst.height, wy, rows);
    const double* h[4];
    for (int j = 0; j < 4; ++j) {
      int found = -1;
      for (int s = 0; s < 4 && found < 0; ++s)
        if (slotRow[s] == rows[j]) found = s;
      if (found < 0) {
        // A slot whose row this destination row does not use.
        for (int s = 0; s < 4 && found < 0; ++s) {
          bool used = false;
          for (int u = 0; u < 4; ++u) used = used || slotRow[s] == rows[u];
          if (!used) found = s;
        }
        sumRow(rows[j], slot[found]);
        slotRow[found] = rows[j];
      }
      h[j] = slot[found];
    }
    T* o = dst.Pixels() + size_t{r} * dst.stride + size_t{b.left} * ch;
    if (std::is_same_v<T, uint8_t>)
      k->cubicColU8(h, wy, reinterpret_cast<uint8_t*>(o), n);
    else if (std::is_same_v<T, uint16_t>)
      k->cubicColU16(h, wy, reinterpret_cast<uint16_t*>(o), n);
    else
      k->cubicColF64(h, wy, reinterpret_cast<double*>(o), n);
    if (!this->StepDone(r - b.top, b.bottom - b.top)) return false;
  }
  return true;
}

template class CPicBicubicResizeT<uint8_t>;
template class CPicBicubicResizeT<uint16_t>;
template class CPicBicubicResizeT<double>;

}  // namespace Pictura
