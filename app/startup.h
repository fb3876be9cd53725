#pragma once
// Pieces of the start-up: the command word and the hand-over to a running instance.

#include <windows.h>

#include "services/app_globals.h"  // MAIN_CLASS_NAME

enum class CommandWord { None, Exit, Deinstall, Autostart };

// The first 80 characters of the command line, compared without case.
CommandWord ParseCommandWord(const char* commandLine);

// How long EXIT and DEINSTALL wait for the window of an instance that is
// still starting, and how often they look.
constexpr DWORD kForwardWaitMs = 10000;
constexpr DWORD kForwardPollMs = 50;

// Second instance: hand the word to the running one without waiting on it.
// DEINSTALL first removes the autostart entry, in every case; EXIT and
// DEINSTALL wait up to `waitMs` for the running instance's window (of class
// `className`: tests use a class of their own).
void ForwardToRunningInstance(CommandWord word, HINSTANCE instance, DWORD waitMs = kForwardWaitMs,
                              const char* className = MAIN_CLASS_NAME);
