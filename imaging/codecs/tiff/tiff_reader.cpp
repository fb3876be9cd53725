// The TIFF reader: handles, pages, dimensions, whole-image reads at every
// depth and the tag queries.
#include <cstring>
#include <new>
#include <vector>

#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/tiff/tiff_glue.h"
#include "codecs/tiff/tiff_orientation.h"
#include "core/packing.h"

namespace Pictura {
namespace {

// A header may claim any size: beyond the free allowance the file must
// hold the image at a ratio no codec of libtiff's beats in practice (a
// blank CCITT page is about the best).
constexpr uint64_t kTIFFRawBytesPerFileByte = 16384;

struct PageLayout {
  uint32_t width = 0, height = 0;
  uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, orientation = 1;
  uint16_t extras = 0;
  bool hasPhotometric = false;
};

PageLayout LayoutOf(TIFF* tif) {
  PageLayout l;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &l.orientation);
  l.hasPhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric) == 1;
  uint16_t* info = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &l.extras, &info);
  return l;
}

uint32_t ColourSamples(const PageLayout& l) {
  return l.samples > l.extras ? l.samples - l.extras : 0;
}

uint32_t OrientationFor(const PageLayout& l, uint32_t flags) {
  return flags & kTIFFReadNoOrientation ? 1 : l.orientation;
}

}  // namespace

// Whether the file can hold width x height pixels of the page's samples
// (the whole file counts: libtiff has moved about in it already).
bool TIFFPlausible(TIFF* tif, uint32_t width, uint32_t height) {
  uint16_t bits = 1, samples = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  const uint64_t pixels = uint64_t{width} * height;
  uint32_t size = 0;
  if (!TIFFState(tif)->stream->GetSize(&size)) size = 0;
  return PicDecodePlausible(pixels, pixels * samples * bits / 8, size, kTIFFRawBytesPerFileByte);
}

// libtiff decodes whole tiles, so a tile costs its full size however little
// of it the picture shows: a few hundred bytes may claim tiles of gigabytes.
bool TIFFTilesPlausible(TIFF* tif) {
  if (!TIFFIsTiled(tif)) return true;
  uint32_t tileWidth = 0, tileLength = 0;
  uint16_t samples = 1, planar = PLANARCONFIG_CONTIG;
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  const uint64_t tileBytes = TIFFTileSize64(tif);
  return tileWidth && tileLength && tileBytes &&
         PicSizeWithinCap(tileBytes, planar == PLANARCONFIG_SEPARATE ? samples : 1) &&
         TIFFPlausible(tif, tileWidth, tileLength);
}

