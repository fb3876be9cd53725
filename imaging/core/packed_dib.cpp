#include "core/packed_dib.h"

#include <algorithm>
#include <cstring>

#include "core/allocators.h"
#include "core/crop_flip.h"
#include "core/operation.h"
#include "core/packing.h"
#include "core/pictura_dib.h"

namespace Pictura {

namespace {

constexpr uint32_t kHeaderSize = sizeof(BITMAPINFOHEADER);

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

HGLOBAL FailNull(uint32_t* error, uint32_t code) {
  *error = code;
  return nullptr;
}

bool IsPaletted(uint32_t bits) {
  return bits >= 1 && bits <= 8;
}

// A block of `size` bytes: the caller's, or a new zeroed GlobalAlloc block.
// The new block is freed by Release() unless Keep() was called.
class DIBBlock {
 public:
  DIBBlock(uint32_t* error, void* callerBlock, uint64_t size) {
    if (callerBlock) {
      data_ = static_cast<uint8_t*>(callerBlock);
      return;
    }
    if (size == 0 || size >= kPicAllocCap) {
      *error = kPicErrNoMemory;
      return;
    }
    own_.Reset(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size)));
    if (!own_.block) {
      *error = kPicErrNoMemory;
      return;
    }
    data_ = static_cast<uint8_t*>(own_.block);
  }
  DIBBlock(const DIBBlock&) = delete;
  DIBBlock& operator=(const DIBBlock&) = delete;

  uint8_t* Data() const { return data_; }
  HGLOBAL Keep() {
    own_.Release();
    return data_;
  }

 private:
  ScopedGlobal own_;
  uint8_t* data_ = nullptr;
};

void WriteHeader(uint8_t* block, uint32_t width, uint32_t height, uint32_t bits, uint64_t imageBytes,
                 uint32_t clrUsed, uint32_t clrImportant) {
  BITMAPINFOHEADER h{};
  h.biSize = kHeaderSize;
  h.biWidth = static_cast<LONG>(width);
  h.biHeight = static_cast<LONG>(height);
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bits);
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(imageBytes);
  h.biClrUsed = clrUsed;
  h.biClrImportant = clrImportant;
  std::memcpy(block, &h, sizeof h);
}

BITMAPINFOHEADER ReadHeader(const void* dib) {
  BITMAPINFOHEADER h;
  std::memcpy(&h, dib, sizeof h);
  return h;
}

// Packed rows are no wider than the int32 width of a header and no bigger
// than the cap.
bool PackedSizeFits(uint32_t width, uint32_t height, uint64_t tableBytes, uint32_t bits, uint64_t* size) {
  if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return false;
  uint64_t rows = 0;
  if (!PicSizeWithinCap(DIBStride(width, bits), height, 1, &rows)) return false;
  *size = kHeaderSize + tableBytes + rows;
  return *size < kPicAllocCap;
}

inline const uint8_t* RowAt(const uint8_t* base, uint64_t y, uint64_t stride) {
  return base + static_cast<size_t>(y * stride);
}
inline uint8_t* RowAt(uint8_t* base, uint64_t y, uint64_t stride) {
  return base + static_cast<size_t>(y * stride);
}

// A DIB's colour table as 256 entries: the entries present, then black, so
// that an index past the table never reads outside it.
struct SafePalette {
  RGBQUAD entries[256];
  SafePalette(const RGBQUAD* table, uint32_t count) {
    std::memset(entries, 0, sizeof entries);
    if (table) std::memcpy(entries, table, sizeof(RGBQUAD) * std::min<uint32_t>(count, 256));
  }
};

// One packed row of 1 to 8 bits to one byte per pixel, first pixel in the
// most significant bits.
void WidenRow(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t bits) {
  if (bits == 8) {
    std::memcpy(dst, src, width);
    return;
  }
  const uint32_t mask = (1u << bits) - 1;
  uint64_t bit = 0;
  for (uint32_t x = 0; x < width; ++x, bit += bits) {
    const uint64_t byte = bit >> 3;
    const uint32_t offset = static_cast<uint32_t>(bit & 7);
    uint32_t word = static_cast<uint32_t>(src[byte]) << 8;
    if (offset + bits > 8) word |= src[byte + 1];
    dst[x] = static_cast<uint8_t>((word >> (16 - offset - bits)) & mask);
  }
}

