// Runs the generator as the build does and checks what it wrote against the
// names, sizes and key colours the program relies on.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <utility>

#include "services/menu_bitmaps.h"
#include "objects/portable/clock_faces.h"
#include "scene/figures/fig002_frames.h"
#include "scene/figures/fig003_frames.h"
#include "scene/figures/fig005_frames.h"
#include "scene/figures/fig008_frames.h"
#include "scene/figures/fig011_frames.h"
#include "scene/figures/fig013_frames.h"
#include "scene/figures/fig020_frames.h"
#include "scene/figures/fig022_frames.h"
#include "scene/figures/fig024_frames.h"
#include "scene/figures/fig026_frames.h"
#include "scene/figures/fig027_frames.h"
#include "scene/figures/fig035_frames.h"
#include "scene/figures/fig037_frames.h"
#include "scene/figures/fig038_frames.h"
#include "scene/figures/fig039_frames.h"
#include "scene/figures/fig031_frames.h"
#include "scene/figures/fig034_frames.h"
#include "scene/figures/fig036_frames.h"
#include "scene/figures/fig040_frames.h"
#include "scene/figures/fig043_frames.h"
#include "scene/figures/fig047_frames.h"
#include "scene/figures/fig054_frames.h"
#include "scene/figures/fig042_frames.h"
#include "scene/figures/fig120_frames.h"
#include "scene/figures/fig124_frames.h"
#include "scene/figures/strip_pictures.h"
#include "objects/portable/billboard_art.h"
#include "objects/portable/weather_art.h"
#include "art_set.h"
#include "effects.h"
#include "test_util.h"

namespace art {
namespace {

using test::Decode;
using test::U16At;
using test::U32At;

struct RcLine {
  std::string type, file;
};

class GeneratedArt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::ScratchDir;
    int status = -1;
    test::Run(std::string(WAYLUNE_ARTGEN) + " '" + Out().string() + "'", &status);
    ASSERT_EQ(status, 0);
    std::ifstream rc(Out() / "art.rc");
    std::string line;
    while (std::getline(rc, line)) {
      if (line.rfind("//", 0) == 0) continue;
      std::istringstream in(line);
      std::string name, type, file;
      in >> name >> type >> file;
      ASSERT_TRUE(file.size() > 2 && file.front() == '"' && file.back() == '"') << line;
      (*rc_)[name] = {type, file.substr(1, file.size() - 2)};
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    rc_->clear();
  }
  static std::filesystem::path Out() { return dir_->Path() / "art"; }
  static std::filesystem::path FileOf(const std::string& name) { return Out() / rc_->at(name).file; }

