#pragma once
// Helpers of the GDI tests: a 32-bit DIB section to draw into and read
// back pixel by pixel, and bitmaps read back through GetDIBits.

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace gditest {

// 0x00RRGGBB, the order of a 32-bit DIB pixel read as a little-endian word.
inline uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return (r << 16) | (g << 8) | b;
}

// The header of top-down 32-bit rows.
inline BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  return info;
}

// A top-down 32-bit DIB section selected into a memory DC.
class Surface {
 public:
  Surface(int width, int height, uint32_t fill = 0) : width_(width), height_(height) {
    BITMAPINFO info = TopDown32(width, height);
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    Fill(fill);
  }
  ~Surface() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  HDC dc() const { return dc_; }
  uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFF;
  }
  void Set(int x, int y, uint32_t rgb) {
    GdiFlush();
    bits_[y * width_ + x] = rgb;
  }
  void Fill(uint32_t rgb) {
    GdiFlush();
    for (int i = 0; i < width_ * height_; ++i) bits_[i] = rgb;
  }
  // A checker pattern that no drawn pixel matches by chance.
  void Pattern() {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) Set(x, y, Rgb(x * 7 % 256, y * 11 % 256, (x + y) % 2 ? 33 : 66));
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// Any bitmap's pixels as top-down 0x00RRGGBB words.
inline std::vector<uint32_t> ReadBitmap(HBITMAP bitmap, int* width = nullptr, int* height = nullptr) {
  BITMAP bm{};
  if (GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return {};
  BITMAPINFO info = TopDown32(bm.bmWidth, bm.bmHeight);
  std::vector<uint32_t> pixels(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, bm.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != bm.bmHeight) return {};
  for (auto& p : pixels) p &= 0xFFFFFF;
  if (width) *width = bm.bmWidth;
  if (height) *height = bm.bmHeight;
  return pixels;
}

// A device bitmap (compatible with the screen) holding the pixels.
inline HBITMAP MakeBitmap(int width, int height, const std::vector<uint32_t>& pixels) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  BITMAPINFO info = TopDown32(width, height);
  SetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// R, G, B bytes of a top-down image.
inline uint32_t RgbAt(const std::vector<uint8_t>& image, int width, int x, int y) {
  const uint8_t* p = &image[3 * (static_cast<size_t>(y) * width + x)];
  return Rgb(p[0], p[1], p[2]);
}

}  // namespace gditest
