// The METAR download under Wine against real FTP servers on 127.0.0.1
// (tests/ftp_server.py), reached as an FTP proxy through the settings the
// user would set: success, missing file, server down, slow server, broken
// transfer, a change of station and one fetch at a time.

#include "objects/metar_download.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "objects/object_test_support.h"
#include "services/settings.h"
#include "services/threads.h"

namespace {

using namespace object_test;

const char kEddf[] = "2024/01/15 12:50\r\nEDDF 151250Z 24008KT CAVOK 08/02 Q1021 NOSIG\r\n";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The servers' log (a Unix path) through Wine's Z: drive.
std::string ServerLog() {
  const char* log = std::getenv("WAYLUNE_FTP_LOG");
  return log ? ReadAll(std::string("Z:") + log) : "";
}
// Temporary files left beside the cache.
int PartFiles(const std::string& cache) {
  WIN32_FIND_DATAA found = {};
  const OwnedFind search(FindFirstFileA((cache + "*.part").c_str(), &found));
  if (!search) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileA(search.get(), &found));
  return n;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class MetarDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("WAYLUNE_FTP_OK"), nullptr) << "run through tests/ftp_server.py run";
    settings_.Make("metar");
    ASSERT_TRUE(MetarCachePath(cache_));
    DeleteFileA(cache_);
    fetch_.signOn = true;
    fetch_.station = "EDDF";
    fetch_.accessType = 3;
    fetch_.proxy = "127.0.0.1";
  }
  void TearDown() override { settings_.Remove(); }

  // One fetch from the server of this mode, to its end.
  MetarValues Fetch(const char* mode) {
    fetch_.port = Port(mode);
    const unsigned before = weather_.Finished();
    EXPECT_TRUE(weather_.Start(fetch_));
    EXPECT_TRUE(weather_.Wait(60000));
    EXPECT_EQ(weather_.Finished(), before + 1) << "each fetch ends once";
    return weather_.Report().values;
  }
  static int Port(const char* mode) { return std::atoi(std::getenv(mode)); }

  PrivateSettings settings_;
  WeatherService weather_;
  WeatherFetchSettings fetch_;
  char cache_[MAX_PATH] = {};
};

TEST_F(MetarDownload, FailuresKeepTheCachedReportOfTheStation) {
  MetarValues v = Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(ReadAll(cache_), kEddf);
  EXPECT_EQ(v.valid, 1);
  EXPECT_EQ(v.temperatureC, 8);
  EXPECT_EQ(v.pressure, 1021);
  EXPECT_EQ(v.cloud, 0);
  EXPECT_GE(Count(ServerLog(), "ok USER anonymous@tgftp.nws.noaa.gov"), 1) << "logged in as a proxy user";
  EXPECT_NE(ServerLog().find("ok RETR /data/observations/metar/stations/EDDF.TXT"), std::string::npos);

  // A broken transfer, a missing file, a server that is down: the whole old
  // report stays and is decoded again; no temporary file is left beside it.
  for (const char* mode : {"WAYLUNE_FTP_BROKEN", "WAYLUNE_FTP_MISSING", "WAYLUNE_FTP_DOWN"}) {
    SCOPED_TRACE(mode);
    v = Fetch(mode);
    EXPECT_EQ(ReadAll(cache_), kEddf);
    EXPECT_EQ(v.valid, 1);
    EXPECT_EQ(v.temperatureC, 8);
    EXPECT_EQ(PartFiles(cache_), 0);
  }
  // A slow server is waited for.
  DeleteFileA(cache_);
  v = Fetch("WAYLUNE_FTP_SLOW");
  EXPECT_EQ(ReadAll(cache_), kEddf);
  EXPECT_EQ(v.valid, 1);
}

// A server that stops sending in the middle of a file would hold the fetch
// for good: the transfer is given up at its time limit, the next fetch runs,
// and the stalled file, when it comes whole at last, never replaces the cache.
TEST_F(MetarDownload, AStalledTransferIsGivenUpAndItsLateFileThrownAway) {
  Fetch("WAYLUNE_FTP_OK");
  weather_.Transfers().SetLimit(1500);
  const DWORD start = GetTickCount();
  MetarValues v = Fetch("WAYLUNE_FTP_STALL");
  EXPECT_LT(GetTickCount() - start, 7000u) << "given up at the limit, not when the server goes on";
  EXPECT_EQ(weather_.Transfers().Running(), 1) << "the stalled transfer still runs";
  EXPECT_EQ(v.temperatureC, 8) << "the old report stays";
  v = Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(v.temperatureC, 8);
  for (int i = 0; i < 300 && weather_.Transfers().Running() > 0; ++i) Sleep(100);
  ASSERT_EQ(weather_.Transfers().Running(), 0);
  EXPECT_NE(ServerLog().find("stall goes on"), std::string::npos);
  EXPECT_EQ(ReadAll(cache_), kEddf) << "the late file of the given-up transfer replaced the cache";
  EXPECT_EQ(PartFiles(cache_), 0);
}

