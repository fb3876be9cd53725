// GIF reader: the stream's block structure, the first image and every frame.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/gif/gif_codec.h"
#include "codecs/gif/gif_lzw_decoder.h"
#include "core/out_buffers.h"
#include "core/allocators.h"
#include "core/packed_dib.h"

namespace Pictura {

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
// 2^12 codes: the clear code must leave room for the table. A size of 0
// would make the clear code a pixel's.
constexpr uint32_t kMinMinCodeSize = 1;
constexpr uint32_t kMaxMinCodeSize = 11;

uint32_t Word(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8;
}

bool ReadByte(CPicIO& io, uint8_t* b) {
  return io.Read(b, 1) == 1;
}

// One data sub-block into buffer (256 bytes); its length, 0 for the
// terminator, -1 when the stream ends.
int ReadDataBlock(CPicIO& io, uint8_t* buffer) {
  uint8_t length = 0;
  if (!ReadByte(io, &length)) return -1;
  if (length && !io.ReadExact(buffer, length)) return -1;
  return length;
}

// Skips sub-blocks up to the terminator; false when the stream ends first.
bool SkipDataBlocks(CPicIO& io) {
  uint8_t buffer[256];
  for (;;) {
    const int n = ReadDataBlock(io, buffer);
    if (n < 0) return false;
    if (n == 0) return true;
  }
}

// The sub-blocks of the image data joined, with 8 zero bytes of slack for
// the decoder's word reads. A chain cut off by the end of the stream keeps
// what it had; false then.
bool ReadCodeData(CPicIO& io, std::vector<uint8_t>* data) {
  data->clear();
  bool whole = true;
  uint8_t length = 0;
  if (!ReadByte(io, &length)) whole = false;
  while (length) {
    const size_t at = data->size();
    // The block and the next block's length byte in one read.
    data->resize(at + length + 1);
    const uint32_t got = io.Read(data->data() + at, length + 1u);
    if (got < length + 1u) {
      data->resize(at + got);
      whole = false;
      break;
    }
    length = data->back();
    data->pop_back();
  }
  data->resize(data->size() + 8, 0);
  return whole;
}

// Rows of an image in the order the stream stores them.
template <class F>
void ForEachStoredRow(uint32_t height, bool interlaced, F&& f) {
  if (!interlaced) {
    for (uint32_t y = 0; y < height; ++y) f(y);
    return;
  }
  static const uint32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (uint32_t y = kStart[pass]; y < height; y += kStep[pass]) f(y);
}

}  // namespace

void GIFBuildPalette(RGBQUAD* palette, const uint8_t planes[3][256], int32_t transparent) {
  for (int i = 0; i < 256; ++i) {
    palette[i].rgbRed = planes[0][i];
    palette[i].rgbGreen = planes[1][i];
    palette[i].rgbBlue = planes[2][i];
    palette[i].rgbReserved = i == transparent ? 0 : 255;
  }
}

namespace {

int ReadImageDataOrThrow(uint32_t* error, CPicIO& io, uint8_t* dest, uint32_t width, uint32_t height,
                         uint64_t stride, uint32_t tableSize, bool interlaced, uint32_t flags) {
  uint8_t minCodeSize = 0;
  if (!ReadByte(io, &minCodeSize)) {
    *error = kPicErrFileRead;
    return 0;
  }
  if (minCodeSize < kMinMinCodeSize || minCodeSize > kMaxMinCodeSize) {
    SkipDataBlocks(io);
    *error = kPicErrBadGIF;
    return 0;
  }
  std::vector<uint8_t> data;
  const bool cut = !ReadCodeData(io, &data);

  const uint64_t count = uint64_t{width} * height;
  const bool bottomUp = (flags & kGIFReadDIB) != 0;
  // Pixels go straight to dest when the stream's order is dest's order.
  const bool direct = !interlaced && !bottomUp && stride == width;
  std::vector<uint8_t> linear;
  if (!direct) linear.assign(count, 0);
  uint8_t* pixels = direct ? dest : linear.data();

  GIFLZWDecoder decoder(data.data(), data.size() - 8, minCodeSize, pixels, count);
  uint64_t done = 0;
  const bool progress = PicNestingDepth() == 1 && HasProgressCallback();
  if (!progress) {
    done = decoder.Run(count);
  } else {
    for (uint32_t row = 0; row < height && !decoder.Ended(); ++row) {
      done = decoder.Run(uint64_t{row + 1} * width);
      if (!PicProgress(row + 1, height)) {
        *error = kPicErrCancelled;
        break;
      }
    }
  }
  if (*error != kPicErrCancelled) {
    // Damaged data: codes no decoder can follow, or a whole chain of data
    // that names not one pixel. What was decoded stays, with 12.
    const bool damaged = decoder.Broken() || (done == 0 && !cut);
    if (damaged || decoder.BadIndex() || GIFIndexPastTable(pixels, done, tableSize)) *error = kPicErrBadGIF;
    // Data that ends before the last pixel is no error (the rest stays 0),
    // but a warning, so a caller can refuse a picture that is partly blank.
    if (done < count && !damaged) PicCountCodecWarning();
  }

  if (!direct) {
    uint64_t k = 0;
    ForEachStoredRow(height, interlaced, [&](uint32_t y) {
      const uint32_t target = bottomUp ? height - 1 - y : y;
      std::memcpy(dest + target * stride, pixels + k * width, width);
      ++k;
    });
  }
  return 1;
}

}  // namespace

