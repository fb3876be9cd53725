// A window's pushes under Wine: the picture kept between pushes, padded to
// whole steps with see-through margins, and an unchanged picture that is not
// pushed again, read back from the screen.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "services/handles.h"
#include "services/win_util.h"
#include "stage/figure_record.h"
#include "stage/layer_test_support.h"
#include "tests/support/test_windows.h"

namespace {

using namespace layer_test;

constexpr COLORREF kFirst = RGB(0x20, 0x40, 0xC0);
constexpr COLORREF kOther = RGB(0xE0, 0x30, 0x10);

class LayerPushesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ =
        MakeTestWindow("LayerPushesTest", DefWindowProcA, WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOPMOST);
    ASSERT_TRUE(window_);
    ASSERT_TRUE(picture_.ok());
  }
  void TearDown() override { DestroyWindow(window_); }
  // Pushes the picture by `args` through `pushes` and shows the window.
  BOOL Push(LayerPushes& pushes, const LayerArgs& args) {
    const BOOL done = pushes.Push(window_, picture_.screen(), picture_.dc(), args);
    if (!IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWNOACTIVATE);
    return done;
  }
  // Another hand's push of the same window (the bubbles', say): the picture
  // in `colour` at `args`, padded as `pushes` would.
  void PushElsewhere(COLORREF colour, const LayerArgs& args) {
    picture_.Draw(colour);
    LayerPushes other(false);
    ASSERT_TRUE(other.Push(window_, picture_.screen(), picture_.dc(), args));
  }
  RECT WindowRect() const {
    RECT rect = {};
    GetWindowRect(window_, &rect);
    return rect;
  }

  HWND window_ = nullptr;
  Picture picture_;
};

// The window is padded to whole steps and keeps its size while the pictures
// fit in it; the columns and rows a smaller picture leaves in a kept picture
// are see-through again, not an earlier picture's.
TEST_F(LayerPushesTest, AKeptPictureIsPaddedAndItsMarginsClearedAtEveryPush) {
  const POINT at = {300, 200};
  struct Point {
    const char* what;
    POINT at;
    COLORREF under = CLR_INVALID;  // what the screen shows there without the window
  };
  Point cleared[] = {
      {"right of the smaller picture", {at.x + 30, at.y + 10}},
      {"below it", {at.x + 10, at.y + 50}},
      {"right of and below it", {at.x + kWidth - 2, at.y + kHeight - 2}},
      {"in the padding", {at.x + 60, at.y + 90}},
  };
  for (Point& point : cleared) point.under = ScreenAt(point.at);
  LayerPushes pushes(true);
  picture_.Draw(kFirst, {0, 0, kWidth, kHeight});
  ASSERT_TRUE(Push(pushes, At(at)));
  RECT rect = WindowRect();
  EXPECT_EQ(rect.right - rect.left, 64);
  EXPECT_EQ(rect.bottom - rect.top, 96);
  ASSERT_TRUE(ShowsSoon({at.x + kWidth - 2, at.y + kHeight - 2}, kFirst));
  // Two smaller pictures: the second is copied into the picture the first
  // push used.
  for (const COLORREF colour : {kOther, kFirst}) {
    picture_.Draw(colour, {0, 0, 20, 30});
    ASSERT_TRUE(Push(pushes, At(at, {20, 30})));
    rect = WindowRect();
    EXPECT_EQ(rect.right - rect.left, 64) << "the window keeps its size";
    EXPECT_EQ(rect.bottom - rect.top, 96);
    ASSERT_TRUE(ShowsSoon({at.x + 10, at.y + 10}, colour));
    for (const Point& point : cleared) EXPECT_EQ(ScreenAt(point.at), point.under) << point.what;
  }
}

// What happens between two pushes of one picture, and whether the second
// is pushed: another hand pushes its own picture into the window first, so
// the screen tells which picture the window shows after the second.
struct Between {
  const char* what;
  std::function<void(HWND, LayerPushes&)> change;
  POINT second;  // where the second push places the picture (the first: 300, 200)
  bool changedPicture;
  bool pushed;
};

