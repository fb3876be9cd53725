// Round trips of the settings store through the real registry (Wine's), in a
// private key per test so parallel programs never see each other's values.
#include "services/handles.h"
#include "services/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "services/file_util.h"
#include "services/settings_test_support.h"

#include <shlwapi.h>

namespace {

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    std::snprintf(rootPath_, sizeof rootPath_, "Software\\WayluneTests\\settings_%lu_%lu",
                  GetCurrentProcessId(), GetTickCount());
    rootOwner_ = CreateRegistryKey(HKEY_CURRENT_USER, rootPath_, KEY_ALL_ACCESS);
    ASSERT_TRUE(rootOwner_);
    root_ = rootOwner_.get();
    rootGuard_.emplace(root_);
  }
  void TearDown() override {
    rootGuard_.reset();
    root_ = nullptr;
    rootOwner_.reset();
    SHDeleteKeyA(HKEY_CURRENT_USER, rootPath_);
  }

  void SetInt(const char* name, int value) { SetRaw(name, REG_DWORD, &value, sizeof value); }
  void SetRaw(const char* name, DWORD type, const void* data, DWORD size, const char* path = SETTINGS_KEY) {
    ASSERT_EQ(SHSetValueA(root_, path, name, type, data, size), ERROR_SUCCESS);
  }
  void SetText(const char* name, const std::string& text, const char* path = SETTINGS_KEY) {
    SetRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1), path);
  }
  void Delete(const char* name, const char* path = SETTINGS_KEY) { SHDeleteValueA(root_, path, name); }
  // The stored bytes of a value (empty when missing).
  std::string Stored(const char* name, DWORD* type = nullptr, const char* path = SETTINGS_KEY) {
    DWORD kind = 0, size = 0;
    if (SHGetValueA(root_, path, name, &kind, nullptr, &size) != ERROR_SUCCESS) return "<missing>";
    std::string data(size, '\0');
    SHGetValueA(root_, path, name, &kind, data.data(), &size);
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
  OwnedKey rootOwner_;
  HKEY root_ = nullptr;  // rootOwner_'s
  std::optional<ScopedSettingsRoot> rootGuard_;
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
  while (path.size() < length)
    path += (path.size() % 20 == 19) ? '\\' : static_cast<char>('a' + path.size() % 26);
  path.resize(length);
  return path;
}

// One stored setting of a round trip: its value in text, how to put it in
// memory and read it back.
struct Value {
  const char* name;
  std::function<void(const std::string&)> set;
  std::function<std::string()> get;
  std::string want;
};
Value Int(const char* name, SettingInt& field, int value) {
  return {name, [&field](const std::string& t) { field = std::atoi(t.c_str()); },
          [&field] { return std::to_string(field.Get()); }, std::to_string(value)};
}
template <size_t N>
Value Text(const char* name, SettingString<N>& field, const char* value) {
  return {name, [&field](const std::string& t) { field.Set(t.c_str()); }, [&field] { return field.Get(); },
          value};
}
template <size_t N>
Value Ints(const char* name, SettingList<N>& field, std::vector<int> values) {
  auto text = [](const std::vector<int>& v) {
    std::string out;
    for (int i : v) out += std::to_string(i) + ",";
    return out;
  };
  return {name,
          [&field](const std::string& t) {
            size_t i = 0;
            for (const char* p = t.c_str(); *p && i < N; ++i) {
              field[i] = std::atoi(p);
              while (*p && *p != ',') ++p;
              if (*p) ++p;
            }
          },
          [&field, text] { return text(List(field)); }, text(values)};
}

// Sets every value, saves, overwrites memory, loads and compares.
void RoundTrip(const std::vector<Value>& values, const std::function<void()>& save) {
  for (const Value& v : values) v.set(v.want);
  save();
  for (const Value& v : values) v.set("-7777,-7777,-7777,-7777,-7777,-7777,-7777,-7777,-7777,-7777");
  LoadSettings(TestSettings());
  for (const Value& v : values) EXPECT_EQ(v.get(), v.want) << v.name;
}

}  // namespace

