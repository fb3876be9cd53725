// JPEG codec: round trips at every depth through the entries, the reader's
// colour modes and flags, DIBs, markers and comments, progressive passes,
// line reading and writing, and cut-off, empty and hostile files.
#include <gtest/gtest.h>

#include <jerror.h>
#include <jpeglib.h>

#include <cstring>

#include "codecs/codec_entry_support.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "codecs/jpeg/pictura_jpeg.h"
#include "codecs/meta/pictura_icc.h"
#include "reader/pictura_read.h"

using namespace Pictura;
using namespace pictest;

namespace {

class JpegCodec : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_ = GetImgThreadContext();
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    pic_ClearJPGOutputMarkers();
    pic_SetJPGOptions(0, 0, 1, 1);
    pic_SetJPGSampling(0, nullptr, nullptr);
    pic_SetJPGPassCallback(nullptr, 0);
    pic_SetCallback(nullptr, 0);
    pic_SetICCProfile(nullptr, 0);
  }
  ImgThreadContext* ctx_ = nullptr;
};

Bytes WriteJpeg(const Bytes& image, uint32_t w, uint32_t h, uint32_t depth, uint32_t quality = 95,
                uint32_t flags = 0, const PicResolutionInfo* res = nullptr, uint32_t stride = 0) {
  Dest dest;
  DWORD size =
      pic_WriteJPG(dest, image.data(), w, h, depth, stride ? stride : w * depth / 8, quality, res, flags);
  Bytes out = dest.Contents();
  EXPECT_EQ(size, size ? out.size() : 0u);
  return out;
}

struct Image {
  Bytes pixels;
  DWORD width = 0, height = 0, error = 0;
};

Image ReadJpeg(const Bytes& file, uint32_t depth, uint32_t flags = 0) {
  Source src(file);
  Image img;
  img.pixels = TakeBlock(pic_ReadJPG(src, &img.width, &img.height, depth, flags));
  img.error = PicGetLastError();
  return img;
}

// A synthetic CMYK picture as Adobe files store it (inverted).
Bytes Cmyk(uint32_t w, uint32_t h) {
  return Gradient(w, h, 4, 3);
}

// The file's segments: marker code and payload, up to the start of scan.
struct Segment {
  int marker;
  Bytes payload;
};
std::vector<Segment> Segments(const Bytes& file) {
  std::vector<Segment> out;
  size_t p = 2;
  while (p + 4 <= file.size() && file[p] == 0xFF) {
    const int marker = file[p + 1];
    const size_t length = size_t(file[p + 2]) << 8 | file[p + 3];
    out.push_back({marker, Bytes(file.begin() + static_cast<std::ptrdiff_t>(p + 4),
                                 file.begin() + static_cast<std::ptrdiff_t>(p + 2 + length))});
    if (marker == 0xDA) break;
    p += 2 + length;
  }
  return out;
}

bool HasMarker(const Bytes& file, int marker) {
  for (const auto& s : Segments(file))
    if (s.marker == marker) return true;
  return false;
}

std::vector<DWORD> g_passes;
BOOL PICAPI CountPasses(const void* image, DWORD, DWORD, DWORD, DWORD pass, PIC_USERDATA user) {
  EXPECT_NE(image, nullptr);
  g_passes.push_back(pass);
  return g_passes.size() < user;
}

BOOL PICAPI StopAtRow(DWORD done, DWORD, PIC_USERDATA user) {
  return done < user;
}

}  // namespace

TEST_F(JpegCodec, RoundTripsAtEveryDepthThroughTheEntries) {
  const uint32_t w = 67, h = 45;
  for (uint32_t depth : {8u, 24u, 32u}) {
    SCOPED_TRACE(depth);
    Bytes img = Gradient(w, h, depth / 8);
    Bytes file = WriteJpeg(img, w, h, depth, 98);
    ASSERT_EQ(PicGetLastError(), 0u);
    Image back = ReadJpeg(file, depth, depth == 32 ? 1 : 0);
    ASSERT_EQ(back.error, 0u);
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.height, h);
    ASSERT_EQ(back.pixels.size(), img.size());
    EXPECT_LE(MaxDiff(back.pixels, img), 12);
    DWORD dw = 0, dh = 0, bits = 0, space = 0, coding = 9;
    Source src(file);
    ASSERT_TRUE(pic_GetJPGDims(src, &dw, &dh, &bits, &space, &coding, nullptr, 0));
    EXPECT_EQ(dw, w);
    EXPECT_EQ(dh, h);
    EXPECT_EQ(bits, depth);
    EXPECT_EQ(space, depth == 8    ? uint32_t{JCS_GRAYSCALE}
                     : depth == 24 ? uint32_t{JCS_YCbCr}
                                   : uint32_t{JCS_CMYK});
    EXPECT_EQ(coding, 0u);
  }
}

