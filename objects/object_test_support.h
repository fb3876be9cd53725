#pragma once
// Shared by the desktop objects' tests under Wine: the main window stand-ins,
// a private settings key, a pinned local time, and reading what an object
// drew: its memory picture is copied into a 32-bit DIB and each digit place
// is matched against the program's own digit strips.

#include <windows.h>

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "services/window_requests.h"
#include "services/shell_requests.h"
#include "stage/figure_state.h"
#include "stage/overlay_owner.h"
#include "services/win_util.h"
#include "services/handles.h"
#include "services/messages.h"
#include "services/settings.h"
#include "stage/portable/calendar.h"
#include "objects/portable/clock_faces.h"
#include "objects/desktop_object.h"
#include "stage/figure_record.h"
#include "tests/support/bitmap_pixels.h"

namespace object_test {

// 0x00RRGGBB pixels, top row first.
struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> data;
  uint32_t At(int x, int y) const { return data[size_t(y) * width + x]; }
  bool SameRect(int x, int y, const Pixels& other, int ox, int oy, int w, int h) const {
    if (x < 0 || y < 0 || x + w > width || y + h > height) return false;
    if (ox < 0 || oy < 0 || ox + w > other.width || oy + h > other.height) return false;
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i)
        if (At(x + i, y + j) != other.At(ox + i, oy + j)) return false;
    return true;
  }
};

constexpr uint32_t kKey = 0xFF00FF;

// A top-down 32-bit DIB of width x height.
inline BITMAPINFO Dib32(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

inline Pixels FromWords(const uint32_t* words, int width, int height) {
  Pixels p{width, height, std::vector<uint32_t>(words, words + size_t(width) * height)};
  for (uint32_t& v : p.data) v &= 0xFFFFFF;
  return p;
}

inline Pixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
  std::vector<uint32_t> words(size_t(width) * height);
  BITMAPINFO info = Dib32(width, height);
  if (!GetDIBits(dc, bitmap, 0, height, words.data(), &info, DIB_RGB_COLORS)) return {};
  return FromWords(words.data(), width, height);
}

// A bitmap resource of this test program (it carries the program's art).
inline Pixels ResourcePixels(const char* name) {
  Pixels p;
  p.data = TakeBitmapPixels(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0,
                                                            0, LR_CREATEDIBSECTION)),
                            &p.width, &p.height);
  return p;
}

// What a DC shows in {0, 0, width, height}, through a 32-bit DIB section.
inline Pixels CaptureDC(HDC source, int width, int height) {
  Pixels p;
  BITMAPINFO info = Dib32(width, height);
  void* bits = nullptr;
  const OwnedBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return p;
  const BitmapDC capture(dib.get());
  if (capture.ok() && BitBlt(capture.get(), 0, 0, width, height, source, 0, 0, SRCCOPY)) {
    GdiFlush();
    p = FromWords(static_cast<const uint32_t*>(bits), width, height);
  }
  return p;
}

// What an object's record shows now in its window (its memory picture).
inline Pixels CaptureRecord(const FigureRecord* record) {
  return CaptureDC(record->objectDC.get(), record->objectRect.right, record->objectRect.bottom);
}

// The glyph (0-23) of the strip that a picture shows at (x, y), or -1.
inline int ReadGlyph(const Pixels& picture, int x, int y, const Pixels& strip, const DigitStripLayout& layout,
                     bool colonPlace) {
  for (int glyph = 0; glyph < 2 * kGlyphsPerRow; ++glyph) {
    const bool colon = glyph % kGlyphsPerRow == kGlyphColon;
    if (colon != colonPlace) continue;
    const GlyphRect r = GlyphSource(layout, glyph);
    if (picture.SameRect(x, y, strip, r.x, r.y, r.width, r.height)) return glyph;
  }
  return -1;
}

// The places of a run as text: digits, ' ' for a blank (unlit in either
// row), '?' for no glyph; row-1 digits (the countdown after its target) in
// letters: 'a' = 0 ... 'j' = 9.
inline std::string ReadRun(const Pixels& picture, const DigitRun& run, int xShift, const Pixels strips[2]) {
  std::string text;
  for (int i = 0; i < run.count; ++i) {
    const int g =
        ReadGlyph(picture, run.x[i] + xShift, run.y, strips[run.strip], *kDigitStrips[run.strip], false);
    if (g < 0)
      text += '?';
    else if (g < kGlyphsPerRow)
      text += g == kGlyphBlank ? ' ' : char('0' + g);
    else
      text += g - kGlyphsPerRow == kGlyphBlank ? ' ' : char('a' + g - kGlyphsPerRow);
  }
  return text;
}

inline LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM w, LPARAM l);

