// pic_ entries of the PNG codec and its per-thread settings.
#include <cstring>

#include "core/format_entry.h"
#include "core/generic_codec.h"
#include "core/pictura_core.h"
#include "codecs/png/pictura_png.h"
#include "codecs/png/png_codec.h"

using namespace Pictura;

namespace {

PNGLineReader* ReaderOf(HPICPNGREADLINES h) {
  return reinterpret_cast<PNGLineReader*>(h);
}
PNGLineWriter* WriterOf(HPICPNGWRITELINES h) {
  return reinterpret_cast<PNGLineWriter*>(h);
}

PNGWriteSpec MakeSpec(DWORD width, DWORD height, DWORD bitDepth, DWORD paletteCount, const RGBQUAD* palette,
                      DWORD colorType, double gamma, DWORD flags) {
  PNGWriteSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bitDepth = bitDepth;
  spec.paletteCount = paletteCount;
  spec.palette = palette;
  spec.colorType = colorType;
  spec.gamma = gamma;
  spec.flags = flags;
  return spec;
}

// Runs a core on a fresh context and hands its code to the entry.
template <class F>
auto OnContext(uint32_t& err, F&& core) {
  PNGCodecContext pc;
  auto result = core(&pc);
  err = pc.error;
  return result;
}

// The core for a depth and flags of pic_ReadPNG.
void* ReadPNGAt(PNGCodecContext* pc, CPicIO* io, uint32_t* w, uint32_t* h, DWORD depth, RGBQUAD* palette,
                DWORD flags) {
  if ((flags & kPNGReadDIB) && (flags & kPNGReadBGRPadded)) {
    pc->error = kPicErrBadArgument;
    return nullptr;
  }
  if (flags & kPNGReadDIB) return ReadPNGToDIB(pc, io, w, h, flags);
  switch (depth) {
    case 1:
    case 8:
      return ReadPNGImage(pc, io, w, h, depth, palette, false, flags);
    case 16:
      if (flags & kPNGReadGray16) return ReadPNGImage(pc, io, w, h, 16, nullptr, true, flags);
      return ReadPNGGrayAlpha(pc, io, w, h, 255, flags);
    case 24:
      return ReadPNGImage(pc, io, w, h, 24, nullptr, false, flags);
    case 32:
      return ReadPNGToRGBA(pc, io, w, h, 255, false, flags);
    case 48:
      return ReadPNGImage(pc, io, w, h, 48, nullptr, true, flags);
    case 64:
      return ReadPNGToRGBA(pc, io, w, h, 65535, true, flags);
    default:
      pc->error = kPicErrBadArgument;
      return nullptr;
  }
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetPNGDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD* colorType,
                           DWORD* interlace, LONG* transparentIndex, LONG* red, LONG* green, LONG* blue,
                           LONG* gray, PicResolutionInfo* resolution, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetPNGDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (transparentIndex) *transparentIndex = -1;
    if (!width || !height || !bitDepth || !colorType || !interlace || !red || !green || !blue || !gray) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    *red = *green = *blue = *gray = -1;
    int32_t index = -1, r = -1, g = -1, b = -1, grey = -1;
    uint32_t w = 0, h = 0, bd = 0, ct = 0, il = 0, count = 0;
    RGBQUAD scratch[256];
    PNGCodecContext pc;
    int ok = ReadPNGDims(&pc, &io, &w, &h, &bd, &ct, &il, resolution, &count, scratch,
                         PNGTransparency{&index, &r, &g, &b, &grey});
    err = pc.error;
    if (!ok) return FALSE;
    *width = w, *height = h, *bitDepth = bd, *colorType = ct, *interlace = il;
    if (transparentIndex) *transparentIndex = index;
    *red = r, *green = g, *blue = b, *gray = grey;
    return TRUE;
  });
}

BOOL PICAPI pic_GetPNGPalette(HPICSRC src, RGBQUAD* palette, DWORD* count) {
  return PicFormatEntry<BOOL>("pic_GetPNGPalette", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!palette || !count) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    uint32_t n = 0;
    PNGCodecContext pc;
    int ok = ReadPNGDims(&pc, &io, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &n, palette,
                         PNGTransparency{});
    err = pc.error;
    *count = ok ? n : 0;
    return ok ? TRUE : FALSE;
  });
}

HGLOBAL PICAPI pic_ReadPNG(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadPNG", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    PNGCodecContext pc;
    uint32_t w = 0, h = 0;
    void* image = ReadPNGAt(&pc, &io, &w, &h, depth, palette, flags);
    err = pc.error;
    *width = w;
    *height = h;
    return static_cast<HGLOBAL>(image);
  });
}

