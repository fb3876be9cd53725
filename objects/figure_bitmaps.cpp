#include "objects/figure_bitmaps.h"

#include "pictura.h"

#include <cstddef>
#include <cstdint>

namespace {

// The plain resource path: a device-dependent bitmap from the image library.
HBITMAP LoadDeviceBitmap(HMODULE module, const char* name) { return pic_LoadResourceBitmap(module, name, nullptr); }

// A memory DC with one bitmap selected, restored and deleted on scope exit.
class SelectedDC {
 public:
  explicit SelectedDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ && bitmap) old_ = SelectObject(dc_, bitmap);
  }
  ~SelectedDC() {
    if (!dc_) return;
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  SelectedDC(const SelectedDC&) = delete;
  SelectedDC& operator=(const SelectedDC&) = delete;
  bool ok() const { return dc_ && old_ && old_ != HGDI_ERROR; }
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

int MaskedBlitPlain(HDC dest, HBITMAP image, HBITMAP mask, int x, int y, int w, int h, int sx, int sy) {
  {
    SelectedDC maskDC(mask);
    if (!maskDC.ok() || !BitBlt(dest, x, y, w, h, maskDC.dc(), sx, sy, SRCAND)) return 0;
  }
  SelectedDC imageDC(image);
  if (!imageDC.ok()) return 0;
  return BitBlt(dest, x, y, w, h, imageDC.dc(), sx, sy, SRCINVERT);
}

bool BitmapSize(HBITMAP bitmap, int* width, int* height) {
  BITMAP info = {};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return false;
  *width = info.bmWidth;
  *height = info.bmHeight;
  return true;
}

int MaskedBlit(HDC dest, HBITMAP image, HBITMAP mask, int x, int y, int w, int h, int sx, int sy) {
  // The monochrome mask expands through the target's text and background
  // colours: black and white keep the AND exact.
  const COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
  const COLORREF oldBack = SetBkColor(dest, RGB(255, 255, 255));
  const int result = MaskedBlitPlain(dest, image, mask, x, y, w, h, sx, sy);
  SetTextColor(dest, oldText);
  SetBkColor(dest, oldBack);
  return result;
}

}  // namespace

HPALETTE CreateBitmapPalette(const BITMAPINFOHEADER* header, int* colourCount) {
  int count = 0;
  if (header && header->biBitCount >= 1 && header->biBitCount <= 8) count = 1 << header->biBitCount;
  if (colourCount) *colourCount = count;
  if (count == 0) return nullptr;
  const size_t bytes = offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * static_cast<size_t>(count);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!block) return nullptr;
  auto* palette = static_cast<LOGPALETTE*>(GlobalLock(block));
  HPALETTE result = nullptr;
  if (palette) {
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) + 40);
    for (int i = 0; i < count; ++i) {
      palette->palPalEntry[i].peRed = table[i].rgbRed;
      palette->palPalEntry[i].peGreen = table[i].rgbGreen;
      palette->palPalEntry[i].peBlue = table[i].rgbBlue;
      palette->palPalEntry[i].peFlags = 0;
    }
    result = CreatePalette(palette);
    GlobalUnlock(block);
  }
  GlobalFree(block);
  return result;
}

HBITMAP ResourceBitmap(HMODULE module, const char* name, int realizePalette, HPALETTE* palette,
                       int withPalette) {
  if (!withPalette) return LoadDeviceBitmap(module, name);
  if (palette) *palette = nullptr;
  HRSRC info = FindResourceA(module, name, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (!info) return nullptr;
  HGLOBAL data = LoadResource(module, info);
  const DWORD size = SizeofResource(module, info);
  const auto* header = data ? static_cast<const BITMAPINFOHEADER*>(LockResource(data)) : nullptr;
  if (!header || size < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER) ||
      header->biSize > size)
    return nullptr;
  HDC screen = GetDC(nullptr);
  int colours = 0;
  HPALETTE made = CreateBitmapPalette(header, &colours);
  if (palette) *palette = made;
  HPALETTE oldPalette = nullptr;
  if (made && realizePalette) {
    oldPalette = SelectPalette(screen, made, FALSE);
    RealizePalette(screen);
  }
  HBITMAP bitmap = nullptr;
  const uint64_t bitsOffset = uint64_t(header->biSize) + uint64_t(colours) * 4;
  if (bitsOffset < size) {
    const BYTE* bits = reinterpret_cast<const BYTE*>(header) + bitsOffset;
    bitmap = CreateDIBitmap(screen, header, CBM_INIT, bits, reinterpret_cast<const BITMAPINFO*>(header),
                            DIB_RGB_COLORS);
  }
  if (oldPalette) SelectPalette(screen, oldPalette, FALSE);
  ReleaseDC(nullptr, screen);
  if (made && !palette) DeleteObject(made);
  return bitmap;
}

