// TGA readers: header, colour map, the run-length decoder and the
// whole-image reads into indices, R, G, B(, A) rows or a packed DIB.
#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/byte_reader.h"
#include "codecs/decode_limits.h"
#include "codecs/image_block.h"
#include "codecs/tga/tga_codec.h"

namespace Pictura {

namespace {

// 5-bit channels widened as the other TGA readers do: v x 255 / 31.
uint8_t Widen5(uint32_t v) {
  return static_cast<uint8_t>((v & 31) * 255 / 31);
}

RGBQUAD DecodeEntry(const uint8_t* p, uint32_t bits, uint8_t alpha24) {
  switch (bits) {
    case 8:
      return RGBQUAD{p[0], p[0], p[0], 255};
    case 15:
    case 16: {
      const uint32_t v = p[0] | p[1] << 8;
      return RGBQUAD{Widen5(v), Widen5(v >> 5), Widen5(v >> 10), 255};
    }
    case 24:
      return RGBQUAD{p[0], p[1], p[2], alpha24};
    default:
      return RGBQUAD{p[0], p[1], p[2], p[3]};
  }
}

// Everything before the pixels, checked, with the colour map read.
struct TgaImage {
  TgaHeader h;
  RGBQUAD map[256] = {};
  uint32_t mapEntries = 0;  // entries the map filled, counted from 0
  bool mapAlpha = false;    // 32-bit map entries carry alpha
};

// Reads the header, skips the ID and reads the colour map through `in`.
bool OpenTga(uint32_t* error, CPicIO& io, PicByteReader& in, TgaImage* img) {
  TgaHeader& h = img->h;
  if (!ReadTgaHeader(error, io, &h)) return false;
  const bool pixelsOk = h.ColourMapped() ? h.bits == 8
                        : h.Grey()       ? (h.bits == 8 || h.bits == 16)
                                         : (h.bits == 15 || h.bits == 16 || h.bits == 24 || h.bits == 32);
  const uint32_t e = h.mapEntryBits;
  const bool mapOk = !h.mapType || e == 8 || e == 15 || e == 16 || e == 24 || e == 32;
  if (!pixelsOk || !mapOk || h.width == 0 || h.height == 0 || (h.ColourMapped() && !h.mapType))
    return PicFail<bool>(error, kPicErrBadTGA);
  // The best a run packet does: 128 pixels in 1 + pixel bytes.
  const uint64_t pixels = uint64_t{h.width} * h.height, bpp = h.PixelBytes();
  const bool plausible = h.RunLength() ? PicDecodePlausible(pixels, pixels, PicBytesLeft(io), 128 / (1 + bpp))
                                       : PicDecodePlausible(pixels, pixels * bpp, PicBytesLeft(io), 1);
  if (!plausible) return PicFail<bool>(error, kPicErrBadTGA);
  uint8_t skip[256];
  if (!in.Read(skip, h.idLength)) return PicFail<bool>(error, kPicErrFileRead);
  if (h.mapType) {
    const uint32_t entryBytes = (e + 7) / 8;
    uint8_t entry[4];
    for (uint32_t i = 0; i < h.mapLength; ++i) {
      if (!in.Read(entry, entryBytes)) return PicFail<bool>(error, kPicErrFileRead);
      const uint32_t slot = uint32_t{h.mapFirst} + i;
      if (slot < 256) img->map[slot] = DecodeEntry(entry, e, 0);
    }
    img->mapEntries = std::min<uint32_t>(uint32_t{h.mapFirst} + h.mapLength, 256);
    img->mapAlpha = e == 32;
  }
  return true;
}

// Rows of file pixels, as stored, packets carried across row ends.
class TgaRows {
 public:
  TgaRows(PicByteReader& in, const TgaHeader& h) : in_(in), h_(h), bpp_(h.PixelBytes()) {}
  bool Next(uint8_t* raw) {
    const uint32_t w = h_.width;
    if (!h_.RunLength()) {
      if (!in_.Read(raw, size_t{w} * bpp_)) return false;
    } else {
      for (uint32_t x = 0; x < w;) {
        if (left_ == 0) {
          const int head = in_.Get();
          if (head < 0) return false;
          run_ = (head & 0x80) != 0;
          left_ = (head & 0x7F) + 1u;
          if (run_ && !in_.Read(pixel_, bpp_)) return false;
        }
        const uint32_t n = std::min(left_, w - x);
        if (run_) {
          for (uint32_t i = 0; i < n; ++i) std::memcpy(raw + (x + i) * bpp_, pixel_, bpp_);
        } else if (!in_.Read(raw + size_t{x} * bpp_, size_t{n} * bpp_)) {
          return false;
        }
        x += n;
        left_ -= n;
      }
    }
    if (h_.RightToLeft())
      for (uint32_t a = 0, b = w - 1; a < b; ++a, --b)
        std::swap_ranges(raw + a * bpp_, raw + (a + 1) * bpp_, raw + b * bpp_);
    return true;
  }

