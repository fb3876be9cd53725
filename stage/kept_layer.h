#pragma once
// A layered window pushed so that Wine keeps one drawing surface for it
// (stage/portable/layer_surface.h): its picture lies at the top-left of a
// 32-bit picture of whole surface steps whose other pixels are the key
// colour, and is pushed whole steps large, opaque, into a window region of
// its opaque pixels. Wine then paints what a passing window uncovers again by
// itself, and a restack or a show keeps the picture; without a colour key it
// does not work out the window's shape from the whole picture at each of
// those paints. The region is set again only when the opaque pixels change.
// A window a step or more off the screen cannot be kept: it goes as it is,
// colour-keyed, and is listed for the asks of windows passing over it
// (AskForPushUnder, services/window_requests.h) while it stays so.

#include <windows.h>

#include <atomic>
#include <vector>

#include "services/handles.h"
#include "stage/layer_push.h"  // KeyPixel
#include "stage/portable/layer_surface.h"

class WorkerWake;

// A 32-bit top-down DIB section of `size` rounded up to whole steps, every
// pixel the key colour; its rows go to `rows`. Null (and `rows` empty) on
// failure or for an empty size.
OwnedBitmap MakeKeptPicture(SIZE size, PixelRows32& rows);

// The window region of `runs` (rows top first, each row's runs left to
// right), `size` large; empty without runs. The caller owns it.
HRGN RegionOfRuns(const std::vector<SceneRect>& runs, SceneSize size);

// One window's pushes, made by the thread that draws it.
class KeptLayer {
 public:
  KeptLayer() = default;
  KeptLayer(const KeptLayer&) = delete;
  KeptLayer& operator=(const KeptLayer&) = delete;
  // Off the list of the asks.
  ~KeptLayer();

  // The word an ask sets for this window while it is not kept, and the wake
  // it ends (may be null).
  void ListFor(std::atomic<int>& repush, WorkerWake* wake) {
    repush_ = &repush;
    wake_ = wake;
  }

  // Pushes `size` of `picture` (its top-left, selected into `memoryDC`) to
  // `window` at `at`: kept where the padded window is (the window is then
  // whole steps large, its region the opaque pixels), else as it is with the
  // colour key. The rows are read, so GDI's drawing is flushed first.
  BOOL Push(HWND window, HDC screenDC, HDC memoryDC, const PixelRows32& picture, POINT at, SIZE size);

  // Whether the last push kept the window.
  bool Kept() const { return kept_; }
  // How often a region was set (tests see that an unchanged one is not).
  int RegionsSet() const { return regionsSet_; }

 private:
  void List(HWND window, bool list);

  HWND window_ = nullptr;
  bool kept_ = false;
  bool regionSet_ = false;  // the window has the region of `runs_`
  std::vector<SceneRect> runs_;
  int regionsSet_ = 0;
  std::atomic<int>* repush_ = nullptr;
  WorkerWake* wake_ = nullptr;
  bool listed_ = false;
};

// Tests: while one lives, the kept rule goes by `screen` instead of the
// virtual screen (a window then counts as off the screen where it is not).
class ScopedKeptScreen {
 public:
  explicit ScopedKeptScreen(const SceneRect& screen);
  ~ScopedKeptScreen();
  ScopedKeptScreen(const ScopedKeptScreen&) = delete;
  ScopedKeptScreen& operator=(const ScopedKeptScreen&) = delete;

 private:
  const SceneRect* previous_;
  SceneRect screen_;
};
