// BMP headers: the file and info headers, masks, colour table, the
// data-offset check and the row converter every reader shares.
#include <cstring>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/decode_limits.h"
#include "core/allocators.h"
#include "core/packing.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

bool Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return false;
}

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
int32_t I32(const uint8_t* p) {
  return static_cast<int32_t>(U32(p));
}

bool KnownHeaderSize(uint32_t size) {
  return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Moves forward over bytes that hold nothing the reader needs.
bool Skip(CPicIO& io, uint64_t bytes) {
  while (bytes > 0) {
    const uint32_t step = static_cast<uint32_t>(std::min<uint64_t>(bytes, INT32_MAX));
    if (!io.Seek(static_cast<int32_t>(step), kPicSeekCur)) return false;
    bytes -= step;
  }
  return true;
}

// A channel value widened to 8 bits: a whole channel of n bits repeats its
// bits downwards (5 bits: v << 3 | v >> 2), so 0 and the maximum stay 0 and
// 255; wider channels keep their top 8 bits; a mask with gaps scales.
uint8_t Widen(uint32_t value, uint32_t maxValue, uint32_t bits) {
  if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
  if (maxValue != (1u << bits) - 1)
    return static_cast<uint8_t>((uint64_t{value} * 255 + maxValue / 2) / maxValue);
  uint32_t r = value << (8 - bits);
  for (uint32_t filled = bits; filled < 8; filled *= 2) r |= r >> filled;
  return static_cast<uint8_t>(r);
}

struct MaskChannel {
  uint32_t mask = 0, shift = 0, max = 0, bits = 0;
  explicit MaskChannel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!(m & 1)) {
      m >>= 1;
      ++shift;
    }
    max = m;  // the channel's bits, shifted down (gaps count as bits)
    while (m) {
      m >>= 1;
      ++bits;
    }
  }
  uint8_t Of(uint32_t pixel) const { return max ? Widen((pixel & mask) >> shift, max, bits) : 0; }
};

}  // namespace

bool ReadBmpHeaders(uint32_t* error, CPicIO& io, BmpInfo* info) {
  *info = BmpInfo{};
  uint32_t start = 0;
  if (io.GetPos(&start)) info->start = start;
  uint8_t file[14];
  if (!io.ReadExact(file, sizeof file)) return Fail(error, kPicErrFileRead);
  if (file[0] != 'B' || file[1] != 'M') return Fail(error, kBmpErrBadFile);
  info->offBits = U32(file + 10);

  uint8_t h[124] = {};
  if (!io.ReadExact(h, 4)) return Fail(error, kPicErrFileRead);
  info->headerSize = U32(h);
  if (!KnownHeaderSize(info->headerSize)) return Fail(error, kBmpErrBadFile);
  if (!io.ReadExact(h + 4, info->headerSize - 4)) return Fail(error, kPicErrFileRead);

  if (info->headerSize == 12) {
    info->core = true;
    info->width = U16(h + 4);
    info->height = U16(h + 6);
    info->planes = U16(h + 8);
    info->bits = U16(h + 10);
  } else {
    info->width = I32(h + 4);
    info->height = I32(h + 8);
    info->planes = U16(h + 12);
    info->bits = U16(h + 14);
    info->compression = U32(h + 16);
    info->sizeImage = U32(h + 20);
    info->xPelsPerMeter = I32(h + 24);
    info->yPelsPerMeter = I32(h + 28);
    info->clrUsed = U32(h + 32);
    info->clrImportant = U32(h + 36);
    // The longer headers carry their masks inside.
    if (info->headerSize >= 52)
      for (int i = 0; i < 3; ++i) info->masks[i] = U32(h + 40 + 4 * i);
    if (info->headerSize >= 56) info->masks[3] = U32(h + 52);
  }
  info->topDown = info->height < 0;
  info->absHeight = info->topDown ? static_cast<uint32_t>(-int64_t{info->height}) : info->height;
  return true;
}

