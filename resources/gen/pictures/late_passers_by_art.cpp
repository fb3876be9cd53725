// Sprite sheets of the passers-by of scenes 36 to 54: Toni Fratz (36), who
// whistles; Gundula W. (40) with her hand mirror; Wendelin O. (43) with his
// walking stick; Gustav Lindtal (47) without his tree; Ewald Pommer (49) with
// a cone of chips; Arno Blitzer (54), the photographer with his tripod.

#include <algorithm>
#include <cmath>

#include "cast_art.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig036_frames.h"
#include "scene/figures/fig040_frames.h"
#include "scene/figures/fig043_frames.h"
#include "scene/figures/fig047_frames.h"
#include "scene/figures/fig054_frames.h"

namespace art {
namespace {

using namespace pal;

PersonLook Toni() {
  PersonLook l = Body(68, 1.0, Rgb(0x2B2020), {kMoon, kMoonShade, kGreen3, Rgb(0x1F5C2D), kBrown3});
  l.skin = Rgb(0xE3A77C);
  l.skinShade = Rgb(0xC0845C);
  l.hat = HatStyle::kBeanie;
  l.hatColour = kBlue;
  l.hatShade = kBlue3;
  return l;
}

PersonLook Gundula() {
  PersonLook l = Body(72, 1.1, kGrey2, {Rgb(0x6A4C9C), Rgb(0x4A3472), kSkinShade, Rgb(0xB27A58), kInk});
  l.hat = HatStyle::kHeadscarf;
  l.hatColour = Rgb(0xB05AA8);
  l.hatShade = Rgb(0x7E3A7A);
  l.skirt = true;
  l.skirtColour = Rgb(0x4A3472);
  l.skirtShade = Rgb(0x33224F);
  l.stoop = 0.08;
  return l;
}

PersonLook Wendelin() {
  PersonLook l = Body(70, 1.0, kGrey1, {kGreen3, Rgb(0x1F5C2D), kBrown, kBrown3, kInk});
  l.beard = true;
  l.coatLength = 0.7;
  l.hat = HatStyle::kCap;
  l.hatColour = kBrown;
  l.hatShade = kBrown3;
  l.stoop = 0.14;
  return l;
}

PersonLook Ewald() {
  PersonLook l = Body(70, 1.45, kHair, {kRed, kRed3, kBlue3, kNight3, kBrown3});
  l.hair_ = HairStyle::kBald;
  return l;
}

PersonLook Arno() {
  // a photographer's waistcoat (top)
  PersonLook l = Body(70, 1.0, kHair, {Rgb(0x8A8A5A), Rgb(0x66663E), kGrey4, kGrey5, kBrown3});
  l.glasses = true;
  l.hat = HatStyle::kCap;
  l.hatColour = kGrey5;
  l.hatShade = kInk;
  return l;
}

// A few notes of a tune rising from a whistling mouth.
Canvas Notes(int w, int h, Point2 mouth, int k) {
  Canvas c(w, h);
  for (int n = 0; n < 2; ++n) {
    const double x = mouth.x + 5 + n * 7 + (k % 2) * 2;
    const double y = std::max(6.0, mouth.y - 2 - n * 4 - (k % 3));
    c.FillEllipse(static_cast<int>(x), static_cast<int>(y), 3, 3, kInk);
    c.VLine(static_cast<int>(x) + 2, static_cast<int>(y) - 4, static_cast<int>(y) + 1, kInk);
  }
  return c;
}

// Toni: walking 0-11 (variant 6 with hands in his pockets), stop 12,
// whistling 13-23, 24 a small spare, walking off 25-36.
Canvas ToniFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Toni();
  const int w = f.w, h = f.h;
  const bool walk = i <= 11 || i >= 25;
  if (walk) {
    const int k = static_cast<int>(i <= 11 ? i % 6 : (i - 25) % 6);
    const bool pockets = (i >= 6 && i <= 11) || i >= 31;
    PersonPose pose = WalkPose(k / 6.0, 1.1);
    pose.lean = 0.05;
    if (pockets) {
      const Joints j = FrameJoints(w, h, w - 24.0, look, pose, false);
      pose.frontArm = ArmReach(j, {j.hip.x + 3, j.hip.y - 2});
      pose.backArm = ArmReach(j, {j.hip.x - 3, j.hip.y - 2});
    }
    return PersonFrame(w, h, w - 24.0, look, pose, false);
  }
  const double hip = i == 24 ? 16.0 : 80.0;
  PersonPose pose = StandPose();
  Props props;
  if (i >= 13 && i <= 23) {
    const int k = static_cast<int>(i - 13);
    const Joints j = FrameJoints(w, h, hip, look, pose, false);
    pose.headTilt = 0.15 + (k % 3) * 0.08;
    pose.mouthOpen = true;
    if (k % 4 != 3) pose.frontArm = ArmReach(j, {j.head.x + j.headR * 0.7, j.head.y + j.headR * 0.5});
    pose.backArm = ArmReach(j, {j.hip.x - 3, j.hip.y - 2});
    const Joints now = FrameJoints(w, h, hip, look, pose, false);
    if (k >= 1) props.front.push_back(Notes(w, h, {now.head.x + now.headR, now.head.y}, k));
  }
  return PersonFrame(w, h, hip, look, pose, false, props);
}

// Gundula's hand mirror, held up to her face.
Canvas HandMirror(int w, int h, Point2 hand, bool flash) {
  Canvas c(w, h);
  c.FillCapsule(hand.x, hand.y, hand.x + 1, hand.y - 4, 0.8, kBrown3);
  c.FillEllipse(static_cast<int>(hand.x) - 2, static_cast<int>(hand.y) - 10, 6, 7, kMoonShade);
  c.FillEllipse(static_cast<int>(hand.x) - 1, static_cast<int>(hand.y) - 9, 4, 5, flash ? kWhite : kBlue1);
  return c;
}

// Gundula: walking left 0-3, the mirror 4-13 (also her dangling), walking right 14-17.
Canvas GundulaFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Gundula();
  const int w = f.w, h = f.h;
  Props props;
  if (i <= 3 || i >= 14) {
    const bool left = i <= 3;
    const int k = static_cast<int>(left ? i : i - 14);
    const double hip = left ? StrideFoot(k, 4, 36, 21, true) : StrideFoot(k, 4, 15, 16, false);
    PersonPose pose = WalkPose(k / 4.0 + 0.125, left ? 0.7 : 0.5);
    const Joints j = FrameJoints(w, h, hip, look, pose, left);
    props.held.push_back(Box(w, h, {j.backHand.x, j.backHand.y + 4}, 8, 7, kBrown, kBrown3));  // handbag
    return PersonFrame(w, h, hip, look, pose, left, props);
  }
  const int k = static_cast<int>(i - 4);
  const double hip = w / 2.0;
  PersonPose pose = StandPose();
  const Joints j = FrameJoints(w, h, hip, look, pose, true);
  pose.frontArm = ArmReach(j, {j.head.x + 7, j.head.y + 3 - (k % 3)});
  pose.headTilt = (k % 4 == 1) ? 0.15 : (k % 4 == 3 ? -0.1 : 0.02);
  if (k >= 5 && k <= 7) pose.backArm = ArmReach(j, {j.head.x + 2, j.head.y + 3});  // powders her nose
  pose.mouthOpen = k == 8;
  const Joints now = FrameJoints(w, h, hip, look, pose, true);
  props.front.push_back(HandMirror(w, h, now.frontHand, k == 2 || k == 6));
  props.held.push_back(Box(w, h, {j.hip.x - 5, j.hip.y + 4}, 8, 7, kBrown, kBrown3));
  return PersonFrame(w, h, hip, look, pose, true, props);
}

