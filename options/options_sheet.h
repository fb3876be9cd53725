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
//    (PSN_SETACTIVE for its texts and enables, PSN_APPLY to copy its
//    controls into Settings and save). It returns FALSE for anything else.
// 2. The frame (OptionsPageProc) does the rest for every page: it
//    sets and clears OptionsOpen, answers every PSN_ code with "no error",
//    opens the page's help topic on the Help button and control popups on
//    F1, saves the sheet's position when a page that asks for it is left,
//    and remembers each apply so that a cancel undoes only what came after
//    it. Call PageChanged(page) (options/page_protocol.h, with the pages'
//    other helpers) whenever a control's value changes.
// 3. Put the dialog into a resource script of its own under resources/
//    (options_*.rc, included by waylune.rc) with the page's control ids;
//    its texts come from the language files (LangText) when it sets them.
// 4. Fill the page's slot in kOptionsPages (options_sheet.cpp): dialog id,
//    title, procedure, help topic, whether leaving it saves the position.
//    A slot whose procedure is null is left out of the sheet.
// 5. A page that changes state before apply that the frame does not know
//    (a list held in memory, the hotkeys) gives the slot an `onCancel`: it
//    runs whenever the sheet has closed and puts back what the page changed
//    after its last apply (after an OK, nothing). Settings fields changed
//    before apply are undone by the frame when they are in
//    RestoreUnappliedSettings' list (options_sheet.cpp).

#include <windows.h>

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

// Brings an open sheet to the front, or initialises the common controls,
// loads the settings and runs the sheet until it closes. 0 when the common
// controls could not be initialised, else 1.
int OpenOptions(HWND owner);
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

// Undo on cancel: the settings pages change before apply are remembered
// when the sheet opens and after every apply, and put back when the sheet
// closes without applying them.
void RememberAppliedSettings();
// Returns true when a value had to be put back.
bool RestoreUnappliedSettings();
