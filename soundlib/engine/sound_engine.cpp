#include "soundlib/engine/sound_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "soundlib/decode/decoder_kinds.h"
#include "soundlib/decode/plugin_decoder.h"
#include "soundlib/plugin_abi.h"

namespace soundlib {

namespace {

thread_local int32_t t_error = SL_OK;

template <class T>
T fail(int32_t code, T value) {
  t_error = code;
  return value;
}

template <class T>
T ok(T value) {
  t_error = SL_OK;
  return value;
}

// No exception leaves an entry: allocation failures become SL_ERROR_MEM.
template <class T, class F>
T guarded(T failValue, F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return fail(SL_ERROR_MEM, failValue);
  } catch (...) {
    return fail(SL_ERROR_UNKNOWN, failValue);
  }
}

constexpr uint32_t kSyncTypeMask = 0x00FFFFFF;
constexpr uint32_t kErrorDword = 0xFFFFFFFFu;
constexpr uint64_t kErrorQword = ~0ull;

template <size_t N>
void copyText(std::array<char, N>& dst, const std::string& s) {
  const size_t n = std::min(s.size(), N - 1);
  std::memcpy(dst.data(), s.data(), n);
  dst[n] = '\0';
}

}  // namespace

Engine::Engine(Platform& platform) : platform_(platform) {
  BuiltInDecoderKinds(builtinEarly_, builtinLate_);
}

Engine::~Engine() {
  std::unique_ptr<Output> out;
  {
    std::lock_guard lock(mutex_);
    out = std::move(output_);
    started_ = false;
  }
  out.reset();
  {
    std::lock_guard lock(mutex_);
    channels_.clear();
  }
  reapWorkers(true);
  for (auto& [h, p] : plugins_) platform_.freePlugin(p.module);
}

// ---- device and output -----------------------------------------------------

SlBool Engine::init(int32_t device, uint32_t freq, uint32_t, void*, const void*) {
  return guarded<SlBool>(0, [&]() -> SlBool {
    std::lock_guard life(lifeMutex_);
    OutputConfig cfg;
    {
      std::lock_guard lock(mutex_);
      if (initialised_) return fail(SL_ERROR_ALREADY, 0);
      cfg = config_;
    }
    if (freq == 0) freq = 44100;
    if (freq < 8000 || freq > 192000) return fail(SL_ERROR_ILLPARAM, 0);
    std::unique_ptr<Output> out;
    if (device != 0) {
      const std::vector<DeviceDesc> devices = platform_.listDevices();
      const int64_t count = std::min<int64_t>(static_cast<int64_t>(devices.size()), kMaxDevices - 1);
      // -1 is the system's default; with no device at all there is none.
      if (device < -1 || device > count || count == 0) return fail(SL_ERROR_DEVICE, 0);
      int err = SL_ERROR_DRIVER;
      out = platform_.openOutput(device < 0 ? -1 : device - 1, freq, cfg, *this, err);
      if (!out) return fail(err != SL_OK ? err : SL_ERROR_DRIVER, 0);
    }
    {
      std::lock_guard lock(mutex_);
      initialised_ = true;
      started_ = true;
      device_ = device;
      rate_ = freq;
      master_ = 1.0f;
      output_ = std::move(out);
      // Queued blocks are silent by then, so a device that stops cuts nothing.
      const uint64_t graceMs = std::max<uint64_t>(kIdleGraceMs, cfg.bufferMs + 2ull * cfg.periodMs);
      graceFrames_ = freq * graceMs / 1000;
      quietFrames_ = 0;
      idle_ = false;
    }
    if (output_ && !output_->start()) {
      std::unique_ptr<Output> dead;
      {
        std::lock_guard lock(mutex_);
        dead = std::move(output_);
        initialised_ = started_ = false;
        device_ = 0;
      }
      return fail(SL_ERROR_DRIVER, 0);
    }
    return ok(1);
  });
}

