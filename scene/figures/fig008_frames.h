#pragma once
// Figures 8 (Alma Korbitz) and 10 (Nelly Sprott) share one layout: sheets
// "FIG008_00" and "FIG010_00". Walking 0-3 and 9-12 (second variant), act
// 4-8, standing 13-24 (figure 10 dangles on 18-21).

#include "scene/portable/frame_rect.h"

inline constexpr int kFig008Number = 8;
inline constexpr int kFig010Number = 10;
inline constexpr int kFig008Height = 82;
inline constexpr SpriteFrame kFig008Frames[] = {
    {0, 0, 64, 82},     {65, 0, 64, 82},    {130, 0, 56, 82},   {187, 0, 56, 82},   {244, 0, 88, 82},
    {333, 0, 88, 82},   {422, 0, 88, 82},   {511, 0, 88, 82},   {600, 0, 88, 82},   {0, 83, 64, 82},
    {65, 83, 64, 82},   {130, 83, 56, 82},  {187, 83, 56, 82},  {244, 83, 88, 82},  {333, 83, 88, 82},
    {422, 83, 88, 82},  {511, 83, 88, 82},  {600, 83, 88, 82},  {0, 166, 88, 82},   {89, 166, 88, 82},
    {178, 166, 88, 82}, {267, 166, 88, 82}, {356, 166, 88, 82}, {445, 166, 88, 82}, {534, 166, 88, 82},
};