TEST_F(SettingsStore, NoKeyGivesDefaultsAndMakesFolders) {
  TestSettings().Speed = 99;
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().Speed, 50) << "a load replaces what memory held";
  // No key at all: the banner is the "key missing" placeholder.
  EXPECT_EQ(TestSettings().Banner.Get(), "...");

  // The birthday file and wallpaper folder were made and written back.
  std::string fabian = TestSettings().FabianDat.Get();
  std::string wallpaper = TestSettings().WallpaperPath.Get();
  EXPECT_NE(fabian.find("\\Kestrima\\fabian.dat"), std::string::npos) << fabian;
  EXPECT_NE(wallpaper.find("\\Kestrima\\Waylune Desktop"), std::string::npos) << wallpaper;
  EXPECT_EQ(StoredText("FabianDat"), fabian);
  EXPECT_EQ(StoredText("WallpaperPath"), wallpaper);
  EXPECT_EQ(TestSettings().DataFolder.Get(), wallpaper);
  DWORD attributes = GetFileAttributesA(TestSettings().DataFolder.Get().c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

// A guard points the settings at its key while it lives and puts back the
// root before it, so nested guards unwind in order.
TEST_F(SettingsStore, ARootGuardPutsBackTheRootBeforeIt) {
  const std::string innerPath = std::string(rootPath_) + "_inner";
  const OwnedKey inner = CreateRegistryKey(HKEY_CURRENT_USER, innerPath.c_str(), KEY_ALL_ACCESS);
  ASSERT_TRUE(inner);
  auto innerText = [&] {
    char data[64] = {};
    DWORD kind = 0, size = sizeof data - 1;
    return SHGetValueA(inner.get(), SETTINGS_KEY, "Probe", &kind, data, &size) == ERROR_SUCCESS
               ? std::string(data)
               : std::string("<missing>");
  };
  {
    ScopedSettingsRoot guard(inner.get());
    WriteSettingString("Probe", "inner");
    std::string read;
    EXPECT_TRUE(ReadSettingString("Probe", read));
    EXPECT_EQ(read, "inner");
  }
  EXPECT_EQ(StoredText("Probe"), "<missing>") << "written under the guard's key alone";
  WriteSettingString("Probe", "outer");
  EXPECT_EQ(StoredText("Probe"), "outer");
  EXPECT_EQ(innerText(), "inner") << "the guard's key is left as it was";
  SHDeleteKeyA(HKEY_CURRENT_USER, innerPath.c_str());
}

TEST_F(SettingsStore, ClampsAndReplacements) {
  struct Case {
    const char* name;
    int stored;
    const SettingInt& field;
    int expected;
  } cases[] = {
      {"Speed", 5, TestSettings().Speed, 20},
      {"Speed", 500, TestSettings().Speed, 140},
      {"Speed", 77, TestSettings().Speed, 77},
      {"Pause", 50, TestSettings().Pause, 100},
      {"Pause", 70000, TestSettings().Pause, 64000},
      {"HG", 7, TestSettings().HG, 1},
      {"HG", -1, TestSettings().HG, 1},
      {"HG", 0, TestSettings().HG, 0},
      {"Clock", 9, TestSettings().Clock, 1},
      {"Clock", 0, TestSettings().Clock, 0},
      {"Countdown", 5, TestSettings().Countdown, 1},
      {"ShowWallpaper", 3, TestSettings().ShowWallpaper, 0},
      {"ShowWallpaper", 2, TestSettings().ShowWallpaper, 2},
      {"SNDvolume", 2000, TestSettings().SNDvolume, 1000},
      {"SNDvolume", -1, TestSettings().SNDvolume, 1000},
      {"SNDvolume", 250, TestSettings().SNDvolume, 250},
      {"TextFHeight", -60, TestSettings().TextFHeight, -10},
      {"TextFHeight", -5, TestSettings().TextFHeight, -10},
      {"TextFHeight", -48, TestSettings().TextFHeight, -48},
      {"TextFWeight", 0, TestSettings().TextFWeight, 500},
      {"TextFWeight", 700, TestSettings().TextFWeight, 700},
      {"TextFItalic", 5, TestSettings().TextFItalic, 1},
      {"BannerFHeight", -10, TestSettings().BannerFHeight, -18},
      {"BannerFHeight", -50, TestSettings().BannerFHeight, -18},
      {"BannerFHeight", -49, TestSettings().BannerFHeight, -49},
      {"BannerFWeight", 0, TestSettings().BannerFWeight, 700},
      {"BannerFItalic", 3, TestSettings().BannerFItalic, 1},
      {"Feiertage", 18, TestSettings().Feiertage, 18},
      {"Feiertage", 19, TestSettings().Feiertage, 0},
      {"FTPPortNumber", 0, TestSettings().FTPPortNumber, 0},  // no range check
  };
  for (const Case& c : cases) {
    SetInt(c.name, c.stored);
    LoadSettings(TestSettings());
    EXPECT_EQ(c.field.Get(), c.expected) << c.name << " stored as " << c.stored;
    Delete(c.name);
  }
}

TEST_F(SettingsStore, IntegerListsAndTheirLengthRules) {
  SetText("ClockPos", "1,2");  // four characters or fewer: ignored
  SetText("CountdownPos", "10,20,30");
  SetText("SoundOpt", "1,0,1");            // longer than four: read, the rest becomes 0
  SetText("CountdownDate", "2024,12,24");  // exactly ten: ignored
  SetText("HGversatz", "5;7 9,-3");
  SetText("Weather", "1");
  LoadSettings(TestSettings());
  EXPECT_EQ(List(TestSettings().ClockPos), (std::vector<int>{50, 15, 50, 15, 50, 15, 50, 15}));
  EXPECT_EQ(List(TestSettings().CountdownPos), (std::vector<int>{10, 20, 30, 0, 0, 0, 0, 0}));
  EXPECT_EQ(List(TestSettings().SoundOpt), (std::vector<int>{1, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(List(TestSettings().CountdownDate), (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_EQ(List(TestSettings().HGversatz), (std::vector<int>{5, 7, 9, -3, 0, 0, 0}));
  EXPECT_EQ(List(TestSettings().Weather), (std::vector<int>{1, 0, 0, 0, 0, 0}));

  SetText("CountdownDate", "2024,12,24,18,30");
  SetText("FigDeactive", "0,12,0,15");
  LoadSettings(TestSettings());
  EXPECT_EQ(List(TestSettings().CountdownDate), (std::vector<int>{2024, 12, 24, 18, 30}));
  // Written back as the non-zero entries and one blank.
  SaveSettings(TestSettings());
  EXPECT_EQ(StoredText("FigDeactive"), "12,15 ");
  Fill(TestSettings().FigDeactive, 0);
  SaveSettings(TestSettings());
  EXPECT_EQ(StoredText("FigDeactive"), " ");
  LoadSettings(TestSettings());
  EXPECT_EQ(List(TestSettings().FigDeactive), std::vector<int>(99, 0));
}

TEST_F(SettingsStore, GeneralSaverRoundTrip) {
  LoadSettings(TestSettings());
  RoundTrip(
      {
          Int("Autostart", TestSettings().Autostart, 1),
          Int("Speed", TestSettings().Speed, 33),
          Int("Pause", TestSettings().Pause, 4000),
          Int("SndDevice", TestSettings().SndDevice, 3),
          Int("Sound", TestSettings().Sound, 0),
          Ints("SoundOpt", TestSettings().SoundOpt, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
          Int("SNDvolume", TestSettings().SNDvolume, 420),
          Int("HG", TestSettings().HG, 4),
          Int("HGNotDA", TestSettings().HGNotDA, 0),
          Text("WallpaperPic", TestSettings().WallpaperPic, "C:\\Bilder\\Urlaub.jpg"),
          Int("ShowWallpaper", TestSettings().ShowWallpaper, 2),
          Int("Clock", TestSettings().Clock, 3),
          Int("ClockOnTop", TestSettings().ClockOnTop, 1),
          Int("ClockNotDA", TestSettings().ClockNotDA, 0),
          Ints("ClockPos", TestSettings().ClockPos, {0, 10, 20, 30, 40, 50, 60, 70}),
          Int("RecycleBin", TestSettings().RecycleBin, 0),
          Int("NoWinamp", TestSettings().NoWinamp, 1),
          Int("FabianName", TestSettings().FabianName, 1),
          Int("KeinFlugzeug", TestSettings().KeinFlugzeug, 1),
          Text("Banner", TestSettings().Banner, "Alles Gute!"),
          Int("BannerFHeight", TestSettings().BannerFHeight, -24),
          Int("BannerFWeight", TestSettings().BannerFWeight, 400),
          Int("BannerFItalic", TestSettings().BannerFItalic, 1),
          Text("BannerFName", TestSettings().BannerFName, "Arial"),
          Int("Billboard", TestSettings().Billboard, 0),
          Int("Calendar", TestSettings().Calendar, 1),
          Int("BillboardNotDA", TestSettings().BillboardNotDA, 0),
          Int("Feiertage", TestSettings().Feiertage, 17),
          Text("BMPpath", TestSettings().BMPpath, "C:\\Bilder\\*.*"),
          Int("TextFHeight", TestSettings().TextFHeight, -12),
          Int("TextFWeight", TestSettings().TextFWeight, 800),
          Int("TextFItalic", TestSettings().TextFItalic, 1),
          Text("TextFName", TestSettings().TextFName, "Courier New"),
          Int("Countdown", TestSettings().Countdown, 2),  // the countdown group is saved too
          Text("CountdownSoundFile", TestSettings().CountdownSoundFile, "C:\\Musik\\gong.mp3"),
      },
      [] {
        Fill(TestSettings().FigDeactive, 0);
        TestSettings().FigDeactive[0] = 24;
        TestSettings().FigDeactive[5] = 91;
        for (int i = 0; i < kStripPictures; ++i) TestSettings().HGversatz[i] = 100 + i;
        TestSettings().TXTpath.Set("");
        SaveSettings(TestSettings());
      });
  EXPECT_EQ(StoredText("HGversatz"), "0,101,102,103,104,105,106") << "entry 0 written as 0";
  EXPECT_EQ(StoredText("TXTpath"), " ");
  EXPECT_EQ(TestSettings().TXTpath.Get(), " ");
  EXPECT_EQ(StoredText("FigDeactive"), "24,91 ");
  EXPECT_EQ(List(TestSettings().FigDeactive)[1], 91);
  EXPECT_EQ(StoredInt("Speed"), 33);
  EXPECT_EQ(Stored("WinampExe"), "<missing>");                     // only an existing program is written
  EXPECT_EQ(Stored("Banner"), std::string("Alles Gute!") + '\0');  // with its terminating zero

  LOGFONTA font = BannerLogFont(TestSettings());
  EXPECT_EQ(font.lfHeight, -24);
  EXPECT_EQ(font.lfItalic, 1);
  EXPECT_STREQ(font.lfFaceName, "Arial");
  font.lfHeight = -14;
  lstrcpynA(font.lfFaceName, "Tahoma", LF_FACESIZE);
  SetBannerLogFont(TestSettings(), font);
  EXPECT_EQ(TestSettings().BannerFHeight, -14);
  EXPECT_EQ(TestSettings().BannerFName.Get(), "Tahoma");
}

TEST_F(SettingsStore, ObjectSaversRoundTrip) {
  LoadSettings(TestSettings());
  RoundTrip(
      {
          Int("Clock", TestSettings().Clock, 2),
          Int("ClockOnTop", TestSettings().ClockOnTop, 1),
          Int("ClockNotDA", TestSettings().ClockNotDA, 0),
          Ints("ClockPos", TestSettings().ClockPos, {0, -1, -2, -3, -4, -5, -6, -7}),
          Int("Countdown", TestSettings().Countdown, 3),
          Int("CountdownOnTop", TestSettings().CountdownOnTop, 1),
          Int("CountdownStop00", TestSettings().CountdownStop00, 0),
          Int("CountdownPlaySound", TestSettings().CountdownPlaySound, 1),
          Int("CountdownShowMsg", TestSettings().CountdownShowMsg, 1),
          Int("CountdownNotDA", TestSettings().CountdownNotDA, 0),
          Text("CountdownSoundFile", TestSettings().CountdownSoundFile, "D:\\ziel.wav"),
          Ints("CountdownPos", TestSettings().CountdownPos, {300, 301, 302, 303, 304, 305, 306, 307}),
          Ints("CountdownDate", TestSettings().CountdownDate, {2031, 1, 2, 3, 4}),
          Int("BillboardX", TestSettings().BillboardX, 812),
          Text("METAR", TestSettings().METAR, "EDDF"),
          Text("WeatherCountry", TestSettings().WeatherCountry, "Deutschland"),
          Text("WeatherStation", TestSettings().WeatherStation, "Frankfurt/Main"),
          Int("AccessType", TestSettings().AccessType, 3),
          Text("Proxy", TestSettings().Proxy, "proxy.example:8021"),
          Int("FTPPortNumber", TestSettings().FTPPortNumber, 2121),
          Int("WeatherX", TestSettings().WeatherX, 640),
          Int("WeatherOnTop", TestSettings().WeatherOnTop, 1),
          Int("WeatherNotDA", TestSettings().WeatherNotDA, 1),
          Text("ProxyUser", TestSettings().ProxyUser, "anna"),
          Text("ProxyPasswort", TestSettings().ProxyPasswort, "geheim"),
      },
      [&] {
        SaveClockSettings(TestSettings());
        SaveCountdownSettings(TestSettings());
        SaveBillboardX(TestSettings());
        // "On" and Fahrenheit are written as 1.
        const int weather[] = {7, 30, -2, 4, 12, 10};
        for (int i = 0; i < 6; ++i) TestSettings().Weather[i] = weather[i];
        SaveWeatherSettings(TestSettings());
        SaveProxyCredentials(TestSettings());
        // Nothing else was written by these savers.
        EXPECT_EQ(Stored("Speed"), "<missing>");
        EXPECT_EQ(Stored("Banner"), "<missing>");
      });
  EXPECT_EQ(StoredText("CountdownDate"), "2031,1,2,3,4");
  EXPECT_EQ(List(TestSettings().Weather), (std::vector<int>{1, 30, 1, 4, 12, 10}));

  // The single loaders.
  TestSettings().ProxyPasswort.Set("x");
  TestSettings().FTPPortNumber = 1;
  LoadInternetSettings(TestSettings());
  EXPECT_EQ(TestSettings().ProxyPasswort.Get(), "geheim");
  EXPECT_EQ(TestSettings().FTPPortNumber, 2121);
  Delete("FTPPortNumber");
  Delete("Proxy");
  LoadInternetSettings(TestSettings());
  EXPECT_EQ(TestSettings().FTPPortNumber, 21);
  EXPECT_EQ(TestSettings().Proxy.Get(), "");
  SetInt("SndDevice", 5);
  LoadSoundDevice(TestSettings());
  EXPECT_EQ(TestSettings().SndDevice, 5);
  Delete("SndDevice");
  LoadSoundDevice(TestSettings());
  EXPECT_EQ(TestSettings().SndDevice, -1);
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

  // A missing value (10) reads as one blank.
  for (auto [figure, found, text] :
       {std::tuple{7, 1, "C:\\Sounds\\hallo.wav"}, {8, 1, " "}, {10, 0, " "}, {42, 1, longPath.c_str()}}) {
    EXPECT_EQ(GetFigureSoundFile(figure, out), found) << figure;
    EXPECT_STREQ(out, text) << figure;
  }
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
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().Speed, 50);
  EXPECT_EQ(TestSettings().Pause, 100);
  EXPECT_EQ(TestSettings().Clock, 1);
  EXPECT_EQ(TestSettings().METAR.Get(), "");
  EXPECT_EQ(TestSettings().WallpaperPic.Get(), "");
  EXPECT_EQ(TestSettings().WeatherStation.Get(), "Hamburg");
  EXPECT_EQ(TestSettings().WeatherCountry.Get(), std::string(79, 'L'));
  EXPECT_EQ(TestSettings().NoStartCount, 2);
  EXPECT_EQ(TestSettings().NoStart[0].Get(), std::string(79, 'T'));
  EXPECT_EQ(TestSettings().NoStart[1].Get(), "Vollbild-Spiel");
  EXPECT_EQ(TestSettings().FigDeactive[0], 2147483647);  // a hostile number saturates
  EXPECT_EQ(TestSettings().FigDeactive[1], 0);
  EXPECT_EQ(TestSettings().DebugFileName.Get(), path259);
  EXPECT_EQ(TestSettings().WallpaperPath.Get(), LongPath(300).substr(0, 259));

  // A path the program saves reads back unchanged.
  TestSettings().WallpaperPic.Set(path259.c_str());
  TestSettings().CountdownSoundFile.Set(path259.c_str());
  SaveSettings(TestSettings());
  TestSettings().WallpaperPic.Set("");
  TestSettings().CountdownSoundFile.Set("");
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().WallpaperPic.Get(), path259);
  EXPECT_EQ(TestSettings().CountdownSoundFile.Get(), path259);

  // The exclusion list restarts on every load.
  Delete("NoStart00");
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().NoStartCount, 1);
  EXPECT_EQ(TestSettings().NoStart[0].Get(), "Vollbild-Spiel");
}

TEST_F(SettingsStore, ValuesWithoutDefaultKeepTheirState) {
  LoadSettings(TestSettings());
  TestSettings().Autostart = 1;
  TestSettings().TextFName.Set("Georgia");
  TestSettings().Speed = 120;  // has a default: reset by the load
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().Autostart, 1);
  EXPECT_EQ(TestSettings().TextFName.Get(), "Georgia");
  EXPECT_EQ(TestSettings().Speed, 50);
  TestSettings().Autostart = 0;
}

TEST_F(SettingsStore, BannerPlaceholders) {
  char text[256];
  LoadBannerSettings(TestSettings(), text, sizeof text);
  EXPECT_STREQ(text, "...");  // no key
  SetInt("Speed", 60);        // the key exists, the value does not
  LoadBannerSettings(TestSettings(), text, sizeof text);
  EXPECT_STREQ(text, "!!?");
  SetText("Banner", "Frohe Ostern");
  SetInt("BannerFHeight", -20);
  char tiny[6];
  LoadBannerSettings(TestSettings(), tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "Frohe");
  EXPECT_EQ(TestSettings().BannerFHeight, -20);
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().Banner.Get(), "Frohe Ostern");
  TestSettings().Banner.Set("");
  SaveSettings(TestSettings());
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
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().FirstDayOfWeek, 6);
  EXPECT_EQ(TestSettings().DateSeparator.Get(), "/");
  EXPECT_EQ(TestSettings().DateOrder, 0);
  EXPECT_EQ(TestSettings().Clock24h, 0);
  // Without a separator the profile's "intl" section fills the values in.
  Delete("sDate", "Control Panel\\International");
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().DateSeparator.Length(), 1u);
}

