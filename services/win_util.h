#pragma once
// Small Windows helpers every layer may use.

#include <windows.h>

// Major version in the high word, minor in the low word; 0 when unknown.
DWORD GetDllVersion(const char* fileName);

// A task-modal message box with the product title over the shell's window.
int ShowErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The program's own module, which holds its resources (dialogs, bitmaps,
// icons, menus): the instance WinMain is given.
inline HINSTANCE ProgramInstance() {
  return GetModuleHandleA(nullptr);
}

// The colour key of every layered window of the program (magenta): what is
// drawn in it shows see-through.
inline constexpr COLORREF kKeyColour = RGB(255, 0, 255);
// The brush of the key colour: the background of every window class of the
// program and what a window is cleared with. Made at its first use and kept
// for the process.
HBRUSH KeyBrush();

// One synthetic mouse input without move or button, so the system looks at
// the cursor again and a lifted object follows it at once.
void NudgeMouse();
