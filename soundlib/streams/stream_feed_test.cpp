// Streams decode as they play: what a stream holds is bounded whatever its
// length, and a decoder that hangs starves only its own stream.
#include "soundlib/streams/stream_feed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "soundlib/engine/sound_engine.h"
#include "soundlib/decode/test_wav.h"
#include "soundlib/plugin_abi.h"

namespace soundlib {
namespace {

// A mono ramp (frame n is n % 1000), endless or `length` frames long, that
// counts what it was asked to decode.
class EndlessDecoder final : public Decoder {
 public:
  explicit EndlessDecoder(std::atomic<uint64_t>& decoded, uint64_t length = kUnknownFrames)
      : decoded_(decoded), length_(length) {
    info_.rate = 8000;
    info_.channels = 1;
  }
  size_t read(int16_t* out, size_t count) override {
    count = static_cast<size_t>(std::min<uint64_t>(count, length_ - std::min(pos_, length_)));
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<int16_t>((pos_ + i) % 1000);
    pos_ += count;
    decoded_ += count;
    return count;
  }
  bool seek(uint64_t frame) override {
    pos_ = frame;
    return true;
  }

 private:
  std::atomic<uint64_t>& decoded_;
  uint64_t length_;
  uint64_t pos_ = 0;
};

// Mixes `blocks` blocks of 800 frames; every frame played must be the ramp
// at its place (a starved block holds its place). Returns the frames played.
uint64_t MixChecked(MixChannel& channel, int blocks, bool threaded) {
  std::vector<float> acc(2 * 800);
  uint64_t played = 0;
  for (int block = 0; block < blocks && channel.playing(); ++block) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    const uint64_t before = channel.positionFrames();
    channel.mix(acc.data(), 800, 8000, 1.0f);
    const uint64_t now = channel.positionFrames();
    const uint64_t n = now >= before ? now - before : 800;  // a wrap plays a whole block
    for (uint64_t i = 0; i < n && now >= before; ++i)
      EXPECT_EQ(acc[2 * i], float((before + i) % 1000)) << block;
    played += n;
    if (threaded) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return played;
}

// Longer than its ring, decoded by its worker: it ends where the sound
// ends, starts again from the beginning, and loops.
TEST(StreamFeed, AThreadedStreamEndsRestartsAndLoops) {
  constexpr uint64_t kLength = 50000;
  std::atomic<uint64_t> decoded{0};
  auto feed = std::make_shared<StreamFeed>(std::make_unique<EndlessDecoder>(decoded, kLength), true);
  EXPECT_FALSE(feed->prefill());
  std::thread worker([feed] { feed->run(); });
  MixChannel channel(makeFeedSource(feed), false);
  channel.play(false);
  // To its end however far the worker lags: a count of blocks bounds no time
  // (under Wine the pause between blocks is none).
  for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
       channel.playing() && std::chrono::steady_clock::now() < until;)
    MixChecked(channel, 1, true);
  EXPECT_FALSE(channel.playing());
  EXPECT_EQ(channel.positionFrames(), kLength);
  // Again from the start: the worker goes back for it, on a busy machine
  // (or under Wine) maybe only after many blocks of silence.
  channel.play(false);
  for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
       channel.positionFrames() == 0 && std::chrono::steady_clock::now() < until;)
    MixChecked(channel, 1, true);
  EXPECT_TRUE(channel.playing());
  EXPECT_GT(channel.positionFrames(), 0u);
  EXPECT_LT(channel.positionFrames(), 20u * 800);
  // Looping over the end. Where 2000 blocks leave it depends on how often the
  // worker lagged, and may be where it began: it mixes on until it has
  // wrapped and moved.
  channel.setLoop(true);
  const uint64_t from = channel.positionFrames();
  bool wrapped = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (int block = 0; channel.playing() && (block < 2000 || ((!wrapped || channel.positionFrames() == from) &&
                                                             std::chrono::steady_clock::now() < until));
       ++block) {
    const uint64_t before = channel.positionFrames();
    MixChecked(channel, 1, true);
    wrapped = wrapped || channel.positionFrames() < before;
  }
  EXPECT_TRUE(channel.playing());
  EXPECT_TRUE(wrapped);
  EXPECT_NE(channel.positionFrames(), from);
  feed->close();
  worker.join();
}

