#include "stage/painted_layer.h"

#include "services/handles.h"
#include "services/win_util.h"  // kKeyColour, KeyBrush
#include "services/window_requests.h"
#include "stage/portable/painted_place.h"

namespace {

// No message has this number: a look for it finds none.
constexpr UINT kNoMessage = 0x7FFF;

SceneRect PictureOf(const LayerArgs& args) {
  if (args.size.cx <= 0 || args.size.cy <= 0) return {};
  return {args.destination.x, args.destination.y, args.destination.x + args.size.cx,
          args.destination.y + args.size.cy};
}

void Clear(HDC dc, const SceneRect& rect, const SceneRect& window) {
  const RECT area = {rect.left - window.left, rect.top - window.top, rect.right - window.left,
                     rect.bottom - window.top};
  FillRect(dc, &area, KeyBrush());
}

// Wine puts what was painted into a window's surface on the screen when a
// thread of the process looks for a message and finds none; the window's
// own thread may be asleep.
void ShowPainting() {
  GdiFlush();
  MSG message;
  PeekMessageA(&message, nullptr, kNoMessage, kNoMessage, PM_NOREMOVE);
}

}  // namespace

bool IsPaintedWindow(HWND window) {
  // Only Begin gives a window attributes; End drops them.
  DWORD flags = 0;
  return GetLayeredWindowAttributes(window, nullptr, nullptr, &flags) && (flags & LWA_COLORKEY) != 0;
}

bool PaintedLayer::Begin(HWND window) {
  End();
  if (!window) return false;
  // Wine paints a window given its key while shown (not pushed since it was
  // shown) no more: it takes the key hidden and is shown again.
  const bool shown = IsWindowVisible(window) != FALSE;
  if (shown) ShowWindow(window, SW_HIDE);
  const bool keyed = SetLayeredWindowAttributes(window, kKeyColour, 255, LWA_COLORKEY) != FALSE;
  if (shown) ShowWindow(window, SW_SHOWNA);
  if (!keyed) return false;
  window_ = window;
  place_ = painted_ = last_ = {};
  anyShown_ = false;
  whole_ = true;
  visible_ = false;
  return true;
}

void PaintedLayer::End(bool leaveWindow) {
  if (!window_) return;
  if (!leaveWindow) {
    // Hidden first: without its key the window would show its key colour.
    ShowWindow(window_, SW_HIDE);
    const LONG style = GetWindowLongA(window_, GWL_EXSTYLE);
    SetWindowLongA(window_, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
    SetWindowLongA(window_, GWL_EXSTYLE, style | WS_EX_LAYERED);
  }
  window_ = nullptr;
}

SceneRect PaintedLayer::Place() const {
  RECT rect = {};
  GetWindowRect(window_, &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

POINT PaintedLayer::WindowFor(const LayerArgs& args, const SceneRect& screen) const {
  if (!window_) return args.destination;
  const SceneRect place = Place();
  const SceneRect target = PaintedWindowFor(place, {place.right - place.left, place.bottom - place.top},
                                            PictureOf(args), last_, screen);
  if (target.Empty()) return args.destination;
  return {target.left, target.top};
}

BOOL PaintedLayer::Repaint(HDC memoryDC, const SceneRect& screen) {
  if (!window_ || !memoryDC) return FALSE;
  if (!anyShown_) return TRUE;
  whole_ = true;
  return Show(memoryDC, shown_, screen);
}

BOOL PaintedLayer::Show(HDC memoryDC, const LayerArgs& args, const SceneRect& screen) {
  if (!window_ || !memoryDC) return FALSE;
  shown_ = args;
  anyShown_ = true;
  const SceneRect picture = PictureOf(args);
  SceneRect place = Place();
  const bool visible = IsWindowVisible(window_) != FALSE;
  // Placed or shown by another hand since: what it shows is not known.
  if (!(place == place_) || visible != visible_) whole_ = true;
  const SceneRect target =
      PaintedWindowFor(place, {place.right - place.left, place.bottom - place.top}, picture, last_, screen);
  if (!picture.Empty()) last_ = picture;
  if (target.Empty()) return TRUE;  // nothing of it on the screen yet
  const SceneRect left = painted_;
  if (!(target == place)) {
    // Cleared before the move, which carries the window's picture along
    // until it is painted again.
    if (const WindowDC before(window_); before && !place.Empty()) {
      Clear(before.get(), place, place);
      ShowPainting();
    }
    const bool sameSize = target.right - target.left == place.right - place.left &&
                          target.bottom - target.top == place.bottom - place.top;
    if (!SetWindowPos(
            window_, nullptr, target.left, target.top, target.right - target.left, target.bottom - target.top,
            SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOREDRAW | (sameSize ? SWP_NOSIZE : 0))) {
      whole_ = true;
      return FALSE;
    }
    place = Place();
    whole_ = true;
  }
  // Taken after the move: a window moved or sized anew may have a new
  // surface, which a DC taken before would not paint.
  const WindowDC dc(window_);
  if (!dc) return FALSE;
  // The picture copies its see-through pixels too: only what it leaves is
  // cleared. Wine may show the window between two calls here.
  SceneRect stale[4];
  const int staleCount = RectsOutside(whole_ ? place : painted_, picture, stale);
  painted_ = {};
  BOOL done = TRUE;
  if (!picture.Empty()) {
    done = BitBlt(dc.get(), picture.left - place.left, picture.top - place.top, args.size.cx, args.size.cy,
                  memoryDC, args.source.x, args.source.y, SRCCOPY);
    if (done)
      painted_ = picture;
    else
      Clear(dc.get(), picture, place);
  }
  for (int i = 0; i < staleCount; ++i) Clear(dc.get(), stale[i], place);
  place_ = place;
  visible_ = visible;
  whole_ = !done;
  ShowPainting();
  // What the picture left uncovers windows that may need their picture again.
  if (!left.Empty() && !(left == painted_)) {
    const RECT area = {left.left, left.top, left.right, left.bottom};
    AskForPushUnder(area);
  }
  return done;
}
