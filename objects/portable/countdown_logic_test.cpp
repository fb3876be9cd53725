// The countdown's arithmetic across year ends and leap years, its action at the
// target and its faces, worked out natively.

#include "objects/portable/countdown_logic.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
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

TEST(CountdownDifference, HalfAnHourBeforeNewYearWhateverTheLeapYears) {
  for (int year : {2023, 2024, 1999, 2000, 2099, 2100}) {
    const TimeDifference d = CountdownDifference(At(year, 12, 31, 23, 30), {year + 1, 1, 1, 0, 0});
    EXPECT_EQ(d, (TimeDifference{0, 0, 30, -1})) << year;
  }
}

TEST(CountdownDifference, AcrossSeveralYearsAndLeapDays) {
  // 1 March 2023 to 1 March 2025 spans 29 February 2024.
  EXPECT_EQ(CountdownDifference(At(2023, 3, 1, 0, 0), {2025, 3, 1, 0, 0}).days, 731);
  EXPECT_EQ(CountdownDifference(At(2024, 2, 28, 12, 0), {2024, 3, 1, 12, 0}).days, 2);
  EXPECT_EQ(CountdownDifference(At(2023, 2, 28, 12, 0), {2023, 3, 1, 12, 0}).days, 1);
  // 1900 is not a leap year, 2000 is.
  EXPECT_EQ(CountdownDifference(At(1900, 1, 1, 0, 0), {1901, 1, 1, 0, 0}).days, 365);
  EXPECT_EQ(CountdownDifference(At(2000, 1, 1, 0, 0), {2001, 1, 1, 0, 0}).days, 366);
  EXPECT_EQ(DaysBetweenYears(2000, 2400), 146097);
  EXPECT_EQ(DaysBetweenYears(2024, 2024), 0);
}

TEST(CountdownDifference, AfterTheTargetItCountsUp) {
  const TimeDifference d = CountdownDifference(At(2025, 1, 2, 1, 15, 30), {2024, 12, 31, 23, 0});
  EXPECT_EQ(d, (TimeDifference{1, 2, 15, 1}));
}

