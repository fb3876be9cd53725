// Previews of the Sound page (a loudspeaker sending out sound, a bird singing
// on a twig) and of the Birthday page (Fabian Merk with a present). Names and
// sizes come from options/portable/page_previews.h.

#include <cmath>

#include "../effects.h"
#include "../person.h"
#include "options/portable/page_previews.h"
#include "palette.h"
#include "pictures.h"

namespace art {
namespace {

using namespace pal;

constexpr double kPi = 3.14159265358979;

// Arcs of sound: rings cut to the right-hand sector.
void SoundWaves(Canvas& c, double cx, double cy, double r0, int count, Rgba colour) {
  for (int i = 0; i < count; ++i) {
    const double r = r0 + i * 7.0;
    for (int y = 0; y < c.Height(); ++y) {
      for (int x = 0; x < c.Width(); ++x) {
        const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (dx > 0 && std::abs(dy) < dx * 1.1 && std::abs(d - r) < 1.3) c.Set(x, y, colour);
      }
    }
  }
}

Canvas Loudspeaker() {
  const int w = kSoundPreviewWidth, h = kSoundPreviewHeight;
  Canvas box(w, h);
  box.FillRoundRect(4, 8, 14, 40, 3, kGrey4);
  Canvas cone(w, h);
  cone.FillPolygon({{16, 18}, {34, 4}, {34, 52}, {16, 38}}, kGrey3);
  cone.FillPolygon({{18, 21}, {31, 11}, {31, 22}, {18, 26}}, kGrey2);
  Canvas waves(w, h);
  SoundWaves(waves, 34, 28, 8, 3, kBlue);
  return Compose(w, h, {box, cone, waves}, kInk);
}

Canvas SingingBird() {
  const int w = kSoundPreviewWidth, h = kSoundPreviewHeight;
  Canvas twig(w, h);
  twig.FillCapsule(2, 50, 46, 42, 2.2, kBrown);
  twig.FillEllipse(40, 36, 12, 6, kGreen);
  Canvas body(w, h);
  body.FillEllipse(14, 28, 24, 17, kRed);
  body.FillEllipse(18, 35, 16, 9, kOrange);
  body.FillPolygon({{14, 34}, {4, 30}, {6, 38}}, kRed3);
  body.FillCircle(34, 27, 7, kRed);
  body.FillPolygon({{39, 24}, {47, 22}, {40, 29}}, kMoonShade);
  body.Set(35, 25, kInk);
  Canvas notes(w, h);
  const double spots[][2] = {{46, 14}, {56, 6}};
  for (const auto& spot : spots) {
    notes.FillEllipse(static_cast<int>(spot[0]) - 3, static_cast<int>(spot[1]) + 6, 6, 5, kBlue3);
    notes.VLine(static_cast<int>(spot[0]) + 2, static_cast<int>(spot[1]) - 2, static_cast<int>(spot[1]) + 8,
                kBlue3);
  }
  Canvas out = Compose(w, h, {twig, body}, kInk);
  out.Draw(notes, 0, 0);
  return out;
}

Canvas Present(int w, int h, Point2 at) {
  Canvas p(w, h);
  const int x = static_cast<int>(at.x) - 8, y = static_cast<int>(at.y) - 10;
  p.FillRect(x, y, 16, 13, kBlue);
  p.FillRect(x + 7, y, 3, 13, kMoon);
  p.FillRect(x, y + 5, 16, 3, kMoon);
  p.FillEllipse(x + 3, y - 4, 6, 5, kMoon);
  p.FillEllipse(x + 8, y - 4, 6, 5, kMoon);
  return Outlined(p, kInk);
}

Canvas Fabian() {
  const int w = kBirthdayPreviewWidth, h = kBirthdayPreviewHeight;
  PersonLook look;
  look.height = 86;
  look.skin = kSkin;
  look.skinShade = kSkinShade;
  look.hair = kHairLight;
  look.top = kGreen;
  look.topShade = kGreen3;
  look.legs = kBlue3;
  look.legsShade = kNight3;
  look.shoes = kBrown3;
  look.glasses = true;
  PersonPose pose = StandPose();
  const double footX = 22;
  Joints joints = PersonJoints(footX, h - 1, look, pose);
  const Point2 gift = {joints.shoulder.x + 14, joints.shoulder.y + 16};
  pose.frontArm = ArmReach(joints, {gift.x - 4, gift.y});
  return DrawPerson(w, h, footX, look, pose, {}, {}, {Present(w, h, gift)});
}

}  // namespace

void AddPagePreviews(ArtSet& set) {
  set.AddBitmap(kSoundPreviewLeft, Loudspeaker(), kSpriteKey);
  set.AddBitmap(kSoundPreviewRight, SingingBird(), kSpriteKey);
  set.AddBitmap(kBirthdayPreview, Fabian(), kSpriteKey);
}

}  // namespace art
