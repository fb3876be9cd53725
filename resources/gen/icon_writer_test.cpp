#include "icon_writer.h"

#include <gtest/gtest.h>

#include "art_set.h"
#include "test_util.h"

namespace art {
namespace {

using test::Decode;
using test::U16At;
using test::U32At;

Canvas Picture(int s) {
  Canvas c(s, s);
  c.FillCircle(s / 2.0, s / 2.0, s / 2.0 - 1, Rgb(0x3C86E0));
  c.FillRect(s / 4, s / 4, s / 4, s / 4, Rgb(0xFFD95A));
  c.Set(0, 0, Rgb(0xE04A3C));
  c.Set(s - 1, 0, {10, 20, 30, 100});  // half transparent
  return c;
}

struct DirEntry {
  int width, height, planes, bits;
  uint32_t size, offset;
};

std::vector<DirEntry> Directory(const Bytes& ico, int wantType) {
  EXPECT_EQ(U16At(ico, 0), 0);
  EXPECT_EQ(U16At(ico, 2), wantType);
  std::vector<DirEntry> out;
  for (int i = 0; i < U16At(ico, 4); ++i) {
    const size_t e = 6 + 16 * size_t(i);
    out.push_back({ico[e] ? ico[e] : 256, ico[e + 1] ? ico[e + 1] : 256, U16At(ico, e + 4), U16At(ico, e + 6),
                   U32At(ico, e + 8), U32At(ico, e + 12)});
    EXPECT_LE(out.back().offset + out.back().size, ico.size());
  }
  return out;
}

// The AND mask bit of pixel (x, y) of one entry, read straight from the file.
bool MaskBit(const Bytes& ico, const DirEntry& e, int x, int y) {
  const size_t colourRow = e.bits == 32 ? size_t(e.width) * 4 : (size_t(e.width) + 3) & ~size_t(3);
  const size_t palette = e.bits == 8 ? 1024 : 0;
  const size_t maskRow = (size_t(e.width) + 31) / 32 * 4;
  const size_t at =
      e.offset + 40 + palette + colourRow * e.height + maskRow * size_t(e.height - 1 - y) + x / 8;
  return (ico.at(at) >> (7 - x % 8)) & 1;
}

TEST(IconWriter, EntriesMatchImageMagickAndTheMaskFollowsAlpha) {
  const std::vector<Canvas> sizes = {Picture(16), Picture(32), Picture(48)};
  const Bytes ico = EncodeIcon(sizes);
  const auto dir = Directory(ico, 1);
  ASSERT_EQ(dir.size(), 6u);
  test::ScratchDir tmp;
  WriteFileWhole(tmp.Path() / "x.ico", ico);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dir[i].bits, 32);
    EXPECT_EQ(dir[i].width, sizes[i].Width());
    EXPECT_EQ(dir[i].size, 40 + sizes[i].Width() * sizes[i].Height() * 4 +
                               4 * ((sizes[i].Width() + 31) / 32) * sizes[i].Height());
    EXPECT_EQ(int32_t(U32At(ico, dir[i].offset + 8)), 2 * sizes[i].Height());
    const Canvas back = Decode(tmp.Path() / "x.ico", int(i));
    ASSERT_EQ(back.Width(), sizes[i].Width());
    for (int y = 0; y < back.Height(); ++y)
      for (int x = 0; x < back.Width(); ++x) {
        const Rgba want = sizes[i].Get(x, y);
        if (want.Clear())
          EXPECT_EQ(back.Get(x, y).a, 0);
        else
          EXPECT_EQ(back.Get(x, y), want);
        EXPECT_EQ(MaskBit(ico, dir[i], x, y), want.Clear());
      }
  }
  for (size_t i = 3; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dir[i].bits, 8);
    const size_t pal = dir[i].offset + 40;
    EXPECT_EQ(U32At(ico, pal), 0u);  // index 0 black under the mask
    const Canvas& want = sizes[i - 3];
    EXPECT_TRUE(MaskBit(ico, dir[i], want.Width() - 1, 0));  // alpha 100: masked
    EXPECT_FALSE(MaskBit(ico, dir[i], want.Width() / 2, want.Height() / 2));
    const Canvas back = Decode(tmp.Path() / "x.ico", int(i));
    ASSERT_EQ(back.Width(), want.Width());
    EXPECT_EQ(back.Get(0, 0), want.Get(0, 0));  // few colours: exact
    EXPECT_EQ(back.Get(want.Width() / 4, want.Height() / 4), Rgb(0xFFD95A));
  }
}

TEST(IconWriter, ManyColoursStillMakeAValidIndexedEntry) {
  Canvas c(32, 32);
  for (int i = 0; i < 1024; ++i) c.Set(i % 32, i / 32, Rgb(uint32_t(i) * 0x010103u));
  const Bytes ico = EncodeIcon({c});
  test::ScratchDir tmp;
  WriteFileWhole(tmp.Path() / "x.ico", ico);
  const Canvas back = Decode(tmp.Path() / "x.ico", 1);
  ASSERT_EQ(back.Width(), 32);
  // Nearest colours: each channel close to the original.
  for (int y = 0; y < 32; y += 5)
    for (int x = 0; x < 32; x += 5) EXPECT_NEAR(back.Get(x, y).g, c.Get(x, y).g, 24);
}

TEST(IconWriter, SizeLimitsAndDuplicates) {
  EXPECT_THROW(EncodeIcon({}), std::invalid_argument);
  EXPECT_THROW(EncodeIcon({Picture(16), Picture(16)}), std::invalid_argument);
  EXPECT_THROW(EncodeIcon({Canvas(257, 16)}), std::invalid_argument);
  const Bytes big = EncodeIcon({Picture(256)}, {.withIndexed = false});
  const auto dir = Directory(big, 1);
  ASSERT_EQ(dir.size(), 1u);
  EXPECT_EQ(big[6], 0);  // 256 is written as 0
  EXPECT_EQ(dir[0].width, 256);
}

TEST(IconWriter, CursorCarriesItsHotSpot) {
  const Bytes cur = EncodeCursor(Picture(32), 5, 9);
  const auto dir = Directory(cur, 2);
  ASSERT_EQ(dir.size(), 1u);
  EXPECT_EQ(dir[0].planes, 5);
  EXPECT_EQ(dir[0].bits, 9);
  EXPECT_THROW(EncodeCursor(Picture(32), 32, 0), std::invalid_argument);
  EXPECT_THROW(EncodeCursor(Picture(32), -1, 0), std::invalid_argument);
}

}  // namespace
}  // namespace art
