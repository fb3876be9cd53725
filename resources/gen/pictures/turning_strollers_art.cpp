// Sprite sheets of the strollers who turn: Mira Tolle (3) in her orange
// jacket, Jonas V. (20) with his yo-yo, Emil Dorsch (31) with pipe and
// newspaper, and Lorenz M. (34), a businessman in a hurry.

#include <cmath>

#include "cast_art.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig003_frames.h"
#include "scene/figures/fig020_frames.h"
#include "scene/figures/fig031_frames.h"
#include "scene/figures/fig034_frames.h"

namespace art {
namespace {

using namespace pal;

PersonLook Mira() {
  PersonLook l = Body(66, 0.9, kHair, {kOrange, Rgb(0xC0641E), kBlue3, kNight3, kRed3});
  l.hair_ = HairStyle::kPonytail;
  return l;
}

PersonLook Jonas() {
  PersonLook l = Body(54, 0.95, kHairLight, {kGreen, kGreen3, kBlue, kBlue3, kWhite});
  l.hat = HatStyle::kCap;
  l.hatColour = kRed;
  l.hatShade = kRed3;
  return l;
}

PersonLook Emil() {
  PersonLook l = Body(84, 1.15, kGrey2, {kBrown, kBrown3, kGrey4, kGrey5, kBrown3});
  l.coatLength = 0.9;
  l.hat = HatStyle::kCap;
  l.hatColour = kGrey3;
  l.hatShade = kGrey4;
  l.stoop = 0.06;
  return l;
}

PersonLook Lorenz() {
  PersonLook l = Body(70, 0.95, Rgb(0x2B2020), {kGrey5, Rgb(0x30333F), kGrey5, Rgb(0x30333F), kInk});
  l.glasses = true;
  return l;
}

PersonPose ArmsUp(const Joints& j, double wave, double rise = 12) {
  PersonPose p = StandPose();
  p.frontArm = ArmReach(j, {j.head.x + 6 + wave, j.head.y - rise - wave});
  p.backArm = ArmReach(j, {j.head.x - 5 - wave, j.head.y - rise + wave});
  return p;
}

// Mira: walking right 0-3, standing 4-24 (stretching 5-9, her watch 10-14,
// a wave 15-17, a tapping foot 18-20), walking left 25-28.
Canvas MiraFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Mira();
  constexpr int kFeet = 72;  // drawn 2 rows down in her window
  const bool walkRight = i <= 3, walkLeft = i >= 25;
  if (walkRight || walkLeft) {
    const int k = static_cast<int>(walkRight ? i : i - 25);
    const double hip = walkRight ? StrideFoot(k, 4, 17, 21, false) : StrideFoot(k, 4, 36, 21, true);
    PersonPose pose = WalkPose(k / 4.0 + 0.125, 0.85);
    pose.lean = 0.04;
    return PersonFrame(f.w, f.h, hip, look, pose, walkLeft, {}, kFeet);
  }
  const double hip = f.w / 2.0;
  const Joints j = FrameJoints(f.w, f.h, hip, look, StandPose(), false, kFeet);
  PersonPose pose = StandPose();
  const int k = static_cast<int>(i);
  if (k >= 5 && k <= 9) {
    pose = ArmsUp(j, (k % 2) * 2.0, 3);
    pose.mouthOpen = k == 7;
    pose.headTilt = 0.2;
  } else if (k >= 10 && k <= 14) {
    pose.frontArm = ArmReach(j, {j.shoulder.x + 7, j.shoulder.y + 6});
    pose.headTilt = k == 10 || k == 14 ? -0.1 : -0.35;
  } else if (k >= 15 && k <= 17) {
    pose.frontArm = ArmReach(j, {j.head.x + 8 + (k % 2) * 4, j.head.y - 10});
    pose.mouthOpen = true;
  } else if (k >= 18 && k <= 20) {
    pose.frontLeg = {0.3, 0.3 - (k % 2) * 0.35};
    pose.headTilt = 0.1;
  } else {
    const double tilts[] = {0, 0.15, -0.1, 0.05, 0};
    pose.headTilt = tilts[k % 5];
    if (k == 22) pose.backArm = ArmReach(j, {j.head.x - 3, j.head.y - j.headR});  // her ponytail
  }
  return PersonFrame(f.w, f.h, hip, look, pose, false, {}, kFeet);
}

// Jonas: walking left 0-3, right 4-7, standing 8-13, the yo-yo 14-26, lifted 28-31.
Canvas JonasFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Jonas();
  if (i <= 7) {
    const bool left = i <= 3;
    const int k = static_cast<int>(left ? i : i - 4);
    const double hip = left ? StrideFoot(k, 4, 35, 17, true) : StrideFoot(k, 4, 16, 17, false);
    PersonPose pose = WalkPose(k / 4.0 + 0.125, 0.95);
    pose.bob = (k % 2) * 1.0;
    return PersonFrame(f.w, f.h, hip, look, pose, left);
  }
  const double hip = 22;
  const Joints j = FrameJoints(f.w, f.h, hip, look, StandPose(), false);
  PersonPose pose = StandPose();
  Props props;
  if (i >= 8 && i <= 13) {
    pose.bob = (i % 3 == 1) ? 1.5 : 0;  // rocks on his heels
    pose.headTilt = i == 10 ? 0.2 : (i == 12 ? -0.15 : 0);
  } else if (i >= 14 && i <= 26) {
    const double drops[] = {1, 5, 9, 13, 17, 21, 24, 24, 20, 15, 10, 5, 1};
    const double drop = drops[i - 14];
    const Point2 hand{j.shoulder.x + 9, j.shoulder.y + 8 + (drop > 20 ? 2 : 0)};
    pose.frontArm = ArmReach(j, hand);
    pose.headTilt = -0.2 - drop / 80;
    const Joints after = FrameJoints(f.w, f.h, hip, look, pose, false);
    Canvas yoyo(f.w, f.h);
    yoyo.Line(static_cast<int>(after.frontHand.x), static_cast<int>(after.frontHand.y),
              static_cast<int>(after.frontHand.x), static_cast<int>(after.frontHand.y + drop), kInk);
    yoyo.FillCircle(after.frontHand.x + 0.5, after.frontHand.y + drop + 2.5, 2.6, kRed);
    yoyo.Set(static_cast<int>(after.frontHand.x), static_cast<int>(after.frontHand.y + drop + 2), kWhite);
    props.front.push_back(yoyo);
  } else if (i >= 28) {
    pose = ArmsUp(j, (i % 2) * 3.0);
    pose.mouthOpen = true;
    pose.frontLeg = {0.35 - 0.3 * (i % 2), 0.1};
    pose.backLeg = {-0.3 + 0.3 * (i % 2), -0.5};
  }
  return PersonFrame(f.w, f.h, hip, look, pose, false, props);
}

