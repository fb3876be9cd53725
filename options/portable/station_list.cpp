#include "options/portable/station_list.h"

#include <cstdlib>

namespace {

// Calls take(line) for every non-empty line, cut to kMaxStationLine
// characters with CR and LF trimmed at both ends; stops when take says so.
template <typename Take>
void ForEachLine(std::string_view file, Take take) {
  size_t pos = 0;
  while (pos < file.size()) {
    size_t end = file.find('\n', pos);
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(pos, end - pos);
    pos = end + 1;
    line = line.substr(0, kMaxStationLine);
    while (!line.empty() && (line.front() == '\r' || line.front() == '\n')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (!line.empty() && !take(line)) return;
  }
}

bool IsCountryLine(std::string_view line) {
  return line.find("~~") != std::string_view::npos;
}

StationCountry ReadCountry(std::string_view line) {
  StationCountry country;
  std::string_view rest = line.size() > 2 ? line.substr(2) : std::string_view();
  size_t bar = rest.find('|');
  country.name = std::string(rest.substr(0, bar));
  if (bar != std::string_view::npos) {
    std::string digits(rest.substr(bar + 1));
    // A number out of range is no number (strtoll saturates far beyond int).
    const long long value = std::strtoll(digits.c_str(), nullptr, 10);
    country.number = value > 0x7fffffffLL || value < -0x7fffffffLL ? 0 : static_cast<int>(value);
  }
  return country;
}

// Windows-1252 lower case: ASCII and the accented capitals (not the
// multiplication sign).
unsigned char Fold(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

std::vector<StationCountry> ParseStationCountries(std::string_view file) {
  std::vector<StationCountry> countries;
  ForEachLine(file, [&](std::string_view line) {
    if (IsCountryLine(line)) countries.push_back(ReadCountry(line));
    return countries.size() < static_cast<size_t>(kMaxStationCountries);
  });
  return countries;
}

std::vector<Station> ParseStations(std::string_view file, std::string_view country) {
  std::vector<Station> stations;
  bool inside = false;
  ForEachLine(file, [&](std::string_view line) {
    if (IsCountryLine(line)) {
      if (inside) return false;  // the next country ends the list
      inside = SameName(ReadCountry(line).name, country);
      return true;
    }
    // A line without a whole code could only fetch a report that does not exist.
    if (!inside || line.size() < 4) return true;
    Station station{std::string(line.substr(0, 4)),
                    std::string(line.size() > 5 ? line.substr(5) : line.substr(0, 4))};
    stations.push_back(std::move(station));
    return stations.size() < static_cast<size_t>(kMaxStationsPerCountry);
  });
  return stations;
}