  static inline test::ScratchDir* dir_ = nullptr;
  static inline std::map<std::string, RcLine>* rc_ = new std::map<std::string, RcLine>;
};

std::string MenuName(int n, MenuBitmapVariant v) {
  char name[16];
  std::snprintf(name, sizeof name, MENU_BITMAP_NAME_FORMAT, n, MENU_BITMAP_SUFFIX[v]);
  return name;
}

std::vector<bool> KeyMask(const Canvas& c) {
  std::vector<bool> mask;
  for (const Rgba& p : c.Pixels()) mask.push_back(p == kMenuKey);
  return mask;
}

TEST_F(GeneratedArt, EveryListedFileExistsAndNothingElseIsListed) {
  // A wallpaper is listed as the JPEG the build makes of its PPM.
  auto written = [](const RcLine& line) {
    return line.type == "WALLPAPER" ? std::filesystem::path(line.file).replace_extension(".ppm").string()
                                    : line.file;
  };
  for (const auto& [name, line] : *rc_) {
    EXPECT_TRUE(std::filesystem::is_regular_file(Out() / written(line))) << name;
    EXPECT_TRUE(line.type == "BITMAP" || line.type == "ICON" || line.type == "CURSOR" ||
                line.type == "WAVE" || line.type == "WALLPAPER");
  }
  for (const auto& entry : std::filesystem::directory_iterator(Out())) {
    const std::string f = entry.path().filename().string();
    EXPECT_TRUE(f == "art.rc" ||
                std::any_of(rc_->begin(), rc_->end(), [&](auto& e) { return written(e.second) == f; }))
        << "stray file " << f;
  }
}

TEST_F(GeneratedArt, MenuBitmapsAreTheTablesNamesAt32x32WithTheKeyAround) {
  int expected = 0;
  for (int n = 0; n < MENU_BITMAP_COUNT; ++n)
    for (int v = 0; v < MBV_COUNT; ++v) {
      const std::string name = MenuName(n, MenuBitmapVariant(v));
      if (!MenuBitmapExists(n, MenuBitmapVariant(v))) {
        EXPECT_EQ(rc_->count(name), 0u) << name;
        continue;
      }
      ++expected;
      SCOPED_TRACE(name);
      ASSERT_EQ(rc_->count(name), 1u);
      EXPECT_EQ(rc_->at(name).type, "BITMAP");
      const Bytes raw = test::ReadFile(FileOf(name));
      EXPECT_EQ(int32_t(U32At(raw, 18)), MENU_BITMAP_SIZE);
      EXPECT_EQ(int32_t(U32At(raw, 22)), MENU_BITMAP_SIZE);  // bottom-up
      const Canvas c = Decode(FileOf(name));
      ASSERT_EQ(c.Width(), MENU_BITMAP_SIZE);
      ASSERT_EQ(c.Height(), MENU_BITMAP_SIZE);
      for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}}) EXPECT_EQ(c.Get(x, y), kMenuKey);
      const std::vector<bool> mask = KeyMask(c);
      const auto keyed = std::count(mask.begin(), mask.end(), true);
      EXPECT_GT(keyed, 32 * 32 / 10);  // a picture, not a filled square
      EXPECT_LT(keyed, 32 * 32 * 9 / 10);
    }
  int listed = 0;
  for (const auto& [name, line] : *rc_) listed += name.rfind("MENU_", 0) == 0;
  EXPECT_EQ(listed, expected);
}

TEST_F(GeneratedArt, GreyedVariantsAreGreyCopiesWithTheSameTransparentArea) {
  for (int n = 0; n < MENU_BITMAP_COUNT; ++n) {
    if (!MenuBitmapExists(n, MBV_GREYED)) continue;
    SCOPED_TRACE(n);
    const Canvas plain = Decode(FileOf(MenuName(n, MBV_PLAIN)));
    const Canvas grey = Decode(FileOf(MenuName(n, MBV_GREYED)));
    EXPECT_EQ(KeyMask(plain), KeyMask(grey));
    for (const Rgba& p : grey.Pixels())
      if (p != kMenuKey) {
        EXPECT_TRUE(p.r == p.g && p.g == p.b);
      }
    EXPECT_NE(plain, grey);
  }
}

TEST_F(GeneratedArt, CheckedVariantAddsAMarkAndKeepsThePicture) {
  for (int n = 0; n < MENU_BITMAP_COUNT; ++n) {
    if (!MenuBitmapExists(n, MBV_CHECKED)) continue;
    const Canvas plain = Decode(FileOf(MenuName(n, MBV_PLAIN)));
    const Canvas checked = Decode(FileOf(MenuName(n, MBV_CHECKED)));
    int changed = 0, sameElsewhere = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const bool diff = plain.Get(x, y) != checked.Get(x, y);
        changed += diff;
        if (x < 16 || y < 14) sameElsewhere += !diff;  // the mark sits in the lower right
      }
    EXPECT_GT(changed, 30);
    EXPECT_EQ(sameElsewhere, 32 * 32 - 16 * 18);
  }
}

struct IconEntry {
  int size, bits;
};

std::vector<IconEntry> IconEntries(const std::filesystem::path& file) {
  const Bytes ico = test::ReadFile(file);
  std::vector<IconEntry> out;
  if (ico.size() < 6 || U16At(ico, 2) != 1) return out;
  for (int i = 0; i < U16At(ico, 4); ++i) out.push_back({ico.at(6 + 16 * i), U16At(ico, 6 + 16 * i + 6)});
  return out;
}

double MeanSaturation(const Canvas& c) {
  double sum = 0;
  int n = 0;
  for (const Rgba& p : c.Pixels()) {
    if (p.a < 255) continue;
    sum += std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b});
    ++n;
  }
  return n ? sum / n : 0;
}

