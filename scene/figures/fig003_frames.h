#pragma once
// Figure 3, Mira Tolle: sheet "FIG003_00", one row. Walking right 0-3,
// standing 4-23 (lift 5, dangling 5-9, drop 8), 24 spare, walking left 25-28.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig003Number = 3;
inline constexpr int kFig003Height = 76;
inline constexpr SpriteFrame kFig003Frames[] = {
    {0, 0, 40, 76},    {41, 0, 48, 76},   {90, 0, 48, 76},   {139, 0, 56, 76},  {196, 0, 40, 76},
    {237, 0, 40, 76},  {278, 0, 40, 76},  {319, 0, 40, 76},  {360, 0, 40, 76},  {401, 0, 40, 76},
    {442, 0, 40, 76},  {483, 0, 40, 76},  {524, 0, 40, 76},  {565, 0, 40, 76},  {606, 0, 40, 76},
    {647, 0, 40, 76},  {688, 0, 40, 76},  {729, 0, 40, 76},  {770, 0, 40, 76},  {811, 0, 40, 76},
    {852, 0, 40, 76},  {893, 0, 40, 76},  {934, 0, 40, 76},  {975, 0, 40, 76},  {1016, 0, 48, 76},
    {1065, 0, 56, 76}, {1122, 0, 48, 76}, {1171, 0, 48, 76}, {1220, 0, 40, 76},
};
