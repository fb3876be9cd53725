#pragma once
// pic_ entries of Windows metafiles (Windows only): enhanced, plain and
// placeable WMF files are drawn on a background colour and returned as
// top-down RGB rows (width x 3 bytes) or, with flags bit 1, as a packed DIB.
//
// Read flags: bit 0 draw at the given width and height; bit 1 packed DIB;
// bit 2 scale the metafile's own size by the given width and height as
// percentages. Without bit 0 the given size serves only as the extents of
// bare WMF bits. width and height receive the size drawn.

#include "core/picapi.h"
#include "core/pictura_io.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Defaults of the generic reader for metafiles met in file sources. */
BOOL PICAPI pic_SetDefaultMetafileInfo(COLORREF background, DWORD width, DWORD height);
HGLOBAL PICAPI pic_ReadMetafile(const char* path, DWORD* width, DWORD* height, DWORD givenWidth,
                                DWORD givenHeight, COLORREF background, DWORD flags);
/* The caller keeps (and deletes) the metafile. */
HGLOBAL PICAPI pic_ReadMetafileHandle(HENHMETAFILE metafile, DWORD* width, DWORD* height, DWORD givenWidth,
                                      DWORD givenHeight, COLORREF background, DWORD flags);
/* type 1 EMF, 0 plain WMF, 2 placeable WMF (any other: nothing written, 0
   and no error). flags bit 3: rows are B, G, R; bit 2: rows are bottom-up.
   Returns the destination's size after writing, 0 on failure. */
DWORD PICAPI pic_WriteRGBToMetafile(HPICDEST destination, const BYTE* rgb, DWORD width, DWORD height,
                                    DWORD stride, DWORD type, DWORD flags);

#ifdef __cplusplus
}
#endif
