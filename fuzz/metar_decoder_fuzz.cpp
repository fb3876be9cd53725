// The METAR decoder on hostile station files: joined and decoded with and
// without an expected station, the time text formatted in every order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "objects/portable/metar_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  std::string text;
  JoinMetarLines(content, text);
  if (text.size() >= kMetarTextCapacity) __builtin_trap();
  MetarValues previous;
  const MetarValues any = DecodeMetarText(text, previous, "", nullptr);
  DecodeMetarText(text, any, "EDDF", [](const char*) {});
  // The decoder bounds what it is handed, joined or not.
  DecodeMetarText(content, previous, "", nullptr);
  for (int order = 0; order < 4; ++order)
    if (FormatObservationTime(any.observed, order & 1, order, "./").size() > 23) __builtin_trap();
  return 0;
}
