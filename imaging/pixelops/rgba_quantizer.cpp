#include "pixelops/rgba_quantizer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "core/allocators.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

constexpr uint32_t kBuckets = 20023;
constexpr uint32_t kMaxHistogram = 32767;

struct HistEntry {
  uint32_t color;  // the four pixel bytes as stored
  uint32_t count;
};

struct Box {
  uint32_t first, entries;
  uint64_t pixels;
};

uint8_t Byte(uint32_t color, int k) {
  return static_cast<uint8_t>(color >> (8 * k));
}

uint32_t Load(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Chained hash of colours; new nodes go to the head of their bucket.
class ColorHash {
 public:
  ColorHash() : heads_(kBuckets, -1) {}
  static uint32_t Bucket(uint32_t c) {
    return (Byte(c, 0) * 33023u + Byte(c, 1) * 30013u + Byte(c, 2) * 27011u + Byte(c, 3) * 24007u) % kBuckets;
  }
  int32_t* Find(uint32_t color) {
    for (int32_t i = heads_[Bucket(color)]; i >= 0; i = nodes_[i].next)
      if (nodes_[i].color == color) return &nodes_[i].value;
    return nullptr;
  }
  void Insert(uint32_t color, int32_t value) {
    uint32_t b = Bucket(color);
    nodes_.push_back(Node{color, value, heads_[b]});
    heads_[b] = static_cast<int32_t>(nodes_.size() - 1);
  }
  size_t Size() const { return nodes_.size(); }
  void Reserve(size_t n) { nodes_.reserve(n); }
  // Bucket 0 to the last, each from its head.
  std::vector<HistEntry> ToArray() const {
    std::vector<HistEntry> out;
    out.reserve(nodes_.size());
    for (uint32_t b = 0; b < kBuckets; ++b)
      for (int32_t i = heads_[b]; i >= 0; i = nodes_[i].next)
        out.push_back(HistEntry{nodes_[i].color, static_cast<uint32_t>(nodes_[i].value)});
    return out;
  }

 private:
  struct Node {
    uint32_t color;
    int32_t value;
    int32_t next;
  };
  std::vector<int32_t> heads_;
  std::vector<Node> nodes_;
};

// False when the image holds more than maxEntries colours.
bool BuildColorHistogram(uint8_t* const* rows, uint32_t width, uint32_t height, uint32_t maxEntries,
                         std::vector<HistEntry>* out) {
  ColorHash hash;
  hash.Reserve(maxEntries);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* p = rows[y];
    uint32_t last = 0;
    int32_t* lastCount = nullptr;
    for (uint32_t x = 0; x < width; ++x, p += 4) {
      uint32_t c = Load(p);
      if (lastCount && c == last) {  // runs of one colour are common
        ++*lastCount;
        continue;
      }
      int32_t* n = hash.Find(c);
      if (n) {
        ++*n;
      } else {
        if (hash.Size() >= maxEntries) return false;
        hash.Insert(c, 1);
        n = hash.Find(c);
      }
      last = c;
      lastCount = n;
    }
  }
  *out = hash.ToArray();
  return true;
}

