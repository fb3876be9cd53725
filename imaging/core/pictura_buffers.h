#pragma once
// pic_ entries of the buffer utilities: channels, crop and flips, packing,
// numeric helpers, pixel-format and colour conversions.

#include "core/picapi.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef __cplusplus
}
#endif
