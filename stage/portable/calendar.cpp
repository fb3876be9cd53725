#include "stage/portable/calendar.h"

#include <atomic>
#include <climits>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

// Texts are code page 1252 (the program's ANSI windows). A hex escape would
// swallow a following hex digit, so "ß" before "e" is written in octal (\337).
const char HolidayRegionNames[kHolidayRegionCount][kHolidayRegionNameSize] = {
    "(keine)",
    "Deutschland (Baden-W\xFCrttemberg)",
    "Deutschland (Bayern)",
    "Deutschland (Berlin)",
    "Deutschland (Brandenburg)",
    "Deutschland (Bremen)",
    "Deutschland (Hamburg)",
    "Deutschland (Hessen)",
    "Deutschland (Mecklenburg-Vorpommern)",
    "Deutschland (Niedersachsen)",
    "Deutschland (Nordrhein-Westfalen)",
    "Deutschland (Rheinland-Pfalz)",
    "Deutschland (Saarland)",
    "Deutschland (Sachsen)",
    "Deutschland (Sachsen-Anhalt)",
    "Deutschland (Schleswig-Holstein)",
    "Deutschland (Th\xFCringen)",
    "\xD6sterreich",
    "Schweiz",
};

namespace {

// All arithmetic on years and days runs in 64 bits with floor division, so
// that any int a caller passes gives a defined, in-range answer.
using i64 = int64_t;

i64 FloorDiv(i64 a, i64 b) {
  i64 q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}
i64 FloorMod(i64 a, i64 b) {
  return a - FloorDiv(a, b) * b;
}

bool Leap(i64 y) {
  return y % 400 == 0 || (y % 100 != 0 && y % 4 == 0);
}

i64 MonthDays(i64 month, i64 year) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && Leap(year) ? 29 : kDays[month - 1];
}

// Day of the year with the year taken as it is. A month outside 1-12 adds no
// days before it; one above 2 (13 included) adds the leap day.
i64 DayOfYearOf(i64 day, i64 month, i64 year) {
  static constexpr int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  i64 d = day;
  if (month >= 1 && month <= 12) d += kBefore[month - 1];
  if (month > 2 && Leap(year)) d += 1;
  return d;
}

i64 MapYear(i64 year) {
  if (year >= 1900) return year;
  return year + (year < 39 ? 2000 : 1900);
}

// Weekday, 0 = Sunday, proleptic Gregorian: the century form of Gauss' rule
// on the day of the year.
i64 WeekdayOf(i64 day, i64 month, i64 year) {
  i64 y = year - 1;
  i64 c = FloorDiv(y, 100);
  i64 g = FloorMod(y, 100);
  return FloorMod(g / 4 + 5 * c + g + DayOfYearOf(day, month, year) + FloorDiv(c, 4) + 28, 7);
}

// ISO week from the weekday of 1 January; days before the first Monday of a
// week 1 belong to the previous year's last week, and 29-31 December may
// belong to the next year's week 1.
i64 WeekNumberOf(i64 day, i64 month, i64 year) {
  i64 d = DayOfYearOf(day, month, year);
  i64 w = (WeekdayOf(1, 1, year) + 2) % 7;
  i64 week = (w + 3 + d) / 7;
  if (week < 1) {
    i64 wp = (WeekdayOf(1, 1, year - 1) + 2) % 7;
    return (DayOfYearOf(31, 12, year - 1) + wp + 3) / 7;
  }
  if (week > 52) {
    i64 wn = (WeekdayOf(1, 1, year + 1) + 2) % 7;
    if ((wn + 3 + 1) / 7 == 1) return 1;
  }
  return week;
}

// Easter Sunday of a (mapped) year, Gregorian computus in Knuth's form.
i64 EasterOf(i64 y, int* month_out, int* day_out) {
  i64 g = FloorMod(y, 19) + 1;
  i64 c100 = FloorDiv(y, 100);
  i64 c = c100 + 1;
  i64 x = FloorDiv(3 * c, 4) - 12;
  i64 z = FloorDiv(8 * c100 + 13, 25);
  i64 d = FloorDiv(5 * y, 4) - x - 10;
  i64 e = FloorMod(11 * g + z + 15 - x, 30);
  if ((e == 25 && g > 11) || e == 24) e += 1;
  i64 n = 44 - e;
  if (n < 21) n += 30;
  n = n + 7 - FloorMod(d + n, 7);
  int month = n > 31 ? 4 : 3;
  int day = static_cast<int>(n > 31 ? n - 31 : n);
  if (month_out) *month_out = month;
  if (day_out) *day_out = day;
  return DayOfYearOf(day, month, y);
}

