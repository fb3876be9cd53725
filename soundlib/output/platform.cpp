#include "soundlib/output/platform.h"

#include "soundlib/soundlib_api.h"

namespace soundlib {

std::FILE* Platform::openFile(const void* path, bool wide) {
  if (wide) return nullptr;
  return std::fopen(static_cast<const char*>(path), "rb");
}

std::unique_ptr<Output> HeadlessPlatform::openOutput(int, uint32_t&, const OutputConfig&, Renderer&,
                                                     int& error) {
  error = SL_ERROR_DEVICE;
  return nullptr;
}

void* HeadlessPlatform::loadPlugin(const void*, bool, const SlPluginInfo*&, int& error) {
  error = SL_ERROR_NOTAVAIL;
  return nullptr;
}

}  // namespace soundlib
