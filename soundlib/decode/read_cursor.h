// Where a decoder's library reads next in its file: the read, seek and tell
// callbacks each adapter hands its library keep their place here, over one of
// the library's byte sources or, in a plug-in, the reader the library handed
// it. Header only: the plug-ins' DLLs link nothing of the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "soundlib/decode/byte_source.h"
#include "soundlib/plugin_abi.h"

namespace soundlib {

inline uint64_t SizeOf(const ByteSource& source) {
  return source.size();
}
inline size_t ReadAt(ByteSource& source, uint64_t pos, void* dst, size_t n) {
  return source.readAt(pos, dst, n);
}
inline uint64_t SizeOf(const SlByteReader& reader) {
  return reader.size;
}
inline size_t ReadAt(const SlByteReader& reader, uint64_t pos, void* dst, size_t n) {
  return reader.read(reader.context, pos, dst, static_cast<uint32_t>(n));
}

// `Source` points at a ByteSource (a shared_ptr keeps it) or an SlByteReader.
template <class Source>
struct ReadCursor {
  Source source{};
  uint64_t pos = 0;

  uint64_t size() const { return SizeOf(*source); }

  // Reads up to `n` bytes here and moves past what came.
  size_t read(void* dst, size_t n) {
    const size_t got = ReadAt(*source, pos, dst, n);
    pos += got;
    return got;
  }

  // Moves to `offset` from the start, from here or from the end (SEEK_SET,
  // SEEK_CUR, anything else); returns the new place, or -1 without moving
  // when that lies before the start. Past the end is allowed: reads there
  // give nothing.
  int64_t seek(int64_t offset, int whence) {
    const int64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? static_cast<int64_t>(pos)
                                              : static_cast<int64_t>(size());
    const int64_t to = base + offset;
    if (to < 0) return -1;
    pos = static_cast<uint64_t>(to);
    return to;
  }
};

}  // namespace soundlib