// Fourth Sunday of Advent: the Sunday before Christmas Day, a week earlier when
// Christmas Day is a Sunday.
i64 FourthAdventOf(i64 y) {
  i64 w = WeekdayOf(25, 12, y);
  return DayOfYearOf(25, 12, y) - (w == 0 ? 7 : w);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(i64 z, i64* year, int* month, int* day) {
  z += 719468;
  i64 era = FloorDiv(z, 146097);
  i64 doe = z - era * 146097;
  i64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  i64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  i64 mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = yoe + era * 400 + (*month <= 2 ? 1 : 0);
}

// Difference between dynamical and universal time in seconds: observed values
// by decade, then the usual long-term extrapolations.
double DeltaTSeconds(double year) {
  static constexpr double kObserved[] = {-2.7, 10.4, 21.2, 24.0, 24.3, 29.1, 33.2,
                                         40.2, 50.5, 56.9, 63.8, 66.1, 69.4};
  double u = (year - 1820.0) / 100.0;
  if (year >= 1900.0 && year < 2020.0) {
    double pos = (year - 1900.0) / 10.0;
    int i = static_cast<int>(pos);
    return kObserved[i] + (kObserved[i + 1] - kObserved[i]) * (pos - i);
  }
  if (year >= 2020.0 && year < 2050.0) {
    double t = year - 2000.0;
    return 62.92 + 0.32217 * t + 0.005589 * t * t;
  }
  if (year >= 2050.0 && year < 2150.0) return -20.0 + 32.0 * u * u - 0.5628 * (2150.0 - year);
  return -20.0 + 32.0 * u * u;
}

constexpr int kSeasonFirstYear = 1000;
constexpr int kSeasonLastYear = 3000;

// Equinoxes and solstices after the classic mean-event polynomials with the
// 24 periodic terms of the Sun's perturbations; about a minute off.
double SeasonJde(int year, int season) {
  static constexpr double kMean[4][5] = {
      {2451623.80984, 365242.37404, 0.05169, -0.00411, -0.00057},
      {2451716.56767, 365241.62603, 0.00325, 0.00888, -0.00030},
      {2451810.21715, 365242.01767, -0.11575, 0.00337, 0.00078},
      {2451900.05952, 365242.74049, -0.06223, -0.00823, 0.00032},
  };
  static constexpr double kTerms[24][3] = {
      {485, 324.96, 1934.136}, {203, 337.23, 32964.467}, {199, 342.08, 20.186},   {182, 27.85, 445267.112},
      {156, 73.14, 45036.886}, {136, 171.52, 22518.443}, {77, 222.54, 65928.934}, {74, 296.72, 3034.906},
      {70, 243.58, 9037.513},  {58, 119.81, 33718.147},  {52, 297.17, 150.678},   {50, 21.02, 2281.226},
      {45, 247.54, 29929.562}, {44, 325.15, 31555.956},  {29, 60.93, 4443.417},   {18, 155.12, 67555.328},
      {17, 288.79, 4562.452},  {16, 198.04, 62894.029},  {14, 199.76, 31436.921}, {12, 95.39, 14577.848},
      {12, 287.11, 31931.756}, {12, 320.81, 34777.259},  {9, 227.73, 1222.114},   {8, 15.45, 16859.074},
  };
  constexpr double kRad = 3.14159265358979323846 / 180.0;
  const double* m = kMean[season];
  double y = (static_cast<double>(year) - 2000.0) / 1000.0;
  double jde0 = m[0] + y * (m[1] + y * (m[2] + y * (m[3] + y * m[4])));
  double t = (jde0 - 2451545.0) / 36525.0;
  double w = (35999.373 * t - 2.47) * kRad;
  double dl = 1.0 + 0.0334 * std::cos(w) + 0.0007 * std::cos(2.0 * w);
  double s = 0.0;
  for (const auto& term : kTerms) s += term[0] * std::cos((term[1] + term[2] * t) * kRad);
  return jde0 + 0.00001 * s / dl;
}

i64 SeasonStartDayOf(i64 year, int season, int* month_out, int* day_out) {
  static constexpr int kFallbackDay[4] = {20, 21, 23, 21};
  int month = 3 + 3 * season;
  int day = kFallbackDay[season];
  if (year >= kSeasonFirstYear && year <= kSeasonLastYear) {
    int y = static_cast<int>(year);
    // Central European Time; summer time holds the June solstice and the
    // September equinox from 1980 on.
    double offset_hours = (season == 1 || season == 2) && y >= 1980 ? 2.0 : 1.0;
    double jd = SeasonStartUt(y, season) + offset_hours / 24.0;
    i64 cy = 0;
    CivilFromDays(static_cast<i64>(std::floor(jd + 0.5)) - 2440588, &cy, &month, &day);
  }
  if (month_out) *month_out = month;
  if (day_out) *day_out = day;
  return DayOfYearOf(day, month, year);
}

bool ValidDate(int day, int month, i64 year) {
  return month >= 1 && month <= 12 && day >= 1 && day <= MonthDays(month, year);
}

// --- Holidays and named days ------------------------------------------------

constexpr uint32_t Region(int code) {
  return 1u << code;
}
constexpr uint32_t kAllRegions = (1u << kHolidayRegionCount) - 1;
constexpr uint32_t kGermanyOrNone = (1u << 17) - 1;  // codes 0-16
constexpr uint32_t kGermany = kGermanyOrNone & ~Region(kRegionNone);
constexpr uint32_t kAustria = Region(kRegionAustria);
constexpr uint32_t kSwitzerland = Region(kRegionSwitzerland);
constexpr int kAnyYear = INT_MIN;
constexpr int kNoEnd = INT_MAX;

enum class DayKind {
  kFixed,        // a: month, b: day
  kLastSunday,   // a: month
  kSundayFrom,   // a: month, b: first day of the week that holds the Sunday
  kSeasonStart,  // a: season 0-3
  kEaster,       // a: days from Easter Sunday
  kAdvent,       // a: days from the fourth Sunday of Advent
};

struct DayRule {
  DayKind kind;
  int a;
  int b;
  uint32_t regions;
  int first_year;
  int last_year;
  const char* name;
};

struct YearFacts {
  i64 year;  // mapped
  i64 easter;
  i64 advent4;
};

YearFacts FactsOf(i64 year) {
  return {year, EasterOf(year, nullptr, nullptr), FourthAdventOf(year)};
}

// The rule's day of the year in this year.
i64 RuleDay(const DayRule& r, const YearFacts& f) {
  switch (r.kind) {
    case DayKind::kFixed:
      return DayOfYearOf(r.b, r.a, f.year);
    case DayKind::kLastSunday: {
      i64 last = MonthDays(r.a, f.year);
      return DayOfYearOf(last - WeekdayOf(last, r.a, f.year), r.a, f.year);
    }
    case DayKind::kSundayFrom:
      return DayOfYearOf(r.b + (7 - WeekdayOf(r.b, r.a, f.year)) % 7, r.a, f.year);
    case DayKind::kSeasonStart:
      return SeasonStartDayOf(f.year, r.a, nullptr, nullptr);
    case DayKind::kEaster:
      return f.easter + r.a;
    case DayKind::kAdvent:
      return f.advent4 + r.a;
  }
  return -1;
}

bool RuleMatches(const DayRule& r, const YearFacts& f, int region, i64 doy) {
  if (!((r.regions >> region) & 1u)) return false;
  if (f.year < r.first_year || f.year > r.last_year) return false;
  return RuleDay(r, f) == doy;
}

// Public holidays by law. Switzerland has few federal holidays; the region
// keeps the set most cantons observe.
constexpr DayRule kHolidays[] = {
    {DayKind::kFixed, 1, 1, kAllRegions, kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 1, 6,
     Region(kRegionBadenWuerttemberg) | Region(kRegionBayern) | Region(kRegionSachsenAnhalt) | kAustria |
         kSwitzerland,
     kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 3, 8, Region(kRegionBerlin), 2019, kNoEnd, nullptr},
    {DayKind::kFixed, 3, 8, Region(kRegionMecklenburgVorpommern), 2023, kNoEnd, nullptr},
    {DayKind::kFixed, 5, 1, kAllRegions & ~kSwitzerland, kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 5, 8, Region(kRegionBerlin), 2020, 2020, nullptr},
    {DayKind::kFixed, 5, 8, Region(kRegionBerlin), 2025, 2025, nullptr},
    {DayKind::kFixed, 6, 17, kGermany, 1954, 1990, nullptr},
    {DayKind::kFixed, 8, 1, kSwitzerland, kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 8, 15, Region(kRegionBayern) | Region(kRegionSaarland) | kAustria | kSwitzerland,
     kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 9, 20, Region(kRegionThueringen), 2019, kNoEnd, nullptr},
    {DayKind::kFixed, 10, 3, kGermany, 1990, kNoEnd, nullptr},
    {DayKind::kFixed, 10, 26, kAustria, 1967, kNoEnd, nullptr},
    {DayKind::kFixed, 10, 31,
     Region(kRegionBrandenburg) | Region(kRegionMecklenburgVorpommern) | Region(kRegionSachsen) |
         Region(kRegionSachsenAnhalt) | Region(kRegionThueringen),
     kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 10, 31,
     Region(kRegionBremen) | Region(kRegionHamburg) | Region(kRegionNiedersachsen) |
         Region(kRegionSchleswigHolstein),
     2018, kNoEnd, nullptr},
    {DayKind::kFixed, 10, 31, kGermany, 2017, 2017, nullptr},  // 500 years of the Reformation
    {DayKind::kFixed, 11, 1,
     Region(kRegionBadenWuerttemberg) | Region(kRegionBayern) | Region(kRegionNordrheinWestfalen) |
         Region(kRegionRheinlandPfalz) | Region(kRegionSaarland) | kAustria | kSwitzerland,
     kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 12, 8, kAustria, kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 12, 25, kAllRegions, kAnyYear, kNoEnd, nullptr},
    {DayKind::kFixed, 12, 26, kAllRegions, kAnyYear, kNoEnd, nullptr},
    // Good Friday is no general holiday in Austria; Holy Saturday nowhere.
    {DayKind::kEaster, -2, 0, kAllRegions & ~kAustria, kAnyYear, kNoEnd, nullptr},
    {DayKind::kEaster, 0, 0, kAllRegions, kAnyYear, kNoEnd, nullptr},
    {DayKind::kEaster, 1, 0, kAllRegions, kAnyYear, kNoEnd, nullptr},
    {DayKind::kEaster, 39, 0, kAllRegions, kAnyYear, kNoEnd, nullptr},
    {DayKind::kEaster, 49, 0, kAllRegions, kAnyYear, kNoEnd, nullptr},
    {DayKind::kEaster, 50, 0, kAllRegions, kAnyYear, kNoEnd, nullptr},
    {DayKind::kEaster, 60, 0,
     Region(kRegionBadenWuerttemberg) | Region(kRegionBayern) | Region(kRegionHessen) |
         Region(kRegionNordrheinWestfalen) | Region(kRegionRheinlandPfalz) | Region(kRegionSaarland) |
         kAustria | kSwitzerland,
     kAnyYear, kNoEnd, nullptr},
    // Buß- und Bettag: everywhere in Germany until 1994, since then Saxony only.
    {DayKind::kAdvent, -32, 0, Region(kRegionSachsen), kAnyYear, kNoEnd, nullptr},
    {DayKind::kAdvent, -32, 0, kGermany, kAnyYear, 1994, nullptr},
};

constexpr uint32_t kSummerTime1980 = kAllRegions & ~kSwitzerland;  // Switzerland began in 1981

// Names in the order they are listed for one date.
constexpr DayRule kNamedDays[] = {
    {DayKind::kFixed, 1, 1, kAllRegions, kAnyYear, kNoEnd, "Neujahr"},
    {DayKind::kFixed, 1, 6, kAllRegions, kAnyYear, kNoEnd, "Dreik\xF6nigstag"},
    {DayKind::kFixed, 2, 2, kAllRegions, kAnyYear, kNoEnd, "Mari\xE4 Lichtme\xDF"},
    {DayKind::kFixed, 2, 14, kAllRegions, kAnyYear, kNoEnd, "Valentinstag"},
    {DayKind::kFixed, 3, 8, Region(kRegionBerlin), 2019, kNoEnd, "Internationaler Frauentag"},
    {DayKind::kFixed, 3, 8, Region(kRegionMecklenburgVorpommern), 2023, kNoEnd, "Internationaler Frauentag"},
    {DayKind::kFixed, 3, 19, kAllRegions, kAnyYear, kNoEnd, "St. Joseph"},
    {DayKind::kSeasonStart, 0, 0, kAllRegions, kAnyYear, kNoEnd, "Fr\xFChlingsanfang"},
    {DayKind::kFixed, 3, 25, kAllRegions, kAnyYear, kNoEnd, "Mari\xE4 Verk\xFCndung"},
    {DayKind::kLastSunday, 3, 0, kAllRegions, 1981, kNoEnd, "Beginn der Sommerzeit"},
    {DayKind::kFixed, 4, 6, kSummerTime1980, 1980, 1980, "Beginn der Sommerzeit"},
    {DayKind::kFixed, 5, 1, kAustria, kAnyYear, kNoEnd, "Staatsfeiertag"},
    {DayKind::kFixed, 5, 1, kGermanyOrNone, kAnyYear, kNoEnd, "Maifeiertag"},
    {DayKind::kFixed, 5, 5, kAllRegions, kAnyYear, kNoEnd, "Europatag"},
    {DayKind::kFixed, 5, 8, Region(kRegionBerlin), 2020, 2020, "Tag der Befreiung"},
    {DayKind::kFixed, 5, 8, Region(kRegionBerlin), 2025, 2025, "Tag der Befreiung"},
    {DayKind::kSundayFrom, 5, 8, kAllRegions, kAnyYear, kNoEnd, "Muttertag"},
    {DayKind::kFixed, 6, 17, kGermanyOrNone, 1954, 1990, "Tag der deutschen Einheit"},
    {DayKind::kSeasonStart, 1, 0, kAllRegions, kAnyYear, kNoEnd, "Sommeranfang"},
    {DayKind::kFixed, 6, 24, kAllRegions, kAnyYear, kNoEnd, "Johannistag"},
    {DayKind::kFixed, 6, 29, kAllRegions, kAnyYear, kNoEnd, "Peter und Paul"},
    {DayKind::kFixed, 8, 1, kSwitzerland, kAnyYear, kNoEnd, "Bundesfeiertag"},
    {DayKind::kFixed, 8, 15, kAllRegions, kAnyYear, kNoEnd, "Mari\xE4 Himmelfahrt"},
    {DayKind::kFixed, 9, 8, kAllRegions, kAnyYear, kNoEnd, "Mari\xE4 Geburt"},
    {DayKind::kFixed, 9, 20, Region(kRegionThueringen), 2019, kNoEnd, "Weltkindertag"},
    {DayKind::kSeasonStart, 2, 0, kAllRegions, kAnyYear, kNoEnd, "Herbstanfang"},
    {DayKind::kLastSunday, 9, 0, kSummerTime1980, 1980, 1980, "Ende der Sommerzeit"},
    {DayKind::kLastSunday, 9, 0, kAllRegions, 1981, 1995, "Ende der Sommerzeit"},
    {DayKind::kFixed, 10, 3, kGermanyOrNone, 1990, kNoEnd, "Tag der deutschen Einheit"},
    {DayKind::kFixed, 10, 26, kAustria, 1965, kNoEnd, "Nationalfeiertag"},
    {DayKind::kFixed, 10, 31, kAllRegions, kAnyYear, kNoEnd, "Reformationstag"},
    {DayKind::kLastSunday, 10, 0, kAllRegions, 1996, kNoEnd, "Ende der Sommerzeit"},
    {DayKind::kSundayFrom, 10, 1, kAllRegions, kAnyYear, kNoEnd, "Erntedankfest"},
    {DayKind::kFixed, 11, 1, kAllRegions, kAnyYear, kNoEnd, "Allerheiligen"},
    {DayKind::kFixed, 11, 2, kAllRegions, kAnyYear, kNoEnd, "Allerseelen"},
    {DayKind::kFixed, 11, 11, kAllRegions, kAnyYear, kNoEnd, "Martinstag"},
    {DayKind::kFixed, 12, 6, kAllRegions, kAnyYear, kNoEnd, "Nikolaus"},
    {DayKind::kFixed, 12, 8, kAllRegions, kAnyYear, kNoEnd, "Mari\xE4 Empf\xE4ngnis"},
    {DayKind::kSeasonStart, 3, 0, kAllRegions, kAnyYear, kNoEnd, "Winteranfang"},
    {DayKind::kFixed, 12, 24, kAllRegions, kAnyYear, kNoEnd, "Heiligabend"},
    {DayKind::kFixed, 12, 25, kGermanyOrNone, kAnyYear, kNoEnd, "1. Weihnachtstag"},
    {DayKind::kFixed, 12, 25, kAustria, kAnyYear, kNoEnd, "Christtag"},
    {DayKind::kFixed, 12, 25, kSwitzerland, kAnyYear, kNoEnd, "Weihnachten"},
    {DayKind::kFixed, 12, 26, kGermanyOrNone, kAnyYear, kNoEnd, "2. Weihnachtstag"},
    {DayKind::kFixed, 12, 26, kAustria, kAnyYear, kNoEnd, "Stephanitag"},
    {DayKind::kFixed, 12, 26, kSwitzerland, kAnyYear, kNoEnd, "Stephanstag"},
    {DayKind::kFixed, 12, 31, kAllRegions, kAnyYear, kNoEnd, "Sylvester"},
    {DayKind::kEaster, -48, 0, kAllRegions, kAnyYear, kNoEnd, "Rosenmontag"},
    {DayKind::kEaster, -47, 0, kAllRegions, kAnyYear, kNoEnd, "Fastnacht"},
    {DayKind::kEaster, -46, 0, kAllRegions, kAnyYear, kNoEnd, "Aschermittwoch"},
    {DayKind::kEaster, -14, 0, kAllRegions, kAnyYear, kNoEnd, "Judika"},
    {DayKind::kEaster, -7, 0, kAllRegions, kAnyYear, kNoEnd, "Palmsonntag"},
    {DayKind::kEaster, -3, 0, kAllRegions, kAnyYear, kNoEnd, "Gr\xFCndonnerstag"},
    {DayKind::kEaster, -2, 0, kAllRegions, kAnyYear, kNoEnd, "Karfreitag"},
    {DayKind::kEaster, 0, 0, kAllRegions, kAnyYear, kNoEnd, "Ostersonntag"},
    {DayKind::kEaster, 1, 0, kAllRegions, kAnyYear, kNoEnd, "Ostermontag"},
    {DayKind::kEaster, 7, 0, kAllRegions, kAnyYear, kNoEnd, "Wei\337er Sonntag"},
    {DayKind::kEaster, 39, 0, kAllRegions & ~kSwitzerland, kAnyYear, kNoEnd, "Christi Himmelfahrt"},
    {DayKind::kEaster, 39, 0, kSwitzerland, kAnyYear, kNoEnd, "Auffahrt"},
    {DayKind::kEaster, 49, 0, kAllRegions, kAnyYear, kNoEnd, "Pfingstsonntag"},
    {DayKind::kEaster, 50, 0, kAllRegions, kAnyYear, kNoEnd, "Pfingstmontag"},
    {DayKind::kEaster, 56, 0, kAllRegions, kAnyYear, kNoEnd, "Dreieinigkeitsfest"},
    {DayKind::kEaster, 60, 0, kAllRegions, kAnyYear, kNoEnd, "Fronleichnam"},
    {DayKind::kAdvent, 0, 0, kAllRegions, kAnyYear, kNoEnd, "4. Advent"},
    {DayKind::kAdvent, -7, 0, kAllRegions, kAnyYear, kNoEnd, "3. Advent"},
    {DayKind::kAdvent, -14, 0, kAllRegions, kAnyYear, kNoEnd, "2. Advent"},
    {DayKind::kAdvent, -21, 0, kAllRegions, kAnyYear, kNoEnd, "1. Advent"},
    {DayKind::kAdvent, -28, 0, kAllRegions, kAnyYear, kNoEnd, "Totensonntag"},
    {DayKind::kAdvent, -32, 0, kAllRegions, kAnyYear, kNoEnd, "Bu\xDF- und Bettag"},
    {DayKind::kAdvent, -35, 0, kAllRegions, kAnyYear, kNoEnd, "Volkstrauertag"},
};

// A fixed-date rule only needs checking in its own month; moving ones always.
bool MayFall(const DayRule& r, int month) {
  switch (r.kind) {
    case DayKind::kFixed:
    case DayKind::kLastSunday:
    case DayKind::kSundayFrom:
      return r.a == month;
    case DayKind::kSeasonStart:
      return 3 + 3 * r.a == month;
    default:
      return true;
  }
}

bool ValidRegion(int region) {
  return region >= 0 && region < kHolidayRegionCount;
}

// The test seam: only a ScopedLocalTimeSource sets it.
std::atomic<LocalTimeSource> g_time_source{nullptr};

LocalDateTime SystemLocalTime() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  LocalDateTime r;
  r.year = tm.tm_year + 1900;
  r.month = tm.tm_mon + 1;
  r.day = tm.tm_mday;
  r.hour = tm.tm_hour;
  r.minute = tm.tm_min;
  r.second = tm.tm_sec;
  r.milliseconds = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  r.weekday = tm.tm_wday;
  return r;
}

}  // namespace

