// The clock and the countdown of the real program under Wine: their windows
// stand where the settings say, hide and show with the figures (the billboard
// too), the clock is dragged and remembers its place, and the program ends
// with both threads.
// (What the digits say is read from X screenshots by clock_screen_e2e.sh.)

#include <gtest/gtest.h>

#include <string>

#include "services/messages.h"
#include "services/settings.h"
#include "tests/e2e/program_driver.h"

#include <shellapi.h>

namespace e2e {
namespace {

constexpr char kMainClass[] = "Waylune Desktop";
constexpr char kClockClass[] = "LunClock";
constexpr char kCountdownClass[] = "LunCountdown";
constexpr DWORD kStartTimeout = 20000;

const char* const kValues[] = {"Clock",     "ClockPos",     "ClockOnTop",    "ClockNotDA",
                               "Countdown", "CountdownPos", "CountdownDate", "CountdownNotDA",
                               "Billboard", "Pause",        "BillboardX",    "BillboardNotDA"};

// The visible window of a class showing a picture of the given size at the
// given screen point.
bool StandsAt(HWND window, int x, int y, int width, int height) {
  RECT r;
  return window && IsWindowVisible(window) && GetWindowRect(window, &r) && r.left == x && r.top == y &&
         ShowsPicture(r, width, height);
}

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillStrayInstances();
    WriteDword(SETTINGS_KEY, "Clock", 4);
    WriteString(SETTINGS_KEY, "ClockPos", "50,15,50,15,50,15,300,200");
    WriteDword(SETTINGS_KEY, "ClockOnTop", 1);
    WriteDword(SETTINGS_KEY, "ClockNotDA", 1);
    WriteDword(SETTINGS_KEY, "Countdown", 3);
    WriteString(SETTINGS_KEY, "CountdownPos", "50,400,50,400,500,200,50,400");
    WriteString(SETTINGS_KEY, "CountdownDate", "2090,1,1,0,0");
    WriteDword(SETTINGS_KEY, "CountdownNotDA", 0);
    WriteDword(SETTINGS_KEY, "Billboard", 0);
    WriteDword(SETTINGS_KEY, "Pause", 3000);  // no figure walks into the way
  }
  void TearDown() override {
    Button(MOUSEEVENTF_LEFTUP);
    KillStrayInstances();
    for (const char* value : kValues) DeleteValue(SETTINGS_KEY, value);
  }

  // The program started with both objects on screen.
  void Start(Program& program) {
    ASSERT_TRUE(program.started());
    main_ = WaitForWindow(kMainClass, program.id(), kStartTimeout);
    ASSERT_NE(main_, nullptr);
    clock_ = WaitForWindow(kClockClass, program.id(), kStartTimeout);
    countdown_ = WaitForWindow(kCountdownClass, program.id(), kStartTimeout);
    ASSERT_NE(clock_, nullptr);
    ASSERT_NE(countdown_, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return StandsAt(clock_, 300, 200, 72, 51); }, 10000))
        << "clock face 4 at 300,200";
    ASSERT_TRUE(WaitUntil([&] { return StandsAt(countdown_, 500, 200, 88, 51); }, 10000))
        << "countdown face 3 at 500,200";
  }

  HWND main_ = nullptr, clock_ = nullptr, countdown_ = nullptr;
};

TEST_F(ClockTest, TheClockIsTopmostAndFiguresOffHideTheCountdownWhileTheClockStays) {
  Program program;
  Start(program);
  EXPECT_EQ(GetWindowLongA(clock_, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_LAYERED),
            WS_EX_TOPMOST | WS_EX_LAYERED);
  EXPECT_FALSE(GetWindowLongA(countdown_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SendMessageA(main_, MSG_TOGGLE_ACTIVE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(countdown_); }, 5000));
  EXPECT_TRUE(IsWindowVisible(clock_)) << "ClockNotDA keeps the clock";
  SendMessageA(main_, MSG_TOGGLE_ACTIVE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(countdown_); }, 5000));
  EXPECT_TRUE(IsWindowVisible(clock_));
  // The clock's own hide and show messages, carried out by the clock's thread.
  SendMessageA(clock_, MSG_HIDE_CLOCK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(clock_); }, 5000));
  SendMessageA(clock_, MSG_SHOW_CLOCK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(clock_); }, 5000));
}

TEST_F(ClockTest, AFullScreenProgramHidesBothTheyComeBackAfterItAndExitEndsTheirThreads) {
  Program program;
  Start(program);
  SendMessageA(main_, MSG_APPBAR, ABN_FULLSCREENAPP, 1);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(clock_) && !IsWindowVisible(countdown_); }, 5000));
  Sleep(500);  // the object threads only wait meanwhile
  EXPECT_FALSE(IsWindowVisible(clock_));
  SendMessageA(main_, MSG_APPBAR, ABN_FULLSCREENAPP, 0);
  EXPECT_TRUE(WaitUntil([&] { return StandsAt(clock_, 300, 200, 72, 51); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return StandsAt(countdown_, 500, 200, 88, 51); }, 5000));
  Program exit("EXIT");
  EXPECT_TRUE(exit.WaitForExit(10000));
  EXPECT_TRUE(program.WaitForExit(kProgramExitTimeout)) << "the program must end within its bounded waits";
  EXPECT_EQ(program.ExitCode(), 0u);
}

