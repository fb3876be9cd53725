#pragma once
// The user's settings: one field per registry value under
// HKCU\Software\Kestrima\Desktop\DesktopWaylune, named like the value.
//
// The program's one table of them is made by the shell and reached through
// its owner (SettingsOwner); tests make their own. Worker threads read the
// table they are handed at any time without locks, so every field is an
// atomic word or a guarded string. LoadSettings reads into a plain copy
// first and then publishes it, so nobody ever sees defaults half-way through
// a load.

#include <windows.h>

#include <array>
#include <cstdint>
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

// One field per setting; what each is (registry value, type, default, range,
// saver, page) is its row in the settings table (SettingRows).
struct AppSettings {
  // Every field at its default.
  AppSettings();
  AppSettings(const AppSettings&) = delete;
  AppSettings& operator=(const AppSettings&) = delete;

  SettingInt Speed;
  SettingInt Pause;
  SettingInt Autostart;
  SettingInt DebugOn;
  SettingString<MAX_PATH> DebugFileName;
  SettingString<MAX_PATH> AppPath;
  SettingList<kMaxDeactivatedFigures> FigDeactive;
  SettingInt HG;
  SettingList<kStripPictures> HGversatz;
  SettingInt HGNotDA;
  SettingInt ShowWallpaper;
  SettingString<MAX_PATH> WallpaperPic;
  SettingString<MAX_PATH> WallpaperPath;
  SettingInt Sound;  // the user's choice; whether the library is loaded is SoundState.loaded
  SettingInt SNDvolume;
  SettingList<kSoundOptions> SoundOpt;
  SettingInt Clock;
  SettingInt ClockOnTop;
  SettingList<8> ClockPos;
  SettingInt ClockNotDA;
  SettingInt Countdown;
  SettingInt CountdownOnTop;
  SettingInt CountdownStop00;
  SettingInt CountdownPlaySound;
  SettingInt CountdownShowMsg;
  SettingString<MAX_PATH> CountdownSoundFile;
  SettingList<8> CountdownPos;
  SettingInt CountdownNotDA;
  SettingList<5> CountdownDate;  // year, month, day, hour, minute
  SettingInt NoWinamp;
  SettingString<MAX_PATH> WinampExe;
  SettingInt BillboardX;
  SettingInt Billboard;
  SettingInt BillboardNotDA;
  SettingInt Calendar;
  SettingInt Feiertage;
  SettingString<MAX_PATH> BMPpath;
  SettingString<MAX_PATH> TXTpath;
  SettingInt TextFHeight;
  SettingInt TextFWeight;
  SettingInt TextFItalic;
  SettingString<LF_FACESIZE> TextFName;
  SettingInt KeinFlugzeug;
  SettingList<6> Weather;  // on, minutes, Fahrenheit, three list positions
  SettingString<8> METAR;
  SettingString<80> WeatherCountry;
  SettingString<128> WeatherStation;
  SettingInt WeatherX;
  SettingInt WeatherOnTop;
  SettingInt WeatherNotDA;
  SettingString<MAX_PATH> FabianDat;
  SettingInt FabianName;
  SettingInt RecycleBin;
  SettingInt DontEmptyRecycleBin;
  SettingInt SndDevice;
  SettingInt AccessType;
  SettingInt FTPPortNumber;
  SettingString<256> Proxy;
  SettingString<256> ProxyUser;
  SettingString<256> ProxyPasswort;
  // Window titles during which no scene starts (NoStart00..NoStart15).
  std::array<SettingString<80>, kExclusionTitles> NoStart;
  SettingInt NoStartCount;
  // Plane banner text and font (LoadBannerSettings; the plane page edits them).
  SettingString<256> Banner;
  SettingInt BannerFHeight;
  SettingInt BannerFWeight;
  SettingInt BannerFItalic;
  SettingString<LF_FACESIZE> BannerFName;
  // Regional values from Control Panel\International.
  SettingInt FirstDayOfWeek;
  SettingString<8> DateSeparator;
  SettingInt DateOrder;
  SettingInt Clock24h;
  // No registry value: the folder of the program's written files,
  // %APPDATA%\Kestrima\Waylune Desktop, made by a load, which keeps the one
  // it knew when %APPDATA% cannot be found. Not copied with the rows.
  SettingString<MAX_PATH> DataFolder;
};

