#include "pixelops/placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/picapi.h"
#include "core/thread_context.h"

using namespace Pictura;
using Bytes = std::vector<uint8_t>;

namespace {

int Bit(const Bytes& img, uint32_t stride, uint32_t c, uint32_t r) {
  return img[r * stride + c / 8] >> (7 - c % 8) & 1;
}
int Nib(const Bytes& img, uint32_t stride, uint32_t c, uint32_t r) {
  const uint8_t b = img[r * stride + c / 2];
  return c % 2 ? b & 15 : b >> 4;
}

BOOL PICAPI StopAfterFirstRow(DWORD done, DWORD, PIC_USERDATA) {
  return done < 1;
}

Bytes Random(size_t n, unsigned seed) {
  Bytes v(n);
  std::mt19937 rng(seed);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

}  // namespace

// Every placement against a pixel-by-pixel model, over offsets that cover
// every bit and nibble alignment and every clipping side.
TEST(Placement, PackedImagesMatchAPixelModel) {
  const uint32_t W = 29, H = 7, w = 13, h = 5;
  for (uint32_t bits : {1u, 4u})
    for (uint32_t flags : {0u, 1u, 3u, 8u})
      for (int32_t x = -14; x <= 30; ++x)
        for (int32_t y : {-5, -2, 0, 3, 7}) {
          if (bits == 4 && flags) continue;
          const uint32_t ds = (W * bits + 7) / 8 + 1, ss = (w * bits + 7) / 8 + 2;
          Bytes dst = Random(ds * H, x + 100), src = Random(ss * h, 7), before = dst;
          uint32_t err = 9;
          const bool ok = bits == 1
                              ? PlaceImage1Bit(&err, dst.data(), W, H, ds, src.data(), w, h, ss, x, y, flags)
                              : PlaceImage4Bit(&err, dst.data(), W, H, ds, src.data(), w, h, ss, x, y, flags);
          ASSERT_TRUE(ok);
          EXPECT_EQ(err, 0u);
          for (uint32_t r = 0; r < H; ++r)
            for (uint32_t c = 0; c < W; ++c) {
              const int64_t sc = int64_t{c} - x, sr = int64_t{r} - y;
              const bool covered = sc >= 0 && sc < w && sr >= 0 && sr < h;
              if (bits == 4) {
                const int want = covered ? Nib(src, ss, sc, sr) : Nib(before, ds, c, r);
                ASSERT_EQ(Nib(dst, ds, c, r), want) << x << "," << y << " at " << c << "," << r;
                continue;
              }
              const uint32_t row = flags & 8 ? h - 1 - sr : sr;
              const int old = Bit(before, ds, c, r);
              int want = old;
              if (covered) {
                const int s = Bit(src, ss, sc, row);
                want = !(flags & 1) ? s : (flags & 2) ? (old | s) : (old & s);
              }
              ASSERT_EQ(Bit(dst, ds, c, r), want) << flags << " " << x << "," << y << " at " << c << "," << r;
            }
          // Padding bytes past the width stay as they were.
          for (uint32_t r = 0; r < H; ++r) EXPECT_EQ(dst[r * ds + ds - 1], before[r * ds + ds - 1]);
        }
}

TEST(Placement, EightBitOntoRGBAByFlags) {
  RGBQUAD pal[256] = {};
  pal[1] = RGBQUAD{30, 20, 10, 0};  // B, G, R
  pal[5] = RGBQUAD{60, 50, 40, 0};
  const Bytes src = {1, 5, 5, 1};
  struct Case {
    uint32_t flags;
    Bytes pixel1, pixel5;  // what lands from index 1 and the transparent index 5
  };
  const Case cases[] = {
      {0, {10, 20, 30, 255}, {40, 50, 60, 255}},    {2, {30, 20, 10, 255}, {60, 50, 40, 255}},
      {4, {10, 20, 30, 255}, {7, 7, 7, 0}},         {4 | 8, {10, 20, 30, 255}, {7, 7, 7, 7}},
      {4 | 16, {10, 20, 30, 255}, {40, 50, 60, 0}}, {4 | 2 | 8 | 16, {30, 20, 10, 255}, {60, 50, 40, 7}},
  };
  for (const Case& c : cases) {
    Bytes dst(4 * 4, 7);
    uint32_t err = 0;
    ASSERT_TRUE(PlaceImage8BitOnRGBA(&err, dst.data(), 4, 1, 16, src.data(), 4, 1, 4, pal, 0, 0, 5, c.flags));
    EXPECT_EQ(Bytes(dst.begin(), dst.begin() + 4), c.pixel1) << c.flags;
    EXPECT_EQ(Bytes(dst.begin() + 4, dst.begin() + 8), c.pixel5) << c.flags;
  }
  // Clipped at both ends: only the middle two destination pixels change.
  Bytes dst(2 * 4, 7);
  uint32_t err = 0;
  ASSERT_TRUE(PlaceImage8BitOnRGBA(&err, dst.data(), 2, 1, 8, src.data(), 4, 1, 4, pal, -1, 0, 0, 0));
  EXPECT_EQ(dst, (Bytes{40, 50, 60, 255, 40, 50, 60, 255}));
}

TEST(Placement, RefusalsAndCancel) {
  Bytes a(64), b(64);
  RGBQUAD pal[256] = {};
  uint32_t err = 0;
  EXPECT_FALSE(PlaceImage1Bit(&err, nullptr, 8, 8, 1, b.data(), 8, 8, 1, 0, 0, 0));
  EXPECT_EQ(err, kPicErrBadArgument);
  EXPECT_FALSE(PlaceImage4Bit(&err, a.data(), 8, 8, 4, a.data(), 8, 8, 4, 0, 0, 0));
  EXPECT_EQ(err, kPicErrBadArgument);
  EXPECT_FALSE(PlaceImage8BitOnRGBA(&err, a.data(), 2, 2, 8, b.data(), 2, 2, 2, nullptr, 0, 0, 0, 0));
  EXPECT_EQ(err, kPicErrBadArgument);
  // Wholly outside: true and nothing written.
  Bytes before = a;
  EXPECT_TRUE(PlaceImage8BitOnRGBA(&err, a.data(), 2, 2, 8, b.data(), 2, 2, 2, pal, 2, 0, 0, 0));
  EXPECT_EQ(a, before);

  SetProgressCallback(StopAfterFirstRow, 0);
  Bytes dst(8 * 4, 0), src(8 * 4, 0xFF);
  EXPECT_FALSE(PlaceImage1Bit(&err, dst.data(), 8, 4, 8, src.data(), 8, 4, 8, 0, 0, 0));
  SetProgressCallback(nullptr, 0);
  EXPECT_EQ(err, kPicErrCancelled);
  EXPECT_EQ(dst[0], 0xFF);  // rows already done stay
  EXPECT_EQ(dst[16], 0);
}

// ---- The rest of the family, each against a per-pixel model ----

namespace {

// One pixel of any layout: 1 bit (in byte 0), or 1, 3 or 4 bytes.
using Px = std::array<uint8_t, 4>;

Px GetPx(const Bytes& img, uint32_t stride, uint32_t bits, uint32_t c, uint32_t r) {
  Px p{};
  if (bits == 1) {
    p[0] = static_cast<uint8_t>(Bit(img, stride, c, r));
  } else {
    for (uint32_t k = 0; k < bits / 8; ++k) p[k] = img[r * stride + c * (bits / 8) + k];
  }
  return p;
}

// The library's alpha table: v x a / 255, truncated; a table blend of d
// towards c at weight a.
uint8_t T(unsigned v, unsigned a) {
  return static_cast<uint8_t>(v * a / 255);
}
uint8_t TB(uint8_t d, uint8_t c, unsigned a) {
  return static_cast<uint8_t>(T(d, 255 - a) + T(c, a));
}
uint8_t Trunc(double v) {
  return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<uint8_t>(v);
}

// The nearest entry by squared distance, the first on a tie; 0 for none.
uint8_t Nearest(const RGBQUAD* pal, uint32_t count, int red, int green, int blue) {
  uint32_t best = 0, bestD = UINT32_MAX;
  for (uint32_t i = 0; i < count; ++i) {
    const int dr = pal[i].rgbRed - red, dg = pal[i].rgbGreen - green, db = pal[i].rgbBlue - blue;
    const uint32_t d = dr * dr + dg * dg + db * db;
    if (d < bestD) bestD = d, best = i;
  }
  return static_cast<uint8_t>(best);
}

using PlaceFn = std::function<bool(uint32_t* err, uint8_t* dst, uint32_t dstStride, const uint8_t* src,
                                   uint32_t srcStride, int32_t x, int32_t y, uint32_t flags)>;
// The covered pixel's new value from its old one and the source position.
using ModelFn = std::function<Px(Px old, uint32_t sc, uint32_t sr, uint32_t flags)>;

struct Member {
  std::string name;
  uint32_t dstBits, srcBits;
  std::vector<uint32_t> flagSets;
  PlaceFn place;
  ModelFn model;
};

constexpr uint32_t kW = 21, kH = 9, kw = 9, kh = 6;  // 9: a source row ends one bit into a byte

uint32_t StrideOf(uint32_t width, uint32_t bits) {
  return (width * bits + 7) / 8 + 3;  // a few padding bytes that must stay
}

}  // namespace

TEST(Placement, FamilyMatchesPerPixelModels) {
  const uint32_t ss1 = StrideOf(kw, 1), ss8 = StrideOf(kw, 8), ss24 = StrideOf(kw, 24);
  const Bytes src1 = Random(ss1 * kh, 11), mask = Random(ss1 * kh, 12), src8 = Random(ss8 * kh, 13),
              src24 = Random(ss24 * kh, 14);
  // A palette of 200 entries with repeated colours (ties) and random alpha;
  // destination indices run past the count (they read as black).
  RGBQUAD pal[256] = {};
  {
    const Bytes b = Random(4 * 256, 15);
    for (int i = 0; i < 200; ++i) pal[i] = RGBQUAD{b[4 * i], b[4 * i + 1], b[4 * i + 2], b[4 * i + 3]};
    pal[7] = pal[3];
    pal[5].rgbReserved = 0;
    pal[6].rgbReserved = 255;
  }
  RGBQUAD wide[256];  // pal as 256 entries: what a 200-entry palette reads past its end
  std::copy(pal, pal + 256, wide);
  RGBQUAD other[256];  // a second, full source palette
  {
    const Bytes b = Random(4 * 256, 16);
    for (int i = 0; i < 256; ++i) other[i] = RGBQUAD{b[4 * i], b[4 * i + 1], b[4 * i + 2], 0};
  }
  const RGBQUAD two[2] = {{10, 20, 30, 100}, {200, 150, 250, 255}};
  const uint32_t colour0 = 0x40102030, colour1 = 0xC0F0E0D0;

  auto s1 = [&](uint32_t c, uint32_t r) { return Bit(src1, ss1, c, r); };
  auto s8 = [&](uint32_t c, uint32_t r) { return src8[r * ss8 + c]; };
  auto s24 = [&](uint32_t c, uint32_t r, int k) { return src24[r * ss24 + c * 3 + k]; };

  std::vector<Member> family;
  family.push_back({"1BitMasked",
                    1,
                    1,
                    {0, 1, 3, 8, 9, 11},
                    [&](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss, int32_t x,
                        int32_t y, uint32_t f) {
                      return PlaceImage1BitMasked(e, d, kW, kH, ds, s, kw, kh, ss, x, y, mask.data(), ss1, f);
                    },
                    [&](Px old, uint32_t sc, uint32_t sr, uint32_t f) {
                      const uint32_t row = f & 8 ? kh - 1 - sr : sr;  // source and mask bottom-up
                      if (!Bit(mask, ss1, sc, row)) return old;
                      const int s = s1(sc, row);
                      old[0] = static_cast<uint8_t>(!(f & 1) ? s : (f & 2) ? (old[0] | s) : (old[0] & s));
                      return old;
                    }});
  family.push_back(
      {"8BitOnRGBA",
       32,
       8,
       {0, 2, 4, 4 | 8, 4 | 16, 2 | 4 | 8 | 16},
       [&](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss, int32_t x, int32_t y,
           uint32_t f) { return PlaceImage8BitOnRGBA(e, d, kW, kH, ds, s, kw, kh, ss, wide, x, y, 5, f); },
       [&](Px old, uint32_t sc, uint32_t sr, uint32_t f) {
         const uint8_t i = s8(sc, sr);
         const bool clear = (f & 4) && i == 5;
         const RGBQUAD& p = wide[i];
         if (!clear || (f & 16))
           old = {f & 2 ? p.rgbBlue : p.rgbRed, p.rgbGreen, f & 2 ? p.rgbRed : p.rgbBlue, old[3]};
         if (!clear)
           old[3] = 255;
         else if (!(f & 8))
           old[3] = 0;
         return old;
       }});
  family.push_back({"1BitOnPaletted",
                    8,
                    1,
                    {0, 1},
                    [&](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss, int32_t x,
                        int32_t y, uint32_t f) {
                      return PlaceImage1BitOnPaletted(e, d, kW, kH, ds, s, kw, kh, ss, x, y, pal, 200,
                                                      colour0, colour1, f);
                    },
                    [&](Px old, uint32_t sc, uint32_t sr, uint32_t f) {
                      const uint32_t colour = s1(sc, sr) ? colour1 : colour0;
                      const unsigned a = colour >> 24;
                      uint8_t red = colour & 255, green = (colour >> 8) & 255, blue = (colour >> 16) & 255;
                      if (f & 1) std::swap(red, blue);
                      const RGBQUAD under = old[0] < 200 ? pal[old[0]] : RGBQUAD{0, 0, 0, 0};
                      old[0] = Nearest(pal, 200, TB(under.rgbRed, red, a), TB(under.rgbGreen, green, a),
                                       TB(under.rgbBlue, blue, a));
                      return old;
                    }});
  for (double o : {1.0, 0.0, 0.3, 0.5, 1.7, -0.25}) {
    family.push_back(
        {"RGBOnRGBA " + std::to_string(o),
         32,
         24,
         {0, 1},
         [&, o](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss, int32_t x, int32_t y,
                uint32_t f) { return PlaceRGBOnRGBA(e, d, kW, kH, ds, s, kw, kh, ss, x, y, o, f); },
         [&, o](Px old, uint32_t sc, uint32_t sr, uint32_t f) {
           for (int k = 0; k < 3; ++k) {
             const uint8_t s = s24(sc, sr, f & 1 ? 2 - k : k);
             old[k] = o == 1.0 ? s : Trunc(s * o + old[k] * (1 - o));
           }
           return old;  // alpha untouched
         }});
  }
  for (uint32_t bpp : {3u, 4u})
    for (double o : {1.0, 0.0, 0.42, 2.0, -1.0, std::nan("")}) {
      family.push_back(
          {"8BitWithOpacity " + std::to_string(bpp) + " " + std::to_string(o),
           bpp * 8,
           8,
           {0, 1, 2, 4, 7},
           [&, o, bpp](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss, int32_t x,
                       int32_t y, uint32_t f) {
             return PlaceImage8BitWithOpacity(e, d, kW, kH, ds, s, kw, kh, ss, x, y, wide, bpp, o, 5, f);
           },
           [&, o](Px old, uint32_t sc, uint32_t sr, uint32_t f) {
             const uint8_t i = s8(sc, sr);
             if ((f & 4) && i == 5) return old;
             const double op = o > 0 ? std::min(o, 1.0) : 0.0;  // NaN counts as 0
             const RGBQUAD& p = wide[i];
             const uint8_t c[3] = {f & 2 ? p.rgbBlue : p.rgbRed, p.rgbGreen, f & 2 ? p.rgbRed : p.rgbBlue};
             for (int k = 0; k < 3; ++k)
               old[k] = f & 1 ? static_cast<uint8_t>(static_cast<int>(c[k] * op) +
                                                     static_cast<int>(old[k] * (1 - op)))
                              : static_cast<uint8_t>(c[k] * op + old[k] * (1 - op));
             return old;
           }});
    }
  for (const RGBQUAD* from : {static_cast<const RGBQUAD*>(nullptr), static_cast<const RGBQUAD*>(other)})
    for (double o : {1.0, 0.0, 0.6, 3.0, std::nan("")}) {
      family.push_back({std::string("8BitOnPaletted ") + (from ? "own" : "shared") + " " + std::to_string(o),
                        8,
                        8,
                        {0, 1},
                        [&, o, from](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss,
                                     int32_t x, int32_t y, uint32_t f) {
                          return PlaceImage8BitOnPaletted(e, d, kW, kH, ds, s, kw, kh, ss, x, y, pal, 200,
                                                          from, o, 9, f);
                        },
                        [&, o, from](Px old, uint32_t sc, uint32_t sr, uint32_t f) {
                          const uint8_t i = s8(sc, sr);
                          if ((f & 1) && i == 9) return old;
                          const double op = o > 0 ? std::min(o, 1.0) : 0.0;
                          const RGBQUAD s = from ? from[i] : i < 200 ? pal[i] : RGBQUAD{};
                          const RGBQUAD d = old[0] < 200 ? pal[old[0]] : RGBQUAD{};
                          auto mix = [&](int a, int b) {
                            return static_cast<int>(a * op) + static_cast<int>(b * (1 - op));
                          };
                          old[0] = Nearest(pal, 200, mix(s.rgbRed, d.rgbRed), mix(s.rgbGreen, d.rgbGreen),
                                           mix(s.rgbBlue, d.rgbBlue));
                          return old;
                        }});
    }
  family.push_back(
      {"8BitOnPalettedByAlpha",
       8,
       8,
       {0},
       [&](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss, int32_t x, int32_t y,
           uint32_t f) {
         return PlaceImage8BitOnPalettedByAlpha(e, d, kW, kH, ds, s, kw, kh, ss, x, y, pal, 200, f);
       },
       [&](Px old, uint32_t sc, uint32_t sr, uint32_t) {
         const uint8_t i = s8(sc, sr);
         const RGBQUAD s = i < 200 ? pal[i] : RGBQUAD{}, d = old[0] < 200 ? pal[old[0]] : RGBQUAD{};
         const unsigned a = s.rgbReserved;
         old[0] = Nearest(pal, 200, TB(d.rgbRed, s.rgbRed, a), TB(d.rgbGreen, s.rgbGreen, a),
                          TB(d.rgbBlue, s.rgbBlue, a));
         return old;
       }});
  for (uint32_t bpp : {3u, 4u})
    family.push_back(
        {"1BitOnRGB " + std::to_string(bpp),
         bpp * 8,
         1,
         {0, 1, 2, 4, 8, 16, 31, 5 | 16, 2 | 8},
         [&, bpp](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss, int32_t x, int32_t y,
                  uint32_t f) {
           return PlaceImage1BitOnRGB(e, d, kW, kH, ds, s, kw, kh, ss, x, y, two, bpp, f);
         },
         [&, bpp](Px old, uint32_t sc, uint32_t sr, uint32_t f) {
           const int bit = s1(sc, sr);
           if (!bit && (f & 4)) return old;
           const RGBQUAD& p = two[bit];
           const uint8_t c[3] = {f & 2 ? p.rgbBlue : p.rgbRed, p.rgbGreen, f & 2 ? p.rgbRed : p.rgbBlue};
           for (int k = 0; k < 3; ++k) old[k] = f & 1 ? TB(old[k], c[k], p.rgbReserved) : c[k];
           if (bpp == 4 && !(f & 8)) old[3] = f & 16 ? p.rgbReserved : 255;
           return old;
         }});
  // Keys: one colour the source holds exactly, matched with and without a
  // tolerance, given in either byte order.
  const uint32_t held = src24[0] | src24[1] << 8 | src24[2] << 16;
  const uint32_t heldReversed = src24[2] | src24[1] << 8 | src24[0] << 16;
  struct Key {
    uint32_t key, tolerance;
    bool reversed;
  };
  for (uint32_t bpp : {3u, 4u})
    for (double o : {1.0, 0.0, 0.45, 1.5})
      for (Key k : {Key{held | 0xFF000000u, 0, false}, Key{heldReversed, 0, true}, Key{held, 3000, false},
                    Key{0x808080, 30000, false}}) {
        family.push_back({"RGBOnRGBKeyed " + std::to_string(bpp) + " " + std::to_string(o) + " " +
                              std::to_string(k.key) + "/" + std::to_string(k.tolerance),
                          bpp * 8, 24, k.reversed ? std::vector<uint32_t>{2, 3} : std::vector<uint32_t>{0, 1},
                          [&, o, k, bpp](uint32_t* e, uint8_t* d, uint32_t ds, const uint8_t* s, uint32_t ss,
                                         int32_t x, int32_t y, uint32_t f) {
                            return PlaceRGBOnRGBKeyed(e, d, kW, kH, ds, s, kw, kh, ss, x, y, bpp, o, k.key,
                                                      k.tolerance, f);
                          },
                          [&, o, k](Px old, uint32_t sc, uint32_t sr, uint32_t f) {
                            const int s[3] = {s24(sc, sr, 0), s24(sc, sr, 1), s24(sc, sr, 2)};
                            uint32_t key = k.key & 0xFFFFFF;  // a 3-byte pixel has no alpha to match
                            if (f & 2) key = (key & 0xFF00) | (key & 0xFF) << 16 | key >> 16;
                            int dist = 0;
                            for (int i = 0; i < 3; ++i) {
                              const int dk = s[i] - static_cast<int>((key >> (8 * i)) & 255);
                              dist += dk * dk;
                            }
                            if (dist == 0 || (k.tolerance && static_cast<uint32_t>(dist) <= k.tolerance))
                              return old;
                            for (int i = 0; i < 3; ++i)
                              old[i] = Trunc(s[f & 1 ? 2 - i : i] * o + old[i] * (1 - o));
                            return old;
                          }});
      }

  for (const Member& m : family) {
    SCOPED_TRACE(m.name);
    const uint32_t ds = StrideOf(kW, m.dstBits), ss = StrideOf(kw, m.srcBits);
    const Bytes& src = m.srcBits == 1 ? src1 : m.srcBits == 8 ? src8 : src24;
    for (uint32_t flags : m.flagSets)
      // Every edge: cut on the left, right, top and bottom, inside, and wholly outside.
      for (int32_t x : {-10, -9, -8, -3, 0, 4, 12, 13, 21, 25})
        for (int32_t y : {-6, -5, -2, 0, 3, 5, 9}) {
          Bytes dst = Random(ds * kH, static_cast<unsigned>(x * 31 + y + 200)), before = dst;
          uint32_t err = 9;
          ASSERT_TRUE(m.place(&err, dst.data(), ds, src.data(), ss, x, y, flags)) << flags;
          ASSERT_EQ(err, 0u);
          Bytes want = before;
          for (uint32_t r = 0; r < kH; ++r)
            for (uint32_t c = 0; c < kW; ++c) {
              const int64_t sc = int64_t{c} - x, sr = int64_t{r} - y;
              if (sc < 0 || sc >= kw || sr < 0 || sr >= kh) continue;
              const Px p = m.model(GetPx(before, ds, m.dstBits, c, r), static_cast<uint32_t>(sc),
                                   static_cast<uint32_t>(sr), flags);
              if (m.dstBits == 1) {
                uint8_t& b = want[r * ds + c / 8];
                b = static_cast<uint8_t>((b & ~(0x80 >> c % 8)) | p[0] << (7 - c % 8));
              } else {
                std::copy(p.begin(), p.begin() + m.dstBits / 8, want.begin() + r * ds + c * (m.dstBits / 8));
              }
            }
          ASSERT_EQ(dst, want) << "flags " << flags << " at " << x << "," << y;
        }

    // Refusals shared by the whole family: null and shared buffers.
    Bytes dst = Random(ds * kH, 1), before = dst;
    uint32_t err = 0;
    for (int which = 0; which < 3; ++which) {
      err = 0;
      const bool ok = which == 0   ? m.place(&err, nullptr, ds, src.data(), ss, 0, 0, 0)
                      : which == 1 ? m.place(&err, dst.data(), ds, nullptr, ss, 0, 0, 0)
                                   : m.place(&err, dst.data(), ds, dst.data(), ss, 0, 0, 0);
      EXPECT_FALSE(ok) << which;
      EXPECT_EQ(err, kPicErrBadArgument) << which;
      EXPECT_EQ(dst, before) << which;
    }
    // The callback says stop after the second covered row (destination rows
    // 1 and 2); the rows above and below keep their pixels.
    SetProgressCallback(StopAfterFirstRow, 0);
    err = 0;
    EXPECT_FALSE(m.place(&err, dst.data(), ds, src.data(), ss, 0, 1, m.flagSets.back()));
    SetProgressCallback(nullptr, 0);
    EXPECT_EQ(err, kPicErrCancelled);
    EXPECT_TRUE(std::equal(dst.begin(), dst.begin() + ds, before.begin()));             // above
    EXPECT_TRUE(std::equal(dst.begin() + 3 * ds, dst.end(), before.begin() + 3 * ds));  // below
  }
}

// Cases worked out by hand from the rules, one row each: what the pixels
// become.
TEST(Placement, FamilyHandWorkedCases) {
  const RGBQUAD greys[4] = {{0, 0, 0, 255}, {255, 255, 255, 0}, {255, 255, 255, 128}, {128, 128, 128, 0}};
  const RGBQUAD two[2] = {{10, 20, 30, 0}, {200, 150, 250, 255}};
  const RGBQUAD one[2] = {{1, 1, 1, 0}, {7, 7, 7, 0}};
  RGBQUAD whiteLast[256] = {};  // black but the last
  whiteLast[255] = {255, 255, 255, 0};
  struct Case {
    const char* what;
    Bytes dst;
    std::function<bool(uint32_t*, uint8_t*)> place;
    Bytes want;
  };
  const Bytes zeros(4, 0x00), ones(4, 0xFF);
  const Bytes rgb = {250, 3, 0, 255, 0, 0, 0, 0, 255};  // three source pixels
  const Case cases[] = {
      {"1 bit, unaligned: the ninth source bit, one bit into its byte",
       {0x00, 0x00},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t src[2] = {0x00, 0x80};
         return PlaceImage1Bit(e, d, 16, 1, 2, src, 9, 1, 2, 3, 0, 0);
       },
       {0x00, 0x10}},
      {"1 bit, byte-aligned at x = 56",
       Bytes(9, 0),
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t src[2] = {0xFF, 0x0F};
         return PlaceImage1Bit(e, d, 72, 1, 9, src, 16, 1, 2, 56, 0, 0);
       },
       {0, 0, 0, 0, 0, 0, 0, 0xFF, 0x0F}},
      {"1 bit, byte-aligned, 7 and 15 bits wide: the bit past each source keeps its value",
       {0xFF, 0xFF, 0xFF, 0xFF},
       [&](uint32_t* e, uint8_t* d) {
         return PlaceImage1Bit(e, d, 8, 1, 1, zeros.data(), 7, 1, 1, 0, 0, 0) &&
                PlaceImage1Bit(e, d + 1, 24, 1, 3, zeros.data(), 15, 1, 2, 8, 0, 0);
       },
       {0x01, 0xFF, 0x00, 0x01}},
      {"masked copy: mask 0xF0 takes four zero bits",
       {0xFF},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t m[1] = {0xF0};
         return PlaceImage1BitMasked(e, d, 8, 1, 1, zeros.data(), 8, 1, 1, 0, 0, m, 1, 0);
       },
       {0x0F}},
      {"masked AND at x = 3 across two bytes",
       {0xFF, 0xFF},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t m[1] = {0x0F};
         return PlaceImage1BitMasked(e, d, 16, 1, 2, zeros.data(), 8, 1, 1, 3, 0, m, 1, 1);
       },
       {0xFE, 0x1F}},
      {"masked OR",
       {0x00},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t m[1] = {0x3C};
         return PlaceImage1BitMasked(e, d, 8, 1, 1, ones.data(), 8, 1, 1, 0, 0, m, 1, 3);
       },
       {0x3C}},
      {"masked bottom-up: source row 1 with mask row 1 lands on row 0",
       {0x00, 0x00},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[2] = {0x0F, 0xF0}, m[2] = {0x00, 0xFF};
         return PlaceImage1BitMasked(e, d, 8, 2, 1, s, 8, 2, 1, 0, 0, m, 1, 8);
       },
       {0xF0, 0x00}},
      {"1 bit onto paletted: white at 255, 128 and 0 over black",
       {0, 0, 0},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[1] = {0xA0};  // 1, 0, 1
         if (!PlaceImage1BitOnPaletted(e, d, 1, 1, 1, s, 1, 1, 1, 0, 0, greys, 4, 0x00FFFFFF, 0xFFFFFFFF, 0))
           return false;
         return PlaceImage1BitOnPaletted(e, d + 1, 2, 1, 2, s, 3, 1, 1, 0, 0, greys, 4, 0x00FFFFFF,
                                         0x80FFFFFF, 0);
       },
       {1, 3, 0}},
      {"RGB onto RGBA at 0.5: one truncation, alpha kept",
       {0, 2, 100, 77, 9, 9, 9, 9},
       [&](uint32_t* e, uint8_t* d) {
         return PlaceRGBOnRGBA(e, d, 2, 1, 8, rgb.data() + 3, 2, 1, 6, 0, 0, 0.5, 0);
       },
       {127, 1, 50, 77, 4, 4, 132, 9}},
      {"RGB onto RGBA at exactly 1, bytes exchanged",
       {0, 2, 100, 77},
       [&](uint32_t* e, uint8_t* d) {
         return PlaceRGBOnRGBA(e, d, 1, 1, 4, rgb.data(), 1, 1, 3, 0, 0, 1.0, 1);
       },
       {0, 3, 250, 77}},
      {"8 bits at 0.5: one truncation of 0.5 + 0.5, then each truncated",
       {1, 1, 1, 1, 1, 1, 66},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[1] = {0};
         return PlaceImage8BitWithOpacity(e, d, 1, 1, 3, s, 1, 1, 1, 0, 0, one, 3, 0.5, 256, 0) &&
                PlaceImage8BitWithOpacity(e, d + 3, 1, 1, 4, s, 1, 1, 1, 0, 0, one, 4, 0.5, 256, 1);
       },
       {1, 1, 1, 0, 0, 0, 66}},
      {"8 bits at 1.5 (limited to 1) and a skipped transparent index, B, G, R",
       {0, 0, 0, 5, 5, 5},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[2] = {1, 0};
         return PlaceImage8BitWithOpacity(e, d, 2, 1, 6, s, 2, 1, 2, 0, 0, two, 3, 1.5, 0, 4 | 2);
       },
       {200, 150, 250, 5, 5, 5}},
      {"8 bits onto paletted: white over black at 0.5 is 127, nearest 128",
       {0, 0, 0},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[3] = {1, 9, 0};
         return PlaceImage8BitOnPaletted(e, d, 3, 1, 3, s, 3, 1, 3, 0, 0, greys, 4, nullptr, 0.5, 9, 1);
       },
       {3, 0, 0}},
      {"8 bits onto paletted with the source's own palette at 0",
       {1, 2},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[2] = {0, 1};
         return PlaceImage8BitOnPaletted(e, d, 2, 1, 2, s, 2, 1, 2, 0, 0, greys, 4, two, 0.0, 0, 0);
       },
       {1, 1}},  // white again: index 2 has the same colour as 1, the lower wins
      {"8 bits onto a full 256-entry palette: its last entry is read and matched",
       {0, 255},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[2] = {255, 0};
         return PlaceImage8BitOnPaletted(e, d, 2, 1, 2, s, 2, 1, 2, 0, 0, whiteLast, 256, nullptr, 1.0, 0, 0);
       },
       {255, 0}},
      {"by alpha: alpha 0 keeps black, 128 gives grey, 255 gives black",
       {0, 0, 1},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[3] = {1, 2, 0};
         return PlaceImage8BitOnPalettedByAlpha(e, d, 3, 1, 3, s, 3, 1, 3, 0, 0, greys, 4, 0);
       },
       {0, 3, 0}},
      {"1 bit onto RGBA: set bit writes entry 1, clear bit entry 0, alpha 255",
       {1, 2, 3, 4, 5, 6, 7, 8},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[1] = {0x80};
         return PlaceImage1BitOnRGB(e, d, 2, 1, 8, s, 2, 1, 1, 0, 0, two, 4, 0);
       },
       {250, 150, 200, 255, 30, 20, 10, 255}},
      {"1 bit onto RGBA blended at the entries' alpha, alpha from the entry, clear bits skipped",
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9},
       [&](uint32_t* e, uint8_t* d) {
         const uint8_t s[1] = {0x40};  // 0, 1, 0
         return PlaceImage1BitOnRGB(e, d, 2, 1, 8, s, 2, 1, 1, 0, 0, two, 4, 1 | 16) &&
                PlaceImage1BitOnRGB(e, d + 8, 1, 1, 4, s, 1, 1, 1, 0, 0, two, 4, 4);
       },
       {1, 2, 3, 0, 250, 150, 200, 255, 9, 9, 9, 9}},
      {"keyed: red skipped exactly; (250, 3, 0) is 34 away",
       {9, 9, 9, 9, 9, 9, 9, 9, 9},
       [&](uint32_t* e, uint8_t* d) {
         return PlaceRGBOnRGBKeyed(e, d, 3, 1, 9, rgb.data(), 3, 1, 9, 0, 0, 3, 1.0, 0xFF, 33, 0);
       },
       {250, 3, 0, 9, 9, 9, 0, 0, 255}},
      {"keyed within 34, key given B, G, R, source reversed, alpha kept",
       {9, 9, 9, 7, 9, 9, 9, 7, 9, 9, 9, 7},
       [&](uint32_t* e, uint8_t* d) {
         return PlaceRGBOnRGBKeyed(e, d, 3, 1, 12, rgb.data(), 3, 1, 9, 0, 0, 4, 1.0, 0xFF0000, 34, 2 | 1);
       },
       {9, 9, 9, 7, 9, 9, 9, 7, 255, 0, 0, 7}},
      {"keyed at 0.25: trunc(0.25 s + 0.75 d)",
       {100, 100, 100},
       [&](uint32_t* e, uint8_t* d) {
         return PlaceRGBOnRGBKeyed(e, d, 1, 1, 3, rgb.data() + 6, 1, 1, 3, 0, 0, 3, 0.25, 0x123456, 0, 0);
       },
       {75, 75, 138}},
  };
  for (const Case& c : cases) {
    Bytes dst = c.dst;
    uint32_t err = 9;
    EXPECT_TRUE(c.place(&err, dst.data())) << c.what;
    EXPECT_EQ(err, 0u) << c.what;
    EXPECT_EQ(dst, c.want) << c.what;
  }
}

