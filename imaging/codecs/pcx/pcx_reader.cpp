// PCX readers: header, palette, the run-length line reader and the
// whole-image read into rows or a packed DIB.
#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/image_block.h"
#include "codecs/pcx/pcx_codec.h"
#include "core/allocators.h"

namespace Pictura {

namespace {

uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// The layouts PCX files use: bits per plane x planes.
bool StandardLayout(uint32_t bits, uint32_t planes) {
  if (bits == 1) return planes >= 1 && planes <= 4;
  if (bits == 2 || bits == 4) return planes == 1;
  return bits == 8 && (planes == 1 || planes == 3);
}

// The depth a DIB or a default line read gets: 1, 8 or 24.
uint32_t NaturalDepth(const PcxHeader& h) {
  const uint32_t bits = h.FileBits();
  return bits == 1 ? 1 : bits <= 8 ? 8 : 24;
}

}  // namespace

bool ReadPcxHeader(uint32_t* error, CPicIO& io, PcxHeader* h) {
  uint8_t b[128];
  if (!io.ReadExact(b, sizeof b)) return PicFail<bool>(error, kPicErrBadPCX);
  if (b[0] != 10 || (b[1] != 0 && b[1] != 2 && b[1] != 3 && b[1] != 5))
    return PicFail<bool>(error, kPicErrBadPCX);
  h->version = b[1];
  h->bitsPerPlane = b[3];
  const int32_t width = int32_t{Get16(b + 8)} - Get16(b + 4) + 1;
  const int32_t height = int32_t{Get16(b + 10)} - Get16(b + 6) + 1;
  h->dpiX = Get16(b + 12);
  h->dpiY = Get16(b + 14);
  for (int i = 0; i < 16; ++i)
    h->headerPalette[i] = RGBQUAD{b[16 + 3 * i + 2], b[16 + 3 * i + 1], b[16 + 3 * i], 0};
  h->planes = b[65];
  h->bytesPerLine = Get16(b + 66);
  h->paletteInfo = Get16(b + 68);
  if (width <= 0 || height <= 0) return PicFail<bool>(error, kPicErrBadPCX);
  h->width = static_cast<uint32_t>(width);
  h->height = static_cast<uint32_t>(height);
  // A line shorter than its pixels would leave them undefined.
  if (!StandardLayout(h->bitsPerPlane, h->planes) ||
      h->bytesPerLine < (uint64_t{h->width} * h->bitsPerPlane + 7) / 8)
    return PicFail<bool>(error, kPicErrBadPCX);
  return true;
}

bool ReadPcxColours(CPicIO& io, const PcxHeader& h, RGBQUAD palette[256], uint64_t* tableAt) {
  const uint32_t bits = h.FileBits();
  const bool wanted = h.version == 5 && bits == 8;
  bool table = false;
  uint32_t at = 0;
  if (wanted && io.Seek(-769, kPicSeekEnd) && io.GetPos(&at)) {
    uint8_t t[769];
    if (io.ReadExact(t, sizeof t) && t[0] == 12) {
      for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{t[1 + 3 * i + 2], t[1 + 3 * i + 1], t[1 + 3 * i], 0};
      table = true;
    }
  }
  if (tableAt) *tableAt = table ? at : UINT64_MAX;
  if (!table)
    for (int i = 0; i < 256; ++i) {
      const uint8_t v = static_cast<uint8_t>(i);
      palette[i] = RGBQUAD{v, v, v, 0};
    }
  if (bits >= 8) return table || !wanted;
  const uint32_t used = 1u << bits;
  if (bits == 1) {
    palette[0] = RGBQUAD{0, 0, 0, 0};
    palette[1] = RGBQUAD{255, 255, 255, 0};
  } else {
    std::copy(h.headerPalette, h.headerPalette + used, palette);
  }
  std::fill(palette + used, palette + 256, palette[0]);
  return true;
}

int ReadPCXDims(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                PicResolutionInfo* resolution) {
  PcxHeader h;
  if (!ReadPcxHeader(error, io, &h)) return 0;
  *width = h.width;
  *height = h.height;
  *bitDepth = h.FileBits();
  if (resolution)
    *resolution = PicResolutionInfo{static_cast<double>(h.dpiX), static_cast<double>(h.dpiY), 0};
  return 1;
}

int ReadPCXPalette(uint32_t* error, CPicIO& io, uint32_t* count, RGBQUAD* palette) {
  if (!palette) return PicFail<int>(error, kPicErrBadArgument);
  PcxHeader h;
  if (!ReadPcxHeader(error, io, &h)) return 0;
  if (h.FileBits() > 8) return PicFail<int>(error, kPicErrBitDepth);
  if (!ReadPcxColours(io, h, palette, nullptr)) PicCountCodecWarning();
  if (count) *count = 256;
  return 1;
}

// ---- Line reader ---------------------------------------------------------------

PCXLineReader* PCXLineReader::Open(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height,
                                   RGBQUAD* palette, uint32_t* depth) {
  uint32_t start = 0;
  if (!io.GetPos(&start)) start = 0;
  std::unique_ptr<PCXLineReader> r(new (std::nothrow) PCXLineReader(io));
  if (!r) return PicFail<PCXLineReader*>(error, kPicErrNoMemory);
  PcxHeader& h = r->header_;
  if (!ReadPcxHeader(error, io, &h)) return nullptr;
  const uint32_t want = *depth ? *depth : NaturalDepth(h);
  if (want != 1 && want != 8 && want != 24) return PicFail<PCXLineReader*>(error, kPicErrBadArgument);
  if (h.FileBits() > want) return PicFail<PCXLineReader*>(error, kPicErrBitDepth);
  // A small file claiming a huge picture: every run gives at most 63 bytes
  // for 2 bytes of file.
  const uint64_t scanBytes = uint64_t{h.height} * h.ScanLineBytes();
  if (!PicDecodePlausible(uint64_t{h.width} * h.height, scanBytes, PicBytesLeft(io), 32))
    return PicFail<PCXLineReader*>(error, kPicErrBadPCX);
  if (!ReadPcxColours(io, h, r->palette_, &r->tableAt_)) PicCountCodecWarning();
  if (!io.SeekTo(uint64_t{start} + 128)) return PicFail<PCXLineReader*>(error, kPicErrNoMemory);
  r->scan_.reset(new (std::nothrow) uint8_t[h.ScanLineBytes()]);
  r->indices_.reset(new (std::nothrow) uint8_t[h.width]);
  if (!r->scan_ || !r->indices_) return PicFail<PCXLineReader*>(error, kPicErrNoMemory);
  r->depth_ = want;
  *depth = want;
  if (palette && want <= 8) std::memcpy(palette, r->palette_, sizeof r->palette_);
  if (width) *width = h.width;
  if (height) *height = h.height;
  return r.release();
}

bool PCXLineReader::DecodeScanLine() {
  uint8_t* out = scan_.get();
  const uint32_t n = header_.ScanLineBytes();
  uint32_t i = 0;
  while (i < n) {
    // Whole units straight from the buffered bytes, one at a time near its end.
    const uint8_t* p = in_.Peek();
    const size_t avail = in_.Buffered();
    size_t k = 0;
    while (i < n && k + 1 < avail) {
      const uint8_t b = p[k];
      if (b < 0xC0) {
        out[i++] = b;
        ++k;
      } else {
        // A run never reaches into the next line.
        const uint32_t count = std::min<uint32_t>(b & 0x3F, n - i);
        std::memset(out + i, p[k + 1], count);
        i += count;
        k += 2;
      }
    }
    in_.Skip(k);
    if (i >= n) break;
    const int b = in_.Get();
    if (b < 0) return false;
    if (b < 0xC0) {
      out[i++] = static_cast<uint8_t>(b);
      continue;
    }
    const int v = in_.Get();
    if (v < 0) return false;
    const uint32_t count = std::min<uint32_t>(b & 0x3F, n - i);
    std::memset(out + i, v, count);
    i += count;
  }
  return true;
}

bool PCXLineReader::ReadNextLine(uint32_t* error, uint8_t* row, uint32_t* rowIndex) {
  if (!row) return PicFail<bool>(error, kPicErrBadArgument);
  if (rowsRead_ >= header_.height) return PicFail<bool>(error, kPicErrEndOfImage);
  if (!DecodeScanLine()) return PicFail<bool>(error, kPicErrFileRead);
  const uint32_t w = header_.width, bpl = header_.bytesPerLine, bits = header_.bitsPerPlane;
  const uint8_t* s = scan_.get();
  if (header_.FileBits() == 24) {
    for (uint32_t x = 0; x < w; ++x) {
      row[3 * x] = s[x];
      row[3 * x + 1] = s[bpl + x];
      row[3 * x + 2] = s[2 * bpl + x];
    }
  } else if (depth_ == 1) {
    std::memcpy(row, s, (size_t{w} + 7) / 8);
  } else {
    uint8_t* idx = depth_ == 8 ? row : indices_.get();
    if (header_.planes == 1 && bits == 8) {
      std::memcpy(idx, s, w);
    } else if (header_.planes == 1) {
      const uint32_t perByte = 8 / bits, mask = (1u << bits) - 1;
      for (uint32_t x = 0; x < w; ++x)
        idx[x] = static_cast<uint8_t>(s[x / perByte] >> (8 - bits * (x % perByte + 1)) & mask);
    } else {
      // One bit from each plane, plane 0 the lowest.
      for (uint32_t x = 0; x < w; ++x) {
        uint32_t v = 0;
        for (uint32_t p = 0; p < header_.planes; ++p) v |= (s[p * bpl + x / 8] >> (7 - x % 8) & 1u) << p;
        idx[x] = static_cast<uint8_t>(v);
      }
    }
    if (depth_ == 24)
      for (uint32_t x = 0; x < w; ++x) {
        const RGBQUAD& e = palette_[idx[x]];
        row[3 * x] = e.rgbRed;
        row[3 * x + 1] = e.rgbGreen;
        row[3 * x + 2] = e.rgbBlue;
      }
  }
  if (rowIndex) *rowIndex = rowsRead_;
  // A colour table found where the pixels still lie is a cut one: the file
  // ended inside it, and the "table" is pixel data.
  if (++rowsRead_ == header_.height && tableAt_ != UINT64_MAX) {
    uint32_t pos = 0;
    if (in_.Source().GetPos(&pos) && pos - in_.Buffered() > tableAt_) PicCountCodecWarning();
  }
  return true;
}

void DestroyPCXLineReader(PCXLineReader* reader) {
  delete reader;
}

// ---- Whole image ---------------------------------------------------------------

HGLOBAL ReadPCXImage(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth,
                     RGBQUAD* palette, uint32_t flags) {
  *width = *height = 0;
  const bool dib = (flags & kPcxPackedDIB) != 0, fileOrder = (flags & kPcxFileOrder) != 0;
  if (dib && fileOrder) return PicFail<HGLOBAL>(error, kPicErrBadArgument);
  if (dib) depth = 0;
  if (!dib && depth != 24 && !palette) return PicFail<HGLOBAL>(error, kPicErrBadArgument);
  std::unique_ptr<PCXLineReader, void (*)(PCXLineReader*)> r(
      PCXLineReader::Open(error, io, width, height, dib ? nullptr : palette, &depth), DestroyPCXLineReader);
  if (!r) return nullptr;
  const uint32_t w = *width, h = *height;
  PicImageBlock block;
  const uint32_t colours = depth == 1 ? 2 : depth == 8 ? 256 : 0;
  if (const uint32_t code =
          block.Allocate(w, h, depth, PicRowBytes(w, depth, fileOrder), dib, r->Palette(), colours))
    return PicFail<HGLOBAL>(error, code);
  const bool swap = depth == 24 && (dib || fileOrder);
  for (uint32_t y = 0; y < h; ++y) {
    if (!PicProgress(y, h)) {
      *error = kPicErrCancelled;
      break;
    }
    uint8_t* row = block.Row(y);
    if (!r->ReadNextLine(error, row, nullptr)) break;
    if (swap)
      for (uint32_t x = 0; x < w; ++x) std::swap(row[3 * x], row[3 * x + 2]);
  }
  return block.Handle();
}

}  // namespace Pictura
