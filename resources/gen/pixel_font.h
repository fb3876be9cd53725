#pragma once
// A 3x5 pixel font for words and numbers painted into pictures (signs, clock
// faces, calendar sheets). Upper-case letters, digits and a few signs; lower
// case is drawn as upper case.

#include <string_view>

#include "canvas.h"

namespace art {

constexpr int kFontHeight = 5;

// Width in pixels of text with one pixel between letters.
int TextWidth(std::string_view text);
// Draws text with its top-left corner at (x, y); returns the width drawn.
// Characters the font lacks are drawn as a small box so they are noticed.
int DrawText(Canvas& c, int x, int y, std::string_view text, Rgba colour);

}  // namespace art
