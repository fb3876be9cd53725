#include "pixelops/octree_quantizer.h"

#include <emmintrin.h>
#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "core/band_jobs.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

constexpr uint32_t kLevelSizes[6] = {1, 8, 64, 512, 4096, 32768};
constexpr uint32_t kHeapSize = 32769;

uint32_t Entry(uint32_t level, uint32_t index) {
  return level << 16 | index;
}

// Both octrees read one pixel layout from the flags: 4 bytes a pixel with
// either alpha bit, the low-alpha pixels left out with kPicOctreeSkipLowAlpha.
bool FourBytes(uint32_t flags) {
  return (flags & (kPicOctreeFourBytes | kPicOctreeSkipLowAlpha)) != 0;
}
bool SkipLowAlpha(uint32_t flags) {
  return (flags & kPicOctreeSkipLowAlpha) != 0;
}
bool LowAlpha(const uint8_t* p) {
  return p[3] < 8;
}

}  // namespace

OctreeQuantizer::OctreeQuantizer() {
  PicNestingEnter();
  for (int d = -255; d <= 255; ++d) squares_[d + 255] = static_cast<uint32_t>(d * d);
}

OctreeQuantizer::~OctreeQuantizer() {
  PicNestingExit();
}

void OctreeQuantizer::Reset() {
  heapCount_ = 0;
  nextIndex_ = 0;
  heap_.reset();
  // Bit 7 - k of a byte goes to leaf-index bit 14 - 3k (channel 0), 13 - 3k
  // (channel 1), 12 - 3k (channel 2), for k = 0..4.
  for (uint32_t c = 0; c < 3; ++c)
    for (uint32_t v = 0; v < 256; ++v) {
      uint16_t idx = 0;
      for (uint32_t k = 0; k < 5; ++k)
        if (v & (0x80u >> k)) idx |= static_cast<uint16_t>(1u << (14 - 3 * k - c));
      indexTable_[c][v] = idx;
    }
  std::memset(planes_, 0, sizeof(planes_));
}

bool OctreeQuantizer::AllocateLevels() {
  for (int l = 0; l < 6; ++l) {
    levels_[l].reset(new (std::nothrow) Node[kLevelSizes[l]]());
    if (!levels_[l]) return false;
  }
  return true;
}

void OctreeQuantizer::FreeLevels() {
  for (auto& level : levels_) level.reset();
  heap_.reset();
  heapCount_ = 0;
  nextIndex_ = 0;
}

bool OctreeQuantizer::BuildTable(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                                 uint32_t bytesPerPixel, bool skipLowAlpha) {
  heap_.reset(new (std::nothrow) uint32_t[kHeapSize]);
  if (!heap_) return false;
  Node* leaves = levels_[5].get();
  if (uint64_t{width} * height < (uint64_t{1} << 24)) {
    // One pass into a histogram of the leaves' cells in 32-bit bins (16
    // bytes each, 512 KB): a bin's sums and count grow as one vector, the
    // pixel's bytes widened (the byte after the third masked off) and a 1
    // for the count. The last pixel of a 3-byte row goes byte by byte: it
    // may end the buffer. The sums are the leaves' own, in any order.
    const uint32_t whole = bytesPerPixel == 4 ? width : width - (width > 0);
    auto addRows = [&](CellBin* bins, uint32_t top, uint32_t bottom) {
      const __m128i zero = _mm_setzero_si128(), keep = _mm_setr_epi32(-1, -1, -1, 0),
                    one = _mm_setr_epi32(0, 0, 0, 1);
      for (uint32_t y = top; y < bottom; ++y) {
        const uint8_t* p = pixels + static_cast<size_t>(y) * stride;
        for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel) {
          if (skipLowAlpha && LowAlpha(p)) continue;
          CellBin* f = &bins[static_cast<uint32_t>((p[0] >> 3) << 10 | (p[1] >> 3) << 5 | p[2] >> 3)];
          if (x < whole) {
            uint32_t word;
            std::memcpy(&word, p, 4);
            const __m128i v =
                _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(word)), zero), zero);
            const __m128i sum = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(f),
                             _mm_add_epi32(sum, _mm_or_si128(_mm_and_si128(v, keep), one)));
          } else {
            f->sum[0] += p[0], f->sum[1] += p[1], f->sum[2] += p[2];
            ++f->pixels;
          }
        }
      }
    };
    std::vector<CellBin> bins;
    try {
      bins.resize(kLevelSizes[5]);
    } catch (const std::bad_alloc&) {
      return false;
    }
    if (!AddRowsOnPool(addRows, bins, width, height)) addRows(bins.data(), 0, height);
    for (uint32_t i = 0; i < kLevelSizes[5]; ++i) {
      const CellBin& f = bins[i];
      if (!f.pixels) continue;
      Node& n = leaves[indexTable_[0][(i >> 10) << 3] + indexTable_[1][(i >> 5 & 31) << 3] +
                       indexTable_[2][(i & 31) << 3]];
      for (int k = 0; k < 3; ++k) n.sum[k] = f.sum[k];
      n.pixels = f.pixels;
    }
  } else {
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* p = pixels + static_cast<size_t>(y) * stride;
      for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel) {
        if (skipLowAlpha && LowAlpha(p)) continue;
        Node& n = leaves[indexTable_[0][p[0]] + indexTable_[1][p[1]] + indexTable_[2][p[2]]];
        n.sum[0] += p[0];
        n.sum[1] += p[1];
        n.sum[2] += p[2];
        ++n.pixels;
      }
    }
  }
  heapCount_ = 0;
  for (uint32_t i = 0; i < kLevelSizes[5]; ++i) {
    uint64_t n = leaves[i].pixels;
    if (!n) continue;
    heap_[++heapCount_] = Entry(5, i);
    leaves[i].subtree = n;
    uint32_t child = i;
    for (int level = 4; level >= 0; --level) {
      Node& parent = levels_[level][child >> 3];
      parent.subtree += n;
      parent.childMask |= static_cast<uint8_t>(1u << (child & 7));
      child >>= 3;
    }
  }
  for (uint32_t k = heapCount_; k >= 1; --k) SiftDown(k);
  return true;
}