// Median cut over four channels; one working palette entry per box.
std::vector<uint32_t> BuildRGBAPalette(std::vector<HistEntry>& hist, uint64_t totalPixels, uint32_t maxval,
                                       uint32_t maxColors) {
  std::vector<Box> boxes;
  boxes.reserve(maxColors);
  boxes.push_back(Box{0, static_cast<uint32_t>(hist.size()), totalPixels});
  while (boxes.size() < maxColors) {
    auto it = std::find_if(boxes.begin(), boxes.end(), [](const Box& b) { return b.entries >= 2; });
    if (it == boxes.end()) break;
    Box& box = *it;
    HistEntry* e = hist.data() + box.first;
    uint8_t lo[4] = {255, 255, 255, 255}, hi[4] = {0, 0, 0, 0};
    for (uint32_t i = 0; i < box.entries; ++i)
      for (int k = 0; k < 4; ++k) {
        lo[k] = std::min(lo[k], Byte(e[i].color, k));
        hi[k] = std::max(hi[k], Byte(e[i].color, k));
      }
    int r[4];
    for (int k = 0; k < 4; ++k) r[k] = hi[k] - lo[k];
    int key;
    if (r[3] >= r[0] && r[3] >= r[1] && r[3] >= r[2])
      key = 3;
    else if (r[0] >= r[1] && r[0] >= r[2])
      key = 0;
    else
      key = r[1] < r[2] ? 2 : 1;
    std::sort(e, e + box.entries, [key](const HistEntry& a, const HistEntry& b) {
      return Byte(a.color, key) < Byte(b.color, key);
    });
    uint64_t half = box.pixels / 2, lower = e[0].count;
    uint32_t i = 1;
    while (i < box.entries - 1 && lower < half) lower += e[i++].count;
    Box rest{box.first + i, box.entries - i, box.pixels - lower};
    box.entries = i;
    box.pixels = lower;
    boxes.push_back(rest);
    std::stable_sort(boxes.begin(), boxes.end(),
                     [](const Box& a, const Box& b) { return a.pixels > b.pixels; });
  }
  std::vector<uint32_t> colors;
  colors.reserve(boxes.size());
  for (const Box& b : boxes) {
    uint64_t sum[4] = {}, n = 0;
    for (uint32_t i = 0; i < b.entries; ++i) {
      const HistEntry& h = hist[b.first + i];
      for (int k = 0; k < 4; ++k) sum[k] += uint64_t{Byte(h.color, k)} * h.count;
      n += h.count;
    }
    uint32_t c = 0;
    for (int k = 0; k < 4; ++k)
      c |= static_cast<uint32_t>(n ? std::min<uint64_t>(sum[k] / n, maxval) : 0) << (8 * k);
    colors.push_back(c);
  }
  return colors;
}

uint32_t Nearest(const std::vector<uint32_t>& pal, const int* c) {
  uint32_t best = 2000000000u, bestIndex = 0;
  for (uint32_t i = 0; i < pal.size(); ++i) {
    uint32_t d = 0;
    for (int k = 0; k < 4; ++k) {
      int diff = c[k] - Byte(pal[i], k);
      d += static_cast<uint32_t>(diff * diff);
    }
    if (d < best) {
      best = d;
      bestIndex = i;
    }
  }
  return bestIndex;
}

}  // namespace

