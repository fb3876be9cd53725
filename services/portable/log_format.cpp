#include "services/portable/log_format.h"

#include <cstdio>
#include <cstring>

void FormatTimestampParts(char* buffer, size_t size, int day, int month, int year, int hour, int minute,
                          int second) {
  if (!buffer || size == 0) return;
  std::snprintf(buffer, size, "%02d.%02d.%02d %02d:%02d.%02d", day, month, year, hour, minute, second);
}

size_t FormatLogLine(char* line, const char* timestamp, const char* format, va_list args) {
  // The stamp takes what the text leaves over; 51 characters fit in any case.
  constexpr size_t kStampMax = kLogLineMax - kLogTextMax - 3;
  size_t length = timestamp ? strnlen(timestamp, kStampMax) : 0;
  if (length) std::memcpy(line, timestamp, length);
  line[length++] = ' ';

  char text[kLogTextMax + 1];
  int written = format ? std::vsnprintf(text, sizeof text, format, args) : 0;
  size_t textLength = written < 0 ? 0 : static_cast<size_t>(written);
  if (textLength > kLogTextMax) textLength = kLogTextMax;
  std::memcpy(line + length, text, textLength);
  length += textLength;
  line[length++] = '\r';
  line[length++] = '\n';
  line[length] = 0;
  return length;
}
