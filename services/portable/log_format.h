#pragma once
// Line layout of the debug log: "DD.MM.YYYY hh:mm.ss text\r\n".

#include <cstdarg>
#include <cstddef>

// Longest text of one line (after formatting); longer text is cut.
constexpr size_t kLogTextMax = 1024;
// Longest whole line: time stamp, blank, text, CR LF.
constexpr size_t kLogLineMax = 1080;

// "%02d.%02d.%02d %02d:%02d.%02d" of day, month, full year, hour, minute, second.
void FormatTimestampParts(char* buffer, size_t size, int day, int month, int year, int hour, int minute,
                          int second);

// Builds one whole line into line (capacity kLogLineMax + 1) and returns its
// length: the time stamp, one blank, the formatted text cut to kLogTextMax
// characters, CR LF.
size_t FormatLogLine(char* line, const char* timestamp, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));
