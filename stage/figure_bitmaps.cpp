#include "stage/figure_bitmaps.h"

#include "pictura.h"
#include "services/handles.h"
#include "services/resource_bytes.h"
#include "stage/portable/keyed_sheet.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The plain resource path: a device-dependent bitmap from the image library.
HBITMAP LoadDeviceBitmap(HMODULE module, const char* name) {
  return pic_LoadResourceBitmap(module, name, nullptr);
}

int MaskedBlitPlain(HDC dest, HBITMAP image, HBITMAP mask, int x, int y, int w, int h, int sx, int sy) {
  {
    BitmapDC maskDC(mask);
    if (!maskDC.ok() || !BitBlt(dest, x, y, w, h, maskDC.get(), sx, sy, SRCAND)) return 0;
  }
  BitmapDC imageDC(image);
  if (!imageDC.ok()) return 0;
  return BitBlt(dest, x, y, w, h, imageDC.get(), sx, sy, SRCINVERT);
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

const LPCSTR kBitmapType = MAKEINTRESOURCEA(2);  // RT_BITMAP
constexpr uint32_t kNoKey = 0xFFFFFFFF;

struct IndexedResource {
  HRSRC resource = nullptr;
  PackedDibLayout layout;
};

// The resource "name" when it is an indexed picture LoadIndexed can keep in
// its depth: 1 so, 0 when it is missing, -1 when it is some other picture.
int FindIndexed(HMODULE module, const char* name, IndexedResource* found) {
  found->resource = module ? FindResourceA(module, name, kBitmapType) : nullptr;
  if (!found->resource) return 0;
  BYTE header[sizeof(BITMAPINFOHEADER)];
  const DWORD size = SizeofResource(module, found->resource);
  return ReadResourceBytes(module, found->resource, 0, header, std::min<size_t>(size, sizeof header)) &&
                 DescribeIndexedDib(header, size, &found->layout)
             ? 1
             : -1;
}

// The picture as a DIB section in its own depth, its rows read straight into
// the section; with `key` (0x00RRGGBB) the entries of that colour turn black
// and `mask` gets the mask of where they stood. 1, or -1 when out of memory.
int LoadIndexed(HMODULE module, const IndexedResource& found, uint32_t key, OwnedBitmap* sheet,
                OwnedBitmap* mask) {
  const PackedDibLayout& layout = found.layout;
  std::vector<BYTE> prefix(layout.pixelOffset);
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD table[256];
  } format = {};
  if (!ReadResourceBytes(module, found.resource, 0, prefix.data(), prefix.size())) return -1;
  std::memcpy(&format.header, prefix.data(), sizeof format.header);
  format.header.biSize = sizeof format.header;
  format.header.biSizeImage = 0;
  format.header.biClrUsed = static_cast<DWORD>(layout.colours);
  const BYTE* table = prefix.data() + (layout.pixelOffset - size_t(layout.colours) * 4);
  std::memcpy(format.table, table, size_t(layout.colours) * 4);
  const std::vector<bool> keys = KeyEntries(table, key == kNoKey ? 0 : layout.colours, key);
  for (int i = 0; i < layout.colours; ++i)
    if (keys[i]) format.table[i] = RGBQUAD{0, 0, 0, 0};
  void* bits = nullptr;
  OwnedBitmap image(CreateDIBSection(WindowDC(nullptr).get(), reinterpret_cast<const BITMAPINFO*>(&format),
                                     DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!image || !bits ||
      !ReadResourceBytes(module, found.resource, layout.pixelOffset, bits,
                         layout.stride * size_t(layout.height)))
    return -1;
  if (mask) {
    const std::vector<uint8_t> rows = KeyMaskRows(static_cast<const uint8_t*>(bits), layout, keys);
    mask->reset(CreateBitmap(layout.width, layout.height, 1, 1, rows.data()));
    if (!*mask) return -1;
  }
  *sheet = std::move(image);
  return 1;
}

}  // namespace

int LoadKeyedSheet(HMODULE module, const char* name, COLORREF key, OwnedBitmap* sheet, OwnedBitmap* mask) {
  sheet->reset();
  mask->reset();
  IndexedResource found;
  const int kind = FindIndexed(module, name, &found);
  if (kind == 0) return 0;
  if (kind == 1) {
    const uint32_t keyRgb =
        (uint32_t(GetRValue(key)) << 16) | (uint32_t(GetGValue(key)) << 8) | GetBValue(key);
    const int loaded = LoadIndexed(module, found, keyRgb, sheet, mask);
    if (loaded != 1) {
      sheet->reset();
      mask->reset();
    }
    return loaded;
  }
  // Deeper (or unusual) pictures: a screen-format copy keyed by the blits.
  OwnedBitmap image(ResourceBitmap(module, name, 0, nullptr, 0));
  if (!image) return 0;
  OwnedBitmap made(CreateMask(image.get()));
  if (!made || !MakeTransparentBitmap(image.get(), made.get(), key)) return -1;
  *sheet = std::move(image);
  *mask = std::move(made);
  return 1;
}