int GIFReadImageData(uint32_t* error, CPicIO& io, uint8_t* dest, uint32_t width, uint32_t height,
                     uint64_t stride, uint32_t tableSize, bool interlaced, uint32_t flags) {
  try {
    return ReadImageDataOrThrow(error, io, dest, width, height, stride, tableSize, interlaced, flags);
  } catch (const std::bad_alloc&) {
    *error = kPicErrNoMemory;
    return 0;
  }
}

bool GIFReader::ReadTable(CPicIO& io, uint32_t size, uint8_t planes[3][256]) {
  uint8_t rgb[768];
  if (!io.ReadExact(rgb, size * 3)) return false;
  for (uint32_t i = 0; i < size; ++i)
    for (int c = 0; c < 3; ++c) planes[c][i] = rgb[3 * i + c];
  return true;
}

bool GIFReader::ReadHeader(CPicIO& io, uint32_t shortCode, uint32_t versionCode) {
  uint8_t head[6];
  if (!io.ReadExact(head, 6)) return Fail(shortCode);
  if (std::memcmp(head, "GIF", 3) != 0) return Fail(kPicErrBadGIF);
  if (std::memcmp(head + 3, "87a", 3) != 0 && std::memcmp(head + 3, "89a", 3) != 0) return Fail(versionCode);
  uint8_t lsd[7];
  if (!io.ReadExact(lsd, 7)) return Fail(kPicErrBadGIF);
  screen_ = GIFScreen{};
  screen_.width = Word(lsd);
  screen_.height = Word(lsd + 2);
  screen_.packed = lsd[4];
  screen_.background = lsd[5];
  screen_.aspect = lsd[6];
  screen_.tableSize = 2u << (screen_.packed & 7);
  if (!screen_.width || !screen_.height) return Fail(kPicErrBadGIF);
  if ((screen_.packed & 0x80) && !ReadTable(io, screen_.tableSize, screen_.table)) return Fail(kPicErrBadGIF);
  control_ = GIFControl{};
  loopCount_ = 0;
  return true;
}

bool GIFReader::ReadExtension(CPicIO& io) {
  uint8_t label = 0;
  if (!ReadByte(io, &label)) return Fail(kPicErrFileRead);
  uint8_t block[256] = {};
  const int n = ReadDataBlock(io, block);
  if (n < 0) return Fail(kPicErrFileRead);
  if (n == 0) return true;
  if (label == 0xF9) {
    const uint8_t packed = block[0];
    control_.disposal = (packed >> 2) & 7;
    control_.userInput = (packed >> 1) & 1;
    control_.delay = Word(block + 1);
    control_.transparentFlag = packed & 1;
    control_.transparentIndex = control_.transparentFlag ? block[3] : 0;
  } else if (label == 0xFF && n >= 11 && std::memcmp(block, "NETSCAPE2.0", 11) == 0) {
    uint8_t sub[256] = {};
    const int m = ReadDataBlock(io, sub);
    if (m < 0) return Fail(kPicErrFileRead);
    if (m == 0) return true;
    loopCount_ = Word(sub + 1);
  }
  if (!SkipDataBlocks(io)) return Fail(kPicErrFileRead);
  return true;
}

bool GIFReader::FindFirstImage(CPicIO& io) {
  for (;;) {
    uint8_t b = 0;
    if (!ReadByte(io, &b)) return Fail(kPicErrFileRead);
    if (b == kImageSeparator) return true;
    if (b == kTrailer) return Fail(kPicErrBadGIF);  // no image at all
    if (b == kExtensionIntroducer && !ReadExtension(io)) return false;
  }
}

