// Strollers who turn: figures 3, 20, 31 and 34 stop to stand or act and walk
// on in either direction, so they may cross the strip several times.

#include "scene/figures/fig003_frames.h"
#include "scene/figures/fig020_frames.h"
#include "scene/figures/fig031_frames.h"
#include "scene/figures/fig034_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_scripts.h"

namespace {

int TicksPerFrame(const FigureMotion& r, ScriptHost&) {
  return r.ticksPerFrame;
}

// A pending click plays the figure's sound file when sound is available and
// is taken either way.
void SoundAndTake(FigureMotion& record, ScriptHost& host) {
  if (!host.ObjectClicked()) return;
  if (host.SoundAvailable()) host.PlayFigureSoundFile(record);
  host.ClearObjectClicked();
}

// Ends every tick: lift states, an unknown state, then the hold test.
// False when the figure is gone.
bool OtherState(FigureMotion& record, ScriptHost& host, const FigureStyle& style) {
  if (RunLiftStates(record, host, style)) return true;
  LeaveScreen(record, host);
  return false;
}

// --- Figure 3, Mira Tolle ---------------------------------------------------

enum { kMiraStand = 1, kMiraLeft = 2, kMiraRight = 3 };
constexpr int kMiraLeftFirst = 25;

const LiftStyle kLift03{
    .liftFrame = 5,
    .dangleFirst = 5,
    .dangleLast = 9,
    .dangleThreshold = TicksPerFrame,
    .dangleRestart = [](ScriptHost& h) { return h.Rand() % 3; },
    .dropFrame = 8,
    .resumeState = kMiraStand,
};
// Her frames are drawn 2 pixels down: the bitmap is 2 rows taller than they
// are, its top where a 76-row bitmap with offset 4 would stand.
const FigureStyle kFigure03{.number = kFig003Number,
                            .name = "Mira Tolle",
                            .frames = kFig003Frames,
                            .frameHeight = kFig003Height + 2,
                            .overlay = {56, 76},
                            .placement = 4 + 2,
                            .drawY = 2,
                            .lift = &kLift03};

void MiraWalk(FigureMotion& record, ScriptHost& host, bool right) {
  const FigureStyle& style = kFigure03;
  if (WalkStride(record, host, style, {right ? 0 : kMiraLeftFirst, right ? 21 : -21, -100}) ==
      StrideResult::kLeft)
    return;
  bool stop = false;
  if (host.ObjectClicked()) {
    if (host.SoundAvailable()) host.PlayFigureSoundFile(record);
    stop = true;
  } else {
    ++record.steps;
    stop = record.steps >= (right ? 501 : 401) && record.x >= 101 && record.x < host.ScreenWidth() - 150 &&
           host.Rand() % (right ? 5 : 7) == 0;
  }
  if (stop) {
    TakeClick(host);
    record.frame = 0;
    record.ticks = 99;
    record.steps = host.Rand() % 25 + 8;
    record.state = kMiraStand;
  }
}

// --- Figure 20, Jonas V. ----------------------------------------------------

enum { kJonasStand = 1, kJonasLeft = 2, kJonasRight = 3, kJonasYoyo = 10, kJonasYoyoBack = 11 };

const LiftStyle kLift20{
    .liftFrame = 28,
    .dangleFirst = 29,
    .dangleLast = 31,
    .dangleThreshold = [](const FigureMotion&, ScriptHost&) { return 2; },
    .dropFrame = 8,
    .resumeState = kJonasStand,
    .killsBubble = false,
};
const FigureStyle kFigure20{.number = kFig020Number,
                            .name = "Jonas V.",
                            .frames = kFig020Frames,
                            .frameHeight = kFig020Height,
                            .overlay = {56, 75},
                            .placement = 1,
                            .lift = &kLift20};

void JonasWalk(FigureMotion& record, ScriptHost& host, bool right) {
  const FigureStyle& style = kFigure20;
  if (WalkStride(record, host, style, {right ? 4 : 0, right ? 17 : -17, -64}) == StrideResult::kLeft) return;
  if (host.ObjectClicked() && host.SoundAvailable()) host.PlayFigureSoundFile(record);
  if (host.BillboardUpdateRequest()) {
    host.ClearObjectClicked();  // heard, but he walks on
    return;
  }
  ++record.steps;
  if (host.ObjectClicked() || (record.steps >= 301 && host.Rand() % (right ? 5 : 7) == 0)) {
    host.ClearObjectClicked();
    record.frame = 0;
    record.ticks = 99;
    record.steps = host.Rand() % 25 + 8;
    record.state = kJonasStand;
  }
}

// --- Figure 31, Emil Dorsch -------------------------------------------------

enum { kEmilWalk = 1, kEmilStand = 2, kEmilPipe = 3, kEmilPaper = 10, kEmilLeft = 11 };
constexpr int kEmilStandFirst = 15;
constexpr int kEmilPipeFirst = 20;
constexpr int kEmilPaperFirst = 49;
constexpr int kEmilLeftFirst = 65;

const LiftStyle kLift31{
    .liftFrame = 20,
    .dangleFirst = 20,
    .dangleLast = 29,
    .dangleThreshold = [](const FigureMotion&, ScriptHost& h) { return h.Rand() % 8 + 2; },
    .dangleRestart = [](ScriptHost& h) { return h.Rand() % 5; },
    .dropFrame = 15,
    .resumeState = kEmilStand,
};
const FigureStyle kFigure31{.number = kFig031Number,
                            .name = "Emil Dorsch",
                            .frames = kFig031Frames,
                            .frameHeight = kFig031Height,
                            .overlay = {80, 91},
                            .placement = 3,
                            .lift = &kLift31};

int EmilActPace(ScriptHost& host) {
  return (host.Rand() % 3 + 2) * 6;
}

// --- Figure 34, Lorenz M. ---------------------------------------------------

enum { kLorenzRight = 1, kLorenzLeft = 2, kLorenzWatch = 3, kLorenzPhone = 4 };

const LiftStyle kLift34{
    .liftFrame = 15,
    .dangleFirst = 15,
    .dangleLast = 22,
    .dangleThreshold = [](const FigureMotion&, ScriptHost& h) { return h.Rand() % 16 + 4; },
    .dangleRestart = [](ScriptHost& h) { return h.Rand() % 3; },
    .dangleLimit = [](ScriptHost& h) { return h.Rand() % 3 + 2; },
    .dropFrame = 15,
    .resumeState = kLorenzPhone,
};
const FigureStyle kFigure34{.number = kFig034Number,
                            .name = "Lorenz M.",
                            .frames = kFig034Frames,
                            .frameHeight = kFig034Height,
                            .overlay = {88, 77},
                            .placement = 2,
                            .lift = &kLift34};

void LorenzWalk(FigureMotion& record, ScriptHost& host, bool right) {
  const FigureStyle& style = kFigure34;
  // He changes his pace after each stride to the right.
  const StrideResult walked = WalkStride(record, host, style, {right ? 0 : 4, right ? 31 : -31, -100}, [&] {
    if (right) record.ticksPerFrame = (host.Rand() % 2 + 2) * 5;
  });
  if (walked == StrideResult::kLeft) return;
  if (walked == StrideResult::kStrode && !host.BillboardUpdateRequest() &&
      record.x > host.Rand() % 201 + 100 && record.x < host.ScreenWidth() - 200 && host.Rand() % 10 == 0) {
    record.state = kLorenzWatch + host.Rand() % 2;
    return;
  }
  if (!host.ObjectClicked()) return;
  if (record.frame == 0) {
    TakeClick(host);
    record.frame = record.ticks = record.steps = 0;
    record.state = kLorenzWatch + host.Rand() % 2;
  } else if (host.SoundAvailable()) {
    SoundAndTake(record, host);
  }
}

// After an act: on to the right, else maybe to the left, else once more.
void LorenzWalkOn(FigureMotion& record, ScriptHost& host, bool right, int dx) {
  record.x += dx;
  record.frame = 0;
  record.ticksPerFrame = host.Rand() % 4 + 10;
  record.state = right ? kLorenzRight : kLorenzLeft;
}

}  // namespace

