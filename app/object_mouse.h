#pragma once
// Mouse and keys on the figure, overlay and billboard windows.

#include <windows.h>

class PlayerControl;

void OnObjectMouseDown(HWND window, int x, int y);
void OnObjectMouseMove(HWND window, int x, int y, WPARAM keys);
// A click on the musician's bubble works the player.
void OnObjectMouseUp(HWND window, int x, int y, WPARAM keys, PlayerControl& player);
void OnObjectRightClick(WPARAM keys);
void OnBillboardKeyDown(HWND window, WPARAM key);

// Which button of the musician's bubble lies at (x, y), and its effects.
void OnWinampBubbleClick(int x, int y, PlayerControl& player);
