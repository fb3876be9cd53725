// A painted window under Wine: the picture painted through the window's DC
// where it stands on the screen, see-through around it, the window moved
// only when the picture leaves it, and the window pushed again once ended.
// Read back from the screen; the painting runs on another thread than the
// one that made the window, as the animation thread paints the shell's.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <thread>
#include <utility>

#include "services/handles.h"
#include "services/win_util.h"
#include "stage/figure_record.h"
#include "stage/painted_layer.h"
#include "stage/layer_test_support.h"
#include "tests/support/test_windows.h"

namespace {

using namespace layer_test;

constexpr COLORREF kFirst = RGB(0x20, 0x40, 0xC0);
constexpr COLORREF kOther = RGB(0xE0, 0x30, 0x10);
constexpr SceneRect kScreen{0, 0, 1280, 800};
constexpr char kClass[] = "PaintedLayerTest";

// Paint messages the window's thread answered for a painted window.
std::atomic<int> paintsAsked{0};

// As the shell's window procedure answers the paint of a painted window:
// the painting thread is asked to paint the picture again.
LRESULT CALLBACK ShellLikeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT && IsPaintedWindow(window)) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
    ++paintsAsked;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Runs `paint` on a thread of its own while this thread, the window's,
// answers what the painting sends it (a move of the window).
template <typename Result>
Result OnPainter(const std::function<Result()>& paint) {
  std::atomic<bool> done{false};
  Result result{};
  std::thread painter([&] {
    result = paint();
    done = true;
  });
  PumpUntil([&] { return done.load(); }, 10000);
  painter.join();
  return result;
}

class PaintedLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // As the shell's class: its background is the key colour.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ShellLikeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    wc.hbrBackground = KeyBrush();
    RegisterClassA(&wc);
    window_ = MakeTestWindow(kClass, ShellLikeProc, WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOPMOST);
    ASSERT_TRUE(window_);
    ASSERT_TRUE(picture_.ok());
    ShowWindow(window_, SW_SHOWNOACTIVATE);
  }
  void TearDown() override {
    layer_.End();
    DestroyWindow(window_);
  }
  BOOL Show(const LayerArgs& args) {
    return OnPainter<BOOL>([&] { return layer_.Show(picture_.dc(), args, kScreen); });
  }
  RECT WindowRect() const {
    RECT rect = {};
    GetWindowRect(window_, &rect);
    return rect;
  }

  HWND window_ = nullptr;
  Picture picture_;
  PaintedLayer layer_;
};

// The picture shows where it is put; its key pixels and the rest of the
// window show what lies under them; the window holds the picture, standing
// where WindowFor said.
TEST_F(PaintedLayerTest, ThePictureShowsWhereItIsAndTheKeyShowsWhatIsUnder) {
  const POINT at = {300, 200};
  struct Point {
    const char* what;
    POINT at;
    COLORREF under = CLR_INVALID;
  };
  Point under[] = {
      {"a key pixel of the picture", {at.x + 2, at.y + 2}},
      {"right of the picture", {at.x + kWidth + 20, at.y + 10}},
      {"left of it", {at.x - 20, at.y + 10}},
  };
  ShowWindow(window_, SW_HIDE);
  for (Point& point : under) point.under = ScreenAt(point.at);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(layer_.Begin(window_));
  picture_.Draw(kFirst);
  const POINT expected = layer_.WindowFor(At(at), kScreen);
  ASSERT_TRUE(Show(At(at)));
  EXPECT_TRUE(ShowsSoon({at.x + 10, at.y + 10}, kFirst));
  EXPECT_TRUE(ShowsSoon({at.x + kWidth - 6, at.y + kHeight - 6}, kFirst));
  for (const Point& point : under) EXPECT_EQ(ScreenAt(point.at), point.under) << point.what;
  const RECT rect = WindowRect();
  EXPECT_EQ(rect.left, expected.x);
  EXPECT_EQ(rect.top, expected.y);
  EXPECT_LE(rect.left, at.x);
  EXPECT_GE(rect.right, at.x + kWidth);
  EXPECT_EQ((rect.right - rect.left) % 32, 0);
  EXPECT_EQ((rect.bottom - rect.top) % 32, 0);
}

