// The eleven built-in sounds. Each is built from tones, noise and filters
// (synth.h) and finished the same way: no DC, soft ends, peak at -1 dB.

#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>
#include <string>

#include "../synth.h"
#include "services/builtin_sounds.h"
#include "sounds.h"

namespace art {
namespace {

using namespace synth;

constexpr double kTwoPi = 2 * std::numbers::pi;

// One "wuff": a dark vowel over a falling, rough voice.
Signal OneBark(double fromHz, double toHz, double seconds, uint32_t seed) {
  const Curve pitch = Glide(fromHz, toHz, 0, seconds);
  Signal voice = Buzz(seconds, pitch, 6000);
  Signal breath = Noise(seconds, seed);
  LowPass(breath, 3000);
  MixAt(voice, breath, 0, 0.6);
  Signal low = voice;
  BandPass(low, Glide(950, 550, 0, seconds), 2.5);
  Signal high = voice;
  BandPass(high, Glide(1700, 1000, 0, seconds), 3.5);
  MixAt(low, high, 0, 0.55);
  MixAt(low, Sine(seconds, pitch), 0, 0.25);  // chest
  LowPass(low, 2800);
  Shape(low, Strike(0, 0.012, 0.055));
  return low;
}

Signal Bark() {
  Signal s = OneBark(470, 300, 0.22, 11);
  MixAt(s, OneBark(500, 320, 0.24, 12), 0.27, 0.9);
  return s;
}

// A car passes from left to right: engine and tyres swell, the pitch drops.
Signal Car() {
  constexpr double kLength = 2.4, kPass = 1.2;
  const Curve pitch = [](double t) { return 58 * (1 + 0.07 * std::tanh((kPass - t) / 0.3)); };
  std::vector<Partial> partials;
  for (int k = 1; k <= 40; ++k) partials.push_back({double(k), std::pow(k, -0.75)});
  Signal s = Tone(kLength, pitch, partials);
  LowPass(s, 1300);
  Signal tyres = Noise(kLength, 21);
  BandPass(tyres, Constant(700), 0.8);
  LowPass(tyres, 1800);
  MixAt(s, tyres, 0, 0.9);
  Shape(s, [](double t) { return 0.04 + 1 / (1 + std::pow((t - kPass) / 0.38, 2)); });
  return s;
}

// Two honks on two brassy tones a major third apart.
Signal Horn() {
  const std::vector<Partial> brass = {{1, 1},    {2, 0.35}, {3, 0.5},  {4, 0.2},
                                      {5, 0.28}, {6, 0.1},  {7, 0.16}, {9, 0.08}};
  Signal s = Tone(0.75, Constant(415), brass);
  MixAt(s, Tone(0.75, Constant(523), brass), 0, 0.8);
  Signal bright = s;
  BandPass(bright, Constant(2200), 1.2);
  MixAt(s, bright, 0, 0.6);
  Shape(s, [](double t) { return Window(0, 0.2, 0.012)(t) + Window(0.3, 0.74, 0.015)(t); });
  return s;
}

// A wolf whistle: up, then up and down.
Signal Whistle() {
  constexpr double kLength = 1.05;
  const Curve pitch = [](double t) {
    const double vibrato = 1 + 0.006 * std::sin(kTwoPi * 6 * t);
    if (t < 0.3) return Glide(1100, 2400, 0.02, 0.26)(t) * vibrato;
    if (t < 0.62) return Glide(1300, 2500, 0.4, 0.6)(t) * vibrato;
    return Glide(2500, 1100, 0.62, 1.0)(t) * vibrato;
  };
  Signal s = Tone(kLength, pitch, {{1, 1}, {2, 0.05}});
  Signal breath = Noise(kLength, 31);
  BandPass(breath, pitch, 6);
  LowPass(breath, 5000);
  MixAt(s, breath, 0, 0.25);
  Shape(s, [](double t) { return Window(0, 0.3, 0.03)(t) + Window(0.38, 1.04, 0.05)(t); });
  return s;
}

// A door falls shut: the latch clicks, the leaf thuds, the frame rattles.
Signal Door() {
  Signal click = Noise(0.03, 41);
  HighPass(click, 2000);
  Shape(click, Strike(0, 0.0005, 0.004));
  Signal ring = Sine(0.05, Constant(2300));
  Shape(ring, Strike(0, 0.0005, 0.012));

  Signal thud = Sine(0.5, Glide(95, 60, 0, 0.3));
  Shape(thud, Strike(0, 0.003, 0.09));
  Signal knock = Sine(0.2, Constant(170));
  Shape(knock, Strike(0, 0.002, 0.04));
  Signal body = Noise(0.2, 42);
  LowPass(body, 700);
  Shape(body, Strike(0, 0.002, 0.03));
  Signal rattle = Noise(0.15, 43);
  LowPass(rattle, 1200);
  Shape(rattle, Strike(0, 0.001, 0.02));

  Signal s;
  MixAt(s, click, 0, 0.5);
  MixAt(s, ring, 0, 0.25);
  MixAt(s, thud, 0.015, 1.0);
  MixAt(s, knock, 0.015, 0.5);
  MixAt(s, body, 0.015, 1.2);
  MixAt(s, rattle, 0.1, 0.3);
  s.resize(Frames(0.6), 0.0f);
  return s;
}

// One stroke of a tower bell (G3): hum, prime, minor-third tierce, quint,
// nominal and higher partials, the high ones dying first.
Signal TowerClock() {
  constexpr double kLength = 2.8;
  Signal s = Tone(kLength, Constant(196),
                  {{0.5, 0.5, 1.8},
                   {1.0, 0.6, 1.2},
                   {1.19, 0.5, 1.0},
                   {1.5, 0.25, 0.8},
                   {2.0, 0.7, 0.65},
                   {2.5, 0.25, 0.45},
                   {2.67, 0.2, 0.38},
                   {3.0, 0.25, 0.3},
                   {4.0, 0.15, 0.2},
                   {5.33, 0.08, 0.12}});
  Signal hammer = Noise(0.06, 51);
  LowPass(hammer, 2500);
  Shape(hammer, Strike(0, 0.001, 0.01));
  MixAt(s, hammer, 0, 0.4);
  return s;
}

// "Haaa... tschi!": a rising breath with a hint of voice, then the burst.
Signal Sneeze() {
  constexpr double kInhale = 0.46, kBurstAt = 0.54, kBurst = 0.4;
  const Curve swell = [](double t) { return t < 0.42 ? 0.12 + 0.4 * t / 0.42 : 0.52 * (kInhale - t) / 0.04; };
  Signal inhale = Noise(kInhale, 61);
  BandPass(inhale, Glide(600, 1500, 0, kInhale), 2);
  Signal voice = Buzz(kInhale, Glide(200, 270, 0, kInhale), 5000);
  BandPass(voice, Glide(750, 900, 0, kInhale), 4);
  MixAt(inhale, voice, 0, 0.45);
  Shape(inhale, [swell](double t) { return std::max(0.0, swell(t)); });

  Signal burst = Noise(kBurst, 62);
  HighPass(burst, 2200);
  Signal hiss = burst;
  BandPass(hiss, Constant(3600), 1.2);
  MixAt(burst, hiss, 0, 0.8);
  Shape(burst, Strike(0, 0.006, 0.08));
  Signal ee = Buzz(kBurst, Glide(320, 280, 0, kBurst), 6000);
  Signal eeHigh = ee;
  BandPass(ee, Constant(320), 5);
  BandPass(eeHigh, Constant(2400), 5);
  MixAt(ee, eeHigh, 0, 0.7);
  Shape(ee, Strike(0.02, 0.01, 0.07));
  MixAt(burst, ee, 0, 0.5);

  Signal s = inhale;
  MixAt(s, burst, kBurstAt, 1.0);
  return s;
}

// One mechanical click with a short metallic ring.
Signal Click(double ringHz, uint32_t seed) {
  Signal s = Noise(0.04, seed);
  HighPass(s, 1500);
  Shape(s, Strike(0, 0.0004, 0.003));
  Signal ring = Tone(0.04, Constant(ringHz), {{1, 0.4, 0.01}, {0.37, 0.3, 0.015}});
  MixAt(s, ring, 0, 1.0);
  return s;
}

// The shutter opens and closes, then the film is wound on.
Signal Camera() {
  Signal s;
  MixAt(s, Click(3300, 71), 0, 1.0);
  MixAt(s, Click(2700, 72), 0.085, 0.8);
  Signal motor = Buzz(0.3, Constant(95), 5000);
  BandPass(motor, Constant(1400), 1.5);
  Signal grit = Noise(0.3, 73);
  BandPass(grit, Constant(2500), 2);
  MixAt(motor, grit, 0, 0.3);
  Shape(motor, Window(0, 0.3, 0.04));
  MixAt(s, motor, 0.17, 0.3);
  for (int i = 0; i < 11; ++i) MixAt(s, Click(1800, 74 + i), 0.18 + 0.026 * i, 0.12);
  s.resize(Frames(0.52), 0.0f);
  return s;
}

// An alarm clock: a hammer between two small bells, sixteen strokes a second.
Signal Alarm() {
  constexpr double kLength = 1.45, kRing = 1.35, kRate = 16;
  Signal s(Frames(kLength), 0.0f);
  for (int i = 0; i * (1 / kRate) < kRing; ++i) {
    const double f = i % 2 ? 1850 : 1700;
    Signal hit = Tone(0.25, Constant(f), {{1, 1, 0.06}, {2.32, 0.5, 0.04}, {3.85, 0.3, 0.025}});
    Shape(hit, Window(0, 0.25, 0.001));
    MixAt(s, hit, i / kRate, 1.0);
  }
  s.resize(Frames(kLength));
  Shape(s, Window(0, kLength, 0.05));
  return s;
}

// A short rising whistle that drops at its end.
Signal Chirp(double lowHz, double highHz, double seconds) {
  const Curve pitch = [=](double t) {
    return t < seconds * 0.65 ? Glide(lowHz, highHz, 0, seconds * 0.65)(t)
                              : Glide(highHz, highHz * 0.8, seconds * 0.65, seconds)(t);
  };
  Signal s = Tone(seconds, pitch, {{1, 1}, {2, 0.12}});
  Shape(s, Window(0, seconds, seconds / 2));
  return s;
}

Signal BirdChirp() {
  Signal s;
  MixAt(s, Chirp(2600, 4800, 0.075), 0, 1.0);
  MixAt(s, Chirp(2700, 4900, 0.07), 0.13, 0.9);
  MixAt(s, Chirp(2500, 4500, 0.08), 0.26, 0.8);
  s.resize(Frames(0.38), 0.0f);
  return s;
}

// A trill, two falling whistles and a warble.
Signal BirdSong() {
  Signal s;
  for (int i = 0; i < 8; ++i) {
    const double f = i % 2 ? 4200 : 3600;
    Signal note = Tone(0.03, Glide(f, f * 0.9, 0, 0.03), {{1, 1}, {2, 0.1}});
    Shape(note, Window(0, 0.03, 0.015));
    MixAt(s, note, 0.038 * i, 0.8);
  }
  const auto fall = [&](double at, double from, double to, double seconds) {
    Signal note = Tone(seconds, Glide(from, to, 0, seconds), {{1, 1}, {2, 0.1}});
    Shape(note, Window(0, seconds, 0.03));
    MixAt(s, note, at, 1.0);
  };
  fall(0.4, 4400, 3000, 0.17);
  fall(0.63, 4200, 2900, 0.17);
  Signal warble =
      Tone(0.32, [](double t) { return 3200 + 400 * std::sin(kTwoPi * 25 * t); }, {{1, 1}, {2, 0.1}});
  Shape(warble, Window(0, 0.32, 0.05));
  MixAt(s, warble, 0.88, 0.8);
  s.resize(Frames(1.25), 0.0f);
  return s;
}

struct Recipe {
  Signal (*make)();
  double fadeIn, fadeOut;
};

Recipe RecipeOf(int n) {
  switch (n) {
    case SOUND_BARK:
      return {Bark, 0.003, 0.02};
    case SOUND_CAR:
      return {Car, 0.2, 0.3};
    case SOUND_HORN:
      return {Horn, 0.003, 0.02};
    case SOUND_WHISTLE:
      return {Whistle, 0.005, 0.03};
    case SOUND_DOOR:
      return {Door, 0.002, 0.05};
    case SOUND_TOWER_CLOCK:
      return {TowerClock, 0.003, 0.4};
    case SOUND_SNEEZE:
      return {Sneeze, 0.01, 0.05};
    case SOUND_CAMERA:
      return {Camera, 0.002, 0.03};
    case SOUND_ALARM:
      return {Alarm, 0.003, 0.05};
    case SOUND_BIRD_CHIRP:
      return {BirdChirp, 0.003, 0.02};
    case SOUND_BIRD_SONG:
      return {BirdSong, 0.003, 0.03};
  }
  throw std::invalid_argument("no built-in sound " + std::to_string(n));
}

}  // namespace

std::vector<int16_t> MakeBuiltinSound(int n) {
  const Recipe r = RecipeOf(n);
  return Finish(r.make(), r.fadeIn, r.fadeOut, kBuiltinSoundPeak);
}

void AddBuiltinSounds(ArtSet& set) {
  static_assert(BUILTIN_SOUND_RATE == kRate);
  for (int n = 0; n < BUILTIN_SOUND_COUNT; ++n) {
    char name[24];
    std::snprintf(name, sizeof name, BUILTIN_SOUND_NAME_FORMAT, n);
    set.AddWave(name, MakeBuiltinSound(n), BUILTIN_SOUND_RATE);
  }
}

}  // namespace art
