#pragma once
// Pieces of the start-up: version check, error box, the command word.

#include <windows.h>

enum class CommandWord { None, Exit, Deinstall, Autostart };

// The first 80 characters of the command line, compared without case.
CommandWord ParseCommandWord(const char* commandLine);

// Major version in the high word, minor in the low word; 0 when unknown.
DWORD GetDllVersion(const char* fileName);

int ShowErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Second instance: hand the word to the running one without waiting on it.
void ForwardToRunningInstance(CommandWord word, HINSTANCE instance);
