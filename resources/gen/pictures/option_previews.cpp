// Pictures of the options sheet: the walker on the Speed page, the billboard
// on its page, the plane with its banner, and a portrait of every figure the
// People page lists ("FS_%03d"), cut from the figure's own sprite sheet so the
// preview is the figure that walks. The clock and countdown previews are drawn
// with their faces (clock_faces.cpp), the strips' with the strips.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

#include "../effects.h"
#include "../person.h"
#include "../pixel_font.h"
#include "palette.h"
#include "pictures.h"
#include "scene/figures/fig002_frames.h"
#include "scene/figures/fig003_frames.h"
#include "scene/figures/fig005_frames.h"
#include "scene/figures/fig008_frames.h"
#include "scene/figures/fig011_frames.h"
#include "scene/figures/fig013_frames.h"
#include "scene/figures/fig020_frames.h"
#include "scene/figures/fig022_frames.h"
#include "scene/figures/fig024_frames.h"
#include "scene/figures/fig027_frames.h"
#include "scene/figures/fig031_frames.h"
#include "scene/figures/fig034_frames.h"
#include "scene/figures/fig036_frames.h"
#include "scene/figures/fig037_frames.h"
#include "scene/figures/fig038_frames.h"
#include "scene/figures/fig039_frames.h"
#include "scene/figures/fig040_frames.h"
#include "scene/figures/fig042_frames.h"
#include "scene/figures/fig043_frames.h"
#include "scene/figures/fig047_frames.h"
#include "scene/figures/fig054_frames.h"
#include "scene/figures/fig120_frames.h"

