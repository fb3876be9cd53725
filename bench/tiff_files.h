#pragma once
// The 12-megapixel TIFF files the TIFF benchmarks read (uncompressed, LZW,
// Deflate, JPEG-in-TIFF, Deflate tiles), written by libtiff from memory, and
// libtiff's memory procedures (bench/tiff_bench, and the peer-bench library
// for tools/bench-tiff-peers.py).
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace tiff_files {

constexpr uint32_t kWidth = 4000, kHeight = 3000;  // 12 megapixels

inline std::vector<uint8_t> Picture() {
  std::vector<uint8_t> img(size_t{kWidth} * kHeight * 3);
  std::mt19937 rng(7);
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) {
      uint8_t* p = &img[(size_t{y} * kWidth + x) * 3];
      const int grain = static_cast<int>(rng() % 9) - 4;
      const bool disc = (x / 500 + y / 500) % 3 == 0;
      p[0] = static_cast<uint8_t>(std::clamp(int(x * 200 / kWidth) + (disc ? 40 : 0) + grain, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(int(y * 220 / kHeight) + grain, 0, 255));
      p[2] = static_cast<uint8_t>(
          std::clamp(int((x + y) * 255 / (kWidth + kHeight)) - (disc ? 60 : 0) + grain, 0, 255));
    }
  return img;
}

// A TIFF in memory, read and written by libtiff through these procedures.
struct Memory {
  std::vector<uint8_t> bytes;
  uint64_t pos = 0;
};
inline tmsize_t MemRead(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<Memory*>(h);
  const uint64_t left = m->pos < m->bytes.size() ? m->bytes.size() - m->pos : 0;
  const uint64_t k = std::min<uint64_t>(left, static_cast<uint64_t>(n));
  std::memcpy(buf, m->bytes.data() + m->pos, k);
  m->pos += k;
  return static_cast<tmsize_t>(k);
}
inline tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<Memory*>(h);
  if (m->bytes.size() < m->pos + n) m->bytes.resize(m->pos + n);
  std::memcpy(m->bytes.data() + m->pos, buf, n);
  m->pos += n;
  return n;
}
inline toff_t MemSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<Memory*>(h);
  m->pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? m->pos + off : m->bytes.size() + off;
  return m->pos;
}
inline int MemClose(thandle_t) {
  return 0;
}
inline toff_t MemSize(thandle_t h) {
  return static_cast<Memory*>(h)->bytes.size();
}
inline int MemMap(thandle_t, void**, toff_t*) {
  return 0;
}
inline void MemUnmap(thandle_t, void*, toff_t) {}

inline TIFF* OpenMemory(Memory* m, const char* mode) {
  m->pos = 0;
  return TIFFClientOpen("bench", mode, m, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

enum Kind { kNone, kLZW, kDeflate, kJPEG, kTiled, kKinds };

inline std::vector<uint8_t> Make(const std::vector<uint8_t>& img, Kind kind) {
  Memory m;
  TIFF* tif = OpenMemory(&m, "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  const uint16_t compression[kKinds] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE,
                                        COMPRESSION_JPEG, COMPRESSION_ADOBE_DEFLATE};
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression[kind]);
  if (kind == kLZW || kind == kDeflate || kind == kTiled)
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (kind == kJPEG) {
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
  }
  std::vector<uint8_t> copy(size_t{kWidth} * 3 * 256);
  if (kind == kTiled) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 256);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 256);
    std::vector<uint8_t> tile(256 * 256 * 3);
    for (uint32_t y = 0; y < kHeight; y += 256)
      for (uint32_t x = 0; x < kWidth; x += 256) {
        std::fill(tile.begin(), tile.end(), 0);
        for (uint32_t r = 0; r < 256 && y + r < kHeight; ++r)
          std::memcpy(&tile[r * 256 * 3], &img[(size_t{y + r} * kWidth + x) * 3],
                      std::min(256u, kWidth - x) * 3);
        TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
      }
  } else {
    const uint32_t rows = kind == kJPEG ? 16 : kind == kNone ? 8 : 16;
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
    std::vector<uint8_t> row(size_t{kWidth} * 3);
    for (uint32_t y = 0; y < kHeight; ++y) {
      std::memcpy(row.data(), &img[size_t{y} * kWidth * 3], row.size());
      TIFFWriteScanline(tif, row.data(), y, 0);
    }
  }
  TIFFClose(tif);
  return m.bytes;
}

// libtiff's own RGBA path into a raster of kWidth x kHeight words.
inline bool ReadRGBA(Memory& m, uint32_t* raster) {
  TIFF* tif = OpenMemory(&m, "r");
  if (!tif) return false;
  const bool ok = TIFFReadRGBAImageOriented(tif, kWidth, kHeight, raster, ORIENTATION_TOPLEFT, 0) != 0;
  TIFFClose(tif);
  return ok;
}

// Strips or tiles of RGB bytes straight into an image of kWidth x kHeight
// (not for JPEG, whose strips come as YCbCr); tile: 256 x 256 x 3 bytes.
inline bool ReadStrips(Memory& m, uint8_t* image, uint8_t* tile) {
  const size_t imageBytes = size_t{kWidth} * kHeight * 3;
  TIFF* tif = OpenMemory(&m, "r");
  if (!tif) return false;
  bool ok = true;
  if (TIFFIsTiled(tif)) {
    for (uint32_t y = 0; y < kHeight; y += 256)
      for (uint32_t x = 0; x < kWidth; x += 256) {
        ok = TIFFReadTile(tif, tile, x, y, 0, 0) > 0 && ok;
        for (uint32_t r = 0; r < 256 && y + r < kHeight; ++r)
          std::memcpy(&image[(size_t{y + r} * kWidth + x) * 3], &tile[r * 256 * 3],
                      std::min(256u, kWidth - x) * 3);
      }
  } else {
    const tmsize_t stripBytes = TIFFStripSize(tif);
    for (uint32_t s = 0, n = TIFFNumberOfStrips(tif); s < n; ++s)
      ok = TIFFReadEncodedStrip(tif, s, image + s * stripBytes,
                                std::min<tmsize_t>(stripBytes, imageBytes - s * stripBytes)) >= 0 &&
           ok;
  }
  TIFFClose(tif);
  return ok;
}

}  // namespace tiff_files
