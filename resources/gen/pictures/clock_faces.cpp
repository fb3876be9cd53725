// The clock's four faces, the countdown's three and the two digit strips they
// share. The displays are dark glass with glowing seven-segment digits; the
// unlit segments show faintly, as on a real display. Every number about
// places and sizes comes from objects/portable/clock_faces.h; the digits'
// glass colour here is the one the faces leave under their digit places.
//
//   UHR_01  a green wastepaper basket with a clock on a bracket; three frames:
//           empty, a few crumpled sheets, overflowing
//   UHR_02  a tiny red alarm clock
//   UHR_03  a street clock on a cast-iron post with a sparrow on its roof
//   UHR_04  a black desk clock with date and alarm bell
//   COUNTDOWN_01..03  an orange bar, a desk timer with an hourglass, a wide
//           board with a finish flag

#include <cstdio>
#include <string>

#include "../effects.h"
#include "../pixel_font.h"
#include "../pixel_map.h"
#include "objects/portable/clock_faces.h"
#include "palette.h"
#include "pictures.h"

namespace art {
namespace {

using namespace pal;

constexpr Rgba kGlass = Rgb(0x1E2A33);
constexpr Rgba kGhost = Rgb(0x293947);
constexpr Rgba kGlassRim = Rgb(0x3A4E60);
constexpr Rgba kGlare = Rgb(0x4E6678);
constexpr Rgba kLabel = Rgb(0x7C93A6);

struct LitColours {
  Rgba lit, core;
};
constexpr LitColours kCyanLit{Rgb(0x6FEFD2), Rgb(0xCFFFF3)};  // row 0: counting, the clock
constexpr LitColours kRedLit{Rgb(0xFF7058), Rgb(0xFFD3C8)};   // row 1: the countdown after its target

// ---- Seven-segment glyphs ----

enum Segment { kA = 1, kB = 2, kC = 4, kD = 8, kE = 16, kF = 32, kG = 64 };
constexpr int kAllSegments = 127;
constexpr int kDigitSegments[10] = {kA | kB | kC | kD | kE | kF, kB | kC,           kA | kB | kD | kE | kG,
                                    kA | kB | kC | kD | kG,      kB | kC | kF | kG, kA | kC | kD | kF | kG,
                                    kA | kC | kD | kE | kF | kG, kA | kB | kC,      kAllSegments,
                                    kA | kB | kC | kD | kF | kG};

// Small glyphs: 5 wide, rows 1-9 of 11, one-pixel strokes without corners.
void SmallSegment(Canvas& c, int x, int y, int segment, Rgba colour) {
  switch (segment) {
    case kA:
      c.HLine(x + 1, x + 3, y + 1, colour);
      break;
    case kG:
      c.HLine(x + 1, x + 3, y + 5, colour);
      break;
    case kD:
      c.HLine(x + 1, x + 3, y + 9, colour);
      break;
    case kF:
      c.VLine(x, y + 2, y + 4, colour);
      break;
    case kB:
      c.VLine(x + 4, y + 2, y + 4, colour);
      break;
    case kE:
      c.VLine(x, y + 6, y + 8, colour);
      break;
    case kC:
      c.VLine(x + 4, y + 6, y + 8, colour);
      break;
    default:
      break;
  }
}

// Large glyphs: columns 0-12 of 14 (column 13 stays glass), three-pixel
// segments with pointed ends and a bright core. `firstColumn` 1 leaves column
// 0 to the glyph before (the large blank starts on digit 9's last column).
void HorizontalSegment(Canvas& c, int x, int y, int yc, Rgba colour, Rgba core) {
  c.HLine(x + 3, x + 9, y + yc - 1, colour);
  c.HLine(x + 2, x + 10, y + yc, colour);
  c.HLine(x + 3, x + 9, y + yc + 1, colour);
  if (core != colour) c.HLine(x + 4, x + 8, y + yc, core);
}

void VerticalSegment(Canvas& c, int x, int y, int xc, int y0, int y1, Rgba colour, Rgba core,
                     int firstColumn) {
  if (xc - 1 >= firstColumn) c.VLine(x + xc - 1, y + y0 + 1, y + y1 - 1, colour);
  c.VLine(x + xc, y + y0, y + y1, colour);
  c.VLine(x + xc + 1, y + y0 + 1, y + y1 - 1, colour);
  if (core != colour) c.VLine(x + xc, y + y0 + 2, y + y1 - 2, core);
}

void LargeSegment(Canvas& c, int x, int y, int segment, Rgba colour, Rgba core, int firstColumn) {
  switch (segment) {
    case kA:
      HorizontalSegment(c, x, y, 1, colour, core);
      break;
    case kG:
      HorizontalSegment(c, x, y, 12, colour, core);
      break;
    case kD:
      HorizontalSegment(c, x, y, 24, colour, core);
      break;
    case kF:
      VerticalSegment(c, x, y, 1, 2, 11, colour, core, firstColumn);
      break;
    case kB:
      VerticalSegment(c, x, y, 11, 2, 11, colour, core, firstColumn);
      break;
    case kE:
      VerticalSegment(c, x, y, 1, 13, 23, colour, core, firstColumn);
      break;
    case kC:
      VerticalSegment(c, x, y, 11, 13, 23, colour, core, firstColumn);
      break;
    default:
      break;
  }
}

// The colon's dots, lit (also painted into faces whose colon is fixed).
void SmallColon(Canvas& c, int x, int y, Rgba colour) {
  c.Set(x + 1, y + 3, colour);
  c.Set(x + 1, y + 7, colour);
}
void LargeColon(Canvas& c, int x, int y, const LitColours& colours) {
  for (int dotY : {6, 17}) {
    c.FillRect(x + 1, y + dotY, 2, 3, colours.lit);
    c.Set(x + 1, y + dotY + 1, colours.core);
  }
}

// Glyph 0-11 (digit, blank, colon) of a strip at (x, y).
void DrawGlyph(Canvas& c, const DigitStripLayout& strip, int x, int y, int glyph, const LitColours& colours) {
  const bool large = &strip == &kLargeDigits;
  if (glyph == kGlyphColon) {
    if (large)
      LargeColon(c, x, y, colours);
    else
      SmallColon(c, x, y, colours.lit);
    return;
  }
  // The large blank begins one column left of its ghost digit's place.
  const int shift = large && glyph == kGlyphBlank ? strip.blankX - 10 * strip.digitWidth : 0;
  const int first = shift < 0 ? -shift : 0;
  const int lit = glyph == kGlyphBlank ? 0 : kDigitSegments[glyph];
  for (int segment = kA; segment <= kG; segment <<= 1) {
    const bool on = lit & segment;
    if (large)
      LargeSegment(c, x - shift, y, segment, on ? colours.lit : kGhost, on ? colours.core : kGhost, first);
    else
      SmallSegment(c, x, y, segment, on ? colours.lit : kGhost);
  }
}

Canvas DigitStrip(const DigitStripLayout& strip) {
  Canvas c(StripWidth(strip), StripHeight(strip), kGlass);
  for (int row = 0; row < 2; ++row)
    for (int glyph = 0; glyph < kGlyphsPerRow; ++glyph) {
      const GlyphRect at = GlyphSource(strip, glyph + row * kGlyphsPerRow);
      DrawGlyph(c, strip, at.x, at.y, glyph, row ? kRedLit : kCyanLit);
    }
  return c;
}

// What a face shows under its digit places before the first drawing: unlit
// glyphs, so even a face that was never drawn looks like a display.
void GhostRun(Canvas& c, const DigitRun& run, int xShift = 0) {
  const DigitStripLayout& strip = *kDigitStrips[run.strip];
  for (int i = 0; i < run.count; ++i) DrawGlyph(c, strip, run.x[i] + xShift, run.y, kGlyphBlank, kCyanLit);
}

// The colon between hh and mm and the dots between the date's pairs, fixed
// in the clock's faces.
void ClockSeparators(Canvas& c, const ClockFaceLayout& face, int xShift = 0) {
  const DigitRun& t = face.time;
  const int colonX = (t.x[1] + kDigitStrips[t.strip]->digitWidth + t.x[2]) / 2 + xShift;
  if (t.strip == kLargeStrip)
    LargeColon(c, colonX - 2, t.y, kCyanLit);
  else
    SmallColon(c, colonX - 1, t.y, kCyanLit.lit);
  const DigitRun& d = face.date;
  for (int pair = 1; pair < d.count / 2; ++pair) {
    const int dotX = (d.x[2 * pair - 1] + kSmallDigits.digitWidth + d.x[2 * pair]) / 2 + xShift;
    c.Set(dotX, d.y + 9, kCyanLit.lit);
  }
}

// A dark glass panel with a rim, its corners rounded by one pixel.
void GlassPanel(Canvas& c, int x, int y, int w, int h) {
  c.FillRect(x, y, w, h, kInk);
  c.FillRect(x + 1, y + 1, w - 2, h - 2, kGlass);
  c.HLine(x + 2, x + w - 3, y + 1, kGlassRim);
  c.VLine(x + 1, y + 2, y + h - 3, kGlassRim);
}

// A short diagonal glint in a glass corner (kept off the digit places).
void Glint(Canvas& c, int x, int y) {
  c.Set(x, y, kGlare);
  c.Set(x + 1, y, kGlare);
  c.Set(x + 2, y, kGlare);
}

// A small box on two feet with a glass panel (clock face 2, countdown face 1).
Canvas BoxOnFeet(int width, int height, Rgba body, Rgba light, Rgba dark) {
  Canvas c(width, height);
  for (int x : {5, width - 10}) {
    c.FillRect(x, height - 3, 5, 3, kInk);
    c.FillRect(x + 1, height - 3, 3, 2, kGrey4);
  }
  c.FillRoundRect(0, 0, width, height - 2, 5, kInk);
  c.FillRoundRect(1, 1, width - 2, height - 4, 4, body);
  c.HLine(5, width - 6, 1, light);
  c.HLine(5, width - 6, height - 4, dark);
  c.VLine(1, 5, height - 8, light);
  c.VLine(width - 2, 5, height - 8, dark);
  GlassPanel(c, 3, 3, width - 6, height - 7);
  return c;
}

// A 72 x 51 desk display: dark glass all over, a divider under the large
// digits and a foot in the given colours (clock face 4, countdown face 2).
Canvas DeskDisplay(Rgba foot, Rgba footLight) {
  Canvas c(72, 51);
  c.FillRect(12, 46, 48, 5, kInk);
  c.FillRect(13, 47, 46, 3, foot);
  c.HLine(14, 57, 47, footLight);
  c.FillRoundRect(0, 0, 72, 48, 5, kInk);
  c.FillRoundRect(1, 1, 70, 46, 4, kGlass);
  c.HLine(5, 66, 1, kGlassRim);
  c.VLine(1, 5, 42, kGlassRim);
  c.HLine(6, 65, 31, kGlassRim);
  Glint(c, 66, 2);
  return c;
}

// ---- Small pictures on the faces ----

// clang-format off
const PixelMap kHourglass = {
    "ooooooooooo",
    ".owwwwwwwo.",
    ".ow.sss.wo.",
    "..ow.s.wo..",
    "...owswo...",
    "....o.o....",
    "....owo....",
    "...ow.wo...",
    "..ow..swo..",
    ".ow.ssss.o.",
    ".owsssssso.",
    "ooooooooooo"};
const PixelMap kFinishFlag = {
    "pkwkwkwk.",
    "pwkwkwkw.",
    "pkwkwkwk.",
    "pwkwkwkw.",
    "p........",
    "p........",
    "p........",
    "p........",
    "p........",
    "pp.......",
    "ppp......"};
// Two arrows chasing each other round: the recycling sign on the basket.
const PixelMap kRecycle = {
    ".....ggggg.....",
    "...ggggggggg...",
    "..ggg.....ggg..",
    ".gg.........gg.",
    ".gg.........gg.",
    "............gg.",
    "..g.......ggggg",
    ".ggg.......ggg.",
    "ggggg.......g..",
    ".gg............",
    ".gg.........gg.",
    "..ggg.....ggg..",
    "...ggggggggg...",
    ".....ggggg....."};
const PixelMap kBell = {
    "...y...",
    "..yYy..",
    ".yYYYy.",
    ".yYYYy.",
    ".yYYYy.",
    "yyyyyyy",
    "...y..."};
// clang-format on

const Legend kIconLegend = {{'o', kBrown3}, {'w', kPath},      {'s', kMoon}, {'k', kInk},
                            {'p', kGrey2},  {'y', kMoonShade}, {'Y', kMoon}, {'g', kWhite}};

// ---- The clock ----

// Face 1, one frame per recycle-bin state: a basket, its fill, a clock above.
Canvas RecycleBinFrame(int state) {
  const ClockFaceLayout& face = kClockFaces[0];
  Canvas c(face.width, face.height);

  // The bracket that holds the clock over the basket's back rim.
  c.FillRect(17, 20, 6, 16, kInk);
  c.FillRect(18, 20, 4, 16, kGrey3);
  c.VLine(18, 21, 34, kGrey2);

  // The clock: a steel box with dark glass.
  c.FillRoundRect(4, 2, 32, 21, 3, kInk);
  c.FillRoundRect(5, 3, 30, 19, 2, kGrey2);
  c.HLine(7, 32, 3, kGrey1);
  c.HLine(7, 32, 21, kGrey3);
  GlassPanel(c, 6, 5, 28, 16);
  GhostRun(c, face.time);
  ClockSeparators(c, face);
  Glint(c, 30, 6);

  // The basket: a tapered green body with ribs, a rim and a foot ring.
  const int top = 38, bottom = 110;
  c.FillPolygon({{3.5, top}, {36.5, top}, {31.5, bottom + 1.0}, {8.5, bottom + 1.0}}, kInk);
  c.FillPolygon({{5, top}, {35, top}, {30.5, bottom}, {9.5, bottom}}, kGreen);
  for (int y = top; y <= bottom; ++y) {
    // Round body: light on the left, shade on the right of each row.
    int left = -1, right = -1;
    for (int x = 0; x < face.width; ++x)
      if (c.Get(x, y) == kGreen) {
        if (left < 0) left = x;
        right = x;
      }
    if (left < 0) continue;
    c.Set(left + 1, y, kGreen1);
    c.Set(left + 2, y, kGreen1);
    c.Set(right - 1, y, kGreen3);
    c.Set(right, y, kGreen3);
    // Ribs above and below the sign's plate.
    const double t = double(y - top) / (bottom - top);
    for (int rib : {-9, -4, 4, 9}) {
      const int x = 20 + int(rib * (1.0 - 0.12 * t));
      if (y < 55 || y > 91) c.SetIfOpaque(x, y, kGreen3);
    }
  }
  // The plate with the recycling sign: the bin zone.
  c.FillRoundRect(kBinZone.left, kBinZone.top + 4, kBinZone.right - kBinZone.left + 1, 26, 3, kGreen3);
  DrawMap(c, kBinZone.left + 2, kBinZone.top + 10, kRecycle, kIconLegend);
  // Rim and foot.
  c.FillRoundRect(2, 33, 36, 7, 3, kInk);
  c.FillRoundRect(3, 34, 34, 5, 2, kGreen3);
  c.HLine(5, 34, 34, kGreen);
  c.FillRect(6, 35, 28, 2, kGrey5);  // the dark opening
  c.FillRect(8, 108, 24, 5, kInk);
  c.FillRect(9, 108, 22, 3, kGreen3);
  c.HLine(10, 29, 113, kGrey5);
  c.HLine(11, 28, 114, kGrey5);

  // What lies in the basket.
  auto paperBall = [&](int x, int y, int r, Rgba paper) {
    c.FillCircle(x + 0.5, y + 0.5, r + 0.9, kInk);
    c.FillCircle(x + 0.5, y + 0.5, r, paper);
    c.Set(x - 1, y - 1, kWhite);
    c.Line(x - r + 1, y + 1, x, y, kGrey3);
  };
  if (state == 1) {
    // A sheet standing up in the basket and a crumpled one.
    c.FillPolygon({{6.5, 37}, {13.5, 37}, {15.5, 26}, {8.5, 25}}, kInk);
    c.FillPolygon({{7.5, 36}, {12.5, 36}, {14.5, 27}, {9.5, 26}}, kWhite);
    c.Line(10, 29, 13, 29, kBlue1);
    c.Line(10, 31, 13, 31, kBlue1);
    c.Line(9, 33, 12, 33, kBlue1);
    paperBall(28, 33, 3, kGrey1);
  }
  if (state == 2) {
    // Overflowing: a heap of crumpled paper, a banana peel over the rim, one
    // sheet fallen on the floor and a fly.
    paperBall(6, 31, 3, kGrey1);
    paperBall(33, 31, 3, kBlue1);
    paperBall(11, 28, 3, kMoonLight);
    paperBall(28, 28, 3, kGrey1);
    paperBall(16, 31, 3, kWhite);
    paperBall(23, 31, 3, kGrey2);
    paperBall(19, 26, 3, kGrey1);
    paperBall(33, 26, 2, kWhite);
    c.FillPolygon({{32, 34}, {37, 35}, {38, 42}, {36, 42}, {35, 37}}, kMoon);
    c.Line(36, 37, 37, 42, kMoonShade);
    paperBall(36, 110, 2, kGrey1);
    c.Set(3, 22, kInk);
    c.Set(2, 21, kGrey2);
    c.Set(4, 21, kGrey2);
  }
  return c;
}

Canvas RecycleBinFace() {
  const ClockFaceLayout& face = kClockFaces[0];
  Canvas sheet(face.width * face.frames, face.height);
  for (int state = 0; state < face.frames; ++state) sheet.Draw(RecycleBinFrame(state), state * face.width, 0);
  return sheet;
}

// Face 2: a tiny cherry-red alarm clock on two feet.
Canvas AlarmClockFace() {
  const ClockFaceLayout& face = kClockFaces[1];
  Canvas c = BoxOnFeet(face.width, face.height, kRed, kRed1, kRed3);
  GhostRun(c, face.time);
  ClockSeparators(c, face);
  Glint(c, 29, 5);
  return c;
}

// Face 3: a street clock on a green cast-iron post; a sparrow sits on it.
Canvas StreetClockFace() {
  const ClockFaceLayout& face = kClockFaces[2];
  Canvas c(face.width, face.height);
  const Rgba iron = kGreen3, ironLight = kGreen, ironDark = Rgb(0x1F5C2D);

  // Post and pedestal.
  c.FillRect(30, 95, 12, 84, kInk);
  c.FillRect(31, 95, 10, 84, iron);
  c.VLine(32, 96, 177, ironLight);
  c.VLine(39, 96, 177, ironDark);
  for (int ringY : {98, 128, 160}) {
    c.FillRect(27, ringY, 18, 5, kInk);
    c.FillRect(28, ringY + 1, 16, 3, iron);
    c.HLine(29, 42, ringY + 1, ironLight);
  }
  c.FillRect(21, 177, 30, 7, kInk);
  c.FillRect(22, 178, 28, 5, iron);
  c.HLine(23, 48, 178, ironLight);
  c.FillRect(15, 183, 42, 9, kInk);
  c.FillRect(16, 184, 40, 7, iron);
  c.HLine(17, 54, 184, ironLight);
  c.HLine(17, 54, 190, ironDark);

  // Roof with a gold finial.
  c.FillPolygon({{4, 40}, {68, 40}, {58, 26}, {14, 26}}, kInk);
  c.FillPolygon({{6, 39}, {66, 39}, {57, 27}, {15, 27}}, iron);
  c.HLine(16, 56, 28, ironLight);
  c.HLine(7, 65, 38, kMoonShade);
  c.FillRect(33, 14, 6, 13, kInk);
  c.FillRect(34, 15, 4, 12, kMoonShade);
  c.FillCircle(36, 11, 5.2, kInk);
  c.FillCircle(36, 11, 4.2, kMoon);
  c.Set(35, 9, kMoonLight);
  c.Set(34, 10, kMoonLight);

  // The sparrow on the roof's right slope.
  c.FillEllipse(48, 18, 10, 8, kInk);
  c.FillEllipse(49, 19, 8, 6, kBrown);
  c.FillEllipse(54, 15, 6, 6, kInk);
  c.FillEllipse(55, 16, 4, 4, kBrown);
  c.Set(56, 17, kInk);              // eye
  c.HLine(59, 60, 18, kOrange);     // beak
  c.HLine(50, 53, 22, kPath);       // breast
  c.Line(46, 20, 44, 23, kBrown3);  // tail
  c.Set(51, 26, kInk);              // feet
  c.Set(54, 26, kInk);

  // The clock box.
  c.FillRoundRect(0, 40, 72, 56, 3, kInk);
  c.FillRoundRect(1, 41, 70, 54, 2, iron);
  c.HLine(3, 68, 41, ironLight);
  c.HLine(3, 68, 94, ironDark);
  GlassPanel(c, 2, 44, 68, 48);
  c.HLine(6, 65, 75, kGlassRim);
  GhostRun(c, face.time);
  GhostRun(c, face.date);
  ClockSeparators(c, face);
  Glint(c, 64, 46);
  return c;
}

// Face 4: a black desk clock with its date, an alarm bell and a chrome foot.
Canvas DeskClockFace() {
  const ClockFaceLayout& face = kClockFaces[3];
  Canvas c = DeskDisplay(kGrey3, kGrey1);
  GhostRun(c, face.time);
  GhostRun(c, face.date);
  ClockSeparators(c, face);
  DrawMap(c, 4, 36, kBell, kIconLegend);
  // The speaker's grille on the right.
  for (int y = 36; y <= 42; y += 2)
    for (int x = 62; x <= 66; x += 2) c.Set(x, y, kGlassRim);
  return c;
}

// ---- The countdown ----

// Face 1: an orange bar; "T" (Tage) after the days.
Canvas CountdownBarFace() {
  const CountdownFaceLayout& face = kCountdownFaces[0];
  Canvas c = BoxOnFeet(face.width, face.height, kOrange, kMoonLight, kMoonDeep);
  GhostRun(c, face.days);
  GhostRun(c, face.hours);
  GhostRun(c, face.minutes);
  DrawText(c, 36, 10, "T", kLabel);
  Glint(c, 64, 5);
  return c;
}

// Face 2: a desk timer: hours and minutes large, the days below beside an
// hourglass.
Canvas CountdownTimerFace() {
  const CountdownFaceLayout& face = kCountdownFaces[1];
  Canvas c = DeskDisplay(kOrange, kMoonLight);
  GhostRun(c, face.days);
  GhostRun(c, face.hours);
  GhostRun(c, face.minutes);
  DrawMap(c, 7, 33, kHourglass, kIconLegend);
  DrawText(c, 54, 37, "TAGE", kLabel);
  return c;
}

// Face 3: a wide board: the days large, hours and minutes small between an
// hourglass and a finish flag.
Canvas CountdownBoardFace() {
  const CountdownFaceLayout& face = kCountdownFaces[2];
  Canvas c(face.width, face.height);
  c.FillRoundRect(0, 0, 88, 51, 5, kInk);
  c.FillRoundRect(1, 1, 86, 49, 4, kOrange);
  c.HLine(5, 82, 1, kMoonLight);
  c.HLine(5, 82, 49, kMoonDeep);
  GlassPanel(c, 3, 0, 82, 48);
  GhostRun(c, face.days);
  GhostRun(c, face.hours);
  GhostRun(c, face.minutes);
  DrawText(c, 66, 29, "TAGE", kLabel);
  c.HLine(6, 62, 31, kGlassRim);
  DrawMap(c, 12, 34, kHourglass, kIconLegend);
  DrawMap(c, 68, 35, kFinishFlag, kIconLegend);
  return c;
}

// The option pages' previews: a face as it looks with its digits lit.
void LightRun(Canvas& c, const DigitRun& run, const int* digits) {
  const DigitStripLayout& strip = *kDigitStrips[run.strip];
  for (int i = 0; i < run.count; ++i) DrawGlyph(c, strip, run.x[i], run.y, digits[i], kCyanLit);
}

Canvas ClockPreview(int face, const Canvas& sheet) {
  const ClockFaceLayout& layout = kClockFaces[face - 1];
  const int frame = face == 1 ? 1 : 0;  // face 1: the bin with some files in it
  Canvas c = sheet.Crop(frame * layout.width, 0, layout.width, layout.height);
  static constexpr int kTime[] = {1, 2, 3, 4};
  static constexpr int kDate[] = {2, 4, 1, 2, 2, 6};
  LightRun(c, layout.time, kTime);
  if (layout.date.count) LightRun(c, layout.date, kDate);
  return c;
}

Canvas CountdownPreview(int face, const Canvas& base) {
  const CountdownFaceLayout& layout = kCountdownFaces[face - 1];
  Canvas c = base;
  static constexpr int kDays[] = {kGlyphBlank, kGlyphBlank, 1, 2, 3};
  static constexpr int kHours[] = {0, 4};
  static constexpr int kMinutes[] = {5, 6};
  LightRun(c, layout.days, kDays);
  LightRun(c, layout.hours, kHours);
  LightRun(c, layout.minutes, kMinutes);
  return c;
}

}  // namespace

void AddClockFaces(ArtSet& set) {
  set.AddBitmap(kSmallDigits.name, DigitStrip(kSmallDigits), kSpriteKey);
  set.AddBitmap(kLargeDigits.name, DigitStrip(kLargeDigits), kSpriteKey);
  const Canvas clocks[] = {RecycleBinFace(), AlarmClockFace(), StreetClockFace(), DeskClockFace()};
  for (int face = 1; face <= kClockFaceCount; ++face) {
    char name[24];
    std::snprintf(name, sizeof name, "UHR_%02d", face);
    set.AddBitmap(name, clocks[face - 1], kSpriteKey);
  }
  const Canvas countdowns[] = {CountdownBarFace(), CountdownTimerFace(), CountdownBoardFace()};
  for (int face = 1; face <= kCountdownFaceCount; ++face) {
    char name[24];
    std::snprintf(name, sizeof name, "COUNTDOWN_%02d", face);
    set.AddBitmap(name, countdowns[face - 1], kSpriteKey);
  }
  for (int face = 1; face <= kClockFaceCount; ++face) {
    const std::string name = "DLG_UHR" + std::to_string(face);
    set.AddBitmap(name, ClockPreview(face, clocks[face - 1]), kSpriteKey);
  }
  for (int face = 1; face <= kCountdownFaceCount; ++face) {
    const std::string name = "DLG_COUNTDOWN" + std::to_string(face);
    set.AddBitmap(name, CountdownPreview(face, countdowns[face - 1]), kSpriteKey);
  }
}

}  // namespace art
