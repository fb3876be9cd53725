// The billboard: the wall "PLAKATWAND" with its poster field and two posts,
// the built-in posters "MOTIV02" to "MOTIV08" (circus, New Year, the paper of
// the calendar sheet, lemonade, a lake holiday, a concert, a lost tomcat) and
// the two start posters that offer the wall for rent.

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "../effects.h"
#include "../pixel_font.h"
#include "objects/portable/billboard_art.h"
#include "palette.h"
#include "pictures.h"

namespace art {
namespace {

using namespace pal;

constexpr double kPi = 3.14159265358979323846;
constexpr int kW = kPosterWidth;
constexpr int kH = kPosterHeight;

void VGradient(Canvas& c, int x, int y, int w, int h, Rgba top, Rgba bottom) {
  for (int j = 0; j < h; ++j) c.FillRect(x, y + j, w, 1, Mix(top, bottom, h > 1 ? double(j) / (h - 1) : 0));
}

// The 3x5 font enlarged by `scale`, each pixel a square.
int BigTextWidth(std::string_view text, int scale) {
  return TextWidth(text) * scale;
}

void BigText(Canvas& c, int x, int y, std::string_view text, Rgba colour, int scale) {
  Canvas small(TextWidth(text), kFontHeight);
  DrawText(small, 0, 0, text, colour);
  for (int j = 0; j < small.Height(); ++j)
    for (int i = 0; i < small.Width(); ++i)
      if (small.Get(i, j).Opaque()) c.FillRect(x + i * scale, y + j * scale, scale, scale, colour);
}

// Centred on x = cx, with a one-pixel outline round every letter.
void Headline(Canvas& c, int cx, int y, std::string_view text, Rgba colour, Rgba outline, int scale) {
  const int x = cx - BigTextWidth(text, scale) / 2;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (dx || dy) BigText(c, x + dx, y + dy, text, outline, scale);
  BigText(c, x, y, text, colour, scale);
}

void Centred(Canvas& c, int cx, int y, std::string_view text, Rgba colour, int scale) {
  BigText(c, cx - BigTextWidth(text, scale) / 2, y, text, colour, scale);
}

// Deterministic sprinkles (stars, bubbles): a small linear congruence.
struct Sprinkle {
  uint32_t state;
  int Next(int n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) % static_cast<uint32_t>(n));
  }
};

void Stars(Canvas& c, int count, int maxY, uint32_t seed) {
  Sprinkle s{seed};
  for (int i = 0; i < count; ++i) {
    const int x = s.Next(kW), y = s.Next(maxY);
    c.Set(x, y, i % 4 ? kGrey1 : kMoonLight);
    if (i % 7 == 0) {
      c.Set(x + 1, y, kGrey2);
      c.Set(x - 1, y, kGrey2);
      c.Set(x, y + 1, kGrey2);
      c.Set(x, y - 1, kGrey2);
    }
  }
}

// A firework: rays of sparks from a centre, brighter towards the middle.
void Firework(Canvas& c, double cx, double cy, double radius, Rgba colour, Rgba tip, int rays) {
  for (int r = 0; r < rays; ++r) {
    const double a = 2 * kPi * r / rays;
    for (double d = radius * 0.25; d <= radius; d += 1.6) {
      const double t = d / radius;
      c.Set(static_cast<int>(cx + std::cos(a) * d), static_cast<int>(cy + std::sin(a) * d + t * t * 3),
            t > 0.8 ? tip : colour);
    }
  }
  c.FillCircle(cx, cy, 1.5, kWhite);
}

// ---------------------------------------------------------------------------
// The wall

