// Octree and median-cut palettes and the palette mapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <set>
#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "pixelops/pictura_pixelops.h"
#include "pixelops/octree_quantizer.h"
#include "pixelops/rgba_quantizer.h"

using namespace Pictura;

namespace {

struct Rgb {
  uint8_t r, g, b;
};

// 3 or 4 bytes per pixel; alpha 255 unless given.
std::vector<uint8_t> Image(const std::vector<Rgb>& px, uint32_t bpp = 3, uint8_t alpha = 255) {
  std::vector<uint8_t> out;
  for (const Rgb& p : px) {
    out.insert(out.end(), {p.r, p.g, p.b});
    if (bpp == 4) out.push_back(alpha);
  }
  return out;
}

bool Same(const RGBQUAD& q, Rgb c) {
  return q.rgbRed == c.r && q.rgbGreen == c.g && q.rgbBlue == c.b;
}

BOOL PICAPI StopAfterFirst(DWORD done, DWORD, PIC_USERDATA) {
  return done == 0;
}

// A busy picture: ramps across and down (a different slope per channel)
// under noise of 48 levels.
std::vector<uint8_t> BusyPicture(uint32_t w, uint32_t h, uint32_t seed = 12345) {
  std::vector<uint8_t> img(size_t{w} * h * 3);
  for (size_t i = 0; i < img.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    const size_t x = i / 3 % w, y = i / 3 / w;
    img[i] = static_cast<uint8_t>((x * (1 + i % 3) + y * (3 - i % 3)) / 3 + (seed >> 16) % 48);
  }
  return img;
}

// The five-level octree's palette, written plainly from its description:
// every pixel into the leaf of its 5-5-5 cell (the child number at level L
// is bit 8 - L of channels 0, 1, 2 as 4, 2, 1), a min-heap of the subtree
// counts in which a parent's key stays its whole subtree, the least entry
// merged into its parent until maxColors remain (the left child wins ties),
// then the rounded means of the nodes holding pixels, children 7 to 0
// before their parent. Colours as channels 0, 1, 2; the colour count is the
// number of heap entries left.
std::vector<std::array<uint8_t, 3>> ReferenceOctreePalette(const uint8_t* pixels, uint32_t w, uint32_t h,
                                                           uint32_t stride, uint32_t bpp, bool skipLowAlpha,
                                                           uint32_t maxColors, uint32_t* count) {
  struct Node {
    uint64_t sum[3] = {}, own = 0, subtree = 0;
    unsigned mask = 0;
  };
  std::vector<Node> level[6];
  for (int l = 0; l < 6; ++l) level[l].resize(size_t{1} << (3 * l));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* p = pixels + size_t{y} * stride + size_t{x} * bpp;
      if (skipLowAlpha && p[3] < 8) continue;
      uint32_t leaf = 0;
      for (int l = 1; l <= 5; ++l)
        leaf =
            leaf << 3 | ((p[0] >> (8 - l)) & 1) << 2 | ((p[1] >> (8 - l)) & 1) << 1 | ((p[2] >> (8 - l)) & 1);
      Node& n = level[5][leaf];
      for (int k = 0; k < 3; ++k) n.sum[k] += p[k];
      ++n.own;
    }
  struct Entry {
    int level;
    uint32_t index;
  };
  std::vector<Entry> heap(1);  // used from 1
  for (uint32_t i = 0; i < level[5].size(); ++i) {
    const uint64_t n = level[5][i].own;
    if (!n) continue;
    heap.push_back({5, i});
    level[5][i].subtree = n;
    for (uint32_t l = 5, child = i; l-- > 0; child >>= 3) {
      level[l][child >> 3].subtree += n;
      level[l][child >> 3].mask |= 1u << (child & 7);
    }
  }
  auto key = [&](const Entry& e) { return level[e.level][e.index].subtree; };
  auto siftDown = [&](size_t k) {
    const size_t n = heap.size() - 1;
    if (k > n / 2) return;
    const Entry held = heap[k];
    do {
      size_t c = 2 * k;
      if (c < n && key(heap[c]) > key(heap[c + 1])) ++c;
      if (key(held) <= key(heap[c])) break;
      heap[k] = heap[c];
      k = c;
    } while (k <= n / 2);
    heap[k] = held;
  };
  for (size_t k = heap.size() - 1; k >= 1; --k) siftDown(k);
  while (heap.size() - 1 > maxColors) {
    const Entry top = heap[1], up{std::max(top.level - 1, 0), top.index >> 3};
    Node &node = level[top.level][top.index], &parent = level[up.level][up.index];
    if (parent.own) {
      heap[1] = heap.back();
      heap.pop_back();
    } else {
      heap[1] = up;
    }
    parent.own += node.own;
    for (int k = 0; k < 3; ++k) parent.sum[k] += node.sum[k];
    parent.mask &= ~(1u << (top.index & 7));
    siftDown(1);
  }
  std::vector<std::array<uint8_t, 3>> palette;
  std::function<void(int, uint32_t)> assign = [&](int l, uint32_t i) {
    const Node& n = level[l][i];
    for (int c = 7; c >= 0; --c)
      if (n.mask & (1u << c)) assign(l + 1, i << 3 | static_cast<uint32_t>(c));
    if (n.own) {
      std::array<uint8_t, 3> colour;
      for (int k = 0; k < 3; ++k) colour[k] = static_cast<uint8_t>((n.sum[k] + n.own / 2) / n.own);
      palette.push_back(colour);
    }
  };
  assign(0, 0);
  *count = static_cast<uint32_t>(heap.size() - 1);
  return palette;
}

// Whether an RGBQUAD palette of count colours is the reference's (channel
// 0 is blue with kPicFlagBGR); entries past the count are black.
testing::AssertionResult SameAsReference(const RGBQUAD* pal, uint32_t count,
                                         const std::vector<std::array<uint8_t, 3>>& want, uint32_t wantCount,
                                         bool bgr) {
  if (count != wantCount || want.size() != wantCount)
    return testing::AssertionFailure()
           << count << " colours, the reference " << wantCount << " (" << want.size() << " nodes)";
  for (uint32_t i = 0; i < 256; ++i) {
    const uint8_t zero[3] = {0, 0, 0};
    const uint8_t* c = i < count ? want[i].data() : zero;
    const Rgb rgb = bgr ? Rgb{c[2], c[1], c[0]} : Rgb{c[0], c[1], c[2]};
    if (!Same(pal[i], rgb))
      return testing::AssertionFailure()
             << "entry " << i << " is " << int(pal[i].rgbRed) << "," << int(pal[i].rgbGreen) << ","
             << int(pal[i].rgbBlue) << ", the reference " << int(rgb.r) << "," << int(rgb.g) << ","
             << int(rgb.b);
  }
  return testing::AssertionSuccess();
}

}  // namespace

