// The decoder interface: every format the library plays is opened by its
// content (the first bytes, never the file's name), reports its rate,
// channels and length when known, decodes sequentially into interleaved
// 16-bit frames and seeks to a frame (0 for a restart or a loop).
//
// Kinds are tried in a fixed order: the library's own (WAVE, Ogg Vorbis),
// then those the plug-ins add, then MPEG audio, whose frame sync is the
// weakest signature. A kind whose probe accepts the bytes opens them; its
// error is the file's error (no other kind is tried after it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "soundlib/decode/byte_source.h"

namespace soundlib {

inline constexpr uint64_t kUnknownFrames = UINT64_MAX;
inline constexpr uint32_t kMaxDecoderChannels = 8;  // more is refused; above 2 folds to stereo
inline constexpr size_t kProbeBytes = 8192;         // what a probe sees of the file's start

struct StreamInfo {
  uint32_t rate = 0;
  uint16_t channels = 0;             // 1 or 2 after folding
  uint64_t frames = kUnknownFrames;  // kUnknownFrames when the file does not tell
  uint16_t bytesPerFrame = 0;        // for byte positions; 0: channels * 2 (the decoded frame)
};

class Decoder {
 public:
  virtual ~Decoder() = default;
  const StreamInfo& info() const { return info_; }
  // Decodes up to `count` frames (count * channels values) at the current
  // place; returns the frames written. 0 means the end of the sound, or,
  // with error() set, data it cannot decode further (what came before stays).
  virtual size_t read(int16_t* out, size_t count) = 0;
  // Moves to frame `frame` (clamped to the end); false when it cannot.
  virtual bool seek(uint64_t frame) = 0;
  int error() const { return error_; }

 protected:
  StreamInfo info_;
  int error_ = 0;
};

// One kind of file. `probe` gets the first bytes (up to kProbeBytes; tried
// again with the bytes after an ID3v2 tag when there is one) and the whole
// size; `open` reads through `source`, which it keeps. Both are plain
// functions so plug-ins can add kinds.
struct DecoderKind {
  std::string name;
  bool (*probe)(const uint8_t* head, size_t n, uint64_t size, const void* context) = nullptr;
  std::unique_ptr<Decoder> (*open)(std::shared_ptr<ByteSource> source, const void* context,
                                   int& error) = nullptr;
  const void* context = nullptr;  // handed back to probe and open (a plug-in's table)
};

// Sniffs `source` against `kinds` in order; SL_ERROR_FILEFORM when no kind
// takes it, else the opening kind's result (its index in `used`).
std::unique_ptr<Decoder> OpenDecoder(std::unique_ptr<ByteSource> source,
                                     const std::vector<DecoderKind>& kinds, int& error,
                                     size_t* used = nullptr);

// Decodes from the start to the end into `out`; SL_ERROR_MEM when the
// decoded sound would pass kMaxDecodedBytes, the decoder's error when it
// fails before any frame. Frames up to damage are kept.
bool DecodeWhole(Decoder& decoder, std::vector<int16_t>& out, uint64_t& frames, int& error);

// Folds `channels` interleaved channels to stereo in place (even channels
// to the left, odd ones to the right, each side their mean).
void FoldToStereo(int16_t* values, size_t frames, unsigned channels);

// Skips an ID3v2 tag at the start: the offset of what follows, or 0.
uint64_t Id3v2Length(const uint8_t* head, size_t n);

// True when `head` starts (after an ID3v2 tag) with MPEG audio frames: a
// valid frame header followed by another of the same kind where the first
// one's length says.
bool ProbeMpegAudio(const uint8_t* head, size_t n, uint64_t size, const void* context);

}  // namespace soundlib