Canvas Wall() {
  Canvas c(kWallWidth, kWallHeight);
  const Rgba wood = kBrown, woodDark = kBrown3, woodLight = Rgb(0xB9835A);
  const int fieldRight = kPosterFieldX + kPosterWidth;    // 161
  const int fieldBottom = kPosterFieldY + kPosterHeight;  // 129
  // Two posts down to the ground, with a cross brace.
  for (int post : {22, 134}) {
    c.FillRect(post, fieldBottom, 9, kWallHeight - fieldBottom, wood);
    c.FillRect(post, fieldBottom, 2, kWallHeight - fieldBottom, woodLight);
    c.FillRect(post + 7, fieldBottom, 2, kWallHeight - fieldBottom, woodDark);
  }
  for (int i = 0; i < 103; ++i) {
    const int x = 31 + i, y = 136 + i * 8 / 103;
    c.FillRect(x, y, 1, 3, i % 9 ? wood : woodDark);
  }
  // The board's side, seen from the right, and its bottom beam.
  c.FillPolygon({{double(fieldRight), 0},
                 {kWallWidth - 1.0, 5},
                 {kWallWidth - 1.0, fieldBottom + 6.0},
                 {double(fieldRight), fieldBottom + 5.0}},
                woodDark);
  c.FillRect(0, fieldBottom, fieldRight + 1, 6, wood);
  c.HLine(0, fieldRight, fieldBottom, woodLight);
  c.HLine(0, fieldRight, fieldBottom + 5, woodDark);
  for (int x = 8; x < fieldRight; x += 19) c.Set(x, fieldBottom + 2, woodDark);  // nail heads
  // The frame round the field.
  c.FrameRect(0, 0, fieldRight + 1, fieldBottom + 1, kInk);
  // The field itself: old paper with torn scraps of earlier posters, seen
  // only until the first paste.
  c.FillRect(kPosterFieldX, kPosterFieldY, kPosterWidth, kPosterHeight, kGrey1);
  c.FillPolygon({{1, 1}, {70, 1}, {62, 30}, {40, 22}, {18, 44}, {1, 38}}, Rgb(0xE8B8A0));
  c.FillPolygon({{100, 128.9}, {160.9, 128.9}, {160.9, 70}, {140, 84}, {128, 100}, {110, 104}},
                Rgb(0xA9C9E8));
  c.FillPolygon({{120, 1}, {160.9, 1}, {160.9, 24}, {146, 30}, {130, 18}}, Rgb(0xF2E39A));
  for (int y = 2; y < 128; y += 9)
    for (int x = 2 + (y * 7) % 11; x < 160; x += 23) c.Set(x, y, kGrey2);
  // Ground tufts at the posts' feet.
  for (int post : {22, 134})
    for (int g = -2; g <= 10; g += 3) c.VLine(post + g, kWallHeight - 3 + (g & 1), kWallHeight - 1, kGreen3);
  return c;
}

// ---------------------------------------------------------------------------
// MOTIV02: the circus comes to town.

Canvas Circus() {
  Canvas c(kW, kH);
  VGradient(c, 0, 0, kW, kH, kNight4, kNight2);
  Stars(c, 40, 60, 2);
  // Spotlight cones from the ground.
  const Rgba beam = Mix(kNight2, kMoonLight, 0.35);
  c.FillPolygon({{12, 104}, {22, 104}, {70, 18}, {52, 14}}, beam);
  c.FillPolygon({{138, 104}, {148, 104}, {108, 14}, {90, 18}}, beam);
  // The big top: striped roof and walls.
  const double apexX = 80, apexY = 30, eave = 64;
  for (int stripe = 0; stripe < 10; ++stripe) {
    const double x0 = 28 + stripe * 10.4, x1 = x0 + 10.4;
    c.FillPolygon({{apexX, apexY}, {x0, eave}, {x1, eave}}, stripe % 2 ? kWhite : kRed);
    c.FillRect(static_cast<int>(x0) + 6, static_cast<int>(eave), 11, 40, stripe % 2 ? kRed : kWhite);
  }
  c.FillRect(34, 64, 92, 2, kRed3);
  for (int x = 28; x < 132; x += 8) c.FillCircle(x + 4, 65, 3.2, x % 16 ? kMoon : kRed3);  // scalloped eave
  c.FillPolygon({{70, 104}, {90, 104}, {86, 76}, {80, 72}, {74, 76}}, kInk);               // entrance
  c.FillRect(34, 102, 92, 2, kBrown3);
  c.VLine(80, 16, 30, kGrey4);
  c.FillPolygon({{81, 16}, {92, 19}, {81, 22}}, kMoon);  // pennant
  Headline(c, kW / 2, 4, "ZIRKUS", kMoon, kRed3, 3);
  // The date strip.
  c.FillRect(0, 106, kW, 22, kRed);
  c.HLine(0, kW - 1, 106, kMoon);
  Centred(c, kW / 2, 112, "HEUTE 19 UHR", kWhite, 2);
  return c;
}

