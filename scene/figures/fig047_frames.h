#pragma once
// Figure 47, Gustav Lindtal without his tree: sheet "FIG047_00", walking right
// 0-3 (lifted he kicks on 0 and 1).

#include "scene/portable/frame_rect.h"

inline constexpr int kFig047Number = 47;
inline constexpr int kFig047Height = 79;
inline constexpr SpriteFrame kFig047Frames[] = {
    {0, 0, 48, 79},
    {49, 0, 56, 79},
    {106, 0, 56, 79},
    {163, 0, 64, 79},
};
