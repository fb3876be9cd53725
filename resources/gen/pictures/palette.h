#pragma once
// The house palette: every picture draws from these so the set looks like one
// product. None equals a key colour (teal 008080 or magenta FF00FF).

#include "../canvas.h"

namespace art::pal {

constexpr Rgba kInk = Rgb(0x2A2238);  // outlines
constexpr Rgba kWhite = Rgb(0xFFFFFF);
constexpr Rgba kGrey1 = Rgb(0xEEF0F4);
constexpr Rgba kGrey2 = Rgb(0xC9CED8);
constexpr Rgba kGrey3 = Rgb(0x9AA1B0);
constexpr Rgba kGrey4 = Rgb(0x666D7E);
constexpr Rgba kGrey5 = Rgb(0x434858);

constexpr Rgba kMoonLight = Rgb(0xFFF4B8);
constexpr Rgba kMoon = Rgb(0xFFD95A);
constexpr Rgba kMoonShade = Rgb(0xE9A93A);
constexpr Rgba kMoonDeep = Rgb(0xB9762A);

constexpr Rgba kNight1 = Rgb(0x8FB4F0);
constexpr Rgba kNight2 = Rgb(0x4A73C9);
constexpr Rgba kNight3 = Rgb(0x2C4A94);
constexpr Rgba kNight4 = Rgb(0x1D2C5E);

constexpr Rgba kSkin = Rgb(0xF6C7A1);
constexpr Rgba kSkinShade = Rgb(0xDA9A74);
constexpr Rgba kHair = Rgb(0x7A4A2C);
constexpr Rgba kHairLight = Rgb(0xA06A3E);

constexpr Rgba kRed1 = Rgb(0xFF8A70);
constexpr Rgba kRed = Rgb(0xE04A3C);
constexpr Rgba kRed3 = Rgb(0xA82E30);

constexpr Rgba kGreen1 = Rgb(0x9CE27A);
constexpr Rgba kGreen = Rgb(0x4DB552);
constexpr Rgba kGreen3 = Rgb(0x2B7E3D);

constexpr Rgba kBlue1 = Rgb(0x9CCBFF);
constexpr Rgba kBlue = Rgb(0x3C86E0);
constexpr Rgba kBlue3 = Rgb(0x2456A6);

constexpr Rgba kOrange = Rgb(0xF5913A);
constexpr Rgba kBrown = Rgb(0x9A6238);
constexpr Rgba kBrown3 = Rgb(0x5E3A22);
constexpr Rgba kPath = Rgb(0xD8B98A);
constexpr Rgba kPathShade = Rgb(0xB28F62);

}  // namespace art::pal