// MOTIV03: fireworks over the town at New Year.

Canvas NewYear() {
  Canvas c(kW, kH);
  VGradient(c, 0, 0, kW, kH, Rgb(0x0E1330), kNight3);
  Stars(c, 50, 100, 3);
  Firework(c, 36, 62, 20, kRed1, kMoon, 18);
  Firework(c, 118, 56, 24, kGreen1, kMoonLight, 22);
  Firework(c, 80, 80, 14, kBlue1, kWhite, 14);
  Firework(c, 142, 96, 10, kOrange, kMoonLight, 12);
  // The skyline with lit windows.
  const int roofs[][3] = {{0, 104, 22}, {22, 96, 18},   {40, 108, 14}, {54, 92, 20},  {74, 102, 16},
                          {90, 88, 14}, {104, 100, 22}, {126, 94, 16}, {142, 106, 18}};
  for (const auto& r : roofs) {
    c.FillRect(r[0], r[1], r[2], kH - r[1], Rgb(0x161A2E));
    for (int y = r[1] + 4; y < kH - 3; y += 6)
      for (int x = r[0] + 3; x < r[0] + r[2] - 2; x += 5)
        if ((x * 3 + y * 5) % 7 < 3) c.FillRect(x, y, 2, 3, kMoon);
  }
  c.VLine(97, 74, 88, Rgb(0x161A2E));  // a church spire
  c.FillPolygon({{92, 88}, {102, 88}, {97, 76}}, Rgb(0x161A2E));
  Headline(c, kW / 2, 5, "PROSIT", kMoon, kMoonDeep, 3);
  Headline(c, kW / 2, 23, "NEUJAHR", kWhite, kNight2, 3);
  return c;
}

// MOTIV04: the paper the calendar sheet and the text posters are written on.

Canvas Paper() {
  Canvas c(kW, kH, Rgb(0xFDFBF3));
  // A pale band behind the month's name, a thin rule under it.
  c.FillRect(3, 3, kW - 6, kCalendarGridTop - 5, Rgb(0xF6EDD6));
  c.HLine(6, kW - 7, kCalendarGridTop - 2, Rgb(0xE9C9B8));
  // Paper edge and four strips of tape.
  c.FrameRect(0, 0, kW, kH, kGrey2);
  const Rgba tape = Rgb(0xEEE2B8);
  c.FillPolygon({{0, 6}, {6, 0}, {14, 0}, {0, 14}}, tape);
  c.FillPolygon({{kW - 14.0, 0}, {kW - 6.0, 0}, {double(kW), 6}, {double(kW), 14}}, tape);
  c.FillPolygon({{0, kH - 14.0}, {0, kH - 6.0}, {6, double(kH)}, {14, double(kH)}}, tape);
  c.FillPolygon(
      {{kW - 14.0, double(kH)}, {kW - 6.0, double(kH)}, {double(kW), kH - 6.0}, {double(kW), kH - 14.0}},
      tape);
  return c;
}

// MOTIV05: lemonade, ice cold.

