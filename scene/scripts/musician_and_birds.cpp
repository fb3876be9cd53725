// The street musician (scene 42), who plays while the player plays and shows
// its title with the player's buttons, and the birds (scene 90), a flock
// that flies across the top of the screen in a window of its own.

#include <algorithm>

#include "scene/figures/fig042_frames.h"
#include "scene/figures/fig120_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

// Musician states.
enum {
  kWalkLeft = 2,
  kPlayLeft = 3,
  kLeaveLeft = 9,
  kWalkRight = 10,
  kPlayRight = 11,
  kLeaveRight = 19,
};
constexpr int kStride = 22;
constexpr int kCycle = 6;
constexpr int kBubbleLifetime = 25;

// Bubble buttons (the shell's codes for the musician).
enum { kButtonFigure = 0, kButtonStop = 4, kButtonTitle = 7, kButtonHide = 8, kButtonWalkOn = 9 };

int DangleEveryFive(const FigureMotion&, ScriptHost&) {
  return 4;
}

const LiftStyle kLiftLeft{
    .liftFrame = kFig042PlayLeftFirst,
    .liftLeaveFrame = kFig042PlayLeftFirst + 1,
    .dangleFirst = kFig042PlayLeftFirst,
    .dangleLast = kFig042PlayLeftFirst + 2,
    .dangleThreshold = DangleEveryFive,
    .dropFrame = kFig042PlayLeftFirst,
    .overlay = {80, 92},
};
const LiftStyle kLiftRight{
    .liftFrame = kFig042PlayRightFirst,
    .liftLeaveFrame = kFig042PlayRightFirst + 1,
    .dangleFirst = kFig042PlayRightFirst,
    .dangleLast = kFig042PlayRightFirst + 2,
    .dangleThreshold = DangleEveryFive,
    .dropFrame = kFig042PlayRightFirst,
    .overlay = {80, 92},
};
constexpr FigureStyle MusicianStyle(const LiftStyle* lift) {
  return {
      .number = kFig042Number,
      .name = "Benno R. Kling",
      .frames = kFig042Frames,
      .frameHeight = kFig042Height,
      .overlay = {184, 107},  // room for his bubble
      .placement = 2,
      .lift = lift,
  };
}
const FigureStyle kMusicianLeft = MusicianStyle(&kLiftLeft);
const FigureStyle kMusicianRight = MusicianStyle(&kLiftRight);

bool FacesLeft(int state) {
  return state == kWalkLeft || state == kPlayLeft || state == kLeaveLeft;
}

void StartPlaying(FigureMotion& record, int state) {
  record.frame = record.ticks = 0;
  record.state = state;
}

void WalkOn(FigureMotion& record, int state, int steps) {
  record.x += FacesLeft(state) ? -kStride : kStride;
  record.state = state;
  record.steps = steps;
}

void ShowTitle(FigureMotion& record, ScriptHost& host) {
  const std::string title = host.PlayerTitle();
  if (record.x <= 300)
    host.ShowSpeechBubble(record, 6, title.c_str(), record.x + 70, record.y - 90, kBubbleLifetime);
  else
    host.ShowSpeechBubble(record, 5, title.c_str(), record.x - 170, record.y - 90, kBubbleLifetime);
}

void Walk(FigureMotion& record, ScriptHost& host, const FigureStyle& style) {
  if (!FrameDue(record, record.ticksPerFrame)) return;
  const bool left = FacesLeft(record.state);
  const int first = (left ? kFig042WalkLeftFirst : kFig042WalkRightFirst) + host.Memories().musicianVariant;
  DrawFigureFrame(record, host, style, first + record.frame);
  if (++record.frame < kCycle) return;
  record.frame = 0;
  record.x += left ? -kStride : kStride;
  if (host.Rand() % 3 == 0) host.Memories().musicianVariant = host.Rand() % 2 * 6;
  if (left ? record.x < -100 : record.x > record.objectRect.right) {
    LeaveScreen(record, host);
    return;
  }
  // He stands to play where his last walking frame showed him: the stride
  // just taken is taken back.
  if (host.ObjectClicked()) {
    TakeClick(host);
    record.steps = left ? host.Rand() % 25 + 8 : host.Rand() % 13 + 4;
    record.x += left ? kStride : -kStride;
    StartPlaying(record, left ? kPlayLeft : kPlayRight);
    return;
  }
  if ((record.state == kWalkLeft || record.state == kWalkRight) && !host.BillboardUpdateRequest()) {
    if (--record.steps <= 0 && record.x >= 251 && record.x < record.objectRect.right - 180) {
      record.steps = host.Rand() % 13 + 4;
      record.x += left ? kStride : -kStride;
      StartPlaying(record, left ? kPlayLeft : kPlayRight);
    }
  }
}

