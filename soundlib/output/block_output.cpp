#include "soundlib/output/block_output.h"

#include <vector>

namespace soundlib {

BlockOutput::BlockOutput(std::unique_ptr<BlockDevice> device, Renderer& renderer, size_t frames,
                         uint32_t periodMs)
    : device_(std::move(device)), renderer_(renderer), frames_(frames), periodMs_(periodMs) {}

BlockOutput::~BlockOutput() {
  quit_.store(true);
  device_->signal();
  if (thread_.joinable()) thread_.join();
}

bool BlockOutput::start() {
  std::lock_guard lock(m_);
  running_ = true;
  if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
  return !open_ || device_->restart();
}

void BlockOutput::pause() {
  std::lock_guard lock(m_);
  running_ = false;
  if (open_) device_->pause();
}

void BlockOutput::wake() {
  woken_.store(true);
  device_->signal();
}

bool BlockOutput::mix(int16_t* out) {
  return renderer_.render(out, frames_) || woken_.exchange(false);
}

bool BlockOutput::reopen() {
  std::lock_guard lock(m_);
  open_ = device_->open(!running_);
  return open_;
}

void BlockOutput::close() {
  std::lock_guard lock(m_);
  if (open_) device_->close();
  open_ = false;
}

// `open_` changes on this thread only, so it reads it without the lock.
void BlockOutput::run() {
  const size_t count = device_->blocks();
  std::vector<bool> queued(count, false);  // written and not yet seen back
  std::vector<int16_t> unheard;
  size_t next = 0;  // blocks are refilled in the order they were queued
  size_t deaf = 0;  // blocks mixed since the device would not open
  bool resting = false;
  while (!quit_.load()) {
    if (resting) {
      device_->wait(BlockDevice::kForever);
      if (!woken_.exchange(false)) continue;
      resting = false;
      deaf = reopen() ? 0 : 1;
    }
    if (!open_) {
      if (deaf % kDeafRetryBlocks == 0 && reopen()) {
        deaf = 0;
        continue;
      }
      ++deaf;
      unheard.resize(frames_ * 2);
      resting = !mix(unheard.data());
      if (!resting) device_->wait(periodMs_);
      continue;
    }
    while (!quit_.load() && (!queued[next] || device_->done(next))) {
      if (!mix(device_->block(next))) {
        resting = true;
        break;
      }
      device_->write(next);
      queued[next] = true;
      next = (next + 1) % count;
    }
    if (resting) {
      close();  // what is still queued is silence: the grace outlasts the blocks
      queued.assign(count, false);
    } else {
      device_->wait(100);
    }
  }
}

}  // namespace soundlib