HBITMAP CreateMask(HBITMAP bitmap) {
  int w, h;
  if (!BitmapSize(bitmap, &w, &h)) return nullptr;
  return CreateBitmap(w, h, 1, 1, nullptr);
}

int MakeTransparentBitmap(HBITMAP image, HBITMAP mask, COLORREF key) {
  int w, h;
  if (!image || !mask || !BitmapSize(image, &w, &h)) return 0;
  HBITMAP keyMono = CreateBitmap(w, h, 1, 1, nullptr);
  HBITMAP inverse = CreateBitmap(w, h, 1, 1, nullptr);
  int ok = 0;
  if (keyMono && inverse) {
    SelectedDC imageDC(image), maskDC(mask), keyDC(keyMono), inverseDC(inverse);
    if (imageDC.ok() && maskDC.ok() && keyDC.ok() && inverseDC.ok()) {
      SetMapMode(imageDC.dc(), MM_TEXT);
      const COLORREF oldBack = SetBkColor(imageDC.dc(), key);
      BitBlt(keyDC.dc(), 0, 0, w, h, imageDC.dc(), 0, 0, SRCCOPY);  // 1 where the key was
      SetBkColor(imageDC.dc(), oldBack);
      BitBlt(inverseDC.dc(), 0, 0, w, h, keyDC.dc(), 0, 0, NOTSRCCOPY);
      BitBlt(maskDC.dc(), 0, 0, w, h, keyDC.dc(), 0, 0, SRCCOPY);
      // Blits from a monochrome source map 0 to the text colour and 1 to the
      // background: black and white keep the AND exact.
      SetTextColor(imageDC.dc(), RGB(0, 0, 0));
      SetBkColor(imageDC.dc(), RGB(255, 255, 255));
      BitBlt(imageDC.dc(), 0, 0, w, h, inverseDC.dc(), 0, 0, SRCAND);
      SetBkColor(imageDC.dc(), oldBack);
      ok = 1;
    }
  }
  if (keyMono) DeleteObject(keyMono);
  if (inverse) DeleteObject(inverse);
  return ok;
}

int DrawSprite(HDC dest, HBITMAP image, HBITMAP mask, POINT at, const RECT& source) {
  if (!image || !mask) return 0;
  return MaskedBlit(dest, image, mask, at.x, at.y, source.right, source.bottom, source.left, source.top);
}

void DrawTransparent(HDC dest, HBITMAP image, HBITMAP mask, POINT at) {
  int w, h;
  if (!mask || !BitmapSize(image, &w, &h)) return;
  MaskedBlit(dest, image, mask, at.x, at.y, w, h, 0, 0);
}

void DrawTransparentRect(HDC dest, HBITMAP image, HBITMAP mask, const RECT& destRect) {
  if (!image || !mask) return;
  MaskedBlit(dest, image, mask, destRect.left, destRect.top, destRect.right, destRect.bottom, 0, 0);
}

BOOL DrawBitmapPart(HDC dest, int x, int y, HBITMAP bitmap, const RECT& source) {
  if (!dest || !bitmap) return FALSE;
  SelectedDC from(bitmap);
  if (!from.ok()) return FALSE;
  return BitBlt(dest, x, y, source.right, source.bottom, from.dc(), source.left, source.top, SRCCOPY);
}

void DrawBitmapRect(HDC dest, HBITMAP bitmap, const RECT& destRect) {
  if (!dest || !bitmap) return;
  SelectedDC from(bitmap);
  if (from.ok())
    BitBlt(dest, destRect.left, destRect.top, destRect.right, destRect.bottom, from.dc(), 0, 0, SRCCOPY);
}

int GetBitmapRect(HBITMAP bitmap, RECT* rect) {
  BITMAP info = {};
  const int result = bitmap ? GetObjectA(bitmap, sizeof info, &info) : 0;
  rect->right = result ? info.bmWidth : 0;
  rect->bottom = result ? info.bmHeight : 0;
  return result;
}
