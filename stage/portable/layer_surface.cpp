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

std::vector<SceneRect> OpaqueRuns(const PixelRows8& rows, int left, int width, uint8_t key) {
  std::vector<SceneRect> runs;
  if (!rows.bits) return runs;
  const int first = std::max(left, 0), end = std::min(left + width, rows.width);
  for (int y = 0; y < rows.height; ++y) {
    const uint8_t* row = rows.bits + y * rows.stride;
    for (int x = first; x < end;) {
      while (x < end && row[x] == key) ++x;
      const int start = x;
      while (x < end && row[x] != key) ++x;
      if (x > start) runs.push_back({start - left, y, x - left, y + 1});
    }
  }
  return runs;
}
