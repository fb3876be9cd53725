#pragma once
// The weather sign: an 88 x 85 board on the bottom edge of the work area with
// the picture of the chosen station's latest report and its temperature; a
// click shows the details in a bubble. Built on the desktop object frame
// (objects/desktop_object.h); its thread also decides when a report is
// fetched (objects/metar_download.h).

#include <windows.h>

#include <atomic>

#include "objects/desktop_object.h"

// Requests to the sign are the words of its DesktopObject (WeatherObject):
// the weather page, the window procedure and the animation thread write
// them; the sign's thread reads and clears them.

class WeatherService;

// Registers "LunWeather", makes the sign's window and starts WeatherThread,
// which draws `weather`'s reports and schedules its fetches (it owns the
// service's wake while it runs). The service outlives the thread.
int StartWeather(WeatherService& weather);
LRESULT CALLBACK WeatherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
DWORD WINAPI WeatherThread(void*);

// Whether a scene may run now (no full-screen program, screen saver or
// excluded window); the shell sets it. Fetches wait while it says no.
void SetWeatherSceneGate(int (*mayRun)());

// The sign's record work; tests drive them on their own thread after
// BindWeatherRecord with a service of their own.
void BindWeatherRecord(FigureRecord* record, WeatherService* weather);
int LoadWeatherBitmaps(FigureRecord* record);
void BehaveWeatherSign(FigureRecord* record);
void UnloadWeatherSign(FigureRecord* record);
// Rebuilds the picture in sheet 0 from the report; 1 when it drew: for a
// changed report, a fetch ended since the last draw, or `force` (after a load).
int DrawWeatherSign(FigureRecord* record, bool force = false);
void ShowWeatherBubble(FigureRecord* record, int type);
// One pass of the thread's loop after the start: the fetch schedule, then the step.
void WeatherThreadPass();
ObjectPlacement WeatherPlacement();