TEST(StreamFeed, AnHourLongStreamHoldsNoMoreThanItsRing) {
  for (bool threaded : {false, true}) {
    std::atomic<uint64_t> decoded{0};
    auto feed = std::make_shared<StreamFeed>(std::make_unique<EndlessDecoder>(decoded), threaded);
    EXPECT_FALSE(feed->prefill());
    EXPECT_LE(decoded.load(), StreamFeed::kRingFrames + StreamFeed::kChunkFrames);
    std::thread worker;
    if (threaded) worker = std::thread([feed] { feed->run(); });
    MixChannel channel(makeFeedSource(feed), false);
    channel.play(false);
    std::vector<float> acc(2 * 800);
    uint64_t silent = 0;
    // 100 s at 8 kHz; the worker may fall behind a mixer that runs hundreds
    // of times faster than real time, so it mixes on (a minute at most) until
    // more than half of them have played.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int block = 0; block < 1000 || (threaded && channel.positionFrames() <= 400000u &&
                                         std::chrono::steady_clock::now() < until);
         ++block) {
      std::fill(acc.begin(), acc.end(), 0.0f);
      const uint64_t before = channel.positionFrames();
      channel.mix(acc.data(), 800, 8000, 1.0f);
      ASSERT_TRUE(channel.playing());
      // Whatever was mixed is the ramp at its place; a starved block holds its place.
      const uint64_t played = channel.positionFrames() - before;
      for (uint64_t i = 0; i < played; ++i) ASSERT_EQ(acc[2 * i], float((before + i) % 1000)) << block;
      silent += 800 - played;
      ASSERT_LE(decoded.load(),
                channel.positionFrames() + StreamFeed::kRingFrames + StreamFeed::kChunkFrames);
      if (threaded) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!threaded) {
      EXPECT_EQ(silent, 0u);  // filled as the mixer asks: never starved
    }
    EXPECT_GT(channel.positionFrames(), 400000u);
    feed->close();
    if (worker.joinable()) worker.join();
  }
}