DWORD PICAPI pic_WritePNG(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD stride,
                          DWORD bitDepth, DWORD paletteCount, const RGBQUAD* palette, DWORD colorType,
                          double gamma, const PicResolutionInfo* resolution, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WritePNG", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    PNGCodecContext pc;
    RoundResolutionPNG(&pc.resolution, resolution);
    PNGWriteSpec spec = MakeSpec(width, height, bitDepth, paletteCount, palette, colorType, gamma, flags);
    uint32_t size = WritePNGImage(&pc, &io, image, stride, spec);
    err = pc.error;
    return size;
  });
}

HPICPNGREADLINES PICAPI pic_InitReadPNGLines(HPICSRC src, DWORD* width, DWORD* height, RGBQUAD* palette,
                                             DWORD flags) {
  return PicFormatEntry<HPICPNGREADLINES>("pic_InitReadPNGLines", src, [&](uint32_t& err, CPicIO& io) {
    PNGCodecContext pc;
    uint32_t w = 0, h = 0;
    PNGLineReader* reader = PNGLineReader::Open(&pc, &io, &w, &h, palette ? 8 : 24, palette, flags);
    err = pc.error;
    if (reader) {
      if (width) *width = w;
      if (height) *height = h;
    }
    return reinterpret_cast<HPICPNGREADLINES>(reader);
  });
}

