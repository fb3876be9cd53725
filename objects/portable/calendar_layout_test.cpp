// The calendar sheet's month grid against whole months of dates.

#include "objects/portable/calendar_layout.h"

#include <gtest/gtest.h>

#include "stage/portable/calendar.h"

namespace {

// Day -> cell index for a month, asking as if today were `today`.
std::vector<int> CellsOf(int today, int month, int year, int firstDayOfWeek) {
  const int first = FirstOfMonthWeekday(Weekday(today, month, year), today);
  const int days = DaysInMonth(month, year);
  const int start = CalendarStartDay(first, firstDayOfWeek, days);
  const CalendarGeometry g = CalendarCellSize(158, 128);
  std::vector<int> cellOfDay(days + 1, -1);
  for (int k = 0; k < kCalendarRows * kCalendarColumns; ++k) {
    const CalendarCell c = CalendarCellAt(k, start, days, g);
    if (c.day) {
      EXPECT_EQ(cellOfDay[c.day], -1) << "day " << c.day << " twice";
      cellOfDay[c.day] = k;
    }
  }
  return cellOfDay;
}

TEST(CalendarLayout, WeekdayOfTheFirstFromAnyDayOfTheMonth) {
  for (int year : {2023, 2024, 2025, 2026})
    for (int month = 1; month <= 12; ++month) {
      const int first = Weekday(1, month, year);
      for (int day = 1; day <= DaysInMonth(month, year); ++day)
        EXPECT_EQ(FirstOfMonthWeekday(Weekday(day, month, year), day) % 7, first)
            << day << "." << month << "." << year;
    }
}

TEST(CalendarLayout, EveryDaySitsInItsWeekdayColumnAndFollowsTheLastRow) {
  for (int firstDay = 0; firstDay < 7; ++firstDay)
    for (int year : {2024, 2026, 2027})
      for (int month = 1; month <= 12; ++month)
        for (int today : {1, 15, 28}) {
          SCOPED_TRACE(::testing::Message()
                       << month << "/" << year << " first " << firstDay << " today " << today);
          const std::vector<int> cells = CellsOf(today, month, year, firstDay);
          const int last = static_cast<int>(cells.size()) - 1;
          const int rows = cells[last] / 7 - cells[1] / 7 + 1;
          // Bottom-heavy: a month of five rows or fewer leaves the first row empty.
          if (rows <= 5) {
            EXPECT_GE(cells[1], 7);
          }
          EXPECT_GE(cells[last], 28) << "the month ends in one of the last two rows";
          for (int day = 1; day <= last; ++day) {
            ASSERT_GE(cells[day], 0) << "day " << day << " missing";
            // Column 0 is the regional first weekday (0 Monday ... 6 Sunday).
            const int mondayBased = (Weekday(day, month, year) + 6) % 7;
            EXPECT_EQ(cells[day] % 7, (mondayBased - firstDay + 7) % 7);
            if (day > 1) {
              EXPECT_EQ(cells[day], cells[day - 1] + 1);
            }
          }
        }
}

TEST(CalendarLayout, AMonthStartingOnTheFirstWeekdayBeginsInTheSecondRow) {
  // June 2026 starts on a Monday; March 2026 on a Sunday.
  EXPECT_EQ(CellsOf(10, 6, 2026, 0)[1], 7);
  EXPECT_EQ(CellsOf(10, 3, 2026, 6)[1], 7);
  // With Sunday first, June 2026 fits five rows from column 1: the first row
  // stays empty.
  EXPECT_EQ(CellsOf(10, 6, 2026, 6)[1], 8);
  // August 2026 (31 days from a Saturday) needs all six rows.
  EXPECT_EQ(CellsOf(10, 8, 2026, 0)[1], 5);
}

TEST(CalendarLayout, FebruaryThatFitsFourRowsLeavesTwoRowsEmpty) {
  // February 2027: 28 days from a Monday.
  const std::vector<int> cells = CellsOf(3, 2, 2027, 0);
  EXPECT_EQ(cells[1], 14);
  EXPECT_EQ(cells[28], 41);
  // February 2026 starts on a Sunday and fits five rows: the second row's end.
  EXPECT_EQ(CellsOf(3, 2, 2026, 0)[1], 13);
}

TEST(CalendarLayout, CellsOfA158By128SheetAre22By17) {
  const CalendarGeometry g = CalendarCellSize(158, 128);
  EXPECT_EQ(std::pair(g.cellWidth, g.cellHeight), std::pair(22, 17));
  const CalendarCell first = CalendarCellAt(0, 1, 30, g), last = CalendarCellAt(41, 1, 30, g);
  EXPECT_EQ(std::pair(first.x, first.y), std::pair(7, 25));
  EXPECT_EQ(std::pair(last.x, last.y), std::pair(7 + 6 * 22, 25 + 5 * 17));
  EXPECT_EQ(last.day, 0) << "day 42 of a 30-day month stays empty";
  EXPECT_LE(last.y + (g.cellHeight - 7) + 4, 128) << "the last row fits the sheet";
}

TEST(CalendarLayout, WeekendsAreSaturdaysAndSundays) {
  for (int month = 1; month <= 12; ++month) {
    const int first = FirstOfMonthWeekday(Weekday(9, month, 2026), 9);
    for (int day = 1; day <= DaysInMonth(month, 2026); ++day) {
      const int w = Weekday(day, month, 2026);
      EXPECT_EQ(IsWeekendDay(day, first), w == 0 || w == 6) << day << "." << month;
    }
  }
}

}  // namespace
