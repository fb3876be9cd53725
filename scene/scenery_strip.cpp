#include "scene/scenery_strip.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "stage/figure_bitmaps.h"
#include "stage/figure_state.h"
#include "services/shell_state.h"
#include "scene/figures/strip_pictures.h"
#include "scene/portable/strip_layout.h"
#include "services/debug_log.h"
#include "services/win_util.h"
#include "stage/kept_layer.h"
#include "stage/layer_push.h"
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

// The region of the view's opaque pixels in the padded picture, relative to
// the window (empty without any).
HRGN ViewRegion(const PixelRows8& rows, uint8_t key, int left, int width) {
  return RegionOfRuns(OpaqueRuns(rows, left, width, key), {width, rows.height});
}

// The file's 8-bit picture with rows of its key colour above it and columns
// right of it: whole surface steps high, and wide enough for any view of
// whole steps; `rows` and `key` receive its rows and key index. Null when the
// picture is not 8 bits a pixel or has no exact key colour (the strip then
// shows it as it is).
HBITMAP PaddedStripPicture(HBITMAP sheet, PixelRows8& rows, uint8_t& key) {
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
  const RGBQUAD* keyEntry = std::find_if(info.colours, info.colours + colourCount, [](const RGBQUAD& c) {
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue) == kKeyColour;
  });
  if (keyEntry == info.colours + colourCount) return nullptr;
  const int width = file.dsBm.bmWidth, height = file.dsBm.bmHeight;
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width + kSurfaceStep - 1;
  info.header.biHeight = -RoundUpToSurfaceStep(height);  // top-down
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biClrUsed = colourCount;
  void* bits = nullptr;
  OwnedBitmap padded(
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
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
  const auto keyIndex = static_cast<uint8_t>(keyEntry - info.colours);
  if (!PadToBottomLeft(source, target, keyIndex)) return nullptr;
  rows = target;
  key = keyIndex;
  return padded.release();
}

}  // namespace

int BackgroundStrip::StripNumber() const {
  const int hg = settings_.HG;
  return hg >= 1 && hg <= kStripCount ? hg : 0;
}

void BackgroundStrip::Push(FigureRecord* record) {
  if (!record->objectDC || !record->objectBitmap) return;
  // Whatever push goes serves the asks before it; the next ask wakes the
  // thread again.
  repushRequest_ = 0;
  if (paddedPicture_) {
    // Opaque within the window's region.
    PushLayered(Window(), record->objectScreenDC.get(), layerArgs_.destination, layerArgs_.size,
                record->objectDC.get(), layerArgs_.source, ULW_OPAQUE);
  } else {
    PushLayer(Window(), record->objectScreenDC.get(), record->objectDC.get(), layerArgs_);
  }
  lastPush_ = GetTickCount();
}

// Time left until an asked-for push may go: 0 when it may go now.
DWORD BackgroundStrip::RepushWaitMs() const {
  const DWORD since = GetTickCount() - lastPush_;
  return since >= kPassMs ? 0 : kPassMs - since;
}

// Destination and visible part for the record's work area and the offset; a
// padded picture gives a window of whole surface steps, its bottom on the
// work area's. The screen is the thread's one read of the display.
void BackgroundStrip::Place(FigureRecord* record) {
  const DisplayFacts& display = CurrentDisplay();
  const int screen = display.screenWidth;
  record->workArea.right = screen;
  const StripView view = StripViewFor(record->sheetWidth, settings_.HGversatz[StripNumber()].Get(), screen);
  const int width = paddedPicture_ ? RoundUpToSurfaceStep(view.width) : view.width;
  layerArgs_.destination = {0, record->workArea.bottom - record->sheetHeight};
  layerArgs_.size = {width, record->sheetHeight};
  layerArgs_.source = {view.sourceX, 0};
  const SceneRect window{0, layerArgs_.destination.y, width, record->workArea.bottom};
  surfaceKept_ = paddedPicture_ && ::SurfaceKept(window, display.virtualScreen);
  // The window takes the region; a failed one leaves the last.
  // The window owns the region it takes. Relayouts come with every new
  // figure; an unchanged view keeps its region.
  const Cut cut{paddedPicture_ ? paddedRows_.bits : nullptr, view.sourceX, width};
  if (cut == lastCut_) return;
  OwnedRegion region(paddedPicture_ ? ViewRegion(paddedRows_, paddedKey_, view.sourceX, width) : nullptr);
  if (SetWindowRgn(Window(), region.get(), FALSE)) {
    (void)region.release();
    lastCut_ = cut;
  }
}

