#pragma once
// The shell's own state, made once at start-up (WinMain) and handed to the
// main class's windows as they are made: each finds it in its user data
// (ShellOf, app/main_window.h). It lives until the process ends, as the
// desktop parts do: a window's last messages still find it.

#include "app/winamp.h"
#include "services/player_state.h"

#include <string>
#include <utility>

struct Shell {
  // The player control writes what it learns into the figures' player state
  // and looks for the player by its window class (tests use one of their own).
  explicit Shell(PlayerState& playerState, std::string playerClass = WINAMP_CLASS)
      : player(playerState, std::move(playerClass)) {}
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  PlayerControl player;
};