// Big pictures on the pool: a histogram of its own for each of a few
// slices of rows, added up in bands of bins. The sums are the same in any
// order. False when it did not run (too little work for the threads, no
// memory): the bins are then all zero.
template <class AddRows>
bool OctreeQuantizer::AddRowsOnPool(AddRows& addRows, std::vector<CellBin>& total, uint32_t width,
                                    uint32_t height) {
  constexpr uint64_t kWorkPerThread = uint64_t{1} << 21;
  const uint64_t work = uint64_t{width} * height;
  if (!WantBands(poolFlags_, height, work, 2 * kWorkPerThread)) return false;
  const uint32_t slices = WorkThreads(work, kWorkPerThread);
  if (slices < 2) return false;
  const size_t bins = total.size();
  try {
    std::vector<std::vector<CellBin>> more(slices - 1, std::vector<CellBin>(bins));
    auto of = [&](uint32_t k) { return k ? more[k - 1].data() : total.data(); };
    // One band a slice (a band of several takes them in turn).
    uint32_t err = RunBandJobs(
        false, width, slices,
        [&](const ThreadBand& band) -> uint32_t {
          for (uint32_t k = band.top; k < band.bottom; ++k)
            addRows(of(k), static_cast<uint32_t>(uint64_t{height} * k / slices),
                    static_cast<uint32_t>(uint64_t{height} * (k + 1) / slices));
          return 0;
        },
        slices);
    constexpr uint32_t kChunk = 4096;
    if (!err)
      err = RunBandJobs(
          false, 1, static_cast<uint32_t>(bins / kChunk),
          [&](const ThreadBand& band) -> uint32_t {
            CellBin* sum = total.data();
            for (const auto& part : more)
              for (size_t i = size_t{band.top} * kChunk; i < size_t{band.bottom} * kChunk; ++i) {
                for (int k = 0; k < 3; ++k) sum[i].sum[k] += part[i].sum[k];
                sum[i].pixels += part[i].pixels;
              }
            return 0;
          },
          slices);
    if (!err) return true;
  } catch (const std::bad_alloc&) {
  }
  std::fill(total.begin(), total.end(), CellBin{});
  return false;
}

void OctreeQuantizer::SiftDown(uint32_t k) {
  uint32_t n = heapCount_;
  if (k > n / 2) return;
  uint32_t held = heap_[k];
  uint64_t key = At(held).subtree;
  while (k <= n / 2) {
    uint32_t c = 2 * k;
    if (c < n && At(heap_[c]).subtree > At(heap_[c + 1]).subtree) ++c;
    if (key <= At(heap_[c]).subtree) break;
    heap_[k] = heap_[c];
    k = c;
  }
  heap_[k] = held;
}

void OctreeQuantizer::ReduceTo(uint32_t n) {
  while (heapCount_ > n) {
    uint32_t top = heap_[1];
    uint32_t level = top >> 16, index = top & 0xFFFF;
    if (level == 0) break;  // everything is in the root already
    Node& node = levels_[level][index];
    Node& parent = levels_[level - 1][index >> 3];
    if (parent.pixels != 0) {
      heap_[1] = heap_[heapCount_--];
    } else {
      heap_[1] = Entry(level - 1, index >> 3);
    }
    parent.pixels += node.pixels;
    for (int c = 0; c < 3; ++c) parent.sum[c] += node.sum[c];
    parent.childMask &= static_cast<uint8_t>(~(1u << (index & 7)));
    SiftDown(1);
  }
}

void OctreeQuantizer::AssignPalette(uint32_t level, uint32_t index) {
  Node& node = levels_[level][index];
  if (node.childMask)
    for (int child = 7; child >= 0; --child)
      if (node.childMask & (1u << child)) AssignPalette(level + 1, index << 3 | static_cast<uint32_t>(child));
  if (node.pixels && nextIndex_ < 256) {
    uint64_t n = node.pixels;
    node.paletteIndex = static_cast<uint8_t>(nextIndex_);
    for (int c = 0; c < 3; ++c) planes_[c][nextIndex_] = static_cast<uint8_t>((node.sum[c] + n / 2) / n);
    ++nextIndex_;
  }
}

uint32_t OctreeQuantizer::BuildPalette(const uint8_t* pixels, uint32_t width, uint32_t height,
                                       uint32_t stride, uint32_t maxColors, RGBQUAD* palette,
                                       uint32_t flags) {
  if (!pixels || !palette) {
    error_ = kPicErrBadArgument;
    return 0;
  }
  maxColors = std::clamp<uint32_t>(maxColors, 1, 256);
  Reset();
  auto step = [&](uint32_t done) {
    if (PicProgress(done, 4) > 0) return true;
    error_ = kPicErrCancelled;
    FreeLevels();
    return false;
  };
  if (!step(0)) return 0;
  if (!AllocateLevels()) {
    FreeLevels();
    error_ = kPicErrNoMemory;
    return 0;
  }
  if (!step(1)) return 0;
  if (!BuildTable(pixels, width, height, stride, FourBytes(flags) ? 4 : 3, SkipLowAlpha(flags))) {
    FreeLevels();
    error_ = kPicErrNoMemory;
    return 0;
  }
  if (!step(2)) return 0;
  ReduceTo(maxColors);
  AssignPalette(0, 0);
  if (!step(3)) return 0;
  uint32_t count = nextIndex_;
  FreeLevels();
  const bool bgr = flags & kPicFlagBGR;
  for (uint32_t i = 0; i < 256; ++i) {
    RGBQUAD& q = palette[i];
    if (i >= count) {
      q.rgbBlue = q.rgbGreen = q.rgbRed = 0;
    } else if (bgr) {
      q.rgbBlue = planes_[0][i], q.rgbGreen = planes_[1][i], q.rgbRed = planes_[2][i];
    } else {
      q.rgbRed = planes_[0][i], q.rgbGreen = planes_[1][i], q.rgbBlue = planes_[2][i];
    }
  }
  return count;
}

void OctreeQuantizer::LoadPalette(const RGBQUAD* palette, uint32_t count, uint32_t flags) {
  count = std::min<uint32_t>(count, 256);
  const bool bgr = flags & kPicFlagBGR;
  for (uint32_t i = 0; i < count; ++i) {
    planes_[0][i] = bgr ? palette[i].rgbBlue : palette[i].rgbRed;
    planes_[1][i] = palette[i].rgbGreen;
    planes_[2][i] = bgr ? palette[i].rgbRed : palette[i].rgbBlue;
  }
}

