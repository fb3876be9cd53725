#include "sprite_sheet.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace art {

std::vector<FrameRect> RowLayout(int count, int width, int height, int gap, int x0, int y0) {
  std::vector<FrameRect> out;
  for (int i = 0; i < count; ++i) out.push_back({x0 + i * (width + gap), y0, width, height});
  return out;
}

SpriteSheet::SpriteSheet(std::vector<FrameRect> frames) : frames_(std::move(frames)) {
  int w = 0, h = 0;
  for (size_t i = 0; i < frames_.size(); ++i) {
    const FrameRect& f = frames_[i];
    if (f.x < 0 || f.y < 0 || f.w < 1 || f.h < 1 || f.x > 8192 - f.w || f.y > 8192 - f.h)
      throw std::invalid_argument("frame " + std::to_string(i) + " lies outside any sensible sheet");
    for (size_t j = 0; j < i; ++j) {
      const FrameRect& g = frames_[j];
      if (f.x < g.x + g.w && g.x < f.x + f.w && f.y < g.y + g.h && g.y < f.y + f.h)
        throw std::invalid_argument("frames " + std::to_string(j) + " and " + std::to_string(i) + " overlap");
    }
    w = std::max(w, f.x + f.w);
    h = std::max(h, f.y + f.h);
  }
  sheet_ = Canvas(w, h);
}

void SpriteSheet::Put(size_t index, const Canvas& frame) {
  const FrameRect& f = frames_.at(index);
  if (frame.Width() != f.w || frame.Height() != f.h)
    throw std::invalid_argument("frame " + std::to_string(index) + " is drawn at the wrong size");
  for (int y = 0; y < f.h; ++y)
    for (int x = 0; x < f.w; ++x) sheet_.Set(f.x + x, f.y + y, frame.Get(x, y));
}

void SpriteSheet::PutAll(const std::function<Canvas(size_t, int, int)>& draw) {
  for (size_t i = 0; i < frames_.size(); ++i) Put(i, draw(i, frames_[i].w, frames_[i].h));
}

}  // namespace art
