#include "objects/desktop_object.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"

#include <algorithm>

#include "services/debug_log.h"
#include "services/window_requests.h"
#include "services/shell_requests.h"
#include "stage/billboard_state.h"
#include "services/messages.h"
#include "services/win_util.h"
#include "services/threads.h"
#include "stage/figure_bitmaps.h"
#include "stage/speech_bubble.h"

namespace {

constexpr UINT kZOnlyFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;

HWND ZTarget(ZPlacement where) {
  switch (where) {
    case ZPlacement::kTopmost:
      return HWND_TOPMOST;
    case ZPlacement::kNotTopmost:
      return HWND_NOTOPMOST;
    default:
      return HWND_TOP;
  }
}

// The show message: hidden while the object is off, shown and stacked by its
// rules while the figures are on.
WindowAction ShowActionFor(const DesktopObject& object, const ObjectWindowRules& rules) {
  const AppSettings& settings = HandedSettings(object.links);
  if (rules.enabled(settings) <= 0) return WindowAction::kHide;
  if (!object.links.figures->active) return WindowAction::kShow;
  const ZPlacement where =
      TopmostRule(rules.onTop(settings) != 0, object.links.shell->optionsOpen != 0, ZPlacement::kTop);
  return where == ZPlacement::kTopmost ? WindowAction::kShowTopmost : WindowAction::kShowTop;
}

}  // namespace

const AppSettings& HandedSettings(const ObjectLinks& links) {
  if (links.settings) return links.settings->Read();
  static const AppSettings* const defaults = new AppSettings;
  return *defaults;
}

DesktopObject* ObjectOfWindow(HWND window) {
  // Only object windows carry a request whose owner is set.
  const WindowRequest* request = RequestOfWindow(window);
  return request ? static_cast<DesktopObject*>(request->owner) : nullptr;
}

void* WindowOwner(HWND window) {
  const DesktopObject* object = ObjectOfWindow(window);
  return object ? object->owner : nullptr;
}

int StartDesktopObject(DesktopObject& object, const ObjectClassInfo& info, void* owner) {
  if (!object.links.figures || !object.links.shell || !object.links.overlay || !object.links.settings) {
    WriteLogLine("+++ %s NICHT gestartet (4)", info.threadName);
    return 0;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC | CS_BYTEALIGNCLIENT;
  wc.lpfnWndProc = info.procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_HAND);
  wc.hbrBackground = KeyBrush();
  wc.lpszClassName = info.className;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    WriteLogLine("+++ %s NICHT gestartet (1)", info.threadName);
    return 0;
  }
  HWND window = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_LAYERED, info.className, "", WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, instance, nullptr);
  if (!window) {
    WriteLogLine("+++ %s NICHT gestartet (2)", info.threadName);
    return 0;
  }
  ShowWindow(window, SW_HIDE);
  object.owner = owner;
  object.windowRequest.owner = &object;
  object.windowRequest.redraw = &object.redrawRequest;
  AttachWindowRequest(window, object.windowRequest);
  object.window = window;  // before the thread runs: it reads the handle
  DWORD id = 0;
  HANDLE thread = StartThread(info.threadProc, owner, &id);
  if (!thread) {
    WriteLogLine("+++ %s NICHT gestartet (3)", info.threadName);
    return 0;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL);
  object.SetThread(thread);
  WriteLogLine("%s gestartet", info.threadName);
  return 1;
}

