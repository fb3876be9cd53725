// Plug-in 11: WMA (versions 1 and 2, and Pro and Lossless where the FFmpeg
// build has them) in ASF files, through FFmpeg's ASF demuxer and decoders
// reading through the library's byte reader. A seek opens the file again
// and decodes up to the frame (the program only ever goes back to 0).
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "soundlib/decode/read_cursor.h"
#include "soundlib/plugin_abi.h"
#include "soundlib/plugins/pending_frames.h"
#include "soundlib/plugins/plugin_kinds.h"

namespace {

constexpr uint8_t kAsfGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                  0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr int kIoBuffer = 32768;
constexpr int kMaxChannels = 8;

struct Wma {
  soundlib::ReadCursor<const SlByteReader*> in;
  AVIOContext* io = nullptr;
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int stream = -1;
  uint32_t rate = 0, channels = 0;
  bool drained = false;  // no more packets; the decoder is being emptied
  bool ended = false;
  soundlib::PendingFrames pending;
};

int ReadPacket(void* opaque, uint8_t* buf, int size) {
  auto* w = static_cast<Wma*>(opaque);
  if (size <= 0) return AVERROR_EOF;
  const size_t got = w->in.read(buf, static_cast<size_t>(size));
  return got ? static_cast<int>(got) : AVERROR_EOF;
}

int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
  auto* w = static_cast<Wma*>(opaque);
  if (whence & AVSEEK_SIZE) return static_cast<int64_t>(w->in.size());
  return w->in.seek(offset, whence & ~AVSEEK_FORCE);
}

void Release(Wma* w) {
  if (w->frame) av_frame_free(&w->frame);
  if (w->packet) av_packet_free(&w->packet);
  if (w->codec) avcodec_free_context(&w->codec);
  if (w->format) avformat_close_input(&w->format);
  if (w->io) {
    av_freep(&w->io->buffer);
    avio_context_free(&w->io);
  }
  w->stream = -1;
  w->drained = w->ended = false;
  w->pending.clear();
}

int32_t OpenStreams(Wma* w) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  w->in.pos = 0;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBuffer));
  if (!buffer) return SL_ERROR_MEM;
  w->io = avio_alloc_context(buffer, kIoBuffer, 0, w, &ReadPacket, nullptr, &SeekPacket);
  w->format = avformat_alloc_context();
  w->packet = av_packet_alloc();
  w->frame = av_frame_alloc();
  if (!w->io || !w->format || !w->packet || !w->frame) {
    if (!w->io) av_free(buffer);
    return SL_ERROR_MEM;
  }
  w->format->pb = w->io;
  w->format->flags |= AVFMT_FLAG_CUSTOM_IO;
  const AVInputFormat* asf = av_find_input_format("asf");
  if (!asf) return SL_ERROR_FORMAT;
  if (avformat_open_input(&w->format, nullptr, asf, nullptr) < 0) return SL_ERROR_DAMAGED;  // frees it
  const AVCodec* decoder = nullptr;
  w->stream = av_find_best_stream(w->format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (w->stream < 0) return w->stream == AVERROR_DECODER_NOT_FOUND ? SL_ERROR_FORMAT : SL_ERROR_DAMAGED;
  const AVCodecParameters* par = w->format->streams[w->stream]->codecpar;
  const AVCodecID id = par->codec_id;
  if (id != AV_CODEC_ID_WMAV1 && id != AV_CODEC_ID_WMAV2 && id != AV_CODEC_ID_WMAPRO &&
      id != AV_CODEC_ID_WMALOSSLESS)
    return SL_ERROR_FORMAT;
  if (par->ch_layout.nb_channels < 1 || par->ch_layout.nb_channels > kMaxChannels ||
      par->sample_rate < 1000 || par->sample_rate > 384000)
    return SL_ERROR_FORMAT;
  w->codec = avcodec_alloc_context3(decoder);
  if (!w->codec) return SL_ERROR_MEM;
  if (avcodec_parameters_to_context(w->codec, par) < 0 || avcodec_open2(w->codec, decoder, nullptr) < 0)
    return SL_ERROR_DAMAGED;
  // Only this stream's packets are read.
  for (unsigned i = 0; i < w->format->nb_streams; ++i)
    if (static_cast<int>(i) != w->stream) w->format->streams[i]->discard = AVDISCARD_ALL;
  const uint32_t rate = static_cast<uint32_t>(par->sample_rate);
  const uint32_t channels = static_cast<uint32_t>(par->ch_layout.nb_channels);
  if (w->rate != 0 && (rate != w->rate || channels != w->channels)) return SL_ERROR_FORMAT;
  w->rate = rate;
  w->channels = channels;
  return SL_OK;
}

int16_t FromFloat(float v) {
  if (!(v == v)) return 0;
  const float s = v * 32768.0f;
  if (s >= 32767.0f) return 32767;
  if (s <= -32768.0f) return -32768;
  return static_cast<int16_t>(std::lrint(s));
}

