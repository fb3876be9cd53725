#pragma once
// The entry pattern of the JPEG and PNG codecs: no thread state -> 0 at
// once; the manager behind the handle is checked (null 5, not open 38);
// the core runs on the codec's own context (whose construction raises the
// nesting depth) and its error word is reported once under the entry's name.
//
//   HGLOBAL PICAPI pic_ReadXYZ(HPICSRC src, ...) {
//     return PicCodecEntry<HGLOBAL>("pic_ReadXYZ", src, [&](uint32_t& err, CPicIO& io) { ... });
//   }

#include <cstdint>

#include "core/io_managers.h"
#include "core/operation.h"

namespace Pictura {

template <class R, class Core>
R PicCodecEntry(const char* name, HPICSRC handle, Core&& core) {
  return PicRunEntry<R>(name, [&](uint32_t& err) -> R {
    CPicIO* io = nullptr;
    err = CheckManager(handle, &io);
    if (err) return R{};
    return core(err, *io);
  });
}

// Entries on a handle of the codec's own (line readers and writers).
template <class R, class T, class Core>
R PicCodecObjectEntry(const char* name, T* object, Core&& core) {
  return PicRunEntry<R>(name, [&](uint32_t& err) -> R {
    if (!object) {
      err = kPicErrBadArgument;
      return R{};
    }
    return core(err, object);
  });
}

}  // namespace Pictura