uint32_t OctreeQuantizer::FindNearest(int c0, int c1, int c2, uint32_t count) const {
  const uint32_t* sq = squares_ + 255;
  uint32_t best = 16581376, bestIndex = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t d = sq[c0 - planes_[0][i]] + sq[c1 - planes_[1][i]] + sq[c2 - planes_[2][i]];
    if (d < best) {
      best = d;
      bestIndex = i;
    }
  }
  return bestIndex;
}

namespace {

// Candidate lists hold each entry packed as plane 0 | plane 1 << 8 | plane 2
// << 16 | index << 24, padded with copies of their last entry to whole
// eights: a vector search reads them straight, and a copy changes no least
// key. The key of an entry is its squared distance << 8 | its index, so the
// least key is the nearest entry with the lowest index on ties (distances
// are below 2^18, keys below 2^26).
constexpr uint32_t kListPad = 8;

uint32_t PaddedLength(uint32_t n) {
  return (n + kListPad - 1) & ~(kListPad - 1);
}

// The key of a packed colour (its fourth byte zero) against an entry.
inline uint32_t Key(uint32_t colour, uint32_t entry) {
  const int d0 = static_cast<int>(colour & 0xFF) - static_cast<int>(entry & 0xFF);
  const int d1 = static_cast<int>(colour >> 8 & 0xFF) - static_cast<int>(entry >> 8 & 0xFF);
  const int d2 = static_cast<int>(colour >> 16 & 0xFF) - static_cast<int>(entry >> 16 & 0xFF);
  return static_cast<uint32_t>(d0 * d0 + d1 * d1 + d2 * d2) << 8 | entry >> 24;
}

uint32_t Packed(const int* c) {
  return static_cast<uint32_t>(c[0] | c[1] << 8 | c[2] << 16);
}

uint32_t SearchPlain(const int* c, const uint32_t* e, uint32_t n) {
  const uint32_t colour = Packed(c);
  uint32_t best = UINT32_MAX;
  for (uint32_t k = 0; k < n; ++k) best = std::min(best, Key(colour, e[k]));
  return best & 0xFF;
}

__attribute__((target("sse2"))) inline __m128i MinSse2(__m128i a, __m128i b) {
  const __m128i gt = _mm_cmpgt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(gt, b), _mm_andnot_si128(gt, a));
}

// The keys of four colours (their fourth byte zero) against four entries:
// the bytes widened to words, their differences (the index word kept out by
// the mask), one multiply-add giving each pair's first two squares and its
// third, and the even and odd sums added.
__attribute__((target("sse2"))) inline __m128i KeysSse2(__m128i colours, __m128i entries) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i mask = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
  const __m128i lo = _mm_sub_epi16(_mm_unpacklo_epi8(colours, zero), _mm_unpacklo_epi8(entries, zero));
  const __m128i hi = _mm_sub_epi16(_mm_unpackhi_epi8(colours, zero), _mm_unpackhi_epi8(entries, zero));
  const __m128 slo = _mm_castsi128_ps(_mm_madd_epi16(lo, _mm_and_si128(lo, mask)));
  const __m128 shi = _mm_castsi128_ps(_mm_madd_epi16(hi, _mm_and_si128(hi, mask)));
  const __m128i d = _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(slo, shi, _MM_SHUFFLE(2, 0, 2, 0))),
                                  _mm_castps_si128(_mm_shuffle_ps(slo, shi, _MM_SHUFFLE(3, 1, 3, 1))));
  return _mm_or_si128(_mm_slli_epi32(d, 8), _mm_srli_epi32(entries, 24));
}

// The same for eight (each half of the register four of them: the unpacks
// and shuffles stay within halves, in the same order as the indices).
__attribute__((target("avx2"))) inline __m256i KeysAvx2(__m256i colours, __m256i entries) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i mask = _mm256_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0, -1, -1, -1, 0, -1, -1, -1, 0);
  const __m256i lo =
      _mm256_sub_epi16(_mm256_unpacklo_epi8(colours, zero), _mm256_unpacklo_epi8(entries, zero));
  const __m256i hi =
      _mm256_sub_epi16(_mm256_unpackhi_epi8(colours, zero), _mm256_unpackhi_epi8(entries, zero));
  const __m256 slo = _mm256_castsi256_ps(_mm256_madd_epi16(lo, _mm256_and_si256(lo, mask)));
  const __m256 shi = _mm256_castsi256_ps(_mm256_madd_epi16(hi, _mm256_and_si256(hi, mask)));
  const __m256i d =
      _mm256_add_epi32(_mm256_castps_si256(_mm256_shuffle_ps(slo, shi, _MM_SHUFFLE(2, 0, 2, 0))),
                       _mm256_castps_si256(_mm256_shuffle_ps(slo, shi, _MM_SHUFFLE(3, 1, 3, 1))));
  return _mm256_or_si256(_mm256_slli_epi32(d, 8), _mm256_srli_epi32(entries, 24));
}

// A list four entries a step.
__attribute__((target("sse2"))) uint32_t SearchSse2(const int* c, const uint32_t* e, uint32_t n) {
  const __m128i colour = _mm_set1_epi32(static_cast<int>(Packed(c)));
  __m128i best = _mm_set1_epi32(INT32_MAX);
  for (uint32_t k = 0; k < n; k += 4)
    best = MinSse2(best, KeysSse2(colour, _mm_loadu_si128(reinterpret_cast<const __m128i*>(e + k))));
  best = MinSse2(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(1, 0, 3, 2)));
  best = MinSse2(best, _mm_shuffle_epi32(best, _MM_SHUFFLE(2, 3, 0, 1)));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(best)) & 0xFF;
}

// Eight a step.
__attribute__((target("avx2"))) uint32_t SearchAvx2(const int* c, const uint32_t* e, uint32_t n) {
  const __m256i colour = _mm256_set1_epi32(static_cast<int>(Packed(c)));
  __m256i best = _mm256_set1_epi32(INT32_MAX);
  for (uint32_t k = 0; k < n; k += 8)
    best =
        _mm256_min_epi32(best, KeysAvx2(colour, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e + k))));
  __m128i m = _mm_min_epi32(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1));
  m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
  m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(m)) & 0xFF;
}

using ListSearch = uint32_t (*)(const int* c, const uint32_t* entries, uint32_t n);

std::atomic<int> g_vectorCap{2};

ListSearch ChooseListSearch() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  const int cap = g_vectorCap.load(std::memory_order_relaxed);
  return cap >= 2 && avx2 ? SearchAvx2 : cap >= 1 ? SearchSse2 : SearchPlain;
}

