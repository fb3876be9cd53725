#pragma once
// libpng glue: the error bridge and the read and write callbacks over the
// library's streams.
//
// libpng is C and may be built without unwind tables, so no C++ exception may
// pass through it. Its errors leave through libpng's own long jump: every
// libpng call that may fail runs inside PNGGuard, whose setjmp on
// png_jmpbuf is the jump's target, and nothing between the two (the guard,
// the lambda, libpng, our callbacks) may hold an object with a destructor
// while libpng runs. The guard reports the failure by its result; the
// caller, back in plain C++, turns it into a code.

#include <csetjmp>
#include <cstdint>

#include <png.h>

#include "core/io_managers.h"

namespace Pictura {

// One libpng read or write structure with its info structure; destroyed with
// the object.
class PNGSession {
 public:
  explicit PNGSession(bool write) : write_(write) {}
  ~PNGSession();
  PNGSession(const PNGSession&) = delete;
  PNGSession& operator=(const PNGSession&) = delete;

  // Creates the structures (with the installed libpng's version string) and
  // binds them to io; false when libpng could not make them.
  bool Create(CPicIO* io);

  png_structp png() const { return png_; }
  png_infop info() const { return info_; }
  const char* Message() const { return message_; }
  bool Writing() const { return write_; }

  // libpng's error callback stores its text here before jumping.
  void SetMessage(const char* text);

  // Reads for libpng. Chunk headers are checked on the way: libpng 1.6
  // only warns about a chunk beyond its size limit and then allocates and
  // clears the length the file claims, so a chunk (other than IDAT, which
  // libpng reads in pieces) longer than the rest of the file is refused
  // here, before libpng sees it.
  // Returns null, or the failure's text for png_error.
  const char* ReadForLibpng(uint8_t* data, size_t length);

 private:
  bool write_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  CPicIO* io_ = nullptr;
  uint64_t offset_ = 0;      // bytes libpng has read
  uint64_t nextChunk_ = 8;   // where the next chunk header starts
  uint64_t sourceSize_ = 0;  // 0: the source does not know
  char message_[256] = {};
};

// Runs body() (libpng calls and plain locals only) with the jump target set;
// false when libpng failed (session.Message() holds its text).
template <class F>
bool PNGGuard(PNGSession& session, F&& body) {
  if (setjmp(png_jmpbuf(session.png()))) return false;
  body();
  return true;
}

// After a failed guard: the text goes to the thread's message list (code 15,
// level 3) and to the trace as "PicLib PNG Error : %s\n".
void PNGLogFailure(const PNGSession& session);

}  // namespace Pictura
