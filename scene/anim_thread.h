#pragma once
// The animation thread: one scene at a time, one script call per tick.

#include <windows.h>

#include <functional>
#include <vector>

#include "stage/portable/billboard_side.h"

struct FigureRecord;
class PlayerState;
struct FigureState;
struct ShellState;
class Overlay;
struct AppSettings;
class Birthdays;

// What the animation thread carries besides the walking figure: the
// billboard, and what follows a relayout it passes on (the clock and the
// weather sign come forward). The shell sets them before the thread starts.
struct AnimationParts {
  BillboardLink* billboard = nullptr;
  std::vector<std::function<void()>> afterRelayout;
  PlayerState* player = nullptr;   // what the shell's player control learns
  FigureState* figures = nullptr;  // the figures' switch and mouse words
  ShellState* shell = nullptr;     // the full-screen pause, the open options sheet
  Overlay* overlay = nullptr;      // its window and bubble, this thread's to draw
  const AppSettings* settings = nullptr;  // the live settings the thread and its scripts read
  Birthdays* birthdays = nullptr;         // collected once a day, read by the birthday scene
};
void SetAnimationParts(AnimationParts parts);

// Starts the thread with the parts set; 0 when one is missing.
int StartAnimThread();
HANDLE AnimThreadHandle();
// 1 when a scene may start (no full-screen program, no window the settings
// exclude, no screen saver).
int CanAnimateNow(const ShellState& shell, const AppSettings& settings);
// The next scene number (1 to 91).
int ChooseNextScene(BillboardLink& billboard, PlayerState& player, const AppSettings& settings,
                    const Birthdays& birthdays);
struct SceneLinks;

// The thread's body with its record allocator and the billboard it carries;
// tests run it directly.
using FigureRecordAllocator = FigureRecord* (*)();
DWORD RunAnimThread(FigureRecordAllocator allocate, const SceneLinks& links);