// The settings table: a row per setting describes it once, and load, clamp,
// save and copy all go by it. Values a row cannot describe are handled by
// hand in settings.cpp: the exclusion titles NoStartNN (compacted on load),
// the banner text (placeholders when missing), the regional values (another
// key), the folders made on first start (FabianDat, WallpaperPath), the
// Winamp program looked up in Winamp's own key, and the figures' sound files
// (SF_nnn, not in AppSettings).
enum class SettingKind : uint8_t { kInt, kText, kList, kTexts };

// What a load does to an integer it read.
enum class SettingCheck : uint8_t {
  kAsStored,
  kClamp,    // pulled into [low, high]
  kRange,    // outside [low, high]: `fallback`
  kNonZero,  // 0: the default
  kFlag,     // anything but 0: 1
};

// How a value is written when it is not written as it is.
enum class SettingFormat : uint8_t {
  kPlain,
  kNonZeroList,      // the non-zero entries and one blank: "12,15 "
  kFirstZero,        // entry 0 written as 0
  kOnAndUnit,        // entries 0 and 2 written as 0 or 1
  kBlankWhenEmpty,   // "" written as " "
  kBlankWhenShort,   // shorter than two characters written as " "
  kExistingProgram,  // only a path longer than 8 characters that exists
  kProtected,        // binary, sealed for the current user (ProtectForUser)
};

// Where a load takes a value from.
enum class SettingLoad : uint8_t {
  kDefault,  // the settings key, else the default
  kKeep,     // the settings key, else what memory held (no default)
  kByHand,   // loaded by code of its own (see above)
};

// Savers and single loaders; a row belongs to every group that writes or
// reads it.
enum SettingGroup : unsigned {
  kGroupGeneral = 1u << 0,       // SaveSettings (with kGroupCountdown)
  kGroupClock = 1u << 1,         // SaveClockSettings
  kGroupCountdown = 1u << 2,     // SaveCountdownSettings
  kGroupBillboardX = 1u << 3,    // SaveBillboardX
  kGroupWeather = 1u << 4,       // SaveWeatherSettings
  kGroupProxyLogin = 1u << 5,    // SaveProxyCredentials
  kGroupClockPos = 1u << 6,      // SaveClockPosition
  kGroupCountdownPos = 1u << 7,  // SaveCountdownPosition
  kGroupWeatherPos = 1u << 8,    // SaveWeatherPosition
  kGroupInternet = 1u << 9,      // LoadInternetSettings
  kGroupSoundDevice = 1u << 10,  // LoadSoundDevice
  kGroupBannerFont = 1u << 11,   // LoadBannerSettings
};

// The options page that edits a setting (kNone: no page does).
enum class SettingPage : uint8_t {
  kNone,
  kGeneral,
  kDesktop,
  kSpeed,
  kSound,
  kPeople,
  kBirthdays,
  kPlane,
  kClock,
  kCountdown,
  kBillboard,
  kWeather,
  kWinamp,
};

// A field of AppSettings, type-erased: its value as text (integers in
// decimal, lists as "a,b,c", strings as they are) and a copy.
struct SettingField {
  SettingKind kind;
  size_t size;  // entries of a list, capacity of a string (with its zero)
  void (*copy)(AppSettings& to, const AppSettings& from);
  std::string (*get)(const AppSettings& from);
  void (*set)(AppSettings& to, const char* text);
};

struct SettingRow {
  const char* name;  // the registry value under SETTINGS_KEY
  const SettingField* field;
  int number = 0;         // default of an integer
  const char* text = "";  // default of a string or a list
  SettingCheck check = SettingCheck::kAsStored;
  int low = 0, high = 0, fallback = 0;
  size_t minLength = 0;  // a list text counts only when longer
  SettingFormat format = SettingFormat::kPlain;
  SettingLoad load = SettingLoad::kDefault;
  unsigned groups = 0;
  SettingPage page = SettingPage::kNone;
};