TEST_F(SettingsStore, WinampProgramFromItsInstallFolder) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + "WayluneWinampTest" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string exe = folder + "\\winamp.exe";
  ASSERT_TRUE(WriteFileWhole(exe.c_str(), "", 0));

  SetText("WinampExe", "C:\\nowhere\\winamp.exe");  // longer than 8 but missing: cleared
  SetText("", folder, "Software\\Winamp");
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().WinampExe.Get(), exe);
  EXPECT_EQ(StoredText("WinampExe"), exe);

  SetInt("NoWinamp", 1);
  SetText("WinampExe", "");
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().WinampExe.Get(), "");  // not looked up while Winamp is off

  DeleteFileA(exe.c_str());
  RemoveDirectoryA(folder.c_str());
}

// A thread that polls the live settings while loads run never sees a
// default in place of a stored value.
TEST_F(SettingsStore, ConcurrentReadersNeverSeeHalfLoadedState) {
  SetInt("Speed", 77);
  SetText("ClockPos", "1,2,3,4,5,6,7,8");
  SetText("METAR", "LOWW");
  LoadSettings(TestSettings());
  std::atomic<int> stop{0};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!stop.load()) {
      if (TestSettings().Speed != 77) ++bad;
      if (TestSettings().ClockPos[7] != 8) ++bad;
      if (TestSettings().METAR.Get() != "LOWW") ++bad;
    }
  });
  for (int i = 0; i < 100; ++i) LoadSettings(TestSettings());
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

  std::string file = "stale";
  EXPECT_EQ(ScreenSaverActive(1, 1, &file), 1);
  EXPECT_EQ(file, "stale") << "a switch asks for no file";
  EXPECT_EQ(ScreenSaverActive(0, 0, &file), 0);  // no screen saver chosen
  EXPECT_EQ(file, "");
  SetText("SCRNSAVE.EXE", program, desktop);
  EXPECT_EQ(ScreenSaverActive(0, 0, &file), 1);
  EXPECT_EQ(file, program);
  EXPECT_EQ(ScreenSaverActive(0, 0), 1) << "without a file asked for";
  SetText("SCRNSAVE.EXE", "C:\\nowhere\\gone.scr", desktop);
  EXPECT_EQ(ScreenSaverActive(0, 0, &file), 0);
  EXPECT_EQ(file, "C:\\nowhere\\gone.scr");
  // An over-long name is cut to a path's length.
  SetText("SCRNSAVE.EXE", std::string(1000, 's'), desktop);
  EXPECT_EQ(ScreenSaverActive(0, 0, &file), 0);
  EXPECT_EQ(file, std::string(MAX_PATH - 1, 's'));

  SetText("SCRNSAVE.EXE", program, desktop);
  EXPECT_EQ(ScreenSaverActive(1, 0), 1);
  EXPECT_EQ(ScreenSaverActive(0, 0, &file), 0);  // switched off, the file still there
  EXPECT_EQ(file, program);
  EXPECT_EQ(IsScreenSaverRunning(), 0);

  ScreenSaverActive(1, before ? 1 : 0);
}

