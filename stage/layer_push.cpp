#include "stage/layer_push.h"

#include "services/handles.h"
#include "services/win_util.h"  // kKeyColour
#include "stage/figure_bitmaps.h"

uint32_t KeyPixel() {
  return static_cast<uint32_t>(GetRValue(kKeyColour)) << 16 |
         static_cast<uint32_t>(GetGValue(kKeyColour)) << 8 | GetBValue(kKeyColour);
}

BOOL PushLayered(HWND window, HDC screenDC, POINT at, SIZE size, HDC source, POINT from, DWORD flags,
                 const PixelRows32* rows) {
  if (!window || !source) return FALSE;
  BLENDFUNCTION blend = {};
  const COLORREF key = (flags & ULW_COLORKEY) ? kKeyColour : 0;
  if (rows && rows->bits && from.x >= 0 && from.y >= 0 && from.x + size.cx <= rows->width &&
      from.y + size.cy <= rows->height) {
    GdiFlush();  // GDI's drawing into the rows is finished
    MarkKeyAlpha({rows->bits + from.y * rows->stride + from.x, size.cx, size.cy, rows->stride}, KeyPixel());
    return UpdateLayeredWindow(window, screenDC, &at, &size, source, &from, key, &blend, flags);
  }
  if (size.cx <= 0 || size.cy <= 0) return FALSE;
  void* bits = nullptr;
  const OwnedBitmap copy = TopDownBitmap32(screenDC, size.cx, size.cy, &bits);
  const OwnedDC dc(copy ? CreateCompatibleDC(screenDC) : nullptr);
  const SelectedObject selection(dc.get(), copy.get());
  if (!bits || !selection.ok() || !BitBlt(dc.get(), 0, 0, size.cx, size.cy, source, from.x, from.y, SRCCOPY))
    return FALSE;
  GdiFlush();
  MarkKeyAlpha({static_cast<uint32_t*>(bits), size.cx, size.cy, size.cx}, KeyPixel());
  POINT origin = {0, 0};
  return UpdateLayeredWindow(window, screenDC, &at, &size, dc.get(), &origin, key, &blend, flags);
}
