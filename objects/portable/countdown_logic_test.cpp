// The countdown's arithmetic across year ends and leap years, its action at the
// target and its faces, worked out natively.

#include "objects/portable/countdown_logic.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <tuple>
#include <vector>

namespace {

LocalDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  LocalDateTime t;
  t.year = year, t.month = month, t.day = day, t.hour = hour, t.minute = minute, t.second = second;
  return t;
}

// An independent count: minutes since 1970 through the standard calendar.
long long EpochMinutes(int year, int month, int day, int hour, int minute) {
  using namespace std::chrono;
  const sys_days date = year_month_day{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                                       std::chrono::day{unsigned(day)}};
  return date.time_since_epoch().count() * 1440LL + hour * 60 + minute;
}

TimeDifference Expected(const LocalDateTime& now, const CountdownTarget& t, int sign) {
  long long minutes = EpochMinutes(t.year, t.month, t.day, t.hour, t.minute) -
                      EpochMinutes(now.year, now.month, now.day, now.hour, now.minute);
  if (minutes < 0) minutes = -minutes;
  return {int(minutes / 1440), int(minutes % 1440 / 60), int(minutes % 60), sign};
}

TEST(CountdownDifference, EdgesOfTheCalendarAndTheTargetMinute) {
  LocalDateTime withMilliseconds = At(2025, 6, 1, 12, 0, 0);
  withMilliseconds.milliseconds = 5;
  struct Row {
    const char* why;
    LocalDateTime now;
    CountdownTarget target;
    TimeDifference want;
  } const rows[] = {
      {"new year, a year after a leap year", At(2024, 12, 31, 23, 30), {2025, 1, 1, 0, 0}, {0, 0, 30, -1}},
      {"new year into a century without a leap day",
       At(2099, 12, 31, 23, 30),
       {2100, 1, 1, 0, 0},
       {0, 0, 30, -1}},
      {"two years across 29 February", At(2023, 3, 1, 0, 0), {2025, 3, 1, 0, 0}, {731, 0, 0, -1}},
      {"1900 has no leap day", At(1900, 1, 1, 0, 0), {1901, 1, 1, 0, 0}, {365, 0, 0, -1}},
      {"2000 has one", At(2000, 1, 1, 0, 0), {2001, 1, 1, 0, 0}, {366, 0, 0, -1}},
      {"after the target it counts up", At(2025, 1, 2, 1, 15, 30), {2024, 12, 31, 23, 0}, {1, 2, 15, 1}},
      {"a second before: a minute to go", At(2025, 6, 1, 11, 59, 59), {2025, 6, 1, 12, 0}, {0, 0, 1, -1}},
      {"on the minute: reached", At(2025, 6, 1, 12, 0, 0), {2025, 6, 1, 12, 0}, {0, 0, 0, 0}},
      {"a second into it: past", At(2025, 6, 1, 12, 0, 1), {2025, 6, 1, 12, 0}, {0, 0, 0, 1}},
      {"a millisecond into it: past", withMilliseconds, {2025, 6, 1, 12, 0}, {0, 0, 0, 1}},
  };
  for (const Row& r : rows) EXPECT_EQ(CountdownDifference(r.now, r.target), r.want) << r.why;
  EXPECT_EQ(DaysBetweenYears(2000, 2400), 146097);
}

TEST(CountdownDifference, AgreesWithTheStandardCalendarOnRandomDates) {
  std::mt19937 random(20240229);
  std::uniform_int_distribution<int> year(1900, 2200), month(1, 12), hour(0, 23), minute(0, 59),
      second(0, 59);
  for (int i = 0; i < 5000; ++i) {
    const int ny = year(random), nm = month(random);
    const int nd = std::uniform_int_distribution<int>(1, DaysInMonth(nm, ny))(random);
    const int ty = year(random), tm = month(random);
    const int td = std::uniform_int_distribution<int>(1, DaysInMonth(tm, ty))(random);
    const LocalDateTime now = At(ny, nm, nd, hour(random), minute(random), second(random));
    const CountdownTarget target{ty, tm, td, hour(random), minute(random)};
    const TimeDifference d = CountdownDifference(now, target);
    const long long toTarget =
        EpochMinutes(ty, tm, td, target.hour, target.minute) - EpochMinutes(ny, nm, nd, now.hour, now.minute);
    const int sign = toTarget > 0 ? -1 : (toTarget == 0 && now.second == 0 ? 0 : 1);
    ASSERT_EQ(d, Expected(now, target, sign))
        << ny << "-" << nm << "-" << nd << " to " << ty << "-" << tm << "-" << td;
  }
}

