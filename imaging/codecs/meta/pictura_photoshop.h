#pragma once
// pic_ entries of Photoshop image resources ("8BIM" blocks) in JPEG (APP13
// "Photoshop 3.0"), TIFF (tag 34377) and PSD files. IPTC-NAA data is
// resource 1028 (a TIFF page's bare IPTC tag 33723 is read as it), the ICC
// profile 1039, the resolution 1005, thumbnails 1033 and 1036.

#include "core/picapi.h"
#include "core/pictura_io.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The resource bytes (whole "8BIM" blocks) the TIFF and PSD writers store
   (a copy); size 0 clears them. */
BOOL PICAPI pic_SetPhotoshopResources(const BYTE* data, DWORD size);
/* The data of the first resource with the id, read from the source's start,
   as a new GlobalAlloc block the caller frees (null for empty data). 0 with
   code 72 when the file has no such resource, 67 when its resources cannot
   be parsed, 5 for a format without resources. page: for multi-page files. */
BOOL PICAPI pic_GetPhotoshopResource(HPICSRC src, DWORD page, DWORD id, HGLOBAL* data, DWORD* size);
/* The ids of every resource in file order: a new GlobalAlloc array of
   16-bit ids (null when there are none) and their count. */
BOOL PICAPI pic_GetPhotoshopResourceIDs(HPICSRC src, DWORD page, HGLOBAL* ids, DWORD* count);

#ifdef __cplusplus
}
#endif
