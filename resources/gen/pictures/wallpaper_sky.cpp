// The built-in wallpaper "WOLKEN": a summer sky, deep blue above and hazy
// towards the horizon, with a soft glow where the sun stands beyond the upper
// right corner, a few high wisps and fair-weather clouds (round sunlit tops,
// flat shaded bottoms) that grow larger and lower towards the viewer. Drawn
// in floating point, smooth to the pixel, then written as a JPEG by the build.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "objects/portable/weather_art.h"
#include "pictures.h"

namespace art {
namespace {

constexpr int kW = kBuiltinWallpaperWidth;
constexpr int kH = kBuiltinWallpaperHeight;

struct Colour {
  double r, g, b;
};
Colour Lerp(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
double Smooth(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Value noise on an integer lattice, smoothly interpolated, and its sum over octaves.
double Lattice(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}
double Noise(double x, double y, uint32_t seed) {
  const int xi = int(std::floor(x)), yi = int(std::floor(y));
  const double fx = x - xi, fy = y - yi;
  const double u = fx * fx * (3 - 2 * fx), v = fy * fy * (3 - 2 * fy);
  const double a = Lattice(xi, yi, seed), b = Lattice(xi + 1, yi, seed);
  const double c = Lattice(xi, yi + 1, seed), d = Lattice(xi + 1, yi + 1, seed);
  return (a + (b - a) * u) * (1 - v) + (c + (d - c) * u) * v;
}
double Fbm(double x, double y, uint32_t seed) {
  double sum = 0, amplitude = 0.5;
  for (int octave = 0; octave < 4; ++octave) {
    sum += amplitude * Noise(x, y, seed + octave);
    x *= 2.03;
    y *= 2.03;
    amplitude *= 0.5;
  }
  return sum;  // 0 ... ~0.94
}

Colour SkyAt(int x, int y) {
  const double t = std::pow(double(y) / (kH - 1), 1.25);
  const Colour top{0.17, 0.42, 0.79}, middle{0.40, 0.64, 0.91}, horizon{0.80, 0.88, 0.96};
  Colour c = t < 0.55 ? Lerp(top, middle, t / 0.55) : Lerp(middle, horizon, (t - 0.55) / 0.45);
  // The sun's glow from beyond the upper right corner.
  const double dx = x - kW * 0.86, dy = y + kH * 0.12;
  const double glow = 0.28 * std::exp(-std::sqrt(dx * dx + dy * dy) / (kW * 0.32));
  return Lerp(c, Colour{1.0, 0.97, 0.88}, glow);
}

struct Puff {
  double x, y, r;
};
struct CloudShape {
  double left, base, width, height;
  uint32_t seed;
};

// Puffs along a dome: biggest in the middle, every one resting near the base.
std::vector<Puff> PuffsOf(const CloudShape& s) {
  std::vector<Puff> puffs;
  const int count = std::max(5, int(s.width / (s.height * 0.55)));
  for (int i = 0; i < count; ++i) {
    const double u = (i + 0.5) / count;
    const double dome = std::sin(u * 3.14159265358979);
    const double wobble = 0.75 + 0.5 * Lattice(i, 7, s.seed);
    const double r = s.height * (0.22 + 0.38 * dome) * wobble;
    puffs.push_back({s.left + u * s.width, s.base - r * 0.55 - dome * s.height * 0.25, r});
  }
  // Small puffs on the shoulders make the tops cauliflower-like.
  const size_t big = puffs.size();
  for (size_t i = 1; i + 1 < big; ++i) {
    const Puff& p = puffs[i];
    const double side = Lattice(int(i), 3, s.seed) - 0.5;
    puffs.push_back(
        {p.x + side * p.r * 1.1, p.y - p.r * 0.62, p.r * (0.38 + 0.2 * Lattice(int(i), 5, s.seed))});
  }
  return puffs;
}

constexpr double kBlend = 9.0;  // sharpness of the puffs' smooth union

void PaintCloud(std::vector<Colour>& image, const CloudShape& s) {
  const std::vector<Puff> puffs = PuffsOf(s);
  const double lightX = 0.35, lightY = -0.94;  // from above, a little from the right
  const int x0 = std::max(0, int(s.left - s.height)), x1 = std::min(kW - 1, int(s.left + s.width + s.height));
  const int y0 = std::max(0, int(s.base - s.height * 1.6)),
            y1 = std::min(kH - 1, int(s.base + s.height * 0.2));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      // Ragged edges: the distance to each puff is stretched by noise.
      const double ragged = 1.0 + 0.22 * (Fbm(x / 38.0, y / 38.0, s.seed) - 0.47);
      // A smooth union of the puffs (no seams where two meet); the light
      // falls on the blend of their normals.
      double sum = 0, nx = 0, ny = 0;
      for (const Puff& p : puffs) {
        const double d = std::hypot(x - p.x, y - p.y) * ragged / p.r;
        const double w = std::exp(kBlend * (1 - d));
        sum += w;
        nx += w * (x - p.x) / p.r;
        ny += w * (y - p.y) / p.r;
      }
      double field = std::log(sum) / kBlend;
      nx /= sum;
      ny /= sum;
      field *= Smooth(s.base + s.height * 0.08, s.base - s.height * 0.12, y);  // the flat bottom
      const double alpha = Smooth(0.0, 0.16, field);
      if (alpha <= 0) continue;
      double light = 0.58 + 0.42 * std::clamp(nx * lightX + ny * lightY, -1.0, 1.0);
      light -= 0.30 * Smooth(s.base - s.height * 0.9, s.base, y);
      light += 0.05 * (Fbm(x / 14.0, y / 14.0, s.seed + 9) - 0.47);
      light = std::clamp(light, 0.0, 1.0);
      const Colour shade{0.62, 0.69, 0.81}, sunlit{1.0, 0.99, 0.96};
      Colour cloud = Lerp(shade, sunlit, light);
      // Thin rims let the sky through.
      Colour& px = image[size_t(y) * kW + x];
      px = Lerp(px, cloud, alpha * (0.82 + 0.18 * Smooth(0.16, 0.5, field)));
    }
}

// High, thin streaks drawn out along the wind.
void PaintWisps(std::vector<Colour>& image) {
  for (int y = 0; y < kH * 2 / 5; ++y)
    for (int x = 0; x < kW; ++x) {
      const double n = Fbm(x / 420.0 + y / 900.0, y / 26.0, 91);
      const double band = Smooth(0.52, 0.72, n) * (1 - Smooth(kH * 0.22, kH * 0.4, y));
      if (band <= 0) continue;
      Colour& px = image[size_t(y) * kW + x];
      px = Lerp(px, Colour{0.95, 0.97, 1.0}, 0.33 * band);
    }
}

}  // namespace

void AddWallpaperSky(ArtSet& set) {
  std::vector<Colour> image(size_t(kW) * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) image[size_t(y) * kW + x] = SkyAt(x, y);
  PaintWisps(image);
  // Far and small first, near and large last.
  const CloudShape clouds[] = {
      {1180, 300, 190, 70, 11},  {260, 250, 230, 80, 12},   {760, 390, 280, 95, 13},
      {1530, 470, 300, 105, 14}, {60, 560, 360, 130, 15},   {1010, 640, 420, 150, 16},
      {520, 840, 560, 200, 17},  {1400, 930, 640, 230, 18}, {-200, 1060, 720, 260, 19},
      {880, 1200, 900, 300, 20},
  };
  for (const CloudShape& c : clouds) PaintCloud(image, c);

  Canvas picture(kW, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const Colour& c = image[size_t(y) * kW + x];
      // A whisper of noise keeps the smooth gradient from banding.
      const double dither = (Lattice(x, y, 5) - 0.5) / 255.0;
      auto byte = [dither](double v) {
        return uint8_t(std::clamp(int(std::lround((v + dither) * 255)), 0, 255));
      };
      picture.Set(x, y, Rgba{byte(c.r), byte(c.g), byte(c.b), 255});
    }
  set.AddWallpaper(kBuiltinWallpaperName, picture);
}

}  // namespace art
