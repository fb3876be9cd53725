#pragma once
// What every desktop part's layered windows go by.

#include <windows.h>

#include "stage/figure_state.h"

// An unchanged picture is not pushed again on a timer (each push costs the
// window system a copy of the whole picture): without a compositor the
// window that leaves part of another's place asks it to push
// (AskForPushUnder, services/window_requests.h).

// An object may show when it is kept while the figures are off ("not
// deactivated") or the figures are on.
inline bool MayShowObject(const FigureState& figures, int notDA) {
  return figures.active || notDA;
}
