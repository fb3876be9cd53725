#pragma once
// Remote control of the Winamp player through its main window's messages.

#include <windows.h>

#include <string>
#include <utility>

#include "services/player_state.h"

inline constexpr char WINAMP_CLASS[] = "Winamp v1.x";

enum WinampCommand : int {
  WINAMP_PREV = 40044,
  WINAMP_PLAY = 40045,
  WINAMP_PAUSE = 40046,
  WINAMP_STOP = 40047,
  WINAMP_NEXT = 40048,
  WINAMP_OPEN = 40029,
  WINAMP_LOUDER = 40058,
  WINAMP_QUIETER = 40059,
};

// How long the main thread waits for the player's answer.
inline constexpr DWORD kPlayerAnswerWaitMs = 500;

// The player control (the main thread's): the player's window, whether its
// program file is there, the title its window shows and the last title
// handed on. What it learns goes to the `PlayerState` it is made with, which
// the figures read. The shell makes one; tests make their own, with a window
// class of their own (and a wait no busy machine outlasts).
class PlayerControl {
 public:
  explicit PlayerControl(PlayerState& state, std::string windowClass = WINAMP_CLASS,
                         DWORD answerWaitMs = kPlayerAnswerWaitMs)
      : state_(state), windowClass_(std::move(windowClass)), answerWaitMs_(answerWaitMs) {}
  PlayerControl(const PlayerControl&) = delete;
  PlayerControl& operator=(const PlayerControl&) = delete;

  // Looks the player up, wakes it once and reads whether it plays.
  void Init();
  // Whether the player plays and, while it does, the title its window shows.
  void ReadTitle();
  // Looks the player up again and hands a new title on (case does not make
  // one new; an emptied state takes the title again).
  void Poll();
  // Posts a WM_COMMAND to the player, looking its window up when not known.
  void SendCommand(int command);

  // Whether the player's program file exists (looked at when the tray menu
  // is built).
  void CheckProgram(const char* path);
  bool ProgramExists() const { return programExists_; }
  HWND Window() const { return window_; }
  // The title the player's window showed at the last read.
  const std::string& Title() const { return title_; }

 private:
  PlayerState& state_;
  const std::string windowClass_;
  const DWORD answerWaitMs_;
  HWND window_ = nullptr;
  bool programExists_ = false;
  std::string title_;
  std::string previousTitle_;  // the last title handed on
};

// The title in a player window text "12. Artist - Song - Winamp"; empty when
// the text does not end that way.
void ExtractWinampTitle(const char* windowText, char* title, int size);