TEST_F(GeneratedArt, IconsHaveTheirSizesAndTheOffIconLooksSwitchedOff) {
  const std::map<std::string, std::vector<int>> want = {
      {"AppIcon", {16, 32, 48}}, {"OffIcon", {16, 32, 48}}, {"LOGO", {48, 64}}};
  for (const auto& [name, sizes] : want) {
    SCOPED_TRACE(name);
    ASSERT_EQ(rc_->count(name), 1u);
    EXPECT_EQ(rc_->at(name).type, "ICON");
    std::vector<int> truecolour;
    for (const IconEntry& e : IconEntries(FileOf(name)))
      if (e.bits == 32) truecolour.push_back(e.size);
    EXPECT_EQ(truecolour, sizes);
    const std::string identify = test::Run("/usr/bin/identify '" + FileOf(name).string() + "'");
    for (int s : sizes)
      EXPECT_NE(identify.find(std::to_string(s) + "x" + std::to_string(s)), std::string::npos) << identify;
  }
  for (int frame = 0; frame < 3; ++frame) {
    const Canvas on = Decode(FileOf("AppIcon"), frame), off = Decode(FileOf("OffIcon"), frame);
    ASSERT_EQ(on.Width(), off.Width());
    EXPECT_NE(on, off);
    EXPECT_LT(MeanSaturation(off) * 3, MeanSaturation(on)) << "frame " << frame;
    EXPECT_EQ(on.Get(0, 0).a, 0);  // round icon: the corners are see-through
  }
}

struct FigureSheet {
  const char* name;
  std::span<const SpriteFrame> frames;
  int height;
  bool ragged = false;  // frames of different heights, up to `height`
  int minFill = 16;     // at least 1/minFill of a frame shows the figure (a flock of birds: less)
};
const FigureSheet kFigureSheets[] = {
    {"FIG002_00", kFig002Frames, kFig002Height},
    {"FIG008_00", kFig008Frames, kFig008Height},
    {"FIG010_00", kFig008Frames, kFig008Height},
    {"FIG013_00", kFig013Frames, kFig013Height},
    {"FIG026_00", kFig026Frames, kFig026Height},
    {"FIG027_00", kFig027Frames, kFig027Height},
    {"FIG035_00", kFig035Frames, kFig035Height},
    {"FIG037_00", kFig037Frames, kFig037Height},
    {"FIG038_00", kFig038Frames, kFig038Height},
    {"FIG039_00", kFig039Frames, kFig039Height},
    {"FIG003_00", kFig003Frames, kFig003Height},
    {"FIG020_00", kFig020Frames, kFig020Height},
    {"FIG031_00", kFig031Frames, kFig031Height},
    {"FIG034_00", kFig034Frames, kFig034Height},
    {"FIG036_00", kFig036Frames, kFig036Height},
    {"FIG040_00", kFig040Frames, kFig040Height},
    {"FIG043_00", kFig043Frames, kFig043Height},
    {"FIG047_00", kFig047Frames, kFig047Height},
    {"FIG049_00", kFig043Frames, kFig043Height},
    {"FIG054_00", kFig054Frames, kFig054Height},
    {"FIG022_00", kFig022Frames, kFig022Height, true},
    {"FIG024_00", kFig024Frames, kFig024Height},
    {"FIG005_00", kFig005Frames, kFig005Height},
    {"FIG011_00", kFig011Frames, kFig011Height},
    {"FIG042_00", kFig042Frames, kFig042Height},
    {"FIG124_00", kFig124Frames, kFig124Height},
    {"FIG120_00", kBirdsFrames, kBirdsHeight, false, 80},
    {"FIG121_00", kBirdsFrames, kBirdsHeight, false, 80},
    {"FIG122_00", kBirdsFrames, kBirdsHeight, false, 80},
    {"FIG123_00", kBirdsFrames, kBirdsHeight, false, 80},
};

