#pragma once
// Starts the real program and looks at it from outside: its windows, its
// process, the registry.

#include <windows.h>

#include <string>
#include <vector>

#include "services/handles.h"

namespace e2e {

// How long the running program may take to end after a shutdown request.
// Under Wine on a display with no window manager, every window the program
// had activated waits up to 2 s for a withdrawal nobody confirms when it is
// hidden or destroyed; a busy machine adds to that.
constexpr DWORD kProgramExitTimeout = 30000;

// Path of bin\WayluneDesktop.exe, found from this test program's own place.
std::string ProgramPath();
// Another program of the build's bin folder, e.g. "winamp_standin.exe".
std::string BinPath(const char* file);

class Program {
 public:
  explicit Program(const std::string& arguments = "") : Program(ProgramPath(), arguments) {}
  Program(const std::string& exe, const std::string& arguments);
  ~Program();  // ends the process if it still runs
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return static_cast<bool>(process_); }
  DWORD id() const { return processId_; }
  // Waits until the process ended; false on timeout.
  bool WaitForExit(DWORD timeoutMs);
  bool Running() const;
  DWORD ExitCode() const;

 private:
  OwnedHandle process_;
  DWORD processId_ = 0;
};

// Top-level windows of a class owned by a process (0: any process).
std::vector<HWND> WindowsOfClass(const char* className, DWORD processId = 0);

// The program pads the windows of its figures, their bubbles and its wall to
// whole steps of 32 pixels (see-through columns right of the picture, rows
// below it) where Wine then keeps one drawing surface for them; a picture
// reaching off the screen goes unpadded.
inline int PaddedToSteps(int length) {
  return (length + 31) / 32 * 32;
}
// Whether a window rectangle shows a picture of width x height from its
// top-left: the picture's own size, or padded.
inline bool ShowsPicture(const RECT& r, int width, int height) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  return (w == width && h == height) || (w == PaddedToSteps(width) && h == PaddedToSteps(height));
}
// A figure paints a window wider than his picture, which stands anywhere in
// it: one of his drawn pixels in the window's rectangle `r` on the screen
// (his see-through pixels show black on this display), the one nearest the
// middle of all of them. False when fewer than `least` are drawn there.
bool DrawnPixelNearMiddle(const RECT& r, POINT* at, int least = 150);
// Polls until a window of the class appears; null on timeout.
HWND WaitForWindow(const char* className, DWORD processId, DWORD timeoutMs);
// Polls until `check` holds; false on timeout.
template <typename Check>
bool WaitUntil(Check check, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (check()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
}

// Polls until the window's rectangle has not changed for `stillMs` (a window
// that follows the cursor has caught up with it, however late its thread
// runs on a loaded machine) and `check` holds for it; the rectangle goes to
// `rect`. False on timeout.
template <typename Check>
bool WaitUntilStill(HWND window, RECT* rect, Check check, DWORD timeoutMs, DWORD stillMs = 300) {
  RECT last = {};
  DWORD since = GetTickCount();
  bool seen = false;
  return WaitUntil(
      [&] {
        RECT now = {};
        if (!GetWindowRect(window, &now)) return false;
        if (!seen || !EqualRect(&now, &last)) {
          seen = true;
          last = now;
          since = GetTickCount();
          return false;
        }
        *rect = now;
        return GetTickCount() - since >= stillMs && check(now);
      },
      timeoutMs);
}

// The process's visible options sheets (dialog class, caption " Optionen");
// process 0: of any process.
std::vector<HWND> OptionsSheets(DWORD processId = 0);
// Shows the sheet's page holding `control` and returns it, or null.
HWND PageWith(HWND sheet, int control);
// A visible popup menu ("#32768") of the process, or null.
HWND FindPopupMenu(DWORD processId);
// Ends every instance of the program left by an earlier case.
void KillStrayInstances();

// Synthetic mouse input: the cursor to screen (x, y) (extra flags ride
// along), and one button event (MOUSEEVENTF_LEFTDOWN ...).
void MoveMouse(int x, int y, DWORD extra = 0);
void Button(DWORD flag);

// Every command the stand-in player (winamp_standin.exe) has received.
std::vector<int> PlayerCommands(HWND player);

// Registry helpers on HKCU.
bool ReadString(const char* key, const char* value, std::string* out);
void WriteString(const char* key, const char* value, const std::string& data);
void DeleteValue(const char* key, const char* value);
void WriteDword(const char* key, const char* value, DWORD data);

}  // namespace e2e
