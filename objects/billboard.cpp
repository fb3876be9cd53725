// The billboard object on the animation thread: load, step, lift, nudge,
// relayout and unload, and the paste of a motif onto the wall.

#include "objects/billboard.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "stage/billboard_state.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "services/win_util.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/portable/thread_rand.h"
#include "services/settings.h"
#include "services/threads.h"
#include "services/window_requests.h"
#include "stage/portable/calendar.h"
#include "objects/calendar_sheet.h"
#include "objects/desktop_object.h"
#include "objects/portable/poster_geometry.h"
#include "stage/figure_bitmaps.h"
#include "stage/figure_record.h"
#include "stage/kept_layer.h"

namespace {

enum BillboardStep : int {
  kLoad = 0,
  kFirstPaste = 1,
  kShown = 2,
  kLiftBegins = 1100,
  kLifted = 1101,
  kDropped = 1200,
};

constexpr COLORREF kFieldGrey = RGB(0xC0, 0xC0, 0xC0);
constexpr int kCalendarSheetWidth = 158;

HMODULE ProgramModule() {
  return GetModuleHandleA(nullptr);
}

SceneRect ReadWorkArea() {
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left, area.top, area.right, area.bottom};
}

void FillWithKey(FigureRecord* record) {
  RECT all = {0, 0, kBillboardWidth, kBillboardHeight};
  if (record->objectDC && record->keyBrush) FillRect(record->objectDC.get(), &all, record->keyBrush);
}

int CurrentMinute() {
  uint32_t minute = 0;
  GetLocalTimeParts(nullptr, nullptr, nullptr, nullptr, &minute, nullptr, nullptr);
  return static_cast<int>(minute);
}

// A fresh calendar sheet: "MOTIV04" with this month drawn on it, as the
// settings say the weeks start and which holidays are red.
HBITMAP CalendarSheet(const AppSettings& settings, CalendarDrawn& drawn) {
  char name[24];
  HBITMAP sheet = LoadBuiltinMotif(kPaperMotif, name, sizeof name);
  if (sheet)
    DrawCalendarSheet(sheet, kCalendarSheetWidth, kPosterHeight, 1, settings.FirstDayOfWeek,
                      settings.Feiertage, drawn);
  return sheet;
}

// Copies a motif onto the poster field of the wall bitmap.
void PasteOnto(HBITMAP wall, HBITMAP motif, bool calendar) {
  RECT size = {};
  if (!GetBitmapRect(motif, &size) || size.right <= 0 || size.bottom <= 0) return;
  BitmapDC target(wall);
  BitmapDC source(motif);
  if (!target.ok() || !source.ok()) return;
  if (calendar) {
    // The sheet reaches one pixel over the field's right and bottom edge.
    const int w = size.right < kPosterWidth + 1 ? size.right : kPosterWidth + 1;
    const int h = size.bottom < kPosterHeight + 1 ? size.bottom : kPosterHeight + 1;
    BitBlt(target.get(), 1, 1, w, h, source.get(), 0, 0, SRCCOPY);
    return;
  }
  const PastePlacement place = PlaceOnPosterField(size.right, size.bottom);
  if (place.grey) {
    const OwnedBrush grey(CreateSolidBrush(kFieldGrey));
    RECT field = {1, 1, 1 + kPosterWidth, 1 + kPosterHeight};
    if (grey) FillRect(target.get(), &field, grey.get());
  }
  BitBlt(target.get(), place.x, place.y, place.width, place.height, source.get(), 0, 0, SRCCOPY);
}

}  // namespace

BOOL Billboard::ShowWall(FigureRecord* record) {
  return wallLayer_.Push(record->objectWindow, record->objectScreenDC.get(), record->objectDC.get(),
                         wallRows_, wallArgs_.destination, wallArgs_.size);
}

void Billboard::DrawWall(FigureRecord* record) {
  FillWithKey(record);
  DrawSprite(record->objectDC.get(), record->sheets[0].get(), record->masks[0].get(), {0, 0},
             {0, 0, kBillboardWidth, kBillboardHeight});
  ShowWall(record);
}

// A z-order move of the wall asks for the layered content to be pushed
// again: some window systems drop it when the window is restacked or shown.
void Billboard::PlaceWindow(HWND window, HWND after, UINT extra) {
  if (!window) return;
  SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | extra);
  if (window == state_.windowRequest.Window()) state_.redrawRequest = 1;
}

