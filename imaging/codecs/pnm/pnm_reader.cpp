// PNM readers: the header with its comments, plain and raw rows, scaling to
// the output's range. File faults are raised as PicException(78) inside and
// turned into the code at each core's edge.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "codecs/byte_reader.h"
#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/image_block.h"
#include "codecs/pnm/pnm_codec.h"
#include "core/allocators.h"

namespace Pictura {

namespace {

[[noreturn]] void FormatError(const std::string& text) {
  throw PicException(kPicErrPNMFormat, text);
}

// Logs a file fault and stores its code; any other failure becomes 17.
template <class T, class F>
T Guarded(uint32_t* error, F&& body) {
  try {
    return body();
  } catch (const PicException& e) {
    *error = e.Code();
    if (e.Code() == kPicErrPNMFormat) {
      try {
        LogDebugMessage(e.what(), kPicErrPNMFormat, 3, false);
      } catch (...) {
        // no room for the record: the code still reaches the caller
      }
    }
  } catch (const std::bad_alloc&) {
    *error = kPicErrNoMemory;
  } catch (...) {
    *error = kPicErrUnexpected;
  }
  return T{};
}

bool Space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class PnmStream {
 public:
  explicit PnmStream(CPicIO& io) : in_(io) {}

  // A byte with comments ('#' to the end of the line) read as that line end.
  int GetChar() {
    int c = in_.Get();
    if (c == '#') do
        c = in_.Get();
      while (c >= 0 && c != '\n' && c != '\r');
    if (c < 0) FormatError("EOF / read error reading a byte");
    return c;
  }

  uint32_t GetUInt() {
    int c;
    do c = GetChar();
    while (Space(c));
    if (c < '0' || c > '9') FormatError("junk in file where an unsigned integer should be");
    uint32_t v = 0;
    do {
      const uint32_t digit = static_cast<uint32_t>(c - '0');
      if (v > (0x0CCCCCCCu - digit) / 10)
        FormatError("ASCII decimal integer in file is too large to be processed.  ");
      v = v * 10 + digit;
      c = in_.Get();  // the delimiter is taken with the number
      if (c == '#') {
        in_.Unget();
        GetChar();
        break;
      }
    } while (c >= '0' && c <= '9');
    return v;
  }

  // One plain PBM pixel: '0' or '1' after any white space.
  uint8_t GetBit() {
    int c;
    do c = GetChar();
    while (Space(c));
    if (c != '0' && c != '1') FormatError("junk in file where bits should be");
    return static_cast<uint8_t>(c - '0');
  }

  PicByteReader& Bytes() { return in_; }

 private:
  PicByteReader in_;
};

PnmHeader ReadHeader(PnmStream& s) {
  PnmHeader h;
  uint8_t magic[2];
  if (!s.Bytes().Read(magic, 2))
    FormatError(
        "Error reading magic number from Netpbm image stream.  Most often, this means your input file is "
        "empty.");
  h.magic = uint32_t{magic[0]} << 8 | magic[1];
  if (magic[0] != 'P' || magic[1] < '1' || magic[1] > '6')
    FormatError("bad magic number - not a ppm, pgm, or pbm file");
  h.width = s.GetUInt();
  h.height = s.GetUInt();
  if (h.Family() != 0) {
    h.maxval = s.GetUInt();
    if (h.maxval == 0) FormatError("maxval of input image is zero.");
    if (h.maxval > 65535) {
      char text[160];
      std::snprintf(text, sizeof text,
                    h.Family() == 1
                        ? "maxval of input image (%u) is too large.  The maximum allowed by PGM is %u."
                        : "maxval of input image (%u) is too large.  The maximum allowed by the PPM is %u.",
                    h.maxval, 65535u);
      FormatError(text);
    }
  }
  if (h.width == 0 || h.height == 0) FormatError("Image has no pixels: zero columns or rows in the header");
  return h;
}

// Reads a header at the source's position, for the dimension query.
PnmHeader ReadHeaderAt(CPicIO& io) {
  std::unique_ptr<PnmStream> s(new PnmStream(io));
  return ReadHeader(*s);
}

// The rows of one file as 32-bit samples, or packed bits for PBM.
class PnmRows {
 public:
  PnmRows(PnmStream& s, const PnmHeader& h) : s_(s), h_(h) {}

