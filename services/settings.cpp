#include "services/settings.h"
#include "services/file_util.h"
#include "services/handles.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

AppSettings Settings;
std::atomic<int> SoundLoaded{0};
char DataFolder[MAX_PATH];
char ScreenSaverFile[MAX_PATH];

namespace {

LOGFONTA MakeFont(int height, int weight, const char* face) {
  LOGFONTA font = {};
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfPitchAndFamily = 0x20;  // FF_SWISS
  lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
  return font;
}

}  // namespace

const LOGFONTA BubbleFont = MakeFont(-10, 500, "Verdana");

namespace {

HKEY g_registryRoot = nullptr;  // null: HKEY_CURRENT_USER

HKEY Root() { return g_registryRoot ? g_registryRoot : HKEY_CURRENT_USER; }

// Values larger than this are corrupt for every setting and are ignored.
constexpr DWORD kMaxStringBytes = 1 << 20;

// A REG_DWORD of exactly four bytes; anything else counts as missing.
bool ReadInt(HKEY key, const char* name, int& out) {
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return false;
  out = static_cast<int>(value);
  return true;
}

// A string value, whole: the buffer is sized from the value, and data
// without a terminating zero ends at its stored size.
bool ReadText(HKEY key, const char* name, std::string& out) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxStringBytes) return false;
    std::vector<char> data(static_cast<size_t>(size) + 1, 0);
    DWORD got = size;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
    if (result == ERROR_MORE_DATA) continue;  // grew between the two calls
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || got > size) return false;
    data[got] = 0;
    out.assign(data.data());
    return true;
  }
  return false;
}

template <size_t N>
void ReadString(HKEY key, const char* name, SettingString<N>& field) {
  std::string text;
  if (ReadText(key, name, text)) field.Set(text.c_str());
}

void ReadInt(HKEY key, const char* name, SettingInt& field) {
  int value;
  if (ReadInt(key, name, value)) field = value;
}

// An integer list; only texts longer than minLength count. A text that
// counts clears the whole list before its numbers are stored.
template <size_t N>
void ReadList(HKEY key, const char* name, SettingList<N>& list, size_t minLength = 0) {
  std::string text;
  if (!ReadText(key, name, text) || text.size() <= minLength) return;
  int values[N];
  ParseIntList(text.c_str(), values, static_cast<int>(N));
  for (size_t i = 0; i < N; ++i) list[i] = values[i];
}

