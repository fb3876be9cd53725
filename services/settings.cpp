#include "services/settings.h"
#include "services/file_util.h"
#include "services/handles.h"

#include <shlobj.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

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

// The test seam: only a ScopedSettingsRoot sets it. Null: HKEY_CURRENT_USER.
std::atomic<HKEY> g_registryRoot{nullptr};

HKEY Root() {
  const HKEY root = g_registryRoot.load();
  return root ? root : HKEY_CURRENT_USER;
}

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

void WriteInt(HKEY key, const char* name, int value) {
  DWORD data = static_cast<DWORD>(value);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

// Stored with its terminating zero.
void WriteText(HKEY key, const char* name, const char* text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
}

// A sealed secret is far smaller; anything bigger is no secret of ours.
constexpr DWORD kMaxSealedBytes = 16384;

// Ties the seal to this program's use of it: another program of the user
// must know this to open it.
DATA_BLOB SealEntropy() {
  static char entropy[] = "DesktopWaylune ProxyPasswort";
  return {sizeof entropy - 1, reinterpret_cast<BYTE*>(entropy)};
}

// A secret is never written plain: an empty one as an empty text (as
// earlier versions stored none), any other sealed, as binary. One that
// cannot be sealed is stored empty.
void WriteProtected(HKEY key, const char* name, const std::string& text) {
  std::string sealed;
  if (text.empty() || !ProtectForUser(text, sealed)) {
    WriteText(key, name, "");
    return;
  }
  RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(sealed.data()),
                 static_cast<DWORD>(sealed.size()));
}

enum class Stored { kNone, kOpened, kPlain };
// A sealed secret opened, or a plain one an earlier version wrote (kPlain,
// for the caller to seal). Binary that is not ours to open counts as none.
Stored ReadProtected(HKEY key, const char* name, std::string& out) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return Stored::kNone;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    if (!ReadText(key, name, out)) return Stored::kNone;
    return out.empty() ? Stored::kOpened : Stored::kPlain;
  }
  if (type != REG_BINARY || size == 0 || size > kMaxSealedBytes) return Stored::kNone;
  std::string sealed(size, '\0');
  DWORD got = size;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(sealed.data()), &got) !=
          ERROR_SUCCESS ||
      type != REG_BINARY || got != size)
    return Stored::kNone;
  return UnprotectForUser(sealed, out) ? Stored::kOpened : Stored::kNone;
}

// The fields behind the table's rows, as text and numbers.
std::string FieldText(const SettingInt& field) {
  return std::to_string(field.Get());
}

template <size_t N>
std::string FieldText(const SettingString<N>& field) {
  return field.Get();
}

template <size_t N>
std::string FieldText(const SettingList<N>& list) {
  int values[N];
  for (size_t i = 0; i < N; ++i) values[i] = list[i];
  return FormatIntList(values, static_cast<int>(N));
}

template <size_t N, size_t M>
std::string FieldText(const std::array<SettingString<N>, M>& texts) {
  std::string out;
  for (size_t i = 0; i < M; ++i) out += (i ? "\n" : "") + texts[i].Get();
  return out;
}

void SetFieldText(SettingInt& field, const char* text) {
  field = std::atoi(text);
}

template <size_t N>
void SetFieldText(SettingString<N>& field, const char* text) {
  field.Set(text);
}

// A list text sets every entry: those it does not name become 0.
template <size_t N>
void SetFieldText(SettingList<N>& list, const char* text) {
  int values[N];
  ParseIntList(text, values, static_cast<int>(N));
  for (size_t i = 0; i < N; ++i) list[i] = values[i];
}

template <size_t N, size_t M>
void SetFieldText(std::array<SettingString<N>, M>& texts, const char* text) {
  for (SettingString<N>& entry : texts) {
    const char* end = std::strchr(text, '\n');
    entry.Set(std::string(text, end ? end : text + std::strlen(text)).c_str());
    text = end ? end + 1 : "";
  }
}

void CopyField(SettingInt& to, const SettingInt& from) {
  to = from.Get();
}

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