// The clock stays above the wall; its own thread moves it (see
// services/window_requests.h), after this thread placed the wall.
void Billboard::PlaceClockAboveWall() {
  DesktopObject* clock = clock_.load();
  if (!clock || !clock->window || !HandedSettings(links_).Clock) return;
  RestackWindow(clock->window, HandedSettings(links_).ClockOnTop && !links_.shell->optionsOpen
                                   ? WindowAction::kStackTopmost
                                   : WindowAction::kStackTop);
  clock->WakeForRequest();
}

bool Billboard::WallMayShow() {
  return HandedSettings(links_).Billboard && links_.figures->active;
}

void Billboard::Relayout(FigureRecord* record) {
  record->workArea = ReadWorkArea();
  const int right = record->workArea.right - kBillboardWidth;
  if (record->x < kBillboardMinX)
    record->x = kBillboardMinX;
  else if (record->x > right)
    record->x = right;
  record->y = record->workArea.bottom - kBillboardHeight;
  if (links_.settings) links_.settings->MoveBillboardX(record->x);
  wallArgs_.destination = {record->x, record->y};
  ShowWall(record);
  if (!state_.held) {
    if (WallMayShow()) PlaceWindow(record->objectWindow, HWND_NOTOPMOST, 0);
    PlaceClockAboveWall();
  }
}

// State 0: the wall, its bitmap and its place. False while it cannot load.
bool Billboard::LoadWall(FigureRecord* record) {
  if (!LoadBitmaps(record, 0)) return false;
  lstrcpynA(record->name, "Plakatwand", kFigureNameSize);
  record->frameTime = HandedSettings(links_).Speed;
  // The wall at the top-left of a picture of whole surface steps (the rest
  // see-through), which Wine keeps for the window on the screen.
  record->objectBitmap = MakeKeptPicture({kBillboardWidth, kBillboardHeight}, wallRows_);
  if (!record->objectBitmap) {
    Unload(record);
    return false;
  }
  record->objectSelection = SelectedObject(record->objectDC.get(), record->objectBitmap.get());
  record->objectRect = {0, 0, kBillboardWidth, kBillboardHeight};
  record->x = HandedSettings(links_).BillboardX;
  record->y = record->workArea.bottom - kBillboardHeight;
  wallArgs_ = {};
  wallArgs_.destination = {record->x, record->y};
  wallArgs_.size = {kBillboardWidth, kBillboardHeight};
  FillWithKey(record);
  record->frame = record->steps = record->ticks = 0;
  // The window shows with the first picture (kFirstPaste), not before: a
  // display without a compositor shows an unpainted layered window black.
  record->state = kFirstPaste;
  return true;
}

// Lift, drop, click, nudge and relayout: the end of every step.
void Billboard::StepTail(FigureRecord* record) {
  if (state_.held && !record->lifted) {
    WriteLogLine("Plakatwand hochheben...");
    record->lifted = 1;
    record->state = kLiftBegins;
  } else if (!state_.held && record->lifted) {
    WriteLogLine("Plakatwand fallen lassen...");
    record->lifted = 0;
    record->state = kDropped;
  }
  if (state_.clicked.exchange(0)) {
    state_.updateRequest = 1;
    if (!state_.posterFigureAtWork) {
      if (WallMayShow()) PlaceWindow(record->objectWindow, HWND_TOP, SWP_SHOWWINDOW);
      PlaceClockAboveWall();
    }
  }
  const int nudge = state_.nudge.exchange(0);
  if (nudge == -1 && record->x > kBillboardMinX) {
    --record->x;
    state_.relayoutRequest = 1;
  } else if (nudge == 1 && record->x < record->workArea.right - kBillboardWidth) {
    ++record->x;
    state_.relayoutRequest = 1;
  }
  if (state_.relayoutRequest.exchange(0) || RelayoutRequest) Relayout(record);
}

