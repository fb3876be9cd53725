// MIDI through the plug-in's decoder: notes sound where the file puts them
// and stop at their note-off, type 0 and type 1 give the same sound, the
// mixer's volume applies as to any stream, and bad files end cleanly.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "soundlib/engine/sound_engine.h"
#include "soundlib/decode/test_sound_files.h"
#include "soundlib/plugins/plugin_kinds.h"

namespace soundlib {
namespace {

using testing::DecodeBytes;
using testing::Decoded;

constexpr uint32_t kRate = 44100;
constexpr int kDivision = 480;  // ticks a quarter note; at 120 a minute, 960 ticks a second

using Bytes = std::vector<uint8_t>;

void Var(Bytes& b, uint32_t v) {
  uint8_t tmp[5];
  int n = 0;
  do tmp[n++] = v & 0x7F, v >>= 7;
  while (v);
  while (n--) b.push_back(static_cast<uint8_t>(tmp[n] | (n ? 0x80 : 0)));
}

// A track of (ticks after the last event, event bytes); the end comes after `tail` ticks.
Bytes Track(const std::vector<std::pair<uint32_t, Bytes>>& events, uint32_t tail = 0, int32_t lengthFix = 0) {
  Bytes body;
  for (auto& [delta, e] : events) Var(body, delta), body.insert(body.end(), e.begin(), e.end());
  Var(body, tail);
  body.insert(body.end(), {0xFF, 0x2F, 0x00});
  const uint32_t len = static_cast<uint32_t>(static_cast<int32_t>(body.size()) + lengthFix);
  Bytes t = {'M', 'T', 'r', 'k', uint8_t(len >> 24), uint8_t(len >> 16), uint8_t(len >> 8), uint8_t(len)};
  t.insert(t.end(), body.begin(), body.end());
  return t;
}

Bytes MidiFile(uint16_t type, const std::vector<Bytes>& tracks) {
  Bytes m = {'M',
             'T',
             'h',
             'd',
             0,
             0,
             0,
             6,
             0,
             uint8_t(type),
             0,
             uint8_t(tracks.size()),
             kDivision >> 8,
             kDivision & 0xFF};
  for (const Bytes& t : tracks) m.insert(m.end(), t.begin(), t.end());
  return m;
}

const Bytes kTempo120 = {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
// A note from 0 to 0.5 s, a rest to 1.0 s, a note to 1.25 s.
const std::vector<std::pair<uint32_t, Bytes>> kNotes = {{0, {0xC0, 0x00}},
                                                        {0, {0x90, 60, 110}},
                                                        {480, {0x80, 60, 64}},
                                                        {480, {0x90, 67, 110}},
                                                        {240, {0x80, 67, 64}}};

double Rms(const std::vector<int16_t>& v, double from, double to) {
  const size_t a = static_cast<size_t>(from * kRate) * 2,
               b = std::min(v.size(), static_cast<size_t>(to * kRate) * 2);
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += double(v[i]) * v[i];
  return b > a ? std::sqrt(sum / double(b - a)) : 0;
}

// The first frame from `from` on where the sound passes `level`.
double Onset(const std::vector<int16_t>& v, double from, int level = 500) {
  for (size_t i = static_cast<size_t>(from * kRate) * 2; i < v.size(); ++i)
    if (std::abs(v[i]) > level) return double(i / 2) / kRate;
  return -1;
}

class Midi : public ::testing::Test {
 protected:
  void SetUp() override { SetMidiInstrumentConfig(SOUND_MIDI_CONFIG); }
};

TEST_F(Midi, NotesSoundAtTheirTimesAndANoteOffEndsThem) {
  const Decoded d = DecodeBytes(MidiFile(0, {Track(
                                                [] {
                                                  auto e = kNotes;
                                                  e.insert(e.begin(), {0, kTempo120});
                                                  return e;
                                                }(),
                                                720)}));
  ASSERT_EQ(d.error, SL_OK);
  ASSERT_EQ(d.kind, "MIDI");
  EXPECT_EQ(d.rate, kRate);
  ASSERT_EQ(d.channels, 2u);
  EXPECT_NEAR(Onset(d.values, 0), 0.0, 0.02);
  EXPECT_GT(Rms(d.values, 0.05, 0.45), 300);
  // Released at 0.5 s: quiet well before the next note.
  EXPECT_LT(Rms(d.values, 0.8, 0.98), 30);
  EXPECT_NEAR(Onset(d.values, 0.98), 1.0, 0.02);
  EXPECT_GT(Rms(d.values, 1.05, 1.2), 300);
  // The song ends with its last note (the synthesizer drops the silence
  // before the track's end).
  EXPECT_NEAR(double(d.values.size() / 2) / kRate, 1.25, 0.03);
}

TEST_F(Midi, TypeOneWithATempoTrackSoundsAsTypeZero) {
  auto withTempo = kNotes;
  withTempo.insert(withTempo.begin(), {0, kTempo120});
  const Decoded zero = DecodeBytes(MidiFile(0, {Track(withTempo)}));
  const Decoded one = DecodeBytes(MidiFile(1, {Track({{0, kTempo120}}), Track(kNotes)}));
  ASSERT_EQ(one.error, SL_OK);
  EXPECT_EQ(one.values, zero.values);
}

TEST_F(Midi, WithoutItsInstrumentSetAMidiFileIsRefusedWithItsOwnCode) {
  SetMidiInstrumentConfig("/nonexistent/timidity.cfg");
  EXPECT_EQ(DecodeBytes(MidiFile(0, {Track(kNotes)})).error, SL_ERROR_INSTRUMENTS);
  SetMidiInstrumentConfig(SOUND_MIDI_CONFIG);
  EXPECT_EQ(DecodeBytes(MidiFile(0, {Track(kNotes)})).error, SL_OK);
}

TEST_F(Midi, HostileFilesEndCleanly) {
  std::vector<std::pair<uint32_t, Bytes>> tempos;
  for (int i = 0; i < 20000; ++i) tempos.push_back({0, {0xFF, 0x51, 0x03, 0x00, 0x00, uint8_t(1 + i % 200)}});
  tempos.push_back({0, {0x90, 60, 100}});
  const std::vector<Bytes> files = {
      MidiFile(0, {Track({{0, {60, 100}}, {100, {0x90, 62, 100}}})}),  // running status before any status
      MidiFile(0, {Track(tempos, 100)}),            // tempo upon tempo, the fastest there is
      MidiFile(0, {Track(kNotes, 0, 100000)}),      // a track longer than the file
      MidiFile(1, {Track(kNotes), Track(kNotes)}),  // two tracks where the header says two
      MidiFile(0, {}),                              // a header without its track
      Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6},        // cut in the header
      // A delta time of nine bytes overflows into a skip backwards (found by
      // the fuzzer: the reader went round the same events until memory ran out).
      Bytes{0x4d, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x01, 0x00, 0x60,
            0x4d, 0x54, 0x72, 0x6b, 0x00, 0x00, 0x00, 0x17, 0x00, 0xc0, 0x00, 0x00, 0x2f, 0x90,
            0x3c, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x64, 0x30, 0x80, 0x3c, 0x40,
            0x30, 0x90, 0x40, 0x64, 0x30, 0x80, 0x40, 0x40, 0x00, 0xff, 0x2f, 0x00, 0x54, 0x72},
  };
  for (size_t i = 0; i < files.size(); ++i) {
    const Decoded d = DecodeBytes(files[i]);
    if (d.values.empty()) {
      EXPECT_NE(d.error, SL_OK) << i;
    }
    EXPECT_LT(d.values.size(), size_t(20000000)) << i;
  }
  // Cut every 7 bytes: an error or some sound, never more than the whole.
  const Bytes whole = MidiFile(1, {Track({{0, kTempo120}}), Track(kNotes)});
  const size_t full = DecodeBytes(whole).values.size();
  for (size_t cut = 0; cut < whole.size(); cut += 7) {
    const Decoded d = DecodeBytes(Bytes(whole.begin(), whole.begin() + cut));
    if (d.values.empty()) {
      EXPECT_NE(d.error, SL_OK) << cut;
    }
    EXPECT_LE(d.values.size(), full + 4 * kRate) << cut;
  }
}

// Volume, pan and slides are the mixer's: a MIDI stream takes them as any other.
TEST_F(Midi, TheMixersVolumeAppliesToAMidiStream) {
  struct Fake final : Platform {
    std::vector<DeviceDesc> listDevices() override { return {}; }
    std::unique_ptr<Output> openOutput(int, uint32_t&, const OutputConfig&, Renderer&, int&) override {
      return nullptr;
    }
    void* loadPlugin(const void*, bool, const SlPluginInfo*& info, int&) override {
      info = MidiPluginInfo();
      return const_cast<SlPluginInfo*>(info);
    }
    void freePlugin(void*) override {}
  } platform;
  Engine engine(platform);
  ASSERT_TRUE(engine.init(0, kRate, 0, nullptr, nullptr));
  ASSERT_NE(engine.pluginLoad("~B12.tmp", 0), 0u);
  auto notes = kNotes;
  notes.insert(notes.begin(), {0, kTempo120});
  const Bytes midi = MidiFile(0, {Track(notes)});
  auto render = [&](float volume) {
    const SlHandle s = engine.streamCreateFile(1, midi.data(), 0, midi.size(), SL_STREAM_AUTOFREE);
    EXPECT_NE(s, 0u) << engine.errorGetCode();
    engine.channelSetAttribute(s, SL_ATTRIB_VOL, volume);
    engine.channelPlay(s, 0);
    std::vector<int16_t> out(2 * kRate / 4);
    engine.renderNoSound(out.data(), static_cast<uint32_t>(out.size() * 2));
    engine.streamFree(s);
    return out;
  };
  const auto full = render(1.0f), half = render(0.5f);
  for (size_t i = 0; i < full.size(); ++i) ASSERT_NEAR(half[i], full[i] / 2.0, 1.0) << i;
  EXPECT_GT(Rms(full, 0.05, 0.25), 300);
  ASSERT_TRUE(engine.free());
}

}  // namespace
}  // namespace soundlib