namespace {

std::string Repeat(const char* item, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? "," : "") + std::string(item);
  return text;
}

// Every setting's default as the user meets it on a first start, written
// out apart from the settings table so that a wrong or missing row shows.
struct Default {
  const char* name;
  std::string value;
};
const std::vector<Default>& Defaults() {
  static const std::vector<Default> defaults = {
      {"Speed", "50"},
      {"Pause", "100"},
      {"Autostart", "0"},
      {"DebugOn", "0"},
      {"DebugFileName", "C:\\ORROWIN.LOG"},
      {"AppPath", ""},
      {"FigDeactive", Repeat("0", 99)},
      {"HG", "1"},
      {"HGversatz", Repeat("0", 7)},
      {"HGNotDA", "1"},
      {"ShowWallpaper", "0"},
      {"WallpaperPic", ""},
      {"WallpaperPath", ""},
      {"Sound", "1"},
      {"SNDvolume", "1000"},
      {"SoundOpt", Repeat("1", 10)},
      {"Clock", "1"},
      {"ClockOnTop", "0"},
      {"ClockPos", Repeat("50,15", 4)},
      {"ClockNotDA", "1"},
      {"Countdown", "0"},
      {"CountdownOnTop", "0"},
      {"CountdownStop00", "1"},
      {"CountdownPlaySound", "0"},
      {"CountdownShowMsg", "0"},
      {"CountdownSoundFile", ""},
      {"CountdownPos", Repeat("50,400", 4)},
      {"CountdownNotDA", "1"},
      {"CountdownDate", Repeat("0", 5)},
      {"NoWinamp", "0"},
      {"WinampExe", ""},
      {"BillboardX", "250"},
      {"Billboard", "1"},
      {"BillboardNotDA", "1"},
      {"Calendar", "0"},
      {"Feiertage", "0"},
      {"BMPpath", ""},
      {"TXTpath", ""},
      {"TextFHeight", "-10"},
      {"TextFWeight", "500"},
      {"TextFItalic", "0"},
      {"TextFName", ""},
      {"KeinFlugzeug", "0"},
      {"Weather", "0,60,0,0,0,0"},
      {"METAR", ""},
      {"WeatherCountry", ""},
      {"WeatherStation", ""},
      {"WeatherX", "500"},
      {"WeatherOnTop", "0"},
      {"WeatherNotDA", "0"},
      {"FabianDat", ""},
      {"FabianName", "0"},
      {"RecycleBin", "1"},
      {"DontEmptyRecycleBin", "0"},
      {"SndDevice", "-1"},
      {"AccessType", "0"},
      {"FTPPortNumber", "21"},
      {"Proxy", ""},
      {"ProxyUser", ""},
      {"ProxyPasswort", ""},
      {"NoStart", std::string(kExclusionTitles - 1, '\n')},
      {"NoStartCount", "0"},
      {"Banner", ""},
      {"BannerFHeight", "-18"},
      {"BannerFWeight", "700"},
      {"BannerFItalic", "0"},
      {"BannerFName", "Verdana"},
      {"FirstDayOfWeek", "0"},
      {"DateSeparator", ""},
      {"DateOrder", "1"},
      {"Clock24h", "1"},
  };
  return defaults;
}

