#pragma once
// The desktop objects that stand on their own (clock, countdown, weather
// sign): each has a window class, one hidden layered pop-up window made on
// the main thread, and one thread that owns a FigureRecord and steps the
// object's frame (objects/portable/object_frame.h) every tick. The window
// procedure only turns mouse and keys into the requests the thread polls.

#include <windows.h>

#include <atomic>
#include <functional>

#include "services/atomic_words.h"
#include "services/handles.h"
#include "services/settings.h"
#include "services/settings_owner.h"
#include "services/threads.h"
#include "objects/portable/clock_logic.h"
#include "objects/portable/object_frame.h"
#include "services/window_requests.h"
#include "stage/figure_record.h"
#include "stage/kept_layer.h"
#include "stage/layered_windows.h"
#include "stage/portable/object_controls.h"

struct BillboardStateBlock;
struct FigureState;
struct ShellState;
class Overlay;

// What an object reads of the figures and the shell, handed by the shell: the
// figures' switch and the press point (which the object's window procedure
// records), the options sheet being open and the full-screen pause; the
// overlay its bubbles are handed to; and the settings it reads, which take
// its dragged place.
struct ObjectLinks {
  FigureState* figures = nullptr;
  const ShellState* shell = nullptr;
  Overlay* overlay = nullptr;
  SettingsOwner* settings = nullptr;
};

// The settings an object was handed; an object handed none (which never
// starts) reads the defaults.
const AppSettings& HandedSettings(const ObjectLinks& links);

struct DesktopObject : ObjectRequests, RequestWaker, ObjectControls {
  DesktopObject() { waker = this; }
  explicit DesktopObject(const ObjectLinks& handed) : links(handed) { waker = this; }
  // Off the list of windows asked to push again (its host lists it while
  // Wine cannot keep the window).
  ~DesktopObject() { ListWindowUnder(nullptr, redrawRequest); }
  DesktopObject(const DesktopObject&) = delete;
  DesktopObject& operator=(const DesktopObject&) = delete;
  void WakeForRequest() override { wake.Wake(); }

  // The options sheet's asks, as request words its thread serves.
  void AskReload(bool reload) override { reloadRequest = reload ? 1 : 0; }
  void AskRelayout() override { relayout = 1; }
  void AskRaise(bool topmost) override {
    if (window) RequestWindow(topmost ? WindowAction::kRaiseTopmost : WindowAction::kRaiseNotTopmost);
  }

  // Set before the object starts: StartDesktopObject refuses an object without them.
  ObjectLinks links;
  HWND window = nullptr;  // set once at start, before the thread runs
  void* owner = nullptr;  // what StartDesktopObject handed the thread (the clock, ...)
  AtomicPoint restPoint;  // last cursor point seen without the left button
  WorkerWake wake;        // the object's thread waits on it between passes
  // Shows and hides of the window, made by the object's thread: others ask
  // with RequestWindow, which wakes it.
  WindowRequest windowRequest;
  // Set by the thread while a hide asked for stands (until a show or raise
  // is asked for): its own restacks then leave the window hidden.
  std::atomic<int> hiddenByRequest{0};
  void RequestWindow(WindowAction action) {
    windowRequest.Set(action);
    WakeForRequest();
  }

  // The object's thread. Exactly one party takes the handle (WM_DESTROY or the
  // shutdown), waits for the thread and closes it; everyone else finds null.
  void SetThread(HANDLE handle) { thread_.store(handle); }
  OwnedHandle TakeThread() { return OwnedHandle(thread_.exchange(nullptr)); }
  bool HasThread() const { return thread_.load() != nullptr; }

 private:
  std::atomic<HANDLE> thread_{nullptr};
};

// ---- Start ----

struct ObjectClassInfo {
  const char* className;   // "LunClock"
  const char* threadName;  // "ClockThread", for the log lines
  WNDPROC procedure;
  LPTHREAD_START_ROUTINE threadProc;
};
// Registers the class, creates the hidden window and starts the thread below
// normal priority, handing it `owner`. 1 on success; 0 after logging
// "+++ %s NICHT gestartet (n)" with 1 class, 2 window, 3 thread, 4 an object
// not handed its links. The window's request word (window_requests.h) leads to
// its object and owner (ObjectOfWindow, WindowOwner) until it is destroyed.
int StartDesktopObject(DesktopObject& object, const ObjectClassInfo& info, void* owner = nullptr);
// The object and the owner StartDesktopObject gave `window`; null for any
// other window (and for messages its creation sends).
DesktopObject* ObjectOfWindow(HWND window);
void* WindowOwner(HWND window);