TEST_F(JpegCodec, GreyFilesAt24AndRefusedAt32) {
  Bytes grey = Gradient(20, 10, 1);
  Bytes file = WriteJpeg(grey, 20, 10, 8, 100);
  Image g8 = ReadJpeg(file, 8);
  Image rgb = ReadJpeg(file, 24);
  ASSERT_EQ(rgb.error, 0u);
  ASSERT_EQ(rgb.pixels.size(), 600u);
  for (size_t i = 0; i < 200; ++i) {
    EXPECT_EQ(rgb.pixels[3 * i], g8.pixels[i]);
    EXPECT_EQ(rgb.pixels[3 * i + 1], g8.pixels[i]);
    EXPECT_EQ(rgb.pixels[3 * i + 2], g8.pixels[i]);
  }
  Image bad = ReadJpeg(file, 32);
  EXPECT_EQ(bad.error, uint32_t{kPicErrBadJPEG});
  EXPECT_TRUE(bad.pixels.empty());
  EXPECT_EQ(ReadJpeg(file, 16).error, uint32_t{kPicErrBadArgument});
  // RGB files only come out at 24 bits.
  Bytes rgbFile = WriteJpeg(Gradient(8, 8, 3), 8, 8, 24);
  EXPECT_EQ(ReadJpeg(rgbFile, 8).error, uint32_t{kPicErrBadJPEG});
  EXPECT_EQ(ReadJpeg(rgbFile, 32).error, uint32_t{kPicErrBadJPEG});
}

TEST_F(JpegCodec, CMYKRawAt32AndScaledByKAt24) {
  const uint32_t w = 16, h = 8;
  Bytes file = WriteJpeg(Cmyk(w, h), w, h, 32, 100);
  Image raw = ReadJpeg(file, 32, 1);
  ASSERT_EQ(raw.error, 0u);
  // Each of c, m, y scaled by k, as libjpeg delivers them.
  auto expectScaledByK = [&](const Bytes& file4, const Image& raw4) {
    Image rgb = ReadJpeg(file4, 24);
    ASSERT_EQ(rgb.error, 0u);
    ASSERT_EQ(rgb.pixels.size(), w * h * 3u);
    for (uint32_t i = 0; i < w * h; ++i) {
      const uint32_t k = raw4.pixels[4 * i + 3];
      for (uint32_t c = 0; c < 3; ++c) EXPECT_EQ(rgb.pixels[3 * i + c], raw4.pixels[4 * i + c] * k / 255);
    }
  };
  expectScaledByK(file, raw);
  EXPECT_EQ(ReadJpeg(file, 32).error, uint32_t{kPicErrBadJPEG});     // raw needs flag 1
  EXPECT_EQ(ReadJpeg(file, 24, 1).error, uint32_t{kPicErrBadJPEG});  // flag 1 needs 32
  // YCCK input comes back as CMYK.
  Bytes ycck = WriteJpeg(Cmyk(w, h), w, h, 32, 100, 2);
  Image back = ReadJpeg(ycck, 32, 1);
  ASSERT_EQ(back.error, 0u);
  EXPECT_EQ(back.pixels.size(), w * h * 4u);
  DWORD dw, dh, space = 0;
  Source src(ycck);
  ASSERT_TRUE(pic_GetJPGDims(src, &dw, &dh, nullptr, &space, nullptr, nullptr, 0));
  EXPECT_EQ(space, uint32_t{JCS_YCCK});
  expectScaledByK(ycck, back);  // a YCCK file at 24 bits too
}

