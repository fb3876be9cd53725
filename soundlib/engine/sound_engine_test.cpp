#include "soundlib/engine/sound_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#ifdef _WIN32
#include <share.h>
#endif

#include "soundlib/output/block_output.h"
#include "soundlib/output/capture_output.h"
#include "soundlib/decode/test_wav.h"
#include "soundlib/plugin_abi.h"

namespace soundlib {
namespace {

using testing::constant;
using testing::makeWav;
using testing::mono16;

// ---- fakes -------------------------------------------------------------------

struct FakeState {
  std::vector<DeviceDesc> devices;
  bool openFails = false;
  int openedIndex = -99;
  int opened = 0, closed = 0, starts = 0, pauses = 0;
  std::map<std::string, const SlPluginInfo*> plugins;  // file name -> description
  std::map<void*, int> pluginRefs;
};

class FakeOutput final : public Output {
 public:
  explicit FakeOutput(FakeState& s) : s_(s) {}
  ~FakeOutput() override { ++s_.closed; }
  bool start() override { return ++s_.starts, true; }
  void pause() override { ++s_.pauses; }
  void wake() override {}

 private:
  FakeState& s_;
};

class FakePlatform final : public Platform {
 public:
  FakeState s;
  std::vector<DeviceDesc> listDevices() override { return s.devices; }
  std::unique_ptr<Output> openOutput(int index, uint32_t&, const OutputConfig&, Renderer&,
                                     int& error) override {
    if (s.openFails) {
      error = SL_ERROR_DRIVER;
      return nullptr;
    }
    s.openedIndex = index;
    ++s.opened;
    return std::make_unique<FakeOutput>(s);
  }
  void* loadPlugin(const void* path, bool, const SlPluginInfo*& info, int& error) override {
    auto it = s.plugins.find(static_cast<const char*>(path));
    if (it == s.plugins.end()) {
      error = SL_ERROR_FILEOPEN;
      return nullptr;
    }
    info = it->second;
    void* module = const_cast<SlPluginInfo*>(it->second);
    ++s.pluginRefs[module];
    return module;
  }
  void freePlugin(void* module) override { --s.pluginRefs[module]; }
};

// An engine on the "No sound" device at 8000 Hz, rendered by hand.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(engine.init(0, kRate, 0, nullptr, nullptr)); }

  SlHandle load(const std::vector<uint8_t>& wav, uint32_t max = 4, uint32_t flags = 0) {
    wavs.push_back(wav);
    const SlHandle h =
        engine.sampleLoad(1, wavs.back().data(), 0, static_cast<uint32_t>(wav.size()), max, flags);
    EXPECT_NE(h, 0u) << engine.errorGetCode();
    return h;
  }
  SlHandle playNew(SlHandle sample) {
    const SlHandle c = engine.sampleGetChannel(sample, 0);
    EXPECT_NE(c, 0u) << engine.errorGetCode();
    EXPECT_TRUE(engine.channelPlay(c, 0));
    return c;
  }
  // Interleaved left/right output.
  std::vector<int16_t> render(size_t frames) {
    std::vector<int16_t> out(frames * 2, 12345);
    EXPECT_EQ(engine.renderNoSound(out.data(), static_cast<uint32_t>(frames * 4)), frames * 4);
    return out;
  }

  static constexpr uint32_t kRate = 8000;
  FakePlatform platform;
  Engine engine{platform};
  std::vector<std::vector<uint8_t>> wavs;
};

std::string tempFile(const std::string& name, const std::vector<uint8_t>& bytes, const char* prefix = "") {
  const std::string p = testing::tempPath(name);
  std::ofstream f(p, std::ios::binary);
  f << prefix;
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return p;
}

std::vector<int16_t> pairs(std::initializer_list<std::pair<int, int>> lr) {
  std::vector<int16_t> v;
  for (auto [l, r] : lr) v.push_back(static_cast<int16_t>(l)), v.push_back(static_cast<int16_t>(r));
  return v;
}

std::vector<int16_t> frame(const std::vector<int16_t>& out, size_t i) {
  return {out[2 * i], out[2 * i + 1]};
}

// ---- mixing, volume, pan -------------------------------------------------------

TEST_F(EngineTest, MixesChannelsAndAppliesVolumes) {
  const SlHandle a = load(mono16(constant(100, 1000)));
  const SlHandle b = load(mono16(constant(50, 300)));
  const SlHandle ca = playNew(a);
  playNew(b);
  auto out = render(120);
  for (auto [at, level] : {std::pair{0, 1300}, {49, 1300}, {50, 1000}, {99, 1000}, {100, 0}})
    EXPECT_EQ(frame(out, at), pairs({{level, level}})) << at;

  ASSERT_TRUE(engine.channelPlay(ca, 1));
  ASSERT_TRUE(engine.channelSetAttribute(ca, SL_ATTRIB_VOL, 0.25f));
  EXPECT_EQ(frame(render(1), 0), pairs({{250, 250}}));
  ASSERT_TRUE(engine.setVolume(0.5f));
  EXPECT_EQ(frame(render(1), 0), pairs({{125, 125}}));
  ASSERT_TRUE(engine.setVolume(1.0f));
  ASSERT_TRUE(engine.setConfig(SL_CONFIG_GVOL_SAMPLE, 5000));
  EXPECT_EQ(frame(render(1), 0), pairs({{125, 125}}));
  // Volume is clamped to 0..1.
  ASSERT_TRUE(engine.setConfig(SL_CONFIG_GVOL_SAMPLE, 10000));
  ASSERT_TRUE(engine.channelSetAttribute(ca, SL_ATTRIB_VOL, 4.0f));
  EXPECT_EQ(frame(render(1), 0), pairs({{1000, 1000}}));
}

TEST_F(EngineTest, MixesManyChannelsOfOneSample) {
  const SlHandle s = load(mono16(constant(10, 100)), 32);
  for (int i = 0; i < 32; ++i) playNew(s);
  const SlHandle t = load(makeWav({8000, 2, 8}, {138, 118}));  // 8-bit stereo: +2560, -2560
  playNew(t);
  EXPECT_EQ(frame(render(1), 0), pairs({{3200 + 2560, 3200 - 2560}}));
}

TEST_F(EngineTest, LoadsSamplesFromFiles) {
  const std::string path = tempFile("_sample.wav", mono16({7, 8, 9}));
  const SlHandle s = engine.sampleLoad(0, path.c_str(), 0, 0, 1, 0);
  ASSERT_NE(s, 0u) << engine.errorGetCode();
  std::filesystem::remove(path);  // the sample holds its data, not the file
  playNew(s);
  auto out = render(4);
  EXPECT_EQ(out[0], 7);
  EXPECT_EQ(out[4], 9);
  EXPECT_EQ(out[6], 0);
  EXPECT_EQ(engine.sampleLoad(0, path.c_str(), 0, 0, 1, 0), 0u);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_FILEOPEN);
}

