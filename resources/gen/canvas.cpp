#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace art {

Rgba Mix(Rgba a, Rgba b, double t) {
  auto m = [t](uint8_t p, uint8_t q) { return uint8_t(std::lround(p + (q - p) * std::clamp(t, 0.0, 1.0))); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

Canvas::Canvas(int width, int height, Rgba fill) : width_(width), height_(height) {
  if (width < 0 || height < 0 || int64_t(width) * height > (1 << 26))
    throw std::invalid_argument("canvas size out of range");
  pixels_.assign(size_t(width) * size_t(height), fill);
}

Rgba Canvas::Get(int x, int y) const {
  return Contains(x, y) ? pixels_[size_t(y) * width_ + x] : kClear;
}

void Canvas::Set(int x, int y, Rgba c) {
  if (Contains(x, y)) pixels_[size_t(y) * width_ + x] = c;
}

void Canvas::SetIfOpaque(int x, int y, Rgba c) {
  if (Get(x, y).Opaque()) Set(x, y, c);
}

void Canvas::Fill(Rgba c) {
  std::fill(pixels_.begin(), pixels_.end(), c);
}

void Canvas::FillRect(int x, int y, int w, int h, Rgba c) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) Set(i, j, c);
}

void Canvas::FrameRect(int x, int y, int w, int h, Rgba c) {
  if (w <= 0 || h <= 0) return;
  HLine(x, x + w - 1, y, c);
  HLine(x, x + w - 1, y + h - 1, c);
  VLine(x, y, y + h - 1, c);
  VLine(x + w - 1, y, y + h - 1, c);
}

void Canvas::HLine(int x0, int x1, int y, Rgba c) {
  if (x0 > x1) std::swap(x0, x1);
  for (int x = x0; x <= x1; ++x) Set(x, y, c);
}

void Canvas::VLine(int x, int y0, int y1, Rgba c) {
  if (y0 > y1) std::swap(y0, y1);
  for (int y = y0; y <= y1; ++y) Set(x, y, c);
}

void Canvas::Line(int x0, int y0, int x1, int y1, Rgba c) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    Set(x0, y0, c);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
}

void Canvas::FillEllipse(int x, int y, int w, int h, Rgba c) {
  if (w <= 0 || h <= 0) return;
  const double cx = x + w / 2.0, cy = y + h / 2.0, rx = w / 2.0, ry = h / 2.0;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) {
      const double u = (i + 0.5 - cx) / rx, v = (j + 0.5 - cy) / ry;
      if (u * u + v * v <= 1.0) Set(i, j, c);
    }
}

void Canvas::FillCircle(double cx, double cy, double r, Rgba c) {
  const int x0 = int(std::floor(cx - r)), x1 = int(std::ceil(cx + r));
  const int y0 = int(std::floor(cy - r)), y1 = int(std::ceil(cy + r));
  for (int j = y0; j <= y1; ++j)
    for (int i = x0; i <= x1; ++i) {
      const double u = i + 0.5 - cx, v = j + 0.5 - cy;
      if (u * u + v * v <= r * r) Set(i, j, c);
    }
}

void Canvas::FillPolygon(const std::vector<std::pair<double, double>>& points, Rgba c) {
  if (points.size() < 3) return;
  // Even-odd rule sampled at pixel centres.
  for (int j = 0; j < height_; ++j) {
    const double py = j + 0.5;
    for (int i = 0; i < width_; ++i) {
      const double px = i + 0.5;
      bool inside = false;
      for (size_t a = 0, b = points.size() - 1; a < points.size(); b = a++) {
        const auto [xa, ya] = points[a];
        const auto [xb, yb] = points[b];
        if ((ya > py) != (yb > py) && px < xa + (py - ya) * (xb - xa) / (yb - ya)) inside = !inside;
      }
      if (inside) Set(i, j, c);
    }
  }
}

void Canvas::FillCapsule(double x0, double y0, double x1, double y1, double r, Rgba c) {
  const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
  const int i0 = int(std::floor(std::min(x0, x1) - r)), i1 = int(std::ceil(std::max(x0, x1) + r));
  const int j0 = int(std::floor(std::min(y0, y1) - r)), j1 = int(std::ceil(std::max(y0, y1) + r));
  for (int j = j0; j <= j1; ++j)
    for (int i = i0; i <= i1; ++i) {
      const double px = i + 0.5 - x0, py = j + 0.5 - y0;
      const double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0.0;
      const double ex = px - t * dx, ey = py - t * dy;
      if (ex * ex + ey * ey <= r * r) Set(i, j, c);
    }
}

void Canvas::FillRoundRect(int x, int y, int w, int h, int r, Rgba c) {
  r = std::max(0, std::min({r, w / 2, h / 2}));
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) {
      // Distance to the nearest inner corner point decides the rounded corners.
      const double qx = std::clamp(i + 0.5, double(x + r), double(x + w - r));
      const double qy = std::clamp(j + 0.5, double(y + r), double(y + h - r));
      const double dx = i + 0.5 - qx, dy = j + 0.5 - qy;
      if (dx * dx + dy * dy <= double(r) * r + 0.25) Set(i, j, c);
    }
}

void Canvas::FloodFill(int x, int y, Rgba c) {
  if (!Contains(x, y)) return;
  const Rgba from = Get(x, y);
  if (from == c) return;
  std::vector<std::pair<int, int>> todo{{x, y}};
  while (!todo.empty()) {
    auto [i, j] = todo.back();
    todo.pop_back();
    if (!Contains(i, j) || Get(i, j) != from) continue;
    Set(i, j, c);
    todo.insert(todo.end(), {{i + 1, j}, {i - 1, j}, {i, j + 1}, {i, j - 1}});
  }
}

void Canvas::Replace(Rgba from, Rgba to) {
  std::replace(pixels_.begin(), pixels_.end(), from, to);
}

void Canvas::Draw(const Canvas& src, int x, int y) {
  for (int j = 0; j < src.height_; ++j)
    for (int i = 0; i < src.width_; ++i) {
      const Rgba p = src.Get(i, j);
      if (!p.Clear()) Set(x + i, y + j, p);
    }
}

Canvas Canvas::Crop(int x, int y, int w, int h) const {
  Canvas out(w, h);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) out.Set(i, j, Get(x + i, y + j));
  return out;
}

Canvas Canvas::MirroredX() const {
  Canvas out(width_, height_);
  for (int j = 0; j < height_; ++j)
    for (int i = 0; i < width_; ++i) out.Set(width_ - 1 - i, j, Get(i, j));
  return out;
}

Canvas Canvas::MirroredY() const {
  Canvas out(width_, height_);
  for (int j = 0; j < height_; ++j)
    for (int i = 0; i < width_; ++i) out.Set(i, height_ - 1 - j, Get(i, j));
  return out;
}

}  // namespace art
