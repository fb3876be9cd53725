// The pic_ entries of the GIF codec and its place in the generic reader.
#include <cstring>

#include "codecs/gif/gif_codec.h"
#include "codecs/gif/pictura_gif.h"
#include "core/generic_codec.h"
#include "core/operation.h"

using namespace Pictura;

namespace {

// The per-format entry pattern without its nesting scope: the GIF reader
// and writer objects raise the depth themselves.
template <class R, class Core>
R GifEntry(const char* name, HPICSRC handle, Core&& core) {
  return PicRunEntry<R>(name, [&](uint32_t& err) -> R {
    CPicIO* io = nullptr;
    err = CheckManager(handle, &io);
    if (err) return R{};
    return core(err, *io);
  });
}

GIFMultiWriteHandle* WriteHandleOf(HPICGIFWRITE h) {
  return reinterpret_cast<GIFMultiWriteHandle*>(h);
}
GIFAnimationHandle* AnimationOf(HPICGIFANIMATION h) {
  return reinterpret_cast<GIFAnimationHandle*>(h);
}
uint32_t* U32(DWORD* p) {
  return reinterpret_cast<uint32_t*>(p);
}
int32_t* I32(LONG* p) {
  return reinterpret_cast<int32_t*>(p);
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetGIFDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD* background,
                           LONG* transparent, RGBQUAD* palette, BYTE* interlaced, BYTE logicalScreen) {
  return GifEntry<BOOL>("pic_GetGIFDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!width || !height || !bitDepth || !background || !interlaced) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    GIFReader reader;
    const int ok = reader.ReadDims(&io, U32(width), U32(height), U32(bitDepth), U32(background),
                                   I32(transparent), palette, interlaced, logicalScreen == 0);
    err = reader.error;
    return ok ? TRUE : FALSE;
  });
}

HGLOBAL PICAPI pic_ReadGIF(HPICSRC src, DWORD* width, DWORD* height, LONG* transparent, RGBQUAD* palette,
                           DWORD flags) {
  return GifEntry<HGLOBAL>("pic_ReadGIF", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    GIFReader reader;
    HGLOBAL image = reader.ReadImage(&io, U32(width), U32(height), palette, I32(transparent), flags);
    err = reader.error;
    return image;
  });
}

BOOL PICAPI pic_ReadMultiFrameGIF(HPICSRC src, DWORD* width, DWORD* height, DWORD* frameCount,
                                  DWORD* loopCount, DWORD* background, LONG* transparent, RGBQUAD* palette,
                                  DWORD) {
  return GifEntry<BOOL>("pic_ReadMultiFrameGIF", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (transparent) *transparent = -1;
    GIFFrameList& list = GetImgThreadContext()->gifFrames;
    GIFReader reader;
    const int ok = reader.ReadAllFrames(&io, &list);
    err = reader.error;
    if (width) *width = list.screenWidth;
    if (height) *height = list.screenHeight;
    if (frameCount) *frameCount = list.frameCount;
    if (loopCount) *loopCount = list.loopCount;
    if (background) *background = list.backgroundIndex;
    if (palette) std::memcpy(palette, list.globalPalette, sizeof list.globalPalette);
    return ok ? TRUE : FALSE;
  });
}

DWORD PICAPI pic_WriteGIF(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD rowStride,
                          BYTE background, LONG transparent, DWORD bits, const RGBQUAD* palette,
                          DWORD flags) {
  return GifEntry<DWORD>("pic_WriteGIF", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    GIFWriter writer;
    const uint32_t size = writer.WriteSingle(&io, image, width, height, rowStride, background, transparent,
                                             bits, palette, flags);
    err = writer.error;
    return size;
  });
}

HPICGIFWRITE PICAPI pic_InitWriteMultiframedGIF(HPICDEST dest, DWORD width, DWORD height, LONG transparent,
                                                BYTE background, DWORD bits, const RGBQUAD* palette,
                                                WORD loopCount, LONG loop) {
  return GifEntry<HPICGIFWRITE>("pic_InitWriteMultiframedGIF", dest, [&](uint32_t& err, CPicIO& io) {
    GIFWriter writer;
    GIFMultiWriteHandle* handle =
        writer.BeginMultiFrame(&io, width, height, transparent, background, bits, palette, loopCount, loop);
    err = writer.error;
    return reinterpret_cast<HPICGIFWRITE>(handle);
  });
}

