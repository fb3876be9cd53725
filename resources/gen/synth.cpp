#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace art::synth {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNyquistGuard = 0.46 * kRate;  // partials fade out from here...
constexpr double kNyquistFade = 0.03 * kRate;   // ...over this band

// Topology-preserving state-variable filter: stays stable while its centre moves.
class StateVariable {
 public:
  struct Out {
    double low, band, high;
  };
  Out Step(double x, double centreHz, double q) {
    const double fc = std::clamp(centreHz, 10.0, 0.45 * kRate);
    const double g = std::tan(kPi * fc / kRate);
    const double k = 1.0 / q;
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = x - ic2_;
    const double v1 = a1 * ic1_ + a2 * v3;
    const double v2 = ic2_ + a2 * ic1_ + a3 * v3;
    ic1_ = 2 * v1 - ic1_;
    ic2_ = 2 * v2 - ic2_;
    return {v2, k * v1, x - k * v1 - v2};  // band normalised to 1 at the centre
  }

 private:
  double ic1_ = 0, ic2_ = 0;
};

}  // namespace

size_t Frames(double seconds) {
  if (!(seconds >= 0) || seconds > 60) throw std::invalid_argument("sound length out of range");
  return size_t(std::lround(seconds * kRate));
}

double Seconds(size_t frames) {
  return double(frames) / kRate;
}

Curve Constant(double value) {
  return [value](double) { return value; };
}

Curve Line(double a, double b, double t0, double t1) {
  return [=](double t) {
    if (t <= t0 || t1 <= t0) return a;
    if (t >= t1) return b;
    return a + (b - a) * (t - t0) / (t1 - t0);
  };
}

Curve Glide(double a, double b, double t0, double t1) {
  if (a <= 0 || b <= 0) throw std::invalid_argument("glide needs positive ends");
  return [=](double t) {
    if (t <= t0 || t1 <= t0) return a;
    if (t >= t1) return b;
    return a * std::pow(b / a, (t - t0) / (t1 - t0));
  };
}

Curve Strike(double t0, double attack, double tau) {
  return [=](double t) {
    if (t < t0) return 0.0;
    const double u = t - t0;
    if (u < attack) return 0.5 - 0.5 * std::cos(kPi * u / attack);
    return std::exp(-(u - attack) / tau);
  };
}

Curve Window(double t0, double t1, double ramp) {
  return [=](double t) {
    if (t <= t0 || t >= t1) return 0.0;
    const double r = std::min(ramp, (t1 - t0) / 2);
    if (r <= 0) return 1.0;
    if (t < t0 + r) return 0.5 - 0.5 * std::cos(kPi * (t - t0) / r);
    if (t > t1 - r) return 0.5 - 0.5 * std::cos(kPi * (t1 - t) / r);
    return 1.0;
  };
}

Signal Tone(double seconds, const Curve& pitch, const std::vector<Partial>& partials) {
  Signal s(Frames(seconds));
  std::vector<double> phase(partials.size(), 0.0);
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = Seconds(i);
    const double f = pitch(t);
    double v = 0;
    for (size_t k = 0; k < partials.size(); ++k) {
      const Partial& p = partials[k];
      const double fk = f * p.ratio;
      const double band = std::clamp((kNyquistGuard - fk) / kNyquistFade, 0.0, 1.0);
      double gain = p.gain * band;
      if (p.tau > 0) gain *= std::exp(-t / p.tau);
      v += gain * std::sin(phase[k]);
      phase[k] = std::fmod(phase[k] + 2 * kPi * fk / kRate, 2 * kPi);
    }
    s[i] = float(v);
  }
  return s;
}

Signal Sine(double seconds, const Curve& pitch) {
  return Tone(seconds, pitch, {{1, 1}});
}

Signal Buzz(double seconds, const Curve& pitch, double maxHz) {
  // Enough partials for the lowest pitch of a short probe; the rest fade
  // out at Nyquist anyway.
  double lowest = pitch(0);
  for (double t = 0; t < seconds; t += 0.005) lowest = std::min(lowest, pitch(t));
  const int count = std::clamp(int(maxHz / std::max(lowest, 20.0)), 1, 200);
  std::vector<Partial> partials;
  for (int k = 1; k <= count; ++k) partials.push_back({double(k), 1.0 / k});
  return Tone(seconds, pitch, partials);
}

Signal Noise(double seconds, uint32_t seed) {
  Signal s(Frames(seconds));
  uint32_t x = seed ? seed : 0x9E3779B9u;
  for (float& v : s) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    v = float(double(x) / 2147483647.5 - 1.0);
  }
  return s;
}

void LowPass(Signal& s, double cutoffHz) {
  StateVariable f;
  for (float& v : s) v = float(f.Step(v, cutoffHz, std::numbers::sqrt2 / 2).low);
}

void HighPass(Signal& s, double cutoffHz) {
  StateVariable f;
  for (float& v : s) v = float(f.Step(v, cutoffHz, std::numbers::sqrt2 / 2).high);
}

void BandPass(Signal& s, const Curve& centreHz, double q) {
  StateVariable f;
  for (size_t i = 0; i < s.size(); ++i) s[i] = float(f.Step(s[i], centreHz(Seconds(i)), q).band);
}