namespace {

// Progress of the per-sample readers: false when the callback says stop.
bool BandDone(uint32_t row, uint32_t total) {
  return PicProgress(row, total) > 0;
}

int32_t TIFFProgressProc(uint32_t row, uint32_t total, uintptr_t) {
  return PicProgress(row, total) > 0 ? 0 : 1;
}

// Decodes the page band by band (a strip, or a row of tiles) into whole
// stored rows of TIFFScanlineSize bytes and hands each row to rowFn(y, row).
// A band libtiff cannot decode leaves 20 in err and the rows as the
// decoder left them; a stop leaves 14 and ends the loop.
template <class RowFn>
void ForEachStoredRow(uint32_t* err, TIFF* tif, const PageLayout& l, RowFn&& rowFn) {
  const uint64_t scanline = TIFFScanlineSize64(tif);
  if (scanline == 0) {
    *err = kPicErrBadTIFF;
    return;
  }
  const bool tiled = TIFFIsTiled(tif);
  uint32_t tileWidth = 0, band = 0;
  uint64_t tileBytes = 0, tileRowBytes = 0;
  if (tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    tileBytes = TIFFTileSize64(tif);
    tileRowBytes = TIFFTileRowSize64(tif);
    if (!tileWidth || !band || !tileBytes || !tileRowBytes) {
      *err = kPicErrBadTIFF;
      return;
    }
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);  // absent: the whole image
  }
  if (band == 0 || band > l.height) band = l.height;
  if (tiled && !PicSizeWithinCap(tileBytes, 1)) {  // the file's claim, not a shortage
    *err = kPicErrBadTIFF;
    return;
  }
  uint64_t bandBytes = 0;
  if (!PicSizeWithinCap(scanline, band, 1, &bandBytes)) {
    *err = kPicErrNoMemory;
    return;
  }
  std::vector<uint8_t> buffer, tile;
  try {
    buffer.resize(static_cast<size_t>(bandBytes));
    if (tiled) tile.resize(static_cast<size_t>(tileBytes));
  } catch (...) {
    *err = kPicErrNoMemory;
    return;
  }
  for (uint32_t y = 0; y < l.height; y += band) {
    const uint32_t rows = band < l.height - y ? band : l.height - y;
    bool ok = true;
    if (!tiled) {
      const uint32_t strip = TIFFComputeStrip(tif, y, 0);
      ok = TIFFReadEncodedStrip(tif, strip, buffer.data(), static_cast<tmsize_t>(scanline * rows)) >= 0;
    } else {
      for (uint32_t x = 0; x < l.width; x += tileWidth) {
        if (TIFFReadTile(tif, tile.data(), x, y, 0, 0) < 0) {
          ok = false;
          continue;
        }
        const uint64_t offset = uint64_t{x / tileWidth} * tileRowBytes;
        if (offset >= scanline) break;
        const uint64_t n = scanline - offset < tileRowBytes ? scanline - offset : tileRowBytes;
        for (uint32_t r = 0; r < rows; ++r)
          std::memcpy(buffer.data() + r * scanline + offset, tile.data() + r * tileRowBytes,
                      static_cast<size_t>(n));
      }
    }
    if (!ok) *err = TIFFState(tif)->tif_iserror ? TIFFState(tif)->tif_iserror : kPicErrBadTIFF;
    for (uint32_t r = 0; r < rows; ++r) rowFn(y + r, buffer.data() + r * scanline);
    if (!BandDone(y, l.height)) {
      *err = kPicErrCancelled;
      return;
    }
  }
}

// ---- the RGBA path (24 and 32 bits, and their DIBs) ----

struct RGBASink {
  TIFFOrientedOutput* out;
  uint32_t width;
  uint32_t bytes;  // 3 or 4
  bool bgr;
};

void PutRGBABand(void* context, uint32_t first, uint32_t rows, const uint32_t* raster) {
  const auto* s = static_cast<RGBASink*>(context);
  for (uint32_t r = 0; r < rows; ++r) {
    const uint32_t* in = raster + static_cast<size_t>(r) * s->width;
    uint8_t* out = s->out->StoredRow(first + r);
    if (s->bytes == 4 && !s->bgr) {
      std::memcpy(out, in, size_t{s->width} * 4);
    } else if (s->bytes == 4) {
      for (uint32_t x = 0; x < s->width; ++x, out += 4) {
        const uint32_t v = in[x];
        out[0] = static_cast<uint8_t>(v >> 16);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v);
        out[3] = static_cast<uint8_t>(v >> 24);
      }
    } else if (!s->bgr) {
      for (uint32_t x = 0; x < s->width; ++x, out += 3) {
        const uint32_t v = in[x];
        out[0] = static_cast<uint8_t>(v);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v >> 16);
      }
    } else {
      for (uint32_t x = 0; x < s->width; ++x, out += 3) {
        const uint32_t v = in[x];
        out[0] = static_cast<uint8_t>(v >> 16);
        out[1] = static_cast<uint8_t>(v >> 8);
        out[2] = static_cast<uint8_t>(v);
      }
    }
  }
}