TEST_F(EngineTest, ClipsTheSumInsteadOfWrapping) {
  const SlHandle s = load(mono16(constant(10, 30000)));
  playNew(s);
  playNew(s);
  EXPECT_EQ(frame(render(1), 0), pairs({{32767, 32767}}));
  const SlHandle n = load(mono16(constant(10, -30000)));
  playNew(n);
  playNew(n);
  playNew(n);
  EXPECT_EQ(frame(render(1), 0), pairs({{-30000, -30000}}));
}

TEST_F(EngineTest, PansFromLeftToRightAndClamps) {
  const SlHandle s = load(mono16(constant(1000, 10000)));
  const SlHandle c = playNew(s);
  auto at = [&](float pan) {
    EXPECT_TRUE(engine.channelSetAttribute(c, SL_ATTRIB_PAN, pan));
    return frame(render(1), 0);
  };
  // The near side stays whole, the far one falls linearly; beyond -1..1 clamped.
  const std::tuple<float, int, int> rows[] = {
      {-1.0f, 10000, 0},     {1.0f, 0, 10000}, {0.0f, 10000, 10000}, {0.5f, 5000, 10000},
      {-0.25f, 10000, 7500}, {3.0f, 0, 10000}, {-9.0f, 10000, 0}};
  for (auto [pan, left, right] : rows) EXPECT_EQ(at(pan), pairs({{left, right}})) << pan;
  EXPECT_FALSE(engine.channelSetAttribute(c, SL_ATTRIB_PAN, NAN));
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_ILLPARAM);
  EXPECT_FALSE(engine.channelSetAttribute(c, SL_ATTRIB_PAN, INFINITY));
  EXPECT_EQ(frame(render(1), 0), pairs({{10000, 0}}));  // unchanged

  // A stereo source keeps its sides; pan only lowers the far one.
  const SlHandle st = load(makeWav({8000, 2, 16}, {1000, -2000, 1000, -2000}));
  engine.channelStop(c);
  const SlHandle cs = playNew(st);
  ASSERT_TRUE(engine.channelSetAttribute(cs, SL_ATTRIB_PAN, 0.5f));
  ASSERT_TRUE(engine.channelSetAttribute(cs, SL_ATTRIB_VOL, 0.5f));
  EXPECT_EQ(frame(render(1), 0), pairs({{250, -1000}}));
  const uint32_t level = engine.channelGetLevel(cs);
  EXPECT_EQ(level & 0xFFFF, 250u);
  EXPECT_EQ(level >> 16, 1000u);
}

// ---- slides ----------------------------------------------------------------------

struct SyncLog {
  std::vector<std::pair<SlHandle, uint32_t>> calls;  // channel, data
  static void SL_CALL proc(SlHandle, SlHandle channel, uint32_t data, void* user) {
    static_cast<SyncLog*>(user)->calls.emplace_back(channel, data);
  }
};

TEST_F(EngineTest, SlidesVolumeLinearlyOverItsTime) {
  const SlHandle s = load(mono16(constant(4000, 8000)));
  const SlHandle c = playNew(s);
  SyncLog log;
  ASSERT_NE(engine.channelSetSync(c, SL_SYNC_SLIDE, 0, &SyncLog::proc, &log), 0u);
  // 100 ms at 8000 Hz: 800 frames, the level falls by 10 each frame.
  ASSERT_TRUE(engine.channelSlideAttribute(c, SL_ATTRIB_VOL, 0.0f, 100));
  EXPECT_TRUE(engine.channelIsSliding(c, SL_ATTRIB_VOL));
  EXPECT_TRUE(engine.channelIsSliding(c, 0));
  EXPECT_FALSE(engine.channelIsSliding(c, SL_ATTRIB_PAN));
  auto out = render(400);
  for (size_t k = 0; k < 400; k += 37) EXPECT_NEAR(out[2 * k], 8000 - 10 * int(k + 1), 1) << k;
  EXPECT_TRUE(engine.channelIsSliding(c, SL_ATTRIB_VOL));
  EXPECT_TRUE(log.calls.empty());
  out = render(500);
  EXPECT_NEAR(out[2 * 398], 10, 1);
  EXPECT_EQ(out[2 * 399], 0);
  EXPECT_EQ(out[2 * 499], 0);
  EXPECT_FALSE(engine.channelIsSliding(c, 0));
  ASSERT_EQ(log.calls.size(), 1u);
  EXPECT_EQ(log.calls[0], std::make_pair(c, uint32_t{SL_ATTRIB_VOL}));
  // Silenced, not stopped: it plays on until its data ends.
  EXPECT_EQ(engine.channelIsActive(c), SL_ACTIVE_PLAYING);

  // Back up again, and a pan slide at the same time.
  ASSERT_TRUE(engine.channelSlideAttribute(c, SL_ATTRIB_VOL, 1.0f, 10));
  ASSERT_TRUE(engine.channelSetAttribute(c, SL_ATTRIB_PAN, -1.0f));
  ASSERT_TRUE(engine.channelSlideAttribute(c, SL_ATTRIB_PAN, 1.0f, 10));
  out = render(80);
  EXPECT_EQ(frame(out, 79), pairs({{0, 8000}}));
  EXPECT_EQ(frame(out, 39), pairs({{4000, 4000}}));  // half way: centred at half volume
  // A slide is ended by setting the attribute.
  ASSERT_TRUE(engine.channelSlideAttribute(c, SL_ATTRIB_VOL, 0.0f, 1000));
  ASSERT_TRUE(engine.channelSetAttribute(c, SL_ATTRIB_VOL, 0.5f));
  EXPECT_FALSE(engine.channelIsSliding(c, SL_ATTRIB_VOL));
  EXPECT_FALSE(engine.channelSlideAttribute(c, 9, 0.0f, 10));
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_ILLTYPE);
}

TEST_F(EngineTest, FadeToNegativeVolumeStopsAndFreesAutofreeStreams) {
  const auto wav = mono16(constant(8000, 1000));
  const SlHandle st = engine.streamCreateFile(1, wav.data(), 0, wav.size(), SL_STREAM_AUTOFREE);
  ASSERT_NE(st, 0u);
  SyncLog freed;
  ASSERT_NE(engine.channelSetSync(st, SL_SYNC_FREE, 0, &SyncLog::proc, &freed), 0u);
  ASSERT_TRUE(engine.channelPlay(st, 0));
  ASSERT_TRUE(engine.channelSlideAttribute(st, SL_ATTRIB_VOL, -1.0f, 10));
  auto out = render(100);
  EXPECT_EQ(out[2 * 79], 0);
  EXPECT_EQ(engine.channelIsActive(st), SL_ACTIVE_STOPPED);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_HANDLE);
  EXPECT_EQ(freed.calls.size(), 1u);
}

