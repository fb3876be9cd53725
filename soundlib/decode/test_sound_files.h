// Sound files for the tests, made by the host's tools in a folder of the
// test's own, and decoding through every kind the native build has (the
// library's and the plug-ins' static libraries).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "soundlib/decode/decoder.h"
#include "soundlib/decode/decoder_kinds.h"
#include "soundlib/soundlib_api.h"
#include "soundlib/plugins/plugin_kinds.h"

namespace soundlib::testing {

// A fresh folder for the running test, holding tone.wav (stereo, 44.1 kHz,
// 1.5 s of two tones) and mono.wav (mono, 22.05 kHz, 1 s).
// The process's folder goes at its end unless a test failed (its files are
// then kept to look at): each run left about 17 MB behind.
inline std::string SoundDir() {
  struct ProcessFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("soundlib_" + std::to_string(getpid()));
    ~ProcessFolder() {
      std::error_code ignored;
      if (::testing::UnitTest::GetInstance()->Passed()) std::filesystem::remove_all(path, ignored);
    }
  };
  static const ProcessFolder folder;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  const std::filesystem::path dir = folder.path / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string cmd = "cd '" + dir.string() +
                          "' && sox -n -r 44100 -c 2 -b 16 -e signed tone.wav synth 1.5 sine 440 sine 554 "
                          "vol 0.6 && sox -n -r 22050 -c 1 -b 16 -e signed mono.wav synth 1 sine 330 vol 0.6";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << "sox is needed (tools/setup.sh installs it)";
  return dir.string();
}

inline bool Sh(const std::string& dir, const std::string& cmd) {
  const std::string full = "cd '" + dir + "' && " + cmd;
  const int r = std::system(full.c_str());
  EXPECT_EQ(r, 0) << full;
  return r == 0;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<int16_t> ReadRaw16(const std::string& path) {
  const std::vector<uint8_t> b = ReadBytes(path);
  std::vector<int16_t> v(b.size() / 2);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int16_t>(b[2 * i] | b[2 * i + 1] << 8);
  return v;
}

inline std::vector<DecoderKind> AllKinds() {
  std::vector<DecoderKind> kinds, late;
  BuiltInDecoderKinds(kinds, late);
  AddStaticPluginKinds(kinds);
  kinds.insert(kinds.end(), late.begin(), late.end());
  return kinds;
}

struct Decoded {
  int error = SL_OK;
  std::string kind;
  uint32_t rate = 0;
  unsigned channels = 0;
  std::vector<int16_t> values;  // interleaved
  std::vector<int16_t> tail;    // DecodeWithSeeks: from the sought frame on
};

// Opens `bytes` by content; reads `skip` frames, seeks back to 0 and reads
// everything (into values), then, when `seekTo` is given, seeks there and
// reads the rest (into tail). Stops at 20 million values.
inline Decoded DecodeWithSeeks(const std::vector<uint8_t>& bytes, uint64_t seekTo, size_t skip = 1000) {
  Decoded out;
  auto source = std::make_unique<MemorySource>(bytes.data(), bytes.size());
  const std::vector<DecoderKind> kinds = AllKinds();
  size_t used = 0;
  auto d = OpenDecoder(std::move(source), kinds, out.error, &used);
  if (!d) return out;
  out.kind = kinds[used].name;
  out.rate = d->info().rate;
  out.channels = d->info().channels;
  auto readAll = [&](std::vector<int16_t>& into) {
    std::vector<int16_t> block(4096 * out.channels);
    for (;;) {
      const size_t got = d->read(block.data(), 4096);
      into.insert(into.end(), block.begin(), block.begin() + static_cast<ptrdiff_t>(got * out.channels));
      if (got == 0 || into.size() > 20000000) break;
    }
  };
  if (skip) {
    std::vector<int16_t> block(skip * out.channels);
    d->read(block.data(), skip);
    EXPECT_TRUE(d->seek(0));
  }
  readAll(out.values);
  // As DecodeWhole: no sound at all from a known kind is damage.
  out.error = !out.values.empty() ? SL_OK : d->error() != SL_OK ? d->error() : SL_ERROR_DAMAGED;
  if (seekTo != kUnknownFrames) {
    EXPECT_TRUE(d->seek(seekTo));
    readAll(out.tail);
  }
  return out;
}

inline Decoded DecodeBytes(const std::vector<uint8_t>& bytes) {
  return DecodeWithSeeks(bytes, kUnknownFrames, 0);
}

}  // namespace soundlib::testing
