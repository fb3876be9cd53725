// The main class's three windows: only the figure window, the first one
// made, initialises the program and drives the tray icon.

#include "app/main_window.h"
#include "app/shell.h"

#include <gtest/gtest.h>

#include "app/desktop.h"
#include "app/tray_menu.h"
#include "options/options_test_support.h"
#include "services/messages.h"

namespace {

TEST(MainWindow, OnlyTheFigureWindowInitialisesAndKeepsTheTrayTimer) {
  Shell shell(Desktop().player);
  ASSERT_EQ(RegisterMainWindowClass(GetModuleHandleA(nullptr), shell), 1);
  const HWND figure = shell.windows.figure, overlay = shell.windows.overlay,
             billboard = shell.windows.billboard;
  ASSERT_TRUE(figure && overlay && billboard);
  // The menu the figure window built is the one kept.
  const HMENU menu = shell.tray.menu.Menu();
  EXPECT_NE(menu, nullptr);
  EXPECT_TRUE(IsMenu(menu));
  for (HWND other : {overlay, billboard}) {
    EXPECT_FALSE(KillTimer(other, TIMER_TRAY));
    EXPECT_FALSE(KillTimer(other, TIMER_MAIN_TICK));
  }
  EXPECT_TRUE(KillTimer(figure, TIMER_MAIN_TICK));
  EXPECT_TRUE(KillTimer(figure, TIMER_TRAY));

  // The menu's "Optionen" opens the sheet, owned by the figure window.
  HWND owner = nullptr;
  char caption[32] = {};
  options_test::SheetScript() = [&](HWND sheet) {
    owner = GetWindow(sheet, GW_OWNER);
    GetWindowTextA(sheet, caption, sizeof caption);
    options_test::Cancel(sheet);
  };
  SetTimer(nullptr, 0, 20, options_test::RunScript);
  SendMessageA(figure, WM_COMMAND, CMD_OPTIONS, 0);
  EXPECT_EQ(owner, figure);
  EXPECT_STREQ(caption, " Optionen");
  for (HWND window : {billboard, overlay, figure}) DestroyWindow(window);
}

}  // namespace