TEST_F(JpegCodec, YCbCrInAndOutUnconverted) {
  const uint32_t w = 16, h = 16;
  Bytes ycc = Gradient(w, h, 3, 5);
  Bytes file = WriteJpeg(ycc, w, h, 24, 100, 16);
  Image same = ReadJpeg(file, 24, 4);
  ASSERT_EQ(same.error, 0u);
  EXPECT_LE(MaxDiff(same.pixels, ycc), 12);
  EXPECT_EQ(ReadJpeg(file, 8, 4).error, uint32_t{kPicErrBadJPEG});
}

TEST_F(JpegCodec, DIBsAndPaddedBGRRows) {
  const uint32_t w = 13, h = 6;
  PicResolutionInfo res{72, 96, 1};
  Bytes rgbFile = WriteJpeg(Gradient(w, h, 3), w, h, 24, 100, 0, &res);
  Image rgb = ReadJpeg(rgbFile, 24);
  Image dib = ReadJpeg(rgbFile, 24, 2);
  ASSERT_EQ(dib.error, 0u);
  const uint32_t stride = (w * 3 + 3) & ~3u;
  ASSERT_EQ(dib.pixels.size(), 40u + stride * h);
  BITMAPINFOHEADER bih;
  std::memcpy(&bih, dib.pixels.data(), 40);
  EXPECT_EQ(bih.biBitCount, 24);
  EXPECT_EQ(bih.biHeight, LONG(h));
  EXPECT_EQ(bih.biSizeImage, stride * h);
  EXPECT_EQ(bih.biXPelsPerMeter, 2834);  // 72 per inch
  EXPECT_EQ(bih.biYPelsPerMeter, 3779);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (uint32_t c = 0; c < 3; ++c)
        ASSERT_EQ(dib.pixels[40 + (h - 1 - y) * stride + x * 3 + c], rgb.pixels[(y * w + x) * 3 + 2 - c]);
  Image padded = ReadJpeg(rgbFile, 24, 8);
  ASSERT_EQ(padded.pixels.size(), stride * h);
  EXPECT_EQ(padded.pixels[0], rgb.pixels[2]);
  // Grey DIBs are 8-bit with a grey table; CMYK DIBs are 24-bit.
  Bytes greyFile = WriteJpeg(Gradient(w, h, 1), w, h, 8);
  Image greyDib = ReadJpeg(greyFile, 24, 2);
  ASSERT_EQ(greyDib.error, 0u);
  std::memcpy(&bih, greyDib.pixels.data(), 40);
  EXPECT_EQ(bih.biBitCount, 8);
  EXPECT_EQ(bih.biClrUsed, 256u);
  EXPECT_EQ(greyDib.pixels[40 + 4 * 77], 77);
  EXPECT_EQ(greyDib.pixels[40 + 4 * 77 + 3], 255);
  ASSERT_EQ(greyDib.pixels.size(), 40u + 1024 + ((w + 3) & ~3u) * h);
  Image cmykDib = ReadJpeg(WriteJpeg(Cmyk(w, h), w, h, 32), 32, 2);
  ASSERT_EQ(cmykDib.error, 0u);
  std::memcpy(&bih, cmykDib.pixels.data(), 40);
  EXPECT_EQ(bih.biBitCount, 24);
}