TEST(OctreeQuantizer, PalettesOfKnownImages) {
  struct Row {
    const char* what;
    std::vector<Rgb> pixels;
    uint32_t maxColors, flags;
    std::vector<Rgb> palette;  // expected, in palette order
  };
  std::vector<Rgb> heavy(1000, Rgb{0x40, 0, 0});
  heavy.push_back(Rgb{0x48, 0, 0});  // a sibling cell with one pixel
  const uint8_t mean = static_cast<uint8_t>((1000 * 0x40 + 0x48 + 500) / 1001);
  const Row rows[] = {
      {"one colour", {{9, 99, 199}, {9, 99, 199}}, 256, 0, {{9, 99, 199}}},
      {"rounded cell mean", {{0, 0, 0}, {0, 0, 1}}, 256, 0, {{0, 0, 1}}},
      {"exact cells",
       {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}},
       3,
       0,
       {{255, 255, 255}, {255, 0, 0}, {0, 0, 0}}},
      {"light sibling merges first", heavy, 1, 0, {{mean, 0, 0}}},
      {"BGR keeps RGBQUAD order", {{1, 2, 3}}, 4, 1, {{3, 2, 1}}},
  };
  for (const Row& r : rows) {
    std::vector<uint8_t> img = Image(r.pixels);
    RGBQUAD pal[256];
    uint32_t err = 9, count = 0;
    ASSERT_TRUE(BuildPaletteFromRGB(&err, img.data(), static_cast<uint32_t>(r.pixels.size()), 1,
                                    static_cast<uint32_t>(img.size()), r.maxColors, pal, &count, r.flags))
        << r.what;
    ASSERT_EQ(count, r.palette.size()) << r.what;
    for (size_t i = 0; i < r.palette.size(); ++i)
      EXPECT_TRUE(Same(pal[i], r.palette[i])) << r.what << " " << i;
    for (uint32_t i = count; i < 256; ++i) EXPECT_TRUE(Same(pal[i], {0, 0, 0})) << r.what;
  }
}

// The palette is the reduced octree's: the rounded means of the nodes left
// once the least subtrees are merged, in the tree's order, as the plain
// reference above builds it from every pixel. Busy pictures at many colour
// counts, both byte orders, four bytes with and without the low-alpha skip,
// cells all of one count (the heap's ties decide every merge), and a
// picture big enough to be counted in slices on the pool.
TEST(OctreeQuantizer, PaletteIsTheReducedOctreesCellMeans) {
  ASSERT_TRUE(pic_Initialize(nullptr));  // the pool
  enum Picture { kBusy, kBusyAlpha, kTies };
  const struct {
    const char* what;
    uint32_t w, h, maxColors, flags;
    Picture picture;
  } rows[] = {
      {"busy, 256", 300, 230, 256, 0, kBusy},
      {"busy, 64", 300, 230, 64, 0, kBusy},
      {"busy, 16", 300, 230, 16, 0, kBusy},
      {"busy, 2", 300, 230, 2, 0, kBusy},
      {"busy, 1", 300, 230, 1, 0, kBusy},
      {"busy, small, 200", 120, 90, 200, 0, kBusy},
      {"busy, small, 33", 120, 90, 33, 0, kBusy},
      {"BGR", 120, 90, 40, kPicFlagBGR, kBusy},
      {"four bytes", 120, 90, 100, kPicOctreeFourBytes, kBusyAlpha},
      {"low alpha left out", 120, 90, 100, uint32_t{kPicOctreeSkipLowAlpha} | uint32_t{kPicFlagBGR},
       kBusyAlpha},
      {"equal cells, 100", 64, 64, 100, 0, kTies},
      {"equal cells, 7", 64, 64, 7, 0, kTies},
      {"on the pool", 2100, 2000, 64, 0, kBusy},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const uint32_t bpp = r.picture == kBusyAlpha ? 4 : 3;
    const std::vector<uint8_t> busy = BusyPicture(r.w, r.h, r.maxColors);
    std::vector<uint8_t> img(size_t{r.w} * r.h * bpp);
    uint32_t seed = 5;
    for (size_t i = 0; i < size_t{r.w} * r.h; ++i) {
      seed = seed * 1103515245u + 12345u;
      uint8_t* p = &img[i * bpp];
      std::copy_n(&busy[i * 3], 3, p);
      // Alpha below 8 about half the time; in the ties picture 4096 cells,
      // one pixel each, anywhere in its cell.
      if (r.picture == kBusyAlpha) p[3] = static_cast<uint8_t>(seed >> 24 & 15);
      if (r.picture == kTies) {
        p[0] = static_cast<uint8_t>((i & 15) << 4 | (seed >> 16 & 7));
        p[1] = static_cast<uint8_t>((i >> 4 & 15) << 4 | (seed >> 19 & 7));
        p[2] = static_cast<uint8_t>((i >> 8 & 15) << 4 | (seed >> 22 & 7));
      }
    }
    RGBQUAD pal[256];
    uint32_t err = 9, count = 0, wantCount = 0;
    ASSERT_TRUE(
        BuildPaletteFromRGB(&err, img.data(), r.w, r.h, r.w * bpp, r.maxColors, pal, &count, r.flags));
    const auto want =
        ReferenceOctreePalette(img.data(), r.w, r.h, r.w * bpp, bpp, (r.flags & kPicOctreeSkipLowAlpha) != 0,
                               r.maxColors, &wantCount);
    EXPECT_TRUE(SameAsReference(pal, count, want, wantCount, (r.flags & kPicFlagBGR) != 0));
  }
}

// Every pixel of a colour the palette holds maps to that entry, whatever
// colour of its 5-5-5 cell came first. (A cache of one index per cell, as
// first found, gave every later colour of the cell the first one's entry,
// and the result depended on the pixels' order.) The picture's palette:
// the cell of (4, 4, 4) stays a leaf, and (8, 0, 0) and (0, 0, 8), merged
// into their parent, give (4, 0, 4) in the same cell.
TEST(OctreeQuantizer, AColourOfThePaletteMapsToItsOwnEntryWhateverCameFirst) {
  const Rgb grey{4, 4, 4}, violet{4, 0, 4};
  for (bool violetFirst : {true, false}) {
    std::vector<Rgb> px(1000, grey);
    px.insert(violetFirst ? px.begin() : px.end(), violet);
    px.push_back({8, 0, 0});
    px.push_back({0, 0, 8});
    const std::vector<uint8_t> img = Image(px);
    const uint32_t w = static_cast<uint32_t>(px.size());
    const struct {
      uint32_t dither;
      uint8_t limit;
    } maps[] = {{0, 0}, {0, 20}, {1, 20}};
    for (const auto& m : maps) {
      SCOPED_TRACE(testing::Message() << "violet first " << violetFirst << ", dither " << m.dither
                                      << ", limit " << int(m.limit));
      std::vector<uint8_t> out(w, 0xEE);
      RGBQUAD pal[256];
      ASSERT_TRUE(
          pic_QuantizeRGBTo8Bit(img.data(), w, 1, w * 3, out.data(), w, 2, pal, m.dither, m.limit, 0));
      ASSERT_TRUE(Same(pal[0], grey));
      ASSERT_TRUE(Same(pal[1], violet));
      std::vector<uint8_t> want(w - 2);  // the last two are neither
      for (uint32_t i = 0; i < want.size(); ++i) want[i] = px[i].g == 0;
      out.resize(want.size());
      EXPECT_EQ(out, want);
    }
  }
}

