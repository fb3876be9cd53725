// PSD readers: header, colour-mode data, image resources, the layer section
// skipped, and the composite planes (raw or PackBits) into interleaved rows.
#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/image_block.h"
#include "codecs/meta/photoshop_resources.h"
#include "codecs/psd/psd_codec.h"

namespace Pictura {

namespace {

constexpr uint32_t kMaxChannels = 56;
constexpr uint32_t kMaxSide = 300000;
// Resource sections of sources that cannot tell their size.
constexpr uint32_t kMaxUnsizedResources = 64u << 20;

bool ReadBE16(CPicIO& io, uint32_t* v) {
  uint8_t b[2];
  if (!io.ReadExact(b, 2)) return false;
  *v = uint32_t{b[0]} << 8 | b[1];
  return true;
}
bool ReadBE32(CPicIO& io, uint32_t* v) {
  uint8_t b[4];
  if (!io.ReadExact(b, 4)) return false;
  *v = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
  return true;
}
// Forward by n bytes; false past what a source can seek to.
bool Skip(CPicIO& io, uint32_t n) {
  uint32_t pos = 0;
  if (!io.GetPos(&pos)) return false;
  uint32_t size = 0;
  if (io.GetSize(&size) && uint64_t{pos} + n > size) return false;
  return io.SeekTo(uint64_t{pos} + n);
}

uint32_t ColourChannels(uint32_t mode) {
  return mode == kPsdRGB ? 3 : mode == kPsdCMYK ? 4 : 1;
}
bool Paletted(uint32_t mode) {
  return mode == kPsdBitmap || mode == kPsdGrey || mode == kPsdIndexed || mode == kPsdDuotone;
}

// Everything before the pixels.
struct PsdFile {
  PsdHeader h;
  RGBQUAD palette[256] = {};
  uint32_t compression = 0;
  std::vector<uint16_t> rowCounts;  // PackBits: channels x height, channel-major
  uint64_t RowBytes() const { return (uint64_t{h.width} * h.depth + 7) / 8; }
};

bool ReadHeaderFields(uint32_t* err, CPicIO& io, PsdHeader* h) {
  uint8_t b[26];
  if (!io.ReadExact(b, 26)) return PicFail<bool>(err, kPicErrBadPSD);
  auto be16 = [&](int at) { return uint32_t{b[at]} << 8 | b[at + 1]; };
  auto be32 = [&](int at) { return be16(at) << 16 | be16(at + 2); };
  if (std::memcmp(b, "8BPS", 4) != 0 || be16(4) != 1) return PicFail<bool>(err, kPicErrBadPSD);
  h->channels = be16(12);
  h->height = be32(14);
  h->width = be32(18);
  h->depth = be16(22);
  h->mode = be16(24);
  if (h->depth != 1 && h->depth != 8 && h->depth != 16) return PicFail<bool>(err, kPicErrPSDSubFormat);
  if (h->mode > kPsdCMYK && h->mode != kPsdDuotone) return PicFail<bool>(err, kPicErrPSDSubFormat);
  // The channel count must hold the colour mode's channels; bitmaps are 1 bit.
  if (h->channels < ColourChannels(h->mode) || h->channels > kMaxChannels || h->width == 0 ||
      h->height == 0 || h->width > kMaxSide || h->height > kMaxSide ||
      (h->mode == kPsdBitmap) != (h->depth == 1))
    return PicFail<bool>(err, kPicErrBadPSD);
  return true;
}

// warn: a read of pixels or of the palette, where a missing colour table
// counts a codec warning (the picture comes in grey).
bool ReadColourModeData(uint32_t* err, CPicIO& io, PsdFile* f, bool warn) {
  uint32_t length = 0;
  if (!ReadBE32(io, &length)) return PicFail<bool>(err, kPicErrFileRead);
  for (int i = 0; i < 256; ++i) {
    const uint8_t v = static_cast<uint8_t>(i);
    f->palette[i] = RGBQUAD{v, v, v, 0};
  }
  if (f->h.mode == kPsdBitmap) {
    std::memset(f->palette, 0, sizeof f->palette);
    f->palette[0] = RGBQUAD{255, 255, 255, 0};
  }
  if (f->h.mode == kPsdIndexed && length == 0) {
    // No colour table: the indices are read as grey levels.
    if (warn) PicCountCodecWarning();
  } else if (f->h.mode == kPsdIndexed) {
    // A part of a table would leave the sections after it misread.
    if (length < 768) return PicFail<bool>(err, kPicErrBadPSD);
    uint8_t table[768];
    if (!io.ReadExact(table, 768)) return PicFail<bool>(err, kPicErrFileRead);
    for (int i = 0; i < 256; ++i) f->palette[i] = RGBQUAD{table[512 + i], table[256 + i], table[i], 0};
    length -= 768;
  }
  // Whatever else the section holds (duotone specifications) is skipped.
  if (length && !Skip(io, length)) return PicFail<bool>(err, kPicErrFileRead);
  return true;
}

bool ReadResources(uint32_t* err, CPicIO& io, PicArray<unsigned char>* out) {
  uint32_t length = 0;
  out->Clear();
  if (!ReadBE32(io, &length)) return PicFail<bool>(err, kPicErrFileRead);
  if (length == 0) return true;
  // Bounded by what the source holds, so a forged length allocates nothing.
  const uint64_t left = PicBytesLeft(io);
  if (left ? length > left : length > kMaxUnsizedResources) return PicFail<bool>(err, kPicErrFileRead);
  if (!out->Resize(length)) return PicFail<bool>(err, kPicErrNoMemory);
  if (!io.ReadExact(out->Data(), length)) {
    out->Clear();
    return PicFail<bool>(err, kPicErrFileRead);
  }
  return true;
}

bool SkipLayers(uint32_t* err, CPicIO& io) {
  uint32_t length = 0;
  if (!ReadBE32(io, &length) || !Skip(io, length)) return PicFail<bool>(err, kPicErrFileRead);
  DebugHook(0, "read %d. layersLen %d\n", 4 + static_cast<int>(length), static_cast<int>(length));
  return true;
}

// Resource 1005: 16.16 resolutions, stored per inch whatever unit they are
// shown in. The unit code follows the horizontal display unit and holds for
// both values: 1 per inch, 2 per centimetre (both converted), any other 0
// (the values as stored).
void ResolutionFromResources(const PicArray<unsigned char>& bytes, PicResolutionInfo* res) {
  *res = PicResolutionInfo{};
  if (bytes.Empty()) return;
  PhotoshopResourceList list;
  if (!list.Parse(bytes.Data(), bytes.Count(), 1)) return;
  const PhotoshopResourceBlock* b = list.Find(kPhotoshopResolutionID);
  if (!b || b->DataSize() < 16 || b->bytes.Count() - b->headerLength < 16) return;
  const uint8_t* p = b->Data();
  auto be16 = [&](int at) { return uint32_t{p[at]} << 8 | p[at + 1]; };
  const int16_t x = static_cast<int16_t>(be16(0)), y = static_cast<int16_t>(be16(8));
  const uint32_t unit = be16(4);
  res->unit = unit == 1 ? 1 : 0;
  res->x = x;
  res->y = y;
  if (unit == 2) {
    res->unit = 2;
    res->x = static_cast<int32_t>(x * 0.39370079);
    res->y = static_cast<int32_t>(y * 0.39370079);
  }
}

// Header through the compression word and the row-count table.
bool OpenPsd(PSDCodecContext* ctx, CPicIO& io, PsdFile* f) {
  uint32_t* err = &ctx->error;
  if (!ReadHeaderFields(err, io, &f->h) || !ReadColourModeData(err, io, f, true) ||
      !ReadResources(err, io, &ctx->resources) || !SkipLayers(err, io))
    return false;
  if (!ReadBE16(io, &f->compression) || f->compression > 1) return PicFail<bool>(err, kPicErrFileRead);
  const PsdHeader& h = f->h;
  const uint64_t pixels = uint64_t{h.width} * h.height;
  const uint64_t bytes = f->RowBytes() * h.height * h.channels;
  // PackBits at best: 128 bytes from 2.
  if (!PicDecodePlausible(pixels, bytes, PicBytesLeft(io), f->compression ? 64 : 1))
    return PicFail<bool>(err, kPicErrFileRead);
  if (f->compression == 1) {
    const uint64_t rows = uint64_t{h.channels} * h.height;
    const uint64_t left = PicBytesLeft(io);
    if (left && rows * 2 > left) return PicFail<bool>(err, kPicErrFileRead);
    try {
      f->rowCounts.resize(static_cast<size_t>(rows));
    } catch (...) {
      return PicFail<bool>(err, kPicErrNoMemory);
    }
    std::vector<uint8_t> table(static_cast<size_t>(rows * 2));
    if (!io.ReadExact(table.data(), static_cast<uint32_t>(rows * 2)))
      return PicFail<bool>(err, kPicErrFileRead);
    for (size_t i = 0; i < rows; ++i)
      f->rowCounts[i] = static_cast<uint16_t>(table[2 * i] << 8 | table[2 * i + 1]);
  }
  return true;
}

// PackBits into exactly `size` bytes; false when the input ends first. A
// row whose packets leave bytes over (or overshoot) is traced and kept.
bool UnpackBits(const uint8_t* in, uint32_t n, uint8_t* out, uint32_t size) {
  uint32_t i = 0, o = 0;
  bool literal = true;
  while (o < size) {
    if (i >= n) return false;
    const int8_t head = static_cast<int8_t>(in[i++]);
    if (head >= 0) {
      const uint32_t len = uint32_t(head) + 1;
      if (n - i < len) return false;
      const uint32_t take = std::min(len, size - o);
      std::memcpy(out + o, in + i, take);
      i += len, o += take, literal = true;
    } else if (head != -128) {
      if (i >= n) return false;
      const uint32_t len = 1u - head;
      std::memset(out + o, in[i++], std::min(len, size - o));
      o += std::min(len, size - o), literal = false;
    }
  }
  if (i != n)
    DebugHook(0, literal ? "RLE Row Size Mismatch in PSD decode [1].\n"
                         : "RLE Row Size Mismatch in PSD decode [2].\n");
  return true;
}

// Where the decoded samples go.
enum class Store { kIndex, kExpand, kSample, kBlack };

struct Output {
  PicImageBlock block;
  uint32_t pixelBytes = 0;  // bytes a pixel
  bool sixteen = false;
  uint32_t channels = 0;  // file channels read (a prefix of the file's)
  Store store[kMaxChannels] = {};
  uint32_t offset[kMaxChannels] = {};  // sample index in the pixel
  uint32_t rgb[3] = {0, 1, 2};         // offsets of R, G, B for kExpand
  std::vector<uint16_t> black;         // CMYK to RGB: the K plane
};

class PlaneReader {
 public:
  PlaneReader(uint32_t* err, CPicIO& io, const PsdFile& f) : err_(err), io_(io), f_(f) {}