int QuantizeRGBATo8BitCore(uint32_t* error, const uint8_t* pixels, uint32_t width, uint32_t height,
                           uint32_t srcStride, uint8_t* output, uint32_t dstStride, RGBQUAD* palette,
                           uint32_t dither, uint32_t maxColors, uint32_t* count, uint32_t flags) {
  *error = 0;
  if (count) *count = 0;
  if (!pixels || !output || !palette) {
    *error = kPicErrBadArgument;
    return 0;
  }
  maxColors = std::clamp<uint32_t>(maxColors, 1, 256);
  std::memset(palette, 0, sizeof(RGBQUAD) * maxColors);
  if (width == 0 || height == 0) return 1;  // nothing to cut: no colours
  uint64_t rowBytes = uint64_t{width} * 4, total = 0;
  if (srcStride < rowBytes || !PicSizeWithinCap(rowBytes, height, 1, &total)) {
    *error = kPicErrBadArgument;
    return 0;
  }
  // Working copy (the caller's pixels never change), rows packed.
  std::vector<uint8_t> work(total);
  std::vector<uint8_t*> rows(height);
  for (uint32_t y = 0; y < height; ++y) {
    rows[y] = work.data() + static_cast<size_t>(y) * rowBytes;
    std::memcpy(rows[y], pixels + static_cast<size_t>(y) * srcStride, rowBytes);
  }
  uint32_t maxval = 255;
  std::vector<HistEntry> hist;
  while (!BuildColorHistogram(rows.data(), width, height, kMaxHistogram, &hist)) {
    uint32_t newMax = maxval / 2;
    for (uint8_t& v : work) v = static_cast<uint8_t>((v * newMax + maxval / 2) / maxval);
    maxval = newMax;
  }
  maxColors = std::min<uint32_t>(maxColors, static_cast<uint32_t>(hist.size()));
  std::vector<uint32_t> pal = BuildRGBAPalette(hist, uint64_t{width} * height, maxval, maxColors);
  hist = {};
  const uint32_t n = static_cast<uint32_t>(pal.size());
  // Translucent colours from the bottom, opaque ones from the top.
  std::vector<uint8_t> indexOf(n);
  uint32_t low = 0, high = n;
  for (uint32_t i = 0; i < n; ++i)
    indexOf[i] = static_cast<uint8_t>(Byte(pal[i], 3) == maxval ? --high : low++);
  if (low != high) {
    *error = kPicErrUnexpected;
    return 0;
  }
  const bool bgr = flags & kPicFlagBGR;
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t ch[4];
    for (int k = 0; k < 4; ++k) {
      uint32_t v = Byte(pal[i], k);
      ch[k] = static_cast<uint8_t>(maxval == 255 ? v : (v * 255 + maxval / 2) / maxval);
    }
    RGBQUAD& q = palette[indexOf[i]];
    q.rgbBlue = bgr ? ch[0] : ch[2];
    q.rgbGreen = ch[1];
    q.rgbRed = bgr ? ch[2] : ch[0];
    q.rgbReserved = ch[3];
  }
  if (count) *count = n;

  ColorHash map;
  std::vector<int32_t> errA, errB;
  if (dither) {
    const size_t slots = (static_cast<size_t>(width) + 2) * 4;
    errA.assign(slots, 0);
    errB.assign(slots, 0);
    std::minstd_rand noise(
        static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    for (int32_t& v : errA) v = static_cast<int32_t>(noise() % 2048) - 1024;
  }
  int32_t* cur = errA.data();  // slot of column x: 4 (x + 1) + channel
  int32_t* nxt = errB.data();
  bool right = true;
  const int mv = static_cast<int>(maxval);
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = rows[y];
    uint8_t* out = output + static_cast<size_t>(y) * dstStride;
    if (dither) std::fill(nxt, nxt + (static_cast<size_t>(width) + 2) * 4, 0);
    const int dir = right ? 1 : -1;
    for (uint32_t i = 0; i < width; ++i) {
      uint32_t x = right ? i : width - 1 - i;
      uint8_t* p = row + 4 * static_cast<size_t>(x);
      int c[4];
      for (int k = 0; k < 4; ++k) {
        c[k] = p[k];
        if (dither) {
          c[k] = std::clamp(c[k] + cur[4 * (x + 1) + k] / 1024, 0, mv);
          p[k] = static_cast<uint8_t>(c[k]);
        }
      }
      uint32_t key = Load(p);
      int32_t* found = map.Find(key);
      uint32_t index;
      if (found) {
        index = static_cast<uint32_t>(*found);
      } else {
        index = Nearest(pal, c);
        map.Insert(key, static_cast<int32_t>(index));
      }
      out[x] = indexOf[index];
      if (dither) {
        for (int k = 0; k < 4; ++k) {
          int32_t err = (c[k] - Byte(pal[index], k)) * 1024;
          cur[4 * (x + 1 + dir) + k] += 7 * err / 16;
          nxt[4 * (x + 1 - dir) + k] += 3 * err / 16;
          nxt[4 * (x + 1) + k] += 5 * err / 16;
          nxt[4 * (x + 1 + dir) + k] += err / 16;
        }
      }
    }
    if (dither) {
      std::swap(cur, nxt);
      right = !right;
    }
    if (PicProgress(y, height) == 0) {
      *error = kPicErrCancelled;
      return 0;
    }
  }
  return 1;
}

}  // namespace Pictura
