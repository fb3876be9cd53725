// Loading and unloading a walking figure's record: sheets with their masks,
// the DCs of the figure and overlay windows, and the work area.

#include "services/sound_library.h"
#include "services/window_requests.h"
#include "services/win_util.h"
#include "services/debug_log.h"
#include "services/settings.h"
#include "services/sound.h"
#include "services/shell_requests.h"
#include "stage/figure_bitmaps.h"
#include "stage/figure_record.h"
#include "stage/overlay_owner.h"
#include "stage/portable/push_padding.h"

#include <cstdio>
#include <new>


namespace {

SceneRect ReadWorkArea() {
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left, area.top, area.right, area.bottom};
}

void PaintKeyAndHide(HWND window, const RECT& area) {
  if (!window) return;
  if (const WindowDC dc(window); dc) FillRect(dc.get(), &area, KeyBrush());
  ShowWindow(window, SW_HIDE);
}

// The size each window this thread pushes had at its last padded push, so
// that a figure's window keeps its size (SteadyPushSize). A thread pushes a
// few windows: the walking figure's, the overlay and the wall.
struct LastPadded {
  HWND window = nullptr;
  SceneSize size;
};
SceneSize& LastPaddedSize(HWND window) {
  thread_local LastPadded windows[4];
  thread_local unsigned next = 0;
  for (LastPadded& entry : windows)
    if (entry.window == window) return entry.size;
  LastPadded& entry = windows[next++ % 4];
  entry = {window, {}};
  return entry.size;
}

// `memoryDC`'s picture at `source`, `size` large, copied to the top-left of
// a new picture of `padded` size whose other pixels are the key colour.
// 32 bits a pixel: the push blends into a surface of that depth anyway.
struct PaddedPicture {
  OwnedBitmap bitmap;
  OwnedDC dc;
  SelectedObject selection;
};
bool PadPicture(HDC screenDC, HDC memoryDC, POINT source, SIZE size, SceneSize padded, PaddedPicture& out) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = padded.width;
  info.bmiHeader.biHeight = -padded.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  out.bitmap.reset(CreateDIBSection(screenDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!out.bitmap) return false;
  out.dc.reset(CreateCompatibleDC(screenDC));
  if (!out.dc) return false;
  out.selection = SelectedObject(out.dc.get(), out.bitmap.get());
  if (!out.selection.ok()) return false;
  const RECT right = {size.cx, 0, padded.width, padded.height};
  const RECT below = {0, size.cy, size.cx, padded.height};
  for (const RECT& margin : {right, below})
    if (!IsRectEmpty(&margin)) FillRect(out.dc.get(), &margin, KeyBrush());
  return BitBlt(out.dc.get(), 0, 0, size.cx, size.cy, memoryDC, source.x, source.y, SRCCOPY) != FALSE;
}

}  // namespace

const DisplayFacts& CurrentDisplay() {
  constexpr DWORD kDisplayReadMs = 1000;
  thread_local DisplayFacts facts;
  thread_local DWORD readAt;
  thread_local unsigned relayoutsSeen;
  thread_local bool read = false;
  const unsigned relayouts = RelayoutRequest.Sets();
  if (read && relayouts == relayoutsSeen && GetTickCount() - readAt < kDisplayReadMs) return facts;
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  facts.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  facts.workArea = {area.left, area.top, area.right, area.bottom};
  facts.virtualScreen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  facts.parking = {left - 1, top - 1};
  readAt = GetTickCount();
  relayoutsSeen = relayouts;
  read = true;
  return facts;
}

BOOL PushLayer(HWND window, HDC screenDC, HDC memoryDC, const LayerArgs& args, bool padToSteps) {
  if (!window || !memoryDC) return FALSE;
  // The call takes non-const pointers but only reads them.
  LayerArgs copy = args;
  HDC from = memoryDC;
  PaddedPicture padded;
  if (padToSteps) {
    const ScenePoint at{args.destination.x, args.destination.y};
    const SceneSize size{args.size.cx, args.size.cy};
    const SceneRect& screen = CurrentDisplay().virtualScreen;
    SceneSize& last = LastPaddedSize(window);
    const SceneSize pushed = SteadyPushSize(at, PaddedPushSize(at, size, screen), last, screen);
    // Without the padded picture the push goes as it is.
    if (pushed != size && PadPicture(screenDC, memoryDC, args.source, args.size, pushed, padded)) {
      from = padded.dc.get();
      copy.size = {pushed.width, pushed.height};
      copy.source = {0, 0};
      last = pushed;
    } else {
      last = {};
    }
  }
  return UpdateLayeredWindow(window, screenDC, &copy.destination, &copy.size, from, &copy.source, kKeyColour,
                             &copy.blend, ULW_COLORKEY);
}

