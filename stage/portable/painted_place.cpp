#include "stage/portable/painted_place.h"

#include <algorithm>

#include "stage/portable/layer_surface.h"

namespace {

SceneRect Intersection(const SceneRect& a, const SceneRect& b) {
  const SceneRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
  return r.Empty() ? SceneRect{} : r;
}

bool Holds(const SceneRect& outer, const SceneRect& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// `start` of a span `length` long moved onto [low, high) as far as it fits.
int OntoScreen(int start, int length, int low, int high) {
  return std::max(low, std::min(start, high - length));
}

}  // namespace

bool PaintsItsWindow(int frameMs) {
  return frameMs > 0;
}

SceneSize PaintedWindowSize(SceneSize picture) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  return {RoundUpToSurfaceStep(picture.width + kPaintedSlack), RoundUpToSurfaceStep(picture.height)};
}

int RectsOutside(const SceneRect& rect, const SceneRect& keep, SceneRect (&out)[4]) {
  for (SceneRect& r : out) r = {};
  if (rect.Empty()) return 0;
  const SceneRect k = Intersection(rect, keep);
  if (k.Empty()) {
    out[0] = rect;
    return 1;
  }
  const SceneRect bands[4] = {{rect.left, rect.top, rect.right, k.top},
                              {rect.left, k.bottom, rect.right, rect.bottom},
                              {rect.left, k.top, k.left, k.bottom},
                              {k.right, k.top, rect.right, k.bottom}};
  int count = 0;
  for (const SceneRect& band : bands)
    if (!band.Empty()) out[count++] = band;
  return count;
}

SceneRect PaintedWindowFor(const SceneRect& window, SceneSize size, const SceneRect& picture,
                           const SceneRect& last, const SceneRect& screen) {
  const SceneRect shown = Intersection(picture, screen);
  if (shown.Empty()) return window;
  const int pictureWidth = picture.right - picture.left, pictureHeight = picture.bottom - picture.top;
  const SceneSize needed = PaintedWindowSize({pictureWidth, pictureHeight});
  const int width = std::min(std::max(size.width, needed.width), screen.right - screen.left);
  const int height = std::min(std::max(size.height, needed.height), screen.bottom - screen.top);
  if (window.right - window.left == width && window.bottom - window.top == height && Holds(window, shown))
    return window;
  int left = picture.left - (width - pictureWidth) / 2;
  if (!last.Empty() && picture.left < last.left) left = picture.right - width;  // moving left
  if (!last.Empty() && picture.left > last.left) left = picture.left;           // moving right
  const int top = picture.top - (height - pictureHeight) / 2;
  const SceneRect placed{OntoScreen(left, width, screen.left, screen.right),
                         OntoScreen(top, height, screen.top, screen.bottom), 0, 0};
  return {placed.left, placed.top, placed.left + width, placed.top + height};
}