ScopedLocalTimeSource::ScopedLocalTimeSource(LocalTimeSource source)
    : previous_(g_time_source.exchange(source, std::memory_order_relaxed)) {}

ScopedLocalTimeSource::~ScopedLocalTimeSource() {
  g_time_source.store(previous_, std::memory_order_relaxed);
}

LocalDateTime LocalNow() {
  LocalTimeSource source = g_time_source.load(std::memory_order_relaxed);
  return source ? source() : SystemLocalTime();
}

void GetLocalTimeParts(uint32_t* day, uint32_t* month, uint32_t* year, uint32_t* hour, uint32_t* minute,
                       uint32_t* second, uint32_t* weekday) {
  const LocalDateTime t = LocalNow();
  if (day) *day = static_cast<uint32_t>(t.day);
  if (month) *month = static_cast<uint32_t>(t.month);
  if (year) *year = static_cast<uint32_t>(t.year);
  if (hour) *hour = static_cast<uint32_t>(t.hour);
  if (minute) *minute = static_cast<uint32_t>(t.minute);
  if (second) *second = static_cast<uint32_t>(t.second);
  if (weekday) *weekday = static_cast<uint32_t>(t.weekday);
}

void FormatDate(char* buffer, size_t capacity, const LocalDateTime& t) {
  if (buffer && capacity) std::snprintf(buffer, capacity, "%02d.%02d.%02d", t.day, t.month, t.year);
}
void FormatDateTime(char* buffer, size_t capacity, const LocalDateTime& t) {
  if (buffer && capacity) {
    std::snprintf(buffer, capacity, "%02d.%02d.%02d %02d:%02d", t.day, t.month, t.year, t.hour, t.minute);
  }
}
void FormatLogTimestamp(char* buffer, size_t capacity, const LocalDateTime& t) {
  if (buffer && capacity) {
    std::snprintf(buffer, capacity, "%02d.%02d.%02d %02d:%02d.%02d", t.day, t.month, t.year, t.hour, t.minute,
                  t.second);
  }
}
void FormatDate(char* buffer, size_t capacity) {
  FormatDate(buffer, capacity, LocalNow());
}
void FormatDateTime(char* buffer, size_t capacity) {
  FormatDateTime(buffer, capacity, LocalNow());
}
void FormatLogTimestamp(char* buffer, size_t capacity) {
  FormatLogTimestamp(buffer, capacity, LocalNow());
}

