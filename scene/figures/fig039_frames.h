#pragma once
// Figure 39, the clown, at carnival: sheet "FIG039_00". Two walks of four
// frames, set A (0-3) and set B (4-7), chosen afresh for each cycle.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig039Number = 39;
inline constexpr int kFig039Height = 93;
inline constexpr int kFig039WalkFrames = 4;
inline constexpr int kFig039SetB = 4;
inline constexpr SpriteFrame kFig039Frames[] = {
    {0, 0, 88, 93},   {89, 0, 96, 93},  {186, 0, 96, 93}, {283, 0, 112, 93},
    {396, 0, 80, 93}, {477, 0, 80, 93}, {558, 0, 88, 93}, {647, 0, 104, 93},
};