// Every frame of a figure's table lies inside its sheet, is as high as the
// figure's window bitmap, shows a figure (not an empty or overfull box) and
// leaves the key colour round it.
TEST_F(GeneratedArt, FigureSheetsHoldEveryFrameOfTheirTables) {
  for (const FigureSheet& sheet : kFigureSheets) {
    SCOPED_TRACE(sheet.name);
    ASSERT_EQ(rc_->count(sheet.name), 1u);
    const Bytes raw = test::ReadFile(FileOf(sheet.name));
    EXPECT_EQ(U16At(raw, 28), 8) << "8-bit, like every sprite sheet";
    const Canvas c = Decode(FileOf(sheet.name));
    for (size_t i = 0; i < sheet.frames.size(); ++i) {
      const SpriteFrame& f = sheet.frames[i];
      ASSERT_GE(f.x, 0);
      ASSERT_GE(f.y, 0);
      ASSERT_LE(f.x + f.w, c.Width()) << i;
      ASSERT_LE(f.y + f.h, c.Height()) << i;
      EXPECT_TRUE(sheet.ragged ? f.h <= sheet.height : f.h == sheet.height) << i;
      int opaque = 0, edge = 0;
      for (int y = f.y; y < f.y + f.h; ++y)
        for (int x = f.x; x < f.x + f.w; ++x) {
          const bool figure = c.Get(x, y) != kSpriteKey;
          opaque += figure;
          if (figure && (x == f.x || x == f.x + f.w - 1 || y == f.y)) ++edge;
        }
      EXPECT_GT(opaque, f.w * f.h / sheet.minFill) << "frame " << i << " is nearly empty";
      EXPECT_LT(opaque, f.w * f.h * 2 / 3) << "frame " << i;
      EXPECT_LT(edge, 6) << "frame " << i << " is cut at its edge";
    }
  }
}

// The People page's portraits are cut from the figures' own sheets: each a
// figure-sized patch of its sheet's colours with the key round it.
TEST_F(GeneratedArt, PortraitsAreCutFromTheirFiguresSheets) {
  const std::pair<int, const char*> portraits[] = {
      {2, "FIG002_00"},  {3, "FIG003_00"},  {5, "FIG005_00"},  {8, "FIG008_00"},  {10, "FIG010_00"},
      {11, "FIG011_00"}, {13, "FIG013_00"}, {20, "FIG020_00"}, {22, "FIG022_00"}, {24, "FIG024_00"},
      {27, "FIG027_00"}, {31, "FIG031_00"}, {34, "FIG034_00"}, {36, "FIG036_00"}, {37, "FIG037_00"},
      {38, "FIG038_00"}, {39, "FIG039_00"}, {40, "FIG040_00"}, {42, "FIG042_00"}, {43, "FIG043_00"},
      {47, "FIG047_00"}, {49, "FIG049_00"}, {54, "FIG054_00"}, {90, "FIG120_00"}};
  auto rgb = [](const Rgba& p) { return uint32_t(p.r) << 16 | p.g << 8 | p.b; };
  for (const auto& [figure, sheet] : portraits) {
    char name[16];
    std::snprintf(name, sizeof name, "FS_%03d", figure);
    SCOPED_TRACE(name);
    const Canvas portrait = Decode(FileOf(name));
    ASSERT_EQ(portrait.Width(), 56);
    ASSERT_EQ(portrait.Height(), 64);
    const Canvas figureSheet = Decode(FileOf(sheet));
    std::set<uint32_t> sheetColours;
    for (const Rgba& p : figureSheet.Pixels()) sheetColours.insert(rgb(p));
    int painted = 0, foreign = 0;
    for (const Rgba& p : portrait.Pixels())
      if (p != kSpriteKey) ++painted, foreign += !sheetColours.count(rgb(p));
    EXPECT_GT(painted, 48) << "a figure, not a speck";
    EXPECT_LT(painted, 56 * 64 * 2 / 3) << "the key round the figure";
    EXPECT_EQ(foreign, 0) << "colours the figure's sheet lacks";
  }
}

