#pragma once
// PNM codec internals: PBM (P1, P4), PGM (P2, P5) and PPM (P3, P6) with
// maxval up to 65535 (two big-endian bytes a sample above 255).
//
// A fault in a file (bad magic, a number that is not one, maxval 0 or above
// 65535, a header the file cannot back, data that ends early) is logged in
// the thread's message list with code 78 and stored as 78; no exception
// leaves a core. Cores take the error word first and do not touch the
// nesting depth (the entries hold it).

#include <cstdint>

#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/thread_context.h"
#include "core/wintypes.h"

namespace Pictura {

enum PnmMagic : uint32_t {
  kPnmP1 = 0x5031,
  kPnmP2 = 0x5032,
  kPnmP3 = 0x5033,
  kPnmP4 = 0x5034,
  kPnmP5 = 0x5035,
  kPnmP6 = 0x5036,
};

enum PnmFlags : uint32_t {
  kPnmPackedDIB = 2,          // reader: a PicPackedDIB at the file's depth (PBM 1, PGM 8, PPM 24)
  kPnmBottomUp = 4,           // writer: the caller's rows are bottom row first
  kPnmRawValues = 8,          // reader: samples as stored, not scaled to the output's range
  kPnmBGRIn = 8,              // writer: pixels are B, G, R
  kPnmBGR = 16,               // reader: pixels B, G, R
  kPnmRowsBottomUp = 32,      // reader: the bottom row first
  kPnmPadRows = 0x80000000u,  // reader: rows padded to 4 bytes
};

struct PnmHeader {
  uint32_t magic = 0;  // kPnmP1 .. kPnmP6
  uint32_t width = 0, height = 0;
  uint32_t maxval = 1;
  bool Plain() const { return magic <= kPnmP3; }
  uint32_t Family() const { return Plain() ? magic - kPnmP1 : magic - kPnmP4; }  // 0 PBM, 1 PGM, 2 PPM
  uint32_t Channels() const { return Family() == 2 ? 3 : 1; }
};

int ReadPNMDims(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t* maxval,
                uint32_t* magic);
// depth 1 (PBM: packed bits, 1 = black), 8 or 16 (PGM: one sample a pixel,
// 16-bit samples in the machine's order), 24 or 48 (PPM: R, G, B).
HGLOBAL ReadPNMImage(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth,
                     uint32_t flags);
// depth 1 (P4, a set bit black), 8 or 16 (P5), 24 or 48 (P6); at 16 and 48
// the samples are 16-bit and the stride counts them. maxval 0 or below: the
// depth's full range. Returns the destination's size, 0 on failure.
uint32_t WritePNMImage(uint32_t* error, CPicIO& io, const uint8_t* pixels, uint32_t width, uint32_t height,
                       int32_t maxval, uint32_t depth, uint32_t stride, uint32_t flags);

// The generic reader's PBM, PGM and PPM codecs (pnm_entries.cpp).
extern const PicGenericCodec kPbmGenericCodec;
extern const PicGenericCodec kPgmGenericCodec;
extern const PicGenericCodec kPpmGenericCodec;

}  // namespace Pictura