// The figure window (counts the messages the objects send it) and a layered
// overlay window for bubbles, handed to the test's own figures and overlay.
class MainWindowStandIns {
 public:
  static inline int menuMessages = 0;
  static inline int toggleMessages = 0;
  static inline int lowerMessages = 0;  // posted: counted when the queue is read (Drain)
  // Reads the test thread's queue: posted requests reach the stand-in.
  static void Drain() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }

  void Make(FigureState& figures, Overlay& overlay) {
    figures_ = &figures;
    overlay_ = &overlay;
    static bool registered = false;
    if (!registered) {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = CountingProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "ObjectTestMain";
      RegisterClassA(&wc);
      registered = true;
    }
    AttachWindowRequest(CreateWindowExA(0, "ObjectTestMain", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr),
                        figures.window);
    AttachWindowRequest(CreateWindowExA(WS_EX_LAYERED | WS_EX_NOACTIVATE, "ObjectTestMain", "", WS_POPUP, 0,
                                        0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr),
                        overlay.request);
    SetShellWindow(figures.window.Window());
    menuMessages = toggleMessages = lowerMessages = 0;
  }
  void Destroy() {
    for (WindowRequest* request : {&figures_->window, &overlay_->request}) {
      DetachWindowRequest(request->Window());
      DestroyWindow(request->Window());
      request->SetWindow(nullptr);
    }
    SetShellWindow(nullptr);
  }

 private:
  FigureState* figures_ = nullptr;
  Overlay* overlay_ = nullptr;
};

inline LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == MSG_SHOW_MENU) ++MainWindowStandIns::menuMessages;
  if (message == MSG_TOGGLE_ACTIVE) ++MainWindowStandIns::toggleMessages;
  if (message == MSG_LOWER_DESKTOP) ++MainWindowStandIns::lowerMessages;
  return DefWindowProcA(window, message, w, l);
}

// A settings key of the test's own; removed afterwards.
class PrivateSettings {
 public:
  void Make(const char* name) {
    std::snprintf(path_, sizeof path_, "Software\\WayluneTests\\%s_%lu", name, GetCurrentProcessId());
    root_ = CreateRegistryKey(HKEY_CURRENT_USER, path_, KEY_ALL_ACCESS);
    guard_.emplace(root_.get());
  }
  void Remove() {
    guard_.reset();
    root_.reset();
    SHDeleteKeyA(HKEY_CURRENT_USER, path_);
  }
  // Values as the user's registry would hold them, for the loaders to read.
  void Set(const char* value, DWORD type, const void* data, DWORD size) {
    SHSetValueA(root_.get(), SETTINGS_KEY, value, type, data, size);
  }
  void SetText(const char* value, const char* text) {
    Set(value, REG_SZ, text, DWORD(std::strlen(text) + 1));
  }
  void SetNumber(const char* value, DWORD data) { Set(value, REG_DWORD, &data, sizeof data); }
  // A value the savers wrote, as the registry holds it.
  std::string Text(const char* value) const {
    char data[512] = {};
    DWORD size = sizeof data - 1;
    return SHGetValueA(root_.get(), SETTINGS_KEY, value, nullptr, data, &size) == ERROR_SUCCESS ? data : "";
  }
  DWORD Number(const char* value) const {
    DWORD data = 0xFFFFFFFF, size = sizeof data;
    SHGetValueA(root_.get(), SETTINGS_KEY, value, nullptr, &data, &size);
    return data;
  }

 private:
  char path_[128] = {};
  OwnedKey root_;
  std::optional<ScopedSettingsRoot> guard_;
};

// The local time every object reads, pinned by the test until UnpinTime.
inline LocalDateTime pinnedTime;
inline LocalDateTime PinnedTime() {
  return pinnedTime;
}
inline std::optional<ScopedLocalTimeSource>& PinnedClock() {
  static std::optional<ScopedLocalTimeSource> guard;
  return guard;
}
inline void PinTime(int year, int month, int day, int hour, int minute, int second = 0) {
  pinnedTime = {};
  pinnedTime.year = year, pinnedTime.month = month, pinnedTime.day = day;
  pinnedTime.hour = hour, pinnedTime.minute = minute, pinnedTime.second = second;
  pinnedTime.weekday = Weekday(day, month, year);
  if (!PinnedClock()) PinnedClock().emplace(PinnedTime);
}
inline void UnpinTime() {
  PinnedClock().reset();
}

// A window's place on the screen.
inline RECT WindowRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

// How many pixels of an object's window its region disagrees with its memory
// picture on (in: an opaque pixel; out: the key colour), over the whole
// window; -1 for a window without a region, -2 for a picture without an
// opaque pixel.
inline int RegionDisagreesWithPicture(HWND window, HDC picture) {
  const RECT place = WindowRect(window);
  const int width = place.right - place.left, height = place.bottom - place.top;
  const Pixels pixels = CaptureDC(picture, width, height);
  const OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
  if (GetWindowRgn(window, region.get()) == ERROR) return -1;
  int wrong = 0, opaque = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool solid = pixels.At(x, y) != 0xFF00FF;
      opaque += solid;
      wrong += solid != (PtInRegion(region.get(), x, y) != FALSE);
    }
  return opaque ? wrong : -2;
}

// Mouse messages as Windows sends them to a window.
inline LPARAM At(int x, int y) {
  return MAKELPARAM(x, y);
}

}  // namespace object_test
