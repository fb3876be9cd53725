// Cross-checks with ImageMagick: its BMP files of every depth, header form
// and compression read back as ImageMagick itself decodes them, and ours
// decode in ImageMagick to the pixels we wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/bmp/bmp_test_support.h"
#include "core/io_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "codecs/bmp/pictura_bmp.h"

using namespace bmptest;

namespace {

const char* const kConvert = "/usr/bin/convert";

std::vector<uint8_t> Capture(const std::string& command) {
  std::vector<uint8_t> out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
  pclose(pipe);
  return out;
}

class ImageMagick : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS(kConvert);
    dir_ = pictest::ScratchDir("bmp_imagemagick");
    // A swirl of colours and an alpha ramp: many distinct values.
    ASSERT_EQ(Convert("-size 37x23 gradient:red-blue -swirl 90 " + Path("base.png")), 0);
    ASSERT_EQ(Convert(Path("base.png") +
                      " \\( -size 37x23 gradient:white-black \\) -alpha off -compose copy_opacity "
                      "-composite " +
                      Path("alpha.png")),
              0);
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }
  int Convert(const std::string& args) const {
    return std::system((std::string(kConvert) + " " + args + " 2>/dev/null").c_str());
  }
  // ImageMagick's own decoding: R, G, B(, A) bytes.
  std::vector<uint8_t> Decode(const std::string& file, bool alpha) const {
    return Capture(std::string(kConvert) + " " + Path(file) + " -depth 8 " + (alpha ? "rgba:-" : "rgb:-"));
  }
  std::vector<uint8_t> Ours(const std::string& file, DWORD depth, uint32_t* width = nullptr) const {
    std::vector<uint8_t> bytes = pictest::ReadFileBytes(dir_ / file);
    Source src(bytes);
    DWORD w = 0, h = 0;
    HGLOBAL block = pic_ReadBMP(src.handle, &w, &h, depth, nullptr, 0);
    EXPECT_EQ(PicGetLastError(), 0u) << file;
    if (!block) return {};
    if (width) *width = w;
    auto pixels = BlockBytes(block, size_t{w} * h * (depth / 8));
    GlobalFree(block);
    return pixels;
  }
  void Save(const std::string& name, const std::vector<uint8_t>& bytes) const {
    pictest::WriteFileBytes(dir_ / name, bytes);
  }

  std::filesystem::path dir_;
};

// 4-bit indices to an RLE4 stream: runs of equal pixels, absolute runs of
// the rest, one delta; ImageMagick writes no RLE4 of its own.
std::vector<uint8_t> EncodeRLE4(const std::vector<uint8_t>& idx, uint32_t w, uint32_t h) {
  std::vector<uint8_t> out;
  for (uint32_t fileRow = 0; fileRow < h; ++fileRow) {
    const uint8_t* px = idx.data() + size_t{h - 1 - fileRow} * w;
    uint32_t x = 0;
    if (fileRow == 1) {  // skip two pixels with a delta; they show entry 0
      out.insert(out.end(), {0, 2, 2, 0});
      x = 2;
    }
    while (x < w) {
      uint32_t run = 1;
      while (x + run < w && run < 255 && px[x + run] == px[x]) ++run;
      if (run >= 3 || w - x < 3) {
        out.push_back(static_cast<uint8_t>(run));
        out.push_back(static_cast<uint8_t>(px[x] << 4 | px[x]));
        x += run;
        continue;
      }
      uint32_t n = std::min<uint32_t>(w - x, 9);
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(n));
      size_t bytes = 0;
      for (uint32_t i = 0; i < n; i += 2, ++bytes)
        out.push_back(static_cast<uint8_t>(px[x + i] << 4 | (i + 1 < n ? px[x + i + 1] : 0)));
      if (bytes & 1) out.push_back(0);
      x += n;
    }
    out.insert(out.end(), {0, 0});
  }
  out.insert(out.end(), {0, 1});
  return out;
}

}  // namespace

