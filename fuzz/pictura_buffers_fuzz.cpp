// Buffer utilities on sizes and pixels chosen by the fuzzer: every entry must
// either refuse its arguments or stay inside buffers sized the way callers
// size them (stride x height, and the destinations the entries document).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/packing.h"
#include "fuzz_reader.h"
#include "pictura.h"

namespace {

using Reader = FuzzReader;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  const uint32_t op = in.Take(8);
  const uint32_t width = in.Take(300), height = in.Take(64);
  const uint32_t bits = in.Take(9), pad = in.Take(8), extra = in.Take(0);
  std::vector<uint8_t> pixels(in.p, in.p + in.n);
  const uint32_t bytesPerPixel = 1 + bits % 4;
  const uint32_t stride = width * 4 + pad;
  pixels.resize(size_t{stride} * height + 4);
  std::vector<uint8_t> out(size_t{stride} * (height + 1) + 64);
  RGBQUAD palette[256] = {};
  for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(i * 3), BYTE(i * 7), 0};
  RECT r{LONG(extra & 0xFF), LONG((extra >> 8) & 0x3F), LONG(width), LONG(height)};
  switch (op) {
    case 0:  // the stream must hold width x height values of bits each
      if (uint64_t{width} * height * (bits ? bits : 1) / 8 + 1 <= pixels.size() &&
          uint64_t{width} * height <= out.size())
        pic_UnpackBufferTo8Bit(pixels.data(), width, height, bits, out.data());
      break;
    case 1:
      pic_Pack8BitBuffer(pixels.data(), width, height, stride, out.data(), bits, extra & 1, stride);
      break;
    case 2:
      pic_CropImage(pixels.data(), width, height, stride, out.data(), stride, &r, bytesPerPixel);
      break;
    case 3:
      pic_Crop1Bit(pixels.data(), width * 8, height, stride, out.data(), stride, &r);
      break;
    case 4:
      pic_FlipHorizontal1Bit(pixels.data(), width * 8 + (pad & 7), height, stride);
      break;
    case 5: {
      RECT border;
      const uint32_t depths[4] = {1, 8, 24, 32};
      pic_GetBorder(pixels.data(), width, height, depths[bits % 4], stride, palette, extra & 0xFF, extra >> 8,
                    &border, extra & 3);
      break;
    }
    case 6: {
      const uint32_t masks[3] = {extra, extra >> 3, extra << 2};
      const uint32_t depths[6] = {1, 4, 8, 16, 24, 32};
      if (width * 4 <= pixels.size() && width * 4 <= out.size())
        Pictura::DIBRowToRGB(nullptr, pixels.data(), out.data(), width, depths[bits % 6], palette,
                             (extra & 1) ? masks : nullptr, extra & 2, 0x80, extra & 4);
      break;
    }
    default:
      pic_HorizontalFlipImage(pixels.data(), width, height, bytesPerPixel, stride, 0);
      I40_ShiftImageSubPixel(pixels.data(), width, height, bytesPerPixel, stride, out.data(), stride,
                             (static_cast<int>(extra & 0xFF) - 128) / 127.0, extra, pad & 3);
      break;
  }
  return 0;
}
