#include "cast_art.h"

#include <cmath>

#include "../art_set.h"
#include "palette.h"

namespace art {

PersonLook Body(double height, double girth, Rgba hair, const Outfit& outfit) {
  PersonLook l;
  l.height = height;
  l.girth = girth;
  l.skin = pal::kSkin;
  l.skinShade = pal::kSkinShade;
  l.hair = hair;
  l.top = outfit.top;
  l.topShade = outfit.topShade;
  l.legs = outfit.legs;
  l.legsShade = outfit.legsShade;
  l.shoes = outfit.shoes;
  return l;
}

PersonLook GustavLindtal(double height) {
  using namespace pal;
  PersonLook l = Body(height, 1.05, kHairLight, {kRed3, Rgb(0x7A2024), kBlue3, kNight4, kBrown3});
  l.beard = true;
  l.coatLength = 0.6;
  l.hat = HatStyle::kBeanie;
  l.hatColour = kGreen;
  l.hatShade = kWhite;
  return l;
}

double DrawHip(int w, double hipX, bool faceLeft) {
  return faceLeft ? w - 1 - hipX : hipX;
}

Canvas PersonFrame(int w, int h, double footX, const PersonLook& look, const PersonPose& pose, bool faceLeft,
                   const Props& props, int footRow) {
  const int rowsTo = footRow < 0 ? h : footRow + 1;
  auto fit = [&](const std::vector<Canvas>& parts) {
    std::vector<Canvas> out;
    for (const Canvas& c : parts)
      out.push_back(c.Width() == w && c.Height() == rowsTo ? c : c.Crop(0, 0, w, rowsTo));
    return out;
  };
  Canvas person = DrawPerson(w, rowsTo, DrawHip(w, footX, faceLeft), look, pose, fit(props.behind),
                             fit(props.held), fit(props.front));
  if (faceLeft) person = person.MirroredX();
  if (rowsTo == h) return person;
  Canvas frame(w, h);
  frame.Draw(person, 0, 0);
  return frame;
}

Joints FrameJoints(int w, int h, double footX, const PersonLook& look, const PersonPose& pose, bool faceLeft,
                   int footRow) {
  const int rowsTo = footRow < 0 ? h : footRow + 1;
  return PersonJoints(DrawHip(w, footX, faceLeft), rowsTo - 1.5, look, pose);
}

double StrideFoot(int k, int n, double first, double stride, bool left) {
  const double step = stride * k / n;
  return left ? first - step : first + step;
}

void AddFigureSheet(ArtSet& set, const char* name, std::span<const SpriteFrame> frames,
                    const std::function<Canvas(size_t, const SpriteFrame&)>& draw) {
  SpriteSheet sheet(FramesFrom(frames));
  sheet.PutAll([&](size_t i, int, int) { return draw(i, frames[i]); });
  set.AddBitmap(name, sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
}

Canvas Puff(int w, int h, Point2 at, double r, int seed) {
  Canvas c(w, h);
  for (int i = 0; i < 3; ++i) {
    const double a = seed * 1.7 + i * 2.1;
    c.FillCircle(at.x + std::cos(a) * r * 0.6, at.y + std::sin(a) * r * 0.5, r * (0.55 + 0.15 * i),
                 i == 1 ? pal::kGrey1 : pal::kGrey2);
  }
  return c;
}

Canvas Rod(int w, int h, Point2 a, Point2 b, double r, Rgba colour) {
  Canvas c(w, h);
  c.FillCapsule(a.x, a.y, b.x, b.y, r, colour);
  return c;
}

Canvas Box(int w, int h, Point2 centre, double bw, double bh, Rgba colour, Rgba shade) {
  Canvas c(w, h);
  const int x = static_cast<int>(std::lround(centre.x - bw / 2)),
            y = static_cast<int>(std::lround(centre.y - bh / 2));
  c.FillRect(x, y, static_cast<int>(bw), static_cast<int>(bh), colour);
  c.FillRect(x, y + static_cast<int>(bh) - 2, static_cast<int>(bw), 2, shade);
  return c;
}

}  // namespace art
