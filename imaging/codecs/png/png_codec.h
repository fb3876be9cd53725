#pragma once
// The PNG codec's cores over libpng: dimensions and palette, the readers of
// each output form, text chunks, the ICC profile, the line reader and the
// writers. Each core runs on a PNGCodecContext and leaves its code in its
// error word (0 on success).

#include <cstdint>
#include <string>
#include <vector>

#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "codecs/png/png_bridge.h"
#include "core/allocators.h"
#include "core/codec_contexts.h"
#include "core/numeric.h"
#include "core/thread_context.h"

namespace Pictura {

// Read flags.
enum : uint32_t {
  kPNGReadGamma = 1,      // gamma correction
  kPNGReadDIB = 2,        // a packed DIB
  kPNGReadGray16 = 4,     // depth 16: grey at 16 bits instead of grey and alpha
  kPNGReadBGRPadded = 8,  // rows blue-green-red, padded to 4 bytes
};

// Write flags.
enum : uint32_t {
  kPNGWriteInterlace = 1,     // Adam7 (whole-image writer only)
  kPNGWritePaletteAlpha = 2,  // the palette's reserved bytes as tRNS alpha
  kPNGWriteBottomUp = 4,
  kPNGWriteBGR = 8,
  kPNGWriteNoTime = 16,
};

// The operation object of the PNG cores (the entry raises the nesting depth
// while a core runs on it).
struct PNGCodecContext {
  uint32_t error = 0;
  PicIntResolution resolution{1, 1, 0};  // written as pHYs
};

// Samples a pixel of a PNG colour type.
inline uint32_t PNGChannels(uint32_t colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;
  }
}

// Stores a code (after libpng failed: with libpng's text logged); 0.
inline int PNGFail(PNGCodecContext* pc, uint32_t code) {
  pc->error = code;
  return 0;
}
inline int PNGFailLib(PNGCodecContext* pc, const PNGSession& s, uint32_t code) {
  PNGLogFailure(s);
  return PNGFail(pc, code);
}

// Outs of the transparent colour; each stays as the caller set it (-1)
// when the file carries no such value.
struct PNGTransparency {
  int32_t* index = nullptr;
  int32_t* red = nullptr;
  int32_t* green = nullptr;
  int32_t* blue = nullptr;
  int32_t* gray = nullptr;
};

int ReadPNGDims(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                uint32_t* colorType, uint32_t* interlace, PicResolutionInfo* resolution,
                uint32_t* paletteCount, RGBQUAD* palette, const PNGTransparency& transparency);

// The cores of pic_ReadPNG; each returns the output block (GetBuffer of the
// output allocator), also after a failure once it was allocated.
void* ReadPNGImage(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t depth,
                   RGBQUAD* palette, bool keep16, uint32_t flags);
void* ReadPNGToDIB(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t flags);
void* ReadPNGGrayAlpha(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint16_t filler,
                       uint32_t flags);
void* ReadPNGToRGBA(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint16_t filler,
                    bool sixteen, uint32_t flags);

void ReadPNGTextChunks(PNGCodecContext* pc, CPicIO* src, std::vector<PNGTextChunk>* chunks);
int ReadPNGICCProfile(PNGCodecContext* pc, CPicIO* src, PicArray<uint8_t>* profile, std::string* name);

// Appends to the thread's write list; 0 (nothing added) for an empty keyword.
int AddPNGTextChunk(const char* keyword, const char* text, uint32_t compressed);

class PNGLineReader {
 public:
  // depth 8 (palette indices or grey, with palette) or 24 (RGB).
  static PNGLineReader* Open(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height,
                             uint32_t depth, RGBQUAD* palette, uint32_t flags);
  // The next row into row; *rowsRead the rows read so far.
  static int ReadNextLine(PNGCodecContext* pc, PNGLineReader* reader, uint8_t* row, uint32_t* rowsRead);
  static int Close(PNGCodecContext* pc, PNGLineReader* reader);

 private:
  PNGLineReader() : session_(false) {}
  PNGSession session_;
  uint32_t rowsRead_ = 0;
  uint32_t height_ = 0;
  bool failed_ = false;
};

// Everything of a write up to the image rows: header, palette, chunks.
struct PNGWriteSpec {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bitDepth = 8;
  uint32_t paletteCount = 0;
  const RGBQUAD* palette = nullptr;
  uint32_t colorType = 2;
  double gamma = 0;
  uint32_t flags = 0;
};

class PNGLineWriter {
 public:
  static PNGLineWriter* Open(PNGCodecContext* pc, CPicIO* dest, const PNGWriteSpec& spec);
  static int WriteNextLine(PNGCodecContext* pc, PNGLineWriter* writer, const uint8_t* row);
  static int Close(PNGCodecContext* pc, PNGLineWriter* writer);

 private:
  friend uint32_t WritePNGImage(PNGCodecContext* pc, CPicIO* dest, const uint8_t* image, uint32_t stride,
                                const PNGWriteSpec& spec);
  PNGLineWriter() : session_(true) {}
  bool Start(PNGCodecContext* pc, CPicIO* dest, const PNGWriteSpec& spec, bool interlace);

  PNGSession session_;
  PicArray<png_color> palette_;  // must outlive png_write_info
  CPicIO* dest_ = nullptr;
  uint32_t height_ = 0;
  uint32_t rowsWritten_ = 0;
  size_t rowBytes_ = 0;
  bool failed_ = false;
};

// Bytes in the destination after writing (also after a failure).
uint32_t WritePNGImage(PNGCodecContext* pc, CPicIO* dest, const uint8_t* image, uint32_t stride,
                       const PNGWriteSpec& spec);

// The generic reader's PNG codec (png_entries.cpp).
extern const PicGenericCodec kPngGenericCodec;

}  // namespace Pictura
