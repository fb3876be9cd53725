#pragma once
// The LZW decoder of the GIF reader, resumable so that the reader can report
// progress row by row.

#include <cstdint>

namespace Pictura {

class GIFLZWDecoder {
 public:
  // data: the sub-blocks' bytes joined, followed by at least 8 readable
  // bytes of slack; minCodeSize 1 to 11; out: room for count pixels.
  GIFLZWDecoder(const uint8_t* data, uint64_t bytes, uint32_t minCodeSize, uint8_t* out, uint64_t count);

  // Decodes until target pixels are out or the data ends; pixels out so far.
  uint64_t Run(uint64_t target);
  bool Ended() const { return ended_; }
  // A root code above 255 was met (minimum code sizes 9 to 11).
  bool BadIndex() const { return badIndex_; }
  // The data named a string no entry holds yet (a code past the table, or a
  // string code before any pixel): no decoder can go on from there.
  bool Broken() const { return broken_; }

 private:
  static constexpr uint32_t kMaxCodes = 4096;
  void Reset();

  const uint8_t* data_;
  uint64_t bitPos_ = 0;
  uint64_t totalBits_;
  uint32_t minCodeSize_;
  uint32_t clear_;
  uint32_t codeSize_ = 0;
  uint32_t next_ = 0;   // the code the next entry gets
  uint32_t limit_ = 0;  // the code size grows when next_ reaches it
  bool haveOld_ = false;
  bool ended_ = false;
  bool badIndex_ = false;
  bool broken_ = false;
  uint8_t* out_;
  uint64_t count_;
  uint64_t pos_ = 0;
  uint64_t lastStart_ = 0;  // where the previous code's string was written
  uint32_t lastLength_ = 0;
  uint32_t start_[kMaxCodes] = {};  // fits: an image has fewer than 2^32 pixels
  uint16_t length_[kMaxCodes] = {};
};

// True when a pixel is tableSize or more.
bool GIFIndexPastTable(const uint8_t* pixels, uint64_t count, uint32_t tableSize);

}  // namespace Pictura
