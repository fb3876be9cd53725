#pragma once
// The overlay window (the lifted figure, the speech bubbles) has one drawing
// thread: the animation thread. Two threads pushing one layered window race
// on its drawing surface under Wine (see services/window_requests.h); the
// object threads hand their bubbles to the owner (speech_bubble.h).

#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>

#include "services/atomic_words.h"
#include "services/window_requests.h"
#include "stage/portable/bubble_text.h"

struct ShellState;

// The bubble on screen: its type (0 none), set by the thread that shows or
// kills it; its lifetime in main ticks, which the shell counts down; and the
// button of the player's bubble the user pressed (the shell's mouse), which
// the musician's script takes.
struct BubbleState {
  Flag type{0};
  Flag lifetime{0};
  Flag winampButton{0};
};

// A bubble handed to the overlay's owner by another thread: at screen
// coordinates, as the speaker's window stood when it asked.
struct HandedBubble {
  int type = 0;
  char text[kBubbleTextCapacity] = {};
  POINT at = {};
  int lifetime = 0;
};

// The overlay's owner: its window and request word, the bubble's words and
// the thread that may draw it. The shell makes one and hands it to the
// animation thread and the objects; tests make their own.
class Overlay {
 public:
  // The bubbles read the options sheet's word: no bubble while it is open.
  explicit Overlay(const ShellState& shell) : shell_(shell) {}
  Overlay(const Overlay&) = delete;
  Overlay& operator=(const Overlay&) = delete;

  const ShellState& ShellWords() const { return shell_; }
  HWND Window() const { return request.Window(); }

  // Makes `thread` the owner (Animation::Start, for the animation thread,
  // which it starts suspended so that no other thread draws first); 0 gives
  // it up.
  void Claim(DWORD thread) { owner_ = thread; }
  // The owner's id, 0 when none was claimed.
  DWORD Owner() const { return owner_; }
  // Whether the calling thread may draw: it owns the overlay, or nobody has
  // claimed it (a test driving one thread).
  bool OwnedHere() const;
  // For every draw, push, show or hide of the window: true when the caller
  // may; a foreign thread's draw is refused, logged and counted.
  bool MayDraw(const char* what);
  // Draws refused since the overlay was made.
  int ForeignDraws() const { return foreignDraws_; }

  // What changed the window besides the lifted figure's pushes, counted: a
  // bubble pushed or killed, a show, hide or restack, a relayout. The
  // figure's pushes skip an unchanged picture only while the count stands
  // (ShowOverlayLayer, figure_record.h).
  void Changed() { changes_.fetch_add(1, std::memory_order_relaxed); }
  unsigned Changes() const { return changes_.load(std::memory_order_relaxed); }
  // On the drawing thread: carries out a show, hide or restack asked for;
  // true when one was.
  bool ApplyRequest();
  // On the drawing thread: shows (without activation) or hides the window.
  void Show(bool visible);
  // On the drawing thread: a figure's script shows the window carrying the
  // figure it lifted (or lets fall) and hides it when he is down again.
  // While it carries him the window is his: a bubble he covers ends, none
  // is shown (one handed over waits for his end, speech_bubble.h).
  void Carry(bool carrying);
  bool Carrying() const { return carrying_ != 0; }
  // At shutdown, once the owner was waited for: an owner that ended leaves
  // the window to the calling thread, which hides it; one still running
  // (hung past the wait) keeps it, and the hide is refused and logged.
  void HideAfterOwner(bool ownerEnded);

  // The bubble's hand-over between threads (speech_bubble.cpp).
  // Off the owner: hands a bubble over; the latest one handed wins.
  void HandOver(const HandedBubble& bubble);
  // Off the owner: drops a bubble handed over and not shown yet.
  void DropHanded();
  // On the owner: the bubble handed over since the last take (type 0: none).
  HandedBubble TakeHanded();
  // Asks the owner to kill the shown bubble on its next pass.
  void RequestKill() { killRequest_ = 1; }
  // On the owner: whether a kill was asked for, clearing the request.
  bool TakeKillRequest() { return killRequest_.exchange(0) != 0; }
  // Work for the owner: a kill asked for, or a handed bubble it may show now
  // (none while the window carries a lifted figure).
  bool HandOverWaiting() const { return killRequest_ || (handedPending_ && !Carrying()); }
  // On the owner, after a bubble's push: `asked` is the bubble as asked
  // for, `shown` whether it showed. A kill asked for up to here was for the
  // bubble this one replaced.
  void BubblePushed(const HandedBubble& asked, bool shown);
  // The thread that may draw the bubble now: the owner, or with none
  // claimed the thread that showed it.
  bool DrawsBubble() const;
  // On the owner: the shown bubble as asked for, once the window was shown
  // or restacked for a request (which leaves an unkept layered window a blank
  // surface under Wine), so that it is pushed again; clears that word.
  std::optional<HandedBubble> TakeRepush();

  // Shows and hides of the window (the shell hands the window over).
  WindowRequest request;
  BubbleState bubble;

 private:
  const ShellState& shell_;
  std::atomic<DWORD> bubbleThread_{0};  // the thread that showed the bubble
  std::atomic<int> killRequest_{0};
  std::mutex handedLock_;
  HandedBubble handed_;  // type 0: none
  std::atomic<int> handedPending_{0};
  HandedBubble shown_;  // the owner's own
  std::atomic<int> repush_{0};
  std::atomic<DWORD> owner_{0};
  std::atomic<int> foreignDraws_{0};
  std::atomic<unsigned> changes_{0};
  std::atomic<int> carrying_{0};
};
