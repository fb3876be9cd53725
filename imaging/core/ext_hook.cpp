// The extension table for plug-ins and the entries it points to.
#include "core/io_managers.h"
#include "core/operation.h"
#include "core/thread_context.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "core/pictura_ext_hook.h"

using namespace Pictura;

#ifdef _WIN32
static_assert(sizeof(PicExtHookTable) == 48, "plug-ins read twelve 32-bit words");
#endif

namespace {

// A plug-in hands back whatever it was given: only managers this library
// made and has not yet freed are used.
CPicIO* Manager(HPICSRC handle) {
  return CPicIO::IsLiveObject(handle) ? CPicIO::FromHandle(handle) : nullptr;
}

}  // namespace

extern "C" {

PicExtHookTable* PICAPI pic_GetExtHook(DWORD callerWord) {
  static const char kName[] = "pic_GetExtHook";
  if (!PicBeginSetter(kName)) return nullptr;
  auto* table =
      static_cast<PicExtHookTable*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(PicExtHookTable)));
  if (!table) {
    PicReportError(kPicErrNoMemory, kName, nullptr);
    return nullptr;
  }
  table->size = sizeof(PicExtHookTable);
  table->callerWord = callerWord;
  table->read = ExtHookRead;
  table->write = ExtHookWrite;
  table->seek = ExtHookSeek;
  table->getPos = ExtHookGetPos;
  table->getSize = ExtHookGetSize;
  table->isEOF = ExtHookIsEOF;
  table->getCallback = ExtHookGetCallback;
  table->getAllocCallbacks = GetFileReadAllocCallbacks;
  table->setLastError = pic_SetLastErrorProxy;
  table->reserved = 0;
  return table;
}

DWORD PICAPI ExtHookRead(HPICSRC io, void* buffer, DWORD count) {
  CPicIO* m = Manager(io);
  if (!m || (!buffer && count)) return 0;
  return m->Read(buffer, count);
}

BOOL PICAPI ExtHookWrite(HPICDEST io, const void* buffer, DWORD count) {
  CPicIO* m = Manager(io);
  return m && m->WriteItems(buffer, count, 1) ? TRUE : FALSE;
}

BOOL PICAPI ExtHookSeek(HPICSRC io, LONG offset, DWORD origin) {
  CPicIO* m = Manager(io);
  return m && m->Seek(offset, origin) ? TRUE : FALSE;
}

BOOL PICAPI ExtHookGetPos(HPICSRC io, DWORD* position) {
  CPicIO* m = Manager(io);
  return m && position && m->GetPos(reinterpret_cast<uint32_t*>(position)) ? TRUE : FALSE;
}

BOOL PICAPI ExtHookGetSize(HPICSRC io, DWORD* size) {
  CPicIO* m = Manager(io);
  return m && size && m->GetSize(reinterpret_cast<uint32_t*>(size)) ? TRUE : FALSE;
}

BOOL PICAPI ExtHookIsEOF(HPICSRC io) {
  CPicIO* m = Manager(io);
  return m && m->IsEOF() ? TRUE : FALSE;
}

ProgressCallback PICAPI ExtHookGetCallback(PIC_USERDATA* user) {
  return pic_GetCallback(user);
}

}  // extern "C"
