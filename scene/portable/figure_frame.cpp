#include "scene/portable/figure_frame.h"

namespace {

ScenePoint Minus(ScenePoint a, ScenePoint b) {
  return {a.x - b.x, a.y - b.y};
}

void DrawOverlayIndex(FigureMotion& record, ScriptHost& host, const FigureStyle& style, int index) {
  host.ClearOverlay(record);
  if (index >= 0 && static_cast<size_t>(index) < style.frames.size())
    host.DrawOverlayFrame(record, 0, style.frames[index], {record.overlayX, record.overlayY});
  host.ShowOverlay(record);
}

SceneSize OverlaySize(const FigureMotion& record) {
  return {record.overlayRect.right - record.overlayRect.left,
          record.overlayRect.bottom - record.overlayRect.top};
}

}  // namespace

SceneSize ObjectSize(ScriptHost& host, const FigureStyle& style) {
  if (style.window == WindowStyle::kMoving) return {style.bitmapWidth, style.frameHeight};
  return {host.ScreenWidth(), style.frameHeight};
}

ScenePoint ObjectDestination(const FigureMotion& record, const FigureStyle& style) {
  const int top = record.workArea.bottom - style.frameHeight + style.placement;
  return {style.window == WindowStyle::kMoving ? record.x : 0, top};
}

void PutOnTopUnlessOptions(ScriptHost& host) {
  if (!host.OptionsOpen()) host.PutFigureOnTop();
}

bool BeginFigure(FigureMotion& record, ScriptHost& host, const FigureStyle& style) {
  if (!host.LoadFigure(record, style.number, style.sheets)) {
    host.UnloadFigure(record);
    return false;
  }
  record.frameTime = host.Speed();
  host.SetFigureName(record, style.name);
  const SceneSize object = ObjectSize(host, style);
  record.objectRect = {0, 0, object.width, object.height};
  record.overlayRect = {0, 0, style.overlay.width, style.overlay.height};
  if (!host.CreateFigureBitmaps(record, object, style.overlay)) {
    host.UnloadFigure(record);
    return false;
  }
  host.SetObjectPlacement(ObjectDestination(record, style), object);
  host.ClearObject(record);
  host.ShowObject(record);
  return true;
}

void DrawFigureFrame(FigureMotion& record, ScriptHost& host, const FigureStyle& style, int index) {
  host.ClearObject(record);
  ScenePoint at{record.x, style.drawY};
  if (style.window == WindowStyle::kMoving) {
    host.SetObjectPlacement(ObjectDestination(record, style), ObjectSize(host, style));
    at = {0, style.drawY};
  }
  if (index >= 0 && static_cast<size_t>(index) < style.frames.size())
    host.DrawObjectFrame(record, 0, style.frames[index], at);
  host.ShowObject(record);
}

void LeaveScreen(FigureMotion& record, ScriptHost& host) {
  host.ClearObject(record);
  host.ShowObject(record);
  host.UnloadFigure(record);
}

bool FrameDue(FigureMotion& record, int threshold) {
  if (++record.ticks > threshold) {
    record.ticks = 0;
    return true;
  }
  return false;
}

void TakeClick(ScriptHost& host) {
  host.ClearObjectClicked();
  PutOnTopUnlessOptions(host);
  host.SetRelayoutRequest(1);
}

bool CommonClickReaction(FigureMotion& record, ScriptHost& host) {
  if (!host.ObjectClicked() || !host.SoundAvailable()) return false;
  host.PlayFigureSoundFile(record);
  TakeClick(host);
  return true;
}

void HoldTest(FigureMotion& record, ScriptHost& host, const FigureStyle& style) {
  if (!style.lift || !record.active) return;
  const bool held = host.FigureHeld();
  if (held && !record.lifted) {
    if (style.lift->killsBubble && host.BubbleType() != 0) host.KillSpeechBubble();
    host.Log("Hochheben...");
    record.lifted = 1;
    record.state = kStateLiftBegin;
  } else if (!held && record.lifted) {
    host.Log("Fallen lassen...");
    record.lifted = 0;
    record.state = kStateDropped;
  }
}

