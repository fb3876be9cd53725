#pragma once
// Debug log: time-stamped lines from every thread while logging is on.

#include <windows.h>

// "+++" opens a failure line, "~~~" a change of state; "LADEN: " and
// "ENTLADEN: " the loading and unloading of an object's bitmaps.
void WriteLogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Opens the log (once per run) and writes its start report with the
// animation speed; a file that cannot be opened leaves logging off for the
// run.
void LogStart(HWND window, const char* fileName, int speed);
// Writes the ENDE line and closes the log for the rest of the run.
void LogEnd();
// Whether lines are written: the log was started and is not ended. The log
// alone knows it; callers that build a line at a cost ask it first.
bool LogOn();
void FormatLogTimestamp(char* buffer, int size);