// One byte per pixel into a packed row of 1 to 8 bits; the row's last byte
// is filled with zeros past the width.
void PackRow(const uint8_t* src, uint8_t* dst, uint32_t width, uint32_t bits) {
  if (bits == 8) {
    std::memcpy(dst, src, width);
    return;
  }
  const uint32_t mask = (1u << bits) - 1;
  uint32_t acc = 0, count = 0;
  for (uint32_t x = 0; x < width; ++x) {
    acc = (acc << bits) | (src[x] & mask);
    count += bits;
    while (count >= 8) {
      count -= 8;
      *dst++ = static_cast<uint8_t>(acc >> count);
    }
    acc &= (1u << count) - 1;
  }
  if (count) *dst = static_cast<uint8_t>(acc << (8 - count));
}

// Top 8 bits of the masked channel (a channel narrower than 8 bits is
// shifted up, as the 16-bit converter does).
inline uint8_t MaskedChannel(uint32_t pixel, uint32_t mask) {
  if (!mask) return 0;
  uint32_t low = 0;
  while (!(mask & (1u << low))) ++low;
  uint32_t high = low;
  while (high < 31 && (mask & (1u << (high + 1)))) ++high;
  const uint32_t value = pixel & mask;
  return static_cast<uint8_t>(high >= 7 ? value >> (high - 7) : value << (7 - high));
}

// Converts one stored row of any supported layout into 3 or 4-byte pixels.
class RowConverter {
 public:
  RowConverter(const DIBLayout& layout, const RGBQUAD* palette, const uint32_t* masks, bool alpha,
               uint8_t alphaValue)
      : layout_(layout), palette_(palette, layout.colours), alpha_(alpha), alphaValue_(alphaValue) {
    if (masks) std::memcpy(masks_, masks, sizeof masks_);
    useMasks_ = masks != nullptr;
    if (useMasks_ && layout.bits == 32 &&
        !(masks_[0] == 0xFF0000 && masks_[1] == 0xFF00 && masks_[2] == 0xFF))
      custom32_ = true;
  }

  bool Init() { return !IsPaletted(layout_.bits) || scratch_.Resize(layout_.width); }

  void Convert(const uint8_t* src, uint8_t* dst) {
    const uint32_t width = layout_.width;
    const size_t step = alpha_ ? 4 : 3;
    if (IsPaletted(layout_.bits)) {
      WidenRow(src, scratch_.Data(), width, layout_.bits);
      for (uint32_t x = 0; x < width; ++x) {
        const RGBQUAD& e = palette_.entries[scratch_[x]];
        uint8_t* o = dst + step * x;
        o[0] = e.rgbRed;
        o[1] = e.rgbGreen;
        o[2] = e.rgbBlue;
        if (alpha_) o[3] = alphaValue_;
      }
    } else if (custom32_) {
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p = src + 4 * static_cast<size_t>(x);
        const uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        uint8_t* o = dst + step * x;
        for (int c = 0; c < 3; ++c) o[c] = MaskedChannel(v, masks_[c]);
        if (alpha_) o[3] = alphaValue_;
      }
    } else {
      uint32_t ignored = 0;
      DIBRowToRGB(&ignored, src, dst, width, layout_.bits, nullptr, useMasks_ ? masks_ : nullptr, alpha_,
                  alphaValue_, false);
    }
  }

 private:
  const DIBLayout& layout_;
  SafePalette palette_;
  uint32_t masks_[3] = {};
  bool useMasks_ = false;
  bool custom32_ = false;
  bool alpha_;
  uint8_t alphaValue_;
  PicArray<uint8_t> scratch_;
};

// The shared body of the RGB and RGBA unpackers.
int UnpackToRGB(uint32_t* error, const uint8_t* bits, const BITMAPINFOHEADER* header, const RGBQUAD* palette,
                bool alpha, uint8_t alphaValue, uint8_t* output) {
  if (!bits || !header || !output) return Fail(error, kPicErrBadArgument);
  DIBLayout layout;
  if (!DescribeDIB(error, header, &layout)) return 0;
  if (IsPaletted(layout.bits) && !palette) return Fail(error, kPicErrBadArgument);
  if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4)
    return DIBRowsToBuffer(error, bits, layout.compressedBytes, alpha ? 32 : 24, header, palette, output,
                           false);

  const uint32_t* masks = nullptr;
  uint32_t maskWords[3];
  if (layout.compression == BI_BITFIELDS) {
    std::memcpy(maskWords, reinterpret_cast<const uint8_t*>(header) + kHeaderSize, sizeof maskWords);
    masks = maskWords;
  }
  RowConverter convert(layout, palette, masks, alpha, alphaValue);
  if (!convert.Init()) return Fail(error, kPicErrNoMemory);
  const uint64_t outStride = uint64_t{layout.width} * (alpha ? 4 : 3);
  for (uint32_t y = 0; y < layout.height; ++y) {
    const uint32_t stored = layout.topDown ? y : layout.height - 1 - y;
    convert.Convert(RowAt(bits, stored, layout.stride), RowAt(output, y, outStride));
  }
  return 1;
}

}  // namespace

