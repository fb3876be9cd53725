#include "core/fill_rect.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/thread_context.h"
#include "core/pictura_core.h"

using namespace Pictura;

namespace {

int progressCalls = 0;
BOOL PICAPI CountProgress(DWORD, DWORD, PIC_USERDATA) {
  ++progressCalls;
  return TRUE;
}
BOOL PICAPI StopAtSecond(DWORD done, DWORD, PIC_USERDATA) {
  return done < 2;
}

struct ProgressGuard {
  explicit ProgressGuard(ProgressCallback cb) {
    progressCalls = 0;
    pic_SetCallback(cb, 0);
  }
  ~ProgressGuard() { pic_SetCallback(nullptr, 0); }
};

}  // namespace

TEST(FillRectRGB, ChannelOrderAndUniformPaths) {
  uint32_t err = 0;
  std::vector<uint8_t> img(4 * 3 * 3, 0x11);
  ASSERT_TRUE(FillRectRGB(&err, img.data(), 4, 3, 12, 1, 1, 2, 1, 0x00FF0000, 3, 0));
  EXPECT_EQ(img[12 + 3], 0x00);
  EXPECT_EQ(img[12 + 4], 0x00);
  EXPECT_EQ(img[12 + 5], 0xFF);
  EXPECT_EQ(img[12 + 9], 0x11);  // right of the rectangle
  EXPECT_EQ(img[12 + 2], 0x11);  // left of it
  ASSERT_TRUE(FillRectRGB(&err, img.data(), 4, 3, 12, 1, 1, 1, 1, 0x00FF0000, 3, 1));
  EXPECT_EQ(img[12 + 3], 0xFF);
  EXPECT_EQ(img[12 + 5], 0x00);

  {
    // A grey over the whole gap-free image is one store: no progress.
    ProgressGuard guard(CountProgress);
    ASSERT_TRUE(FillRectRGB(&err, img.data(), 4, 3, 12, 0, 0, 4, 3, 0x00808080, 3, 0));
    EXPECT_EQ(progressCalls, 0);
    EXPECT_EQ(img, std::vector<uint8_t>(36, 0x80));
    // With padding it goes row by row.
    std::vector<uint8_t> padded(16 * 3, 0x11);
    ASSERT_TRUE(FillRectRGB(&err, padded.data(), 4, 3, 16, 0, 0, 4, 3, 0x00808080, 3, 0));
    EXPECT_EQ(progressCalls, 3);
    EXPECT_EQ(padded[12], 0x11);
    EXPECT_EQ(padded[16], 0x80);
  }

  std::vector<uint8_t> rgba(2 * 2 * 4, 0);
  ASSERT_TRUE(FillRectRGB(&err, rgba.data(), 2, 2, 8, 0, 0, 2, 2, 0x80332211, 4, 0));
  EXPECT_EQ(rgba[4], 0x11);
  EXPECT_EQ(rgba[7], 0x80);
  EXPECT_EQ(rgba[15], 0x80);
}

TEST(FillRect, ClippingAndBadArguments) {
  uint32_t err = 0;
  std::vector<uint8_t> img(6 * 4, 0);
  // Starting at the right edge draws nothing and succeeds.
  EXPECT_TRUE(FillRect8Bit(&err, img.data(), 6, 4, 6, 6, 0, 5, 5, 9));
  EXPECT_TRUE(FillRect8Bit(&err, img.data(), 6, 4, 6, 0, 4, 5, 5, 9));
  EXPECT_TRUE(FillRect8Bit(&err, img.data(), 6, 4, 6, 0, 0, 0, 5, 9));
  EXPECT_EQ(img, std::vector<uint8_t>(24, 0));
  // A huge rectangle is cut at the image, without wrapping.
  EXPECT_TRUE(FillRect8Bit(&err, img.data(), 6, 4, 6, 4, 2, 0xFFFFFFFF, 0xFFFFFFFF, 9));
  EXPECT_EQ(img[2 * 6 + 4], 9);
  EXPECT_EQ(img[3 * 6 + 5], 9);
  EXPECT_EQ(img[1 * 6 + 5], 0);
  EXPECT_EQ(img[2 * 6 + 3], 0);
  EXPECT_EQ(err, 0u);

  EXPECT_FALSE(FillRectRGB(&err, nullptr, 2, 2, 6, 0, 0, 1, 1, 0, 3, 0));
  EXPECT_EQ(err, 5u);
  err = 0;
  EXPECT_FALSE(FillRectRGB(&err, img.data(), 2, 2, 8, 0, 0, 1, 1, 0, 2, 0));
  EXPECT_EQ(err, 5u);
  err = 0;
  EXPECT_FALSE(FillRect8Bit(&err, img.data(), 6, 4, 3, 0, 0, 6, 1, 1));  // stride shorter than a row
  EXPECT_EQ(err, 5u);
}

