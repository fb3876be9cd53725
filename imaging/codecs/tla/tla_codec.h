#pragma once
// The TLA container: a signature ("TLAU", or "TLA" 0x01 with a password),
// typed records (7-byte header: salt, u16 type, u32 length, little-endian)
// and the pixels in bands of rows, filtered (sub, up, predictor), deflated
// and, with a password, enciphered (tla_cipher.h).
//
// TLAReader and TLAWriter are the format layer over a source or
// destination; they return format codes (kTla...), which TLAErrorCode maps
// to library codes. The line reader and writer and the whole-image cores
// are the drivers behind the pic_ entries.

#include <cstdint>
#include <memory>
#include <vector>

#include <zlib.h>

#include "codecs/tla/tla_cipher.h"
#include "core/generic_codec.h"
#include "core/io_managers.h"
#include "core/wintypes.h"

namespace Pictura {

// Deflate packs at most about 1032 bytes into one: a band may not claim more
// than this many bytes a stored byte.
constexpr uint64_t kTlaMaxInflateRatio = 1100;

enum TlaCode : uint32_t {
  kTlaOk = 0,
  kTlaBadParameter = 1,
  kTlaOpen = 2,
  kTlaBadFile = 3,
  kTlaRead = 4,
  kTlaWrite = 5,
  kTlaNoImageData = 6,
  kTlaNoCipher = 7,
  kTlaInflate = 8,
  kTlaDeflate = 9,
  kTlaState = 10,
  kTlaVersion = 11,
  kTlaRowCount = 13,
  kTlaNoMemory = 14,
  kTlaBadBand = 15,  // a band that does not inflate to exactly its rows
};
uint32_t TLAErrorCode(uint32_t tlaCode);

enum TlaRecord : uint16_t {
  kTlaVersionRecord = 100,
  kTlaDimensions = 101,
  kTlaTagCount = 102,
  kTlaImageStart = 103,
  kTlaPalette = 104,
  kTlaTag = 105,
  kTlaBand = 106,
};

enum TlaFlags : uint32_t {
  kTlaPackedDIB = 2,  // reader: a PicPackedDIB
  kTlaBottomUp = 4,   // writer: rows bottom row first
  kTlaBGR = 8,        // writer: pixels B, G, R(, A)
};

enum TlaFilter : uint32_t { kTlaSub = 1, kTlaUp = 2, kTlaPredictor = 4 };

// The password record: a key when a password was given.
struct TlaKey {
  bool set = false;
  uint8_t key[32] = {};
  void Set(const char* password);
  ~TlaKey();
};

class TLAReader {
 public:
  explicit TLAReader(CPicIO& io) : io_(io) {}
  ~TLAReader();
  TLAReader(const TLAReader&) = delete;
  TLAReader& operator=(const TLAReader&) = delete;

  // Signature, password, version, dimensions, palette and tags.
  uint32_t ReadHeader(const char* password);
  // outputBytes 1 to 4 a pixel; then record 103 and the inflate stream.
  uint32_t OpenImageData(uint32_t outputBytes, bool bgr);
  uint32_t ReadNextRow(uint8_t* row);

  uint32_t width = 0, height = 0, channels = 0, paletteCount = 0;
  RGBQUAD palette[256] = {};
  std::vector<std::vector<uint8_t>> tags;

 private:
  uint32_t ReadRecord(uint16_t* type, uint32_t* length);
  uint32_t ReadPayload(uint8_t* out, uint32_t length);
  uint32_t SkipPayload(uint32_t length);
  uint32_t ReadBand();
  void ConvertRow(const uint8_t* in, uint8_t* out) const;

  CPicIO& io_;
  TlaKey key_;
  std::unique_ptr<StreamCipher> data_;  // the image data's cipher
  z_stream z_{};
  bool inflating_ = false;
  uint32_t output_ = 0;
  bool bgr_ = false;
  std::vector<uint8_t> packed_, band_;
  uint32_t bandRows_ = 0, rowsLeft_ = 0, rowsDone_ = 0;
};

class TLAWriter {
 public:
  explicit TLAWriter(CPicIO& io) : io_(io) {}
  ~TLAWriter();
  TLAWriter(const TLAWriter&) = delete;
  TLAWriter& operator=(const TLAWriter&) = delete;

