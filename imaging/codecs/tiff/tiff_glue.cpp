#include "codecs/tiff/tiff_glue.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "core/allocators.h"
#include "core/thread_context.h"

namespace Pictura {
namespace {

// Offsets past 4 GiB cannot be reached through the 32-bit managers.
constexpr uint64_t kMaxStreamOffset = 0xFFFFFFFFull;

CPicIO* StreamOf(thandle_t h) {
  return static_cast<TIFFHandleState*>(h)->stream;
}

tmsize_t TIFFStreamReadProc(thandle_t h, void* buf, tmsize_t n) {
  if (n <= 0) return 0;
  CPicIO* io = StreamOf(h);
  auto* out = static_cast<uint8_t*>(buf);
  uint64_t done = 0;
  const uint64_t want = static_cast<uint64_t>(n);
  try {
    while (done < want) {
      const uint32_t piece = static_cast<uint32_t>(want - done < (1u << 30) ? want - done : (1u << 30));
      const uint32_t got = io->Read(out + done, piece);
      done += got;
      if (got < piece) break;
    }
  } catch (...) {
  }
  return static_cast<tmsize_t>(done);
}

tmsize_t TIFFStreamWriteProc(thandle_t h, void* buf, tmsize_t n) {
  if (n <= 0) return 0;
  if (static_cast<uint64_t>(n) > kMaxStreamOffset) return 0;
  try {
    return StreamOf(h)->Write(buf, static_cast<uint32_t>(n)) ? n : 0;
  } catch (...) {
    return 0;
  }
}

toff_t TIFFStreamSeekProc(thandle_t h, toff_t offset, int whence) {
  CPicIO* io = StreamOf(h);
  const uint32_t origin = whence == SEEK_CUR ? kPicSeekCur : whence == SEEK_END ? kPicSeekEnd : kPicSeekSet;
  // A refused seek answers 0: libtiff compares each answer with the offset
  // it asked for, and no reader or writer gets here with a source that
  // refuses the file's start.
  constexpr toff_t kRefused = 0;
  try {
    bool ok = false;
    if (origin == kPicSeekSet) {
      ok = offset <= kMaxStreamOffset && io->SeekTo(offset);
    } else {
      // libtiff passes a signed offset in its unsigned type.
      const int64_t delta = static_cast<int64_t>(offset);
      ok = delta >= INT32_MIN && delta <= INT32_MAX && io->Seek(static_cast<int32_t>(delta), origin);
    }
    uint32_t pos = 0;
    if (!ok || !io->GetPos(&pos)) return kRefused;
    return pos;
  } catch (...) {
    return kRefused;
  }
}

int TIFFStreamCloseProc(thandle_t) {
  return 0;  // the stream belongs to the codec's caller
}

toff_t TIFFStreamSizeProc(thandle_t h) {
  uint32_t size = 0;
  try {
    return StreamOf(h)->GetSize(&size) ? size : 0;
  } catch (...) {
    return 0;
  }
}

int TIFFStreamMapProc(thandle_t, void**, toff_t*) {
  return 0;
}
void TIFFStreamUnmapProc(thandle_t, void*, toff_t) {}

void LogLibTiffMessage(const char* lead, uint32_t level, const char* fmt, va_list ap) {
  char message[1024];
  std::vsnprintf(message, sizeof message, fmt, ap);
  char text[1100];
  std::snprintf(text, sizeof text, "%s%s\n", lead, message);
  try {
    LogDebugMessage(text, kPicErrBadTIFF, level, false);
  } catch (...) {
    // no room for the record: libtiff's result still carries the failure
  }
}

// Per-handle handlers: nothing goes to libtiff's process-wide ones.
int LibTiffErrorHandler(TIFF*, void*, const char*, const char* fmt, va_list ap) {
  LogLibTiffMessage("LibTiff Error: ", 3, fmt, ap);
  return 1;
}
int LibTiffWarningHandler(TIFF*, void*, const char*, const char* fmt, va_list ap) {
  LogLibTiffMessage("LibTiff Warning: ", 2, fmt, ap);
  return 1;
}

char kExifName[] = "EXIF Offset";
char kAnnotationsName[] = "baAnnotations";
char kPixelScaleName[] = "GeoPixelScale";
char kIntergraphName[] = "Intergraph TransformationMatrix";
char kTransformName[] = "GeoTransformationMatrix";
char kTiePointsName[] = "GeoTiePoints";
char kKeyDirectoryName[] = "GeoKeyDirectory";
char kDoubleParamsName[] = "GeoDoubleParams";
char kAsciiParamsName[] = "GeoASCIIParams";

const TIFFFieldInfo kExtraTags[] = {
    {34665, 1, 1, TIFF_LONG, FIELD_CUSTOM, 1, 0, kExifName},
    {32932, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_BYTE, FIELD_CUSTOM, 0, 1, kAnnotationsName},
    {33550, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kPixelScaleName},
    {33920, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kIntergraphName},
    {34264, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kTransformName},
    {33922, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kTiePointsName},
    {34735, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_SHORT, FIELD_CUSTOM, 1, 1, kKeyDirectoryName},
    {34736, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kDoubleParamsName},
    {34737, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_ASCII, FIELD_CUSTOM, 1, 0, kAsciiParamsName},
};

TIFFExtendProc previousExtender = nullptr;

void TIFFTagExtender(TIFF* tif) {
  // Tags libtiff already knows keep libtiff's own definition and type.
  TIFFFieldInfo missing[sizeof kExtraTags / sizeof kExtraTags[0]];
  uint32_t count = 0;
  for (const TIFFFieldInfo& f : kExtraTags)
    if (!TIFFFindField(tif, f.field_tag, TIFF_ANY)) missing[count++] = f;
  if (count) TIFFMergeFieldInfo(tif, missing, count);
  if (previousExtender) previousExtender(tif);
}

}  // namespace

void InstallTIFFTagExtender() {
  static std::once_flag once;
  std::call_once(once, [] { previousExtender = TIFFSetTagExtender(TIFFTagExtender); });
}

TIFFHandleState* TIFFState(TIFF* tif) {
  return static_cast<TIFFHandleState*>(TIFFClientdata(tif));
}

TIFF* OpenTIFFOnStream(CPicIO* stream, const char* mode) {
  if (!stream) return nullptr;
  InstallTIFFTagExtender();
  // libtiff reads the header of a file it reads or appends to from where
  // the stream stands; an appending destination stands at its end.
  if (mode[0] != 'w' && !stream->Seek(0, kPicSeekSet)) return nullptr;
  auto* state = new (std::nothrow) TIFFHandleState;
  if (!state) return nullptr;
  state->stream = stream;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) {
    delete state;
    return nullptr;
  }
  TIFFOpenOptionsSetErrorHandlerExtR(options, LibTiffErrorHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, LibTiffWarningHandler, nullptr);
  // No single block of libtiff's may pass the library's own cap.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kPicAllocCap));
  TIFF* tif = TIFFClientOpenExt(stream->GetName(), mode, state, TIFFStreamReadProc, TIFFStreamWriteProc,
                                TIFFStreamSeekProc, TIFFStreamCloseProc, TIFFStreamSizeProc,
                                TIFFStreamMapProc, TIFFStreamUnmapProc, options);
  TIFFOpenOptionsFree(options);
  if (!tif) delete state;
  return tif;
}

