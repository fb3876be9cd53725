#pragma once
// Helpers the figures' sheets share: a person's look, a person placed by the
// foot in a frame (facing either way, feet on any row), walking steps that
// carry the figure along inside its frames, and a few small props.

#include <functional>
#include <span>
#include <vector>

#include "../art_set.h"
#include "../person.h"
#include "../sprite_sheet.h"
#include "scene/portable/frame_rect.h"

namespace art {

struct Props {
  std::vector<Canvas> behind, held, front;
};

// What every person wears: a top, legs and shoes, each with its shade.
struct Outfit {
  Rgba top, topShade, legs, legsShade, shoes;
};
// A look of the given size, hair and outfit with the palette's skin; hats,
// skirts, glasses and the like are set on the result.
PersonLook Body(double height, double girth, Rgba hair, const Outfit& outfit);

// Gustav Lindtal: with his Christmas tree (26) and without it (47).
PersonLook GustavLindtal(double height);

// A frame of size w x h with the person's hip above footX and the feet on
// row footRow (h - 1 when negative). A figure facing left is drawn facing
// right at the mirrored hip (DrawHip) and flipped: props and FrameJoints are
// in that right-facing space.
Canvas PersonFrame(int w, int h, double footX, const PersonLook& look, const PersonPose& pose,
                   bool faceLeft = false, const Props& props = {}, int footRow = -1);

// Where the hip stands in frame k of a stride of n frames drawn at one x,
// when the figure moves `stride` pixels per stride: from `first`, forward by
// stride / n per frame (backward when walking left).
double StrideFoot(int k, int n, double first, double stride, bool left);

double DrawHip(int w, double hipX, bool faceLeft);
// Joints of a person drawn by PersonFrame with the same arguments.
Joints FrameJoints(int w, int h, double footX, const PersonLook& look, const PersonPose& pose, bool faceLeft,
                   int footRow = -1);

// A frame table as the sheet's layout; the generator draws each frame with
// draw(index, frame) and adds the sheet under `name`.
void AddFigureSheet(ArtSet& set, const char* name, std::span<const SpriteFrame> frames,
                    const std::function<Canvas(size_t, const SpriteFrame&)>& draw);

// Small props, drawn into a w x h canvas.
Canvas Puff(int w, int h, Point2 at, double r, int seed);  // smoke or breath
Canvas Rod(int w, int h, Point2 a, Point2 b, double r, Rgba colour);
Canvas Box(int w, int h, Point2 centre, double bw, double bh, Rgba colour, Rgba shade);

}  // namespace art
