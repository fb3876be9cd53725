// pic_ entries of the TIFF codec and its generic-reader codec.
#include <cstring>

#include "codecs/tiff/pictura_tiff.h"
#include "codecs/tiff/tiff_codec.h"
#include "core/format_entry.h"

using namespace Pictura;

namespace {

TIFFReaderHandle* ReaderOf(HPICTIFFREADER h) {
  return reinterpret_cast<TIFFReaderHandle*>(h);
}
TIFFWriterHandle* WriterOf(HPICTIFFWRITER h) {
  return reinterpret_cast<TIFFWriterHandle*>(h);
}
TIFFWriterHandle* LinesOf(HPICTIFFWRITELINES h) {
  return reinterpret_cast<TIFFWriterHandle*>(h);
}

bool ReadDepthAccepted(DWORD depth, const RGBQUAD* palette, DWORD flags) {
  if (flags & kTIFFReadDIB) return true;
  switch (depth) {
    case 1:
    case 8:
      return palette != nullptr;
    case 16:
    case 24:
    case 32:
    case 48:
    case 64:
      return true;
    default:
      return false;
  }
}

// Runs a read with 32-bit size outs and copies them to the caller's.
template <class F>
HGLOBAL Sized(DWORD* width, DWORD* height, F&& read) {
  uint32_t w = 0, h = 0;
  HGLOBAL image = read(&w, &h);
  *width = w;
  *height = h;
  return image;
}

// A handle's reads go through its source, which must still be open.
bool SourceAlive(uint32_t& err, const TIFFReaderHandle& r) {
  if (!r.tif) {
    err = kPicErrUnexpected;
    return false;
  }
  if (!CPicIO::IsLiveObject(r.source) || !r.source->IsValid()) {
    err = kPicErrBadManager;
    return false;
  }
  return true;
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetTIFFDims(HPICSRC src, DWORD page, DWORD* width, DWORD* height, DWORD* bitDepth,
                            PicResolutionInfo* resolution, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetTIFFDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    uint32_t w = 0, h = 0, bits = 0, x = 0, y = 0, unit = 0;
    const int ok = ReadTIFFDims(&err, &io, page, &w, &h, &bits, &x, &y, &unit);
    if (width) *width = w;
    if (height) *height = h;
    if (bitDepth) *bitDepth = bits;
    if (resolution) *resolution = PicResolutionInfo{double(x), double(y), unit};
    return ok ? TRUE : FALSE;
  });
}

DWORD PICAPI pic_GetTIFFPageCount(HPICSRC src) {
  return PicFormatEntry<DWORD>("pic_GetTIFFPageCount", src, [&](uint32_t& err, CPicIO& io) -> DWORD {
    return GetTIFFPageCount(&err, &io);
  });
}

HGLOBAL PICAPI pic_ReadTIFF(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                            DWORD page, DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadTIFF", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height || !ReadDepthAccepted(depth, palette, flags)) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    return Sized(width, height, [&](uint32_t* w, uint32_t* h) {
      return ReadTIFFImage(&err, &io, w, h, page, depth, palette, flags);
    });
  });
}

DWORD PICAPI pic_WriteTIFF(HPICDEST dest, const BYTE* pixels, DWORD width, DWORD height, DWORD depth,
                           DWORD compression, const RGBQUAD* palette, DWORD stride,
                           const PicResolutionInfo* resolution, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WriteTIFF", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    if ((depth == 4 || depth == 8) && !palette && !(flags & kTIFFWriteGray)) {
      err = kPicErrBadArgument;
      return 0;
    }
    TIFFWriteCodecContext ctx;
    const uint32_t size = WriteTIFFWhole(&ctx, &io, pixels, width, height, depth, compression, palette,
                                         stride, resolution, flags);
    err = ctx.error;
    return size;
  });
}

