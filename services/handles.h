#pragma once
// Owners of Windows handles, one line each. An owner releases its handle
// exactly once: when it goes out of scope, is reset or is given another.
// This is the one place where the program releases handles by name; the
// sound library's platform layer keeps its own.

#include <windows.h>
#include <wininet.h>

#include <utility>

// Owns one handle of type T; Policy says how it is released and what "no
// handle" is. Moves hand the handle on; copies do not exist.
template <class T, class Policy>
class Owned {
 public:
  Owned() noexcept = default;
  explicit Owned(T handle) noexcept : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  T get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Policy::None(); }
  // Hands the handle to the caller, who releases it from now on.
  T release() noexcept { return std::exchange(handle_, Policy::None()); }
  // Releases the handle held (if any) and holds `handle` instead.
  void reset(T handle = Policy::None()) noexcept {
    const T old = std::exchange(handle_, handle);
    if (old != Policy::None()) Policy::Release(old);
  }
  // Releases now and says whether the release worked (closing a written file
  // can fail); true when nothing was held.
  bool Close() noexcept {
    const T old = release();
    return old == Policy::None() || Policy::Release(old);
  }

 private:
  T handle_ = Policy::None();
};

namespace handle_policy {

template <class T>
struct NullIsNone {
  static T None() { return nullptr; }
};
struct GdiObject : NullIsNone<HGDIOBJ> {
  static bool Release(HGDIOBJ object) { return DeleteObject(object) != 0; }
};
struct MemoryDC : NullIsNone<HDC> {
  static bool Release(HDC dc) { return DeleteDC(dc) != 0; }
};
struct KernelObject : NullIsNone<HANDLE> {
  static bool Release(HANDLE handle) { return CloseHandle(handle) != 0; }
};
// Files and find handles say "none" with INVALID_HANDLE_VALUE.
struct File {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  static bool Release(HANDLE file) { return CloseHandle(file) != 0; }
};
struct Find {
  static HANDLE None() { return INVALID_HANDLE_VALUE; }
  static bool Release(HANDLE search) { return FindClose(search) != 0; }
};
struct RegistryKey : NullIsNone<HKEY> {
  static bool Release(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};
struct Icon : NullIsNone<HICON> {
  static bool Release(HICON icon) { return DestroyIcon(icon) != 0; }
};
struct Menu : NullIsNone<HMENU> {
  static bool Release(HMENU menu) { return DestroyMenu(menu) != 0; }
};
struct GlobalBlock : NullIsNone<HGLOBAL> {
  static bool Release(HGLOBAL block) { return GlobalFree(block) == nullptr; }
};
struct LocalBlock : NullIsNone<HLOCAL> {
  static bool Release(HLOCAL block) { return LocalFree(block) == nullptr; }
};
struct Library : NullIsNone<HMODULE> {
  static bool Release(HMODULE module) { return FreeLibrary(module) != 0; }
};
struct Desktop : NullIsNone<HDESK> {
  static bool Release(HDESK desktop) { return CloseDesktop(desktop) != 0; }
};
struct EnhancedMetafile : NullIsNone<HENHMETAFILE> {
  static bool Release(HENHMETAFILE metafile) { return DeleteEnhMetaFile(metafile) != 0; }
};
struct Internet : NullIsNone<HINTERNET> {
  static bool Release(HINTERNET handle) { return InternetCloseHandle(handle) != 0; }
};

// A GDI object of a given handle type, released with DeleteObject.
template <class T>
struct Gdi : NullIsNone<T> {
  static bool Release(T object) { return GdiObject::Release(object); }
};

}  // namespace handle_policy

using OwnedBitmap = Owned<HBITMAP, handle_policy::Gdi<HBITMAP>>;
using OwnedFont = Owned<HFONT, handle_policy::Gdi<HFONT>>;
using OwnedBrush = Owned<HBRUSH, handle_policy::Gdi<HBRUSH>>;
using OwnedPalette = Owned<HPALETTE, handle_policy::Gdi<HPALETTE>>;
using OwnedRegion = Owned<HRGN, handle_policy::Gdi<HRGN>>;
using OwnedDC = Owned<HDC, handle_policy::MemoryDC>;             // CreateCompatibleDC, CreateDC
using OwnedHandle = Owned<HANDLE, handle_policy::KernelObject>;  // threads, events, mutexes, snapshots
using OwnedFile = Owned<HANDLE, handle_policy::File>;            // CreateFile
using OwnedSnapshot = Owned<HANDLE, handle_policy::File>;        // CreateToolhelp32Snapshot
using OwnedFind = Owned<HANDLE, handle_policy::Find>;            // FindFirstFile
using OwnedKey = Owned<HKEY, handle_policy::RegistryKey>;
using OwnedIcon = Owned<HICON, handle_policy::Icon>;
using OwnedMenu = Owned<HMENU, handle_policy::Menu>;
using OwnedGlobal = Owned<HGLOBAL, handle_policy::GlobalBlock>;
using OwnedLocal = Owned<HLOCAL, handle_policy::LocalBlock>;
using OwnedLibrary = Owned<HMODULE, handle_policy::Library>;
using OwnedDesktop = Owned<HDESK, handle_policy::Desktop>;
using OwnedEnhMetafile = Owned<HENHMETAFILE, handle_policy::EnhancedMetafile>;
using OwnedInternet = Owned<HINTERNET, handle_policy::Internet>;  // InternetOpen, InternetConnect

// A registry key opened for `access`, or made first when missing; empty when
// it cannot be had.
inline OwnedKey OpenRegistryKey(HKEY parent, const char* path, REGSAM access) {
  HKEY key = nullptr;
  return OwnedKey(RegOpenKeyExA(parent, path, 0, access, &key) == ERROR_SUCCESS ? key : nullptr);
}
inline OwnedKey CreateRegistryKey(HKEY parent, const char* path, REGSAM access) {
  HKEY key = nullptr;
  return OwnedKey(RegCreateKeyExA(parent, path, 0, nullptr, 0, access, nullptr, &key, nullptr) ==
                          ERROR_SUCCESS
                      ? key
                      : nullptr);
}

// A window's DC (GetDC), given back to the window (ReleaseDC); a null window
// is the screen.
class WindowDC {
 public:
  WindowDC() noexcept = default;
  explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  // Takes over a DC got from the window before.
  WindowDC(HWND window, HDC dc) noexcept : window_(window), dc_(dc) {}
  WindowDC(WindowDC&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDC& operator=(WindowDC&& other) noexcept {
    reset();
    window_ = std::exchange(other.window_, nullptr);
    dc_ = std::exchange(other.dc_, nullptr);
    return *this;
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() { reset(); }

  HDC get() const noexcept { return dc_; }
  HWND window() const noexcept { return window_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void reset() noexcept {
    if (dc_) ReleaseDC(window_, dc_);
    dc_ = nullptr;
    window_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// An object selected into a DC; the DC's previous object goes back when this
// ends. ok() is false when the selection failed (nothing to put back then).
class SelectedObject {
 public:
  SelectedObject() noexcept = default;
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {
    if (old_ == HGDI_ERROR) old_ = nullptr;
  }
  SelectedObject(SelectedObject&& other) noexcept
      : dc_(std::exchange(other.dc_, nullptr)), old_(std::exchange(other.old_, nullptr)) {}
  SelectedObject& operator=(SelectedObject&& other) noexcept {
    reset();
    dc_ = std::exchange(other.dc_, nullptr);
    old_ = std::exchange(other.old_, nullptr);
    return *this;
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() { reset(); }

  bool ok() const noexcept { return old_ != nullptr; }
  void reset() noexcept {
    if (dc_ && old_) SelectObject(dc_, old_);
    dc_ = nullptr;
    old_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// A memory DC with one bitmap selected for drawing into it or copying from
// it; the bitmap is put back out and the DC deleted at the end. A font
// selected with UseFont goes back first.
class BitmapDC {
 public:
  explicit BitmapDC(HBITMAP bitmap, HDC compatibleWith = nullptr) noexcept
      : dc_(CreateCompatibleDC(compatibleWith)), bitmap_(dc_.get(), bitmap) {}
  BitmapDC(const BitmapDC&) = delete;
  BitmapDC& operator=(const BitmapDC&) = delete;

  bool ok() const noexcept { return dc_ && bitmap_.ok(); }
  HDC get() const noexcept { return dc_.get(); }
  void UseFont(HFONT font) noexcept {
    font_.reset();  // the DC's own font back first, so it is the one restored at the end
    font_ = SelectedObject(dc_.get(), font);
  }

 private:
  // Destroyed bottom up: the font, then the bitmap go back before the DC goes.
  OwnedDC dc_;
  SelectedObject bitmap_;
  SelectedObject font_;
};
