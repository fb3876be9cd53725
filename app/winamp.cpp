#include "app/winamp.h"
#include "services/file_util.h"

#include "services/debug_log.h"

#include <cstring>

namespace {

constexpr LPARAM kIsPlayingQuery = 104;
// What is read of the player's window text: a title cut by it loses the
// program's name at its end, and so reads as none.
constexpr int kWindowTextLimit = 2048;

std::string WinampTitleOf(const char* text) {
  std::string title(std::strlen(text) + 1, '\0');
  ExtractWinampTitle(text, title.data(), static_cast<int>(title.size()));
  title.resize(std::strlen(title.c_str()));
  return title;
}

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

void PlayerControl::ReadTitle() {
  DWORD_PTR answer = 0;
  // Bounded so a hung player cannot stall the main thread.
  const bool answered = window_ && SendMessageTimeoutA(window_, WM_USER, 0, kIsPlayingQuery, SMTO_ABORTIFHUNG,
                                                       answerWaitMs_, &answer);
  // A player only slow to answer (a busy machine) still plays, or not, as at
  // the last read: taking that for "stopped" would drop the user's next press
  // on the musician's bubble. A hung or closed one has stopped.
  if (!answered && window_ && IsWindow(window_) && !IsHungAppWindow(window_)) return;
  title_.clear();
  state_.playing = answered && answer == 1;
  if (!state_.playing) return;
  char text[kWindowTextLimit];
  if (GetWindowTextA(window_, text, sizeof text) > 0) title_ = WinampTitleOf(text);
}

void PlayerControl::Init() {
  state_.playing = 0;
  WriteLogLine("initWinAMP");
  window_ = FindWindowA(windowClass_.c_str(), nullptr);
  if (!window_) return;
  DWORD_PTR ignored;
  SendMessageTimeoutA(window_, WM_USER, 0, 0, SMTO_ABORTIFHUNG, answerWaitMs_, &ignored);
  ReadTitle();
  if (state_.playing) WriteLogLine("WinAMP is playing!");
}

void PlayerControl::Poll() {
  window_ = FindWindowA(windowClass_.c_str(), nullptr);
  if (window_) {
    ReadTitle();
    if (state_.playing) {
      if (state_.TitleEmpty() || lstrcmpiA(title_.c_str(), previousTitle_.c_str()) != 0) {
        previousTitle_ = title_;
        state_.SetTitle(title_.c_str());
        state_.titleChanged = 1;
        state_.titleValid = 1;
      }
    } else {
      state_.SetTitle("");
      state_.titleValid = 0;
    }
  } else {
    state_.SetTitle("");
    state_.titleValid = 0;
    state_.playing = 0;
  }
}

void PlayerControl::SendCommand(int command) {
  // A player started since the last poll (the poll runs only around scenes)
  // still gets the user's command.
  if (!window_ || !IsWindow(window_)) window_ = FindWindowA(windowClass_.c_str(), nullptr);
  if (window_) PostMessageA(window_, WM_COMMAND, command, 0);
}

void PlayerControl::CheckProgram(const char* path) {
  programExists_ = FileExists(path);
}
