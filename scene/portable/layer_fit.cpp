#include "scene/portable/layer_fit.h"

#include <algorithm>

namespace {

bool SeeThrough(const MaskBits& mask, int x, int y) {
  return (mask.bits[static_cast<size_t>(y) * mask.stride + x / 8] >> (7 - x % 8)) & 1;
}

}  // namespace

ColumnSpan OpaqueColumns(const MaskBits& mask, const SpriteFrame& frame) {
  if (frame.w <= 0 || frame.h <= 0) return {};
  if (!mask.bits) return {0, frame.w};
  const int left = std::max(frame.x, 0), right = std::min(frame.x + frame.w, mask.width);
  const int top = std::max(frame.y, 0), bottom = std::min(frame.y + frame.h, mask.height);
  int first = right, last = left - 1;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < first; ++x)
      if (!SeeThrough(mask, x, y)) {
        first = x;
        break;
      }
    for (int x = right - 1; x > last; --x)
      if (!SeeThrough(mask, x, y)) {
        last = x;
        break;
      }
  }
  if (first > last) return {};
  return {first - frame.x, last + 1 - frame.x};
}

bool IsEmptyRect(const SceneRect& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

SceneRect UnionRect(const SceneRect& a, const SceneRect& b) {
  if (IsEmptyRect(a)) return IsEmptyRect(b) ? SceneRect{} : b;
  if (IsEmptyRect(b)) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

SceneRect DrawnRect(ScenePoint at, const SpriteFrame& frame, ColumnSpan columns) {
  return {at.x + columns.first, at.y, at.x + columns.end, at.y + frame.h};
}

LayerFit FitLayer(ScenePoint destination, SceneSize size, const SceneRect& drawn, ScenePoint parking,
                  LayerCut cut) {
  SceneRect shown{std::max(drawn.left, 0), std::max(drawn.top, 0), std::min(drawn.right, size.width),
                  std::min(drawn.bottom, size.height)};
  // A pixel nothing was drawn on since the clear: the key colour.
  if (IsEmptyRect(shown)) return {parking, {1, 1}, {0, 0}};
  if (cut == LayerCut::kWhole) shown = {0, 0, size.width, size.height};
  return {{destination.x + shown.left, destination.y + shown.top},
          {shown.right - shown.left, shown.bottom - shown.top},
          {shown.left, shown.top}};
}