int MapCalendarYear(int year) {
  return static_cast<int>(MapYear(year));
}
int IsLeapYear(int year) {
  return Leap(year) ? 1 : 0;
}
int DaysInMonth(int month, int year) {
  return static_cast<int>(MonthDays(month, year));
}
int DayOfYear(int day, int month, int year) {
  return static_cast<int>(DayOfYearOf(day, month, MapYear(year)));
}

int TodayDayOfYear() {
  const LocalDateTime t = LocalNow();
  return DayOfYear(t.day, t.month, t.year);
}

int Weekday(int day, int month, int year) {
  return static_cast<int>(WeekdayOf(day, month, year));
}
int WeekNumber(int day, int month, int year) {
  return static_cast<int>(WeekNumberOf(day, month, year));
}

int EasterDayOfYear(int year, int* month, int* day) {
  return static_cast<int>(EasterOf(MapYear(year), month, day));
}

int MoonAge(int day, int month, int year) {
  // Julian Day Number of the date, then its place in the mean lunation counted
  // from the new moon of 6 January 2000.
  const i64 yy = static_cast<i64>(year) - (12 - static_cast<i64>(month)) / 10;
  const i64 mm = static_cast<i64>(month) + 9 < 12 ? static_cast<i64>(month) + 9 : static_cast<i64>(month) - 3;
  i64 j = static_cast<i64>(day) + 59 + static_cast<i64>(std::trunc(30.6 * static_cast<double>(mm) + 0.5)) -
          static_cast<i64>(std::trunc(-365.25 * static_cast<double>(yy + 4712)));
  if (j > 2299160) j += 38 - static_cast<i64>(std::trunc(0.75 * static_cast<double>(yy / 100 + 49)));
  const double p = (static_cast<double>(j) - 2451550.1) / 29.530588853;
  double f = p - std::trunc(p);
  if (f < 0.0) f += 1.0;
  const int age = static_cast<int>(f * 29.53);
  return age < 0 ? 0 : (age > 29 ? 29 : age);
}