// ---- channel reuse -------------------------------------------------------------

TEST_F(EngineTest, TakingOverAChannelInvalidatesItsOldHandle) {
  const SlHandle s = load(mono16(constant(1000, 100)), 2, SL_SAMPLE_OVER_POS);
  const SlHandle c1 = playNew(s);
  render(10);
  const SlHandle c2 = playNew(s);
  render(10);
  // Both busy: the one furthest on (c1) is taken over.
  const SlHandle c3 = engine.sampleGetChannel(s, 0);
  ASSERT_NE(c3, 0u);
  EXPECT_NE(c3, c1);
  EXPECT_NE(c3, c2);
  EXPECT_FALSE(engine.channelStop(c1));
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_HANDLE);
  EXPECT_FALSE(engine.channelSetAttribute(c1, SL_ATTRIB_VOL, 0.0f));
  EXPECT_EQ(engine.channelIsActive(c1), SL_ACTIVE_STOPPED);
  EXPECT_EQ(engine.channelIsActive(c2), SL_ACTIVE_PLAYING);
  EXPECT_EQ(engine.channelIsActive(c3), SL_ACTIVE_STOPPED);  // new channels wait for play
  EXPECT_EQ(frame(render(1), 0), pairs({{100, 100}}));
  ASSERT_TRUE(engine.channelPlay(c3, 0));
  EXPECT_EQ(frame(render(1), 0), pairs({{200, 200}}));
  // onlyNew never takes anything over.
  EXPECT_EQ(engine.sampleGetChannel(s, 1), 0u);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_NOCHAN);
}

TEST_F(EngineTest, StoppedChannelsAreReusedBeforePlayingOnesAndStaleHandlesStayDead) {
  const SlHandle s = load(mono16(constant(5, 100)), 2);
  const SlHandle c1 = playNew(s);
  render(10);  // c1 has ended
  const SlHandle c2 = playNew(s);
  const SlHandle c3 = engine.sampleGetChannel(s, 0);  // reuses c1's slot
  ASSERT_NE(c3, 0u);
  ASSERT_TRUE(engine.channelPlay(c3, 0));
  // The holder of the stale c1 (a figure that outlived its sound) stops it:
  EXPECT_FALSE(engine.channelStop(c1));
  EXPECT_EQ(engine.channelIsActive(c3), SL_ACTIVE_PLAYING);
  EXPECT_EQ(engine.channelIsActive(c2), SL_ACTIVE_PLAYING);
  // Without an override flag a full sample gives no channel.
  EXPECT_EQ(engine.sampleGetChannel(s, 0), 0u);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_NOCHAN);

  // Handles are never handed out twice.
  const SlHandle one = load(mono16(constant(5, 1)), 1, SL_SAMPLE_OVER_POS);
  std::set<SlHandle> seen;
  for (int i = 0; i < 1000; ++i) EXPECT_TRUE(seen.insert(playNew(one)).second);
}

TEST_F(EngineTest, OverVolTakesOverTheQuietestChannel) {
  const SlHandle s = load(mono16(constant(100, 100)), 3, SL_SAMPLE_OVER_VOL);
  const SlHandle a = playNew(s), b = playNew(s), c = playNew(s);
  engine.channelSetAttribute(a, SL_ATTRIB_VOL, 0.9f);
  engine.channelSetAttribute(b, SL_ATTRIB_VOL, 0.2f);
  engine.channelSetAttribute(c, SL_ATTRIB_VOL, 0.5f);
  ASSERT_NE(engine.sampleGetChannel(s, 0), 0u);
  EXPECT_EQ(engine.channelIsActive(b), SL_ACTIVE_STOPPED);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_HANDLE);
  EXPECT_EQ(engine.channelIsActive(a), SL_ACTIVE_PLAYING);
  EXPECT_EQ(engine.channelIsActive(c), SL_ACTIVE_PLAYING);
}

// ---- transport, resampling, syncs -----------------------------------------------

TEST_F(EngineTest, PlaysExactlyItsFramesThenEnds) {
  std::vector<int32_t> v;
  for (int i = 1; i <= 37; ++i) v.push_back(i * 10);
  const SlHandle s = load(mono16(v));
  const SlHandle c = engine.sampleGetChannel(s, 0);
  SyncLog ended, pos;
  ASSERT_NE(engine.channelSetSync(c, SL_SYNC_END, 0, &SyncLog::proc, &ended), 0u);
  ASSERT_NE(engine.channelSetSync(c, SL_SYNC_POS | SL_SYNC_ONETIME, 20, &SyncLog::proc, &pos), 0u);
  ASSERT_TRUE(engine.channelPlay(c, 0));
  auto out = render(5);
  EXPECT_TRUE(pos.calls.empty());
  EXPECT_EQ(engine.channelGetPosition(c, SL_POS_BYTE), 10u);
  out = render(45);
  EXPECT_EQ(pos.calls.size(), 1u);
  EXPECT_EQ(out[2 * 5], 110);   // frame 10 overall
  EXPECT_EQ(out[2 * 31], 370);  // the last frame
  EXPECT_EQ(out[2 * 32], 0);
  EXPECT_EQ(ended.calls.size(), 1u);
  EXPECT_EQ(engine.channelIsActive(c), SL_ACTIVE_STOPPED);
  EXPECT_EQ(engine.channelGetPosition(c, SL_POS_BYTE), 74u);
  // Playing an ended channel starts it over.
  ASSERT_TRUE(engine.channelPlay(c, 0));
  EXPECT_EQ(render(1)[0], 10);
  render(100);
  EXPECT_EQ(pos.calls.size(), 1u);  // one-time sync is gone
  EXPECT_EQ(ended.calls.size(), 2u);
  EXPECT_EQ(engine.channelGetPosition(c, 1), ~0ull);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_NOTAVAIL);
}

TEST_F(EngineTest, LoopsUntilTheFlagIsCleared) {
  const SlHandle s = load(mono16({1, 2, 3}), 1, SL_SAMPLE_LOOP);
  const SlHandle c = playNew(s);
  auto out = render(8);
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(out[2 * i], int(i % 3) + 1) << i;
  EXPECT_EQ(engine.channelFlags(c, 0, SL_SAMPLE_LOOP), 0u);
  out = render(8);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(engine.channelIsActive(c), SL_ACTIVE_STOPPED);
  EXPECT_EQ(engine.channelFlags(c, SL_SAMPLE_LOOP, SL_SAMPLE_LOOP), SL_SAMPLE_LOOP);
  EXPECT_EQ(engine.channelFlags(c, SL_STREAM_AUTOFREE, 0xFFFFFFFF), 0u);  // not for sample channels
  EXPECT_EQ(engine.channelFlags(0x7777777, 0, 0), 0xFFFFFFFFu);
}

