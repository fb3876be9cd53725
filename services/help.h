#pragma once
// HTML Help: topics and control popups of "Orrowin.chm". The viewer,
// hhctrl.ocx, is loaded at run time; without it every request shows the
// "help file not found" message.

#include <windows.h>

#include "services/portable/help_topics.h"  // HelpTopic numbers

// The help file the shell found at start-up (beside the program).
void SetHelpFile(const char* path);
void InitHelp();      // loads the viewer, HH_INITIALIZE
void ShutdownHelp();  // HH_CLOSE_ALL, HH_UNINITIALIZE, unloads the viewer
// With help information of a control: its popup, when it has one (else
// nothing). Otherwise the page of the topic in the active language.
void ShowHelpTopic(HWND window, const HELPINFO* info, int topic);