SlBool Engine::free() {
  return guarded<SlBool>(0, [&]() -> SlBool {
    std::lock_guard life(lifeMutex_);
    std::unique_ptr<Output> out;
    {
      std::lock_guard lock(mutex_);
      if (!initialised_) return fail(SL_ERROR_INIT, 0);
      out = std::move(output_);
      started_ = false;
    }
    out.reset();  // stops the mixing thread; it needs `mutex_` to finish a block
    {
      std::lock_guard lock(mutex_);
      channels_.clear();
      samples_.clear();
      initialised_ = false;
      device_ = 0;
    }
    reapWorkers(true);
    return ok(1);
  });
}

// The output is driven outside `mutex_`, which its thread takes to mix.
SlBool Engine::start() {
  std::lock_guard life(lifeMutex_);
  {
    std::lock_guard lock(mutex_);
    if (!initialised_) return fail(SL_ERROR_INIT, 0);
  }
  if (output_ && !output_->start()) return fail(SL_ERROR_START, 0);
  std::lock_guard lock(mutex_);
  started_ = true;
  if (anyPlayingLocked()) wakeLocked();  // channels paused by stop() sound again
  return ok(1);
}

SlBool Engine::stop() {
  std::lock_guard life(lifeMutex_);
  {
    std::lock_guard lock(mutex_);
    if (!initialised_) return fail(SL_ERROR_INIT, 0);
    started_ = false;
  }
  if (output_) output_->pause();
  return ok(1);
}

uint32_t Engine::getVersion() {
  return ok(kSoundLibVersion);
}

int32_t Engine::errorGetCode() {
  return t_error;
}

SlBool Engine::setVolume(float volume) {
  if (!std::isfinite(volume) || volume < 0.0f || volume > 1.0f) return fail(SL_ERROR_ILLPARAM, 0);
  std::lock_guard lock(mutex_);
  if (!initialised_) return fail(SL_ERROR_INIT, 0);
  master_ = volume;
  return ok(1);
}

SlBool Engine::setConfig(uint32_t option, uint32_t value) {
  std::lock_guard lock(mutex_);
  switch (option) {
    case SL_CONFIG_BUFFER:
      config_.bufferMs = std::clamp<uint32_t>(value, 20, 2000);
      break;
    case SL_CONFIG_UPDATEPERIOD:
      config_.periodMs = std::clamp<uint32_t>(value, 5, 100);
      break;
    case SL_CONFIG_GVOL_SAMPLE:
      gvolSample_ = std::min<uint32_t>(value, 10000);
      break;
    case SL_CONFIG_GVOL_STREAM:
      gvolStream_ = std::min<uint32_t>(value, 10000);
      break;
    default:
      return fail(SL_ERROR_ILLTYPE, 0);
  }
  return ok(1);
}

SlBool Engine::getDeviceInfo(uint32_t device, SlDeviceInfo* info) {
  return guarded<SlBool>(0, [&]() -> SlBool {
    if (!info) return fail(SL_ERROR_ILLPARAM, 0);
    if (device >= kMaxDevices) return fail(SL_ERROR_DEVICE, 0);
    int32_t current;
    bool init;
    {
      std::lock_guard lock(mutex_);
      current = device_;
      init = initialised_;
    }
    std::string name, driver;
    uint32_t flags = SL_DEVICE_ENABLED;
    if (device == 0) {
      name = "No sound";
      if (init && current == 0) flags |= SL_DEVICE_INIT;
    } else {
      const std::vector<DeviceDesc> devices = platform_.listDevices();
      if (device > devices.size()) return fail(SL_ERROR_DEVICE, 0);
      const DeviceDesc& d = devices[device - 1];
      const bool anyDefault =
          std::any_of(devices.begin(), devices.end(), [](auto& x) { return x.isDefault; });
      const bool isDefault = d.isDefault || (!anyDefault && device == 1);
      // Every device counts as listed, so its name must be long enough to be shown.
      name = d.name;
      if (name.size() < 3) {
        std::string given = name;
        name = "Output device " + std::to_string(device);
        if (!given.empty()) name += " (" + given + ")";
      }
      driver = d.driver;
      if (isDefault) flags |= SL_DEVICE_DEFAULT;
      if (init && (current == static_cast<int32_t>(device) || (current == -1 && isDefault)))
        flags |= SL_DEVICE_INIT;
    }
    std::lock_guard lock(deviceMutex_);
    copyText(deviceNames_[device], name);
    copyText(deviceDrivers_[device], driver);
    info->name = deviceNames_[device].data();
    info->driver = deviceDrivers_[device].data();
    info->flags = flags;
    return ok(1);
  });
}

