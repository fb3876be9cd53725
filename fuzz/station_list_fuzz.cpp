// The weather page's station list on hostile files: every country read, and
// the stations of the first and of the last one, within the list's limits.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "options/portable/station_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto countries = ParseStationCountries(file);
  if (countries.size() > kMaxStationCountries) __builtin_trap();
  for (size_t i : {size_t(0), countries.size() - 1}) {
    if (i >= countries.size()) continue;
    for (const Station& station : ParseStations(file, countries[i].name))
      if (station.code.size() != 4 || station.text.size() > kMaxStationLine) __builtin_trap();
    if (ParseStations(file, countries[i].name).size() > kMaxStationsPerCountry) __builtin_trap();
  }
  return 0;
}
