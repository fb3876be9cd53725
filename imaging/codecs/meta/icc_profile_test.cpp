// ICC profiles in JPEG (APP2 chunks) and PNG (iCCP) files: chunking at its
// limits, reassembly in file order, what is ignored, and the formats
// without profiles.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/codec_entry_support.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/meta/icc_profile.h"
#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "codecs/jpeg/pictura_jpeg.h"
#include "codecs/png/pictura_png.h"
#include "codecs/meta/pictura_icc.h"

using namespace Pictura;
using namespace pictest;

namespace {

class IccProfile : public ::testing::Test {
 protected:
  void TearDown() override {
    pic_SetICCProfile(nullptr, 0);
    pic_ClearJPGOutputMarkers();
  }
};

Bytes SmallJpeg() {
  Bytes img = Gradient(16, 16, 3);
  Dest dest;
  EXPECT_GT(pic_WriteJPG(dest, img.data(), 16, 16, 24, 48, 80, nullptr, 0), 0u);
  return dest.Contents();
}

// The APP2 payloads of a JPEG file, in order.
std::vector<Bytes> App2Payloads(const Bytes& file) {
  std::vector<Bytes> out;
  size_t p = 2;
  while (p + 4 <= file.size() && file[p] == 0xFF && file[p + 1] != 0xDA) {
    const size_t length = size_t(file[p + 2]) << 8 | file[p + 3];
    if (file[p + 1] == 0xE2)
      out.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(p + 4),
                       file.begin() + static_cast<std::ptrdiff_t>(p + 2 + length));
    p += 2 + length;
  }
  return out;
}

Bytes ProfileOf(const Bytes& file, DWORD* error) {
  Source src(file);
  HGLOBAL block = nullptr;
  DWORD size = 0;
  BOOL ok = pic_ReadICCProfile(src, 0, &block, &size);
  *error = PicGetLastError();
  Bytes out = TakeBlock(block);
  EXPECT_EQ(ok != 0, !out.empty());
  EXPECT_EQ(out.size(), size);
  return out;
}

Bytes Chunk(uint8_t number, uint8_t count, const std::string& data, const char* name = "ICC_PROFILE") {
  Bytes c(name, name + std::strlen(name) + 1);
  c.push_back(number);
  c.push_back(count);
  c.insert(c.end(), data.begin(), data.end());
  return c;
}

}  // namespace

TEST_F(IccProfile, ChunkSizesAtTheLimit) {
  for (uint32_t size : {65519u, 65520u}) {
    SCOPED_TRACE(size);
    Bytes profile = Noise(size, size);
    ASSERT_TRUE(pic_SetICCProfile(profile.data(), size));
    Bytes file = SmallJpeg();
    auto chunks = App2Payloads(file);
    ASSERT_EQ(chunks.size(), size == 65519 ? 1u : 2u);
    EXPECT_EQ(0, std::memcmp(chunks[0].data(), "ICC_PROFILE\0", 12));
    EXPECT_EQ(chunks[0][12], 1);
    EXPECT_EQ(chunks[0][13], chunks.size());
    EXPECT_EQ(chunks[0].size(), 65519u + 14);
    if (size == 65520) {
      EXPECT_EQ(chunks[1][12], 2);
      EXPECT_EQ(chunks[1].size(), 15u);
      EXPECT_EQ(chunks[1][14], profile.back());
    }
    DWORD error = 1;
    EXPECT_EQ(ProfileOf(file, &error), profile);
    EXPECT_EQ(error, 0u);
  }
}

TEST_F(IccProfile, MoreThan255ChunksAreRefusedAndNothingIsWritten) {
  Bytes profile(size_t{255} * 65519 + 1, 7);
  ASSERT_TRUE(pic_SetICCProfile(profile.data(), static_cast<DWORD>(profile.size())));
  Bytes img = Gradient(16, 16, 3);
  Dest dest;
  EXPECT_EQ(pic_WriteJPG(dest, img.data(), 16, 16, 24, 48, 80, nullptr, 0), 0u);
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  EXPECT_TRUE(dest.Contents().empty());
  // 255 chunks exactly still go (a plain vector stream: the file is 16 MB).
  profile.resize(size_t{255} * 65519);
  ASSERT_TRUE(pic_SetICCProfile(profile.data(), static_cast<DWORD>(profile.size())));
  JPGWriteCodecContext ctx;
  MemoryIO ok;
  EXPECT_GT(WriteJPGImage(&ctx.error, ctx, &ok, img.data(), 16, 16, 48, 80, 24, 0), 0u);
  EXPECT_EQ(ctx.error, 0u);
  auto chunks = App2Payloads(ok.data);
  ASSERT_EQ(chunks.size(), 255u);
  EXPECT_EQ(chunks.back()[12], 255);
  EXPECT_EQ(chunks.back()[13], 255);
}

TEST_F(IccProfile, ChunksAreJoinedInFileOrderAndOddOnesIgnored) {
  // Stored out of order: 2 of 2 first. Then chunks that do not count: too
  // short (no data byte) and another name.
  for (const Bytes& c :
       {Chunk(2, 2, "BB"), Chunk(1, 2, "AA"), Chunk(3, 3, ""), Chunk(1, 1, "ZZ", "ICC_PROFILX")})
    ASSERT_TRUE(pic_AddJPGOutputMarker(0xE2, c.data(), static_cast<DWORD>(c.size())));
  Bytes file = SmallJpeg();
  DWORD error = 1;
  Bytes profile = ProfileOf(file, &error);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(std::string(profile.begin(), profile.end()), "BBAA");
}

TEST_F(IccProfile, FilesWithoutProfiles) {
  DWORD error = 1;
  EXPECT_TRUE(ProfileOf(SmallJpeg(), &error).empty());
  EXPECT_EQ(error, 0u);  // a JPEG without chunks: no profile, no error
  Bytes grey(16, 50);
  Dest dest;
  pic_WritePNG(dest, grey.data(), 4, 4, 4, 8, 0, nullptr, 0, 0, nullptr, 0);
  EXPECT_TRUE(ProfileOf(dest.Contents(), &error).empty());
  EXPECT_EQ(error, uint32_t{kPicErrPNGDataMissing});
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
  EXPECT_TRUE(ProfileOf(gif, &error).empty());
  EXPECT_EQ(error, uint32_t{kPicErrBadArgument});
  Source src(SmallJpeg());
  EXPECT_FALSE(pic_ReadICCProfile(src, 0, nullptr, nullptr));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
}

TEST_F(IccProfile, SettingTheProfile) {
  const BYTE bytes[3] = {1, 2, 3};
  EXPECT_FALSE(pic_SetICCProfile(nullptr, 3));
  EXPECT_EQ(PicGetLastError(), uint32_t{kPicErrBadArgument});
  ASSERT_TRUE(pic_SetICCProfile(bytes, 3));
  EXPECT_EQ(GetImgThreadContext()->iccProfile.Count(), 3u);
  ASSERT_TRUE(pic_SetICCProfile(nullptr, 0));
  EXPECT_TRUE(GetImgThreadContext()->iccProfile.Empty());
}
