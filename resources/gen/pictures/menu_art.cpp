// The tray menu's 32x32 pictures. Each is drawn once on a clear canvas; the
// checked and greyed variants are made from it, and the menu key colour fills
// whatever stays clear.

#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <string>

#include "../effects.h"
#include "../pixel_map.h"
#include "services/menu_bitmaps.h"
#include "palette.h"
#include "pictures.h"

namespace art {
namespace {

constexpr int kS = MENU_BITMAP_SIZE;

// Pixel maps, one string per row.
// clang-format off
const PixelMap kSleepBig = {
    "zzzz",
    "..z.",
    ".z..",
    "zzzz"};
const PixelMap kSleepSmall = {
    "zzz",
    ".z.",
    "zzz"};
const PixelMap kPlayBadge = {
    "w...",
    "ww..",
    "www.",
    "wwww",
    "www.",
    "ww..",
    "w..."};
const PixelMap kPowerBadge = {
    "..w..",
    "w.w.w",
    "w.w.w",
    "w...w",
    ".www."};
const PixelMap kQuestion = {
    ".wwwww...",
    "wwwwwww..",
    "ww...ww..",
    ".....ww..",
    "....ww...",
    "...ww....",
    "...ww....",
    ".........",
    "...ww....",
    "...ww...."};
const PixelMap kPrevious = {
    "##.....#.....#",
    "##....##....##",
    "##...###...###",
    "##..####..####",
    "##.#####.#####",
    "##############",
    "##.#####.#####",
    "##..####..####",
    "##...###...###",
    "##....##....##",
    "##.....#.....#"};
const PixelMap kPlay = {
    "##.......",
    "####.....",
    "######...",
    "########.",
    "#########",
    "#########",
    "#########",
    "########.",
    "######...",
    "####.....",
    "##......."};
const PixelMap kPause = {
    "####..####",
    "####..####",
    "####..####",
    "####..####",
    "####..####",
    "####..####",
    "####..####",
    "####..####",
    "####..####",
    "####..####",
    "####..####"};
const PixelMap kStop = {
    "##########",
    "##########",
    "##########",
    "##########",
    "##########",
    "##########",
    "##########",
    "##########",
    "##########",
    "##########"};
const PixelMap kEject = {
    "......##......",
    ".....####.....",
    "....######....",
    "...########...",
    "..##########..",
    ".############.",
    "##############",
    "..............",
    "##############",
    "##############"};
// clang-format on

// Tones of a lit ball: light from the upper left, three steps and a glint.
void ShadedDisc(Canvas& c, double cx, double cy, double r, Rgba light, Rgba base, Rgba dark) {
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy > r * r) continue;
      const double lx = dx + r * 0.35, ly = dy + r * 0.35;  // distance from the lit spot
      const double d = std::sqrt(lx * lx + ly * ly) / r;
      c.Set(x, y, d < 0.55 ? light : d < 1.05 ? base : dark);
    }
}

Canvas Walker() {
  using namespace pal;
  Canvas shadow(kS, kS), backArm(kS, kS), backLeg(kS, kS), frontLeg(kS, kS), torso(kS, kS), head(kS, kS),
      frontArm(kS, kS);
  shadow.FillEllipse(7, 28, 19, 3, kGrey3);

  backArm.FillCapsule(14.5, 13.5, 10.5, 18.5, 1.5, kRed3);
  backArm.FillCircle(10.2, 19.6, 1.6, kSkinShade);

  backLeg.FillCapsule(14.5, 21, 11.5, 26.5, 2.0, kBlue3);
  backLeg.FillCapsule(9.0, 28.0, 12.0, 28.0, 1.4, kBrown3);
  frontLeg.FillCapsule(16.5, 21, 19.5, 26.5, 2.0, kBlue);
  frontLeg.FillCapsule(19.5, 28.0, 23.0, 28.0, 1.4, kBrown);

  torso.FillRoundRect(12, 11, 8, 11, 3, kRed);
  torso.FillRect(12, 20, 8, 2, kBlue);  // belt line of the trousers
  Bevel(torso, kRed, kRed1, kRed3);

  head.FillCircle(16.6, 6.6, 4.7, kSkin);
  for (int y = 0; y < kS; ++y)
    for (int x = 0; x < kS; ++x)
      if (head.Get(x, y) == kSkin && (y < 4 || (x < 15 && y < 8) || (x < 14 && y < 9))) head.Set(x, y, kHair);
  head.Set(15, 2, kHairLight), head.Set(16, 2, kHairLight), head.Set(14, 3, kHairLight);
  head.Set(21, 7, kSkin);  // nose
  head.Set(19, 6, kInk);   // eye
  head.Set(18, 9, kSkinShade), head.Set(19, 9, kSkinShade);

  frontArm.FillCapsule(16.5, 13.5, 20.0, 18.5, 1.5, kRed);
  frontArm.FillCircle(20.8, 19.4, 1.7, kSkin);

  Canvas out(kS, kS);
  out.Draw(shadow, 0, 0);
  out.Draw(Compose(kS, kS, {backArm, backLeg, frontLeg, torso, head, frontArm}, kInk), 0, 0);
  return out;
}

