#pragma once
// The countdown's arithmetic without Windows: the days, hours and minutes
// between now and the target, what happens when the target is reached, the
// digits of each face and the bubble texts.

#include <string>

#include "stage/portable/calendar.h"
#include "objects/portable/clock_faces.h"
#include "objects/portable/clock_logic.h"

// The target in local time, minute resolution.
struct CountdownTarget {
  int year, month, day, hour, minute;
  friend bool operator==(const CountdownTarget&, const CountdownTarget&) = default;
};

// The CountdownDate setting (year, month, day, hour, minute) made into a real
// date: each field is clamped into its range (years 1900-9999), so a value
// edited by hand can neither break the arithmetic nor make it loop for long.
CountdownTarget MakeCountdownTarget(int year, int month, int day, int hour, int minute);

struct TimeDifference {
  int days = 0, hours = 0, minutes = 0;
  int sign = 0;  // below 0 before the target, 0 or above from the target on
  friend bool operator==(const TimeDifference&, const TimeDifference&) = default;
};

// Whole minutes from now to the target, or from the target to now once it is
// reached (now's seconds count for the comparison, not for the minutes).
TimeDifference CountdownDifference(const LocalDateTime& now, const CountdownTarget& target);
// Days from 1 January of year `from` to 1 January of year `to` (to >= from).
long long DaysBetweenYears(int from, int to);

// What the countdown does when a face finds the target reached.
struct TargetActions {
  bool showBubble = false;
  bool playSound = false;
  bool save = false;       // the cleared flags are written back
  bool showZeros = false;  // the face stands at 0 days, 0 hours, 0 minutes
};
struct TargetSettings {
  bool showMessage;     // CountdownShowMsg
  bool playSound;       // CountdownPlaySound
  bool soundAvailable;  // sound is wanted and the library is loaded
  bool soundFileExists;
  bool stopAtZero;  // CountdownStop00
};
TargetActions PlanTargetActions(const TimeDifference& difference, const TargetSettings& settings);

// Five day places with leading blanks (no digit at all for 0 days; above
// 99,999 days the places show 99999), two hour digits, the colon and two
// minute digits; glyph row 1 from the target on.
GlyphList CountdownFaceGlyphs(int face, const TimeDifference& difference);
// The face of a Countdown setting; anything outside 1-3 shows face 1.
int ValidCountdownFace(int face);
const CountdownFaceLayout& CountdownFace(int face);

// "%d Tage, %d Stunden, %d Minuten <word> <date> <time>", at most 255
// characters.
std::string CountdownBubbleText(const TimeDifference& difference, const char* word, const char* date,
                                const char* time);
// "bis" before the target, "seit" from it on.
const char* CountdownBubbleWord(const TimeDifference& difference);
// The click bubble beside the countdown at (x, y).
BubblePlacement CountdownClickBubblePlacement(int x, int y, int workAreaRight);
// The bubble at the target: at the work area's right, its top 78 pixels above
// the work area's bottom wherever the countdown stands.
BubblePlacement CountdownTargetBubblePlacement(int workAreaRight, int workAreaBottom, int windowTop);
