#include "soundlib/decode/wav_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "soundlib/decode/test_wav.h"
#include "soundlib/soundlib_api.h"

namespace soundlib {
namespace {

using testing::makeWav;
using testing::WavSpec;

std::unique_ptr<WavReader> openBytes(const std::vector<uint8_t>& bytes, int& error) {
  return WavReader::open(std::make_unique<MemorySource>(bytes.data(), bytes.size()), error);
}

std::vector<int16_t> decodeBytes(const std::vector<uint8_t>& bytes, PcmFormat* fmt = nullptr) {
  int error = -99;
  auto r = openBytes(bytes, error);
  EXPECT_EQ(error, SL_OK);
  if (!r) return {};
  if (fmt) *fmt = r->format();
  std::vector<int16_t> out;
  EXPECT_TRUE(r->decodeAll(out, error));
  return out;
}

int openError(const std::vector<uint8_t>& bytes) {
  int error = SL_OK;
  auto r = openBytes(bytes, error);
  EXPECT_EQ(r == nullptr, error != SL_OK);
  return error;
}

TEST(WavReader, DecodesEveryPcmLayoutTo16Bit) {
  // 8-bit is unsigned around 128; wider formats keep their top 16 bits.
  EXPECT_EQ(decodeBytes(makeWav({11025, 1, 8}, {0, 128, 255, 129})),
            (std::vector<int16_t>{-32768, 0, 32512, 256}));
  EXPECT_EQ(decodeBytes(makeWav({22050, 2, 16}, {-32768, 32767, 1, -1})),
            (std::vector<int16_t>{-32768, 32767, 1, -1}));
  EXPECT_EQ(decodeBytes(makeWav({48000, 1, 24}, {0x7FFFFF, -0x800000, 0x123456, -256})),
            (std::vector<int16_t>{32767, -32768, 0x1234, -1}));
  EXPECT_EQ(decodeBytes(makeWav({44100, 2, 32}, {0x7FFFFFFF, INT32_MIN, 0x00010000, 0})),
            (std::vector<int16_t>{32767, -32768, 1, 0}));
  PcmFormat f;
  EXPECT_EQ(decodeBytes(makeWav({96000, 1, 32, 3}, {16384, -32768, 40000, -50000, 1}), &f),
            (std::vector<int16_t>{16384, -32768, 32767, -32768, 1}));
  EXPECT_TRUE(f.isFloat);
  EXPECT_EQ(f.rate, 96000u);
}

TEST(WavReader, ReadsExtensibleHeaders) {
  PcmFormat f;
  EXPECT_EQ(decodeBytes(makeWav({44100, 2, 16, 0xFFFE, 1}, {5, -5, 7, -7}), &f),
            (std::vector<int16_t>{5, -5, 7, -7}));
  EXPECT_EQ(f.channels, 2);
  EXPECT_EQ(decodeBytes(makeWav({44100, 1, 32, 0xFFFE, 3}, {8192}), &f), (std::vector<int16_t>{8192}));
  EXPECT_TRUE(f.isFloat);
  // An extensible header around a compressed sub-format is not PCM.
  EXPECT_EQ(openError(makeWav({44100, 1, 16, 0xFFFE, 2}, {0, 0})), SL_ERROR_FORMAT);
}

TEST(WavReader, WalksOtherChunksAndPadding) {
  std::vector<uint8_t> extra;
  testing::putChunk(extra, "LIST", {'I', 'N', 'F', 'O', 'x'});  // odd length, padded
  testing::putChunk(extra, "fact", {1, 0, 0, 0});
  EXPECT_EQ(decodeBytes(makeWav({8000, 1, 16}, {1, 2, 3}, extra)), (std::vector<int16_t>{1, 2, 3}));

  // Data before the format chunk is still found.
  std::vector<uint8_t> body{'W', 'A', 'V', 'E'};
  testing::putChunk(body, "data", testing::pcmBytes({8000, 1, 16}, {9, 8}));
  testing::putChunk(body, "fmt ", testing::fmtBody({8000, 1, 16}));
  std::vector<uint8_t> file{'R', 'I', 'F', 'F'};
  testing::put32(file, static_cast<uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  EXPECT_EQ(decodeBytes(file), (std::vector<int16_t>{9, 8}));
}

TEST(WavReader, CutsDataToWhatIsThere) {
  auto wav = makeWav({8000, 2, 16}, {1, 2, 3, 4, 5, 6});
  // Drop the last frame and a half: whole frames only.
  wav.erase(wav.end() - 6, wav.end());
  EXPECT_EQ(decodeBytes(wav), (std::vector<int16_t>{1, 2}));

  // A writer that never filled in the length.
  auto open = makeWav({8000, 1, 16}, {7, 7, 7});
  const size_t dataLen = open.size() - 6 - 4;
  open[dataLen] = open[dataLen + 1] = open[dataLen + 2] = open[dataLen + 3] = 0xFF;
  EXPECT_EQ(decodeBytes(open), (std::vector<int16_t>{7, 7, 7}));
}

TEST(WavReader, RejectsHostileHeadersWithClearCodes) {
  const auto good = makeWav({8000, 1, 16}, {1, 2});
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    auto v = good;
    std::copy(bytes.begin(), bytes.end(), v.begin() + static_cast<ptrdiff_t>(at));
    return v;
  };
  // Layout of `good`: RIFF(0) size(4) WAVE(8) "fmt "(12) len(16) tag(20) ch(22) rate(24) avg(28)
  // align(32) bits(34) "data"(36) len(40) samples(44).
  EXPECT_EQ(openError({}), SL_ERROR_FILEFORM);
  EXPECT_EQ(openError(patched(0, {'R', 'I', 'F', 'X'})), SL_ERROR_FILEFORM);
  EXPECT_EQ(openError(patched(8, {'A', 'V', 'I', ' '})), SL_ERROR_FILEFORM);
  EXPECT_EQ(openError(patched(12, {'f', 'm', 't', 'x'})), SL_ERROR_FILEFORM);    // no format
  EXPECT_EQ(openError(patched(36, {'d', 'a', 't', 'x'})), SL_ERROR_FILEFORM);    // no data
  EXPECT_EQ(openError(patched(16, {14, 0, 0, 0})), SL_ERROR_FILEFORM);           // format too short
  EXPECT_EQ(openError(patched(20, {2, 0})), SL_ERROR_FORMAT);                    // ADPCM
  EXPECT_EQ(openError(patched(22, {0, 0})), SL_ERROR_FORMAT);                    // no channels
  EXPECT_EQ(openError(patched(22, {6, 0})), SL_ERROR_FORMAT);                    // 5.1
  EXPECT_EQ(openError(patched(24, {0, 0, 0, 0})), SL_ERROR_FORMAT);              // rate 0
  EXPECT_EQ(openError(patched(24, {0xFF, 0xFF, 0xFF, 0xFF})), SL_ERROR_FORMAT);  // absurd rate
  EXPECT_EQ(openError(patched(32, {4, 0})), SL_ERROR_FILEFORM);                  // align disagrees
  EXPECT_EQ(openError(patched(34, {12, 0})), SL_ERROR_FORMAT);                   // 12-bit
  EXPECT_EQ(openError(patched(40, {0, 0, 0, 0})), SL_ERROR_FILEFORM);            // no frames
  // A chunk claiming nearly 4 GiB ends the walk before the data is found.
  std::vector<uint8_t> huge;
  testing::putChunk(huge, "junk", {});
  huge[4] = 0xF0, huge[5] = huge[6] = huge[7] = 0xFF;
  EXPECT_EQ(openError(makeWav({8000, 1, 16}, {1}, huge)), SL_ERROR_FILEFORM);
  EXPECT_EQ(openError(makeWav({8000, 1, 32, 3}, {1}) /* float is fine */), SL_OK);
  EXPECT_EQ(openError(makeWav({8000, 1, 16, 3}, {1})), SL_ERROR_FORMAT);  // 16-bit float
}

TEST(WavReader, EveryTruncationFailsCleanlyOrDecodesAPrefix) {
  const auto full = makeWav({8000, 2, 16}, {1, -1, 2, -2, 3, -3, 4, -4});
  for (size_t n = 0; n < full.size(); ++n) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<ptrdiff_t>(n));
    int error = SL_OK;
    auto r = openBytes(cut, error);
    if (!r) {
      EXPECT_NE(error, SL_OK) << n;
      continue;
    }
    std::vector<int16_t> out;
    ASSERT_TRUE(r->decodeAll(out, error)) << n;
    ASSERT_LE(out.size(), 8u);
    for (size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], (i % 2 ? -1 : 1) * int(i / 2 + 1)) << n;
  }
}

