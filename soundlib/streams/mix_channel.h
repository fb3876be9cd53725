// One playing sound: a source of 16-bit frames, a resampling cursor, the
// volume, pan and rate attributes with their timed slides, and the mixing
// kernel that adds the channel to a stereo float accumulator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "soundlib/decode/wav_reader.h"

namespace soundlib {

// A decoded sample, shared by all its channels.
struct SampleData {
  PcmFormat format;
  uint64_t frames = 0;
  std::vector<int16_t> values;  // frames * channels, interleaved
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual const PcmFormat& format() const = 0;
  virtual uint64_t frames() const = 0;
  // Points `block` at frames starting with `first`; returns how many follow
  // there (0 at the end or on a read error). The block stays valid until the
  // next call.
  virtual size_t fetch(uint64_t first, const int16_t*& block) = 0;
  // After a fetch that gave nothing: true when the frames are still being
  // decoded (the channel waits, silent), false at the end.
  virtual bool pending() const { return false; }
};

std::unique_ptr<FrameSource> makeSampleSource(std::shared_ptr<const SampleData> data);
std::unique_ptr<FrameSource> makeStreamSource(std::unique_ptr<WavReader> reader);

// Pan law: full level on the near side, the far side falls linearly to 0.
inline void panGains(float volume, float pan, float& left, float& right) {
  left = volume * (pan > 0.0f ? 1.0f - pan : 1.0f);
  right = volume * (pan < 0.0f ? 1.0f + pan : 1.0f);
}

struct MixEvents {
  bool ended = false;       // the data ran out (not looping)
  bool faded = false;       // a slide to a negative volume completed: stopped
  uint32_t slidesDone = 0;  // bit (1 << attribute) per slide that completed
};

class MixChannel {
 public:
  MixChannel(std::unique_ptr<FrameSource> source, bool loop);

  const PcmFormat& format() const { return source_->format(); }
  bool playing() const { return playing_; }
  bool loop() const { return loop_; }
  void setLoop(bool on) { loop_ = on; }

  // Starts; from the beginning when `restart` or when it had reached the end.
  void play(bool restart);
  void stop() { playing_ = false; }
  uint64_t positionFrames() const { return cur_.index; }

  // Attribute values are checked by the caller (finite); they are clamped here.
  bool setAttribute(uint32_t attrib, float value);
  bool slideAttribute(uint32_t attrib, float value, uint32_t ms, uint32_t outRate);
  bool isSliding(uint32_t attrib) const;  // attrib 0: any
  float attribute(uint32_t attrib) const;

  // Adds up to `frames` output frames at `outRate` to `acc` (stereo pairs),
  // scaled by `gain`. Returns what happened; stops the channel at its end.
  MixEvents mix(float* acc, size_t frames, uint32_t outRate, float gain);

  // Peak levels (0..32768) of the channel's share of the last mixed block.
  uint16_t levelLeft() const { return levelL_; }
  uint16_t levelRight() const { return levelR_; }

 private:
  struct Attribute {
    float value = 0;
    bool sliding = false;
    float from = 0, to = 0;
    uint64_t done = 0, total = 0;
    bool stopAtEnd = false;  // volume slide to a negative value
  };
  struct Frame {
    uint64_t index = 0;
    float v[2] = {0, 0};
  };

  Attribute* attr(uint32_t attrib);
  const Attribute* attr(uint32_t attrib) const;
  float clampFor(uint32_t attrib, float value) const;
  bool readFrame(uint64_t index, Frame& out);
  // Reads the frame after cur_ (or the first, looping) into next_; false
  // while it is still being decoded.
  bool loadNext();
  void updateStep(uint32_t outRate);
  // Advances the slides by one output frame; returns false when a fade-out stopped.
  bool stepSlides(MixEvents& ev);

  std::unique_ptr<FrameSource> source_;
  bool loop_;
  bool playing_ = false;
  bool primed_ = false;  // cur_ and next_ hold data
  bool atEnd_ = false;
  bool nextIsEnd_ = false;
  bool nextMissing_ = false;  // next_ is still being decoded
  bool starved_ = false;      // the last failed read was a wait, not the end
  Frame cur_, next_;
  uint64_t frac_ = 0;  // 32.32 position between cur_ and next_
  uint64_t step_ = 0;
  uint32_t stepRate_ = 0;
  float stepFreq_ = 0;
  Attribute vol_, pan_, freq_;
  const int16_t* block_ = nullptr;
  uint64_t blockFirst_ = 0;
  size_t blockLen_ = 0;
  uint16_t levelL_ = 0, levelR_ = 0;
};

}  // namespace soundlib
