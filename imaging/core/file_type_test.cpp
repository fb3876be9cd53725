#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file_type.h"
#include "core/generic_codec.h"
#include "core/io_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "core/pictura_file_type.h"
#ifdef _WIN32
#include "gdi/pictura_metafile.h"
#endif

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> head, size_t size = 64) {
  std::vector<uint8_t> v(head);
  if (v.size() < size) v.resize(size, 0x11);
  return v;
}

DWORD GuessMemory(const std::vector<uint8_t>& bytes, DWORD* code = nullptr) {
  HPICSRC src = pic_OpenMemorySource(bytes.data(), static_cast<DWORD>(bytes.size()));
  DWORD type = pic_GuessFileType(src);
  if (code) *code = PicGetLastError();
  pic_CloseSource(src);
  return type;
}

class FileGuess : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = pictest::ScratchDir("file_type"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  DWORD GuessFile(const std::string& name, const std::vector<uint8_t>& bytes, DWORD* code = nullptr) {
    pictest::WriteFileBytes(dir_ / name, bytes);
    HPICSRC src = pic_OpenFileSource((dir_ / name).string().c_str());
    EXPECT_NE(src, nullptr);
    DWORD type = pic_GuessFileType(src);
    if (code) *code = PicGetLastError();
    pic_CloseSource(src);
    return type;
  }
  std::filesystem::path dir_;
};

}  // namespace

TEST(FileTypeGuess, SignaturesInTableOrder) {
  struct Case {
    std::vector<uint8_t> bytes;
    DWORD type;
  };
  std::vector<uint8_t> emf(64, 0);
  emf[40] = 0x20;
  emf[41] = 0x45;
  emf[42] = 0x4D;
  emf[43] = 0x46;
  std::vector<uint8_t> jp2 = Bytes({0, 0, 0, 12, 0x6A, 0x50, 0x20, 0x20, 0x0D});
  std::vector<uint8_t> j2kAt4 = Bytes({1, 2, 3, 4, 0xFF, 0x4F});
  const Case cases[] = {
      {Bytes({'B', 'M'}), kPicFileBMP},
      {Bytes({'P', 'A', 'X'}), kPicFilePAX},
      {Bytes({'G', 'I', 'F', '8', '9', 'a'}), kPicFileGIF},
      {Bytes({'G', 'I', 'F', '8', '7', 'a'}), kPicFileGIF},
      {Bytes({0xFF, 0xD8, 0xFF, 0xE0}), kPicFileJPEG},
      {Bytes({0xFF, 0xD8, 0xFF, 0xE1}), kPicFileJPEG},
      {Bytes({0x0A, 0x05, 0x01}), kPicFilePCX},
      {Bytes({0x0A, 0x00}), kPicFilePCX},
      {Bytes({'M', 'M', 0, 42}), kPicFileTIFF},
      {Bytes({'I', 'I', 42, 0}), kPicFileTIFF},
      {Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), kPicFilePNG},
      {Bytes({1, 0, 9, 0, 0, 3}), kPicFileWMF},
      {Bytes({0xD7, 0xCD, 0xC6, 0x9A}), kPicFileWMF},
      {emf, kPicFileEMF},
      {Bytes({'8', 'B', 'P', 'S'}), kPicFilePSD},
      {Bytes({'T', 'L', 'A', 1}), kPicFileTLA01},
      {Bytes({'T', 'L', 'A', 'U'}), kPicFileTLAU},
      {Bytes({'P', 'C', 'D', '_', 'O', 'P', 'A'}), kPicFilePCDOverview},
      {jp2, kPicFileJP2},
      {Bytes({0xFF, 0x4F, 0xFF, 0x51}), kPicFileJP2},  // a code stream at 0 takes the earlier entry
      {j2kAt4, kPicFileJ2K},
      {Bytes({0xD0, 0xCF, 0x11, 0xE0}), kPicFileOLE},
      {Bytes({'P', '1', '\n'}), kPicFilePBM},
      {Bytes({'P', '4'}), kPicFilePBM},
      {Bytes({'P', '2'}), kPicFilePGM},
      {Bytes({'P', '5'}), kPicFilePGM},
      {Bytes({'P', '3'}), kPicFilePPM},
      {Bytes({'P', '6'}), kPicFilePPM},
  };
  for (const Case& c : cases) {
    DWORD code = 99;
    EXPECT_EQ(GuessMemory(c.bytes, &code), c.type) << c.type;
    EXPECT_EQ(code, 0u) << c.type;
  }
  // The EMF mark needs all 44 bytes.
  emf.resize(43);
  EXPECT_NE(GuessMemory(emf), static_cast<DWORD>(kPicFileEMF));
}

