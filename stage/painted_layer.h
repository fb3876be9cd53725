#pragma once
// A layered window painted through its DC instead of pushed. Under Wine 8
// every UpdateLayeredWindow is a window move with eight display checks (28
// server requests) whatever it changes; a window given its colour key once
// (SetLayeredWindowAttributes) and painted costs a frame about one request.
// The window stands still, a few steps wider than the picture, and moves
// only when the picture's part on the screen leaves it
// (stage/portable/painted_place.h). Clicks pass through its key-coloured
// pixels as through a pushed window's: Wine shapes both by the key.

#include <windows.h>

#include "stage/layer_args.h"
#include "stage/portable/figure_motion.h"  // SceneRect

// Whether `window` is painted now (it has the colour key Begin gives): its
// paint message, after a show by another hand, asks for the last picture
// again, since Wine drops what a painted window showed when it is hidden.
bool IsPaintedWindow(HWND window);

class PaintedLayer {
 public:
  PaintedLayer() = default;
  PaintedLayer(const PaintedLayer&) = delete;
  PaintedLayer& operator=(const PaintedLayer&) = delete;

  // `window`, a layered window that is pushed (never given attributes),
  // takes its colour key and is painted from now on. False, with the window
  // as it was, when it cannot be.
  bool Begin(HWND window);
  // The window hidden and its layered style set anew, which drops the key
  // it was given: it can be pushed again. `leaveWindow`: only forgotten (a
  // thread ending at shutdown leaves its windows as they are).
  void End(bool leaveWindow = false);
  bool Active() const { return window_ != nullptr; }

  // The window's top-left once the picture by `args` is shown on the
  // virtual screen `screen`: where it stands while nothing of the picture
  // is on the screen; the destination when not begun.
  POINT WindowFor(const LayerArgs& args, const SceneRect& screen) const;
  // Paints `memoryDC`'s picture at `args.source`, `args.size` large, at
  // `args.destination` on the screen (colour key magenta), with what the
  // last picture left see-through again; an empty size paints nothing. The
  // window moves first where WindowFor says.
  BOOL Show(HDC memoryDC, const LayerArgs& args, const SceneRect& screen);
  // The window may show something else (shown, hidden or restacked since):
  // the next show paints all of it.
  void Forget() { whole_ = true; }
  // Paints the last shown picture again, whole, from `memoryDC` (which still
  // holds it): Wine drops what a window showed when it is hidden, and a
  // figure standing on one frame may not show a new one for long. TRUE with
  // nothing to paint.
  BOOL Repaint(HDC memoryDC, const SceneRect& screen);

 private:
  SceneRect Place() const;

  HWND window_ = nullptr;
  SceneRect place_;    // where the window stood at the last show
  SceneRect painted_;  // where that show painted its picture on the screen
  SceneRect last_;     // the last picture, which tells which way it moves
  LayerArgs shown_{};  // the last show's picture
  bool anyShown_ = false;
  bool whole_ = true;
  bool visible_ = false;
};
