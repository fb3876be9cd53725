#pragma once
// pic_ entries of the PSD codec.
//
// Read: the flattened composite of bitmap, greyscale, indexed, RGB, CMYK
// and duotone files, 1, 8 or 16 bits a channel, raw or PackBits; layers are
// not decoded. depth 8: one palette index a pixel (bitmap, greyscale,
// indexed, duotone; palette of 256 entries required); 24: R, G, B; 32:
// R, G, B, A (alpha from the channel after the colour ones, else 255); 48
// and 64: the same with 16-bit samples in the machine's byte order. CMYK
// becomes RGB (each colour times K); flags 4 keeps it as C, M, Y, K at 32
// or 64 (PSD stores ink inverted: 255 is none). flags 2: a PicPackedDIB (8
// bits with the palette, else 24, or 32 for CMYK kept). A file that ends
// early gives the rows read so far with last error 3: free the block then
// too.
// Write: depth 8 (indexed, palette required), 24 or 32 (RGB, RGBA), 48 or
// 64 (the same, 16-bit samples in the machine's order); flags 4 the rows are
// given bottom row first, 8 pixels are B, G, R(, A). The thread's resource
// blocks (pic_SetPhotoshopResources) go into the file.
// Codes: 46 not a PSD file (or channels too few for its colour mode), 47 a
// depth or colour mode not read, 28 a palette asked of a colour file, 72 a
// Photoshop resource that is not there.

#include "core/numeric.h"
#include "core/picapi.h"
#include "core/pictura_io.h"

#ifdef __cplusplus
extern "C" {
#endif

/* bitDepth: bits a channel (1, 8 or 16); mode: 0 bitmap, 1 greyscale, 2
   indexed, 3 RGB, 4 CMYK, 8 duotone; resolution (may be null): resource
   1005's, unit 1 per inch, 2 per centimetre, 0 none. */
BOOL PICAPI pic_GetPSDDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD* mode,
                           Pictura::PicResolutionInfo* resolution, DWORD unused);
/* The colours of a bitmap, greyscale, indexed or duotone file; count 256. */
BOOL PICAPI pic_GetPSDPalette(HPICSRC src, RGBQUAD* palette, DWORD* count, DWORD unused);
HGLOBAL PICAPI pic_ReadPSD(HPICSRC src, DWORD* width, DWORD* height, DWORD depth, RGBQUAD* palette,
                           DWORD flags);
/* Returns the destination's size after writing, 0 on failure. */
DWORD PICAPI pic_WritePSD(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD depth,
                          DWORD rowStride, const RGBQUAD* palette, DWORD flags);
/* The thumbnail of the file's resources (1036, else the older 1033, whose
   raw pixels are B, G, R: rgbOrder 0): its data bytes (format 1: a JPEG
   file) in a new GlobalAlloc block, their size, the thumbnail's size. 72
   when the file has none. */
HGLOBAL PICAPI pic_GetPSDThumbnail(HPICSRC src, DWORD* size, DWORD* width, DWORD* height, DWORD* format,
                                   DWORD* rgbOrder);
/* Copies the PSD source (from its position) to the destination with the
   thread's resource blocks (pic_SetPhotoshopResources) in place of its
   own; everything else byte for byte. */
BOOL PICAPI pic_ReplacePSDResources(HPICSRC src, HPICDEST dest);

#ifdef __cplusplus
}
#endif
