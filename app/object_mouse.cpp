#include "app/object_mouse.h"

#include "stage/figure_state.h"
#include "stage/billboard_state.h"
#include "services/debug_log.h"
#include "objects/desktop_object.h"
#include "services/win_util.h"
#include "services/window_requests.h"
#include "services/messages.h"
#include "services/sound.h"
#include "services/threads.h"
#include "app/desktop.h"
#include "app/winamp.h"
#include "objects/billboard.h"
#include "stage/speech_bubble.h"

#include <cstdlib>

namespace {

// The billboard's words: the shell's mouse on the wall writes them.
BillboardStateBlock& Wall() {
  return Desktop().billboard.State();
}

bool PosterAtWork() {
  return Wall().posterFigureAtWork != 0;
}

bool LeftButtonDown() {
  // The physical button that acts as the left one.
  return GetAsyncKeyState(GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON) < 0;
}

// Bubble types of the musician's Winamp bubble.
bool IsWinampBubble(int type) {
  return type == 5 || type == 6;
}

// The figure window covers only what its picture holds and moves with it;
// the figures reckon in the picture's coordinates.
POINT PicturePoint(const ShellWindows& windows, HWND window, int x, int y) {
  if (window != windows.figure) return {x, y};
  return {x + Desktop().figures.windowOffset.x, y + Desktop().figures.windowOffset.y};
}

}  // namespace

void OnObjectMouseDown(const ShellWindows& windows, ObjectDrag& drag, HWND window, int windowX, int windowY) {
  if (window == windows.billboard && PosterAtWork()) return;
  if (Desktop().figures.held) return;
  SetForegroundWindow(window);
  const POINT p = PicturePoint(windows, window, windowX, windowY);
  Desktop().figures.press.Set(p.x, p.y);
  SetCapture(window);
  drag.pressed = window;
}

void OnObjectMouseMove(const ShellWindows& windows, ObjectDrag& drag, HWND window, int windowX, int windowY,
                       WPARAM keys) {
  const auto [x, y] = PicturePoint(windows, window, windowX, windowY);
  if (!(keys & MK_LBUTTON)) {
    drag.reference = {x, y};
    Desktop().figures.press.Set(x, y);
    return;
  }
  if (std::abs(x - drag.reference.x) <= 2 && std::abs(y - drag.reference.y) <= 2) {
    Desktop().figures.press.Set(x, y);
    return;
  }
  if (window == windows.billboard) {
    // The lift wakes the animation thread, which carries the wall.
    const int held = PosterAtWork() ? 0 : 1;
    if (Wall().held.exchange(held) != held) WakeWorkers();
  } else {
    Desktop().figures.held = 1;
  }
  NudgeMouse();
  Desktop().figures.press.Set(x, y);
}

void OnObjectMouseUp(const ShellWindows& windows, ObjectDrag& drag, PlayerControl& player, HWND window,
                     int windowX, int windowY, WPARAM keys) {
  const auto [x, y] = PicturePoint(windows, window, windowX, windowY);
  const WPARAM modifiers = keys & (MK_CONTROL | MK_SHIFT);
  if (window == windows.billboard) {
    if (!Wall().held && !PosterAtWork()) {
      if (modifiers == MK_CONTROL)
        LowerDesktopWindows(DesktopObjectWindows());
      else if (modifiers == MK_SHIFT)
        SendMessageA(windows.figure, MSG_SHOW_MENU, 0, 0);
      else
        Wall().clicked = 1;
    }
    drag.pressed = nullptr;
    ReleaseCapture();
    Wall().held = 0;
    WakeWorkers();  // the click or the drop is the animation thread's to serve
    return;
  }
  if (!Desktop().figures.held) {
    if (modifiers == MK_CONTROL) {
      LowerDesktopWindows(DesktopObjectWindows());
    } else if (modifiers == MK_SHIFT) {
      SendMessageA(windows.figure, MSG_SHOW_MENU, 0, 0);
    } else {
      if (window == windows.figure) {
        Desktop().figures.window.Set(WindowAction::kShowTopmost);
        WakeWorkers();
      }
      Desktop().figures.clicked = 1;
      if (Desktop().overlay.bubble.type < 5) {
        RequestBubbleKill(Desktop().overlay);
        StopMusic();
      }
      Desktop().overlay.bubble.winampButton = 0;
      if (IsWinampBubble(Desktop().overlay.bubble.type)) OnWinampBubbleClick(x, y, player);
    }
  }
  drag.pressed = nullptr;
  ReleaseCapture();
  Desktop().figures.held = 0;
}