int Billboard::LoadBitmaps(FigureRecord* record, int useRecordModule) {
  WriteLogLine("LADEN: %s", kWallName);
  state_.posterFigureAtWork = 0;
  record->objectWindow = state_.windowRequest.Window();
  record->objectScreenDC = WindowDC(state_.windowRequest.Window());
  record->objectDC.reset(CreateCompatibleDC(record->objectScreenDC.get()));
  record->keyBrush = KeyBrush();
  record->state = kLoad;
  record->active = 1;
  if (record->objectScreenDC) SetMapMode(record->objectScreenDC.get(), MM_TEXT);
  if (record->objectDC) SetLayout(record->objectDC.get(), 0);
  record->workArea = ReadWorkArea();

  if (useRecordModule && record->resourceModule)
    record->sheets[0].reset(ResourceBitmap(record->resourceModule, kWallName, 0, nullptr, 0));
  if (!record->sheets[0]) record->sheets[0].reset(ResourceBitmap(ProgramModule(), kWallName, 0, nullptr, 0));
  if (!record->sheets[0]) {
    WriteLogLine("ResourceBitmap(\"%s\") - nicht gefunden!", kWallName);
    Unload(record);
    return 0;
  }
  record->masks[0].reset(CreateMask(record->sheets[0].get()));
  if (!record->masks[0]) {
    WriteLogLine("CreateMask() - Zu wenig Speicher!");
    Unload(record);
    return 0;
  }
  if (!MakeTransparentBitmap(record->sheets[0].get(), record->masks[0].get(), kKeyColour)) {
    WriteLogLine("MakeTransparentBitmap() - Zu wenig Speicher!");
    Unload(record);
    return 0;
  }
  RECT size = {};
  GetBitmapRect(record->sheets[0].get(), &size);
  record->sheetWidth = size.right;
  record->sheetHeight = size.bottom;
  return 1;
}

HBITMAP LoadBuiltinMotif(int motif, char* name, size_t size) {
  if (motif == kBillboardStartMotif)
    std::snprintf(name, size, kStartMotifNameFormat, ThreadRand() % kStartMotifCount);
  else
    std::snprintf(name, size, kMotifNameFormat, motif);
  return ResourceBitmap(ProgramModule(), name, 0, nullptr, 0);
}

void Billboard::Step(FigureRecord* record) {
  if (!record) return;
  switch (record->state) {
    case kLoad:
      LoadWall(record);
      return;
    case kFirstPaste:
      state_.relayoutRequest = 0;
      state_.redrawRequest = 1;
      state_.lastMinute = CurrentMinute();
      Plakatieren(record, HandedSettings(links_).Calendar ? kBillboardCalendarMotif : kBillboardStartMotif);
      Relayout(record);  // its place, then its picture, then it shows
      DrawWall(record);
      if (WallMayShow()) PlaceWindow(record->objectWindow, HWND_TOP, SWP_SHOWWINDOW);
      PlaceClockAboveWall();
      record->state = kShown;
      break;
    case kShown:
      if (state_.currentMotif == kBillboardCalendarMotif) {
        const int minute = CurrentMinute();
        if (state_.lastMinute.exchange(minute) != minute) {
          Plakatieren(record, kBillboardCalendarMotif);
          state_.redrawRequest = 1;
        }
      }
      // Wine paints what a passing window uncovers of the kept wall by
      // itself; a wall it cannot keep is asked for a push by the window that
      // left part of it (AskForPushUnder). Never on a timer.
      if (state_.redrawRequest.exchange(0)) {
        wallAskRequest_ = 0;  // served by this push
        DrawWall(record);
      } else if (wallAskRequest_.exchange(0)) {
        ShowWall(record);
      }
      break;
    case kLiftBegins:
      grabX_ = links_.figures->press.x;
      record->state = kLifted;
      [[fallthrough]];
    case kLifted: {
      POINT cursor = {};
      GetCursorPos(&cursor);
      record->x = cursor.x - grabX_;
      state_.relayoutRequest = 1;
      break;
    }
    case kDropped:
      state_.redrawRequest = 1;
      if (links_.settings) links_.settings->StoreBillboardX(record->x);
      record->state = kShown;
      break;
    default:
      if (links_.settings) links_.settings->SwitchBillboardOff();
      Unload(record);
      return;
  }
  StepTail(record);
}

