// A stand-in for the media player that the program remote-controls: a
// window of the player's class whose title carries the song, answering the
// "are you playing" query and recording every command it receives.
//
//   winamp_standin.exe [playing|stopped]
//
// Tests read what it got with WM_APP + 1 (number of commands received) and
// WM_APP + 2 (wParam n: the n-th command, 0 when there is none).

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr UINT kQueryPlaying = 104;
std::vector<int> commands;
int state = 1;  // 0 stopped, 1 playing, 3 paused
int track = 1;
int volume = 128;

void UpdateTitle(HWND window) {
  char title[256];
  if (state == 0)
    std::snprintf(title, sizeof title, "Winamp");
  else
    std::snprintf(title, sizeof title, "%d. Test Artist - Song Number %d - Winamp", track, track);
  SetWindowTextA(window, title);
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_USER:
      if (lParam == kQueryPlaying) return state;
      return 0;
    case WM_COMMAND:
      commands.push_back(LOWORD(wParam));
      switch (LOWORD(wParam)) {
        case 40044:
          track = track > 1 ? track - 1 : 1;
          break;
        case 40045:
          state = 1;
          break;
        case 40046:
          state = state == 3 ? 1 : 3;
          break;
        case 40047:
          state = 0;
          break;
        case 40048:
          ++track;
          break;
        case 40058:
          volume = volume < 255 ? volume + 1 : 255;
          break;
        case 40059:
          volume = volume > 0 ? volume - 1 : 0;
          break;
        default:
          break;
      }
      UpdateTitle(window);
      return 0;
    case WM_APP + 1:
      return static_cast<LRESULT>(commands.size());
    case WM_APP + 2:
      return wParam < commands.size() ? commands[wParam] : 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "stopped") == 0) state = 0;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "Winamp v1.x";
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowExA(0, "Winamp v1.x", "", WS_OVERLAPPEDWINDOW, 0, 0, 275, 116, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  if (!window) return 1;
  UpdateTitle(window);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
