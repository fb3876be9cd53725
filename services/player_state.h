#pragma once
// What the shell's player control (app/winamp, the main thread) learns and the
// figures read (the animation thread): whether the player plays and the song
// title. The shell owns one and hands it to the animation thread.

#include <atomic>
#include <mutex>

class PlayerState {
 public:
  std::atomic<int> playing{0};
  std::atomic<int> titleChanged{0};  // a new title; taken by the musician's script
  std::atomic<int> titleValid{0};

  // The song title (255 characters at most, terminated).
  void CopyTitle(char* out, int size) const;
  void SetTitle(const char* title);
  bool TitleEmpty() const;

 private:
  mutable std::mutex mutex_;
  char title_[256] = {};
};