TEST(OctreeQuantizer, AlphaSkipAndPointerOctree) {
  uint32_t err = 0, count = 0;
  RGBQUAD pal[256];
  // Bit 2: fourth byte 7 left out, 8 counted.
  std::vector<uint8_t> img = {200, 0, 0, 7, 0, 200, 0, 8};
  ASSERT_TRUE(BuildPaletteFromRGB(&err, img.data(), 2, 1, 8, 256, pal, &count, 4));
  ASSERT_EQ(count, 1u);
  EXPECT_TRUE(Same(pal[0], {0, 200, 0}));
  // Pointer octree: 300 exact colours into at most 256, and exact below it.
  std::vector<Rgb> many;
  for (int i = 0; i < 300; ++i) many.push_back(Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(i * 7), 5});
  img = Image(many);
  ASSERT_TRUE(BuildPaletteFromRGB(&err, img.data(), 300, 1, 900, 256, pal, &count, 8));
  EXPECT_GT(count, 0u);
  EXPECT_LE(count, 256u);
  img = Image({{1, 2, 3}, {4, 5, 6}, {1, 2, 3}}, 4);
  ASSERT_TRUE(BuildPaletteFromRGB(&err, img.data(), 3, 1, 12, 256, pal, &count, 8 | 2 | 1));
  ASSERT_EQ(count, 2u);
  std::set<uint32_t> got = {uint32_t(pal[0].rgbRed) << 16 | pal[0].rgbBlue,
                            uint32_t(pal[1].rgbRed) << 16 | pal[1].rgbBlue};
  EXPECT_EQ(got, (std::set<uint32_t>{3u << 16 | 1, 6u << 16 | 4}));  // bytes (0, 1, 2) are B, G, R
  EXPECT_FALSE(BuildPaletteFromRGB(&err, nullptr, 1, 1, 3, 256, pal, &count, 8));
  EXPECT_EQ(err, 5u);
  EXPECT_FALSE(BuildPaletteFromRGB(&err, img.data(), 1, 1, 3, 256, nullptr, &count, 0));
  EXPECT_EQ(err, 5u);
}

// Both octrees read the pixels the flags describe: four bytes with either
// alpha bit, the low-alpha pixels left out with kPicOctreeSkipLowAlpha. (The
// pointer octree once read three-byte pixels under the skip bit, so its
// palette disagreed with the mapping, which reads four.)
TEST(OctreeQuantizer, BothOctreesReadOneLayout) {
  const std::vector<uint8_t> img = {10, 20, 30, 0, 40, 50, 60, 255};
  const struct {
    uint32_t flags, width;
    std::set<uint32_t> colours;  // red << 16 | green << 8 | blue
  } rows[] = {
      {0, 2, {0x0A141E, 0x002832}},  // three bytes a pixel: the alpha is read as red
      {kPicOctreeFourBytes, 2, {0x0A141E, 0x28323C}},
      {kPicOctreeSkipLowAlpha, 2, {0x28323C}},
      {kPicOctreeFourBytes | kPicOctreeSkipLowAlpha, 2, {0x28323C}},
  };
  for (const auto& r : rows) {
    for (uint32_t heap : {0u, uint32_t{kPicOctreeHeap}}) {
      uint32_t err = 0, count = 0;
      RGBQUAD pal[256];
      ASSERT_TRUE(BuildPaletteFromRGB(&err, img.data(), r.width, 1, 8, 256, pal, &count, r.flags | heap));
      std::set<uint32_t> got;
      for (uint32_t i = 0; i < count; ++i)
        got.insert(uint32_t{pal[i].rgbRed} << 16 | uint32_t{pal[i].rgbGreen} << 8 | pal[i].rgbBlue);
      EXPECT_EQ(got, r.colours) << "flags " << r.flags << " heap " << heap;
    }
  }
}

TEST(OctreeQuantizer, EntriesClampAndUseOnlyColoursFound) {
  // Two colours of one 5-5-5 cell make one palette colour (3, 3, 3); the
  // pixel (1, 1, 1) is nearer black padding but must map to it.
  std::vector<uint8_t> img = Image({{1, 1, 1}, {7, 7, 7}, {1, 1, 1}});
  std::vector<uint8_t> out(3, 0xEE);
  RGBQUAD pal[256];
  struct Row {
    uint32_t maxColors, dither;
    uint8_t limit;
  };
  for (const Row& r : {Row{256, 0, 0}, Row{256, 1, 20}, Row{0, 0, 20}, Row{1000, 1, 255}}) {
    ASSERT_TRUE(
        pic_QuantizeRGBTo8Bit(img.data(), 3, 1, 9, out.data(), 3, r.maxColors, pal, r.dither, r.limit, 0));
    for (uint8_t v : out) EXPECT_EQ(v, 0) << r.maxColors;
    EXPECT_TRUE(Same(pal[0], {3, 3, 3}));
  }
  DWORD count = 0;
  ASSERT_TRUE(pic_Get8BitPaletteFromRGB(img.data(), 3, 1, 9, 0, pal, &count, 0));
  EXPECT_EQ(count, 1u);
  // A flat image equal to a palette entry maps to it everywhere.
  const RGBQUAD two[2] = {{0, 0, 0, 0}, {30, 20, 10, 0}};
  std::vector<uint8_t> flat = Image(std::vector<Rgb>(12, Rgb{10, 20, 30}), 4);
  out.assign(12, 0);
  ASSERT_TRUE(pic_RGBTo8BitDithered(flat.data(), 4, 3, 16, out.data(), 4, 2, two, 0, 20, 2));
  for (uint8_t v : out) EXPECT_EQ(v, 1);
  EXPECT_FALSE(pic_RGBTo8BitDithered(flat.data(), 4, 3, 16, out.data(), 4, 2, nullptr, 0, 20, 2));
  EXPECT_EQ(PicGetLastError(), 5u);
  // A declined progress callback stops the mapping.
  SetProgressCallback(StopAfterFirst, 0);
  EXPECT_FALSE(pic_RGBTo8BitDithered(flat.data(), 4, 3, 16, out.data(), 4, 2, two, 1, 20, 2));
  EXPECT_EQ(PicGetLastError(), 14u);
  // It stops either palette build too: no colours counted, error 14.
  for (uint32_t heap : {0u, uint32_t{kPicOctreeHeap}}) {
    uint32_t err = 0, n = 99;
    RGBQUAD pal[256];
    EXPECT_FALSE(BuildPaletteFromRGB(&err, flat.data(), 4, 3, 16, 16, pal, &n, heap | kPicOctreeFourBytes));
    EXPECT_EQ(err, 14u) << "heap " << heap;
    EXPECT_EQ(n, 0u) << "heap " << heap;
  }
  SetProgressCallback(nullptr, 0);
}

