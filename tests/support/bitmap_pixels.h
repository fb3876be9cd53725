#pragma once
// Test support: a bitmap's pixels as 0x00RRGGBB, top-down, read through a
// 32-bit DIB.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "services/handles.h"

inline std::vector<uint32_t> BitmapPixels(HBITMAP bitmap, int* width = nullptr, int* height = nullptr) {
  BITMAP info = {};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {};
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = info.bmWidth;
  bi.bmiHeader.biHeight = -info.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> out(static_cast<size_t>(info.bmWidth) * info.bmHeight);
  GetDIBits(WindowDC(nullptr).get(), bitmap, 0, info.bmHeight, out.data(), &bi, DIB_RGB_COLORS);
  for (uint32_t& p : out) p &= 0xFFFFFF;
  if (width) *width = info.bmWidth;
  if (height) *height = info.bmHeight;
  return out;
}

// The pixels of a bitmap the test owns; the bitmap is deleted.
inline std::vector<uint32_t> TakeBitmapPixels(HBITMAP bitmap, int* width, int* height) {
  const OwnedBitmap owned(bitmap);
  return BitmapPixels(owned.get(), width, height);
}
