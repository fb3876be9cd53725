// The clock under Wine: what each face draws for a pinned time, the recycle
// bin's frames, bubble and emptying, the mouse grammar of its window, lifting,
// dropping and the saved position. The test thread plays the clock thread.

#include "objects/clock.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "objects/portable/clock_logic.h"
#include "objects/object_test_support.h"
#include "services/threads.h"
#include "services/window_requests.h"
#include "stage/kept_layer.h"
#include "stage/speech_bubble.h"
#include "tests/support/test_windows.h"
#include "services/settings_test_support.h"

namespace {

using namespace object_test;

// The key colour as a captured picture holds it.
constexpr uint32_t kKeyPixel = 0xFF00FF;

// The recycle bin as the test wants it.
int64_t binItems = 0;
int emptied = 0;
int64_t CountItems() {
  return binItems;
}
void Empty() {
  ++emptied;
}
const RecycleBinShell kTestShell{CountItems, Empty};

DWORD WINAPI NoThread(void*) {
  return 0;
}

// Shells as the count sees them: Wine's keeps one bin for all drives and
// answers every root with all of its items.
int binQueries = 0;
HRESULT WINAPI OneBinForAllDrives(LPCSTR, SHQUERYRBINFO* info) {
  ++binQueries;
  info->i64NumItems = 7;
  return S_OK;
}
HRESULT WINAPI NoBin(LPCSTR, SHQUERYRBINFO*) {
  ++binQueries;
  return E_FAIL;
}

TEST(RecycleBinCount, OneQueryForTheBinsOfAllDrives) {
  const struct {
    RecycleBinQuery query;
    int64_t items;
  } rows[] = {{OneBinForAllDrives, 7}, {NoBin, 0}};
  for (const auto& row : rows) {
    binQueries = 0;
    EXPECT_EQ(CountRecycleBinItems(row.query), row.items);
    EXPECT_EQ(binQueries, 1);
  }
}

class Clock : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    main_.Make(figures_, overlay_);
    // The clock's window and class, without its thread: the test steps it.
    clock_ = new ::Clock({&figures_, &shell_, &overlay_, &settingsOwner_});
    ASSERT_EQ(clock_->Start(NoThread), 1);
    WaitForAndCloseThread(clock_->Object().TakeThread(), 2000);
    ASSERT_TRUE(clock_->LoadStrips());
    strips_[kSmallStrip] = ResourcePixels(kSmallDigits.name);
    strips_[kLargeStrip] = ResourcePixels(kLargeDigits.name);
  }
  static void TearDownTestSuite() {
    clock_->DeleteStrips();
    DestroyWindow(clock_->Object().window);
    delete clock_;
    clock_ = nullptr;
    main_.Destroy();
  }

  void SetUp() override {
    settings_.Make("clock");
    clock_->SetRecycleBinShell(&kTestShell);
    binItems = 0;
    emptied = 0;
    MainWindowStandIns::menuMessages = MainWindowStandIns::toggleMessages = 0;
    QuitFlag = 0;
    figures_.active = 1;
    shell_.optionsOpen = 0;
    shell_.fullScreenPause = 0;
    overlay_.bubble.type = 0;
    TestSettings().Clock = 1;
    TestSettings().ClockOnTop = 0;
    TestSettings().RecycleBin = 1;
    TestSettings().DontEmptyRecycleBin = 0;
    TestSettings().Clock24h = 1;
    TestSettings().DateOrder = 1;
    const int positions[8] = {100, 15, 200, 300, 400, 15, 500, 250};
    for (int i = 0; i < 8; ++i) TestSettings().ClockPos[i] = positions[i];
    for (auto* flag : {&clock_->Object().reloadRequest, &clock_->Object().held, &clock_->Object().nudge})
      *flag = 0;
    for (auto* flag : {&clock_->Object().relayout, &clock_->Object().raiseRequest}) *flag = 0;
    clock_->Object().bubbleRequest = 0;
    PinTime(2026, 12, 5, 14, 7);
    record_ = AllocateFigureRecord();
    ASSERT_NE(record_, nullptr);
    clock_->Bind(record_);
  }
  void TearDown() override {
    KillSpeechBubble(overlay_);
    clock_->Unload(record_);
    clock_->Bind(nullptr);
    FreeFigureRecord(record_);
    UnpinTime();
    clock_->SetRecycleBinShell(nullptr);
    settings_.Remove();
  }

  void Step(int times = 1) {
    for (int i = 0; i < times; ++i) clock_->Update(record_);
  }
  // Loaded, placed and drawn once.
  void Shown() {
    Step(12);
    ASSERT_EQ(record_->state, 1);
  }
  // The next redraw after the minute changed (or the face asked for it).
  Pixels Redrawn() {
    clock_->Object().lastMinute = -1;
    Step(11);
    return CaptureRecord(record_);
  }
  std::string Time(const Pixels& p, int face, int frame = 0) {
    const ClockFaceLayout& layout = kClockFaces[face - 1];
    return ReadRun(p, layout.time, frame * layout.width, strips_);
  }
  std::string Date(const Pixels& p, int face) { return ReadRun(p, kClockFaces[face - 1].date, 0, strips_); }
  // Which frame of face 1 is shown, from the pixels beside the digits.
  int BinFrame(const Pixels& p) {
    const Pixels sheet = ResourcePixels("UHR_01");
    for (int frame = 0; frame < 3; ++frame)
      if (p.SameRect(0, 24, sheet, frame * 40, 24, 40, 115 - 24)) return frame;
    return -1;
  }
  LRESULT Send(UINT message, WPARAM keys, int x, int y) {
    return SendMessageA(clock_->Object().window, message, keys, At(x, y));
  }

  static inline MainWindowStandIns main_;
  // The test's own figures' and shell's words, and its own clock (its window made once).
  static inline FigureState figures_;
  static inline ShellState shell_;
  static inline Overlay overlay_{shell_};
  // The program's settings, which the test sets by name, handed as the shell hands them.
  static inline SettingsOwner settingsOwner_{TestSettings()};
  static inline ::Clock* clock_ = nullptr;
  static inline Pixels strips_[2];
  PrivateSettings settings_;
  FigureRecord* record_ = nullptr;
};

