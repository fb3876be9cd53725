#include <gtest/gtest.h>

#include <string>

#include "codecs/codec_entry_support.h"
#include "codecs/pnm/pictura_pnm.h"
#include "core/pictura_core.h"
#include "core/thread_context.h"

using namespace pictest;
using namespace Pictura;

namespace {

Bytes File(const std::string& text, const Bytes& data = {}) {
  Bytes f(text.begin(), text.end());
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

struct Read {
  Bytes pixels;
  DWORD width = 0, height = 0;
  uint32_t code = 0;
};

Read ReadPnm(const Bytes& file, DWORD depth, DWORD flags = 0) {
  Source src(file);
  Read r;
  r.pixels = TakeBlock(pic_ReadPNM(src, &r.width, &r.height, depth, flags));
  r.code = PicGetLastError();
  return r;
}

Bytes WritePnm(const Bytes& image, DWORD w, DWORD h, DWORD depth, DWORD stride, LONG maxval,
               DWORD flags = 0) {
  Dest dest;
  EXPECT_NE(pic_WritePNM(dest, image.data(), w, h, depth, stride, maxval, flags), 0u);
  return dest.Contents();
}

std::string Messages() {
  void* text = nullptr;
  DWORD size = 0;
  GetDebugMessagesEntry(&text, &size);
  std::string out = text ? static_cast<const char*>(text) : "";
  if (text) GlobalFree(text);
  return out;
}

Bytes U16(std::initializer_list<uint16_t> values) {
  Bytes out;
  for (uint16_t v : values) out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)});  // the machine's order
  return out;
}

BOOL PICAPI StopAtRow(DWORD done, DWORD, PIC_USERDATA user) {
  return done < user;
}

}  // namespace

TEST(PnmReader, HeadersSamplesAndScaling) {
  struct Case {
    const char* what;
    Bytes file;
    DWORD depth, flags;
    Bytes pixels;
  };
  const Case cases[] = {
      {"plain grey with a comment between width and height",
       File("P2\n3 # width\n# whole line\n1\n9\n0 9 3"),
       8,
       0,
       {0, 255, 85}},
      {"raw grey, maxval 1000: two bytes, scaled",
       File("P5 2 1 1000\n", {0x03, 0xE8, 0x01, 0xF4}),
       8,
       0,
       {255, 127}},
      {"raw grey at 16 bits", File("P5 2 1 1000\n", {0x03, 0xE8, 0x01, 0xF4}), 16, 0, U16({65535, 32767})},
      {"raw values kept, at most maxval", File("P5 2 1 1000\n", {0x07, 0xD0, 0x01, 0xF4}), 16, 8,
       U16({1000, 500})},
      {"raw colour at 48 bits, B, G, R", File("P6 1 1 65535\n", {1, 2, 3, 4, 5, 6}), 48, 16,
       U16({0x0506, 0x0304, 0x0102})},
      {"raw colour, maxval 255, kept", File("P6 2 1 255\n", {1, 2, 3, 4, 5, 6}), 24, 8, {1, 2, 3, 4, 5, 6}},
      {"raw colour, B, G, R", File("P6 2 1 255\n", {1, 2, 3, 4, 5, 6}), 24, 16, {3, 2, 1, 6, 5, 4}},
      {"plain colour, maxval 3", File("P3 1 1 3 3 0 1"), 24, 0, {255, 0, 85}},
      {"samples above maxval are maxval", File("P5 1 1 100\n", {200}), 8, 0, {255}},
      {"plain bits need no spaces", File("P1 5 2 01100 1\n0 0 0 1"), 1, 0, {0x60, 0x88}},
      {"raw bits, padding cleared", File("P4 3 1\n", {0xFF}), 1, 0, {0xE0}},
      {"bottom row first", File("P5 1 2 255\n", {1, 2}), 8, 32, {2, 1}},
      {"rows padded to 4", File("P5 1 2 255\n", {1, 2}), 8, 0x80000000u, {1, 0, 0, 0, 2, 0, 0, 0}},
      {"one-byte samples at 16 bits", File("P5 2 1 255\n", {1, 255}), 16, 0, U16({257, 65535})},
      {"a long sample whose low byte is 0", File("P5 1 1 1000\n", {0x01, 0x00}), 8, 0, {65}},
      {"plain bits past the first byte", File("P1 10 1 0000000001"), 1, 0, {0x00, 0x40}},
      {"a comment right after a raw maxval", File("P5 1 1 255#x\n", {7}), 8, 0, {7}},
      {"a NUL inside a comment", File(std::string("P2 1 1 9 #a\0b\n5", 16)), 8, 0, {141}},
  };
  for (const Case& c : cases) {
    const Read r = ReadPnm(c.file, c.depth, c.flags);
    EXPECT_EQ(r.code, 0u) << c.what;
    EXPECT_EQ(r.pixels, c.pixels) << c.what;
  }
  // A DIB at each family's depth: bottom-up padded rows, the right palette.
  const Read pbm = ReadPnm(File("P4 1 2\n", {0x80, 0x00}), 0, 2);
  ASSERT_EQ(pbm.pixels.size(), 40u + 8 + 8);
  EXPECT_EQ(pbm.pixels[40], 255);  // entry 0 white: a set PBM bit is black
  EXPECT_EQ((Bytes{pbm.pixels[44], pbm.pixels[45], pbm.pixels[46]}), (Bytes{0, 0, 0}));
  EXPECT_EQ(pbm.pixels[48], 0x00);  // the bottom row first
  EXPECT_EQ(pbm.pixels[52], 0x80);
  const Read ppm = ReadPnm(File("P6 1 1 255\n", {1, 2, 3}), 0, 2);
  EXPECT_EQ(Bytes(ppm.pixels.begin() + 40, ppm.pixels.end()), (Bytes{3, 2, 1, 0}));
  const Read pgm = ReadPnm(File("P5 4 2 255\n", {1, 2, 3, 4, 5, 6, 7, 8}), 0, 2);
  EXPECT_EQ(Bytes(pgm.pixels.begin() + 40 + 1024, pgm.pixels.end()), (Bytes{5, 6, 7, 8, 1, 2, 3, 4}));
  EXPECT_EQ(pgm.pixels[40 + 4 * 255], 255);  // the grey ramp's last entry
}