// The cube table's cells hold the winners of a 2-2-2 cube: three indices
// from the second byte up (fewer winners repeat the last) above a low byte
// of 1, or 2 when more than three can win (then the colour's 8-8-8 list is
// searched). Mapping a run of pixels reads their cells first, then settles
// them eight (AVX2) or four (SSE2) at a time by the least key of the three
// entries, as the plain search would.
using CubeResolve = void (*)(const uint32_t* all, const uint32_t* cells, const uint32_t* colours, uint32_t n,
                             uint8_t* out);

inline uint32_t ResolveCell(const uint32_t* all, uint32_t cell, uint32_t colour) {
  const uint32_t k0 = Key(colour, all[cell >> 8 & 0xFF]), k1 = Key(colour, all[cell >> 16 & 0xFF]);
  return std::min(std::min(k0, k1), Key(colour, all[cell >> 24])) & 0xFF;
}

void ResolvePlain(const uint32_t* all, const uint32_t* cells, const uint32_t* colours, uint32_t n,
                  uint8_t* out) {
  for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(ResolveCell(all, cells[i], colours[i]));
}

__attribute__((target("sse2"))) void ResolveSse2(const uint32_t* all, const uint32_t* cells,
                                                 const uint32_t* colours, uint32_t n, uint8_t* out) {
  uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colours + i));
    const uint32_t* v = cells + i;
    auto entries = [&](int shift) {
      return _mm_setr_epi32(
          static_cast<int>(all[v[0] >> shift & 0xFF]), static_cast<int>(all[v[1] >> shift & 0xFF]),
          static_cast<int>(all[v[2] >> shift & 0xFF]), static_cast<int>(all[v[3] >> shift & 0xFF]));
    };
    const __m128i best =
        MinSse2(MinSse2(KeysSse2(c, entries(8)), KeysSse2(c, entries(16))), KeysSse2(c, entries(24)));
    const __m128i bytes =
        _mm_packus_epi16(_mm_packs_epi32(_mm_and_si128(best, _mm_set1_epi32(0xFF)), best), best);
    const uint32_t four = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
    std::memcpy(out + i, &four, 4);
  }
  ResolvePlain(all, cells + i, colours + i, n - i, out + i);
}

__attribute__((target("avx2"))) void ResolveAvx2(const uint32_t* all, const uint32_t* cells,
                                                 const uint32_t* colours, uint32_t n, uint8_t* out) {
  const int* table = reinterpret_cast<const int*>(all);
  const __m256i low = _mm256_set1_epi32(0xFF);
  const __m256i first = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,  //
                                         0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cells + i));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours + i));
    const __m256i e0 = _mm256_i32gather_epi32(table, _mm256_and_si256(_mm256_srli_epi32(v, 8), low), 4);
    const __m256i e1 = _mm256_i32gather_epi32(table, _mm256_and_si256(_mm256_srli_epi32(v, 16), low), 4);
    const __m256i e2 = _mm256_i32gather_epi32(table, _mm256_srli_epi32(v, 24), 4);
    const __m256i best =
        _mm256_min_epi32(_mm256_min_epi32(KeysAvx2(c, e0), KeysAvx2(c, e1)), KeysAvx2(c, e2));
    const __m256i bytes = _mm256_shuffle_epi8(best, first);
    const uint32_t a = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_castsi256_si128(bytes)));
    const uint32_t b = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1)));
    std::memcpy(out + i, &a, 4);
    std::memcpy(out + i + 4, &b, 4);
  }
  ResolvePlain(all, cells + i, colours + i, n - i, out + i);
}

CubeResolve ChooseCubeResolve() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  const int cap = g_vectorCap.load(std::memory_order_relaxed);
  return cap >= 2 && avx2 ? ResolveAvx2 : cap >= 1 ? ResolveSse2 : ResolvePlain;
}

}  // namespace

void SetOctreeVectorCap(int level) {
  g_vectorCap.store(level, std::memory_order_relaxed);
}

// Exact nearest palette entry (squared distance, lowest index on ties),
// searched only among the entries that can win somewhere in the colour's
// 5-5-5 cell: those whose nearest point of the cell is no farther than the
// best farthest point of any entry (lists made once per cell). Big images
// use the cube table: the winners of each 2-2-2 cube (rarely more than
// three), found for the eight cubes of a 4-4-4 cube at once from its
// winners, found from those of its 8-8-8 cell (a winner in a small cube is
// one in the big one). A cell is a function of the palette, so bands may
// share the table and racing writes agree; its index interleaves the
// channels' bits to keep similar colours close in memory. (An earlier table
// of every colour's answer, 32 MB, missed the caches on nearly every pixel
// of a busy photo; lists per 4-4-4 cube cost a search of eight entries and
// a miss on the list for most pixels.)
class OctreeQuantizer::PaletteSearch {
 public:
  PaletteSearch(const uint8_t (*planes)[256], uint32_t colors, uint32_t* cubes = nullptr)
      : planes_(planes),
        colors_(std::max<uint32_t>(colors, 1)),
        cubes_(cubes),
        search_(ChooseListSearch()),
        resolve_(ChooseCubeResolve()) {
    for (uint32_t v = 0; v < 256; ++v) {
      uint32_t m = 0;
      for (uint32_t b = 0; b < 8; ++b)
        if (v & (1u << b)) m |= 1u << (3 * b);
      morton_[v] = m;
    }
    for (uint32_t i = 0; i < 256; ++i)
      all_[i] = planes_[0][i] | planes_[1][i] << 8 | planes_[2][i] << 16 | i << 24;
    cells_.assign(32768, -1);
    top_.assign(4096, -1);
    pool_.reserve(65536);
  }
  uint32_t Find(const int* c) { return cubes_ ? FindInCube(c) : FindInLists(c); }

