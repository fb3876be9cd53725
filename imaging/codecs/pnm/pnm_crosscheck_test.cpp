// Cross-checks with independent programs (natively): PBM, PGM and PPM files
// made by netpbm, ImageMagick and Pillow, plain and raw, 8 and 16 bits,
// decode to the sample values those programs decode, and our files read
// back exactly in them.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "codecs/codec_entry_support.h"
#include "codecs/pnm/pictura_pnm.h"
#include "core/pictura_core.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kW = 45, kH = 31;

Bytes File(const std::string& head, const Bytes& rest) {
  Bytes f(head.begin(), head.end());
  f.insert(f.end(), rest.begin(), rest.end());
  return f;
}

// The samples of a plain PNM file (P1: one per pixel, 1 black).
std::vector<uint32_t> PlainValues(const Bytes& file) {
  std::string text(file.begin(), file.end());
  std::istringstream in(text);
  std::string magic;
  uint32_t w = 0, h = 0, maxval = 1;
  in >> magic >> w >> h;
  if (magic != "P1") in >> maxval;
  std::vector<uint32_t> out;
  char c;
  if (magic == "P1") {
    while (in >> c) out.push_back(static_cast<uint32_t>(c - '0'));
  } else {
    uint32_t v;
    while (in >> v) out.push_back(v);
  }
  return out;
}

class PnmCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("/usr/bin/pnmtopnm", "/usr/bin/pamdepth", "/usr/bin/convert", "Pillow");
    dir_ = ScratchDir("pnm_crosscheck");
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }

  // netpbm's own reading of a file, as plain sample values.
  std::vector<uint32_t> Netpbm(const fs::path& file) {
    const fs::path out = Path("plain.pnm");
    if (!Shell("(/usr/bin/pnmtopnm -plain " + file.string() + " > " + out.string() + ")")) return {};
    return PlainValues(ReadFileBytes(out));
  }

  fs::path dir_;
};

// Our samples of a file, as stored (flag 8) at the family's depth for its
// maxval; PBM as 0/1 with 1 black.
std::vector<uint32_t> Ours(const fs::path& file) {
  Source src(ReadFileBytes(file));
  DWORD w = 0, h = 0, magic = 0, maxval = 0;
  EXPECT_TRUE(pic_GetPNMDims(src, &w, &h, &magic, &maxval, 0)) << file.filename();
  const uint32_t family = (magic - 0x5031) % 3, wide = maxval > 255;
  const DWORD depth = family == 0 ? 1 : (family == 1 ? 8 : 24) * (wide ? 2 : 1);
  pic_Seek(src, 0, 0);
  const Bytes pixels = TakeBlock(pic_ReadPNM(src, &w, &h, depth, 8));
  EXPECT_EQ(PicGetLastError(), 0u) << file.filename();
  std::vector<uint32_t> out;
  if (family == 0) {
    for (DWORD y = 0; y < h; ++y)
      for (DWORD x = 0; x < w; ++x) out.push_back(pixels[y * ((w + 7) / 8) + x / 8] >> (7 - x % 8) & 1);
  } else if (wide) {
    for (size_t i = 0; i + 1 < pixels.size(); i += 2) out.push_back(pixels[i] | pixels[i + 1] << 8);
  } else {
    out.assign(pixels.begin(), pixels.end());
  }
  return out;
}

}  // namespace

TEST_F(PnmCrossCheck, ToolFilesDecodeToTheToolsSamples) {
  const fs::path ppm = Path("in.ppm"), pgm = Path("in.pgm"), pbm = Path("in.pbm");
  WritePNM(ppm, Noise(kW * kH * 3, 3), kW, kH, 3);
  WritePNM(pgm, Noise(kW * kH, 4), kW, kH, 1);
  ASSERT_TRUE(Shell("(/usr/bin/convert " + pgm.string() + " -threshold 50% pbm:- > " + pbm.string() + ")"));
  const std::string p = ppm.string(), g = pgm.string(), b = pbm.string();
  struct Case {
    const char* name;
    std::string make;  // shell command writing the file to stdout
  };
  const Case cases[] = {
      {"netpbm plain PBM", "/usr/bin/pnmtopnm -plain " + b},
      {"netpbm raw PBM", "/usr/bin/pnmtopnm " + b},
      {"netpbm plain PGM", "/usr/bin/pnmtopnm -plain " + g},
      {"netpbm plain PPM", "/usr/bin/pnmtopnm -plain " + p},
      {"netpbm PGM maxval 1000", "/usr/bin/pamdepth 1000 " + g},
      {"netpbm PPM maxval 65535", "/usr/bin/pamdepth 65535 " + p},
      {"netpbm plain PPM maxval 1000", "/usr/bin/pamdepth 1000 " + p + " | /usr/bin/pnmtopnm -plain"},
      {"netpbm PGM maxval 7", "/usr/bin/pamdepth 7 " + g},
      {"ImageMagick plain PGM", "/usr/bin/convert " + g + " -compress none pgm:-"},
      {"ImageMagick 16-bit PPM", "/usr/bin/convert " + p + " -depth 16 ppm:-"},
      {"ImageMagick 16-bit plain PGM", "/usr/bin/convert " + g + " -depth 16 -compress none pgm:-"},
      {"ImageMagick plain PBM", "/usr/bin/convert " + b + " -compress none pbm:-"},
      {"Pillow PGM", "/usr/bin/python3 -c \"from PIL import Image; import sys; Image.open('" + g +
                         "').save(sys.stdout.buffer, 'PPM')\""},
      {"Pillow 16-bit PGM", "/usr/bin/python3 -c \"from PIL import Image; import sys; Image.open('" + g +
                                "').convert('I').point(lambda v: v * 257).save(sys.stdout.buffer, 'PPM')\""},
      {"Pillow PBM", "/usr/bin/python3 -c \"from PIL import Image; import sys; Image.open('" + b +
                         "').save(sys.stdout.buffer, 'PPM')\""},
  };
  for (const Case& c : cases) {
    const fs::path file = Path("tool.pnm");
    ASSERT_TRUE(Shell("(" + c.make + " > " + file.string() + ")")) << c.name;
    const std::vector<uint32_t> theirs = Netpbm(file);
    ASSERT_FALSE(theirs.empty()) << c.name;
    EXPECT_EQ(Ours(file), theirs) << c.name;
  }
}

