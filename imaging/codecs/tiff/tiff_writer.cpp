// The TIFF writer: handles, page set-up, lines, whole images, multi-page.
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "codecs/codec_support.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/tiff/tiff_glue.h"

namespace Pictura {
namespace {

constexpr char kLibraryVersionText[] = "PIC 1.0.15.9";

bool Fail(uint32_t* err, uint32_t code) {
  *err = code;
  return false;
}

uint32_t SamplesOf(uint32_t depth) {
  switch (depth) {
    case 24:
    case 48:
      return 3;
    case 32:
    case 64:
      return 4;
    default:
      return 1;
  }
}

uint32_t BitsPerSampleOf(uint32_t depth) {
  switch (depth) {
    case 1:
      return 1;
    case 4:
      return 4;
    case 16:
    case 48:
    case 64:
      return 16;
    default:
      return 8;
  }
}

// The compression a depth is written with (the others go uncompressed):
// the CCITT codes only at 1 bit (word-aligned RLE from 24 bits up), neither
// JPEG nor the Pixar codes at 16 bits a sample. libtiff's word-aligned RLE
// misplaces the alignment between the rows of one strip or tile, so it is
// written one row a strip (WriteTIFFCommonTags) and never in tiles.
uint32_t CompressionFor(uint32_t depth, uint32_t c, bool tiled) {
  const bool ccitt = c == COMPRESSION_CCITTRLE || c == COMPRESSION_CCITTFAX3 || c == COMPRESSION_CCITTFAX4;
  switch (depth) {
    case 1:
      return c == 0 || c == COMPRESSION_JPEG || (tiled && c == COMPRESSION_CCITTRLEW) ? COMPRESSION_NONE : c;
    case 4:
    case 8:
    case 16:
      return c == 0 || ccitt ? COMPRESSION_NONE : c;
    case 24:
    case 32:
      return c == 0 || ccitt || c == COMPRESSION_CCITTRLEW ? COMPRESSION_NONE : c;
    default:  // 48, 64
      return c == 0 || ccitt || c == COMPRESSION_CCITTRLEW || c == COMPRESSION_JPEG ||
                     c == COMPRESSION_PIXARFILM || c == COMPRESSION_PIXARLOG
                 ? COMPRESSION_NONE
                 : c;
  }
}

bool SetColorMap(TIFFWriteCodecContext* ctx, TIFF* tif, const RGBQUAD* palette, uint32_t entries) {
  std::vector<uint16_t> r(entries), g(entries), b(entries);
  for (uint32_t i = 0; i < entries; ++i) {
    r[i] = ctx->widen[palette[i].rgbRed];
    g[i] = ctx->widen[palette[i].rgbGreen];
    b[i] = ctx->widen[palette[i].rgbBlue];
  }
  return TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data()) == 1;
}

bool SetupPage(TIFFWriteCodecContext* ctx, TIFF* tif, const RGBQUAD* palette, uint32_t depth,
               uint32_t compression, uint32_t flags) {
  const uint32_t samples = SamplesOf(depth), bits = BitsPerSampleOf(depth);
  const uint32_t written = CompressionFor(depth, compression, flags & kTIFFWriteTiles);
  bool ok = TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) == 1 &&
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits) == 1 &&
            TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1 &&
            TIFFSetField(tif, TIFFTAG_COMPRESSION, written) == 1;
  if (!ok) return false;
  switch (depth) {
    case 1:
      ok = TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                        flags & kTIFFWriteMinIsBlack ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE) == 1;
      break;
    case 4:
    case 8:
      if ((flags & kTIFFWriteGray) || written == COMPRESSION_JPEG) {
        ok = TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) == 1;
      } else {
        ok = palette && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE) == 1 &&
             SetColorMap(ctx, tif, palette, depth == 4 ? 16 : 256);
      }
      break;
    case 16:
      ok = TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) == 1;
      break;
    case 24:
    case 48:
      ok = TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) == 1;
      break;
    default:  // 32, 64
      if (flags & kTIFFWriteCMYK) {
        ok = TIFFSetField(tif, TIFFTAG_INKSET, INKSET_CMYK) == 1 &&
             TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED) == 1;
      } else {
        const uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
        ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra) == 1 &&
             TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) == 1;
      }
      break;
  }
  if (!ok) return false;
  // Horizontal differencing exists for 8- and 16-bit samples only.
  if ((flags & kTIFFWritePredictor) && (bits == 8 || bits == 16) &&
      (written == COMPRESSION_LZW || written == COMPRESSION_ADOBE_DEFLATE || written == COMPRESSION_DEFLATE))
    ok = TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) == 1;
  if (ok && written == COMPRESSION_JPEG) {
    const ImgThreadContext* t = GetImgThreadContext();
    ok = TIFFSetField(tif, TIFFTAG_JPEGQUALITY, t ? int{t->tiffWrite.jpegQuality} : 75) == 1 &&
         TIFFSetField(tif, TIFFTAG_JPEGTABLESMODE, 0) == 1;
  }
  return ok;
}

