#pragma once
// What the Weather page asks of the weather report's owner (WeatherService,
// objects/metar_download.h): the latest report's temperature, a fetch of
// its own for "update now" to wait for, and the stored report dropped when
// the station changes. The page stands beside the objects and sees no more
// of the service than this.

#include "services/handles.h"

struct AppSettings;

// The latest report as the page shows it.
struct WeatherReading {
  bool valid = false;     // a report was decoded
  bool complete = false;  // valid, its sky and its weather known: the page shows its temperature
  int temperatureC = 0;
  int temperatureF = 0;
};

class WeatherUpdates {
 public:
  virtual WeatherReading Reading() const = 0;
  // A fetch runs.
  virtual bool Busy() const = 0;
  // Starts a fetch for the station and the connection of `committed`,
  // unless one runs: its thread's handle to wait on, else empty.
  virtual OwnedHandle FetchNow(const AppSettings& committed) = 0;
  // Deletes the stored report, so the old station's stays on the sign no
  // longer than until the next fetch.
  virtual void DropStoredReport() = 0;

 protected:
  ~WeatherUpdates() = default;
};