// A runner crossing 400 pixels 3 at a time: the window moves a few times,
// the screen shows him at each place and nothing where he was.
TEST_F(PaintedLayerTest, ARunnerMovesTheWindowRarelyAndLeavesNothingBehind) {
  const int y = 300;
  const POINT behind = {720, y + 30};  // left by him at the first steps
  ShowWindow(window_, SW_HIDE);
  const COLORREF under = ScreenAt(behind);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(layer_.Begin(window_));
  picture_.Draw(kFirst, {0, 0, kWidth, kHeight});
  std::set<std::pair<LONG, LONG>> places;
  for (int x = 700, step = 0; x >= 300; x -= 3, ++step) {
    ASSERT_TRUE(Show(At({x, y})));
    const RECT rect = WindowRect();
    places.insert({rect.left, rect.top});
    ASSERT_TRUE(rect.left <= x && x + kWidth <= rect.right) << x;
    if (step % 25 == 0) {
      EXPECT_TRUE(ShowsSoon({x + 1, y + 30}, kFirst)) << x;
      EXPECT_TRUE(ShowsSoon({x + kWidth - 2, y + 30}, kFirst)) << x;
      if (x + kWidth + 6 < behind.x) {
        EXPECT_EQ(ScreenAt(behind), under) << x;
      }
      EXPECT_EQ(ScreenAt({x + kWidth + 4, y + 30}), under) << "just behind him at " << x;
    }
  }
  EXPECT_LE(places.size(), 4u) << "the window moves only when he leaves it";
}

// What happens between two shows of a picture: the second paints it where
// it belongs, and where the first stood shows what is under.
struct Between {
  const char* what;
  std::function<void(HWND, PaintedLayer&)> change;
};