HGLOBAL ReadTIFFTrueColor(uint32_t* err, TIFF* tif, const PageLayout& l, uint32_t* width, uint32_t* height,
                          uint32_t depth, uint32_t flags) {
  if (depth != 24 && depth != 32) {
    DebugHook(3, "Invalid bpp in ReadTIFFTrueColor!");
    return PicFail<HGLOBAL>(err, kPicErrUnexpected);
  }
  char message[1024] = "";
  if (!TIFFRGBAImageOK(tif, message)) {
    PicLogCodecFailure("PicLib TIFF Error : ", message, kPicErrBadTIFF);
    return PicFail<HGLOBAL>(err, kPicErrBadTIFF);
  }
  const bool dib = flags & kTIFFReadDIB;
  TIFFOrientedOutput out;
  if (uint32_t code = out.Begin(l.width, l.height, depth, OrientationFor(l, flags), dib,
                                !dib && (flags & kTIFFReadPadded)))
    return PicFail<HGLOBAL>(err, code);
  TIFFHandleState* state = TIFFState(tif);
  state->tif_iserror = 0;
  state->tif_progressproc = TIFFProgressProc;
  RGBASink sink{&out, l.width, depth / 8, dib || (flags & kTIFFReadBGR)};
  // Rows straight from libtiff: 3-byte pixels where libtiff would only copy
  // 8-bit RGB samples, and RGBA words into contiguous 4-byte rows.
  TIFFRowTarget target;
  target.row = [](void* o, uint32_t y) { return static_cast<TIFFOrientedOutput*>(o)->StoredRow(y); };
  target.context = &out;
  target.bytes = depth / 8;
  target.bgr = sink.bgr;
  target.contiguous = out.StoredRowsContiguous();
  const bool words = depth == 32 && !sink.bgr && out.StoredRowsContiguous();
  const int result =
      TIFFReadRGBABands(tif, PutRGBABand, &sink, message, depth == 24 || words ? &target : nullptr);
  state->tif_progressproc = nullptr;
  if (result != 1) {
    if (result == 0 && message[0]) PicLogCodecFailure("PicLib TIFF Error : ", message, kPicErrBadTIFF);
    *err = state->tif_iserror ? state->tif_iserror : kPicErrBadTIFF;
  }
  out.Finish();
  *width = out.Width();
  *height = out.Height();
  return out.Handle();
}

// ---- 16 bits a sample ----

HGLOBAL ReadTiff16Bit(uint32_t* err, TIFF* tif, const PageLayout& l, uint32_t* width, uint32_t* height,
                      uint32_t depth, uint32_t flags) {
  if (l.bits != 16 || (l.samples != 1 && l.samples != 3 && l.samples != 4) || depth != 16u * l.samples ||
      (l.samples > 1 && l.planar != PLANARCONFIG_CONTIG) ||
      !Samples16AreColour(l.hasPhotometric, l.photometric))
    return PicFail<HGLOBAL>(err, kPicErrBitDepth);
  TIFFOrientedOutput out;
  if (uint32_t code =
          out.Begin(l.width, l.height, depth, OrientationFor(l, flags), false, flags & kTIFFReadPadded))
    return PicFail<HGLOBAL>(err, code);
  const size_t rowBytes = static_cast<size_t>(out.StoredRowBytes());
  const bool swap = (flags & kTIFFReadBGR) && l.samples >= 3;
  ForEachStoredRow(err, tif, l, [&](uint32_t y, const uint8_t* row) {
    uint8_t* dst = out.StoredRow(y);
    std::memcpy(dst, row, rowBytes);
    if (swap) {
      auto* s = reinterpret_cast<uint16_t*>(dst);
      for (uint32_t x = 0; x < l.width; ++x, s += l.samples) std::swap(s[0], s[2]);
    }
  });
  // A damaged band keeps its code (the rows come back, flagged as such),
  // also through the orientation step.
  out.Finish();
  *width = out.Width();
  *height = out.Height();
  return out.Handle();
}

// ---- 8 bits (palette indices) ----

