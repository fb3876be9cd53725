// The WAVE kinds our own reader leaves (IMA and MS ADPCM, A-law, mu-law,
// GSM 6.10, 64-bit float, PCM of more than two channels) through
// libsndfile's virtual I/O over the byte source. Plain PCM in one or two
// channels stays with our own reader.
#include "soundlib/decode/decoder_kinds.h"
#include "soundlib/decode/read_cursor.h"
#include "soundlib/soundlib_api.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace soundlib {

namespace {

using Reader = ReadCursor<std::shared_ptr<ByteSource>>;

sf_count_t Length(void* user) {
  return static_cast<sf_count_t>(static_cast<Reader*>(user)->size());
}
sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  return static_cast<Reader*>(user)->seek(offset, whence);
}
sf_count_t Read(void* dst, sf_count_t n, void* user) {
  if (n <= 0) return 0;
  return static_cast<sf_count_t>(static_cast<Reader*>(user)->read(dst, static_cast<size_t>(n)));
}
sf_count_t Write(const void*, sf_count_t, void*) {
  return 0;
}
// As our reader takes 32-bit floats: full scale is 1, rounded, clipped.
int16_t FromFloat(float v) {
  if (!(v == v)) return 0;  // NaN
  const float s = v * 32768.0f;
  if (s >= 32767.0f) return 32767;
  if (s <= -32768.0f) return -32768;
  return static_cast<int16_t>(std::lrint(s));
}
sf_count_t Tell(void* user) {
  return static_cast<sf_count_t>(static_cast<Reader*>(user)->pos);
}

class CompressedWaveDecoder final : public Decoder {
 public:
  ~CompressedWaveDecoder() override {
    if (file_) sf_close(file_);
  }

  static std::unique_ptr<Decoder> open(std::shared_ptr<ByteSource> source, int& error) {
    std::unique_ptr<CompressedWaveDecoder> d(new CompressedWaveDecoder);
    d->reader_.source = std::move(source);
    SF_VIRTUAL_IO io{&Length, &Seek, &Read, &Write, &Tell};
    SF_INFO info{};
    d->file_ = sf_open_virtual(&io, SFM_READ, &info, &d->reader_);
    if (!d->file_) {
      error = SL_ERROR_DAMAGED;
      return nullptr;
    }
    const int type = info.format & SF_FORMAT_TYPEMASK, sub = info.format & SF_FORMAT_SUBMASK;
    bool wanted = type == SF_FORMAT_WAV || type == SF_FORMAT_WAVEX;
    switch (sub) {
      case SF_FORMAT_IMA_ADPCM:
      case SF_FORMAT_MS_ADPCM:
      case SF_FORMAT_ALAW:
      case SF_FORMAT_ULAW:
      case SF_FORMAT_GSM610:
      case SF_FORMAT_PCM_U8:
      case SF_FORMAT_PCM_16:
      case SF_FORMAT_PCM_24:
      case SF_FORMAT_PCM_32:
      case SF_FORMAT_FLOAT:
      case SF_FORMAT_DOUBLE:
        break;
      default:
        wanted = false;
    }
    if (!wanted || info.channels < 1 || info.channels > static_cast<int>(kMaxDecoderChannels) ||
        info.samplerate < 1000 || info.samplerate > 384000) {
      error = SL_ERROR_FORMAT;
      return nullptr;
    }
    // libsndfile would read floats to whole numbers unscaled (or scaled by
    // the file's peak): ours are read as floats and scaled as our reader does.
    d->floats_ = sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE;
    d->sourceChannels_ = static_cast<unsigned>(info.channels);
    d->info_.rate = static_cast<uint32_t>(info.samplerate);
    d->info_.channels = static_cast<uint16_t>(info.channels > 2 ? 2 : info.channels);
    d->info_.frames = info.frames > 0 ? static_cast<uint64_t>(info.frames) : kUnknownFrames;
    return d;
  }

  size_t read(int16_t* out, size_t count) override {
    const unsigned ch = sourceChannels_;
    int16_t* dst = out;
    if (ch > 2) {
      scratch_.resize(count * ch);
      dst = scratch_.data();
    }
    sf_count_t got;
    if (floats_) {
      floatScratch_.resize(count * ch);
      got = sf_readf_float(file_, floatScratch_.data(), static_cast<sf_count_t>(count));
      for (size_t i = 0; got > 0 && i < static_cast<size_t>(got) * ch; ++i)
        dst[i] = FromFloat(floatScratch_[i]);
    } else {
      got = sf_readf_short(file_, dst, static_cast<sf_count_t>(count));
    }
    if (got <= 0) {
      if (sf_error(file_) != SF_ERR_NO_ERROR) error_ = SL_ERROR_DAMAGED;
      return 0;
    }
    if (ch > 2) {
      FoldToStereo(dst, static_cast<size_t>(got), ch);
      std::memcpy(out, dst, static_cast<size_t>(got) * 2 * sizeof(int16_t));
    }
    return static_cast<size_t>(got);
  }

  bool seek(uint64_t frame) override {
    if (sf_seek(file_, static_cast<sf_count_t>(frame), SEEK_SET) < 0) return false;
    error_ = SL_OK;
    return true;
  }

 private:
  CompressedWaveDecoder() = default;
  Reader reader_;
  SNDFILE* file_ = nullptr;
  unsigned sourceChannels_ = 1;
  bool floats_ = false;
  std::vector<int16_t> scratch_;
  std::vector<float> floatScratch_;
};

}  // namespace

std::unique_ptr<Decoder> OpenCompressedWave(std::shared_ptr<ByteSource> source, int& error) {
  return CompressedWaveDecoder::open(std::move(source), error);
}

}  // namespace soundlib