TEST(CountdownDifference, AtTheTargetMinuteTheSignTurns) {
  // One second before: still a minute to go (the minutes ignore seconds).
  EXPECT_EQ(CountdownDifference(At(2025, 6, 1, 11, 59, 59), {2025, 6, 1, 12, 0}),
            (TimeDifference{0, 0, 1, -1}));
  // On the minute exactly and within it: reached, zero.
  EXPECT_EQ(CountdownDifference(At(2025, 6, 1, 12, 0, 0), {2025, 6, 1, 12, 0}), (TimeDifference{0, 0, 0, 0}));
  EXPECT_EQ(CountdownDifference(At(2025, 6, 1, 12, 0, 1), {2025, 6, 1, 12, 0}), (TimeDifference{0, 0, 0, 1}));
  LocalDateTime withMilliseconds = At(2025, 6, 1, 12, 0, 0);
  withMilliseconds.milliseconds = 5;
  EXPECT_EQ(CountdownDifference(withMilliseconds, {2025, 6, 1, 12, 0}).sign, 1);
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

TEST(CountdownActions, RunOnlyFromTheTargetOn) {
  const TargetSettings all{true, true, true, true, true};
  const TargetActions before = PlanTargetActions({1, 0, 0, -1}, all);
  EXPECT_FALSE(before.showBubble || before.playSound || before.save || before.showZeros);

  const TargetActions at = PlanTargetActions({0, 0, 0, 0}, all);
  EXPECT_TRUE(at.showBubble);
  EXPECT_TRUE(at.playSound);
  EXPECT_TRUE(at.save);
  EXPECT_TRUE(at.showZeros);
}

TEST(CountdownActions, EachPartOnItsOwnSetting) {
  const TimeDifference after{3, 4, 5, 1};
  // Nothing asked: nothing saved, the face counts up.
  TargetActions a = PlanTargetActions(after, {false, false, true, true, false});
  EXPECT_FALSE(a.showBubble || a.playSound || a.save || a.showZeros);
  // Only the bubble.
  a = PlanTargetActions(after, {true, false, true, true, false});
  EXPECT_TRUE(a.showBubble && a.save && !a.playSound);
  // A missing sound file or no sound library: no sound, nothing to save.
  a = PlanTargetActions(after, {false, true, true, false, false});
  EXPECT_FALSE(a.playSound || a.save);
  a = PlanTargetActions(after, {false, true, false, true, false});
  EXPECT_FALSE(a.playSound || a.save);
  // Stop at zero alone.
  a = PlanTargetActions(after, {false, false, false, false, true});
  EXPECT_TRUE(a.showZeros && !a.save);
}

std::vector<int> Glyphs(const GlyphList& list) {
  std::vector<int> out;
  for (const GlyphPlacement& g : list) out.push_back(g.glyph);
  return out;
}

constexpr int B = kGlyphBlank;
constexpr int C = kGlyphColon;
constexpr int R = kGlyphsPerRow;

TEST(CountdownFaces, DayPlacesFillFromTheRight) {
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(1, {0, 3, 7, -1})), (std::vector<int>{B, B, B, B, B, 0, 3, C, 0, 7}));
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(1, {1, 0, 0, -1})), (std::vector<int>{B, B, B, B, 1, 0, 0, C, 0, 0}));
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(1, {10, 0, 0, -1})), (std::vector<int>{B, B, B, 1, 0, 0, 0, C, 0, 0}));
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(1, {100, 0, 0, -1})),
            (std::vector<int>{B, B, 1, 0, 0, 0, 0, C, 0, 0}));
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(1, {1000, 0, 0, -1})),
            (std::vector<int>{B, 1, 0, 0, 0, 0, 0, C, 0, 0}));
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(1, {12345, 23, 59, -1})),
            (std::vector<int>{1, 2, 3, 4, 5, 2, 3, C, 5, 9}));
  // Beyond five places the face shows its largest number.
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(1, {123456, 1, 2, -1})),
            (std::vector<int>{9, 9, 9, 9, 9, 0, 1, C, 0, 2}));
}

TEST(CountdownFaces, FromTheTargetOnTheOtherRow) {
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(1, {0, 0, 0, 0})),
            (std::vector<int>{R + B, R + B, R + B, R + B, R + B, R, R, R + C, R, R}));
  EXPECT_EQ(Glyphs(CountdownFaceGlyphs(2, {2, 1, 5, 1})),
            (std::vector<int>{R + B, R + B, R + B, R + B, R + 2, R, R + 1, R + C, R, R + 5}));
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
    EXPECT_EQ(list.items[0].strip, e.dayStrip);
    EXPECT_EQ(list.items[0].y, e.dayY);
    EXPECT_EQ(list.items[0].x, e.dayX0);
    EXPECT_EQ(list.items[5].strip, e.timeStrip);
    EXPECT_EQ(list.items[5].y, e.timeY);
    EXPECT_EQ(list.items[5].x, e.hourX0);
    EXPECT_EQ(list.items[7].x, e.colonX);
    EXPECT_EQ(list.items[7].glyph, kGlyphColon);
    EXPECT_EQ(list.items[9].x, e.minuteX1);
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
  EXPECT_EQ(CountdownClickBubblePlacement(100, 138, 1280), (BubblePlacement{3, 168, 12, 40}));
  EXPECT_EQ(CountdownClickBubblePlacement(900, 20, 1280), (BubblePlacement{4, 726, 12, 40}));
  // At the target: the bubble's top 78 pixels above the work area's bottom.
  const BubblePlacement b = CountdownTargetBubblePlacement(1280, 770, 300);
  EXPECT_EQ(b, (BubblePlacement{2, 1066, 392, 60}));
  EXPECT_EQ(300 + b.yOffset, 770 - 78);
}

}  // namespace
