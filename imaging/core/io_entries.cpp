// The pic_ entries that make, use and close source and destination managers.
// Each reports 0 under its own name first, then the failure code, if any.
#include <memory>
#include <new>

#include "core/io_managers.h"
#include "core/operation.h"
#include "core/thread_context.h"
#include "core/pictura_io.h"

using namespace Pictura;

namespace {

// Makes a manager of class M, opens it with open(manager); on failure the
// object is deleted and openCode reported.
template <class M, class Open>
HPICSRC OpenManager(const char* name, uint32_t openCode, Open&& open) {
  if (!PicBeginSetter(name)) return nullptr;
  std::unique_ptr<M> m(new (std::nothrow) M);
  if (!m) {
    PicReportError(kPicErrNoMemory, name, nullptr);
    return nullptr;
  }
  if (!open(*m)) {
    PicReportError(openCode, name, nullptr);
    return nullptr;
  }
  return m.release()->Handle();
}

// Runs op on the manager of a non-null handle; a null handle reports 5.
template <class R, class Op>
R WithManager(const char* name, HPICSRC handle, Op&& op) {
  if (!PicBeginSetter(name)) return R{};
  if (!handle) {
    PicReportError(kPicErrBadArgument, name, nullptr);
    return R{};
  }
  return op(*CPicIO::FromHandle(handle));
}

template <class Op>
DWORD CloseManager(const char* name, HPICSRC handle, Op&& measure) {
  return WithManager<DWORD>(name, handle, [&](CPicIO& io) {
    uint32_t n = 0;
    if (!measure(io, &n)) n = 0;
    io.Close();
    delete &io;
    return static_cast<DWORD>(n);
  });
}

}  // namespace

