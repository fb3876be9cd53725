#pragma once
// pic_ entries of embedded ICC profiles.
//
// The thread's output profile goes into every JPEG (APP2 "ICC_PROFILE"
// chunks, at most 255 of 65519 bytes), PNG (iCCP) and TIFF (tag 34675)
// file it writes; a profile libpng refuses for an image fails the PNG write
// with code 5.

#include "core/picapi.h"
#include "core/pictura_io.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Sets (a copy of) the output profile; size 0 removes it. */
BOOL PICAPI pic_SetICCProfile(const BYTE* data, DWORD size);

/* The profile embedded in a JPEG, PNG, TIFF or PSD source (read from its
   start) as a new GlobalAlloc block the caller frees; page is the TIFF page.
   0 without a profile: code 0 for a JPEG, 66 for a PNG, 54 for a TIFF, 72
   for a PSD, 5 for a format without profiles. */
BOOL PICAPI pic_ReadICCProfile(HPICSRC src, DWORD page, HGLOBAL* data, DWORD* size);

#ifdef __cplusplus
}
#endif
