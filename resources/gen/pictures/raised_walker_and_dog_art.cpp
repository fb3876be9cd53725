// Sprite sheets of Ugo R. Pell (22), an acrobat in a striped jersey who
// cartwheels and jumps, and of WUFF (24), a beagle who trots, sits, scratches
// and barks.

#include <algorithm>
#include <cmath>

#include "../effects.h"
#include "cast_art.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig022_frames.h"
#include "scene/figures/fig024_frames.h"

namespace art {
namespace {

using namespace pal;

constexpr double kPi = 3.14159265358979323846;

PersonLook Ugo() {
  return Body(64, 0.9, Rgb(0x2B2020), {kWhite, kGrey2, kRed, kRed3, kInk});
}

// Red hoops across his white jersey.
Canvas Striped(const Canvas& c) {
  Canvas out = c;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (y % 4 < 2 && (c.Get(x, y) == kWhite || c.Get(x, y) == kGrey2))
        out.Set(x, y, c.Get(x, y) == kWhite ? kRed : kRed3);
  return out;
}

// The picture turned by `angle` (radians, clockwise on screen) about (cx, cy)
// and placed with that point at (tx, ty) of a w x h frame.
Canvas Rotated(const Canvas& src, double angle, double cx, double cy, int w, int h, double tx, double ty) {
  Canvas out(w, h);
  const double c = std::cos(angle), s = std::sin(angle);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = x + 0.5 - tx, dy = y + 0.5 - ty;
      const double sx = cx + dx * c + dy * s, sy = cy - dx * s + dy * c;
      const Rgba p = src.Get(static_cast<int>(std::floor(sx)), static_cast<int>(std::floor(sy)));
      if (!p.Clear()) out.Set(x, y, p);
    }
  return out;
}

// Feet row of a frame drawn at y 19 (ground) or y 1 (the jump).
int UgoFeet(const SpriteFrame& f, bool raised) {
  return std::min(f.h - 1, kFig022FeetBelowTop - (raised ? 1 : 19) - 1);
}

Canvas UgoFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Ugo();
  const int w = f.w, h = f.h;
  const bool raised = i >= 8 && i <= 11;
  const int feet = UgoFeet(f, raised);
  if (i <= 3) {  // a springy walk
    const int k = static_cast<int>(i);
    PersonPose pose = WalkPose(k / 4.0 + 0.125, 1.0);
    pose.bob = k % 2 ? 2.5 : 0;
    pose.frontArm.lower += 0.4;
    pose.backArm.lower += 0.4;
    return Striped(PersonFrame(w, h, 30 + k * 3.5, look, pose, false, {}, feet));
  }
  if (i <= 7) {  // the cartwheel: a star turning a quarter at a time
    const int k = static_cast<int>(i - 4);
    const int side = 80;
    PersonPose star = StandPose();
    const Joints j = FrameJoints(side, side, side / 2.0, look, star, false);
    star.frontArm = ArmReach(j, {j.head.x + 12, j.head.y - 10});
    star.backArm = ArmReach(j, {j.head.x - 12, j.head.y - 10});
    star.frontLeg = {0.55, 0.55};
    star.backLeg = {-0.55, -0.55};
    star.mouthOpen = k == 2;
    const Canvas upright = Striped(PersonFrame(side, side, side / 2.0, look, star, false));
    const double turn = (k + 1) * kPi / 2 - kPi / 4;
    const double centreY = side - 1 - look.height * 0.45;
    const double ty = feet - look.height * 0.42;
    return Rotated(upright, turn, side / 2.0, centreY, w, h, w / 2.0, ty);
  }
  PersonPose pose = StandPose();
  const double hip = w / 2.0;
  if (raised) {
    const int k = static_cast<int>(i - 8);
    // crouch, leap with arms up, the top of the leap, coming down
    const double lift[] = {0, 5, 8, 3};
    Joints j = FrameJoints(w, h, hip, look, pose, false, feet);
    if (k == 0) {
      pose.frontLeg = {0.7, -0.3};
      pose.backLeg = {0.6, -0.4};
      pose.frontArm = {-0.6, -0.3};
      pose.backArm = {-0.7, -0.4};
      pose.lean = 0.2;
    } else {
      pose.frontArm = ArmReach(j, {j.head.x + 4, j.head.y - 11});
      pose.backArm = ArmReach(j, {j.head.x - 3, j.head.y - 11});
      pose.frontLeg = k == 2 ? Limb{0.5, -0.2} : Limb{0.15, 0.0};
      pose.backLeg = k == 2 ? Limb{-0.2, -0.6} : Limb{-0.1, -0.2};
      pose.mouthOpen = k == 2;
      pose.headTilt = 0.2;
    }
    return Striped(PersonFrame(w, h, hip, look, pose, false, {}, feet - static_cast<int>(lift[k])));
  }
  const int k = static_cast<int>(i - 12);  // landing, straightening, a bow
  const Joints j = FrameJoints(w, h, hip, look, pose, false, feet);
  if (k == 0) {
    pose.frontLeg = {0.6, -0.2};
    pose.backLeg = {0.3, -0.5};
    pose.frontArm = ArmReach(j, {j.shoulder.x + 20, j.shoulder.y - 2});
    pose.backArm = ArmReach(j, {j.shoulder.x - 20, j.shoulder.y - 2});
  } else if (k == 1) {
    pose.frontArm = ArmReach(j, {j.head.x + 15, j.head.y - 1});
    pose.backArm = ArmReach(j, {j.head.x - 15, j.head.y - 1});
    pose.mouthOpen = true;
  } else {
    pose.lean = 0.55;
    pose.headTilt = -0.3;
    pose.frontArm = {0.9, 1.4};
    pose.backArm = {-1.2, -1.4};
  }
  return Striped(PersonFrame(w, h, hip, look, pose, false, {}, feet));
}