// Observation times in the user's zone and format: the test runs with
// TZ=Europe/Berlin (one hour ahead in winter, two in summer).
TEST_F(MetarDownload, ObservationTimeInLocalTime) {
  struct Row {
    const char* dateLine;
    int clock24h, dateOrder;
    const char* separator;
    const char* text;
  } rows[] = {
      {"2024/01/15 12:50", 1, 1, ".", "(15.01.2024 13:50)"},
      {"2024/01/15 12:50", 0, 1, ".", "(15.01.2024 01:50)"},
      {"2024/07/15 12:50", 1, 0, "/", "(07/15/2024 14:50)"},
      {"2024/12/31 23:30", 1, 2, "-", "(2025-01-01 00:30)"},
      {"2024/03/31 00:59", 1, 1, ".", "(31.03.2024 01:59)"},
      {"2024/03/31 01:00", 1, 1, ".", "(31.03.2024 03:00)"},
      {"2024/02/30 12:50", 1, 1, ".", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dateLine);
    std::ofstream(cache_, std::ios::binary)
        << row.dateLine << "\r\nEDDF 151250Z 24008KT CAVOK 08/02 Q1021\r\n";
    fetch_.clock24h = row.clock24h;
    fetch_.dateOrder = row.dateOrder;
    fetch_.dateSeparator = row.separator;
    EXPECT_STREQ(DecodeMetarFile(cache_, {}, fetch_).timeText, row.text);
  }
}