// A refusal at row 2 keeps the two rows read before it (rows of a band are
// read together).
TEST(PnmReader, ACancelKeepsTheRowsRead) {
  pic_SetCallback(StopAtRow, 2);
  const Read r = ReadPnm(File("P5 2 3 255\n", {1, 2, 3, 4, 5, 6}), 8);
  pic_SetCallback(nullptr, 0);
  EXPECT_EQ(r.code, uint32_t{kPicErrCancelled});
  EXPECT_EQ(r.pixels, (Bytes{1, 2, 3, 4, 0, 0}));
}

// Faults in files come back as 78 with their text in the thread's messages;
// none escapes as an exception, not even from the dimension query.
TEST(PnmReader, FaultsAreCode78) {
  struct Case {
    Bytes file;
    const char* text;  // in the thread's messages
    bool headerFault;  // the dimension query sees it too
  };
  const Case cases[] = {
      {File("P"), "Error reading magic number", true},
      {File("P7 1 1 255\n"), "bad magic number", true},
      {File("P5 x 1 255\n"), "junk in file where an unsigned integer should be", true},
      {File("P5 999999999999 1 255\n"), "too large to be processed", true},
      {File("P5 1 1 0\n"), "maxval of input image is zero.", true},
      {File("P6 1 1 70000\n"), "The maximum allowed by the PPM is 65535.", true},
      {File("P5 0 1 255\n"), "zero columns or rows", true},
      {File("P5 1"), "EOF / read error reading a byte", true},
      {File("P1 2 1 0 2"), "junk in file where bits should be", false},
      {File("P5 2 2 255\n", {1, 2, 3}), "EOF / read error reading a one-byte sample", false},
      {File("P5 1 1 300\n", {1}), "EOF /read error while reading a long sample", false},
      {File("P6 30000 30000 255\n", Bytes(1000)), "more than the file holds", false},
      {File("P0 1 1 255\n"), "bad magic number", true},
  };
  for (const Case& c : cases) {
    const char kind = c.file.size() > 1 ? static_cast<char>(c.file[1]) : '5';
    const DWORD depth = kind == '1' ? 1 : kind == '6' ? 24 : 8;
    EXPECT_EQ(ReadPnm(c.file, depth).code, kPicErrPNMFormat) << c.text;
    EXPECT_NE(Messages().find(c.text), std::string::npos) << Messages();
    Source src(c.file);
    DWORD w = 0, h = 0, magic = 0, maxval = 0;
    EXPECT_EQ(pic_GetPNMDims(src, &w, &h, &magic, &maxval, 0), c.headerFault ? FALSE : TRUE) << c.text;
  }
  // The rows read before the end stay with the caller.
  EXPECT_EQ(ReadPnm(cases[9].file, 8).pixels, (Bytes{1, 2, 3, 0}));
  // Depths the file cannot give, and layouts the depth cannot have.
  for (auto [file, depth, flags, code] : {std::tuple{"P4 1 1\n\x80", 8u, 0u, kPicErrBitDepth},
                                          {"P5 1 1 255\n\x01", 24u, 0u, kPicErrBitDepth},
                                          {"P6 1 1 255\n\x01\x02\x03", 8u, 0u, kPicErrBitDepth},
                                          {"P5 1 1 255\n\x01", 1u, 0u, kPicErrBitDepth},
                                          {"P5 1 1 255\n\x01", 16u, 0x80000000u, kPicErrBadArgument},
                                          {"P5 1 1 255\n\x01", 7u, 0u, kPicErrBadArgument}})
    EXPECT_EQ(ReadPnm(File(file), depth, flags).code, code) << file << " at " << depth;
}