void WriteInt(HKEY key, const char* name, int value) {
  DWORD data = static_cast<DWORD>(value);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

// Stored with its terminating zero.
void WriteText(HKEY key, const char* name, const char* text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
}

template <size_t N>
void WriteString(HKEY key, const char* name, const SettingString<N>& field) {
  WriteText(key, name, field.Get().c_str());
}

template <size_t N>
std::vector<int> Values(const SettingList<N>& list) {
  std::vector<int> values(N);
  for (size_t i = 0; i < N; ++i) values[i] = list[i];
  return values;
}

template <size_t N>
void WriteList(HKEY key, const char* name, const SettingList<N>& list) {
  std::vector<int> values = Values(list);
  WriteText(key, name, FormatIntList(values.data(), static_cast<int>(N)).c_str());
}

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// Copies of whole fields, used to stage a load and to publish it.
void CopyField(SettingInt& to, const SettingInt& from) { to = from.Get(); }

template <size_t N>
void CopyField(SettingString<N>& to, const SettingString<N>& from) {
  char text[N];
  from.CopyTo(text, N);
  to.Set(text);
}

template <class T, size_t N>
void CopyField(std::array<T, N>& to, const std::array<T, N>& from) {
  for (size_t i = 0; i < N; ++i) CopyField(to[i], from[i]);
}

// Settings without a default keep the value they had before a load.
#define WAYLUNE_KEPT_SETTINGS(X) X(Autostart) X(CountdownSoundFile) X(TextFName)

#define WAYLUNE_DEFAULTED_SETTINGS(X)                                                                        \
  X(Speed) X(Pause) X(DebugOn) X(DebugFileName) X(AppPath) X(FigDeactive) X(HG) X(HGversatz) X(HGNotDA)     \
  X(ShowWallpaper) X(WallpaperPic) X(WallpaperPath) X(Sound) X(SNDvolume) X(SoundOpt) X(Clock)              \
  X(ClockOnTop) X(ClockPos) X(ClockNotDA) X(Countdown) X(CountdownOnTop) X(CountdownStop00)                 \
  X(CountdownPlaySound) X(CountdownShowMsg) X(CountdownPos) X(CountdownNotDA) X(CountdownDate) X(NoWinamp)  \
  X(WinampExe) X(BillboardX) X(Billboard) X(BillboardNotDA) X(Calendar) X(Feiertage) X(BMPpath) X(TXTpath)  \
  X(TextFHeight) X(TextFWeight) X(TextFItalic) X(KeinFlugzeug) X(Weather) X(METAR) X(WeatherCountry)        \
  X(WeatherStation) X(WeatherX) X(WeatherOnTop) X(WeatherNotDA) X(FabianDat) X(FabianName) X(RecycleBin)    \
  X(DontEmptyRecycleBin) X(SndDevice) X(AccessType) X(FTPPortNumber) X(Proxy) X(ProxyUser)                  \
  X(ProxyPasswort) X(NoStart) X(NoStartCount) X(Banner) X(BannerFHeight) X(BannerFWeight) X(BannerFItalic) \
  X(BannerFName) X(FirstDayOfWeek) X(DateSeparator) X(DateOrder) X(Clock24h)

#define WAYLUNE_COPY_FIELD(name) CopyField(to.name, from.name);

void CopyKept(AppSettings& to, const AppSettings& from) { WAYLUNE_KEPT_SETTINGS(WAYLUNE_COPY_FIELD) }

void CopyAll(AppSettings& to, const AppSettings& from) {
  WAYLUNE_KEPT_SETTINGS(WAYLUNE_COPY_FIELD)
  WAYLUNE_DEFAULTED_SETTINGS(WAYLUNE_COPY_FIELD)
}

#undef WAYLUNE_COPY_FIELD

// Banner values as LoadBannerSettings reads them.
struct BannerValues {
  std::string text;
  int height = -18;
  int weight = 700;
  int italic = 0;
  std::string face = "Verdana";
};

BannerValues ReadBanner() {
  BannerValues banner;
  const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ);
  if (!key) {
    banner.text = "...";  // the settings key does not exist yet
    return banner;
  }
  if (!ReadText(key.get(), "Banner", banner.text)) banner.text = "!!?";
  int value;
  if (ReadInt(key.get(), "BannerFHeight", value) && value >= -49 && value <= -11) banner.height = value;
  if (ReadInt(key.get(), "BannerFWeight", value) && value != 0) banner.weight = value;
  if (ReadInt(key.get(), "BannerFItalic", value) && value != 0) banner.italic = 1;
  std::string face;
  if (ReadText(key.get(), "BannerFName", face)) banner.face = face;
  return banner;
}

void ApplyBanner(AppSettings& to, const BannerValues& banner) {
  to.BannerFHeight = banner.height;
  to.BannerFWeight = banner.weight;
  to.BannerFItalic = banner.italic;
  to.BannerFName.Set(banner.face.c_str());
}

// A decimal number of at most 7 characters, as the regional values hold them.
int ParseRegionalNumber(const std::string& text) {
  return std::atoi(text.substr(0, 7).c_str());
}