 private:
  PicByteReader& in_;
  const TgaHeader& h_;
  uint32_t bpp_;
  uint32_t left_ = 0;
  bool run_ = false;
  uint8_t pixel_[4] = {};
};

// Reads every row through convert(raw row, output row), in image order
// from the top, with progress; the block keeps what was read.
template <class Convert>
HGLOBAL ReadRows(uint32_t* error, PicByteReader& in, const TgaImage& img, PicImageBlock& block,
                 Convert&& convert) {
  const TgaHeader& h = img.h;
  std::unique_ptr<uint8_t[]> raw(new (std::nothrow) uint8_t[size_t{h.width} * h.PixelBytes()]);
  if (!raw) return PicFail<HGLOBAL>(error, kPicErrNoMemory);
  TgaRows rows(in, h);
  for (uint32_t i = 0; i < h.height; ++i) {
    if (!PicProgress(i, h.height)) {
      *error = kPicErrCancelled;
      break;
    }
    if (!rows.Next(raw.get())) {
      *error = kPicErrFileRead;
      break;
    }
    convert(raw.get(), block.Row(h.TopDown() ? i : h.height - 1 - i));
  }
  return block.Handle();
}

}  // namespace

bool ReadTgaHeader(uint32_t* error, CPicIO& io, TgaHeader* h) {
  uint8_t b[18];
  if (!io.ReadExact(b, sizeof b)) return PicFail<bool>(error, kPicErrFileRead);
  h->idLength = b[0];
  h->mapType = b[1];
  h->type = b[2];
  h->mapFirst = static_cast<uint16_t>(b[3] | b[4] << 8);
  h->mapLength = static_cast<uint16_t>(b[5] | b[6] << 8);
  h->mapEntryBits = b[7];
  h->width = static_cast<uint16_t>(b[12] | b[13] << 8);
  h->height = static_cast<uint16_t>(b[14] | b[15] << 8);
  h->bits = b[16];
  h->descriptor = b[17];
  const uint8_t t = h->type;
  if (!((t >= 1 && t <= 3) || (t >= 9 && t <= 11)) || h->bits > 32)
    return PicFail<bool>(error, kPicErrBadTGA);
  return true;
}

int ReadTGADims(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t* depth) {
  TgaHeader h;
  if (!ReadTgaHeader(error, io, &h)) return 0;
  *width = h.width;
  *height = h.height;
  *depth = h.bits;
  return 1;
}

int ReadTGAPalette(uint32_t* error, CPicIO& io, uint32_t* count, RGBQUAD* palette) {
  if (!palette) return PicFail<int>(error, kPicErrBadArgument);
  uint32_t start = 0;
  io.GetPos(&start);
  TgaHeader h;
  if (!ReadTgaHeader(error, io, &h)) return 0;
  if (h.bits > 8) return PicFail<int>(error, kPicErrBitDepth);
  if (!h.mapType) return PicFail<int>(error, kPicErrBadTGA);
  if (!io.SeekTo(start)) return PicFail<int>(error, kPicErrFileRead);
  std::unique_ptr<PicByteReader> in(new (std::nothrow) PicByteReader(io));
  std::unique_ptr<TgaImage> img(new (std::nothrow) TgaImage);
  if (!in || !img) return PicFail<int>(error, kPicErrNoMemory);
  if (!OpenTga(error, io, *in, img.get())) return 0;
  std::memcpy(palette, img->map, sizeof img->map);
  std::fill(palette + img->mapEntries, palette + 256, palette[0]);
  if (count) *count = img->mapEntries;
  return 1;
}

HGLOBAL ReadTGA8Bit(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                    uint32_t flags) {
  *width = *height = 0;
  const bool dib = (flags & kTgaPackedDIB) != 0;
  if ((dib && (flags & kTgaFileOrder)) || (!dib && !palette))
    return PicFail<HGLOBAL>(error, kPicErrBadArgument);
  std::unique_ptr<PicByteReader> in(new (std::nothrow) PicByteReader(io));
  std::unique_ptr<TgaImage> img(new (std::nothrow) TgaImage);
  if (!in || !img) return PicFail<HGLOBAL>(error, kPicErrNoMemory);
  uint32_t start = 0;
  io.GetPos(&start);
  TgaHeader peek;
  if (!ReadTgaHeader(error, io, &peek)) return nullptr;
  if (peek.bits > 8) return PicFail<HGLOBAL>(error, kPicErrBitDepth);
  if (!io.SeekTo(start)) return PicFail<HGLOBAL>(error, kPicErrFileRead);
  if (!OpenTga(error, io, *in, img.get())) return nullptr;
  const TgaHeader& h = img->h;
  RGBQUAD colours[256];
  if (h.ColourMapped()) {
    std::memcpy(colours, img->map, sizeof colours);
  } else {
    for (int i = 0; i < 256; ++i) colours[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 255};
  }
  if (palette) std::memcpy(palette, colours, sizeof colours);
  PicImageBlock block;
  if (const uint32_t code = block.Allocate(h.width, h.height, 8,
                                           PicRowBytes(h.width, 8, flags & kTgaFileOrder), dib, colours, 256))
    return PicFail<HGLOBAL>(error, code);
  *width = h.width;
  *height = h.height;
  const uint32_t w = h.width;
  return ReadRows(error, *in, *img, block,
                  [&](const uint8_t* raw, uint8_t* out) { std::memcpy(out, raw, w); });
}

HGLOBAL ReadTGAToRGB(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth,
                     uint32_t flags) {
  *width = *height = 0;
  const bool dib = (flags & kTgaPackedDIB) != 0;
  if (dib && (flags & kTgaFileOrder)) return PicFail<HGLOBAL>(error, kPicErrBadArgument);
  if (depth != 24 && depth != 32) return PicFail<HGLOBAL>(error, kPicErrBadArgument);
  std::unique_ptr<PicByteReader> in(new (std::nothrow) PicByteReader(io));
  std::unique_ptr<TgaImage> img(new (std::nothrow) TgaImage);
  if (!in || !img) return PicFail<HGLOBAL>(error, kPicErrNoMemory);
  if (!OpenTga(error, io, *in, img.get())) return nullptr;
  const TgaHeader& h = img->h;
  PicImageBlock block;
  if (const uint32_t code =
          block.Allocate(h.width, h.height, depth, PicRowBytes(h.width, depth, flags & kTgaFileOrder), dib))
    return PicFail<HGLOBAL>(error, code);
  *width = h.width;
  *height = h.height;
  // Colour-map entries without alpha are opaque pixels.
  RGBQUAD map[256];
  std::memcpy(map, img->map, sizeof map);
  if (!img->mapAlpha)
    for (RGBQUAD& e : map) e.rgbReserved = 255;
  const bool bgr = dib || (flags & kTgaFileOrder);
  const uint32_t out = depth / 8, w = h.width, bits = h.bits;
  const bool mapped = h.ColourMapped(), grey = h.Grey();
  return ReadRows(error, *in, *img, block, [&](const uint8_t* raw, uint8_t* row) {
    if (!mapped && !grey && (bits == 24 || bits == 32) && bits / 8 == out) {
      // B, G, R(, A) as stored: a copy, or a swap of red and blue.
      if (bgr) {
        std::memcpy(row, raw, size_t{w} * out);
      } else {
        for (uint32_t x = 0; x < w; ++x, row += out, raw += out) {
          row[0] = raw[2];
          row[1] = raw[1];
          row[2] = raw[0];
          if (out == 4) row[3] = raw[3];
        }
      }
      return;
    }
    for (uint32_t x = 0; x < w; ++x, row += out) {
      RGBQUAD p;
      if (mapped) {
        p = map[raw[x]];
      } else if (grey) {
        const uint8_t* g = raw + x * (bits / 8);
        p = RGBQUAD{g[0], g[0], g[0], bits == 16 ? g[1] : uint8_t{255}};
      } else {
        p = DecodeEntry(raw + x * ((bits + 7) / 8), bits, 255);
      }
      row[0] = bgr ? p.rgbBlue : p.rgbRed;
      row[1] = p.rgbGreen;
      row[2] = bgr ? p.rgbRed : p.rgbBlue;
      if (out == 4) row[3] = p.rgbReserved;
    }
  });
}

HGLOBAL ReadTGAToDIB(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height) {
  uint32_t start = 0;
  io.GetPos(&start);
  TgaHeader h;
  if (!ReadTgaHeader(error, io, &h)) return nullptr;
  if (!io.SeekTo(start)) return PicFail<HGLOBAL>(error, kPicErrFileRead);
  if (h.bits <= 8) return ReadTGA8Bit(error, io, width, height, nullptr, kTgaPackedDIB);
  return ReadTGAToRGB(error, io, width, height, h.bits == 32 ? 32 : 24, kTgaPackedDIB);
}

}  // namespace Pictura
