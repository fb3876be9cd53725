#include "app/object_mouse.h"
#include "app/shell_windows.h"

#include "services/app_globals.h"
#include "services/debug_log.h"
#include "objects/desktop_object.h"
#include "services/win_util.h"
#include "services/window_requests.h"
#include "services/messages.h"
#include "services/sound.h"
#include "services/threads.h"
#include "app/winamp.h"
#include "objects/billboard.h"
#include "stage/speech_bubble.h"

#include <cstdlib>

namespace {

bool PosterAtWork() { return BillboardState.posterFigureAtWork != 0; }

// Bubble types of the musician's Winamp bubble.
bool IsWinampBubble(int type) { return type == 5 || type == 6; }

// The figure window covers only what its picture holds and moves with it;
// the figures reckon in the picture's coordinates.
POINT PicturePoint(HWND window, int x, int y) {
  if (window != FigureWindow) return {x, y};
  return {x + FigureWindowOffset.x, y + FigureWindowOffset.y};
}

}  // namespace

void OnObjectMouseDown(HWND window, int windowX, int windowY) {
  if (window == BillboardWindow && PosterAtWork()) return;
  if (FigureHeld) return;
  SetForegroundWindow(window);
  const POINT p = PicturePoint(window, windowX, windowY);
  PressPoint.Set(p.x, p.y);
  SetCapture(window);
}

void OnObjectMouseMove(HWND window, int windowX, int windowY, WPARAM keys) {
  const auto [x, y] = PicturePoint(window, windowX, windowY);
  if (!(keys & MK_LBUTTON)) {
    DragReference.Set(x, y);
    PressPoint.Set(x, y);
    return;
  }
  if (std::abs(x - DragReference.x) <= 2 && std::abs(y - DragReference.y) <= 2) {
    PressPoint.Set(x, y);
    return;
  }
  if (window == BillboardWindow) {
    // The lift wakes the animation thread, which carries the wall.
    const int held = PosterAtWork() ? 0 : 1;
    if (BillboardHeld.exchange(held) != held) WakeWorkers();
  } else {
    FigureHeld = 1;
  }
  NudgeMouse();
  PressPoint.Set(x, y);
}

void OnObjectMouseUp(HWND window, int windowX, int windowY, WPARAM keys) {
  const auto [x, y] = PicturePoint(window, windowX, windowY);
  const WPARAM modifiers = keys & (MK_CONTROL | MK_SHIFT);
  if (window == BillboardWindow) {
    if (!BillboardHeld && !PosterAtWork()) {
      if (modifiers == MK_CONTROL)
        LowerDesktopWindows();
      else if (modifiers == MK_SHIFT)
        SendMessageA(FigureWindow, MSG_SHOW_MENU, 0, 0);
      else
        BillboardClicked = 1;
    }
    ReleaseCapture();
    BillboardHeld = 0;
    WakeWorkers();  // the click or the drop is the animation thread's to serve
    return;
  }
  if (!FigureHeld) {
    if (modifiers == MK_CONTROL) {
      LowerDesktopWindows();
    } else if (modifiers == MK_SHIFT) {
      SendMessageA(FigureWindow, MSG_SHOW_MENU, 0, 0);
    } else {
      if (window == FigureWindow) {
        FigureWindowRequest.Set(WindowAction::kShowTopmost);
        WakeWorkers();
      }
      ObjectClicked = 1;
      if (BubbleType < 5) {
        RequestBubbleKill();
        StopMusic();
      }
      WinampButton = 0;
      if (IsWinampBubble(BubbleType)) OnWinampBubbleClick(x, y);
    }
  }
  ReleaseCapture();
  FigureHeld = 0;
}

void OnObjectRightClick(WPARAM keys) {
  const WPARAM modifiers = keys & (MK_CONTROL | MK_SHIFT);
  SendMessageA(FigureWindow, modifiers == MK_SHIFT ? MSG_SHOW_MENU : MSG_TOGGLE_ACTIVE, 0, 0);
}

void OnBillboardKeyDown(HWND window, WPARAM key) {
  if (window != BillboardWindow || PosterAtWork()) return;
  if (key == VK_LEFT) BillboardNudge = -1;
  if (key == VK_RIGHT) BillboardNudge = 1;
  WakeWorkers();
}

void OnWinampBubbleClick(int x, int y) {
  if (y < 58 || y > 73) return;
  WinampButton = (x >= 6 && x <= 179) ? 7 : 0;
  const bool playing = WinampPlaying != 0;
  struct Button {
    int from, to;
    const char* log;
    int lifetime;         // -1: unchanged
    int command;          // sent while playing, 0 = none
    int buttonPlaying;
    int buttonIdle;
  };
  static const Button buttons[] = {
      {159, 174, "WEITERGEHEN", 0, 0, 9, 9},
      {61, 76, "M_STOP", 0, WINAMP_STOP, 4, 4},
      {27, 42, "M_PLAY", 25, WINAMP_PLAY, 7, 3},
      {44, 59, "M_PAUSE", 0, WINAMP_PAUSE, 8, 3},
      {10, 25, "REWIND", 25, WINAMP_PREV, 7, 1},
      {98, 113, "EJECT", 0, WINAMP_OPEN, 8, 7},
      {78, 93, "FORWARD", 25, WINAMP_NEXT, 7, 5},
  };
  for (const Button& b : buttons) {
    if (x < b.from || x > b.to) continue;
    WriteLogLine("%s", b.log);
    BubbleLifetime = b.lifetime;
    if (playing && b.command) SendWinampCommand(b.command);
    WinampButton = playing ? b.buttonPlaying : b.buttonIdle;
    return;
  }
  // Volume: twice, a moment apart, and only while the player plays.
  const bool quieter = x >= 118 && x <= 133;
  const bool louder = x >= 135 && x <= 150;
  if (!quieter && !louder) return;
  if (playing) {
    const int command = quieter ? WINAMP_QUIETER : WINAMP_LOUDER;
    SendWinampCommand(command);
    Sleep(5);
    SendWinampCommand(command);
    WriteLogLine(quieter ? "WinAMP leiser" : "WinAMP lauter");
    BubbleLifetime = 25;
  }
  WinampButton = 7;
}
