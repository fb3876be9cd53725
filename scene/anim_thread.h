#pragma once
// The animation thread: one scene at a time, one script call per tick.

#include <windows.h>

struct FigureRecord;

int StartAnimThread();
HANDLE AnimThreadHandle();
// 1 when a scene may start (no full-screen program, no excluded window, no
// screen saver).
int CanAnimateNow();
// The next scene number (1 to 91).
int ChooseNextScene();

// The thread's body with its record allocator; tests run it directly.
using FigureRecordAllocator = FigureRecord* (*)();
DWORD RunAnimThread(FigureRecordAllocator allocate);