void ReadRegionalValues(AppSettings& s) {
  const OwnedKey key = OpenRegistryKey(Root(), "Control Panel\\International", KEY_READ);
  if (key) {
    std::string text;
    if (ReadText(key.get(), "iFirstDayOfWeek", text)) s.FirstDayOfWeek = ParseRegionalNumber(text);
    if (ReadText(key.get(), "sDate", text)) s.DateSeparator.Set(text.c_str());
    if (ReadText(key.get(), "iDate", text)) s.DateOrder = ParseRegionalNumber(text);
    if (ReadText(key.get(), "iTime", text)) s.Clock24h = ParseRegionalNumber(text);
  }
  if (s.DateSeparator.Length() == 0) {
    s.DateOrder = static_cast<int>(GetProfileIntA("intl", "iDate", 1));
    char separator[2] = {};
    GetProfileStringA("intl", "sDate", ".", separator, sizeof separator);
    s.DateSeparator.Set(separator);
    s.Clock24h = static_cast<int>(GetProfileIntA("intl", "iTime", 1));
  }
}

void ReadSettingsKey(AppSettings& s) {
  const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ);
  if (!key) return;
  HKEY k = key.get();
  int value;
  ReadInt(k, "Speed", s.Speed);
  ReadInt(k, "Pause", s.Pause);
  ReadInt(k, "Autostart", s.Autostart);
  ReadInt(k, "DebugOn", s.DebugOn);
  ReadString(k, "DebugFileName", s.DebugFileName);
  ReadString(k, "AppPath", s.AppPath);
  ReadList(k, "FigDeactive", s.FigDeactive);
  if (ReadInt(k, "HG", value)) s.HG = (value < 0 || value > 6) ? 1 : value;
  ReadList(k, "HGversatz", s.HGversatz);
  ReadInt(k, "HGNotDA", s.HGNotDA);
  if (ReadInt(k, "ShowWallpaper", value)) s.ShowWallpaper = (value < 0 || value > 2) ? 0 : value;
  ReadString(k, "WallpaperPic", s.WallpaperPic);
  ReadString(k, "WallpaperPath", s.WallpaperPath);
  ReadInt(k, "Sound", s.Sound);
  if (ReadInt(k, "SNDvolume", value)) s.SNDvolume = (value < 0 || value > 1000) ? 1000 : value;
  ReadList(k, "SoundOpt", s.SoundOpt, 4);
  if (ReadInt(k, "Clock", value)) s.Clock = (value < 0 || value > 4) ? 1 : value;
  ReadInt(k, "ClockOnTop", s.ClockOnTop);
  ReadList(k, "ClockPos", s.ClockPos, 4);
  ReadInt(k, "ClockNotDA", s.ClockNotDA);
  if (ReadInt(k, "Countdown", value)) s.Countdown = (value < 0 || value > 4) ? 1 : value;
  ReadInt(k, "CountdownOnTop", s.CountdownOnTop);
  ReadInt(k, "CountdownStop00", s.CountdownStop00);
  ReadInt(k, "CountdownPlaySound", s.CountdownPlaySound);
  ReadInt(k, "CountdownShowMsg", s.CountdownShowMsg);
  ReadString(k, "CountdownSoundFile", s.CountdownSoundFile);
  ReadList(k, "CountdownPos", s.CountdownPos, 4);
  ReadInt(k, "CountdownNotDA", s.CountdownNotDA);
  ReadList(k, "CountdownDate", s.CountdownDate, 10);
  ReadInt(k, "NoWinamp", s.NoWinamp);
  ReadString(k, "WinampExe", s.WinampExe);
  ReadInt(k, "BillboardX", s.BillboardX);
  ReadInt(k, "Billboard", s.Billboard);
  ReadInt(k, "BillboardNotDA", s.BillboardNotDA);
  ReadInt(k, "Calendar", s.Calendar);
  // The region indexes the holiday tables: an unknown code means none.
  if (ReadInt(k, "Feiertage", value)) s.Feiertage = (value < 0 || value > 18) ? 0 : value;
  ReadString(k, "BMPpath", s.BMPpath);
  ReadString(k, "TXTpath", s.TXTpath);
  if (ReadInt(k, "TextFHeight", value) && value >= -48 && value <= -6) s.TextFHeight = value;
  if (ReadInt(k, "TextFWeight", value) && value != 0) s.TextFWeight = value;
  if (ReadInt(k, "TextFItalic", value) && value != 0) s.TextFItalic = 1;
  ReadString(k, "TextFName", s.TextFName);
  ReadInt(k, "KeinFlugzeug", s.KeinFlugzeug);
  ReadList(k, "Weather", s.Weather);
  ReadString(k, "METAR", s.METAR);
  ReadString(k, "WeatherCountry", s.WeatherCountry);
  ReadString(k, "WeatherStation", s.WeatherStation);
  ReadInt(k, "WeatherX", s.WeatherX);
  ReadInt(k, "WeatherOnTop", s.WeatherOnTop);
  ReadInt(k, "WeatherNotDA", s.WeatherNotDA);
  ReadString(k, "FabianDat", s.FabianDat);
  ReadInt(k, "FabianName", s.FabianName);
  ReadInt(k, "RecycleBin", s.RecycleBin);
  ReadInt(k, "DontEmptyRecycleBin", s.DontEmptyRecycleBin);
  int count = 0;
  for (int i = 0; i < kExclusionTitles; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "NoStart%02d", i);
    std::string title;
    if (ReadText(k, name, title)) s.NoStart[count++].Set(title.c_str());
  }
  s.NoStartCount = count;
  ReadInt(k, "SndDevice", s.SndDevice);
  ReadInt(k, "AccessType", s.AccessType);
  ReadInt(k, "FTPPortNumber", s.FTPPortNumber);
  ReadString(k, "Proxy", s.Proxy);
  ReadString(k, "ProxyUser", s.ProxyUser);
  ReadString(k, "ProxyPasswort", s.ProxyPasswort);
}

