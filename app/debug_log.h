#pragma once
// Debug log: time-stamped lines from every thread while logging is on.

#include <windows.h>

void WriteLogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogStart(HWND window, const char* fileName);
void LogEnd();
void FormatLogTimestamp(char* buffer, int size);
