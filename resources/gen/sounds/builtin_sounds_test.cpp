// Listen-free checks of the built-in sounds: level, offset, soft ends and
// length for all, and for each what makes it the sound it stands for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "../synth.h"
#include "../test_util.h"
#include "services/builtin_sounds.h"
#include "../art_catalog.h"
#include "sounds.h"

namespace art {
namespace {

using synth::Centroid;
using synth::Dominant;
using synth::Envelope;
using synth::Measure;

using Samples = std::vector<int16_t>;

const Samples& Sound(int n) {
  static std::map<int, Samples>* cache = new std::map<int, Samples>;
  auto it = cache->find(n);
  if (it == cache->end()) it = cache->emplace(n, MakeBuiltinSound(n)).first;
  return it->second;
}

size_t At(double seconds) {
  return size_t(seconds * BUILTIN_SOUND_RATE);
}

// Separate bursts: runs of 10 ms windows above `fraction` of the loudest one,
// split by at least one window below it.
int Bursts(const Samples& s, double fraction) {
  const std::vector<double> env = Envelope(s, 0.01);
  const double top = *std::max_element(env.begin(), env.end());
  int bursts = 0;
  bool inside = false;
  for (double e : env) {
    const bool loud = e > fraction * top;
    if (loud && !inside) ++bursts;
    inside = loud;
  }
  return bursts;
}

// Index of the loudest 10 ms window, in seconds.
double LoudestAt(const Samples& s) {
  const std::vector<double> env = Envelope(s, 0.01);
  return 0.01 * double(std::max_element(env.begin(), env.end()) - env.begin());
}

TEST(BuiltinSounds, EveryOneIsNormalisedCentredSoftEdgedAndShort) {
  const int target = int(std::lround(kBuiltinSoundPeak * 32767));
  for (int n = 0; n < BUILTIN_SOUND_COUNT; ++n) {
    SCOPED_TRACE(n);
    const Samples& s = Sound(n);
    const synth::Stats st = Measure(s);
    EXPECT_NEAR(st.peak, target, 1);
    EXPECT_LT(std::abs(st.mean), 2.0) << "DC offset";
    EXPECT_EQ(s.front(), 0);
    EXPECT_EQ(s.back(), 0);
    EXPECT_LE(st.edgePeak, 0.2 * st.peak) << "click at an end";
    EXPECT_GE(st.seconds, 0.3);
    EXPECT_LE(st.seconds, 3.0);
    EXPECT_GT(st.rms, 0.04 * st.peak) << "too quiet to hear beside the others";
    // Nothing clips: no flat run at the peak.
    int run = 0, longest = 0;
    for (int16_t v : s) {
      run = std::abs(v) >= 0.999 * target ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    EXPECT_LE(longest, 6);
  }
  EXPECT_THROW(MakeBuiltinSound(-1), std::invalid_argument);
  EXPECT_THROW(MakeBuiltinSound(BUILTIN_SOUND_COUNT), std::invalid_argument);
}

TEST(BuiltinSounds, TheCatalogueCarriesAllElevenAsWaveResources) {
  const ArtSet set = AddAllArt();
  for (int n = 0; n < BUILTIN_SOUND_COUNT; ++n) {
    char name[24];
    std::snprintf(name, sizeof name, BUILTIN_SOUND_NAME_FORMAT, n);
    const ArtFile* f = set.Find(name);
    ASSERT_NE(f, nullptr) << name;
    EXPECT_EQ(f->kind, ResourceKind::kWave);
    // 44-byte header, then the samples as they were made.
    ASSERT_EQ(f->data.size(), 44 + 2 * Sound(n).size());
    EXPECT_EQ(test::U32At(f->data, 24), uint32_t(BUILTIN_SOUND_RATE));
    EXPECT_EQ(test::U16At(f->data, 22), 1u);
    EXPECT_EQ(int16_t(test::U16At(f->data, 44 + 2 * 1000)), Sound(n)[1000]);
  }
  EXPECT_EQ(set.Find("SOUND11"), nullptr);
}

TEST(BuiltinSounds, TheBarkIsTwoLowShortWoofs) {
  const Samples& s = Sound(SOUND_BARK);
  EXPECT_EQ(Bursts(s, 0.25), 2);
  EXPECT_LT(Measure(s).seconds, 0.8);
  EXPECT_LT(Dominant(s, 0, s.size()), 1000);
  EXPECT_LT(Centroid(s, 0, s.size()), 2500);
}

TEST(BuiltinSounds, TheCarSwellsAsItPassesAndItsEngineDrops) {
  const Samples& s = Sound(SOUND_CAR);
  const double seconds = Measure(s).seconds;
  EXPECT_GE(seconds, 1.5);
  const double loudest = LoudestAt(s);
  EXPECT_GT(loudest, seconds / 3);
  EXPECT_LT(loudest, seconds * 2 / 3);
  EXPECT_LT(Centroid(s, 0, s.size()), 1000);
  // Approaching, the engine note is higher than when going away (Doppler):
  // its fourth harmonic, looked for between 200 and 270 Hz.
  const auto fourth = [&](double from) {
    std::vector<double> hz;
    for (double f = 200; f <= 270; f += 1) hz.push_back(f);
    const std::vector<double> mags = synth::Spectrum(s, At(from), At(from + 0.4), hz);
    return hz[size_t(std::max_element(mags.begin(), mags.end()) - mags.begin())];
  };
  EXPECT_GT(fourth(0.5), fourth(1.5) + 15);
}

TEST(BuiltinSounds, TheHornHonksTwiceOnItsTwoTones) {
  const Samples& s = Sound(SOUND_HORN);
  EXPECT_EQ(Bursts(s, 0.3), 2);
  const std::vector<double> mags = synth::Spectrum(s, 0, s.size(), {415, 523, 470, 300});
  EXPECT_GT(mags[0], 5 * mags[2]);
  EXPECT_GT(mags[1], 5 * mags[2]);
  EXPECT_GT(mags[0], 5 * mags[3]);
}

TEST(BuiltinSounds, TheWhistleRisesThenFallsInTheWhistlingRange) {
  const Samples& s = Sound(SOUND_WHISTLE);
  EXPECT_EQ(Bursts(s, 0.3), 2);
  const double rising = Dominant(s, At(0.05), At(0.1)), top = Dominant(s, At(0.55), At(0.62)),
               falling = Dominant(s, At(0.9), At(1.0));
  EXPECT_LT(rising, top);
  EXPECT_GT(top, falling);
  for (double f : {rising, top, falling}) {
    EXPECT_GT(f, 900);
    EXPECT_LT(f, 3000);
  }
}

TEST(BuiltinSounds, TheDoorIsALowThudRightAtTheStart) {
  const Samples& s = Sound(SOUND_DOOR);
  EXPECT_LT(LoudestAt(s), 0.05);
  EXPECT_LT(Centroid(s, 0, s.size()), 800);
  EXPECT_LT(Measure(s).seconds, 0.8);
}

TEST(BuiltinSounds, TheTowerClockRingsLongAndDiesAway) {
  const Samples& s = Sound(SOUND_TOWER_CLOCK);
  EXPECT_GE(Measure(s).seconds, 2.0);
  const std::vector<double> env = Envelope(s, 0.25);
  EXPECT_GT(env[0], 4 * env[env.size() - 2]);
  for (size_t i = 1; i + 1 < env.size(); ++i) EXPECT_LT(env[i], env[i - 1] * 1.05) << i;
  // Its partials sit on the bell's tones, not between them.
  const std::vector<double> mags = synth::Spectrum(s, 0, s.size(), {196, 392, 300});
  EXPECT_GT(mags[0], 5 * mags[2]);
  EXPECT_GT(mags[1], 5 * mags[2]);
}

TEST(BuiltinSounds, TheSneezeBuildsUpQuietlyAndBurstsHigh) {
  const Samples& s = Sound(SOUND_SNEEZE);
  const double seconds = Measure(s).seconds;
  EXPECT_GT(LoudestAt(s), seconds / 2);
  const std::vector<double> env = Envelope(s, 0.1);
  EXPECT_LT(env[0], env[3]);  // the breath swells
  EXPECT_GT(Centroid(s, At(0.55), At(0.75)), 2500);
  EXPECT_LT(Centroid(s, At(0.05), At(0.4)), Centroid(s, At(0.55), At(0.75)));
}

TEST(BuiltinSounds, TheCameraClicksTwiceAndWindsOn) {
  const Samples& s = Sound(SOUND_CAMERA);
  EXPECT_LT(Measure(s).seconds, 0.7);
  // Two sharp clicks within the first 150 ms, both louder than the winder.
  const std::vector<double> env = Envelope(s, 0.005);
  const double click1 = *std::max_element(env.begin(), env.begin() + 4);
  const double click2 = *std::max_element(env.begin() + 16, env.begin() + 22);
  const double gap = *std::min_element(env.begin() + 8, env.begin() + 16);
  const double winder = *std::max_element(env.begin() + 40, env.begin() + 90);
  EXPECT_GT(click1, 4 * gap);
  EXPECT_GT(click2, 4 * gap);
  EXPECT_GT(click2, winder);
  EXPECT_GT(winder, gap);
}

TEST(BuiltinSounds, TheAlarmRingsHighAndFast) {
  const Samples& s = Sound(SOUND_ALARM);
  EXPECT_GT(Dominant(s, 0, s.size()), 1500);
  // Hammer strokes: the 10 ms level rises and falls over a dozen times a second.
  const std::vector<double> env = Envelope(s, 0.01);
  int peaks = 0;
  for (size_t i = 1; i + 1 < env.size(); ++i) peaks += env[i] > env[i - 1] && env[i] >= env[i + 1];
  EXPECT_GE(peaks, 15);
}

TEST(BuiltinSounds, TheBirdsAreHighPitchedAndTheSongIsTheLongerOne) {
  const Samples& chirp = Sound(SOUND_BIRD_CHIRP);
  const Samples& song = Sound(SOUND_BIRD_SONG);
  EXPECT_GT(Centroid(chirp, 0, chirp.size()), 2500);
  EXPECT_GT(Centroid(song, 0, song.size()), 2500);
  EXPECT_EQ(Bursts(chirp, 0.2), 3);
  EXPECT_GE(Bursts(song, 0.2), 4);
  EXPECT_GT(Measure(song).seconds, 2 * Measure(chirp).seconds);
}

}  // namespace
}  // namespace art
