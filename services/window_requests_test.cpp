// The request words by which other threads ask a drawing thread to show,
// hide or restack its window, and what the drawing thread then does.

#include "services/window_requests.h"

#include <gtest/gtest.h>

#include <utility>

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
      {A::kNone, A::kStackBottom, A::kStackBottom},  {A::kNone, A::kStackTopmost, A::kStackTopmost},
      {A::kShow, A::kStackTop, A::kShow},            {A::kHide, A::kStackTopmost, A::kHide},
      {A::kShowBottom, A::kStackTopmost, A::kShowBottom}, {A::kRaiseTop, A::kStackBottom, A::kRaiseTop},
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

TEST(WindowRequest, WhatEachActionLeavesOfTheWindowsVisibility) {
  const std::pair<A, int> rows[] = {
      {A::kNone, 0},      {A::kHide, -1},         {A::kShow, 1},          {A::kShowTop, 1},
      {A::kShowTopmost, 1}, {A::kRaiseNotTopmost, 1}, {A::kRaiseTop, 1},  {A::kRaiseTopmost, 1},
      {A::kShowBottom, 1}, {A::kStackTop, 0},     {A::kStackTopmost, 0}, {A::kStackBottom, 0},
  };
  for (auto [action, visibility] : rows) EXPECT_EQ(VisibilityAfter(action), visibility) << static_cast<int>(action);
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
    SetWindowPos(window_, row.upper ? HWND_BOTTOM : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    WindowRequest request;
    request.Restack(row.action);
    EXPECT_TRUE(ApplyWindowRequest(window_, request)) << row.name;
    EXPECT_EQ(request.action.load(), static_cast<int>(A::kNone)) << row.name << ": the request is taken";
    EXPECT_EQ(IsWindowVisible(window_) != FALSE, row.shownBefore) << row.name;
    EXPECT_EQ(Upper() == window_, row.upper) << row.name;
    EXPECT_EQ(Topmost(), row.topmost) << row.name;
  }
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

}  // namespace
