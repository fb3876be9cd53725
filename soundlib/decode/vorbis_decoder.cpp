// Ogg Vorbis through libvorbisfile over the byte source's callbacks.
#include "soundlib/decode/decoder_kinds.h"
#include "soundlib/decode/read_cursor.h"
#include "soundlib/soundlib_api.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace soundlib {

namespace {

using Reader = ReadCursor<std::shared_ptr<ByteSource>>;

size_t ReadCallback(void* dst, size_t size, size_t n, void* handle) {
  if (size == 0) return 0;
  return static_cast<Reader*>(handle)->read(dst, size * n) / size;
}

// The first page must carry a Vorbis identification header.
bool ProbeVorbis(const uint8_t* head, size_t n, uint64_t, const void*) {
  if (n < 28 || std::memcmp(head, "OggS", 4) != 0) return false;
  const size_t body = 27 + head[26];
  return n >= body + 7 && std::memcmp(head + body, "\x01vorbis", 7) == 0;
}

class VorbisDecoder final : public Decoder {
 public:
  ~VorbisDecoder() override {
    if (opened_) ov_clear(&file_);
  }

  // Opened as a stream that cannot seek: a seekable open first bisects the
  // whole file for its links and ends, and one damaged page there loses the
  // whole sound; read straight through, a damaged page is only a gap. A seek
  // opens again and skips forward.
  static std::unique_ptr<Decoder> open(std::shared_ptr<ByteSource> source, int& error) {
    std::unique_ptr<VorbisDecoder> d(new VorbisDecoder);
    d->reader_.source = std::move(source);
    error = d->reopen();
    if (error != SL_OK) return nullptr;
    const vorbis_info* vi = ov_info(&d->file_, -1);
    d->sourceChannels_ = static_cast<unsigned>(vi->channels);
    d->info_.rate = static_cast<uint32_t>(vi->rate);
    d->info_.channels = static_cast<uint16_t>(vi->channels > 2 ? 2 : vi->channels);
    d->info_.frames = kUnknownFrames;
    return d;
  }

  int reopen() {
    if (opened_) ov_clear(&file_);
    opened_ = false;
    ended_ = false;
    error_ = SL_OK;
    reader_.pos = 0;
    const ov_callbacks calls{&ReadCallback, nullptr, nullptr, nullptr};
    const int r = ov_open_callbacks(&reader_, &file_, nullptr, 0, calls);
    if (r != 0)
      return r == OV_ENOTVORBIS ? SL_ERROR_FILEFORM : r == OV_EVERSION ? SL_ERROR_FORMAT : SL_ERROR_DAMAGED;
    opened_ = true;
    const vorbis_info* vi = ov_info(&file_, -1);
    if (!vi || vi->channels < 1 || vi->channels > static_cast<int>(kMaxDecoderChannels) || vi->rate < 1000 ||
        vi->rate > 384000)
      return SL_ERROR_FORMAT;
    if (info_.rate != 0 && (static_cast<uint32_t>(vi->rate) != info_.rate ||
                            static_cast<unsigned>(vi->channels) != sourceChannels_))
      return SL_ERROR_FORMAT;
    return SL_OK;
  }

  size_t read(int16_t* out, size_t count) override {
    if (ended_) return 0;
    const size_t ch = sourceChannels_;
    int16_t* dst = out;
    if (ch > 2) {
      scratch_.resize(count * ch);
      dst = scratch_.data();
    }
    size_t have = 0;
    int holes = 0;
    while (have < count) {
      int section = 0;
      const long bytes =
          ov_read(&file_, reinterpret_cast<char*>(dst + have * ch),
                  static_cast<int>(std::min<size_t>((count - have) * ch * 2, 1 << 20)), 0, 2, 1, &section);
      if (bytes == OV_HOLE && ++holes < 64) continue;  // a lost page: go on after it
      if (bytes <= 0) {
        if (bytes < 0) error_ = SL_ERROR_DAMAGED;
        ended_ = true;
        break;
      }
      // A chained stream of another kind ends the sound.
      const vorbis_info* vi = ov_info(&file_, -1);
      if (!vi || static_cast<unsigned>(vi->channels) != ch || static_cast<uint32_t>(vi->rate) != info_.rate) {
        error_ = SL_ERROR_FORMAT;
        ended_ = true;
        break;
      }
      have += static_cast<size_t>(bytes) / (2 * ch);
    }
    if (ch > 2) {
      FoldToStereo(dst, have, static_cast<unsigned>(ch));
      std::memcpy(out, dst, have * 2 * sizeof(int16_t));
    }
    return have;
  }

  bool seek(uint64_t frame) override {
    if (reopen() != SL_OK) {
      ended_ = true;
      return false;
    }
    std::vector<int16_t> skip(4096 * 2);
    for (uint64_t left = frame; left > 0;) {
      const size_t got = read(skip.data(), static_cast<size_t>(std::min<uint64_t>(left, 4096)));
      if (got == 0) break;
      left -= got;
    }
    error_ = SL_OK;
    return true;
  }

 private:
  VorbisDecoder() = default;
  Reader reader_;
  OggVorbis_File file_{};
  bool opened_ = false;
  bool ended_ = false;
  unsigned sourceChannels_ = 1;
  std::vector<int16_t> scratch_;
};

std::unique_ptr<Decoder> OpenVorbis(std::shared_ptr<ByteSource> source, const void*, int& error) {
  return VorbisDecoder::open(std::move(source), error);
}

}  // namespace

void AddVorbisKind(std::vector<DecoderKind>& kinds) {
  kinds.push_back(DecoderKind{"Ogg Vorbis", &ProbeVorbis, &OpenVorbis, nullptr});
}

}  // namespace soundlib