// What Wine's InternetGetConnectedState says depends on a default route;
// the proxy on this machine is reached either way. Run again by the
// no-route test in a network namespace with only the loopback device.
TEST_F(MetarDownload, ALoopbackProxyIsReachedWithOrWithoutARoute) {
  DWORD flags = 0;
  const BOOL connected = InternetGetConnectedState(&flags, 0);
  std::printf("InternetGetConnectedState: %d, flags 0x%lx\n", connected, static_cast<unsigned long>(flags));
  const bool noRoute = std::getenv("WAYLUNE_FTP_NO_ROUTE") != nullptr;
  if (noRoute) {
    EXPECT_FALSE(connected);
    EXPECT_TRUE(flags & INTERNET_CONNECTION_OFFLINE);
  }
  MetarValues v = Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(v.temperatureC, 8);
  if (!noRoute) return;
  // Offline, the report server itself is not tried: the cache stays.
  DeleteFileA(cache_);
  fetch_.accessType = 1;
  v = Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(v.valid, 0);
  EXPECT_EQ(GetFileAttributesA(cache_), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MetarDownload, AChangedStationShowsNothingUntilItsReportArrives) {
  Fetch("WAYLUNE_FTP_OK");
  fetch_.station = "EDDM";
  MetarValues v = Fetch("WAYLUNE_FTP_DOWN");
  EXPECT_EQ(v.valid, 0) << "the cache still holds EDDF's report";
  EXPECT_EQ(v.temperatureC, kMetarNone);
  v = Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(v.valid, 1);
  EXPECT_EQ(v.temperatureC, -5);
  EXPECT_EQ(v.humidity, 86);
  EXPECT_EQ(v.cloud, 3);
  EXPECT_EQ(v.weather, 2);
}

TEST_F(MetarDownload, OneFetchAtATimeAndNoneWithoutAStation) {
  fetch_.port = Port("WAYLUNE_FTP_SLOW");
  const int before = Count(ServerLog(), "slow RETR");
  EXPECT_TRUE(weather_.Start(fetch_));
  EXPECT_TRUE(weather_.Start(fetch_));
  EXPECT_TRUE(weather_.Wait(60000));
  EXPECT_EQ(Count(ServerLog(), "slow RETR"), before + 1);

  for (const char* code : {"EDD", "EDDFX", "ED/F"}) {
    fetch_.station = code;
    const std::string log = ServerLog();
    Fetch("WAYLUNE_FTP_OK");
    EXPECT_EQ(ServerLog(), log) << code << " reached the server";
  }
  fetch_.station = "EDDF";
  fetch_.signOn = false;
  const std::string log = ServerLog();
  Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(ServerLog(), log) << "the sign is off";
}

// A fetch tells its end: the wake set for it fires with the report in, a
// waiter sees its thread end (and a wait too short says so), and the caller
// of a fetch of its own holds the thread while a second start is refused.
TEST_F(MetarDownload, AFetchsEndWakesItsOwnerAndItsThreadIsWaitedFor) {
  fetch_.port = Port("WAYLUNE_FTP_SLOW");
  WorkerWake wake;
  weather_.SetOwnerWake(&wake);
  const unsigned before = weather_.Finished();
  ASSERT_TRUE(weather_.Start(fetch_));
  EXPECT_FALSE(weather_.Wait(10)) << "the slow server still answers";
  EXPECT_TRUE(weather_.Busy());
  EXPECT_EQ(weather_.Finished(), before);
  const DWORD start = GetTickCount();
  wake.Wait(60000);
  EXPECT_LT(GetTickCount() - start, 30000u);
  EXPECT_EQ(weather_.Finished(), before + 1) << "woken by the end, the report in";
  EXPECT_EQ(weather_.Report().values.temperatureC, 8);
  EXPECT_TRUE(weather_.Wait(5000));
  EXPECT_TRUE(weather_.Wait(0)) << "none runs";
  weather_.SetOwnerWake(nullptr);

  OwnedHandle mine = weather_.StartOwn(fetch_);
  ASSERT_TRUE(mine);
  EXPECT_FALSE(weather_.StartOwn(fetch_)) << "one fetch at a time";
  EXPECT_TRUE(weather_.Start(fetch_)) << "the running one counts";
  ASSERT_EQ(WaitForSingleObject(mine.get(), 60000), WAIT_OBJECT_0);
  EXPECT_FALSE(weather_.Busy());
  EXPECT_EQ(weather_.Finished(), before + 2) << "the refused starts ended nothing";
  // The next one starts right after, its ended predecessor joined.
  OwnedHandle next = weather_.StartOwn(fetch_);
  ASSERT_TRUE(next);
  EXPECT_EQ(WaitForSingleObject(next.get(), 60000), WAIT_OBJECT_0);
}

// The program's end does not wait out a transfer: the fetch gives it up at
// once (whatever its time limit), keeps its thread, and the shutdown's join
// closes them all; the late file never replaces the cache.
TEST_F(MetarDownload, TheProgramsEndGivesAStalledTransferUpAndJoinsItsThreads) {
  Fetch("WAYLUNE_FTP_OK");
  weather_.Transfers().SetLimit(0);  // the full 90 s
  fetch_.port = Port("WAYLUNE_FTP_STALL");
  struct QuitAtEnd {
    ~QuitAtEnd() { QuitFlag = 0; }
  } reset;
  const int asked = Count(ServerLog(), "stall RETR");
  ASSERT_TRUE(weather_.Start(fetch_));
  // Into the server's 8 s stall: it has been asked for the file.
  for (const DWORD t = GetTickCount();
       Count(ServerLog(), "stall RETR") == asked && GetTickCount() - t < 30000;)
    Sleep(20);
  ASSERT_GT(Count(ServerLog(), "stall RETR"), asked) << "the transfer never reached the server";
  ASSERT_EQ(weather_.Transfers().Running(), 1);
  const DWORD start = GetTickCount();
  QuitFlag = 1;
  EXPECT_TRUE(weather_.Wait(5000));
  EXPECT_LT(GetTickCount() - start, 3000u) << "given up at the end, not at the limit";
  EXPECT_EQ(weather_.Transfers().GivenUp(), 1) << "only this one: those given up before have ended";
  EXPECT_EQ(weather_.Report().values.temperatureC, 8) << "the old report stays";
  weather_.Join(5000, 30000);
  EXPECT_EQ(weather_.Transfers().GivenUp(), 0);
  EXPECT_EQ(weather_.Transfers().Running(), 0) << "joined to its end";
  EXPECT_EQ(ReadAll(cache_), kEddf);
  EXPECT_EQ(PartFiles(cache_), 0);
  // Joined twice, or with nothing kept: nothing to wait for.
  weather_.Join(0, 0);
}

// A fetch takes its connection from what it is handed (the committed
// settings), never from the registry: values stored there but not committed
// reach no fetch.
TEST_F(MetarDownload, AFetchUsesTheSettingsItIsHandedNotTheStoredOnes) {
  settings_.SetNumber("AccessType", 1);
  settings_.SetText("Proxy", "");
  settings_.SetNumber("FTPPortNumber", DWORD(Port("WAYLUNE_FTP_DOWN")));
  settings_.SetText("METAR", "EDDM");
  const MetarValues v = Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(v.temperatureC, 8) << "EDDF through the proxy handed over";
  EXPECT_NE(ServerLog().find("ok RETR /data/observations/metar/stations/EDDF.TXT"), std::string::npos);
}

// A service that goes while its fetch runs waits for the fetch's end: the
// thread never outlives what it writes to.
TEST_F(MetarDownload, AServiceEndsOnlyAfterItsRunningFetch) {
  DeleteFileA(cache_);
  fetch_.port = Port("WAYLUNE_FTP_SLOW");
  {
    WeatherService local;
    ASSERT_TRUE(local.Start(fetch_));
    EXPECT_TRUE(local.Busy());
  }
  EXPECT_EQ(ReadAll(cache_), kEddf) << "the fetch had ended when its service went";
}

// The Weather page's view of the service: a fetch of its own from the
// committed settings, one at a time, its report read as the page shows it,
// and the stored report dropped.
TEST_F(MetarDownload, ThePagesViewFetchesFromTheCommittedSettingsAndDropsTheStoredReport) {
  AppSettings committed;
  committed.Weather[0] = 1;
  committed.METAR.Set("EDDF");
  committed.AccessType = 3;
  committed.Proxy.Set("127.0.0.1");
  committed.FTPPortNumber = Port("WAYLUNE_FTP_SLOW");
  WeatherUpdates& page = weather_;
  EXPECT_FALSE(page.Reading().valid);
  const OwnedHandle fetch = page.FetchNow(committed);
  ASSERT_TRUE(fetch);
  EXPECT_TRUE(page.Busy()) << "the slow server still answers";
  EXPECT_FALSE(page.FetchNow(committed)) << "one fetch at a time";
  ASSERT_EQ(WaitForSingleObject(fetch.get(), 60000), WAIT_OBJECT_0);
  EXPECT_FALSE(page.Busy());
  const WeatherReading reading = page.Reading();
  EXPECT_TRUE(reading.valid);
  EXPECT_TRUE(reading.complete);
  EXPECT_EQ(reading.temperatureC, 8);
  EXPECT_EQ(reading.temperatureF, weather_.Report().values.temperatureF);
  EXPECT_EQ(ReadAll(cache_), kEddf);
  page.DropStoredReport();
  EXPECT_EQ(GetFileAttributesA(cache_), INVALID_FILE_ATTRIBUTES);
  page.DropStoredReport();  // none left: nothing to do
  EXPECT_EQ(GetFileAttributesA(cache_), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(page.Reading().valid) << "the report in hand stays until the next fetch";
}

// The report as the Weather page shows it: its temperature only with the
// sky and the weather known.
TEST(WeatherReading, TheReportAsTheWeatherPageShowsIt) {
  const struct {
    int valid, cloud, weather, celsius, fahrenheit;
    bool readValid, complete;
  } rows[] = {
      {0, 0, 0, 8, 46, false, false},          // nothing decoded
      {1, kMetarNone, 0, 8, 46, true, false},  // no sky
      {1, 0, kMetarNone, 8, 46, true, false},  // no weather
      {1, -1, 0, 8, 46, true, false},          // just below the known skies
      {1, 0, -1, 8, 46, true, false},          // just below the known weathers
      {1, 0, 0, 8, 46, true, true},            // the first sky and weather
      {1, 3, 2, -5, 23, true, true},           // below zero
      {2, 1, 1, 0, 32, true, true},            // any nonzero valid
  };
  WeatherService weather;
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.valid << " " << row.cloud << " " << row.weather);
    MetarSnapshot snapshot;
    snapshot.values.valid = row.valid;
    snapshot.values.cloud = row.cloud;
    snapshot.values.weather = row.weather;
    snapshot.values.temperatureC = row.celsius;
    snapshot.values.temperatureF = row.fahrenheit;
    weather.SetReport(snapshot);
    const WeatherReading reading = static_cast<const WeatherUpdates&>(weather).Reading();
    EXPECT_EQ(reading.valid, row.readValid);
    EXPECT_EQ(reading.complete, row.complete);
    EXPECT_EQ(reading.temperatureC, row.celsius);
    EXPECT_EQ(reading.temperatureF, row.fahrenheit);
  }
}

