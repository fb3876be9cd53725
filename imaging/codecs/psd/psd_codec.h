#pragma once
// PSD codec internals: the header and section readers, the composite-image
// cores behind the pic_ entries and the raw writers.
//
// Read: the flattened composite of bitmap, greyscale, indexed, RGB, CMYK
// and duotone files of 1, 8 or 16 bits a channel, raw or PackBits (layers
// are skipped). Write: one raw composite, indexed or RGB(A), 8 or 16 bits.
// Cores take the PSD context (error word first); they store a code on
// failure and return 0 or null then.

#include <cstdint>

#include "core/codec_contexts.h"
#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/numeric.h"
#include "core/wintypes.h"

namespace Pictura {

enum PsdFlags : uint32_t {
  kPsdPackedDIB = 2,  // reader: a PicPackedDIB
  kPsdKeepCMYK = 4,   // reader: CMYK as four channels; writer: rows bottom row first
  kPsdBottomUp = 4,
  kPsdBGR = 8,  // writer: pixels are B, G, R(, A)
};

enum PsdMode : uint32_t {
  kPsdBitmap = 0,
  kPsdGrey = 1,
  kPsdIndexed = 2,
  kPsdRGB = 3,
  kPsdCMYK = 4,
  kPsdDuotone = 8,
};

// The 26-byte header's fields.
struct PsdHeader {
  uint32_t channels = 0;
  uint32_t height = 0;
  uint32_t width = 0;
  uint32_t depth = 0;  // bits a channel: 1, 8 or 16
  uint32_t mode = 0;
};

// Header, colour-mode data (palette) and image resources (into the
// context), from the source's position: 46 not a PSD file (or a header its
// mode cannot back), 47 a depth or mode not read, 3 a short read.
// resolution (may be null): resource 1005's, unit 1 per inch or 2 per cm.
int ReadPSDHeader(PSDCodecContext* ctx, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t* depth,
                  uint32_t* mode, PicResolutionInfo* resolution, uint32_t reserved);
// The colours of a file of up to 8 bits (bitmap: white, black); count 256.
int ReadPSDPalette(PSDCodecContext* ctx, CPicIO& io, uint32_t* count, RGBQUAD* palette);
// R, G, B rows (3 channels) or R, G, B, A (4; alpha from the channel after
// the colour ones, else opaque); 16-bit samples in the machine's order with
// sixteen. With kPsdKeepCMYK and 4 channels a CMYK file's own C, M, Y, K.
HGLOBAL ReadPSDToRGB(PSDCodecContext* ctx, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t channels,
                     bool sixteen, uint32_t flags);
// One index a pixel with the palette (bitmap, greyscale, indexed, duotone).
HGLOBAL ReadPSD8Bit(PSDCodecContext* ctx, CPicIO& io, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                    uint32_t flags);
// 8 bits with the palette, or 24 (32 for CMYK kept) bottom-up B, G, R rows.
HGLOBAL ReadPSDToDIB(PSDCodecContext* ctx, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t flags);

// channels 1 (indexed, palette of 256 required), 3 or 4 (RGB, RGBA); depth
// 8 or 16 bits a channel. Returns the destination's size, 0 on failure.
uint32_t WritePSDImage(PSDCodecContext* ctx, CPicIO& io, const uint8_t* image, uint32_t width,
                       uint32_t height, uint32_t channels, uint32_t sixteen, uint32_t stride,
                       const RGBQUAD* palette, uint32_t flags);

// The image-resource section of a PSD file at the source's position, in
// the context's bytes (header first checked): for the resource readers.
int ReadPSDResourceBytes(PSDCodecContext* ctx, CPicIO& io);

// The thumbnail resource's 28-byte record.
struct PsdThumbnail {
  uint32_t format = 0;  // 1: JPEG data, 0: raw
  uint32_t width = 0, height = 0, rowBytes = 0, totalSize = 0, compressedSize = 0;
  uint32_t bitsPerPixel = 0, planes = 0;
  uint32_t rgbOrder = 0;  // 1 from resource 1036, 0 from 1033 (B, G, R)
};
// The thumbnail's data bytes (1036, else 1033) in a new GlobalAlloc block;
// 72 when the file has none, 46 when its record claims more than it holds.
HGLOBAL ReadPSDThumbnail(PSDCodecContext* ctx, CPicIO& io, PsdThumbnail* thumbnail, uint32_t* size);
// Copies a PSD file with the thread's resource blocks in place of its own.
int ReplacePSDResources(PSDCodecContext* ctx, CPicIO& src, CPicIO& dest);

extern const PicGenericCodec kPsdGenericCodec;

}  // namespace Pictura