TEST(OctreeQuantizer, ChannelSumsOfBigImagesDoNotWrap) {
  // 4200 x 4100 white pixels: each channel sums to 4.39e9, past 32 bits.
  const uint32_t w = 4200, h = 4100;
  std::vector<uint8_t> img(size_t{w} * h * 3, 255);
  RGBQUAD pal[256];
  uint32_t err = 0, count = 0;
  ASSERT_TRUE(BuildPaletteFromRGB(&err, img.data(), w, h, w * 3, 16, pal, &count, 0));
  EXPECT_TRUE(Same(pal[0], {255, 255, 255}));
}

TEST(RgbaQuantizer, MedianCut) {
  // Ten colours, three of them translucent.
  std::vector<uint8_t> img;
  for (int i = 0; i < 10; ++i)
    img.insert(img.end(), {static_cast<uint8_t>(20 * i), static_cast<uint8_t>(255 - 20 * i), 7,
                           static_cast<uint8_t>(i < 3 ? 100 + i : 255)});
  std::vector<uint8_t> out(10);
  RGBQUAD pal[256];
  DWORD count = 0;
  for (uint32_t flags : {0u, 1u}) {
    ASSERT_TRUE(pic_QuantizeRGBATo8Bit(img.data(), 10, 1, 40, out.data(), 10, 256, pal, 0, &count, flags));
    ASSERT_EQ(count, 10u);
    for (int i = 0; i < 10; ++i) {
      const RGBQUAD& q = pal[out[i]];
      const uint8_t* p = &img[4 * i];
      EXPECT_EQ(flags ? q.rgbBlue : q.rgbRed, p[0]);
      EXPECT_EQ(flags ? q.rgbRed : q.rgbBlue, p[2]);
      EXPECT_EQ(q.rgbReserved, p[3]);
      EXPECT_EQ(out[i] < 3, i < 3);  // translucent colours take the low indices
    }
  }
  // Bounds of the colour count, an empty image, bad arguments.
  ASSERT_TRUE(pic_QuantizeRGBATo8Bit(img.data(), 10, 1, 40, out.data(), 10, 0, pal, 0, &count, 0));
  EXPECT_EQ(count, 1u);
  ASSERT_TRUE(pic_QuantizeRGBATo8Bit(img.data(), 10, 1, 40, out.data(), 10, 1000, pal, 1, &count, 0));
  EXPECT_EQ(count, 10u);
  ASSERT_TRUE(pic_QuantizeRGBATo8Bit(img.data(), 0, 0, 40, out.data(), 10, 256, pal, 0, &count, 0));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(pic_QuantizeRGBATo8Bit(img.data(), 10, 1, 40, nullptr, 10, 256, pal, 0, &count, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
}

TEST(RgbaQuantizer, ManyColoursLosePrecisionThenScaleBack) {
  // 65536 distinct opaque colours; the palette still spans 0..255.
  const uint32_t w = 256, h = 256;
  std::vector<uint8_t> img;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      img.insert(img.end(), {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 128, 255});
  std::vector<uint8_t> out(w * h);
  RGBQUAD pal[256];
  DWORD count = 0;
  ASSERT_TRUE(pic_QuantizeRGBATo8Bit(img.data(), w, h, w * 4, out.data(), w, 16, pal, 0, &count, 0));
  ASSERT_EQ(count, 16u);
  int lo = 255, hi = 0;
  for (uint32_t i = 0; i < count; ++i) {
    lo = std::min<int>(lo, pal[i].rgbRed), hi = std::max<int>(hi, pal[i].rgbRed);
    EXPECT_EQ(pal[i].rgbReserved, 255);
  }
  EXPECT_LT(lo, 40);
  EXPECT_GT(hi, 215);
  // Each pixel lands on an entry within a box's reach.
  for (uint32_t i = 0; i < w * h; i += 97) EXPECT_LE(std::abs(pal[out[i]].rgbRed - int(img[4 * i])), 64);
}

TEST(OctreeQuantizer, NearestMappingIsExactOnOneThreadAndOnThePool) {
  ASSERT_TRUE(pic_Initialize(nullptr));  // the pool
  // Big enough for the colour memo and for bands.
  const uint32_t w = 520, h = 512;
  std::vector<uint8_t> img(size_t{w} * h * 3);
  uint32_t seed = 1;
  for (size_t i = 0; i < img.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    img[i] = static_cast<uint8_t>((i / 3 % w) / 3 + (i % 3) * 40 + (seed >> 28));
  }
  RGBQUAD pal[256];
  std::vector<uint8_t> one(size_t{w} * h), pool(size_t{w} * h);
  ASSERT_TRUE(pic_QuantizeRGBTo8Bit(img.data(), w, h, w * 3, one.data(), w, 64, pal, 0, 0, 0x100000));
  ASSERT_TRUE(pic_QuantizeRGBTo8Bit(img.data(), w, h, w * 3, pool.data(), w, 64, pal, 0, 0, 0));
  EXPECT_EQ(one, pool);
  for (size_t i = 0; i < one.size(); i += 37) {
    const uint8_t* p = &img[3 * i];
    int best = INT32_MAX, bestIndex = 0;
    for (int k = 0; k < 64; ++k) {
      int dr = p[0] - pal[k].rgbRed, dg = p[1] - pal[k].rgbGreen, db = p[2] - pal[k].rgbBlue;
      int d = dr * dr + dg * dg + db * db;
      if (d < best) best = d, bestIndex = k;
    }
    ASSERT_EQ(one[i], bestIndex) << i;
  }
}

TEST(OctreeQuantizer, TwoColourDitherFollowsThePlainRule) {
  // Serpentine Floyd-Steinberg read plainly over a whole error plane. Grey
  // images onto grey pairs take a one-channel path; a tinted pixel or entry
  // the general one. 40 and 200 tie at 120 (the first entry wins).
  const RGBQUAD bw[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}}, pair[2] = {{40, 40, 40, 0}, {200, 200, 200, 0}},
                tinted[2] = {{40, 40, 40, 0}, {200, 190, 200, 0}};
  struct Row {
    int w, h;
    const RGBQUAD* pal;
    int limit;
    bool tint;
  } rows[] = {{1, 6, bw, 255, 0},   {2, 3, bw, 20, 0},       {33, 9, pair, 255, 0},
              {17, 10, pair, 7, 0}, {19, 8, tinted, 255, 0}, {16, 7, bw, 255, 1}};
  uint32_t seed = 7;
  for (const Row& r : rows) {
    std::vector<uint8_t> rgb(size_t(r.w) * r.h * 3), out(size_t(r.w) * r.h), want(out.size());
    for (size_t i = 0; i < rgb.size(); i += 3)
      rgb[i] = rgb[i + 1] = rgb[i + 2] = (seed = seed * 1103515245u + 12345u) >> 24;
    rgb[1] ^= r.tint;
    std::vector<int> err(size_t(r.w + 2) * (r.h + 1) * 3, 0);
    auto e = [&](int x, int y, int k) -> int& { return err[(size_t(y) * (r.w + 2) + x + 1) * 3 + k]; };
    for (int y = 0; y < r.h; ++y)
      for (int i = 0, dir = y % 2 ? -1 : 1; i < r.w; ++i) {
        const int x = dir < 0 ? r.w - 1 - i : i, in = x + dir >= 0 && x + dir < r.w;
        int c[3], d[2] = {};
        for (int k = 0; k < 3; ++k)
          c[k] = std::clamp(rgb[(size_t(y) * r.w + x) * 3 + k] + ((e(x, y, k) + 8) >> 4), 0, 255);
        const uint8_t* q[2] = {&r.pal[0].rgbBlue, &r.pal[1].rgbBlue};  // blue, green, red
        for (int j = 0; j < 2; ++j)
          for (int k = 0; k < 3; ++k) d[j] += (c[k] - q[j][2 - k]) * (c[k] - q[j][2 - k]);
        const int j = d[1] < d[0];
        want[size_t(y) * r.w + x] = static_cast<uint8_t>(j);
        for (int k = 0; k < 3; ++k) {
          const int v = std::clamp(c[k] - q[j][2 - k], -r.limit, r.limit);
          e(x + dir, y, k) += in * 7 * v, e(x - dir, y + 1, k) += 3 * v, e(x, y + 1, k) += 5 * v;
          e(x + dir, y + 1, k) += in * v;
        }
      }
    ASSERT_TRUE(
        pic_RGBTo8BitDithered(rgb.data(), r.w, r.h, r.w * 3, out.data(), r.w, 2, r.pal, 1, r.limit, 0));
    EXPECT_EQ(out, want) << r.w << "x" << r.h;
  }
}

// Every pixel lands on its nearest entry (lowest index on ties) for each
// way of searching: the cube table (big images, any number of colours) and
// the 8-8-8 lists (small ones), on busy pictures (noise over a ramp) and on
// the calling thread and the pool alike.
TEST(OctreeQuantizer, NearestMappingIsExactForEverySearch) {
  ASSERT_TRUE(pic_Initialize(nullptr));  // the pool
  const struct {
    uint32_t w, h, colors, noise;
  } rows[] = {{300, 230, 256, 255}, {300, 230, 256, 15}, {300, 230, 65, 255}, {257, 256, 200, 63},
              {100, 100, 256, 255}, {90, 70, 17, 31},    {300, 230, 64, 255}};
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " " << r.colors << " colours, noise " << r.noise);
    std::vector<uint8_t> img(size_t{r.w} * r.h * 3);
    uint32_t seed = r.w * 7 + r.colors;
    for (size_t i = 0; i < img.size(); ++i) {
      seed = seed * 1103515245u + 12345u;
      img[i] =
          static_cast<uint8_t>((i / 3 % r.w) * 255 / r.w / 2 + (i % 3) * 50 + (seed >> 16) % (r.noise + 1));
    }
    RGBQUAD pal[256];
    const uint32_t count = r.colors;  // the pictures hold many more colours
    std::vector<uint8_t> one(size_t{r.w} * r.h), pool(one.size());
    ASSERT_TRUE(
        pic_QuantizeRGBTo8Bit(img.data(), r.w, r.h, r.w * 3, one.data(), r.w, r.colors, pal, 0, 0, 0x100000));
    ASSERT_TRUE(
        pic_QuantizeRGBTo8Bit(img.data(), r.w, r.h, r.w * 3, pool.data(), r.w, r.colors, pal, 0, 0, 0));
    EXPECT_EQ(one, pool);
    for (size_t i = 0; i < one.size(); ++i) {
      const uint8_t* p = &img[3 * i];
      int best = INT32_MAX, bestIndex = 0;
      for (int k = 0; k < static_cast<int>(count); ++k) {
        const int dr = p[0] - pal[k].rgbRed, dg = p[1] - pal[k].rgbGreen, db = p[2] - pal[k].rgbBlue;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best) best = d, bestIndex = k;
      }
      ASSERT_EQ(one[i], bestIndex) << i;
    }
  }
}