bool DescribeDIB(uint32_t* error, const BITMAPINFOHEADER* header, DIBLayout* layout) {
  if (!header || header->biSize != kHeaderSize) return Fail(error, kPicErrBadArgument);
  const BITMAPINFOHEADER h = *header;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return Fail(error, kPicErrBadArgument);
  DIBLayout l;
  l.width = static_cast<uint32_t>(h.biWidth);
  l.topDown = h.biHeight < 0;
  l.height = static_cast<uint32_t>(l.topDown ? -h.biHeight : h.biHeight);
  l.bits = h.biBitCount;
  l.compression = h.biCompression;
  if (!IsPaletted(l.bits) && l.bits != 16 && l.bits != 24 && l.bits != 32)
    return Fail(error, kPicErrBitDepth);
  uint64_t tableBytes = 0;
  switch (l.compression) {
    case BI_RGB:
      break;
    case BI_RLE8:
    case BI_RLE4:
      if (l.bits != (l.compression == BI_RLE8 ? 8u : 4u)) return Fail(error, kPicErrRLEVariant);
      // Compressed rows run bottom-up and the stream needs its length.
      if (l.topDown || h.biSizeImage == 0) return Fail(error, kPicErrBadArgument);
      l.compressedBytes = h.biSizeImage;
      break;
    case BI_BITFIELDS:
      if (l.bits != 16 && l.bits != 32) return Fail(error, kPicErrBadArgument);
      tableBytes = 12;
      break;
    default:
      return Fail(error, kPicErrBadArgument);
  }
  if (IsPaletted(l.bits)) {
    l.colours = h.biClrUsed ? h.biClrUsed : 1u << l.bits;
    tableBytes = uint64_t{h.biClrUsed ? h.biClrUsed : 1u << l.bits} * 4;
  }
  l.stride = DIBStride(l.width, l.bits);
  l.pixelOffset = kHeaderSize + tableBytes;
  if (!PicSizeWithinCap(l.stride, l.height, 1, &l.pixelBytes)) return Fail(error, kPicErrBadArgument);
  // Every unpacker writes at most 4 bytes per pixel.
  if (!PicSizeWithinCap(l.width, l.height, 4)) return Fail(error, kPicErrBadArgument);
  const uint64_t data = l.compressedBytes ? l.compressedBytes : l.pixelBytes;
  if (l.pixelOffset + data >= kPicAllocCap) return Fail(error, kPicErrBadArgument);
  *layout = l;
  return true;
}

uint32_t GetPicDIBSize(uint32_t* error, uint32_t width, uint32_t height, uint32_t bits, uint32_t colours) {
  uint64_t table = 0;
  switch (bits) {
    case 1:
      table = 8;
      break;
    case 4:
    case 8:
      table = uint64_t{colours} * 4;
      break;
    case 24:
    case 32:
      break;
    default:
      return Fail(error, kPicErrBadArgument);
  }
  uint64_t rows = 0;
  if (!PicSizeWithinCap(DIBStride(width, bits), height, 1, &rows)) return Fail(error, kPicErrNoMemory);
  const uint64_t size = kHeaderSize + table + rows;
  if (size >= kPicAllocCap) return Fail(error, kPicErrNoMemory);
  return static_cast<uint32_t>(size);
}

uint8_t* DIBPixelStart(uint32_t* error, const void* dib) {
  if (!dib) {
    *error = kPicErrBadArgument;
    return nullptr;
  }
  const BITMAPINFOHEADER h = ReadHeader(dib);
  if (h.biSize != kHeaderSize) {
    *error = kPicErrBadArgument;
    return nullptr;
  }
  uint64_t offset = kHeaderSize;
  if (IsPaletted(h.biBitCount))
    offset += uint64_t{h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount} * 4;
  else if (h.biCompression == BI_BITFIELDS)
    offset += 12;
  if (offset >= kPicAllocCap) {
    *error = kPicErrBadArgument;
    return nullptr;
  }
  return static_cast<uint8_t*>(const_cast<void*>(dib)) + offset;
}

