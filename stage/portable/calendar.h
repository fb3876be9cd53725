// Calendar computations: dates, weekdays, ISO weeks, Easter, moon, seasons and
// the public holidays of the regions the billboard calendar offers.
//
// Pure and portable: no Windows header. Dates are (day, month, year) ints,
// weekday 0 = Sunday, day of year from 1. Functions that work on "today" read
// the local time once per call through LocalNow().
//
// Two-digit years: DayOfYear, EasterDayOfYear, IsHoliday and HolidayName map a
// year below 1900 with MapCalendarYear (0-38 -> 2000-2038, 39-99 -> 1939-1999).
// IsLeapYear, DaysInMonth, Weekday, WeekNumber and MoonAge take the year as it is.
//
// Texts (HolidayRegionNames, HolidayName) are in Windows code page 1252.
#pragma once

#include <cstddef>
#include <cstdint>

// The local time in parts; weekday 0 = Sunday.
struct LocalDateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
  int weekday = 0;
};

// Where "today" comes from: the C runtime's local time, or, while one of
// these guards lives, the source it installed (a test's fixed date):
//   ScopedLocalTimeSource pinned([] { return LocalDateTime{.year = 2026, .month = 12, .day = 7}; });
// Its end puts back the source there was before it (guards nest; a null
// source reads the C runtime's time). Safe while other threads read the time.
using LocalTimeSource = LocalDateTime (*)();
class ScopedLocalTimeSource {
 public:
  explicit ScopedLocalTimeSource(LocalTimeSource source);
  ~ScopedLocalTimeSource();
  ScopedLocalTimeSource(const ScopedLocalTimeSource&) = delete;
  ScopedLocalTimeSource& operator=(const ScopedLocalTimeSource&) = delete;

 private:
  LocalTimeSource previous_;
};
LocalDateTime LocalNow();

// Adapts a SYSTEMTIME (or anything with its field names) without this header
// needing windows.h.
template <class SystemTimeLike>
constexpr LocalDateTime FromSystemTime(const SystemTimeLike& st) {
  LocalDateTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.milliseconds = st.wMilliseconds;
  t.weekday = st.wDayOfWeek;
  return t;
}

// Holiday regions (the Feiertage setting): 0 none, 1-16 the German states in
// alphabetical order, 17 Austria, 18 Switzerland.
enum HolidayRegion : int {
  kRegionNone = 0,
  kRegionBadenWuerttemberg = 1,
  kRegionBayern = 2,
  kRegionBerlin = 3,
  kRegionBrandenburg = 4,
  kRegionBremen = 5,
  kRegionHamburg = 6,
  kRegionHessen = 7,
  kRegionMecklenburgVorpommern = 8,
  kRegionNiedersachsen = 9,
  kRegionNordrheinWestfalen = 10,
  kRegionRheinlandPfalz = 11,
  kRegionSaarland = 12,
  kRegionSachsen = 13,
  kRegionSachsenAnhalt = 14,
  kRegionSchleswigHolstein = 15,
  kRegionThueringen = 16,
  kRegionAustria = 17,
  kRegionSwitzerland = 18,
};
constexpr int kHolidayRegionCount = 19;
constexpr int kHolidayRegionNameSize = 80;
extern const char HolidayRegionNames[kHolidayRegionCount][kHolidayRegionNameSize];

// Today. Null pointers are skipped.
void GetLocalTimeParts(uint32_t* day, uint32_t* month, uint32_t* year, uint32_t* hour, uint32_t* minute,
                       uint32_t* second, uint32_t* weekday);

// "05.12.2026", "05.12.2026 14:07", "05.12.2026 14:07.09" (the log's stamp).
// Bounded by capacity (a capacity of 0 writes nothing); the forms with a time
// argument format that time instead of now.
void FormatDate(char* buffer, size_t capacity);
void FormatDateTime(char* buffer, size_t capacity);
void FormatLogTimestamp(char* buffer, size_t capacity);
void FormatDate(char* buffer, size_t capacity, const LocalDateTime& t);
void FormatDateTime(char* buffer, size_t capacity, const LocalDateTime& t);
void FormatLogTimestamp(char* buffer, size_t capacity, const LocalDateTime& t);

int MapCalendarYear(int year);
int IsLeapYear(int year);
int DaysInMonth(int month, int year);  // 0 for a month outside 1-12
int DayOfYear(int day, int month, int year);
int TodayDayOfYear();
int Weekday(int day, int month, int year);     // 0-6, 0 = Sunday
int WeekNumber(int day, int month, int year);  // ISO 8601 week 1-53

// Day of the year of Easter Sunday; month (3 or 4) and day go to the non-null
// out-values.
int EasterDayOfYear(int year, int* month, int* day);

int MoonAge(int day, int month, int year);    // 0-29 days since new moon
int MoonPhase(int day, int month, int year);  // 0 new moon ... 4 full moon ... 7

// Start of spring (0), summer (1), autumn (2) and winter (3): the equinox or
// solstice as a Julian Day in universal time, and its date in Central European
// (summer) time, returned as day of year with month and day in the out-values.
// Outside the years 1000-3000 the date falls back to 20 March, 21 June,
// 23 September and 21 December.
double SeasonStartUt(int year, int season);
int SeasonStartDay(int year, int season, int* month, int* day);

// Public holiday of the region: 1 or 0. An invalid date or region is no holiday.
int IsHoliday(int day, int month, int year, int region);
int IsHolidayToday(int region);

// Writes the names of the date's holidays and special days, each followed by a
// blank, separated by line feeds ("Ostersonntag " or "A \nB "). The buffer is
// zeroed first and never overrun; a short buffer gets the text cut. Returns 0
// when there are none, else the full text's length plus one.
int HolidayName(int day, int month, int year, int region, char* buffer, size_t capacity);

// Seasons of the scene chooser and the figures; the forms without a date ask
// about today.
int IsCarnivalSeason();  // Easter Sunday - 62 to - 47
int IsEasterTime();      // Palm Sunday to Easter Monday
int IsEasterWeekend();   // Holy Saturday to Easter Monday
int IsEasterSunday();
int IsEasterMonday();
int IsAdventTime();  // 1 to 25 December
int IsCarnivalSeason(int day, int month, int year);
int IsEasterTime(int day, int month, int year);
int IsEasterWeekend(int day, int month, int year);
int IsEasterSunday(int day, int month, int year);
int IsEasterMonday(int day, int month, int year);
int IsAdventTime(int day, int month, int year);
