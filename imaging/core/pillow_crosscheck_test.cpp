// Cross-checks against an independent implementation (Pillow), natively only:
// crops, flips and 1-bit packing must give the bytes Pillow gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/io_test_support.h"
#include "core/pictura_buffers.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs `expr` (a Pillow image expression over `im`, built from the input
// bytes with `open`) and returns the result's raw bytes.
std::vector<uint8_t> Pillow(const std::vector<uint8_t>& input, const std::string& open,
                            const std::string& expr) {
  const std::string in = "pillow_in.bin", out = "pillow_out.bin", script = "pillow_check.py";
  WriteFile(in, input);
  std::ofstream py(script);
  py << "from PIL import Image\n"
     << "data = open('" << in << "', 'rb').read()\n"
     << "im = " << open << "\n"
     << "open('" << out << "', 'wb').write((" << expr << ").tobytes())\n";
  py.close();
  std::vector<uint8_t> result;
  if (std::system(("/usr/bin/python3 " + script).c_str()) == 0) result = ReadFile(out);
  std::remove(in.c_str());
  std::remove(out.c_str());
  std::remove(script.c_str());
  return result;
}

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(rng());
  return v;
}

}  // namespace

TEST(PillowCrossCheck, CropAndFlipsOfAnRGBImage) {
  PICTEST_REQUIRE_TOOLS("Pillow");
  const uint32_t w = 13, h = 7;
  const std::vector<uint8_t> rgb = RandomBytes(w * h * 3, 5);
  const std::string open = "Image.frombytes('RGB', (13, 7), data)";

  RECT r{2, 1, 9, 6};
  std::vector<uint8_t> crop(7 * 5 * 3);
  ASSERT_TRUE(pic_CropImage(rgb.data(), w, h, w * 3, crop.data(), 7 * 3, &r, 3));
  EXPECT_EQ(crop, Pillow(rgb, open, "im.crop((2, 1, 9, 6))"));

  std::vector<uint8_t> v(rgb);
  ASSERT_TRUE(pic_VerticalFlipImage(v.data(), w * 3, h));
  EXPECT_EQ(v, Pillow(rgb, open, "im.transpose(Image.FLIP_TOP_BOTTOM)"));

  std::vector<uint8_t> m(rgb);
  ASSERT_TRUE(pic_HorizontalFlipImage(m.data(), w, h, 3, w * 3, 0));
  EXPECT_EQ(m, Pillow(rgb, open, "im.transpose(Image.FLIP_LEFT_RIGHT)"));
}

TEST(PillowCrossCheck, OneBitPackingAndMirror) {
  PICTEST_REQUIRE_TOOLS("Pillow");
  const uint32_t w = 37, h = 5, packedStride = (w + 7) / 8;
  std::vector<uint8_t> bits = RandomBytes(w * h, 9);
  for (auto& b : bits) b &= 1;
  const std::string open =
      "Image.frombytes('L', (37, 5), data).point(lambda v: 255 if v else 0).convert('1')";

  std::vector<uint8_t> packed(packedStride * h);
  ASSERT_TRUE(pic_Pack8BitBuffer(bits.data(), w, h, w, packed.data(), 1, 1, packedStride));
  EXPECT_EQ(packed, Pillow(bits, open, "im"));

  ASSERT_TRUE(pic_FlipHorizontal1Bit(packed.data(), w, h, packedStride));
  EXPECT_EQ(packed, Pillow(bits, open, "im.transpose(Image.FLIP_LEFT_RIGHT)"));

  std::vector<uint8_t> back(40 * h);
  ASSERT_TRUE(pic_UnpackBufferTo8Bit(Pillow(bits, open, "im").data(), 40, h, 1, back.data()));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) ASSERT_EQ(back[y * 40 + x], bits[y * w + x]) << x << "," << y;
}
