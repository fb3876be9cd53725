// PhotoCD reader: header, plain levels, Huffman residuals, interpolation,
// PhotoYCC to RGB and the quarter turns the header asks for.
#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/image_block.h"
#include "codecs/photocd/pcd_codec.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

constexpr uint32_t kHeaderBytes = 3 * kPcdSector;

// The tone curve the format maps each colour sum (0..350) through.
constexpr uint8_t kTone[351] = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,  20,
    21,  22,  23,  24,  25,  26,  27,  28,  29,  29,  30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  40,
    41,  42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,
    62,  63,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  83,
    84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  95,  96,  97,  98,  99,  100, 101, 102, 103, 104, 105,
    106, 107, 108, 109, 110, 111, 112, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127,
    128, 129, 130, 131, 132, 133, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149,
    150, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170,
    171, 172, 173, 174, 175, 175, 176, 177, 178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 187, 188, 189,
    190, 191, 192, 193, 194, 194, 195, 196, 197, 198, 199, 199, 200, 201, 202, 203, 203, 204, 205, 206, 207,
    207, 208, 209, 210, 210, 211, 212, 213, 213, 214, 215, 215, 216, 217, 218, 218, 219, 220, 220, 221, 222,
    222, 223, 223, 224, 225, 225, 226, 227, 227, 228, 228, 229, 229, 230, 230, 231, 232, 232, 233, 233, 234,
    234, 235, 235, 235, 236, 236, 237, 237, 238, 238, 238, 239, 239, 240, 240, 240, 241, 241, 242, 242, 242,
    243, 243, 243, 243, 244, 244, 244, 245, 245, 245, 245, 246, 246, 246, 247, 247, 247, 247, 247, 248, 248,
    248, 248, 249, 249, 249, 249, 249, 249, 250, 250, 250, 250, 250, 250, 251, 251, 251, 251, 251, 251, 252,
    252, 252, 252, 252, 252, 252, 252, 252, 253, 253, 253, 253, 253, 253, 253, 253, 253, 254, 254, 254, 254,
    254, 254, 254, 254, 254, 254, 254, 254, 255, 255, 255, 255, 255, 255, 255,
};

// The products of each sample value, per output channel.
struct YccTables {
  double y[256], c1g[256], c1b[256], c2r[256], c2g[256];
  YccTables() {
    for (int v = 0; v < 256; ++v) {
      y[v] = 1.402 * v;
      c1g[v] = -0.444066 * (v - 156);
      c1b[v] = 2.289 * (v - 156);
      c2r[v] = 1.88 * (v - 137);
      c2g[v] = -0.95692 * (v - 137);
    }
  }
};
const YccTables& Ycc() {
  static const YccTables tables;
  return tables;
}

uint8_t Tone(double v) {
  if (!(v > 0)) return kTone[0];
  return kTone[v >= 350 ? 350 : static_cast<int>(v)];
}

