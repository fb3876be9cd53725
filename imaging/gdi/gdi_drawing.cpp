#include "gdi/gdi_drawing.h"

#include <cmath>
#include <cstdlib>

#include "gdi/dib_gdi.h"
#include "gdi/gdi_scoped.h"
#include "core/library_globals.h"
#include "core/operation.h"
#include "core/packed_dib.h"
#include "gdi/pictura_gdi.h"
#include "resample/resize_dispatch.h"

namespace Pictura {

namespace {

int Fail(uint32_t* error, uint32_t code) {
  *error = code;
  return 0;
}

// A memory DC compatible with `dc` holding a new bitmap: monochrome, or
// compatible with `dc`.
struct WorkSurface {
  ScopedDC dc;
  ScopedBitmap bitmap;
  ScopedSelect selected;
  WorkSurface(HDC like, int width, int height, bool mono)
      : dc(ScopedDC::Compatible(like)),
        bitmap(mono ? CreateBitmap(width, height, 1, 1, nullptr)
                    : CreateCompatibleBitmap(like, width, height)) {}
  // 0 when ready, else the code of what failed.
  uint32_t Prepare() {
    if (!dc) return kPicErrDeviceContext;
    if (!bitmap) return kPicErrCreateCompatibleBitmap;
    if (!selected.Select(dc.get(), bitmap.get())) return kPicErrSelectObject;
    // Monochrome to colour: 1 bits take the background (white), 0 the text
    // colour (black), whatever the DC was given before.
    SetBkColor(dc.get(), RGB(255, 255, 255));
    SetTextColor(dc.get(), RGB(0, 0, 0));
    return 0;
  }
};

// Draws a bitmap made for the target at (x, y) in its own size and deletes it.
int DrawTemporaryBitmap(uint32_t* error, HDC dc, HBITMAP made, int x, int y, uint32_t width, uint32_t height,
                        HPALETTE palette) {
  if (!made) return 0;
  ScopedBitmap bitmap(made);
  return DrawHBITMAPCropped(error, dc, bitmap.get(), x, y, 0, 0, static_cast<int>(width),
                            static_cast<int>(height), palette);
}

// StretchDIBits of a whole packed DIB; TRUE when every row was drawn.
int StretchWholeDIB(uint32_t* error, HDC dc, HGLOBAL dib, int x, int y, int destWidth, int destHeight) {
  if (!dib) return 0;
  const uint8_t* bits = DIBPixelStart(error, dib);
  if (!bits) return 0;
  auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
  const int lines = StretchDIBits(dc, x, y, destWidth, destHeight, 0, 0, header->biWidth, header->biHeight,
                                  bits, static_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS, SRCCOPY);
  if (lines != header->biHeight) return Fail(error, kPicErrBitBlt);
  return 1;
}

// Each RGBA pixel over the RGB pixel under it, weighted by its alpha
// through the library's alpha table (opacity 1).
void BlendRGBAOverRGB(const uint8_t* rgba, uint32_t stride, uint8_t* rgb, uint32_t width, uint32_t height) {
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* s = rgba + static_cast<size_t>(uint64_t{y} * stride);
    uint8_t* d = rgb + static_cast<size_t>(uint64_t{y} * width * 3);
    for (uint32_t x = 0; x < width; ++x, s += 4, d += 3) {
      const unsigned a = s[3];
      for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(AlphaMul(d[c], 255 - a) + AlphaMul(s[c], a));
    }
  }
}

int CheckStretchTarget(uint32_t* error, HDC dc) {
  if (!HasRasterCaps(dc, RC_STRETCHDIB)) return Fail(error, kPicErrDeviceCapability);
  return 1;
}

}  // namespace

int DrawHBITMAPCropped(uint32_t* error, HDC dc, HBITMAP bitmap, int x, int y, int sourceX, int sourceY,
                       int width, int height, HPALETTE palette) {
  PicNestingScope depth;
  if (!bitmap || !dc) return Fail(error, kPicErrBadArgument);
  if (!HasRasterCaps(dc, RC_BITBLT)) return Fail(error, kPicErrDeviceCapability);
  if (!palette) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  ScopedPaletteSelect targetPalette(dc, palette);
  ScopedDC memory = ScopedDC::Compatible(dc);
  if (!memory) return Fail(error, kPicErrDeviceContext);
  ScopedPaletteSelect memoryPalette(memory.get(), palette);
  ScopedSelect selected;
  if (!selected.Select(memory.get(), bitmap))
    return Fail(error, HasRasterCaps(dc, RC_BITMAP64) ? kPicErrSelectObject : kPicErrDeviceCapability);
  if (!BitBlt(dc, x, y, width, height, memory.get(), sourceX, sourceY, SRCCOPY))
    return Fail(error, kPicErrBitBlt);
  return 1;
}

