// JPEG codec cores: round trips at every depth, the reader's modes and flags,
// markers, comments, truncated and hostile files.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include "codecs/codec_test_support.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "core/operation.h"

using namespace Pictura;
using pictest::Bytes;
using pictest::MemoryIO;

namespace {

Bytes Encode(const Bytes& image, uint32_t w, uint32_t h, uint32_t depth, uint32_t quality = 95,
             uint32_t flags = 0, uint32_t* err = nullptr, const PicResolutionInfo* res = nullptr) {
  JPGWriteCodecContext ctx;
  SetJPGWriteResolution(&ctx, res);
  MemoryIO out;
  uint32_t size = WriteJPGImage(&ctx.error, ctx, &out, image.data(), w, h, w * depth / 8, quality, depth, flags);
  if (err) *err = ctx.error;
  EXPECT_EQ(size, out.data.size());
  return out.data;
}

struct Decoded {
  Bytes pixels;
  uint32_t width = 0, height = 0, error = 0;
};

Decoded Decode(const Bytes& file, uint32_t depth, uint32_t flags = 0) {
  JPGCodecContext ctx;
  MemoryIO in(file);
  Decoded d;
  void* block = ReadJPGImage(&ctx.error, &in, &d.width, &d.height, depth, flags);
  d.error = ctx.error;
  if (block) {
    d.pixels.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + GlobalSize(block));
    GlobalFree(block);
  }
  return d;
}

class JpegCodec : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(GetImgThreadContext(), nullptr); }
};

}  // namespace

TEST_F(JpegCodec, RoundTripsAtEveryDepth) {
  for (uint32_t depth : {8u, 24u, 32u}) {
    SCOPED_TRACE(depth);
    const uint32_t w = 67, h = 45, ch = depth / 8;
    Bytes img = pictest::Gradient(w, h, ch);
    uint32_t err = 0;
    Bytes file = Encode(img, w, h, depth, 98, 0, &err);
    ASSERT_EQ(err, 0u);
    Decoded d = Decode(file, depth, depth == 32 ? uint32_t{kJPGReadRawCMYK} : 0u);
    ASSERT_EQ(d.error, 0u);
    EXPECT_EQ(d.width, w);
    EXPECT_EQ(d.height, h);
    ASSERT_EQ(d.pixels.size(), img.size());
    EXPECT_LE(pictest::MaxDiff(d.pixels, img), 12);
  }
}