TEST(FillRect1Bit, PartialBytesAndWholeBytes) {
  uint32_t err = 0;
  std::vector<uint8_t> img(3 * 2, 0);
  ASSERT_TRUE(FillRect1Bit(&err, img.data(), 24, 2, 3, 3, 1, 18, 1, 1));
  EXPECT_EQ(img[3], 0x1F);
  EXPECT_EQ(img[4], 0xFF);
  EXPECT_EQ(img[5], 0xF8);
  EXPECT_EQ(img[0], 0);
  ASSERT_TRUE(FillRect1Bit(&err, img.data(), 24, 2, 3, 4, 0, 2, 2, 0));
  EXPECT_EQ(img[3], 0x13);
  ASSERT_TRUE(FillRow1Bit(img.data(), 3, 0, 5, 6, 1));
  EXPECT_EQ(img[0], 0x04);
  EXPECT_TRUE(FillRow1Bit(img.data(), 3, 0, 6, 5, 1));  // empty span
  EXPECT_EQ(img[0], 0x04);
  EXPECT_FALSE(FillRow1Bit(nullptr, 3, 0, 0, 8, 1));
}

TEST(FillRect16bpc, ChannelsAndSwap) {
  uint32_t err = 0;
  const uint16_t colour[4] = {100, 200, 300, 400};
  std::vector<uint16_t> grey(3 * 2, 0);
  ASSERT_TRUE(FillRect16bpc(&err, grey.data(), 3, 2, 3, 0, 0, 3, 2, colour, 1, 0));
  EXPECT_EQ(grey[5], 100);
  ASSERT_TRUE(FillRect16bpc(&err, grey.data(), 3, 2, 3, 0, 0, 3, 2, colour, 1, 1));
  EXPECT_EQ(grey[5], 300);
  std::vector<uint16_t> rgba(2 * 4, 0);
  ASSERT_TRUE(FillRect16bpc(&err, rgba.data(), 2, 1, 8, 1, 0, 1, 1, colour, 4, 1));
  EXPECT_EQ(rgba[4], 300);
  EXPECT_EQ(rgba[6], 100);
  EXPECT_EQ(rgba[7], 400);
  EXPECT_EQ(rgba[0], 0);
  EXPECT_FALSE(FillRect16bpc(&err, rgba.data(), 2, 1, 8, 0, 0, 1, 1, colour, 2, 0));
  EXPECT_EQ(err, 5u);
  err = 0;
  EXPECT_FALSE(FillRect16bpc(&err, rgba.data(), 2, 1, 8, 0, 0, 1, 1, nullptr, 3, 0));
  EXPECT_EQ(err, 5u);
}

TEST(FillRect, ProgressStopsKeepRowsDrawn) {
  uint32_t err = 0;
  std::vector<uint8_t> img(4 * 4, 0);
  ProgressGuard guard(StopAtSecond);
  EXPECT_FALSE(FillRect8Bit(&err, img.data(), 4, 4, 4, 0, 0, 4, 4, 7));
  EXPECT_EQ(err, 14u);
  EXPECT_EQ(img[4], 7);  // rows 0 and 1 drawn
  EXPECT_EQ(img[8], 0);  // row 2 not
  // Nested inside another operation nobody is asked.
  err = 0;
  PicNestingEnter();
  EXPECT_TRUE(FillRect8Bit(&err, img.data(), 4, 4, 4, 0, 0, 4, 4, 7));
  PicNestingExit();
}
