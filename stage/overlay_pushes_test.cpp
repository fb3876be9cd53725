// The overlay's pushes under Wine: a lifted figure held still is not pushed
// again while nothing else reached the window, and is after every bubble,
// show, hide or restack, read back from the screen.

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "services/handles.h"
#include "services/shell_state.h"
#include "services/window_requests.h"
#include "services/win_util.h"
#include "stage/figure_record.h"
#include "stage/overlay_owner.h"
#include "stage/speech_bubble.h"
#include "stage/layer_test_support.h"
#include "tests/support/test_windows.h"

namespace {

using namespace layer_test;

constexpr COLORREF kFigure = RGB(0x20, 0x40, 0xC0);
constexpr COLORREF kOther = RGB(0xE0, 0x30, 0x10);
constexpr POINT kAt = {820, 120};  // clear of the other stage tests' windows
constexpr POINT kProbe = {kAt.x + 10, kAt.y + 10};

HWND MakeWindow(DWORD exStyle, RECT place) {
  return MakeTestWindow("OverlayPushesTest", DefWindowProcA, exStyle, "", place);
}

// A lifted figure as the scripts hold one: the overlay window (owned by
// this thread), a speaker's window for the bubbles, and the record's
// overlay picture, large enough for the tallest bubble too.
class OverlayPushes : public ::testing::Test {
 public:
  void SetUp() override {
    AttachWindowRequest(MakeWindow(WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOPMOST, {0, 0, 10, 10}),
                        overlay_.request);
    ASSERT_TRUE(overlay_.Window());
    overlay_.Claim(GetCurrentThreadId());
    record_ = AllocateFigureRecord();
    ASSERT_TRUE(record_);
    record_->objectWindow = MakeWindow(0, {300, 500, 400, 580});
    record_->overlayWindow = overlay_.Window();
    record_->overlay = &overlay_;
    record_->keyBrush = KeyBrush();
    record_->overlayScreenDC = WindowDC(nullptr);
    record_->overlayDC.reset(CreateCompatibleDC(record_->overlayScreenDC.get()));
    record_->overlayBitmap.reset(CreateCompatibleBitmap(record_->overlayScreenDC.get(), 200, 200));
    record_->overlaySelection = SelectedObject(record_->overlayDC.get(), record_->overlayBitmap.get());
    ASSERT_TRUE(record_->overlaySelection.ok());
    other_.reset(CreateCompatibleDC(record_->overlayScreenDC.get()));
    otherBitmap_.reset(CreateCompatibleBitmap(record_->overlayScreenDC.get(), 200, 200));
    otherSelection_ = SelectedObject(other_.get(), otherBitmap_.get());
    ASSERT_TRUE(otherSelection_.ok());
  }
  void TearDown() override {
    ApplyBubbleKillRequest(overlay_);
    KillSpeechBubble(overlay_);
    overlay_.Claim(0);
    DestroyWindow(record_->objectWindow);
    record_->objectWindow = nullptr;
    UnloadFigure(record_);
    FreeFigureRecord(record_);
    otherSelection_.reset();
    DetachWindowRequest(overlay_.Window());
    DestroyWindow(overlay_.Window());
    overlay_.request.SetWindow(nullptr);
  }

  // One tick of the held figure: drawn afresh and pushed where it hangs.
  BOOL HoldFigure() {
    DrawFigure(record_->overlayDC.get(), kFigure);
    return ShowOverlayLayer(record_, At(kAt));
  }
  // A push of another picture into the window that the overlay does not
  // count: only what it shows afterwards tells whether the figure's next
  // push went.
  void PushUncounted(COLORREF colour) {
    DrawFigure(other_.get(), colour);
    LayerPushes pushes(false);
    ASSERT_TRUE(pushes.Push(overlay_.Window(), record_->overlayScreenDC.get(), other_.get(), At(kAt)));
  }
  void ShowBubble() { ASSERT_EQ(ShowSpeechBubble(overlay_, record_, 1, "Hallo", 770, -380, 20), 1); }

