// The application bar as an owner: each registration is removed by the owner
// that made it, once.

#include "app/app_bar.h"

#include <gtest/gtest.h>

#include "tests/support/test_windows.h"

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// Whether a bar is registered for `window`: the shell takes no second one.
bool Registered(HWND window) {
  APPBARDATA data = {};
  data.cbSize = sizeof data;
  data.hWnd = window;
  if (SHAppBarMessage(ABM_NEW, &data)) {
    SHAppBarMessage(ABM_REMOVE, &data);
    return false;
  }
  return true;
}

TEST(AppBar, IsRemovedOnlyByTheOwnerThatRegisteredItAndOnlyOnce) {
  const HWND window = MakeTestWindow("Waylune Test Bar", PlainProc);
  ASSERT_NE(window, nullptr);
  AppBar first, second;
  first.Register(window);
  ASSERT_TRUE(first.Registered());
  EXPECT_TRUE(Registered(window));
  second.Register(window);  // the window has one already
  EXPECT_FALSE(second.Registered());
  second.Unregister();
  EXPECT_TRUE(Registered(window));
  first.Activate();
  first.Unregister();
  EXPECT_FALSE(first.Registered());
  EXPECT_FALSE(Registered(window));
  second.Register(window);
  EXPECT_TRUE(second.Registered());
  first.Unregister();  // removed once already: the second's stays
  EXPECT_TRUE(Registered(window));
  second.Unregister();
  DestroyWindow(window);
}

}  // namespace
