// The speech bubble under Wine with the program's own bubble bitmaps: its
// refusals, where its text stands, and long texts.

#include "stage/speech_bubble.h"
#include "services/shell_state.h"

#include "services/handles.h"
#include "services/window_requests.h"
#include "services/win_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "services/settings.h"
#include "stage/figure_bitmaps.h"
#include "stage/figure_record.h"
#include "stage/overlay_owner.h"
#include "stage/portable/bubble_text.h"
#include "tests/support/bitmap_pixels.h"
#include "tests/support/test_windows.h"

namespace {

HWND MakeWindow(DWORD exStyle, int x, int y, int w, int h) {
  return MakeTestWindow("BubbleTest", DefWindowProcA, exStyle, "", {x, y, x + w, y + h});
}

// A speaker as a figure script sets it up: its object window, the overlay
// window and an overlay bitmap as large as the tallest bubble.
class Speaker {
 public:
  Speaker() {
    AttachWindowRequest(MakeWindow(WS_EX_LAYERED | WS_EX_NOACTIVATE, 0, 0, 10, 10), overlay.request);
    record_ = AllocateFigureRecord();
    record_->objectWindow = MakeWindow(0, 300, 500, 100, 80);
    record_->overlayWindow = overlay.Window();
    record_->overlay = &overlay;
    record_->keyBrush = KeyBrush();
    record_->overlayScreenDC = WindowDC(nullptr);
    record_->overlayDC.reset(CreateCompatibleDC(record_->overlayScreenDC.get()));
    record_->overlayBitmap.reset(CreateCompatibleBitmap(record_->overlayScreenDC.get(), kBubbleWidth, 118));
    record_->overlaySelection = SelectedObject(record_->overlayDC.get(), record_->overlayBitmap.get());
  }
  ~Speaker() {
    KillSpeechBubble(overlay);
    DestroyWindow(record_->objectWindow);
    record_->objectWindow = nullptr;
    UnloadFigure(record_);
    FreeFigureRecord(record_);
    DetachWindowRequest(overlay.Window());
    DestroyWindow(overlay.Window());
    overlay.request.SetWindow(nullptr);
  }
  FigureRecord* record() { return record_; }
  // The speaker's own shell words and overlay, as the shell would hand them.
  ShellState shell;
  Overlay overlay{shell};

  // Rows of the overlay bitmap that differ from the bare bubble of `type`:
  // the rows its text was written into.
  std::vector<int> TextRows(int type) {
    const int height = BubbleHeight(type);
    record_->overlaySelection.reset();
    const std::vector<uint32_t> shown = BitmapPixels(record_->overlayBitmap.get());
    record_->overlaySelection = SelectedObject(record_->overlayDC.get(), record_->overlayBitmap.get());
    const std::vector<uint32_t> bare = BareBubble(type, height);
    std::vector<int> rows;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < kBubbleWidth; ++x) {
        const size_t i = static_cast<size_t>(y) * kBubbleWidth + x;
        if (shown[i] != bare[i]) {
          rows.push_back(y);
          break;
        }
      }
    return rows;
  }

 private:
  // The bubble's bitmap keyed and drawn the way the bubble is, without text.
  std::vector<uint32_t> BareBubble(int type, int height) {
    char name[20];
    std::snprintf(name, sizeof name, "SPRECHBLASE_%02d", type);
    const OwnedBitmap bubble(ResourceBitmap(GetModuleHandleA(nullptr), name, 0, nullptr, 0));
    const OwnedBitmap mask(CreateMask(bubble.get()));
    MakeTransparentBitmap(bubble.get(), mask.get(), RGB(255, 0, 255));
    const OwnedBitmap target(CreateCompatibleBitmap(record_->overlayScreenDC.get(), kBubbleWidth, height));
    {
      const BitmapDC canvas(target.get(), record_->overlayScreenDC.get());
      RECT all = {0, 0, kBubbleWidth, height};
      FillRect(canvas.get(), &all, KeyBrush());
      DrawTransparent(canvas.get(), bubble.get(), mask.get(), {0, 0});
    }
    return BitmapPixels(target.get());
  }

