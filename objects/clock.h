#pragma once
// The clock: four faces drawn from digit strips, face 1 a recycle bin that
// shows how full the bin is, says so in a bubble and empties it on a right
// click. Built on the desktop object frame (objects/desktop_object.h).

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "objects/desktop_object.h"

// Requests to the clock are the words of its DesktopObject (ClockObject):
// the clock page, the window procedure and the animation thread write them;
// the clock thread reads and clears them.

// What the clock knows of the recycle bin: items over all drives, the state
// (-1 not yet known, 0 empty, 1 some, 2 full) and the ticks until the next
// query (a right click that empties the bin shortens it to 5). The clock's
// thread writes them; the window procedure only shortens the wait.
struct RecycleBinWords {
  std::atomic<int64_t> items{0};
  std::atomic<int> state{-1};
  std::atomic<int> queryTicks{0};
};
// The clock's own words.
RecycleBinWords& ClockRecycleBin();

// Registers "LunClock", makes the clock's window and starts ClockThread.
int StartClock();
LRESULT CALLBACK ClockWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
DWORD WINAPI ClockThread(void*);

void OnClockKeyDown(HWND window, WPARAM key);
void OnClockButtonDown(HWND window, int x, int y);
void OnClockMouseMove(HWND window, int x, int y, WPARAM keys);
void OnClockClick(HWND window, int x, int y, WPARAM keys);
void OnClockRightClick(HWND window, int x, int y, WPARAM keys);

// The clock thread's record work; tests drive them on their own thread after
// BindClockRecord (the strips are the thread's, loaded by LoadClockStrips).
void BindClockRecord(FigureRecord* record);
bool LoadClockStrips();
void DeleteClockStrips();
int LoadClock(FigureRecord* record, int face, int useAlternateModule);
void UpdateClock(FigureRecord* record);
void UnloadClock(FigureRecord* record);
// One pass of the clock thread's loop on `record` (reload request, then a step).
void ClockThreadPass(FigureRecord* record);
// Where the clock stands now (screen) and its face size.
ObjectPlacement ClockPlacement();

// How the clock asks the shell about the recycle bin; tests put in their own.
struct RecycleBinShell {
  // Items in the bin of every drive, or -1 when the shell is too old to say.
  int64_t (*countItems)();
  void (*empty)();
};
void SetRecycleBinShell(const RecycleBinShell* shell);  // nullptr: the real shell
