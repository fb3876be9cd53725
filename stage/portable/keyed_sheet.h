#pragma once
// A sprite sheet kept in its file's own depth: a packed DIB of 1, 4 or 8 bits
// a pixel read as it stands, and the mask of its key colour built from its
// indices. A screen-format copy of a figure's sheet takes four bytes a pixel;
// the indices take one or less, and drawn through the same mask they give the
// same pixels.

#include <cstddef>
#include <cstdint>
#include <vector>

struct PackedDibLayout {
  int width = 0;
  int height = 0;          // rows, always positive
  bool bottomUp = true;    // the first row in the data is the picture's last
  int bits = 0;            // 1, 4 or 8
  int colours = 0;         // entries in the colour table, at most 1 << bits
  size_t pixelOffset = 0;  // from the header's start
  size_t stride = 0;       // bytes a row, a multiple of 4
};

// The layout of a packed DIB (BITMAPINFOHEADER or a later header, its colour
// table, then its rows) of `size` bytes with an indexed, uncompressed picture
// whose rows all lie inside. False for anything else: deeper or compressed
// pictures, an old-style header, a table longer than the depth allows, a
// picture larger than `size`. Only the header's first 40 bytes are read.
bool DescribeIndexedDib(const uint8_t* data, size_t size, PackedDibLayout* layout);

// The colour table's entries (blue, green, red, reserved) whose colour is
// 0x00RRGGBB `key`: 256 flags, entries past the table never key.
std::vector<bool> KeyEntries(const uint8_t* table, int colours, uint32_t key);

// A monochrome mask of the picture: top-down rows padded to 16 bits, the
// first pixel in a byte's high bit, a set bit (white) where the pixel's
// index is a key entry.
std::vector<uint8_t> KeyMaskRows(const uint8_t* pixels, const PackedDibLayout& layout,
                                 const std::vector<bool>& keyEntries);
