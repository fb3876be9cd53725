// The tray menu, hotkeys and main tick driving the media player, with the
// stand-in player.

#include "services/messages.h"
#include "tests/e2e/program_driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace e2e {
namespace {

constexpr char kClass[] = "Waylune Desktop";
constexpr char kPlayerClass[] = "Winamp v1.x";

bool WaitForCommands(HWND player, const std::vector<int>& expected) {
  return WaitUntil([&] { return PlayerCommands(player) == expected; }, 5000);
}

class WinampTest : public ::testing::Test {
 protected:
  void SetUp() override { KillStrayInstances(); }
  void TearDown() override { KillStrayInstances(); }
};

TEST_F(WinampTest, MenuCommandsAndHotkeysReachThePlayer) {
  Program player(BinPath("winamp_standin.exe"), "playing");
  HWND playerWindow = WaitForWindow(kPlayerClass, player.id(), 10000);
  ASSERT_NE(playerWindow, nullptr);
  Program program;
  HWND window = WaitForWindow(kClass, program.id(), 20000);
  ASSERT_NE(window, nullptr);

  PostMessageA(window, WM_COMMAND, CMD_WINAMP_PLAY, 0);
  PostMessageA(window, WM_COMMAND, CMD_WINAMP_NEXT, 0);
  PostMessageA(window, WM_COMMAND, CMD_WINAMP_OPEN, 0);
  EXPECT_TRUE(WaitForCommands(playerWindow, {40045, 40048, 40029}));

  PostMessageA(window, WM_HOTKEY, HK_WINAMP_STOP, 0);
  PostMessageA(window, WM_HOTKEY, HK_WINAMP_LOUDER, 0);
  PostMessageA(window, WM_HOTKEY, HK_WINAMP_QUIETER, 0);
  EXPECT_TRUE(WaitForCommands(playerWindow, {40045, 40048, 40029, 40047, 40058, 40059}));
}

TEST_F(WinampTest, APlayerStartedLaterIsFoundByTheMainTick) {
  Program program;
  HWND window = WaitForWindow(kClass, program.id(), 20000);
  ASSERT_NE(window, nullptr);
  // No player yet: the command goes nowhere and nothing breaks. Sent, not
  // posted: a posted one could still wait in the queue when the player below
  // is up, and reach it.
  DWORD_PTR ignored = 0;
  EXPECT_TRUE(
      SendMessageTimeoutA(window, WM_COMMAND, CMD_WINAMP_PAUSE, 0, SMTO_ABORTIFHUNG, 10000, &ignored));
  Program player(BinPath("winamp_standin.exe"), "playing");
  HWND playerWindow = WaitForWindow(kPlayerClass, player.id(), 10000);
  ASSERT_NE(playerWindow, nullptr);
  // The periodic poll picks the player up; then commands arrive.
  EXPECT_TRUE(WaitUntil(
      [&] {
        PostMessageA(window, WM_HOTKEY, HK_WINAMP_PREV, 0);
        Sleep(300);
        return !PlayerCommands(playerWindow).empty();
      },
      8000));
  for (int command : PlayerCommands(playerWindow)) EXPECT_EQ(command, 40044);
  EXPECT_TRUE(program.Running());
}

}  // namespace
}  // namespace e2e
