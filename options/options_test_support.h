#pragma once
// Drives the modal options sheet from inside its own message loop: a thread
// timer runs the test's steps once the sheet is up, against a private
// registry key.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "stage/billboard_state.h"
#include "stage/birthdays.h"
#include "stage/portable/object_controls.h"
#include "stage/strip_requests.h"
#include "stage/weather_updates.h"
#include "services/shell_state.h"
#include "options/options_sheet.h"
#include "options/page_protocol.h"
#include "options/sheet_run.h"
#include "services/handles.h"
#include "services/hotkeys.h"
#include "services/settings.h"
#include "services/settings_owner.h"
#include "services/settings_test_support.h"
#include "services/sound_library.h"

namespace options_test {

// The weather service as the Weather page sees it: the reading it shows,
// the fetches asked for (and the committed settings of the last) and the
// stored report dropped. A fetch is a thread that ends when the test lets
// it (Finish), handing over its report.
class AskedWeather : public WeatherUpdates {
 public:
  AskedWeather() : release_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

  WeatherReading Reading() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return reading_;
  }
  bool Busy() const override { return busy_.load(); }
  OwnedHandle FetchNow(const AppSettings& committed) override {
    ++fetches;
    lastFetch = {committed.METAR.Get(), committed.Proxy.Get(), committed.FTPPortNumber.Get(),
                 committed.AccessType.Get()};
    if (busy_.exchange(true)) return {};
    return OwnedHandle(CreateThread(nullptr, 0, Fetch, this, 0, nullptr));
  }
  void DropStoredReport() override { ++drops; }

  // Lets the fetch under way end with `report`.
  void Finish(const WeatherReading& report) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      fetched_ = report;
    }
    SetEvent(release_.get());
  }
  // No report, nothing asked.
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    reading_ = {};
    fetches = 0;
    drops = 0;
    lastFetch = {};
  }

  struct FetchSettings {
    std::string station, proxy;
    int port = 0, accessType = 0;
  };
  std::atomic<int> fetches{0}, drops{0};
  FetchSettings lastFetch;

 private:
  static DWORD WINAPI Fetch(void* self) {
    auto& weather = *static_cast<AskedWeather*>(self);
    // Bounded, so a test that never lets it end fails instead of hanging.
    if (WaitForSingleObject(weather.release_.get(), 30000) == WAIT_OBJECT_0) {
      std::lock_guard<std::mutex> lock(weather.mutex_);
      weather.reading_ = weather.fetched_;
    }
    weather.busy_ = false;
    return 0;
  }

  mutable std::mutex mutex_;
  WeatherReading reading_, fetched_;
  std::atomic<bool> busy_{false};
  OwnedHandle release_;
};

// The tests' own weather service, handed to every sheet they open.
inline AskedWeather& TestWeather() {
  static AskedWeather weather;
  return weather;
}

// A desktop object as the sheet sees it: what it was asked, in words a test
// reads and clears. raise: 0 not asked, 1 into the normal band, 2 topmost.
struct AskedObject : ObjectControls {
  std::atomic<int> reloadRequest{0};
  std::atomic<int> relayout{0};
  std::atomic<int> raise{0};
  void AskReload(bool reload) override { reloadRequest = reload ? 1 : 0; }
  void AskRelayout() override { relayout = 1; }
  void AskRaise(bool topmost) override { raise = topmost ? 2 : 1; }
};

// The tests' own shell words and desktop parts, handed to every sheet they
// open: a test reads the requests a page made from these, not from the
// program's.
struct TestDesktop {
  SettingsOwner& settings = TestSettingsOwner();
  ShellState shell;
  AskedObject clock, countdown, weatherSign;
  BillboardStateBlock billboard;
  StripRequestWords strip;
  Birthdays birthdays;
  // The folders of each poster search, and each wallpaper set (mode, path).
  std::vector<std::string> posterSearches;
  std::vector<std::pair<int, std::string>> wallpapers;
  Hotkeys hotkeys;
  OptionsParts Parts() {
    OptionsParts parts;
    parts.settings = &settings;
    parts.weather = &TestWeather();
    parts.shell = &shell;
    parts.clock = &clock;
    parts.countdown = &countdown;
    parts.weatherSign = &weatherSign;
    parts.billboard = &billboard;
    parts.strip = &strip;
    parts.birthdays = &birthdays;
    parts.findPosters = [this](const AppSettings& settings) {
      posterSearches.push_back(settings.BMPpath.Get() + "|" + settings.TXTpath.Get());
    };
    parts.setWallpaper = [this](int mode, const char* path, const AppSettings&) {
      wallpapers.emplace_back(mode, path ? path : "");
    };
    parts.hotkeys = &hotkeys;
    return parts;
  }
};
inline TestDesktop& TestParts() {
  static TestDesktop desktop;
  return desktop;
}

inline std::function<void(HWND)>& SheetScript() {
  static std::function<void(HWND)> script;
  return script;
}