  // Reads channels [0, out.channels) into the output.
  bool Run(Output& out) {
    const PsdHeader& h = f_.h;
    const uint64_t rowBytes = f_.RowBytes();
    try {
      row_.resize(static_cast<size_t>(rowBytes));
      packed_.resize(65536);
    } catch (...) {
      return PicFail<bool>(err_, kPicErrNoMemory);
    }
    const uint32_t total = out.channels * h.height;
    for (uint32_t c = 0; c < out.channels; ++c)
      for (uint32_t y = 0; y < h.height; ++y) {
        if (!ReadRow(c, y)) return PicFail<bool>(err_, kPicErrFileRead);
        StoreRow(out, c, y);
        if (!PicProgress(c * h.height + y + 1, total)) return PicFail<bool>(err_, kPicErrCancelled);
      }
    return true;
  }

 private:
  bool ReadRow(uint32_t c, uint32_t y) {
    const uint32_t size = static_cast<uint32_t>(row_.size());
    if (f_.compression == 0) return io_.ReadExact(row_.data(), size);
    const uint32_t n = f_.rowCounts[size_t{c} * f_.h.height + y];
    return io_.ReadExact(packed_.data(), n) && UnpackBits(packed_.data(), n, row_.data(), size);
  }

  uint32_t Sample8(uint32_t x) const {
    switch (f_.h.depth) {
      case 1:
        return row_[x >> 3] >> (7 - (x & 7)) & 1;
      case 8:
        return row_[x];
      default:
        return row_[2 * x];  // the high byte
    }
  }
  uint32_t Sample16(uint32_t x) const {
    return f_.h.depth == 16 ? uint32_t{row_[2 * x]} << 8 | row_[2 * x + 1] : Sample8(x) * 257;
  }

