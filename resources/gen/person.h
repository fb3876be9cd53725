#pragma once
// Pixel-art people for the figures' sprite sheets: a look (colours, hair,
// hat, build) and a pose (limb angles, lean, head) drawn as outlined parts,
// back limbs first. People face right; mirror the frame for the left.

#include <vector>

#include "canvas.h"

namespace art {

enum class HairStyle { kShort, kBun, kPonytail, kBald };
enum class HatStyle { kNone, kCap, kHeadscarf, kBeanie };

struct PersonLook {
  double height = 72;  // feet to the top of the head
  double girth = 1.0;  // width of the body
  Rgba skin, skinShade, hair;
  Rgba top, topShade;    // jacket or coat
  Rgba legs, legsShade;  // trousers or stockings
  Rgba shoes;
  bool skirt = false;
  Rgba skirtColour, skirtShade;
  double coatLength = 0.0;  // 0: jacket to the hips; 1: coat to the knees
  HairStyle hair_ = HairStyle::kShort;
  HatStyle hat = HatStyle::kNone;
  Rgba hatColour, hatShade;
  bool bigNose = false;
  Rgba noseColour;
  bool glasses = false;
  bool beard = false;
  bool hood = false;   // a hoodie's hood lies on the back of the neck
  double stoop = 0.0;  // old people bend forward a little
};

// Angles in radians from straight down; positive points forward (right).
struct Limb {
  double upper = 0, lower = 0;
};

struct PersonPose {
  Limb frontLeg, backLeg, frontArm, backArm;
  double bob = 0;       // pixels up (+) or down
  double lean = 0;      // radians forward
  double headTilt = 0;  // radians, positive looks up
  bool eyesClosed = false;
  bool mouthOpen = false;
};

// A step of a walk cycle at phase 0..1 (one full cycle: two steps).
PersonPose WalkPose(double phase, double stride = 1.0);
PersonPose StandPose();

struct Point2 {
  double x, y;
};

// Where the parts of a person stand, for props held in hands or worn.
struct Joints {
  Point2 hip, shoulder, head, frontHand, backHand, frontFoot, backFoot;
  double headR;
  Point2 armRoot;
  double upperArm, foreArm;
};
// Arm angles that bring the hand from the arm's root to target (elbow down).
Limb ArmReach(const Joints& joints, Point2 target);
Joints PersonJoints(double footX, double footY, const PersonLook& look, const PersonPose& pose);

// A w x h frame with the person's feet at (footX, h - 1). Props are extra
// parts: `behind` before the back limbs, `held` between the body and the
// front arm, `front` last.
Canvas DrawPerson(int w, int h, double footX, const PersonLook& look, const PersonPose& pose,
                  const std::vector<Canvas>& behind = {}, const std::vector<Canvas>& held = {},
                  const std::vector<Canvas>& front = {});

}  // namespace art