LRESULT ObjectWindowMessage(DesktopObject& object, const ObjectWindowRules& rules, HWND window, UINT message,
                            WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      // Null when the shutdown took the handle first: nothing to wait for.
      WaitForAndCloseThread(object.TakeThread(), kObjectWindowThreadWaitMs);
      DetachWindowRequest(window);
      return 0;
    default:
      break;
  }
  // The object's thread shows and hides its window (ObjectThreadPass); a
  // window shown again gets its picture pushed again.
  if (message == rules.hideMessage) {
    object.RequestWindow(WindowAction::kHide);
  } else if (message == rules.showMessage) {
    if (rules.enabled(HandedSettings(object.links)) > 0) object.redrawRequest = 1;
    object.RequestWindow(ShowActionFor(object, rules));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void ObjectKeyDown(DesktopObject& object, WPARAM key) {
  switch (key) {
    case VK_LEFT:
      object.nudge = -1;
      break;
    case VK_UP:
      object.nudge = -2;
      break;
    case VK_RIGHT:
      object.nudge = 1;
      break;
    case VK_DOWN:
      object.nudge = 2;
      break;
    default:
      break;
  }
}

void ObjectButtonDown(DesktopObject& object, HWND window, int x, int y) {
  SetForegroundWindow(window);
  object.links.figures->press.Set(x, y);
  SetCapture(window);
}

void ObjectMouseMove(DesktopObject& object, int x, int y, WPARAM keys) {
  if (!(keys & MK_LBUTTON)) {
    object.restPoint.Set(x, y);
    object.links.figures->press.Set(x, y);
    return;
  }
  const ScenePoint rest{object.restPoint.x, object.restPoint.y};
  if (MovedFarEnoughToLift(rest, {x, y})) {
    object.held = 1;
    NudgeMouse();
  }
  object.links.figures->press.Set(x, y);
}

bool DispatchModifiedClick(WPARAM keys) {
  switch (ClassifyClick(static_cast<unsigned>(keys))) {
    case ClickKind::kLowerAll:
      RequestLowerDesktop();
      return false;
    case ClickKind::kMenu:
      RequestShellMenu();
      return false;
    default:
      return true;
  }
}

void EndObjectClick(DesktopObject& object) {
  ReleaseCapture();
  object.held = 0;
}

bool WindowsObjectHost::FiguresActive() {
  return object_.links.figures->active != 0;
}
bool WindowsObjectHost::OptionsOpen() {
  return object_.links.shell->optionsOpen != 0;
}
void WindowsObjectHost::Log(const char* text) {
  WriteLogLine("%s", text);
}
ScenePoint WindowsObjectHost::PressPoint() {
  const AtomicPoint& press = object_.links.figures->press;
  return {press.x, press.y};
}

ScenePoint WindowsObjectHost::CursorPos() {
  POINT p = {};
  GetCursorPos(&p);
  return {p.x, p.y};
}

SceneRect WindowsObjectHost::WorkArea() {
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left, area.top, area.right, area.bottom};
}

void WindowsObjectHost::Place(ZPlacement where) {
  // A raise after a relayout or the topmost reassertion must not undo a hide
  // asked for meanwhile (figures off, a full-screen program).
  const UINT show = object_.hiddenByRequest ? 0 : SWP_SHOWWINDOW;
  SetWindowPos(object_.window, ZTarget(where), 0, 0, 0, 0, kZOnlyFlags | show);
  pushDue_ = true;  // a restacked layered window may have dropped its picture
}

void WindowsObjectHost::MoveTo(const ObjectPlacement& placement) {
  layer_.destination = {placement.x, placement.y};
  UpdateLayer();
}

BOOL WindowsObjectHost::UpdateLayer() {
  FigureRecord* r = record_;
  if (!r || !r->objectDC || !r->objectBitmap) return FALSE;
  return kept_.Push(object_.window, r->objectScreenDC.get(), r->objectDC.get(), rows_, layer_.destination,
                    layer_.size);
}

