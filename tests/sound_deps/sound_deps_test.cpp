// Guards the build of the decoder libraries: each links and decodes the
// start of a file the host's tools made (sound_tool_files.py), read through
// its callbacks from memory as the sound library's streams read files.
// What the sound library makes of them is its own tests' business.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <FLAC/stream_decoder.h>
#include <mpg123.h>
#include <sndfile.h>
#include <vorbis/vorbisfile.h>
#include <timidity/SDL.h>
#include <timidity/timidity.h>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

struct Memory {
  std::vector<uint8_t> bytes;
  size_t pos = 0;

  size_t Read(void* out, size_t n) {
    n = std::min(n, bytes.size() - pos);
    std::memcpy(out, bytes.data() + pos, n);
    pos += n;
    return n;
  }
  // whence as SEEK_SET, SEEK_CUR, SEEK_END; -1 when outside the bytes.
  int64_t Seek(int64_t offset, int whence) {
    int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? int64_t(pos) : int64_t(bytes.size());
    if (base + offset < 0 || base + offset > int64_t(bytes.size())) return -1;
    pos = size_t(base + offset);
    return int64_t(pos);
  }
};

// What a decoder gave: its format and the first frames, as floats.
struct Decoded {
  long rate = 0;
  int channels = 0;
  std::vector<float> samples;
  float Peak() const {
    float peak = 0;
    for (float s : samples) peak = std::max(peak, std::fabs(s));
    return peak;
  }
};

constexpr size_t kFrames = 4096;  // a tenth of a second

class SoundDeps : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dir = std::getenv("WAYLUNE_SOUND_TOOL_FILES");
    if (!dir) {
      if (std::getenv("WAYLUNE_REQUIRE_TOOLS"))
        GTEST_FAIL() << "no tool files (sox, lame, oggenc, flac, ffmpeg)";
      GTEST_SKIP() << "no tool files";
    }
    dir_ = dir;
  }
  Memory Load(const char* name) {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    Memory m;
    m.bytes.assign(std::istreambuf_iterator<char>(in), {});
    EXPECT_FALSE(m.bytes.empty()) << name;
    return m;
  }
  // The tools' tone: 44100 Hz stereo at half scale.
  static void ExpectTone(const Decoded& d) {
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.channels, 2);
    ASSERT_GE(d.samples.size(), kFrames * 2);
    EXPECT_NEAR(d.Peak(), 0.5f, 0.05f);
  }
  std::string dir_;
};

Decoded DecodeMpeg(Memory& m) {
  Decoded d;
  int err = MPG123_OK;
  mpg123_handle* h = mpg123_new(nullptr, &err);
  EXPECT_NE(h, nullptr) << mpg123_plain_strerror(err);
  if (!h) return d;
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT, 0);
  EXPECT_EQ(mpg123_open_feed(h), MPG123_OK);
  EXPECT_EQ(mpg123_feed(h, m.bytes.data(), m.bytes.size()), MPG123_OK);
  std::vector<unsigned char> out(16384);
  while (d.samples.size() < kFrames * 2) {
    size_t got = 0;
    int rc = mpg123_read(h, out.data(), out.size(), &got);
    if (rc == MPG123_NEW_FORMAT) {
      int enc = 0;
      mpg123_getformat(h, &d.rate, &d.channels, &enc);
      EXPECT_EQ(enc, MPG123_ENC_FLOAT_32);
      continue;
    }
    const float* f = reinterpret_cast<const float*>(out.data());
    d.samples.insert(d.samples.end(), f, f + got / sizeof(float));
    if (rc != MPG123_OK) break;
  }
  mpg123_delete(h);
  return d;
}

TEST_F(SoundDeps, Mpg123DecodesLayer3AndLayer2) {
  for (const char* name : {"tone.mp3", "tone.mp2"}) {
    SCOPED_TRACE(name);
    Memory m = Load(name);
    ExpectTone(DecodeMpeg(m));
  }
}

