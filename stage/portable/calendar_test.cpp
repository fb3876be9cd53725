#include "stage/portable/calendar.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// --- Independent references -------------------------------------------------

// The table written at build time by calendar_reference.py (Python's datetime,
// another Easter algorithm, lunar theory).
struct ReferenceDay {
  int year, month, day, weekday, iso_year, iso_week;
};
struct ReferenceEvent {
  int year, month, day, hour;
};
struct Reference {
  std::vector<ReferenceDay> days;
  std::map<int, std::pair<int, int>> easter;  // year -> month, day
  std::vector<ReferenceEvent> new_moons;
  std::vector<ReferenceEvent> full_moons;
};

const Reference& LoadReference() {
  static const Reference ref = [] {
    Reference r;
    std::ifstream in("calendar_reference.txt");
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream s(line.substr(1));
      switch (line[0]) {
        case 'D': {
          ReferenceDay d{};
          s >> d.year >> d.month >> d.day >> d.weekday >> d.iso_year >> d.iso_week;
          r.days.push_back(d);
          break;
        }
        case 'E': {
          int y = 0, m = 0, d = 0;
          s >> y >> m >> d;
          r.easter[y] = {m, d};
          break;
        }
        case 'N':
        case 'F': {
          ReferenceEvent e{};
          s >> e.year >> e.month >> e.day >> e.hour;
          (line[0] == 'N' ? r.new_moons : r.full_moons).push_back(e);
          break;
        }
        default:
          break;
      }
    }
    return r;
  }();
  return ref;
}

// Zeller's congruence, 0 = Sunday.
int ZellerWeekday(int day, int month, int year) {
  if (month < 3) {
    month += 12;
    year -= 1;
  }
  int k = year % 100, j = year / 100;
  int h = (day + 13 * (month + 1) / 5 + k + k / 4 + j / 4 + 5 * j) % 7;  // 0 = Saturday
  return (h + 6) % 7;
}

// Gauss' Easter rule with its two exceptions.
void GaussEaster(int y, int* month, int* day) {
  int a = y % 19, b = y % 4, c = y % 7, k = y / 100;
  int p = (13 + 8 * k) / 25, q = k / 4;
  int m = (15 - p + k - q) % 30, n = (4 + k - q) % 7;
  int d = (19 * a + m) % 30, e = (2 * b + 4 * c + 6 * d + n) % 7;
  int march = 22 + d + e;
  if (d == 29 && e == 6) march = 50;
  if (d == 28 && e == 6 && (11 * m + 11) % 30 < 19) march = 49;
  *month = march > 31 ? 4 : 3;
  *day = march > 31 ? march - 31 : march;
}

// UTF-8 (Latin-1 range) to code page 1252, for writing expected names legibly.
std::string Cp1252(const char* utf8) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p) {
    if (*p == 0xC3 && p[1]) {
      out += static_cast<char>(p[1] + 0x40);
      ++p;
    } else {
      out += static_cast<char>(*p);
    }
  }
  return out;
}

std::string Names(int day, int month, int year, int region) {
  char buf[512];
  int n = HolidayName(day, month, year, region, buf, sizeof buf);
  std::string text(buf);
  EXPECT_EQ(n, text.empty() ? 0 : static_cast<int>(text.size()) + 1) << day << "." << month << "." << year;
  return text;
}

// Days of the year that IsHoliday marks, as "d.m".
std::set<std::string> HolidaysOf(int year, int region) {
  std::set<std::string> out;
  for (int m = 1; m <= 12; ++m) {
    for (int d = 1; d <= DaysInMonth(m, year); ++d) {
      if (IsHoliday(d, m, year, region)) out.insert(std::to_string(d) + "." + std::to_string(m));
    }
  }
  return out;
}

// --- Weekday, day of year, ISO week -----------------------------------------

TEST(CalendarReference, EveryDayFrom1900To2199) {
  const Reference& ref = LoadReference();
  ASSERT_EQ(ref.days.size(), 109573u) << "calendar_reference.txt missing or incomplete";
  int doy = 0, days_in_year = 0, failures = 0;
  int last_year = 0;
  for (size_t i = 0; i < ref.days.size() && failures < 20; ++i) {
    const ReferenceDay& r = ref.days[i];
    if (r.year != last_year) {
      last_year = r.year;
      doy = 0;
      days_in_year = 0;
      for (size_t j = i; j < ref.days.size() && ref.days[j].year == r.year; ++j) ++days_in_year;
      EXPECT_EQ(IsLeapYear(r.year), days_in_year == 366 ? 1 : 0) << r.year;
      EXPECT_EQ(DayOfYear(31, 12, r.year), days_in_year) << r.year;
    }
    ++doy;
    bool last_of_month = i + 1 == ref.days.size() || ref.days[i + 1].month != r.month;
    bool ok = Weekday(r.day, r.month, r.year) == r.weekday &&
              ZellerWeekday(r.day, r.month, r.year) == r.weekday &&
              DayOfYear(r.day, r.month, r.year) == doy && WeekNumber(r.day, r.month, r.year) == r.iso_week &&
              (!last_of_month || DaysInMonth(r.month, r.year) == r.day);
    if (!ok) {
      ++failures;
      ADD_FAILURE() << r.day << "." << r.month << "." << r.year << ": weekday "
                    << Weekday(r.day, r.month, r.year) << " want " << r.weekday << ", day of year "
                    << DayOfYear(r.day, r.month, r.year) << " want " << doy << ", week "
                    << WeekNumber(r.day, r.month, r.year) << " want " << r.iso_week;
    }
  }
}

