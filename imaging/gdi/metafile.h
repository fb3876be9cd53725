#pragma once
// Windows metafiles (Windows only): enhanced, plain and placeable ones are
// played by GDI into a bitmap on a background colour and returned as RGB
// rows or a packed DIB; an RGB image is written as an EMF, a plain WMF or a
// placeable WMF. Sizes come from metafile_geometry.h.

#include <windows.h>

#include <cstdint>

#include "core/out_buffers.h"
#include "core/generic_codec.h"
#include "core/metafile_geometry.h"
#include "core/thread_context.h"

namespace Pictura {

class CPicIO;

// The worker record of one read: the error word and the placeable header
// met on the way (zero when there was none). It raises the nesting depth
// while it lives.
struct MetafileRenderInfo {
  uint32_t error = 0;
  uint8_t placeable[kPlaceableHeaderSize] = {};
  PicNestingScope depth;
};

// Result blocks come from CPicOutBufAllocator (the thread's allocation
// callbacks when set). width and height get the size drawn, 0 on failure.
// flags: kMetafileExactSize, kMetafileToDIB, kMetafilePercent.
void* ReadMetafileCore(MetafileRenderInfo& info, const char* path, uint32_t* width, uint32_t* height,
                       uint32_t givenWidth, uint32_t givenHeight, COLORREF background, uint32_t flags);
void* RenderEnhMetafile(MetafileRenderInfo& info, HENHMETAFILE metafile, uint32_t* width, uint32_t* height,
                        uint32_t givenWidth, uint32_t givenHeight, COLORREF background, uint32_t flags);

// Metafile types of the writer.
enum : uint32_t { kMetafileWMF = 0, kMetafileEMF = 1, kMetafilePlaceableWMF = 2 };

// Writes the image (flags bit 3: rows B, G, R; bit 2: rows bottom-up) and
// returns the destination's size, 0 on failure.
uint32_t WriteRGBToMetafile(uint32_t* error, CPicIO& destination, const uint8_t* rgb, uint32_t width,
                            uint32_t height, uint32_t stride, uint32_t type, uint32_t flags);

// The generic reader's WMF and EMF codec: played from file sources only.
extern const PicGenericCodec kMetafileGenericCodec;

}  // namespace Pictura
