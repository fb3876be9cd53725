// Cross-checks with independent programs (natively): TGA files made by
// netpbm, ImageMagick and Pillow decode as those programs decode them, and
// our files read back exactly in them.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/codec_entry_support.h"
#include "core/pictura_core.h"
#include "codecs/tga/pictura_tga.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kW = 45, kH = 31;

Bytes FewColours(uint32_t colours, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes table = Noise(colours * 3, seed + 1), img;
  for (uint32_t i = 0; i < kW * kH; ++i) {
    const uint32_t c = rng() % colours;
    img.insert(img.end(), table.begin() + 3 * c, table.begin() + 3 * c + 3);
  }
  return img;
}

Bytes Grey(const Bytes& rgb) {
  Bytes out;
  for (size_t i = 0; i < rgb.size(); i += 3) out.insert(out.end(), {rgb[i], rgb[i], rgb[i]});
  return out;
}

class TgaCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("/usr/bin/pamtotga", "/usr/bin/tgatoppm", "/usr/bin/convert", "Pillow");
    dir_ = ScratchDir("tga_crosscheck");
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }

  Bytes Ppm(const std::string& command) {
    const fs::path out = Path("tool.ppm");
    if (!Shell("(" + command + " > " + out.string() + ")")) return {};
    uint32_t w = 0, h = 0, c = 0;
    return ReadPNM(out, &w, &h, &c);
  }
  Bytes Netpbm(const fs::path& tga) { return Ppm("/usr/bin/tgatoppm " + tga.string()); }
  // ImageMagick 6 keeps a TGA file's row order and notes its orientation
  // beside the pixels: -auto-orient gives the picture.
  Bytes Magick(const fs::path& tga) {
    return Ppm("/usr/bin/convert " + tga.string() + " -auto-orient -depth 8 ppm:-");
  }
  Bytes PillowAs(const fs::path& tga, const char* mode) {
    const fs::path out = Path("pillow.raw");
    if (!Pillow(std::string("open(dst, 'wb').write(Image.open(src).convert('") + mode + "').tobytes())", tga,
                out))
      return {};
    return ReadFileBytes(out);
  }

  fs::path dir_;
};

Bytes Ours(const fs::path& file, DWORD depth) {
  Source src(ReadFileBytes(file));
  DWORD w = 0, h = 0;
  Bytes out = TakeBlock(pic_ReadTGA(src, &w, &h, depth, nullptr, 0));
  EXPECT_EQ(PicGetLastError(), 0u) << file.filename();
  return out;
}

}  // namespace

TEST_F(TgaCrossCheck, ToolFilesDecodeLikeTheTools) {
  struct Case {
    const char* name;
    Bytes pixels;      // what the file shows
    std::string make;  // shell command from in.ppm (or in.pgm) to the TGA file
  };
  const std::string ppm = Path("in.ppm").string(), pgm = Path("in.pgm").string();
  const Bytes noise = Noise(kW * kH * 3, 3), few = FewColours(100, 4);
  const Case cases[] = {
      {"pamtotga run-length RGB", noise, "/usr/bin/pamtotga -rgb " + ppm},
      {"pamtotga raw RGB", noise, "/usr/bin/pamtotga -rgb -norle " + ppm},
      {"pamtotga run-length colour map", few, "/usr/bin/pamtotga -cmap " + ppm},
      {"pamtotga raw colour map", few, "/usr/bin/pamtotga -cmap -norle " + ppm},
      {"pamtotga run-length grey", Grey(noise), "/usr/bin/pamtotga -mono " + pgm},
      {"pamtotga raw grey", Grey(few), "/usr/bin/pamtotga -mono -norle " + pgm},
      // A picture without an orientation would be written top row first
      // behind a header that says bottom row first.
      {"ImageMagick raw", noise, "/usr/bin/convert " + ppm + " -orient TopLeft tga:-"},
      {"ImageMagick run-length", few, "/usr/bin/convert " + ppm + " -orient TopLeft -compress RLE tga:-"},
      {"ImageMagick palette", few, "/usr/bin/convert " + ppm + " -orient TopLeft -type Palette tga:-"},
      {"ImageMagick grey", Grey(noise), "/usr/bin/convert " + pgm + " -orient TopLeft tga:-"},
  };
  for (const Case& c : cases) {
    Bytes grey;
    for (size_t i = 0; i < c.pixels.size(); i += 3) grey.push_back(c.pixels[i]);
    WritePNM(ppm, c.pixels, kW, kH, 3);
    WritePNM(pgm, grey, kW, kH, 1);
    const fs::path tga = Path("tool.tga");
    ASSERT_TRUE(Shell("(" + c.make + " > " + tga.string() + ")")) << c.name;
    const Bytes ours = Ours(tga, 24);
    EXPECT_EQ(ours, c.pixels) << c.name;
    EXPECT_EQ(ours, Netpbm(tga)) << c.name;
    EXPECT_EQ(ours, Magick(tga)) << c.name;
    EXPECT_EQ(ours, PillowAs(tga, "RGB")) << c.name;
  }
}

