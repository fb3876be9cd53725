#pragma once
// Mouse and keys on the figure, overlay and billboard windows.

#include <windows.h>

void OnObjectMouseDown(HWND window, int x, int y);
void OnObjectMouseMove(HWND window, int x, int y, WPARAM keys);
void OnObjectMouseUp(HWND window, int x, int y, WPARAM keys);
void OnObjectRightClick(WPARAM keys);
void OnBillboardKeyDown(HWND window, WPARAM key);

// Which button of the musician's bubble lies at (x, y), and its effects.
void OnWinampBubbleClick(int x, int y);
