#pragma once
// Pieces of the start-up: the command word, the single instance and the
// hand-over of a word to a running (or starting) instance.

#include <windows.h>

#include <functional>

#include "services/app_globals.h"

enum class CommandWord { None, Exit, Deinstall, Autostart };

// The first 80 characters of the command line, compared without case.
CommandWord ParseCommandWord(const char* commandLine);

// How long EXIT and DEINSTALL wait for the window of an instance that is
// still starting, and how often they look.
constexpr DWORD kForwardWaitMs = 10000;
constexpr DWORD kForwardPollMs = 50;
// How long the running instance may take over a word: its shutdown waits
// for its threads, seconds at most; only a hung instance takes longer.
constexpr DWORD kHandOverWaitMs = 30000;

// Second instance: hand the word to the running one. It returns once the
// instance has handled it (EXIT and DEINSTALL: once its window is gone, the
// shutdown run) or after `handOverMs` (a hung instance; an ending word is
// then left in its queue). DEINSTALL first removes the autostart entry, in
// every case; EXIT and DEINSTALL wait up to `waitMs` for the running
// instance's window (of class `className`: tests use a class of their own).
void ForwardToRunningInstance(CommandWord word, HINSTANCE instance, DWORD waitMs = kForwardWaitMs,
                              const char* className = MAIN_CLASS_NAME, DWORD handOverMs = kHandOverWaitMs);

// The names a start and a command meet by; tests use names of their own.
struct InstanceNames {
  const char* mutex = MUTEX_NAME;
  // Held by EXIT and DEINSTALL while an instance may still be starting.
  const char* endRequest = "KMOrrowinEndRequest";
  const char* windowClass = MAIN_CLASS_NAME;
};

enum class InstanceClaim {
  First,         // this process is the instance and holds the mutex
  Running,       // another process holds it: hand the word over
  EndRequested,  // first, but an EXIT or DEINSTALL waits for it to end
  Failed,        // no mutex could be made
};

// A start that may become the instance. On First `*mutex` is the owned
// mutex; in every other case this process holds no handle to it.
InstanceClaim ClaimInstance(HANDLE* mutex, const InstanceNames& names = {});

// Whether another process of this program's file runs that may still become
// the instance (one that is itself sending EXIT or DEINSTALL never does).
bool OtherStartMayRun();

// EXIT and DEINSTALL: never create or hold the instance mutex. DEINSTALL
// removes the autostart entry in every case. A running instance gets
// MSG_SHUTDOWN, handed over as ForwardToRunningInstance does; while none
// holds the mutex but `startMayRun` says one may be starting, the end
// request is left where that instance looks once it holds the mutex, for at
// most `waitMs`. False when no instance ran and no start could have, and
// now and then when a start took the request and ended before this looked
// again: then DEINSTALL starts one that closes at once, which is harmless.
bool SendEndingWord(CommandWord word, HINSTANCE instance, DWORD waitMs = kForwardWaitMs,
                    const InstanceNames& names = {},
                    const std::function<bool()>& startMayRun = OtherStartMayRun,
                    DWORD handOverMs = kHandOverWaitMs);