std::string RowValue(const char* name, const AppSettings& s = TestSettings()) {
  const SettingRow* row = FindSettingRow(name);
  return row ? row->field->get(s) : "<no row>";
}

void SetRowValue(const char* name, const std::string& text, AppSettings& s = TestSettings()) {
  const SettingRow* row = FindSettingRow(name);
  ASSERT_NE(row, nullptr) << name;
  row->field->set(s, text.c_str());
}

// A value unlike the default that every saver writes back as it is.
std::string OtherValue(const SettingRow& row) {
  switch (row.field->kind) {
    case SettingKind::kInt:
      if (row.check == SettingCheck::kClamp || row.check == SettingCheck::kRange) {
        const int mid = row.low + (row.high - row.low) / 2;
        return std::to_string(mid != row.number ? mid : row.low);
      }
      return row.check == SettingCheck::kFlag ? "1" : std::to_string(row.number + 3);
    case SettingKind::kList: {
      std::string text;
      for (size_t i = 0; i < row.field->size; ++i) text += (i ? "," : "") + std::to_string(11 * (i + 1));
      return text;
    }
    default: {
      std::string text = std::string("Wert ") + row.name;
      return text.substr(0, row.field->size - 1);
    }
  }
}

bool LoadedByTable(const SettingRow& row) {
  return row.load != SettingLoad::kByHand;
}

}  // namespace

