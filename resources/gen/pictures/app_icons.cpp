// The program's icons: a round night sky with a crescent moon over a hill
// and the path the figures walk. "OffIcon" is the same sky gone grey with the
// moon asleep and nobody on the path.

#include <cmath>

#include "../effects.h"
#include "../pixel_map.h"
#include "palette.h"
#include "pictures.h"

namespace art {
namespace {

// Pixel maps, one string per row.
// clang-format off
const PixelMap kSmallMotif = {
    ".....oooooo.....",
    "...ooaaaaaaoo...",
    "..oaaMaaaaaaao..",
    ".oaaMmaaaaa*aao.",
    ".oaMmaaaaaaaaao.",
    "oaaMmaaaaaaaaaao",
    "oaaMmdaaaaaasaao",
    "obbMmdbbbbbbbbbo",
    "obbMmmdbbbbbbbbo",
    "obbbdmmmmddbbbbo",
    "obbbbdddddbbbbbo",
    ".obbbbGGGGbbbbo.",
    ".obGGGgggppGGbo.",
    "..oggggpppgggo..",
    "...oopppgggoo...",
    ".....oooooo....."};
const PixelMap kZBig = {
    "wwwww",
    "...ww",
    "..ww.",
    ".ww..",
    "wwwww"};
const PixelMap kZSmall = {
    "wwww",
    "..w.",
    ".w..",
    "wwww"};
const PixelMap kZTiny = {
    "www",
    "..w",
    ".w.",
    "www"};
// clang-format on

struct Motif {
  int size;
  bool asleep;
  int walkers;  // 0, 1 or 2
};

bool InCircle(double x, double y, double cx, double cy, double r) {
  const double dx = x - cx, dy = y - cy;
  return dx * dx + dy * dy <= r * r;
}

// A walker a few pixels tall, facing right in mid stride, feet at (x, y).
void TinyWalker(Canvas& c, double x, double y, double h, Rgba coat) {
  using namespace pal;
  Canvas back(c.Width(), c.Height()), front(c.Width(), c.Height());
  const double limb = std::max(0.7, h * 0.075);
  back.FillCapsule(x, y - h * 0.42, x - h * 0.20, y - 1.2, limb, kBlue3);
  back.FillCapsule(x, y - h * 0.66, x - h * 0.14, y - h * 0.46, limb, coat == kRed ? kRed3 : kMoonDeep);
  front.FillCapsule(x, y - h * 0.42, x + h * 0.20, y - 1.2, limb, kBlue);
  front.FillCapsule(x, y - h * 0.70, x, y - h * 0.44, std::max(1.0, h * 0.12), coat);
  front.FillCapsule(x + 0.3, y - h * 0.66, x + h * 0.15, y - h * 0.47, limb, coat);
  const double headR = std::max(1.2, h * 0.14);
  front.FillCircle(x + h * 0.04, y - h * 0.72 - headR, headR, kSkin);
  for (int j = 0; j < c.Height(); ++j)  // hair on the back of the head
    for (int i = 0; i < c.Width(); ++i)
      if (front.Get(i, j) == kSkin && (j + 0.5 < y - h * 0.72 - headR * 1.2 || i + 0.5 < x - headR * 0.2))
        front.Set(i, j, kHair);
  c.Draw(Compose(c.Width(), c.Height(), {back, front}, kInk), 0, 0);
}

Canvas DrawMotif(const Motif& m) {
  using namespace pal;
  const int s = m.size;
  const double cx = s / 2.0, cy = s / 2.0, r = s / 2.0 - 1.0;
  Canvas sky(s, s), moon(s, s), land(s, s);

  for (int y = 0; y < s; ++y)
    for (int x = 0; x < s; ++x) {
      if (!InCircle(x + 0.5, y + 0.5, cx, cy, r)) continue;
      const double t = double(y) / s;
      // Two tones of night with a dithered seam between them.
      const bool lower = t > 0.52 || (t > 0.46 && (x + y) % 2 == 0);
      sky.Set(x, y, lower ? kNight3 : kNight4);
    }
  // Stars, placed on a grid of the size so each size keeps them apart.
  const double star[][2] = {{0.70, 0.22}, {0.82, 0.42}, {0.56, 0.13}, {0.22, 0.60}, {0.64, 0.48}};
  for (int i = 0; i < (s >= 32 ? 5 : 2); ++i) {
    const int x = int(star[i][0] * s), y = int(star[i][1] * s);
    sky.SetIfOpaque(x, y, i == 0 ? kWhite : kNight1);
    if (i == 0 && s >= 32) {
      for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        sky.SetIfOpaque(x + dx, y + dy, kNight1);
    }
  }

  // The crescent: a disc with a second disc cut from its upper right.
  const double mx = s * 0.38, my = s * 0.36, mr = s * 0.22;
  const double kx = mx + mr * 0.62, ky = my - mr * 0.30, kr = mr * 0.84;
  for (int y = 0; y < s; ++y)
    for (int x = 0; x < s; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      if (!InCircle(px, py, mx, my, mr) || InCircle(px, py, kx, ky, kr)) continue;
      const double lit = (px - mx) * 0.6 + (py - my);  // shade towards the lower edge
      moon.Set(x, y, lit > mr * 0.55 ? kMoonShade : kMoon);
    }
  Bevel(moon, kMoon, kMoonLight, kMoon);
  // Asleep, the moon closes its eye.
  if (m.asleep && s >= 32) {
    const int ex = int(mx - mr * 0.15), ey = int(my + mr * 0.05);
    moon.Set(ex - 1, ey, kMoonDeep), moon.Set(ex, ey + 1, kMoonDeep), moon.Set(ex + 1, ey + 1, kMoonDeep),
        moon.Set(ex + 2, ey, kMoonDeep);
  }

  // The hill with its path from the lower left up to the right.
  const double hx = s * 0.50, hy = s * 1.25, hr = s * 0.55;
  for (int y = 0; y < s; ++y)
    for (int x = 0; x < s; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      if (!InCircle(px, py, cx, cy, r) || !InCircle(px, py, hx, hy, hr)) continue;
      land.Set(x, y, InCircle(px, py, hx, hy, hr - std::max(1.0, s / 16.0)) ? kGreen : kGreen1);
      // Along a line from the lower left up to the hill's right shoulder.
      const double pathY = s * 1.02 - (px / s - 0.12) * s * 0.36;
      const double dy = py - pathY;
      if (!m.asleep && std::abs(dy) < s * 0.055 && py > hy - hr + 1.5)
        land.Set(x, y, dy > s * 0.02 ? kPathShade : kPath);
    }
  Canvas out(s, s);
  out.Draw(sky, 0, 0);
  out.Draw(land, 0, 0);
  out.Draw(Outlined(moon, kNight4), 0, 0);
  out = Outlined(out, kInk);

  // Walkers stand on the path's centre line.
  auto onPath = [s](double fx) { return int(s * 1.02 - (fx - 0.12) * s * 0.36); };
  if (m.walkers >= 1) TinyWalker(out, s * 0.64, onPath(0.64), s * 0.26, kRed);
  if (m.walkers >= 2) TinyWalker(out, s * 0.40, onPath(0.40), s * 0.24, kOrange);

  if (m.asleep) {
    out = Dimmed(out, 0.85, 0.10);
    // Sleep marks, kept white so the off state reads at a glance.
    const Legend white = {{'w', kWhite}};
    // In the hollow of the crescent, the small one above and to the right.
    DrawMap(out, int(s * 0.50), int(s * 0.26), kZBig, white);
    DrawMap(out, int(s * 0.50) + 6, int(s * 0.26) - 5, kZSmall, white);
  }
  return out;
}

// At 16 pixels the motif is drawn by hand: a computed crescent breaks up.
Canvas Small(bool asleep) {
  using namespace pal;
  const Legend legend = {{'o', kInk},       {'a', kNight4}, {'b', kNight3},
                         {'M', kMoonLight}, {'m', kMoon},   {'d', kMoonShade},
                         {'G', kGreen1},    {'g', kGreen},  {'p', asleep ? kGreen : kPath},
                         {'*', kWhite},     {'s', kNight1}};
  Canvas c = MapToCanvas(kSmallMotif, legend);
  if (asleep) {
    c = Dimmed(c, 0.85, 0.10);
    DrawMap(c, 9, 2, kZTiny, {{'w', kWhite}});
  }
  return c;
}

}  // namespace

void AddAppIcons(ArtSet& set) {
  set.AddIcon("AppIcon", {Small(false), DrawMotif({32, false, 1}), DrawMotif({48, false, 1})});
  set.AddIcon("OffIcon", {Small(true), DrawMotif({32, true, 0}), DrawMotif({48, true, 0})});
  set.AddIcon("LOGO", {DrawMotif({48, false, 2}), DrawMotif({64, false, 2})});
}

}  // namespace art