TEST_F(JpegCodec, WriterFlagsBottomUpBGRAndNoJFIF) {
  const uint32_t w = 16, h = 16;
  Bytes img = Gradient(w, h, 3);
  Bytes flipped(img.size()), bgr(img.size());
  for (uint32_t y = 0; y < h; ++y) std::memcpy(&flipped[y * w * 3], &img[(h - 1 - y) * w * 3], w * 3);
  for (size_t i = 0; i < img.size(); i += 3)
    bgr[i] = img[i + 2], bgr[i + 1] = img[i + 1], bgr[i + 2] = img[i];
  Bytes plain = WriteJpeg(img, w, h, 24, 90);
  EXPECT_EQ(WriteJpeg(flipped, w, h, 24, 90, 4), plain);
  EXPECT_EQ(WriteJpeg(bgr, w, h, 24, 90, 8), plain);
  EXPECT_TRUE(HasMarker(plain, 0xE0));
  Bytes bare = WriteJpeg(img, w, h, 24, 90, 32);
  EXPECT_FALSE(HasMarker(bare, 0xE0));
  EXPECT_EQ(ReadJpeg(bare, 24).error, 0u);
  // Quality shows in the size; a stride shorter than a row is refused.
  EXPECT_LT(WriteJpeg(img, w, h, 24, 10).size(), WriteJpeg(img, w, h, 24, 100).size());
  Dest dest;
  EXPECT_EQ(pic_WriteJPG(dest, img.data(), w, h, 24, w * 3 - 1, 90, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  EXPECT_EQ(pic_WriteJPG(dest, img.data(), 0, h, 24, w * 3, 90, nullptr, 0), 0u);
  EXPECT_EQ(pic_WriteJPG(dest, img.data(), w, h, 16, w * 3, 90, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  EXPECT_EQ(pic_WriteJPG(nullptr, img.data(), w, h, 24, w * 3, 90, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
}

TEST_F(JpegCodec, DensityIsWrittenAndReadBack) {
  PicResolutionInfo res{300.9, 150.2, 1};
  Bytes file = WriteJpeg(Gradient(8, 8, 3), 8, 8, 24, 90, 0, &res);
  Source src(file);
  DWORD w = 0, h = 0;
  PicResolutionInfo got{};
  ASSERT_TRUE(pic_GetJPGDims(src, &w, &h, nullptr, nullptr, nullptr, &got, 0));
  EXPECT_EQ(got.x, 300);
  EXPECT_EQ(got.y, 150);
  EXPECT_EQ(got.unit, 1u);
  Source none(WriteJpeg(Gradient(8, 8, 3), 8, 8, 24));
  ASSERT_TRUE(pic_GetJPGDims(none, &w, &h, nullptr, nullptr, nullptr, &got, 0));
  EXPECT_EQ(got.x, 1);
  EXPECT_EQ(got.unit, 0u);
  EXPECT_FALSE(pic_GetJPGDims(none, nullptr, &h, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
}

TEST_F(JpegCodec, CommentsAndMarkersAreWrittenAfterTheHeaderAndReadBack) {
  ASSERT_TRUE(pic_AddJPGOutputComment("made by a test"));
  ASSERT_TRUE(pic_AddJPGOutputComment(""));  // empty: not written
  const BYTE app5[] = {'W', 'L', 0, 1, 2, 3};
  ASSERT_TRUE(pic_AddJPGOutputMarker(0xE5, app5, sizeof app5));
  EXPECT_FALSE(pic_AddJPGOutputMarker(0xD9, app5, sizeof app5));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  Bytes file = WriteJpeg(Gradient(8, 8, 3), 8, 8, 24);
  auto segments = Segments(file);
  ASSERT_GE(segments.size(), 3u);
  EXPECT_EQ(segments[0].marker, 0xE0);
  EXPECT_EQ(segments[1].marker, 0xFE);
  EXPECT_EQ(segments[1].payload, Bytes(std::begin("made by a test"), std::end("made by a test") - 1));
  EXPECT_EQ(segments[2].marker, 0xE5);
  EXPECT_EQ(segments[2].payload, Bytes(std::begin(app5), std::end(app5)));
  int comments = 0;
  for (const auto& s : segments) comments += s.marker == 0xFE;
  EXPECT_EQ(comments, 1);

  Source src(file);
  EXPECT_EQ(pic_ReadJPGMarkers(src), 2u);
  char text[64];
  EXPECT_EQ(pic_GetJPGInputComment(0, text, sizeof text), 15u);
  EXPECT_STREQ(text, "made by a test");
  DWORD code = 0;
  BYTE data[16];
  EXPECT_EQ(pic_GetJPGInputMarker(0, &code, data, sizeof data), sizeof app5);
  EXPECT_EQ(code, 0xE5u);
  EXPECT_EQ(0, std::memcmp(data, app5, sizeof app5));
  EXPECT_EQ(pic_GetJPGInputMarker(1, &code, data, sizeof data), 0u);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  // The stored form keeps 4 leading bytes before the marker's data.
  ASSERT_EQ(ctx_->jpeg.inputMarkers.Size(), 1u);
  EXPECT_EQ(ctx_->jpeg.inputMarkers.At(0)->data.Count(), sizeof app5 + 4);
  EXPECT_FALSE(pic_AddJPGOutputComment(std::string(65534, 'x').c_str()));
}

TEST_F(JpegCodec, ProgressiveFilesAndTheirDisplayPasses) {
  const uint32_t w = 48, h = 32;
  Bytes img = Gradient(w, h, 3);
  Bytes file = WriteJpeg(img, w, h, 24, 95, 1);
  EXPECT_TRUE(HasMarker(file, 0xC2));
  DWORD dw, dh, coding = 0;
  Source src(file);
  ASSERT_TRUE(pic_GetJPGDims(src, &dw, &dh, nullptr, nullptr, &coding, nullptr, 0));
  EXPECT_EQ(coding, 1u);
  Image plain = ReadJpeg(file, 24);
  ASSERT_EQ(plain.error, 0u);
  EXPECT_LE(MaxDiff(plain.pixels, img), 12);

  // With flag 32 and a callback every pass is shown; the last image is the
  // same as a plain read.
  g_passes.clear();
  ASSERT_TRUE(pic_SetJPGPassCallback(CountPasses, 1000));
  Image shown = ReadJpeg(file, 24, 32);
  ASSERT_EQ(shown.error, 0u);
  ASSERT_GE(g_passes.size(), 5u);
  for (size_t i = 1; i < g_passes.size(); ++i) EXPECT_GT(g_passes[i], g_passes[i - 1]);
  EXPECT_EQ(shown.pixels, plain.pixels);
  // A callback that says stop after the second pass keeps a coarser image.
  g_passes.clear();
  pic_SetJPGPassCallback(CountPasses, 2);
  Image early = ReadJpeg(file, 24, 32);
  EXPECT_EQ(early.error, 0u);
  EXPECT_EQ(g_passes.size(), 2u);
  EXPECT_EQ(early.pixels.size(), plain.pixels.size());
  EXPECT_NE(early.pixels, plain.pixels);
  // Without the flag the callback is not used.
  g_passes.clear();
  EXPECT_EQ(ReadJpeg(file, 24).pixels, plain.pixels);
  EXPECT_TRUE(g_passes.empty());
}

TEST_F(JpegCodec, LinesMatchTheWholeImage) {
  const uint32_t w = 21, h = 11;
  Bytes img = Gradient(w, h, 3);
  Dest dest;
  HPICJPGWRITELINES writer = pic_InitWriteJPGLines(dest, w, h, 24, 90, nullptr, 0);
  ASSERT_NE(writer, nullptr);
  for (uint32_t y = 0; y < h; ++y) ASSERT_TRUE(pic_WriteNextJPGLine(writer, img.data() + y * w * 3));
  EXPECT_FALSE(pic_WriteNextJPGLine(writer, img.data()));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrEndOfImage});
  ASSERT_TRUE(pic_DestroyWriteJPGLines(writer));
  Bytes file = dest.Contents();
  EXPECT_EQ(file, WriteJpeg(img, w, h, 24, 90));

  Image whole = ReadJpeg(file, 24);
  Source src(file);
  DWORD rw = 0, rh = 0;
  HPICJPGREADLINES reader = pic_InitReadJPGLines(src, &rw, &rh, 24, 0);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(rw, w);
  Bytes row(w * 3);
  for (uint32_t y = 0; y < h; ++y) {
    DWORD index = 99;
    ASSERT_TRUE(pic_ReadNextJPGLine(reader, row.data(), &index));
    EXPECT_EQ(index, y);
    EXPECT_EQ(0, std::memcmp(row.data(), whole.pixels.data() + y * w * 3, w * 3));
  }
  EXPECT_FALSE(pic_ReadNextJPGLine(reader, row.data(), nullptr));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrEndOfImage});
  EXPECT_TRUE(pic_DestroyReadJPGLines(reader));
  EXPECT_EQ(PicGetLastError(), 0u);
  // Closed early: dropped without a complaint. A writer closed early fails.
  Source again(file);
  reader = pic_InitReadJPGLines(again, &rw, &rh, 24, 0);
  ASSERT_TRUE(pic_ReadNextJPGLine(reader, row.data(), nullptr));
  EXPECT_TRUE(pic_DestroyReadJPGLines(reader));
  Dest short_;
  writer = pic_InitWriteJPGLines(short_, w, h, 24, 90, nullptr, 0);
  ASSERT_TRUE(pic_WriteNextJPGLine(writer, img.data()));
  EXPECT_FALSE(pic_DestroyWriteJPGLines(writer));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrFileWrite});
  EXPECT_FALSE(pic_ReadNextJPGLine(nullptr, row.data(), nullptr));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
}

TEST_F(JpegCodec, ACancelKeepsTheRowsRead) {
  const uint32_t w = 16, h = 40;
  Bytes file = WriteJpeg(Gradient(w, h, 3), w, h, 24);
  Image whole = ReadJpeg(file, 24);
  pic_SetCallback(StopAtRow, 10);
  Image cut = ReadJpeg(file, 24);
  pic_SetCallback(nullptr, 0);
  EXPECT_EQ(cut.error, uint32_t{kPicErrCancelled});
  ASSERT_EQ(cut.pixels.size(), whole.pixels.size());
  EXPECT_EQ(Bytes(cut.pixels.begin(), cut.pixels.begin() + 11 * w * 3),
            Bytes(whole.pixels.begin(), whole.pixels.begin() + 11 * w * 3));
}

TEST_F(JpegCodec, CutOffFilesDecodeToTheirEndAndEmptyOnesFail) {
  const uint32_t w = 256, h = 256;
  Bytes img = Gradient(w, h, 3);
  Bytes file = WriteJpeg(img, w, h, 24, 95);
  Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
  const uint32_t warningsBefore = ctx_->codecWarnings;
  Image whole = ReadJpeg(file, 24);
  EXPECT_EQ(ctx_->codecWarnings, warningsBefore);
  ctx_->messages.clear();
  Image part = ReadJpeg(cut, 24);
  EXPECT_EQ(part.error, 0u);
  EXPECT_EQ(ctx_->codecWarnings, warningsBefore + 1) << "the cut is counted, the code stays 0";
  ASSERT_EQ(part.pixels.size(), img.size());
  // The first MCU rows are intact, the rest differs.
  EXPECT_EQ(MaxDiff(part.pixels.data(), whole.pixels.data(), w * 3 * 16), 0);
  EXPECT_NE(part.pixels, whole.pixels);
  // libjpeg's warning is in the message list, in libjpeg's own words.
  jpeg_error_mgr std;
  jpeg_std_error(&std);
  bool warned = false;
  for (const auto& m : ctx_->messages)
    warned |= m.text == std.jpeg_message_table[JWRN_JPEG_EOF] && m.level == 2;
  EXPECT_TRUE(warned);
  EXPECT_EQ(ReadJpeg(Bytes{0xFF, 0xD8}, 24).error, uint32_t{kPicErrBadJPEG});
  EXPECT_EQ(ReadJpeg(Bytes(file.begin(), file.begin() + 100), 24).error, uint32_t{kPicErrBadJPEG});
  // An empty source: libjpeg's "empty input" error, code 9.
  JPGCodecContext empty;
  MemoryIO nothing;
  uint32_t dw, dh;
  EXPECT_EQ(ReadJPGImage(&empty.error, &nothing, &dw, &dh, 24, 0), nullptr);
  EXPECT_EQ(empty.error, uint32_t{kPicErrBadJPEG});
  jpeg_error_mgr lib;
  jpeg_std_error(&lib);
  EXPECT_EQ(ctx_->messages.back().text, lib.jpeg_message_table[JERR_INPUT_EMPTY]);
}

TEST_F(JpegCodec, SeekBackLeavesTheSourceAfterTheImage) {
  Bytes a = WriteJpeg(Gradient(8, 8, 3, 1), 8, 8, 24);
  Bytes b = WriteJpeg(Gradient(24, 16, 1, 2), 24, 16, 8);
  Bytes both = a;
  both.insert(both.end(), b.begin(), b.end());
  Source src(both);
  DWORD w, h;
  TakeBlock(pic_ReadJPG(src, &w, &h, 24, 16));
  ASSERT_EQ(PicGetLastError(), 0u);
  DWORD pos = 0;
  ASSERT_TRUE(pic_GetPos(src, &pos));
  EXPECT_EQ(pos, a.size());
  Bytes second = TakeBlock(pic_ReadJPG(src, &w, &h, 8, 16));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(w, 24u);
  EXPECT_EQ(h, 16u);
  EXPECT_EQ(second.size(), 24u * 16);
}

TEST_F(JpegCodec, SettingsReachTheWriterAndReader) {
  const uint32_t w = 32, h = 32;
  Bytes img = Gradient(w, h, 3);
  Bytes normal = WriteJpeg(img, w, h, 24, 90);
  const DWORD hs[3] = {1, 1, 1}, vs[3] = {1, 1, 1};
  ASSERT_TRUE(pic_SetJPGSampling(3, hs, vs));
  Bytes full = WriteJpeg(img, w, h, 24, 90);
  EXPECT_NE(full, normal);
  EXPECT_GT(full.size(), normal.size());  // no chroma subsampling
  pic_SetJPGSampling(0, nullptr, nullptr);
  const DWORD bad[1] = {7};
  ASSERT_TRUE(pic_SetJPGSampling(1, bad, bad));
  Dest dest;
  EXPECT_EQ(pic_WriteJPG(dest, img.data(), w, h, 24, w * 3, 90, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrFileWrite});
  pic_SetJPGSampling(0, nullptr, nullptr);
  ASSERT_TRUE(pic_SetJPGOptions(2, 0, 1, 1));
  EXPECT_NE(WriteJpeg(img, w, h, 24, 90), normal);
  ASSERT_TRUE(pic_SetJPGOptions(0, 0, 1, 2));
  Image half = ReadJpeg(normal, 24);
  EXPECT_EQ(half.width, w / 2);
  EXPECT_EQ(half.height, h / 2);
  EXPECT_EQ(half.pixels.size(), w * h * 3u / 4);
  EXPECT_FALSE(pic_SetJPGOptions(0, 0, 1, 0));
}

TEST_F(JpegCodec, AHugeHeaderInATinyFileIsRefusedBeforeDecoding) {
  Bytes file = WriteJpeg(Gradient(8, 8, 3), 8, 8, 24, 50, 1);
  // Patch the frame header to 60000 x 60000.
  for (size_t p = 2; p + 9 < file.size(); ++p) {
    if (file[p] == 0xFF && file[p + 1] == 0xC2) {
      file[p + 5] = 60000 >> 8, file[p + 6] = 60000 & 255;
      file[p + 7] = 60000 >> 8, file[p + 8] = 60000 & 255;
      break;
    }
  }
  Source src(file);
  DWORD w = 0, h = 0;
  ASSERT_TRUE(pic_GetJPGDims(src, &w, &h, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(w, 60000u);
  Image r = ReadJpeg(file, 24);
  EXPECT_EQ(r.error, uint32_t{kPicErrBadJPEG});
  EXPECT_TRUE(r.pixels.empty());
}

TEST_F(JpegCodec, AnImageBeyondTheSizeCapIsRefusedBeforeAllocating) {
  // 65500 x 21858 in a file long enough to be believed: 4 GB of rows at 24
  // bits, a product that wraps in 32 bits to 127 KB. It must meet the cap
  // (code 1), not allocate what is left after the wrap.
  const uint32_t w = 65500, h = 21858;
  Bytes file = WriteJpeg(Gradient(8, 8, 3), 8, 8, 24, 50);
  for (size_t p = 2; p + 9 < file.size(); ++p) {
    if (file[p] == 0xFF && file[p + 1] == 0xC0) {
      file[p + 5] = h >> 8, file[p + 6] = h & 255;
      file[p + 7] = w >> 8, file[p + 8] = w & 255;
      break;
    }
  }
  file.resize(file.size() + (4u << 20), 0);  // behind the end marker
  for (DWORD flags : {0u, 2u}) {
    SCOPED_TRACE(flags);
    Image r = ReadJpeg(file, 24, flags);
    EXPECT_EQ(r.error, uint32_t{kPicErrNoMemory});
    EXPECT_TRUE(r.pixels.empty());
  }
}

TEST_F(JpegCodec, TheBGRFlagOnlyConcernsThreeBytePixels) {
  // Grey and CMYK rows are not blue-green-red: with flag 8 they are written
  // as they are (and no 3-byte copy reads past the end of a 1-byte row).
  const uint32_t w = 24, h = 8;
  for (uint32_t depth : {8u, 32u}) {
    SCOPED_TRACE(depth);
    Bytes img = Gradient(w, h, depth / 8, depth);
    EXPECT_EQ(WriteJpeg(img, w, h, depth, 90, 8), WriteJpeg(img, w, h, depth, 90, 0));
  }
}

TEST_F(JpegCodec, WriteFailuresAndBadManagers) {
  Bytes img = Gradient(64, 64, 3);
  MemoryIO full;
  full.failWritesAfter = 1000;
  JPGWriteCodecContext ctx;
  EXPECT_EQ(WriteJPGImage(&ctx.error, ctx, &full, img.data(), 64, 64, 192, 90, 24, 0), 0u);
  EXPECT_EQ(ctx.error, uint32_t{kPicErrFileWrite});
  jpeg_error_mgr lib;
  jpeg_std_error(&lib);
  EXPECT_EQ(ctx_->messages.back().text, lib.jpeg_message_table[JERR_FILE_WRITE]);
  DWORD w, h;
  EXPECT_EQ(pic_ReadJPG(nullptr, &w, &h, 24, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  MemoryIO closed;
  closed.Close();
  EXPECT_EQ(pic_ReadJPG(closed.Handle(), &w, &h, 24, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadManager});
}

TEST_F(JpegCodec, TheGenericReaderReadsJpegAtEverySelector) {
  const uint32_t w = 19, h = 13;
  Bytes colour = WriteJpeg(Gradient(w, h, 3), w, h, 24, 90);
  Bytes rgb = ReadJpeg(colour, 24).pixels;
  auto generic = [](const Bytes& file, DWORD selector, DWORD* gw, DWORD* gh) {
    Source src(file);
    Bytes out = TakeBlock(pic_ReadImage(src, gw, gh, selector, 0));
    EXPECT_EQ(PicGetLastError(), 0u);
    return out;
  };
  DWORD gw = 0, gh = 0;
  EXPECT_EQ(generic(colour, 0, &gw, &gh), rgb);
  EXPECT_EQ(gw, w);
  EXPECT_EQ(gh, h);
  Bytes rgba = generic(colour, 1, &gw, &gh);
  ASSERT_EQ(rgba.size(), w * h * 4u);
  for (uint32_t i = 0; i < w * h; ++i) {
    EXPECT_EQ(rgba[4 * i], rgb[3 * i]);
    EXPECT_EQ(rgba[4 * i + 3], 255);
  }
  Bytes dib = generic(colour, 2, &gw, &gh);
  EXPECT_EQ(dib, ReadJpeg(colour, 24, 2).pixels);
  EXPECT_EQ(generic(colour, 3, &gw, &gh).size(), (w + 7) / 8 * h);
  // A grey file goes through its 8-bit read and the grey ramp.
  Bytes grey = WriteJpeg(Gradient(w, h, 1), w, h, 8, 90);
  EXPECT_EQ(generic(grey, 0, &gw, &gh), ReadJpeg(grey, 24).pixels);
}

TEST_F(JpegCodec, TooManyScansAreRefused) {
  Bytes file = WriteJpeg(Gradient(64, 64, 1), 64, 64, 8, 90, 1);
  // Repeat the last scan (libjpeg only warns about a repeated scan).
  size_t last = 0;
  for (size_t p = 2; p + 1 < file.size(); ++p)
    if (file[p] == 0xFF && file[p + 1] == 0xDA) last = p;
  ASSERT_GT(last, 0u);
  const Bytes scan(file.begin() + static_cast<std::ptrdiff_t>(last), file.end() - 2);
  auto withScans = [&](int extra) {
    Bytes out(file.begin(), file.end() - 2);
    for (int i = 0; i < extra; ++i) out.insert(out.end(), scan.begin(), scan.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
  };
  EXPECT_EQ(ReadJpeg(withScans(100), 8).error, 0u);
  Image refused = ReadJpeg(withScans(600), 8);
  EXPECT_EQ(refused.error, uint32_t{kPicErrBadJPEG});
  bool named = false;
  for (const auto& m : ctx_->messages) named |= m.text == "JPEG file has more than 500 scans";
  EXPECT_TRUE(named);
}
