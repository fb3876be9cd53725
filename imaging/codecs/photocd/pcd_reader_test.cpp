// PhotoCD packs from a generator of our own (plain levels, residual streams
// with 3-bit codes, sync patterns and row headers bit by bit), read back
// against a straightforward reading: planes doubled out of place, residuals
// added, colours converted.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "codecs/codec_entry_support.h"
#include "codecs/photocd/pcd_codec.h"
#include "codecs/photocd/pictura_pcd.h"
#include "core/pictura_core.h"
#include "reader/pictura_read.h"

using namespace pictest;
using namespace Pictura;

namespace {

constexpr size_t kSector = 2048;

struct Planes {
  uint32_t w = 0, h = 0;
  Bytes y, c1, c2;  // c1 and c2 at half size
};

Planes MakePlanes(uint32_t w, uint32_t h, unsigned seed) {
  Planes p{w, h, Noise(size_t{w} * h, seed), Noise(size_t{w} * h / 4, seed + 1),
           Noise(size_t{w} * h / 4, seed + 2)};
  for (size_t i = 0; i < p.y.size(); i += 3) p.y[i] = uint8_t(i * 7 / p.w);  // some smoothness
  return p;
}

// Plain doubling: even samples copied, odd ones the rounded means.
Bytes Double(const Bytes& s, uint32_t w, uint32_t h) {
  Bytes out(size_t{w} * h * 4);
  auto at = [&](uint32_t x, uint32_t y) {
    return int{s[size_t{std::min(y, h - 1)} * w + std::min(x, w - 1)]};
  };
  for (uint32_t y = 0; y < 2 * h; ++y)
    for (uint32_t x = 0; x < 2 * w; ++x) {
      const uint32_t sx = x / 2, sy = y / 2;
      int v = x % 2 == 0 ? at(sx, sy) : (at(sx, sy) + at(sx + 1, sy) + 1) / 2;  // even rows and the last
      if (y % 2 == 1 && sy + 1 < h)
        v = x % 2 == 0 ? (at(sx, sy) + at(sx, sy + 1) + 1) / 2
                       : (at(sx, sy) + at(sx + 1, sy) + at(sx, sy + 1) + at(sx + 1, sy + 1) + 2) / 4;
      out[size_t{y} * 2 * w + x] = uint8_t(v);
    }
  return out;
}

// One residual row: the plane (0, 2, 3), the row number and its deltas.
struct Residual {
  uint32_t plane, row;
  std::vector<int> codes;  // indices into kCodes; -1 an invalid code
};
// 3-bit codes (no long runs of ones, so no false sync) and their deltas.
const int kDelta[5] = {0, 3, -3, 40, -40};

class BitWriter {
 public:
  void Put(uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
      acc_ = acc_ << 1 | (v >> i & 1);
      if (++bits_ == 8) bytes.push_back(uint8_t(acc_)), acc_ = 0, bits_ = 0;
    }
  }
  void Align() {
    while (bits_) Put(0, 1);
  }
  Bytes bytes;

 private:
  uint32_t acc_ = 0;
  int bits_ = 0;
};

Bytes Stream(int tables, const std::vector<Residual>& rows, uint32_t endRow, int codeLength = 3) {
  BitWriter b;
  for (int t = 0; t < tables; ++t) {
    b.Put(4, 8);  // five entries
    for (int i = 0; i < 5; ++i)
      b.Put(codeLength - 1, 8), b.Put(uint32_t(i) << 13, 16), b.Put(uint8_t(kDelta[i]), 8);
  }
  auto sync = [&](uint32_t plane, uint32_t row) {
    b.Align();
    for (uint8_t v : {0xFF, 0xFF, 0xFE}) b.Put(v, 8);
    b.Put(plane << 6 | (row >> 7 & 63), 8);
    b.Put((row & 127) << 1, 8);
  };
  for (const Residual& r : rows) {
    sync(r.plane, r.row);
    for (int c : r.codes) b.Put(c < 0 ? 7 : uint32_t(c), 3);
  }
  sync(0, endRow);
  b.Align();
  // Zeros to the sector's end, at least 8 bytes of them: the reader looks ahead.
  b.bytes.resize((b.bytes.size() + 8 + kSector - 1) / kSector * kSector);
  return b.bytes;
}

void PutLevel(Bytes& f, size_t sector, const Planes& p) {
  size_t at = sector * kSector;
  f.resize(std::max(f.size(), at + size_t{p.w} * p.h * 3 / 2));
  for (uint32_t r = 0; r < p.h; r += 2) {
    std::copy_n(p.y.begin() + size_t{r} * p.w, 2 * p.w, f.begin() + at), at += 2 * p.w;
    std::copy_n(p.c1.begin() + size_t{r / 2} * p.w / 2, p.w / 2, f.begin() + at), at += p.w / 2;
    std::copy_n(p.c2.begin() + size_t{r / 2} * p.w / 2, p.w / 2, f.begin() + at), at += p.w / 2;
  }
}

struct Pack {
  Planes levels[3];
  std::vector<Residual> r4, r16;
  Bytes file;
};

