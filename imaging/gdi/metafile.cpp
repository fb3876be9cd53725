#include "gdi/metafile.h"

#include <cstring>
#include <vector>

#include "core/out_buffers.h"
#include "core/allocators.h"
#include "gdi/dib_gdi.h"
#include "gdi/gdi_scoped.h"
#include "core/io_managers.h"
#include "core/operation.h"
#include "core/packed_dib.h"
#include "core/pictura_core.h"
#include "core/pictura_io.h"
#include "gdi/pictura_metafile.h"

namespace Pictura {

namespace {

// One step of the four the renderer reports; false (and 14) when the
// callback says stop, with FALSE or a negative answer.
bool Continue(uint32_t* error, uint32_t step) {
  if (PicProgress(step, 4) > 0) return true;
  *error = kPicErrCancelled;
  return false;
}

// Old-style metafile bits to an enhanced metafile, in the screen's terms.
HENHMETAFILE FromWinBits(uint32_t* error, const uint8_t* bits, uint32_t size, LONG cx, LONG cy,
                         uint32_t failCode) {
  ScopedDC screen = ScopedDC::Screen();
  if (!screen) return FailWith<HENHMETAFILE>(error, kPicErrDeviceContext);
  METAFILEPICT picture = {MM_ANISOTROPIC, cx, cy, nullptr};
  HENHMETAFILE emf = SetWinMetaFileBits(size, bits, screen.get(), &picture);
  if (!emf) {
    DebugHook(2, "SetWinMetaFileBits failed GetLastError = %d\n", static_cast<int>(GetLastError()));
    return FailWith<HENHMETAFILE>(error, failCode);
  }
  return emf;
}

// A file GDI cannot open itself: a placeable WMF, whose 22-byte header goes
// to the record, or bare WMF bits drawn at the requested extents.
HENHMETAFILE ReadPlaceableMetafile(MetafileRenderInfo& info, const char* path, uint32_t givenWidth,
                                   uint32_t givenHeight) {
  uint32_t* error = &info.error;
  CPicIO_File file;
  if (!file.OpenRead(path)) return FailWith<HENHMETAFILE>(error, kPicErrFileOpen);
  struct Closer {
    CPicIO_File& f;
    ~Closer() { f.Close(); }
  } closer{file};
  uint32_t size = 0;
  if (!file.GetSize(&size) || size == 0) return FailWith<HENHMETAFILE>(error, kPicErrBadMetafile);
  PicArray<uint8_t> data;
  if (!data.Resize(size)) return FailWith<HENHMETAFILE>(error, kPicErrNoMemory);
  if (!file.ReadExact(data.Data(), size)) return FailWith<HENHMETAFILE>(error, kPicErrFileRead);
  std::memcpy(info.placeable, data.Data(), std::min<size_t>(size, kPlaceableHeaderSize));

  PlaceableHeader header;
  if (ParsePlaceableHeader(data.Data(), size, &header)) {
    int32_t cx = 0, cy = 0;
    // A zero unit or an empty box gives no size to draw at.
    if (!PlaceableExtents(header, &cx, &cy) || size == kPlaceableHeaderSize)
      return FailWith<HENHMETAFILE>(error, kPicErrBadMetafile);
    // The bits after the header, and only those.
    return FromWinBits(error, data.Data() + kPlaceableHeaderSize, size - kPlaceableHeaderSize, cx, cy,
                       kPicErrSetWinMetaFileBits);
  }
  std::memset(info.placeable, 0, sizeof info.placeable);
  return FromWinBits(error, data.Data(), size, static_cast<LONG>(givenWidth), static_cast<LONG>(givenHeight),
                     kPicErrSetWinMetaFileBits);
}

HENHMETAFILE OpenMetafileByPath(MetafileRenderInfo& info, const char* path, uint32_t givenWidth,
                                uint32_t givenHeight) {
  info.error = 0;
  if (HENHMETAFILE emf = GetEnhMetaFileA(path)) return emf;
  if (HMETAFILE wmf = GetMetaFileA(path)) {
    const ScopedOldMetafile deleter{wmf};
    const UINT size = GetMetaFileBitsEx(wmf, 0, nullptr);
    if (size == 0) return FailWith<HENHMETAFILE>(&info.error, kPicErrBadMetafile);
    PicArray<uint8_t> bits;
    if (!bits.Resize(size)) return FailWith<HENHMETAFILE>(&info.error, kPicErrNoMemory);
    if (GetMetaFileBitsEx(wmf, size, bits.Data()) != size)
      return FailWith<HENHMETAFILE>(&info.error, kPicErrBadMetafile);
    return FromWinBits(&info.error, bits.Data(), size, 0, 0, kPicErrBadMetafile);
  }
  return ReadPlaceableMetafile(info, path, givenWidth, givenHeight);
}

}  // namespace

void* RenderEnhMetafile(MetafileRenderInfo& info, HENHMETAFILE metafile, uint32_t* width, uint32_t* height,
                        uint32_t givenWidth, uint32_t givenHeight, COLORREF background, uint32_t flags) {
  uint32_t* error = &info.error;
  if (width) *width = 0;
  if (height) *height = 0;
  if (!metafile) return FailWith<void*>(error, kPicErrBadArgument);
  ENHMETAHEADER header{};
  header.nSize = sizeof header;
  if (!GetEnhMetaFileHeader(metafile, sizeof header, &header))
    return FailWith<void*>(error, kPicErrBadMetafile);
  ScopedDC screen = ScopedDC::Screen();
  if (!screen) return FailWith<void*>(error, kPicErrDeviceContext);

  MetafileSizeInput in;
  in.flags = flags;
  in.givenWidth = givenWidth;
  in.givenHeight = givenHeight;
  in.placeable = ParsePlaceableHeader(info.placeable, sizeof info.placeable, &in.header);
  in.dpiX = GetDeviceCaps(screen.get(), LOGPIXELSX);
  in.dpiY = GetDeviceCaps(screen.get(), LOGPIXELSY);
  in.frameLeft = header.rclFrame.left;
  in.frameTop = header.rclFrame.top;
  in.frameRight = header.rclFrame.right;
  in.frameBottom = header.rclFrame.bottom;
  in.devicePixelsX = header.szlDevice.cx;
  in.devicePixelsY = header.szlDevice.cy;
  in.deviceMillimetresX = header.szlMillimeters.cx;
  in.deviceMillimetresY = header.szlMillimeters.cy;
  uint32_t w = 0, h = 0;
  if (uint32_t code = ComputeMetafileSize(in, &w, &h)) return FailWith<void*>(error, code);
  if (!Continue(error, 1)) return nullptr;

  ScopedDC memory = ScopedDC::Compatible(screen.get());
  if (!memory) return FailWith<void*>(error, kPicErrDeviceContext);
  ScopedBitmap bitmap(CreateCompatibleBitmap(screen.get(), static_cast<int>(w), static_cast<int>(h)));
  if (!bitmap) return FailWith<void*>(error, kPicErrCreateCompatibleBitmap);
  ScopedSelect selected;
  if (!selected.Select(memory.get(), bitmap.get())) return FailWith<void*>(error, kPicErrSelectObject);
  const RECT area = {0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
  ScopedBrush brush(CreateSolidBrush(background));
  if (!brush || !FillRect(memory.get(), &area, brush.get()))
    return FailWith<void*>(error, kPicErrMetafileDraw);
  if (!Continue(error, 2)) return nullptr;
  PlayEnhMetaFile(memory.get(), metafile, &area);
  if (!Continue(error, 3)) return nullptr;
  // GetDIBits wants the bitmap out of every DC.
  selected.Restore();

  CPicOutBufAllocator result;
  if (flags & kMetafileToDIB) {
    ScopedGlobal dib{HBITMAPToDIB(error, bitmap.get(), BI_RGB, nullptr)};
    if (!dib.block) return nullptr;
    const SIZE_T size = GlobalSize(dib.block);
    if (size >= kPicAllocCap || !result.Alloc(static_cast<uint32_t>(size)))
      return FailWith<void*>(error, kPicErrNoMemory);
    std::memcpy(result.Data(), dib.block, size);
  } else {
    if (!result.Alloc(w * h * 3)) return FailWith<void*>(error, kPicErrNoMemory);
    if (!HBITMAPToRGB(error, bitmap.get(), screen.get(), nullptr, result.Data())) {
      result.Free();
      return nullptr;
    }
  }
  if (width) *width = w;
  if (height) *height = h;
  return result.GetBuffer();
}

void* ReadMetafileCore(MetafileRenderInfo& info, const char* path, uint32_t* width, uint32_t* height,
                       uint32_t givenWidth, uint32_t givenHeight, COLORREF background, uint32_t flags) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (!path) return FailWith<void*>(&info.error, kPicErrBadArgument);
  if (!Continue(&info.error, 0)) return nullptr;
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
    return FailWith<void*>(&info.error, kPicErrFileOpen);
  const ScopedEnhMetafile emf{OpenMetafileByPath(info, path, givenWidth, givenHeight)};
  if (!emf.h) {
    if (!info.error) info.error = kPicErrBadMetafile;
    return nullptr;
  }
  return RenderEnhMetafile(info, emf.h, width, height, givenWidth, givenHeight, background, flags);
}

uint32_t WriteRGBToMetafile(uint32_t* error, CPicIO& destination, const uint8_t* rgb, uint32_t width,
                            uint32_t height, uint32_t stride, uint32_t type, uint32_t flags) {
  PicNestingScope depth;
  const uint32_t dibFlags = ((flags & 8) ? 1u : 0u) | ((flags & 4) ? 2u : 0u);
  ScopedGlobal dib{RGBToDIB(error, rgb, width, height, stride, nullptr, dibFlags)};
  if (!dib.block) return 0;
  auto* info = static_cast<const BITMAPINFO*>(dib.block);
  const uint8_t* bits = static_cast<const uint8_t*>(dib.block) + sizeof(BITMAPINFOHEADER);

  ScopedDC screen = ScopedDC::Screen();
  if (!screen) return FailWith<uint32_t>(error, kPicErrDeviceContext);
  const int dpiX = GetDeviceCaps(screen.get(), LOGPIXELSX), dpiY = GetDeviceCaps(screen.get(), LOGPIXELSY);
  const int64_t horzSize = GetDeviceCaps(screen.get(), HORZSIZE),
                vertSize = GetDeviceCaps(screen.get(), VERTSIZE);
  const int64_t horzRes = GetDeviceCaps(screen.get(), HORZRES),
                vertRes = GetDeviceCaps(screen.get(), VERTRES);
  if (horzRes <= 0 || vertRes <= 0) return FailWith<uint32_t>(error, kPicErrDeviceContext);
  // The frame in 0.01 mm, at the screen's size of a pixel.
  const int64_t frameRight = int64_t{width} * horzSize * 100 / horzRes;
  const int64_t frameBottom = int64_t{height} * vertSize * 100 / vertRes;
  if (frameRight > INT32_MAX || frameBottom > INT32_MAX) return FailWith<uint32_t>(error, kPicErrBadArgument);
  const RECT frame = {0, 0, static_cast<LONG>(frameRight), static_cast<LONG>(frameBottom)};

  HDC recorder = CreateEnhMetaFileA(screen.get(), nullptr, &frame, nullptr);
  if (!recorder) return FailWith<uint32_t>(error, kPicErrMetafileWrite);
  const bool enhanced = type == kMetafileEMF;
  SetMapMode(recorder, enhanced ? MM_ISOTROPIC : MM_ANISOTROPIC);
  SetWindowExtEx(recorder, dpiX, dpiY, nullptr);
  SetViewportExtEx(recorder, dpiX, dpiY, nullptr);
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  const int lines =
      enhanced
          ? StretchDIBits(recorder, 0, 0, w, h, 0, 0, w, h, bits, info, DIB_RGB_COLORS, SRCCOPY)
          : SetDIBitsToDevice(recorder, 0, 0, width, height, 0, 0, 0, height, bits, info, DIB_RGB_COLORS);
  const ScopedEnhMetafile emf{CloseEnhMetaFile(recorder)};
  if (!emf.h) return FailWith<uint32_t>(error, kPicErrMetafileWrite);
  if (lines != h) return FailWith<uint32_t>(error, kPicErrDeviceContext);

  std::vector<uint8_t> out;
  if (enhanced) {
    const UINT size = GetEnhMetaFileBits(emf.h, 0, nullptr);
    if (size == 0) return FailWith<uint32_t>(error, kPicErrGetMetaFileBits);
    out.resize(size);
    if (GetEnhMetaFileBits(emf.h, size, out.data()) != size)
      return FailWith<uint32_t>(error, kPicErrGetMetaFileBits);
  } else {
    const UINT size = GetWinMetaFileBits(emf.h, 0, nullptr, MM_ANISOTROPIC, screen.get());
    if (size == 0) return FailWith<uint32_t>(error, kPicErrGetMetaFileBits);
    if (type == kMetafilePlaceableWMF) {
      ENHMETAHEADER header{};
      GetEnhMetaFileHeader(emf.h, sizeof header, &header);
      int16_t right = 0, bottom = 0;
      uint16_t unitsPerInch = 1000;
      PlaceableBoxForFrame(header.rclFrame.right, header.rclFrame.bottom, &right, &bottom, &unitsPerInch);
      const auto left = static_cast<int16_t>(int64_t{header.rclFrame.left} * unitsPerInch / 2540);
      const auto top = static_cast<int16_t>(int64_t{header.rclFrame.top} * unitsPerInch / 2540);
      uint8_t placeable[kPlaceableHeaderSize];
      WritePlaceableHeader(placeable, left, top, right, bottom, unitsPerInch);
      if (!destination.Write(placeable, sizeof placeable)) return FailWith<uint32_t>(error, kPicErrFileWrite);
    }
    out.resize(size);
    if (GetWinMetaFileBits(emf.h, size, out.data(), MM_ANISOTROPIC, screen.get()) != size)
      return FailWith<uint32_t>(error, kPicErrGetMetaFileBits);
  }
  if (!destination.Write(out.data(), static_cast<uint32_t>(out.size())))
    return FailWith<uint32_t>(error, kPicErrFileWrite);
  uint32_t written = 0;
  destination.GetSize(&written);
  return written;
}

}  // namespace Pictura