TEST_F(EngineTest, ResamplesToTheOutputRate) {
  const SlHandle s = load(mono16({0, 1000, 2000, 3000}, 4000));
  const SlHandle c = playNew(s);
  auto out = render(10);
  const int want[10] = {0, 500, 1000, 1500, 2000, 2500, 3000, 3000, 0, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[2 * i], want[i]) << i;
  // Twice the rate: every other output frame is a source frame.
  ASSERT_TRUE(engine.channelSetAttribute(c, SL_ATTRIB_FREQ, 8000));
  ASSERT_TRUE(engine.channelPlay(c, 1));
  out = render(6);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[2], 1000);
  EXPECT_EQ(out[6], 3000);
  EXPECT_EQ(out[8], 0);
  // 0 is the data's own rate again.
  ASSERT_TRUE(engine.channelSetAttribute(c, SL_ATTRIB_FREQ, 0));
  ASSERT_TRUE(engine.channelPlay(c, 1));
  EXPECT_EQ(render(3)[4], 1000);
}

TEST_F(EngineTest, StopAndStartPauseEverything) {
  const SlHandle s = load(mono16({5, 6, 7, 8}));
  const SlHandle c = playNew(s);
  EXPECT_EQ(render(1)[0], 5);
  ASSERT_TRUE(engine.stop());
  EXPECT_EQ(engine.channelIsActive(c), SL_ACTIVE_PAUSED);
  EXPECT_EQ(render(3), std::vector<int16_t>(6, 0));
  EXPECT_EQ(engine.channelGetLevel(c), 0u);
  EXPECT_FALSE(engine.channelPlay(c, 0));
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_START);
  ASSERT_TRUE(engine.start());
  EXPECT_EQ(render(1)[0], 6);
}

// ---- streams -------------------------------------------------------------------

TEST_F(EngineTest, StreamsFilesBlockByBlockAndFreeThemselves) {
  std::vector<int32_t> v;
  for (int i = 0; i < 10000; ++i) v.push_back(i % 1000 - 500);
  const auto path = tempFile("_stream.wav", makeWav({8000, 2, 16}, [&] {
                               std::vector<int32_t> st;
                               for (int x : v) st.push_back(x), st.push_back(-x);
                               return st;
                             }()));
  const SlHandle st = engine.streamCreateFile(0, path.c_str(), 0, 0, SL_STREAM_AUTOFREE);
  ASSERT_NE(st, 0u) << engine.errorGetCode();
  SyncLog ended;
  engine.channelSetSync(st, SL_SYNC_END, 0, &SyncLog::proc, &ended);
  ASSERT_TRUE(engine.channelPlay(st, 0));
  std::vector<int16_t> all;
  for (int i = 0; i < 11; ++i) {
    auto part = render(1000);
    all.insert(all.end(), part.begin(), part.end());
  }
  for (size_t i = 0; i < 10000; ++i) {
    ASSERT_EQ(all[2 * i], v[i]) << i;
    ASSERT_EQ(all[2 * i + 1], -v[i]) << i;
  }
  EXPECT_EQ(all[20000], 0);
  EXPECT_EQ(ended.calls.size(), 1u);
  EXPECT_EQ(engine.channelIsActive(st), SL_ACTIVE_STOPPED);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_HANDLE);  // freed

  // A window of a bigger file, not freeing itself; stopping keeps it.
  const auto wav = mono16({42, 43});
  const auto inside = tempFile("_inside.bin", wav, "0123456789");
  const SlHandle w = engine.streamCreateFile(0, inside.c_str(), 10, wav.size(), 0);
  ASSERT_NE(w, 0u) << engine.errorGetCode();
  ASSERT_TRUE(engine.channelPlay(w, 0));
  EXPECT_EQ(render(1)[0], 42);
  ASSERT_TRUE(engine.channelStop(w));
  EXPECT_EQ(engine.channelIsActive(w), SL_ACTIVE_STOPPED);
  EXPECT_TRUE(engine.streamFree(w));
  EXPECT_FALSE(engine.streamFree(w));
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_HANDLE);
  EXPECT_EQ(engine.streamCreateFile(0, inside.c_str(), 1000, 0, 0), 0u);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_POSITION);
  EXPECT_EQ(engine.streamCreateFile(0, inside.c_str(), 0, 0, 0), 0u);  // junk before the header
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_FILEFORM);
  std::filesystem::remove(path);
  std::filesystem::remove(inside);
  EXPECT_EQ(engine.streamCreateFile(0, path.c_str(), 0, 0, 0), 0u);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_FILEOPEN);
}

TEST_F(EngineTest, StoppingAnAutofreeStreamFreesIt) {
  const auto wav = mono16(constant(100, 1));
  const SlHandle st = engine.streamCreateFile(1, wav.data(), 0, wav.size(), SL_STREAM_AUTOFREE);
  ASSERT_TRUE(engine.channelPlay(st, 0));
  ASSERT_TRUE(engine.channelStop(st));
  EXPECT_FALSE(engine.channelStop(st));
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_HANDLE);
  // A sample channel is not a stream.
  const SlHandle c = engine.sampleGetChannel(load(wav), 0);
  EXPECT_FALSE(engine.streamFree(c));
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_HANDLE);
}

// Whether this process still holds the file open.
bool HeldOpen(const std::string& path) {
#ifdef _WIN32
  std::FILE* alone = _fsopen(path.c_str(), "rb", _SH_DENYRW);
  if (alone) std::fclose(alone);
  return !alone;
#else
  std::error_code ec;
  const auto target = std::filesystem::canonical(path, ec);
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd", ec))
    if (std::filesystem::read_symlink(fd.path(), ec) == target) return true;
  return false;
#endif
}

