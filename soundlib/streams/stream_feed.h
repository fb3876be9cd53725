// A stream's decoded frames ahead of the mixer: a bounded ring filled by
// its decoder, so memory does not grow with the file's length. With an
// output device a worker thread of the stream's own fills it, off the
// engine's lock: a slow or hostile decoder can starve only its own stream
// (the mixer then plays silence for it and holds its position), never the
// others. On the "No sound" device (rendering by hand) the ring is filled on
// the rendering thread as the mixer asks, so what is rendered is exact.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "soundlib/decode/decoder.h"
#include "soundlib/streams/mix_channel.h"

namespace soundlib {

class StreamFeed {
 public:
  static constexpr size_t kRingFrames = 32768;  // about 0.7 s at 44.1 kHz
  static constexpr size_t kChunkFrames = 4096;  // decoded per step
  // At most this many frames are handed out at once, so the worker hears
  // where the mixer stands while most of the ring is still ahead of it.
  static constexpr size_t kLeadFrames = kRingFrames / 4;

  StreamFeed(std::unique_ptr<Decoder> decoder, bool threaded);
  ~StreamFeed();

  const PcmFormat& format() const { return format_; }
  // Fills the ring as far as it goes on the calling thread (before the
  // stream is handed to the mixer). True when the whole sound is in it.
  bool prefill();
  // The worker's loop; returns once closed.
  void run();
  // The stream is gone: the worker stops after its current step. The
  // decoder, and with it the file, goes now, or where the worker is
  // decoding, as that step ends.
  void close();

  // Mixer side: points `block` at frames from `first`; returns how many
  // follow there (at most kLeadFrames). 0 with `pending` set: not decoded yet (silence for now);
  // 0 without: the end.
  size_t fetch(uint64_t first, const int16_t*& block, bool& pending);

 private:
  // Decodes one step at the ring's end; the caller holds `lock` on m_,
  // which is let go while the decoder runs unless `inline_`.
  void step(std::unique_lock<std::mutex>& lock, bool keepLock);
  void seekLocked(std::unique_lock<std::mutex>& lock, uint64_t frame, bool keepLock);
  // Around a decoder call: m_ let go (unless `keepLock`), then taken back;
  // false when the feed was closed meanwhile (the decoder is gone then).
  void letGo(std::unique_lock<std::mutex>& lock, bool keepLock);
  bool takeBack(std::unique_lock<std::mutex>& lock, bool keepLock);
  void store(const int16_t* values, uint64_t at, size_t frames);

  std::unique_ptr<Decoder> decoder_;
  const bool threaded_;
  PcmFormat format_;
  unsigned channels_;
  size_t cap_;  // ring frames
  std::mutex m_;
  std::condition_variable wake_;
  std::vector<int16_t> ring_;
  std::vector<int16_t> chunk_;
  uint64_t first_ = 0;  // frames [first_, first_ + count_) are in the ring
  uint64_t count_ = 0;
  uint64_t readPos_ = 0;             // the mixer needs nothing before this
  uint64_t endAt_ = kUnknownFrames;  // where the decoder's sound ends, once seen
  bool atEnd_ = false;               // the decoder stands at endAt_
  bool decoding_ = false;            // the worker runs the decoder with m_ let go
  bool seekWanted_ = false;
  uint64_t seekTo_ = 0;
  uint64_t generation_ = 0;  // moves on every seek: a step begun before it is dropped
  bool closed_ = false;
};

// The mixer's view of a feed.
std::unique_ptr<FrameSource> makeFeedSource(std::shared_ptr<StreamFeed> feed);

}  // namespace soundlib
