// Cross-checks of the PCX, TGA, PNM and WBMP codecs with independent
// programs (natively): files made by netpbm, ImageMagick and Pillow decode
// as those programs decode them, and ours read back exactly in them.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "codecs/codec_entry_support.h"
#include "codecs/pcx/pictura_pcx.h"
#include "codecs/pnm/pictura_pnm.h"
#include "codecs/tga/pictura_tga.h"
#include "codecs/wbmp/pictura_wbmp.h"
#include "core/pictura_core.h"
#include "reader/pictura_read.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kW = 45, kH = 31;

// Pixels drawn from `colours` colours (0: noise); 2 gives black and white.
Bytes Picture(uint32_t colours, unsigned seed) {
  if (!colours) return Noise(kW * kH * 3, seed);
  std::mt19937 rng(seed);
  Bytes table = colours == 2 ? Bytes{0, 0, 0, 255, 255, 255} : Noise(colours * 3, seed + 1), img;
  for (uint32_t i = 0; colours > 2 && i < colours; ++i) table[3 * i] = static_cast<uint8_t>(i);
  for (uint32_t i = 0; i < kW * kH; ++i) {
    const uint32_t c = rng() % colours;
    img.insert(img.end(), table.begin() + 3 * c, table.begin() + 3 * c + 3);
  }
  return img;
}

// The samples of a plain PNM file.
std::vector<uint32_t> PlainValues(const Bytes& file) {
  std::istringstream in(std::string(file.begin(), file.end()));
  std::string magic;
  uint32_t w = 0, h = 0, maxval = 1, v = 0;
  char c;
  in >> magic >> w >> h;
  if (magic != "P1") in >> maxval;
  std::vector<uint32_t> out;
  if (magic == "P1")
    while (in >> c) out.push_back(static_cast<uint32_t>(c - '0'));
  else
    while (in >> v) out.push_back(v);
  return out;
}

class SimpleCodecsCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("/usr/bin/ppmtopcx", "/usr/bin/pcxtoppm", "/usr/bin/pamtotga", "/usr/bin/tgatoppm",
                          "/usr/bin/pnmtopnm", "/usr/bin/pamdepth", "/usr/bin/ppmtoppm", "/usr/bin/pbmtowbmp",
                          "/usr/bin/wbmptopbm", "/usr/bin/convert", "Pillow");
    dir_ = ScratchDir("simple_codecs_crosscheck");
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  Bytes Run(const std::string& command, const std::string& out) {
    return Shell("(" + command + " > " + out + ")") ? ReadFileBytes(out) : Bytes{};
  }
  // A program's decode as R, G, B.
  Bytes Rgb(const std::string& command) {
    uint32_t w = 0, h = 0, c = 0;
    Run(command + " | /usr/bin/ppmtoppm", Path("tool.ppm"));
    return ReadPNM(Path("tool.ppm"), &w, &h, &c);
  }
  Bytes Netpbm(const std::string& file) {
    const std::string ext = fs::path(file).extension().string();
    const std::string tool = ext == ".pcx"    ? "pcxtoppm"
                             : ext == ".tga"  ? "tgatoppm"
                             : ext == ".wbmp" ? "wbmptopbm"
                                              : "cat";
    return Rgb("/usr/bin/" + tool + " " + file);
  }
  // ImageMagick 6 keeps a TGA's stored row order beside the pixels.
  Bytes Magick(const std::string& file) {
    const std::string ext = fs::path(file).extension().string().substr(1);
    return Rgb("/usr/bin/convert " + ext + ":" + file + " -auto-orient -depth 8 ppm:-");
  }
  Bytes PillowRgb(const std::string& file) {
    return Pillow("open(dst, 'wb').write(Image.open(src).convert('RGB').tobytes())", file, Path("pillow.raw"))
               ? ReadFileBytes(Path("pillow.raw"))
               : Bytes{};
  }

  // The file as each chosen program reads it equals want.
  void Compare(int peers, const std::string& file, const Bytes& want) {
    const std::pair<int, Bytes (SimpleCodecsCrossCheck::*)(const std::string&)> readers[] = {
        {1, &SimpleCodecsCrossCheck::Netpbm},
        {2, &SimpleCodecsCrossCheck::Magick},
        {4, &SimpleCodecsCrossCheck::PillowRgb}};
    for (const auto& [bit, read] : readers)
      EXPECT_TRUE(!(peers & bit) || (this->*read)(file) == want) << file << " in peer " << bit;
  }

  fs::path dir_;
};

// The generic reader's 24-bit picture of a file.
Bytes Ours(const std::string& file) {
  HPICSRC src = pic_OpenFileSource(file.c_str());
  DWORD w = 0, h = 0;
  const DWORD warnings = pic_GetCodecWarningCount();
  Bytes out = TakeBlock(pic_ReadImage(src, &w, &h, 0, 0));
  EXPECT_EQ(PicGetLastError(), 0u) << file;
  EXPECT_EQ(pic_GetCodecWarningCount(), warnings) << file;  // no damage seen in a sound file
  pic_CloseSource(src);
  return out;
}

