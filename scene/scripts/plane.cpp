// The plane with the user's banner (scene 91): a moving window near the top
// of the screen that crosses it once, faster and at another height after
// each click. It cannot be lifted and never speaks.

#include <algorithm>

#include "scene/figures/fig124_frames.h"
#include "scene/portable/figure_frame.h"
#include "scene/scripts/figure_memories.h"
#include "scene/scripts/figure_scripts.h"

namespace {

enum { kFlyLeft = 1, kFlyRight = 2 };
constexpr int kMaxBoost = 4;
constexpr SceneSize kPlaneSize{kFig124Width, kFig124Height};

// The window's place is the record's x (left edge) and y (top edge).
void Show(FigureMotion& record, ScriptHost& host) {
  host.SetObjectPlacement({record.x, record.y}, kPlaneSize);
  host.ShowObject(record);
}

void Leave(FigureMotion& record, ScriptHost& host) {
  LeaveScreen(record, host);
}

void Load(FigureMotion& record, ScriptHost& host) {
  int& last = host.Memories().planeDirection;
  const int direction = last == 0 ? (host.Rand() % 2 == 1 ? -1 : 1) : -last;
  last = direction;
  if (!host.LoadFigure(record, kFig124Number, 1)) {
    host.UnloadFigure(record);
    return;
  }
  record.direction = direction;
  record.frameTime = std::max(host.Speed() - 25, 20);
  host.SetFigureName(record, "Flugzeug");
  record.objectRect = {0, 0, kFig124Width, kFig124Height};
  record.overlayRect = {};
  if (!host.CreateFigureBitmaps(record, kPlaneSize, {}) || !host.DrawBannerText(record)) {
    host.UnloadFigure(record);
    return;
  }
  record.x = direction > 0 ? -kFig124Width : record.workArea.right;
  record.y = host.Rand() % 31 + 10;
  host.ClearObject(record);
  Show(record, host);
  record.frame = record.ticks = record.frameSet = 0;
  record.ticksPerFrame = host.Rand() % 3;
  PutOnTopUnlessOptions(host);
  host.PlaceFigureBelowTopmost();
  record.state = direction > 0 ? kFlyRight : kFlyLeft;
}

// One tick of flight; false when the plane has left.
bool Fly(FigureMotion& record, ScriptHost& host) {
  if (++record.ticks <= record.ticksPerFrame) return true;
  record.ticks = 0;
  const int first = record.state == kFlyRight ? kFig124RightFirst : kFig124LeftFirst;
  host.ClearObject(record);
  host.DrawObjectFrame(record, 0, kFig124Frames[first + record.frame], {0, 0});
  if (++record.frame > 1) {
    record.frame = 0;
    const int r = host.Rand();
    if (record.frameSet != 0) {
      if (r % 4 == 0 && record.frameSet > 1) --record.frameSet;
    } else {
      record.ticksPerFrame = r % 3 + 1;
    }
    if (record.y > 20) {
      if (host.Rand() % 4 == 0) --record.y;
    } else if (record.y < 10) {
      if (host.Rand() % 4 == 0) ++record.y;
    }
  }
  record.x += (2 + record.frameSet) * (record.state == kFlyRight ? 1 : -1);
  Show(record, host);
  const bool gone = record.state == kFlyLeft ? record.x < -kFig124Width : record.x > record.workArea.right;
  return !gone && record.y <= record.workArea.bottom;
}

void Click(FigureMotion& record, ScriptHost& host) {
  if (!host.ObjectClicked()) return;
  if (record.ticksPerFrame > 0) --record.ticksPerFrame;
  if (record.frameSet < kMaxBoost) ++record.frameSet;
  record.y += host.Rand() % 2 == 0 ? -1 : 1;
  Show(record, host);
  host.ClearObjectClicked();
}

}  // namespace

void BehavePlane(FigureMotion& record, ScriptHost& host) {
  switch (record.state) {
    case kStateLoad:
      Load(record, host);
      return;
    case kFlyLeft:
    case kFlyRight:
      if (!Fly(record, host)) {
        Leave(record, host);
        return;
      }
      Click(record, host);
      if (record.y > record.workArea.bottom) {
        Leave(record, host);
        return;
      }
      break;
    default:
      Leave(record, host);
      return;
  }
  // A relayout is served once the load's own request has reached the other
  // objects (the tick after the load), and only when one is pending: the
  // plane itself only takes the new work area, it flies at the top.
  if (host.RelayoutRequest()) {
    record.workArea = host.WorkArea();
    host.SetRelayoutRequest(0);
  }
}
