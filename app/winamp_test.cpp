#include "app/winamp.h"
#include "app/player_test_support.h"
#include "services/handles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::string Title(const char* text, int size = 256) {
  char title[2048];
  ExtractWinampTitle(text, title, size);
  return title;
}

}  // namespace

TEST(WinampTitle, IsTheTextBeforeTheProgramName) {
  EXPECT_EQ(Title("12. Artist - Song - Winamp"), "12. Artist - Song");
  EXPECT_EQ(Title("1. A - B - WINAMP"), "1. A - B");
  EXPECT_EQ(Title("Song   - Winamp"), "Song");
}

TEST(WinampTitle, IsEmptyWhenTheTextDoesNotEndThatWay) {
  EXPECT_EQ(Title("Winamp"), "");
  EXPECT_EQ(Title(""), "");
  EXPECT_EQ(Title("- Winamp"), "");
  EXPECT_EQ(Title("Nothing playing"), "");
}

TEST(WinampTitle, IsCutToTheBuffer) {
  EXPECT_EQ(Title("abcdefgh - Winamp", 4), "abc");
  char one[1] = {'x'};
  ExtractWinampTitle("abc - Winamp", one, 1);
  EXPECT_EQ(one[0], 0);
}

// The player control against stand-in players of the test's own classes.
namespace {

using player_test::kOtherPlayerClass;
using player_test::kPlayerClass;
using player_test::StandInPlayer;

std::string StateTitle(const PlayerState& state) {
  char title[512];
  state.CopyTitle(title, sizeof title);
  return title;
}

const std::string kLongSong = "Lied " + std::string(300, 'x');

}  // namespace

TEST(PlayerControl, HandsOnATitleOnlyWhenItIsNew) {
  struct Step {
    const char* what;
    bool running;      // the player's window is there
    int answer;        // to the "is playing" query
    std::string text;  // its window text
    int playing, valid, changed;
    std::string title;  // what the figures read
  };
  const Step steps[] = {
      {"no player", false, 0, "", 0, 0, 0, ""},
      {"a song plays", true, 1, "1. A - B - Winamp", 1, 1, 1, "1. A - B"},
      {"the same song", true, 1, "1. A - B - Winamp", 1, 1, 0, "1. A - B"},
      {"the same title in other case", true, 1, "1. a - b - WINAMP", 1, 1, 0, "1. A - B"},
      {"the next song", true, 1, "2. C - D - Winamp", 1, 1, 1, "2. C - D"},
      {"paused (answers 3)", true, 3, "2. C - D - Winamp", 0, 0, 0, ""},
      {"the same song again after the pause", true, 1, "2. C - D - Winamp", 1, 1, 1, "2. C - D"},
      {"stopped", true, 0, "Winamp 2.91", 0, 0, 0, ""},
      {"a title longer than the figures keep", true, 1, kLongSong + "1 - Winamp", 1, 1, 1,
       kLongSong.substr(0, 255)},
      // Alike in what the figures keep: the control compares whole titles.
      {"another one alike in its first 255", true, 1, kLongSong + "2 - Winamp", 1, 1, 1,
       kLongSong.substr(0, 255)},
      {"the player ends", false, 0, "", 0, 0, 0, ""},
      {"it starts again with the last song", true, 1, kLongSong + "2 - Winamp", 1, 1, 1,
       kLongSong.substr(0, 255)},
  };
  PlayerState state;
  PlayerControl control(state, kPlayerClass);
  StandInPlayer player;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    if (step.running)
      player.Show(step.answer, step.text);
    else
      player.Close();
    state.titleChanged = 0;  // as the musician's script takes it
    control.Poll();
    EXPECT_EQ(control.Window(), player.Window());
    EXPECT_EQ(state.playing, step.playing);
    EXPECT_EQ(state.titleValid, step.valid);
    EXPECT_EQ(state.titleChanged, step.changed);
    EXPECT_EQ(StateTitle(state), step.title);
  }
}

TEST(PlayerControl, ReadsTheTitleOnlyWhilePlayingAndWithinItsReadLimit) {
  struct Row {
    const char* what;
    int answer;
    std::string text;
    std::string title;
  };
  const Row rows[] = {
      {"playing", 1, "1. A - B - Winamp", "1. A - B"},
      {"paused", 3, "1. A - B - Winamp", ""},
      {"playing, no program name", 1, "Nothing here", ""},
      {"a title of 2000 characters", 1, std::string(2000, 't') + " - Winamp", std::string(2000, 't')},
      // The window text is read to 2047 characters: the name falls off.
      {"a text past the read limit", 1, std::string(2040, 't') + " - Winamp", ""},
  };
  PlayerState state;
  PlayerControl control(state, kPlayerClass);
  StandInPlayer player;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    player.Show(row.answer, row.text);
    state.titleValid = 0;
    state.titleChanged = 0;
    control.Init();  // looks the player up and reads it, hands nothing on
    EXPECT_EQ(control.Window(), player.Window());
    EXPECT_EQ(state.playing, row.answer == 1 ? 1 : 0);
    EXPECT_EQ(control.Title(), row.title);
    EXPECT_EQ(state.titleValid, 0);
    EXPECT_EQ(state.titleChanged, 0);
  }
  player.Close();
  control.ReadTitle();  // the window it knew is gone
  EXPECT_EQ(state.playing, 0);
  EXPECT_EQ(control.Title(), "");
}