enum Peers { kNetpbm = 1, kMagick = 2, kPillow = 4, kAll = 7 };

}  // namespace

TEST_F(SimpleCodecsCrossCheck, ToolFilesDecodeLikeTheTools) {
  const std::string ppm = Path("in.ppm"), pgm = Path("in.pgm"), pbm = Path("in.pbm");
  struct Case {
    const char* file;
    uint32_t colours;  // of in.ppm
    std::string make;
    int peers;  // which read it as its maker meant
  };
  // ImageMagick 6 reads one-plane 1-bit PCX files inverted; Pillow reads no
  // 2- or 4-bit packed PCX and no WBMP; ImageMagick needs TopLeft to write
  // a TGA the right way up.
  const Case cases[] = {
      {"a.pcx", 0, "ppmtopcx -24bit " + ppm, kAll},
      {"b.pcx", 200, "ppmtopcx -8bit " + ppm, kAll},
      {"c.pcx", 16, "ppmtopcx " + ppm, kAll},
      {"d.pcx", 4, "ppmtopcx " + ppm, kAll},
      {"e.pcx", 16, "ppmtopcx -packed " + ppm, kNetpbm | kMagick},
      {"f.pcx", 4, "ppmtopcx -packed " + ppm, kNetpbm | kMagick},
      {"g.pcx", 2, "ppmtopcx " + ppm, kNetpbm | kPillow},
      {"h.pcx", 9, "convert " + ppm + " -type Palette pcx:-", kAll},
      {"a.tga", 0, "pamtotga -rgb " + ppm, kAll},
      {"b.tga", 0, "pamtotga -rgb -norle " + ppm, kAll},
      {"c.tga", 100, "pamtotga -cmap " + ppm, kAll},
      {"d.tga", 100, "pamtotga -cmap -norle " + ppm, kAll},
      {"e.tga", 0, "pamtotga -mono " + pgm, kAll},
      {"f.tga", 0, "convert " + ppm + " -orient TopLeft -compress RLE tga:-", kAll},
      {"g.tga", 9, "convert " + ppm + " -orient TopLeft -type Palette tga:-", kAll},
      {"h.tga", 0,
       "python3 -c \"from PIL import Image; import sys; Image.open('" + ppm +
           "').save(sys.stdout.buffer, 'TGA', compression='tga_rle')\"",
       kAll},
      {"a.pbm", 2, "pnmtopnm -plain " + pbm, kAll},
      {"b.pgm", 0, "pnmtopnm -plain " + pgm, kAll},
      {"c.ppm", 0, "pnmtopnm -plain " + ppm, kAll},
      {"d.pbm", 2, "convert " + pbm + " pbm:-", kAll},
      {"a.wbmp", 2, "pbmtowbmp " + pbm, kNetpbm | kMagick},
      {"b.wbmp", 2, "convert " + pbm + " wbmp:-", kNetpbm | kMagick},
  };
  for (const Case& c : cases) {
    const Bytes pixels = Picture(c.colours, c.colours + 3);
    WritePNM(ppm, pixels, kW, kH, 3);
    Bytes grey;
    for (size_t i = 0; i < pixels.size(); i += 3) grey.push_back(pixels[i]);
    WritePNM(pgm, grey, kW, kH, 1);
    Run("/usr/bin/ppmtopgm " + pgm + " | /usr/bin/pgmtopbm -threshold", pbm);
    const std::string file = Path(c.file);
    ASSERT_TRUE(Shell("(/usr/bin/" + c.make + " > " + file + ")")) << c.file;
    const Bytes ours = Ours(file);
    ASSERT_FALSE(ours.empty()) << c.file;
    Compare(c.peers, file, ours);
  }
}