TEST(PnmWriter, RoundTripsHeadersAndSampleWidths) {
  for (DWORD depth : {1u, 8u, 16u, 24u, 48u})
    for (DWORD flags : {0u, 4u, 8u}) {
      const DWORD w = 5, h = 3, bytes = depth == 1 ? 1 : w * depth / 8, stride = bytes + 2;
      Bytes img = Noise(stride * h, depth + flags);
      const DWORD strideArg = depth % 16 == 0 ? stride / 2 : stride;  // wide samples count samples
      if (depth == 1)
        for (DWORD y = 0; y < h; ++y) img[y * stride] &= 0xF8;
      const Bytes file = WritePnm(img, w, h, depth, strideArg, 0, flags);
      const Read r = ReadPnm(file, depth, depth >= 24 && (flags & 8) ? 16 : 0);
      ASSERT_EQ(r.code, 0u) << depth;
      for (DWORD y = 0; y < h; ++y) {
        const DWORD sy = flags & 4 ? h - 1 - y : y;
        EXPECT_EQ(Bytes(r.pixels.begin() + y * bytes, r.pixels.begin() + (y + 1) * bytes),
                  Bytes(img.begin() + sy * stride, img.begin() + sy * stride + bytes))
            << depth << " " << flags;
      }
    }
  // 48 bits with maxval 65535: "65535" ends the header, six bytes a pixel.
  const Bytes wide = WritePnm(U16({1, 2, 3}), 1, 1, 48, 3, 65535);
  EXPECT_EQ(std::string(wide.begin(), wide.begin() + 15), std::string("P6\n1 1\n65535\n\0\1", 15));
  EXPECT_EQ(wide.size(), 13u + 6);
  // 16-bit samples with a small maxval: two bytes each, values beyond it cut.
  const Bytes small = WritePnm(U16({1000, 300, 2000}), 3, 1, 16, 3, 1000);
  EXPECT_EQ(Bytes(small.end() - 6, small.end()), (Bytes{0x03, 0xE8, 0x01, 0x2C, 0x03, 0xE8}));
  // 8-bit samples with maxval 1000 are written as they are, in two bytes.
  EXPECT_EQ(WritePnm(Bytes{200}, 1, 1, 8, 1, 1000).back(), 200);

  Dest dest;
  const Bytes img(16);
  for (DWORD depth : {0u, 4u, 32u}) {
    EXPECT_EQ(pic_WritePNM(dest, img.data(), 2, 2, depth, 2, 0, 0), 0u);
    EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
  }
  EXPECT_EQ(pic_WritePNM(dest, img.data(), 2, 2, 8, 2, 70000, 0), 0u);
  EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
  EXPECT_EQ(pic_WritePNM(dest, nullptr, 2, 2, 8, 2, 0, 0), 0u);
  EXPECT_EQ(PicGetLastError(), kPicErrBadArgument);
}

// A sample above maxval (netpbm refuses the file) reads as maxval and
// counts one codec warning a read, on every path a sample takes.
TEST(PnmReader, SamplesAboveMaxvalCountAWarning) {
  struct Case {
    const char* what;
    Bytes file;
    DWORD depth, flags;
    Bytes pixels;
    DWORD warnings;
  };
  const Case cases[] = {
      {"raw grey, scaled", File("P5 2 1 100\n", {200, 50}), 8, 0, {255, 127}, 1},
      {"raw grey, as stored", File("P5 1 1 100\n", {101}), 8, 8, {100}, 1},
      {"raw grey, maxval 1000 at 16 bits", File("P5 1 1 1000\n", {0x07, 0xD0}), 16, 0, U16({65535}), 1},
      {"raw colour, maxval 1000 at 8 bits",
       File("P6 1 1 1000\n", {0, 1, 0x03, 0xE9, 0, 0}),
       24,
       0,
       {0, 255, 0},
       1},
      {"plain grey", File("P2 2 1 9\n12 9"), 8, 0, {255, 255}, 1},
      {"plain colour", File("P3 1 1 3 3 4 1"), 24, 0, {255, 255, 85}, 1},
      {"plain grey, in range", File("P2 2 1 9\n0 9"), 8, 0, {0, 255}, 0},
      {"plain grey, the largest number read", File("P2 1 1 9\n214748364"), 8, 0, {255}, 1},
      {"raw grey at 16 bits, maxval itself", File("P5 1 1 1000\n", {0x03, 0xE8}), 16, 0, U16({65535}), 0},
      {"raw grey, maxval 1000, in range",
       File("P5 2 1 1000\n", {0x03, 0xE8, 0x01, 0xF4}),
       8,
       0,
       {255, 127},
       0},
      {"raw colour, maxval 255", File("P6 1 1 255\n", {1, 255, 3}), 24, 0, {1, 255, 3}, 0},
  };
  for (const Case& c : cases) {
    const DWORD before = pic_GetCodecWarningCount();
    const Read r = ReadPnm(c.file, c.depth, c.flags);
    EXPECT_EQ((std::vector<DWORD>{r.code, pic_GetCodecWarningCount() - before}),
              (std::vector<DWORD>{0, c.warnings}))
        << c.what;
    EXPECT_EQ(r.pixels, c.pixels) << c.what;
  }
}
