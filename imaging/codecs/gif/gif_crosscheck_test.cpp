// Cross-checks with independent programs (natively): GIF files made by
// ImageMagick, giflib's gif2rgb, gifsicle and Pillow decode as those
// programs decode them, animations play frame for frame as ImageMagick's
// -coalesce and gifsicle's --unoptimize show them, and our files read back
// identically in all of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "codecs/gif/gif_codec.h"
#include "codecs/gif/gif_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "codecs/gif/pictura_gif.h"
#include "reader/pictura_read.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

const char kConvert[] = "/usr/bin/convert";
const char kGif2Rgb[] = "/usr/bin/gif2rgb";
const char kGifsicle[] = "/usr/bin/gifsicle";

class GifCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("Pillow", kConvert, kGif2Rgb, kGifsicle);
    dir_ = ScratchDir("gif_crosscheck");
    source_ = Path("source.ppm");
    WritePNM(source_, Gradient(kW, kH, 3, 5), kW, kH, 3);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }
  std::string P(const std::string& name) const { return Path(name).string(); }

  // Frames of a small scene: a box that walks over the gradient.
  void MakeFrames(int count) {
    for (int i = 0; i < count; ++i)
      ASSERT_TRUE(Shell(std::string(kConvert) + " " + source_.string() + " -fill '#e02010' -draw 'rectangle " +
                        std::to_string(4 + 9 * i) + ",6 " + std::to_string(18 + 9 * i) + ",20' -colors 40 " +
                        P("f" + std::to_string(i) + ".gif")));
  }
  std::string Frames(int count) const {
    std::string list;
    for (int i = 0; i < count; ++i) list += " " + P("f" + std::to_string(i) + ".gif");
    return list;
  }

  static constexpr uint32_t kW = 57, kH = 35;
  fs::path dir_, source_;
};

// The first image through the generic reader as R, G, B.
Bytes OursRGB(const fs::path& file) {
  HPICSRC src = pic_OpenFileSource(file.string().c_str());
  DWORD w = 0, h = 0;
  Bytes out = TakeBlock(pic_ReadImage(src, &w, &h, 0, 0));
  EXPECT_EQ(PicGetLastError(), 0u) << file.filename();
  pic_CloseSource(src);
  return out;
}

// Every frame as the player composes it (R, G, B, A).
std::vector<Bytes> OursPlayed(const fs::path& file, DWORD* width = nullptr, DWORD* height = nullptr) {
  std::vector<Bytes> frames;
  HPICSRC src = pic_OpenFileSource(file.string().c_str());
  DWORD w = 0, h = 0, delay = 0;
  HPICGIFANIMATION a = pic_InitRenderAnimatedGIF(src, &w, &h, 0);
  EXPECT_NE(a, nullptr) << file.filename() << " " << PicGetLastError();
  Bytes canvas(size_t{w} * h * 4);
  while (a && pic_AnimatedGIFGetNextFrame(a, canvas.data(), &delay, Pictura::kGIFRenderOnce))
    frames.push_back(canvas);
  if (a) pic_DestroyAnimatedGIF(a);
  pic_CloseSource(src);
  if (width) *width = w;
  if (height) *height = h;
  return frames;
}

// A command whose own redirections survive the helper's silencing.
bool RunTool(const std::string& command) {
  return Shell("( " + command + " )");
}

Bytes Tool(const std::string& command, const fs::path& out) {
  if (!Shell(command)) return {};
  return ReadFileBytes(out);
}

Bytes MagickRGB(const fs::path& file) {
  fs::path out = file;
  out += ".im.rgb";
  return Tool(std::string(kConvert) + " '" + file.string() + "[0]' -depth 8 rgb:" + out.string(), out);
}

Bytes Gif2Rgb(const fs::path& file) {
  fs::path out = file;
  out += ".giflib.rgb";
  return Tool(std::string(kGif2Rgb) + " -1 -o " + out.string() + " " + file.string(), out);
}

Bytes PillowRGB(const fs::path& file) {
  fs::path out = file;
  out += ".pil.rgb";
  if (!Pillow("open(dst, 'wb').write(Image.open(src).convert('RGB').tobytes())", file, out)) return {};
  return ReadFileBytes(out);
}

// ImageMagick's -coalesce, split into frames of the screen's size.
std::vector<Bytes> MagickCoalesced(const fs::path& file, size_t frameBytes) {
  fs::path out = file;
  out += ".coalesced.rgba";
  const Bytes all = Tool(std::string(kConvert) + " " + file.string() + " -coalesce -depth 8 rgba:" + out.string(), out);
  std::vector<Bytes> frames;
  for (size_t at = 0; frameBytes && at + frameBytes <= all.size(); at += frameBytes)
    frames.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(at),
                        all.begin() + static_cast<std::ptrdiff_t>(at + frameBytes));
  return frames;
}

