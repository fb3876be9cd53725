// Resizes of sizes, strides, channels, modes and pixels chosen by the
// fuzzer, in buffers exactly as large as their last pixel: every call must
// refuse or stay inside them, and the vector paths must give the scalar
// walks' bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_reader.h"
#include "pictura.h"
#include "resample/resample_simd.h"

namespace {

using Reader = FuzzReader;

// The smallest buffer that holds the image: rows stride apart, the last
// row only as long as its pixels.
size_t Extent(uint32_t width, uint32_t height, uint32_t channels, uint32_t stride) {
  if (!width || !height || !channels) return 1;
  return size_t{height - 1} * stride + size_t{width} * channels;
}

template <class T>
std::vector<T> Run(const std::vector<T>& src, uint32_t sw, uint32_t sh, uint32_t ss, uint32_t dw, uint32_t dh,
                   uint32_t ds, uint32_t ch, uint32_t mode, int level, BOOL* ok) {
  std::vector<T> dst(Extent(dw, dh, ch, ds), T(7));
  Pictura::SetResampleVectorCap(level);
  if constexpr (sizeof(T) == 8)
    *ok = pic_ResizeImageDouble(src.data(), sw, sh, ss, dst.data(), dw, dh, ds, ch, mode, 0x100000);
  else
    *ok = pic_ResizeImage(src.data(), sw, sh, ss, dst.data(), dw, dh, ds, ch, mode,
                          0x100000 | (sizeof(T) == 2));
  Pictura::SetResampleVectorCap(Pictura::kResampleTopLevel);
  return dst;
}

template <class T>
void Check(Reader& in, uint32_t mode) {
  const uint32_t ch = in.Take(6);
  const uint32_t sw = in.Take(40), sh = in.Take(40), dw = in.Take(90), dh = in.Take(90);
  // Mostly strides that hold a row; now and then one too short.
  const uint32_t ss = sw * ch + in.Take(5) - (in.Take(16) == 0);
  const uint32_t ds = dw * ch + in.Take(5) - (in.Take(16) == 0);
  std::vector<T> src(Extent(sw, sh, ch, ss));
  for (T& v : src) v = static_cast<T>(in.Take(0) % (sizeof(T) == 1 ? 256 : 65536));
  BOOL okRef = FALSE;
  const std::vector<T> ref = Run(src, sw, sh, ss, dw, dh, ds, ch, mode, 0, &okRef);
  for (int level = 1; level <= Pictura::kResampleTopLevel; ++level) {
    BOOL ok = FALSE;
    const std::vector<T> got = Run(src, sw, sh, ss, dw, dh, ds, ch, mode, level, &ok);
    if (ok != okRef || std::memcmp(ref.data(), got.data(), ref.size() * sizeof(T)) != 0) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  const uint32_t mode = in.Take(20);
  switch (in.Take(3)) {
    case 0:
      Check<uint8_t>(in, mode);
      break;
    case 1:
      Check<uint16_t>(in, mode);
      break;
    default:
      Check<double>(in, mode);
      break;
  }
  return 0;
}