Canvas CheckMark(Canvas base) {
  using namespace pal;
  Canvas tick(kS, kS);
  tick.FillCapsule(19.5, 23.5, 22.5, 27.0, 1.6, kGreen);
  tick.FillCapsule(22.5, 27.0, 29.0, 17.5, 1.6, kGreen);
  tick.Set(23, 25, kGreen1), tick.Set(24, 24, kGreen1), tick.Set(25, 22, kGreen1), tick.Set(26, 21, kGreen1);
  base.Draw(Outlined(Outlined(tick, kInk, true), kWhite), 0, 0);
  return base;
}

// A flat-screen monitor; the screen area is (6, 6, 20, 14).
Canvas Monitor(Rgba screen) {
  using namespace pal;
  Canvas body(kS, kS), stand(kS, kS);
  stand.FillRect(14, 22, 4, 4, kGrey3);
  stand.FillRoundRect(8, 25, 16, 4, 2, kGrey2);
  Bevel(stand, kGrey2, kGrey1, kGrey3);
  body.FillRoundRect(3, 3, 26, 20, 2, kGrey2);
  Bevel(body, kGrey2, kWhite, kGrey3);
  body.FillRect(5, 5, 22, 16, kGrey4);  // bezel
  body.FillRect(6, 6, 20, 14, screen);
  return Compose(kS, kS, {stand, body}, kInk);
}

void Stars(Canvas& c) {
  using namespace pal;
  for (auto [x, y] : {std::pair{8, 8}, {12, 14}, {17, 8}, {10, 18}, {15, 17}, {24, 17}}) c.Set(x, y, kNight1);
  c.Set(13, 9, kWhite), c.Set(13, 8, kNight1), c.Set(13, 10, kNight1), c.Set(12, 9, kNight1),
      c.Set(14, 9, kNight1);
}

void CrescentMoon(Canvas& c, double cx, double cy, double r, Rgba fill, Rgba cut) {
  Canvas moon(c.Width(), c.Height());
  moon.FillCircle(cx, cy, r, fill);
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      const double dx = x + 0.5 - (cx + r * 0.55), dy = y + 0.5 - (cy - r * 0.35);
      if (dx * dx + dy * dy < r * r * 0.72) moon.Set(x, y, kClear);
    }
  (void)cut;
  c.Draw(moon, 0, 0);
}

Canvas NightScreenMonitor() {
  using namespace pal;
  Canvas m = Monitor(kNight4);
  for (int y = 6; y < 20; ++y)
    for (int x = 6; x < 26; ++x) m.Set(x, y, y < 10 ? kNight3 : kNight4);
  Stars(m);
  CrescentMoon(m, 21.0, 10.5, 3.6, kMoon, kNight4);
  return m;
}

// Small round badge in the lower right corner that marks the action.
Canvas Badge(Canvas base, Rgba light, Rgba fill, Rgba dark, const PixelMap& glyph, const Legend& legend) {
  using namespace pal;
  Canvas b(kS, kS);
  ShadedDisc(b, 24.5, 24.5, 6.6, light, fill, dark);
  DrawMap(b, 24 - int(glyph.front().size()) / 2 + (glyph.front().size() % 2 ? 0 : 1),
          24 - int(glyph.size()) / 2 + (glyph.size() % 2 ? 0 : 1), glyph, legend);
  base.Draw(Outlined(b, kInk, true), 0, 0);
  return base;
}

