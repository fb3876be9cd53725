#include "objects/portable/countdown_logic.h"

#include <algorithm>
#include <tuple>

namespace {

constexpr int kMinutesPerDay = 1440;
constexpr int kMaxDays = 99999;

long long LeapYearsThrough(long long year) {
  return year / 4 - year / 100 + year / 400;
}

// Minutes since the start of the date's year, the day of the year counted from 1.
long long MinuteNumber(int day, int month, int year, int hour, int minute) {
  return (static_cast<long long>(DayOfYear(day, month, year)) * 24 + hour) * 60 + minute;
}

void AddRun(GlyphList& list, const DigitRun& run, int first, int count, const int* glyphs) {
  for (int i = 0; i < count; ++i) list.Add(run.strip, glyphs[i], run.x[first + i], run.y);
}

}  // namespace

CountdownTarget MakeCountdownTarget(int year, int month, int day, int hour, int minute) {
  CountdownTarget t;
  t.year = std::clamp(year, 1900, 9999);
  t.month = std::clamp(month, 1, 12);
  t.day = std::clamp(day, 1, DaysInMonth(t.month, t.year));
  t.hour = std::clamp(hour, 0, 23);
  t.minute = std::clamp(minute, 0, 59);
  return t;
}

long long DaysBetweenYears(int from, int to) {
  return 365LL * (to - from) + LeapYearsThrough(to - 1LL) - LeapYearsThrough(from - 1LL);
}

TimeDifference CountdownDifference(const LocalDateTime& now, const CountdownTarget& target) {
  TimeDifference result;
  const auto nowKey =
      std::tuple(now.year, now.month, now.day, now.hour, now.minute, now.second, now.milliseconds);
  const auto targetKey = std::tuple(target.year, target.month, target.day, target.hour, target.minute, 0, 0);
  result.sign = nowKey < targetKey ? -1 : (nowKey == targetKey ? 0 : 1);

  const long long nowMinute = MinuteNumber(now.day, now.month, now.year, now.hour, now.minute);
  const long long targetMinute =
      MinuteNumber(target.day, target.month, target.year, target.hour, target.minute);
  long long difference;
  if (result.sign < 0)
    difference = targetMinute + kMinutesPerDay * DaysBetweenYears(now.year, target.year) - nowMinute;
  else
    difference = nowMinute + kMinutesPerDay * DaysBetweenYears(target.year, now.year) - targetMinute;
  difference = std::max(difference, 0LL);
  result.days = static_cast<int>(std::min<long long>(difference / kMinutesPerDay, 0x7FFFFFFF));
  result.hours = static_cast<int>(difference % kMinutesPerDay / 60);
  result.minutes = static_cast<int>(difference % 60);
  return result;
}

TargetActions PlanTargetActions(const TimeDifference& difference, const TargetSettings& settings) {
  TargetActions actions;
  if (difference.sign < 0) return actions;
  actions.showBubble = settings.showMessage;
  // A missing file keeps the request: the sound plays once the file is there.
  actions.playSound = settings.soundAvailable && settings.playSound && settings.soundFileExists;
  actions.save = actions.showBubble || actions.playSound;
  actions.showZeros = settings.stopAtZero;
  return actions;
}

int ValidCountdownFace(int face) {
  return face >= 1 && face <= kCountdownFaceCount ? face : 1;
}

const CountdownFaceLayout& CountdownFace(int face) {
  return kCountdownFaces[ValidCountdownFace(face) - 1];
}

GlyphList CountdownFaceGlyphs(int face, const TimeDifference& difference) {
  const CountdownFaceLayout& layout = CountdownFace(face);
  const int row = difference.sign >= 0 ? kGlyphsPerRow : 0;
  GlyphList list;

  const int days = std::clamp(difference.days, 0, kMaxDays);
  int dayGlyphs[5];
  int value = days;
  for (int place = 4; place >= 0; --place) {
    // A place shows a digit only when the number reaches it; 0 days is blank.
    const int threshold = place == 4 ? 1 : (place == 3 ? 10 : place == 2 ? 100 : place == 1 ? 1000 : 10000);
    dayGlyphs[place] = row + (days >= threshold ? value % 10 : kGlyphBlank);
    value /= 10;
  }
  AddRun(list, layout.days, 0, 5, dayGlyphs);

  const int hours = std::clamp(difference.hours, 0, 99);
  const int minutes = std::clamp(difference.minutes, 0, 99);
  const int hourGlyphs[2] = {row + hours / 10, row + hours % 10};
  const int minuteGlyphs[2] = {row + minutes / 10, row + minutes % 10};
  AddRun(list, layout.hours, 0, 2, hourGlyphs);
  list.Add(layout.hours.strip, row + kGlyphColon, layout.colonX, layout.hours.y);
  AddRun(list, layout.minutes, 0, 2, minuteGlyphs);
  return list;
}

std::string CountdownBubbleText(const TimeDifference& difference, const char* word, const char* date,
                                const char* time) {
  std::string text = std::to_string(difference.days) + " Tage, " + std::to_string(difference.hours) +
                     " Stunden, " + std::to_string(difference.minutes) + " Minuten " + word + " " + date +
                     " " + time;
  if (text.size() > 255) text.resize(255);
  return text;
}

const char* CountdownBubbleWord(const TimeDifference& difference) {
  return difference.sign < 1 ? "bis" : "seit";
}

BubblePlacement CountdownClickBubblePlacement(int x, int y, int workAreaRight) {
  const bool leftHalf = x < workAreaRight / 2;
  const int bubbleX = leftHalf ? x + 68 : x - 174;
  if (y > 138) return {leftHalf ? 1 : 2, bubbleX, -78, 40};
  return {leftHalf ? 3 : 4, bubbleX, 12, 40};
}

BubblePlacement CountdownTargetBubblePlacement(int workAreaRight, int workAreaBottom, int windowTop) {
  return {2, workAreaRight - 214, workAreaBottom - windowTop - 78, 60};
}
