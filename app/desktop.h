#pragma once

#include <windows.h>
// The desktop parts the shell makes at start-up and hands to each other.

#include "objects/billboard.h"
#include "objects/clock.h"
#include "objects/countdown.h"
#include "objects/metar_download.h"
#include "objects/weather_sign.h"
#include "options/options_sheet.h"
#include "scene/anim_thread.h"
#include "scene/scenery_strip.h"
#include "services/hotkeys.h"
#include "services/settings.h"
#include "services/settings_owner.h"
#include "services/player_state.h"
#include "services/shell_state.h"
#include "stage/birthdays.h"
#include "stage/figure_state.h"
#include "stage/overlay_owner.h"

// The owner objects of the desktop parts, made once by the shell and handed
// to the threads and pages that use them. They live until the process ends:
// a thread the shutdown could not end still finds them.
struct DesktopParts {
  // The figures' switch, mouse words and window (the shell's mouse and tray,
  // the animation thread).
  FigureState figures;
  // What the shell learns of the screen and the user.
  ShellState shell;
  // The overlay window and its bubble, drawn by the animation thread.
  Overlay overlay{shell};
  // The program's one table of settings, and its owner: loaded when the
  // figure window is made, read by every part it is handed to, changed only
  // through the owner (the options sheet, the objects' drags, the sound
  // library's device).
  AppSettings settingsTable;
  SettingsOwner settings{settingsTable};
  // What every object reads of the figures and the shell, the overlay and
  // the settings.
  ObjectLinks objectLinks{&figures, &shell, &overlay, &settings};
  Billboard billboard{objectLinks};
  WeatherService weather;
  WeatherSign weatherSign{weather, objectLinks};  // draws the service's reports, schedules its fetches
  Clock clock{objectLinks};
  Countdown countdown{objectLinks};
  PlayerState player;  // written by the player control (app/winamp), read by the figures
  // The birthday list the birthday page edits and the birthdays due today,
  // collected by the animation thread and the page.
  Birthdays birthdays;
  // The hotkey table: loaded and registered at start-up, edited by the
  // hotkey pages.
  Hotkeys hotkeys;
  // The scenery strip: its requests (the Desktop page, the shell, the
  // animation thread after a relayout), its window and its thread.
  BackgroundStrip strip{figures, shell, settingsTable};
  // What the options pages keep from one run of the sheet to the next.
  SheetMemory sheetMemory;
  // The animation: its thread, the chooser's counts, what the figures
  // remember; handed its parts once the windows exist (AssembleDesktop).
  Animation animation;
};
DesktopParts& Desktop();
// The program's settings, as the shell reads them.
inline const AppSettings& DesktopSettings() {
  return Desktop().settings.Read();
}

// Once the main-class windows exist: the animation's parts (the billboard
// its thread carries, what follows a relayout the thread passes on).
// Each window goes to the request word of the thread that draws it.
void AssembleDesktop(HWND figureWindow, HWND overlayWindow, HWND billboardWindow);

// What the options sheet is handed: the parts its pages read and ask.
struct OptionsParts;
OptionsParts DesktopOptionsParts();
// The free-standing objects, for the z-order helpers.
ObjectWindows DesktopObjectWindows();
