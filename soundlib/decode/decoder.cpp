#include "soundlib/decode/decoder.h"

#include <algorithm>
#include <cstring>

#include "soundlib/decode/wav_reader.h"
#include "soundlib/soundlib_api.h"

namespace soundlib {

namespace {

// Bit rates in kbit/s by [version is 1][3 - layer][index].
constexpr uint16_t kBitrates[2][3][16] = {
    {{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}},
    {{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}},
};
constexpr uint32_t kRates[3] = {44100, 48000, 32000};

struct MpegHeader {
  unsigned version;  // 3 = MPEG-1, 2 = MPEG-2, 0 = MPEG-2.5
  unsigned layer;    // 1, 2 or 3
  uint32_t rate;
  uint32_t length;  // bytes of the whole frame
};

bool ParseMpegHeader(const uint8_t* p, MpegHeader& h) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  h.version = (p[1] >> 3) & 3;
  const unsigned layerBits = (p[1] >> 1) & 3;
  const unsigned rateIndex = p[2] >> 4;
  const unsigned freqIndex = (p[2] >> 2) & 3;
  if (h.version == 1 || layerBits == 0 || rateIndex == 0 || rateIndex == 15 || freqIndex == 3) return false;
  if ((p[3] & 3) == 2) return false;  // reserved emphasis
  h.layer = 4 - layerBits;
  const bool v1 = h.version == 3;
  const uint32_t kbps = kBitrates[v1 ? 1 : 0][3 - h.layer][rateIndex];
  h.rate = kRates[freqIndex] >> (v1 ? 0 : h.version == 2 ? 1 : 2);
  const uint32_t pad = (p[2] >> 1) & 1;
  if (h.layer == 1) {
    h.length = (12 * kbps * 1000 / h.rate + pad) * 4;
  } else {
    const uint32_t factor = (h.layer == 3 && !v1) ? 72 : 144;
    h.length = factor * kbps * 1000 / h.rate + pad;
  }
  return h.length >= 4;
}

}  // namespace

uint64_t Id3v2Length(const uint8_t* head, size_t n) {
  if (n < 10 || std::memcmp(head, "ID3", 3) != 0 || head[3] == 0xFF || head[4] == 0xFF) return 0;
  uint64_t len = 0;
  for (int i = 6; i < 10; ++i) {
    if (head[i] & 0x80) return 0;
    len = len << 7 | head[i];
  }
  return 10 + len + ((head[5] & 0x10) ? 10 : 0);  // footer
}

bool ProbeMpegAudio(const uint8_t* head, size_t n, uint64_t, const void*) {
  // A frame at the very start needs one follower of its kind; after a few
  // bytes of junk, two (random bytes rarely chain three headers).
  for (size_t at = 0; at + 4 <= n && at < 2048; ++at) {
    MpegHeader first;
    if (!ParseMpegHeader(head + at, first)) continue;
    size_t pos = at + first.length;
    const int needed = at == 0 ? 1 : 2;
    int chained = 0;
    while (chained < needed && pos + 4 <= n) {
      MpegHeader next;
      if (!ParseMpegHeader(head + pos, next) || next.version != first.version || next.layer != first.layer ||
          next.rate != first.rate)
        break;
      ++chained;
      pos += next.length;
    }
    if (chained == needed) return true;
    // A single frame that is the whole file.
    if (at == 0 && chained == 0 && pos == n) return true;
  }
  return false;
}

void FoldToStereo(int16_t* values, size_t frames, unsigned channels) {
  if (channels <= 2) return;
  const unsigned left = (channels + 1) / 2, right = channels / 2;
  for (size_t f = 0; f < frames; ++f) {
    const int16_t* in = values + f * channels;
    int32_t l = 0, r = 0;
    for (unsigned c = 0; c < channels; ++c) (c % 2 ? r : l) += in[c];
    values[2 * f] = static_cast<int16_t>(l / static_cast<int32_t>(left));
    values[2 * f + 1] = static_cast<int16_t>(r / static_cast<int32_t>(right));
  }
}

std::unique_ptr<Decoder> OpenDecoder(std::unique_ptr<ByteSource> unique,
                                     const std::vector<DecoderKind>& kinds, int& error, size_t* used) {
  if (!unique) {
    error = SL_ERROR_FILEOPEN;
    return nullptr;
  }
  std::shared_ptr<ByteSource> source(std::move(unique));
  const uint64_t size = source->size();
  std::vector<uint8_t> head(kProbeBytes);
  head.resize(source->readAt(0, head.data(), head.size()));
  if (head.empty()) {
    error = size == 0 ? SL_ERROR_FILEFORM : SL_ERROR_FILEOPEN;
    return nullptr;
  }
  std::vector<uint8_t> after;  // the bytes after an ID3v2 tag
  if (const uint64_t skip = Id3v2Length(head.data(), head.size()); skip > 0 && skip < size) {
    after.resize(kProbeBytes);
    after.resize(source->readAt(skip, after.data(), after.size()));
  }
  for (size_t index = 0; index < kinds.size(); ++index) {
    const DecoderKind& k = kinds[index];
    const bool taken = k.probe(head.data(), head.size(), size, k.context) ||
                       (!after.empty() && k.probe(after.data(), after.size(), size, k.context));
    if (!taken) continue;
    error = SL_OK;
    std::unique_ptr<Decoder> d = k.open(source, k.context, error);
    if (d) {
      const StreamInfo& i = d->info();
      if (i.channels < 1 || i.channels > 2 || i.rate < 1000 || i.rate > 384000) {
        error = SL_ERROR_FORMAT;
        return nullptr;
      }
      error = SL_OK;
      if (used) *used = index;
      return d;
    }
    if (error == SL_OK) error = SL_ERROR_FILEFORM;
    return nullptr;
  }
  error = SL_ERROR_FILEFORM;
  return nullptr;
}

bool DecodeWhole(Decoder& decoder, std::vector<int16_t>& out, uint64_t& frames, int& error) {
  const unsigned ch = decoder.info().channels;
  const uint64_t maxFrames = kMaxDecodedBytes / (2 * ch);
  out.clear();
  frames = 0;
  if (decoder.info().frames != kUnknownFrames && decoder.info().frames > maxFrames) {
    error = SL_ERROR_MEM;
    return false;
  }
  if (decoder.info().frames != kUnknownFrames) out.reserve(static_cast<size_t>(decoder.info().frames * ch));
  constexpr size_t kBlock = 16384;
  for (;;) {
    out.resize(static_cast<size_t>((frames + kBlock) * ch));
    const size_t got = decoder.read(out.data() + frames * ch, kBlock);
    frames += got;
    if (frames > maxFrames) {
      out.clear();
      frames = 0;
      error = SL_ERROR_MEM;
      return false;
    }
    if (got == 0) break;
  }
  out.resize(static_cast<size_t>(frames * ch));
  if (frames == 0) {
    // Its kind was known, so a file without any sound is a damaged one.
    error = decoder.error() != SL_OK ? decoder.error() : SL_ERROR_DAMAGED;
    return false;
  }
  error = SL_OK;
  return true;
}

}  // namespace soundlib