TEST_F(TgaCrossCheck, PillowFilesDecodeLikePillow) {
  WritePNM(Path("in.ppm"), Noise(kW * kH * 3, 12), kW, kH, 3);
  struct Case {
    const char* mode;
    const char* options;
  };
  for (const Case& c :
       {Case{"RGB", ""}, Case{"RGB", ", compression='tga_rle'"}, Case{"RGBA", ""},
        Case{"RGBA", ", compression='tga_rle'"}, Case{"L", ""}, Case{"L", ", compression='tga_rle'"},
        Case{"P", ""}, Case{"P", ", compression='tga_rle'"}}) {
    const fs::path tga = Path("pillow.tga");
    const std::string make = std::string("im = Image.open(src).convert('") + c.mode + "')\n" +
                             (std::string(c.mode) == "RGBA" ? "im.putalpha(im.getchannel('G'))\n" : "") +
                             "im.save(dst" + c.options + ")";
    ASSERT_TRUE(Pillow(make, Path("in.ppm"), tga)) << c.mode;
    EXPECT_EQ(Ours(tga, 24), PillowAs(tga, "RGB")) << c.mode << c.options;
    if (std::string(c.mode) == "RGBA") {
      EXPECT_EQ(Ours(tga, 32), PillowAs(tga, "RGBA")) << c.mode << c.options;
    }
  }
}

TEST_F(TgaCrossCheck, OurFilesReadBackInTheTools) {
  RGBQUAD palette[256];
  for (int i = 0; i < 256; ++i)
    palette[i] = RGBQUAD{static_cast<uint8_t>(i * 5), static_cast<uint8_t>(i ^ 0x5A),
                         static_cast<uint8_t>(255 - i), 0};
  for (DWORD depth : {8u, 24u, 32u}) {
    const DWORD stride = kW * depth / 8;
    const Bytes image = Noise(size_t{stride} * kH, depth);
    Bytes rgb, rgba;
    for (uint32_t i = 0; i < kW * kH; ++i) {
      const uint8_t* p = image.data() + i * (depth / 8);
      const RGBQUAD& e = palette[p[0]];
      const Bytes px = depth == 8 ? Bytes{e.rgbRed, e.rgbGreen, e.rgbBlue} : Bytes{p[0], p[1], p[2]};
      rgb.insert(rgb.end(), px.begin(), px.end());
      rgba.insert(rgba.end(), px.begin(), px.end());
      rgba.push_back(depth == 32 ? p[3] : 255);
    }
    Dest dest;
    ASSERT_NE(pic_WriteTGA(dest, image.data(), kW, kH, depth, stride, palette, 0, 0), 0u);
    const fs::path tga = Path("ours.tga");
    WriteFileBytes(tga, dest.Contents());
    EXPECT_EQ(Netpbm(tga), rgb) << depth;
    EXPECT_EQ(Magick(tga), rgb) << depth;
    EXPECT_EQ(PillowAs(tga, "RGB"), rgb) << depth;
    EXPECT_EQ(PillowAs(tga, "RGBA"), rgba) << depth;
  }
}
