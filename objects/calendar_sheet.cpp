#include "objects/calendar_sheet.h"

#include <cstdio>

#include "services/lang_text.h"
#include "services/handles.h"
#include "stage/portable/calendar.h"
#include "objects/portable/calendar_layout.h"

namespace {

constexpr COLORREF kDarkText = 0x00100000;
constexpr COLORREF kTodayRed = 0x000000D2;
constexpr COLORREF kTodayYellow = 0x0040FFFF;
constexpr COLORREF kRed = 0x000000FF;
constexpr UINT kDayFormat = DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX;

const char* const kMonthDefaults[12] = {"Januar", "Februar", "M\xE4rz",   "April",   "Mai",      "Juni",
                                        "Juli",   "August",  "September", "Oktober", "November", "Dezember"};

HFONT MakeCalendarFont() {
  return CreateFontA(-13, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, "Verdana");
}

}  // namespace

void DrawCalendarDay(HDC dc, int day, bool red, bool today, int x, int y, int width, int height) {
  char text[8];
  std::snprintf(text, sizeof text, "%d", day);
  RECT box = {x, y, x + width + 2, y + height + 4};
  if (today) {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, red ? kTodayRed : kTodayYellow);
    SetTextColor(dc, red ? RGB(255, 255, 255) : kDarkText);
    DrawTextA(dc, text, -1, &box, kDayFormat);
    return;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextA(dc, text, -1, &box, kDayFormat);
  if (red) {
    SetTextColor(dc, kRed);
    DrawTextA(dc, text, -1, &box, kDayFormat);
  }
}

void DrawCalendarHeader(HDC dc, int month, int year, int x, int y, int width, int height) {
  char key[16];
  char name[24] = "";
  std::snprintf(key, sizeof key, "MONAT_%02d", month);
  const char* text =
      month >= 1 && month <= 12 ? LangText("TAGNACHT", key, kMonthDefaults[month - 1]) : nullptr;
  lstrcpynA(name, text ? text : "", sizeof name);
  char header[48];
  std::snprintf(header, sizeof header, "%s %02d ", name, year);
  RECT box = {x, y, x + width, y + height};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kDarkText);
  DrawTextA(dc, header, -1, &box, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

namespace {

// Draws into the bitmap with the font; the DC lets go of both before the font is deleted.
void DrawMonth(HBITMAP bitmap, HFONT font, int width, int height, int d, int m, int y, int weekday,
               int firstDayOfWeek, int region) {
  BitmapDC canvas(bitmap);
  if (!canvas.ok()) return;
  if (font) canvas.UseFont(font);
  const CalendarGeometry grid = CalendarCellSize(width, height);
  const int days = DaysInMonth(m, y);
  const int first = FirstOfMonthWeekday(weekday, d);
  const int start = CalendarStartDay(first, firstDayOfWeek, days);
  for (int k = 0; k < kCalendarRows * kCalendarColumns; ++k) {
    const CalendarCell cell = CalendarCellAt(k, start, days, grid);
    if (!cell.day) continue;
    const bool red = IsWeekendDay(cell.day, first) || (region && IsHoliday(cell.day, m, y, region));
    DrawCalendarDay(canvas.get(), cell.day, red, cell.day == d, cell.x, cell.y, grid.cellWidth - 8,
                    grid.cellHeight - 7);
  }
  DrawCalendarHeader(canvas.get(), m, y, 10, 7, width, grid.cellHeight);
  GdiFlush();
}

}  // namespace

int DrawCalendarSheet(HBITMAP bitmap, int width, int height, int force, int firstDayOfWeek, int holidayRegion,
                      CalendarDrawn& drawn) {
  uint32_t day = 0, month = 0, year = 0, weekday = 0;
  GetLocalTimeParts(&day, &month, &year, nullptr, nullptr, nullptr, &weekday);
  const int d = static_cast<int>(day), m = static_cast<int>(month), y = static_cast<int>(year);
  if (!bitmap || (!force && d == drawn.day && m == drawn.month && y == drawn.year)) return 0;
  const OwnedFont font(MakeCalendarFont());
  DrawMonth(bitmap, font.get(), width, height, d, m, y, static_cast<int>(weekday), firstDayOfWeek,
            holidayRegion);
  drawn = {d, m, y};
  return 1;
}
