// Every kind against the host's own decoder: reference files are made here
// by Debian's encoders (sox, lame, ffmpeg, oggenc, flac), decoded by us and
// by the host's command-line decoder of the same library, and compared
// sample by sample. Then what bad files do: cut, empty, lying headers,
// garbage frames, broken pages.
#include "soundlib/decode/decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "soundlib/decode/decoder_kinds.h"
#include "soundlib/engine/sound_engine.h"
#include "soundlib/decode/test_sound_files.h"
#include "soundlib/soundlib_api.h"

namespace soundlib {
namespace {

using testing::DecodeBytes;
using testing::Decoded;
using testing::ReadBytes;
using testing::ReadRaw16;
using testing::Sh;
using testing::SoundDir;
using testing::WriteBytes;

struct Reference {
  const char* name;
  const char* file;    // made from tone.wav (stereo 44.1 kHz) or mono.wav (mono 22.05 kHz)
  const char* make;    // shell command: $in, $out
  const char* decode;  // the host's decoder: $in to raw 16-bit little-endian $out
  int tolerance;       // largest difference of one sample
  size_t slack = 0;    // frames ours may have past the reference's end (a last block's padding)
};

constexpr const char* kFlacDecode =
    "flac -s -d -f --force-raw-format --endian=little --sign=signed -o $out $in";
constexpr const char* kFfmpegDecode = "ffmpeg -loglevel error -y -i $in -f s16le $out";

// The host decoders of the lossy kinds run the same library as we do; a
// difference of 1 allows for a reduction to 16 bits that rounds where ours
// cuts (24-bit and float WAVE), or that rounds its own way (WMA's floats).
const Reference kReferences[] = {
    {"pcm8", "a.wav", "sox mono.wav -e unsigned -b 8 $out", "sox $in -t raw -e signed -b 16 $out", 0},
    {"pcm16", "a.wav", "sox tone.wav -e signed -b 16 $out", "sox $in -t raw -e signed -b 16 $out", 0},
    {"pcm24", "a.wav", "sox tone.wav -e signed -b 24 $out", "sox -D $in -t raw -e signed -b 16 $out", 1},
    {"float", "a.wav", "sox mono.wav -e float -b 32 $out", "sox -D $in -t raw -e signed -b 16 $out", 1},
    {"ima_adpcm", "a.wav", "sox tone.wav -e ima-adpcm $out", "sox $in -t raw -e signed -b 16 $out", 0},
    {"ms_adpcm", "a.wav", "sox mono.wav -e ms-adpcm $out", "sox $in -t raw -e signed -b 16 $out", 0},
    {"alaw", "a.wav", "sox tone.wav -e a-law $out", "sox $in -t raw -e signed -b 16 $out", 0},
    {"ulaw", "a.wav", "sox mono.wav -e u-law $out", "sox $in -t raw -e signed -b 16 $out", 0},
    // What our reader leaves to libsndfile besides: GSM 6.10 (Windows' sound
    // recorder), 64-bit float, four channels (each side the mean of its two,
    // here the same: the stereo tone).
    {"gsm", "a.wav", "sox mono.wav -r 8000 -e gsm-full-rate $out", "sox $in -t raw -e signed -b 16 $out", 0,
     320},
    {"double", "a.wav", "sox mono.wav -e float -b 64 $out", "sox -D $in -t raw -e signed -b 16 $out", 1},
    {"pcm16_4ch", "a.wav", "sox tone.wav $out remix 1 2 1 2", "sox tone.wav -t raw -e signed -b 16 $out", 0},
    {"mp3", "a.mp3", "lame --quiet -b 128 tone.wav $out", "mpg123 -q -s $in > $out", 0},
    {"mp3_id3", "a.mp3", "lame --quiet -b 48 --add-id3v2 --tt name --ta artist mono.wav $out",
     "mpg123 -q -s $in > $out", 0},
    // MPEG audio in a WAVE file, as Windows' MPEG codecs write it (the MP3
    // without its information frame, so both decode every frame).
    {"mp3_in_wave", "a.wav",
     "lame --quiet -t -b 128 tone.wav a.mp3 && ffmpeg -loglevel error -y -i a.mp3 -c:a copy -f wav $out",
     "mpg123 -q -s a.mp3 > $out", 0},
    {"mp2", "a.mp2", "ffmpeg -loglevel error -y -i tone.wav -c:a mp2 -b:a 192k $out",
     "mpg123 -q -s $in > $out", 0},
    {"vorbis", "a.ogg", "oggenc -Q -q 3 -o $out tone.wav", "oggdec -Q -R -o $out $in", 0},
    {"vorbis_mono", "a.ogg", "oggenc -Q -q 1 -o $out mono.wav", "oggdec -Q -R -o $out $in", 0},
    // The plug-ins' kinds.
    {"flac", "a.flac", "flac -s -f -o $out tone.wav", kFlacDecode, 0},
    {"flac_mono", "a.flac", "flac -s -f -8 -o $out mono.wav", kFlacDecode, 0},
    {"wma1", "a.wma", "ffmpeg -loglevel error -y -i tone.wav -c:a wmav1 -b:a 128k $out", kFfmpegDecode, 1},
    {"wma2", "a.wma", "ffmpeg -loglevel error -y -i mono.wav -c:a wmav2 -b:a 64k $out", kFfmpegDecode, 1},
};

std::string Expand(std::string cmd, const std::string& in, const std::string& out) {
  for (auto [key, value] : {std::pair<std::string, std::string>{"$in", in}, {"$out", out}})
    for (size_t at; (at = cmd.find(key)) != std::string::npos;) cmd.replace(at, key.size(), value);
  return cmd;
}

class ReferenceTest : public ::testing::TestWithParam<Reference> {};

TEST_P(ReferenceTest, DecodesAsTheHostsDecoderDoes) {
  const Reference& r = GetParam();
  const std::string dir = SoundDir();
  ASSERT_TRUE(Sh(dir, Expand(r.make, "", r.file)));
  ASSERT_TRUE(Sh(dir, Expand(r.decode, r.file, "ref.raw")));
  const std::vector<int16_t> ref = ReadRaw16(dir + "/ref.raw");
  const Decoded ours = DecodeBytes(ReadBytes(dir + "/" + r.file));
  ASSERT_EQ(ours.error, SL_OK) << r.name;
  ASSERT_FALSE(ref.empty());
  ASSERT_GE(ours.values.size(), ref.size()) << r.name << " (" << ours.channels << " channels)";
  ASSERT_LE(ours.values.size(), ref.size() + r.slack * ours.channels) << r.name;
  int worst = 0;
  for (size_t i = 0; i < ref.size(); ++i) worst = std::max(worst, std::abs(ours.values[i] - ref[i]));
  EXPECT_LE(worst, r.tolerance) << r.name;
  // Sound, not silence, came through.
  int peak = 0;
  for (int16_t v : ours.values) peak = std::max(peak, std::abs(int(v)));
  EXPECT_GT(peak, 3000) << r.name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReferenceTest, ::testing::ValuesIn(kReferences),
                         [](const auto& info) { return std::string(info.param.name); });

// Layer I: no encoder on the host makes it, so streams of silent frames
// (every allocation 0) stand in, one for each bit rate of MPEG-1 and MPEG-2,
// sized as the standard says; the host's mpg123 decoding every frame of
// them confirms the sizes.
TEST(MpegLayerOne, EveryBitRateDecodesAsTheHostsDecoderDoes) {
  const std::string dir = SoundDir();
  struct Version {
    uint8_t second;  // header byte 1: sync, version, layer I, no CRC
    uint8_t rateBits;
    uint32_t rate;
    std::vector<int> kbps;  // by bit-rate index 1 to 14
  };
  const Version versions[] = {
      {0xFF, 0x00, 44100, {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}},
      {0xF7, 0x00, 22050, {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}},
  };
  for (const Version& v : versions) {
    for (int index = 1; index <= 14; ++index) {
      const uint32_t length = (12 * 1000 * v.kbps[index - 1] / v.rate) * 4;
      std::vector<uint8_t> file;
      for (int i = 0; i < 20; ++i) {
        const uint8_t header[4] = {0xFF, v.second, uint8_t(index << 4 | v.rateBits), 0xC0};
        file.insert(file.end(), header, header + 4);
        file.resize(file.size() + length - 4, 0);
      }
      WriteBytes(dir + "/a.mp1", file);
      ASSERT_TRUE(Sh(dir, "mpg123 -q -s a.mp1 > ref.raw"));
      const std::vector<int16_t> ref = ReadRaw16(dir + "/ref.raw");
      ASSERT_EQ(ref.size(), 20u * 384) << v.rate << " Hz, " << v.kbps[index - 1] << " kbit/s";
      const Decoded ours = DecodeBytes(file);
      ASSERT_EQ(ours.error, SL_OK) << v.rate << " Hz, " << v.kbps[index - 1] << " kbit/s";
      EXPECT_EQ(ours.rate, v.rate);
      EXPECT_EQ(ours.values, ref);
    }
  }
}

// ---- by content, not by name ------------------------------------------------------

// A WAVE file of MPEG audio whose fmt chunk comes after another (of odd
// length, padded) plays as the same file without it; one whose data is no
// MPEG audio is damaged.
TEST(MpegInWave, OtherChunksBeforeItsFormatAreSkipped) {
  const std::string dir = SoundDir();
  ASSERT_TRUE(Sh(dir,
                 "lame --quiet -t -b 64 mono.wav a.mp3 && "
                 "ffmpeg -loglevel error -y -i a.mp3 -c:a copy -f wav a.wav"));
  std::vector<uint8_t> plain = ReadBytes(dir + "/a.wav");
  const Decoded expected = DecodeBytes(plain);
  ASSERT_EQ(expected.error, SL_OK);
  std::vector<uint8_t> chunked(plain.begin(), plain.begin() + 12);
  const uint8_t bext[] = {'b', 'e', 'x', 't', 9, 0, 0, 0, 'f', 'm', 't', ' ', 0x55, 0, 1, 2, 3, 0};
  chunked.insert(chunked.end(), std::begin(bext), std::end(bext));
  chunked.insert(chunked.end(), plain.begin() + 12, plain.end());
  const uint32_t riff = static_cast<uint32_t>(chunked.size() - 8);
  for (int i = 0; i < 4; ++i) chunked[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
  const Decoded ours = DecodeBytes(chunked);
  ASSERT_EQ(ours.error, SL_OK);
  EXPECT_EQ(ours.values, expected.values);

  for (size_t i = 12; i + 8 < plain.size(); ++i)
    if (std::equal(plain.begin() + i, plain.begin() + i + 4, "data")) {
      std::fill(plain.begin() + i + 8, plain.end(), 0x11);
      break;
    }
  EXPECT_EQ(DecodeBytes(plain).error, SL_ERROR_DAMAGED);
}

TEST(Sniffing, TheContentDecidesNotTheName) {
  const std::string dir = SoundDir();
  ASSERT_TRUE(Sh(dir, "lame --quiet -b 64 mono.wav a.mp3 && cp a.mp3 renamed.wav"));
  const Decoded mp3 = DecodeBytes(ReadBytes(dir + "/renamed.wav"));
  EXPECT_EQ(mp3.error, SL_OK);
  EXPECT_EQ(mp3.kind, "MPEG audio");
  const std::string text = "This is a plain text file, renamed to look like music.\n";
  const Decoded t = DecodeBytes(std::vector<uint8_t>(text.begin(), text.end()));
  EXPECT_EQ(t.error, SL_ERROR_FILEFORM);
  EXPECT_EQ(DecodeBytes({}).error, SL_ERROR_FILEFORM);
  // An ID3v2 tag before text is still no music.
  std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
  tagged.resize(30, 0);
  tagged.insert(tagged.end(), text.begin(), text.end());
  EXPECT_EQ(DecodeBytes(tagged).error, SL_ERROR_FILEFORM);
}

// Every bit rate of each MPEG version and layer the host's encoders write
// is taken, from the file's start and from a frame in its middle: the probe
// chains frames by the length their headers give.
TEST(Sniffing, EveryBitRateOfEachMpegKindIsTaken) {
  const std::string dir = SoundDir();
  struct Kind {
    const char* make;  // $b: the bit rate
    std::vector<int> rates;
  };
  const Kind kinds[] = {
      {"lame --quiet --cbr -b $b tone.wav", {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
      {"lame --quiet --cbr --resample 22.05 -b $b tone.wav",
       {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
      {"lame --quiet --cbr --resample 11.025 -b $b mono.wav", {8, 16, 24, 32, 40, 48, 56, 64}},
      {"ffmpeg -loglevel error -y -i tone.wav -ar 48000 -c:a mp2 -b:a $bk",
       {48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384}},
      {"ffmpeg -loglevel error -y -i mono.wav -ar 24000 -c:a mp2 -b:a $bk",
       {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
  };
  for (const Kind& k : kinds) {
    for (int rate : k.rates) {
      std::string cmd = k.make;
      cmd.replace(cmd.find("$b"), 2, std::to_string(rate));
      ASSERT_TRUE(Sh(dir, cmd + " a.mpa"));
      const std::vector<uint8_t> file = ReadBytes(dir + "/a.mpa");
      EXPECT_TRUE(ProbeMpegAudio(file.data(), std::min(file.size(), kProbeBytes), file.size(), nullptr))
          << cmd;
      // From a frame's start in the middle (found by its sync): two more follow.
      size_t mid = file.size() / 2;
      while (mid + 1 < file.size() && !(file[mid] == 0xFF && (file[mid + 1] & 0xE0) == 0xE0)) ++mid;
      const size_t n = std::min(file.size() - mid, kProbeBytes);
      EXPECT_TRUE(ProbeMpegAudio(file.data() + mid, n, n, nullptr)) << cmd << " from " << mid;
    }
  }
}

// More than two channels fold to stereo: the even ones to the left, the odd
// ones to the right, each side their mean.
TEST(Channels, SixChannelsFoldToStereo) {
  const std::string dir = SoundDir();
  ASSERT_TRUE(
      Sh(dir,
         "sox -n -r 22050 -c 6 -b 16 -e signed six.wav synth 0.5 sine 200 sine 300 sine 400 sine 500 "
         "sine 600 sine 700 vol 0.5 && oggenc -Q -o six.ogg six.wav && oggdec -Q -R -o six.raw six.ogg"));
  const std::vector<int16_t> six = ReadRaw16(dir + "/six.raw");
  const Decoded d = DecodeBytes(ReadBytes(dir + "/six.ogg"));
  ASSERT_EQ(d.error, SL_OK);
  ASSERT_EQ(d.channels, 2u);
  ASSERT_EQ(d.values.size(), six.size() / 3);
  for (size_t f = 0; f < six.size() / 6; ++f) {
    const int16_t* in = &six[6 * f];
    ASSERT_EQ(d.values[2 * f], (in[0] + in[2] + in[4]) / 3) << f;
    ASSERT_EQ(d.values[2 * f + 1], (in[1] + in[3] + in[5]) / 3) << f;
  }
}

// ---- bad files ----------------------------------------------------------------------

// Cut every 300 bytes: each gives an error code or the sound up to the cut,
// and what it gives is what the whole file gives there.
TEST(BadFiles, CutFilesGiveTheirSoundUpToTheCutOrAnError) {
  const std::string dir = SoundDir();
  ASSERT_TRUE(Sh(dir,
                 "sox mono.wav -e ms-adpcm ms.wav && sox tone.wav -e ima-adpcm ima.wav && "
                 "lame --quiet -b 32 mono.wav a.mp3 && oggenc -Q -q 0 -o a.ogg mono.wav && "
                 "ffmpeg -loglevel error -y -i mono.wav -c:a mp2 a.mp2 && flac -s -o a.flac mono.wav && "
                 "ffmpeg -loglevel error -y -i mono.wav -c:a wmav2 a.wma"));
  for (const char* name : {"ms.wav", "ima.wav", "a.mp3", "a.ogg", "a.mp2", "a.flac", "a.wma"}) {
    const std::vector<uint8_t> whole = ReadBytes(dir + "/" + name);
    const Decoded full = DecodeBytes(whole);
    ASSERT_EQ(full.error, SL_OK) << name;
    for (size_t cut = 0; cut < whole.size(); cut += 300) {
      const Decoded part = DecodeBytes(std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
      if (part.values.empty()) {
        EXPECT_NE(part.error, SL_OK) << name << " cut at " << cut;
        continue;
      }
      ASSERT_LE(part.values.size(), full.values.size()) << name << " cut at " << cut;
      // The last frame decoded may be made from the cut one (MPEG's bit
      // reservoir, Vorbis's overlap): compare up to one block before it.
      const size_t sure = part.values.size() > 4608 ? part.values.size() - 4608 : 0;
      for (size_t i = 0; i < sure; ++i) ASSERT_EQ(part.values[i], full.values[i]) << name << " cut " << cut;
    }
  }
}

std::vector<uint8_t> Le(uint32_t v, int bytes) {
  std::vector<uint8_t> out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return out;
}

TEST(BadFiles, LyingHeadersAreRefusedOrCutToTheData) {
  const std::string dir = SoundDir();
  ASSERT_TRUE(Sh(dir, "sox mono.wav -e ima-adpcm ima.wav && oggenc -Q -q 0 -o a.ogg tone.wav"));
  // Millions of channels in an ADPCM header (channels at byte 22).
  std::vector<uint8_t> ima = ReadBytes(dir + "/ima.wav");
  ima[22] = 0xFF, ima[23] = 0xFF;
  EXPECT_NE(DecodeBytes(ima).error, SL_OK);
  // A Vorbis identification header with 255 channels.
  std::vector<uint8_t> ogg = ReadBytes(dir + "/a.ogg");
  const size_t body = 27 + ogg[26];
  ogg[body + 11] = 255;
  const Decoded o = DecodeBytes(ogg);
  EXPECT_NE(o.error, SL_OK);
  EXPECT_TRUE(o.values.empty());
  // Hours of data claimed by an A-law file that holds a few hundred bytes.
  ASSERT_TRUE(Sh(dir, "sox mono.wav -e a-law alaw.wav"));
  std::vector<uint8_t> alaw = ReadBytes(dir + "/alaw.wav");
  const Decoded honest = DecodeBytes(alaw);
  for (size_t i = 12; i + 8 < alaw.size(); ++i)
    if (std::equal(alaw.begin() + i, alaw.begin() + i + 4, "data")) {
      const auto big = Le(0xFFFFFFF0u, 4);
      std::copy(big.begin(), big.end(), alaw.begin() + i + 4);
    }
  const Decoded liar = DecodeBytes(alaw);
  EXPECT_EQ(liar.error, SL_OK);
  EXPECT_EQ(liar.values, honest.values);
}

TEST(BadFiles, GarbageFramesAndBrokenPagesNeverCrash) {
  const std::string dir = SoundDir();
  // Valid MPEG headers, random payloads: noise or an error, always bounded.
  std::mt19937 random(41);
  std::vector<uint8_t> garbage;
  for (int i = 0; i < 200; ++i) {
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};  // layer III, 128 kbit/s, 44.1 kHz: 417 bytes
    garbage.insert(garbage.end(), header, header + 4);
    for (int j = 0; j < 413; ++j) garbage.push_back(static_cast<uint8_t>(random()));
  }
  const Decoded g = DecodeBytes(garbage);
  EXPECT_LE(g.values.size(), 200u * 1152 * 2);
  // An Ogg stream with a page of its middle overwritten: the sound before
  // the damage plays (and after it, where the library finds its way back).
  ASSERT_TRUE(Sh(
      dir, "sox -n -r 22050 -c 1 -b 16 long.wav synth 10 whitenoise vol 0.3 && oggenc -Q -o a.ogg long.wav"));
  std::vector<uint8_t> ogg = ReadBytes(dir + "/a.ogg");
  const Decoded full = DecodeBytes(ogg);
  for (size_t i = ogg.size() / 2; i < ogg.size() / 2 + 200; ++i) ogg[i] ^= 0x5A;
  const Decoded broken = DecodeBytes(ogg);
  EXPECT_GT(broken.values.size(), full.values.size() / 3);
  EXPECT_LE(broken.values.size(), full.values.size());
}

// A FLAC frame whose checksum fails plays as silence; the frames before and
// after it play as they are.
TEST(BadFiles, AFlacFrameWithAWrongChecksumIsSilent) {
  const std::string dir = SoundDir();
  ASSERT_TRUE(Sh(dir, "flac -s --blocksize=1152 --no-padding -o a.flac mono.wav"));
  std::vector<uint8_t> flac = ReadBytes(dir + "/a.flac");
  const Decoded full = DecodeBytes(flac);
  ASSERT_EQ(full.error, SL_OK);
  flac[flac.size() / 2] ^= 0x10;  // inside a frame of the middle
  const Decoded broken = DecodeBytes(flac);
  ASSERT_EQ(broken.error, SL_OK);
  ASSERT_EQ(broken.values.size(), full.values.size());
  size_t first = SIZE_MAX, last = 0;
  for (size_t i = 0; i < full.values.size(); ++i)
    if (broken.values[i] != full.values[i]) first = std::min(first, i), last = i;
  ASSERT_NE(first, SIZE_MAX);
  // The damaged frame, and at most the one it hid the start of.
  EXPECT_EQ(first % 1152, 0u);
  EXPECT_LT(last - first, 2 * 1152u);
  for (size_t i = first; i <= last; ++i) ASSERT_EQ(broken.values[i], 0) << i;
}

// ---- seeking ---------------------------------------------------------------------

TEST(Seeking, EveryKindGoesBackToItsStartAndToAFrame) {
  const std::string dir = SoundDir();
  ASSERT_TRUE(Sh(dir,
                 "sox tone.wav -e ms-adpcm ms.wav && lame --quiet -b 64 tone.wav a.mp3 && "
                 "oggenc -Q -q 2 -o a.ogg tone.wav && flac -s -o a.flac tone.wav && "
                 "ffmpeg -loglevel error -y -i tone.wav -c:a wmav1 a.wma"));
  // An MPEG decoder that jumps in starts its filters afresh: after a seek
  // its samples may differ by one from those of a run from the start.
  for (auto [name, tolerance] :
       {std::pair<const char*, int>{"ms.wav", 0}, {"a.mp3", 1}, {"a.ogg", 0}, {"a.flac", 0}, {"a.wma", 0}}) {
    const std::vector<uint8_t> bytes = ReadBytes(dir + "/" + name);
    const Decoded full = DecodeBytes(bytes);
    const Decoded again = testing::DecodeWithSeeks(bytes, 5000);
    ASSERT_EQ(again.error, SL_OK) << name;
    // After the seek back to 0: the whole sound again; after the seek to
    // frame 5000: the sound from there.
    ASSERT_EQ(again.values, full.values) << name;
    const size_t from = 5000 * full.channels;
    ASSERT_EQ(again.tail.size(), full.values.size() - from) << name;
    int worst = 0;
    for (size_t i = 0; i < again.tail.size(); ++i)
      worst = std::max(worst, std::abs(again.tail[i] - full.values[from + i]));
    EXPECT_LE(worst, tolerance) << name;
  }
}

// ---- through the engine ------------------------------------------------------------

// A sample and a stream of the same compressed file mix to its decoded sound
// (at its own rate, full volume, centred: frame for frame).
TEST(Engine, SamplesAndStreamsTakeEveryKind) {
  const std::string dir = SoundDir();
  ASSERT_TRUE(Sh(
      dir, "lame --quiet -b 96 tone.wav a.mp3 && oggenc -Q -o a.ogg tone.wav && flac -s -o a.flac tone.wav"));
  HeadlessPlatform platform;
  Engine engine(platform);
  for (const char* name : {"a.mp3", "a.ogg"}) {
    const std::vector<uint8_t> bytes = ReadBytes(dir + "/" + name);
    const Decoded want = DecodeBytes(bytes);
    ASSERT_TRUE(engine.init(0, want.rate, 0, nullptr, nullptr));  // lame may have chosen another rate
    const SlHandle sample = engine.sampleLoad(1, bytes.data(), 0, static_cast<uint32_t>(bytes.size()), 1, 0);
    ASSERT_NE(sample, 0u) << name << " " << engine.errorGetCode();
    const SlHandle stream = engine.streamCreateFile(1, bytes.data(), 0, bytes.size(), SL_STREAM_AUTOFREE);
    ASSERT_NE(stream, 0u) << name;
    for (SlHandle h : {engine.sampleGetChannel(sample, 0), stream}) {
      ASSERT_TRUE(engine.channelPlay(h, 0));
      // Half of it first: positions count the decoded 16-bit frames.
      const size_t half = want.values.size() / want.channels / 2 * want.channels;
      std::vector<int16_t> out(want.values.size() + 2000);
      engine.renderNoSound(out.data(), static_cast<uint32_t>(half * 2));
      EXPECT_EQ(engine.channelGetPosition(h, SL_POS_BYTE), half * 2) << name;
      engine.renderNoSound(out.data() + half, static_cast<uint32_t>((out.size() - half) * 2));
      size_t bad = 0;
      while (bad < want.values.size() && want.values[bad] == out[bad]) ++bad;
      ASSERT_EQ(bad, want.values.size()) << name << (h == stream ? " stream" : " sample");
      EXPECT_EQ(out.back(), 0) << name;
    }
    ASSERT_TRUE(engine.free());
  }
  ASSERT_TRUE(engine.init(0, 44100, 0, nullptr, nullptr));
  // A FLAC needs its plug-in: without it the engine knows no such file.
  const std::vector<uint8_t> flac = ReadBytes(dir + "/a.flac");
  EXPECT_EQ(engine.streamCreateFile(1, flac.data(), 0, flac.size(), 0), 0u);
  EXPECT_EQ(engine.errorGetCode(), SL_ERROR_FILEFORM);
  EXPECT_TRUE(engine.free());
}

}  // namespace
}  // namespace soundlib
