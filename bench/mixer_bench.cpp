// Mixing cost: many channels with resampling, pan and volume slides.
#include <benchmark/benchmark.h>

#include <cmath>

#include "soundlib/engine/sound_engine.h"
#include "soundlib/decode/test_wav.h"

namespace {

void BM_MixChannels(benchmark::State& state) {
  soundlib::HeadlessPlatform platform;
  soundlib::Engine engine(platform);
  engine.init(0, 44100, 0, nullptr, nullptr);
  std::vector<int32_t> tone;
  for (int i = 0; i < 22050; ++i) tone.push_back(static_cast<int32_t>(8000 * std::sin(i * 0.05)));
  const auto wav = soundlib::testing::makeWav({22050, 1, 16}, tone);
  const SlHandle s =
      engine.sampleLoad(1, wav.data(), 0, static_cast<uint32_t>(wav.size()), 64, SL_SAMPLE_LOOP);
  const int channels = static_cast<int>(state.range(0));
  for (int i = 0; i < channels; ++i) {
    const SlHandle c = engine.sampleGetChannel(s, 0);
    engine.channelSetAttribute(c, SL_ATTRIB_PAN, -1.0f + 2.0f * i / channels);
    engine.channelSlideAttribute(c, SL_ATTRIB_VOL, 0.1f, 100000);
    engine.channelPlay(c, 0);
  }
  std::vector<int16_t> out(2 * 1024);
  for (auto _ : state) {
    engine.renderNoSound(out.data(), static_cast<uint32_t>(out.size() * 2));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_MixChannels)->Arg(1)->Arg(8)->Arg(32);

}  // namespace
