#include "bmp_writer.h"

#include <map>
#include <string>

namespace art {
namespace {

uint32_t Key(Rgba c) {
  return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

std::vector<Rgba> Flatten(const Canvas& picture, Rgba key) {
  key.a = 255;
  std::vector<Rgba> px;
  px.reserve(picture.Pixels().size());
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const Rgba p = picture.Get(x, y);
      if (p.Clear()) {
        px.push_back(key);
        continue;
      }
      if (!p.Opaque() || p == key)
        throw std::invalid_argument("pixel (" + std::to_string(x) + "," + std::to_string(y) +
                                    (p.Opaque() ? ") has the key colour" : ") is half transparent"));
      px.push_back(p);
    }
  return px;
}

void Header(ByteWriter& w, int width, int height, int bits, uint32_t rowBytes, uint32_t paletteEntries) {
  const uint32_t offset = 14 + 40 + paletteEntries * 4;
  const uint32_t image = rowBytes * uint32_t(height);
  w.Tag("BM");
  w.U32(offset + image);
  w.U32(0);
  w.U32(offset);
  w.U32(40);
  w.U32(uint32_t(width));
  w.U32(uint32_t(height));  // positive: bottom-up
  w.U16(1);
  w.U16(uint32_t(bits));
  w.U32(0);  // BI_RGB
  w.U32(image);
  w.U32(2835);  // 72 dpi
  w.U32(2835);
  w.U32(0);  // all 256 entries for 8-bit: the palette loader counts on 1 << bits
  w.U32(0);
}

}  // namespace

Bytes EncodeBmp(const Canvas& picture, Rgba key, BmpDepth depth) {
  const int w = picture.Width(), h = picture.Height();
  if (w < 1 || h < 1) throw std::invalid_argument("empty bitmap");
  const std::vector<Rgba> px = Flatten(picture, key);

  std::map<uint32_t, uint8_t> index;
  std::vector<Rgba> palette;
  bool fits = true;
  for (const Rgba& p : px) {
    if (index.count(Key(p))) continue;
    if (palette.size() == 256) {
      fits = false;
      break;
    }
    index[Key(p)] = uint8_t(palette.size());
    palette.push_back(p);
  }
  if (depth == BmpDepth::kIndexed8 && !fits)
    throw std::invalid_argument("more than 256 colours for an 8-bit bitmap");
  const bool indexed = depth == BmpDepth::kIndexed8 || (depth == BmpDepth::kAuto && fits);

  ByteWriter out;
  if (indexed) {
    const uint32_t row = (uint32_t(w) + 3) & ~3u;
    Header(out, w, h, 8, row, 256);
    for (size_t i = 0; i < 256; ++i) {
      const Rgba c = i < palette.size() ? palette[i] : Rgba{};
      out.U8(c.b), out.U8(c.g), out.U8(c.r), out.U8(0);
    }
    for (int y = h - 1; y >= 0; --y) {
      for (int x = 0; x < w; ++x) out.U8(index[Key(px[size_t(y) * w + x])]);
      for (uint32_t pad = uint32_t(w); pad < row; ++pad) out.U8(0);
    }
  } else {
    const uint32_t row = (uint32_t(w) * 3 + 3) & ~3u;
    Header(out, w, h, 24, row, 0);
    for (int y = h - 1; y >= 0; --y) {
      for (int x = 0; x < w; ++x) {
        const Rgba c = px[size_t(y) * w + x];
        out.U8(c.b), out.U8(c.g), out.U8(c.r);
      }
      for (uint32_t pad = uint32_t(w) * 3; pad < row; ++pad) out.U8(0);
    }
  }
  return out.Take();
}

}  // namespace art
