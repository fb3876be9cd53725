#include "services/player_state.h"

#include <windows.h>

#include <mutex>

std::atomic<int> WinampPlaying{0};
std::atomic<int> WinampTitleChanged{0};
std::atomic<int> WinampTitleValid{0};

namespace {

std::mutex songTitleMutex;  // the musician figure reads it from the animation thread
char songTitle[256];

}  // namespace

void CopyWinampSongTitle(char* out, int size) {
  std::lock_guard<std::mutex> lock(songTitleMutex);
  lstrcpynA(out, songTitle, size);
}

void SetWinampSongTitle(const char* title) {
  std::lock_guard<std::mutex> lock(songTitleMutex);
  lstrcpynA(songTitle, title, sizeof songTitle);
}

bool WinampSongTitleEmpty() {
  std::lock_guard<std::mutex> lock(songTitleMutex);
  return songTitle[0] == 0;
}