// The worker tops the ring up while most of it is still ahead of the mixer,
// not once the mixer has run it dry (which played a gap every ring).
TEST(StreamFeed, TheWorkerDecodesAheadBeforeTheRingRunsDry) {
  std::atomic<uint64_t> decoded{0};
  auto feed = std::make_shared<StreamFeed>(std::make_unique<EndlessDecoder>(decoded), true);
  feed->prefill();
  std::thread worker([feed] { feed->run(); });
  MixChannel channel(makeFeedSource(feed), false);
  channel.play(false);
  constexpr uint64_t kHalf = StreamFeed::kRingFrames / 2;
  constexpr int kBlocks = static_cast<int>(kHalf / 800);
  for (int round = 0; round < 5; ++round) {
    // Half a ring ahead is decoded while the mixer still has it to play...
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (decoded.load() < channel.positionFrames() + kHalf && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(decoded.load(), channel.positionFrames() + kHalf) << round;
    // ...so the next blocks play whole.
    EXPECT_EQ(MixChecked(channel, kBlocks, false), kBlocks * 800u) << round;
  }
  feed->close();
  worker.join();
}

// ---- a hanging decoder among playing sounds ----------------------------------------

std::mutex g_hangLock;
std::condition_variable g_hangWake;
bool g_release = false;
std::atomic<int> g_hanging{0};

int32_t SL_CALL HangProbe(const uint8_t* head, uint32_t n, uint64_t) {
  return n >= 4 && std::memcmp(head, "HANG", 4) == 0;
}
void* SL_CALL HangOpen(const SlByteReader*, SlDecoderFormat* f, int32_t*) {
  *f = SlDecoderFormat{8000, 1, 10};  // a short ring, so it starves at once
  return new uint64_t(0);
}
// Gives its first ring, then hangs until released.
uint32_t SL_CALL HangDecode(void* d, int16_t* out, uint32_t frames, int32_t*) {
  auto* done = static_cast<uint64_t*>(d);
  if (*done > 0) {
    ++g_hanging;
    std::unique_lock lock(g_hangLock);
    g_hangWake.wait(lock, [] { return g_release; });
  }
  std::fill(out, out + frames, int16_t{7});
  *done += frames;
  return frames;
}
int32_t SL_CALL HangSeek(void*, uint64_t) {
  return 1;
}
void SL_CALL HangClose(void* d) {
  delete static_cast<uint64_t*>(d);
}
const SlDecoderOps kHangOps{sizeof(SlDecoderOps), "hang",    &HangProbe, &HangOpen,
                            &HangDecode,          &HangSeek, &HangClose};
const SlDecoderOps* const kHangList[] = {&kHangOps};
const SlPluginInfo kHangPlugin{kSlPluginVersion, "hang", 0, nullptr, 1, kHangList};

// The device's thread: mixes 64 frames at a time and keeps the last block.
class CaptureOutput final : public Output {
 public:
  explicit CaptureOutput(Renderer& r)
      : thread_([this, &r] {
          std::vector<int16_t> buf(2 * 64);
          while (!quit_) {
            r.render(buf.data(), 64);
            last_ = buf[0];
            ++blocks_;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
          }
        }) {}
  ~CaptureOutput() override {
    quit_ = true;
    thread_.join();
  }
  bool start() override { return true; }
  void pause() override {}
  void wake() override {}
  static inline std::atomic<int> last_{0};
  static inline std::atomic<uint64_t> blocks_{0};

 private:
  std::atomic<bool> quit_{false};
  std::thread thread_;
};

class CapturePlatform final : public Platform {
 public:
  std::vector<DeviceDesc> listDevices() override { return {{"Capture", "", true}}; }
  std::unique_ptr<Output> openOutput(int, uint32_t& rate, const OutputConfig&, Renderer& r, int&) override {
    rate = 8000;
    return std::make_unique<CaptureOutput>(r);
  }
  void* loadPlugin(const void*, bool, const SlPluginInfo*& info, int&) override {
    info = &kHangPlugin;
    return const_cast<SlPluginInfo*>(&kHangPlugin);
  }
  void freePlugin(void*) override {}
};

TEST(StreamFeed, AHangingDecoderStarvesOnlyItsOwnStream) {
  CapturePlatform platform;
  Engine engine(platform);
  ASSERT_TRUE(engine.init(1, 8000, 0, nullptr, nullptr));
  ASSERT_NE(engine.pluginLoad("hang", 0), 0u);
  const std::vector<uint8_t> hostile = {'H', 'A', 'N', 'G', 0, 0, 0, 0};
  const SlHandle stream = engine.streamCreateFile(1, hostile.data(), 0, hostile.size(), 0);
  ASSERT_NE(stream, 0u) << engine.errorGetCode();
  ASSERT_TRUE(engine.channelPlay(stream, 0));
  // Past its first ring the decoder hangs on the worker thread.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (g_hanging == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_GT(g_hanging.load(), 0);
  // A looping sample of 1000 still plays; the hung stream adds nothing, and
  // its level and position hold.
  const auto wav = testing::mono16(testing::constant(100, 1000));
  const SlHandle sample =
      engine.sampleLoad(1, wav.data(), 0, static_cast<uint32_t>(wav.size()), 1, SL_SAMPLE_LOOP);
  const SlHandle channel = engine.sampleGetChannel(sample, 0);
  ASSERT_TRUE(engine.channelPlay(channel, 0));
  const uint64_t held = engine.channelGetPosition(stream, SL_POS_BYTE);
  const uint64_t blocks = CaptureOutput::blocks_;
  while (CaptureOutput::blocks_ < blocks + 50 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_GE(CaptureOutput::blocks_.load(), blocks + 50);
  EXPECT_EQ(CaptureOutput::last_.load(), 1000);
  EXPECT_EQ(engine.channelGetPosition(stream, SL_POS_BYTE), held);
  EXPECT_EQ(engine.channelIsActive(stream), SL_ACTIVE_PLAYING);
  // Released, the worker ends with its stream and the engine frees cleanly.
  {
    std::lock_guard lock(g_hangLock);
    g_release = true;
  }
  g_hangWake.notify_all();
  EXPECT_TRUE(engine.streamFree(stream));
  EXPECT_TRUE(engine.free());
}

}  // namespace
}  // namespace soundlib
