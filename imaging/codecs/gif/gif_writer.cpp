// GIF writer: single images and animations, with the classic hashed LZW
// compressor (5003-slot open-addressing table, codes up to 12 bits, a clear
// code when the table is full, 254-byte data sub-blocks).
#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/gif/gif_codec.h"

namespace Pictura {

namespace {

constexpr uint32_t kHashSize = 5003;
constexpr uint32_t kHashShift = 4;  // 8 minus the doublings that take 5003 past 65535
constexpr uint32_t kMaxBits = 12;
constexpr uint32_t kMaxCodes = 1u << kMaxBits;
constexpr uint32_t kPacketSize = 254;
constexpr size_t kFlushAt = 64 * 1024;

uint32_t MaxCodeFor(uint32_t bits) {
  return (1u << bits) - 1;
}

}  // namespace

// The pixels of one image and the order in which they are coded.
struct GIFWriter::Image {
  const uint8_t* pixels;
  uint32_t width, height, stride;
  bool bottomUp, interlaced;
};

GIFWriter::GIFWriter() {
  PicNestingEnter();
  try {
    hash_.resize(kHashSize);
    codes_.resize(kHashSize);
  } catch (const std::bad_alloc&) {
    hash_.clear();
    codes_.clear();
  }
}

GIFWriter::~GIFWriter() {
  PicNestingExit();
}

bool GIFWriter::Flush() {
  if (failed_) return false;
  if (!out_.empty()) {
    if (!dest_) {
      error = kPicErrUnexpected;
      failed_ = true;
    } else if (!dest_->WriteItems(out_.data(), 1, static_cast<uint32_t>(out_.size()))) {
      error = kPicErrFileWrite;
      failed_ = true;
    }
    out_.clear();
  }
  return !failed_;
}

bool GIFWriter::Put(const void* bytes, size_t count) {
  if (failed_) return false;
  const auto* p = static_cast<const uint8_t*>(bytes);
  out_.insert(out_.end(), p, p + count);
  return out_.size() < kFlushAt || Flush();
}

bool GIFWriter::PutWord(uint32_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  return Put(b, 2);
}

bool GIFWriter::PutTable(const RGBQUAD* palette, uint32_t bits) {
  uint8_t rgb[768];
  const uint32_t n = 1u << bits;
  for (uint32_t i = 0; i < n; ++i) {
    rgb[3 * i] = palette[i].rgbRed;
    rgb[3 * i + 1] = palette[i].rgbGreen;
    rgb[3 * i + 2] = palette[i].rgbBlue;
  }
  return Put(rgb, 3 * n);
}

bool GIFWriter::PutScreen(uint32_t width, uint32_t height, uint8_t background, uint32_t bits,
                          const RGBQUAD* palette) {
  const uint8_t packed = static_cast<uint8_t>(0x80 | ((bits - 1) << 4) | (bits - 1));
  const uint8_t tail[3] = {packed, background, 0};
  return PutWord(width) && PutWord(height) && Put(tail, 3) && PutTable(palette, bits);
}

void GIFWriter::PacketByte(uint8_t b) {
  packet_[packetCount_++] = b;
  if (packetCount_ >= kPacketSize) FlushPacket();
}

void GIFWriter::FlushPacket() {
  if (!packetCount_) return;
  const uint8_t length = static_cast<uint8_t>(packetCount_);
  Put(&length, 1);
  Put(packet_, packetCount_);
  packetCount_ = 0;
}

void GIFWriter::Output(uint32_t code) {
  static const uint32_t kMasks[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                                      0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};
  accumulator_ &= kMasks[pendingBits_];
  accumulator_ = pendingBits_ > 0 ? accumulator_ | code << pendingBits_ : code;
  pendingBits_ += static_cast<int32_t>(codeSize_);
  while (pendingBits_ >= 8) {
    PacketByte(static_cast<uint8_t>(accumulator_));
    accumulator_ >>= 8;
    pendingBits_ -= 8;
  }
  // The decoder widens its codes when its table passes the current maximum;
  // a clear takes both back to the start.
  if (freeCode_ > maxCode_ || clearPending_) {
    if (clearPending_) {
      codeSize_ = initBits_;
      maxCode_ = MaxCodeFor(codeSize_);
      clearPending_ = false;
    } else {
      ++codeSize_;
      maxCode_ = codeSize_ == kMaxBits ? kMaxCodes : MaxCodeFor(codeSize_);
    }
  }
  if (code == endCode_) {
    while (pendingBits_ > 0) {
      PacketByte(static_cast<uint8_t>(accumulator_));
      accumulator_ >>= 8;
      pendingBits_ -= 8;
    }
    FlushPacket();
  }
}

bool GIFWriter::PutImageData(const Image& image, uint32_t minCodeSize) {
  if (!PutByte(static_cast<uint8_t>(minCodeSize))) return false;
  initBits_ = minCodeSize + 1;
  clearCode_ = 1u << minCodeSize;
  endCode_ = clearCode_ + 1;
  freeCode_ = clearCode_ + 2;
  codeSize_ = initBits_;
  maxCode_ = MaxCodeFor(codeSize_);
  clearPending_ = false;
  accumulator_ = 0;
  pendingBits_ = 0;
  packetCount_ = 0;
  std::fill(hash_.begin(), hash_.end(), -1);
  Output(clearCode_);

  // The pixels in coding order: rows top to bottom, or the four interlace
  // passes; each row read from the caller's layout.
  static const uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  const int passes = image.interlaced ? 4 : 1;
  bool first = true;
  uint32_t ent = 0;
  uint32_t rowsDone = 0;
  for (int pass = 0; pass < passes; ++pass) {
    const uint32_t start = image.interlaced ? kStart[pass] : 0, step = image.interlaced ? kStep[pass] : 1;
    for (uint32_t y = start; y < image.height; y += step) {
      const uint32_t source = image.bottomUp ? image.height - 1 - y : y;
      const uint8_t* row = image.pixels + size_t{source} * image.stride;
      uint32_t x = 0;
      if (first) {
        ent = row[0];
        x = 1;
        first = false;
      }
      for (; x < image.width; ++x) {
        const uint32_t c = row[x];
        const int32_t fcode = static_cast<int32_t>((c << kMaxBits) + ent);
        uint32_t i = (c << kHashShift) ^ ent;
        if (hash_[i] == fcode) {
          ent = codes_[i];
          continue;
        }
        if (hash_[i] >= 0) {
          const uint32_t probe = i == 0 ? 1 : kHashSize - i;
          bool found = false;
          do {
            i = i >= probe ? i - probe : i + kHashSize - probe;
            if (hash_[i] == fcode) {
              found = true;
              break;
            }
          } while (hash_[i] > 0);
          if (found) {
            ent = codes_[i];
            continue;
          }
        }
        Output(ent);
        ent = c;
        if (freeCode_ < kMaxCodes) {
          codes_[i] = static_cast<uint16_t>(freeCode_++);
          hash_[i] = fcode;
        } else {
          std::fill(hash_.begin(), hash_.end(), -1);
          freeCode_ = clearCode_ + 2;
          clearPending_ = true;
          Output(clearCode_);
        }
      }
      ++rowsDone;
      if (!PicProgress(rowsDone, image.height)) {
        error = kPicErrCancelled;
        pass = passes;  // the data written so far is closed normally
        break;
      }
    }
  }
  Output(ent);
  Output(endCode_);
  return PutByte(0);
}

namespace {

// Every pixel below 2^bits: a larger one would name no colour of the table.
bool PixelsFit(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride, uint32_t bits) {
  if (bits >= 8) return true;
  uint8_t any = 0;
  const uint8_t mask = static_cast<uint8_t>(0xFF << bits);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + size_t{y} * stride;
    for (uint32_t x = 0; x < width; ++x) any |= row[x];
    if (any & mask) return false;
  }
  return true;
}

// A frame the format can hold: 1 to 65535 pixels each way, rows no shorter
// than the width.
bool SizeFits(uint32_t width, uint32_t height, uint32_t stride) {
  return width && height && width <= 0xFFFF && height <= 0xFFFF && stride >= width;
}

}  // namespace

