#pragma once
// What a codec supplies to the generic reader (pic_ReadImage, reader/).
//
// The generic reader guesses a source's format, asks that format's codec
// for the image's natural depth, and reads what the caller wants: 24-bit
// RGB, 32-bit RGBA, 1 bit per pixel or a packed DIB. A codec only reads the
// outputs it has natively and says so in `outputs`; the reader derives the
// rest (24 from 8 or 1 bit through the palette, 32 from 24 with alpha 255 or
// from 8 bits with a transparent index, 1 bit through grey and Otsu's
// threshold). A format without a codec in the table is refused with 45.
//
// Adding a codec (say PNG):
//  1. In the codec's folder define
//       const PicGenericCodec kPngGenericCodec = {"PNG", kGenericOut1Bit | kGenericOut8Bit | ...,
//                                                 false, DetectPng, ReadPng};
//     DetectPng fills the natural depth (and direct1Bit when a 1-bit read is
//     exact); ReadPng calls the format's own pic_ entries (they report under
//     their own names) and returns the code they left (PicGetLastError()).
//     Declare it (extern) in the codec's own header.
//  2. Put its address into the table in reader/generic_codecs.cpp in place
//     of the nullptr of its format.

#include <cstdint>

#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "core/wintypes.h"

namespace Pictura {

// The generic reader's own format index.
enum PicReadFormat : uint32_t {
  kReadJPEG = 0,
  kReadBMP = 1,
  kReadGIF = 2,
  kReadPCX = 3,
  kReadPNG = 4,
  kReadTIFF = 5,
  kReadTGA = 6,
  kReadWMF = 7,
  kReadEMF = 8,
  kReadPSD = 9,
  kReadWBMP = 10,
  kReadTLA = 11,    // "TLAU" form or a ".tla" name
  kReadTLA01 = 12,  // "TLA" 0x01 form: not read
  kReadPCD = 13,
  kReadPBM = 14,
  kReadPGM = 15,
  kReadPPM = 16,
  kReadUnknown = 17,
};
constexpr uint32_t kReadFormatCount = 17;

enum PicGenericOutput : uint32_t {
  kGenericOut1Bit = 1,   // (width + 7) / 8 bytes a row, palette entries 0 and 1
  kGenericOut8Bit = 2,   // one palette index a pixel
  kGenericOut24Bit = 4,  // R, G, B
  kGenericOut32Bit = 8,  // R, G, B, A
  kGenericOutDIB = 16,   // a PicPackedDIB
};

struct PicGenericImage {
  HGLOBAL pixels = nullptr;  // GlobalAlloc block, rows top-down without padding
  uint32_t width = 0;
  uint32_t height = 0;
  RGBQUAD palette[256] = {};
  int32_t transparentIndex = -1;  // 8 bits: the index shown transparent at 32 bits
};

struct PicGenericDetect {
  uint32_t depth = 24;      // 1, 4, 8, 24 or 32
  bool direct1Bit = false;  // a 1-bit read gives the file's own pixels
};

struct PicGenericCodec {
  const char* name;
  uint32_t outputs;    // PicGenericOutput bits read natively
  bool alphaFrom8Bit;  // 32 bits come from the 8-bit read and its transparent index
  // 0, or a code that ends the detection (a failed query leaves depth 24 and
  // 0: the read then reports the file's fault).
  uint32_t (*detect)(HPICSRC source, PicGenericDetect* detected);
  // One native output from the start of the source; returns the code the
  // format's entry left. The image may be set also with a non-zero code (the
  // rows read before a failure).
  uint32_t (*read)(HPICSRC source, PicGenericOutput output, PicGenericImage* image);
};

// The read of a codec whose pic_ entry takes (depth, palette, flags): every
// output from that entry at its own depth, the DIB with the entry's own flag.
template <class Entry>
uint32_t ReadAtEachDepth(Entry entry, uint32_t dibFlag, HPICSRC src, PicGenericOutput output,
                         PicGenericImage* image) {
  DWORD w = 0, h = 0;
  switch (output) {
    case kGenericOut1Bit:
      image->pixels = entry(src, &w, &h, 1, image->palette, 0);
      break;
    case kGenericOut8Bit:
      image->pixels = entry(src, &w, &h, 8, image->palette, 0);
      break;
    case kGenericOut24Bit:
      image->pixels = entry(src, &w, &h, 24, nullptr, 0);
      break;
    case kGenericOut32Bit:
      image->pixels = entry(src, &w, &h, 32, nullptr, 0);
      break;
    case kGenericOutDIB:
      image->pixels = entry(src, &w, &h, 24, nullptr, dibFlag);
      break;
  }
  image->width = w;
  image->height = h;
  return PicGetLastError();
}

}  // namespace Pictura
