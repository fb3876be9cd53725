#include "core/metafile_geometry.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Pictura;

TEST(PlaceableHeader, WrittenHeaderParsesBackWithItsChecksum) {
  uint8_t raw[22];
  WritePlaceableHeader(raw, -5, 3, 1440, 720, 1440);
  EXPECT_EQ(raw[0], 0xD7);
  EXPECT_EQ(raw[3], 0x9A);
  uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= static_cast<uint16_t>(raw[2 * i] | raw[2 * i + 1] << 8);
  EXPECT_EQ(raw[20] | raw[21] << 8, sum);
  PlaceableHeader h;
  ASSERT_TRUE(ParsePlaceableHeader(raw, sizeof raw, &h));
  EXPECT_EQ(h.left, -5);
  EXPECT_EQ(h.top, 3);
  EXPECT_EQ(h.right, 1440);
  EXPECT_EQ(h.bottom, 720);
  EXPECT_EQ(h.unitsPerInch, 1440);
  EXPECT_EQ(h.checksum, sum);
  EXPECT_FALSE(ParsePlaceableHeader(raw, 21, &h));
  raw[0] ^= 1;
  EXPECT_FALSE(ParsePlaceableHeader(raw, 22, &h));
}

TEST(PlaceableHeader, BoxOfAFrameFitsSixteenBits) {
  int16_t right = 0, bottom = 0;
  uint16_t upi = 0;
  PlaceableBoxForFrame(25400, 12700, &right, &bottom, &upi);  // 10 by 5 inches
  EXPECT_EQ(upi, 1000);
  EXPECT_EQ(right, 10000);
  EXPECT_EQ(bottom, 5000);
  PlaceableBoxForFrame(2540000, 1270, &right, &bottom, &upi);  // 1000 inches wide
  EXPECT_LT(upi, 1000);
  EXPECT_GT(right, 30000);
  EXPECT_GE(bottom, 0);
}

TEST(PlaceableHeader, ExtentsRefuseZeroUnitsAndEmptyBoxes) {
  PlaceableHeader h;
  h.right = 1440;
  h.bottom = 720;
  h.unitsPerInch = 1440;
  int32_t cx = 0, cy = 0;
  ASSERT_TRUE(PlaceableExtents(h, &cx, &cy));
  EXPECT_EQ(cx, 2540);
  EXPECT_EQ(cy, 1270);
  h.unitsPerInch = 0;
  EXPECT_FALSE(PlaceableExtents(h, &cx, &cy));
  h.unitsPerInch = 1440;
  h.right = 0;
  EXPECT_FALSE(PlaceableExtents(h, &cx, &cy));
  // Extreme box and unit: no overflow.
  h.left = -32768;
  h.right = 32767;
  h.unitsPerInch = 1;
  ASSERT_TRUE(PlaceableExtents(h, &cx, &cy));
  EXPECT_EQ(cx, 65535 * 2540);
}

namespace {
MetafileSizeInput Placeable(int16_t right, int16_t bottom, uint16_t upi) {
  MetafileSizeInput in;
  in.placeable = true;
  in.header.right = right;
  in.header.bottom = bottom;
  in.header.unitsPerInch = upi;
  return in;
}
}  // namespace

TEST(MetafileSize, NaturalSizesFromPlaceableHeadersAndFrames) {
  uint32_t w = 0, h = 0;
  // 1 by 0.5 inch at 96 dpi: 2540 / 2540.1 * 96 truncates to 95.
  EXPECT_EQ(ComputeMetafileSize(Placeable(1440, 720, 1440), &w, &h), 0u);
  EXPECT_EQ(w, 95u);
  EXPECT_EQ(h, 47u);
  EXPECT_EQ(ComputeMetafileSize(Placeable(1440, 720, 0), &w, &h), 27u);
  EXPECT_EQ(w, 0u);
  EXPECT_EQ(ComputeMetafileSize(Placeable(0, 720, 1440), &w, &h), 27u);

  MetafileSizeInput in;
  in.frameRight = 5080;  // 50.8 mm
  in.frameBottom = 2540;
  in.devicePixelsX = 1280;
  in.devicePixelsY = 800;
  in.deviceMillimetresX = 320;  // 4 pixels per mm
  in.deviceMillimetresY = 200;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 0u);
  EXPECT_EQ(w, 203u);
  EXPECT_EQ(h, 101u);
  in.deviceMillimetresX = 0;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 27u);
  in.deviceMillimetresX = 320;
  in.frameRight = in.frameLeft;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 27u);
  in.frameRight = 2147483647;  // far too large to draw
  in.frameBottom = 2147483647;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 1u);
}

TEST(MetafileSize, ExactSizesAndPercentages) {
  uint32_t w = 0, h = 0;
  MetafileSizeInput in = Placeable(1440, 720, 1440);
  in.flags = kMetafileExactSize;
  in.givenWidth = 160;
  in.givenHeight = 128;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 0u);
  EXPECT_EQ(w, 160u);
  EXPECT_EQ(h, 128u);
  in.givenWidth = 0;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 5u);

  // Percentages scale as size x given / 100: 250 is two and a half times.
  in = Placeable(2880, 1440, 1440);  // 191 by 95
  in.flags = kMetafilePercent;
  in.givenWidth = in.givenHeight = 250;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 0u);
  EXPECT_EQ(w, 477u);
  EXPECT_EQ(h, 237u);
  in.givenWidth = in.givenHeight = 50;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 0u);
  EXPECT_EQ(w, 95u);
  EXPECT_EQ(h, 47u);
  in.givenWidth = 0;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 5u);
  in.givenWidth = in.givenHeight = 0xFFFFFFFF;
  EXPECT_EQ(ComputeMetafileSize(in, &w, &h), 1u);
}
