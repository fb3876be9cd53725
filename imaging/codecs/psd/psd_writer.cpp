// PSD writer: one raw composite image (indexed, RGB or RGBA; 8 or 16 bits a
// channel) with the thread's image resources, no layers.
#include <cstring>
#include <vector>

#include "codecs/codec_support.h"
#include "codecs/psd/psd_codec.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

void PutBE16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8), p[1] = static_cast<uint8_t>(v);
}
void PutBE32(uint8_t* p, uint32_t v) {
  PutBE16(p, v >> 16), PutBE16(p + 2, v);
}

}  // namespace

uint32_t WritePSDImage(PSDCodecContext* ctx, CPicIO& io, const uint8_t* image, uint32_t width,
                       uint32_t height, uint32_t channels, uint32_t sixteen, uint32_t stride,
                       const RGBQUAD* palette, uint32_t flags) {
  uint32_t* err = &ctx->error;
  const uint32_t sampleBytes = sixteen ? 2 : 1;
  if (!image || width == 0 || height == 0 || width > 300000 || height > 300000 ||
      (channels == 1 && (!palette || sixteen)) || (channels != 1 && channels != 3 && channels != 4) ||
      uint64_t{stride} < uint64_t{width} * channels * sampleBytes)
    return PicFail<uint32_t>(err, kPicErrBadArgument);
  uint8_t header[26] = {'8', 'B', 'P', 'S'};
  PutBE16(header + 4, 1);
  PutBE16(header + 12, channels);
  PutBE32(header + 14, height);
  PutBE32(header + 18, width);
  PutBE16(header + 22, sixteen ? 16 : 8);
  PutBE16(header + 24, channels == 1 ? kPsdIndexed : kPsdRGB);
  uint8_t length[4];
  bool ok = io.Write(header, 26);
  if (channels == 1) {
    uint8_t table[4 + 768];
    PutBE32(table, 768);
    for (int i = 0; i < 256; ++i)
      table[4 + i] = palette[i].rgbRed, table[260 + i] = palette[i].rgbGreen,
                table[516 + i] = palette[i].rgbBlue;
    ok = ok && io.Write(table, sizeof table);
  } else {
    PutBE32(length, 0);
    ok = ok && io.Write(length, 4);
  }
  const PicArray<unsigned char>& resources = GetImgThreadContext()->tiffWrite.photoshopResources;
  PutBE32(length, resources.Count());
  ok = ok && io.Write(length, 4) && (resources.Empty() || io.Write(resources.Data(), resources.Count()));
  uint8_t layersAndCompression[6] = {};
  ok = ok && io.Write(layersAndCompression, 6);
  if (!ok) return PicFail<uint32_t>(err, kPicErrFileWrite);

  std::vector<uint8_t> row;
  try {
    row.resize(size_t{width} * sampleBytes);
  } catch (...) {
    return PicFail<uint32_t>(err, kPicErrNoMemory);
  }
  const bool bgr = (flags & kPsdBGR) && channels >= 3;
  const bool bottomUp = (flags & kPsdBottomUp) != 0;
  for (uint32_t c = 0; c < channels; ++c) {
    const uint32_t from = bgr && c < 3 ? 2 - c : c;
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* src = image + size_t{bottomUp ? height - 1 - y : y} * stride;
      if (sixteen) {
        const auto* s = reinterpret_cast<const uint16_t*>(src);
        for (uint32_t x = 0; x < width; ++x) {
          uint16_t v;
          std::memcpy(&v, s + size_t{x} * channels + from, 2);
          PutBE16(&row[2 * size_t{x}], v);  // PSD samples are big-endian
        }
      } else {
        for (uint32_t x = 0; x < width; ++x) row[x] = src[size_t{x} * channels + from];
      }
      if (!io.Write(row.data(), static_cast<uint32_t>(row.size())))
        return PicFail<uint32_t>(err, kPicErrFileWrite);
    }
  }
  if (!PicProgress(height, height)) return PicFail<uint32_t>(err, kPicErrCancelled);
  uint32_t size = 0;
  if (!io.GetSize(&size)) return PicFail<uint32_t>(err, kPicErrFileWrite);
  return size;
}

}  // namespace Pictura

namespace Pictura {

int ReplacePSDResources(PSDCodecContext* ctx, CPicIO& src, CPicIO& dest) {
  uint32_t* err = &ctx->error;
  uint8_t header[26];
  if (!src.ReadExact(header, 26)) return PicFail<int>(err, kPicErrFileRead);
  if (std::memcmp(header, "8BPS", 4) != 0 || header[4] != 0 || header[5] != 1)
    return PicFail<int>(err, kPicErrBadPSD);
  if (!dest.Write(header, 26)) return PicFail<int>(err, kPicErrFileWrite);
  // A section: its u32 length, then that many bytes, copied or skipped.
  auto section = [&](CPicIO* to) -> bool {
    uint8_t b[4];
    if (!src.ReadExact(b, 4)) return PicFail<bool>(err, kPicErrFileRead);
    const uint32_t length = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    if (to && !to->Write(b, 4)) return PicFail<bool>(err, kPicErrFileWrite);
    CPicIO_Null null;
    null.OpenWrite(0);
    const uint32_t code = (to ? *to : static_cast<CPicIO&>(null)).CopyFrom(src, length);
    if (code) return PicFail<bool>(err, code);
    return true;
  };
  if (!section(&dest) || !section(nullptr)) return 0;
  const PicArray<unsigned char>& resources = GetImgThreadContext()->tiffWrite.photoshopResources;
  uint8_t length[4];
  PutBE32(length, resources.Count());
  if (!dest.Write(length, 4) || (!resources.Empty() && !dest.Write(resources.Data(), resources.Count())))
    return PicFail<int>(err, kPicErrFileWrite);
  if (const uint32_t code = dest.CopyFrom(src, UINT32_MAX)) return PicFail<int>(err, code);
  return 1;
}

}  // namespace Pictura