void Play(FigureMotion& record, ScriptHost& host, const FigureStyle& style) {
  const bool left = record.state == kPlayLeft;
  if (FrameDue(record, record.ticksPerFrame * (host.Rand() % 8 + 2))) {
    DrawFigureFrame(record, host, style,
                    (left ? kFig042PlayLeftFirst : kFig042PlayRightFirst) + record.frame);
    ++record.frame;
    if (record.frame > host.Rand() % 8 + 6) record.frame = 0;
    if (!left && record.frame > kFig042PlayRightLast) record.frame = 0;
    if (host.BillboardUpdateRequest() || (!host.PlayerTitleValid() && !host.PlayerPlaying())) {
      WalkOn(record, left ? kWalkLeft : kWalkRight, host.Rand() % 25 + 8);
      return;
    }
    if (host.TakePlayerTitleChanged()) ShowTitle(record, host);
  }
  if (!host.ObjectClicked()) return;
  TakeClick(host);
  switch (host.TakeWinampButton()) {
    case kButtonFigure:
      if (host.BubbleType() == 0)
        ShowTitle(record, host);
      else
        host.KillSpeechBubble();
      break;
    case kButtonStop:
      if (left)
        WalkOn(record, kWalkLeft, host.Rand() % 41 + 24);
      else
        WalkOn(record, kLeaveRight, record.steps);
      break;
    case kButtonTitle:
      if (host.BubbleType() == 0) ShowTitle(record, host);
      break;
    case kButtonHide:
      host.KillSpeechBubble();
      break;
    case kButtonWalkOn:
      host.KillSpeechBubble();
      WalkOn(record, left ? kLeaveLeft : kWalkRight, host.Rand() % 13 + 4);
      break;
    default:
      break;
  }
}

// Birds.
enum { kFlyLeft = 1, kFlyRight = 2 };
constexpr int kMaxBoost = 4;

SceneSize BirdWindow(int frameSet) {
  return {frameSet == kBirdsWideSet ? kBirdsWideWidth : kBirdsWidth, kBirdsHeight};
}

void ShowBirds(FigureMotion& record, ScriptHost& host) {
  host.SetObjectPlacement({record.x, record.y}, BirdWindow(host.Memories().birdFrameSet));
  host.ShowObject(record);
}

void LoadBirds(FigureMotion& record, ScriptHost& host) {
  const int direction = host.Rand() % 2 ? -1 : 1;
  const int number = kBirdsFirstNumber + (direction > 0 ? 2 : 0) + host.Rand() % 2;
  if (!host.LoadFigure(record, number, 1)) {
    host.UnloadFigure(record);
    return;
  }
  record.direction = direction;
  record.frameTime = std::max(host.Speed() - 25, 20);
  host.SetFigureName(record, "V\xF6gel");
  // Wide enough for either flock size; the window shows the set's width.
  record.objectRect = {0, 0, kBirdsWideWidth, kBirdsHeight};
  record.overlayRect = {};
  if (!host.CreateFigureBitmaps(record, {kBirdsWideWidth, kBirdsHeight}, {})) {
    host.UnloadFigure(record);
    return;
  }
  record.y = host.Rand() % 41;
  record.ticksPerFrame = host.Rand() % 3 + 2;
  host.Memories().birdFrameSet = host.Rand() % 3 * 4;
  // Each flock starts 50 pixels beyond the edge it enters from.
  record.x = direction > 0 ? -(BirdWindow(host.Memories().birdFrameSet).width + 50) : record.workArea.right;
  record.frame = record.ticks = record.frameSet = record.steps = 0;
  host.ClearObject(record);
  ShowBirds(record, host);
  PutOnTopUnlessOptions(host);
  record.state = direction > 0 ? kFlyRight : kFlyLeft;
}

