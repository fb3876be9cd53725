#pragma once
// GIF codec internals: the reader (first image, every frame), the animation
// player that composes frames on a 32-bit canvas, and the LZW writer of
// single images and animations.
//
// Reader and writer objects are made per call; their constructors raise the
// thread's nesting depth and their destructors lower it, so the cores report
// progress only when their entry is the outermost operation. Each leaves its
// code in `error` (0 on success).

#include <cstdint>
#include <vector>

#include "core/codec_options.h"
#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/thread_context.h"
#include "core/wintypes.h"

namespace Pictura {

enum GIFReadFlags : uint32_t {
  kGIFReadDIB = 2,     // an 8-bit PicPackedDIB (rows bottom-up, palette inside)
  kGIFReadPadded = 8,  // rows padded to a multiple of 4 bytes
};

enum GIFWriteFlags : uint32_t {
  kGIFWriteBottomUp = 4,  // the caller's row 0 is the image's bottom row
  kGIFWriteInterlaced = 16,
  kGIFWriteUserInput = 32,   // the frame waits for user input
  kGIFWriteLocalTable = 64,  // the frame carries its own colour table
};

enum GIFRenderFlags : uint32_t {
  kGIFRenderOnce = 1,  // the animation ends after its last frame
};

// Most pixels one byte of LZW data can stand for: a 12-bit code naming a
// string of up to 4093 pixels once the table is full. A header claiming more
// than its file could hold this way is refused before anything is allocated.
constexpr uint64_t kGIFPixelsPerByte = 2730;

// The logical screen and its global colour table.
struct GIFScreen {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t packed = 0;
  uint8_t background = 0;
  uint8_t aspect = 0;
  uint32_t tableSize = 0;      // 2 << (packed & 7), whether the table is present or not
  uint8_t table[3][256] = {};  // red, green, blue planes
};

// The graphic control extension in force for the next image.
struct GIFControl {
  uint32_t transparentFlag = 0;
  uint32_t transparentIndex = 0;
  uint32_t delay = 0;
  uint32_t userInput = 0;
  uint32_t disposal = 0;
};

// An image descriptor with its colour table in force.
struct GIFImageHeader {
  uint32_t left = 0, top = 0, width = 0, height = 0;
  bool local = false;
  bool interlaced = false;
  uint32_t tableSize = 0;  // of the table in force (local or global)
  uint8_t localTable[3][256] = {};
};

// The player's state: the frames and two canvases of screen size.
struct GIFAnimationHandle {
  uint32_t iteration = 0;
  uint32_t nextFrame = 0;
  bool ended = false;  // the last frame has been shown
  std::vector<uint8_t> canvas;
  std::vector<uint8_t> saved;  // the canvas before a frame with disposal 3
  GIFFrameList frames;
  ~GIFAnimationHandle() { ClearGIFFrameList(&frames); }
};

class GIFReader {
 public:
  GIFReader() { PicNestingEnter(); }
  ~GIFReader() { PicNestingExit(); }
  GIFReader(const GIFReader&) = delete;
  GIFReader& operator=(const GIFReader&) = delete;

  // Size of the logical screen (of the first image with firstImageSize),
  // colour resolution, background index, interlace flag and transparent
  // index (-1 none) of the first image; palette (1024 bytes, may be null):
  // the table in force for the first image.
  int ReadDims(CPicIO* src, uint32_t* width, uint32_t* height, uint32_t* bitDepth, uint32_t* background,
               int32_t* transparent, RGBQUAD* palette, uint8_t* interlaced, bool firstImageSize);
  // The first image at its own size as one index a pixel (flags above).
  HGLOBAL ReadImage(CPicIO* src, uint32_t* width, uint32_t* height, RGBQUAD* palette, int32_t* transparent,
                    uint32_t flags);
  // Every frame into list (cleared first), with the list's header words.
  int ReadAllFrames(CPicIO* src, GIFFrameList* list);
  // Reads every frame and makes the player; width and height of the screen.
  GIFAnimationHandle* InitAnimation(CPicIO* src, uint32_t* width, uint32_t* height);

  uint32_t error = 0;

 private:
  bool ReadHeader(CPicIO& io, uint32_t shortCode, uint32_t versionCode);
  bool ReadExtension(CPicIO& io);
  bool ReadImageHeader(CPicIO& io, GIFImageHeader* image);
  // Moves to the first image descriptor's content (after 0x2C); 12 when the
  // stream ends first.
  bool FindFirstImage(CPicIO& io);
  bool ReadTable(CPicIO& io, uint32_t size, uint8_t planes[3][256]);
  int Fail(uint32_t code) {
    error = code;
    return 0;
  }
  HGLOBAL FailBlock(uint32_t code) {
    error = code;
    return nullptr;
  }