  // PBM: (width + 7) / 8 bytes, a set bit black.
  void Bits(uint8_t* out) {
    const uint32_t bytes = (h_.width + 7) / 8;
    if (!h_.Plain()) {
      if (!s_.Bytes().Read(out, bytes)) FormatError("EOF in the middle of a raw PBM row.");
    } else {
      std::memset(out, 0, bytes);
      for (uint32_t x = 0; x < h_.width; ++x) out[x / 8] |= static_cast<uint8_t>(s_.GetBit() << (7 - x % 8));
    }
    // Bits past the width are no pixels.
    if (h_.width % 8) out[bytes - 1] &= static_cast<uint8_t>(0xFF00u >> (h_.width % 8));
  }

  // PGM and PPM: f(index, sample) for the width x channels samples of a
  // row, each at most maxval; nothing of the row is held (a header's width
  // claims no memory).
  template <class F>
  void EachSample(F&& f) {
    const size_t n = size_t{h_.width} * h_.Channels();
    PicByteReader& in = s_.Bytes();
    for (size_t i = 0; i < n; ++i) {
      uint32_t v = 0;
      if (h_.Plain()) {
        v = s_.GetUInt();
      } else if (h_.maxval < 256) {
        const int b = in.Get();
        if (b < 0) FormatError("EOF / read error reading a one-byte sample");
        v = static_cast<uint32_t>(b);
      } else {
        const int hi = in.Get(), lo = in.Get();
        if (lo < 0) FormatError("EOF /read error while reading a long sample");
        v = static_cast<uint32_t>(hi << 8 | lo);
      }
      if (v > h_.maxval) {
        aboveMaxval_ = true;
        v = h_.maxval;
      }
      f(i, v);
    }
  }

  // A sample above maxval was read (and taken as maxval).
  bool AboveMaxval() const { return aboveMaxval_; }
  void NoteAboveMaxval() { aboveMaxval_ = true; }

  // Raw 8-bit samples as stored, when they need no change.
  void RawBytes(uint8_t* out, size_t n) {
    if (!s_.Bytes().Read(out, n)) FormatError("EOF / read error reading a one-byte sample");
  }

