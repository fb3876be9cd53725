// PNG writing: the header and the thread's chunks (palette, transparency,
// background, time, physical size, gamma, text, ICC profile, zlib options),
// then the rows through the line writer or all at once.
#include <ctime>
#include <cstring>
#include <memory>
#include <new>

#include "codecs/png/png_codec.h"

namespace Pictura {
namespace {

// libpng's gAMA must fit its fixed-point form.
constexpr double kPNGMaxGamma = 21474.0;

// The bit depths each colour type allows.
bool ValidHeader(uint32_t colorType, uint32_t bitDepth) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case PNG_COLOR_TYPE_PALETTE:
      return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return bitDepth == 8 || bitDepth == 16;
    default:
      return false;
  }
}

png_color_16 ToPng(const PngColor16& c) {
  return png_color_16{c.index, c.red, c.green, c.blue, c.gray};
}

// The thread's zlib options, each only when its mask bit is set. Runs
// inside a guard.
void SetPNGCompression(png_structp png, const PNGOptions& o) {
  if (o.zlibSetMask & 1) png_set_filter(png, 0, o.filterMask);
  if (o.zlibSetMask & 2) png_set_compression_level(png, o.zlibLevel);
  if (o.zlibSetMask & 4) png_set_compression_mem_level(png, o.zlibMemLevel);
  if (o.zlibSetMask & 8) png_set_compression_strategy(png, o.zlibStrategy);
  if (o.zlibSetMask & 16) png_set_compression_window_bits(png, o.zlibWindowBits);
}

}  // namespace