// One tick of flight; false when the flock has left.
bool FlyBirds(FigureMotion& record, ScriptHost& host) {
  if (!FrameDue(record, record.ticksPerFrame)) return true;
  const SpriteFrame& frame = kBirdsFrames[host.Memories().birdFrameSet + record.frame];
  host.ClearObject(record);
  host.DrawObjectFrame(record, 0, frame, {0, 0});
  int moved = ++record.frame;
  if (record.frame > 3) {
    record.frame = 0;
    moved = 4;
    if (record.frameSet != 0) {
      if (host.Rand() % 4 == 0 && record.frameSet > 1) --record.frameSet;
    } else {
      record.ticksPerFrame = host.Rand() % 3 + 2;
    }
    if (record.state == kFlyLeft && record.y > 30 && host.Rand() % 4 == 0) record.y -= 2;
    if (host.SoundAvailable() && host.SoundOption(4)) {
      if (--record.steps < 1 && host.Rand() % 33 == 0) {
        record.steps = host.Rand() % 361 + 40;
        host.PlaySample(host.Rand() % 4 != 0 ? 9 : 10, record);
      }
    }
    host.UpdateFigureSound(record);
  }
  record.x += (record.frameSet + 2 + moved) / 2 * (record.state == kFlyRight ? 1 : -1);
  ShowBirds(record, host);
  const bool gone = record.state == kFlyRight ? record.x > record.workArea.right : record.x < -350;
  return !gone && record.y <= record.workArea.bottom;
}

void ClickBirds(FigureMotion& record, ScriptHost& host) {
  if (!host.ObjectClicked()) return;
  if (record.ticksPerFrame > 2) --record.ticksPerFrame;
  if (record.frameSet < kMaxBoost) ++record.frameSet;
  record.y += record.frameSet;
  ShowBirds(record, host);
  if (host.Rand() % 2 == 0) host.ClearObjectClicked();
}

}  // namespace

void BehaveFigure42(FigureMotion& record, ScriptHost& host) {
  int& remembered = host.Memories().musicianState;
  const FigureStyle& style =
      FacesLeft(record.state < kStateLiftBegin ? record.state : remembered) ? kMusicianLeft : kMusicianRight;
  switch (record.state) {
    case kStateLoad: {
      if (!BeginFigure(record, host, style)) return;
      int& last = host.Memories().musicianDirection;
      const int direction = last == 0 ? (host.Rand() % 2 ? -1 : 1) : -last;
      last = direction;
      record.direction = direction;
      record.x = direction > 0 ? -80 : host.ScreenWidth();
      record.y = 0;
      record.ticks = 9999;  // the first frame comes at once
      record.frame = record.steps = 0;
      host.Memories().musicianVariant = 0;
      record.ticksPerFrame = host.Rand() % 3 + 4;
      PutOnTopUnlessOptions(host);
      record.state = direction > 0 ? kWalkRight : kWalkLeft;
      return;
    }
    case kWalkLeft:
    case kLeaveLeft:
    case kWalkRight:
    case kLeaveRight:
      Walk(record, host, style);
      break;
    case kPlayLeft:
    case kPlayRight:
      Play(record, host, style);
      break;
    default:
      if (!RunLiftStates(record, host, style)) {
        LeaveScreen(record, host);
        return;
      }
      // Back from a drop: on with what he was doing.
      if (record.state == style.lift->resumeState) record.state = remembered;
      break;
  }
  if (!record.active) return;
  if (record.state < kStateLiftBegin) remembered = record.state;
  EndOfTick(record, host, style);
}

void BehaveBirds(FigureMotion& record, ScriptHost& host) {
  switch (record.state) {
    case kStateLoad:
      LoadBirds(record, host);
      return;
    case kFlyLeft:
    case kFlyRight:
      if (!FlyBirds(record, host)) {
        LeaveScreen(record, host);
        return;
      }
      ClickBirds(record, host);
      if (record.y > record.workArea.bottom) {
        LeaveScreen(record, host);
        return;
      }
      break;
    default:
      LeaveScreen(record, host);
      return;
  }
  // Like the plane: the load's request reaches the other objects first.
  if (host.RelayoutRequest()) {
    record.workArea = host.WorkArea();
    host.SetRelayoutRequest(0);
  }
}
