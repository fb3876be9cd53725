// Sprite sheets of the first passers-by: Ravi Quenn (2) strolling in his
// hoodie, Alma Korbitz (8) with her shopping basket, Nelly Sprott (10) in her
// red coat, Bodo Schnief (13) with a cold, and Gustav Lindtal (26) carrying a
// Christmas tree home. Frame rectangles come from the program's headers.

#include <cmath>
#include <span>

#include "../person.h"
#include "../sprite_sheet.h"
#include "cast_art.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig002_frames.h"
#include "scene/figures/fig008_frames.h"
#include "scene/figures/fig013_frames.h"
#include "scene/figures/fig026_frames.h"

namespace art {
namespace {

using namespace pal;

constexpr double kPi = 3.14159265358979323846;

PersonLook Ravi() {
  PersonLook l = Body(70, 1.0, Rgb(0x2B2020), {kBlue, kBlue3, kGrey4, kGrey5, kWhite});
  l.skin = Rgb(0xC98E62);
  l.skinShade = Rgb(0xA56E48);
  l.hood = true;
  return l;
}

PersonLook Alma() {
  PersonLook l = Body(70, 1.15, kGrey2, {kGreen3, Rgb(0x1F5C2D), kSkinShade, Rgb(0xB27A58), kBrown3});
  l.hair_ = HairStyle::kBun;
  l.skirt = true;
  l.skirtColour = kBrown;
  l.skirtShade = kBrown3;
  l.glasses = true;
  l.stoop = 0.12;
  return l;
}

PersonLook Nelly() {
  PersonLook l = Body(73, 0.95, kMoon, {kRed, kRed3, kNight3, kNight4, kGrey5});
  l.hair_ = HairStyle::kPonytail;
  l.coatLength = 1.0;
  return l;
}

PersonLook Bodo() {
  PersonLook l = Body(70, 1.1, kHair, {kBrown, kBrown3, kGrey4, kGrey5, kBrown3});
  l.coatLength = 0.8;
  l.hat = HatStyle::kCap;
  l.hatColour = kGrey3;
  l.hatShade = kGrey4;
  l.bigNose = true;
  l.noseColour = kRed1;
  return l;
}

// A shopping basket hanging from a hand: wicker body, handle, a leek and a loaf.
Canvas Basket(int w, int h, Point2 hand, double s = 1.0) {
  Canvas c(w, h);
  const double bw = 17 * s, bh = 10 * s;
  const double top = hand.y + 6 * s, left = hand.x - bw / 2;
  c.FillCapsule(hand.x + 5 * s, top - 7 * s, hand.x + 9 * s, top - 17 * s, 1.6 * s, kGreen);  // leek
  c.FillCapsule(hand.x + 9 * s, top - 17 * s, hand.x + 10 * s, top - 20 * s, 1.4 * s, kGreen3);
  c.FillCapsule(hand.x + 5 * s, top - 7 * s, hand.x + 6 * s, top - 4 * s, 1.8 * s, kWhite);
  c.FillEllipse(static_cast<int>(left + 2), static_cast<int>(top - 5 * s), static_cast<int>(9 * s),
                static_cast<int>(6 * s), kMoonShade);  // bread
  c.FillPolygon({{left, top}, {left + bw, top}, {left + bw - 2 * s, top + bh}, {left + 2 * s, top + bh}},
                kOrange);
  for (int y = static_cast<int>(top + 2); y < static_cast<int>(top + bh); y += 3)
    for (int x = static_cast<int>(left); x <= static_cast<int>(left + bw); ++x)
      if (c.Get(x, y) == kOrange) c.Set(x, y, kBrown);
  for (int x = static_cast<int>(left + 3); x < static_cast<int>(left + bw); x += 4)
    for (int y = static_cast<int>(top); y < static_cast<int>(top + bh); ++y)
      if (c.Get(x, y) == kOrange && (y % 3) != 1) c.Set(x, y, kBrown);
  // Handle: an arch from rim to rim through the hand.
  for (int i = 0; i <= 16; ++i) {
    const double t = kPi * i / 16;
    c.FillCircle(hand.x - std::cos(t) * bw * 0.42, top - std::sin(t) * (top - hand.y + 1), 0.9 * s, kBrown3);
  }
  return c;
}

// A fir tree along an axis from its trunk end `base` in direction `angle`
// (radians from pointing up, positive leaning right), `length` long.
Canvas FirTree(int w, int h, Point2 base, double angle, double length, double width) {
  Canvas c(w, h);
  const Point2 u{std::sin(angle), -std::cos(angle)};  // along the tree
  const Point2 n{-u.y, u.x};                          // across it
  auto at = [&](double t, double off) {
    return std::pair<double, double>{base.x + u.x * t + n.x * off, base.y + u.y * t + n.y * off};
  };
  const double trunk = length * 0.12;
  const auto t0 = at(0, 0), t1 = at(trunk + 4, 0);
  c.FillCapsule(t0.first, t0.second, t1.first, t1.second, std::max(1.5, width * 0.07), kBrown3);
  const int layers = 5;
  const double crown = length - trunk;
  for (int k = 0; k < layers; ++k) {
    const double start = trunk + crown * k / layers * 0.92;
    const double end = std::min(length, start + crown / layers * 1.6);
    const double half = width * 0.5 * (1.0 - static_cast<double>(k) / layers * 0.8);
    const Rgba colour = k % 2 ? kGreen : Rgb(0x3F9E49);
    c.FillPolygon({at(start, -half), at(start, half), at(end, 0)}, colour);
    // Snow-free shading on one side of each layer.
    c.FillPolygon({at(start, -half), at(start + 1.5, -half * 0.2), at(end, 0)}, kGreen3);
  }
  const auto tip = at(length + 1, 0);
  c.FillCircle(tip.first, tip.second, 1.2, kMoon);
  return c;
}

// A white handkerchief with a blue border, held at `hand`.
Canvas Hanky(int w, int h, Point2 hand, double size) {
  Canvas c(w, h);
  const int x = static_cast<int>(hand.x - size / 2), y = static_cast<int>(hand.y - size * 0.7);
  const int s = static_cast<int>(size);
  c.FillRect(x, y, s, s, kWhite);
  c.FrameRect(x, y, s, s, kBlue1);
  c.Set(x + s / 2, y + s / 2, kBlue1);
  return c;
}

// Droplets of a sneeze in front of a face.
void Spray(Canvas& c, Point2 from, int seed) {
  for (int i = 0; i < 9; ++i) {
    const double a = -0.5 + 0.12 * i + 0.03 * ((seed * 7 + i * 3) % 5);
    const double r = 4 + (i * 5 + seed * 3) % 9;
    c.Set(static_cast<int>(from.x + std::cos(a) * r), static_cast<int>(from.y + std::sin(a) * r),
          i % 3 ? kBlue1 : kWhite);
  }
}

// Ravi Quenn walks across in long strides; he stands at the far end of each
// frame, so the growing (right) and shrinking (left) frames carry him along.
void AddFigure02(ArtSet& set) {
  SpriteSheet sheet(FramesFrom(std::span<const SpriteFrame>(kFig002Frames)));
  const PersonLook look = Ravi();
  sheet.PutAll([&](size_t i, int w, int h) {
    const SpriteFrame& f = kFig002Frames[i];
    const bool left = i >= static_cast<size_t>(kFig002LeftFirst);
    const int step = static_cast<int>(left ? i - kFig002LeftFirst : i);
    PersonPose pose = WalkPose(step / 7.0, 1.15);
    pose.lean = 0.06;
    Canvas c = PersonFrame(f.w, f.h, w - 22, look, pose, left);
    (void)h;
    return c;
  });
  set.AddBitmap("FIG002_00", sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
}

// Alma (8) and Nelly (10): walking left 0-3 and 9-12, act 4-8, standing 13-24.
enum class Stroller { kAlma, kNelly };

constexpr double kWalkFoot = 31;  // foot x from the left edge of a walking frame
constexpr double kStandShift = 27;

Canvas StrollerFrame(Stroller who, size_t i, const SpriteFrame& f) {
  const PersonLook look = who == Stroller::kAlma ? Alma() : Nelly();
  const bool alma = who == Stroller::kAlma;
  const bool walking = i <= 3 || (i >= 9 && i <= 12);
  // Frames face left: the foot's distance from the left edge, before mirroring.
  const double foot = f.w - 1 - (walking ? kWalkFoot : kWalkFoot + kStandShift);
  PersonPose pose;
  std::vector<Canvas> held;
  const int w = f.w, h = f.h;
  auto basketInHand = [&](const PersonPose& p, bool armBent) {
    PersonPose q = p;
    if (armBent) q.frontArm = {0.15, 1.2};
    const Joints j = PersonJoints(foot, h - 1.5, look, q);
    if (alma) held.push_back(Basket(w, h, j.frontHand));
    return q;
  };
  if (walking) {
    const int step = static_cast<int>(i <= 3 ? i : i - 9);
    pose = WalkPose(step / 4.0 + 0.125, alma ? 0.7 : 0.9);
    if (i >= 9) {
      pose.headTilt = alma ? -0.25 : 0.2;  // Alma checks her basket, Nelly looks up
      if (!alma) pose.backArm = {-0.5, -0.2};
    }
    if (alma) pose = basketInHand(pose, true);
  } else if (i >= 4 && i <= 8) {
    // The act: Alma wags a finger, Nelly waves.
    const int k = static_cast<int>(i - 4);
    pose = StandPose();
    pose.mouthOpen = k % 2 == 0;
    const Joints j = PersonJoints(foot, h - 1.5, look, pose);
    if (alma) {
      pose = basketInHand(pose, true);
      pose.backArm = ArmReach(j, {j.head.x + 9 + (k % 2) * 2, j.head.y - 6 - (k % 3)});
      pose.headTilt = 0.1;
    } else {
      pose.frontArm = ArmReach(j, {j.head.x + 8 + (k % 2 ? 5 : -2), j.head.y - 12});
      pose.backArm = {-0.3, 0.0};
      pose.headTilt = 0.12;
    }
  } else {
    // Standing idles; 18-21 stretch both arms up (they double as dangling).
    const int k = static_cast<int>(i - 13);
    pose = StandPose();
    const double tilts[] = {0, 0.18, 0, -0.2, 0.05, 0, 0, 0, 0, 0.1, -0.1, 0};
    pose.headTilt = tilts[k];
    const Joints j = PersonJoints(foot, h - 1.5, look, pose);
    if (i >= 18 && i <= 21) {
      const double lift = (i - 18) % 2 ? 4 : 0;
      pose.frontArm = ArmReach(j, {j.head.x + 6, j.head.y - 14 - lift});
      pose.backArm = ArmReach(j, {j.head.x - 5, j.head.y - 14 - (4 - lift)});
      pose.mouthOpen = true;
      pose.frontLeg = {0.25 - 0.1 * ((i - 18) % 2), 0.1};
      pose.backLeg = {-0.2, -0.35};
      if (alma) held.push_back(Basket(w, h, {j.hip.x + 18, static_cast<double>(h) - 18}));
    } else if (i == 16 || i == 22) {
      pose.frontArm = ArmReach(j, {j.head.x + 2, j.head.y - j.headR});  // adjusts her hair
      if (alma) held.push_back(Basket(w, h, {j.hip.x + 18, static_cast<double>(h) - 18}));
    } else if (i == 23 && !alma) {
      pose.frontArm = ArmReach(j, {j.shoulder.x + 6, j.shoulder.y + 4});  // looks at her watch
      pose.headTilt = -0.3;
    } else {
      pose.frontLeg = {0.04 * (k % 3), 0.0};
      if (alma) pose = basketInHand(pose, true);
    }
  }
  return PersonFrame(f.w, f.h, foot, look, pose, false, {{}, held, {}});
}

void AddStroller(ArtSet& set, Stroller who, const char* name) {
  SpriteSheet sheet(FramesFrom(std::span<const SpriteFrame>(kFig008Frames)));
  sheet.PutAll([&](size_t i, int, int) { return StrollerFrame(who, i, kFig008Frames[i]).MirroredX(); });
  set.AddBitmap(name, sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
}

// Bodo Schnief walks right with a cold: walking 0-3, sniffing 4-7, the
// sneeze 8-11, and his handkerchief act 13-23.
Canvas BodoFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Bodo();
  const double foot = 20;
  const int w = f.w, h = f.h;
  PersonPose pose = StandPose();
  std::vector<Canvas> held, front;
  if (i <= 3) {
    pose = WalkPose(i / 4.0 + 0.125, 0.8);
    pose.lean = 0.05;
  } else if (i >= 4 && i <= 7) {
    pose.headTilt = (i == 5) ? 0.12 : (i == 7 ? -0.1 : 0);
    if (i == 6) {
      const Joints j = PersonJoints(foot, h - 1.5, look, pose);
      pose.frontArm = ArmReach(j, {j.head.x + j.headR + 1, j.head.y + 2});  // wipes his nose
    }
  } else if (i >= 8 && i <= 11) {
    const double tilt[] = {0.25, 0.45, -0.35, -0.1};
    const double lean[] = {-0.1, -0.18, 0.22, 0.05};
    pose.headTilt = tilt[i - 8];
    pose.lean = lean[i - 8];
    pose.eyesClosed = i != 11;
    pose.mouthOpen = i != 11;
    pose.backArm = {-0.4, -0.1};
    if (i == 10) {
      Canvas spray(w, h);
      const Joints j = PersonJoints(foot, h - 1.5, look, pose);
      Spray(spray, {j.head.x + j.headR + 2, j.head.y + 2}, 1);
      Spray(spray, {j.head.x + j.headR + 4, j.head.y + 4}, 2);
      front.push_back(spray);
    }
  } else if (i >= 13 && i <= 23) {
    // Out comes the handkerchief, a good blow, and back into the pocket.
    const int k = static_cast<int>(i - 13);
    const Joints j = PersonJoints(foot, h - 1.5, look, pose);
    Point2 target;
    if (k == 0 || k == 10)
      target = {j.hip.x + 3, j.hip.y - 4};
    else if (k == 1 || k == 9)
      target = {j.shoulder.x + 8, j.shoulder.y + 6};
    else
      target = {j.head.x + j.headR + 2, j.head.y + 3 + (k % 2)};
    pose.frontArm = ArmReach(j, target);
    if (k >= 2 && k <= 8) {
      pose.eyesClosed = k % 2 == 0;
      pose.headTilt = k % 2 ? 0.12 : -0.05;
    }
    const Joints hand = PersonJoints(foot, h - 1.5, look, pose);
    front.push_back(Hanky(w, h, hand.frontHand, k >= 2 && k <= 8 ? 8 : 6));
  }
  return PersonFrame(f.w, f.h, foot, look, pose, false, {{}, held, front});
}

void AddFigure13(ArtSet& set) {
  SpriteSheet sheet(FramesFrom(std::span<const SpriteFrame>(kFig013Frames)));
  sheet.PutAll([&](size_t i, int, int) { return BodoFrame(i, kFig013Frames[i]); });
  set.AddBitmap("FIG013_00", sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
}

// Gustav Lindtal carries his Christmas tree on the shoulder (0-3), then sets
// it down, wipes his brow and admires it (4-8).
Canvas GustavFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = GustavLindtal(100);
  const double foot = 112;
  const int w = f.w, h = f.h;
  PersonPose pose;
  std::vector<Canvas> behind, held, front;
  if (i <= 3) {
    pose = WalkPose(i / 4.0 + 0.125, 0.8);
    pose.lean = 0.05;
    const Joints j = PersonJoints(foot, h - 1.5, look, pose);
    const Point2 shoulder{j.shoulder.x + 3, j.shoulder.y - 2};
    // The trunk rests on the shoulder, the crown trails behind and down.
    behind.push_back(FirTree(w, h, {shoulder.x + 14, shoulder.y - 3 + (i % 2)}, -1.75, 118, 46));
    pose.frontArm = ArmReach(j, {shoulder.x + 9, shoulder.y - 2});
  } else {
    const int k = static_cast<int>(i - 4);
    pose = StandPose();
    const Joints j = PersonJoints(foot, h - 1.5, look, pose);
    behind.push_back(FirTree(w, h, {foot - 52, h - 2.0}, 0.0, 122, 58));
    switch (k) {
      case 0:  // one hand on the tree
        pose.backArm = ArmReach(j, {foot - 40, j.shoulder.y + 4});
        break;
      case 1:  // wipes his brow
      case 2:
        pose.frontArm = ArmReach(j, {j.head.x + 2 + k, j.head.y - j.headR + 1});
        pose.eyesClosed = k == 2;
        break;
      case 3:  // stretches his back
        pose.lean = -0.12;
        pose.backArm = ArmReach(j, {j.hip.x - 8, j.hip.y - 4});
        pose.frontArm = ArmReach(j, {j.hip.x + 2, j.hip.y - 6});
        pose.mouthOpen = true;
        break;
      default:  // looks at the tree, pleased
        pose.headTilt = 0.25;
        pose.backArm = ArmReach(j, {foot - 38, j.shoulder.y + 8});
        break;
    }
  }
  return DrawPerson(w, h, foot, look, pose, behind, held, front);
}

void AddFigure26(ArtSet& set) {
  SpriteSheet sheet(FramesFrom(std::span<const SpriteFrame>(kFig026Frames)));
  sheet.PutAll([&](size_t i, int, int) { return GustavFrame(i, kFig026Frames[i]); });
  set.AddBitmap("FIG026_00", sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
}

}  // namespace

void AddPassersBy(ArtSet& set) {
  AddFigure02(set);
  AddStroller(set, Stroller::kAlma, "FIG008_00");
  AddStroller(set, Stroller::kNelly, "FIG010_00");
  AddFigure13(set);
  AddFigure26(set);
}

}  // namespace art
