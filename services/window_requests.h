#pragma once
// Shows, hides and z-order moves of a layered window are made by the thread
// that draws it, between two of its pushes. Under Wine every push and every
// move of a layered window replaces the window's drawing surface, and two
// threads doing so on one window at once can free a surface twice or leave a
// freed one in the list the message loop flushes: the heap corruption and the
// jumps to wild addresses seen at scene starts. Others ask with a request
// word; the drawing thread applies it on its next pass. The latest request
// wins, except that a mere restack never replaces a pending one.

#include <windows.h>

#include <atomic>
#include <functional>

#include "services/atomic_words.h"

enum class WindowAction : int {
  kNone = 0,
  kHide,
  kShow,         // shown, z-order left
  kShowTop,      // shown, then to the top of the normal band
  kShowTopmost,  // shown, then topmost
  // The raises never activate: a desktop companion takes no focus, and under
  // Wine an activated window becomes one the window manager must withdraw.
  kRaiseNotTopmost,  // shown, top, then back into the normal band
  kRaiseTop,         // shown, top
  kRaiseTopmost,     // shown, topmost
  kShowBottom,       // shown, then to the bottom (the scenery strip)
  // Restacks only: the window stays shown or hidden as it is.
  kStackTop,
  kStackTopmost,
  kStackBottom,
};

struct WindowRequest {
  std::atomic<int> action{0};
  // The window the request is carried out on, handed over by whoever makes
  // it (AttachWindowRequest); null until then.
  std::atomic<HWND> window{nullptr};
  // Set with every restack when not null: the drawing thread pushes its
  // picture again (the wall and the objects push only a changed picture).
  std::atomic<int>* redraw = nullptr;
  // What the window belongs to, for its window procedure (an object window's
  // DesktopObject); null for the others.
  void* owner = nullptr;
  HWND Window() const { return window.load(); }
  void SetWindow(HWND w) { window.store(w); }
  void Set(WindowAction a) { action.store(static_cast<int>(a)); }
  // A restack (kStack*) unless a request is pending: a show or hide asked
  // for earlier places the window itself, and must not be lost to it.
  void Restack(WindowAction a) {
    int none = static_cast<int>(WindowAction::kNone);
    action.compare_exchange_strong(none, static_cast<int>(a));
  }
};

// Every window a thread of ours draws (the figure, the overlay, the wall,
// the strip, each object) carries its request word, which is how the z-order
// helpers and the window procedures find who draws it and what it belongs
// to. Attaching hands the window to the request too; detach before the
// window is destroyed.
void AttachWindowRequest(HWND window, WindowRequest& request);
void DetachWindowRequest(HWND window);
// The request word `window` carries; null for any other window.
WindowRequest* RequestOfWindow(HWND window);
// Asks the thread that draws `window` to restack it (a kStack* action) and
// to push its picture again, and wakes the workers; false for a window no
// thread of ours draws. A request already pending wins.
bool RestackWindow(HWND window, WindowAction action);

// On the drawing thread: carries out and clears the pending request; false
// when there was none. `applied`, when given, receives what was carried out.
// `beforeShow`, when given, runs just before a hidden window is shown: a
// layered window Wine keeps one surface for comes back with a blank one, so
// its picture goes there first.
bool ApplyWindowRequest(HWND window, WindowRequest& request, WindowAction* applied = nullptr,
                        const std::function<void()>& beforeShow = {});
// Whether an action leaves the window hidden (kHide), shown (the shows and
// raises) or as it was (kNone and the restacks): -1, 1 or 0.
int VisibilityAfter(WindowAction action);

// Without a compositor nothing repaints what a window leaves when it moves,
// shrinks or hides (a layered window gets no paint message, and the window
// server clipped its last push by the rectangle above it). The threads that
// draw the windows others pass over list each one with the word their next
// pass reads, and the wake that ends their wait if they sleep long.
class WorkerWake;
// Listing a word again replaces its window; a null window takes it off.
// With `firstAskWakes`, only an ask that finds the word clear wakes the
// thread (one that pushes a wide picture serves the asks in between at its
// next pass, and clears the word when it pushes); otherwise every ask does.
void ListWindowUnder(HWND window, std::atomic<int>& repush, WorkerWake* wake = nullptr,
                     bool firstAskWakes = false);
// Sets the word of every listed window shown over `area` (screen) and wakes
// its thread as listed.
void AskForPushUnder(const RECT& area);

// The work area or the screen changed (the shell's settings and display
// messages, the application bar, a new figure): every drawing thread places
// its window again. Counted, so a thread that slept through a set and its
// clearing still relayouts.
inline CountedFlag RelayoutRequest{0};
