#pragma once
// Figure 40, Gundula W. and her hand mirror: sheet "FIG040_00". Walking left 0-3,
// the mirror 4-13 (lift 6, dangling 5-9, drop 8), walking right 14-17.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig040Number = 40;
inline constexpr int kFig040Height = 79;
inline constexpr SpriteFrame kFig040Frames[] = {
    {0, 0, 56, 79},   {57, 0, 56, 79},  {114, 0, 56, 79}, {171, 0, 48, 79}, {220, 0, 40, 79},
    {261, 0, 48, 79}, {310, 0, 40, 79}, {351, 0, 40, 79}, {392, 0, 40, 79}, {433, 0, 40, 79},
    {474, 0, 48, 79}, {523, 0, 40, 79}, {564, 0, 40, 79}, {605, 0, 40, 79}, {646, 0, 32, 79},
    {679, 0, 40, 79}, {720, 0, 40, 79}, {761, 0, 48, 79},
};
