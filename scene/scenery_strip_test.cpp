// The scenery strip under Wine with the program's own strips: its passes
// stepped on the test thread, the window it draws, and its thread.

#include "scene/scenery_strip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "scene/figures/strip_pictures.h"
#include "scene/portable/strip_layout.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "services/settings.h"
#include "services/win_util.h"
#include "services/window_requests.h"
#include "stage/portable/layer_surface.h"
#include "tests/support/test_windows.h"

namespace {

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

class SceneryStrip : public ::testing::Test {
 protected:
  void SetUp() override {
    strip_.AttachWindow(MakeTestWindow("StripTest", BackgroundWndProc, WS_EX_LAYERED | WS_EX_NOACTIVATE));
    figures_.active = 1;
    shell_.fullScreenPause = 0;
    settings_.HG = 1;
    for (SettingInt& offset : settings_.HGversatz) offset = 0;
    record = AllocateFigureRecord();
  }
  void TearDown() override {
    strip_.UnloadBitmaps(record);
    FreeFigureRecord(record);
    strip_.DetachWindow();
    DestroyWindow(strip_.Window());
    strip_.requests.window.SetWindow(nullptr);
  }
  RECT StripRect() {
    RECT r = {};
    GetWindowRect(strip_.Window(), &r);
    return r;
  }
  FigureRecord* record = nullptr;
  // The test's own figures' and shell's words and settings, handed to its
  // own strip.
  FigureState figures_;
  ShellState shell_;
  AppSettings settings_;
  BackgroundStrip strip_{figures_, shell_, settings_};
};

TEST_F(SceneryStrip, ChosenStripIsDrawnOnTheWorkAreaBottomAndReplacedWhenChanged) {
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  struct Row {
    int hg, offset;
  };
  for (const Row& row : {Row{1, 0}, Row{5, 300}, Row{6, 2000}}) {
    SCOPED_TRACE(row.hg);
    settings_.HG = row.hg;
    settings_.HGversatz[row.hg] = row.offset;
    strip_.requests.unload = 1;
    strip_.Pass(record);  // unloads the last one and loads this one
    EXPECT_EQ(record->state, 1);
    strip_.Pass(record);
    EXPECT_EQ(record->state, 2);
    BITMAP picture = {};  // pushed from the file's 8 bits a pixel, no copy kept
    EXPECT_TRUE(GetObjectA(record->objectBitmap.get(), sizeof picture, &picture) && picture.bmBitsPixel == 8);
    EXPECT_TRUE(!record->sheets[0] && !record->masks[0]);
    EXPECT_TRUE(IsWindowVisible(strip_.Window()));
    // Padded to whole surface steps, so that Wine keeps its surface.
    const RECT r = StripRect(), want = {0, work.bottom - RoundUpToSurfaceStep(kStripHeights[row.hg - 1]),
                                        RoundUpToSurfaceStep(GetSystemMetrics(SM_CXSCREEN)), work.bottom};
    EXPECT_TRUE(EqualRect(&r, &want)) << r.left << "," << r.top << " " << r.right << "," << r.bottom;
    EXPECT_TRUE(strip_.SurfaceKept());
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
  strip_.requests.window.Set(WindowAction::kHide);
  strip_.Pass(record);
  EXPECT_FALSE(IsWindowVisible(strip_.Window()));
  shell_.fullScreenPause = 0;
  // Switched off: the next unload hides and parks the window, nothing loads.
  settings_.HG = 0;
  strip_.requests.unload = 1;
  strip_.Pass(record);
  strip_.Pass(record);
  EXPECT_TRUE(!record->active && !IsWindowVisible(strip_.Window()) && StripRect().top == 9999);
}

// A missing sheet releases the strip's own record only: the walking
// figure's window stays as it is, and every handle is null afterwards.
TEST_F(SceneryStrip, MissingSheetReleasesOnlyTheStripsRecord) {
  figures_.window.SetWindow(MakeTestWindow("StripTestFigure", PlainProc));
  ShowWindow(figures_.window.Window(), SW_SHOWNOACTIVATE);
  settings_.HG = 7;  // no such strip: its sheet is not found
  EXPECT_EQ(strip_.LoadBitmaps(record, 0), 0);
  EXPECT_TRUE(IsWindowVisible(figures_.window.Window()));
  EXPECT_EQ(record->active, 0);
  EXPECT_TRUE(!record->objectDC && !record->objectScreenDC && !record->sheets[0] && !record->masks[0]);
  // Loaded and unloaded twice: nothing is deleted twice.
  settings_.HG = 2;
  strip_.Pass(record);
  ASSERT_NE(record->objectBitmap.get(), nullptr);
  strip_.UnloadBitmaps(record);
  EXPECT_TRUE(!record->sheets[0] && !record->masks[0] && !record->objectBitmap && !record->objectDC);
  strip_.UnloadBitmaps(record);
  DestroyWindow(figures_.window.Window());
  figures_.window.SetWindow(nullptr);
}

TEST_F(SceneryStrip, AClickLeavesItBehindOtherWindows) {
  strip_.Pass(record);
  strip_.Pass(record);
  HWND other = MakeTestWindow("StripTestOther", PlainProc, 0, "", {0, 0, 40, 40});
  ShowWindow(other, SW_SHOWNOACTIVATE);
  SetWindowPos(strip_.Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(strip_.Window(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  // The window procedure only asks; the strip's own thread restacks it.
  EXPECT_EQ(strip_.requests.window.action.load(), static_cast<int>(WindowAction::kStackBottom));
  strip_.Pass(record);
  EXPECT_EQ(strip_.requests.window.action.load(), static_cast<int>(WindowAction::kNone));
  HWND first = GetTopWindow(nullptr);
  while (first && first != other && first != strip_.Window()) first = GetWindow(first, GW_HWNDNEXT);
  EXPECT_EQ(first, other);
  DestroyWindow(other);
}

// Two strips, each with its own words, settings and window, keep their own
// state: one's requests, picture, place and pause never reach the other, and
// each window procedure finds its own strip.
TEST_F(SceneryStrip, TwoStripsSideBySideKeepTheirOwnState) {
  FigureState otherFigures;
  ShellState otherShell;
  AppSettings otherSettings;
  otherFigures.active = 1;
  otherSettings.HG = 4;
  for (SettingInt& offset : otherSettings.HGversatz) offset = 0;
  otherSettings.HGversatz[4] = 300;
  BackgroundStrip other(otherFigures, otherShell, otherSettings);
  other.AttachWindow(
      MakeTestWindow("StripTestOtherStrip", BackgroundWndProc, WS_EX_LAYERED | WS_EX_NOACTIVATE));
  FigureRecord* otherRecord = AllocateFigureRecord();
  ASSERT_NE(otherRecord, nullptr);
  RelayoutRequest = 0;
  for (int i = 0; i < 3; ++i) {
    strip_.Pass(record);
    other.Pass(otherRecord);
  }
  ASSERT_EQ(record->state, 2);
  ASSERT_EQ(otherRecord->state, 2);
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT mine = StripRect(), theirs = {};
  GetWindowRect(other.Window(), &theirs);
  // Pictures of different heights: each window stands on the work area's
  // bottom at its own strip's.
  EXPECT_EQ(mine.top, work.bottom - RoundUpToSurfaceStep(kStripHeights[0]));
  EXPECT_EQ(theirs.top, work.bottom - RoundUpToSurfaceStep(kStripHeights[3]));
  EXPECT_NE(record->objectBitmap.get(), otherRecord->objectBitmap.get());
  EXPECT_TRUE(strip_.SurfaceKept() && other.SurfaceKept());
  struct Row {
    const char* what;
    std::function<void(bool)> set;
  } rows[] = {
      {"window request",
       [&](bool on) { other.requests.window.Set(on ? WindowAction::kHide : WindowAction::kNone); }},
      {"unload", [&](bool on) { other.requests.unload = on ? 1 : 0; }},
      {"own relayout", [&](bool on) { other.requests.relayout = on ? 1 : 0; }},
      {"push asked for",
       [&](bool on) {
         if (on) other.RequestRepush();
         // Served as the thread would, once its wait is over.
         for (int i = 0; !on && i < 20 && other.QuietMs(otherRecord) != INFINITE; ++i) {
           Sleep(other.QuietMs(otherRecord));
           other.Pass(otherRecord);
         }
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.set(true);
    EXPECT_NE(other.QuietMs(otherRecord), INFINITE);
    EXPECT_EQ(strip_.QuietMs(record), INFINITE) << "the other's request is not this strip's";
    row.set(false);
  }
  // The other's pause and switch are its own.
  otherShell.fullScreenPause = 1;
  otherSettings.HG = 0;
  EXPECT_EQ(other.QuietMs(otherRecord), INFINITE);
  strip_.RequestRepush();
  EXPECT_NE(strip_.QuietMs(record), INFINITE) << "this strip still serves its asks";
  otherShell.fullScreenPause = 0;
  otherSettings.HG = 4;
  // Unloading the other leaves this one loaded and shown.
  other.requests.unload = 1;
  other.Pass(otherRecord);
  EXPECT_EQ(record->state, 2);
  EXPECT_TRUE(record->objectBitmap && IsWindowVisible(strip_.Window()));
  EXPECT_EQ(strip_.requests.unload.load(), 0);
  // A click on a window reaches its own strip only.
  strip_.requests.window.Set(WindowAction::kNone);
  other.requests.window.Set(WindowAction::kNone);
  SendMessageA(other.Window(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(other.requests.window.action.load(), static_cast<int>(WindowAction::kStackBottom));
  EXPECT_EQ(strip_.requests.window.action.load(), static_cast<int>(WindowAction::kNone));
  SendMessageA(strip_.Window(), WM_RBUTTONUP, 0, 0);
  EXPECT_EQ(strip_.requests.window.action.load(), static_cast<int>(WindowAction::kStackBottom));
  strip_.requests.window.Set(WindowAction::kNone);
  EXPECT_EQ(RequestOfWindow(other.Window()), &other.requests.window);
  EXPECT_EQ(RequestOfWindow(strip_.Window()), &strip_.requests.window);

  other.UnloadBitmaps(otherRecord);
  FreeFigureRecord(otherRecord);
  DestroyWindow(other.Window());
}

// The strip's thread asks how long it may wait: not at all (a pass every
// 200 ms) with a request, a relayout, a push asked for or a step under way,
// and else for good: an unchanged strip is not pushed on a timer.
TEST_F(SceneryStrip, TheStripSaysHowLongItsThreadMayWait) {
  RelayoutRequest = 0;
  strip_.requests.relayout = 0;
  strip_.requests.unload = 0;
  strip_.requests.window.Set(WindowAction::kNone);
  strip_.Pass(record);  // loads, and notes the relayouts seen so far
  EXPECT_EQ(strip_.QuietMs(record), 0u) << "shown once, to be pushed again";
  strip_.Pass(record);
  strip_.Pass(record);  // a relayout noted on the way, carried out
  ASSERT_EQ(record->state, 2);
  EXPECT_EQ(strip_.QuietMs(record), INFINITE) << "an unchanged strip waits for a request, not for a timer";
  EXPECT_EQ(strip_.QuietMs(nullptr), 0u);
  // Shown again on request: the same pass pushes its picture, then it waits.
  strip_.requests.window.Set(WindowAction::kShowBottom);
  EXPECT_EQ(strip_.QuietMs(record), 0u);
  strip_.Pass(record);
  EXPECT_EQ(strip_.QuietMs(record), INFINITE);
  // Pushes asked for by windows passing over come at most once a pass
  // length: a second ask right after a push waits for the rest of it.
  strip_.RequestRepush();
  const DWORD wait = strip_.QuietMs(record);
  EXPECT_GE(wait, 1u);
  EXPECT_LE(wait, 200u) << "a push asked for waits a pass length at most";
  // The tick count may step coarser than the sleep: pass as the thread does
  // until the wait is over.
  for (int i = 0; i < 20 && strip_.QuietMs(record) != INFINITE; ++i) {
    Sleep(strip_.QuietMs(record));
    strip_.Pass(record);
  }
  EXPECT_EQ(strip_.QuietMs(record), INFINITE) << "served once its wait was over";

  struct Row {
    const char* what;
    std::function<void(bool)> set;
  } rows[] = {
      {"window request",
       [this](bool on) { strip_.requests.window.Set(on ? WindowAction::kHide : WindowAction::kNone); }},
      {"unload", [this](bool on) { strip_.requests.unload = on ? 1 : 0; }},
      {"own relayout", [this](bool on) { strip_.requests.relayout = on ? 1 : 0; }},
      {"relayout", [](bool on) { RelayoutRequest = on ? 1 : 0; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.set(true);
    EXPECT_EQ(strip_.QuietMs(record), 0u);
    row.set(false);
  }
  // A relayout set and cleared between two passes still counts, once.
  RelayoutRequest = 1;
  RelayoutRequest = 0;
  EXPECT_EQ(strip_.QuietMs(record), 0u);
  strip_.Pass(record);
  strip_.Pass(record);  // the strip's own relayout, carried out
  EXPECT_GT(strip_.QuietMs(record), 0u);

  for (int which : {0, 1}) {
    SCOPED_TRACE(which);
    if (which)
      settings_.HG = 0;
    else
      shell_.fullScreenPause = 1;
    EXPECT_EQ(strip_.QuietMs(record), INFINITE);
    strip_.requests.window.Set(WindowAction::kShowBottom);
    EXPECT_EQ(strip_.QuietMs(record), 0u) << "window requests are served all the same";
    strip_.requests.window.Set(WindowAction::kNone);
    settings_.HG = 1;
    shell_.fullScreenPause = 0;
  }
}

// A window leaving part of the strip gets the strip pushed again whole: a
// figure's window moved by its own layered push leaves part of it without an
// ask, and only a pushed part is painted again. Asks off the strip push
// nothing; the strip shown again pushes too.
TEST_F(SceneryStrip, AnAskPushesTheWholeStrip) {
  RelayoutRequest = 0;
  strip_.requests.relayout = 0;
  strip_.requests.window.Set(WindowAction::kNone);
  strip_.ListUnder(strip_.Window(), nullptr);
  for (int i = 0; i < 3; ++i) strip_.Pass(record);
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
    for (int i = 0; i < 20 && strip_.QuietMs(record) != INFINITE; ++i) {
      Sleep(strip_.QuietMs(record));
      strip_.Pass(record);
    }
    return strip_.QuietMs(record) == INFINITE;
  };
  // An ask beside the strip pushes nothing.
  AskForPushUnder({strip.left + 195, strip.top - 40, strip.left + 215, strip.top});
  EXPECT_EQ(strip_.QuietMs(record), INFINITE);
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
  strip_.requests.window.Set(WindowAction::kShowBottom);
  strip_.Pass(record);
  ASSERT_TRUE(pushedAfterItsWait());
  EXPECT_NE(shows(600), marker) << "shown again: pushed";
  strip_.ListUnder(nullptr, nullptr);
}

// The strip's picture is the file's, with rows of the key above it and
// columns of it right of it: whole surface steps high, and a view of whole
// steps never reads past its right end.
TEST_F(SceneryStrip, ThePictureIsTheFilePaddedToWholeSteps) {
  for (int hg = 1; hg <= kStripCount; ++hg) {
    SCOPED_TRACE(hg);
    settings_.HG = hg;
    strip_.requests.unload = 1;
    strip_.Pass(record);
    ASSERT_EQ(record->state, 1);
    const int fileHeight = kStripHeights[hg - 1], above = RoundUpToSurfaceStep(fileHeight) - fileHeight;
    EXPECT_EQ(record->sheetHeight, RoundUpToSurfaceStep(fileHeight));
    EXPECT_EQ(record->sheetWidth, kStripWidth) << "the view is reckoned in the file's width";
    BITMAP picture = {};
    ASSERT_TRUE(GetObjectA(record->objectBitmap.get(), sizeof picture, &picture));
    EXPECT_EQ(picture.bmBitsPixel, 8);
    EXPECT_GE(picture.bmWidth, RoundUpToSurfaceStep(kStripWidth - 1));
    EXPECT_EQ(picture.bmHeight, record->sheetHeight);
    char name[16];
    std::snprintf(name, sizeof name, "FIG%03d_00", 200 + hg);
    const OwnedBitmap file(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(file);
    const OwnedDC fileDC(CreateCompatibleDC(nullptr));
    const SelectedObject selected(fileDC.get(), file.get());
    HDC padded = record->objectDC.get();
    int same = 0, compared = 0;
    for (int y = 0; y < fileHeight; y += 7)
      for (int x = 0; x < kStripWidth; x += 97, ++compared)
        same += GetPixel(fileDC.get(), x, y) == GetPixel(padded, x, y + above);
    EXPECT_EQ(same, compared) << "the file's pixels, moved down by the rows above";
    EXPECT_EQ(GetPixel(fileDC.get(), kStripWidth - 1, fileHeight - 1),
              GetPixel(padded, kStripWidth - 1, record->sheetHeight - 1));
    for (const POINT p :
         {POINT{0, 0}, POINT{kStripWidth - 1, above - 1}, POINT{kStripWidth, record->sheetHeight - 1},
          POINT{picture.bmWidth - 1, record->sheetHeight - 1}}) {
      if (p.y < 0) continue;  // no rows above
      EXPECT_EQ(GetPixel(padded, p.x, p.y), kKeyColour) << p.x << "," << p.y;
    }
  }
}

// Wine paints a strip whose surface it keeps again by itself where a window
// passing over uncovers it: no push, and the strip's thread does not list it
// for the asks. Seen on the screen: where the other window stood, the strip
// shows what it was last pushed with, not a change made to its picture since.
TEST_F(SceneryStrip, WinePaintsAKeptStripAgainWithoutAPush) {
  for (int i = 0; i < 3; ++i) strip_.Pass(record);
  ASSERT_EQ(record->state, 2);
  ASSERT_TRUE(strip_.SurfaceKept());
  ASSERT_TRUE(IsWindowVisible(strip_.Window()));
  const RECT strip = StripRect();
  const int x = strip.left + 300, y = strip.bottom - 12;  // ground: never the key colour
  const WindowDC screen(nullptr);
  const auto pumpUntil = [](const std::function<bool()>& done) {
    for (int i = 0; i < 100 && !done(); ++i) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return done();
  };
  const COLORREF ground = GetPixel(screen.get(), x, y);
  ASSERT_NE(ground, CLR_INVALID);
  // A change to the strip's picture, not pushed.
  const int sourceX = StripViewFor(record->sheetWidth, 0, GetSystemMetrics(SM_CXSCREEN)).sourceX;
  const OwnedBrush brush(CreateSolidBrush(GetRValue(ground) > 128 ? RGB(0, 0, 0) : RGB(255, 255, 255)));
  const RECT mark = {sourceX + 280, record->sheetHeight - 30, sourceX + 340, record->sheetHeight};
  FillRect(record->objectDC.get(), &mark, brush.get());
  GdiFlush();
  // Another layered window stands on it, then moves away.
  HWND passer = MakeTestWindow("StripTestPasser", PlainProc, WS_EX_LAYERED | WS_EX_NOACTIVATE);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 60, 40, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const OwnedBitmap green(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(green && bits);
  std::fill_n(static_cast<uint32_t*>(bits), 60 * 40, 0x0000E000u);
  const OwnedDC greenDC(CreateCompatibleDC(nullptr));
  const SelectedObject selected(greenDC.get(), green.get());
  const auto pushPasser = [&](POINT at) {
    SIZE size = {60, 40};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {};
    return UpdateLayeredWindow(passer, nullptr, &at, &size, greenDC.get(), &source, kKeyColour, &blend,
                               ULW_COLORKEY);
  };
  // Pushed again once shown: Wine shows a window not of whole steps with a
  // new, blank surface.
  ASSERT_TRUE(pushPasser({x - 30, y - 20}));
  ShowWindow(passer, SW_SHOWNOACTIVATE);
  SetWindowPos(passer, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_TRUE(pushPasser({x - 30, y - 20}));
  const COLORREF passerGreen = RGB(0, 0xE0, 0);
  ASSERT_TRUE(pumpUntil([&] { return GetPixel(screen.get(), x, y) == passerGreen; })) << "the passer shows";
  AskForPushUnder({x - 30, y - 20, x + 30, y + 20});
  EXPECT_EQ(strip_.QuietMs(record), INFINITE) << "not listed: an ask pushes nothing";
  ASSERT_TRUE(pushPasser({x - 30, 0}));  // moved off the strip
  EXPECT_TRUE(pumpUntil([&] { return GetPixel(screen.get(), x, y) == ground; }))
      << "shows " << std::hex << GetPixel(screen.get(), x, y) << " for " << ground;
  DestroyWindow(passer);
}

// A padded strip's window shows without a colour key, cut to the region of
// its view's opaque pixels (Wine shapes a keyed window anew at every paint).
TEST_F(SceneryStrip, TheWindowIsCutToTheViewsOpaquePixels) {
  struct Row {
    int hg, offset;
  };
  for (const Row& row : {Row{1, 0}, Row{4, 700}, Row{6, 2000}}) {
    SCOPED_TRACE(row.hg);
    settings_.HG = row.hg;
    settings_.HGversatz[row.hg] = row.offset;
    strip_.requests.unload = 1;
    strip_.Pass(record);
    strip_.Pass(record);
    ASSERT_EQ(record->state, 2);
    const OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(strip_.Window(), region.get()), COMPLEXREGION);
    const RECT strip = StripRect();
    const int sourceX = StripViewFor(record->sheetWidth, row.offset, GetSystemMetrics(SM_CXSCREEN)).sourceX;
    int agree = 0, opaque = 0, points = 0;
    for (int y = 0; y < strip.bottom - strip.top; y += 3)
      for (int x = 0; x < strip.right - strip.left; x += 5, ++points) {
        const bool solid = GetPixel(record->objectDC.get(), sourceX + x, y) != kKeyColour;
        opaque += solid;
        agree += solid == (PtInRegion(region.get(), x, y) != FALSE);
      }
    EXPECT_EQ(agree, points);
    EXPECT_GT(opaque, points / 4) << "ground and scenery";
    EXPECT_LT(opaque, points) << "sky";
  }
}

}  // namespace
