// JPEG reading: dimensions, the line reader, the whole-image reader and the
// saved markers.
#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/jpeg/pictura_jpeg.h"
#include "core/out_buffers.h"
#include "core/pixel_formats.h"

namespace Pictura {
namespace {

// JPEG can squeeze an almost empty picture into a few bits per 8x8 block;
// more pixels per byte than this are taken for a header that lies.
constexpr uint64_t kJPGPixelsPerByte = 1024;

bool Fail(uint32_t* err, uint32_t code) {
  *err = code;
  return false;
}

// A guarded libjpeg step failed: log libjpeg's text and store the code.
bool FailLib(uint32_t* err, const JPGErrorManager& mgr, uint32_t code) {
  JPGLogFailure(mgr);
  return Fail(err, code);
}

// One of our own refusals, logged like libjpeg's.
bool FailText(uint32_t* err, const char* text, uint32_t logCode, uint32_t code) {
  PicLogCodecFailure("PicLib JPG Error : ", text, logCode);
  return Fail(err, code);
}

uint32_t BytesPerPixel(uint32_t outputMode) {
  switch (outputMode) {
    case kJPGModeGray:
      return 1;
    case kJPGModeRGB:
    case kJPGModeYCbCr:
      return 3;
    case kJPGModeCMYK:
    case kJPGModeYCCK:
      return 4;
    default:
      return 0;
  }
}

}  // namespace

int ReadJPGDims(uint32_t* err, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                double* xDensity, double* yDensity, uint32_t* densityUnit, uint32_t* colorSpace,
                uint32_t* codingFlags) {
  if (!width || !height || !src) return Fail(err, kPicErrBadArgument);
  *width = *height = 0;
  if (bitDepth) *bitDepth = 0;
  if (xDensity) *xDensity = 0;
  if (yDensity) *yDensity = 0;
  if (densityUnit) *densityUnit = 0;
  if (colorSpace) *colorSpace = 0;
  if (codingFlags) *codingFlags = 0;

  JPGDecoder dec;
  if (uint32_t code = dec.Create(src, false, kPicErrBadJPEG)) return FailLib(err, dec.err, code);
  j_decompress_ptr cinfo = &dec.cinfo;
  if (!JPGGuard(dec.err, [&] {
        jpeg_read_header(cinfo, TRUE);
        jpeg_calc_output_dimensions(cinfo);
      }))
    return FailLib(err, dec.err, kPicErrBadJPEG);
  *width = cinfo->image_width;
  *height = cinfo->image_height;
  if (bitDepth) *bitDepth = static_cast<uint32_t>(cinfo->output_components) * 8;
  if (xDensity) *xDensity = cinfo->X_density;
  if (yDensity) *yDensity = cinfo->Y_density;
  if (densityUnit) *densityUnit = cinfo->density_unit;
  if (colorSpace) *colorSpace = static_cast<uint32_t>(cinfo->jpeg_color_space);
  if (codingFlags) *codingFlags = (cinfo->progressive_mode ? 1u : 0u) | (cinfo->arith_code ? 2u : 0u);
  return 1;
}

JPGLineReader* JPGLineReader::Open(uint32_t* err, CPicIO* src, uint32_t* width, uint32_t* height,
                                   uint32_t depth, uint32_t flags) {
  if (!src) {
    Fail(err, kPicErrBadArgument);
    return nullptr;
  }
  std::unique_ptr<JPGLineReader> reader(new (std::nothrow) JPGLineReader);
  if (!reader) {
    Fail(err, kPicErrNoMemory);
    return nullptr;
  }
  if (!reader->Start(err, src, depth, flags)) return nullptr;
  if (width) *width = reader->Width();
  if (height) *height = reader->Height();
  return reader.release();
}

bool JPGLineReader::Start(uint32_t* err, CPicIO* src, uint32_t depth, uint32_t flags) {
  ImgThreadContext* ctx = GetImgThreadContext();
  depth_ = depth;
  buffered_ = (flags & kJPGReadBuffered) && ctx && ctx->jpeg.progressivePassCallback;
  if (uint32_t code = decoder_.Create(src, (flags & kJPGReadSeekBack) != 0, kPicErrBadJPEG))
    return FailLib(err, decoder_.err, code);
  j_decompress_ptr cinfo = &decoder_.cinfo;
  if (!JPGGuard(decoder_.err, [&] { jpeg_read_header(cinfo, TRUE); }))
    return FailLib(err, decoder_.err, kPicErrBadJPEG);

  if (ctx && ctx->jpeg.scaleNum != 0 && ctx->jpeg.scaleDenom != 0) {
    cinfo->scale_num = ctx->jpeg.scaleNum;
    cinfo->scale_denom = ctx->jpeg.scaleDenom;
  }
  if (flags & kJPGReadKeepYCbCr) cinfo->out_color_space = JCS_YCbCr;
  cinfo->buffered_image = buffered_ ? TRUE : FALSE;
  if (!JPGGuard(decoder_.err, [&] { jpeg_calc_output_dimensions(cinfo); }))
    return FailLib(err, decoder_.err, kPicErrBadJPEG);

  switch (cinfo->output_components) {
    case 1:
      colorMode_ = kJPGModeGray;
      break;
    case 3:
      colorMode_ = (flags & kJPGReadKeepYCbCr) ? kJPGModeYCbCr : kJPGModeRGB;
      break;
    case 4:
      colorMode_ = cinfo->jpeg_color_space == JCS_CMYK   ? kJPGModeCMYK
                   : cinfo->jpeg_color_space == JCS_YCCK ? kJPGModeYCCK
                                                         : kJPGModeInvalid;
      break;
    default:
      colorMode_ = kJPGModeInvalid;
  }
  if (!ChooseOutputMode(err, depth, flags)) return false;

  // Progressive decoding keeps the whole image's coefficients, so the size
  // is judged before libjpeg allocates anything for it.
  uint64_t pixels = static_cast<uint64_t>(cinfo->image_width) * cinfo->image_height;
  uint64_t left = PicBytesLeft(*src);
  if (left) left += decoder_.src.pub.bytes_in_buffer;
  if (!PicDecodePlausible(pixels, pixels, left, kJPGPixelsPerByte))
    return FailText(err, "JPEG image too large for its file", kPicErrBadJPEG, kPicErrBadJPEG);

  if (!JPGGuard(decoder_.err, [&] { jpeg_start_decompress(cinfo); }))
    return FailLib(err, decoder_.err, kPicErrBadJPEG);

  uint64_t rowBytes = 0;
  if (!PicSizeWithinCap(cinfo->output_width, static_cast<uint64_t>(cinfo->output_components), 2, &rowBytes) ||
      !rowBuffer_.Resize(static_cast<uint32_t>(rowBytes)))
    return Fail(err, kPicErrNoMemory);

  xDensity_ = cinfo->X_density;
  yDensity_ = cinfo->Y_density;
  densityUnit_ = cinfo->density_unit;
  return true;
}

bool JPGLineReader::ChooseOutputMode(uint32_t* err, uint32_t depth, uint32_t flags) {
  const bool dib = (flags & kJPGReadDIB) != 0;
  const char* message = nullptr;
  switch (colorMode_) {
    case kJPGModeGray:
      if (dib || depth == 8)
        outputMode_ = kJPGModeGray;
      else if (depth == 24)
        outputMode_ = kJPGModeRGB;
      else
        message = "Invalid bit depth requested (can't read 8-bit to 32-bit)";
      break;
    case kJPGModeRGB:
      if (depth == 24)
        outputMode_ = kJPGModeRGB;
      else
        message = "Invalid bit depth requested (can't read RGB to any other bit depth)";
      break;
    case kJPGModeCMYK:
    case kJPGModeYCCK:
      if ((flags & kJPGReadRawCMYK) && !dib) {
        if (depth == 32)
          outputMode_ = colorMode_;
        else
          message = "Invalid bit depth requested (can only read CMYK/YCCK to 32bpp)";
      } else if (dib || depth == 24) {
        outputMode_ = kJPGModeRGB;
      } else {
        message = "Invalid bit depth requested";
      }
      break;
    case kJPGModeYCbCr:
      if (depth == 24)
        outputMode_ = kJPGModeYCbCr;
      else
        message = "Invalid bit depth requested (can't read YCbCr to any other bit depth)";
      break;
    default:
      return FailText(err, "Invalid JPG colorspace", kPicErrBadJPEG, kPicErrBadJPEG);
  }
  // Depth mismatches are reported as a bad file, like the colour space.
  if (message) return FailText(err, message, kPicErrBitDepth, kPicErrBadJPEG);
  return true;
}

int JPGLineReader::ReadNextLine(uint32_t* err, JPGLineReader* reader, uint8_t* row, uint32_t* rowIndex) {
  if (!reader || !row) return Fail(err, kPicErrBadArgument);
  if (reader->abandoned_) return Fail(err, kPicErrFileRead);
  if (reader->AllLinesRead()) return Fail(err, kPicErrEndOfImage);
  j_decompress_ptr cinfo = &reader->decoder_.cinfo;
  const uint32_t width = cinfo->output_width;
  const int components = cinfo->output_components;
  const bool convert = reader->outputMode_ == kJPGModeRGB && components != 3;
  JSAMPROW rows[1] = {convert ? reader->rowBuffer_.Data() : row};
  if (!JPGGuard(reader->decoder_.err, [&] { jpeg_read_scanlines(cinfo, rows, 1); })) {
    reader->abandoned_ = true;  // libjpeg's state is not to be used after a failure
    return FailLib(err, reader->decoder_.err, kPicErrFileRead);
  }
  if (convert) {
    const uint8_t* in = reader->rowBuffer_.Data();
    if (components == 1) {
      for (uint32_t x = 0; x < width; ++x, row += 3) row[0] = row[1] = row[2] = in[x];
    } else {
      // CMYK as libjpeg delivers it (inverted, as Adobe files store it):
      // each channel scaled by K.
      for (uint32_t x = 0; x < width; ++x, in += 4, row += 3) {
        const uint32_t k = in[3];
        row[0] = static_cast<uint8_t>(in[0] * k / 255);
        row[1] = static_cast<uint8_t>(in[1] * k / 255);
        row[2] = static_cast<uint8_t>(in[2] * k / 255);
      }
    }
  }
  if (rowIndex) *rowIndex = cinfo->output_scanline - 1;
  return 1;
}

int JPGLineReader::Close(uint32_t* err, JPGLineReader* reader) {
  if (!reader) return Fail(err, kPicErrBadArgument);
  std::unique_ptr<JPGLineReader> owner(reader);
  JPGDecoder& dec = reader->decoder_;
  j_decompress_ptr cinfo = &dec.cinfo;
  // Finishing checks that every line was read; a reader closed early (or
  // cancelled) is only dropped.
  if (!reader->abandoned_ && (reader->buffered_ || reader->AllLinesRead())) {
    if (!JPGGuard(dec.err, [&] { jpeg_finish_decompress(cinfo); }))
      return FailLib(err, dec.err, kPicErrFileRead);
  } else {
    jpeg_abort_decompress(cinfo);
  }
  return 1;
}

namespace {

// Closes the reader on every way out, keeping the first code.
struct ReaderCloser {
  uint32_t* err;
  JPGLineReader* reader;
  ~ReaderCloser() {
    uint32_t closeErr = 0;
    JPGLineReader::Close(&closeErr, reader);
    if (*err == 0) *err = closeErr;
  }
};

}  // namespace

void* ReadJPGImage(uint32_t* err, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t depth,
                   uint32_t flags) {
  if (!width || !height || (depth != 8 && depth != 24 && depth != 32)) {
    Fail(err, kPicErrBadArgument);
    return nullptr;
  }
  uint32_t w = 0, h = 0;
  JPGLineReader* reader = JPGLineReader::Open(err, src, &w, &h, depth, flags);
  if (!reader) return nullptr;
  ReaderCloser closer{err, reader};

  const bool dib = (flags & kJPGReadDIB) != 0;
  const uint32_t mode = reader->OutputMode();
  const uint32_t bpp = BytesPerPixel(mode);
  if (bpp == 0) {
    Fail(err, kPicErrUnexpected);
    return nullptr;
  }
  uint64_t rowBytes = static_cast<uint64_t>(w) * bpp;
  if (dib || (flags & kJPGReadBGRPadded)) rowBytes = (rowBytes + 3) & ~uint64_t{3};
  const uint64_t header = dib ? sizeof(BITMAPINFOHEADER) + (bpp == 1 ? 1024u : 0u) : 0;
  uint64_t pixelBytes = 0;
  if (!PicSizeWithinCap(rowBytes, h, 1, &pixelBytes) || pixelBytes + header >= kPicAllocCap) {
    Fail(err, kPicErrNoMemory);
    return nullptr;
  }
  CPicOutBufAllocator out;
  if (!out.Alloc(static_cast<uint32_t>(pixelBytes + header))) {
    Fail(err, kPicErrNoMemory);
    return nullptr;
  }
  uint8_t* pixels = out.Data() + header;
  if (dib) {
    PicResolutionInfo res = reader->Density();
    ConvertResolution(&res, 0, 4);
    BITMAPINFOHEADER bih{};
    bih.biSize = sizeof(BITMAPINFOHEADER);
    bih.biWidth = static_cast<LONG>(w);
    bih.biHeight = static_cast<LONG>(h);
    bih.biPlanes = 1;
    bih.biBitCount = static_cast<WORD>(bpp * 8);
    bih.biCompression = BI_RGB;
    bih.biSizeImage = static_cast<DWORD>(pixelBytes);
    bih.biXPelsPerMeter = static_cast<LONG>(res.x);
    bih.biYPelsPerMeter = static_cast<LONG>(res.y);
    bih.biClrUsed = bpp == 1 ? 256 : 0;
    std::memcpy(out.Data(), &bih, sizeof bih);
    if (bpp == 1) {
      auto* palette = reinterpret_cast<RGBQUAD*>(out.Data() + sizeof bih);
      for (uint32_t i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 255};
    }
  }

  const bool swap = mode == kJPGModeRGB && (dib || (flags & kJPGReadBGRPadded));
  ImgThreadContext* ctx = GetImgThreadContext();
  JPGDecoder& dec = reader->Decoder();
  j_decompress_ptr cinfo = &dec.cinfo;
  bool stopped = false;
  for (;;) {
    if (reader->Buffered() &&
        !JPGGuard(dec.err, [&] { jpeg_start_output(cinfo, cinfo->input_scan_number); })) {
      FailLib(err, dec.err, kPicErrFileRead);
      reader->Abandon();
      break;
    }
    for (uint32_t y = 0; y < h && !reader->AllLinesRead(); ++y) {
      uint8_t* row = dib ? pixels + (h - 1 - y) * rowBytes : pixels + y * rowBytes;
      if (!JPGLineReader::ReadNextLine(err, reader, row, nullptr)) {
        stopped = true;
        break;
      }
      if (swap) {
        uint32_t ignored = 0;
        SwapRedBlue24(&ignored, row, w, 1);
      }
      if (!PicProgress(y, h)) {
        Fail(err, kPicErrCancelled);
        stopped = true;
        break;
      }
    }
    if (stopped) reader->Abandon();
    if (!reader->Buffered() || stopped) break;
    if (!JPGGuard(dec.err, [&] { jpeg_finish_output(cinfo); })) {
      FailLib(err, dec.err, kPicErrFileRead);
      reader->Abandon();
      break;
    }
    if (jpeg_input_complete(cinfo)) break;
    auto pass = reinterpret_cast<PicJPGPassCallback>(ctx->jpeg.progressivePassCallback);
    if (!pass(out.GetBuffer(), w, h, depth, static_cast<DWORD>(cinfo->input_scan_number - 1),
              ctx->jpeg.progressivePassUser))
      break;
  }
  *width = w;
  *height = h;
  return out.GetBuffer();
}

void LogJPGMarkers(j_decompress_ptr cinfo, PicPtrVector<CFileDataTag>* markers) {
  for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
    if (m->data_length == 0 || !m->data) continue;
    auto tag = std::make_unique<CFileDataTag>();
    tag->id = m->marker;
    if (m->marker == JPEG_COM) {
      // Up to the first zero, as a zero-terminated copy would read it.
      const char* text = reinterpret_cast<const char*>(m->data);
      tag->text.assign(text, std::find(text, text + m->data_length, '\0'));
      DebugHook(1, "PicLib JPG comment : %s\n", tag->text.c_str());
    } else {
      const uint32_t size = m->data_length + kJPGMarkerLead;
      if (!tag->data.Resize(size)) throw std::bad_alloc();
      std::memset(tag->data.Data(), 0, kJPGMarkerLead);
      std::memcpy(tag->data.Data() + kJPGMarkerLead, m->data, m->data_length);
      DebugHook(1, "PicLib JPG marker # %d, len: %d\n", m->marker, size);
    }
    if (!markers->Add(std::move(tag))) throw std::bad_alloc();
  }
}

int ReadJPGMarkers(uint32_t* err, CPicIO* src, PicPtrVector<CFileDataTag>* markers) {
  if (!src || !markers) return Fail(err, kPicErrBadArgument);
  JPGDecoder dec;
  if (uint32_t code = dec.Create(src, false, kPicErrBadJPEG)) return FailLib(err, dec.err, code);
  j_decompress_ptr cinfo = &dec.cinfo;
  if (!JPGGuard(dec.err, [&] {
        jpeg_save_markers(cinfo, JPEG_COM, 0xFFFF);
        for (int m = 1; m <= 14; ++m) jpeg_save_markers(cinfo, JPEG_APP0 + m, 0xFFFF);
        jpeg_read_header(cinfo, TRUE);
      }))
    return FailLib(err, dec.err, kPicErrBadJPEG);
  try {
    LogJPGMarkers(cinfo, markers);
  } catch (const std::bad_alloc&) {
    return Fail(err, kPicErrNoMemory);
  }
  return 1;
}

}  // namespace Pictura