// --- The dog ----------------------------------------------------------------

constexpr Rgba kCoat = Rgb(0xB8773E), kCoatShade = Rgb(0x8A5428), kBlaze = Rgb(0xF4EEE2);

struct DogPose {
  double phase = -1;    // walk phase 0..1, negative: standing
  double headDrop = 0;  // pixels the head hangs (sniffing), negative: up
  bool sit = false, scratch = false, bark = false, tailUp = true;
  double wag = 0;  // tail angle offset
};

// The dog facing right with its rear at x0, its paws on the bottom row.
Canvas DrawDog(int w, int h, double x0, const DogPose& p) {
  Canvas back(w, h), body(w, h), front(w, h);
  const double ground = h - 1.5;
  const double legLen = 13, bodyY = ground - legLen - 6;
  const double rearX = x0 + 8, chestX = x0 + 34;
  auto leg = [&](Canvas& c, double hipX, double hipY, double swing, Rgba colour, double kneeBend) {
    const double a = swing;
    const Point2 knee{hipX + std::sin(a) * legLen * 0.55, hipY + std::cos(a) * legLen * 0.55};
    const Point2 paw{knee.x + std::sin(a - kneeBend) * legLen * 0.55,
                     std::min(ground - 1, knee.y + legLen * 0.5)};
    c.FillCapsule(hipX, hipY, knee.x, knee.y, 2.4, colour);
    c.FillCapsule(knee.x, knee.y, paw.x, paw.y, 1.8, colour);
    c.FillCapsule(paw.x, paw.y, paw.x + 2.5, paw.y + 0.5, 1.6, kBlaze);
  };
  const double sitDrop = p.sit ? 8 : 0;
  const double s = p.phase < 0 ? 0 : std::sin(2 * kPi * p.phase);
  const double c2 = p.phase < 0 ? 0 : std::cos(2 * kPi * p.phase);
  // Back legs, far side darker.
  if (p.sit) {
    back.FillEllipse(static_cast<int>(rearX - 6), static_cast<int>(ground - 12), 16, 11, kCoatShade);
    if (p.scratch)
      leg(front, rearX + 2, ground - 10, 1.6 + p.wag, kCoat, -0.8);
    else
      front.FillCapsule(rearX + 2, ground - 2, rearX + 9, ground - 1, 1.8, kBlaze);
  } else {
    leg(back, rearX, bodyY + 4, 0.5 * s, kCoatShade, 0.3);
    leg(front, rearX + 2, bodyY + 4, -0.5 * s, kCoat, 0.3);
  }
  leg(back, chestX - 2, bodyY + 4 - sitDrop / 2, -0.45 * c2, kCoatShade, -0.2);
  leg(front, chestX, bodyY + 4 - sitDrop / 2, 0.45 * c2, kCoat, -0.2);
  // Body: level standing, sloping when sitting.
  const double tailY = bodyY + sitDrop - 2;
  body.FillCapsule(rearX, bodyY + sitDrop, chestX, bodyY - sitDrop * 0.3, 7.5, kCoat);
  body.FillCapsule(rearX + 6, bodyY + 4 + sitDrop * 0.6, chestX, bodyY + 4, 4, kBlaze);  // belly
  body.FillEllipse(static_cast<int>(rearX + 8), static_cast<int>(bodyY - 7 + sitDrop * 0.4), 12, 7,
                   kCoatShade);  // saddle
  const double tailA = (p.tailUp ? -0.9 : 0.6) + p.wag;
  body.FillCapsule(rearX - 5, tailY, rearX - 5 - std::sin(tailA) * 9, tailY - std::cos(tailA) * 9, 1.7,
                   kCoat);
  body.FillCircle(rearX - 5 - std::sin(tailA) * 9, tailY - std::cos(tailA) * 9, 1.8, kBlaze);
  // Head with muzzle and a long ear.
  const Point2 head{chestX + 8, bodyY - 10 - sitDrop * 0.3 + p.headDrop};
  body.FillCapsule(chestX - 1, bodyY - 2 - sitDrop * 0.3, head.x - 2, head.y + 2, 4.5, kCoat);
  body.FillCircle(head.x, head.y, 6.5, kCoat);
  const Point2 muzzle{head.x + 8, head.y + 2.5};
  body.FillCapsule(head.x + 2, head.y + 2, muzzle.x, muzzle.y, 3.2, kBlaze);
  body.FillCircle(muzzle.x + 1.5, muzzle.y - 1.5, 1.6, kInk);  // nose
  if (p.bark) {
    body.FillPolygon({{head.x + 3, muzzle.y + 1}, {muzzle.x + 3, muzzle.y + 2}, {muzzle.x + 1, muzzle.y + 6}},
                     kRed3);
  }
  body.FillCapsule(head.x - 2, head.y - 3, head.x - 4, head.y + 7, 2.8, kCoatShade);  // ear
  Canvas out = Compose(w, h, {back, body, front}, kInk);
  out.Set(static_cast<int>(head.x + 2), static_cast<int>(head.y - 2), kInk);  // eye
  if (p.bark) {                                                               // "wuff" lines
    for (int n = 0; n < 3; ++n)
      out.Line(static_cast<int>(muzzle.x + 4), static_cast<int>(muzzle.y - 4 + n * 4),
               static_cast<int>(muzzle.x + 7), static_cast<int>(muzzle.y - 6 + n * 6), kInk);
  }
  return out;
}

