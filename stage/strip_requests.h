#pragma once
// What others ask of the scenery strip's thread (scene/scenery_strip.h):
// plain words the strip owns and hands to the Desktop page and the
// animation thread; the thread takes both words.

#include <atomic>

#include "services/window_requests.h"

struct StripRequestWords {
  // The Desktop page's: a changed strip is unloaded and loaded again.
  std::atomic<int> unload{0};
  // The Desktop page's and the animation thread's (after a relayout): the
  // strip is placed on the work-area bottom again.
  std::atomic<int> relayout{0};
  // Shows, hides and restacks of the strip's window, made by its thread.
  WindowRequest window;
};
