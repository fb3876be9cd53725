#pragma once
// Helpers of the JPEG and PNG codec tests: in-memory streams, scratch files,
// synthetic images and the independent tools (libjpeg's programs,
// ImageMagick, Pillow, pngcheck) that cross-check the codecs natively.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/io_managers.h"
#include "core/io_test_support.h"  // ScratchDir, ReadFileBytes, WriteFileBytes

namespace pictest {

using Bytes = std::vector<uint8_t>;

// A stream over a byte vector: reads what it holds, writes grow it.
class MemoryIO : public Pictura::CPicIO {
 public:
  MemoryIO() { Open(); }
  explicit MemoryIO(Bytes bytes) : data(std::move(bytes)) { Open(); }
  ~MemoryIO() override { Close(); }

  uint32_t Read(void* buffer, uint32_t count) override {
    ++reads;
    uint32_t left = position < data.size() ? static_cast<uint32_t>(data.size()) - position : 0;
    uint32_t n = count < left ? count : left;
    if (n) std::memcpy(buffer, data.data() + position, n);
    position += n;
    return n;
  }
  bool Seek(int32_t offset, uint32_t whence) override {
    int64_t base = whence == 0 ? 0 : whence == 1 ? position : static_cast<int64_t>(data.size());
    int64_t p = base + offset;
    if (p < 0 || p > static_cast<int64_t>(data.size())) return false;
    position = static_cast<uint32_t>(p);
    return true;
  }
  bool GetSize(uint32_t* size) override {
    if (!knowsSize) return false;
    *size = static_cast<uint32_t>(data.size());
    return true;
  }
  bool GetPos(uint32_t* pos) override {
    *pos = position;
    return true;
  }
  bool IsEOF() override { return position >= data.size(); }
  const char* GetName() const override { return "[Test]"; }
  bool WriteItems(const void* buffer, uint32_t itemSize, uint32_t items) override {
    const uint64_t total = uint64_t{itemSize} * items;
    if (total > UINT32_MAX) return false;
    const uint32_t count = static_cast<uint32_t>(total);
    if (failWritesAfter >= 0 && static_cast<int64_t>(position) + count > failWritesAfter) return false;
    if (data.size() < position + static_cast<size_t>(count))
      data.resize(position + static_cast<size_t>(count));
    std::memcpy(data.data() + position, buffer, count);
    position += count;
    return true;
  }

  void Open() {
    type_ = Pictura::kPicIOUser;
    writable_ = 1;
  }

  Bytes data;
  uint32_t position = 0;
  bool knowsSize = true;
  int64_t failWritesAfter = -1;  // writes past this many bytes fail
  int reads = 0;
};

// A smooth picture with some detail: JPEG's errors stay small on it.
inline Bytes Gradient(uint32_t width, uint32_t height, uint32_t channels, unsigned seed = 1) {
  Bytes img(static_cast<size_t>(width) * height * channels);
  std::mt19937 rng(seed);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      for (uint32_t c = 0; c < channels; ++c)
        img[(static_cast<size_t>(y) * width + x) * channels + c] = static_cast<uint8_t>(
            (x * 250 / width * (c + 1) + y * 250 / height * (4 - c % 4)) / 5 + (rng() & 3));
  return img;
}

inline Bytes Noise(size_t n, unsigned seed) {
  Bytes v(n);
  std::mt19937 rng(seed);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

// Largest absolute difference of two equally long buffers; 256 when the
// lengths differ.
inline int MaxDiff(const uint8_t* a, const uint8_t* b, size_t n) {
  int worst = 0;
  for (size_t i = 0; i < n; ++i) {
    int d = std::abs(int(a[i]) - int(b[i]));
    if (d > worst) worst = d;
  }
  return worst;
}
inline int MaxDiff(const Bytes& a, const Bytes& b) {
  return a.size() != b.size() ? 256 : MaxDiff(a.data(), b.data(), a.size());
}

// Pixels of a binary PNM (P5 or P6) file; width, height and channels out.
inline Bytes ReadPNM(const std::filesystem::path& path, uint32_t* width, uint32_t* height,
                     uint32_t* channels) {
  Bytes f = ReadFileBytes(path);
  size_t p = 0;
  auto token = [&]() {
    while (p < f.size()) {
      if (f[p] == '#') {
        while (p < f.size() && f[p] != '\n') ++p;
      } else if (std::isspace(f[p])) {
        ++p;
      } else {
        break;
      }
    }
    std::string t;
    while (p < f.size() && !std::isspace(f[p])) t += static_cast<char>(f[p++]);
    return t;
  };
  auto number = [&]() -> uint32_t {
    std::string t = token();
    return !t.empty() && t.size() < 10 && std::all_of(t.begin(), t.end(), ::isdigit)
               ? static_cast<uint32_t>(std::stoul(t))
               : 0;
  };
  std::string magic = token();
  *channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
  *width = number();
  *height = number();
  if (!*channels || !*width || !*height || !number()) return {};
  ++p;  // one white-space byte
  size_t n = static_cast<size_t>(*width) * *height * *channels;
  if (p + n > f.size()) return {};
  return Bytes(f.begin() + static_cast<std::ptrdiff_t>(p), f.begin() + static_cast<std::ptrdiff_t>(p + n));
}

inline void WritePNM(const std::filesystem::path& path, const Bytes& pixels, uint32_t width, uint32_t height,
                     uint32_t channels) {
  std::string header =
      (channels == 1 ? "P5\n" : "P6\n") + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  Bytes f(header.begin(), header.end());
  f.insert(f.end(), pixels.begin(), pixels.end());
  WriteFileBytes(path, f);
}

// Runs a Pillow script with `src` and `dst` set to the given paths.
inline bool Pillow(const std::string& body, const std::filesystem::path& src,
                   const std::filesystem::path& dst) {
  auto script = dst.parent_path() / "pillow_script.py";
  std::ofstream py(script);
  py << "from PIL import Image\n"
     << "import io, sys\n"
     << "src = r'" << src.string() << "'\n"
     << "dst = r'" << dst.string() << "'\n"
     << body << "\n";
  py.close();
  bool ok = Shell("/usr/bin/python3 " + script.string());
  std::filesystem::remove(script);
  return ok;
}

}  // namespace pictest