extern "C" {

HPICSRC PICAPI pic_OpenFileSource(const char* path) {
  return OpenManager<CPicIO_File>("pic_OpenFileSource", kPicErrFileOpen,
                                  [&](CPicIO_File& m) { return m.OpenRead(path); });
}

HPICSRC PICAPI pic_OpenFileSourceW(const wchar_t* path) {
  return OpenManager<CPicIO_File>("pic_OpenFileSourceW", kPicErrFileOpen,
                                  [&](CPicIO_File& m) { return m.OpenRead(path); });
}

HPICSRC PICAPI pic_OpenMemorySource(const void* buffer, DWORD size) {
  return OpenManager<CPicIO_Memory>("pic_OpenMemorySource", kPicErrBadArgument,
                                    [&](CPicIO_Memory& m) { return m.OpenRead(buffer, size); });
}

HPICSRC PICAPI pic_OpenUserSource(PicIOOpenProc open, PicIOReadProc read, PicIOSeekProc seek,
                                  PicIOGetPosProc getpos, PicIOGetSizeProc getsize, PicIOEOFProc eof,
                                  PicIOCloseProc close, PIC_USERDATA user) {
  static const char kName[] = "pic_OpenUserSource";
  if (!open || !read || !seek || !getpos || !getsize || !eof || !close) {
    if (PicBeginSetter(kName)) PicReportError(kPicErrBadArgument, kName, nullptr);
    return nullptr;
  }
  return OpenManager<CPicIO_User>(kName, kPicErrBadArgument, [&](CPicIO_User& m) {
    return m.OpenRead(open, read, seek, getpos, getsize, eof, close, user);
  });
}

HPICDEST PICAPI pic_OpenFileDest(const char* path, BOOL append) {
  return OpenManager<CPicIO_File>("pic_OpenFileDest", kPicErrFileOpen,
                                  [&](CPicIO_File& m) { return m.OpenWrite(path, append != 0); });
}

HPICDEST PICAPI pic_OpenFileDestW(const wchar_t* path, BOOL append) {
  return OpenManager<CPicIO_File>("pic_OpenFileDestW", kPicErrFileOpen,
                                  [&](CPicIO_File& m) { return m.OpenWrite(path, append != 0); });
}

HPICDEST PICAPI pic_OpenMemoryDest(void* buffer, DWORD capacity, BOOL append) {
  return OpenManager<CPicIO_Memory>("pic_OpenMemoryDest", kPicErrBadArgument, [&](CPicIO_Memory& m) {
    return m.OpenWrite(buffer, capacity, append != 0);
  });
}

HPICDEST PICAPI pic_OpenDynamicMemoryDest(BOOL append) {
  return OpenManager<CPicIO_DynamicMemory>("pic_OpenDynamicMemoryDest", kPicErrBadArgument,
                                           [&](CPicIO_DynamicMemory& m) { return m.OpenWrite(append != 0); });
}

HPICDEST PICAPI pic_OpenUserDest(PicIOOpenProc open, PicIOWriteProc write, PicIOReadProc read,
                                 PicIOSeekProc seek, PicIOGetPosProc getpos, PicIOGetSizeProc getsize,
                                 PicIOEOFProc eof, PicIOCloseProc close, BOOL append, PIC_USERDATA user) {
  static const char kName[] = "pic_OpenUserDest";
  if (!open || !write || !read || !seek || !getpos || !getsize || !eof || !close) {
    if (PicBeginSetter(kName)) PicReportError(kPicErrBadArgument, kName, nullptr);
    return nullptr;
  }
  return OpenManager<CPicIO_User>(kName, kPicErrBadArgument, [&](CPicIO_User& m) {
    return m.OpenWrite(open, write, read, seek, getpos, getsize, eof, close, user, append != 0);
  });
}

HPICDEST PICAPI pic_OpenNullDest(DWORD flags) {
  return OpenManager<CPicIO_Null>("pic_OpenNullDest", kPicErrFileOpen,
                                  [&](CPicIO_Null& m) { return m.OpenWrite(flags); });
}

#ifdef _WIN32
HPICSRC PICAPI pic_OpenHandleSource(HANDLE file) {
  return OpenManager<CPicIO_UserHandle>("pic_OpenHandleSource", kPicErrFileOpen,
                                        [&](CPicIO_UserHandle& m) { return m.OpenRead(file); });
}

HPICDEST PICAPI pic_OpenHandleDest(HANDLE file, BOOL append) {
  return OpenManager<CPicIO_UserHandle>("pic_OpenHandleDest", kPicErrFileOpen,
                                        [&](CPicIO_UserHandle& m) { return m.OpenWrite(file, append != 0); });
}
#endif

DWORD PICAPI pic_Read(HPICSRC handle, void* buffer, DWORD count) {
  return WithManager<DWORD>("pic_Read", handle, [&](CPicIO& io) { return io.Read(buffer, count); });
}

BOOL PICAPI pic_Write(HPICDEST handle, const void* buffer, DWORD count) {
  return WithManager<BOOL>("pic_Write", handle,
                           [&](CPicIO& io) { return io.Write(buffer, count) ? TRUE : FALSE; });
}

BOOL PICAPI pic_Seek(HPICSRC handle, LONG offset, DWORD whence) {
  return WithManager<BOOL>("pic_Seek", handle,
                           [&](CPicIO& io) { return io.Seek(offset, whence) ? TRUE : FALSE; });
}

BOOL PICAPI pic_GetPos(HPICSRC handle, DWORD* position) {
  static const char kName[] = "pic_GetPos";
  return WithManager<BOOL>(kName, position ? handle : nullptr, [&](CPicIO& io) {
    return io.GetPos(reinterpret_cast<uint32_t*>(position)) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_GetSize(HPICSRC handle, DWORD* size) {
  static const char kName[] = "pic_GetSize";
  return WithManager<BOOL>(kName, size ? handle : nullptr, [&](CPicIO& io) {
    return io.GetSize(reinterpret_cast<uint32_t*>(size)) ? TRUE : FALSE;
  });
}

BOOL PICAPI pic_EOF(HPICSRC handle) {
  return WithManager<BOOL>("pic_EOF", handle, [&](CPicIO& io) { return io.IsEOF() ? TRUE : FALSE; });
}

BOOL PICAPI pic_IsValidManager(HPICSRC handle) {
  if (!PicBeginSetter("pic_IsValidManager")) return FALSE;
  // Only objects this library made and has not yet deleted are looked at.
  if (!CPicIO::IsLiveObject(handle)) return FALSE;
  CPicIO* io = CPicIO::FromHandle(handle);
  uint32_t type = io->Type();
  return type >= kPicIOFile && type <= kPicIODynamicMemory && io->IsValid() ? TRUE : FALSE;
}

DWORD PICAPI pic_CloseSource(HPICSRC handle) {
  return CloseManager("pic_CloseSource", handle, [](CPicIO& io, uint32_t* n) { return io.GetPos(n); });
}

DWORD PICAPI pic_CloseDest(HPICDEST handle) {
  return CloseManager("pic_CloseDest", handle, [](CPicIO& io, uint32_t* n) { return io.GetSize(n); });
}

}  // extern "C"
