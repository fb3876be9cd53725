// The calendar sheet: drawn once a day unless forced, the day drawn kept by
// each caller for itself.
#include "objects/calendar_sheet.h"

#include <gtest/gtest.h>

#include "services/handles.h"

namespace {

TEST(CalendarSheet, EachOwnerKeepsTheDayItDrewAndForceAlwaysDraws) {
  const OwnedBitmap bitmap(CreateBitmap(70, 60, 1, 32, nullptr));
  ASSERT_TRUE(bitmap);
  CalendarDrawn first, second;
  const struct {
    const char* name;
    CalendarDrawn* drawn;
    HBITMAP bitmap;
    int force;
    int expected;
  } rows[] = {
      {"first owner, first time", &first, bitmap.get(), 0, 1},
      {"first owner, same day", &first, bitmap.get(), 0, 0},
      {"first owner, forced", &first, bitmap.get(), 1, 1},
      {"second owner, first time: the first owner's day is not its own", &second, bitmap.get(), 0, 1},
      {"second owner, same day", &second, bitmap.get(), 0, 0},
      {"no bitmap, forced: nothing drawn", &second, nullptr, 1, 0},
  };
  for (const auto& row : rows) {
    const CalendarDrawn before = *row.drawn;
    EXPECT_EQ(DrawCalendarSheet(row.bitmap, 70, 60, row.force, 0, 0, *row.drawn), row.expected) << row.name;
    if (row.expected == 0) {
      EXPECT_EQ(row.drawn->day, before.day) << row.name;
      EXPECT_EQ(row.drawn->month, before.month) << row.name;
      EXPECT_EQ(row.drawn->year, before.year) << row.name;
    } else {
      EXPECT_GE(row.drawn->day, 1) << row.name;
      EXPECT_LE(row.drawn->day, 31) << row.name;
      EXPECT_GE(row.drawn->month, 1) << row.name;
      EXPECT_GE(row.drawn->year, 2000) << row.name;
    }
  }
  // A day that is not today draws again.
  first.day = first.day == 1 ? 2 : 1;
  EXPECT_EQ(DrawCalendarSheet(bitmap.get(), 70, 60, 0, 0, 0, first), 1);
}

}  // namespace
