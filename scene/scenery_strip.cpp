#include "scene/scenery_strip.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "stage/figure_bitmaps.h"
#include "services/shell_state.h"
#include "scene/figures/strip_pictures.h"
#include "scene/portable/strip_layout.h"
#include "services/debug_log.h"
#include "services/win_util.h"
#include "stage/layered_windows.h"
#include "stage/portable/layer_surface.h"
#include "services/settings.h"
#include "services/threads.h"
#include "services/window_requests.h"


namespace {

constexpr char kStripClass[] = "LunHG";
// A strip with a step under way (or a request) is passed to this often;
// a shown one waits for its next push or a wake, this long at most.
constexpr DWORD kPassMs = 200;
constexpr DWORD kQuietMaxMs = 2000;
constexpr DWORD kWindowThreadWaitMs = 300;
constexpr UINT kZOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

std::atomic<HANDLE> threadHandle{nullptr};
LayerArgs StripLayerArgs;
// Without a compositor a window passing over the strip takes its picture
// with it, unless Wine paints the strip again by itself: it does for a
// window whose drawing surface it keeps (stage/portable/layer_surface.h), so
// the strip's picture is padded to whole surface steps (see-through rows
// above it, columns right of it) and such a strip is pushed only when its
// picture or place changes. Otherwise the window that left part of the strip
// asks for the push (AskForPushUnder, which wakes the thread); a walking
// figure asks at nearly every step, and each push copies the screen-wide
// picture: asks within kPassMs of the last push are served together when it
// is over (the steps left show that long). Only an ask that finds the word
// clear (the first since the last push) wakes the thread. The push goes
// whole: pushes of the asked parts alone left black trails behind walking
// figures.
std::atomic<int> repushRequest{0};
// Whether the picture in the record is padded to whole steps, and whether
// Wine keeps the surface of the window as last placed.
bool paddedPicture;
std::atomic<bool> surfaceKept{false};
// The padded picture's rows and key index. Its window has no colour key but
// a region of the picture's opaque pixels: Wine works out a keyed window's
// shape from its whole picture again each time it paints part of it (every
// expose), and a region's shape is set once per placement.
PixelRows8 paddedRows;
uint8_t paddedKey;
// The picture and view the window's region was cut for.
struct StripCut {
  const uint8_t* picture = nullptr;
  int sourceX = 0, width = 0;
  friend bool operator==(const StripCut&, const StripCut&) = default;
};
StripCut lastCut;
DWORD lastPush;
unsigned relayoutSetsSeen;

int StripNumber() {
  const int hg = Settings.HG;
  return hg >= 1 && hg <= kStripCount ? hg : 0;
}

int StripOffset() {
  return Settings.HGversatz[StripNumber()].Get();
}

void PushStrip(FigureRecord* record) {
  if (!record->objectDC || !record->objectBitmap) return;
  // Whatever push goes serves the asks before it; the next ask wakes the
  // thread again.
  repushRequest = 0;
  if (paddedPicture) {
    // Opaque within the window's region.
    LayerArgs copy = StripLayerArgs;
    UpdateLayeredWindow(StripRequests.window.Window(), record->objectScreenDC.get(), &copy.destination, &copy.size,
                        record->objectDC.get(), &copy.source, 0, &copy.blend, ULW_OPAQUE);
  } else {
    PushLayer(StripRequests.window.Window(), record->objectScreenDC.get(), record->objectDC.get(), StripLayerArgs);
  }
  lastPush = GetTickCount();
}

// The region of the view's opaque pixels, relative to the window (empty
// without any).
HRGN ViewRegion(int left, int width) {
  const std::vector<SceneRect> runs = OpaqueRuns(paddedRows, left, width, paddedKey);
  if (runs.empty()) return CreateRectRgn(0, 0, 0, 0);
  std::vector<uint8_t> buffer(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  data->rdh = {sizeof(RGNDATAHEADER), RDH_RECTANGLES, static_cast<DWORD>(runs.size()),
               static_cast<DWORD>(runs.size() * sizeof(RECT)), {0, 0, width, paddedRows.height}};
  auto* rects = reinterpret_cast<RECT*>(data->Buffer);
  for (size_t i = 0; i < runs.size(); ++i) rects[i] = {runs[i].left, runs[i].top, runs[i].right, runs[i].bottom};
  return ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
}

// Time left until an asked-for push may go: 0 when it may go now.
DWORD RepushWaitMs() {
  const DWORD since = GetTickCount() - lastPush;
  return since >= kPassMs ? 0 : kPassMs - since;
}

// Destination and visible part for the current work area and offset; a
// padded picture gives a window of whole surface steps, its bottom on the
// work area's.
void PlaceStrip(FigureRecord* record) {
  const int screen = GetSystemMetrics(SM_CXSCREEN);
  record->workArea.right = screen;
  const StripView view = StripViewFor(record->sheetWidth, StripOffset(), screen);
  const int width = paddedPicture ? RoundUpToSurfaceStep(view.width) : view.width;
  StripLayerArgs.destination = {0, record->workArea.bottom - record->sheetHeight};
  StripLayerArgs.size = {width, record->sheetHeight};
  StripLayerArgs.source = {view.sourceX, 0};
  const SceneRect window{0, StripLayerArgs.destination.y, width, record->workArea.bottom};
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const SceneRect desktop{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  surfaceKept = paddedPicture && SurfaceKept(window, desktop);
  // The window takes the region; a failed one leaves the last.
  // The window owns the region it takes. Relayouts come with every new
  // figure; an unchanged view keeps its region.
  const StripCut cut{paddedPicture ? paddedRows.bits : nullptr, view.sourceX, width};
  if (cut == lastCut) return;
  OwnedRegion region(paddedPicture ? ViewRegion(view.sourceX, width) : nullptr);
  if (SetWindowRgn(StripRequests.window.Window(), region.get(), FALSE)) {
    (void)region.release();
    lastCut = cut;
  }
}

// The file's 8-bit picture with rows of its key colour above it and columns
// right of it: whole surface steps high, and wide enough for any view of
// whole steps. Null when the picture is not 8 bits a pixel or has no exact
// key colour (the strip then shows it as it is).
HBITMAP PaddedStripPicture(HBITMAP sheet) {
  DIBSECTION file = {};
  if (GetObjectA(sheet, sizeof file, &file) != sizeof file || file.dsBm.bmBitsPixel != 8 || !file.dsBm.bmBits)
    return nullptr;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info = {};
  UINT colourCount = 0;
  if (const OwnedDC dc(CreateCompatibleDC(nullptr)); dc) {
    const SelectedObject selected(dc.get(), sheet);
    if (selected.ok()) colourCount = GetDIBColorTable(dc.get(), 0, 256, info.colours);
  }
  const RGBQUAD* key = std::find_if(info.colours, info.colours + colourCount, [](const RGBQUAD& c) {
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue) == kKeyColour;
  });
  if (key == info.colours + colourCount) return nullptr;
  const int width = file.dsBm.bmWidth, height = file.dsBm.bmHeight;
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width + kSurfaceStep - 1;
  info.header.biHeight = -RoundUpToSurfaceStep(height);  // top-down
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biClrUsed = colourCount;
  void* bits = nullptr;
  OwnedBitmap padded(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!padded || !bits) return nullptr;
  GdiFlush();
  const intptr_t fileStride = file.dsBm.bmWidthBytes;
  auto* fileBits = static_cast<uint8_t*>(file.dsBm.bmBits);
  // A positive height in the file's header keeps its rows bottom-up.
  const PixelRows8 source = file.dsBmih.biHeight > 0
                                ? PixelRows8{fileBits + (height - 1) * fileStride, width, height, -fileStride}
                                : PixelRows8{fileBits, width, height, fileStride};
  const PixelRows8 target{static_cast<uint8_t*>(bits), static_cast<int>(info.header.biWidth),
                          -static_cast<int>(info.header.biHeight), (info.header.biWidth + 3) / 4 * 4};
  if (!PadToBottomLeft(source, target, static_cast<uint8_t>(key - info.colours))) return nullptr;
  paddedRows = target;
  paddedKey = static_cast<uint8_t>(key - info.colours);
  return padded.release();
}

void ReadWorkArea(FigureRecord* record) {
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  record->workArea = {area.left, area.top, area.right, area.bottom};
}

void ReleaseStrip(FigureRecord* record, bool parkWindow);

DWORD WINAPI BackgroundThreadProc(void*) {
  StripRequests.unload = 0;
  FigureRecord* record = AllocateFigureRecord();
  WorkerWake wake;
  bool listed = false;
  while (record && QuitFlag == 0) {
    BackgroundStripPass(record);
    // Listed for the asks of windows passing over only while Wine would not
    // paint it again by itself.
    if (const bool list = !StripSurfaceKept(); list != listed) {
      ListStripUnder(list ? StripRequests.window.Window() : nullptr, list ? &wake : nullptr);
      listed = list;
    }
    const DWORD quiet = StripQuietMs(record);
    wake.Wait(quiet == 0 ? kPassMs : std::min(quiet, kQuietMaxMs));
  }
  // At shutdown the window stays as it is: the main thread hides it once
  // this thread has ended.
  if (record) {
    ReleaseStrip(record, QuitFlag == 0);
    FreeFigureRecord(record);
  }
  ListStripUnder(nullptr, nullptr);  // the wake ends with this thread
  WriteLogLine("HG-Thread beendet");
  return 0;
}

}  // namespace

int LoadBackgroundBitmaps(FigureRecord* record, int useRecordModule) {
  WriteLogLine("LADEN: HG");
  StripLayerArgs.blend = {};
  record->objectScreenDC = WindowDC(StripRequests.window.Window());
  record->objectDC.reset(CreateCompatibleDC(record->objectScreenDC.get()));
  record->objectWindow = StripRequests.window.Window();
  record->keyBrush = KeyBrush();
  record->state = 0;
  record->active = 1;
  record->overlayDC.reset();
  record->overlayScreenDC.reset();
  record->overlayWindow = nullptr;
  if (record->objectScreenDC) SetMapMode(record->objectScreenDC.get(), MM_TEXT);
  ReadWorkArea(record);

  char name[32];
  std::snprintf(name, sizeof name, "FIG%03d_00", 200 + StripNumber());
  HMODULE own = GetModuleHandleA(nullptr);
  // Kept as the file has it (8 bits a pixel, magenta sky as the key): the
  // strip's window is pushed straight from it, a quarter of a screen-format
  // copy of a picture this wide. Read from the program's file, so the
  // resource's pages are not left mapped (LoadIndexedBitmap).
  const auto load = [&](HMODULE module) {
    if (HBITMAP indexed = LoadIndexedBitmap(module, name)) return indexed;
    return static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  };
  HBITMAP sheet = nullptr;
  if (useRecordModule && record->resourceModule) sheet = load(record->resourceModule);
  if (!sheet) sheet = load(own);
  record->sheets[0].reset(sheet);
  // Failures release only this record: the strip's window and DCs, never the
  // walking figure's windows.
  if (!sheet) {
    WriteLogLine("ResourceBitmap(\"%s\") - nicht gefunden!", name);
    UnloadBackgroundBitmaps(record);
    return 0;
  }
  RECT size = {};
  GetBitmapRect(sheet, &size);
  record->sheetWidth = size.right;
  record->sheetHeight = size.bottom;
  return 1;
}

void UnloadBackgroundBitmaps(FigureRecord* record) {
  ReleaseStrip(record, true);
}

namespace {

void ReleaseStrip(FigureRecord* record, bool parkWindow) {
  if (!record) return;
  if (Settings.DebugOn && record->active) WriteLogLine("ENTLADEN: %s", record->name);
  if (parkWindow && StripRequests.window.Window()) {
    if (const WindowDC dc(StripRequests.window.Window()); dc) {
      RECT client = {};
      GetClientRect(StripRequests.window.Window(), &client);
      FillRect(dc.get(), &client, KeyBrush());
    }
    SetWindowPos(StripRequests.window.Window(), HWND_BOTTOM, 0, 9999, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  }
  record->active = 0;
  record->state = 0;
  record->ReleaseGdi();
  surfaceKept = false;
  paddedPicture = false;
  paddedRows = {};
  lastCut = {};
}

}  // namespace

void DrawBackgroundStrip(FigureRecord* record) {
  switch (record->state) {
    case 0: {
      if (!LoadBackgroundBitmaps(record, 0)) return;
      lstrcpynA(record->name, "HG", kFigureNameSize);
      // The padded sheet is the strip's picture (the sheet itself where it
      // cannot be padded): the record's bitmap from now on.
      if (HBITMAP padded = PaddedStripPicture(record->sheets[0].get())) {
        record->objectBitmap.reset(padded);
        record->sheets[0].reset();
        record->sheetHeight = RoundUpToSurfaceStep(record->sheetHeight);
        paddedPicture = true;
      } else {
        record->objectBitmap = std::move(record->sheets[0]);
        paddedPicture = false;
      }
      record->objectSelection = SelectedObject(record->objectDC.get(), record->objectBitmap.get());
      // Not selected: the strip stays at state 0 and loads afresh on the next pass.
      if (!record->objectSelection.ok()) {
        UnloadBackgroundBitmaps(record);
        return;
      }
      PlaceStrip(record);
      PushStrip(record);
      if (MayShowObject(*StripRequests.figures, Settings.HGNotDA)) {
        ShowWindow(StripRequests.window.Window(), SW_SHOWNOACTIVATE);
        SetWindowPos(StripRequests.window.Window(), HWND_BOTTOM, 0, 0, 0, 0, kZOnly | SWP_SHOWWINDOW);
      }
      record->state = 1;
      return;
    }
    case 1:
      PushStrip(record);  // once more, now that the window is shown
      record->state = 2;
      return;
    case 2:
      if (StripRequests.relayout.exchange(0)) {
        ReadWorkArea(record);
        Sleep(5);
        PlaceStrip(record);
        PushStrip(record);
      } else if (repushRequest && RepushWaitMs() == 0) {
        PushStrip(record);
      }
      return;
    default:
      UnloadBackgroundBitmaps(record);
      return;
  }
}

void BackgroundStripPass(FigureRecord* record) {
  if (ApplyWindowRequest(StripRequests.window.Window(), StripRequests.window)) {
    // shown again: push now
    repushRequest = 1;
    lastPush = GetTickCount() - kPassMs;
  }
  if (StripRequests.unload.exchange(0)) {
    UnloadBackgroundBitmaps(record);
    StripRequests.relayout = 1;
  }
  // A relayout the animation thread set and cleared between two passes
  // still counts.
  const unsigned sets = RelayoutRequest.Sets();
  const bool relayout = RelayoutRequest != 0 || sets != relayoutSetsSeen;
  relayoutSetsSeen = sets;
  if (StripNumber() != 0 && !StripRequests.shell->fullScreenPause) {
    if (relayout) StripRequests.relayout = 1;
    DrawBackgroundStrip(record);
  }
}

void ListStripUnder(HWND window, WorkerWake* wake) {
  ListWindowUnder(window, repushRequest, wake, true);
}

bool StripSurfaceKept() {
  return surfaceKept;
}

void RequestStripRepush() {
  repushRequest = 1;
}

DWORD StripQuietMs(const FigureRecord* record) {
  if (StripRequests.window.action || StripRequests.unload || StripRequests.relayout) return 0;
  if (RelayoutRequest != 0 || RelayoutRequest.Sets() != relayoutSetsSeen) return 0;
  if (StripNumber() == 0 || StripRequests.shell->fullScreenPause) return INFINITE;
  if (!record || record->state != 2) return 0;
  return repushRequest ? std::max<DWORD>(RepushWaitMs(), 1) : INFINITE;
}

int StartBackgroundThread(const FigureState& figures, const ShellState& shell) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.style = CS_OWNDC | CS_BYTEALIGNCLIENT;
  wc.lpfnWndProc = BackgroundWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = KeyBrush();
  wc.lpszClassName = kStripClass;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    WriteLogLine("+++ HG-Thread NICHT gestartet (1)");
    return 0;
  }
  HWND window = CreateWindowExA(WS_EX_LAYERED | WS_EX_NOACTIVATE, kStripClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, instance, nullptr);
  if (!window) {
    WriteLogLine("+++ HG-Thread NICHT gestartet (2)");
    return 0;
  }
  SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, kZOnly);
  ShowWindow(window, SW_HIDE);
  // Before the thread runs: it reads them.
  StripRequests.figures = &figures;
  StripRequests.shell = &shell;
  AttachWindowRequest(window, StripRequests.window);
  HANDLE thread = StartThread(BackgroundThreadProc, nullptr);
  if (!thread) {
    WriteLogLine("+++ HG-Thread NICHT gestartet (3)");
    return 0;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
  threadHandle = thread;
  WriteLogLine("HG-Thread gestartet");
  return 1;
}

OwnedHandle TakeBackgroundThread() {
  return OwnedHandle(threadHandle.exchange(nullptr));
}

LRESULT CALLBACK BackgroundWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      WaitForAndCloseThread(TakeBackgroundThread(), kWindowThreadWaitMs);
      DetachWindowRequest(window);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      // A click never brings the strip forward; the strip's thread puts it back.
      StripRequests.window.Restack(WindowAction::kStackBottom);
      WakeWorkers();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