BOOL PICAPI pic_AddGIFFrame(HPICGIFWRITE handle, const BYTE* image, DWORD width, DWORD height,
                            DWORD rowStride, WORD left, WORD top, WORD delay, LONG transparent, DWORD bits,
                            const RGBQUAD* palette, DWORD disposal, DWORD flags) {
  return PicRunEntry<BOOL>("pic_AddGIFFrame", [&](uint32_t& err) -> BOOL {
    GIFMultiWriteHandle* h = WriteHandleOf(handle);
    if (h && (!CPicIO::IsLiveObject(h->dest) || !h->dest->IsValid())) {
      err = kPicErrBadManager;  // the destination was closed under the handle
      return FALSE;
    }
    GIFWriter writer;
    const bool ok = writer.AddFrame(h, image, width, height, rowStride, left, top, delay, transparent, bits,
                                    palette, disposal, flags);
    err = writer.error;
    return ok ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyMultiGIF(HPICGIFWRITE handle) {
  return PicRunEntry<BOOL>("pic_DestroyMultiGIF", [&](uint32_t& err) -> BOOL {
    GIFMultiWriteHandle* h = WriteHandleOf(handle);
    if (h && (!CPicIO::IsLiveObject(h->dest) || !h->dest->IsValid())) {
      delete h;
      err = kPicErrBadManager;
      return FALSE;
    }
    GIFWriter writer;
    const bool ok = writer.Finish(h);
    err = writer.error;
    return ok ? TRUE : FALSE;
  });
}

HPICGIFANIMATION PICAPI pic_InitRenderAnimatedGIF(HPICSRC src, DWORD* width, DWORD* height, DWORD) {
  return GifEntry<HPICGIFANIMATION>("pic_InitRenderAnimatedGIF", src, [&](uint32_t& err, CPicIO& io) {
    GIFReader reader;
    GIFAnimationHandle* handle = reader.InitAnimation(&io, U32(width), U32(height));
    err = reader.error;
    return reinterpret_cast<HPICGIFANIMATION>(handle);
  });
}

BOOL PICAPI pic_AnimatedGIFGetNextFrame(HPICGIFANIMATION handle, BYTE* buffer, DWORD* delay, DWORD flags) {
  return PicRunEntry<BOOL>("pic_AnimatedGIFGetNextFrame", [&](uint32_t& err) -> BOOL {
    if (!handle || !buffer || !delay) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    PicNestingScope depth;
    return GIFRenderNextFrame(&err, AnimationOf(handle), buffer, U32(delay), flags) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_DestroyAnimatedGIF(HPICGIFANIMATION handle) {
  return PicRunEntry<BOOL>("pic_DestroyAnimatedGIF", [&](uint32_t& err) -> BOOL {
    if (!handle) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    delete AnimationOf(handle);
    return TRUE;
  });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectGif(HPICSRC, PicGenericDetect* detected) {
  detected->depth = 8;
  return 0;
}

uint32_t ReadGif(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  DWORD w = 0, h = 0;
  LONG transparent = -1;
  if (output == kGenericOut8Bit)
    image->pixels = pic_ReadGIF(src, &w, &h, &transparent, image->palette, 0);
  else if (output == kGenericOutDIB)
    image->pixels = pic_ReadGIF(src, &w, &h, &transparent, nullptr, kGIFReadDIB);
  else
    return kPicErrBadArgument;
  image->width = w;
  image->height = h;
  image->transparentIndex = transparent;
  return PicGetLastError();
}

}  // namespace

namespace Pictura {
const PicGenericCodec kGifGenericCodec = {"GIF", kGenericOut8Bit | kGenericOutDIB, true, DetectGif, ReadGif};
}  // namespace Pictura