void CloseTIFF(TIFF* tif) {
  if (!tif) return;
  TIFFHandleState* state = TIFFState(tif);
  TIFFClose(tif);
  delete state;
}

int TIFFCallProgressHook(TIFF* tif, uint32_t row, uint32_t total) {
  TIFFHandleState* s = TIFFState(tif);
  if (!s->tif_progressproc) return 0;
  return s->tif_progressproc(row, total, s->tif_progressdata) ? 1 : 0;
}

void putRawCMYKTile(TIFFRGBAImage* img, uint32_t* cp, uint32_t, uint32_t, uint32_t w, uint32_t h,
                    int32_t fromskew, int32_t toskew, unsigned char* pp) {
  const uint32_t spp = img->samplesperpixel;
  for (; h > 0; --h) {
    for (uint32_t x = w; x > 0; --x) {
      *cp++ = uint32_t{pp[0]} | uint32_t{pp[1]} << 8 | uint32_t{pp[2]} << 16 | uint32_t{pp[3]} << 24;
      pp += spp;
    }
    cp += toskew;
    pp += static_cast<int64_t>(fromskew) * spp;
  }
}

namespace {

// 8-bit grey with an extra sample libtiff leaves unspecified, given an
// alpha meaning by the caller: grey from the black-and-white map, alpha as
// stored.
void putGreyAlphaTile(TIFFRGBAImage* img, uint32_t* cp, uint32_t, uint32_t, uint32_t w, uint32_t h,
                      int32_t fromskew, int32_t toskew, unsigned char* pp) {
  const uint32_t spp = img->samplesperpixel;
  uint32_t** bw = img->BWmap;
  for (; h > 0; --h) {
    for (uint32_t x = w; x > 0; --x) {
      *cp++ = (bw[pp[0]][0] & 0x00FFFFFFu) | uint32_t{pp[1]} << 24;
      pp += spp;
    }
    cp += toskew;
    pp += static_cast<int64_t>(fromskew) * spp;
  }
}

// 16-bit grey as libtiff's own routine reads it, each sample's high byte
// through the black-and-white map; that routine steps over a clipped tile's
// right-hand rest in bytes, not in samples.
void putGrey16Tile(TIFFRGBAImage* img, uint32_t* cp, uint32_t, uint32_t, uint32_t w, uint32_t h,
                   int32_t fromskew, int32_t toskew, unsigned char* pp) {
  const uint32_t spp = img->samplesperpixel;
  uint32_t** bw = img->BWmap;
  for (; h > 0; --h) {
    for (uint32_t x = w; x > 0; --x) {
      uint16_t v;
      std::memcpy(&v, pp, 2);
      *cp++ = bw[v >> 8][0];
      pp += 2 * spp;
    }
    cp += toskew;
    pp += static_cast<int64_t>(fromskew) * 2 * spp;
  }
}

// Tiles for libtiff's RGBA loops, read here. libtiff 4.5's own loops fetch
// each tile through a path that refuses an uncompressed tile of an unmapped
// file unless its size is a multiple of 1024 ("Invalid tile byte count"),
// and the codec's streams are never mapped. TIFFReadEncodedTile has no such
// check, and the put routines stay libtiff's. Rows come in stored order
// (req_orientation is the file's own), so nothing is flipped; the leftmost
// tile may start inside (col_offset), the rightmost end outside (w).
struct TileWalk {
  TIFFRGBAImage* img;
  uint32_t tw = 0, th = 0;
  tmsize_t tileSize = 0, rowSize = 0;

