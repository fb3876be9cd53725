// The METAR download under Wine against real FTP servers on 127.0.0.1
// (tests/ftp_server.py), reached as an FTP proxy through the settings the
// user would set: success, missing file, server down, slow server, broken
// transfer, a change of station and one fetch at a time.

#include "objects/metar_download.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "objects/object_test_support.h"

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
    EXPECT_EQ(GetFileAttributesA((std::string(cache_) + ".part").c_str()), INVALID_FILE_ATTRIBUTES);
  }
  // A slow server is waited for.
  DeleteFileA(cache_);
  v = Fetch("WAYLUNE_FTP_SLOW");
  EXPECT_EQ(ReadAll(cache_), kEddf);
  EXPECT_EQ(v.valid, 1);
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

}  // namespace