template <class T>
struct KindOf;
template <>
struct KindOf<SettingInt> {
  static constexpr SettingKind kind = SettingKind::kInt;
  static constexpr size_t size = 1;
};
template <size_t N>
struct KindOf<SettingString<N>> {
  static constexpr SettingKind kind = SettingKind::kText;
  static constexpr size_t size = N;
};
template <size_t N>
struct KindOf<SettingList<N>> {
  static constexpr SettingKind kind = SettingKind::kList;
  static constexpr size_t size = N;
};
template <size_t N, size_t M>
struct KindOf<std::array<SettingString<N>, M>> {
  static constexpr SettingKind kind = SettingKind::kTexts;
  static constexpr size_t size = M;
};

template <auto Member>
struct FieldOf {
  using Type = std::remove_cvref_t<decltype(std::declval<AppSettings&>().*Member)>;
  static constexpr SettingField value{
      KindOf<Type>::kind, KindOf<Type>::size,
      [](AppSettings& to, const AppSettings& from) { CopyField(to.*Member, from.*Member); },
      [](const AppSettings& from) { return FieldText(from.*Member); },
      [](AppSettings& to, const char* text) { SetFieldText(to.*Member, text); }};
};

template <auto Member>
constexpr const SettingField* F = &FieldOf<Member>::value;

using S = AppSettings;
using enum SettingCheck;
using enum SettingFormat;
using enum SettingLoad;
using enum SettingPage;

constexpr unsigned kClockGroups = kGroupGeneral | kGroupClock;
constexpr unsigned kWeatherInternet = kGroupWeather | kGroupInternet;
constexpr unsigned kBannerFont = kGroupGeneral | kGroupBannerFont;