// ---- Window procedure ----

struct ObjectWindowRules {
  UINT hideMessage;  // MSG_HIDE_CLOCK ...
  UINT showMessage;
  // Of the settings the object is handed (ObjectLinks::settings).
  int (*enabled)(const AppSettings&);  // Clock, Countdown ...
  int (*onTop)(const AppSettings&);    // ClockOnTop ...
};
// What every object window handles alike: its destruction (the thread is
// waited for 300 ms unless the shutdown took it) and the hide and show
// messages; the rest goes to DefWindowProcA. The object's own procedure
// handles keys and mouse first with the functions below.
LRESULT ObjectWindowMessage(DesktopObject& object, const ObjectWindowRules& rules, HWND window, UINT message,
                            WPARAM wParam, LPARAM lParam);
// Arrow keys set the nudge direction.
// Client point of a mouse message: signed low and high words.
inline int MessageX(LPARAM lParam) {
  return static_cast<short>(LOWORD(lParam));
}
inline int MessageY(LPARAM lParam) {
  return static_cast<short>(HIWORD(lParam));
}
void ObjectKeyDown(DesktopObject& object, WPARAM key);
// Foreground, press point, capture.
void ObjectButtonDown(DesktopObject& object, HWND window, int x, int y);
// Without the left button the point becomes the rest point; with it, a move
// of 3 pixels or more from the rest point lifts the object.
void ObjectMouseMove(DesktopObject& object, int x, int y, WPARAM keys);
// Ctrl alone asks the shell to lower every object window, Shift alone to
// open the tray menu; true for a plain click, which the object handles itself.
bool DispatchModifiedClick(WPARAM keys);
// The end of every left-button release: capture released, not held.
void EndObjectClick(DesktopObject& object);

// ---- Thread side ----

// The record's picture and where it stands: one argument block per object.
struct ObjectLayer {
  POINT destination = {};
  SIZE size = {};
  POINT source = {};
  BLENDFUNCTION blend = {};
};

// The Windows half of the frame: an object's record, window, DCs and layered
// block. Objects add their face (Redraw, ShownTick, ChosenFace, SavePosition).
class WindowsObjectHost : public ObjectHost {
 public:
  // `enabled` and `onTop` are of the settings the object is handed.
  WindowsObjectHost(DesktopObject& object, const SettingInt& enabled, const SettingInt& onTop)
      : object_(object), settings_(HandedSettings(object.links)), enabled_(enabled), onTop_(onTop) {
    kept_.ListFor(object.redrawRequest, &object.wake);
  }
  void Bind(FigureRecord* record) { record_ = record; }
  FigureRecord* Record() const { return record_; }
  ObjectPlacement& Placement() { return placement_; }
  ObjectLayer& Layer() { return layer_; }
  DesktopObject& Object() { return object_; }
  // The window's pushes (tests see whether it is kept and its regions).
  const KeptLayer& Kept() const { return kept_; }
  // What the window request's show of the hidden window runs first: the
  // picture drawn last goes to its surface, so it shows with it, not blank.
  void PushBeforeShow() { UpdateLayer(); }

  // How long the shown picture needs nothing but the repeated push: up to the
  // next minute (the faces show minutes) or the next push, whichever is first.
  virtual DWORD QuietMs();

  bool Enabled() override { return enabled_ != 0; }
  bool OnTop() override { return onTop_ != 0; }
  bool FiguresActive() override;
  bool OptionsOpen() override;
  void Log(const char* text) override;
  ScenePoint PressPoint() override;
  ScenePoint CursorPos() override;
  SceneRect WorkArea() override;
  void Place(ZPlacement where) override;
  void MoveTo(const ObjectPlacement& placement) override;

 protected:
  // The record's DCs, windows, work area and sheet 0 "name" with its mask;
  // logs "LADEN: <name>" first. False with the record unloaded.
  bool LoadSheet(const char* sheetName, HMODULE alternateModule);
  // Object and overlay bitmaps, the layered block and the first, empty
  // picture at the placement. The object's bitmap is the face's size padded
  // to whole surface steps, the padding see-through. False with the record
  // unloaded.
  bool MakeBitmaps(const ObjectPlacement& placement);
  // Key colour, then `frame` of sheet 0 through its mask, then the window.
  void ShowFrame(const RECT& frame);
  // ShowFrame when the picture changed, `frame` is not the one shown, the
  // window was restacked from this thread or someone asked (redrawRequest: a
  // show or restack, or a window that left part of one Wine cannot keep);
  // otherwise the unchanged picture stays.
  void ShowFrameIfChanged(const RECT& frame, bool changed);
  // Copies glyphs from the digit strips into sheet 0 (opaque).
  void DrawGlyphs(const GlyphList& glyphs, const struct DigitStripBitmaps& strips);
  // Pushes the picture (the record's bitmap, of whole surface steps) kept:
  // opaque into a region of its opaque pixels where Wine keeps the window,
  // else colour-keyed (and then listed for the asks of windows passing over).
  BOOL UpdateLayer();

