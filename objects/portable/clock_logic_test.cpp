// The clock's faces, hours, dates and recycle-bin display, worked out natively.

#include "objects/portable/clock_logic.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

LocalDateTime At(int year, int month, int day, int hour, int minute) {
  LocalDateTime t;
  t.year = year, t.month = month, t.day = day, t.hour = hour, t.minute = minute;
  return t;
}

// The digit values a face shows, in drawing order (row-0 glyphs only here).
std::vector<int> Digits(const GlyphList& list) {
  std::vector<int> out;
  for (const GlyphPlacement& g : list) out.push_back(g.glyph);
  return out;
}

TEST(ClockFaces, TimeAndDateDigits) {
  const LocalDateTime t = At(2026, 12, 5, 14, 7);
  struct Row {
    const char* why;
    int face;
    LocalDateTime time;
    int format24, order;
    std::vector<int> digits;
  } const rows[] = {
      {"12-hour: 13:05 is 01:05", 2, At(2024, 3, 1, 13, 5), 0, 1, {0, 1, 0, 5}},
      {"12-hour: midnight stays 00", 2, At(2024, 3, 1, 0, 30), 0, 1, {0, 0, 3, 0}},
      {"12-hour: noon stays 12", 2, At(2024, 3, 1, 12, 30), 0, 1, {1, 2, 3, 0}},
      {"anything below 1 is the 12-hour format", 2, At(2024, 3, 1, 23, 5), -1, 1, {1, 1, 0, 5}},
      {"24-hour", 2, At(2024, 3, 1, 13, 5), 1, 1, {1, 3, 0, 5}},
      {"day, month, year", 3, t, 1, 1, {1, 4, 0, 7, 0, 5, 1, 2, 2, 6}},
      {"month, day, year", 4, t, 1, 0, {1, 4, 0, 7, 1, 2, 0, 5, 2, 6}},
      {"year, month, day", 4, t, 1, 2, {1, 4, 0, 7, 2, 6, 1, 2, 0, 5}},
      {"an unknown order draws no date", 4, t, 1, 3, {1, 4, 0, 7}},
      {"face 1 never draws a date", 1, t, 1, 1, {1, 4, 0, 7}},
      {"1999: the last two digits", 4, At(1999, 1, 2, 3, 4), 1, 2, {0, 3, 0, 4, 9, 9, 0, 1, 0, 2}},
      {"2100: the last two digits", 4, At(2100, 1, 2, 3, 4), 1, 2, {0, 3, 0, 4, 0, 0, 0, 1, 0, 2}},
      {"a year before 1 counts back from 99", 4, At(-1, 1, 2, 3, 4), 1, 2, {0, 3, 0, 4, 9, 9, 0, 1, 0, 2}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(Digits(ClockFaceGlyphs(r.face, r.time, r.format24, r.order, 0)), r.digits) << r.why;
  // Face 3: large time above the small date.
  const GlyphList dmy = ClockFaceGlyphs(3, t, 1, 1, 0);
  EXPECT_EQ(dmy.items[0].strip, kLargeStrip);
  EXPECT_EQ(dmy.items[4].strip, kSmallStrip);
  EXPECT_LT(dmy.items[0].y, dmy.items[4].y);
}

TEST(ClockFaces, FaceOneDigitsMoveWithTheRecycleBinFrame) {
  const int frameX[] = {0, 40, 80, 0, 0};  // states 0, 1, 2, then -1 and 7 count as 0
  const int states[] = {0, 1, 2, -1, 7};
  for (int i = 0; i < 5; ++i) {
    const GlyphList list = ClockFaceGlyphs(1, At(2024, 3, 1, 21, 7), 1, 1, states[i]);
    ASSERT_EQ(list.count, 4);
    EXPECT_EQ(list.items[0].x, 8 + frameX[i]) << states[i];
    EXPECT_EQ(list.items[3].x, 28 + frameX[i]) << states[i];
    EXPECT_EQ(list.items[0].y, 8);
  }
  // Other faces have one frame: the state does not move their digits.
  EXPECT_EQ(ClockFaceGlyphs(2, At(2024, 3, 1, 21, 7), 1, 1, 2).items[0].x, 6);
}

TEST(ClockFaces, EveryGlyphStaysInsideItsFrameAndStrip) {
  for (int face = 1; face <= kClockFaceCount; ++face) {
    const ClockFaceLayout& layout = ClockFace(face);
    for (int order = 0; order <= 2; ++order)
      for (int state = 0; state < layout.frames; ++state) {
        const GlyphList list = ClockFaceGlyphs(face, At(2088, 8, 28, 23, 59), 1, order, state);
        for (const GlyphPlacement& g : list) {
          const GlyphRect src = GlyphSource(*kDigitStrips[g.strip], g.glyph);
          EXPECT_GE(g.x, state * layout.width);
          EXPECT_LE(g.x + src.width, (state + 1) * layout.width) << face;
          EXPECT_GE(g.y, 0);
          EXPECT_LE(g.y + src.height, layout.height) << face;
          EXPECT_LE(src.x + src.width, StripWidth(*kDigitStrips[g.strip]));
        }
        // No two glyphs overlap.
        for (int i = 0; i < list.count; ++i)
          for (int j = i + 1; j < list.count; ++j) {
            const GlyphPlacement& a = list.items[i];
            const GlyphPlacement& b = list.items[j];
            const GlyphRect ra = GlyphSource(*kDigitStrips[a.strip], a.glyph);
            const GlyphRect rb = GlyphSource(*kDigitStrips[b.strip], b.glyph);
            const bool apart = a.x + ra.width <= b.x || b.x + rb.width <= a.x || a.y + ra.height <= b.y ||
                               b.y + rb.height <= a.y;
            EXPECT_TRUE(apart) << "face " << face << " glyphs " << i << " and " << j;
          }
      }
  }
}

TEST(ClockFaces, UnknownFaceSettingsShowFaceOne) {
  EXPECT_EQ(ValidClockFace(0), 1);
  EXPECT_EQ(ValidClockFace(5), 1);
  EXPECT_EQ(ValidClockFace(-3), 1);
  EXPECT_EQ(ValidClockFace(4), 4);
  EXPECT_EQ(&ClockFace(9), &kClockFaces[0]);
}

TEST(RecycleBin, StatesForItemCounts) {
  const std::pair<int64_t, int> rows[] = {{0, 0}, {1, 1}, {2, 1}, {32, 1}, {33, 2}, {int64_t{1} << 40, 2}};
  for (auto [items, state] : rows) EXPECT_EQ(RecycleBinStateFor(items), state) << items;
}

TEST(RecycleBin, BubbleTexts) {
  EXPECT_EQ(RecycleBinText(0), "Der M\xFClleimer ist leer.");
  EXPECT_EQ(RecycleBinText(1), "Eine gel\xF6schte Datei im M\xFClleimer.");
  EXPECT_EQ(RecycleBinText(2), "2 gel\xF6schte Dateien im M\xFClleimer.");
  EXPECT_EQ(RecycleBinText(40), "40 gel\xF6schte Dateien im M\xFClleimer.");
  // Beyond 32 bits the count still reads right.
  EXPECT_EQ(RecycleBinText(5000000000LL), "5000000000 gel\xF6schte Dateien im M\xFClleimer.");
}

TEST(RecycleBin, BubbleSitsOnTheSideWithRoom) {
  EXPECT_EQ(RecycleBinBubblePlacement(100, 1280), (BubblePlacement{1, 128, -28, 24}));
  EXPECT_EQ(RecycleBinBubblePlacement(639, 1280), (BubblePlacement{1, 667, -28, 24}));
  EXPECT_EQ(RecycleBinBubblePlacement(640, 1280), (BubblePlacement{2, 466, -28, 24}));
}

TEST(RecycleBin, ZoneOnlyOnFaceOneWithTheDisplayAndEmptyingAllowed) {
  struct Row {
    int face;
    bool display, dontEmpty;
    int x, y;
    bool in;
  } const rows[] = {
      {1, true, false, 13, 57, true},  {1, true, false, 31, 89, true},   {1, true, false, 12, 60, false},
      {1, true, false, 32, 60, false}, {1, true, false, 20, 56, false},  {1, true, false, 20, 90, false},
      {2, true, false, 20, 60, false}, {1, false, false, 20, 60, false}, {1, true, true, 20, 60, false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(InBinZone(r.face, r.display, r.dontEmpty, r.x, r.y), r.in)
        << r.face << " " << r.x << "," << r.y;
}

}  // namespace
