#pragma once
// The countdown: days, hours and minutes to a local date and time, and the
// time since once it is reached, with its bubble and sound at the target.
// Built on the desktop object frame (objects/desktop_object.h).

#include <windows.h>

#include <atomic>
#include <memory>

#include "objects/portable/countdown_logic.h"
#include "objects/desktop_object.h"

class CountdownHost;

// The countdown: its window and request words (the countdown page, the
// window procedure and the animation thread write them; its thread reads and
// clears them), its host and digit strips. Made once by the shell and handed
// to the options sheet, the z-order helpers and the shutdown.
class Countdown {
 public:
  explicit Countdown(const ObjectLinks& links);
  ~Countdown();
  Countdown(const Countdown&) = delete;
  Countdown& operator=(const Countdown&) = delete;

  DesktopObject& Object() { return object_; }

  // Registers "LunCountdown", makes the countdown's window and starts its
  // thread; `threadProc` stands in for the thread in tests (handed this countdown).
  int Start(LPTHREAD_START_ROUTINE threadProc = nullptr);

  // The window's mouse and keys (its procedure, on the main thread).
  void OnKeyDown(WPARAM key);
  void OnMouseMove(int x, int y, WPARAM keys);
  void OnClick(WPARAM keys);

  // The difference between now and CountdownDate; sign below 0 before the
  // target. Without noAction it also runs the action at the target (bubble,
  // sound, saving the cleared flags, zeros with CountdownStop00). Runs on the
  // countdown thread: the bubble is drawn with its record.
  void FormatTimeDifference(int* days, int* hours, int* minutes, int* sign, int noAction);

  // The countdown thread's record work; tests drive them on their own thread.
  void Bind(FigureRecord* record);
  bool LoadStrips();
  void DeleteStrips();
  int Load(FigureRecord* record, int face);
  void Update(FigureRecord* record);
  void Unload(FigureRecord* record);
  ObjectPlacement Placement();
  // The countdown's thread from start to end.
  DWORD Run();

 private:
  friend class CountdownHost;
  DesktopObject object_;
  DigitStripBitmaps strips_;  // the countdown thread's own
  std::unique_ptr<CountdownHost> host_;
};

LRESULT CALLBACK CountdownWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The target of the CountdownDate setting of `settings`.
CountdownTarget CountdownTargetOf(const AppSettings& settings);