// Equal where the pixel shows: the same alpha everywhere, the same colour
// where it is not fully transparent. The first difference, or "".
std::string CompareRGBA(const Bytes& ours, const Bytes& theirs) {
  if (ours.size() != theirs.size()) return "sizes " + std::to_string(ours.size()) + " and " + std::to_string(theirs.size());
  for (size_t i = 0; i < ours.size(); i += 4) {
    const bool same = ours[i + 3] == theirs[i + 3] &&
                      (ours[i + 3] == 0 || std::memcmp(&ours[i], &theirs[i], 3) == 0);
    if (!same) return "pixel " + std::to_string(i / 4);
  }
  return "";
}

}  // namespace

TEST_F(GifCrossCheck, FilesOfOtherProgramsDecodeAsTheyDecodeThem) {
  struct Case {
    const char* name;
    std::string make;  // a shell command writing the file
  };
  const std::string src = source_.string();
  const Case cases[] = {
      {"im256.gif", std::string(kConvert) + " " + src + " " + P("im256.gif")},
      {"im16i.gif", std::string(kConvert) + " " + src + " -colors 16 -interlace GIF " + P("im16i.gif")},
      {"immono.gif", std::string(kConvert) + " " + src + " -monochrome " + P("immono.gif")},
      {"giflib2.gif", std::string(kConvert) + " " + src + " -depth 8 rgb:" + P("s.rgb") + " && " + kGif2Rgb + " -c 1 -s 57 35 -1 " +
                          P("s.rgb") + " > " + P("giflib2.gif")},
      {"giflib64.gif", std::string(kConvert) + " " + src + " -depth 8 rgb:" + P("s.rgb") + " && " + kGif2Rgb + " -c 6 -s 57 35 -1 " +
                           P("s.rgb") + " > " + P("giflib64.gif")},
      {"giflib256.gif", std::string(kConvert) + " " + src + " -depth 8 rgb:" + P("s.rgb") + " && " + kGif2Rgb +
                            " -c 8 -s 57 35 -1 " + P("s.rgb") + " > " + P("giflib256.gif")},
      {"sicle.gif", std::string(kGifsicle) + " --colors 32 --interlace " + P("im256.gif") + " > " + P("sicle.gif")},
      {"pil.gif", "/usr/bin/python3 -c \"from PIL import Image; Image.open('" + src +
                      "').convert('P', palette=Image.ADAPTIVE, colors=24).save('" + P("pil.gif") +
                      "', transparency=3)\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(RunTool(c.make));
    const fs::path f = Path(c.name);
    const Bytes ours = OursRGB(f);
    ASSERT_EQ(ours.size(), size_t{kW} * kH * 3);
    EXPECT_EQ(ours, MagickRGB(f));
    EXPECT_EQ(ours, Gif2Rgb(f));
    EXPECT_EQ(ours, PillowRGB(f));
  }
}

TEST_F(GifCrossCheck, AnimationsPlayAsCoalescedAndUnoptimized) {
  MakeFrames(5);
  const std::string frames = Frames(5);
  struct Case {
    const char* name;
    std::string make;
  };
  const Case cases[] = {
      {"im_none.gif", std::string(kConvert) + " -delay 7 -dispose None" + frames + " -loop 0 " + P("im_none.gif")},
      {"im_previous.gif", std::string(kConvert) + " -delay 7 -dispose Previous" + frames + " -loop 2 " +
                              P("im_previous.gif")},
      {"im_optimized.gif", std::string(kConvert) + " -delay 7" + frames + " -layers Optimize " + P("im_optimized.gif")},
      {"im_transparent.gif", std::string(kConvert) + " -delay 7" + frames + " -layers OptimizeTransparency " +
                                 P("im_transparent.gif")},
      {"sicle_o3.gif", std::string(kGifsicle) + " -O3 --colors 64 --delay 5 --loopcount=0" + frames + " > " +
                           P("sicle_o3.gif")},
      {"sicle_background.gif", std::string(kGifsicle) + " -O2 --disposal background --delay 5" + frames + " > " +
                                   P("sicle_background.gif")},
      {"sicle_previous.gif", std::string(kGifsicle) + " -O2 --disposal previous --delay 5" + frames + " > " +
                                 P("sicle_previous.gif")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(RunTool(c.make));
    const fs::path f = Path(c.name);
    DWORD w = 0, h = 0;
    const std::vector<Bytes> ours = OursPlayed(f, &w, &h);
    ASSERT_EQ(ours.size(), 5u);
    const std::vector<Bytes> magick = MagickCoalesced(f, size_t{w} * h * 4);
    ASSERT_EQ(magick.size(), 5u);
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(CompareRGBA(ours[i], magick[i]), "") << "frame " << i;

    // gifsicle's own full frames: each frame of its unoptimized file alone.
    const fs::path un = Path(std::string("un_") + c.name);
    ASSERT_TRUE(RunTool(std::string(kGifsicle) + " --unoptimize " + f.string() + " > " + un.string()));
    const std::vector<Bytes> full = OursPlayed(un);
    ASSERT_EQ(full.size(), 5u);
    for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(CompareRGBA(ours[i], full[i]), "") << "frame " << i;
  }
}

TEST_F(GifCrossCheck, OurFilesReadBackInEveryProgram) {
  const Bytes rgb = Gradient(kW, kH, 3, 5);
  // Indices: the gradient cut to a few levels per channel.
  struct Case {
    const char* name;
    uint32_t bits, flags;
    LONG transparent;
  };
  const Case cases[] = {
      {"ours8.gif", 8, 0, -1},
      {"ours1.gif", 1, 0, -1},
      {"ours4i.gif", 4, Pictura::kGIFWriteInterlaced, 2},
      {"ours6b.gif", 6, Pictura::kGIFWriteBottomUp, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const uint32_t colours = 1u << c.bits;
    std::vector<RGBQUAD> palette(colours);
    for (uint32_t i = 0; i < colours; ++i)
      palette[i] = RGBQUAD{static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3), 0};
    Bytes pixels(size_t{kW} * kH);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((rgb[3 * i] + rgb[3 * i + 1]) % colours);
    Dest dest;
    ASSERT_NE(pic_WriteGIF(dest, pixels.data(), kW, kH, kW, 0, c.transparent, c.bits, palette.data(), c.flags), 0u);
    const fs::path f = Path(c.name);
    WriteFileBytes(f, dest.Contents());
    Bytes expect;
    for (uint32_t y = 0; y < kH; ++y) {
      const uint32_t row = c.flags & Pictura::kGIFWriteBottomUp ? kH - 1 - y : y;
      for (uint32_t x = 0; x < kW; ++x) {
        const RGBQUAD& q = palette[pixels[size_t{row} * kW + x]];
        expect.insert(expect.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
      }
    }
    EXPECT_EQ(OursRGB(f), expect);
    EXPECT_EQ(MagickRGB(f), expect);
    EXPECT_EQ(Gif2Rgb(f), expect);
    EXPECT_EQ(PillowRGB(f), expect);
    // gifsicle reads it and writes it again unchanged in content.
    ASSERT_TRUE(RunTool(std::string(kGifsicle) + " --no-interlace " + f.string() + " > " + P("re.gif")));
    EXPECT_EQ(MagickRGB(Path("re.gif")), expect);
  }
}

TEST_F(GifCrossCheck, OurAnimationsPlayInEveryProgram) {
  MakeFrames(4);
  // Our frames: the tool-made frames read back and written as an animation
  // with local tables, one in four interlaced, looping twice.
  Dest dest;
  RGBQUAD global[256] = {};
  HPICGIFWRITE h = pic_InitWriteMultiframedGIF(dest, kW, kH, -1, 0, 8, global, 2, 0);
  ASSERT_NE(h, nullptr);
  for (int i = 0; i < 4; ++i) {
    HPICSRC src = pic_OpenFileSource(P("f" + std::to_string(i) + ".gif").c_str());
    DWORD w = 0, hh = 0;
    LONG transparent = -1;
    RGBQUAD palette[256];
    const Bytes pixels = TakeBlock(pic_ReadGIF(src, &w, &hh, &transparent, palette, 0));
    pic_CloseSource(src);
    ASSERT_EQ(pixels.size(), size_t{kW} * kH);
    ASSERT_TRUE(pic_AddGIFFrame(h, pixels.data(), w, hh, w, 0, 0, 9, -1, 8, palette, 1,
                                Pictura::kGIFWriteLocalTable | (i == 2 ? uint32_t{Pictura::kGIFWriteInterlaced} : 0u)));
  }
  ASSERT_TRUE(pic_DestroyMultiGIF(h));
  const fs::path f = Path("ours_anim.gif");
  WriteFileBytes(f, dest.Contents());
  const std::vector<Bytes> ours = OursPlayed(f);
  ASSERT_EQ(ours.size(), 4u);
  const std::vector<Bytes> magick = MagickCoalesced(f, size_t{kW} * kH * 4);
  ASSERT_EQ(magick.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(CompareRGBA(ours[i], magick[i]), "") << "frame " << i;
  // Pillow: every frame as RGBA, and the loop count.
  const fs::path out = Path("pil_frames.rgba");
  ASSERT_TRUE(Pillow("from PIL import ImageSequence\nim = Image.open(src)\n"
                     "open(dst, 'wb').write(b''.join(f.convert('RGBA').tobytes() for f in ImageSequence.Iterator(im)))\n"
                     "assert im.info.get('loop') == 2",
                     f, out));
  const Bytes pil = ReadFileBytes(out);
  ASSERT_EQ(pil.size(), size_t{kW} * kH * 4 * 4);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(CompareRGBA(ours[i], Bytes(pil.begin() + static_cast<std::ptrdiff_t>(i * kW * kH * 4),
                                         pil.begin() + static_cast<std::ptrdiff_t>((i + 1) * kW * kH * 4))),
              "")
        << "frame " << i;
  // gifsicle keeps the frames and the loop count.
  ASSERT_TRUE(RunTool(std::string(kGifsicle) + " --info " + f.string() + " > " + P("info.txt")));
  const Bytes info = ReadFileBytes(Path("info.txt"));
  const std::string text(info.begin(), info.end());
  EXPECT_NE(text.find("4 images"), std::string::npos) << text;
  EXPECT_NE(text.find("loop count 2"), std::string::npos) << text;
}