// Arguments only some members take: palettes, masks, pixel sizes.
TEST(Placement, FamilyRefusesMissingPalettesMasksAndOddPixelSizes) {
  Bytes d(64, 1), s(64, 2);
  const RGBQUAD pal[256] = {};
  const std::pair<const char*, std::function<bool(uint32_t*)>> cases[] = {
      {"mask null",
       [&](uint32_t* e) {
         return PlaceImage1BitMasked(e, d.data(), 8, 8, 1, s.data(), 8, 8, 1, 0, 0, nullptr, 1, 0);
       }},
      {"mask is the destination",
       [&](uint32_t* e) {
         return PlaceImage1BitMasked(e, d.data(), 8, 8, 1, s.data(), 8, 8, 1, 0, 0, d.data(), 1, 0);
       }},
      {"1 bit onto paletted, no palette",
       [&](uint32_t* e) {
         return PlaceImage1BitOnPaletted(e, d.data(), 8, 8, 8, s.data(), 8, 8, 1, 0, 0, nullptr, 2, 0, 0, 0);
       }},
      {"8 bits with opacity, no palette",
       [&](uint32_t* e) {
         return PlaceImage8BitWithOpacity(e, d.data(), 2, 2, 8, s.data(), 2, 2, 2, 0, 0, nullptr, 4, 1, 0, 0);
       }},
      {"8 bits with opacity, 2 bytes a pixel",
       [&](uint32_t* e) {
         return PlaceImage8BitWithOpacity(e, d.data(), 2, 2, 8, s.data(), 2, 2, 2, 0, 0, pal, 2, 1, 0, 0);
       }},
      {"8 bits with opacity, 5 bytes a pixel",
       [&](uint32_t* e) {
         return PlaceImage8BitWithOpacity(e, d.data(), 2, 2, 8, s.data(), 2, 2, 2, 0, 0, pal, 5, 1, 0, 0);
       }},
      {"8 bits onto paletted, no palette",
       [&](uint32_t* e) {
         return PlaceImage8BitOnPaletted(e, d.data(), 2, 2, 2, s.data(), 2, 2, 2, 0, 0, nullptr, 2, pal, 1, 0,
                                         0);
       }},
      {"by alpha, no palette",
       [&](uint32_t* e) {
         return PlaceImage8BitOnPalettedByAlpha(e, d.data(), 2, 2, 2, s.data(), 2, 2, 2, 0, 0, nullptr, 2, 0);
       }},
      {"1 bit onto RGB, no palette",
       [&](uint32_t* e) {
         return PlaceImage1BitOnRGB(e, d.data(), 2, 2, 8, s.data(), 2, 2, 1, 0, 0, nullptr, 4, 0);
       }},
      {"1 bit onto RGB, 1 byte a pixel",
       [&](uint32_t* e) {
         return PlaceImage1BitOnRGB(e, d.data(), 2, 2, 8, s.data(), 2, 2, 1, 0, 0, pal, 1, 0);
       }},
      {"keyed, 2 bytes a pixel",
       [&](uint32_t* e) {
         return PlaceRGBOnRGBKeyed(e, d.data(), 2, 2, 8, s.data(), 2, 2, 6, 0, 0, 2, 1, 0, 0, 0);
       }},
  };
  for (const auto& [what, place] : cases) {
    uint32_t err = 0;
    EXPECT_FALSE(place(&err)) << what;
    EXPECT_EQ(err, kPicErrBadArgument) << what;
    EXPECT_EQ(d, Bytes(64, 1)) << what;
  }
}