DWORD PICAPI pic_WriteTiffMultiViaCB(HPICDEST dest, PicTIFFPageProc callback, PIC_USERDATA user,
                                     DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WriteTiffMultiViaCB", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    TIFFWriteCodecContext ctx;
    const uint32_t size = WriteTIFFMultiViaCallback(&ctx, &io, callback, user, flags);
    err = ctx.error;
    return size;
  });
}

BOOL PICAPI pic_SetTIFFOptions(LONG rowsPerStrip, DWORD tileWidth, DWORD tileHeight, DWORD jpegQuality,
                               DWORD orientation, LONG alphaOverride) {
  ImgThreadContext* ctx = PicBeginSetter("pic_SetTIFFOptions");
  if (!ctx) return FALSE;
  if (jpegQuality > 100 || orientation < 1 || orientation > 8 || rowsPerStrip < -1 || alphaOverride < -1 ||
      alphaOverride > 2) {
    PicReportError(kPicErrBadArgument, "pic_SetTIFFOptions", nullptr);
    return FALSE;
  }
  TIFFWriteOptions& o = ctx->tiffWrite;
  o.rowsPerStrip = rowsPerStrip;
  o.tileWidth = tileWidth;
  o.tileHeight = tileHeight;
  o.jpegQuality = static_cast<uint8_t>(jpegQuality);
  o.orientation = static_cast<uint8_t>(orientation);
  o.alphaOverride = alphaOverride;
  return TRUE;
}

BOOL PICAPI pic_SetTIFFSoftware(const char* text) {
  ImgThreadContext* ctx = PicBeginSetter("pic_SetTIFFSoftware");
  if (!ctx) return FALSE;
  ctx->tiffWrite.customSoftware = text ? 1 : 0;
  ctx->tiffWrite.softwareText = text ? text : "";
  return TRUE;
}

HPICTIFFWRITELINES PICAPI pic_InitWriteTIFFLines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                                 DWORD compression, const RGBQUAD* palette,
                                                 const PicResolutionInfo* resolution, DWORD flags) {
  return PicFormatEntry<HPICTIFFWRITELINES>(
      "pic_InitWriteTIFFLines", dest, [&](uint32_t& err, CPicIO& io) -> HPICTIFFWRITELINES {
        if (flags & kTIFFWriteTiles) {
          err = kPicErrBadArgument;  // lines go into strips
          return nullptr;
        }
        TIFFWriterHandle* h = OpenTIFFWriter(&err, &io, flags);
        if (!h) return nullptr;
        TIFFWriteCodecContext ctx;
        if (!InitializeTIFFWriter(&ctx, h, width, height, palette, depth, compression, resolution, flags)) {
          err = ctx.error;
          CloseTIFFWriter(h);
          return nullptr;
        }
        return reinterpret_cast<HPICTIFFWRITELINES>(h);
      });
}

BOOL PICAPI pic_WriteNextTIFFLine(HPICTIFFWRITELINES lines, const BYTE* row) {
  return PicObjectEntry<BOOL>("pic_WriteNextTIFFLine", LinesOf(lines),
                              [&](uint32_t& err, TIFFWriterHandle& h) {
                                return TIFFWriterHandle::WriteNextLine(&h, row, &err) ? TRUE : FALSE;
                              });
}

BOOL PICAPI pic_DestroyWriteTIFFLines(HPICTIFFWRITELINES lines) {
  return PicObjectEntry<BOOL>(
      "pic_DestroyWriteTIFFLines", LinesOf(lines),
      [&](uint32_t&, TIFFWriterHandle& h) { return CloseTIFFWriter(&h) ? TRUE : FALSE; });
}

HPICTIFFREADER PICAPI pic_CreateTIFFReader_TR(HPICSRC src, DWORD page, DWORD flags) {
  return PicFormatEntry<HPICTIFFREADER>("pic_CreateTIFFReader_TR", src, [&](uint32_t& err, CPicIO& io) {
    return reinterpret_cast<HPICTIFFREADER>(OpenTIFFReader(&err, &io, page, flags));
  });
}

