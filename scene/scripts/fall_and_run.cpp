// Figure 5, who falls down to the strip when she is dropped, and figure 11,
// the runner in a window of his own, whose click act slows him to a walk.

#include <algorithm>

#include "scene/figures/fig005_frames.h"
#include "scene/figures/fig011_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

// --- Figure 5, Hilde Pruml --------------------------------------------------

enum {
  kHildeWalk = 1,
  kHildeStand = 2,
  kHildeWatch = 3,     // act A
  kHildeUmbrella = 4,  // act B
  kHildeCross = 5,     // act C
  kHildeLeft = 10,
  kHildeFall = 201,  // after the drop (200): the overlay falls to the strip
  kHildeLanded = 202,
};
constexpr int kHildeFallFrame = 48;
constexpr int kHildeCrossFirst = 39;
constexpr int kFallPerTick = 4;

const LiftStyle kLift05{
    .liftFrame = kHildeCrossFirst,
    .dangleFirst = kHildeCrossFirst,
    .dangleLast = 47,
    .dangleThreshold = [](const FigureMotion&, ScriptHost& h) { return h.Rand() % 3 + 2; },
    .dangleRestart = [](ScriptHost& h) { return h.Rand() % 5; },
    .dropFrame = kHildeCrossFirst,
    .resumeState = kHildeCross,
};
const FigureStyle kFigure05{.number = kFig005Number,
                            .name = "Hilde Pruml",
                            .frames = kFig005Frames,
                            .frameHeight = kFig005Height,
                            .overlay = {120, 98},
                            .placement = 3,
                            .lift = &kLift05};

void HildeTo(FigureMotion& record, int state) {
  record.frame = 0;  // every state starts on its first frame
  record.state = state;
}

void HildeOverlay(FigureMotion& record, ScriptHost& host, ScenePoint at) {
  host.SetOverlayPlacement(at, {kFigure05.overlay.width, kFigure05.overlay.height});
  host.ClearOverlay(record);
  host.DrawOverlayFrame(record, 0, kFig005Frames[kHildeFallFrame], {0, 0});
  host.ShowOverlay(record);
}

// Dropped, she falls in the overlay until its top reaches the strip's line
// (a drop below the line lands at once), then stands there in act C.
void HildeFalls(FigureMotion& record, ScriptHost& host) {
  const int line = record.workArea.bottom - kFig005Height;
  switch (record.state) {
    case kStateDropped: {
      const ScenePoint cursor = host.CursorPos();
      const ScenePoint grab = host.GrabOffset();
      record.x = cursor.x - grab.x;
      record.counterB = cursor.y - grab.y;  // the overlay's top
      HildeOverlay(record, host, {record.x, record.counterB});
      record.ticks = record.frame = 0;
      record.state = kHildeFall;
      break;
    }
    case kHildeFall:
      if (record.counterB < line) {
        record.counterB = std::min(record.counterB + kFallPerTick, line);
        HildeOverlay(record, host, {record.x, record.counterB});
        break;
      }
      DrawFigureFrame(record, host, kFigure05, kHildeCrossFirst);
      record.state = kHildeLanded;
      break;
    default:  // landed
      host.ClearOverlay(record);
      host.ShowOverlay(record);
      host.ShowOverlayWindow(record, false);
      host.PutFigureOnTop();
      record.steps = host.Rand() % 6 + 1;
      HildeTo(record, kHildeCross);
      break;
  }
}

void HildeWalksOnLeftOrActs(FigureMotion& record, ScriptHost& host) {
  HildeTo(record, host.Rand() % 2 == 1 ? kHildeWatch : kHildeLeft);
}

// --- Figure 11, Kuno Fessel -------------------------------------------------

enum {
  kKunoRun = 1,
  kKunoSlow = 2,
  kKunoBreath = 3,
  kKunoStretch = 4,
  kKunoStraighten = 5,
  kKunoWalk = 6,
  kKunoWipe = 10
};
constexpr int kWhistleSample = 3;

const FigureStyle kFigure11{.number = kFig011Number,
                            .name = "Kuno Fessel",
                            .frames = kFig011Frames,
                            .window = WindowStyle::kMoving,
                            .bitmapWidth = 128,
                            .frameHeight = kFig011Height,
                            .overlay = {64, 74},
                            .placement = 2};

}  // namespace