void BehaveFigure03(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure03;
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.x = -56;
      record.y = 0;
      record.direction = 1;
      record.frame = record.steps = record.ticks = 0;
      record.ticksPerFrame = host.Rand() % 3 + 4;
      PutOnTopUnlessOptions(host);
      record.state = kMiraRight;
      return;
    case kMiraRight:
    case kMiraLeft:
      MiraWalk(record, host, record.state == kMiraRight);
      break;
    case kMiraStand:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 7 + 2))) {
        DrawFigureFrame(record, host, style, 4 + record.frame);
        if (++record.frame > host.Rand() % 17 + 4) {
          record.frame = 0;
          --record.steps;
          if (record.steps < 1 || host.ObjectClicked()) {
            record.ticksPerFrame = host.Rand() % 3 + 4;
            record.direction = host.Rand() % 2 == 0 ? 1 : -1;
            record.state = record.direction > 0 ? kMiraRight : kMiraLeft;
            record.steps = 0;
          }
        }
      }
      SoundAndTake(record, host);
      break;
    default:
      if (!OtherState(record, host, style)) return;
      break;
  }
  EndOfTick(record, host, style);
}

void BehaveFigure20(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure20;
  switch (record.state) {
    case kStateLoad: {
      if (!BeginFigure(record, host, style)) return;
      const bool right = host.Rand() % 2 == 0;
      record.direction = right ? 1 : -1;
      record.x = right ? -56 : host.ScreenWidth();
      record.y = 0;
      record.frame = record.steps = record.ticks = 0;
      record.ticksPerFrame = host.Rand() % 3 + 4;
      PutOnTopUnlessOptions(host);
      record.state = right ? kJonasRight : kJonasLeft;
      return;
    }
    case kJonasRight:
    case kJonasLeft:
      JonasWalk(record, host, record.state == kJonasRight);
      break;
    case kJonasStand:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 7 + 2))) {
        DrawFigureFrame(record, host, style, 8 + record.frame);
        if (++record.frame > 5) {
          record.frame = 0;
          if (!host.BillboardUpdateRequest()) --record.steps;
          if (record.steps < 1 || host.BillboardUpdateRequest()) {
            record.ticksPerFrame = host.Rand() % 3 + 4;
            const bool right = host.Rand() % 2 == 0;
            record.direction = right ? 1 : -1;
            record.steps = 0;
            record.state = right ? kJonasRight : kJonasLeft;
            break;
          }
        }
      }
      if (host.ObjectClicked()) {
        TakeClick(host);
        record.frame = 0;
        record.state = kJonasYoyo;
      }
      break;
    case kJonasYoyo:
      if (FrameDue(record, record.ticksPerFrame / 2)) {
        DrawFigureFrame(record, host, style, 14 + record.frame);
        if (++record.frame > 12) {
          record.frame = 4;
          record.state = kJonasYoyoBack;
        }
      }
      break;
    case kJonasYoyoBack:  // the yo-yo climbs back, twice as fast
      if (FrameDue(record, 1)) {
        DrawFigureFrame(record, host, style, 14 + record.frame);
        if (--record.frame < 0) {
          record.frame = 0;
          record.state = kJonasStand;
        }
      }
      break;
    default:
      if (!OtherState(record, host, style)) return;
      break;
  }
  EndOfTick(record, host, style);
}