// With a device a stream longer than its ring is decoded by a worker of its
// own while it plays. Freed while it plays, or played to its end, it lets go
// of its file at once: the user may delete or replace a sound just heard.
TEST(EngineStreams, AStreamFedByItsWorkerLetsGoOfItsFileWhenFreedAndAtItsEnd) {
  FakePlatform p;
  p.s.devices = {{"Speakers", "fake", true}};
  Engine e(p);
  ASSERT_TRUE(e.init(1, 8000, 0, nullptr, nullptr));
  std::vector<int32_t> v(3 * StreamFeed::kRingFrames);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int32_t>(i % 20000) + 1;  // never silent
  const auto path = tempFile("_long_stream.wav", makeWav({8000, 1, 16}, v));
  std::vector<int16_t> block(2 * 500);
  auto within = [](int seconds) { return std::chrono::steady_clock::now() + std::chrono::seconds(seconds); };

  const SlHandle freed = e.streamCreateFile(0, path.c_str(), 0, 0, 0);
  ASSERT_NE(freed, 0u) << e.errorGetCode();
  ASSERT_TRUE(e.channelPlay(freed, 0));
  for (int i = 0; i < 40; ++i) e.render(block.data(), 500);
  ASSERT_TRUE(e.streamFree(freed));
  // Its worker may be inside a step: the file goes as the step ends.
  for (const auto until = within(5); HeldOpen(path) && std::chrono::steady_clock::now() < until;)
    std::this_thread::yield();
  EXPECT_FALSE(HeldOpen(path)) << "freed while it played";

  const SlHandle ends = e.streamCreateFile(0, path.c_str(), 0, 0, SL_STREAM_AUTOFREE);
  ASSERT_NE(ends, 0u) << e.errorGetCode();
  SyncLog ended;
  e.channelSetSync(ends, SL_SYNC_END, 0, &SyncLog::proc, &ended);
  ASSERT_TRUE(e.channelPlay(ends, 0));
  std::vector<int32_t> heard;  // silence while the worker is behind holds the place
  for (const auto until = within(20); ended.calls.empty() && std::chrono::steady_clock::now() < until;) {
    e.render(block.data(), 500);
    for (size_t i = 0; i < 500; ++i)
      if (block[2 * i]) heard.push_back(block[2 * i]);
  }
  ASSERT_EQ(ended.calls.size(), 1u);
  EXPECT_EQ(heard, v);
  EXPECT_FALSE(HeldOpen(path)) << "at its end";
  EXPECT_TRUE(std::filesystem::remove(path));
  EXPECT_TRUE(e.free());
}

// ---- bad input -----------------------------------------------------------------

TEST_F(EngineTest, RejectsBadArgumentsWithCodes) {
  const auto wav = mono16({1, 2});
  const uint32_t size = static_cast<uint32_t>(wav.size());
  const char junk[] = "RIFF....WAVEjunkjunkjunk";
  const SlHandle c = engine.sampleGetChannel(load(wav), 0);
  Engine& e = engine;
  struct Row {
    const char* why;
    std::function<bool()> refused;
    int code;
  } const rows[] = {
      {"no channels", [&] { return e.sampleLoad(1, wav.data(), 0, size, 0, 0) == 0; }, SL_ERROR_ILLPARAM},
      {"no bytes", [&] { return e.sampleLoad(1, wav.data(), 0, 0, 1, 0) == 0; }, SL_ERROR_ILLPARAM},
      {"no memory", [&] { return e.sampleLoad(1, nullptr, 0, 10, 1, 0) == 0; }, SL_ERROR_ILLPARAM},
      {"not a wave", [&] { return e.sampleLoad(1, junk, 0, sizeof junk, 1, 0) == 0; }, SL_ERROR_FILEFORM},
      {"unknown sample", [&] { return e.sampleGetChannel(0x12345, 0) == 0; }, SL_ERROR_HANDLE},
      {"a negative handle", [&] { return e.sampleGetChannel(static_cast<SlHandle>(-1), 0) == 0; },
       SL_ERROR_HANDLE},
      {"no channel", [&] { return !e.channelPlay(0, 0); }, SL_ERROR_HANDLE},
      {"unknown config", [&] { return !e.setConfig(77, 1); }, SL_ERROR_ILLTYPE},
      {"no streams from the net", [&] { return e.streamCreateUrl("http://x", 0, 0, nullptr, nullptr) == 0; },
       SL_ERROR_NOTAVAIL},
      {"unknown sync", [&] { return e.channelSetSync(c, 77, 0, &SyncLog::proc, nullptr) == 0; },
       SL_ERROR_ILLTYPE},
      {"sync without a function", [&] { return e.channelSetSync(c, SL_SYNC_END, 0, nullptr, nullptr) == 0; },
       SL_ERROR_ILLPARAM},
      {"unknown attribute", [&] { return !e.channelSetAttribute(c, 0, 1.0f); }, SL_ERROR_ILLTYPE},
  };
  for (const Row& r : rows) {
    EXPECT_TRUE(r.refused()) << r.why;
    EXPECT_EQ(engine.errorGetCode(), r.code) << r.why;
  }
  EXPECT_EQ(engine.channelGetLevel(99), 0xFFFFFFFFu);
  EXPECT_FALSE(engine.setVolume(1.5f));
  EXPECT_FALSE(engine.setVolume(NAN));
  // Success clears the code.
  EXPECT_EQ(engine.getVersion() >> 16, 0x0204u);
  EXPECT_EQ(engine.errorGetCode(), SL_OK);
  EXPECT_EQ(engine.renderNoSound(nullptr, 4), 0xFFFFFFFFu);
}

TEST_F(EngineTest, SyncCallbacksMayCallBackIn) {
  const SlHandle s = load(mono16({1, 2}));
  const SlHandle c = playNew(s);
  struct Ctx {
    Engine* e;
    uint32_t active = 99;
  } ctx{&engine};
  engine.channelSetSync(
      c, SL_SYNC_END, 0,
      [](SlHandle, SlHandle ch, uint32_t, void* u) SL_CALL {
        auto* x = static_cast<Ctx*>(u);
        x->active = x->e->channelIsActive(ch);
      },
      &ctx);
  render(4);
  EXPECT_EQ(ctx.active, SL_ACTIVE_STOPPED);
}

// ---- devices and start-up -------------------------------------------------------

