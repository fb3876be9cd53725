#include "app/desktop_windows.h"

#include "app/app_globals.h"
#include "app/debug_log.h"
#include "app/messages.h"
#include "app/settings.h"
#include "app/sound.h"
#include "app/tray_icon.h"
#include "app/tray_menu.h"
#include "objects/billboard.h"
#include "objects/desktop_object.h"
#include "scene/scenery_strip.h"

#include <shellapi.h>

#include <tuple>

namespace {

constexpr UINT kNoMoveSize = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

void Place(HWND window, HWND after, UINT extra = 0) {
  if (window) SetWindowPos(window, after, 0, 0, 0, 0, kNoMoveSize | extra);
}

void Show(HWND window, bool show) {
  if (window) ShowWindow(window, show ? SW_SHOWNOACTIVATE : SW_HIDE);
}

bool MayShow(int notDA) { return FiguresActive || notDA; }

// Shown, in front of normal windows, then back to a normal z-order band.
void RaiseToTopNotTopmost(HWND window) {
  if (!window) return;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  SetForegroundWindow(window);
  Place(window, HWND_TOP, SWP_SHOWWINDOW);
  Place(window, HWND_NOTOPMOST, SWP_SHOWWINDOW);
}

void RaiseClockLike(HWND window, int onTop) {
  if (!window) return;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  SetForegroundWindow(window);
  Place(window, onTop && !OptionsOpen ? HWND_TOPMOST : HWND_TOP, SWP_SHOWWINDOW);
}

}  // namespace

namespace {
APPBARDATA appBar;
bool appBarRegistered;
}  // namespace

void RegisterAppBar(HWND window) {
  appBar = {};
  appBar.cbSize = sizeof appBar;
  appBar.hWnd = window;
  appBar.uCallbackMessage = MSG_APPBAR;
  appBarRegistered = SHAppBarMessage(ABM_NEW, &appBar) != 0;
}

void ActivateAppBar() {
  if (appBarRegistered) SHAppBarMessage(ABM_ACTIVATE, &appBar);
}

void UnregisterAppBar() {
  if (!appBarRegistered) return;
  appBarRegistered = false;
  SHAppBarMessage(ABM_REMOVE, &appBar);
}

void LowerDesktopWindows() {
  for (HWND window : {FigureWindow, OverlayWindow, CountdownObject.window, ClockObject.window, BillboardWindow,
                      WeatherObject.window, StripWindow})
    Place(window, HWND_BOTTOM);
}

void RaiseDesktopWindows() {
  Place(FigureWindow, HWND_TOPMOST);
  Place(OverlayWindow, HWND_TOPMOST);
  if (StripWindow && Settings.HG && MayShow(Settings.HGNotDA)) {
    Show(StripWindow, true);
    Place(StripWindow, HWND_BOTTOM);
  }
  if (WeatherObject.window && Settings.Weather[0] > 0 && MayShow(Settings.WeatherNotDA)) {
    RaiseToTopNotTopmost(WeatherObject.window);
    WeatherObject.redrawRequest = 1;
  }
  if (BillboardWindow && Settings.Billboard && MayShow(Settings.BillboardNotDA)) {
    RaiseToTopNotTopmost(BillboardWindow);
    BillboardState.redrawRequest = 1;
  }
  if (ClockObject.window && Settings.Clock && MayShow(Settings.ClockNotDA))
    RaiseClockLike(ClockObject.window, Settings.ClockOnTop);
  if (CountdownObject.window && Settings.Countdown && MayShow(Settings.CountdownNotDA))
    RaiseClockLike(CountdownObject.window, Settings.CountdownOnTop);
  Place(FigureWindow, HWND_TOPMOST);
  Place(OverlayWindow, HWND_TOPMOST);
}

void ToggleFiguresActive() {
  WriteLogLine(FiguresActive ? "~~~ Deaktiviert!" : "~~~ Aktiviert!");
  FiguresActive = !FiguresActive;
  const bool on = FiguresActive;
  StopMusic();
  CheckTrayMenuItem(CMD_TOGGLE_ACTIVE, on);
  SetTrayTip(FigureWindow, nullptr);
  UpdateTrayIcon(FigureWindow);
  RelayoutRequest = on ? 1 : 0;

  // An object that stays while the figures are off is left alone.
  auto leftAlone = [&](int notDA) { return notDA && !on; };
  if (!leftAlone(Settings.HGNotDA) && StripWindow) {
    Place(StripWindow, HWND_BOTTOM);
    Show(StripWindow, Settings.HG && on);
    if (on) Sleep(5);
  }
  auto showObject = [&](HWND window, int enabled, int notDA, bool topmost) {
    if (leftAlone(notDA) || !window) return;
    Show(window, enabled && on);
    if (on) {
      if (enabled) Place(window, topmost ? HWND_TOPMOST : HWND_TOP);
      Sleep(5);
    }
  };
  showObject(BillboardWindow, Settings.Billboard, Settings.BillboardNotDA, false);
  showObject(WeatherObject.window, Settings.Weather[0] > 0, Settings.WeatherNotDA, false);
  showObject(CountdownObject.window, Settings.Countdown, Settings.CountdownNotDA,
             Settings.CountdownOnTop && !OptionsOpen);
  if (!leftAlone(Settings.ClockNotDA) && ClockObject.window)
    SendMessageA(ClockObject.window, on ? MSG_SHOW_CLOCK : MSG_HIDE_CLOCK, 0, 0);
}

bool OnAppBarNotify(HWND, WPARAM code, LPARAM param) {
  if (code == ABN_STATECHANGE || code == ABN_POSCHANGED) {
    RelayoutRequest = 1;
    return true;
  }
  if (code != ABN_FULLSCREENAPP) return true;

  const int fullScreen = param != 0;
  FullScreenState = fullScreen;
  if (fullScreen == LastFullScreenReport) return false;
  LastFullScreenReport = fullScreen;
  WriteLogLine(fullScreen ? "~~~ FS EIN" : "~~~ FS AUS");

  if (fullScreen) {
    FullScreenPause = 1;
    Show(FigureWindow, false);
    Show(OverlayWindow, false);
    if (ClockObject.window) SendMessageA(ClockObject.window, MSG_HIDE_CLOCK, 0, 0);
    for (HWND window : {CountdownObject.window, BillboardWindow, WeatherObject.window, StripWindow})
      Show(window, false);
    return false;
  }

  RelayoutRequest = 1;
  FullScreenPause = 0;
  const bool on = FiguresActive;
  if (MayShow(Settings.HGNotDA) && Settings.HG) Show(StripWindow, true);
  if (MayShow(Settings.ClockNotDA) && Settings.Clock && ClockObject.window)
    SendMessageA(ClockObject.window, MSG_SHOW_CLOCK, 0, 0);
  if (MayShow(Settings.CountdownNotDA) && Settings.Countdown && CountdownObject.window) {
    Show(CountdownObject.window, true);
    if (on) Place(CountdownObject.window, Settings.CountdownOnTop && !OptionsOpen ? HWND_TOPMOST : HWND_TOP);
  }
  for (auto [window, enabled, notDA] :
       {std::tuple{BillboardWindow, Settings.Billboard.Get(), Settings.BillboardNotDA.Get()},
        std::tuple{WeatherObject.window, int(Settings.Weather[0] > 0), Settings.WeatherNotDA.Get()}}) {
    if (!MayShow(notDA) || !enabled || !window) continue;
    Show(window, true);
    if (on) Place(window, HWND_TOP);
  }
  if (on) {
    Show(FigureWindow, true);
    Show(OverlayWindow, true);
  }
  return false;
}
