// The birthday messenger and the figures of the seasons: Fabiam Merk (35)
// in a party hat with balloons and a present, who unrolls his list of
// birthdays; Nikolaus (37) with his sack of presents; the Osterhase (38)
// with a basket of painted eggs; and the clown (39), who walks or juggles.
// Frame rectangles come from the program's headers.

#include <algorithm>
#include <cmath>
#include <span>

#include "../effects.h"
#include "../person.h"
#include "../sprite_sheet.h"
#include "cast_art.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig035_frames.h"
#include "scene/figures/fig037_frames.h"
#include "scene/figures/fig038_frames.h"
#include "scene/figures/fig039_frames.h"

namespace art {
namespace {

using namespace pal;

constexpr double kPi = 3.14159265358979323846;
constexpr Rgba kPink = Rgb(0xF7A8C8);
constexpr Rgba kPinkShade = Rgb(0xD9779F);
constexpr Rgba kPurple = Rgb(0x9A6AD8);

int I(double v) {
  return static_cast<int>(std::lround(v));
}

// ---- Fabiam Merk --------------------------------------------------------------

PersonLook Fabiam() {
  PersonLook l = Body(82, 1.0, kHair, {kGreen, kGreen3, kBrown, kBrown3, kBrown3});
  l.coatLength = 0.35;
  l.glasses = true;
  return l;
}

// A striped party hat sitting on the head.
Canvas PartyHat(int w, int h, const Joints& j, double tilt) {
  Canvas c(w, h);
  const double r = j.headR;
  const Point2 base{j.head.x - std::sin(tilt) * r * 0.7, j.head.y - r * 0.8};
  const Point2 tip{base.x + 3 - tilt * 10, base.y - r * 1.9};
  c.FillPolygon({{base.x - r * 0.75, base.y + 1}, {base.x + r * 0.75, base.y + 1}, {tip.x, tip.y}}, kBlue);
  for (int k = 1; k <= 2; ++k) {
    const double t = k / 3.0;
    const Point2 a{base.x - r * 0.75 * (1 - t) + (tip.x - base.x) * t, base.y + (tip.y - base.y) * t};
    const Point2 b{base.x + r * 0.75 * (1 - t) + (tip.x - base.x) * t, a.y};
    c.FillCapsule(a.x + 1, a.y, b.x - 1, b.y, 0.7, kMoon);
  }
  c.FillCircle(tip.x, tip.y, 1.8, kRed);
  return c;
}

// Three balloons on thin strings from `hand`, bobbing a little with
// `phase`, behind `person`: the balloons are outlined, the strings are not.
Canvas WithBalloons(const Canvas& person, Point2 hand, double phase) {
  const int w = person.Width(), h = person.Height();
  struct B {
    double dx, dy;
    Rgba colour, shade;
  } const balloons[] = {{-20, -50, kBlue, kBlue3}, {-9, -62, kRed, kRed3}, {4, -68, kMoon, kMoonShade}};
  Canvas heads(w, h), strings(w, h);
  for (const B& b : balloons) {
    const double bob = std::sin(phase * 2 * kPi + b.dx) * 1.5;
    const Point2 centre{hand.x + b.dx, std::max(12.0, hand.y + b.dy + bob)};
    for (int i = 0; i <= 24; ++i) {  // slightly curved
      const double t = i / 24.0;
      strings.Set(I(hand.x + (centre.x - hand.x) * t + std::sin(t * kPi) * 2),
                  I(hand.y + (centre.y + 9 - hand.y) * t), kGrey4);
    }
    heads.FillEllipse(I(centre.x - 7), I(centre.y - 9), 14, 17, b.colour);
    for (int y = I(centre.y); y < I(centre.y + 9); ++y)
      for (int x = I(centre.x + 1); x < I(centre.x + 8); ++x)
        if (heads.Get(x, y) == b.colour) heads.Set(x, y, b.shade);
    heads.Set(I(centre.x - 3), I(centre.y - 5), kWhite);
    heads.Set(I(centre.x - 3), I(centre.y - 4), kWhite);
    heads.FillPolygon(
        {{centre.x - 1.5, centre.y + 10}, {centre.x + 1.5, centre.y + 10}, {centre.x, centre.y + 7}},
        b.shade);
  }
  Canvas out = Compose(w, h, {heads}, kInk);
  out.Draw(strings, 0, 0);
  out.Draw(person, 0, 0);
  return out;
}

// A wrapped present with a ribbon, its centre at `at`.
Canvas Present(int w, int h, Point2 at, double size, Rgba paper, Rgba ribbon) {
  Canvas c(w, h);
  const int s = I(size), x = I(at.x - size / 2), y = I(at.y - size / 2);
  c.FillRect(x, y, s, s, paper);
  c.FillRect(x + s / 2 - 1, y, 2, s, ribbon);
  c.FillRect(x, y + s / 2 - 1, s, 2, ribbon);
  c.FillCircle(at.x - 2, y - 1, 1.8, ribbon);
  c.FillCircle(at.x + 2, y - 1, 1.8, ribbon);
  return c;
}

// The birthday list: a paper scroll between two hands, unrolled `open` wide.
Canvas Scroll(int w, int h, Point2 left, double open) {
  Canvas c(w, h);
  const double top = left.y - 14, bottom = left.y + 10;
  c.FillRect(I(left.x), I(top), I(open), I(bottom - top), kGrey1);
  for (double y = top + 4; y < bottom - 2; y += 4)  // lines of writing
    c.HLine(I(left.x + 3), I(left.x + open - 4 - std::fmod(y * 7, 9)), I(y), kGrey3);
  c.FillRoundRect(I(left.x - 2), I(top - 2), 4, I(bottom - top + 4), 2, kMoonShade);
  c.FillRoundRect(I(left.x + open - 2), I(top - 2), 4, I(bottom - top + 4), 2, kMoonShade);
  return c;
}

constexpr double kFabiamFoot = 44;  // his feet from the left edge of every frame

Canvas FabiamFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Fabiam();
  const int w = f.w, h = f.h;
  PersonPose pose;
  std::vector<Canvas> held, front;
  Point2 balloonHand;
  double phase;
  if (i < kFig035WalkFrames) {
    pose = WalkPose(i / 4.0 + 0.125, 0.8);
    pose.lean = 0.04;
    Joints j = PersonJoints(kFabiamFoot, h - 1.5, look, pose);
    pose.backArm = ArmReach(j, {j.shoulder.x - 9, j.shoulder.y + 6 - (i % 2)});
    pose.frontArm = ArmReach(j, {j.shoulder.x + 10, j.shoulder.y + 13});
    j = PersonJoints(kFabiamFoot, h - 1.5, look, pose);
    balloonHand = j.backHand;
    phase = i / 4.0;
    held.push_back(Present(w, h, {j.frontHand.x + 3, j.frontHand.y - 2}, 11, kRed, kMoon));
    front.push_back(PartyHat(w, h, j, pose.headTilt));
  } else {
    // Standing: 4 holds the list rolled up, 5 unrolls it, 6 and 7 read it
    // out, 8 gives a cheer with the list raised.
    const int k = static_cast<int>(i - kFig035StandFirst);
    pose = StandPose();
    pose.headTilt = k == 8 - 4 ? 0.25 : -0.12;
    pose.mouthOpen = k == 2 || k == 4;
    Joints j = PersonJoints(kFabiamFoot, h - 1.5, look, pose);
    pose.backArm = ArmReach(j, {j.shoulder.x - 9, j.shoulder.y + 6});
    const double open = k == 0 ? 4 : k == 1 ? 40 : k == 4 ? 24 : 44 + (k % 2) * 4;
    const Point2 listAt{j.shoulder.x + 8, k == 4 ? j.head.y - 14 : j.shoulder.y + 12};
    pose.frontArm = ArmReach(j, listAt);
    j = PersonJoints(kFabiamFoot, h - 1.5, look, pose);
    balloonHand = j.backHand;
    phase = 0.2 * k;
    front.push_back(Scroll(w, h, {j.frontHand.x - 1, j.frontHand.y}, open));
    front.push_back(PartyHat(w, h, j, pose.headTilt));
    if (k == 4)  // confetti
      for (int n = 0; n < 14; ++n) {
        const Rgba colours[] = {kRed, kMoon, kBlue, kGreen1, kPink};
        Canvas bit(w, h);
        bit.FillRect(I(j.head.x + 8 + (n * 37) % 50), I(8 + (n * 23) % 28), 2, 2, colours[n % 5]);
        front.push_back(bit);
      }
  }
  return WithBalloons(DrawPerson(w, h, kFabiamFoot, look, pose, {}, held, front), balloonHand, phase);
}

// ---- Nikolaus -----------------------------------------------------------------

PersonLook Nikolaus() {
  PersonLook l = Body(72, 1.35, kWhite, {kRed, kRed3, kGrey5, kInk, kInk});
  l.beard = true;
  l.coatLength = 1.0;
  l.hat = HatStyle::kBeanie;
  l.hatColour = kRed;
  l.hatShade = kRed3;
  l.bigNose = true;
  l.noseColour = kRed1;
  return l;
}

// His white hat trim, pompom and a broad black belt with a gold buckle.
Canvas NikolausTrim(int w, int h, const Joints& j, const PersonLook& look) {
  Canvas c(w, h);
  const double r = j.headR;
  c.FillCapsule(j.head.x - r, j.head.y - r * 0.3, j.head.x + r * 0.9, j.head.y - r * 0.3, 1.6, kWhite);
  c.FillCircle(j.head.x - r * 0.9, j.head.y - r * 1.2, 2.6, kWhite);
  const double waist = j.hip.y - look.height * 0.03;
  c.FillRect(I(j.hip.x - look.height * 0.13), I(waist), I(look.height * 0.27), 3, kInk);
  c.FillRect(I(j.hip.x + 1), I(waist - 1), 4, 5, kMoon);
  c.FillRect(I(j.hip.x - look.height * 0.15), I(j.hip.y + look.height * 0.2), I(look.height * 0.32), 2,
             kWhite);
  return c;
}

// A bulging brown sack, its centre at `at`.
Canvas Sack(int w, int h, Point2 at, double r) {
  Canvas c(w, h);
  c.FillCircle(at.x, at.y, r, kBrown);
  c.FillCircle(at.x - r * 0.3, at.y + r * 0.3, r * 0.55, kBrown3);
  c.FillCircle(at.x - r * 0.1, at.y, r * 0.7, kBrown);
  c.FillCapsule(at.x + r * 0.3, at.y - r * 0.9, at.x + r * 0.6, at.y - r * 1.3, 2.2, kBrown);
  c.FillRect(I(at.x + r * 0.2), I(at.y - r * 0.95), 5, 2, kMoonShade);  // the cord
  return c;
}

constexpr double kNikolausFoot = 32;

Canvas NikolausFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = Nikolaus();
  const int w = f.w, h = f.h;
  PersonPose pose = StandPose();
  std::vector<Canvas> behind, held, front;
  if (i < kFig037WalkFrames) {
    pose = WalkPose(i / 4.0 + 0.125, 0.65);
    pose.lean = 0.08;
    Joints j = PersonJoints(kNikolausFoot, h - 1.5, look, pose);
    const Point2 sack{j.shoulder.x - 15, j.shoulder.y + 4 + (i % 2)};
    behind.push_back(Sack(w, h, sack, 12));
    pose.frontArm = ArmReach(j, {j.shoulder.x - 1, j.shoulder.y - 3});  // holds the sack over his shoulder
  } else if (i < kFig037ActFirst + kFig037ActFrames) {
    // The sack goes down beside him; he takes out a present, shows it,
    // holds it out and waves.
    const int k = static_cast<int>(i - kFig037ActFirst);
    Joints j = PersonJoints(kNikolausFoot, h - 1.5, look, pose);
    const Point2 sack{kNikolausFoot + 30, h - 13.0};
    behind.push_back(Sack(w, h, sack, 12));
    const Point2 hands[] = {{sack.x - 4, sack.y - 10},
                            {sack.x - 1, sack.y - 8},
                            {j.shoulder.x + 9, j.head.y - 2},
                            {j.shoulder.x + 20, j.shoulder.y + 6},
                            {j.shoulder.x + 14, j.head.y - 12}};
    pose.frontArm = ArmReach(j, hands[k]);
    pose.headTilt = k >= 2 ? 0.15 : -0.3;
    pose.mouthOpen = k == 2 || k == 4;
    pose.lean = k < 2 ? 0.15 : 0;
    j = PersonJoints(kNikolausFoot, h - 1.5, look, pose);
    if (k >= 1 && k <= 3)
      held.push_back(Present(w, h, {j.frontHand.x + 2, j.frontHand.y - 3}, 9, kBlue, kMoon));
    if (k == 4) pose.backArm = ArmReach(j, {j.hip.x - 6, j.hip.y - 8});
  } else {
    // Spare standing frames: he rings a little bell.
    const int k = static_cast<int>(i - 9);
    const Joints j = PersonJoints(kNikolausFoot, h - 1.5, look, pose);
    pose.frontArm = ArmReach(j, {j.shoulder.x + 10, j.shoulder.y - 4 - (k % 2) * 4});
    const Joints hand = PersonJoints(kNikolausFoot, h - 1.5, look, pose);
    Canvas bell(w, h);
    bell.FillPolygon({{hand.frontHand.x - 3, hand.frontHand.y + 8},
                      {hand.frontHand.x + 3, hand.frontHand.y + 8},
                      {hand.frontHand.x + 1.5, hand.frontHand.y + 2},
                      {hand.frontHand.x - 1.5, hand.frontHand.y + 2}},
                     kMoon);
    front.push_back(bell);
  }
  const Joints j = PersonJoints(kNikolausFoot, h - 1.5, look, pose);
  held.insert(held.begin(), NikolausTrim(w, h, j, look));
  return DrawPerson(w, h, kNikolausFoot, look, pose, behind, held, front);
}