TEST(WeatherFetchSettings, EachFieldComesFromTheSettingsHandedOver) {
  struct Row {
    int weatherOn;
    const char* station;
    int accessType;
    const char* proxy;
    int port, clock24h, dateOrder;
    const char* separator;
    bool signOn;
  } rows[] = {
      {1, "EDDF", 3, "proxy.example", 2121, 1, 1, ".", true},
      {0, "EDDM", 1, "", 21, 0, 0, "/", false},
      {-1, "KJFK", 0, "10.0.0.1", 8021, 1, 2, "-", false},
      {2, "", 4, "p", 0, 0, 1, ".", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.station);
    AppSettings settings;
    settings.Weather[0] = row.weatherOn;
    settings.METAR.Set(row.station);
    settings.AccessType = row.accessType;
    settings.Proxy.Set(row.proxy);
    settings.FTPPortNumber = row.port;
    settings.Clock24h = row.clock24h;
    settings.DateOrder = row.dateOrder;
    settings.DateSeparator.Set(row.separator);
    const WeatherFetchSettings f = WeatherFetchSettingsFrom(settings);
    EXPECT_EQ(f.signOn, row.signOn);
    EXPECT_EQ(f.station, row.station);
    EXPECT_EQ(f.accessType, row.accessType);
    EXPECT_EQ(f.proxy, row.proxy);
    EXPECT_EQ(f.port, row.port);
    EXPECT_EQ(f.clock24h, row.clock24h);
    EXPECT_EQ(f.dateOrder, row.dateOrder);
    EXPECT_EQ(f.dateSeparator, row.separator);
  }
}

