#pragma once
// Figure 34, Lorenz M., in a hurry: sheet "FIG034_00". Walking right 0-3, left
// 4-7 (he moves inside the frames), act A 8-14 (his watch), act B 15-22 (the
// phone; lift, dangling and drop 15 on).

#include "scene/portable/frame_rect.h"

inline constexpr int kFig034Number = 34;
inline constexpr int kFig034Height = 77;
inline constexpr SpriteFrame kFig034Frames[] = {
    {0, 0, 88, 77},    {89, 0, 88, 77},   {178, 0, 88, 77},  {267, 0, 88, 77},  {356, 0, 88, 77},
    {445, 0, 88, 77},  {534, 0, 88, 77},  {623, 0, 88, 77},  {712, 0, 72, 77},  {785, 0, 72, 77},
    {858, 0, 72, 77},  {931, 0, 72, 77},  {1004, 0, 72, 77}, {0, 78, 72, 77},   {73, 78, 72, 77},
    {146, 78, 72, 77}, {219, 78, 72, 77}, {292, 78, 72, 77}, {365, 78, 72, 77}, {438, 78, 72, 77},
    {511, 78, 72, 77}, {584, 78, 72, 77}, {657, 78, 72, 77},
};