// ---- Osterhase ----------------------------------------------------------------

constexpr Rgba kFur = Rgb(0xC89A6A);
constexpr Rgba kFurShade = Rgb(0x9A6F46);

struct HarePose {
  double lift = 0;         // how far the body is off the ground
  double stretch = 0;      // 0 crouched ... 1 stretched out in the air
  double upright = 0;      // 0 on all fours ... 1 sitting up
  double ear = 0;          // ear swing, radians backwards
  double paw = 0;          // front paw raised (0 down ... 1 up at the face)
  bool mouthOpen = false;  // a little smile shows
  bool eyesClosed = false;
  bool eggInPaw = false;
};

// An egg, its centre at `at`, with a zigzag band.
Canvas Egg(int w, int h, Point2 at, Rgba colour, Rgba band) {
  Canvas c(w, h);
  c.FillEllipse(I(at.x - 3), I(at.y - 4), 7, 9, colour);
  for (int x = I(at.x - 3); x <= I(at.x + 3); ++x) c.SetIfOpaque(x, I(at.y) + (x % 2), band);
  return c;
}

// A basket of eggs, its rim's centre at `rim`.
Canvas EggBasket(int w, int h, Point2 rim) {
  Canvas c(w, h);
  for (int i = 0; i <= 14; ++i) {
    const double a = kPi * i / 14;
    c.FillCircle(rim.x - std::cos(a) * 10, rim.y - std::sin(a) * 12, 0.9, kBrown3);  // handle
  }
  c.Draw(Egg(w, h, {rim.x - 5, rim.y - 2}, kRed, kMoon), 0, 0);
  c.Draw(Egg(w, h, {rim.x + 1, rim.y - 4}, kBlue1, kPink), 0, 0);
  c.Draw(Egg(w, h, {rim.x + 6, rim.y - 2}, kGreen1, kBlue), 0, 0);
  c.FillPolygon({{rim.x - 11, rim.y}, {rim.x + 11, rim.y}, {rim.x + 8, rim.y + 10}, {rim.x - 8, rim.y + 10}},
                kOrange);
  for (int y = I(rim.y + 2); y < I(rim.y + 10); y += 3) c.HLine(I(rim.x - 10), I(rim.x + 10), y, kBrown);
  for (int y = I(rim.y); y < I(rim.y + 10); ++y)
    for (int x = I(rim.x - 11); x <= I(rim.x + 11); ++x)
      if (c.Get(x, y) == kBrown && (x + y) % 4 == 0) c.Set(x, y, kOrange);
  return c;
}

