// Figure 27, Konrad T. Plack, pastes the billboard: while he waits unseen at
// the left edge the poster thread prepares the next motif; then he walks in,
// stops at the billboard, pastes it, tidies up and walks off to the right.
// He cannot be lifted.

#include "scene/figures/fig027_frames.h"
#include "stage/portable/billboard_side.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

const FigureStyle kFigure27{
    .number = kFig027Number,
    .name = "Konrad T. Plack",
    .frames = kFig027Frames,
    .window = WindowStyle::kMoving,
    .bitmapWidth = kFig027BitmapWidth,
    .frameHeight = kFig027Height,
    .overlay = {kFig027OverlayWidth, kFig027Height},
    .placement = 5,
};

enum {
  kWaitForPoster = 1,
  kWalkIn = 2,
  kArrive = 3,
  kPaste = 4,
  kFinish = 5,
  kWalkOff = 6,
};

constexpr int kStartX = -136;
constexpr int kStride = 33;             // pixels per four walking frames
constexpr int kPosterWaitTicks = 3001;  // the poster thread gets this long
constexpr int kMeetBillboard = 90;      // he stops within this distance left of the wall
constexpr int kArriveOffset = 55;       // x while arriving: wall x minus this
constexpr int kPasteStep = 30;          // then this much closer
constexpr int kArriveFrames = 6;
constexpr int kPasteFrames = 7;
constexpr int kFinishFrames = 14;
constexpr int kWalkFrames = 4;
constexpr int kVariantSpan = 4;

// The motif on the wall is not the one he found there, and it is not the
// calendar sheet that stays up anyway.
bool MotifChanged(BillboardSide& board, int found) {
  const int current = board.CurrentMotif();
  return current != found && !(board.CalendarOn() && current == 4);
}

void BillboardToFront(ScriptHost& host, BillboardSide& board) {
  if (board.BillboardOn() && board.FiguresActive() && !host.OptionsOpen()) board.RaiseBillboardTopmost();
}

void BillboardBack(BillboardSide& board) {
  if (board.BillboardOn() && board.FiguresActive()) board.PutBillboardBack();
}

// Only the paster's own click form: a sound, never a change of course.
void ClickReaction(FigureMotion& record, ScriptHost& host) {
  if (!host.ObjectClicked() || !host.SoundAvailable()) return;
  host.PlayFigureSoundFile(record);
  host.ClearObjectClicked();
  PutOnTopUnlessOptions(host);
}

void PlaceAt(FigureMotion& record, ScriptHost& host) {
  host.SetObjectPlacement(ObjectDestination(record, kFigure27), ObjectSize(host, kFigure27));
}

bool Load(FigureMotion& record, ScriptHost& host, BillboardSide& board) {
  if (!BeginFigure(record, host, kFigure27)) return false;
  board.ClearUpdateRequest();
  board.SetPosterFigureActive(true);
  record.x = kStartX;
  record.y = 0;
  PlaceAt(record, host);
  host.ClearObject(record);
  host.ShowObject(record);
  record.frame = record.ticks = 0;
  record.ticksPerFrame = host.Rand() % 3 + 7;
  board.ClearPosterReady();
  host.Memories().figure27Motif = board.CurrentMotif();
  if (!board.StartPosterThread()) {
    host.UnloadFigure(record);
    return false;
  }
  record.state = kWaitForPoster;
  return true;
}

// False when the scene ended unseen.
bool WaitForPoster(FigureMotion& record, ScriptHost& host, BillboardSide& board) {
  if (!board.PosterReady()) {
    if (++record.ticks >= kPosterWaitTicks) {
      host.UnloadFigure(record);
      return false;
    }
    return true;
  }
  host.ClearObject(record);
  host.ShowObject(record);
  if (MotifChanged(board, host.Memories().figure27Motif)) {
    BillboardToFront(host, board);
    board.Sleep(5);
    PutOnTopUnlessOptions(host);
    board.Sleep(25);
    BillboardBack(board);
  }
  host.SetRelayoutRequest(1);
  record.ticks = record.ticksPerFrame;
  record.frame = 0;
  record.state = kWalkIn;
  return true;
}

