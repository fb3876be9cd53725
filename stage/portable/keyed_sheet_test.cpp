// A sheet kept in its file's depth: which packed DIBs are read as they stand,
// and the key mask built from their indices, against pictures packed here
// pixel by pixel.

#include "stage/portable/keyed_sheet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

struct Header {
  uint32_t size = 40;
  int32_t width = 3, height = 2;
  uint16_t planes = 1, bits = 8;
  uint32_t compression = 0, used = 0;
};

// A packed DIB with `header`, a table of `tableEntries` and `pixelBytes` of rows.
std::vector<uint8_t> Packed(const Header& h, size_t tableEntries, size_t pixelBytes) {
  std::vector<uint8_t> b(h.size + tableEntries * 4 + pixelBytes, 0);
  if (b.size() < 40) b.resize(40);
  Put32(b, 0, h.size);
  Put32(b, 4, static_cast<uint32_t>(h.width));
  Put32(b, 8, static_cast<uint32_t>(h.height));
  Put16(b, 12, h.planes);
  Put16(b, 14, h.bits);
  Put32(b, 16, h.compression);
  Put32(b, 32, h.used);
  return b;
}

TEST(KeyedSheet, IndexedUncompressedPicturesAreDescribed) {
  struct Row {
    const char* what;
    Header header;
    size_t table, pixels;
    int height, colours;
    bool bottomUp;
    size_t pixelOffset, stride;
  } rows[] = {
      {"8 bits, bottom-up, full table", {40, 3, 2, 1, 8, 0, 0}, 256, 8, 2, 256, true, 40 + 1024, 4},
      {"8 bits, short table", {40, 5, 1, 1, 8, 0, 17}, 17, 8, 1, 17, true, 40 + 68, 8},
      {"4 bits, top-down", {40, 9, -3, 1, 4, 0, 5}, 5, 24, 3, 5, false, 40 + 20, 8},
      {"4 bits, full table", {40, 8, 1, 1, 4, 0, 0}, 16, 4, 1, 16, true, 40 + 64, 4},
      {"1 bit, 33 wide", {40, 33, 2, 1, 1, 0, 0}, 2, 16, 2, 2, true, 40 + 8, 8},
      {"1 bit, 32 wide", {40, 32, 1, 1, 1, 0, 0}, 2, 4, 1, 2, true, 40 + 8, 4},
      {"a later header's table follows it", {124, 2, 1, 1, 8, 0, 2}, 2, 4, 1, 2, true, 124 + 8, 4},
      {"rows padded past the data's end are extra bytes", {40, 1, 1, 1, 8, 0, 1}, 1, 64, 1, 1, true, 44, 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::vector<uint8_t> packed = Packed(row.header, row.table, row.pixels);
    PackedDibLayout layout;
    ASSERT_TRUE(DescribeIndexedDib(packed.data(), packed.size(), &layout));
    EXPECT_EQ(layout.width, row.header.width);
    EXPECT_EQ(layout.height, row.height);
    EXPECT_EQ(layout.bottomUp, row.bottomUp);
    EXPECT_EQ(layout.bits, row.header.bits);
    EXPECT_EQ(layout.colours, row.colours);
    EXPECT_EQ(layout.pixelOffset, row.pixelOffset);
    EXPECT_EQ(layout.stride, row.stride);
  }
}

TEST(KeyedSheet, OtherAndHostilePicturesAreRefusedUntouched) {
  struct Row {
    const char* what;
    Header header;
    size_t table, pixels;
    long sizeChange;  // added to the buffer's true size when described
  } rows[] = {
      {"old-style header", {12, 3, 2, 1, 8, 0, 0}, 256, 8, 0},
      {"header larger than the data", {4000, 3, 2, 1, 8, 0, 0}, 0, 0, -3000},
      {"24 bits", {40, 3, 2, 1, 24, 0, 0}, 0, 24, 0},
      {"32 bits", {40, 3, 2, 1, 32, 0, 0}, 0, 24, 0},
      {"16 bits", {40, 3, 2, 1, 16, 0, 0}, 0, 16, 0},
      {"2 bits", {40, 3, 2, 1, 2, 0, 0}, 4, 8, 0},
      {"0 bits", {40, 3, 2, 1, 0, 0, 0}, 0, 8, 0},
      {"run-length 8", {40, 3, 2, 1, 8, 1, 0}, 256, 8, 0},
      {"run-length 4", {40, 3, 2, 1, 4, 2, 0}, 16, 8, 0},
      {"a compression known only by its high byte", {40, 3, 2, 1, 8, 0x01000000, 0}, 256, 8, 0},
      {"two planes", {40, 3, 2, 2, 8, 0, 0}, 256, 8, 0},
      {"no width", {40, 0, 2, 1, 8, 0, 0}, 256, 8, 0},
      {"negative width", {40, -3, 2, 1, 8, 0, 0}, 256, 8, 0},
      {"no height", {40, 3, 0, 1, 8, 0, 0}, 256, 8, 0},
      {"width past the limit", {40, 32769, 1, 1, 8, 0, 0}, 256, 32772, 0},
      {"height past the limit", {40, 1, 32769, 1, 8, 0, 0}, 256, 4 * 32769, 0},
      {"top-down height past the limit", {40, 1, -32769, 1, 8, 0, 0}, 256, 4 * 32769, 0},
      {"most negative height", {40, 1, INT32_MIN, 1, 8, 0, 0}, 256, 8, 0},
      {"table longer than 8 bits allow", {40, 3, 2, 1, 8, 0, 257}, 257, 8, 0},
      {"table longer than 4 bits allow", {40, 3, 2, 1, 4, 0, 17}, 17, 8, 0},
      {"table longer than 1 bit allows", {40, 3, 2, 1, 1, 0, 3}, 3, 8, 0},
      {"last row one byte short", {40, 3, 2, 1, 8, 0, 0}, 256, 8, -1},
      {"table cut off", {40, 3, 2, 1, 8, 0, 0}, 256, 0, -1000},
      {"only a header's start", {40, 3, 2, 1, 8, 0, 0}, 0, 0, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::vector<uint8_t> packed = Packed(row.header, row.table, row.pixels);
    const size_t size = packed.size() + row.sizeChange;
    PackedDibLayout layout;
    layout.width = 77;
    EXPECT_FALSE(DescribeIndexedDib(packed.data(), size, &layout));
    EXPECT_EQ(layout.width, 77) << "the layout is left as it was";
  }
  const std::vector<uint8_t> good = Packed({}, 256, 8);
  PackedDibLayout layout;
  EXPECT_FALSE(DescribeIndexedDib(nullptr, good.size(), &layout));
  EXPECT_FALSE(DescribeIndexedDib(good.data(), good.size(), nullptr));
  EXPECT_TRUE(DescribeIndexedDib(good.data(), good.size(), &layout)) << "the rows' exact size is enough";
}

TEST(KeyedSheet, KeyEntriesAreExactColoursInsideTheTable) {
  // Entries are blue, green, red, reserved.
  std::vector<uint8_t> table(256 * 4, 0);
  auto set = [&](int i, uint8_t r, uint8_t g, uint8_t b, uint8_t reserved = 0) {
    table[4 * i] = b;
    table[4 * i + 1] = g;
    table[4 * i + 2] = r;
    table[4 * i + 3] = reserved;
  };
  set(0, 255, 0, 255);
  set(1, 255, 0, 254);  // near magenta
  set(2, 254, 0, 255);
  set(3, 255, 1, 255);
  set(4, 255, 0, 255, 7);  // the reserved byte does not count
  set(5, 0, 255, 255);     // cyan
  set(6, 255, 0, 255);     // just past a table of 6
  set(9, 255, 0, 255);     // past a table of 6
  std::vector<bool> keys = KeyEntries(table.data(), 6, 0xFF00FF);
  ASSERT_EQ(keys.size(), 256u);
  std::vector<bool> expected(256, false);
  expected[0] = expected[4] = true;
  EXPECT_EQ(keys, expected);
  keys = KeyEntries(table.data(), 256, 0x01FF00FF);  // a COLORREF's high byte does not count
  expected[6] = expected[9] = true;
  EXPECT_EQ(keys, expected);
  keys = KeyEntries(table.data(), 300, 0x00FFFF);  // never past 256; red is the key's high byte
  expected.assign(256, false);
  expected[5] = true;
  EXPECT_EQ(keys, expected);
}

// Rows of `indices` (top-down) packed as a DIB of `bits` would store them.
std::vector<uint8_t> PackRows(const std::vector<std::vector<int>>& indices, int bits, bool bottomUp,
                              size_t stride) {
  const size_t height = indices.size();
  std::vector<uint8_t> out(stride * height, 0xA5);  // padding with bits set must not leak into the mask
  for (size_t y = 0; y < height; ++y) {
    uint8_t* row = out.data() + (bottomUp ? height - 1 - y : y) * stride;
    std::memset(row, 0, (indices[y].size() * bits + 7) / 8);
    for (size_t x = 0; x < indices[y].size(); ++x) {
      const size_t bit = x * bits;
      row[bit / 8] |= static_cast<uint8_t>(indices[y][x] << (8 - bits - bit % 8));
    }
  }
  return out;
}

bool MaskBit(const std::vector<uint8_t>& mask, size_t stride, int x, int y) {
  return (mask[y * stride + x / 8] >> (7 - x % 8)) & 1;
}

TEST(KeyedSheet, TheMaskIsSetExactlyWhereAKeyIndexStands) {
  std::mt19937 random(29);
  for (int bits : {1, 4, 8}) {
    for (int width : {1, 2, 7, 8, 9, 15, 16, 17, 31, 33, 100}) {
      for (bool bottomUp : {true, false}) {
        const int height = 1 + width % 5;
        SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(width) + " wide, " +
                     (bottomUp ? "bottom-up" : "top-down"));
        const int colours = 1 << bits;
        std::vector<bool> keys(256, false);
        for (int i = 0; i < colours; ++i) keys[i] = random() % 3 == 0;
        keys[colours - 1] = true;  // the highest index too
        std::vector<std::vector<int>> indices(height, std::vector<int>(width));
        for (auto& row : indices)
          for (int& index : row) index = static_cast<int>(random() % colours);
        indices[0][width - 1] = colours - 1;  // a key in the last column
        PackedDibLayout layout;
        layout.width = width;
        layout.height = height;
        layout.bottomUp = bottomUp;
        layout.bits = bits;
        layout.colours = colours;
        layout.stride = (size_t(width) * bits + 31) / 32 * 4;
        const std::vector<uint8_t> pixels = PackRows(indices, bits, bottomUp, layout.stride);
        const std::vector<uint8_t> mask = KeyMaskRows(pixels.data(), layout, keys);
        const size_t maskStride = (width + 15) / 16 * 2;
        ASSERT_EQ(mask.size(), maskStride * height);
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x)
            ASSERT_EQ(MaskBit(mask, maskStride, x, y), keys[indices[y][x]]) << x << "," << y;
          for (int x = width; x < static_cast<int>(maskStride * 8); ++x)
            ASSERT_FALSE(MaskBit(mask, maskStride, x, y)) << "padding " << x << "," << y;
        }
      }
    }
  }
}

TEST(KeyedSheet, AShortKeyListMarksNothing) {
  PackedDibLayout layout;
  layout.width = 4;
  layout.height = 1;
  layout.bits = 8;
  layout.colours = 256;
  layout.stride = 4;
  const uint8_t pixels[4] = {0, 1, 2, 3};
  EXPECT_EQ(KeyMaskRows(pixels, layout, std::vector<bool>(4, true)), (std::vector<uint8_t>{0, 0}));
}

}  // namespace