  void StoreRow(Output& out, uint32_t c, uint32_t y) {
    const uint32_t w = f_.h.width, step = out.pixelBytes;
    uint8_t* dst = out.block.Row(y);
    switch (out.store[c]) {
      case Store::kIndex:
        for (uint32_t x = 0; x < w; ++x) dst[x] = static_cast<uint8_t>(Sample8(x));
        break;
      case Store::kExpand:
        if (out.sixteen) {
          // Grey samples keep their 16 bits; palette colours are widened.
          const bool grey = f_.h.mode == kPsdGrey || f_.h.mode == kPsdDuotone;
          auto* d = reinterpret_cast<uint16_t*>(dst);
          for (uint32_t x = 0; x < w; ++x) {
            uint16_t* p = d + size_t{x} * step / 2;
            if (grey) {
              p[0] = p[1] = p[2] = static_cast<uint16_t>(Sample16(x));
            } else {
              const RGBQUAD& q = f_.palette[Sample8(x)];
              p[out.rgb[0]] = q.rgbRed * 257, p[out.rgb[1]] = q.rgbGreen * 257,
              p[out.rgb[2]] = q.rgbBlue * 257;
            }
          }
          break;
        }
        for (uint32_t x = 0; x < w; ++x) {
          const RGBQUAD& q = f_.palette[Sample8(x)];
          uint8_t* p = dst + size_t{x} * step;
          p[out.rgb[0]] = q.rgbRed, p[out.rgb[1]] = q.rgbGreen, p[out.rgb[2]] = q.rgbBlue;
        }
        break;
      case Store::kSample:
        if (out.sixteen) {
          auto* d = reinterpret_cast<uint16_t*>(dst) + out.offset[c];
          for (uint32_t x = 0; x < w; ++x) d[size_t{x} * step / 2] = static_cast<uint16_t>(Sample16(x));
        } else if (f_.h.depth == 8) {
          uint8_t* d = dst + out.offset[c];
          for (uint32_t x = 0; x < w; ++x) d[size_t{x} * step] = row_[x];
        } else {
          uint8_t* d = dst + out.offset[c];
          for (uint32_t x = 0; x < w; ++x) d[size_t{x} * step] = static_cast<uint8_t>(Sample8(x));
        }
        break;
      case Store::kBlack: {
        uint16_t* k = out.black.data() + size_t{y} * w;
        for (uint32_t x = 0; x < w; ++x) k[x] = static_cast<uint16_t>(out.sixteen ? Sample16(x) : Sample8(x));
        break;
      }
    }
  }