// ---- plug-ins ----------------------------------------------------------------

SlHandle Engine::pluginLoad(const char* file, uint32_t flags) {
  return guarded<SlHandle>(0, [&]() -> SlHandle {
    if (!file) return fail(SL_ERROR_ILLPARAM, 0u);
    const SlPluginInfo* info = nullptr;
    int err = SL_ERROR_FILEOPEN;
    void* module = platform_.loadPlugin(file, (flags & SL_UNICODE) != 0, info, err);
    if (!module) return fail(err != SL_OK ? err : SL_ERROR_FILEOPEN, 0u);
    if (!info || (info->version >> 16) != kSoundLibInterface) {
      platform_.freePlugin(module);
      return fail(SL_ERROR_VERSION, 0u);
    }
    std::lock_guard lock(mutex_);
    for (auto& [h, p] : plugins_) {
      if (p.module == module) {
        platform_.freePlugin(module);  // drops the extra reference only
        return fail(SL_ERROR_ALREADY, 0u);
      }
    }
    const SlHandle h = newHandle();
    Plugin& p = plugins_[h];
    p.module = module;
    AddPluginKinds(*info, p.kinds);
    return ok(h);
  });
}

// Streams that decode through a plug-in end with it: their channels are
// freed and their workers joined before its module goes.
SlBool Engine::pluginFree(SlHandle plugin) {
  Callbacks calls;
  std::vector<std::pair<SlHandle, void*>> gone;
  const SlBool freed = guarded<SlBool>(0, [&]() -> SlBool {
    std::lock_guard lock(mutex_);
    if (plugin != 0 && !plugins_.count(plugin)) return fail(SL_ERROR_HANDLE, 0);
    for (auto& [h, p] : plugins_)
      if (plugin == 0 || h == plugin) gone.emplace_back(h, p.module);
    std::vector<SlHandle> streams;
    for (auto& [h, c] : channels_)
      if (c.plugin != 0 && (plugin == 0 || c.plugin == plugin)) streams.push_back(h);
    for (SlHandle h : streams) freeChannel(h, calls);
    for (auto& [h, m] : gone) plugins_.erase(h);
    return 1;
  });
  dispatch(calls);
  for (auto& [h, m] : gone) {
    reapWorkers(false, h);
    platform_.freePlugin(m);
  }
  return freed ? ok(freed) : freed;
}

// ---- samples and streams -----------------------------------------------------

