#include "gdi/dib_gdi.h"

#include <algorithm>
#include <cstring>

#include "core/allocators.h"
#include "gdi/gdi_scoped.h"
#include "core/operation.h"
#include "core/packed_dib.h"
#include "core/packing.h"
#include "gdi/pictura_gdi.h"

namespace Pictura {

namespace {

// A logical palette of up to 256 table entries (entrySize 4 for RGBQUADs,
// 3 for the triples of core headers).
HPALETTE PaletteFromTable(const uint8_t* table, uint32_t count, uint32_t entrySize) {
  count = std::min<uint32_t>(count, 256);
  if (!table || count == 0) return nullptr;
  struct {
    WORD version;
    WORD entries;
    PALETTEENTRY e[256];
  } lp;
  lp.version = 0x300;
  lp.entries = static_cast<WORD>(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* q = table + size_t{i} * entrySize;
    lp.e[i] = {q[2], q[1], q[0], 0};
  }
  return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&lp));
}

// Where the pixels of a resource DIB start, for any header GDI accepts;
// 0 when the header is unusable or the data would pass the resource's end.
uint64_t ResourcePixelOffset(const uint8_t* data, uint64_t size, uint32_t* tableCount, uint32_t* entrySize) {
  if (size < 12) return 0;
  uint32_t headerSize;
  std::memcpy(&headerSize, data, 4);
  uint64_t width, height, bits, compression = BI_RGB, clrUsed = 0, sizeImage = 0;
  if (headerSize == 12) {
    WORD w, h, b;
    std::memcpy(&w, data + 4, 2);
    std::memcpy(&h, data + 6, 2);
    std::memcpy(&b, data + 10, 2);
    width = w, height = h, bits = b;
    *entrySize = 3;
  } else if (headerSize >= 40 && headerSize <= size) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return 0;
    width = static_cast<uint64_t>(h.biWidth);
    height = static_cast<uint64_t>(h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight);
    bits = h.biBitCount, compression = h.biCompression, clrUsed = h.biClrUsed, sizeImage = h.biSizeImage;
    *entrySize = 4;
  } else {
    return 0;
  }
  if (width == 0 || height == 0 || bits == 0 || bits > 32) return 0;
  uint64_t entries = bits <= 8 ? (clrUsed ? clrUsed : uint64_t{1} << bits) : clrUsed;
  if (entries > 256 && bits <= 8) return 0;
  uint64_t offset = headerSize + entries * *entrySize;
  if (headerSize == 40 && compression == BI_BITFIELDS) offset += 12;
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  const uint64_t data64 = rle ? sizeImage : DIBStride(width, bits) * height;
  if (offset + data64 > size) return 0;
  *tableCount = bits <= 8 ? static_cast<uint32_t>(entries) : 0;
  return offset;
}

}  // namespace

uint32_t HBITMAPCreateMethod() {
  ImgThreadContext* ctx = GetImgThreadContext();
  return ctx ? ctx->hbitmapMethod : 0;
}

HPALETTE CreateDIBPalette(const BITMAPINFOHEADER* header, uint32_t* count) {
  *count = 0;
  if (!header || header->biSize != sizeof(BITMAPINFOHEADER) || header->biBitCount > 8 ||
      header->biBitCount == 0)
    return nullptr;
  // The table holds biClrUsed entries when that is set.
  *count = std::min<uint32_t>(header->biClrUsed ? header->biClrUsed : 1u << header->biBitCount, 256);
  return PaletteFromTable(reinterpret_cast<const uint8_t*>(header + 1), *count, 4);
}