  uint32_t* err_;
  CPicIO& io_;
  const PsdFile& f_;
  std::vector<uint8_t> row_, packed_;
};

// Stored CMYK is inverted (255 no ink): each colour times K.
void ApplyBlack(Output& out, const PsdHeader& h) {
  const uint32_t full = out.sixteen ? 65535 : 255;
  for (uint32_t y = 0; y < h.height; ++y) {
    const uint16_t* k = out.black.data() + size_t{y} * h.width;
    uint8_t* row = out.block.Row(y);
    for (uint32_t x = 0; x < h.width; ++x)
      for (uint32_t s = 0; s < 3; ++s) {
        if (out.sixteen) {
          auto* p = reinterpret_cast<uint16_t*>(row) + size_t{x} * out.pixelBytes / 2 + out.rgb[s];
          *p = static_cast<uint16_t>(uint32_t{*p} * k[x] / full);
        } else {
          uint8_t* p = row + size_t{x} * out.pixelBytes + out.rgb[s];
          *p = static_cast<uint8_t>(uint32_t{*p} * k[x] / full);
        }
      }
  }
}

// Opaque alpha everywhere, for files without an alpha channel.
void FillAlpha(Output& out, const PsdHeader& h, uint32_t at) {
  for (uint32_t y = 0; y < h.height; ++y) {
    uint8_t* row = out.block.Row(y);
    for (uint32_t x = 0; x < h.width; ++x) {
      if (out.sixteen)
        reinterpret_cast<uint16_t*>(row)[size_t{x} * out.pixelBytes / 2 + at] = 65535;
      else
        row[size_t{x} * out.pixelBytes + at] = 255;
    }
  }
}

// Plans and reads one colour output: channels 3 (R, G, B) or 4 (with
// alpha, or CMYK kept); bgr for DIB rows.
HGLOBAL ReadColour(PSDCodecContext* ctx, CPicIO& io, const PsdFile& f, uint32_t channels, bool sixteen,
                   bool keepCMYK, bool dib) {
  const PsdHeader& h = f.h;
  Output out;
  out.sixteen = sixteen;
  out.pixelBytes = channels * (sixteen ? 2 : 1);
  const uint32_t order[4] = {dib ? 2u : 0u, 1u, dib ? 0u : 2u, 3u};
  std::copy(order, order + 3, out.rgb);
  const uint32_t colours = ColourChannels(h.mode);
  const bool cmykAsIs = h.mode == kPsdCMYK && keepCMYK;
  const bool alphaChannel = channels == 4 && !cmykAsIs && h.channels > colours;
  if (Paletted(h.mode)) {
    out.store[0] = Store::kExpand;
  } else {
    for (uint32_t c = 0; c < 3; ++c) out.store[c] = Store::kSample, out.offset[c] = order[c];
  }
  out.channels = Paletted(h.mode) ? 1 : 3;
  if (cmykAsIs) {
    out.store[3] = Store::kSample, out.offset[3] = 3, out.channels = 4;
  } else if (h.mode == kPsdCMYK) {
    out.store[3] = Store::kBlack, out.channels = 4;
  }
  if (alphaChannel) {
    out.store[colours] = Store::kSample, out.offset[colours] = 3;
    out.channels = colours + 1;
  }
  const uint64_t rowBytes = uint64_t{h.width} * out.pixelBytes;
  if (uint32_t code = out.block.Allocate(h.width, h.height, channels * (sixteen ? 16 : 8), rowBytes, dib))
    return PicFail<HGLOBAL>(&ctx->error, code);
  if (channels == 4 && !cmykAsIs && !alphaChannel) FillAlpha(out, h, 3);
  if (h.mode == kPsdCMYK && !cmykAsIs) {
    try {
      out.black.resize(static_cast<size_t>(uint64_t{h.width} * h.height));
    } catch (...) {
      return PicFail<HGLOBAL>(&ctx->error, kPicErrNoMemory);
    }
  }
  PlaneReader reader(&ctx->error, io, f);
  if (reader.Run(out) && !out.black.empty()) ApplyBlack(out, h);
  return out.block.Handle();
}

HGLOBAL ReadIndices(PSDCodecContext* ctx, CPicIO& io, const PsdFile& f, bool dib) {
  Output out;
  out.pixelBytes = 1;
  out.channels = 1;
  out.store[0] = Store::kIndex;
  if (uint32_t code = out.block.Allocate(f.h.width, f.h.height, 8, f.h.width, dib, f.palette, 256))
    return PicFail<HGLOBAL>(&ctx->error, code);
  PlaneReader reader(&ctx->error, io, f);
  reader.Run(out);
  return out.block.Handle();
}

}  // namespace

int ReadPSDHeader(PSDCodecContext* ctx, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t* depth,
                  uint32_t* mode, PicResolutionInfo* resolution, uint32_t) {
  if (!width || !height || !depth || !mode) return PicFail<int>(&ctx->error, kPicErrBadArgument);
  PsdFile f;
  if (!ReadHeaderFields(&ctx->error, io, &f.h) || !ReadColourModeData(&ctx->error, io, &f, false) ||
      !ReadResources(&ctx->error, io, &ctx->resources))
    return 0;
  *width = f.h.width;
  *height = f.h.height;
  *depth = f.h.depth;
  *mode = f.h.mode;
  if (resolution) ResolutionFromResources(ctx->resources, resolution);
  return 1;
}

int ReadPSDResourceBytes(PSDCodecContext* ctx, CPicIO& io) {
  PsdFile f;
  return ReadHeaderFields(&ctx->error, io, &f.h) && ReadColourModeData(&ctx->error, io, &f, false) &&
         ReadResources(&ctx->error, io, &ctx->resources);
}

HGLOBAL ReadPSDThumbnail(PSDCodecContext* ctx, CPicIO& io, PsdThumbnail* thumbnail, uint32_t* size) {
  *size = 0;
  if (!ReadPSDResourceBytes(ctx, io)) return nullptr;
  PhotoshopResourceList list;
  if (!ctx->resources.Empty()) list.Parse(ctx->resources.Data(), ctx->resources.Count(), 1);
  const PhotoshopResourceBlock* b = list.Find(kPhotoshopThumbnailID);
  thumbnail->rgbOrder = b != nullptr;
  if (!b) b = list.Find(kPhotoshopThumbnailBGRID);
  if (!b) return PicFail<HGLOBAL>(&ctx->error, kPicErrPSDResourceMissing);
  // The record's claims are checked against the bytes the block holds.
  const uint32_t held = std::min(b->DataSize(), b->bytes.Count() - b->headerLength);
  if (held < 28) return PicFail<HGLOBAL>(&ctx->error, kPicErrBadPSD);
  const uint8_t* p = b->Data();
  auto be32 = [&](int at) {
    return uint32_t{p[at]} << 24 | uint32_t{p[at + 1]} << 16 | uint32_t{p[at + 2]} << 8 | p[at + 3];
  };
  *thumbnail = PsdThumbnail{be32(0),
                            be32(4),
                            be32(8),
                            be32(12),
                            be32(16),
                            be32(20),
                            uint32_t{p[24]} << 8 | p[25],
                            uint32_t{p[26]} << 8 | p[27],
                            thumbnail->rgbOrder};
  if (thumbnail->compressedSize > held - 28) return PicFail<HGLOBAL>(&ctx->error, kPicErrBadPSD);
  if (thumbnail->compressedSize == 0) return PicFail<HGLOBAL>(&ctx->error, kPicErrPSDResourceMissing);
  HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, thumbnail->compressedSize);
  if (!block) return PicFail<HGLOBAL>(&ctx->error, kPicErrNoMemory);
  std::memcpy(block, p + 28, thumbnail->compressedSize);
  *size = thumbnail->compressedSize;
  return block;
}

