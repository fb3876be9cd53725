// PSD files of every colour mode ImageMagick writes decode as ImageMagick
// and Pillow decode them; our files read back the same in both.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/codec_entry_support.h"
#include "codecs/psd/pictura_psd.h"
#include "core/pictura_core.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

class PsdCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("Pillow", "/usr/bin/convert");
    dir_ = ScratchDir("psd_crosscheck");
    source_ = Gradient(kW, kH, 4, 7);
    Bytes rgb;
    for (size_t i = 0; i < source_.size(); i += 4)
      rgb.insert(rgb.end(), source_.begin() + i, source_.begin() + i + 3);
    WritePNM(dir_ / "source.ppm", rgb, kW, kH, 3);
    // RGBA with a varied alpha, as a PNG both tools take.
    ASSERT_TRUE(
        Pillow("im = Image.open(src).convert('RGBA')\n"
               "im.putalpha(Image.open(src).convert('L').point(lambda v: 255 - v))\n"
               "im.save(dst)",
               dir_ / "source.ppm", dir_ / "source.png"));
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }

  static constexpr uint32_t kW = 45, kH = 31;
  fs::path dir_;
  Bytes source_;
};

Bytes Ours(const fs::path& file, DWORD depth, DWORD flags = 0) {
  HPICSRC src = pic_OpenFileSource(file.string().c_str());
  DWORD w = 0, h = 0;
  RGBQUAD palette[256];
  Bytes out = TakeBlock(pic_ReadPSD(src, &w, &h, depth, palette, flags));
  EXPECT_EQ(PicGetLastError(), 0u) << file.filename() << " at " << depth;
  pic_CloseSource(src);
  return out;
}

Bytes PillowPixels(const fs::path& file, const std::string& expr) {
  fs::path out = file;
  out += ".pil";
  if (!Pillow("im = Image.open(src)\nopen(dst, 'wb').write(" + expr + ".tobytes())", file, out)) return {};
  return ReadFileBytes(out);
}

Bytes MagickPixels(const fs::path& file, const std::string& format, int depth) {
  fs::path out = file;
  out += "." + format;
  if (!Shell("/usr/bin/convert " + file.string() + "[0] -endian LSB -depth " + std::to_string(depth) + " " +
             format + ":" + out.string()))
    return {};
  return ReadFileBytes(out);
}

}  // namespace

TEST_F(PsdCrossCheck, ImageMagickFilesReadAsBothToolsReadThem) {
  struct Case {
    const char* name;
    const char* convert;  // arguments between the source and the PSD file
    const char* source;
    DWORD depth, flags;
    const char* pillow;  // expression over `im`; empty: ImageMagick only
    const char* magick;
    int magickDepth;
  };
  const Case cases[] = {
      {"rgb_rle.psd", "-depth 8", "source.ppm", 24, 0, "im.convert('RGB')", "rgb", 8},
      {"rgb_raw.psd", "-depth 8 -compress none", "source.ppm", 24, 0, "im.convert('RGB')", "rgb", 8},
      // ImageMagick takes a white matte out of the composite's colours; Pillow
      // and we keep the samples stored.
      {"rgba.psd", "-depth 8", "source.png", 32, 0, "im.convert('RGBA')", "", 8},
      {"grey.psd", "-colorspace Gray -depth 8", "source.ppm", 24, 0, "im.convert('RGB')", "rgb", 8},
      // ImageMagick 6.9 cannot read its own indexed files back.
      {"indexed.psd", "-colors 16 -type Palette -depth 8", "source.ppm", 24, 0, "im.convert('RGB')", "", 8},
      {"bitmap.psd", "-monochrome", "source.ppm", 24, 0, "im.convert('RGB')", "rgb", 8},
      {"rgb16_rle.psd", "-depth 16", "source.ppm", 48, 0, "", "rgb", 16},
      {"rgb16_raw.psd", "-depth 16 -compress none", "source.ppm", 48, 0, "", "rgb", 16},
      {"grey16.psd", "-colorspace Gray -depth 16", "source.ppm", 48, 0, "", "rgb", 16},
      // C, M, Y, K as stored (ink inverted) against Pillow's ink values.
      {"cmyk.psd", "-colorspace CMYK -depth 8", "source.ppm", 32, 4,
       "im.convert('CMYK').point(lambda v: 255 - v)", "", 8},
  };
  for (const Case& c : cases) {
    const fs::path file = Path(c.name);
    ASSERT_TRUE(Shell(std::string("/usr/bin/convert ") + Path(c.source).string() + " " + c.convert + " " +
                      file.string()))
        << c.name;
    const Bytes ours = Ours(file, c.depth, c.flags);
    ASSERT_FALSE(ours.empty()) << c.name;
    if (*c.pillow) {
      EXPECT_EQ(ours, PillowPixels(file, c.pillow)) << c.name << " against Pillow";
    }
    if (*c.magick) {
      EXPECT_EQ(ours, MagickPixels(file, c.magick, c.magickDepth)) << c.name << " against ImageMagick";
    }
  }
}

