#include "person.h"

#include <algorithm>
#include <cmath>

#include "effects.h"
#include "pictures/palette.h"

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Metrics {
  double thigh, shin, torso, upperArm, foreArm, headR, legR, armR, bodyR, shoeR, shoeLen, neck;
};

Metrics MetricsOf(const PersonLook& look) {
  const double h = look.height;
  return {h * 0.235, h * 0.225, h * 0.28,
          h * 0.165, h * 0.155, h * 0.085,
          h * 0.043, h * 0.034, h * 0.1 * look.girth,
          h * 0.03,  h * 0.07,  h * 0.035};
}

Point2 Along(Point2 from, double angle, double length) {
  return {from.x + std::sin(angle) * length, from.y + std::cos(angle) * length};
}

struct Skeleton {
  Point2 hip, shoulder, head;
  Point2 frontKnee, frontAnkle, backKnee, backAnkle;
  Point2 frontElbow, frontHand, backElbow, backHand;
};

Skeleton Build(double footX, double footY, const PersonLook& look, const PersonPose& pose) {
  const Metrics m = MetricsOf(look);
  Skeleton s;
  s.hip = {footX, 0};
  s.frontKnee = Along(s.hip, pose.frontLeg.upper, m.thigh);
  s.frontAnkle = Along(s.frontKnee, pose.frontLeg.lower, m.shin);
  s.backKnee = Along(s.hip, pose.backLeg.upper, m.thigh);
  s.backAnkle = Along(s.backKnee, pose.backLeg.lower, m.shin);
  // The lower foot stands on the ground.
  const double lowest = std::max(s.frontAnkle.y, s.backAnkle.y);
  const double shift = footY - m.shoeR - lowest - pose.bob;
  for (Point2* p : {&s.hip, &s.frontKnee, &s.frontAnkle, &s.backKnee, &s.backAnkle}) p->y += shift;
  const double bend = pose.lean + look.stoop;
  s.shoulder = {s.hip.x + std::sin(bend) * m.torso, s.hip.y - std::cos(bend) * m.torso};
  const double neckBend = bend + look.stoop;
  s.head = {s.shoulder.x + std::sin(neckBend) * (m.neck + m.headR),
            s.shoulder.y - std::cos(neckBend) * (m.neck + m.headR)};
  const Point2 armRoot{s.shoulder.x, s.shoulder.y + m.armR};
  s.frontElbow = Along(armRoot, pose.frontArm.upper, m.upperArm);
  s.frontHand = Along(s.frontElbow, pose.frontArm.lower, m.foreArm);
  s.backElbow = Along(armRoot, pose.backArm.upper, m.upperArm);
  s.backHand = Along(s.backElbow, pose.backArm.lower, m.foreArm);
  return s;
}

void Segment(Canvas& c, Point2 a, Point2 b, double r, Rgba colour) {
  c.FillCapsule(a.x, a.y, b.x, b.y, r, colour);
}

void DrawLeg(Canvas& c, Point2 hip, Point2 knee, Point2 ankle, const Metrics& m, Rgba legs, Rgba shoes) {
  Segment(c, hip, knee, m.legR, legs);
  Segment(c, knee, ankle, m.legR * 0.9, legs);
  Segment(c, {ankle.x - m.shoeR * 0.3, ankle.y}, {ankle.x + m.shoeLen, ankle.y + m.shoeR * 0.3}, m.shoeR,
          shoes);
}

void DrawArm(Canvas& c, Point2 root, Point2 elbow, Point2 hand, const Metrics& m, Rgba sleeve, Rgba skin) {
  Segment(c, root, elbow, m.armR, sleeve);
  Segment(c, elbow, hand, m.armR * 0.9, sleeve);
  c.FillCircle(hand.x, hand.y, m.armR * 1.05, skin);
}

// Head offsets (dx, dy) turned back by the tilt, so features move with it.
Point2 Unturn(double dx, double dy, double tilt) {
  return {dx * std::cos(tilt) - dy * std::sin(tilt), dx * std::sin(tilt) + dy * std::cos(tilt)};
}
Point2 Turn(Point2 centre, double dx, double dy, double tilt) {
  return {centre.x + dx * std::cos(tilt) + dy * std::sin(tilt),
          centre.y - dx * std::sin(tilt) + dy * std::cos(tilt)};
}

