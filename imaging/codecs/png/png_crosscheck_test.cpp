// Cross-checks with independent programs (natively): PNG files of every
// colour type and depth made by Pillow and ImageMagick decode exactly as
// they decode them, and our files pass pngcheck and read back exactly in
// Pillow.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/codec_entry_support.h"
#include "codecs/png/png_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "codecs/png/pictura_png.h"
#include "codecs/meta/pictura_icc.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

class PngCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("Pillow", "/usr/bin/convert");
    dir_ = ScratchDir("png_crosscheck");
    rgb_ = dir_ / "source.ppm";
    WritePNM(rgb_, Noise(kW * kH * 3, 4), kW, kH, 3);
  }
  void TearDown() override {
    pic_ClearPNGTextChunks();
    pic_SetICCProfile(nullptr, 0);
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }

  static constexpr uint32_t kW = 45, kH = 31;
  fs::path dir_, rgb_;
};

Bytes Ours(const fs::path& file, DWORD depth, RGBQUAD* palette = nullptr, DWORD flags = 0) {
  HPICSRC src = pic_OpenFileSource(file.string().c_str());
  EXPECT_NE(src, nullptr);
  DWORD w = 0, h = 0;
  Bytes out = TakeBlock(pic_ReadPNG(src, &w, &h, depth, palette, flags));
  EXPECT_EQ(PicGetLastError(), 0u) << file.filename() << " at " << depth;
  pic_CloseSource(src);
  return out;
}

// Pillow's pixels after `convert`.
Bytes PillowPixels(const fs::path& file, const std::string& expr) {
  fs::path out = file;
  out += ".raw";
  if (!Pillow("im = Image.open(src)\nopen(dst, 'wb').write(" + expr + ".tobytes())", file, out)) return {};
  return ReadFileBytes(out);
}

// ImageMagick's samples ("rgb", "rgba", "gray"; depth 8 or 16, 16-bit
// samples little-endian like ours).
Bytes MagickPixels(const fs::path& file, const std::string& format, int depth) {
  fs::path out = file;
  out += "." + format;
  if (!Shell("/usr/bin/convert " + file.string() + " -endian LSB -depth " + std::to_string(depth) + " " +
             format + ":" + out.string()))
    return {};
  return ReadFileBytes(out);
}

}  // namespace

TEST_F(PngCrossCheck, PillowFilesOfEveryModeDecodeLikePillow) {
  struct Case {
    const char* name;
    const char* make;  // from the RGB source `im`
  };
  const Case cases[] = {
      {"rgb.png", "im"},
      {"rgba.png", "im.convert('RGBA').point(lambda v: v)"},
      {"l.png", "im.convert('L')"},
      {"la.png", "im.convert('LA')"},
      {"one.png", "im.convert('1')"},
      {"p.png", "im.convert('P', palette=Image.ADAPTIVE, colors=200)"},
      {"i16.png", "im.convert('L').point(lambda v: v * 257 + 7, 'I').convert('I;16')"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(
        Pillow("im = Image.open(src)\nim = " + std::string(c.make) + "\nim.save(dst)", rgb_, Path(c.name)));
    const fs::path f = Path(c.name);
    if (std::string(c.name) == "i16.png") continue;  // Pillow clips 16-bit grey to 255 on conversion
    EXPECT_EQ(Ours(f, 24), PillowPixels(f, "im.convert('RGB')"));
    EXPECT_EQ(Ours(f, 32), PillowPixels(f, "im.convert('RGBA')"));
  }
  RGBQUAD palette[256];
  EXPECT_EQ(Ours(Path("p.png"), 8, palette), PillowPixels(Path("p.png"), "im"));
  Bytes pal = PillowPixels(Path("p.png"), "Image.frombytes('RGB', (200, 1), bytes(im.getpalette()[:600]))");
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(palette[i].rgbRed, pal[3 * i]);
    EXPECT_EQ(palette[i].rgbBlue, pal[3 * i + 2]);
  }
  EXPECT_EQ(Ours(Path("l.png"), 8, palette), PillowPixels(Path("l.png"), "im"));
  EXPECT_EQ(Ours(Path("one.png"), 1, palette), PillowPixels(Path("one.png"), "im"));
  EXPECT_EQ(Ours(Path("i16.png"), 16, nullptr, 4), PillowPixels(Path("i16.png"), "im.convert('I;16')"));
  // Grey and alpha pairs.
  EXPECT_EQ(Ours(Path("la.png"), 16), PillowPixels(Path("la.png"), "im"));
  // Palette transparency comes out as alpha.
  ASSERT_TRUE(
      Pillow("im = Image.open(src).convert('P', palette=Image.ADAPTIVE, colors=16)\n"
             "im.save(dst, transparency=3)",
             rgb_, Path("ptrns.png")));
  EXPECT_EQ(Ours(Path("ptrns.png"), 32), PillowPixels(Path("ptrns.png"), "im.convert('RGBA')"));
  Ours(Path("ptrns.png"), 8, palette);
  EXPECT_EQ(palette[3].rgbReserved, 0);
  EXPECT_EQ(palette[4].rgbReserved, 255);
}

