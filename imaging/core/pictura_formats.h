#pragma once
// pic_ entries of the per-format state the calling thread keeps: the input
// tags of the last TLA file opened and the frames of the last multi-frame
// GIF read (both filled by their codecs).

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A copy of tag `index`'s data in a new GlobalAlloc block (free it with
   GlobalFree) and its size. 0 when the index is past the tags (the last
   error stays as it was) or the tag holds no data; a null data pointer: 5. */
BOOL PICAPI pic_GetTLAInputTag(DWORD index, HGLOBAL* data, DWORD* size);
DWORD PICAPI pic_GetTLAInputTagCount(void);

/* Frame `index` of the thread's frame list: its pixel block (still owned by
   the list), size, place, delay, disposal, user-input flag, local-palette
   flag, transparent index (-1 none), interlace flag and its 256-entry
   palette. Every pointer is required; an index past the frames gives 5. */
BOOL PICAPI pic_GetGIFFrame(DWORD index, HGLOBAL* pixels, DWORD* width, DWORD* height, DWORD* left,
                            DWORD* top, DWORD* delay, DWORD* disposal, DWORD* userInput,
                            DWORD* hasLocalPalette, LONG* transparent, DWORD* interlaced, RGBQUAD* palette,
                            DWORD unused);
DWORD PICAPI pic_GetGIFFrameCount(void);
/* Frees every frame and clears the list's header words. */
BOOL PICAPI pic_ClearGIFFrames(void);

#ifdef __cplusplus
}
#endif