  // Maps n pixels of a row through the cube table: the cells of a run of
  // pixels first, then their entries.
  void MapRun(const uint8_t* p, uint32_t n, uint32_t bytesPerPixel, uint8_t* out) {
    constexpr uint32_t kRun = 256;
    uint32_t slots[kRun], cells[kRun], colours[kRun];
    uint16_t listed[kRun];
    for (uint32_t x = 0; x < n; x += kRun) {
      const uint32_t m = std::min(kRun, n - x);
      // The whole run's cells are asked for before the first is read: more
      // misses overlap than the processor would find by itself. (GCC drops
      // __builtin_prefetch here; the instruction is asked for itself.)
      const uint8_t* q = p;
      for (uint32_t i = 0; i < m; ++i, q += bytesPerPixel) {
        slots[i] = CubeSlot(q[0], q[1], q[2]);
        asm volatile("prefetcht0 %0" : : "m"(*reinterpret_cast<const char*>(&cubes_[slots[i]])));
      }
      uint32_t lists = 0;
      for (uint32_t i = 0; i < m; ++i, p += bytesPerPixel) {
        uint32_t v = std::atomic_ref<uint32_t>(cubes_[slots[i]]).load(std::memory_order_relaxed);
        if (!v) v = BuildCubes(p[0], p[1], p[2]);
        cells[i] = v;
        colours[i] = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
        listed[lists] = static_cast<uint16_t>(i);
        lists += v >> 1 & 1;
      }
      resolve_(all_, cells, colours, m, out + x);
      for (uint32_t k = 0; k < lists; ++k) {
        const uint32_t i = listed[k];
        const int c[3] = {static_cast<int>(colours[i] & 0xFF), static_cast<int>(colours[i] >> 8 & 0xFF),
                          static_cast<int>(colours[i] >> 16)};
        out[x + i] = static_cast<uint8_t>(Search(c, Coarse(c)));
      }
    }
  }

 private:
  uint32_t CubeSlot(int c0, int c1, int c2) const {
    return morton_[c0 >> 1] << 2 | morton_[c1 >> 1] << 1 | morton_[c2 >> 1];
  }
  uint32_t FindInLists(const int* c) {
    const uint32_t* list = Coarse(c);
    return list[0] == 1 ? list[1] >> 24 : Search(c, list);
  }

  const uint32_t* Coarse(const int* c) {
    const uint32_t cell = static_cast<uint32_t>((c[0] & 0xF8) << 7 | (c[1] & 0xF8) << 2 | c[2] >> 3);
    if (cells_[cell] < 0) cells_[cell] = Candidates(cell);
    return &pool_[static_cast<uint32_t>(cells_[cell])];
  }

  uint32_t FindInCube(const int* c) {
    uint32_t v =
        std::atomic_ref<uint32_t>(cubes_[CubeSlot(c[0], c[1], c[2])]).load(std::memory_order_relaxed);
    if (!v) v = BuildCubes(c[0], c[1], c[2]);
    if (v & 2) return Search(c, Coarse(c));
    return ResolveCell(all_, v, Packed(c));
  }

  // Fills the cells of the eight 2-2-2 cubes of c's 4-4-4 cube (neighbours
  // in the table: the lowest bit of each channel's half is in the slot's
  // three lowest bits); returns c's.
  __attribute__((noinline)) uint32_t BuildCubes(int c0, int c1, int c2) {
    const int c[3] = {c0, c1, c2};
    const int lo[3] = {c0 & ~3, c1 & ~3, c2 & ~3};
    const uint32_t* parent = Coarse(c);
    uint8_t out[256];
    uint32_t list[256];
    const uint32_t n = Winners(lo, 4, parent + 1, parent[0], out);
    for (uint32_t k = 0; k < n; ++k) list[k] = all_[out[k]];
    const uint32_t slot = CubeSlot(c0, c1, c2), first = slot & ~7u;
    uint32_t mine = 0;
    for (uint32_t s = 0; s < 8; ++s) {
      const int cube[3] = {lo[0] + static_cast<int>(s >> 1 & 2), lo[1] + static_cast<int>(s & 2),
                           lo[2] + static_cast<int>(s << 1 & 2)};
      const uint32_t m = Winners(cube, 2, list, n, out);
      uint32_t v = 2;
      if (m <= 3) {
        v = 1;
        for (uint32_t j = 0; j < 3; ++j) v |= uint32_t{out[std::min(j, m - 1)]} << (8 + 8 * j);
      }
      std::atomic_ref<uint32_t>(cubes_[first + s]).store(v, std::memory_order_relaxed);
      if (first + s == slot) mine = v;
    }
    return mine;
  }

  // Entries of `from` (n of them) that can win in the cube at lo of the
  // given side, ascending, into out; returns their count.
  // (A plain loop over arrays, which the compiler turns into vectors.)
  static uint32_t Winners(const int* lo, int side, const uint32_t* from, uint32_t n, uint8_t* out) {
    int32_t closest[256], limit = INT32_MAX;
    const int32_t lo0 = lo[0], lo1 = lo[1], lo2 = lo[2], last = side - 1;
    for (uint32_t j = 0; j < n; ++j) {
      const uint32_t e = from[j];
      const int32_t a0 = lo0 - static_cast<int32_t>(e & 0xFF), b0 = a0 + last;  // a <= b
      const int32_t a1 = lo1 - static_cast<int32_t>(e >> 8 & 0xFF), b1 = a1 + last;
      const int32_t a2 = lo2 - static_cast<int32_t>(e >> 16 & 0xFF), b2 = a2 + last;
      const int32_t g0 = std::max(a0, 0) + std::max(-b0, 0), r0 = std::max(b0, -a0);
      const int32_t g1 = std::max(a1, 0) + std::max(-b1, 0), r1 = std::max(b1, -a1);
      const int32_t g2 = std::max(a2, 0) + std::max(-b2, 0), r2 = std::max(b2, -a2);
      closest[j] = g0 * g0 + g1 * g1 + g2 * g2;
      limit = std::min(limit, r0 * r0 + r1 * r1 + r2 * r2);
    }
    uint32_t count = 0;
    for (uint32_t j = 0; j < n; ++j)
      if (closest[j] <= limit) out[count++] = static_cast<uint8_t>(from[j] >> 24);
    return count;
  }

  uint32_t Search(const int* c, const uint32_t* list) const { return search_(c, list + 1, list[0]); }

  // Stores the entries (n >= 1 indices) as a list: its length, then the
  // packed entries padded; returns its offset.
  int32_t Append(std::vector<uint32_t>& to, const uint8_t* indices, uint32_t n) const {
    const int32_t offset = static_cast<int32_t>(to.size());
    to.push_back(n);
    for (uint32_t k = 0; k < PaddedLength(n); ++k) to.push_back(all_[indices[std::min(k, n - 1)]]);
    return offset;
  }

