#include "services/window_requests.h"

#include <algorithm>
#include <iterator>
#include <mutex>

#include "services/threads.h"

namespace {

constexpr const char* kRequestProperty = "WayluneWindowRequest";

struct WindowUnder {
  HWND window = nullptr;
  std::atomic<int>* repush = nullptr;
  WorkerWake* wake = nullptr;
  bool firstAskWakes = false;
};
// The strip, the billboard, the clock, the countdown, the weather sign.
constexpr int kMostUnder = 8;
std::mutex underLock;
WindowUnder under[kMostUnder];

// Whether the window is shown and covers some of `area`.
bool ShownOver(HWND window, const RECT& area) {
  RECT shown, part;
  return IsWindowVisible(window) && GetWindowRect(window, &shown) && IntersectRect(&part, &shown, &area);
}

constexpr UINT kZOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

void Place(HWND window, HWND after, UINT extra = 0) {
  SetWindowPos(window, after, 0, 0, 0, 0, kZOnly | extra);
}

}  // namespace

void AttachWindowRequest(HWND window, WindowRequest& request) {
  if (window) SetPropA(window, kRequestProperty, &request);
  request.SetWindow(window);
}

void DetachWindowRequest(HWND window) {
  if (window) RemovePropA(window, kRequestProperty);
}

WindowRequest* RequestOfWindow(HWND window) {
  return window ? static_cast<WindowRequest*>(GetPropA(window, kRequestProperty)) : nullptr;
}

bool RestackWindow(HWND window, WindowAction action) {
  WindowRequest* request = RequestOfWindow(window);
  if (!request) return false;
  request->Restack(action);
  if (request->redraw) *request->redraw = 1;
  WakeWorkers();  // the drawing thread may be waiting for work
  return true;
}

int VisibilityAfter(WindowAction action) {
  switch (action) {
    case WindowAction::kHide:
      return -1;
    case WindowAction::kNone:
    case WindowAction::kStackTop:
    case WindowAction::kStackTopmost:
    case WindowAction::kStackBottom:
      return 0;
    default:
      return 1;
  }
}

bool ApplyWindowRequest(HWND window, WindowRequest& request, WindowAction* applied,
                        const std::function<void()>& beforeShow) {
  const auto action = static_cast<WindowAction>(request.action.exchange(0));
  if (applied) *applied = action;
  if (action == WindowAction::kNone) return false;
  if (!window) return true;
  if (beforeShow && VisibilityAfter(action) > 0 && !IsWindowVisible(window)) beforeShow();
  switch (action) {
    case WindowAction::kHide:
      ShowWindow(window, SW_HIDE);
      break;
    case WindowAction::kShow:
      ShowWindow(window, SW_SHOWNOACTIVATE);
      break;
    case WindowAction::kShowTop:
    case WindowAction::kShowTopmost:
      ShowWindow(window, SW_SHOWNOACTIVATE);
      Place(window, action == WindowAction::kShowTopmost ? HWND_TOPMOST : HWND_TOP);
      break;
    case WindowAction::kRaiseNotTopmost:
    case WindowAction::kRaiseTop:
    case WindowAction::kRaiseTopmost:
      ShowWindow(window, SW_SHOWNOACTIVATE);
      Place(window, action == WindowAction::kRaiseTopmost ? HWND_TOPMOST : HWND_TOP, SWP_SHOWWINDOW);
      if (action == WindowAction::kRaiseNotTopmost) Place(window, HWND_NOTOPMOST, SWP_SHOWWINDOW);
      break;
    case WindowAction::kShowBottom:
      ShowWindow(window, SW_SHOWNOACTIVATE);
      Place(window, HWND_BOTTOM);
      break;
    case WindowAction::kStackTop:
    case WindowAction::kStackTopmost:
    case WindowAction::kStackBottom:
      Place(window, action == WindowAction::kStackTopmost  ? HWND_TOPMOST
                    : action == WindowAction::kStackBottom ? HWND_BOTTOM
                                                           : HWND_TOP);
      break;
    default:
      break;
  }
  return true;
}

void ListWindowUnder(HWND window, std::atomic<int>& repush, WorkerWake* wake, bool firstAskWakes) {
  const std::lock_guard<std::mutex> hold(underLock);
  WindowUnder* free = nullptr;
  for (WindowUnder& entry : under) {
    if (entry.repush == &repush) {
      entry = window ? WindowUnder{window, &repush, wake, firstAskWakes} : WindowUnder{};
      return;
    }
    if (!free && !entry.repush) free = &entry;
  }
  if (window && free) *free = {window, &repush, wake, firstAskWakes};
}

void AskForPushUnder(const RECT& area) {
  WindowUnder listed[kMostUnder];
  {
    const std::lock_guard<std::mutex> hold(underLock);
    std::copy(std::begin(under), std::end(under), listed);
  }
  // The window calls outside the lock: they wait for the window server.
  bool over[kMostUnder] = {};
  for (int i = 0; i < kMostUnder; ++i) over[i] = listed[i].window && ShownOver(listed[i].window, area);
  // A thread takes its entry off before its wake ends.
  const std::lock_guard<std::mutex> hold(underLock);
  for (int i = 0; i < kMostUnder; ++i)
    if (over[i] && under[i].repush == listed[i].repush && under[i].window == listed[i].window) {
      const bool wasClear = under[i].repush->exchange(1) == 0;
      if (under[i].wake && (wasClear || !under[i].firstAskWakes)) under[i].wake->Wake();
    }
}
