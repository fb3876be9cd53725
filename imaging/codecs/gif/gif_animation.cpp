// The GIF animation player: frames composed one after another on a canvas
// of the logical screen's size, with their disposal methods.
#include <cstring>
#include <new>

#include "codecs/decode_limits.h"
#include "codecs/gif/gif_codec.h"
#include "core/allocators.h"

namespace Pictura {

namespace {

// The part of a w x h rectangle at (left, top) that lies on the screen.
struct Clip {
  uint32_t x0, y0, x1, y1;
};
Clip ClipToScreen(uint32_t screenW, uint32_t screenH, uint32_t left, uint32_t top, uint32_t w, uint32_t h) {
  auto clamp = [](uint64_t v, uint32_t limit) { return static_cast<uint32_t>(v < limit ? v : limit); };
  return {clamp(left, screenW), clamp(top, screenH), clamp(uint64_t{left} + w, screenW),
          clamp(uint64_t{top} + h, screenH)};
}

// The frame's indices through its palette onto the canvas (4 bytes a pixel,
// R, G, B, A); the transparent index leaves the canvas alone. Whatever
// reaches past the screen is cut off.
void PlaceFrame(uint8_t* canvas, uint32_t screenW, uint32_t screenH, const GIFFrameRecord& f) {
  const Clip c = ClipToScreen(screenW, screenH, f.left, f.top, f.width, f.height);
  uint8_t colour[256][4];
  for (int i = 0; i < 256; ++i) {
    colour[i][0] = f.palette[i].rgbRed;
    colour[i][1] = f.palette[i].rgbGreen;
    colour[i][2] = f.palette[i].rgbBlue;
    colour[i][3] = 255;
  }
  const auto* pixels = static_cast<const uint8_t*>(f.pixels);
  const int32_t transparent = f.transparent;
  for (uint32_t y = c.y0; y < c.y1; ++y) {
    const uint8_t* src = pixels + size_t{y - f.top} * f.width + (c.x0 - f.left);
    uint8_t* dst = canvas + (size_t{y} * screenW + c.x0) * 4;
    if (transparent < 0) {
      for (uint32_t x = c.x0; x < c.x1; ++x, dst += 4) std::memcpy(dst, colour[*src++], 4);
    } else {
      for (uint32_t x = c.x0; x < c.x1; ++x, dst += 4, ++src)
        if (*src != transparent) std::memcpy(dst, colour[*src], 4);
    }
  }
}

void FillFrameRect(uint8_t* canvas, uint32_t screenW, uint32_t screenH, const GIFFrameRecord& f,
                   const uint8_t rgba[4]) {
  const Clip c = ClipToScreen(screenW, screenH, f.left, f.top, f.width, f.height);
  for (uint32_t y = c.y0; y < c.y1; ++y) {
    uint8_t* dst = canvas + (size_t{y} * screenW + c.x0) * 4;
    for (uint32_t x = c.x0; x < c.x1; ++x, dst += 4) std::memcpy(dst, rgba, 4);
  }
}

}  // namespace

GIFAnimationHandle* GIFReader::InitAnimation(CPicIO* src, uint32_t* width, uint32_t* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (!src) {
    Fail(kPicErrBadArgument);
    return nullptr;
  }
  const uint64_t fileBytes = PicBytesLeft(*src);
  auto* handle = new (std::nothrow) GIFAnimationHandle;
  if (!handle) {
    Fail(kPicErrNoMemory);
    return nullptr;
  }
  if (!ReadAllFrames(src, &handle->frames)) {
    delete handle;
    return nullptr;
  }
  const uint32_t w = handle->frames.screenWidth, h = handle->frames.screenHeight;
  uint64_t bytes = 0;
  // The canvas is the screen's size whatever the frames are: the screen too
  // must be something the file can justify.
  if (!PicDecodePlausible(uint64_t{w} * h, uint64_t{w} * h, fileBytes, kGIFPixelsPerByte)) {
    delete handle;
    Fail(kPicErrBadGIF);
    return nullptr;
  }
  try {
    if (!PicSizeWithinCap(w, h, 4, &bytes)) throw std::bad_alloc();
    handle->canvas.assign(bytes, 0);
    handle->saved.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    delete handle;
    Fail(kPicErrNoMemory);
    return nullptr;
  }
  if (width) *width = w;
  if (height) *height = h;
  return handle;
}

int GIFRenderNextFrame(uint32_t* error, GIFAnimationHandle* handle, uint8_t* out, uint32_t* delay,
                       uint32_t flags) {
  if (!handle || !out) {
    *error = kPicErrBadArgument;
    return 0;
  }
  GIFFrameList& list = handle->frames;
  if (handle->ended || list.frames.empty()) {
    *error = kPicErrGIFAnimationEnded;
    return 0;
  }
  const uint32_t w = list.screenWidth, h = list.screenHeight;
  const GIFFrameRecord& f = list.frames[handle->nextFrame];
  const RGBQUAD& bg = list.globalPalette[list.backgroundIndex & 0xFF];
  uint8_t background[4] = {bg.rgbRed, bg.rgbGreen, bg.rgbBlue, 255};
  uint8_t* canvas = handle->canvas.data();

  if (f.disposal == 3) handle->saved = handle->canvas;
  PlaceFrame(canvas, w, h, f);
  if (delay) *delay = f.delay;
  std::memcpy(out, canvas, handle->canvas.size());
  if (f.disposal == 2) {
    if (f.transparent == static_cast<int32_t>(list.backgroundIndex) && !f.hasLocalPalette) background[3] = 0;
    FillFrameRect(canvas, w, h, f, background);
  } else if (f.disposal == 3) {
    handle->canvas.swap(handle->saved);
  }

  if (handle->nextFrame + 1 < list.frames.size()) {
    ++handle->nextFrame;
  } else if (flags & kGIFRenderOnce) {
    handle->ended = true;
  } else {
    handle->nextFrame = 0;
    if (list.loopCount != 0 && ++handle->iteration >= list.loopCount) handle->ended = true;
  }
  return 1;
}

}  // namespace Pictura
