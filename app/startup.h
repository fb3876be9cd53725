#pragma once
// Pieces of the start-up: the command word and the hand-over to a running instance.

#include <windows.h>

enum class CommandWord { None, Exit, Deinstall, Autostart };

// The first 80 characters of the command line, compared without case.
CommandWord ParseCommandWord(const char* commandLine);

// Second instance: hand the word to the running one without waiting on it.
void ForwardToRunningInstance(CommandWord word, HINSTANCE instance);
