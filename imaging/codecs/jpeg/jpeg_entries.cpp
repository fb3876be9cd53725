// pic_ entries of the JPEG codec and its per-thread settings.
#include <algorithm>
#include <cstring>

#include "core/format_entry.h"
#include "core/generic_codec.h"
#include "core/pictura_core.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/jpeg/pictura_jpeg.h"

using namespace Pictura;

namespace {

JPGLineReader* ReaderOf(HPICJPGREADLINES h) {
  return reinterpret_cast<JPGLineReader*>(h);
}
JPGLineWriter* WriterOf(HPICJPGWRITELINES h) {
  return reinterpret_cast<JPGLineWriter*>(h);
}

// Copies at most capacity bytes and returns the full length.
DWORD CopyOut(const uint8_t* data, uint32_t length, uint8_t* buffer, DWORD capacity) {
  if (buffer && capacity) std::memcpy(buffer, data, std::min<uint32_t>(length, capacity));
  return length;
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetJPGDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD* colorSpace,
                           DWORD* codingFlags, PicResolutionInfo* resolution, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetJPGDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    double x = 0, y = 0;
    uint32_t unit = 0, w = 0, h = 0, bits = 0, space = 0, coding = 0;
    int ok = ReadJPGDims(&err, &io, width ? &w : nullptr, height ? &h : nullptr, &bits, &x, &y, &unit, &space,
                         &coding);
    if (!ok) return FALSE;
    *width = w;
    *height = h;
    if (bitDepth) *bitDepth = bits;
    if (colorSpace) *colorSpace = space;
    if (codingFlags) *codingFlags = coding;
    if (resolution) *resolution = PicResolutionInfo{x, y, unit};
    return TRUE;
  });
}

HGLOBAL PICAPI pic_ReadJPG(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadJPG", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    uint32_t w = 0, h = 0;
    void* image = ReadJPGImage(&err, &io, width ? &w : nullptr, height ? &h : nullptr, depth, flags);
    if (image) *width = w, *height = h;
    return static_cast<HGLOBAL>(image);
  });
}

DWORD PICAPI pic_WriteJPG(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD stride, DWORD quality, const PicResolutionInfo* resolution, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WriteJPG", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    JPGWriteCodecContext ctx;
    SetJPGWriteResolution(&ctx, resolution);
    uint32_t size = WriteJPGImage(&ctx.error, ctx, &io, image, width, height, stride, quality, depth, flags);
    err = ctx.error;
    return size;
  });
}

HPICJPGREADLINES PICAPI pic_InitReadJPGLines(HPICSRC src, DWORD* width, DWORD* height, DWORD depth,
                                             DWORD flags) {
  return PicFormatEntry<HPICJPGREADLINES>("pic_InitReadJPGLines", src, [&](uint32_t& err, CPicIO& io) {
    uint32_t w = 0, h = 0;
    // Progressive display passes belong to whole-image reads.
    JPGLineReader* reader =
        JPGLineReader::Open(&err, &io, &w, &h, depth, flags & ~uint32_t{kJPGReadBuffered});
    if (reader) {
      if (width) *width = w;
      if (height) *height = h;
    }
    return reinterpret_cast<HPICJPGREADLINES>(reader);
  });
}

