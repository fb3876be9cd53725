#include "objects/portable/clock_logic.h"

namespace {

void AddTwoDigits(GlyphList& list, const DigitRun& run, int first, int value, int xShift) {
  list.Add(run.strip, (value / 10) % 10, run.x[first] + xShift, run.y);
  list.Add(run.strip, value % 10, run.x[first + 1] + xShift, run.y);
}

}  // namespace

int ValidClockFace(int face) {
  return face >= 1 && face <= kClockFaceCount ? face : 1;
}

const ClockFaceLayout& ClockFace(int face) {
  return kClockFaces[ValidClockFace(face) - 1];
}

int DisplayHour(int hour, int timeFormat) {
  return timeFormat < 1 && hour > 12 ? hour - 12 : hour;
}

int RecycleBinStateFor(int64_t items) {
  if (items <= 0) return 0;
  return items <= 32 ? 1 : 2;
}

GlyphList ClockFaceGlyphs(int face, const LocalDateTime& now, int timeFormat, int dateOrder, int binState) {
  GlyphList list;
  const ClockFaceLayout& layout = ClockFace(face);
  const int frame = (layout.frames > 1 && binState >= 0 && binState < layout.frames) ? binState : 0;
  const int shift = frame * layout.width;
  AddTwoDigits(list, layout.time, 0, DisplayHour(now.hour, timeFormat), shift);
  AddTwoDigits(list, layout.time, 2, now.minute, shift);
  if (layout.date.count == 0) return list;

  // Two digits of the year cover 2000-2099 as the face was meant to; other
  // years show their last two digits rather than nonsense.
  int year = now.year % 100;
  if (year < 0) year += 100;
  int pairs[3];
  switch (dateOrder) {
    case 0:
      pairs[0] = now.month, pairs[1] = now.day, pairs[2] = year;
      break;
    case 1:
      pairs[0] = now.day, pairs[1] = now.month, pairs[2] = year;
      break;
    case 2:
      pairs[0] = year, pairs[1] = now.month, pairs[2] = now.day;
      break;
    default:
      return list;
  }
  for (int i = 0; i < 3; ++i) AddTwoDigits(list, layout.date, 2 * i, pairs[i], shift);
  return list;
}

bool InBinZone(int face, bool recycleBinShown, bool dontEmpty, int x, int y) {
  return face == 1 && recycleBinShown && !dontEmpty && x >= kBinZone.left && x <= kBinZone.right &&
         y >= kBinZone.top && y <= kBinZone.bottom;
}

std::string RecycleBinText(int64_t items) {
  if (items <= 0) return "Der M\xFClleimer ist leer.";
  if (items == 1) return "Eine gel\xF6schte Datei im M\xFClleimer.";
  return std::to_string(items) + " gel\xF6schte Dateien im M\xFClleimer.";
}

BubblePlacement RecycleBinBubblePlacement(int clockX, int workAreaRight) {
  if (clockX < workAreaRight / 2) return {1, clockX + 28, -28, 24};
  return {2, clockX - 174, -28, 24};
}
