#pragma once
// The weather report: one short-lived thread fetches the chosen station's
// latest METAR by anonymous FTP through WinINet into the cache file
// "metar.dat" and decodes it into the report the weather sign and the weather
// page show. Failures go to the debug log; the user sees the old data stay.
//
// WeatherService owns all of it: the fetch's thread (kept and joined), the
// transfers it gave up, the latest report and the count of fetches ended.
// The shell makes one at start-up and hands it to the sign, the weather page
// and the shutdown; a fetch that ends wakes its owner (the sign's thread).

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "objects/portable/metar_decoder.h"
#include "services/handles.h"
#include "stage/weather_updates.h"

struct AppSettings;
class WorkerWake;

// What a decode gave, with the observation time in the user's format.
struct MetarSnapshot {
  MetarValues values;
  char timeText[24] = {};
};

// What one fetch needs, taken from the committed settings when it starts:
// later changes do not reach a fetch under way.
struct WeatherFetchSettings {
  bool signOn = false;
  std::string station;  // the METAR code
  int accessType = 0;
  std::string proxy;
  int port = 21;
  // The proxy's own login (empty user: the proxy wants none).
  std::string proxyUser;
  std::string proxyPassword;
  // The observation time's format.
  int clock24h = 1;
  int dateOrder = 1;
  std::string dateSeparator = ".";
};
WeatherFetchSettings WeatherFetchSettingsFrom(const AppSettings& settings);

// The transfer threads of a service's fetches: their time limit, how many
// run, and those given up (still running), kept to be joined.
class MetarTransfers {
 public:
  // The time limit of one transfer (0: the default, 90 s).
  void SetLimit(DWORD milliseconds);
  DWORD Limit() const { return limitMs_; }
  // How many transfers run, given up ones included.
  int Running() const { return *running_; }
  // How many transfer threads given up are kept.
  int GivenUp() const;

  // Fetches the URL into localPath through a temporary file beside it, which
  // replaces localPath only once the transfer is complete: a broken transfer
  // leaves the old file as it was. A transfer still running after the time
  // limit or when the program ends (QuitFlag) is given up (its file, should
  // it come, is thrown away) and its thread kept here.
  WeatherFetchEnd Download(const char* url, const char* localPath, const WeatherFetchSettings& connection);
  // Waits up to `milliseconds` for each transfer given up and closes them.
  void Join(DWORD milliseconds);

 private:
  std::atomic<DWORD> limitMs_{90000};
  // Shared with the transfer threads, which a given-up one may outlive.
  std::shared_ptr<std::atomic<int>> running_ = std::make_shared<std::atomic<int>>(0);
  // Held while a transfer replaces the cache and while one is given up.
  std::shared_ptr<std::mutex> replacing_ = std::make_shared<std::mutex>();
  std::atomic<unsigned> number_{0};
  mutable std::mutex mutex_;
  std::vector<OwnedHandle> givenUp_;
};

class WeatherService : public WeatherUpdates {
 public:
  WeatherService() = default;
  // Waits for a fetch still running (its transfer gives up on QuitFlag or at its limit).
  ~WeatherService();
  WeatherService(const WeatherService&) = delete;
  WeatherService& operator=(const WeatherService&) = delete;

  // Starts a fetch unless one runs: true when one runs now (started here or
  // before), false when the thread could not be made. Busy is taken here, in
  // one step, so two callers never start two fetches.
  bool Start(const WeatherFetchSettings& settings);
  // Starts a fetch of the caller's own, unless one runs: a handle of its
  // thread for the caller to wait on and to read its end from (FetchEndOf),
  // or empty (a fetch runs, or none could start).
  OwnedHandle StartOwn(const WeatherFetchSettings& settings);
  // Waits up to `milliseconds` for the running fetch's thread to end; true
  // when none runs.
  bool Wait(DWORD milliseconds);
  // At shutdown (QuitFlag set, which makes a transfer give up): waits up to
  // `milliseconds` for the fetch's thread and up to `givenUpMs` for each
  // transfer thread given up before, and closes them all.
  void Join(DWORD milliseconds, DWORD givenUpMs);

  // Woken whenever a fetch ends, after its report is in. Null: nobody.
  void SetOwnerWake(WorkerWake* wake) { ownerWake_ = wake; }
  // A fetch runs.
  bool Busy() const override { return busy_.load() != 0; }
  // How many fetches have ended: an owner that keeps the count it saw knows
  // when a new report (or a failed fetch's old one) was handed over.
  unsigned Finished() const { return finished_.load(); }

  MetarSnapshot Report() const;
  bool Valid() const { return Report().values.valid != 0; }
  // Puts a report in place without ending a fetch (tests, a first state).
  void SetReport(const MetarSnapshot& snapshot);
  // What a fetch does at its end: the report in, the count up, the owner woken.
  void Publish(const MetarSnapshot& snapshot);

  MetarTransfers& Transfers() { return transfers_; }

  // The Weather page's view: the report, a fetch of its own from the
  // committed settings (StartOwn) and the cache file deleted.
  WeatherReading Reading() const override;
  OwnedHandle FetchNow(const AppSettings& committed) override;
  void DropStoredReport() override;

 private:
  struct Run;
  static DWORD WINAPI FetchThread(void* argument);
  WeatherFetchEnd Fetch(const WeatherFetchSettings& settings);
  bool StartLocked(const WeatherFetchSettings& settings);

  mutable std::mutex reportMutex_;
  MetarSnapshot report_;
  std::atomic<int> busy_{0};
  std::atomic<unsigned> finished_{0};
  std::atomic<WorkerWake*> ownerWake_{nullptr};
  // Also makes taking busy and keeping the new thread one step, so a waiter
  // that sees busy finds the running fetch's thread.
  std::mutex fetchMutex_;
  // The last fetch's thread, kept until the next start, Join or the
  // service's end waits for it.
  OwnedHandle fetchThread_;
  MetarTransfers transfers_;
};

// One log line for a WinINet failure; always 0.
int ReportInternetError(DWORD code, const char* label);

// "metar.dat" in %APPDATA%\Kestrima (made when missing); false when the
// folder cannot be had.
bool MetarCachePath(char (&path)[MAX_PATH]);
// Reads the cache file and decodes it for the chosen station; what the file
// cannot give (it is missing, another station's) keeps `previous`'s
// pressure and humidity.
MetarSnapshot DecodeMetarFile(const char* path, const MetarSnapshot& previous,
                              const WeatherFetchSettings& settings);