// What a fetch hands over: the report, one more ended fetch, a wake for the
// owner set then (none once it is taken back).
TEST(WeatherServiceReport, PublishCountsAndWakesTheOwner) {
  WeatherService service;
  WorkerWake wake;
  EXPECT_EQ(service.Finished(), 0u);
  EXPECT_FALSE(service.Valid());
  EXPECT_FALSE(service.Busy());
  MetarSnapshot report;
  report.values.valid = 1;
  report.values.temperatureC = -3;
  service.SetReport(report);
  EXPECT_EQ(service.Finished(), 0u) << "a report put in place ends no fetch";
  EXPECT_TRUE(service.Valid());
  service.SetOwnerWake(&wake);
  report.values.temperatureC = 4;
  service.Publish(report);
  EXPECT_EQ(service.Finished(), 1u);
  EXPECT_EQ(service.Report().values.temperatureC, 4);
  const DWORD start = GetTickCount();
  wake.Wait(10000);
  EXPECT_LT(GetTickCount() - start, 5000u) << "the owner was woken";
  service.SetOwnerWake(nullptr);
  service.Publish(report);
  EXPECT_EQ(service.Finished(), 2u);
  EXPECT_TRUE(service.Wait(0)) << "none runs";
}

// A fetch ending while the sign reads the report: each read is one whole
// report, never one's values with the other's station or time.
TEST(WeatherServiceReport, AReportReplacedWhileReadStaysWhole) {
  WeatherService service;
  MetarSnapshot reports[2];
  const struct {
    int temperature, cloud, pressure;
    const char* station;
    const char* time;
  } kReports[2] = {{-12, 1, 1003, "EDDF", "07.12. 06:20"},
                   {31, 4, 1021, "LSZH-and-a-longer-name", "24.06. 14:50"}};
  for (int i = 0; i < 2; ++i) {
    reports[i].values.valid = 1;
    reports[i].values.temperatureC = kReports[i].temperature;
    reports[i].values.cloud = kReports[i].cloud;
    reports[i].values.pressure = kReports[i].pressure;
    reports[i].values.station = kReports[i].station;
    lstrcpynA(reports[i].timeText, kReports[i].time, sizeof reports[i].timeText);
  }
  service.SetReport(reports[0]);
  constexpr unsigned kPublishes = 400;
  std::thread fetch([&] {
    for (unsigned i = 1; i <= kPublishes; ++i) service.Publish(reports[i % 2]);
  });
  int torn = 0, reads = 0;
  while (service.Finished() < kPublishes) {
    const MetarSnapshot read = service.Report();
    const int which = read.values.temperatureC == kReports[1].temperature ? 1 : 0;
    if (read.values.temperatureC != kReports[which].temperature ||
        read.values.cloud != kReports[which].cloud || read.values.pressure != kReports[which].pressure ||
        read.values.station != kReports[which].station ||
        std::strcmp(read.timeText, kReports[which].time) != 0)
      ++torn;
    ++reads;
  }
  fetch.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(service.Report().values.station, kReports[0].station) << "the last one published";
}

}  // namespace
