#pragma once
// The animation thread: one scene at a time, one script call per tick.

#include <windows.h>

#include <functional>
#include <vector>

#include "stage/portable/billboard_side.h"

struct FigureRecord;

// What the animation thread carries besides the walking figure: the
// billboard, and what follows a relayout it passes on (the clock and the
// weather sign come forward). The shell sets them before the thread starts.
struct AnimationParts {
  BillboardLink* billboard = nullptr;
  std::vector<std::function<void()>> afterRelayout;
};
void SetAnimationParts(AnimationParts parts);

// Starts the thread with the parts set; 0 without a billboard.
int StartAnimThread();
HANDLE AnimThreadHandle();
// 1 when a scene may start (no full-screen program, no excluded window, no
// screen saver).
int CanAnimateNow();
// The next scene number (1 to 91).
int ChooseNextScene(BillboardLink& billboard);

// The thread's body with its record allocator and the billboard it carries;
// tests run it directly.
using FigureRecordAllocator = FigureRecord* (*)();
DWORD RunAnimThread(FigureRecordAllocator allocate, BillboardLink& billboard);
