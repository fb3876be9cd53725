#pragma once
// A small RGBA pixel canvas for hand-made pixel art. Coordinates outside the
// canvas are clipped silently so shapes may hang over the edges.

#include <cstdint>
#include <vector>

namespace art {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 0;
  friend constexpr bool operator==(const Rgba&, const Rgba&) = default;
  constexpr bool Opaque() const { return a == 255; }
  constexpr bool Clear() const { return a == 0; }
};

constexpr Rgba Rgb(uint32_t hex) {
  return {uint8_t(hex >> 16), uint8_t(hex >> 8), uint8_t(hex), 255};
}
constexpr Rgba kClear{};
// A Windows COLORREF (0x00BBGGRR) as an opaque colour.
constexpr Rgba FromColorRef(uint32_t ref) {
  return {uint8_t(ref), uint8_t(ref >> 8), uint8_t(ref >> 16), 255};
}

// Linear mix of two colours, t = 0 gives a, t = 1 gives b (alpha mixed too).
Rgba Mix(Rgba a, Rgba b, double t);

class Canvas {
 public:
  Canvas() = default;
  Canvas(int width, int height, Rgba fill = kClear);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  Rgba Get(int x, int y) const;  // kClear outside
  void Set(int x, int y, Rgba c);
  // Paints only where the canvas already holds an opaque pixel (shading inside a shape).
  void SetIfOpaque(int x, int y, Rgba c);

  void Fill(Rgba c);
  void FillRect(int x, int y, int w, int h, Rgba c);
  void FrameRect(int x, int y, int w, int h, Rgba c);
  void HLine(int x0, int x1, int y, Rgba c);
  void VLine(int x, int y0, int y1, Rgba c);
  void Line(int x0, int y0, int x1, int y1, Rgba c);  // Bresenham, both ends included
  // Ellipse inside the box (x, y, w, h); pixel centres decide membership.
  void FillEllipse(int x, int y, int w, int h, Rgba c);
  void FillCircle(double cx, double cy, double r, Rgba c);
  void FillPolygon(const std::vector<std::pair<double, double>>& points, Rgba c);
  // A thick line with round ends: every pixel within r of the segment.
  void FillCapsule(double x0, double y0, double x1, double y1, double r, Rgba c);
  // Rounded box with corner radius r (in pixels).
  void FillRoundRect(int x, int y, int w, int h, int r, Rgba c);
  // Four-connected flood fill of the region holding the colour at (x, y).
  void FloodFill(int x, int y, Rgba c);
  void Replace(Rgba from, Rgba to);

  // Copies src onto this canvas at (x, y); clear source pixels leave the target alone.
  void Draw(const Canvas& src, int x, int y);
  Canvas Crop(int x, int y, int w, int h) const;
  Canvas MirroredX() const;
  Canvas MirroredY() const;

  const std::vector<Rgba>& Pixels() const { return pixels_; }
  friend bool operator==(const Canvas&, const Canvas&) = default;

 private:
  int width_ = 0, height_ = 0;
  std::vector<Rgba> pixels_;
};

}  // namespace art
