// The generic reader over the PCX, TGA, PNM and WBMP codecs: every file
// reads at every selector, as the codec's own picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "codecs/codec_entry_support.h"
#include "codecs/pcx/pictura_pcx.h"
#include "codecs/pnm/pictura_pnm.h"
#include "codecs/tga/pictura_tga.h"
#include "codecs/wbmp/pictura_wbmp.h"
#include "core/pictura_core.h"
#include "reader/pictura_read.h"

using namespace pictest;
namespace fs = std::filesystem;

namespace {

constexpr DWORD kW = 11, kH = 3;

struct Format {
  const char* name;  // the file's name: WBMP and footer-less TGA files are known by it
  std::function<DWORD(HPICDEST, const Bytes&)> write;  // from 8-bit values 0 or 255
  bool oneBit;                                         // the file holds bits: selector 3 gives them exactly
  DWORD dibBits;                                       // what the DIB selector gives
};

// Ours: a grey picture of black and white pixels only, so that every
// format (and the grey threshold of selector 3) shows it exactly.
Bytes Picture() {
  Bytes v(kW * kH);
  for (DWORD i = 0; i < v.size(); ++i) v[i] = (i * 7 % 5) < 2 ? 255 : 0;
  return v;
}

Bytes Packed(const Bytes& grey) {
  Bytes bits((kW + 7) / 8 * kH);
  for (DWORD y = 0; y < kH; ++y)
    for (DWORD x = 0; x < kW; ++x)
      if (grey[y * kW + x]) bits[y * ((kW + 7) / 8) + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return bits;
}

}  // namespace

TEST(GenericReaderFormats, EverySelectorOfEveryFormat) {
  const fs::path dir = ScratchDir("generic_formats");
  const Bytes grey = Picture(), bits = Packed(grey);
  Bytes rgb;
  for (uint8_t v : grey) rgb.insert(rgb.end(), {v, v, v});
  Bytes inverted = bits;  // PBM: a set bit is black
  for (DWORD y = 0; y < kH; ++y)
    for (DWORD i = 0; i < (kW + 7) / 8; ++i)
      inverted[y * 2 + i] = static_cast<uint8_t>(~inverted[y * 2 + i] & (i ? 0xE0 : 0xFF));
  RGBQUAD ramp[256], mono[256] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  for (int i = 0; i < 256; ++i) ramp[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};

  const Format formats[] = {
      {"a.pcx",
       [&](HPICDEST d, const Bytes&) {
         return pic_WritePCX(d, rgb.data(), kW, kH, 24, kW * 3, nullptr, nullptr, 0);
       },
       false, 24},
      {"b.pcx",
       [&](HPICDEST d, const Bytes& g) { return pic_WritePCX(d, g.data(), kW, kH, 8, kW, ramp, nullptr, 0); },
       false, 8},
      {"c.pcx",
       [&](HPICDEST d, const Bytes&) { return pic_WritePCX(d, bits.data(), kW, kH, 1, 2, mono, nullptr, 0); },
       true, 1},
      {"footer.bin",
       [&](HPICDEST d, const Bytes&) {
         return pic_WriteTGA(d, rgb.data(), kW, kH, 24, kW * 3, nullptr, 0, 0);
       },
       false, 24},
      {"d.tga",
       [&](HPICDEST d, const Bytes& g) { return pic_WriteTGA(d, g.data(), kW, kH, 8, kW, ramp, 0, 0); },
       false, 8},
      {"e.pbm",
       [&](HPICDEST d, const Bytes&) { return pic_WritePNM(d, inverted.data(), kW, kH, 1, 2, 0, 0); }, true,
       1},
      {"f.pgm", [&](HPICDEST d, const Bytes& g) { return pic_WritePNM(d, g.data(), kW, kH, 8, kW, 0, 0); },
       false, 8},
      {"g.ppm",
       [&](HPICDEST d, const Bytes&) { return pic_WritePNM(d, rgb.data(), kW, kH, 24, kW * 3, 0, 0); }, false,
       24},
      {"h.wbmp", [&](HPICDEST d, const Bytes& g) { return pic_WriteWBMP(d, g.data(), kW, kH, kW, 0); }, true,
       1},
  };
  for (const Format& f : formats) {
    const fs::path path = dir / f.name;
    HPICDEST dest = pic_OpenFileDest(path.string().c_str(), FALSE);
    ASSERT_NE(f.write(dest, grey), 0u) << f.name;
    pic_CloseDest(dest);
    HPICSRC src = pic_OpenFileSource(path.string().c_str());
    ASSERT_NE(src, nullptr);
    for (DWORD selector : {0u, 1u, 2u, 3u}) {
      DWORD w = 0, h = 0;
      const Bytes got = TakeBlock(pic_ReadImage(src, &w, &h, selector, 0));
      ASSERT_EQ(PicGetLastError(), 0u) << f.name << " selector " << selector;
      EXPECT_EQ(w, kW);
      EXPECT_EQ(h, kH);
      if (selector == 0) {
        EXPECT_EQ(Bytes(got.begin(), got.begin() + rgb.size()), rgb) << f.name;
      }
      if (selector == 1)
        for (size_t i = 0; i < grey.size(); ++i) {
          ASSERT_EQ(got[4 * i], grey[i]) << f.name;
          ASSERT_EQ(got[4 * i + 3], 255) << f.name;
        }
      if (selector == 2) {
        BITMAPINFOHEADER header;
        std::memcpy(&header, got.data(), sizeof header);
        EXPECT_EQ(header.biBitCount, f.dibBits) << f.name;
      }
      if (selector == 3) {
        EXPECT_EQ(Bytes(got.begin(), got.begin() + bits.size()), bits) << f.name;
      }
    }
    pic_CloseSource(src);
  }
  fs::remove_all(dir);
}
