#pragma once
// The weather sign: an 88 x 85 board on the bottom edge of the work area with
// the picture of the chosen station's latest report and its temperature; a
// click shows the details in a bubble. Built on the desktop object frame
// (objects/desktop_object.h); its thread also decides when a report is
// fetched (objects/metar_download.h).

#include <windows.h>

#include <atomic>
#include <memory>

#include "objects/desktop_object.h"
#include "objects/portable/metar_fetch.h"
#include "objects/portable/weather_sign_logic.h"

class WeatherService;
class WeatherHost;

// The sign: its window and request words (the weather page, the window
// procedure and the animation thread write them; the sign's thread reads
// and clears them), and what its thread keeps between passes: the fetch
// schedule, the last minute seen, what it drew and the count of fetches it
// drew. Made once by the shell with the service whose reports it draws and
// whose fetches it schedules; the service outlives the sign's thread.
class WeatherSign {
 public:
  WeatherSign(WeatherService& service, const ObjectLinks& links);
  ~WeatherSign();
  WeatherSign(const WeatherSign&) = delete;
  WeatherSign& operator=(const WeatherSign&) = delete;

  DesktopObject& Object() { return object_; }

  // Registers "LunWeather", makes the sign's window and starts its thread,
  // which draws the service's reports and schedules its fetches (it owns the
  // service's wake while it runs). `threadProc` stands in for the thread in
  // tests (it is handed this sign).
  int Start(LPTHREAD_START_ROUTINE threadProc = nullptr);

  // Whether a scene may run now (no full-screen program, screen saver or
  // excluded window); the shell sets it. Fetches wait while it says no.
  void SetSceneGate(int (*mayRun)()) { sceneGate_ = mayRun; }

  // The sign's record work; tests drive them on their own thread after Bind.
  void Bind(FigureRecord* record);
  int LoadBitmaps(FigureRecord* record);
  void Behave(FigureRecord* record);
  void Unload(FigureRecord* record);
  // Rebuilds the picture in sheet 0 from the report; 1 when it drew: for a
  // changed report, a fetch ended since the last draw, or `force` (after a load).
  int Draw(FigureRecord* record, bool force = false);
  void ShowBubble(FigureRecord* record, int type);
  // One pass of the thread's loop after the start: the fetch schedule, then the step.
  void ThreadPass();
  ObjectPlacement Placement();
  // The sign's thread from start to end.
  DWORD Run();

 private:
  friend class WeatherHost;
  // A fetch ended since the sign last drew: its report (or the old one,
  // after a failure) is handed over.
  bool FetchEnded() const;

  DesktopObject object_;
  WeatherService& service_;
  std::atomic<int (*)()> sceneGate_{nullptr};
  std::unique_ptr<WeatherHost> host_;
  // The sign thread's own:
  WeatherFetchClock fetchClock_;
  int lastMinute_ = -1;
  DrawnWeather drawn_;        // kept across reloads
  unsigned seenFetches_ = 0;  // the service's count of ended fetches when last drawn
};

LRESULT CALLBACK WeatherWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