// The hare facing right, his hind feet at (footX, bottom).
Canvas DrawHare(int w, int h, double footX, const HarePose& p, const std::vector<Canvas>& extra = {}) {
  const double ground = h - 2.0 - p.lift;
  const double bodyLen = 26 + p.stretch * 10;
  const double up = p.upright;
  // Body axis from the rump to the chest.
  const Point2 rump{footX + 4, ground - 14 + up * 2};
  const double angle = -0.25 - up * 1.05 + p.stretch * 0.15;  // radians above horizontal
  const Point2 chest{rump.x + std::cos(angle) * bodyLen, rump.y + std::sin(angle) * bodyLen};
  const Point2 head{chest.x + 7 - up * 3, chest.y - 9 - up * 3};
  Canvas back(w, h), body(w, h), haunch(w, h), headC(w, h), frontLeg(w, h), ears(w, h);
  // Ears behind the head, swinging back.
  for (int e = 0; e < 2; ++e) {
    const double a = -1.35 - p.ear - e * 0.28;
    const double len = 30 - e * 2;
    const Point2 root{head.x - 2 - e * 3, head.y - 6};
    const Point2 tip{root.x + std::cos(a) * len, root.y + std::sin(a) * len};
    ears.FillCapsule(root.x, root.y, tip.x, tip.y, 3.6, e ? kFurShade : kFur);
    if (!e) ears.FillCapsule(root.x, root.y - 2, tip.x + 0.5, tip.y + 3, 1.4, kPink);
  }
  // Hind leg: a big thigh and a long foot, stretched out backwards in the air.
  const Point2 thigh{rump.x + 6, std::min(rump.y + 4, ground - 8)};
  const Point2 heel{thigh.x - 10 - p.stretch * 14, ground - 1 + p.stretch * -6};
  back.FillEllipse(I(thigh.x - 11), I(thigh.y - 9), 20, 18, kFurShade);
  back.FillCapsule(heel.x, heel.y, heel.x + 15 - p.stretch * 6, ground - 1 + p.stretch * 3, 3, kFurShade);
  body.FillCapsule(rump.x, rump.y, chest.x, chest.y, 13 - up * 2, kFur);
  body.FillCircle(rump.x - 11 + up * 4, rump.y - 3 + up * 6, 5, kWhite);  // the tail
  body.FillCapsule(chest.x - 2, chest.y + 2, (rump.x + chest.x) / 2 + 2, (rump.y + chest.y) / 2 + 7, 7,
                   kGrey1);
  // Sitting up, a round haunch with the long foot flat in front of it.
  if (up > 0.5) {
    haunch.FillCapsule(thigh.x - 6, ground - 2, thigh.x + 16, ground - 2, 3, kFur);
    haunch.FillCircle(thigh.x + 16, ground - 2.5, 3, kGrey1);
    haunch.FillEllipse(I(thigh.x - 12), I(ground - 22), 24, 21, kFur);
    haunch.FillEllipse(I(thigh.x - 11), I(ground - 13), 16, 10, kFurShade);
    haunch.FillEllipse(I(thigh.x - 12), I(ground - 22), 24, 15, kFur);
  } else {
    body.FillEllipse(I(thigh.x - 10), I(thigh.y - 8), 18, 16, kFur);
    body.FillCapsule(thigh.x - 8 - p.stretch * 12, ground - 1 + p.stretch * -5, thigh.x + 9 - p.stretch * 12,
                     ground - 1 + p.stretch * -2, 3, kFur);
  }
  // Front leg: down to the ground, reaching forward in the hop, or a raised paw.
  const Point2 shoulder{chest.x - 1, chest.y + 6};
  Point2 paw;
  if (up > 0.5)
    paw = {shoulder.x + 6 + p.paw * 4, shoulder.y + 12 - p.paw * 20};
  else
    paw = {shoulder.x + 6 + p.stretch * 12, std::min(ground - 2, shoulder.y + 16 - p.stretch * 4)};
  frontLeg.FillCapsule(shoulder.x, shoulder.y, paw.x, paw.y, 3.3, kFur);
  frontLeg.FillCircle(paw.x + 1, paw.y, 3.4, kGrey1);
  if (p.eggInPaw) frontLeg.Draw(Egg(w, h, {paw.x + 3, paw.y - 5}, kMoon, kRed), 0, 0);
  // Head with muzzle, eye, nose and whiskers.
  headC.FillEllipse(I(head.x - 9), I(head.y - 9), 19, 17, kFur);
  headC.FillCircle(head.x + 7, head.y + 3, 5, kGrey1);
  headC.FillCircle(head.x + 11, head.y + 1, 1.6, kPinkShade);
  std::vector<Canvas> parts = {ears, back};
  parts.push_back(body);
  parts.push_back(haunch);
  parts.push_back(headC);
  parts.insert(parts.end(), extra.begin(), extra.end());
  parts.push_back(frontLeg);
  Canvas out = Compose(w, h, parts, kInk);
  const int ex = I(head.x + 3), ey = I(head.y - 3);
  out.Set(ex, ey, kInk);
  if (!p.eyesClosed) {
    out.Set(ex, ey - 1, kInk);
    out.Set(ex + 1, ey - 1, kWhite);
  }
  if (p.mouthOpen) out.Set(I(head.x + 9), I(head.y + 6), kRed3);
  for (int k = -1; k <= 1; ++k)
    out.Line(I(head.x + 12), I(head.y + 3), I(head.x + 16), I(head.y + 3 + k * 2), kGrey3);
  return out;
}

