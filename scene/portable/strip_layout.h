#pragma once
// Which part of a scenery strip the screen-wide window shows: the part that
// ends `offset` pixels before the picture's right end.

struct StripView {
  int sourceX = 0;
  int width = 0;
  friend bool operator==(const StripView&, const StripView&) = default;
};

// A screen wider than what is left of the picture shows it from its left
// end (the rest of the window stays see-through), never from before it.
inline StripView StripViewFor(int sheetWidth, int offset, int screenWidth) {
  if (sheetWidth <= 0 || screenWidth <= 0) return {};
  int sourceX = sheetWidth - offset - screenWidth;
  const int last = sheetWidth > screenWidth ? sheetWidth - screenWidth : 0;
  if (sourceX < 0) sourceX = 0;
  if (sourceX > last) sourceX = last;
  const int width = sheetWidth - sourceX < screenWidth ? sheetWidth - sourceX : screenWidth;
  return {sourceX, width};
}
