#pragma once
// The scenery strip behind the figures: one of six wide pictures along the
// bottom of the work area, in a layered window of its own ("LunHG") at the
// bottom of the z-order, drawn by its own thread (the HG-Thread).

#include <windows.h>

#include <atomic>

#include "stage/figure_record.h"
#include "services/window_requests.h"
#include "services/handles.h"

struct FigureState;
struct ShellState;

// What the strip's thread is asked for and reads; it takes both words.
struct StripRequestWords {
  // The Desktop page's: a changed strip is unloaded and loaded again.
  std::atomic<int> unload{0};
  // The Desktop page's and the animation thread's (after a relayout): the
  // strip is placed on the work-area bottom again.
  std::atomic<int> relayout{0};
  // Shows, hides and restacks of the strip's window, made by its thread.
  WindowRequest window;
  // The figures' switch (whether the strip may show) and the shell's
  // full-screen pause, handed by StartBackgroundThread (tests set their own).
  const FigureState* figures = nullptr;
  const ShellState* shell = nullptr;
};
inline StripRequestWords StripRequests;

// Registers "LunHG", makes the strip's window (StripRequests.window's) and
// starts the thread, handing it the figures' and the shell's words; 1 when it
// runs.
int StartBackgroundThread(const FigureState& figures, const ShellState& shell);
// The thread's handle, taken once (the shutdown or the window's WM_DESTROY).
OwnedHandle TakeBackgroundThread();

// One pass of the strip's thread: window requests, the unload request, then
// a step while a strip is chosen and no program runs full screen. Tests call
// it on their own thread.
void BackgroundStripPass(FigureRecord* record);
// How long the strip's thread may wait for its next pass, in ms: 0 with a
// request, a relayout or a step under way (it then passes every 200 ms), the
// rest of 200 ms since the last push with a push asked for, else INFINITE
// (an unchanged strip is not pushed on a timer). Wakes (WakeWorkers, the
// push asked for by AskForPushUnder) cut the wait short.
DWORD StripQuietMs(const FigureRecord* record);
// Lists the strip's window with those others leave part of (AskForPushUnder)
// and the wake of the thread drawing it (woken by the first ask since its
// last push); a null window takes it off. An ask pushes the whole strip again.
// The thread lists it only while its surface is not kept.
void ListStripUnder(HWND window, WorkerWake* wake);
// Whether Wine keeps the drawing surface of the strip's window as last
// placed (its picture padded to whole steps, stage/portable/layer_surface.h):
// it then paints uncovered parts again by itself, and the thread does not
// list the strip for the asks of windows passing over.
bool StripSurfaceKept();
// Asks for a push of the unchanged strip, without the wake (a window that
// left part of it asks through AskForPushUnder, which wakes the thread).
void RequestStripRepush();
// One step of the strip's state machine: 0 load and first push, 1 pushed
// again once shown, 2 shown.
void DrawBackgroundStrip(FigureRecord* record);
// Takes the strip's DCs and its sheet FIG2nn_00 as the file has it (8 bits
// a pixel); 1 or 0 (the record then owns nothing).
int LoadBackgroundBitmaps(FigureRecord* record, int useRecordModule);
// Hides and parks the window and releases what the record owns; each
// handle is null afterwards, so a second call deletes nothing twice.
void UnloadBackgroundBitmaps(FigureRecord* record);
LRESULT CALLBACK BackgroundWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
