// The pic_ entries of the TLA container and its place in the generic reader.
#include "codecs/codec_support.h"
#include "codecs/tla/pictura_tla.h"
#include "codecs/tla/tla_codec.h"
#include "core/format_entry.h"

using namespace Pictura;

namespace {

TLALineReader* ReaderOf(HPICTLAREADLINES h) {
  return reinterpret_cast<TLALineReader*>(h);
}
TLALineWriter* WriterOf(HPICTLAWRITELINES h) {
  return reinterpret_cast<TLALineWriter*>(h);
}
uint32_t* U32(DWORD* p) {
  return reinterpret_cast<uint32_t*>(p);
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetTLADims_(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, const char* password,
                            DWORD) {
  return PicFormatEntry<BOOL>("pic_GetTLADims_", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!width || !height || !bitDepth) return PicFail<BOOL>(&err, kPicErrBadArgument);
    return ReadTLADims(&err, io, password, U32(width), U32(height), U32(bitDepth), nullptr, nullptr);
  });
}

BOOL PICAPI pic_GetTLAPalette(HPICSRC src, RGBQUAD* palette, DWORD* count, const char* password) {
  return PicFormatEntry<BOOL>("pic_GetTLAPalette", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!palette || !count) return PicFail<BOOL>(&err, kPicErrBadArgument);
    uint32_t w = 0, h = 0, bits = 0;
    return ReadTLADims(&err, io, password, &w, &h, &bits, palette, U32(count));
  });
}

HGLOBAL PICAPI pic_ReadTLA(HPICSRC src, DWORD* width, DWORD* height, const char* password,
                           DWORD bytesPerPixel, RGBQUAD* palette, DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadTLA", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) return PicFail<HGLOBAL>(&err, kPicErrBadArgument);
    if (flags & kTlaPackedDIB) return ReadTLAToDIB(&err, io, password, U32(width), U32(height));
    return ReadTLAImage(&err, io, password, U32(width), U32(height), bytesPerPixel, palette, flags);
  });
}

DWORD PICAPI pic_WriteTLA(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD rowStride,
                          const char* password, DWORD channels, DWORD rowsPerBand, DWORD filters,
                          DWORD paletteCount, const RGBQUAD* palette, const BYTE* const* tagData,
                          const DWORD* tagLengths, DWORD tagCount, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WriteTLA", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    return WriteTLAImage(&err, io, image, width, height, rowStride, password, channels, rowsPerBand, filters,
                         paletteCount, palette, tagData, reinterpret_cast<const uint32_t*>(tagLengths),
                         tagCount, flags);
  });
}

HPICTLAREADLINES PICAPI pic_InitReadTLALines(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette,
                                             const char* password, DWORD bytesPerPixel) {
  return PicFormatEntry<HPICTLAREADLINES>(
      "pic_InitReadTLALines", src, [&](uint32_t& err, CPicIO& io) -> HPICTLAREADLINES {
        uint32_t count = 0;
        return reinterpret_cast<HPICTLAREADLINES>(TLALineReader::Open(
            &err, io, password, U32(width), U32(height), bytesPerPixel, palette, &count, false, false));
      });
}

BOOL PICAPI pic_ReadNextTLALine(HPICTLAREADLINES lines, BYTE* row, DWORD* rowIndex) {
  return PicObjectEntry<BOOL>("pic_ReadNextTLALine", ReaderOf(lines), [&](uint32_t& err, TLALineReader& r) {
    return r.ReadNextLine(&err, row, U32(rowIndex)) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyReadTLALines(HPICTLAREADLINES lines) {
  return PicObjectEntry<BOOL>("pic_DestroyReadTLALines", ReaderOf(lines), [&](uint32_t&, TLALineReader& r) {
    delete &r;
    return TRUE;
  });
}

HPICTLAWRITELINES PICAPI pic_InitWriteTLALines(HPICDEST dest, DWORD width, DWORD height, DWORD channels,
                                               const char* password, DWORD rowsPerBand, DWORD filters,
                                               DWORD paletteCount, const RGBQUAD* palette, DWORD flags) {
  return PicFormatEntry<HPICTLAWRITELINES>(
      "pic_InitWriteTLALines", dest, [&](uint32_t& err, CPicIO& io) -> HPICTLAWRITELINES {
        return reinterpret_cast<HPICTLAWRITELINES>(
            TLALineWriter::Open(&err, io, password, width, height, channels, rowsPerBand, filters,
                                paletteCount, palette, nullptr, nullptr, 0, flags));
      });
}

BOOL PICAPI pic_WriteNextTLALine(HPICTLAWRITELINES lines, const BYTE* row) {
  return PicObjectEntry<BOOL>("pic_WriteNextTLALine", WriterOf(lines), [&](uint32_t& err, TLALineWriter& w) {
    return w.WriteNextLine(&err, row) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyWriteTLALines(HPICTLAWRITELINES lines) {
  return PicObjectEntry<BOOL>("pic_DestroyWriteTLALines", WriterOf(lines),
                              [&](uint32_t& err, TLALineWriter& w) {
                                const bool ok = w.Close(&err);
                                delete &w;
                                return ok ? TRUE : FALSE;
                              });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectTla(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, bits = 0;
  if (pic_GetTLADims_(src, &width, &height, &bits, nullptr, 0))
    detected->depth = bits <= 8 ? 8 : bits == 24 ? 24 : 32;
  return 0;
}

uint32_t ReadTla(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  DWORD w = 0, h = 0;
  switch (output) {
    case kGenericOut8Bit:
      image->pixels = pic_ReadTLA(src, &w, &h, nullptr, 1, image->palette, 0);
      break;
    case kGenericOut32Bit:
      image->pixels = pic_ReadTLA(src, &w, &h, nullptr, 4, nullptr, 0);
      break;
    case kGenericOutDIB:
      image->pixels = pic_ReadTLA(src, &w, &h, "", 3, nullptr, kTlaPackedDIB);
      break;
    default:
      image->pixels = pic_ReadTLA(src, &w, &h, nullptr, 3, nullptr, 0);
      break;
  }
  image->width = w;
  image->height = h;
  return PicGetLastError();
}

}  // namespace

namespace Pictura {
const PicGenericCodec kTlaGenericCodec = {
    "TLA", kGenericOut24Bit | kGenericOut32Bit | kGenericOutDIB, false, DetectTla, ReadTla,
};
}  // namespace Pictura
