#pragma once
// Figure 13, Bodo Schnief, the sneezer: sheet "FIG013_00". Walking 0-3,
// standing 4-7, sneeze 8-11, click act 13-23 (also his dangle).

#include "scene/portable/frame_rect.h"

inline constexpr int kFig013Number = 13;
inline constexpr int kFig013Height = 78;
inline constexpr SpriteFrame kFig013Frames[] = {
    {0, 0, 40, 78},    {41, 0, 40, 78},   {82, 0, 40, 78},   {123, 0, 48, 78},  {172, 0, 48, 78},
    {221, 0, 48, 78},  {270, 0, 56, 78},  {327, 0, 56, 78},  {384, 0, 48, 78},  {433, 0, 56, 78},
    {490, 0, 56, 78},  {547, 0, 56, 78},  {604, 0, 48, 78},  {0, 79, 48, 78},   {49, 79, 48, 78},
    {98, 79, 56, 78},  {155, 79, 56, 78}, {212, 79, 48, 78}, {261, 79, 56, 78}, {318, 79, 56, 78},
    {375, 79, 56, 78}, {432, 79, 48, 78}, {481, 79, 48, 78}, {530, 79, 56, 78}, {587, 79, 56, 78},
};
