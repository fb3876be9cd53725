// One-way strollers: figures 8 and 10 walk left from the right edge, figure
// 13 walks right and sneezes. All three stand now and then and can be lifted.

#include "scene/figures/fig008_frames.h"
#include "scene/figures/fig013_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

enum { kWalk = 1, kStand = 2, kAct = 3, kClickAct = 5 };
constexpr int kStandFirst = 13;
constexpr int kActFirst = 4;
constexpr int kSneezeFirst = 8;
constexpr int kStandBack = 27;  // standing frames are wider than walking ones

int TwiceTicksPerFrame(const FigureMotion& r, ScriptHost&) {
  return 2 * r.ticksPerFrame;
}
int TicksPerFrame(const FigureMotion& r, ScriptHost&) {
  return r.ticksPerFrame;
}

const LiftStyle kLift08{
    .liftFrame = 13,
    .dangleFirst = 13,
    .dangleLast = 21,
    .dangleThreshold = TwiceTicksPerFrame,
    .dangleRestart = [](ScriptHost& h) { return h.Rand() % 5; },
    .dropFrame = 13,
    .resumeState = kStand,
};
const LiftStyle kLift10{
    .liftFrame = 18,
    .dangleFirst = 18,
    .dangleLast = 21,
    .dangleThreshold = TwiceTicksPerFrame,
    .dangleRestart = [](ScriptHost& h) { return h.Rand() % 2; },
    .dropFrame = 13,
    .resumeState = kStand,
};
const LiftStyle kLift13{
    .liftFrame = 13,
    .dangleFirst = 13,
    .dangleLast = 23,
    .dangleThreshold = TicksPerFrame,
    .dangleRestart = [](ScriptHost& h) { return h.Rand() % 3; },
    .dropFrame = 4,
    .resumeState = kStand,
};

const FigureStyle kFigure08{.number = kFig008Number,
                            .name = "Alma Korbitz",
                            .frames = kFig008Frames,
                            .frameHeight = kFig008Height,
                            .overlay = {88, 82},
                            .placement = 2,
                            .lift = &kLift08};
const FigureStyle kFigure10{.number = kFig010Number,
                            .name = "Nelly Sprott",
                            .frames = kFig008Frames,
                            .frameHeight = kFig008Height,
                            .overlay = {88, 82},
                            .placement = 2,
                            .lift = &kLift10};
const FigureStyle kFigure13{.number = kFig013Number,
                            .name = "Bodo Schnief",
                            .frames = kFig013Frames,
                            .frameHeight = kFig013Height,
                            .overlay = {56, 78},
                            .placement = 3,
                            .lift = &kLift13};

bool InStopBand(const FigureMotion& r, ScriptHost& host) {
  return r.x >= 151 && r.x < host.ScreenWidth() - 150;
}

// Figures 8 and 10: one script, figure 10 with its own small differences.
void LeftStroller(FigureMotion& record, ScriptHost& host, const FigureStyle& style, int& variant,
                  bool isTen) {
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.x = host.ScreenWidth();
      record.y = 0;
      record.direction = -1;
      record.frame = record.steps = record.ticks = 0;
      record.ticksPerFrame = host.Rand() % 3 + 6;
      variant = 0;
      PutOnTopUnlessOptions(host);
      record.state = kWalk;
      return;
    case kWalk:
      switch (WalkStride(record, host, style, {variant, -13, -88},
                         [&] { variant = host.Rand() % 7 > 0 ? 0 : 9; })) {
        case StrideResult::kLeft:
          return;
        case StrideResult::kStrode:
          ++record.steps;
          if (!host.BillboardUpdateRequest() &&
              (host.ObjectClicked() ||
               (record.steps >= 401 && InStopBand(record, host) && host.Rand() % 17 == 0))) {
            host.ClearObjectClicked();
            record.frame = record.ticks = 0;
            record.x -= kStandBack;
            record.counterA = host.Rand() % 15 + 2;
            record.state = kStand;
          }
          break;
        default:
          break;
      }
      if (record.state == kWalk) CommonClickReaction(record, host);
      break;
    case kStand:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 5 + 4))) {
        DrawFigureFrame(record, host, style, kStandFirst + record.frame);
        const int limit = isTen ? host.Rand() % 7 + 4 : host.Rand() % 8 + 4;
        if (++record.frame > limit) record.frame = host.Rand() % 5;
        if (!host.BillboardUpdateRequest()) --record.counterA;
        if (record.counterA < 1 || host.BillboardUpdateRequest()) {
          record.x += kStandBack;
          record.frame = record.ticks = record.steps = 0;
          if (isTen) variant = 0;
          record.state = kWalk;
          break;
        }
      }
      if (host.ObjectClicked()) {
        if (!isTen && host.SoundAvailable()) host.PlayFigureSoundFile(record);
        host.ClearObjectClicked();
        record.counterA = host.Rand() % 6;
        record.state = kAct;
      }
      break;
    case kAct:
      if (FrameDue(record, 3 * record.ticksPerFrame)) {
        DrawFigureFrame(record, host, style, kActFirst + record.frame);
        if (++record.frame > host.Rand() % 3 + 2) record.frame = host.Rand() % 5;
        if (--record.counterA < 1) {
          record.frame = 0;
          record.state = kStand;
        }
      }
      break;
    default:
      if (!RunLiftStates(record, host, style)) {
        LeaveScreen(record, host);
        return;
      }
      break;
  }
  // Lifted while walking: back to where the standing frames line up.
  if (record.active && record.state == kWalk && host.FigureHeld() && !record.lifted) record.x -= kStandBack;
  EndOfTick(record, host, style);
}

}  // namespace

