// The GIF animation player on bytes chosen by the fuzzer: frames anywhere
// on (or off) the screen, any disposal, transparency and loop count. The
// first byte picks the play-once flag and how many frames are drawn; the
// canvas handed in is exactly the screen's size, so any write past it shows.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictura.h"

namespace {
constexpr uint64_t kMaxPixels = 1u << 18;

uint32_t Word(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 14) return 0;
  const uint8_t mode = data[0];
  // Small screens only: the canvas is the screen's size.
  if (uint64_t{Word(data + 7)} * Word(data + 9) > kMaxPixels) return 0;
  HPICSRC src = pic_OpenMemorySource(data + 1, static_cast<DWORD>(size - 1));
  if (!src) return 0;
  DWORD w = 0, h = 0;
  HPICGIFANIMATION a = pic_InitRenderAnimatedGIF(src, &w, &h, 0);
  if (a) {
    std::vector<uint8_t> canvas(uint64_t{w} * h * 4);
    DWORD delay = 0;
    const int frames = 1 + (mode & 0x3F);
    for (int i = 0; i < frames && pic_AnimatedGIFGetNextFrame(a, canvas.data(), &delay, mode >> 7); ++i) {
    }
    pic_DestroyAnimatedGIF(a);
  }
  pic_CloseSource(src);
  return 0;
}