// Emil's pipe, drawn over the finished frame without an outline (an
// outlined stem would read as a beak), and a little smoke.
struct PipeSmoke {
  Canvas pipe;
};
void Pipe(Props& props, PipeSmoke& out, int w, int h, const Joints& j, int puff) {
  const Point2 mouth{j.head.x + j.headR * 0.6, j.head.y + j.headR * 0.5};
  out.pipe = Canvas(w, h);
  out.pipe.FillCapsule(mouth.x, mouth.y, mouth.x + 5, mouth.y + 2, 0.7, kInk);
  out.pipe.FillRect(static_cast<int>(mouth.x + 4), static_cast<int>(mouth.y - 2), 3, 5, kBrown3);
  out.pipe.Set(static_cast<int>(mouth.x + 5), static_cast<int>(mouth.y - 2), kOrange);  // embers
  if (puff > 0)
    props.front.push_back(Puff(w, h, {mouth.x + 7, mouth.y - 4 - puff * 2.0}, 1.5 + puff * 0.6, puff));
}

Canvas WithPipe(Canvas frame, const PipeSmoke& smoke, bool faceLeft) {
  frame.Draw(faceLeft ? smoke.pipe.MirroredX() : smoke.pipe, 0, 0);
  return frame;
}

// The newspaper held open in front of him, or folded under his arm.
Canvas Newspaper(int w, int h, Point2 centre, double pw, double ph, bool page) {
  Canvas c(w, h);
  const int x = static_cast<int>(centre.x - pw / 2), y = static_cast<int>(centre.y - ph / 2);
  c.FillRect(x, y, static_cast<int>(pw), static_cast<int>(ph), kGrey1);
  for (int row = y + 3; row < y + ph - 2; row += 3)
    c.HLine(x + 2, x + static_cast<int>(pw) - 3, row, (row / 3) % 4 ? kGrey3 : kGrey4);
  c.VLine(x + static_cast<int>(pw / 2), y, y + static_cast<int>(ph) - 1, kGrey2);
  if (page) c.FillRect(x + 2, y + 2, static_cast<int>(pw / 2) - 3, 6, kGrey4);
  return c;
}

