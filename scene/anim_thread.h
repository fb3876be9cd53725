#pragma once
// The animation thread: one scene at a time, one script call per tick.

#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>
#include <vector>

#include "services/handles.h"
#include "stage/portable/billboard_side.h"
#include "scene/portable/scene_chooser.h"
#include "scene/scripts/figure_memories.h"

struct FigureRecord;
class PlayerState;
struct FigureState;
struct ShellState;
class Overlay;
struct AppSettings;
class Birthdays;

// What the animation thread carries besides the walking figure: the
// billboard, and what follows a relayout it passes on (the clock and the
// weather sign come forward). The shell hands them to its animation before
// the thread starts.
struct AnimationParts {
  BillboardLink* billboard = nullptr;
  std::vector<std::function<void()>> afterRelayout;
  PlayerState* player = nullptr;          // what the shell's player control learns
  FigureState* figures = nullptr;         // the figures' switch and mouse words
  ShellState* shell = nullptr;            // the full-screen pause, the open options sheet
  Overlay* overlay = nullptr;             // its window and bubble, this thread's to draw
  const AppSettings* settings = nullptr;  // the live settings the thread and its scripts read
  Birthdays* birthdays = nullptr;         // collected once a day, read by the birthday scene
};

using FigureRecordAllocator = FigureRecord* (*)();

// The animation: its parts, its thread, and what the thread keeps from scene
// to scene (the chooser's calls, last slot and play counts, the day the due
// birthdays were last collected, what the figures remember). The shell makes
// one (DesktopParts) and hands it its parts; each test makes its own.
class Animation {
 public:
  Animation() = default;
  explicit Animation(AnimationParts parts) : parts_(std::move(parts)) {}
  Animation(const Animation&) = delete;
  Animation& operator=(const Animation&) = delete;

  // The parts the thread carries; set before it starts.
  void SetParts(AnimationParts parts) { parts_ = std::move(parts); }
  // Starts the thread with the parts set; 0 when one is missing or the
  // thread could not start.
  int Start();
  // The thread's handle, taken once (the shutdown waits for it and closes it).
  OwnedHandle TakeThread() { return OwnedHandle(thread_.exchange(nullptr)); }
  // A test's stand-in for the thread, for the shutdown to wait for.
  void SetThread(HANDLE handle) { thread_.store(handle); }
  // The thread's body with its record allocator (0 at once without all
  // parts); tests run it on a thread of their own.
  DWORD Run(FigureRecordAllocator allocate);
  // The next scene number (1 to 91), counted in this animation's chooser.
  int ChooseNextScene();

  // What the thread keeps; read them while it does not run.
  const ChooserState& Chooser() const { return chooser_; }
  FigureMemories& Memories() { return memories_; }

 private:
  static DWORD WINAPI ThreadProc(void* self);
  bool HasParts() const;

  AnimationParts parts_;
  std::atomic<HANDLE> thread_{nullptr};
  ChooserState chooser_;
  int birthdayDay_ = -1;  // the day of the month the due birthdays were collected
  FigureMemories memories_;
};

// 1 when a scene may start (no full-screen program, no window the settings
// exclude, no screen saver).
int CanAnimateNow(const ShellState& shell, const AppSettings& settings);
