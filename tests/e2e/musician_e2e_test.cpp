// The musician of the real program under Wine with the stand-in player: he
// comes while the player plays, shows its title in his bubble, and the
// bubble's buttons reach the player.

#include <gtest/gtest.h>

#include <string>

#include "services/settings.h"
#include "tests/e2e/program_driver.h"

namespace e2e {
namespace {

constexpr char kClass[] = "Waylune Desktop";
constexpr char kPlayerClass[] = "Winamp v1.x";
constexpr int kPlayCommand = 40045;

// A visible window of the program showing a picture of this size (0: any
// width).
HWND FindWindowOfSize(DWORD processId, int width, int height) {
  RECT r;
  for (HWND window : WindowsOfClass(kClass, processId)) {
    if (!IsWindowVisible(window) || !GetWindowRect(window, &r)) continue;
    if (width ? ShowsPicture(r, width, height)
              : r.bottom - r.top == height || r.bottom - r.top == PaddedToSteps(height))
      return window;
  }
  return nullptr;
}

void Click(HWND window, int x, int y) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

class MusicianTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KillStrayInstances();
    std::string off = "1";  // every scene but his
    for (int scene = 2; scene <= 91; ++scene) off += scene == 42 ? "" : "," + std::to_string(scene);
    WriteString(SETTINGS_KEY, "FigDeactive", off);
    for (auto [value, data] : {std::pair{"Pause", 12}, {"Speed", 30}, {"Billboard", 0}, {"HG", 0}})
      WriteDword(SETTINGS_KEY, value, data);
  }
  void TearDown() override {
    KillStrayInstances();
    for (const char* value : {"FigDeactive", "Pause", "Speed", "Billboard", "HG"})
      DeleteValue(SETTINGS_KEY, value);
  }
};

TEST_F(MusicianTest, HisBubbleShowsTheTitleAndItsButtonsReachThePlayer) {
  Program player(BinPath("winamp_standin.exe"), "playing");
  HWND playerWindow = WaitForWindow(kPlayerClass, player.id(), 10000);
  ASSERT_NE(playerWindow, nullptr);
  Program program;
  ASSERT_NE(WaitForWindow(kClass, program.id(), 20000), nullptr);

  // He walks in on his strip (92 high); a click stops him to play, and the
  // player's title, new to him, comes up in his bubble with the buttons.
  HWND strip = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (strip = FindWindowOfSize(program.id(), 0, 92)) != nullptr; }, 90000))
      << "the musician did not come";
  // Clicked once, on a pixel of him (his picture stands anywhere in his
  // window) as soon as he is in: a click taken while his bubble is up takes
  // it away, so a second one could hide what the first brought.
  RECT r;
  POINT him;
  ASSERT_TRUE(WaitUntil([&] { return GetWindowRect(strip, &r) && DrawnPixelNearMiddle(r, &him); }, 60000))
      << "nothing of him drawn";
  Click(strip, him.x - r.left, him.y - r.top);
  HWND bubble = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return (bubble = FindWindowOfSize(program.id(), 184, 107)) != nullptr; }, 60000))
      << "no bubble with the player's buttons";
  // Its window shows a moment before the animation thread records its type,
  // and a click the shell takes in between counts as one on him: clicked
  // once the bubble has stood a while.
  RECT shown;
  ASSERT_TRUE(WaitUntilStill(
      bubble, &shown, [&](const RECT&) { return IsWindowVisible(bubble) != 0; }, 10000))
      << "the bubble does not stay";

  // "Play" on the bubble reaches the player; "walk on" takes the bubble away.
  const size_t before = PlayerCommands(playerWindow).size();
  Click(bubble, 34, 65);
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::vector<int> commands = PlayerCommands(playerWindow);
        return commands.size() > before && commands.back() == kPlayCommand;
      },
      5000));
  Click(bubble, 166, 65);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(bubble); }, 5000)) << "the bubble stays";
  EXPECT_TRUE(program.Running());
}

}  // namespace
}  // namespace e2e