bool ReadBmpLayout(uint32_t* error, CPicIO& io, BmpInfo* info) {
  BmpInfo& b = *info;
  const uint32_t bits = b.bits;
  const bool paletted = bits == 1 || bits == 4 || bits == 8;
  if (b.core ? !(paletted || bits == 24) : !(paletted || bits == 16 || bits == 24 || bits == 32))
    return Fail(error, kBmpErrBadFile);
  if (b.width < 1 || b.absHeight == 0 || b.absHeight > INT32_MAX) return Fail(error, kBmpErrBadFile);
  switch (b.compression) {
    case BI_RGB:
      break;
    case BI_RLE8:
    case BI_RLE4:
      // Compressed rows always run bottom-up.
      if (bits != (b.compression == BI_RLE8 ? 8u : 4u) || b.topDown) return Fail(error, kBmpErrBadFile);
      break;
    case BI_BITFIELDS:
      if (bits != 16 && bits != 32) return Fail(error, kBmpErrBadFile);
      b.hasMasks = true;
      break;
    default:
      return Fail(error, kBmpErrBadFile);
  }
  b.stride = (uint64_t{static_cast<uint32_t>(b.width)} * bits + 31) / 32 * 4;
  // A small file claiming a huge picture is a bad file, not a memory
  // shortage: rows must be there, runs give at most 255 pixels for 2 bytes.
  const uint64_t pixels = uint64_t{static_cast<uint32_t>(b.width)} * b.absHeight;
  const bool rle = b.compression == BI_RLE8 || b.compression == BI_RLE4;
  if (!PicDecodePlausible(pixels, rle ? pixels : b.stride * b.absHeight, PicBytesLeft(io), rle ? 127 : 1))
    return Fail(error, kBmpErrBadFile);

  uint64_t position = 14 + uint64_t{b.headerSize};
  if (b.hasMasks && b.headerSize == 40) {
    uint8_t m[12];
    if (!io.ReadExact(m, sizeof m)) return Fail(error, kPicErrFileRead);
    for (int i = 0; i < 3; ++i) b.masks[i] = U32(m + 4 * i);
    position += sizeof m;
  }
  if (!b.hasMasks) std::memset(b.masks, 0, sizeof b.masks);

  // The colour table: the image's colours up to 8 bits; an optional table
  // of a deeper image only has to be passed over.
  const uint32_t entrySize = b.core ? 3 : 4;
  uint64_t entries = b.clrUsed;
  if (paletted) {
    b.colours = (b.core || b.clrUsed == 0) ? 1u << bits : b.clrUsed;
    entries = b.colours;
    b.kept = std::min<uint32_t>(b.colours, 256);
    uint8_t table[256 * 4];
    if (!io.ReadExact(table, b.kept * entrySize)) return Fail(error, kPicErrFileRead);
    for (uint32_t i = 0; i < b.kept; ++i) {
      const uint8_t* e = table + i * entrySize;
      b.palette[i] = RGBQUAD{e[0], e[1], e[2], entrySize == 4 ? e[3] : uint8_t{0}};
    }
    for (uint32_t i = b.kept; i < 256; ++i) b.palette[i] = b.palette[0];
  }
  const uint64_t tableBytes = entries * entrySize;
  const uint64_t kept = uint64_t{b.kept} * entrySize;
  const uint64_t tableEnd = position + tableBytes;

  // Where the pixels are: bfOffBits, unless it is 0 or (a known slip of some
  // writers) leaves out the info header; then they follow the table.
  if (b.offBits == 0) return Skip(io, tableBytes - kept) || Fail(error, kPicErrFileRead);
  if (b.offBits == 14 + tableBytes) {
    DebugHook(2, "BMP read: assuming bfOffBits includes sizeof(BITMAPINFOHEADER)\n");
    return Skip(io, tableBytes - kept) || Fail(error, kPicErrFileRead);
  }
  if (b.offBits < tableEnd)
    DebugHook(2, "BMP read: bfOffBits is less than the number of bytes already read!!!\n");
  if (!io.SeekTo(b.start + b.offBits)) return Fail(error, kPicErrFileRead);
  return true;
}

bool BmpOutputStride(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t flags,
                     uint32_t* stride) {
  uint64_t s = bitsPerPixel == 1 ? (uint64_t{width} + 7) / 8 : uint64_t{width} * (bitsPerPixel / 8);
  if (flags & kBmpFileOrder) s = (s + 3) & ~uint64_t{3};
  if (!PicSizeWithinCap(s, height)) return false;
  *stride = static_cast<uint32_t>(s);
  return true;
}

void BmpRowToRGB(const BmpInfo& info, const uint8_t* row, uint8_t* out, bool withAlpha, bool keepOrder) {
  const uint32_t width = static_cast<uint32_t>(info.width);
  const size_t step = withAlpha ? 4 : 3;
  const int r = keepOrder ? 2 : 0, b = keepOrder ? 0 : 2;
  if (info.bits <= 8 || info.bits == 24 || (info.bits == 32 && !info.hasMasks)) {
    // Palette lookups (the table holds 256 entries) and plain B, G, R(, A).
    DIBRowToRGB(nullptr, row, out, width, info.bits, info.palette, nullptr, withAlpha, 255, keepOrder);
    return;
  }
  // Bit fields; 16 bits without masks are 5-5-5.
  const bool masked = info.hasMasks;
  const MaskChannel red(masked ? info.masks[0] : 0x7C00), green(masked ? info.masks[1] : 0x03E0),
      blue(masked ? info.masks[2] : 0x001F), alpha(masked ? info.masks[3] : 0);
  for (uint32_t x = 0; x < width; ++x) {
    const uint32_t p = info.bits == 16 ? U16(row + 2 * size_t{x}) : U32(row + 4 * size_t{x});
    uint8_t* o = out + step * x;
    o[r] = red.Of(p);
    o[1] = green.Of(p);
    o[b] = blue.Of(p);
    if (withAlpha) o[3] = alpha.mask ? alpha.Of(p) : 255;
  }
}

}  // namespace Pictura
