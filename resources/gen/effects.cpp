#include "effects.h"

#include <algorithm>
#include <cmath>

namespace art {

int Luma(Rgba c) {
  return (299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000;
}

Canvas Outlined(const Canvas& src, Rgba outline, bool corners) {
  Canvas out = src;
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      if (!src.Get(x, y).Clear()) continue;
      bool touch = false;
      for (int dy = -1; dy <= 1 && !touch; ++dy)
        for (int dx = -1; dx <= 1 && !touch; ++dx) {
          if ((dx == 0 && dy == 0) || (!corners && dx != 0 && dy != 0)) continue;
          touch = !src.Get(x + dx, y + dy).Clear();
        }
      if (touch) out.Set(x, y, outline);
    }
  return out;
}

void Bevel(Canvas& c, Rgba base, Rgba light, Rgba dark) {
  const Canvas before = c;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      if (before.Get(x, y) != base) continue;
      const bool upLeft = before.Get(x - 1, y) != base || before.Get(x, y - 1) != base;
      const bool downRight = before.Get(x + 1, y) != base || before.Get(x, y + 1) != base;
      if (upLeft && !downRight) c.Set(x, y, light);
      if (downRight && !upLeft) c.Set(x, y, dark);
    }
}

Canvas WithShadow(const Canvas& src, Rgba shadow, int dx, int dy) {
  Canvas out(src.Width(), src.Height());
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x)
      if (!src.Get(x, y).Clear()) out.Set(x + dx, y + dy, shadow);
  out.Draw(src, 0, 0);
  return out;
}

Canvas Greyed(const Canvas& src) {
  Canvas out = src;
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      const Rgba p = src.Get(x, y);
      if (p.Clear()) continue;
      // Squeeze the tones into a light band: outlines stay visible on a grey
      // menu, colours become flat like a disabled command.
      const auto g = uint8_t(std::lround(118 + Luma(p) * 0.47));
      out.Set(x, y, {g, g, g, p.a});
    }
  return out;
}

Canvas Dimmed(const Canvas& src, double desaturate, double dim) {
  Canvas out = src;
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      const Rgba p = src.Get(x, y);
      if (p.Clear()) continue;
      const auto l = uint8_t(Luma(p));
      Rgba q = Mix(p, {l, l, l, p.a}, desaturate);
      q = Mix(q, {0, 0, 0, p.a}, dim);
      out.Set(x, y, q);
    }
  return out;
}

}  // namespace art

namespace art {

Canvas Compose(int width, int height, const std::vector<Canvas>& partsBackToFront, Rgba outline) {
  Canvas out(width, height);
  for (const Canvas& part : partsBackToFront) out.Draw(Outlined(part, outline), 0, 0);
  return out;
}

}  // namespace art
