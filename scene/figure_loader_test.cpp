// Loading and unloading records with the program's own sheets, and the
// animation thread's start-up failures, under Wine.

#include <gtest/gtest.h>

#include <algorithm>

#include "services/player_state.h"
#include "services/threads.h"
#include "services/window_requests.h"
#include "services/shell_requests.h"
#include "services/win_util.h"
#include "services/handles.h"
#include "services/messages.h"
#include "scene/anim_thread.h"
#include "scene/anim_test_support.h"
#include "scene/gdi_script_host.h"
#include "stage/birthdays.h"
#include "stage/figure_record.h"
#include "stage/figure_state.h"
#include "services/settings.h"
#include "stage/speech_bubble.h"
#include "services/shell_state.h"
#include "scene/figures/fig008_frames.h"
#include "scene/scripts/figure_memories.h"
#include "tests/support/test_windows.h"
#include "services/settings_test_support.h"

namespace {

int shutdownMessages;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == MSG_SHUTDOWN) ++shutdownMessages;
  return DefWindowProcA(window, message, w, l);
}

HWND MakeWindow() {
  return MakeTestWindow("SceneLoaderTest", TestWindowProc);
}

class FigureLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    AttachWindowRequest(MakeWindow(), figures_.window);
    SetShellWindow(figures_.window.Window());  // the shell's stand-in
    AttachWindowRequest(MakeWindow(), overlay_.request);
    ShowWindow(figures_.window.Window(), SW_SHOWNOACTIVATE);
    ShowWindow(overlay_.Window(), SW_SHOWNOACTIVATE);
  }
  void TearDown() override {
    for (WindowRequest* request : {&figures_.window, &overlay_.request}) {
      DetachWindowRequest(request->Window());
      DestroyWindow(request->Window());
      request->SetWindow(nullptr);
    }
    SetShellWindow(nullptr);
  }
  int Load(FigureRecord* record, int number, int sheets) {
    return LoadFigure(record, figures_.window.Window(), overlay_, number, sheets, 0);
  }

  // The test's own figures (their window), shell words and overlay.
  FigureState figures_;
  ShellState shell_;
  Overlay overlay_{shell_};
};

TEST_F(FigureLoader, NoSheetsLoadsWithAZeroSheetSize) {
  FigureRecord* record = AllocateFigureRecord();
  ASSERT_NE(record, nullptr);
  RelayoutRequest = 0;
  EXPECT_EQ(Load(record, 2, 0), 1);
  EXPECT_EQ(record->active, 1);
  EXPECT_EQ(record->number, 2);
  EXPECT_EQ(record->sheetWidth, 0);
  EXPECT_EQ(record->sheetHeight, 0);
  EXPECT_EQ(record->objectWindow, figures_.window.Window());
  EXPECT_NE(record->objectDC.get(), nullptr);
  EXPECT_GT(record->workArea.right, 0);
  EXPECT_EQ(RelayoutRequest, 1);
  UnloadFigure(record);
  EXPECT_EQ(record->active, 0);
  EXPECT_EQ(record->objectDC.get(), nullptr);
  FreeFigureRecord(record);
}

TEST_F(FigureLoader, AMissingSheetUnloadsAndZeroesTheRecord) {
  FigureRecord* record = AllocateFigureRecord();
  // Scene 4 has no figure and no sheet.
  EXPECT_EQ(Load(record, 4, 1), 0);
  EXPECT_EQ(record->active, 0);
  EXPECT_EQ(record->number, 0);
  EXPECT_EQ(record->objectDC.get(), nullptr);
  EXPECT_EQ(record->sheets[0].get(), nullptr);
  // Figure 2 has one sheet: asked for three, the second is missing and the
  // first, already loaded, goes again.
  EXPECT_EQ(Load(record, 2, 3), 0);
  EXPECT_EQ(record->active, 0);
  EXPECT_EQ(record->sheets[0].get(), nullptr);
  EXPECT_EQ(record->masks[0].get(), nullptr);
  EXPECT_EQ(record->objectDC.get(), nullptr);
  FreeFigureRecord(record);
}

