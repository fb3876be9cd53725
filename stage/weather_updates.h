#pragma once
// What the Weather page asks of the weather report's owner (WeatherService,
// objects/metar_download.h): the latest report's temperature, a fetch of
// its own for "update now" to wait for (and how it ended: a proxy that
// refused the login is the page's to ask the user about), and the stored
// report dropped when the station changes. The page stands beside the
// objects and sees no more of the service than this.

#include "services/handles.h"

struct AppSettings;

// How a fetch ended: its thread's exit code.
enum class WeatherFetchEnd : DWORD {
  kFailed = 0,        // nothing fetched (also: nothing to fetch)
  kFetched = 1,       // a new report is in the cache
  kLoginRefused = 2,  // the proxy refused the login: nothing fetched
};
// How the fetch of a thread that has ended went (FetchNow's handle).
inline WeatherFetchEnd FetchEndOf(HANDLE fetchThread) {
  DWORD code = 0;
  if (!GetExitCodeThread(fetchThread, &code) || code > static_cast<DWORD>(WeatherFetchEnd::kLoginRefused))
    return WeatherFetchEnd::kFailed;
  return static_cast<WeatherFetchEnd>(code);
}

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
  // unless one runs: its thread's handle to wait on (and to read its end
  // from, FetchEndOf), else empty. The fetch never asks the user anything.
  virtual OwnedHandle FetchNow(const AppSettings& committed) = 0;
  // Deletes the stored report, so the old station's stays on the sign no
  // longer than until the next fetch.
  virtual void DropStoredReport() = 0;

 protected:
  ~WeatherUpdates() = default;
};
