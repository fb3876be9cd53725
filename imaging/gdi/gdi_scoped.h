#pragma once
// Owners of the GDI objects the library makes within one call (Windows
// only): every way out of a worker releases them in reverse order.

#include <windows.h>

#include <cstdint>

#include "core/allocators.h"

namespace Pictura {

// Stores the code in the error word and gives the failure value of T.
template <class T>
T FailWith(uint32_t* error, uint32_t code) {
  *error = code;
  return T{};
}

// A DC from GetDC (released) or CreateCompatibleDC (deleted).
class ScopedDC {
 public:
  static ScopedDC Screen() { return ScopedDC(GetDC(nullptr), nullptr, true); }
  static ScopedDC Compatible(HDC with) { return ScopedDC(CreateCompatibleDC(with), nullptr, false); }
  // The caller's DC, or the screen's when it is null.
  static ScopedDC OrScreen(HDC dc) { return dc ? ScopedDC(dc, nullptr, false, false) : Screen(); }

  ScopedDC(ScopedDC&& other) noexcept
      : dc_(other.dc_), window_(other.window_), fromGetDC_(other.fromGetDC_), owned_(other.owned_) {
    other.dc_ = nullptr;
  }
  ScopedDC(const ScopedDC&) = delete;
  ScopedDC& operator=(const ScopedDC&) = delete;
  ScopedDC& operator=(ScopedDC&&) = delete;
  ~ScopedDC() {
    if (!dc_ || !owned_) return;
    if (fromGetDC_)
      ReleaseDC(window_, dc_);
    else
      DeleteDC(dc_);
  }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  ScopedDC(HDC dc, HWND window, bool fromGetDC, bool owned = true)
      : dc_(dc), window_(window), fromGetDC_(fromGetDC), owned_(owned) {}
  HDC dc_;
  HWND window_;
  bool fromGetDC_;
  bool owned_;
};

// Any GDI object that DeleteObject frees.
template <class H>
class ScopedGdiObject {
 public:
  explicit ScopedGdiObject(H object = nullptr) : object_(object) {}
  ~ScopedGdiObject() { Reset(); }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

  H get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void Reset(H object = nullptr) {
    if (object_) DeleteObject(object_);
    object_ = object;
  }
  H Release() {
    H object = object_;
    object_ = nullptr;
    return object;
  }

 private:
  H object_;
};
using ScopedBitmap = ScopedGdiObject<HBITMAP>;

// A metafile handle, deleted by its own call when the scope ends.
template <class H, BOOL(WINAPI* Delete)(H)>
struct ScopedMetafileHandle {
  H h = nullptr;
  explicit ScopedMetafileHandle(H handle) : h(handle) {}
  ~ScopedMetafileHandle() {
    if (h) Delete(h);
  }
  ScopedMetafileHandle(const ScopedMetafileHandle&) = delete;
  ScopedMetafileHandle& operator=(const ScopedMetafileHandle&) = delete;
};
using ScopedEnhMetafile = ScopedMetafileHandle<HENHMETAFILE, DeleteEnhMetaFile>;
using ScopedOldMetafile = ScopedMetafileHandle<HMETAFILE, DeleteMetaFile>;
using ScopedPalette = ScopedGdiObject<HPALETTE>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;

// Selects an object into a DC and puts the previous one back.
class ScopedSelect {
 public:
  ScopedSelect() = default;
  ScopedSelect(HDC dc, HGDIOBJ object) { Select(dc, object); }
  ~ScopedSelect() { Restore(); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

  bool Select(HDC dc, HGDIOBJ object) {
    Restore();
    HGDIOBJ old = SelectObject(dc, object);
    if (!old || old == HGDI_ERROR) return false;
    dc_ = dc;
    old_ = old;
    return true;
  }
  void Restore() {
    if (dc_) SelectObject(dc_, old_);
    dc_ = nullptr;
    old_ = nullptr;
  }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// Selects and realises a palette; the previous palette goes back (not
// realised again: the next drawing realises what it needs).
class ScopedPaletteSelect {
 public:
  ScopedPaletteSelect() = default;
  ScopedPaletteSelect(HDC dc, HPALETTE palette) { Select(dc, palette); }
  ~ScopedPaletteSelect() { Restore(); }
  ScopedPaletteSelect(const ScopedPaletteSelect&) = delete;
  ScopedPaletteSelect& operator=(const ScopedPaletteSelect&) = delete;

  void Select(HDC dc, HPALETTE palette) {
    Restore();
    if (!dc || !palette) return;
    old_ = SelectPalette(dc, palette, FALSE);
    if (!old_) return;
    dc_ = dc;
    RealizePalette(dc);
  }
  void Restore() {
    if (dc_) SelectPalette(dc_, old_, FALSE);
    dc_ = nullptr;
    old_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HPALETTE old_ = nullptr;
};

inline bool HasRasterCaps(HDC dc, int caps) {
  return (GetDeviceCaps(dc, RASTERCAPS) & caps) == caps;
}

}  // namespace Pictura
