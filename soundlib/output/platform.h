// What the engine needs of the system: output devices, files and plug-in
// modules. The Windows DLL implements it over wave-out and LoadLibrary; tests
// use fakes, so the engine itself stays portable.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct SlPluginInfo;

namespace soundlib {

struct DeviceDesc {
  std::string name;
  std::string driver;
  bool isDefault = false;
};

struct OutputConfig {
  uint32_t bufferMs = 200;
  // Each block costs a write and a wake on the device's side and ours; the
  // buffer, not the block, sets how soon a new sound is heard.
  uint32_t periodMs = 50;
};

// Pulls mixed 16-bit stereo frames from the engine.
class Renderer {
 public:
  virtual ~Renderer() = default;
  // Fills `out`. Returns false once nothing has sounded for a while (longer
  // than the device's buffer): this block and every later one is silence
  // until Output::wake(), so the output may stop asking and let the device
  // rest. Asking anyway is harmless.
  virtual bool render(int16_t* out, size_t frames) = 0;
};

// An opened output device. Created paused; destroying it stops and closes it
// (and joins any thread it runs) — never while holding the engine's lock.
class Output {
 public:
  virtual ~Output() = default;
  virtual bool start() = 0;
  virtual void pause() = 0;
  // Something sounds again after render returned false: ask for blocks at
  // once. Called with the engine's lock held, from any thread, also before
  // the output has seen that false; it must not block nor call the engine.
  virtual void wake() = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;
  // The system's output devices in their own order.
  virtual std::vector<DeviceDesc> listDevices() = 0;
  // Opens system device `index` (-1: the system's default) for 16-bit stereo.
  // `rate` may be changed to what the device accepted. nullptr + `error` on failure.
  virtual std::unique_ptr<Output> openOutput(int index, uint32_t& rate, const OutputConfig& config,
                                             Renderer& renderer, int& error) = 0;
  // Opens a file for reading; `wide` means a UTF-16 path. nullptr when it fails.
  virtual std::FILE* openFile(const void* path, bool wide);
  // Loads a plug-in module and returns its description; nullptr + `error` on failure.
  virtual void* loadPlugin(const void* path, bool wide, const SlPluginInfo*& info, int& error) = 0;
  virtual void freePlugin(void* module) = 0;
};

// No devices and no plug-ins: only the "No sound" device, for benchmarks,
// fuzzing and tools that render into memory.
class HeadlessPlatform final : public Platform {
 public:
  std::vector<DeviceDesc> listDevices() override { return {}; }
  std::unique_ptr<Output> openOutput(int, uint32_t&, const OutputConfig&, Renderer&, int& error) override;
  void* loadPlugin(const void*, bool, const SlPluginInfo*&, int& error) override;
  void freePlugin(void*) override {}
};

}  // namespace soundlib
