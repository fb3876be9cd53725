#include "stage/portable/layer_surface.h"

#include <algorithm>
#include <cstring>

int RoundUpToSurfaceStep(int length) {
  if (length <= 0) return 0;
  return (length + kSurfaceStep - 1) / kSurfaceStep * kSurfaceStep;
}

bool SurfaceKept(const SceneRect& window, const SceneRect& screen) {
  // The on-screen part, relative to the window; none for an empty window.
  const int left = std::max(window.left, screen.left) - window.left;
  const int top = std::max(window.top, screen.top) - window.top;
  const int right = std::min(window.right, screen.right) - window.left;
  const int bottom = std::min(window.bottom, screen.bottom) - window.top;
  if (left >= right || top >= bottom) return false;
  // Rounded out, the start down and the end up (a step at least, as the end
  // lies past the start).
  return left / kSurfaceStep == 0 && top / kSurfaceStep == 0 &&
         RoundUpToSurfaceStep(right) == window.right - window.left &&
         RoundUpToSurfaceStep(bottom) == window.bottom - window.top;
}

bool PadToBottomLeft(const PixelRows8& source, const PixelRows8& target, uint8_t key) {
  if (!source.bits || !target.bits || source.width <= 0 || source.height <= 0) return false;
  if (source.width > target.width || source.height > target.height) return false;
  const int above = target.height - source.height;
  for (int y = 0; y < target.height; ++y) {
    uint8_t* row = target.bits + y * target.stride;
    int filled = 0;
    if (y >= above) {
      std::memcpy(row, source.bits + (y - above) * source.stride, static_cast<size_t>(source.width));
      filled = source.width;
    }
    std::memset(row + filled, key, static_cast<size_t>(target.width - filled));
  }
  return true;
}

namespace {

template <typename Rows, typename IsKey>
std::vector<SceneRect> RunsOf(const Rows& rows, int left, int width, IsKey isKey) {
  std::vector<SceneRect> runs;
  if (!rows.bits) return runs;
  const int first = std::max(left, 0), end = std::min(left + width, rows.width);
  for (int y = 0; y < rows.height; ++y) {
    const auto* row = rows.bits + y * rows.stride;
    for (int x = first; x < end;) {
      while (x < end && isKey(row[x])) ++x;
      const int start = x;
      while (x < end && !isKey(row[x])) ++x;
      if (x > start) runs.push_back({start - left, y, x - left, y + 1});
    }
  }
  return runs;
}

}  // namespace

std::vector<SceneRect> OpaqueRuns(const PixelRows8& rows, int left, int width, uint8_t key) {
  return RunsOf(rows, left, width, [key](uint8_t pixel) { return pixel == key; });
}

std::vector<SceneRect> OpaqueRuns32(const PixelRows32& rows, int left, int width, uint32_t key) {
  constexpr uint32_t kColour = 0xFFFFFF;
  return RunsOf(rows, left, width, [key](uint32_t pixel) { return (pixel & kColour) == (key & kColour); });
}

void MarkKeyAlpha(const PixelRows32& rows, uint32_t key) {
  if (!rows.bits) return;
  constexpr uint32_t kColour = 0xFFFFFF, kOpaque = 0xFF000000;
  key &= kColour;
  for (int y = 0; y < rows.height; ++y) {
    uint32_t* row = rows.bits + y * rows.stride;
    for (int x = 0; x < rows.width; ++x) {
      const uint32_t colour = row[x] & kColour;
      row[x] = colour == key ? colour : colour | kOpaque;
    }
  }
}

SceneSize KeptWindowSize(ScenePoint at, SceneSize size, const SceneRect& screen) {
  // An empty size gives an empty window, which Wine keeps no surface for.
  const SceneSize padded{RoundUpToSurfaceStep(size.width), RoundUpToSurfaceStep(size.height)};
  const SceneRect window{at.x, at.y, at.x + padded.width, at.y + padded.height};
  return SurfaceKept(window, screen) ? padded : SceneSize{};
}
