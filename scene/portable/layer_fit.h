#pragma once
// Where a figure's layered window stands and how large it is. Without a
// compositor (Wine on a plain X display) nothing under a window's rectangle
// is painted, its see-through pixels included; so each push makes the window
// only as large as what its picture holds: the frames drawn since it was
// last cleared. The picture keeps its coordinates; only the window moves.

#include <cstdint>

#include "stage/portable/figure_motion.h"
#include "scene/portable/frame_rect.h"

// A sprite sheet's mask as the GDI hands it out: one bit per pixel, the most
// significant first, rows top down, `stride` bytes each; a set bit is
// see-through.
struct MaskBits {
  const uint8_t* bits = nullptr;
  int width = 0, height = 0, stride = 0;
};

// Columns of `frame` holding an opaque pixel, as offsets {first, end} from
// the frame's left; {0, 0} when it has none. The whole frame without mask
// bits; the part of the frame outside the sheet draws nothing.
struct ColumnSpan {
  int first = 0, end = 0;
  friend bool operator==(const ColumnSpan&, const ColumnSpan&) = default;
};
ColumnSpan OpaqueColumns(const MaskBits& mask, const SpriteFrame& frame);

bool IsEmptyRect(const SceneRect& r);
// The smallest rectangle holding both; an empty one adds nothing.
SceneRect UnionRect(const SceneRect& a, const SceneRect& b);

// What a frame drawn at `at` puts into the picture: its opaque columns, all
// its rows (so the window keeps the figure's height and top); empty without
// either.
SceneRect DrawnRect(ScenePoint at, const SpriteFrame& frame, ColumnSpan columns);

// One push: the window's screen place and size, and the picture point that
// becomes its top-left.
struct LayerFit {
  ScenePoint destination;
  SceneSize size;
  ScenePoint source;
  friend bool operator==(const LayerFit&, const LayerFit&) = default;
};

// How much of a picture holding something its window covers: only what is
// drawn (a screen-wide picture), or all of it (a figure's own window, which
// moves with him and is his frame already).
enum class LayerCut { kToDrawn, kWhole };

// The picture's top-left lies at `destination` on the screen and it shows
// `size` from the bitmap's top-left; `drawn` is what it holds (picture
// coordinates). The window covers `drawn` (or all, as `cut` says) cut to the
// picture; with nothing drawn it is one see-through pixel parked at
// `parking`, off the screens, in either case.
LayerFit FitLayer(ScenePoint destination, SceneSize size, const SceneRect& drawn, ScenePoint parking,
                  LayerCut cut = LayerCut::kToDrawn);
