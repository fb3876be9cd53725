#include "app/desktop.h"

#include <functional>
#include <utility>
#include <vector>

#include "objects/billboard.h"
#include "stage/billboard_state.h"
#include "objects/clock.h"
#include "objects/countdown.h"
#include "objects/picture_loading.h"
#include "objects/wallpaper.h"
#include "options/options_sheet.h"
#include "scene/scenery_strip.h"
#include "objects/weather_sign.h"
#include "services/settings.h"
#include "services/window_requests.h"

DesktopParts& Desktop() {
  static DesktopParts* const parts = new DesktopParts;
  return *parts;
}

void AssembleDesktop(HWND figureWindow, HWND overlayWindow, HWND billboardWindow) {
  DesktopParts& parts = Desktop();
  AttachWindowRequest(figureWindow, parts.figures.window);
  AttachWindowRequest(overlayWindow, parts.overlay.request);
  AttachWindowRequest(billboardWindow, parts.billboard.State().windowRequest);
  parts.billboard.SetClockAbove(&parts.clock.Object());
  // After a relayout: the strip placed again, the clock and sign raised.
  std::vector<std::function<void()>> afterRelayout = {
      [] { Desktop().strip.requests.relayout = 1; }, [] { Desktop().clock.Object().raiseRequest = 1; },
      [] { Desktop().weatherSign.Object().raiseRequest = 1; }};
  parts.animation.SetParts({&parts.billboard, std::move(afterRelayout), &parts.player, &parts.figures,
                            &parts.shell, &parts.overlay, &parts.settingsTable, &parts.birthdays});
}

OptionsParts DesktopOptionsParts() {
  OptionsParts parts;
  parts.settings = &Desktop().settings;
  parts.weather = &Desktop().weather;
  parts.shell = &Desktop().shell;
  parts.clock = &Desktop().clock.Object();
  parts.countdown = &Desktop().countdown.Object();
  parts.weatherSign = &Desktop().weatherSign.Object();
  parts.billboard = &Desktop().billboard.State();
  parts.strip = &Desktop().strip.requests;
  parts.birthdays = &Desktop().birthdays;
  parts.findPosters = [](const AppSettings& settings) {
    FindPicturePosters(Desktop().billboard.Posters(), settings);
    FindTextPosters(Desktop().billboard.Posters(), settings);
  };
  parts.setWallpaper = SetDesktopBackground;
  parts.memory = &Desktop().sheetMemory;
  parts.hotkeys = &Desktop().hotkeys;
  return parts;
}

ObjectWindows DesktopObjectWindows() {
  DesktopParts& parts = Desktop();
  ObjectWindows windows;
  windows.clock = &parts.clock.Object();
  windows.countdown = &parts.countdown.Object();
  windows.weather = &parts.weatherSign.Object();
  windows.wall = &parts.billboard.State();
  windows.figure = &parts.figures.window;
  windows.overlay = &parts.overlay.request;
  windows.strip = &parts.strip.requests.window;
  windows.figures = &parts.figures;
  windows.settings = &parts.settings.Read();
  return windows;
}