TEST_F(ImageMagick, TheirFilesReadAsTheyDecodeThem) {
  struct Variant {
    const char* input;
    const char* options;  // then the output, behind its format prefix
    const char* prefix;
    bool alpha;
  };
  const Variant variants[] = {
      {"base.png", "-type truecolor", "BMP3:", false},
      {"base.png", "-type truecolor", "", false},       // 124-byte header
      {"base.png", "-type truecolor", "BMP2:", false},  // 12-byte header
      {"alpha.png", "-define bmp3:alpha=true", "BMP3:", true},
      {"alpha.png", "", "", true},  // 32-bit bit fields with an alpha mask
      {"base.png", "-define bmp:subtype=RGB565", "", false},
      {"base.png", "-define bmp:subtype=RGB555", "", false},
      {"base.png", "-colors 200 -type palette -compress none", "BMP3:", false},
      {"base.png", "-colors 200 -type palette -compress RLE", "BMP3:", false},
      {"base.png", "-colors 200 -type palette", "", false},
      {"base.png", "-colors 200 -type palette", "BMP2:", false},
      {"base.png", "-colors 12 -type palette -compress none", "BMP3:", false},
      {"base.png", "-colors 12 -type palette", "", false},
      {"base.png", "-monochrome", "BMP3:", false},
      {"base.png", "-monochrome", "BMP2:", false},
  };
  int n = 0;
  for (const Variant& v : variants) {
    const std::string name = "im" + std::to_string(n++) + ".bmp";
    ASSERT_EQ(Convert(Path(v.input) + " " + v.options + " " + v.prefix + Path(name)), 0) << v.options;
    const std::vector<uint8_t> theirs = Decode(name, v.alpha);
    ASSERT_FALSE(theirs.empty()) << v.options;
    EXPECT_EQ(Ours(name, v.alpha ? 32 : 24), theirs) << v.prefix << " " << v.options;
  }
}

TEST_F(ImageMagick, FourAndOneBitChannelsReachFullRange) {
  // ImageMagick widens 4-bit channels to v x 16 and a set 1-bit alpha to
  // 128; ours repeat the bits (v x 17, 255), so a full channel is 255.
  // The 5-bit channels of these files agree exactly.
  ASSERT_EQ(Convert(Path("alpha.png") + " -define bmp:subtype=ARGB4444 " + Path("a4.bmp")), 0);
  ASSERT_EQ(Convert(Path("alpha.png") + " -define bmp:subtype=ARGB1555 " + Path("a1.bmp")), 0);
  const std::vector<uint8_t> t4 = Decode("a4.bmp", true), o4 = Ours("a4.bmp", 32);
  ASSERT_EQ(t4.size(), o4.size());
  for (size_t i = 0; i < t4.size(); ++i) EXPECT_EQ(o4[i], (t4[i] & 0xF0) | (t4[i] >> 4)) << i;
  const std::vector<uint8_t> t1 = Decode("a1.bmp", true), o1 = Ours("a1.bmp", 32);
  ASSERT_EQ(t1.size(), o1.size());
  for (size_t i = 0; i < t1.size(); ++i) EXPECT_EQ(o1[i], i % 4 == 3 ? (t1[i] ? 255 : 0) : t1[i]) << i;
}

TEST_F(ImageMagick, HandMadeRLE4ReadsAsTheyDecodeIt) {
  ASSERT_EQ(Convert(Path("base.png") + " -colors 12 -type palette -compress none BMP3:" + Path("four.bmp")),
            0);
  std::vector<uint8_t> four = pictest::ReadFileBytes(dir_ / "four.bmp");
  Source src(four);
  DWORD w = 0, h = 0;
  RGBQUAD palette[256];
  HGLOBAL block = pic_ReadBMP(src.handle, &w, &h, 8, palette, 0);
  ASSERT_NE(block, nullptr);
  const std::vector<uint8_t> idx = BlockBytes(block, size_t{w} * h);
  GlobalFree(block);

  BmpSpec s;
  s.width = static_cast<int32_t>(w);
  s.height = static_cast<int32_t>(h);
  s.bits = 4;
  s.compression = 2;
  s.clrUsed = 16;
  s.table.assign(palette, palette + 16);
  s.pixels = EncodeRLE4(idx, w, h);
  Save("rle4.bmp", s.Build());
  const std::vector<uint8_t> theirs = Decode("rle4.bmp", false);
  ASSERT_EQ(theirs.size(), size_t{w} * h * 3);
  EXPECT_EQ(Ours("rle4.bmp", 24), theirs);
}

