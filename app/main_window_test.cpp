// The main class's three windows: only the figure window, the first one
// made, initialises the program and drives the tray icon.

#include "app/main_window.h"
#include "app/shell.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/desktop.h"
#include "app/tray_menu.h"
#include "options/options_test_support.h"
#include "services/app_globals.h"
#include "services/messages.h"

namespace {

// The shell's windows and their classes go, so the next test can make them anew.
void TakeDown(const ShellWindows& windows) {
  char ownerClass[64] = "";
  GetClassNameA(windows.menuOwner, ownerClass, sizeof ownerClass);
  for (HWND window : {windows.billboard, windows.overlay, windows.figure, windows.menuOwner})
    DestroyWindow(window);
  UnregisterClassA(MAIN_CLASS_NAME, GetModuleHandleA(nullptr));
  UnregisterClassA(ownerClass, GetModuleHandleA(nullptr));
}

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
  TakeDown(shell.windows);
}

// A second start's menu word, sent from another thread: whether it was
// answered, then the menu that shows within `lookMs` (its first item is
// picked) and the foreground window meanwhile.
struct MenuWord {
  bool answered = false;
  HWND menu = nullptr, foreground = nullptr;
};

MenuWord SendMenuWord(HWND figure, DWORD lookMs) {
  MenuWord seen;
  std::atomic<bool> done{false};
  std::thread sender([&] {
    DWORD_PTR answer;
    seen.answered = SendMessageTimeoutA(figure, MSG_SHOW_MENU, 0, 0, SMTO_NORMAL, 5000, &answer) != 0;
    for (const DWORD start = GetTickCount(); !seen.menu && GetTickCount() - start < lookMs; Sleep(20))
      if (HWND popup = FindWindowA("#32768", nullptr); popup && IsWindowVisible(popup)) seen.menu = popup;
    seen.foreground = GetForegroundWindow();
    if (seen.menu) {
      PostMessageA(seen.menu, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageA(seen.menu, WM_CHAR, '\r', 0);
    }
    done = true;
  });
  while (!done) {  // this thread answers sent messages meanwhile
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  sender.join();
  return seen;
}

// A second start's menu word is answered before the menu is tracked, and
// while the start-up runs it is left for the loop. The menu is tracked from
// the shell's own hidden owner, which takes the foreground for it (never the
// figure window), and the chosen command goes on to the figure window.
TEST(MainWindow, TheTrayMenuAnswersASecondStartAtOnceAndIsTrackedFromItsOwnOwner) {
  Shell shell(Desktop().player);
  ASSERT_EQ(RegisterMainWindowClass(GetModuleHandleA(nullptr), shell), 1);
  const HWND figure = shell.windows.figure;
  MSG msg;
  const MenuWord starting = SendMenuWord(figure, 300);
  EXPECT_TRUE(starting.answered);
  EXPECT_EQ(starting.menu, nullptr);
  EXPECT_TRUE(PeekMessageA(&msg, figure, MSG_SHOW_MENU, MSG_SHOW_MENU, PM_REMOVE)) << "left for the loop";

  shell.shutdown.OpenForRequests();
  const MenuWord running = SendMenuWord(figure, 20000);  // far beyond a menu that comes
  EXPECT_TRUE(running.answered);
  ASSERT_NE(running.menu, nullptr);
  EXPECT_EQ(running.foreground, shell.windows.menuOwner);
  ASSERT_TRUE(PeekMessageA(&msg, figure, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(LOWORD(msg.wParam), CMD_TOGGLE_ACTIVE);
  TakeDown(shell.windows);
}

}  // namespace