  FigureRecord* record_;
};

TEST(SpeechBubble, RefusesBadTypesBlankTextsAndAnOpenOptionsSheet) {
  FigureRecord* record = AllocateFigureRecord();
  ShellState shell;
  Overlay overlay{shell};
  overlay.bubble.type = 0;
  EXPECT_EQ(ShowSpeechBubble(overlay, record, 7, "Hallo", 10, -90, 20), 0);
  EXPECT_EQ(ShowSpeechBubble(overlay, record, 0, "Hallo", 10, -90, 20), 0);
  EXPECT_EQ(ShowSpeechBubble(overlay, record, 1, "   \t ", 10, -90, 20), 0);
  EXPECT_EQ(ShowSpeechBubble(overlay, record, 1, "Hallo", 10, -90, 0), 0);
  EXPECT_EQ(ShowSpeechBubble(overlay, record, 1, nullptr, 10, -90, 20), 0);
  // A record without windows or bitmaps has nowhere to show it.
  EXPECT_EQ(ShowSpeechBubble(overlay, record, 1, "Hallo", 10, -90, 20), 0);
  EXPECT_EQ(overlay.bubble.type, 0);
  shell.optionsOpen = 1;
  overlay.bubble.type = 3;  // as if one were shown: a new one removes it first
  EXPECT_EQ(ShowSpeechBubble(overlay, record, 1, "Hallo", 10, -90, 20), 0);
  EXPECT_EQ(overlay.bubble.type, 0);
  shell.optionsOpen = 0;
  FreeFigureRecord(record);
}

TEST(SpeechBubble, KillWithoutABubbleOnlyClearsTheType) {
  ShellState shell;
  Overlay overlay{shell};
  overlay.bubble.type = 0;
  KillSpeechBubble(overlay);
  EXPECT_EQ(overlay.bubble.type, 0);
  EXPECT_EQ(BubbleHeight(7), 0) << "no such bubble";
}

// Type 1 centres a line in its text box (rows 2 to 54), type 3 starts it at
// the top of its box (rows 36 to 84); the bubble stands at x and at the
// speaker's top plus y.
TEST(SpeechBubble, ShowsItsTextWhereTheTypeSaysBesideTheSpeaker) {
  Speaker speaker;
  Overlay& overlay = speaker.overlay;
  overlay.bubble.type = 0;
  ASSERT_EQ(ShowSpeechBubble(overlay, speaker.record(), 1, "  Guten Tag!  ", 350, -90, 20), 1);
  EXPECT_EQ(overlay.bubble.type, 1);
  EXPECT_EQ(overlay.bubble.lifetime, 20);
  RECT placed = {};
  GetWindowRect(overlay.Window(), &placed);
  EXPECT_EQ((std::vector<LONG>{placed.left, placed.top, placed.bottom - placed.top}),
            (std::vector<LONG>{350, 500 - 90, 88}));
  std::vector<int> rows = speaker.TextRows(overlay.bubble.type);
  ASSERT_FALSE(rows.empty()) << "no text drawn";
  const int middle = (rows.front() + rows.back()) / 2;
  EXPECT_NEAR(middle, (2 + 54) / 2, 4) << rows.front() << ".." << rows.back();

  ASSERT_EQ(ShowSpeechBubble(overlay, speaker.record(), 3, "Guten Tag!", 350, -90, 20), 1);
  EXPECT_EQ(overlay.bubble.type, 3) << "the new bubble replaced the old one";
  rows = speaker.TextRows(overlay.bubble.type);
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(rows.front(), 36);
  EXPECT_LE(rows.front(), 42) << "the line stands at the top of its box";

  KillSpeechBubble(overlay);
  EXPECT_EQ(overlay.bubble.type, 0);
  EXPECT_FALSE(IsWindowVisible(overlay.Window()));
}

