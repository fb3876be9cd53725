// Cross-checks with independent programs (natively): GIF files made by
// ImageMagick, giflib's gif2rgb, gifsicle, Pillow and us decode alike in all
// of them; animations play frame for frame as ImageMagick's -coalesce,
// gifsicle's --unoptimize and Pillow show them.
#include <gtest/gtest.h>

#include "codecs/gif/gif_codec.h"
#include "codecs/gif/gif_test_support.h"
#include "codecs/gif/pictura_gif.h"
#include "core/pictura_core.h"
#include "reader/pictura_read.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

const std::string kConvert = "/usr/bin/convert", kGif2Rgb = "/usr/bin/gif2rgb",
                  kGifsicle = "/usr/bin/gifsicle";

// A command whose own redirections survive Shell's silencing.
bool RunTool(const std::string& command) {
  return Shell("( " + command + " )");
}

Bytes ToolOutput(const std::string& command, const fs::path& out) {
  return RunTool(command) ? ReadFileBytes(out) : Bytes{};
}

class GifCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("Pillow", kConvert.c_str(), kGif2Rgb.c_str(), kGifsicle.c_str());
    dir_ = ScratchDir("gif_crosscheck");
    WritePNM(Path("source.ppm"), Gradient(kW, kH, 3, 5), kW, kH, 3);
    ASSERT_TRUE(RunTool(kConvert + " " + P("source.ppm") + " -depth 8 rgb:" + P("source.rgb")));
    // Frames of a small scene: a box that walks over the gradient.
    for (int i = 0; i < 5; ++i) {
      frames_ += " " + P("f" + std::to_string(i) + ".gif");
      ASSERT_TRUE(RunTool(kConvert + " " + P("source.ppm") + " -fill '#e02010' -draw 'rectangle " +
                          std::to_string(4 + 9 * i) + ",6 " + std::to_string(18 + 9 * i) +
                          ",20' -colors 40 " + P("f" + std::to_string(i) + ".gif")));
    }
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }
  std::string P(const std::string& name) const { return Path(name).string(); }

  static constexpr uint32_t kW = 57, kH = 35;
  fs::path dir_;
  std::string frames_;
};

// The first image through the generic reader as R, G, B.
Bytes OursRGB(const fs::path& file) {
  HPICSRC src = pic_OpenFileSource(file.string().c_str());
  DWORD w = 0, h = 0;
  const DWORD warnings = pic_GetCodecWarningCount();
  Bytes out = TakeBlock(pic_ReadImage(src, &w, &h, 0, 0));
  EXPECT_EQ((std::vector<DWORD>{PicGetLastError(), pic_GetCodecWarningCount() - warnings}),
            (std::vector<DWORD>{0, 0}))
      << file;
  pic_CloseSource(src);
  return out;
}

// Every frame as our player composes it, R, G, B, A one after another.
Bytes OursPlayed(const fs::path& file) {
  HPICSRC src = pic_OpenFileSource(file.string().c_str());
  DWORD w = 0, h = 0, delay = 0;
  HPICGIFANIMATION a = pic_InitRenderAnimatedGIF(src, &w, &h, 0);
  Bytes all, canvas(size_t{w} * h * 4);
  while (a && pic_AnimatedGIFGetNextFrame(a, canvas.data(), &delay, Pictura::kGIFRenderOnce))
    all.insert(all.end(), canvas.begin(), canvas.end());
  if (a) pic_DestroyAnimatedGIF(a);
  pic_CloseSource(src);
  return all;
}

Bytes PillowOutput(const std::string& expr, const fs::path& file) {
  fs::path out = file;
  out += ".pil";
  if (!Pillow("from PIL import ImageSequence\nim = Image.open(src)\nopen(dst, 'wb').write(" + expr + ")",
              file, out))
    return {};
  return ReadFileBytes(out);
}

// Equal where the pixel shows: the same alpha everywhere, the same colour
// where it is not fully transparent. The first difference, or "".
std::string CompareRGBA(const Bytes& ours, const Bytes& theirs) {
  if (ours.size() != theirs.size())
    return "sizes " + std::to_string(ours.size()) + ", " + std::to_string(theirs.size());
  for (size_t i = 0; i < ours.size(); i += 4)
    if (ours[i + 3] != theirs[i + 3] || (ours[i + 3] && std::memcmp(&ours[i], &theirs[i], 3) != 0))
      return "pixel " + std::to_string(i / 4);
  return "";
}

}  // namespace