TEST_F(FigureLoader, ARealSheetLoadsWithItsMaskAndSize) {
  FigureRecord* record = AllocateFigureRecord();
  ASSERT_EQ(Load(record, 8, 1), 1);
  ASSERT_NE(record->sheets[0].get(), nullptr);
  ASSERT_NE(record->masks[0].get(), nullptr);
  int right = 0, bottom = 0;
  for (const SpriteFrame& f : kFig008Frames) {
    right = std::max(right, f.x + f.w);
    bottom = std::max(bottom, f.y + f.h);
  }
  EXPECT_GE(record->sheetWidth, right);
  EXPECT_GE(record->sheetHeight, bottom);
  BITMAP mask = {};
  GetObjectA(record->masks[0].get(), sizeof mask, &mask);
  EXPECT_EQ(mask.bmBitsPixel, 1);
  EXPECT_EQ(mask.bmWidth, record->sheetWidth);
  // The sheet's corner is key colour: white in the mask, black in the image.
  EXPECT_EQ(GetPixel(BitmapDC(record->masks[0].get()).get(), 0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(GetPixel(BitmapDC(record->sheets[0].get()).get(), 0, 0) & 0xFFFFFF, 0u);
  UnloadFigure(record);
  EXPECT_EQ(record->sheets[0].get(), nullptr);
  FreeFigureRecord(record);
}

TEST_F(FigureLoader, UnloadKeepsSoundChannelsAndClearsTheFigureWindows) {
  FigureRecord* record = AllocateFigureRecord();
  ASSERT_EQ(Load(record, 2, 0), 1);
  record->soundChannel = 17;
  record->secondChannel = 18;
  UnloadFigure(record);
  // Without the sound library nothing is faded, so nothing is remembered.
  EXPECT_EQ(record->soundChannel, 0u);
  EXPECT_FALSE(IsWindowVisible(figures_.window.Window()));
  EXPECT_FALSE(IsWindowVisible(overlay_.Window()));
  FreeFigureRecord(record);
}

TEST_F(FigureLoader, UnloadingAnObjectsRecordLeavesTheFigureWindowsAlone) {
  // Without the overlay, and with it as an object's record carries it for
  // its bubbles: only a record LoadFigure loaded owns the figure windows.
  for (Overlay* carried : {static_cast<Overlay*>(nullptr), &overlay_}) {
    SCOPED_TRACE(carried ? "carrying the overlay" : "no overlay");
    HWND own = MakeWindow();
    FigureRecord* record = AllocateFigureRecord();
    record->objectWindow = own;
    record->overlayWindow = carried ? carried->Window() : nullptr;
    record->overlay = carried;
    record->active = 1;
    record->objectDC.reset(CreateCompatibleDC(WindowDC(nullptr).get()));
    UnloadFigure(record);
    EXPECT_TRUE(IsWindowVisible(figures_.window.Window()));
    EXPECT_TRUE(IsWindowVisible(overlay_.Window()));
    EXPECT_EQ(record->objectDC.get(), nullptr);
    EXPECT_EQ(record->active, 0);
    EXPECT_EQ(record->overlay, nullptr);
    FreeFigureRecord(record);
    DestroyWindow(own);
  }
}

// The script's show of the overlay at a lift carries the figure (no bubble
// shows) until its hide at his drop, or his unload while still lifted.
TEST_F(FigureLoader, TheOverlayCarriesALiftedFigureUntilHisDropOrHisUnload) {
  TestBillboard billboard;
  PlayerState player;
  AppSettings settings;
  Birthdays birthdays;
  FigureMemories memories;
  GdiScriptHost host({billboard, player, figures_, shell_, overlay_, settings, birthdays}, memories);
  FigureRecord* record = AllocateFigureRecord();
  ASSERT_EQ(Load(record, 2, 0), 1);
  for (const bool unload : {false, true}) {
    host.ShowOverlayWindow(*record, true);
    EXPECT_TRUE(overlay_.Carrying());
    unload ? host.UnloadFigure(*record) : host.ShowOverlayWindow(*record, false);
    EXPECT_FALSE(overlay_.Carrying()) << unload;
  }
  FreeFigureRecord(record);
}

TEST_F(FigureLoader, AnimThreadWithoutEitherRecordEndsAndShutsDown) {
  int calls = 0;
  static int* callCount = &calls;
  static int failAt = 0;
  auto allocator = []() -> FigureRecord* {
    return ++*callCount == failAt ? nullptr : AllocateFigureRecord();
  };
  for (int which : {1, 2}) {  // the billboard's record, then the figure's
    TestBillboard billboard;
    billboard.beginWorks = which != 1;
    calls = 0;
    failAt = which == 2 ? 1 : 0;
    shutdownMessages = 0;
    QuitFlag = 0;
    PlayerState player;
    FigureState figures;
    ShellState shell;
    Overlay overlay{shell};
    AppSettings settings;
    Birthdays birthdays;
    Animation animation({&billboard, {}, &player, &figures, &shell, &overlay, &settings, &birthdays});
    EXPECT_EQ(animation.Run(allocator), 0u);
    EXPECT_EQ(calls, 1) << "the figure's record is asked for either way";
    EXPECT_EQ(shutdownMessages, 1) << which;
    EXPECT_EQ(billboard.ends, 1) << which;
  }
}

// The script host keeps the display's size and work area between frames: a
// relayout (which display and work-area changes set) makes it read them
// again at once, and without one it reads them within a second.
TEST(ScriptHostDisplay, TheWorkAreaIsReadAgainAfterARelayoutOrASecond) {
  RECT original = {};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &original, 0));
  TestBillboard billboard;
  PlayerState player;
  FigureState figures;
  ShellState shell;
  Overlay overlay{shell};
  AppSettings settings;
  Birthdays birthdays;
  FigureMemories memories;
  GdiScriptHost host({billboard, player, figures, shell, overlay, settings, birthdays}, memories);
  auto system = [] {
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return SceneRect{area.left, area.top, area.right, area.bottom};
  };
  auto same = [](const SceneRect& a, const SceneRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  };
  RelayoutRequest = 1;
  RelayoutRequest = 0;
  EXPECT_TRUE(same(host.WorkArea(), system()));
  EXPECT_EQ(host.ScreenWidth(), GetSystemMetrics(SM_CXSCREEN));

  struct Row {
    const char* what;
    int shrink;     // pixels taken off the bottom
    bool relayout;  // a relayout is set after the change
    DWORD waitMs;   // before the host is asked
  } rows[] = {
      {"relayout", 40, true, 0},
      {"back, relayout", 0, true, 0},
      {"no relayout, a second later", 25, false, 1100},
      {"back, no relayout, a second later", 0, false, 1100},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    RECT area = original;
    area.bottom -= row.shrink;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &area, 0));
    ASSERT_EQ(system().bottom, area.bottom) << "the work area did not change";
    if (row.relayout) {
      RelayoutRequest = 1;
      RelayoutRequest = 0;
    }
    Sleep(row.waitMs);
    EXPECT_TRUE(same(host.WorkArea(), system()));
  }
  SystemParametersInfoA(SPI_SETWORKAREA, 0, &original, 0);
}