// clang-format off
constexpr SettingRow kRows[] = {
  {.name = "Speed", .field = F<&S::Speed>, .number = 50, .check = kClamp, .low = 20, .high = 140,
   .groups = kGroupGeneral, .page = kSpeed},
  {.name = "Pause", .field = F<&S::Pause>, .number = 100, .check = kClamp, .low = 100, .high = 64000,
   .groups = kGroupGeneral, .page = kSpeed},
  {.name = "Autostart", .field = F<&S::Autostart>, .load = kKeep, .groups = kGroupGeneral, .page = kGeneral},
  {.name = "DebugOn", .field = F<&S::DebugOn>},
  {.name = "DebugFileName", .field = F<&S::DebugFileName>, .text = "C:\\ORROWIN.LOG"},
  {.name = "AppPath", .field = F<&S::AppPath>},
  {.name = "FigDeactive", .field = F<&S::FigDeactive>, .format = kNonZeroList, .groups = kGroupGeneral,
   .page = kPeople},
  {.name = "HG", .field = F<&S::HG>, .number = 1, .check = kRange, .low = 0, .high = 6, .fallback = 1,
   .groups = kGroupGeneral, .page = kDesktop},
  {.name = "HGversatz", .field = F<&S::HGversatz>, .format = kFirstZero, .groups = kGroupGeneral,
   .page = kDesktop},
  {.name = "HGNotDA", .field = F<&S::HGNotDA>, .number = 1, .groups = kGroupGeneral, .page = kDesktop},
  {.name = "ShowWallpaper", .field = F<&S::ShowWallpaper>, .check = kRange, .low = 0, .high = 2,
   .groups = kGroupGeneral, .page = kDesktop},
  {.name = "WallpaperPic", .field = F<&S::WallpaperPic>, .groups = kGroupGeneral, .page = kDesktop},
  {.name = "WallpaperPath", .field = F<&S::WallpaperPath>},
  {.name = "Sound", .field = F<&S::Sound>, .number = 1, .groups = kGroupGeneral, .page = kSound},
  {.name = "SNDvolume", .field = F<&S::SNDvolume>, .number = 1000, .check = kRange, .low = 0, .high = 1000,
   .fallback = 1000, .groups = kGroupGeneral, .page = kSound},
  {.name = "SoundOpt", .field = F<&S::SoundOpt>, .text = "1,1,1,1,1,1,1,1,1,1", .minLength = 4,
   .groups = kGroupGeneral, .page = kSound},
  {.name = "Clock", .field = F<&S::Clock>, .number = 1, .check = kRange, .low = 0, .high = 4, .fallback = 1,
   .groups = kClockGroups, .page = kClock},
  {.name = "ClockOnTop", .field = F<&S::ClockOnTop>, .groups = kClockGroups, .page = kClock},
  {.name = "ClockPos", .field = F<&S::ClockPos>, .text = "50,15,50,15,50,15,50,15", .minLength = 4,
   .groups = kClockGroups | kGroupClockPos},
  {.name = "ClockNotDA", .field = F<&S::ClockNotDA>, .number = 1, .groups = kClockGroups, .page = kClock},
  // An unknown design shows design 1, though no countdown is the default.
  {.name = "Countdown", .field = F<&S::Countdown>, .check = kRange, .low = 0, .high = 4, .fallback = 1,
   .groups = kGroupCountdown, .page = kCountdown},
  {.name = "CountdownOnTop", .field = F<&S::CountdownOnTop>, .groups = kGroupCountdown, .page = kCountdown},
  {.name = "CountdownStop00", .field = F<&S::CountdownStop00>, .number = 1, .groups = kGroupCountdown,
   .page = kCountdown},
  {.name = "CountdownPlaySound", .field = F<&S::CountdownPlaySound>, .groups = kGroupCountdown,
   .page = kCountdown},
  {.name = "CountdownShowMsg", .field = F<&S::CountdownShowMsg>, .groups = kGroupCountdown,
   .page = kCountdown},
  {.name = "CountdownSoundFile", .field = F<&S::CountdownSoundFile>, .load = kKeep, .groups = kGroupCountdown,
   .page = kCountdown},
  {.name = "CountdownPos", .field = F<&S::CountdownPos>, .text = "50,400,50,400,50,400,50,400",
   .minLength = 4, .groups = kGroupCountdown | kGroupCountdownPos},
  {.name = "CountdownNotDA", .field = F<&S::CountdownNotDA>, .number = 1, .groups = kGroupCountdown,
   .page = kCountdown},
  {.name = "CountdownDate", .field = F<&S::CountdownDate>, .minLength = 10, .groups = kGroupCountdown,
   .page = kCountdown},
  {.name = "NoWinamp", .field = F<&S::NoWinamp>, .groups = kGroupGeneral, .page = kWinamp},
  {.name = "WinampExe", .field = F<&S::WinampExe>, .format = kExistingProgram, .groups = kGroupGeneral,
   .page = kWinamp},
  {.name = "BillboardX", .field = F<&S::BillboardX>, .number = 250, .groups = kGroupBillboardX},
  {.name = "Billboard", .field = F<&S::Billboard>, .number = 1, .groups = kGroupGeneral, .page = kBillboard},
  {.name = "BillboardNotDA", .field = F<&S::BillboardNotDA>, .number = 1, .groups = kGroupGeneral,
   .page = kBillboard},
  {.name = "Calendar", .field = F<&S::Calendar>, .groups = kGroupGeneral, .page = kBillboard},
  // The region indexes the holiday tables: an unknown code means none.
  {.name = "Feiertage", .field = F<&S::Feiertage>, .check = kRange, .low = 0, .high = 18,
   .groups = kGroupGeneral, .page = kBillboard},
  {.name = "BMPpath", .field = F<&S::BMPpath>, .format = kBlankWhenShort, .groups = kGroupGeneral,
   .page = kBillboard},
  {.name = "TXTpath", .field = F<&S::TXTpath>, .format = kBlankWhenShort, .groups = kGroupGeneral,
   .page = kBillboard},
  {.name = "TextFHeight", .field = F<&S::TextFHeight>, .number = -10, .check = kRange, .low = -48, .high = -6,
   .fallback = -10, .groups = kGroupGeneral},
  {.name = "TextFWeight", .field = F<&S::TextFWeight>, .number = 500, .check = kNonZero,
   .groups = kGroupGeneral},
  {.name = "TextFItalic", .field = F<&S::TextFItalic>, .check = kFlag, .groups = kGroupGeneral},
  {.name = "TextFName", .field = F<&S::TextFName>, .load = kKeep, .groups = kGroupGeneral},
  {.name = "KeinFlugzeug", .field = F<&S::KeinFlugzeug>, .groups = kGroupGeneral, .page = kPlane},
  {.name = "Weather", .field = F<&S::Weather>, .text = "0,60,0,0,0,0", .format = kOnAndUnit,
   .groups = kGroupWeather, .page = kWeather},
  {.name = "METAR", .field = F<&S::METAR>, .groups = kGroupWeather, .page = kWeather},
  {.name = "WeatherCountry", .field = F<&S::WeatherCountry>, .groups = kGroupWeather, .page = kWeather},
  {.name = "WeatherStation", .field = F<&S::WeatherStation>, .groups = kGroupWeather, .page = kWeather},
  {.name = "WeatherX", .field = F<&S::WeatherX>, .number = 500, .groups = kGroupWeather | kGroupWeatherPos},
  {.name = "WeatherOnTop", .field = F<&S::WeatherOnTop>, .groups = kGroupWeather},
  {.name = "WeatherNotDA", .field = F<&S::WeatherNotDA>, .groups = kGroupWeather, .page = kWeather},
  {.name = "FabianDat", .field = F<&S::FabianDat>},
  {.name = "FabianName", .field = F<&S::FabianName>, .groups = kGroupGeneral, .page = kBirthdays},
  {.name = "RecycleBin", .field = F<&S::RecycleBin>, .number = 1, .groups = kGroupGeneral, .page = kClock},
  {.name = "DontEmptyRecycleBin", .field = F<&S::DontEmptyRecycleBin>},
  {.name = "SndDevice", .field = F<&S::SndDevice>, .number = -1, .groups = kGroupGeneral | kGroupSoundDevice,
   .page = kSound},
  {.name = "AccessType", .field = F<&S::AccessType>, .groups = kWeatherInternet, .page = kWeather},
  {.name = "FTPPortNumber", .field = F<&S::FTPPortNumber>, .number = 21, .groups = kWeatherInternet,
   .page = kWeather},
  {.name = "Proxy", .field = F<&S::Proxy>, .groups = kWeatherInternet, .page = kWeather},
  {.name = "ProxyUser", .field = F<&S::ProxyUser>, .groups = kGroupProxyLogin | kGroupInternet,
   .page = kWeather},
  {.name = "ProxyPasswort", .field = F<&S::ProxyPasswort>, .format = kProtected,
   .groups = kGroupProxyLogin | kGroupInternet, .page = kWeather},
  {.name = "NoStart", .field = F<&S::NoStart>, .load = kByHand},
  {.name = "NoStartCount", .field = F<&S::NoStartCount>, .load = kByHand},
  {.name = "Banner", .field = F<&S::Banner>, .format = kBlankWhenEmpty, .load = kByHand,
   .groups = kGroupGeneral, .page = kPlane},
  {.name = "BannerFHeight", .field = F<&S::BannerFHeight>, .number = -18, .check = kRange, .low = -49,
   .high = -11, .fallback = -18, .groups = kBannerFont, .page = kPlane},
  {.name = "BannerFWeight", .field = F<&S::BannerFWeight>, .number = 700, .check = kNonZero,
   .groups = kBannerFont, .page = kPlane},
  {.name = "BannerFItalic", .field = F<&S::BannerFItalic>, .check = kFlag, .groups = kBannerFont,
   .page = kPlane},
  {.name = "BannerFName", .field = F<&S::BannerFName>, .text = "Verdana", .groups = kBannerFont,
   .page = kPlane},
  {.name = "FirstDayOfWeek", .field = F<&S::FirstDayOfWeek>, .load = kByHand},
  {.name = "DateSeparator", .field = F<&S::DateSeparator>, .load = kByHand},
  {.name = "DateOrder", .field = F<&S::DateOrder>, .number = 1, .load = kByHand},
  {.name = "Clock24h", .field = F<&S::Clock24h>, .number = 1, .load = kByHand},
};
// clang-format on