Canvas HareFrame(size_t i, const SpriteFrame& f) {
  const int w = f.w, h = f.h;
  HarePose p;
  constexpr double kFoot = 14;
  if (i < kFig038HopFrames) {
    // Crouch, push off, fly, land: the frames grow as he stretches out.
    const double stretch[] = {0.0, 0.5, 1.0, 0.6};
    const double lift[] = {0, 4, 12, 3};
    const double ear[] = {0.1, 0.4, 0.7, 0.2};
    p.stretch = stretch[i];
    p.lift = lift[i];
    p.ear = ear[i];
    return DrawHare(w, h, kFoot + p.stretch * 6, p);
  }
  // Sitting up (4); the act: he takes an egg from his basket, shows it
  // (6, 7), lays it down proudly (8) and twitches his ears (9).
  const int k = static_cast<int>(i - kFig038Sit);
  p.upright = 1;
  p.ear = k == 5 ? 0.45 : (k % 2) * 0.1;
  p.paw = k == 0 ? 0.0 : k == 1 ? 0.3 : k <= 3 ? 0.8 : 0.2;
  p.mouthOpen = k >= 2 && k <= 4;
  p.eyesClosed = k == 5;
  p.eggInPaw = k >= 2 && k <= 3;
  std::vector<Canvas> extra = {EggBasket(w, h, {86, h - 14.0})};
  if (k >= 4) extra.push_back(Egg(w, h, {68, h - 7.0}, kMoon, kRed));
  return DrawHare(w, h, kFoot + 12, p, extra);
}

