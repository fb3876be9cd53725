#pragma once
// The countdown: days, hours and minutes to a local date and time, and the
// time since once it is reached, with its bubble and sound at the target.
// Built on the desktop object frame (objects/desktop_object.h).

#include <windows.h>

#include <atomic>

#include "objects/portable/countdown_logic.h"
#include "objects/desktop_object.h"

// Requests to the countdown are the words of its DesktopObject (CountdownObject).

// Registers "LunCountdown", makes the countdown's window and starts CountdownThread.
int StartCountdown();
LRESULT CALLBACK CountdownWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
DWORD WINAPI CountdownThread(void*);

void OnCountdownKeyDown(HWND window, WPARAM key);
void OnCountdownButtonDown(HWND window, int x, int y);
void OnCountdownMouseMove(HWND window, int x, int y, WPARAM keys);
void OnCountdownClick(HWND window, int x, int y, WPARAM keys);
void OnCountdownRightClick(HWND window, int x, int y, WPARAM keys);

// The difference between now and CountdownDate; sign below 0 before the
// target. Without noAction it also runs the action at the target (bubble,
// sound, saving the cleared flags, zeros with CountdownStop00). Runs on the
// countdown thread: the bubble is drawn with its record.
void FormatTimeDifference(int* days, int* hours, int* minutes, int* sign, int noAction);
// The target of the CountdownDate setting.
CountdownTarget CurrentCountdownTarget();

// The countdown thread's record work; tests drive them on their own thread.
void BindCountdownRecord(FigureRecord* record);
bool LoadCountdownStrips();
void DeleteCountdownStrips();
int LoadCountdown(FigureRecord* record, int face);
void UpdateCountdown(FigureRecord* record);
void UnloadCountdown(FigureRecord* record);
ObjectPlacement CountdownPlacement();
