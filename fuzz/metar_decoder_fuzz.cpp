// The METAR decoder on hostile station files: joined and decoded with and
// without an expected station, the time text formatted in every order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "objects/portable/metar_decoder.h"

namespace {

// Every decoded value stays in the range the sign and the bubble expect.
void CheckRanges(const MetarValues& v) {
  const bool temperature = v.temperatureC == kMetarNone ? v.temperatureF == kMetarNone
                                                        : v.temperatureC >= -99 && v.temperatureC <= 99;
  const bool cloud = v.cloud == kMetarNone || (v.cloud >= kCloudClear && v.cloud <= kCloudOvercast);
  if ((v.valid != 0 && v.valid != 1) || !temperature || !cloud || v.weather < kWeatherNone ||
      v.weather > kWeatherFog || v.humidity < 0 || v.humidity > 1000 || v.pressure < 0 || v.pressure > 9999 ||
      v.station.size() > kMetarTokenMax)
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  std::string text;
  JoinMetarLines(content, text);
  if (text.size() >= kMetarTextCapacity) __builtin_trap();
  MetarValues previous;
  const MetarValues any = DecodeMetarText(text, previous, "", nullptr);
  CheckRanges(any);
  const MetarValues chosen = DecodeMetarText(text, any, "EDDF", [](const char*) {});
  CheckRanges(chosen);
  // A report of another station shows nothing of it.
  if (chosen.valid) {
    bool same = chosen.station.size() == 4;
    for (std::size_t i = 0; same && i < 4; ++i) same = (chosen.station[i] & ~0x20) == "EDDF"[i];
    if (!same) __builtin_trap();
  }
  // The decoder bounds what it is handed, joined or not.
  CheckRanges(DecodeMetarText(content, previous, "", nullptr));
  for (int order = 0; order < 4; ++order)
    if (FormatObservationTime(any.observed, order & 1, order, "./").size() > 23) __builtin_trap();
  return 0;
}