// Far more text than fits: cut to 479 characters, shortened with an
// ellipsis, and clipped at the bottom of the text box.
TEST(SpeechBubble, ALongTextStaysInsideItsBox) {
  Speaker speaker;
  Overlay& overlay = speaker.overlay;
  std::string text;
  while (text.size() < 3000) text += "C:\\Eigene Dateien\\Geburtstage\\Liste ";
  for (int type : {1, 5}) {
    ASSERT_EQ(ShowSpeechBubble(overlay, speaker.record(), type, text.c_str(), 100, -120, 5), 1) << type;
    const std::vector<int> rows = speaker.TextRows(type);
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.back(), type == 1 ? 54 : 58) << type;
  }
}

// Drawing with a path ellipsis writes the shortened text back into the
// bubble's buffer: it must stay inside the buffer, whatever the text.
TEST(SpeechBubble, EllipsisWriteBackStaysInsideTheTextBuffer) {
  const OwnedDC owned(CreateCompatibleDC(nullptr));
  const HDC dc = owned.get();
  const OwnedFont font(CreateFontA(-10, 0, 0, 0, 500, 0, 0, 0, ANSI_CHARSET, OUT_STRING_PRECIS,
                                   CLIP_STROKE_PRECIS, PROOF_QUALITY, VARIABLE_PITCH | FF_SWISS, "Verdana"));
  const SelectedObject selected(dc, font.get());
  const std::string samples[] = {
      std::string(kBubbleTextMax, 'W'),
      std::string(200, 'x') + "\\" + std::string(278, 'y'),
      "\\" + std::string(kBubbleTextMax - 1, 'M'),
      std::string(kBubbleTextMax - 1, 'i') + "\\",
  };
  for (const std::string& sample : samples) {
    struct {
      char text[kBubbleTextCapacity];
      char guard[32];
    } buffer;
    std::memset(buffer.guard, 0x5A, sizeof buffer.guard);
    ASSERT_EQ(PrepareBubbleText(sample.c_str(), buffer.text), sample.size());
    RECT box = {10, 2, 175, 54};
    DrawTextA(dc, buffer.text, -1, &box,
              DT_WORDBREAK | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT);
    EXPECT_LT(strnlen(buffer.text, sizeof buffer.text), sizeof buffer.text);
    for (char c : buffer.guard) ASSERT_EQ(c, 0x5A) << "written past the buffer";
  }
}

// The overlay has one drawing thread. Another thread's bubble is handed to
// it and shown on its next pass, where the speaker stood when it asked; its
// kill is a request too; a draw of the overlay from it is refused and counted.
class OverlayOwner : public ::testing::Test {
 protected:
  void SetUp() override {
    overlay_.bubble.type = 0;
    speaker_.shell.optionsOpen = 0;
    overlay_.Claim(GetCurrentThreadId());
  }
  void TearDown() override {
    ApplyBubbleKillRequest(overlay_);
    KillSpeechBubble(overlay_);
    overlay_.Claim(0);
  }
  template <typename F>
  static void OnAnotherThread(F body) {
    std::thread other(body);
    other.join();
  }
  Speaker speaker_;
  Overlay& overlay_ = speaker_.overlay;
};

TEST_F(OverlayOwner, BubblesOfOtherThreadsAreShownByTheOwnerWhereTheyWereAskedFor) {
  struct Row {
    int type, x, y, height;
  };
  const Row rows[] = {{1, 350, -90, 88}, {4, 20, -40, 88}, {5, 600, -120, 107}, {6, 0, 10, 107}};
  const int refused = overlay_.ForeignDraws();
  for (const Row& row : rows) {
    int accepted = -1;
    OnAnotherThread([&] {
      accepted = ShowSpeechBubble(overlay_, speaker_.record(), row.type, "Guten Tag!", row.x, row.y, 7);
    });
    EXPECT_EQ(accepted, 1) << row.type;
    EXPECT_TRUE(BubbleKillPending(overlay_)) << "the owner has work: " << row.type;
    ApplyBubbleKillRequest(overlay_);
    ASSERT_EQ(overlay_.bubble.type, row.type);
    EXPECT_EQ(overlay_.bubble.lifetime, 7);
    EXPECT_FALSE(BubbleKillPending(overlay_));
    RECT placed = {};
    GetWindowRect(overlay_.Window(), &placed);
    EXPECT_TRUE(IsWindowVisible(overlay_.Window()));
    EXPECT_EQ(
        (std::vector<LONG>{placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top}),
        (std::vector<LONG>{row.x, 500 + row.y, kBubbleWidth, row.height}))
        << row.type;
  }
  EXPECT_EQ(overlay_.ForeignDraws(), refused) << "nothing was drawn off the owner";
}