void WriteSettingText(const char* name, const char* text) {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (key) WriteText(key.get(), name, text);
}

// Winamp's own program, when the stored one is missing: its install folder
// from HKCU\Software\Winamp joined with "winamp.exe".
void FindWinamp(AppSettings& s) {
  std::string exe = s.WinampExe.Get();
  if (exe.size() > 8 && !FileExists(exe.c_str())) {
    s.WinampExe.Set("");
    exe.clear();
  }
  if (exe.size() >= 8 || s.NoWinamp) return;
  const OwnedKey key = OpenRegistryKey(Root(), "Software\\Winamp", KEY_READ);
  std::string folder;
  if (!key || !ReadText(key.get(), nullptr, folder) || folder.size() <= 3) return;
  if (folder.back() != '\\') folder += '\\';
  folder += "winamp.exe";
  if (folder.size() >= MAX_PATH || !FileExists(folder.c_str())) {
    s.WinampExe.Set("");
    return;
  }
  s.WinampExe.Set(folder.c_str());
  WriteSettingText("WinampExe", folder.c_str());
}

// Creates %APPDATA%\Kestrima and the program's data folder in it; fills the
// default birthday file and wallpaper folder. Returns the last creation's result.
int MakeFolders(AppSettings& s) {
  char appData[MAX_PATH];
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData))) return 0;
  char kestrima[MAX_PATH];
  char data[MAX_PATH];
  if (std::snprintf(kestrima, sizeof kestrima, "%s\\Kestrima", appData) >= static_cast<int>(sizeof kestrima) ||
      std::snprintf(data, sizeof data, "%s\\Waylune Desktop", kestrima) >= static_cast<int>(sizeof data))
    return 0;
  int result = 0;
  if (s.FabianDat.Length() < 3) {
    CreateDirectoryA(kestrima, nullptr);
    char path[MAX_PATH];
    if (std::snprintf(path, sizeof path, "%s\\fabian.dat", kestrima) < static_cast<int>(sizeof path)) {
      s.FabianDat.Set(path);
      WriteSettingText("FabianDat", path);
    }
  }
  if (s.WallpaperPath.Length() < 3) {
    CreateDirectoryA(kestrima, nullptr);
    CreateDirectoryA(data, nullptr);
    s.WallpaperPath.Set(data);
    WriteSettingText("WallpaperPath", data);
  }
  CreateDirectoryA(kestrima, nullptr);
  result = CreateDirectoryA(data, nullptr);
  if (std::strcmp(DataFolder, data) != 0) lstrcpynA(DataFolder, data, MAX_PATH);
  return result;
}