// A cone of chips in one hand.
Canvas Chips(int w, int h, Point2 hand) {
  Canvas c(w, h);
  c.FillPolygon({{hand.x - 4, hand.y - 5}, {hand.x + 4, hand.y - 5}, {hand.x, hand.y + 4}}, kWhite);
  for (int n = 0; n < 4; ++n)
    c.VLine(static_cast<int>(hand.x) - 3 + 2 * n, static_cast<int>(hand.y) - 8 + n % 2,
            static_cast<int>(hand.y) - 5, kMoon);
  return c;
}

// Wendelin (43) and Ewald (49): walking left 0-3, the act 4-9 (also their
// dangling), walking right 10-13.
Canvas TurnerFrame(bool ewald, size_t i, const SpriteFrame& f) {
  const PersonLook look = ewald ? Ewald() : Wendelin();
  const int w = f.w, h = f.h;
  Props props;
  auto stick = [&](const Joints& j) {
    props.front.push_back(
        Rod(w, h, {j.frontHand.x + 1, j.frontHand.y}, {j.frontHand.x + 4, h - 2.0}, 0.9, kBrown3));
  };
  if (i <= 3 || i >= 10) {
    const bool left = i <= 3;
    const int k = static_cast<int>(left ? i : i - 10);
    const double hip = left ? StrideFoot(k, 4, 38, 15, true) : StrideFoot(k, 4, 18, 15, false);
    PersonPose pose = WalkPose(k / 4.0 + 0.125, ewald ? 0.6 : 0.55);
    const Joints j = FrameJoints(w, h, hip, look, pose, left);
    if (!ewald) {
      pose.frontArm = ArmReach(j, {j.hip.x + 9 + (k % 2) * 2, j.hip.y + 2});
      stick(FrameJoints(w, h, hip, look, pose, left));
    } else {
      pose.frontArm = ArmReach(j, {j.shoulder.x + 8, j.shoulder.y + 10});
      props.front.push_back(Chips(w, h, FrameJoints(w, h, hip, look, pose, left).frontHand));
    }
    return PersonFrame(w, h, hip, look, pose, left, props);
  }
  const int k = static_cast<int>(i - 4);
  const double hip = w / 2.0;
  PersonPose pose = StandPose();
  const Joints j = FrameJoints(w, h, hip, look, pose, true);
  if (!ewald) {
    // Leans on his stick, looks about, lifts his cap.
    pose.frontArm = ArmReach(j, {j.hip.x + 9, j.hip.y + 2});
    pose.headTilt = k % 3 == 1 ? 0.2 : (k % 3 == 2 ? -0.1 : 0);
    if (k == 3 || k == 4) pose.backArm = ArmReach(j, {j.head.x, j.head.y - j.headR - 2});
    stick(FrameJoints(w, h, hip, look, pose, true));
  } else {
    // Chips, one at a time.
    pose.frontArm = ArmReach(j, {j.shoulder.x + 8, j.shoulder.y + 10});
    const bool bite = k % 2 == 1;
    pose.backArm = ArmReach(
        j, bite ? Point2{j.head.x + j.headR, j.head.y + 3} : Point2{j.shoulder.x + 7, j.shoulder.y + 6});
    pose.mouthOpen = bite;
    pose.eyesClosed = k == 3;
    props.front.push_back(Chips(w, h, FrameJoints(w, h, hip, look, pose, true).frontHand));
  }
  return PersonFrame(w, h, hip, look, pose, true, props);
}