HGLOBAL AllocDIB(uint32_t* error, uint32_t width, uint32_t height, uint32_t bits, const RGBQUAD* palette,
                 uint32_t colours) {
  if (bits > 32) return FailNull(error, kPicErrBadArgument);
  const bool paletted = bits < 9;
  if (paletted && (!palette || colours < 2 || colours > 256)) return FailNull(error, kPicErrBadArgument);
  const uint32_t tableCount = bits == 1 ? 2 : paletted ? colours : 0;
  const uint32_t size = GetPicDIBSize(error, width, height, bits, tableCount);
  if (!size) return nullptr;
  DIBBlock block(error, nullptr, size);
  if (!block.Data()) return nullptr;
  WriteHeader(block.Data(), width, height, bits, DIBStride(width, bits) * height, tableCount, 0);
  if (tableCount) std::memcpy(block.Data() + kHeaderSize, palette, sizeof(RGBQUAD) * tableCount);
  return block.Keep();
}

HGLOBAL OneBitToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                    const RGBQUAD* palette, void* callerBlock) {
  if (!pixels || !palette) return FailNull(error, kPicErrBadArgument);
  const uint32_t rowBytes = static_cast<uint32_t>((uint64_t{width} + 7) / 8);
  uint64_t size = 0;
  if (stride < rowBytes || !PackedSizeFits(width, height, 8, 1, &size))
    return FailNull(error, kPicErrBadArgument);
  // Sized for the DWORD-aligned rows it writes, whatever the caller's stride.
  DIBBlock block(error, callerBlock, size);
  if (!block.Data()) return nullptr;
  const uint64_t dibStride = DIBStride(width, 1);
  WriteHeader(block.Data(), width, height, 1, dibStride * height, 2, 0);
  std::memcpy(block.Data() + kHeaderSize, palette, 2 * sizeof(RGBQUAD));
  uint8_t* bits = block.Data() + kHeaderSize + 8;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* out = RowAt(bits, y, dibStride);
    std::memcpy(out, RowAt(pixels, height - 1 - y, stride), rowBytes);
    std::memset(out + rowBytes, 0, static_cast<size_t>(dibStride - rowBytes));
  }
  return block.Keep();
}

HGLOBAL EightBitToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                      uint32_t stride, uint32_t colours, uint32_t outBits, const RGBQUAD* palette,
                      void* callerBlock) {
  if (!pixels || !palette || outBits < 1 || outBits > 8 || colours == 0 || colours > 256)
    return FailNull(error, kPicErrBadArgument);
  // No more table entries than the depth can index: a caller's block sized
  // with GetPicDIBSize for 1 bit has room for two.
  const uint32_t tableCount = std::min(colours, 1u << outBits);
  uint64_t size = 0;
  if (stride < width || !PackedSizeFits(width, height, uint64_t{tableCount} * 4, outBits, &size))
    return FailNull(error, kPicErrBadArgument);
  DIBBlock block(error, callerBlock, size);
  if (!block.Data()) return nullptr;
  const uint64_t dibStride = DIBStride(width, outBits);
  WriteHeader(block.Data(), width, height, outBits, dibStride * height, tableCount, tableCount);
  std::memcpy(block.Data() + kHeaderSize, palette, sizeof(RGBQUAD) * tableCount);
  uint8_t* bits = block.Data() + kHeaderSize + tableCount * 4;
  const uint64_t rowBytes = (uint64_t{width} * outBits + 7) / 8;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* out = RowAt(bits, y, dibStride);
    PackRow(RowAt(pixels, height - 1 - y, stride), out, width, outBits);
    std::memset(out + rowBytes, 0, static_cast<size_t>(dibStride - rowBytes));
  }
  return block.Keep();
}

