#pragma once
// Mouse and keys on the figure, overlay and billboard windows.

#include <windows.h>

#include "app/shell_windows.h"

class PlayerControl;

// The drag's own state (the main thread's): where the mouse last moved with
// no button down; a press that moves no more than 2 pixels from it is no
// drag yet. The shell owns one; tests make their own.
struct ObjectDrag {
  POINT reference = {};
};

// `window` is one of the shell's `windows` (a test's own window stands for
// an object window).
void OnObjectMouseDown(const ShellWindows& windows, HWND window, int x, int y);
void OnObjectMouseMove(const ShellWindows& windows, ObjectDrag& drag, HWND window, int x, int y, WPARAM keys);
// A click on the musician's bubble works the player.
void OnObjectMouseUp(const ShellWindows& windows, PlayerControl& player, HWND window, int x, int y,
                     WPARAM keys);
void OnObjectRightClick(const ShellWindows& windows, WPARAM keys);
void OnBillboardKeyDown(const ShellWindows& windows, HWND window, WPARAM key);

// Which button of the musician's bubble lies at (x, y), and its effects.
void OnWinampBubbleClick(int x, int y, PlayerControl& player);
