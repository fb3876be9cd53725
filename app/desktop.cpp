#include "app/desktop.h"

#include "objects/billboard.h"
#include "objects/billboard_state.h"
#include "objects/clock.h"
#include "objects/countdown.h"
#include "options/options_sheet.h"
#include "scene/scenery_strip.h"
#include "objects/weather_sign.h"
#include "scene/anim_thread.h"
#include "services/window_requests.h"
#include "stage/speech_bubble.h"
#include "services/shell_state.h"
#include "stage/figure_state.h"

DesktopParts& Desktop() {
  static DesktopParts* const parts = new DesktopParts;
  return *parts;
}

void AssembleDesktop(HWND figureWindow, HWND overlayWindow, HWND billboardWindow) {
  FigureWindowRequest.SetWindow(figureWindow);
  OverlayWindowRequest.SetWindow(overlayWindow);
  Desktop().billboard.State().windowRequest.SetWindow(billboardWindow);
  Desktop().billboard.SetClockAbove(&Desktop().clock.Object());
  SetAnimationParts({&Desktop().billboard,
                     {[] { Desktop().clock.Object().raiseRequest = 1; },
                      [] { Desktop().weatherSign.Object().raiseRequest = 1; }},
                     &Desktop().player, &Figures, &Shell, &Bubble});
}

OptionsParts DesktopOptionsParts() {
  OptionsParts parts;
  parts.weather = &Desktop().weather;
  parts.shell = &Shell;
  parts.clock = &Desktop().clock.Object();
  parts.countdown = &Desktop().countdown.Object();
  parts.weatherSign = &Desktop().weatherSign.Object();
  parts.billboard = &Desktop().billboard.State();
  parts.strip = &StripRequests;
  return parts;
}

ObjectWindows DesktopObjectWindows() {
  DesktopParts& parts = Desktop();
  return {&parts.clock.Object(), &parts.countdown.Object(), &parts.weatherSign.Object(), &parts.billboard.State()};
}