bool WindowsObjectHost::LoadSheet(const char* sheetName, HMODULE alternateModule) {
  FigureRecord* r = record_;
  WriteLogLine("LADEN: %s", sheetName);
  r->objectScreenDC = WindowDC(nullptr);
  r->objectDC.reset(CreateCompatibleDC(r->objectScreenDC.get()));
  r->overlayScreenDC = WindowDC(nullptr);
  r->overlayDC.reset(CreateCompatibleDC(r->overlayScreenDC.get()));
  r->objectWindow = object_.window;
  r->overlayWindow = object_.links.overlay->Window();
  r->overlay = object_.links.overlay;
  r->keyBrush = KeyBrush();
  r->state = kObjectLoad;
  r->active = 1;
  for (HDC dc : {r->objectScreenDC.get(), r->overlayScreenDC.get()})
    if (dc) SetMapMode(dc, MM_TEXT);
  for (HDC dc : {r->objectDC.get(), r->overlayDC.get()})
    if (dc) SetLayout(dc, 0);
  r->workArea = WorkArea();

  if (alternateModule) r->sheets[0].reset(ResourceBitmap(alternateModule, sheetName, 0, nullptr, 0));
  if (!r->sheets[0]) r->sheets[0].reset(ResourceBitmap(GetModuleHandleA(nullptr), sheetName, 0, nullptr, 0));
  if (!r->sheets[0]) {
    WriteLogLine("ResourceBitmap(\"%s\") - nicht gefunden!", sheetName);
    UnloadFigure(r);
    return false;
  }
  r->masks[0].reset(CreateMask(r->sheets[0].get()));
  if (!r->masks[0]) {
    WriteLogLine("CreateMask() - Zu wenig Speicher!");
    UnloadFigure(r);
    return false;
  }
  if (!MakeTransparentBitmap(r->sheets[0].get(), r->masks[0].get(), kKeyColour)) {
    WriteLogLine("MakeTransparentBitmap() - Zu wenig Speicher!");
    UnloadFigure(r);
    return false;
  }
  RECT size = {};
  GetBitmapRect(r->sheets[0].get(), &size);
  r->sheetWidth = size.right;
  r->sheetHeight = size.bottom;
  return true;
}

bool WindowsObjectHost::MakeBitmaps(const ObjectPlacement& placement) {
  FigureRecord* r = record_;
  pushDue_ = true;  // the new bitmaps hold no picture yet
  r->objectRect = {0, 0, placement.width, placement.height};
  r->overlayRect = {0, 0, kBubbleWidth, BubbleHeight(1)};
  r->objectBitmap = MakeKeptPicture({placement.width, placement.height}, rows_);
  r->overlayBitmap.reset(CreateCompatibleBitmap(r->overlayScreenDC.get(), kBubbleWidth, BubbleHeight(1)));
  if (!r->objectBitmap || !r->overlayBitmap || !r->objectDC || !r->overlayDC) {
    UnloadFigure(r);
    return false;
  }
  r->objectSelection = SelectedObject(r->objectDC.get(), r->objectBitmap.get());
  r->overlaySelection = SelectedObject(r->overlayDC.get(), r->overlayBitmap.get());
  layer_.destination = {placement.x, placement.y};
  layer_.size = {placement.width, placement.height};
  layer_.source = {0, 0};
  layer_.blend = {};
  RECT area = {0, 0, placement.width, placement.height};
  FillRect(r->objectDC.get(), &area, r->keyBrush);
  UpdateLayer();
  return true;
}

DWORD WindowsObjectHost::QuietMs() {
  // A push asked for, or due since the window was restacked (which may have
  // dropped its picture): at the next frame, not after a quiet stretch.
  if (pushDue_ || object_.redrawRequest) return 0;
  // An unchanged picture is not pushed again on a timer: Wine paints what a
  // passing window uncovers of a kept window by itself (where it cannot be
  // kept, that window asks: AskForPushUnder); a restack sets pushDue_.
  const LocalDateTime now = LocalNow();
  const int toMinute = (60 - now.second) * 1000 - now.milliseconds;
  return static_cast<DWORD>(std::max(toMinute, 0));
}

void WindowsObjectHost::ShowFrameIfChanged(const RECT& frame, bool changed) {
  const bool asked = object_.redrawRequest.exchange(0) != 0;
  if (!changed && !asked && !pushDue_ && EqualRect(&frame, &shownFrame_)) return;
  pushDue_ = false;
  shownFrame_ = frame;
  ShowFrame(frame);
}

void WindowsObjectHost::ShowFrame(const RECT& frame) {
  FigureRecord* r = record_;
  if (!r->objectDC) return;
  RECT area = {0, 0, r->objectRect.right, r->objectRect.bottom};
  FillRect(r->objectDC.get(), &area, r->keyBrush);
  DrawSprite(r->objectDC.get(), r->sheets[0].get(), r->masks[0].get(), {0, 0}, frame);
  UpdateLayer();
}