BOOL PICAPI pic_ReadNextPNGLine(HPICPNGREADLINES lines, BYTE* row, DWORD* rowsRead) {
  return PicObjectEntry<BOOL>("pic_ReadNextPNGLine", ReaderOf(lines), [&](uint32_t& err, PNGLineReader& r) {
    uint32_t count = 0;
    const int ok =
        OnContext(err, [&](PNGCodecContext* pc) { return PNGLineReader::ReadNextLine(pc, &r, row, &count); });
    if (ok && rowsRead) *rowsRead = count;
    return ok ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyReadPNGLines(HPICPNGREADLINES lines) {
  return PicObjectEntry<BOOL>(
      "pic_DestroyReadPNGLines", ReaderOf(lines), [&](uint32_t& err, PNGLineReader& r) {
        return OnContext(err,
                         [&](PNGCodecContext* pc) { return PNGLineReader::Close(pc, &r) ? TRUE : FALSE; });
      });
}

HPICPNGWRITELINES PICAPI pic_InitWritePNGLines(HPICDEST dest, DWORD width, DWORD height, DWORD bitDepth,
                                               DWORD paletteCount, const RGBQUAD* palette, DWORD colorType,
                                               double gamma, const PicResolutionInfo* resolution,
                                               DWORD flags) {
  return PicFormatEntry<HPICPNGWRITELINES>("pic_InitWritePNGLines", dest, [&](uint32_t& err, CPicIO& io) {
    PNGCodecContext pc;
    RoundResolutionPNG(&pc.resolution, resolution);
    // The line writer never interlaces.
    PNGWriteSpec spec = MakeSpec(width, height, bitDepth, paletteCount, palette, colorType, gamma,
                                 flags & ~uint32_t{kPNGWriteInterlace});
    PNGLineWriter* writer = PNGLineWriter::Open(&pc, &io, spec);
    err = pc.error;
    return reinterpret_cast<HPICPNGWRITELINES>(writer);
  });
}

BOOL PICAPI pic_WriteNextPNGLine(HPICPNGWRITELINES lines, const BYTE* row) {
  return PicObjectEntry<BOOL>("pic_WriteNextPNGLine", WriterOf(lines), [&](uint32_t& err, PNGLineWriter& w) {
    return OnContext(
        err, [&](PNGCodecContext* pc) { return PNGLineWriter::WriteNextLine(pc, &w, row) ? TRUE : FALSE; });
  });
}

BOOL PICAPI pic_DestroyWritePNGLines(HPICPNGWRITELINES lines) {
  return PicObjectEntry<BOOL>(
      "pic_DestroyWritePNGLines", WriterOf(lines), [&](uint32_t& err, PNGLineWriter& w) {
        return OnContext(err,
                         [&](PNGCodecContext* pc) { return PNGLineWriter::Close(pc, &w) ? TRUE : FALSE; });
      });
}

BOOL PICAPI pic_AddPNGTextChunk(const char* keyword, const char* text, DWORD compressed) {
  return PicRunEntry<BOOL>("pic_AddPNGTextChunk", [&](uint32_t& err) -> BOOL {
    // PNG keywords are 1 to 79 characters.
    if (!keyword || std::strlen(keyword) > 79) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    return AddPNGTextChunk(keyword, text, compressed) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_ClearPNGTextChunks(void) {
  ImgThreadContext* state = PicBeginSetter("pic_ClearPNGTextChunks");
  if (!state) return FALSE;
  state->png.textToWrite.clear();
  return TRUE;
}

DWORD PICAPI pic_ReadPNGTextChunks(HPICSRC src) {
  return PicFormatEntry<DWORD>("pic_ReadPNGTextChunks", src, [&](uint32_t& err, CPicIO& io) -> DWORD {
    ImgThreadContext* state = GetImgThreadContext();
    PNGCodecContext pc;
    ReadPNGTextChunks(&pc, &io, &state->png.textRead);
    err = pc.error;
    return static_cast<DWORD>(state->png.textRead.size());
  });
}

BOOL PICAPI pic_GetPNGTextChunk(DWORD index, const char** keyword, const char** text, DWORD* compressed) {
  ImgThreadContext* state = PicBeginSetter("pic_GetPNGTextChunk");
  if (!state) return FALSE;
  if (index >= state->png.textRead.size()) {
    PicReportError(kPicErrBadArgument, "pic_GetPNGTextChunk", nullptr);
    return FALSE;
  }
  const PNGTextChunk& chunk = state->png.textRead[index];
  if (keyword) *keyword = chunk.key.c_str();
  if (text) *text = chunk.text.c_str();
  if (compressed) *compressed = chunk.compressed;
  return TRUE;
}

BOOL PICAPI pic_SetPNGScreenGamma(double gamma) {
  ImgThreadContext* state = PicBeginSetter("pic_SetPNGScreenGamma");
  if (!state) return FALSE;
  state->png.screenGamma = gamma;
  return TRUE;
}

BOOL PICAPI pic_SetPNGBackground(DWORD index, DWORD red, DWORD green, DWORD blue, DWORD gray) {
  ImgThreadContext* state = PicBeginSetter("pic_SetPNGBackground");
  if (!state) return FALSE;
  state->png.defaultBackground =
      PngColor16{static_cast<uint8_t>(index), static_cast<uint16_t>(red), static_cast<uint16_t>(green),
                 static_cast<uint16_t>(blue), static_cast<uint16_t>(gray)};
  return TRUE;
}

BOOL PICAPI pic_GetPNGLastBackground(DWORD* index, DWORD* red, DWORD* green, DWORD* blue, DWORD* gray) {
  ImgThreadContext* state = PicBeginSetter("pic_GetPNGLastBackground");
  if (!state) return FALSE;
  const PngColor16& c = state->png.lastBackground;
  if (index) *index = c.index;
  if (red) *red = c.red;
  if (green) *green = c.green;
  if (blue) *blue = c.blue;
  if (gray) *gray = c.gray;
  return TRUE;
}

BOOL PICAPI pic_SetPNGTransparentColor(DWORD enable, DWORD index, DWORD red, DWORD green, DWORD blue,
                                       DWORD gray) {
  ImgThreadContext* state = PicBeginSetter("pic_SetPNGTransparentColor");
  if (!state) return FALSE;
  state->png.writeTransparent = enable ? 1 : 0;
  state->png.transparentColor =
      PngColor16{static_cast<uint8_t>(index), static_cast<uint16_t>(red), static_cast<uint16_t>(green),
                 static_cast<uint16_t>(blue), static_cast<uint16_t>(gray)};
  return TRUE;
}

BOOL PICAPI pic_SetPNGCompression(DWORD mask, LONG level, LONG memoryLevel, LONG strategy, LONG windowBits,
                                  LONG filters) {
  ImgThreadContext* state = PicBeginSetter("pic_SetPNGCompression");
  if (!state) return FALSE;
  PNGOptions& o = state->png;
  o.zlibSetMask = mask & 31;
  o.filterMask = static_cast<int32_t>(filters);
  o.zlibLevel = static_cast<int32_t>(level);
  o.zlibMemLevel = static_cast<int32_t>(memoryLevel);
  o.zlibStrategy = static_cast<int32_t>(strategy);
  o.zlibWindowBits = static_cast<int32_t>(windowBits);
  return TRUE;
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectPng(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, bits = 0, type = 0, interlace = 0;
  LONG red, green, blue, gray;
  if (!pic_GetPNGDims(src, &width, &height, &bits, &type, &interlace, nullptr, &red, &green, &blue, &gray,
                      nullptr, 0))
    return 0;
  if (bits < 9) {
    if (type == PNG_COLOR_TYPE_PALETTE)
      detected->depth = bits == 1 ? 1 : bits < 8 ? 4 : 8;
    else if (type == PNG_COLOR_TYPE_RGB_ALPHA && bits == 8)
      detected->depth = 32;
    else if (bits == 1)
      detected->depth = 1;
  }
  detected->direct1Bit = bits == 1 && type == PNG_COLOR_TYPE_PALETTE;
  return 0;
}

// The DIB comes at the file's own depth.
uint32_t ReadPng(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  return ReadAtEachDepth(pic_ReadPNG, kPNGReadDIB, src, output, image);
}

}  // namespace

namespace Pictura {
const PicGenericCodec kPngGenericCodec = {
    "PNG",   kGenericOut1Bit | kGenericOut8Bit | kGenericOut24Bit | kGenericOut32Bit | kGenericOutDIB,
    false,   DetectPng,
    ReadPng,
};
}  // namespace Pictura
