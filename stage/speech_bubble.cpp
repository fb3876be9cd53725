#include "stage/speech_bubble.h"
#include "services/shell_state.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "services/window_requests.h"
#include "services/win_util.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/settings.h"
#include "services/shell_requests.h"
#include "services/threads.h"
#include "stage/figure_bitmaps.h"
#include "stage/figure_record.h"
#include "stage/layer_push.h"
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

// Draws the prepared text into bubble `type` on `canvas` (at least the
// bubble's size) and pushes it at `at`, raising and showing the window
// first unless `restack` is off. 1 when shown.
int PushBubble(HWND window, HDC canvas, HDC screen, HBRUSH key, int type, char* text, POINT at,
               bool restack = true) {
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
  if (restack)
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  RECT area = {0, 0, kBubbleWidth, height};
  FillRect(canvas, &area, key);
  DrawTransparent(canvas, bubble.get(), mask.get(), {0, 0});
  return PushLayered(window, screen, at, {kBubbleWidth, height}, canvas, {0, 0}, ULW_COLORKEY) ? 1 : 0;
}

// Draws and pushes a bubble on a canvas made for this push.
int PushOnOwnCanvas(HWND window, int type, char* text, POINT at, bool restack) {
  const WindowDC screen(nullptr);
  const OwnedDC canvas(CreateCompatibleDC(screen.get()));
  const OwnedBitmap picture(CreateCompatibleBitmap(screen.get(), kBubbleWidth, BubbleHeight(6)));
  if (!canvas || !picture) return 0;
  const SelectedObject selection(canvas.get(), picture.get());
  return PushBubble(window, canvas.get(), screen.get(), KeyBrush(), type, text, at, restack);
}

// Shows a prepared bubble on the owner: the record's overlay bitmap when it
// has one (a figure's script), else a canvas made for this push.
int ShowPrepared(Overlay& overlay, FigureRecord* record, int type, char* text, POINT at, int lifetime) {
  if (overlay.bubble.type != 0) KillSpeechBubble(overlay);
  // No bubble in a window that carries a lifted figure, as none while the
  // options sheet is open.
  if (overlay.ShellWords().optionsOpen || overlay.Carrying()) {
    overlay.bubble.type = 0;
    return 0;
  }
  if (!overlay.Window() || !overlay.MayDraw("Sprechblase")) return 0;
  WriteLogLine("CREATE SPRECHBLASE");
  overlay.bubble.lifetime = lifetime;
  // Kept as asked for: drawing shortens the text in place.
  HandedBubble asked;
  asked.type = type;
  std::memcpy(asked.text, text, sizeof asked.text);
  asked.at = at;
  asked.lifetime = lifetime;
  int shown = 0;
  if (record && record->overlayDC && record->overlayBitmap) {
    shown = PushBubble(overlay.Window(), record->overlayDC.get(), record->overlayScreenDC.get(),
                       record->keyBrush, type, text, at);
  } else {
    shown = PushOnOwnCanvas(overlay.Window(), type, text, at, true);
  }
  // Shown or not, the bubble's push may have raised and shown the window.
  overlay.Changed();
  overlay.BubblePushed(asked, shown != 0);
  if (shown) RequestMainTick();  // its lifetime runs out on the shell's tick
  return shown;
}

}  // namespace

int ShowSpeechBubble(Overlay& overlay, FigureRecord* record, int type, const char* text, int x, int y,
                     int lifetime) {
  char buffer[kBubbleTextCapacity];
  const size_t length = PrepareBubbleText(text, buffer);
  const bool valid =
      lifetime >= 1 && length != 0 && type >= 1 && type <= 6 && record && record->overlayWindow;
  RECT window = {};
  if (record) GetWindowRect(record->objectWindow, &window);
  const POINT at = {x, window.top + y};
  if (!overlay.OwnedHere()) {
    // Another thread draws the overlay: hand the bubble over and wake it.
    if (!valid || overlay.ShellWords().optionsOpen) return 0;
    HandedBubble handed;
    handed.type = type;
    std::memcpy(handed.text, buffer, sizeof buffer);
    handed.at = at;
    handed.lifetime = lifetime;
    overlay.HandOver(handed);
    WakeWorkers();
    return 1;
  }
  if (overlay.bubble.type != 0) KillSpeechBubble(overlay);
  if (overlay.ShellWords().optionsOpen) {
    overlay.bubble.type = 0;
    return 0;
  }
  if (!valid) return 0;
  return ShowPrepared(overlay, record, type, buffer, at, lifetime);
}

void RequestBubbleKill(Overlay& overlay) {
  if (overlay.bubble.type == 0) return;
  overlay.RequestKill();
  WakeWorkers();  // the bubble's thread may be waiting for work
}

bool BubbleKillPending(Overlay& overlay) {
  // A handed bubble waits while the window carries a lifted figure.
  return overlay.HandOverWaiting() && overlay.DrawsBubble();
}

namespace {

// A shown bubble pushed again where it stands, after a show or restack
// carried out for a request (Overlay::ApplyRequest: the end of a full-screen
// pause, a raise, a lowering): under Wine either leaves a window whose
// surface is not kept blank until its next push, and a bubble has no next
// push of its own.
void PushBubbleAgain(Overlay& overlay) {
  std::optional<HandedBubble> again = overlay.TakeRepush();
  if (!again || overlay.bubble.type == 0 || overlay.Carrying()) return;
  const HWND window = overlay.Window();
  if (!window || !IsWindowVisible(window) || !overlay.MayDraw("Sprechblase erneut")) return;
  // Where it stands in the z-order now: a lowering is not undone.
  PushOnOwnCanvas(window, again->type, again->text, again->at, false);
  overlay.Changed();
}

}  // namespace

void ApplyBubbleKillRequest(Overlay& overlay, bool figureLifted) {
  if (!overlay.DrawsBubble()) return;
  if (overlay.TakeKillRequest()) KillSpeechBubble(overlay);
  PushBubbleAgain(overlay);
  // One handed over while a lifted figure is carried waits for his end.
  if (figureLifted || overlay.Carrying()) return;
  HandedBubble bubble = overlay.TakeHanded();
  if (bubble.type != 0) ShowPrepared(overlay, nullptr, bubble.type, bubble.text, bubble.at, bubble.lifetime);
}

void KillSpeechBubble(Overlay& overlay) {
  if (!overlay.OwnedHere()) {
    // Off the owner: a bubble handed over and not shown yet is dropped, the
    // shown one killed by the owner.
    overlay.DropHanded();
    RequestBubbleKill(overlay);
    return;
  }
  if (overlay.bubble.type != 0) {
    WriteLogLine("KILL SPRECHBLASE");
    if (overlay.Window() && overlay.MayDraw("Sprechblase weg")) {
      if (const WindowDC dc(overlay.Window()); dc) {
        RECT area = {};
        GetClientRect(overlay.Window(), &area);
        FillRect(dc.get(), &area, KeyBrush());
      }
      SetWindowPos(overlay.Window(), HWND_BOTTOM, 0, 9999, 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
      overlay.Changed();
    }
  }
  overlay.bubble.type = 0;
}
