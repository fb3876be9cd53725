#include "app/debug_log.h"

// Stand-in until the log file is written.
void WriteLogLine(const char*, ...) {}
void LogStart(HWND, const char*) {}
void LogEnd() {}
void FormatLogTimestamp(char* buffer, int size) {
  if (size > 0) buffer[0] = 0;
}
