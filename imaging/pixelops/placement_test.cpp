#include "pixelops/placement.h"

#include <gtest/gtest.h>

#include <random>
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
