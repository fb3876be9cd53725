// The animation thread under Wine: when a scene may start, and the thread
// itself running real scenes (the program's own sheets) in test windows.

#include "scene/anim_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "services/shell_state.h"
#include "stage/speech_bubble.h"
#include "stage/birthdays.h"
#include "stage/figure_state.h"
#include "services/shell_requests.h"
#include "services/win_util.h"
#include "services/handles.h"
#include "services/messages.h"
#include "services/settings.h"
#include "scene/anim_test_support.h"
#include "scene/gdi_script_host.h"
#include "services/player_state.h"
#include "stage/figure_record.h"
#include "scene/portable/scene_chooser.h"
#include "services/threads.h"
#include "services/window_requests.h"
#include "tests/support/test_windows.h"
#include "services/settings_test_support.h"

namespace {

int shutdownMessages;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == MSG_SHUTDOWN) ++shutdownMessages;
  return DefWindowProcA(window, message, w, l);
}

HWND MakeWindow(const char* title) {
  return MakeTestWindow("AnimThreadTest", TestWindowProc, 0, title);
}

TestBillboard billboard;
PlayerState player;
// The test's own figures, shell words and overlay, handed to the thread as the
// shell hands its.
FigureState figures;
ShellState shell;
Overlay overlay{shell};
Birthdays birthdays;
// The test's animation, handed the test's parts as the shell hands its own.
Animation animation{{&billboard, {}, &player, &figures, &shell, &overlay, &TestSettings(), &birthdays}};

DWORD WINAPI RunAnimation(void* own) {
  return static_cast<Animation*>(own)->Run(AllocateFigureRecord);
}

DWORD WINAPI AnimThreadBody(void*) {
  return RunAnimation(&animation);
}

class AnimThread : public ::testing::Test {
 protected:
  void SetUp() override {
    AttachWindowRequest(MakeWindow(""), figures.window);
    SetShellWindow(figures.window.Window());  // the shell's stand-in
    AttachWindowRequest(MakeWindow(""), overlay.request);
    shell.fullScreenPause = 0;
    shell.optionsOpen = 0;
    figures.active = 1;
    figures.stopSceneRequest = 0;
    TestSettings().NoStartCount = 0;
    billboard.Reset();
  }
  void TearDown() override {
    for (WindowRequest* request : {&figures.window, &overlay.request}) {
      DetachWindowRequest(request->Window());
      DestroyWindow(request->Window());
      request->SetWindow(nullptr);
    }
    SetShellWindow(nullptr);
    for (SettingInt& entry : TestSettings().FigDeactive) entry = 0;
    TestSettings().NoStartCount = 0;
    TestSettings().NoStart[0].Set("");
    TestSettings().Pause = 100;
    TestSettings().Speed = 50;
    TestSettings().Billboard = 1;
    billboard.updateRequested = false;
    shell.fullScreenPause = 0;
    QuitFlag = 0;
  }
};

TEST_F(AnimThread, NoSceneWhileFullScreenOrAnExcludedWindowIsOpen) {
  EXPECT_EQ(CanAnimateNow(shell, TestSettings()), 1);
  shell.fullScreenPause = 1;
  EXPECT_EQ(CanAnimateNow(shell, TestSettings()), 0);
  shell.fullScreenPause = 0;

  TestSettings().NoStart[0].Set("Vollbild-Spiel 3");
  TestSettings().NoStartCount = 1;
  EXPECT_EQ(CanAnimateNow(shell, TestSettings()), 1) << "no such window yet";
  HWND game = MakeWindow("Vollbild-Spiel 3");
  EXPECT_EQ(CanAnimateNow(shell, TestSettings()), 0);
  SetWindowTextA(game, "Vollbild-Spiel 3 - Pause");
  EXPECT_EQ(CanAnimateNow(shell, TestSettings()), 1) << "the whole title must match";
  DestroyWindow(game);
  // An empty entry excludes nothing (every untitled window would match it).
  TestSettings().NoStart[0].Set("");
  EXPECT_EQ(CanAnimateNow(shell, TestSettings()), 1);
}

