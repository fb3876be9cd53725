// An output over a device that plays a ring of equal blocks (wave-out): a
// thread of its own refills each block as the device hands it back. While
// the engine lets it rest, the device is closed - an open one costs the
// system a timer and a feeding thread that wake hundreds of times a second,
// paused or not - and the thread sleeps until woken; then it opens the
// device again and fills every block at once. A device that will not open
// again is mixed for anyway, at its pace (positions, syncs and ends go on,
// streams free themselves), and tried again now and then.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "soundlib/output/platform.h"

namespace soundlib {

// Destroying it closes it.
class BlockDevice {
 public:
  static constexpr uint32_t kForever = UINT32_MAX;

  virtual ~BlockDevice() = default;
  virtual size_t blocks() const = 0;
  virtual int16_t* block(size_t i) = 0;  // the block's frames, 16-bit stereo
  // Opens the device again as it was first opened, paused when `paused`,
  // every block free. False when it will not open.
  virtual bool open(bool paused) = 0;
  // Stops, drops what is queued and closes; nothing when closed.
  virtual void close() = 0;
  virtual void write(size_t i) = 0;
  virtual bool done(size_t i) = 0;  // a written block has been handed back
  virtual void pause() = 0;
  virtual bool restart() = 0;
  // Until a block comes back, signal() or `ms` have passed.
  virtual void wait(uint32_t ms) = 0;
  virtual void signal() = 0;
};

class BlockOutput final : public Output {
 public:
  static constexpr size_t kDeafRetryBlocks = 50;  // blocks mixed unheard between tries to open

  // `device` is open and paused; `frames` per block, `periodMs` their length.
  BlockOutput(std::unique_ptr<BlockDevice> device, Renderer& renderer, size_t frames, uint32_t periodMs);
  ~BlockOutput() override;

  bool start() override;
  void pause() override;
  void wake() override;

 private:
  void run();
  // False when the engine lets the device rest and nothing woke it since
  // (a play that came just then keeps the device open).
  bool mix(int16_t* out);
  bool reopen();
  void close();

  const std::unique_ptr<BlockDevice> device_;
  Renderer& renderer_;
  const size_t frames_;
  const uint32_t periodMs_;
  std::mutex m_;  // the device's opening and closing against start and pause
  bool open_ = true;
  bool running_ = false;
  std::atomic<bool> quit_{false};
  std::atomic<bool> woken_{false};
  std::thread thread_;
};

}  // namespace soundlib