HBITMAP DIBToHBITMAP(uint32_t* error, const void* dib, HPALETTE palette, HDC dc) {
  if (!dib) return FailWith<HBITMAP>(error, kPicErrBadArgument);
  auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
  DIBLayout layout;
  if (!DescribeDIB(error, header, &layout)) return nullptr;
  const uint32_t method = HBITMAPCreateMethod();

  ScopedDC target =
      dc ? ScopedDC::OrScreen(dc) : (layout.bits == 1 ? ScopedDC::Compatible(nullptr) : ScopedDC::Screen());
  if (!target) return FailWith<HBITMAP>(error, kPicErrDeviceContext);
  if (method == 0 && !HasRasterCaps(target.get(), RC_DI_BITMAP))
    return FailWith<HBITMAP>(error, kPicErrDeviceCapability);

  ScopedPalette made;
  if (!palette && layout.bits <= 8 && HasRasterCaps(target.get(), RC_PALETTE)) {
    uint32_t count = 0;
    made.Reset(CreateDIBPalette(header, &count));
  }
  ScopedPaletteSelect selected(target.get(), palette ? palette : made.get());

  const uint8_t* pixels = static_cast<const uint8_t*>(dib) + layout.pixelOffset;
  auto* info = static_cast<const BITMAPINFO*>(dib);
  if (method == 1) {
    GdiFlush();
    void* sectionBits = nullptr;
    ScopedBitmap section(CreateDIBSection(target.get(), info, DIB_RGB_COLORS, &sectionBits, nullptr, 0));
    if (!section) return FailWith<HBITMAP>(error, kPicErrCreateDIBitmap);
    if (!sectionBits) return FailWith<HBITMAP>(error, kPicErrCreateDIBSection);
    // The rows the header describes, whatever biSizeImage says.
    std::memcpy(sectionBits, pixels, static_cast<size_t>(layout.pixelBytes));
    return section.Release();
  }
  HBITMAP bitmap = CreateDIBitmap(target.get(), header, CBM_INIT, pixels, info, DIB_RGB_COLORS);
  if (!bitmap) return FailWith<HBITMAP>(error, kPicErrCreateDIBitmap);
  return bitmap;
}

HGLOBAL HBITMAPToDIB(uint32_t* error, HBITMAP bitmap, uint32_t compression, HPALETTE palette) {
  if (compression != BI_RGB) return FailWith<HGLOBAL>(error, kPicErrUnexpected);
  BITMAP bm;
  if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != static_cast<int>(sizeof bm))
    return FailWith<HGLOBAL>(error, kPicErrBadArgument);
  const uint32_t bits = static_cast<uint32_t>(bm.bmPlanes) * bm.bmBitsPixel;
  const uint32_t colours = bits <= 8 ? 1u << bits : 0;

  ScopedDC screen = ScopedDC::Screen();
  if (!screen) return FailWith<HGLOBAL>(error, kPicErrDeviceContext);
  ScopedPaletteSelect selected(screen.get(),
                               palette ? palette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));

  // Room for a full table or three masks, whichever GetDIBits writes.
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD table[256];
  } info{};
  info.h.biSize = sizeof(BITMAPINFOHEADER);
  info.h.biWidth = bm.bmWidth;
  info.h.biHeight = bm.bmHeight;
  info.h.biPlanes = 1;
  info.h.biBitCount = static_cast<WORD>(bits);
  info.h.biCompression = BI_RGB;
  auto* bmi = reinterpret_cast<BITMAPINFO*>(&info);
  if (!GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight), nullptr, bmi, DIB_RGB_COLORS))
    return FailWith<HGLOBAL>(error, kPicErrGetDIBits);
  const uint64_t stride = DIBStride(static_cast<uint32_t>(bm.bmWidth), bits);
  uint64_t image = 0;
  if (!PicSizeWithinCap(stride, static_cast<uint32_t>(bm.bmHeight), 1, &image))
    return FailWith<HGLOBAL>(error, kPicErrNoMemory);
  // Our own rows are never compressed, so their size is known.
  info.h.biSizeImage = static_cast<DWORD>(image);
  info.h.biClrUsed = 0;
  const uint64_t table = info.h.biCompression == BI_BITFIELDS ? 12 : uint64_t{colours} * 4;
  const uint64_t size = sizeof(BITMAPINFOHEADER) + table + image;
  if (info.h.biCompression != BI_RGB && info.h.biCompression != BI_BITFIELDS)
    return FailWith<HGLOBAL>(error, kPicErrGetDIBits);
  if (size >= kPicAllocCap) return FailWith<HGLOBAL>(error, kPicErrNoMemory);
  ScopedGlobal dib{GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(size))};
  if (!dib.block) return FailWith<HGLOBAL>(error, kPicErrNoMemory);
  auto* out = static_cast<uint8_t*>(dib.block);
  std::memcpy(out, &info, static_cast<size_t>(sizeof(BITMAPINFOHEADER) + table));
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(bm.bmHeight),
                out + sizeof(BITMAPINFOHEADER) + table, reinterpret_cast<BITMAPINFO*>(out),
                DIB_RGB_COLORS) != bm.bmHeight)
    return FailWith<HGLOBAL>(error, kPicErrGetDIBits);
  return dib.Release();
}

