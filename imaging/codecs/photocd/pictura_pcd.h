#pragma once
// pic_ entries of the PhotoCD reader.
//
// resolution: 1 Base/16 (192 x 128), 2 Base/4 (384 x 256), 3 Base (768 x
// 512), 4 4Base (1536 x 1024), 5 16Base (3072 x 2048), 6 64Base (6144 x
// 4096, interpolated from 16Base); other values are taken as the nearest.
// Result: R, G, B rows top-down, turned as the pack's header asks (a
// portrait picture comes back taller than wide); flags 2 a 24-bit
// PicPackedDIB. Codes: 63 not a PhotoCD image pack (or corrupt residuals),
// 64 an overview pack, 3 the pack ends inside a plain level.

#include "core/picapi.h"
#include "core/pictura_io.h"

#ifdef __cplusplus
extern "C" {
#endif

HGLOBAL PICAPI pic_ReadPCD(HPICSRC src, DWORD* width, DWORD* height, DWORD resolution, DWORD flags);
/* The number of images an overview pack ("PCD_OPA") lists; 0 with code 63
   for anything else. */
DWORD PICAPI pic_GetPCDIndexImageCount(HPICSRC src);
/* Thumbnail `index` (from 0) of an overview pack: 192 x 128, rows as
   pic_ReadPCD returns them (flags 2 a PicPackedDIB). Codes: 63 not an
   overview pack, 5 an index at or past its count (or a null out), 3 a pack
   shorter than its count claims. */
HGLOBAL PICAPI pic_ReadPCDIndex(HPICSRC src, DWORD index, DWORD* width, DWORD* height, DWORD flags);

#ifdef __cplusplus
}
#endif
