#include "objects/portable/weather_sign_logic.h"

#include <cstdio>

#include "objects/portable/weather_art.h"

std::string WeatherPictureFor(const MetarValues& report) {
  if (!report.valid || report.cloud < 0 || report.weather < 0) return kWeatherNoDataName;
  return WeatherPictureName(report.cloud, report.weather);
}

std::string WeatherTemperatureText(const MetarValues& report, bool fahrenheit) {
  const int value = fahrenheit ? report.temperatureF : report.temperatureC;
  // The picture for missing data carries no temperature.
  if (!report.valid || report.cloud < 0 || report.weather < 0 || value == kMetarNone) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%d\xB0", value);
  return text;
}

std::string WeatherBubbleText(const MetarValues& report, bool fahrenheit, std::string_view country,
                              std::string_view station, std::string_view timeText) {
  const std::string names = std::string(country) + "\n" + std::string(station);
  if (!report.valid) return names;
  char temperature[24], humidity[16], pressure[16];
  const bool known = report.temperatureC >= -99 && report.temperatureC != kMetarNone;
  if (!known)
    std::snprintf(temperature, sizeof temperature, "? \xB0%c", fahrenheit ? 'F' : 'C');
  else
    std::snprintf(temperature, sizeof temperature, "%d \xB0%c",
                  fahrenheit ? report.temperatureF : report.temperatureC, fahrenheit ? 'F' : 'C');
  if (report.humidity >= 1 && report.humidity <= 100)
    std::snprintf(humidity, sizeof humidity, "%d %%", report.humidity);
  else
    std::snprintf(humidity, sizeof humidity, "? %%");
  if (report.pressure >= 1 && report.pressure <= 1199)
    std::snprintf(pressure, sizeof pressure, "%d hPa", report.pressure);
  else
    std::snprintf(pressure, sizeof pressure, "? hPa");
  return names + "\n" + temperature + " | " + humidity + " | " + pressure + "\n" + std::string(timeText);
}

BubblePlacement WeatherBubbleOfType(int signX, int type) {
  return type == 1 ? BubblePlacement{1, signX + 74, -73, 24} : BubblePlacement{2, signX - 174, -73, 24};
}

BubblePlacement WeatherBubblePlacement(int signX, int workAreaRight) {
  return WeatherBubbleOfType(signX, signX < workAreaRight / 2 ? 1 : 2);
}