TEST_F(Clock, EveryFaceShowsThePinnedTime) {
  for (int face = 1; face <= 4; ++face) {
    SCOPED_TRACE(face);
    clock_->Unload(record_);
    TestSettings().Clock = face;
    Shown();
    const Pixels p = Redrawn();
    const ClockFaceLayout& layout = kClockFaces[face - 1];
    ASSERT_EQ(p.width, layout.width);
    ASSERT_EQ(p.height, layout.height);
    EXPECT_EQ(Time(p, face), "1407");
    if (layout.date.count) {
      EXPECT_EQ(Date(p, face), "051226");
    }
    // See-through round the picture: the corner keeps the key colour.
    EXPECT_EQ(p.At(0, 0), kKey);
  }
}

TEST_F(Clock, TheFaceFollowsTheMinuteAndTheRegionalFormats) {
  TestSettings().Clock = 4;
  Shown();
  PinTime(2026, 12, 5, 14, 8);
  Step(11);
  EXPECT_EQ(Time(CaptureRecord(record_), 4), "1408");
  // The same minute an hour later is not redrawn until the face asks.
  PinTime(2026, 12, 5, 15, 8);
  Step(11);
  EXPECT_EQ(Time(CaptureRecord(record_), 4), "1408");

  TestSettings().Clock24h = 0;
  PinTime(2027, 1, 9, 13, 5);
  TestSettings().DateOrder = 0;
  Pixels p = Redrawn();
  EXPECT_EQ(Time(p, 4), "0105");
  EXPECT_EQ(Date(p, 4), "010927");
  PinTime(2027, 1, 9, 0, 30);
  TestSettings().DateOrder = 2;
  p = Redrawn();
  EXPECT_EQ(Time(p, 4), "0030");
  EXPECT_EQ(Date(p, 4), "270109");
}

TEST_F(Clock, RecycleBinFramesFollowTheItemCount) {
  const struct {
    int64_t items;
    int frame;
  } cases[] = {{0, 0}, {1, 1}, {2, 1}, {40, 2}, {0, 0}};
  Shown();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.items);
    binItems = c.items;
    clock_->RecycleBin().queryTicks = 1;  // ask on the next tick
    Step(12);
    EXPECT_EQ(clock_->RecycleBin().items, c.items);
    EXPECT_EQ(clock_->RecycleBin().state, RecycleBinStateFor(c.items));
    const Pixels p = CaptureRecord(record_);
    EXPECT_EQ(BinFrame(p), c.frame);
    // The digits moved into the new frame with it.
    EXPECT_EQ(ReadRun(p, kClockFaces[0].time, 0, strips_), "1407");
  }
}

TEST_F(Clock, WithoutTheBinDisplayFaceOnePicksOneOfItsPictures) {
  TestSettings().RecycleBin = 0;
  binItems = 40;
  Shown();
  EXPECT_GE(clock_->RecycleBin().state, 0);
  EXPECT_LE(clock_->RecycleBin().state, 2);
  EXPECT_EQ(clock_->RecycleBin().items, 0);  // the shell was not asked
  EXPECT_EQ(BinFrame(CaptureRecord(record_)), clock_->RecycleBin().state);
}

TEST_F(Clock, TheShellIsAskedEvery300TicksAnd5TicksAfterEmptying) {
  Shown();
  binItems = 7;
  Step(280);
  EXPECT_EQ(clock_->RecycleBin().items, 0);
  Step(20);
  EXPECT_EQ(clock_->RecycleBin().items, 7);
  // A right click in the bin zone empties the bin and asks again soon.
  binItems = 0;
  Send(WM_RBUTTONUP, 0, 20, 70);
  EXPECT_EQ(emptied, 1);
  EXPECT_EQ(MainWindowStandIns::toggleMessages, 0);
  Step(4);
  EXPECT_EQ(clock_->RecycleBin().items, 7);
  Step();
  EXPECT_EQ(clock_->RecycleBin().items, 0);
}