void BehaveFigure08(FigureMotion& record, ScriptHost& host) {
  LeftStroller(record, host, kFigure08, host.Memories().figure08Variant, false);
}

void BehaveFigure10(FigureMotion& record, ScriptHost& host) {
  LeftStroller(record, host, kFigure10, host.Memories().figure10Variant, true);
}

void BehaveFigure13(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFigure13;
  switch (record.state) {
    case kStateLoad:
      if (!BeginFigure(record, host, style)) return;
      record.x = -60;
      record.y = 0;
      record.direction = 1;
      record.frame = record.steps = record.ticks = 0;
      record.ticksPerFrame = (host.Rand() % 3) * 4 + 12;
      PutOnTopUnlessOptions(host);
      record.state = kWalk;
      return;
    case kWalk:
      if (const StrideResult walked = WalkStride(record, host, style, {0, 15});
          walked == StrideResult::kLeft) {
        return;
      } else if (walked != StrideResult::kNotDue) {
        ++record.steps;
        if (host.ObjectClicked() && host.SoundAvailable()) host.PlayFigureSoundFile(record);
        if (!host.BillboardUpdateRequest() &&
            (host.ObjectClicked() ||
             (record.steps >= 401 && InStopBand(record, host) && host.Rand() % 17 == 0))) {
          host.ClearObjectClicked();
          record.frame = record.ticks = record.steps = 0;
          record.state = kStand;
        }
      }
      break;
    case kStand:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 6 + 3))) {
        DrawFigureFrame(record, host, style, kActFirst + record.frame);
        if (++record.frame > host.Rand() % 4) {
          record.frame = 0;
          if (host.Rand() % 17 != 0) {
            if (host.Rand() % 5 == 0 || host.BillboardUpdateRequest()) record.state = kWalk;
          } else {
            if (host.SoundAvailable() && host.SoundOption(2) && host.Rand() % 4 == 0) {
              host.PlaySample(6, record);
              host.UpdateFigureSound(record);
            }
            record.state = kAct;
          }
        }
      }
      if (record.state == kStand && host.ObjectClicked() && !host.BillboardUpdateRequest()) {
        host.ClearObjectClicked();
        record.frame = 0;
        record.state = kClickAct;
      }
      break;
    case kAct:  // the sneeze
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 7 + 2))) {
        DrawFigureFrame(record, host, style, kSneezeFirst + record.frame);
        if (++record.frame > 3) {
          record.frame = 0;
          if (host.ObjectClicked() && !host.BillboardUpdateRequest()) {
            host.ClearObjectClicked();
            record.state = kClickAct;
          } else {
            record.state = kStand;
          }
        }
      }
      break;
    case kClickAct:
      if (FrameDue(record, host.Rand() % 5 + 5)) {
        DrawFigureFrame(record, host, style, kStandFirst + record.frame);
        if (++record.frame > 10) {
          record.frame = 0;
          record.state = kStand;
        }
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
