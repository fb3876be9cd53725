#pragma once
// Figure 54, Arno Blitzer, the photographer: sheet "FIG054_00". Walking left
// 0-3 with his tripod, photographing 4-11 (lift 5, dangling 5 and 6), 12-15 spare.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig054Number = 54;
inline constexpr int kFig054Height = 77;
inline constexpr SpriteFrame kFig054Frames[] = {
    {0, 0, 80, 77},   {81, 0, 80, 77},  {162, 0, 80, 77},  {243, 0, 80, 77},
    {324, 0, 72, 77}, {397, 0, 64, 77}, {462, 0, 72, 77},  {535, 0, 72, 77},
    {608, 0, 72, 77}, {681, 0, 80, 77}, {762, 0, 72, 77},  {835, 0, 72, 77},
    {908, 0, 72, 77}, {981, 0, 64, 77}, {1046, 0, 64, 77}, {1111, 0, 64, 77},
};
