#pragma once
// What the shell's player control (app/winamp) learns and the figures read:
// whether the player plays and the song title.

#include <atomic>

extern std::atomic<int> WinampPlaying;
extern std::atomic<int> WinampTitleChanged;
extern std::atomic<int> WinampTitleValid;

// The song title for the musician figure (256 chars, terminated).
void CopyWinampSongTitle(char* out, int size);
void SetWinampSongTitle(const char* title);
bool WinampSongTitleEmpty();