void Shape(Signal& s, const Curve& gain) {
  for (size_t i = 0; i < s.size(); ++i) s[i] = float(s[i] * gain(Seconds(i)));
}

void MixAt(Signal& into, const Signal& add, double at, double gain) {
  const size_t start = Frames(at);
  if (into.size() < start + add.size()) into.resize(start + add.size(), 0.0f);
  for (size_t i = 0; i < add.size(); ++i) into[start + i] += float(add[i] * gain);
}

std::vector<int16_t> Finish(Signal s, double fadeInSeconds, double fadeOutSeconds, double peak) {
  if (s.size() < 3) throw std::invalid_argument("sound too short");
  if (!(peak > 0 && peak <= 1)) throw std::invalid_argument("peak out of range");
  const size_t n = s.size();
  const size_t in = std::clamp<size_t>(Frames(fadeInSeconds), 1, n / 2);
  const size_t out = std::clamp<size_t>(Frames(fadeOutSeconds), 1, n / 2);
  std::vector<double> w(n, 1.0);
  for (size_t i = 0; i < in; ++i) w[i] = 0.5 - 0.5 * std::cos(kPi * double(i) / double(in));
  for (size_t j = 0; j < out; ++j) w[n - 1 - j] *= 0.5 - 0.5 * std::cos(kPi * double(j) / double(out));
  // Subtracting the mean shaped like the window keeps both ends at 0.
  double sum = 0, weight = 0;
  for (size_t i = 0; i < n; ++i) {
    sum += s[i] * w[i];
    weight += w[i];
  }
  const double offset = sum / weight;
  std::vector<double> v(n);
  double top = 0;
  for (size_t i = 0; i < n; ++i) {
    v[i] = (s[i] - offset) * w[i];
    top = std::max(top, std::abs(v[i]));
  }
  if (!(top > 0) || !std::isfinite(top)) throw std::invalid_argument("silent or broken sound");
  const double scale = peak * 32767.0 / top;
  std::vector<int16_t> result(n);
  for (size_t i = 0; i < n; ++i) result[i] = int16_t(std::lround(v[i] * scale));
  return result;
}

Stats Measure(const std::vector<int16_t>& samples, int rate) {
  Stats st;
  if (samples.empty()) return st;
  st.seconds = double(samples.size()) / rate;
  double sum = 0, squares = 0;
  for (int16_t v : samples) {
    st.peak = std::max(st.peak, std::abs(int(v)));
    sum += v;
    squares += double(v) * v;
  }
  st.mean = sum / double(samples.size());
  st.rms = std::sqrt(squares / double(samples.size()));
  const size_t edge = std::min(samples.size(), size_t(rate / 1000));
  for (size_t i = 0; i < edge; ++i) {
    st.edgePeak =
        std::max({st.edgePeak, std::abs(int(samples[i])), std::abs(int(samples[samples.size() - 1 - i]))});
  }
  return st;
}

std::vector<double> Envelope(const std::vector<int16_t>& samples, double seconds, int rate) {
  const size_t step = std::max<size_t>(1, size_t(seconds * rate));
  std::vector<double> env;
  for (size_t at = 0; at < samples.size(); at += step) {
    const size_t end = std::min(samples.size(), at + step);
    double squares = 0;
    for (size_t i = at; i < end; ++i) squares += double(samples[i]) * samples[i];
    env.push_back(std::sqrt(squares / double(end - at)));
  }
  return env;
}

std::vector<double> Spectrum(const std::vector<int16_t>& samples, size_t begin, size_t end,
                             const std::vector<double>& hz, int rate) {
  end = std::min(end, samples.size());
  std::vector<double> mags(hz.size(), 0.0);
  if (begin >= end) return mags;
  const size_t n = end - begin;
  std::vector<double> windowed(n);
  for (size_t i = 0; i < n; ++i)
    windowed[i] = samples[begin + i] * (0.5 - 0.5 * std::cos(2 * kPi * double(i) / double(n)));
  for (size_t k = 0; k < hz.size(); ++k) {
    // Goertzel: one frequency at a time.
    const double coeff = 2 * std::cos(2 * kPi * hz[k] / rate);
    double s1 = 0, s2 = 0;
    for (double x : windowed) {
      const double s0 = x + coeff * s1 - s2;
      s2 = s1;
      s1 = s0;
    }
    mags[k] = std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2)) / double(n);
  }
  return mags;
}

namespace {
std::vector<double> AnalysisGrid() {
  std::vector<double> hz;
  for (double f = 50; f <= 10000; f += 25) hz.push_back(f);
  return hz;
}
}  // namespace

double Centroid(const std::vector<int16_t>& samples, size_t begin, size_t end, int rate) {
  const std::vector<double> hz = AnalysisGrid();
  const std::vector<double> mags = Spectrum(samples, begin, end, hz, rate);
  double weighted = 0, total = 0;
  for (size_t k = 0; k < hz.size(); ++k) {
    weighted += hz[k] * mags[k];
    total += mags[k];
  }
  return total > 0 ? weighted / total : 0;
}

double Dominant(const std::vector<int16_t>& samples, size_t begin, size_t end, int rate) {
  const std::vector<double> hz = AnalysisGrid();
  const std::vector<double> mags = Spectrum(samples, begin, end, hz, rate);
  return hz[size_t(std::max_element(mags.begin(), mags.end()) - mags.begin())];
}

}  // namespace art::synth
