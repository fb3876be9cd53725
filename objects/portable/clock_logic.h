#pragma once
// What the clock shows, worked out without Windows: the digits of a face for a
// time, the recycle-bin state for an item count, the bin zone and the bin
// bubble. The clock thread (objects/clock.cpp) draws what these say.

#include <cstdint>
#include <string>

#include "stage/portable/calendar.h"
#include "objects/portable/clock_faces.h"

// One glyph to copy from a digit strip onto a face.
struct GlyphPlacement {
  DigitStripId strip;
  int glyph;  // 0-23 (GlyphSource)
  int x, y;   // on the face's sheet
  friend bool operator==(const GlyphPlacement&, const GlyphPlacement&) = default;
};

// The glyphs of one face; a face never needs more than twelve.
struct GlyphList {
  static constexpr int kCapacity = 12;
  GlyphPlacement items[kCapacity];
  int count = 0;
  void Add(DigitStripId strip, int glyph, int x, int y) {
    if (count < kCapacity) items[count++] = {strip, glyph, x, y};
  }
  const GlyphPlacement* begin() const { return items; }
  const GlyphPlacement* end() const { return items + count; }
};

// Where a bubble goes: type 1-4, screen x, offset from the speaker's window
// top, lifetime in main ticks.
struct BubblePlacement {
  int type, x, yOffset, lifetime;
  friend bool operator==(const BubblePlacement&, const BubblePlacement&) = default;
};

// The face of a Clock setting; anything outside 1-4 shows face 1.
int ValidClockFace(int face);
const ClockFaceLayout& ClockFace(int face);

// The hour as the face shows it: with a 12-hour regional format (iTime < 1)
// 13-23 become 1-11; midnight stays 0 and noon 12.
int DisplayHour(int hour, int timeFormat);

// 0 empty, 1 for 1 to 32 items, 2 above.
int RecycleBinStateFor(int64_t items);

// The digits face `face` shows at `now`: the time, and on faces 3 and 4 the
// date in the regional order (iDate 0 month-day-year, 1 day-month-year,
// 2 year-month-day, others no date). Face 1's digits move with the frame of
// the recycle-bin state (0-2; anything else counts as 0). Years show their
// last two digits.
GlyphList ClockFaceGlyphs(int face, const LocalDateTime& now, int timeFormat, int dateOrder, int binState);

// Client point (x, y) on face `face` lies where clicks talk to the recycle bin.
bool InBinZone(int face, bool recycleBinShown, bool dontEmpty, int x, int y);

// The bubble's text (code page 1252) for an item count.
std::string RecycleBinText(int64_t items);
// Right of the clock in the work area's left half, else left of it.
BubblePlacement RecycleBinBubblePlacement(int clockX, int workAreaRight);
