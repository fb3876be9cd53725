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
// For the library's users only: no file of the library includes it.

#include "core/picapi.h"

// core/: the library's base
#include "core/pictura_codes.h"      // named flags, resize modes and error codes
#include "core/pictura_core.h"       // library state, start/stop, errors, settings
#include "core/pictura_buffers.h"    // channel, crop, packing, numeric, pixel-format utilities
#include "core/pictura_dib.h"        // packed DIBs
#include "core/pictura_io.h"         // sources and destinations
#include "core/pictura_ext_hook.h"   // the extension table for plug-ins
#include "core/pictura_file_type.h"  // file-type guess
#include "core/pictura_formats.h"    // per-format state: TLA tags, GIF frames
// pixelops/, resample/, codecs/: over core
#include "pixelops/pictura_pixelops.h"      // pixel operations, colour utilities
#include "resample/pictura_resample.h"      // resizing
#include "codecs/bmp/pictura_bmp.h"         // BMP
#include "codecs/jpeg/pictura_jpeg.h"       // JPEG codec
#include "codecs/png/pictura_png.h"         // PNG codec
#include "codecs/gif/pictura_gif.h"         // GIF codec
#include "codecs/tiff/pictura_tiff.h"       // TIFF codec
#include "codecs/meta/pictura_icc.h"        // ICC profiles of JPEG, PNG, TIFF and PSD files
#include "codecs/meta/pictura_photoshop.h"  // Photoshop image resources and IPTC blocks
#include "codecs/pcx/pictura_pcx.h"         // PCX
#include "codecs/tga/pictura_tga.h"         // TGA
#include "codecs/pnm/pictura_pnm.h"         // PBM, PGM and PPM
#include "codecs/psd/pictura_psd.h"         // PSD
#include "codecs/photocd/pictura_pcd.h"     // PhotoCD
#include "codecs/tla/pictura_tla.h"         // TLA container
#include "codecs/wbmp/pictura_wbmp.h"       // WBMP
// gdi/: the Windows-only pieces
#ifdef _WIN32
#include "gdi/pictura_gdi.h"       // bitmaps, palettes, resources and drawing
#include "gdi/pictura_metafile.h"  // metafiles
#endif
// reader/: the generic reader over every format
#include "reader/pictura_read.h"