TEST(EngineDevices, ListsEveryDeviceEnabledWithAShowableName) {
  FakePlatform p;
  p.s.devices = {{"Speakers", "drv1", true}, {"", "drv2", false}, {"HD", "drv3", false}};
  Engine e(p);
  SlDeviceInfo info{};
  std::vector<std::string> names;
  for (uint32_t n = 0; e.getDeviceInfo(n, &info); ++n) {
    EXPECT_TRUE(info.flags & SL_DEVICE_ENABLED);
    EXPECT_GT(std::strlen(info.name), 2u);
    names.push_back(info.name);
  }
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_DEVICE);
  EXPECT_EQ(names,
            (std::vector<std::string>{"No sound", "Speakers", "Output device 2", "Output device 3 (HD)"}));
  ASSERT_TRUE(e.getDeviceInfo(1, &info));
  EXPECT_EQ(info.flags, SL_DEVICE_ENABLED | SL_DEVICE_DEFAULT);
  EXPECT_STREQ(info.driver, "drv1");
  EXPECT_FALSE(e.getDeviceInfo(0, nullptr));
  EXPECT_FALSE(e.getDeviceInfo(1000, &info));

  // Device n is the n-th listed device: initialising 3 opens the system's third.
  ASSERT_TRUE(e.init(3, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(p.s.openedIndex, 2);
  ASSERT_TRUE(e.getDeviceInfo(3, &info));
  EXPECT_TRUE(info.flags & SL_DEVICE_INIT);
  ASSERT_TRUE(e.getDeviceInfo(1, &info));
  EXPECT_FALSE(info.flags & SL_DEVICE_INIT);
  EXPECT_FALSE(e.init(1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_ALREADY);
  ASSERT_TRUE(e.free());
  EXPECT_EQ(p.s.closed, 1);

  ASSERT_TRUE(e.init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(p.s.openedIndex, -1);
  ASSERT_TRUE(e.getDeviceInfo(1, &info));
  EXPECT_TRUE(info.flags & SL_DEVICE_INIT);  // the default one
  ASSERT_TRUE(e.stop());
  EXPECT_EQ(p.s.pauses, 1);
  ASSERT_TRUE(e.start());
  ASSERT_TRUE(e.free());
  EXPECT_FALSE(e.init(4, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_DEVICE);
  EXPECT_FALSE(e.init(-2, 44100, 0, nullptr, nullptr));
  EXPECT_FALSE(e.init(1, 100, 0, nullptr, nullptr));
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_ILLPARAM);
}

TEST(EngineDevices, WithoutADeviceInitFailsAndEveryCallIsRefusedSafely) {
  FakePlatform p;
  Engine e(p);
  EXPECT_FALSE(e.init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_DEVICE);
  EXPECT_FALSE(e.init(1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_DEVICE);
  EXPECT_EQ(p.s.opened, 0);
  SlDeviceInfo info{};
  EXPECT_TRUE(e.getDeviceInfo(0, &info));
  EXPECT_FALSE(e.getDeviceInfo(1, &info));

  const auto wav = mono16({1});
  EXPECT_EQ(e.sampleLoad(1, wav.data(), 0, 46, 1, 0), 0u);
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_INIT);
  EXPECT_EQ(e.streamCreateFile(1, wav.data(), 0, wav.size(), 0), 0u);
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_INIT);
  EXPECT_FALSE(e.channelPlay(1, 0));
  EXPECT_EQ(e.channelIsActive(1), SL_ACTIVE_STOPPED);
  EXPECT_FALSE(e.start());
  EXPECT_FALSE(e.stop());
  EXPECT_FALSE(e.free());
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_INIT);
  EXPECT_FALSE(e.setVolume(0.5f));
  int16_t buf[4];
  EXPECT_EQ(e.renderNoSound(buf, sizeof buf), 0xFFFFFFFFu);

  // A device that will not open is a driver error, and leaves nothing half open.
  p.s.devices = {{"Speakers", "", true}};
  p.s.openFails = true;
  EXPECT_FALSE(e.init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_DRIVER);
  EXPECT_FALSE(e.free());
  p.s.openFails = false;
  EXPECT_TRUE(e.init(1, 44100, 0, nullptr, nullptr));
}

// ---- plug-ins --------------------------------------------------------------------

TEST(EnginePlugins, LoadsChecksAndFreesPlugins) {
  static const SlPluginInfo good{kSoundLibVersion, "good", 0, nullptr};
  static const SlPluginInfo other{kSoundLibVersion, "other", 0, nullptr};
  static const SlPluginInfo old{0x02030000, "old", 0, nullptr};
  FakePlatform p;
  p.s.plugins = {{"good.dll", &good}, {"other.dll", &other}, {"old.dll", &old}};
  Engine e(p);  // plug-ins need no device
  const SlHandle g = e.pluginLoad("good.dll", 0);
  ASSERT_NE(g, 0u);
  EXPECT_EQ(e.pluginLoad("good.dll", 0), 0u);
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_ALREADY);
  EXPECT_EQ(e.pluginLoad("old.dll", 0), 0u);
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_VERSION);
  EXPECT_EQ(e.pluginLoad("none.dll", 0), 0u);
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_FILEOPEN);
  EXPECT_EQ(e.pluginLoad(nullptr, 0), 0u);
  const SlHandle o = e.pluginLoad("other.dll", 0);
  ASSERT_NE(o, 0u);
  EXPECT_EQ(p.s.pluginRefs[(void*)&good], 1);
  EXPECT_EQ(p.s.pluginRefs[(void*)&old], 0);
  EXPECT_TRUE(e.pluginFree(o));
  EXPECT_FALSE(e.pluginFree(o));
  EXPECT_EQ(e.errorGetCode(), SL_ERROR_HANDLE);
  EXPECT_TRUE(e.pluginFree(0));
  EXPECT_EQ(p.s.pluginRefs[(void*)&good], 0);
  EXPECT_EQ(p.s.pluginRefs[(void*)&other], 0);
  EXPECT_TRUE(e.pluginFree(0));
}

// ---- threads ---------------------------------------------------------------------

// An output with a thread of its own, as the wave-out one has.
class ThreadOutput final : public Output {
 public:
  explicit ThreadOutput(Renderer& r)
      : thread_([this, &r] {
          std::vector<int16_t> buf(2 * 64);
          // Gives way after each block, as a device thread waits for its next
          // period: a thread that takes the engine's lock back at once can
          // starve the calling thread on a busy machine.
          while (!quit_.load(std::memory_order_relaxed)) {
            r.render(buf.data(), 64);
            std::this_thread::yield();
          }
        }) {}
  ~ThreadOutput() override {
    quit_.store(1, std::memory_order_relaxed);
    thread_.join();
  }
  bool start() override { return true; }
  void pause() override {}
  void wake() override {}

 private:
  std::atomic<int> quit_{0};
  std::thread thread_;
};

class ThreadPlatform final : public Platform {
 public:
  std::vector<DeviceDesc> listDevices() override { return {{"Threaded", "", true}}; }
  std::unique_ptr<Output> openOutput(int, uint32_t&, const OutputConfig&, Renderer& r, int&) override {
    return std::make_unique<ThreadOutput>(r);
  }
  void* loadPlugin(const void*, bool, const SlPluginInfo*&, int&) override { return nullptr; }
  void freePlugin(void*) override {}
};

TEST(EngineThreads, CallsRaceSafelyWithTheMixingThread) {
  ThreadPlatform p;
  Engine e(p);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(e.init(-1, 8000, 0, nullptr, nullptr));
    const auto wav = mono16(constant(200, 100));
    const SlHandle s =
        e.sampleLoad(1, wav.data(), 0, static_cast<uint32_t>(wav.size()), 8, SL_SAMPLE_OVER_POS);
    ASSERT_NE(s, 0u);
    for (int i = 0; i < 2000; ++i) {
      const SlHandle c = e.sampleGetChannel(s, 0);
      e.channelPlay(c, 0);
      e.channelSlideAttribute(c, SL_ATTRIB_VOL, 0.0f, 5);
      if (i % 3 == 0) e.channelStop(c);
      const SlHandle st = e.streamCreateFile(1, wav.data(), 0, wav.size(), SL_STREAM_AUTOFREE);
      e.channelPlay(st, 0);
    }
    ASSERT_TRUE(e.free());
  }
}

// ---- resting while nothing plays ----------------------------------------------------

