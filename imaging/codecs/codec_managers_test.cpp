// JPEG and PNG over every kind of source and destination: files by narrow
// and wide name, fixed and growing memory, the caller's callbacks, the null
// destination that only counts and (Windows) the caller's file handles. A
// file is the same bytes whatever it was written to and reads back the same
// from wherever it comes; a destination too small for it fails with 4.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "codecs/codec_entry_support.h"
#include "codecs/jpeg/pictura_jpeg.h"
#include "codecs/png/pictura_png.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

constexpr DWORD kW = 37, kH = 23;

struct Codec {
  const char* name;
  std::function<DWORD(HPICDEST, const Bytes&)> write;  // the entry's result
  std::function<HGLOBAL(HPICSRC, DWORD*, DWORD*)> read;
};

const Codec kCodecs[] = {
    {"JPEG",
     [](HPICDEST d, const Bytes& img) {
       return pic_WriteJPG(d, img.data(), kW, kH, 24, kW * 3, 90, nullptr, 0);
     },
     [](HPICSRC s, DWORD* w, DWORD* h) { return pic_ReadJPG(s, w, h, 24, 0); }},
    {"PNG",
     // Flag 16: no tIME chunk, so that every write gives the same bytes.
     [](HPICDEST d, const Bytes& img) {
       return pic_WritePNG(d, img.data(), kW, kH, kW * 3, 8, 0, nullptr, 2, 0, nullptr, 16);
     },
     [](HPICSRC s, DWORD* w, DWORD* h) { return pic_ReadPNG(s, w, h, 24, nullptr, 0); }},
};

class CodecManagers : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    codec_ = &kCodecs[GetParam()];
    image_ = Gradient(kW, kH, 3, 21);
    Dest dest;
    ASSERT_GT(codec_->write(dest, image_), 0u);
    ASSERT_EQ(PicGetLastError(), 0u);
    file_ = dest.Contents();
    Source src(file_);
    pixels_ = Read(src);
    ASSERT_EQ(pixels_.size(), image_.size());
    dir_ = ScratchDir(std::string("codec_managers_") + codec_->name);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Reads the source with the codec and checks the size and the code.
  Bytes Read(HPICSRC src) {
    DWORD w = 0, h = 0;
    Bytes out = TakeBlock(codec_->read(src, &w, &h));
    EXPECT_EQ(PicGetLastError(), 0u);
    EXPECT_EQ(w, kW);
    EXPECT_EQ(h, kH);
    return out;
  }
  // Writes through dest, closes it and checks the entry's result.
  void Write(HPICDEST dest) {
    ASSERT_NE(dest, nullptr);
    EXPECT_EQ(codec_->write(dest, image_), file_.size());
    EXPECT_EQ(PicGetLastError(), 0u);
    EXPECT_EQ(pic_CloseDest(dest), file_.size());
  }

  const Codec* codec_ = nullptr;
  Bytes image_, file_, pixels_;
  fs::path dir_;
};

}  // namespace

TEST_P(CodecManagers, FilesByNarrowAndWideNames) {
  const fs::path path = dir_ / "picture.img";
  Write(pic_OpenFileDest(path.string().c_str(), FALSE));
  EXPECT_EQ(ReadFileBytes(path), file_);
  HPICSRC src = pic_OpenFileSource(path.string().c_str());
  ASSERT_NE(src, nullptr);
  EXPECT_EQ(Read(src), pixels_);
  pic_CloseSource(src);

  const fs::path wide = dir_ / L"wide name.img";
  Write(pic_OpenFileDestW(wide.wstring().c_str(), FALSE));
  EXPECT_EQ(ReadFileBytes(wide), file_);
  src = pic_OpenFileSourceW(wide.wstring().c_str());
  ASSERT_NE(src, nullptr);
  EXPECT_EQ(Read(src), pixels_);
  pic_CloseSource(src);
}

TEST_P(CodecManagers, FixedMemoryTakesTheFileOrFailsWithAWriteError) {
  Bytes room(file_.size() + 100, 0xEE);
  Write(pic_OpenMemoryDest(room.data(), static_cast<DWORD>(room.size()), FALSE));
  EXPECT_EQ(Bytes(room.begin(), room.begin() + static_cast<std::ptrdiff_t>(file_.size())), file_);
  EXPECT_EQ(room[file_.size()], 0xEE);  // nothing past the file

  Bytes small(file_.size() / 2, 0xEE);
  small.resize(file_.size(), 0x77);  // the bytes behind the block's end stay untouched
  HPICDEST dest = pic_OpenMemoryDest(small.data(), static_cast<DWORD>(file_.size() / 2), FALSE);
  ASSERT_NE(dest, nullptr);
  codec_->write(dest, image_);
  EXPECT_EQ(PicGetLastError(), 4u);
  pic_CloseDest(dest);
  for (size_t i = file_.size() / 2; i < small.size(); ++i) ASSERT_EQ(small[i], 0x77) << i;
}

TEST_P(CodecManagers, TheCallersCallbacks) {
  VectorStream out;
  Write(out.OpenDest());
  EXPECT_EQ(out.data, file_);
  EXPECT_EQ(out.opens, 1);
  EXPECT_EQ(out.closes, 1);

  VectorStream in;
  in.data = file_;
  HPICSRC src = in.OpenSource();
  ASSERT_NE(src, nullptr);
  EXPECT_EQ(Read(src), pixels_);
  pic_CloseSource(src);
  EXPECT_EQ(in.closes, 1);
}

TEST_P(CodecManagers, TheNullDestinationCountsTheFile) {
  Write(pic_OpenNullDest(0));
}

#ifdef _WIN32
TEST_P(CodecManagers, TheCallersFileHandles) {
  const fs::path path = dir_ / "handle.img";
  HANDLE h = CreateFileA(path.string().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  Write(pic_OpenHandleDest(h, FALSE));
  ASSERT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
  HPICSRC src = pic_OpenHandleSource(h);
  ASSERT_NE(src, nullptr);
  EXPECT_EQ(Read(src), pixels_);
  pic_CloseSource(src);
  CloseHandle(h);
  EXPECT_EQ(ReadFileBytes(path), file_);
}
#endif

INSTANTIATE_TEST_SUITE_P(JpegAndPng, CodecManagers, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(kCodecs[info.param].name);
                         });