// Emil: walking right 0-14 (variants 0, 5, 10), standing 15-19, the pipe
// 20-29, spare standing 30-48, the newspaper 49-64, walking left 65-74.
Canvas EmilFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Emil();
  const int w = f.w, h = f.h;
  Props props;
  PipeSmoke smoke;
  const bool walkRight = i <= 14 && i % 5 != 4, walkLeft = i >= 65 && i <= 74;
  if (walkRight || walkLeft) {
    const int variant = walkRight ? static_cast<int>(i / 5) : static_cast<int>((i - 65) / 5);
    const int k = walkRight ? static_cast<int>(i % 5) : static_cast<int>((i - 65) % 5);
    const int n = walkRight ? 4 : 5;
    const double hip = walkRight ? StrideFoot(k, n, 15, 18, false) : StrideFoot(k, n, 31, 16, true);
    PersonPose pose = WalkPose(static_cast<double>(k) / n + 0.1, 0.6);
    const Joints j = FrameJoints(w, h, hip, look, pose, walkLeft);
    if (variant == 1) {  // hands behind his back
      pose.frontArm = ArmReach(j, {j.hip.x - 7, j.hip.y - 3});
      pose.backArm = ArmReach(j, {j.hip.x - 8, j.hip.y - 4});
    }
    if (variant == 2 && walkRight) pose.headTilt = -0.3;
    if (variant == 1 && walkLeft) {  // the newspaper under his arm
      pose.frontArm = ArmReach(j, {j.shoulder.x + 4, j.shoulder.y + 10});
      props.held.push_back(Newspaper(w, h, {j.shoulder.x + 1, j.shoulder.y + 11}, 6, 16, false));
    }
    Pipe(props, smoke, w, h, FrameJoints(w, h, hip, look, pose, walkLeft), 0);
    return WithPipe(PersonFrame(w, h, hip, look, pose, walkLeft, props), smoke, walkLeft);
  }
  const double hip = w / 2.0;
  PersonPose pose = StandPose();
  const Joints j = FrameJoints(w, h, hip, look, pose, false);
  if (i >= 20 && i <= 29) {
    const int k = static_cast<int>(i - 20);
    pose.frontArm = ArmReach(j, {j.head.x + j.headR + 4, j.head.y + j.headR * 0.8});
    pose.headTilt = k % 3 == 1 ? 0.15 : 0.05;
    pose.eyesClosed = k % 4 == 2;
    Pipe(props, smoke, w, h, FrameJoints(w, h, hip, look, pose, false), k % 4 + (k >= 4 ? 1 : 0));
  } else if (i >= 49 && i <= 64) {
    const int k = static_cast<int>(i - 49);
    const bool open = k >= 4 && k <= 11;
    const double pw = open ? 30 : 14, ph = open ? 22 : 18;
    const Point2 centre{j.shoulder.x + (open ? 10 : 8), j.shoulder.y + 12};
    pose.frontArm = ArmReach(j, {centre.x + pw / 2 - 2, centre.y});
    pose.backArm = ArmReach(j, {centre.x - pw / 2 + 3, centre.y + 2});
    pose.headTilt = -0.25 + (k % 4 == 3 ? 0.15 : 0);
    props.held.push_back(Newspaper(w, h, centre, pw, ph, k == 7 || k == 8));
    Pipe(props, smoke, w, h, FrameJoints(w, h, hip, look, pose, false), 0);
  } else {
    const double tilts[] = {0, 0.12, 0, -0.12, 0.05};
    pose.headTilt = tilts[i % 5];
    if (i % 7 == 3) pose.frontArm = ArmReach(j, {j.head.x, j.head.y - j.headR});  // scratches his cap
    Pipe(props, smoke, w, h, FrameJoints(w, h, hip, look, pose, false), 0);
  }
  return WithPipe(PersonFrame(w, h, hip, look, pose, false, props), smoke, false);
}

