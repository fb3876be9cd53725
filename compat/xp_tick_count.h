// GetTickCount64 for Windows XP (see xp_tick_count.c).
#pragma once
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Widens a 32-bit tick count read at `now` by the wraps `state` has counted
// (high half: wraps, low half: the last count seen); safe across threads as
// long as some thread asks at least once every 49 days.
ULONGLONG WayluneWidenTickCount(volatile LONGLONG* state, DWORD now);

#ifdef __cplusplus
}
#endif