namespace {

int HBITMAPToPixels(uint32_t* error, HBITMAP bitmap, HDC dc, HPALETTE palette, bool alpha, uint8_t alphaValue,
                    uint8_t* output) {
  if (!output) return FailWith<int>(error, kPicErrBadArgument);
  if (!dc || !HasRasterCaps(dc, RC_DI_BITMAP)) return FailWith<int>(error, kPicErrDeviceCapability);
  ScopedPalette system;
  if (!palette && HasRasterCaps(dc, RC_PALETTE)) {
    PALETTEENTRY entries[255];
    const UINT got = GetSystemPaletteEntries(dc, 0, 255, entries);
    if (got) {
      RGBQUAD quads[255];
      for (UINT i = 0; i < got; ++i) quads[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
      system.Reset(PaletteFromTable(reinterpret_cast<const uint8_t*>(quads), got, 4));
    }
  }
  ScopedGlobal dib{HBITMAPToDIB(error, bitmap, BI_RGB, palette ? palette : system.get())};
  if (!dib.block) return 0;
  return alpha ? DIBToRGBA(error, dib.block, alphaValue, output) : DIBToRGB(error, dib.block, output);
}

}  // namespace

int HBITMAPToRGB(uint32_t* error, HBITMAP bitmap, HDC dc, HPALETTE palette, uint8_t* output) {
  return HBITMAPToPixels(error, bitmap, dc, palette, false, 0, output);
}

int HBITMAPToRGBA(uint32_t* error, HBITMAP bitmap, HDC dc, HPALETTE palette, uint8_t alpha, uint8_t* output) {
  return HBITMAPToPixels(error, bitmap, dc, palette, true, alpha, output);
}

int DCToRGB(uint32_t* error, HDC dc, int x, int y, uint32_t width, uint32_t height, uint8_t* output) {
  if (!dc || !output || width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
    return FailWith<int>(error, kPicErrBadArgument);
  if (!HasRasterCaps(dc, RC_BITBLT | RC_BITMAP64)) return FailWith<int>(error, kPicErrDeviceCapability);
  ScopedDC memory = ScopedDC::Compatible(dc);
  if (!memory) return FailWith<int>(error, kPicErrDeviceContext);
  ScopedBitmap bitmap(CreateCompatibleBitmap(dc, static_cast<int>(width), static_cast<int>(height)));
  if (!bitmap) return FailWith<int>(error, kPicErrCreateCompatibleBitmap);
  {
    ScopedSelect selected;
    if (!selected.Select(memory.get(), bitmap.get())) return FailWith<int>(error, kPicErrSelectObject);
    if (!BitBlt(memory.get(), 0, 0, static_cast<int>(width), static_cast<int>(height), dc, x, y, SRCCOPY))
      return FailWith<int>(error, kPicErrBitBlt);
  }
  return HBITMAPToRGB(error, bitmap.get(), dc, nullptr, output);
}

HBITMAP ImageToHBITMAP(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                       uint32_t stride, uint32_t bits, const RGBQUAD* palette, uint32_t colours,
                       const RECT* crop, HPALETTE hpalette, HDC dc) {
  if (!dc || !pixels) return FailWith<HBITMAP>(error, kPicErrBadArgument);
  if (bits != 1 && bits != 8 && bits != 24 && bits != 32) return FailWith<HBITMAP>(error, kPicErrBadArgument);
  if ((bits == 1 || bits == 8) && !palette) return FailWith<HBITMAP>(error, kPicErrBadArgument);
  if (crop) {
    // Right and bottom are part of the rectangle.
    const int64_t left = std::max<int64_t>(0, crop->left), top = std::max<int64_t>(0, crop->top);
    const int64_t right = std::min<int64_t>(int64_t{width} - 1, crop->right);
    const int64_t bottom = std::min<int64_t>(int64_t{height} - 1, crop->bottom);
    if (left > right || top > bottom) return FailWith<HBITMAP>(error, kPicErrBadArgument);
    // A 1-bit row can only start on a byte.
    if (bits == 1 && left % 8) return FailWith<HBITMAP>(error, kPicErrBadArgument);
    pixels += static_cast<size_t>(uint64_t(top) * stride + uint64_t(left) * bits / 8);
    width = static_cast<uint32_t>(right - left + 1);
    height = static_cast<uint32_t>(bottom - top + 1);
  }
  ScopedGlobal dib;
  switch (bits) {
    case 1:
      dib.block = OneBitToDIB(error, pixels, width, height, stride, palette, nullptr);
      break;
    case 8:
      dib.block = EightBitToDIB(error, pixels, width, height, stride, colours, 8, palette, nullptr);
      break;
    case 24:
      dib.block = RGBToDIB(error, pixels, width, height, stride, nullptr, 0);
      break;
    default:
      dib.block = RGBAToDIB(error, pixels, width, height, stride, nullptr);
      break;
  }
  if (!dib.block) return nullptr;
  return DIBToHBITMAP(error, dib.block, hpalette, dc);
}

HBITMAP RGBToHBITMAP(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                     HPALETTE palette, uint32_t flags, HDC dc) {
  if (!pixels) return FailWith<HBITMAP>(error, kPicErrBadArgument);
  if (HBITMAPCreateMethod() == 0) {
    ScopedGlobal dib{RGBToDIB(error, pixels, width, height, stride, nullptr, flags & 3)};
    if (!dib.block) return nullptr;
    return DIBToHBITMAP(error, dib.block, palette, dc);
  }
  // Straight into a 24-bit section.
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
      !PicSizeWithinCap(DIBStride(width, 24), height) || stride < uint64_t{width} * 3)
    return FailWith<HBITMAP>(error, kPicErrBadArgument);
  ScopedDC target = ScopedDC::OrScreen(dc);
  if (!target) return FailWith<HBITMAP>(error, kPicErrDeviceContext);
  ScopedPaletteSelect selected(target.get(), palette);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = static_cast<LONG>(height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ScopedBitmap section(CreateDIBSection(target.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section || !bits) return FailWith<HBITMAP>(error, kPicErrCreateDIBSection);
  const uint32_t code = RGBRowsToDIBBits(pixels, static_cast<uint8_t*>(bits), width, height,
                                         static_cast<uint32_t>(DIBStride(width, 24)), false, false, stride);
  if (code) return FailWith<HBITMAP>(error, code);
  return section.Release();
}

HPALETTE RGBQUADToHPALETTE(uint32_t* error, const RGBQUAD* entries, uint32_t count) {
  if (!entries || count == 0) return FailWith<HPALETTE>(error, kPicErrBadArgument);
  HPALETTE palette = PaletteFromTable(reinterpret_cast<const uint8_t*>(entries), count, 4);
  if (!palette) return FailWith<HPALETTE>(error, kPicErrNoMemory);
  return palette;
}

namespace {

HBITMAP BitmapFromResource(uint32_t* error, HMODULE module, HRSRC resource, HPALETTE palette) {
  if (!resource) return FailWith<HBITMAP>(error, kPicErrResourceNotFound);
  HGLOBAL loaded = LoadResource(module, resource);
  const auto* data = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (!data) return FailWith<HBITMAP>(error, kPicErrBadArgument);
  uint32_t tableCount = 0, entrySize = 4;
  const uint64_t offset =
      ResourcePixelOffset(data, SizeofResource(module, resource), &tableCount, &entrySize);
  if (!offset) return FailWith<HBITMAP>(error, kPicErrBadArgument);

  ScopedDC screen = ScopedDC::Screen();
  if (!screen) return FailWith<HBITMAP>(error, kPicErrDeviceContext);
  uint32_t headerSize;
  std::memcpy(&headerSize, data, 4);
  ScopedPalette made(palette ? nullptr : PaletteFromTable(data + headerSize, tableCount, entrySize));
  ScopedPaletteSelect selected(screen.get(), palette ? palette : made.get());
  auto* info = reinterpret_cast<const BITMAPINFO*>(data);
  HBITMAP bitmap =
      CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT, data + offset, info, DIB_RGB_COLORS);
  if (!bitmap) return FailWith<HBITMAP>(error, kPicErrCreateDIBitmap);
  return bitmap;
}

}  // namespace

HBITMAP LoadResourceBitmap(uint32_t* error, HMODULE module, const char* name, HPALETTE palette) {
  if (!module) return FailWith<HBITMAP>(error, kPicErrBadArgument);
  return BitmapFromResource(error, module, FindResourceA(module, name, MAKEINTRESOURCEA(2) /* RT_BITMAP */),
                            palette);
}

HBITMAP LoadResourceBitmapW(uint32_t* error, HMODULE module, const wchar_t* name, HPALETTE palette) {
  return BitmapFromResource(error, module, FindResourceW(module, name, MAKEINTRESOURCEW(2) /* RT_BITMAP */),
                            palette);
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

HBITMAP PICAPI pic_DIBToHBITMAP(const void* dib, HPALETTE palette, HDC dc) {
  return PicRunEntry<HBITMAP>("pic_DIBToHBITMAP",
                              [&](uint32_t& err) { return DIBToHBITMAP(&err, dib, palette, dc); });
}

HGLOBAL PICAPI pic_HBITMAPToDIB(HBITMAP bitmap, HPALETTE palette) {
  return PicRunEntry<HGLOBAL>("pic_HBITMAPToDIB",
                              [&](uint32_t& err) { return HBITMAPToDIB(&err, bitmap, BI_RGB, palette); });
}

BOOL PICAPI pic_HBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, BYTE* output) {
  return PicRunEntry<BOOL>("pic_HBITMAPToRGB",
                           [&](uint32_t& err) { return HBITMAPToRGB(&err, bitmap, dc, palette, output); });
}

BOOL PICAPI pic_HBITMAPToRGBA(HBITMAP bitmap, HDC dc, HPALETTE palette, DWORD alpha, BYTE* output) {
  return PicRunEntry<BOOL>("pic_HBITMAPToRGBA", [&](uint32_t& err) {
    return HBITMAPToRGBA(&err, bitmap, dc, palette, static_cast<uint8_t>(alpha), output);
  });
}

BOOL PICAPI pic_DCToRGB(HDC dc, int x, int y, DWORD width, DWORD height, BYTE* output) {
  return PicRunEntry<BOOL>("pic_DCToRGB",
                           [&](uint32_t& err) { return DCToRGB(&err, dc, x, y, width, height, output); });
}

HBITMAP PICAPI pic_ImageToHBITMAP(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, DWORD bits,
                                  const RGBQUAD* palette, DWORD colours, const RECT* crop, HPALETTE hpalette,
                                  HDC dc) {
  return PicRunEntry<HBITMAP>("pic_ImageToHBITMAP", [&](uint32_t& err) {
    return ImageToHBITMAP(&err, pixels, width, height, stride, bits, palette, colours, crop, hpalette, dc);
  });
}

HBITMAP PICAPI pic_RGBToHBITMAP(const BYTE* pixels, DWORD width, DWORD height, DWORD stride, HPALETTE palette,
                                HDC dc) {
  return PicRunEntry<HBITMAP>("pic_RGBToHBITMAP", [&](uint32_t& err) {
    return RGBToHBITMAP(&err, pixels, width, height, stride, palette, 0, dc);
  });
}

HPALETTE PICAPI pic_RGBQUADToHPALETTE(const RGBQUAD* entries, DWORD count) {
  return PicRunEntry<HPALETTE>("pic_RGBQUADToHPALETTE",
                               [&](uint32_t& err) { return RGBQUADToHPALETTE(&err, entries, count); });
}

void PICAPI pic_SetHBITMAPCreateMethod(DWORD method) {
  if (ImgThreadContext* ctx = PicBeginSetter("pic_SetHBITMAPCreateMethod")) ctx->hbitmapMethod = method == 1;
}

HBITMAP PICAPI pic_LoadResourceBitmap(HMODULE module, const char* name, HPALETTE palette) {
  return PicRunEntry<HBITMAP>("pic_LoadResourceBitmap",
                              [&](uint32_t& err) { return LoadResourceBitmap(&err, module, name, palette); });
}

HBITMAP PICAPI pic_LoadResourceBitmapW(HMODULE module, const wchar_t* name, HPALETTE palette) {
  return PicRunEntry<HBITMAP>("pic_LoadResourceBitmapW", [&](uint32_t& err) {
    return LoadResourceBitmapW(&err, module, name, palette);
  });
}

}  // extern "C"