HGLOBAL ReadTiffContig8(uint32_t* err, TIFF* tif, const PageLayout& l, uint32_t* width, uint32_t* height,
                        RGBQUAD* palette, uint32_t flags) {
  const uint16_t p = l.photometric;
  if ((p == PHOTOMETRIC_RGB && l.bits >= 8) || p == PHOTOMETRIC_SEPARATED || p == PHOTOMETRIC_YCBCR ||
      p == PHOTOMETRIC_LOGLUV)
    return PicFail<HGLOBAL>(err, kPicErrBitDepth);
  // One sample a pixel, of a size a palette index can hold (or 16-bit grey).
  const bool grey16 = l.bits == 16 && (p == PHOTOMETRIC_MINISWHITE || p == PHOTOMETRIC_MINISBLACK);
  if (l.samples != 1 || !(l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8 || grey16))
    return PicFail<HGLOBAL>(err, kPicErrBitDepth);
  RGBQUAD colours[256] = {};
  if (!BuildTIFFPalette(err, tif, colours, p, grey16 ? 8 : l.bits)) {
    if (!*err) *err = kPicErrBitDepth;
    return nullptr;
  }
  const bool dib = flags & kTIFFReadDIB;
  TIFFOrientedOutput out;
  if (uint32_t code = out.Begin(l.width, l.height, 8, OrientationFor(l, flags), dib,
                                !dib && (flags & kTIFFReadPadded), colours, 256))
    return PicFail<HGLOBAL>(err, code);
  ForEachStoredRow(err, tif, l, [&](uint32_t y, const uint8_t* row) {
    uint8_t* dst = out.StoredRow(y);
    if (grey16)
      Grey16RowTo8Bit(row, dst, l.width);
    else
      UnpackSamplesTo8Bit(row, dst, l.width, l.bits);
  });
  out.Finish();
  if (palette) std::memcpy(palette, colours, sizeof colours);
  *width = out.Width();
  *height = out.Height();
  return out.Handle();
}

// ---- 1 bit ----

HGLOBAL ReadTiffBilevel(uint32_t* err, TIFF* tif, const PageLayout& l, uint32_t* width, uint32_t* height,
                        RGBQUAD* palette, uint32_t flags) {
  const bool dib = flags & kTIFFReadDIB;
  if (dib && (flags & kTIFFReadPadded)) return PicFail<HGLOBAL>(err, kPicErrBadArgument);
  if (!dib && !palette) return PicFail<HGLOBAL>(err, kPicErrBadArgument);
  // Packed rows hold one sample a pixel only.
  if (l.bits != 1 || l.samples != 1) return PicFail<HGLOBAL>(err, kPicErrBitDepth);
  uint16_t photometric = l.photometric;
  if (!l.hasPhotometric)
    photometric = IsCCITTCompression(tif) ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
  RGBQUAD colours[256] = {};
  if (!BuildTIFFPalette(err, tif, colours, photometric, 1)) {
    if (!*err) *err = kPicErrBitDepth;
    return nullptr;
  }
  TIFFOrientedOutput out;
  if (uint32_t code = out.Begin(l.width, l.height, 1, OrientationFor(l, flags), dib,
                                !dib && (flags & kTIFFReadPadded), colours, 2))
    return PicFail<HGLOBAL>(err, code);
  const size_t rowBytes = static_cast<size_t>(out.StoredRowBytes());
  const uint8_t tailMask = static_cast<uint8_t>(0xFF00 >> ((l.width - 1) % 8 + 1));
  ForEachStoredRow(err, tif, l, [&](uint32_t y, const uint8_t* row) {
    uint8_t* dst = out.StoredRow(y);
    std::memcpy(dst, row, rowBytes);
    dst[rowBytes - 1] &= tailMask;
  });
  out.Finish();
  if (palette) std::memcpy(palette, colours, 2 * sizeof(RGBQUAD));
  *width = out.Width();
  *height = out.Height();
  return out.Handle();
}

}  // namespace

void UnpackSamplesTo8Bit(const uint8_t* row, uint8_t* dst, uint32_t width, uint32_t bits) {
  uint32_t scratch = 0;  // refuses only null buffers and depths outside 1 to 8
  UnpackBufferTo8Bit(&scratch, row, width, 1, bits, dst);
}

void Grey16RowTo8Bit(const uint8_t* row, uint8_t* dst, uint32_t width) {
  for (uint32_t x = 0; x < width; ++x) {
    uint16_t v;
    std::memcpy(&v, row + 2 * size_t{x}, 2);
    dst[x] = static_cast<uint8_t>(uint32_t{v} * 255 / 65535);
  }
}