// ---- Clown ----------------------------------------------------------------------

PersonLook ClownLook() {
  PersonLook l = Body(74, 1.25, kOrange, {kMoon, kMoonShade, kBlue, kBlue3, kRed});
  l.skin = kGrey1;
  l.skinShade = kGrey2;
  l.hat = HatStyle::kBeanie;
  l.hatColour = kGreen;
  l.hatShade = kGreen3;
  l.bigNose = true;
  l.noseColour = kRed;
  l.coatLength = 0.45;
  return l;
}

// Polka dots on the suit, a ruff and curls over the ears.
Canvas ClownDress(int w, int h, const Joints& j) {
  Canvas c(w, h);
  const double r = j.headR;
  for (int k = 0; k < 5; ++k)
    c.FillCircle(j.head.x - r - 1 + (k % 2) * 2, j.head.y - r * 0.2 + k * 2.2 - 3, 2.2, kOrange);
  c.FillEllipse(I(j.shoulder.x - 9), I(j.shoulder.y - 2), 19, 6, kWhite);
  const Rgba dots[] = {kRed, kBlue, kGreen};
  for (int k = 0; k < 5; ++k)
    c.FillCircle(j.hip.x - 4 + (k * 5) % 9, j.shoulder.y + 7 + k * 4, 1.3, dots[k % 3]);
  return c;
}

