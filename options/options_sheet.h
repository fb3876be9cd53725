#pragma once
// The options property sheet.

#include <windows.h>

int OpenOptions(HWND owner);
extern HWND OptionsSheetWindow;
