#include "app/desktop_windows.h"

#include "services/app_globals.h"
#include "services/debug_log.h"
#include "services/messages.h"
#include "services/settings.h"
#include "services/sound.h"
#include "app/tray_icon.h"
#include "app/tray_menu.h"
#include "objects/billboard.h"
#include "objects/desktop_object.h"
#include "scene/scenery_strip.h"

#include <shellapi.h>

#include <tuple>

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
    PlaceWindow(StripWindow, HWND_BOTTOM);
    ShowObjectWindow(StripWindow, Settings.HG && on);
    if (on) Sleep(5);
  }
  auto showObject = [&](HWND window, int enabled, int notDA, bool topmost) {
    if (leftAlone(notDA) || !window) return;
    ShowObjectWindow(window, enabled && on);
    if (on) {
      if (enabled) PlaceWindow(window, topmost ? HWND_TOPMOST : HWND_TOP);
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
    ShowObjectWindow(FigureWindow, false);
    ShowObjectWindow(OverlayWindow, false);
    if (ClockObject.window) SendMessageA(ClockObject.window, MSG_HIDE_CLOCK, 0, 0);
    for (HWND window : {CountdownObject.window, BillboardWindow, WeatherObject.window, StripWindow})
      ShowObjectWindow(window, false);
    return false;
  }

  RelayoutRequest = 1;
  FullScreenPause = 0;
  const bool on = FiguresActive;
  if (MayShowObject(Settings.HGNotDA) && Settings.HG) ShowObjectWindow(StripWindow, true);
  if (MayShowObject(Settings.ClockNotDA) && Settings.Clock && ClockObject.window)
    SendMessageA(ClockObject.window, MSG_SHOW_CLOCK, 0, 0);
  if (MayShowObject(Settings.CountdownNotDA) && Settings.Countdown && CountdownObject.window) {
    ShowObjectWindow(CountdownObject.window, true);
    if (on) PlaceWindow(CountdownObject.window, Settings.CountdownOnTop && !OptionsOpen ? HWND_TOPMOST : HWND_TOP);
  }
  for (auto [window, enabled, notDA] :
       {std::tuple{BillboardWindow, Settings.Billboard.Get(), Settings.BillboardNotDA.Get()},
        std::tuple{WeatherObject.window, int(Settings.Weather[0] > 0), Settings.WeatherNotDA.Get()}}) {
    if (!MayShowObject(notDA) || !enabled || !window) continue;
    ShowObjectWindow(window, true);
    if (on) PlaceWindow(window, HWND_TOP);
  }
  if (on) {
    ShowObjectWindow(FigureWindow, true);
    ShowObjectWindow(OverlayWindow, true);
  }
  return false;
}
