#pragma once
// The scenery strip behind the figures: its own window and thread.

#include "services/app_globals.h"  // StripWindow

#include <atomic>

int StartBackgroundThread();
// The animation thread asks the strip to re-place itself (relayout).
extern std::atomic<int> StripRaiseRequest;
// The Desktop page's requests: unload the strip (its number changed) and
// place it again (its offset or the work area changed). The strip's thread
// reads and clears both.
extern std::atomic<int> StripUnloadRequest;
extern std::atomic<int> StripRelayout;