  explicit TileWalk(TIFFRGBAImage* image) : img(image) {
    TIFFGetField(img->tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(img->tif, TIFFTAG_TILELENGTH, &th);
    tileSize = TIFFTileSize(img->tif);
    rowSize = TIFFTileRowSize(img->tif);
  }
  bool Usable() const { return tw && th && tileSize > 0 && rowSize > 0; }
  bool Read(uint8_t* buffer, uint32_t col, uint32_t row, uint16_t sample) const {
    TIFF* tif = img->tif;
    return TIFFReadEncodedTile(tif, TIFFComputeTile(tif, col, row, 0, sample), buffer, tileSize) != -1;
  }
  // put(raster position, column, row, pixels, rows, fromskew, toskew, byte
  // offset into the tile) once per tile piece, top to bottom, left to right.
  template <class Put>
  int Walk(uint32_t* raster, uint32_t w, uint32_t h, Put&& put) const {
    const uint32_t firstSkew = static_cast<uint32_t>(img->col_offset) % tw;
    // Whole bytes a pixel wherever a tile may be entered sideways.
    const tmsize_t pixelBytes = rowSize / tw;
    for (uint32_t row = 0; row < h;) {
      const uint32_t fileRow = row + static_cast<uint32_t>(img->row_offset);
      const uint32_t nrow = std::min(th - fileRow % th, h - row);
      uint32_t fromskew = firstSkew, pixels = tw - firstSkew;
      uint32_t col = static_cast<uint32_t>(img->col_offset);
      for (uint32_t tocol = 0; tocol < w;) {
        const tmsize_t pos =
            static_cast<tmsize_t>(fileRow % th) * rowSize + static_cast<tmsize_t>(fromskew) * pixelBytes;
        if (tocol + pixels > w) {  // the rightmost tile reaches past the raster
          fromskew = tw - (w - tocol);
          pixels = w - tocol;
        }
        const int32_t toskew = static_cast<int32_t>(w - pixels);
        if (!put(raster + size_t{row} * w + tocol, col, fileRow, tocol, row, pixels, nrow,
                 static_cast<int32_t>(fromskew), toskew, pos))
          return 0;
        tocol += pixels;
        col += pixels;
        fromskew = 0;
        pixels = tw;
      }
      row += nrow;
    }
    return 1;
  }
};

int GetTilesContig(TIFFRGBAImage* img, uint32_t* raster, uint32_t w, uint32_t h) {
  const TileWalk walk(img);
  if (!walk.Usable() || !PicSizeWithinCap(static_cast<uint64_t>(walk.tileSize), 1)) return 0;
  std::vector<uint8_t> tile;
  try {
    tile.resize(static_cast<size_t>(walk.tileSize));
  } catch (...) {
    return 0;
  }
  return walk.Walk(raster, w, h,
                   [&](uint32_t* cp, uint32_t col, uint32_t fileRow, uint32_t x, uint32_t y, uint32_t pixels,
                       uint32_t rows, int32_t fromskew, int32_t toskew, tmsize_t pos) {
                     if (!walk.Read(tile.data(), col, fileRow, 0) && img->stoponerr) return false;
                     img->put.contig(img, cp, x, y, pixels, rows, fromskew, toskew, tile.data() + pos);
                     return true;
                   });
}

int GetTilesSeparate(TIFFRGBAImage* img, uint32_t* raster, uint32_t w, uint32_t h) {
  const TileWalk walk(img);
  if (!walk.Usable()) return 0;
  const bool grey = img->photometric == PHOTOMETRIC_MINISWHITE ||
                    img->photometric == PHOTOMETRIC_MINISBLACK || img->photometric == PHOTOMETRIC_PALETTE;
  const uint16_t colours = grey ? 1 : 3;
  const uint16_t planes = static_cast<uint16_t>(colours + (img->alpha ? 1 : 0));
  if (!PicSizeWithinCap(static_cast<uint64_t>(walk.tileSize), planes)) return 0;
  std::vector<uint8_t> tiles;
  try {
    tiles.resize(static_cast<size_t>(walk.tileSize) * planes);
  } catch (...) {
    return 0;
  }
  auto plane = [&](uint16_t i) { return tiles.data() + static_cast<size_t>(walk.tileSize) * i; };
  return walk.Walk(raster, w, h,
                   [&](uint32_t* cp, uint32_t col, uint32_t fileRow, uint32_t x, uint32_t y, uint32_t pixels,
                       uint32_t rows, int32_t fromskew, int32_t toskew, tmsize_t pos) {
                     for (uint16_t i = 0; i < planes; ++i)
                       if (!walk.Read(plane(i), col, fileRow, i) && img->stoponerr) return false;
                     uint8_t* p0 = plane(0) + pos;
                     uint8_t* p1 = grey ? p0 : plane(1) + pos;
                     uint8_t* p2 = grey ? p0 : plane(2) + pos;
                     uint8_t* pa = img->alpha ? plane(colours) + pos : nullptr;
                     img->put.separate(img, cp, x, y, pixels, rows, fromskew, toskew, p0, p1, p2, pa);
                     return true;
                   });
}

// The changes the codec makes to libtiff's choices after the begin step.
void AdjustRGBAImage(TIFFRGBAImage* img, const TIFFHandleState* s) {
  // The file's own row order: the codec applies the Orientation tag once.
  img->req_orientation = img->orientation;
  if (TIFFIsTiled(img->tif)) img->get = img->isContig ? GetTilesContig : GetTilesSeparate;
  if (img->isContig && img->bitspersample == 16 && img->BWmap &&
      (img->photometric == PHOTOMETRIC_MINISBLACK || img->photometric == PHOTOMETRIC_MINISWHITE))
    img->put.contig = putGrey16Tile;
  if (img->isContig && img->photometric == PHOTOMETRIC_SEPARATED && img->bitspersample == 8 &&
      img->samplesperpixel >= 4 && s->tif_rawcmyk)
    img->put.contig = putRawCMYKTile;  // libtiff maps no 8-bit samples (its Map is null here)
  uint16_t extras = 0;
  uint16_t* info = nullptr;
  if (TIFFGetFieldDefaulted(img->tif, TIFFTAG_EXTRASAMPLES, &extras, &info) && extras >= 1 && info &&
      info[0] == EXTRASAMPLE_UNSPECIFIED && img->samplesperpixel <= 3 && s->tif_alphaoverride != -1) {
    img->alpha = s->tif_alphaoverride;
    if (img->alpha && img->isContig && img->samplesperpixel == 2 && img->bitspersample == 8 && img->BWmap &&
        (img->photometric == PHOTOMETRIC_MINISBLACK || img->photometric == PHOTOMETRIC_MINISWHITE))
      img->put.contig = putGreyAlphaTile;
  }
}

}  // namespace

namespace {

// libtiff's RGBA state with the codec's own beside it: put routines get the
// TIFFRGBAImage pointer, which is this record's first member.
struct BandImage {
  TIFFRGBAImage img;
  const TIFFRowTarget* target = nullptr;
  uint32_t firstRow = 0;
};

// 8-bit RGB samples straight into the caller's 3-byte rows: (x, y) are the
// band's column and row (libtiff never flips here: it reads stored order).
void putRGBDirect(TIFFRGBAImage* img, uint32_t*, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                  int32_t fromskew, int32_t, unsigned char* pp) {
  const auto* b = reinterpret_cast<BandImage*>(img);
  const uint32_t spp = img->samplesperpixel;
  const bool bgr = b->target->bgr;
  for (uint32_t r = 0; r < h; ++r) {
    uint8_t* out = b->target->row(b->target->context, b->firstRow + y + r) + size_t{x} * 3;
    if (spp == 3 && !bgr) {
      std::memcpy(out, pp, size_t{w} * 3);
      pp += size_t{w} * 3;
    } else {
      for (uint32_t i = 0; i < w; ++i, out += 3, pp += spp) {
        out[0] = pp[bgr ? 2 : 0];
        out[1] = pp[1];
        out[2] = pp[bgr ? 0 : 2];
      }
    }
    pp += static_cast<int64_t>(fromskew) * spp;
  }
}

// Whether whole strips of 8-bit R, G, B samples can be decoded straight into
// the caller's rows: libtiff then reads an uncompressed strip from the
// stream into place, and a decoder writes into place, with no band buffer
// and no copy. JPEG's YCbCr strips keep libtiff's own loop (it reads whole
// subsampled row groups).
bool StripsInPlace(TIFF* tif, const TIFFRGBAImage& img, const TIFFRowTarget& target) {
  uint16_t photometric = 0;
  return target.bytes == 3 && target.contiguous && !TIFFIsTiled(tif) && img.samplesperpixel == 3 &&
         TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) && photometric == PHOTOMETRIC_RGB &&
         TIFFScanlineSize64(tif) == uint64_t{img.width} * 3;
}

void SwapRedBlue(uint8_t* p, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, p += 3) {
    const uint8_t r = p[0];
    p[0] = p[2];
    p[2] = r;
  }
}