std::unique_ptr<Decoder> Engine::openDecoder(SlBool mem, const void* file, uint64_t offset, uint64_t length,
                                             uint32_t flags, int& error, SlHandle& plugin) {
  plugin = 0;
  if (!file) {
    error = SL_ERROR_ILLPARAM;
    return nullptr;
  }
  std::unique_ptr<ByteSource> src;
  if (mem) {
    // Memory has no size of its own: the caller must give one.
    if (length == 0 || offset > UINTPTR_MAX - reinterpret_cast<uintptr_t>(file)) {
      error = SL_ERROR_ILLPARAM;
      return nullptr;
    }
    src = std::make_unique<MemorySource>(static_cast<const uint8_t*>(file) + offset, length);
  } else {
    std::FILE* f = platform_.openFile(file, (flags & SL_UNICODE) != 0);
    if (!f) {
      error = SL_ERROR_FILEOPEN;
      return nullptr;
    }
    src = FileSource::open(f, offset, length, error);
    if (!src) return nullptr;
  }
  // The library's kinds, the plug-ins' (in the order they were loaded),
  // then MPEG audio. Plug-in kinds carry their plug-in's handle.
  std::vector<DecoderKind> kinds = builtinEarly_;
  std::vector<SlHandle> owners(kinds.size(), 0);
  {
    std::lock_guard lock(mutex_);
    for (auto& [h, p] : plugins_) {
      kinds.insert(kinds.end(), p.kinds.begin(), p.kinds.end());
      owners.resize(kinds.size(), h);
    }
  }
  kinds.insert(kinds.end(), builtinLate_.begin(), builtinLate_.end());
  owners.resize(kinds.size(), 0);
  size_t used = 0;
  auto d = OpenDecoder(std::move(src), kinds, error, &used);
  if (d) plugin = owners[used];
  return d;
}

SlHandle Engine::sampleLoad(SlBool mem, const void* file, uint64_t offset, uint32_t length, uint32_t max,
                            uint32_t flags) {
  return guarded<SlHandle>(0, [&]() -> SlHandle {
    if (max == 0 || max > 65535) return fail(SL_ERROR_ILLPARAM, 0u);
    {
      std::lock_guard lock(mutex_);
      if (!initialised_) return fail(SL_ERROR_INIT, 0u);
    }
    int err = SL_OK;
    SlHandle plugin = 0;
    std::unique_ptr<Decoder> decoder = openDecoder(mem, file, offset, length, flags, err, plugin);
    if (!decoder) return fail(err, 0u);
    auto data = std::make_shared<SampleData>();
    if (!DecodeWhole(*decoder, data->values, data->frames, err)) return fail(err, 0u);
    const StreamInfo& info = decoder->info();
    data->format.rate = info.rate;
    data->format.channels = info.channels;
    data->format.bitsPerSample = 16;
    data->format.blockAlign =
        info.bytesPerFrame ? info.bytesPerFrame : static_cast<uint16_t>(2 * info.channels);
    decoder.reset();  // a plug-in's decoder is closed before its plug-in can go
    std::lock_guard lock(mutex_);
    if (!initialised_) return fail(SL_ERROR_INIT, 0u);
    const SlHandle h = newHandle();
    Sample& s = samples_[h];
    s.data = std::move(data);
    s.max = max;
    s.flags = flags;
    return ok(h);
  });
}

SlHandle Engine::sampleGetChannel(SlHandle sample, SlBool onlyNew) {
  Callbacks calls;
  const SlHandle result = guarded<SlHandle>(0, [&]() -> SlHandle {
    std::lock_guard lock(mutex_);
    if (!initialised_) return fail(SL_ERROR_INIT, 0u);
    auto it = samples_.find(sample);
    if (it == samples_.end()) return fail(SL_ERROR_HANDLE, 0u);
    Sample& s = it->second;
    size_t slot = s.slots.size();
    if (s.slots.size() >= s.max) {
      if (onlyNew) return fail(SL_ERROR_NOCHAN, 0u);
      // A channel that has stopped is reused first, then one that plays is taken over.
      slot = SIZE_MAX;
      for (size_t i = 0; i < s.slots.size() && slot == SIZE_MAX; ++i) {
        const Channel* c = findChannel(s.slots[i]);
        if (!c || !c->mix->playing()) slot = i;
      }
      const uint32_t over = s.flags & kSlSampleOverMask;
      if (slot == SIZE_MAX && over == SL_SAMPLE_OVER_POS) {
        uint64_t best = 0;
        for (size_t i = 0; i < s.slots.size(); ++i) {
          const uint64_t pos = findChannel(s.slots[i])->mix->positionFrames();
          if (slot == SIZE_MAX || pos > best) slot = i, best = pos;
        }
      } else if (slot == SIZE_MAX && over == SL_SAMPLE_OVER_VOL) {
        float best = 0;
        for (size_t i = 0; i < s.slots.size(); ++i) {
          const float vol = findChannel(s.slots[i])->mix->attribute(SL_ATTRIB_VOL);
          if (slot == SIZE_MAX || vol < best) slot = i, best = vol;
        }
      }
      if (slot == SIZE_MAX) return fail(SL_ERROR_NOCHAN, 0u);
      // The old handle dies with its channel: a stale copy cannot touch the new sound.
      freeChannel(s.slots[slot], calls);
    }
    Channel c;
    c.mix = std::make_unique<MixChannel>(makeSampleSource(s.data), (s.flags & SL_SAMPLE_LOOP) != 0);
    c.sample = sample;
    const SlHandle h = newHandle();
    channels_.emplace(h, std::move(c));
    if (slot == s.slots.size()) {
      s.slots.push_back(h);
    } else {
      s.slots[slot] = h;
    }
    return h;
  });
  dispatch(calls);
  return result ? ok(result) : result;
}

