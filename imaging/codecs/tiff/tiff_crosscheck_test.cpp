// Cross-checks with independent programs (natively): TIFF files of every
// depth (2-bit and 16-bit grey among them), orientation, strip and tile
// layout (uncompressed tiles too) and of several pages, made by
// libtiff's tiffcp, ImageMagick and Pillow, decode as tiff2rgba, ImageMagick
// and Pillow decode them; our files pass tiffinfo and read back the same in
// ImageMagick and Pillow.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codecs/codec_entry_support.h"
#include "codecs/tiff/pictura_tiff.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

const std::string kConvert = "/usr/bin/convert", kTiffcp = "/usr/bin/tiffcp",
                  kTiff2rgba = "/usr/bin/tiff2rgba", kTiffinfo = "/usr/bin/tiffinfo";

class TiffCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("Pillow", kConvert.c_str(), kTiffcp.c_str(), kTiff2rgba.c_str(), kTiffinfo.c_str());
    dir_ = ScratchDir("tiff_crosscheck");
    WritePNM(Path("src.ppm"), Gradient(kW, kH, 3, 7), kW, kH, 3);
    ASSERT_TRUE(
        Shell(kConvert + " " + Path("src.ppm").string() + " -compress none " + Path("base.tif").string()));
  }
  void TearDown() override {
    pic_SetTIFFOptions(-1, 0, 0, 75, 1, -1);
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }
  std::string P(const std::string& name) const { return Path(name).string(); }

  static constexpr uint32_t kW = 45, kH = 31;
  fs::path dir_;
};

Bytes Ours(const fs::path& file, DWORD depth, DWORD page = 0, DWORD flags = 0, RGBQUAD* palette = nullptr) {
  HPICSRC src = pic_OpenFileSource(file.string().c_str());
  EXPECT_NE(src, nullptr);
  DWORD w = 0, h = 0;
  RGBQUAD scratch[256];
  Bytes out = TakeBlock(pic_ReadTIFF(src, &w, &h, depth, palette ? palette : scratch, page, flags));
  EXPECT_EQ(PicGetLastError(), 0u) << file.filename() << " at " << depth;
  pic_CloseSource(src);
  return out;
}

// A tool's pixels written to a file beside the image.
Bytes Captured(const std::string& command, const fs::path& out) {
  if (!Shell(command)) return {};
  return ReadFileBytes(out);
}

// ImageMagick's upright samples ("rgb", "rgba", "gray"; 16-bit samples
// little-endian like ours).
Bytes Magick(const fs::path& file, const std::string& format, int depth = 8,
             const std::string& page = "[0]") {
  const fs::path out = file.string() + "." + format;
  return Captured(kConvert + " '" + file.string() + page + "' -auto-orient -endian LSB -depth " +
                      std::to_string(depth) + " " + format + ":" + out.string(),
                  out);
}

// libtiff's own RGBA rendering (orientations 1 to 4 only), alpha dropped.
Bytes Tiff2rgba(const fs::path& file) {
  const fs::path rgba = file.string() + ".rgba.tif";
  if (!Shell(kTiff2rgba + " -n " + file.string() + " " + rgba.string())) return {};
  return Magick(rgba, "rgb");
}

Bytes PillowBytes(const fs::path& file, const std::string& expr) {
  const fs::path out = file.string() + ".pil";
  if (!Pillow("im = Image.open(src)\nopen(dst, 'wb').write(" + expr + ".tobytes())", file, out)) return {};
  return ReadFileBytes(out);
}

