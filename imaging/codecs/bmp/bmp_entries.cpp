// The pic_ entries of the BMP codec and its place in the generic reader.
#include "codecs/bmp/bmp_codec.h"
#include "codecs/bmp/pictura_bmp.h"
#include "core/format_entry.h"
#include "core/generic_codec.h"
#include "core/pictura_io.h"

using namespace Pictura;

namespace {

BMPLineReader* ReaderOf(HPICBMPREADLINES h) {
  return reinterpret_cast<BMPLineReader*>(h);
}
BMPLineWriter* WriterOf(HPICBMPWRITELINES h) {
  return reinterpret_cast<BMPLineWriter*>(h);
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetBMPDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitCount,
                           PicResolutionInfo* resolution, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetBMPDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!width || !height || !bitCount) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    int32_t w = 0, h = 0;
    const int ok = ReadBMPDims(&err, io, &w, &h, reinterpret_cast<uint32_t*>(bitCount), resolution);
    *width = static_cast<DWORD>(w);
    *height = static_cast<DWORD>(h);
    return ok;
  });
}

BOOL PICAPI pic_GetBMPPalette(HPICSRC src, RGBQUAD* palette, DWORD* count) {
  return PicFormatEntry<BOOL>("pic_GetBMPPalette", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    return ReadBMPPalette(&err, io, reinterpret_cast<uint32_t*>(count), palette);
  });
}

HGLOBAL PICAPI pic_ReadBMP(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadBMP", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    auto* w = reinterpret_cast<uint32_t*>(width);
    auto* h = reinterpret_cast<uint32_t*>(height);
    if (flags & kBmpPackedDIB) return ReadBMPToDIB(&err, io, w, h);
    if (depth == 1 || depth == 8) return ReadBMPPaletted(&err, io, depth, w, h, palette, flags);
    if (depth == 24 || depth == 32) return ReadBMPToRGB(&err, io, w, h, depth, flags);
    err = kPicErrBadArgument;
    return nullptr;
  });
}

DWORD PICAPI pic_WriteBMP(HPICDEST dest, const void* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, DWORD paletteColours, const RGBQUAD* palette,
                          const double* resolution, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WriteBMP", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    const auto* pixels = static_cast<const uint8_t*>(image);
    if (flags & kBmpWriteRLE8)
      return WriteBMPRLE8(&err, io, pixels, width, height, rowStride, palette, paletteColours, resolution,
                          flags);
    return WriteBMPUncompressed(&err, io, pixels, width, height, depth, rowStride, paletteColours, palette,
                                resolution, flags);
  });
}

HPICBMPREADLINES PICAPI pic_InitReadBMPLines(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette) {
  return PicFormatEntry<HPICBMPREADLINES>(
      "pic_InitReadBMPLines", src, [&](uint32_t& err, CPicIO& io) -> HPICBMPREADLINES {
        return reinterpret_cast<HPICBMPREADLINES>(BMPLineReader::Open(
            &err, io, reinterpret_cast<uint32_t*>(width), reinterpret_cast<uint32_t*>(height), palette));
      });
}

BOOL PICAPI pic_ReadNextBMPLine(HPICBMPREADLINES lines, BYTE* row, DWORD* rowIndex) {
  return PicObjectEntry<BOOL>("pic_ReadNextBMPLine", ReaderOf(lines), [&](uint32_t& err, BMPLineReader& r) {
    return r.ReadNextLine(&err, row, reinterpret_cast<uint32_t*>(rowIndex)) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyReadBMPLines(HPICBMPREADLINES lines) {
  return PicObjectEntry<BOOL>("pic_DestroyReadBMPLines", ReaderOf(lines), [&](uint32_t&, BMPLineReader& r) {
    DestroyBMPLineReader(&r);
    return TRUE;
  });
}

HPICBMPWRITELINES PICAPI pic_InitWriteBMPLines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                               DWORD rowStride, DWORD paletteColours, const RGBQUAD* palette,
                                               const double* resolution, DWORD flags) {
  return PicFormatEntry<HPICBMPWRITELINES>(
      "pic_InitWriteBMPLines", dest, [&](uint32_t& err, CPicIO& io) -> HPICBMPWRITELINES {
        return reinterpret_cast<HPICBMPWRITELINES>(BMPLineWriter::Open(
            &err, io, width, height, depth, rowStride, paletteColours, palette, resolution, flags));
      });
}

BOOL PICAPI pic_WriteNextBMPLine(HPICBMPWRITELINES lines, const BYTE* row) {
  return PicObjectEntry<BOOL>("pic_WriteNextBMPLine", WriterOf(lines), [&](uint32_t& err, BMPLineWriter& w) {
    return w.WriteNextLine(&err, row) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyWriteBMPLines(HPICBMPWRITELINES lines) {
  return PicObjectEntry<BOOL>("pic_DestroyWriteBMPLines", WriterOf(lines), [&](uint32_t&, BMPLineWriter& w) {
    DestroyBMPLineWriter(&w);
    return TRUE;
  });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectBmp(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, bits = 0;
  if (!pic_GetBMPDims(src, &width, &height, &bits, nullptr, 0)) return 0;
  detected->depth = bits < 9 ? bits : bits == 32 ? 32 : 24;
  detected->direct1Bit = bits == 1;
  return 0;
}

uint32_t ReadBmp(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  return ReadAtEachDepth(pic_ReadBMP, kBmpPackedDIB, src, output, image);
}

}  // namespace

namespace Pictura {
const PicGenericCodec kBmpGenericCodec = {
    "BMP",   kGenericOut1Bit | kGenericOut8Bit | kGenericOut24Bit | kGenericOut32Bit | kGenericOutDIB,
    false,   DetectBmp,
    ReadBmp,
};
}  // namespace Pictura