SlHandle Engine::streamCreateFile(SlBool mem, const void* file, uint64_t offset, uint64_t length,
                                  uint32_t flags) {
  return guarded<SlHandle>(0, [&]() -> SlHandle {
    {
      std::lock_guard lock(mutex_);
      if (!initialised_) return fail(SL_ERROR_INIT, 0u);
    }
    reapWorkers(false);
    int err = SL_OK;
    SlHandle plugin = 0;
    std::unique_ptr<Decoder> decoder = openDecoder(mem, file, offset, length, flags, err, plugin);
    if (!decoder) return fail(err, 0u);
    bool threaded;
    {
      std::lock_guard lock(mutex_);
      threaded = device_ != 0;
    }
    // The first ring is decoded here, off the mixer; a sound that fits needs no worker.
    auto feed = std::make_shared<StreamFeed>(std::move(decoder), threaded);
    const bool whole = feed->prefill();
    Channel c;
    c.mix = std::make_unique<MixChannel>(makeFeedSource(feed), (flags & SL_SAMPLE_LOOP) != 0);
    c.autofree = (flags & SL_STREAM_AUTOFREE) != 0;
    c.plugin = plugin;
    SlHandle h;
    {
      std::lock_guard lock(mutex_);
      if (!initialised_ || (plugin != 0 && !plugins_.count(plugin))) return fail(SL_ERROR_INIT, 0u);
      h = newHandle();
      channels_.emplace(h, std::move(c));
    }
    if (threaded && !whole) startWorker(std::move(feed), plugin);
    return ok(h);
  });
}

SlHandle Engine::streamCreateUrl(const char*, uint32_t, uint32_t, SlDownloadProc, void*) {
  std::lock_guard lock(mutex_);
  if (!initialised_) return fail(SL_ERROR_INIT, 0u);
  return fail(SL_ERROR_NOTAVAIL, 0u);  // no network streams in this library
}

SlBool Engine::streamFree(SlHandle stream) {
  Callbacks calls;
  const SlBool freed = guarded<SlBool>(0, [&]() -> SlBool {
    std::lock_guard lock(mutex_);
    Channel* c = findChannel(stream);
    if (!c || c->sample != 0) return fail(SL_ERROR_HANDLE, 0);
    freeChannel(stream, calls);
    return 1;
  });
  dispatch(calls);
  return freed ? ok(freed) : freed;
}

// ---- channels ----------------------------------------------------------------

SlBool Engine::channelPlay(uint32_t handle, SlBool restart) {
  std::lock_guard lock(mutex_);
  if (!initialised_) return fail(SL_ERROR_INIT, 0);
  Channel* c = findChannel(handle);
  if (!c) return fail(SL_ERROR_HANDLE, 0);
  if (!started_) return fail(SL_ERROR_START, 0);
  c->mix->play(restart != 0);
  wakeLocked();
  return ok(1);
}

