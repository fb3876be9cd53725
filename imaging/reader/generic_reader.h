#pragma once
// The generic reader behind pic_ReadImage: detection, the depth paths and
// the derived outputs (see core/generic_codec.h for what a codec supplies).

#include <cstdint>

#include "reader/generic_codecs.h"
#include "core/io_managers.h"
#include "core/picapi.h"
#include "core/wintypes.h"

namespace Pictura {

class CPicGenericReadBase {
 public:
  // While the object lives the thread's allocation callbacks are off, so
  // every result is a GlobalAlloc block; the destructor puts them back.
  CPicGenericReadBase();
  virtual ~CPicGenericReadBase();
  CPicGenericReadBase(const CPicGenericReadBase&) = delete;
  CPicGenericReadBase& operator=(const CPicGenericReadBase&) = delete;

  // The source's format (PicReadFormat) and natural depth; the source is
  // rewound. 5 for an unknown format, 45 for one without a codec.
  uint32_t Detect(HPICSRC src, uint32_t* format, uint32_t* depth);
  // Reads at a depth (0: the natural one); the image stays in the object.
  uint32_t Read(HPICSRC src, uint32_t wanted);
  uint32_t ReadAs1Bit(HPICSRC src, uint32_t format);
  uint32_t ReadAs8Bit(HPICSRC src, uint32_t format);
  uint32_t ReadAs24Bit(HPICSRC src, uint32_t format);
  uint32_t ReadAs32Bit(HPICSRC src, uint32_t format);
  // A packed DIB; code gets the outcome.
  HGLOBAL ReadAsDIB(HPICSRC src, uint32_t* width, uint32_t* height, uint32_t* code);

  // Frees a held image.
  void Reset();
  // Hands the held image to the caller.
  HGLOBAL Take();

  uint32_t error = 0;
  HGLOBAL image = nullptr;
  uint32_t depth = 0;
  uint32_t height = 0;
  uint32_t width = 0;
  RGBQUAD palette[256] = {};

 private:
  uint32_t ReadAs1BitViaGray(HPICSRC src, uint32_t format);
  uint32_t Native(HPICSRC src, uint32_t format, PicGenericOutput output, PicGenericImage* out);
  uint32_t Hold(const PicGenericImage& from, uint32_t bits);
  // The codec's own read of an output, held at bits; false when it has none.
  bool ReadNativeAs(HPICSRC src, uint32_t format, PicGenericOutput output, uint32_t bits, uint32_t* code);

  bool direct1Bit_ = false;
  PicAllocCallback savedAlloc_ = nullptr;
  PicReallocCallback savedRealloc_ = nullptr;
  PicFreeCallback savedFree_ = nullptr;
  PIC_USERDATA savedUser_ = 0;
};

}  // namespace Pictura
