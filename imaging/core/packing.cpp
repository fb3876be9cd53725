#include "core/packing.h"

#include <cstring>

#include "core/allocators.h"
#include "core/library_globals.h"
#include "core/operation.h"
#include "core/pixel_formats.h"
#include "core/pictura_buffers.h"
#include "core/row_simd.h"

namespace Pictura {

namespace {
int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

// Bit accumulator of the continuous packer.
struct BitWriter {
  uint8_t* out;
  uint32_t acc = 0;
  uint32_t count = 0;
  void Put(uint32_t value, uint32_t bits) {
    acc = (acc << bits) | value;
    count += bits;
    if (count == 8) {
      *out++ = static_cast<uint8_t>(acc);
      acc = count = 0;
    } else if (count > 8) {
      count -= 8;
      *out++ = static_cast<uint8_t>(acc >> count);
      acc &= (1u << count) - 1;
    }
  }
  void Flush() {
    if (count) *out++ = static_cast<uint8_t>((acc << (8 - count)) & 255);
    acc = count = 0;
  }
};
}  // namespace

BitMaskTable::BitMaskTable() {
  for (int i = 0; i < 8; ++i) {
    lowMasks[i] = static_cast<uint8_t>(255u >> i);
    highMasks[i] = static_cast<uint8_t>((255u << i) & 255);
    leftMasks[i] = static_cast<uint8_t>(255u >> (7 - i));
  }
}

int PackBitsCore(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t rows, uint32_t srcStride,
                 uint8_t* dst, uint32_t bits) {
  if (!src || !dst || bits < 1 || bits > 8) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  const uint32_t mask = (1u << bits) - 1;
  BitWriter w{dst};
  for (uint32_t y = 0; y < rows; ++y) {
    const uint8_t* row = src + static_cast<size_t>(uint64_t{y} * srcStride);
    uint32_t x = 0;
    if (bits == 1 && w.count == 0) {
      // Whole bytes of eight pixels while nothing is pending.
      for (; x + 8 <= width; x += 8) {
        const uint8_t* p = row + x;
        *w.out++ =
            static_cast<uint8_t>((p[0] & 1) << 7 | (p[1] & 1) << 6 | (p[2] & 1) << 5 | (p[3] & 1) << 4 |
                                 (p[4] & 1) << 3 | (p[5] & 1) << 2 | (p[6] & 1) << 1 | (p[7] & 1));
      }
    }
    for (; x < width; ++x) w.Put(row[x] & mask, bits);
    if (!PicProgress(y, rows)) {
      return Fail(error, kPicErrCancelled);
    }
  }
  w.Flush();
  return 1;
}

int Pack8BitBuffer(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t srcStride,
                   uint8_t* dst, uint32_t bits, uint32_t rowByRow, uint32_t dstStride) {
  if (!src || !dst || bits < 1 || bits > 8) return Fail(error, kPicErrBadArgument);
  if (!rowByRow) return PackBitsCore(error, src, width, height, srcStride, dst, bits);
  // A packed row must fit its destination stride.
  if (height > 0 && dstStride < (uint64_t{width} * bits + 7) / 8) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  for (uint32_t y = 0; y < height; ++y)
    if (!PackBitsCore(error, src + static_cast<size_t>(uint64_t{y} * srcStride), width, 1, 0,
                      dst + static_cast<size_t>(uint64_t{y} * dstStride), bits))
      return 0;
  return 1;
}

int UnpackBufferTo8Bit(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t height, uint32_t bits,
                       uint8_t* dst) {
  if (!src || !dst || bits < 1 || bits > 8) return Fail(error, kPicErrBadArgument);
  PicNestingScope depth;
  const uint64_t total = uint64_t{width} * height;
  if (bits == 8) {
    std::memcpy(dst, src, static_cast<size_t>(total));
    return 1;
  }
  if (bits == 1) {
    const PicStaticTables& t = StaticTables();
    uint64_t whole = total / 8;
    for (uint64_t i = 0; i < whole; ++i) std::memcpy(dst + 8 * i, t.bitExpand[0][src[i]], 8);
    for (uint64_t i = whole * 8; i < total; ++i) dst[i] = t.bitExpand[0][src[whole]][i - whole * 8];
    return 1;
  }
  const uint32_t mask = (1u << bits) - 1;
  uint64_t bit = 0;
  for (uint64_t i = 0; i < total; ++i, bit += bits) {
    // A value may span two bytes; read the second only when it does.
    uint64_t byte = bit >> 3;
    uint32_t offset = static_cast<uint32_t>(bit & 7);
    uint32_t word = static_cast<uint32_t>(src[byte]) << 8;
    if (offset + bits > 8) word |= src[byte + 1];
    dst[i] = static_cast<uint8_t>((word >> (16 - offset - bits)) & mask);
  }
  return 1;
}

void UnpackRowTo8Bit(const uint8_t* src, uint8_t* dst, uint32_t count, uint32_t bits) {
  if (!src || !dst) return;
  if (bits == 1) {
    for (uint32_t x = 0; x < count; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
  } else if (bits == 4) {
    for (uint32_t x = 0; x < count; ++x) dst[x] = (x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4);
  } else if (bits == 8) {
    std::memcpy(dst, src, count);
  }
}

void Unpack2BitRowTo4Bit(const uint8_t* src, uint8_t* dst, uint32_t bits, uint32_t count) {
  if (!src || !dst) return;
  if (bits == 2) {
    for (uint32_t x = 0; x < count; ++x) {
      uint8_t v = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
      if (x & 1)
        dst[x >> 1] |= v;
      else
        dst[x >> 1] = static_cast<uint8_t>(v << 4);
    }
  } else if (bits == 4) {
    std::memcpy(dst, src, (uint64_t{count} + 1) / 2);  // the row's own bytes only
  }
}

int Unpack1BitToRGBRows(uint32_t* error, const uint8_t* src, uint32_t width, uint32_t rows,
                        uint32_t srcStride, const RGBQUAD* palette, uint8_t* dst, uint32_t dstStride) {
  if (!src || !dst || !palette) return Fail(error, kPicErrBadArgument);
  PicArray<uint8_t> scratch;
  if (width && !scratch.Resize(width)) return Fail(error, kPicErrNoMemory);
  for (uint32_t y = 0; y < rows; ++y) {
    UnpackRowTo8Bit(src + static_cast<size_t>(uint64_t{y} * srcStride), scratch.Data(), width, 1);
    uint8_t* out = dst + static_cast<size_t>(uint64_t{y} * dstStride);
    for (uint32_t x = 0; x < width; ++x) {
      const RGBQUAD& e = palette[scratch[x]];
      out[3 * x] = e.rgbRed;
      out[3 * x + 1] = e.rgbGreen;
      out[3 * x + 2] = e.rgbBlue;
    }
  }
  return 1;
}

int AnalyzeBitfieldMasks(const uint32_t* masks, ChannelMask* records) {
  if (!masks || !records) return 0;
  for (int c = 0; c < 3; ++c) {
    uint32_t m = masks[c] & 0xFFFF;
    ChannelMask r;
    if (m) {
      uint32_t low = 0;
      while (!(m & (1u << low))) ++low;
      uint32_t high = low;
      while (high < 15 && (m & (1u << (high + 1)))) ++high;
      r.width = high - low + 1;
      // Top bit of the channel onto bit 7; never a negative shift.
      if (high >= 7) {
        r.shift = high - 7;
        r.direction = 1;
      } else {
        r.shift = 7 - high;
        r.direction = -1;
      }
      r.fill = r.width >= 8 ? 1 : (1u << (8 - r.width + 1)) - 2;
    }
    records[c] = r;
  }
  return 1;
}

void CopySwapRedBlue24(const uint8_t* src, uint8_t* dst, uint32_t count) {
  uint32_t ignored = 0;
  if (HasSSE41ForChannels(3) && CopySwapRBRowSIMD(&ignored, src, dst, count)) return;
  for (uint32_t x = 0; x < count; ++x) {
    const uint8_t* p = src + 3 * static_cast<size_t>(x);
    uint8_t* o = dst + 3 * static_cast<size_t>(x);
    uint8_t r = p[0];
    o[1] = p[1];
    o[0] = p[2];
    o[2] = r;
  }
}

void DIBRowToRGB(uint32_t* error, const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t bits,
                 const RGBQUAD* palette, const uint32_t* masks, bool addAlpha, uint8_t alpha,
                 bool keepOrder) {
  (void)error;
  if (!src || !dst) return;
  const size_t step = addAlpha ? 4 : 3;
  auto put = [&](uint32_t x, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    uint8_t* o = dst + step * x;
    o[0] = r;
    o[1] = g;
    o[2] = b;
    if (addAlpha) o[3] = a;
  };
  switch (bits) {
    case 1:
    case 4:
    case 8: {
      if (!palette) return;
      for (uint32_t x = 0; x < width; ++x) {
        uint32_t index = bits == 8   ? src[x]
                         : bits == 4 ? ((x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4)
                                     : (src[x >> 3] >> (7 - (x & 7))) & 1;
        const RGBQUAD& e = palette[index];
        put(x, e.rgbRed, e.rgbGreen, e.rgbBlue, alpha);
      }
      break;
    }
    case 16: {
      ChannelMask m[3];
      const bool useMasks = masks && AnalyzeBitfieldMasks(masks, m);
      for (uint32_t x = 0; x < width; ++x) {
        uint32_t p = src[2 * x] | static_cast<uint32_t>(src[2 * x + 1]) << 8;
        if (useMasks) {
          uint8_t c[3];
          for (int k = 0; k < 3; ++k) {
            uint32_t v = p & masks[k] & 0xFFFF;
            v = m[k].direction == 1 ? v >> m[k].shift : v << m[k].shift;
            c[k] = static_cast<uint8_t>(v & 255);
          }
          put(x, c[0], c[1], c[2], alpha);
        } else {
          put(x, static_cast<uint8_t>(((p >> 10) & 31) * 255 / 31),
              static_cast<uint8_t>(((p >> 5) & 31) * 255 / 31), static_cast<uint8_t>((p & 31) * 255 / 31),
              alpha);
        }
      }
      break;
    }
    case 24:
      if (!addAlpha) {
        if (keepOrder)
          std::memcpy(dst, src, 3 * static_cast<size_t>(width));
        else
          CopySwapRedBlue24(src, dst, width);
        break;
      }
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p = src + 3 * static_cast<size_t>(x);
        keepOrder ? put(x, p[0], p[1], p[2], alpha) : put(x, p[2], p[1], p[0], alpha);
      }
      break;
    case 32:
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p = src + 4 * static_cast<size_t>(x);
        keepOrder ? put(x, p[0], p[1], p[2], p[3]) : put(x, p[2], p[1], p[0], p[3]);
      }
      break;
    default:
      break;
  }
}

uint32_t RGBRowsToDIBBits(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t height,
                          uint32_t dstStride, bool alreadyBGR, bool keepRowOrder, uint32_t srcStride) {
  if (width == 0 || height == 0 || !src || !dst) return kPicErrBadArgument;
  const uint64_t rowBytes = uint64_t{width} * 3;
  if (dstStride < rowBytes || srcStride < rowBytes) return kPicErrBadArgument;
  for (uint32_t i = 0; i < height; ++i) {
    uint32_t from = keepRowOrder ? i : height - 1 - i;
    const uint8_t* in = src + static_cast<size_t>(uint64_t{from} * srcStride);
    uint8_t* out = dst + static_cast<size_t>(uint64_t{i} * dstStride);
    if (alreadyBGR) {
      std::memcpy(out, in, static_cast<size_t>(rowBytes));
    } else if (HasSSE41ForChannels(3)) {
      uint32_t code = 0;
      if (!CopySwapRBRowSIMD(&code, in, out, width)) return code;
    } else {
      CopySwapRedBlue24(in, out, width);
    }
  }
  return 0;
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_Pack8BitBuffer(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                               DWORD bits, DWORD rowByRow, DWORD dstStride) {
  return PicRunEntry<BOOL>("pic_Pack8BitBuffer", [&](uint32_t& err) {
    return Pack8BitBuffer(&err, src, width, height, srcStride, dst, bits, rowByRow, dstStride);
  });
}

BOOL PICAPI pic_Pack8BitBufferEx(const BYTE* src, DWORD width, DWORD height, DWORD srcStride, BYTE* dst,
                                 DWORD bits, DWORD rowByRow, DWORD dstStride, DWORD) {
  return PicRunEntry<BOOL>("pic_Pack8BitBufferEx", [&](uint32_t& err) {
    return Pack8BitBuffer(&err, src, width, height, srcStride, dst, bits, rowByRow, dstStride);
  });
}

BOOL PICAPI pic_UnpackBufferTo8Bit(const BYTE* src, DWORD width, DWORD height, DWORD bits, BYTE* dst) {
  return PicRunEntry<BOOL>("pic_UnpackBufferTo8Bit", [&](uint32_t& err) {
    return UnpackBufferTo8Bit(&err, src, width, height, bits, dst);
  });
}

}  // extern "C"
