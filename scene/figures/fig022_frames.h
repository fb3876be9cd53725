#pragma once
// Figure 22, Ugo R. Pell, the acrobat: sheet "FIG022_00", one row of frames of
// different heights. Walking 0-3, the cartwheel 4-7, the jump 8-11 (drawn 18
// pixels higher), landing 12-14. Feet stand 67 rows below the frame's top when it
// is drawn at y 19 (85 at y 1).

#include "scene/portable/frame_rect.h"

inline constexpr int kFig022Number = 22;
inline constexpr int kFig022Height = 86;  // the tallest frame
inline constexpr int kFig022WindowHeight = 106;
inline constexpr int kFig022FeetBelowTop = 86;  // window top above the work-area bottom
inline constexpr SpriteFrame kFig022Frames[] = {
    {0, 0, 80, 68},   {81, 0, 72, 72},   {154, 0, 88, 67}, {243, 0, 80, 72}, {324, 0, 80, 68},
    {405, 0, 88, 68}, {494, 0, 112, 67}, {607, 0, 88, 66}, {696, 0, 48, 86}, {745, 0, 48, 86},
    {794, 0, 48, 86}, {843, 0, 56, 86},  {900, 0, 88, 72}, {989, 0, 72, 72}, {1062, 0, 96, 72},
};