// Another thread never restacks the clock's window itself (under Wine that
// raced the clock thread's pushes): it asks, and the clock's pass does it.
TEST_F(Clock, RestacksAskedByOtherThreadsAreMadeByTheClocksPass) {
  Shown();
  clock_->Object().redrawRequest = 0;
  clock_->Object().windowRequest.Set(WindowAction::kNone);
  EXPECT_FALSE(RestackWindow(nullptr, WindowAction::kStackTop));
  EXPECT_FALSE(RestackWindow(GetDesktopWindow(), WindowAction::kStackTop))
      << "only the windows our threads draw";
  ASSERT_TRUE(RestackWindow(clock_->Object().window, WindowAction::kStackTopmost));
  EXPECT_EQ(clock_->Object().windowRequest.action.load(), static_cast<int>(WindowAction::kStackTopmost));
  EXPECT_EQ(clock_->Object().redrawRequest, 1) << "its picture is pushed again after the move";
  EXPECT_FALSE(GetWindowLongA(clock_->Object().window, GWL_EXSTYLE) & WS_EX_TOPMOST)
      << "not yet: the pass does it";
  clock_->ThreadPass(record_);
  EXPECT_EQ(clock_->Object().windowRequest.action.load(), static_cast<int>(WindowAction::kNone));
  EXPECT_TRUE(GetWindowLongA(clock_->Object().window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(clock_->Object().window));

  // A hide asked for first is not lost to a later restack.
  clock_->Object().windowRequest.Set(WindowAction::kHide);
  RestackWindow(clock_->Object().window, WindowAction::kStackBottom);
  EXPECT_EQ(clock_->Object().windowRequest.action.load(), static_cast<int>(WindowAction::kHide));
  clock_->Object().windowRequest.Set(WindowAction::kNone);
  SetWindowPos(clock_->Object().window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// A hide asked for (figures off, a full-screen program) stands against the
// clock's own restacks: the raise after a relayout and the topmost
// reassertion used to show it again when they came after the hide.
TEST_F(Clock, AHiddenClockStaysHiddenThroughItsOwnRestacksUntilAShowIsAsked) {
  TestSettings().ClockOnTop = 1;
  Shown();
  clock_->ThreadPass(record_);
  ASSERT_TRUE(IsWindowVisible(clock_->Object().window));
  SendMessageA(clock_->Object().window, MSG_HIDE_CLOCK, 0, 0);
  clock_->ThreadPass(record_);
  ASSERT_FALSE(IsWindowVisible(clock_->Object().window));
  struct Row {
    const char* name;
    void (*ask)();
  };
  const Row rows[] = {
      {"raise after a relayout", [] { clock_->Object().raiseRequest = 1; }},
      {"relayout", [] { clock_->Object().relayout = 1; }},
      {"topmost reassertion", [] {}},  // comes by itself every 100 redraws
      {"restack from another thread",
       [] { RestackWindow(clock_->Object().window, WindowAction::kStackTopmost); }},
  };
  for (const Row& row : rows) {
    row.ask();
    for (int i = 0; i < 150; ++i) clock_->ThreadPass(record_);
    EXPECT_FALSE(IsWindowVisible(clock_->Object().window)) << row.name;
  }
  SendMessageA(clock_->Object().window, MSG_SHOW_CLOCK, 0, 0);
  clock_->ThreadPass(record_);
  EXPECT_TRUE(IsWindowVisible(clock_->Object().window)) << "a show asked for ends the hide";
  clock_->Object().raiseRequest = 1;
  clock_->ThreadPass(record_);
  EXPECT_TRUE(IsWindowVisible(clock_->Object().window));
}

TEST_F(Clock, ClickInTheBinZoneShowsTheBubbleAndASecondRemovesIt) {
  Shown();
  binItems = 2;
  clock_->RecycleBin().queryTicks = 1;
  Step();
  ASSERT_EQ(Send(WM_LBUTTONUP, 0, 20, 70), 0);
  EXPECT_EQ(clock_->Object().bubbleRequest, 1);
  EXPECT_EQ(overlay_.bubble.type, 0);  // the clock thread draws it, with its own record
  Step();
  ASSERT_EQ(overlay_.bubble.type, 1) << "left half: the bubble stands right of the clock";
  RECT clock = WindowRect(clock_->Object().window), bubble = WindowRect(overlay_.Window());
  EXPECT_EQ(std::tuple(bubble.left, bubble.top, bubble.right - bubble.left),
            std::tuple(clock.left + 28, clock.top - 28, LONG(184)));

  Send(WM_LBUTTONUP, 0, 20, 70);
  // The window procedure asks; the thread that showed the bubble removes it.
  EXPECT_EQ(overlay_.bubble.type, 1);
  clock_->ThreadPass(record_);
  EXPECT_EQ(overlay_.bubble.type, 0);
  EXPECT_EQ(clock_->Object().bubbleRequest, 0);

  // Right of the middle the bubble stands left of the clock.
  const int right = GetSystemMetrics(SM_CXSCREEN);
  TestSettings().ClockPos[0] = right - 100;
  clock_->Unload(record_);
  Shown();
  Send(WM_LBUTTONUP, 0, 20, 70);
  Step();
  ASSERT_EQ(overlay_.bubble.type, 2);
  EXPECT_EQ(WindowRect(overlay_.Window()).left, WindowRect(clock_->Object().window).left - 174);
}

TEST_F(Clock, TheBinZoneNeedsFaceOneTheDisplayAndEmptyingAllowed) {
  Shown();
  TestSettings().DontEmptyRecycleBin = 1;
  Send(WM_LBUTTONUP, 0, 20, 70);
  EXPECT_EQ(clock_->Object().bubbleRequest, 0);
  EXPECT_EQ(clock_->Object().raiseRequest, 1) << "a plain click outside the zone raises the clock";
  Send(WM_RBUTTONUP, 0, 20, 70);
  EXPECT_EQ(emptied, 0);
  EXPECT_EQ(MainWindowStandIns::toggleMessages, 1);
}

TEST_F(Clock, MouseGrammar) {
  Shown();
  // Ctrl alone and Shift alone are special; both together are a plain click.
  Send(WM_LBUTTONUP, MK_SHIFT, 5, 5);
  EXPECT_EQ(MainWindowStandIns::menuMessages, 1);
  EXPECT_EQ(clock_->Object().raiseRequest, 0);
  Send(WM_LBUTTONUP, MK_CONTROL | MK_SHIFT, 5, 5);
  EXPECT_EQ(clock_->Object().raiseRequest, 1);
  clock_->Object().raiseRequest = 0;
  MainWindowStandIns::Drain();
  EXPECT_EQ(MainWindowStandIns::lowerMessages, 0);
  Send(WM_LBUTTONUP, MK_CONTROL, 5, 5);
  EXPECT_EQ(clock_->Object().raiseRequest, 0);
  MainWindowStandIns::Drain();
  EXPECT_EQ(MainWindowStandIns::lowerMessages, 1) << "Ctrl alone asks the shell to lower every object";
  EXPECT_EQ(MainWindowStandIns::menuMessages, 1);
  // Right button: Shift opens the menu, anything else switches the figures.
  Send(WM_RBUTTONUP, MK_SHIFT, 5, 5);
  EXPECT_EQ(MainWindowStandIns::menuMessages, 2);
  Send(WM_RBUTTONUP, MK_CONTROL, 5, 5);
  EXPECT_EQ(MainWindowStandIns::toggleMessages, 1);
  // Arrow keys set the nudge.
  const std::pair<WPARAM, int> keys[] = {{VK_LEFT, -1}, {VK_UP, -2}, {VK_RIGHT, 1}, {VK_DOWN, 2}};
  for (auto [key, nudge] : keys) {
    SendMessageA(clock_->Object().window, WM_KEYDOWN, key, 0);
    EXPECT_EQ(clock_->Object().nudge, nudge);
  }
  clock_->Object().nudge = 0;
}

TEST_F(Clock, APressMovedLessThanThreePixelsIsAClick) {
  Shown();
  Send(WM_MOUSEMOVE, 0, 10, 10);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 12, 8);
  EXPECT_EQ(clock_->Object().held, 0);
  EXPECT_EQ(figures_.press.x, 12);
  Send(WM_LBUTTONUP, 0, 12, 8);
  EXPECT_EQ(clock_->Object().raiseRequest, 1);
  clock_->Object().raiseRequest = 0;

  Send(WM_MOUSEMOVE, 0, 10, 10);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 13, 10);
  EXPECT_EQ(clock_->Object().held, 1);
  Send(WM_LBUTTONUP, 0, 13, 10);
  EXPECT_EQ(clock_->Object().held, 0);
  EXPECT_EQ(clock_->Object().raiseRequest, 0) << "a drag is no click";
}

TEST_F(Clock, LiftedFacesFollowTheCursorAndDropSavesTheirPair) {
  const SceneRect area = [] {
    RECT r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return SceneRect{r.left, r.top, r.right, r.bottom};
  }();
  for (int face : {4, 3}) {
    SCOPED_TRACE(face);
    clock_->Unload(record_);
    TestSettings().Clock = face;
    Shown();
    const ClockFaceLayout& layout = kClockFaces[face - 1];
    figures_.press.Set(6, 9);
    clock_->Object().held = 1;
    Step();
    ASSERT_TRUE(SetCursorPos(306, 209));
    Step(3);
    ObjectPlacement p = clock_->Placement();
    EXPECT_EQ(std::pair(p.x, p.y), std::pair(300, layout.yMovable ? 200 : area.bottom - layout.height));
    const RECT window = WindowRect(clock_->Object().window);
    EXPECT_EQ(std::pair(window.left, window.top), std::pair(LONG(p.x), LONG(p.y)));
    clock_->Object().held = 0;
    Step(3);
    EXPECT_EQ(record_->state, 1);
    EXPECT_EQ(std::pair(TestSettings().ClockPos[layout.posEntry].Get(),
                        TestSettings().ClockPos[layout.posEntry + 1].Get()),
              std::pair(300, p.y));
    const std::string saved = settings_.Text("ClockPos");
    EXPECT_NE(saved.find(std::to_string(p.y)), std::string::npos) << saved;
  }
  EXPECT_EQ(settings_.Text("ClockPos"),
            "100,15,200,300,300," + std::to_string(area.bottom - 192) + ",300,200");
}

TEST_F(Clock, HideAndShowMessagesAreCarriedOutByTheClocksOwnPass) {
  Shown();
  ASSERT_TRUE(IsWindowVisible(clock_->Object().window));
  // The window procedure only asks; the thread that draws the clock hides it.
  SendMessageA(clock_->Object().window, MSG_HIDE_CLOCK, 0, 0);
  EXPECT_TRUE(IsWindowVisible(clock_->Object().window));
  clock_->ThreadPass(record_);
  EXPECT_FALSE(IsWindowVisible(clock_->Object().window));
  auto show = [&] {
    SendMessageA(clock_->Object().window, MSG_SHOW_CLOCK, 0, 0);
    clock_->ThreadPass(record_);
  };
  show();
  EXPECT_TRUE(IsWindowVisible(clock_->Object().window));
  TestSettings().ClockOnTop = 1;
  show();
  EXPECT_TRUE(GetWindowLongA(clock_->Object().window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // While an options page is open it is shown but not topmost.
  SetWindowPos(clock_->Object().window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  shell_.optionsOpen = 1;
  show();
  EXPECT_FALSE(GetWindowLongA(clock_->Object().window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  TestSettings().Clock = 0;
  show();
  EXPECT_FALSE(IsWindowVisible(clock_->Object().window));
}

TEST_F(Clock, AReloadRequestUnloadsAndLoadsTheFaceChosenNow) {
  Shown();
  TestSettings().Clock = 2;
  clock_->Object().reloadRequest = 1;
  // The thread's own pass takes the request: the old face goes, the chosen one loads.
  clock_->ThreadPass(record_);
  EXPECT_EQ(clock_->Object().reloadRequest, 0);
  for (int i = 0; i < 11; ++i) clock_->ThreadPass(record_);
  ASSERT_EQ(record_->state, 1);
  EXPECT_EQ(clock_->Placement().width, 37);
  EXPECT_EQ(Time(Redrawn(), 2), "1407");
  EXPECT_STREQ(record_->name, "UHR 1");
}

TEST_F(Clock, StandsOnTheWorkAreaBottomAndStaysInside) {
  TestSettings().ClockPos[0] = 99999;
  Shown();
  RECT area;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  // The face's bottom-right corner: the window holds it at its top-left,
  // padded right and below to whole surface steps.
  auto corner = [] {
    const RECT window = WindowRect(clock_->Object().window);
    EXPECT_EQ(std::pair(window.right - window.left, window.bottom - window.top),
              std::pair(LONG(64), LONG(128)));
    return std::pair(window.left + clock_->Placement().width, window.top + clock_->Placement().height);
  };
  EXPECT_EQ(corner(), std::pair(area.right, area.bottom));
  // Nudges stop at the edge; up and down do not move a standing face.
  for (int nudge : {1, -2}) clock_->Object().nudge = nudge, Step();
  EXPECT_EQ(corner(), std::pair(area.right, area.bottom));
  clock_->Object().nudge = -1;
  Step();
  EXPECT_EQ(corner(), std::pair(area.right - 1, area.bottom));
}

// Each clock keeps its own: a second clock asks its own shell about the bin,
// its window's clicks reach its own words, and neither clock's bin or
// requests move with the other's.
int otherEmptied = 0;
int64_t OtherItems() {
  return 3;
}
void OtherEmpty() {
  ++otherEmptied;
}
const RecycleBinShell kOtherShell{OtherItems, OtherEmpty};

TEST_F(Clock, TwoClocksKeepTheirOwnBinShellAndWords) {
  ::Clock other({&figures_, &shell_, &overlay_, &settingsOwner_});
  ASSERT_EQ(other.Start(NoThread), 1);
  WaitForAndCloseThread(other.Object().TakeThread(), 2000);
  other.SetRecycleBinShell(&kOtherShell);
  otherEmptied = 0;
  EXPECT_EQ(WindowOwner(other.Object().window), &other);
  EXPECT_EQ(ObjectOfWindow(other.Object().window), &other.Object());
  Shown();
  clock_->RecycleBin().queryTicks = 100;
  const struct {
    const char* name;
    HWND window;
    UINT message;
    int ourEmptied, theirEmptied;
    int ourTicks, theirTicks;  // the wait until each bin is asked again
    int ourRaise, theirRaise;
  } rows[] = {
      {"their bin emptied", other.Object().window, WM_RBUTTONUP, 0, 1, 100, 5, 0, 0},
      {"ours emptied", clock_->Object().window, WM_RBUTTONUP, 1, 1, 5, 5, 0, 0},
      {"their click outside the bin", other.Object().window, WM_LBUTTONUP, 1, 1, 5, 5, 0, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SendMessageA(row.window, row.message, 0, row.message == WM_RBUTTONUP ? At(20, 70) : At(5, 5));
    EXPECT_EQ(emptied, row.ourEmptied);
    EXPECT_EQ(otherEmptied, row.theirEmptied);
    EXPECT_EQ(clock_->RecycleBin().queryTicks, row.ourTicks);
    EXPECT_EQ(other.RecycleBin().queryTicks, row.theirTicks);
    EXPECT_EQ(clock_->Object().raiseRequest.load(), row.ourRaise);
    EXPECT_EQ(other.Object().raiseRequest.load(), row.theirRaise);
  }
  // Stepped, each clock counts its own shell's items.
  FigureRecord* otherRecord = AllocateFigureRecord();
  ASSERT_NE(otherRecord, nullptr);
  other.Bind(otherRecord);
  binItems = 9;
  for (int i = 0; i < 20; ++i) {
    clock_->Update(record_);
    other.Update(otherRecord);
  }
  EXPECT_EQ(clock_->RecycleBin().items, 9);
  EXPECT_EQ(other.RecycleBin().items, 3);
  other.Unload(otherRecord);
  other.Bind(nullptr);
  FreeFigureRecord(otherRecord);
  DestroyWindow(other.Object().window);
}

// A clock reads the settings it is handed, and its drag lands in them: a
// second clock handed settings of its own shows the face and place those
// say, and its dragged place is written and saved from them, never into the
// program's.
TEST_F(Clock, TwoClocksReadAndSaveTheirOwnSettings) {
  Shown();
  AppSettings own;
  own.Clock = 3;
  own.ClockOnTop = 0;
  const int positions[8] = {11, 12, 13, 14, 150, 160, 17, 18};
  for (int i = 0; i < 8; ++i) own.ClockPos[i] = positions[i];
  SettingsOwner ownOwner(own);
  ::Clock other({&figures_, &shell_, &overlay_, &ownOwner});
  ASSERT_EQ(other.Start(NoThread), 1);
  WaitForAndCloseThread(other.Object().TakeThread(), 2000);
  FigureRecord* otherRecord = AllocateFigureRecord();
  ASSERT_NE(otherRecord, nullptr);
  other.Bind(otherRecord);
  const auto stepOther = [&](int times) {
    for (int i = 0; i < times; ++i) other.Update(otherRecord);
  };
  stepOther(12);
  ASSERT_EQ(otherRecord->state, 1);
  const ClockFaceLayout& layout = kClockFaces[2];
  ObjectPlacement p = other.Placement();
  EXPECT_EQ(std::pair(p.width, p.height), std::pair(layout.width, layout.height)) << "its own face";
  EXPECT_EQ(p.x, 150) << "its own place";
  EXPECT_EQ(clock_->Placement().width, kClockFaces[0].width) << "the program's clock keeps its face";

  figures_.press.Set(6, 9);
  other.Object().held = 1;
  stepOther(1);
  ASSERT_TRUE(SetCursorPos(356, 309));
  stepOther(3);
  other.Object().held = 0;
  stepOther(3);
  p = other.Placement();
  EXPECT_EQ(p.x, 350);
  EXPECT_EQ(std::pair(own.ClockPos[4].Get(), own.ClockPos[5].Get()), std::pair(350, p.y));
  EXPECT_EQ(settings_.Text("ClockPos"), "11,12,13,14,350," + std::to_string(p.y) + ",17,18")
      << "saved from its own settings";
  const int program[8] = {100, 15, 200, 300, 400, 15, 500, 250};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(TestSettings().ClockPos[i].Get(), program[i]) << "the program's, entry " << i;

  other.Unload(otherRecord);
  other.Bind(nullptr);
  FreeFigureRecord(otherRecord);
  DestroyWindow(other.Object().window);
}

// The clock reads the figures' switch, the press point and the shell's words
// it is handed, never another owner's: each row sets a second owner's words
// (as the program's would be) the other way round. An object handed none does
// not start.
TEST_F(Clock, ReadsOnlyTheFiguresAndShellItIsHanded) {
  Shown();
  TestSettings().ClockOnTop = 1;
  FigureState otherFigures;
  ShellState otherShell;
  const struct {
    const char* name;
    int optionsOpen, figuresOn, fullScreen;  // the handed words; the program's are the opposite
    bool topmost, stepped;
  } rows[] = {
      {"on top", 0, 1, 0, true, true},
      {"a page open", 1, 1, 0, false, true},
      {"figures off: shown plainly", 0, 0, 0, false, true},
      {"a full-screen program", 0, 1, 1, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    shell_.optionsOpen = row.optionsOpen;
    shell_.fullScreenPause = row.fullScreen;
    figures_.active = row.figuresOn;
    otherShell.optionsOpen = !row.optionsOpen;
    otherShell.fullScreenPause = !row.fullScreen;
    otherFigures.active = !row.figuresOn;
    SetWindowPos(clock_->Object().window, HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(clock_->Object().window, MSG_SHOW_CLOCK, 0, 0);
    clock_->Object().nudge = 1;
    const int x = clock_->Placement().x;
    clock_->ThreadPass(record_);
    EXPECT_EQ((GetWindowLongA(clock_->Object().window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, row.topmost);
    EXPECT_EQ(clock_->Placement().x, row.stepped ? x + 1 : x) << "the nudge is a step's";
    clock_->Object().nudge = 0;
  }
  // The press point the window procedure records is the handed one.
  otherFigures.press.Set(0, 0);
  SendMessageA(clock_->Object().window, WM_LBUTTONDOWN, 0, At(7, 8));
  ReleaseCapture();
  EXPECT_EQ(std::pair(figures_.press.x.load(), figures_.press.y.load()), std::pair(7, 8));
  EXPECT_EQ(std::pair(otherFigures.press.x.load(), otherFigures.press.y.load()), std::pair(0, 0));
  shell_.fullScreenPause = 0;

  ::Clock unlinked({});
  EXPECT_EQ(unlinked.Start(NoThread), 0) << "not handed its links";
  EXPECT_EQ(unlinked.Object().window, nullptr);
  ::Clock noSettings({&figures_, &shell_, &overlay_});
  EXPECT_EQ(noSettings.Start(NoThread), 0) << "not handed its settings";
  EXPECT_EQ(noSettings.Object().window, nullptr);
}

// The clock's window is whole surface steps at the face's top-left, pushed
// opaque into a region of the face's opaque pixels; the region is set again
// only when they change (not for the minute's digits).
TEST_F(Clock, EveryFaceIsKeptInWholeStepsCutToItsPicture) {
  struct Row {
    int face;
    LONG width, height;
  };
  for (const Row& row : {Row{1, 64, 128}, Row{2, 64, 32}, Row{3, 96, 192}, Row{4, 96, 64}}) {
    SCOPED_TRACE(row.face);
    clock_->Unload(record_);
    TestSettings().Clock = row.face;
    Shown();
    ASSERT_TRUE(clock_->WindowLayer().Kept());
    const RECT window = WindowRect(clock_->Object().window);
    EXPECT_EQ(std::pair(window.left, window.top),
              std::pair(LONG(clock_->Placement().x), LONG(clock_->Placement().y)));
    EXPECT_EQ(std::pair(window.right - window.left, window.bottom - window.top),
              std::pair(row.width, row.height));
    const auto regionDisagrees = [&] {
      const Pixels picture = CaptureDC(record_->objectDC.get(), row.width, row.height);
      const OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
      if (GetWindowRgn(clock_->Object().window, region.get()) == ERROR) return -1;
      int wrong = 0, opaque = 0;
      for (int y = 0; y < row.height; ++y)
        for (int x = 0; x < row.width; ++x) {
          const bool solid = picture.At(x, y) != kKeyPixel;
          opaque += solid;
          wrong += solid != (PtInRegion(region.get(), x, y) != FALSE);
        }
      EXPECT_GT(opaque, 0);
      EXPECT_LE(opaque, clock_->Placement().width * clock_->Placement().height) << "nothing in the padding";
      return wrong;
    };
    EXPECT_EQ(regionDisagrees(), 0);
    const int regions = clock_->WindowLayer().RegionsSet();
    PinTime(2026, 12, 5, 14, 8);
    Redrawn();
    PinTime(2026, 12, 5, 14, 7);
    EXPECT_EQ(regionDisagrees(), 0);
    EXPECT_EQ(clock_->WindowLayer().RegionsSet(), regions) << "new digits: the same opaque pixels";
  }
}

// What a window passing over the kept clock uncovers, and a restack made by
// another thread, Wine shows from the clock's surface by itself: no push, and
// no ask reaches the clock.
TEST_F(Clock, WinePaintsTheKeptClockAgainWithoutAPush) {
  TestSettings().Clock = 4;
  Shown();
  ASSERT_TRUE(clock_->WindowLayer().Kept());
  ASSERT_TRUE(IsWindowVisible(clock_->Object().window));
  const RECT clock = WindowRect(clock_->Object().window);
  const WindowDC screen(nullptr);
  // A pixel of the face (not the key) and one of the padding.
  const Pixels picture = CaptureRecord(record_);
  POINT face = {-1, -1};
  for (int y = 20; y < picture.height && face.x < 0; ++y)
    for (int x = 10; x < picture.width && face.x < 0; ++x)
      if (picture.At(x, y) != kKeyPixel) face = {x, y};
  ASSERT_GE(face.x, 0);
  const COLORREF shown = GetPixel(record_->objectDC.get(), face.x, face.y);
  const POINT at = {clock.left + face.x, clock.top + face.y};
  ASSERT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), at.x, at.y) == shown; }, 3000));
  // Drawn over since, not pushed: only a push would show it.
  const COLORREF marker = RGB(12, 34, 56);
  const OwnedBrush brush(CreateSolidBrush(marker));
  const RECT mark = {face.x - 2, face.y - 2, face.x + 3, face.y + 3};
  FillRect(record_->objectDC.get(), &mark, brush.get());
  GdiFlush();
  HWND passer = CreateWindowExA(WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOPMOST, "ObjectTestMain", "",
                                WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(passer, nullptr);
  const OwnedDC memory(CreateCompatibleDC(screen.get()));
  const OwnedBitmap red(CreateCompatibleBitmap(screen.get(), 30, 40));
  const SelectedObject selected(memory.get(), red.get());
  const OwnedBrush redBrush(CreateSolidBrush(RGB(200, 0, 0)));
  const RECT all = {0, 0, 30, 40};
  FillRect(memory.get(), &all, redBrush.get());
  const auto pushPasser = [&](POINT p) {
    SIZE size = {30, 40};
    POINT origin = {0, 0};
    BLENDFUNCTION blend = {};
    return UpdateLayeredWindow(passer, screen.get(), &p, &size, memory.get(), &origin, kKeyColour, &blend,
                               ULW_COLORKEY);
  };
  ASSERT_TRUE(pushPasser({at.x - 10, at.y - 10}));
  ShowWindow(passer, SW_SHOWNA);
  ASSERT_TRUE(pushPasser({at.x - 10, at.y - 10}));
  ASSERT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), at.x, at.y) == RGB(200, 0, 0); }, 3000));
  ASSERT_TRUE(pushPasser({at.x - 10, at.y + 300}));  // moved off
  EXPECT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), at.x, at.y) == shown; }, 3000))
      << "shows " << std::hex << GetPixel(screen.get(), at.x, at.y);
  AskForPushUnder({at.x - 10, at.y - 10, at.x + 20, at.y + 30});
  EXPECT_EQ(clock_->Object().redrawRequest, 0) << "not asked for a push";
  DestroyWindow(passer);
  // Restacked by another thread's hand, it keeps its picture.
  for (HWND after : {HWND_BOTTOM, HWND_TOP}) {
    SetWindowPos(clock_->Object().window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_FALSE(PumpUntil([&] { return GetPixel(screen.get(), at.x, at.y) != shown; }, 300))
        << "restacked: shows " << std::hex << GetPixel(screen.get(), at.x, at.y);
  }
}