TEST_F(PnmCrossCheck, OurFilesReadBackInTheTools) {
  struct Case {
    DWORD depth;
    LONG maxval;
    const char* pillowMode;  // what Pillow opens the file as
  };
  for (const Case& c :
       {Case{1, 0, "1"}, Case{8, 0, "L"}, Case{8, 100, "L"}, Case{16, 0, "I"}, Case{16, 1000, "I"},
        Case{24, 0, "RGB"}, Case{48, 0, nullptr}, Case{48, 4000, nullptr}}) {
    const bool wide = c.depth == 16 || c.depth == 48;
    const uint32_t channels = c.depth >= 24 ? 3 : 1;
    const DWORD stride = c.depth == 1 ? (kW + 7) / 8 : kW * channels;  // samples
    Bytes image = Noise(size_t{stride} * kH * (wide ? 2 : 1), c.depth);
    std::vector<uint32_t> want;  // the file's samples
    const uint32_t top = c.maxval > 0 ? static_cast<uint32_t>(c.maxval) : wide ? 65535 : 255;
    for (uint32_t y = 0; y < kH; ++y)
      for (uint32_t i = 0; i < (c.depth == 1 ? kW : stride); ++i) {
        const uint8_t* row = image.data() + size_t{y} * stride * (wide ? 2 : 1);
        uint32_t v = c.depth == 1 ? (row[i / 8] >> (7 - i % 8) & 1)
                     : wide       ? row[2 * i] | row[2 * i + 1] << 8
                                  : row[i];
        want.push_back(v < top ? v : top);
      }
    Dest dest;
    ASSERT_NE(pic_WritePNM(dest, image.data(), kW, kH, c.depth, stride, c.maxval, 0), 0u);
    const fs::path file = Path("ours.pnm");
    WriteFileBytes(file, dest.Contents());
    EXPECT_EQ(Netpbm(file), want) << c.depth << " " << c.maxval;
    // ImageMagick's plain rewrite keeps the file's maxval.
    const fs::path magick = Path("magick.pnm");
    ASSERT_TRUE(Shell("(/usr/bin/convert " + file.string() + " -compress none " +
                      (c.depth == 1    ? "pbm"
                       : channels == 3 ? "ppm"
                                       : "pgm") +
                      ":- > " + magick.string() + ")"));
    if (c.maxval == 0) {  // it rescales other maxvals to its own depth
      EXPECT_EQ(PlainValues(ReadFileBytes(magick)), want) << "ImageMagick " << c.depth << " " << c.maxval;
    }
    if (c.pillowMode && c.maxval == 0) {
      const fs::path out = Path("pillow.txt");
      ASSERT_TRUE(
          Pillow("im = Image.open(src)\nassert im.mode == '" + std::string(c.pillowMode) +
                     "', im.mode\nopen(dst, 'w').write(' '.join(str(v) for px in im.getdata() for v in "
                     "(px if isinstance(px, tuple) else (px,))))",
                 file, out))
          << c.depth;
      std::vector<uint32_t> pillow;
      for (uint32_t v : PlainValues(File("P2 1 1 1 ", ReadFileBytes(out)))) pillow.push_back(v);
      for (uint32_t& v : pillow)
        if (c.depth == 1) v = v ? 0 : 1;  // Pillow's 255 is white, PBM's 1 black
      EXPECT_EQ(pillow, want) << "Pillow " << c.depth;
    }
  }
}
