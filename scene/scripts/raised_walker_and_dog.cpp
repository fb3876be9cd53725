// Figure 22, the acrobat, whose jump is drawn 18 pixels higher in the same
// window, and figure 24, the dog, who wanders back and forth and barks.

#include "scene/figures/fig022_frames.h"
#include "scene/figures/fig024_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

// --- Figure 22, Ugo R. Pell -------------------------------------------------

enum { kUgoWalk = 1, kUgoCartwheel = 2, kUgoJump = 3, kUgoLand = 4 };
constexpr int kUgoGround = 19;  // his y on the ground; the jump is drawn at y 1
constexpr int kUgoRaise = 18;

// The window's top stays 86 pixels above the work-area bottom; the bitmap
// reaches below it so the jump fits in the same window. His walk is drawn
// on the ground line; his acts at his own y (DrawUgo).
const FigureStyle kFigure22{.number = kFig022Number,
                            .name = "Ugo R. Pell",
                            .frames = kFig022Frames,
                            .frameHeight = kFig022WindowHeight,
                            .overlay = {kFig022Frames[0].w, kFig022Frames[0].h},
                            .placement = kFig022WindowHeight - kFig022FeetBelowTop,
                            .drawY = kUgoGround};

void DrawUgo(FigureMotion& record, ScriptHost& host, int index) {
  host.ClearObject(record);
  host.DrawObjectFrame(record, 0, kFig022Frames[index], {record.x, record.y});
  host.ShowObject(record);
}

void UgoChoose(FigureMotion& record, ScriptHost& host) {
  if (host.Rand() % 2 == 0) {
    record.x += 20;
    record.y -= kUgoRaise;
    record.state = kUgoJump;
  } else {
    record.x -= 6;
    record.state = kUgoCartwheel;
  }
}

// --- Figure 24, WUFF --------------------------------------------------------

enum { kDogRight = 1, kDogPause = 2, kDogLeft = 3 };
constexpr int kBarkSample = 0;
constexpr int kBarkGroup = 5;

const LiftStyle kLift24{
    .liftFrame = 10,
    .dangleFirst = 10,
    .dangleLast = 12,
    .dangleThreshold = [](const FigureMotion&, ScriptHost& h) { return h.Rand() % 7 + 2; },
    .dangleRestart = [](ScriptHost& h) { return h.Rand() % 2; },
    .dropFrame = 10,
    .resumeState = kDogPause,
};
const FigureStyle kFigure24{.number = kFig024Number,
                            .name = "WUFF",
                            .frames = kFig024Frames,
                            .frameHeight = kFig024Height,
                            .overlay = {80, 54},
                            .placement = 3,
                            .lift = &kLift24};

void DogStopTest(FigureMotion& record, ScriptHost& host, int turnState) {
  ++record.steps;
  if (host.BillboardUpdateRequest()) return;
  if (host.ObjectClicked() || (record.steps >= 601 && record.x >= 101 &&
                               record.x < host.ScreenWidth() - 120 && host.Rand() % 9 == 0)) {
    host.ClearObjectClicked();  // never the user's sound file while walking
    record.frame = record.steps = record.ticks = record.counterA = 0;
    record.state = host.Rand() % 9 == 0 ? kDogPause : turnState;
  }
}

}  // namespace

