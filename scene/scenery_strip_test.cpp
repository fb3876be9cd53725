// The scenery strip under Wine with the program's own strips: its passes
// stepped on the test thread, the window it draws, and its thread.

#include "scene/scenery_strip.h"

#include <gtest/gtest.h>

#include <functional>

#include "scene/figures/strip_pictures.h"
#include "scene/portable/strip_layout.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "services/settings.h"
#include "services/win_util.h"
#include "services/window_requests.h"
#include "tests/support/test_windows.h"

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

class SceneryStrip : public ::testing::Test {
 protected:
  void SetUp() override {
    AttachWindowRequest(MakeTestWindow("StripTest", BackgroundWndProc, WS_EX_LAYERED | WS_EX_NOACTIVATE),
                        StripRequests.window);
    StripRequests.figures = &figures_;
    StripRequests.shell = &shell_;
    figures_.active = 1;
    shell_.fullScreenPause = 0;
    Settings.HG = 1;
    for (SettingInt& offset : Settings.HGversatz) offset = 0;
    record = AllocateFigureRecord();
  }
  void TearDown() override {
    UnloadBackgroundBitmaps(record);
    FreeFigureRecord(record);
    DetachWindowRequest(StripRequests.window.Window());
    DestroyWindow(StripRequests.window.Window());
    StripRequests.window.SetWindow(nullptr);
    StripRequests.figures = nullptr;
    StripRequests.shell = nullptr;
    Settings.HG = 1;
  }
  RECT StripRect() {
    RECT r = {};
    GetWindowRect(StripRequests.window.Window(), &r);
    return r;
  }
  FigureRecord* record = nullptr;
  // The test's own figures' and shell's words, handed to the strip.
  FigureState figures_;
  ShellState shell_;
};

TEST_F(SceneryStrip, ChosenStripIsDrawnOnTheWorkAreaBottomAndReplacedWhenChanged) {
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  struct Row {
    int hg, offset;
  };
  for (const Row& row : {Row{1, 0}, Row{5, 300}, Row{6, 2000}}) {
    SCOPED_TRACE(row.hg);
    Settings.HG = row.hg;
    Settings.HGversatz[row.hg] = row.offset;
    StripRequests.unload = 1;
    BackgroundStripPass(record);  // unloads the last one and loads this one
    EXPECT_EQ(record->state, 1);
    BackgroundStripPass(record);
    EXPECT_EQ(record->state, 2);
    BITMAP picture = {};  // pushed from the file's 8 bits a pixel, no copy kept
    EXPECT_TRUE(GetObjectA(record->objectBitmap.get(), sizeof picture, &picture) && picture.bmBitsPixel == 8);
    EXPECT_TRUE(!record->sheets[0] && !record->masks[0]);
    EXPECT_TRUE(IsWindowVisible(StripRequests.window.Window()));
    const RECT r = StripRect(), want = {0, work.bottom - kStripHeights[row.hg - 1], GetSystemMetrics(SM_CXSCREEN),
                                        work.bottom};
    EXPECT_TRUE(EqualRect(&r, &want)) << r.left << "," << r.top << " " << r.right << "," << r.bottom;
    // Sky above, ground below, in the strip's own picture.
    EXPECT_EQ(GetPixel(record->objectDC.get(), 5, 0), RGB(255, 0, 255));
    EXPECT_NE(GetPixel(record->objectDC.get(), 5, record->sheetHeight - 1), RGB(255, 0, 255));
    // And on the screen, from the 8-bit picture (offsets within the strip).
    const WindowDC screen(nullptr);
    if (row.offset + GetSystemMetrics(SM_CXSCREEN) <= kStripWidth) {
      EXPECT_EQ(GetPixel(screen.get(), 5, work.bottom - 1),
                GetPixel(record->objectDC.get(), 5 + row.offset, record->sheetHeight - 1));
    }
  }
  // Hides asked for by others are the pass's to carry out, even full screen.
  shell_.fullScreenPause = 1;
  StripRequests.window.Set(WindowAction::kHide);
  BackgroundStripPass(record);
  EXPECT_FALSE(IsWindowVisible(StripRequests.window.Window()));
  shell_.fullScreenPause = 0;
  // Switched off: the next unload hides and parks the window, nothing loads.
  Settings.HG = 0;
  StripRequests.unload = 1;
  BackgroundStripPass(record);
  BackgroundStripPass(record);
  EXPECT_TRUE(!record->active && !IsWindowVisible(StripRequests.window.Window()) && StripRect().top == 9999);
}