// A ring of 10 blocks of 20 ms at 8000 Hz that plays only as the test hands
// blocks back, so the output's thread mixes exactly when the test lets it.
struct RingDevice final : BlockDevice {
  static constexpr size_t kBlocks = 10, kFrames = 160;
  std::mutex m;
  std::condition_variable cv;
  int opens = 1, closes = 0, failOpens = 0;
  size_t checks = 0;  // done() asked
  bool isOpen = true, paused = true, signalled = false, sleeping = false;
  std::deque<size_t> queue;
  std::array<bool, kBlocks> back{};  // handed back done
  std::vector<int16_t> firsts;       // each written block's first sample
  std::vector<int16_t> buffers[kBlocks];

  RingDevice() { std::fill(std::begin(buffers), std::end(buffers), std::vector<int16_t>(kFrames * 2)); }
  size_t blocks() const override { return kBlocks; }
  int16_t* block(size_t i) override { return buffers[i].data(); }
  bool open(bool p) override {
    std::lock_guard l(m);
    if (++opens, failOpens > 0) return --failOpens, false;
    back.fill(false);  // prepared anew: none is marked done, as wave-out's
    return isOpen = true, paused = p, true;
  }
  void close() override {
    std::lock_guard l(m);
    ++closes, isOpen = false, queue.clear();
    cv.notify_all();
  }
  void write(size_t i) override {
    std::lock_guard l(m);
    EXPECT_TRUE(isOpen);
    firsts.push_back(buffers[i][0]), queue.push_back(i), back[i] = false;
    cv.notify_all();
  }
  bool done(size_t i) override {
    std::lock_guard l(m);
    return ++checks, back[i];
  }
  void pause() override { setPaused(true); }
  bool restart() override { return setPaused(false), true; }
  void setPaused(bool p) {
    std::lock_guard l(m);
    EXPECT_TRUE(isOpen);
    paused = p;
  }
  void wait(uint32_t ms) override {
    std::unique_lock l(m);
    sleeping = ms == kForever;
    cv.notify_all();
    cv.wait_for(l, std::chrono::milliseconds(sleeping ? 60000 : ms), [&] { return signalled; });
    signalled = sleeping = false;
  }
  void signal() override {
    std::lock_guard l(m);
    signalled = true;
    cv.notify_all();
  }
};

// Mixes through the engine, and runs `afterRest` once on the output's thread
// just after the engine first lets it rest, before the output acts on it.
struct RingPlatform final : Platform, Renderer {
  RingDevice* device = nullptr;
  Renderer* engine = nullptr;
  std::function<void()> afterRest;

  bool render(int16_t* out, size_t frames) override {
    const bool more = engine->render(out, frames);
    if (!more && afterRest) std::exchange(afterRest, nullptr)();
    return more;
  }
  std::vector<DeviceDesc> listDevices() override { return {{"Ring", "", true}}; }
  std::unique_ptr<Output> openOutput(int, uint32_t&, const OutputConfig&, Renderer& r, int&) override {
    auto d = std::make_unique<RingDevice>();
    device = d.get(), engine = &r;
    return std::make_unique<BlockOutput>(std::move(d), *this, RingDevice::kFrames, 20);
  }
  void* loadPlugin(const void*, bool, const SlPluginInfo*&, int&) override { return nullptr; }
  void freePlugin(void*) override {}
};

// The grace is a second, 50 blocks; the first 10 are mixed before a test plays.
struct EngineRest : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(engine.init(1, 8000, 0, nullptr, nullptr));
    ASSERT_TRUE(until([&] { return dev().firsts.size() == RingDevice::kBlocks; }));
  }
  RingDevice& dev() { return *platform.device; }
  bool until(const std::function<bool()>& done) {
    std::unique_lock l(dev().m);
    return dev().cv.wait_for(l, std::chrono::seconds(10), done);
  }
  // Hands blocks back one at a time, each refilled before the next, until
  // the device is closed or `most` went; how many went.
  size_t playUntilRest(size_t most) {
    size_t n = 0;
    for (std::unique_lock l(dev().m); n < most && dev().isOpen; ++n) {
      const size_t writes = dev().firsts.size();
      dev().back[dev().queue.front()] = dev().signalled = true;
      dev().queue.pop_front();
      dev().cv.notify_all();
      EXPECT_TRUE(dev().cv.wait_for(l, std::chrono::seconds(10),
                                    [&] { return dev().firsts.size() > writes || !dev().isOpen; }));
    }
    return n;
  }
  SlHandle play(const std::vector<int32_t>& values, uint32_t flags = 0) {
    const auto& wav = wavs.emplace_back(mono16(values));
    const SlHandle c =
        engine.sampleGetChannel(engine.sampleLoad(1, wav.data(), 0, uint32_t(wav.size()), 1, flags), 0);
    EXPECT_TRUE(engine.channelPlay(c, 0));
    return c;
  }

  RingPlatform platform;
  Engine engine{platform};
  std::list<std::vector<uint8_t>> wavs;
};

// Anything playing keeps the device open, silence or not; a second after it
// ends the device closes. Blocks handed back until then:
TEST_F(EngineRest, TheDeviceClosesAGraceAfterTheLastSoundAndNotWhileAChannelMoves) {
  SyncLog log;
  const struct {
    const char* what;
    std::function<void(EngineRest&, SlHandle)> more;  // on 2 s of silence (none: nothing plays)
    size_t fewest, most, syncs = 0, stopAfter = 0;
  } rows[] = {
      {"nothing", nullptr, 40, 40},
      {"a 1.5 s slide",
       [&](EngineRest& t, SlHandle c) {
         t.engine.channelSetSync(c, SL_SYNC_SLIDE, 0, &SyncLog::proc, &log);
         t.engine.channelSlideAttribute(c, SL_ATTRIB_VOL, 0.5f, 1500);
       },
       149, 150, 1},
      {"a position sync at 1.5 s",
       [&](EngineRest& t, SlHandle c) {
         t.engine.channelSetSync(c, SL_SYNC_POS, 24000, &SyncLog::proc, &log);
       },
       149, 150, 1},
      {"stopped after 10 blocks", [](auto&, SlHandle) {}, 60, 60, 0, 10},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    log.calls.clear();
    const SlHandle c = row.more ? play(constant(16000, 0)) : 0;
    if (row.more) row.more(*this, c);
    size_t n = row.stopAfter ? playUntilRest(row.stopAfter) : 0;
    if (row.stopAfter) engine.channelStop(c);
    n += playUntilRest(1000);
    EXPECT_GE(n, row.fewest);
    EXPECT_LE(n, row.most);
    EXPECT_EQ(log.calls.size(), row.syncs);
    EXPECT_EQ(dev().closes, 1);
    EXPECT_TRUE(until([&] { return dev().sleeping; })) << "rests in a wait without end";
    EXPECT_LT(dev().checks, 3 * n + 100) << "waits for the device while it plays";
    ASSERT_TRUE(engine.free());
    SetUp();
  }
}

