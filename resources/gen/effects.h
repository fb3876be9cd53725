#pragma once
// Finishing touches shared by all pictures: outlines, bevels, shadows and the
// greyed (disabled) look of menu pictures.

#include <vector>

#include "canvas.h"

namespace art {

// Clear pixels next to an opaque one get the outline colour (8 neighbours with
// corners, else 4).
Canvas Outlined(const Canvas& src, Rgba outline, bool corners = false);

// Pixels of colour base get light where the shape's edge faces up or left and
// dark where it faces down or right: a one-pixel bevel.
void Bevel(Canvas& c, Rgba base, Rgba light, Rgba dark);

// A copy of the opaque pixels in the shadow colour, offset by (dx, dy), drawn
// behind the picture.
Canvas WithShadow(const Canvas& src, Rgba shadow, int dx, int dy);

// The disabled look: grey, lighter and flatter; clear pixels stay clear, so a
// key colour applied later survives.
Canvas Greyed(const Canvas& src);

// Desaturates towards grey by amount (0 none, 1 full) and darkens by dim.
Canvas Dimmed(const Canvas& src, double desaturate, double dim);

// Rec. 601 luma of a colour, 0..255.
int Luma(Rgba c);

}  // namespace art

namespace art {

// Back-to-front composition of separately drawn parts, each outlined on its
// own so that overlapping parts keep a line between them.
Canvas Compose(int width, int height, const std::vector<Canvas>& partsBackToFront, Rgba outline);

}  // namespace art
