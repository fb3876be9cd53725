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
#include "stage/layer_push.h"
#include "stage/overlay_owner.h"
#include "stage/portable/push_padding.h"

#include <cstdio>
#include <cstring>
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

// Pictures this large (a screen-wide one) are not kept between pushes:
// copying and comparing them would cost more than it saves.
constexpr size_t kMostKeptBytes = 256 * 1024;

size_t PictureBytes(SceneSize size) {
  return static_cast<size_t>(size.width) * static_cast<size_t>(size.height) * 4;
}

// Whether `window` is shown where `shown` says: a hidden window, or one
// placed by another hand, shows the last push no more.
bool WindowShows(HWND window, const ShownPush& shown) {
  RECT rect = {};
  return IsWindowVisible(window) && GetWindowRect(window, &rect) &&
         SceneRect{rect.left, rect.top, rect.right, rect.bottom} ==
             SceneRect{shown.at.x, shown.at.y, shown.at.x + shown.size.width, shown.at.y + shown.size.height};
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

void LayerPushes::Picture::Reset() {
  selection.reset();
  dc.reset();
  bitmap.reset();
  bits = nullptr;
  size = {};
}

void LayerPushes::Release() {
  for (Picture& picture : pictures_) picture.Reset();
  shown_ = {};
  lastPadded_ = {};
}

// A 32-bit picture of `size` in `picture`, kept when it has that size
// already: the push blends into a surface of that depth anyway.
bool LayerPushes::Prepare(Picture& picture, HDC screenDC, SceneSize size) {
  if (picture.bitmap && picture.size == size) return true;
  picture.Reset();
  void* bits = nullptr;
  picture.bitmap = TopDownBitmap32(screenDC, size.width, size.height, &bits);
  if (picture.bitmap) picture.dc.reset(CreateCompatibleDC(screenDC));
  if (picture.dc) picture.selection = SelectedObject(picture.dc.get(), picture.bitmap.get());
  if (!bits || !picture.selection.ok()) {
    picture.Reset();
    return false;
  }
  picture.bits = bits;
  picture.size = size;
  return true;
}

bool LayerPushes::SameAsShown(const Picture& picture) const {
  const Picture& front = pictures_[front_];
  if (!shown_.known || &front == &picture || !front.bits || !(front.size == picture.size)) return false;
  GdiFlush();  // the copy into the picture is finished before its bits are read
  return std::memcmp(front.bits, picture.bits, PictureBytes(picture.size)) == 0;
}

BOOL LayerPushes::Push(HWND window, HDC screenDC, HDC memoryDC, const LayerArgs& args, unsigned changes) {
  if (!window || !memoryDC) return FALSE;
  const ScenePoint at{args.destination.x, args.destination.y};
  const SceneSize size{args.size.cx, args.size.cy};
  const SceneRect& screen = CurrentDisplay().virtualScreen;
  const SceneSize padded = PaddedPushSize(at, size, screen);
  const SceneSize pushed = SteadyPushSize(at, padded, lastPadded_, screen);
  lastPadded_ = pushed != size ? pushed : SceneSize{};
  // The call takes non-const pointers but only reads them.
  LayerArgs copy = args;
  HDC from = memoryDC;
  // Kept between pushes unless screen-wide; compared with the last where
  // unchanged pictures are not pushed again.
  const bool keep = size.width > 0 && size.height > 0 && PictureBytes(pushed) <= kMostKeptBytes;
  const bool compare = keep && skipUnchanged_;
  Picture& picture = pictures_[compare ? front_ ^ 1 : 0];
  if ((compare || pushed != size) && Prepare(picture, screenDC, pushed)) {
    const RECT right = {size.width, 0, pushed.width, pushed.height};
    const RECT below = {0, size.height, size.width, pushed.height};
    for (const RECT& margin : {right, below})
      if (!IsRectEmpty(&margin)) FillRect(picture.dc.get(), &margin, KeyBrush());
    if (BitBlt(picture.dc.get(), 0, 0, size.width, size.height, memoryDC, args.source.x, args.source.y,
               SRCCOPY)) {
      // Marked before it is compared with the last, which was marked too.
      GdiFlush();
      MarkKeyAlpha(picture.Rows(), KeyPixel());
      from = picture.dc.get();
      copy.size = {pushed.width, pushed.height};
      copy.source = {0, 0};
    }
  }
  const bool copied = from != memoryDC;
  // Without the padded picture the push goes as it is.
  if (!copied) lastPadded_ = {};
  const SceneSize sent{copy.size.cx, copy.size.cy};
  if (compare && copied &&
      ShowsAlready(shown_, shownChanges_, changes, at, sent, SameAsShown(picture), screen) &&
      WindowShows(window, shown_))
    return TRUE;
  shown_ = {};
  const PixelRows32 rows = copied ? picture.Rows() : PixelRows32{};
  const BOOL done = PushLayered(window, screenDC, copy.destination, copy.size, from, copy.source,
                                ULW_COLORKEY, copied ? &rows : nullptr);
  if (copied && !keep) picture.Reset();
  if (done && compare && copied) {
    front_ ^= 1;
    shown_ = {true, at, sent};
    shownChanges_ = changes;
  }
  return done;
}

BOOL PushLayer(HWND window, HDC screenDC, HDC memoryDC, const LayerArgs& args) {
  if (!window || !memoryDC) return FALSE;
  return PushLayered(window, screenDC, args.destination, args.size, memoryDC, args.source, ULW_COLORKEY);
}

FigureRecord* AllocateFigureRecord() {
  return new (std::nothrow) FigureRecord{};
}

void FreeFigureRecord(FigureRecord* record) {
  delete record;
}

BOOL ShowObjectLayer(FigureRecord* record, const LayerArgs& args) {
  if (record->objectPainted.Active())
    return record->objectPainted.Show(record->objectDC.get(), args, CurrentDisplay().virtualScreen);
  return record->objectPushes.Push(record->objectWindow, record->objectScreenDC.get(), record->objectDC.get(),
                                   args);
}

BOOL ShowOverlayLayer(FigureRecord* record, const LayerArgs& args) {
  if (record->overlay && record->overlayWindow == record->overlay->Window() &&
      !record->overlay->MayDraw("Ueberlagerung"))
    return FALSE;
  return record->overlayPushes.Push(record->overlayWindow, record->overlayScreenDC.get(),
                                    record->overlayDC.get(), args,
                                    record->overlay ? record->overlay->Changes() : 0);
}

int LoadFigure(FigureRecord* record, HWND figureWindow, Overlay& overlay, int n, int sheetCount,
               int useRecordModule) {
  WriteLogLine("LADEN: FIG%03d_00", n);
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
      loaded =
          LoadKeyedSheet(record->resourceModule, name, kKeyColour, &record->sheets[i], &record->masks[i]);
    if (loaded == 0)
      loaded = LoadKeyedSheet(program, name, kKeyColour, &record->sheets[i], &record->masks[i]);
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
  if (record->active) WriteLogLine("ENTLADEN: %s", record->name);
  // Billboard and weather sign unload their own records through here too:
  // only the walking figure owns the figure and overlay windows and the tip.
  const bool walkingFigure =
      !leaveWindows && record->objectWindow && record->walkingFigure && record->overlay;
  if (walkingFigure) {
    RECT area = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    PaintKeyAndHide(record->objectWindow, area);
    // Hidden, the window can be pushed again by the next figure.
    record->objectPainted.End();
    if (record->overlay->MayDraw("Ueberlagerung weg")) {
      PaintKeyAndHide(record->overlay->Window(), area);
      // A figure unloaded while lifted (the figures switched off) is
      // carried no more: a bubble handed over meanwhile may show.
      if (record->overlay->Carrying()) record->overlay->Carry(false);
    }
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
