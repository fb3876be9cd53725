// The TLA format layer: records, bands, filters, deflate and the cipher.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

#include "codecs/decode_limits.h"
#include "codecs/tla/tla_codec.h"
#include "core/allocators.h"
#include "core/thread_context.h"

namespace Pictura {

namespace {

constexpr uint8_t kPlainSignature[4] = {'T', 'L', 'A', 'U'};
constexpr uint8_t kCipherSignature[4] = {'T', 'L', 'A', 0x01};
// Sources that cannot tell their size: the most a record or band may claim.
constexpr uint32_t kMaxUnsizedPayload = 64u << 20;

uint32_t LE16(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}
uint32_t LE32(const uint8_t* p) {
  return LE16(p) | LE16(p + 2) << 16;
}
void PutLE16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLE32(uint8_t* p, uint32_t v) {
  PutLE16(p, v), PutLE16(p + 2, v >> 16);
}

uint8_t Salt() {
  thread_local std::minstd_rand rng(static_cast<uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() ^ reinterpret_cast<uintptr_t>(&rng)));
  return static_cast<uint8_t>(rng() >> 8);
}

// One run (a record header or payload) with a freshly keyed cipher.
void CipherRun(const TlaKey& key, uint8_t* bytes, size_t count, bool encrypt) {
  if (!key.set || count == 0) return;
  StreamCipher cipher;
  cipher.CipherSetKey(key.key, 32);
  if (encrypt)
    cipher.Encrypt(bytes, count);
  else
    cipher.Decrypt(bytes, count);
}

uint8_t Paeth(uint8_t a, uint8_t b, uint8_t c) {
  const int pa = std::abs(int{b} - c), pb = std::abs(int{a} - c), pc = std::abs(int{a} + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Filters of one band of rows (row bytes L, bpp channels), in the writer's
// order; each on the result of the one before.
void ApplyFilters(uint8_t* band, uint32_t rows, uint32_t L, uint32_t bpp, uint32_t flags) {
  if (flags & kTlaSub)
    for (uint32_t y = 0; y < rows; ++y) {
      uint8_t* r = band + size_t{y} * L;
      for (uint32_t x = L; x-- > bpp;) r[x] = static_cast<uint8_t>(r[x] - r[x - bpp]);
    }
  if (flags & kTlaUp)
    for (uint32_t y = rows; y-- > 1;) {
      uint8_t* r = band + size_t{y} * L;
      const uint8_t* p = r - L;
      for (uint32_t x = 0; x < L; ++x) r[x] = static_cast<uint8_t>(r[x] - p[x]);
    }
  if (flags & kTlaPredictor)
    for (uint32_t y = rows; y-- > 1;) {
      uint8_t* r = band + size_t{y} * L;
      const uint8_t* p = r - L;
      for (uint32_t x = L; x-- > bpp;)
        r[x] = static_cast<uint8_t>(r[x] - Paeth(r[x - bpp], p[x], p[x - bpp]));
    }
}

void UndoFilters(uint8_t* band, uint32_t rows, uint32_t L, uint32_t bpp, uint32_t flags) {
  if (flags & kTlaPredictor)
    for (uint32_t y = 1; y < rows; ++y) {
      uint8_t* r = band + size_t{y} * L;
      const uint8_t* p = r - L;
      for (uint32_t x = bpp; x < L; ++x)
        r[x] = static_cast<uint8_t>(r[x] + Paeth(r[x - bpp], p[x], p[x - bpp]));
    }
  if (flags & kTlaUp)
    for (uint32_t y = 1; y < rows; ++y) {
      uint8_t* r = band + size_t{y} * L;
      const uint8_t* p = r - L;
      for (uint32_t x = 0; x < L; ++x) r[x] = static_cast<uint8_t>(r[x] + p[x]);
    }
  if (flags & kTlaSub)
    for (uint32_t y = 0; y < rows; ++y) {
      uint8_t* r = band + size_t{y} * L;
      for (uint32_t x = bpp; x < L; ++x) r[x] = static_cast<uint8_t>(r[x] + r[x - bpp]);
    }
}

uint32_t PayloadLimit(CPicIO& io) {
  const uint64_t left = PicBytesLeft(io);
  return left ? static_cast<uint32_t>(std::min<uint64_t>(left, UINT32_MAX)) : kMaxUnsizedPayload;
}

}  // namespace

uint32_t TLAErrorCode(uint32_t code) {
  static const uint32_t kMap[] = {0, 5, 2, 52, 3, 4, 48, 49, 51, 50, 17, 52, 52, 24, 1, 51};
  return code < sizeof kMap / sizeof kMap[0] ? kMap[code] : 0;
}

void TlaKey::Set(const char* password) {
  set = password && *password;
  if (set) TLAPasswordKey(password, key);
}

TlaKey::~TlaKey() {
  volatile uint8_t* v = key;
  for (size_t i = 0; i < sizeof key; ++i) v[i] = 0;
}

// ---- Reading ----------------------------------------------------------------

TLAReader::~TLAReader() {
  if (inflating_) inflateEnd(&z_);
}

uint32_t TLAReader::ReadRecord(uint16_t* type, uint32_t* length) {
  uint8_t h[7];
  if (!io_.ReadExact(h, 7)) return kTlaRead;
  CipherRun(key_, h, 7, false);
  *type = static_cast<uint16_t>(LE16(h + 1));
  *length = LE32(h + 3);
  return kTlaOk;
}

uint32_t TLAReader::ReadPayload(uint8_t* out, uint32_t length) {
  if (length && !io_.ReadExact(out, length)) return kTlaRead;
  CipherRun(key_, out, length, false);
  return kTlaOk;
}

uint32_t TLAReader::SkipPayload(uint32_t length) {
  if (length > PayloadLimit(io_)) return kTlaRead;
  uint32_t pos = 0;
  if (!io_.GetPos(&pos) || !io_.SeekTo(uint64_t{pos} + length)) return kTlaRead;
  return kTlaOk;
}

uint32_t TLAReader::ReadHeader(const char* password) {
  uint8_t sig[4];
  if (!io_.ReadExact(sig, 4)) return kTlaBadFile;
  if (std::memcmp(sig, kCipherSignature, 4) == 0)
    key_.Set(password);
  else if (std::memcmp(sig, kPlainSignature, 4) != 0)
    return kTlaBadFile;
  uint16_t type = 0;
  uint32_t length = 0, code = 0;
  uint8_t p[8];
  if ((code = ReadRecord(&type, &length))) return code;
  if (type != kTlaVersionRecord || length != 2) return kTlaBadFile;
  if ((code = ReadPayload(p, 2))) return code;
  if (LE16(p) != 1) return kTlaVersion;
  if ((code = ReadRecord(&type, &length))) return code;
  if (type != kTlaDimensions || length != 8) return kTlaBadFile;
  if ((code = ReadPayload(p, 8))) return code;
  width = LE16(p), height = LE16(p + 2), channels = LE16(p + 4), paletteCount = LE16(p + 6);
  if (channels == 0 || channels > 4 || width == 0 || height == 0) return kTlaBadFile;
  if ((code = ReadRecord(&type, &length))) return code;
  if (type != kTlaPalette) return kTlaBadFile;
  if (channels == 1) {
    // At most 256 entries are kept; what the record holds beyond is skipped.
    paletteCount = std::min<uint32_t>(paletteCount, 256);
    if (length < paletteCount * 4) return kTlaBadFile;
    uint8_t table[1024];
    if ((code = ReadPayload(table, paletteCount * 4))) return code;
    std::memcpy(palette, table, paletteCount * 4);
    if ((code = SkipPayload(length - paletteCount * 4))) return code;
  } else {
    paletteCount = 0;
    if ((code = SkipPayload(length))) return code;
  }
  if ((code = ReadRecord(&type, &length))) return code;
  if (type != kTlaTagCount || length != 2) return kTlaBadFile;
  if ((code = ReadPayload(p, 2))) return code;
  const uint32_t tagCount = LE16(p);
  try {
    for (uint32_t i = 0; i < tagCount; ++i) {
      if ((code = ReadRecord(&type, &length))) return code;
      if (length > PayloadLimit(io_)) return kTlaRead;
      std::vector<uint8_t> tag(length);
      if ((code = ReadPayload(tag.data(), length))) return code;
      tags.push_back(std::move(tag));
    }
  } catch (const std::bad_alloc&) {
    return kTlaNoMemory;
  }
  return kTlaOk;
}

uint32_t TLAReader::OpenImageData(uint32_t outputBytes, bool bgr) {
  if (outputBytes < 1 || outputBytes > 4 || (outputBytes == 1 && channels != 1)) return kTlaBadParameter;
  output_ = outputBytes;
  bgr_ = bgr;
  uint16_t type = 0;
  uint32_t length = 0, code = 0;
  if ((code = ReadRecord(&type, &length))) return code;
  if (type != kTlaImageStart) return kTlaBadFile;
  if ((code = SkipPayload(length))) return code;
  if (inflateInit(&z_) != Z_OK) return kTlaInflate;
  inflating_ = true;
  if (key_.set) {
    data_ = std::make_unique<StreamCipher>();
    data_->CipherSetKey(key_.key, 32);
  }
  return kTlaOk;
}

uint32_t TLAReader::ReadBand() {
  uint16_t type = 0;
  uint32_t length = 0, code = 0;
  uint8_t p[8];
  if ((code = ReadRecord(&type, &length))) return code;
  if (type != kTlaBand || length != 8) return kTlaBadFile;
  if ((code = ReadPayload(p, 8))) return code;
  const uint32_t packed = LE32(p), rows = LE16(p + 4), filters = LE16(p + 6);
  if (rows == 0) return kTlaNoImageData;
  if (rows > height - rowsDone_ || filters >= 8) return kTlaBadFile;
  uint64_t bytes = 0;
  if (!PicSizeWithinCap(uint64_t{rows} * width, channels, 1, &bytes)) return kTlaNoMemory;
  if (packed > PayloadLimit(io_)) return kTlaRead;
  if (bytes > uint64_t{packed} * kTlaMaxInflateRatio + 64) return kTlaBadBand;
  try {
    packed_.resize(packed);
    band_.resize(static_cast<size_t>(bytes));
  } catch (const std::bad_alloc&) {
    return kTlaNoMemory;
  }
  if (packed && !io_.ReadExact(packed_.data(), packed)) return kTlaRead;
  if (data_) data_->Decrypt(packed_.data(), packed);
  z_.next_in = packed_.data();
  z_.avail_in = packed;
  z_.next_out = band_.data();
  z_.avail_out = static_cast<uInt>(bytes);
  const int z = inflate(&z_, Z_FINISH);
  // Only a whole stream giving exactly the band's bytes is a band.
  const bool whole = z == Z_STREAM_END && z_.total_out == bytes;
  inflateReset(&z_);
  if (!whole) return kTlaBadBand;
  UndoFilters(band_.data(), rows, width * channels, channels, filters);
  bandRows_ = rowsLeft_ = rows;
  return kTlaOk;
}

void TLAReader::ConvertRow(const uint8_t* in, uint8_t* out) const {
  const uint32_t r = bgr_ ? 2 : 0, b = bgr_ ? 0 : 2;
  for (uint32_t x = 0; x < width; ++x) {
    const uint8_t* s = in + size_t{x} * channels;
    uint8_t rgba[4];
    uint32_t v16 = 0;
    switch (channels) {
      case 1: {
        const RGBQUAD& q = palette[s[0]];
        rgba[0] = q.rgbRed, rgba[1] = q.rgbGreen, rgba[2] = q.rgbBlue, rgba[3] = q.rgbReserved;
        break;
      }
      case 2:
        v16 = LE16(s);
        rgba[0] = static_cast<uint8_t>((v16 >> 7) & 0xF8), rgba[1] = static_cast<uint8_t>((v16 >> 2) & 0xF8);
        rgba[2] = static_cast<uint8_t>((v16 & 0x1F) * 8), rgba[3] = v16 & 0x8000 ? 0xFF : 0;
        break;
      case 3:
        rgba[0] = s[0], rgba[1] = s[1], rgba[2] = s[2], rgba[3] = 255;
        break;
      default:
        rgba[0] = s[0], rgba[1] = s[1], rgba[2] = s[2], rgba[3] = s[3];
        break;
    }
    switch (output_) {
      case 1:
        out[x] = s[0];
        break;
      case 2: {
        uint32_t v = channels == 2 ? v16
                                   : (rgba[0] >> 3) << 10 | (rgba[1] >> 3) << 5 | rgba[2] >> 3 |
                                         (channels == 3 || rgba[3] > 128 ? 0x8000u : 0u);
        PutLE16(out + 2 * size_t{x}, v);
        break;
      }
      default: {
        uint8_t* d = out + size_t{x} * output_;
        d[r] = rgba[0], d[1] = rgba[1], d[b] = rgba[2];
        if (output_ == 4) d[3] = rgba[3];
      }
    }
  }
}

uint32_t TLAReader::ReadNextRow(uint8_t* row) {
  if (!inflating_) return kTlaNoImageData;
  if (rowsDone_ >= height) return kTlaRowCount;
  if (rowsLeft_ == 0)
    if (uint32_t code = ReadBand()) return code;
  ConvertRow(band_.data() + size_t{bandRows_ - rowsLeft_} * width * channels, row);
  --rowsLeft_;
  ++rowsDone_;
  return kTlaOk;
}

// ---- Writing ----------------------------------------------------------------

TLAWriter::~TLAWriter() {
  if (deflating_) deflateEnd(&z_);
}

uint32_t TLAWriter::WriteRecord(uint16_t type, const uint8_t* payload, uint32_t length) {
  uint8_t h[7] = {Salt()};
  PutLE16(h + 1, type);
  PutLE32(h + 3, length);
  CipherRun(key_, h, 7, true);
  if (!io_.Write(h, 7)) return kTlaWrite;
  if (length == 0) return kTlaOk;
  std::vector<uint8_t> copy(payload, payload + length);
  CipherRun(key_, copy.data(), length, true);
  return io_.Write(copy.data(), length) ? kTlaOk : kTlaWrite;
}

uint32_t TLAWriter::Begin(const char* password, uint32_t width, uint32_t height, uint32_t channels,
                          uint32_t paletteCount, const RGBQUAD* palette, uint32_t rowsPerBand,
                          uint32_t filters, const uint8_t* const* tagData, const uint32_t* tagLengths,
                          uint32_t tagCount) {
  if (channels < 1 || channels > 4 || filters >= 8 || width == 0 || height == 0 || width > 0xFFFF ||
      height > 0xFFFF || paletteCount > 256 || (channels == 1 && paletteCount && !palette) ||
      tagCount > 0xFFFF || (tagCount && (!tagData || !tagLengths)))
    return kTlaBadParameter;
  width_ = width, height_ = height, channels_ = channels;
  rowsPerBand_ = std::min<uint32_t>(rowsPerBand ? rowsPerBand : 1, height);  // 0: a row a band
  filters_ = filters;
  key_.Set(password);
  try {
    band_.resize(size_t{rowsPerBand_} * width * channels);
  } catch (const std::bad_alloc&) {
    return kTlaNoMemory;
  }
  uint32_t code = 0;
  if (!io_.Write(key_.set ? kCipherSignature : kPlainSignature, 4)) return kTlaWrite;
  uint8_t p[8];
  PutLE16(p, 1);
  if ((code = WriteRecord(kTlaVersionRecord, p, 2))) return code;
  PutLE16(p, width), PutLE16(p + 2, height), PutLE16(p + 4, channels), PutLE16(p + 6, paletteCount);
  if ((code = WriteRecord(kTlaDimensions, p, 8))) return code;
  const uint32_t entries = channels == 1 ? paletteCount : 0;
  if ((code = WriteRecord(kTlaPalette, reinterpret_cast<const uint8_t*>(palette), entries * 4))) return code;
  PutLE16(p, tagCount);
  if ((code = WriteRecord(kTlaTagCount, p, 2))) return code;
  for (uint32_t i = 0; i < tagCount; ++i)
    if ((code = WriteRecord(kTlaTag, tagData[i], tagData[i] ? tagLengths[i] : 0))) return code;
  p[0] = 0;
  if ((code = WriteRecord(kTlaImageStart, p, 1))) return code;
  if (deflateInit2(&z_, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return kTlaDeflate;
  deflating_ = true;
  try {
    packed_.resize(deflateBound(&z_, static_cast<uLong>(band_.size())));
  } catch (const std::bad_alloc&) {
    return kTlaNoMemory;
  }
  if (key_.set) {
    data_ = std::make_unique<StreamCipher>();
    data_->CipherSetKey(key_.key, 32);
  }
  return kTlaOk;
}

uint32_t TLAWriter::Flush() {
  if (bandRows_ == 0) return kTlaOk;
  const uint32_t L = width_ * channels_;
  ApplyFilters(band_.data(), bandRows_, L, channels_, filters_);
  z_.next_in = band_.data();
  z_.avail_in = bandRows_ * L;
  z_.next_out = packed_.data();
  z_.avail_out = static_cast<uInt>(packed_.size());
  if (deflate(&z_, Z_FINISH) != Z_STREAM_END) return kTlaDeflate;
  const uint32_t packed = static_cast<uint32_t>(z_.total_out);
  deflateReset(&z_);
  uint8_t p[8];
  PutLE32(p, packed), PutLE16(p + 4, bandRows_), PutLE16(p + 6, filters_);
  if (uint32_t code = WriteRecord(kTlaBand, p, 8)) return code;
  if (data_) data_->Encrypt(packed_.data(), packed);
  if (!io_.Write(packed_.data(), packed)) return kTlaWrite;
  rowsWritten_ += bandRows_;
  bandRows_ = 0;
  return kTlaOk;
}

uint32_t TLAWriter::AddRow(const uint8_t* row) {
  if (!deflating_) return kTlaState;
  if (rowsAdded_ >= height_) return kTlaOk;  // rows past the height are ignored
  if (bandRows_ == rowsPerBand_)
    if (uint32_t code = Flush()) return code;
  const size_t L = size_t{width_} * channels_;
  std::memcpy(band_.data() + bandRows_ * L, row, L);
  ++bandRows_;
  ++rowsAdded_;
  return kTlaOk;
}

uint32_t TLAWriter::Finish() {
  if (!deflating_) return kTlaState;
  uint32_t code = Flush();
  deflateEnd(&z_);
  deflating_ = false;
  if (code) return code;
  return rowsWritten_ == height_ ? kTlaOk : kTlaRowCount;
}

}  // namespace Pictura
