#include "services/player_state.h"

#include <windows.h>

void PlayerState::CopyTitle(char* out, int size) const {
  std::lock_guard<std::mutex> lock(mutex_);
  lstrcpynA(out, title_, size);
}

void PlayerState::SetTitle(const char* title) {
  std::lock_guard<std::mutex> lock(mutex_);
  lstrcpynA(title_, title, sizeof title_);
}

bool PlayerState::TitleEmpty() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return title_[0] == 0;
}