HBITMAP LoadIndexedBitmap(HMODULE module, const char* name) {
  IndexedResource found;
  OwnedBitmap section;
  if (FindIndexed(module, name, &found) == 1) LoadIndexed(module, found, kNoKey, &section, nullptr);
  return section.release();
}

bool ToScreenFormat(OwnedBitmap* bitmap) {
  int w, h;
  if (!bitmap || !BitmapSize(bitmap->get(), &w, &h)) return false;
  DIBSECTION section = {};
  if (GetObjectA(bitmap->get(), sizeof section, &section) != static_cast<int>(sizeof section))
    return true;  // a device-dependent bitmap is in the screen's format
  const WindowDC screen(nullptr);
  OwnedBitmap copy(CreateCompatibleBitmap(screen.get(), w, h));
  if (!copy) return false;
  {
    BitmapDC from(bitmap->get(), screen.get()), to(copy.get(), screen.get());
    if (!from.ok() || !to.ok() || !BitBlt(to.get(), 0, 0, w, h, from.get(), 0, 0, SRCCOPY)) return false;
  }
  *bitmap = std::move(copy);
  return true;
}

HPALETTE CreateBitmapPalette(const BITMAPINFOHEADER* header, int* colourCount) {
  int count = 0;
  if (header && header->biBitCount >= 1 && header->biBitCount <= 8) count = 1 << header->biBitCount;
  if (colourCount) *colourCount = count;
  if (count == 0) return nullptr;
  const size_t bytes = offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * static_cast<size_t>(count);
  const OwnedGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
  if (!block) return nullptr;
  auto* palette = static_cast<LOGPALETTE*>(GlobalLock(block.get()));
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
    GlobalUnlock(block.get());
  }
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
  const WindowDC screen(nullptr);
  int colours = 0;
  OwnedPalette made(CreateBitmapPalette(header, &colours));
  HPALETTE oldPalette = nullptr;
  if (made && realizePalette) {
    oldPalette = SelectPalette(screen.get(), made.get(), FALSE);
    RealizePalette(screen.get());
  }
  HBITMAP bitmap = nullptr;
  const uint64_t bitsOffset = uint64_t(header->biSize) + uint64_t(colours) * 4;
  if (bitsOffset < size) {
    const BYTE* bits = reinterpret_cast<const BYTE*>(header) + bitsOffset;
    bitmap = CreateDIBitmap(screen.get(), header, CBM_INIT, bits, reinterpret_cast<const BITMAPINFO*>(header),
                            DIB_RGB_COLORS);
  }
  if (oldPalette) SelectPalette(screen.get(), oldPalette, FALSE);
  // The caller who asked for the palette owns it.
  if (palette) *palette = made.release();
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
  const OwnedBitmap keyMono(CreateBitmap(w, h, 1, 1, nullptr));
  const OwnedBitmap inverse(CreateBitmap(w, h, 1, 1, nullptr));
  int ok = 0;
  if (keyMono && inverse) {
    BitmapDC imageDC(image), maskDC(mask), keyDC(keyMono.get()), inverseDC(inverse.get());
    if (imageDC.ok() && maskDC.ok() && keyDC.ok() && inverseDC.ok()) {
      SetMapMode(imageDC.get(), MM_TEXT);
      const COLORREF oldBack = SetBkColor(imageDC.get(), key);
      BitBlt(keyDC.get(), 0, 0, w, h, imageDC.get(), 0, 0, SRCCOPY);  // 1 where the key was
      SetBkColor(imageDC.get(), oldBack);
      BitBlt(inverseDC.get(), 0, 0, w, h, keyDC.get(), 0, 0, NOTSRCCOPY);
      BitBlt(maskDC.get(), 0, 0, w, h, keyDC.get(), 0, 0, SRCCOPY);
      // Blits from a monochrome source map 0 to the text colour and 1 to the
      // background: black and white keep the AND exact.
      SetTextColor(imageDC.get(), RGB(0, 0, 0));
      SetBkColor(imageDC.get(), RGB(255, 255, 255));
      BitBlt(imageDC.get(), 0, 0, w, h, inverseDC.get(), 0, 0, SRCAND);
      SetBkColor(imageDC.get(), oldBack);
      ok = 1;
    }
  }
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
  BitmapDC from(bitmap);
  if (!from.ok()) return FALSE;
  return BitBlt(dest, x, y, source.right, source.bottom, from.get(), source.left, source.top, SRCCOPY);
}

void DrawBitmapRect(HDC dest, HBITMAP bitmap, const RECT& destRect) {
  if (!dest || !bitmap) return;
  BitmapDC from(bitmap);
  if (from.ok())
    BitBlt(dest, destRect.left, destRect.top, destRect.right, destRect.bottom, from.get(), 0, 0, SRCCOPY);
}

int GetBitmapRect(HBITMAP bitmap, RECT* rect) {
  BITMAP info = {};
  const int result = bitmap ? GetObjectA(bitmap, sizeof info, &info) : 0;
  rect->right = result ? info.bmWidth : 0;
  rect->bottom = result ? info.bmHeight : 0;
  return result;
}

OwnedBitmap TopDownBitmap32(HDC dc, int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  OwnedBitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
  if (!bitmap) *bits = nullptr;
  return bitmap;
}