TEST_F(SoundDeps, VorbisfileDecodesOggVorbis) {
  Memory m = Load("tone.ogg");
  ov_callbacks io{};
  io.read_func = [](void* out, size_t size, size_t n, void* src) {
    return size ? static_cast<Memory*>(src)->Read(out, size * n) / size : 0;
  };
  io.seek_func = [](void* src, ogg_int64_t offset, int whence) {
    return static_cast<Memory*>(src)->Seek(offset, whence) < 0 ? -1 : 0;
  };
  io.tell_func = [](void* src) { return long(static_cast<Memory*>(src)->pos); };
  OggVorbis_File vf;
  ASSERT_EQ(ov_open_callbacks(&m, &vf, nullptr, 0, io), 0);
  Decoded d;
  vorbis_info* info = ov_info(&vf, -1);
  d.rate = info->rate;
  d.channels = info->channels;
  while (d.samples.size() < kFrames * 2) {
    float** pcm = nullptr;
    int section = 0;
    long frames = ov_read_float(&vf, &pcm, 1024, &section);
    if (frames <= 0) break;
    for (long i = 0; i < frames; ++i)
      for (int c = 0; c < d.channels; ++c) d.samples.push_back(pcm[c][i]);
  }
  ov_clear(&vf);
  ExpectTone(d);
}

TEST_F(SoundDeps, SndfileDecodesImaAdpcmWav) {
  Memory m = Load("tone_ima.wav");
  SF_VIRTUAL_IO io{};
  io.get_filelen = [](void* src) { return sf_count_t(static_cast<Memory*>(src)->bytes.size()); };
  io.seek = [](sf_count_t offset, int whence, void* src) {
    return sf_count_t(static_cast<Memory*>(src)->Seek(offset, whence));
  };
  io.read = [](void* out, sf_count_t n, void* src) {
    return sf_count_t(static_cast<Memory*>(src)->Read(out, size_t(n)));
  };
  io.tell = [](void* src) { return sf_count_t(static_cast<Memory*>(src)->pos); };
  SF_INFO info{};
  SNDFILE* f = sf_open_virtual(&io, SFM_READ, &info, &m);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM);
  Decoded d;
  d.rate = info.samplerate;
  d.channels = info.channels;
  d.samples.resize(kFrames * 2);
  d.samples.resize(size_t(sf_readf_float(f, d.samples.data(), kFrames)) * 2);
  sf_close(f);
  ExpectTone(d);
}

TEST_F(SoundDeps, FlacDecodesFlac) {
  struct State {
    Memory m;
    Decoded d;
  } s{Load("tone.flac"), {}};
  FLAC__StreamDecoder* dec = FLAC__stream_decoder_new();
  ASSERT_NE(dec, nullptr);
  auto read = [](const FLAC__StreamDecoder*, FLAC__byte out[], size_t* n, void* p) {
    *n = static_cast<State*>(p)->m.Read(out, *n);
    return *n ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
  };
  auto write = [](const FLAC__StreamDecoder*, const FLAC__Frame* frame, const FLAC__int32* const in[],
                  void* p) {
    Decoded& d = static_cast<State*>(p)->d;
    d.rate = frame->header.sample_rate;
    d.channels = int(frame->header.channels);
    float scale = 1.0f / float(1u << (frame->header.bits_per_sample - 1));
    for (unsigned i = 0; i < frame->header.blocksize; ++i)
      for (int c = 0; c < d.channels; ++c) d.samples.push_back(float(in[c][i]) * scale);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  };
  auto error = [](const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void*) {
    ADD_FAILURE() << FLAC__StreamDecoderErrorStatusString[status];
  };
  ASSERT_EQ(FLAC__stream_decoder_init_stream(dec, read, nullptr, nullptr, nullptr, nullptr, write, nullptr,
                                             error, &s),
            FLAC__STREAM_DECODER_INIT_STATUS_OK);
  while (s.d.samples.size() < kFrames * 2 && FLAC__stream_decoder_process_single(dec) &&
         FLAC__stream_decoder_get_state(dec) != FLAC__STREAM_DECODER_END_OF_STREAM) {
  }
  FLAC__stream_decoder_delete(dec);
  ExpectTone(s.d);
}