bool GIFReader::ReadImageHeader(CPicIO& io, GIFImageHeader* image) {
  uint8_t d[9];
  if (!io.ReadExact(d, 9)) return Fail(kPicErrFileRead);
  image->left = Word(d);
  image->top = Word(d + 2);
  image->width = Word(d + 4);
  image->height = Word(d + 6);
  image->local = (d[8] & 0x80) != 0;
  image->interlaced = (d[8] & 0x40) != 0;
  if (!image->width || !image->height) return Fail(kPicErrBadGIF);
  if (image->local) {
    image->tableSize = 2u << (d[8] & 7);
    std::memset(image->localTable, 0, sizeof image->localTable);
    if (!ReadTable(io, image->tableSize, image->localTable)) return Fail(kPicErrBadGIF);
  } else {
    image->tableSize = screen_.tableSize;
  }
  return true;
}

int GIFReader::ReadDims(CPicIO* src, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                        uint32_t* background, int32_t* transparent, RGBQUAD* palette, uint8_t* interlaced,
                        bool firstImageSize) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (bitDepth) *bitDepth = 0;
  if (background) *background = 0;
  if (transparent) *transparent = -1;
  if (interlaced) *interlaced = 0;
  if (!src) return Fail(kPicErrBadArgument);
  CPicIO& io = *src;
  if (!ReadHeader(io, kPicErrFileRead, kPicErrBadGIF) || !FindFirstImage(io)) return 0;
  GIFImageHeader image;
  if (!ReadImageHeader(io, &image)) return 0;
  const int32_t trans = control_.transparentFlag ? static_cast<int32_t>(control_.transparentIndex) : -1;
  if (width) *width = firstImageSize ? image.width : screen_.width;
  if (height) *height = firstImageSize ? image.height : screen_.height;
  if (bitDepth) *bitDepth = (screen_.packed & 7) + 1;
  if (background) *background = screen_.background;
  if (transparent) *transparent = trans;
  if (interlaced) *interlaced = image.interlaced ? 1 : 0;
  if (palette) GIFBuildPalette(palette, image.local ? image.localTable : screen_.table, trans);
  return 1;
}

HGLOBAL GIFReader::ReadImage(CPicIO* src, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                             int32_t* transparent, uint32_t flags) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (transparent) *transparent = -1;
  if (!src || !width || !height) return FailBlock(kPicErrBadArgument);
  if ((flags & kGIFReadDIB) && (flags & kGIFReadPadded)) return FailBlock(kPicErrBadArgument);
  CPicIO& io = *src;
  if (!ReadHeader(io, kPicErrBadGIF, kPicErrBadGIF) || !FindFirstImage(io)) return nullptr;
  GIFImageHeader image;
  if (!ReadImageHeader(io, &image)) return nullptr;
  const uint64_t pixels = uint64_t{image.width} * image.height;
  if (!PicDecodePlausible(pixels, pixels, PicBytesLeft(io), kGIFPixelsPerByte))
    return FailBlock(kPicErrBadGIF);
  const int32_t trans = control_.transparentFlag ? static_cast<int32_t>(control_.transparentIndex) : -1;
  RGBQUAD colours[256];
  GIFBuildPalette(colours, image.local ? image.localTable : screen_.table, trans);
  if (palette) std::memcpy(palette, colours, sizeof colours);
  if (transparent) *transparent = trans;

  if (flags & kGIFReadDIB) {
    for (RGBQUAD& c : colours) c.rgbReserved = 0;
    ScopedGlobal dib(
        AllocDIB(&error, image.width, image.height, 8, colours, std::min(image.tableSize, 256u)));
    if (!dib.block) return nullptr;
    uint8_t* rows = DIBPixelStart(&error, dib.block);
    const uint64_t stride = DIBStride(image.width, 8);
    if (!rows || !GIFReadImageData(&error, io, rows, image.width, image.height, stride, image.tableSize,
                                   image.interlaced, kGIFReadDIB))
      return nullptr;
    // Pixels past a short table (code 12): the DIB's table must still name
    // every index its pixels use, so it gets all 256 entries.
    if (image.tableSize < 256 && GIFIndexPastTable(rows, stride * image.height, image.tableSize)) {
      uint32_t code = 0;
      ScopedGlobal full(AllocDIB(&code, image.width, image.height, 8, colours, 256));
      uint8_t* fullRows = full.block ? DIBPixelStart(&code, full.block) : nullptr;
      if (!fullRows) return FailBlock(kPicErrNoMemory);
      std::memcpy(fullRows, rows, static_cast<size_t>(stride * image.height));
      dib.Reset(full.Release());
    }
    *width = image.width;
    *height = image.height;
    return dib.Release();
  }

  const uint64_t stride = flags & kGIFReadPadded ? (uint64_t{image.width} + 3) & ~uint64_t{3} : image.width;
  uint64_t size = 0;
  if (!PicSizeWithinCap(stride, image.height, 1, &size)) return FailBlock(kPicErrNoMemory);
  CPicOutBufAllocator out;
  if (!out.Alloc(static_cast<uint32_t>(size))) return FailBlock(kPicErrNoMemory);
  std::memset(out.Data(), 0, size);  // the thread's own allocator hands out uncleared blocks
  if (!GIFReadImageData(&error, io, out.Data(), image.width, image.height, stride, image.tableSize,
                        image.interlaced, 0)) {
    out.Free();
    return nullptr;
  }
  *width = image.width;
  *height = image.height;
  return static_cast<HGLOBAL>(out.GetBuffer());
}