// False when he walked past the right edge.
bool WalkIn(FigureMotion& record, ScriptHost& host, BillboardSide& board) {
  if (FrameDue(record, record.ticksPerFrame)) {
    DrawFigureFrame(record, host, kFigure27, kFig027WalkInFirst + record.frame);
    if (++record.frame >= kWalkFrames) {
      record.frame = 0;
      record.x += kStride;
    }
    const int wall = board.BillboardX();
    if (board.BillboardOn() && record.x >= wall - kMeetBillboard && record.x < wall &&
        board.BillboardVisible() && MotifChanged(board, host.Memories().figure27Motif)) {
      PutOnTopUnlessOptions(host);
      record.x = wall - kArriveOffset;
      record.ticks = 99;
      record.state = kArrive;
      return true;
    }
  }
  if (record.x > record.workArea.right) {
    LeaveScreen(record, host);
    return false;
  }
  ClickReaction(record, host);
  return true;
}

void Arrive(FigureMotion& record, ScriptHost& host, BillboardSide& board) {
  if (!FrameDue(record, record.ticksPerFrame)) return;
  DrawFigureFrame(record, host, kFigure27, kFig027ArriveFirst + record.frame);
  BillboardBack(board);
  PutOnTopUnlessOptions(host);
  if (++record.frame >= kArriveFrames) {
    record.x += kPasteStep;
    record.ticks = 99;
    record.frame = 0;
    record.state = kPaste;
  }
}

void Paste(FigureMotion& record, ScriptHost& host, BillboardSide& board) {
  if (FrameDue(record, 2 * record.ticksPerFrame)) {
    DrawFigureFrame(record, host, kFigure27, kFig027PasteFirst + record.frame);
    if (++record.frame >= kPasteFrames) {
      record.frame = 0;
      board.PastePreparedPoster();
      host.Memories().figure27Motif = board.CurrentMotif();
      board.RequestRedraw();
      record.state = kFinish;
    }
    BillboardBack(board);
    PutOnTopUnlessOptions(host);
  }
  ClickReaction(record, host);
}

void Finish(FigureMotion& record, ScriptHost& host, BillboardSide& board) {
  if (FrameDue(record, 2 * record.ticksPerFrame)) {
    DrawFigureFrame(record, host, kFigure27, kFig027FinishFirst + record.frame);
    if (++record.frame >= kFinishFrames) {
      record.frame = 0;
      record.frameSet = 0;
      board.SetPosterFigureActive(false);
      BillboardBack(board);
      record.state = kWalkOff;
    }
  }
  ClickReaction(record, host);
}

// False when he has left.
bool WalkOff(FigureMotion& record, ScriptHost& host, BillboardSide& board) {
  if (FrameDue(record, record.ticksPerFrame)) {
    DrawFigureFrame(record, host, kFigure27, kFig027WalkOffFirst + record.frameSet + record.frame);
    if (++record.frame >= kWalkFrames) {
      record.frame = 0;
      if (host.Rand() % 4 == 0) record.frameSet = (host.Rand() % 2) * kVariantSpan;
      record.x += kStride;
      if (record.x > record.workArea.right) {
        BillboardBack(board);
        LeaveScreen(record, host);
        return false;
      }
    }
  }
  ClickReaction(record, host);
  return true;
}

}  // namespace

void BehaveFigure27(FigureMotion& record, ScriptHost& host, BillboardSide& board) {
  switch (record.state) {
    case kStateLoad:
      Load(record, host, board);
      return;
    case kWaitForPoster:
      if (!WaitForPoster(record, host, board)) return;
      break;
    case kWalkIn:
      if (!WalkIn(record, host, board)) return;
      break;
    case kArrive:
      Arrive(record, host, board);
      break;
    case kPaste:
      Paste(record, host, board);
      break;
    case kFinish:
      Finish(record, host, board);
      break;
    case kWalkOff:
      if (!WalkOff(record, host, board)) return;
      break;
    default:
      LeaveScreen(record, host);
      return;
  }
  EndOfTick(record, host, kFigure27);
}