 private:
  PnmStream& s_;
  const PnmHeader& h_;
  bool aboveMaxval_ = false;
};

// A raw row read into its place: big-endian 16-bit samples to the
// machine's order, each at most maxval, scaled to the output's range, and
// R, G, B turned to B, G, R when asked. False when a sample was above maxval.
template <class T>
bool OrderRow(uint8_t* row, uint32_t n, uint32_t channels, bool bgr, uint32_t maxval, uint32_t top,
              bool scale) {
  const bool swap = bgr && channels == 3;
  bool inRange = true;
  for (uint32_t i = 0; i < n; i += channels) {
    uint32_t v[3] = {};
    for (uint32_t c = 0; c < channels; ++c) {
      const uint8_t* p = row + (i + c) * sizeof(T);
      uint32_t x = sizeof(T) == 2 ? uint32_t{p[0]} << 8 | p[1] : p[0];
      if (x > maxval) {
        x = maxval;
        inRange = false;
      }
      v[c] = scale ? x * top / maxval : x;
    }
    for (uint32_t c = 0; c < channels; ++c) {
      const T out = static_cast<T>(v[swap ? 2 - c : c]);
      std::memcpy(row + (i + c) * sizeof(T), &out, sizeof(T));
    }
  }
  return inRange;
}

void ReadImage(CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth, uint32_t flags,
               PicImageBlock& block) {
  const bool dib = (flags & kPnmPackedDIB) != 0, padded = dib || (flags & kPnmPadRows);
  const bool wide = depth == 16 || depth == 48;
  if (depth != 0 && depth != 1 && depth != 8 && depth != 16 && depth != 24 && depth != 48)
    throw PicException(kPicErrBadArgument, "");
  if ((wide && padded) || (!dib && depth == 0)) throw PicException(kPicErrBadArgument, "");
  std::unique_ptr<PnmStream> s(new PnmStream(io));
  const PnmHeader h = ReadHeader(*s);
  const uint32_t family = h.Family();
  if (dib) depth = family == 0 ? 1 : family == 1 ? 8 : 24;
  const uint32_t familyOfDepth = depth == 1 ? 0 : depth <= 16 ? 1 : 2;
  if (familyOfDepth != family) throw PicException(kPicErrBitDepth, "");
  // Raw rows must be in the file; plain ones take at least a byte a sample.
  const uint64_t pixels = uint64_t{h.width} * h.height;
  const uint64_t units = family == 0 ? (h.Plain() ? pixels : (uint64_t{h.width} + 7) / 8 * h.height)
                                     : pixels * h.Channels() * (!h.Plain() && h.maxval > 255 ? 2 : 1);
  if (!PicDecodePlausible(pixels, units, PicBytesLeft(io) + s->Bytes().Buffered(), 1))
    FormatError("The image's size in the header is more than the file holds");

  RGBQUAD palette[256];
  uint32_t colours = 0;
  if (dib && family == 0) {
    palette[0] = RGBQUAD{255, 255, 255, 0};  // PBM: a set bit is black
    palette[1] = RGBQUAD{0, 0, 0, 0};
    colours = 2;
  } else if (dib && family == 1) {
    for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    colours = 256;
  }
  if (const uint32_t code = block.Allocate(h.width, h.height, depth, PicRowBytes(h.width, depth, padded), dib,
                                           palette, colours))
    throw PicException(code, "");
  *width = h.width;
  *height = h.height;
  const bool bgr = dib || (flags & kPnmBGR), raw = (flags & kPnmRawValues) != 0;
  const uint32_t top = wide ? 65535 : 255;
  const bool scale = !raw && h.maxval != top;
  const uint32_t channels = h.Channels(), n = h.width * channels;
  const bool reversed = (flags & kPnmRowsBottomUp) && !dib;
  // Raw samples as wide as the output's go straight into the row and are
  // put in order there; the rest are converted one by one.
  const bool inPlace = !h.Plain() && family != 0 && (h.maxval > 255) == wide;
  const bool asStored = inPlace && h.maxval == top && !(bgr && channels == 3);
  const size_t rowBytes = size_t{n} * (wide ? 2 : 1);
  // Rows stored as they lie in the file (top-down, unpadded, no DIB) are
  // read a band at a time, so the bytes are copied once, from the source.
  const uint32_t band = asStored && !wide && !reversed && !dib && block.Stride() == rowBytes
                            ? static_cast<uint32_t>(std::max<size_t>(1, (size_t{1} << 20) / rowBytes))
                            : 1;
  PnmRows rows(*s, h);
  for (uint32_t y = 0; y < h.height;) {
    const uint32_t count = std::min(band, h.height - y);
    uint32_t ready = 0;  // rows the progress callback let through
    while (ready < count && PicProgress(y + ready, h.height)) ++ready;
    if (count > 1) {
      rows.RawBytes(block.Row(y), size_t{ready} * rowBytes);
      if (ready < count) throw PicException(kPicErrCancelled, "");
      y += count;
      continue;
    }
    if (!ready) throw PicException(kPicErrCancelled, "");
    uint8_t* out = block.Row(reversed ? h.height - 1 - y : y);
    ++y;
    if (family == 0) {
      rows.Bits(out);
    } else if (inPlace) {
      rows.RawBytes(out, rowBytes);
      if (asStored && !wide) continue;  // already the output's bytes
      const bool inRange = wide ? OrderRow<uint16_t>(out, n, channels, bgr, h.maxval, top, scale)
                                : OrderRow<uint8_t>(out, n, channels, bgr, h.maxval, top, scale);
      if (!inRange) rows.NoteAboveMaxval();
    } else {
      rows.EachSample([&](size_t i, uint32_t v) {
        const size_t c = channels == 3 && bgr ? i - i % 3 + (2 - i % 3) : i;
        const uint32_t value = scale ? v * top / h.maxval : (v < top ? v : top);
        if (wide) {
          const uint16_t w16 = static_cast<uint16_t>(value);
          std::memcpy(out + 2 * c, &w16, 2);
        } else {
          out[c] = static_cast<uint8_t>(value);
        }
      });
    }
  }
  // netpbm refuses such a file; the picture is still worth showing, as
  // maxval where a sample passed it, but the caller can tell.
  if (rows.AboveMaxval()) PicCountCodecWarning();
}

}  // namespace

int ReadPNMDims(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t* maxval,
                uint32_t* magic) {
  return Guarded<int>(error, [&] {
    const PnmHeader h = ReadHeaderAt(io);
    *width = h.width;
    *height = h.height;
    *maxval = h.maxval;
    *magic = h.magic;
    return 1;
  });
}

HGLOBAL ReadPNMImage(uint32_t* error, CPicIO& io, uint32_t* width, uint32_t* height, uint32_t depth,
                     uint32_t flags) {
  *width = *height = 0;
  // The rows read before a fault stay with the caller, like every reader's.
  PicImageBlock block;
  Guarded<int>(error, [&] {
    ReadImage(io, width, height, depth, flags, block);
    return 1;
  });
  return block.Handle();
}

}  // namespace Pictura