bool Allocate(PcdPlane& p, uint32_t w, uint32_t h) {
  p.width = w, p.height = h;
  try {
    p.samples.assign(size_t{w} * h, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// The residual stream, most significant bit first, read a sector at a time.
class PcdBits {
 public:
  explicit PcdBits(CPicIO& io) : io_(io) { Refill(); }

  uint32_t Window() const { return static_cast<uint32_t>(acc_ >> 32); }
  void Skip(uint32_t n) {
    acc_ <<= n;
    have_ -= n;
    Refill();
  }
  // True once the bits in the window come from past the end of the data.
  bool Exhausted() const { return padding_ * 8 >= have_ + 8; }

 private:
  void Refill() {
    while (have_ <= 56) {
      if (at_ == end_) {
        end_ = eof_ ? 0 : io_.Read(sector_, kPcdSector);
        at_ = 0;
        if (end_ < kPcdSector) eof_ = true;
      }
      uint8_t b = 0;
      if (at_ < end_)
        b = sector_[at_++];
      else
        ++padding_;
      acc_ |= uint64_t{b} << (56 - have_);
      have_ += 8;
    }
  }

  CPicIO& io_;
  uint8_t sector_[kPcdSector];
  uint32_t at_ = 0, end_ = 0, padding_ = 0, have_ = 0;
  uint64_t acc_ = 0;
  bool eof_ = false;
};

struct HuffEntry {
  uint32_t length, code, mask;
  int8_t key;
};

bool ReadTable(PcdBits& bits, std::vector<HuffEntry>* table) {
  const uint32_t n = (bits.Window() >> 24) + 1;
  bits.Skip(8);
  for (uint32_t i = 0; i < n; ++i) {
    HuffEntry e;
    e.length = (bits.Window() >> 24) + 1;
    bits.Skip(8);
    if (e.length > 16 || bits.Exhausted()) return false;
    e.code = (bits.Window() >> 16) << 16;
    bits.Skip(16);
    e.key = static_cast<int8_t>(bits.Window() >> 24);
    bits.Skip(8);
    e.mask = ~0u << (32 - e.length);
    table->push_back(e);
  }
  return true;
}

// Skips to the next sync pattern (23 ones and a zero); false at the end.
bool Sync(PcdBits& bits) {
  while ((bits.Window() & 0x00FFF000) != 0x00FFF000) {
    if (bits.Exhausted()) return false;
    bits.Skip(8);
  }
  while ((bits.Window() & 0xFFFFFF00) != 0xFFFFFE00) {
    if (bits.Exhausted()) return false;
    bits.Skip(1);
  }
  return true;
}

// A plain level at a byte offset: pairs of luma rows, then one row of
// each chroma plane.
bool ReadPlainLevel(CPicIO& io, uint64_t offset, PcdPlane& y, PcdPlane& c1, PcdPlane& c2) {
  if (!io.SeekTo(offset)) return false;
  const uint32_t w = y.width;
  for (uint32_t r = 0; r < y.height; r += 2)
    if (!io.ReadExact(y.Row(r), 2 * w) || !io.ReadExact(c1.Row(r / 2), w / 2) ||
        !io.ReadExact(c2.Row(r / 2), w / 2))
      return false;
  return true;
}

}  // namespace

void PCDToRGB(uint8_t y, uint8_t c1, uint8_t c2, uint8_t rgb[3]) {
  const YccTables& t = Ycc();
  rgb[0] = Tone(t.y[y] + t.c2r[c2]);
  rgb[1] = Tone(t.y[y] + t.c1g[c1] + t.c2g[c2]);
  rgb[2] = Tone(t.y[y] + t.c1b[c1]);
}

bool UpsamplePCDPlane(PcdPlane& p) {
  PcdPlane out;
  const uint32_t w = p.width, h = p.height;
  if (w == 0 || h == 0 || !Allocate(out, 2 * w, 2 * h)) return false;
  for (uint32_t r = 0; r < h; ++r) {
    const uint8_t* s = p.Row(r);
    const uint8_t* n = p.Row(std::min(r + 1, h - 1));
    uint8_t* even = out.Row(2 * r);
    uint8_t* odd = out.Row(2 * r + 1);
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t x1 = std::min(x + 1, w - 1);
      even[2 * x] = s[x];
      even[2 * x + 1] = static_cast<uint8_t>((s[x] + s[x1] + 1) / 2);
      if (r + 1 < h) {
        odd[2 * x] = static_cast<uint8_t>((s[x] + n[x] + 1) / 2);
        odd[2 * x + 1] = static_cast<uint8_t>((s[x] + s[x1] + n[x] + n[x1] + 2) / 4);
      }
    }
    if (r + 1 == h) std::memcpy(odd, even, 2 * size_t{w});
  }
  p = std::move(out);
  return true;
}

uint32_t DecodePCDHuffman(CPicIO& io, PcdPlane& luma, PcdPlane& chroma1, PcdPlane& chroma2) {
  PcdBits bits(io);
  const uint32_t tableCount = luma.width > 1536 ? 3 : 1;
  std::vector<HuffEntry> tables[3];
  try {
    for (uint32_t i = 0; i < tableCount; ++i)
      if (!ReadTable(bits, &tables[i])) {
        DebugHook(0, "Corrupt PCD image\n");
        return kPicErrBadPhotoCD;
      }
  } catch (const std::bad_alloc&) {
    return kPicErrNoMemory;
  }
  PcdPlane* planes[3] = {&luma, &chroma1, &chroma2};
  while (Sync(bits)) {
    bits.Skip(16);
    const uint32_t row = (bits.Window() >> 9) & 0x1FFF;
    bits.Skip(8);
    const uint32_t plane = bits.Window() >> 30;
    bits.Skip(16);
    if (row == luma.height) break;  // the level's end
    const uint32_t index = plane == 0 ? 0 : plane - 1;
    // Rows past the height, plane 1, or a chroma plane without its table.
    if (row > luma.height || plane == 1 || index >= tableCount) {
      DebugHook(0, "Corrupt PCD image\n");
      return kPicErrBadPhotoCD;
    }
    PcdPlane& target = *planes[index];
    uint8_t* samples = target.Row(plane == 0 ? row : row / 2);
    const std::vector<HuffEntry>& table = tables[index];
    // Codes until the row is full; then the next sync.
    for (uint32_t x = 0; x < target.width && !bits.Exhausted();) {
      const uint32_t window = bits.Window();
      const HuffEntry* hit = nullptr;
      for (const HuffEntry& e : table)
        if ((window & e.mask) == e.code) {
          hit = &e;
          break;
        }
      if (!hit) {
        DebugHook(0, "Corrupt PCD image, skipping to sync byte\n");
        break;
      }
      samples[x] = static_cast<uint8_t>(std::clamp(samples[x] + hit->key, 0, 255));
      ++x;
      bits.Skip(hit->length);
    }
  }
  return 0;
}

uint32_t CheckPCDIndex(uint32_t* err, CPicIO& io) {
  uint8_t head[12];
  if (!io.ReadExact(head, 12) || std::memcmp(head, "PCD_OPA", 7) != 0)
    return PicFail<uint32_t>(err, kPicErrBadPhotoCD);
  return uint32_t{head[10]} << 8 | head[11];
}

namespace {

// The image from full-size luma and half-size chroma. Header rotation 1, 2,
// 3: a quarter turn counter-clockwise, a half turn, a quarter turn
// clockwise; each pixel is stored where the turn puts it.
HGLOBAL ToRGB(uint32_t* err, PcdPlane& y, PcdPlane& c1, PcdPlane& c2, uint32_t rotation, uint32_t flags,
              uint32_t* width, uint32_t* height) {
  if (!UpsamplePCDPlane(c1) || !UpsamplePCDPlane(c2)) return PicFail<HGLOBAL>(err, kPicErrNoMemory);
  const uint32_t fw = y.width, fh = y.height;
  const bool quarter = rotation == 1 || rotation == 3;
  const uint32_t ow = quarter ? fh : fw, oh = quarter ? fw : fh;
  const bool dib = (flags & kPcdPackedDIB) != 0;
  PicImageBlock out;
  if (uint32_t code = out.Allocate(ow, oh, 24, uint64_t{ow} * 3, dib)) return PicFail<HGLOBAL>(err, code);
  *width = ow, *height = oh;
  const uint32_t r0 = dib ? 2 : 0, b0 = dib ? 0 : 2;
  for (uint32_t r = 0; r < fh; ++r) {
    const uint8_t *ys = y.Row(r), *s1 = c1.Row(r), *s2 = c2.Row(r);
    for (uint32_t x = 0; x < fw; ++x) {
      uint32_t dx = x, dy = r;
      if (rotation == 1)
        dx = r, dy = fw - 1 - x;
      else if (rotation == 2)
        dx = fw - 1 - x, dy = fh - 1 - r;
      else if (rotation == 3)
        dx = fh - 1 - r, dy = x;
      uint8_t rgb[3];
      PCDToRGB(ys[x], s1[x], s2[x], rgb);
      uint8_t* p = out.Row(dy) + size_t{dx} * 3;
      p[r0] = rgb[0], p[1] = rgb[1], p[b0] = rgb[2];
    }
    if (!PicProgress(r + 1, fh)) {
      *err = kPicErrCancelled;
      break;
    }
  }
  return out.Handle();
}

}  // namespace

HGLOBAL ReadPCDImage(uint32_t* err, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t resolution,
                     uint32_t flags) {
  resolution = std::clamp<uint32_t>(resolution, 1, 6);
  std::vector<uint8_t> header;
  try {
    header.resize(kHeaderBytes);
  } catch (const std::bad_alloc&) {
    return PicFail<HGLOBAL>(err, kPicErrNoMemory);
  }
  if (!io.ReadExact(header.data(), kHeaderBytes)) return PicFail<HGLOBAL>(err, kPicErrBadPhotoCD);
  if (std::memcmp(header.data(), "PCD_OPA", 7) == 0) return PicFail<HGLOBAL>(err, kPicErrPhotoCDIndex);
  if (std::memcmp(header.data() + kPcdSector, "PCD", 3) != 0) return PicFail<HGLOBAL>(err, kPicErrBadPhotoCD);
  const uint32_t rotation = header[kPcdRotationByte] & 3;

  const uint32_t plain = std::min<uint32_t>(resolution, 3);
  const uint32_t w = 192u << (plain - 1), h = 128u << (plain - 1);
  const uint32_t sector = plain == 1 ? kPcdBase16Sector : plain == 2 ? kPcdBase4Sector : kPcdBaseSector;
  PcdPlane y, c1, c2;
  if (!Allocate(y, w, h) || !Allocate(c1, w / 2, h / 2) || !Allocate(c2, w / 2, h / 2))
    return PicFail<HGLOBAL>(err, kPicErrNoMemory);
  if (!ReadPlainLevel(io, uint64_t{sector} * kPcdSector, y, c1, c2))
    return PicFail<HGLOBAL>(err, kPicErrFileRead);

  for (uint32_t level = 4; level <= resolution; ++level) {
    if (!UpsamplePCDPlane(y) || !UpsamplePCDPlane(c1) || !UpsamplePCDPlane(c2))
      return PicFail<HGLOBAL>(err, kPicErrNoMemory);
    if (level == 6) break;  // 64Base: interpolated only
    uint32_t pos = 0;
    if (!io.GetPos(&pos)) return PicFail<HGLOBAL>(err, kPicErrFileRead);
    // 4Base follows the Base data after 4 sectors; 16Base 12 sectors after
    // the last sector 4Base took.
    const uint64_t start =
        level == 4 ? uint64_t{pos} + 4 * kPcdSector : (uint64_t{pos} / kPcdSector + 12) * kPcdSector;
    if (!io.SeekTo(start)) break;  // no residuals: the interpolation stands
    if (uint32_t code = DecodePCDHuffman(io, y, c1, c2)) return PicFail<HGLOBAL>(err, code);
  }
  return ToRGB(err, y, c1, c2, rotation, flags, width, height);
}

HGLOBAL ReadPCDIndexImage(uint32_t* err, CPicIO& io, uint32_t index, uint32_t* width, uint32_t* height,
                          uint32_t flags) {
  uint32_t code = 0;
  const uint32_t count = CheckPCDIndex(&code, io);
  if (code) return PicFail<HGLOBAL>(err, code);
  if (index >= count) return PicFail<HGLOBAL>(err, kPicErrBadArgument);
  PcdPlane y, c1, c2;
  if (!Allocate(y, kPcdThumbWidth, kPcdThumbHeight) ||
      !Allocate(c1, kPcdThumbWidth / 2, kPcdThumbHeight / 2) ||
      !Allocate(c2, kPcdThumbWidth / 2, kPcdThumbHeight / 2))
    return PicFail<HGLOBAL>(err, kPicErrNoMemory);
  // The count is 16 bits, so the offset stays far below 2^64; a pack
  // shorter than its count claims ends in a failed read.
  const uint64_t at = uint64_t{kHeaderBytes} + uint64_t{index} * kPcdThumbBytes;
  if (!ReadPlainLevel(io, at, y, c1, c2)) return PicFail<HGLOBAL>(err, kPicErrFileRead);
  return ToRGB(err, y, c1, c2, 0, flags, width, height);
}

}  // namespace Pictura
