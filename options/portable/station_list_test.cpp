#include "options/portable/station_list.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Countries(std::string_view file) {
  std::string out;
  for (const StationCountry& c : ParseStationCountries(file))
    out += c.name + "=" + std::to_string(c.number) + ";";
  return out;
}

std::string Stations(std::string_view file, std::string_view country) {
  std::string out;
  for (const Station& s : ParseStations(file, country)) out += s.code + ":" + s.text + ";";
  return out;
}

std::string Repeat(const std::string& line, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += line;
  return out;
}

}  // namespace

TEST(StationList, Files) {
  const std::string longText(300, 'x');
  struct Row {
    std::string file;
    const char* country;
    std::string countries;
    std::string stations;
    const char* why;
  } const rows[] = {
      {"~~Deutschland|10\r\nEDDF Frankfurt/Main\r\nEDDM M\xfcnchen\r\n~~Schweiz\r\nLSZH Z\xfcrich\r\n",
       "deutschland", "Deutschland=10;Schweiz=0;", "EDDF:Frankfurt/Main;EDDM:M\xfcnchen;",
       "CR LF, case ignored, no bar gives 0"},
      {"~~\xd6sterreich|40\nLOWW Wien\n", "\xf6STERREICH", "\xd6sterreich=40;", "LOWW:Wien;",
       "Windows-1252 capitals"},
      {"\n\r\n~~A|1\n\n\nAAAA one\n\r\r\nBBBB two", "a", "A=1;", "AAAA:one;BBBB:two;",
       "empty lines, no last LF"},
      {"~~A|1\n~~B|2\nBBBB b\n", "A", "A=1;B=2;", "", "a country without stations"},
      {"~~A|1\nAAAA a\n~~B|2", "B", "A=1;B=2;", "", "the country line is the last line"},
      {"~~A|1\nAAAA a\n", "Z", "A=1;", "", "unknown country"},
      {"AAAA before any country\n~~A|x7\nAAAA a\n", "A", "A=0;", "AAAA:a;",
       "lines before the first country; bad number"},
      {"~~A|1|2\nAB\nABCD\nABCDE\nABCD-Z\n", "A", "A=1;", "ABCD:ABCD;ABCD:ABCD;ABCD:Z;", "short lines"},
      {"~~A|99999999999999\n~~B| -3\n", "A", "A=0;B=-3;", "", "hostile and signed numbers"},
      {"~~|5\nAAAA a\n", "", "=5;", "AAAA:a;", "an empty country name"},
      {"~~A|1\nAAAA " + longText + "\nBBBB b\n", "A", "A=1;", "AAAA:" + longText.substr(0, 250) + ";BBBB:b;",
       "a long line is cut, its rest is no station"},
      {"~~A|1\nAAAA a\n~~A|2\nBBBB b\n", "A", "A=1;A=2;", "AAAA:a;", "the first of two equal names"},
      {std::string("~~A|1\nAA\0A a\n", 13), "A", "A=1;", std::string("AA\0A:a;", 7), "a NUL byte stays data"},
      {"", "A", "", "", "empty file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    EXPECT_EQ(Countries(row.file), row.countries);
    EXPECT_EQ(Stations(row.file, row.country), row.stations);
  }
}

TEST(StationList, Limits) {
  std::string manyCountries;
  for (int i = 1; i <= 401; ++i) manyCountries += "~~C" + std::to_string(i) + "|" + std::to_string(i) + "\n";
  std::vector<StationCountry> countries = ParseStationCountries(manyCountries);
  ASSERT_EQ(countries.size(), 399u);
  EXPECT_EQ(countries.back().name, "C399");

  std::string file = "~~A|1\n" + Repeat("ABCD x\n", 2998) + "LAST y\nOVER z\nOVER w\n~~B|2\n";
  std::vector<Station> stations = ParseStations(file, "A");
  ASSERT_EQ(stations.size(), 2999u);
  EXPECT_EQ(stations.back().code, "LAST");
}

// The list the program ships: every country with stations, codes that look
// like ICAO codes, no code twice, and the countries the program is made for.
TEST(StationList, ShippedFile) {
  std::ifstream in(WAYLUNE_STATIONS_FILE, std::ios::binary);
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  const std::string file = text.str();
  std::vector<StationCountry> countries = ParseStationCountries(file);
  EXPECT_GE(countries.size(), 15u);
  std::set<std::string> names, codes;
  std::set<int> numbers;
  for (const StationCountry& country : countries) {
    SCOPED_TRACE(country.name);
    EXPECT_TRUE(names.insert(country.name).second);
    EXPECT_TRUE(numbers.insert(country.number).second);
    EXPECT_GT(country.number, 0);
    std::vector<Station> stations = ParseStations(file, country.name);
    EXPECT_GE(stations.size(), 1u);
    for (const Station& station : stations) {
      SCOPED_TRACE(station.text);
      for (char c : station.code) EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
      EXPECT_TRUE(codes.insert(station.code).second);
      EXPECT_FALSE(station.text.empty());
    }
  }
  for (const char* name : {"Deutschland", "\xd6sterreich", "Schweiz"})
    EXPECT_EQ(names.count(name), 1u) << name;
  EXPECT_EQ(file.find('\n'), file.find("\r\n") + 1) << "lines end in CR LF";
}
