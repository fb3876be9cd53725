#include "pixel_font.h"

#include <array>
#include <cctype>

namespace art {
namespace {

// Each glyph: five rows of three bits, most significant bit on the left.
struct Glyph {
  char ch;
  std::array<uint8_t, 5> rows;
};

// clang-format off
constexpr Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 3, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 1, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}},
    {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}}, {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}},
    {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}}, {'G', {3, 4, 5, 5, 3}}, {'H', {5, 5, 7, 5, 5}},
    {'I', {7, 2, 2, 2, 7}}, {'J', {1, 1, 1, 5, 2}}, {'K', {5, 5, 6, 5, 5}}, {'L', {4, 4, 4, 4, 7}},
    {'M', {5, 7, 7, 5, 5}}, {'N', {6, 5, 5, 5, 5}}, {'O', {2, 5, 5, 5, 2}}, {'P', {6, 5, 6, 4, 4}},
    {'Q', {2, 5, 5, 6, 3}}, {'R', {6, 5, 6, 5, 5}}, {'S', {3, 4, 2, 1, 6}}, {'T', {7, 2, 2, 2, 2}},
    {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}}, {'W', {5, 5, 7, 7, 5}}, {'X', {5, 5, 2, 5, 5}},
    {'Y', {5, 5, 2, 2, 2}}, {'Z', {7, 1, 2, 4, 7}},
    {' ', {0, 0, 0, 0, 0}}, {'.', {0, 0, 0, 0, 2}}, {',', {0, 0, 0, 2, 4}}, {':', {0, 2, 0, 2, 0}},
    {'-', {0, 0, 7, 0, 0}}, {'+', {0, 2, 7, 2, 0}}, {'/', {1, 1, 2, 4, 4}}, {'!', {2, 2, 2, 0, 2}},
    {'?', {6, 1, 2, 0, 2}}, {'%', {5, 1, 2, 4, 5}}, {'(', {1, 2, 2, 2, 1}}, {')', {4, 2, 2, 2, 4}},
    {'\'', {2, 2, 0, 0, 0}}, {'=', {0, 7, 0, 7, 0}},
};
// clang-format on

constexpr std::array<uint8_t, 5> kMissing = {7, 5, 5, 5, 7};

const std::array<uint8_t, 5>& Find(char ch) {
  const char up = char(std::toupper(static_cast<unsigned char>(ch)));
  for (const Glyph& g : kGlyphs)
    if (g.ch == up) return g.rows;
  return kMissing;
}

}  // namespace

int TextWidth(std::string_view text) {
  return text.empty() ? 0 : int(text.size()) * 4 - 1;
}

int DrawText(Canvas& c, int x, int y, std::string_view text, Rgba colour) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto& rows = Find(text[i]);
    for (int r = 0; r < kFontHeight; ++r)
      for (int b = 0; b < 3; ++b)
        if (rows[r] >> (2 - b) & 1) c.Set(x + int(i) * 4 + b, y + r, colour);
  }
  return TextWidth(text);
}

}  // namespace art