// Hidden and shown again by its own pass, the clock shows its picture with
// the show, not a blank surface until its next redraw.
TEST_F(Clock, ShownAgainItShowsItsPictureAtOnce) {
  TestSettings().Clock = 4;
  Shown();
  const RECT clock = WindowRect(clock_->Object().window);
  const WindowDC screen(nullptr);
  const POINT face = {clock.left + 30, clock.top + 6};
  const COLORREF shown = GetPixel(record_->objectDC.get(), 30, 6);
  ASSERT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), face.x, face.y) == shown; }, 3000));
  SendMessageA(clock_->Object().window, MSG_HIDE_CLOCK, 0, 0);
  clock_->ThreadPass(record_);
  ASSERT_FALSE(IsWindowVisible(clock_->Object().window));
  ASSERT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), face.x, face.y) != shown; }, 3000));
  // The next redraw is ticks away: this pass only shows the window.
  record_->ticks = 0;
  SendMessageA(clock_->Object().window, MSG_SHOW_CLOCK, 0, 0);
  clock_->ThreadPass(record_);
  ASSERT_TRUE(IsWindowVisible(clock_->Object().window));
  EXPECT_TRUE(PumpUntil([&] { return GetPixel(screen.get(), face.x, face.y) == shown; }, 3000))
      << "shows " << std::hex << GetPixel(screen.get(), face.x, face.y);
}

