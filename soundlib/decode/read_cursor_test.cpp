#include "soundlib/decode/read_cursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace soundlib {
namespace {

constexpr uint8_t kBytes[10] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};

uint32_t SL_CALL ReadBytes(void*, uint64_t pos, void* dst, uint32_t n) {
  return static_cast<uint32_t>(MemorySource(kBytes, sizeof kBytes).readAt(pos, dst, n));
}

// Each seek a library may ask of a cursor standing at 4, then a read there.
template <class Source>
void CheckSeeks(Source source) {
  struct Row {
    int whence;
    int64_t offset, to;  // to -1: refused, the cursor stays where it was
  };
  const Row rows[] = {{SEEK_SET, 3, 3},  {SEEK_CUR, 3, 7},   {SEEK_CUR, -4, 0},  {SEEK_END, -2, 8},
                      {SEEK_END, 5, 15}, {SEEK_SET, -1, -1}, {SEEK_CUR, -5, -1}, {SEEK_END, -11, -1}};
  for (const Row& row : rows) {
    ReadCursor<Source> cursor{source, 4};
    EXPECT_EQ(cursor.seek(row.offset, row.whence), row.to) << row.whence << " " << row.offset;
    const uint64_t at = row.to < 0 ? 4 : static_cast<uint64_t>(row.to);
    uint8_t got[3] = {};
    const size_t n = cursor.read(got, 3);
    EXPECT_EQ(n, at < 10 ? std::min<uint64_t>(3, 10 - at) : 0) << row.whence << " " << row.offset;
    if (n) {
      EXPECT_EQ(got[0], kBytes[at]) << row.whence << " " << row.offset;
    }
    EXPECT_EQ(cursor.pos, at + n) << row.whence << " " << row.offset;
  }
}

// Over the library's byte source and over the reader a plug-in is handed.
TEST(ReadCursor, SeeksFromTheStartHereOrTheEndButNeverBeforeTheStart) {
  CheckSeeks(std::shared_ptr<ByteSource>(std::make_shared<MemorySource>(kBytes, sizeof kBytes)));
  const SlByteReader reader{nullptr, &ReadBytes, sizeof kBytes};
  CheckSeeks(&reader);
}

}  // namespace
}  // namespace soundlib
