// The pic_ entries of the PCX codec.
#include "codecs/pcx/pcx_codec.h"
#include "codecs/pcx/pictura_pcx.h"
#include "core/format_entry.h"

using namespace Pictura;

namespace {

PCXLineReader* ReaderOf(HPICPCXREADLINES h) {
  return reinterpret_cast<PCXLineReader*>(h);
}
PCXLineWriter* WriterOf(HPICPCXWRITELINES h) {
  return reinterpret_cast<PCXLineWriter*>(h);
}
uint32_t* U32(DWORD* p) {
  return reinterpret_cast<uint32_t*>(p);
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetPCXDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth,
                           PicResolutionInfo* resolution, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetPCXDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!width || !height || !bitDepth) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    return ReadPCXDims(&err, io, U32(width), U32(height), U32(bitDepth), resolution);
  });
}

BOOL PICAPI pic_GetPCXPalette(HPICSRC src, RGBQUAD* palette, DWORD* count) {
  return PicFormatEntry<BOOL>("pic_GetPCXPalette", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    return ReadPCXPalette(&err, io, U32(count), palette);
  });
}

HGLOBAL PICAPI pic_ReadPCX(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadPCX", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    const bool dib = (flags & kPcxPackedDIB) != 0;
    if (!width || !height || (!dib && !(depth == 24 || ((depth == 1 || depth == 8) && palette)))) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    return ReadPCXImage(&err, io, U32(width), U32(height), depth, depth == 24 ? nullptr : palette, flags);
  });
}

DWORD PICAPI pic_WritePCX(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, const RGBQUAD* palette, const double* resolution, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WritePCX", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    return WritePCXImage(&err, io, image, width, height, depth, rowStride, palette, resolution, flags);
  });
}

HPICPCXREADLINES PICAPI pic_InitReadPCXLines(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette,
                                             DWORD) {
  return PicFormatEntry<HPICPCXREADLINES>(
      "pic_InitReadPCXLines", src, [&](uint32_t& err, CPicIO& io) -> HPICPCXREADLINES {
        uint32_t depth = palette ? 8 : 24;
        return reinterpret_cast<HPICPCXREADLINES>(
            PCXLineReader::Open(&err, io, U32(width), U32(height), palette, &depth));
      });
}

BOOL PICAPI pic_ReadNextPCXLine(HPICPCXREADLINES lines, BYTE* row, DWORD* rowIndex) {
  return PicObjectEntry<BOOL>("pic_ReadNextPCXLine", ReaderOf(lines), [&](uint32_t& err, PCXLineReader& r) {
    return r.ReadNextLine(&err, row, U32(rowIndex)) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyReadPCXLines(HPICPCXREADLINES lines) {
  return PicObjectEntry<BOOL>("pic_DestroyReadPCXLines", ReaderOf(lines), [&](uint32_t&, PCXLineReader& r) {
    DestroyPCXLineReader(&r);
    return TRUE;
  });
}

HPICPCXWRITELINES PICAPI pic_InitWritePCXLines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                               const RGBQUAD* palette, const double* resolution,
                                               DWORD flags) {
  return PicFormatEntry<HPICPCXWRITELINES>(
      "pic_InitWritePCXLines", dest, [&](uint32_t& err, CPicIO& io) -> HPICPCXWRITELINES {
        return reinterpret_cast<HPICPCXWRITELINES>(
            PCXLineWriter::Open(&err, io, width, height, depth, palette, resolution, flags));
      });
}

BOOL PICAPI pic_WriteNextPCXLine(HPICPCXWRITELINES lines, const BYTE* row) {
  return PicObjectEntry<BOOL>("pic_WriteNextPCXLine", WriterOf(lines), [&](uint32_t& err, PCXLineWriter& w) {
    return w.WriteNextLine(&err, row) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyWritePCXLines(HPICPCXWRITELINES lines) {
  return PicObjectEntry<BOOL>("pic_DestroyWritePCXLines", WriterOf(lines),
                              [&](uint32_t& err, PCXLineWriter& w) {
                                const bool ok = w.Finish(&err);
                                DestroyPCXLineWriter(&w);
                                return ok ? TRUE : FALSE;
                              });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectPcx(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, bits = 0;
  if (!pic_GetPCXDims(src, &width, &height, &bits, nullptr, 0)) return 0;
  detected->depth = bits == 1 ? 1 : bits <= 8 ? 8 : 24;
  detected->direct1Bit = bits == 1;
  return 0;
}

uint32_t ReadPcx(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  return ReadAtEachDepth(pic_ReadPCX, kPcxPackedDIB, src, output, image);
}

}  // namespace

namespace Pictura {
const PicGenericCodec kPcxGenericCodec = {
    "PCX", kGenericOut1Bit | kGenericOut8Bit | kGenericOut24Bit | kGenericOutDIB, false, DetectPcx, ReadPcx,
};
}  // namespace Pictura
