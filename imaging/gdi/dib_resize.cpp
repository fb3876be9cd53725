// pic_ResizeDIB: the GDI-facing face of the packed-DIB resize in resample.
#include "core/operation.h"
#include "gdi/pictura_gdi.h"
#include "resample/lowcolor_resize.h"

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_ResizeDIB(const void* dib, DWORD outWidth, DWORD outHeight, HGLOBAL* result, DWORD mode,
                          DWORD flags) {
  if (result) *result = nullptr;
  return PicRunEntry<BOOL>("pic_ResizeDIB", [&](uint32_t& err) -> BOOL {
    return ResizeDIBCore(&err, dib, outWidth, outHeight, result, mode, flags) != 0;
  });
}

}  // extern "C"
