#pragma once
// The clock's and the countdown's faces: the layout of the two digit strips,
// the size of every face and the places of its digits. The program draws the
// digits from these tables and the art generator paints strips and faces to
// them; this is the only place the numbers live. No windows.h here.

// A digit strip holds two rows of twelve glyphs: digits 0-9, a blank and a
// colon. Row 0 is the normal colour, row 1 the other one (the countdown after
// its target).
struct DigitStripLayout {
  const char* name;  // bitmap resource
  int digitWidth;    // digit d starts at x = d * digitWidth
  int height;        // of one row; row 1 starts at y = height
  int blankX;
  int blankWidth;
  int colonX;
  int colonWidth;
};

// The large strip's blank starts one column early, on digit 9's last column,
// which the digits therefore leave empty.
inline constexpr DigitStripLayout kSmallDigits{"UHR_Z1", 5, 11, 50, 5, 55, 3};
inline constexpr DigitStripLayout kLargeDigits{"UHR_Z3", 14, 26, 139, 14, 154, 4};

enum DigitStripId : int { kSmallStrip = 0, kLargeStrip = 1 };
inline constexpr const DigitStripLayout* kDigitStrips[2] = {&kSmallDigits, &kLargeDigits};

inline constexpr int kGlyphBlank = 10;
inline constexpr int kGlyphColon = 11;
inline constexpr int kGlyphsPerRow = 12;  // glyph g + 12 is glyph g in row 1

// Source rectangle {x, y, width, height} of glyph 0-23 in its strip.
struct GlyphRect {
  int x, y, width, height;
};
constexpr GlyphRect GlyphSource(const DigitStripLayout& strip, int glyph) {
  const int row = glyph >= kGlyphsPerRow ? 1 : 0;
  const int index = glyph % kGlyphsPerRow;
  const int y = row * strip.height;
  if (index == kGlyphBlank) return {strip.blankX, y, strip.blankWidth, strip.height};
  if (index == kGlyphColon) return {strip.colonX, y, strip.colonWidth, strip.height};
  return {index * strip.digitWidth, y, strip.digitWidth, strip.height};
}
constexpr int StripWidth(const DigitStripLayout& strip) {
  return strip.colonX + strip.colonWidth;
}
constexpr int StripHeight(const DigitStripLayout& strip) {
  return 2 * strip.height;
}

// A row of digit places on a face: `count` glyphs of one strip at one y.
struct DigitRun {
  DigitStripId strip;
  int y;
  int count;
  int x[6];
};

// ---- Clock ("UHR_%02d", faces 1-4) ----

struct ClockFaceLayout {
  int width, height;  // of one frame
  int frames;         // side by side in the sheet; face 1 has one per recycle-bin state
  bool yMovable;      // false: stands on the work area's bottom
  int posEntry;       // index (from 0) of the face's x in the ClockPos list; y follows it
  DigitRun time;      // hh mm
  DigitRun date;      // three pairs in the regional order; count 0: no date
};

inline constexpr ClockFaceLayout kClockFaces[4] = {
    {40, 115, 3, false, 0, {kSmallStrip, 8, 4, {8, 14, 22, 28}}, {kSmallStrip, 0, 0, {}}},
    {37, 23, 1, true, 2, {kSmallStrip, 6, 4, {6, 12, 20, 26}}, {kSmallStrip, 0, 0, {}}},
    {72,
     192,
     1,
     false,
     4,
     {kLargeStrip, 47, 4, {4, 19, 38, 53}},
     {kSmallStrip, 78, 6, {14, 20, 30, 36, 46, 52}}},
    {72,
     51,
     1,
     true,
     6,
     {kLargeStrip, 3, 4, {4, 19, 38, 53}},
     {kSmallStrip, 34, 6, {14, 20, 30, 36, 46, 52}}},
};
inline constexpr int kClockFaceCount = 4;

// Face 1: the recycle bin. Its frames show an empty, a used and a full bin.
inline constexpr int kRecycleBinFrames = 3;
// Client rectangle (inclusive) where clicks ask for the bubble or the emptying.
struct BinZone {
  int left, top, right, bottom;
};
inline constexpr BinZone kBinZone{13, 57, 31, 89};

// ---- Countdown ("COUNTDOWN_%02d", faces 1-3) ----

struct CountdownFaceLayout {
  int width, height;
  int posEntry;      // index (from 0) of the face's x in the CountdownPos list
  DigitRun days;     // five places
  DigitRun hours;    // two places
  int colonX;        // in the hours' strip, at the hours' y
  DigitRun minutes;  // two places
};

inline constexpr CountdownFaceLayout kCountdownFaces[3] = {
    {72,
     23,
     0,
     {kSmallStrip, 6, 5, {6, 12, 18, 24, 30}},
     {kSmallStrip, 6, 2, {41, 47}},
     52,
     {kSmallStrip, 6, 2, {55, 61}}},
    {72,
     51,
     2,
     {kSmallStrip, 34, 5, {23, 29, 35, 41, 47}},
     {kLargeStrip, 3, 2, {4, 19}},
     33,
     {kLargeStrip, 3, 2, {38, 53}}},
    {88,
     51,
     4,
     {kLargeStrip, 2, 5, {6, 21, 36, 51, 66}},
     {kSmallStrip, 34, 2, {31, 37}},
     42,
     {kSmallStrip, 34, 2, {45, 51}}},
};
inline constexpr int kCountdownFaceCount = 3;
