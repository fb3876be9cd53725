// The weather sign: the frame "WETTER" (a wooden board on a post with a
// thermometer at its side) and the weather pictures "WET_1_cc_ww" it shows
// (a little landscape under the sky of the cloud class, with the weather of
// the report), plus "WET_1_--_--" for missing data. Sizes and names come from
// objects/portable/weather_art.h. The top right of every picture stays calm
// sky: the sign writes the temperature there.

#include <cmath>
#include <string>

#include "../effects.h"
#include "../pixel_font.h"
#include "objects/portable/weather_art.h"
#include "palette.h"
#include "pictures.h"

namespace art {
namespace {

using namespace pal;

constexpr int kW = kWeatherPictureWidth;
constexpr int kH = kWeatherPictureHeight;

constexpr Rgba kWood = Rgb(0xB07A46);
constexpr Rgba kWoodLight = Rgb(0xD49A5E);
constexpr Rgba kWoodDark = Rgb(0x7A4E2A);
constexpr Rgba kSun = Rgb(0xFFD447);
constexpr Rgba kSunCore = Rgb(0xFFF1A6);
constexpr Rgba kCloudShade = Rgb(0xC6D0DE);
constexpr Rgba kStormCloud = Rgb(0x7B8494);
constexpr Rgba kStormShade = Rgb(0x596173);
constexpr Rgba kRain = Rgb(0x4F8FE8);
constexpr Rgba kIce = Rgb(0xDDF3FF);

enum Weather { kNone = 0, kStorm = 1, kRainy = 2, kSnowy = 3, kHail = 4, kFoggy = 5 };

struct Sky {
  Rgba top, bottom;
};

Sky SkyOf(int cloud, int weather) {
  if (weather == kStorm) return {Rgb(0x3D4658), Rgb(0x7A8497)};
  if (weather == kRainy || weather == kHail) return {Rgb(0x6D7F98), Rgb(0xAEBBCB)};
  if (weather == kSnowy) return {Rgb(0x8E9DB2), Rgb(0xD7DEE8)};
  switch (cloud) {
    case 0:
    case 1:
      return {Rgb(0x3F8FE6), Rgb(0xB8E0FF)};
    case 2:
      return {Rgb(0x5597DE), Rgb(0xC4E2FA)};
    case 3:
      return {Rgb(0x7FA2C9), Rgb(0xCCDAE8)};
    default:
      return {Rgb(0x8E99AA), Rgb(0xC9CFD8)};
  }
}

void Gradient(Canvas& c, Rgba top, Rgba bottom, int y0, int y1) {
  for (int y = y0; y <= y1; ++y)
    c.HLine(0, kW - 1, y, Mix(top, bottom, double(y - y0) / std::max(1, y1 - y0)));
}

// Two rolling hills and a path; snow covers them white.
void Landscape(Canvas& c, bool snow) {
  const Rgba far = snow ? Rgb(0xE4ECF5) : kGreen1;
  const Rgba nearHill = snow ? kWhite : kGreen;
  const Rgba shade = snow ? Rgb(0xBFCCDD) : kGreen3;
  for (int x = 0; x < kW; ++x) {
    const int farTop = 42 + int(std::lround(2.5 * std::sin(x / 9.0 + 1.0)));
    c.VLine(x, farTop, kH - 1, far);
    const int nearTop = 46 + int(std::lround(2.0 * std::sin(x / 13.0 + 3.5)));
    c.VLine(x, nearTop, kH - 1, nearHill);
    c.Set(x, nearTop, shade);
  }
  // A path winding to the front.
  const Rgba path = snow ? Rgb(0xD5DDE8) : kPath;
  c.FillPolygon({{38, 47}, {42, 47}, {50, 54}, {40, 54}}, path);
  // A small tree on the far hill.
  c.FillRect(66, 37, 1, 5, kBrown3);
  c.FillCircle(66.5, 35.5, 3.2, snow ? Rgb(0xF4F8FC) : kGreen3);
  c.FillCircle(65.5, 34.5, 1.5, snow ? kWhite : kGreen);
}

void Sun(Canvas& c, int cx, int cy) {
  for (int i = 0; i < 8; ++i) {
    const double a = i * 3.14159265358979 / 4;
    c.Line(cx + int(std::lround(7 * std::cos(a))), cy + int(std::lround(7 * std::sin(a))),
           cx + int(std::lround(10 * std::cos(a))), cy + int(std::lround(10 * std::sin(a))), kSun);
  }
  c.FillCircle(cx + 0.5, cy + 0.5, 5.6, kMoonShade);
  c.FillCircle(cx + 0.5, cy + 0.5, 5.0, kSun);
  c.FillCircle(cx - 0.5, cy - 0.5, 2.6, kSunCore);
}

// A cloud of round puffs on a flat bottom: light on top, shade below, an
// outline round the whole.
void Cloud(Canvas& c, int x, int y, int width, bool dark) {
  Canvas shape(kW, kH);
  const Rgba fill = dark ? kStormCloud : kWhite;
  const Rgba shade = dark ? kStormShade : kCloudShade;
  const double r = width / 4.2;
  shape.FillRoundRect(x, y - int(r * 0.8), width, int(r * 1.6), int(r * 0.8), fill);
  shape.FillCircle(x + width * 0.30, y - r * 0.55, r * 0.95, fill);
  shape.FillCircle(x + width * 0.58, y - r * 0.85, r * 1.15, fill);
  shape.FillCircle(x + width * 0.80, y - r * 0.35, r * 0.75, fill);
  for (int j = 0; j < kH; ++j)
    for (int i = 0; i < kW; ++i)
      if (shape.Get(i, j).Opaque() && j > y - r * 0.1) shape.Set(i, j, shade);
  c.Draw(Outlined(shape, dark ? kGrey5 : kGrey3), 0, 0);
}

// The columns under the clouds, where rain, snow and hail fall.
struct Span {
  int from = 0, to = kW;
};

Span Clouds(Canvas& c, int cloud, bool dark) {
  switch (cloud) {
    case 1:
      Cloud(c, 40, 30, 22, dark);
      return {42, 61};
    case 2:
      Cloud(c, 30, 22, 20, dark);
      Cloud(c, 50, 36, 24, dark);
      return {32, 73};
    case 3:
      Cloud(c, 4, 30, 30, dark);
      Cloud(c, 24, 22, 30, dark);
      Cloud(c, 48, 34, 30, dark);
      return {6, 77};
    case 4:
      // A closed blanket of big puffs.
      for (int i = 0; i < 5; ++i) Cloud(c, -8 + i * 19, 28 + (i % 2) * 4, 30, dark);
      return {2, kW - 2};
    default:
      return {};
  }
}

int ColumnIn(const Span& s, int i, int step) {
  return s.from + 2 + (i * step) % std::max(1, s.to - s.from - 4);
}

void RainDrops(Canvas& c, const Span& s, int from, int to) {
  for (int i = 0; i < 14; ++i) {
    const int x = ColumnIn(s, i, 23), y = from + (i * 11) % std::max(1, to - from - 4);
    c.Line(x, y, x - 1, y + 3, kRain);
  }
}

void SnowFlakes(Canvas& c, const Span& s, int from, int to) {
  for (int i = 0; i < 12; ++i) {
    const int x = ColumnIn(s, i, 29), y = from + (i * 13) % std::max(1, to - from - 2);
    c.Set(x, y, kWhite);
    c.Set(x - 1, y, kWhite);
    c.Set(x + 1, y, kWhite);
    c.Set(x, y - 1, kWhite);
    c.Set(x, y + 1, kWhite);
  }
}

void HailStones(Canvas& c, const Span& s, int from, int to) {
  for (int i = 0; i < 12; ++i) {
    const int x = ColumnIn(s, i, 31), y = from + (i * 17) % std::max(1, to - from);
    c.FillRect(x, y, 2, 2, kIce);
    c.Set(x + 1, y + 1, kGrey3);
  }
}

void Lightning(Canvas& c, int x, int y) {
  c.FillPolygon({{x + 4.0, y + 0.0},
                 {x + 0.0, y + 8.0},
                 {x + 3.0, y + 8.0},
                 {x + 1.0, y + 15.0},
                 {x + 7.0, y + 5.0},
                 {x + 4.0, y + 5.0},
                 {x + 6.0, y + 0.0}},
                kSun);
}

// Soft bands of mist over the lower sky and the hills.
void Fog(Canvas& c) {
  const int bands[] = {24, 31, 38, 44, 49};
  for (int k = 0; k < 5; ++k)
    for (int x = 0; x < kW; ++x) {
      const int wave = int(std::lround(1.2 * std::sin(x / 7.0 + k)));
      for (int j = 0; j < 3; ++j) {
        const int y = bands[k] + wave + j;
        c.Set(x, y, Mix(c.Get(x, y), Rgb(0xEEF1F5), j == 1 ? 0.8 : 0.5));
      }
    }
}

Canvas WeatherPicture(int cloud, int weather) {
  Canvas c(kW, kH);
  const Sky sky = SkyOf(cloud, weather);
  Gradient(c, sky.top, sky.bottom, 0, kH - 1);
  Landscape(c, weather == kSnowy);
  if (cloud <= 2 && weather != kStorm) Sun(c, 16, 15);
  if (cloud == 3 && weather == kNone) Sun(c, 20, 13);
  const bool dark = weather == kStorm || weather == kRainy || weather == kHail;
  const Span under = Clouds(c, cloud, dark);
  const int below = cloud == 4 ? 36 : 32;
  switch (weather) {
    case kStorm:
      Lightning(c, (under.from + under.to) / 2 - 4, below - 2);
      RainDrops(c, under, below, 46);
      break;
    case kRainy:
      RainDrops(c, under, below, 48);
      break;
    case kSnowy:
      SnowFlakes(c, under, below, 50);
      break;
    case kHail:
      HailStones(c, under, below, 52);
      break;
    case kFoggy:
      Fog(c);
      break;
    default:
      break;
  }
  return c;
}

// Missing data: a dim panel with a question mark and "KEINE DATEN".
Canvas NoDataPicture() {
  Canvas c(kW, kH);
  Gradient(c, Rgb(0x5B6475), Rgb(0x9AA3B2), 0, kH - 1);
  Canvas mark(TextWidth("?"), kFontHeight);
  DrawText(mark, 0, 0, "?", kWhite);
  const int scale = 5, mx = (kW - mark.Width() * scale) / 2, my = 8;
  for (int j = 0; j < mark.Height(); ++j)
    for (int i = 0; i < mark.Width(); ++i)
      if (mark.Get(i, j).Opaque()) {
        c.FillRect(mx + i * scale + 1, my + j * scale + 1, scale, scale, kGrey5);
        c.FillRect(mx + i * scale, my + j * scale, scale, scale, kGrey1);
      }
  const std::string words = "KEINE DATEN";
  DrawText(c, (kW - TextWidth(words)) / 2, 42, words, kGrey1);
  return c;
}

// The board with its rim, the thermometer on the right and the post below.
Canvas Frame() {
  Canvas c(kWeatherSignWidth, kWeatherSignHeight);
  const int boardBottom = kWeatherPictureY + kWeatherPictureHeight + 2;
  // Post and its foot first, the board over them.
  c.FillRect(39, boardBottom, 8, kWeatherSignHeight - boardBottom - 2, kWood);
  c.VLine(39, boardBottom, kWeatherSignHeight - 3, kWoodLight);
  c.VLine(46, boardBottom, kWeatherSignHeight - 3, kWoodDark);
  c.FillRect(33, kWeatherSignHeight - 3, 20, 3, kWoodDark);
  c.HLine(33, 52, kWeatherSignHeight - 3, kWood);
  for (int x : {30, 34, 51, 55}) {
    c.Line(x, kWeatherSignHeight - 1, x - 1, kWeatherSignHeight - 4, kGreen3);
    c.Line(x + 1, kWeatherSignHeight - 1, x + 2, kWeatherSignHeight - 5, kGreen);
  }
  c.FillRect(0, 2, kWeatherSignWidth, boardBottom - 1, kWood);
  c.FrameRect(0, 2, kWeatherSignWidth, boardBottom - 1, kWoodDark);
  c.HLine(1, kWeatherSignWidth - 2, 3, kWoodLight);
  // The picture's place, overwritten by every picture the sign shows.
  c.FillRect(kWeatherPictureX, kWeatherPictureY, kW, kH, kGrey4);
  // Thermometer: glass tube, red column, bulb.
  const int tx = kWeatherPictureX + kW + 2;
  c.FillRect(tx, 9, 3, 42, kGrey1);
  c.FrameRect(tx - 1, 8, 5, 44, kGrey4);
  c.VLine(tx + 1, 26, 51, kRed);
  c.FillCircle(tx + 1.5, 54.5, 2.6, kRed3);
  c.FillCircle(tx + 1.5, 54.5, 1.9, kRed);
  for (int y = 12; y < 50; y += 6) c.Set(tx + 3, y, kGrey4);
  // Two nails.
  c.Set(kWeatherSignWidth - 3, 4, kGrey2);
  c.Set(kWeatherSignWidth - 3, boardBottom - 1, kGrey2);
  return c;
}

}  // namespace

void AddWeatherSign(ArtSet& set) {
  set.AddBitmap(kWeatherFrameName, Frame(), kSpriteKey);
  for (int cloud = 0; cloud <= 4; ++cloud)
    for (int weather = 0; weather <= 5; ++weather)
      if (WeatherPictureExists(cloud, weather))
        set.AddBitmap(WeatherPictureName(cloud, weather), WeatherPicture(cloud, weather), kSpriteKey);
  set.AddBitmap(kWeatherNoDataName, NoDataPicture(), kSpriteKey);
}

}  // namespace art