// The gate reads the exclusions of the settings it is handed, never another
// table's (the program's here): only the handed entries within the handed
// count exclude.
TEST_F(AnimThread, TheGateReadsOnlyTheSettingsItIsHanded) {
  HWND game = MakeWindow("Vollbild-Spiel 4");
  AppSettings own;
  const struct {
    const char* name;
    int ownCount;
    const char* ownTitles[2];
    int programCount;
    const char* programTitles[2];
    int may;
  } rows[] = {
      {"excluded by the handed entry", 1, {"Vollbild-Spiel 4", ""}, 0, {"", ""}, 0},
      {"excluded by the program's only", 0, {"", ""}, 1, {"Vollbild-Spiel 4", ""}, 1},
      {"past the handed count", 1, {"", "Vollbild-Spiel 4"}, 2, {"", "Vollbild-Spiel 4"}, 1},
      {"within the handed count", 2, {"", "Vollbild-Spiel 4"}, 0, {"", ""}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    own.NoStartCount = row.ownCount;
    TestSettings().NoStartCount = row.programCount;
    for (int i = 0; i < 2; ++i) {
      own.NoStart[i].Set(row.ownTitles[i]);
      TestSettings().NoStart[i].Set(row.programTitles[i]);
    }
    EXPECT_EQ(CanAnimateNow(shell, own), row.may);
  }
  for (int i = 0; i < 2; ++i) TestSettings().NoStart[i].Set("");
  DestroyWindow(game);
}

// A shutdown asked for while the thread starts ends it (and the program).
TEST_F(AnimThread, AShutdownBeforeTheFirstPassEndsTheThread) {
  shutdownMessages = 0;
  QuitFlag = 1;
  const OwnedHandle thread(CreateThread(nullptr, 0, AnimThreadBody, nullptr, 0, nullptr));
  ASSERT_TRUE(thread);
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, 5000));
  EXPECT_EQ(shutdownMessages, 1);
}

// A billboard click asks for the paster at once; with the paster switched off
// it must not cut the pause short (scenes would follow each other without
// one, as the request stays until the paster serves it). The thread still
// brings the next scene after the regular pause, and unloads it when the
// figures are switched off.
TEST_F(AnimThread, ABillboardRequestForASwitchedOffPasterKeepsThePause) {
  int off = 0;
  for (int scene : kSlotScene)
    if (scene != 1 && scene != 2) TestSettings().FigDeactive[off++] = scene;  // only Ravi Quenn walks
  TestSettings().Pause = 60;  // the first scene after about 49 idle passes of 100 ms
  TestSettings().Speed = 50;  // a walk across takes many seconds
  TestSettings().Billboard = 0;
  billboard.updateRequested = true;
  shutdownMessages = 0;
  QuitFlag = 0;

  const OwnedHandle thread(CreateThread(nullptr, 0, AnimThreadBody, nullptr, 0, nullptr));
  ASSERT_TRUE(thread);
  // The thread shows and hides this thread's windows: wait answering them.
  auto sceneShown = [] { return IsWindowVisible(figures.window.Window()) != 0; };
  EXPECT_FALSE(PumpUntil(sceneShown, 3000)) << "the scene came without its pause";
  EXPECT_TRUE(PumpUntil(sceneShown, 30000)) << "no scene after the pause";

  figures.active = 0;
  EXPECT_TRUE(PumpUntil([] { return !IsWindowVisible(figures.window.Window()); }, 3000))
      << "the figure stays when the figures are switched off";

  QuitFlag = 1;
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, 10000));
  EXPECT_EQ(shutdownMessages, 1) << "the ending thread shuts the program down";
  EXPECT_TRUE(billboard.updateRequested) << "only the paster serves the request";
  EXPECT_GT(billboard.passes, 0);
  EXPECT_EQ(billboard.ends, 1) << "the thread's end unloads the wall once";
}

// Idle with nothing due, the thread waits for work instead of looking every
// 100 ms: a request that wakes it is served at once, a wall that steps gets
// its passes, and the program's end ends the wait.
TEST_F(AnimThread, AnIdleThreadWaitsForWorkAndIsWokenForIt) {
  figures.active = 0;  // no pause counts
  QuitFlag = 0;
  shutdownMessages = 0;
  const OwnedHandle thread(CreateThread(nullptr, 0, AnimThreadBody, nullptr, 0, nullptr));
  ASSERT_TRUE(thread);
  ASSERT_TRUE(PumpUntil([] { return billboard.passes > 0; }, 5000));
  PumpUntil([] { return false; }, 1500);
  EXPECT_LE(billboard.passes, 2) << "passes while nothing was due";

  struct Row {
    const char* what;
    WindowRequest* request;
  } rows[] = {{"figure window", &figures.window}, {"overlay window", &overlay.request}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.request->Set(WindowAction::kHide);
    const DWORD start = GetTickCount();
    WakeWorkers();
    EXPECT_TRUE(PumpUntil([&] { return row.request->action == 0; }, 5000));
    EXPECT_LT(GetTickCount() - start, 1000u) << "served when woken, not at the next look";
  }

  // A wall that steps is passed to every 100 ms: 20 passes take 2 s, and a
  // busy machine may stretch that, but a thread that waits out its idle
  // limit (2 s a pass) makes no more than 8 in 15 s.
  billboard.quietMs = 0;
  WakeWorkers();
  const int before = billboard.passes;
  EXPECT_TRUE(PumpUntil([&] { return billboard.passes - before >= 20; }, 15000)) << billboard.passes - before;
  billboard.quietMs = TestBillboard::kNeverDue;

  PumpUntil([] { return false; }, 300);
  const DWORD start = GetTickCount();
  QuitFlag = 1;
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, 10000));
  EXPECT_LT(GetTickCount() - start, 1000u) << "the end waited out the idle wait";
  EXPECT_EQ(shutdownMessages, 1);
  EXPECT_EQ(billboard.ends, 1);
}

