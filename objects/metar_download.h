#pragma once
// The weather report: one short-lived thread fetches the chosen station's
// latest METAR by anonymous FTP through WinINet into the cache file
// "metar.dat" and decodes it into the report the weather sign and the weather
// page show. Failures go to the debug log; the user sees the old data stay.

#include <windows.h>

#include <atomic>
#include <mutex>

#include "objects/portable/metar_decoder.h"
#include "services/handles.h"

// What a decode gave, with the observation time in the user's format.
struct MetarSnapshot {
  MetarValues values;
  char timeText[24] = {};
};

class MetarReportStore {
 public:
  std::atomic<int> busy{0};  // a fetch thread runs (set where it is started)
  std::atomic<int> done{0};  // a fetch ended and the sign has not drawn it yet

  MetarSnapshot Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return snapshot_;
  }
  void Set(const MetarSnapshot& snapshot) {
    std::lock_guard<std::mutex> lock(mutex_);
    snapshot_ = snapshot;
  }
  bool Valid() const { return Get().values.valid != 0; }

 private:
  mutable std::mutex mutex_;
  MetarSnapshot snapshot_;
};

extern MetarReportStore MetarReport;

class WorkerWake;

// Starts a fetch unless one runs: 1 when one runs now (started here or
// before), 0 when the thread could not be made. Busy is taken here, in one
// step, so two callers never start two fetches. The fetch's thread is kept
// and joined (the next start, JoinWeatherThreads).
int StartWeatherThread();
// Starts a fetch of the caller's own, unless one runs: a handle of its
// thread for the caller to wait on, or empty (a fetch runs, or none could
// start).
OwnedHandle StartWeatherFetch();
DWORD WINAPI GetMETAR(void*);
// Waits up to `milliseconds` for the running fetch's thread to end; true when
// none runs.
bool WaitForWeatherThread(DWORD milliseconds);
// Woken whenever a fetch ends (done set): the weather sign draws the report
// at once. Null: nobody.
void SetWeatherFetchWake(WorkerWake* wake);
// At shutdown (QuitFlag set, which makes a transfer give up): waits up to
// `milliseconds` for the fetch's thread and up to `givenUpMs` for each
// transfer thread given up before, and closes them all.
void JoinWeatherThreads(DWORD milliseconds, DWORD givenUpMs);
// How many transfer threads given up are kept for the shutdown (tests).
int GivenUpMetarTransfers();

// Fetches the URL into localPath through a temporary file beside it, which
// replaces localPath only once the transfer is complete: a broken transfer
// leaves the old file as it was. A transfer still running after the time
// limit or when the program ends (QuitFlag) is given up (its file, should it
// come, is thrown away). 1 when fetched.
int FtpDownloadFile(const char* url, const char* localPath);
// The time limit of one transfer (0: the default, 90 s), and how many
// transfers run, given up ones included (tests).
void SetMetarTransferLimit(DWORD milliseconds);
int RunningMetarTransfers();
// One log line for a WinINet failure; always 0.
int ReportInternetError(DWORD code, const char* label);

// "metar.dat" in %APPDATA%\Kestrima (made when missing); false when the
// folder cannot be had.
bool MetarCachePath(char (&path)[MAX_PATH]);
// Reads the cache file and decodes it for the chosen station into MetarReport.
void DecodeMetar(const char* path);
