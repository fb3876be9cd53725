#pragma once
// The weather stations list "STATIONS.DAT" beside the program: a text file
// of country lines ("~~Deutschland|276": name, "|", country number) each
// followed by its station lines ("EDDF Frankfurt/Main": the 4-character
// ICAO code, one separator, the text the list shows).

#include <string>
#include <string_view>
#include <vector>

// More countries, or more stations of one country, are ignored.
constexpr int kMaxStationCountries = 399;
constexpr int kMaxStationsPerCountry = 2999;
// A line holds at most this many characters; the rest of a longer line is
// dropped (never read as a line of its own).
constexpr size_t kMaxStationLine = 255;

struct StationCountry {
  std::string name;
  int number = 0;  // 0 when the line has no "|"
};

struct Station {
  std::string code;  // 4 characters
  std::string text;  // shown in the list
};

// The countries in file order.
std::vector<StationCountry> ParseStationCountries(std::string_view file);
// The stations of the first country whose name equals `country` without
// regard to case (Windows-1252 letters); empty when it is not there.
std::vector<Station> ParseStations(std::string_view file, std::string_view country);
