#pragma once
// Sprite sheets: the frames of a figure side by side in one bitmap, found by
// the program through a table of {x, y, width, height} rectangles. The table
// lives in a program header; the generator draws into the same rectangles.

#include <functional>
#include <span>
#include <vector>

#include "canvas.h"

namespace art {

struct FrameRect {
  int x, y, w, h;
};

// Frames of one size in a row with a one-pixel gap, the usual layout.
std::vector<FrameRect> RowLayout(int count, int width, int height, int gap = 1, int x0 = 0, int y0 = 0);

// Converts a program table whose rows are {x, y, width, height} in any struct
// or array form that can be brace-unpacked into four ints.
template <class Row>
std::vector<FrameRect> FramesFrom(std::span<const Row> table) {
  std::vector<FrameRect> out;
  for (const Row& r : table) {
    const auto& [x, y, w, h] = r;
    out.push_back({int(x), int(y), int(w), int(h)});
  }
  return out;
}

class SpriteSheet {
 public:
  // The sheet is as large as the frames reach; frames must not overlap
  // (std::invalid_argument), so one frame never bleeds into the next.
  explicit SpriteSheet(std::vector<FrameRect> frames);

  // Draws frame i; the picture must have the frame's size.
  void Put(size_t index, const Canvas& frame);
  // Draws every frame with draw(index, width, height).
  void PutAll(const std::function<Canvas(size_t index, int width, int height)>& draw);

  const std::vector<FrameRect>& Frames() const { return frames_; }
  const Canvas& Picture() const { return sheet_; }

 private:
  std::vector<FrameRect> frames_;
  Canvas sheet_;
};

}  // namespace art