  // The entries that can win in the 8-8-8 cell, found among those of its
  // 16-16-16 cell, found among all (lists made once per cell).
  __attribute__((noinline)) int32_t Candidates(uint32_t cell) {
    const int lo[3] = {static_cast<int>(cell >> 7 & 0xF8), static_cast<int>(cell >> 2 & 0xF8),
                       static_cast<int>(cell << 3 & 0xF8)};
    const uint32_t top = static_cast<uint32_t>((lo[0] >> 4) << 8 | (lo[1] >> 4) << 4 | lo[2] >> 4);
    uint8_t out[256];
    if (top_[top] < 0) {
      const int topLo[3] = {lo[0] & ~15, lo[1] & ~15, lo[2] & ~15};
      top_[top] = Append(pool_, out, Winners(topLo, 16, all_, colors_, out));
    }
    const uint32_t* parent = &pool_[static_cast<uint32_t>(top_[top])];
    const uint32_t n = Winners(lo, 8, parent + 1, parent[0], out);
    return Append(pool_, out, n);
  }

  const uint8_t (*planes_)[256];
  uint32_t colors_;
  uint32_t* cubes_;
  ListSearch search_;
  CubeResolve resolve_;
  uint32_t morton_[256];
  uint32_t all_[256];  // every entry packed as in the lists
  std::vector<int32_t> top_, cells_;
  std::vector<uint32_t> pool_;
};

namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// The cube table (8 MB) for big images, zeroed lazily by the system: only
// the pages used cost. Small ones search the 8-8-8 lists.
std::unique_ptr<uint32_t[], FreeDeleter> CubeTable(uint64_t pixels) {
  if (pixels < (1u << 16)) return nullptr;
  return std::unique_ptr<uint32_t[], FreeDeleter>(
      static_cast<uint32_t*>(std::calloc(size_t{1} << 21, sizeof(uint32_t))));
}

}  // namespace

// Without error diffusion each pixel is just its nearest entry: rows are
// independent and may run in bands on the pool.
bool OctreeQuantizer::MapNearestRows(uint32_t* error, const uint8_t (*planes)[256], uint32_t colors,
                                     const uint8_t* pixels, uint8_t* output, uint32_t width, uint32_t top,
                                     uint32_t bottom, uint32_t srcStride, uint32_t dstStride,
                                     uint32_t bytesPerPixel, uint32_t* cubes) {
  PaletteSearch search(planes, colors, cubes);
  for (uint32_t y = top; y < bottom; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * srcStride;
    uint8_t* out = output + static_cast<size_t>(y) * dstStride;
    if (cubes) {
      search.MapRun(p, width, bytesPerPixel, out);
    } else {
      int last[3] = {-1, -1, -1};
      uint8_t lastIndex = 0;
      for (uint32_t x = 0; x < width; ++x, p += bytesPerPixel) {
        const int c[3] = {p[0], p[1], p[2]};
        if (c[0] != last[0] || c[1] != last[1] || c[2] != last[2]) {
          lastIndex = static_cast<uint8_t>(search.Find(c));
          last[0] = c[0], last[1] = c[1], last[2] = c[2];
        }
        out[x] = lastIndex;
      }
    }
    if (PicProgress(y - top, bottom - top) == 0) {
      *error = kPicErrCancelled;
      return false;
    }
  }
  return true;
}

int OctreeQuantizer::MapDithered(const uint8_t* pixels, uint8_t* output, uint32_t width, uint32_t height,
                                 uint32_t srcStride, uint32_t dstStride, uint32_t colors,
                                 uint32_t bytesPerPixel) {
  if (!pixels || !output) {
    error_ = kPicErrBadArgument;
    return 0;
  }
  colors = std::clamp<uint32_t>(colors, 1, 256);  // no colours: index 0 everywhere
  const int32_t limit = errorLimit_;
  const auto cubes = CubeTable(uint64_t{width} * height);
  if (limit == 0) {
    if (!WantBands(poolFlags_, height))
      return MapNearestRows(&error_, planes_, colors, pixels, output, width, 0, height, srcStride, dstStride,
                            bytesPerPixel, cubes.get());
    error_ = RunBandJobs(false, width, height, [&](const ThreadBand& band) -> uint32_t {
      uint32_t err = 0;
      MapNearestRows(&err, planes_, colors, pixels, output, width, band.top, band.bottom, srcStride,
                     dstStride, bytesPerPixel, cubes.get());
      return err;
    });
    return error_ == 0;
  }

  if (dither_ && GreyPair(pixels, width, height, srcStride, colors, bytesPerPixel))
    return MapGreyPair(pixels, output, width, height, srcStride, dstStride, bytesPerPixel);
  PaletteSearch search(planes_, colors, cubes.get());
  std::vector<int32_t> rowA((static_cast<size_t>(width) + 2) * 3, 0), rowB(rowA.size(), 0);
  int32_t limitTable[511];
  for (int d = -255; d <= 255; ++d) limitTable[d + 255] = std::clamp(d, -limit, limit);
  const int32_t* limitOf = limitTable + 255;
  const bool fs = dither_ != 0;
  int32_t* cur = rowA.data();  // error slot of column x is 3 (x + 1)
  int32_t* nxt = rowB.data();
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* srcRow = pixels + static_cast<size_t>(y) * srcStride;
    uint8_t* dstRow = output + static_cast<size_t>(y) * dstStride;
    std::fill(nxt, nxt + rowA.size(), 0);
    const bool right = (y & 1) == 0;  // serpentine
    const int dir = right ? 1 : -1;
    for (uint32_t i = 0; i < width; ++i) {
      uint32_t x = right ? i : width - 1 - i;
      const uint8_t* p = srcRow + static_cast<size_t>(x) * bytesPerPixel;
      int32_t* e = cur + 3 * (static_cast<size_t>(x) + 1);
      int c[3];
      for (int k = 0; k < 3; ++k) c[k] = std::clamp(p[k] + (fs ? (e[k] + 8) >> 4 : e[k] >> 1), 0, 255);
      uint32_t index = search.Find(c);
      dstRow[x] = static_cast<uint8_t>(index);
      int32_t* ahead = e + 3 * dir;
      int32_t* below = nxt + 3 * (static_cast<size_t>(x) + 1);
      for (int k = 0; k < 3; ++k) {
        int32_t err = limitOf[c[k] - planes_[k][index]];
        if (fs) {
          ahead[k] += 7 * err;
          below[k - 3 * dir] += 3 * err;
          below[k] += 5 * err;
          below[k + 3 * dir] += err;
        } else {
          ahead[k] += err;
          below[k] = err;
        }
      }
    }
    std::swap(cur, nxt);
    if (PicProgress(y, height) == 0) {
      error_ = kPicErrCancelled;
      return 0;
    }
  }
  return 1;
}