TEST_F(SoundDeps, FfmpegDecodesWmaInAsf) {
  Memory m = Load("tone.wma");
  const int kBuffer = 4096;
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBuffer));
  AVIOContext* io = avio_alloc_context(
      buffer, kBuffer, 0, &m,
      [](void* src, uint8_t* out, int n) {
        size_t got = static_cast<Memory*>(src)->Read(out, size_t(n));
        return got ? int(got) : AVERROR_EOF;
      },
      nullptr,
      [](void* src, int64_t offset, int whence) -> int64_t {
        Memory* mem = static_cast<Memory*>(src);
        if (whence == AVSEEK_SIZE) return int64_t(mem->bytes.size());
        return mem->Seek(offset, whence & ~AVSEEK_FORCE);
      });
  ASSERT_NE(io, nullptr);
  AVFormatContext* fmt = avformat_alloc_context();
  fmt->pb = io;
  ASSERT_EQ(avformat_open_input(&fmt, nullptr, nullptr, nullptr), 0);
  EXPECT_STREQ(fmt->iformat->name, "asf");
  ASSERT_GE(avformat_find_stream_info(fmt, nullptr), 0);
  const AVCodec* codec = nullptr;
  int stream = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  ASSERT_GE(stream, 0);
  EXPECT_EQ(codec->id, AV_CODEC_ID_WMAV2);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(ctx, fmt->streams[stream]->codecpar);
  ASSERT_EQ(avcodec_open2(ctx, codec, nullptr), 0);
  ASSERT_EQ(ctx->sample_fmt, AV_SAMPLE_FMT_FLTP);
  Decoded d;
  d.rate = ctx->sample_rate;
  d.channels = ctx->ch_layout.nb_channels;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  while (d.samples.size() < kFrames * 2 && av_read_frame(fmt, packet) >= 0) {
    if (packet->stream_index == stream && avcodec_send_packet(ctx, packet) == 0) {
      while (avcodec_receive_frame(ctx, frame) == 0) {
        for (int i = 0; i < frame->nb_samples; ++i)
          for (int c = 0; c < d.channels; ++c)
            d.samples.push_back(reinterpret_cast<const float*>(frame->data[c])[i]);
      }
    }
    av_packet_unref(packet);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&ctx);
  avformat_close_input(&fmt);
  av_freep(&io->buffer);
  avio_context_free(&io);
  ExpectTone(d);
}

TEST_F(SoundDeps, TimidityRendersMidiWithTheInstrumentSet) {
  Memory m = Load("tone.mid");
  ASSERT_EQ(Timidity_Init(SOUND_MIDI_CONFIG), 0) << SOUND_MIDI_CONFIG << ": " << SDL_GetError();
  SDL_RWops rw{};
  rw.data = &m;
  rw.read = [](SDL_RWops* ctx, void* out, size_t size, size_t n) {
    return size ? static_cast<Memory*>(ctx->data)->Read(out, size * n) / size : 0;
  };
  rw.seek = [](SDL_RWops* ctx, Sint64 offset, int whence) {
    return static_cast<Memory*>(ctx->data)->Seek(offset, whence);
  };
  rw.close = [](SDL_RWops*) { return 0; };
  SDL_AudioSpec spec{};
  spec.freq = 44100;
  spec.format = AUDIO_F32SYS;
  spec.channels = 2;
  spec.samples = 1024;
  MidiSong* song = Timidity_LoadSong(&rw, &spec);
  ASSERT_NE(song, nullptr) << SDL_GetError();
  // Three eighth notes at 120 beats a minute.
  EXPECT_EQ(Timidity_GetSongLength(song), 750u);
  Timidity_Start(song);
  Decoded d;
  std::vector<float> block(1024 * 2);
  int bytes = 0;
  while (d.samples.size() < kFrames * 2 &&
         (bytes = Timidity_PlaySome(song, block.data(), Sint32(block.size() * sizeof(float)))) > 0)
    d.samples.insert(d.samples.end(), block.begin(), block.begin() + bytes / int(sizeof(float)));
  Timidity_FreeSong(song);
  Timidity_Exit();
  EXPECT_GE(d.samples.size(), kFrames * 2);
  EXPECT_GT(d.Peak(), 0.01f);  // the piano sounds
}

}  // namespace
