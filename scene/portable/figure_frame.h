#pragma once
// The frame every figure script is built on: loading, drawing one frame,
// walking off the screen, the common click form, the hold test, the lifted
// and dropped states and the relayout. A script supplies its figure's values
// in a FigureStyle and its own states; everything else lives here.

#include <climits>
#include <span>

#include "scene/portable/script_host.h"

enum class WindowStyle {
  kStrip,   // screen-wide bitmap, the figure is drawn at (x, y) inside it
  kMoving,  // bitmap of the widest frame, the window moves with x
};

// How a lifted figure dangles.
struct LiftStyle {
  int liftFrame = 0;
  int liftLeaveFrame = -1;  // drawn as the figure leaves the strip; -1: liftFrame
  int dangleFirst = 0;      // dangle frame = dangleFirst + record.frame
  int dangleLast = 0;
  // Ticks above which the dangle frame advances.
  int (*dangleThreshold)(const FigureMotion& record, ScriptHost& host) = nullptr;
  // Index the dangle restarts at after the last frame.
  int (*dangleRestart)(ScriptHost& host) = nullptr;
  // Where a dangle of random length ends: the index restarts once it exceeds
  // this (drawn afresh each time); null: after dangleLast.
  int (*dangleLimit)(ScriptHost& host) = nullptr;
  int dropFrame = 0;
  int resumeState = 1;
  bool killsBubble = true;  // the hold test removes a shown bubble first
  SceneSize overlay{};      // the overlay while lifted; empty: the figure's overlay
};

struct FigureStyle {
  int number = 0;
  const char* name = "";
  int sheets = 1;
  std::span<const SpriteFrame> frames;
  WindowStyle window = WindowStyle::kStrip;
  int bitmapWidth = 0;  // moving window only; the strip is as wide as the screen
  int frameHeight = 0;
  SceneSize overlay;
  int placement = 0;                // window top = work-area bottom - frameHeight + placement
  int drawY = 0;                    // y of the figure inside its bitmap
  const LiftStyle* lift = nullptr;  // null: the figure cannot be lifted
};

// State 0, steps 1 to 4: load the sheets, name, bitmaps, placement, an empty
// first show. False when the scene ended (the record is unloaded).
bool BeginFigure(FigureMotion& record, ScriptHost& host, const FigureStyle& style);
// State 0, step 6: on top unless an option page is open.
void PutOnTopUnlessOptions(ScriptHost& host);

// Fills, draws frame `index` of the figure's table and shows it.
void DrawFigureFrame(FigureMotion& record, ScriptHost& host, const FigureStyle& style, int index);
// The figure has left: show the window empty once more, then unload.
void LeaveScreen(FigureMotion& record, ScriptHost& host);

// Raises the tick counter; true when it exceeds threshold (counter back to 0).
bool FrameDue(FigureMotion& record, int threshold);

// One stride of a walk: `frames` frames drawn in turn from `first`, then the
// figure moves `step` pixels (negative: to the left). Walking left it leaves
// once x is below `leftExit`, walking right once x passes `rightExit` (the
// screen's width unless a figure gives its own bound).
constexpr int kScreenRightEdge = INT_MIN;
struct Stride {
  int first = 0;
  int step = 0;
  int leftExit = -100;
  int frames = 4;
  int rightExit = kScreenRightEdge;
};
enum class StrideResult {
  kNotDue,  // no frame this tick
  kDrawn,   // a frame drawn inside the stride
  kStrode,  // the stride's last frame drawn and the figure moved on, still on screen
  kLeft,    // the figure left the screen and is unloaded
};
// One tick of a walk: when a frame is due (every record.ticksPerFrame ticks)
// the next frame of the stride; after its last frame the figure moves,
// `beforeExit` runs (a figure's own extras that come before the exit test:
// a new pace, another set of frames) and past its bound the figure leaves.
template <class Extras>
StrideResult WalkStride(FigureMotion& record, ScriptHost& host, const FigureStyle& style,
                        const Stride& stride, Extras&& beforeExit) {
  if (!FrameDue(record, record.ticksPerFrame)) return StrideResult::kNotDue;
  DrawFigureFrame(record, host, style, stride.first + record.frame);
  if (++record.frame < stride.frames) return StrideResult::kDrawn;
  record.frame = 0;
  record.x += stride.step;
  beforeExit();
  const int right = stride.rightExit == kScreenRightEdge ? host.ScreenWidth() : stride.rightExit;
  if (stride.step > 0 ? record.x > right : record.x < stride.leftExit) {
    LeaveScreen(record, host);
    return StrideResult::kLeft;
  }
  return StrideResult::kStrode;
}
inline StrideResult WalkStride(FigureMotion& record, ScriptHost& host, const FigureStyle& style,
                               const Stride& stride) {
  return WalkStride(record, host, style, stride, [] {});
}

// Common click form: with sound available, plays the figure's sound file,
// takes the click, puts the figure on top and asks for a relayout. Returns
// whether the click was taken.
bool CommonClickReaction(FigureMotion& record, ScriptHost& host);
// Takes a pending click as a change of state: clears it, on top unless an
// option page is open, relayout.
void TakeClick(ScriptHost& host);

// End of tick for liftable figures: starts lift (100) or drop (200).
void HoldTest(FigureMotion& record, ScriptHost& host, const FigureStyle& style);
// Runs states 100 to 201; false for any other state.
bool RunLiftStates(FigureMotion& record, ScriptHost& host, const FigureStyle& style);
// End of tick: follows a changed work area while the figure runs.
void RelayoutCheck(FigureMotion& record, ScriptHost& host, const FigureStyle& style);
// Hold test and relayout, in that order: the end of every tick.
void EndOfTick(FigureMotion& record, ScriptHost& host, const FigureStyle& style);

// Where the figure window stands for the current work area.
ScenePoint ObjectDestination(const FigureMotion& record, const FigureStyle& style);
SceneSize ObjectSize(ScriptHost& host, const FigureStyle& style);