void BehaveFigure05(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure05;
  const bool billboard = host.BillboardUpdateRequest();
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.x = -120;
      record.y = 0;
      record.direction = 1;
      record.frame = record.steps = record.ticks = record.frameSet = 0;
      record.ticksPerFrame = host.Rand() % 3 + 5;
      PutOnTopUnlessOptions(host);
      record.state = kHildeWalk;
      return;
    case kHildeWalk:
    case kHildeLeft: {
      const bool right = record.state == kHildeWalk;
      if (WalkStride(record, host, style, {right ? record.frameSet : 49, right ? 21 : -21, -105}, [&] {
            if (host.Rand() % 4 == 0) record.frameSet = (host.Rand() % 2) * 4;
          }) == StrideResult::kLeft)
        return;
      if (!right && host.ObjectClicked() && host.SoundAvailable()) host.PlayFigureSoundFile(record);
      ++record.steps;
      if (billboard) {
        if (!right) host.ClearObjectClicked();  // heard; she walks on
        break;
      }
      const bool chance = right ? record.steps >= 301 && host.Rand() % 7 == 0
                                : record.steps >= 401 && record.x >= 51 && host.Rand() % 17 == 0;
      if (host.ObjectClicked() || chance) {
        host.ClearObjectClicked();
        record.frame = record.steps = record.ticks = 0;
        if (!right) record.ticks = 99;
        record.state = kHildeStand;
      }
      break;
    }
    case kHildeStand:
      if (FrameDue(record, record.ticksPerFrame + 2 + host.Rand() % 7)) {
        DrawFigureFrame(record, host, style, 8 + record.frame);
        if (++record.frame > 2) {
          record.frame = 0;
          if (++record.steps > host.Rand() % 4) {
            record.steps = host.Rand() % 33;
            HildeTo(record, kHildeWatch);
          }
        }
      }
      if (record.state == kHildeStand && (host.ObjectClicked() || billboard)) {
        if (host.ObjectClicked() && host.SoundAvailable()) host.PlayFigureSoundFile(record);
        host.ClearObjectClicked();
        record.frameSet = 0;
        HildeTo(record, kHildeWalk);
      }
      break;
    case kHildeWatch:
      if (FrameDue(record, record.ticksPerFrame + 6 + host.Rand() % 23)) {
        DrawFigureFrame(record, host, style, 29 + record.frame);
        if (++record.frame > host.Rand() % 6 + 4) {
          record.frame = 0;
          if (host.Rand() % 9 == 0) --record.steps;
          if (record.steps < 1 || billboard) {
            record.steps = host.Rand() % 29 + 4;
            HildeTo(record, host.Rand() % 9 > 0 ? kHildeWalk : kHildeUmbrella);
          }
        }
      }
      if (record.state == kHildeWatch && (host.ObjectClicked() || billboard)) {
        if (host.ObjectClicked() && host.SoundAvailable()) host.PlayFigureSoundFile(record);
        host.ClearObjectClicked();
        record.steps = host.Rand() % 6 + 1;
        HildeTo(record, kHildeCross);
      }
      break;
    case kHildeUmbrella:
      if (FrameDue(record, record.ticksPerFrame + 2 + host.Rand() % 3)) {
        DrawFigureFrame(record, host, style, 19 + record.frame);
        if (++record.frame > host.Rand() % 5 + 5) {
          record.frame = 0;
          if (--record.steps < 1) HildeTo(record, kHildeWatch);
        }
      }
      if (record.state == kHildeUmbrella && (host.ObjectClicked() || billboard)) {
        host.ClearObjectClicked();
        record.steps = host.Rand() % 6 + 1;
        HildeTo(record, kHildeCross);
      }
      break;
    case kHildeCross:
      if (billboard) {
        host.ClearObjectClicked();
        HildeTo(record, kHildeLeft);
        break;
      }
      if (FrameDue(record, record.ticksPerFrame + 8 + host.Rand() % 21)) {
        DrawFigureFrame(record, host, style, kHildeCrossFirst + record.frame);
        if (++record.frame > host.Rand() % 5 + 5) {
          record.frame = 0;
          if (--record.steps < 1) HildeWalksOnLeftOrActs(record, host);
        }
      }
      if (record.state == kHildeCross && host.ObjectClicked()) {
        host.ClearObjectClicked();
        HildeWalksOnLeftOrActs(record, host);
      }
      break;
    case kStateDropped:
    case kHildeFall:
    case kHildeLanded:
      HildeFalls(record, host);
      HoldTest(record, host, style);  // the strip follows the work area once she stands on it
      return;
    default:
      if (!RunLiftStates(record, host, style)) {
        LeaveScreen(record, host);
        return;
      }
      break;
  }
  EndOfTick(record, host, style);
}

