#pragma once
// PNG test helpers: write and read through the cores on in-memory streams,
// synthetic samples of any colour type and depth, and a chunk lister.

#include <cstring>
#include <string>
#include <vector>

#include "codecs/codec_test_support.h"
#include "codecs/png/png_codec.h"

namespace pictest {

inline uint32_t PngRowBytes(uint32_t width, uint32_t colorType, uint32_t bitDepth) {
  return (width * Pictura::PNGChannels(colorType) * bitDepth + 7) / 8;
}

// Random rows of the given form with zero padding bits; 16-bit samples in
// the little-endian order the writer takes.
inline Bytes PngSamples(uint32_t width, uint32_t height, uint32_t colorType, uint32_t bitDepth, unsigned seed,
                        uint32_t maxIndex = 255) {
  const uint32_t rowBytes = PngRowBytes(width, colorType, bitDepth);
  Bytes img = Noise(static_cast<size_t>(rowBytes) * height, seed);
  const uint32_t bits = width * Pictura::PNGChannels(colorType) * bitDepth;
  if (colorType == 3 && bitDepth == 8)
    for (auto& b : img) b = static_cast<uint8_t>(b % (maxIndex + 1));
  if (bits % 8)
    for (uint32_t y = 0; y < height; ++y)
      img[(y + 1) * static_cast<size_t>(rowBytes) - 1] &= uint8_t(0xFF00 >> (bits % 8));
  return img;
}

struct PngWritten {
  Bytes file;
  uint32_t error = 0;
  uint32_t size = 0;
};

inline PngWritten WritePng(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t colorType,
                           uint32_t bitDepth, uint32_t flags = 0, const RGBQUAD* palette = nullptr,
                           uint32_t paletteCount = 0, double gamma = 0, uint32_t stride = 0,
                           const Pictura::PicResolutionInfo* res = nullptr) {
  Pictura::PNGCodecContext pc;
  Pictura::RoundResolutionPNG(&pc.resolution, res);
  Pictura::PNGWriteSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bitDepth = bitDepth;
  spec.colorType = colorType;
  spec.palette = palette;
  spec.paletteCount = paletteCount;
  spec.gamma = gamma;
  spec.flags = flags;
  MemoryIO out;
  PngWritten w;
  if (!stride) stride = PngRowBytes(width, colorType, bitDepth);
  w.size = Pictura::WritePNGImage(&pc, &out, pixels.data(), stride, spec);
  w.error = pc.error;
  w.file = out.data;
  return w;
}

struct PngRead {
  Bytes pixels;
  uint32_t width = 0, height = 0, error = 0;
  bool block = false;
};

// Calls one of the whole-image cores on the file and copies the block out.
template <class F>
PngRead ReadPngWith(const Bytes& file, F&& core) {
  Pictura::PNGCodecContext pc;
  MemoryIO in(file);
  PngRead r;
  void* block = core(&pc, &in, &r.width, &r.height);
  r.error = pc.error;
  if (block) {
    r.block = true;
    r.pixels.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + GlobalSize(block));
    GlobalFree(block);
  }
  return r;
}

inline PngRead ReadPngImage(const Bytes& file, uint32_t depth, RGBQUAD* palette = nullptr,
                            bool keep16 = false, uint32_t flags = 0) {
  return ReadPngWith(file, [&](Pictura::PNGCodecContext* pc, Pictura::CPicIO* io, uint32_t* w, uint32_t* h) {
    return Pictura::ReadPNGImage(pc, io, w, h, depth, palette, keep16, flags);
  });
}

// The chunk types of a PNG file in order.
inline std::vector<std::string> PngChunks(const Bytes& file) {
  std::vector<std::string> names;
  size_t p = 8;
  while (p + 12 <= file.size()) {
    uint32_t length =
        uint32_t(file[p]) << 24 | uint32_t(file[p + 1]) << 16 | uint32_t(file[p + 2]) << 8 | file[p + 3];
    names.emplace_back(reinterpret_cast<const char*>(&file[p + 4]), 4);
    p += 12 + static_cast<size_t>(length);
  }
  return names;
}

inline bool HasChunk(const Bytes& file, const std::string& name) {
  for (const auto& n : PngChunks(file))
    if (n == name) return true;
  return false;
}

}  // namespace pictest
