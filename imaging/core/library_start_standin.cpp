// TEMPORARY: see library_start_standin.h.
#include "core/library_start_standin.h"
extern "C" {
BOOL __stdcall pic_Initialize(void*) { return TRUE; }
void __stdcall PicLibraryShutdown(void) {}
}