// Gustav: walking right 0-3.
Canvas Gustav47Frame(size_t i, const SpriteFrame& f) {
  const int k = static_cast<int>(i);
  PersonPose pose = WalkPose(k / 4.0 + 0.125, 0.75);
  pose.lean = 0.04;
  return PersonFrame(f.w, f.h, StrideFoot(k, 4, 20, 16, false), GustavLindtal(74), pose, false);
}

// Arno's tripod with the camera on top; folded, it rides on his shoulder.
Canvas Tripod(int w, int h, Point2 head, bool flash) {
  Canvas c(w, h);
  const double ground = h - 2.0;
  for (double dx : {-9.0, 0.0, 8.0})
    c.FillCapsule(head.x, head.y + 3, head.x + dx, ground, 0.8, dx == 0 ? kGrey5 : kGrey4);
  c.FillRect(static_cast<int>(head.x) - 5, static_cast<int>(head.y) - 4, 11, 7, kInk);
  c.FillRect(static_cast<int>(head.x) + 5, static_cast<int>(head.y) - 3, 3, 5, kGrey4);  // the lens
  if (flash) {
    c.FillCircle(head.x - 2, head.y - 7, 2.5, kWhite);
    c.FillCircle(head.x - 2, head.y - 7, 1.2, kMoonLight);
  }
  return c;
}

// Arno: walking left 0-3 with the tripod on his shoulder, photographing 4-11
// (5 and 6 double as his dangling), 12-15 standing.
Canvas ArnoFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Arno();
  const int w = f.w, h = f.h;
  Props props;
  if (i <= 3) {
    const int k = static_cast<int>(i);
    const double hip = StrideFoot(k, 4, 44, 16, true);
    PersonPose pose = WalkPose(k / 4.0 + 0.125, 0.8);
    const Joints j = FrameJoints(w, h, hip, look, pose, true);
    pose.frontArm = ArmReach(j, {j.shoulder.x + 4, j.shoulder.y - 2});
    const Point2 s{j.shoulder.x, j.shoulder.y - 1};
    props.behind.push_back(Rod(w, h, {s.x - 24, s.y + 14}, {s.x + 12, s.y - 4}, 1.2, kGrey4));
    props.front.push_back(Box(w, h, {s.x + 13, s.y - 5}, 8, 6, kInk, kGrey5));
    return PersonFrame(w, h, hip, look, pose, true, props);
  }
  const double hip = i <= 11 ? w - 22.0 : w / 2.0;
  PersonPose pose = StandPose();
  if (i <= 11) {
    const int k = static_cast<int>(i - 4);
    const Joints j = FrameJoints(w, h, hip, look, pose, true);
    const Point2 camera{j.head.x + 14, j.head.y + 2};
    const bool looking = k % 3 != 0;
    pose.lean = looking ? 0.22 : 0.05;
    pose.headTilt = looking ? -0.1 : 0.15;
    const Joints bent = FrameJoints(w, h, hip, look, pose, true);
    pose.frontArm = ArmReach(bent, {camera.x - 3, camera.y + 1});
    if (k % 4 == 2) pose.backArm = ArmReach(bent, {bent.head.x + 3, bent.head.y - bent.headR});
    props.behind.push_back(Tripod(w, h, camera, k == 1 || k == 5));
  }
  return PersonFrame(w, h, hip, look, pose, true, props);
}

}  // namespace

void AddLatePassersBy(ArtSet& set) {
  AddFigureSheet(set, "FIG036_00", kFig036Frames, ToniFrame);
  AddFigureSheet(set, "FIG040_00", kFig040Frames, GundulaFrame);
  AddFigureSheet(set, "FIG043_00", kFig043Frames,
                 [](size_t i, const SpriteFrame& f) { return TurnerFrame(false, i, f); });
  AddFigureSheet(set, "FIG047_00", kFig047Frames, Gustav47Frame);
  AddFigureSheet(set, "FIG049_00", kFig043Frames,
                 [](size_t i, const SpriteFrame& f) { return TurnerFrame(true, i, f); });
  AddFigureSheet(set, "FIG054_00", kFig054Frames, ArnoFrame);
}

}  // namespace art