template <size_t N>
std::string NonZeroList(const SettingList<N>& list) {
  std::string text;
  for (size_t i = 0; i < N; ++i) {
    int v = list[i];
    if (!v) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(v);
  }
  return text + " ";
}

// A path setting, stored as a single blank when shorter than two characters.
template <size_t N>
void WriteFolderPattern(HKEY key, const char* name, const SettingString<N>& field) {
  std::string text = field.Get();
  WriteText(key, name, text.size() < 2 ? " " : text.c_str());
}

}  // namespace

void SetSettingsRegistryRootForTests(HKEY root) { g_registryRoot = root; }

int LoadSettings() {
  // Staged in a private copy, published at the end: threads reading the live
  // settings never see the defaults of a load in progress.
  auto staged = std::make_unique<AppSettings>();
  CopyKept(*staged, Settings);

  ReadSettingsKey(*staged);
  staged->Speed = Clamp(staged->Speed, 20, 140);
  staged->Pause = Clamp(staged->Pause, 100, 64000);
  ReadRegionalValues(*staged);

  BannerValues banner = ReadBanner();
  ApplyBanner(*staged, banner);
  staged->Banner.Set(banner.text.c_str());

  FindWinamp(*staged);
  int result = MakeFolders(*staged);

  CopyAll(Settings, *staged);
  return result;
}

void SaveSettings() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (!key) return;
  HKEY k = key.get();
  const AppSettings& s = Settings;
  WriteInt(k, "Autostart", s.Autostart);
  WriteInt(k, "Speed", s.Speed);
  WriteInt(k, "Pause", s.Pause);
  WriteText(k, "FigDeactive", NonZeroList(s.FigDeactive).c_str());
  WriteInt(k, "SndDevice", s.SndDevice);
  WriteInt(k, "Sound", s.Sound);
  WriteList(k, "SoundOpt", s.SoundOpt);
  WriteInt(k, "SNDvolume", s.SNDvolume);
  WriteInt(k, "HG", s.HG);
  WriteInt(k, "HGNotDA", s.HGNotDA);
  WriteString(k, "WallpaperPic", s.WallpaperPic);
  WriteInt(k, "ShowWallpaper", s.ShowWallpaper);
  std::vector<int> offsets = Values(s.HGversatz);
  offsets[0] = 0;  // picture 0 is "no strip" and has no offset
  WriteText(k, "HGversatz", FormatIntList(offsets.data(), kStripPictures).c_str());
  WriteInt(k, "Clock", s.Clock);
  WriteInt(k, "ClockOnTop", s.ClockOnTop);
  WriteInt(k, "ClockNotDA", s.ClockNotDA);
  WriteList(k, "ClockPos", s.ClockPos);
  WriteInt(k, "RecycleBin", s.RecycleBin);
  WriteInt(k, "NoWinamp", s.NoWinamp);
  std::string winamp = s.WinampExe.Get();
  if (winamp.size() > 8 && FileExists(winamp.c_str())) WriteText(k, "WinampExe", winamp.c_str());
  WriteInt(k, "FabianName", s.FabianName);
  WriteInt(k, "KeinFlugzeug", s.KeinFlugzeug);
  std::string banner = s.Banner.Get();
  WriteText(k, "Banner", banner.empty() ? " " : banner.c_str());
  WriteInt(k, "BannerFHeight", s.BannerFHeight);
  WriteInt(k, "BannerFWeight", s.BannerFWeight);
  WriteInt(k, "BannerFItalic", s.BannerFItalic);
  WriteString(k, "BannerFName", s.BannerFName);
  WriteInt(k, "Billboard", s.Billboard);
  WriteInt(k, "Calendar", s.Calendar);
  WriteInt(k, "BillboardNotDA", s.BillboardNotDA);
  WriteInt(k, "Feiertage", s.Feiertage);
  WriteFolderPattern(k, "BMPpath", s.BMPpath);
  WriteFolderPattern(k, "TXTpath", s.TXTpath);
  WriteInt(k, "TextFHeight", s.TextFHeight);
  WriteInt(k, "TextFWeight", s.TextFWeight);
  WriteInt(k, "TextFItalic", s.TextFItalic);
  WriteString(k, "TextFName", s.TextFName);
  SaveCountdownSettings();
}