// A missing sheet releases the strip's own record only: the walking
// figure's window stays as it is, and every handle is null afterwards.
TEST_F(SceneryStrip, MissingSheetReleasesOnlyTheStripsRecord) {
  figures_.window.SetWindow(MakeTestWindow("StripTestFigure", PlainProc));
  ShowWindow(figures_.window.Window(), SW_SHOWNOACTIVATE);
  Settings.HG = 7;  // no such strip: its sheet is not found
  EXPECT_EQ(LoadBackgroundBitmaps(record, 0), 0);
  EXPECT_TRUE(IsWindowVisible(figures_.window.Window()));
  EXPECT_EQ(record->active, 0);
  EXPECT_TRUE(!record->objectDC && !record->objectScreenDC && !record->sheets[0] && !record->masks[0]);
  // Loaded and unloaded twice: nothing is deleted twice.
  Settings.HG = 2;
  BackgroundStripPass(record);
  ASSERT_NE(record->objectBitmap.get(), nullptr);
  UnloadBackgroundBitmaps(record);
  EXPECT_TRUE(!record->sheets[0] && !record->masks[0] && !record->objectBitmap && !record->objectDC);
  UnloadBackgroundBitmaps(record);
  DestroyWindow(figures_.window.Window());
  figures_.window.SetWindow(nullptr);
}

