#include "core/allocators.h"

namespace Pictura {

void FreeGlobalHandle(HGLOBAL* handle) {
  if (handle && *handle) {
    GlobalFree(*handle);
    *handle = nullptr;
  }
}

}  // namespace Pictura
