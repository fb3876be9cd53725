// The generic reader over the PCX, TGA, PNM and WBMP codecs: a black and
// white picture in each format reads at every selector as that picture.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/codec_entry_support.h"
#include "codecs/pcx/pictura_pcx.h"
#include "codecs/pnm/pictura_pnm.h"
#include "codecs/tga/pictura_tga.h"
#include "codecs/wbmp/pictura_wbmp.h"
#include "core/pictura_core.h"
#include "reader/pictura_read.h"

using namespace pictest;

TEST(GenericReaderFormats, EverySelectorOfEveryFormat) {
  const DWORD w = 11, h = 3;
  Bytes grey(w * h), rgb, bits(2 * h), pbm(2 * h, 0);  // pbm: a set bit is black
  for (DWORD i = 0; i < w * h; ++i) {
    grey[i] = (i * 7 % 5) < 2 ? 255 : 0;
    rgb.insert(rgb.end(), {grey[i], grey[i], grey[i]});
    bits[i / w * 2 + i % w / 8] |= static_cast<uint8_t>(grey[i] ? 0x80 >> (i % w % 8) : 0);
    pbm[i / w * 2 + i % w / 8] |= static_cast<uint8_t>(grey[i] ? 0 : 0x80 >> (i % w % 8));
  }
  RGBQUAD ramp[256], mono[256] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  for (int i = 0; i < 256; ++i) ramp[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  const std::filesystem::path dir = ScratchDir("generic_formats");
  const char* const names[] = {"a.pcx", "b.pcx", "c.pcx", "footer.bin", "d.tga",
                               "e.pbm", "f.pgm", "g.ppm", "h.wbmp"};
  const DWORD dibBits[] = {24, 8, 1, 24, 8, 1, 8, 24, 1};
  for (int i = 0; i < 9; ++i) {  // WBMP and footer-less TGA files are known by their names
    const std::string path = (dir / names[i]).string();
    HPICDEST d = pic_OpenFileDest(path.c_str(), FALSE);
    const DWORD written = i == 0   ? pic_WritePCX(d, rgb.data(), w, h, 24, w * 3, nullptr, nullptr, 0)
                          : i == 1 ? pic_WritePCX(d, grey.data(), w, h, 8, w, ramp, nullptr, 0)
                          : i == 2 ? pic_WritePCX(d, bits.data(), w, h, 1, 2, mono, nullptr, 0)
                          : i == 3 ? pic_WriteTGA(d, rgb.data(), w, h, 24, w * 3, nullptr, 0, 0)
                          : i == 4 ? pic_WriteTGA(d, grey.data(), w, h, 8, w, ramp, 0, 0)
                          : i == 5 ? pic_WritePNM(d, pbm.data(), w, h, 1, 2, 0, 0)
                          : i == 6 ? pic_WritePNM(d, grey.data(), w, h, 8, w, 0, 0)
                          : i == 7 ? pic_WritePNM(d, rgb.data(), w, h, 24, w * 3, 0, 0)
                                   : pic_WriteWBMP(d, grey.data(), w, h, w, 0);
    pic_CloseDest(d);
    ASSERT_NE(written, 0u) << names[i];
    HPICSRC src = pic_OpenFileSource(path.c_str());
    for (DWORD selector : {0u, 1u, 2u, 3u}) {
      DWORD gw = 0, gh = 0;
      const Bytes got = TakeBlock(pic_ReadImage(src, &gw, &gh, selector, 0));
      ASSERT_EQ(PicGetLastError(), 0u) << names[i] << " selector " << selector;
      ASSERT_EQ(gw * gh, w * h);
      BITMAPINFOHEADER dib{};
      if (selector == 2) std::memcpy(&dib, got.data(), sizeof dib);
      for (DWORD p = 0; p < w * h; ++p) {
        const uint8_t bit = bits[p / w * 2 + p % w / 8] >> (7 - p % w % 8) & 1;
        EXPECT_TRUE(selector == 0   ? got[3 * p] == grey[p] && got[3 * p + 2] == grey[p]
                    : selector == 1 ? got[4 * p] == grey[p] && got[4 * p + 3] == 255
                    : selector == 3 ? (got[p / w * 2 + p % w / 8] >> (7 - p % w % 8) & 1) == bit
                                    : dib.biBitCount == dibBits[i] && dib.biWidth == LONG(w))
            << names[i] << " selector " << selector << " pixel " << p;
      }
    }
    pic_CloseSource(src);
  }
  std::filesystem::remove_all(dir);
}