FigureRecord* AllocateFigureRecord() {
  return new (std::nothrow) FigureRecord{};
}

void FreeFigureRecord(FigureRecord* record) {
  delete record;
}

BOOL ShowObjectLayer(FigureRecord* record, const LayerArgs& args) {
  return PushLayer(record->objectWindow, record->objectScreenDC.get(), record->objectDC.get(), args, true);
}

BOOL ShowOverlayLayer(FigureRecord* record, const LayerArgs& args) {
  if (record->overlay && record->overlayWindow == record->overlay->Window() &&
      !record->overlay->MayDraw("Ueberlagerung"))
    return FALSE;
  return PushLayer(record->overlayWindow, record->overlayScreenDC.get(), record->overlayDC.get(), args, true);
}

int LoadFigure(FigureRecord* record, HWND figureWindow, Overlay& overlay, int n, int sheetCount, int useRecordModule) {
  if (Settings.DebugOn) WriteLogLine("LADEN: FIG%03d_00", n);
  record->number = n;
  record->objectScreenDC = WindowDC(nullptr);
  record->objectDC.reset(CreateCompatibleDC(record->objectScreenDC.get()));
  record->objectWindow = figureWindow;
  record->state = 0;
  record->keyBrush = KeyBrush();
  record->active = 1;
  record->overlayScreenDC = WindowDC(nullptr);
  record->overlayDC.reset(CreateCompatibleDC(record->overlayScreenDC.get()));
  record->overlayWindow = overlay.Window();
  record->overlay = &overlay;
  record->walkingFigure = true;
  for (HDC dc : {record->objectScreenDC.get(), record->overlayScreenDC.get()})
    if (dc) SetMapMode(dc, MM_TEXT);
  for (HDC dc : {record->objectDC.get(), record->overlayDC.get()})
    if (dc) SetLayout(dc, 0);
  record->workArea = ReadWorkArea();

  if (sheetCount > kMaxSheets) sheetCount = kMaxSheets;
  HMODULE program = GetModuleHandleA(nullptr);
  for (int i = 0; i < sheetCount; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "FIG%03d_%02d", n, i);
    // Sheets stay in their file's depth with their masks (LoadKeyedSheet):
    // the largest would take four times its memory in the screen's format.
    int loaded = 0;
    if (useRecordModule && record->resourceModule)
      loaded = LoadKeyedSheet(record->resourceModule, name, kKeyColour, &record->sheets[i], &record->masks[i]);
    if (loaded == 0) loaded = LoadKeyedSheet(program, name, kKeyColour, &record->sheets[i], &record->masks[i]);
    if (loaded != 1) {
      if (loaded == 0)
        WriteLogLine("ResourceBitmap(\"%s\") - nicht gefunden!", name);
      else
        WriteLogLine("CreateMask() - Zu wenig Speicher!");
      UnloadFigure(record);
      return 0;
    }
  }
  RECT size = {};
  GetBitmapRect(record->sheets[0].get(), &size);
  record->sheetWidth = size.right;
  record->sheetHeight = size.bottom;
  record->soundChannel = 0;
  record->secondChannel = 0;
  RequestAppBarActivation();
  RelayoutRequest = 1;
  return 1;
}

void UnloadFigure(FigureRecord* record, bool leaveWindows) {
  if (!record) return;
  if (Settings.DebugOn && record->active) WriteLogLine("ENTLADEN: %s", record->name);
  // Billboard and weather sign unload their own records through here too:
  // only the walking figure owns the figure and overlay windows and the tip.
  const bool walkingFigure = !leaveWindows && record->objectWindow && record->walkingFigure && record->overlay;
  if (walkingFigure) {
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    PaintKeyAndHide(record->objectWindow, area);
    if (record->overlay->MayDraw("Ueberlagerung weg")) PaintKeyAndHide(record->overlay->Window(), area);
  }
  record->active = 0;
  record->state = 0;
  uint32_t channel = 0, second = 0;
  if (SoundState.loaded && (record->soundChannel || record->secondChannel)) {
    channel = record->soundChannel;
    second = record->secondChannel;
    FadeOutSoundChannels(record->soundChannel, record->secondChannel);
  }
  record->Clear();
  record->soundChannel = channel;
  record->secondChannel = second;
  if (walkingFigure) RequestTrayTip(nullptr);
}