TEST_F(SimpleCodecsCrossCheck, OurFilesReadBackInTheTools) {
  RGBQUAD palette[256], mono[256] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{uint8_t(i * 5), uint8_t(i ^ 0x5A), uint8_t(255 - i), 0};
  const Bytes rgb = Noise(kW * kH * 3, 1), idx = Noise(kW * kH, 2);
  Bytes bits = Noise((kW + 7) / 8 * kH, 3), grey, mapped;
  for (uint8_t v : idx) {
    const RGBQUAD& e = palette[v];
    mapped.insert(mapped.end(), {e.rgbRed, e.rgbGreen, e.rgbBlue});
    grey.insert(grey.end(), {v, v, v});
  }
  Bytes bw;  // the 1-bit pictures' colours, 1 white
  for (uint32_t y = 0; y < kH; ++y)
    for (uint32_t x = 0; x < kW; ++x) {
      const uint8_t v = (bits[y * ((kW + 7) / 8) + x / 8] >> (7 - x % 8) & 1) ? 255 : 0;
      bw.insert(bw.end(), {v, v, v});
    }
  const DWORD bitStride = (kW + 7) / 8;
  struct Case {
    const char* file;
    std::function<DWORD(HPICDEST)> write;
    const Bytes* pixels;
    int peers;
  };
  const Case cases[] = {
      {"a.pcx",
       [&](HPICDEST d) { return pic_WritePCX(d, rgb.data(), kW, kH, 24, kW * 3, nullptr, nullptr, 0); }, &rgb,
       kAll},
      {"b.pcx", [&](HPICDEST d) { return pic_WritePCX(d, idx.data(), kW, kH, 8, kW, palette, nullptr, 0); },
       &mapped, kAll},
      {"c.pcx",
       [&](HPICDEST d) { return pic_WritePCX(d, bits.data(), kW, kH, 1, bitStride, mono, nullptr, 0); }, &bw,
       kNetpbm | kPillow},
      {"a.tga", [&](HPICDEST d) { return pic_WriteTGA(d, rgb.data(), kW, kH, 24, kW * 3, nullptr, 0, 0); },
       &rgb, kAll},
      {"b.tga", [&](HPICDEST d) { return pic_WriteTGA(d, idx.data(), kW, kH, 8, kW, palette, 0, 0); },
       &mapped, kAll},
      {"a.ppm", [&](HPICDEST d) { return pic_WritePNM(d, rgb.data(), kW, kH, 24, kW * 3, 0, 0); }, &rgb,
       kAll},
      {"b.pgm", [&](HPICDEST d) { return pic_WritePNM(d, idx.data(), kW, kH, 8, kW, 0, 0); }, &grey, kAll},
      {"c.pbm", [&](HPICDEST d) { return pic_WritePNM(d, bits.data(), kW, kH, 1, bitStride, 0, 0); }, nullptr,
       kAll},
      {"a.wbmp",
       [&](HPICDEST d) {
         Bytes white;
         for (size_t i = 0; i < bw.size(); i += 3) white.push_back(bw[i]);
         return pic_WriteWBMP(d, white.data(), kW, kH, kW, 0);
       },
       &bw, kNetpbm | kMagick},
  };
  for (const Case& c : cases) {
    const std::string file = Path(c.file);
    HPICDEST dest = pic_OpenFileDest(file.c_str(), FALSE);
    ASSERT_NE(c.write(dest), 0u) << c.file;
    pic_CloseDest(dest);
    Bytes want = c.pixels ? *c.pixels : Bytes{};
    if (!c.pixels)  // PBM: our set bits are black
      for (size_t i = 0; i < bw.size(); ++i) want.push_back(static_cast<uint8_t>(255 - bw[i]));
    Compare(c.peers, file, want);
  }
}

// 16-bit and odd maxvals: our samples as stored are netpbm's, both ways.
TEST_F(SimpleCodecsCrossCheck, PnmSampleValues) {
  const std::string pgm = Path("in.pgm"), ppm = Path("in.ppm");
  WritePNM(pgm, Noise(kW * kH, 4), kW, kH, 1);
  WritePNM(ppm, Noise(kW * kH * 3, 5), kW, kH, 3);
  auto netpbm = [&](const std::string& file) {
    return PlainValues(Run("/usr/bin/pnmtopnm -plain " + file, Path("plain.pnm")));
  };
  for (const std::string& make :
       {"/usr/bin/pamdepth 1000 " + pgm, "/usr/bin/pamdepth 65535 " + ppm,
        "/usr/bin/pamdepth 1000 " + ppm + " | /usr/bin/pnmtopnm -plain",
        "/usr/bin/convert " + pgm + " -depth 16 -compress none pgm:-",
        "/usr/bin/python3 -c \"from PIL import Image; import sys; Image.open('" + pgm +
            "').convert('I').point(lambda v: v * 257).save(sys.stdout.buffer, 'PPM')\""}) {
    const std::string file = Path("tool.pnm");
    ASSERT_TRUE(Shell("(" + make + " > " + file + ")")) << make;
    Source src(ReadFileBytes(file));
    DWORD w = 0, h = 0, magic = 0, maxval = 0;
    ASSERT_TRUE(pic_GetPNMDims(src, &w, &h, &magic, &maxval, 0));
    pic_Seek(src, 0, 0);
    const Bytes ours = TakeBlock(pic_ReadPNM(src, &w, &h, (magic - 0x5031) % 3 == 2 ? 48 : 16, 8));
    std::vector<uint32_t> values;
    for (size_t i = 0; i + 1 < ours.size(); i += 2) values.push_back(ours[i] | ours[i + 1] << 8);
    EXPECT_EQ(values, netpbm(file)) << make;
  }
  const Bytes wide = Noise(kW * kH * 6, 6);
  Dest dest;
  ASSERT_NE(pic_WritePNM(dest, wide.data(), kW, kH, 48, kW * 3, 4000, 0), 0u);
  WriteFileBytes(Path("ours.ppm"), dest.Contents());
  std::vector<uint32_t> want;
  for (size_t i = 0; i < wide.size(); i += 2)
    want.push_back(std::min<uint32_t>(wide[i] | wide[i + 1] << 8, 4000));
  EXPECT_EQ(netpbm(Path("ours.ppm")), want);
}
