// Benno R. Kling, the street musician (figure 42): red beanie, beard, green
// waistcoat, and his guitar. Walking he carries it on his back, playing he
// strums it, taps his foot and sings, and notes rise from the strings.
//
// Walking, he moves 22 pixels inside each cycle of six frames, so the
// frames drawn at one x carry him along; standing to play, he keeps the
// place of the last walking frame.

#include <algorithm>
#include <cmath>
#include <span>

#include "../person.h"
#include "cast_art.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig042_frames.h"

namespace art {
namespace {

using namespace pal;

constexpr int kLift = 2;  // feet above the frame's bottom
constexpr int kH = kFig042Height - kLift;
constexpr double kGround = kH - 1.5;
constexpr double kWalkFoot = 20;  // facing right, first frame of a cycle
constexpr double kPlayFoot = 34;  // facing right, in a 72-pixel frame
constexpr int kDrawWidth = 80;    // left-facing frames are drawn this wide, then mirrored
// Facing left: the feet walk from 53 to 35 pixels from the frame's left edge
// and stand at 35 to play.
constexpr double kWalkLeftFoot = 53;
constexpr double kPlayLeftFoot = 35;
constexpr double kCycleMove = 22;

PersonLook Benno() {
  PersonLook l = Body(80, 1.05, kHair, {kGreen3, Rgb(0x1F5C2D), kNight3, kNight4, kBrown3});
  l.beard = true;
  l.hat = HatStyle::kBeanie;
  l.hatColour = kRed;
  l.hatShade = kRed3;
  return l;
}

constexpr Rgba kWoodLight = Rgb(0xE8A456);
constexpr Rgba kWood = Rgb(0xC07A34);
constexpr Rgba kWoodDark = Rgb(0x7A4A22);

// The guitar: body centre, neck direction (radians from pointing right,
// negative is up), size.
Canvas Guitar(int w, int h, Point2 body, double angle, double s = 1.0) {
  Canvas c(w, h);
  const double ux = std::cos(angle), uy = std::sin(angle);
  // Neck and head.
  const double nx = body.x + ux * 24 * s, ny = body.y + uy * 24 * s;
  c.FillCapsule(body.x + ux * 6 * s, body.y + uy * 6 * s, nx, ny, 1.3 * s, kWoodDark);
  c.FillCapsule(nx, ny, nx + ux * 3 * s, ny + uy * 3 * s, 1.8 * s, kInk);
  // Body: two bouts along the axis.
  const double bx = body.x - ux * 4 * s, by = body.y - uy * 4 * s;
  c.FillCircle(bx, by, 6.8 * s, kWoodDark);
  c.FillCircle(body.x + ux * 3 * s, body.y + uy * 3 * s, 5.2 * s, kWoodDark);
  c.FillCircle(bx, by, 5.9 * s, kWood);
  c.FillCircle(body.x + ux * 3 * s, body.y + uy * 3 * s, 4.3 * s, kWood);
  c.FillCircle(bx - 1.5, by - 1.5, 2.2 * s, kWoodLight);
  c.FillCircle(body.x, body.y, 1.8 * s, kInk);                           // sound hole
  c.Line(int(bx - ux * 4), int(by - uy * 4), int(nx), int(ny), kGrey1);  // strings
  return c;
}

// A quaver rising from the strings.
Canvas Note(int w, int h, Point2 at, Rgba colour) {
  Canvas c(w, h);
  c.FillEllipse(int(at.x), int(at.y), 4, 3, colour);
  c.VLine(int(at.x) + 3, int(at.y) - 7, int(at.y) + 1, colour);
  c.Line(int(at.x) + 3, int(at.y) - 7, int(at.x) + 6, int(at.y) - 4, colour);
  return c;
}

// Facing right at foot x `foot` in a frame w x h.
Canvas WalkFrame(int w, int k, int variant) {
  const PersonLook look = Benno();
  const double foot = kWalkFoot + kCycleMove * k / 6.0;
  PersonPose pose = WalkPose(k / 6.0 + (variant ? 0.5 : 0.0), 0.85);
  pose.lean = 0.04;
  if (variant) pose.headTilt = k % 3 == 0 ? 0.15 : 0.05;  // the second gait looks about
  const Joints j = PersonJoints(foot, kGround, look, pose);
  // The guitar hangs on his back, neck up over the shoulder.
  std::vector<Canvas> behind{Guitar(w, kH, {j.hip.x - 7, j.hip.y - 8}, -1.75 - (k % 2) * 0.04, 0.95)};
  pose.frontArm = ArmReach(j, {j.shoulder.x + 2, j.shoulder.y + 3});  // hand on the strap
  Canvas c(w, kFig042Height);
  c.Draw(DrawPerson(w, kH, foot, look, pose, behind), 0, 0);
  return c;
}

Canvas PlayFrame(int w, int k) {
  const PersonLook look = Benno();
  PersonPose pose = StandPose();
  const bool strumDown = k % 2 == 1;
  pose.mouthOpen = k % 4 == 1 || k % 4 == 2;
  pose.headTilt = (k % 4 == 2) ? 0.2 : (k % 4 == 3 ? -0.05 : 0.08);
  pose.eyesClosed = k % 7 == 3;
  if (k % 3 == 2) pose.frontLeg = {0.3, -0.1};  // taps his foot
  pose.bob = k % 2 ? 0 : 1;
  const Joints j = PersonJoints(kPlayFoot, kGround, look, pose);
  const Point2 body{j.hip.x + 3, j.hip.y - 6};
  const double angle = -0.55;
  pose.backArm = ArmReach(j, {body.x + std::cos(angle) * 19, body.y + std::sin(angle) * 19});  // fretting
  pose.frontArm = ArmReach(j, {body.x + 1, body.y + (strumDown ? 4 : -3)});                    // strumming
  std::vector<Canvas> held{Guitar(w, kH, body, angle)};
  std::vector<Canvas> front;
  if (k % 3 != 1) {
    const double rise = (k % 4) * 3;
    front.push_back(Note(w, kH, {body.x + 14 + (k % 2) * 4, body.y - 22 - rise}, k % 2 ? kBlue3 : kInk));
  }
  Canvas c(w, kFig042Height);
  c.Draw(DrawPerson(w, kH, kPlayFoot, look, pose, {}, held, front), 0, 0);
  return c;
}

// Draws a right-facing picture mirrored into a left-facing frame so that
// the feet stand `foot` pixels from its left edge.
Canvas MirroredAt(const Canvas& right, double rightFoot, int w, double foot) {
  Canvas c(w, kFig042Height);
  c.Draw(right.MirroredX(), int(std::lround(foot - (right.Width() - 1 - rightFoot))), 0);
  return c;
}

// Frames face right; left-facing ones are mirrored.
Canvas MusicianFrame(size_t i) {
  const SpriteFrame& f = kFig042Frames[i];
  const int index = static_cast<int>(i);
  if (index >= kFig042WalkRightFirst && index < kFig042PlayRightFirst) {
    const int k = index - kFig042WalkRightFirst;
    return WalkFrame(f.w, k % 6, k / 6);
  }
  if (index >= kFig042PlayRightFirst) return PlayFrame(f.w, index - kFig042PlayRightFirst);
  if (index >= kFig042PlayLeftFirst)
    return MirroredAt(PlayFrame(72, index - kFig042PlayLeftFirst + 1), kPlayFoot, f.w, kPlayLeftFoot);
  const int k = index % 6;
  return MirroredAt(WalkFrame(kDrawWidth, k, index / 6), kWalkFoot + kCycleMove * k / 6.0, f.w,
                    kWalkLeftFoot - kCycleMove * k / 6.0);
}

}  // namespace

void AddMusician(ArtSet& set) {
  // Two of the table's act frames (14 and 15) share two columns: each
  // leaves the columns another frame covers empty, so neither shows a
  // piece of the other.
  const std::span<const SpriteFrame> frames(kFig042Frames);
  int width = 0, height = 0;
  for (const SpriteFrame& f : frames)
    width = std::max(width, f.x + f.w), height = std::max(height, f.y + f.h);
  Canvas sheet(width, height);
  for (size_t i = 0; i < frames.size(); ++i) {
    const SpriteFrame& f = frames[i];
    Canvas picture = MusicianFrame(i);
    for (size_t o = 0; o < frames.size(); ++o) {
      const SpriteFrame& g = frames[o];
      if (o == i || g.y != f.y) continue;
      for (int x = std::max(f.x, g.x); x < std::min(f.x + f.w, g.x + g.w); ++x)
        for (int y = 0; y < f.h; ++y) picture.Set(x - f.x, y, kClear);
    }
    sheet.Draw(picture, f.x, f.y);
  }
  set.AddBitmap("FIG042_00", sheet, kSpriteKey, BmpDepth::kIndexed8);
}

}  // namespace art
