// The mouse on the shell's windows: a press becomes a drag only once it moved
// more than 2 pixels from where the mouse last moved with no button down,
// reckoned by the drag state it is handed.

#include "app/object_mouse.h"

#include <gtest/gtest.h>
#include <windowsx.h>

#include <atomic>
#include <thread>

#include "app/desktop.h"
#include "app/winamp.h"
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

// An object window answered as the shell answers its own: real input under
// Wine (the cursor, the button state and the foreground are the desktop's).
ShellWindows shellWindows;
ObjectDrag shellDrag;
HWND watched = nullptr;
int capturesLost = 0;  // the watched window's, to no other window

LRESULT CALLBACK ShellLikeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static PlayerControl player(Desktop().player);
  switch (message) {
    case WM_MOUSEMOVE:
      OnObjectMouseMove(shellWindows, shellDrag, window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), wParam);
      return 0;
    case WM_LBUTTONDOWN:
      OnObjectMouseDown(shellWindows, shellDrag, window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      OnObjectMouseUp(shellWindows, shellDrag, player, window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                      wParam);
      return 0;
    case WM_CAPTURECHANGED:
      if (window == watched && !lParam) ++capturesLost;
      OnObjectCaptureLost(shellDrag, window, reinterpret_cast<HWND>(lParam));
      return 0;
    case MSG_RETAKE_PRESS:
      OnObjectRetakePress(shellWindows, shellDrag, window);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void MoveCursor(POINT to) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(to.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(to.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
}

void Button(DWORD flag) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  SendInput(1, &input, sizeof input);
}

void Pump(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

enum class Cause {
  kMovedByAnotherThread,  // Wine maps the active window anew, as a managed one
  kModeCancelled,         // and another window made the foreground
  kCaptureReleased,
  kAnotherWindowTakesIt,
  kButtonUpFirst,  // the button comes up before the press is taken back
};

TEST(ObjectPress, APressHoldsTheMouseUntilTheButtonComesUp) {
  struct Row {
    const char* name;
    Cause cause;
    bool retaken;  // the press has the capture and the foreground again
    bool dropped;  // the lifted figure is let go
  };
  const Row rows[] = {
      {"moved by another thread while active", Cause::kMovedByAnotherThread, true, true},
      {"mode cancelled, the foreground elsewhere", Cause::kModeCancelled, true, true},
      {"capture released", Cause::kCaptureReleased, true, true},
      {"another window takes the capture", Cause::kAnotherWindowTakesIt, false, false},
      {"the button up before it is taken back", Cause::kButtonUpFirst, false, true},
  };
  const HWND other = MakeTestWindow("Waylune Test Other", PlainProc, 0, "", {0, 0, 40, 40});
  ASSERT_NE(other, nullptr);
  int row = 0;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    // A window shown as a figure's is, which Wine never managed yet.
    const RECT place = {100 + 80 * row, 200, 164 + 80 * row, 264};
    ++row;
    const HWND window = MakeTestWindow("Waylune Test Pressed", ShellLikeProc,
                                       WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOPMOST, "", place);
    ASSERT_NE(window, nullptr);
    SetLayeredWindowAttributes(window, RGB(0x10, 0x20, 0x30), 255, LWA_COLORKEY);
    ShowWindow(window, SW_SHOWNA);
    Pump(100);
    watched = window;
    capturesLost = 0;
    Desktop().figures.held = 0;

    // Pressed on him, then dragged away from every window of the test.
    MoveCursor({place.left + 30, place.top + 30});
    Pump(50);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    ASSERT_EQ(GetCapture(), window);
    Button(MOUSEEVENTF_LEFTDOWN);
    MoveCursor({place.left + 30, place.top + 330});
    ASSERT_TRUE(PumpUntil([] { return Desktop().figures.held != 0; }, 2000)) << "the drag did not lift him";

    switch (r.cause) {
      case Cause::kMovedByAnotherThread: {
        std::atomic<bool> done{false};
        std::thread mover([&] {
          SetWindowPos(window, nullptr, place.left + 32, place.top, 0, 0,
                       SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE | SWP_NOREDRAW);
          done = true;
        });
        PumpUntil([&] { return done.load(); }, 5000);
        mover.join();
        break;
      }
      case Cause::kModeCancelled:
        SendMessageA(window, WM_CANCELMODE, 0, 0);
        SetForegroundWindow(other);
        break;
      case Cause::kCaptureReleased:
        ReleaseCapture();
        break;
      case Cause::kAnotherWindowTakesIt:
        SetCapture(other);
        break;
      case Cause::kButtonUpFirst:
        ReleaseCapture();
        Button(MOUSEEVENTF_LEFTUP);
        break;
    }
    Pump(300);
    if (r.cause != Cause::kAnotherWindowTakesIt) {
      EXPECT_GE(capturesLost, 1) << "the capture was not taken away: the row tests nothing";
    }
    EXPECT_EQ(GetCapture() == window, r.retaken);
    if (r.retaken) {
      EXPECT_EQ(GetForegroundWindow(), window);
    }

    if (r.cause != Cause::kButtonUpFirst) Button(MOUSEEVENTF_LEFTUP);
    Pump(300);
    EXPECT_EQ(Desktop().figures.held == 0, r.dropped);

    // Whatever the row left: the press ended, the capture free.
    if (GetCapture()) ReleaseCapture();
    Desktop().figures.held = 1;  // a drop, not a click
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(30, 330));
    Desktop().figures.held = 0;
    watched = nullptr;
    DestroyWindow(window);
    Pump(50);
  }
  DestroyWindow(other);
}

}  // namespace
