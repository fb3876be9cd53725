// Hostile files through one decoder kind (FUZZ_KIND, by name): opened
// without its probe (so the library's own parser sees every mutation), read
// in odd-sized steps, sought back and into the middle, then streamed through
// a feed and a mixing channel. The frames read are capped: a file may claim
// hours, but the harness must stay quick.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_kinds.h"
#include "soundlib/decode/decoder.h"
#include "soundlib/streams/mix_channel.h"
#include "soundlib/streams/stream_feed.h"
#include "soundlib/plugins/plugin_kinds.h"
#include "soundlib/soundlib_api.h"

using namespace soundlib;

namespace {

const DecoderKind& Kind() {
  static const DecoderKind kind = fuzzing::FindKind(FUZZ_KIND);
  return kind;
}

std::unique_ptr<Decoder> Open(const uint8_t* data, size_t size) {
  int error = SL_OK;
  auto d = Kind().open(std::make_shared<MemorySource>(data, size), Kind().context, error);
  if (!d) return nullptr;
  const StreamInfo& i = d->info();
  if (i.channels < 1 || i.channels > 2 || i.rate < 1000 || i.rate > 384000) return nullptr;
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetMidiInstrumentConfig(SOUND_MIDI_CONFIG);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kind().probe(data, size < kProbeBytes ? size : kProbeBytes, size, Kind().context);
  auto d = Open(data, size);
  if (!d) return 0;
  const unsigned ch = d->info().channels;
  std::vector<int16_t> out(4099 * ch);
  size_t total = 0;
  for (size_t step = 1; total < 200000; step = step * 3 % 4099 + 1) {
    const size_t got = d->read(out.data(), step);
    if (got > step) __builtin_trap();
    if (got == 0) break;
    total += got;
  }
  d->seek(0);
  d->read(out.data(), 1000);
  d->seek(total / 2);
  d->read(out.data(), 1000);
  // The same bytes as a stream, filled as the mixer asks.
  if (auto again = Open(data, size)) {
    auto feed = std::make_shared<StreamFeed>(std::move(again), false);
    MixChannel channel(makeFeedSource(feed), size % 2 == 1);
    channel.slideAttribute(SL_ATTRIB_FREQ, 30000.0f, 20, 22050);
    channel.play(false);
    std::vector<float> acc(2 * 2048);
    for (int i = 0; i < 16 && channel.playing(); ++i) channel.mix(acc.data(), 2048, 22050, 1.0f);
  }
  return 0;
}