// Where Wine cannot keep its window (off the screen by a step), the clock
// goes colour-keyed at its face's size, and a window that leaves part of it
// asks for a push; kept again, it asks nothing.
TEST_F(Clock, AClockWineCannotKeepIsAskedForPushes) {
  TestSettings().Clock = 4;
  Shown();
  const ObjectPlacement p = clock_->Placement();
  const RECT kept = WindowRect(clock_->Object().window);
  {
    const ScopedKeptScreen offScreen({0, 0, p.x + p.width - 40, GetSystemMetrics(SM_CYSCREEN)});
    clock_->Object().redrawRequest = 1;
    Redrawn();
    EXPECT_FALSE(clock_->WindowLayer().Kept());
    const RECT window = WindowRect(clock_->Object().window);
    EXPECT_EQ(std::pair(window.right - window.left, window.bottom - window.top),
              std::pair(LONG(72), LONG(51)));
    const OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(clock_->Object().window, region.get()), ERROR) << "no region";
    clock_->Object().redrawRequest = 0;
    AskForPushUnder({window.left + 5, window.top + 5, window.left + 10, window.top + 10});
    EXPECT_EQ(clock_->Object().redrawRequest, 1) << "asked";
  }
  Redrawn();
  EXPECT_TRUE(clock_->WindowLayer().Kept());
  EXPECT_EQ(WindowRect(clock_->Object().window).right, kept.right);
  clock_->Object().redrawRequest = 0;
  AskForPushUnder({kept.left + 5, kept.top + 5, kept.left + 10, kept.top + 10});
  EXPECT_EQ(clock_->Object().redrawRequest, 0) << "kept: not asked";
}

}  // namespace