void SetCountedTIFFTag(TIFF* tif, uint32_t tag, const PicArray<unsigned char>& block) {
  if (block.Count() > 0 && block.Data()) TIFFSetField(tif, tag, block.Count(), block.Data());
}

bool WriteTIFFCommonTags(TIFFWriteCodecContext* ctx, TIFF* tif, uint32_t width, uint32_t height,
                         uint32_t flags) {
  const ImgThreadContext* t = GetImgThreadContext();
  const TIFFWriteOptions defaults;
  const TIFFWriteOptions& o = t ? t->tiffWrite : defaults;
  bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width) == 1 &&
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) == 1 &&
            TIFFSetField(tif, TIFFTAG_ORIENTATION,
                         o.orientation >= 1 && o.orientation <= 8 ? o.orientation : 1) == 1;
  if (!ok) return false;
  const uint32_t unit = ctx->resolution.unit;
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT,
               unit >= RESUNIT_NONE && unit <= RESUNIT_CENTIMETER ? unit : RESUNIT_NONE);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(ctx->resolution.x));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(ctx->resolution.y));
  char software[1024];
  if (o.customSoftware)
    std::snprintf(software, sizeof software, "%s", o.softwareText.c_str());
  else
    std::snprintf(software, sizeof software, "Pictura (%s), using %s", kLibraryVersionText, TIFFGetVersion());
  TIFFSetField(tif, TIFFTAG_SOFTWARE, software);
  if (flags & kTIFFWriteTiles) {
    uint32_t tw = o.tileWidth, th = o.tileHeight;
    TIFFDefaultTileSize(tif, &tw, &th);
    ok = TIFFSetField(tif, TIFFTAG_TILEWIDTH, tw) == 1 && TIFFSetField(tif, TIFFTAG_TILELENGTH, th) == 1;
  } else {
    uint32_t rows = o.rowsPerStrip == -1 ? TIFFDefaultStripSize(tif, 0)
                                         : static_cast<uint32_t>(o.rowsPerStrip < 1 ? 1 : o.rowsPerStrip);
    uint16_t written = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &written);
    if (written == COMPRESSION_JPEG) rows = height;  // one strip
    if (written == COMPRESSION_CCITTRLEW) rows = 1;  // see CompressionFor
    ok = TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows) == 1;
  }
  if (!ok) return false;
  if (t) {
    SetCountedTIFFTag(tif, TIFFTAG_XMLPACKET, o.xmpPacket);
    SetCountedTIFFTag(tif, 32932, o.annotations);
    SetCountedTIFFTag(tif, TIFFTAG_RICHTIFFIPTC, o.iptc);
    SetCountedTIFFTag(tif, TIFFTAG_ICCPROFILE, t->iccProfile);
    SetCountedTIFFTag(tif, TIFFTAG_PHOTOSHOP, o.photoshopResources);
  }
  return true;
}

void SwapRedBlue(uint8_t* row, uint32_t width, uint32_t depth) {
  const uint32_t samples = SamplesOf(depth);
  if (samples < 3) return;
  if (BitsPerSampleOf(depth) == 16) {
    auto* s = reinterpret_cast<uint16_t*>(row);
    for (uint32_t x = 0; x < width; ++x, s += samples) std::swap(s[0], s[2]);
  } else {
    for (uint32_t x = 0; x < width; ++x, row += samples) std::swap(row[0], row[2]);
  }
}

bool PageProgress(uint32_t* err, uint32_t done, uint32_t total) {
  if (PicProgress(done, total) > 0) return true;
  return Fail(err, kPicErrCancelled);
}