TEST(FileTypeGuess, FootersPhotoCDAndFailures) {
  std::vector<uint8_t> tga(100, 0);
  const char footer[] = "TRUEVISION-XFILE.";
  std::copy(footer, footer + 18, tga.end() - 18);
  EXPECT_EQ(GuessMemory(tga), static_cast<DWORD>(kPicFileTGA));

  std::vector<uint8_t> pcd(3000, 0);
  pcd[2048] = 'P';
  pcd[2049] = 'C';
  pcd[2050] = 'D';
  EXPECT_EQ(GuessMemory(pcd), static_cast<DWORD>(kPicFilePCD));

  // A memory source too short for offset 2048: unknown, and no error.
  DWORD code = 99;
  EXPECT_EQ(GuessMemory(std::vector<uint8_t>(20, 0x33), &code), 0u);
  EXPECT_EQ(code, 0u);
  // Shorter than the footer: the footer seek fails.
  EXPECT_EQ(GuessMemory(std::vector<uint8_t>(10, 0x33), &code), 0u);
  EXPECT_EQ(code, 3u);
  // A weak ICO signature without the name does not count.
  EXPECT_EQ(GuessMemory(Bytes({0, 0, 1, 0}, 100)), 0u);

  EXPECT_EQ(pic_GuessFileType(nullptr), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
  // Nothing to read at the position: 3.
  std::vector<uint8_t> bmp = Bytes({'B', 'M'});
  HPICSRC src = pic_OpenMemorySource(bmp.data(), static_cast<DWORD>(bmp.size()));
  ASSERT_TRUE(pic_Seek(src, 0, 2));
  EXPECT_EQ(pic_GuessFileType(src), 0u);
  EXPECT_EQ(PicGetLastError(), 3u);
  // The guess reads at the current position and leaves the position behind.
  ASSERT_TRUE(pic_Seek(src, 0, 0));
  EXPECT_EQ(pic_GuessFileType(src), static_cast<DWORD>(kPicFileBMP));
  DWORD pos = 0;
  ASSERT_TRUE(pic_GetPos(src, &pos));
  EXPECT_EQ(pos, 44u);
  pic_CloseSource(src);
}

TEST_F(FileGuess, NamesDecideWhereSignaturesCannot) {
  const std::vector<uint8_t> plain(100, 0x33);
  EXPECT_EQ(GuessFile("x.wbmp", plain), static_cast<DWORD>(kPicFileWBMP));
  EXPECT_EQ(GuessFile("X.WBM", plain), static_cast<DWORD>(kPicFileWBMP));
  EXPECT_EQ(GuessFile("x.tga", plain), static_cast<DWORD>(kPicFileTGA));
  EXPECT_EQ(GuessFile("x.cals", plain), static_cast<DWORD>(kPicFileCALS));
  EXPECT_EQ(GuessFile("x.cal", plain), static_cast<DWORD>(kPicFileCALS));
  // The signature comes first: a PNG named .jpg is a PNG.
  EXPECT_EQ(GuessFile("x.jpg", Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})),
            static_cast<DWORD>(kPicFilePNG));
  const auto ico = Bytes({0, 0, 1, 0}, 100), cur = Bytes({0, 0, 2, 0}, 100);
  EXPECT_EQ(GuessFile("a.ico", ico), static_cast<DWORD>(kPicFileICO));
  EXPECT_EQ(GuessFile("a.ico", cur), static_cast<DWORD>(kPicFileICO));
  DWORD code = 99;
  EXPECT_EQ(GuessFile("a.bin", ico, &code), 0u);
  // A short file: the footer was read, then the PhotoCD read fails.
  EXPECT_EQ(GuessFile("short.bin", std::vector<uint8_t>(20, 0x44), &code), 0u);
  EXPECT_EQ(code, 3u);
  // Named .ico without the signature: straight to the PhotoCD test.
  std::vector<uint8_t> pcd(2100, 0);
  pcd[2048] = 'P';
  pcd[2049] = 'C';
  pcd[2050] = 'D';
  EXPECT_EQ(GuessFile("photo.ico", pcd), static_cast<DWORD>(kPicFilePCD));
}