void BehaveFigure11(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure11;
  int& offset = host.Memories().figure11Offset;
  const int T = host.Memories().figure11T;
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.frameTime = std::max(host.Speed() - 30, 20);
      host.Memories().figure11T = host.Rand() % 3 + 3;
      record.x = host.ScreenWidth();
      record.y = 0;
      record.direction = -1;
      record.frame = record.steps = record.ticks = 0;
      PutOnTopUnlessOptions(host);
      record.state = kKunoRun;
      return;
    case kKunoRun:
      record.x -= 3;
      DrawFigureFrame(record, host, style, offset + record.frame);
      if (++record.frame > 3) {
        record.frame = 0;
        if (host.Rand() % 9 == 0) offset = (host.Rand() % 8) * 4;
        if (record.x < -120) {
          LeaveScreen(record, host);
          return;
        }
      }
      if (host.ObjectClicked()) {
        TakeClick(host);
        record.frame = 0;
        record.ticks = 99;
        record.state = kKunoSlow;
      }
      break;
    case kKunoSlow:
      if (FrameDue(record, 1)) {
        DrawFigureFrame(record, host, style, 32 + record.frame);
        if (record.frame == 1 && host.SoundAvailable()) {
          host.PlaySample(kWhistleSample, record);
          host.UpdateFigureSound(record);
        }
        if (++record.frame > 4) {
          record.frame = 0;
          record.state = kKunoBreath;
        }
      }
      break;
    case kKunoBreath:
      DrawFigureFrame(record, host, style, 37 + record.frame);
      if (++record.frame > T) {
        record.frameTime = host.Speed();
        record.frame = 0;
        record.state = kKunoStretch;
      }
      break;
    case kKunoStretch:
      DrawFigureFrame(record, host, style, 41 + record.frame);
      if (++record.ticks > T + 4 + host.Rand() % 9) {
        record.ticks = 0;
        if (++record.frame == 5) {
          record.frame = host.Rand() % 5;
          if (host.Rand() % 2 == 0) {
            record.frame = 0;
            record.x += 15;
            record.state = kKunoStraighten;
          }
        }
      }
      break;
    case kKunoStraighten:
      DrawFigureFrame(record, host, style, 46 + record.frame);
      if (++record.ticks > T) {
        record.ticks = 0;
        if (++record.frame > 1) {
          record.frame = 0;
          offset = 0;
          record.ticks = 99;
          record.ticksPerFrame = host.Rand() % 4 + 5;
          record.state = kKunoWalk;
        }
      }
      break;
    case kKunoWalk: {
      const StrideResult walked = WalkStride(record, host, style, {48 + offset, -15, -120}, [&] {
        if (host.Rand() % 5 == 0) offset = (host.Rand() % 2) * 4;
        if (host.Rand() % 4 == 0) record.ticksPerFrame = host.Rand() % 4 + 5;
      });
      if (walked == StrideResult::kNotDue) break;
      if (walked == StrideResult::kLeft) return;
      // A wipe may have taken him past the edge: he leaves at his next frame.
      if (record.x < -120) {
        LeaveScreen(record, host);
        return;
      }
      if (host.ObjectClicked()) {
        if (host.SoundAvailable()) host.PlayFigureSoundFile(record);
        host.ClearObjectClicked();
        record.ticks = 99;
        offset = (host.Rand() % 2) * 4;
        record.state = kKunoWipe;
      }
      break;
    }
    case kKunoWipe:
      if (!FrameDue(record, record.ticksPerFrame)) break;
      DrawFigureFrame(record, host, style, 56 + offset + record.frame);
      if (++record.frame > 3) {
        record.frame = 0;
        record.x -= 15;
        record.state = kKunoWalk;
      }
      break;
    default:
      LeaveScreen(record, host);
      return;
  }
  EndOfTick(record, host, style);
}