bool PNGLineWriter::Start(PNGCodecContext* pc, CPicIO* dest, const PNGWriteSpec& spec, bool interlace) {
  if (!dest || spec.width == 0 || spec.height == 0 || !ValidHeader(spec.colorType, spec.bitDepth) ||
      (spec.paletteCount >= 1 && spec.paletteCount <= 256 && !spec.palette))
    return PNGFail(pc, kPicErrBadArgument);
  dest_ = dest;
  height_ = spec.height;
  rowBytes_ =
      static_cast<size_t>((uint64_t{spec.width} * PNGChannels(spec.colorType) * spec.bitDepth + 7) / 8);
  if (!session_.Create(dest)) return PNGFail(pc, kPicErrPNGLibrary);

  ImgThreadContext* ctx = GetImgThreadContext();
  static const PNGOptions kNoOptions;
  const PNGOptions& options = ctx ? ctx->png : kNoOptions;

  // The palette: libpng 1.6 takes at most 2^bit depth entries for a palette
  // image and writes none into a grey one.
  uint32_t paletteCount = spec.paletteCount >= 1 && spec.paletteCount <= 256 ? spec.paletteCount : 0;
  if (spec.colorType == PNG_COLOR_TYPE_PALETTE && paletteCount > (1u << spec.bitDepth))
    paletteCount = 1u << spec.bitDepth;
  if (!(spec.colorType & PNG_COLOR_MASK_COLOR)) paletteCount = 0;
  if (paletteCount && !palette_.Resize(paletteCount)) return PNGFail(pc, kPicErrNoMemory);
  png_byte alpha[256];
  for (uint32_t i = 0; i < paletteCount; ++i) {
    palette_[i] = png_color{spec.palette[i].rgbRed, spec.palette[i].rgbGreen, spec.palette[i].rgbBlue};
    alpha[i] = spec.palette[i].rgbReserved;
  }

  std::vector<png_text> texts;
  for (const PNGTextChunk& t : options.textToWrite) {
    png_text entry{};
    entry.compression = t.compressed ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
    entry.key = const_cast<png_charp>(t.key.c_str());
    entry.text = const_cast<png_charp>(t.text.c_str());
    entry.text_length = t.text.size();
    texts.push_back(entry);
  }

  png_color_16 background = ToPng(options.defaultBackground);
  png_color_16 transparent = ToPng(options.transparentColor);
  const bool keyColor = options.writeTransparent != 0;
  png_structp png = session_.png();
  png_infop info = session_.info();
  const uint32_t flags = spec.flags;
  const bool ok = PNGGuard(session_, [&] {
    SetPNGCompression(png, options);
    png_set_IHDR(png, info, spec.width, spec.height, static_cast<int>(spec.bitDepth),
                 static_cast<int>(spec.colorType), interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (paletteCount) {
      png_set_PLTE(png, info, palette_.Data(), static_cast<int>(paletteCount));
      // Alpha values belong to palette images only: an RGB image with a
      // suggested palette must not get a colour key out of them.
      if (spec.colorType == PNG_COLOR_TYPE_PALETTE && (flags & kPNGWritePaletteAlpha))
        png_set_tRNS(png, info, alpha, static_cast<int>(paletteCount), keyColor ? &transparent : nullptr);
      png_set_bKGD(png, info, &background);
    }
    if (keyColor && (spec.colorType == PNG_COLOR_TYPE_GRAY || spec.colorType == PNG_COLOR_TYPE_RGB))
      png_set_tRNS(png, info, nullptr, 0, &transparent);
    if (flags & kPNGWriteBGR) png_set_bgr(png);
    if (!(flags & kPNGWriteNoTime)) {
      png_time now;
      png_convert_from_time_t(&now, std::time(nullptr));
      png_set_tIME(png, info, &now);
    }
    if (spec.colorType & PNG_COLOR_MASK_ALPHA) png_set_bKGD(png, info, &background);
    png_set_pHYs(png, info, pc->resolution.x, pc->resolution.y, static_cast<int>(pc->resolution.unit));
    if (spec.gamma > 0 && spec.gamma < kPNGMaxGamma) png_set_gAMA(png, info, spec.gamma);
    if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
  });
  if (!ok) return PNGFailLib(pc, session_, kPicErrFileWrite);

  // libpng 1.6 checks a profile against the image and refuses what does not
  // fit: that is the caller's profile, not a write failure.
  if (ctx && !ctx->iccProfile.Empty()) {
    const PicArray<unsigned char>& icc = ctx->iccProfile;
    const bool set = PNGGuard(session_, [&] {
      png_set_iCCP(png, info, "icm", PNG_COMPRESSION_TYPE_BASE, icc.Data(), icc.Count());
    });
    if (!set || !png_get_valid(png, info, PNG_INFO_iCCP)) {
      if (set) session_.SetMessage("iCCP: profile rejected");
      return PNGFailLib(pc, session_, kPicErrBadArgument);
    }
  }
  const bool written = PNGGuard(session_, [&] {
    png_write_info(png, info);
    if (spec.bitDepth == 16) png_set_swap(png);  // samples come little-endian
  });
  if (!written) return PNGFailLib(pc, session_, kPicErrFileWrite);
  return true;
}

PNGLineWriter* PNGLineWriter::Open(PNGCodecContext* pc, CPicIO* dest, const PNGWriteSpec& spec) {
  std::unique_ptr<PNGLineWriter> writer(new (std::nothrow) PNGLineWriter);
  if (!writer) {
    PNGFail(pc, kPicErrNoMemory);
    return nullptr;
  }
  if (!writer->Start(pc, dest, spec, false)) return nullptr;
  return writer.release();
}

int PNGLineWriter::WriteNextLine(PNGCodecContext* pc, PNGLineWriter* writer, const uint8_t* row) {
  if (!writer || !row) return PNGFail(pc, kPicErrBadArgument);
  if (writer->failed_) return PNGFail(pc, kPicErrFileWrite);
  PNGSession& s = writer->session_;
  if (png_get_current_row_number(s.png()) >= writer->height_ || writer->rowsWritten_ >= writer->height_) {
    try {
      LogDebugMessage("end of an image while using single-line de/compression", kPicErrEndOfImage, 3, false);
    } catch (...) {
    }
    return PNGFail(pc, kPicErrEndOfImage);
  }
  if (!PNGGuard(s, [&] { png_write_row(s.png(), row); })) {
    writer->failed_ = true;
    return PNGFailLib(pc, s, kPicErrFileWrite);
  }
  ++writer->rowsWritten_;
  return 1;
}

int PNGLineWriter::Close(PNGCodecContext* pc, PNGLineWriter* writer) {
  if (!writer) return PNGFail(pc, kPicErrBadArgument);
  std::unique_ptr<PNGLineWriter> owner(writer);
  if (writer->failed_) return 1;
  PNGSession& s = writer->session_;
  if (!PNGGuard(s, [&] { png_write_end(s.png(), nullptr); })) return PNGFailLib(pc, s, kPicErrFileWrite);
  return 1;
}

uint32_t WritePNGImage(PNGCodecContext* pc, CPicIO* dest, const uint8_t* image, uint32_t stride,
                       const PNGWriteSpec& spec) {
  uint32_t size = 0;
  if (!dest || !image) {
    PNGFail(pc, kPicErrBadArgument);
    return 0;
  }
  PNGLineWriter writer;
  if (writer.Start(pc, dest, spec, (spec.flags & kPNGWriteInterlace) != 0)) {
    if (stride < writer.rowBytes_) {
      PNGFail(pc, kPicErrBadArgument);
    } else {
      PicArray<const uint8_t*> rows;
      if (!rows.Resize(spec.height)) {
        PNGFail(pc, kPicErrNoMemory);
      } else {
        const bool bottomUp = (spec.flags & kPNGWriteBottomUp) != 0;
        for (uint32_t i = 0; i < spec.height; ++i)
          rows[i] = image + static_cast<size_t>(bottomUp ? spec.height - 1 - i : i) * stride;
        PNGSession& s = writer.session_;
        const uint32_t height = spec.height;
        bool cancelled = false;
        const bool ok = PNGGuard(s, [&] {
          const int passes = png_set_interlace_handling(s.png());
          uint32_t done = 0, last = UINT32_MAX;
          for (int p = 0; p < passes && !cancelled; ++p) {
            for (uint32_t y = 0; y < height; ++y) {
              png_write_row(s.png(), rows[y]);
              const uint32_t value = ++done / static_cast<uint32_t>(passes);
              if (value == last) continue;
              last = value;
              // A refusal is asked once more before the write stops.
              if (!PicProgress(value, height) && !PicProgress(y, height)) {
                cancelled = true;
                break;
              }
            }
          }
          if (!cancelled) png_write_end(s.png(), nullptr);
        });
        if (!ok)
          PNGFailLib(pc, s, kPicErrFileWrite);
        else if (cancelled)
          PNGFail(pc, kPicErrCancelled);
      }
    }
  }
  dest->GetSize(&size);
  return size;
}

}  // namespace Pictura
