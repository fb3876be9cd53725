// Drives a running program for a while the way a restless user would: every
// object's bubble asked for again and again (the clock's bin, the countdown,
// the weather sign), the figure clicked (he stops and tells his text in a
// bubble, a click kills it), lifted, carried and dropped, with the odd
// relayout, raise of everything, lowering, full-screen pause, figures off
// and on, and the options sheet opened and closed between them. The overlay
// window carries every bubble and the lifted figure; only its one drawing
// thread may push, show or hide it (tools/bubble-stress.sh runs this beside
// the program with Wine's heap checks on and reads the program's log).
//   bubble_stress.exe SECONDS [SEED]
// SECONDS (at least) count from the first figure. Prints what it did; exit code 0, 2
// when the program's windows went away, 3 when its main thread stopped
// answering, 4 when it never came up. Clicks are posted to the windows (no
// press: a pressed window is activated, and under Wine without a window
// manager every later hide of an activated window waits 2 s); a lift is a
// move with the button flag, as a drag sends.

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/messages.h"
#include "tests/e2e/program_driver.h"

namespace {

using e2e::WindowsOfClass;

constexpr char kMainClass[] = "Waylune Desktop";
constexpr int kBubbleWidth = 184;

struct Counts {
  int rounds = 0, clock = 0, countdown = 0, weather = 0, figureClicks = 0, lifts = 0, drops = 0;
  int bubblesSeen = 0, bubblesGone = 0, relayouts = 0, raises = 0, lowers = 0, fullScreens = 0, toggles = 0,
      sheets = 0;
};

HWND Visible(const char* className) {
  for (HWND window : WindowsOfClass(className))
    if (IsWindowVisible(window)) return window;
  return nullptr;
}

RECT WorkArea() {
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

// The walking figure's window: shown on the work area's bottom (its padding
// reaches below it by less than a step), at most 128 high (the billboard's
// is 160), not a bubble.
HWND FindFigure() {
  const RECT work = WorkArea();
  for (HWND window : WindowsOfClass(kMainClass)) {
    RECT r;
    if (!IsWindowVisible(window) || !GetWindowRect(window, &r)) continue;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w >= 8 && w != kBubbleWidth && h >= 8 && h <= 128 && r.bottom >= work.bottom &&
        r.bottom <= work.bottom + 36)
      return window;
  }
  return nullptr;
}

bool BubbleShown() {
  for (HWND window : WindowsOfClass(kMainClass)) {
    RECT r;
    if (IsWindowVisible(window) && GetWindowRect(window, &r) && r.right - r.left == kBubbleWidth &&
        (r.bottom - r.top == 88 || r.bottom - r.top == 107))
      return true;
  }
  return false;
}

void ClickUp(HWND window, int x, int y, WPARAM keys = 0) {
  PostMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
}

bool Answers(HWND window, DWORD timeoutMs) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
}

