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

#include "core/io_managers.h"

namespace Pictura {

struct JPGErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg sees only this part
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];  // the fatal error's text, set before the jump
};

constexpr uint32_t kJPGIOBufferSize = 4096;

struct JPGSourceManager {
  jpeg_source_mgr pub;
  CPicIO* io = nullptr;
  bool seekBack = false;  // leave the source just after the data libjpeg used
  bool startOfFile = true;
  JOCTET buffer[kJPGIOBufferSize];
};

struct JPGDestManager {
  jpeg_destination_mgr pub;
  CPicIO* io = nullptr;
  JOCTET buffer[kJPGIOBufferSize];
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
  jpeg_progress_mgr progress{};  // counts the scans
  bool created = false;

  // jpeg_create_decompress and the source manager; false on failure.
  bool Create(CPicIO* io, bool seekBackAtEnd);
  void Destroy();
  ~JPGDecoder() { Destroy(); }
};

struct JPGEncoder {
  jpeg_compress_struct cinfo{};
  JPGErrorManager err{};
  JPGDestManager dest;
  bool created = false;

  bool Create(CPicIO* io);
  void Destroy();
  ~JPGEncoder() { Destroy(); }
};

// After a failed guard: puts libjpeg's message into the thread's message list
// (code 9, level 3) and traces "PicLib JPG Error : %s\n".
void JPGLogFailure(const JPGErrorManager& mgr);

}  // namespace Pictura
