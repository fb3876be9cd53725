#include "core/io_managers.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "core/io_test_support.h"

using namespace Pictura;
using pictest::VectorStream;

namespace {

std::vector<uint8_t> Ramp(size_t n) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), uint8_t{0});
  return v;
}

}  // namespace

TEST(MemoryManager, SeekBoundsAndEndOfData) {
  auto bytes = Ramp(100);
  CPicIO_Memory m;
  ASSERT_TRUE(m.OpenRead(bytes.data(), 100));
  EXPECT_FALSE(m.Seek(100, kPicSeekSet));
  ASSERT_TRUE(m.Seek(99, kPicSeekSet));
  // One byte is left: not the end yet.
  EXPECT_FALSE(m.IsEOF());
  uint8_t b = 0;
  EXPECT_EQ(m.Read(&b, 4), 1u);
  EXPECT_EQ(b, 99);
  EXPECT_TRUE(m.IsEOF());
  ASSERT_TRUE(m.Seek(0, kPicSeekEnd));
  uint32_t pos = 0;
  ASSERT_TRUE(m.GetPos(&pos));
  EXPECT_EQ(pos, 100u);
  EXPECT_EQ(m.Read(&b, 1), 0u);
}

TEST(MemoryManager, NoPositionWrapsAroundThirtyTwoBits) {
  auto bytes = Ramp(100);
  CPicIO_Memory m;
  ASSERT_TRUE(m.OpenRead(bytes.data(), 100));
  ASSERT_TRUE(m.Seek(10, kPicSeekSet));
  EXPECT_FALSE(m.Seek(-101, kPicSeekEnd));  // before the start
  EXPECT_FALSE(m.Seek(1, kPicSeekEnd));
  EXPECT_FALSE(m.Seek(-11, kPicSeekCur));
  EXPECT_FALSE(m.Seek(INT32_MIN, kPicSeekCur));
  EXPECT_FALSE(m.Seek(-1, kPicSeekSet));  // 0xFFFFFFFF as a position
  EXPECT_FALSE(m.Seek(0, 7));
  uint32_t pos = 0;
  ASSERT_TRUE(m.GetPos(&pos));
  EXPECT_EQ(pos, 10u);  // failed seeks moved nothing
  ASSERT_TRUE(m.Seek(-100, kPicSeekEnd));
  uint8_t b = 0xEE;
  EXPECT_EQ(m.Read(&b, 1), 1u);
  EXPECT_EQ(b, 0);
}

TEST(MemoryManager, DestinationCapacityAndSourcesAreNeverWritten) {
  uint8_t block[10] = {};
  CPicIO_Memory dst;
  ASSERT_TRUE(dst.OpenWrite(block, 10, false));
  auto eleven = Ramp(11);
  EXPECT_FALSE(dst.Write(eleven.data(), 11));
  uint32_t size = 99;
  ASSERT_TRUE(dst.GetSize(&size));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(block[0], 0);
  EXPECT_TRUE(dst.Write(eleven.data() + 1, 10));
  ASSERT_TRUE(dst.GetSize(&size));
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(block[9], 10);
  // size x count beyond 32 bits is refused, not wrapped.
  EXPECT_FALSE(dst.WriteItems(eleven.data(), 0x10000, 0x10001));

  const uint8_t constant[4] = {1, 2, 3, 4};
  CPicIO_Memory src;
  ASSERT_TRUE(src.OpenRead(constant, 4));
  EXPECT_FALSE(src.Write(block, 2));

  CPicIO_Memory bad;
  EXPECT_FALSE(bad.OpenRead(nullptr, 10));
  EXPECT_FALSE(bad.OpenRead(constant, 0));
  EXPECT_FALSE(bad.IsValid());
}

TEST(MemoryManager, WrittenDataReadsBackUpToItsLength) {
  uint8_t block[64] = {};
  CPicIO_Memory m;
  ASSERT_TRUE(m.OpenWrite(block, 64, false));
  ASSERT_TRUE(m.Write("abcdef", 6));
  ASSERT_TRUE(m.Rewind());
  char text[16] = {};
  EXPECT_EQ(m.Read(text, 16), 6u);
  EXPECT_STREQ(text, "abcdef");
  EXPECT_TRUE(m.IsEOF());
  // Seeking forward on a destination extends its written length.
  ASSERT_TRUE(m.Seek(20, kPicSeekSet));
  uint32_t size = 0;
  ASSERT_TRUE(m.GetSize(&size));
  EXPECT_EQ(size, 20u);
  EXPECT_TRUE(m.Close());
  EXPECT_FALSE(m.IsValid());
}