// Values the reference table (1900 to 2199) does not reach.
TEST(CalendarBasics, OutsideTheReferenceRange) {
  EXPECT_EQ(DayOfYear(5, 0, 2024), 5);   // a month outside 1-12 adds nothing
  EXPECT_EQ(DayOfYear(5, 13, 2024), 6);  // ... but above February the leap day
  EXPECT_EQ(DayOfYear(1, 3, 24), 61);    // two-digit years are mapped
  EXPECT_EQ(DayOfYear(1, 3, 100), 61);   // 100 -> 2000
  EXPECT_EQ(DaysInMonth(13, 2000), 0);
  EXPECT_EQ(DaysInMonth(0, 2000), 0);
  EXPECT_EQ(Weekday(1, 1, 1), 1);       // proleptic Gregorian: a Monday
  EXPECT_EQ(Weekday(1, 3, 1600), 3);    // leap rule of the year itself, not of 3500
  EXPECT_EQ(Weekday(15, 10, 1582), 5);  // first Gregorian day, a Friday
  EXPECT_EQ(MapCalendarYear(38), 2038);
  EXPECT_EQ(MapCalendarYear(39), 1939);
  EXPECT_EQ(MapCalendarYear(1900), 1900);
}

// --- Easter and the seasons around it ----------------------------------------

TEST(CalendarEaster, AgreesWithTwoOtherAlgorithms) {
  const Reference& ref = LoadReference();
  ASSERT_EQ(ref.easter.size(), 300u);
  for (const auto& [year, md] : ref.easter) {
    int m = 0, d = 0, gm = 0, gd = 0;
    int doy = EasterDayOfYear(year, &m, &d);
    GaussEaster(year, &gm, &gd);
    ASSERT_EQ(m, md.first) << year;
    ASSERT_EQ(d, md.second) << year;
    ASSERT_EQ(gm, m) << year;
    ASSERT_EQ(gd, d) << year;
    ASSERT_EQ(doy, DayOfYear(d, m, year)) << year;
    ASSERT_EQ(Weekday(d, m, year), 0) << year;
  }
}

TEST(CalendarEaster, OutsideTheReferenceRangeAndMappedYears) {
  int m = 0, d = 0;
  EXPECT_EQ(EasterDayOfYear(2285, &m, &d), 81);  // the earliest date, 22 March
  EXPECT_EQ(m * 100 + d, 322);
  EXPECT_EQ(EasterDayOfYear(24, &m, &d), 91);
  EXPECT_EQ(m * 100 + d, 331);
  EXPECT_EQ(EasterDayOfYear(99, &m, &d), 94);
  EXPECT_EQ(m * 100 + d, 404);
  EXPECT_EQ(EasterDayOfYear(2024, nullptr, nullptr), 91);  // out-values may be left out
}

TEST(CalendarSeasons, EasterAndAdventWindowsEveryYear) {
  for (int year = 1900; year <= 2199; ++year) {
    int em = 0, ed = 0;
    const int e = EasterDayOfYear(year, &em, &ed);
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(m, year); ++d) {
        const int k = DayOfYear(d, m, year) - e;
        ASSERT_EQ(IsCarnivalSeason(d, m, year), k >= -62 && k <= -47) << d << "." << m << "." << year;
        ASSERT_EQ(IsEasterTime(d, m, year), k >= -7 && k <= 1) << d << "." << m << "." << year;
        ASSERT_EQ(IsEasterWeekend(d, m, year), k >= -1 && k <= 1) << d << "." << m << "." << year;
        ASSERT_EQ(IsEasterSunday(d, m, year), k == 0);
        ASSERT_EQ(IsEasterMonday(d, m, year), k == 1);
        ASSERT_EQ(IsAdventTime(d, m, year), m == 12 && d <= 25);
      }
    }
    // Carnival starts on a Monday and ends on Shrove Tuesday; Easter time on Palm Sunday.
    int first = 0;
    for (int doy = 1; doy <= 366 && !first; ++doy) {
      int m = 1, d = doy;
      while (d > DaysInMonth(m, year)) d -= DaysInMonth(m++, year);
      if (IsCarnivalSeason(d, m, year)) {
        first = doy;
        EXPECT_EQ(Weekday(d, m, year), 1) << year;
      }
    }
    EXPECT_EQ(first, e - 62) << year;
  }
}

// --- Moon --------------------------------------------------------------------

TEST(CalendarMoon, KnownValues) {
  for (auto [day, age, phase] : {std::tuple{6, 29, 7}, {7, 0, 0}, {21, 14, 4}})  // January 2000
    EXPECT_EQ(std::pair(MoonAge(day, 1, 2000), MoonPhase(day, 1, 2000)), std::pair(age, phase)) << day;
}

