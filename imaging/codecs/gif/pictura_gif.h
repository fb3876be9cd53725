#pragma once
// pic_ entries of the GIF codec: dimensions, the first image, every frame
// (into the thread's frame list, see pictura_formats.h), an animation
// player, and writers of single images and animations.
//
// Read flags: 2 an 8-bit PicPackedDIB; 8 rows padded to 4 bytes (not both).
// Palettes are 256 RGBQUADs; the reserved byte is 0 for the transparent
// index and 255 for every other entry. Damaged image data (codes naming
// no table entry, data without a single pixel, pixels past the colour
// table) leaves code 12 with what was decoded: the image, the frame in the
// list, the animation; a minimum code size of 0 or above 11 gives 12 and no
// image. A file whose data ends early, or that ends anywhere after its first
// image, gives what it holds (the rest of the pixels 0), no code and a codec
// warning (pic_GetCodecWarningCount), in all three readers alike.
// Write flags: 4 rows given bottom row first; 16 interlaced; 32 (frames)
// wait for user input; 64 (frames) the frame carries its own colour table of
// 2^bits entries. Pixels must be below 2^bits (5 otherwise: nothing is
// written); images are 1 to 65535 pixels each way.
// Codes: 1 memory, 3 the stream ended before its first image, 4 writing
// failed, 5 bad arguments, 8 unknown version (multi-frame read), 12 bad GIF
// (signature, size, colour table, image data, or a header claiming more
// than the file can hold), 14 cancelled, 79 the animation has ended.

#include "core/picapi.h"
#include "core/pictura_io.h"

typedef struct PicGIFMultiWrite__* HPICGIFWRITE;
typedef struct PicGIFAnimation__* HPICGIFANIMATION;

#ifdef __cplusplus
extern "C" {
#endif

/* Size of the logical screen (logicalScreen non-zero) or of the first image,
   colour resolution in bits, background index, transparent index of the
   first image (-1 none; may be null), the table in force for the first image
   (may be null) and its interlace flag. */
BOOL PICAPI pic_GetGIFDims(HPICSRC src, DWORD* width, DWORD* height, DWORD* bitDepth, DWORD* background,
                           LONG* transparent, RGBQUAD* palette, BYTE* interlaced, BYTE logicalScreen);
/* The first image at its own size, one palette index a pixel, top row
   first; transparent (may be null) and palette (may be null) as above. */
HGLOBAL PICAPI pic_ReadGIF(HPICSRC src, DWORD* width, DWORD* height, LONG* transparent, RGBQUAD* palette,
                           DWORD flags);
/* Every frame into the thread's frame list (emptied first); the screen
   size, frame count, loop count (0: for ever), background index and the
   global palette. transparent is set to -1. */
BOOL PICAPI pic_ReadMultiFrameGIF(HPICSRC src, DWORD* width, DWORD* height, DWORD* frameCount,
                                  DWORD* loopCount, DWORD* background, LONG* transparent, RGBQUAD* palette,
                                  DWORD unused);

/* One image of 1 to 8 bits with a table of 2^bits entries; transparent -1
   for none. Returns the destination's size after writing, 0 on failure. */
DWORD PICAPI pic_WriteGIF(HPICDEST dest, const BYTE* image, DWORD width, DWORD height, DWORD rowStride,
                          BYTE background, LONG transparent, DWORD bits, const RGBQUAD* palette, DWORD flags);
/* An animation: screen, global table of 2^bits entries, a transparent index
   for the whole file (-1 none) and, with loop >= 0, the loop count (0 plays
   for ever). Frames follow with pic_AddGIFFrame; pic_DestroyMultiGIF writes
   the trailer and frees the handle. The destination must stay open. */
HPICGIFWRITE PICAPI pic_InitWriteMultiframedGIF(HPICDEST dest, DWORD width, DWORD height, LONG transparent,
                                                BYTE background, DWORD bits, const RGBQUAD* palette,
                                                WORD loopCount, LONG loop);
/* A frame at (left, top): delay in hundredths of a second, transparent
   index (-1 none), bits 1 to 8, its own palette with flag 64, disposal 0 to
   3. Without its own table the pixels must fit the global one. */
BOOL PICAPI pic_AddGIFFrame(HPICGIFWRITE handle, const BYTE* image, DWORD width, DWORD height,
                            DWORD rowStride, WORD left, WORD top, WORD delay, LONG transparent, DWORD bits,
                            const RGBQUAD* palette, DWORD disposal, DWORD flags);
BOOL PICAPI pic_DestroyMultiGIF(HPICGIFWRITE handle);

/* The animation player: reads every frame; width and height of the screen. */
HPICGIFANIMATION PICAPI pic_InitRenderAnimatedGIF(HPICSRC src, DWORD* width, DWORD* height, DWORD unused);
/* Composes the next frame and copies the canvas (width x height x 4 bytes,
   R, G, B, A) to buffer; delay in hundredths of a second. Flag 1 ends after
   the last frame, else the file's loop count decides (0: for ever). 0 with
   code 79 once the animation has ended. */
BOOL PICAPI pic_AnimatedGIFGetNextFrame(HPICGIFANIMATION handle, BYTE* buffer, DWORD* delay, DWORD flags);
BOOL PICAPI pic_DestroyAnimatedGIF(HPICGIFANIMATION handle);

#ifdef __cplusplus
}
#endif
