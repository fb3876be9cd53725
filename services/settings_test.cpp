// Round trips of the settings store through the real registry (Wine's), in a
// private key per test so parallel programs never see each other's values.
#include "services/settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

void DeleteTree(HKEY parent, const char* path) {
  HKEY key;
  if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    char name[256];
    DWORD size = sizeof name;
    while (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      DeleteTree(key, name);
      size = sizeof name;
    }
    RegCloseKey(key);
  }
  RegDeleteKeyA(parent, path);
}

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    std::snprintf(rootPath_, sizeof rootPath_, "Software\\WayluneTests\\settings_%lu_%lu", GetCurrentProcessId(),
                  GetTickCount());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, rootPath_, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_,
                              nullptr),
              ERROR_SUCCESS);
    SetSettingsRegistryRootForTests(root_);
  }
  void TearDown() override {
    SetSettingsRegistryRootForTests(nullptr);
    for (auto& [path, key] : keys_) RegCloseKey(key);
    keys_.clear();
    RegCloseKey(root_);
    DeleteTree(HKEY_CURRENT_USER, rootPath_);
  }

  HKEY Key(const char* path = SETTINGS_KEY) {
    HKEY& key = keys_[path];
    if (!key) RegCreateKeyExA(root_, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
  }
  void SetInt(const char* name, int value) {
    DWORD data = static_cast<DWORD>(value);
    RegSetValueExA(Key(), name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&data), sizeof data);
  }
  void SetRaw(const char* name, DWORD type, const void* data, DWORD size, const char* path = SETTINGS_KEY) {
    ASSERT_EQ(RegSetValueExA(Key(path), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  }
  void SetText(const char* name, const std::string& text, const char* path = SETTINGS_KEY) {
    SetRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1), path);
  }
  // The stored bytes of a value (empty when missing).
  std::string Stored(const char* name, DWORD* type = nullptr, const char* path = SETTINGS_KEY) {
    DWORD kind = 0;
    DWORD size = 0;
    if (RegQueryValueExA(Key(path), name, nullptr, &kind, nullptr, &size) != ERROR_SUCCESS) return "<missing>";
    std::string data(size, '\0');
    RegQueryValueExA(Key(path), name, nullptr, &kind, reinterpret_cast<BYTE*>(data.data()), &size);
    data.resize(size);
    if (type) *type = kind;
    return data;
  }
  std::string StoredText(const char* name) {
    std::string data = Stored(name);
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
  }
  int StoredInt(const char* name) {
    DWORD type = 0;
    std::string data = Stored(name, &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
    int value = 0;
    if (data.size() == 4) std::memcpy(&value, data.data(), 4);
    return value;
  }

  char rootPath_[128] = {};
  HKEY root_ = nullptr;
  std::map<std::string, HKEY> keys_;
};

template <size_t N>
std::vector<int> List(const SettingList<N>& list) {
  std::vector<int> values;
  for (const SettingInt& v : list) values.push_back(v);
  return values;
}

template <size_t N>
void Fill(SettingList<N>& list, int value) {
  for (SettingInt& v : list) v = value;
}

std::string LongPath(size_t length) {
  std::string path = "C:\\";
  while (path.size() < length) path += (path.size() % 20 == 19) ? '\\' : static_cast<char>('a' + path.size() % 26);
  path.resize(length);
  return path;
}

}  // namespace