TEST_F(SceneryStrip, AClickLeavesItBehindOtherWindows) {
  BackgroundStripPass(record);
  BackgroundStripPass(record);
  HWND other = MakeTestWindow("StripTestOther", PlainProc, 0, "", {0, 0, 40, 40});
  ShowWindow(other, SW_SHOWNOACTIVATE);
  SetWindowPos(StripRequests.window.Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(StripRequests.window.Window(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  // The window procedure only asks; the strip's own thread restacks it.
  EXPECT_EQ(StripRequests.window.action.load(), static_cast<int>(WindowAction::kStackBottom));
  BackgroundStripPass(record);
  EXPECT_EQ(StripRequests.window.action.load(), static_cast<int>(WindowAction::kNone));
  HWND first = GetTopWindow(nullptr);
  while (first && first != other && first != StripRequests.window.Window()) first = GetWindow(first, GW_HWNDNEXT);
  EXPECT_EQ(first, other);
  DestroyWindow(other);
}

// The strip's thread asks how long it may wait: not at all (a pass every
// 200 ms) with a request, a relayout, a push asked for or a step under way,
// and else for good: an unchanged strip is not pushed on a timer.
TEST_F(SceneryStrip, TheStripSaysHowLongItsThreadMayWait) {
  RelayoutRequest = 0;
  StripRequests.relayout = 0;
  StripRequests.unload = 0;
  StripRequests.window.Set(WindowAction::kNone);
  BackgroundStripPass(record);  // loads, and notes the relayouts seen so far
  EXPECT_EQ(StripQuietMs(record), 0u) << "shown once, to be pushed again";
  BackgroundStripPass(record);
  BackgroundStripPass(record);  // a relayout noted on the way, carried out
  ASSERT_EQ(record->state, 2);
  EXPECT_EQ(StripQuietMs(record), INFINITE) << "an unchanged strip waits for a request, not for a timer";
  EXPECT_EQ(StripQuietMs(nullptr), 0u);
  // Shown again on request: the same pass pushes its picture, then it waits.
  StripRequests.window.Set(WindowAction::kShowBottom);
  EXPECT_EQ(StripQuietMs(record), 0u);
  BackgroundStripPass(record);
  EXPECT_EQ(StripQuietMs(record), INFINITE);
  // Pushes asked for by windows passing over come at most once a pass
  // length: a second ask right after a push waits for the rest of it.
  RequestStripRepush();
  const DWORD wait = StripQuietMs(record);
  EXPECT_GE(wait, 1u);
  EXPECT_LE(wait, 200u) << "a push asked for waits a pass length at most";
  // The tick count may step coarser than the sleep: pass as the thread does
  // until the wait is over.
  for (int i = 0; i < 20 && StripQuietMs(record) != INFINITE; ++i) {
    Sleep(StripQuietMs(record));
    BackgroundStripPass(record);
  }
  EXPECT_EQ(StripQuietMs(record), INFINITE) << "served once its wait was over";

  struct Row {
    const char* what;
    std::function<void(bool)> set;
  } rows[] = {
      {"window request", [](bool on) { StripRequests.window.Set(on ? WindowAction::kHide : WindowAction::kNone); }},
      {"unload", [](bool on) { StripRequests.unload = on ? 1 : 0; }},
      {"own relayout", [](bool on) { StripRequests.relayout = on ? 1 : 0; }},
      {"relayout", [](bool on) { RelayoutRequest = on ? 1 : 0; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.set(true);
    EXPECT_EQ(StripQuietMs(record), 0u);
    row.set(false);
  }
  // A relayout set and cleared between two passes still counts, once.
  RelayoutRequest = 1;
  RelayoutRequest = 0;
  EXPECT_EQ(StripQuietMs(record), 0u);
  BackgroundStripPass(record);
  BackgroundStripPass(record);  // the strip's own relayout, carried out
  EXPECT_GT(StripQuietMs(record), 0u);

  for (int which : {0, 1}) {
    SCOPED_TRACE(which);
    if (which) Settings.HG = 0;
    else shell_.fullScreenPause = 1;
    EXPECT_EQ(StripQuietMs(record), INFINITE);
    StripRequests.window.Set(WindowAction::kShowBottom);
    EXPECT_EQ(StripQuietMs(record), 0u) << "window requests are served all the same";
    StripRequests.window.Set(WindowAction::kNone);
    Settings.HG = 1;
    shell_.fullScreenPause = 0;
  }
}

// A window leaving part of the strip gets the strip pushed again whole: a
// figure's window moved by its own layered push leaves part of it without an
// ask, and only a pushed part is painted again. Asks off the strip push
// nothing; the strip shown again pushes too.
TEST_F(SceneryStrip, AnAskPushesTheWholeStrip) {
  RelayoutRequest = 0;
  StripRequests.relayout = 0;
  StripRequests.window.Set(WindowAction::kNone);
  ListStripUnder(StripRequests.window.Window(), nullptr);
  for (int i = 0; i < 3; ++i) BackgroundStripPass(record);
  ASSERT_EQ(record->state, 2);
  const RECT strip = StripRect();
  const int y = record->sheetHeight - 10;  // ground: never the key colour
  const WindowDC screen(nullptr);
  const auto shows = [&](int x) { return GetPixel(screen.get(), x + 5, strip.top + y); };
  const COLORREF ground = shows(200);
  // Marks in the strip's picture at three places, not pushed yet (in a
  // colour of its palette far from the ground's).
  const OwnedBrush brush(CreateSolidBrush(GetRValue(ground) > 128 ? RGB(0, 0, 0) : RGB(255, 255, 255)));
  const int sourceX = StripViewFor(record->sheetWidth, 0, GetSystemMetrics(SM_CXSCREEN)).sourceX;
  for (int x : {10, 40, 600}) {
    const RECT mark = {sourceX + x, y - 5, sourceX + x + 10, y + 5};
    FillRect(record->objectDC.get(), &mark, brush.get());
  }
  GdiFlush();
  const COLORREF marker = GetPixel(record->objectDC.get(), sourceX + 605, y);
  ASSERT_NE(marker, ground);
  ASSERT_NE(shows(10), marker);
  ASSERT_NE(shows(600), marker);
  const auto pushedAfterItsWait = [&] {
    for (int i = 0; i < 20 && StripQuietMs(record) != INFINITE; ++i) {
      Sleep(StripQuietMs(record));
      BackgroundStripPass(record);
    }
    return StripQuietMs(record) == INFINITE;
  };
  // An ask beside the strip pushes nothing.
  AskForPushUnder({strip.left + 195, strip.top - 40, strip.left + 215, strip.top});
  EXPECT_EQ(StripQuietMs(record), INFINITE);
  EXPECT_NE(shows(600), marker);
  // Two asks over its left end: the whole strip goes, the mark far from
  // them too, from the view's place in the picture to the same place on
  // the screen.
  AskForPushUnder({strip.left + 5, strip.top + y - 2, strip.left + 25, strip.top + y + 2});
  AskForPushUnder({strip.left + 35, strip.top + y, strip.left + 55, strip.bottom + 40});
  ASSERT_TRUE(pushedAfterItsWait());
  EXPECT_EQ(shows(10), marker);
  EXPECT_EQ(shows(40), marker);
  EXPECT_EQ(shows(600), marker);
  EXPECT_NE(shows(590), marker);
  // Shown again, it pushes once more.
  const RECT unmark = {sourceX + 600, y - 5, sourceX + 610, y + 5};
  FillRect(record->objectDC.get(), &unmark, KeyBrush());
  GdiFlush();
  StripRequests.window.Set(WindowAction::kShowBottom);
  BackgroundStripPass(record);
  ASSERT_TRUE(pushedAfterItsWait());
  EXPECT_NE(shows(600), marker) << "shown again: pushed";
  ListStripUnder(nullptr, nullptr);
}

}  // namespace