TEST_F(OverlayOwner, AnotherThreadsKillIsCarriedOutByTheOwner) {
  ASSERT_EQ(ShowSpeechBubble(overlay_, speaker_.record(), 1, "Hallo", 350, -90, 20), 1);
  OnAnotherThread([this] { KillSpeechBubble(overlay_); });
  EXPECT_EQ(overlay_.bubble.type, 1) << "shown until the owner's pass";
  EXPECT_TRUE(IsWindowVisible(overlay_.Window()));
  ApplyBubbleKillRequest(overlay_);
  EXPECT_EQ(overlay_.bubble.type, 0);
  EXPECT_FALSE(IsWindowVisible(overlay_.Window()));

  // Handed over and taken back before the owner's pass: nothing shows.
  OnAnotherThread([this] {
    ShowSpeechBubble(overlay_, speaker_.record(), 2, "Hallo", 350, -90, 20);
    KillSpeechBubble(overlay_);
  });
  ApplyBubbleKillRequest(overlay_);
  EXPECT_EQ(overlay_.bubble.type, 0);
  EXPECT_FALSE(IsWindowVisible(overlay_.Window()));

  // The latest of two handed bubbles is the one shown.
  OnAnotherThread([this] {
    ShowSpeechBubble(overlay_, speaker_.record(), 2, "Eins", 350, -90, 20);
    ShowSpeechBubble(overlay_, speaker_.record(), 3, "Zwei", 350, -90, 20);
  });
  ApplyBubbleKillRequest(overlay_);
  EXPECT_EQ(overlay_.bubble.type, 3);

  // A kill asked for the bubble a newer one replaced leaves the newer one.
  OnAnotherThread([this] { RequestBubbleKill(overlay_); });
  ASSERT_EQ(ShowSpeechBubble(overlay_, speaker_.record(), 4, "Neu", 350, -90, 20), 1);
  ApplyBubbleKillRequest(overlay_);
  EXPECT_EQ(overlay_.bubble.type, 4);
  EXPECT_TRUE(IsWindowVisible(overlay_.Window()));
}

TEST_F(OverlayOwner, RefusesDrawsFromAnotherThread) {
  ASSERT_EQ(ShowSpeechBubble(overlay_, speaker_.record(), 1, "Hallo", 350, -90, 20), 1);
  RECT before = {};
  GetWindowRect(overlay_.Window(), &before);
  const int refused = overlay_.ForeignDraws();
  BOOL pushed = TRUE;
  bool mayDraw = true;
  LayerArgs args = {};
  args.size = {kBubbleWidth, 88};
  args.destination = {10, 10};
  OnAnotherThread([&] {
    pushed = ShowOverlayLayer(speaker_.record(), args);
    mayDraw = overlay_.MayDraw("test");
  });
  EXPECT_FALSE(pushed);
  EXPECT_FALSE(mayDraw);
  EXPECT_EQ(overlay_.ForeignDraws(), refused + 2);
  RECT after = {};
  GetWindowRect(overlay_.Window(), &after);
  EXPECT_TRUE(EqualRect(&before, &after)) << "the refused push moved the window";
  // The owner's own push goes through; with nobody claiming, anyone may.
  EXPECT_TRUE(ShowOverlayLayer(speaker_.record(), args));
  overlay_.Claim(0);
  OnAnotherThread([&] { mayDraw = overlay_.MayDraw("test"); });
  EXPECT_TRUE(mayDraw);
  EXPECT_EQ(overlay_.ForeignDraws(), refused + 2);
}

