// Cross-checks with independent programs (natively): files made by cjpeg,
// jpegtran, ImageMagick and Pillow decode like djpeg and Pillow decode them,
// our files read back in those programs, cut-off files end like djpeg's, and
// the ICC profiles of icc-profiles-free survive JPEG and PNG.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "codecs/codec_entry_support.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "codecs/jpeg/pictura_jpeg.h"
#include "codecs/png/pictura_png.h"
#include "codecs/meta/pictura_icc.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

class JpegCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    PICTEST_REQUIRE_TOOLS("/usr/bin/cjpeg", "/usr/bin/djpeg", "/usr/bin/jpegtran", "/usr/bin/convert",
                          "Pillow");
    dir_ = ScratchDir("jpeg_crosscheck");
    source_ = dir_ / "source.ppm";
    WritePNM(source_, Gradient(kW, kH, 3, 11), kW, kH, 3);
    grey_ = dir_ / "grey.pgm";
    WritePNM(grey_, Gradient(kW, kH, 1, 12), kW, kH, 1);
  }
  void TearDown() override {
    pic_SetICCProfile(nullptr, 0);
    pic_ClearJPGOutputMarkers();
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }

  static constexpr uint32_t kW = 203, kH = 117;  // not a whole number of MCUs
  fs::path dir_, source_, grey_;
};

struct Decoded {
  Bytes pixels;
  DWORD width = 0, height = 0, error = 0;
};

Decoded Ours(const fs::path& file, DWORD depth, DWORD flags = 0) {
  Decoded d;
  HPICSRC src = pic_OpenFileSource(file.string().c_str());
  EXPECT_NE(src, nullptr);
  d.pixels = TakeBlock(pic_ReadJPG(src, &d.width, &d.height, depth, flags));
  d.error = PicGetLastError();
  pic_CloseSource(src);
  return d;
}

// djpeg's pixels: P6 for colour, P5 for grey.
Bytes Djpeg(const fs::path& file, uint32_t* w, uint32_t* h, uint32_t* channels) {
  fs::path out = file;
  out += ".pnm";
  // djpeg ends with 2 after a warning (a cut-off file): the picture counts.
  fs::remove(out);
  Shell("/usr/bin/djpeg -pnm -outfile " + out.string() + " " + file.string());
  if (!fs::exists(out)) return {};
  return ReadPNM(out, w, h, channels);
}

// Pillow's decode in `mode`, as raw bytes.
Bytes PillowDecode(const fs::path& file, const std::string& mode) {
  fs::path out = file;
  out += "." + mode + ".raw";
  if (!Pillow("im = Image.open(src)\nopen(dst, 'wb').write(im.convert('" + mode +
                  "').tobytes() if im.mode != '" + mode + "' else im.tobytes())",
              file, out))
    return {};
  return ReadFileBytes(out);
}

void ExpectSameAsDjpeg(const fs::path& file) {
  SCOPED_TRACE(file.filename().string());
  uint32_t w = 0, h = 0, channels = 0;
  Bytes reference = Djpeg(file, &w, &h, &channels);
  if (reference.empty()) {
    // djpeg found no picture: neither may we.
    EXPECT_EQ(Ours(file, 24).error, 9u);
    return;
  }
  Decoded ours = Ours(file, channels * 8);
  ASSERT_EQ(ours.error, 0u);
  EXPECT_EQ(ours.width, w);
  EXPECT_EQ(ours.height, h);
  EXPECT_EQ(ours.pixels, reference);  // the same library and settings: no difference at all
}

}  // namespace

TEST_F(JpegCrossCheck, CjpegFilesDecodeLikeDjpeg) {
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"baseline.jpg", "-quality 90"},
      {"progressive.jpg", "-quality 80 -progressive"},
      {"optimized.jpg", "-quality 75 -optimize -sample 1x1"},
      {"h2v1.jpg", "-quality 85 -sample 2x1"},
      {"restart.jpg", "-quality 85 -restart 1"},
      {"arithmetic.jpg", "-quality 85 -arithmetic"},
      {"float.jpg", "-quality 95 -dct float"},
  };
  for (const auto& [name, options] : variants) {
    ASSERT_TRUE(
        Shell("/usr/bin/cjpeg " + options + " -outfile " + Path(name).string() + " " + source_.string()));
    ExpectSameAsDjpeg(Path(name));
  }
  ASSERT_TRUE(
      Shell("/usr/bin/cjpeg -grayscale -outfile " + Path("grey.jpg").string() + " " + source_.string()));
  ExpectSameAsDjpeg(Path("grey.jpg"));
  ASSERT_TRUE(Shell("/usr/bin/cjpeg -outfile " + Path("grey8.jpg").string() + " " + grey_.string()));
  ExpectSameAsDjpeg(Path("grey8.jpg"));
}