TEST_F(PaintedLayerTest, WhateverHappensBetweenTwoShowsTheSecondShowsItsPicture) {
  const Between rows[] = {
      {"nothing", [](HWND, PaintedLayer&) {}},
      {"forgotten", [](HWND, PaintedLayer& layer) { layer.Forget(); }},
      {"hidden and shown again",
       [](HWND window, PaintedLayer&) {
         ShowWindow(window, SW_HIDE);
         ShowWindow(window, SW_SHOWNOACTIVATE);
       }},
      {"moved by another hand",
       [](HWND window, PaintedLayer&) {
         SetWindowPos(window, nullptr, 600, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
       }},
      {"restacked",
       [](HWND window, PaintedLayer&) {
         SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
       }},
      {"made larger by another hand",
       [](HWND window, PaintedLayer&) {
         SetWindowPos(window, nullptr, 0, 0, 640, 320, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
       }},
  };
  const POINT first = {300, 200}, second = {330, 200};
  const POINT gone = {first.x + 8, first.y + 10};  // the first picture's, not the second's
  ShowWindow(window_, SW_HIDE);
  const COLORREF under = ScreenAt(gone);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  for (const Between& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(layer_.Begin(window_));
    picture_.Draw(kFirst, {0, 0, kWidth, kHeight});
    ASSERT_TRUE(Show(At(first)));
    ASSERT_TRUE(ShowsSoon(gone, kFirst));
    row.change(window_, layer_);
    picture_.Draw(kOther, {0, 0, kWidth, kHeight});
    ASSERT_TRUE(Show(At(second)));
    EXPECT_TRUE(ShowsSoon({second.x + 20, second.y + 10}, kOther));
    EXPECT_TRUE(ShowsSoon(gone, under)) << std::hex << ScreenAt(gone);
    layer_.End();
    ShowWindow(window_, SW_SHOWNOACTIVATE);
  }
}

// However the window stood when it was begun, it shows what is painted:
// Wine paints a window given its key while shown no more, unless it was
// pushed since it was shown.
struct Before {
  const char* what;
  std::function<void(HWND, const Picture&)> prepare;
};

TEST_F(PaintedLayerTest, HoweverTheWindowStoodItShowsWhatIsPainted) {
  const auto parkedPush = [](HWND window, const Picture& picture) {
    ASSERT_TRUE(PushLayer(window, picture.screen(), picture.dc(), At({-1, -1}, {1, 1})));
  };
  const Before rows[] = {
      {"hidden", [](HWND window, const Picture&) { ShowWindow(window, SW_HIDE); }},
      {"shown, never pushed", [](HWND window, const Picture&) { ShowWindow(window, SW_SHOWNOACTIVATE); }},
      {"shown, then pushed parked off the screens",
       [&](HWND window, const Picture& picture) {
         ShowWindow(window, SW_SHOWNOACTIVATE);
         parkedPush(window, picture);
       }},
      {"pushed parked, then moved onto the screen and shown",
       [&](HWND window, const Picture& picture) {
         parkedPush(window, picture);
         SetWindowPos(window, nullptr, 200, 200, 256, 96, SWP_NOZORDER | SWP_NOACTIVATE);
         ShowWindow(window, SW_SHOWNOACTIVATE);
       }},
  };
  for (const Before& row : rows) {
    SCOPED_TRACE(row.what);
    layer_.End();
    row.prepare(window_, picture_);
    ASSERT_TRUE(layer_.Begin(window_));
    picture_.Draw(kFirst, {0, 0, kWidth, kHeight});
    ASSERT_TRUE(Show(At({300, 200})));
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    ASSERT_TRUE(Show(At({303, 200})));
    EXPECT_TRUE(ShowsSoon({310, 210}, kFirst));
  }
}

// A figure standing on one frame is not painted again for a long time:
// whatever another hand does to his window, his picture stays on the screen
// without a new show (the window's thread answers its paint messages as the
// shell's does).
TEST_F(PaintedLayerTest, AStandingPictureStaysWhateverAnotherHandDoes) {
  const Between rows[] = {
      {"hidden and shown again",
       [](HWND window, PaintedLayer&) {
         ShowWindow(window, SW_HIDE);
         ShowWindow(window, SW_SHOWNOACTIVATE);
       }},
      {"hidden, the others painted, shown again",
       [](HWND window, PaintedLayer&) {
         ShowWindow(window, SW_HIDE);
         PumpUntil([] { return false; }, 100);
         ShowWindow(window, SW_SHOWNOACTIVATE);
       }},
      {"hidden and shown by its place",
       [](HWND window, PaintedLayer&) {
         const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
         SetWindowPos(window, nullptr, 0, 0, 0, 0, flags | SWP_HIDEWINDOW);
         SetWindowPos(window, nullptr, 0, 0, 0, 0, flags | SWP_SHOWWINDOW);
       }},
      {"restacked",
       [](HWND window, PaintedLayer&) {
         SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
         SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
       }},
      {"invalidated and erased",
       [](HWND window, PaintedLayer&) {
         RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_UPDATENOW);
       }},
      {"forgotten, then hidden and shown",
       [](HWND window, PaintedLayer& layer) {
         layer.Forget();
         ShowWindow(window, SW_HIDE);
         ShowWindow(window, SW_SHOWNOACTIVATE);
       }},
  };
  const POINT at = {300, 200};
  const std::pair<const char*, POINT> inside[] = {{"top-left", {at.x + 1, at.y + 1}},
                                                  {"middle", {at.x + kWidth / 2, at.y + kHeight / 2}},
                                                  {"bottom-right", {at.x + kWidth - 2, at.y + kHeight - 2}}};
  for (const Between& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(layer_.Begin(window_));
    picture_.Draw(kFirst, {0, 0, kWidth, kHeight});
    ASSERT_TRUE(Show(At(at)));
    ASSERT_TRUE(ShowsSoon(inside[1].second, kFirst));
    paintsAsked = 0;
    row.change(window_, layer_);
    // Every paint message answered; the painter, asked, paints the last
    // picture again (no new show), and it stays.
    PumpUntil([] { return false; }, 300);
    if (paintsAsked.exchange(0) > 0) {
      ASSERT_TRUE(OnPainter<BOOL>([&] { return layer_.Repaint(picture_.dc(), kScreen); }));
    }
    PumpUntil([] { return false; }, 300);
    for (const auto& [where, point] : inside) EXPECT_EQ(ScreenAt(point), kFirst) << where;
    layer_.End();
    ShowWindow(window_, SW_SHOWNOACTIVATE);
  }
}

// An empty picture clears what the window showed and leaves it standing.
TEST_F(PaintedLayerTest, AnEmptyPictureClearsTheWindowWhereItStands) {
  const POINT at = {300, 200}, inside = {310, 210};
  ShowWindow(window_, SW_HIDE);
  const COLORREF under = ScreenAt(inside);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(layer_.Begin(window_));
  picture_.Draw(kFirst);
  ASSERT_TRUE(Show(At(at)));
  ASSERT_TRUE(ShowsSoon(inside, kFirst));
  const RECT before = WindowRect();
  for (const SIZE empty : {SIZE{0, 0}, SIZE{0, kHeight}, SIZE{kWidth, 0}}) {
    ASSERT_TRUE(Show(At(at)));
    ASSERT_TRUE(ShowsSoon(inside, kFirst));
    ASSERT_TRUE(Show(At({-1, -1}, empty)));
    EXPECT_TRUE(ShowsSoon(inside, under)) << empty.cx << " x " << empty.cy;
    const RECT after = WindowRect();
    EXPECT_TRUE(EqualRect(&before, &after));
  }
}

// Painted, the window refuses pushes; ended, it is hidden and takes them
// again, with their colour key.
TEST_F(PaintedLayerTest, EndedTheWindowIsPushedAgain) {
  ASSERT_TRUE(layer_.Begin(window_));
  picture_.Draw(kFirst);
  ASSERT_TRUE(Show(At({300, 200})));
  ASSERT_TRUE(ShowsSoon({310, 210}, kFirst));
  picture_.Draw(kOther);
  EXPECT_FALSE(PushLayer(window_, picture_.screen(), picture_.dc(), At({500, 200}))) << "painted, not pushed";
  layer_.End();
  EXPECT_FALSE(layer_.Active());
  EXPECT_FALSE(IsWindowVisible(window_));
  // Shown first: a pushed window not of whole steps shows blank after a show.
  // The show is let settle: under load the display's answer to the map came
  // after the push and left the window blank (the program pushes a figure
  // again on his next frame; this push is the only one).
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  PumpUntil([] { return false; }, 300);
  ASSERT_TRUE(PushLayer(window_, picture_.screen(), picture_.dc(), At({500, 200})));
  // On two loaded cores the answer still came late now and then; the
  // program's next frame pushes again, and so does this.
  if (!ShowsSoon({510, 210}, kOther)) {
    ASSERT_TRUE(PushLayer(window_, picture_.screen(), picture_.dc(), At({500, 200})));
  }
  EXPECT_TRUE(ShowsSoon({510, 210}, kOther));
  EXPECT_TRUE(ShowsSoon({310, 210}, ScreenAt({290, 210}))) << "the painted picture is gone";
  // And painted again after that.
  ASSERT_TRUE(layer_.Begin(window_));
  picture_.Draw(kFirst);
  ASSERT_TRUE(Show(At({700, 200})));
  EXPECT_TRUE(ShowsSoon({710, 210}, kFirst));
}

// As the animation thread does for a show it carries out itself: the
// picture is painted again at once, before the window's thread answers the
// paint message the show brings, whose answer must not wipe it.
TEST_F(PaintedLayerTest, APictureRepaintedBeforeThePaintMessageStays) {
  const POINT at = {500, 300}, inside = {520, 330};
  ASSERT_TRUE(layer_.Begin(window_));
  picture_.Draw(kFirst, {0, 0, kWidth, kHeight});
  ASSERT_TRUE(Show(At(at)));
  ASSERT_TRUE(ShowsSoon(inside, kFirst));
  ShowWindow(window_, SW_HIDE);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  // Not answering messages meanwhile: the window stands where it was, so
  // the repaint sends it nothing.
  BOOL repainted = FALSE;
  std::thread painter([&] { repainted = layer_.Repaint(picture_.dc(), kScreen); });
  painter.join();
  ASSERT_TRUE(repainted);
  paintsAsked = 0;
  PumpUntil([] { return false; }, 300);
  EXPECT_GT(paintsAsked.load(), 0) << "the show brought a paint message";
  EXPECT_EQ(ScreenAt(inside), kFirst) << "its answer wiped the picture";
}

// Painting the last picture again: nothing before a show, the last one
// where it stood after a show, nothing after an empty one.
TEST_F(PaintedLayerTest, ARepaintShowsTheLastPictureOnly) {
  const POINT at = {400, 300}, inside = {410, 310};
  ShowWindow(window_, SW_HIDE);
  const COLORREF under = ScreenAt(inside);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  EXPECT_FALSE(layer_.Repaint(picture_.dc(), kScreen)) << "not begun";
  ASSERT_TRUE(layer_.Begin(window_));
  EXPECT_FALSE(layer_.Repaint(nullptr, kScreen));
  EXPECT_TRUE(OnPainter<BOOL>([&] { return layer_.Repaint(picture_.dc(), kScreen); })) << "nothing shown yet";
  const RECT unmoved = WindowRect();
  picture_.Draw(kFirst);
  ASSERT_TRUE(Show(At(at)));
  ASSERT_TRUE(ShowsSoon(inside, kFirst));
  const RECT shown = WindowRect();
  ShowWindow(window_, SW_HIDE);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(OnPainter<BOOL>([&] { return layer_.Repaint(picture_.dc(), kScreen); }));
  EXPECT_TRUE(ShowsSoon(inside, kFirst));
  const RECT repainted = WindowRect();
  EXPECT_TRUE(EqualRect(&shown, &repainted)) << "painted where it stood";
  EXPECT_FALSE(EqualRect(&unmoved, &shown));
  ASSERT_TRUE(Show(At({-1, -1}, {0, 0})));
  ASSERT_TRUE(ShowsSoon(inside, under));
  ShowWindow(window_, SW_HIDE);
  ShowWindow(window_, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(OnPainter<BOOL>([&] { return layer_.Repaint(picture_.dc(), kScreen); }));
  EXPECT_EQ(ScreenAt(inside), under) << "an empty last picture paints nothing";
  // Begun anew, nothing is shown yet.
  ASSERT_TRUE(layer_.Begin(window_));
  EXPECT_TRUE(OnPainter<BOOL>([&] { return layer_.Repaint(picture_.dc(), kScreen); }));
  EXPECT_EQ(ScreenAt(inside), under);
}

TEST_F(PaintedLayerTest, RefusesNoWindowAndNoPicture) {
  EXPECT_FALSE(layer_.Begin(nullptr));
  EXPECT_FALSE(layer_.Active());
  EXPECT_FALSE(layer_.Show(picture_.dc(), At({300, 200}), kScreen)) << "not begun";
  layer_.End();  // nothing to end
  ASSERT_TRUE(layer_.Begin(window_));
  EXPECT_FALSE(layer_.Show(nullptr, At({300, 200}), kScreen));
  POINT at = layer_.WindowFor(At({-500, 200}), kScreen);
  EXPECT_EQ(at.x, 0) << "nothing of it on the screen: the window stands where it is";
  EXPECT_EQ(at.y, 0);
  at = layer_.WindowFor(At({300, 200}, {0, 0}), kScreen);
  EXPECT_EQ(at.x, 0) << "an empty picture: the window stands where it is";
}

}  // namespace
