// Pushes padded to whole surface steps: only from a top-left on the screen,
// and always to a window Wine keeps one surface for.

#include "stage/portable/push_padding.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "stage/portable/layer_surface.h"

namespace {

const SceneRect kScreen{0, 0, 1280, 800};

int Step(int length) {
  return length <= 0 ? 0 : (length + 31) / 32 * 32;
}

// Wine's own reckoning, written as its X11 driver does it: the surface of a
// shown window is its part on the virtual screen, relative to the window,
// its start rounded down to a step and its end up (a step at least); a push
// wants a surface of the window's size. One surface is kept when they agree.
bool WineKeepsSurface(const SceneRect& window, const SceneRect& screen) {
  SceneRect part{std::max(window.left, screen.left), std::max(window.top, screen.top),
                 std::min(window.right, screen.right), std::min(window.bottom, screen.bottom)};
  if (part.left >= part.right || part.top >= part.bottom) return false;  // no surface at all
  part = {part.left - window.left, part.top - window.top, part.right - window.left, part.bottom - window.top};
  part.left &= ~31;
  part.top &= ~31;
  part.right = std::max(part.left + 32, (part.right + 31) & ~31);
  part.bottom = std::max(part.top + 32, (part.bottom + 31) & ~31);
  return part == SceneRect{0, 0, window.right - window.left, window.bottom - window.top};
}

// The kept-surface rule against Wine's reckoning over windows around the
// screen's edges.
TEST(PushPadding, KeptAsWineReckonsIt) {
  const SceneRect screens[] = {kScreen, {0, 0, 1366, 768}, {-1280, -100, 1280, 800}};
  for (const SceneRect& screen : screens)
    for (int x = screen.left - 100; x < screen.right + 40; x += 13)
      for (int y = screen.top - 70; y < screen.bottom + 40; y += 29)
        for (int width : {1, 31, 32, 33, 64, 96, 100, 192})
          for (int height : {1, 32, 63, 64, 96, 160}) {
            const SceneRect window{x, y, x + width, y + height};
            ASSERT_EQ(SurfaceKept(window, screen), WineKeepsSurface(window, screen))
                << x << "," << y << " " << width << "x" << height;
          }
}

struct Row {
  const char* what;
  ScenePoint at;
  SceneSize size;
  SceneRect screen;
  SceneSize want;
};

const Row kRows[] = {
    {"a figure's narrow window on the ground", {400, 724}, {38, 76}, kScreen, {64, 96}},
    {"one column", {400, 724}, {1, 76}, kScreen, {32, 96}},
    {"a step and a pixel", {10, 10}, {33, 65}, kScreen, {64, 96}},
    {"whole steps already", {400, 704}, {64, 96}, kScreen, {64, 96}},
    {"whole steps wide only", {400, 724}, {64, 76}, kScreen, {64, 96}},
    {"whole steps high only", {400, 704}, {38, 96}, kScreen, {64, 96}},
    {"the wall", {900, 400}, {168, 149}, kScreen, {192, 160}},
    {"touching the screen's top-left corner", {0, 0}, {20, 20}, kScreen, {32, 32}},
    {"touching the screen's bottom-right corner", {1270, 790}, {10, 10}, kScreen, {32, 32}},
    {"the whole screen", {0, 0}, {1280, 800}, kScreen, {1280, 800}},
    {"a screen of no whole steps", {0, 0}, {1366, 768}, {0, 0, 1366, 768}, {1376, 768}},
    {"on a screen left of the first", {-1000, 300}, {38, 76}, {-1280, 0, 1280, 800}, {64, 96}},
    // Past the right or bottom edge: padded while the padding keeps the surface.
    {"a pixel below the bottom, as figures stand", {900, 725}, {41, 76}, kScreen, {64, 96}},
    {"a pixel beyond the right edge", {1243, 300}, {38, 76}, kScreen, {64, 96}},
    {"the clock below the bottom", {50, 685}, {40, 115}, kScreen, {64, 128}},
    {"on-screen part rounds to less than the padding", {1270, 300}, {100, 76}, kScreen, {100, 76}},
    {"on-screen part rounds to less, below", {400, 790}, {38, 76}, kScreen, {38, 76}},
    {"at the last column", {1279, 300}, {38, 76}, kScreen, {38, 76}},
    {"at the last row", {400, 799}, {38, 76}, kScreen, {38, 76}},
    // A top-left off the screen stays as it is.
    {"parked left of and above the screen", {-1, -1}, {1, 1}, kScreen, {1, 1}},
    {"parked above the screen only", {400, -1}, {1, 1}, kScreen, {1, 1}},
    {"a pixel left of the screen", {-1, 300}, {38, 76}, kScreen, {38, 76}},
    {"a pixel above the screen", {400, -1}, {38, 76}, kScreen, {38, 76}},
    {"right of the screen", {1280, 300}, {38, 76}, kScreen, {38, 76}},
    {"below the screen", {400, 800}, {38, 76}, kScreen, {38, 76}},
    {"wholly off the screen", {2000, 300}, {38, 76}, kScreen, {38, 76}},
    {"right of a screen that starts left of 0", {1300, 300}, {38, 76}, {-1280, 0, 1280, 800}, {38, 76}},
    // Nothing to pad.
    {"no width", {400, 724}, {0, 76}, kScreen, {0, 76}},
    {"no height", {400, 724}, {38, 0}, kScreen, {38, 0}},
    {"negative width", {400, 724}, {-38, 76}, kScreen, {-38, 76}},
    {"negative height", {400, 724}, {38, -76}, kScreen, {38, -76}},
};

TEST(PushPadding, PadsWhereTheSurfaceIsKept) {
  for (const Row& row : kRows) {
    const SceneSize got = PaddedPushSize(row.at, row.size, row.screen);
    EXPECT_EQ(got.width, row.want.width) << row.what;
    EXPECT_EQ(got.height, row.want.height) << row.what;
  }
}

// Cross-check against the surface rule: every padded push is a window Wine
// keeps one surface for, with its top-left on the screen, holds the whole
// picture and adds less than a step each way; and a picture wholly on the
// screen is always padded.
TEST(PushPadding, EveryPaddedPushKeepsItsSurface) {
  const SceneRect screens[] = {kScreen, {0, 0, 1366, 768}, {-1280, -100, 1280, 800}};
  int padded = 0;
  for (const SceneRect& screen : screens) {
    for (int x = screen.left - 40; x < screen.right + 40; x += 37) {
      for (int y = screen.top - 40; y < screen.bottom + 40; y += 23) {
        for (int width = -1; width <= 100; width += 7) {
          for (int height : {-3, 0, 1, 31, 32, 33, 76, 149}) {
            const SceneSize size{width, height};
            const SceneSize got = PaddedPushSize({x, y}, size, screen);
            const bool onScreen = x >= screen.left && y >= screen.top && x + width <= screen.right &&
                                  y + height <= screen.bottom;
            if (width > 0 && height > 0 && onScreen) {
              ASSERT_EQ(got, (SceneSize{Step(width), Step(height)}))
                  << x << "," << y << " " << width << "x" << height;
            }
            if (got == size) continue;
            ++padded;
            const SceneRect window{x, y, x + got.width, y + got.height};
            ASSERT_TRUE(WineKeepsSurface(window, screen)) << x << "," << y << " " << width << "x" << height;
            ASSERT_TRUE(x >= screen.left && y >= screen.top && x < screen.right && y < screen.bottom);
            ASSERT_GE(got.width, width);
            ASSERT_GE(got.height, height);
            ASSERT_LT(got.width - width, kSurfaceStep);
            ASSERT_LT(got.height - height, kSurfaceStep);
          }
        }
      }
    }
  }
  EXPECT_GT(padded, 1000);
}

}  // namespace

