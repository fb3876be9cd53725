// Where a painted window stands: still while its picture moves inside it,
// moved ahead of the picture when the picture's part on the screen leaves it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "stage/portable/painted_place.h"

std::ostream& operator<<(std::ostream& out, const SceneRect& r) {
  return out << '{' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << '}';
}

namespace {

constexpr SceneRect kScreen{0, 0, 1280, 800};
// A runner 128 x 76 standing a row below the screen's bottom, at x.
constexpr SceneRect Runner(int x) {
  return {x, 725, x + 128, 801};
}

TEST(PaintedPlace, ARectWithoutWidthOrHeightIsEmpty) {
  struct Row {
    SceneRect rect;
    bool empty;
  };
  const Row rows[] = {
      {{}, true},
      {{0, 0, 1, 1}, false},
      {{5, 5, 5, 9}, true},
      {{5, 5, 9, 5}, true},
      {{9, 5, 5, 9}, true},
      {{5, 9, 9, 5}, true},
      {{-9, -9, -8, -8}, false},
      {{-1, 0, 0, 800}, false},
      {{0, 0, 1280, 0}, true},
      {{INT32_MIN, 0, INT32_MAX, 1}, false},
  };
  for (const Row& row : rows) EXPECT_EQ(row.rect.Empty(), row.empty) << row.rect;
}

TEST(PaintedPlace, TheWindowIsWiderThanThePictureInWholeSteps) {
  struct Row {
    SceneSize picture, window;
  };
  const Row rows[] = {
      {{128, 76}, {256, 96}}, {{129, 96}, {288, 96}}, {{1, 1}, {160, 32}}, {{40, 97}, {192, 128}},
      {{0, 76}, {}},          {{128, 0}, {}},         {{-5, 10}, {}},      {{10, -5}, {}},
  };
  for (const Row& row : rows) {
    const SceneSize size = PaintedWindowSize(row.picture);
    EXPECT_EQ(size.width, row.window.width) << row.picture.width << " x " << row.picture.height;
    EXPECT_EQ(size.height, row.window.height) << row.picture.width << " x " << row.picture.height;
  }
}

TEST(PaintedPlace, EveryFigureWithAFrameTimePaints) {
  struct Row {
    int frameMs;
    bool paints;
  };
  const Row rows[] = {{0, false}, {-1, false}, {-20, false}, {1, true},   {20, true},
                      {25, true}, {26, true},  {50, true},   {1000, true}};
  for (const Row& row : rows) EXPECT_EQ(PaintsItsWindow(row.frameMs), row.paints) << row.frameMs;
}

TEST(PaintedPlace, TheWindowStaysUntilThePictureLeavesIt) {
  struct Row {
    const char* what;
    SceneRect window;
    SceneSize size;
    SceneRect picture, last;
    SceneRect screen;
    SceneRect expected;
  };
  const SceneRect held{472, 704, 728, 800};
  const Row rows[] = {
      {"first picture, not moving: centred, on the screen's bottom",
       {},
       {},
       Runner(600),
       {},
       kScreen,
       {536, 704, 792, 800}},
      {"moving left: the picture at the window's right edge",
       {},
       {},
       Runner(600),
       Runner(603),
       kScreen,
       {472, 704, 728, 800}},
      {"moving right: at its left edge", {}, {}, Runner(600), Runner(597), kScreen, {600, 704, 856, 800}},
      {"standing, a window of another size: centred anew",
       {0, 0, 160, 96},
       {160, 96},
       Runner(600),
       Runner(600),
       kScreen,
       {536, 704, 792, 800}},
      {"first picture on a screen left of the first: centred",
       {},
       {},
       {-700, 725, -572, 801},
       {},
       {-1280, 0, 0, 800},
       {-764, 704, -508, 800}},
      {"still inside: the window stays", held, {256, 96}, Runner(500), Runner(503), kScreen, held},
      {"at the window's left edge: it stays", held, {256, 96}, Runner(472), Runner(475), kScreen, held},
      {"at its right edge: it stays", held, {256, 96}, Runner(600), Runner(597), kScreen, held},
      {"a column out: it moves ahead",
       held,
       {256, 96},
       Runner(471),
       Runner(474),
       kScreen,
       {343, 704, 599, 800}},
      {"a column out to the right while moving right",
       held,
       {256, 96},
       Runner(601),
       Runner(598),
       kScreen,
       {601, 704, 857, 800}},
      {"nothing on the screen and no window yet: none", {}, {}, Runner(1280), {}, kScreen, {}},
      {"nothing on the screen: the window stays", held, {256, 96}, Runner(-200), Runner(-197), kScreen, held},
      {"an empty picture: the window stays", held, {256, 96}, {}, Runner(500), kScreen, held},
      {"coming in at the right edge: shifted onto the screen",
       {},
       {},
       Runner(1250),
       Runner(1253),
       kScreen,
       {1024, 704, 1280, 800}},
      {"leaving at the left edge: shifted onto the screen",
       {},
       {},
       Runner(-50),
       Runner(-47),
       kScreen,
       {0, 704, 256, 800}},
      {"a larger picture: the window grows",
       held,
       {256, 96},
       {500, 700, 700, 801},
       {503, 700, 703, 801},
       kScreen,
       {348, 672, 700, 800}},
      {"a smaller picture inside: the larger window stays",
       {348, 672, 700, 800},
       {352, 128},
       {400, 725, 440, 801},
       {403, 725, 443, 801},
       kScreen,
       {348, 672, 700, 800}},
      {"a window of another size goes, though it holds the picture",
       {0, 600, 1280, 800},
       {},
       Runner(600),
       {},
       kScreen,
       {536, 704, 792, 800}},
      {"a picture wider than the screen: a window as wide as the screen",
       {},
       {},
       {-40, 100, 360, 150},
       {},
       {0, 0, 320, 240},
       {0, 93, 320, 157}},
      {"a screen left of the first: shifted onto it",
       {},
       {},
       {-1000, 725, -872, 801},
       {-997, 725, -869, 801},
       {-1024, 0, 1280, 800},
       {-1024, 704, -768, 800}},
      {"a flyer a row higher within the spare rows: it stays",
       {236, 18, 492, 82},
       {256, 64},
       {303, 19, 431, 79},
       {300, 20, 428, 80},
       kScreen,
       {236, 18, 492, 82}},
      {"a flyer on the window's top row: it stays",
       {236, 18, 492, 82},
       {256, 64},
       {303, 18, 431, 78},
       {300, 20, 428, 80},
       kScreen,
       {236, 18, 492, 82}},
      {"a flyer on the window's bottom row: it stays",
       {236, 18, 492, 82},
       {256, 64},
       {303, 22, 431, 82},
       {300, 20, 428, 80},
       kScreen,
       {236, 18, 492, 82}},
      {"three rows higher: it moves",
       {236, 18, 492, 82},
       {256, 64},
       {303, 17, 431, 77},
       {300, 20, 428, 80},
       kScreen,
       {303, 15, 559, 79}},
      {"a picture taller than the first screen, on screens reaching above it",
       {},
       {},
       {0, 0, 100, 700},
       {},
       {-1024, -200, 1280, 800},
       {-78, -2, 178, 702}},
      {"half above the screen: shifted down onto it",
       {},
       {},
       {100, -30, 228, 30},
       {},
       kScreen,
       {36, 0, 292, 64}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(PaintedWindowFor(row.window, row.size, row.picture, row.last, row.screen), row.expected)
        << row.what;
  }
}

// Any picture that shows on the screen is held by a window on the screen,
// which the next picture a step further keeps or replaces by one that holds
// it too.
TEST(PaintedPlace, EveryWindowHoldsWhatShowsOfItsPicture) {
  const SceneRect screens[] = {kScreen, {-1024, -200, 1280, 800}, {0, 0, 300, 200}};
  uint32_t seed = 12345;
  auto next = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
  };
  for (const SceneRect& screen : screens) {
    SceneRect window{}, last{};
    for (int i = 0; i < 3000; ++i) {
      const int width = 1 + next(400), height = 1 + next(150);
      const int x = screen.left - 300 + next(screen.right - screen.left + 600);
      const int y = screen.top - 100 + next(screen.bottom - screen.top + 200);
      const SceneRect picture{x, y, x + width, y + height};
      const SceneSize size{window.right - window.left, window.bottom - window.top};
      const SceneRect placed = PaintedWindowFor(window, size, picture, last, screen);
      const SceneRect shown{std::max(x, screen.left), std::max(y, screen.top),
                            std::min(x + width, screen.right), std::min(y + height, screen.bottom)};
      if (shown.left < shown.right && shown.top < shown.bottom) {
        ASSERT_LE(placed.left, shown.left) << i;
        ASSERT_LE(placed.top, shown.top) << i;
        ASSERT_GE(placed.right, shown.right) << i;
        ASSERT_GE(placed.bottom, shown.bottom) << i;
        ASSERT_GE(placed.left, screen.left) << i;
        ASSERT_GE(placed.top, screen.top) << i;
        ASSERT_LE(placed.right, screen.right) << i;
        ASSERT_LE(placed.bottom, screen.bottom) << i;
      } else {
        ASSERT_EQ(placed, window) << i;
      }
      window = placed;
      last = picture;
    }
  }
}

TEST(PaintedPlace, WhatAPictureLeavesIsClearedAndNothingUnderIt) {
  struct Row {
    SceneRect rect, keep;
    int count;
  };
  const Row rows[] = {
      {{0, 0, 10, 10}, {20, 0, 30, 10}, 1},
      {{0, 0, 10, 10}, {0, 0, 10, 10}, 0},
      {{0, 0, 10, 10}, {-5, -5, 15, 15}, 0},
      {{0, 0, 10, 10}, {3, 3, 6, 6}, 4},
      {{0, 0, 10, 10}, {-5, 0, 5, 10}, 1},
      {{0, 0, 10, 10}, {2, -1, 8, 4}, 3},
      {{0, 0, 10, 10}, {}, 1},
      {{4, 4, 4, 9}, {0, 0, 2, 2}, 0},
      {{0, 0, 10, 10}, {10, 0, 12, 10}, 1},
  };
  for (const Row& row : rows) {
    SceneRect out[4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {1, 1, 2, 2}, {1, 1, 2, 2}};  // what a caller left
    ASSERT_EQ(RectsOutside(row.rect, row.keep, out), row.count) << row.rect << " " << row.keep;
    // Every pixel of the rect lies in the kept one or in exactly one band,
    // and no band reaches outside the rect.
    for (int y = -6; y < 16; ++y)
      for (int x = -6; x < 16; ++x) {
        auto in = [&](const SceneRect& r) {
          return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        };
        const int bands = static_cast<int>(std::count_if(out, out + 4, in));
        const int expected = in(row.rect) && !in(row.keep) ? 1 : 0;
        ASSERT_EQ(bands, expected) << row.rect << " " << row.keep << " at " << x << "," << y;
      }
  }
}

}  // namespace
