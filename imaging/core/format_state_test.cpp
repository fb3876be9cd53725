#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/codec_contexts.h"
#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "core/pictura_formats.h"

using namespace Pictura;

TEST(FormatState, TLAInputTags) {
  ImgThreadContext* ctx = GetImgThreadContext();
  ASSERT_NE(ctx, nullptr);
  auto tag = std::make_unique<CFileDataTag>();
  ASSERT_TRUE(tag->data.Resize(3));
  tag->data[0] = 7;
  tag->data[2] = 9;
  ctx->tlaInputTags.Add(std::move(tag));
  ctx->tlaInputTags.Add(std::make_unique<CFileDataTag>());  // no data
  EXPECT_EQ(pic_GetTLAInputTagCount(), 2u);

  HGLOBAL data = nullptr;
  DWORD size = 0;
  ASSERT_TRUE(pic_GetTLAInputTag(0, &data, &size));
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(static_cast<uint8_t*>(data)[2], 9);
  GlobalFree(data);
  EXPECT_FALSE(pic_GetTLAInputTag(1, &data, &size));
  EXPECT_FALSE(pic_GetTLAInputTag(0, nullptr, &size));
  EXPECT_EQ(PicGetLastError(), 5u);
  // Past the tags: 0, and the last error stays as it was.
  EXPECT_FALSE(pic_GetTLAInputTag(2, &data, &size));
  EXPECT_EQ(PicGetLastError(), 5u);
  ctx->tlaInputTags.Clear();
}

TEST(FormatState, GIFFrames) {
  ImgThreadContext* ctx = GetImgThreadContext();
  GIFFrameRecord frame;
  frame.pixels = GlobalAlloc(GPTR, 6);
  frame.width = 3;
  frame.height = 2;
  frame.transparent = 4;
  frame.palette[4].rgbRed = 200;
  ctx->gifFrames.frames.push_back(frame);
  ctx->gifFrames.screenWidth = 3;
  EXPECT_EQ(pic_GetGIFFrameCount(), 1u);

  HGLOBAL pixels = nullptr;
  DWORD w, h, l, t, d, disp, ui, local, inter;
  LONG transparent = 0;
  RGBQUAD palette[256];
  ASSERT_TRUE(
      pic_GetGIFFrame(0, &pixels, &w, &h, &l, &t, &d, &disp, &ui, &local, &transparent, &inter, palette, 0));
  EXPECT_EQ(pixels, frame.pixels);
  EXPECT_EQ(w, 3u);
  EXPECT_EQ(transparent, 4);
  EXPECT_EQ(palette[4].rgbRed, 200);
  EXPECT_FALSE(
      pic_GetGIFFrame(1, &pixels, &w, &h, &l, &t, &d, &disp, &ui, &local, &transparent, &inter, palette, 0));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(
      pic_GetGIFFrame(0, &pixels, &w, &h, &l, &t, &d, &disp, &ui, &local, nullptr, &inter, palette, 0));
  EXPECT_EQ(PicGetLastError(), 5u);

  EXPECT_TRUE(pic_ClearGIFFrames());
  EXPECT_EQ(pic_GetGIFFrameCount(), 0u);
  EXPECT_EQ(ctx->gifFrames.screenWidth, 0u);
}

TEST(FormatState, ContextsAndResolutions) {
  const int32_t before = PicNestingDepth();
  {
    TGACodecContext tga;
    EXPECT_EQ(PicNestingDepth(), before + 1);
    EXPECT_EQ(tga.extension[0] | tga.extension[1] << 8, 495);
    EXPECT_EQ(tga.footer[25], 0);
    PSDCodecContext psd;
    EXPECT_EQ(PicNestingDepth(), before + 2);
  }
  EXPECT_EQ(PicNestingDepth(), before);

  PicIntResolution r;
  PicResolutionInfo info;
  info.x = 299.9;
  info.y = 72.0;
  info.unit = 2;
  RoundResolution(&r, &info);
  EXPECT_EQ(r.x, 299u);
  EXPECT_EQ(r.y, 72u);
  EXPECT_EQ(r.unit, 2u);
  RoundResolution(&r, nullptr);
  EXPECT_EQ(r.x, 1u);
  EXPECT_EQ(r.unit, 1u);
  RoundResolutionPNG(&r, nullptr);
  EXPECT_EQ(r.unit, 0u);
  info.x = std::nan("");
  info.y = 1e20;
  RoundResolutionPNG(&r, &info);
  EXPECT_EQ(r.x, 0u);
  EXPECT_EQ(r.y, UINT32_MAX);
  EXPECT_EQ(r.unit, 2u);
}
