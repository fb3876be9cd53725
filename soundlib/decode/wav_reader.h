// RIFF WAVE reader: PCM 8/16/24/32-bit integer and 32-bit float, mono or
// stereo, decoded to interleaved 16-bit frames. The header is checked whole
// before anything is decoded; a data chunk longer than the file is cut to
// what is there.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "soundlib/decode/byte_source.h"

namespace soundlib {

struct PcmFormat {
  uint32_t rate = 0;
  uint16_t channels = 0;       // 1 or 2
  uint16_t bitsPerSample = 0;  // 8, 16, 24 or 32
  uint16_t blockAlign = 0;     // bytes per frame in the file
  bool isFloat = false;
};

// Largest decoded sample we keep in memory (bytes of 16-bit frames).
inline constexpr uint64_t kMaxDecodedBytes = 256ull << 20;

class WavReader {
 public:
  // Reads the header. Returns nullptr and sets `error` (SL_ERROR_FILEFORM for
  // anything that is not a readable WAVE file, SL_ERROR_FORMAT for a WAVE
  // file in a format we do not decode, SL_ERROR_FILEOPEN when reading fails).
  static std::unique_ptr<WavReader> open(std::unique_ptr<ByteSource> source, int& error);

  const PcmFormat& format() const { return format_; }
  uint64_t frames() const { return frames_; }

  // Decodes up to `count` frames starting at frame `first` into `out`
  // (count * channels values). Returns the frames decoded; fewer at the end
  // of the data or when the source fails to read.
  size_t decode(uint64_t first, size_t count, int16_t* out);

  // Decodes every frame; false with `error` set when too large or unreadable.
  bool decodeAll(std::vector<int16_t>& out, int& error);

 private:
  explicit WavReader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}
  int parse();

  std::unique_ptr<ByteSource> source_;
  PcmFormat format_;
  uint64_t dataOffset_ = 0;
  uint64_t frames_ = 0;
  std::vector<uint8_t> scratch_;
};

}  // namespace soundlib