SlBool Engine::channelStop(uint32_t handle) {
  Callbacks calls;
  const SlBool stopped = guarded<SlBool>(0, [&]() -> SlBool {
    std::lock_guard lock(mutex_);
    Channel* c = findChannel(handle);
    if (!c) return fail(SL_ERROR_HANDLE, 0);
    c->mix->stop();
    if (c->autofree) freeChannel(handle, calls);
    return 1;
  });
  dispatch(calls);
  return stopped ? ok(stopped) : stopped;
}

uint32_t Engine::channelIsActive(uint32_t handle) {
  std::lock_guard lock(mutex_);
  const Channel* c = findChannel(handle);
  if (!c) return fail(SL_ERROR_HANDLE, SL_ACTIVE_STOPPED);
  if (!c->mix->playing()) return ok(SL_ACTIVE_STOPPED);
  return ok(started_ ? SL_ACTIVE_PLAYING : SL_ACTIVE_PAUSED);
}

SlBool Engine::channelSetAttribute(uint32_t handle, uint32_t attrib, float value) {
  if (!std::isfinite(value)) return fail(SL_ERROR_ILLPARAM, 0);
  std::lock_guard lock(mutex_);
  Channel* c = findChannel(handle);
  if (!c) return fail(SL_ERROR_HANDLE, 0);
  if (!c->mix->setAttribute(attrib, value)) return fail(SL_ERROR_ILLTYPE, 0);
  return ok(1);
}

SlBool Engine::channelSlideAttribute(uint32_t handle, uint32_t attrib, float value, uint32_t ms) {
  if (!std::isfinite(value)) return fail(SL_ERROR_ILLPARAM, 0);
  std::lock_guard lock(mutex_);
  Channel* c = findChannel(handle);
  if (!c) return fail(SL_ERROR_HANDLE, 0);
  if (!c->mix->slideAttribute(attrib, value, ms, rate_)) return fail(SL_ERROR_ILLTYPE, 0);
  return ok(1);
}

SlBool Engine::channelIsSliding(uint32_t handle, uint32_t attrib) {
  std::lock_guard lock(mutex_);
  const Channel* c = findChannel(handle);
  if (!c) return fail(SL_ERROR_HANDLE, 0);
  if (attrib > SL_ATTRIB_PAN) return fail(SL_ERROR_ILLTYPE, 0);
  return ok(c->mix->isSliding(attrib) ? 1 : 0);
}

uint32_t Engine::channelFlags(uint32_t handle, uint32_t flags, uint32_t mask) {
  std::lock_guard lock(mutex_);
  Channel* c = findChannel(handle);
  if (!c) return fail(SL_ERROR_HANDLE, kErrorDword);
  const uint32_t allowed = SL_SAMPLE_LOOP | (c->sample == 0 ? SL_STREAM_AUTOFREE : 0u);
  const uint32_t current = (c->mix->loop() ? SL_SAMPLE_LOOP : 0u) | (c->autofree ? SL_STREAM_AUTOFREE : 0u);
  mask &= allowed;
  const uint32_t now = (current & ~mask) | (flags & mask);
  c->mix->setLoop((now & SL_SAMPLE_LOOP) != 0);
  c->autofree = (now & SL_STREAM_AUTOFREE) != 0;
  return ok(now);
}

uint64_t Engine::channelGetPosition(uint32_t handle, uint32_t mode) {
  std::lock_guard lock(mutex_);
  const Channel* c = findChannel(handle);
  if (!c) return fail(SL_ERROR_HANDLE, kErrorQword);
  if (mode != SL_POS_BYTE) return fail(SL_ERROR_NOTAVAIL, kErrorQword);
  return ok(c->mix->positionFrames() * c->mix->format().blockAlign);
}

