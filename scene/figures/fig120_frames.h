#pragma once
// The birds, figures 120 and 121 (flying left) and 122 and 123 (flying
// right): sheets "FIG120_00" to "FIG123_00", each two flocks of four wing
// beats. Set 8 draws both flocks at once: its frames span the sheet's
// width and the flight's window is as wide as they are.

#include "scene/portable/frame_rect.h"

inline constexpr int kBirdsFirstNumber = 120;
inline constexpr int kBirdsHeight = 74;
inline constexpr int kBirdsWidth = 120;      // the window of sets 0 and 4
inline constexpr int kBirdsWideWidth = 240;  // the window of set 8
inline constexpr int kBirdsWideSet = 8;
inline constexpr SpriteFrame kBirdsFrames[] = {
    {0, 0, 120, 74},   {0, 75, 120, 74},   {0, 150, 120, 74},   {0, 225, 120, 74},
    {121, 0, 120, 74}, {121, 75, 120, 74}, {121, 150, 120, 74}, {121, 225, 120, 74},
    {0, 0, 240, 74},   {0, 75, 240, 74},   {0, 150, 240, 74},   {0, 225, 240, 74},
};
