#pragma once
// The month grid of the billboard's calendar sheet: six rows of seven cells,
// which day each cell shows, where the cells lie and which days are red.
// Pure arithmetic, no Windows header.

inline constexpr int kCalendarRows = 6;
inline constexpr int kCalendarColumns = 7;

// Weekday of the 1st from today's weekday (0 Sunday) and day of the month:
// 0 or 7 Sunday, 1 Monday ... 6 Saturday.
int FirstOfMonthWeekday(int todayWeekday, int todayDay);

// Day shown by cell 0 (it and the following ones may be 0 or negative, which
// stay empty). firstDayOfWeek is the regional first weekday, 0 Monday to 6
// Sunday. A month whose 1st falls on the first weekday starts in the second
// row; a month that fits in five rows also leaves the first row empty.
int CalendarStartDay(int firstOfMonthWeekday, int firstDayOfWeek, int daysInMonth);

struct CalendarCell {
  int day = 0;  // 0: empty
  int x = 0, y = 0;
};

struct CalendarGeometry {
  int cellWidth = 0, cellHeight = 0;
};
// Cells of a sheet of width x height pixels: (width - 4) / 7 by (height - 3) / 7.
CalendarGeometry CalendarCellSize(int width, int height);
// Cell k (0 ... 41): row k / 7, column k % 7.
CalendarCell CalendarCellAt(int k, int startDay, int daysInMonth, const CalendarGeometry& geometry);

// Saturday or Sunday, counted on from the weekday of the 1st (0 or 7 Sunday).
bool IsWeekendDay(int day, int firstOfMonthWeekday);