bool Samples16AreColour(bool hasPhotometric, uint16_t photometric) {
  return !hasPhotometric || photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK ||
         photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_SEPARATED;
}

bool IsCCITTCompression(TIFF* tif) {
  uint16_t c = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &c);
  return c == COMPRESSION_CCITTRLE || c == COMPRESSION_CCITTFAX3 || c == COMPRESSION_CCITTFAX4 ||
         c == COMPRESSION_CCITTRLEW;
}

bool IsBilevelTIFF(uint32_t* err, TIFF* tif) {
  const PageLayout l = LayoutOf(tif);
  if (l.bits != 1 || ColourSamples(l) != 1) {
    *err = kPicErrBitDepth;
    return false;
  }
  return true;
}

uint32_t TIFFNaturalDepth(TIFF* tif) {
  const PageLayout l = LayoutOf(tif);
  uint32_t scratch = 0;
  if (l.bits == 1 && l.samples == 1 && IsBilevelTIFF(&scratch, tif)) return 1;
  if (l.samples == 1 && l.bits <= 8) return 8;
  if (l.samples == 1 && l.bits <= 16)
    return l.photometric == PHOTOMETRIC_MINISWHITE || l.photometric == PHOTOMETRIC_MINISBLACK ? 8 : 32;
  if (l.samples == 3) return 24;
  return 32;
}

bool BuildTIFFPalette(uint32_t* err, TIFF* tif, RGBQUAD* out, uint16_t photometric, uint16_t bitsPerSample) {
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
    if (!red || !green || !blue) {
      *err = kPicErrBadTIFF;
      return false;
    }
    const uint32_t n = bitsPerSample <= 8 ? 1u << bitsPerSample : 256;
    bool wide = false;
    for (uint32_t i = 0; i < n; ++i) wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    // The high byte: exact for maps written as v x 257 and as v x 256 alike.
    auto scale = [&](uint16_t v) { return static_cast<uint8_t>(wide ? v >> 8 : v); };
    for (uint32_t i = 0; i < n; ++i) out[i] = RGBQUAD{scale(blue[i]), scale(green[i]), scale(red[i]), 0};
    return true;
  }
  if (photometric != PHOTOMETRIC_MINISWHITE && photometric != PHOTOMETRIC_MINISBLACK) return false;
  const bool white = photometric == PHOTOMETRIC_MINISWHITE;
  if (bitsPerSample == 1) {
    const uint8_t first = white ? 255 : 0;
    out[0] = RGBQUAD{first, first, first, 0};
    out[1] = RGBQUAD{static_cast<uint8_t>(255 - first), static_cast<uint8_t>(255 - first),
                     static_cast<uint8_t>(255 - first), 0};
    return true;
  }
  // Fewer bits spread over the whole grey range, as they will be indices.
  const uint32_t levels = bitsPerSample < 8 ? 1u << bitsPerSample : 256;
  for (uint32_t i = 0; i < 256; ++i) {
    const uint32_t v = i < levels ? i * 255 / (levels - 1) : 255;
    const uint8_t g = static_cast<uint8_t>(white ? 255 - v : v);
    out[i] = RGBQUAD{g, g, g, 0};
  }
  return true;
}

TIFFReaderHandle* OpenTIFFReader(uint32_t* err, CPicIO* src, uint32_t page, uint32_t flags) {
  if (!src || !src->IsValid()) return PicFail<TIFFReaderHandle*>(err, kPicErrBadArgument);
  auto* h = new (std::nothrow) TIFFReaderHandle;
  if (!h) return PicFail<TIFFReaderHandle*>(err, kPicErrNoMemory);
  h->flags = flags;
  h->source = src;
  if (!src->Seek(0, kPicSeekSet)) {
    delete h;
    return PicFail<TIFFReaderHandle*>(err, kPicErrFileRead);
  }
  h->tif = OpenTIFFOnStream(src, "r");
  if (!h->tif) {
    delete h;
    return PicFail<TIFFReaderHandle*>(err, kPicErrBadTIFF);
  }
  if (page > 0xFFFF || !TIFFSetDirectory(h->tif, static_cast<tdir_t>(page))) {
    CloseTIFFReader(h);
    return PicFail<TIFFReaderHandle*>(err, kPicErrBadArgument);
  }
  return h;
}