// The scenery strips: as wide as the offset slider reaches, sky (key) above,
// ground along the whole bottom row, each its own picture; the Desktop
// page's previews are their right ends.
TEST_F(GeneratedArt, SceneryStripsAndTheirPreviews) {
  std::vector<Canvas> strips;
  for (int i = 0; i < kStripCount; ++i) {
    char name[32], preview[32];
    std::snprintf(name, sizeof name, "FIG%03d_00", kStripFirstNumber + i);
    std::snprintf(preview, sizeof preview, kStripPreviewFormat, i + 1);
    SCOPED_TRACE(name);
    ASSERT_EQ(rc_->count(name), 1u);
    EXPECT_EQ(U16At(test::ReadFile(FileOf(name)), 28), 8);
    const Canvas c = Decode(FileOf(name));
    ASSERT_EQ(c.Width(), kStripWidth);
    ASSERT_EQ(c.Height(), kStripHeights[i]);
    int sky = 0;
    for (int x = 0; x < kStripWidth; ++x) {
      sky += c.Get(x, 0) == kSpriteKey;
      ASSERT_NE(c.Get(x, c.Height() - 1), kSpriteKey) << "ground at " << x;
    }
    EXPECT_GT(sky, kStripWidth * 3 / 4) << "sky above";
    for (const Canvas& other : strips) EXPECT_NE(c, other);
    strips.push_back(c);
    ASSERT_EQ(rc_->count(preview), 1u);
    EXPECT_EQ(Decode(FileOf(preview)),
              c.Crop(kStripWidth - kStripPreviewWidth, 0, kStripPreviewWidth, c.Height()));
  }
}

// The plane's banner cloth is solid and light wherever the text goes.
TEST_F(GeneratedArt, PlaneBannerClothIsLightUnderTheText) {
  const Canvas c = Decode(FileOf("FIG124_00"));
  for (const BannerRect& b : kFig124BannerRects)
    for (int y = b.top; y < b.bottom; ++y)
      for (int x = b.left; x < b.right; ++x) ASSERT_GT(Luma(c.Get(x, y)), 190) << x << "," << y;
}

// The wall: a frame round the poster field, posts standing on the bottom row
// with the key colour between them and round the board's side.
TEST_F(GeneratedArt, BillboardWallHasItsFieldPostsAndSeeThroughGround) {
  ASSERT_EQ(rc_->count(kWallName), 1u);
  const Canvas c = Decode(FileOf(kWallName));
  ASSERT_EQ(c.Width(), kWallWidth);
  ASSERT_EQ(c.Height(), kWallHeight);
  for (int y = kPosterFieldY; y < kPosterFieldY + kPosterHeight; ++y)
    for (int x = kPosterFieldX; x < kPosterFieldX + kPosterWidth; ++x)
      ASSERT_NE(c.Get(x, y), kSpriteKey) << "the poster field is solid at " << x << "," << y;
  int posts = 0, key = 0;
  for (int x = 0; x < kWallWidth; ++x) {
    posts += c.Get(x, kWallHeight - 1) != kSpriteKey;
    key += c.Get(x, kWallHeight - 1) == kSpriteKey;
  }
  EXPECT_GT(posts, 10) << "the posts reach the ground";
  EXPECT_GT(key, kWallWidth / 2) << "the ground between the posts is see-through";
  EXPECT_EQ(c.Get(kWallWidth - 1, 0), kSpriteKey) << "the board's side is seen in perspective";
}

// Every built-in motif and start motif is a whole poster of the field's size:
// solid, colourful, and each different from the others.
TEST_F(GeneratedArt, MotifsAreWholeDistinctPostersOfTheFieldSize) {
  std::vector<std::string> names;
  for (int m = kFirstBuiltinMotif; m <= kLastBuiltinMotif; ++m) {
    char name[32];
    std::snprintf(name, sizeof name, kMotifNameFormat, m);
    names.push_back(name);
  }
  for (int m = 0; m < kStartMotifCount; ++m) {
    char name[32];
    std::snprintf(name, sizeof name, kStartMotifNameFormat, m);
    names.push_back(name);
  }
  std::vector<Canvas> posters;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_EQ(rc_->count(name), 1u);
    const Canvas c = Decode(FileOf(name));
    ASSERT_EQ(c.Width(), kPosterWidth);
    ASSERT_EQ(c.Height(), kPosterHeight);
    std::map<uint32_t, int> colours;
    for (const Rgba& p : c.Pixels()) {
      ASSERT_NE(p, kSpriteKey) << "no see-through holes in a poster";
      ++colours[uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b];
    }
    // The paper of the calendar is plain on purpose; the rest are pictures.
    EXPECT_GE(colours.size(), name == "MOTIV04" ? 4u : 6u);
    posters.push_back(c);
  }
  for (size_t a = 0; a < posters.size(); ++a)
    for (size_t b = a + 1; b < posters.size(); ++b) EXPECT_NE(posters[a], posters[b]) << names[a] << names[b];
  // The calendar's paper is light where the program writes dark text.
  const Canvas paper = Decode(FileOf("MOTIV04"));
  for (int y = kCalendarHeaderTop; y < kPosterHeight - 4; y += 3)
    for (int x = 6; x < kPosterWidth - 6; x += 3) EXPECT_GT(Luma(paper.Get(x, y)), 200) << x << "," << y;
}

