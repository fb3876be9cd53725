// The per-format state entries: TLA input tags and the GIF frame list the
// calling thread keeps.
#include <cstring>

#include "core/operation.h"
#include "core/thread_context.h"
#include "core/pictura_formats.h"

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_GetTLAInputTag(DWORD index, HGLOBAL* data, DWORD* size) {
  static const char kName[] = "pic_GetTLAInputTag";
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx) return FALSE;
  if (!data) {
    PicReportError(kPicErrBadArgument, kName, nullptr);
    return FALSE;
  }
  const CFileDataTag* tag = ctx->tlaInputTags.At(index);
  if (!tag || tag->data.Empty()) return FALSE;
  const uint32_t n = tag->data.Count();
  HGLOBAL block = n < kPicAllocCap ? GlobalAlloc(GPTR, n) : nullptr;
  if (!block) {
    PicReportError(kPicErrNoMemory, kName, nullptr);
    return FALSE;
  }
  std::memcpy(block, tag->data.Data(), n);
  *data = block;
  if (size) *size = n;
  PicReportError(0, kName, nullptr);
  return TRUE;
}

DWORD PICAPI pic_GetTLAInputTagCount(void) {
  ImgThreadContext* ctx = PicBeginSetter("pic_GetTLAInputTagCount");
  return ctx ? static_cast<DWORD>(ctx->tlaInputTags.Size()) : 0;
}

BOOL PICAPI pic_GetGIFFrame(DWORD index, HGLOBAL* pixels, DWORD* width, DWORD* height, DWORD* left,
                            DWORD* top, DWORD* delay, DWORD* disposal, DWORD* userInput,
                            DWORD* hasLocalPalette, LONG* transparent, DWORD* interlaced, RGBQUAD* palette,
                            DWORD) {
  static const char kName[] = "pic_GetGIFFrame";
  ImgThreadContext* ctx = PicBeginSetter(kName);
  if (!ctx) return FALSE;
  const GIFFrameRecord* f = ctx->gifFrames.at(index);
  if (!f || !pixels || !width || !height || !left || !top || !delay || !disposal || !userInput ||
      !hasLocalPalette || !transparent || !interlaced || !palette) {
    PicReportError(kPicErrBadArgument, kName, nullptr);
    return FALSE;
  }
  *pixels = f->pixels;
  *width = f->width;
  *height = f->height;
  *left = f->left;
  *top = f->top;
  *delay = f->delay;
  *disposal = f->disposal;
  *userInput = f->userInput;
  *hasLocalPalette = f->hasLocalPalette;
  *transparent = f->transparent;
  *interlaced = f->interlaced;
  std::memcpy(palette, f->palette, sizeof f->palette);
  return TRUE;
}

DWORD PICAPI pic_GetGIFFrameCount(void) {
  ImgThreadContext* ctx = PicBeginSetter("pic_GetGIFFrameCount");
  return ctx ? static_cast<DWORD>(ctx->gifFrames.frames.size()) : 0;
}

BOOL PICAPI pic_ClearGIFFrames(void) {
  ImgThreadContext* ctx = PicBeginSetter("pic_ClearGIFFrames");
  if (!ctx) return FALSE;
  GIFFrameList& list = ctx->gifFrames;
  ClearGIFFrameList(&list);
  list.screenWidth = list.screenHeight = list.loopCount = list.backgroundIndex = 0;
  std::memset(list.globalPalette, 0, sizeof list.globalPalette);
  return TRUE;
}

}  // extern "C"
