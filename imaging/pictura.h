#pragma once
// Pictura: the public pic_ interface, one header per subsystem.
//
// Every entry uses PICAPI (the Windows standard calling convention on win32),
// returns 0 or a null handle on failure and leaves the reason as the calling
// thread's last error (PicGetLastError). Result blocks are GlobalAlloc blocks
// that the caller frees with GlobalFree (or its own release callback when it
// installed allocation callbacks). Images are top-down rows, stride apart.
//
// Each subsystem adds its own header below (C linkage, PICAPI on every entry).

#include "core/picapi.h"

#include "core/pictura_core.h"          // library state, start/stop, errors, settings
#include "core/pictura_buffers.h"       // channel, crop, packing, numeric, format, colour utilities
#include "core/pictura_dib.h"           // packed DIBs
#ifdef _WIN32
#include "core/pictura_gdi.h"       // bitmaps, palettes, resources and drawing
#include "core/pictura_metafile.h"  // metafiles
#endif
#include "pixelops/pictura_pixelops.h"  // pixel operations
#include "core/pictura_io.h"             // sources and destinations
#include "core/pictura_ext_hook.h"       // the extension table for plug-ins
#include "resample/pictura_resample.h"  // resizing
#include "core/pictura_read.h"           // file-type guess and the generic reader
#include "core/pictura_formats.h"        // per-format state: TLA tags, GIF frames
#include "codecs/bmp/pictura_bmp.h"      // BMP
#include "codecs/jpeg/pictura_jpeg.h"    // JPEG codec
#include "codecs/png/pictura_png.h"      // PNG codec
#include "codecs/gif/pictura_gif.h"      // GIF codec
#include "codecs/meta/pictura_icc.h"     // ICC profiles of JPEG and PNG files
#include "codecs/pcx/pictura_pcx.h"      // PCX
#include "codecs/tga/pictura_tga.h"      // TGA
