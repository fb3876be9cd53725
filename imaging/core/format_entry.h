#pragma once
// The pattern of every per-format pic_ entry (readers, writers, dimension
// and palette queries of each codec):
//
//   HGLOBAL PICAPI pic_ReadXYZ(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, DWORD flags) {
//     return PicFormatEntry<HGLOBAL>("pic_ReadXYZ", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
//       if (!width || !height) { err = kPicErrBadArgument; return nullptr; }   // required outs
//       if (depth != 8 && depth != 24) { err = kPicErrBadArgument; return nullptr; }  // nothing read
//       return ReadXYZCore(&err, io, width, height, depth, flags);
//     });
//   }
//
// PicFormatEntry: no thread state -> 0 at once; a null handle -> 5; a
// manager that is not open -> 38; else the core runs with the nesting depth
// raised (so its row loops report progress only when the entry is the
// outermost operation); exceptions become codes; the error word is reported
// once under the entry's name. Entries on a handle of their own (line
// readers and writers) use PicObjectEntry with the same rules.

#include <cstdint>

#include "core/io_managers.h"
#include "core/operation.h"
#include "core/thread_context.h"

namespace Pictura {

template <class R, class Core>
R PicFormatEntry(const char* name, HPICSRC handle, Core&& core) {
  return PicRunEntry<R>(name, [&](uint32_t& err) -> R {
    CPicIO* io = nullptr;
    err = CheckManager(handle, &io);
    if (err) return R{};
    PicNestingScope depth;
    return core(err, *io);
  });
}

template <class R, class T, class Core>
R PicObjectEntry(const char* name, T* object, Core&& core) {
  return PicRunEntry<R>(name, [&](uint32_t& err) -> R {
    if (!object) {
      err = kPicErrBadArgument;
      return R{};
    }
    PicNestingScope depth;
    return core(err, *object);
  });
}

}  // namespace Pictura
