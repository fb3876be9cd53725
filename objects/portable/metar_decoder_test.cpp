// The METAR decoder on station files as the report server writes them, and
// the fetch's URL, connection and schedule rules.

#include "objects/portable/metar_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objects/portable/metar_fetch.h"
#include "objects/portable/weather_sign_logic.h"

namespace {

MetarValues Decode(const std::string& file, const char* station = "", MetarValues previous = {}) {
  std::string text;
  JoinMetarLines(file, text);
  return DecodeMetarText(text, previous, station, nullptr);
}

constexpr int N = kMetarNone;

// valid, Celsius, Fahrenheit, humidity, pressure, cloud, weather
std::vector<int> Values(const MetarValues& v) {
  return {v.valid, v.temperatureC, v.temperatureF, v.humidity, v.pressure, v.cloud, v.weather};
}

TEST(MetarDecoder, RealLookingReports) {
  const std::pair<const char*, std::vector<int>> rows[] = {
      {"EDDF 151250Z 24008KT CAVOK 08/02 Q1021 NOSIG", {1, 8, 46, 66, 1021, 0, 0}},
      {"KJFK 151251Z 27015G25KT 240V300 10SM FEW050 SCT100 BKN250 M05/M07 A2992 RMK AO2 SLP132 -RA",
       {1, -5, 23, 86, 1013, 3, 0}},
      {"EGLL 030620Z 00000KT 3000 -RA BR OVC008 M01/M02 Q0998", {1, -1, 31, 93, 998, 4, 5}},
      // A vertical visibility hides the sky: overcast.
      {"EDDM 200700Z 0150 R26L/0300N R26R/P1500U FG VV001 M02/M02 Q1030 BECMG 0800 -SN",
       {1, -2, 29, 100, 1030, 4, 5}},
      {"LFPG 151230Z VRB02KT 0150 R27L/0400N R09R/M0050V0100D FZFG VV/// 01/01 Q1024",
       {1, 1, 33, 100, 1024, 4, 5}},
      {"EDDF 151250Z 9999 VV0011 VVV01 VV1 14/04 Q1018", {1, 14, 57, 51, 1018, N, 0}},
      // An automatic station that saw no cloud: a clear sky.
      {"EDDF 151250Z AUTO 24008KT 9999 NCD 08/02 Q1021", {1, 8, 46, 66, 1021, 0, 0}},
      // Remarks and trends cut in any case; recent weather (RE) is no weather now.
      {"EDDF 151250Z 24008KT 9999 RERA FEW030 12/08 Q1013 rmk TSRA 30/20", {1, 12, 53, 77, 1013, 1, 0}},
      {"EDDF 151250Z 24008KT 9999 SCT030 12/08 Q1013 Becmg OVC005 +SN", {1, 12, 53, 77, 1013, 2, 0}},
      // A dew point far above the temperature: humidity shows as unknown, no overflow.
      {"EDDF 151250Z 9999 OVC010 M99/99 Q0950", {1, -99, -146, 1000, 950, 4, 0}},
      {"EDDF 151250Z 9999 OVC010 99/M99 A3386", {1, 99, 210, 0, 1146, 4, 0}},
      {"EDDF 151250Z 9999 OVC010 M00/M00 A0001", {1, 0, 32, 100, 0, 4, 0}},
      {"EDDH 011220Z AUTO 27010KT 9999 NSC 12/08 Q1013 TEMPO SHRA", {1, 12, 53, 77, 1013, 0, 0}},
      {"KORD 041256Z COR 18005KT 10SM SKC 22/11 A3001", {1, 22, 71, 50, 1016, 0, 0}},
      {"KPHX 041300Z 00000KT 10SM CLR 31/24 A2978", {1, 31, 87, 66, 1008, 0, 0}},
      {"METAR LOWW 011250Z 31012KT 6000 +TSRA SCT015CB BKN040 17/12 Q1009", {1, 17, 62, 73, 1009, 3, 1}},
      {"EPWA 151250Z 09005KT 4000 -TSRA +SHRA 03/01 Q1002", {1, 3, 37, 87, 1002, N, 2}},
      {"ESSA 151250Z 36012KT 1500 -SHSN OVC008 FEW020 M12/M15 Q0990", {1, -12, 11, 79, 990, 4, 3}},
      {"LSZH 011500Z 25020G35KT 2000 GR BKN010 10/09 Q1005", {1, 10, 50, 94, 1005, 3, 4}},
      {"CYUL 151250Z 05010KT 3SM FZDZ OVC005 M03/M04 A2990", {1, -3, 27, 93, 1012, 4, 2}},
      // Clouds but no temperature; no dew point: humidity unknown.
      {"EDDF 151250Z 24008KT 9999 FEW020 BKN035 SCT050 Q1015", {1, N, N, 0, 1015, 3, 0}},
      {"EDDF 151250Z 24008KT 9999 M05/ Q1015", {1, -5, 23, 0, 1015, N, 0}},
      {"EDDF 151250Z 9999 12/// Q1015", {1, 12, 53, 0, 1015, N, 0}},
      // A station code made of weather letters is no weather.
      {"SHRA 151250Z 9999 25/M03 Q1020", {1, 25, 77, 15, 1020, N, 0}},
      {"EDDF 151250Z NIL", {0, N, N, 0, 0, N, 0}},
      {"EDDF 151250Z 9999 BR NSC 05/04 Q1010", {1, 5, 41, 93, 1010, 0, 0}},  // a clear sky ends the weather
      // Haze is weather of no class: it leaves the rain before it.
      {"EDDF 151250Z 5000 -RA HZ BKN010 10/08 Q1010", {1, 10, 50, 88, 1010, 3, 2}},
      // Weather codes come in pairs: the "GS" across FG and SQ is no hail.
      {"EDDF 151250Z 0800 FGSQ BKN002 04/04 Q1010", {1, 4, 39, 100, 1010, 3, 5}},
      {"\x01\xff%%%% ////// ???? 1/2SM M1/4SM A29X2 Q10 RAIN 123/45 M1/02", {0, N, N, 0, 0, N, 0}},
  };
  for (const auto& [report, values] : rows)
    EXPECT_EQ(Values(Decode(std::string("2024/01/15 12:50\r\n") + report + "\r\n")), values) << report;
  for (const char* empty : {"", "\r\n   \n\t\n"}) EXPECT_EQ(Decode(empty).valid, 0);
}

TEST(MetarDecoder, ObservationTimeAndStation) {
  const MetarValues v = Decode("2024/01/15 12:50\nEDDM 151250Z 24008KT CAVOK 08/02 Q1021\n");
  const int fields[] = {v.observed.found, v.observed.year, v.observed.month,
                        v.observed.day,   v.observed.hour, v.observed.minute};
  EXPECT_EQ(std::vector<int>(fields, fields + 6), (std::vector<int>{1, 2024, 1, 15, 12, 50}));
  for (const char* bad :
       {"EDDF 151250Z CAVOK\n", "2024/13/15 12:50\nEDDF CAVOK\n", "2024/01/15 24:00\nEDDF CAVOK\n",
        "2024/1X/15 12:50\nEDDF CAVOK\n", "2024/0:/15 12:50\nEDDF CAVOK\n", "2024/01/15 1;:50\nEDDF CAVOK\n"})
    EXPECT_FALSE(Decode(bad).observed.found) << bad;
  // The last minute of a year's first day is a time.
  const MetarValues late = Decode("2024/01/01 23:59\nEDDM 012359Z CAVOK\n");
  const int lateFields[] = {late.observed.found, late.observed.day, late.observed.hour, late.observed.minute};
  EXPECT_EQ(std::vector<int>(lateFields, lateFields + 4), (std::vector<int>{1, 1, 23, 59}));
  // The station is four letters or digits.
  EXPECT_EQ(Decode("2024/01/15 12:50\nEDDM 151250Z CAVOK\n").station, "EDDM");
  for (const char* odd : {"ED/F 151250Z CAVOK\n", "EDD 151250Z CAVOK\n", "EDDFF 151250Z CAVOK\n"})
    EXPECT_EQ(Decode(odd).station, "") << odd;
  // Only a report of the chosen station counts; pressure and humidity carry over.
  MetarValues previous;
  previous.pressure = 1009;
  previous.humidity = 55;
  const std::string file = "2024/01/15 12:50\nEDDM 151250Z 24008KT CAVOK 08/02 Q1021\n";
  EXPECT_EQ(Decode(file, "eddm").valid, 1);
  EXPECT_EQ(Values(Decode(file, "EDDF", previous)), (std::vector<int>{0, N, N, 55, 1009, N, 0}));
  EXPECT_EQ(Decode("2024/01/15 12:50\n08/02 CAVOK\n", "EDDF").valid, 0);
  EXPECT_EQ(Decode(file, "EDD").valid, 0) << "a shorter code is another station";
  EXPECT_EQ(Values(Decode("EDDF 151250Z FEW020\n", "EDDF", previous)),
            (std::vector<int>{1, N, N, 55, 1009, 1, 0}));
}

TEST(MetarDecoder, LongLinesAndTokensAreCut) {
  std::string text, file;
  for (int i = 0; i < 12; ++i) file += "L" + std::to_string(i) + "\n";
  EXPECT_EQ(JoinMetarLines(file, text), 10);
  EXPECT_EQ(text, "L0 L1 L2 L3 L4 L5 L6 L7 L8 L9 ");
  EXPECT_EQ(JoinMetarLines(std::string(3000, 'X') + "\nEDDF\n", text), 2);
  EXPECT_EQ(text, std::string(1023, 'X') + " EDDF ");
  file.clear();
  for (int i = 0; i < 10; ++i) file += std::string(1023, 'A' + i) + "\n";
  JoinMetarLines(file, text);
  EXPECT_EQ(text.size(), kMetarTextCapacity - 1);
  // Tokens past 15 characters are cut, texts past the capacity too; a report
  // of many tokens is read to its end.
  EXPECT_EQ(Decode("EDDF 151250Z FEW0200000000000000000000000000000 12/08\n").cloud, kCloudFew);
  EXPECT_EQ(Decode("EDDF 151250Z 12/08ZZZZZZZZZZZZZZZZZZZZ\n").temperatureC, kMetarNone);
  EXPECT_EQ(DecodeMetarText("EDDF " + std::string(20000, 'F') + " 10/05", {}, "", nullptr).temperatureC,
            kMetarNone);
  EXPECT_EQ(DecodeMetarText("EDDF 10/05 " + std::string(20000, 'F'), {}, "EDDF", nullptr).temperatureC, 10)
      << "cut at its end, never at its start";
  std::string many = "EDDF";
  for (int i = 0; i < 60; ++i) many += " 9999";
  EXPECT_EQ(Decode(many + " OVC010 05/03\n").cloud, kCloudOvercast);
}

TEST(MetarDecoder, ObservationTimeText) {
  MetarTime t{true, 2024, 1, 5, 13, 50};
  EXPECT_EQ(FormatObservationTime(t, 1, 1, "."), "(05.01.2024 13:50)");
  EXPECT_EQ(FormatObservationTime(t, 0, 1, "."), "(05.01.2024 01:50)");
  EXPECT_EQ(FormatObservationTime(t, 1, 0, "/"), "(01/05/2024 13:50)");
  EXPECT_EQ(FormatObservationTime(t, 1, 2, "....."), "(2024...01...05 13:50)");
  EXPECT_EQ(FormatObservationTime(t, 1, 3, "."), "");
  EXPECT_EQ(FormatObservationTime(MetarTime{}, 1, 1, "."), "");
  t.hour = 12;
  EXPECT_EQ(FormatObservationTime(t, 0, 1, "."), "(05.01.2024 12:50)");
}

TEST(MetarFetch, ReportUrlAndStationCodes) {
  EXPECT_EQ(MetarReportUrl(kMetarServerHost, "EDDF"),
            "ftp://tgftp.nws.noaa.gov/data/observations/metar/stations/EDDF.TXT");
  for (const char* bad :
       {"", "EDD", "EDDFX", "ED/F", "ED F", "..\\a", "ED@F", "ED[F", "ED`F", "ED{F", "ED:F"})
    EXPECT_EQ(MetarReportUrl("h", bad), "") << bad;
  EXPECT_EQ(MetarReportUrl("h", "a0z9"), "ftp://h/data/observations/metar/stations/a0z9.TXT");
  EXPECT_EQ(MetarReportUrl("h", "A0Z9"), "ftp://h/data/observations/metar/stations/A0Z9.TXT");
  EXPECT_EQ(MetarReportUrl(std::string(220, 'h'), "EDDF"), "");
}

TEST(MetarFetch, ConnectionFromSettings) {
  struct Row {
    int accessType;
    const char* proxy;
    int port;
    bool proxyMode;
    const char* host;
    int connectPort, plannedType;
  } rows[] = {
      {3, "127.0.0.1", 2121, true, "127.0.0.1", 2121, 3},  {3, "proxy", 0, true, "proxy", 21, 3},
      {3, "proxy", 0x10000 + 990, true, "proxy", 990, 3},  {3, "", 2121, false, kMetarServerHost, 21, 1},
      {1, "proxy", 2121, false, kMetarServerHost, 21, 1},  {7, "proxy", 2121, false, kMetarServerHost, 21, 0},
      {5, "proxy", 2121, false, kMetarServerHost, 21, 0},  {4, "proxy", 2121, false, kMetarServerHost, 21, 4},
      {-1, "proxy", 2121, false, kMetarServerHost, 21, 0},
  };
  for (const Row& r : rows) {
    const FtpConnectPlan plan = PlanFtpConnection(r.accessType, r.proxy, r.port, kMetarServerHost);
    EXPECT_EQ(plan.proxyMode, r.proxyMode) << r.accessType << r.proxy;
    EXPECT_EQ(plan.host, r.host);
    EXPECT_EQ(plan.port, r.connectPort);
    EXPECT_EQ(plan.accessType, r.plannedType);
    EXPECT_EQ(plan.user, r.proxyMode ? "anonymous@tgftp.nws.noaa.gov" : "");
  }
  // A proxy login goes to the proxy; the server is then asked for by
  // commands. Without a proxy the login is never sent anywhere.
  const struct {
    int accessType;
    const char* proxy;
    const char* user;
    const char *loginUser, *loginPassword, *serverUser;
  } logins[] = {
      {3, "proxy", "anna", "anna", "pw", "anonymous@tgftp.nws.noaa.gov"},
      {3, "proxy", "", "anonymous@tgftp.nws.noaa.gov", kAnonymousPassword, ""},
      {3, "", "anna", "", "", ""},
      {0, "proxy", "anna", "", "", ""},
  };
  for (const auto& r : logins) {
    const FtpConnectPlan plan = PlanFtpConnection(r.accessType, r.proxy, 21, kMetarServerHost, r.user, "pw");
    EXPECT_EQ(plan.user + "|" + plan.password + "|" + plan.serverUser,
              std::string(r.loginUser) + "|" + r.loginPassword + "|" + r.serverUser)
        << r.accessType << " " << r.proxy << " " << r.user;
    EXPECT_EQ(plan.serverPassword, *r.serverUser ? kAnonymousPassword : "");
  }
  for (const char* host : {"127.0.0.1", "127.1.2.3", "localhost", "::1"})
    EXPECT_TRUE(IsLoopbackHost(host)) << host;
  for (const char* host :
       {"128.0.0.1", "127.0.0", "127.0.0.1.example", "127.a.0.1", "127.0.0.x", "proxy", ""})
    EXPECT_FALSE(IsLoopbackHost(host)) << host;
}

TEST(MetarFetch, ScheduleCountsVisibleMinutesAndRetriesOncePerMinute) {
  WeatherFetchClock clock;
  clock.Started();
  // Interval 30 with a valid report: the next fetch in the 31st visible
  // minute; hidden minutes do not count.
  for (int i = 0; i < 30; ++i) {
    EXPECT_FALSE(clock.NewMinute(false, 30, true, false, true));
    EXPECT_FALSE(clock.NewMinute(true, 30, true, false, true));
  }
  EXPECT_TRUE(clock.NewMinute(true, 30, true, false, true));
  for (int i = 0; i < 30; ++i)
    EXPECT_FALSE(clock.NewMinute(true, 30, true, false, true)) << "counting starts again";
  EXPECT_TRUE(clock.NewMinute(true, 30, true, false, true));
  // An invalid report: one fetch per new minute, none while one runs or the scene may not run.
  EXPECT_TRUE(clock.NewMinute(true, 30, false, false, true));
  EXPECT_FALSE(clock.NewMinute(true, 30, false, true, true));
  EXPECT_FALSE(clock.NewMinute(true, 30, false, false, false));
  EXPECT_TRUE(clock.NewMinute(true, 30, false, false, true));
  // Before the start fetch the first minute fetches at once.
  WeatherFetchClock fresh;
  EXPECT_TRUE(fresh.NewMinute(true, 1440, true, false, true));
}

TEST(WeatherSignLogic, PictureTemperatureAndBubble) {
  MetarValues r;
  EXPECT_EQ(WeatherPictureFor(r), "WET_1_--_--");
  EXPECT_EQ(WeatherTemperatureText(r, false), "");
  EXPECT_EQ(WeatherBubbleText(r, false, "Deutschland", "Frankfurt", "(x)"), "Deutschland\nFrankfurt");
  r.valid = 1;
  r.cloud = 3;
  r.weather = 2;
  // Clouds without a temperature group: no temperature, never "-999".
  EXPECT_EQ(WeatherPictureFor(r), "WET_1_03_02");
  EXPECT_EQ(WeatherTemperatureText(r, false), "");
  EXPECT_EQ(WeatherTemperatureText(r, true), "");
  EXPECT_EQ(WeatherBubbleText(r, true, "D", "F", "(t)"),
            "D\nF\n? \xB0"
            "F | ? % | ? hPa\n(t)");
  r.temperatureC = -5;
  r.temperatureF = 23;
  r.humidity = 86;
  r.pressure = 1013;
  EXPECT_EQ(WeatherTemperatureText(r, false), "-5\xB0");
  EXPECT_EQ(WeatherTemperatureText(r, true), "23\xB0");
  EXPECT_EQ(WeatherBubbleText(r, false, "D", "F", "(05.01.2024 13:50)"),
            "D\nF\n-5 \xB0"
            "C | 86 % | 1013 hPa\n(05.01.2024 13:50)");
  r.humidity = 0;
  r.pressure = 1200;
  EXPECT_EQ(WeatherBubbleText(r, false, "D", "F", ""),
            "D\nF\n-5 \xB0"
            "C | ? % | ? hPa\n");
  r.cloud = kMetarNone;
  EXPECT_EQ(WeatherPictureFor(r), "WET_1_--_--");
  EXPECT_EQ(WeatherTemperatureText(r, false), "");
  // The edges of what the bubble shows as a number.
  struct Edge {
    int celsius, humidity, pressure;
    const char* values;
  } edges[] = {
      {-99, 1, 1,
       "-99 \xB0"
       "C | 1 % | 1 hPa"},
      {-100, 100, 1199,
       "? \xB0"
       "C | 100 % | 1199 hPa"},
      {99, 101, 1200,
       "99 \xB0"
       "C | ? % | ? hPa"},
      {0, -1, -1,
       "0 \xB0"
       "C | ? % | ? hPa"},
  };
  for (const Edge& e : edges) {
    r.temperatureC = e.celsius;
    r.humidity = e.humidity;
    r.pressure = e.pressure;
    EXPECT_EQ(WeatherBubbleText(r, false, "D", "F", "(t)"), std::string("D\nF\n") + e.values + "\n(t)");
  }
  r.cloud = kCloudClear;
  r.weather = kWeatherNone;
  EXPECT_EQ(WeatherPictureFor(r), "WET_1_00_00");
  EXPECT_EQ(WeatherTemperatureText(r, false), "0\xB0");
  r.weather = kWeatherFog;
  EXPECT_EQ(WeatherPictureFor(r), "WET_1_00_05");
  EXPECT_EQ(WeatherBubblePlacement(100, 1280), (BubblePlacement{1, 174, -73, 24}));
  EXPECT_EQ(WeatherBubblePlacement(700, 1280), (BubblePlacement{2, 526, -73, 24}));
}

}  // namespace