// The age counts whole days of a mean lunation, cut toward zero. A true new
// moon lies up to about 14 hours from the mean one and the date's noon up to
// 12 hours from the instant, so on its date the age is 28, 29, 0 or 1; on a
// full moon's date (14.77 days in) it is 13 to 15.
int SignedNewMoonAge(int age) {
  return age > 15 ? age - 30 : age;
}
bool NearNewMoon(int age) {
  return SignedNewMoonAge(age) >= -2 && SignedNewMoonAge(age) <= 1;
}

TEST(CalendarMoon, EveryLunationFrom1900To2199) {
  const Reference& ref = LoadReference();
  ASSERT_GT(ref.new_moons.size(), 3700u);
  ASSERT_GT(ref.full_moons.size(), 3700u);
  // Per century the mean age stays half a day below the instant (the cut):
  // the lunation does not drift.
  std::map<int, std::pair<double, int>> new_drift, full_drift;
  for (const ReferenceEvent& e : ref.new_moons) {
    int age = MoonAge(e.day, e.month, e.year);
    ASSERT_TRUE(NearNewMoon(age)) << age << " on " << e.day << "." << e.month << "." << e.year;
    auto& c = new_drift[e.year / 100];
    c.first += SignedNewMoonAge(age);
    c.second += 1;
  }
  for (const ReferenceEvent& e : ref.full_moons) {
    int age = MoonAge(e.day, e.month, e.year);
    ASSERT_GE(age, 13) << e.day << "." << e.month << "." << e.year;
    ASSERT_LE(age, 15) << e.day << "." << e.month << "." << e.year;
    auto& c = full_drift[e.year / 100];
    c.first += age;
    c.second += 1;
  }
  ASSERT_EQ(new_drift.size(), 3u);
  for (const auto& [century, c] : new_drift) EXPECT_NEAR(c.first / c.second, -0.5, 0.25) << century;
  for (const auto& [century, c] : full_drift) EXPECT_NEAR(c.first / c.second, 14.27, 0.25) << century;
}

TEST(CalendarMoon, PhaseFollowsAge) {
  const int want[31] = {0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4,
                        4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7};
  for (int d = 1; d <= 366; ++d) {
    int m = 1, day = d;
    while (day > DaysInMonth(m, 2024)) day -= DaysInMonth(m++, 2024);
    EXPECT_EQ(MoonPhase(day, m, 2024), want[MoonAge(day, m, 2024)]);
  }
}

// --- Equinoxes and solstices -------------------------------------------------

TEST(CalendarSeasonStart, KnownInstants) {
  // Universal time of the published events: year, season, month, day, hour, minute.
  const int events[][6] = {
      {2000, 0, 3, 20, 7, 35},   {2000, 1, 6, 21, 1, 48},  {2000, 2, 9, 22, 17, 27},
      {2000, 3, 12, 21, 13, 37}, {2020, 0, 3, 20, 3, 50},  {2020, 1, 6, 20, 21, 44},
      {2020, 2, 9, 22, 13, 31},  {2020, 3, 12, 21, 10, 2}, {2022, 2, 9, 23, 1, 4},
      {2022, 3, 12, 21, 21, 48}, {2023, 0, 3, 20, 21, 24}, {2023, 3, 12, 22, 3, 27},
      {2024, 0, 3, 20, 3, 6},    {2024, 1, 6, 20, 20, 51}, {2024, 2, 9, 22, 12, 44},
      {2024, 3, 12, 21, 9, 20},  {2025, 1, 6, 21, 2, 42},  {2026, 2, 9, 23, 0, 5},
      {2026, 3, 12, 21, 20, 50},
  };
  for (const auto& e : events) {
    // Julian Day of the published instant by day counting from 1 January 2000, 12:00.
    int days = 0;
    for (int y = 2000; y < e[0]; ++y) days += IsLeapYear(y) ? 366 : 365;
    days += DayOfYear(e[3], e[2], e[0]) - 1;
    double jd = 2451544.5 + days + (e[4] * 60 + e[5]) / 1440.0;
    EXPECT_NEAR(SeasonStartUt(e[0], e[1]), jd, 2.0 / 1440.0) << e[0] << " season " << e[1];
  }
}

TEST(CalendarSeasonStart, LocalDatesOfGermanCalendars) {
  // year, then the day of March, June, September and December (CET / CEST).
  // 2018: the winter solstice at 22:23 UT is still the 21st in CET.
  const int years[][5] = {{2018, 20, 21, 23, 21}, {2000, 20, 21, 22, 21}, {2020, 20, 20, 22, 21},
                          {2021, 20, 21, 22, 21}, {2022, 20, 21, 23, 21}, {2023, 20, 21, 23, 22},
                          {2024, 20, 20, 22, 21}, {2025, 20, 21, 22, 21}, {2026, 20, 21, 23, 21}};
  for (const auto& y : years) {
    for (int s = 0; s < 4; ++s) {
      int m = 0, d = 0;
      int doy = SeasonStartDay(y[0], s, &m, &d);
      EXPECT_EQ(m, 3 + 3 * s);
      EXPECT_EQ(d, y[1 + s]) << y[0] << " season " << s;
      EXPECT_EQ(doy, DayOfYear(d, m, y[0]));
    }
  }
}