TEST_F(PsdCrossCheck, OurFilesReadTheSameInBothTools) {
  RGBQUAD colours[256];
  for (int i = 0; i < 256; ++i) colours[i] = RGBQUAD{uint8_t(i * 3), uint8_t(i), uint8_t(255 - i), 0};
  Bytes wide(size_t{kW} * kH * 8), index(size_t{kW} * kH), rgb;
  for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<uint8_t>(i * 7 + i / 97);
  for (size_t i = 0; i < index.size(); ++i) index[i] = source_[i * 4];
  for (size_t i = 0; i < source_.size(); i += 4)
    rgb.insert(rgb.end(), source_.begin() + i, source_.begin() + i + 3);
  Bytes indexRGB;
  for (uint8_t v : index)
    indexRGB.insert(indexRGB.end(), {colours[v].rgbRed, colours[v].rgbGreen, colours[v].rgbBlue});
  struct Case {
    const char* name;
    DWORD depth;
    const Bytes* image;
    Bytes want;
    const char* pillow;
    const char* magick;
    int magickDepth;
  } cases[] = {
      {"ours24.psd", 24, &rgb, rgb, "im.convert('RGB')", "rgb", 8},
      {"ours32.psd", 32, &source_, source_, "im.convert('RGBA')", "", 8},
      {"ours8.psd", 8, &index, indexRGB, "im.convert('RGB')", "", 8},
      {"ours48.psd", 48, &wide, Bytes(wide.begin(), wide.begin() + wide.size() / 8 * 6), "", "rgb", 16},
  };
  for (const Case& c : cases) {
    const fs::path file = Path(c.name);
    HPICDEST dest = pic_OpenFileDest(file.string().c_str(), FALSE);
    ASSERT_NE(pic_WritePSD(dest, c.image->data(), kW, kH, c.depth, kW * c.depth / 8, colours, 0), 0u)
        << c.name;
    pic_CloseDest(dest);
    if (*c.pillow) {
      EXPECT_EQ(PillowPixels(file, c.pillow), c.want) << c.name << " in Pillow";
    }
    if (*c.magick) {
      EXPECT_EQ(MagickPixels(file, c.magick, c.magickDepth), c.want) << c.name << " in ImageMagick";
    }
  }
}

// ImageMagick stores the resolution per inch and names the unit it was given:
// per centimetre comes back per centimetre (the whole inches converted).
TEST_F(PsdCrossCheck, ResolutionInImageMagickFilesKeepsItsUnit) {
  struct Case {
    const char* units;
    int density;
    double x;
    uint32_t unit;
  } cases[] = {{"PixelsPerInch", 72, 72, 1},
               {"PixelsPerCentimeter", 40, 39, 2}};  // 101.6 per inch: 101 x 0.3937
  for (const Case& c : cases) {
    const fs::path f = Path(std::string(c.units) + ".psd");
    ASSERT_TRUE(Shell("/usr/bin/convert " + Path("source.ppm").string() + " -units " + c.units +
                      " -density " + std::to_string(c.density) + " " + f.string()));
    HPICSRC src = pic_OpenFileSource(f.string().c_str());
    DWORD w = 0, h = 0, bits = 0, mode = 0;
    Pictura::PicResolutionInfo info;
    EXPECT_TRUE(pic_GetPSDDims(src, &w, &h, &bits, &mode, &info, 0));
    pic_CloseSource(src);
    EXPECT_EQ(info.x, c.x) << c.units;
    EXPECT_EQ(info.y, c.x) << c.units;
    EXPECT_EQ(info.unit, c.unit) << c.units;
  }
}
