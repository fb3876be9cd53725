#pragma once
// The scenery strip behind the figures: one of six wide pictures along the
// bottom of the work area, in a layered window of its own ("LunHG") at the
// bottom of the z-order, drawn by its own thread (the HG-Thread).

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "stage/figure_record.h"
#include "stage/portable/layer_surface.h"
#include "stage/strip_requests.h"
#include "services/window_requests.h"
#include "services/handles.h"

struct AppSettings;
struct FigureState;
struct ShellState;
class WorkerWake;

// The strip's owner: its requests, its window, its thread and what the
// thread keeps between passes. The shell makes one (DesktopParts) and hands
// its requests to the Desktop page; tests make their own. It reads the
// figures' switch (whether the strip may show), the shell's full-screen
// pause and the settings (which strip, its offset, whether it stays while
// the figures are off) it is handed.
class BackgroundStrip {
 public:
  BackgroundStrip(const FigureState& figures, const ShellState& shell, const AppSettings& settings)
      : figures_(figures), shell_(shell), settings_(settings) {}
  BackgroundStrip(const BackgroundStrip&) = delete;
  BackgroundStrip& operator=(const BackgroundStrip&) = delete;

  StripRequestWords requests;
  HWND Window() const { return requests.window.Window(); }

  // Registers "LunHG", makes the strip's window and starts the thread; 1
  // when it runs.
  int Start();
  // The thread's handle, taken once (the shutdown or the window's WM_DESTROY).
  OwnedHandle TakeThread();
  // A test's stand-in for the thread, for the shutdown to wait for.
  void SetThread(HANDLE handle) { thread_.store(handle); }
  // Hands `window` to the strip (its request word, and the strip to its
  // window procedure, BackgroundWndProc); Start does it for its own window.
  void AttachWindow(HWND window);
  void DetachWindow();

  // One pass of the strip's thread: window requests, the unload request,
  // then a step while a strip is chosen and no program runs full screen.
  // Tests call it on their own thread.
  void Pass(FigureRecord* record);
  // How long the strip's thread may wait for its next pass, in ms: 0 with a
  // request, a relayout or a step under way (it then passes every 200 ms),
  // the rest of 200 ms since the last push with a push asked for, else
  // INFINITE (an unchanged strip is not pushed on a timer). Wakes
  // (WakeWorkers, the push asked for by AskForPushUnder) cut the wait short.
  DWORD QuietMs(const FigureRecord* record) const;
  // Lists the strip's window with those others leave part of
  // (AskForPushUnder) and the wake of the thread drawing it (woken by the
  // first ask since its last push); a null window takes it off. An ask
  // pushes the whole strip again. The thread lists it only while its
  // surface is not kept.
  void ListUnder(HWND window, WorkerWake* wake);
  // Whether Wine keeps the drawing surface of the strip's window as last
  // placed (its picture padded to whole steps, stage/portable/layer_surface.h):
  // it then paints uncovered parts again by itself, and the thread does not
  // list the strip for the asks of windows passing over. Not kept: a picture
  // that cannot be padded, a window a step or more off the screen.
  bool SurfaceKept() const { return surfaceKept_; }
  // Asks for a push of the unchanged strip, without the wake (a window that
  // left part of it asks through AskForPushUnder, which wakes the thread).
  void RequestRepush() { repushRequest_ = 1; }
  // One step of the strip's state machine: 0 load and first push, 1 pushed
  // again once shown, 2 shown.
  void Draw(FigureRecord* record);
  // Takes the strip's DCs and its sheet FIG2nn_00 as the file has it (8 bits
  // a pixel); 1 or 0 (the record then owns nothing).
  int LoadBitmaps(FigureRecord* record, int useRecordModule);
  // Hides and parks the window and releases what the record owns; each
  // handle is null afterwards, so a second call deletes nothing twice.
  void UnloadBitmaps(FigureRecord* record) { Release(record, true); }

 private:
  // The picture and view the window's region was cut for.
  struct Cut {
    const uint8_t* picture = nullptr;
    int sourceX = 0, width = 0;
    friend bool operator==(const Cut&, const Cut&) = default;
  };
  static DWORD WINAPI ThreadProc(void* self);
  DWORD Run();
  int StripNumber() const;
  void Push(FigureRecord* record);
  void Place(FigureRecord* record);
  DWORD RepushWaitMs() const;
  void Release(FigureRecord* record, bool parkWindow);

  const FigureState& figures_;
  const ShellState& shell_;
  const AppSettings& settings_;
  std::atomic<HANDLE> thread_{nullptr};
  LayerArgs layerArgs_;
  // Without a compositor a window passing over the strip takes its picture
  // with it, unless Wine paints the strip again by itself: it does for a
  // window whose drawing surface it keeps (stage/portable/layer_surface.h),
  // so the strip's picture is padded to whole surface steps (see-through
  // rows above it, columns right of it) and such a strip is pushed only when
  // its picture or place changes. Otherwise the window that left part of the
  // strip asks for the push (AskForPushUnder, which wakes the thread); a
  // walking figure asks at nearly every step, and each push copies the
  // screen-wide picture: asks within a pass length of the last push are
  // served together when it is over (the steps left show that long). Only an
  // ask that finds the word clear (the first since the last push) wakes the
  // thread. The push goes whole: pushes of the asked parts alone left black
  // trails behind walking figures.
  std::atomic<int> repushRequest_{0};
  // Whether the picture in the record is padded to whole steps, and whether
  // Wine keeps the surface of the window as last placed.
  bool paddedPicture_ = false;
  std::atomic<bool> surfaceKept_{false};
  // The padded picture's rows and key index. Its window has no colour key
  // but a region of the picture's opaque pixels: Wine works out a keyed
  // window's shape from its whole picture again each time it paints part of
  // it (every expose), and a region's shape is set once per placement.
  PixelRows8 paddedRows_;
  uint8_t paddedKey_ = 0;
  Cut lastCut_;
  DWORD lastPush_ = 0;
  unsigned relayoutSetsSeen_ = 0;
};

// The strip's window procedure: finds its strip through AttachWindow.
LRESULT CALLBACK BackgroundWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
