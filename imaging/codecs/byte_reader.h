#pragma once
// Buffered byte reading over a source for the codecs that decode byte by
// byte (PCX and TGA run lengths, PNM text, WBMP integers): one virtual read
// per block instead of per byte. It reads ahead, so the source's position
// runs past what was taken; a codec that hands the source back positioned
// must not use it.

#include <cstdint>
#include <cstring>

#include "core/io_managers.h"

namespace Pictura {

class PicByteReader {
 public:
  explicit PicByteReader(CPicIO& io) : io_(io) {}
  PicByteReader(const PicByteReader&) = delete;
  PicByteReader& operator=(const PicByteReader&) = delete;

  // The next byte, or -1 at the end of the source (or on a read failure).
  int Get() {
    if (at_ == end_ && !Fill()) return -1;
    return buffer_[at_++];
  }
  // Puts back the byte just taken.
  void Unget() {
    if (at_ > 0) --at_;
  }
  // Exactly n bytes, or false (what was there is consumed).
  bool Read(uint8_t* out, size_t n) {
    // Long reads go straight from the source once the buffer is spent.
    if (n >= sizeof buffer_ / 2 && at_ == end_ && n <= UINT32_MAX)
      return io_.Read(out, static_cast<uint32_t>(n)) == n;
    while (n) {
      if (at_ == end_ && !Fill()) return false;
      const size_t take = n < end_ - at_ ? n : end_ - at_;
      std::memcpy(out, buffer_ + at_, take);
      at_ += take;
      out += take;
      n -= take;
    }
    return true;
  }
  // Bytes buffered and not yet taken, and a way to take them in place.
  size_t Buffered() const { return end_ - at_; }
  CPicIO& Source() const { return io_; }
  const uint8_t* Peek() const { return buffer_ + at_; }
  void Skip(size_t n) { at_ += n < Buffered() ? n : Buffered(); }
  bool Fill() {
    if (at_ < end_) std::memmove(buffer_, buffer_ + at_, end_ - at_);
    end_ -= at_;
    at_ = 0;
    const uint32_t got = io_.Read(buffer_ + end_, static_cast<uint32_t>(sizeof buffer_ - end_));
    end_ += got;
    return got > 0;
  }

 private:
  CPicIO& io_;
  size_t at_ = 0, end_ = 0;
  uint8_t buffer_[1 << 16];
};

}  // namespace Pictura
