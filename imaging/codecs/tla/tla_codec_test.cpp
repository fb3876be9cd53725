#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <new>
#include <string>

#include "codecs/codec_entry_support.h"
#include "codecs/tla/pictura_tla.h"
#include "codecs/tla/tla_cipher.h"
#include "core/pictura_core.h"
#include "core/pictura_formats.h"
#include "reader/pictura_read.h"

using namespace pictest;
using namespace Pictura;

namespace {

struct Read {
  Bytes pixels;
  uint32_t code = 0;
};

Read ReadTla(const Bytes& file, DWORD bytes, const char* password = nullptr, RGBQUAD* palette = nullptr,
             DWORD flags = 0) {
  Source src(file);
  DWORD w = 0, h = 0;
  Read r{TakeBlock(pic_ReadTLA(src, &w, &h, password, bytes, palette, flags))};
  r.code = PicGetLastError();
  return r;
}

Bytes WriteTla(const Bytes& img, DWORD w, DWORD h, DWORD channels, const char* password,
               DWORD rowsPerBand = 0, DWORD filters = 0, DWORD flags = 0, const RGBQUAD* palette = nullptr,
               DWORD paletteCount = 0) {
  Dest dest;
  EXPECT_NE(pic_WriteTLA(dest, img.data(), w, h, w * channels, password, channels, rowsPerBand, filters,
                         paletteCount, palette, nullptr, nullptr, 0, flags),
            0u);
  return dest.Contents();
}

// A plain file made by hand: records with salt 0.
void Record(Bytes& f, uint16_t type, const Bytes& payload) {
  const uint32_t n = static_cast<uint32_t>(payload.size());
  f.insert(f.end(), {0, uint8_t(type), uint8_t(type >> 8), uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16),
                     uint8_t(n >> 24)});
  f.insert(f.end(), payload.begin(), payload.end());
}
Bytes LE(std::initializer_list<uint16_t> words) {
  Bytes b;
  for (uint16_t v : words) b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8));
  return b;
}
Bytes Deflated(const Bytes& raw) {
  uLongf n = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(n);
  compress2(out.data(), &n, raw.data(), static_cast<uLong>(raw.size()), 9);
  out.resize(n);
  return out;
}
// A 1-channel file: header records, then one band of the given bytes.
Bytes HandMade(uint16_t w, uint16_t h, uint16_t channels, uint16_t paletteCount, const Bytes& palette,
               const Bytes& band, uint16_t bandRows, uint16_t version = 1) {
  Bytes f = {'T', 'L', 'A', 'U'};
  Record(f, 100, LE({version}));
  Record(f, 101, LE({w, h, channels, paletteCount}));
  Record(f, 104, palette);
  Record(f, 102, LE({1}));
  Record(f, 105, {'t', 'a', 'g'});
  Record(f, 103, {0});
  const Bytes packed = Deflated(band);
  const uint32_t n = static_cast<uint32_t>(packed.size());
  Record(f, 106,
         Bytes{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24), uint8_t(bandRows),
               uint8_t(bandRows >> 8), 0, 0});
  f.insert(f.end(), packed.begin(), packed.end());
  return f;
}

}  // namespace

// The cipher: a buffer enciphered and deciphered from the same key comes
// back for every length; a state is wiped when it ends; the digest of
// nothing is the finalisation alone.
TEST(TlaCipher, RoundTripsAndKeys) {
  uint8_t key[32];
  for (int i = 0; i < 32; ++i) key[i] = uint8_t(i * 7);
  for (size_t n : {size_t{0}, size_t{1}, size_t{5000}}) {
    Bytes plain = Noise(n, 3), data = plain;
    StreamCipher a, b;
    a.CipherSetKey(key, 32);
    b.CipherSetKey(key, 32);
    a.Encrypt(data.data(), n);
    b.Decrypt(data.data(), n);
    EXPECT_EQ(data, plain) << n;
  }
  alignas(StreamCipher) uint8_t storage[sizeof(StreamCipher)];
  (new (storage) StreamCipher)->CipherSetKey(key, 32);
  reinterpret_cast<StreamCipher*>(storage)->~StreamCipher();
  EXPECT_EQ(Bytes(storage, storage + sizeof storage), Bytes(sizeof storage, 0));  // nothing of the key stays
  uint8_t empty[32], finalOnly[32];
  TLAPasswordKey("", empty);
  StreamCipher h;
  h.CipherHashInit(32);
  h.CipherHashFinal(finalOnly, 32);
  EXPECT_EQ(0, std::memcmp(empty, finalOnly, 32));
}

