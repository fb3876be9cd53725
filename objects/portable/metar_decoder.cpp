#include "objects/portable/metar_decoder.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAlnum(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!IsDigit(c)) return false;
  return true;
}
int Number(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

void Log(MetarLogSink log, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Log(MetarLogSink log, const char* format, ...) {
  if (!log) return;
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  log(line);
}

// Case-insensitive search for an upper-case needle.
std::size_t FindNoCase(std::string_view text, std::string_view needle) {
  if (needle.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && Upper(text[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

bool SameStation(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

bool StartsWith(std::string_view token, std::string_view prefix) {
  return token.size() >= prefix.size() && token.substr(0, prefix.size()) == prefix;
}

// "2024/01/15": digits around slashes at positions 5 and 8.
bool ParseDate(std::string_view t, MetarTime& time) {
  if (t.size() != 10 || t[4] != '/' || t[7] != '/') return false;
  if (!AllDigits(t.substr(0, 4)) || !AllDigits(t.substr(5, 2)) || !AllDigits(t.substr(8, 2))) return false;
  time.year = Number(t.substr(0, 4));
  time.month = Number(t.substr(5, 2));
  time.day = Number(t.substr(8, 2));
  return true;
}

// "12:50".
bool ParseClock(std::string_view t, MetarTime& time) {
  if (t.size() != 5 || t[2] != ':' || !AllDigits(t.substr(0, 2)) || !AllDigits(t.substr(3, 2))) return false;
  time.hour = Number(t.substr(0, 2));
  time.minute = Number(t.substr(3, 2));
  return true;
}

bool PlausibleTime(const MetarTime& t) {
  return t.year >= 1900 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour <= 23 &&
         t.minute <= 59;
}

// Two digits with an optional M before them: whole degrees.
bool ParseDegrees(std::string_view part, int& value) {
  const bool minus = !part.empty() && part[0] == 'M';
  if (minus) part.remove_prefix(1);
  if (part.size() != 2 || !AllDigits(part)) return false;
  value = minus ? -Number(part) : Number(part);
  return true;
}

// "M05/M07", "12/08", "12/" or "12///": temperature, then the dew point when given.
bool ParseTemperature(std::string_view t, int& temperature, bool& hasDew, int& dew) {
  const std::size_t slash = t.find('/');
  if (slash == std::string_view::npos || !ParseDegrees(t.substr(0, slash), temperature)) return false;
  const std::string_view rest = t.substr(slash + 1);
  hasDew = false;
  if (rest.empty() || rest == "//") return true;
  hasDew = ParseDegrees(rest, dew);
  return hasDew;
}

// "Q1013" in hectopascal, "A2992" in hundredths of an inch of mercury.
bool ParsePressure(std::string_view t, int& pressure) {
  if (t.size() != 5 || !AllDigits(t.substr(1))) return false;
  const int n = Number(t.substr(1));
  if (t[0] == 'Q') {
    pressure = n;
    return true;
  }
  if (t[0] == 'A') {
    pressure = static_cast<int>(n * 0.33864);
    return true;
  }
  return false;
}

// A cloud group starts with its cover; the clear-sky words stand alone
// ("NCD": an automatic station saw no cloud). A vertical visibility ("VV001",
// "VV///") means the sky is hidden: overcast.
int CloudLevel(std::string_view t) {
  if (t == "CAVOK" || t == "NSC" || t == "SKC" || t == "CLR" || t == "NCD") return kCloudClear;
  if (t.size() == 5 && StartsWith(t, "VV") && (AllDigits(t.substr(2)) || t.substr(2) == "///"))
    return kCloudOvercast;
  if (StartsWith(t, "FEW")) return kCloudFew;
  if (StartsWith(t, "SCT")) return kCloudScattered;
  if (StartsWith(t, "BKN")) return kCloudBroken;
  if (StartsWith(t, "OVC")) return kCloudOvercast;
  return kMetarNone;
}

// The two-letter codes a present-weather group is made of.
bool IsWeatherCode(std::string_view code) {
  static constexpr const char* kCodes[] = {"VC", "MI", "PR", "BC", "DR", "BL", "SH", "TS", "FZ", "DZ", "RA",
                                           "SN", "SG", "IC", "PL", "GR", "GS", "UP", "BR", "FG", "FU", "VA",
                                           "DU", "SA", "HZ", "PY", "PO", "SQ", "FC", "SS", "DS"};
  for (const char* c : kCodes)
    if (code == c) return true;
  return false;
}

// -1 for a token that is no weather group; else its class (0 when none of
// the classes' codes is in it, as for haze).
int WeatherClass(std::string_view t) {
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.remove_prefix(1);
  if (t.empty() || t.size() % 2 != 0) return -1;
  for (std::size_t i = 0; i < t.size(); i += 2)
    if (!IsWeatherCode(t.substr(i, 2))) return -1;
  auto has = [t](std::string_view code) {
    for (std::size_t i = 0; i < t.size(); i += 2)
      if (t.substr(i, 2) == code) return true;
    return false;
  };
  if (has("TS")) return kWeatherThunderstorm;
  if (has("RA") || has("DZ")) return kWeatherRain;
  if (has("SN") || has("SG")) return kWeatherSnow;
  if (has("GR") || has("GS") || has("IC")) return kWeatherHail;
  if (has("BR") || has("FG")) return kWeatherFog;
  return kWeatherNone;
}

// A report that is not of the chosen station: nothing of it is shown.
MetarValues NoData(const MetarValues& previous, const std::string& station) {
  MetarValues none;
  none.pressure = previous.pressure;
  none.humidity = previous.humidity;
  none.station = station;
  return none;
}

constexpr int kHumidityMax = 1000;

const char* const kWeatherLog[] = {"", "Gewitter", "Regen", "Schnee", "Hagel", "Nebel"};

}  // namespace

int RelativeHumidity(int temperature, int dewPoint) {
  const double t = temperature, td = dewPoint;
  const double ratio = (td + 112.0 - 0.1 * t) / (0.9 * t + 112.0);
  const double percent = 100.0 * std::pow(ratio, 8) + 0.5;
  // A dew point far above the temperature (M99/99) would not fit an int: any
  // value past 100 shows as unknown anyway.
  return percent < kHumidityMax ? static_cast<int>(percent) : kHumidityMax;
}

int JoinMetarLines(std::string_view content, std::string& text) {
  text.clear();
  const std::size_t limit = kMetarTextCapacity - 1;  // the closing blank always fits
  int lines = 0;
  std::size_t pos = 0;
  while (lines < kMetarMaxLines && pos < content.size()) {
    std::size_t end = content.find('\n', pos);
    const std::size_t next = end == std::string_view::npos ? content.size() : end + 1;
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = content.substr(pos, end - pos);
    pos = next;
    ++lines;
    if (line.size() > kMetarLineMax) line = line.substr(0, kMetarLineMax);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    if (line.empty()) continue;
    for (char c : line) {
      if (text.size() >= limit) break;
      text.push_back(IsBlank(c) ? ' ' : c);
    }
    if (text.size() < limit) text.push_back(' ');
  }
  return lines;
}

MetarValues DecodeMetarText(std::string_view input, const MetarValues& previous,
                            std::string_view expectedStation, MetarLogSink log) {
  MetarValues r;
  r.pressure = previous.pressure;
  r.humidity = previous.humidity;
  if (input.size() > kMetarTextCapacity - 1) input = input.substr(0, kMetarTextCapacity - 1);

  std::string_view text = input;
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) {
    Log(log, "Keine Wetterdaten");
    return r;
  }
  // Remarks and trend forecasts describe no current weather.
  for (const char* cut : {" RMK", " TEMPO", " BECMG", " NOSIG"}) {
    const std::size_t at = FindNoCase(text, cut);
    if (at != std::string_view::npos) text = text.substr(0, at);
  }
  Log(log, "%.*s ", static_cast<int>(text.size() < 200 ? text.size() : 200), text.data());

  bool haveDate = false, haveTime = false, haveTemperature = false, havePressure = false, haveStation = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    std::size_t end = pos;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (end == pos) break;
    std::string_view token = text.substr(pos, end - pos);
    pos = end;
    if (token.size() > kMetarTokenMax) token = token.substr(0, kMetarTokenMax);

    if (!haveDate && ParseDate(token, r.observed)) {
      haveDate = true;
      Log(log, "DATUM = %.*s ", static_cast<int>(token.size()), token.data());
      continue;
    }
    if (!haveTime && ParseClock(token, r.observed)) {
      haveTime = true;
      Log(log, "ZEIT = %.*s ", static_cast<int>(token.size()), token.data());
      continue;
    }
    if (token == "METAR" || token == "SPECI") continue;
    // The first word of the report proper is the station: never weather.
    if (!haveStation) {
      haveStation = true;
      if (token.size() == 4 && IsAlnum(token[0]) && IsAlnum(token[1]) && IsAlnum(token[2]) &&
          IsAlnum(token[3])) {
        r.station = std::string(token);
        if (!expectedStation.empty() && !SameStation(token, expectedStation)) {
          Log(log, "+++ Bericht von %s statt %.*s", r.station.c_str(),
              static_cast<int>(expectedStation.size()), expectedStation.data());
          return NoData(previous, r.station);
        }
        continue;
      }
    }
    int temperature = 0, dew = 0;
    bool hasDew = false;
    if (!haveTemperature && ParseTemperature(token, temperature, hasDew, dew)) {
      haveTemperature = true;
      r.temperatureC = temperature;
      r.temperatureF = temperature * 18 / 10 + 32;
      r.humidity = hasDew ? RelativeHumidity(temperature, dew) : 0;
      r.valid = 1;
      Log(log, "TEMP = %d %s", temperature,
          "\xB0"
          "Celsius");
      Log(log, "REL. LUFTFEUCHTIGKEIT = %d Prozent", r.humidity);
      continue;
    }
    int pressure = 0;
    if (!havePressure && ParsePressure(token, pressure)) {
      havePressure = true;
      r.pressure = pressure;
      Log(log, "LUFTDRUCK = %d Hektopascal", pressure);
      continue;
    }
    const int level = CloudLevel(token);
    if (level != kMetarNone) {
      r.valid = 1;
      if (level == kCloudClear) {
        r.cloud = kCloudClear;
        r.weather = kWeatherNone;
        Log(log, "Wolkenlos");
      } else if (r.cloud < level) {
        r.cloud = level;
        Log(log, "Wolken %d", level);
      }
      continue;
    }
    const int weather = WeatherClass(token);
    if (weather > 0) {
      r.weather = weather;
      Log(log, "%s", kWeatherLog[weather]);
    }
  }
  if (!expectedStation.empty() && r.station.empty()) {
    Log(log, "+++ Bericht ohne Station");
    return NoData(previous, {});
  }
  if (haveDate && haveTime && PlausibleTime(r.observed)) r.observed.found = true;
  return r;
}

std::string FormatObservationTime(const MetarTime& local, int iTime, int iDate,
                                  std::string_view dateSeparator) {
  if (!local.found) return {};
  int hour = local.hour;
  if (iTime < 1 && hour > 12) hour -= 12;
  const std::string sep(dateSeparator.substr(0, 3));
  char text[64];
  switch (iDate) {
    case 0:
      std::snprintf(text, sizeof text, "(%02d%s%02d%s%04d %02d:%02d)", local.month, sep.c_str(), local.day,
                    sep.c_str(), local.year, hour, local.minute);
      break;
    case 1:
      std::snprintf(text, sizeof text, "(%02d%s%02d%s%04d %02d:%02d)", local.day, sep.c_str(), local.month,
                    sep.c_str(), local.year, hour, local.minute);
      break;
    case 2:
      std::snprintf(text, sizeof text, "(%04d%s%02d%s%02d %02d:%02d)", local.year, sep.c_str(), local.month,
                    sep.c_str(), local.day, hour, local.minute);
      break;
    default:
      return {};
  }
  text[23] = '\0';
  return text;
}