TEST_F(GifCrossCheck, EveryProgramsFilesDecodeAlikeEverywhere) {
  const std::string src = P("source.ppm"), rgb24 = " -s 57 35 -1 " + P("source.rgb");
  const std::pair<const char*, std::string> files[] = {
      {"im256.gif", kConvert + " " + src + " " + P("im256.gif")},
      {"im16i.gif", kConvert + " " + src + " -colors 16 -interlace GIF " + P("im16i.gif")},
      {"immono.gif", kConvert + " " + src + " -monochrome " + P("immono.gif")},
      {"giflib2.gif", kGif2Rgb + " -c 1" + rgb24 + " > " + P("giflib2.gif")},
      {"giflib64.gif", kGif2Rgb + " -c 6" + rgb24 + " > " + P("giflib64.gif")},
      {"giflib256.gif", kGif2Rgb + " -c 8" + rgb24 + " > " + P("giflib256.gif")},
      {"sicle.gif", kGifsicle + " --colors 32 --interlace " + P("im256.gif") + " > " + P("sicle.gif")},
      {"pil.gif", "/usr/bin/python3 -c \"from PIL import Image; Image.open('" + src +
                      "').convert('P', palette=Image.ADAPTIVE, colors=24).save('" + P("pil.gif") +
                      "', transparency=3)\""},
      {"sicle_ours.gif", kGifsicle + " --no-interlace " + P("ours_im16i.gif") + " > " + P("sicle_ours.gif")},
  };
  auto decodeAlike = [&](const fs::path& f) {
    const Bytes ours = OursRGB(f);
    ASSERT_EQ(ours.size(), size_t{kW} * kH * 3);
    EXPECT_EQ(ours, ToolOutput(kConvert + " '" + f.string() + "[0]' -depth 8 rgb:" + f.string() + ".im",
                               f.string() + ".im"));
    EXPECT_EQ(ours, ToolOutput(kGif2Rgb + " -1 -o " + f.string() + ".giflib " + f.string(),
                               f.string() + ".giflib"));
    EXPECT_EQ(ours, PillowOutput("im.convert('RGB').tobytes()", f));
  };
  DWORD flags = 0;
  for (const auto& [name, make] : files) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(RunTool(make));
    decodeAlike(Path(name));
    // The same picture written by us (at the file's depth, every other one
    // interlaced) decodes alike too.
    HPICSRC src = pic_OpenFileSource(P(name).c_str());
    DWORD w, h, bits, background;
    LONG transparent;
    BYTE interlaced;
    RGBQUAD palette[256];
    ASSERT_TRUE(pic_GetGIFDims(src, &w, &h, &bits, &background, &transparent, palette, &interlaced, 1));
    pic_Seek(src, 0, 0);
    const Bytes pixels = TakeBlock(pic_ReadGIF(src, &w, &h, &transparent, palette, 0));
    pic_CloseSource(src);
    Dest dest;
    flags ^= Pictura::kGIFWriteInterlaced;
    ASSERT_NE(pic_WriteGIF(dest, pixels.data(), w, h, w, BYTE(background), transparent, bits, palette, flags),
              0u);
    WriteFileBytes(Path(std::string("ours_") + name), dest.Contents());
    decodeAlike(Path(std::string("ours_") + name));
  }
  EXPECT_EQ(OursRGB(Path("sicle_ours.gif")), OursRGB(Path("im16i.gif")));
}

TEST_F(GifCrossCheck, AnimationsPlayAsEveryProgramPlaysThem) {
  // Ours: the tool-made frames read back and written with local tables, one
  // interlaced, looping twice.
  Dest dest;
  RGBQUAD global[256] = {};
  HPICGIFWRITE h = pic_InitWriteMultiframedGIF(dest, kW, kH, -1, 0, 8, global, 2, 0);
  for (int i = 0; i < 5; ++i) {
    HPICSRC src = pic_OpenFileSource(P("f" + std::to_string(i) + ".gif").c_str());
    DWORD w = 0, hh = 0;
    RGBQUAD palette[256];
    const Bytes pixels = TakeBlock(pic_ReadGIF(src, &w, &hh, nullptr, palette, 0));
    pic_CloseSource(src);
    ASSERT_TRUE(pic_AddGIFFrame(
        h, pixels.data(), w, hh, w, 0, 0, 9, -1, 8, palette, 1,
        Pictura::kGIFWriteLocalTable | (i == 2 ? uint32_t{Pictura::kGIFWriteInterlaced} : 0u)));
  }
  ASSERT_TRUE(pic_DestroyMultiGIF(h));
  WriteFileBytes(Path("ours.gif"), dest.Contents());
  const std::pair<const char*, std::string> files[] = {
      {"ours.gif", "true"},
      {"im_none.gif", kConvert + " -delay 7 -dispose None" + frames_ + " -loop 0 " + P("im_none.gif")},
      {"im_previous.gif",
       kConvert + " -delay 7 -dispose Previous" + frames_ + " -loop 2 " + P("im_previous.gif")},
      {"im_optimized.gif", kConvert + " -delay 7" + frames_ + " -layers Optimize " + P("im_optimized.gif")},
      {"im_transparent.gif",
       kConvert + " -delay 7" + frames_ + " -layers OptimizeTransparency " + P("im_transparent.gif")},
      {"sicle_o3.gif",
       kGifsicle + " -O3 --colors 64 --delay 5 --loopcount=0" + frames_ + " > " + P("sicle_o3.gif")},
      {"sicle_background.gif",
       kGifsicle + " -O2 --disposal background" + frames_ + " > " + P("sicle_background.gif")},
      {"sicle_previous.gif",
       kGifsicle + " -O2 --disposal previous" + frames_ + " > " + P("sicle_previous.gif")},
  };
  for (const auto& [name, make] : files) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(RunTool(make));
    const fs::path f = Path(name);
    const Bytes ours = OursPlayed(f);
    ASSERT_EQ(ours.size(), size_t{kW} * kH * 4 * 5);
    const std::string un = P(std::string("un_") + name);
    ASSERT_TRUE(RunTool(kGifsicle + " --unoptimize " + f.string() + " > " + un));
    EXPECT_EQ(CompareRGBA(ours, OursPlayed(un)), "");
    EXPECT_EQ(
        CompareRGBA(ours, ToolOutput(kConvert + " " + f.string() + " -coalesce -depth 8 rgba:" + un + ".im",
                                     un + ".im")),
        "");
    EXPECT_EQ(CompareRGBA(
                  ours, PillowOutput(
                            "b''.join(f.convert('RGBA').tobytes() for f in ImageSequence.Iterator(im))", f)),
              "");
  }
  EXPECT_EQ(PillowOutput("str(im.info.get('loop')).encode()", Path("ours.gif")), Bytes{'2'});
}