// One sample of channel `c` at `i` of the frame as 16-bit.
int32_t SampleAt(const AVFrame* f, int c, int i, int channels) {
  const auto fmt = static_cast<AVSampleFormat>(f->format);
  const bool planar = av_sample_fmt_is_planar(fmt);
  const int index = planar ? i : i * channels + c;
  const uint8_t* data = f->extended_data[planar ? c : 0];
  switch (av_get_packed_sample_fmt(fmt)) {
    case AV_SAMPLE_FMT_FLT:
      return FromFloat(reinterpret_cast<const float*>(data)[index]);
    case AV_SAMPLE_FMT_DBL:
      return FromFloat(static_cast<float>(reinterpret_cast<const double*>(data)[index]));
    case AV_SAMPLE_FMT_S16:
      return reinterpret_cast<const int16_t*>(data)[index];
    case AV_SAMPLE_FMT_S32:
      return reinterpret_cast<const int32_t*>(data)[index] >> 16;
    case AV_SAMPLE_FMT_U8:
      return (data[index] - 128) * 256;
    default:
      return 0;
  }
}

void Store(Wma* w, const AVFrame* f) {
  const int ch = static_cast<int>(w->channels);
  if (f->ch_layout.nb_channels != ch || f->nb_samples <= 0) return;
  const int out = ch > 2 ? 2 : ch;
  int16_t* dst = w->pending.append(static_cast<size_t>(f->nb_samples), static_cast<uint32_t>(out));
  for (int i = 0; i < f->nb_samples; ++i) {
    if (ch <= 2) {
      for (int c = 0; c < ch; ++c) dst[i * ch + c] = static_cast<int16_t>(SampleAt(f, c, i, ch));
    } else {
      int32_t sum[2] = {0, 0};
      for (int c = 0; c < ch; ++c) sum[c % 2] += SampleAt(f, c, i, ch);
      dst[2 * i] = static_cast<int16_t>(sum[0] / ((ch + 1) / 2));
      dst[2 * i + 1] = static_cast<int16_t>(sum[1] / (ch / 2));
    }
  }
}

// Decodes until frames wait in `pending` or the stream ends; false on damage
// before the end.
bool Refill(Wma* w) {
  for (int packets = 0; packets < 4096; ++packets) {
    const int r = avcodec_receive_frame(w->codec, w->frame);
    if (r == 0) {
      Store(w, w->frame);
      av_frame_unref(w->frame);
      if (!w->pending.empty()) return true;
      continue;
    }
    if (r == AVERROR_EOF) {
      w->ended = true;
      return true;
    }
    if (r != AVERROR(EAGAIN)) {
      w->ended = true;
      return false;
    }
    if (w->drained) {
      w->ended = true;
      return true;
    }
    const int read = av_read_frame(w->format, w->packet);
    if (read < 0) {
      w->drained = true;
      avcodec_send_packet(w->codec, nullptr);
      continue;
    }
    if (w->packet->stream_index == w->stream) {
      // A damaged packet is skipped; the next one may decode.
      avcodec_send_packet(w->codec, w->packet);
    }
    av_packet_unref(w->packet);
  }
  return true;  // many packets without sound: try again on the next call
}

void SL_CALL Close(void* handle) {
  auto* w = static_cast<Wma*>(handle);
  if (!w) return;
  Release(w);
  delete w;
}

int32_t SL_CALL Probe(const uint8_t* head, uint32_t n, uint64_t) {
  return n >= 16 && std::memcmp(head, kAsfGuid, 16) == 0;
}

void* SL_CALL Open(const SlByteReader* reader, SlDecoderFormat* format, int32_t* error) {
  auto* w = new (std::nothrow) Wma;
  if (!w) {
    *error = SL_ERROR_MEM;
    return nullptr;
  }
  w->in.source = reader;
  const int32_t r = OpenStreams(w);
  if (r != SL_OK) {
    *error = r;
    Close(w);
    return nullptr;
  }
  format->rate = w->rate;
  format->channels = w->channels > 2 ? 2 : w->channels;
  format->frames = ~0ull;
  return w;
}

uint32_t SL_CALL Decode(void* handle, int16_t* out, uint32_t frames, int32_t* error) {
  auto* w = static_cast<Wma*>(handle);
  return soundlib::DrainFrames(w->pending, w->channels > 2 ? 2 : w->channels, out, frames, error, [w] {
    if (w->ended) return soundlib::Refilled::kEnd;
    return Refill(w) ? soundlib::Refilled::kMore : soundlib::Refilled::kDamaged;
  });
}

int32_t SL_CALL SeekTo(void* handle, uint64_t frame) {
  auto* w = static_cast<Wma*>(handle);
  Release(w);
  if (OpenStreams(w) != SL_OK) {
    w->ended = true;
    return 0;
  }
  std::vector<int16_t> skip(4096 * 2);
  int32_t error = SL_OK;
  for (uint64_t left = frame; left > 0;) {
    const uint32_t got =
        Decode(w, skip.data(), static_cast<uint32_t>(std::min<uint64_t>(left, 4096)), &error);
    if (got == 0) break;
    left -= got;
  }
  return 1;
}

const SlDecoderOps kOps{sizeof(SlDecoderOps), "WMA", &Probe, &Open, &Decode, &SeekTo, &Close};
const SlDecoderOps* const kDecoders[] = {&kOps};
const SlPluginFormat kFormats[] = {{"Windows Media Audio", "*.wma"}};
const SlPluginInfo kInfo{kSlPluginVersion, "Waylune WMA", 1, kFormats, 1, kDecoders};

}  // namespace

const SlPluginInfo* WmaPluginInfo() {
  return &kInfo;
}
