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
  // The window the left button went down on until it comes up: it holds the
  // capture meanwhile.
  HWND pressed = nullptr;
};

// `window` is one of the shell's `windows` (a test's own window stands for
// an object window).
void OnObjectMouseDown(const ShellWindows& windows, ObjectDrag& drag, HWND window, int x, int y);
void OnObjectMouseMove(const ShellWindows& windows, ObjectDrag& drag, HWND window, int x, int y, WPARAM keys);
// A click on the musician's bubble works the player.
void OnObjectMouseUp(const ShellWindows& windows, ObjectDrag& drag, PlayerControl& player, HWND window, int x,
                     int y, WPARAM keys);
// A press holds the capture until the button comes up. Under Wine the
// capture goes when the X window loses the focus: a window made active by
// the press and then moved by another thread (a painted figure stepping on)
// is mapped anew as a managed one. The button-up would then go to whatever
// lies under the cursor and the figure stay lifted, so a capture lost to no
// other window is taken back (with the foreground, which Wine drops too)
// while the button is down; with the button up by then, the drag ends as a
// drop.
void OnObjectCaptureLost(ObjectDrag& drag, HWND window, HWND taker);
void OnObjectRetakePress(const ShellWindows& windows, ObjectDrag& drag, HWND window);
// Posted by OnObjectCaptureLost to the pressed window.
constexpr UINT MSG_RETAKE_PRESS = 0x8710;
void OnObjectRightClick(const ShellWindows& windows, WPARAM keys);
void OnBillboardKeyDown(const ShellWindows& windows, HWND window, WPARAM key);

// Which button of the musician's bubble lies at (x, y), and its effects.
void OnWinampBubbleClick(int x, int y, PlayerControl& player);
