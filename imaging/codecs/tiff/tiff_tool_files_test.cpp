// TIFF files that ImageMagick and libtiff's tiffcp wrote (2-bit grey and
// palette pages, uncompressed tiles in one and in separate planes, 16-bit
// tiles), made on the host by tiff_tool_files.py with the pixels ImageMagick,
// Pillow and tiff2rgba decode from them. The Windows build reads them under
// Wine with its own cross-built libtiff, from a file and from memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "codecs/codec_entry_support.h"
#include "codecs/tiff/pictura_tiff.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kW = 45, kH = 31;

fs::path ToolFiles() {
  const char* dir = std::getenv("WAYLUNE_TIFF_TOOL_FILES");
  if (!dir || !*dir) return {};
  std::string path = dir;
#ifdef _WIN32
  if (path[0] == '/') path = "Z:" + path;  // the host's folder through Wine's drive for /
#endif
  return path;
}

struct Read {
  Bytes pixels;
  RGBQUAD palette[256] = {};
  DWORD width = 0, height = 0, code = 0;
};

Read ReadTiff(HPICSRC src, DWORD depth) {
  Read r;
  EXPECT_NE(src, nullptr);
  r.pixels = TakeBlock(pic_ReadTIFF(src, &r.width, &r.height, depth, r.palette, 0, 0));
  r.code = PicGetLastError();
  pic_CloseSource(src);
  return r;
}

// Indices through their palette as RGB.
Bytes ThroughPalette(const Read& r) {
  Bytes rgb;
  for (uint8_t i : r.pixels)
    rgb.insert(rgb.end(), {r.palette[i].rgbRed, r.palette[i].rgbGreen, r.palette[i].rgbBlue});
  return rgb;
}

TEST(TiffToolFiles, ReadAsTheIndependentDecodersReadThem) {
  const fs::path dir = ToolFiles();
  if (dir.empty()) {
    if (std::getenv("WAYLUNE_REQUIRE_TOOLS")) GTEST_FAIL() << "no tool files (ImageMagick, tiffcp, Pillow)";
    GTEST_SKIP() << "no tool files: run through tiff_tool_files.py";
  }
  struct Case {
    const char* name;
    bool indexed;            // also read as 8-bit indices
    const char* references;  // which decoders' RGB it must equal: m(agick), p(illow), l(ibtiff)
    bool grey16;  // 16-bit grey: of ImageMagick's samples v x 255 / 65535 at 8 bits, the high byte above
  };
  const Case cases[] = {
      {"grey2", true, "mpl", false},
      {"grey2_tiles", true, "mpl", false},
      {"palette2", true, "mpl", false},
      {"palette2_tiles", true, "mpl", false},
      {"grey16_tiles", true, "", true},
      {"rgb16_none_tiles", false, "ml", false},
      {"rgba_none_tiles", false, "mpl", false},
      {"none_tiles", false, "mpl", false},
      {"none_tiles_planes", false, "mpl", false},
      {"grey_none_tiles_planes", true, "mpl", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir / (std::string(c.name) + ".tif");
    const Bytes bytes = ReadFileBytes(file);
    ASSERT_FALSE(bytes.empty());
    Bytes want, wantIndexed;
    if (c.grey16) {
      const Bytes samples = ReadFileBytes(dir / (std::string(c.name) + ".gray16"));
      ASSERT_EQ(samples.size(), size_t{kW} * kH * 2);
      for (size_t i = 0; i < samples.size(); i += 2) {
        const uint32_t v = samples[i] | samples[i + 1] << 8;
        const auto scaled = static_cast<uint8_t>(v * 255 / 65535), high = static_cast<uint8_t>(v >> 8);
        want.insert(want.end(), {high, high, high});
        wantIndexed.insert(wantIndexed.end(), {scaled, scaled, scaled});
      }
    } else {
      want = wantIndexed = ReadFileBytes(dir / (std::string(c.name) + ".magick"));
    }
    ASSERT_EQ(want.size(), size_t{kW} * kH * 3);
    for (const char* ref = c.references; *ref; ++ref) {
      const char* suffix = *ref == 'm' ? ".magick" : *ref == 'p' ? ".pillow" : ".libtiff";
      EXPECT_EQ(ReadFileBytes(dir / (std::string(c.name) + suffix)), want) << suffix << " differs";
    }

    for (bool fromFile : {true, false}) {
      SCOPED_TRACE(fromFile ? "file" : "memory");
      auto open = [&] {
        return fromFile ? pic_OpenFileSource(file.string().c_str())
                        : pic_OpenMemorySource(bytes.data(), static_cast<DWORD>(bytes.size()));
      };
      const Read rgb = ReadTiff(open(), 24);
      EXPECT_EQ(rgb.code, 0u);
      EXPECT_EQ((std::vector<DWORD>{rgb.width, rgb.height}), (std::vector<DWORD>{kW, kH}));
      EXPECT_EQ(rgb.pixels, want);
      const Read rgba = ReadTiff(open(), 32);
      EXPECT_EQ(rgba.code, 0u);
      ASSERT_EQ(rgba.pixels.size(), size_t{kW} * kH * 4);
      size_t wrong = 0, seeThrough = 0;  // every file is opaque
      for (size_t i = 0; i < size_t{kW} * kH; ++i) {
        wrong += !std::equal(want.begin() + i * 3, want.begin() + i * 3 + 3, rgba.pixels.begin() + i * 4);
        seeThrough += rgba.pixels[i * 4 + 3] != 255;
      }
      EXPECT_EQ((std::vector<size_t>{wrong, seeThrough}), (std::vector<size_t>{0, 0}));
      if (c.indexed) {
        const Read indices = ReadTiff(open(), 8);
        EXPECT_EQ(indices.code, 0u);
        EXPECT_EQ(ThroughPalette(indices), wantIndexed);
      }
    }
  }
}

}  // namespace