// Every form of the palette search (plain, SSE2, AVX2 where present) on the
// calling thread and on the pool gives each pixel its nearest entry with the
// lowest index on ties, against a plain scan over the whole palette: busy
// pictures, every colour distinct, ramps, colours met only off every eighth
// row, ties built into the palette
// (copies, entries equally far from whole grey ramps), a lone pixel, one
// very wide row, 4-byte pixels, pixels close to clusters of entries (the
// eight corners of a 2-2-2 cube and its neighbours: more than three winners
// in a cube); through each way of searching (lists of 8-8-8 cells for small
// pictures, the cube table for big ones, whose cubes of many winners search
// their cell's list). Error diffusion, which searches the same way, must
// agree across the forms too.
TEST(OctreeQuantizer, EverySearchFormMapsToTheNearestEntry) {
  ASSERT_TRUE(pic_Initialize(nullptr));  // the pool
  enum Picture { kNoise, kDistinct, kRamp, kFlatEighthRows, kNearEntries };
  enum Palette { kRandom, kCopies, kEvenGreys, kOneColour, kAllSame, kClusters };
  const struct {
    const char* what;
    uint32_t w, h, colors;
    Picture picture;
    Palette palette;
    uint32_t bpp;
  } rows[] = {
      {"busy, 256 colours", 257, 256, 256, kNoise, kRandom, 3},
      {"busy, cube table", 257, 256, 64, kNoise, kRandom, 3},
      {"busy, small picture", 120, 90, 256, kNoise, kRandom, 3},
      {"busy, 65 colours", 257, 256, 65, kNoise, kRandom, 3},
      {"every colour distinct", 256, 256, 256, kDistinct, kRandom, 3},
      {"busy, 4 bytes", 257, 256, 200, kNoise, kRandom, 4},
      {"ramp", 257, 256, 256, kRamp, kRandom, 3},
      {"colours only off every eighth row", 257, 256, 256, kFlatEighthRows, kRandom, 3},
      {"copies tie", 257, 256, 256, kNoise, kCopies, 3},
      {"copies tie, cube table", 257, 256, 40, kNoise, kCopies, 3},
      {"odd greys tie", 256, 300, 128, kRamp, kEvenGreys, 3},
      {"odd greys tie, small", 64, 64, 128, kRamp, kEvenGreys, 4},
      {"one entry", 257, 256, 1, kNoise, kOneColour, 3},
      {"all entries the same", 257, 256, 256, kNoise, kAllSame, 3},
      {"lone pixel", 1, 1, 256, kNoise, kRandom, 3},
      {"one wide row", 65539, 1, 256, kDistinct, kRandom, 3},
      {"one wide row, 4 bytes", 65537, 1, 17, kNoise, kRandom, 4},
      {"clustered entries", 257, 256, 256, kNearEntries, kClusters, 3},
      {"clustered entries, 4 bytes", 300, 230, 64, kNearEntries, kClusters, 4},
      {"clustered entries, small picture", 100, 80, 200, kNearEntries, kClusters, 3},
      {"clustered entries, narrow rows", 7, 9400, 24, kNearEntries, kClusters, 3},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    uint32_t seed = r.w * 31 + r.colors;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    const size_t n = size_t{r.w} * r.h;
    std::vector<uint8_t> img(n * r.bpp, 0xA5);
    for (size_t i = 0; i < n; ++i) {
      uint8_t* p = &img[i * r.bpp];
      const uint32_t x = static_cast<uint32_t>(i % r.w), y = static_cast<uint32_t>(i / r.w);
      if (r.picture == kDistinct) {
        const uint32_t v = static_cast<uint32_t>(i * 2654435761u) >> 8;  // odd multiplier: distinct
        p[0] = v >> 16, p[1] = v >> 8 & 0xFF, p[2] = v & 0xFF;
      } else if (r.picture == kRamp) {
        p[0] = p[1] = p[2] = static_cast<uint8_t>(x + y);
        if (r.palette != kEvenGreys) p[2] = static_cast<uint8_t>(y);
      } else if (r.picture == kFlatEighthRows && y % 8 == 0) {
        p[0] = p[1] = p[2] = 128;
      } else {
        for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(x * 255 / r.w / 2 + 50 * k + next() % 40);
      }
    }
    RGBQUAD pal[256] = {};
    for (uint32_t i = 0; i < r.colors; ++i) {
      const uint32_t v = next() << 8 | (next() & 0xFF);
      const uint32_t j = r.palette == kCopies ? i / 2 * 2 : i;  // entry 2k + 1 a copy of 2k
      RGBQUAD q{static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16), 0};
      if (r.palette == kEvenGreys) q = {BYTE(2 * i), BYTE(2 * i), BYTE(2 * i), 0};
      if (r.palette == kAllSame) q = {90, 160, 30, 0};
      if (r.palette == kClusters && i % 8) {  // the corners of a 2-2-2 cube at entry 8k
        const RGBQUAD& base = pal[i / 8 * 8];
        q = {BYTE(base.rgbBlue + (i & 1)), BYTE(base.rgbGreen + (i >> 1 & 1)),
             BYTE(base.rgbRed + (i >> 2 & 1)), 0};
      } else if (r.palette == kClusters) {
        q = {BYTE(q.rgbBlue & 0xFC), BYTE(q.rgbGreen & 0xFC), BYTE(q.rgbRed & 0xFC), 0};
      }
      pal[i] = r.palette == kCopies && j != i ? pal[j] : q;
    }
    for (size_t i = 0; r.picture == kNearEntries && i < n; ++i) {  // within two of an entry
      const RGBQUAD& e = pal[next() % r.colors];
      const int around[3] = {e.rgbRed, e.rgbGreen, e.rgbBlue};
      for (int k = 0; k < 3; ++k)
        img[i * r.bpp + k] = static_cast<uint8_t>(std::clamp(around[k] + int(next() % 5) - 2, 0, 255));
    }
    std::vector<uint8_t> want(n);
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* p = &img[i * r.bpp];
      int best = INT32_MAX;
      for (int k = 0; k < static_cast<int>(r.colors); ++k) {
        const int dr = p[0] - pal[k].rgbRed, dg = p[1] - pal[k].rgbGreen, db = p[2] - pal[k].rgbBlue;
        if (dr * dr + dg * dg + db * db < best)
          best = dr * dr + dg * dg + db * db, want[i] = static_cast<uint8_t>(k);
      }
    }
    const DWORD four = r.bpp == 4 ? DWORD{kPicOctreeFourBytes} : DWORD{0};
    std::vector<uint8_t> dithered[3];
    for (int cap = 0; cap <= 2; ++cap) {
      SetOctreeVectorCap(cap);
      for (DWORD threads : {DWORD{kPicFlagNoThreads}, DWORD{0}}) {
        std::vector<uint8_t> out(n, 0xEE);
        ASSERT_TRUE(pic_RGBTo8BitDithered(img.data(), r.w, r.h, r.w * r.bpp, out.data(), r.w, r.colors, pal,
                                          0, 0, four | threads));
        for (size_t i = 0; i < n; ++i) ASSERT_EQ(out[i], want[i]) << "cap " << cap << " pixel " << i;
      }
      dithered[cap].assign(n, 0xEE);
      ASSERT_TRUE(pic_RGBTo8BitDithered(img.data(), r.w, r.h, r.w * r.bpp, dithered[cap].data(), r.w,
                                        r.colors, pal, 1, 40, four));
    }
    SetOctreeVectorCap(2);
    EXPECT_EQ(dithered[0], dithered[1]);
    EXPECT_EQ(dithered[0], dithered[2]);
  }
}

