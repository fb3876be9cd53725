#pragma once
// What the weather sign shows of a decoded report: which picture, the
// temperature over it, the bubble's text and where the bubble stands. Pure.

#include <string>
#include <string_view>

#include "objects/portable/clock_logic.h"  // BubblePlacement
#include "objects/portable/metar_decoder.h"

// The resource name: the report's cloud and weather picture, or the one for
// missing data (no valid report, or a class below 0). A name whose picture
// does not exist (a clear sky with rain) is still given: the sign then keeps
// what it shows.
std::string WeatherPictureFor(const MetarValues& report);
// "12°" in the chosen scale (the degree sign of code page 1252); empty without
// a temperature group and with the picture for missing data.
std::string WeatherTemperatureText(const MetarValues& report, bool fahrenheit);
// Country, station, then temperature | humidity | pressure and the time text;
// values out of range show as "?". Without a valid report only the names.
std::string WeatherBubbleText(const MetarValues& report, bool fahrenheit, std::string_view country,
                              std::string_view station, std::string_view timeText);
// Type 1 right of a sign in the left half of the work area, else type 2 left of it.
BubblePlacement WeatherBubblePlacement(int signX, int workAreaRight);
BubblePlacement WeatherBubbleOfType(int signX, int type);

// What the sign drew last; a report that looks the same is not drawn again.
struct DrawnWeather {
  int cloud = -1000, weather = -1000, celsius = -1000;
  bool Same(const MetarValues& r) const {
    return cloud == r.cloud && weather == r.weather && celsius == r.temperatureC;
  }
};
