#pragma once
// TEMPORARY stand-in declarations of the library start and stop, so the
// program links before the library core lands. The core replaces this file
// and library_start_standin.cpp with its real entries (delete both then).
#include <windows.h>
extern "C" {
BOOL __stdcall pic_Initialize(void* reserved);
void __stdcall PicLibraryShutdown(void);
}
