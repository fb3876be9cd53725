#include "soundlib/core/decoder_kinds.h"

#include <cstring>

#include "soundlib/core/wav_reader.h"
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
  if (error == SL_ERROR_FORMAT) {
    int other = SL_OK;
    if (auto d = OpenCompressedWave(source, other)) return d;
    if (other != SL_ERROR_FORMAT && other != SL_OK) error = other;
  }
  return nullptr;
}

}  // namespace

void BuiltInDecoderKinds(std::vector<DecoderKind>& early, std::vector<DecoderKind>& late) {
  early.push_back(DecoderKind{"WAVE", &ProbeWave, &OpenWave, nullptr});
  AddVorbisKind(early);
  AddMpegKind(late);
}

}  // namespace soundlib