Canvas Lemonade() {
  Canvas c(kW, kH, kMoon);
  // Sun rays from behind the bottle.
  for (int r = 0; r < 16; r += 2) {
    const double a0 = 2 * kPi * r / 16, a1 = 2 * kPi * (r + 1) / 16;
    c.FillPolygon({{44, 74},
                   {44 + std::cos(a0) * 200, 74 + std::sin(a0) * 200},
                   {44 + std::cos(a1) * 200, 74 + std::sin(a1) * 200}},
                  kMoonLight);
  }
  // The bottle: neck, body, label, cap.
  c.FillRoundRect(24, 44, 40, 78, 10, kGreen);
  c.FillRect(36, 20, 16, 30, kGreen);
  c.FillRect(34, 14, 20, 8, kRed);
  c.FillRect(34, 14, 20, 2, kRed1);
  c.FillRect(30, 48, 5, 66, kGreen1);  // glint
  c.FillRect(56, 50, 4, 66, kGreen3);
  c.FillRect(24, 70, 40, 26, kWhite);
  c.FrameRect(24, 70, 40, 26, kRed3);
  Centred(c, 44, 76, "LIMO", kRed, 2);
  Centred(c, 44, 89, "EXTRA", kGreen3, 1);
  // Bubbles rising.
  Sprinkle s{5};
  for (int i = 0; i < 14; ++i) {
    const double x = 30 + s.Next(28), y = 50 + s.Next(62), r = 1 + s.Next(3) * 0.5;
    c.FillCircle(x, y, r, kGreen1);
  }
  // A lemon slice.
  c.FillCircle(128, 100, 22, kMoonShade);
  c.FillCircle(128, 100, 19, kMoonLight);
  for (int k = 0; k < 8; ++k) {
    const double a = 2 * kPi * k / 8;
    c.Line(128, 100, static_cast<int>(128 + std::cos(a) * 18), static_cast<int>(100 + std::sin(a) * 18),
           kMoonShade);
  }
  c.FillCircle(128, 100, 3, kWhite);
  Headline(c, 112, 10, "LIMO", kRed, kInk, 4);
  Centred(c, 112, 38, "EISKALT!", kBlue3, 2);
  Centred(c, 112, 54, "NUR 1,50", kInk, 1);
  return c;
}

// MOTIV06: a holiday by the lake.

Canvas Lake() {
  Canvas c(kW, kH, kGreen);
  VGradient(c, 0, 0, kW, 70, kBlue1, Rgb(0xDDEEFF));
  c.FillCircle(128, 24, 11, kMoon);
  c.FillCircle(128, 24, 8, kMoonLight);
  // Mountains with snow caps.
  const std::vector<std::pair<double, double>> far = {{0, 70},   {0, 52},   {30, 30},  {52, 46}, {80, 20},
                                                      {108, 44}, {130, 32}, {160, 52}, {160, 70}};
  c.FillPolygon(far, kGrey3);
  c.FillPolygon({{22, 37}, {30, 30}, {38, 36}, {32, 34}, {27, 38}}, kWhite);
  c.FillPolygon({{70, 29}, {80, 20}, {90, 29}, {85, 27}, {80, 31}, {75, 27}}, kWhite);
  c.FillPolygon({{123, 37}, {130, 32}, {137, 37}, {131, 35}}, kWhite);
  c.FillPolygon({{0, 70}, {0, 60}, {40, 48}, {76, 62}, {110, 54}, {160, 64}, {160, 70}}, kGrey4);
  // The lake and its ripples, a sailing boat.
  VGradient(c, 0, 70, kW, 30, kBlue, kBlue3);
  for (int y = 74; y < 100; y += 5)
    for (int x = (y * 13) % 17; x < kW; x += 21) c.HLine(x, x + 5, y, kBlue1);
  c.FillPolygon({{92, 86}, {112, 86}, {108, 91}, {96, 91}}, kWhite);
  c.VLine(102, 66, 86, kBrown3);
  c.FillPolygon({{103, 67}, {103, 85}, {114, 85}}, kWhite);
  c.FillPolygon({{101, 70}, {101, 85}, {93, 85}}, kRed1);
  // Meadow and firs in front.
  c.FillPolygon({{0, 128}, {0, 100}, {60, 96}, {160, 102}, {160, 128}}, kGreen);
  for (int x : {8, 20, 146}) {
    c.FillPolygon({{x - 7.0, 108}, {x + 7.0, 108}, {double(x), 80}}, kGreen3);
    c.FillRect(x - 1, 108, 3, 5, kBrown3);
  }
  c.FillRect(0, 110, kW, 18, kBlue3);
  Headline(c, kW / 2, 5, "URLAUB", kWhite, kBlue3, 3);
  Centred(c, kW / 2, 114, "AM SEE", kWhite, 2);
  return c;
}