TEST_F(SettingsStore, NoKeyGivesDefaultsAndMakesFolders) {
  Settings.Speed = 99;
  Settings.Clock = 3;
  LoadSettings();
  EXPECT_EQ(Settings.Speed, 50);
  EXPECT_EQ(Settings.Pause, 100);
  EXPECT_EQ(Settings.HG, 1);
  EXPECT_EQ(Settings.Clock, 1);
  EXPECT_EQ(Settings.Sound, 1);
  EXPECT_EQ(Settings.SNDvolume, 1000);
  EXPECT_EQ(Settings.SndDevice, -1);
  EXPECT_EQ(Settings.FTPPortNumber, 21);
  EXPECT_EQ(Settings.BillboardX, 250);
  EXPECT_EQ(Settings.WeatherX, 500);
  EXPECT_EQ(Settings.TextFHeight, -10);
  EXPECT_EQ(Settings.TextFWeight, 500);
  EXPECT_EQ(Settings.DebugFileName.Get(), "C:\\ORROWIN.LOG");
  EXPECT_EQ(List(Settings.SoundOpt), std::vector<int>(10, 1));
  EXPECT_EQ(List(Settings.ClockPos), (std::vector<int>{50, 15, 50, 15, 50, 15, 50, 15}));
  EXPECT_EQ(List(Settings.CountdownPos), (std::vector<int>{50, 400, 50, 400, 50, 400, 50, 400}));
  EXPECT_EQ(List(Settings.Weather), (std::vector<int>{0, 60, 0, 0, 0, 0}));
  EXPECT_EQ(List(Settings.FigDeactive), std::vector<int>(99, 0));
  EXPECT_EQ(Settings.NoStartCount, 0);
  // No key at all: the banner is the "key missing" placeholder in the default font.
  EXPECT_EQ(Settings.Banner.Get(), "...");
  EXPECT_EQ(Settings.BannerFHeight, -18);
  EXPECT_EQ(Settings.BannerFWeight, 700);
  EXPECT_EQ(Settings.BannerFName.Get(), "Verdana");

  // The birthday file and wallpaper folder were made and written back.
  std::string fabian = Settings.FabianDat.Get();
  std::string wallpaper = Settings.WallpaperPath.Get();
  EXPECT_NE(fabian.find("\\Kestrima\\fabian.dat"), std::string::npos) << fabian;
  EXPECT_NE(wallpaper.find("\\Kestrima\\Waylune Desktop"), std::string::npos) << wallpaper;
  EXPECT_EQ(StoredText("FabianDat"), fabian);
  EXPECT_EQ(StoredText("WallpaperPath"), wallpaper);
  EXPECT_EQ(std::string(DataFolder), wallpaper);
  DWORD attributes = GetFileAttributesA(DataFolder);
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST_F(SettingsStore, ClampsAndReplacements) {
  struct Case {
    const char* name;
    int stored;
    const SettingInt& field;
    int expected;
  } cases[] = {
      {"Speed", 5, Settings.Speed, 20},          {"Speed", 500, Settings.Speed, 140},
      {"Speed", 77, Settings.Speed, 77},         {"Pause", 50, Settings.Pause, 100},
      {"Pause", 70000, Settings.Pause, 64000},   {"HG", 7, Settings.HG, 1},
      {"HG", -1, Settings.HG, 1},                {"HG", 0, Settings.HG, 0},
      {"Clock", 9, Settings.Clock, 1},           {"Clock", 0, Settings.Clock, 0},
      {"Countdown", 5, Settings.Countdown, 1},   {"ShowWallpaper", 3, Settings.ShowWallpaper, 0},
      {"ShowWallpaper", 2, Settings.ShowWallpaper, 2},
      {"SNDvolume", 2000, Settings.SNDvolume, 1000},
      {"SNDvolume", -1, Settings.SNDvolume, 1000},
      {"SNDvolume", 250, Settings.SNDvolume, 250},
      {"TextFHeight", -60, Settings.TextFHeight, -10},
      {"TextFHeight", -5, Settings.TextFHeight, -10},
      {"TextFHeight", -48, Settings.TextFHeight, -48},
      {"TextFWeight", 0, Settings.TextFWeight, 500},
      {"TextFWeight", 700, Settings.TextFWeight, 700},
      {"TextFItalic", 5, Settings.TextFItalic, 1},
      {"BannerFHeight", -10, Settings.BannerFHeight, -18},
      {"BannerFHeight", -50, Settings.BannerFHeight, -18},
      {"BannerFHeight", -49, Settings.BannerFHeight, -49},
      {"BannerFWeight", 0, Settings.BannerFWeight, 700},
      {"BannerFItalic", 3, Settings.BannerFItalic, 1},
      {"Feiertage", 18, Settings.Feiertage, 18},
      {"Feiertage", 19, Settings.Feiertage, 0},
      {"FTPPortNumber", 0, Settings.FTPPortNumber, 0},  // no range check
  };
  for (const Case& c : cases) {
    SetInt(c.name, c.stored);
    LoadSettings();
    EXPECT_EQ(c.field.Get(), c.expected) << c.name << " stored as " << c.stored;
    RegDeleteValueA(Key(), c.name);
  }
}

TEST_F(SettingsStore, IntegerListsAndTheirLengthRules) {
  SetText("ClockPos", "1,2");  // four characters or fewer: ignored
  SetText("CountdownPos", "10,20,30");
  SetText("SoundOpt", "1,0,1");  // longer than four: read, the rest becomes 0
  SetText("CountdownDate", "2024,12,24");  // exactly ten: ignored
  SetText("HGversatz", "5;7 9,-3");
  SetText("Weather", "1");
  LoadSettings();
  EXPECT_EQ(List(Settings.ClockPos), (std::vector<int>{50, 15, 50, 15, 50, 15, 50, 15}));
  EXPECT_EQ(List(Settings.CountdownPos), (std::vector<int>{10, 20, 30, 0, 0, 0, 0, 0}));
  EXPECT_EQ(List(Settings.SoundOpt), (std::vector<int>{1, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(List(Settings.CountdownDate), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(List(Settings.HGversatz), (std::vector<int>{5, 7, 9, -3, 0, 0, 0}));
  EXPECT_EQ(List(Settings.Weather), (std::vector<int>{1, 0, 0, 0, 0, 0}));

  SetText("CountdownDate", "2024,12,24,18,30");
  SetText("FigDeactive", "0,12,0,15");
  LoadSettings();
  EXPECT_EQ(List(Settings.CountdownDate), (std::vector<int>{2024, 12, 24, 18, 30}));
  // Written back as the non-zero entries and one blank.
  SaveSettings();
  EXPECT_EQ(StoredText("FigDeactive"), "12,15 ");
  Fill(Settings.FigDeactive, 0);
  SaveSettings();
  EXPECT_EQ(StoredText("FigDeactive"), " ");
  LoadSettings();
  EXPECT_EQ(List(Settings.FigDeactive), std::vector<int>(99, 0));
}

TEST_F(SettingsStore, GeneralSaverRoundTrip) {
  LoadSettings();
  Settings.Autostart = 1;
  Settings.Speed = 33;
  Settings.Pause = 4000;
  Settings.FigDeactive[0] = 24;
  Settings.FigDeactive[5] = 91;
  Settings.SndDevice = 3;
  Settings.Sound = 0;
  for (int i = 0; i < kSoundOptions; ++i) Settings.SoundOpt[i] = i;
  Settings.SNDvolume = 420;
  Settings.HG = 4;
  Settings.HGNotDA = 0;
  Settings.WallpaperPic.Set("C:\\Bilder\\Urlaub.jpg");
  Settings.ShowWallpaper = 2;
  for (int i = 0; i < kStripPictures; ++i) Settings.HGversatz[i] = 100 + i;
  Settings.Clock = 3;
  Settings.ClockOnTop = 1;
  Settings.ClockNotDA = 0;
  for (int i = 0; i < 8; ++i) Settings.ClockPos[i] = 10 * i;
  Settings.RecycleBin = 0;
  Settings.NoWinamp = 1;
  Settings.FabianName = 1;
  Settings.KeinFlugzeug = 1;
  Settings.Banner.Set("Alles Gute!");
  Settings.BannerFHeight = -24;
  Settings.BannerFWeight = 400;
  Settings.BannerFItalic = 1;
  Settings.BannerFName.Set("Arial");
  Settings.Billboard = 0;
  Settings.Calendar = 1;
  Settings.BillboardNotDA = 0;
  Settings.Feiertage = 17;
  Settings.BMPpath.Set("C:\\Bilder\\*.*");
  Settings.TXTpath.Set("");
  Settings.TextFHeight = -12;
  Settings.TextFWeight = 800;
  Settings.TextFItalic = 1;
  Settings.TextFName.Set("Courier New");
  Settings.Countdown = 2;
  Settings.CountdownSoundFile.Set("C:\\Musik\\gong.mp3");
  SaveSettings();

  EXPECT_EQ(StoredText("HGversatz"), "0,101,102,103,104,105,106");  // entry 0 written as 0
  EXPECT_EQ(StoredText("TXTpath"), " ");
  EXPECT_EQ(StoredText("FigDeactive"), "24,91 ");
  EXPECT_EQ(StoredInt("Speed"), 33);
  EXPECT_EQ(Stored("WinampExe"), "<missing>");  // only an existing program is written
  std::string banner = Stored("Banner");
  EXPECT_EQ(banner, std::string("Alles Gute!") + '\0');  // with its terminating zero

  // Scribble over memory, then load it back.
  Settings.Speed = 50;
  Settings.Autostart = 0;
  Fill(Settings.FigDeactive, 0);
  Fill(Settings.SoundOpt, 1);
  Settings.WallpaperPic.Set("");
  Settings.Banner.Set("");
  Settings.TextFName.Set("");
  Settings.CountdownSoundFile.Set("");
  LoadSettings();
  EXPECT_EQ(Settings.Autostart, 1);
  EXPECT_EQ(Settings.Speed, 33);
  EXPECT_EQ(Settings.Pause, 4000);
  EXPECT_EQ(Settings.FigDeactive[0], 24);
  EXPECT_EQ(Settings.FigDeactive[1], 91);
  EXPECT_EQ(Settings.SndDevice, 3);
  EXPECT_EQ(Settings.Sound, 0);
  EXPECT_EQ(List(Settings.SoundOpt), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Settings.SNDvolume, 420);
  EXPECT_EQ(Settings.HG, 4);
  EXPECT_EQ(Settings.HGNotDA, 0);
  EXPECT_EQ(Settings.WallpaperPic.Get(), "C:\\Bilder\\Urlaub.jpg");
  EXPECT_EQ(Settings.ShowWallpaper, 2);
  EXPECT_EQ(List(Settings.HGversatz), (std::vector<int>{0, 101, 102, 103, 104, 105, 106}));
  EXPECT_EQ(Settings.Clock, 3);
  EXPECT_EQ(Settings.ClockOnTop, 1);
  EXPECT_EQ(Settings.ClockNotDA, 0);
  EXPECT_EQ(List(Settings.ClockPos), (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70}));
  EXPECT_EQ(Settings.RecycleBin, 0);
  EXPECT_EQ(Settings.NoWinamp, 1);
  EXPECT_EQ(Settings.FabianName, 1);
  EXPECT_EQ(Settings.KeinFlugzeug, 1);
  EXPECT_EQ(Settings.Banner.Get(), "Alles Gute!");
  EXPECT_EQ(Settings.BannerFHeight, -24);
  EXPECT_EQ(Settings.BannerFWeight, 400);
  EXPECT_EQ(Settings.BannerFItalic, 1);
  EXPECT_EQ(Settings.BannerFName.Get(), "Arial");
  EXPECT_EQ(Settings.Billboard, 0);
  EXPECT_EQ(Settings.Calendar, 1);
  EXPECT_EQ(Settings.BillboardNotDA, 0);
  EXPECT_EQ(Settings.Feiertage, 17);
  EXPECT_EQ(Settings.BMPpath.Get(), "C:\\Bilder\\*.*");
  EXPECT_EQ(Settings.TXTpath.Get(), " ");
  EXPECT_EQ(Settings.TextFHeight, -12);
  EXPECT_EQ(Settings.TextFWeight, 800);
  EXPECT_EQ(Settings.TextFItalic, 1);
  EXPECT_EQ(Settings.TextFName.Get(), "Courier New");
  EXPECT_EQ(Settings.Countdown, 2);  // SaveSettings also saves the countdown group
  EXPECT_EQ(Settings.CountdownSoundFile.Get(), "C:\\Musik\\gong.mp3");

  LOGFONTA font = BannerLogFont();
  EXPECT_EQ(font.lfHeight, -24);
  EXPECT_EQ(font.lfItalic, 1);
  EXPECT_STREQ(font.lfFaceName, "Arial");
  font.lfHeight = -14;
  lstrcpynA(font.lfFaceName, "Tahoma", LF_FACESIZE);
  SetBannerLogFont(font);
  EXPECT_EQ(Settings.BannerFHeight, -14);
  EXPECT_EQ(Settings.BannerFName.Get(), "Tahoma");
}

TEST_F(SettingsStore, ObjectSaversRoundTrip) {
  LoadSettings();
  Settings.Clock = 2;
  Settings.ClockOnTop = 1;
  Settings.ClockNotDA = 0;
  for (int i = 0; i < 8; ++i) Settings.ClockPos[i] = -i;
  SaveClockSettings();

  Settings.Countdown = 3;
  Settings.CountdownOnTop = 1;
  Settings.CountdownStop00 = 0;
  Settings.CountdownPlaySound = 1;
  Settings.CountdownShowMsg = 1;
  Settings.CountdownNotDA = 0;
  Settings.CountdownSoundFile.Set("D:\\ziel.wav");
  for (int i = 0; i < 8; ++i) Settings.CountdownPos[i] = 300 + i;
  const int date[] = {2031, 1, 2, 3, 4};
  for (int i = 0; i < 5; ++i) Settings.CountdownDate[i] = date[i];
  SaveCountdownSettings();
  EXPECT_EQ(StoredText("CountdownDate"), "2031,1,2,3,4");

  Settings.BillboardX = 812;
  SaveBillboardX();

  Settings.Weather[0] = 7;  // "on" is written as 1
  Settings.Weather[1] = 30;
  Settings.Weather[2] = -2;  // Fahrenheit is written as 1
  Settings.Weather[3] = 4;
  Settings.Weather[4] = 12;
  Settings.Weather[5] = 10;
  Settings.METAR.Set("EDDF");
  Settings.WeatherCountry.Set("Deutschland");
  Settings.WeatherStation.Set("Frankfurt/Main");
  Settings.AccessType = 3;
  Settings.Proxy.Set("proxy.example:8021");
  Settings.FTPPortNumber = 2121;
  Settings.WeatherX = 640;
  Settings.WeatherOnTop = 1;
  Settings.WeatherNotDA = 1;
  SaveWeatherSettings();
  EXPECT_EQ(StoredText("Weather"), "1,30,1,4,12,10");

  Settings.ProxyUser.Set("anna");
  Settings.ProxyPasswort.Set("geheim");
  SaveProxyCredentials();

  // Nothing else was written by these savers.
  EXPECT_EQ(Stored("Speed"), "<missing>");
  EXPECT_EQ(Stored("Banner"), "<missing>");

  Settings.Clock = 1;
  Fill(Settings.ClockPos, 0);
  Fill(Settings.CountdownDate, 0);
  Settings.METAR.Set("");
  Settings.Proxy.Set("");
  Settings.ProxyUser.Set("");
  LoadSettings();
  EXPECT_EQ(Settings.Clock, 2);
  EXPECT_EQ(Settings.ClockOnTop, 1);
  EXPECT_EQ(Settings.ClockNotDA, 0);
  EXPECT_EQ(List(Settings.ClockPos), (std::vector<int>{0, -1, -2, -3, -4, -5, -6, -7}));
  EXPECT_EQ(Settings.Countdown, 3);
  EXPECT_EQ(Settings.CountdownOnTop, 1);
  EXPECT_EQ(Settings.CountdownStop00, 0);
  EXPECT_EQ(Settings.CountdownPlaySound, 1);
  EXPECT_EQ(Settings.CountdownShowMsg, 1);
  EXPECT_EQ(Settings.CountdownNotDA, 0);
  EXPECT_EQ(Settings.CountdownSoundFile.Get(), "D:\\ziel.wav");
  EXPECT_EQ(List(Settings.CountdownPos), (std::vector<int>{300, 301, 302, 303, 304, 305, 306, 307}));
  EXPECT_EQ(List(Settings.CountdownDate), (std::vector<int>{2031, 1, 2, 3, 4}));
  EXPECT_EQ(Settings.BillboardX, 812);
  EXPECT_EQ(List(Settings.Weather), (std::vector<int>{1, 30, 1, 4, 12, 10}));
  EXPECT_EQ(Settings.METAR.Get(), "EDDF");
  EXPECT_EQ(Settings.WeatherCountry.Get(), "Deutschland");
  EXPECT_EQ(Settings.WeatherStation.Get(), "Frankfurt/Main");
  EXPECT_EQ(Settings.AccessType, 3);
  EXPECT_EQ(Settings.Proxy.Get(), "proxy.example:8021");
  EXPECT_EQ(Settings.FTPPortNumber, 2121);
  EXPECT_EQ(Settings.WeatherX, 640);
  EXPECT_EQ(Settings.WeatherOnTop, 1);
  EXPECT_EQ(Settings.WeatherNotDA, 1);
  EXPECT_EQ(Settings.ProxyUser.Get(), "anna");
  EXPECT_EQ(Settings.ProxyPasswort.Get(), "geheim");

  // The single loaders.
  Settings.ProxyPasswort.Set("x");
  Settings.FTPPortNumber = 1;
  LoadInternetSettings();
  EXPECT_EQ(Settings.ProxyPasswort.Get(), "geheim");
  EXPECT_EQ(Settings.FTPPortNumber, 2121);
  RegDeleteValueA(Key(), "FTPPortNumber");
  RegDeleteValueA(Key(), "Proxy");
  LoadInternetSettings();
  EXPECT_EQ(Settings.FTPPortNumber, 21);
  EXPECT_EQ(Settings.Proxy.Get(), "");
  SetInt("SndDevice", 5);
  LoadSoundDevice();
  EXPECT_EQ(Settings.SndDevice, 5);
  RegDeleteValueA(Key(), "SndDevice");
  LoadSoundDevice();
  EXPECT_EQ(Settings.SndDevice, -1);
}

TEST_F(SettingsStore, FigureSoundFiles) {
  char out[MAX_PATH] = "untouched";
  EXPECT_EQ(GetFigureSoundFile(7, out), 0);  // no key: the buffer stays
  EXPECT_STREQ(out, "untouched");

  SaveSoundFile(7, "C:\\Sounds\\hallo.wav");
  SaveSoundFile(8, "ab");
  SaveSoundFile(9, nullptr);
  const std::string longPath = LongPath(259);
  SaveSoundFile(42, longPath.c_str());
  EXPECT_EQ(StoredText("SF_008"), " ");
  EXPECT_EQ(StoredText("SF_009"), " ");

  EXPECT_EQ(GetFigureSoundFile(7, out), 1);
  EXPECT_STREQ(out, "C:\\Sounds\\hallo.wav");
  EXPECT_EQ(GetFigureSoundFile(8, out), 1);
  EXPECT_STREQ(out, " ");
  EXPECT_EQ(GetFigureSoundFile(10, out), 0);  // missing value: one blank
  EXPECT_STREQ(out, " ");
  EXPECT_EQ(GetFigureSoundFile(42, out), 1);
  EXPECT_EQ(std::string(out), longPath);
  char small[8];
  EXPECT_EQ(GetFigureSoundFile(7, small), 1);
  EXPECT_STREQ(small, "C:\\Soun");
}

TEST_F(SettingsStore, CorruptAndOverlongValues) {
  // Wrong types count as missing.
  SetText("Speed", "80");
  const BYTE bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
  SetRaw("Pause", REG_BINARY, bytes, 8);
  SetRaw("Clock", REG_DWORD, bytes, 2);  // a DWORD of two bytes
  SetInt("METAR", 1234);
  SetRaw("WallpaperPic", REG_BINARY, "C:\\x.bmp", 9);
  // A string without its terminating zero ends at its stored size.
  SetRaw("WeatherStation", REG_SZ, "Hamburg-Fuhlsbuettel", 7);
  // Longer than the field: cut to its capacity.
  SetText("WeatherCountry", std::string(5000, 'L'));
  SetText("NoStart00", std::string(200, 'T'));
  SetText("NoStart05", "Vollbild-Spiel");
  SetText("FigDeactive", std::string(100000, '7'));
  // Paths of 259 characters fit exactly; longer ones are cut.
  const std::string path259 = LongPath(259);
  SetText("DebugFileName", path259);
  SetText("WallpaperPath", LongPath(300));
  LoadSettings();
  EXPECT_EQ(Settings.Speed, 50);
  EXPECT_EQ(Settings.Pause, 100);
  EXPECT_EQ(Settings.Clock, 1);
  EXPECT_EQ(Settings.METAR.Get(), "");
  EXPECT_EQ(Settings.WallpaperPic.Get(), "");
  EXPECT_EQ(Settings.WeatherStation.Get(), "Hamburg");
  EXPECT_EQ(Settings.WeatherCountry.Get(), std::string(79, 'L'));
  EXPECT_EQ(Settings.NoStartCount, 2);
  EXPECT_EQ(Settings.NoStart[0].Get(), std::string(79, 'T'));
  EXPECT_EQ(Settings.NoStart[1].Get(), "Vollbild-Spiel");
  EXPECT_EQ(Settings.FigDeactive[0], 2147483647);  // a hostile number saturates
  EXPECT_EQ(Settings.FigDeactive[1], 0);
  EXPECT_EQ(Settings.DebugFileName.Get(), path259);
  EXPECT_EQ(Settings.WallpaperPath.Get(), LongPath(300).substr(0, 259));

  // A path the program saves reads back unchanged.
  Settings.WallpaperPic.Set(path259.c_str());
  Settings.CountdownSoundFile.Set(path259.c_str());
  SaveSettings();
  Settings.WallpaperPic.Set("");
  Settings.CountdownSoundFile.Set("");
  LoadSettings();
  EXPECT_EQ(Settings.WallpaperPic.Get(), path259);
  EXPECT_EQ(Settings.CountdownSoundFile.Get(), path259);

  // The exclusion list restarts on every load.
  RegDeleteValueA(Key(), "NoStart00");
  LoadSettings();
  EXPECT_EQ(Settings.NoStartCount, 1);
  EXPECT_EQ(Settings.NoStart[0].Get(), "Vollbild-Spiel");
}

TEST_F(SettingsStore, ValuesWithoutDefaultKeepTheirState) {
  LoadSettings();
  Settings.Autostart = 1;
  Settings.TextFName.Set("Georgia");
  Settings.Speed = 120;  // has a default: reset by the load
  LoadSettings();
  EXPECT_EQ(Settings.Autostart, 1);
  EXPECT_EQ(Settings.TextFName.Get(), "Georgia");
  EXPECT_EQ(Settings.Speed, 50);
  Settings.Autostart = 0;
}

TEST_F(SettingsStore, BannerPlaceholders) {
  char text[256];
  LoadBannerSettings(text, sizeof text);
  EXPECT_STREQ(text, "...");  // no key
  SetInt("Speed", 60);        // the key exists, the value does not
  LoadBannerSettings(text, sizeof text);
  EXPECT_STREQ(text, "!!?");
  SetText("Banner", "Frohe Ostern");
  SetInt("BannerFHeight", -20);
  char tiny[6];
  LoadBannerSettings(tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "Frohe");
  EXPECT_EQ(Settings.BannerFHeight, -20);
  LoadSettings();
  EXPECT_EQ(Settings.Banner.Get(), "Frohe Ostern");
  Settings.Banner.Set("");
  SaveSettings();
  EXPECT_EQ(StoredText("Banner"), " ");
}

TEST_F(SettingsStore, AutostartValueIsQuotedAndTerminated) {
  SetAutostart(1, nullptr);
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  DWORD type = 0;
  std::string stored = Stored(AUTOSTART_VALUE, &type, RUN_KEY);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored, "\"" + std::string(program) + "\"" + '\0');
  SetAutostart(0, nullptr);
  EXPECT_EQ(Stored(AUTOSTART_VALUE, nullptr, RUN_KEY), "<missing>");
  SetAutostart(0, nullptr);  // removing twice is harmless
}

TEST_F(SettingsStore, RegionalValues) {
  SetText("iFirstDayOfWeek", "6", "Control Panel\\International");
  SetText("sDate", "/", "Control Panel\\International");
  SetText("iDate", "0", "Control Panel\\International");
  SetText("iTime", "0", "Control Panel\\International");
  LoadSettings();
  EXPECT_EQ(Settings.FirstDayOfWeek, 6);
  EXPECT_EQ(Settings.DateSeparator.Get(), "/");
  EXPECT_EQ(Settings.DateOrder, 0);
  EXPECT_EQ(Settings.Clock24h, 0);
  // Without a separator the profile's "intl" section fills the values in.
  RegDeleteValueA(Key("Control Panel\\International"), "sDate");
  LoadSettings();
  EXPECT_EQ(Settings.DateSeparator.Length(), 1u);
}

TEST_F(SettingsStore, WinampProgramFromItsInstallFolder) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "WayluneWinampTest" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string exe = folder + "\\winamp.exe";
  HANDLE file = CreateFileA(exe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);

  SetText("WinampExe", "C:\\nowhere\\winamp.exe");  // longer than 8 but missing: cleared
  SetText("", folder, "Software\\Winamp");
  LoadSettings();
  EXPECT_EQ(Settings.WinampExe.Get(), exe);
  EXPECT_EQ(StoredText("WinampExe"), exe);

  SetInt("NoWinamp", 1);
  SetText("WinampExe", "");
  LoadSettings();
  EXPECT_EQ(Settings.WinampExe.Get(), "");  // not looked up while Winamp is off

  DeleteFileA(exe.c_str());
  RemoveDirectoryA(folder.c_str());
}

// A thread that polls the live settings while loads run never sees a
// default in place of a stored value.
TEST_F(SettingsStore, ConcurrentReadersNeverSeeHalfLoadedState) {
  SetInt("Speed", 77);
  SetText("ClockPos", "1,2,3,4,5,6,7,8");
  SetText("METAR", "LOWW");
  LoadSettings();
  std::atomic<int> stop{0};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!stop.load()) {
      if (Settings.Speed != 77) ++bad;
      if (Settings.ClockPos[7] != 8) ++bad;
      if (Settings.METAR.Get() != "LOWW") ++bad;
    }
  });
  for (int i = 0; i < 100; ++i) LoadSettings();
  stop = 1;
  reader.join();
  EXPECT_EQ(bad.load(), 0);
}