HGLOBAL RGBToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                 void* callerBlock, uint32_t flags) {
  uint64_t size = 0;
  if (!pixels || stride < uint64_t{width} * 3 || !PackedSizeFits(width, height, 0, 24, &size))
    return FailNull(error, kPicErrBadArgument);
  DIBBlock block(error, callerBlock, size);
  if (!block.Data()) return nullptr;
  const uint64_t dibStride = DIBStride(width, 24);
  WriteHeader(block.Data(), width, height, 24, dibStride * height, 0, 0);
  uint8_t* bits = block.Data() + kHeaderSize;
  const uint32_t code = RGBRowsToDIBBits(pixels, bits, width, height, static_cast<uint32_t>(dibStride),
                                         (flags & 1) != 0, (flags & 2) != 0, stride);
  if (code) return FailNull(error, code);
  const uint64_t pad = dibStride - uint64_t{width} * 3;
  if (pad)
    for (uint32_t y = 0; y < height; ++y) std::memset(RowAt(bits, y, dibStride) + width * 3ull, 0, pad);
  return block.Keep();
}

HGLOBAL RGB16ToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                   void* callerBlock) {
  uint64_t size = 0;
  const uint64_t rowBytes = uint64_t{width} * 2;
  if (!pixels || stride < rowBytes || !PackedSizeFits(width, height, 0, 16, &size))
    return FailNull(error, kPicErrBadArgument);
  DIBBlock block(error, callerBlock, size);
  if (!block.Data()) return nullptr;
  const uint64_t dibStride = DIBStride(width, 16);
  WriteHeader(block.Data(), width, height, 16, dibStride * height, 0, 0);
  uint8_t* bits = block.Data() + kHeaderSize;
  // Copy and flip in one pass: each DIB row takes its mirror source row.
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* out = RowAt(bits, y, dibStride);
    std::memcpy(out, RowAt(pixels, height - 1 - y, stride), static_cast<size_t>(rowBytes));
    std::memset(out + rowBytes, 0, static_cast<size_t>(dibStride - rowBytes));
  }
  return block.Keep();
}

HGLOBAL RGBAToDIB(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                  void* callerBlock) {
  uint64_t size = 0;
  const uint64_t rowBytes = uint64_t{width} * 4;
  if (!pixels || stride < rowBytes || !PackedSizeFits(width, height, 0, 32, &size))
    return FailNull(error, kPicErrBadArgument);
  DIBBlock block(error, callerBlock, size);
  if (!block.Data()) return nullptr;
  WriteHeader(block.Data(), width, height, 32, rowBytes * height, 0, 0);
  uint8_t* bits = block.Data() + kHeaderSize;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* in = RowAt(pixels, height - 1 - y, stride);
    uint8_t* out = RowAt(bits, y, rowBytes);
    for (uint32_t x = 0; x < width; ++x) {
      out[4 * x] = in[4 * x + 2];
      out[4 * x + 1] = in[4 * x + 1];
      out[4 * x + 2] = in[4 * x];
      out[4 * x + 3] = in[4 * x + 3];
    }
  }
  return block.Keep();
}

int DIBPartsToRGB(uint32_t* error, const uint8_t* bits, const BITMAPINFOHEADER* header,
                  const RGBQUAD* palette, uint8_t* output) {
  return UnpackToRGB(error, bits, header, palette, false, 0, output);
}

int DIBPartsToRGBA(uint32_t* error, const uint8_t* bits, const BITMAPINFOHEADER* header,
                   const RGBQUAD* palette, uint8_t alpha, uint8_t* output) {
  return UnpackToRGB(error, bits, header, palette, true, alpha, output);
}

int DIBToRGB(uint32_t* error, const void* dib, uint8_t* output) {
  if (!dib || !output) return Fail(error, kPicErrBadArgument);
  const uint8_t* bits = DIBPixelStart(error, dib);
  if (!bits) return 0;
  auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
  return DIBPartsToRGB(error, bits, header, reinterpret_cast<const RGBQUAD*>(header + 1), output);
}

int DIBToRGBA(uint32_t* error, const void* dib, uint8_t alpha, uint8_t* output) {
  if (!dib || !output) return Fail(error, kPicErrBadArgument);
  const uint8_t* bits = DIBPixelStart(error, dib);
  if (!bits) return 0;
  auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
  return DIBPartsToRGBA(error, bits, header, reinterpret_cast<const RGBQUAD*>(header + 1), alpha, output);
}

