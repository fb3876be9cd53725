#pragma once
// The user's settings: one field per registry value under
// HKCU\Software\Kestrima\Desktop\DesktopWaylune, named like the value.
//
// Worker threads read the live `Settings` at any time without locks, so every
// field is an atomic word or a guarded string. LoadSettings reads into a plain
// copy first and then publishes it, so nobody ever sees defaults half-way
// through a load.

#include <windows.h>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "services/portable/int_list.h"  // ParseIntList, FormatIntList

class SettingInt {
 public:
  constexpr SettingInt(int v = 0) : value_(v) {}
  SettingInt(const SettingInt&) = delete;
  SettingInt& operator=(int v) {
    value_.store(v, std::memory_order_relaxed);
    return *this;
  }
  operator int() const { return value_.load(std::memory_order_relaxed); }
  int Get() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int> value_;
};

// A fixed-capacity string (capacity includes the terminating zero) that
// other threads may read while the main thread replaces it.
template <size_t N>
class SettingString {
 public:
  static constexpr size_t kCapacity = N;
  constexpr SettingString() = default;
  constexpr explicit SettingString(const char* init) {
    for (size_t i = 0; i + 1 < N && init[i]; ++i) text_[i] = init[i];
  }
  SettingString(const SettingString&) = delete;
  void Set(const char* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    lstrcpynA(text_, text ? text : "", static_cast<int>(N));
  }
  // Copies into a caller buffer of `size` chars (always terminated).
  void CopyTo(char* out, size_t size) const {
    if (size == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    lstrcpynA(out, text_, static_cast<int>(size < N ? size : N));
  }
  std::string Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::string(text_);
  }
  size_t Length() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::strlen(text_);
  }

 private:
  mutable std::mutex mutex_;
  char text_[N] = {};
};

template <size_t N>
using SettingList = std::array<SettingInt, N>;

constexpr int kMaxDeactivatedFigures = 99;
constexpr int kStripPictures = 7;
constexpr int kSoundOptions = 10;
constexpr int kExclusionTitles = 16;

