#pragma once
// The METAR decoder: turns the cached station file (a date line in UTC, then
// the coded report) into the few values the weather sign shows. Simple token
// tests, not the full grammar. Pure and bounded: no Windows header, no
// allocation that grows with the input beyond the fixed text capacity.

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr int kMetarNone = -999;

// Working limits of the joined text and of one token.
inline constexpr std::size_t kMetarTextCapacity = 4000;  // with its closing blank
inline constexpr std::size_t kMetarTokenMax = 15;
inline constexpr int kMetarMaxLines = 10;
inline constexpr std::size_t kMetarLineMax = 1023;

enum MetarCloud : int {
  kCloudClear = 0,
  kCloudFew = 1,
  kCloudScattered = 2,
  kCloudBroken = 3,
  kCloudOvercast = 4
};
enum MetarWeather : int {
  kWeatherNone = 0,
  kWeatherThunderstorm = 1,
  kWeatherRain = 2,
  kWeatherSnow = 3,
  kWeatherHail = 4,
  kWeatherFog = 5,
};

// The observation time the date and time tokens give, in UTC.
struct MetarTime {
  bool found = false;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

struct MetarValues {
  int valid = 0;  // 1 once a temperature group or a cloud group was decoded
  int temperatureC = kMetarNone;
  int temperatureF = kMetarNone;
  int cloud = kMetarNone;
  int weather = kWeatherNone;
  int pressure = 0;  // hectopascal; carried over from the previous report when absent
  int humidity = 0;  // percent; 0 when the report has a temperature but no dew point
  MetarTime observed;
  std::string station;  // the report's station code, empty when none was seen
};

// Receives the decoder's log lines (German, without time stamp); may be null.
using MetarLogSink = void (*)(const char* line);

// Joins the file's lines as the cache reader does: at most 10 lines of at
// most 1023 characters (the rest of a longer line is dropped), line ends
// stripped, each non-empty line followed by one blank, the whole cut to leave
// room for a closing blank. Control characters count as blanks. Returns the
// number of lines read, empty ones included.
int JoinMetarLines(std::string_view content, std::string& text);

// Decodes a joined text. `previous` supplies the pressure and humidity that
// carry over. When `expectedStation` is not empty, a report of another
// station decodes as no data (valid 0), so a station change never shows the
// old station's weather.
MetarValues DecodeMetarText(std::string_view text, const MetarValues& previous,
                            std::string_view expectedStation, MetarLogSink log);

// The bracketed observation time in the regional format: iDate 0 month, day,
// year; 1 day, month, year; 2 year, month, day (others: empty). An iTime
// below 1 shows hours above 12 in the 12-hour form. At most 23 characters.
std::string FormatObservationTime(const MetarTime& local, int iTime, int iDate,
                                  std::string_view dateSeparator);

// Relative humidity from temperature and dew point (whole degrees Celsius).
int RelativeHumidity(int temperature, int dewPoint);
