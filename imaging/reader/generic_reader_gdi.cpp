// The HBITMAP form of pic_ReadImage.
#include "gdi/dib_gdi.h"
#include "reader/generic_codecs.h"
#include "reader/generic_reader.h"
#include "core/allocators.h"
#include "core/metafile_geometry.h"
#include "core/operation.h"
#include "core/pictura_io.h"
#include "reader/pictura_read.h"

using namespace Pictura;

HBITMAP PICAPI pic_ReadImage(HPICSRC src, DWORD, DWORD, DWORD) {
  static const char kName[] = "pic_ReadImage";
  if (!PicBeginSetter(kName)) return nullptr;
  return PicRunEntry<HBITMAP>(kName, [&](uint32_t& err) -> HBITMAP {
    CPicGenericReadBase reader;
    if (!src) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    uint32_t w = 0, h = 0;
    HGLOBAL dib = reader.ReadAsDIB(src, &w, &h, &err);
    if (!dib) {
      if (err == 0) err = kPicErrUnexpected;
      return nullptr;
    }
    err = 0;
    ScopedGlobal owned(dib);
    HBITMAP bitmap = DIBToHBITMAP(&err, dib, nullptr, nullptr);
    if (!bitmap && err == 0) err = kPicErrUnexpected;
    return bitmap;
  });
}