namespace {

struct SteadyRow {
  const char* what;
  ScenePoint at;
  SceneSize padded, last, want;
};

const SteadyRow kSteadyRows[] = {
    {"a narrower frame keeps the wider window", {400, 725}, {32, 96}, {64, 96}, {64, 96}},
    {"a lower frame keeps the taller window", {400, 700}, {64, 64}, {64, 96}, {64, 96}},
    {"the same size", {400, 725}, {64, 96}, {64, 96}, {64, 96}},
    {"a wider frame grows the window", {400, 725}, {96, 96}, {64, 96}, {96, 96}},
    {"a taller frame grows the window", {400, 700}, {64, 128}, {64, 96}, {64, 128}},
    {"wider but lower: the push's own size", {400, 700}, {96, 64}, {64, 96}, {96, 64}},
    {"no window before", {400, 725}, {32, 96}, {0, 0}, {32, 96}},
    {"the last window would reach a step beyond the right edge", {1240, 725}, {32, 96}, {96, 96}, {32, 96}},
    {"the last window reaches less than a step beyond it", {1240, 725}, {32, 96}, {64, 96}, {64, 96}},
    {"the last window would reach a step below the bottom", {400, 760}, {32, 32}, {32, 96}, {32, 32}},
    {"an unpadded push goes as it is", {-1, -1}, {1, 1}, {64, 96}, {1, 1}},
    {"a push a pixel short of whole steps wide", {400, 725}, {63, 96}, {128, 96}, {63, 96}},
    {"a push a pixel short of whole steps high", {400, 725}, {64, 95}, {64, 128}, {64, 95}},
    {"an empty push", {400, 725}, {0, 0}, {64, 96}, {0, 0}},
    {"a push of no width", {400, 725}, {0, 96}, {64, 96}, {0, 96}},
    {"a push of no height", {400, 725}, {64, 0}, {64, 96}, {64, 0}},
    {"a negative push", {400, 725}, {-32, 96}, {64, 96}, {-32, 96}},
};

TEST(PushPadding, SteadySizeKeepsTheLastWindowWhileItFits) {
  const SceneRect screen{0, 0, 1280, 800};
  for (const SteadyRow& row : kSteadyRows) {
    const SceneSize got = SteadyPushSize(row.at, row.padded, row.last, screen);
    EXPECT_EQ(got.width, row.want.width) << row.what;
    EXPECT_EQ(got.height, row.want.height) << row.what;
  }
}

// A figure walking across the screen with frames of changing widths: every
// push keeps the surface, holds its picture, and the window's size changes
// only when a frame outgrows it.
TEST(PushPadding, AWalkKeepsOneWindowSize) {
  const SceneRect screen{0, 0, 1280, 800};
  const int widths[] = {38, 22, 41, 34, 24, 31, 43, 38, 22, 41};
  SceneSize last;
  int changes = 0;
  for (int step = 0; step < 300; ++step) {
    const ScenePoint at{100 + 3 * step, 725};
    const SceneSize size{widths[step % 10], 76};
    const SceneSize pushed = SteadyPushSize(at, PaddedPushSize(at, size, screen), last, screen);
    ASSERT_TRUE(WineKeepsSurface({at.x, at.y, at.x + pushed.width, at.y + pushed.height}, screen)) << step;
    ASSERT_GE(pushed.width, size.width);
    ASSERT_GE(pushed.height, size.height);
    if (!(pushed == last)) ++changes;
    last = pushed;
  }
  EXPECT_EQ(changes, 1);  // the first push's size is the walk's
}

struct ShownRow {
  const char* what;
  ShownPush shown;
  ScenePoint at;
  SceneSize size;
  bool samePicture;
  bool want;
};

const ShownRow kShownRows[] = {
    {"the same picture at the same place", {true, {400, 704}, {64, 96}}, {400, 704}, {64, 96}, true, true},
    {"another picture", {true, {400, 704}, {64, 96}}, {400, 704}, {64, 96}, false, false},
    {"nothing known", {false, {400, 704}, {64, 96}}, {400, 704}, {64, 96}, true, false},
    {"moved a pixel right", {true, {400, 704}, {64, 96}}, {401, 704}, {64, 96}, true, false},
    {"moved a pixel down", {true, {400, 704}, {64, 96}}, {400, 705}, {64, 96}, true, false},
    {"a column wider", {true, {400, 704}, {64, 96}}, {400, 704}, {96, 96}, true, false},
    {"a row taller", {true, {400, 704}, {64, 96}}, {400, 704}, {64, 128}, true, false},
    // Wine shows a window not of whole steps with a new, blank surface at
    // each restack: it is pushed.
    {"not whole steps", {true, {400, 704}, {40, 70}}, {400, 704}, {40, 70}, true, false},
    {"a step beyond the right edge", {true, {1240, 704}, {96, 96}}, {1240, 704}, {96, 96}, true, false},
    {"less than a step beyond the right edge",
     {true, {1240, 704}, {64, 96}},
     {1240, 704},
     {64, 96},
     true,
     true},
    {"less than a step below the bottom", {true, {400, 725}, {64, 96}}, {400, 725}, {64, 96}, true, true},
    {"a step below the bottom", {true, {400, 740}, {64, 96}}, {400, 740}, {64, 96}, true, false},
    {"less than a step left of the screen", {true, {-10, 704}, {64, 96}}, {-10, 704}, {64, 96}, true, true},
    {"a pixel of it on the screen's left", {true, {-63, 704}, {64, 96}}, {-63, 704}, {64, 96}, true, false},
    {"a pixel of it on the screen's top", {true, {400, -95}, {64, 96}}, {400, -95}, {64, 96}, true, false},
    {"parked left of and above the screens", {true, {-1, -1}, {1, 1}}, {-1, -1}, {1, 1}, true, true},
    {"parked but another picture", {true, {-1, -1}, {1, 1}}, {-1, -1}, {1, 1}, false, false},
    {"wholly left of the screen", {true, {-64, 704}, {64, 96}}, {-64, 704}, {64, 96}, true, true},
    {"wholly above the screen", {true, {400, -96}, {64, 96}}, {400, -96}, {64, 96}, true, true},
    {"wholly right of the screen", {true, {1280, 704}, {40, 70}}, {1280, 704}, {40, 70}, true, true},
    {"wholly below the screen", {true, {400, 800}, {40, 70}}, {400, 800}, {40, 70}, true, true},
    {"a pixel of it on the screen's right",
     {true, {1279, 704}, {40, 70}},
     {1279, 704},
     {40, 70},
     true,
     false},
    {"a pixel of it on the screen's bottom", {true, {400, 799}, {40, 70}}, {400, 799}, {40, 70}, true, false},
    {"an empty picture", {true, {400, 704}, {0, 0}}, {400, 704}, {0, 0}, true, false},
    {"a picture of no width", {true, {400, 704}, {0, 96}}, {400, 704}, {0, 96}, true, false},
    // An empty window never had a push that went (Wine refuses it).
    {"an empty picture parked off the screens", {true, {-1, -1}, {0, 0}}, {-1, -1}, {0, 0}, true, false},
    {"a parked picture of no width", {true, {-64, 704}, {0, 96}}, {-64, 704}, {0, 96}, true, false},
    {"a parked picture of no height", {true, {400, -96}, {64, 0}}, {400, -96}, {64, 0}, true, false},
};

TEST(PushPadding, OnlyAnUnchangedPictureInAKeptWindowIsShownAlready) {
  for (const ShownRow& row : kShownRows)
    EXPECT_EQ(ShowsAlready(row.shown, row.at, row.size, row.samePicture, kScreen), row.want) << row.what;
}

// A window others change too (the overlay): its count of their changes at
// the push that showed the picture against the count now.
struct CountedRow {
  const char* what;
  unsigned shownChanges;
  unsigned changes;
  ShownPush shown;
  ScenePoint at;
  bool samePicture;
  bool want;
};

const CountedRow kCountedRows[] = {
    {"nothing changed since", 7, 7, {true, {400, 600}, {64, 96}}, {400, 600}, true, true},
    {"nothing changed ever", 0, 0, {true, {400, 600}, {64, 96}}, {400, 600}, true, true},
    {"one change since", 7, 8, {true, {400, 600}, {64, 96}}, {400, 600}, true, false},
    {"many changes since", 7, 200, {true, {400, 600}, {64, 96}}, {400, 600}, true, false},
    // The count wraps round; only equal counts say nothing changed.
    {"a change across the wrap", 0xFFFFFFFFu, 0, {true, {400, 600}, {64, 96}}, {400, 600}, true, false},
    {"a count that went back", 8, 7, {true, {400, 600}, {64, 96}}, {400, 600}, true, false},
    // An unchanged count still needs what a window alone needs.
    {"unchanged count, another picture", 7, 7, {true, {400, 600}, {64, 96}}, {400, 600}, false, false},
    {"unchanged count, moved", 7, 7, {true, {400, 600}, {64, 96}}, {401, 600}, true, false},
    {"unchanged count, nothing known", 7, 7, {false, {400, 600}, {64, 96}}, {400, 600}, true, false},
    {"unchanged count, not whole steps", 7, 7, {true, {400, 600}, {40, 70}}, {400, 600}, true, false},
    {"unchanged count, parked", 3, 3, {true, {-1, -1}, {1, 1}}, {-1, -1}, true, true},
    {"a change since, parked", 3, 4, {true, {-1, -1}, {1, 1}}, {-1, -1}, true, false},
};

TEST(PushPadding, AWindowOthersChangeShowsItsPictureOnlyWhileTheirCountStands) {
  for (const CountedRow& row : kCountedRows)
    EXPECT_EQ(ShowsAlready(row.shown, row.shownChanges, row.changes, row.at, row.shown.size, row.samePicture,
                           kScreen),
              row.want)
        << row.what;
}

}  // namespace