int DIBToColormapped(uint32_t* error, const void* dib, uint32_t outBits, uint32_t* count, RGBQUAD* palette,
                     uint8_t* output) {
  if (outBits != 1 && outBits != 8) return Fail(error, kPicErrBitDepth);
  if (!dib || !output || !count || !palette) return Fail(error, kPicErrBadArgument);
  auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
  if (header->biSize != kHeaderSize) return Fail(error, kPicErrBadArgument);
  if (!IsPaletted(header->biBitCount) || header->biBitCount > outBits) return Fail(error, kPicErrBitDepth);
  if (header->biCompression != BI_RGB && header->biCompression != BI_RLE8 && header->biCompression != BI_RLE4)
    return Fail(error, kPicErrBitDepth);
  DIBLayout layout;
  if (!DescribeDIB(error, header, &layout)) return 0;
  const uint32_t colours = std::min<uint32_t>(layout.colours, 256);
  std::memcpy(palette, header + 1, sizeof(RGBQUAD) * colours);
  *count = colours;
  const uint8_t* bits = reinterpret_cast<const uint8_t*>(dib) + layout.pixelOffset;
  if (layout.compression != BI_RGB)
    return DIBRowsToBuffer(error, bits, layout.compressedBytes, 8, header, palette, output, false);

  const uint64_t outStride = outBits == 1 ? (uint64_t{layout.width} + 7) / 8 : layout.width;
  for (uint32_t y = 0; y < layout.height; ++y) {
    const uint32_t stored = layout.topDown ? y : layout.height - 1 - y;
    const uint8_t* in = RowAt(bits, stored, layout.stride);
    uint8_t* out = RowAt(output, y, outStride);
    if (layout.bits == outBits)
      std::memcpy(out, in, static_cast<size_t>(outStride));
    else
      WidenRow(in, out, layout.width, layout.bits);
  }
  return 1;
}

int DIBRowsToBuffer(uint32_t* error, const uint8_t* bits, uint64_t inputSize, uint32_t outBits,
                    const BITMAPINFOHEADER* header, const RGBQUAD* palette, uint8_t* output, bool dibLayout) {
  if (outBits != 8 && outBits != 24 && outBits != 32) return Fail(error, kPicErrBitDepth);
  if (!header) return Fail(error, kPicErrBadArgument);
  const bool rle8 = header->biCompression == BI_RLE8 && header->biBitCount == 8;
  const bool rle4 = header->biCompression == BI_RLE4 && header->biBitCount == 4;
  if (!rle8 && !rle4) return Fail(error, kPicErrRLEVariant);
  if (!bits || !output) return Fail(error, kPicErrBadArgument);
  DIBLayout layout;
  if (!DescribeDIB(error, header, &layout)) return 0;
  inputSize = std::min(inputSize, layout.compressedBytes);
  if (outBits != 8 && !palette) return Fail(error, kPicErrBadArgument);

  const uint32_t width = layout.width, height = layout.height;
  const uint32_t bytesPerPixel = outBits / 8;
  const uint64_t outStride = dibLayout ? DIBStride(width, outBits) : uint64_t{width} * bytesPerPixel;
  const SafePalette table(palette, layout.colours);

  // Uncovered pixels keep entry 0 (index 0 at 8 bits).
  if (outBits == 8) {
    std::memset(output, 0, static_cast<size_t>(outStride * height));
  } else {
    const RGBQUAD& e = table.entries[0];
    for (uint32_t y = 0; y < height; ++y) {
      uint8_t* row = RowAt(output, y, outStride);
      for (uint32_t x = 0; x < width; ++x) {
        uint8_t* o = row + size_t{x} * bytesPerPixel;
        o[0] = e.rgbRed;
        o[1] = e.rgbGreen;
        o[2] = e.rgbBlue;
        if (outBits == 32) o[3] = 255;
      }
    }
  }

  uint8_t run[256];
  int64_t row = int64_t{height} - 1;  // output row, top-down; the stream starts at the bottom
  uint64_t column = 0;
  auto emit = [&](uint32_t n) {
    if (row < 0 || column >= width) {
      column += n;
      return;
    }
    const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(n, width - column));
    uint8_t* out = RowAt(output, static_cast<uint64_t>(row), outStride) + column * bytesPerPixel;
    if (outBits == 8) {
      std::memcpy(out, run, count);
    } else {
      for (uint32_t i = 0; i < count; ++i) {
        const RGBQUAD& e = table.entries[run[i]];
        uint8_t* o = out + size_t{i} * bytesPerPixel;
        o[0] = e.rgbRed;
        o[1] = e.rgbGreen;
        o[2] = e.rgbBlue;
        if (outBits == 32) o[3] = 255;
      }
    }
    column += n;
  };

  uint64_t pos = 0;
  while (pos < inputSize) {
    const uint8_t count = bits[pos];
    if (count != 0) {
      if (pos + 1 >= inputSize) break;
      const uint8_t value = bits[pos + 1];
      pos += 2;
      for (uint32_t i = 0; i < count; ++i) run[i] = rle8 ? value : ((i & 1) ? value & 15 : value >> 4);
      emit(count);
      continue;
    }
    if (pos & 1) {  // a stray zero between pairs
      ++pos;
      continue;
    }
    if (pos + 1 >= inputSize) break;
    const uint8_t code = bits[pos + 1];
    pos += 2;
    if (code == 0) {
      --row;
      column = 0;
    } else if (code == 1) {
      break;
    } else if (code == 2) {
      if (pos + 2 > inputSize) break;
      column += bits[pos];
      row -= bits[pos + 1];
      pos += 2;
    } else {
      const uint64_t dataBytes = rle8 ? code : (code + 1u) / 2;
      if (pos + dataBytes > inputSize) break;
      for (uint32_t i = 0; i < code; ++i)
        run[i] = rle8 ? bits[pos + i] : ((i & 1) ? bits[pos + i / 2] & 15 : bits[pos + i / 2] >> 4);
      pos += dataBytes + (dataBytes & 1);
      emit(code);
    }
  }
  if (dibLayout) {
    uint32_t ignored = 0;
    VerticalFlipImage(&ignored, output, static_cast<uint32_t>(outStride), height);
  }
  return 1;
}

}  // namespace Pictura