Pack MakePack(uint8_t rotation, std::vector<Residual> r4, std::vector<Residual> r16, Bytes stream4 = {}) {
  Pack p;
  p.r4 = std::move(r4), p.r16 = std::move(r16);
  for (int l = 0; l < 3; ++l) p.levels[l] = MakePlanes(192u << l, 128u << l, 10 * l + 1);
  p.file.assign(3 * kSector, 0);
  std::copy_n("PCD_IPI", 7, p.file.begin() + kSector);
  p.file[kPcdRotationByte] = rotation;
  PutLevel(p.file, kPcdBase16Sector, p.levels[0]);
  PutLevel(p.file, kPcdBase4Sector, p.levels[1]);
  PutLevel(p.file, kPcdBaseSector, p.levels[2]);
  if (stream4.empty()) stream4 = Stream(1, p.r4, 1024);
  p.file.resize(388 * kSector);
  p.file.insert(p.file.end(), stream4.begin(), stream4.end());
  p.file.resize(p.file.size() + 12 * kSector);
  const Bytes s16 = Stream(3, p.r16, 2048);
  p.file.insert(p.file.end(), s16.begin(), s16.end());
  return p;
}

void Apply(Bytes& plane, uint32_t w, const Residual& r) {
  uint8_t* row = plane.data() + size_t{r.plane == 0 ? r.row : r.row / 2} * w;
  for (size_t x = 0; x < r.codes.size() && x < w; ++x)
    row[x] = uint8_t(std::clamp(row[x] + kDelta[r.codes[x]], 0, 255));
}

// The expected R, G, B of a pack at a resolution (before any turn).
Bytes Expected(const Pack& p, uint32_t resolution, uint32_t* w, uint32_t* h) {
  const Planes& base = p.levels[std::min(resolution, 3u) - 1];
  Bytes y = base.y, c1 = base.c1, c2 = base.c2;
  uint32_t yw = base.w, yh = base.h;
  for (uint32_t level = 4; level <= resolution; ++level) {
    y = Double(y, yw, yh), c1 = Double(c1, yw / 2, yh / 2), c2 = Double(c2, yw / 2, yh / 2);
    yw *= 2, yh *= 2;
    for (const Residual& r : level == 4 ? p.r4 : level == 5 ? p.r16 : std::vector<Residual>{})
      Apply(r.plane == 0 ? y : r.plane == 2 ? c1 : c2, r.plane == 0 ? yw : yw / 2, r);
  }
  c1 = Double(c1, yw / 2, yh / 2), c2 = Double(c2, yw / 2, yh / 2);
  Bytes rgb(y.size() * 3);
  for (size_t i = 0; i < y.size(); ++i) PCDToRGB(y[i], c1[i], c2[i], &rgb[3 * i]);
  *w = yw, *h = yh;
  return rgb;
}

struct Read {
  Bytes pixels;
  uint32_t code = 0;
  DWORD w = 0, h = 0;
};
Read ReadPcd(const Bytes& file, DWORD resolution, DWORD flags = 0) {
  Source src(file);
  Read r;
  r.pixels = TakeBlock(pic_ReadPCD(src, &r.w, &r.h, resolution, flags));
  r.code = PicGetLastError();
  return r;
}

std::vector<int> Codes(size_t n, int seed) {
  std::vector<int> c(n);
  for (size_t i = 0; i < n; ++i) c[i] = int((i * 7 + seed) % 5);
  return c;
}

}  // namespace

// PhotoYCC to RGB at a few points of the curve.
TEST(PcdColour, KnownValues) {
  struct Row {
    uint8_t y, c1, c2, r, g, b;
  } rows[] = {
      {0, 156, 137, 0, 0, 0},          // neutral black
      {255, 156, 137, 255, 255, 255},  // 357.5 clamps to 350
      {100, 156, 137, 143, 143, 143},  // 140.2: entry 140
      {100, 156, 200, 237, 79, 143},   // red: 258.6 and 79.9
  };
  for (const Row& row : rows) {
    uint8_t rgb[3];
    PCDToRGB(row.y, row.c1, row.c2, rgb);
    EXPECT_EQ(Bytes(rgb, rgb + 3), Bytes({row.r, row.g, row.b})) << int(row.y) << " " << int(row.c2);
  }
}

// Every resolution against the straightforward reading, with residual rows
// of luma and chroma (a row past the width, a corrupt code that skips to
// the next sync).
TEST(PcdRead, EveryResolution) {
  std::vector<Residual> r4 = {{0, 0, Codes(1536, 1)}, {0, 7, Codes(1536, 2)}, {0, 1023, Codes(1600, 3)}};
  std::vector<int> corrupt = Codes(50, 4);
  corrupt[20] = -1;  // decoding stops here; the next row still counts
  r4.push_back({0, 9, corrupt});
  std::vector<Residual> r16 = {{0, 2047, Codes(3072, 5)}, {2, 10, Codes(1536, 6)}, {3, 1001, Codes(1536, 7)}};
  Pack pack = MakePack(0, r4, r16);
  pack.r4[3].codes.resize(20);  // what the corrupt row applies
  for (uint32_t resolution : {0u, 1u, 2u, 3u, 4u, 5u}) {
    uint32_t w = 0, h = 0;
    const Bytes want = Expected(pack, std::max(resolution, 1u), &w, &h);
    const Read got = ReadPcd(pack.file, resolution);
    EXPECT_EQ(std::vector<DWORD>({got.w, got.h}), std::vector<DWORD>({w, h})) << resolution;
    EXPECT_TRUE(got.pixels == want) << "resolution " << resolution;
  }
  // 64Base (and 9, clamped to it) is 16Base doubled.
  const Read top = ReadPcd(pack.file, 9);
  EXPECT_EQ(std::vector<DWORD>({top.w, top.h}), std::vector<DWORD>({6144, 4096}));
}

