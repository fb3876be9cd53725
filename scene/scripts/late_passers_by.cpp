// The passers-by of scenes 36, 40, 43, 47, 49 and 54: each walks through
// once, stops for an act on a click or by chance and leaves at the far edge.

#include "scene/figures/fig036_frames.h"
#include "scene/figures/fig040_frames.h"
#include "scene/figures/fig043_frames.h"
#include "scene/figures/fig047_frames.h"
#include "scene/figures/fig054_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

constexpr int kWhistleSample = 3;
constexpr int kShutterSample = 7;
constexpr int kAmbientGroup = 3;

int BitmapRight(const FigureMotion& r) {
  return r.objectRect.right;
}

bool InStopBand(const FigureMotion& r) {
  return r.x >= 151 && r.x < BitmapRight(r) - 150;
}

int Restart3(ScriptHost& h) {
  return h.Rand() % 3;
}

// Common load: the figure's sheet, bitmaps and start.
bool Load(FigureMotion& record, ScriptHost& host, const FigureStyle& style, int x, int direction,
          int ticksPerFrame, int state) {
  if (!BeginFigure(record, host, style)) return false;
  record.x = x;
  record.y = 0;
  record.direction = direction;
  record.frame = record.steps = record.ticks = 0;
  record.ticksPerFrame = ticksPerFrame;
  PutOnTopUnlessOptions(host);
  record.state = state;
  return true;
}

// A walk of four frames from `first`, moving `step` per stride, out of its
// bitmap on the right.
Stride WalkOf(const FigureMotion& record, int first, int step, int leftExit) {
  return {.first = first, .step = step, .leftExit = leftExit, .rightExit = BitmapRight(record)};
}

// --- Scene 36, Toni Fratz ---------------------------------------------------

enum { kToniWalk = 1, kToniStop = 2, kToniWhistle = 3, kToniWalkOff = 4 };

const FigureStyle kFigure36{.number = kFig036Number,
                            .name = "Toni Fratz",
                            .frames = kFig036Frames,
                            .frameHeight = kFig036Height,
                            .overlay = {120, 72},
                            .placement = 2};

// --- Scene 40, Gundula W. ---------------------------------------------------

enum { kGundulaRight = 1, kGundulaAct = 2, kGundulaLeft = 3 };

const LiftStyle kLift40{
    .liftFrame = 6,
    .dangleFirst = 5,
    .dangleLast = 9,
    .dangleRestart = Restart3,
    .dropFrame = 8,
    .resumeState = kGundulaAct,
};
const FigureStyle kFigure40{.number = kFig040Number,
                            .name = "Gundula W.",
                            .frames = kFig040Frames,
                            .frameHeight = kFig040Height,
                            .overlay = {56, 79},
                            .placement = 3,
                            .lift = &kLift40};

// --- Scenes 43 and 49, Wendelin O. and Ewald Pommer ---------------------------

enum { kTurnLeft = 1, kTurnAct = 2, kTurnRight = 3 };

const LiftStyle kLift43{
    .liftFrame = 5,
    .dangleFirst = 4,
    .dangleLast = 8,
    .dangleRestart = Restart3,
    .dropFrame = 4,
    .resumeState = kTurnAct,
};
const FigureStyle kFigure43{.number = kFig043Number,
                            .name = "Wendelin O.",
                            .frames = kFig043Frames,
                            .frameHeight = kFig043Height,
                            .overlay = {56, 76},
                            .placement = 2,
                            .lift = &kLift43};
const FigureStyle kFigure49{.number = kFig049Number,
                            .name = "Ewald Pommer",
                            .frames = kFig043Frames,
                            .frameHeight = kFig043Height,
                            .overlay = {64, 76},
                            .placement = 2,
                            .lift = &kLift43};

// --- Scene 47, Gustav Lindtal -----------------------------------------------

const LiftStyle kLift47{
    .liftFrame = 0,
    .dangleFirst = 0,
    .dangleLast = 1,
    .dangleThreshold = [](const FigureMotion&, ScriptHost& h) { return h.Rand() % 6 + 3; },
    .dropFrame = 0,
    .resumeState = 1,
};
const FigureStyle kFigure47{.number = kFig047Number,
                            .name = "Gustav Lindtal",
                            .frames = kFig047Frames,
                            .frameHeight = kFig047Height,
                            .overlay = {64, 79},
                            .placement = 2,
                            .lift = &kLift47};

// --- Scene 54, Arno Blitzer -------------------------------------------------

enum { kArnoWalk = 1, kArnoPhoto = 2 };

