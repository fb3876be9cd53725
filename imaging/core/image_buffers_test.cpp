#include "core/image_buffers.h"

#include <gtest/gtest.h>

using namespace Pictura;

TEST(ImageBuffers, OwnedBufferHoldsHeightTimesStride) {
  CPicImgBuf<uint16_t> buf(3, 4, 2, 8);
  ASSERT_NE(buf.Pixels(), nullptr);
  buf.Pixels()[4 * 8 - 1] = 7;  // the last sample is inside the block
  EXPECT_EQ(buf.ConstPixels()[31], 7);
  EXPECT_EQ(buf.Release(), 0u);
  EXPECT_EQ(buf.Pixels(), nullptr);
  EXPECT_EQ(buf.width, 0u);
  EXPECT_EQ(buf.height, 0u);
  EXPECT_EQ(buf.channels, 0u);
  EXPECT_EQ(buf.stride, 0u);
}

TEST(ImageBuffers, HostileSizesGiveNoPixelsInsteadOfAWrappedBlock) {
  CPicImgBuf<uint8_t> wraps(1, 0x10000, 1, 0x10000);  // 2^32 samples: 0 in 32 bits
  EXPECT_EQ(wraps.Pixels(), nullptr);
  CPicImgBuf<double> big(1, 20000, 1, 20000);  // 3.2 GB
  EXPECT_EQ(big.Pixels(), nullptr);
  CPicImgBuf<uint8_t> empty(0, 0, 3, 0);
  EXPECT_EQ(empty.Pixels(), nullptr);
}

TEST(ImageBuffers, ViewsHandBackTheCallersPointer) {
  uint8_t pixels[12] = {};
  CPicImgBufExtern<uint8_t> view(pixels, 2, 2, 3, 6);
  EXPECT_EQ(view.Pixels(), pixels);
  const uint8_t* constPixels = pixels;
  CPicImgBufExternConst<uint8_t> ro(constPixels, 2, 2, 3, 6);
  EXPECT_EQ(ro.ConstPixels(), pixels);
  CPicImgBufBase<uint8_t>& base = view;
  EXPECT_EQ(base.ConstPixels(), pixels);
}