TEST(DynamicMemoryManager, ManySmallWritesGrowTheBlockGeometrically) {
  CPicIO_DynamicMemory m;
  ASSERT_TRUE(m.OpenWrite(false));
  auto chunk = Ramp(4096);
  int growths = 0;
  uint32_t capacity = m.Capacity();
  for (int i = 0; i < 4000; ++i) {  // 16 MB, as a codec writes it
    ASSERT_TRUE(m.Write(chunk.data(), 4096));
    if (m.Capacity() != capacity) {
      EXPECT_EQ(m.Capacity() % 4096, 0u);
      EXPECT_GE(m.Capacity(), capacity + capacity / 2);
      capacity = m.Capacity();
      ++growths;
    }
  }
  EXPECT_LT(growths, 40);
  uint32_t size = 0;
  ASSERT_TRUE(m.GetSize(&size));
  EXPECT_EQ(size, 4000u * 4096u);
}

TEST(DynamicMemoryManager, GrowsInPagesAndReadsBack) {
  CPicIO_DynamicMemory m;
  ASSERT_TRUE(m.OpenWrite(false));
  EXPECT_EQ(m.Capacity(), 8192u);
  auto data = Ramp(10000);
  ASSERT_TRUE(m.Write(data.data(), 10000));
  EXPECT_EQ(m.Capacity(), 12288u);
  uint32_t size = 0;
  ASSERT_TRUE(m.GetSize(&size));
  EXPECT_EQ(size, 10000u);
  ASSERT_TRUE(m.Seek(0, kPicSeekSet));
  std::vector<uint8_t> back(20000);
  EXPECT_EQ(m.Read(back.data(), 20000), 10000u);
  back.resize(10000);
  EXPECT_EQ(back, data);

  // A gap left by a seek reads back as zeros.
  ASSERT_TRUE(m.Seek(12000, kPicSeekSet));
  ASSERT_TRUE(m.Write("x", 1));
  ASSERT_TRUE(m.Seek(10000, kPicSeekSet));
  std::vector<uint8_t> gap(2001, 0xAA);
  EXPECT_EQ(m.Read(gap.data(), 2001), 2001u);
  EXPECT_EQ(gap[0], 0);
  EXPECT_EQ(gap[1999], 0);
  EXPECT_EQ(gap[2000], 'x');

  EXPECT_FALSE(m.Write(nullptr, 1));
  EXPECT_TRUE(m.Close());
  EXPECT_FALSE(m.IsValid());
}

TEST(FileManager, AppendKeepsContentsAndWritesAfterThem) {
  auto dir = pictest::ScratchDir("io_append");
  auto path = (dir / "append.bin").string();
  std::filesystem::remove(path);

  CPicIO_File made;
  ASSERT_TRUE(made.OpenWrite(path.c_str(), true));
  uint32_t size = 99;
  ASSERT_TRUE(made.GetSize(&size));
  EXPECT_EQ(size, 0u);  // created empty
  ASSERT_TRUE(made.Write("abc", 3));
  EXPECT_TRUE(made.Close());

  CPicIO_File again;
  ASSERT_TRUE(again.OpenWrite(path.c_str(), true));
  uint32_t pos = 99;
  ASSERT_TRUE(again.GetPos(&pos));
  EXPECT_EQ(pos, 3u);
  ASSERT_TRUE(again.Write("de", 2));
  // An update stream reads back what was just written.
  ASSERT_TRUE(again.Seek(1, kPicSeekSet));
  char two[3] = {};
  EXPECT_EQ(again.Read(two, 2), 2u);
  EXPECT_STREQ(two, "bc");
  EXPECT_TRUE(again.Close());
  auto bytes = pictest::ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abcde");

  CPicIO_File trunc;
  ASSERT_TRUE(trunc.OpenWrite(path.c_str(), false));
  ASSERT_TRUE(trunc.Write("z", 1));
  EXPECT_TRUE(trunc.Close());
  EXPECT_EQ(pictest::ReadFileBytes(path).size(), 1u);
  std::filesystem::remove_all(dir);
}

TEST(FileManager, ShortReadsEndAndNames) {
  auto dir = pictest::ScratchDir("io_file");
  auto path = dir / "three.bin";
  pictest::WriteFileBytes(path, {7, 8, 9});
  CPicIO_File f;
  ASSERT_TRUE(f.OpenRead(path.string().c_str()));
  EXPECT_EQ(std::string(f.GetName()), path.string());
  ASSERT_TRUE(f.Seek(2, kPicSeekSet));
  uint8_t two[2] = {};
  EXPECT_FALSE(f.IsEOF());
  EXPECT_EQ(f.Read(two, 2), 1u);
  EXPECT_EQ(two[0], 9);
  EXPECT_TRUE(f.IsEOF());
  EXPECT_FALSE(f.Write(two, 1));  // opened for reading
  ASSERT_TRUE(f.Seek(-3, kPicSeekEnd));
  EXPECT_TRUE(f.ReadExact(two, 2));
  EXPECT_EQ(two[1], 8);
  EXPECT_TRUE(f.Close());
  EXPECT_FALSE(f.Close());  // nothing open any more

  CPicIO_File none;
  EXPECT_FALSE(none.OpenRead(""));
  EXPECT_FALSE(none.OpenRead(static_cast<const char*>(nullptr)));
  EXPECT_FALSE(none.OpenRead((dir / "missing.bin").string().c_str()));
  EXPECT_FALSE(none.IsValid());
  std::filesystem::remove_all(dir);
}