void BehaveFigure31(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure31;
  auto walkOn = [&] {
    record.x += 22;
    record.frame = record.steps = 0;  // a fresh stride: one more and he stops again
    record.state = kEmilWalk;
  };
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.x = -100;
      record.y = 0;
      record.direction = 1;
      record.frame = record.ticks = 0;
      record.steps = host.Rand() % 61 + 15;
      record.ticksPerFrame = (host.Rand() % 2 + 2) * 5;
      record.frameSet = 0;
      PutOnTopUnlessOptions(host);
      record.state = kEmilWalk;
      return;
    case kEmilWalk: {
      // Each stride may switch his set of frames and his pace.
      const StrideResult walked = WalkStride(record, host, style, {record.frameSet, 22}, [&] {
        if (host.Rand() % 2 == 1) record.frameSet = (host.Rand() % 3) * 5;
        record.ticksPerFrame = (host.Rand() % 2 + 2) * 5;
        --record.steps;
      });
      if (walked == StrideResult::kLeft) return;
      if (walked == StrideResult::kStrode && record.steps < 1) {
        record.x -= 10;
        record.state = kEmilStand;
        break;
      }
    }
      if (record.frame == 0 && host.ObjectClicked()) {
        TakeClick(host);
        record.frame = record.ticks = record.steps = 0;
        record.state = kEmilStand;
      }
      break;
    case kEmilStand:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 9 + 4))) {
        DrawFigureFrame(record, host, style, kEmilStandFirst + record.frame);
        if (++record.frame > 8) {
          record.frame = host.Rand() % 7;
          if (host.ObjectClicked()) {
            TakeClick(host);
            walkOn();
            break;
          }
          if (++record.steps > host.Rand() % 3 + 1) {
            switch (host.Rand() % 3) {
              case 0:
                walkOn();
                break;
              case 1:
                record.frame = record.steps = 0;
                record.ticksPerFrame = EmilActPace(host);
                record.state = kEmilPipe;
                break;
              default:
                record.frame = record.steps = 0;
                record.state = kEmilPaper;
                break;
            }
            break;
          }
        }
      }
      SoundAndTake(record, host);
      break;
    case kEmilPipe: {
      bool done = false;
      if (FrameDue(record, record.ticksPerFrame)) {
        DrawFigureFrame(record, host, style, kEmilPipeFirst + record.frame);
        record.ticksPerFrame = EmilActPace(host);
        done = ++record.frame > 7;
      }
      if (host.ObjectClicked()) {
        TakeClick(host);
        done = true;
      }
      if (done) {
        record.frame = 0;
        record.steps = host.Rand() % 29 + 4;  // the stride budget, or the newspaper's rounds
        record.state = host.Rand() % 2 == 1 ? kEmilWalk : kEmilPaper;
      }
      break;
    }
    case kEmilPaper:
      if (FrameDue(record, record.ticksPerFrame)) {
        DrawFigureFrame(record, host, style, kEmilPaperFirst + record.frame);
        record.ticksPerFrame = EmilActPace(host);
        if (++record.frame > 15) {
          record.frame = 0;
          if (--record.steps < 1) {
            record.frameSet = 0;
            record.state = kEmilLeft;
          }
        }
      }
      SoundAndTake(record, host);
      break;
    case kEmilLeft:
      if (WalkStride(record, host, style, {kEmilLeftFirst + record.frameSet, -22, -105, 5}, [&] {
            record.ticksPerFrame = (host.Rand() % 2 + 2) * 6;
            if (host.Rand() % 3 == 0) record.frameSet = (host.Rand() % 2) * 5;
          }) == StrideResult::kLeft)
        return;
      SoundAndTake(record, host);
      break;
    default:
      if (!OtherState(record, host, style)) return;
      break;
  }
  EndOfTick(record, host, style);
}