TEST(PlayerControl, TwoControlsSideBySideKeepTheirOwnPlayerAndTitle) {
  PlayerState firstState, secondState;
  PlayerControl first(firstState, kPlayerClass), second(secondState, kOtherPlayerClass);
  StandInPlayer firstPlayer(kPlayerClass), secondPlayer(kOtherPlayerClass);
  firstPlayer.Show(1, "1. A - B - Winamp");
  first.Poll();
  second.Poll();
  EXPECT_EQ(first.Window(), firstPlayer.Window());
  EXPECT_EQ(second.Window(), nullptr);
  EXPECT_EQ(StateTitle(firstState), "1. A - B");
  EXPECT_EQ(secondState.titleValid, 0);

  secondPlayer.Show(1, "2. C - D - Winamp");
  second.Poll();
  EXPECT_EQ(second.Title(), "2. C - D");
  EXPECT_EQ(StateTitle(secondState), "2. C - D");
  // The first control's title and last title stand: the same song is no news.
  EXPECT_EQ(first.Title(), "1. A - B");
  firstState.titleChanged = 0;
  first.Poll();
  EXPECT_EQ(firstState.titleChanged, 0);
  EXPECT_EQ(StateTitle(firstState), "1. A - B");
}

TEST(PlayerControl, CommandsReachThePlayerRunningNow) {
  PlayerState state;
  PlayerControl control(state, kPlayerClass);
  StandInPlayer player;
  control.SendCommand(WINAMP_PLAY);  // no player: nothing to send to
  EXPECT_EQ(control.Window(), nullptr);

  // Started since the last look: the command still finds it.
  player.Show(0, "Winamp");
  control.SendCommand(WINAMP_PLAY);
  EXPECT_EQ(player.TakeCommand(), WINAMP_PLAY);

  // A player ended and started anew: the old window is not used.
  player.Close();
  player.Show(0, "Winamp");
  ASSERT_NE(player.Window(), nullptr);
  control.SendCommand(WINAMP_NEXT);
  EXPECT_EQ(player.TakeCommand(), WINAMP_NEXT);
  EXPECT_EQ(control.Window(), player.Window());
}

TEST(PlayerControl, KnowsWhetherThePlayersProgramIsThere) {
  PlayerState state;
  PlayerControl control(state, kPlayerClass);
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  struct Row {
    const char* path;
    bool exists;
  };
  const Row rows[] = {{self, true}, {"C:\\nowhere\\winamp.exe", false}, {"", false}, {self, true}};
  for (const Row& row : rows) {
    control.CheckProgram(row.path);
    EXPECT_EQ(control.ProgramExists(), row.exists) << row.path;
  }
}

TEST(WinampTitle, AnEmptyOrNegativeBufferIsLeftAlone) {
  for (int size : {0, -1, -2048}) {
    char buffer[4] = {'x', 'y', 'z', 0};
    ExtractWinampTitle("abc - Winamp", buffer, size);
    EXPECT_STREQ(buffer, "xyz") << size;
  }
}

TEST(PlayerControl, InitWakesThePlayerThenAsksWhetherItPlays) {
  PlayerState state;
  PlayerControl control(state, kPlayerClass);
  StandInPlayer player;
  player.Show(1, "1. A - B - Winamp");
  player_test::Queries().clear();
  control.Init();
  // The version query (0, 0) first, then "is playing" (0, 104).
  const std::vector<std::pair<WPARAM, LPARAM>> expected = {{0, 0}, {0, 104}};
  EXPECT_EQ(player_test::Queries(), expected);
  EXPECT_EQ(state.playing, 1);
  player_test::Queries().clear();
  control.Poll();  // a poll only asks whether it plays
  EXPECT_EQ(player_test::Queries(), (std::vector<std::pair<WPARAM, LPARAM>>{{0, 104}}));
}

