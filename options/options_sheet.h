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
//    returns FALSE for anything else. It finds its run with RunOf(page)
//    (options/sheet_run.h) and keeps what it needs between messages in a
//    state of its own, PageStateOf<State>(page), never in file variables.
//    It reads and changes the settings only in the run's copy,
//    RunOf(page).Copy(); on PSN_APPLY it puts its controls into the copy,
//    commits its own rows (CommitPage), saves them with their saver and
//    tells the running parts (RunOf(page).Parts()). A cancel drops the
//    copy. A value the user must see or hear at once (sound on, the
//    volume, the weather sign, the player switch) goes to the live
//    settings with Preview; if the sheet closes before the page commits
//    it, the committed value comes back.
// 2. The frame (OptionsPageProc) does the rest for every page: it hands
//    the page its run, sets and clears the shell's optionsOpen, answers
//    every PSN_ code with "no error", opens the page's help topic on the
//    Help button and control popups on F1, and saves the sheet's position
//    when a page that asks for it is left. Call PageChanged(page) (options/page_protocol.h, with the pages'
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
//    birthday list held in memory) overrides its state's SheetClosed: it
//    runs whenever the sheet has closed and puts back what the page changed
//    after its last apply (after an OK, nothing).

#include <windows.h>

#include "options/sheet_run.h"
#include "services/settings.h"

inline constexpr int kOptionsPageCount = 13;
extern const OptionsPage kOptionsPages[kOptionsPageCount];

// Brings an open sheet to the front, or initialises the common controls,
// makes a run (loading the settings) and runs the sheet until it closes,
// which drops the run. 0 when the common controls could not be
// initialised, else 1.
int OpenOptions(HWND owner, const OptionsParts& parts);
// The sheet open on this thread: its window and its run (null while none
// is open). The sheet's window carries its run, so nothing else keeps them.
HWND OpenOptionsWindow();
SheetRun* OpenSheetRun();
// Brings the open sheet to the front; false when none is open.
bool RaiseOpenOptions();
// The dialog procedure the sheet gives every page: it hands the page its
// run, calls the page's own procedure and does the shared part of the
// protocol around it.
INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Help requests of the pages go through this (tests replace it to see the
// topics asked for); ShowHelpTopic by default.
extern void (*OptionsHelp)(HWND window, const HELPINFO* info, int topic);
// Runs the modal sheet for `run`; returns PropertySheetA's result.
INT_PTR ShowOptionsSheet(HWND owner, SheetRun& run);
int CALLBACK OptionsSheetCallback(HWND sheet, UINT message, LPARAM parameter);

// DlgPos: "%d,%d" of the sheet's top left corner.
void SaveDialogPos(HWND window);
// Moves the window to DlgPos when it fits the work area, else near the
// work area's bottom right.
void RestoreDialogPos(HWND window);
BOOL CALLBACK LogWindowTitleProc(HWND window, LPARAM parameter);
