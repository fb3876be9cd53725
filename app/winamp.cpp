#include "app/winamp.h"
#include "app/desktop.h"
#include "services/file_util.h"

#include "services/debug_log.h"
#include "services/messages.h"
#include "services/settings.h"

#include <cstring>

HWND WinampWindow;
bool WinampExeExists;
char WinampTitle[2048];

namespace {

constexpr LPARAM kIsPlayingQuery = 104;

char previousTitle[2048];

}  // namespace

void ExtractWinampTitle(const char* text, char* title, int size) {
  if (size <= 0) return;
  title[0] = 0;
  const int length = static_cast<int>(std::strlen(text));
  for (int i = length - 8; i >= 0; --i) {
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text + i, 8, "- Winamp", 8) == CSTR_EQUAL) {
      int end = i - 1;  // drop the blank before the dash
      while (end > 0 && text[end - 1] == ' ') --end;
      if (end < 0) end = 0;
      int n = end < size - 1 ? end : size - 1;
      std::memcpy(title, text, n);
      title[n] = 0;
      return;
    }
  }
}

void ReadWinampTitle() {
  PlayerState& player = Desktop().player;
  WinampTitle[0] = 0;
  HWND window = WinampWindow;
  DWORD_PTR answer = 0;
  // Bounded so a hung player cannot stall the main thread.
  if (!window || !SendMessageTimeoutA(window, WM_USER, 0, kIsPlayingQuery, SMTO_ABORTIFHUNG, 500, &answer)) {
    player.playing = 0;
    return;
  }
  player.playing = answer == 1;
  if (!player.playing) return;
  char text[2048];
  if (GetWindowTextA(window, text, sizeof text) > 0) ExtractWinampTitle(text, WinampTitle, sizeof WinampTitle);
}

void InitWinamp() {
  Desktop().player.playing = 0;
  WriteLogLine("initWinAMP");
  WinampWindow = FindWindowA(WINAMP_CLASS, nullptr);
  if (!WinampWindow) return;
  DWORD_PTR ignored;
  SendMessageTimeoutA(WinampWindow, WM_USER, 0, 0, SMTO_ABORTIFHUNG, 500, &ignored);
  ReadWinampTitle();
  if (Desktop().player.playing) WriteLogLine("WinAMP is playing!");
}

void PollWinamp() {
  PlayerState& player = Desktop().player;
  WinampWindow = FindWindowA(WINAMP_CLASS, nullptr);
  if (WinampWindow) {
    ReadWinampTitle();
    if (player.playing) {
      if (player.TitleEmpty() || lstrcmpiA(WinampTitle, previousTitle) != 0) {
        lstrcpynA(previousTitle, WinampTitle, sizeof previousTitle);
        player.SetTitle(WinampTitle);
        player.titleChanged = 1;
        player.titleValid = 1;
      }
    } else {
      player.SetTitle("");
      player.titleValid = 0;
    }
  } else {
    player.SetTitle("");
    player.titleValid = 0;
    player.playing = 0;
  }
}

void SendWinampCommand(int command) {
  // A player started since the last poll (the poll runs only around scenes)
  // still gets the user's command.
  if (!WinampWindow || !IsWindow(WinampWindow)) WinampWindow = FindWindowA(WINAMP_CLASS, nullptr);
  if (WinampWindow) PostMessageA(WinampWindow, WM_COMMAND, command, 0);
}