Canvas MonitorOff() {
  using namespace pal;
  Canvas m = Monitor(kGrey5);
  for (int y = 6; y < 20; ++y)
    for (int x = 6; x < 26; ++x) m.Set(x, y, (x + y) % 9 == 0 && y < 13 ? kGrey4 : Rgb(0x30343F));
  CrescentMoon(m, 12.0, 12.5, 4.2, kMoonShade, kGrey5);
  DrawMap(m, 18, 11, kSleepBig, {{'z', kGrey2}});
  DrawMap(m, 22, 7, kSleepSmall, {{'z', kGrey3}});
  m.Set(25, 21, kOrange);  // standby lamp
  return m;
}

Canvas StartScreenSaver() {
  using namespace pal;
  return Badge(NightScreenMonitor(), kGreen1, kGreen, kGreen3, kPlayBadge, {{'w', kWhite}});
}

Canvas ScreenSaverOnOff() {
  using namespace pal;
  return Badge(NightScreenMonitor(), kRed1, kRed, kRed3, kPowerBadge, {{'w', kWhite}});
}

Canvas ScreenSaverSettings() {
  using namespace pal;
  Canvas m = NightScreenMonitor();
  Canvas tool(kS, kS);
  // A spanner lying across the corner.
  tool.FillCapsule(17.5, 29.0, 25.5, 21.0, 1.6, kGrey2);
  tool.FillCircle(26.5, 20.0, 3.6, kGrey2);
  tool.FillCircle(28.2, 18.3, 1.7, kClear);
  tool.Set(18, 27, kWhite), tool.Set(19, 26, kWhite), tool.Set(20, 25, kWhite), tool.Set(21, 24, kWhite);
  tool.Set(25, 18, kWhite), tool.Set(24, 19, kWhite);
  Bevel(tool, kGrey2, kGrey1, kGrey3);
  m.Draw(Outlined(tool, kInk, true), 0, 0);
  return m;
}

Canvas Gear() {
  using namespace pal;
  Canvas g(kS, kS);
  const double cx = 16, cy = 16;
  for (int y = 0; y < kS; ++y)
    for (int x = 0; x < kS; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy, r = std::hypot(dx, dy);
      const double a = std::atan2(dy, dx) + std::numbers::pi / 8;
      const double phase = std::fmod(a / (2 * std::numbers::pi) * 8 + 8.0, 1.0);
      const double outer = (phase > 0.2 && phase < 0.8) ? 13.2 : 10.2;
      if (r > outer || r < 3.8) continue;
      const double lit = (dx + dy) / (2 * 13.0);  // -..+ from upper left to lower right
      g.Set(x, y, lit < -0.28 ? kGrey1 : lit < 0.22 ? kGrey2 : kGrey3);
    }
  // A groove around the hub gives the gear its depth.
  for (int y = 0; y < kS; ++y)
    for (int x = 0; x < kS; ++x) {
      const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (r >= 6.3 && r < 7.4) g.Set(x, y, (x + y) < 32 ? kGrey3 : kGrey1);
    }
  return Outlined(g, kInk);
}

Canvas HelpBall() {
  using namespace pal;
  Canvas b(kS, kS);
  ShadedDisc(b, 16, 16, 13.0, kBlue1, kBlue, kBlue3);
  DrawMap(b, 11, 7, kQuestion, {{'w', kWhite}});
  b.Set(8, 8, kWhite), b.Set(9, 7, kWhite);  // glint
  return Outlined(b, kInk);
}

Canvas ExitDoor() {
  using namespace pal;
  Canvas frame(kS, kS), inside(kS, kS), door(kS, kS), arrow(kS, kS);
  frame.FillRect(8, 3, 16, 27, kBrown);
  Bevel(frame, kBrown, kHairLight, kBrown3);
  inside.FillRect(10, 5, 12, 25, kNight4);
  for (int y = 5; y < 13; ++y)
    for (int x = 10; x < 22; ++x) inside.Set(x, y, kNight3);
  inside.Set(19, 8, kMoon), inside.Set(20, 8, kMoon), inside.Set(20, 9, kMoon), inside.Set(19, 10, kMoon),
      inside.Set(20, 10, kMoon);
  inside.Set(13, 7, kNight1), inside.Set(16, 11, kNight1);
  door.FillPolygon({{10, 5}, {4, 8}, {4, 31}, {10, 30}}, kOrange);
  Bevel(door, kOrange, kMoon, kMoonDeep);
  door.Set(6, 18, kMoonDeep), door.Set(6, 19, kMoonDeep);  // handle
  arrow.FillPolygon({{14, 16}, {22, 16}, {22, 12}, {30, 19}, {22, 26}, {22, 22}, {14, 22}}, kGreen);
  Bevel(arrow, kGreen, kGreen1, kGreen3);
  return Compose(kS, kS, {frame, inside, door, arrow}, kInk);
}

