#include "soundlib/streams/stream_feed.h"

#include <algorithm>
#include <cstring>

namespace soundlib {

StreamFeed::StreamFeed(std::unique_ptr<Decoder> decoder, bool threaded)
    : decoder_(std::move(decoder)), threaded_(threaded) {
  const StreamInfo& i = decoder_->info();
  channels_ = i.channels;
  format_.rate = i.rate;
  format_.channels = i.channels;
  format_.bitsPerSample = 16;
  format_.blockAlign = i.bytesPerFrame ? i.bytesPerFrame : static_cast<uint16_t>(2 * i.channels);
  // A short sound known to fit takes no more than itself.
  cap_ = i.frames < kRingFrames ? static_cast<size_t>(i.frames) + 1 : kRingFrames;
  ring_.resize(cap_ * channels_);
  chunk_.resize(kChunkFrames * channels_);
}

StreamFeed::~StreamFeed() = default;

void StreamFeed::store(const int16_t* values, uint64_t at, size_t frames) {
  for (size_t done = 0; done < frames;) {
    const size_t slot = static_cast<size_t>((at + done) % cap_);
    const size_t run = std::min(frames - done, cap_ - slot);
    std::memcpy(ring_.data() + slot * channels_, values + done * channels_,
                run * channels_ * sizeof(int16_t));
    done += run;
  }
  count_ += frames;
  if (count_ > cap_) {
    first_ += count_ - cap_;
    count_ = cap_;
  }
}

void StreamFeed::letGo(std::unique_lock<std::mutex>& lock, bool keepLock) {
  if (keepLock) return;
  decoding_ = true;
  lock.unlock();
}

bool StreamFeed::takeBack(std::unique_lock<std::mutex>& lock, bool keepLock) {
  if (keepLock) return true;
  lock.lock();
  decoding_ = false;
  // Closed while the decoder ran: nobody else may free it now.
  if (closed_) decoder_.reset();
  return !closed_;
}

void StreamFeed::step(std::unique_lock<std::mutex>& lock, bool keepLock) {
  const uint64_t at = first_ + count_;
  const size_t room = static_cast<size_t>(std::min<uint64_t>(readPos_ + cap_ - at, kChunkFrames));
  if (atEnd_ || room == 0 || !decoder_) return;
  const uint64_t generation = generation_;
  letGo(lock, keepLock);
  const size_t got = decoder_->read(chunk_.data(), room);
  if (!takeBack(lock, keepLock)) return;
  if (generation != generation_) return;  // a seek came meanwhile
  store(chunk_.data(), at, std::min(got, room));
  if (got == 0) {
    atEnd_ = true;
    endAt_ = at;
  }
}

void StreamFeed::seekLocked(std::unique_lock<std::mutex>& lock, uint64_t frame, bool keepLock) {
  const uint64_t generation = generation_;
  bool ok = false;
  if (decoder_) {
    letGo(lock, keepLock);
    ok = decoder_->seek(frame);
    if (!takeBack(lock, keepLock)) return;
  }
  if (generation != generation_) return;
  first_ = frame;
  count_ = 0;
  if (ok) {
    atEnd_ = false;
  } else {
    // A decoder that cannot go there ends the sound there.
    atEnd_ = true;
    endAt_ = frame;
  }
}

bool StreamFeed::prefill() {
  std::unique_lock lock(m_);
  while (!atEnd_ && first_ + count_ < readPos_ + cap_) step(lock, true);
  return atEnd_ && first_ == 0;
}

void StreamFeed::run() {
  std::unique_lock lock(m_);
  while (!closed_) {
    if (seekWanted_) {
      seekWanted_ = false;
      seekLocked(lock, seekTo_, false);
      continue;
    }
    if (atEnd_ || first_ + count_ >= readPos_ + cap_) {
      wake_.wait(lock);
      continue;
    }
    step(lock, false);
  }
}

void StreamFeed::close() {
  std::lock_guard lock(m_);
  closed_ = true;
  // The file is let go as the stream goes: the user may delete or replace it.
  if (!decoding_) decoder_.reset();
  wake_.notify_all();
}

size_t StreamFeed::fetch(uint64_t first, const int16_t*& block, bool& pending) {
  std::unique_lock lock(m_);
  pending = false;
  for (int tries = 0; tries < 2; ++tries) {
    if (first >= first_ && first < first_ + count_) {
      if (first != readPos_) {
        readPos_ = first;
        if (threaded_) wake_.notify_all();
      }
      const size_t slot = static_cast<size_t>(first % cap_);
      block = ring_.data() + slot * channels_;
      return static_cast<size_t>(std::min<uint64_t>({first_ + count_ - first, cap_ - slot, kLeadFrames}));
    }
    if (first >= endAt_) return 0;
    readPos_ = first;
    const bool seek = first != first_ + count_;
    if (threaded_) {
      // The worker catches up; till then this stream is silent.
      if (seek) {
        ++generation_;
        seekWanted_ = true;
        seekTo_ = first;
        first_ = first;
        count_ = 0;
        atEnd_ = false;
      }
      wake_.notify_all();
      pending = true;
      return 0;
    }
    if (seek) seekLocked(lock, first, true);
    step(lock, true);
  }
  // Nothing came of a step: the decoder has ended (or stands at damage).
  return 0;
}

namespace {

class FeedSource final : public FrameSource {
 public:
  explicit FeedSource(std::shared_ptr<StreamFeed> f) : feed_(std::move(f)) {}
  ~FeedSource() override { feed_->close(); }
  const PcmFormat& format() const override { return feed_->format(); }
  uint64_t frames() const override { return kUnknownFrames; }
  size_t fetch(uint64_t first, const int16_t*& block) override {
    return feed_->fetch(first, block, pending_);
  }
  bool pending() const override { return pending_; }

 private:
  std::shared_ptr<StreamFeed> feed_;
  bool pending_ = false;
};

}  // namespace

std::unique_ptr<FrameSource> makeFeedSource(std::shared_ptr<StreamFeed> feed) {
  return std::make_unique<FeedSource>(std::move(feed));
}

}  // namespace soundlib