void DrawHead(Canvas& c, const Skeleton& s, const PersonLook& look, const PersonPose& pose,
              const Metrics& m) {
  const Point2 h = s.head;
  const double r = m.headR, t = pose.headTilt;
  // Neck first, under the head.
  Segment(c, s.shoulder, h, m.armR * 0.9, look.skin);
  c.FillCircle(h.x, h.y, r, look.skin);
  const Point2 nose = Turn(h, r * 0.95, r * 0.12, t);
  if (look.bigNose)
    c.FillCircle(nose.x, nose.y, r * 0.38, look.noseColour);
  else
    c.FillCircle(nose.x, nose.y, r * 0.24, look.skin);
  if (look.hair_ == HairStyle::kBun) {
    const Point2 bun = Turn(h, -r * 0.75, -r * 0.75, t);
    c.FillCircle(bun.x, bun.y, r * 0.45, look.hair);
  }
  if (look.hair_ == HairStyle::kPonytail) {
    const Point2 a = Turn(h, -r * 0.8, -r * 0.45, t), b = Turn(h, -r * 1.55, r * 0.95, t);
    c.FillCapsule(a.x, a.y, b.x, b.y, r * 0.32, look.hair);
  }
  for (int y = static_cast<int>(h.y - r - 2); y <= static_cast<int>(h.y + r + 2); ++y)
    for (int x = static_cast<int>(h.x - r - 2); x <= static_cast<int>(h.x + r + 2); ++x) {
      const double dx0 = x + 0.5 - h.x, dy0 = y + 0.5 - h.y;
      if (dx0 * dx0 + dy0 * dy0 > r * r) continue;
      const Point2 d = Unturn(dx0, dy0, t);
      bool hair = false;
      switch (look.hair_) {
        case HairStyle::kBald:
          hair = d.x < -r * 0.45 && d.y > -r * 0.15 && d.y < r * 0.45;
          break;
        default:
          hair = d.y < -r * 0.38 || (d.x < -r * 0.42 && d.y < r * 0.3) || (d.y < -r * 0.1 && d.x < r * 0.1);
          break;
      }
      if (look.beard && d.y > r * 0.3 && d.x > -r * 0.4) hair = true;
      if (hair) c.Set(x, y, look.hair);
      bool hat = false;
      switch (look.hat) {
        case HatStyle::kCap:
        case HatStyle::kBeanie:
          hat = d.y < -r * 0.22;
          break;
        case HatStyle::kHeadscarf:
          hat = !(d.x > r * 0.1 && d.y > -r * 0.45 && d.y < r * 0.8);
          break;
        case HatStyle::kNone:
          break;
      }
      if (hat) c.Set(x, y, d.y < -r * 0.6 || d.x > 0 ? look.hatColour : look.hatShade);
    }
  if (look.hat == HatStyle::kCap) {
    const Point2 a = Turn(h, r * 0.2, -r * 0.32, t), b = Turn(h, r * 1.45, -r * 0.22, t);
    c.FillCapsule(a.x, a.y, b.x, b.y, std::max(0.8, r * 0.17), look.hatShade);
  }
  if (look.hat == HatStyle::kBeanie) {
    const Point2 p = Turn(h, -r * 0.1, -r * 1.1, t);
    c.FillCircle(p.x, p.y, r * 0.3, look.hatShade);
  }
  if (look.hat == HatStyle::kHeadscarf) {
    const Point2 k = Turn(h, -r * 0.3, r * 1.05, t);
    c.FillCircle(k.x, k.y, r * 0.3, look.hatShade);
  }
}

