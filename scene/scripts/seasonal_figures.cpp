// The birthday figure, who reads the due birthdays out, and the figures of
// the seasons: Nikolaus in Advent, the Osterhase in Easter week and the
// clown at carnival. All of them walk in from the left.

#include <string>

#include "scene/figures/fig035_frames.h"
#include "scene/figures/fig037_frames.h"
#include "scene/figures/fig038_frames.h"
#include "scene/figures/fig039_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

// Dangle 4, 5, 6, then again from 4 or 5; he goes on standing.
const LiftStyle kFig035Lift{
    .liftFrame = kFig035StandFirst,
    .dangleFirst = kFig035StandFirst,
    .dangleLast = kFig035StandFirst + 2,
    .dangleRestart = [](ScriptHost& host) { return host.Rand() % 2; },
    .dropFrame = kFig035StandFirst,
    .resumeState = 2,
};

const FigureStyle kFig035{
    .number = kFig035Number,
    .name = "Fabiam Merk",
    .frames = kFig035Frames,
    .window = WindowStyle::kMoving,
    .bitmapWidth = kFig035Width,
    .frameHeight = kFig035Height,
    .overlay = {184, 118},
    .placement = 3,
    .lift = &kFig035Lift,
};

// Neither Nikolaus nor the clown is ever lifted or speaks: a token overlay.
const FigureStyle kFig037{
    .number = kFig037Number,
    .name = "Nikolaus",
    .frames = kFig037Frames,
    .frameHeight = kFig037Height,
    .overlay = {1, 1},
    .placement = 3,
};

const LiftStyle kFig038Lift{
    .liftFrame = kFig038Sit,
    .dangleFirst = kFig038Sit,
    .dangleLast = kFig038Sit + 1,
    .dangleThreshold = [](const FigureMotion&, ScriptHost& host) { return host.Rand() % 7 + 3; },
    .dropFrame = kFig038Sit,
    .resumeState = 3,
    .killsBubble = false,
};

const FigureStyle kFig038{
    .number = kFig038Number,
    .name = "Osterhase",
    .frames = kFig038Frames,
    .frameHeight = kFig038Height,
    .overlay = {120, 103},
    .placement = 2,
    .lift = &kFig038Lift,
};

const FigureStyle kFig039{
    .number = kFig039Number,
    .name = "Clown",
    .frames = kFig039Frames,
    .frameHeight = kFig039Height,
    .overlay = {1, 1},
    .placement = 2,
};

// Load and start position shared by the four: walking right from x.
bool Enter(FigureMotion& record, ScriptHost& host, const FigureStyle& style, int x, int ticksPerFrame) {
  if (!BeginFigure(record, host, style)) return false;
  record.x = x;
  record.y = 0;
  record.direction = 1;
  record.frame = record.steps = record.ticks = 0;
  record.ticksPerFrame = ticksPerFrame;
  return true;
}

enum { kBirthdayWalk = 1, kBirthdayTell = 2 };
enum { kNikolausStand = 1, kNikolausWalk = 3 };
enum { kHareHop = 1, kHareSit = 2, kHareAct = 3 };
enum { kClownWalk = 1 };

// The next due text in a bubble beside him; an empty text shows nothing but
// still counts, so the next click brings the next one.
void TellNextBirthday(FigureMotion& record, ScriptHost& host, int& textIndex) {
  const int count = host.DueBirthdayCount();
  if (count < 1) return;
  if (textIndex >= count) textIndex = 0;
  const std::string text = host.DueBirthdayText(textIndex);
  if (!text.empty()) {
    if (record.x < 211)
      host.ShowSpeechBubble(record, 1, text.c_str(), record.x + 110, -50, 25);
    else
      host.ShowSpeechBubble(record, 2, text.c_str(), record.x - 154, -40, 25);
  }
  textIndex = textIndex + 1 >= count ? 0 : textIndex + 1;
  record.steps = 6;
}

}  // namespace