// The figures see the player through the state the shell hands their host:
// playing, a valid title, a new title taken once, the title cut to 255.
TEST(ScriptHostPlayer, ReadsThePlayerStateItIsHanded) {
  TestBillboard billboard;
  PlayerState player, other;
  FigureState figures;
  ShellState shell;
  Overlay overlay{shell};
  AppSettings settings;
  Birthdays birthdays;
  FigureMemories memories;
  GdiScriptHost host({billboard, player, figures, shell, overlay, settings, birthdays}, memories);
  other.playing = 1;
  other.titleValid = 1;
  other.titleChanged = 1;
  other.SetTitle("elsewhere");
  EXPECT_FALSE(host.PlayerPlaying());
  EXPECT_FALSE(host.PlayerTitleValid());
  EXPECT_FALSE(host.TakePlayerTitleChanged());
  EXPECT_EQ(host.PlayerTitle(), "");
  struct Row {
    int playing, valid, changed;
    std::string title;
  } rows[] = {
      {1, 1, 1, "12. Artist - Song"},
      {1, 1, 0, "12. Artist - Song"},
      {0, 0, 0, ""},
      {1, 1, 1, std::string(300, 'x')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.title.size());
    player.playing = row.playing;
    player.titleValid = row.valid;
    player.titleChanged = row.changed;
    player.SetTitle(row.title.c_str());
    EXPECT_EQ(host.PlayerPlaying(), row.playing != 0);
    EXPECT_EQ(host.PlayerTitleValid(), row.valid != 0);
    EXPECT_EQ(host.TakePlayerTitleChanged(), row.changed != 0);
    EXPECT_FALSE(host.TakePlayerTitleChanged()) << "taken once";
    EXPECT_EQ(host.PlayerTitle(), row.title.substr(0, 255));
    EXPECT_EQ(player.TitleEmpty(), row.title.empty());
  }
  EXPECT_EQ(other.titleChanged.load(), 1) << "another player's state is left alone";
}

