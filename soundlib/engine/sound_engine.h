// The library's whole state behind the exported entries: device choice and
// output, samples with their channel slots, streams, plug-ins, syncs, the
// per-thread error code and the mixer. Every public member is one entry with
// the same arguments; none throws, each sets the calling thread's error code.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "soundlib/decode/decoder.h"
#include "soundlib/streams/mix_channel.h"
#include "soundlib/streams/stream_feed.h"
#include "soundlib/output/platform.h"
#include "soundlib/soundlib_api.h"

namespace soundlib {

class Engine final : public Renderer {
 public:
  static constexpr uint32_t kMaxDevices = 64;  // devices listed, "No sound" included
  // How long the output keeps asking for blocks after the last sound ended
  // (at least the device's buffer), so a burst of clicks finds it awake.
  static constexpr uint32_t kIdleGraceMs = 1000;

  explicit Engine(Platform& platform);
  ~Engine() override;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  SlBool init(int32_t device, uint32_t freq, uint32_t flags, void* window, const void* clsid);
  SlBool free();
  SlBool start();
  SlBool stop();
  uint32_t getVersion();
  int32_t errorGetCode();
  SlHandle pluginLoad(const char* file, uint32_t flags);
  SlBool pluginFree(SlHandle plugin);
  SlHandle streamCreateFile(SlBool mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags);
  SlHandle streamCreateUrl(const char* url, uint32_t offset, uint32_t flags, SlDownloadProc proc, void* user);
  SlBool channelPlay(uint32_t handle, SlBool restart);
  SlBool streamFree(SlHandle stream);
  SlBool setVolume(float volume);
  SlHandle sampleGetChannel(SlHandle sample, SlBool onlyNew);
  uint32_t channelIsActive(uint32_t handle);
  SlBool channelSetAttribute(uint32_t handle, uint32_t attrib, float value);
  SlBool channelSlideAttribute(uint32_t handle, uint32_t attrib, float value, uint32_t ms);
  SlBool channelStop(uint32_t handle);
  uint32_t channelFlags(uint32_t handle, uint32_t flags, uint32_t mask);
  SlBool channelIsSliding(uint32_t handle, uint32_t attrib);
  uint64_t channelGetPosition(uint32_t handle, uint32_t mode);
  uint32_t channelGetLevel(uint32_t handle);
  SlHandle channelSetSync(uint32_t handle, uint32_t type, uint64_t param, SlSyncProc proc, void* user);
  SlHandle sampleLoad(SlBool mem, const void* file, uint64_t offset, uint32_t length, uint32_t max,
                      uint32_t flags);
  SlBool setConfig(uint32_t option, uint32_t value);
  SlBool getDeviceInfo(uint32_t device, SlDeviceInfo* info);

  // SoundLib_Render: only on the "No sound" device (0).
  uint32_t renderNoSound(void* buffer, uint32_t bytes);

  // Mixes the next frames (16-bit stereo at the init rate) for the output's
  // thread; silence while stopped. False once nothing has played for the
  // grace: the output may rest until it is woken.
  bool render(int16_t* out, size_t frames) override;

 private:
  struct Sync {
    SlHandle handle;
    uint32_t type;  // with SL_SYNC_ONETIME
    uint64_t param;
    SlSyncProc proc;
    void* user;
  };
  struct Channel {
    std::unique_ptr<MixChannel> mix;
    SlHandle sample = 0;  // owning sample, 0 for a stream
    SlHandle plugin = 0;  // the plug-in whose decoder a stream reads through
    bool autofree = false;
    std::vector<Sync> syncs;
  };
  struct Sample {
    std::shared_ptr<const SampleData> data;
    uint32_t max = 1;
    uint32_t flags = 0;
    std::vector<SlHandle> slots;  // channel handles, at most `max`
  };
  struct Plugin {
    void* module;
    std::vector<DecoderKind> kinds;
  };
  // A stream's decoding thread (streams longer than their ring, with a device).
  struct Worker {
    std::shared_ptr<StreamFeed> feed;
    SlHandle plugin = 0;
    std::shared_ptr<std::atomic<bool>> done;
    std::thread thread;
  };
  struct Callback {
    SlSyncProc proc;
    SlHandle sync, channel;
    uint32_t data;
    void* user;
  };
  using Callbacks = std::vector<Callback>;

  SlHandle newHandle();
  Channel* findChannel(SlHandle h);
  void freeChannel(SlHandle h, Callbacks& out);
  void fireSyncs(SlHandle h, Channel& c, uint32_t type, uint32_t data, Callbacks& out);
  void dispatch(const Callbacks& calls);
  float gainFor(const Channel& c) const;
  std::unique_ptr<Decoder> openDecoder(SlBool mem, const void* file, uint64_t offset, uint64_t length,
                                       uint32_t flags, int& error, SlHandle& plugin);
  void startWorker(std::shared_ptr<StreamFeed> feed, SlHandle plugin);
  // Joins the workers that have finished, or (with `all`) every one, or
  // those of `plugin`. Never under `mutex_`.
  void reapWorkers(bool all, SlHandle plugin = 0);
  void mixLocked(int16_t* out, size_t frames, Callbacks& calls);
  bool anyPlayingLocked() const;
  // Counts `frames` just mixed for the output; true when it may rest now.
  bool idleAfterLocked(size_t frames);
  // Something may sound: the grace begins again and a resting output wakes.
  void wakeLocked();

  Platform& platform_;
  // init, free, start, stop; never taken by the output thread. `output_` is
  // set and cleared under both locks, so either is enough to use it.
  std::mutex lifeMutex_;
  std::mutex mutex_;  // everything below
  bool initialised_ = false;
  bool started_ = false;
  int32_t device_ = 0;
  uint32_t rate_ = 44100;
  std::unique_ptr<Output> output_;
  OutputConfig config_;
  uint64_t quietFrames_ = 0;  // mixed for the output since something last played
  uint64_t graceFrames_ = 0;
  bool idle_ = false;  // render said the output may rest; nothing has woken it since
  float master_ = 1.0f;
  uint32_t gvolSample_ = 10000, gvolStream_ = 10000;
  uint32_t nextHandle_ = 1;
  std::map<SlHandle, Channel> channels_;  // ordered: a fixed mixing order
  std::map<SlHandle, Sample> samples_;
  std::map<SlHandle, Plugin> plugins_;
  std::vector<float> acc_;
  std::vector<DecoderKind> builtinEarly_, builtinLate_;

  std::mutex workersMutex_;  // `workers_`; taken without `mutex_` held
  std::list<Worker> workers_;

  std::mutex deviceMutex_;
  std::array<std::array<char, 96>, kMaxDevices> deviceNames_{};
  std::array<std::array<char, 64>, kMaxDevices> deviceDrivers_{};
};

}  // namespace soundlib