uint32_t Engine::channelGetLevel(uint32_t handle) {
  std::lock_guard lock(mutex_);
  const Channel* c = findChannel(handle);
  if (!c) return fail(SL_ERROR_HANDLE, kErrorDword);
  if (!c->mix->playing() || !started_) return ok(0u);
  return ok(static_cast<uint32_t>(c->mix->levelRight()) << 16 | c->mix->levelLeft());
}

SlHandle Engine::channelSetSync(uint32_t handle, uint32_t type, uint64_t param, SlSyncProc proc, void* user) {
  return guarded<SlHandle>(0, [&]() -> SlHandle {
    if (!proc) return fail(SL_ERROR_ILLPARAM, 0u);
    const uint32_t base = type & kSyncTypeMask;
    if (base != SL_SYNC_POS && base != SL_SYNC_END && base != SL_SYNC_SLIDE && base != SL_SYNC_FREE)
      return fail(SL_ERROR_ILLTYPE, 0u);
    std::lock_guard lock(mutex_);
    Channel* c = findChannel(handle);
    if (!c) return fail(SL_ERROR_HANDLE, 0u);
    const SlHandle h = newHandle();
    c->syncs.push_back(Sync{h, type, param, proc, user});
    return ok(h);
  });
}

// ---- mixing ------------------------------------------------------------------

uint32_t Engine::renderNoSound(void* buffer, uint32_t bytes) {
  if (!buffer) return fail(SL_ERROR_ILLPARAM, kErrorDword);
  Callbacks calls;
  const size_t frames = bytes / 4;
  const uint32_t done = guarded<uint32_t>(kErrorDword, [&]() -> uint32_t {
    std::vector<int16_t> out(frames * 2);
    std::lock_guard lock(mutex_);
    if (!initialised_ || device_ != 0) return fail(SL_ERROR_NOTAVAIL, kErrorDword);
    mixLocked(out.data(), frames, calls);
    std::memcpy(buffer, out.data(), frames * 4);
    return static_cast<uint32_t>(frames * 4);
  });
  dispatch(calls);
  return done != kErrorDword ? ok(done) : done;
}

bool Engine::render(int16_t* out, size_t frames) {
  Callbacks calls;
  bool idle = false;
  try {
    std::lock_guard lock(mutex_);
    mixLocked(out, frames, calls);
    idle = idleAfterLocked(frames);
  } catch (...) {
    // Out of memory on the mixing thread: this block stays silent.
    std::fill(out, out + frames * 2, int16_t{0});
  }
  dispatch(calls);
  return !idle;
}

// Only a playing channel moves: its position, slides and syncs. One that
// plays silence keeps the output awake as one that sounds.
bool Engine::anyPlayingLocked() const {
  return std::any_of(channels_.begin(), channels_.end(),
                     [](const auto& hc) { return hc.second.mix->playing(); });
}

bool Engine::idleAfterLocked(size_t frames) {
  if (started_ && anyPlayingLocked()) {
    quietFrames_ = 0;
    return false;
  }
  quietFrames_ += frames;
  if (quietFrames_ < graceFrames_) return false;
  idle_ = true;
  return true;
}

void Engine::wakeLocked() {
  quietFrames_ = 0;
  if (!idle_) return;
  idle_ = false;
  if (output_) output_->wake();
}

float Engine::gainFor(const Channel& c) const {
  return static_cast<float>(c.sample ? gvolSample_ : gvolStream_) / 10000.0f;
}

