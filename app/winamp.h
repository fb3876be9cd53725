#pragma once
// Remote control of the Winamp player through its main window's messages.

#include <windows.h>

#include <atomic>

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

extern HWND WinampWindow;
extern bool WinampExeExists;  // the main thread's own
extern char WinampTitle[2048];

void InitWinamp();
void ReadWinampTitle();
void PollWinamp();
// Sends a WM_COMMAND to the player, looking its window up when not known.
void SendWinampCommand(int command);

// The title in a player window text "12. Artist - Song - Winamp"; empty when
// the text does not end that way.
void ExtractWinampTitle(const char* windowText, char* title, int size);