bool CloseTIFFReader(TIFFReaderHandle* handle) {
  if (!handle) return false;
  CloseTIFF(handle->tif);
  delete handle;
  return true;
}

uint32_t GetTIFFPageCountTR(uint32_t* err, TIFFReaderHandle* handle) {
  if (!handle || !handle->tif) return PicFail<uint32_t>(err, kPicErrBadArgument);
  // Counting walks the directories; the current one is read again after.
  const tdir_t current = TIFFCurrentDirectory(handle->tif);
  const uint32_t count = TIFFNumberOfDirectories(handle->tif) & 0xFFFF;
  TIFFSetDirectory(handle->tif, current);
  return count;
}

uint32_t GetTIFFPageCount(uint32_t* err, CPicIO* src) {
  TIFFReaderHandle* h = OpenTIFFReader(err, src, 0, 0);
  if (!h) return 0;
  const uint32_t n = GetTIFFPageCountTR(err, h);
  CloseTIFFReader(h);
  return n;
}

bool SetTIFFReaderPage(uint32_t* err, TIFFReaderHandle* handle, uint32_t page) {
  if (!handle || !handle->tif || page > 0xFFFF || !TIFFSetDirectory(handle->tif, static_cast<tdir_t>(page)))
    return PicFail<bool>(err, kPicErrBadArgument);
  return true;
}