TEST(CountdownTargetSetting, HandEditedValuesBecomeARealDate) {
  EXPECT_EQ(MakeCountdownTarget(0, 0, 0, 0, 0), (CountdownTarget{1900, 1, 1, 0, 0}));
  EXPECT_EQ(MakeCountdownTarget(2023, 2, 31, 25, 99), (CountdownTarget{2023, 2, 28, 23, 59}));
  EXPECT_EQ(MakeCountdownTarget(2024, 2, 31, -1, -5), (CountdownTarget{2024, 2, 29, 0, 0}));
  EXPECT_EQ(MakeCountdownTarget(2147483647, 13, 1, 0, 0), (CountdownTarget{9999, 12, 1, 0, 0}));
  EXPECT_EQ(MakeCountdownTarget(2030, 7, 14, 18, 45), (CountdownTarget{2030, 7, 14, 18, 45}));
  // The farthest target still gives a whole answer.
  const TimeDifference far =
      CountdownDifference(At(1900, 1, 1, 0, 0), MakeCountdownTarget(99999, 1, 1, 0, 0));
  EXPECT_EQ(far.days, 2958099);  // 1900-01-01 to 9999-01-01
}

TEST(CountdownActions, EachPartOnItsOwnSettingFromTheTargetOn) {
  auto plan = [](int sign, TargetSettings s) {
    const TargetActions a = PlanTargetActions({3, 4, 5, sign}, s);
    return std::vector<bool>{a.showBubble, a.playSound, a.save, a.showZeros};
  };
  struct Row {
    const char* why;
    int sign;
    TargetSettings settings;  // message, sound, library, file, stop at zero
    std::vector<bool> want;   // bubble, sound, save, zeros
  } const rows[] = {
      {"before the target nothing", -1, {true, true, true, true, true}, {false, false, false, false}},
      {"at the target everything", 0, {true, true, true, true, true}, {true, true, true, true}},
      {"nothing asked: nothing saved", 1, {false, false, true, true, false}, {false, false, false, false}},
      {"the bubble alone is saved", 1, {true, false, true, true, false}, {true, false, true, false}},
      {"the sound alone is saved", 1, {false, true, true, true, false}, {false, true, true, false}},
      {"a missing sound file: kept for later",
       1,
       {false, true, true, false, false},
       {false, false, false, false}},
      {"no sound library", 1, {false, true, false, true, false}, {false, false, false, false}},
      {"stop at zero alone", 1, {false, false, false, false, true}, {false, false, false, true}},
  };
  for (const Row& r : rows) EXPECT_EQ(plan(r.sign, r.settings), r.want) << r.why;
}

std::vector<int> Glyphs(const GlyphList& list) {
  std::vector<int> out;
  for (const GlyphPlacement& g : list) out.push_back(g.glyph);
  return out;
}

constexpr int B = kGlyphBlank;
constexpr int C = kGlyphColon;
constexpr int R = kGlyphsPerRow;

TEST(CountdownFaces, Digits) {
  struct Row {
    const char* why;
    int face;
    TimeDifference difference;
    std::vector<int> glyphs;
  } const rows[] = {
      {"no days: all day places blank", 1, {0, 3, 7, -1}, {B, B, B, B, B, 0, 3, C, 0, 7}},
      {"one day", 1, {1, 0, 0, -1}, {B, B, B, B, 1, 0, 0, C, 0, 0}},
      {"nine days keep the tens blank", 1, {9, 0, 0, -1}, {B, B, B, B, 9, 0, 0, C, 0, 0}},
      {"ten days", 1, {10, 0, 0, -1}, {B, B, B, 1, 0, 0, 0, C, 0, 0}},
      {"a hundred", 1, {100, 0, 0, -1}, {B, B, 1, 0, 0, 0, 0, C, 0, 0}},
      {"a thousand", 1, {1000, 0, 0, -1}, {B, 1, 0, 0, 0, 0, 0, C, 0, 0}},
      {"five places", 1, {12345, 23, 59, -1}, {1, 2, 3, 4, 5, 2, 3, C, 5, 9}},
      {"beyond five places the largest number", 1, {123456, 1, 2, -1}, {9, 9, 9, 9, 9, 0, 1, C, 0, 2}},
      {"99 hours fit", 1, {0, 99, 0, -1}, {B, B, B, B, B, 9, 9, C, 0, 0}},
      {"100 hours are cut to 99", 1, {0, 100, 100, -1}, {B, B, B, B, B, 9, 9, C, 9, 9}},
      {"reached: the other row", 1, {0, 0, 0, 0}, {R + B, R + B, R + B, R + B, R + B, R, R, R + C, R, R}},
      {"past", 2, {2, 1, 5, 1}, {R + B, R + B, R + B, R + B, R + 2, R, R + 1, R + C, R, R + 5}},
  };
  for (const Row& r : rows) EXPECT_EQ(Glyphs(CountdownFaceGlyphs(r.face, r.difference)), r.glyphs) << r.why;
}

