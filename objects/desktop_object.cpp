#include "objects/desktop_object.h"

DesktopObject ClockObject;
DesktopObject CountdownObject;
DesktopObject WeatherObject;

// Stand-ins: the objects come with their own modules.
int StartClock() { return 1; }
int StartCountdown() { return 1; }
int StartWeather() { return 1; }