int GIFReader::ReadAllFrames(CPicIO* src, GIFFrameList* list) {
  if (!src || !list) return Fail(kPicErrBadArgument);
  ClearGIFFrameList(list);
  list->frameCount = list->screenWidth = list->screenHeight = list->loopCount = list->backgroundIndex = 0;
  std::memset(list->globalPalette, 0, sizeof list->globalPalette);
  CPicIO& io = *src;
  const uint64_t fileBytes = PicBytesLeft(io);
  if (!ReadHeader(io, kPicErrBadGIF, kPicErrGIFVersion)) return 0;

  // The header words describe the frames read so far, also when the stream
  // breaks off before its trailer.
  auto describe = [&]() {
    list->frameCount = static_cast<uint32_t>(list->frames.size());
    list->screenWidth = screen_.width;
    list->screenHeight = screen_.height;
    list->loopCount = loopCount_;
    list->backgroundIndex = screen_.background;
    GIFBuildPalette(list->globalPalette, screen_.table, -1);
  };
  // A stream that ends after its first image, wherever it ends, keeps the
  // frames read, as the first-image read keeps its image: success and a
  // codec warning (one a read, also when the last frame's data was cut).
  const uint32_t warningsBefore = PicCodecWarningCount();
  uint32_t framesCode = 0;  // what the frames read left: 12 for damaged data
  auto cutOff = [&]() -> int {
    describe();
    if (list->frames.empty()) return Fail(kPicErrFileRead);
    error = framesCode;
    if (PicCodecWarningCount() == warningsBefore) PicCountCodecWarning();
    return 1;
  };
  uint64_t totalPixels = 0;  // of all frames: a tiny file must not claim many big ones
  for (;;) {
    uint8_t b = 0;
    if (!ReadByte(io, &b)) return cutOff();
    if (b == kTrailer) break;
    if (b == kExtensionIntroducer) {
      if (!ReadExtension(io)) {
        if (error == kPicErrFileRead) return cutOff();
        describe();
        return 0;
      }
      continue;
    }
    if (b != kImageSeparator) continue;

    GIFImageHeader image;
    if (!ReadImageHeader(io, &image)) {
      if (error == kPicErrFileRead) return cutOff();
      describe();
      return 0;
    }
    const uint64_t pixels = uint64_t{image.width} * image.height;
    totalPixels += pixels;
    if (!PicDecodePlausible(totalPixels, totalPixels, fileBytes, kGIFPixelsPerByte)) {
      describe();
      return Fail(kPicErrBadGIF);
    }
    GIFFrameRecord frame;
    ScopedGlobal framePixels(PicSizeWithinCap(pixels, 1) ? GlobalAlloc(GPTR, static_cast<size_t>(pixels))
                                                         : nullptr);
    frame.pixels = framePixels.block;
    if (!frame.pixels) {
      describe();
      return Fail(kPicErrNoMemory);
    }
    const uint32_t before = error;
    if (!GIFReadImageData(&error, io, static_cast<uint8_t*>(frame.pixels), image.width, image.height,
                          image.width, image.tableSize, image.interlaced, 0)) {
      if (error == kPicErrFileRead) return cutOff();
      if (error == before) error = kPicErrBadGIF;
      describe();
      return 0;
    }
    if (error == kPicErrCancelled) {
      describe();
      return 0;
    }
    frame.index = static_cast<uint32_t>(list->frames.size());
    frame.width = image.width;
    frame.height = image.height;
    frame.left = image.left;
    frame.top = image.top;
    frame.delay = control_.delay;
    frame.disposal = control_.disposal;
    frame.userInput = control_.userInput;
    frame.hasLocalPalette = image.local ? 1 : 0;
    frame.transparent = control_.transparentFlag ? static_cast<int32_t>(control_.transparentIndex) : -1;
    frame.interlaced = image.interlaced ? 1 : 0;
    GIFBuildPalette(frame.palette, image.local ? image.localTable : screen_.table, frame.transparent);
    try {
      list->frames.push_back(frame);
    } catch (const std::bad_alloc&) {
      describe();
      return Fail(kPicErrNoMemory);
    }
    framePixels.Release();  // the list owns it now
    control_ = GIFControl{};
    framesCode = error;
  }
  describe();
  return 1;
}

}  // namespace Pictura