void WindowsObjectHost::DrawGlyphs(const GlyphList& glyphs, const DigitStripBitmaps& strips) {
  FigureRecord* r = record_;
  if (!r->sheets[0]) return;
  const BitmapDC sheet(r->sheets[0].get());
  if (!sheet.ok()) return;
  for (const GlyphPlacement& g : glyphs) {
    const GlyphRect src = GlyphSource(*kDigitStrips[g.strip], g.glyph);
    DrawBitmapPart(sheet.get(), g.x, g.y, strips.bitmaps[g.strip].get(),
                   RECT{src.x, src.y, src.width, src.height});
  }
}

void UnloadDesktopObject(FigureRecord* record, HWND window) {
  if (!record) return;
  if (window) {
    if (const WindowDC dc(window); dc) {
      RECT area = {};
      GetClientRect(window, &area);
      FillRect(dc.get(), &area, KeyBrush());
    }
    SetWindowPos(window, HWND_BOTTOM, 0, 9999, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  }
  // Logs, releases the DCs, deletes bitmaps, sheets and masks and zeroes the
  // record; an object's record leaves the figure windows alone.
  UnloadFigure(record);
}

namespace {
void ApplyObjectWindowRequest(DesktopObject& object, WindowsObjectHost& host) {
  WindowAction applied = WindowAction::kNone;
  ApplyWindowRequest(object.window, object.windowRequest, &applied, [&host] { host.PushBeforeShow(); });
  if (const int visibility = VisibilityAfter(applied)) object.hiddenByRequest = visibility < 0 ? 1 : 0;
}
}  // namespace

void ObjectThreadPass(DesktopObject& object, WindowsObjectHost& host, const ObjectLogTexts& texts,
                      const std::function<void(FigureRecord*)>& unload) {
  FigureRecord* record = host.Record();
  ApplyBubbleKillRequest(*object.links.overlay);
  if (object.reloadRequest.exchange(0)) {
    unload(record);
    object.relayout = 1;
  }
  // A show asked for comes before this pass's step, so the step pushes the
  // picture to the shown window; a hide comes last, so the step's own
  // placing cannot undo it.
  if (object.windowRequest.action.load() != static_cast<int>(WindowAction::kHide))
    ApplyObjectWindowRequest(object, host);
  if (host.Enabled() && !object.links.shell->fullScreenPause) {
    // A relayout asked and already cleared while this thread slept counts too.
    const unsigned relayouts = RelayoutRequest.Sets();
    if (RelayoutRequest || relayouts != object.relayoutsSeen) object.relayout = 1;
    object.relayoutsSeen = relayouts;
    StepObject(*record, host.Placement(), object, host, texts);
  }
  ApplyObjectWindowRequest(object, host);
}

bool DigitStripBitmaps::Load() {
  Delete();
  bool all = true;
  for (int id : {kSmallStrip, kLargeStrip}) {
    bitmaps[id].reset(ResourceBitmap(GetModuleHandleA(nullptr), kDigitStrips[id]->name, 0, nullptr, 0));
    if (bitmaps[id]) continue;
    WriteLogLine("ResourceBitmap(\"%s\") - nicht gefunden!", kDigitStrips[id]->name);
    all = false;
  }
  return all;
}

void DigitStripBitmaps::Delete() {
  for (OwnedBitmap& bitmap : bitmaps) bitmap.reset();
}

void RunObjectPasses(DesktopObject& object, WindowsObjectHost& host, const std::function<void()>& pass,
                     DWORD tickMs) {
  int due = 1;
  while (!QuitFlag) {
    const DWORD start = GetTickCount();
    object.wake.Wait(static_cast<DWORD>(due) * tickMs);
    // Woken early: the ticks that passed, at least the one that serves the wake.
    const DWORD elapsed = GetTickCount() - start + tickMs / 2;
    const int ticks = std::clamp(static_cast<int>(elapsed / tickMs), 1, due);
    for (int i = 0; i < ticks && !QuitFlag; ++i) pass();
    const FigureRecord* record = host.Record();
    due = !host.Enabled() || object.links.shell->fullScreenPause
              ? kObjectOffTicks
              : ObjectTicksToNextStep(*record, static_cast<int>(host.QuietMs() / tickMs));
  }
}

DWORD RunObjectThread(DesktopObject& object, WindowsObjectHost& host, const ObjectLogTexts& texts,
                      const std::function<void(FigureRecord*)>& unload, DigitStripBitmaps& strips,
                      const char* endLine) {
  object.reloadRequest = 0;
  strips.Load();
  FigureRecord* record = AllocateFigureRecord();
  if (record) {
    host.Bind(record);
    RunObjectPasses(object, host, [&] { ObjectThreadPass(object, host, texts, unload); });
    // The shutdown hides and closes the window once we have ended: a hide
    // sent from here would only wait for the main thread, which waits for us.
    UnloadDesktopObject(record, nullptr);
    host.Bind(nullptr);
    FreeFigureRecord(record);
  }
  strips.Delete();
  WriteLogLine("%s", endLine);
  return 0;
}

namespace {

// The clock and the countdown come forward, topmost when they are kept on
// top and no option page is open.
WindowAction RaiseClockLike(const DesktopObject& object, int onTop) {
  return onTop && !object.links.shell->optionsOpen ? WindowAction::kRaiseTopmost : WindowAction::kRaiseTop;
}

}  // namespace

namespace {
HWND WindowOf(const DesktopObject* object) {
  return object ? object->window : nullptr;
}
HWND WindowOf(const WindowRequest* request) {
  return request ? request->Window() : nullptr;
}
WindowRequest* RequestOf(DesktopObject* object) {
  return object ? &object->windowRequest : nullptr;
}
// The objects push their pictures only when they change: a restacked window
// is asked to push once more, in case the window system dropped its layered
// content. A request not handed, or without its window yet, is left.
void Restack(WindowRequest* request, WindowAction action) {
  if (!WindowOf(request)) return;
  request->Restack(action);
  if (request->redraw) *request->redraw = 1;
}
}  // namespace

void LowerDesktopWindows(const ObjectWindows& objects) {
  for (WindowRequest* request :
       {objects.figure, objects.overlay, RequestOf(objects.countdown), RequestOf(objects.clock),
        objects.wall ? &objects.wall->windowRequest : nullptr, RequestOf(objects.weather), objects.strip})
    Restack(request, WindowAction::kStackBottom);
  WakeWorkers();  // the drawing threads may be waiting for work
}

void RaiseDesktopWindows(const ObjectWindows& objects) {
  DesktopObject* const weather = objects.weather;
  DesktopObject* const clock = objects.clock;
  DesktopObject* const countdown = objects.countdown;
  const FigureState off;
  const FigureState& figures = objects.figures ? *objects.figures : off;
  if (const AppSettings* const settings = objects.settings) {
    const AppSettings& s = *settings;
    if (WindowOf(objects.strip) && s.HG && MayShowObject(figures, s.HGNotDA)) {
      objects.strip->Set(WindowAction::kShowBottom);
      WakeWorkers();
    }
    if (WindowOf(weather) && s.Weather[0] > 0 && MayShowObject(figures, s.WeatherNotDA)) {
      weather->RequestWindow(WindowAction::kRaiseNotTopmost);
      weather->redrawRequest = 1;
    }
    BillboardStateBlock* const wall = objects.wall;
    if (wall && wall->windowRequest.Window() && s.Billboard && MayShowObject(figures, s.BillboardNotDA)) {
      wall->windowRequest.Set(WindowAction::kRaiseNotTopmost);
      wall->redrawRequest = 1;
    }
    if (WindowOf(clock) && s.Clock && MayShowObject(figures, s.ClockNotDA))
      clock->RequestWindow(RaiseClockLike(*clock, s.ClockOnTop));
    if (WindowOf(countdown) && s.Countdown && MayShowObject(figures, s.CountdownNotDA))
      countdown->RequestWindow(RaiseClockLike(*countdown, s.CountdownOnTop));
  }
  // The animation thread restacks them after the objects' raises above.
  Restack(objects.figure, WindowAction::kStackTopmost);
  Restack(objects.overlay, WindowAction::kStackTopmost);
  WakeWorkers();
}