// A play wakes the resting output: the device opens again, unpaused, and
// its first block begins with the sound; stop and start leave the closed
// device alone, start wakes it for a channel that still plays.
TEST_F(EngineRest, APlayOpensTheDeviceAgainAndItsFirstBlockSounds) {
  ASSERT_EQ(playUntilRest(1000), 40u);
  ASSERT_TRUE(engine.stop());
  ASSERT_TRUE(engine.start());
  play(constant(400, 3000));
  ASSERT_TRUE(until([&] { return dev().firsts.size() == 49 + RingDevice::kBlocks; }));
  EXPECT_EQ(dev().opens, 2);
  EXPECT_FALSE(dev().paused);
  EXPECT_EQ(dev().firsts[49], 3000);
  EXPECT_EQ(playUntilRest(1000), 42u);
  const size_t written = dev().firsts.size();
  play(constant(800, 1000), SL_SAMPLE_LOOP);
  ASSERT_TRUE(until([&] { return dev().firsts.size() == written + RingDevice::kBlocks; }));
  ASSERT_TRUE(engine.stop());
  EXPECT_TRUE(dev().paused);
  EXPECT_EQ(playUntilRest(1000), 50u);  // a device that went on asking
  ASSERT_TRUE(engine.start());
  EXPECT_TRUE(until([&] { return dev().isOpen; }));
  EXPECT_TRUE(engine.free());
}

// A play just as the engine lets the output rest keeps the device open.
TEST_F(EngineRest, APlayAsTheOutputGoesToRestKeepsTheDeviceOpen) {
  platform.afterRest = [&] { play(constant(400, 3000)); };
  EXPECT_EQ(playUntilRest(45), 45u);
  EXPECT_EQ(dev().opens, 1);
  EXPECT_EQ(dev().firsts[50], 3000);
}

// A device that will not open again: what plays is mixed unheard at the
// device's pace, so a sound ends and its sync comes; 50 blocks on it is
// tried again, and once it opens the rest of the sound goes to it.
TEST_F(EngineRest, ADeviceThatWillNotOpenAgainIsMixedForAndTriedAgain) {
  ASSERT_EQ(playUntilRest(1000), 40u);
  dev().failOpens = 1;  // the output's thread sleeps until the play
  SyncLog ended;
  const auto began = std::chrono::steady_clock::now();
  engine.channelSetSync(play(constant(4000, 8000)), SL_SYNC_END, 0, &SyncLog::proc, &ended);
  const SlHandle c = play(constant(12000, 100));
  ASSERT_TRUE(until([&] { return dev().firsts.size() == 49 + RingDevice::kBlocks; }));
  EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(900)) << "49 blocks of 20 ms";
  EXPECT_EQ(dev().opens, 3);
  EXPECT_EQ(ended.calls.size(), 1u);
  EXPECT_EQ(dev().firsts[49], 100);
  EXPECT_EQ(engine.channelIsActive(c), SL_ACTIVE_PLAYING);
}

// ---- the capture device ------------------------------------------------------------

class CapturePlatform final : public Platform {
 public:
  explicit CapturePlatform(std::string path) : path_(std::move(path)) {}
  std::vector<DeviceDesc> listDevices() override { return {{"Capture to file", "capture", true}}; }
  std::unique_ptr<Output> openOutput(int, uint32_t& rate, const OutputConfig& config, Renderer& r,
                                     int& error) override {
    return OpenCaptureOutput(std::fopen(path_.c_str(), "wb"), rate, config, r, error);
  }
  void* loadPlugin(const void*, bool, const SlPluginInfo*&, int&) override { return nullptr; }
  void freePlugin(void*) override {}

 private:
  std::string path_;
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// What the device mixes goes to a WAVE file that is whole while it grows,
// each frame once, no faster than real time.
TEST(EngineCapture, WritesTheMixToAWaveFileInRealTime) {
  const std::string path = testing::tempPath("_capture.wav");
  const auto readAll = [&] {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
  };
  CapturePlatform p(path);
  Engine e(p);
  const auto began = std::chrono::steady_clock::now();
  ASSERT_TRUE(e.init(-1, 8000, 0, nullptr, nullptr));
  const auto wav = mono16(constant(800, 3000));
  const SlHandle s = e.sampleLoad(1, wav.data(), 0, static_cast<uint32_t>(wav.size()), 1, 0);
  ASSERT_NE(s, 0u);
  ASSERT_TRUE(e.channelPlay(e.sampleGetChannel(s, 0), 0));
  const auto until = began + std::chrono::seconds(20);
  std::vector<uint8_t> bytes;
  while ((bytes = readAll()).size() < 44 + 8000 * 4 / 2 && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  // Read while it grows: the header already tells what it holds.
  ASSERT_GE(bytes.size(), 44u);
  EXPECT_LE(Le32(bytes, 40), bytes.size() - 44);
  ASSERT_TRUE(e.free());
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

  bytes = readAll();
  ASSERT_GE(bytes.size(), 44u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8);
  // WAVE, a 16-byte fmt: PCM, 2 channels, 8000 Hz, 32000 bytes a second, 4 a frame, 16 bits; data.
  const std::vector<uint8_t> header = {'W', 'A', 'V', 'E', 'f', 'm',  't',  ' ', 16,  0,    0,
                                       0,   1,   0,   2,   0,   0x40, 0x1F, 0,   0,   0x00, 0x7D,
                                       0,   0,   4,   0,   16,  0,    'd',  'a', 't', 'a'};
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 8, bytes.begin() + 40), header);
  EXPECT_EQ(Le32(bytes, 40), bytes.size() - 44);
  const size_t frames = (bytes.size() - 44) / 4;
  EXPECT_GE(frames, 4000u);
  // At most one block ahead of the clock.
  const size_t block = OutputConfig{}.periodMs * 8000 / 1000;
  EXPECT_LE(frames, static_cast<size_t>((elapsed + 0.02) * 8000) + block) << "faster than real time";
  size_t loud = 0, first = 0, last = 0;
  for (size_t i = 0; i < frames; ++i) {
    const int16_t l = static_cast<int16_t>(bytes[44 + 4 * i] | bytes[45 + 4 * i] << 8);
    const int16_t r = static_cast<int16_t>(bytes[46 + 4 * i] | bytes[47 + 4 * i] << 8);
    ASSERT_EQ(l, r) << i;
    if (l == 0) continue;
    ASSERT_EQ(l, 3000) << i;
    if (loud++ == 0) first = i;
    last = i;
  }
  EXPECT_EQ(loud, 800u);
  EXPECT_EQ(last - first, 799u) << "the sample in one piece";
  std::remove(path.c_str());
}

}  // namespace
}  // namespace soundlib