void OnObjectCaptureLost(ObjectDrag& drag, HWND window, HWND taker) {
  // Another window took it on purpose: the press is its business now.
  if (window != drag.pressed || taker) return;
  // Taken back once whatever cancelled it is done (Wine drops the
  // foreground after the cancel, and the X window may be mapped anew).
  PostMessageA(window, MSG_RETAKE_PRESS, 0, 0);
}

void OnObjectRetakePress(const ShellWindows& windows, ObjectDrag& drag, HWND window) {
  if (window != drag.pressed || GetCapture() == window) return;
  if (!LeftButtonDown()) {
    // The button came up where we could not see it: a drop, not a click.
    drag.pressed = nullptr;
    if (window == windows.billboard) {
      if (Wall().held.exchange(0)) WakeWorkers();
    } else {
      Desktop().figures.held = 0;
    }
    return;
  }
  SetForegroundWindow(window);
  SetCapture(window);
}

void OnObjectRightClick(const ShellWindows& windows, WPARAM keys) {
  const WPARAM modifiers = keys & (MK_CONTROL | MK_SHIFT);
  SendMessageA(windows.figure, modifiers == MK_SHIFT ? MSG_SHOW_MENU : MSG_TOGGLE_ACTIVE, 0, 0);
}

void OnBillboardKeyDown(const ShellWindows& windows, HWND window, WPARAM key) {
  if (window != windows.billboard || PosterAtWork()) return;
  if (key == VK_LEFT) Wall().nudge = -1;
  if (key == VK_RIGHT) Wall().nudge = 1;
  WakeWorkers();
}

void OnWinampBubbleClick(int x, int y, PlayerControl& player) {
  if (y < 58 || y > 73) return;
  Desktop().overlay.bubble.winampButton = (x >= 6 && x <= 179) ? 7 : 0;
  const bool playing = Desktop().player.playing != 0;
  struct Button {
    int from, to;
    const char* log;
    int lifetime;  // -1: unchanged
    int command;   // sent while playing, 0 = none
    int buttonPlaying;
    int buttonIdle;
  };
  static const Button buttons[] = {
      {159, 174, "WEITERGEHEN", 0, 0, 9, 9},      {61, 76, "M_STOP", 0, WINAMP_STOP, 4, 4},
      {27, 42, "M_PLAY", 25, WINAMP_PLAY, 7, 3},  {44, 59, "M_PAUSE", 0, WINAMP_PAUSE, 8, 3},
      {10, 25, "REWIND", 25, WINAMP_PREV, 7, 1},  {98, 113, "EJECT", 0, WINAMP_OPEN, 8, 7},
      {78, 93, "FORWARD", 25, WINAMP_NEXT, 7, 5},
  };
  for (const Button& b : buttons) {
    if (x < b.from || x > b.to) continue;
    WriteLogLine("%s", b.log);
    Desktop().overlay.bubble.lifetime = b.lifetime;
    if (playing && b.command) player.SendCommand(b.command);
    Desktop().overlay.bubble.winampButton = playing ? b.buttonPlaying : b.buttonIdle;
    return;
  }
  // Volume: twice, a moment apart, and only while the player plays.
  const bool quieter = x >= 118 && x <= 133;
  const bool louder = x >= 135 && x <= 150;
  if (!quieter && !louder) return;
  if (playing) {
    const int command = quieter ? WINAMP_QUIETER : WINAMP_LOUDER;
    player.SendCommand(command);
    Sleep(5);
    player.SendCommand(command);
    WriteLogLine(quieter ? "WinAMP leiser" : "WinAMP lauter");
    Desktop().overlay.bubble.lifetime = 25;
  }
  Desktop().overlay.bubble.winampButton = 7;
}