struct SettingRowSpan {
  const SettingRow* rows;
  size_t count;
  const SettingRow* begin() const { return rows; }
  const SettingRow* end() const { return rows + count; }
};
SettingRowSpan SettingRows();
// The row of a registry value, null when there is none.
const SettingRow* FindSettingRow(const char* name);
// The value a load makes of `value` read from the registry.
int CheckedSetting(const SettingRow& row, int value);

// Copies every setting, or only those a page edits.
void CopySettings(AppSettings& to, const AppSettings& from);
void CopySettings(AppSettings& to, const AppSettings& from, SettingPage page);

// Fixed font of the speech bubbles: Verdana, height -10, weight 500.
extern const LOGFONTA BubbleFont;

// Loads every value of the settings key (defaults, clamps, regional values,
// banner, Winamp path, folders) into `into` and publishes the result in one
// pass. Returns the result of the last folder creation.
int LoadSettings(AppSettings& into);
// The savers write their group of `from` back; they do nothing when the key
// cannot be opened for writing.
void SaveSettings(const AppSettings& from);
void SaveClockSettings(const AppSettings& from);
void SaveCountdownSettings(const AppSettings& from);
void SaveBillboardX(const AppSettings& from);
void SaveWeatherSettings(const AppSettings& from);
void SaveProxyCredentials(const AppSettings& from);
void SaveSoundFile(int figure, const char* path);
// Writes the rows of `groups` (SettingGroup bits) from `from`: the savers
// above and below are these for one group each.
void SaveSettingGroups(unsigned groups, const AppSettings& from);
// What a dragged object writes: its position and nothing else, so a value an
// open options page changed but has not applied is never stored by a drag.
void SaveClockPosition(const AppSettings& from);
void SaveCountdownPosition(const AppSettings& from);
void SaveWeatherPosition(const AppSettings& from);
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
void LoadSoundDevice(AppSettings& into);
// A secret sealed for the current Windows user (CryptProtectData): only that
// user on that machine opens it again. An empty text seals to nothing; false
// when the system cannot seal or open it. Wine 8 makes the key from the
// user's name alone (a seal opens in another prefix under the same name):
// there it only keeps the password from being read as text.
bool ProtectForUser(const std::string& text, std::string& sealed);
bool UnprotectForUser(const std::string& sealed, std::string& text);

// The connection rows (access type, proxy, port, proxy login). The program no
// longer calls it (a fetch copies them from the committed settings); it stays
// because its test rows are the ones that load string rows and a missing
// number with a non-zero default through a single group, as the banner
// font's loader does.
void LoadInternetSettings(AppSettings& into);
// Reads the banner text into text (size chars) and publishes the banner font
// into into.Banner* .
void LoadBannerSettings(AppSettings& into, char* text, int size);
// The banner font of the Banner* settings as a LOGFONT, and back.
LOGFONTA BannerLogFont(const AppSettings& s);
void SetBannerLogFont(AppSettings& s, const LOGFONTA& font);

// on: write the Run value "Desktop-Waylune" with the quoted program path; off: delete it.
void SetAutostart(int on, HINSTANCE instance);
// set: switches the screen saver on or off (`value`), 1. Else whether it is
// on with its file there; `file` (when given) gets that file's name as
// Windows keeps it (empty when none is chosen), cut to MAX_PATH - 1.
int ScreenSaverActive(int set, int value, std::string* file = nullptr);
int IsScreenSaverRunning();

// Tests point every registry access of this module at a private key instead
// of HKEY_CURRENT_USER while one of these lives; its end puts back the root
// there was before it (guards nest).
class ScopedSettingsRoot {
 public:
  explicit ScopedSettingsRoot(HKEY root);
  ~ScopedSettingsRoot();
  ScopedSettingsRoot(const ScopedSettingsRoot&) = delete;
  ScopedSettingsRoot& operator=(const ScopedSettingsRoot&) = delete;

 private:
  HKEY previous_;
};

inline constexpr char SETTINGS_KEY[] = "Software\\Kestrima\\Desktop\\DesktopWaylune";
inline constexpr char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char AUTOSTART_VALUE[] = "Desktop-Waylune";