using namespace Pictura;

extern "C" {

BOOL PICAPI pic_SetDefaultMetafileInfo(COLORREF background, DWORD width, DWORD height) {
  ImgThreadContext* ctx = PicBeginSetter("pic_SetDefaultMetafileInfo");
  if (!ctx) return FALSE;
  ctx->metafileBackground = background;
  ctx->metafileWidth = width;
  ctx->metafileHeight = height;
  return TRUE;
}

HGLOBAL PICAPI pic_ReadMetafile(const char* path, DWORD* width, DWORD* height, DWORD givenWidth,
                                DWORD givenHeight, COLORREF background, DWORD flags) {
  return PicRunEntry<HGLOBAL>("pic_ReadMetafile", [&](uint32_t& err) {
    MetafileRenderInfo info;
    uint32_t w = 0, h = 0;
    void* result = ReadMetafileCore(info, path, &w, &h, givenWidth, givenHeight, background, flags);
    if (width) *width = w;
    if (height) *height = h;
    err = info.error;
    return static_cast<HGLOBAL>(result);
  });
}

HGLOBAL PICAPI pic_ReadMetafileHandle(HENHMETAFILE metafile, DWORD* width, DWORD* height, DWORD givenWidth,
                                      DWORD givenHeight, COLORREF background, DWORD flags) {
  return PicRunEntry<HGLOBAL>("pic_ReadMetafileHandle", [&](uint32_t& err) {
    MetafileRenderInfo info;
    uint32_t w = 0, h = 0;
    void* result = RenderEnhMetafile(info, metafile, &w, &h, givenWidth, givenHeight, background, flags);
    if (width) *width = w;
    if (height) *height = h;
    err = info.error;
    return static_cast<HGLOBAL>(result);
  });
}

DWORD PICAPI pic_WriteRGBToMetafile(HPICDEST destination, const BYTE* rgb, DWORD width, DWORD height,
                                    DWORD stride, DWORD type, DWORD flags) {
  return PicRunEntry<DWORD>("pic_WriteRGBToMetafile", [&](uint32_t& err) -> DWORD {
    if (!destination) return FailWith<DWORD>(&err, kPicErrBadArgument);
    if (!CPicIO::IsLiveObject(destination) || !CPicIO::FromHandle(destination)->IsValid())
      return FailWith<DWORD>(&err, kPicErrBadManager);
    // Other types write nothing, and that is no error.
    if (type != kMetafileWMF && type != kMetafileEMF && type != kMetafilePlaceableWMF) return 0;
    return WriteRGBToMetafile(&err, *CPicIO::FromHandle(destination), rgb, width, height, stride, type,
                              flags);
  });
}

}  // extern "C"