// The sign's frame is solid where the pictures go; every picture, and the one
// for missing data, is a whole, distinct picture of the picture's size; the
// wallpaper is a PPM of its size.
TEST_F(GeneratedArt, WeatherSignPicturesAndWallpaper) {
  const Canvas frame = Decode(FileOf(kWeatherFrameName));
  ASSERT_EQ(frame.Width(), kWeatherSignWidth);
  ASSERT_EQ(frame.Height(), kWeatherSignHeight);
  for (int y = kWeatherPictureY; y < kWeatherPictureY + kWeatherPictureHeight; ++y)
    for (int x = kWeatherPictureX; x < kWeatherPictureX + kWeatherPictureWidth; ++x)
      ASSERT_NE(frame.Get(x, y), kSpriteKey) << x << "," << y;
  EXPECT_EQ(frame.Get(0, kWeatherSignHeight - 1), kSpriteKey);
  std::vector<std::string> names{kWeatherNoDataName};
  for (int cloud = 0; cloud <= 4; ++cloud)
    for (int weather = 0; weather <= 5; ++weather)
      if (WeatherPictureExists(cloud, weather)) names.push_back(WeatherPictureName(cloud, weather));
  ASSERT_EQ(names.size(), 27u);
  std::vector<Canvas> pictures;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_EQ(rc_->count(name), 1u);
    const Canvas c = Decode(FileOf(name));
    ASSERT_EQ(c.Width(), kWeatherPictureWidth);
    ASSERT_EQ(c.Height(), kWeatherPictureHeight);
    for (const Rgba& p : c.Pixels()) ASSERT_NE(p, kSpriteKey);
    for (const Canvas& other : pictures) EXPECT_NE(c, other);
    pictures.push_back(c);
  }
  ASSERT_EQ(rc_->count(kBuiltinWallpaperName), 1u);
  EXPECT_EQ(rc_->at(kBuiltinWallpaperName).type, kWallpaperResourceType);
  const Bytes ppm = test::ReadFile(Out() / "wolken.ppm");
  const std::string header = "P6\n1882 1200\n255\n";
  ASSERT_GT(ppm.size(), header.size());
  EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + header.size()), header);
  EXPECT_EQ(ppm.size(), header.size() + 1882u * 1200u * 3u);
}

TEST_F(GeneratedArt, SpeechBubblesHaveTheirSizesAndRoomForText) {
  const int heights[] = {88, 88, 88, 88, 107, 107};
  const int textTop[] = {2, 2, 36, 36, 6, 6};
  const int textBottom[] = {54, 54, 84, 84, 58, 58};
  for (int type = 1; type <= 6; ++type) {
    char name[32];
    std::snprintf(name, sizeof name, "SPRECHBLASE_%02d", type);
    SCOPED_TRACE(name);
    ASSERT_EQ(rc_->count(name), 1u);
    const Canvas c = Decode(FileOf(name));
    EXPECT_EQ(c.Width(), 184);
    EXPECT_EQ(c.Height(), heights[type - 1]);
    // The dark-blue text needs a light ground: the text box is white but for the rim.
    int light = 0, total = 0;
    for (int y = textTop[type - 1] + 4; y < textBottom[type - 1] - 2; ++y)
      for (int x = 14; x < 171; ++x, ++total) light += Luma(c.Get(x, y)) > 200 && c.Get(x, y) != kSpriteKey;
    EXPECT_GT(light, total * 95 / 100);
    EXPECT_EQ(c.Get(0, 0), kSpriteKey) << "rounded corners are see-through";
  }
}