TEST(CalendarSeasonStart, EveryYearInItsWindow) {
  const int lo[4] = {19, 20, 21, 20}, hi[4] = {21, 22, 24, 23};
  for (int s = 0; s < 4; ++s) {
    double prev = 0;
    for (int year = 1900; year <= 2199; ++year) {
      int m = 0, d = 0;
      SeasonStartDay(year, s, &m, &d);
      EXPECT_EQ(m, 3 + 3 * s);
      EXPECT_GE(d, lo[s]) << year;
      EXPECT_LE(d, hi[s]) << year;
      double jd = SeasonStartUt(year, s);
      if (prev != 0) {
        EXPECT_NEAR(jd - prev, 365.2422, 0.03) << year << " season " << s;
      }
      prev = jd;
    }
  }
  int m = 0, d = 0;
  SeasonStartDay(500, 2, &m, &d);  // outside the theory's range: the customary date
  EXPECT_EQ(m * 100 + d, 923);
  EXPECT_EQ(SeasonStartDay(2024, 4, &m, &d), 0);
}

// --- Public holidays ---------------------------------------------------------

std::set<std::string> Set(const char* dates) {
  std::istringstream in(dates);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

TEST(CalendarHolidays, WholeYearsAsPrinted) {
  struct Case {
    int region, year;
    const char* want;  // "d.m" days, blank-separated
  };
  const Case cases[] = {
      {kRegionBayern, 2024, "1.1 6.1 29.3 31.3 1.4 1.5 9.5 19.5 20.5 30.5 15.8 3.10 1.11 25.12 26.12"},
      {kRegionBerlin, 2024, "1.1 8.3 29.3 31.3 1.4 1.5 9.5 19.5 20.5 3.10 25.12 26.12"},
      {kRegionBerlin, 2020, "1.1 8.3 10.4 12.4 13.4 1.5 8.5 21.5 31.5 1.6 3.10 25.12 26.12"},
      {kRegionBerlin, 2018, "1.1 30.3 1.4 2.4 1.5 10.5 20.5 21.5 3.10 25.12 26.12"},
      {kRegionSachsen, 2026, "1.1 3.4 5.4 6.4 1.5 14.5 24.5 25.5 3.10 31.10 18.11 25.12 26.12"},
      {kRegionThueringen, 2019, "1.1 19.4 21.4 22.4 1.5 30.5 9.6 10.6 20.9 3.10 31.10 25.12 26.12"},
      {kRegionThueringen, 2018, "1.1 30.3 1.4 2.4 1.5 10.5 20.5 21.5 3.10 31.10 25.12 26.12"},
      {kRegionNiedersachsen, 2016, "1.1 25.3 27.3 28.3 1.5 5.5 15.5 16.5 3.10 25.12 26.12"},
      {kRegionNiedersachsen, 2017, "1.1 14.4 16.4 17.4 1.5 25.5 4.6 5.6 3.10 31.10 25.12 26.12"},
      {kRegionNiedersachsen, 2018, "1.1 30.3 1.4 2.4 1.5 10.5 20.5 21.5 3.10 31.10 25.12 26.12"},
      {kRegionNordrheinWestfalen, 2023, "1.1 7.4 9.4 10.4 1.5 18.5 28.5 29.5 8.6 3.10 1.11 25.12 26.12"},
      {kRegionMecklenburgVorpommern, 2022, "1.1 15.4 17.4 18.4 1.5 26.5 5.6 6.6 3.10 31.10 25.12 26.12"},
      {kRegionMecklenburgVorpommern, 2023, "1.1 8.3 7.4 9.4 10.4 1.5 18.5 28.5 29.5 3.10 31.10 25.12 26.12"},
      {kRegionBadenWuerttemberg, 2025, "1.1 6.1 18.4 20.4 21.4 1.5 29.5 8.6 9.6 19.6 3.10 1.11 25.12 26.12"},
      {kRegionHessen, 2025, "1.1 18.4 20.4 21.4 1.5 29.5 8.6 9.6 19.6 3.10 25.12 26.12"},
      {kRegionSaarland, 2024, "1.1 29.3 31.3 1.4 1.5 9.5 19.5 20.5 30.5 15.8 3.10 1.11 25.12 26.12"},
      {kRegionSachsen, 1994, "1.1 1.4 3.4 4.4 1.5 12.5 22.5 23.5 3.10 31.10 16.11 25.12 26.12"},
      {kRegionBayern, 1994, "1.1 6.1 1.4 3.4 4.4 1.5 12.5 22.5 23.5 2.6 15.8 3.10 1.11 16.11 25.12 26.12"},
      {kRegionBayern, 1995, "1.1 6.1 14.4 16.4 17.4 1.5 25.5 4.6 5.6 15.6 15.8 3.10 1.11 25.12 26.12"},
      {kRegionHamburg, 1985, "1.1 5.4 7.4 8.4 1.5 16.5 26.5 27.5 17.6 20.11 25.12 26.12"},
      {kRegionAustria, 2025, "1.1 6.1 20.4 21.4 1.5 29.5 8.6 9.6 19.6 15.8 26.10 1.11 8.12 25.12 26.12"},
      {kRegionAustria, 2024, "1.1 6.1 31.3 1.4 1.5 9.5 19.5 20.5 30.5 15.8 26.10 1.11 8.12 25.12 26.12"},
      {kRegionSwitzerland, 2024, "1.1 6.1 29.3 31.3 1.4 9.5 19.5 20.5 30.5 1.8 15.8 1.11 25.12 26.12"},
      {kRegionNone, 2024, "1.1 29.3 31.3 1.4 1.5 9.5 19.5 20.5 25.12 26.12"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HolidaysOf(c.year, c.region), Set(c.want)) << c.region << " " << c.year;
}

TEST(CalendarHolidays, RulesAcrossRegionsAndYears) {
  // 31 October: kept in the eastern states, since 2018 in the north, 2017 everywhere; Corpus Christi 2026.
  const int rows[][5] = {{31, 10, 2026, kRegionNordrheinWestfalen, 0},
                         {31, 10, 2017, kRegionBayern, 1},
                         {4, 6, 2026, kRegionBayern, 1},
                         {31, 10, 2016, kRegionBremen, 0},
                         {31, 10, 2018, kRegionBremen, 1},
                         {31, 10, 2024, kRegionAustria, 0},
                         {31, 10, 2018, kRegionSchleswigHolstein, 1},
                         {31, 10, 2024, kRegionHamburg, 1},
                         {4, 6, 2026, kRegionBerlin, 0},
                         {26, 10, 1966, kRegionAustria, 0}};  // named from 1965, a holiday from 1967
  for (const auto& r : rows)
    EXPECT_EQ(IsHoliday(r[0], r[1], r[2], r[3]), r[4]) << r[0] << "." << r[1] << "." << r[2] << " " << r[3];
  // Buß- und Bettag 2026 (18 November): Saxony only.
  for (int r = 0; r < kHolidayRegionCount; ++r)
    EXPECT_EQ(IsHoliday(18, 11, 2026, r), r == kRegionSachsen) << r;
  // Days that are no public holiday anywhere.
  for (int r = 0; r < kHolidayRegionCount; ++r) {
    EXPECT_EQ(IsHoliday(30, 3, 2024, r), 0) << "Holy Saturday, region " << r;
    EXPECT_EQ(IsHoliday(24, 12, 2024, r), 0) << r;
    EXPECT_EQ(IsHoliday(31, 12, 2024, r), 0) << r;
    EXPECT_EQ(IsHoliday(14, 2, 2024, r), 0) << r;
  }
  // Every German state has the nine days of federal law since 1990.
  for (int r = kRegionBadenWuerttemberg; r <= kRegionThueringen; ++r) {
    for (int year : {1990, 2000, 2024, 2150}) {
      int em = 0, ed = 0;
      const int e = EasterDayOfYear(year, &em, &ed);
      for (int off : {-2, 1, 39, 50}) {
        int doy = e + off, m = 1;
        while (doy > DaysInMonth(m, year)) doy -= DaysInMonth(m++, year);
        EXPECT_EQ(IsHoliday(doy, m, year, r), 1) << r << " " << year << " Easter " << off;
      }
      EXPECT_EQ(IsHoliday(1, 1, year, r), 1);
      EXPECT_EQ(IsHoliday(1, 5, year, r), 1);
      EXPECT_EQ(IsHoliday(3, 10, year, r), 1);
      EXPECT_EQ(IsHoliday(25, 12, year, r), 1);
      EXPECT_EQ(IsHoliday(26, 12, year, r), 1);
    }
    EXPECT_EQ(IsHoliday(3, 10, 1989, r), 0);
  }
  // Dates given with a two-digit year are mapped like the rest of the calendar.
  EXPECT_EQ(HolidaysOf(24, kRegionBayern), HolidaysOf(2024, kRegionBayern));
}

TEST(CalendarHolidays, InvalidDatesAndRegions) {
  EXPECT_EQ(IsHoliday(1, 1, 2024, -1), 0);
  EXPECT_EQ(IsHoliday(1, 1, 2024, kHolidayRegionCount), 0);
  EXPECT_EQ(IsHoliday(0, 1, 2024, kRegionBayern), 0);
  EXPECT_EQ(IsHoliday(32, 12, 2024, kRegionBayern), 0);
  EXPECT_EQ(IsHoliday(29, 2, 2023, kRegionBayern), 0);
  // Day 91 of 2024 is Easter Sunday; a month outside 1-12 must not reach it.
  EXPECT_EQ(IsHoliday(91, 0, 2024, kRegionBayern), 0);
  EXPECT_EQ(IsHoliday(1, 13, 2024, kRegionBayern), 0);
}

// --- Holiday names -------------------------------------------------------------

struct NamedDay {
  int day, month, year, region;
  const char* names;  // UTF-8, compared in code page 1252
};

void ExpectNames(std::initializer_list<NamedDay> days) {
  for (const NamedDay& n : days) {
    EXPECT_EQ(Names(n.day, n.month, n.year, n.region), Cp1252(n.names))
        << n.day << "." << n.month << "." << n.year << " region " << n.region;
  }
}

TEST(CalendarNames, Texts) {
  ExpectNames({
      {31, 3, 2024, kRegionBayern, "Beginn der Sommerzeit \nOstersonntag "},
      {22, 11, 2026, kRegionBadenWuerttemberg, "Totensonntag "},
      {1, 1, 2024, kRegionBerlin, "Neujahr "},
      {6, 1, 2024, kRegionBerlin, "Dreikönigstag "},
      {2, 2, 2024, kRegionBerlin, "Mariä Lichtmeß "},
      {12, 2, 2024, kRegionBerlin, "Rosenmontag "},
      {13, 2, 2024, kRegionBerlin, "Fastnacht "},
      {14, 2, 2024, kRegionBerlin, "Valentinstag \nAschermittwoch "},
      {28, 3, 2024, kRegionBerlin, "Gründonnerstag "},
      {7, 4, 2024, kRegionBerlin, "Weißer Sonntag "},
      {9, 5, 2024, kRegionBerlin, "Christi Himmelfahrt "},
      {9, 5, 2024, kRegionSwitzerland, "Auffahrt "},
      {1, 5, 2024, kRegionAustria, "Staatsfeiertag "},
      {1, 5, 2024, kRegionHessen, "Maifeiertag "},
      {1, 5, 2024, kRegionSwitzerland, ""},
      {1, 8, 2024, kRegionSwitzerland, "Bundesfeiertag "},
      {1, 8, 2024, kRegionBayern, ""},
      {3, 10, 2024, kRegionBayern, "Tag der deutschen Einheit "},
      {3, 10, 2024, kRegionAustria, ""},
      {20, 11, 2024, kRegionSachsen, "Buß- und Bettag "},
      {17, 11, 2024, kRegionSachsen, "Volkstrauertag "},
      {1, 12, 2024, kRegionSachsen, "1. Advent "},
      {22, 12, 2024, kRegionSachsen, "4. Advent "},
      {8, 12, 2024, kRegionSachsen, "Mariä Empfängnis \n2. Advent "},
      {24, 12, 2024, kRegionSachsen, "Heiligabend "},
      {25, 12, 2024, kRegionSachsen, "1. Weihnachtstag "},
      {25, 12, 2024, kRegionAustria, "Christtag "},
      {25, 12, 2024, kRegionSwitzerland, "Weihnachten "},
      {26, 12, 2024, kRegionNone, "2. Weihnachtstag "},
      {26, 12, 2024, kRegionAustria, "Stephanitag "},
      {26, 12, 2024, kRegionSwitzerland, "Stephanstag "},
      {31, 12, 2024, kRegionSwitzerland, "Sylvester "},
      {23, 7, 2024, kRegionBayern, ""},
      // 24 December 2023 was the fourth Sunday of Advent and Christmas Eve.
      {24, 12, 2023, kRegionBayern, "Heiligabend \n4. Advent "},
      // Christmas Day on a Sunday puts the fourth Advent a week earlier (2022).
      {18, 12, 2022, kRegionBayern, "4. Advent "},
      {30, 5, 2024, kRegionBayern, "Fronleichnam "},
      {26, 5, 2024, kRegionBayern, "Dreieinigkeitsfest "},
  });
}

TEST(CalendarNames, MovingDays) {
  ExpectNames({
      // Mother's Day: the second Sunday of May, 14 May included.
      {14, 5, 2023, kRegionBayern, "Muttertag "},
      {8, 5, 2022, kRegionBayern, "Muttertag "},
      {1, 5, 2022, kRegionBayern, "Maifeiertag "},
      {15, 5, 2022, kRegionBayern, ""},
      // Austria's National Day.
      {26, 10, 2024, kRegionAustria, "Nationalfeiertag "},
      {26, 10, 2025, kRegionAustria, "Nationalfeiertag \nEnde der Sommerzeit "},
      {8, 10, 2024, kRegionAustria, ""},
      {26, 10, 2024, kRegionBayern, ""},
      {31, 10, 2021, kRegionBrandenburg, "Reformationstag \nEnde der Sommerzeit "},
      {6, 10, 2024, kRegionBrandenburg, "Erntedankfest "},
      // Summer time as it was kept: from 1980, ending in September until 1995.
      {6, 4, 1980, kRegionBayern, "Beginn der Sommerzeit \nOstersonntag "},
      {6, 4, 1980, kRegionSwitzerland, "Ostersonntag "},
      {28, 9, 1980, kRegionAustria, "Ende der Sommerzeit "},
      {30, 9, 1979, kRegionBayern, ""},
      {29, 3, 1981, kRegionSwitzerland, "Beginn der Sommerzeit "},
      {24, 9, 1995, kRegionBayern, "Ende der Sommerzeit "},
      {27, 10, 1996, kRegionBayern, "Ende der Sommerzeit "},
      {28, 3, 1976, kRegionBayern, ""},
      // Seasons on their astronomical day.
      {20, 3, 2024, kRegionBayern, "Frühlingsanfang "},
      {20, 6, 2024, kRegionBayern, "Sommeranfang "},
      {21, 6, 2024, kRegionBayern, ""},
      {22, 9, 2024, kRegionBayern, "Herbstanfang "},
      {23, 9, 2026, kRegionBayern, "Herbstanfang "},
      {22, 12, 2023, kRegionBayern, "Winteranfang "},
      {21, 12, 2024, kRegionBayern, "Winteranfang "},
      // Holidays that came later, named where they are kept.
      {8, 3, 2019, kRegionBerlin, "Internationaler Frauentag "},
      {8, 3, 2018, kRegionBerlin, ""},
      {8, 3, 2023, kRegionMecklenburgVorpommern, "Internationaler Frauentag "},
      {20, 9, 2019, kRegionThueringen, "Weltkindertag "},
      {8, 5, 2025, kRegionBerlin, "Tag der Befreiung "},
      {17, 6, 1985, kRegionHamburg, "Tag der deutschen Einheit "},
      {3, 10, 1985, kRegionHamburg, ""},
  });
  for (int year = 1900; year <= 2199; ++year) {
    int sundays = 0;
    for (int d = 1; d <= 31; ++d) {
      bool mother = Names(d, 5, year, kRegionNone).find("Muttertag") != std::string::npos;
      if (Weekday(d, 5, year) == 0) ++sundays;
      ASSERT_EQ(mother, Weekday(d, 5, year) == 0 && sundays == 2) << d << ".5." << year;
    }
  }
}

TEST(CalendarNames, BoundedBuffer) {
  char buf[16];
  std::memset(buf, 'x', sizeof buf);
  // "Beginn der Sommerzeit \nOstersonntag \n" has 37 characters before the last is cut.
  EXPECT_EQ(HolidayName(31, 3, 2024, kRegionBayern, buf, sizeof buf), 37);
  EXPECT_EQ(std::string(buf), "Beginn der Somm");
  char one[1] = {'x'};
  EXPECT_EQ(HolidayName(31, 3, 2024, kRegionBayern, one, 1), 37);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(HolidayName(31, 3, 2024, kRegionBayern, nullptr, 0), 37);
  // The whole buffer is zeroed, also on a day without names.
  char big[64];
  std::memset(big, 'x', sizeof big);
  EXPECT_EQ(HolidayName(23, 7, 2024, kRegionBayern, big, sizeof big), 0);
  for (char c : big) ASSERT_EQ(c, '\0');
  std::memset(big, 'x', sizeof big);
  EXPECT_EQ(HolidayName(1, 1, 2024, kRegionBayern, big, sizeof big), 9);
  for (size_t i = 8; i < sizeof big; ++i) ASSERT_EQ(big[i], '\0');
  // An unknown region names the days common to all.
  EXPECT_EQ(Names(1, 1, 2024, 99), "Neujahr ");
  EXPECT_EQ(Names(25, 12, 2024, -5), "1. Weihnachtstag ");
  EXPECT_EQ(Names(30, 2, 2024, kRegionBayern), "");
}

TEST(CalendarNames, GermanStatesInAlphabeticalOrder) {
  for (int r = kRegionBadenWuerttemberg; r < kRegionThueringen; ++r) {
    EXPECT_LT(std::strcmp(HolidayRegionNames[r], HolidayRegionNames[r + 1]), 0) << r;
  }
}

// --- Today ---------------------------------------------------------------------

LocalDateTime g_fixed;
LocalDateTime FixedTime() {
  return g_fixed;
}

struct FixedClock {
  explicit FixedClock(int y, int m, int d, int hh = 14, int mm = 7, int ss = 9) : guard(FixedTime) {
    g_fixed = LocalDateTime{};
    g_fixed.year = y, g_fixed.month = m, g_fixed.day = d;
    g_fixed.hour = hh, g_fixed.minute = mm, g_fixed.second = ss;
    g_fixed.weekday = Weekday(d, m, y);
  }
  ScopedLocalTimeSource guard;
};

TEST(CalendarToday, FormatsAndParts) {
  FixedClock clock(2026, 12, 5, 14, 7, 9);
  char buf[32];
  FormatDate(buf, sizeof buf);
  EXPECT_STREQ(buf, "05.12.2026");
  FormatDateTime(buf, sizeof buf);
  EXPECT_STREQ(buf, "05.12.2026 14:07");
  FormatLogTimestamp(buf, sizeof buf);
  EXPECT_STREQ(buf, "05.12.2026 14:07.09");
  char small[6];
  FormatLogTimestamp(small, sizeof small);
  EXPECT_STREQ(small, "05.12");
  FormatDate(nullptr, 0);  // nothing to write into
  uint32_t d = 0, m = 0, y = 0, hh = 0, mm = 0, ss = 0, wd = 9;
  GetLocalTimeParts(&d, &m, &y, &hh, &mm, &ss, &wd);
  EXPECT_EQ((std::vector<uint32_t>{d, m, y, hh, mm, ss, wd}),
            (std::vector<uint32_t>{5, 12, 2026, 14, 7, 9, 6}));
  GetLocalTimeParts(&d, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(TodayDayOfYear(), 339);
  EXPECT_EQ(IsAdventTime(), 1);
}

TEST(CalendarToday, SeasonsOfTheSceneChooser) {
  struct Row {
    int year, month, day;
    int advent, holiday, easterSunday, easterTime, easterWeekend, easterMonday, carnival;
  } const rows[] = {
      {2024, 12, 24, 1, 0, 0, 0, 0, 0, 0},  // Christmas Eve: no public holiday
      {2024, 12, 26, 0, 1, 0, 0, 0, 0, 0}, {2024, 3, 31, 0, 1, 1, 1, 1, 0, 0},
      {2024, 4, 1, 0, 1, 0, 1, 1, 1, 0},   {2024, 1, 29, 0, 0, 0, 0, 0, 0, 1},  // Easter Sunday - 62
      {2024, 2, 14, 0, 0, 0, 0, 0, 0, 0},  // Ash Wednesday: carnival is over
  };
  for (const Row& r : rows) {
    FixedClock clock(r.year, r.month, r.day);
    const std::vector<int> got = {IsAdventTime(),    IsHolidayToday(kRegionBayern),
                                  IsEasterSunday(),  IsEasterTime(),
                                  IsEasterWeekend(), IsEasterMonday(),
                                  IsCarnivalSeason()};
    EXPECT_EQ(got, (std::vector<int>{r.advent, r.holiday, r.easterSunday, r.easterTime, r.easterWeekend,
                                     r.easterMonday, r.carnival}))
        << r.day << "." << r.month << "." << r.year;
  }
}

TEST(CalendarToday, MachineClock) {
  const LocalDateTime t = LocalNow();
  EXPECT_TRUE(t.year >= 2024 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
              t.day <= DaysInMonth(t.month, t.year) && t.hour < 24 && t.minute < 60 && t.milliseconds < 1000)
      << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":" << t.minute;
  EXPECT_EQ(t.weekday, Weekday(t.day, t.month, t.year));
}

// Guards nest: each reads its own source while it lives and its end puts
// back the one before it; a null source reads the machine's clock.
LocalDateTime Year1999() {
  return {.year = 1999, .month = 3, .day = 4};
}
LocalDateTime Leap2024() {
  return {.year = 2024, .month = 2, .day = 29};
}

TEST(CalendarToday, TimeSourceGuardsNest) {
  auto year = [] { return LocalNow().year; };
  const int machine = year();
  ASSERT_GE(machine, 2024);
  std::vector<int> seen;
  {
    ScopedLocalTimeSource outer(Year1999);
    seen.push_back(year());
    {
      ScopedLocalTimeSource inner(Leap2024);
      seen.push_back(LocalNow().day);
      {
        ScopedLocalTimeSource machineClock(nullptr);
        seen.push_back(year() >= machine ? 1 : 0);
      }
      seen.push_back(LocalNow().day);
    }
    seen.push_back(year());
  }
  seen.push_back(year() >= machine ? 1 : 0);
  EXPECT_EQ(seen, (std::vector<int>{1999, 29, 1, 29, 1999, 1}));
}

// --- Hostile numbers ---------------------------------------------------------

TEST(CalendarHostile, ExtremeArgumentsStayDefinedAndInRange) {
  const int values[] = {INT_MIN, INT_MIN + 1, -2000000, -1901,   -1,          0,      1,
                        2,       12,          13,       29,      31,          32,     1582,
                        1899,    1900,        2199,     1000000, INT_MAX - 1, INT_MAX};
  char buf[8];
  for (int year : values) {
    int em = 0, ed = 0;
    EasterDayOfYear(year, &em, &ed);
    EXPECT_TRUE((em == 3 && ed >= 22 && ed <= 31) || (em == 4 && ed >= 1 && ed <= 25)) << year;
    for (int s = 0; s < 4; ++s) {
      int m = 0, d = 0;
      SeasonStartDay(year, s, &m, &d);
      EXPECT_EQ(m, 3 + 3 * s);
      EXPECT_TRUE(d >= 19 && d <= 24) << year;
    }
    IsLeapYear(year);
    for (int month : values) {
      const int dim = DaysInMonth(month, year);
      EXPECT_TRUE(dim == 0 || (dim >= 28 && dim <= 31));
      for (int day : values) {
        const int w = Weekday(day, month, year);
        EXPECT_TRUE(w >= 0 && w <= 6);
        const int age = MoonAge(day, month, year);
        EXPECT_TRUE(age >= 0 && age <= 29);
        const int phase = MoonPhase(day, month, year);
        EXPECT_TRUE(phase >= 0 && phase <= 7);
        DayOfYear(day, month, year);
        WeekNumber(day, month, year);
        IsCarnivalSeason(day, month, year);
        IsEasterTime(day, month, year);
        for (int region : {INT_MIN, -1, 0, 2, 18, 19, INT_MAX}) {
          const int h = IsHoliday(day, month, year, region);
          EXPECT_TRUE(h == 0 || h == 1);
        }
        HolidayName(day, month, year, kRegionBayern, buf, sizeof buf);
        EXPECT_LT(std::strlen(buf), sizeof buf);
      }
    }
  }
  // Valid dates far out keep the ISO week in range.
  for (int year : {1, 400, 9999, 1000000}) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(m, year); ++d) {
        const int w = WeekNumber(d, m, year);
        ASSERT_TRUE(w >= 1 && w <= 53) << d << "." << m << "." << year;
      }
    }
  }
}

}  // namespace