int DrawTransparentBitmap(uint32_t* error, HDC dc, HBITMAP bitmap, int x, int y, COLORREF transparent) {
  PicNestingScope depth;
  if (!dc || !bitmap) return Fail(error, kPicErrBadArgument);
  if (!HasRasterCaps(dc, RC_BITBLT | RC_BITMAP64)) return Fail(error, kPicErrDeviceCapability);
  BITMAP bm;
  if (GetObjectA(bitmap, sizeof bm, &bm) != static_cast<int>(sizeof bm))
    return Fail(error, kPicErrDeviceContext);

  ScopedDC source = ScopedDC::Compatible(dc);
  if (!source) return Fail(error, kPicErrDeviceContext);
  ScopedSelect sourceSelected;
  if (!sourceSelected.Select(source.get(), bitmap)) return Fail(error, kPicErrSelectObject);
  SetMapMode(source.get(), GetMapMode(dc));
  POINT size = {bm.bmWidth, bm.bmHeight};
  DPtoLP(source.get(), &size, 1);
  const int w = size.x, h = size.y;

  // Everything is made before the first pixel moves: a failure leaves both
  // the target and the caller's bitmap as they were.
  WorkSurface image(dc, w, h, false), mask(dc, w, h, true), inverse(dc, w, h, true), work(dc, w, h, false);
  for (WorkSurface* s : {&image, &mask, &inverse, &work})
    if (uint32_t code = s->Prepare()) return Fail(error, code);

  bool ok = BitBlt(image.dc.get(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
  // Monochrome from colour: pixels of the source's background colour
  // become white, all others black.
  const COLORREF oldBack = SetBkColor(source.get(), transparent);
  ok = ok && BitBlt(mask.dc.get(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
  SetBkColor(source.get(), oldBack);
  ok = ok && BitBlt(inverse.dc.get(), 0, 0, w, h, mask.dc.get(), 0, 0, NOTSRCCOPY);
  ok = ok && BitBlt(work.dc.get(), 0, 0, w, h, dc, x, y, SRCCOPY);
  // The background stays where the bitmap is transparent, the bitmap's
  // pixels (made black where transparent) are added on top.
  ok = ok && BitBlt(work.dc.get(), 0, 0, w, h, mask.dc.get(), 0, 0, SRCAND);
  ok = ok && BitBlt(image.dc.get(), 0, 0, w, h, inverse.dc.get(), 0, 0, SRCAND);
  ok = ok && BitBlt(work.dc.get(), 0, 0, w, h, image.dc.get(), 0, 0, SRCPAINT);
  ok = ok && BitBlt(dc, x, y, w, h, work.dc.get(), 0, 0, SRCCOPY);
  if (!ok) return Fail(error, kPicErrBitBlt);
  return 1;
}

int StretchDrawDIBCropped(uint32_t* error, HDC dc, const void* dib, const RECT* source,
                          const RECT* destination) {
  if (!dc || !dib || !source || !destination) return Fail(error, kPicErrBadArgument);
  if (!CheckStretchTarget(error, dc)) return 0;
  DIBLayout layout;
  if (!DescribeDIB(error, static_cast<const BITMAPINFOHEADER*>(dib), &layout)) return 0;
  const int lines = StretchDIBits(
      dc, destination->left, destination->top, destination->right - destination->left,
      destination->bottom - destination->top, source->left, source->top, source->right - source->left,
      source->bottom - source->top, static_cast<const uint8_t*>(dib) + layout.pixelOffset,
      static_cast<const BITMAPINFO*>(dib), DIB_RGB_COLORS, SRCCOPY);
  // Top-down DIBs have a negative height; the count of lines never is.
  if (lines < 0 || static_cast<uint32_t>(lines) != layout.height) return Fail(error, kPicErrBitBlt);
  return 1;
}

int DrawRGBA(uint32_t* error, HDC dc, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
             int x, int y, HPALETTE palette, uint32_t option) {
  PicNestingScope depth;
  if (!dc || !pixels || stride < uint64_t{width} * 4) return Fail(error, kPicErrBadArgument);
  uint64_t bytes = 0;
  if (!PicSizeWithinCap(width, height, 3, &bytes) || bytes == 0) return Fail(error, kPicErrBadArgument);
  PicArray<uint8_t> under;
  if (!under.Resize(static_cast<uint32_t>(bytes))) return Fail(error, kPicErrNoMemory);
  // What the DC shows now, blended under the image and drawn back.
  if (!DCToRGB(error, dc, x, y, width, height, under.Data())) return 0;
  BlendRGBAOverRGB(pixels, stride, under.Data(), width, height);
  ScopedBitmap bitmap(RGBToHBITMAP(error, under.Data(), width, height, width * 3, palette, option & 3, dc));
  if (!bitmap) return 0;
  return DrawHBITMAPCropped(error, dc, bitmap.get(), x, y, 0, 0, static_cast<int>(width),
                            static_cast<int>(height), palette);
}

int DrawRGBAScaled(uint32_t* error, HDC dc, const uint8_t* pixels, uint32_t width, uint32_t height,
                   uint32_t stride, int x, int y, double scale, HPALETTE palette, uint32_t option) {
  PicNestingScope depth;
  if (!dc || !pixels || !std::isfinite(scale) || scale <= 0) return Fail(error, kPicErrBadArgument);
  const double w = std::trunc(width * scale), h = std::trunc(height * scale);
  // Nothing to draw is a bad argument, not a success.
  if (w < 1 || h < 1 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return Fail(error, kPicErrBadArgument);
  const auto drawnWidth = static_cast<uint32_t>(w), drawnHeight = static_cast<uint32_t>(h);
  uint64_t bytes = 0;
  if (!PicSizeWithinCap(drawnWidth, drawnHeight, 4, &bytes)) return Fail(error, kPicErrNoMemory);
  PicArray<uint8_t> scaled;
  if (!scaled.Resize(static_cast<uint32_t>(bytes))) return Fail(error, kPicErrNoMemory);
  constexpr uint32_t kBilinear = 16;
  if (!ResizeImageCore(error, pixels, width, height, scaled.Data(), 4, drawnWidth, drawnHeight, stride,
                       drawnWidth * 4, kBilinear, 0))
    return 0;
  return DrawRGBA(error, dc, scaled.Data(), drawnWidth, drawnHeight, drawnWidth * 4, x, y, palette, option);
}

}  // namespace Pictura

using namespace Pictura;

namespace {

// The packed image drawn stretched: the shared body of the three entries.
template <class Pack>
BOOL StretchEntry(const char* name, HDC dc, const BYTE* pixels, const RGBQUAD* palette, bool needsPalette,
                  int x, int y, int destWidth, int destHeight, Pack pack) {
  return PicRunEntry<BOOL>(name, [&](uint32_t& err) {
    PicNestingScope depth;
    if (!dc || !pixels || (needsPalette && !palette)) return Fail(&err, kPicErrBadArgument);
    if (!CheckStretchTarget(&err, dc)) return 0;
    ScopedGlobal dib{pack(err)};
    return StretchWholeDIB(&err, dc, dib.block, x, y, destWidth, destHeight);
  });
}

}  // namespace

extern "C" {

BOOL PICAPI pic_DrawHBITMAP(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, HPALETTE palette) {
  return PicRunEntry<BOOL>("pic_DrawHBITMAP", [&](uint32_t& err) {
    return DrawHBITMAPCropped(&err, dc, bitmap, x, y, 0, 0, width, height, palette);
  });
}

BOOL PICAPI pic_DrawHBITMAPCropped(HDC dc, HBITMAP bitmap, int x, int y, int sourceX, int sourceY, int width,
                                   int height, HPALETTE palette) {
  return PicRunEntry<BOOL>("pic_DrawHBITMAPCropped", [&](uint32_t& err) {
    return DrawHBITMAPCropped(&err, dc, bitmap, x, y, sourceX, sourceY, width, height, palette);
  });
}

BOOL PICAPI pic_Draw1Bit(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                         const RGBQUAD* palette, int x, int y, HPALETTE hpalette) {
  return PicRunEntry<BOOL>("pic_Draw1Bit", [&](uint32_t& err) {
    PicNestingScope depth;
    if (!dc) return Fail(&err, kPicErrBadArgument);
    ScopedGlobal dib{OneBitToDIB(&err, pixels, width, height, stride, palette, nullptr)};
    if (!dib.block) return 0;
    // Made for the target, so the palette's two colours survive.
    return DrawTemporaryBitmap(&err, dc, DIBToHBITMAP(&err, dib.block, hpalette, dc), x, y, width, height,
                               hpalette);
  });
}

BOOL PICAPI pic_Draw8Bit(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                         const RGBQUAD* palette, int x, int y, HPALETTE hpalette) {
  return PicRunEntry<BOOL>("pic_Draw8Bit", [&](uint32_t& err) {
    PicNestingScope depth;
    if (!dc) return Fail(&err, kPicErrBadArgument);
    ScopedGlobal dib{EightBitToDIB(&err, pixels, width, height, stride, 256, 8, palette, nullptr)};
    if (!dib.block) return 0;
    return DrawTemporaryBitmap(&err, dc, DIBToHBITMAP(&err, dib.block, hpalette, dc), x, y, width, height,
                               hpalette);
  });
}

BOOL PICAPI pic_DrawRGB(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x, int y,
                        HPALETTE palette) {
  return PicRunEntry<BOOL>("pic_DrawRGB", [&](uint32_t& err) {
    PicNestingScope depth;
    if (!dc) return Fail(&err, kPicErrBadArgument);
    return DrawTemporaryBitmap(&err, dc, RGBToHBITMAP(&err, pixels, width, height, stride, palette, 0, dc), x,
                               y, width, height, palette);
  });
}

BOOL PICAPI pic_DrawRGBA(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x, int y,
                         HPALETTE palette, DWORD option) {
  return PicRunEntry<BOOL>("pic_DrawRGBA", [&](uint32_t& err) {
    return DrawRGBA(&err, dc, pixels, width, height, stride, x, y, palette, option);
  });
}

BOOL PICAPI pic_DrawRGBAScaled(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x,
                               int y, double scale, HPALETTE palette, DWORD option) {
  return PicRunEntry<BOOL>("pic_DrawRGBAScaled", [&](uint32_t& err) {
    return DrawRGBAScaled(&err, dc, pixels, width, height, stride, x, y, scale, palette, option);
  });
}

BOOL PICAPI pic_DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF transparent) {
  return PicRunEntry<BOOL>("pic_DrawTransparentBitmap", [&](uint32_t& err) {
    return DrawTransparentBitmap(&err, dc, bitmap, x, y, transparent);
  });
}

BOOL PICAPI pic_DrawTransparentRGB(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x,
                                   int y, COLORREF transparent) {
  return PicRunEntry<BOOL>("pic_DrawTransparentRGB", [&](uint32_t& err) {
    PicNestingScope depth;
    if (!dc) return Fail(&err, kPicErrBadArgument);
    ScopedBitmap bitmap(RGBToHBITMAP(&err, pixels, width, height, stride, nullptr, 0, dc));
    if (!bitmap) return 0;
    return DrawTransparentBitmap(&err, dc, bitmap.get(), x, y, transparent);
  });
}

BOOL PICAPI pic_StretchDraw1Bit(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                                const RGBQUAD* palette, int x, int y, int destWidth, int destHeight) {
  return StretchEntry(
      "pic_StretchDraw1Bit", dc, pixels, palette, true, x, y, destWidth, destHeight,
      [&](uint32_t& err) { return OneBitToDIB(&err, pixels, width, height, stride, palette, nullptr); });
}

BOOL PICAPI pic_StretchDraw8Bit(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride,
                                const RGBQUAD* palette, int x, int y, int destWidth, int destHeight) {
  return StretchEntry("pic_StretchDraw8Bit", dc, pixels, palette, true, x, y, destWidth, destHeight,
                      [&](uint32_t& err) {
                        return EightBitToDIB(&err, pixels, width, height, stride, 256, 8, palette, nullptr);
                      });
}

BOOL PICAPI pic_StretchDrawRGB(HDC dc, const BYTE* pixels, DWORD width, DWORD height, DWORD stride, int x,
                               int y, int destWidth, int destHeight) {
  return StretchEntry(
      "pic_StretchDrawRGB", dc, pixels, nullptr, false, x, y, destWidth, destHeight,
      [&](uint32_t& err) { return RGBToDIB(&err, pixels, width, height, stride, nullptr, 0); });
}

BOOL PICAPI pic_StretchDrawDIB(HDC dc, const void* dib, int x, int y, int width, int height) {
  return PicRunEntry<BOOL>("pic_StretchDrawDIB", [&](uint32_t& err) {
    if (!dib) return Fail(&err, kPicErrBadArgument);
    auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
    const RECT source = {0, 0, header->biWidth, std::abs(header->biHeight)};
    const RECT destination = {x, y, x + width, y + height};
    return StretchDrawDIBCropped(&err, dc, dib, &source, &destination);
  });
}

BOOL PICAPI pic_StretchDrawDIBCropped(HDC dc, const void* dib, const RECT* source, const RECT* destination) {
  return PicRunEntry<BOOL>("pic_StretchDrawDIBCropped", [&](uint32_t& err) {
    return StretchDrawDIBCropped(&err, dc, dib, source, destination);
  });
}

BOOL PICAPI pic_GetHBITMAPDimensions(HBITMAP bitmap, DWORD* width, DWORD* height) {
  if (!bitmap) {
    PicReportError(kPicErrBadArgument, "pic_GetHBITMAPDimensions", nullptr);
    return FALSE;
  }
  BITMAP bm;
  if (GetObjectA(bitmap, sizeof bm, &bm) != static_cast<int>(sizeof bm)) {
    PicReportError(kPicErrUnexpected, "pic_GetHBITMAPDimensions", nullptr);
    return FALSE;
  }
  if (width) *width = static_cast<DWORD>(bm.bmWidth);
  if (height) *height = static_cast<DWORD>(bm.bmHeight);
  return TRUE;
}

}  // extern "C"
