// The median filter against OpenCV's medianBlur (edges replicated, as here),
// natively only: every odd size it takes for bytes, one to four channels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "pixelops/median.h"

namespace {

std::vector<uint8_t> OpenCVMedian(const std::vector<uint8_t>& in, uint32_t w, uint32_t h, uint32_t ch,
                                  int k) {
  const std::string input = "median_in.bin", output = "median_out.bin", script = "median_check.py";
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(in.data()), std::streamsize(in.size()));
  std::ofstream(script) << "import cv2, numpy as np\n"
                        << "a = np.fromfile('" << input << "', np.uint8).reshape(" << h << ", " << w << ", "
                        << ch << ")\n"
                        << "cv2.medianBlur(a, " << k << ").tofile('" << output << "')\n";
  if (std::system(("/usr/bin/python3 " + script).c_str()) != 0) return {};
  std::ifstream out(output, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(MedianCrosscheck, MatchesOpenCV) {
  if (std::system("/usr/bin/python3 -c 'import cv2' 2>/dev/null") != 0) {
    // The machines that must run every cross-check fail instead.
    if (std::getenv("WAYLUNE_REQUIRE_TOOLS")) GTEST_FAIL() << "missing: python3-opencv";
    GTEST_SKIP() << "missing: python3-opencv";
  }
  struct Row {
    uint32_t w, h, ch;
    int k;
  };
  const Row rows[] = {{37, 23, 1, 3}, {29, 31, 3, 5}, {40, 41, 4, 7}, {5, 4, 1, 9}, {64, 60, 3, 15}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.k);
    std::vector<uint8_t> bytes(size_t{row.w} * row.h * row.ch);
    std::mt19937 rng(row.k);
    // Few distinct values in places, so duplicates are common.
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i % 7 == 0 ? rng() % 4 : rng());
    const std::vector<uint8_t> want = OpenCVMedian(bytes, row.w, row.h, row.ch, row.k);
    ASSERT_EQ(want.size(), bytes.size());
    std::vector<double> src(bytes.begin(), bytes.end()), dst(src.size(), -1.0);
    Pictura::CPicMedianFilter filter;
    ASSERT_TRUE(filter.MedianFilterCore(src.data(), row.w, row.h, row.ch, row.w * row.ch, dst.data(),
                                        row.w * row.ch, row.k, 0xFFFFFFFF));
    for (size_t i = 0; i < dst.size(); ++i) ASSERT_EQ(dst[i], double(want[i])) << "sample " << i;
  }
}