void DrawFace(Canvas& c, const Skeleton& s, const PersonLook& look, const PersonPose& pose,
              const Metrics& m) {
  const Point2 h = s.head;
  const double r = m.headR, t = pose.headTilt;
  const Point2 eye = Turn(h, r * 0.45, -r * 0.08, t);
  if (pose.eyesClosed) {
    c.Set(static_cast<int>(eye.x), static_cast<int>(eye.y), pal::kInk);
    c.Set(static_cast<int>(eye.x) - 1, static_cast<int>(eye.y), pal::kInk);
  } else {
    c.Set(static_cast<int>(eye.x), static_cast<int>(eye.y), pal::kInk);
    c.Set(static_cast<int>(eye.x), static_cast<int>(eye.y) - 1, pal::kInk);
  }
  if (look.glasses) {
    for (int dx = -2; dx <= 1; ++dx) {
      c.Set(static_cast<int>(eye.x) + dx, static_cast<int>(eye.y) - 2, pal::kGrey5);
      c.Set(static_cast<int>(eye.x) + dx, static_cast<int>(eye.y) + 1, pal::kGrey5);
    }
    c.Set(static_cast<int>(eye.x) - 2, static_cast<int>(eye.y) - 1, pal::kGrey5);
    c.Set(static_cast<int>(eye.x) - 2, static_cast<int>(eye.y), pal::kGrey5);
  }
  const Point2 mouth = Turn(h, r * 0.6, r * 0.52, t);
  c.Set(static_cast<int>(mouth.x), static_cast<int>(mouth.y), pal::kRed3);
  if (pose.mouthOpen) {
    c.Set(static_cast<int>(mouth.x) + 1, static_cast<int>(mouth.y), pal::kRed3);
    c.Set(static_cast<int>(mouth.x), static_cast<int>(mouth.y) + 1, pal::kRed3);
  }
  // Cheek shade below the eye gives the face some form.
  const Point2 cheek = Turn(h, r * 0.2, r * 0.35, t);
  c.SetIfOpaque(static_cast<int>(cheek.x), static_cast<int>(cheek.y), look.skinShade);
}

void DrawBody(Canvas& c, const Skeleton& s, const PersonLook& look, const Metrics& m) {
  const Point2 waist{s.hip.x, s.hip.y - m.bodyR * 0.4};
  c.FillCapsule(waist.x, waist.y, s.shoulder.x, s.shoulder.y + m.bodyR * 0.7, m.bodyR, look.top);
  // Light falls from the front: the back edge of the body is shaded.
  const double dx = s.shoulder.x - waist.x;
  for (int y = static_cast<int>(s.shoulder.y); y <= static_cast<int>(waist.y + m.bodyR); ++y) {
    const double f = (y - waist.y) / (s.shoulder.y - waist.y + 1e-9);
    const double cx = waist.x + dx * std::clamp(f, 0.0, 1.0);
    for (int x = static_cast<int>(cx - m.bodyR - 1); x < static_cast<int>(cx - m.bodyR * 0.45); ++x)
      if (c.Get(x, y) == look.top) c.Set(x, y, look.topShade);
  }
  if (look.hood) {
    const double r = m.headR * 0.62;
    c.FillCircle(s.shoulder.x - m.bodyR * 0.55, s.shoulder.y + r * 0.7, r, look.topShade);
  }
  const double length = look.skirt ? 0.55 : look.coatLength * 0.5;
  if (length > 0) {
    const double bottom = s.hip.y + look.height * length * 0.5;
    const Rgba colour = look.skirt ? look.skirtColour : look.top;
    const Rgba shade = look.skirt ? look.skirtShade : look.topShade;
    const double top = s.hip.y - m.bodyR * 0.5, halfTop = m.bodyR * 0.95, halfBottom = m.bodyR * 1.45;
    c.FillPolygon({{s.hip.x - halfTop, top},
                   {s.hip.x + halfTop, top},
                   {s.hip.x + halfBottom + 1, bottom},
                   {s.hip.x - halfBottom, bottom}},
                  colour);
    for (int y = static_cast<int>(top); y <= static_cast<int>(bottom); ++y)
      for (int x = static_cast<int>(s.hip.x - halfBottom - 1); x < static_cast<int>(s.hip.x - halfTop * 0.4);
           ++x)
        if (c.Get(x, y) == colour) c.Set(x, y, shade);
  }
}

}  // namespace

