#pragma once
// Where a layered window's picture goes: the argument block of one
// UpdateLayeredWindow, which a painted window takes too.

#include <windows.h>

struct LayerArgs {
  POINT destination;
  SIZE size;
  POINT source;
  BLENDFUNCTION blend;
};
