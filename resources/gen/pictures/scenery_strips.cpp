// The six scenery strips behind the figures ("Zaun/Mauer" on the Desktop
// page): 1 a white picket fence with roses and flowers, 2 a brick wall with
// ivy and a garden door, 3 a dry stone wall with moss and poppies, 4 an iron
// railing between sandstone pillars, 5 a split-rail fence with sunflowers,
// 6 a woven willow fence with lavender. Magenta (clear) is sky; the ground
// runs along the bottom row of each. Each strip also gives the Desktop
// page's small preview "HGnn", its right end.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "palette.h"
#include "pictures.h"
#include "scene/figures/strip_pictures.h"

namespace art {
namespace {

using namespace pal;

// A small deterministic generator, so every run draws the same strips.
class Dice {
 public:
  explicit Dice(uint32_t seed) : state_(seed * 2654435761u + 1) {}
  int Next(int n) {
    state_ = state_ * 1664525u + 1013904223u;
    return n > 0 ? static_cast<int>((state_ >> 8) % static_cast<uint32_t>(n)) : 0;
  }
  int Range(int lo, int hi) { return lo + Next(hi - lo + 1); }

 private:
  uint32_t state_;
};

// Polygon fill limited to the polygon's box (the strips are wide).
void Poly(Canvas& c, const std::vector<std::pair<double, double>>& pts, Rgba colour) {
  double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
  for (auto [x, y] : pts) {
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  }
  for (int j = int(std::floor(y0)); j <= int(std::ceil(y1)); ++j)
    for (int i = int(std::floor(x0)); i <= int(std::ceil(x1)); ++i) {
      const double px = i + 0.5, py = j + 0.5;
      bool inside = false;
      for (size_t a = 0, b = pts.size() - 1; a < pts.size(); b = a++) {
        const auto [xa, ya] = pts[a];
        const auto [xb, yb] = pts[b];
        if ((ya > py) != (yb > py) && px < xa + (py - ya) * (xb - xa) / (yb - ya)) inside = !inside;
      }
      if (inside) c.Set(i, j, colour);
    }
}

constexpr Rgba kGrass = Rgb(0x3F9E49);
constexpr Rgba kGrassDark = Rgb(0x2B7E3D);
constexpr Rgba kGrassLight = Rgb(0x6CC45A);
constexpr Rgba kSoil = Rgb(0x7A5233);
constexpr Rgba kStone1 = Rgb(0xB8B2A6);
constexpr Rgba kStone2 = Rgb(0x938C80);
constexpr Rgba kStone3 = Rgb(0x6E685E);
constexpr Rgba kSand1 = Rgb(0xE8D3A4);
constexpr Rgba kSand2 = Rgb(0xCDB27E);
constexpr Rgba kSand3 = Rgb(0xA68A5A);
constexpr Rgba kIron = Rgb(0x24222C);
constexpr Rgba kIronLight = Rgb(0x4E4B5C);
constexpr Rgba kWood1 = Rgb(0xB07A48);
constexpr Rgba kWood2 = Rgb(0x8A5A32);
constexpr Rgba kWood3 = Rgb(0x5E3A22);
constexpr Rgba kWillow1 = Rgb(0xC49A62);
constexpr Rgba kWillow2 = Rgb(0x9C7444);
constexpr Rgba kWillow3 = Rgb(0x6E4E2C);
constexpr Rgba kLavender = Rgb(0x8C6CD0);
constexpr Rgba kLavenderDark = Rgb(0x6248A8);
constexpr Rgba kPink = Rgb(0xF27A9A);
constexpr Rgba kPetal = Rgb(0xFFD23A);
constexpr Rgba kSeeds = Rgb(0x5A3A1E);

// A strip of grass `depth` rows deep along the bottom, with blades above it.
void Grass(Canvas& c, Dice& dice, int depth) {
  const int w = c.Width(), h = c.Height(), top = h - depth;
  c.FillRect(0, top, w, depth, kGrass);
  for (int x = 0; x < w; ++x) {
    if (dice.Next(3) == 0) c.Set(x, top + dice.Range(1, depth - 1), kGrassDark);
    if (dice.Next(4) == 0) c.Set(x, top + dice.Range(1, depth - 1), kGrassLight);
    const int blade = dice.Next(5) == 0 ? dice.Range(1, 4) : (dice.Next(2) ? 1 : 0);
    for (int k = 1; k <= blade; ++k) c.Set(x, top - k, k == blade ? kGrassLight : kGrass);
  }
}

// A flower on a stem from the ground line: blossom colour, height.
void Flower(Canvas& c, int x, int ground, int height, Rgba blossom, Rgba centre) {
  c.VLine(x, ground - height, ground, kGrassDark);
  c.Set(x - 1, ground - height / 2, kGrass);
  c.Set(x + 1, ground - height / 2 - 1, kGrass);
  const int y = ground - height;
  for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) c.Set(x + dx, y + dy, blossom);
  c.Set(x, y, centre);
}

void FlowerBed(Canvas& c, Dice& dice, int ground, int every, int maxHeight) {
  const Rgba colours[] = {kRed, kPetal, kBlue1, kWhite, kPink, kOrange};
  for (int x = dice.Range(4, every); x < c.Width() - 4; x += dice.Range(every / 2, every)) {
    const Rgba colour = colours[dice.Next(6)];
    const int n = dice.Range(2, 5);
    for (int k = 0; k < n; ++k)
      Flower(c, x + k * 3 + dice.Next(2), ground, dice.Range(4, maxHeight), colour, kMoon);
  }
}

// 1: white pickets with pointed tops on two rails, roses climbing some.
Canvas PicketFence(int h) {
  Canvas c(kStripWidth, h);
  Dice dice(1);
  const int ground = h - 9, top = 10;
  for (int rail : {top + 14, ground - 22}) {
    c.FillRect(0, rail, kStripWidth, 5, kGrey2);
    c.HLine(0, kStripWidth - 1, rail + 4, kGrey3);
  }
  for (int x = 0; x < kStripWidth; x += 18) {
    const int px = x + 3, pw = 12, tip = top + (x / 18 % 2);
    Poly(c, {{px - 0.5, tip + 7.0}, {px + pw / 2.0, double(tip)}, {px + pw + 0.5, tip + 7.0}}, kGrey1);
    c.FillRect(px, tip + 6, pw, ground - tip - 4, kGrey1);
    c.VLine(px, tip + 6, ground + 1, kGrey3);
    c.VLine(px + pw - 1, tip + 6, ground + 1, kGrey3);
    c.VLine(px + pw - 2, tip + 6, ground + 1, kGrey2);
    c.VLine(px + 1, tip + 7, ground, kWhite);
    for (int k = 0; k < 3; ++k) c.Set(px + pw / 2 - 1 + k % 2, tip + 1 + k, kGrey3);
    for (int rail : {top + 15, ground - 21}) {  // nail heads
      c.Set(px + 3, rail + 1, kGrey4);
      c.Set(px + pw - 4, rail + 1, kGrey4);
    }
  }
  Grass(c, dice, 9);
  // Rose bushes leaning on the fence.
  for (int x = 90; x < kStripWidth - 60; x += dice.Range(260, 480)) {
    const int width = dice.Range(36, 60), height = dice.Range(26, 44);
    for (int k = 0; k < width * height / 10; ++k) {
      const double a = dice.Next(1000) / 1000.0 * 3.14159, r = dice.Next(1000) / 1000.0;
      const int lx = x + int(width / 2.0 + std::cos(a) * r * width / 2),
                ly = ground - int(std::sin(a) * r * height);
      c.FillCircle(lx, ly, 2.2, k % 3 ? kGreen3 : kGrass);
    }
    for (int k = 0; k < width / 4; ++k) {
      const int rx = x + dice.Range(4, width - 4), ry = ground - dice.Range(6, height - 2);
      c.FillCircle(rx + 0.5, ry + 0.5, 2.0, k % 4 ? kRed : kPink);
      c.Set(rx, ry, kRed3);
    }
  }
  FlowerBed(c, dice, ground + 1, 70, 12);
  return c;
}

// 2: a brick wall with a stone coping, ivy, and a garden door now and then.
Canvas BrickWall(int h) {
  Canvas c(kStripWidth, h);
  Dice dice(2);
  const int ground = h - 7, cap = 8, wallTop = cap + 7;
  const Rgba bricks[] = {Rgb(0xB5533C), Rgb(0xA44A36), Rgb(0xC46446), Rgb(0x96412F)};
  const Rgba mortar = Rgb(0xD9CBB2);
  c.FillRect(0, wallTop, kStripWidth, ground - wallTop, mortar);
  for (int row = 0; wallTop + row * 7 < ground; ++row) {
    const int y = wallTop + row * 7, shift = row % 2 ? 0 : 10;
    for (int x = -shift; x < kStripWidth; x += 20) {
      const Rgba b = bricks[dice.Next(4)];
      c.FillRect(x + 1, y + 1, 19, 6, b);
      c.HLine(x + 1, x + 19, y + 1, Mix(b, kWhite, 0.15));
      if (dice.Next(6) == 0) c.Set(x + dice.Range(3, 16), y + dice.Range(2, 5), bricks[3]);
    }
  }
  // Coping stones with a lit top edge and a shadow under them.
  for (int x = 0; x < kStripWidth; x += 34) {
    c.FillRect(x, cap, 33, 7, kStone1);
    c.HLine(x, x + 32, cap, kGrey1);
    c.VLine(x + 33, cap, cap + 6, kStone3);
  }
  c.FillRect(0, cap - 1, kStripWidth, 1, kStone2);
  c.HLine(0, kStripWidth - 1, wallTop, kStone3);
  // Garden doors under round arches.
  for (int x : {700, 1900}) {
    const int dw = 40, dt = wallTop + 8;
    c.FillRect(x - 3, dt + 6, dw + 6, ground - dt - 6, kStone2);
    c.FillCircle(x + dw / 2.0, dt + 8, dw / 2.0 + 3, kStone2);
    c.FillRect(x, dt + 8, dw, ground - dt - 8, kWood2);
    c.FillCircle(x + dw / 2.0, dt + 8, dw / 2.0, kWood2);
    for (int k = 0; k < dw; k += 8) c.VLine(x + k, dt, ground, kWood3);
    c.FillRect(x, dt + 20, dw, 3, kIron);
    c.FillRect(x, ground - 16, dw, 3, kIron);
    c.FillCircle(x + dw - 7, dt + 36, 2, kMoon);
  }
  // A cobbled pavement.
  c.FillRect(0, ground, kStripWidth, h - ground, kStone2);
  for (int x = 0; x < kStripWidth; x += 6) {
    c.FillRect(x + (x / 6 % 2), ground + 1, 5, 2, kStone1);
    c.FillRect(x + 3, ground + 4, 5, 2, kStone1);
  }
  // Ivy: tendrils climbing from the ground with leaves on both sides.
  for (int x = 60; x < kStripWidth; x += dice.Range(120, 300)) {
    const int stems = dice.Range(3, 6);
    for (int s = 0; s < stems; ++s) {
      int ix = x + dice.Range(-12, 12), iy = ground;
      const int reach = dice.Range(20, ground - wallTop + 4);
      for (int k = 0; k < reach; ++k) {
        iy -= 1;
        ix += dice.Range(-1, 1);
        c.Set(ix, iy, kWood3);
        if (k % 3 == 0) {
          const int side = dice.Next(2) ? 2 : -2;
          const Rgba leaf = dice.Next(3) ? kGreen3 : kGrass;
          c.FillCircle(ix + side + 0.5, iy + 0.5, 1.7, leaf);
          c.Set(ix + side, iy - 1, kGreen);
        }
      }
    }
  }
  return c;
}

// 3: a dry stone wall of rounded field stones, moss on top, poppies below.
Canvas StoneWall(int h) {
  Canvas c(kStripWidth, h);
  Dice dice(3);
  const int ground = h - 8;
  const Rgba stones[] = {kStone1, kStone2, Rgb(0xA89A86), Rgb(0xC2B8A8), Rgb(0x8C8478)};
  // Courses from the ground up on dark joints; the top course humps irregularly.
  c.FillRect(0, 22, kStripWidth, ground - 22, kStone3);
  int y = ground;
  for (int course = 0; y > 18; ++course) {
    const int ch = dice.Range(9, 13);
    y -= ch;
    for (int x = -dice.Range(0, 12); x < kStripWidth;) {
      const int sw = dice.Range(14, 30);
      const Rgba s = stones[dice.Next(5)];
      c.FillRoundRect(x, y, sw, ch + 1, 4, kStone3);
      c.FillRoundRect(x + 1, y + 1, sw - 2, ch - 1, 4, s);
      c.HLine(x + 3, x + sw - 5, y + 1, Mix(s, kWhite, 0.3));
      c.HLine(x + 3, x + sw - 4, y + ch - 1, Mix(s, kInk, 0.25));
      if (dice.Next(5) == 0) c.Set(x + dice.Range(4, sw - 5), y + dice.Range(3, ch - 3), kStone3);
      x += sw;
    }
  }
  // Cap stones standing on edge along the top, with moss over them.
  for (int x = 0; x < kStripWidth;) {
    const int sw = dice.Range(8, 14), sh = dice.Range(8, 14);
    const Rgba s = stones[dice.Next(5)];
    c.FillRoundRect(x, y - sh + 2, sw, sh, 3, kStone3);
    c.FillRoundRect(x + 1, y - sh + 3, sw - 2, sh - 2, 3, s);
    c.VLine(x + 2, y - sh + 5, y - 1, Mix(s, kWhite, 0.3));
    if (dice.Next(3) == 0)
      for (int k = 1; k < sw - 1; ++k)
        c.Set(x + k, y - sh + 3 + (k % 3 == 0), dice.Next(2) ? kGreen : kGreen3);
    x += sw;
  }
  Grass(c, dice, 8);
  for (int x = dice.Range(10, 60); x < kStripWidth - 10; x += dice.Range(30, 90)) {
    Flower(c, x, ground + 1, dice.Range(6, 16), kRed, kInk);
    if (dice.Next(2)) Flower(c, x + 4, ground + 1, dice.Range(4, 8), kWhite, kMoon);
  }
  return c;
}

// 4: an iron railing with spear tips between sandstone pillars on a low wall.
Canvas IronRailing(int h) {
  Canvas c(kStripWidth, h);
  Dice dice(4);
  const int ground = h - 6, baseTop = ground - 18, railTop = 30;
  // The low wall.
  for (int x = 0; x < kStripWidth; x += 40) {
    c.FillRect(x, baseTop, 39, ground - baseTop, kSand2);
    c.HLine(x, x + 38, baseTop, kSand1);
    c.HLine(x, x + 38, baseTop + 9, kSand3);
    c.VLine(x + 39, baseTop, ground - 1, kSand3);
    c.VLine(x + 20, baseTop + 10, ground - 1, kSand3);
  }
  c.FillRect(0, baseTop - 3, kStripWidth, 3, kSand1);
  // Bars with spear tips, two rails and a row of curls.
  for (int x = 4; x < kStripWidth; x += 11) {
    c.FillRect(x, railTop, 2, baseTop - railTop - 3, kIron);
    c.VLine(x, railTop + 2, baseTop - 4, kIronLight);
    Poly(c, {{x - 2.0, railTop + 1.0}, {x + 1.0, railTop - 7.0}, {x + 4.0, railTop + 1.0}}, kIron);
    c.Set(x + 1, railTop - 4, kIronLight);
  }
  for (int rail : {railTop + 6, baseTop - 12}) {
    c.FillRect(0, rail, kStripWidth, 3, kIron);
    c.HLine(0, kStripWidth - 1, rail, kIronLight);
  }
  for (int x = 9; x < kStripWidth; x += 11) {
    const double cx = x + 0.5, cy = railTop + 14.5;
    for (int k = 0; k < 12; ++k) {
      const double a = k * 0.55, r = 3.2 - k * 0.22;
      c.Set(int(cx + std::cos(a) * r), int(cy + std::sin(a) * r), kIron);
    }
  }
  // Pillars with caps and stone balls.
  for (int x = 150; x < kStripWidth; x += 344) {
    const int pw = 30, top = 22;
    c.FillRect(x, top, pw, ground - top, kSand2);
    c.VLine(x, top, ground - 1, kSand1);
    c.VLine(x + 1, top, ground - 1, kSand1);
    c.VLine(x + pw - 1, top, ground - 1, kSand3);
    for (int y = top + 12; y < ground; y += 12) c.HLine(x, x + pw - 1, y, kSand3);
    c.FillRect(x - 3, top - 5, pw + 6, 6, kSand1);
    c.HLine(x - 3, x + pw + 2, top, kSand3);
    c.FillRect(x + 9, top - 8, 12, 3, kSand2);
    c.FillCircle(x + pw / 2.0, top - 14, 7, kSand2);
    c.FillCircle(x + pw / 2.0 - 2, top - 16, 3, kSand1);
  }
  // Gravel path.
  c.FillRect(0, ground, kStripWidth, h - ground, kPathShade);
  for (int x = 0; x < kStripWidth; ++x)
    if (dice.Next(3) == 0) c.Set(x, ground + dice.Range(0, h - ground - 1), dice.Next(2) ? kPath : kStone2);
  // Box shrubs in front of the wall here and there.
  for (int x = 320; x < kStripWidth - 40; x += 344) {
    c.FillEllipse(x, baseTop - 4, 34, 26, kGreen3);
    c.FillEllipse(x + 4, baseTop - 2, 24, 14, kGrass);
    c.FillRect(x + 2, ground - 4, 30, 4, kGreen3);
  }
  return c;
}

// 5: a split-rail fence of rough posts and rails with sunflowers.
Canvas RailFence(int h) {
  Canvas c(kStripWidth, h);
  Dice dice(5);
  const int ground = h - 10;
  for (int rail : {36, 56}) {
    for (int x = 0; x < kStripWidth; ++x) {
      const int sag = int(std::lround(std::sin((x % 130) / 130.0 * 3.14159) * 2));
      c.VLine(x, rail + sag, rail + sag + 5, kWood1);
      c.Set(x, rail + sag, Rgb(0xC8925C));
      c.Set(x, rail + sag + 5, kWood3);
      if (x % 23 < 9) c.Set(x, rail + sag + 2 + (x / 23 % 2), kWood2);
    }
  }
  for (int x = 60; x < kStripWidth; x += 130) {
    c.FillRect(x - 4, 26, 9, ground - 26 + 2, kWood2);
    c.VLine(x - 4, 27, ground, kWood1);
    c.VLine(x + 4, 27, ground, kWood3);
    c.FillEllipse(x - 4, 24, 9, 5, kWood1);
    for (int y = 32; y < ground; y += dice.Range(5, 9)) c.Set(x + dice.Range(-2, 2), y, kWood3);
  }
  Grass(c, dice, 10);
  // Sunflowers in small groups, taller than the fence.
  for (int x = dice.Range(20, 80); x < kStripWidth - 20; x += dice.Range(110, 260)) {
    const int n = dice.Range(1, 3);
    for (int k = 0; k < n; ++k) {
      const int fx = x + k * dice.Range(10, 16), top = dice.Range(8, 22);
      c.FillRect(fx, top, 2, ground - top + 1, kGreen3);
      for (int y = top + 14; y < ground - 6; y += 12) {
        const int side = (y / 12) % 2 ? 1 : -1;
        Poly(c, {{fx + 1.0, y + 0.0}, {fx + side * 9.0, y - 4.0}, {fx + side * 6.0, y + 3.0}}, kGreen);
      }
      for (int p = 0; p < 12; ++p) {
        const double a = p * 3.14159 / 6;
        c.FillCircle(fx + 1 + std::cos(a) * 6, top + std::sin(a) * 6, 2.3, p % 2 ? kPetal : kMoon);
      }
      c.FillCircle(fx + 1, top, 4, kSeeds);
      c.Set(fx, top - 1, kBrown);
      c.Set(fx + 2, top + 1, kBrown);
    }
  }
  // Pumpkins resting in the grass.
  for (int x = 420; x < kStripWidth; x += dice.Range(500, 800)) {
    c.FillEllipse(x, ground - 8, 18, 12, kOrange);
    c.VLine(x + 6, ground - 7, ground + 2, kMoonShade);
    c.VLine(x + 12, ground - 7, ground + 2, kMoonShade);
    c.FillRect(x + 8, ground - 11, 2, 4, kGreen3);
  }
  return c;
}

// 6: a woven willow fence between stakes, lavender in front.
Canvas WillowFence(int h) {
  Canvas c(kStripWidth, h);
  Dice dice(6);
  const int ground = h - 8, top = 22, spacing = 26;
  std::vector<int> stakeTops;
  for (int x = 0; x < kStripWidth; x += spacing) stakeTops.push_back(top - dice.Range(4, 10));
  auto stake = [&](int i) {
    const int x = i * spacing, t = stakeTops[i];
    c.FillRect(x - 2, t, 5, ground - t + 1, kWillow3);
    c.VLine(x - 1, t + 1, ground, kWillow2);
    c.Set(x, t - 1, kWillow3);
  };
  for (size_t i = 0; i < stakeTops.size(); ++i) stake(int(i));
  // Rods weave over and under the stakes, each course shifted by one stake.
  const Rgba rods[] = {kWillow1, kWillow2, Rgb(0xB08654)};
  for (int y = top, course = 0; y < ground - 2; y += 4, ++course) {
    const Rgba rod = rods[dice.Next(3)];
    for (int x = 0; x < kStripWidth; ++x) {
      const int cell = x / spacing, inCell = x % spacing;
      const bool front = (cell + course) % 2 == 0;
      const int bulge = front ? (inCell > 3 && inCell < spacing - 3 ? 1 : 0) : 0;
      if (!front && (inCell <= 2 || inCell >= spacing - 2)) continue;  // behind the stake
      c.VLine(x, y - bulge, y + 2 - bulge, rod);
      c.Set(x, y - bulge, Mix(rod, kWhite, 0.25));
      c.Set(x, y + 3 - bulge, kWillow3);
    }
  }
  Grass(c, dice, 8);
  c.FillRect(0, h - 3, kStripWidth, 3, kSoil);
  // Lavender clumps and a few marigolds.
  for (int x = dice.Range(10, 50); x < kStripWidth - 30; x += dice.Range(60, 150)) {
    const int n = dice.Range(8, 14);
    for (int k = 0; k < n; ++k) {
      const int sx = x + dice.Range(0, 24), sh = dice.Range(12, 24);
      c.VLine(sx, ground - sh + 4, ground, kGrass);
      for (int y = ground - sh; y < ground - sh + 6; ++y) c.Set(sx, y, (y % 2) ? kLavender : kLavenderDark);
    }
  }
  FlowerBed(c, dice, ground + 1, 180, 9);
  return c;
}

}  // namespace

void AddSceneryStrips(ArtSet& set) {
  Canvas (*const strips[kStripCount])(int) = {PicketFence, BrickWall, StoneWall,
                                              IronRailing, RailFence, WillowFence};
  for (int i = 0; i < kStripCount; ++i) {
    const Canvas strip = strips[i](kStripHeights[i]);
    char name[32];
    std::snprintf(name, sizeof name, "FIG%03d_00", kStripFirstNumber + i);
    set.AddBitmap(name, strip, kSpriteKey, BmpDepth::kIndexed8);
    std::snprintf(name, sizeof name, kStripPreviewFormat, i + 1);
    set.AddBitmap(name, strip.Crop(kStripWidth - kStripPreviewWidth, 0, kStripPreviewWidth, strip.Height()),
                  kSpriteKey, BmpDepth::kIndexed8);
  }
}

}  // namespace art
