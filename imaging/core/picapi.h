#pragma once
// Calling convention and callback types of the pic_ entries. Every entry and
// every user callback uses the Windows standard calling convention on win32
// (the callee removes its arguments); natively the macro is empty.

#include <cstdint>

#include "core/wintypes.h"

#ifdef _WIN32
#define PICAPI __stdcall
#else
#define PICAPI
#endif

// User data handed back to callbacks: 32 bits on win32, wide enough for a
// pointer natively (pool jobs pass their record through it).
typedef uintptr_t PIC_USERDATA;

// Progress: (done, total, user data); FALSE stops the operation with code 14.
typedef BOOL(PICAPI* ProgressCallback)(DWORD done, DWORD total, PIC_USERDATA user);
// Errors: (code, entry name, user data); called for every non-zero report.
typedef void(PICAPI* ErrorCallback)(DWORD code, const char* function, PIC_USERDATA user);
// Result buffers of the readers, when a thread installs its own allocator.
typedef void*(PICAPI* PicAllocCallback)(DWORD size, PIC_USERDATA user);
typedef void*(PICAPI* PicReallocCallback)(void* block, DWORD size, PIC_USERDATA user);
typedef DWORD(PICAPI* PicFreeCallback)(void* block, PIC_USERDATA user);