TEST_F(JpegCrossCheck, JpegtranProgressiveAndRestartFilesDecodeLikeDjpeg) {
  ASSERT_TRUE(
      Shell("/usr/bin/cjpeg -quality 90 -outfile " + Path("base.jpg").string() + " " + source_.string()));
  ASSERT_TRUE(Shell("/usr/bin/jpegtran -progressive -outfile " + Path("prog.jpg").string() + " " +
                    Path("base.jpg").string()));
  ASSERT_TRUE(Shell("/usr/bin/jpegtran -restart 2 -outfile " + Path("rst.jpg").string() + " " +
                    Path("base.jpg").string()));
  ASSERT_TRUE(Shell("/usr/bin/jpegtran -progressive -restart 1B -outfile " + Path("prog_rst.jpg").string() +
                    " " + Path("base.jpg").string()));
  for (const char* name : {"prog.jpg", "rst.jpg", "prog_rst.jpg"}) ExpectSameAsDjpeg(Path(name));
  // A lossless transform keeps the coefficients: the pixels do not change.
  EXPECT_EQ(Ours(Path("prog.jpg"), 24).pixels, Ours(Path("base.jpg"), 24).pixels);
}

TEST_F(JpegCrossCheck, CutOffFilesEndLikeDjpeg) {
  ASSERT_TRUE(
      Shell("/usr/bin/cjpeg -quality 90 -outfile " + Path("full.jpg").string() + " " + source_.string()));
  ASSERT_TRUE(Shell("/usr/bin/cjpeg -quality 90 -progressive -outfile " + Path("fullp.jpg").string() + " " +
                    source_.string()));
  for (const char* name : {"full.jpg", "fullp.jpg"}) {
    Bytes full = ReadFileBytes(Path(name));
    for (double part : {0.3, 0.6, 0.95}) {
      fs::path cut = Path(std::string("cut_") + std::to_string(int(part * 100)) + name);
      WriteFileBytes(cut,
                     Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(full.size() * part)));
      ExpectSameAsDjpeg(cut);
    }
  }
}

TEST_F(JpegCrossCheck, ImageMagickCMYKFilesAgreeWithPillow) {
  fs::path cmyk = Path("cmyk.jpg");
  ASSERT_TRUE(
      Shell("/usr/bin/convert " + source_.string() + " -colorspace CMYK -quality 95 " + cmyk.string()));
  Decoded raw = Ours(cmyk, 32, 1);
  ASSERT_EQ(raw.error, 0u);
  // Adobe files keep inverted ink; Pillow hands out the true ink.
  Bytes ink = PillowDecode(cmyk, "CMYK");
  ASSERT_EQ(ink.size(), raw.pixels.size());
  for (size_t i = 0; i < ink.size(); ++i) ASSERT_EQ(raw.pixels[i], 255 - ink[i]) << i;
  Decoded rgb = Ours(cmyk, 24);
  ASSERT_EQ(rgb.error, 0u);
  Bytes pillowRgb = PillowDecode(cmyk, "RGB");
  EXPECT_LE(MaxDiff(rgb.pixels, pillowRgb), 2);  // rounding of c x k / 255
}

TEST_F(JpegCrossCheck, PillowFilesDecodeLikePillow) {
  const std::vector<std::pair<std::string, std::string>> variants = {
      {"p420.jpg", "quality=90"},
      {"p444.jpg", "quality=90, subsampling=0"},
      {"pprog.jpg", "quality=80, progressive=True"},
      {"poptim.jpg", "quality=70, optimize=True"},
  };
  for (const auto& [name, options] : variants) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Pillow("Image.open(src).save(dst, 'JPEG', " + options + ")", source_, Path(name)));
    Decoded ours = Ours(Path(name), 24);
    ASSERT_EQ(ours.error, 0u);
    EXPECT_LE(MaxDiff(ours.pixels, PillowDecode(Path(name), "RGB")), 1);
  }
  ASSERT_TRUE(Pillow("Image.open(src).save(dst, 'JPEG', quality=90)", grey_, Path("pgrey.jpg")));
  Decoded grey = Ours(Path("pgrey.jpg"), 8);
  ASSERT_EQ(grey.error, 0u);
  EXPECT_LE(MaxDiff(grey.pixels, PillowDecode(Path("pgrey.jpg"), "L")), 1);
}