  GIFScreen screen_;
  GIFControl control_;
  uint32_t loopCount_ = 0;
};

// Builds 256 RGBQUADs from colour planes; reserved is 0 for the transparent
// index (-1: none) and 255 elsewhere.
void GIFBuildPalette(RGBQUAD* palette, const uint8_t planes[3][256], int32_t transparent);

// Reads the image data (minimum code size and sub-blocks) at the source's
// position into rows `stride` bytes apart, in interlace order when asked,
// bottom row first with kGIFReadDIB (flags bit 1). A stream that ends early
// is no error (the rest stays as it was, one codec warning); damaged data
// (a code naming no entry, a chain without a pixel) and an index past
// tableSize leave 12 with what was decoded; a minimum code size of 0 or
// above 11 gives 12 before any table is filled. Progress per row. 0 on
// failure with *error set.
int GIFReadImageData(uint32_t* error, CPicIO& io, uint8_t* dest, uint32_t width, uint32_t height,
                     uint64_t stride, uint32_t tableSize, bool interlaced, uint32_t flags);

// Composes the next frame onto the canvas, copies the canvas (width x
// height x 4 bytes, R, G, B, A) to out and gives the frame's delay. 0 with
// 79 once the animation has ended.
int GIFRenderNextFrame(uint32_t* error, GIFAnimationHandle* handle, uint8_t* out, uint32_t* delay,
                       uint32_t flags);

// What a multi-frame write keeps between calls.
struct GIFMultiWriteHandle {
  CPicIO* dest = nullptr;
  uint32_t globalBits = 0;
};

class GIFWriter {
 public:
  GIFWriter();
  ~GIFWriter();
  GIFWriter(const GIFWriter&) = delete;
  GIFWriter& operator=(const GIFWriter&) = delete;

  // One image (bits 1 to 8, pixels below 2^bits); the destination's size
  // after writing, 0 on failure.
  uint32_t WriteSingle(CPicIO* dest, const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                       uint8_t background, int32_t transparent, uint32_t bits, const RGBQUAD* palette,
                       uint32_t flags);
  // Signature, screen, global table, transparency and the loop extension
  // (loop >= 0); the handle for AddFrame and Finish.
  GIFMultiWriteHandle* BeginMultiFrame(CPicIO* dest, uint32_t width, uint32_t height, int32_t transparent,
                                       uint8_t background, uint32_t bits, const RGBQUAD* palette,
                                       uint16_t loopCount, int32_t loop);
  bool AddFrame(GIFMultiWriteHandle* handle, const uint8_t* pixels, uint32_t width, uint32_t height,
                uint32_t stride, uint16_t left, uint16_t top, uint16_t delay, int32_t transparent,
                uint32_t bits, const RGBQUAD* palette, uint32_t disposal, uint32_t flags);
  // Writes the trailer and frees the handle (also after a failure).
  bool Finish(GIFMultiWriteHandle* handle);

  uint32_t error = 0;

 private:
  struct Image;
  bool Put(const void* bytes, size_t count);
  bool PutByte(uint8_t b) { return Put(&b, 1); }
  bool PutWord(uint32_t v);
  bool Flush();
  bool PutScreen(uint32_t width, uint32_t height, uint8_t background, uint32_t bits, const RGBQUAD* palette);
  bool PutTable(const RGBQUAD* palette, uint32_t bits);
  bool PutImageData(const Image& image, uint32_t minCodeSize);
  void Output(uint32_t code);
  void PacketByte(uint8_t b);
  void FlushPacket();

  CPicIO* dest_ = nullptr;
  std::vector<uint8_t> out_;  // bytes not yet handed to the destination
  bool failed_ = false;
  // LZW state
  std::vector<int32_t> hash_;
  std::vector<uint16_t> codes_;
  uint32_t initBits_ = 0, clearCode_ = 0, endCode_ = 0, codeSize_ = 0, maxCode_ = 0, freeCode_ = 0;
  bool clearPending_ = false;
  uint32_t accumulator_ = 0;
  int32_t pendingBits_ = 0;
  uint8_t packet_[256] = {};
  uint32_t packetCount_ = 0;
};

// The generic reader's GIF codec (gif_entries.cpp).
extern const PicGenericCodec kGifGenericCodec;

}  // namespace Pictura