// The figures' mouse words come from the state handed to the host, never
// from another: a click taken, the hold, the press point.
TEST(ScriptHostFigures, ReadsAndTakesTheFigureWordsItIsHanded) {
  TestBillboard billboard;
  PlayerState player;
  FigureState figures, other;
  ShellState shell;
  Overlay overlay{shell};
  AppSettings settings;
  Birthdays birthdays;
  FigureMemories memories;
  GdiScriptHost host({billboard, player, figures, shell, overlay, settings, birthdays}, memories);
  other.clicked = 1;
  other.held = 1;
  other.press.Set(7, 8);
  EXPECT_FALSE(host.ObjectClicked());
  EXPECT_FALSE(host.FigureHeld());
  struct Row {
    int clicked, held, x, y;
  } rows[] = {{1, 0, 10, 20}, {0, 1, -5, 3}, {1, 1, 0, 0}, {0, 0, 32767, -32768}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.x);
    figures.clicked = row.clicked;
    figures.held = row.held;
    figures.press.Set(row.x, row.y);
    EXPECT_EQ(host.ObjectClicked(), row.clicked != 0);
    EXPECT_EQ(host.FigureHeld(), row.held != 0);
    EXPECT_EQ(host.PressPoint().x, row.x);
    EXPECT_EQ(host.PressPoint().y, row.y);
    host.ClearObjectClicked();
    EXPECT_FALSE(host.ObjectClicked());
  }
  EXPECT_EQ(other.clicked.load(), 1) << "another state's click is left alone";
}

// The options sheet, the bubble's type and its player button come from the
// states handed to the host; the button is taken once.
TEST(ScriptHostShell, ReadsTheShellAndBubbleStatesItIsHanded) {
  TestBillboard billboard;
  PlayerState player;
  FigureState figures;
  ShellState shell;
  Overlay overlay{shell};
  AppSettings settings;
  Birthdays birthdays;
  FigureMemories memories;
  GdiScriptHost host({billboard, player, figures, shell, overlay, settings, birthdays}, memories);
  struct Row {
    int optionsOpen, type, button;
  } rows[] = {{1, 0, 0}, {0, 5, 3}, {1, 6, 1}, {0, 0, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    shell.optionsOpen = row.optionsOpen;
    overlay.bubble.type = row.type;
    overlay.bubble.winampButton = row.button;
    EXPECT_EQ(host.OptionsOpen(), row.optionsOpen != 0);
    EXPECT_EQ(host.BubbleType(), row.type);
    EXPECT_EQ(host.TakeWinampButton(), row.button);
    EXPECT_EQ(host.TakeWinampButton(), 0) << "taken once";
  }
}

// The host reads the speed and the sound options of the settings it is
// handed, never another table's (the program's here).
TEST(ScriptHostSettings, ReadsTheSettingsItIsHanded) {
  TestBillboard billboard;
  PlayerState player;
  FigureState figures;
  ShellState shell;
  Overlay overlay{shell};
  AppSettings settings;
  Birthdays birthdays;
  FigureMemories memories;
  GdiScriptHost host({billboard, player, figures, shell, overlay, settings, birthdays}, memories);
  const int programSpeed = TestSettings().Speed, programOption = TestSettings().SoundOpt[2].Get();
  struct Row {
    int speed, option;
  } rows[] = {{10, 0}, {90, 1}, {55, 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.speed);
    settings.Speed = row.speed;
    settings.SoundOpt[2] = row.option;
    TestSettings().Speed = 100 - row.speed;
    TestSettings().SoundOpt[2] = row.option + 1;
    EXPECT_EQ(host.Speed(), row.speed);
    EXPECT_EQ(host.SoundOption(2), row.option);
  }
  EXPECT_EQ(host.SoundOption(kSoundOptions), 0) << "no such group";
  TestSettings().Speed = programSpeed;
  TestSettings().SoundOpt[2] = programOption;
}

}  // namespace
