#pragma once
// The scenery strip behind the figures: its own window and thread.

#include "services/app_globals.h"  // StripWindow

#include <atomic>

int StartBackgroundThread();
// The animation thread asks the strip to re-place itself (relayout).
extern std::atomic<int> StripRaiseRequest;