PersonPose WalkPose(double phase, double stride) {
  const double phi = 2 * kPi * phase;
  const double a = 0.42 * stride;
  PersonPose p;
  auto leg = [&](double f) {
    const double upper = a * std::sin(f);
    const double bend = 0.6 * stride * std::max(0.0, std::cos(f));
    return Limb{upper, upper - bend};
  };
  p.frontLeg = leg(phi);
  p.backLeg = leg(phi + kPi);
  const double arm = 0.38 * stride * std::sin(phi);
  p.frontArm = {-arm, -arm + 0.3};
  p.backArm = {arm, arm + 0.3};
  return p;
}

PersonPose StandPose() {
  PersonPose p;
  p.frontLeg = {0.06, 0.02};
  p.backLeg = {-0.06, -0.04};
  p.frontArm = {0.06, 0.12};
  p.backArm = {-0.05, 0.05};
  return p;
}

Joints PersonJoints(double footX, double footY, const PersonLook& look, const PersonPose& pose) {
  const Skeleton s = Build(footX, footY, look, pose);
  const Metrics m = MetricsOf(look);
  return {s.hip,       s.shoulder, s.head,
          s.frontHand, s.backHand, s.frontAnkle,
          s.backAnkle, m.headR,    {s.shoulder.x, s.shoulder.y + m.armR},
          m.upperArm,  m.foreArm};
}

Limb ArmReach(const Joints& j, Point2 target) {
  const double u = j.upperArm, l = j.foreArm;
  double dx = target.x - j.armRoot.x, dy = target.y - j.armRoot.y;
  double d = std::hypot(dx, dy);
  const double reach = u + l - 0.01;
  if (d > reach) {
    dx *= reach / d;
    dy *= reach / d;
    d = reach;
  }
  d = std::max(d, std::abs(u - l) + 0.01);
  const double base = std::atan2(dx, dy);
  const double inner = std::acos(std::clamp((u * u + d * d - l * l) / (2 * u * d), -1.0, 1.0));
  Limb best{};
  double bestY = -1e9;
  for (double sign : {1.0, -1.0}) {
    const double upper = base + sign * inner;
    const Point2 elbow = Along(j.armRoot, upper, u);
    if (elbow.y > bestY) {
      bestY = elbow.y;
      best = {upper, std::atan2(j.armRoot.x + dx - elbow.x, j.armRoot.y + dy - elbow.y)};
    }
  }
  return best;
}

Canvas DrawPerson(int w, int h, double footX, const PersonLook& look, const PersonPose& pose,
                  const std::vector<Canvas>& behind, const std::vector<Canvas>& held,
                  const std::vector<Canvas>& front) {
  const Metrics m = MetricsOf(look);
  const Skeleton s = Build(footX, h - 1.5, look, pose);
  const Point2 armRoot{s.shoulder.x, s.shoulder.y + m.armR};
  std::vector<Canvas> parts(behind.begin(), behind.end());
  Canvas backArm(w, h), backLeg(w, h), frontLeg(w, h), body(w, h), head(w, h), frontArm(w, h);
  DrawArm(backArm, armRoot, s.backElbow, s.backHand, m, look.topShade, look.skinShade);
  DrawLeg(backLeg, s.hip, s.backKnee, s.backAnkle, m, look.legsShade, look.shoes);
  DrawLeg(frontLeg, s.hip, s.frontKnee, s.frontAnkle, m, look.legs, look.shoes);
  DrawBody(body, s, look, m);
  DrawHead(head, s, look, pose, m);
  DrawArm(frontArm, armRoot, s.frontElbow, s.frontHand, m, look.top, look.skin);
  for (Canvas* part : {&backArm, &backLeg, &frontLeg, &body, &head}) parts.push_back(*part);
  parts.insert(parts.end(), held.begin(), held.end());
  parts.push_back(frontArm);
  parts.insert(parts.end(), front.begin(), front.end());
  Canvas out = Compose(w, h, parts, pal::kInk);
  DrawFace(out, s, look, pose, m);
  return out;
}

}  // namespace art
