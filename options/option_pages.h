#pragma once
// The pages' dialog procedures (see options_sheet.h for how a page is added).

#include <windows.h>

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DesktopPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SpeedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PeoplePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PlanePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ClockPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CountdownPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BillboardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SoundPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BirthdayPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WeatherPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HotkeysPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WinampPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The weather page's connection test (InternetAttemptConnect; tests replace it).
extern DWORD(WINAPI* InternetAttemptConnectHook)(DWORD reserved);

// The Speed page's pause text for a slider position (seconds), e.g.
// "ca. 2 Stunden, 10 Minuten".
void PauseText(int seconds, char* out, int size);

// The width of the scenery strips' pictures; the Desktop page's offset
// slider runs from 0 to StripSliderMax(screen width), never below 0.
inline constexpr int kStripImageWidth = 2768;
int StripSliderMax(int screenWidth);

// The shell's folder dialog with `title` as its prompt; the chosen folder
// goes into out (capacity characters). 0 when none was chosen.
int BrowseForFolder(HWND owner, const char* title, char* out, int capacity);

// The People page's figure names by figure number; "-" marks a number
// without a listed figure.
inline constexpr int kFigureNameSlots = 99;
const char* FigureName(int figure);
