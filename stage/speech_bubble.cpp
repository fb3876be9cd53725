#include "stage/speech_bubble.h"
#include "services/shell_state.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "services/window_requests.h"
#include "services/win_util.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/settings.h"
#include "services/shell_requests.h"
#include "services/threads.h"
#include "stage/figure_bitmaps.h"
#include "stage/figure_record.h"
#include "stage/overlay_owner.h"
#include "stage/portable/bubble_text.h"

namespace {

constexpr COLORREF kBubbleTextColour = 0x00200808;
constexpr UINT kTextFormat = DT_WORDBREAK | DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_MODIFYSTRING;

struct BubbleLayout {
  RECT text;
  bool centred;
};

BubbleLayout LayoutOf(int type) {
  switch (type) {
    case 1:
    case 2:
      return {{10, 2, 175, 54}, true};
    case 3:
    case 4:
      return {{10, 36, 175, 84}, false};
    default:
      return {{10, 6, 175, 58}, false};
  }
}

HFONT MakeBubbleFont() {
  LOGFONTA font = {};
  font.lfHeight = BubbleFont.lfHeight;
  font.lfWeight = BubbleFont.lfWeight;
  font.lfItalic = BubbleFont.lfItalic;
  font.lfCharSet = ANSI_CHARSET;
  font.lfOutPrecision = OUT_STRING_PRECIS;
  font.lfClipPrecision = CLIP_STROKE_PRECIS;
  font.lfQuality = PROOF_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
  lstrcpynA(font.lfFaceName, lstrlenA(BubbleFont.lfFaceName) >= 3 ? BubbleFont.lfFaceName : "Verdana",
            LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

// Writes the text into the bubble bitmap: measured first, then placed.
void WriteBubbleText(HBITMAP bubble, HFONT font, int type, char* text) {
  BitmapDC canvas(bubble);
  if (!canvas.ok()) return;
  canvas.UseFont(font);
  const HDC dc = canvas.get();
  const BubbleLayout layout = LayoutOf(type);
  RECT box = layout.text;
  SetTextColor(dc, kBubbleTextColour);
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, text, -1, &box, kTextFormat | DT_CALCRECT);
  box.left = layout.text.left;
  box.right = layout.text.right;
  const int measured = box.bottom - box.top;
  const int room = layout.text.bottom - layout.text.top;
  if (layout.centred && measured < room) {
    box.top = layout.text.top + (room - measured) / 2;
    box.bottom = layout.text.bottom;
  } else {
    box.top = layout.text.top;
    box.bottom = layout.text.bottom;
  }
  DrawTextA(dc, text, -1, &box, kTextFormat);
}

}  // namespace

int BubbleHeight(int type) {
  if (type >= 1 && type <= 4) return 88;
  if (type == 5 || type == 6) return 107;
  return 0;
}

namespace {

std::atomic<DWORD> bubbleOwner{0};  // the thread that showed the bubble
std::atomic<int> bubbleKillRequest{0};

// A bubble handed to the overlay's owner by another thread: at screen
// coordinates, as the speaker's window stood when it asked.
struct HandedBubble {
  int type = 0;
  char text[kBubbleTextCapacity] = {};
  POINT at = {};
  int lifetime = 0;
};
std::mutex handedLock;
HandedBubble handed;  // type 0: none
std::atomic<int> handedPending{0};

// The thread that may draw the bubble now: the overlay's owner, or with
// none claimed the thread that showed it.
bool DrawsTheBubble() {
  return OverlayOwner() ? OverlayOwnedHere() : bubbleOwner == GetCurrentThreadId();
}

// Draws the prepared text into bubble `type` on `canvas` (at least the
// bubble's size) and pushes it at `at`. 1 when shown.
int PushBubble(HDC canvas, HDC screen, HBRUSH key, int type, char* text, POINT at) {
  const int height = BubbleHeight(type);
  const OwnedFont font(MakeBubbleFont());
  if (!font) return 0;
  char name[20];
  std::snprintf(name, sizeof name, "SPRECHBLASE_%02d", type);
  const OwnedBitmap bubble(ResourceBitmap(GetModuleHandleA(nullptr), name, 0, nullptr, 0));
  if (!bubble) return 0;
  WriteBubbleText(bubble.get(), font.get(), type, text);
  const OwnedBitmap mask(CreateMask(bubble.get()));
  if (!mask || !MakeTransparentBitmap(bubble.get(), mask.get(), kKeyColour)) return 0;
  SetWindowPos(OverlayWindowRequest.Window(), HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  RECT area = {0, 0, kBubbleWidth, height};
  FillRect(canvas, &area, key);
  DrawTransparent(canvas, bubble.get(), mask.get(), {0, 0});
  POINT source = {0, 0};
  SIZE size = {kBubbleWidth, height};
  BLENDFUNCTION blend = {};
  return UpdateLayeredWindow(OverlayWindowRequest.Window(), screen, &at, &size, canvas, &source, kKeyColour, &blend,
                             ULW_COLORKEY)
             ? 1
             : 0;
}

// Shows a prepared bubble on the owner: the record's overlay bitmap when it
// has one (a figure's script), else a canvas made for this push.
int ShowPrepared(FigureRecord* record, int type, char* text, POINT at, int lifetime) {
  if (Bubble.type != 0) KillSpeechBubble();
  if (Shell.optionsOpen) {
    Bubble.type = 0;
    return 0;
  }
  if (!OverlayWindowRequest.Window() || !MayDrawOverlay("Sprechblase")) return 0;
  WriteLogLine("CREATE SPRECHBLASE");
  Bubble.lifetime = lifetime;
  int shown = 0;
  if (record && record->overlayDC && record->overlayBitmap) {
    shown = PushBubble(record->overlayDC.get(), record->overlayScreenDC.get(), record->keyBrush, type, text, at);
  } else {
    const WindowDC screen(nullptr);
    const OwnedDC canvas(CreateCompatibleDC(screen.get()));
    const OwnedBitmap picture(CreateCompatibleBitmap(screen.get(), kBubbleWidth, BubbleHeight(6)));
    if (canvas && picture) {
      const SelectedObject selection(canvas.get(), picture.get());
      shown = PushBubble(canvas.get(), screen.get(), KeyBrush(), type, text, at);
    }
  }
  Bubble.type = shown ? type : 0;
  if (shown) {
    bubbleOwner = GetCurrentThreadId();
    bubbleKillRequest = 0;
    RequestMainTick();  // its lifetime runs out on the shell's tick
  }
  return shown;
}

}  // namespace

int ShowSpeechBubble(FigureRecord* record, int type, const char* text, int x, int y, int lifetime) {
  char buffer[kBubbleTextCapacity];
  const size_t length = PrepareBubbleText(text, buffer);
  const bool valid = lifetime >= 1 && length != 0 && type >= 1 && type <= 6 && record && record->overlayWindow;
  RECT window = {};
  if (record) GetWindowRect(record->objectWindow, &window);
  const POINT at = {x, window.top + y};
  if (!OverlayOwnedHere()) {
    // Another thread draws the overlay: hand the bubble over and wake it.
    if (!valid || Shell.optionsOpen) return 0;
    {
      const std::lock_guard<std::mutex> hold(handedLock);
      handed.type = type;
      std::memcpy(handed.text, buffer, sizeof buffer);
      handed.at = at;
      handed.lifetime = lifetime;
    }
    handedPending = 1;
    WakeWorkers();
    return 1;
  }
  if (Bubble.type != 0) KillSpeechBubble();
  if (Shell.optionsOpen) {
    Bubble.type = 0;
    return 0;
  }
  if (!valid) return 0;
  return ShowPrepared(record, type, buffer, at, lifetime);
}

void RequestBubbleKill() {
  if (Bubble.type == 0) return;
  bubbleKillRequest = 1;
  WakeWorkers();  // the bubble's thread may be waiting for work
}

bool BubbleKillPending() {
  return (bubbleKillRequest || handedPending) && DrawsTheBubble();
}

void ApplyBubbleKillRequest() {
  if (!DrawsTheBubble()) return;
  if (bubbleKillRequest.exchange(0)) KillSpeechBubble();
  if (!handedPending.exchange(0)) return;
  HandedBubble bubble;
  {
    const std::lock_guard<std::mutex> hold(handedLock);
    bubble = handed;
    handed.type = 0;
  }
  if (bubble.type != 0) ShowPrepared(nullptr, bubble.type, bubble.text, bubble.at, bubble.lifetime);
}

void KillSpeechBubble() {
  if (!OverlayOwnedHere()) {
    // Off the owner: a bubble handed over and not shown yet is dropped, the
    // shown one killed by the owner.
    if (handedPending.exchange(0)) {
      const std::lock_guard<std::mutex> hold(handedLock);
      handed.type = 0;
    }
    RequestBubbleKill();
    return;
  }
  if (Bubble.type != 0) {
    WriteLogLine("KILL SPRECHBLASE");
    if (OverlayWindowRequest.Window() && MayDrawOverlay("Sprechblase weg")) {
      if (const WindowDC dc(OverlayWindowRequest.Window()); dc) {
        RECT area = {};
        GetClientRect(OverlayWindowRequest.Window(), &area);
        FillRect(dc.get(), &area, KeyBrush());
      }
      SetWindowPos(OverlayWindowRequest.Window(), HWND_BOTTOM, 0, 9999, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    }
  }
  Bubble.type = 0;
}
