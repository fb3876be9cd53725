#pragma once
// WBMP codec internals: type 0 (one bit a pixel, 1 white, rows padded to
// whole bytes) with its multi-byte sizes. Cores take the error word first,
// store a code on failure and return 0 or null then; they do not touch the
// nesting depth (the entries hold it).

#include <cstdint>

#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/thread_context.h"
#include "core/wintypes.h"

namespace Pictura {

enum WbmpFlags : uint32_t {
  kWbmpPackedDIB = 2,  // reader: a 1-bit PicPackedDIB
  kWbmpBottomUp = 4,   // writer: the caller's rows are bottom row first
  kWbmpPadRows = 8,    // reader: rows padded to 4 bytes
};

// Type and fixed header 0, width and height: 53 on any fault (a size of
// more than five bytes or past 32 bits, or 0).
int ReadWBMPHeader(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height);
// depth 1 (packed bits) or 8 (one byte a pixel, 0 or 1); palette: black
// and white as entries 0 and 1 (required unless a DIB is asked).
HGLOBAL ReadWBMPImage(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                      uint32_t depth, uint32_t flags);
// An 8-bit image, non-zero white. Returns the destination's position after
// writing, 0 on failure.
uint32_t WriteWBMPImage(uint32_t* error, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                        uint32_t stride, uint32_t flags);
// One multi-byte integer with the fewest bytes.
bool WriteWBMPMultiByte(CPicIO& io, uint32_t value);

// The generic reader's WBMP codec (wbmp_entries.cpp).
extern const PicGenericCodec kWbmpGenericCodec;

}  // namespace Pictura