void Billboard::Unload(FigureRecord* record, bool leaveWindow) {
  if (!record) return;
  HWND window = record->objectWindow;
  if (window) {
    if (!leaveWindow) {
      RECT client = {};
      GetClientRect(window, &client);
      if (const WindowDC dc(window); dc) FillRect(dc.get(), &client, KeyBrush());
      ShowWindow(window, SW_HIDE);
      SetWindowPos(window, HWND_BOTTOM, 0, 9999, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  UnloadFigure(record, leaveWindow);
  wallRows_ = {};  // freed with the record's bitmap
}

void Billboard::Plakatieren(FigureRecord* record, int motif) {
  WriteLogLine("Plakatieren(%d)", motif);
  OwnedBitmap prepared = state_.TakePoster();
  const int chosen = state_.nextMotif;
  OwnedBitmap source;
  int pasted = chosen;
  bool calendar = HandedSettings(links_).Calendar || motif == kBillboardCalendarMotif ||
                  chosen == kBillboardCalendarMotif;
  if (!calendar && ((state_.startFlag && motif < 0) || !prepared)) {
    state_.startFlag = 0;
    if (ThreadRand() % 3 == 0) {
      char name[24];
      source.reset(LoadBuiltinMotif(kBillboardStartMotif, name, sizeof name));
      WriteLogLine("Plakat %s", name);
      pasted = kBillboardStartMotif;
    }
    if (!source) calendar = true;
  } else if (!calendar) {
    source = std::move(prepared);
  }
  if (calendar) {
    source.reset(CalendarSheet(HandedSettings(links_), calendarDrawn_));
    pasted = kBillboardCalendarMotif;
  }
  if (!source) return;
  if (record && record->sheets[0]) {
    PasteOnto(record->sheets[0].get(), source.get(), calendar);
    state_.currentMotif = pasted;
  }
}

Billboard::~Billboard() {
  ListWindowUnder(nullptr, wallAskRequest_);
  // A poster run works on this billboard's words: it ends first (a run ends
  // when its file is read; the program's billboard is never destroyed).
  WaitForAndCloseThread(OwnedHandle(TakePosterThread()), INFINITE);
  FreeFigureRecord(record_);
}

bool Billboard::Begin() {
  if (!record_) record_ = AllocateFigureRecord();
  return record_ != nullptr;
}

void Billboard::Pass(bool relayout) {
  if (state_.unloadRequest) {
    state_.unloadRequest = 0;
    Unload(record_);
    state_.redrawRequest = 1;
  }
  if (HandedSettings(links_).Billboard && !links_.shell->fullScreenPause) {
    if (relayout) state_.redrawRequest = 1;
    Step(record_);
  }
  ApplyWindowRequest(state_.windowRequest.Window(), state_.windowRequest, nullptr, [this] {
    if (record_ && record_->state == kShown) ShowWall(record_);
  });
}

void Billboard::End(bool quitting) {
  if (!record_) return;
  Unload(record_, quitting);
  FreeFigureRecord(record_);
  record_ = nullptr;
}

bool Billboard::UpdateRequested() {
  return state_.updateRequest != 0;
}
uint32_t Billboard::QuietMs() {
  // Served in any case: the unload and the window's show or hide.
  if (state_.unloadRequest || state_.windowRequest.action) return 0;
  if (!HandedSettings(links_).Billboard || links_.shell->fullScreenPause) return kNeverDue;
  if (!record_ || record_->state != kShown) return 0;
  if (state_.redrawRequest || wallAskRequest_ || state_.relayoutRequest || RelayoutRequest ||
      state_.clicked || state_.nudge || (state_.held != 0) != (record_->lifted != 0))
    return 0;
  uint32_t quiet = kNeverDue;
  if (state_.currentMotif == kBillboardCalendarMotif) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    quiet = std::min<uint32_t>(quiet, (60 - now.wSecond) * 1000u - now.wMilliseconds);
  }
  return quiet;
}

void Billboard::ClearUnloadRequest() {
  state_.unloadRequest = 0;
}
bool Billboard::BillboardOn() {
  return HandedSettings(links_).Billboard != 0;
}
bool Billboard::CalendarOn() {
  return HandedSettings(links_).Calendar != 0;
}
int Billboard::BillboardX() {
  return HandedSettings(links_).BillboardX;
}
bool Billboard::FiguresActive() {
  return links_.figures->active != 0;
}
int Billboard::CurrentMotif() {
  return state_.currentMotif;
}
bool Billboard::PosterReady() {
  return state_.posterReady != 0;
}
void Billboard::ClearPosterReady() {
  state_.posterReady = 0;
}
void Billboard::SetPosterFigureActive(bool active) {
  state_.posterFigureAtWork = active ? 1 : 0;
}
void Billboard::ClearUpdateRequest() {
  state_.updateRequest = 0;
}
void Billboard::RequestRedraw() {
  state_.redrawRequest = 1;
}
bool Billboard::BillboardVisible() {
  return record_ && record_->objectWindow && IsWindowVisible(record_->objectWindow);
}
void Billboard::RaiseBillboardTopmost() {
  Place(HWND_TOPMOST, 0);
}
void Billboard::PutBillboardBack() {
  Place(HWND_NOTOPMOST, SWP_SHOWWINDOW);
}
void Billboard::PastePreparedPoster() {
  Plakatieren(record_, -1);
}
void Billboard::Sleep(int milliseconds) {
  ::Sleep(static_cast<DWORD>(milliseconds));
}

void Billboard::Place(HWND after, UINT extra) {
  if (!state_.windowRequest.Window()) return;
  SetWindowPos(state_.windowRequest.Window(), after, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | extra);
  state_.redrawRequest = 1;
}
