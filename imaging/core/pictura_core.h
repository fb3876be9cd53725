#pragma once
// pic_ entries of the library frame: per-thread callbacks and last error,
// library start and shutdown, pool and processor settings, version.

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Library start and stop: once at program start, once after the message loop.
   pic_InitializeEx flags bit 0 keeps the worker pool stopped. */
BOOL PICAPI pic_Initialize(void* reserved);
BOOL PICAPI pic_InitializeEx(void* reserved, DWORD flags);
void PICAPI PicLibraryShutdown(void);

/* Last error of the calling thread (0 = the last call succeeded; 55 when the
   thread can have no library state at all). Read it before the next call. */
DWORD PICAPI PicGetLastError(void);
/* Warnings the codecs gave on the calling thread so far (a cut-off JPEG
   decodes to its end with code 0 and one warning). The count only grows:
   read it before and after a read to see whether that read warned. */
DWORD PICAPI pic_GetCodecWarningCount(void);
void PICAPI pic_SetLastErrorProxy(DWORD code);
void PICAPI PicReportErrorEntry(DWORD code, const char* function);

/* Callbacks of the calling thread. */
BOOL PICAPI pic_SetCallback(ProgressCallback callback, PIC_USERDATA user);
ProgressCallback PICAPI pic_GetCallback(PIC_USERDATA* user);
BOOL PICAPI SetErrorCallback(ErrorCallback callback, PIC_USERDATA user);
BOOL PICAPI pic_SetFileReadAllocCallbacks(PicAllocCallback alloc, PicReallocCallback realloc,
                                          PicFreeCallback release, PIC_USERDATA user);
BOOL PICAPI GetFileReadAllocCallbacks(PicAllocCallback* alloc, PicReallocCallback* realloc,
                                      PicFreeCallback* release, PIC_USERDATA* user);

/* The thread's recent error texts, oldest first, each ending in a line feed,
   in one GlobalAlloc block (free with GlobalFree); null and 0 when empty. */
void PICAPI GetDebugMessagesEntry(void** text, DWORD* size);
BOOL PICAPI pic_DumpJPGOutComments(const char* label);
BOOL PICAPI pic_SetDebugMessageLevel(DWORD level);

/* Process-wide settings; pool settings take effect when the pool starts. */
void PICAPI SetPoolThreadCount(DWORD count);     /* 2 to 255 */
void PICAPI SetThreadsPerOperation(DWORD count); /* 1 to 255 */
void PICAPI SetPoolWaitTimeout(DWORD milliseconds);
void PICAPI SetPoolPollInterval(DWORD milliseconds);
void PICAPI SetCpuFeaturesDisabled(DWORD disabled);
DWORD PICAPI GetCpuFeature(DWORD index);

/* "PIC 1.0.15.9", zero-padded to 20 characters. */
BOOL PICAPI pic_GetPicturaVersion(char* buffer);

void PICAPI PicMemcpy(void* destination, const void* source, DWORD count);
void PICAPI SwapBytes32Entry(void* value);
void PICAPI SwapBytePairEntry(void* value);

#ifdef __cplusplus
}
#endif