// Three juggling balls in the air above his hands.
Canvas Juggling(int w, int h, const Joints& j, int step) {
  Canvas c(w, h);
  const Rgba colours[] = {kRed, kBlue, kGreen1};
  const double cx = j.shoulder.x + 10, base = j.shoulder.y + 4;
  for (int b = 0; b < 3; ++b) {
    const double phase = (step + b * 4 / 3.0) / 4.0 * 2 * kPi;
    c.FillCircle(cx + std::cos(phase) * 9, base - 14 - std::fabs(std::sin(phase)) * 14, 2.6, colours[b]);
  }
  return c;
}

constexpr double kClownFoot = 30;

Canvas ClownFrame(size_t i, const SpriteFrame& f) {
  const PersonLook look = ClownLook();
  const int w = f.w, h = f.h;
  const bool juggle = i >= kFig039SetB;
  const int step = static_cast<int>(i % kFig039WalkFrames);
  PersonPose pose = WalkPose(step / 4.0 + 0.125, juggle ? 0.55 : 1.0);
  pose.bob = juggle ? 0 : (step % 2) * 2;
  pose.headTilt = juggle ? 0.3 : 0.05;
  pose.mouthOpen = step % 2 == 0;
  Joints j = PersonJoints(kClownFoot, h - 5.5, look, pose);
  std::vector<Canvas> front;
  if (juggle) {
    pose.frontArm = ArmReach(j, {j.shoulder.x + 14, j.shoulder.y + 4 - (step % 2) * 4});
    pose.backArm = ArmReach(j, {j.shoulder.x + 6, j.shoulder.y + 2 - ((step + 1) % 2) * 4});
    j = PersonJoints(kClownFoot, h - 5.5, look, pose);
    front.push_back(Juggling(w, h, j, step));
  } else {
    pose.frontArm = {pose.frontArm.upper * 1.6 - 0.4, pose.frontArm.lower * 1.6 - 0.6};  // big arm swing
  }
  Canvas person = DrawPerson(w, h - 4, kClownFoot, look, pose, {}, {ClownDress(w, h - 4, j)}, front);
  Canvas out(w, h);
  out.Draw(person, 0, 0);
  Canvas shoes(w, h);
  for (const Point2& foot : {j.frontFoot, j.backFoot})
    shoes.FillEllipse(I(foot.x - 4), I(foot.y + 1), 17, 6, foot.x == j.frontFoot.x ? kRed : kRed3);
  return Compose(w, h, {shoes, out}, kInk);
}

template <size_t N, class Draw>
void AddSheet(ArtSet& set, const char* name, const SpriteFrame (&frames)[N], Draw draw) {
  SpriteSheet sheet(FramesFrom(std::span<const SpriteFrame>(frames)));
  sheet.PutAll([&](size_t i, int, int) { return draw(i, frames[i]); });
  set.AddBitmap(name, sheet.Picture(), kSpriteKey, BmpDepth::kIndexed8);
}

}  // namespace

void AddSeasonalFigures(ArtSet& set) {
  AddSheet(set, "FIG035_00", kFig035Frames, FabiamFrame);
  AddSheet(set, "FIG037_00", kFig037Frames, NikolausFrame);
  AddSheet(set, "FIG038_00", kFig038Frames, HareFrame);
  AddSheet(set, "FIG039_00", kFig039Frames, ClownFrame);
}

}  // namespace art
