#include "soundlib/decode/wav_reader.h"

#include <cmath>
#include <cstring>

#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;
// The fixed tail of the sub-format GUID of an extensible header.
constexpr uint8_t kGuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

int16_t fromFloat(float v) {
  if (!(v == v)) return 0;  // NaN
  float s = v * 32768.0f;
  if (s >= 32767.0f) return 32767;
  if (s <= -32768.0f) return -32768;
  return static_cast<int16_t>(std::lrint(s));
}

void convert(const PcmFormat& f, const uint8_t* in, size_t values, int16_t* out) {
  switch (f.bitsPerSample) {
    case 8:
      for (size_t i = 0; i < values; ++i) out[i] = static_cast<int16_t>((in[i] - 128) * 256);
      break;
    case 16:
      for (size_t i = 0; i < values; ++i) out[i] = static_cast<int16_t>(le16(in + 2 * i));
      break;
    case 24:
      for (size_t i = 0; i < values; ++i) out[i] = static_cast<int16_t>(le16(in + 3 * i + 1));
      break;
    case 32:
      for (size_t i = 0; i < values; ++i) {
        uint32_t u = le32(in + 4 * i);
        if (f.isFloat) {
          float v;
          std::memcpy(&v, &u, 4);
          out[i] = fromFloat(v);
        } else {
          out[i] = static_cast<int16_t>(u >> 16);
        }
      }
      break;
  }
}

}  // namespace

std::unique_ptr<WavReader> WavReader::open(std::unique_ptr<ByteSource> source, int& error) {
  if (!source) {
    if (error == SL_OK) error = SL_ERROR_FILEOPEN;
    return nullptr;
  }
  std::unique_ptr<WavReader> r(new WavReader(std::move(source)));
  error = r->parse();
  if (error != SL_OK) return nullptr;
  return r;
}

int WavReader::parse() {
  const uint64_t size = source_->size();
  uint8_t head[12];
  if (size < 12 || source_->readAt(0, head, 12) != 12) return SL_ERROR_FILEFORM;
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return SL_ERROR_FILEFORM;

  bool haveFmt = false, haveData = false;
  uint16_t tag = 0;
  uint64_t dataLen = 0;
  uint64_t pos = 12;
  while (pos + 8 <= size && !(haveFmt && haveData)) {
    uint8_t ch[8];
    if (source_->readAt(pos, ch, 8) != 8) return SL_ERROR_FILEOPEN;
    const uint32_t len = le32(ch + 4);
    const uint64_t body = pos + 8;
    if (std::memcmp(ch, "fmt ", 4) == 0 && !haveFmt) {
      if (len < 16 || body + 16 > size) return SL_ERROR_FILEFORM;
      uint8_t f[40] = {};
      const size_t want = len < 40 ? len : 40;
      if (body + want > size || source_->readAt(body, f, want) != want) return SL_ERROR_FILEFORM;
      tag = le16(f);
      format_.channels = le16(f + 2);
      format_.rate = le32(f + 4);
      format_.blockAlign = le16(f + 12);
      format_.bitsPerSample = le16(f + 14);
      if (tag == kTagExtensible) {
        if (want < 40 || le16(f + 16) < 22) return SL_ERROR_FILEFORM;
        // Sub-format GUID at 24: the format tag as its first word, then a fixed tail.
        if (le16(f + 26) != 0 || std::memcmp(f + 28, kGuidTail, sizeof kGuidTail) != 0)
          return SL_ERROR_FORMAT;
        tag = le16(f + 24);
        if (tag == kTagExtensible) return SL_ERROR_FORMAT;
      }
      haveFmt = true;
    } else if (std::memcmp(ch, "data", 4) == 0 && !haveData) {
      // A length past the end (cut files, or 0xFFFFFFFF from writers that
      // never went back) means: whatever data is there.
      const uint64_t avail = size > body ? size - body : 0;
      dataLen = len < avail ? len : avail;
      dataOffset_ = body;
      haveData = true;
    }
    pos = body + len + (len & 1u);
  }
  if (!haveFmt || !haveData) return SL_ERROR_FILEFORM;

  if (tag == kTagFloat) {
    format_.isFloat = true;
    if (format_.bitsPerSample != 32) return SL_ERROR_FORMAT;
  } else if (tag == kTagPcm) {
    const uint16_t b = format_.bitsPerSample;
    if (b != 8 && b != 16 && b != 24 && b != 32) return SL_ERROR_FORMAT;
  } else {
    return SL_ERROR_FORMAT;
  }
  if (format_.channels < 1 || format_.channels > 2) return SL_ERROR_FORMAT;
  if (format_.rate < 1000 || format_.rate > 384000) return SL_ERROR_FORMAT;
  if (format_.blockAlign != format_.channels * (format_.bitsPerSample / 8)) return SL_ERROR_FILEFORM;
  frames_ = dataLen / format_.blockAlign;
  if (frames_ == 0) return SL_ERROR_FILEFORM;
  return SL_OK;
}

size_t WavReader::decode(uint64_t first, size_t count, int16_t* out) {
  if (first >= frames_) return 0;
  if (count > frames_ - first) count = static_cast<size_t>(frames_ - first);
  const size_t bytes = count * format_.blockAlign;
  if (scratch_.size() < bytes) scratch_.resize(bytes);
  const size_t got = source_->readAt(dataOffset_ + first * format_.blockAlign, scratch_.data(), bytes);
  const size_t frames = got / format_.blockAlign;
  convert(format_, scratch_.data(), frames * format_.channels, out);
  return frames;
}

bool WavReader::decodeAll(std::vector<int16_t>& out, int& error) {
  const uint64_t values = frames_ * format_.channels;
  if (values * sizeof(int16_t) > kMaxDecodedBytes) {
    error = SL_ERROR_MEM;
    return false;
  }
  out.resize(static_cast<size_t>(values));
  constexpr size_t kBlock = 16384;
  uint64_t done = 0;
  while (done < frames_) {
    const uint64_t left = frames_ - done;
    const size_t want = left < kBlock ? static_cast<size_t>(left) : kBlock;
    const size_t got = decode(done, want, out.data() + done * format_.channels);
    if (got != want) {
      error = SL_ERROR_FILEOPEN;
      out.clear();
      return false;
    }
    done += got;
  }
  error = SL_OK;
  return true;
}

}  // namespace soundlib
