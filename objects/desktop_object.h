#pragma once
// What the main window needs of each desktop object (clock, countdown,
// weather sign): its window and thread, and its redraw request.

#include <windows.h>

#include <atomic>

struct DesktopObject {
  HWND window = nullptr;
  HANDLE thread = nullptr;
  std::atomic<int> redrawRequest{0};
  std::atomic<int> raiseRequest{0};
};

extern DesktopObject ClockObject;
extern DesktopObject CountdownObject;
extern DesktopObject WeatherObject;

int StartClock();
int StartCountdown();
int StartWeather();