// Every channel count, band size and filter set, with and without a
// password, comes back exactly; palettes and row orders too.
TEST(TlaRoundTrip, EveryLayout) {
  RGBQUAD palette[256];
  for (int i = 0; i < 256; ++i)
    palette[i] = RGBQUAD{uint8_t(i), uint8_t(i * 3), uint8_t(255 - i), uint8_t(i / 2)};
  const DWORD w = 13, h = 45;
  for (DWORD channels = 1; channels <= 4; ++channels)
    for (const char* password : {(const char*)nullptr, "secret"})
      for (DWORD filters = 0; filters < 8; ++filters)
        for (DWORD rowsPerBand : {0u, 1u, 7u}) {
          Bytes img = Noise(size_t{w} * h * channels, channels * 100 + filters);
          for (size_t i = 0; i < img.size() / 2; ++i) img[i] = uint8_t(i / 9);  // smooth half
          const Bytes file = WriteTla(img, w, h, channels, password, rowsPerBand, filters, 0, palette,
                                      channels == 1 ? 256 : 0);
          RGBQUAD back[256];
          const DWORD bytes = channels == 2 ? 2 : channels;
          const Read r = ReadTla(file, bytes, password, back);
          EXPECT_EQ(r.code, 0u);
          EXPECT_EQ(r.pixels, img) << channels << " " << (password ? 1 : 0) << " " << filters << " "
                                   << rowsPerBand;
          EXPECT_TRUE(channels != 1 || std::memcmp(back, palette, sizeof back) == 0);
        }
  // B, G, R(, A) rows given bottom row first.
  for (DWORD channels : {3u, 4u}) {
    const Bytes img = Noise(size_t{w} * 2 * channels, 9);
    Bytes want(img.size());
    for (DWORD y = 0; y < 2; ++y)
      for (DWORD x = 0; x < w; ++x)
        for (DWORD c = 0; c < channels; ++c)
          want[(y * w + x) * channels + c] = img[((1 - y) * w + x) * channels + (c < 3 ? 2 - c : c)];
    EXPECT_EQ(ReadTla(WriteTla(img, w, 2, channels, nullptr, 0, 0, 4 | 8), channels).pixels, want);
  }
}

// Signatures, passwords, bands of 20, 20 and 5 rows or of one, the row count at the
// end and the conversions between pixel sizes.
TEST(TlaFile, SignaturesPasswordsBandsAndConversions) {
  const Bytes img = Noise(4 * 45 * 3, 1);
  const Bytes plain = WriteTla(img, 4, 45, 3, nullptr, 20), locked = WriteTla(img, 4, 45, 3, "pw");
  EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 4), Bytes({'T', 'L', 'A', 'U'}));
  EXPECT_EQ(Bytes(locked.begin(), locked.begin() + 4), Bytes({'T', 'L', 'A', 1}));
  EXPECT_EQ(ReadTla(plain, 3, "any").pixels, img);
  EXPECT_EQ(ReadTla(locked, 3, "wrong").code, 52u);
  EXPECT_EQ(ReadTla(locked, 3, nullptr).code, 52u);
  // A plain file's band records, walked from the first 106: 20 rows a band
  // as asked, one row a band for 0.
  auto bandsOf = [](const Bytes& file) {
    std::vector<int> bands;
    for (size_t at = 4; at + 7 <= file.size();) {
      const uint32_t type = file[at + 1] | file[at + 2] << 8, len = file[at + 3] | file[at + 4] << 8;
      at += 7;
      if (type == 106) {
        bands.push_back(file[at + 4]);
        at += 8 + (file[at] | file[at + 1] << 8 | file[at + 2] << 16);
      } else {
        at += len;
      }
    }
    return bands;
  };
  EXPECT_EQ(bandsOf(plain), std::vector<int>({20, 20, 5}));
  const Bytes rowBands = WriteTla(img, 4, 45, 3, nullptr, 0);
  EXPECT_EQ(bandsOf(rowBands), std::vector<int>(45, 1));
  EXPECT_EQ(ReadTla(rowBands, 3, nullptr).pixels, img);

  Dest dest;
  HPICTLAWRITELINES lines = pic_InitWriteTLALines(dest, 4, 3, 3, nullptr, 0, 0, 0, nullptr, 0);
  ASSERT_NE(lines, nullptr);
  EXPECT_TRUE(pic_WriteNextTLALine(lines, img.data()));
  EXPECT_FALSE(pic_DestroyWriteTLALines(lines));
  EXPECT_EQ(PicGetLastError(), 24u);
  lines = pic_InitWriteTLALines(dest, 4, 1, 3, nullptr, 0, 0, 0, nullptr, 0);
  EXPECT_TRUE(pic_WriteNextTLALine(lines, img.data()));
  EXPECT_TRUE(pic_WriteNextTLALine(lines, img.data()));  // past the height: ignored
  EXPECT_TRUE(pic_DestroyWriteTLALines(lines));

  const Bytes px = {0xF8, 0x10, 0x08, 0x80, 0x40, 0x20, 200};  // R, G, B 3-channel; 4-channel adds alpha
  const uint16_t v = 0x7C00 | 0x40 | 0x01 | 0x8000;            // 31, 2, 1 with the alpha bit
  struct Row {
    Bytes image;
    DWORD channels, bytes;
    Bytes want;
  } rows[] = {
      {{0xF8, 0x10, 0x08}, 3, 2, {uint8_t(v), uint8_t(v >> 8)}},
      {{0xF8, 0x10, 0x08}, 3, 4, {0xF8, 0x10, 0x08, 0xFF}},
      {{0xF8, 0x10, 0x08, 100}, 4, 2, {uint8_t(v & 0x7FFF), uint8_t((v & 0x7FFF) >> 8)}},
      {{0xF8, 0x10, 0x08, 100}, 4, 3, {0xF8, 0x10, 0x08}},
      {{uint8_t(v), uint8_t(v >> 8)}, 2, 4, {0xF8, 0x10, 0x08, 0xFF}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ReadTla(WriteTla(row.image, 1, 1, row.channels, nullptr), row.bytes).pixels, row.want)
        << row.channels << " to " << row.bytes;
}