BOOL PICAPI pic_ReadNextJPGLine(HPICJPGREADLINES lines, BYTE* row, DWORD* rowIndex) {
  return PicObjectEntry<BOOL>("pic_ReadNextJPGLine", ReaderOf(lines), [&](uint32_t& err, JPGLineReader& r) {
    uint32_t index = 0;
    const int ok = JPGLineReader::ReadNextLine(&err, &r, row, &index);
    if (ok && rowIndex) *rowIndex = index;
    return ok ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyReadJPGLines(HPICJPGREADLINES lines) {
  return PicObjectEntry<BOOL>(
      "pic_DestroyReadJPGLines", ReaderOf(lines),
      [&](uint32_t& err, JPGLineReader& r) { return JPGLineReader::Close(&err, &r) ? TRUE : FALSE; });
}

HPICJPGWRITELINES PICAPI pic_InitWriteJPGLines(HPICDEST dest, DWORD width, DWORD height, DWORD depth,
                                               DWORD quality, const PicResolutionInfo* resolution,
                                               DWORD flags) {
  return PicFormatEntry<HPICJPGWRITELINES>("pic_InitWriteJPGLines", dest, [&](uint32_t& err, CPicIO& io) {
    JPGWriteCodecContext ctx;
    SetJPGWriteResolution(&ctx, resolution);
    JPGLineWriter* writer = JPGLineWriter::Open(&ctx.error, ctx, &io, width, height, quality, flags, depth);
    err = ctx.error;
    return reinterpret_cast<HPICJPGWRITELINES>(writer);
  });
}

BOOL PICAPI pic_WriteNextJPGLine(HPICJPGWRITELINES lines, const BYTE* row) {
  return PicObjectEntry<BOOL>("pic_WriteNextJPGLine", WriterOf(lines), [&](uint32_t& err, JPGLineWriter& w) {
    return JPGLineWriter::WriteNextLine(&err, &w, row) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyWriteJPGLines(HPICJPGWRITELINES lines) {
  return PicObjectEntry<BOOL>(
      "pic_DestroyWriteJPGLines", WriterOf(lines),
      [&](uint32_t& err, JPGLineWriter& w) { return JPGLineWriter::Close(&err, &w) ? TRUE : FALSE; });
}

DWORD PICAPI pic_ReadJPGMarkers(HPICSRC src) {
  return PicFormatEntry<DWORD>("pic_ReadJPGMarkers", src, [&](uint32_t& err, CPicIO& io) -> DWORD {
    ImgThreadContext* state = GetImgThreadContext();
    state->jpeg.inputComments.Clear();
    state->jpeg.inputMarkers.Clear();
    PicPtrVector<CFileDataTag> markers;
    if (!ReadJPGMarkers(&err, &io, &markers)) return 0;
    DWORD count = 0;
    for (size_t i = 0; i < markers.Size(); ++i) {
      CFileDataTag* m = markers.At(i);
      auto copy = std::make_unique<CFileDataTag>();
      copy->id = m->id;
      copy->text = m->text;
      copy->data = std::move(m->data);
      PicPtrVector<CFileDataTag>& list = m->id == 0xFE ? state->jpeg.inputComments : state->jpeg.inputMarkers;
      if (!list.Add(std::move(copy))) {
        err = kPicErrNoMemory;
        return count;
      }
      ++count;
    }
    return count;
  });
}

DWORD PICAPI pic_GetJPGInputComment(DWORD index, char* buffer, DWORD capacity) {
  ImgThreadContext* state = PicBeginSetter("pic_GetJPGInputComment");
  if (!state) return 0;
  const CFileDataTag* tag = state->jpeg.inputComments.At(index);
  if (!tag) {
    PicReportError(kPicErrBadArgument, "pic_GetJPGInputComment", nullptr);
    return 0;
  }
  const auto length = static_cast<uint32_t>(tag->text.size() + 1);
  return CopyOut(reinterpret_cast<const uint8_t*>(tag->text.c_str()), length,
                 reinterpret_cast<uint8_t*>(buffer), capacity);
}

DWORD PICAPI pic_GetJPGInputMarker(DWORD index, DWORD* code, BYTE* buffer, DWORD capacity) {
  ImgThreadContext* state = PicBeginSetter("pic_GetJPGInputMarker");
  if (!state) return 0;
  const CFileDataTag* tag = state->jpeg.inputMarkers.At(index);
  if (!tag || tag->data.Count() < kJPGMarkerLead) {
    PicReportError(kPicErrBadArgument, "pic_GetJPGInputMarker", nullptr);
    return 0;
  }
  if (code) *code = tag->id;
  return CopyOut(tag->data.Data() + kJPGMarkerLead, tag->data.Count() - kJPGMarkerLead, buffer, capacity);
}

BOOL PICAPI pic_AddJPGOutputComment(const char* text) {
  return PicRunEntry<BOOL>("pic_AddJPGOutputComment", [&](uint32_t& err) -> BOOL {
    if (!text || std::strlen(text) > 65533) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    auto tag = std::make_unique<CFileDataTag>();
    tag->id = 0xFE;
    tag->text = text;
    if (!GetImgThreadContext()->jpeg.outputComments.Add(std::move(tag))) err = kPicErrNoMemory;
    return err == 0;
  });
}

BOOL PICAPI pic_AddJPGOutputMarker(DWORD code, const BYTE* data, DWORD size) {
  return PicRunEntry<BOOL>("pic_AddJPGOutputMarker", [&](uint32_t& err) -> BOOL {
    const bool app = code >= 0xE0 && code <= 0xEF;
    if ((!app && code != 0xFE) || (size && !data) || size > 65533) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    auto tag = std::make_unique<CFileDataTag>();
    tag->id = code;
    if (size && !tag->data.Resize(size)) {
      err = kPicErrNoMemory;
      return FALSE;
    }
    if (size) std::memcpy(tag->data.Data(), data, size);
    if (!GetImgThreadContext()->jpeg.outputMarkers.Add(std::move(tag))) err = kPicErrNoMemory;
    return err == 0;
  });
}

BOOL PICAPI pic_ClearJPGOutputMarkers(void) {
  ImgThreadContext* state = PicBeginSetter("pic_ClearJPGOutputMarkers");
  if (!state) return FALSE;
  state->jpeg.outputComments.Clear();
  state->jpeg.outputMarkers.Clear();
  return TRUE;
}

BOOL PICAPI pic_SetJPGOptions(DWORD dctMethod, DWORD smoothing, DWORD scaleNum, DWORD scaleDenom) {
  ImgThreadContext* state = PicBeginSetter("pic_SetJPGOptions");
  if (!state) return FALSE;
  if (scaleNum == 0 || scaleDenom == 0 || smoothing > 100) {
    PicReportError(kPicErrBadArgument, "pic_SetJPGOptions", nullptr);
    return FALSE;
  }
  state->jpeg.dctMethod = dctMethod;
  state->jpeg.smoothingFactor = smoothing;
  state->jpeg.scaleNum = scaleNum;
  state->jpeg.scaleDenom = scaleDenom;
  return TRUE;
}

BOOL PICAPI pic_SetJPGSampling(DWORD count, const DWORD* horizontal, const DWORD* vertical) {
  ImgThreadContext* state = PicBeginSetter("pic_SetJPGSampling");
  if (!state) return FALSE;
  if (count > 10 || (count && (!horizontal || !vertical))) {
    PicReportError(kPicErrBadArgument, "pic_SetJPGSampling", nullptr);
    return FALSE;
  }
  state->jpeg.useSampling = count ? 1 : 0;
  state->jpeg.componentCount = count ? count : 10;
  for (uint32_t i = 0; i < 10; ++i) {
    state->jpeg.hSampling[i] = i < count ? horizontal[i] : 1;
    state->jpeg.vSampling[i] = i < count ? vertical[i] : 1;
  }
  return TRUE;
}

BOOL PICAPI pic_SetJPGPassCallback(PicJPGPassCallback callback, PIC_USERDATA user) {
  ImgThreadContext* state = PicBeginSetter("pic_SetJPGPassCallback");
  if (!state) return FALSE;
  state->jpeg.progressivePassCallback = reinterpret_cast<void*>(callback);
  state->jpeg.progressivePassUser = user;
  return TRUE;
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectJpeg(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, bits = 0;
  if (!pic_GetJPGDims(src, &width, &height, &bits, nullptr, nullptr, nullptr, 0)) return 0;
  detected->depth = bits <= 8 ? 8 : 24;
  return 0;
}

uint32_t ReadJpeg(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  DWORD w = 0, h = 0;
  switch (output) {
    case kGenericOut8Bit:
      image->pixels = pic_ReadJPG(src, &w, &h, 8, 0);
      for (uint32_t i = 0; i < 256; ++i) image->palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
      break;
    case kGenericOut24Bit:
      image->pixels = pic_ReadJPG(src, &w, &h, 24, 0);
      break;
    case kGenericOutDIB:
      image->pixels = pic_ReadJPG(src, &w, &h, 24, kJPGReadDIB);
      break;
    default:
      return kPicErrUnexpected;
  }
  image->width = w;
  image->height = h;
  return PicGetLastError();
}

}  // namespace

namespace Pictura {
const PicGenericCodec kJpegGenericCodec = {
    "JPG", kGenericOut8Bit | kGenericOut24Bit | kGenericOutDIB, false, DetectJpeg, ReadJpeg,
};
}  // namespace Pictura
