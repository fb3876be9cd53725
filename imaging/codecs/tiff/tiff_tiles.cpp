// Tile-or-strip reads of the reader object: one tile or strip at its full
// size, the part beyond the image left 0.
#include <cstring>
#include <vector>

#include "codecs/codec_support.h"
#include "codecs/image_block.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/tiff/tiff_glue.h"
#include "core/packing.h"

namespace Pictura {

HGLOBAL ReadTIFFTileOrStrip(uint32_t* err, TIFFReaderHandle* handle, uint32_t* width, uint32_t* height,
                            uint32_t depth, RGBQUAD* palette, uint32_t x, uint32_t y, uint32_t flags) {
  if (!handle || !handle->tif) return PicFail<HGLOBAL>(err, kPicErrBadArgument);
  TIFF* tif = handle->tif;
  uint32_t imageWidth = 0, imageHeight = 0;
  uint16_t bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG, photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &imageWidth);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &imageHeight);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  const bool hasPhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) == 1;
  const bool dib = flags & kTIFFReadDIB;
  if (dib) depth = TIFFNaturalDepth(tif);
  if (planar != PLANARCONFIG_CONTIG && samples > 1) return PicFail<HGLOBAL>(err, kPicErrTIFFSeparatePlanes);
  TIFFHandleState* state = TIFFState(tif);
  if (ImgThreadContext* ctx = GetImgThreadContext()) state->tif_alphaoverride = ctx->tiffWrite.alphaOverride;
  state->tif_rawcmyk = depth == 32 && (flags & kTIFFReadRawCMYK) ? 1 : 0;

  // The piece asked for, and the part of it inside the image.
  const bool strip = flags & kTIFFReadStrip;
  if (strip == static_cast<bool>(TIFFIsTiled(tif))) return PicFail<HGLOBAL>(err, kPicErrBadArgument);
  uint32_t pieceWidth = 0, pieceHeight = 0, left = 0, top = 0;
  if (strip) {
    uint32_t rows = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
    if (rows == 0 || rows > imageHeight) rows = imageHeight;
    if (uint64_t{x} * rows >= imageHeight) return PicFail<HGLOBAL>(err, kPicErrTIFFStripIndex);
    pieceWidth = imageWidth;
    pieceHeight = rows;
    top = x * rows;
  } else {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &pieceWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &pieceHeight);
    if (!pieceWidth || !pieceHeight || x >= imageWidth || y >= imageHeight || x % pieceWidth ||
        y % pieceHeight)
      return PicFail<HGLOBAL>(err, kPicErrTIFFStripIndex);
    left = x;
    top = y;
  }
  if (!TIFFPlausible(tif, pieceWidth, pieceHeight)) return PicFail<HGLOBAL>(err, kPicErrBadTIFF);
  const uint32_t inWidth = imageWidth - left < pieceWidth ? imageWidth - left : pieceWidth;
  const uint32_t inHeight = imageHeight - top < pieceHeight ? imageHeight - top : pieceHeight;

  // The depth's own rules, as for whole images.
  RGBQUAD colours[256] = {};
  uint32_t outBits = depth;
  switch (depth) {
    case 1:
      if (bits != 1 || samples != 1) return PicFail<HGLOBAL>(err, kPicErrBitDepth);
      if (!hasPhotometric)
        photometric = IsCCITTCompression(tif) ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
      if (!BuildTIFFPalette(err, tif, colours, photometric, 1))
        return PicFail<HGLOBAL>(err, *err ? *err : kPicErrBitDepth);
      break;
    case 8:
      if ((photometric == PHOTOMETRIC_RGB && bits >= 8) || photometric == PHOTOMETRIC_SEPARATED ||
          photometric == PHOTOMETRIC_YCBCR || photometric == PHOTOMETRIC_LOGLUV || samples != 1 ||
          !(bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16))
        return PicFail<HGLOBAL>(err, kPicErrBitDepth);
      if (!palette && !dib) return PicFail<HGLOBAL>(err, kPicErrBadArgument);
      if (!BuildTIFFPalette(err, tif, colours, photometric, bits > 8 ? 8 : bits))
        return PicFail<HGLOBAL>(err, *err ? *err : kPicErrBitDepth);
      break;
    case 16:
    case 48:
    case 64:
      if (bits != 16 || depth != 16u * samples || !Samples16AreColour(hasPhotometric, photometric))
        return PicFail<HGLOBAL>(err, kPicErrBitDepth);
      break;
    case 24:
    case 32:
      break;
    default:
      return nullptr;
  }
  PicImageBlock out;
  const uint32_t colourCount = depth == 1 ? 2 : depth == 8 ? 256 : 0;
  if (uint32_t code = out.Allocate(pieceWidth, pieceHeight, outBits,
                                   PicRowBytes(pieceWidth, outBits, !dib && (flags & kTIFFReadPadded)), dib,
                                   colours, colourCount))
    return PicFail<HGLOBAL>(err, code);

  if (depth == 24 || depth == 32) {
    // A word a pixel: more than the 3-byte result the cap allowed.
    if (!PicSizeWithinCap(inWidth, inHeight, 4)) return PicFail<HGLOBAL>(err, kPicErrNoMemory);
    std::vector<uint32_t> raster;
    try {
      raster.resize(size_t{inWidth} * inHeight);
    } catch (...) {
      return PicFail<HGLOBAL>(err, kPicErrNoMemory);
    }
    char message[1024] = "";
    if (!TIFFReadRGBARegion(tif, left, top, inWidth, inHeight, raster.data(), message)) {
      if (message[0]) PicLogCodecFailure("PicLib TIFF Error : ", message, kPicErrBadTIFF);
      *err = kPicErrBadTIFF;
    }
    const bool bgr = dib || (flags & kTIFFReadBGR);
    for (uint32_t r = 0; r < inHeight; ++r) {
      uint8_t* dst = out.Row(r);
      const uint32_t* in = raster.data() + size_t{r} * inWidth;
      for (uint32_t c = 0; c < inWidth; ++c) {
        const uint32_t v = in[c];
        const uint8_t red = static_cast<uint8_t>(v), green = static_cast<uint8_t>(v >> 8),
                      blue = static_cast<uint8_t>(v >> 16);
        *dst++ = bgr ? blue : red;
        *dst++ = green;
        *dst++ = bgr ? red : blue;
        if (depth == 32) *dst++ = static_cast<uint8_t>(v >> 24);
      }
    }
  } else {
    const uint64_t pieceBytes = strip ? TIFFStripSize64(tif) : TIFFTileSize64(tif);
    const uint64_t rowBytes = strip ? TIFFScanlineSize64(tif) : TIFFTileRowSize64(tif);
    if (!pieceBytes || !rowBytes || !PicSizeWithinCap(pieceBytes, 1))
      return PicFail<HGLOBAL>(err, kPicErrBadTIFF);
    std::vector<uint8_t> buffer;
    try {
      buffer.resize(static_cast<size_t>(pieceBytes));
    } catch (...) {
      return PicFail<HGLOBAL>(err, kPicErrNoMemory);
    }
    const tmsize_t got = strip
                             ? TIFFReadEncodedStrip(tif, x, buffer.data(), static_cast<tmsize_t>(pieceBytes))
                             : TIFFReadTile(tif, buffer.data(), x, y, 0, 0);
    if (got < 0) *err = kPicErrBadTIFF;
    const uint64_t inBytes = (uint64_t{inWidth} * bits * samples + 7) / 8;
    for (uint32_t r = 0; r < inHeight && uint64_t{r + 1} * rowBytes <= pieceBytes; ++r) {
      const uint8_t* src = buffer.data() + r * rowBytes;
      uint8_t* dst = out.Row(r);
      if (depth == 8 && bits == 16) {
        Grey16RowTo8Bit(src, dst, inWidth);
      } else if (depth == 8 && bits < 8) {
        UnpackSamplesTo8Bit(src, dst, inWidth, bits);
      } else {
        std::memcpy(dst, src, static_cast<size_t>(inBytes));
        if (depth == 1 && inWidth % 8) dst[inBytes - 1] &= static_cast<uint8_t>(0xFF00 >> (inWidth % 8));
        if (depth >= 48 && (flags & kTIFFReadBGR)) {
          auto* s = reinterpret_cast<uint16_t*>(dst);
          for (uint32_t c = 0; c < inWidth; ++c, s += samples) std::swap(s[0], s[2]);
        }
      }
    }
  }
  if (palette && colourCount) std::memcpy(palette, colours, colourCount * sizeof(RGBQUAD));
  *width = pieceWidth;
  *height = pieceHeight;
  return out.Handle();
}

}  // namespace Pictura
