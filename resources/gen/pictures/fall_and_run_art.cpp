// Sprite sheets of Hilde Pruml (5), a stout lady with hat, handbag and
// umbrella who falls when she is dropped, and of Kuno Fessel (11), a jogger in
// a blue tracksuit.

#include <cmath>

#include "cast_art.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig005_frames.h"
#include "scene/figures/fig011_frames.h"

namespace art {
namespace {

using namespace pal;

constexpr double kPi = 3.14159265358979323846;

PersonLook Hilde() {
  PersonLook l = Body(86, 1.35, kGrey2, {Rgb(0x2E7F7A), Rgb(0x1F5955), kSkinShade, Rgb(0xB27A58), kInk});
  l.hair_ = HairStyle::kBun;
  l.coatLength = 1.0;
  l.hat = HatStyle::kBeanie;
  l.hatColour = kRed3;
  l.hatShade = kRed;
  l.glasses = true;
  return l;
}

PersonLook Kuno() {
  PersonLook l = Body(68, 1.0, kHairLight, {kBlue, kBlue3, kBlue, kBlue3, kWhite});
  l.hat = HatStyle::kCap;  // a sweatband, drawn over below
  l.hatColour = kRed;
  l.hatShade = kRed;
  return l;
}

// A closed umbrella along a line, or an open one above a hand.
Canvas Umbrella(int w, int h, Point2 hand, double open, double tilt) {
  Canvas c(w, h);
  if (open <= 0) {
    c.FillCapsule(hand.x, hand.y - 3, hand.x + 3, h - 2.0, 1.4, kInk);
    c.FillCapsule(hand.x + 0.5, hand.y + 4, hand.x + 2.5, h - 8.0, 2.2, kNight3);
    return c;
  }
  const Point2 top{hand.x + std::sin(tilt) * 13, hand.y - std::cos(tilt) * 13};
  c.FillCapsule(hand.x, hand.y, top.x, top.y, 0.8, kInk);
  const double r = 5 + 15 * open;
  std::vector<std::pair<double, double>> canopy;
  for (int n = 0; n <= 10; ++n) {
    const double a = tilt - kPi / 2 + kPi * n / 10;
    canopy.push_back({top.x + std::sin(a) * r, top.y - std::cos(a) * r * 0.55 + 6 * open});
  }
  canopy.push_back({top.x, top.y + 8 * open});
  c.FillPolygon(canopy, kNight3);
  for (int n = 1; n < 10; n += 3) {
    const double a = tilt - kPi / 2 + kPi * n / 10;
    c.Line(static_cast<int>(top.x), static_cast<int>(top.y), static_cast<int>(top.x + std::sin(a) * r),
           static_cast<int>(top.y - std::cos(a) * r * 0.55 + 6 * open), kNight2);
  }
  return c;
}

Canvas Handbag(int w, int h, Point2 hand) {
  return Box(w, h, {hand.x, hand.y + 5}, 10, 8, kRed3, Rgb(0x7A2024));
}

// Hilde: walking right 0-7, standing 8-18, her umbrella 19-28, her watch
// 29-38, indignant 39-47 (also lifted), falling 48, walking left 49-52,
// standing 53-68.
Canvas HildeFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Hilde();
  const int w = f.w, h = f.h;
  Props props;
  const bool walkRight = i <= 7, walkLeft = i >= 49 && i <= 52;
  if (walkRight || walkLeft) {
    const int k = static_cast<int>(walkRight ? i % 4 : i - 49);
    const double hip = walkRight ? StrideFoot(k, 4, 22, 21, false) : StrideFoot(k, 4, 42, 21, true);
    PersonPose pose = WalkPose(k / 4.0 + 0.125, 0.7);
    const Joints j = FrameJoints(w, h, hip, look, pose, walkLeft);
    if (walkRight && i >= 4) {  // swings her handbag
      props.held.push_back(Handbag(w, h, j.frontHand));
    } else {
      pose.frontArm = ArmReach(j, {j.hip.x + 9, j.hip.y + 4});
      props.front.push_back(Umbrella(w, h, FrameJoints(w, h, hip, look, pose, walkLeft).frontHand, 0, 0));
    }
    return PersonFrame(w, h, hip, look, pose, walkLeft, props);
  }
  const double hip = w / 2.0;
  PersonPose pose = StandPose();
  const Joints j = FrameJoints(w, h, hip, look, pose, false);
  if (i >= 19 && i <= 28) {
    const int k = static_cast<int>(i - 19);
    const double open[] = {0, 0.3, 0.6, 1, 1, 1, 1, 1, 0.6, 0.2};
    const double tilt = k >= 3 && k <= 7 ? -0.2 + 0.12 * std::sin(k * 1.6) : -0.15;
    pose.frontArm = ArmReach(j, {j.shoulder.x + 9, j.shoulder.y - 1});
    pose.headTilt = open[k] >= 1 ? 0.25 : 0.05;
    const Joints now = FrameJoints(w, h, hip, look, pose, false);
    props.front.push_back(Umbrella(w, h, now.frontHand, open[k], tilt));
    props.held.push_back(Handbag(w, h, now.backHand));
  } else if (i >= 29 && i <= 38) {
    const int k = static_cast<int>(i - 29);
    pose.frontArm = ArmReach(j, {j.shoulder.x + 9, j.shoulder.y + 6});
    pose.headTilt = k % 3 == 0 ? -0.35 : (k % 3 == 1 ? 0.1 : -0.1);
    if (k >= 5) pose.frontLeg = {0.25, 0.25 - (k % 2) * 0.35};  // taps her foot
    props.front.push_back(Umbrella(w, h, FrameJoints(w, h, hip, look, pose, false).backHand, 0, 0));
  } else if (i >= 39 && i <= 48) {
    const int k = static_cast<int>(i - 39);
    const double up = i == 48 ? 16 : 6 + (k % 3) * 4;
    pose.frontArm = ArmReach(j, {j.head.x + 10 + (k % 2) * 3, j.head.y - up + (k % 2) * 5});
    pose.backArm = ArmReach(j, {j.head.x - 9 - (k % 2) * 2, j.head.y - up + ((k + 1) % 2) * 5});
    pose.mouthOpen = true;
    pose.headTilt = 0.15;
    if (i == 48) {  // falling: legs apart, eyes shut
      pose.frontLeg = {0.5, 0.2};
      pose.backLeg = {-0.45, -0.7};
      pose.eyesClosed = true;
    } else if (k % 3 == 2) {
      pose.frontLeg = {0.3, 0.0};
    }
  } else {
    const double tilts[] = {0, 0.12, -0.12, 0, 0.2};
    pose.headTilt = tilts[i % 5];
    props.front.push_back(Umbrella(w, h, j.backHand, 0, 0));
    if (i % 4 == 1) props.held.push_back(Handbag(w, h, j.frontHand));
  }
  return PersonFrame(w, h, hip, look, pose, false, props);
}

// Drops of sweat flying off a runner's head.
Canvas Sweat(int w, int h, Point2 head, int seed) {
  Canvas c(w, h);
  for (int n = 0; n < 2; ++n)
    c.FillCircle(head.x - 8 - n * 4 - seed % 3, head.y - 4 + n * 3 + seed % 2, 1.0, kBlue1);
  return c;
}

PersonPose RunPose(double phase) {
  PersonPose p = WalkPose(phase, 1.5);
  const double arm = 0.5 * std::sin(2 * kPi * phase);
  p.frontArm = {-arm, -arm + 1.6};
  p.backArm = {arm, arm + 1.6};
  p.lean = 0.22;
  p.bob = std::abs(std::sin(2 * kPi * phase)) * 3;
  return p;
}

// The sweatband: the cap's colour band without its peak.
Canvas KunoFrameOf(int w, int h, double hip, PersonPose pose, const Props& props) {
  return PersonFrame(w, h, hip, Kuno(), pose, true, props);
}

// Kuno faces left with his hip 32 from the frame's left edge (his window
// moves with him): running 0-31, slowing 32-36 (a whistle at 33), out of
// breath 37-42, stretching 41-45, straightening 46-47, walking 48-55, wiping
// his brow as he walks 56-63.
Canvas KunoFrame(size_t i, const SpriteFrame& f) {
  const int w = f.w, h = f.h;
  constexpr double kHip = 32;
  const PersonLook look = Kuno();
  Props props;
  PersonPose pose = StandPose();
  if (i <= 31) {
    const int set = static_cast<int>(i / 4), k = static_cast<int>(i % 4);
    pose = RunPose(k / 4.0);
    pose.headTilt = (set % 3 - 1) * 0.08;
    pose.mouthOpen = set % 2 == 1;
    if (set >= 4) {
      const Joints j = FrameJoints(w, h, kHip, look, pose, true);
      props.front.push_back(Sweat(w, h, j.head, set + k));
    }
    return KunoFrameOf(w, h, kHip, pose, props);
  }
  const Joints j = FrameJoints(w, h, kHip, look, pose, true);
  if (i <= 36) {
    const int k = static_cast<int>(i - 32);
    if (k <= 1) pose = WalkPose(0.25 + k * 0.25, 0.9);
    if (k == 1 || k == 2) {  // two fingers in his mouth: a whistle
      pose.frontArm = ArmReach(j, {j.head.x + j.headR * 0.7, j.head.y + j.headR * 0.5});
      pose.headTilt = 0.2;
    } else if (k >= 3) {
      pose.frontArm = ArmReach(j, {j.shoulder.x + 8, j.shoulder.y + 6});  // his stopwatch
      pose.headTilt = -0.3;
    }
    pose.lean = 0.1;
  } else if (i <= 40) {  // hands on his knees
    const int k = static_cast<int>(i - 37);
    pose.lean = 0.75;
    pose.frontLeg = {0.25, 0.0};
    pose.backLeg = {-0.15, -0.1};
    pose.mouthOpen = k % 2 == 0;
    pose.headTilt = 0.5;
    pose.bob = -3;
    const Joints bent = FrameJoints(w, h, kHip, look, pose, true);
    pose.frontArm = ArmReach(bent, {bent.hip.x + 9, bent.hip.y + 9 + (k % 2)});
    pose.backArm = ArmReach(bent, {bent.hip.x + 7, bent.hip.y + 10});
  } else if (i <= 45) {  // a lunge, then arms up
    const int k = static_cast<int>(i - 41);
    pose.frontLeg = {0.7, 0.0};
    pose.backLeg = {-0.55, -0.55};
    pose.bob = -4 - (k % 2) * 2;
    const Joints low = FrameJoints(w, h, kHip, look, pose, true);
    pose.frontArm = ArmReach(low, {low.head.x + 5 + k, low.head.y - 12 + (k % 2) * 3});
    pose.backArm = ArmReach(low, {low.head.x - 4 - k, low.head.y - 12});
    pose.mouthOpen = k == 2;
  } else if (i <= 47) {
    pose.lean = i == 46 ? 0.3 : 0.0;
    pose.headTilt = 0.1;
  } else {
    const int k = static_cast<int>(i - 48) % 4;
    const bool wipe = i >= 56;
    const double hip = StrideFoot(k, 4, kHip + 4, 15, true);
    pose = WalkPose(k / 4.0 + 0.125, 0.8);
    pose.headTilt = (i / 4) % 2 ? 0.1 : -0.05;
    const Joints walk = FrameJoints(w, h, hip, look, pose, true);
    if (wipe) pose.frontArm = ArmReach(walk, {walk.head.x + 2, walk.head.y - walk.headR + 1});
    if (wipe || i >= 52) pose.mouthOpen = k % 2 == 0;
    return KunoFrameOf(w, h, hip, pose, props);
  }
  return KunoFrameOf(w, h, kHip, pose, props);
}

}  // namespace

void AddFallAndRun(ArtSet& set) {
  AddFigureSheet(set, "FIG005_00", kFig005Frames, HildeFrame);
  AddFigureSheet(set, "FIG011_00", kFig011Frames, KunoFrame);
}

}  // namespace art
