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
/* Appends a block (id up to 65535, the name cut to 255 characters, null for
   none) to those resource bytes. Remove takes out the first block with the
   id (72 when there is none). Both leave the bytes as they were on failure:
   67 when they are not a clean sequence of blocks, 5 for a bad argument. */
BOOL PICAPI pic_AddPhotoshopResource(DWORD id, const BYTE* data, DWORD size, const char* name);
BOOL PICAPI pic_RemovePhotoshopResource(DWORD id);
/* The data of the first resource with the id, read from the source's start,
   as a new GlobalAlloc block the caller frees (null for empty data). 0 with
   code 72 when the file has no such resource, 67 when its resources cannot
   be parsed, 5 for a format without resources. page: for multi-page files. */
BOOL PICAPI pic_GetPhotoshopResource(HPICSRC src, DWORD page, DWORD id, HGLOBAL* data, DWORD* size);
/* The ids of every resource in file order: a new GlobalAlloc array of
   16-bit ids (null when there are none) and their count. */
BOOL PICAPI pic_GetPhotoshopResourceIDs(HPICSRC src, DWORD page, HGLOBAL* ids, DWORD* count);
/* The data of an IPTC-NAA dataset of the file's IPTC resource (1028, or a
   TIFF's bare IPTC tag): record and dataset number (2 and 120 for the
   caption), occurrence 0 the first of repeated datasets. A new GlobalAlloc
   block the caller frees (null for empty data). Codes: 59 no such dataset,
   58 IPTC data that are not datasets, 72 no IPTC resource. */
BOOL PICAPI pic_GetIPTCDataset(HPICSRC src, DWORD page, DWORD record, DWORD dataset, DWORD occurrence,
                               HGLOBAL* data, DWORD* size);

#ifdef __cplusplus
}
#endif