TEST_F(TiffCrossCheck, LibtiffAndImageMagickLayoutsDecodeAsTheyDo) {
  struct Case {
    const char* name;
    std::string make;  // a shell command writing the file `name` from base.tif / src.ppm
    bool exact;        // lossless: exact against tiff2rgba, ImageMagick and Pillow
  };
  const std::string base = P("base.tif"), src = P("src.ppm");
  const Case cases[] = {
      {"lzw_predictor.tif", kTiffcp + " -c lzw:2 -r 3 " + base, true},
      {"zip_tiles.tif", kTiffcp + " -c zip -t -w 16 -l 16 " + base, true},
      {"packbits.tif", kTiffcp + " -c packbits -r 5 " + base, true},
      {"separate.tif", kTiffcp + " -p separate " + base, true},
      {"one_strip.tif", kTiffcp + " -s -r 1000 " + base, true},
      {"big_endian.tif", kConvert + " " + src + " -define tiff:endian=msb -compress zip", true},
      {"rgba_tiles.tif", kConvert + " " + src + " -alpha set -define tiff:tile-geometry=32x16", true},
      // Uncompressed tiles of 768 and 256 bytes (no multiple of 1024).
      {"none_tiles.tif", kTiffcp + " -c none -t -w 16 -l 16 " + base, true},
      {"none_tiles_planes.tif", kTiffcp + " -c none -p separate -t -w 16 -l 16 " + base, true},
      {"rgb16_none_tiles.tif",
       kConvert + " " + src + " -depth 16 -compress none -define tiff:tile-geometry=16x16", true},
      {"jpeg_ycbcr.tif", kTiffcp + " -c jpeg:r -r 16 " + base, false},
      {"jpeg_tiles.tif", kTiffcp + " -c jpeg -t -w 32 -l 32 " + base, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path f = Path(c.name);
    ASSERT_TRUE(Shell(c.make + " " + f.string()));
    const Bytes ours = Ours(f, 24);
    EXPECT_EQ(ours, Tiff2rgba(f));  // the same decoder: exact also for JPEG
    const Bytes magick = Magick(f, "rgb");
    ASSERT_EQ(ours.size(), magick.size());
    EXPECT_LE(MaxDiff(ours, magick), c.exact ? 0 : 3);
    EXPECT_EQ(Ours(f, 24, 0, 64).size(), ours.size());
  }
}

// 2-bit grey and palette files, in strips and uncompressed tiles, and 16-bit
// grey: our 8-bit read (its indices through its palette) and our 24-bit read
// give the colours ImageMagick, Pillow and libtiff give 2-bit files; of
// ImageMagick's 16-bit samples the 8-bit read gives v x 255 / 65535,
// truncated, and the 24-bit read the high byte, as libtiff's RGBA path
// does (ImageMagick's own 8-bit output rounds, Pillow's clips).
TEST_F(TiffCrossCheck, TwoBitAndSixteenBitGreyDecodeAsImageMagickAndPillowDo) {
  const std::string src = P("src.ppm"), tiles = " -compress none -define tiff:tile-geometry=16x16";
  struct Case {
    const char* name;
    std::string make;  // options between the source and the file
    bool wide;         // 16-bit samples
  };
  const Case cases[] = {
      {"grey2.tif", " -colorspace gray -depth 2", false},
      {"grey2_tiles.tif", " -colorspace gray -depth 2" + tiles, false},
      {"palette2.tif", " -colors 4 -type palette -depth 2", false},
      {"palette2_tiles.tif", " -colors 4 -type palette -depth 2" + tiles, false},
      {"grey16_tiles.tif", " -colorspace gray -depth 16" + tiles, true},
      {"grey16_lzw.tif", " -colorspace gray -depth 16 -compress lzw", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path f = Path(c.name);
    ASSERT_TRUE(Shell(kConvert + " " + src + c.make + " " + f.string()));
    RGBQUAD palette[256];
    const Bytes indices = Ours(f, 8, 0, 0, palette);
    Bytes viaPalette;
    for (uint8_t i : indices)
      viaPalette.insert(viaPalette.end(), {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
    const Bytes rgb = Ours(f, 24);
    Bytes want, wantRgb;
    if (c.wide) {
      const Bytes samples = Magick(f, "gray", 16);
      ASSERT_EQ(samples.size(), size_t{kW} * kH * 2);
      for (size_t i = 0; i < samples.size(); i += 2) {
        const uint32_t v = samples[i] | samples[i + 1] << 8;
        const auto scaled = static_cast<uint8_t>(v * 255 / 65535), high = static_cast<uint8_t>(v >> 8);
        want.insert(want.end(), {scaled, scaled, scaled});
        wantRgb.insert(wantRgb.end(), {high, high, high});
      }
      EXPECT_LE(MaxDiff(rgb, Magick(f, "rgb")), 1);
    } else {
      want = wantRgb = Magick(f, "rgb");
      EXPECT_EQ(rgb, PillowBytes(f, "im.convert('RGB')"));
      EXPECT_EQ(rgb, Tiff2rgba(f));
    }
    ASSERT_EQ(want.size(), size_t{kW} * kH * 3);
    EXPECT_EQ(viaPalette, want);
    EXPECT_EQ(rgb, wantRgb);
  }
}

TEST_F(TiffCrossCheck, EveryOrientationComesUprightAsImageMagickTurnsIt) {
  static const char* kNames[] = {"TopLeft", "TopRight", "BottomRight", "BottomLeft",
                                 "LeftTop", "RightTop", "RightBottom", "LeftBottom"};
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(kNames[o - 1]);
    const fs::path f = Path("orient" + std::to_string(o) + ".tif");
    ASSERT_TRUE(Shell(kConvert + " " + P("src.ppm") + " -orient " + kNames[o - 1] + " " + f.string()));
    EXPECT_EQ(Ours(f, 24), Magick(f, "rgb"));
    EXPECT_EQ(Ours(f, 32), Magick(f, "rgba"));
    // Our own writer's tag says the same.
    pic_SetTIFFOptions(-1, 0, 0, 75, o, -1);
    const Bytes stored = Ours(f, 24, 0, 1);
    const fs::path mine = Path("mine" + std::to_string(o) + ".tif");
    HPICDEST d = pic_OpenFileDest(mine.string().c_str(), FALSE);
    ASSERT_GT(pic_WriteTIFF(d, stored.data(), o >= 5 ? kH : kW, o >= 5 ? kW : kH, 24, 5, nullptr,
                            (o >= 5 ? kH : kW) * 3, nullptr, 0),
              0u);
    pic_CloseDest(d);
  }
}

TEST_F(TiffCrossCheck, PillowModesAndDepthsDecodeAsPillowDecodesThem) {
  struct Case {
    const char* name;
    const char* make;  // from the RGB source `im`
    DWORD depth;       // ours
    const char* ref;   // Pillow's view of the same pixels
  };
  const Case cases[] = {
      {"rgb.tif", "im", 24, "im"},
      {"cmyk.tif", "im.convert('CMYK')", 32, "im"},  // read raw (flag 4)
      {"l.tif", "im.convert('L')", 8, "im"},
      {"l_deflate.tif", "im.convert('L')", 24, "im.convert('RGB')"},
      {"p16.tif", "im.convert('P', palette=Image.ADAPTIVE, colors=16)", 24, "im.convert('RGB')"},
      {"p256.tif", "im.convert('P', palette=Image.ADAPTIVE, colors=200)", 8, "im"},
      {"one_g4.tif", "im.convert('1')", 24, "im.convert('RGB')"},
      {"one_lzw.tif", "im.convert('1')", 24, "im.convert('RGB')"},
      {"i16.tif", "im.convert('L').point(lambda v: v * 257 + 3, 'I').convert('I;16')", 16, "im"},
      {"rgba.tif", "im.convert('RGBA')", 24, "im.convert('RGB')"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string n = c.name;
    const std::string compression = n.find("g4") != std::string::npos ? ", compression='group4'"
                                    : n.find("deflate") != std::string::npos
                                        ? ", compression='tiff_adobe_deflate'"
                                    : n.find("lzw") != std::string::npos ? ", compression='tiff_lzw'"
                                                                         : "";
    ASSERT_TRUE(
        Pillow("im = Image.open(src)\nim = " + std::string(c.make) + "\nim.save(dst" + compression + ")",
               Path("src.ppm"), Path(n)));
    RGBQUAD palette[256];
    Bytes ours = Ours(Path(n), c.depth, 0, n == "cmyk.tif" ? 4 : 0, palette);
    const Bytes theirs = PillowBytes(Path(n), c.ref);
    if (n == "p256.tif") {  // indices may be ordered differently: compare colours
      Bytes rgb;
      for (uint8_t i : ours)
        rgb.insert(rgb.end(), {palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
      EXPECT_EQ(rgb, PillowBytes(Path(n), "im.convert('RGB')"));
      continue;
    }
    if (n == "l.tif") {
      EXPECT_EQ(palette[200].rgbGreen, 200);
    }
    EXPECT_EQ(ours, theirs);
  }
}

TEST_F(TiffCrossCheck, PagesCountAndReadAsTiffinfoAndImageMagickSeeThem) {
  const fs::path f = Path("pages.tif");
  ASSERT_TRUE(Shell(kConvert + " " + P("src.ppm") + " \\( " + P("src.ppm") +
                    " -rotate 90 -colorspace Gray \\) " + P("src.ppm") + " -monochrome -adjoin " +
                    f.string()));
  HPICSRC src = pic_OpenFileSource(f.string().c_str());
  EXPECT_EQ(pic_GetTIFFPageCount(src), 3u);
  pic_CloseSource(src);
  ASSERT_TRUE(Shell(kTiffinfo + " " + f.string() + " | grep -c 'TIFF Directory' | grep -qx 3"));
  EXPECT_EQ(Ours(f, 24, 0), Magick(f, "rgb", 8, "[0]"));
  EXPECT_EQ(Ours(f, 8, 1), Magick(f, "gray", 8, "[1]"));
  EXPECT_EQ(Ours(f, 24, 2), Magick(f, "rgb", 8, "[2]"));
}

TEST_F(TiffCrossCheck, OurFilesOfEveryDepthPassTiffinfoAndReadBackElsewhere) {
  struct Case {
    DWORD depth, compression, flags;
    const char* magick;  // format and depth ImageMagick gives back
    int magickDepth;
  };
  const Case cases[] = {
      {1, 4, 32, "gray", 8},    {1, 3, 0, "gray", 8},     {8, 5, 2 | 64, "gray", 8},
      {8, 8, 0, "gray", 8},     {16, 8, 64, "gray", 16},  {24, 5, 64 | 128, "rgb", 8},
      {24, 32773, 0, "rgb", 8}, {32, 8, 0, "rgba", 8},    {48, 5, 64, "rgb", 16},
      {64, 1, 128, "rgba", 16}, {1, 32771, 0, "gray", 8}, {48, 32773, 0, "rgb", 16},
  };
  RGBQUAD grey[256];
  for (int i = 0; i < 256; ++i) grey[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  pic_SetTIFFOptions(7, 32, 16, 75, 1, -1);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.depth << "/" << c.compression << "/" << c.flags);
    const uint32_t row = (kW * c.depth + 7) / 8;
    Bytes img = Noise(size_t{row} * kH, c.depth);
    if (c.depth == 1)
      for (uint32_t y = 0; y < kH; ++y) img[y * row + row - 1] &= 0xF8;  // 45 = 5 x 8 + 5
    const fs::path f = Path("ours" + std::to_string(&c - cases) + ".tif");
    HPICDEST d = pic_OpenFileDest(f.string().c_str(), FALSE);
    ASSERT_GT(pic_WriteTIFF(d, img.data(), kW, kH, c.depth, c.compression, grey, row, nullptr, c.flags), 0u);
    pic_CloseDest(d);
    EXPECT_TRUE(Shell(kTiffinfo + " -D " + f.string() + " 2>&1 | grep -qv -i error"));
    Bytes expected = img;
    if (c.depth == 1) {  // ImageMagick's grey of each bit
      expected.clear();
      for (uint32_t y = 0; y < kH; ++y)
        for (uint32_t x = 0; x < kW; ++x) {
          const bool set = img[y * row + x / 8] >> (7 - x % 8) & 1;
          expected.push_back((set != !(c.flags & 32)) ? 255 : 0);
        }
    }
    if (c.depth == 32 || c.depth == 64) continue;  // associated alpha: ImageMagick unpremultiplies
    EXPECT_EQ(Magick(f, c.magick, c.magickDepth), expected);
    if (c.depth == 24) {
      EXPECT_EQ(PillowBytes(f, "im"), img);
    }
  }
}

}  // namespace
