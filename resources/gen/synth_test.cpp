#include "synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace art::synth {
namespace {

double Rms(const Signal& s, size_t from = 0) {
  double sum = 0;
  for (size_t i = from; i < s.size(); ++i) sum += double(s[i]) * s[i];
  return std::sqrt(sum / double(s.size() - from));
}

std::vector<int16_t> Quantise(const Signal& s) {
  std::vector<int16_t> out;
  for (float v : s) out.push_back(int16_t(std::lround(v * 20000)));
  return out;
}

TEST(Synth, FinishRemovesOffsetFadesBothEndsAndSetsThePeak) {
  // A tone sitting on a large offset, starting and ending at full level.
  Signal s = Sine(0.5, Constant(440));
  for (float& v : s) v = v * 0.3f + 0.6f;
  const auto out = Finish(s, 0.004, 0.02, 0.5);
  ASSERT_EQ(out.size(), Frames(0.5));
  const Stats st = Measure(out);
  EXPECT_EQ(out.front(), 0);
  EXPECT_EQ(out.back(), 0);
  EXPECT_NEAR(st.peak, std::lround(0.5 * 32767), 1);
  EXPECT_LT(std::abs(st.mean), 1.0);
  // 1 ms into a 4 ms raised-cosine fade the level is at most 15 %.
  EXPECT_LE(st.edgePeak, 0.15 * st.peak);
}

TEST(Synth, FinishRefusesSilenceAndBrokenSignals) {
  EXPECT_THROW(Finish(Signal(1000, 0.0f), 0.01, 0.01, 0.9), std::invalid_argument);
  Signal nan = Sine(0.1, Constant(440));
  nan[100] = std::numeric_limits<float>::quiet_NaN();
  EXPECT_THROW(Finish(nan, 0.01, 0.01, 0.9), std::invalid_argument);
  EXPECT_THROW(Finish(Signal(2, 1.0f), 0.01, 0.01, 0.9), std::invalid_argument);
  EXPECT_THROW(Finish(Sine(0.1, Constant(440)), 0.01, 0.01, 1.5), std::invalid_argument);
  EXPECT_THROW(Frames(-1), std::invalid_argument);
}

TEST(Synth, FadesLongerThanTheSoundAreCutToHalfOfIt) {
  const auto out = Finish(Sine(0.02, Constant(1000)), 1.0, 1.0, 0.9);
  EXPECT_EQ(out.front(), 0);
  EXPECT_EQ(out.back(), 0);
  EXPECT_NEAR(Measure(out).peak, std::lround(0.9 * 32767), 1);
}

TEST(Synth, SpectrumFindsTheToneItWasGiven) {
  for (double hz : {200.0, 1000.0, 4400.0}) {
    const auto q = Quantise(Sine(0.3, Constant(hz)));
    EXPECT_EQ(Dominant(q, 0, q.size()), hz);
    EXPECT_NEAR(Centroid(q, 0, q.size()), hz, hz * 0.05 + 30);
  }
  // A glide sweeps through the band between its ends.
  const auto g = Quantise(Sine(0.4, Glide(500, 2000, 0, 0.4)));
  EXPECT_LT(Dominant(g, 0, g.size() / 8), 700);
  EXPECT_GT(Dominant(g, g.size() * 7 / 8, g.size()), 1700);
}

TEST(Synth, CurvesHoldTheirEndsAndGlideGeometrically) {
  const Curve g = Glide(100, 400, 1, 3);
  EXPECT_DOUBLE_EQ(g(0), 100);
  EXPECT_NEAR(g(2), 200, 1e-9);
  EXPECT_DOUBLE_EQ(g(5), 400);
  EXPECT_NEAR(Line(0, 1, 0, 2)(0.5), 0.25, 1e-12);
  EXPECT_EQ(Strike(0.1, 0.01, 0.1)(0.05), 0);
  EXPECT_NEAR(Strike(0.1, 0.01, 0.1)(0.21), std::exp(-1.0), 1e-9);
  EXPECT_EQ(Window(0, 1, 0.1)(0), 0);
  EXPECT_EQ(Window(0, 1, 0.1)(0.5), 1);
  EXPECT_THROW(Glide(0, 100, 0, 1), std::invalid_argument);
}

TEST(Synth, FiltersPassTheirBandAndStopTheRest) {
  Signal centre = Sine(0.5, Constant(1000));
  Signal far = Sine(0.5, Constant(8000));
  BandPass(centre, Constant(1000), 4);
  BandPass(far, Constant(1000), 4);
  EXPECT_NEAR(Rms(centre, 2000), std::sqrt(0.5), 0.03);
  EXPECT_LT(Rms(far, 2000), 0.05);

  Signal low = Sine(0.5, Constant(100)), high = Sine(0.5, Constant(5000));
  LowPass(low, 1000);
  LowPass(high, 1000);
  EXPECT_NEAR(Rms(low, 2000), std::sqrt(0.5), 0.02);
  EXPECT_LT(Rms(high, 2000), 0.04);
  Signal dc(Frames(0.5), 1.0f);
  HighPass(dc, 20);
  EXPECT_LT(std::abs(dc.back()), 0.01);
}

TEST(Synth, PartialsAboveNyquistAreLeftOut) {
  // 1000 Hz with ratio 12 would fold back below Nyquist; it must stay silent.
  const Signal s = Tone(0.2, Constant(1000), {{12, 1}});
  EXPECT_LT(Rms(s), 1e-6);
  const Signal b = Buzz(0.2, Constant(3000));
  const auto q = Quantise(b);
  EXPECT_EQ(Dominant(q, 0, q.size()), 3000);
}

TEST(Synth, NoiseIsBoundedRepeatableAndCentred) {
  const Signal a = Noise(1, 7), b = Noise(1, 7), c = Noise(1, 8);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  double sum = 0;
  for (float v : a) {
    EXPECT_LE(std::abs(v), 1.0f);
    sum += v;
  }
  EXPECT_LT(std::abs(sum / double(a.size())), 0.02);
  EXPECT_NEAR(Rms(a), 1 / std::sqrt(3.0), 0.02);
}

TEST(Synth, MixAtGrowsTheTargetAndAddsAtTheOffset) {
  Signal into(10, 1.0f);
  MixAt(into, Signal(10, 2.0f), Seconds(5), 0.5);
  ASSERT_EQ(into.size(), 15u);
  EXPECT_EQ(into[4], 1.0f);
  EXPECT_EQ(into[5], 2.0f);
  EXPECT_EQ(into[14], 1.0f);
}

}  // namespace
}  // namespace art::synth