TEST_F(ImageMagick, OurFilesDecodeToWhatWeWrote) {
  const std::vector<uint8_t> rgb = Decode("base.png", false);
  const std::vector<uint8_t> rgba = Decode("alpha.png", true);
  const uint32_t w = 37, h = 23;
  ASSERT_EQ(rgb.size(), size_t{w} * h * 3);
  auto write = [&](const std::string& name, const void* image, DWORD depth, DWORD stride, DWORD colours,
                   const RGBQUAD* palette, DWORD flags) {
    HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
    EXPECT_NE(pic_WriteBMP(dest, image, w, h, depth, stride, colours, palette, nullptr, flags), 0u) << name;
    Save(name, DrainDest(dest));
  };
  write("o24.bmp", rgb.data(), 24, w * 3, 0, nullptr, 0);
  EXPECT_EQ(Decode("o24.bmp", false), rgb);
  write("o32.bmp", rgba.data(), 32, w * 4, 0, nullptr, 0);
  EXPECT_EQ(Decode("o32.bmp", true), rgba);

  // Paletted: a palette of every colour that occurs, from 16 levels per channel.
  std::vector<RGBQUAD> palette;
  std::vector<uint8_t> idx(w * h), expect(w * h * 3);
  for (uint32_t i = 0; i < w * h; ++i) {
    const RGBQUAD q{static_cast<uint8_t>(rgb[3 * i + 2] & 0xC0), static_cast<uint8_t>(rgb[3 * i + 1] & 0xC0),
                    static_cast<uint8_t>(rgb[3 * i] & 0xC0), 0};
    size_t k = 0;
    while (k < palette.size() && std::memcmp(&palette[k], &q, 4) != 0) ++k;
    if (k == palette.size()) palette.push_back(q);
    idx[i] = static_cast<uint8_t>(k);
    expect[3 * i] = q.rgbRed;
    expect[3 * i + 1] = q.rgbGreen;
    expect[3 * i + 2] = q.rgbBlue;
  }
  ASSERT_LE(palette.size(), 64u);
  write("o8.bmp", idx.data(), 8, w, static_cast<DWORD>(palette.size()), palette.data(), 0);
  EXPECT_EQ(Decode("o8.bmp", false), expect);
  write("o8r.bmp", idx.data(), 8, w, static_cast<DWORD>(palette.size()), palette.data(), 1);
  EXPECT_EQ(Decode("o8r.bmp", false), expect);

  // 4 and 1 bits: packed rows from the low bits of the indices.
  const uint32_t s4 = (w + 1) / 2, s1 = (w + 7) / 8;
  std::vector<uint8_t> p4(s4 * h, 0), p1(s1 * h, 0), e4(w * h * 3), e1(w * h * 3);
  const RGBQUAD two[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t i = y * w + x;
      const uint8_t v4 = idx[i] & 15, v1 = idx[i] & 1;
      p4[y * s4 + x / 2] |= x & 1 ? v4 : static_cast<uint8_t>(v4 << 4);
      p1[y * s1 + x / 8] |= static_cast<uint8_t>(v1 << (7 - x % 8));
      e4[3 * i] = palette[v4].rgbRed;
      e4[3 * i + 1] = palette[v4].rgbGreen;
      e4[3 * i + 2] = palette[v4].rgbBlue;
      e1[3 * i] = e1[3 * i + 1] = e1[3 * i + 2] = v1 ? 255 : 0;
    }
  palette.resize(16);
  write("o4.bmp", p4.data(), 4, s4, 16, palette.data(), 0);
  EXPECT_EQ(Decode("o4.bmp", false), e4);
  write("o1.bmp", p1.data(), 1, s1, 2, two, 0);
  EXPECT_EQ(Decode("o1.bmp", false), e1);

  // 16 bits (5-5-5): both decoders widen the channels alike.
  std::vector<uint8_t> words(w * h * 2);
  for (uint32_t i = 0; i < w * h; ++i) {
    const uint32_t v = (rgb[3 * i] >> 3) << 10 | (rgb[3 * i + 1] >> 3) << 5 | rgb[3 * i + 2] >> 3;
    words[2 * i] = static_cast<uint8_t>(v);
    words[2 * i + 1] = static_cast<uint8_t>(v >> 8);
  }
  write("o16.bmp", words.data(), 16, w * 2, 0, nullptr, 0);
  EXPECT_EQ(Decode("o16.bmp", false), Ours("o16.bmp", 24));
}