void BehaveBirthdayFigure(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFig035;
  switch (record.state) {
    case kStateLoad:
      if (!Enter(record, host, style, -kFig035Width, host.Rand() % 3 + 7)) return;
      host.SetObjectPlacement(ObjectDestination(record, style), ObjectSize(host, style));
      host.Memories().birthdayTextIndex = 0;
      PutOnTopUnlessOptions(host);
      record.state = kBirthdayWalk;
      return;
    case kBirthdayWalk:
      if (const StrideResult walked =
              WalkStride(record, host, style,
                         {.step = 20, .frames = kFig035WalkFrames, .rightExit = record.workArea.right});
          walked == StrideResult::kLeft) {
        return;
      } else if (walked == StrideResult::kStrode &&
                 (host.ObjectClicked() || (record.x >= 151 && record.x < record.workArea.right - 200 &&
                                           !host.BillboardUpdateRequest() && host.Rand() % 13 == 0))) {
        TakeClick(host);
        record.x -= 8;
        record.steps = host.Rand() % 4;
        record.ticks = 0;
        record.state = kBirthdayTell;
      }
      break;
    case kBirthdayTell:
      if (FrameDue(record, record.ticksPerFrame + 6 + host.Rand() % 11)) {
        DrawFigureFrame(record, host, style, kFig035StandFirst + record.frame);
        if (kFig035StandFirst + ++record.frame > kFig035StandLast) {
          record.frame = host.Rand() % 4 == 0 ? 1 : 2;
          if (--record.steps < 1 || host.BillboardUpdateRequest()) {
            record.x += 24;
            record.frame = record.ticks = 0;
            record.state = kBirthdayWalk;
          }
        }
      }
      if (record.state == kBirthdayTell && host.ObjectClicked()) {
        if (host.BubbleType() != 0)
          host.KillSpeechBubble();
        else
          TellNextBirthday(record, host, host.Memories().birthdayTextIndex);
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

void BehaveFigure37(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFig037;
  switch (record.state) {
    case kStateLoad:
      if (!Enter(record, host, style, -72, host.Rand() % 3 + 4)) return;
      PutOnTopUnlessOptions(host);
      record.state = kNikolausWalk;
      return;
    case kNikolausWalk: {
      if (WalkStride(record, host, style,
                     {.step = 17, .frames = kFig037WalkFrames, .rightExit = record.objectRect.right}) ==
          StrideResult::kLeft)
        return;
      ++record.steps;
      const bool clicked = host.ObjectClicked();
      if (clicked && host.SoundAvailable()) host.PlayFigureSoundFile(record);
      if (clicked || (record.steps >= 301 && !host.BillboardUpdateRequest() && host.Rand() % 5 == 0)) {
        TakeClick(host);
        record.x -= 17;
        record.frame = 0;
        record.steps = 1;
        record.ticks = 99;
        record.state = kNikolausStand;
      }
      break;
    }
    case kNikolausStand:
      if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 9 + 4))) {
        DrawFigureFrame(record, host, style, kFig037ActFirst + record.frame);
        if (++record.frame >= kFig037ActFrames) {
          record.frame = 0;
          if (record.steps-- <= 1 || host.ObjectClicked() || host.BillboardUpdateRequest()) {
            TakeClick(host);
            record.direction = 1;
            record.x += 25;
            record.steps = 0;
            record.ticksPerFrame = host.Rand() % 3 + 4;
            record.state = kNikolausWalk;
          }
        }
      }
      if (record.state == kNikolausStand) CommonClickReaction(record, host);
      break;
    default:
      LeaveScreen(record, host);
      return;
  }
  EndOfTick(record, host, style);
}

void BehaveFigure38(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFig038;
  const auto hopOn = [&] {
    record.x += 33;
    record.frame = record.ticks = 0;
    record.state = kHareHop;
  };
  switch (record.state) {
    case kStateLoad:
      if (!Enter(record, host, style, -100, host.Rand() % 3 + 8)) return;
      PutOnTopUnlessOptions(host);
      record.state = kHareHop;
      return;
    case kHareHop:
      if (WalkStride(record, host, style,
                     {.step = 33, .frames = kFig038HopFrames, .rightExit = record.objectRect.right},
                     [&] { record.ticksPerFrame = host.Rand() % 3 + 8; }) == StrideResult::kLeft)
        return;
      if (record.frame == 0 && host.ObjectClicked()) {
        TakeClick(host);
        record.x -= 33;
        record.ticks = 0;
        record.state = kHareSit;
      }
      break;
    case kHareSit:
      if (FrameDue(record, record.ticksPerFrame + 1 + host.Rand() % 6)) {
        DrawFigureFrame(record, host, style, kFig038Sit);
        if (host.Rand() % 4 == 0 || host.BillboardUpdateRequest()) {
          hopOn();
        } else {
          record.frame = 0;
          record.state = kHareAct;
        }
      }
      CommonClickReaction(record, host);
      break;
    case kHareAct:
      if (FrameDue(record, 4)) {
        DrawFigureFrame(record, host, style, kFig038ActFirst + record.frame);
        if (++record.frame > host.Rand() % 2 + 3) hopOn();
      }
      CommonClickReaction(record, host);
      break;
    default:
      if (!RunLiftStates(record, host, style)) {
        LeaveScreen(record, host);
        return;
      }
      break;
  }
  // Lifted mid-hop, he is taken from where the hop began.
  if (record.state == kHareHop && host.FigureHeld() && !record.lifted) record.x -= 33;
  EndOfTick(record, host, style);
}

void BehaveFigure39(FigureMotion& record, ScriptHost& host) {
  const FigureStyle& style = kFig039;
  switch (record.state) {
    case kStateLoad:
      if (!Enter(record, host, style, -112, host.Rand() % 3 + 4)) return;
      host.PutFigureOnTop();  // the clown shows himself even over the options sheet
      record.state = kClownWalk;
      return;
    case kClownWalk:
      if (WalkStride(record, host, style,
                     {.first = record.frameSet,
                      .step = 27,
                      .frames = kFig039WalkFrames,
                      .rightExit = record.objectRect.right},
                     [&] {
                       record.frameSet = host.Rand() % 2 == 1 ? 0 : kFig039SetB;
                       record.ticksPerFrame = host.Rand() % 3 + 8;
                     }) == StrideResult::kLeft)
        return;
      CommonClickReaction(record, host);
      break;
    default:
      LeaveScreen(record, host);
      return;
  }
  EndOfTick(record, host, style);
}