// The pause between scenes is counted by the clock: wakes for other work
// (here every 20 ms) bring the next scene no sooner.
TEST_F(AnimThread, ThePauseCountsByTheClockNotByTheWakes) {
  int off = 0;
  for (int scene : kSlotScene)
    if (scene != 1 && scene != 2) TestSettings().FigDeactive[off++] = scene;  // only Ravi Quenn walks
  TestSettings().Pause = 40;  // the first scene after about 29 idle passes of 100 ms
  TestSettings().Speed = 50;
  TestSettings().Billboard = 0;
  shutdownMessages = 0;
  QuitFlag = 0;
  const OwnedHandle thread(CreateThread(nullptr, 0, AnimThreadBody, nullptr, 0, nullptr));
  ASSERT_TRUE(thread);
  auto sceneShown = [] { return IsWindowVisible(figures.window.Window()) != 0; };
  const DWORD start = GetTickCount();
  bool early = false;
  while (GetTickCount() - start < 2000 && !early) {
    WakeWorkers();
    early = PumpUntil(sceneShown, 20);
  }
  EXPECT_FALSE(early) << "the scene came after " << GetTickCount() - start << " ms of wakes";
  EXPECT_TRUE(PumpUntil(sceneShown, 30000)) << "no scene after the pause";
  figures.active = 0;
  EXPECT_TRUE(PumpUntil([] { return !IsWindowVisible(figures.window.Window()); }, 3000));
  QuitFlag = 1;
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, 10000));
  EXPECT_EQ(shutdownMessages, 1);
}

// With every scene switched off only the empty scene comes: it brings no
// figure on, so the thread waits for the next pause instead of passing every
// 100 ms until then.
TEST_F(AnimThread, TheEmptySceneLeavesTheThreadWaitingForTheNextPause) {
  int off = 0;
  for (int scene : kSlotScene)
    if (scene != 1) TestSettings().FigDeactive[off++] = scene;
  TestSettings().Pause = 30;  // a choice after about 19 idle passes, then one every 3 s or so
  TestSettings().Billboard = 0;
  shutdownMessages = 0;
  QuitFlag = 0;
  const OwnedHandle thread(CreateThread(nullptr, 0, AnimThreadBody, nullptr, 0, nullptr));
  ASSERT_TRUE(thread);
  PumpUntil([] { return false; }, 6000);
  EXPECT_FALSE(IsWindowVisible(figures.window.Window()));
  // Two choices at most, each followed by one pass for its scene, and the
  // waits between: a thread passing every 100 ms after a choice makes 30 and more.
  EXPECT_LE(billboard.passes, 10);
  QuitFlag = 1;
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, 10000));
  EXPECT_EQ(shutdownMessages, 1);
}

