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

}  // namespace

BOOL PushLayer(HWND window, HDC screenDC, HDC memoryDC, const LayerArgs& args) {
  if (!window || !memoryDC) return FALSE;
  // The call takes non-const pointers but only reads them.
  LayerArgs copy = args;
  return UpdateLayeredWindow(window, screenDC, &copy.destination, &copy.size, memoryDC, &copy.source,
                             kKeyColour, &copy.blend, ULW_COLORKEY);
}

FigureRecord* AllocateFigureRecord() {
  return new (std::nothrow) FigureRecord{};
}

void FreeFigureRecord(FigureRecord* record) {
  delete record;
}

BOOL ShowObjectLayer(FigureRecord* record, const LayerArgs& args) {
  return PushLayer(record->objectWindow, record->objectScreenDC.get(), record->objectDC.get(), args);
}

BOOL ShowOverlayLayer(FigureRecord* record, const LayerArgs& args) {
  if (record->overlay && record->overlayWindow == record->overlay->Window() &&
      !record->overlay->MayDraw("Ueberlagerung"))
    return FALSE;
  return PushLayer(record->overlayWindow, record->overlayScreenDC.get(), record->overlayDC.get(), args);
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