  DesktopObject& object_;
  // What the object reads: the settings it is handed (ObjectLinks::settings).
  const AppSettings& settings_;

 private:
  const SettingInt& enabled_;
  const SettingInt& onTop_;
  FigureRecord* record_ = nullptr;
  ObjectPlacement placement_;
  ObjectLayer layer_;
  PixelRows32 rows_;  // the record's bitmap's, while it lives
  KeptLayer kept_;
  RECT shownFrame_ = {};
  bool pushDue_ = true;  // no picture shown yet, or the window was restacked
};

// "UHR_Z1" and "UHR_Z3", loaded by each thread that draws digits for itself.
struct DigitStripBitmaps {
  OwnedBitmap bitmaps[2];  // by DigitStripId
  // Logs a missing strip; true when both loaded.
  bool Load();
  void Delete();
};

// Empties an object's record: paints the window with the key colour and
// hides it at the bottom of the z-order (no window: left alone), then logs
// "ENTLADEN: <name>" when it was loaded, releases the DCs and deletes bitmaps,
// sheets and masks (UnloadFigure). The record stays allocated.
void UnloadDesktopObject(FigureRecord* record, HWND window);

// One pass of an object thread's loop: the window's show or hide request and
// a bubble kill are carried out, a reload request unloads; while the object
// is on and no full-screen program runs, the frame steps once.
void ObjectThreadPass(DesktopObject& object, WindowsObjectHost& host, const ObjectLogTexts& texts,
                      const std::function<void(FigureRecord*)>& unload);
constexpr DWORD kObjectTickMs = 25;
// An object that is off or waits out a full-screen program looks again this
// often (a change of its setting wakes it only through a request).
constexpr int kObjectOffTicks = 40;

// An object thread from start to end: clears the reload request, loads the
// strips, makes the record, passes until QuitFlag (RunObjectPasses), then
// unloads, frees the record and the strips and logs `endLine`.
// The passes of an object thread until QuitFlag, one per tick of its frame. Between steps that only count
// ticks the thread sleeps until the next redraw (ObjectTicksToNextStep), kObjectOffTicks while the object is
// off, and any request, a change of a WakingFlag or the shutdown wakes it early; after a wait it runs the
// ticks that passed.
void RunObjectPasses(DesktopObject& object, WindowsObjectHost& host, const std::function<void()>& pass,
                     DWORD tickMs = kObjectTickMs);

DWORD RunObjectThread(DesktopObject& object, WindowsObjectHost& host, const ObjectLogTexts& texts,
                      const std::function<void(FigureRecord*)>& unload, DigitStripBitmaps& strips,
                      const char* endLine);
constexpr DWORD kObjectWindowThreadWaitMs = 300;

// ---- The z-order of all object windows together: the figure and overlay
// windows, the billboard, the clock, the countdown, the weather sign and the
// scenery strip ----

// The windows the z-order helpers move together: the free-standing objects
// the shell made, the figure, the overlay, the wall and the strip. A window
// goes by the request word it carries (RestackWindow); one not handed, or not
// made, stays where it is.
struct ObjectWindows {
  DesktopObject* clock = nullptr;
  DesktopObject* countdown = nullptr;
  DesktopObject* weather = nullptr;
  BillboardStateBlock* wall = nullptr;    // the billboard's words: its window request and redraw
  WindowRequest* figure = nullptr;        // the walking figure's window (the figures' words)
  WindowRequest* overlay = nullptr;       // the overlay's
  WindowRequest* strip = nullptr;         // the scenery strip's
  const FigureState* figures = nullptr;   // whose switch decides what may show (none: only the kept)
  const AppSettings* settings = nullptr;  // which objects are on and which stay (none: no object is raised)
};
// Every object window to the bottom (a Ctrl click on an object).
void LowerDesktopWindows(const ObjectWindows& objects);
// The objects that may show now in front of normal windows, the figure and
// its overlay topmost over them (the tray menu, the front hotkey).
void RaiseDesktopWindows(const ObjectWindows& objects);