uint32_t GIFWriter::WriteSingle(CPicIO* dest, const uint8_t* pixels, uint32_t width, uint32_t height,
                                uint32_t stride, uint8_t background, int32_t transparent, uint32_t bits,
                                const RGBQUAD* palette, uint32_t flags) {
  if (!pixels || !palette || bits == 0 || bits > 8 || transparent > 255 || !SizeFits(width, height, stride) ||
      !PixelsFit(pixels, width, height, stride, bits)) {
    error = kPicErrBadArgument;
    return 0;
  }
  if (hash_.empty()) {
    error = kPicErrNoMemory;
    return 0;
  }
  dest_ = dest;
  const uint32_t minCodeSize = bits < 2 ? 2 : bits;
  Put(transparent >= 0 ? "GIF89a" : "GIF87a", 6);
  PutScreen(width, height, background, bits, palette);
  if (transparent >= 0) {
    const uint8_t gce[8] = {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, static_cast<uint8_t>(transparent), 0x00};
    Put(gce, sizeof gce);
  }
  PutByte(0x2C);
  PutWord(0);
  PutWord(0);
  PutWord(width);
  PutWord(height);
  PutByte(flags & kGIFWriteInterlaced ? 0x40 : 0);
  const Image image{
      pixels, width, height, stride, (flags & kGIFWriteBottomUp) != 0, (flags & kGIFWriteInterlaced) != 0};
  PutImageData(image, minCodeSize);
  PutByte(0x3B);
  const bool written = Flush();
  dest_ = nullptr;
  uint32_t size = 0;
  if (!written || error || !dest->GetSize(&size)) {
    if (!error) error = kPicErrFileWrite;
    return 0;
  }
  return size;
}

