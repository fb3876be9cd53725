#include "objects/portable/calendar_layout.h"

int FirstOfMonthWeekday(int todayWeekday, int todayDay) {
  int weekday = todayWeekday - todayDay % 7 + 1;
  if (weekday < 0) weekday += 7;
  return weekday;
}

int CalendarStartDay(int firstOfMonthWeekday, int firstDayOfWeek, int daysInMonth) {
  int start = firstDayOfWeek + (firstOfMonthWeekday < 1 ? -5 : 2 - firstOfMonthWeekday);
  if (start >= 1) start -= 7;
  const int magnitude = start < 0 ? -start : start;
  if (magnitude + daysInMonth < 35) start -= 7;
  return start;
}

CalendarGeometry CalendarCellSize(int width, int height) {
  return {(width - 4) / 7, (height - 3) / 7};
}

CalendarCell CalendarCellAt(int k, int startDay, int daysInMonth, const CalendarGeometry& geometry) {
  CalendarCell cell;
  const int row = k / kCalendarColumns, column = k % kCalendarColumns;
  cell.x = 7 + column * geometry.cellWidth;
  cell.y = geometry.cellHeight + 8 + row * geometry.cellHeight;
  const int day = startDay + k;
  cell.day = day >= 1 && day <= daysInMonth ? day : 0;
  return cell;
}

bool IsWeekendDay(int day, int firstOfMonthWeekday) {
  const int weekday = (firstOfMonthWeekday + day - 1) % 7;
  return weekday == 0 || weekday == 6;
}