int MoonPhase(int day, int month, int year) {
  const int age = MoonAge(day, month, year);
  if (age >= 0 && age <= 1) return 0;
  if (age >= 2 && age <= 29) return (age + 2) / 4;
  if (age == 30) return 0;
  return 7;
}

double SeasonStartUt(int year, int season) {
  if (season < 0 || season > 3) return 0.0;
  return SeasonJde(year, season) - DeltaTSeconds(year + (season * 3 + 2.5) / 12.0) / 86400.0;
}

int SeasonStartDay(int year, int season, int* month, int* day) {
  if (season < 0 || season > 3) {
    if (month) *month = 0;
    if (day) *day = 0;
    return 0;
  }
  return static_cast<int>(SeasonStartDayOf(year, season, month, day));
}

int IsHoliday(int day, int month, int year, int region) {
  const i64 y = MapYear(year);
  if (!ValidRegion(region) || !ValidDate(day, month, y)) return 0;
  const YearFacts facts = FactsOf(y);
  const i64 doy = DayOfYearOf(day, month, y);
  for (const DayRule& r : kHolidays) {
    if (MayFall(r, month) && RuleMatches(r, facts, region, doy)) return 1;
  }
  return 0;
}

int IsHolidayToday(int region) {
  const LocalDateTime t = LocalNow();
  return IsHoliday(t.day, t.month, t.year, region);
}

