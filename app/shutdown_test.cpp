// The object threads from start to end under Wine: the clock and the
// countdown start with their windows, load and show; each thread handle is
// waited for and closed by exactly one party, whether the window goes first or
// the shutdown does.

#include "objects/desktop_object.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/desktop.h"
#include "app/shutdown.h"
#include "objects/billboard.h"
#include "objects/clock.h"
#include "objects/countdown.h"
#include "objects/object_test_support.h"
#include "scene/anim_thread.h"
#include "scene/scenery_strip.h"
#include "services/messages.h"
#include "services/threads.h"
#include "tests/support/test_windows.h"

namespace {

using namespace object_test;

// A second handle to the object's thread, so the test can see it end after
// the object closed its own.
OwnedHandle Watch(DesktopObject& object) {
  OwnedHandle original = object.TakeThread();
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), original.get(), GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
  object.SetThread(original.release());
  return OwnedHandle(copy);
}

bool Ended(const OwnedHandle& thread) {
  return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
}

class ObjectThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    main_.Make(Desktop().figures, Desktop().overlay);
    settings_.Make("objects");
    QuitFlag = 0;
    Desktop().figures.active = 1;
    Desktop().shell.fullScreenPause = 0;
    Desktop().shell.optionsOpen = 0;
    Desktop().settingsTable.Clock = 2;
    Desktop().settingsTable.ClockPos[2] = 40;
    Desktop().settingsTable.ClockPos[3] = 60;
    Desktop().settingsTable.Countdown = 1;
    Desktop().settingsTable.CountdownPos[0] = 200;
    Desktop().settingsTable.CountdownPos[1] = 60;
    PinTime(2026, 7, 14, 9, 41);
  }
  void TearDown() override {
    QuitFlag = 1;
    UnpinTime();
    settings_.Remove();
    main_.Destroy();
  }

  // Both objects started, loaded and on screen.
  void StartBoth() {
    ASSERT_EQ(Desktop().clock.Start(), 1);
    ASSERT_EQ(Desktop().countdown.Start(), 1);
    ASSERT_TRUE(Desktop().clock.Object().HasThread());
    ASSERT_TRUE(Desktop().countdown.Object().HasThread());
    ASSERT_TRUE(PumpUntil(
        [] {
          return IsWindowVisible(Desktop().clock.Object().window) &&
                 IsWindowVisible(Desktop().countdown.Object().window);
        },
        10000));
    RECT clock;
    ASSERT_TRUE(PumpUntil(
        [&] {
          return GetWindowRect(Desktop().clock.Object().window, &clock) && clock.left == 40 &&
                 clock.top == 60;
        },
        5000));
    // Face 2 (37 x 23) in a window padded to whole surface steps, cut to
    // the face's opaque pixels once it is drawn.
    EXPECT_EQ(clock.right - clock.left, 64);
    EXPECT_EQ(clock.bottom - clock.top, 32);
    const OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    RECT face = {};
    EXPECT_TRUE(PumpUntil(
        [&] {
          return GetWindowRgn(Desktop().clock.Object().window, region.get()) != ERROR &&
                 GetRgnBox(region.get(), &face) != ERROR && !IsRectEmpty(&face);
        },
        5000));
    EXPECT_TRUE(face.left >= 0 && face.top >= 0 && face.right <= 37 && face.bottom <= 23 &&
                !IsRectEmpty(&face))
        << face.left << "," << face.top << " to " << face.right << "," << face.bottom;
  }

  MainWindowStandIns main_;
  PrivateSettings settings_;
};

TEST_F(ObjectThreads, AWindowClosedFirstWaitsForItsThreadAndTheShutdownFindsNothingLeft) {
  StartBoth();
  const OwnedHandle clock = Watch(Desktop().clock.Object());
  const OwnedHandle countdown = Watch(Desktop().countdown.Object());
  QuitFlag = 1;
  DestroyWindow(Desktop().clock.Object().window);
  DestroyWindow(Desktop().countdown.Object().window);
  EXPECT_FALSE(Desktop().clock.Object().HasThread());
  EXPECT_FALSE(Desktop().countdown.Object().HasThread());
  EXPECT_TRUE(PumpUntil([&] { return Ended(clock) && Ended(countdown); }, 5000));
  // What the shutdown does afterwards: nothing is left to wait for or close.
  for (DesktopObject* object : {&Desktop().clock.Object(), &Desktop().countdown.Object()})
    WaitForAndCloseThread(object->TakeThread(), 2000);
}

// The program's own shutdown: it takes each object's thread, waits for it
// and closes it; the windows it closed find no handle when they are destroyed.
TEST_F(ObjectThreads, TheShutdownWaitsForEachObjectThreadOnceAndTheWindowsCloseAfter) {
  StartBoth();
  const OwnedHandle clock = Watch(Desktop().clock.Object());
  const OwnedHandle countdown = Watch(Desktop().countdown.Object());
  HWND clockWindow = Desktop().clock.Object().window, countdownWindow = Desktop().countdown.Object().window;
  // A poster run too: the shutdown takes its thread and waits for it.
  ASSERT_TRUE(Desktop().billboard.StartPosterThread());
  Shutdown shutdown;
  shutdown.Run(ShellWindows{});
  EXPECT_EQ(Desktop().billboard.TakePosterThread(), nullptr);
  EXPECT_EQ(Desktop().billboard.State().posterThreadRunning, 0);
  EXPECT_EQ(QuitFlag, 1);
  EXPECT_FALSE(Desktop().clock.Object().HasThread());
  EXPECT_FALSE(Desktop().countdown.Object().HasThread());
  EXPECT_TRUE(Ended(clock));
  EXPECT_TRUE(Ended(countdown));
  // The posted WM_CLOSE messages destroy both windows.
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(clockWindow) && !IsWindow(countdownWindow); }, 5000));
}