// The clock's and countdown's faces and strips, against the shared tables.
class ClockArt : public GeneratedArt {
 protected:
  static Canvas Strip(const DigitStripLayout& layout) { return Decode(FileOf(layout.name)); }
  static Canvas Face(const char* format, int face) {
    char name[32];
    std::snprintf(name, sizeof name, format, face);
    return rc_->count(name) ? Decode(FileOf(name)) : Canvas();
  }
  // The glyph's lit pixels (unlit segments show only faintly on the glass).
  static std::vector<bool> Shape(const Canvas& strip, const GlyphRect& r) {
    std::vector<bool> shape;
    for (int y = r.y; y < r.y + r.height; ++y)
      for (int x = r.x; x < r.x + r.width; ++x) shape.push_back(Luma(strip.Get(x, y)) > 100);
    return shape;
  }
  // Every place of a run lies on the face, opaque, with the strips' glass in
  // its corner (so a drawn glyph sits on the same ground as the face).
  static void ExpectPlaces(const Canvas& face, const DigitRun& run, int xShift, Rgba glass,
                           const char* what) {
    const DigitStripLayout& strip = *kDigitStrips[run.strip];
    for (int i = 0; i < run.count; ++i) {
      SCOPED_TRACE(std::string(what) + " place " + std::to_string(i));
      const int x0 = run.x[i] + xShift;
      ASSERT_LE(x0 + strip.digitWidth, face.Width());
      ASSERT_LE(run.y + strip.height, face.Height());
      for (int y = run.y; y < run.y + strip.height; ++y)
        for (int x = x0; x < x0 + strip.digitWidth; ++x)
          ASSERT_NE(face.Get(x, y), kSpriteKey) << x << "," << y;
      EXPECT_EQ(face.Get(x0, run.y), glass);
    }
  }
};

TEST_F(ClockArt, DigitStripsHoldTwelveDistinctGlyphsInTwoColours) {
  for (const DigitStripLayout* layout : kDigitStrips) {
    SCOPED_TRACE(layout->name);
    const Canvas strip = Strip(*layout);
    ASSERT_EQ(strip.Width(), StripWidth(*layout));
    ASSERT_EQ(strip.Height(), StripHeight(*layout));
    const Rgba glass = strip.Get(0, 0);
    for (const Rgba& p : strip.Pixels()) ASSERT_NE(p, kSpriteKey);
    for (int g = 0; g < kGlyphsPerRow; ++g) {
      const GlyphRect r0 = GlyphSource(*layout, g), r1 = GlyphSource(*layout, g + kGlyphsPerRow);
      // Row 1 is row 0 in another colour.
      EXPECT_EQ(Shape(strip, r0), Shape(strip, r1)) << g;
      const std::vector<bool> lit = Shape(strip, r0);
      const auto first = std::find(lit.begin(), lit.end(), true) - lit.begin();
      if (g == kGlyphBlank) {
        EXPECT_EQ(first, std::ssize(lit)) << "a blank shows nothing lit";
      } else {
        ASSERT_LT(first, std::ssize(lit)) << g;
        const int dx = int(first % r0.width), dy = int(first / r0.width);
        EXPECT_NE(strip.Get(r0.x + dx, r0.y + dy), strip.Get(r1.x + dx, r1.y + dy)) << g;
      }
      for (int other = 0; other < g; ++other)
        EXPECT_NE(Shape(strip, r0), Shape(strip, GlyphSource(*layout, other)))
            << g << " looks like " << other;
      // The glyph's top-left corner is glass: faces leave the same there.
      EXPECT_EQ(strip.Get(r0.x, r0.y), glass);
    }
  }
  // The large blank starts on digit 9's last column, which is plain glass.
  const Canvas large = Strip(kLargeDigits);
  for (int y = 0; y < StripHeight(kLargeDigits); ++y)
    EXPECT_EQ(large.Get(kLargeDigits.blankX, y), large.Get(0, 0));
}