// MOTIV07: a concert in the park.

Canvas Concert() {
  Canvas c(kW, kH);
  VGradient(c, 0, 0, kW, kH, Rgb(0x2A1548), Rgb(0x6A3FA0));
  c.FillPolygon({{80, 0}, {30, 110}, {130, 110}}, Rgb(0x7E56B8));  // the stage light
  // A guitar leaning across the poster.
  const double gx = 72, gy = 80;
  c.FillCapsule(gx + 6, gy - 8, gx + 52, gy - 60, 3.2, kBrown3);  // neck
  c.FillRect(static_cast<int>(gx + 48), static_cast<int>(gy - 70), 10, 12, kBrown3);
  c.FillCircle(gx - 10, gy + 10, 20, kOrange);
  c.FillCircle(gx + 10, gy - 6, 15, kOrange);
  c.FillCircle(gx - 4, gy + 4, 6, Rgb(0x3A2010));
  c.FillRect(static_cast<int>(gx - 22), static_cast<int>(gy + 12), 14, 4, kBrown3);
  for (int k = -1; k <= 1; ++k)
    c.Line(static_cast<int>(gx - 18), static_cast<int>(gy + 14 + k), static_cast<int>(gx + 54),
           static_cast<int>(gy - 64 + k), kGrey1);
  // Notes in the air.
  auto note = [&](int x, int y) {
    c.FillEllipse(x, y + 7, 6, 4, kWhite);
    c.VLine(x + 5, y, y + 8, kWhite);
    c.HLine(x + 5, x + 8, y, kWhite);
    c.Set(x + 8, y + 1, kWhite);
  };
  note(20, 40);
  note(128, 54);
  note(140, 30);
  note(32, 70);
  Headline(c, kW / 2, 4, "KONZERT", kMoon, kInk, 3);
  c.FillRect(0, 108, kW, 20, kInk);
  Centred(c, kW / 2, 111, "SA 20 UHR", kMoon, 2);
  Centred(c, kW / 2, 122, "IM STADTPARK", kGrey2, 1);
  return c;
}

// MOTIV08: a hand-made flyer for a lost tomcat.

Canvas LostCat() {
  Canvas c(kW, kH, Rgb(0xFFFDF5));
  Headline(c, kW / 2, 4, "GESUCHT!", kRed, kRed3, 3);
  // The photo: a grey tabby on a blue cushion.
  c.FillRect(44, 26, 72, 62, kBlue1);
  c.FrameRect(43, 25, 74, 64, kGrey4);
  const Rgba fur = kGrey3, furDark = kGrey4;
  c.FillEllipse(58, 58, 44, 30, fur);                  // body
  c.FillCircle(80, 50, 15, fur);                       // head
  c.FillPolygon({{67, 44}, {70, 30}, {78, 38}}, fur);  // ears
  c.FillPolygon({{82, 38}, {90, 30}, {93, 44}}, fur);
  c.FillPolygon({{69, 41}, {71, 33}, {76, 38}}, kRed1);
  c.FillPolygon({{84, 38}, {89, 33}, {91, 41}}, kRed1);
  for (int k = 0; k < 3; ++k) c.HLine(74 + k * 4, 76 + k * 4, 38, furDark);  // tabby marks
  c.FillEllipse(72, 46, 6, 6, kGreen);
  c.FillEllipse(83, 46, 6, 6, kGreen);
  c.VLine(75, 47, 50, kInk);
  c.VLine(86, 47, 50, kInk);
  c.FillPolygon({{78, 54}, {82, 54}, {80, 56}}, kRed1);  // nose
  c.Set(79, 57, kInk);
  c.Set(81, 57, kInk);
  for (int k = -1; k <= 1; ++k) {
    c.Line(66, 55 + k * 2, 74, 56, kWhite);
    c.Line(86, 56, 95, 55 + k * 2, kWhite);
  }
  c.FillCapsule(100, 76, 110, 62, 3, fur);  // tail
  Centred(c, kW / 2, 92, "KATER MAUNZ", kInk, 2);
  // Tear-off strips with the telephone number.
  for (int x = 4; x < kW - 4; x += 19) {
    c.VLine(x, 106, kH - 1, kGrey2);
    for (int y = 108; y < kH - 2; y += 4) c.HLine(x + 6, x + 12, y, kGrey3);
  }
  c.HLine(4, kW - 5, 105, kGrey3);
  return c;
}

