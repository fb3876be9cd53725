#include "services/window_requests.h"

WindowRequest FigureWindowRequest;
WindowRequest OverlayWindowRequest;
WindowRequest StripWindowRequest;

namespace {

constexpr UINT kZOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

void Place(HWND window, HWND after, UINT extra = 0) {
  SetWindowPos(window, after, 0, 0, 0, 0, kZOnly | extra);
}

}  // namespace

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

bool ApplyWindowRequest(HWND window, WindowRequest& request, WindowAction* applied) {
  const auto action = static_cast<WindowAction>(request.action.exchange(0));
  if (applied) *applied = action;
  if (action == WindowAction::kNone) return false;
  if (!window) return true;
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
