#pragma once
// The frame every free-standing desktop object (clock, countdown, weather
// sign) shares: the per-tick state machine of its thread with lifting,
// dropping, nudging, re-placing and the topmost re-assertion. Windows stays
// behind ObjectHost, so the frame runs natively in tests against a fake host.

#include <atomic>

#include "stage/portable/figure_motion.h"

// States of a desktop object's record.
enum ObjectState : int {
  kObjectLoad = 0,
  kObjectShown = 1,
  kObjectLiftBegins = 1100,
  kObjectLifted = 1101,
  kObjectDropped = 1200,
};

// Wakes the thread an object's requests go to.
class RequestWaker {
 public:
  virtual void WakeForRequest() = 0;

 protected:
  ~RequestWaker() = default;
};

// One request word: a write wakes the object's thread, which waits for work
// between its passes instead of polling.
class RequestWord {
 public:
  explicit RequestWord(const std::atomic<RequestWaker*>& waker) : waker_(waker) {}
  RequestWord(const RequestWord&) = delete;
  RequestWord& operator=(const RequestWord&) = delete;

  RequestWord& operator=(int value) {
    value_.store(value);
    if (RequestWaker* waker = waker_.load()) waker->WakeForRequest();
    return *this;
  }
  operator int() const { return value_.load(); }
  int load() const { return value_.load(); }
  int exchange(int value) { return value_.exchange(value); }

 private:
  const std::atomic<RequestWaker*>& waker_;
  std::atomic<int> value_{0};
};

// Requests to one object, written by its window procedure, its option page
// and the animation thread, read and cleared by the object's thread.
struct ObjectRequests {
  ObjectRequests() = default;
  ObjectRequests(const ObjectRequests&) = delete;
  ObjectRequests& operator=(const ObjectRequests&) = delete;

  // What the user asks for wakes the thread at once. The rest is taken at
  // its next pass: the requests that follow the main thread's showing and
  // restacking of windows would otherwise draw while it does that.
  std::atomic<RequestWaker*> waker{nullptr};  // null: nobody waits
  RequestWord reloadRequest{waker};           // unload; the next step loads the face chosen now
  std::atomic<int> relayout{0};               // recompute and apply the position
  RequestWord held{waker};                    // the user drags the object
  std::atomic<int> raiseRequest{0};           // bring the object to the front
  RequestWord nudge{waker};                   // -1 left, 1 right, -2 up, 2 down, 0 none
  RequestWord bubbleRequest{waker};           // a plain click asks the thread for the object's bubble
  std::atomic<int> redrawRequest{0};          // push the picture to the window again
  std::atomic<int> lastMinute{-1};            // minute last drawn; -1 redraws the face
  unsigned relayoutsSeen = 0;                 // RelayoutRequest sets acted on (the thread's own)
};

// Where the object stands and how large its face is; the thread's own.
struct ObjectPlacement {
  int x = 0, y = 0;  // screen position of the window's top-left corner
  int width = 0, height = 0;
  bool yMovable = true;  // false: stands on the work area's bottom
  bool save = false;     // store the position at the next relayout
  ScenePoint grab;       // press point at the lift
};

enum class ZPlacement { kTop, kTopmost, kNotTopmost };

// What the frame needs from the object and from Windows.
class ObjectHost {
 public:
  virtual ~ObjectHost() = default;

  virtual bool Enabled() = 0;  // the object's setting chooses a face
  virtual bool OnTop() = 0;    // the object's OnTop setting
  virtual bool FiguresActive() = 0;
  virtual bool OptionsOpen() = 0;
  virtual void Log(const char* text) = 0;
  virtual ScenePoint PressPoint() = 0;
  virtual ScenePoint CursorPos() = 0;
  virtual SceneRect WorkArea() = 0;  // reads the work area now

  // The face chosen now: its size, y-movability and stored position.
  virtual ObjectPlacement ChosenFace() = 0;
  // Loads the face, makes the bitmaps and shows the empty picture at the
  // placement; false leaves the record unloaded (the next step tries again).
  virtual bool Load(FigureMotion& record, const ObjectPlacement& placement) = 0;
  // Fills with the key colour, draws the face and shows it.
  virtual void Redraw(FigureMotion& record) = 0;
  // The object's own work on every tick while shown (after any redraw).
  virtual void ShownTick(FigureMotion& record) = 0;
  virtual void Place(ZPlacement where) = 0;
  // Shows the picture at the placement's position.
  virtual void MoveTo(const ObjectPlacement& placement) = 0;
  // Stores the face's position pair and saves the object's settings.
  virtual void SavePosition(const ObjectPlacement& placement) = 0;
};

struct ObjectLogTexts {
  const char* lift;  // "Uhr Hochheben..."
  const char* drop;  // "Uhr Fallen lassen..."
};

constexpr int kObjectTicksPerFrame = 10;
constexpr int kTopmostReassertRedraws = 100;

// One tick of the object's state machine (the record's state, ticks, steps as
// the re-assert counter, lifted flag and work area).
void StepObject(FigureMotion& record, ObjectPlacement& placement, ObjectRequests& requests, ObjectHost& host,
                const ObjectLogTexts& texts);

// How many ticks the object's thread may let pass before it steps again: 1
// while the object loads, is lifted or was just dropped; while shown, the
// ticks up to and including the first redraw at or after `quietTicks` (at
// least the next redraw): the steps between only count, and a picture due at
// the quiet horizon is drawn at most one frame late.
int ObjectTicksToNextStep(const FigureMotion& record, int quietTicks = 0);

// Clamps the position into the work area (0 ... right - width, and 0 ...
// bottom - height or pinned to the bottom).
void ClampObjectPosition(ObjectPlacement& placement, const SceneRect& workArea);
// Moves the position one pixel in a nudge direction where the work area
// allows; true when it moved.
bool NudgeObject(ObjectPlacement& placement, int direction, const SceneRect& workArea);

// The placement of topmost objects: never topmost while an options page is
// open; `top` is what else they get (HWND_TOP or HWND_NOTOPMOST).
ZPlacement TopmostRule(bool onTop, bool optionsOpen, ZPlacement otherwise);

// What a left-button release with these key flags means on an object window:
// the whole word is compared, so only Ctrl alone or Shift alone count.
enum class ClickKind { kPlain, kLowerAll, kMenu };
ClickKind ClassifyClick(unsigned keyFlags);
// A press moved this far from the rest point on either axis lifts the object.
bool MovedFarEnoughToLift(ScenePoint rest, ScenePoint now);
