// PNG reading: dimensions and palette, rows at the caller's depth, packed
// DIBs, grey with alpha, RGBA, text chunks, the ICC profile and the line
// reader.
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "codecs/codec_support.h"
#include "codecs/decode_limits.h"
#include "codecs/png/png_codec.h"
#include "core/out_buffers.h"
#include "core/packing.h"

namespace Pictura {
namespace {

// deflate never packs more than 1032 bytes into one.
constexpr uint64_t kDeflateMaxRatio = 1032;
// libpng refuses gamma values it cannot hold as fixed point.
constexpr double kPNGMaxGamma = 21474.0;

struct PNGHeader {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  int interlace = 0;
};

int FailText(PNGCodecContext* pc, const char* text, uint32_t code) {
  PicLogCodecFailure("PicLib PNG Error : ", text, code);
  return PNGFail(pc, code);
}

// The common prologue: structures, the source and png_read_info.
bool BeginRead(PNGCodecContext* pc, PNGSession& s, CPicIO* src, PNGHeader* h) {
  if (!src) return PNGFail(pc, kPicErrBadArgument);
  if (!s.Create(src)) return PNGFail(pc, kPicErrPNGLibrary);
  const bool ok = PNGGuard(s, [&] {
    png_read_info(s.png(), s.info());
    png_get_IHDR(s.png(), s.info(), &h->width, &h->height, &h->bitDepth, &h->colorType, &h->interlace,
                 nullptr, nullptr);
  });
  if (!ok) return PNGFailLib(pc, s, kPicErrBadPNG);
  return true;
}

// Before the output is allocated: the file must be able to hold the image.
bool CheckImageSize(PNGCodecContext* pc, CPicIO* src, const PNGHeader& h) {
  const uint64_t rowBytes = (uint64_t{h.width} * PNGChannels(static_cast<uint32_t>(h.colorType)) *
                                 static_cast<uint32_t>(h.bitDepth) +
                             7) /
                            8;
  const uint64_t raw = uint64_t{h.height} * (rowBytes + 1);
  if (PicDecodePlausible(uint64_t{h.width} * h.height, raw, PicBytesLeft(*src), kDeflateMaxRatio))
    return true;
  return FailText(pc, "PNG image too large for its file", kPicErrBadPNG);
}

// Entries blue, green, red, 255; past count, copies of entry 0.
void FillPalette(RGBQUAD* palette, const png_color* colors, uint32_t count) {
  for (uint32_t i = 0; i < count && i < 256; ++i)
    palette[i] = RGBQUAD{colors[i].blue, colors[i].green, colors[i].red, 255};
  for (uint32_t i = count; i < 256; ++i)
    palette[i] = RGBQUAD{palette[0].rgbBlue, palette[0].rgbGreen, palette[0].rgbRed, 255};
}

// The grey ramp of a grey file of `bits` bits (at most 8: a 16-bit file
// comes out at 8 bits, so 256 entries).
uint32_t FillGrayRamp(RGBQUAD* palette, int bits) {
  const uint32_t n = 1u << (bits > 8 ? 8 : bits);
  png_color ramp[256];
  for (uint32_t i = 0; i < n; ++i) {
    const auto v = static_cast<png_byte>(i * 255 / (n - 1));
    ramp[i] = png_color{v, v, v};
  }
  FillPalette(palette, ramp, n);
  return n;
}

uint32_t FillFilePalette(png_structp png, png_infop info, RGBQUAD* palette) {
  png_colorp colors = nullptr;
  int count = 0;
  if (png_get_PLTE(png, info, &colors, &count) && colors && count > 0) {
    const uint32_t n = count > 256 ? 256 : static_cast<uint32_t>(count);
    FillPalette(palette, colors, n);
    return n;
  }
  return FillGrayRamp(palette, 8);
}

// tRNS alpha of a palette file into the reserved bytes.
void ApplyPaletteAlpha(png_structp png, png_infop info, RGBQUAD* palette) {
  png_bytep alpha = nullptr;
  int count = 0;
  if (!png_get_tRNS(png, info, &alpha, &count, nullptr) || !alpha) return;
  for (int i = 0; i < count && i < 256; ++i) palette[i].rgbReserved = alpha[i];
}

// Transformations for the depths 1, 4, 8 (indices or grey with a palette)
// and 24 (RGB); false when the file cannot come out at that depth. Runs
// inside a guard.
bool SetupPNGPaletteTransforms(png_structp png, png_infop info, uint32_t depth, int bitDepth, int colorType,
                               RGBQUAD* palette) {
  if (depth < 24 && depth / 8 > static_cast<uint32_t>(bitDepth)) return false;
  if (depth == 24) {
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    return true;
  }
  if (depth != 1 && depth != 4 && depth != 8) return true;
  if (!palette) return false;
  std::memset(palette, 0, 256 * sizeof(RGBQUAD));
  if (depth == 8) png_set_packing(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE)
    FillFilePalette(png, info, palette);
  else if (colorType == PNG_COLOR_TYPE_GRAY)
    FillGrayRamp(palette, bitDepth);
  else
    return false;
  if (depth != 1) ApplyPaletteAlpha(png, info, palette);
  return true;
}

// Readers whose output has no alpha: transparent pixels onto the file's
// background, else the thread's; the file's is kept as the last one read.
void SetPNGBackground(png_structp png, png_infop info, ImgThreadContext* ctx) {
  png_color_16p file = nullptr;
  if (png_get_bKGD(png, info, &file) && file) {
    png_set_background(png, file, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    if (ctx)
      ctx->png.lastBackground = PngColor16{file->index, file->red, file->green, file->blue, file->gray};
    return;
  }
  if (ctx) {
    const PngColor16& d = ctx->png.defaultBackground;
    png_color_16 background{d.index, d.red, d.green, d.blue, d.gray};
    png_set_background(png, &background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    ctx->png.lastBackground = PngColor16{};
  }
}

void SetPNGGamma(png_structp png, png_infop info, ImgThreadContext* ctx, uint32_t flags) {
  const double screen = ctx ? ctx->png.screenGamma : 0;
  double fileGamma = 0.45455;
  if (screen != 0) fileGamma = 1.0 / screen;
  int intent = 0;
  if (png_get_sRGB(png, info, &intent)) {
    png_set_sRGB(png, info, intent);
    return;
  }
  if (!(flags & kPNGReadGamma)) return;
  double gamma = 0;
  if (png_get_gAMA(png, info, &gamma)) fileGamma = gamma;
  // libpng takes positive gammas only.
  if (screen > 0 && screen < kPNGMaxGamma && fileGamma > 0 && fileGamma < kPNGMaxGamma)
    png_set_gamma(png, screen, fileGamma);
}

// Every pass into rows; progress = rows read over all passes / passes.
bool ReadPNGRows(PNGCodecContext* pc, PNGSession& s, uint8_t* const* rows, uint32_t height, int passes) {
  bool cancelled = false;
  const bool ok = PNGGuard(s, [&] {
    uint32_t done = 0, last = UINT32_MAX;
    for (int p = 0; p < passes && !cancelled; ++p) {
      for (uint32_t y = 0; y < height; ++y) {
        png_read_row(s.png(), rows[y], nullptr);
        const uint32_t value = ++done / static_cast<uint32_t>(passes);
        if (value != last) {
          last = value;
          if (!PicProgress(value, height)) {
            cancelled = true;
            break;
          }
        }
      }
    }
  });
  if (!ok) return PNGFailLib(pc, s, kPicErrBadPNG);
  if (cancelled) return PNGFail(pc, kPicErrCancelled);
  return true;
}

bool FinishRead(PNGCodecContext* pc, PNGSession& s) {
  if (!PNGGuard(s, [&] { png_read_end(s.png(), nullptr); })) return PNGFailLib(pc, s, kPicErrBadPNG);
  return true;
}

// Rows of one block, top-down or (a DIB) bottom-up.
bool RowTable(PicArray<uint8_t*>* rows, uint8_t* first, uint64_t stride, uint32_t height, bool bottomUp) {
  if (!rows->Resize(height)) return false;
  for (uint32_t i = 0; i < height; ++i) (*rows)[i] = first + (bottomUp ? height - 1 - i : i) * stride;
  return true;
}

struct Output {
  CPicOutBufAllocator block;
  uint8_t* pixels = nullptr;
};

// header + stride x height bytes through the output allocator.
bool AllocOutput(PNGCodecContext* pc, Output* out, uint64_t header, uint64_t stride, uint32_t height) {
  uint64_t bytes = 0;
  if (!PicSizeWithinCap(stride, height, 1, &bytes) || bytes + header >= kPicAllocCap ||
      !out->block.Alloc(static_cast<uint32_t>(bytes + header)))
    return PNGFail(pc, kPicErrNoMemory);
  out->pixels = out->block.Data() + header;
  return true;
}

// The 40-byte header of a bottom-up DIB with the file's pHYs.
void WriteDIBHeader(png_structp png, png_infop info, uint8_t* block, uint32_t width, uint32_t height,
                    uint32_t bits, uint64_t stride) {
  png_uint_32 rx = 0, ry = 0;
  int unit = 0;
  PicResolutionInfo res;
  if (png_get_pHYs(png, info, &rx, &ry, &unit))
    res = PicResolutionInfo{double(rx), double(ry), uint32_t(unit)};
  ConvertResolution(&res, 2, 4);
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = static_cast<LONG>(width);
  bih.biHeight = static_cast<LONG>(height);
  bih.biPlanes = 1;
  bih.biBitCount = static_cast<WORD>(bits);
  bih.biCompression = BI_RGB;
  bih.biSizeImage = static_cast<DWORD>(stride * height);
  bih.biXPelsPerMeter = res.x > 0 && res.x < 2147483647.0 ? static_cast<LONG>(res.x) : 0;
  bih.biYPelsPerMeter = res.y > 0 && res.y < 2147483647.0 ? static_cast<LONG>(res.y) : 0;
  bih.biClrUsed = bits <= 8 ? 1u << bits : 0;
  std::memcpy(block, &bih, sizeof bih);
}

// setup(png, info, header) inside a guard (false: the file has no form at
// the depth asked, 28), then interlace handling (when passes is given) and
// libpng's update; libpng's rows must then be rowBytes long (else 17).
template <class Setup>
bool TransformRows(PNGCodecContext* pc, PNGSession& s, const PNGHeader& h, Setup&& setup, uint64_t rowBytes,
                   int* passes) {
  png_structp png = s.png();
  png_infop info = s.info();
  bool formOk = true;
  size_t delivered = 0;
  const bool ok = PNGGuard(s, [&] {
    formOk = setup(png, info, h);
    if (!formOk) return;
    if (passes) *passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    delivered = png_get_rowbytes(png, info);
  });
  if (!ok) return PNGFailLib(pc, s, kPicErrBadPNG);
  if (!formOk) return PNGFail(pc, kPicErrBitDepth);
  if (delivered != rowBytes) return PNGFail(pc, kPicErrUnexpected);
  return true;
}

// What a whole-image core expects of libpng's rows and how it lays them out.
struct PNGLayout {
  uint64_t rowBytes = 0;      // what libpng must deliver a row (else 17)
  uint64_t stride = 0;        // bytes from row to row in the block
  uint64_t header = 0;        // bytes before the rows (a DIB's header and palette)
  bool bottomUp = false;      // a DIB: the file's first row is the block's last
  bool twoBitToFour = false;  // 2-bit rows read whole, then widened to 4 bits
};

// The common road of the whole-image cores: prologue and size check;
// setup(png, info, header) inside the guard (false: the file has no form
// at that depth, 28); interlace handling and update; layout(header) and
// the row check; the block, whatever comes before the rows
// (prefix(block, png, info, header)), the rows and the epilogue. The block
// is returned also after a failure once it was allocated.
template <class Setup, class Layout, class Prefix>
void* ReadWholePNG(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, Setup&& setup,
                   Layout&& layout, Prefix&& prefix) {
  if (!width || !height) {
    PNGFail(pc, kPicErrBadArgument);
    return nullptr;
  }
  PNGSession s(false);
  PNGHeader h;
  if (!BeginRead(pc, s, src, &h) || !CheckImageSize(pc, src, h)) return nullptr;
  const PNGLayout l = layout(h);
  int passes = 1;
  if (!TransformRows(pc, s, h, setup, l.rowBytes, &passes)) return nullptr;
  png_structp png = s.png();
  png_infop info = s.info();
  Output out;
  if (!AllocOutput(pc, &out, l.header, l.stride, h.height)) return nullptr;
  prefix(out.block.Data(), png, info, h);
  *width = h.width;
  *height = h.height;
  PicArray<uint8_t> packed;
  PicArray<uint8_t*> rows;
  const bool tableOk = l.twoBitToFour ? packed.Resize(static_cast<uint32_t>(l.rowBytes * h.height)) &&
                                            RowTable(&rows, packed.Data(), l.rowBytes, h.height, false)
                                      : RowTable(&rows, out.pixels, l.stride, h.height, l.bottomUp);
  if (!tableOk) {
    PNGFail(pc, kPicErrNoMemory);
    return out.block.GetBuffer();
  }
  if (ReadPNGRows(pc, s, rows.Data(), h.height, passes)) FinishRead(pc, s);
  if (l.twoBitToFour) {
    for (uint32_t i = 0; i < h.height; ++i)
      Unpack2BitRowTo4Bit(rows[i], out.pixels + (h.height - 1 - i) * l.stride, 2, h.width);
  }
  return out.block.GetBuffer();
}

void NoPrefix(uint8_t*, png_structp, png_infop, const PNGHeader&) {}

}  // namespace

int ReadPNGDims(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                uint32_t* colorType, uint32_t* interlace, PicResolutionInfo* resolution,
                uint32_t* paletteCount, RGBQUAD* palette, const PNGTransparency& transparency) {
  PNGSession s(false);
  PNGHeader h;
  if (!BeginRead(pc, s, src, &h)) return 0;
  png_structp png = s.png();
  png_infop info = s.info();
  if (width) *width = h.width;
  if (height) *height = h.height;
  if (bitDepth) *bitDepth = static_cast<uint32_t>(h.bitDepth);
  if (colorType) *colorType = static_cast<uint32_t>(h.colorType);
  if (interlace) *interlace = static_cast<uint32_t>(h.interlace);

  // A 16-bit grey file has no 65536-entry palette: its ramp is the 8-bit one
  // that the readers deliver.
  RGBQUAD scratch[256];
  RGBQUAD* pal = palette ? palette : scratch;
  std::memset(pal, 0, 256 * sizeof(RGBQUAD));
  uint32_t count = 0;
  if (h.colorType == PNG_COLOR_TYPE_PALETTE)
    count = FillFilePalette(png, info, pal);
  else if (h.colorType == PNG_COLOR_TYPE_GRAY)
    count = FillGrayRamp(pal, h.bitDepth);
  if (paletteCount) *paletteCount = count;

  png_bytep alpha = nullptr;
  int alphaCount = 0;
  png_color_16p key = nullptr;
  if (palette && png_get_tRNS(png, info, &alpha, &alphaCount, &key)) {
    if (h.colorType == PNG_COLOR_TYPE_PALETTE && alpha) {
      for (int i = 0; i < alphaCount && i < 256; ++i) palette[i].rgbReserved = alpha[i];
      // The index out names the first fully transparent entry.
      for (int i = 0; i < alphaCount && i < 256; ++i)
        if (alpha[i] == 0) {
          if (transparency.index) *transparency.index = i;
          break;
        }
    } else if (key && h.colorType == PNG_COLOR_TYPE_GRAY) {
      if (transparency.gray) *transparency.gray = key->gray;
    } else if (key && h.colorType == PNG_COLOR_TYPE_RGB) {
      if (transparency.red) *transparency.red = key->red;
      if (transparency.green) *transparency.green = key->green;
      if (transparency.blue) *transparency.blue = key->blue;
    }
  }

  ImgThreadContext* ctx = GetImgThreadContext();
  png_color_16p bkgd = nullptr;
  if (ctx) {
    ctx->png.lastBackground = png_get_bKGD(png, info, &bkgd) && bkgd
                                  ? PngColor16{bkgd->index, bkgd->red, bkgd->green, bkgd->blue, bkgd->gray}
                                  : PngColor16{};
  }
  if (resolution) {
    png_uint_32 rx = 0, ry = 0;
    int unit = 0;
    *resolution = png_get_pHYs(png, info, &rx, &ry, &unit)
                      ? PicResolutionInfo{double(rx), double(ry), uint32_t(unit)}
                      : PicResolutionInfo{0, 0, 0};
  }
  return 1;
}

void* ReadPNGImage(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t depth,
                   RGBQUAD* palette, bool keep16, uint32_t flags) {
  if ((depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 48) ||
      (depth <= 8 && !palette)) {
    PNGFail(pc, kPicErrBadArgument);
    return nullptr;
  }
  if (flags & kPNGReadDIB) {
    PNGFail(pc, kPicErrUnexpected);
    return nullptr;
  }
  ImgThreadContext* ctx = GetImgThreadContext();
  auto setup = [&](png_structp png, png_infop info, const PNGHeader& h) {
    if (!SetupPNGPaletteTransforms(png, info, depth, h.bitDepth, h.colorType, palette)) return false;
    if (h.bitDepth == 16) {
      if (keep16) {
        if (h.colorType != PNG_COLOR_TYPE_GRAY && h.colorType != PNG_COLOR_TYPE_RGB &&
            h.colorType != PNG_COLOR_TYPE_RGB_ALPHA)
          return false;
        png_set_swap(png);
      } else {
        png_set_strip_16(png);
      }
    }
    SetPNGBackground(png, info, ctx);
    SetPNGGamma(png, info, ctx, flags);
    if (flags & kPNGReadBGRPadded) png_set_bgr(png);
    return true;
  };
  auto layout = [&](const PNGHeader& h) {
    PNGLayout l;
    l.rowBytes = depth == 1   ? (uint64_t{h.width} + 7) / 8
                 : depth == 4 ? (uint64_t{h.width} + 1) / 2
                              : uint64_t{h.width} * (depth / 8);
    l.stride = (flags & kPNGReadBGRPadded) ? (l.rowBytes + 3) & ~uint64_t{3} : l.rowBytes;
    return l;
  };
  return ReadWholePNG(pc, src, width, height, setup, layout, NoPrefix);
}

void* ReadPNGToDIB(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint32_t flags) {
  ImgThreadContext* ctx = GetImgThreadContext();
  RGBQUAD palette[256] = {};
  // The DIB's depth from the file's.
  auto bitsOf = [](const PNGHeader& h) -> uint32_t {
    const int bd = h.bitDepth, ct = h.colorType;
    if (bd == 1) return 1;
    if (ct == PNG_COLOR_TYPE_PALETTE) return bd <= 4 ? 4 : 8;
    if (ct == PNG_COLOR_TYPE_GRAY) return 8;
    return ct == PNG_COLOR_TYPE_RGB ? 24 : 32;
  };
  auto setup = [&](png_structp png, png_infop info, const PNGHeader& h) {
    const uint32_t bits = bitsOf(h);
    if (h.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!SetupPNGPaletteTransforms(png, info, bits, h.bitDepth, h.colorType, palette)) return false;
    if (h.bitDepth == 16) png_set_strip_16(png);
    // Without an alpha channel in the output, tRNS pixels take the
    // background: the rows keep their 1, 4, 8 or 24 bits.
    if (bits != 32) SetPNGBackground(png, info, ctx);
    SetPNGGamma(png, info, ctx, flags);
    png_set_bgr(png);
    return true;
  };
  auto layout = [&](const PNGHeader& h) {
    const uint64_t w = h.width;
    const uint32_t bits = bitsOf(h);
    PNGLayout l;
    l.twoBitToFour = bits == 4 && h.bitDepth == 2;
    l.rowBytes = bits == 1        ? (w + 7) / 8
                 : l.twoBitToFour ? (2 * w + 7) / 8
                 : bits == 4      ? (w + 1) / 2
                                  : w * bits / 8;
    l.stride = (w * bits + 31) / 32 * 4;
    l.header = sizeof(BITMAPINFOHEADER) + (bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0);
    l.bottomUp = true;
    return l;
  };
  auto prefix = [&](uint8_t* block, png_structp png, png_infop info, const PNGHeader& h) {
    const PNGLayout l = layout(h);
    WriteDIBHeader(png, info, block, h.width, h.height, bitsOf(h), l.stride);
    std::memcpy(block + sizeof(BITMAPINFOHEADER), palette, l.header - sizeof(BITMAPINFOHEADER));
  };
  return ReadWholePNG(pc, src, width, height, setup, layout, prefix);
}

void* ReadPNGGrayAlpha(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint16_t filler,
                       uint32_t flags) {
  ImgThreadContext* ctx = GetImgThreadContext();
  auto setup = [&](png_structp png, png_infop info, const PNGHeader& h) {
    if (h.colorType == PNG_COLOR_TYPE_GRAY && h.bitDepth < 8) png_set_expand(png);
    if (h.colorType != PNG_COLOR_TYPE_GRAY && h.colorType != PNG_COLOR_TYPE_GRAY_ALPHA) return false;
    if (h.bitDepth == 16) png_set_strip_16(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
      png_set_tRNS_to_alpha(png);
    else
      png_set_filler(png, filler, PNG_FILLER_AFTER);
    SetPNGGamma(png, info, ctx, flags);
    return true;
  };
  auto layout = [](const PNGHeader& h) {
    PNGLayout l;
    l.rowBytes = l.stride = uint64_t{h.width} * 2;
    return l;
  };
  return ReadWholePNG(pc, src, width, height, setup, layout, NoPrefix);
}

void* ReadPNGToRGBA(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height, uint16_t filler,
                    bool sixteen, uint32_t flags) {
  const bool dib = (flags & kPNGReadDIB) != 0;
  if (dib && sixteen) {
    PNGFail(pc, kPicErrBadArgument);
    return nullptr;
  }
  ImgThreadContext* ctx = GetImgThreadContext();
  auto setup = [&](png_structp png, png_infop info, const PNGHeader& h) {
    const int ct = h.colorType;
    if (ct == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
    if (ct == PNG_COLOR_TYPE_GRAY && h.bitDepth < 8) png_set_expand(png);
    if (ct == PNG_COLOR_TYPE_GRAY || ct == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (dib || (flags & kPNGReadBGRPadded)) png_set_bgr(png);
    if (h.bitDepth == 16) {
      if (sixteen)
        png_set_swap(png);
      else
        png_set_strip_16(png);
    }
    if (!(ct & PNG_COLOR_MASK_ALPHA)) {
      if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
      else
        png_set_filler(png, filler, PNG_FILLER_AFTER);
    }
    SetPNGGamma(png, info, ctx, flags);
    return true;
  };
  auto layout = [&](const PNGHeader& h) {
    PNGLayout l;
    l.rowBytes = l.stride = uint64_t{h.width} * 4 * (sixteen ? 2 : 1);
    l.header = dib ? sizeof(BITMAPINFOHEADER) : 0;
    l.bottomUp = dib;
    return l;
  };
  auto prefix = [&](uint8_t* block, png_structp png, png_infop info, const PNGHeader& h) {
    if (dib) WriteDIBHeader(png, info, block, h.width, h.height, 32, uint64_t{h.width} * 4);
  };
  return ReadWholePNG(pc, src, width, height, setup, layout, prefix);
}

void ReadPNGTextChunks(PNGCodecContext* pc, CPicIO* src, std::vector<PNGTextChunk>* chunks) {
  chunks->clear();
  PNGSession s(false);
  PNGHeader h;
  if (!BeginRead(pc, s, src, &h)) return;
  png_textp text = nullptr;
  int count = 0;
  png_get_text(s.png(), s.info(), &text, &count);
  for (int i = 0; i < count; ++i) {
    if (!text[i].key || !text[i].text) continue;
    const size_t length = std::strlen(text[i].text);
    if (length >= 0x7FFFFFFF) continue;
    chunks->push_back(PNGTextChunk{text[i].key, std::string(text[i].text, length),
                                   text[i].compression == PNG_TEXT_COMPRESSION_zTXt ? 1u : 0u});
  }
}

int ReadPNGICCProfile(PNGCodecContext* pc, CPicIO* src, PicArray<uint8_t>* profile, std::string* name) {
  PNGSession s(false);
  PNGHeader h;
  if (!BeginRead(pc, s, src, &h)) return 0;
  png_charp profileName = nullptr;
  int compression = 0;
  png_bytep data = nullptr;
  png_uint_32 length = 0;
  if (!png_get_iCCP(s.png(), s.info(), &profileName, &compression, &data, &length) || !data || length == 0)
    return PNGFail(pc, kPicErrPNGDataMissing);
  if (!profile->Resize(length)) return PNGFail(pc, kPicErrNoMemory);
  std::memcpy(profile->Data(), data, length);
  if (name) *name = profileName ? profileName : "";
  return 1;
}

int AddPNGTextChunk(const char* keyword, const char* text, uint32_t compressed) {
  if (!keyword || !*keyword) return 0;
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx) return 0;
  ctx->png.textToWrite.push_back(PNGTextChunk{keyword, text ? text : "", compressed});
  return 1;
}

PNGLineReader* PNGLineReader::Open(PNGCodecContext* pc, CPicIO* src, uint32_t* width, uint32_t* height,
                                   uint32_t depth, RGBQUAD* palette, uint32_t flags) {
  if (depth != 8 && depth != 24) {
    PNGFail(pc, kPicErrBadArgument);
    return nullptr;
  }
  std::unique_ptr<PNGLineReader> reader(new (std::nothrow) PNGLineReader);
  if (!reader) {
    PNGFail(pc, kPicErrNoMemory);
    return nullptr;
  }
  PNGSession& s = reader->session_;
  PNGHeader h;
  if (!BeginRead(pc, s, src, &h)) return nullptr;
  if (h.interlace != PNG_INTERLACE_NONE) {
    FailText(pc, "can't read interlaced PNGs one line at a time", kPicErrInterlacedPNGLines);
    return nullptr;
  }
  ImgThreadContext* ctx = GetImgThreadContext();
  auto setup = [&](png_structp png, png_infop info, const PNGHeader& hd) {
    if (!SetupPNGPaletteTransforms(png, info, depth, hd.bitDepth, hd.colorType, palette)) return false;
    if (hd.bitDepth == 16) png_set_strip_16(png);
    SetPNGBackground(png, info, ctx);
    SetPNGGamma(png, info, ctx, flags);
    return true;
  };
  if (!TransformRows(pc, s, h, setup, uint64_t{h.width} * (depth / 8), nullptr)) return nullptr;
  reader->height_ = h.height;
  if (width) *width = h.width;
  if (height) *height = h.height;
  return reader.release();
}

int PNGLineReader::ReadNextLine(PNGCodecContext* pc, PNGLineReader* reader, uint8_t* row,
                                uint32_t* rowsRead) {
  if (!reader || !row) return PNGFail(pc, kPicErrBadArgument);
  if (reader->failed_) return PNGFail(pc, kPicErrBadPNG);
  if (reader->rowsRead_ >= reader->height_) return PNGFail(pc, kPicErrEndOfImage);
  PNGSession& s = reader->session_;
  if (!PNGGuard(s, [&] { png_read_row(s.png(), row, nullptr); })) {
    reader->failed_ = true;  // libpng's state is not to be used after a failure
    return PNGFailLib(pc, s, kPicErrBadPNG);
  }
  ++reader->rowsRead_;
  if (rowsRead) *rowsRead = reader->rowsRead_;
  return 1;
}

int PNGLineReader::Close(PNGCodecContext* pc, PNGLineReader* reader) {
  if (!reader) return PNGFail(pc, kPicErrBadArgument);
  std::unique_ptr<PNGLineReader> owner(reader);
  // A reader closed before its last row is only dropped.
  if (!reader->failed_ && reader->rowsRead_ == reader->height_) return FinishRead(pc, reader->session_);
  return 1;
}

}  // namespace Pictura