  ShellState shell_;
  Overlay overlay_{shell_};
  FigureRecord* record_ = nullptr;
  OwnedDC other_;
  OwnedBitmap otherBitmap_;
  SelectedObject otherSelection_;
};

struct Between {
  const char* what;
  std::function<void(OverlayPushes&, Overlay&)> change;
  bool pushed;
};

void ApplyRequest(Overlay& overlay, WindowAction action) {
  overlay.request.Set(action);
  ASSERT_TRUE(overlay.ApplyRequest());
}

TEST_F(OverlayPushes, AHeldFigureIsPushedAgainOnlyAfterTheWindowChanged) {
  const Between rows[] = {
      {"nothing", [](OverlayPushes&, Overlay&) {}, false},
      {"hidden and shown again",
       [](OverlayPushes&, Overlay& overlay) {
         overlay.Show(false);
         overlay.Show(true);
       },
       true},
      {"a hide and a show asked for",
       [](OverlayPushes&, Overlay& overlay) {
         ApplyRequest(overlay, WindowAction::kHide);
         ApplyRequest(overlay, WindowAction::kShow);
       },
       true},
      {"restacked as asked",
       [](OverlayPushes&, Overlay& overlay) {
         ASSERT_TRUE(RestackWindow(overlay.Window(), WindowAction::kStackTopmost));
         ASSERT_TRUE(overlay.ApplyRequest());
       },
       true},
      {"raised as asked",
       [](OverlayPushes&, Overlay& overlay) { ApplyRequest(overlay, WindowAction::kRaiseTopmost); }, true},
      {"a bubble shown", [](OverlayPushes& test, Overlay&) { test.ShowBubble(); }, true},
      {"a bubble shown and killed, the window shown again",
       [](OverlayPushes& test, Overlay& overlay) {
         test.ShowBubble();
         KillSpeechBubble(overlay);
         overlay.Show(true);
       },
       true},
      {"another thread's bubble shown by the owner",
       [](OverlayPushes& test, Overlay& overlay) {
         std::thread([&] { ShowSpeechBubble(overlay, test.record_, 2, "Hallo", 770, -380, 20); }).join();
         ApplyBubbleKillRequest(overlay);
         ASSERT_EQ(overlay.bubble.type, 2);
       },
       true},
      // Nothing shown to kill: the window is left alone.
      {"a kill without a bubble", [](OverlayPushes&, Overlay& overlay) { KillSpeechBubble(overlay); }, false},
      {"a kill asked for without a bubble",
       [](OverlayPushes&, Overlay& overlay) {
         RequestBubbleKill(overlay);
         ApplyBubbleKillRequest(overlay);
       },
       false},
  };
  for (const Between& row : rows) {
    SCOPED_TRACE(row.what);
    // Held and shown, whatever the last row left: pushed, shown, pushed again.
    record_->overlayPushes.Forget();
    ASSERT_TRUE(HoldFigure());
    ShowWindow(overlay_.Window(), SW_SHOWNA);
    record_->overlayPushes.Forget();
    ASSERT_TRUE(HoldFigure());
    ASSERT_TRUE(ShowsSoon(kProbe, kFigure));
    PushUncounted(kOther);
    ASSERT_TRUE(ShowsSoon(kProbe, kOther));
    row.change(*this, overlay_);
    ASSERT_TRUE(HoldFigure());
    if (row.pushed)
      EXPECT_TRUE(ShowsSoon(kProbe, kFigure)) << std::hex << ScreenAt(kProbe);
    else
      EXPECT_EQ(ScreenAt(kProbe), kOther) << "not pushed again";
    KillSpeechBubble(overlay_);
  }
}

// A held figure pushed again and again shows at every tick; the frame he
// dangles on changes and the new one is pushed at once.
TEST_F(OverlayPushes, ANewFrameOfAHeldFigureIsPushed) {
  ASSERT_TRUE(HoldFigure());
  overlay_.Show(true);
  for (int tick = 0; tick < 3; ++tick) ASSERT_TRUE(HoldFigure());
  ASSERT_TRUE(ShowsSoon(kProbe, kFigure));
  DrawFigure(record_->overlayDC.get(), kOther);
  ASSERT_TRUE(ShowOverlayLayer(record_, At(kAt)));
  EXPECT_TRUE(ShowsSoon(kProbe, kOther));
}

// Every change the overlay's own paths make is counted once at least;
// refused ones change nothing.
TEST_F(OverlayPushes, TheOverlayCountsWhatReachesItsWindow) {
  struct Row {
    const char* what;
    std::function<void(OverlayPushes&, Overlay&)> change;
    bool counted;
  };
  const Row rows[] = {
      {"a show", [](OverlayPushes&, Overlay& overlay) { overlay.Show(true); }, true},
      {"a hide", [](OverlayPushes&, Overlay& overlay) { overlay.Show(false); }, true},
      {"a request carried out",
       [](OverlayPushes&, Overlay& overlay) { ApplyRequest(overlay, WindowAction::kShow); }, true},
      {"no request pending", [](OverlayPushes&, Overlay& overlay) { EXPECT_FALSE(overlay.ApplyRequest()); },
       false},
      {"a bubble", [](OverlayPushes& test, Overlay&) { test.ShowBubble(); }, true},
      {"a bubble's kill",
       [](OverlayPushes& test, Overlay& overlay) {
         test.ShowBubble();
         const unsigned before = overlay.Changes();
         KillSpeechBubble(overlay);
         EXPECT_NE(overlay.Changes(), before);
       },
       true},
      {"a show from another thread",
       [](OverlayPushes&, Overlay& overlay) { std::thread([&] { overlay.Show(true); }).join(); }, false},
      {"a request from another thread",
       [](OverlayPushes&, Overlay& overlay) {
         overlay.request.Set(WindowAction::kShow);
         std::thread([&] { EXPECT_FALSE(overlay.ApplyRequest()); }).join();
         overlay.request.Set(WindowAction::kNone);
       },
       false},
  };
  for (const Row& row : rows) {
    const unsigned before = overlay_.Changes();
    row.change(*this, overlay_);
    EXPECT_EQ(overlay_.Changes() != before, row.counted) << row.what;
    KillSpeechBubble(overlay_);
  }
}

// While the overlay carries a lifted figure the window is his: a bubble
// shown ends without a hide, the owner's own is refused, and one handed
// over from the hold test that lifts him on waits until he is down (shown,
// its end would hide him).
TEST_F(OverlayPushes, ACarriedFigureKeepsTheWindowAndBubblesWaitForHisEnd) {
  ShowBubble();  // his hold test may leave it
  std::thread([&] { ShowSpeechBubble(overlay_, record_, 2, "Hallo", 770, -380, 20); }).join();
  ApplyBubbleKillRequest(overlay_, true);  // lifted, before his first push
  ASSERT_TRUE(HoldFigure());
  overlay_.Carry(true);
  EXPECT_EQ(ShowSpeechBubble(overlay_, record_, 1, "Hallo", 770, -380, 20), 0);
  ApplyBubbleKillRequest(overlay_);
  RequestBubbleKill(overlay_);  // a lifetime's end
  ApplyBubbleKillRequest(overlay_);
  ASSERT_TRUE(HoldFigure());
  EXPECT_TRUE(ShowsSoon(kProbe, kFigure)) << std::hex << ScreenAt(kProbe);
  overlay_.Carry(false);
  ApplyBubbleKillRequest(overlay_);
  EXPECT_EQ(overlay_.bubble.type, 2) << "the one that waited";
}

// A bubble has no push of its own: after its window is shown again for a
// request (the end of a full-screen pause; a raise likewise) it is pushed
// again, or Wine leaves a blank surface. Only the screen tells: the push
// between is not counted.
TEST_F(OverlayPushes, ABubbleIsPushedAgainOnceItsWindowIsShownAgain) {
  ShowBubble();
  const COLORREF bubble = ScreenAt(kProbe);
  PushUncounted(kOther);
  ApplyBubbleKillRequest(overlay_);
  ASSERT_TRUE(ShowsSoon(kProbe, kOther)) << "not pushed without a request";
  ApplyRequest(overlay_, WindowAction::kHide);
  ApplyBubbleKillRequest(overlay_);
  EXPECT_FALSE(IsWindowVisible(overlay_.Window()));
  ApplyRequest(overlay_, WindowAction::kShow);
  ApplyBubbleKillRequest(overlay_);
  EXPECT_TRUE(ShowsSoon(kProbe, bubble)) << std::hex << ScreenAt(kProbe);
}

}  // namespace