Canvas Record() {
  using namespace pal;
  Canvas disc(kS, kS), note(kS, kS);
  for (int y = 0; y < kS; ++y)
    for (int x = 0; x < kS; ++x) {
      const double r = std::hypot(x + 0.5 - 14, y + 0.5 - 15);
      if (r > 12.5) continue;
      Rgba c = Rgb(0x2E3140);
      if (r < 4.6) c = kRed;
      if (r < 1.5) c = kInk;
      if (r >= 4.6 && (int(r * 2) % 3 == 0)) c = Rgb(0x464A5C);
      disc.Set(x, y, c);
    }
  for (auto [x, y] : {std::pair{8, 7}, {7, 8}, {9, 6}, {6, 10}}) disc.Set(x, y, kGrey4);  // sheen
  // Two beamed notes in front of the record.
  note.FillRect(19, 9, 10, 3, kMoon);
  note.FillRect(19, 9, 2, 15, kMoon);
  note.FillRect(27, 9, 2, 13, kMoon);
  note.FillEllipse(14, 21, 7, 5, kMoon);
  note.FillEllipse(22, 19, 7, 5, kMoon);
  Bevel(note, kMoon, kMoonLight, kMoonShade);
  return Compose(kS, kS, {disc, note}, kInk);
}

// The player buttons share one silver face.
Canvas PlayerButton(const PixelMap& glyph, Rgba light, Rgba fill, Rgba dark) {
  using namespace pal;
  Canvas face(kS, kS), sign(kS, kS);
  ShadedDisc(face, 16, 16, 13.4, kWhite, kGrey1, kGrey2);
  DrawMap(sign, 16 - int(glyph.front().size()) / 2, 16 - int(glyph.size()) / 2, glyph, {{'#', fill}});
  Bevel(sign, fill, light, dark);
  return Compose(kS, kS, {face, sign}, kInk);
}

Canvas Next() {
  return PlayerButton(kPrevious, pal::kNight1, pal::kNight2, pal::kNight3).MirroredX();
}

// Drawn pictures by number; numbers without a picture stay empty.
const std::function<Canvas()> kMenuPictures[MENU_BITMAP_COUNT] = {
    Walker,
    MonitorOff,
    StartScreenSaver,
    ScreenSaverOnOff,
    ScreenSaverSettings,
    nullptr,
    nullptr,
    Gear,
    HelpBall,
    ExitDoor,
    Record,
    [] { return PlayerButton(kPrevious, pal::kNight1, pal::kNight2, pal::kNight3); },
    [] { return PlayerButton(kPlay, pal::kGreen1, pal::kGreen, pal::kGreen3); },
    [] { return PlayerButton(kPause, pal::kNight1, pal::kNight2, pal::kNight3); },
    [] { return PlayerButton(kStop, pal::kRed1, pal::kRed, pal::kRed3); },
    Next,
    [] { return PlayerButton(kEject, pal::kMoonLight, pal::kOrange, pal::kBrown); },
};

}  // namespace

void AddMenuBitmaps(ArtSet& set) {
  for (int n = 0; n < MENU_BITMAP_COUNT; ++n) {
    if (MENU_BITMAP_HAS[n] == 0) continue;
    if (!kMenuPictures[n]) throw std::logic_error("menu picture " + std::to_string(n) + " is not drawn");
    const Canvas plain = kMenuPictures[n]();
    char name[16];
    auto add = [&](MenuBitmapVariant v, const Canvas& picture) {
      if (!MenuBitmapExists(n, v)) return;
      std::snprintf(name, sizeof name, MENU_BITMAP_NAME_FORMAT, n, MENU_BITMAP_SUFFIX[v]);
      set.AddBitmap(name, picture, kMenuKey);
    };
    add(MBV_PLAIN, plain);
    if (MenuBitmapExists(n, MBV_CHECKED)) add(MBV_CHECKED, CheckMark(plain));
    if (MenuBitmapExists(n, MBV_GREYED)) add(MBV_GREYED, Greyed(plain));
  }
}

}  // namespace art