TEST(NullManager, CountsWithoutWrapping) {
  CPicIO_Null n;
  ASSERT_TRUE(n.OpenWrite(0));
  ASSERT_TRUE(n.WriteItems(nullptr, 5, 3));
  uint32_t size = 0, pos = 0;
  ASSERT_TRUE(n.GetSize(&size));
  EXPECT_EQ(size, 15u);
  ASSERT_TRUE(n.Seek(-5, kPicSeekEnd));
  ASSERT_TRUE(n.GetPos(&pos));
  EXPECT_EQ(pos, 10u);
  ASSERT_TRUE(n.GetSize(&size));
  EXPECT_EQ(size, 15u);
  EXPECT_FALSE(n.Seek(-16, kPicSeekEnd));
  EXPECT_FALSE(n.Seek(1, kPicSeekEnd));
  uint8_t b = 1;
  EXPECT_EQ(n.Read(&b, 1), 0u);          // flags bit 0 clear
  ASSERT_TRUE(n.Seek(-2, kPicSeekSet));  // 0xFFFFFFFE
  EXPECT_FALSE(n.WriteItems(nullptr, 1, 3));
  EXPECT_TRUE(n.WriteItems(nullptr, 1, 1));
  EXPECT_FALSE(n.IsEOF());

  CPicIO_Null zeros;
  ASSERT_TRUE(zeros.OpenRead(1));
  uint8_t buf[4] = {1, 2, 3, 4};
  EXPECT_EQ(zeros.Read(buf, 4), 4u);
  EXPECT_EQ(buf[3], 0);
  EXPECT_FALSE(zeros.Write(buf, 1));
  EXPECT_TRUE(zeros.Close());
  EXPECT_FALSE(zeros.IsValid());
}

TEST(UserManager, OpenVerdictValidityAndLyingCounts) {
  VectorStream s;
  s.data = Ramp(10);
  s.openResult = false;
  CPicIO_User refused;
  EXPECT_FALSE(refused.OpenRead(VectorStream::Open, VectorStream::Read, VectorStream::Seek,
                                VectorStream::GetPos, VectorStream::GetSize, VectorStream::Eof,
                                VectorStream::Close, s.User()));

  s.openResult = true;
  CPicIO_User noRead;
  ASSERT_TRUE(noRead.OpenWrite(VectorStream::Open, VectorStream::Write, nullptr, VectorStream::Seek,
                               VectorStream::GetPos, VectorStream::GetSize, VectorStream::Eof,
                               VectorStream::Close, s.User(), false));
  EXPECT_FALSE(noRead.IsValid());
  uint8_t buf[20] = {};
  EXPECT_EQ(noRead.Read(buf, 4), 0u);

  CPicIO_User src;
  ASSERT_TRUE(src.OpenRead(VectorStream::Open, VectorStream::Read, VectorStream::Seek, VectorStream::GetPos,
                           VectorStream::GetSize, VectorStream::Eof, VectorStream::Close, s.User()));
  EXPECT_TRUE(src.IsValid());
  s.extraClaim = 1000;
  EXPECT_EQ(src.Read(buf, 20), 20u);  // the callback claimed 1010
  EXPECT_FALSE(src.Write(buf, 1));
  EXPECT_TRUE(src.Close());
  EXPECT_EQ(s.closes, 1);
}

TEST(CopyFrom, WholeBlocksThenSingleBytes) {
  auto data = Ramp(5000);
  CPicIO_Memory src;
  ASSERT_TRUE(src.OpenRead(data.data(), 5000));
  ASSERT_TRUE(src.Seek(903, kPicSeekSet));
  VectorStream out;
  CPicIO_User dst;
  ASSERT_TRUE(dst.OpenWrite(VectorStream::Open, VectorStream::Write, VectorStream::Read, VectorStream::Seek,
                            VectorStream::GetPos, VectorStream::GetSize, VectorStream::Eof,
                            VectorStream::Close, out.User(), false));
  EXPECT_EQ(dst.CopyFrom(src, UINT32_MAX), 0u);  // the 4097 bytes left
  ASSERT_EQ(out.writeSizes.size(), 2u);
  EXPECT_EQ(out.writeSizes[0], 4096u);
  EXPECT_EQ(out.writeSizes[1], 1u);
  EXPECT_EQ(out.data, std::vector<uint8_t>(data.begin() + 903, data.end()));

  ASSERT_TRUE(src.Seek(4990, kPicSeekSet));
  EXPECT_EQ(dst.CopyFrom(src, 11), 3u);  // one byte short

  uint8_t small[4];
  CPicIO_Memory full;
  ASSERT_TRUE(full.OpenWrite(small, 4, false));
  ASSERT_TRUE(src.Rewind());
  EXPECT_EQ(full.CopyFrom(src, 5), 4u);
}