TEST_F(PngCrossCheck, ImageMagickFilesOfOtherDepthsDecodeLikeImageMagick) {
  struct Case {
    const char* name;
    const char* options;
    const char* format;  // ImageMagick's raw form to compare against
    int depth;           // 8 or 16
    DWORD ours;          // our read depth
  };
  const Case cases[] = {
      {"g2.png", "-colorspace Gray -depth 2 -define png:color-type=0", "gray", 8, 24},
      {"g4.png", "-colorspace Gray -depth 4 -define png:color-type=0", "gray", 8, 24},
      {"rgb16.png", "-depth 16 -evaluate add 0.37% -define png:bit-depth=16 -define png:color-type=2", "rgb",
       16, 48},
      {"rgba16.png",
       "-depth 16 -evaluate add 0.37% -alpha set -channel A -evaluate set 60.1% +channel "
       "-define png:bit-depth=16 -define png:color-type=6",
       "rgba", 16, 64},
      {"ga16.png",
       "-depth 16 -colorspace Gray -evaluate add 0.37% -alpha set -channel A -evaluate set 30.1% "
       "+channel -define png:bit-depth=16 -define png:color-type=4",
       "rgba", 16, 64},
      {"interlaced.png", "-interlace PNG", "rgb", 8, 24},
      {"interlaced16.png",
       "-depth 16 -evaluate add 0.37% -interlace PNG -define png:bit-depth=16 "
       "-define png:color-type=2",
       "rgb", 16, 48},
      {"p4.png", "-colors 12 -define png:color-type=3 -define png:bit-depth=4", "rgb", 8, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path f = Path(c.name);
    ASSERT_TRUE(Shell("/usr/bin/convert " + rgb_.string() + " " + c.options + " " + f.string()));
    Bytes reference = MagickPixels(f, c.format, c.depth);
    Bytes ours = Ours(f, c.ours);
    if (std::string(c.format) == "gray") {
      ASSERT_EQ(ours.size(), reference.size() * 3);
      for (size_t i = 0; i < reference.size(); ++i) ASSERT_EQ(ours[3 * i], reference[i]) << i;
    } else {
      EXPECT_EQ(ours, reference);
    }
  }
}

TEST_F(PngCrossCheck, OurFilesPassPngcheckAndReadBackInPillow) {
  PICTEST_REQUIRE_TOOLS("/usr/bin/pngcheck");
  const uint32_t w = 23, h = 17;
  struct Form {
    uint32_t type, depth;
    const char* pillowMode;  // what Pillow's image is compared in
  };
  const Form forms[] = {{0, 1, "1"}, {0, 8, "L"}, {0, 16, "I;16"}, {2, 8, "RGB"},  {2, 16, nullptr},
                        {3, 4, "P"}, {3, 8, "P"}, {4, 8, "LA"},    {6, 8, "RGBA"}, {6, 16, nullptr}};
  ASSERT_TRUE(pic_AddPNGTextChunk("Title", "Waylune", 0));
  ASSERT_TRUE(pic_AddPNGTextChunk("Comment", "a longer text, deflated", 1));
  Bytes profile = ReadFileBytes("/usr/share/color/icc/sRGB.icc");
  std::vector<RGBQUAD> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 5), BYTE(i)};
  for (const Form& f : forms) {
    for (DWORD interlace : {0u, 1u}) {
      SCOPED_TRACE(testing::Message() << f.type << "/" << f.depth << " interlace " << interlace);
      const bool colour = f.type == 2 || f.type == 6;
      pic_SetICCProfile(colour && !profile.empty() ? profile.data() : nullptr,
                        colour ? static_cast<DWORD>(profile.size()) : 0);
      Bytes img =
          PngSamples(w, h, f.type, f.depth, f.type * 16 + f.depth, f.type == 3 ? (1u << f.depth) - 1 : 255);
      const fs::path file = Path("ours.png");
      HPICDEST dest = pic_OpenFileDest(file.string().c_str(), FALSE);
      ASSERT_NE(dest, nullptr);
      Pictura::PicResolutionInfo res{2835, 2835, 1};
      pic_WritePNG(dest, img.data(), w, h, PngRowBytes(w, f.type, f.depth), f.depth,
                   f.type == 3 ? 1u << f.depth : 0, palette.data(), f.type, 0.45455, &res,
                   interlace | (f.type == 3 ? 2u : 0u));
      ASSERT_EQ(PicGetLastError(), 0u);
      pic_CloseDest(dest);
      EXPECT_TRUE(Shell("/usr/bin/pngcheck -q " + file.string()));
      if (!f.pillowMode) {
        // 16-bit colour: ImageMagick's samples, big-endian.
        EXPECT_EQ(MagickPixels(file, f.type == 2 ? "rgb" : "rgba", 16), img);
        continue;
      }
      Bytes pillow = PillowPixels(file, "im");
      if (f.depth == 16) {
        EXPECT_EQ(PillowPixels(file, "im.convert('I;16')"), img);  // little-endian too
      } else if (f.type == 0 && f.depth == 1) {
        EXPECT_EQ(pillow, img);  // mode 1 keeps packed rows
      } else if (f.depth < 8) {
        // Pillow unpacks to a byte a pixel (255 for set bits of mode 1).
        const uint32_t rowBytes = PngRowBytes(w, f.type, f.depth);
        ASSERT_EQ(pillow.size(), size_t{w} * h);
        for (uint32_t y = 0; y < h; ++y)
          for (uint32_t x = 0; x < w; ++x) {
            const uint32_t bit = x * f.depth;
            uint32_t v = (img[y * rowBytes + bit / 8] >> (8 - f.depth - bit % 8)) & ((1u << f.depth) - 1);
            ASSERT_EQ(pillow[y * w + x], v);
          }
      } else {
        EXPECT_EQ(pillow, img);
      }
    }
  }
  fs::path info = Path("info.txt");
  ASSERT_TRUE(
      Pillow("im = Image.open(src)\nopen(dst, 'w').write('%s|%s|%d' % (im.info.get('Title'), "
             "im.info.get('Comment'), len(im.info.get('icc_profile', b''))))",
             Path("ours.png"), info));
  Bytes text = ReadFileBytes(info);
  EXPECT_EQ(std::string(text.begin(), text.end()),
            "Waylune|a longer text, deflated|" + std::to_string(profile.size()));
}
