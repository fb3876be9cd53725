// The pic_ entries of the PNM codec.
#include "codecs/pnm/pictura_pnm.h"
#include "codecs/pnm/pnm_codec.h"
#include "core/format_entry.h"

using namespace Pictura;

namespace {

uint32_t* U32(DWORD* p) {
  return reinterpret_cast<uint32_t*>(p);
}

}  // namespace

extern "C" {

BOOL PICAPI pic_GetPNMDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* magic, DWORD* maxval, DWORD) {
  return PicFormatEntry<BOOL>("pic_GetPNMDims", src, [&](uint32_t& err, CPicIO& io) -> BOOL {
    if (!width || !height || !magic || !maxval) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    return ReadPNMDims(&err, io, U32(width), U32(height), U32(maxval), U32(magic));
  });
}

HGLOBAL PICAPI pic_ReadPNM(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, DWORD flags) {
  return PicFormatEntry<HGLOBAL>("pic_ReadPNM", src, [&](uint32_t& err, CPicIO& io) -> HGLOBAL {
    if (!width || !height) {
      err = kPicErrBadArgument;
      return nullptr;
    }
    return ReadPNMImage(&err, io, U32(width), U32(height), depth, flags);
  });
}

DWORD PICAPI pic_WritePNM(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, LONG maxval, DWORD flags) {
  return PicFormatEntry<DWORD>("pic_WritePNM", dest, [&](uint32_t& err, CPicIO& io) -> DWORD {
    return WritePNMImage(&err, io, image, width, height, static_cast<int32_t>(maxval), depth, rowStride,
                         flags);
  });
}

}  // extern "C"

// ---- Generic reader ------------------------------------------------------------

namespace {

uint32_t DetectPnm(HPICSRC src, PicGenericDetect* detected) {
  DWORD width = 0, height = 0, magic = 0, maxval = 0;
  if (!pic_GetPNMDims(src, &width, &height, &magic, &maxval, 0)) return 0;
  const uint32_t family = (magic - kPnmP1) % 3;
  detected->depth = family == 0 ? 1 : family == 1 ? 8 : 24;
  detected->direct1Bit = family == 0;
  return 0;
}

// One output of a PNM file: bits (1 white, like every 1-bit picture of the
// generic reader), grey indices with a grey ramp, R, G, B, or the DIB.
uint32_t ReadPnm(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  DWORD w = 0, h = 0;
  const DWORD depth = output == kGenericOut1Bit ? 1 : output == kGenericOut8Bit ? 8 : 24;
  image->pixels =
      pic_ReadPNM(src, &w, &h, output == kGenericOutDIB ? 0 : depth, output == kGenericOutDIB ? 2 : 0);
  image->width = w;
  image->height = h;
  if (output == kGenericOut1Bit) {
    image->palette[0] = RGBQUAD{0, 0, 0, 0};
    image->palette[1] = RGBQUAD{255, 255, 255, 0};
    if (image->pixels) {
      const size_t row = (size_t{w} + 7) / 8;
      auto* bits = static_cast<uint8_t*>(image->pixels);
      for (size_t y = 0; y < h; ++y)
        for (size_t i = 0; i < row; ++i) {
          const bool last = i + 1 == row && (w & 7);
          bits[y * row + i] = static_cast<uint8_t>(~bits[y * row + i] & (last ? 0xFF00u >> (w & 7) : 0xFFu));
        }
    }
  } else if (output == kGenericOut8Bit) {
    for (int i = 0; i < 256; ++i) image->palette[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  }
  return PicGetLastError();
}

}  // namespace

namespace Pictura {
const PicGenericCodec kPbmGenericCodec = {"PBM", kGenericOut1Bit | kGenericOutDIB, false, DetectPnm, ReadPnm};
const PicGenericCodec kPgmGenericCodec = {"PGM", kGenericOut8Bit | kGenericOutDIB, false, DetectPnm, ReadPnm};
const PicGenericCodec kPpmGenericCodec = {"PPM", kGenericOut24Bit | kGenericOutDIB, false, DetectPnm,
                                          ReadPnm};
}  // namespace Pictura
