#include "stage/speech_bubble.h"

#include <atomic>

#include <cstdio>

#include "services/app_globals.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/settings.h"
#include "services/shell_requests.h"
#include "services/threads.h"
#include "stage/figure_bitmaps.h"
#include "stage/figure_record.h"
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

}  // namespace

int ShowSpeechBubble(FigureRecord* record, int type, const char* text, int x, int y, int lifetime) {
  if (BubbleType != 0) KillSpeechBubble();
  if (OptionsOpen) {
    BubbleType = 0;
    return 0;
  }
  char buffer[kBubbleTextCapacity];
  const size_t length = PrepareBubbleText(text, buffer);
  if (lifetime < 1 || length == 0) return 0;
  WriteLogLine("CREATE SPRECHBLASE");
  if (type < 1 || type > 6 || !record) return 0;
  const int height = BubbleHeight(type);
  BubbleLifetime = lifetime;

  const OwnedFont font(MakeBubbleFont());
  if (!font) return 0;
  char name[20];
  std::snprintf(name, sizeof name, "SPRECHBLASE_%02d", type);
  const OwnedBitmap bubble(ResourceBitmap(GetModuleHandleA(nullptr), name, 0, nullptr, 0));
  if (!bubble) return 0;
  WriteBubbleText(bubble.get(), font.get(), type, buffer);
  const OwnedBitmap mask(CreateMask(bubble.get()));
  int shown = 0;
  if (mask && MakeTransparentBitmap(bubble.get(), mask.get(), kKeyColour)) {
    RECT window = {};
    GetWindowRect(record->objectWindow, &window);
    SetWindowPos(record->overlayWindow, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // Object threads show bubbles too: a block of our own, not the
    // animation thread's global one.
    LayerArgs args = {};
    args.source = {0, 0};
    args.size = {kBubbleWidth, height};
    args.destination = {x, window.top + y};
    RECT area = {0, 0, kBubbleWidth, height};
    FillRect(record->overlayDC.get(), &area, record->keyBrush);
    DrawTransparent(record->overlayDC.get(), bubble.get(), mask.get(), {0, 0});
    shown = ShowOverlayLayer(record, args) ? 1 : 0;
  }
  BubbleType = shown ? type : 0;
  if (shown) {
    bubbleOwner = GetCurrentThreadId();
    bubbleKillRequest = 0;
    RequestMainTick();  // its lifetime runs out on the shell's tick
  }
  return shown;
}

void RequestBubbleKill() {
  if (BubbleType == 0) return;
  bubbleKillRequest = 1;
  WakeWorkers();  // the bubble's thread may be waiting for work
}

bool BubbleKillPending() {
  return bubbleKillRequest && bubbleOwner == GetCurrentThreadId();
}

void ApplyBubbleKillRequest() {
  if (!bubbleKillRequest || bubbleOwner != GetCurrentThreadId()) return;
  bubbleKillRequest = 0;
  KillSpeechBubble();
}

void KillSpeechBubble() {
  if (BubbleType != 0) {
    WriteLogLine("KILL SPRECHBLASE");
    if (OverlayWindow) {
      if (const WindowDC dc(OverlayWindow); dc) {
        RECT area = {};
        GetClientRect(OverlayWindow, &area);
        FillRect(dc.get(), &area, KeyBrush);
      }
      SetWindowPos(OverlayWindow, HWND_BOTTOM, 0, 9999, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    }
  }
  BubbleType = 0;
}
