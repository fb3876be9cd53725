// The figure scene of the real program under Wine: a figure walks along the
// bottom of the screen, and one is lifted, carried and dropped with the mouse.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/settings.h"
#include "tests/e2e/program_driver.h"

namespace e2e {
namespace {

constexpr char kClass[] = "Waylune Desktop";
constexpr DWORD kSceneTimeout = 60000;

// Every scene but `keep` switched off, so the chooser picks one of them.
std::string SwitchedOffExcept(std::initializer_list<int> keep) {
  std::string list;
  for (int scene = 1; scene <= 91; ++scene) {
    if (std::find(keep.begin(), keep.end(), scene) != keep.end()) continue;
    if (!list.empty()) list += ",";
    list += std::to_string(scene);
  }
  return list;
}

// The visible window of the walking figure: on the work area's bottom (its
// padding, less than a step, may reach below it), as wide as what its
// picture holds (the figure), at most the screen.
HWND FindFigureStrip(DWORD processId) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  for (HWND window : WindowsOfClass(kClass, processId)) {
    RECT r;
    if (!IsWindowVisible(window) || !GetWindowRect(window, &r)) continue;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w >= 8 && w <= screenWidth && h >= 8 && h < 200 && r.bottom >= work.bottom &&
        r.bottom <= work.bottom + 5 + 31)
      return window;
  }
  return nullptr;
}

// The visible overlay that carries a lifted figure.
HWND FindLiftedFigure(DWORD processId, HWND strip) {
  for (HWND window : WindowsOfClass(kClass, processId)) {
    RECT r;
    if (window == strip || !IsWindowVisible(window) || !GetWindowRect(window, &r)) continue;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w > 0 && w <= PaddedToSteps(200) && h > 0 && h <= PaddedToSteps(200)) return window;
  }
  return nullptr;
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillStrayInstances();
    WriteDword(SETTINGS_KEY, "Pause", 100);  // the shortest pause: a scene after about 9 s
    WriteDword(SETTINGS_KEY, "Speed", 30);
    WriteDword(SETTINGS_KEY, "Billboard", 0);
    if (getenv("SCENE_E2E_LOG")) {
      WriteDword(SETTINGS_KEY, "DebugOn", 1);
      WriteString(SETTINGS_KEY, "DebugFileName", "C:\\scene_e2e.log");
    }
  }
  void TearDown() override {
    Button(MOUSEEVENTF_LEFTUP);
    KillStrayInstances();
    for (const char* value : {"Pause", "Speed", "Billboard", "FigDeactive", "DebugOn"})
      DeleteValue(SETTINGS_KEY, value);
  }

  // Waits for a figure's strip window to come up at the bottom.
  HWND WaitForStrip(const Program& program) {
    HWND strip = nullptr;
    WaitUntil([&] { return (strip = FindFigureStrip(program.id())) != nullptr; }, kSceneTimeout);
    return strip;
  }
};

// A press on the walking figure takes him (a press on his window's
// see-through pixels would reach what is under it); the overlay then carries
// him at the same offset from the cursor.
TEST_F(SceneTest, AFigureIsLiftedCarriedAndDropped) {
  WriteString(SETTINGS_KEY, "FigDeactive", SwitchedOffExcept({8, 10, 13}));
  Program program;
  ASSERT_TRUE(program.started());
  HWND strip = WaitForStrip(program);
  ASSERT_NE(strip, nullptr) << "no figure came within a minute";
  RECT r;
  GetWindowRect(strip, &r);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_GE(r.bottom, work.bottom) << "the strip stands on the work area's bottom";
  EXPECT_LE(r.bottom, work.bottom + 5 + 31) << "its padding reaches less than a step below";
  Sleep(1000);  // past the figure's first frames

  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  ASSERT_TRUE(WaitUntil(
      [&] { return GetWindowRect(strip, &r) && r.left >= 40 && r.right <= screenWidth - 40; }, kSceneTimeout))
      << "the figure does not come onto the screen";
  // He walks on: pressed where he stands now, on a pixel of him near his
  // middle (his picture stands anywhere in his window).
  POINT press;
  ASSERT_TRUE(DrawnPixelNearMiddle(r, &press)) << "nothing of him drawn in his window";
  const int pressX = press.x, pressY = press.y;
  MoveMouse(pressX, pressY);
  Sleep(40);
  Button(MOUSEEVENTF_LEFTDOWN);
  Sleep(150);
  for (int step = 1; step <= 10; ++step) {
    MoveMouse(pressX, pressY - step * 15);
    Sleep(40);
  }
  HWND lifted = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (lifted = FindLiftedFigure(program.id(), strip)) != nullptr; }, 5000))
      << "the figure is not lifted";
  // The offset to the cursor is read once the overlay carries the figure (a
  // bubble may have stood in it) and has caught up with the cursor.
  RECT overlay;
  ASSERT_TRUE(WaitUntilStill(
      lifted, &overlay, [&](const RECT& o) { return o.top < r.top && o.bottom - o.top == r.bottom - r.top; },
      5000))
      << "the lifted figure does not leave the strip, one figure high";
  const int offsetX = (pressX)-overlay.left;
  const int offsetY = (pressY - 150) - overlay.top;
  EXPECT_EQ(overlay.bottom - overlay.top, r.bottom - r.top) << "the overlay is one figure high";

  // Carry it to the left; the overlay keeps its offset to the cursor.
  const int dropX = screenWidth / 5;
  for (int step = 1; step <= 10; ++step) {
    MoveMouse(pressX + (dropX - pressX) * step / 10, pressY - 150 - step * 5);
    Sleep(40);
  }
  ASSERT_TRUE(WaitUntil(
      [&] {
        GetWindowRect(lifted, &overlay);
        return overlay.left == dropX - offsetX && overlay.top == pressY - 200 - offsetY;
      },
      3000))
      << "the carried figure does not follow the cursor: " << overlay.left << "," << overlay.top;
  ASSERT_TRUE(IsWindowVisible(strip));
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(lifted); }, 5000))
      << "the overlay stays after the drop";
  EXPECT_TRUE(IsWindowVisible(strip)) << "the figure is back on the strip";
  RECT after;
  GetWindowRect(strip, &after);
  EXPECT_EQ(after.top, r.top) << "dropped onto the same line";
  EXPECT_TRUE(program.Running());
}

}  // namespace
}  // namespace e2e