void BehaveFigure22(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure22;
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.x = -88;
      record.y = kUgoGround;
      record.direction = 1;
      record.frame = record.steps = record.ticks = 0;
      record.frameSet = host.Rand() % 21 + 4;
      record.ticksPerFrame = host.Rand() % 3 + 5;
      PutOnTopUnlessOptions(host);
      record.state = kUgoWalk;
      return;
    case kUgoWalk:
      if (const StrideResult walked = WalkStride(record, host, style, {.first = 0, .step = 14});
          walked == StrideResult::kLeft) {
        return;
      } else if (walked == StrideResult::kStrode) {
        if (host.ObjectClicked()) {
          TakeClick(host);
          UgoChoose(record, host);
        } else if (host.Rand() % 13 == 0 && --record.frameSet < 1) {
          UgoChoose(record, host);
          record.frameSet = host.Rand() % 15 + 10;
        }
      }
      break;
    case kUgoCartwheel:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 4 + 2))) {
        DrawUgo(record, host, 4 + record.frame);
        if (++record.frame > 3) {
          record.frame = 0;
          record.x += 29;
          record.ticksPerFrame = host.Rand() % 3 + 5;
          record.state = kUgoWalk;
        }
      }
      if (host.ObjectClicked()) {
        if (host.SoundAvailable()) host.PlayFigureSoundFile(record);
        host.ClearObjectClicked();
      }
      break;
    case kUgoJump:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 4 + 3))) {
        DrawUgo(record, host, 8 + record.frame);
        if (++record.frame > 3) {
          record.frame = 0;
          record.ticksPerFrame = host.Rand() % 4 + 7;
          record.x -= 6;
          record.y += kUgoRaise;
          record.state = kUgoLand;
        }
      }
      if (host.ObjectClicked()) {
        if (host.SoundAvailable()) host.PlayFigureSoundFile(record);
        host.ClearObjectClicked();
      }
      break;
    case kUgoLand:
      if (FrameDue(record, record.ticksPerFrame)) {
        DrawUgo(record, host, 12 + record.frame);
        if (++record.frame > 2) {
          record.frame = 0;
          record.x += 12;
          record.ticksPerFrame = host.Rand() % 3 + 5;
          record.state = kUgoWalk;
        }
      }
      break;
    default:
      LeaveScreen(record, host);
      return;
  }
  EndOfTick(record, host, style);
}

void BehaveFigure24(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure24;
  int& last = host.Memories().figure24Direction;
  switch (record.state) {
    case kStateLoad: {
      if (!BeginFigure(record, host, style)) return;
      record.ticksPerFrame = host.Rand() % 4 + 6;
      const bool right = last == 0 ? host.Rand() % 2 == 1 : last < 0;
      last = right ? 1 : -1;
      record.direction = last;
      record.x = right ? -80 : host.ScreenWidth();
      record.y = 0;
      record.frame = record.steps = record.ticks = record.counterA = 0;
      PutOnTopUnlessOptions(host);
      record.state = right ? kDogRight : kDogLeft;
      return;
    }
    case kDogRight:
    case kDogLeft: {
      const bool right = record.state == kDogRight;
      if (WalkStride(record, host, style, {right ? 0 : 13, right ? 17 : -14, -100},
                     [&] { last = right ? 1 : -1; }) == StrideResult::kLeft)
        return;
      DogStopTest(record, host, right ? kDogLeft : kDogRight);
      break;
    }
    case kDogPause:
      if (FrameDue(record, (host.Rand() % 19 + 6) * 3)) {
        DrawFigureFrame(record, host, style, 4 + record.frame);
        if (++record.frame > 8) {
          record.frame = host.Rand() % 7;
          if (++record.counterA > host.Rand() % 7 + 1) {
            record.frame = record.steps = record.ticks = record.counterA = 0;
            if (host.BillboardUpdateRequest())
              record.state = record.x > host.ScreenWidth() / 2 ? kDogRight : kDogLeft;
            else
              record.state = host.Rand() % 3 + 1;
            break;
          }
        }
      }
      if (host.ObjectClicked() || (host.SoundAvailable() && host.Rand() % 129 == 0)) {
        if (host.SoundAvailable() && host.SoundOption(kBarkGroup) && !host.SoundChannelActive(record))
          host.PlaySample(kBarkSample, record);
        TakeClick(host);
      }
      break;
    default:
      if (!RunLiftStates(record, host, style)) {
        LeaveScreen(record, host);
        return;
      }
      break;
  }
  EndOfTick(record, host, style);
}