// The billboard is the main class's window of the wall's size.
HWND BillboardOf(DWORD processId) {
  for (HWND window : WindowsOfClass(kMainClass, processId)) {
    RECT r;
    if (GetWindowRect(window, &r) && ShowsPicture(r, 168, 149)) return window;
  }
  return nullptr;
}

TEST_F(ClockTest, TheBillboardHidesWithTheFiguresAndFullScreenProgramsAndComesBackInItsPlace) {
  WriteDword(SETTINGS_KEY, "Billboard", 1);
  WriteDword(SETTINGS_KEY, "BillboardX", 700);
  WriteDword(SETTINGS_KEY, "BillboardNotDA", 0);
  Program program;
  Start(program);
  HWND wall = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        wall = BillboardOf(program.id());
        return wall && IsWindowVisible(wall);
      },
      10000))
      << "the billboard stands on the desktop";
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int wallY = work.bottom - 149;
  EXPECT_TRUE(WaitUntil([&] { return StandsAt(wall, 700, wallY, 168, 149); }, 5000));

  SendMessageA(main_, MSG_TOGGLE_ACTIVE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(wall); }, 5000)) << "figures off hide the billboard";
  Sleep(1200);  // the wall is pushed to its window every 500 ms: that must not show it
  EXPECT_FALSE(IsWindowVisible(wall));
  // Leaving a full-screen program while the figures are off leaves it hidden.
  SendMessageA(main_, MSG_APPBAR, ABN_FULLSCREENAPP, 1);
  SendMessageA(main_, MSG_APPBAR, ABN_FULLSCREENAPP, 0);
  Sleep(300);
  EXPECT_FALSE(IsWindowVisible(wall));
  SendMessageA(main_, MSG_TOGGLE_ACTIVE, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return StandsAt(wall, 700, wallY, 168, 149); }, 5000)) << "figures on show it";

  SendMessageA(main_, MSG_APPBAR, ABN_FULLSCREENAPP, 1);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(wall); }, 5000)) << "a full-screen program hides it";
  Sleep(1200);
  EXPECT_FALSE(IsWindowVisible(wall));
  SendMessageA(main_, MSG_APPBAR, ABN_FULLSCREENAPP, 0);
  EXPECT_TRUE(WaitUntil([&] { return StandsAt(wall, 700, wallY, 168, 149); }, 5000)) << "and back after it";
}

TEST_F(ClockTest, TheDraggedClockFollowsTheCursorStaysWhereDroppedAndRemembersIt) {
  Program program;
  Start(program);
  MoveMouse(330, 220);
  Sleep(200);
  Button(MOUSEEVENTF_LEFTDOWN);
  Sleep(150);
  for (int step = 1; step <= 10; ++step) {
    MoveMouse(330 + step * 10, 220 + step * 12);
    Sleep(50);
  }
  // Lifted: the clock keeps its offset to the cursor wherever it goes.
  RECT r;
  ASSERT_TRUE(WaitUntil([&] { return GetWindowRect(clock_, &r) && r.left > 330; }, 5000)) << "not lifted";
  // The offset is read once the clock has caught up with the cursor.
  ASSERT_TRUE(WaitUntilStill(
      clock_, &r, [](const RECT&) { return true; }, 5000))
      << "the clock keeps moving";
  const int offsetX = 430 - r.left, offsetY = 340 - r.top;
  EXPECT_TRUE(offsetX >= 0 && offsetX < 72 && offsetY >= 0 && offsetY < 51) << offsetX << "," << offsetY;
  for (int step = 1; step <= 5; ++step) {
    MoveMouse(430 + step * 20, 340 - step * 10);
    Sleep(50);
  }
  const int dropX = 530 - offsetX, dropY = 290 - offsetY;
  EXPECT_TRUE(WaitUntil([&] { return StandsAt(clock_, dropX, dropY, 72, 51); }, 5000))
      << "the clock lags behind";
  Button(MOUSEEVENTF_LEFTUP);
  const std::string expected = "50,15,50,15,50,15," + std::to_string(dropX) + "," + std::to_string(dropY);
  std::string saved;
  EXPECT_TRUE(WaitUntil(
      [&] { return ReadString(SETTINGS_KEY, "ClockPos", &saved) && std::string(saved.c_str()) == expected; },
      5000))
      << saved;
  Sleep(500);
  EXPECT_TRUE(StandsAt(clock_, dropX, dropY, 72, 51));

  // The arrow keys nudge it by a pixel.
  PostMessageA(clock_, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_TRUE(WaitUntil([&] { return StandsAt(clock_, dropX - 1, dropY, 72, 51); }, 3000));
}

}  // namespace
}  // namespace e2e