// Whether libtiff would put plain 8-bit RGB samples (its own routine for
// them does nothing else).
bool PlainRGB8(const TIFFRGBAImage& img) {
  return img.isContig && img.photometric == PHOTOMETRIC_RGB && img.bitspersample == 8 && img.alpha == 0 &&
         !img.Map && img.samplesperpixel >= 3;
}

}  // namespace

int TIFFReadRGBABands(TIFF* tif, TIFFBandSink sink, void* context, char* message,
                      const TIFFRowTarget* target) {
  TIFFHandleState* s = TIFFState(tif);
  if (!TIFFRGBAImageOK(tif, message)) return 0;
  BandImage band_;
  TIFFRGBAImage& img = band_.img;
  if (!TIFFRGBAImageBegin(&img, tif, 1, message)) return 0;
  AdjustRGBAImage(&img, s);
  const uint32_t width = img.width, height = img.height;
  // Straight into the caller's rows where the layout allows.
  bool direct = false, inPlace = false;
  if (target && target->bytes == 3 && PlainRGB8(img)) {
    band_.target = target;
    img.put.contig = putRGBDirect;
    direct = true;
    inPlace = StripsInPlace(tif, img, *target);
  }
  const bool words = target && target->bytes == 4;
  uint32_t band = 0;
  if (TIFFIsTiled(tif)) {
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
  }
  if (band == 0 || band > height) band = height;
  uint64_t bytes = 0;
  std::vector<uint32_t> raster;
  int result = 1;
  if (!direct && !words) {
    if (!PicSizeWithinCap(width, band, 4, &bytes)) {
      std::snprintf(message, 1024, "band of %u rows too big", band);
      result = 0;
    } else {
      try {
        raster.resize(static_cast<size_t>(uint64_t{width} * band));
      } catch (...) {
        std::snprintf(message, 1024, "no memory for a band");
        result = 0;
      }
    }
  }
  uint32_t unused = 0;
  for (uint32_t row = 0; result == 1 && row < height; row += band) {
    const uint32_t rows = band < height - row ? band : height - row;
    img.row_offset = static_cast<int>(row);
    img.col_offset = 0;
    band_.firstRow = row;
    uint32_t* out = direct  ? &unused
                    : words ? reinterpret_cast<uint32_t*>(target->row(target->context, row))
                            : raster.data();
    if (inPlace) {
      uint8_t* rowsAt = target->row(target->context, row);
      const auto want = static_cast<tmsize_t>(uint64_t{rows} * width * 3);
      if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, row, 0), rowsAt, want) == -1) {
        result = 0;
        break;
      }
      if (target->bgr) SwapRedBlue(rowsAt, size_t{rows} * width);
    } else if (!TIFFRGBAImageGet(&img, out, width, rows)) {
      result = 0;
      break;
    }
    if (!direct && !words) sink(context, row, rows, raster.data());
    if (TIFFCallProgressHook(tif, row, height)) {
      s->tif_iserror = kPicErrCancelled;
      result = -1;
    }
  }
  TIFFRGBAImageEnd(&img);
  return result;
}

}  // namespace Pictura

namespace Pictura {

int TIFFReadRGBARegion(TIFF* tif, uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t* raster,
                       char* message) {
  if (!TIFFRGBAImageOK(tif, message)) return 0;
  TIFFRGBAImage img;
  if (!TIFFRGBAImageBegin(&img, tif, 1, message)) return 0;
  AdjustRGBAImage(&img, TIFFState(tif));
  img.row_offset = static_cast<int>(y);
  img.col_offset = static_cast<int>(x);
  const int ok = TIFFRGBAImageGet(&img, raster, w, h);
  TIFFRGBAImageEnd(&img);
  return ok;
}

}  // namespace Pictura
