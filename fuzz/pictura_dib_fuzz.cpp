// Packed DIBs with headers and data chosen by the fuzzer: a header is either
// refused or its pixels are read only inside the block (RLE streams only up
// to the bytes present), and every unpacker writes only the rows the header
// describes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/packed_dib.h"
#include "pictura.h"

using namespace Pictura;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(BITMAPINFOHEADER) + 1) return 0;
  const uint8_t mode = data[0];
  std::vector<uint8_t> block(data + 1, data + size);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  // Keep the images small enough to decode many per second.
  header->biWidth = header->biWidth % 512;
  header->biHeight = header->biHeight % 256;
  // For RLE streams: the length the block really holds (after the table).
  uint32_t error = 0;
  DIBLayout layout;
  if (!DescribeDIB(&error, header, &layout)) return 0;
  if (layout.pixelOffset > block.size()) return 0;
  const uint64_t present = block.size() - layout.pixelOffset;
  const bool rle = layout.compression == BI_RLE8 || layout.compression == BI_RLE4;
  if (rle)
    header->biSizeImage = static_cast<DWORD>(present ? present : 1);
  else if (layout.pixelBytes > present)
    block.resize(static_cast<size_t>(layout.pixelOffset + layout.pixelBytes));
  if (rle && present == 0) block.push_back(0);
  header = reinterpret_cast<BITMAPINFOHEADER*>(block.data());

  std::vector<uint8_t> out(uint64_t{layout.width} * layout.height * 4);
  RGBQUAD palette[256];
  uint32_t count = 0;
  switch (mode % 4) {
    case 0:
      DIBToRGB(&error, block.data(), out.data());
      break;
    case 1:
      DIBToRGBA(&error, block.data(), mode, out.data());
      break;
    case 2:
      DIBToColormapped(&error, block.data(), mode & 4 ? 1 : 8, &count, palette, out.data());
      break;
    default:
      if (rle) {
        // The DIB layout: DWORD-aligned rows, flipped bottom-up at the end.
        out.resize(static_cast<size_t>(DIBStride(layout.width, 32) * layout.height));
        DIBRowsToBuffer(&error, block.data() + layout.pixelOffset, present, mode & 8 ? 32 : 24, header,
                        reinterpret_cast<const RGBQUAD*>(header + 1), out.data(), true);
      }
      break;
  }
  return 0;
}