// The screen saver counts as switched on only while the system says so and
// the file named in Control Panel\Desktop exists.
TEST_F(SettingsStore, ScreenSaverNeedsItsFile) {
  BOOL before = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &before, 0);
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  const char* desktop = "Control Panel\\Desktop";

  EXPECT_EQ(ScreenSaverActive(1, 1), 1);
  lstrcpynA(ScreenSaverFile, "stale", MAX_PATH);
  EXPECT_EQ(ScreenSaverActive(0, 0), 0);  // no screen saver chosen
  EXPECT_STREQ(ScreenSaverFile, "");
  SetText("SCRNSAVE.EXE", program, desktop);
  EXPECT_EQ(ScreenSaverActive(0, 0), 1);
  EXPECT_STREQ(ScreenSaverFile, program);
  SetText("SCRNSAVE.EXE", "C:\\nowhere\\gone.scr", desktop);
  EXPECT_EQ(ScreenSaverActive(0, 0), 0);
  EXPECT_STREQ(ScreenSaverFile, "C:\\nowhere\\gone.scr");
  // An over-long name is cut to the field, never written past it.
  SetText("SCRNSAVE.EXE", std::string(1000, 's'), desktop);
  EXPECT_EQ(ScreenSaverActive(0, 0), 0);
  EXPECT_EQ(std::string(ScreenSaverFile), std::string(MAX_PATH - 1, 's'));

  SetText("SCRNSAVE.EXE", program, desktop);
  EXPECT_EQ(ScreenSaverActive(1, 0), 1);
  EXPECT_EQ(ScreenSaverActive(0, 0), 0);  // switched off, the file still there
  EXPECT_STREQ(ScreenSaverFile, program);
  EXPECT_EQ(IsScreenSaverRunning(), 0);

  ScreenSaverActive(1, before ? 1 : 0);
}