namespace {

// A raise the options sheet asks for is made by the clock's own pass.
TEST_F(Clock, ARaiseTheSheetAsksIsMadeByTheClocksPass) {
  Shown();
  ObjectControls& asked = clock_->Object();
  for (bool topmost : {true, false, true}) {
    SCOPED_TRACE(topmost);
    asked.AskRaise(topmost);
    clock_->ThreadPass(record_);
    EXPECT_EQ(clock_->Object().windowRequest.action.load(), static_cast<int>(WindowAction::kNone));
    EXPECT_EQ((GetWindowLongA(clock_->Object().window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
    EXPECT_TRUE(IsWindowVisible(clock_->Object().window));
  }
  SetWindowPos(clock_->Object().window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// What the options sheet asks of an object (it sees only ObjectControls)
// becomes the request words the object's thread serves: a reload asked or
// withdrawn, a relayout, and a raise only once the object has a window.
TEST(DesktopObjectAsks, BecomeTheWordsTheThreadServes) {
  enum Ask { kReload, kNoReload, kRelayout, kRaiseTopmost, kRaiseNormal };
  const struct {
    const char* name;
    Ask ask;
    bool window;
    int reloadBefore;
    int reload, relayout;
    WindowAction action;
  } rows[] = {
      {"reload asked", kReload, true, 0, 1, 0, WindowAction::kNone},
      {"reload asked again", kReload, true, 1, 1, 0, WindowAction::kNone},
      {"reload withdrawn", kNoReload, true, 1, 0, 0, WindowAction::kNone},
      {"no reload, none pending", kNoReload, false, 0, 0, 0, WindowAction::kNone},
      {"relayout, a pending reload kept", kRelayout, true, 1, 1, 1, WindowAction::kNone},
      {"raised topmost", kRaiseTopmost, true, 0, 0, 0, WindowAction::kRaiseTopmost},
      {"raised into the normal band", kRaiseNormal, true, 0, 0, 0, WindowAction::kRaiseNotTopmost},
      {"no window yet: no raise", kRaiseTopmost, false, 0, 0, 0, WindowAction::kNone},
      {"no window yet: no normal raise", kRaiseNormal, false, 0, 0, 0, WindowAction::kNone},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DesktopObject object;
    object.window = row.window ? GetDesktopWindow() : nullptr;
    object.reloadRequest = row.reloadBefore;
    ObjectControls& asked = object;
    switch (row.ask) {
      case kReload:
        asked.AskReload(true);
        break;
      case kNoReload:
        asked.AskReload(false);
        break;
      case kRelayout:
        asked.AskRelayout();
        break;
      case kRaiseTopmost:
        asked.AskRaise(true);
        break;
      case kRaiseNormal:
        asked.AskRaise(false);
        break;
    }
    EXPECT_EQ(object.reloadRequest.load(), row.reload);
    EXPECT_EQ(object.relayout.load(), row.relayout);
    EXPECT_EQ(object.windowRequest.action.load(), static_cast<int>(row.action));
    EXPECT_EQ(object.raiseRequest.load(), 0) << "a raise goes through the window request";
  }
}

}  // namespace
