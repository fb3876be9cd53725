#pragma once
// The month calendar sheet the billboard shows as motif 4: month and year on
// top, six rows of seven days below, weekends and holidays red, today marked.

#include <windows.h>

// The day a sheet was last drawn, kept by whoever draws sheets (the
// billboard): each keeps its own.
struct CalendarDrawn {
  int day = 0, month = 0, year = 0;
};

// Draws this month on the bitmap (a fresh "MOTIV04"), the grid sized for
// width x height, its weeks starting on `firstDayOfWeek` (the FirstDayOfWeek
// setting) and the holidays of `holidayRegion` red (Feiertage; 0 none).
// Without force nothing is drawn on the day `drawn` holds. 1 when it drew
// (and `drawn` then holds today).
int DrawCalendarSheet(HBITMAP bitmap, int width, int height, int force, int firstDayOfWeek, int holidayRegion,
                      CalendarDrawn& drawn);
void DrawCalendarDay(HDC dc, int day, bool red, bool today, int x, int y, int width, int height);
void DrawCalendarHeader(HDC dc, int month, int year, int x, int y, int width, int height);
