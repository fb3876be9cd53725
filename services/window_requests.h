#pragma once
// Shows and hides of a layered window are made by the thread that draws it,
// between two of its pushes: a show or hide from another thread coinciding
// with a push took the program down under Wine. Others ask with a request
// word; the drawing thread applies it on its next pass. The latest request
// wins.

#include <windows.h>

#include <atomic>

enum class WindowAction : int {
  kNone = 0,
  kHide,
  kShow,                // shown, z-order left
  kShowTop,             // shown, then to the top of the normal band
  kShowTopmost,         // shown, then topmost
  // The raises never activate: a desktop companion takes no focus, and under
  // Wine an activated window becomes one the window manager must withdraw.
  kRaiseNotTopmost,     // shown, top, then back into the normal band
  kRaiseTop,            // shown, top
  kRaiseTopmost,        // shown, topmost
  kShowBottom,          // shown, then to the bottom (the scenery strip)
};

struct WindowRequest {
  std::atomic<int> action{0};
  void Set(WindowAction a) { action.store(static_cast<int>(a)); }
};

// On the drawing thread: carries out and clears the pending request; false
// when there was none.
bool ApplyWindowRequest(HWND window, WindowRequest& request);

// The walking figure's window and its overlay (the lifted figure, the
// bubbles), drawn by the animation thread.
extern WindowRequest FigureWindowRequest;
extern WindowRequest OverlayWindowRequest;
// The scenery strip's window, drawn by the strip's thread.
extern WindowRequest StripWindowRequest;