TEST(CountdownFaces, PlacesOfEveryFace) {
  struct Expect {
    int face;
    DigitStripId dayStrip;
    int dayY, dayX0;
    DigitStripId timeStrip;
    int timeY, hourX0, colonX, minuteX1;
  };
  const Expect faces[] = {
      {1, kSmallStrip, 6, 6, kSmallStrip, 6, 41, 52, 61},
      {2, kSmallStrip, 34, 23, kLargeStrip, 3, 4, 33, 53},
      {3, kLargeStrip, 2, 6, kSmallStrip, 34, 31, 42, 51},
  };
  for (const Expect& e : faces) {
    const GlyphList list = CountdownFaceGlyphs(e.face, {99999, 23, 59, -1});
    ASSERT_EQ(list.count, 10);
    const GlyphPlacement* g = list.items;
    EXPECT_EQ(std::tuple(g[0].strip, g[0].y, g[0].x, g[5].strip, g[5].y, g[5].x, g[7].x, g[7].glyph, g[9].x),
              std::tuple(e.dayStrip, e.dayY, e.dayX0, e.timeStrip, e.timeY, e.hourX0, e.colonX, kGlyphColon,
                         e.minuteX1))
        << e.face;
    const CountdownFaceLayout& layout = CountdownFace(e.face);
    for (const GlyphPlacement& g : list) {
      const GlyphRect src = GlyphSource(*kDigitStrips[g.strip], g.glyph);
      EXPECT_LE(g.x + src.width, layout.width);
      EXPECT_LE(g.y + src.height, layout.height);
    }
  }
  EXPECT_EQ(ValidCountdownFace(4), 1);
  EXPECT_EQ(ValidCountdownFace(0), 1);
}

TEST(CountdownBubble, TextsAndPlaces) {
  EXPECT_EQ(
      CountdownBubbleText({3, 4, 5, -1}, CountdownBubbleWord({3, 4, 5, -1}), "Freitag, 1. Mai 2026", "18:30"),
      "3 Tage, 4 Stunden, 5 Minuten bis Freitag, 1. Mai 2026 18:30");
  EXPECT_STREQ(CountdownBubbleWord({0, 0, 0, 0}), "bis");
  EXPECT_STREQ(CountdownBubbleWord({0, 0, 0, 1}), "seit");
  const std::string longDate(400, 'x');
  EXPECT_EQ(CountdownBubbleText({1, 1, 1, 1}, "seit", longDate.c_str(), "t").size(), 255u);

  // Low on the screen the bubble stands above, near the top below it.
  EXPECT_EQ(CountdownClickBubblePlacement(100, 400, 1280), (BubblePlacement{1, 168, -78, 40}));
  EXPECT_EQ(CountdownClickBubblePlacement(900, 400, 1280), (BubblePlacement{2, 726, -78, 40}));
  EXPECT_EQ(CountdownClickBubblePlacement(100, 139, 1280), (BubblePlacement{1, 168, -78, 40}));
  EXPECT_EQ(CountdownClickBubblePlacement(100, 138, 1280), (BubblePlacement{3, 168, 12, 40}));
  EXPECT_EQ(CountdownClickBubblePlacement(900, 20, 1280), (BubblePlacement{4, 726, 12, 40}));
  // At the target: the bubble's top 78 pixels above the work area's bottom.
  const BubblePlacement b = CountdownTargetBubblePlacement(1280, 770, 300);
  EXPECT_EQ(b, (BubblePlacement{2, 1066, 392, 60}));
  EXPECT_EQ(300 + b.yOffset, 770 - 78);
}

}  // namespace