TEST_F(ClockArt, ClockFacesHaveTheirSizesAndAGroundUnderEveryDigit) {
  const Rgba glass = Strip(kSmallDigits).Get(0, 0);
  EXPECT_EQ(Strip(kLargeDigits).Get(0, 0), glass);
  for (int n = 1; n <= kClockFaceCount; ++n) {
    SCOPED_TRACE("UHR_0" + std::to_string(n));
    const ClockFaceLayout& layout = kClockFaces[n - 1];
    const Canvas face = Face("UHR_%02d", n);
    ASSERT_EQ(face.Width(), layout.width * layout.frames);
    ASSERT_EQ(face.Height(), layout.height);
    for (int frame = 0; frame < layout.frames; ++frame) {
      ExpectPlaces(face, layout.time, frame * layout.width, glass, "time");
      ExpectPlaces(face, layout.date, frame * layout.width, glass, "date");
      // Pinned faces stand on the work area's bottom: their last row is not empty.
      if (!layout.yMovable) {
        int ground = 0;
        for (int x = 0; x < layout.width; ++x)
          ground += face.Get(frame * layout.width + x, layout.height - 1) != kSpriteKey;
        EXPECT_GT(ground, 4) << "frame " << frame;
      }
      EXPECT_EQ(face.Get(frame * layout.width, 0), kSpriteKey)
          << "frame " << frame << " is a box, not a picture";
    }
  }
}

TEST_F(ClockArt, RecycleBinFramesShowThreeFillsAndAnOpaqueBinZone) {
  const ClockFaceLayout& layout = kClockFaces[0];
  const Canvas face = Face("UHR_%02d", 1);
  ASSERT_EQ(face.Width(), 3 * layout.width);
  std::vector<Canvas> frames;
  for (int f = 0; f < 3; ++f) frames.push_back(face.Crop(f * layout.width, 0, layout.width, layout.height));
  EXPECT_NE(frames[0], frames[1]);
  EXPECT_NE(frames[1], frames[2]);
  EXPECT_NE(frames[0], frames[2]);
  for (const Canvas& frame : frames)
    for (int y = kBinZone.top; y <= kBinZone.bottom; ++y)
      for (int x = kBinZone.left; x <= kBinZone.right; ++x) ASSERT_NE(frame.Get(x, y), kSpriteKey);
}

TEST_F(ClockArt, CountdownFacesHaveTheirSizesAndAGroundUnderEveryGlyph) {
  const Rgba glass = Strip(kSmallDigits).Get(0, 0);
  for (int n = 1; n <= kCountdownFaceCount; ++n) {
    SCOPED_TRACE("COUNTDOWN_0" + std::to_string(n));
    const CountdownFaceLayout& layout = kCountdownFaces[n - 1];
    const Canvas face = Face("COUNTDOWN_%02d", n);
    ASSERT_EQ(face.Width(), layout.width);
    ASSERT_EQ(face.Height(), layout.height);
    ExpectPlaces(face, layout.days, 0, glass, "days");
    ExpectPlaces(face, layout.hours, 0, glass, "hours");
    ExpectPlaces(face, layout.minutes, 0, glass, "minutes");
    const DigitStripLayout& colonStrip = *kDigitStrips[layout.hours.strip];
    for (int y = layout.hours.y; y < layout.hours.y + colonStrip.height; ++y)
      for (int x = layout.colonX; x < layout.colonX + colonStrip.colonWidth; ++x)
        ASSERT_NE(face.Get(x, y), kSpriteKey);
  }
}

TEST_F(GeneratedArt, SameSourcesDrawTheSameBytes) {
  test::ScratchDir again;
  int status = -1;
  test::Run(std::string(WAYLUNE_ARTGEN) + " '" + again.Path().string() + "'", &status);
  ASSERT_EQ(status, 0);
  for (const auto& [name, line] : *rc_)
    EXPECT_EQ(test::ReadFile(again.Path() / line.file), test::ReadFile(Out() / line.file)) << name;
}

TEST(ArtGenerator, UsageAndUnwritableFolderFailCleanly) {
  int status = 0;
  const std::string usage = test::Run(std::string(WAYLUNE_ARTGEN) + " 2>&1", &status);
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(usage.find("usage"), std::string::npos);
  const std::string fail = test::Run(std::string(WAYLUNE_ARTGEN) + " /proc/waylune/art 2>&1", &status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(fail.find("art generator:"), std::string::npos);
}

}  // namespace
}  // namespace art
