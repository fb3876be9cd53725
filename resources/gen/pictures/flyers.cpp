// What flies across the top of the screen: the little red plane towing the
// user's banner (figure 124; the program writes the text onto the cloth) and
// the birds (figures 120 to 123): swallows and wild geese, each in two
// flocks, flying left (120, 121) and right (122, 123).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>
#include <utility>
#include <vector>

#include "../sprite_sheet.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig120_frames.h"
#include "scene/figures/fig124_frames.h"

namespace art {
namespace {

using namespace pal;

constexpr double kPi = 3.14159265358979323846;
constexpr Rgba kCloth = Rgb(0xFBF6E6);
constexpr Rgba kClothFold = Rgb(0xEDE4CC);
constexpr Rgba kClothShade = Rgb(0xD9CDAE);

// Small polygon fill bounded by the polygon's box.
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

// The plane flying left (nose at the left), towing the banner behind it.
// phase 0 or 1: the propeller's blur and the banner's flutter.
Canvas PlaneLeft(int phase) {
  Canvas c(kFig124Width, kFig124Height);
  const double cy = 40;  // fuselage axis
  // Banner: a pole at the leading edge, the cloth with red hems and a
  // fluttering tail; folds run down the cloth.
  const int clothLeft = 210, clothRight = 622, clothTop = 9, clothBottom = 84;
  c.FillRect(clothLeft - 4, clothTop - 3, 3, clothBottom - clothTop + 6, kBrown3);
  std::vector<std::pair<double, double>> cloth{{double(clothLeft), double(clothTop)}};
  for (int y = clothTop; y <= clothBottom; y += 3)
    cloth.push_back({clothRight + 6 * std::sin((y + phase * 9) * 0.16), double(y)});
  cloth.push_back({double(clothLeft), double(clothBottom)});
  Poly(c, cloth, kCloth);
  for (int x = clothLeft + 30 + phase * 12; x < clothRight - 10; x += 58) {
    for (int y = clothTop + 1; y < clothBottom; ++y) {
      const int fx = x + int(std::lround(2 * std::sin(y * 0.2 + phase)));
      c.SetIfOpaque(fx, y, kClothFold);
      c.SetIfOpaque(fx + 1, y, kClothShade);
    }
  }
  for (int x = clothLeft; x < clothRight + 8; ++x)
    for (int y : {clothTop, clothTop + 1, clothBottom - 1, clothBottom})
      if (c.Get(x, y) == kCloth || c.Get(x, y) == kClothFold || c.Get(x, y) == kClothShade) c.Set(x, y, kRed);
  // Tow lines from the tail to both ends of the pole.
  for (int y : {clothTop - 2, clothBottom + 1}) c.Line(166, int(cy) - 6, clothLeft - 4, y, kGrey4);
  // Tail fin and stabiliser.
  Poly(c, {{140, cy - 4}, {150, cy - 26}, {164, cy - 27}, {166, cy - 4}}, kRed);
  Poly(c, {{150, cy - 24}, {164, cy - 25}, {165, cy - 21}, {151, cy - 20}}, kWhite);
  Poly(c, {{136, cy + 1}, {170, cy - 2}, {170, cy + 2}, {138, cy + 4}}, kRed3);
  // Fuselage: round nose, cabin, tapering to the tail.
  Poly(c,
       {{14, cy - 9},
        {60, cy - 12},
        {96, cy - 10},
        {166, cy - 6},
        {166, cy - 1},
        {100, cy + 9},
        {40, cy + 11},
        {16, cy + 8}},
       kRed);
  c.FillEllipse(8, int(cy) - 9, 18, 18, kRed);
  Poly(c, {{18, cy + 1}, {100, cy + 1}, {166, cy - 3}, {166, cy - 1}, {100, cy + 4}, {18, cy + 4}}, kWhite);
  Poly(c, {{40, cy + 8}, {100, cy + 7}, {98, cy + 9}, {42, cy + 11}}, kRed3);
  // Cabin windows.
  Poly(c, {{44, cy - 10}, {56, cy - 17}, {70, cy - 17}, {70, cy - 6}, {44, cy - 6}}, kBlue1);
  Poly(c, {{73, cy - 17}, {92, cy - 16}, {92, cy - 7}, {73, cy - 6}}, kBlue1);
  c.Line(46, int(cy) - 9, 54, int(cy) - 15, kWhite);
  c.Line(76, int(cy) - 14, 80, int(cy) - 9, kWhite);
  // High wing seen from the side, with its strut.
  Poly(c, {{40, cy - 20}, {104, cy - 20}, {106, cy - 17}, {40, cy - 16}}, kGrey1);
  c.HLine(40, 105, int(cy) - 16, kGrey3);
  c.Line(80, int(cy) - 16, 64, int(cy) + 5, kGrey4);
  // Wheels on their legs.
  c.Line(40, int(cy) + 9, 36, int(cy) + 20, kGrey4);
  c.Line(88, int(cy) + 8, 92, int(cy) + 20, kGrey4);
  for (int wx : {36, 92}) {
    c.FillCircle(wx + 0.5, cy + 22, 4.5, kInk);
    c.FillCircle(wx + 0.5, cy + 22, 1.6, kGrey3);
  }
  // Nose cone and propeller: a blur disc or the blades caught edge-on.
  c.FillEllipse(4, int(cy) - 4, 8, 8, kGrey3);
  if (phase == 0) {
    c.FillEllipse(2, int(cy) - 17, 4, 34, kGrey2);
    c.VLine(3, int(cy) - 15, int(cy) + 15, kGrey1);
  } else {
    c.FillRect(2, int(cy) - 16, 3, 12, kGrey5);
    c.FillRect(2, int(cy) + 5, 3, 12, kGrey5);
  }
  // Outline round the plane's body (not the banner) for readability.
  Canvas outlined = c;
  for (int y = 1; y < kFig124Height - 1; ++y)
    for (int x = 1; x < 180; ++x)
      if (c.Get(x, y).Clear() &&
          (!c.Get(x - 1, y).Clear() || !c.Get(x + 1, y).Clear() || !c.Get(x, y - 1).Clear() ||
           !c.Get(x, y + 1).Clear()) &&
          c.Get(x - 1, y) != kGrey4 && c.Get(x + 1, y) != kGrey4)
        outlined.Set(x, y, kInk);
  return outlined;
}

void AddPlane(ArtSet& set) {
  SpriteSheet sheet(FramesFrom(std::span<const SpriteFrame>(kFig124Frames)));
  sheet.PutAll([](size_t i, int, int) {
    const Canvas left = PlaneLeft(static_cast<int>(i % 2));
    return i < static_cast<size_t>(kFig124RightFirst) ? left : left.MirroredX();
  });
  set.AddBitmap("FIG124_00", sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
}

// A bird facing left at (x, y); wing beat 0 up, 1 level, 2 down, 3 level.
struct BirdLook {
  Rgba back, belly, wing, beak;
  double size;  // wingspan scale
  bool forkedTail;
};

void Bird(Canvas& c, double x, double y, int beat, const BirdLook& b) {
  const double s = b.size;
  // Wings spread to both sides, the classic flying "M": elbows and tips
  // rise and fall with the beat.
  const double tipDy[] = {-4.5, -0.5, 3.5, -0.5};
  const double elbowDy[] = {-2.5, -1.8, 1.2, -1.8};
  const int k = beat % 4;
  for (int side : {-1, 1}) {
    const double ex = x + side * 3.2 * s, ey = y + elbowDy[k] * s;
    const double tx = x + side * 7.0 * s, ty = y + tipDy[k] * s;
    c.FillCapsule(x, y - 0.5, ex, ey, 0.95 * s, b.wing);
    c.FillCapsule(ex, ey, tx, ty, 0.6 * s, b.wing);
    c.Set(int(std::lround(tx)), int(std::lround(ty)), b.back);
  }
  // Body, head to the left with its beak, tail to the right.
  c.FillEllipse(int(x - 3 * s), int(y - 1.2 * s), int(6.5 * s), int(2.8 * s) + 1, b.back);
  c.HLine(int(x - 2 * s), int(x + 2 * s), int(y + 1.0 * s), b.belly);
  const double headX = x - (b.forkedTail ? 3.6 : 5.2) * s;
  if (!b.forkedTail)
    c.FillCapsule(x - 2 * s, y - 0.5, headX, y - 1.2 * s, 0.8 * s, b.back);  // a goose's neck
  c.FillCircle(headX, y - 1.0 * s, 1.4 * s, b.back);
  c.Set(int(headX - 1.6 * s), int(y - 1.0 * s), b.beak);
  c.Set(int(headX - 2.4 * s), int(y - 1.0 * s), b.beak);
  if (b.forkedTail) {
    c.Line(int(x + 3 * s), int(y), int(x + 6 * s), int(y - 1.5 * s), b.back);
    c.Line(int(x + 3 * s), int(y), int(x + 6 * s), int(y + 1.5 * s), b.back);
  } else {
    c.FillCircle(x + 3.2 * s, y - 0.2, 1.1 * s, b.belly);
  }
}

const BirdLook kSwallow{Rgb(0x1D2C5E), kWhite, Rgb(0x2C4A94), kRed3, 1.6, true};
const BirdLook kGoose{Rgb(0x5A554C), Rgb(0xD9D2C3), Rgb(0x8C8478), kOrange, 2.0, false};

// Flock positions inside a 120 x 74 frame (left-flying), per flock.
struct FlockBird {
  double x, y;
  int beatOffset;
};
const std::vector<FlockBird> kFlocks[2][2] = {
    // Swallows: a loose scatter, then a small group.
    {{{14, 18, 0}, {40, 10, 1}, {60, 32, 2}, {90, 16, 3}, {104, 46, 1}, {30, 52, 2}, {74, 60, 0}},
     {{20, 38, 0}, {40, 24, 2}, {70, 14, 1}, {88, 30, 3}, {104, 44, 0}}},
    // Geese: a V and a line.
    {{{14, 37, 0}, {40, 23, 1}, {40, 51, 1}, {68, 12, 2}, {68, 62, 2}},
     {{16, 18, 0}, {44, 30, 1}, {72, 42, 2}, {100, 54, 3}}},
};

Canvas BirdFrame(int species, int flock, int beat) {
  Canvas c(kBirdsWidth, kBirdsHeight);
  const BirdLook& look = species == 0 ? kSwallow : kGoose;
  for (const FlockBird& b : kFlocks[species][flock]) {
    const int own = (beat + b.beatOffset) % 4;
    Bird(c, b.x, b.y + (own == 2 ? 1 : 0), own, look);
  }
  return c;
}

void AddBirds(ArtSet& set) {
  // The sheet holds the two 120-pixel columns; set 8 (both at once) reuses them.
  std::vector<FrameRect> cells;
  for (int i = 0; i < 8; ++i) {
    const SpriteFrame& f = kBirdsFrames[i];
    cells.push_back({f.x, f.y, f.w, f.h});
  }
  for (int species = 0; species < 2; ++species)
    for (int right = 0; right < 2; ++right) {
      SpriteSheet sheet(cells);
      sheet.PutAll([&](size_t i, int, int) {
        const Canvas frame = BirdFrame(species, static_cast<int>(i / 4), static_cast<int>(i % 4));
        return right ? frame.MirroredX() : frame;
      });
      char name[32];
      std::snprintf(name, sizeof name, "FIG%03d_00", kBirdsFirstNumber + right * 2 + species);
      set.AddBitmap(name, sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
    }
}

}  // namespace

void AddFlyers(ArtSet& set) {
  AddPlane(set);
  AddBirds(set);
}

}  // namespace art