// The header's turn, the DIB, overview packs and hostile streams.
TEST(PcdRead, TurnsIndexAndHostileStreams) {
  const Pack upright = MakePack(0, {}, {}), turned = MakePack(1, {}, {});
  const Read a = ReadPcd(upright.file, 3), b = ReadPcd(turned.file, 3);
  ASSERT_EQ(std::vector<DWORD>({b.w, b.h}), std::vector<DWORD>({512, 768}));
  // A quarter turn counter-clockwise: pixel (x, y) goes to (y, 767 - x).
  for (uint32_t y : {0u, 200u, 511u})
    for (uint32_t x : {0u, 300u, 767u})
      EXPECT_TRUE(std::equal(a.pixels.begin() + (y * 768 + x) * 3, a.pixels.begin() + (y * 768 + x) * 3 + 3,
                             b.pixels.begin() + ((767 - x) * 512 + y) * 3));
  const Read dib = ReadPcd(upright.file, 1, kPcdPackedDIB);
  ASSERT_EQ(dib.pixels.size(), 40 + 192 * 128 * 3u);
  const Read plain = ReadPcd(upright.file, 1);
  EXPECT_EQ(dib.pixels[40], plain.pixels[127 * 192 * 3 + 2]);  // bottom row first, B, G, R

  Bytes overview(kSector * 3, 0);
  std::copy_n("PCD_OPA", 7, overview.begin());
  overview[10] = 1, overview[11] = 44;
  EXPECT_EQ(ReadPcd(overview, 3).code, 64u);
  Source index(overview);
  EXPECT_EQ(pic_GetPCDIndexImageCount(index), 300u);
  Source notIndex(upright.file);
  EXPECT_EQ(pic_GetPCDIndexImageCount(notIndex), 0u);
  EXPECT_EQ(PicGetLastError(), 63u);

  Bytes cut = upright.file;
  cut.resize(100 * kSector);
  struct Row {
    const char* name;
    Bytes file;
    uint32_t code;
  } rows[] = {
      {"row past the height", MakePack(0, {}, {}, Stream(1, {{0, 1025, Codes(5, 1)}}, 1024)).file, 63},
      {"plane 1", MakePack(0, {}, {}, Stream(1, {{1, 3, Codes(5, 1)}}, 1024)).file, 63},
      {"chroma without its table", MakePack(0, {}, {}, Stream(1, {{2, 3, Codes(5, 1)}}, 1024)).file, 63},
      {"code of 17 bits", MakePack(0, {}, {}, Stream(1, {}, 1024, 17)).file, 63},
      {"no PCD sector", Bytes(kSector * 3, 'P'), 63},
      {"cut inside Base", cut, 3},
  };
  for (const Row& row : rows) EXPECT_EQ(ReadPcd(row.file, 4).code, row.code) << row.name;

  Source src(upright.file);
  DWORD w = 0, h = 0;
  EXPECT_EQ(TakeBlock(pic_ReadImage(src, &w, &h, 0, 0)), a.pixels);
}

// Overview packs' thumbnails; an index past the count, a count past the
// data or another kind of pack is refused.
TEST(PcdIndex, Thumbnails) {
  Pack thumbs[2];
  Bytes overview(3 * kSector, 0);
  std::copy_n("PCD_OPA\0\0\0\0\x02", 12, overview.begin());
  for (unsigned i = 0; i < 2; ++i)
    PutLevel(overview, 3 + 18 * i, thumbs[i].levels[0] = MakePlanes(192, 128, 40 + i));
  Bytes claimsMore = overview;
  claimsMore[10] = claimsMore[11] = 0xFF;
  const struct {
    Bytes file;
    DWORD index;
    uint32_t code;
  } rows[] = {{overview, 0, 0},
              {overview, 1, 0},
              {overview, 2, 5},
              {claimsMore, 65534, 3},
              {MakePack(0, {}, {}).file, 0, 63}};
  for (const auto& row : rows) {
    Source src(row.file);
    DWORD w = 0, h = 0;
    uint32_t ew = 0, eh = 0;
    EXPECT_TRUE(TakeBlock(pic_ReadPCDIndex(src, row.index, &w, &h, 0)) ==
                (row.code ? Bytes() : Expected(thumbs[row.index], 1, &ew, &eh)));
    EXPECT_EQ(PicGetLastError(), row.code) << row.index;
    EXPECT_EQ(w, row.code ? 0u : 192u);
  }
}