int ReadPSDPalette(PSDCodecContext* ctx, CPicIO& io, uint32_t* count, RGBQUAD* palette) {
  if (!palette || !count) return PicFail<int>(&ctx->error, kPicErrBadArgument);
  PsdFile f;
  if (!ReadHeaderFields(&ctx->error, io, &f.h)) return 0;
  if (!Paletted(f.h.mode)) return PicFail<int>(&ctx->error, kPicErrBitDepth);
  if (!ReadColourModeData(&ctx->error, io, &f, true)) return 0;
  std::memcpy(palette, f.palette, sizeof f.palette);
  *count = 256;
  return 1;
}

HGLOBAL ReadPSDToRGB(PSDCodecContext* ctx, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t channels,
                     bool sixteen, uint32_t flags) {
  PsdFile f;
  if (!OpenPsd(ctx, io, &f)) return nullptr;
  *width = f.h.width;
  *height = f.h.height;
  const bool keep = (flags & kPsdKeepCMYK) && channels == 4;
  return ReadColour(ctx, io, f, channels, sixteen, keep, false);
}

HGLOBAL ReadPSD8Bit(PSDCodecContext* ctx, CPicIO& io, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                    uint32_t) {
  if (!palette) return PicFail<HGLOBAL>(&ctx->error, kPicErrBadArgument);
  PsdFile f;
  if (!OpenPsd(ctx, io, &f)) return nullptr;
  *width = f.h.width;
  *height = f.h.height;
  if (!Paletted(f.h.mode)) return PicFail<HGLOBAL>(&ctx->error, kPicErrPSDSubFormat);
  std::memcpy(palette, f.palette, sizeof f.palette);
  return ReadIndices(ctx, io, f, false);
}

HGLOBAL ReadPSDToDIB(PSDCodecContext* ctx, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t flags) {
  PsdFile f;
  if (!OpenPsd(ctx, io, &f)) return nullptr;
  *width = f.h.width;
  *height = f.h.height;
  if (Paletted(f.h.mode)) return ReadIndices(ctx, io, f, true);
  const bool keep = f.h.mode == kPsdCMYK && (flags & kPsdKeepCMYK);
  return ReadColour(ctx, io, f, keep ? 4 : 3, false, keep, true);
}

}  // namespace Pictura
