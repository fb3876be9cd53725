#pragma once
// The options property sheet: thirteen pages in one modal sheet, opened from
// the tray menu's "Optionen".
//
// Adding a page
// -------------
// 1. Write its dialog procedure in its own file, options/<name>_page.cpp
//    (add it to options/CMakeLists.txt), and declare it in
//    options/option_pages.h. The procedure handles only what is its own:
//    WM_INITDIALOG, WM_COMMAND, and from WM_NOTIFY the codes it needs
//    (PSN_SETACTIVE for its texts and enables, PSN_APPLY to commit). It
//    returns FALSE for anything else. It reads and changes the settings
//    only in the sheet's copy, PageSettings(); on PSN_APPLY it puts its
//    controls into the copy, commits its own rows (CommitPage), saves them
//    with their saver and tells the running parts. A cancel drops the copy.
//    A value the user must see or hear at once (sound on, the volume, the
//    weather sign, the player switch) goes to the live settings with
//    PreviewSetting; if the sheet closes before the page commits it, the
//    committed value comes back.
// 2. The frame (OptionsPageProc) does the rest for every page: it
//    sets and clears the shell's optionsOpen, answers every PSN_ code with "no error",
//    opens the page's help topic on the Help button and control popups on
//    F1, and saves the sheet's position when a page that asks for it is
//    left. Call PageChanged(page) (options/page_protocol.h, with the pages'
//    other helpers) whenever a control's value changes.
// 3. Put the dialog into a resource script of its own under resources/
//    (options_*.rc, included by waylune.rc) with the page's control ids;
//    its texts come from the language files (LangText) when it sets them.
// 4. Fill the page's slot in kOptionsPages (options_sheet.cpp): dialog id,
//    title, procedure, help topic, whether leaving it saves the position.
//    A slot whose procedure is null is left out of the sheet. Give its
//    settings the page's SettingPage in the settings table
//    (services/settings.cpp).
// 5. A page that changes state before apply that is not a setting (the
//    birthday list held in memory) gives the slot an `onCancel`: it runs
//    whenever the sheet has closed and puts back what the page changed
//    after its last apply (after an OK, nothing).

#include <windows.h>

#include <functional>

#include "services/settings.h"

struct OptionsPage {
  int dialogId;         // dialog resource of the page
  const char* title;    // tab text, with its trailing blank
  DLGPROC proc;         // null: the page is not part of the sheet
  int helpTopic;        // HelpTopic opened by the sheet's Help button
  bool savesPosition;   // leaving the page writes DlgPos
  void (*onCancel)();   // puts back the page's own unapplied state; may be null
};

inline constexpr int kOptionsPageCount = 13;
extern const OptionsPage kOptionsPages[kOptionsPageCount];

// The open sheet's window, null while no sheet is open.
extern HWND OptionsSheetWindow;

class SettingsOwner;
class Birthdays;
class WeatherUpdates;
struct BillboardStateBlock;
class ObjectControls;
struct ShellState;
struct StripRequestWords;

// What the shell hands the sheet for its run: the parts the pages reach. A
// part left null is not running (a test's sheet): its requests are dropped.
struct OptionsParts {
  // The live settings: the pages' copy is made from them and committed,
  // shown and saved through their owner. Without one the sheet loads and
  // commits a table of its own for its run.
  SettingsOwner* settings = nullptr;
  WeatherUpdates* weather = nullptr;  // the weather page's "update now" and temperature
  // The sheet's open flag (set while a page shows) and the display's palette.
  ShellState* shell = nullptr;
  // The objects' reload, relayout and raise requests.
  ObjectControls* clock = nullptr;
  ObjectControls* countdown = nullptr;
  ObjectControls* weatherSign = nullptr;
  BillboardStateBlock* billboard = nullptr;  // its reload request and the motif it shows
  StripRequestWords* strip = nullptr;        // the strip's unload and relayout
  // The birthday list the birthday page edits; without one the page keeps
  // a list of its own for the sheet's runs.
  Birthdays* birthdays = nullptr;
  // The billboard's poster lists searched again in the folders of the
  // settings applied.
  std::function<void(const AppSettings&)> findPosters;
  // The desktop wallpaper set (mode 0 none, 1 the built-in picture, 2 the
  // picture at `path`), built into the settings' WallpaperPath folder.
  std::function<void(int mode, const char* path, const AppSettings&)> setWallpaper;
};

// Brings an open sheet to the front, or initialises the common controls,
// loads the settings and runs the sheet until it closes. 0 when the common
// controls could not be initialised, else 1.
int OpenOptions(HWND owner, const OptionsParts& parts);
// The parts of the open sheet (empty while none is open).
const OptionsParts& SheetParts();
// The handed shell's optionsOpen: no scene starts and no object stays
// topmost while a page shows.
void SetSheetOpen(bool open);
// The dialog procedure the sheet gives every page: it calls the page's own
// procedure and does the shared part of the protocol around it.
INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Help requests of the pages go through this (tests replace it to see the
// topics asked for); ShowHelpTopic by default.
extern void (*OptionsHelp)(HWND window, const HELPINFO* info, int topic);
// Runs the modal sheet; returns PropertySheetA's result.
INT_PTR ShowOptionsSheet(HWND owner);
int CALLBACK OptionsSheetCallback(HWND sheet, UINT message, LPARAM parameter);

// DlgPos: "%d,%d" of the sheet's top left corner.
void SaveDialogPos(HWND window);
// Moves the window to DlgPos when it fits the work area, else near the
// work area's bottom right.
void RestoreDialogPos(HWND window);
BOOL CALLBACK LogWindowTitleProc(HWND window, LPARAM parameter);

// The settings the open sheet's pages edit: a copy of the live settings,
// made when the sheet opens and dropped when it closes.
AppSettings& PageSettings();
// Copies the rows `page` edits from the sheet's copy into the live
// settings (their previews are committed too), saves `groups` from the
// settings as committed (the live ones without what other pages only show)
// and returns those. All of it goes through the handed owner.
const AppSettings& CommitPage(SettingPage page, unsigned groups = kGroupGeneral | kGroupCountdown);
// The settings as the pages last committed them (at first as the sheet
// opened with them): what a page compares its copy with before apply.
const AppSettings& CommittedSettings();
// Shows the copy's value of one setting (a table row's name) in the live
// settings at once, before apply. When the sheet closes and the page has
// not committed it since, the committed value comes back and `withdrawn`
// runs if that changed the live value.
void PreviewSetting(const char* name, void (*withdrawn)() = nullptr);
