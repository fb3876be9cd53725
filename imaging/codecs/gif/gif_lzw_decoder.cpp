// The GIF LZW decoder. Instead of walking prefix chains onto a stack, every
// table entry remembers where its string was last written in the output: a
// new entry is the previous string plus one byte, and that string lies in
// the output already, so decoding a code is one copy from earlier output.
#include <cstring>

#include "codecs/gif/gif_lzw_decoder.h"

namespace Pictura {

namespace {

// Copies a string of earlier output to `to` (from + length <= to) in 16-byte
// pieces: every piece is loaded before it is stored, so bytes past the
// string's end may be written too; they belong to strings not decoded yet.
inline void CopyString(uint8_t* to, const uint8_t* from, uint32_t length) {
  uint8_t piece[16];
  for (uint32_t i = 0; i < length; i += 16) {
    std::memcpy(piece, from + i, 16);
    std::memcpy(to + i, piece, 16);
  }
}

}  // namespace

GIFLZWDecoder::GIFLZWDecoder(const uint8_t* data, uint64_t bytes, uint32_t minCodeSize, uint8_t* out,
                             uint64_t count)
    : data_(data),
      totalBits_(bytes * 8),
      minCodeSize_(minCodeSize),
      clear_(1u << minCodeSize),
      out_(out),
      count_(count) {
  Reset();
}

void GIFLZWDecoder::Reset() {
  codeSize_ = minCodeSize_ + 1;
  next_ = clear_ + 2;
  limit_ = clear_ << 1;
  haveOld_ = false;
}

uint64_t GIFLZWDecoder::Run(uint64_t target) {
  if (target > count_) target = count_;
  const uint32_t end = clear_ + 1;
  while (pos_ < target && !ended_) {
    if (bitPos_ + codeSize_ > totalBits_) {
      ended_ = true;  // the data stops inside a code: the rest stays as it is
      break;
    }
    uint64_t window;
    std::memcpy(&window, data_ + (bitPos_ >> 3), sizeof window);  // the data carries 8 bytes of slack
    const uint32_t code = static_cast<uint32_t>(window >> (bitPos_ & 7)) & ((1u << codeSize_) - 1);
    bitPos_ += codeSize_;

    if (code == clear_) {
      Reset();
      continue;
    }
    if (code == end) {
      ended_ = true;
      break;
    }
    const uint64_t at = pos_;
    const uint64_t room = count_ - at;
    uint32_t length;
    if (code < clear_) {
      out_[at] = static_cast<uint8_t>(code);
      if (code > 255) badIndex_ = true;  // minimum code sizes 9 to 11 name pixels no byte holds
      length = 1;
    } else if (!haveOld_) {
      ended_ = broken_ = true;  // a string code with no string before it
      break;
    } else if (code < next_) {
      length = length_[code];
      if (room >= ((length + 15) & ~15u))
        CopyString(out_ + at, out_ + start_[code], length);
      else
        std::memcpy(out_ + at, out_ + start_[code], length < room ? length : room);
    } else if (code == next_) {
      // The string being defined: the previous one plus its own first byte.
      // The copy runs forward over bytes it has just written.
      length = lastLength_ + 1;
      const uint64_t n = length < room ? length : room;
      const uint8_t* from = out_ + lastStart_;
      uint8_t* to = out_ + at;
      for (uint64_t i = 0; i < n; ++i) to[i] = from[i];
    } else {
      ended_ = broken_ = true;  // a code past the table
      break;
    }
    if (haveOld_ && next_ < kMaxCodes) {
      start_[next_] = static_cast<uint32_t>(lastStart_);
      length_[next_] = static_cast<uint16_t>(lastLength_ + 1);
      if (++next_ >= limit_ && limit_ < kMaxCodes) {
        limit_ <<= 1;
        ++codeSize_;
      }
    }
    haveOld_ = true;
    lastStart_ = at;
    lastLength_ = length;
    pos_ = length < room ? at + length : count_;
  }
  return pos_;
}

bool GIFIndexPastTable(const uint8_t* pixels, uint64_t count, uint32_t tableSize) {
  if (tableSize >= 256) return false;
  uint8_t highest = 0;
  for (uint64_t i = 0; i < count; ++i) highest = pixels[i] > highest ? pixels[i] : highest;
  return highest >= tableSize;
}

}  // namespace Pictura