void SetDefault(AppSettings& s, const SettingRow& row) {
  row.field->set(s, row.field->kind == SettingKind::kInt ? std::to_string(row.number).c_str() : row.text);
}

// One row from the settings key into s, which holds the value to keep when
// the registry has none (the default, or for kKeep what memory held).
void ReadRow(HKEY key, const SettingRow& row, AppSettings& s) {
  std::string text;
  switch (row.field->kind) {
    case SettingKind::kInt: {
      int value = std::atoi(row.field->get(s).c_str());
      ReadInt(key, row.name, value);
      row.field->set(s, std::to_string(CheckedSetting(row, value)).c_str());
      return;
    }
    case SettingKind::kText:
      if (row.format == kProtected) {
        const Stored stored = ReadProtected(key, row.name, text);
        if (stored == Stored::kNone) return;
        row.field->set(s, text.c_str());
        // A password an earlier version left readable is sealed at once.
        if (stored == Stored::kPlain)
          if (const OwnedKey writable = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE))
            WriteProtected(writable.get(), row.name, text);
        return;
      }
      if (ReadText(key, row.name, text)) row.field->set(s, text.c_str());
      return;
    case SettingKind::kList:
      if (ReadText(key, row.name, text) && text.size() > row.minLength) row.field->set(s, text.c_str());
      return;
    case SettingKind::kTexts:
      return;
  }
}

