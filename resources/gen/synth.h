#pragma once
// A small synthesiser for the program's built-in sounds: tones with gliding
// pitch, noise, resonant filters, envelopes, and the finishing step that turns
// a signal into clean 16-bit samples (no DC, soft edges, a fixed peak).

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace art::synth {

constexpr int kRate = 22050;  // every built-in sound uses it
using Signal = std::vector<float>;
// A value over time (seconds): a pitch in Hz, a gain, a filter centre.
using Curve = std::function<double(double)>;

size_t Frames(double seconds);
double Seconds(size_t frames);

Curve Constant(double value);
// From a to b over [t0, t1] (held outside), linearly or exponentially (a, b > 0).
Curve Line(double a, double b, double t0, double t1);
Curve Glide(double a, double b, double t0, double t1);
// 0 before t0, rises over `attack`, then decays with time constant tau.
Curve Strike(double t0, double attack, double tau);
// Raised-cosine swell that is 1 over [t0 + ramp, t1 - ramp] and 0 outside [t0, t1].
Curve Window(double t0, double t1, double ramp);

struct Partial {
  double ratio;  // of the pitch
  double gain;
  double tau = 0;  // decay time constant in seconds, 0 = none
};
// Sum of partials over a gliding pitch; partials at or above Nyquist are left out.
Signal Tone(double seconds, const Curve& pitch, const std::vector<Partial>& partials);
Signal Sine(double seconds, const Curve& pitch);
// Band-limited sawtooth (1/k partials) up to maxHz.
Signal Buzz(double seconds, const Curve& pitch, double maxHz = 9000);

// Deterministic white noise in [-1, 1].
Signal Noise(double seconds, uint32_t seed);

// Two-pole state-variable filters; the centre may move over time.
void LowPass(Signal& s, double cutoffHz);
void HighPass(Signal& s, double cutoffHz);
void BandPass(Signal& s, const Curve& centreHz, double q);

void Shape(Signal& s, const Curve& gain);
// Adds `add` times gain into `into` from time `at`, growing `into` as needed.
void MixAt(Signal& into, const Signal& add, double at, double gain = 1.0);

// The finishing step: DC removed, raised-cosine fades at both ends (the first
// and last sample are 0), scaled so the peak is `peak` of full scale.
std::vector<int16_t> Finish(Signal s, double fadeInSeconds, double fadeOutSeconds, double peak);

// Measurements used by the checks of the generated sounds.
struct Stats {
  double seconds = 0;
  int peak = 0;     // largest |sample|
  double mean = 0;  // DC offset in sample units
  double rms = 0;
  int edgePeak = 0;  // largest |sample| in the first and last millisecond
};
Stats Measure(const std::vector<int16_t>& samples, int rate = kRate);
// RMS of consecutive windows of `seconds`.
std::vector<double> Envelope(const std::vector<int16_t>& samples, double seconds, int rate = kRate);
// Magnitude spectrum of frames [begin, end) at the given frequencies (Hz).
std::vector<double> Spectrum(const std::vector<int16_t>& samples, size_t begin, size_t end,
                             const std::vector<double>& hz, int rate = kRate);
// Spectral centroid (Hz) over 50..10000 Hz of frames [begin, end).
double Centroid(const std::vector<int16_t>& samples, size_t begin, size_t end, int rate = kRate);
// Frequency (Hz, 25 Hz steps over 50..10000) with the strongest magnitude.
double Dominant(const std::vector<int16_t>& samples, size_t begin, size_t end, int rate = kRate);

}  // namespace art::synth
