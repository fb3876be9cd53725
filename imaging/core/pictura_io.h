#pragma once
// pic_ entries of sources and destinations: every reader reads from an
// HPICSRC and every writer writes to an HPICDEST. Both are the same opaque
// handle (a manager opened for reading or for writing), so a destination can
// be read back through the same entries.
//
// Open entries return null on failure (last error 1 no memory, 2 the file or
// handle could not be opened, 5 a bad argument). The close entries return the
// position reached (sources) or the size written (destinations).

#include "core/picapi.h"

typedef struct HPICIO__* HPICSRC;
typedef struct HPICIO__* HPICDEST;

/* Callbacks of a user manager; each returns non-zero on success (read: the
   bytes read; eof: non-zero at the end). whence: 0 start, 1 current, 2 end. */
typedef BOOL(PICAPI* PicIOOpenProc)(PIC_USERDATA user);
typedef DWORD(PICAPI* PicIOReadProc)(void* buffer, DWORD count, PIC_USERDATA user);
typedef BOOL(PICAPI* PicIOWriteProc)(const void* buffer, DWORD count, PIC_USERDATA user);
typedef BOOL(PICAPI* PicIOSeekProc)(LONG offset, DWORD whence, PIC_USERDATA user);
typedef BOOL(PICAPI* PicIOGetPosProc)(PIC_USERDATA user, DWORD* position);
typedef BOOL(PICAPI* PicIOGetSizeProc)(PIC_USERDATA user, DWORD* size);
typedef BOOL(PICAPI* PicIOEOFProc)(PIC_USERDATA user);
typedef BOOL(PICAPI* PicIOCloseProc)(PIC_USERDATA user);

#ifdef __cplusplus
extern "C" {
#endif

/* Sources */
HPICSRC PICAPI pic_OpenFileSource(const char* path);
HPICSRC PICAPI pic_OpenFileSourceW(const wchar_t* path);
HPICSRC PICAPI pic_OpenMemorySource(const void* buffer, DWORD size);
HPICSRC PICAPI pic_OpenUserSource(PicIOOpenProc open, PicIOReadProc read, PicIOSeekProc seek,
                                  PicIOGetPosProc getpos, PicIOGetSizeProc getsize, PicIOEOFProc eof,
                                  PicIOCloseProc close, PIC_USERDATA user);

/* Destinations. append: a file destination keeps the file's contents and
   writes after them. A dynamic memory destination grows as it is written;
   read the data back (pic_Seek to 0, pic_Read) before closing it. A null
   destination only counts; with flags bit 0 reads from it give zero bytes. */
HPICDEST PICAPI pic_OpenFileDest(const char* path, BOOL append);
HPICDEST PICAPI pic_OpenFileDestW(const wchar_t* path, BOOL append);
HPICDEST PICAPI pic_OpenMemoryDest(void* buffer, DWORD capacity, BOOL append);
HPICDEST PICAPI pic_OpenDynamicMemoryDest(BOOL append);
HPICDEST PICAPI pic_OpenUserDest(PicIOOpenProc open, PicIOWriteProc write, PicIOReadProc read,
                                 PicIOSeekProc seek, PicIOGetPosProc getpos, PicIOGetSizeProc getsize,
                                 PicIOEOFProc eof, PicIOCloseProc close, BOOL append, PIC_USERDATA user);
HPICDEST PICAPI pic_OpenNullDest(DWORD flags);

#ifdef _WIN32
/* A caller's Win32 file handle; it stays open after pic_Close*. */
HPICSRC PICAPI pic_OpenHandleSource(HANDLE file);
HPICDEST PICAPI pic_OpenHandleDest(HANDLE file, BOOL append);
#endif

/* One operation of a manager; a null handle (or out pointer) gives 5. */
DWORD PICAPI pic_Read(HPICSRC handle, void* buffer, DWORD count);
BOOL PICAPI pic_Write(HPICDEST handle, const void* buffer, DWORD count);
BOOL PICAPI pic_Seek(HPICSRC handle, LONG offset, DWORD whence);
BOOL PICAPI pic_GetPos(HPICSRC handle, DWORD* position);
BOOL PICAPI pic_GetSize(HPICSRC handle, DWORD* size);
BOOL PICAPI pic_EOF(HPICSRC handle);

/* 1 when the handle is a live, open manager of this library. */
BOOL PICAPI pic_IsValidManager(HPICSRC handle);

/* Close and free; the handle is gone afterwards. */
DWORD PICAPI pic_CloseSource(HPICSRC handle);
DWORD PICAPI pic_CloseDest(HPICDEST handle);

#ifdef __cplusplus
}
#endif