// The rows of `groups` (every row loaded by the table when 0).
void ReadRows(HKEY key, AppSettings& s, unsigned groups) {
  for (const SettingRow& row : kRows)
    if (row.load != kByHand && (groups == 0 || (row.groups & groups))) ReadRow(key, row, s);
}

std::vector<int> Numbers(const SettingRow& row, const AppSettings& s) {
  std::vector<int> values(row.field->size);
  ParseIntList(row.field->get(s).c_str(), values.data(), static_cast<int>(values.size()));
  return values;
}

std::string NonZeroList(const std::vector<int>& values) {
  std::string text;
  for (int v : values) {
    if (!v) continue;
    if (!text.empty()) text += ',';
    text += std::to_string(v);
  }
  return text + " ";
}

void WriteRow(HKEY key, const SettingRow& row, const AppSettings& s) {
  if (row.field->kind == SettingKind::kInt) {
    WriteInt(key, row.name, std::atoi(row.field->get(s).c_str()));
    return;
  }
  if (row.field->kind == SettingKind::kList) {
    std::vector<int> values = Numbers(row, s);
    if (row.format == kNonZeroList) {
      WriteText(key, row.name, NonZeroList(values).c_str());
      return;
    }
    if (row.format == kFirstZero) values[0] = 0;  // strip picture 0 is "no strip" and has no offset
    if (row.format == kOnAndUnit) {
      values[0] = values[0] > 0 ? 1 : 0;
      values[2] = values[2] != 0 ? 1 : 0;
    }
    WriteText(key, row.name, FormatIntList(values.data(), static_cast<int>(values.size())).c_str());
    return;
  }
  std::string text = row.field->get(s);
  if (row.format == kProtected) {
    WriteProtected(key, row.name, text);
    return;
  }
  if ((row.format == kBlankWhenEmpty && text.empty()) || (row.format == kBlankWhenShort && text.size() < 2))
    text = " ";
  if (row.format == kExistingProgram && (text.size() <= 8 || !FileExists(text.c_str()))) return;
  WriteText(key, row.name, text.c_str());
}

// Writes the rows of `groups`.
void SaveGroups(unsigned groups, const AppSettings& from) {
  const OwnedKey key = CreateRegistryKey(Root(), SETTINGS_KEY, KEY_SET_VALUE);
  if (!key) return;
  for (const SettingRow& row : kRows)
    if (row.groups & groups) WriteRow(key.get(), row, from);
}