// Lorenz's briefcase hangs from his back hand.
Canvas Briefcase(int w, int h, Point2 hand) {
  Canvas c = Box(w, h, {hand.x, hand.y + 6}, 14, 9, kBrown3, Rgb(0x3E2414));
  c.Line(static_cast<int>(hand.x) - 2, static_cast<int>(hand.y), static_cast<int>(hand.x) + 2,
         static_cast<int>(hand.y), kInk);
  return c;
}

// A red tie down the front of his shirt.
Canvas Tie(int w, int h, const Joints& j) {
  Canvas c(w, h);
  const double x = j.shoulder.x + 3, y = j.shoulder.y + 1;
  c.FillRect(static_cast<int>(x) - 1, static_cast<int>(y), 3, 2, kWhite);
  c.FillPolygon({{x - 1, y + 2}, {x + 1.5, y + 2}, {x + 1.5, y + 10}, {x, y + 12}, {x - 1, y + 10}}, kRed);
  return c;
}

// Lorenz: walking right 0-3 and left 4-7 in long strides, his watch 8-14,
// the phone 15-22.
Canvas LorenzFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Lorenz();
  const int w = f.w, h = f.h;
  Props props;
  if (i <= 7) {
    const bool left = i >= 4;
    const int k = static_cast<int>(left ? i - 4 : i);
    const double hip = left ? StrideFoot(k, 4, w - 1 - 26.0, 31, true) : StrideFoot(k, 4, 26, 31, false);
    PersonPose pose = WalkPose(k / 4.0 + 0.125, 1.25);
    pose.lean = 0.1;
    const Joints j = FrameJoints(w, h, hip, look, pose, left);
    props.behind.push_back(Briefcase(w, h, j.backHand));
    props.held.push_back(Tie(w, h, j));
    return PersonFrame(w, h, hip, look, pose, left, props);
  }
  const double hip = w / 2.0;
  PersonPose pose = StandPose();
  const Joints j = FrameJoints(w, h, hip, look, pose, false);
  const Joints still = j;
  if (i <= 14) {
    const int k = static_cast<int>(i - 8);
    if (k >= 1 && k <= 5) {
      pose.frontArm = ArmReach(j, {j.shoulder.x + 9, j.shoulder.y + 5});
      pose.headTilt = k == 3 ? 0.2 : -0.3;
    }
    if (k == 4 || k == 5) pose.frontLeg = {0.25, 0.25 - (k % 2) * 0.3};
    props.behind.push_back(Briefcase(w, h, FrameJoints(w, h, hip, look, pose, false).backHand));
  } else {
    const int k = static_cast<int>(i - 15);
    pose.frontArm = ArmReach(j, {j.head.x + 1, j.head.y + 2});
    pose.mouthOpen = k % 2 == 1;
    pose.headTilt = k % 3 == 2 ? 0.15 : 0;
    if (k >= 3) pose.backArm = ArmReach(j, {j.shoulder.x + 8 + (k % 2) * 3, j.shoulder.y + 2 - (k % 3) * 2});
    const Joints now = FrameJoints(w, h, hip, look, pose, false);
    props.front.push_back(Box(w, h, {now.frontHand.x + 1, now.frontHand.y - 2}, 3, 8, kInk, kGrey5));
    props.behind.push_back(Briefcase(w, h, {still.hip.x - 10, h - 10.0}));
  }
  props.held.push_back(Tie(w, h, FrameJoints(w, h, hip, look, pose, false)));
  return PersonFrame(w, h, hip, look, pose, false, props);
}

}  // namespace

void AddTurningStrollers(ArtSet& set) {
  AddFigureSheet(set, "FIG003_00", kFig003Frames, MiraFrame);
  AddFigureSheet(set, "FIG020_00", kFig020Frames, JonasFrame);
  AddFigureSheet(set, "FIG031_00", kFig031Frames, EmilFrame);
  AddFigureSheet(set, "FIG034_00", kFig034Frames, LorenzFrame);
}

}  // namespace art
