// The shell's own state, reached through the main class's windows: each
// window finds the shell it was made with, and the player is followed only
// while the figures are on, no full-screen program pauses them and the
// player control is not switched off.

#include "app/shell.h"

#include <gtest/gtest.h>

#include "app/desktop.h"
#include "app/main_window.h"
#include "app/player_test_support.h"
#include "services/app_globals.h"
#include "services/messages.h"
#include "services/shell_requests.h"

#include <vector>

namespace {

using player_test::kPlayerClass;
using player_test::StandInPlayer;

BOOL CALLBACK CollectMainClassWindow(HWND window, LPARAM list) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, MAIN_CLASS_NAME) == 0) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

TEST(Shell, ItsWindowsFindItAndItFollowsThePlayerOnlyWhereItMay) {
  Shell shell(Desktop().player, kPlayerClass);
  ASSERT_EQ(RegisterMainWindowClass(GetModuleHandleA(nullptr), shell), 1);
  const HWND figure = ShellWindow();
  ASSERT_NE(figure, nullptr);
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), CollectMainClassWindow, reinterpret_cast<LPARAM>(&windows));
  EXPECT_EQ(windows.size(), 3u);
  for (HWND window : windows) EXPECT_EQ(ShellOf(window), &shell);

  StandInPlayer player;
  player.Show(1, "1. A - B - Winamp");
  ASSERT_NE(player.Window(), nullptr);
  struct Row {
    int active, fullScreenPause, noWinamp;
    bool follows;
  };
  const Row rows[] = {
      {1, 0, 0, true},  {0, 0, 0, false}, {1, 1, 0, false}, {1, 0, 1, false},
      {0, 1, 0, false}, {0, 0, 1, false}, {1, 1, 1, false}, {0, 1, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "on " << row.active << ", pause " << row.fullScreenPause << ", off "
                                    << row.noWinamp);
    Desktop().figures.active = row.active;
    Desktop().shell.fullScreenPause = row.fullScreenPause;
    Desktop().settingsTable.NoWinamp = row.noWinamp;
    Desktop().player.SetTitle("");
    Desktop().player.titleValid = 0;
    SendMessageA(figure, MSG_POLL_PLAYER, 0, 0);
    EXPECT_EQ(Desktop().player.titleValid != 0, row.follows);
    EXPECT_EQ(shell.player.Window(), row.follows ? player.Window() : nullptr);
    // What the control learnt stays its own until it looks again.
    if (!row.follows) continue;
    player.Close();
    SendMessageA(figure, MSG_POLL_PLAYER, 0, 0);
    EXPECT_EQ(shell.player.Window(), nullptr);
    player.Show(1, "1. A - B - Winamp");
  }
  Desktop().figures.active = 1;
  Desktop().shell.fullScreenPause = 0;
  Desktop().settingsTable.NoWinamp = 0;
  for (HWND window : windows) DestroyWindow(window);
}

}  // namespace
