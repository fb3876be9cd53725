// Plug-in 10: FLAC through libFLAC's stream decoder, reading through the
// library's byte reader. A frame whose checksum fails is dropped by libFLAC
// (a gap, not noise); the stream goes on with the next good frame.
#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "soundlib/decode/read_cursor.h"
#include "soundlib/plugin_abi.h"
#include "soundlib/plugins/pending_frames.h"
#include "soundlib/plugins/plugin_kinds.h"

namespace {

constexpr uint32_t kMaxChannels = 8;

struct Flac {
  soundlib::ReadCursor<const SlByteReader*> in;
  FLAC__StreamDecoder* decoder = nullptr;
  uint32_t rate = 0, channels = 0, bits = 0;
  uint64_t total = 0;
  bool badFormat = false;
  bool damaged = false;
  soundlib::PendingFrames pending;
};

FLAC__StreamDecoderReadStatus Read(const FLAC__StreamDecoder*, FLAC__byte* out, size_t* bytes, void* client) {
  auto* f = static_cast<Flac*>(client);
  if (*bytes == 0) return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
  const uint32_t want = static_cast<uint32_t>(std::min<size_t>(*bytes, 1u << 20));
  const size_t got = f->in.read(out, want);
  *bytes = got;
  return got ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}
FLAC__StreamDecoderSeekStatus Seek(const FLAC__StreamDecoder*, FLAC__uint64 to, void* client) {
  auto* f = static_cast<Flac*>(client);
  if (to > f->in.size()) return FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
  f->in.pos = to;
  return FLAC__STREAM_DECODER_SEEK_STATUS_OK;
}
FLAC__StreamDecoderTellStatus Tell(const FLAC__StreamDecoder*, FLAC__uint64* at, void* client) {
  *at = static_cast<Flac*>(client)->in.pos;
  return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}
FLAC__StreamDecoderLengthStatus Length(const FLAC__StreamDecoder*, FLAC__uint64* length, void* client) {
  *length = static_cast<Flac*>(client)->in.size();
  return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}
FLAC__bool Eof(const FLAC__StreamDecoder*, void* client) {
  const auto& in = static_cast<Flac*>(client)->in;
  return in.pos >= in.size();
}

FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                     const FLAC__int32* const buffer[], void* client) {
  auto* f = static_cast<Flac*>(client);
  const uint32_t ch = frame->header.channels, bits = frame->header.bits_per_sample;
  // A frame of another shape than the stream's header said is damage.
  if (ch != f->channels || frame->header.sample_rate != f->rate || bits < 4 || bits > 32) {
    f->damaged = true;
    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
  }
  const uint32_t n = frame->header.blocksize;
  const uint32_t out = ch > 2 ? 2 : ch;
  int16_t* dst = f->pending.append(n, out);
  auto to16 = [bits](FLAC__int32 v) -> int32_t {
    return bits >= 16 ? v >> (bits - 16) : v * (1 << (16 - bits));
  };
  for (uint32_t i = 0; i < n; ++i) {
    if (ch <= 2) {
      for (uint32_t c = 0; c < ch; ++c) dst[i * ch + c] = static_cast<int16_t>(to16(buffer[c][i]));
    } else {
      int32_t sum[2] = {0, 0};
      for (uint32_t c = 0; c < ch; ++c) sum[c % 2] += to16(buffer[c][i]);
      dst[2 * i] = static_cast<int16_t>(sum[0] / static_cast<int32_t>((ch + 1) / 2));
      dst[2 * i + 1] = static_cast<int16_t>(sum[1] / static_cast<int32_t>(ch / 2));
    }
  }
  return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void Metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void* client) {
  auto* f = static_cast<Flac*>(client);
  if (m->type != FLAC__METADATA_TYPE_STREAMINFO || f->rate != 0) return;
  const auto& s = m->data.stream_info;
  f->rate = s.sample_rate;
  f->channels = s.channels;
  f->bits = s.bits_per_sample;
  f->total = s.total_samples;
  if (f->channels < 1 || f->channels > kMaxChannels || f->rate < 1000 || f->rate > 384000)
    f->badFormat = true;
}

void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* client) {
  // Lost sync or a bad checksum: libFLAC drops the frame and looks for the next.
  static_cast<Flac*>(client)->damaged = true;
}

void SL_CALL Close(void* handle) {
  auto* f = static_cast<Flac*>(handle);
  if (!f) return;
  if (f->decoder) FLAC__stream_decoder_delete(f->decoder);
  delete f;
}

int32_t SL_CALL Probe(const uint8_t* head, uint32_t n, uint64_t) {
  return n >= 4 && std::memcmp(head, "fLaC", 4) == 0;
}

void* SL_CALL Open(const SlByteReader* reader, SlDecoderFormat* format, int32_t* error) {
  auto* f = new (std::nothrow) Flac;
  if (!f) {
    *error = SL_ERROR_MEM;
    return nullptr;
  }
  f->in.source = reader;
  f->decoder = FLAC__stream_decoder_new();
  if (!f->decoder ||
      FLAC__stream_decoder_init_stream(f->decoder, &Read, &Seek, &Tell, &Length, &Eof, &Write, &Metadata,
                                       &Error, f) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
    *error = SL_ERROR_MEM;
    Close(f);
    return nullptr;
  }
  if (!FLAC__stream_decoder_process_until_end_of_metadata(f->decoder) || f->rate == 0) {
    *error = SL_ERROR_DAMAGED;
    Close(f);
    return nullptr;
  }
  if (f->badFormat) {
    *error = SL_ERROR_FORMAT;
    Close(f);
    return nullptr;
  }
  format->rate = f->rate;
  format->channels = f->channels > 2 ? 2 : f->channels;
  format->frames = f->total ? f->total : ~0ull;
  return f;
}

uint32_t SL_CALL Decode(void* handle, int16_t* out, uint32_t frames, int32_t* error) {
  auto* f = static_cast<Flac*>(handle);
  return soundlib::DrainFrames(f->pending, f->channels > 2 ? 2 : f->channels, out, frames, error, [f] {
    const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(f->decoder);
    if (state == FLAC__STREAM_DECODER_END_OF_STREAM) return soundlib::Refilled::kEnd;
    if (state > FLAC__STREAM_DECODER_END_OF_STREAM || !FLAC__stream_decoder_process_single(f->decoder))
      return soundlib::Refilled::kDamaged;
    return soundlib::Refilled::kMore;
  });
}

int32_t SL_CALL SeekTo(void* handle, uint64_t frame) {
  auto* f = static_cast<Flac*>(handle);
  f->pending.clear();
  if (f->total && frame >= f->total) frame = f->total;
  if (FLAC__stream_decoder_seek_absolute(f->decoder, frame)) return 1;
  // A failed seek leaves the decoder to be flushed; from the start it can go on.
  FLAC__stream_decoder_flush(f->decoder);
  f->pending.clear();
  return frame == 0 && FLAC__stream_decoder_reset(f->decoder) &&
         FLAC__stream_decoder_process_until_end_of_metadata(f->decoder);
}

const SlDecoderOps kOps{sizeof(SlDecoderOps), "FLAC", &Probe, &Open, &Decode, &SeekTo, &Close};
const SlDecoderOps* const kDecoders[] = {&kOps};
const SlPluginFormat kFormats[] = {{"FLAC", "*.flac"}};
const SlPluginInfo kInfo{kSlPluginVersion, "Waylune FLAC", 1, kFormats, 1, kDecoders};

}  // namespace

const SlPluginInfo* FlacPluginInfo() {
  return &kInfo;
}
