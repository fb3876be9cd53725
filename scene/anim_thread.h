#pragma once
// The animation thread: one scene at a time, one script call per tick.

#include <windows.h>

int StartAnimThread();
HANDLE AnimThreadHandle();
int CanAnimateNow();
