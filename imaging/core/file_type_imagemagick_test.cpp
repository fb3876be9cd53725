// The file-type guess on real files of every format ImageMagick writes that
// the guess knows, made at test time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/io_test_support.h"
#include "core/pictura_io.h"
#include "core/pictura_file_type.h"

namespace {
const char* const kConvert = "/usr/bin/convert";
}

TEST(FileTypeImageMagick, RealFilesOfEveryKnownFormat) {
  PICTEST_REQUIRE_TOOLS(kConvert);
  auto dir = pictest::ScratchDir("file_type_im");
  auto path = [&](const std::string& name) { return "'" + (dir / name).string() + "'"; };
  ASSERT_EQ(
      std::system((std::string(kConvert) + " -size 64x48 gradient:yellow-navy " + path("base.png")).c_str()),
      0);
  struct Case {
    const char* output;  // format prefix and file name
    const char* options;
    DWORD type;
  };
  const Case cases[] = {
      {"a.bmp", "", kPicFileBMP},
      {"BMP2:a2.bmp", "", kPicFileBMP},
      {"a.gif", "", kPicFileGIF},
      {"GIF87:a87.gif", "", kPicFileGIF},
      {"a.jpg", "", kPicFileJPEG},
      {"a.pcx", "", kPicFilePCX},
      {"a.tif", "", kPicFileTIFF},
      {"b.tif", "-define tiff:endian=msb", kPicFileTIFF},
      {"a.png", "", kPicFilePNG},
      {"a.psd", "", kPicFilePSD},
      {"a.jp2", "", kPicFileJP2},
      {"a.j2k", "", kPicFileJP2},  // a bare code stream hits the JPEG 2000 entry at offset 0
      {"a.pbm", "-compress none", kPicFilePBM},
      {"b.pbm", "", kPicFilePBM},
      {"a.pgm", "-compress none", kPicFilePGM},
      {"b.pgm", "", kPicFilePGM},
      {"a.ppm", "-compress none", kPicFilePPM},
      {"b.ppm", "", kPicFilePPM},
      {"a.ico", "-resize 32x32", kPicFileICO},
      {"a.wbmp", "", kPicFileWBMP},
      {"a.tga", "", kPicFileTGA},
      {"a.cal", "", kPicFileCALS},
      {"a.pcd", "", kPicFilePCD},
  };
  for (const Case& c : cases) {
    std::string out = c.output;
    const size_t colon = out.find(':');
    const std::string prefix = colon == std::string::npos ? "" : out.substr(0, colon + 1);
    const std::string name = colon == std::string::npos ? out : out.substr(colon + 1);
    const std::string command = std::string(kConvert) + " " + path("base.png") + " " + c.options + " " +
                                prefix + path(name) + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << c.output;
    HPICSRC src = pic_OpenFileSource((dir / name).string().c_str());
    ASSERT_NE(src, nullptr) << c.output;
    EXPECT_EQ(pic_GuessFileType(src), c.type) << c.output;
    pic_CloseSource(src);
  }
  // The same ICO bytes under another name are no ICO.
  std::filesystem::copy_file(dir / "a.ico", dir / "a.bin");
  HPICSRC bin = pic_OpenFileSource((dir / "a.bin").string().c_str());
  EXPECT_EQ(pic_GuessFileType(bin), 0u);
  pic_CloseSource(bin);
  std::filesystem::remove_all(dir);
}
