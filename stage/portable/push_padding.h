#pragma once
// Pushes padded to whole steps of Wine's drawing surfaces
// (stage/portable/layer_surface.h): where a layered window's size is not of
// whole steps, every push makes two new surfaces (about a fifth of what a
// small push costs) and a restack shows a blank one until the next push. A
// push whose size is not of whole steps becomes one with see-through
// columns right of the picture and rows below it; the window's top-left
// stays where it was, so clicks and bubbles keep their coordinates.

#include "stage/portable/figure_motion.h"  // ScenePoint, SceneSize, SceneRect

// The size to push a picture of `size` at `at` with, on the virtual screen
// `screen`: rounded up to whole steps when its top-left lies on the screen
// and Wine then keeps one surface for the window (a figure standing a pixel
// below the screen's bottom edge included); `size` itself when it is empty or
// of whole steps already, when the top-left lies off the screen (a window
// parked off the screens must cover nothing), or when the padded window would
// still get new surfaces (a step or more of it beyond the screen's edge).
SceneSize PaddedPushSize(ScenePoint at, SceneSize size, const SceneRect& screen);

// The size of a padded push (`padded`, from PaddedPushSize) to a window last
// pushed padded to `last` ({} for none): `last` while the push fits in it and
// Wine keeps the window's surface at that size at `at`, else `padded`. So a
// walking figure whose frames differ by a few columns keeps one window size
// (a new size is a new surface) until his window is parked or pushed
// unpadded. A push that is not of whole steps goes as it is.
SceneSize SteadyPushSize(ScenePoint at, SceneSize padded, SceneSize last, const SceneRect& screen);

// What a window shows since its last push: the picture's place and size, or
// nothing known (never pushed, or hidden, shown or drawn by others since).
struct ShownPush {
  bool known = false;
  ScenePoint at;
  SceneSize size;
};

// Whether a window showing `shown` on the virtual screen `screen` shows a
// picture of `size` at `at` already (`samePicture`: its pixels are the ones
// shown), so that pushing it again would change nothing. Every push costs
// Wine the same few dozen requests and a new shape for a keyed window. Only
// a window Wine keeps one surface for holds its picture through restacks (a
// window parked off the screens has none and shows nothing to keep); a
// picture moved elsewhere is pushed (a move of a window another thread
// made runs on that thread and costs more than the push).
bool ShowsAlready(const ShownPush& shown, ScenePoint at, SceneSize size, bool samePicture,
                  const SceneRect& screen);
// The same for a window others change too, who count each change (the
// overlay: its bubbles pushed and killed, its shows, hides and restacks):
// `shownChanges` is the count at the push that showed `shown`, `changes` the
// count now. After any change the window may show anything, and a window
// hidden and shown again shows a blank surface at the same place.
bool ShowsAlready(const ShownPush& shown, unsigned shownChanges, unsigned changes, ScenePoint at,
                  SceneSize size, bool samePicture, const SceneRect& screen);