// Files made by hand: palettes past 256 entries capped, bands that do not
// inflate to their rows, bad versions and channel counts refused; the tags
// reach the thread's list; the generic reader shows the picture.
TEST(TlaFile, HandMadeAndHostile) {
  Bytes table(300 * 4);
  for (size_t i = 0; i < table.size(); ++i) table[i] = uint8_t(i);
  const Bytes indices = {0, 1, 255, 3, 4, 5};
  RGBQUAD palette[256];
  const Read capped = ReadTla(HandMade(3, 2, 1, 300, table, indices, 2), 1, nullptr, palette);
  EXPECT_EQ(capped.code, 0u);
  EXPECT_EQ(capped.pixels, indices);
  EXPECT_EQ(palette[255].rgbReserved, 1023 & 255);
  ASSERT_EQ(pic_GetTLAInputTagCount(), 1u);
  HGLOBAL tag = nullptr;
  DWORD size = 0;
  ASSERT_TRUE(pic_GetTLAInputTag(0, &tag, &size));
  EXPECT_EQ(TakeBlock(tag), Bytes({'t', 'a', 'g'}));

  Bytes truncated = HandMade(3, 2, 1, 0, {}, indices, 2);
  truncated.erase(truncated.end() - 3, truncated.end());
  struct Row {
    const char* name;
    Bytes file;
    uint32_t code;
  } rows[] = {
      {"band one byte short", HandMade(3, 2, 1, 0, {}, Bytes(5, 1), 2), 51},
      {"band one byte long", HandMade(3, 2, 1, 0, {}, Bytes(7, 1), 2), 51},
      {"band rows past the height", HandMade(3, 2, 1, 0, {}, Bytes(9, 1), 3), 52},
      {"empty band", HandMade(3, 2, 1, 0, {}, {}, 0), 48},
      {"palette shorter than its count", HandMade(3, 2, 1, 4, Bytes(12, 0), indices, 2), 52},
      {"version 2", HandMade(3, 2, 1, 0, {}, indices, 2, 2), 52},
      {"five channels", HandMade(3, 2, 5, 0, {}, Bytes(30, 0), 2), 52},
      {"no width", HandMade(0, 2, 1, 0, {}, {}, 2), 52},
      {"cut short", truncated, 3},
      {"not a TLA file", Bytes(40, 'T'), 52},
      {"17696 x 17997 in a few bytes", HandMade(17696, 17997, 1, 0, {}, Bytes(6, 1), 2), 52},
  };
  for (const Row& row : rows) EXPECT_EQ(ReadTla(row.file, 1, nullptr, palette).code, row.code) << row.name;

  const Bytes rgb = Noise(5 * 4 * 3, 2);
  Source src(WriteTla(rgb, 5, 4, 3, nullptr));
  DWORD w = 0, h = 0;
  EXPECT_EQ(TakeBlock(pic_ReadImage(src, &w, &h, 0, 0)), rgb);
}