// Streams no encoder writes: ImageMagick, giflib, gifsicle and Pillow all
// refuse them, and ours gives 12. Files whose data ends short they refuse too
// (gifsicle copies a cut-off one); ours keeps the picture with a codec
// warning.
TEST_F(GifCrossCheck, DamagedStreamsAreRefusedByEveryProgram) {
  auto raw = [](uint8_t minCodeSize, const Bytes& blocks) {
    return GifBuilder(4, 3, 2).RawImage(4, 3, minCodeSize, blocks).End().bytes;
  };
  auto codes = [](const std::vector<uint32_t>& c, uint32_t bits = 3) {
    return SubBlocks(PackCodes(c, bits));
  };
  Bytes cut = GifBuilder(4, 3, 2).Image(0, 0, 4, 3, Pattern(12, 4), 0, false, 2).End().bytes;
  cut.erase(cut.end() - 6, cut.end());
  struct Case {
    const char* name;
    Bytes file;
    bool cutShort;    // else damaged
    bool sicleKeeps;  // gifsicle copies what a cut file holds
  };
  const Case cases[] = {
      {"minimum code size 0", raw(0, codes({1, 0, 0, 0}, 1)), false, false},
      {"code past the table", raw(2, codes({4, 1, 7, 2})), false, false},
      {"string code before any pixel", raw(2, codes({4, 6, 1})), false, false},
      {"all ones", raw(2, SubBlocks(Bytes(9, 0xFF))), false, false},
      {"all ones, 9-bit codes", raw(8, SubBlocks(Bytes(9, 0xFF))), false, false},
      {"empty image data", raw(2, {0}), false, false},
      {"a clear and the end code only", raw(2, codes({4, 5})), false, false},
      {"end code early", raw(2, codes({4, 3, 5})), true, false},
      {"data cut off", cut, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path f = Path("damaged.gif");
    WriteFileBytes(f, c.file);
    EXPECT_FALSE(RunTool(kConvert + " " + f.string() + " rgb:" + P("damaged.rgb")));
    EXPECT_FALSE(RunTool(kGif2Rgb + " -1 -o " + P("damaged.giflib") + " " + f.string()));
    EXPECT_FALSE(Pillow("Image.open(src).load()", f, Path("damaged.pil")));
    EXPECT_EQ(RunTool(kGifsicle + " " + f.string() + " > " + P("damaged.sicle")), c.sicleKeeps);

    // Ours: 12 with what was decoded, or the cut picture with a warning (the
    // frame list and the player agree: pictura_gif_test).
    const DWORD warnings = pic_GetCodecWarningCount();
    HPICSRC src = pic_OpenFileSource(f.string().c_str());
    DWORD w = 0, h = 0;
    const Bytes image = TakeBlock(pic_ReadGIF(src, &w, &h, nullptr, nullptr, 0));
    EXPECT_EQ(PicGetLastError(), c.cutShort ? 0u : 12u);
    pic_CloseSource(src);
    EXPECT_EQ((std::vector<DWORD>{image.empty(), pic_GetCodecWarningCount() - warnings}),
              (std::vector<DWORD>{std::string(c.name) == "minimum code size 0", c.cutShort}));
  }
}
