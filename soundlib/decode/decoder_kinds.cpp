#include "soundlib/decode/decoder_kinds.h"

#include <algorithm>
#include <cstring>

#include "soundlib/decode/wav_reader.h"
#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {

// A second owner of a shared source, for readers that take a unique one.
class SharedSource final : public ByteSource {
 public:
  explicit SharedSource(std::shared_ptr<ByteSource> s) : s_(std::move(s)) {}
  uint64_t size() const override { return s_->size(); }
  size_t readAt(uint64_t pos, void* dst, size_t n) override { return s_->readAt(pos, dst, n); }

 private:
  std::shared_ptr<ByteSource> s_;
};

// A window of a shared source: a WAVE file's data chunk.
class WindowSource final : public ByteSource {
 public:
  WindowSource(std::shared_ptr<ByteSource> s, uint64_t offset, uint64_t length)
      : s_(std::move(s)), offset_(offset), length_(length) {}
  uint64_t size() const override { return length_; }
  size_t readAt(uint64_t pos, void* dst, size_t n) override {
    if (pos >= length_) return 0;
    return s_->readAt(offset_ + pos, dst, static_cast<size_t>(std::min<uint64_t>(n, length_ - pos)));
  }

 private:
  std::shared_ptr<ByteSource> s_;
  uint64_t offset_, length_;
};

constexpr uint16_t kTagMpeg = 0x0050, kTagMpegLayer3 = 0x0055;

uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// MPEG audio in a WAVE file (format 0x50 or 0x55, as Windows' MPEG codecs
// write it): the data chunk, or null when the file is not such a one.
std::shared_ptr<ByteSource> MpegInWave(const std::shared_ptr<ByteSource>& source) {
  const uint64_t size = source->size();
  uint16_t tag = 0;
  for (uint64_t pos = 12; pos + 8 <= size;) {
    uint8_t ch[10];
    if (source->readAt(pos, ch, 8) != 8) return nullptr;
    const uint32_t len = Le32(ch + 4);
    if (std::memcmp(ch, "fmt ", 4) == 0 && tag == 0) {
      if (len < 2 || source->readAt(pos + 8, ch + 8, 2) != 2) return nullptr;
      tag = static_cast<uint16_t>(ch[8] | ch[9] << 8);
      if (tag != kTagMpeg && tag != kTagMpegLayer3) return nullptr;
    } else if (std::memcmp(ch, "data", 4) == 0) {
      if (tag == 0) return nullptr;
      const uint64_t body = pos + 8;
      return std::make_shared<WindowSource>(source, body, std::min<uint64_t>(len, size - body));
    }
    pos += 8 + static_cast<uint64_t>(len) + (len & 1u);
  }
  return nullptr;
}

// PCM WAVE through our own reader, which decodes any frame directly.
class PcmWavDecoder final : public Decoder {
 public:
  explicit PcmWavDecoder(std::unique_ptr<WavReader> r) : reader_(std::move(r)) {
    info_.rate = reader_->format().rate;
    info_.channels = reader_->format().channels;
    info_.frames = reader_->frames();
    info_.bytesPerFrame = reader_->format().blockAlign;
  }
  size_t read(int16_t* out, size_t count) override {
    const size_t got = reader_->decode(pos_, count, out);
    if (got < count && pos_ + got < reader_->frames()) error_ = SL_ERROR_FILEOPEN;
    pos_ += got;
    return got;
  }
  bool seek(uint64_t frame) override {
    pos_ = std::min(frame, reader_->frames());
    error_ = SL_OK;
    return true;
  }

 private:
  std::unique_ptr<WavReader> reader_;
  uint64_t pos_ = 0;
};

bool ProbeWave(const uint8_t* head, size_t n, uint64_t, const void*) {
  return n >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

std::unique_ptr<Decoder> OpenWave(std::shared_ptr<ByteSource> source, const void*, int& error) {
  error = SL_OK;
  auto reader = WavReader::open(std::make_unique<SharedSource>(source), error);
  if (reader) return std::make_unique<PcmWavDecoder>(std::move(reader));
  // Not PCM: the compressed kinds go to the library that knows them.
  if (error != SL_ERROR_FORMAT) return nullptr;
  if (std::shared_ptr<ByteSource> frames = MpegInWave(source)) {
    uint8_t head[kProbeBytes];
    const size_t n = frames->readAt(0, head, sizeof head);
    if (!ProbeMpegAudio(head, n, frames->size(), nullptr)) {
      error = SL_ERROR_DAMAGED;
      return nullptr;
    }
    return OpenMpegAudio(frames, error);
  }
  int other = SL_OK;
  if (auto d = OpenCompressedWave(source, other)) return d;
  if (other != SL_ERROR_FORMAT && other != SL_OK) error = other;
  return nullptr;
}

}  // namespace

void BuiltInDecoderKinds(std::vector<DecoderKind>& early, std::vector<DecoderKind>& late) {
  early.push_back(DecoderKind{"WAVE", &ProbeWave, &OpenWave, nullptr});
  AddVorbisKind(early);
  AddMpegKind(late);
}

}  // namespace soundlib