// The overlay is hidden by the thread that owns it: the shutdown takes it
// over once the animation thread (here one that claimed it and ended) has
// ended, and nothing is refused.
TEST_F(ObjectThreads, TheShutdownHidesTheOverlayAsItsOwnerOnceTheAnimationEnded) {
  Overlay& overlay = Desktop().overlay;
  ShowWindow(overlay.Window(), SW_SHOWNA);
  std::thread([&] { overlay.Claim(GetCurrentThreadId()); }).join();
  const int refused = overlay.ForeignDraws();
  Shutdown shutdown;
  shutdown.Run(ShellWindows{});
  EXPECT_FALSE(IsWindowVisible(overlay.Window()));
  EXPECT_EQ(overlay.Owner(), GetCurrentThreadId());
  EXPECT_EQ(overlay.ForeignDraws(), refused);
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the run's end of the loop
  overlay.Claim(0);
}

DWORD WINAPI WaitForRelease(void* release) {
  return WaitForSingleObject(release, INFINITE);
}

// A window is hidden (an object's closed) only once the thread that pushes
// it has ended: one whose thread outlived the wait is left as it was.
TEST_F(ObjectThreads, AWindowWhoseThreadOutlivedTheWaitIsLeftToIt) {
  for (const bool animationHung : {true, false}) {  // else the strip's and the clock's
    QuitFlag = 0;
    HWND made[4];
    for (HWND& window : made) {
      window = MakeTestWindow("ShutdownTakeOverTest", DefWindowProcA, 0, "", {10, 10, 50, 50});
      ShowWindow(window, SW_SHOWNA);
    }
    const auto [figure, wall, strip, clock] = made;
    Desktop().strip.AttachWindow(strip);
    Desktop().clock.Object().window = clock;
    const OwnedHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const auto hang = [&] { return CreateThread(nullptr, 0, WaitForRelease, release.get(), 0, nullptr); };
    // Handed to the shutdown, which closes them.
    if (animationHung) Desktop().animation.SetThread(hang());
    if (!animationHung) Desktop().strip.SetThread(hang());
    if (!animationHung) Desktop().clock.Object().SetThread(hang());
    Shutdown(300).Run(ShellWindows{figure, nullptr, wall});
    SetEvent(release.get());
    for (HWND window : {figure, wall}) EXPECT_EQ(IsWindowVisible(window) != 0, animationHung);
    for (HWND window : {strip, clock}) EXPECT_EQ(IsWindowVisible(window) != 0, !animationHung);
    MainWindowStandIns::Drain();  // the posted closes, the run's end of the loop
    EXPECT_EQ(IsWindow(clock) != 0, !animationHung) << "closed only once its thread ended";
    Desktop().clock.Object().window = nullptr;
    Desktop().strip.DetachWindow();
    Desktop().strip.requests.window.SetWindow(nullptr);
    for (HWND window : made)
      if (IsWindow(window)) DestroyWindow(window);
  }
}

}  // namespace

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// Takes every `message` posted to `window`: whether there was one. (Wine
// hands a pending WM_QUIT to a filtered look as well.)
bool TakePosted(HWND window, UINT message) {
  bool found = false;
  MSG msg;
  while (PeekMessageA(&msg, window, message, message, PM_REMOVE))
    if (msg.message == message && msg.hwnd == window) found = true;
  return found;
}

// A request before the loop runs goes back into the queue; each shutdown
// keeps its own flags and does its work once.
TEST(Shutdown, ARequestBeforeTheLoopWaitsForItAndEachShutdownRunsOnce) {
  const HWND asked = MakeTestWindow("Waylune Test Shell", PlainProc);
  const HWND figure = MakeTestWindow("Waylune Test Shell", PlainProc);
  ASSERT_TRUE(asked && figure);
  ShellWindows windows;
  windows.figure = figure;
  QuitFlag = 0;

  Shutdown early, opened;
  early.OnRequest(asked, windows);
  EXPECT_FALSE(early.Started());
  EXPECT_TRUE(TakePosted(asked, MSG_SHUTDOWN));
  EXPECT_EQ(QuitFlag, 0);

  opened.OpenForRequests();
  opened.OnRequest(asked, windows);
  EXPECT_TRUE(opened.Started());
  EXPECT_EQ(QuitFlag, 1);
  EXPECT_FALSE(TakePosted(asked, MSG_SHUTDOWN));
  EXPECT_TRUE(TakePosted(figure, WM_CLOSE));
  // Once: a second request or run finds it done.
  opened.OnRequest(asked, windows);
  opened.Run(windows);
  EXPECT_FALSE(TakePosted(figure, WM_CLOSE));
  EXPECT_FALSE(TakePosted(asked, MSG_SHUTDOWN));

  // The other one's flags are its own: its loop never opened.
  EXPECT_FALSE(early.Started());
  early.OnRequest(asked, windows);
  EXPECT_TRUE(TakePosted(asked, MSG_SHUTDOWN));
  EXPECT_FALSE(early.Started());

  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the run's end of the loop
  DestroyWindow(asked);
  DestroyWindow(figure);
}

}  // namespace