TEST_F(LayerPushesTest, AnUnchangedPictureIsPushedAgainOnlyWhereTheWindowMayNotShowIt) {
  const Between rows[] = {
      {"nothing", [](HWND, LayerPushes&) {}, {300, 200}, false, false},
      {"another picture", [](HWND, LayerPushes&) {}, {300, 200}, true, true},
      {"moved a pixel", [](HWND, LayerPushes&) {}, {301, 200}, false, true},
      {"forgotten", [](HWND, LayerPushes& pushes) { pushes.Forget(); }, {300, 200}, false, true},
      {"hidden", [](HWND window, LayerPushes&) { ShowWindow(window, SW_HIDE); }, {300, 200}, false, true},
      {"moved by another hand",
       [](HWND window, LayerPushes&) {
         SetWindowPos(window, nullptr, 500, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
       },
       {300, 200},
       false,
       true},
      {"restacked",
       [](HWND window, LayerPushes&) {
         SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
       },
       {300, 200},
       false,
       false},
  };
  for (const Between& row : rows) {
    SCOPED_TRACE(row.what);
    LayerPushes pushes(true);
    picture_.Draw(kFirst);
    ASSERT_TRUE(Push(pushes, At({300, 200})));
    ASSERT_TRUE(ShowsSoon({310, 210}, kFirst));
    PushElsewhere(kOther, At({300, 200}));
    ASSERT_TRUE(ShowsSoon({310, 210}, kOther));
    row.change(window_, pushes);
    picture_.Draw(kFirst, row.changedPicture ? RECT{5, 5, kWidth - 6, kHeight - 5}
                                             : RECT{5, 5, kWidth - 5, kHeight - 5});
    ASSERT_TRUE(Push(pushes, At(row.second)));
    const POINT probe = {row.second.x + 10, row.second.y + 10};
    if (row.pushed)
      EXPECT_TRUE(ShowsSoon(probe, kFirst)) << std::hex << ScreenAt(probe);
    else
      EXPECT_EQ(ScreenAt(probe), kOther) << "not pushed again";
  }
}

// A window parked off the screens shows nothing: its unchanged picture is
// not pushed again, and the first picture brought back onto the screen is.
TEST_F(LayerPushesTest, AParkedWindowIsNotPushedAgainAndComesBackWithItsPicture) {
  LayerPushes pushes(true);
  picture_.Draw(kFirst);
  ASSERT_TRUE(Push(pushes, At({-1, -1}, {1, 1})));
  ASSERT_TRUE(Push(pushes, At({-1, -1}, {1, 1})));
  const RECT parked = WindowRect();
  EXPECT_EQ(parked.left, -1);
  EXPECT_EQ(parked.right, 0);
  ASSERT_TRUE(Push(pushes, At({300, 200})));
  EXPECT_TRUE(ShowsSoon({310, 210}, kFirst));
}

// Released, the pushes start afresh: the next one goes whole.
TEST_F(LayerPushesTest, ReleasedPushesPushTheNextPicture) {
  LayerPushes pushes(true);
  picture_.Draw(kFirst);
  ASSERT_TRUE(Push(pushes, At({300, 200})));
  PushElsewhere(kOther, At({300, 200}));
  ASSERT_TRUE(ShowsSoon({310, 210}, kOther));
  pushes.Release();
  picture_.Draw(kFirst);
  ASSERT_TRUE(Push(pushes, At({300, 200})));
  EXPECT_TRUE(ShowsSoon({310, 210}, kFirst));
}

// Pushes that keep nothing to compare push every picture.
TEST_F(LayerPushesTest, PushesThatDoNotSkipPushEveryPicture) {
  LayerPushes pushes(false);
  picture_.Draw(kFirst);
  ASSERT_TRUE(Push(pushes, At({300, 200})));
  PushElsewhere(kOther, At({300, 200}));
  ASSERT_TRUE(ShowsSoon({310, 210}, kOther));
  picture_.Draw(kFirst);
  ASSERT_TRUE(Push(pushes, At({300, 200})));
  EXPECT_TRUE(ShowsSoon({310, 210}, kFirst));
}

TEST_F(LayerPushesTest, RefusesNoWindowAndNoPicture) {
  LayerPushes pushes(true);
  EXPECT_FALSE(pushes.Push(nullptr, picture_.screen(), picture_.dc(), At({300, 200})));
  EXPECT_FALSE(pushes.Push(window_, picture_.screen(), nullptr, At({300, 200})));
}

}  // namespace
