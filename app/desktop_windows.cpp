#include "app/desktop_windows.h"
#include "app/shell_windows.h"

#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "services/debug_log.h"
#include "services/messages.h"
#include "services/settings.h"
#include "services/sound.h"
#include "app/tray_icon.h"
#include "app/tray_menu.h"
#include "objects/billboard.h"
#include "stage/billboard_state.h"
#include "app/desktop.h"
#include "objects/desktop_object.h"
#include "services/threads.h"
#include "services/window_requests.h"
#include "scene/scenery_strip.h"

#include <shellapi.h>

#include <tuple>

void ToggleFiguresActive(const ShellWindows& windows, TrayMenu& menu) {
  WriteLogLine(Desktop().figures.active ? "~~~ Deaktiviert!" : "~~~ Aktiviert!");
  Desktop().figures.active = !Desktop().figures.active;
  const bool on = Desktop().figures.active;
  StopMusic();
  menu.CheckItem(CMD_TOGGLE_ACTIVE, on);
  SetTrayTip(windows.figure, nullptr);
  UpdateTrayIcon(windows.figure);
  RelayoutRequest = on ? 1 : 0;

  const AppSettings& settings = DesktopSettings();
  // An object that stays while the figures are off is left alone.
  auto leftAlone = [&](int notDA) { return notDA && !on; };
  WindowRequest& strip = Desktop().strip.requests.window;
  if (!leftAlone(settings.HGNotDA) && strip.Window())
    strip.Set(settings.HG && on ? WindowAction::kShowBottom : WindowAction::kHide);
  // The threads that draw these windows show and hide them.
  auto showObject = [&](WindowRequest& request, HWND window, int enabled, int notDA, bool topmost) {
    if (leftAlone(notDA) || !window) return;
    if (!(enabled && on))
      request.Set(WindowAction::kHide);
    else
      request.Set(topmost ? WindowAction::kShowTopmost : WindowAction::kShowTop);
  };
  DesktopParts& parts = Desktop();
  DesktopObject& sign = parts.weatherSign.Object();
  DesktopObject& countdown = parts.countdown.Object();
  HWND clock = parts.clock.Object().window;
  showObject(parts.billboard.State().windowRequest, windows.billboard, settings.Billboard,
             settings.BillboardNotDA, false);
  showObject(sign.windowRequest, sign.window, settings.Weather[0] > 0, settings.WeatherNotDA, false);
  showObject(countdown.windowRequest, countdown.window, settings.Countdown, settings.CountdownNotDA,
             settings.CountdownOnTop && !Desktop().shell.optionsOpen);
  if (!leftAlone(settings.ClockNotDA) && clock)
    SendMessageA(clock, on ? MSG_SHOW_CLOCK : MSG_HIDE_CLOCK, 0, 0);
  WakeWorkers();  // the object threads carry the requests out now
}

bool OnAppBarNotify(const ShellWindows& windows, WPARAM code, LPARAM param) {
  if (code == ABN_STATECHANGE || code == ABN_POSCHANGED) {
    RelayoutRequest = 1;
    WakeWorkers();
    return true;
  }
  if (code != ABN_FULLSCREENAPP) return true;

  const int fullScreen = param != 0;
  Desktop().shell.fullScreen = fullScreen;
  if (fullScreen == Desktop().shell.lastFullScreenReport) return false;
  Desktop().shell.lastFullScreenReport = fullScreen;
  WriteLogLine(fullScreen ? "~~~ FS EIN" : "~~~ FS AUS");

  DesktopParts& parts = Desktop();
  DesktopObject& sign = parts.weatherSign.Object();
  DesktopObject& countdown = parts.countdown.Object();
  HWND clock = parts.clock.Object().window;
  if (fullScreen) {
    Desktop().shell.fullScreenPause = 1;
    // The drawing threads hide their windows on their next pass.
    for (WindowRequest* request : {&parts.figures.window, &parts.overlay.request, &countdown.windowRequest,
                                   &parts.billboard.State().windowRequest, &sign.windowRequest})
      request->Set(WindowAction::kHide);
    if (clock) SendMessageA(clock, MSG_HIDE_CLOCK, 0, 0);
    parts.strip.requests.window.Set(WindowAction::kHide);
    WakeWorkers();
    return false;
  }

  RelayoutRequest = 1;
  Desktop().shell.fullScreenPause = 0;
  const bool on = Desktop().figures.active;
  const AppSettings& settings = DesktopSettings();
  if (MayShowObject(parts.figures, settings.HGNotDA) && settings.HG)
    parts.strip.requests.window.Set(WindowAction::kShowBottom);
  if (MayShowObject(parts.figures, settings.ClockNotDA) && settings.Clock && clock)
    SendMessageA(clock, MSG_SHOW_CLOCK, 0, 0);
  if (MayShowObject(parts.figures, settings.CountdownNotDA) && settings.Countdown && countdown.window) {
    countdown.RequestWindow(!on ? WindowAction::kShow
                            : settings.CountdownOnTop && !Desktop().shell.optionsOpen
                                ? WindowAction::kShowTopmost
                                : WindowAction::kShowTop);
  }
  for (auto [request, window, enabled, notDA] :
       {std::tuple{&parts.billboard.State().windowRequest, windows.billboard, settings.Billboard.Get(),
                   settings.BillboardNotDA.Get()},
        std::tuple{&sign.windowRequest, sign.window, int(settings.Weather[0] > 0),
                   settings.WeatherNotDA.Get()}}) {
    if (!MayShowObject(parts.figures, notDA) || !enabled || !window) continue;
    request->Set(on ? WindowAction::kShowTop : WindowAction::kShow);
  }
  if (on) {
    parts.figures.window.Set(WindowAction::kShow);
    parts.overlay.request.Set(WindowAction::kShow);
  }
  WakeWorkers();
  return false;
}
