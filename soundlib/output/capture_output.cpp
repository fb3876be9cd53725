#include "soundlib/output/capture_output.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {

using Clock = std::chrono::steady_clock;

void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

class CaptureOutput final : public Output {
 public:
  CaptureOutput(std::FILE* file, uint32_t rate, const OutputConfig& config, Renderer& renderer)
      : file_(file),
        renderer_(renderer),
        frames_(std::max<size_t>(64, static_cast<size_t>(rate) * config.periodMs / 1000)),
        period_(std::chrono::microseconds(static_cast<int64_t>(frames_) * 1000000 / rate)),
        block_(frames_ * 2) {
    unsigned char h[44] = {'R', 'I', 'F', 'F', 0,  0, 0, 0, 'W', 'A', 'V', 'E',
                           'f', 'm', 't', ' ', 16, 0, 0, 0, 1,   0,   2,   0};
    PutLe32(h + 24, rate);
    PutLe32(h + 28, rate * 4);
    h[32] = 4;
    h[34] = 16;
    std::memcpy(h + 36, "data", 4);
    PutLe32(h + 4, 36);
    ok_ = std::fwrite(h, 1, sizeof h, file_) == sizeof h && std::fflush(file_) == 0;
  }

  ~CaptureOutput() override {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    std::fclose(file_);
  }

  bool ok() const { return ok_; }

  bool start() override {
    {
      std::lock_guard lock(mutex_);
      running_ = true;
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    wake_.notify_all();
    return true;
  }

  void pause() override {
    std::lock_guard lock(mutex_);
    running_ = false;
  }

  void wake() override {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }

 private:
  // While the engine lets it rest, the file goes on in real time with
  // silence it writes itself, as a resting card would have played: what is
  // heard stays where it was heard, and a play after the rest must wake it.
  void run() {
    std::unique_lock lock(mutex_);
    Clock::time_point next{};
    bool paused = true;
    bool resting = false;
    while (!quit_) {
      if (!running_) {
        paused = true;
        wake_.wait(lock, [this] { return quit_ || running_; });
        continue;
      }
      if (paused) next = Clock::now();  // time stood still while paused
      paused = false;
      if (woken_) resting = woken_ = false;
      lock.unlock();
      if (resting) {
        std::fill(block_.begin(), block_.end(), int16_t{0});
      } else {
        resting = !renderer_.render(block_.data(), frames_);
      }
      write();
      lock.lock();
      // Late blocks are caught up, but never more than a second's worth.
      next = std::max(next + period_, Clock::now() - std::chrono::seconds(1));
      wake_.wait_until(lock, next, [this] { return quit_; });
    }
  }

  void write() {
    if (!ok_) return;
    const size_t bytes = frames_ * 4;
    if (std::fwrite(block_.data(), 1, bytes, file_) != bytes) {
      ok_ = false;
      return;
    }
    dataBytes_ += static_cast<uint32_t>(bytes);
    unsigned char size[4];
    PutLe32(size, 36 + dataBytes_);
    std::fseek(file_, 4, SEEK_SET);
    std::fwrite(size, 1, 4, file_);
    PutLe32(size, dataBytes_);
    std::fseek(file_, 40, SEEK_SET);
    std::fwrite(size, 1, 4, file_);
    std::fseek(file_, 0, SEEK_END);
    std::fflush(file_);
  }

  std::FILE* file_;
  Renderer& renderer_;
  const size_t frames_;
  const Clock::duration period_;
  std::vector<int16_t> block_;  // the frames are little-endian 16-bit, as the platforms' are
  bool ok_ = false;
  uint32_t dataBytes_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool running_ = false, quit_ = false, woken_ = false;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Output> OpenCaptureOutput(std::FILE* file, uint32_t rate, const OutputConfig& config,
                                          Renderer& renderer, int& error) {
  if (!file) {
    error = SL_ERROR_FILEOPEN;
    return nullptr;
  }
  auto out = std::make_unique<CaptureOutput>(file, rate, config, renderer);
  if (!out->ok()) {
    error = SL_ERROR_FILEOPEN;
    return nullptr;
  }
  return out;
}

}  // namespace soundlib
