// Plain passers-by: figures who cross the strip and leave. Scene 1 is empty.

#include "scene/figures/fig002_frames.h"
#include "scene/figures/fig026_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

const FigureStyle kFigure02{
    .number = kFig002Number,
    .name = "Ravi Quenn",
    .frames = kFig002Frames,
    .frameHeight = kFig002Height,
    .overlay = {144, 76},
    .placement = 1,
};

const FigureStyle kFigure26{
    .number = kFig026Number,
    .name = "Gustav Lindtal",
    .frames = kFig026Frames,
    .frameHeight = kFig026Height,
    .overlay = {176, 132},
    .placement = 5,
};

enum { kWalkRight = 1, kWalkLeft = 2 };
enum { kTreeWalk = 1, kTreeStop = 2 };

}  // namespace

void BehaveDummy(FigureMotion& record, ScriptHost& host) {
  host.Log("DUMMY");
  host.UnloadFigure(record);
}

void BehaveFigure02(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure02;
  switch (record.state) {
    case kStateLoad: {
      if (!BeginFigure(record, host, style)) return;
      int& last = host.Memories().figure02Direction;
      int direction;
      if (last == 0)
        direction = (host.Rand() & 1) ? -1 : 1;
      else
        direction = -last;
      last = direction;
      record.direction = direction;
      record.x = direction > 0 ? -170 : host.ScreenWidth();
      record.y = 0;
      record.frame = record.steps = record.ticks = 0;
      record.ticksPerFrame = 3;
      PutOnTopUnlessOptions(host);
      record.state = direction > 0 ? kWalkRight : kWalkLeft;
      return;
    }
    case kWalkRight:
    case kWalkLeft: {
      const bool right = record.state == kWalkRight;
      if (WalkStride(record, host, style,
                     {.first = right ? kFig002RightFirst : kFig002LeftFirst,
                      .step = right ? 100 : -100,
                      .leftExit = -144,
                      .frames = kFig002StrideFrames}) == StrideResult::kLeft)
        return;
      CommonClickReaction(record, host);
      break;
    }
    default:
      LeaveScreen(record, host);
      return;
  }
  EndOfTick(record, host, style);
}

void BehaveFigure26(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure26;
  auto startStop = [&] {
    record.frame = 0;
    record.counterA = host.Rand() % 4 + 2;
    record.state = kTreeStop;
  };
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.x = -170;
      record.y = 0;
      record.direction = 1;
      record.frame = record.steps = record.ticks = 0;
      record.ticksPerFrame = host.Rand() % 3 + 5;
      PutOnTopUnlessOptions(host);
      record.state = kTreeWalk;
      return;
    case kTreeWalk:
      switch (WalkStride(record, host, style, {.step = 21, .frames = kFig026ActFirst})) {
        case StrideResult::kLeft:
          return;
        case StrideResult::kStrode:
          if (host.ObjectClicked()) {
            TakeClick(host);
            startStop();
          } else if (++record.steps >= 301 && host.Rand() % 5 == 0) {
            startStop();
          }
          break;
        default:
          break;
      }
      break;
    case kTreeStop:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 7 + 3))) {
        DrawFigureFrame(record, host, style, kFig026ActFirst + record.frame);
        if (++record.frame > 4) {
          record.frame = 0;
          --record.counterA;
          if (record.counterA <= 0 || host.ObjectClicked()) {
            if (host.ObjectClicked()) TakeClick(host);
            record.x += 15;
            record.steps = 0;
            record.state = kTreeWalk;
          }
        }
      }
      if (record.state == kTreeStop) CommonClickReaction(record, host);
      break;
    default:
      LeaveScreen(record, host);
      return;
  }
  EndOfTick(record, host, style);
}
