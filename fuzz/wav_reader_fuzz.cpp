// Hostile WAVE data through the reader, the streaming source and the mixer.
#include <cstddef>
#include <cstdint>

#include "soundlib/streams/mix_channel.h"
#include "soundlib/decode/wav_reader.h"
#include "soundlib/soundlib_api.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace soundlib;
  int error = SL_OK;
  auto reader = WavReader::open(std::make_unique<MemorySource>(data, size), error);
  if (!reader) return 0;
  // Decode a little from the start and the end, then stream it through a
  // channel at an odd output rate.
  int16_t block[2 * 256];
  reader->decode(0, 256, block);
  if (reader->frames() > 256) reader->decode(reader->frames() - 256, 256, block);
  MixChannel channel(makeStreamSource(std::move(reader)), size % 2 == 1);
  channel.setAttribute(SL_ATTRIB_PAN, 0.3f);
  channel.slideAttribute(SL_ATTRIB_FREQ, 30000.0f, 20, 22050);
  channel.play(false);
  float acc[2 * 512] = {};
  for (int i = 0; i < 8 && channel.playing(); ++i) channel.mix(acc, 512, 22050, 1.0f);
  return 0;
}
