#include "wav_writer.h"

#include <gtest/gtest.h>

#include "art_set.h"
#include "test_util.h"

namespace art {
namespace {

TEST(WavWriter, PythonsWaveModuleReadsItBack) {
  std::vector<int16_t> samples;
  for (int i = 0; i < 441; ++i) samples.push_back(int16_t((i * 977) % 65536 - 32768));
  test::ScratchDir dir;
  WriteFileWhole(dir.Path() / "x.wav", EncodeWav(samples, 22050));
  const std::string out = test::Run(
      "/usr/bin/python3 -c \"import wave,struct,sys; w=wave.open(sys.argv[1]); "
      "d=w.readframes(w.getnframes()); print(w.getnchannels(), w.getsampwidth(), w.getframerate(), "
      "w.getnframes(), sum(struct.unpack('<%dh' % (len(d)//2), d)))\" '" +
      (dir.Path() / "x.wav").string() + "'");
  long sum = 0;
  for (int16_t s : samples) sum += s;
  EXPECT_EQ(out, "1 2 22050 441 " + std::to_string(sum) + "\n");
}

TEST(WavWriter, RejectsImpossibleFormats) {
  EXPECT_THROW(EncodeWav({1, 2, 3}, 22050, 2), std::invalid_argument);
  EXPECT_THROW(EncodeWav({}, 10, 1), std::invalid_argument);
  EXPECT_THROW(EncodeWav({}, 22050, 3), std::invalid_argument);
  EXPECT_EQ(EncodeWav({}, 8000).size(), 44u);
}

}  // namespace
}  // namespace art
