#include "soundlib/streams/mix_channel.h"

#include <algorithm>
#include <cmath>

#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {

constexpr uint64_t kOne = 1ull << 32;  // 1.0 in the 32.32 cursor
constexpr float kMinFreq = 100.0f;
constexpr float kMaxFreq = 1000000.0f;

class SampleSource final : public FrameSource {
 public:
  explicit SampleSource(std::shared_ptr<const SampleData> d) : data_(std::move(d)) {}
  const PcmFormat& format() const override { return data_->format; }
  uint64_t frames() const override { return data_->frames; }
  size_t fetch(uint64_t first, const int16_t*& block) override {
    if (first >= data_->frames) return 0;
    block = data_->values.data() + first * data_->format.channels;
    const uint64_t left = data_->frames - first;
    return left > SIZE_MAX ? SIZE_MAX : static_cast<size_t>(left);
  }

 private:
  std::shared_ptr<const SampleData> data_;
};

// Decodes the file a block at a time as the cursor reaches it.
class StreamSource final : public FrameSource {
 public:
  explicit StreamSource(std::unique_ptr<WavReader> r)
      : reader_(std::move(r)), buffer_(kBlock * reader_->format().channels) {}
  const PcmFormat& format() const override { return reader_->format(); }
  uint64_t frames() const override { return reader_->frames(); }
  size_t fetch(uint64_t first, const int16_t*& block) override {
    if (len_ == 0 || first < first_ || first >= first_ + len_) {
      first_ = first;
      len_ = reader_->decode(first, kBlock, buffer_.data());
    }
    block = buffer_.data() + (first - first_) * reader_->format().channels;
    return static_cast<size_t>(first_ + len_ - first);
  }

 private:
  static constexpr size_t kBlock = 4096;
  std::unique_ptr<WavReader> reader_;
  std::vector<int16_t> buffer_;
  uint64_t first_ = 0;
  size_t len_ = 0;
};

}  // namespace

std::unique_ptr<FrameSource> makeSampleSource(std::shared_ptr<const SampleData> data) {
  return std::make_unique<SampleSource>(std::move(data));
}

std::unique_ptr<FrameSource> makeStreamSource(std::unique_ptr<WavReader> reader) {
  return std::make_unique<StreamSource>(std::move(reader));
}

MixChannel::MixChannel(std::unique_ptr<FrameSource> source, bool loop)
    : source_(std::move(source)), loop_(loop) {
  vol_.value = 1.0f;
  pan_.value = 0.0f;
  freq_.value = static_cast<float>(source_->format().rate);
}

void MixChannel::play(bool restart) {
  if (restart || atEnd_) {
    cur_.index = 0;
    frac_ = 0;
    primed_ = false;
    atEnd_ = false;
  }
  playing_ = true;
}

MixChannel::Attribute* MixChannel::attr(uint32_t attrib) {
  return const_cast<Attribute*>(static_cast<const MixChannel*>(this)->attr(attrib));
}

const MixChannel::Attribute* MixChannel::attr(uint32_t attrib) const {
  switch (attrib) {
    case SL_ATTRIB_FREQ:
      return &freq_;
    case SL_ATTRIB_VOL:
      return &vol_;
    case SL_ATTRIB_PAN:
      return &pan_;
    default:
      return nullptr;
  }
}

float MixChannel::clampFor(uint32_t attrib, float value) const {
  switch (attrib) {
    case SL_ATTRIB_VOL:
      return std::clamp(value, 0.0f, 1.0f);
    case SL_ATTRIB_PAN:
      return std::clamp(value, -1.0f, 1.0f);
    default:
      if (value == 0.0f) return static_cast<float>(source_->format().rate);
      return std::clamp(value, kMinFreq, kMaxFreq);
  }
}

bool MixChannel::setAttribute(uint32_t attrib, float value) {
  Attribute* a = attr(attrib);
  if (!a) return false;
  a->value = clampFor(attrib, value);
  a->sliding = false;
  return true;
}

bool MixChannel::slideAttribute(uint32_t attrib, float value, uint32_t ms, uint32_t outRate) {
  Attribute* a = attr(attrib);
  if (!a) return false;
  a->stopAtEnd = attrib == SL_ATTRIB_VOL && value < 0.0f;
  a->from = a->value;
  a->to = a->stopAtEnd ? 0.0f : clampFor(attrib, value);
  a->done = 0;
  // A zero time still takes one frame, so every slide ends the same way.
  a->total = std::max<uint64_t>(1, static_cast<uint64_t>(ms) * outRate / 1000);
  a->sliding = true;
  return true;
}

bool MixChannel::isSliding(uint32_t attrib) const {
  if (attrib == 0) return vol_.sliding || pan_.sliding || freq_.sliding;
  const Attribute* a = attr(attrib);
  return a && a->sliding;
}