// The generic reader's codec of WMF and EMF files.
namespace Pictura {

namespace {

uint32_t DetectMetafile(HPICSRC, PicGenericDetect* detected) {
  detected->depth = 24;
  return 0;
}

// Metafiles are played from their file; any other source is refused with 5.
uint32_t ReadMetafile(HPICSRC src, PicGenericOutput output, PicGenericImage* image) {
  CPicIO* io = CPicIO::FromHandle(src);
  if (io->Type() != kPicIOFile) return kPicErrBadArgument;
  ImgThreadContext* ctx = GetImgThreadContext();
  if (!ctx) return kPicErrNoThreadState;
  const DWORD flags = kMetafileExactSize | (output == kGenericOutDIB ? DWORD{kMetafileToDIB} : DWORD{0});
  DWORD w = 0, h = 0;
  image->pixels = pic_ReadMetafile(io->GetName(), &w, &h, ctx->metafileWidth, ctx->metafileHeight,
                                   ctx->metafileBackground, flags);
  image->width = w;
  image->height = h;
  return PicGetLastError();
}

}  // namespace

const PicGenericCodec kMetafileGenericCodec = {"WMF", kGenericOut24Bit | kGenericOutDIB, false,
                                               DetectMetafile, ReadMetafile};

}  // namespace Pictura
