#include "pixelops/one_bit.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/allocators.h"
#include "core/gray_conversion.h"
#include "core/packing.h"
#include "core/thread_context.h"
#include "pixelops/octree_quantizer.h"

namespace Pictura {

namespace {

constexpr int kIterationCap = 256;  // iterative methods stop here at the latest

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

// Cumulative sums over the histogram: count, sum of k, sum of k^2.
struct Moments {
  double n[257] = {}, s[257] = {}, q[257] = {};  // [k]: over bins 0..k-1
  explicit Moments(const uint32_t* h) {
    for (int k = 0; k < 256; ++k) {
      n[k + 1] = n[k] + h[k];
      s[k + 1] = s[k] + double(k) * h[k];
      q[k + 1] = q[k] + double(k) * k * h[k];
    }
  }
};

int64_t TwoPeaks(const uint32_t* h) {
  int p1 = 0;
  for (int k = 1; k < 256; ++k)
    if (h[k] > h[p1]) p1 = k;
  int p2 = 0;
  for (int k = 1; k <= 254; ++k) {
    if (h[k - 1] > h[k] || h[k + 1] > h[k]) continue;
    int64_t dk = k - p1, d2 = p2 - p1;
    if (uint64_t{h[p2]} * uint64_t(d2 * d2) < uint64_t{h[k]} * uint64_t(dk * dk)) p2 = k;
  }
  int t = p1;
  for (int k = std::min(p1, p2); k < std::max(p1, p2); ++k)
    if (h[k] < h[t]) t = k;
  return t;
}

int64_t Intermeans(const Moments& m) {
  const double n = m.n[256];
  if (n == 0) return -1;
  double t = std::floor(m.s[256] / n);
  for (int i = 0; i < kIterationCap; ++i) {
    // Values below t form the lower class; an empty class counts one pixel.
    int cut = std::clamp(static_cast<int>(std::ceil(t)), 0, 256);
    double nl = m.n[cut], nu = n - nl;
    double lower = m.s[cut] / (nl > 0 ? nl : 1), upper = (m.s[256] - m.s[cut]) / (nu > 0 ? nu : 1);
    double next = (upper + lower) * 0.5;
    if (next == t) break;
    t = next;
  }
  return static_cast<int64_t>(t);
}

int64_t Otsu(const uint32_t* h) {
  double n = 0, total = 0;
  for (int k = 0; k < 256; ++k) n += h[k], total += double(k) * h[k];
  double w0 = 0, s0 = 0;
  float best = 0;
  int64_t t = -1;
  for (int k = 0; k < 256; ++k) {
    w0 += h[k];
    if (w0 == 0) continue;
    double w1 = n - w0;
    if (w1 == 0) break;
    s0 += double(k) * h[k];
    float diff = static_cast<float>(s0) / static_cast<float>(w0) -
                 static_cast<float>(total - s0) / static_cast<float>(w1);
    float between = static_cast<float>(w0 * w1) * diff * diff;  // the product in doubles: no 32-bit wrap
    if (between > best) best = between, t = k;
  }
  return t;
}

int64_t CountBalance(const uint32_t* h) {
  uint64_t a = 0, b = 0;
  for (uint32_t s = 1;;) {
    uint64_t lo = 0, hi = 0;
    for (uint32_t k = 0; k < 256; ++k) (k < s ? lo : hi) += h[k];
    a = (a + lo) / s;
    b = (b + hi) / s;
    ++s;
    if ((a + b) / 2 == s || s >= 255) return s;
  }
}

int64_t Percentile(const uint32_t* h, uint32_t parameter) {
  uint64_t n = 0;
  for (int k = 0; k < 256; ++k) n += h[k];
  const uint64_t target = n * parameter / 10000;
  uint64_t sum = 0;
  for (int k = 0; k < 256; ++k)
    if ((sum += h[k]) >= target) return k;
  return -1;
}

double Phi(double x) {
  return x > 0 ? -x * std::log(x) : 0;
}
double Lg(double x) {
  return x > 0 ? std::log(x) : 0;
}

int64_t EntropyCriterion(const double* p) {
  int first = 0, last = 255;
  while (first < 256 && p[first] == 0) ++first;
  while (last >= 0 && p[last] == 0) --last;
  if (first > last) return -1;
  double P[256], Q[256];
  P[0] = p[0];
  Q[0] = 1 - p[0];
  for (int k = 1; k < 256; ++k) P[k] = P[k - 1] + p[k], Q[k] = 1 - P[k - 1];
  double best = std::numeric_limits<double>::infinity();
  int64_t t = -1;
  for (int k = first + 1; k <= last - 1; ++k) {
    if (p[k] <= 0) continue;
    double e = (Phi(P[k - 1]) + Phi(p[k])) / P[k] + Lg(P[k]) + (Phi(Q[k + 1]) + Phi(p[k])) / Q[k] + Lg(Q[k]);
    if (!(e >= best)) best = e, t = k;  // a value that does not compare replaces too
  }
  return t;
}

int64_t CrossEntropy(const uint32_t* h) {
  double n = 0, s = 0;
  for (int k = 1; k < 256; ++k) n += h[k], s += double(k) * h[k];
  auto part = [&](int from, int to) {  // bins from..to-1 around their own mean
    double cn = 0, cs = 0;
    for (int k = from; k < to; ++k) cn += h[k], cs += double(k) * h[k];
    if (cn == 0 || cs == 0) return 0.0;
    double mean = cs / cn, e = 0;
    for (int k = from; k < to; ++k)
      if (h[k]) e += double(k) * h[k] * std::log(k / mean);
    return e;
  };
  (void)n, (void)s;
  double best = part(1, 256);
  int64_t t = 1;
  for (int k = 2; k < 256; ++k) {
    double e = part(1, k) + part(k, 256);
    if (e < best) best = e, t = k;
  }
  return t;
}

int64_t MinimumError(const Moments& m) {
  const double n = m.n[256], s1 = m.s[256], s2 = m.q[256];
  if (n == 0) return -1;
  int64_t t = static_cast<int64_t>(s1 / n);
  auto meanOf = [&](int from, int to) {  // bins from..to-1; empty: 0
    double c = m.n[to] - m.n[from];
    return c > 0 ? (m.s[to] - m.s[from]) / c : 0.0;
  };
  for (int i = 0; i < kIterationCap; ++i) {
    int64_t next = static_cast<int64_t>((meanOf(0, int(t) + 1) + meanOf(int(t) + 1, 256)) * 0.5);
    if (next == t) break;
    t = next;
  }
  for (int i = 0; i < kIterationCap; ++i) {
    if (t < 0 || t > 254) break;
    double w1 = m.n[t + 1], w2 = n - w1;
    if (w1 <= 0 || w2 <= 0) break;  // one class empty: nothing to balance
    double sum1 = m.s[t + 1], q1 = m.q[t + 1];
    double m1 = sum1 / w1, m2 = (s1 - sum1) / w2, p1 = w1 / n, p2 = w2 / n;
    double var1 = q1 / w1 - m1 * m1, var2 = (s2 - q1) / w2 - m2 * m2;
    if (var1 <= 0 || var2 <= 0) break;  // a flat class has no spread to fit
    double a = 1 / var1 - 1 / var2, b = m1 / var1 - m2 / var2;
    double c = m1 * m1 / var1 - m2 * m2 / var2 + std::log((var1 * p2 * p2) / (var2 * p1 * p1));
    double d = b * b - a * c;
    if (d < 0 || a == 0) break;
    double next = (b + std::sqrt(d)) / a;
    if (!(next > -1 && next < 256)) break;
    int64_t tn = static_cast<int64_t>(next);
    if (tn == t) break;
    t = tn;
  }
  return t;
}

int64_t EntropyBalance(const double* p) {
  int first = 0;
  while (first < 256 && p[first] == 0) ++first;
  if (first == 256) return -1;
  double best = std::numeric_limits<double>::infinity();
  int64_t t = first;
  double P = 0;
  for (int k = 0; k < first; ++k) P += p[k];
  for (int k = first; k < 256; ++k) {
    P += p[k];
    if (P == 0) continue;
    double low = 0, high = 0, rest = 1 - P;
    for (int j = 0; j <= k; ++j)
      if (p[j] > 0) low -= (p[j] / P) * std::log(p[j] / P);
    if (rest > 0)
      for (int j = k + 1; j < 256; ++j)
        if (p[j] > 0) high -= (p[j] / rest) * std::log(p[j] / rest);
    double d = std::fabs(low - high);
    if (d < best) best = d, t = k;
  }
  return t;
}

int64_t Renyi(const double* p) {
  double P[256];
  P[0] = p[0];
  for (int k = 1; k < 256; ++k) P[k] = P[k - 1] + p[k];
  auto family = [&](double from, double step, double to, bool inclusive) {
    double best = 0;
    int64_t bestT = 0;
    for (double a = from; inclusive ? a <= to : a < to; a += step) {
      if (a == 1) continue;
      for (int t = 0; t < 255; ++t) {
        double low = P[t], high = 1 - P[t];
        if (low <= 0 || high <= 0) continue;
        double sl = 0, sh = 0;
        for (int k = 0; k <= t; ++k)
          if (p[k] > 0) sl += std::pow(p[k] / low, a);
        for (int k = t + 1; k < 256; ++k)
          if (p[k] > 0) sh += std::pow(p[k] / high, a);
        if (sl <= 0 || sh <= 0) continue;
        double e = (std::log(sl) + std::log(sh)) / (1 - a);
        if (e > best) best = e, bestT = t;
      }
    }
    return bestT;
  };
  int64_t ts[3] = {family(0.1, 0.1, 0.9 + 1e-9, true), family(0.9995, 0.0002, 1.0005 + 1e-9, true),
                   family(5, 10, 100, false)};
  std::sort(ts, ts + 3);
  const int64_t t1 = ts[0], t2 = ts[1], t3 = ts[2];
  const double P1 = P[t1], P3 = P[t3], w = P3 - P1;
  double b1 = 1, b2 = 2, b3 = 1;
  const bool gap12 = t2 - t1 > 5, gap23 = t3 - t2 > 5;
  if (gap23 && !gap12) b1 = 0, b2 = 1, b3 = 3;
  if (gap12 && !gap23) b1 = 3, b2 = 1, b3 = 0;
  return static_cast<int64_t>(t1 * (P1 + 0.25 * w * b1) + 0.25 * w * b2 * t2 + t3 * (1 - P3 + 0.25 * w * b3));
}

bool StrideHolds(uint64_t stride, uint64_t rowBytes, uint32_t height) {
  return height == 0 || stride >= rowBytes;
}

// Method 8: running average along a serpentine path through all rows.
int AdaptiveTo1Bit(uint32_t* error, const uint8_t* grey, uint8_t* output, uint32_t width, uint32_t height,
                   uint32_t srcStride, uint32_t dstStride, uint32_t parameter) {
  if (width == 0 || height == 0) return 1;
  const double factor = (100 - parameter / 100.0) / 100;
  const double n = std::max<uint32_t>(1, static_cast<uint32_t>(width * 0.125));  // narrow images: one pixel
  double sum = n * 127.0;
  std::vector<uint8_t> row(width);
  for (uint32_t y = 0; y < height; ++y) {
    std::memcpy(row.data(), grey + static_cast<size_t>(y) * srcStride, width);
    const bool right = (y & 1) == 0;
    for (uint32_t i = 0; i < width; ++i) {
      uint32_t x = right ? i : width - 1 - i;
      const double v = row[x];
      sum = sum - sum / n + v;
      row[x] = v >= (sum / n) * factor ? 255 : 0;
    }
    if (!Pack8BitBuffer(error, row.data(), width, 1, width, output + static_cast<size_t>(y) * dstStride, 1, 1,
                        dstStride))
      return 0;
    if (!PicProgress(y + 1, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

}  // namespace

int ChannelHistogram(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                     uint32_t pixelStep, uint32_t stride, uint32_t channel, uint32_t* bins) {
  if (!pixels || !bins) return Fail(error, kPicErrBadArgument);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * stride + channel;
    for (uint32_t x = 0; x < width; ++x, p += pixelStep) ++bins[*p];
  }
  return 1;
}

int GreyHistogram(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t channels,
                  uint32_t stride, uint32_t** histograms) {
  if (!histograms) return Fail(error, kPicErrBadArgument);
  PicNestingScope nesting;
  for (uint32_t c = 0; c < channels; ++c) {
    if (!histograms[c]) return Fail(error, kPicErrBadArgument);
    std::memset(histograms[c], 0, 256 * sizeof(uint32_t));
    if (!ChannelHistogram(error, pixels, width, height, channels, stride, c, histograms[c])) return 0;
    if (!PicProgress(c, channels)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int64_t HistogramThreshold(const uint32_t* h, uint32_t method, uint32_t parameter) {
  double n = 0, sum = 0;
  for (int k = 0; k < 256; ++k) n += h[k], sum += double(k) * h[k];
  double p[256];
  for (int k = 0; k < 256; ++k) p[k] = n > 0 ? h[k] / n : 0;
  switch (method) {
    case 0:
      return parameter;
    case 1:
      return TwoPeaks(h);
    case 2:
      return n > 0 ? static_cast<int64_t>(sum / n) : -1;
    case 3:
      return Intermeans(Moments(h));
    case 4:
      return Otsu(h);
    case 5:
      return CountBalance(h);
    case 6:
      return Percentile(h, parameter);
    case 7:
      return EntropyCriterion(p);
    case 9:
      return CrossEntropy(h);
    case 10:
      return MinimumError(Moments(h));
    case 12:
      return EntropyBalance(p);
    case 13:
      return n > 0 ? Renyi(p) : -1;
    default:
      return -1;
  }
}

int64_t CooccurrenceThreshold(const uint8_t* grey, uint32_t width, uint32_t height, uint32_t stride) {
  std::vector<uint64_t> table(256 * 256, 0);  // [a * 256 + b]
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = grey + static_cast<size_t>(y) * stride;
    const uint8_t* above = y ? row - stride : nullptr;
    for (uint32_t x = 0; x < width; ++x) {
      uint64_t* line = &table[size_t{row[x]} * 256];
      if (x + 1 < width) ++line[row[x + 1]];
      if (x > 0) ++line[row[x - 1]];
      if (above) ++line[above[x]];
    }
  }
  // prefix[i][j]: pairs with a < i and b < j.
  std::vector<uint64_t> prefix(257 * 257, 0);
  for (int i = 0; i < 256; ++i)
    for (int j = 0; j < 256; ++j)
      prefix[(i + 1) * 257 + j + 1] = table[size_t(i) * 256 + j] + prefix[i * 257 + j + 1] +
                                      prefix[(i + 1) * 257 + j] - prefix[i * 257 + j];
  const double all = double(prefix[256 * 257 + 256]);
  double best = 0;
  int64_t t = -1;
  for (int k = 0; k < 256; ++k) {
    double A = double(prefix[k * 257 + k]), AB = double(prefix[k * 257 + 256]);
    double AC = double(prefix[256 * 257 + k]);
    double B = AB - A, C = AC - A, D = all - AB - C;
    if (AB == 0 || C + D == 0) continue;
    double value = B / AB + C / (C + D);
    if (best == 0 || value < best) best = value, t = k;  // a best of exactly 0 counts as unset
  }
  return t;
}

int GrayscaleTo1BitCore(uint32_t* error, const uint8_t* grey, uint8_t* output, uint32_t width,
                        uint32_t height, uint32_t srcStride, uint32_t dstStride, uint32_t method,
                        uint32_t parameter, uint32_t, uint8_t thresholdOnly, uint8_t* thresholdOut) {
  if (thresholdOut) *thresholdOut = 0;
  if (!grey || (!thresholdOnly && !output) || !StrideHolds(srcStride, width, height) ||
      (!thresholdOnly && !StrideHolds(dstStride, (uint64_t{width} + 7) / 8, height)))
    return Fail(error, kPicErrBadArgument);
  PicNestingScope nesting;
  if (method == 8) {
    if (thresholdOnly) return Fail(error, kPicErrBadArgument);
    return AdaptiveTo1Bit(error, grey, output, width, height, srcStride, dstStride, parameter);
  }
  int64_t t = -1;
  if (method == 11) {
    t = CooccurrenceThreshold(grey, width, height, srcStride);
  } else if (method <= 13) {
    uint32_t h[256] = {};
    ChannelHistogram(error, grey, width, height, 1, srcStride, 0, h);
    t = HistogramThreshold(h, method, parameter);
  }
  const uint8_t T = static_cast<uint8_t>(std::clamp<int64_t>(t + 1, 0, 255));
  if (thresholdOnly) {
    if (thresholdOut) *thresholdOut = T;
    return 1;
  }
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* s = grey + static_cast<size_t>(y) * srcStride;
    uint8_t* d = output + static_cast<size_t>(y) * dstStride;
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8, s += 8)
      *d++ = static_cast<uint8_t>((s[0] >= T) << 7 | (s[1] >= T) << 6 | (s[2] >= T) << 5 | (s[3] >= T) << 4 |
                                  (s[4] >= T) << 3 | (s[5] >= T) << 2 | (s[6] >= T) << 1 | (s[7] >= T));
    if (x < width) {
      uint8_t b = 0;
      for (uint32_t k = 0; x < width; ++x, ++k, ++s) b |= static_cast<uint8_t>((*s >= T) << (7 - k));
      *d = b;
    }
    if (!PicProgress(y + 1, height)) return Fail(error, kPicErrCancelled);
  }
  return 1;
}

int RGBTo1BitCore(uint32_t* error, const uint8_t* rgb, uint32_t width, uint32_t height, uint32_t srcStride,
                  uint8_t* output, uint32_t dstStride, uint32_t threshold, uint32_t flags) {
  if (!rgb || !output || !StrideHolds(srcStride, uint64_t{width} * 3, height) ||
      !StrideHolds(dstStride, (uint64_t{width} + 7) / 8, height))
    return Fail(error, kPicErrBadArgument);
  uint64_t size = 0;
  if (!PicSizeWithinCap(width, height, 1, &size)) return Fail(error, kPicErrNoMemory);
  std::vector<uint8_t> work(static_cast<size_t>(size));
  const uint8_t limit = static_cast<uint8_t>(std::min<uint32_t>(threshold, 255));
  const uint32_t dither = (flags >> 3) & 1;
  if (!(flags & 2)) {
    if (!RGBToGray8(error, rgb, width, height, 3, srcStride, width, flags & 1, work.data())) return 0;
    for (uint8_t& v : work) v = v <= threshold ? 1 : 0;
  } else if (flags & 4) {
    const RGBQUAD bw[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    if (!MapRGBToPaletteDithered(error, rgb, work.data(), width, height, srcStride, width, 2, bw, dither,
                                 limit, 0))
      return 0;
  } else {
    RGBQUAD pal[256];
    if (!QuantizeRGBTo8BitCore(error, rgb, work.data(), width, height, srcStride, width, 2, pal, dither,
                               limit, flags & 1))
      return 0;
    auto luma = [](const RGBQUAD& q) { return (306 * q.rgbRed + 601 * q.rgbGreen + 117 * q.rgbBlue) >> 10; };
    if (luma(pal[0]) < luma(pal[1]))
      for (uint8_t& v : work) v ^= 1;
  }
  return Pack8BitBuffer(error, work.data(), width, height, width, output, 1, 1, dstStride);
}

}  // namespace Pictura