TEST(SettingsTable, EveryRowHasItsDefaultAndNoRowIsMissing) {
  const auto fresh = std::make_unique<AppSettings>();
  size_t rows = 0;
  for (const SettingRow& row : SettingRows()) {
    ++rows;
    ASSERT_NE(row.field, nullptr) << row.name;
    EXPECT_EQ(FindSettingRow(row.name), &row) << row.name << " named twice";
  }
  EXPECT_EQ(rows, Defaults().size());
  for (const Default& d : Defaults()) EXPECT_EQ(RowValue(d.name, *fresh), d.value) << d.name;
  EXPECT_EQ(FindSettingRow("NoSuchSetting"), nullptr);
  EXPECT_EQ(FindSettingRow(nullptr), nullptr);
}

TEST(SettingsTable, CopiesEveryRowOrOnlyAPagesRows) {
  auto from = std::make_unique<AppSettings>();
  for (const SettingRow& row : SettingRows()) row.field->set(*from, OtherValue(row).c_str());
  from->NoStart[3].Set("Spiel");
  auto all = std::make_unique<AppSettings>();
  CopySettings(*all, *from);
  for (const SettingRow& row : SettingRows())
    EXPECT_EQ(row.field->get(*all), row.field->get(*from)) << row.name;

  // A page's copy takes its own rows and leaves every other one alone.
  const struct {
    SettingPage page;
    std::vector<std::string> names;
  } pages[] = {
      {SettingPage::kSpeed, {"Speed", "Pause"}},
      {SettingPage::kClock, {"Clock", "ClockOnTop", "ClockNotDA", "RecycleBin"}},
      {SettingPage::kDesktop, {"HG", "HGversatz", "HGNotDA", "ShowWallpaper", "WallpaperPic"}},
      {SettingPage::kSound, {"Sound", "SNDvolume", "SoundOpt", "SndDevice"}},
      {SettingPage::kWeather,
       {"Weather", "METAR", "WeatherCountry", "WeatherStation", "WeatherNotDA", "AccessType", "FTPPortNumber",
        "Proxy", "ProxyUser", "ProxyPasswort"}},
      {SettingPage::kPlane,
       {"KeinFlugzeug", "Banner", "BannerFHeight", "BannerFWeight", "BannerFItalic", "BannerFName"}},
      {SettingPage::kBirthdays, {"FabianName"}},
      {SettingPage::kWinamp, {"NoWinamp", "WinampExe"}},
  };
  for (const auto& p : pages) {
    auto to = std::make_unique<AppSettings>();
    CopySettings(*to, *from, p.page);
    for (const SettingRow& row : SettingRows()) {
      const bool mine = std::find(p.names.begin(), p.names.end(), row.name) != p.names.end();
      const auto fresh = std::make_unique<AppSettings>();
      EXPECT_EQ(row.field->get(*to), row.field->get(mine ? *from : *fresh))
          << row.name << " on page " << static_cast<int>(p.page);
    }
  }
}

// Each stored number at and beyond both ends of its range.
TEST_F(SettingsStore, EveryCheckedNumberAtAndBeyondItsEnds) {
  const int kMin = std::numeric_limits<int>::min();
  const int kMax = std::numeric_limits<int>::max();
  const struct {
    const char* name;
    std::vector<std::pair<int, int>> storedAndLoaded;
  } rows[] = {
      {"Speed", {{19, 20}, {20, 20}, {140, 140}, {141, 140}, {kMin, 20}, {kMax, 140}}},
      {"Pause", {{99, 100}, {100, 100}, {64000, 64000}, {64001, 64000}, {kMin, 100}, {kMax, 64000}}},
      {"HG", {{-1, 1}, {0, 0}, {6, 6}, {7, 1}, {kMin, 1}, {kMax, 1}}},
      {"ShowWallpaper", {{-1, 0}, {0, 0}, {2, 2}, {3, 0}, {kMax, 0}}},
      {"SNDvolume", {{-1, 1000}, {0, 0}, {1000, 1000}, {1001, 1000}, {kMin, 1000}}},
      {"Clock", {{-1, 1}, {0, 0}, {4, 4}, {5, 1}}},
      {"Countdown", {{-1, 1}, {0, 0}, {4, 4}, {5, 1}, {kMax, 1}}},
      {"Feiertage", {{-1, 0}, {0, 0}, {18, 18}, {19, 0}}},
      {"TextFHeight", {{-49, -10}, {-48, -48}, {-6, -6}, {-5, -10}, {kMin, -10}}},
      {"BannerFHeight", {{-50, -18}, {-49, -49}, {-11, -11}, {-10, -18}, {kMax, -18}}},
      {"TextFWeight", {{0, 500}, {1, 1}, {-1, -1}, {kMax, kMax}}},
      {"BannerFWeight", {{0, 700}, {1, 1}, {kMin, kMin}}},
      {"TextFItalic", {{0, 0}, {1, 1}, {-1, 1}, {kMin, 1}}},
      {"BannerFItalic", {{0, 0}, {2, 1}, {kMax, 1}}},
      {"WeatherX", {{kMin, kMin}, {kMax, kMax}}},  // positions are taken as stored
      {"SndDevice", {{kMin, kMin}, {0, 0}}},
  };
  for (const auto& row : rows) {
    for (auto [stored, loaded] : row.storedAndLoaded) {
      SetInt(row.name, stored);
      LoadSettings(TestSettings());
      EXPECT_EQ(RowValue(row.name), std::to_string(loaded)) << row.name << " stored as " << stored;
    }
    Delete(row.name);
  }
  // The single loaders check the same way.
  SetInt("BannerFHeight", -60);
  SetInt("BannerFItalic", 9);
  char text[8];
  LoadBannerSettings(TestSettings(), text, sizeof text);
  EXPECT_EQ(TestSettings().BannerFHeight, -18);
  EXPECT_EQ(TestSettings().BannerFItalic, 1);
}

