#include "core/gdi_drawing.h"

namespace {

struct ScopedDC {
  HDC dc;
  HGDIOBJ old = nullptr;
  explicit ScopedDC(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
  ~ScopedDC() {
    if (old) SelectObject(dc, old);
    if (dc) DeleteDC(dc);
  }
  void Select(HGDIOBJ object) {
    HGDIOBJ previous = SelectObject(dc, object);
    if (!old) old = previous;
  }
};

struct ScopedBitmap {
  HBITMAP bitmap;
  ~ScopedBitmap() {
    if (bitmap) DeleteObject(bitmap);
  }
};

}  // namespace

BOOL WINAPI pic_DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF transparent) {
  if (!dc || !bitmap) return FALSE;
  BITMAP info;
  if (GetObjectA(bitmap, sizeof info, &info) != sizeof info) return FALSE;
  const int width = info.bmWidth;
  const int height = info.bmHeight;

  ScopedDC source(dc), mask(dc), work(dc);
  ScopedBitmap maskBitmap{CreateBitmap(width, height, 1, 1, nullptr)};
  ScopedBitmap workBitmap{CreateCompatibleBitmap(dc, width, height)};
  if (!source.dc || !mask.dc || !work.dc || !maskBitmap.bitmap || !workBitmap.bitmap) return FALSE;
  source.Select(bitmap);
  mask.Select(maskBitmap.bitmap);
  work.Select(workBitmap.bitmap);

  // Mask: white where the bitmap has the transparent colour.
  COLORREF oldBack = SetBkColor(source.dc, transparent);
  BitBlt(mask.dc, 0, 0, width, height, source.dc, 0, 0, SRCCOPY);
  SetBkColor(source.dc, oldBack);

  // Compose off-screen: background AND mask, then OR the masked-out bitmap.
  SetBkColor(work.dc, RGB(255, 255, 255));
  SetTextColor(work.dc, RGB(0, 0, 0));
  BitBlt(work.dc, 0, 0, width, height, dc, x, y, SRCCOPY);
  BitBlt(work.dc, 0, 0, width, height, mask.dc, 0, 0, SRCAND);
  ScopedDC inverse(dc);
  ScopedBitmap inverseBitmap{CreateCompatibleBitmap(dc, width, height)};
  if (!inverse.dc || !inverseBitmap.bitmap) return FALSE;
  inverse.Select(inverseBitmap.bitmap);
  BitBlt(inverse.dc, 0, 0, width, height, source.dc, 0, 0, SRCCOPY);
  SetBkColor(inverse.dc, RGB(255, 255, 255));
  SetTextColor(inverse.dc, RGB(0, 0, 0));
  BitBlt(inverse.dc, 0, 0, width, height, mask.dc, 0, 0, 0x00220326 /* DSna */);
  BitBlt(work.dc, 0, 0, width, height, inverse.dc, 0, 0, SRCPAINT);
  return BitBlt(dc, x, y, width, height, work.dc, 0, 0, SRCCOPY);
}
