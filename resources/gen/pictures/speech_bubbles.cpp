// The six speech bubbles "SPRECHBLASE_01" to "_06": white balloons with an
// ink line and a tail towards the speaker. 1 and 2 sit right and left of the
// speaker with the tail below; 3 and 4 hang below the text line with the tail
// on top; 5 and 6 are the musician's taller ones with player buttons.

#include <cstdio>

#include "../effects.h"
#include "palette.h"
#include "pictures.h"

namespace art {
namespace {

using namespace pal;

constexpr int kWidth = 184;

// Balloon body from y0 to y1 and a tail whose tip is at (tipX, tipY).
Canvas Balloon(int height, int y0, int y1, double rootX, double tipX, double tipY) {
  Canvas shape(kWidth, height);
  shape.FillRoundRect(2, y0, kWidth - 4, y1 - y0, 14, kWhite);
  const double rootY = tipY > y1 ? y1 - 3 : y0 + 3;
  shape.FillPolygon({{rootX - 9, rootY}, {rootX + 9, rootY}, {tipX, tipY}}, kWhite);
  Canvas out = Outlined(shape, kInk);
  // A soft grey rim inside the line on the lower edge gives it body.
  for (int y = 1; y < height; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (out.Get(x, y) == kWhite && out.Get(x, y + 1) == kInk && y > (y0 + y1) / 2) out.Set(x, y, kGrey1);
  return out;
}

// Player buttons at the x ranges the main window's click handler knows.
void Buttons(Canvas& c) {
  struct Button {
    int from;
    const char* glyph;
  };
  const Button buttons[] = {{10, "|<"}, {27, ">"},  {44, "||"}, {61, "[]"}, {78, ">|"},
                            {98, "^"},  {118, "-"}, {135, "+"}, {159, "x"}};
  for (const Button& b : buttons) {
    c.FillRoundRect(b.from, 58, 16, 16, 3, kGrey2);
    c.FrameRect(b.from, 58, 16, 16, kGrey4);
    const int cx = b.from + 8, cy = 66;
    const std::string g = b.glyph;
    if (g == ">") {
      c.FillPolygon({{cx - 3.0, cy - 4.0}, {cx - 3.0, cy + 4.0}, {cx + 4.0, cy + 0.0}}, kInk);
    } else if (g == "||") {
      c.FillRect(cx - 3, cy - 4, 2, 8, kInk);
      c.FillRect(cx + 1, cy - 4, 2, 8, kInk);
    } else if (g == "[]") {
      c.FillRect(cx - 3, cy - 3, 7, 7, kInk);
    } else if (g == "|<") {
      c.FillRect(cx - 4, cy - 4, 2, 8, kInk);
      c.FillPolygon({{cx + 4.0, cy - 4.0}, {cx + 4.0, cy + 4.0}, {cx - 2.0, cy + 0.0}}, kInk);
    } else if (g == ">|") {
      c.FillRect(cx + 3, cy - 4, 2, 8, kInk);
      c.FillPolygon({{cx - 4.0, cy - 4.0}, {cx - 4.0, cy + 4.0}, {cx + 2.0, cy + 0.0}}, kInk);
    } else if (g == "^") {
      c.FillPolygon({{cx - 4.0, cy + 1.0}, {cx + 5.0, cy + 1.0}, {cx + 0.5, cy - 4.0}}, kInk);
      c.FillRect(cx - 4, cy + 3, 9, 2, kInk);
    } else if (g == "-") {
      c.FillRect(cx - 4, cy - 1, 9, 2, kInk);
    } else if (g == "+") {
      c.FillRect(cx - 4, cy - 1, 9, 2, kInk);
      c.FillRect(cx - 1, cy - 4, 2, 9, kInk);
    } else {
      c.Line(cx - 3, cy - 3, cx + 3, cy + 3, kRed3);
      c.Line(cx - 3, cy + 3, cx + 3, cy - 3, kRed3);
    }
  }
}

}  // namespace

void AddSpeechBubbles(ArtSet& set) {
  const Canvas bubbles[] = {
      Balloon(88, 1, 60, 40, 14, 86),      // 1: speaker at the lower left
      Balloon(88, 1, 60, 144, 170, 86),    // 2: speaker at the lower right
      Balloon(88, 28, 86, 40, 14, 2),      // 3: speaker at the upper left
      Balloon(88, 28, 86, 144, 170, 2),    // 4: speaker at the upper right
      Balloon(107, 1, 78, 40, 14, 105),    // 5: musician's, speaker lower left
      Balloon(107, 1, 78, 144, 170, 105),  // 6: musician's, speaker lower right
  };
  for (int type = 1; type <= 6; ++type) {
    Canvas c = bubbles[type - 1];
    if (type >= 5) Buttons(c);
    char name[32];
    std::snprintf(name, sizeof name, "SPRECHBLASE_%02d", type);
    set.AddBitmap(name, c, kSpriteKey);
  }
}

}  // namespace art
