#include "app/winamp.h"
#include "app/file_util.h"

#include "app/debug_log.h"
#include "app/messages.h"
#include "app/settings.h"
#include "app/tray_menu.h"

#include <cstring>
#include <mutex>

HWND WinampWindow;
std::atomic<int> WinampPlaying{0};
std::atomic<int> WinampTitleChanged{0};
std::atomic<int> WinampTitleValid{0};
std::atomic<int> WinampExeExists{0};
char WinampTitle[2048];

namespace {

constexpr LPARAM kIsPlayingQuery = 104;

std::mutex songTitleMutex;  // the musician figure reads it from the animation thread
char songTitle[256];
char previousTitle[2048];

void SetSongTitle(const char* title) {
  std::lock_guard<std::mutex> lock(songTitleMutex);
  lstrcpynA(songTitle, title, sizeof songTitle);
}

bool SongTitleEmpty() {
  std::lock_guard<std::mutex> lock(songTitleMutex);
  return songTitle[0] == 0;
}

}  // namespace

void CopyWinampSongTitle(char* out, int size) {
  std::lock_guard<std::mutex> lock(songTitleMutex);
  lstrcpynA(out, songTitle, size);
}

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
  WinampTitle[0] = 0;
  HWND window = WinampWindow;
  DWORD_PTR answer = 0;
  // Bounded so a hung player cannot stall the main thread.
  if (!window || !SendMessageTimeoutA(window, WM_USER, 0, kIsPlayingQuery, SMTO_ABORTIFHUNG, 500, &answer)) {
    WinampPlaying = 0;
    return;
  }
  WinampPlaying = answer == 1;
  if (!WinampPlaying) return;
  char text[2048];
  if (GetWindowTextA(window, text, sizeof text) > 0) ExtractWinampTitle(text, WinampTitle, sizeof WinampTitle);
}

void InitWinamp() {
  WinampPlaying = 0;
  WriteLogLine("initWinAMP");
  WinampWindow = FindWindowA(WINAMP_CLASS, nullptr);
  if (!WinampWindow) return;
  DWORD_PTR ignored;
  SendMessageTimeoutA(WinampWindow, WM_USER, 0, 0, SMTO_ABORTIFHUNG, 500, &ignored);
  ReadWinampTitle();
  if (WinampPlaying) WriteLogLine("WinAMP is playing!");
}

void PollWinamp() {
  WinampWindow = FindWindowA(WINAMP_CLASS, nullptr);
  if (WinampWindow) {
    ReadWinampTitle();
    if (WinampPlaying) {
      if (SongTitleEmpty() || lstrcmpiA(WinampTitle, previousTitle) != 0) {
        lstrcpynA(previousTitle, WinampTitle, sizeof previousTitle);
        SetSongTitle(WinampTitle);
        WinampTitleChanged = 1;
        WinampTitleValid = 1;
      }
    } else {
      SetSongTitle("");
      WinampTitleValid = 0;
    }
    EnableTrayMenuItem(CMD_WINAMP_START, false);
  } else {
    SetSongTitle("");
    WinampTitleValid = 0;
    WinampPlaying = 0;
    if (WinampExeExists) EnableTrayMenuItem(CMD_WINAMP_START, true);
  }
}

void BuildWinampMenu(HMENU menu, int, int) {
  InitWinamp();
  WinampExeExists = FileExists(Settings.WinampExe.Get().c_str());
  if (Settings.NoWinamp || (!WinampExeExists && !WinampWindow)) {
    RemoveMenu(menu, WINAMP_SUBMENU_POS, MF_BYPOSITION);
    return;
  }
  if (!WinampExeExists) EnableMenuItem(menu, CMD_WINAMP_START, MF_BYCOMMAND | MF_GRAYED);
  MakeOwnerDrawnByPosition(menu, WINAMP_SUBMENU_POS, "Winamp", 10);
  struct Item {
    int id;
    const char* text;
    int bitmap;
  };
  static const Item items[] = {
      {CMD_WINAMP_START, "Winamp starten", 10}, {CMD_WINAMP_PREV, "Zur\xFC" "ck", 11},
      {CMD_WINAMP_PLAY, "Wiedergabe", 12},      {CMD_WINAMP_PAUSE, "Pause", 13},
      {CMD_WINAMP_STOP, "Stopp", 14},           {CMD_WINAMP_NEXT, "Weiter", 15},
      {CMD_WINAMP_OPEN, "\xD6" "ffnen ...", 16},
  };
  for (const Item& item : items) MakeOwnerDrawnById(menu, item.id, item.text, item.bitmap);
}

void SendWinampCommand(int command) {
  if (WinampWindow) PostMessageA(WinampWindow, WM_COMMAND, command, 0);
}
