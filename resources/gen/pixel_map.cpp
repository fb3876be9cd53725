#include "pixel_map.h"

#include <stdexcept>
#include <string>

namespace art {

void DrawMap(Canvas& canvas, int x, int y, const PixelMap& rows, const Legend& legend) {
  if (rows.empty()) return;
  const size_t width = rows.front().size();
  for (size_t j = 0; j < rows.size(); ++j) {
    if (rows[j].size() != width)
      throw std::invalid_argument("pixel map row " + std::to_string(j) + " has " +
                                  std::to_string(rows[j].size()) + " pixels, expected " +
                                  std::to_string(width));
    for (size_t i = 0; i < width; ++i) {
      const char ch = rows[j][i];
      if (ch == '.' || ch == ' ') continue;
      const auto it = legend.find(ch);
      if (it == legend.end())
        throw std::invalid_argument(std::string("pixel map uses '") + ch + "' which the legend lacks (row " +
                                    std::to_string(j) + ")");
      canvas.Set(x + int(i), y + int(j), it->second);
    }
  }
}

Canvas MapToCanvas(const PixelMap& rows, const Legend& legend) {
  Canvas c(rows.empty() ? 0 : int(rows.front().size()), int(rows.size()));
  DrawMap(c, 0, 0, rows, legend);
  return c;
}

}  // namespace art