TEST_F(JpegCrossCheck, OurFilesReadBackInDjpegAndPillow) {
  uint32_t w, h, c;
  Bytes rgb = ReadPNM(source_, &w, &h, &c);
  const char* comment = "Waylune test comment";
  ASSERT_TRUE(pic_AddJPGOutputComment(comment));
  Bytes profile = ReadFileBytes("/usr/share/color/icc/sRGB.icc");
  ASSERT_FALSE(profile.empty());
  ASSERT_TRUE(pic_SetICCProfile(profile.data(), static_cast<DWORD>(profile.size())));
  for (DWORD flags : {0u, 1u}) {
    SCOPED_TRACE(flags);
    fs::path out = Path(flags ? "ours_prog.jpg" : "ours.jpg");
    HPICDEST dest = pic_OpenFileDest(out.string().c_str(), FALSE);
    ASSERT_NE(dest, nullptr);
    ASSERT_GT(pic_WriteJPG(dest, rgb.data(), w, h, 24, w * 3, 90, nullptr, flags), 0u);
    pic_CloseDest(dest);
    ExpectSameAsDjpeg(out);
    fs::path info = Path("info.txt");
    ASSERT_TRUE(
        Pillow("im = Image.open(src)\n"
               "open(dst, 'w').write('%s|%d|%s' % (im.info.get('comment', b'').decode(), "
               "len(im.info.get('icc_profile', b'')), im.info.get('progressive', 0) or "
               "im.info.get('progression', 0)))",
               out, info));
    Bytes text = ReadFileBytes(info);
    EXPECT_EQ(std::string(text.begin(), text.end()),
              std::string(comment) + "|" + std::to_string(profile.size()) + "|" + (flags ? "1" : "0"));
    EXPECT_LE(MaxDiff(Ours(out, 24).pixels, PillowDecode(out, "RGB")), 1);
  }
  // Grey and CMYK files of ours in djpeg and Pillow.
  pic_SetICCProfile(nullptr, 0);
  Bytes grey = ReadPNM(grey_, &w, &h, &c);
  HPICDEST dest = pic_OpenFileDest(Path("ours_grey.jpg").string().c_str(), FALSE);
  ASSERT_GT(pic_WriteJPG(dest, grey.data(), w, h, 8, w, 90, nullptr, 0), 0u);
  pic_CloseDest(dest);
  ExpectSameAsDjpeg(Path("ours_grey.jpg"));
  Bytes cmyk = Gradient(w, h, 4, 3);
  dest = pic_OpenFileDest(Path("ours_cmyk.jpg").string().c_str(), FALSE);
  ASSERT_GT(pic_WriteJPG(dest, cmyk.data(), w, h, 32, w * 4, 100, nullptr, 0), 0u);
  pic_CloseDest(dest);
  Bytes pillowCmyk = PillowDecode(Path("ours_cmyk.jpg"), "CMYK");
  Decoded raw = Ours(Path("ours_cmyk.jpg"), 32, 1);
  ASSERT_EQ(pillowCmyk.size(), raw.pixels.size());
  // libjpeg marks CMYK files as Adobe's: Pillow inverts the stored ink.
  for (size_t i = 0; i < raw.pixels.size(); ++i) ASSERT_EQ(raw.pixels[i], 255 - pillowCmyk[i]) << i;
}

TEST_F(JpegCrossCheck, FreeICCProfilesSurviveJpegAndPng) {
  const fs::path folder = "/usr/share/color/icc";
  PICTEST_REQUIRE_TOOLS("/usr/share/color/icc");  // icc-profiles-free
  uint32_t w, h, c;
  Bytes rgb = ReadPNM(source_, &w, &h, &c);
  Bytes grey = ReadPNM(grey_, &w, &h, &c);
  int tested = 0, inPng = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".icc" && ext != ".icm") continue;
    Bytes profile = ReadFileBytes(entry.path());
    if (profile.size() < 132) continue;
    SCOPED_TRACE(entry.path().string());
    ++tested;
    ASSERT_TRUE(pic_SetICCProfile(profile.data(), static_cast<DWORD>(profile.size())));
    const std::string space(profile.begin() + 16, profile.begin() + 20);
    // JPEG carries any profile.
    Dest jpeg;
    ASSERT_GT(pic_WriteJPG(jpeg, rgb.data(), w, h, 24, w * 3, 80, nullptr, 0), 0u);
    Source jsrc(jpeg.Contents());
    HGLOBAL block = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(pic_ReadICCProfile(jsrc, 0, &block, &size));
    EXPECT_EQ(TakeBlock(block), profile);
    // PNG: libpng takes RGB profiles for colour and grey ones for grey
    // images; anything else is refused with 5.
    const bool isGrey = space == "GRAY";
    Dest png;
    pic_WritePNG(png, isGrey ? grey.data() : rgb.data(), w, h, isGrey ? w : w * 3, 8, 0, nullptr,
                 isGrey ? 0 : 2, 0, nullptr, 0);
    const DWORD code = PicGetLastError();
    if (space != "RGB " && space != "GRAY") {
      EXPECT_EQ(code, 5u);
      continue;
    }
    if (code != 0) {
      // libpng 1.6 also refuses profiles it finds broken inside; they must
      // say so with 5, never pass silently.
      EXPECT_EQ(code, 5u);
      continue;
    }
    ++inPng;
    Bytes file = png.Contents();
    Source psrc(file);
    ASSERT_TRUE(pic_ReadICCProfile(psrc, 0, &block, &size));
    EXPECT_EQ(TakeBlock(block), profile);
    WriteFileBytes(Path("icc.png"), file);
    ASSERT_TRUE(Pillow("open(dst, 'wb').write(Image.open(src).info['icc_profile'])", Path("icc.png"),
                       Path("icc.out")));
    EXPECT_EQ(ReadFileBytes(Path("icc.out")), profile);
  }
  EXPECT_GT(tested, 5);
  EXPECT_GT(inPng, 0);
}