// The one-channel path is taken only when every pixel is grey: one pixel of
// (0, 255, 255) or (100, 100, 255) in a grey picture, at the start, in the
// eight-pixel steps, in the columns after them or last, with 3 or 4 bytes a
// pixel, must be weighed by all three channels (entry 1, 200 grey, though
// its first channel alone says entry 0).
TEST(OctreeQuantizer, GreyPairNeedsEveryPixelGrey) {
  const RGBQUAD pair[2] = {{40, 40, 40, 0}, {200, 200, 200, 0}};
  const struct {
    uint32_t w, h, at, bpp;
    uint8_t first;  // the coloured pixel: (0, 255, 255) or (first, first, 255)
  } rows[] = {{1, 1, 0, 3, 0},     {8, 2, 7, 3, 0},     {9, 2, 8, 3, 0},    {16, 3, 12, 3, 0},
              {17, 2, 16, 3, 0},   {33, 2, 3, 3, 0},    {33, 2, 32, 3, 0},  {17, 2, 16, 4, 0},
              {5, 2, 2, 4, 0},     {17, 2, 16, 3, 100}, {33, 2, 3, 3, 100}, {5, 2, 2, 4, 100},
              {17, 2, 10, 3, 100}, {17, 2, 13, 3, 0}};  // the last byte of a step's words
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " at " << r.at << ", " << r.bpp << " bytes");
    std::vector<uint8_t> img(size_t{r.w} * r.h * r.bpp);
    for (size_t i = 0; i < img.size(); ++i)
      img[i] = static_cast<uint8_t>(i / r.bpp % 2 ? 20 : 60);  // far from 120
    img[r.at * r.bpp] = r.first;
    img[r.at * r.bpp + 1] = r.first ? r.first : 255;
    img[r.at * r.bpp + 2] = 255;
    std::vector<uint8_t> out(size_t{r.w} * r.h, 0xEE);
    ASSERT_TRUE(pic_RGBTo8BitDithered(img.data(), r.w, r.h, r.w * r.bpp, out.data(), r.w, 2, pair, 1, 20,
                                      r.bpp == 4 ? DWORD{kPicOctreeFourBytes} : DWORD{0}));
    EXPECT_EQ(out[r.at], 1);
  }
}

