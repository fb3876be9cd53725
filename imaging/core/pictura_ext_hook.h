#pragma once
// The extension table for plug-ins: pic_GetExtHook hands out one block of
// entry addresses through which a plug-in reads and writes the library's
// sources and destinations, reads the thread's callbacks and reports errors.
// On win32 the block is twelve 32-bit words (48 bytes); natively the
// addresses are 64 bits wide and the size word says how large it is.

#include "core/picapi.h"
#include "core/pictura_io.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef DWORD(PICAPI* PicExtReadProc)(HPICSRC io, void* buffer, DWORD count);
typedef BOOL(PICAPI* PicExtWriteProc)(HPICDEST io, const void* buffer, DWORD count);
typedef BOOL(PICAPI* PicExtSeekProc)(HPICSRC io, LONG offset, DWORD origin);
typedef BOOL(PICAPI* PicExtGetPosProc)(HPICSRC io, DWORD* position);
typedef BOOL(PICAPI* PicExtGetSizeProc)(HPICSRC io, DWORD* size);
typedef BOOL(PICAPI* PicExtIsEOFProc)(HPICSRC io);
typedef ProgressCallback(PICAPI* PicExtGetCallbackProc)(PIC_USERDATA* user);
typedef BOOL(PICAPI* PicExtGetAllocCallbacksProc)(PicAllocCallback* alloc, PicReallocCallback* realloc,
                                                  PicFreeCallback* release, PIC_USERDATA* user);
typedef void(PICAPI* PicExtSetLastErrorProc)(DWORD code);

typedef struct PicExtHookTable {
  DWORD size; /* of this block */
  DWORD callerWord;
  PicExtReadProc read;
  PicExtWriteProc write;
  PicExtSeekProc seek;
  PicExtGetPosProc getPos;
  PicExtGetSizeProc getSize;
  PicExtIsEOFProc isEOF;
  PicExtGetCallbackProc getCallback;
  PicExtGetAllocCallbacksProc getAllocCallbacks;
  PicExtSetLastErrorProc setLastError;
  DWORD reserved; /* 0 */
} PicExtHookTable;

/* A new table (free it with GlobalFree); null with last error 1 when no
   block could be had. */
PicExtHookTable* PICAPI pic_GetExtHook(DWORD callerWord);

/* The table's entries. A null manager, or one that is already closed and
   freed, gives 0. They report nothing themselves. */
DWORD PICAPI ExtHookRead(HPICSRC io, void* buffer, DWORD count);
BOOL PICAPI ExtHookWrite(HPICDEST io, const void* buffer, DWORD count);
BOOL PICAPI ExtHookSeek(HPICSRC io, LONG offset, DWORD origin);
BOOL PICAPI ExtHookGetPos(HPICSRC io, DWORD* position);
BOOL PICAPI ExtHookGetSize(HPICSRC io, DWORD* size);
BOOL PICAPI ExtHookIsEOF(HPICSRC io);
ProgressCallback PICAPI ExtHookGetCallback(PIC_USERDATA* user);

#ifdef __cplusplus
}
#endif