// What the chooser counted and what the figures remember belong to the
// animation whose thread ran the scene: another one, handed the same parts,
// counted and remembers nothing, and its own choice counts in its own chooser.
TEST_F(AnimThread, EachAnimationKeepsItsOwnChooserAndMemories) {
  int off = 0;
  for (int scene : kSlotScene)
    if (scene != 1 && scene != 2) TestSettings().FigDeactive[off++] = scene;  // only Ravi Quenn walks
  const int raviSlot =
      static_cast<int>(std::find(kSlotScene.begin(), kSlotScene.end(), 2) - kSlotScene.begin());
  TestSettings().Pause = 14;  // the first scene after a few idle passes
  TestSettings().Billboard = 0;
  shutdownMessages = 0;
  QuitFlag = 0;
  const AnimationParts parts{&billboard, {},       &player,         &figures,
                             &shell,     &overlay, &TestSettings(), &birthdays};
  Animation walked(parts), other(parts);
  const OwnedHandle thread(CreateThread(nullptr, 0, RunAnimation, &walked, 0, nullptr));
  ASSERT_TRUE(thread);
  EXPECT_TRUE(PumpUntil([] { return IsWindowVisible(figures.window.Window()) != 0; }, 30000)) << "no scene";
  figures.active = 0;
  EXPECT_TRUE(PumpUntil([] { return !IsWindowVisible(figures.window.Window()); }, 3000));
  QuitFlag = 1;
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, 10000));

  const ChooserState chosen = walked.Chooser();
  EXPECT_GE(chosen.calls, 1);
  EXPECT_EQ(chosen.lastSlot, raviSlot);
  EXPECT_GE(chosen.playCounts[raviSlot], 1);
  const int went = walked.Memories().figure02Direction;
  EXPECT_TRUE(went == 1 || went == -1) << "he remembers the way he walked: " << went;

  EXPECT_EQ(other.Chooser().calls, 0);
  EXPECT_EQ(other.Chooser().playCounts, (std::array<int, kSceneSlots>{}));
  EXPECT_EQ(other.Memories(), FigureMemories{}) << "nothing walked for the other animation";

  QuitFlag = 0;
  other.ChooseNextScene();
  EXPECT_EQ(other.Chooser().calls, 1);
  EXPECT_EQ(walked.Chooser().calls, chosen.calls) << "the other's choice counts in its own chooser";
  EXPECT_EQ(walked.Chooser().lastSlot, chosen.lastSlot);
  EXPECT_EQ(walked.Chooser().playCounts, chosen.playCounts);
  EXPECT_EQ(walked.Memories().figure02Direction, went);
}

// Without every part an animation neither starts nor runs nor chooses: no
// thread to take, no shutdown asked for, nothing counted.
TEST_F(AnimThread, AnAnimationMissingAPartDoesNothing) {
  Overlay own{shell};  // a start would claim it
  const AnimationParts whole{&billboard, {}, &player, &figures, &shell, &own, &TestSettings(), &birthdays};
  struct Row {
    const char* missing;
    void (*drop)(AnimationParts&);
  } const rows[] = {
      {"billboard", [](AnimationParts& p) { p.billboard = nullptr; }},
      {"player", [](AnimationParts& p) { p.player = nullptr; }},
      {"figures", [](AnimationParts& p) { p.figures = nullptr; }},
      {"shell", [](AnimationParts& p) { p.shell = nullptr; }},
      {"overlay", [](AnimationParts& p) { p.overlay = nullptr; }},
      {"settings", [](AnimationParts& p) { p.settings = nullptr; }},
      {"birthdays", [](AnimationParts& p) { p.birthdays = nullptr; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.missing);
    AnimationParts parts = whole;
    row.drop(parts);
    Animation lacking(parts);
    shutdownMessages = 0;
    const int passes = billboard.passes, ends = billboard.ends;
    EXPECT_EQ(lacking.Start(), 0);
    EXPECT_FALSE(lacking.TakeThread());
    EXPECT_EQ(own.Owner(), 0u) << "the overlay was not claimed";
    EXPECT_EQ(lacking.Run(AllocateFigureRecord), 0u);
    EXPECT_EQ(lacking.ChooseNextScene(), 0);
    EXPECT_EQ(lacking.Chooser().calls, 0);
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(shutdownMessages, 0);
    EXPECT_EQ(billboard.passes, passes) << "the thread's body did not begin";
    EXPECT_EQ(billboard.ends, ends);
  }
}

// A started animation's thread is taken once: the shutdown waits for it and
// closes it. Asked to end before its first pass, it ends and asks the
// program to shut down.
TEST_F(AnimThread, AStartedAnimationHandsItsThreadOverOnce) {
  Overlay own{shell};
  AttachWindowRequest(MakeWindow(""), own.request);
  Animation started({&billboard, {}, &player, &figures, &shell, &own, &TestSettings(), &birthdays});
  shutdownMessages = 0;
  QuitFlag = 1;
  ASSERT_EQ(started.Start(), 1);
  EXPECT_NE(own.Owner(), 0u) << "the overlay is the thread's before it runs";
  OwnedHandle thread = started.TakeThread();
  ASSERT_TRUE(thread);
  EXPECT_EQ(GetThreadId(thread.get()), own.Owner());
  EXPECT_FALSE(started.TakeThread()) << "taken once";
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0; }, 5000));
  EXPECT_EQ(shutdownMessages, 1);
  DetachWindowRequest(own.request.Window());
  DestroyWindow(own.request.Window());
}

}  // namespace