using namespace Pictura;

namespace {

// Accessors: 5 for a null DIB or out pointer or a header that is not 40
// bytes (0 written then); success clears the last error.
BOOL HeaderField(const char* name, const void* dib, DWORD* out, DWORD (*field)(const BITMAPINFOHEADER&)) {
  if (!GetImgThreadContext()) return FALSE;
  if (!dib || !out) {
    PicReportError(kPicErrBadArgument, name, nullptr);
    return FALSE;
  }
  const BITMAPINFOHEADER h = ReadHeader(dib);
  if (h.biSize != kHeaderSize) {
    *out = 0;
    PicReportError(kPicErrBadArgument, name, nullptr);
    return FALSE;
  }
  *out = field(h);
  PicReportError(0, name, nullptr);
  return TRUE;
}

// Colour table of a 1 to 8-bit DIB and its entry count; the last error only
// changes on failure.
const RGBQUAD* DIBPaletteOf(const char* name, const void* dib, DWORD* count) {
  if (!dib || !count) {
    PicReportError(kPicErrBadArgument, name, nullptr);
    return nullptr;
  }
  const BITMAPINFOHEADER h = ReadHeader(dib);
  if (h.biSize != kHeaderSize) {
    *count = 0;
    PicReportError(kPicErrBadArgument, name, nullptr);
    return nullptr;
  }
  if (!IsPaletted(h.biBitCount)) {
    *count = 0;
    PicReportError(kPicErrBitDepth, name, nullptr);
    return nullptr;
  }
  *count = h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount;
  return reinterpret_cast<const RGBQUAD*>(static_cast<const uint8_t*>(dib) + kHeaderSize);
}

}  // namespace

extern "C" {

HGLOBAL PICAPI pic_1BitToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                             const RGBQUAD* palette, void* block) {
  return PicRunEntry<HGLOBAL>("pic_1BitToDIB", [&](uint32_t& err) {
    return OneBitToDIB(&err, pixels, width, height, stride, palette, block);
  });
}

HGLOBAL PICAPI pic_8BitToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD colours,
                             DWORD outBits, const RGBQUAD* palette, void* block) {
  return PicRunEntry<HGLOBAL>("pic_8BitToDIB", [&](uint32_t& err) {
    return EightBitToDIB(&err, pixels, width, height, stride, colours, outBits, palette, block);
  });
}

HGLOBAL PICAPI pic_RGB16ToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, void* block) {
  return PicRunEntry<HGLOBAL>("pic_RGB16ToDIB", [&](uint32_t& err) {
    return RGB16ToDIB(&err, pixels, width, height, stride, block);
  });
}