DWORD WINAPI BackgroundStrip::ThreadProc(void* self) {
  return static_cast<BackgroundStrip*>(self)->Run();
}

DWORD BackgroundStrip::Run() {
  requests.unload = 0;
  FigureRecord* record = AllocateFigureRecord();
  WorkerWake wake;
  bool listed = false;
  while (record && QuitFlag == 0) {
    Pass(record);
    // Listed for the asks of windows passing over only while Wine would not
    // paint it again by itself.
    if (const bool list = !SurfaceKept(); list != listed) {
      ListUnder(list ? Window() : nullptr, list ? &wake : nullptr);
      listed = list;
    }
    const DWORD quiet = QuietMs(record);
    wake.Wait(quiet == 0 ? kPassMs : std::min(quiet, kQuietMaxMs));
  }
  // At shutdown the window stays as it is: the main thread hides it once
  // this thread has ended.
  if (record) {
    Release(record, QuitFlag == 0);
    FreeFigureRecord(record);
  }
  ListUnder(nullptr, nullptr);  // the wake ends with this thread
  WriteLogLine("HG-Thread beendet");
  return 0;
}

int BackgroundStrip::LoadBitmaps(FigureRecord* record, int useRecordModule) {
  WriteLogLine("LADEN: HG");
  layerArgs_.blend = {};
  record->objectScreenDC = WindowDC(Window());
  record->objectDC.reset(CreateCompatibleDC(record->objectScreenDC.get()));
  record->objectWindow = Window();
  record->keyBrush = KeyBrush();
  record->state = 0;
  record->active = 1;
  record->overlayDC.reset();
  record->overlayScreenDC.reset();
  record->overlayWindow = nullptr;
  if (record->objectScreenDC) SetMapMode(record->objectScreenDC.get(), MM_TEXT);
  record->workArea = CurrentDisplay().workArea;

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
    UnloadBitmaps(record);
    return 0;
  }
  RECT size = {};
  GetBitmapRect(sheet, &size);
  record->sheetWidth = size.right;
  record->sheetHeight = size.bottom;
  return 1;
}

