#include "icon_writer.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

namespace art {
namespace {

struct Entry {
  int width, height, bits, colours;
  uint16_t planesOrHotX, bitsOrHotY;
  Bytes dib;
};

uint32_t MaskRowBytes(int w) {
  return ((uint32_t(w) + 31) / 32) * 4;
}

void DibHeader(ByteWriter& w, int width, int height, int bits, uint32_t imageBytes) {
  w.U32(40);
  w.U32(uint32_t(width));
  w.U32(uint32_t(height) * 2);  // colour rows and mask rows
  w.U16(1);
  w.U16(uint32_t(bits));
  w.U32(0);
  w.U32(imageBytes);
  w.U32(0), w.U32(0), w.U32(0), w.U32(0);
}

void AndMask(ByteWriter& w, const Canvas& c, int alphaBelow) {
  const uint32_t row = MaskRowBytes(c.Width());
  for (int y = c.Height() - 1; y >= 0; --y)
    for (uint32_t byte = 0; byte < row; ++byte) {
      uint32_t v = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const int x = int(byte * 8) + bit;
        if (x < c.Width() && c.Get(x, y).a < alphaBelow) v |= 0x80u >> bit;
      }
      w.U8(v);
    }
}

Bytes Dib32(const Canvas& c) {
  ByteWriter w;
  DibHeader(w, c.Width(), c.Height(), 32,
            uint32_t(c.Width()) * c.Height() * 4 + MaskRowBytes(c.Width()) * c.Height());
  for (int y = c.Height() - 1; y >= 0; --y)
    for (int x = 0; x < c.Width(); ++x) {
      const Rgba p = c.Get(x, y);
      if (p.Clear())
        w.U32(0);
      else
        w.U8(p.b), w.U8(p.g), w.U8(p.r), w.U8(p.a);
    }
  AndMask(w, c, 1);
  return w.Take();
}

uint32_t Packed(Rgba c) {
  return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

// Index 0 stays black: masked pixels are black in the colour rows so the AND
// mask leaves the screen as it is.
Bytes Dib8(const Canvas& c) {
  std::map<uint32_t, int> counts;
  for (const Rgba& p : c.Pixels())
    if (p.a >= 128) ++counts[Packed(p)];
  std::vector<uint32_t> palette{0};
  if (counts.size() <= 255) {
    for (auto [colour, n] : counts)
      if (colour != 0) palette.push_back(colour);
  } else {
    // Too many colours: an even 6x7x6 cube keeps every colour within about 10%.
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 7; ++g)
        for (int b = 0; b < 6; ++b)
          palette.push_back(uint32_t(r * 51) << 16 | uint32_t(g * 85 / 2) << 8 | uint32_t(b * 51));
  }
  auto nearest = [&](Rgba p) {
    int best = 0;
    long bestDist = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
      const long dr = long(palette[i] >> 16 & 255) - p.r, dg = long(palette[i] >> 8 & 255) - p.g,
                 db = long(palette[i] & 255) - p.b;
      const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
      if (bestDist < 0 || d < bestDist) bestDist = d, best = int(i);
    }
    return best;
  };
  std::map<uint32_t, int> index;
  for (auto [colour, n] : counts) index[colour] = nearest(Rgb(colour));

  const uint32_t row = (uint32_t(c.Width()) + 3) & ~3u;
  ByteWriter w;
  DibHeader(w, c.Width(), c.Height(), 8, row * c.Height() + MaskRowBytes(c.Width()) * c.Height());
  for (size_t i = 0; i < 256; ++i) {
    const uint32_t colour = i < palette.size() ? palette[i] : 0;
    w.U8(colour & 255), w.U8(colour >> 8 & 255), w.U8(colour >> 16 & 255), w.U8(0);
  }
  for (int y = c.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < c.Width(); ++x) {
      const Rgba p = c.Get(x, y);
      w.U8(p.a >= 128 ? index[Packed(p)] : 0);
    }
    for (uint32_t pad = uint32_t(c.Width()); pad < row; ++pad) w.U8(0);
  }
  AndMask(w, c, 128);
  return w.Take();
}

void CheckSize(const Canvas& c) {
  if (c.Width() < 1 || c.Height() < 1 || c.Width() > 256 || c.Height() > 256)
    throw std::invalid_argument("icon pictures are 1 to 256 pixels wide and high");
}

Bytes Container(int type, const std::vector<Entry>& entries) {
  ByteWriter w;
  w.U16(0);
  w.U16(uint32_t(type));
  w.U16(uint32_t(entries.size()));
  uint32_t offset = 6 + 16 * uint32_t(entries.size());
  for (const Entry& e : entries) {
    w.U8(e.width & 255);  // 256 is written as 0
    w.U8(e.height & 255);
    w.U8(e.colours);
    w.U8(0);
    w.U16(e.planesOrHotX);
    w.U16(e.bitsOrHotY);
    w.U32(uint32_t(e.dib.size()));
    w.U32(offset);
    offset += uint32_t(e.dib.size());
  }
  for (const Entry& e : entries) w.Append(e.dib);
  return w.Take();
}

}  // namespace

Bytes EncodeIcon(const std::vector<Canvas>& sizes, IconOptions options) {
  if (sizes.empty()) throw std::invalid_argument("an icon needs at least one picture");
  std::set<std::pair<int, int>> seen;
  std::vector<Entry> entries;
  for (const Canvas& c : sizes) {
    CheckSize(c);
    if (!seen.insert({c.Width(), c.Height()}).second)
      throw std::invalid_argument("two icon pictures of one size");
    entries.push_back({c.Width(), c.Height(), 32, 0, 1, 32, Dib32(c)});
  }
  if (options.withIndexed)
    for (const Canvas& c : sizes) entries.push_back({c.Width(), c.Height(), 8, 0, 1, 8, Dib8(c)});
  return Container(1, entries);
}

Bytes EncodeCursor(const Canvas& picture, int hotX, int hotY) {
  CheckSize(picture);
  if (!picture.Contains(hotX, hotY)) throw std::invalid_argument("cursor hot spot outside the picture");
  return Container(
      2, {{picture.Width(), picture.Height(), 32, 0, uint16_t(hotX), uint16_t(hotY), Dib32(picture)}});
}

}  // namespace art
