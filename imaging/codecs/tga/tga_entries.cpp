// The pic_ entries of the TGA codec.
#include "codecs/tga/pictura_tga.h"
#include "codecs/tga/tga_codec.h"
#include "core/format_entry.h"

using namespace Pictura;

namespace {

TGALineWriter* WriterOf(HPICTGAWRITELINES h) {
  return reinterpret_cast<TGALineWriter*>(h);
}
uint32_t* U32(DWORD* p) {
  return reinterpret_cast<uint32_t*>(p);
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetTGADims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetTGADims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!width || !height || !bitDepth) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    return ReadTGADims(&err, io, U32(width), U32(height), U32(bitDepth));
  });
}

BOOL PICAPI pic_GetTGAPalette(HPICSRC src, RGBQUAD* palette, DWORD* count) {
  return PicFormatEntry<BOOL>("pic_GetTGAPalette", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    return ReadTGAPalette(&err, io, U32(count), palette);
  });
}

HGLOBAL PICAPI pic_ReadTGA(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadTGA", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    if (flags & kTgaPackedDIB) {
      if (flags & kTgaFileOrder) {
        err = kPicErrBadArgument;
        return nullptr;
      }
      return ReadTGAToDIB(&err, io, U32(width), U32(height));
    }
    if (depth == 8 && palette) return ReadTGA8Bit(&err, io, U32(width), U32(height), palette, flags);
    if (depth == 24 || depth == 32) return ReadTGAToRGB(&err, io, U32(width), U32(height), depth, flags);
    err = kPicErrBadArgument;
    return nullptr;
  });
}

DWORD PICAPI pic_WriteTGA(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, const RGBQUAD* palette, DWORD, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WriteTGA", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    return WriteTGAImage(&err, io, image, width, height, depth, rowStride, palette, flags);
  });
}

HPICTGAWRITELINES PICAPI pic_InitWriteTGALines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                               const RGBQUAD* palette, DWORD flags) {
  return PicFormatEntry<HPICTGAWRITELINES>(
      "pic_InitWriteTGALines", dest, [&](uint32_t& err, CPicIO& io) -> HPICTGAWRITELINES {
        return reinterpret_cast<HPICTGAWRITELINES>(
            TGALineWriter::Open(&err, io, width, height, depth, palette, flags));
      });
}

BOOL PICAPI pic_WriteNextTGALine(HPICTGAWRITELINES lines, const BYTE* row) {
  return PicObjectEntry<BOOL>("pic_WriteNextTGALine", WriterOf(lines), [&](uint32_t& err, TGALineWriter& w) {
    return w.WriteNextLine(&err, row) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyWriteTGALines(HPICTGAWRITELINES lines) {
  return PicObjectEntry<BOOL>("pic_DestroyWriteTGALines", WriterOf(lines),
                              [&](uint32_t& err, TGALineWriter& w) {
                                const bool ok = w.Finish(&err);
                                DestroyTGALineWriter(&w);
                                return ok ? TRUE : FALSE;
                              });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectTga(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, bits = 0;
  if (!pic_GetTGADims(src, &width, &height, &bits, 0)) return 0;
  detected->depth = bits <= 8 ? 8 : bits == 32 ? 32 : 24;
  return 0;
}

uint32_t ReadTga(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  return ReadAtEachDepth(pic_ReadTGA, kTgaPackedDIB, src, output, image);
}

}  // namespace

namespace Pictura {
const PicGenericCodec kTgaGenericCodec = {
    "TGA", kGenericOut8Bit | kGenericOut24Bit | kGenericOut32Bit | kGenericOutDIB, false, DetectTga, ReadTga,
};
}  // namespace Pictura