// At shutdown the window is hidden by whoever waited for the owner, and only
// once the owner ended: a hung owner may still push it.
TEST_F(OverlayOwner, AtShutdownTheWindowIsHiddenOnlyAfterItsOwnerEnded) {
  ASSERT_EQ(ShowSpeechBubble(overlay_, speaker_.record(), 1, "Hallo", 350, -90, 20), 1);
  std::atomic<bool> release{false};
  std::thread owner([&] {
    overlay_.Claim(GetCurrentThreadId());
    for (const DWORD t = GetTickCount(); !release && GetTickCount() - t < 30000;) Sleep(1);
  });
  for (const DWORD t = GetTickCount(); overlay_.OwnedHere() && GetTickCount() - t < 30000;) Sleep(1);
  EXPECT_FALSE(overlay_.OwnedHere()) << "the owner never claimed";
  const int refused = overlay_.ForeignDraws();
  overlay_.HideAfterOwner(false);
  EXPECT_TRUE(IsWindowVisible(overlay_.Window())) << "hidden beside a running owner";
  EXPECT_EQ(overlay_.ForeignDraws(), refused + 1);
  release = true;
  owner.join();
  overlay_.HideAfterOwner(true);
  EXPECT_FALSE(IsWindowVisible(overlay_.Window()));
  EXPECT_TRUE(overlay_.OwnedHere());
  EXPECT_EQ(overlay_.Owner(), GetCurrentThreadId());
  EXPECT_EQ(overlay_.ForeignDraws(), refused + 1);
}

}  // namespace

namespace {

// Two overlays (a test's beside the program's) keep their own bubble words,
// owners, hand-overs and refusal counts, and each reads only the shell words
// it was made with.
TEST(SpeechBubble, TwoOverlaysKeepTheirOwnWordsOwnersAndShells) {
  Speaker first, second;
  second.shell.optionsOpen = 1;
  EXPECT_EQ(ShowSpeechBubble(second.overlay, second.record(), 1, "Hallo", 350, -90, 20), 0)
      << "its sheet is open";
  ASSERT_EQ(ShowSpeechBubble(first.overlay, first.record(), 3, "Hallo", 350, -90, 9), 1) << "another's sheet";
  EXPECT_EQ(first.overlay.bubble.type, 3);
  EXPECT_EQ(first.overlay.bubble.lifetime, 9);
  EXPECT_EQ(second.overlay.bubble.type, 0);
  EXPECT_TRUE(IsWindowVisible(first.overlay.Window()));
  EXPECT_FALSE(IsWindowVisible(second.overlay.Window()));
  second.shell.optionsOpen = 0;

  // The second claimed by another thread: draws from here are refused and
  // counted there alone, and a bubble is handed over to it, not drawn.
  std::thread([&] { second.overlay.Claim(GetCurrentThreadId()); }).join();
  EXPECT_FALSE(second.overlay.OwnedHere());
  EXPECT_TRUE(first.overlay.OwnedHere());
  EXPECT_FALSE(second.overlay.MayDraw("test"));
  EXPECT_EQ(second.overlay.ForeignDraws(), 1);
  EXPECT_EQ(first.overlay.ForeignDraws(), 0);
  EXPECT_EQ(ShowSpeechBubble(second.overlay, second.record(), 2, "Hallo", 350, -90, 20), 1);
  EXPECT_EQ(second.overlay.bubble.type, 0) << "handed over, not shown";
  EXPECT_FALSE(BubbleKillPending(first.overlay)) << "nothing was handed to the first";

  // Its owner shows it; the first's bubble stands until its own kill.
  second.overlay.Claim(GetCurrentThreadId());
  EXPECT_TRUE(BubbleKillPending(second.overlay));
  ApplyBubbleKillRequest(second.overlay);
  EXPECT_EQ(second.overlay.bubble.type, 2);
  EXPECT_EQ(first.overlay.bubble.type, 3);
  KillSpeechBubble(first.overlay);
  EXPECT_EQ(first.overlay.bubble.type, 0);
  EXPECT_EQ(second.overlay.bubble.type, 2);
  EXPECT_TRUE(IsWindowVisible(second.overlay.Window()));
  second.overlay.Claim(0);
}

}  // namespace