void BehaveFigure34(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure34;
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.x = -100;
      record.y = 0;
      record.direction = 1;
      record.frame = record.steps = record.ticks = 0;
      record.ticksPerFrame = (host.Rand() % 2 + 2) * 5;
      PutOnTopUnlessOptions(host);
      record.state = kLorenzRight;
      return;
    case kLorenzRight:
    case kLorenzLeft:
      LorenzWalk(record, host, record.state == kLorenzRight);
      if (!record.active) return;
      break;
    case kLorenzWatch:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 3 + 2))) {
        DrawFigureFrame(record, host, style, 8 + record.frame);
        if (++record.frame > 6) {
          record.frame = 0;
          if (host.Rand() % 3 != 0)
            LorenzWalkOn(record, host, true, 22);
          else if (host.Rand() % 3 != 0)
            LorenzWalkOn(record, host, false, -30);
        }
      }
      if (host.SoundAvailable()) SoundAndTake(record, host);
      break;
    case kLorenzPhone:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 3 + 2))) {
        DrawFigureFrame(record, host, style, 15 + record.frame);
        if (++record.frame > host.Rand() % 4 + 4) {
          record.frame = 0;
          if (host.Rand() % 2 == 1)
            LorenzWalkOn(record, host, true, 22);
          else if (host.Rand() % 2 == 1)
            LorenzWalkOn(record, host, false, -20);
        }
      }
      if (host.SoundAvailable()) SoundAndTake(record, host);
      break;
    default:
      if (!OtherState(record, host, style)) return;
      break;
  }
  EndOfTick(record, host, style);
}
