// The request words by which other threads ask a drawing thread to show,
// hide or restack its window, and what the drawing thread then does.
// The windows under one that moved off an area are asked to push again: only
// the listed ones shown over the area, each through its own word and wake.

#include "services/window_requests.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "services/handles.h"
#include "services/threads.h"
#include "tests/support/test_windows.h"

namespace {

using A = WindowAction;

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(WindowRequest, ARestackNeverReplacesAPendingRequest) {
  struct Row {
    A pending;
    A restack;
    A kept;
  };
  const Row rows[] = {
      {A::kNone, A::kStackBottom, A::kStackBottom},
      {A::kNone, A::kStackTopmost, A::kStackTopmost},
      {A::kShow, A::kStackTop, A::kShow},
      {A::kHide, A::kStackTopmost, A::kHide},
      {A::kShowBottom, A::kStackTopmost, A::kShowBottom},
      {A::kRaiseTop, A::kStackBottom, A::kRaiseTop},
      {A::kStackTop, A::kStackBottom, A::kStackTop},  // the first restack asked for stands
  };
  for (const Row& row : rows) {
    WindowRequest request;
    request.Set(row.pending);
    request.Restack(row.restack);
    EXPECT_EQ(request.action.load(), static_cast<int>(row.kept))
        << static_cast<int>(row.pending) << " then " << static_cast<int>(row.restack);
  }
  // A show or hide asked for after a restack replaces it: the latest wins.
  WindowRequest request;
  request.Restack(A::kStackBottom);
  request.Set(A::kHide);
  EXPECT_EQ(request.action.load(), static_cast<int>(A::kHide));
}

// Every drawing thread's window is found through the request word it
// carries: a restack reaches that word (and its redraw word, where it has
// one), each window its own, and nothing once the window is detached.
TEST(WindowRequest, EachWindowLeadsToTheRequestWordItCarries) {
  struct Drawn {
    Drawn(const char* name, bool redrawn) : what(name), redraws(redrawn) {}
    const char* what;
    bool redraws;  // the wall and the objects push only a changed picture
    WindowRequest request;
    std::atomic<int> redraw{0};
    HWND window = nullptr;
  };
  Drawn drawn[] = {{"figure", false}, {"overlay", false}, {"wall", true}, {"strip", false}, {"object", true}};
  int owner = 0;
  for (Drawn& d : drawn) {
    d.window = MakeTestWindow("RequestLookup", PlainProc);
    if (d.redraws) d.request.redraw = &d.redraw;
    if (d.what == std::string("object")) d.request.owner = &owner;
    AttachWindowRequest(d.window, d.request);
    EXPECT_EQ(d.request.Window(), d.window) << d.what << ": attaching hands the window over";
  }
  for (Drawn& d : drawn) {
    SCOPED_TRACE(d.what);
    EXPECT_EQ(RequestOfWindow(d.window), &d.request);
    EXPECT_TRUE(RestackWindow(d.window, A::kStackBottom));
    for (Drawn& e : drawn) {
      EXPECT_EQ(e.request.action.load(), &e == &d ? static_cast<int>(A::kStackBottom) : 0) << e.what;
      EXPECT_EQ(e.redraw.load(), &e == &d && d.redraws ? 1 : 0) << e.what;
    }
    // A pending request wins; the push is asked for all the same.
    d.request.Set(A::kHide);
    d.redraw = 0;
    EXPECT_TRUE(RestackWindow(d.window, A::kStackTopmost));
    EXPECT_EQ(d.request.action.load(), static_cast<int>(A::kHide));
    EXPECT_EQ(d.redraw.load(), d.redraws ? 1 : 0);
    d.request.Set(A::kNone);
    d.redraw = 0;
  }
  EXPECT_EQ(RequestOfWindow(drawn[4].window)->owner, &owner) << "what the object window belongs to";
  const HWND stranger = MakeTestWindow("RequestLookup", PlainProc);
  for (HWND window : {stranger, static_cast<HWND>(nullptr), GetDesktopWindow()}) {
    EXPECT_EQ(RequestOfWindow(window), nullptr);
    EXPECT_FALSE(RestackWindow(window, A::kStackTop)) << "only the windows our threads draw";
  }
  for (Drawn& d : drawn) {
    DetachWindowRequest(d.window);
    EXPECT_EQ(RequestOfWindow(d.window), nullptr) << d.what;
    EXPECT_FALSE(RestackWindow(d.window, A::kStackTop)) << d.what;
    EXPECT_EQ(d.request.action.load(), 0) << d.what;
    DestroyWindow(d.window);
  }
  DestroyWindow(stranger);
}

TEST(WindowRequest, WhatEachActionLeavesOfTheWindowsVisibility) {
  const std::pair<A, int> rows[] = {
      {A::kNone, 0},        {A::kHide, -1},           {A::kShow, 1},         {A::kShowTop, 1},
      {A::kShowTopmost, 1}, {A::kRaiseNotTopmost, 1}, {A::kRaiseTop, 1},     {A::kRaiseTopmost, 1},
      {A::kShowBottom, 1},  {A::kStackTop, 0},        {A::kStackTopmost, 0}, {A::kStackBottom, 0},
  };
  for (auto [action, visibility] : rows)
    EXPECT_EQ(VisibilityAfter(action), visibility) << static_cast<int>(action);
  // What was carried out comes back, also when nothing was pending.
  WindowRequest request;
  A applied = A::kShow;
  EXPECT_FALSE(ApplyWindowRequest(nullptr, request, &applied));
  EXPECT_EQ(applied, A::kNone);
  request.Set(A::kHide);
  EXPECT_TRUE(ApplyWindowRequest(nullptr, request, &applied));
  EXPECT_EQ(applied, A::kHide);
}

class ApplyRequest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = MakeTestWindow("RequestTestWindow", PlainProc, WS_EX_NOACTIVATE, "", {10, 10, 60, 60});
    other_ = MakeTestWindow("RequestTestOther", PlainProc, WS_EX_NOACTIVATE, "", {20, 20, 70, 70});
    ASSERT_TRUE(window_ && other_);
    ShowWindow(other_, SW_SHOWNOACTIVATE);
  }
  void TearDown() override {
    DestroyWindow(window_);
    DestroyWindow(other_);
  }
  // Which of the two comes first from the top of the z-order.
  HWND Upper() const {
    HWND w = GetTopWindow(nullptr);
    while (w && w != window_ && w != other_) w = GetWindow(w, GW_HWNDNEXT);
    return w;
  }
  bool Topmost() const { return (GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

  HWND window_ = nullptr, other_ = nullptr;
};

TEST_F(ApplyRequest, RestacksMoveTheWindowAndLeaveItShownOrHiddenAsItWas) {
  struct Row {
    const char* name;
    bool shownBefore;
    A action;
    bool upper;  // above the other window afterwards
    bool topmost;
  };
  const Row rows[] = {
      {"top, shown", true, A::kStackTop, true, false},
      {"top, hidden", false, A::kStackTop, true, false},
      {"topmost, shown", true, A::kStackTopmost, true, true},
      {"topmost, hidden", false, A::kStackTopmost, true, true},
      {"bottom, shown", true, A::kStackBottom, false, false},
      {"bottom, hidden", false, A::kStackBottom, false, false},
  };
  for (const Row& row : rows) {
    SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(window_, row.shownBefore ? SW_SHOWNOACTIVATE : SW_HIDE);
    // Start on the side opposite to where the row expects it.
    SetWindowPos(window_, row.upper ? HWND_BOTTOM : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    WindowRequest request;
    request.Restack(row.action);
    EXPECT_TRUE(ApplyWindowRequest(window_, request)) << row.name;
    EXPECT_EQ(request.action.load(), static_cast<int>(A::kNone)) << row.name << ": the request is taken";
    EXPECT_EQ(IsWindowVisible(window_) != FALSE, row.shownBefore) << row.name;
    EXPECT_EQ(Upper() == window_, row.upper) << row.name;
    EXPECT_EQ(Topmost(), row.topmost) << row.name;
  }
}

// The push before a show runs once, before the window shows, and only when
// the action shows a window that is hidden.
TEST_F(ApplyRequest, ThePushBeforeAShowRunsOnlyForAHiddenWindowThatAnActionShows) {
  struct Row {
    A action;
    bool shownBefore;
    bool pushed;
  };
  const Row rows[] = {
      {A::kShow, false, true},         {A::kShowTop, false, true},
      {A::kShowTopmost, false, true},  {A::kRaiseNotTopmost, false, true},
      {A::kRaiseTop, false, true},     {A::kRaiseTopmost, false, true},
      {A::kShowBottom, false, true},   {A::kShow, true, false},
      {A::kRaiseTopmost, true, false}, {A::kShowBottom, true, false},
      {A::kHide, false, false},        {A::kHide, true, false},
      {A::kStackTop, false, false},    {A::kStackTopmost, false, false},
      {A::kStackBottom, false, false}, {A::kNone, false, false},
  };
  for (const Row& row : rows) {
    const std::string name =
        std::to_string(static_cast<int>(row.action)) + (row.shownBefore ? " shown" : " hidden");
    SetWindowPos(window_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(window_, row.shownBefore ? SW_SHOWNOACTIVATE : SW_HIDE);
    WindowRequest request;
    request.action = static_cast<int>(row.action);
    int pushes = 0;
    bool visibleAtPush = true;
    ApplyWindowRequest(window_, request, nullptr, [&] {
      ++pushes;
      visibleAtPush = IsWindowVisible(window_) != FALSE;
    });
    EXPECT_EQ(pushes, row.pushed ? 1 : 0) << name;
    if (row.pushed) {
      EXPECT_FALSE(visibleAtPush) << name << ": pushed before it shows";
      EXPECT_TRUE(IsWindowVisible(window_)) << name;
    }
  }
  // Without a window nothing is pushed, and the request is still taken.
  WindowRequest request;
  request.action = static_cast<int>(A::kShow);
  int pushes = 0;
  EXPECT_TRUE(ApplyWindowRequest(nullptr, request, nullptr, [&] { ++pushes; }));
  EXPECT_EQ(pushes, 0);
}

TEST_F(ApplyRequest, NothingPendingOrNoWindow) {
  WindowRequest request;
  EXPECT_FALSE(ApplyWindowRequest(window_, request));
  EXPECT_FALSE(IsWindowVisible(window_));
  // Without a window the request is still taken, so it is not applied later
  // to a window made meanwhile.
  request.Restack(A::kStackTop);
  EXPECT_TRUE(ApplyWindowRequest(nullptr, request));
  EXPECT_EQ(request.action.load(), static_cast<int>(A::kNone));
}

HWND Shown(RECT place) {
  HWND window = MakeTestWindow("PushUnderTest", DefWindowProcA, WS_EX_LAYERED | WS_EX_NOACTIVATE, "", place);
  if (window) ShowWindow(window, SW_SHOWNA);
  return window;
}

class PushUnder : public ::testing::Test {
 protected:
  void SetUp() override {
    left_ = Shown({0, 600, 100, 700});
    right_ = Shown({300, 650, 350, 700});
    hidden_ = MakeTestWindow("PushUnderTest", DefWindowProcA, WS_EX_LAYERED, "", {0, 600, 400, 700});
    ASSERT_TRUE(left_ && right_ && hidden_);
    ListWindowUnder(left_, leftWord_);
    ListWindowUnder(right_, rightWord_, &rightWake_);
    ListWindowUnder(hidden_, hiddenWord_);
  }
  void TearDown() override {
    for (std::atomic<int>* word : {&leftWord_, &rightWord_, &hiddenWord_}) ListWindowUnder(nullptr, *word);
    for (HWND window : {left_, right_, hidden_})
      if (window) DestroyWindow(window);
  }
  // Which words an ask sets, as "l", "r" and "h"; clears them.
  std::string Asked(RECT area) {
    AskForPushUnder(area);
    std::string set;
    if (leftWord_.exchange(0)) set += 'l';
    if (rightWord_.exchange(0)) set += 'r';
    if (hiddenWord_.exchange(0)) set += 'h';
    return set;
  }

  HWND left_ = nullptr, right_ = nullptr, hidden_ = nullptr;
  std::atomic<int> leftWord_{0}, rightWord_{0}, hiddenWord_{0};
  WorkerWake rightWake_;
};

TEST_F(PushUnder, OnlyTheShownWindowsOverTheAreaAreAsked) {
  struct Row {
    const char* what;
    RECT area;
    const char* asked;
  } rows[] = {
      {"over the left one", {40, 680, 80, 760}, "l"},
      {"over both", {50, 640, 320, 700}, "lr"},
      {"one pixel of the right one", {349, 699, 350, 700}, "r"},
      {"touching the left one's right edge", {100, 600, 300, 650}, ""},
      {"touching the right one's bottom", {300, 700, 350, 720}, ""},
      {"between them, over the hidden one only", {150, 600, 250, 700}, ""},
      {"above them", {0, 0, 1280, 600}, ""},
      {"an empty area over both", {50, 650, 50, 690}, ""},
      {"a turned area over both", {320, 690, 50, 650}, ""},
  };
  for (const Row& row : rows) EXPECT_EQ(Asked(row.area), row.asked) << row.what;
}

TEST_F(PushUnder, ListingAgainMovesTheWordAndNullTakesItOff) {
  ListWindowUnder(right_, leftWord_);  // the left word now follows the right window
  EXPECT_EQ(Asked({0, 600, 100, 700}), "");
  EXPECT_EQ(Asked({300, 650, 350, 700}), "lr");
  ListWindowUnder(nullptr, rightWord_);
  EXPECT_EQ(Asked({300, 650, 350, 700}), "l");
  ListWindowUnder(nullptr, rightWord_);  // off twice: nothing happens
  ListWindowUnder(left_, rightWord_);
  EXPECT_EQ(Asked({0, 600, 100, 700}), "r");
}

TEST_F(PushUnder, AHiddenWindowIsAskedOnceShown) {
  EXPECT_EQ(Asked({150, 600, 250, 700}), "");
  ShowWindow(hidden_, SW_SHOWNA);
  EXPECT_EQ(Asked({150, 600, 250, 700}), "h");
  ShowWindow(left_, SW_HIDE);
  EXPECT_EQ(Asked({0, 600, 100, 700}), "h");
}

DWORD WINAPI WaitOnWake(void* argument) {
  const DWORD start = GetTickCount();
  static_cast<WorkerWake*>(argument)->Wait(60000);
  return GetTickCount() - start;
}

TEST_F(PushUnder, TheAskWakesTheThreadThatWaits) {
  const OwnedHandle thread(StartThread(WaitOnWake, &rightWake_));
  ASSERT_TRUE(thread);
  Sleep(100);
  AskForPushUnder({300, 650, 310, 660});
  ASSERT_EQ(WaitForSingleObject(thread.get(), 30000), WAIT_OBJECT_0) << "the wait was not ended";
  DWORD waited = 0;
  GetExitCodeThread(thread.get(), &waited);
  EXPECT_LT(waited, 30000u);
  EXPECT_EQ(rightWord_.exchange(0), 1);
}

// A window whose thread is woken by its first ask only is asked like any
// other: by every ask over it, in any number, and by none beside it.
TEST_F(PushUnder, AFirstAskWindowIsAskedByWhatCoversIt) {
  ListWindowUnder(right_, rightWord_, &rightWake_, true);  // right_ is 300,650 to 350,700
  struct Row {
    const char* what;
    std::vector<RECT> asks;
    bool asked;
  } rows[] = {
      {"nothing asked", {}, false},
      {"its top-left corner", {{290, 640, 310, 660}}, true},
      {"reaching past it on every side", {{0, 0, 1280, 800}}, true},
      {"its last pixel", {{349, 699, 360, 710}}, true},
      {"two asks", {{300, 650, 305, 655}, {340, 690, 345, 695}}, true},
      {"one beside it after one over it", {{300, 650, 305, 655}, {0, 600, 100, 700}}, true},
      {"one beside it", {{0, 600, 100, 700}}, false},
      {"touching its edge", {{350, 650, 400, 700}}, false},
      {"an empty ask", {{320, 670, 320, 690}}, false},
  };
  for (const Row& row : rows) {
    for (const RECT& ask : row.asks) AskForPushUnder(ask);
    EXPECT_EQ(rightWord_.exchange(0), row.asked ? 1 : 0) << row.what;
  }
  // Hidden, it is asked nothing.
  ShowWindow(right_, SW_HIDE);
  AskForPushUnder({300, 650, 350, 700});
  EXPECT_EQ(rightWord_.load(), 0);
}

// Listed so, the ask that finds the word clear wakes the thread; those after
// it only find it set (the thread already passes for it), until the thread
// clears the word.
TEST_F(PushUnder, AFirstAskWindowIsWokenOnlyByTheAskThatFindsItsWordClear) {
  ListWindowUnder(right_, rightWord_, &rightWake_, true);
  rightWake_.Wait(0);  // nothing pending from before
  const auto waitedMs = [&](DWORD milliseconds) {
    const DWORD start = GetTickCount();
    rightWake_.Wait(milliseconds);
    return GetTickCount() - start;
  };
  AskForPushUnder({300, 650, 310, 660});
  EXPECT_LT(waitedMs(30000), 20000u) << "the first ask wakes";
  AskForPushUnder({320, 670, 330, 680});
  EXPECT_GE(waitedMs(300), 250u) << "a second ask before the word is cleared does not";
  EXPECT_EQ(rightWord_.exchange(0), 1);
  AskForPushUnder({340, 690, 345, 695});
  EXPECT_LT(waitedMs(30000), 20000u) << "the first ask after the clear wakes again";
  // An ask beside it neither sets the word nor wakes.
  rightWord_ = 0;
  AskForPushUnder({0, 600, 100, 700});
  EXPECT_GE(waitedMs(300), 250u) << "an ask beside it";
  EXPECT_EQ(rightWord_.load(), 0);
  // Listed without it, every ask wakes, the word set or not.
  ListWindowUnder(right_, rightWord_, &rightWake_);
  for (int i = 0; i < 2; ++i) {
    AskForPushUnder({300, 650, 310, 660});
    EXPECT_LT(waitedMs(30000), 20000u) << "ask " << i;
  }
  EXPECT_EQ(rightWord_.load(), 1);
}

TEST(PushUnderTable, WordsBeyondItsPlacesAreNotListed) {
  HWND window = Shown({500, 500, 520, 520});
  ASSERT_TRUE(window);
  std::atomic<int> words[12] = {};
  for (std::atomic<int>& word : words) ListWindowUnder(window, word);
  AskForPushUnder({500, 500, 501, 501});
  for (int i = 0; i < 12; ++i) EXPECT_EQ(words[i].exchange(0), i < 8 ? 1 : 0) << "word " << i;
  for (std::atomic<int>& word : words) ListWindowUnder(nullptr, word);
  AskForPushUnder({500, 500, 501, 501});
  for (std::atomic<int>& word : words) EXPECT_EQ(word.load(), 0);
  DestroyWindow(window);
}

}  // namespace
