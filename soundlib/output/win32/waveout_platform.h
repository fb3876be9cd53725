// The Windows side of the library: wave-out devices and output with a mixing
// thread, files by ANSI or wide name, plug-ins through LoadLibrary. For
// tests, SOUNDLIB_CAPTURE in the environment names a file: then the only
// device is one that writes what it mixes there (output/capture_output.h).
#pragma once

#include <string>

#include "soundlib/output/platform.h"

namespace soundlib {

class WaveOutPlatform final : public Platform {
 public:
  WaveOutPlatform();
  std::vector<DeviceDesc> listDevices() override;
  std::unique_ptr<Output> openOutput(int index, uint32_t& rate, const OutputConfig& config,
                                     Renderer& renderer, int& error) override;
  std::FILE* openFile(const void* path, bool wide) override;
  void* loadPlugin(const void* path, bool wide, const SlPluginInfo*& info, int& error) override;
  void freePlugin(void* module) override;

 private:
  std::wstring capture_;  // the capture file, empty for the system's devices
};

}  // namespace soundlib
