#pragma once
// Figure 42, Benno R. Kling the street musician: sheet "FIG042_00". Two
// walking variants of six frames each way, and his playing act facing left
// (14 frames) and right (13 frames).

#include "scene/portable/frame_rect.h"

inline constexpr int kFig042Number = 42;
inline constexpr int kFig042Height = 92;
inline constexpr int kFig042WalkLeftFirst = 0;    // 0-5 and 6-11 (variant 6)
inline constexpr int kFig042PlayLeftFirst = 12;   // 12-25
inline constexpr int kFig042WalkRightFirst = 26;  // 26-31 and 32-37
inline constexpr int kFig042PlayRightFirst = 38;  // 38-50
inline constexpr int kFig042PlayRightLast = 12;   // last index of the right-facing act
inline constexpr SpriteFrame kFig042Frames[] = {
    // walking left
    {0, 0, 72, 92},
    {73, 0, 80, 92},
    {154, 0, 80, 92},
    {235, 0, 72, 92},
    {308, 0, 64, 92},
    {373, 0, 56, 92},
    {430, 0, 72, 92},
    {503, 0, 80, 92},
    {584, 0, 80, 92},
    {665, 0, 72, 92},
    {738, 0, 64, 92},
    {803, 0, 56, 92},
    // playing, facing left
    {0, 93, 64, 92},
    {65, 93, 64, 92},
    {130, 93, 64, 92},
    {192, 93, 64, 92},
    {260, 93, 64, 92},
    {325, 93, 64, 92},
    {390, 93, 64, 92},
    {455, 93, 64, 92},
    {520, 93, 64, 92},
    {585, 93, 64, 92},
    {650, 93, 64, 92},
    {715, 93, 64, 92},
    {780, 93, 64, 92},
    {845, 93, 64, 92},
    // walking right
    {0, 186, 64, 92},
    {65, 186, 64, 92},
    {130, 186, 56, 92},
    {195, 186, 64, 92},
    {260, 186, 72, 92},
    {333, 186, 72, 92},
    {406, 186, 64, 92},
    {471, 186, 64, 92},
    {536, 186, 56, 92},
    {601, 186, 64, 92},
    {666, 186, 72, 92},
    {739, 186, 72, 92},
    // playing, facing right
    {812, 186, 72, 92},
    {0, 279, 72, 92},
    {73, 279, 72, 92},
    {146, 279, 72, 92},
    {219, 279, 72, 92},
    {292, 279, 72, 92},
    {365, 279, 72, 92},
    {438, 279, 72, 92},
    {511, 279, 72, 92},
    {584, 279, 72, 92},
    {657, 279, 72, 92},
    {730, 279, 72, 92},
    {803, 279, 72, 92},
};
static_assert(sizeof kFig042Frames / sizeof kFig042Frames[0] == 51);
