// Pictures of the options sheet: the walker on the Speed page, the billboard
// on its page, the plane with its banner, and a portrait of every figure the
// People page lists ("FS_%03d"). The clock and countdown previews are drawn
// with their faces (clock_faces.cpp), the strips' with the strips.

#include <cstdio>
#include <functional>

#include "../effects.h"
#include "../person.h"
#include "../pixel_font.h"
#include "palette.h"
#include "pictures.h"

namespace art {
namespace {

using namespace pal;

constexpr int kPortraitWidth = 56;
constexpr int kPortraitHeight = 64;

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

// A framed card with a figure's head and shoulders on it.
Canvas Card(const std::function<void(Canvas&)>& paint) {
  Canvas c(kPortraitWidth, kPortraitHeight);
  c.FillRoundRect(0, 0, kPortraitWidth, kPortraitHeight, 4, kInk);
  c.FillRoundRect(1, 1, kPortraitWidth - 2, kPortraitHeight - 2, 3, kGrey1);
  c.FillRect(3, 3, kPortraitWidth - 6, kPortraitHeight - 6, kBlue1);
  c.FillRect(3, 44, kPortraitWidth - 6, kPortraitHeight - 47, kGreen1);
  Canvas inner(kPortraitWidth - 6, kPortraitHeight - 6);
  paint(inner);
  c.Draw(inner, 3, 3);
  return c;
}

Canvas PersonCard(const PersonLook& look) {
  return Card([&](Canvas& inner) {
    // The person stands below the card: only head and shoulders show.
    const Canvas person = DrawPerson(inner.Width(), 140, inner.Width() / 2.0 - 2, look, StandPose());
    inner.Draw(person.Crop(0, 140 - static_cast<int>(look.height) - 6, inner.Width(), inner.Height()), 0, 0);
  });
}

Canvas DogCard() {
  return Card([](Canvas& c) {
    const Rgba fur = kBrown, furLight = Rgb(0xC08850), ear = kBrown3;
    c.FillEllipse(8, 10, 12, 22, ear);
    c.FillEllipse(30, 10, 12, 22, ear);
    c.FillEllipse(12, 12, 26, 30, fur);
    c.FillEllipse(17, 28, 16, 14, furLight);
    c.FillCircle(19.5, 23.5, 2, kInk);
    c.FillCircle(30.5, 23.5, 2, kInk);
    c.Set(19, 22, kWhite);
    c.Set(30, 22, kWhite);
    c.FillEllipse(21, 31, 8, 5, kInk);
    c.HLine(23, 26, 39, kRed3);
    c.FillRect(14, 44, 22, 14, fur);
    c.HLine(14, 35, 44, kRed);
  });
}

Canvas BunnyCard() {
  return Card([](Canvas& c) {
    const Rgba fur = kGrey2, inner = kRed1;
    c.FillEllipse(14, 0, 9, 26, kGrey3);
    c.FillEllipse(27, 0, 9, 26, kGrey3);
    c.FillEllipse(16, 3, 5, 19, inner);
    c.FillEllipse(29, 3, 5, 19, inner);
    c.FillEllipse(11, 18, 28, 26, fur);
    c.FillCircle(19.5, 28.5, 2, kInk);
    c.FillCircle(30.5, 28.5, 2, kInk);
    c.FillEllipse(23, 33, 5, 4, kRed);
    c.HLine(12, 20, 36, kGrey4);
    c.HLine(30, 38, 36, kGrey4);
    c.FillRect(13, 44, 24, 14, kBlue);  // a blue waistcoat
    c.FillEllipse(31, 46, 14, 11, kMoon);  // the egg it carries
    c.HLine(33, 42, 51, kRed);
  });
}

Canvas BirdsCard() {
  return Card([](Canvas& c) {
    auto bird = [&](int x, int y, Rgba body, Rgba breast) {
      c.FillEllipse(x, y, 18, 13, body);
      c.FillEllipse(x + 7, y + 5, 10, 7, breast);
      c.FillCircle(x + 14.5, y + 3.5, 1.2, kInk);
      c.FillPolygon({{x + 17.0, y + 3.0}, {x + 22.0, y + 5.0}, {x + 17.0, y + 7.0}}, kOrange);
      c.FillPolygon({{x + 1.0, y + 4.0}, {x - 5.0, y + 1.0}, {x - 4.0, y + 8.0}}, body);
    };
    c.FillRect(0, 36, c.Width(), 3, kBrown);  // a branch
    c.Line(34, 36, 46, 28, kBrown);
    bird(6, 23, kBrown3, kRed1);
    bird(25, 10, kBlue3, kMoonLight);
  });
}

struct PortraitLook {
  int figure;
  std::function<void(PersonLook&)> dress;
};

void AddPortraits(ArtSet& set) {
  const PortraitLook people[] = {
      {2, [](PersonLook& l) { l.skin = Rgb(0xC98E62), l.skinShade = Rgb(0xA56E48), l.hood = true; }},
      {3, [](PersonLook& l) { l.hair_ = HairStyle::kPonytail, l.hair = kMoon, l.top = kGreen, l.topShade = kGreen3; }},
      {5, [](PersonLook& l) { l.hair_ = HairStyle::kBun, l.hair = kGrey2, l.glasses = true; }},
      {8, [](PersonLook& l) { l.hair_ = HairStyle::kBun, l.hair = kGrey2, l.top = kGreen3, l.topShade = Rgb(0x1F5C2D); }},
      {10, [](PersonLook& l) { l.hair_ = HairStyle::kPonytail, l.hair = kMoon, l.top = kRed, l.topShade = kRed3; }},
      {11, [](PersonLook& l) { l.hat = HatStyle::kCap, l.hatColour = kBlue3, l.hatShade = kNight4; }},
      {13, [](PersonLook& l) { l.bigNose = true, l.noseColour = kRed1, l.top = kBrown, l.topShade = kBrown3; }},
      {20, [](PersonLook& l) { l.hair = kHairLight, l.top = kOrange, l.topShade = kMoonDeep; }},
      {22, [](PersonLook& l) { l.hair_ = HairStyle::kBald, l.beard = true, l.hair = kGrey3; }},
      {27, [](PersonLook& l) { l.hat = HatStyle::kCap, l.hatColour = kRed, l.hatShade = kRed3, l.top = kBlue; }},
      {31, [](PersonLook& l) { l.glasses = true, l.hair = kGrey4, l.top = kGrey4, l.topShade = kGrey5; }},
      {34, [](PersonLook& l) { l.hat = HatStyle::kBeanie, l.hatColour = kGreen, l.hatShade = kGreen3; }},
      {36, [](PersonLook& l) { l.hair = Rgb(0x2B2020), l.top = kMoon, l.topShade = kMoonShade; }},
      {37, [](PersonLook& l) {
         l.beard = true, l.hair = kWhite, l.hat = HatStyle::kBeanie, l.hatColour = kRed, l.hatShade = kRed3;
         l.top = kRed, l.topShade = kRed3;
       }},
      {39, [](PersonLook& l) { l.hat = HatStyle::kBeanie, l.hatColour = kGreen, l.hatShade = kGreen3, l.top = kNight2; }},
      {40, [](PersonLook& l) { l.hair_ = HairStyle::kBun, l.hair = kHair, l.top = kNight2, l.topShade = kNight3; }},
      {42, [](PersonLook& l) { l.hat = HatStyle::kCap, l.hatColour = kGrey5, l.hatShade = kInk, l.beard = true; }},
      {43, [](PersonLook& l) { l.hair_ = HairStyle::kBald, l.hair = kGrey3, l.glasses = true; }},
      {47, [](PersonLook& l) { l.hat = HatStyle::kBeanie, l.hatColour = kRed, l.hatShade = kRed3, l.top = kGreen3; }},
      {49, [](PersonLook& l) { l.hair = kHairLight, l.beard = true, l.top = kBrown, l.topShade = kBrown3; }},
      {54, [](PersonLook& l) { l.hair = kMoonShade, l.top = kNight3, l.topShade = kNight4, l.glasses = true; }},
  };
  for (const PortraitLook& entry : people) {
    PersonLook look = BaseLook(kBlue, kBlue3, kHair);
    entry.dress(look);
    char name[16];
    std::snprintf(name, sizeof name, "FS_%03d", entry.figure);
    set.AddBitmap(name, PersonCard(look), kSpriteKey);
  }
  set.AddBitmap("FS_024", DogCard(), kSpriteKey);
  set.AddBitmap("FS_038", BunnyCard(), kSpriteKey);
  set.AddBitmap("FS_090", BirdsCard(), kSpriteKey);
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
  AddPortraits(set);
}

}  // namespace art