  // Everything up to the image data; palette: paletteCount RGBQUADs.
  uint32_t Begin(const char* password, uint32_t width, uint32_t height, uint32_t channels,
                 uint32_t paletteCount, const RGBQUAD* palette, uint32_t rowsPerBand, uint32_t filters,
                 const uint8_t* const* tagData, const uint32_t* tagLengths, uint32_t tagCount);
  uint32_t AddRow(const uint8_t* row);
  uint32_t Finish();

 private:
  uint32_t WriteRecord(uint16_t type, const uint8_t* payload, uint32_t length);
  uint32_t Flush();

  CPicIO& io_;
  TlaKey key_;
  std::unique_ptr<StreamCipher> data_;
  z_stream z_{};
  bool deflating_ = false;
  uint32_t width_ = 0, height_ = 0, channels_ = 0, rowsPerBand_ = 20, filters_ = 0;
  std::vector<uint8_t> band_, packed_;
  uint32_t bandRows_ = 0, rowsAdded_ = 0, rowsWritten_ = 0;
};

class TLALineReader {
 public:
  // outputBytes 1 to 4; palette (256 entries, may be null) and its count
  // filled for 1-byte output. headerOnly: no image data opened.
  static TLALineReader* Open(uint32_t* err, CPicIO& io, const char* password, uint32_t* width,
                             uint32_t* height, uint32_t outputBytes, RGBQUAD* palette, uint32_t* paletteCount,
                             bool headerOnly, bool bgr);
  bool ReadNextLine(uint32_t* err, uint8_t* row, uint32_t* rowIndex);
  uint32_t Channels() const { return reader_.channels; }

 private:
  explicit TLALineReader(CPicIO& io) : reader_(io) {}
  TLAReader reader_;
  uint32_t rowsRead_ = 0;
};

class TLALineWriter {
 public:
  static TLALineWriter* Open(uint32_t* err, CPicIO& io, const char* password, uint32_t width, uint32_t height,
                             uint32_t channels, uint32_t rowsPerBand, uint32_t filters, uint32_t paletteCount,
                             const RGBQUAD* palette, const uint8_t* const* tagData,
                             const uint32_t* tagLengths, uint32_t tagCount, uint32_t flags);
  bool WriteNextLine(uint32_t* err, const uint8_t* row);
  bool Close(uint32_t* err);

 private:
  explicit TLALineWriter(CPicIO& io) : writer_(io) {}
  TLAWriter writer_;
  uint32_t channels_ = 0, width_ = 0;
  bool bgr_ = false;
  std::vector<uint8_t> scratch_;
};

// Dimensions, bits a pixel (channels x 8), palette (may be null) and count.
int ReadTLADims(uint32_t* err, CPicIO& io, const char* password, uint32_t* width, uint32_t* height,
                uint32_t* bitDepth, RGBQUAD* palette, uint32_t* paletteCount);
// bytesPerPixel 1 (palette filled), 2, 3 or 4.
HGLOBAL ReadTLAImage(uint32_t* err, CPicIO& io, const char* password, uint32_t* width, uint32_t* height,
                     uint32_t bytesPerPixel, RGBQUAD* palette, uint32_t flags);
HGLOBAL ReadTLAToDIB(uint32_t* err, CPicIO& io, const char* password, uint32_t* width, uint32_t* height);
uint32_t WriteTLAImage(uint32_t* err, CPicIO& io, const uint8_t* image, uint32_t width, uint32_t height,
                       uint32_t stride, const char* password, uint32_t channels, uint32_t rowsPerBand,
                       uint32_t filters, uint32_t paletteCount, const RGBQUAD* palette,
                       const uint8_t* const* tagData, const uint32_t* tagLengths, uint32_t tagCount,
                       uint32_t flags);

extern const PicGenericCodec kTlaGenericCodec;

}  // namespace Pictura