// Loads the rows of `groups` into `into`: the stored value, else the default.
void LoadGroups(unsigned groups, AppSettings& into) {
  auto staged = std::make_unique<AppSettings>();
  const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ);
  if (key) ReadRows(key.get(), *staged, groups);
  for (const SettingRow& row : kRows)
    if (row.groups & groups) row.field->copy(into, *staged);
}

// The banner text: "..." without a settings key, "!!?" without the value.
std::string ReadBannerText() {
  const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ);
  if (!key) return "...";
  std::string text;
  return ReadText(key.get(), "Banner", text) ? text : "!!?";
}

// The exclusion titles NoStart00..15, moved together in the order found.
void ReadExclusionTitles(HKEY key, AppSettings& s) {
  int count = 0;
  for (int i = 0; i < kExclusionTitles; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "NoStart%02d", i);
    std::string title;
    if (ReadText(key, name, title)) s.NoStart[count++].Set(title.c_str());
  }
  s.NoStartCount = count;
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
  if (std::snprintf(kestrima, sizeof kestrima, "%s\\Kestrima", appData) >=
          static_cast<int>(sizeof kestrima) ||
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
  s.DataFolder.Set(data);
  return result;
}

}  // namespace

AppSettings::AppSettings() {
  for (const SettingRow& row : kRows) SetDefault(*this, row);
}

SettingRowSpan SettingRows() {
  return {kRows, std::size(kRows)};
}

const SettingRow* FindSettingRow(const char* name) {
  for (const SettingRow& row : kRows)
    if (name && std::strcmp(row.name, name) == 0) return &row;
  return nullptr;
}

int CheckedSetting(const SettingRow& row, int value) {
  switch (row.check) {
    case kAsStored:
      break;
    case kClamp:
      return value < row.low ? row.low : value > row.high ? row.high : value;
    case kRange:
      return value < row.low || value > row.high ? row.fallback : value;
    case kNonZero:
      return value != 0 ? value : row.number;
    case kFlag:
      return value != 0 ? 1 : row.number;
  }
  return value;
}

void CopySettings(AppSettings& to, const AppSettings& from) {
  for (const SettingRow& row : kRows) row.field->copy(to, from);
}

void CopySettings(AppSettings& to, const AppSettings& from, SettingPage page) {
  for (const SettingRow& row : kRows)
    if (row.page == page) row.field->copy(to, from);
}

ScopedSettingsRoot::ScopedSettingsRoot(HKEY root) : previous_(g_registryRoot.exchange(root)) {}
ScopedSettingsRoot::~ScopedSettingsRoot() {
  g_registryRoot.store(previous_);
}

int LoadSettings(AppSettings& into) {
  // Staged in a private copy, published at the end: threads reading the live
  // settings never see the defaults of a load in progress.
  auto staged = std::make_unique<AppSettings>();
  for (const SettingRow& row : kRows)
    if (row.load == kKeep) row.field->copy(*staged, into);

  if (const OwnedKey key = OpenRegistryKey(Root(), SETTINGS_KEY, KEY_READ)) {
    ReadRows(key.get(), *staged, 0);
    ReadExclusionTitles(key.get(), *staged);
  }
  ReadRegionalValues(*staged);
  staged->Banner.Set(ReadBannerText().c_str());

  FindWinamp(*staged);
  staged->DataFolder.Set(into.DataFolder.Get().c_str());
  int result = MakeFolders(*staged);

  CopySettings(into, *staged);
  into.DataFolder.Set(staged->DataFolder.Get().c_str());
  return result;
}

