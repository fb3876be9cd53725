#pragma once
// The shell's own state, made once at start-up (WinMain) and handed to the
// main class's windows as they are made: each finds it in its user data
// (ShellOf, app/main_window.h). It lives until the process ends, as the
// desktop parts do: a window's last messages still find it.

#include <windows.h>

#include <string>
#include <utility>

#include "app/app_bar.h"
#include "app/object_mouse.h"
#include "app/shell_windows.h"
#include "app/shutdown.h"
#include "app/tray_icon.h"
#include "app/winamp.h"
#include "services/player_state.h"
#include "services/portable/main_tick.h"

// The figure window's timers.
struct ShellTimers {
  UINT_PTR tray = 0;                // TIMER_TRAY, the icon's refresh, is set
  bool mainTickOn = false;          // TIMER_MAIN_TICK is set
  UINT mainTickPaceMs = 0;          // at this pace
  MayAnimateCheck mayAnimateCheck;  // the time its ticks counted
};

struct Shell {
  // The player control writes what it learns into the figures' player state
  // and looks for the player by its window class (tests use one of their own).
  explicit Shell(PlayerState& playerState, std::string playerClass = WINAMP_CLASS)
      : player(playerState, std::move(playerClass)) {}
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  ShellWindows windows;
  ShellTimers timers;
  TrayIcon tray;  // with its menu
  AppBar appBar;
  PlayerControl player;
  ObjectDrag drag;
  Shutdown shutdown;
};
