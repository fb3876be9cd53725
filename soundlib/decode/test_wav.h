// Builds WAVE files in memory for the tests: any PCM layout, extra chunks,
// and wrong lengths on purpose.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace soundlib::testing {

struct WavSpec {
  uint32_t rate = 8000;
  uint16_t channels = 1;
  uint16_t bits = 16;
  uint16_t tag = 1;            // 1 PCM, 3 float, 0xFFFE extensible
  uint16_t extensibleTag = 1;  // sub-format of an extensible header
};

inline void put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void put32(std::vector<uint8_t>& v, uint32_t x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}
inline void putChunk(std::vector<uint8_t>& v, const char* id, const std::vector<uint8_t>& body) {
  v.insert(v.end(), id, id + 4);
  put32(v, static_cast<uint32_t>(body.size()));
  v.insert(v.end(), body.begin(), body.end());
  if (body.size() & 1) v.push_back(0);
}

inline std::vector<uint8_t> fmtBody(const WavSpec& s) {
  std::vector<uint8_t> f;
  const uint16_t align = static_cast<uint16_t>(s.channels * (s.bits / 8));
  put16(f, s.tag);
  put16(f, s.channels);
  put32(f, s.rate);
  put32(f, s.rate * align);
  put16(f, align);
  put16(f, s.bits);
  if (s.tag == 0xFFFE) {
    static const uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    put16(f, 22);
    put16(f, s.bits);
    put32(f, s.channels == 2 ? 3 : 4);
    put16(f, s.extensibleTag);
    put16(f, 0);
    f.insert(f.end(), tail, tail + 12);
  }
  return f;
}

// Raw sample bytes: `values` are integers in the format's own range (8-bit
// unsigned 0..255, others signed) or, for float, value / 32768.
inline std::vector<uint8_t> pcmBytes(const WavSpec& s, const std::vector<int32_t>& values) {
  std::vector<uint8_t> d;
  for (int32_t x : values) {
    const uint32_t u = static_cast<uint32_t>(x);
    if (s.tag == 3 || (s.tag == 0xFFFE && s.extensibleTag == 3)) {
      const float f = static_cast<float>(x) / 32768.0f;
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      put32(d, bits);
    } else if (s.bits == 8) {
      d.push_back(static_cast<uint8_t>(u));
    } else if (s.bits == 16) {
      put16(d, u & 0xFFFF);
    } else if (s.bits == 24) {
      d.push_back(static_cast<uint8_t>(u));
      put16(d, (u >> 8) & 0xFFFF);
    } else {
      put32(d, u);
    }
  }
  return d;
}

// A whole file; `extra` chunks (already framed) go between fmt and data.
inline std::vector<uint8_t> makeWav(const WavSpec& s, const std::vector<int32_t>& values,
                                    const std::vector<uint8_t>& extra = {}) {
  std::vector<uint8_t> body{'W', 'A', 'V', 'E'};
  putChunk(body, "fmt ", fmtBody(s));
  body.insert(body.end(), extra.begin(), extra.end());
  putChunk(body, "data", pcmBytes(s, values));
  std::vector<uint8_t> file{'R', 'I', 'F', 'F'};
  put32(file, static_cast<uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

// 16-bit mono at `rate` holding `values` as they are.
inline std::vector<uint8_t> mono16(const std::vector<int32_t>& values, uint32_t rate = 8000) {
  return makeWav(WavSpec{rate, 1, 16}, values);
}

inline std::vector<int32_t> constant(size_t n, int32_t v) {
  return std::vector<int32_t>(n, v);
}

// A name in the temporary folder that no parallel run shares.
inline std::string tempPath(const std::string& name) {
  static const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  return (std::filesystem::temp_directory_path() / ("soundlib_" + std::to_string(stamp) + name)).string();
}

}  // namespace soundlib::testing