// Every row a saver writes comes back from the registry as it was; the
// savers write exactly their own values.
TEST_F(SettingsStore, EveryRowRoundTripsThroughItsSaver) {
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, MAX_PATH);  // an existing program, as WinampExe must be
  const struct {
    const char* saver;
    void (*save)(const AppSettings&);
    std::vector<std::string> names;
  } savers[] = {
      {"SaveSettings",
       SaveSettings,
       {"Autostart",
        "Speed",
        "Pause",
        "FigDeactive",
        "SndDevice",
        "Sound",
        "SoundOpt",
        "SNDvolume",
        "HG",
        "HGNotDA",
        "WallpaperPic",
        "ShowWallpaper",
        "HGversatz",
        "Clock",
        "ClockOnTop",
        "ClockNotDA",
        "ClockPos",
        "RecycleBin",
        "NoWinamp",
        "WinampExe",
        "FabianName",
        "KeinFlugzeug",
        "Banner",
        "BannerFHeight",
        "BannerFWeight",
        "BannerFItalic",
        "BannerFName",
        "Billboard",
        "Calendar",
        "BillboardNotDA",
        "Feiertage",
        "BMPpath",
        "TXTpath",
        "TextFHeight",
        "TextFWeight",
        "TextFItalic",
        "TextFName",
        "Countdown",
        "CountdownOnTop",
        "CountdownStop00",
        "CountdownPlaySound",
        "CountdownShowMsg",
        "CountdownNotDA",
        "CountdownSoundFile",
        "CountdownPos",
        "CountdownDate"}},
      {"SaveClockSettings", SaveClockSettings, {"Clock", "ClockOnTop", "ClockPos", "ClockNotDA"}},
      {"SaveCountdownSettings",
       SaveCountdownSettings,
       {"Countdown", "CountdownOnTop", "CountdownStop00", "CountdownPlaySound", "CountdownShowMsg",
        "CountdownNotDA", "CountdownSoundFile", "CountdownPos", "CountdownDate"}},
      {"SaveBillboardX", SaveBillboardX, {"BillboardX"}},
      {"SaveWeatherSettings",
       SaveWeatherSettings,
       {"Weather", "METAR", "WeatherCountry", "WeatherStation", "AccessType", "Proxy", "FTPPortNumber",
        "WeatherX", "WeatherOnTop", "WeatherNotDA"}},
      {"SaveProxyCredentials", SaveProxyCredentials, {"ProxyUser", "ProxyPasswort"}},
      {"SaveClockPosition", SaveClockPosition, {"ClockPos"}},
      {"SaveCountdownPosition", SaveCountdownPosition, {"CountdownPos"}},
      {"SaveWeatherPosition", SaveWeatherPosition, {"WeatherX"}},
  };
  std::vector<std::string> saved;
  for (const auto& saver : savers) {
    SCOPED_TRACE(saver.saver);
    SHDeleteKeyA(root_, SETTINGS_KEY);
    LoadSettings(TestSettings());
    for (const SettingRow& row : SettingRows()) row.field->set(TestSettings(), OtherValue(row).c_str());
    TestSettings().WinampExe.Set(program);
    SetRowValue("HGversatz", "0,2,3,4,5,6,7");  // entry 0 is always stored as 0
    SetRowValue("Weather", "1,30,1,4,5,6");     // on and the unit are stored as 0 or 1
    std::vector<std::string> want;
    for (const SettingRow& row : SettingRows()) want.push_back(row.field->get(TestSettings()));
    SHDeleteKeyA(root_, SETTINGS_KEY);
    saver.save(TestSettings());
    std::vector<std::string> written;
    const OwnedKey key = OpenRegistryKey(root_, SETTINGS_KEY, KEY_READ);
    ASSERT_TRUE(key);
    char name[256];
    for (DWORD i = 0, size = sizeof name;
         RegEnumValueA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name)
      written.push_back(name);
    std::vector<std::string> expected = saver.names;
    std::sort(written.begin(), written.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
    for (const SettingRow& row : SettingRows()) row.field->set(TestSettings(), "");
    LoadSettings(TestSettings());
    size_t i = 0;
    for (const SettingRow& row : SettingRows()) {
      if (std::find(expected.begin(), expected.end(), row.name) != expected.end()) {
        EXPECT_EQ(row.field->get(TestSettings()), want[i]) << row.name;
        saved.push_back(row.name);
      }
      ++i;
    }
  }
  // Rows no saver writes: what the program keeps elsewhere or never changes.
  std::vector<std::string> unsaved;
  for (const SettingRow& row : SettingRows())
    if (std::find(saved.begin(), saved.end(), row.name) == saved.end()) unsaved.push_back(row.name);
  EXPECT_EQ(unsaved, (std::vector<std::string>{"DebugOn", "DebugFileName", "AppPath", "WallpaperPath",
                                               "FabianDat", "DontEmptyRecycleBin", "NoStart", "NoStartCount",
                                               "FirstDayOfWeek", "DateSeparator", "DateOrder", "Clock24h"}));
}

