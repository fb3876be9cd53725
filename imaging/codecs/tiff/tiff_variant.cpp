// Tag queries answered as OLE automation VARIANTs (Windows only).
#ifdef _WIN32
#include <cstring>
#include <vector>

#include "codecs/codec_support.h"
#include "codecs/tiff/pictura_tiff.h"
#include "codecs/tiff/tiff_codec.h"
#include "core/format_entry.h"

namespace Pictura {
namespace {

// A text tag as a BSTR (through the process code page).
bool SetText(uint32_t* err, const char* text, VARIANT* out) {
  out->vt = VT_BSTR;
  out->bstrVal = nullptr;
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::vector<wchar_t> wide(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
  out->bstrVal = SysAllocString(wide.data());
  if (!out->bstrVal) *err = kPicErrNoMemory;
  return out->bstrVal != nullptr;
}

}  // namespace

// Each tag is read with the type libtiff gives it.
int GetTIFFTagVariant(uint32_t* err, TIFFReaderHandle* handle, uint32_t tag, VARIANT* out) {
  if (!handle || !handle->tif || !out) return PicFail<int>(err, kPicErrBadArgument);
  TIFF* tif = handle->tif;
  auto missing = [&] { return PicFail<int>(err, kPicErrTIFFTagUnreadable); };
  switch (tag) {
    case TIFFTAG_IMAGEWIDTH:
    case TIFFTAG_IMAGELENGTH:
    case TIFFTAG_ROWSPERSTRIP:
    case TIFFTAG_TILEWIDTH:
    case TIFFTAG_TILELENGTH: {
      out->vt = VT_UI4;
      uint32_t v = 0;
      if (!TIFFGetField(tif, tag, &v)) return missing();
      out->ulVal = v;
      return 1;
    }
    case TIFFTAG_BITSPERSAMPLE:
    case TIFFTAG_COMPRESSION:
    case TIFFTAG_PHOTOMETRIC:
    case TIFFTAG_ORIENTATION:
    case TIFFTAG_RESOLUTIONUNIT:
    case TIFFTAG_NUMBEROFINKS:
    case TIFFTAG_INKSET: {
      out->vt = tag == TIFFTAG_INKSET ? VT_UI4 : VT_UI2;
      uint16_t v = 0;
      if (!TIFFGetField(tif, tag, &v)) return missing();
      if (tag == TIFFTAG_INKSET)
        out->ulVal = v;
      else
        out->uiVal = v;
      return 1;
    }
    case TIFFTAG_XRESOLUTION:
    case TIFFTAG_YRESOLUTION: {
      out->vt = VT_R4;
      float v = 0;
      if (!TIFFGetField(tif, tag, &v)) return missing();
      out->fltVal = v;
      return 1;
    }
    case TIFFTAG_SOFTWARE:
    case TIFFTAG_INKNAMES: {
      out->vt = VT_BSTR;
      out->bstrVal = nullptr;
      const char* text = nullptr;
      if (!TIFFGetField(tif, tag, &text) || !text) return missing();
      return SetText(err, text, out) ? 1 : 0;
    }
    case TIFFTAG_EXTRASAMPLES: {
      out->vt = VT_ARRAY | VT_UI2;
      out->parray = nullptr;
      uint16_t count = 0;
      uint16_t* values = nullptr;
      if (!TIFFGetField(tif, tag, &count, &values)) return missing();
      SAFEARRAY* array = SafeArrayCreateVector(VT_UI2, 0, count);
      if (!array) return PicFail<int>(err, kPicErrNoMemory);
      void* data = nullptr;
      if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
        if (count) std::memcpy(data, values, size_t{count} * 2);
        SafeArrayUnaccessData(array);
      }
      out->parray = array;
      return 1;
    }
    case TIFFTAG_EXIFIFD: {
      out->vt = VT_UI4;
      const TIFFField* field = TIFFFindField(tif, tag, TIFF_ANY);
      if (!field) return missing();
      uint64_t v = 0;
      int found = 0;
      if (TIFFFieldSetGetSize(field) == 8) {
        found = TIFFGetField(tif, tag, &v);
      } else {
        uint32_t v32 = 0;
        found = TIFFGetField(tif, tag, &v32);
        v = v32;
      }
      if (!found) return missing();
      out->ulVal = static_cast<ULONG>(v);
      return 1;
    }
    default:
      out->vt = VT_NULL;
      return missing();
  }
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_GetTIFFTagVariant_TR(HPICTIFFREADER reader, DWORD tag, VARIANT* value) {
  return PicObjectEntry<BOOL>("pic_GetTIFFTagVariant_TR", reinterpret_cast<TIFFReaderHandle*>(reader),
                              [&](uint32_t& err, TIFFReaderHandle& r) {
                                return GetTIFFTagVariant(&err, &r, tag, value) ? TRUE : FALSE;
                              });
}

BOOL PICAPI pic_GetTIFFTagVariant(HPICSRC src, DWORD page, DWORD tag, VARIANT* value) {
  return PicFormatEntry<BOOL>("pic_GetTIFFTagVariant", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    TIFFReaderHandle* r = OpenTIFFReader(&err, &io, page, 0);
    if (!r) return FALSE;
    const int ok = GetTIFFTagVariant(&err, r, tag, value);
    CloseTIFFReader(r);
    return ok ? TRUE : FALSE;
  });
}

}  // extern "C"
#endif  // _WIN32