// Defaults are the initialisers below; LoadSettings starts from them.
struct AppSettings {
  SettingInt Speed{50};
  SettingInt Pause{100};
  SettingInt Autostart{0};
  SettingInt DebugOn{0};
  SettingString<MAX_PATH> DebugFileName{"C:\\ORROWIN.LOG"};
  SettingString<MAX_PATH> AppPath;
  SettingList<kMaxDeactivatedFigures> FigDeactive;
  SettingInt HG{1};
  SettingList<kStripPictures> HGversatz;
  SettingInt HGNotDA{1};
  SettingInt ShowWallpaper{0};
  SettingString<MAX_PATH> WallpaperPic;
  SettingString<MAX_PATH> WallpaperPath;
  SettingInt Sound{1};  // the user's choice; whether the library is loaded is SoundLoaded
  SettingInt SNDvolume{1000};
  SettingList<kSoundOptions> SoundOpt{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  SettingInt Clock{1};
  SettingInt ClockOnTop{0};
  SettingList<8> ClockPos{50, 15, 50, 15, 50, 15, 50, 15};
  SettingInt ClockNotDA{1};
  SettingInt Countdown{0};
  SettingInt CountdownOnTop{0};
  SettingInt CountdownStop00{1};
  SettingInt CountdownPlaySound{0};
  SettingInt CountdownShowMsg{0};
  SettingString<MAX_PATH> CountdownSoundFile;
  SettingList<8> CountdownPos{50, 400, 50, 400, 50, 400, 50, 400};
  SettingInt CountdownNotDA{1};
  SettingList<5> CountdownDate;  // year, month, day, hour, minute
  SettingInt NoWinamp{0};
  SettingString<MAX_PATH> WinampExe;
  SettingInt BillboardX{250};
  SettingInt Billboard{1};
  SettingInt BillboardNotDA{1};
  SettingInt Calendar{0};
  SettingInt Feiertage{0};
  SettingString<MAX_PATH> BMPpath;
  SettingString<MAX_PATH> TXTpath;
  SettingInt TextFHeight{-10};
  SettingInt TextFWeight{500};
  SettingInt TextFItalic{0};
  SettingString<LF_FACESIZE> TextFName;
  SettingInt KeinFlugzeug{0};
  SettingList<6> Weather{0, 60, 0, 0, 0, 0};  // on, minutes, Fahrenheit, three list positions
  SettingString<8> METAR;
  SettingString<80> WeatherCountry;
  SettingString<128> WeatherStation;
  SettingInt WeatherX{500};
  SettingInt WeatherOnTop{0};
  SettingInt WeatherNotDA{0};
  SettingString<MAX_PATH> FabianDat;
  SettingInt FabianName{0};
  SettingInt RecycleBin{1};
  SettingInt DontEmptyRecycleBin{0};
  SettingInt SndDevice{-1};
  SettingInt AccessType{0};
  SettingInt FTPPortNumber{21};
  SettingString<256> Proxy;
  SettingString<256> ProxyUser;
  SettingString<256> ProxyPasswort;
  // Window titles during which no scene starts (NoStart00..NoStart15).
  std::array<SettingString<80>, kExclusionTitles> NoStart;
  SettingInt NoStartCount{0};
  // Plane banner text and font (LoadBannerSettings; the plane page edits them).
  SettingString<256> Banner;
  SettingInt BannerFHeight{-18};
  SettingInt BannerFWeight{700};
  SettingInt BannerFItalic{0};
  SettingString<LF_FACESIZE> BannerFName{"Verdana"};
  // Regional values from Control Panel\International.
  SettingInt FirstDayOfWeek{0};
  SettingString<8> DateSeparator;
  SettingInt DateOrder{1};
  SettingInt Clock24h{1};
};

extern AppSettings Settings;

// The sound library is loaded and may be called (set only by the sound module).
extern std::atomic<int> SoundLoaded;

// Folder of the program's written files: %APPDATA%\Kestrima\Waylune Desktop.
extern char DataFolder[MAX_PATH];
extern char ScreenSaverFile[MAX_PATH];

// Fixed font of the speech bubbles: Verdana, height -10, weight 500.
extern const LOGFONTA BubbleFont;

// Loads every value of the settings key (defaults, clamps, regional values,
// banner, Winamp path, folders) and publishes the result in one pass.
// Returns the result of the last folder creation.
int LoadSettings();
// The savers write their group back; they do nothing when the key cannot be
// opened for writing.
void SaveSettings();
void SaveClockSettings();
void SaveCountdownSettings();
void SaveBillboardX();
void SaveWeatherSettings();
void SaveProxyCredentials();
void SaveSoundFile(int figure, const char* path);
// What a dragged object writes: its position and nothing else, so a value an
// open options page changed but has not applied is never stored by a drag.
void SaveClockPosition();
void SaveCountdownPosition();
void SaveWeatherPosition();
// One string value of the settings key (the options sheet's DlgPos).
void WriteSettingString(const char* name, const char* text);
bool ReadSettingString(const char* name, std::string& out);
// The user's sound file of a figure ("SF_%03d"): the path, or a single blank
// when none is stored. Returns 1 when the value was read.
int GetFigureSoundFile(int figure, char* out, size_t size);
template <size_t N>
int GetFigureSoundFile(int figure, char (&out)[N]) {
  return GetFigureSoundFile(figure, out, N);
}
void LoadSoundDevice();
void LoadInternetSettings();
// Reads the banner text into text (size chars) and publishes the banner font
// into Settings.Banner* .
void LoadBannerSettings(char* text, int size);
// The banner font of the Banner* settings as a LOGFONT, and back.
LOGFONTA BannerLogFont();
void SetBannerLogFont(const LOGFONTA& font);

// on: write the Run value "Desktop-Waylune" with the quoted program path; off: delete it.
void SetAutostart(int on, HINSTANCE instance);
int ScreenSaverActive(int set, int value);
int IsScreenSaverRunning();

// Tests point every registry access of this module at a private key instead
// of HKEY_CURRENT_USER (nullptr restores it).
void SetSettingsRegistryRootForTests(HKEY root);

inline constexpr char SETTINGS_KEY[] = "Software\\Kestrima\\Desktop\\DesktopWaylune";
inline constexpr char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char AUTOSTART_VALUE[] = "Desktop-Waylune";
