#pragma once
// Pixel art written as text: each string is one row, each character one pixel,
// the legend gives its colour. '.' and ' ' leave the canvas untouched.

#include <initializer_list>
#include <map>
#include <string_view>
#include <vector>

#include "canvas.h"

namespace art {

using Legend = std::map<char, Rgba>;
using PixelMap = std::vector<std::string_view>;

// Throws std::invalid_argument for ragged rows or characters the legend lacks,
// so a typo in a map stops the build instead of leaving a hole in a picture.
void DrawMap(Canvas& canvas, int x, int y, const PixelMap& rows, const Legend& legend);
Canvas MapToCanvas(const PixelMap& rows, const Legend& legend);

}  // namespace art