int ReadTIFFDims(uint32_t* err, CPicIO* src, uint32_t page, uint32_t* width, uint32_t* height,
                 uint32_t* bitDepth, uint32_t* xRes, uint32_t* yRes, uint32_t* resUnit) {
  for (uint32_t* p : {width, height, bitDepth, xRes, yRes, resUnit})
    if (p) *p = 0;
  TIFFReaderHandle* h = OpenTIFFReader(err, src, page, 0);
  if (!h) return 0;
  const PageLayout l = LayoutOf(h->tif);
  float x = 0, y = 0;
  uint16_t unit = 0;
  TIFFGetField(h->tif, TIFFTAG_XRESOLUTION, &x);
  TIFFGetField(h->tif, TIFFTAG_YRESOLUTION, &y);
  TIFFGetField(h->tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  auto whole = [](float v) { return v > 0 && v < 4294967295.0f ? static_cast<uint32_t>(v) : 0u; };
  if (width) *width = l.width;
  if (height) *height = l.height;
  if (bitDepth) *bitDepth = uint32_t{l.bits} * l.samples;
  if (xRes) *xRes = whole(x);
  if (yRes) *yRes = whole(y);
  if (resUnit) *resUnit = unit;
  CloseTIFFReader(h);
  return 1;
}

HGLOBAL ReadTIFFInternal(uint32_t* err, TIFFReaderHandle* handle, uint32_t* width, uint32_t* height,
                         uint32_t depth, RGBQUAD* palette, uint32_t flags) {
  if (!handle || !handle->tif) return PicFail<HGLOBAL>(err, kPicErrUnexpected);
  TIFF* tif = handle->tif;
  const PageLayout l = LayoutOf(tif);
  if (l.width == 0 || l.height == 0) return PicFail<HGLOBAL>(err, kPicErrBadTIFF);
  if (!TIFFPlausible(tif, l.width, l.height) || !TIFFTilesPlausible(tif))
    return PicFail<HGLOBAL>(err, kPicErrBadTIFF);
  if (flags & kTIFFReadDIB) depth = TIFFNaturalDepth(tif);
  TIFFHandleState* state = TIFFState(tif);
  if (ImgThreadContext* ctx = GetImgThreadContext()) state->tif_alphaoverride = ctx->tiffWrite.alphaOverride;
  state->tif_rawcmyk = 0;
  switch (depth) {
    case 1:
      return ReadTiffBilevel(err, tif, l, width, height, palette, flags);
    case 8:
      return ReadTiffContig8(err, tif, l, width, height, palette, flags);
    case 16:
    case 48:
    case 64:
      return ReadTiff16Bit(err, tif, l, width, height, depth, flags);
    case 24:
      return ReadTIFFTrueColor(err, tif, l, width, height, 24, flags);
    case 32:
      state->tif_rawcmyk = flags & kTIFFReadRawCMYK ? 1 : 0;
      return ReadTIFFTrueColor(err, tif, l, width, height, 32, flags);
    default:
      return nullptr;
  }
}

HGLOBAL ReadTIFFImage(uint32_t* err, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t page,
                      uint32_t depth, RGBQUAD* palette, uint32_t flags) {
  if ((depth == 1 || depth == 8) && !palette && !(flags & kTIFFReadDIB))
    return PicFail<HGLOBAL>(err, kPicErrBadArgument);
  TIFFReaderHandle* h = OpenTIFFReader(err, src, page, flags);
  if (!h) return nullptr;
  h->depth = depth;
  HGLOBAL image = ReadTIFFInternal(err, h, width, height, depth, palette, flags);
  CloseTIFFReader(h);
  return image;
}

// ---- tags ----

int GetTIFFTagTR(uint32_t* err, TIFFReaderHandle* handle, uint32_t tag, va_list args) {
  if (!handle || !handle->tif) return PicFail<int>(err, kPicErrBadArgument);
  return TIFFVGetField(handle->tif, tag, args);
}

int ReadTIFFTagBlock(uint32_t* err, TIFF* tif, uint32_t tag, PicArray<uint8_t>* out) {
  if (!tif) return PicFail<int>(err, kPicErrUnexpected);
  const TIFFField* field = TIFFFindField(tif, tag, TIFF_ANY);
  // Counted tags only, read with libtiff's own count and element size.
  const int elementSize = field ? TIFFFieldSetGetSize(field) : 0;
  if (!field || !TIFFFieldPassCount(field) || TIFFFieldDataType(field) == TIFF_ASCII || elementSize <= 0 ||
      elementSize > 8)
    return PicFail<int>(err, kPicErrTIFFTagUnreadable);
  uint64_t count = 0;
  void* data = nullptr;
  int found = 0;
  if (TIFFFieldSetGetCountSize(field) == 4) {
    uint32_t n = 0;
    found = TIFFGetField(tif, tag, &n, &data);
    count = n;
  } else {
    uint16_t n = 0;
    found = TIFFGetField(tif, tag, &n, &data);
    count = n;
  }
  if (!found) return PicFail<int>(err, kPicErrTIFFTagUnreadable);
  if (!data) return PicFail<int>(err, kPicErrUnexpected);
  count *= static_cast<uint64_t>(elementSize);
  if (count >= kPicAllocCap || !out->Resize(static_cast<uint32_t>(count)))
    return PicFail<int>(err, kPicErrNoMemory);
  if (count) std::memcpy(out->Data(), data, static_cast<size_t>(count));
  return 1;
}

int ReadTIFFTagBlockGlobal(uint32_t* err, CPicIO* src, uint32_t tag, uint32_t page, HGLOBAL* data,
                           uint32_t* size) {
  *data = nullptr;
  *size = 0;
  TIFFReaderHandle* h = OpenTIFFReader(err, src, page, 0);
  if (!h) return 0;
  PicArray<uint8_t> block;
  const int ok = ReadTIFFTagBlock(err, h->tif, tag, &block);
  CloseTIFFReader(h);
  if (!ok) return 0;
  if (block.Empty()) return PicFail<int>(err, kPicErrTIFFTagUnreadable);
  HGLOBAL g = GlobalAlloc(GMEM_FIXED, block.Count());  // filled whole below
  if (!g) return PicFail<int>(err, kPicErrNoMemory);
  std::memcpy(g, block.Data(), block.Count());
  *data = g;
  *size = block.Count();
  return 1;
}

}  // namespace Pictura
