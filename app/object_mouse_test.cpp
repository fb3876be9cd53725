// The mouse on the shell's windows: a press becomes a drag only once it moved
// more than 2 pixels from where the mouse last moved with no button down,
// reckoned by the drag state it is handed.

#include "app/object_mouse.h"

#include <gtest/gtest.h>

#include "app/desktop.h"
#include "tests/support/test_windows.h"

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

class ObjectMouse : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = MakeTestWindow("Waylune Test Object", PlainProc);
    ASSERT_NE(window_, nullptr);
    Desktop().figures.held = 0;
    Desktop().figures.windowOffset.Set(0, 0);
  }
  void TearDown() override {
    Desktop().figures.held = 0;
    Desktop().figures.windowOffset.Set(0, 0);
    DestroyWindow(window_);
  }
  // A free move to `rest`, then one with the button down to `to`: whether
  // the figure was lifted.
  bool Lifts(ObjectDrag& drag, POINT rest, POINT to) {
    Desktop().figures.held = 0;
    OnObjectMouseMove(windows_, drag, window_, rest.x, rest.y, 0);
    OnObjectMouseMove(windows_, drag, window_, to.x, to.y, MK_LBUTTON);
    return Desktop().figures.held != 0;
  }
  HWND window_ = nullptr;
  ShellWindows windows_;  // the test's window is none of them: an object window
};

TEST_F(ObjectMouse, APressLiftsTheFigureOnlyPastTwoPixels) {
  struct Row {
    POINT rest, to;
    bool lifts;
  };
  const Row rows[] = {
      {{100, 100}, {100, 100}, false}, {{100, 100}, {102, 98}, false}, {{100, 100}, {98, 102}, false},
      {{100, 100}, {103, 100}, true},  {{100, 100}, {100, 97}, true},  {{100, 100}, {97, 103}, true},
      {{100, 100}, {102, 103}, true},  {{0, 0}, {2, 2}, false},        {{0, 0}, {-3, 0}, true},
      {{-5, -5}, {-7, -3}, false},     {{-5, -5}, {-8, -5}, true},
  };
  for (const Row& row : rows) {
    ObjectDrag drag;
    EXPECT_EQ(Lifts(drag, row.rest, row.to), row.lifts)
        << row.rest.x << "," << row.rest.y << " to " << row.to.x << "," << row.to.y;
    // Moves with the button down leave the reference; the press point follows the mouse.
    EXPECT_EQ(drag.reference.x, row.rest.x);
    EXPECT_EQ(drag.reference.y, row.rest.y);
    EXPECT_EQ(Desktop().figures.press.x, row.to.x);
    EXPECT_EQ(Desktop().figures.press.y, row.to.y);
  }
}

TEST_F(ObjectMouse, TheFigureWindowReckonsInItsPicturesCoordinates) {
  windows_.figure = window_;
  Desktop().figures.windowOffset.Set(40, -10);
  ObjectDrag drag;
  OnObjectMouseMove(windows_, drag, window_, 5, 20, 0);
  EXPECT_EQ(drag.reference.x, 45);
  EXPECT_EQ(drag.reference.y, 10);
  EXPECT_FALSE(Lifts(drag, {5, 20}, {7, 22}));
  EXPECT_EQ(Desktop().figures.press.x, 47);
  EXPECT_EQ(Desktop().figures.press.y, 12);
  EXPECT_TRUE(Lifts(drag, {5, 20}, {8, 20}));
}

TEST_F(ObjectMouse, TwoDragsSideBySideKeepTheirOwnReference) {
  ObjectDrag first, second;
  OnObjectMouseMove(windows_, first, window_, 10, 10, 0);
  OnObjectMouseMove(windows_, second, window_, 200, 200, 0);
  EXPECT_EQ(first.reference.x, 10);
  EXPECT_EQ(second.reference.x, 200);
  // One press near the second's reference: a drag for the first only.
  Desktop().figures.held = 0;
  OnObjectMouseMove(windows_, second, window_, 201, 201, MK_LBUTTON);
  EXPECT_EQ(Desktop().figures.held, 0);
  OnObjectMouseMove(windows_, first, window_, 201, 201, MK_LBUTTON);
  EXPECT_EQ(Desktop().figures.held, 1);
  EXPECT_EQ(first.reference.x, 10);
  EXPECT_EQ(second.reference.x, 200);
}

}  // namespace