float MixChannel::attribute(uint32_t attrib) const {
  const Attribute* a = attr(attrib);
  return a ? a->value : 0.0f;
}

bool MixChannel::readFrame(uint64_t index, Frame& out) {
  starved_ = false;
  if (!block_ || index < blockFirst_ || index - blockFirst_ >= blockLen_) {
    blockLen_ = source_->fetch(index, block_);
    blockFirst_ = index;
    if (blockLen_ == 0) {
      block_ = nullptr;
      starved_ = source_->pending();
      return false;
    }
  }
  const unsigned ch = source_->format().channels;
  const int16_t* p = block_ + (index - blockFirst_) * ch;
  out.index = index;
  out.v[0] = p[0];
  out.v[1] = ch == 2 ? p[1] : p[0];
  return true;
}

bool MixChannel::loadNext() {
  nextIsEnd_ = false;
  nextMissing_ = false;
  const uint64_t n = cur_.index + 1;
  if (readFrame(n, next_)) return true;
  if (!starved_ && loop_ && readFrame(0, next_)) return true;
  if (starved_) {
    nextMissing_ = true;
    next_ = cur_;
    return false;
  }
  // Past the last frame the cursor holds it rather than sloping to silence.
  nextIsEnd_ = true;
  next_ = cur_;
  return true;
}

void MixChannel::updateStep(uint32_t outRate) {
  if (freq_.value == stepFreq_ && outRate == stepRate_) return;
  stepFreq_ = freq_.value;
  stepRate_ = outRate;
  step_ = static_cast<uint64_t>(std::llround(static_cast<double>(freq_.value) * double(kOne) / outRate));
  if (step_ == 0) step_ = 1;
}

bool MixChannel::stepSlides(MixEvents& ev) {
  const uint32_t ids[3] = {SL_ATTRIB_FREQ, SL_ATTRIB_VOL, SL_ATTRIB_PAN};
  for (uint32_t id : ids) {
    Attribute& a = *attr(id);
    if (!a.sliding) continue;
    ++a.done;
    if (a.done >= a.total) {
      a.value = a.to;
      a.sliding = false;
      ev.slidesDone |= 1u << id;
      if (a.stopAtEnd) {
        a.stopAtEnd = false;
        playing_ = false;
        ev.faded = true;
        return false;
      }
    } else {
      a.value = a.from + (a.to - a.from) * static_cast<float>(static_cast<double>(a.done) / a.total);
    }
  }
  return true;
}

MixEvents MixChannel::mix(float* acc, size_t frames, uint32_t outRate, float gain) {
  MixEvents ev;
  float peakL = 0, peakR = 0;
  auto finish = [&](uint64_t endIndex) {
    playing_ = false;
    atEnd_ = true;
    primed_ = false;
    cur_.index = endIndex;
    ev.ended = true;
  };
  updateStep(outRate);
  for (size_t n = 0; n < frames && playing_; ++n) {
    if (!primed_) {
      const uint64_t at = cur_.index;
      if (!readFrame(at, cur_)) {
        if (starved_) break;  // silent until the data comes; the position holds
        finish(at);
        break;
      }
      primed_ = true;
      if (!loadNext()) break;
    } else if (nextMissing_ && !loadNext()) {
      break;
    }
    if ((vol_.sliding || pan_.sliding || freq_.sliding) && !stepSlides(ev)) break;
    updateStep(outRate);
    float gl, gr;
    panGains(vol_.value, pan_.value, gl, gr);
    const float t = static_cast<float>(frac_) * (1.0f / 4294967296.0f);
    const float l = (cur_.v[0] + (next_.v[0] - cur_.v[0]) * t) * gl * gain;
    const float r = (cur_.v[1] + (next_.v[1] - cur_.v[1]) * t) * gr * gain;
    acc[2 * n] += l;
    acc[2 * n + 1] += r;
    peakL = std::max(peakL, std::fabs(l));
    peakR = std::max(peakR, std::fabs(r));
    frac_ += step_;
    while (frac_ >= kOne) {
      frac_ -= kOne;
      // A loop cleared after the wrap was read ahead still ends here.
      if (nextIsEnd_ || (!loop_ && next_.index <= cur_.index)) {
        finish(cur_.index + 1);
        break;
      }
      cur_ = next_;
      if (!loadNext()) {
        // Decoded no further yet: the rest of the block waits, frac_ kept.
        n = frames;
        break;
      }
    }
  }
  levelL_ = static_cast<uint16_t>(std::min(peakL, 32768.0f));
  levelR_ = static_cast<uint16_t>(std::min(peakR, 32768.0f));
  return ev;
}

}  // namespace soundlib
