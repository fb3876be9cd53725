#pragma once
// The JPEG codec's cores over libjpeg: dimensions, whole-image and line
// readers, marker reading, whole-image and line writers. Each core takes the
// error word first and leaves its code there (0 on success).

#include <cstdint>
#include <memory>

#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "codecs/jpeg/jpeg_bridge.h"
#include "core/allocators.h"
#include "core/numeric.h"
#include "core/thread_context.h"

namespace Pictura {

// Reader flags.
enum : uint32_t {
  kJPGReadRawCMYK = 1,    // CMYK and YCCK files raw at 32 bits
  kJPGReadDIB = 2,        // a packed DIB
  kJPGReadKeepYCbCr = 4,  // YCbCr left unconverted
  kJPGReadBGRPadded = 8,  // rows padded to 4 bytes, RGB as blue-green-red
  kJPGReadSeekBack = 16,  // leave the source just after the JPEG data
  kJPGReadBuffered = 32,  // progressive display passes (with a pass callback)
};

// Writer flags.
enum : uint32_t {
  kJPGWriteProgressive = 1,
  kJPGWriteYCCK = 2,      // depth 32: the input is YCCK
  kJPGWriteBottomUp = 4,  // the last image row comes first
  kJPGWriteBGR = 8,       // input pixels blue-green-red
  kJPGWriteYCbCr = 16,    // depth 24: the input is YCbCr
  kJPGWriteNoJFIF = 32,
};

// Colour modes found in a file and output modes chosen for the caller.
enum JPGColorMode : uint32_t {
  kJPGModeInvalid = 0,
  kJPGModeGray = 1,
  kJPGModeRGB = 2,
  kJPGModeCMYK = 3,
  kJPGModeYCCK = 4,
  kJPGModeYCbCr = 5,
};

// The read entries' operation object (the entry raises the nesting depth
// while a core runs on it).
struct JPGCodecContext {
  uint32_t error = 0;
};

// The write entry's operation object: the JFIF density to write.
struct JPGWriteCodecContext {
  uint32_t error = 0;
  uint32_t densityX = 1;
  uint32_t densityY = 1;
  uint32_t densityUnit = 0;
};

// x and y truncated, the unit kept; null gives 1, 1, unit 0.
void SetJPGWriteResolution(JPGWriteCodecContext* ctx, const PicResolutionInfo* info);

int ReadJPGDims(uint32_t* err, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                double* xDensity, double* yDensity, uint32_t* densityUnit, uint32_t* colorSpace,
                uint32_t* codingFlags);

// An image block (rows or a packed DIB; GetBuffer of the output allocator),
// null on failure. After a cancel (14) the block is still returned.
void* ReadJPGImage(uint32_t* err, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t depth,
                   uint32_t flags);

// Reads the header saving COM and APP1 to APP14 markers and appends them to
// markers in file order (see LogJPGMarkers).
int ReadJPGMarkers(uint32_t* err, CPicIO* src, PicPtrVector<CFileDataTag>* markers);

// COM markers become entries with id 0xFE and the comment as text; others
// entries with the marker code as id and 4 unused bytes before the data.
void LogJPGMarkers(j_decompress_ptr cinfo, PicPtrVector<CFileDataTag>* markers);
constexpr uint32_t kJPGMarkerLead = 4;

class JPGLineReader {
 public:
  static JPGLineReader* Open(uint32_t* err, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t depth,
                             uint32_t flags);
  static int ReadNextLine(uint32_t* err, JPGLineReader* reader, uint8_t* row, uint32_t* rowIndex);
  static int Close(uint32_t* err, JPGLineReader* reader);

  uint32_t Width() const { return decoder_.cinfo.output_width; }
  uint32_t Height() const { return decoder_.cinfo.output_height; }
  uint32_t OutputMode() const { return outputMode_; }
  bool Buffered() const { return buffered_; }
  bool AllLinesRead() const { return decoder_.cinfo.output_scanline >= decoder_.cinfo.output_height; }
  JPGDecoder& Decoder() { return decoder_; }
  // Close then drops the decompression without finishing it.
  void Abandon() { abandoned_ = true; }
  PicResolutionInfo Density() const { return {xDensity_, yDensity_, densityUnit_}; }

 private:
  JPGLineReader() = default;
  bool Start(uint32_t* err, CPicIO* src, uint32_t depth, uint32_t flags);
  bool ChooseOutputMode(uint32_t* err, uint32_t depth, uint32_t flags);

  JPGDecoder decoder_;
  PicArray<uint8_t> rowBuffer_;
  uint32_t colorMode_ = kJPGModeInvalid;
  uint32_t outputMode_ = kJPGModeInvalid;
  double xDensity_ = 0;
  double yDensity_ = 0;
  uint32_t densityUnit_ = 0;
  uint32_t depth_ = 0;
  bool buffered_ = false;
  bool abandoned_ = false;
};

class JPGLineWriter {
 public:
  static JPGLineWriter* Open(uint32_t* err, const JPGWriteCodecContext& ctx, CPicIO* dest, uint32_t width,
                             uint32_t height, uint32_t quality, uint32_t flags, uint32_t depth);
  static int WriteNextLine(uint32_t* err, JPGLineWriter* writer, const uint8_t* row);
  static int Close(uint32_t* err, JPGLineWriter* writer);

  bool BottomUp() const { return bottomUp_; }

 private:
  JPGLineWriter() = default;
  bool Start(uint32_t* err, const JPGWriteCodecContext& ctx, CPicIO* dest, uint32_t width, uint32_t height,
             uint32_t quality, uint32_t flags, uint32_t depth);

  JPGEncoder encoder_;
  PicArray<uint8_t> rowCopy_;
  bool bgr_ = false;
  bool bottomUp_ = false;
};

// Bytes in the destination after writing, 0 on failure.
uint32_t WriteJPGImage(uint32_t* err, const JPGWriteCodecContext& ctx, CPicIO* dest, const uint8_t* image,
                       uint32_t width, uint32_t height, uint32_t stride, uint32_t quality, uint32_t depth,
                       uint32_t flags);
int WriteJPGRows(uint32_t* err, JPGLineWriter* writer, const uint8_t* image, uint32_t stride,
                 uint32_t height);

// The generic reader's JPEG codec (jpeg_entries.cpp).
extern const PicGenericCodec kJpegGenericCodec;

}  // namespace Pictura