const LiftStyle kLift54{
    .liftFrame = 5,
    .dangleFirst = 5,
    .dangleLast = 6,
    .dangleThreshold = [](const FigureMotion&, ScriptHost&) { return 4; },
    .dropFrame = 0,
    .resumeState = kArnoWalk,
};
const FigureStyle kFigure54{.number = kFig054Number,
                            .name = "Arno Blitzer",
                            .frames = kFig054Frames,
                            .frameHeight = kFig054Height,
                            .overlay = {80, 77},
                            .placement = 3,
                            .lift = &kLift54};

void Turner(FigureMotion& record, ScriptHost& host, const FigureStyle& style, bool ewald) {
  switch (record.state) {
    case kStateLoad:
      Load(record, host, style, host.ScreenWidth(), -1, ewald ? host.Rand() % 3 + 6 : host.Rand() % 4 + 6,
           kTurnLeft);
      return;
    case kTurnLeft: {
      if (WalkStride(record, host, style, WalkOf(record, 0, -15, -64)) == StrideResult::kLeft) return;
      ++record.steps;
      const bool clicked = host.ObjectClicked();
      if (clicked || (!host.BillboardUpdateRequest() && record.steps >= 401 && InStopBand(record) &&
                      host.Rand() % 17 == 0)) {
        if (clicked && !ewald && host.Rand() % 2 == 1 && host.SoundAvailable())
          host.PlayFigureSoundFile(record);
        TakeClick(host);
        record.steps = record.frame = record.ticks = 0;
        record.state = kTurnAct;
      }
      break;
    }
    case kTurnAct: {
      const int threshold = ewald ? record.ticksPerFrame + 4 + host.Rand() % 3 : record.ticksPerFrame;
      if (FrameDue(record, threshold)) {
        DrawFigureFrame(record, host, style, 4 + record.frame);
        if (++record.frame > 5) {
          record.frame = host.Rand() % 5;
          if (++record.steps > host.Rand() % 2) {
            const bool right = host.Rand() % 2 == 0;
            record.x += right ? 10 : -21;
            record.direction = right ? 1 : -1;
            record.frame = record.steps = 0;  // the walk starts on its first frame
            record.state = right ? kTurnRight : kTurnLeft;
          }
        }
      }
      CommonClickReaction(record, host);
      break;
    }
    case kTurnRight:
      if (const StrideResult walked = WalkStride(record, host, style, WalkOf(record, 10, 15, 0));
          walked == StrideResult::kLeft) {
        return;
      } else if (walked != StrideResult::kNotDue && ewald && record.frame == 0) {
        CommonClickReaction(record, host);
      }
      if (!ewald) CommonClickReaction(record, host);
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

}  // namespace

void BehaveFigure36(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure36;
  int& variant = host.Memories().figure36Variant;
  switch (record.state) {
    case kStateLoad:
      Load(record, host, style, -100, 1, 3, kToniWalk);
      return;
    case kToniWalk:
      if (WalkStride(record, host, style,
                     {.first = variant, .step = 72, .frames = 6, .rightExit = BitmapRight(record)},
                     [&] { variant = variant == 6 ? 0 : (host.Rand() % 2) * 6; }) == StrideResult::kLeft)
        return;
      if (host.ObjectClicked() && !host.BillboardUpdateRequest()) {
        TakeClick(host);
        record.x -= 52;
        record.frame = record.steps = record.ticks = 0;
        record.state = kToniStop;
      }
      break;
    case kToniStop:
      if (++record.ticks >= 2) {
        if (host.SoundAvailable()) {
          host.PlaySample(kWhistleSample, record);
          host.UpdateFigureSound(record);
        }
        DrawFigureFrame(record, host, style, 12);
        record.ticksPerFrame = host.Rand() % 3 + 7;
        record.steps = host.Rand() % 5 + 2;
        record.frame = record.ticks = 0;
        record.state = kToniWhistle;
      }
      break;
    case kToniWhistle:
      if (FrameDue(record, record.ticksPerFrame)) {
        DrawFigureFrame(record, host, style, 13 + record.frame);
        ++record.ticksPerFrame;
        if (record.frame == 5 && --record.steps > 0) {
          record.frame = host.Rand() % 4 + 1;
        } else if (++record.frame > 10) {
          record.x += 62;
          record.frame = 0;
          variant = 6;
          record.ticksPerFrame = host.Rand() % 3 + 4;
          record.state = kToniWalkOff;
        }
      }
      break;
    case kToniWalkOff:
      if (WalkStride(record, host, style,
                     {.first = 25 + variant,
                      .step = variant == 6 ? 53 : 72,
                      .frames = 6,
                      .rightExit = BitmapRight(record)}) == StrideResult::kLeft)
        return;
      CommonClickReaction(record, host);
      break;
    default:
      LeaveScreen(record, host);
      return;
  }
  EndOfTick(record, host, style);
}

void BehaveFigure40(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure40;
  switch (record.state) {
    case kStateLoad: {
      if (!BeginFigure(record, host, style)) return;
      record.ticksPerFrame = (host.Rand() % 3) * 4 + 8;
      const bool right = host.Rand() % 2 == 0;
      record.direction = right ? 1 : -1;
      record.x = right ? -60 : host.ScreenWidth();
      record.y = 0;
      record.frame = record.steps = record.ticks = record.counterA = 0;
      PutOnTopUnlessOptions(host);
      record.state = right ? kGundulaRight : kGundulaLeft;
      return;
    }
    case kGundulaRight:
    case kGundulaLeft: {
      const bool right = record.state == kGundulaRight;
      if (WalkStride(record, host, style, WalkOf(record, right ? 14 : 0, right ? 16 : -21, -60)) ==
          StrideResult::kLeft)
        return;
      ++record.steps;
      const bool clicked = host.ObjectClicked();
      const bool chance = !host.BillboardUpdateRequest() && record.steps >= 401 &&
                          (right ? InStopBand(record) : record.x >= 151) &&
                          host.Rand() % (right ? 10 : 17) == 0;
      if (clicked || chance) {
        if (clicked && (!right || host.Rand() % 2 == 1) && host.SoundAvailable())
          host.PlayFigureSoundFile(record);
        TakeClick(host);
        record.steps = record.frame = record.counterA = 0;
        record.ticks = right ? 0 : 99;
        record.state = kGundulaAct;
      }
      break;
    }
    case kGundulaAct:
      if (FrameDue(record, record.ticksPerFrame + 4 + host.Rand() % 13)) {
        DrawFigureFrame(record, host, style, 4 + record.frame);
        if (++record.frame > host.Rand() % 3 + 7) {
          const bool hurried = record.counterA != 0 || host.BillboardUpdateRequest();
          record.frame = hurried ? 0 : host.Rand() % 5;
          if (++record.steps > host.Rand() % 4 + 1) {
            // A click sends her off towards the nearer edge.
            const bool right = hurried ? record.x > BitmapRight(record) / 2 : host.Rand() % 3 == 0;
            record.direction = right ? 1 : -1;
            record.frame = record.steps = record.counterA = 0;
            record.state = right ? kGundulaRight : kGundulaLeft;
          }
        }
      }
      if (record.state == kGundulaAct && host.ObjectClicked()) {
        if (host.SoundAvailable()) host.PlayFigureSoundFile(record);
        TakeClick(host);
        record.counterA = 1;
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

void BehaveFigure43(FigureMotion& record, ScriptHost& host) {
  Turner(record, host, kFigure43, false);
}

void BehaveFigure49(FigureMotion& record, ScriptHost& host) {
  Turner(record, host, kFigure49, true);
}

void BehaveFigure47(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure47;
  switch (record.state) {
    case kStateLoad:
      Load(record, host, style, -64, 1, host.Rand() % 3 + 7, 1);
      return;
    case 1:
      if (WalkStride(record, host, style, WalkOf(record, 0, 16, 0)) == StrideResult::kLeft) return;
      CommonClickReaction(record, host);
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

void BehaveFigure54(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure54;
  switch (record.state) {
    case kStateLoad:
      Load(record, host, style, host.ScreenWidth(), -1, host.Rand() % 3 + 4, kArnoWalk);
      return;
    case kArnoWalk: {
      if (WalkStride(record, host, style, WalkOf(record, 0, -16, -100)) == StrideResult::kLeft) return;
      ++record.steps;
      const bool clicked = host.ObjectClicked();
      if (clicked || (!host.BillboardUpdateRequest() && record.steps >= 301 && host.Rand() % 7 == 0)) {
        if (clicked && host.SoundAvailable()) host.PlayFigureSoundFile(record);
        TakeClick(host);
        record.frame = 0;
        record.ticks = 99;
        record.state = kArnoPhoto;
      }
      break;
    }
    case kArnoPhoto:
      if (FrameDue(record, record.ticksPerFrame + 24 + host.Rand() % 57)) {
        DrawFigureFrame(record, host, style, 4 + record.frame);
        if (!host.BillboardUpdateRequest() && record.frame < host.Rand() % 3 + 5) {
          // Now and then the shutter clicks, never over its own last click.
          if (host.SoundAvailable() && host.SoundOption(kAmbientGroup) && host.Rand() % 11 == 0 &&
              !host.SoundChannelActive(record)) {
            host.PlaySample(kShutterSample, record);
            host.UpdateFigureSound(record);
          } else {
            ++record.frame;
          }
        } else {
          record.frame = 0;
          record.steps = host.Rand() % 3;
          record.state = kArnoWalk;
          break;
        }
      }
      if (host.ObjectClicked()) {
        if (host.SoundAvailable()) host.PlayFigureSoundFile(record);
        TakeClick(host);
        record.frame = record.ticks = 0;
        record.state = kArnoWalk;
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