void Engine::mixLocked(int16_t* out, size_t frames, Callbacks& calls) {
  acc_.assign(frames * 2, 0.0f);
  if (initialised_ && started_) {
    std::vector<SlHandle> toFree;
    for (auto& [h, c] : channels_) {
      if (!c.mix->playing()) continue;
      const float gain = gainFor(c);
      const uint64_t align = c.mix->format().blockAlign;
      const uint64_t before = c.mix->positionFrames() * align;
      const MixEvents ev = c.mix->mix(acc_.data(), frames, rate_, gain);
      const uint64_t after = c.mix->positionFrames() * align;
      for (size_t i = 0; i < c.syncs.size();) {
        const Sync s = c.syncs[i];
        const uint32_t base = s.type & kSyncTypeMask;
        bool hit = false;
        uint32_t data = 0;
        if (base == SL_SYNC_POS) {
          hit = after >= before ? (s.param >= before && s.param < after)
                                : (s.param >= before || s.param < after);
        } else if (base == SL_SYNC_END) {
          hit = ev.ended;
        } else if (base == SL_SYNC_SLIDE && ev.slidesDone) {
          hit = true;
          data = static_cast<uint32_t>(std::countr_zero(ev.slidesDone));
        }
        if (hit) calls.push_back(Callback{s.proc, s.handle, h, data, s.user});
        if (hit && (s.type & SL_SYNC_ONETIME)) {
          c.syncs.erase(c.syncs.begin() + static_cast<ptrdiff_t>(i));
        } else {
          ++i;
        }
      }
      if ((ev.ended || ev.faded) && c.autofree) toFree.push_back(h);
    }
    for (SlHandle h : toFree) freeChannel(h, calls);
  }
  // lrint, not nearbyint: the same rounding, but mingw's nearbyint sets and
  // restores the x87 control word per sample, most of the mixing thread's time.
  for (size_t i = 0; i < frames * 2; ++i)
    out[i] = static_cast<int16_t>(std::lrint(std::clamp(acc_[i] * master_, -32768.0f, 32767.0f)));
}

// ---- stream workers ------------------------------------------------------------

void Engine::startWorker(std::shared_ptr<StreamFeed> feed, SlHandle plugin) {
  std::lock_guard lock(workersMutex_);
  Worker& w = workers_.emplace_back();
  w.feed = std::move(feed);
  w.plugin = plugin;
  w.done = std::make_shared<std::atomic<bool>>(false);
  w.thread = std::thread([f = w.feed, done = w.done] {
    f->run();
    done->store(true, std::memory_order_release);
  });
}

void Engine::reapWorkers(bool all, SlHandle plugin) {
  std::list<Worker> finished;
  {
    std::lock_guard lock(workersMutex_);
    for (auto it = workers_.begin(); it != workers_.end();) {
      const bool take = all || (plugin != 0 && it->plugin == plugin) ||
                        (plugin == 0 && it->done->load(std::memory_order_acquire));
      auto next = std::next(it);
      if (take) finished.splice(finished.end(), workers_, it);
      it = next;
    }
  }
  for (Worker& w : finished) {
    w.feed->close();
    w.thread.join();
  }
}

// ---- handles -------------------------------------------------------------------

SlHandle Engine::newHandle() {
  for (;;) {
    const SlHandle h = nextHandle_++;
    if (h == 0 || h == kErrorDword) continue;
    if (channels_.count(h) || samples_.count(h) || plugins_.count(h)) continue;
    return h;
  }
}

Engine::Channel* Engine::findChannel(SlHandle h) {
  auto it = channels_.find(h);
  return it == channels_.end() ? nullptr : &it->second;
}

void Engine::fireSyncs(SlHandle h, Channel& c, uint32_t type, uint32_t data, Callbacks& out) {
  for (const Sync& s : c.syncs)
    if ((s.type & kSyncTypeMask) == type) out.push_back(Callback{s.proc, s.handle, h, data, s.user});
}

void Engine::freeChannel(SlHandle h, Callbacks& out) {
  auto it = channels_.find(h);
  if (it == channels_.end()) return;
  fireSyncs(h, it->second, SL_SYNC_FREE, 0, out);
  channels_.erase(it);
}

void Engine::dispatch(const Callbacks& calls) {
  // Outside the lock: a callback may call entries again.
  const int32_t saved = t_error;
  for (const Callback& c : calls) c.proc(c.sync, c.channel, c.data, c.user);
  t_error = saved;
}

}  // namespace soundlib