namespace art {
namespace {

using namespace pal;

constexpr int kPortraitWidth = 56;
constexpr int kPortraitHeight = 64;
constexpr int kBirdsListNumber = 90;  // the People page lists the flocks as one figure

PersonLook BaseLook(Rgba top, Rgba topShade, Rgba hair) {
  PersonLook l;
  l.height = 104;
  l.skin = kSkin;
  l.skinShade = kSkinShade;
  l.hair = hair;
  l.top = top;
  l.topShade = topShade;
  l.legs = kGrey4;
  l.legsShade = kGrey5;
  l.shoes = kBrown3;
  return l;
}

// The smallest box round a picture's painted pixels; empty when none are.
struct Area {
  int x = 0, y = 0, w = 0, h = 0;
};

Area PaintedArea(const Canvas& c) {
  int x0 = c.Width(), y0 = c.Height(), x1 = -1, y1 = -1;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (!c.Get(x, y).Clear()) {
        x0 = std::min(x0, x), x1 = std::max(x1, x);
        y0 = std::min(y0, y), y1 = std::max(y1, y);
      }
  if (x1 < 0) return {};
  return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// Shrinks pixel art by `scale` (at most 1) with a box filter that keeps the
// art's own colours: each target pixel covers a box of source pixels and takes
// the colour covering most of it, or stays clear when clear pixels cover more
// than the painted ones. Averaging would smear outlines into new colours.
Canvas ShrinkKeepingColours(const Canvas& src, double scale) {
  const int w = std::max(1, static_cast<int>(std::lround(src.Width() * scale)));
  const int h = std::max(1, static_cast<int>(std::lround(src.Height() * scale)));
  const double sx = double(src.Width()) / w, sy = double(src.Height()) / h;
  Canvas out(w, h);
  std::vector<std::pair<Rgba, double>> weights;
  for (int ty = 0; ty < h; ++ty)
    for (int tx = 0; tx < w; ++tx) {
      const double left = tx * sx, right = left + sx, top = ty * sy, bottom = top + sy;
      weights.clear();
      double clear = 0, painted = 0;
      for (int y = static_cast<int>(top); y < bottom && y < src.Height(); ++y) {
        const double wy = std::min<double>(bottom, y + 1) - std::max<double>(top, y);
        for (int x = static_cast<int>(left); x < right && x < src.Width(); ++x) {
          const double weight = wy * (std::min<double>(right, x + 1) - std::max<double>(left, x));
          const Rgba p = src.Get(x, y);
          if (p.Clear()) {
            clear += weight;
            continue;
          }
          painted += weight;
          auto it = std::find_if(weights.begin(), weights.end(), [&](const auto& e) { return e.first == p; });
          if (it == weights.end())
            weights.emplace_back(p, weight);
          else
            it->second += weight;
        }
      }
      if (painted == 0 || clear > painted) continue;
      const auto best = std::max_element(weights.begin(), weights.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; });
      out.Set(tx, ty, best->first);
    }
  return out;
}

// Which frame of which sheet shows a figure on the People page: its first
// standing or walking frame.
struct PortraitSource {
  int figure;
  const char* sheet;
  SpriteFrame frame;
  bool flying = false;  // shown mid-air rather than standing on the bottom edge
};

const PortraitSource kPortraitSources[] = {
    {kFig002Number, "FIG002_00", kFig002Frames[kFig002RightFirst]},
    {kFig003Number, "FIG003_00", kFig003Frames[4]},
    {kFig005Number, "FIG005_00", kFig005Frames[8]},
    {kFig008Number, "FIG008_00", kFig008Frames[13]},
    {kFig010Number, "FIG010_00", kFig008Frames[13]},
    {kFig011Number, "FIG011_00", kFig011Frames[0]},
    {kFig013Number, "FIG013_00", kFig013Frames[4]},
    {kFig020Number, "FIG020_00", kFig020Frames[8]},
    {kFig022Number, "FIG022_00", kFig022Frames[0]},
    {kFig024Number, "FIG024_00", kFig024Frames[0]},
    {kFig027Number, "FIG027_00", kFig027Frames[kFig027WalkInFirst]},
    {kFig031Number, "FIG031_00", kFig031Frames[15]},
    {kFig034Number, "FIG034_00", kFig034Frames[0]},
    {kFig036Number, "FIG036_00", kFig036Frames[0]},
    {kFig037Number, "FIG037_00", kFig037Frames[kFig037ActFirst]},
    {kFig038Number, "FIG038_00", kFig038Frames[kFig038Sit]},
    {kFig039Number, "FIG039_00", kFig039Frames[0]},
    {kFig040Number, "FIG040_00", kFig040Frames[0]},
    {kFig042Number, "FIG042_00", kFig042Frames[kFig042WalkLeftFirst]},
    {kFig043Number, "FIG043_00", kFig043Frames[0]},
    {kFig047Number, "FIG047_00", kFig047Frames[0]},
    {kFig049Number, "FIG049_00", kFig043Frames[0]},
    {kFig054Number, "FIG054_00", kFig054Frames[0]},
    {kBirdsListNumber, "FIG120_00", kBirdsFrames[0], true},
};

// The figure cut from its frame, shrunk to fit the portrait and stood on its
// bottom edge in the middle (or centred, when flying); clear (the key colour)
// round it.
Canvas Portrait(const Canvas& sheet, const PortraitSource& source) {
  const SpriteFrame& frame = source.frame;
  const Canvas cell = sheet.Crop(frame.x, frame.y, frame.w, frame.h);
  const Area box = PaintedArea(cell);
  if (box.w == 0) throw std::logic_error("a portrait's frame is empty");
  const double scale = std::min({1.0, double(kPortraitWidth) / box.w, double(kPortraitHeight) / box.h});
  const Canvas figure = ShrinkKeepingColours(cell.Crop(box.x, box.y, box.w, box.h), scale);
  Canvas c(kPortraitWidth, kPortraitHeight);
  const int below = source.flying ? (kPortraitHeight - figure.Height()) / 2 : 0;
  c.Draw(figure, (kPortraitWidth - figure.Width()) / 2, kPortraitHeight - figure.Height() - below);
  return c;
}

// The Speed page: a walker in mid-stride.
Canvas Walker() {
  PersonLook look = BaseLook(kRed, kRed3, kHair);
  look.height = 70;
  look.hair_ = HairStyle::kPonytail;
  return DrawPerson(40, 74, 20, look, WalkPose(0.25));
}

// The Billboard page: the wall on its posts with a poster of hills.
Canvas BillboardWall() {
  Canvas c(104, 74);
  c.FillRect(16, 48, 6, 26, kInk);
  c.FillRect(17, 48, 4, 26, kBrown);
  c.FillRect(82, 48, 6, 26, kInk);
  c.FillRect(83, 48, 4, 26, kBrown);
  c.FillRect(0, 0, 104, 52, kInk);
  c.FillRect(1, 1, 102, 50, kBrown3);
  c.FillRect(5, 5, 94, 42, kBlue1);
  c.FillEllipse(-10, 28, 70, 40, kGreen);
  c.FillEllipse(40, 32, 80, 36, kGreen3);
  c.FillCircle(78, 15, 6, kMoon);
  c.FillRect(5, 44, 94, 3, kGreen3);
  DrawText(c, 10, 9, "WAYLUNE", kInk);
  return c;
}

// The Plane page: the old biplane towing its banner.
Canvas PlaneWithBanner() {
  Canvas c(200, 40);
  // Banner cloth on the left, the rope to the plane's tail.
  c.FillRect(0, 12, 104, 18, kInk);
  c.FillRect(1, 13, 102, 16, kWhite);
  c.HLine(1, 102, 28, kGrey2);
  DrawText(c, 20, 18, "IHR TEXT HIER", kRed3);
  c.Line(104, 16, 132, 20, kGrey4);
  c.Line(104, 26, 132, 21, kGrey4);
  // Fuselage, tail, wings, propeller.
  c.FillPolygon({{130, 18}, {190, 16}, {196, 22}, {190, 28}, {136, 25}}, kInk);
  c.FillPolygon({{131, 19}, {189, 17}, {194, 22}, {189, 27}, {137, 24}}, kRed);
  c.FillPolygon({{131, 8}, {140, 8}, {144, 19}, {132, 20}}, kRed3);
  c.FillRect(156, 9, 26, 4, kInk);
  c.FillRect(157, 10, 24, 2, kMoon);
  c.FillRect(154, 27, 30, 4, kInk);
  c.FillRect(155, 28, 28, 2, kMoon);
  c.VLine(160, 12, 27, kInk);
  c.VLine(177, 12, 27, kInk);
  c.FillEllipse(166, 14, 8, 7, kBlue1);  // the pilot's goggles in the cockpit
  c.FillRect(196, 12, 2, 21, kGrey4);
  c.FillCircle(172, 34, 3, kInk);
  return c;
}

}  // namespace

void AddOptionPreviews(ArtSet& set) {
  set.AddBitmap("DLG_LAEUFER", Walker(), kSpriteKey);
  set.AddBitmap("DLG_PLAKATW", BillboardWall(), kSpriteKey);
  set.AddBitmap("FLIEGER", PlaneWithBanner(), kSpriteKey);
}

void AddFigurePortraits(ArtSet& set) {
  for (const PortraitSource& source : kPortraitSources) {
    char name[16];
    std::snprintf(name, sizeof name, "FS_%03d", source.figure);
    try {
      set.AddBitmap(name, Portrait(set.Picture(source.sheet), source), kSpriteKey);
    } catch (const std::exception& e) {
      throw std::logic_error(std::string(name) + " from " + source.sheet + ": " + e.what());
    }
  }
}

}  // namespace art