void BackgroundStrip::Release(FigureRecord* record, bool parkWindow) {
  if (!record) return;
  if (record->active) WriteLogLine("ENTLADEN: %s", record->name);
  if (parkWindow && Window()) {
    if (const WindowDC dc(Window()); dc) {
      RECT client = {};
      GetClientRect(Window(), &client);
      FillRect(dc.get(), &client, KeyBrush());
    }
    SetWindowPos(Window(), HWND_BOTTOM, 0, 9999, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  }
  record->active = 0;
  record->state = 0;
  record->ReleaseGdi();
  surfaceKept_ = false;
  paddedPicture_ = false;
  paddedRows_ = {};
  lastCut_ = {};
}

void BackgroundStrip::Draw(FigureRecord* record) {
  switch (record->state) {
    case 0: {
      if (!LoadBitmaps(record, 0)) return;
      lstrcpynA(record->name, "HG", kFigureNameSize);
      // The padded sheet is the strip's picture (the sheet itself where it
      // cannot be padded): the record's bitmap from now on.
      if (HBITMAP padded = PaddedStripPicture(record->sheets[0].get(), paddedRows_, paddedKey_)) {
        record->objectBitmap.reset(padded);
        record->sheets[0].reset();
        record->sheetHeight = RoundUpToSurfaceStep(record->sheetHeight);
        paddedPicture_ = true;
      } else {
        record->objectBitmap = std::move(record->sheets[0]);
        paddedPicture_ = false;
      }
      record->objectSelection = SelectedObject(record->objectDC.get(), record->objectBitmap.get());
      // Not selected: the strip stays at state 0 and loads afresh on the next pass.
      if (!record->objectSelection.ok()) {
        UnloadBitmaps(record);
        return;
      }
      Place(record);
      Push(record);
      if (MayShowObject(figures_, settings_.HGNotDA)) {
        ShowWindow(Window(), SW_SHOWNOACTIVATE);
        SetWindowPos(Window(), HWND_BOTTOM, 0, 0, 0, 0, kZOnly | SWP_SHOWWINDOW);
      }
      record->state = 1;
      return;
    }
    case 1:
      Push(record);  // once more, now that the window is shown
      record->state = 2;
      return;
    case 2:
      if (requests.relayout.exchange(0)) {
        record->workArea = CurrentDisplay().workArea;
        Sleep(5);
        Place(record);
        Push(record);
      } else if (repushRequest_ && RepushWaitMs() == 0) {
        Push(record);
      }
      return;
    default:
      UnloadBitmaps(record);
      return;
  }
}

void BackgroundStrip::Pass(FigureRecord* record) {
  if (ApplyWindowRequest(Window(), requests.window)) {
    // shown again: push now
    repushRequest_ = 1;
    lastPush_ = GetTickCount() - kPassMs;
  }
  if (requests.unload.exchange(0)) {
    UnloadBitmaps(record);
    requests.relayout = 1;
  }
  // A relayout the animation thread set and cleared between two passes
  // still counts.
  const unsigned sets = RelayoutRequest.Sets();
  const bool relayout = RelayoutRequest != 0 || sets != relayoutSetsSeen_;
  relayoutSetsSeen_ = sets;
  if (StripNumber() != 0 && !shell_.fullScreenPause) {
    if (relayout) requests.relayout = 1;
    Draw(record);
  }
}

void BackgroundStrip::ListUnder(HWND window, WorkerWake* wake) {
  ListWindowUnder(window, repushRequest_, wake, true);
}

DWORD BackgroundStrip::QuietMs(const FigureRecord* record) const {
  if (requests.window.action || requests.unload || requests.relayout) return 0;
  if (RelayoutRequest != 0 || RelayoutRequest.Sets() != relayoutSetsSeen_) return 0;
  if (StripNumber() == 0 || shell_.fullScreenPause) return INFINITE;
  if (!record || record->state != 2) return 0;
  return repushRequest_ ? std::max<DWORD>(RepushWaitMs(), 1) : INFINITE;
}

void BackgroundStrip::AttachWindow(HWND window) {
  if (window) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  AttachWindowRequest(window, requests.window);
}

void BackgroundStrip::DetachWindow() {
  if (HWND window = Window()) {
    DetachWindowRequest(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  }
}

int BackgroundStrip::Start() {
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
  HWND window = CreateWindowExA(WS_EX_LAYERED | WS_EX_NOACTIVATE, kStripClass, "", WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, instance, nullptr);
  if (!window) {
    WriteLogLine("+++ HG-Thread NICHT gestartet (2)");
    return 0;
  }
  SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, kZOnly);
  ShowWindow(window, SW_HIDE);
  AttachWindow(window);  // before the thread runs: it reads the window
  HANDLE thread = StartThread(ThreadProc, this);
  if (!thread) {
    WriteLogLine("+++ HG-Thread NICHT gestartet (3)");
    return 0;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
  thread_ = thread;
  WriteLogLine("HG-Thread gestartet");
  return 1;
}

OwnedHandle BackgroundStrip::TakeThread() {
  return OwnedHandle(thread_.exchange(nullptr));
}

LRESULT CALLBACK BackgroundWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* strip = reinterpret_cast<BackgroundStrip*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_DESTROY:
      if (strip) WaitForAndCloseThread(strip->TakeThread(), kWindowThreadWaitMs);
      DetachWindowRequest(window);
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      // A click never brings the strip forward; the strip's thread puts it back.
      if (strip) strip->requests.window.Restack(WindowAction::kStackBottom);
      WakeWorkers();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
