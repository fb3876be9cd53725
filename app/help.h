#pragma once
// HTML Help: topics and control popups of "Orrowin.chm".

#include <windows.h>

void InitHelp();     // HH_INITIALIZE
void ShutdownHelp(); // HH_CLOSE_ALL, HH_UNINITIALIZE
void ShowHelpTopic(HWND window, const HELPINFO* info, int topic);