void SaveSettings(const AppSettings& from) {
  SaveGroups(kGroupGeneral | kGroupCountdown, from);
}
void SaveClockSettings(const AppSettings& from) {
  SaveGroups(kGroupClock, from);
}
void SaveCountdownSettings(const AppSettings& from) {
  SaveGroups(kGroupCountdown, from);
}
void SaveBillboardX(const AppSettings& from) {
  SaveGroups(kGroupBillboardX, from);
}
void SaveWeatherSettings(const AppSettings& from) {
  SaveGroups(kGroupWeather, from);
}
void SaveProxyCredentials(const AppSettings& from) {
  SaveGroups(kGroupProxyLogin, from);
}
void SaveClockPosition(const AppSettings& from) {
  SaveGroups(kGroupClockPos, from);
}
void SaveCountdownPosition(const AppSettings& from) {
  SaveGroups(kGroupCountdownPos, from);
}
void SaveWeatherPosition(const AppSettings& from) {
  SaveGroups(kGroupWeatherPos, from);
}
void SaveSettingGroups(unsigned groups, const AppSettings& from) {
  SaveGroups(groups, from);
}

void WriteSettingString(const char* name, const char* text) {
  WriteSettingText(name, text);
}

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

void LoadSoundDevice(AppSettings& into) {
  LoadGroups(kGroupSoundDevice, into);
}

void LoadInternetSettings(AppSettings& into) {
  LoadGroups(kGroupInternet, into);
}

void LoadBannerSettings(AppSettings& into, char* text, int size) {
  LoadGroups(kGroupBannerFont, into);
  if (text && size > 0) lstrcpynA(text, ReadBannerText().c_str(), size);
}

LOGFONTA BannerLogFont(const AppSettings& s) {
  LOGFONTA font = MakeFont(s.BannerFHeight, s.BannerFWeight, "");
  font.lfItalic = s.BannerFItalic ? 1 : 0;
  font.lfQuality = ANTIALIASED_QUALITY;
  s.BannerFName.CopyTo(font.lfFaceName, LF_FACESIZE);
  return font;
}

void SetBannerLogFont(AppSettings& s, const LOGFONTA& font) {
  s.BannerFHeight = font.lfHeight;
  s.BannerFWeight = font.lfWeight;
  s.BannerFItalic = font.lfItalic ? 1 : 0;
  char face[LF_FACESIZE];
  lstrcpynA(face, font.lfFaceName, LF_FACESIZE);
  s.BannerFName.Set(face);
}

bool ProtectForUser(const std::string& text, std::string& sealed) {
  sealed.clear();
  if (text.empty()) return true;
  DATA_BLOB plain = {static_cast<DWORD>(text.size()),
                     reinterpret_cast<BYTE*>(const_cast<char*>(text.data()))};
  DATA_BLOB entropy = SealEntropy();
  DATA_BLOB out = {};
  if (!CryptProtectData(&plain, L"ProxyPasswort", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                        &out))
    return false;
  sealed.assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
  LocalFree(out.pbData);
  return true;
}

bool UnprotectForUser(const std::string& sealed, std::string& text) {
  text.clear();
  if (sealed.empty()) return true;
  DATA_BLOB in = {static_cast<DWORD>(sealed.size()),
                  reinterpret_cast<BYTE*>(const_cast<char*>(sealed.data()))};
  DATA_BLOB entropy = SealEntropy();
  DATA_BLOB out = {};
  if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
    return false;
  // Up to its first zero: the fields hold C strings.
  text.assign(reinterpret_cast<const char*>(out.pbData),
              strnlen(reinterpret_cast<const char*>(out.pbData), out.cbData));
  SecureZeroMemory(out.pbData, out.cbData);
  LocalFree(out.pbData);
  return true;
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

int ScreenSaverActive(int set, int value, std::string* file) {
  if (set) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, value, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    return 1;
  }
  char chosen[MAX_PATH] = {};
  const OwnedKey key = OpenRegistryKey(Root(), "Control Panel\\Desktop", KEY_READ);
  std::string stored;
  if (key && ReadText(key.get(), "SCRNSAVE.EXE", stored)) lstrcpynA(chosen, stored.c_str(), MAX_PATH);
  if (file) *file = chosen;
  BOOL active = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  if (!FileExists(chosen)) return 0;
  return active ? 1 : 0;
}

int IsScreenSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running ? 1 : 0;
}
