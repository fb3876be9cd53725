#include "objects/portable/object_frame.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The key-state bits of a mouse message's wParam (MK_SHIFT, MK_CONTROL).
constexpr unsigned kKeyShift = 0x0004;
constexpr unsigned kKeyControl = 0x0008;

ZPlacement LoadPlacementOf(ObjectHost& host) {
  return TopmostRule(host.OnTop(), host.OptionsOpen(), ZPlacement::kNotTopmost);
}

// The placement after a load, repeated every 100 redraws while OnTop is set.
void PlaceAsLoaded(ObjectHost& host) {
  if (host.Enabled() && host.FiguresActive()) host.Place(LoadPlacementOf(host));
}

void LoadStep(FigureMotion& record, ObjectPlacement& placement, ObjectRequests& requests, ObjectHost& host) {
  placement = host.ChosenFace();
  if (!host.Load(record, placement)) return;
  record.ticksPerFrame = kObjectTicksPerFrame;
  record.x = 0;
  record.y = 0;
  record.frame = 0;
  record.steps = 0;
  record.ticks = 0;
  PlaceAsLoaded(host);
  requests.relayout = 1;
  record.state = kObjectShown;
}

void ShownStep(FigureMotion& record, ObjectHost& host) {
  if (++record.ticks > record.ticksPerFrame) {
    record.ticks = 0;
    host.Redraw(record);
    if (host.OnTop() && --record.steps < 1) {
      record.steps = kTopmostReassertRedraws;
      PlaceAsLoaded(host);
    }
  }
  host.ShownTick(record);
}

void LiftAndDrop(FigureMotion& record, ObjectRequests& requests, ObjectHost& host,
                 const ObjectLogTexts& texts) {
  if (requests.held && !record.lifted) {
    host.Log(texts.lift);
    record.lifted = 1;
    record.state = kObjectLiftBegins;
  } else if (!requests.held && record.lifted) {
    host.Log(texts.drop);
    record.lifted = 0;
    record.state = kObjectDropped;
  }
}

void Raise(ObjectRequests& requests, ObjectHost& host) {
  if (!requests.raiseRequest.exchange(0)) return;
  if (!host.Enabled() || !host.FiguresActive()) return;
  host.Place(TopmostRule(host.OnTop(), host.OptionsOpen(), ZPlacement::kTop));
}

void Relayout(FigureMotion& record, ObjectPlacement& placement, ObjectRequests& requests, ObjectHost& host) {
  if (!requests.relayout.exchange(0)) return;
  record.workArea = host.WorkArea();
  ClampObjectPosition(placement, record.workArea);
  host.MoveTo(placement);
  if (placement.save) {
    host.SavePosition(placement);
    placement.save = false;
  }
}

}  // namespace

int ObjectTicksToNextStep(const FigureMotion& record, int quietTicks) {
  if (record.state != kObjectShown || record.lifted) return 1;
  const int frame = std::max(1, record.ticksPerFrame + 1);
  const int next = std::max(1, record.ticksPerFrame + 1 - record.ticks);
  if (quietTicks <= next) return next;
  return next + (quietTicks - next + frame - 1) / frame * frame;
}

ZPlacement TopmostRule(bool onTop, bool optionsOpen, ZPlacement otherwise) {
  return onTop && !optionsOpen ? ZPlacement::kTopmost : otherwise;
}

void ClampObjectPosition(ObjectPlacement& placement, const SceneRect& workArea) {
  placement.x = std::max(0, std::min(placement.x, workArea.right - placement.width));
  if (placement.yMovable)
    placement.y = std::max(0, std::min(placement.y, workArea.bottom - placement.height));
  else
    placement.y = workArea.bottom - placement.height;
}

bool NudgeObject(ObjectPlacement& placement, int direction, const SceneRect& workArea) {
  switch (direction) {
    case -1:
      if (placement.x <= 1) return false;
      --placement.x;
      return true;
    case 1:
      if (placement.x >= workArea.right - placement.width) return false;
      ++placement.x;
      return true;
    case -2:
      if (!placement.yMovable || placement.y <= 1) return false;
      --placement.y;
      return true;
    case 2:
      if (!placement.yMovable || placement.y >= workArea.bottom - placement.height) return false;
      ++placement.y;
      return true;
    default:
      return false;
  }
}

void StepObject(FigureMotion& record, ObjectPlacement& placement, ObjectRequests& requests, ObjectHost& host,
                const ObjectLogTexts& texts) {
  switch (record.state) {
    case kObjectLoad:
      LoadStep(record, placement, requests, host);
      // A successful load ends the step; a failed one has nothing to move.
      return;
    case kObjectShown:
      ShownStep(record, host);
      break;
    case kObjectLiftBegins:
      placement.grab = {host.PressPoint().x - record.x, host.PressPoint().y - record.y};
      record.state = kObjectLifted;
      [[fallthrough]];
    case kObjectLifted: {
      const ScenePoint cursor = host.CursorPos();
      placement.x = cursor.x - placement.grab.x;
      placement.y = cursor.y - placement.grab.y;
      requests.relayout = 1;
      host.Redraw(record);
      break;
    }
    case kObjectDropped:
      host.Redraw(record);
      requests.relayout = 1;
      placement.save = true;
      record.state = kObjectShown;
      break;
    default:
      record.state = kObjectShown;
      break;
  }

  LiftAndDrop(record, requests, host, texts);
  Raise(requests, host);
  if (const int direction = requests.nudge.exchange(0)) {
    if (NudgeObject(placement, direction, record.workArea)) requests.relayout = 1;
  }
  Relayout(record, placement, requests, host);
}

ClickKind ClassifyClick(unsigned keyFlags) {
  if (keyFlags == kKeyControl) return ClickKind::kLowerAll;
  if (keyFlags == kKeyShift) return ClickKind::kMenu;
  return ClickKind::kPlain;
}

bool MovedFarEnoughToLift(ScenePoint rest, ScenePoint now) {
  return std::abs(now.x - rest.x) > 2 || std::abs(now.y - rest.y) > 2;
}