// Two grey entries over a grey image (every pixel's channels equal): the
// three channels' errors stay equal, so Floyd-Steinberg can carry one of
// them and compare one distance, giving the same pixels as the general loop.
bool OctreeQuantizer::GreyPair(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                               uint32_t colors, uint32_t bytesPerPixel) const {
  if (colors != 2) return false;
  for (uint32_t i = 0; i < 2; ++i)
    if (planes_[1][i] != planes_[0][i] || planes_[2][i] != planes_[0][i]) return false;
  // Three bytes a pixel: 24 bytes (eight pixels) at a time, each byte
  // against the next one except the last of a pixel.
  uint64_t keep[3] = {};
  for (uint32_t i = 0; i < 24; ++i)
    if (i % 3 != 2) keep[i / 8] |= uint64_t{0xFF} << (8 * (i % 8));
  auto word = [](const uint8_t* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
  };
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * stride;
    uint64_t colour = 0;
    uint32_t x = 0;
    if (bytesPerPixel == 3 && std::endian::native == std::endian::little)
      for (; x + 9 <= width; x += 8, p += 24)  // reads one byte past the eight pixels
        for (int k = 0; k < 3; ++k) colour |= (word(p + 8 * k) ^ word(p + 8 * k + 1)) & keep[k];
    for (; x < width; ++x, p += bytesPerPixel) colour |= (p[0] ^ p[1]) | (p[0] ^ p[2]);
    if (colour) return false;
  }
  return true;
}

int OctreeQuantizer::MapGreyPair(const uint8_t* pixels, uint8_t* output, uint32_t width, uint32_t height,
                                 uint32_t srcStride, uint32_t dstStride, uint32_t bytesPerPixel) {
  const int32_t limit = errorLimit_;
  const int v0 = planes_[0][0], v1 = planes_[0][1];
  // By the unclamped value (a byte plus at most 16 x 255 sixteenths either
  // way): the entry (nearer of the two, the first on ties), the clamped
  // error, and seven times it plus the rounding half the next pixel needs,
  // so the chain from one pixel to the next is a shift, an add and a load.
  int32_t aheadTable[766], errTable[766];
  uint8_t indexTable[766];
  for (int raw = -255; raw <= 510; ++raw) {
    const int c = std::clamp(raw, 0, 255);
    const uint8_t i = static_cast<uint8_t>((c - v1) * (c - v1) < (c - v0) * (c - v0));
    indexTable[raw + 255] = i;
    errTable[raw + 255] = std::clamp(c - (i ? v1 : v0), -limit, limit);
    aheadTable[raw + 255] = 7 * errTable[raw + 255] + 8;
  }
  const int32_t* errOf = errTable + 255;
  const int32_t* aheadOf = aheadTable + 255;
  const uint8_t* indexOf = indexTable + 255;
  // Column x's slot is x + 1; the edge columns' outer neighbours land in
  // spare slots, never read. The error carried ahead and the two slots of
  // the next row still taking shares stay in registers: each slot of the
  // next row is written once, whole.
  std::vector<int32_t> rowA(static_cast<size_t>(width) + 2, 0), rowB(rowA.size(), 0);
  int32_t* cur = rowA.data();
  int32_t* nxt = rowB.data();
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* src = pixels + static_cast<size_t>(y) * srcStride;
    uint8_t* dst = output + static_cast<size_t>(y) * dstStride;
    int32_t pending1 = 0, pending2 = 0;
    if ((y & 1) == 0) {
      int32_t ahead = cur[1] + 8;
      for (uint32_t x = 0; x < width; ++x) {
        const int raw = src[static_cast<size_t>(x) * bytesPerPixel] + (ahead >> 4);
        const int32_t err = errOf[raw];
        dst[x] = indexOf[raw];
        ahead = cur[x + 2] + aheadOf[raw];
        nxt[x] = 3 * err + pending1;
        pending1 = 5 * err + pending2;
        pending2 = err;
      }
      nxt[width] = pending1;
      nxt[width + 1] = pending2;
    } else {
      int32_t ahead = cur[width] + 8;
      for (uint32_t x = width; x-- > 0;) {
        const int raw = src[static_cast<size_t>(x) * bytesPerPixel] + (ahead >> 4);
        const int32_t err = errOf[raw];
        dst[x] = indexOf[raw];
        ahead = cur[x] + aheadOf[raw];
        nxt[x + 2] = 3 * err + pending1;
        pending1 = 5 * err + pending2;
        pending2 = err;
      }
      nxt[1] = pending1;
      nxt[0] = pending2;
    }
    std::swap(cur, nxt);
    if (PicProgress(y, height) == 0) {
      error_ = kPicErrCancelled;
      return 0;
    }
  }
  return 1;
}

int OctreeQuantizer::Quantize(const uint8_t* pixels, uint8_t* output, uint32_t width, uint32_t height,
                              uint32_t srcStride, uint32_t dstStride, uint32_t maxColors, uint8_t* planes) {
  if (!pixels || !output) {
    error_ = kPicErrBadArgument;
    return 0;
  }
  Reset();
  if (!AllocateLevels() || !BuildTable(pixels, width, height, srcStride, 3, false)) {
    FreeLevels();
    error_ = kPicErrNoMemory;
    return 0;
  }
  ReduceTo(std::clamp<uint32_t>(maxColors, 1, 256));
  AssignPalette(0, 0);
  uint32_t count = nextIndex_;
  FreeLevels();
  int ok = MapDithered(pixels, output, width, height, srcStride, dstStride, count, 3);
  if (planes) std::memcpy(planes, planes_, sizeof(planes_));
  return ok;
}

// ---- Pointer octree ----

struct OctreeQuantizerHeap::Node {
  bool leaf = false;
  uint64_t pixels = 0;
  uint64_t sum[3] = {};
  Node* child[8] = {};
  Node* next = nullptr;
};

OctreeQuantizerHeap::~OctreeQuantizerHeap() {
  FreeNode(root_);
}

