// The METAR download under Wine against real FTP servers on 127.0.0.1
// (tests/ftp_server.py), reached as an FTP proxy through the settings the
// user would set: success, missing file, server down, slow server, broken
// transfer, a change of station and one fetch at a time.

#include "objects/metar_download.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "objects/object_test_support.h"
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
    MetarReport.Set({});
    SetMetarTransferLimit(0);
    Settings.Weather[0] = 1;
    Settings.METAR.Set("EDDF");
    settings_.SetNumber("AccessType", 3);
    settings_.SetText("Proxy", "127.0.0.1");
  }
  void TearDown() override { settings_.Remove(); }

  // One fetch from the server of this mode, to its end.
  MetarValues Fetch(const char* mode) {
    settings_.SetNumber("FTPPortNumber", DWORD(std::atoi(std::getenv(mode))));
    EXPECT_EQ(StartWeatherThread(), 1);
    EXPECT_TRUE(WaitForWeatherThread(60000));
    EXPECT_EQ(MetarReport.done, 1);
    return MetarReport.Get().values;
  }

  PrivateSettings settings_;
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
  SetMetarTransferLimit(1500);
  const DWORD start = GetTickCount();
  MetarValues v = Fetch("WAYLUNE_FTP_STALL");
  EXPECT_LT(GetTickCount() - start, 7000u) << "given up at the limit, not when the server goes on";
  EXPECT_EQ(RunningMetarTransfers(), 1) << "the stalled transfer still runs";
  EXPECT_EQ(v.temperatureC, 8) << "the old report stays";
  v = Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(v.temperatureC, 8);
  for (int i = 0; i < 300 && RunningMetarTransfers() > 0; ++i) Sleep(100);
  ASSERT_EQ(RunningMetarTransfers(), 0);
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
    std::ofstream(cache_, std::ios::binary) << row.dateLine << "\r\nEDDF 151250Z 24008KT CAVOK 08/02 Q1021\r\n";
    Settings.Clock24h = row.clock24h;
    Settings.DateOrder = row.dateOrder;
    Settings.DateSeparator.Set(row.separator);
    DecodeMetar(cache_);
    EXPECT_STREQ(MetarReport.Get().timeText, row.text);
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
  settings_.SetNumber("AccessType", 1);
  v = Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(v.valid, 0);
  EXPECT_EQ(GetFileAttributesA(cache_), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MetarDownload, AChangedStationShowsNothingUntilItsReportArrives) {
  Fetch("WAYLUNE_FTP_OK");
  Settings.METAR.Set("EDDM");
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
  settings_.SetNumber("FTPPortNumber", DWORD(std::atoi(std::getenv("WAYLUNE_FTP_SLOW"))));
  const int before = Count(ServerLog(), "slow RETR");
  EXPECT_EQ(StartWeatherThread(), 1);
  EXPECT_EQ(StartWeatherThread(), 1);
  EXPECT_TRUE(WaitForWeatherThread(60000));
  EXPECT_EQ(Count(ServerLog(), "slow RETR"), before + 1);

  for (const char* code : {"EDD", "EDDFX", "ED/F"}) {
    Settings.METAR.Set(code);
    const std::string log = ServerLog();
    Fetch("WAYLUNE_FTP_OK");
    EXPECT_EQ(ServerLog(), log) << code << " reached the server";
  }
  Settings.METAR.Set("EDDF");
  Settings.Weather[0] = 0;
  const std::string log = ServerLog();
  Fetch("WAYLUNE_FTP_OK");
  EXPECT_EQ(ServerLog(), log) << "the sign is off";
}

// A fetch tells its end: the wake set for it fires with the report in, a
// waiter sees its thread end (and a wait too short says so), and the caller
// of a fetch of its own holds the thread while a second start is refused.
TEST_F(MetarDownload, AFetchsEndWakesItsOwnerAndItsThreadIsWaitedFor) {
  settings_.SetNumber("FTPPortNumber", DWORD(std::atoi(std::getenv("WAYLUNE_FTP_SLOW"))));
  WorkerWake wake;
  SetWeatherFetchWake(&wake);
  MetarReport.done = 0;
  ASSERT_EQ(StartWeatherThread(), 1);
  EXPECT_FALSE(WaitForWeatherThread(10)) << "the slow server still answers";
  EXPECT_EQ(MetarReport.busy, 1);
  const DWORD start = GetTickCount();
  wake.Wait(60000);
  EXPECT_LT(GetTickCount() - start, 30000u);
  EXPECT_EQ(MetarReport.done, 1) << "woken by the end, the report in";
  EXPECT_EQ(MetarReport.Get().values.temperatureC, 8);
  EXPECT_TRUE(WaitForWeatherThread(5000));
  EXPECT_TRUE(WaitForWeatherThread(0)) << "none runs";
  SetWeatherFetchWake(nullptr);

  OwnedHandle mine = StartWeatherFetch();
  ASSERT_TRUE(mine);
  EXPECT_FALSE(StartWeatherFetch()) << "one fetch at a time";
  EXPECT_EQ(StartWeatherThread(), 1) << "the running one counts";
  ASSERT_EQ(WaitForSingleObject(mine.get(), 60000), WAIT_OBJECT_0);
  EXPECT_EQ(MetarReport.busy, 0);
  EXPECT_EQ(MetarReport.done, 1);
  // The next one starts right after, its ended predecessor joined.
  OwnedHandle next = StartWeatherFetch();
  ASSERT_TRUE(next);
  EXPECT_EQ(WaitForSingleObject(next.get(), 60000), WAIT_OBJECT_0);
}

// The program's end does not wait out a transfer: the fetch gives it up at
// once (whatever its time limit), keeps its thread, and the shutdown's join
// closes them all; the late file never replaces the cache.
TEST_F(MetarDownload, TheProgramsEndGivesAStalledTransferUpAndJoinsItsThreads) {
  Fetch("WAYLUNE_FTP_OK");
  SetMetarTransferLimit(0);  // the full 90 s
  settings_.SetNumber("FTPPortNumber", DWORD(std::atoi(std::getenv("WAYLUNE_FTP_STALL"))));
  struct QuitAtEnd {
    ~QuitAtEnd() { QuitFlag = 0; }
  } reset;
  ASSERT_EQ(StartWeatherThread(), 1);
  Sleep(1500);  // into the server's 8 s stall
  ASSERT_EQ(RunningMetarTransfers(), 1);
  const DWORD start = GetTickCount();
  QuitFlag = 1;
  EXPECT_TRUE(WaitForWeatherThread(5000));
  EXPECT_LT(GetTickCount() - start, 3000u) << "given up at the end, not at the limit";
  EXPECT_EQ(GivenUpMetarTransfers(), 1) << "only this one: those given up before have ended";
  EXPECT_EQ(MetarReport.Get().values.temperatureC, 8) << "the old report stays";
  JoinWeatherThreads(5000, 30000);
  EXPECT_EQ(GivenUpMetarTransfers(), 0);
  EXPECT_EQ(RunningMetarTransfers(), 0) << "joined to its end";
  EXPECT_EQ(ReadAll(cache_), kEddf);
  EXPECT_EQ(PartFiles(cache_), 0);
  // Joined twice, or with nothing kept: nothing to wait for.
  JoinWeatherThreads(0, 0);
}

}  // namespace