namespace {
std::vector<DWORD> g_progressCalls;
BOOL PICAPI NoteProgress(DWORD done, DWORD total, PIC_USERDATA) {
  g_progressCalls.push_back(done * 10 + total);
  return TRUE;
}
}  // namespace

// The palette build reports its four steps in order, once each.
TEST(OctreeQuantizer, PaletteBuildReportsItsSteps) {
  std::vector<DWORD>& calls = g_progressCalls;
  calls.clear();
  SetProgressCallback(NoteProgress, 0);
  std::vector<uint8_t> img = Image({{1, 2, 3}, {200, 100, 50}});
  RGBQUAD pal[256];
  DWORD count = 0;
  EXPECT_TRUE(pic_Get8BitPaletteFromRGB(img.data(), 2, 1, 6, 16, pal, &count, 0));
  SetProgressCallback(nullptr, 0);
  EXPECT_EQ(calls, (std::vector<DWORD>{4, 14, 24, 34}));
  EXPECT_EQ(count, 2u);
}

// Both octrees walk the rows by their stride: three rows of two pixels,
// each row padded by two bytes that must not be read as pixels.
TEST(OctreeQuantizer, BothOctreesReadEveryRowByItsStride) {
  const std::vector<uint8_t> img = {10,  20,  30,  40,  50,  60,  99, 99,  //
                                    70,  80,  90,  100, 110, 120, 99, 99,  //
                                    130, 140, 150, 160, 170, 180, 99, 99};
  const std::set<uint32_t> want = {0x0A141E, 0x28323C, 0x46505A, 0x646E78, 0x828C96, 0xA0AAB4};
  for (uint32_t heap : {0u, uint32_t{kPicOctreeHeap}}) {
    uint32_t err = 0, count = 0;
    RGBQUAD pal[256];
    ASSERT_TRUE(BuildPaletteFromRGB(&err, img.data(), 2, 3, 8, 256, pal, &count, heap));
    std::set<uint32_t> got;
    for (uint32_t i = 0; i < count; ++i)
      got.insert(uint32_t{pal[i].rgbRed} << 16 | uint32_t{pal[i].rgbGreen} << 8 | pal[i].rgbBlue);
    EXPECT_EQ(got, want) << "heap " << heap;
  }
}

// The palettes and indices of busy pictures stay what they are (the
// reduced octree's cell means, the same index for every pixel, ties as
// before): a checksum of each result against the one the plain
// full-palette search gave. A change here changes users' pictures.
TEST(OctreeQuantizer, ResultsOfBusyPicturesStayTheSame) {
  const struct {
    uint32_t w, h, colors, dither, limit;
    uint64_t want;
  } rows[] = {
      {300, 230, 256, 0, 0, 12786877225434641081ull}, {300, 230, 64, 0, 0, 7012219754407393124ull},
      {300, 230, 16, 0, 0, 14793258956826290684ull},  {300, 230, 256, 1, 20, 5869370329193119623ull},
      {120, 90, 200, 0, 0, 6280581603460240731ull},   {120, 90, 33, 0, 40, 6953322417516009643ull},
  };
  for (const auto& r : rows) {
    const std::vector<uint8_t> img = BusyPicture(r.w, r.h);
    RGBQUAD pal[256];
    std::vector<uint8_t> out(size_t{r.w} * r.h);
    ASSERT_TRUE(pic_QuantizeRGBTo8Bit(img.data(), r.w, r.h, r.w * 3, out.data(), r.w, r.colors, pal, r.dither,
                                      static_cast<BYTE>(r.limit), 0));
    uint32_t wantCount = 0;
    const auto want = ReferenceOctreePalette(img.data(), r.w, r.h, r.w * 3, 3, false, r.colors, &wantCount);
    EXPECT_TRUE(SameAsReference(pal, r.colors, want, wantCount, false));
    uint64_t hash = 14695981039346656037ull;  // FNV-1a over the palette, then the indices
    for (const RGBQUAD& q : pal)
      for (uint8_t b : {q.rgbRed, q.rgbGreen, q.rgbBlue}) hash = (hash ^ b) * 1099511628211ull;
    for (uint8_t b : out) hash = (hash ^ b) * 1099511628211ull;
    EXPECT_EQ(hash, r.want) << r.w << "x" << r.h << " " << r.colors << " colours, dither " << r.dither;
  }
}

