// MPEG audio layers I, II and III through libmpg123, reading the byte source
// through its reader callbacks (no file of its own, no whole-file buffer).
#include "soundlib/decode/decoder_kinds.h"
#include "soundlib/decode/read_cursor.h"
#include "soundlib/soundlib_api.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace soundlib {

namespace {

using Reader = ReadCursor<std::shared_ptr<ByteSource>>;

ssize_t ReadCallback(void* handle, void* dst, size_t n) {
  return static_cast<ssize_t>(static_cast<Reader*>(handle)->read(dst, n));
}

off_t SeekCallback(void* handle, off_t offset, int whence) {
  return static_cast<off_t>(static_cast<Reader*>(handle)->seek(offset, whence));
}

class MpegDecoder final : public Decoder {
 public:
  ~MpegDecoder() override {
    if (handle_) {
      mpg123_close(handle_);
      mpg123_delete(handle_);
    }
  }

  static std::unique_ptr<Decoder> open(std::shared_ptr<ByteSource> source, int& error) {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    std::unique_ptr<MpegDecoder> d(new MpegDecoder);
    d->reader_.source = std::move(source);
    int err = MPG123_OK;
    d->handle_ = mpg123_new(nullptr, &err);
    if (!d->handle_) {
      error = SL_ERROR_MEM;
      return nullptr;
    }
    mpg123_handle* h = d->handle_;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
      mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_replace_reader_handle(h, &ReadCallback, &SeekCallback, nullptr) != MPG123_OK ||
        mpg123_open_handle(h, &d->reader_) != MPG123_OK) {
      error = SL_ERROR_MEM;
      return nullptr;
    }
    if (mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        (channels != 1 && channels != 2)) {
      error = SL_ERROR_DAMAGED;  // the probe saw frames; none decodes
      return nullptr;
    }
    d->info_.rate = static_cast<uint32_t>(rate);
    d->info_.channels = static_cast<uint16_t>(channels);
    // The length would need a scan of the whole file: left unknown.
    d->info_.frames = kUnknownFrames;
    return d;
  }

  size_t read(int16_t* out, size_t count) override {
    if (ended_) return 0;
    const size_t frameBytes = 2u * info_.channels;
    unsigned char* dst = reinterpret_cast<unsigned char*>(out);
    size_t have = 0;
    while (have < count) {
      size_t done = 0;
      const int r = mpg123_read(handle_, dst + have * frameBytes, (count - have) * frameBytes, &done);
      have += done / frameBytes;
      if (r == MPG123_OK) {
        if (done == 0) break;
        continue;
      }
      if (r == MPG123_NEW_FORMAT) {
        long rate = 0;
        int channels = 0, encoding = 0;
        mpg123_getformat(handle_, &rate, &channels, &encoding);
        if (static_cast<uint32_t>(rate) == info_.rate && channels == info_.channels) continue;
        error_ = SL_ERROR_FORMAT;  // a change of kind mid-file: the sound ends there
      } else if (r != MPG123_DONE) {
        error_ = SL_ERROR_DAMAGED;
      }
      ended_ = true;
      break;
    }
    decoded_ += have;
    if (ended_ && error_ == SL_OK) info_.frames = decoded_;
    return have;
  }

  bool seek(uint64_t frame) override {
    const off_t at = mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET);
    if (at < 0) return false;
    ended_ = false;
    error_ = SL_OK;
    decoded_ = static_cast<uint64_t>(at);
    return true;
  }

 private:
  MpegDecoder() = default;
  Reader reader_;
  mpg123_handle* handle_ = nullptr;
  bool ended_ = false;
  uint64_t decoded_ = 0;
};

std::unique_ptr<Decoder> OpenMpeg(std::shared_ptr<ByteSource> source, const void*, int& error) {
  return MpegDecoder::open(std::move(source), error);
}

}  // namespace

std::unique_ptr<Decoder> OpenMpegAudio(std::shared_ptr<ByteSource> source, int& error) {
  return MpegDecoder::open(std::move(source), error);
}

void AddMpegKind(std::vector<DecoderKind>& kinds) {
  kinds.push_back(DecoderKind{"MPEG audio", &ProbeMpegAudio, &OpenMpeg, nullptr});
}

}  // namespace soundlib