HWND OpenSheet() {
  const std::vector<HWND> sheets = e2e::OptionsSheets();
  return sheets.empty() ? nullptr : sheets.front();
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  std::srand(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : GetTickCount());
  setvbuf(stdout, nullptr, _IONBF, 0);

  HWND clock = nullptr, countdown = nullptr, weather = nullptr;
  if (!e2e::WaitUntil(
          [&] {
            clock = Visible("LunClock");
            countdown = Visible("LunCountdown");
            weather = Visible("LunWeather");
            return clock && countdown && weather;
          },
          60000)) {
    std::printf("not up: clock %d countdown %d weather %d\n", clock != nullptr, countdown != nullptr,
                weather != nullptr);
    return 4;
  }
  const std::vector<HWND> mains = WindowsOfClass(kMainClass);
  if (mains.empty()) return 4;
  HWND main = mains.front();  // hotkeys and the application bar's news reach the shell through any of them

  Counts n;
  HWND figureWindow = nullptr;  // the figure's, once seen: the tray's commands go to it
  HWND lifted = nullptr;        // the window a lift began on
  int liftRounds = 0, fullScreenRounds = 0, offRounds = 0, sheetRounds = 0;
  POINT carry = {};
  bool bubbleBefore = false;
  const DWORD start = GetTickCount();
  DWORD lastSheet = start, lastPause = start, lastOff = start;
  // The time counts from the first figure (a busy machine may be slow to
  // bring him; 45 s at most), the objects are asked from the start.
  DWORD figureSince = 0;
  const auto since = [](DWORD then) { return GetTickCount() - then; };
  const auto note = [&](const char* what) { std::printf("%6lu %s\n", since(start), what); };
  // The time is a least: on a busy machine the rounds are few, and a run ends
  // only once it has seen a bubble come and go and lifted him (45 s more at
  // most, within the script's bound), so that doing too little is the
  // program's, not the scheduler's.
  const auto driving = [&] {
    if (!figureSince) return since(start) < 45000;
    const DWORD least = static_cast<DWORD>(seconds) * 1000;
    const bool enough = n.bubblesSeen > 0 && n.bubblesGone > 0 && n.lifts > 0;
    return since(figureSince) < least || (!enough && since(figureSince) < least + 45000);
  };
  while (driving()) {
    if (!IsWindow(main) || !IsWindow(clock)) {
      note("the program's windows went away");
      return 2;
    }
    if (!Answers(main, 20000)) {
      note("the main thread stopped answering");
      return 3;
    }
    ++n.rounds;
    const bool bubble = BubbleShown();
    if (bubble && !bubbleBefore) ++n.bubblesSeen;
    if (!bubble && bubbleBefore) ++n.bubblesGone;
    bubbleBefore = bubble;
    HWND figure = FindFigure();
    if (figure && !figureSince) {
      note("figure seen");
      figureSince = GetTickCount();
    }
    if (figure) figureWindow = figure;

    // What runs over several rounds: the carried figure, the pause, the sheet.
    if (lifted) {
      carry.x = std::max(40L, std::min(1200L, carry.x + std::rand() % 61 - 30));
      carry.y = std::max(80L, std::min(500L, carry.y + std::rand() % 41 - 20));
      SetCursorPos(carry.x, carry.y);
      if (--liftRounds <= 0) {
        ClickUp(lifted, 20, 20);
        lifted = nullptr;
        ++n.drops;
        note("drop");
      }
    }
    if (fullScreenRounds && --fullScreenRounds == 0) {
      PostMessageA(main, MSG_APPBAR, ABN_FULLSCREENAPP, 0);
      note("full screen off");
    }
    if (offRounds && --offRounds == 0) {
      PostMessageA(main, MSG_TOGGLE_ACTIVE, 0, 0);
      note("figures on");
    }
    if (sheetRounds && --sheetRounds == 0) {
      if (HWND sheet = OpenSheet()) PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
      note("sheet closed");
    }

    const int pick = std::rand() % 100;
    if (pick < 20) {
      ClickUp(clock, 22, 70);  // the bin on face 1
      ++n.clock;
    } else if (pick < 33) {
      ClickUp(countdown, 20, 20);
      ++n.countdown;
    } else if (pick < 46) {
      ClickUp(weather, 40, 40);
      ++n.weather;
    } else if (pick < 66) {
      if (figure && !lifted) {
        RECT r;
        GetWindowRect(figure, &r);
        ClickUp(figure, (r.right - r.left) / 2, (r.bottom - r.top) / 2);
        ++n.figureClicks;
      }
    } else if (pick < 74) {
      if (figure && !lifted) {
        RECT r;
        GetWindowRect(figure, &r);
        const int x = (r.right - r.left) / 2, y = (r.bottom - r.top) / 2;
        carry = {r.left + x, r.top + y - 40};
        SetCursorPos(carry.x, carry.y);
        PostMessageA(figure, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        PostMessageA(figure, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y - 40));
        lifted = figure;
        liftRounds = 5 + std::rand() % 25;
        ++n.lifts;
        note("lift");
      }
    } else if (pick < 78) {
      PostMessageA(main, MSG_APPBAR, ABN_POSCHANGED, 0);
      ++n.relayouts;
    } else if (pick < 82) {
      PostMessageA(main, WM_HOTKEY, HK_FRONT, 0);
      ++n.raises;
    } else if (pick < 84) {
      ClickUp(clock, 60, 20, MK_CONTROL);  // lowers every desktop window
      ++n.lowers;
    } else if (pick < 85) {
      // The pause and the figures off end a scene: seldom.
      if (!fullScreenRounds && since(lastPause) > 8000) {
        PostMessageA(main, MSG_APPBAR, ABN_FULLSCREENAPP, 1);
        fullScreenRounds = 5 + std::rand() % 15;
        lastPause = GetTickCount();
        ++n.fullScreens;
        note("full screen on");
      }
    } else if (pick < 86) {
      if (!offRounds && !lifted && since(lastOff) > 8000) {
        PostMessageA(main, MSG_TOGGLE_ACTIVE, 0, 0);
        offRounds = 5 + std::rand() % 15;
        lastOff = GetTickCount();
        ++n.toggles;
        note("figures off");
      }
    } else if (pick < 87) {
      // Seldom: the sheet makes its owner a window Wine manages.
      if (!sheetRounds && figureWindow && since(lastSheet) > 15000) {
        PostMessageA(figureWindow, WM_COMMAND, CMD_OPTIONS, 0);
        sheetRounds = 15 + std::rand() % 15;
        lastSheet = GetTickCount();
        ++n.sheets;
        note("sheet opened");
      }
    }
    Sleep(40 + std::rand() % 60);
  }
  // Everything put back as the user would leave it.
  if (lifted) ClickUp(lifted, 20, 20);
  if (fullScreenRounds) PostMessageA(main, MSG_APPBAR, ABN_FULLSCREENAPP, 0);
  if (offRounds) PostMessageA(main, MSG_TOGGLE_ACTIVE, 0, 0);
  if (sheetRounds) {
    e2e::WaitUntil([] { return OpenSheet() != nullptr; }, 5000);
    if (HWND sheet = OpenSheet()) PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
  }
  const bool answers = Answers(main, 20000);
  std::printf(
      "rounds %d clock %d countdown %d weather %d figure-clicks %d lifts %d drops %d bubbles-seen %d "
      "bubbles-gone %d relayouts %d raises %d lowers %d full-screens %d figures-off %d sheets %d answers "
      "%d\n",
      n.rounds, n.clock, n.countdown, n.weather, n.figureClicks, n.lifts, n.drops, n.bubblesSeen,
      n.bubblesGone, n.relayouts, n.raises, n.lowers, n.fullScreens, n.toggles, n.sheets, answers ? 1 : 0);
  return answers ? 0 : 3;
}
