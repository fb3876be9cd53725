// Konrad T. Plack, the billboard paster (figure 27): blue dungarees and a
// white cap, a paste bucket and a long-handled paste brush. He walks in with
// the brush on his shoulder, sets the bucket down, dips the brush, pastes the
// wall, slaps the new poster on, smooths it, tidies up and strolls off with
// the brush upright, now and then whistling.
//
// Where the billboard is in his frames: he arrives with his window at the
// wall's x - 55 and pastes at the wall's x - 25, so in the pasting frames the
// wall's poster field starts at x 26 and reaches from y -15 to y 112.

#include <algorithm>
#include <cmath>
#include <span>

#include "../person.h"
#include "../sprite_sheet.h"
#include "cast_art.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig027_frames.h"

namespace art {
namespace {

using namespace pal;

constexpr double kPi = 3.14159265358979323846;
constexpr int kLift = 4;  // his feet stand this far above the frame's bottom, on the wall's ground
constexpr int kH = kFig027Height - kLift;
constexpr double kGround = kH - 1.5;
constexpr int kFieldLeft = 26;         // the poster field in the pasting frames
constexpr double kBucketGroundX = 30;  // where the bucket stands while he pastes

PersonLook Konrad() {
  PersonLook l = Body(84, 1.1, kHair, {kBlue, kBlue3, kBlue3, kNight3, kBrown3});
  l.hat = HatStyle::kCap;
  l.hatColour = kWhite;
  l.hatShade = kGrey2;
  l.coatLength = 0.3;
  return l;
}

// The paste bucket: a grey pail, its top centre at `top`; with handle up
// (held) or lying back (standing on the ground).
Canvas Bucket(int w, int h, Point2 top, bool held) {
  Canvas c(w, h);
  const double half = 6.5, depth = 11;
  c.FillPolygon({{top.x - half, top.y},
                 {top.x + half, top.y},
                 {top.x + half - 1.5, top.y + depth},
                 {top.x - half + 1.5, top.y + depth}},
                kGrey3);
  c.FillRect(static_cast<int>(top.x - half + 2), static_cast<int>(top.y + 1), 2, static_cast<int>(depth) - 2,
             kGrey2);  // shine
  c.FillRect(static_cast<int>(top.x - half), static_cast<int>(top.y + 3), static_cast<int>(2 * half), 1,
             kGrey4);
  c.FillEllipse(static_cast<int>(top.x - half + 1), static_cast<int>(top.y - 1),
                static_cast<int>(2 * half - 1), 3,
                kWhite);  // paste
  for (int i = 0; i <= 12; ++i) {
    const double a = kPi * i / 12;
    const double rise = held ? 8 : 3;
    c.Set(static_cast<int>(top.x - std::cos(a) * half), static_cast<int>(top.y - std::sin(a) * rise), kGrey5);
  }
  return c;
}

// The brush: a pole from `grip` through to the head at `head`, the head a
// wooden block with pale bristles across the pole.
Canvas Brush(int w, int h, Point2 grip, Point2 head, bool wet) {
  Canvas c(w, h);
  const double dx = head.x - grip.x, dy = head.y - grip.y, len = std::hypot(dx, dy);
  const Point2 u{dx / len, dy / len}, n{-u.y, u.x};
  const Point2 tail{grip.x - u.x * 7, grip.y - u.y * 7};
  c.FillCapsule(tail.x, tail.y, head.x, head.y, 1.1, kBrown);
  auto quad = [&](double from, double to, double halfWidth, Rgba colour) {
    auto at = [&](double along, double across) {
      return std::pair<double, double>{head.x + u.x * along + n.x * across,
                                       head.y + u.y * along + n.y * across};
    };
    c.FillPolygon({at(from, -halfWidth), at(from, halfWidth), at(to, halfWidth), at(to, -halfWidth)}, colour);
  };
  quad(-1, 3, 6.5, kBrown3);
  quad(3, 6, 6, wet ? kGrey1 : kPath);
  if (wet) {
    const Point2 drip{head.x + u.x * 7, head.y + u.y * 7};
    c.Set(static_cast<int>(drip.x), static_cast<int>(drip.y) + 2, kWhite);
    c.Set(static_cast<int>(drip.x) + 2, static_cast<int>(drip.y) + 4, kWhite);
  }
  return c;
}

// The new poster as he presses it on: a sheet with a bold picture on it.
Canvas Sheet(int w, int h, int x, int y, int sw, int sh) {
  Canvas c(w, h);
  c.FillRect(x, y, sw, sh, kWhite);
  c.FillRect(x + 4, y + 4, sw - 8, sh / 2, kBlue1);
  c.FillCircle(x + sw * 0.7, y + sh * 0.25, sh * 0.12, kMoon);
  c.FillPolygon(
      {{x + 4.0, y + 4.0 + sh / 2}, {x + sw * 0.35, y + sh * 0.2}, {x + sw * 0.6, y + 4.0 + sh / 2}}, kGreen);
  for (int k = 0; k < 3; ++k)
    c.FillRect(x + 8, y + sh / 2 + 10 + k * 7, sw - 16 - k * 14, 3, k ? kGrey3 : kRed);
  // Still wet and creased at the top.
  for (int i = x; i < x + sw; i += 6) c.Set(i, y + 1, kGrey2);
  return c;
}

// A quaver beside his whistling mouth.
Canvas Note(int w, int h, Point2 at) {
  Canvas c(w, h);
  c.FillEllipse(static_cast<int>(at.x), static_cast<int>(at.y) + 5, 4, 3, kInk);
  c.VLine(static_cast<int>(at.x) + 3, static_cast<int>(at.y), static_cast<int>(at.y) + 6, kInk);
  c.Set(static_cast<int>(at.x) + 4, static_cast<int>(at.y) + 1, kInk);
  c.Set(static_cast<int>(at.x) + 5, static_cast<int>(at.y) + 2, kInk);
  return c;
}

// One frame: the person on a canvas kLift pixels shorter, then set on the frame.
struct Scene {
  double foot = 30;
  PersonPose pose = StandPose();
  std::vector<Canvas> behind, held, front;
};

Canvas Finish(const Scene& s, int w) {
  const Canvas person = DrawPerson(w, kH, s.foot, Konrad(), s.pose, s.behind, s.held, s.front);
  Canvas frame(w, kFig027Height);
  frame.Draw(person, 0, 0);
  return frame;
}

Joints JointsOf(const Scene& s) {
  return PersonJoints(s.foot, kGround, Konrad(), s.pose);
}

// The bucket hanging from the front hand.
void BucketInFrontHand(Scene& s, int w) {
  const Joints j = JointsOf(s);
  s.held.push_back(Bucket(w, kH, {j.frontHand.x, j.frontHand.y + 7}, true));
}

// Brush on the back shoulder, trailing behind and up.
void BrushOnShoulder(Scene& s, int w) {
  Joints j = JointsOf(s);
  const Point2 rest{j.shoulder.x + 3, j.shoulder.y - 3};
  s.pose.backArm = ArmReach(j, {rest.x + 6, rest.y + 1});
  s.behind.push_back(Brush(w, kH, {rest.x + 8, rest.y + 2}, {rest.x - 48, rest.y - 18}, false));
}

// Brush held in both hands with its head at `head`, the hands along the pole.
void BrushInHands(Scene& s, int w, Point2 head, bool wet, double gripAt = 0.62) {
  const Joints j = JointsOf(s);
  const Point2 root = j.armRoot;
  const Point2 grip{root.x + (head.x - root.x) * (1 - gripAt) + 6,
                    root.y + (head.y - root.y) * (1 - gripAt) + 14};
  const double dx = head.x - grip.x, dy = head.y - grip.y, len = std::hypot(dx, dy);
  const Point2 lower{grip.x - dx / len * 10, grip.y - dy / len * 10};
  s.pose.frontArm = ArmReach(j, grip);
  s.pose.backArm = ArmReach(j, lower);
  s.held.push_back(Brush(w, kH, lower, head, wet));
}

// Brush carried upright in the back hand, head on top, leaning back past
// his head.
void BrushUpright(Scene& s, int w, double sway) {
  Joints j = JointsOf(s);
  s.pose.backArm = ArmReach(j, {j.shoulder.x - 3, j.shoulder.y + 16});
  j = JointsOf(s);
  s.behind.push_back(
      Brush(w, kH, {j.backHand.x, j.backHand.y}, {j.backHand.x - 16 + sway, j.backHand.y - 56}, false));
}

// Brush held upright in the front hand, leaning forward clear of his face.
void BrushForward(Scene& s, int w) {
  Joints j = JointsOf(s);
  s.pose.frontArm = ArmReach(j, {j.shoulder.x + 9, j.shoulder.y + 17});
  j = JointsOf(s);
  s.held.push_back(Brush(w, kH, j.frontHand, {j.frontHand.x + 13, j.frontHand.y - 56}, false));
}

// The bucket hanging from the back hand, seen in front of his legs.
void BucketInBackHand(Scene& s, int w, double swing) {
  s.pose.backArm = {-0.06 + swing, 0.04};
  const Joints j = JointsOf(s);
  s.held.push_back(Bucket(w, kH, {j.backHand.x, j.backHand.y + 7}, true));
}

// The brush leant against the wall beside him.
void BrushAgainstWall(Scene& s, int w) {
  const double top = std::min(54.0, w - 10.0);
  s.behind.push_back(Brush(w, kH, {top - 12, kGround - 2}, {top, 46}, false));
}

// Bucket standing on the ground at x.
void BucketOnGround(Scene& s, int w, double x) {
  s.front.push_back(Bucket(w, kH, {x, kGround - 11}, false));
}

Canvas WalkIn(size_t i, int w) {
  Scene s;
  s.foot = w - 30;
  s.pose = WalkPose(i / 4.0 + 0.125, 0.85);
  s.pose.lean = 0.04;
  s.pose.frontArm = {0.12 + 0.05 * std::sin(i * kPi / 2), 0.05};
  BucketInFrontHand(s, w);
  BrushOnShoulder(s, w);
  return Finish(s, w);
}

Canvas Arrive(size_t k, int w) {
  Scene s;
  s.foot = 44;
  switch (k) {
    case 0:  // the last short step, the brush coming off the shoulder
    case 1: {
      s.pose = WalkPose(0.1 + 0.15 * k, 0.4);
      s.pose.frontArm = {0.12, 0.05};
      BucketInFrontHand(s, w);
      const Joints j = JointsOf(s);
      const Point2 head = k == 0 ? Point2{s.foot + 40, 36} : Point2{s.foot + 52, 62};
      s.pose.backArm = ArmReach(j, {j.shoulder.x + 6, j.shoulder.y + 6});
      const Joints after = JointsOf(s);
      s.behind.push_back(Brush(w, kH, after.backHand, head, false));
      break;
    }
    case 2: {  // bends down and sets the bucket on the ground
      s.pose = StandPose();
      s.pose.lean = 0.3;
      const Joints j = JointsOf(s);
      s.pose.frontArm = ArmReach(j, {60, kGround - 16});
      BucketOnGround(s, w, 60);
      BrushUpright(s, w, 0);
      break;
    }
    default: {  // dips the brush, stirs, lifts it dripping
      s.pose = StandPose();
      s.pose.lean = k == 4 ? 0.12 : 0.06;
      s.pose.headTilt = -0.25;
      const double depth = k == 5 ? 92 : 112;
      BrushInHands(s, w, {k == 4 ? 63.0 : 60.0, depth}, k == 5, 0.45);
      BucketOnGround(s, w, 60);
      break;
    }
  }
  return Finish(s, w);
}

// Where the brush head goes while he pastes: all on the poster field.
constexpr Point2 kPasteStrokes[] = {{38, 24}, {48, 44}, {40, 12}, {52, 60}, {50, 30}};

Canvas Paste(size_t k, int w) {
  Scene s;
  s.foot = 14;
  s.pose = StandPose();
  s.pose.headTilt = 0.35;
  if (k < 5) {
    const Point2 head = kPasteStrokes[k];
    s.pose.lean = -0.05 + 0.03 * (k % 2);
    BrushInHands(s, w, head, k == 0);
  } else if (k == 5) {
    // Lays the brush down across the bucket and lifts the rolled poster.
    Joints j = JointsOf(s);
    s.pose.frontArm = ArmReach(j, {j.shoulder.x + 18, j.shoulder.y - 22});
    s.pose.backArm = ArmReach(j, {j.shoulder.x + 8, j.shoulder.y - 8});
    j = JointsOf(s);
    const double dx = j.frontHand.x - j.backHand.x, dy = j.frontHand.y - j.backHand.y;
    const double len = std::hypot(dx, dy) + 1e-9;
    const Point2 a{j.backHand.x - dx / len * 6, j.backHand.y - dy / len * 6};
    const Point2 b{j.frontHand.x + dx / len * 12, j.frontHand.y + dy / len * 12};
    Canvas roll(w, kH);
    roll.FillCapsule(a.x, a.y, b.x, b.y, 3.5, kWhite);
    roll.FillCapsule(a.x, a.y, b.x, b.y, 1.2, kRed1);
    s.held.push_back(roll);
    s.behind.push_back(
        Brush(w, kH, {kBucketGroundX - 10, kGround - 2}, {kBucketGroundX + 14, kGround - 20}, true));
  } else {
    // Frame 16: the sheet goes up against the wall.
    const Joints j = JointsOf(s);
    s.pose.frontArm = ArmReach(j, {kFieldLeft + 4, 18});
    s.pose.backArm = ArmReach(j, {kFieldLeft + 2, 50});
    s.front.push_back(Sheet(w, kH, kFieldLeft + 2, 4, 96, 76));
  }
  if (k < 6) BucketOnGround(s, w, kBucketGroundX);
  return Finish(s, w);
}

Canvas Tidy(size_t k, int w) {
  Scene s;
  s.foot = 14;
  s.pose = StandPose();
  if (k < 6) {
    // Smooths the fresh poster from top to bottom.
    const Point2 head{36.0 + (k % 2) * 14, 16.0 + k * 8};
    s.pose.headTilt = 0.3 - k * 0.04;
    BrushInHands(s, w, head, false);
    BucketOnGround(s, w, kBucketGroundX);
  } else if (k == 6) {  // leans the brush on the wall and looks at his work
    s.pose.headTilt = 0.25;
    BrushAgainstWall(s, w);
    BucketOnGround(s, w, kBucketGroundX);
  } else if (k == 7 || k == 8) {  // wipes his brow
    const Joints j = JointsOf(s);
    s.pose.frontArm = ArmReach(j, {j.head.x + 3, j.head.y - j.headR + 2 + (k - 7)});
    s.pose.eyesClosed = k == 8;
    BrushAgainstWall(s, w);
    BucketOnGround(s, w, kBucketGroundX);
  } else if (k == 9) {  // a satisfied nod
    s.pose.headTilt = -0.2;
    s.pose.mouthOpen = true;
    BrushAgainstWall(s, w);
    BucketOnGround(s, w, kBucketGroundX);
  } else if (k == 10) {  // bends for the bucket
    s.pose.lean = 0.32;
    const Joints j = JointsOf(s);
    s.pose.frontArm = ArmReach(j, {kBucketGroundX, kGround - 16});
    BrushAgainstWall(s, w);
    BucketOnGround(s, w, kBucketGroundX);
  } else {  // brush and bucket in hand, ready to go
    if (k == 13) s.pose = WalkPose(0.9, 0.5);
    s.pose.headTilt = k == 12 ? 0.15 : 0;
    BucketInBackHand(s, w, 0);
    BrushForward(s, w);
  }
  return Finish(s, w);
}

// Spare poses (not shown by the scene): standing by his bucket, looking about.
Canvas Spare(size_t k, int w) {
  Scene s;
  s.foot = 22;
  s.pose = StandPose();
  s.pose.headTilt = std::sin(k * 0.7) * 0.3;
  s.pose.eyesClosed = k % 9 == 4;
  BrushForward(s, w);
  BucketOnGround(s, w, 44);
  return Finish(s, w);
}

Canvas WalkOff(size_t k, int w) {
  const bool whistling = k >= 4;
  const size_t step = k % 4;
  Scene s;
  s.foot = 20 + 8.0 * step;
  s.pose = WalkPose(step / 4.0 + 0.125, 0.85);
  if (whistling) {
    s.pose.headTilt = 0.18;
    s.pose.mouthOpen = true;
  }
  BucketInBackHand(s, w, 0.06 * std::sin(step * kPi / 2));
  BrushForward(s, w);
  if (whistling) {
    const Joints j = JointsOf(s);
    s.front.push_back(Note(w, kH, {j.head.x + 1, j.head.y - j.headR - 13 - (step % 2) * 3}));
  }
  return Finish(s, w);
}

Canvas PasterFrame(size_t i, int w) {
  const int n = static_cast<int>(i);
  if (n < kFig027ArriveFirst) return WalkIn(i, w);
  if (n < kFig027PasteFirst) return Arrive(i - kFig027ArriveFirst, w);
  if (n <= kFig027PasteLast) return Paste(i - kFig027PasteFirst, w);
  if (n <= kFig027FinishLast) return Tidy(i - kFig027FinishFirst, w);
  if (n < kFig027WalkOffFirst) return Spare(i - kFig027SpareFirst, w);
  return WalkOff(i - kFig027WalkOffFirst, w);
}

}  // namespace

void AddBillboardPaster(ArtSet& set) {
  SpriteSheet sheet(FramesFrom(std::span<const SpriteFrame>(kFig027Frames)));
  sheet.PutAll([](size_t i, int w, int) { return PasterFrame(i, w); });
  set.AddBitmap("FIG027_00", sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
}

}  // namespace art