TEST(PlayerControl, CommandsGoToThePlayerItKnowsWhileThatLives) {
  PlayerState state;
  PlayerControl control(state, kPlayerClass);
  StandInPlayer known, later;
  known.Show(1, "1. A - B - Winamp");
  control.Poll();
  ASSERT_EQ(control.Window(), known.Window());
  later.Show(1, "2. C - D - Winamp");  // another window of its class, made since
  control.SendCommand(WINAMP_STOP);
  EXPECT_EQ(known.TakeCommand(), WINAMP_STOP);
  EXPECT_EQ(later.TakeCommand(), 0);
  known.Close();
  control.SendCommand(WINAMP_PLAY);  // the known one ended: the other is found
  EXPECT_EQ(later.TakeCommand(), WINAMP_PLAY);
  EXPECT_EQ(control.Window(), later.Window());
}

// A stand-in player on a thread of its own, so it can be slow to answer or
// stop reading its messages, as a player on a busy machine can.
namespace {

constexpr char kSlowPlayerClass[] = "Waylune Test Player Slow";
constexpr UINT kHangMessage = WM_APP + 1;
// The control's wait in these tests: a quick answer always comes within it.
constexpr DWORD kSlowAnswerWaitMs = 3000;

std::atomic<int> slowAnswer{0};
std::atomic<bool> slowLate{false};  // answers only once the control gave up
HANDLE slowGaveUp = nullptr;        // set once the control's read returned
HANDLE slowHanging = nullptr;       // set once it stopped reading its messages
HANDLE slowLetGo = nullptr;         // ends the hang

LRESULT CALLBACK SlowPlayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER && lParam == 104) {
    if (slowLate) WaitForSingleObject(slowGaveUp, 30000);
    return slowAnswer.load();
  }
  if (message == kHangMessage) {
    SetEvent(slowHanging);
    WaitForSingleObject(slowLetGo, 30000);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class SlowPlayer {
 public:
  SlowPlayer() {
    thread_ = std::thread([this] {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = SlowPlayerProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = kSlowPlayerClass;
      RegisterClassA(&wc);
      HWND window = CreateWindowExA(0, kSlowPlayerClass, "1. A - B - Winamp", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
      window_.store(window);
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      DestroyWindow(window);
    });
    for (const DWORD t = GetTickCount(); !window_.load() && GetTickCount() - t < 30000;) Sleep(1);
    threadId_ = GetWindowThreadProcessId(window_.load(), nullptr);
  }
  ~SlowPlayer() {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND Window() const { return window_.load(); }
  // Stops reading its messages until let go; true once it has.
  bool Hang() {
    ResetEvent(slowHanging);
    PostMessageA(window_.load(), kHangMessage, 0, 0);
    return WaitForSingleObject(slowHanging, 30000) == WAIT_OBJECT_0;
  }

 private:
  std::atomic<HWND> window_{nullptr};
  DWORD threadId_ = 0;
  std::thread thread_;
};

}  // namespace

TEST(PlayerControl, APlayerSlowToAnswerPlaysAsItDidAndAHungOneHasStopped) {
  const OwnedHandle gaveUp(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  const OwnedHandle hanging(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  const OwnedHandle letGo(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  slowGaveUp = gaveUp.get();
  slowHanging = hanging.get();
  slowLetGo = letGo.get();
  slowLate = false;
  PlayerState state;
  PlayerControl control(state, kSlowPlayerClass, kSlowAnswerWaitMs);
  SlowPlayer player;
  control.Init();
  ASSERT_EQ(control.Window(), player.Window());

  struct Row {
    const char* what;
    int answer;   // what the player answers, late or not
    bool late;    // answers only after the control gave up waiting
    int playing;  // what the control then says
    const char* title;
  };
  const Row rows[] = {
      {"answers at once: plays", 1, false, 1, "1. A - B"},
      {"answers late that it stopped: still plays", 0, true, 1, "1. A - B"},
      {"answers at once: paused", 3, false, 0, ""},
      {"answers late that it plays: still paused", 1, true, 0, ""},
      {"answers at once: plays again", 1, false, 1, "1. A - B"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    slowAnswer = row.answer;
    slowLate = row.late;
    ResetEvent(gaveUp.get());
    control.ReadTitle();
    SetEvent(gaveUp.get());
    EXPECT_EQ(state.playing, row.playing);
    EXPECT_EQ(control.Title(), row.title);
  }

  // One that has not read its messages for over five seconds is hung: it
  // no longer plays, whatever it answered last.
  slowLate = false;
  ASSERT_TRUE(player.Hang());
  Sleep(5600);  // from the moment it stopped reading
  control.ReadTitle();
  SetEvent(letGo.get());
  EXPECT_EQ(state.playing, 0);
  EXPECT_EQ(control.Title(), "");
}