void SaveClockSettings() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (!key) return;
  WriteInt(key.get(), "Clock", Settings.Clock);
  WriteInt(key.get(), "ClockOnTop", Settings.ClockOnTop);
  WriteList(key.get(), "ClockPos", Settings.ClockPos);
  WriteInt(key.get(), "ClockNotDA", Settings.ClockNotDA);
}

void SaveCountdownSettings() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (!key) return;
  HKEY k = key.get();
  const AppSettings& s = Settings;
  WriteInt(k, "Countdown", s.Countdown);
  WriteInt(k, "CountdownOnTop", s.CountdownOnTop);
  WriteInt(k, "CountdownStop00", s.CountdownStop00);
  WriteInt(k, "CountdownPlaySound", s.CountdownPlaySound);
  WriteInt(k, "CountdownShowMsg", s.CountdownShowMsg);
  WriteInt(k, "CountdownNotDA", s.CountdownNotDA);
  WriteString(k, "CountdownSoundFile", s.CountdownSoundFile);
  WriteList(k, "CountdownPos", s.CountdownPos);
  WriteList(k, "CountdownDate", s.CountdownDate);
}

void SaveBillboardX() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (key) WriteInt(key.get(), "BillboardX", Settings.BillboardX);
}

void SaveWeatherSettings() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (!key) return;
  HKEY k = key.get();
  const AppSettings& s = Settings;
  std::vector<int> weather = Values(s.Weather);
  weather[0] = weather[0] > 0 ? 1 : 0;
  weather[2] = weather[2] != 0 ? 1 : 0;
  WriteText(k, "Weather", FormatIntList(weather.data(), static_cast<int>(weather.size())).c_str());
  WriteString(k, "METAR", s.METAR);
  WriteString(k, "WeatherCountry", s.WeatherCountry);
  WriteString(k, "WeatherStation", s.WeatherStation);
  WriteInt(k, "AccessType", s.AccessType);
  WriteString(k, "Proxy", s.Proxy);
  WriteInt(k, "FTPPortNumber", s.FTPPortNumber);
  WriteInt(k, "WeatherX", s.WeatherX);
  WriteInt(k, "WeatherOnTop", s.WeatherOnTop);
  WriteInt(k, "WeatherNotDA", s.WeatherNotDA);
}

void SaveProxyCredentials() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (!key) return;
  WriteString(key.get(), "ProxyUser", Settings.ProxyUser);
  WriteString(key.get(), "ProxyPasswort", Settings.ProxyPasswort);
}

void SaveClockPosition() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (key) WriteList(key.get(), "ClockPos", Settings.ClockPos);
}

void SaveCountdownPosition() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (key) WriteList(key.get(), "CountdownPos", Settings.CountdownPos);
}

void SaveWeatherPosition() {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (key) WriteInt(key.get(), "WeatherX", Settings.WeatherX);
}

void WriteSettingString(const char* name, const char* text) { WriteSettingText(name, text); }