BOOL PICAPI pic_DestroyTIFFReader_TR(HPICTIFFREADER reader) {
  return PicObjectEntry<BOOL>(
      "pic_DestroyTIFFReader_TR", ReaderOf(reader),
      [&](uint32_t&, TIFFReaderHandle& r) { return CloseTIFFReader(&r) ? TRUE : FALSE; });
}

DWORD PICAPI pic_GetTIFFPageCount_TR(HPICTIFFREADER reader) {
  return PicObjectEntry<DWORD>("pic_GetTIFFPageCount_TR", ReaderOf(reader),
                               [&](uint32_t& err, TIFFReaderHandle& r) {
                                 return SourceAlive(err, r) ? GetTIFFPageCountTR(&err, &r) : 0;
                               });
}

BOOL PICAPI pic_SetTIFFPage_TR(HPICTIFFREADER reader, DWORD page) {
  return PicObjectEntry<BOOL>(
      "pic_SetTIFFPage_TR", ReaderOf(reader), [&](uint32_t& err, TIFFReaderHandle& r) {
        return SourceAlive(err, r) && SetTIFFReaderPage(&err, &r, page) ? TRUE : FALSE;
      });
}

BOOL pic_GetTIFFTagV_TR(HPICTIFFREADER reader, DWORD tag, va_list args) {
  return PicObjectEntry<BOOL>("pic_GetTIFFTagV_TR", ReaderOf(reader),
                              [&](uint32_t& err, TIFFReaderHandle& r) {
                                if (!SourceAlive(err, r)) return FALSE;
                                if (GetTIFFTagTR(&err, &r, tag, args) == 1) return TRUE;
                                if (!err) err = kPicErrTIFFTagUnreadable;
                                return FALSE;
                              });
}

BOOL pic_GetTIFFTag_TR(HPICTIFFREADER reader, DWORD tag, ...) {
  va_list args;
  va_start(args, tag);
  const BOOL ok = pic_GetTIFFTagV_TR(reader, tag, args);
  va_end(args);
  return ok;
}

HGLOBAL PICAPI pic_ReadTIFF_TR(HPICTIFFREADER reader, DWORD* width, DWORD* height, DWORD depth,
                               RGBQUAD* palette, DWORD flags) {
  return PicObjectEntry<HGLOBAL>("pic_ReadTIFF_TR", ReaderOf(reader),
                                 [&](uint32_t& err, TIFFReaderHandle& r) -> HGLOBAL {
                                   if (!width || !height || !ReadDepthAccepted(depth, palette, flags)) {
                                     err = kPicErrBadArgument;
                                     return nullptr;
                                   }
                                   if (!SourceAlive(err, r)) return nullptr;
                                   return Sized(width, height, [&](uint32_t* w, uint32_t* h) {
                                     return ReadTIFFInternal(&err, &r, w, h, depth, palette, flags);
                                   });
                                 });
}

HGLOBAL PICAPI pic_ReadTIFFTileOrStrip_TR(HPICTIFFREADER reader, DWORD* width, DWORD* height, DWORD depth,
                                          RGBQUAD* palette, DWORD x, DWORD y, DWORD flags) {
  return PicObjectEntry<HGLOBAL>("pic_ReadTIFFTileOrStrip_TR", ReaderOf(reader),
                                 [&](uint32_t& err, TIFFReaderHandle& r) -> HGLOBAL {
                                   if (!width || !height) {
                                     err = kPicErrBadArgument;
                                     return nullptr;
                                   }
                                   if (!SourceAlive(err, r)) return nullptr;
                                   return Sized(width, height, [&](uint32_t* w, uint32_t* h) {
                                     return ReadTIFFTileOrStrip(&err, &r, w, h, depth, palette, x, y, flags);
                                   });
                                 });
}

