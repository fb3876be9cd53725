#pragma once
// libjpeg glue: the error bridge and the source and destination managers over
// the library's streams.
//
// libjpeg is C and may be built without unwind tables, so no C++ exception may
// pass through it. Its fatal errors leave through a long jump instead: every
// libjpeg call runs inside JPGGuard, whose setjmp is the jump's target, and
// nothing between the two (the guard, the lambda, libjpeg, our callbacks) may
// hold an object with a destructor while libjpeg runs. The guard reports the
// failure by its result; the caller, back in plain C++, turns it into a code.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include "core/allocators.h"
#include "core/io_managers.h"

namespace Pictura {

struct JPGErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg sees only this part
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];  // the fatal error's text, set before the jump
};

// libjpeg-turbo decodes fastest while a few hundred bytes lie ahead in its
// buffer: a large buffer keeps it there nearly all the time.
constexpr uint32_t kJPGIOBufferSize = 64 * 1024;

struct JPGSourceManager {
  jpeg_source_mgr pub;
  CPicIO* io = nullptr;
  bool seekBack = false;  // leave the source just after the data libjpeg used
  bool startOfFile = true;
  JOCTET* buffer = nullptr;  // kJPGIOBufferSize bytes, owned by the decoder
};

struct JPGDestManager {
  jpeg_destination_mgr pub;
  CPicIO* io = nullptr;
  JOCTET* buffer = nullptr;  // kJPGIOBufferSize bytes, owned by the encoder
};

// Sets up the error manager: libjpeg's standard one with our fatal exit and
// warnings routed to the thread's message list. Returns &mgr->pub.
jpeg_error_mgr* JPGInitErrorManager(JPGErrorManager* mgr);

// Runs body() (libjpeg calls only, plain locals only) with the jump target
// set; false when libjpeg failed (mgr.message holds its text).
template <class F>
bool JPGGuard(JPGErrorManager& mgr, F&& body) {
  if (setjmp(mgr.jump)) return false;
  body();
  return true;
}

// The managers live in the caller's object, beside the libjpeg object.
void SetJPGSourceManager(j_decompress_ptr cinfo, JPGSourceManager* src, CPicIO* io, bool seekBackAtEnd);
void SetJPGDestManager(j_compress_ptr cinfo, JPGDestManager* dest, CPicIO* io);

// More scans than this in one file are refused: every scan is a pass over
// the whole image, and a small file can hold thousands of them.
constexpr int kJPGMaxScans = 500;

// A decompressor with its bridge and source, created and destroyed in pairs.
struct JPGDecoder {
  jpeg_decompress_struct cinfo{};
  JPGErrorManager err{};
  JPGSourceManager src;
  PicArray<JOCTET> buffer;
  jpeg_progress_mgr progress{};  // counts the scans
  bool created = false;

  // jpeg_create_decompress and the source manager: 0, or 1 without memory,
  // or failCode when libjpeg failed (err.message says why).
  uint32_t Create(CPicIO* io, bool seekBackAtEnd, uint32_t failCode);
  void Destroy();
  ~JPGDecoder() { Destroy(); }
};

struct JPGEncoder {
  jpeg_compress_struct cinfo{};
  JPGErrorManager err{};
  JPGDestManager dest;
  PicArray<JOCTET> buffer;
  bool created = false;

  uint32_t Create(CPicIO* io, uint32_t failCode);
  void Destroy();
  ~JPGEncoder() { Destroy(); }
};

// After a failed guard: puts libjpeg's message into the thread's message list
// (code 9, level 3) and traces "PicLib JPG Error : %s\n".
void JPGLogFailure(const JPGErrorManager& mgr);

}  // namespace Pictura