TEST(FileTypeTables, ExtensionsAndFormatMapping) {
  using namespace Pictura;
  EXPECT_EQ(FileTypeFromExtension("c:\\pics\\a.JPEG"), static_cast<uint32_t>(kReadJPEG));
  EXPECT_EQ(FileTypeFromExtension("a.tif"), static_cast<uint32_t>(kReadTIFF));
  EXPECT_EQ(FileTypeFromExtension("a.tla"), static_cast<uint32_t>(kReadTLA));
  EXPECT_EQ(FileTypeFromExtension("a.wbm"), static_cast<uint32_t>(kReadWBMP));
  EXPECT_EQ(FileTypeFromExtension("a.pcd"), static_cast<uint32_t>(kReadPCD));
  EXPECT_EQ(FileTypeFromExtension("[Memory]"), static_cast<uint32_t>(kReadUnknown));
  EXPECT_EQ(FileTypeFromExtension("a.bmp.txt"), static_cast<uint32_t>(kReadUnknown));
  EXPECT_EQ(FileTypeFromExtension(nullptr), static_cast<uint32_t>(kReadUnknown));
  EXPECT_EQ(ReadFormatOfFileType(kPicFileTLA01), static_cast<uint32_t>(kReadTLA01));
  EXPECT_EQ(ReadFormatOfFileType(kPicFileTLAU), static_cast<uint32_t>(kReadTLA));
  EXPECT_EQ(ReadFormatOfFileType(kPicFileJPEG), static_cast<uint32_t>(kReadJPEG));
  EXPECT_EQ(ReadFormatOfFileType(kPicFilePCX), static_cast<uint32_t>(kReadPCX));
  EXPECT_EQ(ReadFormatOfFileType(kPicFileICO), static_cast<uint32_t>(kReadUnknown));
  EXPECT_EQ(ReadFormatOfFileType(kPicFilePCDOverview), static_cast<uint32_t>(kReadUnknown));
}

#ifdef _WIN32
// Metafiles as GDI itself records them, and as our writer puts them out:
// the guess knows them by their signatures, whatever their names.
TEST_F(FileGuess, MetafilesRecordedByGDI) {
  const std::string emfPath = (dir_ / "drawn.bin").string(), wmfPath = (dir_ / "drawn.dat").string();
  HDC emf = CreateEnhMetaFileA(nullptr, emfPath.c_str(), nullptr, nullptr);
  ASSERT_TRUE(emf);
  Rectangle(emf, 0, 0, 40, 30);
  DeleteEnhMetaFile(CloseEnhMetaFile(emf));
  HDC wmf = CreateMetaFileA(wmfPath.c_str());
  ASSERT_TRUE(wmf);
  Rectangle(wmf, 0, 0, 40, 30);
  DeleteMetaFile(CloseMetaFile(wmf));
  for (const auto& [path, type] : {std::pair{emfPath, kPicFileEMF}, std::pair{wmfPath, kPicFileWMF}}) {
    HPICSRC src = pic_OpenFileSource(path.c_str());
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(pic_GuessFileType(src), static_cast<DWORD>(type)) << path;
    EXPECT_EQ(PicGetLastError(), 0u);
    pic_CloseSource(src);
  }
  // Our own metafiles: EMF, plain and placeable WMF, from memory too.
  const std::vector<uint8_t> rgb(4 * 3 * 3, 0x80);
  for (const auto& [kind, type] :
       {std::pair{1u, kPicFileEMF}, std::pair{0u, kPicFileWMF}, std::pair{2u, kPicFileWMF}}) {
    HPICDEST dest = pic_OpenDynamicMemoryDest(FALSE);
    ASSERT_NE(pic_WriteRGBToMetafile(dest, rgb.data(), 4, 3, 12, kind, 0), 0u) << kind;
    DWORD size = 0;
    ASSERT_TRUE(pic_GetSize(dest, &size));
    std::vector<uint8_t> bytes(size);
    ASSERT_TRUE(pic_Seek(dest, 0, 0));
    ASSERT_EQ(pic_Read(dest, bytes.data(), size), size);
    pic_CloseDest(dest);
    EXPECT_EQ(GuessMemory(bytes), static_cast<DWORD>(type)) << kind;
  }
}
#endif