bool ReadSettingString(const char* name, std::string& out) {
  const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ);
  return key && ReadText(key.get(), name, out);
}

void SaveSoundFile(int figure, const char* path) {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (!key) return;
  char name[16];
  std::snprintf(name, sizeof name, "SF_%03d", figure);
  WriteText(key.get(), name, (path && std::strlen(path) >= 3) ? path : " ");
}

int GetFigureSoundFile(int figure, char* out, size_t size) {
  if (!out || size == 0) return 0;
  const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ);
  if (!key) return 0;
  char name[16];
  std::snprintf(name, sizeof name, "SF_%03d", figure);
  std::string path;
  bool read = ReadText(key.get(), name, path);
  lstrcpynA(out, (read && path.size() >= 3) ? path.c_str() : " ", static_cast<int>(size));
  return read ? 1 : 0;
}

void LoadSoundDevice() {
  int device = -1;
  const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ);
  if (key) ReadInt(key.get(), "SndDevice", device);
  Settings.SndDevice = device;
}

void LoadInternetSettings() {
  int port = 21;
  int access = 0;
  std::string proxy, user, password;
  const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ);
  if (key) {
    ReadInt(key.get(), "FTPPortNumber", port);
    ReadInt(key.get(), "AccessType", access);
    ReadText(key.get(), "Proxy", proxy);
    ReadText(key.get(), "ProxyUser", user);
    ReadText(key.get(), "ProxyPasswort", password);
  }
  Settings.FTPPortNumber = port;
  Settings.AccessType = access;
  Settings.Proxy.Set(proxy.c_str());
  Settings.ProxyUser.Set(user.c_str());
  Settings.ProxyPasswort.Set(password.c_str());
}

void LoadBannerSettings(char* text, int size) {
  BannerValues banner = ReadBanner();
  ApplyBanner(Settings, banner);
  if (text && size > 0) lstrcpynA(text, banner.text.c_str(), size);
}

LOGFONTA BannerLogFont() {
  LOGFONTA font = MakeFont(Settings.BannerFHeight, Settings.BannerFWeight, "");
  font.lfItalic = Settings.BannerFItalic ? 1 : 0;
  font.lfQuality = ANTIALIASED_QUALITY;
  Settings.BannerFName.CopyTo(font.lfFaceName, LF_FACESIZE);
  return font;
}

void SetBannerLogFont(const LOGFONTA& font) {
  Settings.BannerFHeight = font.lfHeight;
  Settings.BannerFWeight = font.lfWeight;
  Settings.BannerFItalic = font.lfItalic ? 1 : 0;
  char face[LF_FACESIZE];
  lstrcpynA(face, font.lfFaceName, LF_FACESIZE);
  Settings.BannerFName.Set(face);
}

void SetAutostart(int on, HINSTANCE instance) {
  const OwnedKey key = CreateRegistryKey(Root(), RUN_KEY, KEY_SET_VALUE);
  if (!key) return;
  if (on) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      // Quoted so a path with blanks starts the right program; stored with its zero.
      char quoted[MAX_PATH + 2];
      std::snprintf(quoted, sizeof quoted, "\"%s\"", path);
      WriteText(key.get(), AUTOSTART_VALUE, quoted);
    }
  } else {
    RegDeleteValueA(key.get(), AUTOSTART_VALUE);
  }
}

int ScreenSaverActive(int set, int value) {
  if (set) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, value, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    return 1;
  }
  ScreenSaverFile[0] = 0;
  const OwnedKey key = OpenRegistryKey(Root(), "Control Panel\\Desktop", KEY_READ);
  std::string file;
  if (key && ReadText(key.get(), "SCRNSAVE.EXE", file)) lstrcpynA(ScreenSaverFile, file.c_str(), MAX_PATH);
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  if (!FileExists(ScreenSaverFile)) return 0;
  return active ? 1 : 0;
}

int IsScreenSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running ? 1 : 0;
}