GIFMultiWriteHandle* GIFWriter::BeginMultiFrame(CPicIO* dest, uint32_t width, uint32_t height,
                                                int32_t transparent, uint8_t background, uint32_t bits,
                                                const RGBQUAD* palette, uint16_t loopCount, int32_t loop) {
  if (hash_.empty()) {
    error = kPicErrNoMemory;
    return nullptr;
  }
  if (!palette || !dest || bits == 0 || bits > 8 || transparent > 255 || !SizeFits(width, height, width)) {
    error = kPicErrBadArgument;
    return nullptr;
  }
  auto* handle = new (std::nothrow) GIFMultiWriteHandle;
  if (!handle) {
    error = kPicErrNoMemory;
    return nullptr;
  }
  handle->dest = dest;
  handle->globalBits = bits;
  dest_ = dest;
  Put("GIF89a", 6);
  PutScreen(width, height, background, bits, palette);
  if (transparent >= 0) {
    const uint8_t gce[8] = {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, static_cast<uint8_t>(transparent), 0x00};
    Put(gce, sizeof gce);
  }
  if (loop >= 0) {
    static const uint8_t kApp[14] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    Put(kApp, sizeof kApp);
    const uint8_t sub[2] = {0x03, 0x01};
    Put(sub, 2);
    PutWord(loopCount);
    PutByte(0);
  }
  const bool written = Flush();
  dest_ = nullptr;
  if (!written) {
    delete handle;
    return nullptr;
  }
  return handle;
}

bool GIFWriter::AddFrame(GIFMultiWriteHandle* handle, const uint8_t* pixels, uint32_t width, uint32_t height,
                         uint32_t stride, uint16_t left, uint16_t top, uint16_t delay, int32_t transparent,
                         uint32_t bits, const RGBQUAD* palette, uint32_t disposal, uint32_t flags) {
  if (hash_.empty()) {
    error = kPicErrNoMemory;
    return false;
  }
  bits = std::clamp<uint32_t>(bits, 1, 8);
  const bool local = (flags & kGIFWriteLocalTable) != 0;
  // Without a table of its own a frame's pixels index the global one.
  const uint32_t indexBits = local ? bits : std::min(bits, handle ? handle->globalBits : 8);
  if (!handle || !handle->dest || !pixels || (local && !palette) || transparent > 255 ||
      !SizeFits(width, height, stride) || !PixelsFit(pixels, width, height, stride, indexBits)) {
    error = kPicErrBadArgument;
    return false;
  }
  dest_ = handle->dest;
  const uint8_t packed = static_cast<uint8_t>((flags & kGIFWriteUserInput ? 0x02 : 0) |
                                              ((disposal & 7) << 2) | (transparent >= 0 ? 0x01 : 0));
  const uint8_t gce[8] = {0x21,
                          0xF9,
                          0x04,
                          packed,
                          static_cast<uint8_t>(delay),
                          static_cast<uint8_t>(delay >> 8),
                          static_cast<uint8_t>(transparent >= 0 ? transparent : 0),
                          0x00};
  Put(gce, sizeof gce);
  PutByte(0x2C);
  PutWord(left);
  PutWord(top);
  PutWord(width);
  PutWord(height);
  PutByte(
      static_cast<uint8_t>((flags & kGIFWriteInterlaced ? 0x40 : 0) | (local ? 0x80 | ((bits - 1) & 7) : 0)));
  if (local) PutTable(palette, bits);
  const Image image{
      pixels, width, height, stride, (flags & kGIFWriteBottomUp) != 0, (flags & kGIFWriteInterlaced) != 0};
  PutImageData(image, std::max<uint32_t>(bits, 2));
  const bool written = Flush();
  dest_ = nullptr;
  return written && !error;
}

bool GIFWriter::Finish(GIFMultiWriteHandle* handle) {
  if (!handle) {
    error = kPicErrBadArgument;
    return false;
  }
  dest_ = handle->dest;
  PutByte(0x3B);
  const bool written = Flush();
  dest_ = nullptr;
  delete handle;
  return written && !error;
}

}  // namespace Pictura