OctreeQuantizerHeap::Node* OctreeQuantizerHeap::CreateNode(uint32_t level) {
  Node* n = new (std::nothrow) Node;
  if (!n) return nullptr;
  n->leaf = level == 8;
  if (n->leaf) {
    ++leaves_;
  } else {
    n->next = reducible_[level];
    reducible_[level] = n;
  }
  return n;
}

bool OctreeQuantizerHeap::Insert(uint8_t first, uint8_t second, uint8_t third) {
  Node** slot = &root_;
  for (uint32_t level = 0;; ++level) {
    if (!*slot && !(*slot = CreateNode(level))) return false;
    Node* n = *slot;
    if (n->leaf) {
      ++n->pixels;
      n->sum[0] += first, n->sum[1] += second, n->sum[2] += third;
      return true;
    }
    uint32_t shift = 7 - level, mask = 0x80u >> level;
    uint32_t child =
        ((first & mask) >> shift) * 4 + ((second & mask) >> shift) * 2 + ((third & mask) >> shift);
    slot = &n->child[child];
  }
}

void OctreeQuantizerHeap::ReduceTree() {
  int level = 7;
  while (level > 0 && !reducible_[level]) --level;
  Node* n = reducible_[level];
  if (!n) return;
  reducible_[level] = n->next;
  uint32_t children = 0;
  for (Node*& c : n->child) {
    if (!c) continue;
    n->pixels += c->pixels;
    for (int k = 0; k < 3; ++k) n->sum[k] += c->sum[k];
    FreeNode(c);
    c = nullptr;
    ++children;
  }
  n->leaf = true;
  leaves_ -= children - 1;
}

void OctreeQuantizerHeap::GetPaletteColors(const Node* node, RGBQUAD* palette, uint32_t* count) const {
  if (!node) return;
  if (node->leaf) {
    if (*count < 256 && node->pixels) {
      RGBQUAD& q = palette[(*count)++];
      q.rgbRed = static_cast<uint8_t>(node->sum[0] / node->pixels);
      q.rgbGreen = static_cast<uint8_t>(node->sum[1] / node->pixels);
      q.rgbBlue = static_cast<uint8_t>(node->sum[2] / node->pixels);
    }
    return;
  }
  for (const Node* c : node->child) GetPaletteColors(c, palette, count);
}

void OctreeQuantizerHeap::FreeNode(Node* node) {
  if (!node) return;
  for (Node* c : node->child) FreeNode(c);
  delete node;
}

uint32_t OctreeQuantizerHeap::BuildPalette(const uint8_t* pixels, uint32_t width, uint32_t height,
                                           uint32_t stride, uint32_t maxColors, RGBQUAD* palette,
                                           uint32_t flags) {
  if (!pixels || !palette) {
    error_ = kPicErrBadArgument;
    return 0;
  }
  maxColors = std::clamp<uint32_t>(maxColors, 1, 256);
  FreeNode(root_);
  root_ = nullptr;
  leaves_ = 0;
  std::fill(std::begin(reducible_), std::end(reducible_), nullptr);
  const uint32_t bpp = FourBytes(flags) ? 4 : 3;
  const bool skip = SkipLowAlpha(flags);
  const bool bgr = flags & kPicFlagBGR;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * stride;
    for (uint32_t x = 0; x < width; ++x, p += bpp) {
      if (skip && LowAlpha(p)) continue;
      if (!Insert(bgr ? p[2] : p[0], p[1], bgr ? p[0] : p[2])) {
        error_ = kPicErrNoMemory;
        return 0;
      }
      while (leaves_ > maxColors) ReduceTree();
    }
    if (PicProgress(y, height) <= 0) {
      error_ = kPicErrCancelled;
      return 0;
    }
  }
  uint32_t count = 0;
  for (uint32_t i = 0; i < 256; ++i) palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = 0;
  GetPaletteColors(root_, palette, &count);
  FreeNode(root_);
  root_ = nullptr;
  error_ = 0;
  return count;
}

// ---- Cores ----

int BuildPaletteFromRGB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                        uint32_t stride, uint32_t maxColors, RGBQUAD* palette, uint32_t* count,
                        uint32_t flags) {
  uint32_t n = 0;
  if (flags & kPicOctreeHeap) {
    PicNestingScope nesting;
    OctreeQuantizerHeap q;
    n = q.BuildPalette(pixels, width, height, stride, maxColors, palette, flags);
    *error = q.Error();
  } else {
    OctreeQuantizer q;
    q.SetPoolFlags(flags);
    n = q.BuildPalette(pixels, width, height, stride, maxColors, palette, flags);
    *error = q.Error();
  }
  if (count) *count = n;
  return *error == 0;
}

int MapRGBToPaletteDithered(uint32_t* error, const uint8_t* pixels, uint8_t* output, uint32_t width,
                            uint32_t height, uint32_t srcStride, uint32_t dstStride, uint32_t colors,
                            const RGBQUAD* palette, uint32_t dither, uint8_t errorLimit, uint32_t flags) {
  OctreeQuantizer q;
  q.SetErrorLimit(errorLimit);
  q.SetDither(dither);
  q.SetPoolFlags(flags);
  colors = std::min<uint32_t>(colors, 256);
  if (palette) q.LoadPalette(palette, colors, flags);
  int ok = palette ? q.MapDithered(pixels, output, width, height, srcStride, dstStride, colors,
                                   FourBytes(flags) ? 4 : 3)
                   : 0;
  *error = palette ? q.Error() : kPicErrBadArgument;
  return ok;
}

int QuantizeRGBTo8BitCore(uint32_t* error, const uint8_t* pixels, uint8_t* output, uint32_t width,
                          uint32_t height, uint32_t srcStride, uint32_t dstStride, uint32_t maxColors,
                          RGBQUAD* palette, uint32_t dither, uint8_t errorLimit, uint32_t flags,
                          uint32_t* count) {
  uint32_t found = 0;
  int built;
  {
    PicNestingScope nesting;  // the palette step reports no progress
    built = BuildPaletteFromRGB(error, pixels, width, height, srcStride, maxColors, palette, &found, flags);
  }
  if (count) *count = found;
  if (!built) return 0;
  // Only the colours found: entries past them are padding, never used.
  return MapRGBToPaletteDithered(error, pixels, output, width, height, srcStride, dstStride, found, palette,
                                 dither, errorLimit, flags);
}

}  // namespace Pictura
