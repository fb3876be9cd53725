// Debian's mingw-w64 thread library times its waits with GetTickCount64,
// which the kernel32 of Windows XP lacks: importing it keeps the program from
// starting there. This file defines the import slot itself, so the linker
// takes no import from kernel32 for it; the slot leads to the real function
// where Windows has one and to GetTickCount widened to 64 bits where not.
#include <windows.h>

#include "compat/xp_tick_count.h"

static ULONGLONG WINAPI FirstTickCount64(void);

// The name the thread library's object code calls through.
ULONGLONG(WINAPI* TickCount64Slot)(void) __asm__("__imp__GetTickCount64@0") = FirstTickCount64;

ULONGLONG WayluneWidenTickCount(volatile LONGLONG* state, DWORD now) {
  for (;;) {
    LONGLONG seen = __atomic_load_n(state, __ATOMIC_SEQ_CST);
    ULONGLONG wraps = (ULONGLONG)seen >> 32;
    if (now < (DWORD)seen) ++wraps;
    LONGLONG next = (LONGLONG)((wraps << 32) | now);
    // Another thread moved on meanwhile: read its state and the clock again.
    if (__atomic_compare_exchange_n(state, &seen, next, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST))
      return (ULONGLONG)next;
    now = GetTickCount();
  }
}

static volatile LONGLONG g_widened;

static ULONGLONG WINAPI WidenedTickCount64(void) {
  return WayluneWidenTickCount(&g_widened, GetTickCount());
}

static ULONGLONG WINAPI FirstTickCount64(void) {
  ULONGLONG(WINAPI * real)
  (void) = (ULONGLONG(WINAPI*)(void))(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                    "GetTickCount64");
  ULONGLONG(WINAPI * chosen)(void) = real ? real : WidenedTickCount64;
  __atomic_store_n(&TickCount64Slot, chosen, __ATOMIC_SEQ_CST);
  return chosen();
}