// MOTIV_START_00 and _01: the wall is for rent.

Canvas ForRent() {
  Canvas c(kW, kH, Rgb(0xFFF8E6));
  c.FrameRect(3, 3, kW - 6, kH - 6, kRed);
  c.FrameRect(5, 5, kW - 10, kH - 10, kRed);
  Centred(c, kW / 2, 14, "DIESE FLAECHE", kInk, 2);
  Headline(c, kW / 2, 36, "ZU", kRed, kRed3, 4);
  Headline(c, kW / 2, 62, "VERMIETEN", kRed, kRed3, 3);
  // A hand pointing at the telephone number.
  c.FillRoundRect(20, 92, 22, 12, 4, kSkin);
  c.FillRect(40, 95, 14, 5, kSkin);
  c.FillRect(16, 90, 6, 16, kBlue);
  Centred(c, 98, 94, "TEL 0815", kInk, 2);
  Centred(c, kW / 2, 112, "ANRUFEN LOHNT SICH", kGrey5, 1);
  return c;
}

Canvas YourAdvert() {
  Canvas c(kW, kH);
  VGradient(c, 0, 0, kW, kH, kOrange, kMoon);
  // Sun burst behind a megaphone.
  for (int r = 0; r < 24; r += 2) {
    const double a0 = 2 * kPi * r / 24, a1 = 2 * kPi * (r + 1) / 24;
    c.FillPolygon({{36, 92},
                   {36 + std::cos(a0) * 60, 92 + std::sin(a0) * 60},
                   {36 + std::cos(a1) * 60, 92 + std::sin(a1) * 60}},
                  Mix(kOrange, kMoonLight, 0.5));
  }
  c.FillPolygon({{20, 86}, {30, 86}, {58, 72}, {58, 112}, {30, 98}, {20, 98}}, kRed);
  c.FillRect(14, 84, 8, 16, kGrey4);
  c.FillRect(56, 70, 4, 44, kRed3);
  c.FillRect(30, 98, 6, 14, kGrey5);
  for (int k = 0; k < 3; ++k) {  // sound waves
    const double r = 10 + k * 7;
    for (double a = -0.6; a <= 0.6; a += 0.05)
      c.Set(static_cast<int>(62 + std::cos(a) * r), static_cast<int>(92 + std::sin(a) * r), kInk);
  }
  Headline(c, kW / 2, 6, "IHRE", kWhite, kRed3, 3);
  Headline(c, kW / 2, 26, "WERBUNG", kWhite, kRed3, 3);
  Headline(c, 118, 72, "HIER!", kRed, kInk, 3);
  return c;
}

std::string Name(const char* format, int number) {
  char name[32];
  std::snprintf(name, sizeof name, format, number);
  return name;
}

}  // namespace

void AddBillboardPosters(ArtSet& set) {
  set.AddBitmap(kWallName, Wall(), kSpriteKey);
  Canvas (*const motifs[])() = {Circus, NewYear, Paper, Lemonade, Lake, Concert, LostCat};
  for (int motif = kFirstBuiltinMotif; motif <= kLastBuiltinMotif; ++motif)
    set.AddBitmap(Name(kMotifNameFormat, motif), motifs[motif - kFirstBuiltinMotif](), kSpriteKey);
  set.AddBitmap(Name(kStartMotifNameFormat, 0), ForRent(), kSpriteKey);
  set.AddBitmap(Name(kStartMotifNameFormat, 1), YourAdvert(), kSpriteKey);
}

}  // namespace art