bool WriteTiles(uint32_t* err, TIFFWriterHandle* h, const uint8_t* pixels, uint32_t stride) {
  TIFF* tif = h->tif;
  uint32_t tw = 0, th = 0;
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
  const uint64_t tileBytes = TIFFTileSize64(tif), tileRowBytes = TIFFTileRowSize64(tif);
  const uint64_t rowBytes = (uint64_t{h->width} * h->depth + 7) / 8;
  if (!tw || !th || !tileBytes || !PicSizeWithinCap(tileBytes, 1)) return Fail(err, kPicErrBadArgument);
  std::vector<uint8_t> tile;
  try {
    tile.resize(static_cast<size_t>(tileBytes));
  } catch (...) {
    return Fail(err, kPicErrNoMemory);
  }
  const bool bottomUp = h->flags & kTIFFWriteBottomUp;
  for (uint32_t y = 0; y < h->rowCount; y += th) {
    for (uint32_t x = 0; x < h->width; x += tw) {
      std::memset(tile.data(), 0, tile.size());
      // Tile widths are multiples of 16 pixels: every tile starts on a byte.
      const uint64_t offset = uint64_t{x} * h->depth / 8;
      const uint64_t n = rowBytes - offset < tileRowBytes ? rowBytes - offset : tileRowBytes;
      for (uint32_t r = 0; r < th && y + r < h->rowCount; ++r) {
        const uint32_t source = bottomUp ? h->rowCount - 1 - (y + r) : y + r;
        uint8_t* dst = tile.data() + r * tileRowBytes;
        std::memcpy(dst, pixels + uint64_t{source} * stride + offset, static_cast<size_t>(n));
        if (h->flags & kTIFFWriteBGR) SwapRedBlue(dst, static_cast<uint32_t>(n * 8 / h->depth), h->depth);
      }
      if (TIFFWriteTile(tif, tile.data(), x, y, 0, 0) < 0) return Fail(err, kPicErrFileWrite);
    }
    if (!PageProgress(err, y, h->rowCount)) return false;
  }
  h->nextRow = h->rowCount;
  return true;
}

}  // namespace

int TIFFWriterHandle::WriteNextLine(TIFFWriterHandle* h, const uint8_t* row, uint32_t* err) {
  if (!h || !row || !h->tif) return Fail(err, kPicErrBadArgument);
  if (h->nextRow >= h->rowCount) return Fail(err, kPicErrEndOfImage);
  const uint32_t bytes = static_cast<uint32_t>((uint64_t{h->width} * h->depth + 7) / 8);
  if (h->row.Count() < bytes && !h->row.Resize(bytes)) return Fail(err, kPicErrNoMemory);
  std::memcpy(h->row.Data(), row, bytes);
  if (h->flags & kTIFFWriteBGR) SwapRedBlue(h->row.Data(), h->width, h->depth);
  if (TIFFWriteScanline(h->tif, h->row.Data(), h->nextRow, 0) < 0) return Fail(err, kPicErrFileWrite);
  ++h->nextRow;
  return 1;
}

TIFFWriterHandle* OpenTIFFWriter(uint32_t* err, CPicIO* dest, uint32_t flags) {
  auto* h = new (std::nothrow) TIFFWriterHandle;
  if (!h) return PicFail<TIFFWriterHandle*>(err, kPicErrNoMemory);
  h->dest = dest;
  h->tif = OpenTIFFOnStream(dest, flags & kTIFFWriteAppend ? "a" : "wW");
  if (!h->tif) {
    delete h;
    return PicFail<TIFFWriterHandle*>(err, kPicErrBadTIFF);
  }
  return h;
}

int CloseTIFFWriter(TIFFWriterHandle* handle) {
  if (!handle) return 0;
  CloseTIFF(handle->tif);
  delete handle;
  return 1;
}

bool InitializeTIFFWriter(TIFFWriteCodecContext* ctx, TIFFWriterHandle* h, uint32_t width, uint32_t height,
                          const RGBQUAD* palette, uint32_t depth, uint32_t compression,
                          const PicResolutionInfo* res, uint32_t flags) {
  if (!h || !h->tif || width == 0 || height == 0) return Fail(&ctx->error, kPicErrBadArgument);
  RoundResolution(&ctx->resolution, res);
  h->width = width;
  h->nextRow = 0;
  h->rowCount = height;
  h->depth = depth;
  h->flags = flags;
  h->tiled = flags & kTIFFWriteTiles;
  switch (depth) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
    case 48:
    case 64:
      break;
    default:
      return Fail(&ctx->error, kPicErrBadArgument);
  }
  if (!PicSizeWithinCap(width, depth) || !SetupPage(ctx, h->tif, palette, depth, compression, flags) ||
      !WriteTIFFCommonTags(ctx, h->tif, width, height, flags))
    return Fail(&ctx->error, kPicErrBadArgument);
  return true;
}