HPICTIFFWRITER PICAPI pic_CreateTIFFWriter_TW(HPICDEST dest, DWORD flags) {
  return PicFormatEntry<HPICTIFFWRITER>("pic_CreateTIFFWriter_TW", dest, [&](uint32_t& err, CPicIO& io) {
    return reinterpret_cast<HPICTIFFWRITER>(OpenTIFFWriter(&err, &io, flags));
  });
}

BOOL PICAPI pic_InitializeTIFFWriter_TW(HPICTIFFWRITER writer, DWORD width, DWORD height,
                                        const RGBQUAD* palette, DWORD depth, DWORD compression,
                                        const PicResolutionInfo* resolution, DWORD flags) {
  return PicObjectEntry<BOOL>(
      "pic_InitializeTIFFWriter_TW", WriterOf(writer), [&](uint32_t& err, TIFFWriterHandle& w) {
        TIFFWriteCodecContext ctx;
        const bool ok = InitializeTIFFWriter(&ctx, &w, width, height, palette, depth, compression, resolution,
                                             flags & ~kTIFFWriteAppend);
        err = ctx.error;
        return ok ? TRUE : FALSE;
      });
}

BOOL pic_SetTIFFTagV_TW(HPICTIFFWRITER writer, DWORD tag, va_list args) {
  return PicObjectEntry<BOOL>(
      "pic_SetTIFFTagV_TW", WriterOf(writer),
      [&](uint32_t& err, TIFFWriterHandle& w) { return SetTIFFTagTW(&err, &w, tag, args) ? TRUE : FALSE; });
}

BOOL pic_SetTIFFTag_TW(HPICTIFFWRITER writer, DWORD tag, ...) {
  va_list args;
  va_start(args, tag);
  const BOOL ok = pic_SetTIFFTagV_TW(writer, tag, args);
  va_end(args);
  return ok;
}

BOOL PICAPI pic_WriteTIFF_TW(HPICTIFFWRITER writer, const BYTE* pixels, DWORD stride) {
  return PicObjectEntry<BOOL>("pic_WriteTIFF_TW", WriterOf(writer), [&](uint32_t& err, TIFFWriterHandle& w) {
    return WriteTIFFImageRows(&err, &w, pixels, stride) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_WriteDirectory_TW(HPICTIFFWRITER writer) {
  return PicObjectEntry<BOOL>(
      "pic_WriteDirectory_TW", WriterOf(writer),
      [&](uint32_t& err, TIFFWriterHandle& w) { return WriteTIFFDirectory(&err, &w) ? TRUE : FALSE; });
}

BOOL PICAPI pic_DestroyTIFFWriter_TW(HPICTIFFWRITER writer) {
  return PicObjectEntry<BOOL>(
      "pic_DestroyTIFFWriter_TW", WriterOf(writer),
      [&](uint32_t&, TIFFWriterHandle& w) { return CloseTIFFWriter(&w) ? TRUE : FALSE; });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectTiff(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, bits = 0;
  if (!pic_GetTIFFDims(src, 0, &width, &height, &bits, nullptr, 0)) return 0;
  if (bits > 8)
    detected->depth = bits == 32 ? 32 : 24;
  else
    detected->depth = bits == 1 ? 1 : 8;
  detected->direct1Bit = bits == 1;
  return 0;
}

HGLOBAL PICAPI ReadFirstPage(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                             DWORD flags) {
  return pic_ReadTIFF(src, width, height, depth, palette, 0, flags);
}

// The DIB comes at the file's own depth.
uint32_t ReadTiff(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  return ReadAtEachDepth(ReadFirstPage, kTIFFReadDIB, src, output, image);
}

}  // namespace

namespace Pictura {
const PicGenericCodec kTiffGenericCodec = {
    "TIFF",   kGenericOut1Bit | kGenericOut8Bit | kGenericOut24Bit | kGenericOut32Bit | kGenericOutDIB,
    false,    DetectTiff,
    ReadTiff,
};
}  // namespace Pictura
