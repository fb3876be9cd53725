#pragma once
// Test helpers: decode files with ImageMagick (an independent reader), make
// scratch folders, and run shell commands.

#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "canvas.h"

namespace art::test {

inline std::string Run(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int rc = pclose(p);
  if (status) *status = rc;
  return out;
}

// The picture as ImageMagick decodes it (frame picks an icon entry); an empty
// canvas when it cannot.
inline Canvas Decode(const std::filesystem::path& file, int frame = 0) {
  const std::string spec = "'" + file.string() + "[" + std::to_string(frame) + "]'";
  const std::string size = Run("/usr/bin/identify -format '%w %h' " + spec + " 2>/dev/null");
  int w = 0, h = 0;
  if (std::sscanf(size.c_str(), "%d %d", &w, &h) != 2 || w <= 0 || h <= 0) return {};
  const std::string raw = Run("/usr/bin/convert " + spec + " -depth 8 rgba:- 2>/dev/null");
  if (raw.size() != size_t(w) * h * 4) return {};
  Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t i = (size_t(y) * w + x) * 4;
      c.Set(x, y, {uint8_t(raw[i]), uint8_t(raw[i + 1]), uint8_t(raw[i + 2]), uint8_t(raw[i + 3])});
    }
  return c;
}

class ScratchDir {
 public:
  ScratchDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("waylune-art-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadFile(const std::filesystem::path& p) {
  std::vector<uint8_t> data;
  if (FILE* f = std::fopen(p.c_str(), "rb")) {
    std::array<uint8_t, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0)
      data.insert(data.end(), buf.begin(), buf.begin() + n);
    std::fclose(f);
  }
  return data;
}

inline uint32_t U32At(const std::vector<uint8_t>& d, size_t at) {
  return d.at(at) | d.at(at + 1) << 8 | d.at(at + 2) << 16 | uint32_t(d.at(at + 3)) << 24;
}
inline uint16_t U16At(const std::vector<uint8_t>& d, size_t at) {
  return uint16_t(d.at(at) | d.at(at + 1) << 8);
}

}  // namespace art::test
