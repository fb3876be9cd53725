#include "wav_writer.h"

#include <stdexcept>

namespace art {

Bytes EncodeWav(const std::vector<int16_t>& samples, int sampleRate, int channels) {
  if (channels < 1 || channels > 2 || sampleRate < 1000 || sampleRate > 192000)
    throw std::invalid_argument("unsupported wave format");
  if (samples.size() % size_t(channels) != 0)
    throw std::invalid_argument("sample count not a multiple of channels");
  if (samples.size() > 0x3FFFFFF0u / 2) throw std::invalid_argument("wave too long");
  const uint32_t data = uint32_t(samples.size()) * 2;
  ByteWriter w;
  w.Tag("RIFF");
  w.U32(36 + data);
  w.Tag("WAVE");
  w.Tag("fmt ");
  w.U32(16);
  w.U16(1);  // PCM
  w.U16(uint32_t(channels));
  w.U32(uint32_t(sampleRate));
  w.U32(uint32_t(sampleRate) * uint32_t(channels) * 2);
  w.U16(uint32_t(channels) * 2);
  w.U16(16);
  w.Tag("data");
  w.U32(data);
  for (int16_t s : samples) w.U16(uint16_t(s));
  return w.Take();
}

}  // namespace art