bool WriteTIFFDirectory(uint32_t* err, TIFFWriterHandle* h) {
  if (!h || !h->tif) return Fail(err, kPicErrBadArgument);
  return TIFFWriteDirectory(h->tif) == 1 || Fail(err, kPicErrFileWrite);
}

bool RewriteTIFFDirectory(uint32_t* err, TIFFWriterHandle* h) {
  if (!h || !h->tif) return Fail(err, kPicErrBadArgument);
  return TIFFRewriteDirectory(h->tif) == 1 || Fail(err, kPicErrFileWrite);
}

bool SetTIFFTagTW(uint32_t* err, TIFFWriterHandle* h, uint32_t tag, va_list args) {
  if (!h || !h->tif) return Fail(err, kPicErrBadArgument);
  return TIFFVSetField(h->tif, tag, args) == 1 || Fail(err, kPicErrBadArgument);
}

bool WriteTIFFImageRows(uint32_t* err, TIFFWriterHandle* h, const uint8_t* pixels, uint32_t stride) {
  if (!h || !h->tif || !pixels) return Fail(err, kPicErrBadArgument);
  if (stride < (uint64_t{h->width} * h->depth + 7) / 8) return Fail(err, kPicErrBadArgument);
  if (h->tiled) return WriteTiles(err, h, pixels, stride);
  const bool bottomUp = h->flags & kTIFFWriteBottomUp;
  for (uint32_t y = 0; y < h->rowCount; ++y) {
    const uint32_t source = bottomUp ? h->rowCount - 1 - y : y;
    if (!TIFFWriterHandle::WriteNextLine(h, pixels + uint64_t{source} * stride, err)) return false;
    if (!PageProgress(err, y, h->rowCount)) return false;
  }
  return true;
}

uint32_t WriteTIFFWhole(TIFFWriteCodecContext* ctx, CPicIO* dest, const uint8_t* pixels, uint32_t width,
                        uint32_t height, uint32_t depth, uint32_t compression, const RGBQUAD* palette,
                        uint32_t stride, const PicResolutionInfo* res, uint32_t flags) {
  if (!pixels) return PicFail<uint32_t>(&ctx->error, kPicErrBadArgument);
  TIFFWriterHandle* h = OpenTIFFWriter(&ctx->error, dest, flags);
  if (!h) return 0;
  if (InitializeTIFFWriter(ctx, h, width, height, palette, depth, compression, res, flags))
    WriteTIFFImageRows(&ctx->error, h, pixels, stride);
  CloseTIFFWriter(h);  // once, whatever failed
  uint32_t size = 0;
  return !ctx->error && dest->GetSize(&size) ? size : 0;
}

uint32_t WriteTIFFMultiViaCallback(TIFFWriteCodecContext* ctx, CPicIO* dest, TIFFPageCallback callback,
                                   PIC_USERDATA user, uint32_t flags) {
  if (!callback) return PicFail<uint32_t>(&ctx->error, kPicErrBadArgument);
  if ((flags & kTIFFWriteAppend) && (!dest->Writable() || !dest->Append()))
    return PicFail<uint32_t>(&ctx->error, kPicErrBadArgument);
  TIFFWriterHandle* h = OpenTIFFWriter(&ctx->error, dest, flags);
  if (!h) return 0;
  for (bool first = true;; first = false) {
    const BYTE* pixels = nullptr;
    DWORD width = 0, height = 0, depth = 0, compression = 0;
    RGBQUAD* palette = nullptr;
    PicResolutionInfo res{1, 1, 1};
    if (!callback(&pixels, &width, &height, &palette, &depth, &compression, &res, user)) break;
    if (!pixels || (depth != 1 && depth != 8 && depth != 24 && depth != 32) || (depth == 8 && !palette)) {
      ctx->error = kPicErrBadArgument;
      break;
    }
    if (!first && !WriteTIFFDirectory(&ctx->error, h)) break;
    if (!InitializeTIFFWriter(ctx, h, width, height, palette, depth, compression, &res,
                              flags & ~kTIFFWriteAppend))
      break;
    const uint32_t stride = static_cast<uint32_t>((uint64_t{width} * depth + 7) / 8);
    if (!WriteTIFFImageRows(&ctx->error, h, pixels, stride)) break;
  }
  CloseTIFFWriter(h);
  uint32_t size = 0;
  return !ctx->error && dest->GetSize(&size) ? size : 0;
}

}  // namespace Pictura