bool RunLiftStates(FigureMotion& record, ScriptHost& host, const FigureStyle& style) {
  if (!style.lift) return false;
  const LiftStyle& lift = *style.lift;
  ScenePoint cursor;
  switch (record.state) {
    case kStateLiftBegin: {
      ScenePoint press = host.PressPoint();
      if (style.window == WindowStyle::kStrip) press.x -= record.x;
      host.SetGrabOffset(press);
      cursor = host.CursorPos();
      const SceneSize lifted = lift.overlay.width > 0 ? lift.overlay : style.overlay;
      record.overlayRect = {0, 0, lifted.width, lifted.height};
      host.SetOverlayPlacement(Minus(cursor, host.GrabOffset()), OverlaySize(record));
      record.overlayX = record.overlayY = 0;
      DrawOverlayIndex(record, host, style, lift.liftFrame);
      host.ShowOverlayWindow(record, true);
      record.state = kStateLiftLeave;
      [[fallthrough]];
    }
    case kStateLiftLeave:
      if (record.state == kStateLiftLeave) {
        host.ClearObject(record);
        host.ShowObject(record);
        cursor = host.CursorPos();
        host.SetOverlayPlacement(Minus(cursor, host.GrabOffset()), OverlaySize(record));
        DrawOverlayIndex(record, host, style,
                         lift.liftLeaveFrame >= 0 ? lift.liftLeaveFrame : lift.liftFrame);
        record.state = kStateHeld;
        record.frame = record.ticks = 0;
      }
      [[fallthrough]];
    case kStateHeld: {
      cursor = host.CursorPos();
      host.SetOverlayPlacement(Minus(cursor, host.GrabOffset()), OverlaySize(record));
      DrawOverlayIndex(record, host, style, lift.dangleFirst + record.frame);
      const int threshold =
          lift.dangleThreshold ? lift.dangleThreshold(record, host) : 2 * record.ticksPerFrame;
      if (++record.ticks > threshold) {
        record.frame++;
        record.ticks = 0;
        const bool past = lift.dangleLimit ? record.frame > lift.dangleLimit(host)
                                           : lift.dangleFirst + record.frame > lift.dangleLast;
        if (past) record.frame = lift.dangleRestart ? lift.dangleRestart(host) : 0;
      }
      return true;
    }
    case kStateDropped:
      cursor = host.CursorPos();
      record.x = cursor.x - host.GrabOffset().x;
      DrawFigureFrame(record, host, style, lift.dropFrame);
      record.ticks = record.frame = 0;
      record.state = kStateDropDone;
      return true;
    case kStateDropDone:
      host.ClearOverlay(record);
      host.ShowOverlay(record);
      host.ShowOverlayWindow(record, false);
      host.PutFigureOnTop();  // also while an option page is open
      record.state = lift.resumeState;
      return true;
    default:
      return false;
  }
}

void RelayoutCheck(FigureMotion& record, ScriptHost& host, const FigureStyle& style) {
  if (!record.active || record.state < 1 || !host.RelayoutRequest()) return;
  if (style.window == WindowStyle::kStrip) record.objectRect.right = host.ScreenWidth();
  record.workArea = host.WorkArea();
  const SceneSize size{record.objectRect.right - record.objectRect.left,
                       record.objectRect.bottom - record.objectRect.top};
  host.SetObjectPlacement(ObjectDestination(record, style), size);
  host.ShowObject(record);
  host.SetRelayoutRequest(0);
}

void EndOfTick(FigureMotion& record, ScriptHost& host, const FigureStyle& style) {
  if (!record.active) return;
  HoldTest(record, host, style);
  RelayoutCheck(record, host, style);
}