HGLOBAL PICAPI pic_RGBToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, void* block) {
  return PicRunEntry<HGLOBAL>(
      "pic_RGBToDIB", [&](uint32_t& err) { return RGBToDIB(&err, pixels, width, height, stride, block, 0); });
}

HGLOBAL PICAPI pic_RGBAToDIB(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, void* block) {
  return PicRunEntry<HGLOBAL>(
      "pic_RGBAToDIB", [&](uint32_t& err) { return RGBAToDIB(&err, pixels, width, height, stride, block); });
}

DWORD PICAPI pic_GetISDIBSize(DWORD width, DWORD height, DWORD bits, DWORD colours) {
  return PicRunEntry<DWORD>("pic_GetISDIBSize",
                            [&](uint32_t& err) { return GetPicDIBSize(&err, width, height, bits, colours); });
}

BOOL PICAPI pic_DIBToRGB(const void* dib, BYTE* output) {
  return PicRunEntry<BOOL>("pic_DIBToRGB", [&](uint32_t& err) { return DIBToRGB(&err, dib, output); });
}

BOOL PICAPI pic_DIBToRGBA(const void* dib, DWORD alpha, BYTE* output) {
  return PicRunEntry<BOOL>("pic_DIBToRGBA", [&](uint32_t& err) {
    return DIBToRGBA(&err, dib, static_cast<uint8_t>(alpha), output);
  });
}

BOOL PICAPI pic_DIBPartsToRGB(const BYTE* bits, const BITMAPINFOHEADER* header, const RGBQUAD* palette,
                              BYTE* output) {
  return PicRunEntry<BOOL>("pic_DIBPartsToRGB",
                           [&](uint32_t& err) { return DIBPartsToRGB(&err, bits, header, palette, output); });
}

BOOL PICAPI pic_DIBToColormapped(const void* dib, DWORD outBits, DWORD* count, RGBQUAD* palette,
                                 BYTE* output) {
  return PicRunEntry<BOOL>("pic_DIBToColormapped", [&](uint32_t& err) {
    uint32_t colours = 0;
    const int ok = DIBToColormapped(&err, dib, outBits, count ? &colours : nullptr, palette, output);
    if (count && colours) *count = colours;
    return ok;
  });
}

BOOL PICAPI pic_DIBWidth(const void* dib, DWORD* width) {
  return HeaderField("pic_DIBWidth", dib, width,
                     [](const BITMAPINFOHEADER& h) { return static_cast<DWORD>(h.biWidth); });
}

BOOL PICAPI pic_DIBHeight(const void* dib, DWORD* height) {
  return HeaderField("pic_DIBHeight", dib, height,
                     [](const BITMAPINFOHEADER& h) { return static_cast<DWORD>(h.biHeight); });
}

BOOL PICAPI pic_DIBBitCount(const void* dib, DWORD* bits) {
  return HeaderField("pic_DIBBitCount", dib, bits,
                     [](const BITMAPINFOHEADER& h) { return static_cast<DWORD>(h.biBitCount); });
}

BYTE* PICAPI pic_DIBPixelStart(const void* dib) {
  return PicRunEntry<BYTE*>("pic_DIBPixelStart", [&](uint32_t& err) { return DIBPixelStart(&err, dib); });
}

RGBQUAD* PICAPI pic_GetDIBPalette(const void* dib, DWORD* count) {
  if (!GetImgThreadContext()) return nullptr;
  return const_cast<RGBQUAD*>(DIBPaletteOf("pic_GetDIBPalette", dib, count));
}

BOOL PICAPI pic_GetDIBPaletteCopy(const void* dib, RGBQUAD* buffer, DWORD* count) {
  if (!GetImgThreadContext()) return FALSE;
  if (!buffer) {
    PicReportError(kPicErrBadArgument, "pic_GetDIBPaletteCopy", nullptr);
    return FALSE;
  }
  const RGBQUAD* table = DIBPaletteOf("pic_GetDIBPaletteCopy", dib, count);
  if (!table) return FALSE;
  // A table never holds more than 256 useful entries; nor does the buffer.
  *count = std::min<DWORD>(*count, 256);
  std::memcpy(buffer, table, sizeof(RGBQUAD) * *count);
  return TRUE;
}

DWORD PICAPI pic_GetDIBRowStride(DWORD width, DWORD bits) {
  if (!PicBeginSetter("pic_GetDIBRowStride")) return 0;
  return static_cast<DWORD>(DIBStride(width, bits));
}

}  // extern "C"
