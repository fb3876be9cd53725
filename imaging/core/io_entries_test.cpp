#include <gtest/gtest.h>

#include <vector>

#include "core/io_test_support.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"

using pictest::VectorStream;

TEST(IOEntries, OpenFailuresGiveTheirCodes) {
  uint8_t byte = 0;
  EXPECT_EQ(pic_OpenMemorySource(&byte, 0), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(pic_OpenMemorySource(nullptr, 10), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(pic_OpenFileSource("no/such/folder/missing.bmp"), nullptr);
  EXPECT_EQ(PicGetLastError(), 2u);
  EXPECT_EQ(pic_OpenFileSource(nullptr), nullptr);
  EXPECT_EQ(PicGetLastError(), 2u);
  EXPECT_EQ(pic_OpenMemoryDest(nullptr, 10, FALSE), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);

  VectorStream s;
  EXPECT_EQ(
      pic_OpenUserSource(VectorStream::Open, VectorStream::Read, VectorStream::Seek, VectorStream::GetPos,
                         VectorStream::GetSize, nullptr, VectorStream::Close, s.User()),
      nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(s.opens, 0);  // refused before anything was made
  // A destination needs the read callback as well.
  EXPECT_EQ(pic_OpenUserDest(VectorStream::Open, VectorStream::Write, nullptr, VectorStream::Seek,
                             VectorStream::GetPos, VectorStream::GetSize, VectorStream::Eof,
                             VectorStream::Close, FALSE, s.User()),
            nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  s.openResult = false;
  EXPECT_EQ(s.OpenSource(), nullptr);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(s.opens, 1);

  // A success clears the failure before it.
  HPICDEST null = pic_OpenNullDest(0);
  ASSERT_NE(null, nullptr);
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(pic_CloseDest(null), 0u);
}

TEST(IOEntries, CloseReturnsConsumedOrWritten) {
  auto dir = pictest::ScratchDir("io_entries");
  auto path = dir / "hundred.bin";
  pictest::WriteFileBytes(path, std::vector<uint8_t>(100, 0x42));
  HPICSRC src = pic_OpenFileSource(path.string().c_str());
  ASSERT_NE(src, nullptr);
  uint8_t buf[54];
  EXPECT_EQ(pic_Read(src, buf, 54), 54u);
  EXPECT_EQ(pic_CloseSource(src), 54u);

  std::vector<uint8_t> block(2000);
  HPICDEST mem = pic_OpenMemoryDest(block.data(), 2000, FALSE);
  ASSERT_NE(mem, nullptr);
  std::vector<uint8_t> data(1000, 7);
  EXPECT_TRUE(pic_Write(mem, data.data(), 1000));
  EXPECT_EQ(pic_CloseDest(mem), 1000u);

  HPICDEST null = pic_OpenNullDest(0);
  ASSERT_NE(null, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(pic_Write(null, data.data(), 5));
  EXPECT_EQ(pic_CloseDest(null), 15u);

  // A dynamic destination is read back through the same handle.
  HPICDEST dyn = pic_OpenDynamicMemoryDest(FALSE);
  ASSERT_NE(dyn, nullptr);
  EXPECT_TRUE(pic_Write(dyn, "hello", 5));
  EXPECT_TRUE(pic_Seek(dyn, 0, 0));
  char text[8] = {};
  EXPECT_EQ(pic_Read(dyn, text, 8), 5u);
  EXPECT_STREQ(text, "hello");
  EXPECT_TRUE(pic_EOF(dyn));
  EXPECT_EQ(pic_CloseDest(dyn), 5u);

  // A file destination reports the file's length.
  auto outPath = dir / "out.bin";
  HPICDEST file = pic_OpenFileDest(outPath.string().c_str(), FALSE);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(pic_Write(file, data.data(), 300));
  DWORD size = 0;
  EXPECT_TRUE(pic_GetSize(file, &size));
  EXPECT_EQ(size, 300u);
  EXPECT_EQ(pic_CloseDest(file), 300u);
  std::filesystem::remove_all(dir);
}

TEST(IOEntries, NullHandlesAndOutPointers) {
  DWORD value = 0;
  uint8_t buf[4];
  EXPECT_EQ(pic_Read(nullptr, buf, 4), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_Write(nullptr, buf, 4));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_FALSE(pic_Seek(nullptr, 0, 0));
  EXPECT_FALSE(pic_GetSize(nullptr, &value));
  EXPECT_FALSE(pic_EOF(nullptr));
  EXPECT_EQ(pic_CloseSource(nullptr), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(pic_CloseDest(nullptr), 0u);
  EXPECT_EQ(PicGetLastError(), 5u);

  VectorStream s;
  s.data = {1, 2, 3};
  HPICSRC src = s.OpenSource();
  ASSERT_NE(src, nullptr);
  EXPECT_FALSE(pic_GetPos(src, nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_EQ(s.getpos, 0);  // the manager was not asked
  EXPECT_FALSE(pic_GetSize(src, nullptr));
  EXPECT_EQ(PicGetLastError(), 5u);
  EXPECT_TRUE(pic_GetPos(src, &value));
  EXPECT_EQ(PicGetLastError(), 0u);
  // A failed operation is no error of the entry.
  EXPECT_FALSE(pic_Write(src, buf, 1));
  EXPECT_EQ(PicGetLastError(), 0u);
  EXPECT_EQ(pic_CloseSource(src), 0u);
  EXPECT_EQ(s.closes, 1);
}

TEST(IOEntries, ValidityOfHandles) {
  EXPECT_FALSE(pic_IsValidManager(nullptr));
  int notAManager[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(pic_IsValidManager(reinterpret_cast<HPICSRC>(notAManager)));
  EXPECT_EQ(PicGetLastError(), 0u);
  uint8_t data[4] = {1, 2, 3, 4};
  HPICSRC src = pic_OpenMemorySource(data, 4);
  ASSERT_NE(src, nullptr);
  EXPECT_TRUE(pic_IsValidManager(src));
  pic_CloseSource(src);
  EXPECT_FALSE(pic_IsValidManager(src));  // gone: not looked at
}

TEST(IOEntries, WidePathsOpenTheSameFiles) {
  auto dir = pictest::ScratchDir("io_wide");
  auto path = dir / "wide.bin";
  HPICDEST dst = pic_OpenFileDestW(path.wstring().c_str(), FALSE);
  ASSERT_NE(dst, nullptr);
  EXPECT_TRUE(pic_Write(dst, "wide", 4));
  EXPECT_EQ(pic_CloseDest(dst), 4u);
  HPICSRC src = pic_OpenFileSourceW(path.wstring().c_str());
  ASSERT_NE(src, nullptr);
  char text[5] = {};
  EXPECT_EQ(pic_Read(src, text, 4), 4u);
  EXPECT_STREQ(text, "wide");
  EXPECT_EQ(pic_CloseSource(src), 4u);
  EXPECT_EQ(pic_OpenFileSourceW(L""), nullptr);
  EXPECT_EQ(PicGetLastError(), 2u);
  std::filesystem::remove_all(dir);
}

#ifdef _WIN32
TEST(IOEntries, HandleManagersLeaveTheHandleOpen) {
  auto dir = pictest::ScratchDir("io_handle");
  auto path = (dir / "handle.bin").string();
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(pic_OpenHandleDest(INVALID_HANDLE_VALUE, FALSE), nullptr);
  EXPECT_EQ(PicGetLastError(), 2u);
  HPICDEST dst = pic_OpenHandleDest(h, FALSE);
  ASSERT_NE(dst, nullptr);
  EXPECT_TRUE(pic_Write(dst, "0123456789", 10));
  EXPECT_TRUE(pic_Seek(dst, -4, 2));
  DWORD pos = 0;
  EXPECT_TRUE(pic_GetPos(dst, &pos));
  EXPECT_EQ(pos, 6u);
  EXPECT_EQ(pic_CloseDest(dst), 10u);

  HPICSRC src = pic_OpenHandleSource(h);
  ASSERT_NE(src, nullptr);
  EXPECT_TRUE(pic_Seek(src, 2, 0));
  char text[4] = {};
  EXPECT_EQ(pic_Read(src, text, 3), 3u);
  EXPECT_STREQ(text, "234");
  EXPECT_FALSE(pic_EOF(src));
  EXPECT_FALSE(pic_Write(src, "x", 1));
  EXPECT_EQ(pic_CloseSource(src), 5u);
  DWORD got = 0;
  EXPECT_TRUE(SetFilePointer(h, 0, nullptr, FILE_BEGIN) == 0);
  EXPECT_TRUE(ReadFile(h, text, 1, &got, nullptr));  // still open
  EXPECT_EQ(got, 1u);
  CloseHandle(h);
  std::filesystem::remove_all(dir);
}
#endif