// A value of the wrong type, or a number of the wrong size, counts as
// missing for every row: the load gives the default.
TEST_F(SettingsStore, EveryRowTakesAWrongTypeAsMissing) {
  const BYTE bytes[] = {'1', '2', 0, 0, 0, 0, 0, 0};
  const struct {
    const char* what;
    DWORD type;
    DWORD size;
  } garbage[] = {
      {"binary", REG_BINARY, 4},      {"short number", REG_DWORD, 2}, {"long number", REG_DWORD, 8},
      {"text list", REG_MULTI_SZ, 4}, {"big number", REG_QWORD, 8},   {"empty binary", REG_BINARY, 0},
  };
  const auto fresh = std::make_unique<AppSettings>();
  for (const auto& g : garbage) {
    SCOPED_TRACE(g.what);
    for (const SettingRow& row : SettingRows())
      if (LoadedByTable(row)) SetRaw(row.name, g.type, bytes, g.size);
    // Texts and lists stored as numbers are wrong too.
    LoadSettings(TestSettings());
    for (const SettingRow& row : SettingRows()) {
      if (!LoadedByTable(row) || row.load == SettingLoad::kKeep || std::string(row.name) == "FabianDat" ||
          std::string(row.name) == "WallpaperPath")
        continue;
      EXPECT_EQ(row.field->get(TestSettings()), row.field->get(*fresh)) << row.name;
    }
  }
  for (const SettingRow& row : SettingRows())
    if (LoadedByTable(row) && row.field->kind != SettingKind::kInt) SetInt(row.name, 12);
  for (const SettingRow& row : SettingRows())
    if (LoadedByTable(row) && row.field->kind == SettingKind::kInt) SetText(row.name, "12");
  LoadSettings(TestSettings());
  for (const SettingRow& row : SettingRows()) {
    if (!LoadedByTable(row) || row.load == SettingLoad::kKeep || std::string(row.name) == "FabianDat" ||
        std::string(row.name) == "WallpaperPath")
      continue;
    EXPECT_EQ(row.field->get(TestSettings()), row.field->get(*fresh)) << row.name << " of the other type";
  }
}

// The proxy password is never stored readable: sealed for the user, as
// binary; a plain one an earlier version wrote is sealed at the first load
// (and only then), and a seal that is not ours opens to nothing.
TEST_F(SettingsStore, TheProxyPasswordIsStoredSealed) {
  auto readable = [](const std::string& stored, const std::string& secret) {
    std::string wide;
    for (char c : secret) wide += std::string{c, '\0'};
    return stored.find(secret) != std::string::npos || stored.find(wide) != std::string::npos;
  };
  const std::string secret = "Gehe1m:Proxy";
  SetText("ProxyPasswort", secret);
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().ProxyPasswort.Get(), secret);
  DWORD type = 0;
  const std::string sealed = Stored("ProxyPasswort", &type);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_FALSE(readable(sealed, secret));
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().ProxyPasswort.Get(), secret);
  EXPECT_EQ(Stored("ProxyPasswort"), sealed) << "sealed again at a later load";

  TestSettings().ProxyPasswort.Set("anders");
  SaveProxyCredentials(TestSettings());
  EXPECT_FALSE(readable(Stored("ProxyPasswort"), "anders"));
  TestSettings().ProxyPasswort.Set("");
  LoadInternetSettings(TestSettings());
  EXPECT_EQ(TestSettings().ProxyPasswort.Get(), "anders");

  std::string damaged = Stored("ProxyPasswort");
  damaged[damaged.size() / 2] ^= 1;
  SetRaw("ProxyPasswort", REG_BINARY, damaged.data(), static_cast<DWORD>(damaged.size()));
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().ProxyPasswort.Get(), "");

  // No password is an empty text, as earlier versions stored none.
  SaveProxyCredentials(TestSettings());
  EXPECT_EQ(Stored("ProxyPasswort", &type), std::string(1, '\0'));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

// A stored birthday file or wallpaper folder shorter than three characters
// is no path: the first-start default replaces it and is written back.
TEST_F(SettingsStore, FirstStartFoldersReplaceTooShortPaths) {
  const struct {
    const char* name;
    const char* stored;
    bool replaced;
  } rows[] = {
      {"FabianDat", "", true},     {"FabianDat", "ab", true},     {"FabianDat", "abc", false},
      {"WallpaperPath", "", true}, {"WallpaperPath", "C:", true}, {"WallpaperPath", "C:\\", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " stored as \"" + row.stored + "\"");
    SetText(row.name, row.stored);
    LoadSettings(TestSettings());
    const std::string value = RowValue(row.name);
    if (row.replaced) {
      EXPECT_NE(value.find("\\Kestrima"), std::string::npos) << value;
      EXPECT_EQ(StoredText(row.name), value);
    } else {
      EXPECT_EQ(value, row.stored);
      EXPECT_EQ(StoredText(row.name), row.stored);
    }
  }
}

// What a saver makes of values it stores in a normal form, and the banner
// font handed over as a LOGFONT.
TEST_F(SettingsStore, NormalisedValuesAndTheBannerFont) {
  const struct {
    const char* weather;
    const char* stored;
  } weather[] = {
      {"5,30,0,4,7,276", "1,30,0,4,7,276"},  // on as 1, Celsius stays 0 beside a country
      {"0,1440,7,0,0,0", "0,1440,1,0,0,0"},  // Fahrenheit as 1 before an empty country
      {"-3,30,-1,1,2,3", "0,30,1,1,2,3"},
  };
  for (const auto& row : weather) {
    SetRowValue("Weather", row.weather);
    SaveWeatherSettings(TestSettings());
    EXPECT_EQ(StoredText("Weather"), row.stored) << row.weather;
  }

  LOGFONTA font = BannerLogFont(TestSettings());
  font.lfHeight = -20;
  font.lfWeight = 300;
  font.lfItalic = 5;
  lstrcpynA(font.lfFaceName, "Georgia", LF_FACESIZE);
  auto copy = std::make_unique<AppSettings>();
  SetBannerLogFont(*copy, font);
  EXPECT_EQ(RowValue("BannerFHeight", *copy) + RowValue("BannerFWeight", *copy) +
                RowValue("BannerFItalic", *copy) + RowValue("BannerFName", *copy),
            "-203001Georgia");
  const LOGFONTA back = BannerLogFont(*copy);
  EXPECT_EQ(back.lfWeight, 300);
  EXPECT_EQ(back.lfItalic, 1);
  EXPECT_EQ(back.lfQuality, ANTIALIASED_QUALITY);

  // The data folder follows the wallpaper folder made, whatever it held.
  TestSettings().DataFolder.Set("Z:\\zzz");
  LoadSettings(TestSettings());
  EXPECT_EQ(TestSettings().DataFolder.Get(), TestSettings().WallpaperPath.Get());
  // It belongs to the table a load filled: another table knows none, and a
  // copy of the rows (a page's) carries none.
  auto other = std::make_unique<AppSettings>();
  CopySettings(*other, TestSettings());
  EXPECT_EQ(other->DataFolder.Get(), "");
  EXPECT_NE(TestSettings().DataFolder.Get(), "");
}