// A source that claims gigabytes: a header that believes it must not lead to
// a gigabyte allocation.
class HugeSource final : public ByteSource {
 public:
  explicit HugeSource(std::vector<uint8_t> head) : head_(std::move(head)) {}
  uint64_t size() const override { return 3ull << 30; }
  size_t readAt(uint64_t pos, void* dst, size_t n) override {
    auto* d = static_cast<uint8_t*>(dst);
    for (size_t i = 0; i < n; ++i) d[i] = pos + i < head_.size() ? head_[pos + i] : 0;
    return n;
  }

 private:
  std::vector<uint8_t> head_;
};

TEST(WavReader, RefusesToDecodeMoreThanItMayHold) {
  auto wav = makeWav({8000, 2, 16}, {0, 0});
  wav[40] = wav[41] = wav[42] = wav[43] = 0xFF;
  int error = SL_OK;
  auto r = WavReader::open(std::make_unique<HugeSource>(wav), error);
  ASSERT_TRUE(r);
  EXPECT_GT(r->frames(), 1'000'000'000ull / 4);
  std::vector<int16_t> out;
  EXPECT_FALSE(r->decodeAll(out, error));
  EXPECT_EQ(error, SL_ERROR_MEM);
  EXPECT_TRUE(out.empty());
  // Streaming a block from the middle still works.
  int16_t block[8];
  EXPECT_EQ(r->decode(1000, 4, block), 4u);
}

TEST(WavReader, ReadsAWindowOfAFile) {
  const auto wav = makeWav({8000, 1, 16}, {11, 22, 33});
  const std::string path = testing::tempPath("_window.bin");
  {
    std::ofstream f(path, std::ios::binary);
    f << "leading bytes";
    f.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    f << "trailing";
  }
  int error = SL_OK;
  auto src = FileSource::open(std::fopen(path.c_str(), "rb"), 13, wav.size(), error);
  ASSERT_TRUE(src);
  auto r = WavReader::open(std::move(src), error);
  ASSERT_TRUE(r);
  std::vector<int16_t> out;
  ASSERT_TRUE(r->decodeAll(out, error));
  EXPECT_EQ(out, (std::vector<int16_t>{11, 22, 33}));
  EXPECT_FALSE(FileSource::open(std::fopen(path.c_str(), "rb"), 1u << 20, 0, error));
  EXPECT_EQ(error, SL_ERROR_POSITION);
  r.reset();  // closes the file
  std::filesystem::remove(path);
}

// Files written by Python's own wave module, an independent writer.
TEST(WavReader, MatchesFilesWrittenByPython) {
  const std::string path = testing::tempPath("_py.wav");
  const std::string script =
      "import wave,struct,sys\n"
      "w=wave.open(sys.argv[1],'wb'); w.setnchannels(2); w.setsampwidth(2); w.setframerate(22050)\n"
      "w.writeframes(b''.join(struct.pack('<hh',(i*37)%65536-32768,-((i*91)%30000)) for i in range(5000)))\n"
      "w.close()\n";
  const std::string scriptPath = testing::tempPath("_py.py");
  std::ofstream(scriptPath) << script;
#ifdef _WIN32
  GTEST_SKIP() << "Python runs on the build machine only";
#endif
  const std::string cmd = "/usr/bin/python3 " + scriptPath + " " + path;
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "python3 not available";
  int error = SL_OK;
  auto r = WavReader::open(FileSource::open(std::fopen(path.c_str(), "rb"), 0, 0, error), error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->format().rate, 22050u);
  EXPECT_EQ(r->format().channels, 2);
  ASSERT_EQ(r->frames(), 5000u);
  std::vector<int16_t> out;
  ASSERT_TRUE(r->decodeAll(out, error));
  for (int i = 0; i < 5000; ++i) {
    ASSERT_EQ(out[2 * i], (i * 37) % 65536 - 32768) << i;
    ASSERT_EQ(out[2 * i + 1], -((i * 91) % 30000)) << i;
  }
  std::filesystem::remove(path);
  std::filesystem::remove(scriptPath);
}

}  // namespace
}  // namespace soundlib