// Big pictures count their histogram in slices of rows on the pool. One
// colour (the rounded mean of all pixels) shows whether every row was
// counted exactly once: the first channel's sum is set right on a rounding
// boundary (a row missed rounds it down), the second's one below it (a row
// counted twice rounds it up). A row of transparent pixels left out of the
// palette sits where the rows split.
TEST(OctreeQuantizer, HistogramOnThePoolCountsEveryRowOnce) {
  ASSERT_TRUE(pic_Initialize(nullptr));  // the pool
  const struct {
    uint32_t w, h, bpp;
    bool skipRow;
  } rows[] = {{2048, 2051, 3, false}, {1024, 4099, 4, true}};
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << ", " << r.bpp << " bytes");
    const uint32_t hidden = r.skipRow ? r.h / 2 : UINT32_MAX;
    std::vector<uint8_t> img(size_t{r.w} * r.h * r.bpp);
    uint64_t sum[2] = {}, n = 0;
    for (uint32_t y = 0; y < r.h; ++y)
      for (uint32_t x = 0; x < r.w; ++x) {
        uint8_t* p = &img[(size_t{y} * r.w + x) * r.bpp];
        p[0] = static_cast<uint8_t>(y == hidden ? 250 : 1 + y % 5);
        p[1] = static_cast<uint8_t>(y == hidden ? 250 : 2 + y % 3);
        p[2] = 9;
        if (r.bpp == 4) p[3] = y == hidden ? 7 : 255;
        if (y != hidden) sum[0] += p[0], sum[1] += p[1], ++n;
      }
    ASSERT_EQ(n % 2, 0u);
    uint8_t want[2];
    for (int c = 0; c < 2; ++c) {
      // The least boundary (k + 1/2) n above the sum; the second channel one below it.
      const uint64_t k = sum[c] * 2 / n / 2 + (sum[c] % n * 2 >= n ? 1 : 0);
      const uint64_t target = k * n + n / 2 - c;
      for (size_t i = 0; sum[c] < target; i += r.bpp)
        if (img[i + c] < 8) ++img[i + c], ++sum[c];
      want[c] = static_cast<uint8_t>(c ? k : k + 1);
    }
    for (DWORD threads : {DWORD{0}, DWORD{kPicFlagNoThreads}}) {
      RGBQUAD pal[256];
      DWORD count = 0;
      const DWORD flags = threads | (r.bpp == 4 ? DWORD{kPicOctreeSkipLowAlpha} : DWORD{0});
      ASSERT_TRUE(pic_Get8BitPaletteFromRGB(img.data(), r.w, r.h, r.w * r.bpp, 1, pal, &count, flags));
      EXPECT_EQ(count, 1u);
      EXPECT_EQ(pal[0].rgbRed, want[0]) << "threads flag " << threads;
      EXPECT_EQ(pal[0].rgbGreen, want[1]) << "threads flag " << threads;
      EXPECT_EQ(pal[0].rgbBlue, 9);
    }
  }
}

// From 2^24 pixels the leaves are counted pixel by pixel (the histogram's
// 32-bit sums could wrap). With every colour alone in its leaf, a picture
// tiled up past that size must give the palette its tile gives: the same
// proportions, the same merges.
TEST(OctreeQuantizer, HugePicturesGiveTheirTilesPalette) {
  const uint32_t w = 4096, tileRows = 8, tiles = 513;  // 4096 x 4104 pixels: past 2^24
  std::vector<uint8_t> tile(size_t{w} * tileRows * 3);
  uint32_t seed = 99;
  uint8_t colours[300][3];
  for (auto& c : colours) {
    seed = seed * 1103515245u + 12345u;
    const uint32_t v = seed >> 8;  // one per 5-5-5 leaf: the low three bits are 4
    c[0] = static_cast<uint8_t>((v & 0xF8) | 4), c[1] = static_cast<uint8_t>((v >> 8 & 0xF8) | 4);
    c[2] = static_cast<uint8_t>((v >> 16 & 0xF8) | 4);
  }
  for (size_t i = 0; i < size_t{w} * tileRows; ++i) {
    seed = seed * 1103515245u + 12345u;
    const uint8_t* c = colours[(seed >> 16) % 300 * ((seed >> 12 & 3) ? 1 : 0)];  // colour 0 about a quarter
    std::copy(c, c + 3, &tile[i * 3]);
  }
  std::vector<uint8_t> huge(tile.size() * tiles);
  for (uint32_t t = 0; t < tiles; ++t) std::copy(tile.begin(), tile.end(), huge.begin() + t * tile.size());
  for (DWORD maxColors : {100u, 256u}) {
    RGBQUAD small[256], big[256];
    DWORD smallCount = 0, bigCount = 0;
    ASSERT_TRUE(pic_Get8BitPaletteFromRGB(tile.data(), w, tileRows, w * 3, maxColors, small, &smallCount, 0));
    ASSERT_TRUE(
        pic_Get8BitPaletteFromRGB(huge.data(), w, tileRows * tiles, w * 3, maxColors, big, &bigCount, 0));
    ASSERT_EQ(smallCount, bigCount) << maxColors;
    for (DWORD i = 0; i < smallCount; ++i)
      EXPECT_TRUE(Same(big[i], {small[i].rgbRed, small[i].rgbGreen, small[i].rgbBlue}))
          << maxColors << " entry " << i;
  }
}

// The one-call quantiser and the planar nearest search: null pixels or
// output are error 5; a picture of two colours maps onto two entries that
// hold them; the nearest of copies is the first, and no entries give 0.
TEST(OctreeQuantizer, OneCallQuantizeAndPlanarNearest) {
  const std::vector<uint8_t> img = Image({{10, 20, 30}, {200, 100, 50}, {10, 20, 30}, {200, 100, 50}});
  uint8_t out[4] = {9, 9, 9, 9}, planes[768] = {};
  for (bool nullPixels : {true, false}) {
    OctreeQuantizer q;
    EXPECT_EQ(
        q.Quantize(nullPixels ? nullptr : img.data(), nullPixels ? out : nullptr, 2, 2, 6, 2, 16, planes), 0);
    EXPECT_EQ(q.Error(), 5u) << nullPixels;
  }
  OctreeQuantizer q;
  ASSERT_EQ(q.Quantize(img.data(), out, 2, 2, 6, 2, 16, planes), 1);
  EXPECT_NE(out[0], out[1]);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(out[i], out[i % 2]);
    for (size_t k = 0; k < 3; ++k)
      EXPECT_EQ(planes[256 * k + out[i]], img[3 * i + k]) << "pixel " << i << " channel " << k;
  }
  const RGBQUAD pal[3] = {{30, 20, 10, 0}, {30, 20, 10, 0}, {0, 0, 0, 0}};  // blue, green, red
  q.LoadPalette(pal, 3, 0);
  EXPECT_EQ(q.FindNearest(10, 20, 30, 3), 0u);
  EXPECT_EQ(q.FindNearest(11, 21, 29, 3), 0u);
  EXPECT_EQ(q.FindNearest(0, 0, 1, 3), 2u);
  EXPECT_EQ(q.FindNearest(0, 0, 1, 0), 0u);
}
