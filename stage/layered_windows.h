#pragma once
// What every desktop part's layered windows go by.

#include <windows.h>

#include "services/app_globals.h"

// An unchanged picture is pushed again this often: window systems without a
// compositor lose layered content where other windows passed over, and tell
// the window nothing. Each push costs the window system a copy of the whole
// picture, so not more often.
constexpr DWORD kObjectRepushMs = 2000;

// An object may show when it is kept while the figures are off ("not
// deactivated") or the figures are on.
inline bool MayShowObject(int notDA) {
  return FiguresActive || notDA;
}
