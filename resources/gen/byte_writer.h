#pragma once
// Little-endian byte output for the file writers.

#include <cstdint>
#include <string_view>
#include <vector>

namespace art {

using Bytes = std::vector<uint8_t>;

class ByteWriter {
 public:
  void U8(uint32_t v) { out_.push_back(uint8_t(v)); }
  void U16(uint32_t v) { U8(v), U8(v >> 8); }
  void U32(uint32_t v) { U16(v), U16(v >> 16); }
  void Tag(std::string_view four) {
    for (char c : four) U8(uint8_t(c));
  }
  void Append(const Bytes& b) { out_.insert(out_.end(), b.begin(), b.end()); }
  void PatchU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.at(at + i) = uint8_t(v >> (8 * i));
  }
  size_t Size() const { return out_.size(); }
  Bytes Take() { return std::move(out_); }

 private:
  Bytes out_;
};

}  // namespace art
