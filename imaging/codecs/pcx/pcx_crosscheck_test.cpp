// Cross-checks with independent programs (natively): PCX files made by
// netpbm, ImageMagick and Pillow decode as those programs decode them, and
// our files read back exactly in them.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/codec_entry_support.h"
#include "core/pictura_core.h"
#include "codecs/pcx/pictura_pcx.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kW = 45, kH = 31;

// width x height pixels drawn from `colours` distinct colours.
Bytes FewColours(uint32_t colours, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes table = Noise(colours * 3, seed + 1);
  for (uint32_t i = 0; i < colours; ++i) table[3 * i] = static_cast<uint8_t>(i);  // distinct
  if (colours == 2) table = {0, 0, 0, 255, 255, 255};
  Bytes img;
  for (uint32_t i = 0; i < kW * kH; ++i) {
    const uint32_t c = rng() % colours;
    img.insert(img.end(), table.begin() + 3 * c, table.begin() + 3 * c + 3);
  }
  return img;
}

class PcxCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("/usr/bin/ppmtopcx", "/usr/bin/pcxtoppm", "/usr/bin/convert", "Pillow");
    dir_ = ScratchDir("pcx_crosscheck");
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }

  // A tool's decode of a PCX file as R, G, B.
  Bytes Netpbm(const fs::path& pcx) {
    const fs::path out = Path("netpbm.ppm");
    if (!Shell("(/usr/bin/pcxtoppm " + pcx.string() + " > " + out.string() + ")")) return {};
    uint32_t w = 0, h = 0, c = 0;
    return ReadPNM(out, &w, &h, &c);
  }
  Bytes Magick(const fs::path& pcx) {
    const fs::path out = Path("magick.ppm");
    if (!Shell("/usr/bin/convert " + pcx.string() + " -depth 8 " + out.string())) return {};
    uint32_t w = 0, h = 0, c = 0;
    return ReadPNM(out, &w, &h, &c);
  }
  Bytes PillowRGB(const fs::path& pcx) {
    const fs::path out = Path("pillow.raw");
    if (!Pillow("open(dst, 'wb').write(Image.open(src).convert('RGB').tobytes())", pcx, out)) return {};
    return ReadFileBytes(out);
  }

  fs::path dir_;
};

Bytes Ours(const fs::path& file) {
  Source src(ReadFileBytes(file));
  DWORD w = 0, h = 0;
  Bytes out = TakeBlock(pic_ReadPCX(src, &w, &h, 24, nullptr, 0));
  EXPECT_EQ(PicGetLastError(), 0u) << file.filename();
  return out;
}

}  // namespace

TEST_F(PcxCrossCheck, ToolFilesDecodeLikeTheTools) {
  struct Case {
    const char* name;
    Bytes pixels;
    std::string make;  // shell command from in.ppm to the PCX file
  };
  const std::string in = Path("in.ppm").string();
  const Case cases[] = {
      {"ppmtopcx 24 bits", Noise(kW * kH * 3, 3), "/usr/bin/ppmtopcx -24bit " + in},
      {"ppmtopcx 8 bits", FewColours(200, 4), "/usr/bin/ppmtopcx -8bit " + in},
      {"ppmtopcx 16 colours in 4 planes", FewColours(16, 5), "/usr/bin/ppmtopcx " + in},
      {"ppmtopcx 4 colours in 2 planes", FewColours(4, 6), "/usr/bin/ppmtopcx " + in},
      {"ppmtopcx 16 colours packed", FewColours(16, 7), "/usr/bin/ppmtopcx -packed " + in},
      {"ppmtopcx 4 colours packed", FewColours(4, 8), "/usr/bin/ppmtopcx -packed " + in},
      {"ppmtopcx black and white", FewColours(2, 9), "/usr/bin/ppmtopcx " + in},
      {"ImageMagick true colour", Noise(kW * kH * 3, 10), "/usr/bin/convert " + in + " pcx:-"},
      {"ImageMagick few colours", FewColours(9, 11), "/usr/bin/convert " + in + " -type Palette pcx:-"},
  };
  for (const Case& c : cases) {
    WritePNM(in, c.pixels, kW, kH, 3);
    const fs::path pcx = Path("tool.pcx");
    ASSERT_TRUE(Shell("(" + c.make + " > " + pcx.string() + ")")) << c.name;
    const Bytes ours = Ours(pcx);
    EXPECT_EQ(ours, c.pixels) << c.name;
    EXPECT_EQ(ours, Netpbm(pcx)) << c.name;
    if (c.pixels != FewColours(2, 9)) {  // ImageMagick 6 inverts 1-bit files (see below)
      EXPECT_EQ(ours, Magick(pcx)) << c.name;
    }
    if (c.make.find("-packed") == std::string::npos) {  // Pillow reads no 2- or 4-bit packed pixels
      EXPECT_EQ(ours, PillowRGB(pcx)) << c.name;
    }
  }
}

TEST_F(PcxCrossCheck, PillowFilesDecodeLikePillow) {
  WritePNM(Path("in.ppm"), Noise(kW * kH * 3, 12), kW, kH, 3);
  for (const char* mode : {"RGB", "L", "P", "1"}) {
    const fs::path pcx = Path(std::string("pillow_") + mode + ".pcx");
    ASSERT_TRUE(
        Pillow(std::string("Image.open(src).convert('") + mode + "').save(dst)", Path("in.ppm"), pcx));
    EXPECT_EQ(Ours(pcx), PillowRGB(pcx)) << mode;
  }
}

TEST_F(PcxCrossCheck, OurFilesReadBackInTheTools) {
  RGBQUAD palette[256] = {};
  for (int i = 0; i < 256; ++i)
    palette[i] = RGBQUAD{static_cast<uint8_t>(i * 5), static_cast<uint8_t>(i ^ 0x5A),
                         static_cast<uint8_t>(255 - i), 0};
  RGBQUAD mono[256] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  for (DWORD depth : {1u, 8u, 24u}) {
    const DWORD stride = depth == 1 ? (kW + 7) / 8 : kW * depth / 8;
    Bytes image = Noise(size_t{stride} * kH, depth);
    Bytes want;  // R, G, B
    for (uint32_t y = 0; y < kH; ++y)
      for (uint32_t x = 0; x < kW; ++x) {
        const uint8_t* p = image.data() + y * stride;
        if (depth == 24) {
          want.insert(want.end(), p + 3 * x, p + 3 * x + 3);
          continue;
        }
        const RGBQUAD& e = depth == 8 ? palette[p[x]] : mono[p[x / 8] >> (7 - x % 8) & 1];
        want.insert(want.end(), {e.rgbRed, e.rgbGreen, e.rgbBlue});
      }
    Dest dest;
    ASSERT_NE(
        pic_WritePCX(dest, image.data(), kW, kH, depth, stride, depth == 1 ? mono : palette, nullptr, 0), 0u);
    const fs::path pcx = Path("ours.pcx");
    WriteFileBytes(pcx, dest.Contents());
    EXPECT_EQ(Netpbm(pcx), want) << depth;
    // ImageMagick 6 takes a set bit of a one-plane 1-bit file for black,
    // netpbm and Pillow (and we) for white.
    if (depth != 1) {
      EXPECT_EQ(Magick(pcx), want) << depth;
    }
    EXPECT_EQ(PillowRGB(pcx), want) << depth;
  }
}