int HolidayName(int day, int month, int year, int region, char* buffer, size_t capacity) {
  if (buffer != nullptr && capacity > 0) std::memset(buffer, 0, capacity);
  const i64 y = MapYear(year);
  if (!ValidDate(day, month, y)) return 0;
  if (!ValidRegion(region)) region = kRegionNone;
  const YearFacts facts = FactsOf(y);
  const i64 doy = DayOfYearOf(day, month, y);
  std::string text;
  for (const DayRule& r : kNamedDays) {
    if (MayFall(r, month) && RuleMatches(r, facts, region, doy)) {
      text += r.name;
      text += " \n";
    }
  }
  if (text.empty()) return 0;
  const int length = static_cast<int>(text.size());
  text.pop_back();
  if (buffer != nullptr && capacity > 0) {
    const size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(buffer, text.data(), n);
  }
  return length;
}

namespace {

bool EasterWindow(int day, int month, int year, int from, int to) {
  const i64 y = MapYear(year);
  const i64 d = DayOfYearOf(day, month, y);
  const i64 e = EasterOf(y, nullptr, nullptr);
  return d >= e + from && d <= e + to;
}

int OnToday(int (*predicate)(int day, int month, int year)) {
  const LocalDateTime t = LocalNow();
  return predicate(t.day, t.month, t.year);
}

}  // namespace

int IsCarnivalSeason(int day, int month, int year) {
  return EasterWindow(day, month, year, -62, -47);
}
int IsEasterTime(int day, int month, int year) {
  return EasterWindow(day, month, year, -7, 1);
}
int IsEasterWeekend(int day, int month, int year) {
  return EasterWindow(day, month, year, -1, 1);
}
int IsEasterSunday(int day, int month, int year) {
  return EasterWindow(day, month, year, 0, 0);
}
int IsEasterMonday(int day, int month, int year) {
  return EasterWindow(day, month, year, 1, 1);
}
int IsAdventTime(int day, int month, int /*year*/) {
  return month == 12 && day >= 1 && day <= 25;
}

int IsCarnivalSeason() {
  return OnToday(IsCarnivalSeason);
}
int IsEasterTime() {
  return OnToday(IsEasterTime);
}
int IsEasterWeekend() {
  return OnToday(IsEasterWeekend);
}
int IsEasterSunday() {
  return OnToday(IsEasterSunday);
}
int IsEasterMonday() {
  return OnToday(IsEasterMonday);
}
int IsAdventTime() {
  return OnToday(IsAdventTime);
}
