// Restacks of the desktop windows asked for many times while their threads
// push them. Under Wine a layered window restacked by one thread while
// another pushes it could lose its drawing surface twice over: the program
// then died at a wild address or hung on a corrupted heap within seconds of
// such a burst (9 of 12 bursts before the drawing threads did all restacks).

#include <gtest/gtest.h>

#include <string>

#include "services/handles.h"
#include "services/messages.h"
#include "services/settings.h"
#include "tests/e2e/program_driver.h"

#include <shellapi.h>

namespace e2e {
namespace {

constexpr char kMainClass[] = "Waylune Desktop";
constexpr char kClockClass[] = "LunClock";
constexpr DWORD kStartTimeout = 20000;

struct Burst {
  const char* id;  // the case's name
  const char* name;
  UINT message;
  WPARAM wParam;
  int count;  // sent 2 ms apart
};

// Each row is one run of the program.
const Burst kBursts[] = {
    // Every object relayouts: the billboard restacks the clock above itself
    // while the clock's thread restacks and pushes its own window.
    {"WorkAreaChanged", "work area changed", MSG_APPBAR, ABN_POSCHANGED, 3000},
    // The front hotkey raises every object and the figure windows.
    {"FrontHotkey", "front hotkey", WM_HOTKEY, HK_FRONT, 400},
};

class WindowStackTest : public ::testing::TestWithParam<Burst> {
 protected:
  void SetUp() override {
    KillStrayInstances();
    WriteDword(SETTINGS_KEY, "Clock", 1);
    WriteDword(SETTINGS_KEY, "Billboard", 1);
    WriteDword(SETTINGS_KEY, "Pause", 3000);  // no scene: the objects alone
  }
  void TearDown() override {
    KillStrayInstances();
    for (const char* value : {"Clock", "Billboard", "Pause"}) DeleteValue(SETTINGS_KEY, value);
  }
};

TEST_P(WindowStackTest, ABurstOfRestacksLeavesTheProgramRunningAndItEndsOnExit) {
  const Burst& burst = GetParam();
  Program program;
  ASSERT_TRUE(program.started());
  HWND main = WaitForWindow(kMainClass, program.id(), kStartTimeout);
  HWND clock = WaitForWindow(kClockClass, program.id(), kStartTimeout);
  ASSERT_NE(main, nullptr);
  ASSERT_NE(clock, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(clock); }, 10000)) << "the clock is shown";

  // Sent, not posted: each is handled before the next, so no backlog is left
  // in the queue ahead of the EXIT below.
  for (int i = 0; i < burst.count && program.Running(); ++i) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(main, burst.message, burst.wParam, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    Sleep(2);
  }
  ASSERT_TRUE(program.Running()) << burst.name << ": the program died during the burst";
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 20000, &answer))
      << burst.name << ": the main thread no longer answers";
  // The clock is still shown, on the screen: what it shows, its window's
  // region of opaque pixels (the window is padded right and below to whole
  // surface steps), or without one the window.
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(clock); }, 5000)) << burst.name;
  RECT clockRect = {};
  GetWindowRect(clock, &clockRect);
  const OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
  RECT shown = {};
  if (GetWindowRgn(clock, region.get()) != ERROR && GetRgnBox(region.get(), &shown) != ERROR) {
    EXPECT_FALSE(IsRectEmpty(&shown)) << burst.name << ": the clock's region is empty";
    OffsetRect(&shown, clockRect.left, clockRect.top);
    clockRect = shown;
  }
  EXPECT_TRUE(clockRect.left >= 0 && clockRect.top >= 0 && clockRect.right <= GetSystemMetrics(SM_CXSCREEN) &&
              clockRect.bottom <= GetSystemMetrics(SM_CYSCREEN))
      << burst.name << ": " << clockRect.left << "," << clockRect.top << " to " << clockRect.right << ","
      << clockRect.bottom;

  Program exit("EXIT");
  EXPECT_TRUE(exit.WaitForExit(10000));
  ASSERT_TRUE(program.WaitForExit(kProgramExitTimeout)) << burst.name << ": the program did not end on EXIT";
  EXPECT_EQ(program.ExitCode(), 0u) << burst.name;
}

INSTANTIATE_TEST_SUITE_P(Bursts, WindowStackTest, ::testing::ValuesIn(kBursts),
                         [](const ::testing::TestParamInfo<Burst>& info) {
                           return std::string(info.param.id);
                         });

}  // namespace
}  // namespace e2e