Canvas DogFrame(size_t i, const SpriteFrame& f) {
  const int w = f.w, h = f.h;
  DogPose p;
  const bool walkRight = i <= 3, walkLeft = i >= 13 && i <= 16;
  double x0 = 5;
  if (walkRight || walkLeft) {
    const int k = static_cast<int>(walkRight ? i : i - 13);
    p.phase = k / 4.0;
    p.wag = (k % 2) * 0.3;
    x0 = walkRight ? StrideFoot(k, 4, 3, 17, false) : StrideFoot(k, 4, 4, 14, false);
    const Canvas dog = DrawDog(w, h, x0, p);
    return walkLeft ? dog.MirroredX() : dog;
  }
  const int k = static_cast<int>(i);
  switch (k) {
    case 5:
      p.headDrop = 9;
      p.tailUp = false;
      break;  // sniffs
    case 6:
      p.sit = true;
      break;  // sits
    case 7:
      p.sit = true;
      p.scratch = true;
      p.headDrop = 2;
      break;
    case 8:
      p.sit = true;
      p.wag = 0.5;
      break;
    case 9:
      p.wag = -0.4;
      break;
    case 10:
    case 11:
    case 12:  // barks
      p.bark = k != 11;
      p.headDrop = -3;
      p.wag = (k % 2) * 0.5;
      break;
    default:
      p.sit = k % 3 == 0;
      p.wag = (k % 2) * 0.4;
      p.headDrop = k % 4 == 1 ? 6 : 0;
      break;
  }
  return DrawDog(w, h, x0, p);
}

}  // namespace

void AddRaisedWalkerAndDog(ArtSet& set) {
  AddFigureSheet(set, "FIG022_00", kFig022Frames, UgoFrame);
  AddFigureSheet(set, "FIG024_00", kFig024Frames, DogFrame);
}

}  // namespace art
