#pragma once
// The clock: four faces drawn from digit strips, face 1 a recycle bin that
// shows how full the bin is, says so in a bubble and empties it on a right
// click. Built on the desktop object frame (objects/desktop_object.h).

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "objects/desktop_object.h"

class ClockHost;

// What the clock knows of the recycle bin: items over all drives, the state
// (-1 not yet known, 0 empty, 1 some, 2 full) and the ticks until the next
// query (a right click that empties the bin shortens it to 5). The clock's
// thread writes them; the window procedure only shortens the wait.
struct RecycleBinWords {
  std::atomic<int64_t> items{0};
  std::atomic<int> state{-1};
  std::atomic<int> queryTicks{0};
};

// Items in the recycle bins of all drives, asked in one query (an empty
// root): a shell that keeps one bin for all drives, as Wine's does, answers
// each drive with all of them. The query is the shell's (SHQueryRecycleBinA)
// or a test's.
using RecycleBinQuery = HRESULT(WINAPI*)(LPCSTR root, SHQUERYRBINFO* info);
int64_t CountRecycleBinItems(RecycleBinQuery query);

// How the clock asks the shell about the recycle bin; tests put in their own.
struct RecycleBinShell {
  // Items in the bin of every drive, or -1 when the shell is too old to say.
  int64_t (*countItems)();
  void (*empty)();
};

// The clock: its window and request words (the clock page, the window
// procedure and the animation thread write them; the clock's thread reads
// and clears them), its host with what it knows of the recycle bin, its digit
// strips and how it asks the shell. Made once by the shell and handed to the
// billboard (kept above the wall), the options sheet, the z-order helpers
// and the shutdown.
class Clock {
 public:
  explicit Clock(const ObjectLinks& links);
  ~Clock();
  Clock(const Clock&) = delete;
  Clock& operator=(const Clock&) = delete;

  DesktopObject& Object() { return object_; }
  RecycleBinWords& RecycleBin();
  void SetRecycleBinShell(const RecycleBinShell* shell);  // nullptr: the real shell

  // Registers "LunClock", makes the clock's window and starts its thread;
  // `threadProc` stands in for the thread in tests (it is handed this clock).
  int Start(LPTHREAD_START_ROUTINE threadProc = nullptr);

  // The window's mouse and keys (its procedure, on the main thread).
  void OnKeyDown(WPARAM key);
  void OnMouseMove(int x, int y, WPARAM keys);
  void OnClick(int x, int y, WPARAM keys);
  void OnRightClick(int x, int y, WPARAM keys);

  // The clock thread's record work; tests drive them on their own thread
  // after Bind (the strips are the thread's, loaded by LoadStrips).
  void Bind(FigureRecord* record);
  bool LoadStrips();
  void DeleteStrips();
  int Load(FigureRecord* record, int face, int useAlternateModule);
  void Update(FigureRecord* record);
  void Unload(FigureRecord* record);
  // One pass of the clock thread's loop on `record` (reload request, then a step).
  void ThreadPass(FigureRecord* record);
  // Where the clock stands now (screen) and its face size.
  ObjectPlacement Placement();
  // Its window's pushes: kept or not, and the regions set.
  const KeptLayer& WindowLayer() const;
  // The clock's thread from start to end.
  DWORD Run();

 private:
  friend class ClockHost;
  const RecycleBinShell& BinShell() const { return *shell_.load(); }

  DesktopObject object_;
  std::atomic<const RecycleBinShell*> shell_;
  DigitStripBitmaps strips_;  // the clock thread's own
  std::unique_ptr<ClockHost> host_;
};

LRESULT CALLBACK ClockWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
