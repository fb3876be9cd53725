#pragma once
// Where a painted window stands. A figure is not pushed (every
// UpdateLayeredWindow costs Wine a window move with its display checks,
// whatever it changes): its window is given a colour key once and painted
// through its DC, and it stands still while the picture moves inside it. It is a few steps wider than the
// picture and moves only when the picture's part on the screen leaves it.

#include "stage/portable/figure_motion.h"  // SceneRect, SceneSize

// Whether a figure with the frame time `frameMs` (0: not set yet) paints.
// Every figure does once it has one: even a walker's 2 to 5 pictures a
// second cost more pushed (wineserver and the program's own threads).
bool PaintsItsWindow(int frameMs);

// Columns a painted window has beside its picture: the picture crosses them
// before the window moves again.
inline constexpr int kPaintedSlack = 128;

// The size of a painted window for pictures of `picture`: `kPaintedSlack`
// columns wider, rounded up to whole surface steps both ways; empty for an
// empty picture.
SceneSize PaintedWindowSize(SceneSize picture);

// The window to paint the picture at `picture` (screen coordinates) in,
// the window standing at `window` ({} for none yet), the picture last
// painted at `last` ({} for none), on the virtual screen `screen`. Its size
// is `size`, or PaintedWindowSize of the picture where that is larger, but
// never larger than the screen:
// - `window` itself while it has that size and holds the picture's part on
//   the screen (also when nothing of the picture is on the screen, or the
//   picture is empty);
// - else a window of that size with the picture at
//   the edge it moves away from (centred when it did not move), halfway down
//   the spare rows, shifted onto the screen;
// - {} when there is no window yet and nothing of the picture on the screen.
SceneRect PaintedWindowFor(const SceneRect& window, SceneSize size, const SceneRect& picture,
                           const SceneRect& last, const SceneRect& screen);

// What of `rect` lies outside `keep`: at most four bands (above, below,
// left, right of `keep`), the rest of `out` empty; the number written.
// A painted window is cleared there only: cleared under its next picture
// too, it would show nothing there until the picture came, and a click
// meeting it then would pass through to whatever lies below.
int RectsOutside(const SceneRect& rect, const SceneRect& keep, SceneRect (&out)[4]);
