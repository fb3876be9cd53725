#pragma once
// Figure 2, Ravi Quenn: sheet "FIG002_00". A stride's frames are drawn at one
// x and grow (right) or shrink (left), so he moves inside them.

#include "scene/portable/frame_rect.h"

inline constexpr int kFig002Number = 2;
inline constexpr int kFig002Height = 76;
inline constexpr int kFig002RightFirst = 0;  // 7 frames
inline constexpr int kFig002LeftFirst = 7;   // 7 frames
inline constexpr int kFig002StrideFrames = 7;
inline constexpr SpriteFrame kFig002Frames[] = {
    {0, 0, 64, 76},      {65, 0, 64, 76},    {130, 0, 80, 76},   {211, 0, 112, 76}, {324, 0, 128, 76},
    {0, 77, 120, 76},    {121, 77, 144, 76}, {266, 77, 144, 76}, {0, 154, 128, 76}, {129, 154, 112, 76},
    {242, 154, 104, 76}, {347, 154, 80, 76}, {428, 154, 72, 76}, {411, 77, 56, 76},
};