inline void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND sheet = OpenOptionsWindow();
  if (!sheet) return;  // not up yet: the timer fires again
  KillTimer(nullptr, timer);
  auto script = std::move(SheetScript());
  script(sheet);
  // A script that left the sheet open closes it.
  if (OpenOptionsWindow() == sheet && IsWindow(sheet)) PropSheet_PressButton(sheet, PSBTN_CANCEL);
}

// The run of the open sheet (the script's).
inline SheetRun& OpenRun() {
  SheetRun* run = OpenSheetRun();
  EXPECT_NE(run, nullptr) << "no sheet is open";
  return *run;
}

// Opens the sheet as the tray menu does, handed `parts`, and runs `script` on it.
inline int RunSheetWith(const OptionsParts& parts, std::function<void(HWND)> script) {
  SheetScript() = std::move(script);
  SetTimer(nullptr, 0, 20, RunScript);
  return OpenOptions(nullptr, parts);
}
inline int RunSheet(std::function<void(HWND)> script) {
  return RunSheetWith(TestParts().Parts(), std::move(script));
}

inline HWND ShowPage(HWND sheet, int index) {
  PropSheet_SetCurSel(sheet, nullptr, index);
  return PropSheet_GetCurrentPageHwnd(sheet);
}

// Index in the sheet of a page's dialog (only built pages are in the sheet).
inline int SheetIndex(int dialogId) {
  int index = 0;
  for (const OptionsPage& entry : kOptionsPages) {
    if (!entry.proc) continue;
    if (entry.dialogId == dialogId) return index;
    ++index;
  }
  return -1;
}

inline void Click(HWND page, int control) {
  SendDlgItemMessageA(page, control, BM_CLICK, 0, 0);
}

inline void Slide(HWND page, int control, int position) {
  HWND slider = GetDlgItem(page, control);
  SendMessageA(slider, TBM_SETPOS, TRUE, position);
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(slider));
}

inline void Type(HWND page, int control, const char* text) {
  SetDlgItemTextA(page, control, text);
}

inline void Select(HWND page, int control, int item) {
  SendDlgItemMessageA(page, control, CB_SETCURSEL, item, 0);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(control, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(page, control)));
}

// Delivers what the sheet posted to itself.
inline void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// A 24-bit BMP of what the screen shows of a window (to look at by eye).
inline void SaveWindowPicture(HWND window, const std::string& path) {
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const WindowDC screen(nullptr);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const OwnedBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const BitmapDC memory(bitmap.get(), screen.get());
  BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD rowBytes = (w * 3 + 3) & ~3, size = rowBytes * h;
  BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof info.bmiHeader + size), 0, 0,
                           static_cast<DWORD>(sizeof file + sizeof info.bmiHeader)};
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, size, 1, out);
    std::fclose(out);
  }
}

inline void Apply(HWND sheet) {
  PropSheet_PressButton(sheet, PSBTN_APPLYNOW);
}
inline void Ok(HWND sheet) {
  PropSheet_PressButton(sheet, PSBTN_OK);
}
inline void Cancel(HWND sheet) {
  PropSheet_PressButton(sheet, PSBTN_CANCEL);
}

inline void DeleteTree(HKEY parent, const char* path) {
  if (const OwnedKey key = OpenRegistryKey(parent, path, KEY_ALL_ACCESS)) {
    char name[256];
    DWORD size = sizeof name;
    while (RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      DeleteTree(key.get(), name);
      size = sizeof name;
    }
  }
  RegDeleteKeyA(parent, path);
}

// Each test gets an empty settings key of its own.
class SheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::snprintf(rootPath_, sizeof rootPath_, "Software\\WayluneTests\\options_%lu_%lu",
                  GetCurrentProcessId(), GetTickCount());
    rootOwner_ = CreateRegistryKey(HKEY_CURRENT_USER, rootPath_, KEY_ALL_ACCESS);
    ASSERT_TRUE(rootOwner_);
    root_ = rootOwner_.get();
    rootGuard_.emplace(root_);
    HandSoundSettings(&TestSettingsOwner());
  }
  void TearDown() override {
    rootGuard_.reset();
    root_ = nullptr;
    rootOwner_.reset();
    DeleteTree(HKEY_CURRENT_USER, rootPath_);
  }

  // An empty settings key again, for the next row of a table.
  void ResetSettingsKey() {
    DeleteTree(root_, SETTINGS_KEY);
    DeleteTree(root_, RUN_KEY);
  }

  // A value of the settings key as text ("" when missing).
  std::string Stored(const char* name) {
    std::string result;
    const OwnedKey key = OpenRegistryKey(root_, SETTINGS_KEY, KEY_READ);
    if (!key) return result;
    DWORD type = 0;
    BYTE data[1024] = {};
    DWORD size = sizeof data - 1;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, data, &size) == ERROR_SUCCESS)
      result = type == REG_DWORD ? std::to_string(*reinterpret_cast<int*>(data))
                                 : std::string(reinterpret_cast<char*>(data));
    return result;
  }

  OwnedKey rootOwner_;
  HKEY root_ = nullptr;                          // rootOwner_'s
  std::optional<ScopedSettingsRoot> rootGuard_;  // the settings' registry root while a test runs
  char rootPath_[128] = {};
};

}  // namespace options_test
